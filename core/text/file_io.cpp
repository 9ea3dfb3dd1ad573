#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

bool writeAll(int fd, const char* p, size_t n)
{
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

bool klmWriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error)
{
    if (path.empty()) {
        if (error)
            *error = "cannot write: empty path";
        return false;
    }
    std::string tmp = path + ".tmp-XXXXXX";
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, "cannot create a temporary file for", path, errno);
        return false;
    }
    auto fail = [&](const char* what, int err) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tmp.c_str());
        setError(error, what, path, err);
        return false;
    };

    // Keep the permissions of the file being replaced; a new file gets the
    // usual rw-r--r-- instead of mkstemp's owner-only mode.
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0)
        return fail("cannot set the mode of the temporary file for", errno);

    if (!writeAll(fd, bytes.data(), bytes.size()))
        return fail("cannot write", errno);
    if (::fsync(fd) != 0)
        return fail("cannot flush", errno);
    int closeResult = ::close(fd);
    fd = -1;
    if (closeResult != 0)
        return fail("cannot close", errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        return fail("cannot replace", errno);

    // Make the rename itself durable; a failure here does not undo the write.
    int dirFd = ::open(parentDirectory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
