#include "settings/window_file.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "text/file_io.h"
#include "text/section_file.h"

namespace {

// Beyond any screen; a larger window is damage, not a choice.
constexpr int64_t kMaxWindowSide = 32767;
// How much of the title bar must lie on a work area to be grabbed.
constexpr int64_t kMinVisibleTitleWidth = 64;
constexpr int64_t kTitleBarHeight = 24;
// A normal rectangle may start a little above its work area (the frame
// border of a window pushed to the top).
constexpr int64_t kTopSlack = 32;

int32_t* placementValues(KlmWindowPlacement& p, int index)
{
    int32_t* fields[] = {&p.length, &p.flags, &p.showCmd, &p.minX, &p.minY, &p.maxX,
                         &p.maxY, &p.left, &p.top, &p.right, &p.bottom};
    return fields[index];
}

constexpr int kValueCount = 11;

}  // namespace

int32_t klmSavedShowState(int32_t showCmd, int32_t flags)
{
    if (showCmd == kKlmShowMinimized || showCmd == kKlmShowMinimizedNoActive)
        return flags == kKlmPlaceRestoreToMaximized ? kKlmShowMaximized : kKlmShowRestore;
    return showCmd;
}

KlmWindowFileStatus klmParseWindowImage(std::string_view image, KlmWindowPlacement& p)
{
    KlmSectionReader lines = klmMakeWholeLineReader(image);
    std::string line;
    klmReadLine(lines, line);  // "[BEGIN]", not tested
    KlmWindowPlacement read;
    for (int i = 0; i < kValueCount; ++i) {
        if (!klmReadLine(lines, line))
            return KlmWindowFileStatus::Incomplete;
        long long v = klmLeadingInt(line);
        if (v < INT32_MIN || v > INT32_MAX)
            return KlmWindowFileStatus::Incomplete;
        *placementValues(read, i) = static_cast<int32_t>(v);
    }
    p = read;
    return KlmWindowFileStatus::Read;
}

KlmWindowFileStatus klmReadWindowFile(const std::string& path, KlmWindowPlacement& p, std::string* error)
{
    // Only a path with nothing at it is "missing"; a folder or a file
    // without read permission there is a failure the caller reports.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return KlmWindowFileStatus::Missing;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return KlmWindowFileStatus::Unreadable;
    return klmParseWindowImage(image, p);
}

std::string klmWindowFileImage(const KlmWindowPlacement& p)
{
    KlmWindowPlacement out = p;
    out.showCmd = klmSavedShowState(p.showCmd, p.flags);
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    for (int i = 0; i < kValueCount; ++i)
        klmWriteInt(w, *placementValues(out, i));
    klmWriteLine(w, "[END]");
    return std::move(w.out);
}

bool klmWriteWindowFile(const std::string& path, const KlmWindowPlacement& p, std::string* error)
{
    return klmWriteFileAtomic(path, klmWindowFileImage(p), error);
}

bool klmIsSanePlacement(const KlmWindowPlacement& p, const std::vector<KlmScreenRect>& workAreas)
{
    if (p.length != KlmWindowPlacement::kRecordLength)
        return false;
    if (p.flags < 0 || p.flags > 7)  // the three placement flag bits
        return false;
    if (p.showCmd != kKlmShowNormal && p.showCmd != kKlmShowMaximized && p.showCmd != kKlmShowRestore)
        return false;
    const int64_t width = int64_t(p.right) - p.left;
    const int64_t height = int64_t(p.bottom) - p.top;
    if (width <= 0 || height <= 0 || width > kMaxWindowSide || height > kMaxWindowSide)
        return false;
    if (workAreas.empty())
        return true;
    for (const KlmScreenRect& a : workAreas) {
        const int64_t overlap = std::min<int64_t>(p.right, a.right) - std::max<int64_t>(p.left, a.left);
        if (overlap >= kMinVisibleTitleWidth && int64_t(p.top) >= int64_t(a.top) - kTopSlack
            && int64_t(p.top) + kTitleBarHeight <= a.bottom)
            return true;
    }
    return false;
}
