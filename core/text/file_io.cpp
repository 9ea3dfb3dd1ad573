#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void setError(std::string* error, const std::string& what, const std::string& path, int err)
{
    if (error)
        *error = what + " " + path + ": " + std::strerror(err);
}

std::string parentDirectory(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

}  // namespace

bool klmWriteAll(int fd, const void* bytes, size_t n)
{
    const char* p = static_cast<const char*>(bytes);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

namespace {

bool writeAll(int fd, const char* p, size_t n)
{
    return klmWriteAll(fd, p, n);
}

}  // namespace

bool klmReadWholeFile(const std::string& path, std::string& out, std::string* error)
{
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(error, "cannot open", path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        setError(error, "cannot read", path, err);
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            out.clear();
            setError(error, "cannot read", path, err);
            return false;
        }
        if (r == 0)
            break;
        out.append(buf, static_cast<size_t>(r));
    }
    ::close(fd);
    return true;
}

bool klmFileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

namespace {

int doFsync(const KlmSyncHooks* hooks, int fd)
{
    return hooks && hooks->fsync ? hooks->fsync(fd) : ::fsync(fd);
}

int doRename(const KlmSyncHooks* hooks, const char* from, const char* to)
{
    return hooks && hooks->rename ? hooks->rename(from, to) : ::rename(from, to);
}

// A temporary file beside path that nobody else can have: created
// exclusively, with the mode the umask gives a new file.
int createTemporary(const std::string& path, std::string& tmp)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%u-%llx", static_cast<long>(::getpid()), counter++,
                      static_cast<unsigned long long>(now) & 0xFFFFFF);
        tmp = path + suffix;
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool klmBeginAtomicWrite(KlmAtomicWrite& w, const std::string& path, std::span<const std::string_view> parts,
                         std::string* error, const KlmSyncHooks* hooks)
{
    w = KlmAtomicWrite{};
    w.path = path;
    w.hooks = hooks;
    if (path.empty()) {
        if (error)
            *error = "cannot write: empty path";
        return false;
    }
    w.fd = createTemporary(path, w.tmp);
    if (w.fd < 0) {
        setError(error, "cannot create a temporary file for", path, errno);
        return false;
    }
    auto fail = [&](const char* what, int err) {
        klmCancelAtomicWrite(w);
        setError(error, what, path, err);
        return false;
    };
    // A replaced file keeps its permissions; a new one keeps the mode the
    // temporary file was created with.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && ::fchmod(w.fd, old.st_mode & 07777) != 0)
        return fail("cannot set the mode of the temporary file for", errno);
    for (std::string_view part : parts)
        if (!writeAll(w.fd, part.data(), part.size()))
            return fail("cannot write", errno);
    return true;
}

bool klmFinishAtomicWrite(KlmAtomicWrite& w, std::string* error)
{
    if (w.fd < 0) {
        if (error)
            *error = "cannot write " + w.path + ": nothing to finish";
        return false;
    }
    auto fail = [&](const char* what, int err) {
        klmCancelAtomicWrite(w);
        setError(error, what, w.path, err);
        return false;
    };
    if (doFsync(w.hooks, w.fd) != 0)
        return fail("cannot flush", errno);
    const int closeResult = ::close(w.fd);
    w.fd = -1;
    if (closeResult != 0)
        return fail("cannot close", errno);
    if (doRename(w.hooks, w.tmp.c_str(), w.path.c_str()) != 0)
        return fail("cannot replace", errno);
    w.tmp.clear();

    // Make the rename itself durable; a failure here does not undo the write.
    int dirFd = ::open(parentDirectory(w.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        doFsync(w.hooks, dirFd);
        ::close(dirFd);
    }
    return true;
}

void klmCancelAtomicWrite(KlmAtomicWrite& w)
{
    if (w.fd >= 0)
        ::close(w.fd);
    w.fd = -1;
    if (!w.tmp.empty())
        ::unlink(w.tmp.c_str());
    w.tmp.clear();
}

bool klmWriteFileAtomic(const std::string& path, std::span<const std::string_view> parts, std::string* error,
                        const KlmSyncHooks* hooks)
{
    KlmAtomicWrite w;
    return klmBeginAtomicWrite(w, path, parts, error, hooks) && klmFinishAtomicWrite(w, error);
}

bool klmWriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error, const KlmSyncHooks* hooks)
{
    return klmWriteFileAtomic(path, std::span<const std::string_view>(&bytes, 1), error, hooks);
}
