// The buttons every list dialog builds the same way: a push button known by
// its control id, and the OK (1) / キャンセル (2) pair wired to accept and
// reject.
#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;
class QWidget;

// caption is UTF-8; the button is no auto-default, so Enter stays with OK.
QPushButton* klmDialogButton(QWidget* parent, int id, const char* caption);
QDialogButtonBox* klmOkCancelButtons(QDialog* dialog);
