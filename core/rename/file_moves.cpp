#include "rename/file_moves.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

KlmMoveResult failWith(int code, int* error)
{
    if (error)
        *error = code;
    return code == EEXIST || code == ENOTEMPTY ? KlmMoveResult::TargetExists : KlmMoveResult::Failed;
}

}  // namespace

KlmMoveResult klmMoveNoReplaceByLink(const std::string& from, const std::string& to, int* error)
{
    if (::link(from.c_str(), to.c_str()) != 0)
        return failWith(errno, error);
    if (::unlink(from.c_str()) != 0) {
        // Both names lead to the file: take the new one back, so the move
        // either happened or did not.
        const int code = errno;
        ::unlink(to.c_str());
        return failWith(code, error);
    }
    return KlmMoveResult::Moved;
}

KlmMoveResult klmMoveNoReplace(const std::string& from, const std::string& to, int* error)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return KlmMoveResult::Moved;
    if (errno == EINVAL || errno == ENOSYS)  // the file system cannot refuse to replace
        return klmMoveNoReplaceByLink(from, to, error);
    return failWith(errno, error);
}

bool klmIsSameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

std::string klmFolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void klmSyncFolderOf(const std::string& path)
{
    const std::string folder = klmFolderOf(path);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool klmIsRenameWorkName(std::string_view name)
{
    return name.substr(0, kKlmRenameWorkPrefix.size()) == kKlmRenameWorkPrefix;
}

bool KlmWorkFolder::make(const std::string& folder, std::string& error)
{
    remove();
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '/')
        pattern += '/';
    pattern += std::string(kKlmRenameWorkPrefix) + "XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        error = pattern + ": " + std::strerror(errno);
        return false;
    }
    path = pattern;
    lockFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lockFd < 0 || ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        error = path + ": " + std::strerror(errno);
        remove();
        return false;
    }
    return true;
}

bool KlmWorkFolder::remove()
{
    bool removed = true;
    if (!path.empty()) {
        std::error_code ec;
        fs::remove_all(path, ec);
        removed = !ec;
        if (ec)
            std::fprintf(stderr, "%s: %s\n", path.c_str(), ec.message().c_str());
        path.clear();
    }
    if (lockFd >= 0) {
        ::close(lockFd);
        lockFd = -1;
    }
    return removed;
}

int klmRemoveStaleWorkFolders(const std::string& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (klmIsRenameWorkName(e->d_name))
            names.emplace_back(e->d_name);
    ::closedir(dir);

    int removed = 0;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    for (const std::string& name : names) {
        const std::string path = base + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Held: a rebuild is working in it right now.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ec;
            fs::remove_all(path, ec);
            if (!ec)
                ++removed;
        }
        ::close(fd);
    }
    return removed;
}
