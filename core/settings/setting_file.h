// save\setting.dat: the Settings record as a positional SectionFile, one
// value per line in a fixed order, no keys.
//
// Reading never lets a damaged file put a value out of range: a value
// outside its range keeps what the record held (the defaults at start-up)
// and reading goes on with the next line; a file that ends early leaves
// the rest as it was. A list count outside 0–30 means the lines after it
// cannot be placed, so reading stops there.
//
// Writing gives back, byte for byte, a file this writer produced when
// nothing changed in between.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

enum class KlmSettingFileStatus {
    Read,        // the file was read (possibly with values kept, see issues)
    Missing,     // no such file: nothing changed
    Unreadable,  // it exists but could not be read: nothing changed
};

// A value the reader did not take (or took cut to its field), or the
// place where the file ended.
struct KlmSettingIssue {
    int line = 0;         // 1-based line of setting.dat
    std::string setting;  // which setting, e.g. "volume", "shown columns"
    std::string text;     // the line as found (CP932); empty when the file ended
    bool endOfFile = false;
};

using KlmSettingIssueList = std::vector<KlmSettingIssue>;

// Reads an image of setting.dat into s. The six name conditions are
// looked up in the catalogue's tables; the emulator dialog's hardware key
// goes through klmGetNewHardIndex (its message goes to notify). Catalogue
// dependent values (selected game, year, price and ROM-size conditions)
// are checked against cat.
void klmParseSettingImage(std::string_view image, Settings& s, const Catalogue& cat,
                          const KlmNotifier& notify, KlmSettingIssueList* issues = nullptr);

KlmSettingFileStatus klmReadSettingFile(const std::string& path, Settings& s, const Catalogue& cat,
                                        const KlmNotifier& notify, KlmSettingIssueList* issues = nullptr,
                                        std::string* error = nullptr);

// The file image: every line in order, CP932 with CRLF line ends.
std::string klmSettingFileImage(const Settings& s, const Catalogue& cat);

// Writes the image atomically; false (and a reason) leaves the old file.
bool klmWriteSettingFile(const std::string& path, const Settings& s, const Catalogue& cat,
                         std::string* error = nullptr);
