// The file and folder pickers of the window. A hook of the services answers
// in place of the user; otherwise the real dialog opens, placed as every
// dialog of the window is.
#pragma once

#include <QString>

class KlmWindowServices;
class QWidget;

// From within another dialog: placed only (the outer guard runs).
QString klmPickFolder(KlmWindowServices& services, QWidget* parent, const QString& title, const QString& label,
                      const QString& start);

// From the main window: each runs the whole dialog guard. Empty when cancelled.
QString klmPickOpenFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter);
QString klmPickSaveFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter);
