#include "dialog_kit.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "qt_text.h"

QHBoxLayout* klmOkCancelRow(QDialog* dialog)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(klmU("キャンセル"), dialog);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);
    // Through the virtual slots, so a dialog's own checks on OK run.
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

bool klmExecDialog(QDialog& dialog, const std::function<void(QDialog&)>& prepare)
{
    if (prepare) prepare(dialog);
    return dialog.exec() == QDialog::Accepted;
}
