// The archiver: the first member of a zip or 7z archive (its stored name and
// CRC-32, without unpacking it), extraction of every member into a folder,
// and creation of a zip or a non-solid 7z archive from one file.
//
// Paths are native file-system paths (UTF-8 on Linux). Member names are
// handed out twice: as CP932 for the 260-byte fields of the catalogue, and
// as the native relative path that extraction gives the member.
//
// Only the first member is ever looked at. It is the first entry that is a
// file with contents: folder entries, links and empty files are passed over.
// An archive with a member name that would land outside the extraction
// folder (absolute, a drive letter, a ".." part) is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class KlmArchiveKind { None, Zip, SevenZip };

// Kind by the exact extension: ".zip"/".ZIP" and ".7z"/".7Z" only.
KlmArchiveKind klmArchiveKindOf(std::string_view path);

struct KlmArchiveMember {
    bool ok = false;
    uint32_t crc = 0;        // CRC-32 the archive records for the member
    std::string name;        // CP932, as stored (folder part included)
    std::string nativeName;  // UTF-8 relative path the member extracts to ('/' between folders)
    bool nameExact = true;   // false: the name has characters CP932 cannot hold
    std::string error;       // why ok is false
};

// First member of the archive at path, by its kind (klmArchiveKindOf).
KlmArchiveMember klmReadFirstMember(const std::string& archivePath);
KlmArchiveMember klmReadFirstMemberZip(const std::string& archivePath);
KlmArchiveMember klmReadFirstMember7z(const std::string& archivePath);
// The same readers over an archive image in memory.
KlmArchiveMember klmReadFirstMemberZipBuffer(const void* data, size_t size);
KlmArchiveMember klmReadFirstMember7zBuffer(const void* data, size_t size);

// Native (UTF-8) form of a zip member name as stored: UTF-8 when the bytes
// are valid UTF-8 (the name is flagged so, or was written on a UTF-8
// system), else CP932 as Japanese Windows tools write it; '\' becomes '/'.
// *exact is cleared when CP932 bytes could not all be converted.
std::string klmZipNativeName(std::string_view raw, bool* exact = nullptr);

// True when a member name would escape the extraction folder: it starts with
// '/' or '\', has a drive letter, or has a ".." part ('/' and '\' both
// separate parts). cp932 says how to walk the bytes (a '\' can be the second
// byte of a CP932 character); otherwise the name is UTF-8.
bool klmIsUnsafeMemberName(std::string_view name, bool cp932);

struct KlmExtractResult {
    bool ok = false;
    std::vector<std::string> files;  // native paths of every file written
    std::string error;
};

// Extracts every regular-file member of a zip or 7z archive into folder
// (created if missing), with its stored folders, overwriting existing files.
// Links, devices and other non-file entries are skipped. An archive with an
// unsafe member name is refused before anything is written; a failure
// half-way removes the files this call wrote.
KlmExtractResult klmExtractArchive(const std::string& archivePath, const std::string& folder);

// Builds a zip (Deflate, level 0 = stored) or a 7z (LZMA2, level 0 = copy)
// archive holding the one file filePath under memberName (native). Levels
// are 0..9 like 7-Zip's -mx. The archive is written beside its final path
// and renamed over it, so a failure leaves no half-written archive.
bool klmCreateZip(const std::string& archivePath, const std::string& filePath,
                  const std::string& memberName, int level, std::string* error = nullptr);
bool klmCreate7z(const std::string& archivePath, const std::string& filePath,
                 const std::string& memberName, int level, std::string* error = nullptr);

// Self-test behind Alt+Up: archives a small file in the system's temporary
// folder at level 9 and checks the result. True when it worked.
bool klmRunArchiverSelfTest(std::string* error = nullptr);
