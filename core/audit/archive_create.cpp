// Creation of zip and 7z archives from files and folders, in the order given.
// Zip goes through libarchive (zlib's Deflate); 7z through the writer in
// sevenzip_writer.cpp, because libarchive packs several files into one
// solid block and the archives made here must stay non-solid.
//
// Every archive is written to a temporary file beside its final path, synced
// and only then renamed over it: a reader never sees half an archive, and a
// failure (a full disk, an unreadable file) leaves only what was there.
#include "audit/archiver.h"

#include "audit/archive_util.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string makeTempBeside(const std::string& path, int& fd)
{
    std::string pattern = path + ".tmpXXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    return fd < 0 ? std::string() : pattern;
}

// 7-Zip's Deflate encoder at its normal level (-mx=5) packs about as tightly
// as zlib at its default (6), so the -mx scale is shifted by one from there.
int zlibLevel(int mx)
{
    return mx < 5 ? mx : std::min(9, mx + 1);
}

bool addZipEntry(struct archive* a, const KlmArchiveInput& in, std::vector<char>& buffer, std::string& error)
{
    struct stat st {};
    int fd = -1;
    if (!in.folder) {
        fd = klmOpenRegularFile(in.filePath, st, error);
        if (fd < 0)
            return false;
    }
    struct archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, in.folder ? (in.memberName + '/').c_str() : in.memberName.c_str());
    archive_entry_set_filetype(entry, in.folder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry, in.folder ? 0755 : 0644);
    archive_entry_set_size(entry, in.folder ? 0 : st.st_size);
    if (in.folder)
        archive_entry_set_mtime(entry, in.mtime, in.mtimeNsec);
    else
        archive_entry_set_mtime(entry, st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    bool ok = archive_write_header(a, entry) == ARCHIVE_OK;
    if (!ok)
        error = klmArchiveErrorText(a, "cannot write archive");
    uint64_t left = in.folder ? 0 : uint64_t(st.st_size);
    while (ok && left > 0) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || uint64_t(got) > left) {
            // A file that shrinks or grows while it is packed would leave an
            // entry that disagrees with its header.
            error = in.filePath + ": " + (got < 0 ? std::strerror(errno) : "the file changed while it was read");
            ok = false;
            break;
        }
        left -= uint64_t(got);
        if (archive_write_data(a, buffer.data(), size_t(got)) != got) {
            error = klmArchiveErrorText(a, "cannot write archive");
            ok = false;
        }
    }
    archive_entry_free(entry);
    if (fd >= 0)
        ::close(fd);
    return ok;
}

bool writeZip(int outFd, const std::vector<KlmArchiveInput>& inputs, int level, std::string& error)
{
    KlmUtf8LocaleScope locale;
    KlmArchiveWriteHandle w;
    w.a = archive_write_new();
    if (!w.a) {
        error = "out of memory";
        return false;
    }
    archive_write_set_format_zip(w.a);
    // No padding of the last block: the archive ends where its data ends.
    archive_write_set_bytes_in_last_block(w.a, 1);
    const std::string options = level == 0
        ? "zip:compression=store"
        : "zip:compression=deflate,zip:compression-level=" + std::to_string(zlibLevel(level));
    if (archive_write_set_options(w.a, options.c_str()) != ARCHIVE_OK) {
        error = klmArchiveErrorText(w.a, "unsupported archive options");
        return false;
    }
    if (archive_write_open_fd(w.a, outFd) != ARCHIVE_OK) {
        error = klmArchiveErrorText(w.a, "cannot write archive");
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (const KlmArchiveInput& in : inputs)
        if (!addZipEntry(w.a, in, buffer, error))
            return false;
    if (archive_write_close(w.a) != ARCHIVE_OK) {
        error = klmArchiveErrorText(w.a, "cannot write archive");
        return false;
    }
    return true;
}

bool checkInputs(const std::vector<KlmArchiveInput>& inputs, std::string& error)
{
    for (const KlmArchiveInput& in : inputs) {
        if (in.memberName.empty() || in.memberName.back() == '/' || klmIsUnsafeMemberName(in.memberName, false)
            || !klmIsValidUtf8(in.memberName)) {
            error = "bad member name: " + in.memberName;
            return false;
        }
    }
    return true;
}

}  // namespace

mode_t klmNewFileMode()
{
    static const mode_t mode = [] {
        mode_t mask = 022;
        if (FILE* f = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                unsigned value = 0;
                if (std::sscanf(line, "Umask: %o", &value) == 1) {
                    mask = mode_t(value);
                    break;
                }
            }
            std::fclose(f);
        }
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

int klmOpenRegularFile(const std::string& path, struct stat& st, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

bool klmCreateArchive(KlmArchiveKind kind, const std::string& archivePath, const std::vector<KlmArchiveInput>& inputs,
                      int level, std::string* errorOut)
{
    std::string error;
    auto fail = [&](const std::string& why) {
        if (errorOut)
            *errorOut = why;
        return false;
    };
    if (kind == KlmArchiveKind::None)
        return fail("not a zip or 7z archive");
    if (level < 0 || level > 9)
        return fail("compression level must be 0 to 9");
    if (!checkInputs(inputs, error))
        return fail(error);

    int outFd = -1;
    const std::string temp = makeTempBeside(archivePath, outFd);
    if (temp.empty())
        return fail(archivePath + ": " + std::strerror(errno));
    bool ok = kind == KlmArchiveKind::Zip ? writeZip(outFd, inputs, level, error)
                                          : klmWrite7zArchive(outFd, inputs, level, error);
    if (ok && ::fsync(outFd) != 0) {
        error = archivePath + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok)
        ::fchmod(outFd, klmNewFileMode());
    if (::close(outFd) != 0 && ok) {
        error = archivePath + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && ::rename(temp.c_str(), archivePath.c_str()) != 0) {
        error = archivePath + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(error);
    }
    return true;
}

bool klmCreateZip(const std::string& archivePath, const std::string& filePath, const std::string& memberName,
                  int level, std::string* error)
{
    return klmCreateArchive(KlmArchiveKind::Zip, archivePath, {{filePath, memberName}}, level, error);
}

bool klmCreate7z(const std::string& archivePath, const std::string& filePath, const std::string& memberName,
                 int level, std::string* error)
{
    return klmCreateArchive(KlmArchiveKind::SevenZip, archivePath, {{filePath, memberName}}, level, error);
}
