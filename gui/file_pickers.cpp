#include "file_pickers.h"

#include <QFileDialog>
#include <QFileInfo>

#include "dialog_guard.h"
#include "window_services.h"

namespace {

QString pickFile(KlmWindowServices& services, const QString& title, const QString& start, const QString& filter,
                 KlmFilterText shown, bool save)
{
    const auto& hook = save ? services.pickers().saveFile : services.pickers().openFile;
    if (hook) return hook(start);
    KlmDialogGuard guard(services);
    QFileDialog dialog(services.window(), title, start, filter);
    dialog.setObjectName(save ? QStringLiteral("saveFilePicker") : QStringLiteral("openFilePicker"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, shown == KlmFilterText::NameOnly);
    // A save dialog gives the offered name the filter's extension as the
    // filter is set ("x.dat" would become "x.DAT"): the name is offered again
    // as it was.
    if (!start.isEmpty() && !QFileInfo(start).isDir()) dialog.selectFile(start);
    guard.attach(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString klmPickFolder(KlmWindowServices& services, QWidget* parent, const QString& title, const QString& label,
                      const QString& start)
{
    if (services.pickers().folder) return services.pickers().folder(start);
    QFileDialog picker(parent, title, start);
    picker.setObjectName(QStringLiteral("folderPicker"));
    picker.setFileMode(QFileDialog::Directory);
    picker.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    picker.setLabelText(QFileDialog::LookIn, label);
    klmPlaceDialog(services, &picker);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return {};
    return picker.selectedFiles().constFirst();
}

QString klmPickOpenFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter, KlmFilterText shown)
{
    return pickFile(services, title, start, filter, shown, false);
}

QString klmPickSaveFile(KlmWindowServices& services, const QString& title, const QString& start,
                        const QString& filter, KlmFilterText shown)
{
    return pickFile(services, title, start, filter, shown, true);
}
