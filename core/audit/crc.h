// CRC-32 texts of ROM files and of the first member of zip and 7z archives.
//
// A CRC text is exactly 8 upper-case hexadecimal digits ("0000ABCD"), or
// empty when no CRC could be computed. The audit compares these texts with
// the catalogue's CRC32 texts byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Standard CRC-32 (reflected 0xEDB88320, initial and final inversion),
// continued from crc (0 to start). Any length, including 0.
uint32_t klmCrc32(const void* data, size_t size, uint32_t crc = 0);

// klmCrc32 over memory that may fault while it is read (a mapped file that
// another process truncates). False, instead of a crash, when it faults.
bool klmCrc32Guarded(const void* data, size_t size, uint32_t& crc);

// "%08X" of value.
std::string klmFormatCrcText(uint32_t value);

// True when the extension of the path's file name (from its last dot) is
// exactly ".zip", ".ZIP", ".7z" or ".7Z". Other mixtures of case (".Zip")
// are plain files.
bool klmIsArchive(std::string_view path);

// Base name of an archive member name (CP932): the folder part (up to the
// last '/' or '\') and the extension (from the last dot) removed, cut to
// 259 bytes without splitting a double-byte character.
std::string klmMemberBaseName(std::string_view cp932Name);

// CRC text of the whole contents of a plain file, read through a read-only
// memory mapping in one pass. Empty for an empty file, a file of 4 GiB or
// more ("<path> is too large" on stderr) and any file that cannot be opened
// or mapped (the system's message on stderr).
std::string klmFileCrcText(const std::string& path);

struct KlmArchiveCrc {
    std::string crc;         // CRC text, empty when the archive could not be read
    std::string memberBase;  // base name of the first member (CP932)
};

// CRC text that the archive records for its first member, and that member's
// base name; the member is not unpacked. Unreadable, corrupt and hostile
// archives give an empty CRC text (reason on stderr).
KlmArchiveCrc klmArchiveCrcText(const std::string& path);

// Either of the two above, chosen by klmIsArchive(path).
KlmArchiveCrc klmRomCrcText(const std::string& path);
