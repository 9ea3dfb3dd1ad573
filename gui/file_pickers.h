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

// What the filter list shows of a filter "text (patterns)": all of it, or
// the text alone (when the text is the program's own, patterns and all).
enum class KlmFilterText { Whole, NameOnly };

// From the main window: each runs the whole dialog guard. start is a folder,
// or a file the dialog selects. Empty when cancelled.
QString klmPickOpenFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter, KlmFilterText shown = KlmFilterText::Whole);
QString klmPickSaveFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter, KlmFilterText shown = KlmFilterText::Whole);
