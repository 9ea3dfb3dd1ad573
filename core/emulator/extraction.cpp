#include "emulator/extraction.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "audit/archiver.h"
#include "emulator/launch.h"

namespace fs = std::filesystem;

namespace {

KlmExtractOutcome failure(const std::string& archive, const std::string& why)
{
    KlmExtractOutcome o;
    o.ok = false;
    o.message = std::string(kKlmExtractFailedText) + "\n" + archive;
    if (!why.empty())
        o.message += "\n(" + why + ")";
    o.title = kKlmLaunchErrorTitle;
    return o;
}

bool isPlainFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes folder and the folders below it that are empty, deepest first;
// anything that still holds a file stays. True when folder is gone.
bool removeEmptyFolders(const std::string& folder)
{
    std::error_code ec;
    std::vector<fs::path> below;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            below.push_back(it->path());
    // Listed parents first, so the reverse order takes children first.
    for (auto it = below.rbegin(); it != below.rend(); ++it)
        ::rmdir(it->c_str());
    ::rmdir(folder.c_str());
    struct stat st {};
    return ::lstat(folder.c_str(), &st) != 0 && errno == ENOENT;
}

}  // namespace

KlmExtractOutcome klmExtractForLaunch(const KlmLaunchPlan& plan, ExtractedFileList& list)
{
    ExtractedFileList made;
    for (const KlmLaunchExtraction& x : plan.extract) {
        // mkdir fails on an existing folder: the run never unpacks into a
        // folder it did not make.
        if (::mkdir(x.folder.c_str(), 0777) != 0) {
            const std::string why = x.folder + ": " + std::strerror(errno);
            klmDeleteExtractedFiles(made);
            return failure(x.archive, why);
        }
        made.folders.push_back(x.folder);
        KlmExtractResult r = klmExtractArchive(x.archive, x.folder);
        made.files.insert(made.files.end(), r.files.begin(), r.files.end());
        if (!r.ok || std::find(r.files.begin(), r.files.end(), x.passed) == r.files.end()) {
            klmDeleteExtractedFiles(made);
            return failure(x.archive, r.ok ? "the first member was not extracted" : r.error);
        }
    }
    list.files.insert(list.files.end(), made.files.begin(), made.files.end());
    list.folders.insert(list.folders.end(), made.folders.begin(), made.folders.end());
    return KlmExtractOutcome{};
}

size_t klmDeleteExtractedFiles(ExtractedFileList& list)
{
    size_t left = 0;
    for (const std::string& f : list.files) {
        if (isPlainFile(f) && ::unlink(f.c_str()) != 0)
            ++left;
    }
    for (auto it = list.folders.rbegin(); it != list.folders.rend(); ++it)
        if (!removeEmptyFolders(*it))
            ++left;
    list.files.clear();
    list.folders.clear();
    return left;
}
