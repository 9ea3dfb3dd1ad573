// The archiver on top of libzip (zip central directory: stored CRC and raw
// member names) and libarchive (extraction and listing). The 7z header
// reader is in sevenzip_header.cpp, creation in archive_create.cpp.
//
// libarchive converts 7z member names (UTF-16) to and from the "current
// locale". So that they come out as UTF-8 file-system paths whatever locale
// the process runs in, every libarchive call runs with the thread's locale
// switched to C.UTF-8. Zip names are decoded here (klmZipNativeName), the
// same way for the first-member reader and for extraction.
#include "audit/archiver.h"

#include "audit/archive_util.h"

#include "audit/crc.h"
#include "text/cp932.h"

#include <archive.h>
#include <archive_entry.h>
#include <zip.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <locale.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

KlmUtf8LocaleScope::KlmUtf8LocaleScope()
{
    static const locale_t utf8 = [] {
        locale_t loc = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
        if (!loc)
            loc = newlocale(LC_ALL_MASK, "en_US.UTF-8", nullptr);
        return loc;
    }();
    if (utf8)
        previous = uselocale(utf8);
}

KlmUtf8LocaleScope::~KlmUtf8LocaleScope()
{
    if (previous)
        uselocale(previous);
}

bool klmIsValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size())
            return false;
        for (size_t k = 1; k <= n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (t & 0x3F);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

namespace {

void slashSeparators(std::string& utf8)
{
    for (char& c : utf8)
        if (c == '\\')
            c = '/';
}

// Member of a zip opened through libzip. ZIP_FL_ENC_RAW gives the name as
// stored (or the Info-ZIP Unicode path, which libzip prefers when present).
KlmArchiveMember readZipFirstMember(zip_t* za)
{
    KlmArchiveMember m;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    bool found = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!rawName) {
            m.error = "zip directory is corrupt";
            return m;
        }
        const std::string_view raw = rawName;
        bool exact = true;
        const std::string native = klmZipNativeName(raw, &exact);
        if (klmIsUnsafeMemberName(native, false)) {
            m.error = "unsafe member name";
            return m;
        }
        if (found || native.empty() || native.back() == '/')
            continue;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(za, zip_uint64_t(i), 0, &opsys, &attributes) == 0) {
            if (opsys == ZIP_OPSYS_UNIX) {
                const zip_uint32_t type = (attributes >> 16) & S_IFMT;
                if (type != 0 && type != S_IFREG)
                    continue;
            } else if (attributes & 0x10) {  // MS-DOS folder attribute
                continue;
            }
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0) {
            m.error = "zip directory is corrupt";
            return m;
        }
        if (!(st.valid & ZIP_STAT_SIZE) || st.size == 0)
            continue;
        if (!(st.valid & ZIP_STAT_CRC)) {
            m.error = "archive records no CRC for the first file";
            return m;
        }
        found = true;
        m.crc = st.crc;
        m.nativeName = native;
        if (klmIsValidUtf8(raw)) {
            m.name = klmFromUtf8(raw, &exact);
        } else {
            m.name = std::string(raw);
        }
        m.nameExact = exact;
    }
    if (!found) {
        m.error = "archive has no file";
        return m;
    }
    m.ok = true;
    return m;
}

std::string zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Opens a file for reading only when it is a regular file: a FIFO that
// happens to be named like an archive must not block the caller.
int openRegularFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

struct ArchiveReader {
    struct archive* a = nullptr;
    int fd = -1;
    ~ArchiveReader()
    {
        if (a)
            archive_read_free(a);
        if (fd >= 0)
            ::close(fd);
    }
};

bool openReader(ArchiveReader& r, const std::string& path, KlmArchiveKind kind, std::string& error)
{
    r.a = archive_read_new();
    if (!r.a) {
        error = "out of memory";
        return false;
    }
    if (kind == KlmArchiveKind::Zip) {
        // No header charset is set: libarchive then hands out zip names as
        // stored, and klmZipNativeName decodes them exactly as the reader
        // of the first member does (a fixed CP932 conversion would garble
        // the UTF-8 names that zips made on Linux carry without the flag).
        archive_read_support_format_zip(r.a);
    } else {
        archive_read_support_format_7zip(r.a);
    }
    r.fd = openRegularFile(path, error);
    if (r.fd < 0)
        return false;
    if (archive_read_open_fd(r.a, r.fd, 1 << 16) != ARCHIVE_OK) {
        error = klmArchiveErrorText(r.a, "cannot open archive");
        return false;
    }
    return true;
}

// The relative path a member is written to, the same one the first-member
// readers report.
std::string nativeMemberName(KlmArchiveKind kind, const char* name, bool* exact = nullptr)
{
    if (kind == KlmArchiveKind::Zip)
        return klmZipNativeName(name, exact);
    std::string native = name;
    slashSeparators(native);
    return native;
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

// Reads the current entry's data, computing its CRC and size, and writes it
// to out when given.
bool copyEntryData(struct archive* in, struct archive* out, KlmArchiveEntry& e, std::string& error)
{
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(in, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            return true;
        if (r != ARCHIVE_OK) {  // a CRC error is only a warning to libarchive
            error = klmArchiveErrorText(in, "archive data is corrupt");
            return false;
        }
        if (offset < 0 || uint64_t(offset) < e.size) {
            error = "archive data is out of order";
            return false;
        }
        if (uint64_t(offset) > e.size) {  // a hole: the gap reads as zeros
            const std::string zeros(size_t(uint64_t(offset) - e.size), '\0');
            e.crc = klmCrc32(zeros.data(), zeros.size(), e.crc);
        }
        e.crc = klmCrc32(block, size, e.crc);
        e.size = uint64_t(offset) + size;
        if (out && archive_write_data_block(out, block, size, offset) != ARCHIVE_OK) {
            error = klmArchiveErrorText(out, "cannot write extracted file");
            return false;
        }
    }
}

enum class EntryKind { File, Folder, Other };

// The kind and native name of the entry a reader stands on.
EntryKind describeEntry(KlmArchiveKind kind, struct archive_entry* entry, KlmArchiveEntry& e)
{
    const char* name = archive_entry_pathname(entry);
    e = KlmArchiveEntry();
    e.name = name ? nativeMemberName(kind, name, &e.nameExact) : std::string();
    e.mtime = archive_entry_mtime(entry);
    e.mtimeNsec = archive_entry_mtime_nsec(entry);
    const auto type = archive_entry_filetype(entry);
    if (type == AE_IFDIR) {
        e.folder = true;
        while (!e.name.empty() && e.name.back() == '/')
            e.name.pop_back();
        return EntryKind::Folder;
    }
    return type == AE_IFREG && !archive_entry_hardlink(entry) ? EntryKind::File : EntryKind::Other;
}

}  // namespace

KlmArchiveKind klmArchiveKindOf(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return KlmArchiveKind::None;
    const std::string_view ext = name.substr(dot);
    if (ext == ".zip" || ext == ".ZIP")
        return KlmArchiveKind::Zip;
    if (ext == ".7z" || ext == ".7Z")
        return KlmArchiveKind::SevenZip;
    return KlmArchiveKind::None;
}

std::string klmZipNativeName(std::string_view raw, bool* exact)
{
    std::string native = klmIsValidUtf8(raw) ? std::string(raw) : klmToUtf8(raw, exact);
    slashSeparators(native);
    return native;
}

bool klmIsUnsafeMemberName(std::string_view name, bool cp932)
{
    if (name.empty())
        return false;
    if (name[0] == '/' || name[0] == '\\')
        return true;
    if (name.size() >= 2 && name[1] == ':'
        && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return true;
    size_t partStart = 0;
    for (size_t i = 0; i <= name.size();) {
        const unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : '/';
        if (cp932 && i < name.size() && klmIsLeadByte(c) && i + 1 < name.size()) {
            i += 2;
            continue;
        }
        if (c == '/' || c == '\\') {
            if (name.substr(partStart, i - partStart) == "..")
                return true;
            partStart = i + 1;
        }
        ++i;
    }
    return false;
}

KlmArchiveMember klmReadFirstMemberZip(const std::string& archivePath)
{
    KlmArchiveMember failed;
    const int fd = openRegularFile(archivePath, failed.error);
    if (fd < 0)
        return failed;
    int code = 0;
    zip_t* za = zip_fdopen(fd, ZIP_RDONLY, &code);  // takes the descriptor on success
    if (!za) {
        ::close(fd);
        failed.error = zipErrorText(code);
        return failed;
    }
    KlmArchiveMember m = readZipFirstMember(za);
    zip_discard(za);
    return m;
}

KlmArchiveMember klmReadFirstMemberZipBuffer(const void* data, size_t size)
{
    KlmArchiveMember m;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(size ? data : nullptr, size, 0, &error);
    if (!src) {
        m.error = zip_error_strerror(&error);
        zip_error_fini(&error);
        return m;
    }
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &error);
    if (!za) {
        m.error = zip_error_strerror(&error);
        zip_source_free(src);
        zip_error_fini(&error);
        return m;
    }
    zip_error_fini(&error);
    m = readZipFirstMember(za);
    zip_discard(za);
    return m;
}

KlmArchiveMember klmReadFirstMember(const std::string& archivePath)
{
    switch (klmArchiveKindOf(archivePath)) {
    case KlmArchiveKind::Zip:
        return klmReadFirstMemberZip(archivePath);
    case KlmArchiveKind::SevenZip:
        return klmReadFirstMember7z(archivePath);
    case KlmArchiveKind::None:
        break;
    }
    KlmArchiveMember m;
    m.error = "not a zip or 7z archive";
    return m;
}

KlmExtractResult klmExtractArchive(const std::string& archivePath, const std::string& folder)
{
    KlmExtractResult result;
    const KlmArchiveKind kind = klmArchiveKindOf(archivePath);
    if (kind == KlmArchiveKind::None) {
        result.error = "not a zip or 7z archive";
        return result;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) {
        result.error = folder + ": " + std::strerror(errno);
        return result;
    }
    // Resolved once, so that the symlink check below only ever judges the
    // parts that come from the archive.
    std::string base = real;
    std::free(real);
    if (base != "/")
        base += '/';

    KlmUtf8LocaleScope locale;

    // First pass: every name is looked at before anything is written, so a
    // hostile archive leaves the folder untouched.
    {
        ArchiveReader r;
        if (!openReader(r, archivePath, kind, result.error))
            return result;
        struct archive_entry* entry = nullptr;
        int rc;
        while ((rc = archive_read_next_header(r.a, &entry)) == ARCHIVE_OK) {
            const char* name = archive_entry_pathname(entry);
            if (!name) {
                result.error = "member name cannot be converted";
                return result;
            }
            const std::string native = nativeMemberName(kind, name);
            if (klmIsUnsafeMemberName(native, false)) {
                result.error = "unsafe member name: " + native;
                return result;
            }
        }
        if (rc != ARCHIVE_EOF) {
            result.error = klmArchiveErrorText(r.a, "archive is corrupt");
            return result;
        }
    }

    ArchiveReader r;
    if (!openReader(r, archivePath, kind, result.error))
        return result;
    KlmArchiveWriteHandle w;
    w.a = archive_write_disk_new();
    // The destination is absolute by construction (base + member name), so
    // libarchive's absolute-path refusal cannot be used; member names that
    // are absolute were refused above.
    archive_write_disk_set_options(w.a, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT
                                            | ARCHIVE_EXTRACT_SECURE_SYMLINKS);

    std::set<std::string> written;
    bool ok = true;
    struct archive_entry* entry = nullptr;
    int rc;
    while (ok && (rc = archive_read_next_header(r.a, &entry)) == ARCHIVE_OK) {
        KlmArchiveEntry e;
        const EntryKind type = describeEntry(kind, entry, e);
        if (type != EntryKind::File) {
            if (type == EntryKind::Folder && !e.name.empty())
                result.entries.push_back(std::move(e));
            else
                ++result.skipped;
            archive_read_data_skip(r.a);
            continue;
        }
        if (e.name.empty()) {
            result.error = "member without a name";
            ok = false;
            break;
        }
        const std::string target = base + e.name;
        if (sameFile(target, archivePath)) {
            result.error = "member would overwrite the archive: " + e.name;
            ok = false;
            break;
        }
        archive_entry_copy_pathname(entry, target.c_str());
        archive_entry_set_perm(entry, 0644);
        if (archive_write_header(w.a, entry) != ARCHIVE_OK) {
            result.error = klmArchiveErrorText(w.a, "cannot write extracted file");
            ok = false;
            break;
        }
        if (written.insert(target).second)
            result.files.push_back(target);
        else
            ++result.skipped;  // the later copy replaced the earlier one on disk
        if (!copyEntryData(r.a, w.a, e, result.error)) {
            ok = false;
            break;
        }
        if (archive_write_finish_entry(w.a) != ARCHIVE_OK) {
            result.error = klmArchiveErrorText(w.a, "cannot write extracted file");
            ok = false;
        }
        e.path = target;
        result.entries.push_back(std::move(e));
    }
    if (ok && rc != ARCHIVE_EOF) {
        result.error = klmArchiveErrorText(r.a, "archive is corrupt");
        ok = false;
    }
    if (ok && archive_write_close(w.a) != ARCHIVE_OK) {
        result.error = klmArchiveErrorText(w.a, "cannot write extracted file");
        ok = false;
    }
    if (!ok) {
        // A half-extracted set is of no use to any caller.
        for (const std::string& path : result.files)
            ::unlink(path.c_str());
        result.files.clear();
        result.entries.clear();
        return result;
    }
    result.ok = true;
    return result;
}

KlmArchiveListing klmListArchive(const std::string& archivePath)
{
    KlmArchiveListing listing;
    const KlmArchiveKind kind = klmArchiveKindOf(archivePath);
    if (kind == KlmArchiveKind::None) {
        listing.error = "not a zip or 7z archive";
        return listing;
    }
    KlmUtf8LocaleScope locale;
    ArchiveReader r;
    if (!openReader(r, archivePath, kind, listing.error))
        return listing;
    struct archive_entry* entry = nullptr;
    int rc;
    while ((rc = archive_read_next_header(r.a, &entry)) == ARCHIVE_OK) {
        KlmArchiveEntry e;
        const EntryKind type = describeEntry(kind, entry, e);
        if (type == EntryKind::Other) {
            ++listing.skipped;
            continue;
        }
        if (type == EntryKind::File && !copyEntryData(r.a, nullptr, e, listing.error))
            return listing;
        listing.entries.push_back(std::move(e));
    }
    if (rc != ARCHIVE_EOF) {
        listing.error = klmArchiveErrorText(r.a, "archive is corrupt");
        return listing;
    }
    listing.ok = true;
    return listing;
}

bool klmRunArchiverSelfTest(std::string* error)
{
    std::error_code ec;
    const fs::path tempRoot = fs::temp_directory_path(ec);
    if (ec) {
        if (error)
            *error = ec.message();
        return false;
    }
    std::string dir = (tempRoot / "kolmar-selftest-XXXXXX").string();
    if (!::mkdtemp(dir.data())) {
        if (error)
            *error = dir + ": " + std::strerror(errno);
        return false;
    }
    const std::string text = "Kolmar archiver self-test\r\n";
    const std::string file = dir + "/a.txt";
    const std::string archive = dir + "/a.zip";
    bool ok = false;
    std::string why;
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok) {
        why = file + ": cannot write";
    } else if (!klmCreateZip(archive, file, "a.txt", 9, &why)) {
        ok = false;
    } else {
        const KlmArchiveMember m = klmReadFirstMemberZip(archive);
        ok = m.ok && m.name == "a.txt" && m.crc == klmCrc32(text.data(), text.size());
        if (!ok)
            why = m.ok ? "archive does not hold the file" : m.error;
    }
    fs::remove_all(dir, ec);
    if (!ok && error)
        *error = why;
    return ok;
}
