#include "startup.h"

#include "catalogue/app_paths.h"
#include "message_box.h"
#include "qt_text.h"

bool klmCheckStartFolder(const QString& baseFolder)
{
    AppPaths paths;
    klmBuildAppPaths(paths, baseFolder.toStdString());
    std::string message;
    if (klmCheckRequiredFiles(paths, &message) != 0) {
        klmMessageBox(nullptr, QString::fromStdString(message), QString::fromUtf8(kKlmFatalTitle),
                      QMessageBox::Critical);
        return false;
    }
    // The program creates no folders; without them nothing could be saved,
    // so say so now rather than failing at the close.
    std::string missing = klmMissingDataFolders(paths);
    if (!missing.empty()) {
        klmMessageBox(nullptr,
                      QString::fromStdString(missing) +
                          klmU(" フォルダが存在しません。\n設定や一覧の状態は保存されません。"),
                      klmU("警告"), QMessageBox::Warning);
    }
    return true;
}
