#include "dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "qt_text.h"

QPushButton* klmDialogButton(QWidget* parent, int id, const char* caption)
{
    auto* b = new QPushButton(klmU(caption), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

QDialogButtonBox* klmOkCancelButtons(QDialog* dialog)
{
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = box->addButton(klmU("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QPushButton* cancel = box->addButton(klmU("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("2"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}
