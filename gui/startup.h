// The checks before the main window exists: the four catalogue files (the
// program ends after the message) and the save and cache folders.
#pragma once

#include <QString>

// False after the "重大なエラー" message when a required file is missing.
bool klmCheckStartFolder(const QString& baseFolder);
