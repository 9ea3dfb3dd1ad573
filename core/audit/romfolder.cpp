#include "audit/romfolder.h"

#include <cstring>
#include <filesystem>
#include <unordered_set>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"

namespace {

// "指定無し", "全て", then "第" n "階層" with ASCII digits.
constexpr const char* kNone = "\x8e\x77\x92\xe8\x96\xb3\x82\xb5";
constexpr const char* kAll = "\x91\x53\x82\xc4";
constexpr const char* kLevelPrefix = "\x91\xe6";
constexpr const char* kLevelSuffix = "\x8a\x4b\x91\x77";

bool validDepth(int32_t depth) { return depth >= 0 && depth < kKlmRomFolderDepthCount; }

}  // namespace

std::string klmRomFolderDepthName(int32_t depth)
{
    if (depth == 1)
        return kAll;
    if (!validDepth(depth) || depth == 0)
        return kNone;
    return std::string(kLevelPrefix) + std::to_string(depth - 1) + kLevelSuffix;
}

int32_t klmRomFolderDepthFromName(std::string_view name)
{
    for (int32_t d = 0; d < kKlmRomFolderDepthCount; ++d)
        if (klmRomFolderDepthName(d) == name)
            return d;
    return 0;
}

int32_t klmRomFolderMaxLevel(int32_t depth)
{
    if (depth == 1)
        return 100;
    if (!validDepth(depth) || depth == 0)
        return 0;
    return depth - 1;
}

int32_t klmFindRomFolder(const std::vector<RomFolder>& folders, std::string_view path)
{
    for (size_t i = 0; i < folders.size(); ++i)
        if (klmField(folders[i].path) == path)
            return static_cast<int32_t>(i);
    return -1;
}

KlmRomFolderCheck klmCheckRomFolderPath(const std::vector<RomFolder>& folders, int32_t editedRow,
                                        std::string_view path, std::string* cp932)
{
    std::string stored;
    const KlmFieldFit fit = klmFitField(path, sizeof(RomFolder::path), &stored);
    if (cp932)
        *cp932 = stored;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_directory(std::filesystem::path(std::string(path)), ec))
        return KlmRomFolderCheck::Missing;
    // A path the field cannot hold whole could never be walked again.
    if (fit == KlmFieldFit::NotCp932)
        return KlmRomFolderCheck::NotCp932;
    if (fit == KlmFieldFit::TooLong)
        return KlmRomFolderCheck::TooLong;
    const int32_t same = klmFindRomFolder(folders, stored);
    if (same >= 0 && same != editedRow)
        return KlmRomFolderCheck::Duplicate;
    return KlmRomFolderCheck::Valid;
}

const char* klmRomFolderCheckMessage(KlmRomFolderCheck check)
{
    switch (check) {
    case KlmRomFolderCheck::Missing: return "ロムフォルダが存在しません";
    case KlmRomFolderCheck::NotCp932: return "ロムフォルダのパスに Shift-JIS で表せない文字が含まれています";
    case KlmRomFolderCheck::TooLong: return "ロムフォルダのパスが長すぎます (半角259文字まで)";
    case KlmRomFolderCheck::Duplicate: return "ロムフォルダが重複します";
    case KlmRomFolderCheck::Valid: break;
    }
    return "";
}

std::string klmRomFolderImage(const std::vector<RomFolder>& folders)
{
    return klmRecordImage(folders, kKlmMaxRomFolders, [](const RomFolder& folder) {
        RomFolder clean{};
        klmCopyField(clean.path, klmField(folder.path));
        clean.depth = folder.depth;
        clean.selected = folder.selected;
        return clean;
    });
}

bool klmReadRomFolderImage(std::string_view image, std::vector<RomFolder>& folders)
{
    folders.clear();
    const KlmRecordCount count = klmRecordCount(image, sizeof(RomFolder), kKlmMaxRomFolders);
    bool sound = count.sound;
    folders.reserve(count.take);
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < count.take; ++i) {
        const auto stored = klmStoredRecord<RomFolder>(image, i);
        RomFolder folder{};
        if (std::memchr(stored.path, 0, sizeof stored.path) == nullptr)
            sound = false;
        klmCopyField(folder.path, klmField(stored.path));
        const std::string path(klmField(folder.path));
        // An empty path is no folder, and the audit must not walk one folder
        // twice: keep the first of equal paths.
        if (path.empty() || !seen.insert(path).second) {
            sound = false;
            continue;
        }
        if (validDepth(stored.depth)) {
            folder.depth = stored.depth;
        } else {
            folder.depth = 0;
            sound = false;
        }
        folder.selected = stored.selected != 0 ? 1 : 0;
        folders.push_back(folder);
    }
    return sound;
}

bool klmLoadRomFolderFile(const std::string& path, std::vector<RomFolder>& folders, std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadRomFolderImage(image, folders);
    return true;
}

bool klmSaveRomFolderFile(const std::string& path, const std::vector<RomFolder>& folders, std::string* error)
{
    return klmWriteFileAtomic(path, klmRomFolderImage(folders), error);
}
