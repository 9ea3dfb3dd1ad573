// Pieces the archive reader, writer and extractor share (internal to
// core/audit): the UTF-8 locale scope libarchive's name conversions need,
// and owners of libarchive handles.
#pragma once

#include <archive.h>

#include <locale.h>

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

struct KlmArchiveInput;

// Switches the calling thread to a UTF-8 locale for its lifetime, so that
// libarchive converts 7z names (UTF-16) to and from UTF-8 file-system paths
// whatever locale the process runs in.
struct KlmUtf8LocaleScope {
    locale_t previous = nullptr;

    KlmUtf8LocaleScope();
    ~KlmUtf8LocaleScope();
    KlmUtf8LocaleScope(const KlmUtf8LocaleScope&) = delete;
    KlmUtf8LocaleScope& operator=(const KlmUtf8LocaleScope&) = delete;
};

struct KlmArchiveWriteHandle {
    struct archive* a = nullptr;
    ~KlmArchiveWriteHandle()
    {
        if (a)
            archive_write_free(a);
    }
};

inline std::string klmArchiveErrorText(struct archive* a, const char* fallback)
{
    const char* text = a ? archive_error_string(a) : nullptr;
    return text ? text : fallback;
}

bool klmIsValidUtf8(std::string_view s);

// Opens path for reading when it is a regular file (a FIFO named like a ROM
// must not block); st receives its status. −1 and error otherwise.
int klmOpenRegularFile(const std::string& path, struct stat& st, std::string& error);

// Writes a non-solid 7z archive of inputs to fd (at its start): each file in
// a folder of its own, LZMA2 at -mx level (1..9) or copied (0).
bool klmWrite7zArchive(int fd, const std::vector<KlmArchiveInput>& inputs, int level, std::string& error);

// Permission bits for a new file (0666 less the process's umask), read
// without changing the umask, which other threads may rely on meanwhile.
mode_t klmNewFileMode();
