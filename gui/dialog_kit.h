// Small parts every settings dialog shares: the OK (1) / キャンセル (2) row
// at its foot, and the modal run with the caller's prologue.
#pragma once

#include <functional>

class QDialog;
class QHBoxLayout;

// OK is the default button and accepts, キャンセル rejects.
QHBoxLayout* klmOkCancelRow(QDialog* dialog);

// Runs prepare on the dialog (the caller's prologue, e.g. centring), then
// the dialog modally; true when it was accepted.
bool klmExecDialog(QDialog& dialog, const std::function<void(QDialog&)>& prepare);
