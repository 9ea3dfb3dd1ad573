// save\window.dat: where the main window reopens. Eleven signed values in
// SectionFile framing, the fields of the platform's window-placement
// record. A window closed while minimized is stored as maximized or
// restored, never minimized.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct KlmWindowPlacement {
    static constexpr int32_t kRecordLength = 44;

    int32_t length = kRecordLength;
    int32_t flags = 0;     // 2: restore to maximized
    int32_t showCmd = 1;   // 1 normal, 3 maximized, 9 restore
    int32_t minX = -1;
    int32_t minY = -1;
    int32_t maxX = -1;
    int32_t maxY = -1;
    int32_t left = 0;      // normal (restored) rectangle, screen pixels
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Show states of the placement record.
inline constexpr int32_t kKlmShowNormal = 1;
inline constexpr int32_t kKlmShowMinimized = 2;
inline constexpr int32_t kKlmShowMaximized = 3;
inline constexpr int32_t kKlmShowMinimizedNoActive = 6;
inline constexpr int32_t kKlmShowRestore = 9;
inline constexpr int32_t kKlmPlaceRestoreToMaximized = 2;

// The show state to store: a minimized window (2 or 6) becomes maximized
// (3) when its flags are exactly "restore to maximized" (2), otherwise
// restore (9); any other state is kept.
int32_t klmSavedShowState(int32_t showCmd, int32_t flags);

enum class KlmWindowFileStatus {
    Read,        // all eleven values read
    Missing,     // no file: the caller uses the first-run geometry
    Unreadable,  // exists but could not be read
    Incomplete,  // fewer than eleven values, or one beyond 32 bits
};

// Fills p only when every value could be read.
KlmWindowFileStatus klmParseWindowImage(std::string_view image, KlmWindowPlacement& p);
KlmWindowFileStatus klmReadWindowFile(const std::string& path, KlmWindowPlacement& p,
                                      std::string* error = nullptr);

// The file image, with the minimized rule applied; CRLF line ends.
std::string klmWindowFileImage(const KlmWindowPlacement& p);
bool klmWriteWindowFile(const std::string& path, const KlmWindowPlacement& p, std::string* error = nullptr);

// A rectangle in screen pixels (right and bottom exclusive).
struct KlmScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// True when the placement can be applied as it is: the record length the
// platform expects, known flags, a show state the writer produces, a
// non-empty normal rectangle of a plausible size, and (when work areas are
// given) a title bar the user can reach on one of them. Otherwise the
// window side falls back to the first-run geometry (klmFirstRunWindowRect).
bool klmIsSanePlacement(const KlmWindowPlacement& p, const std::vector<KlmScreenRect>& workAreas);
