#include "audit/ownership.h"

#include <cstdio>
#include <cstring>

#include "audit/crc.h"
#include "text/cp932.h"

namespace {

// CP932 texts of the statistics.
constexpr std::string_view kRule = "---------------------------------------------";
constexpr std::string_view kAllGames = "\x91\x8d\x8d\x87";                           // 総合
constexpr std::string_view kGamesLabel = "\x83\x51\x81\x5b\x83\x80\x90\x94\x81\x46";  // ゲーム数：
constexpr std::string_view kOwnedLabel = "\x8f\x8a\x97\x4c\x81\x46";                  // 所有：
constexpr std::string_view kNotOwnedLabel = "\x96\xa2\x8f\x8a\x97\x4c\x81\x46";       // 未所有：
constexpr std::string_view kRatioLabel = "\x8f\x8a\x97\x4c\x97\xa6\x81\x46";          // 所有率：
constexpr std::string_view kPercent = "\x81\x93";                                     // ％
constexpr std::string_view kLineEnd = "\r\n";

bool isSeparator(unsigned char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    // A backslash is an ordinary character of a POSIX file name.
    return c == '/';
#endif
}

// Clears a field only when it holds anything: the start-up pass meets
// every record, and one loaded from dat.cache is a page of the file,
// copied the moment it is written.
template <size_t N>
void clearField(char (&field)[N])
{
    for (char c : field)
        if (c != 0) {
            std::memset(field, 0, N);
            return;
        }
}

void clearFound(GameRecord& g)
{
    clearField(g.foundPath);
    clearField(g.memberName);
}

void appendSection(std::string& out, std::string_view name, KlmOwnershipCount count)
{
    // 0 ÷ 0 has no ratio; a hardware without games shows nothing owned.
    const double ratio = count.games > 0 ? double(count.owned) / double(count.games) * 100.0 : 0.0;
    char number[64];
    if (!out.empty()) out += kLineEnd;
    out += kRule;
    out += kLineEnd;
    out += name;
    out += kLineEnd;
    out += kGamesLabel;
    out += std::to_string(count.games);
    out += kLineEnd;
    out += kOwnedLabel;
    out += std::to_string(count.owned);
    out += kLineEnd;
    out += kNotOwnedLabel;
    out += std::to_string(count.games - count.owned);
    out += kLineEnd;
    out += kRatioLabel;
    std::snprintf(number, sizeof number, "%.2f", ratio);
    out += number;
    out += kPercent;
}

}  // namespace

bool klmHasSpecialCrc(const GameRecord& game)
{
    const std::string_view crc = klmField(game.crc32);
    return crc == kKlmCrcAllZeros || crc == kKlmCrcAllOnes;
}

std::string klmPathBaseName(std::string_view path)
{
    size_t start = 0;
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (klmIsLeadByte(c) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (isSeparator(c)) {
            start = i + 1;
            dot = std::string_view::npos;
        } else if (c == '.') {
            dot = i;
        }
        ++i;
    }
    if (dot == std::string_view::npos) return std::string(path.substr(start));
    return std::string(path.substr(start, dot - start));
}

bool klmHasTargetName(const GameRecord& game, bool renameInsideArchives)
{
    const std::string_view target = klmField(game.targetName);
    if (target.empty()) return false;
    const std::string_view found = klmField(game.foundPath);
    if (klmPathBaseName(found) != target) return false;
    if (renameInsideArchives && klmIsArchive(found)) return klmField(game.memberName) == target;
    return true;
}

int32_t klmOwnedStatusOf(const GameRecord& game, bool renameInsideArchives)
{
    return klmHasTargetName(game, renameInsideArchives) ? kKlmOwned : kKlmOwnedNotRenamed;
}

void klmApplySpecialCrcRule(GameRecord& g, const Settings& settings)
{
    const std::string_view crc = klmField(g.crc32);
    bool owned;
    if (crc == kKlmCrcAllZeros) owned = settings.crcZerosOwned;
    else if (crc == kKlmCrcAllOnes) owned = settings.crcOnesOwned;
    else return;
    const int32_t ownership = owned ? kKlmOwned : kKlmNotOwned;
    if (g.ownership != ownership) g.ownership = ownership;
    clearFound(g);
}

void klmApplySpecialCrcRule(Catalogue& cat, const Settings& settings)
{
    for (GameRecord& g : cat.games) klmApplySpecialCrcRule(g, settings);
}

void klmResetAudit(Catalogue& cat, const Settings& settings)
{
    for (GameRecord& g : cat.games) {
        g.ownership = kKlmNotOwned;
        clearFound(g);
    }
    klmApplySpecialCrcRule(cat, settings);
}

KlmOwnershipCount klmCountOwnership(const Catalogue& cat, int32_t hardware)
{
    KlmOwnershipCount count;
    for (const GameRecord& g : cat.games) {
        if (hardware >= 0 && g.hardware != hardware) continue;
        ++count.games;
        if (klmIsOwnedStatus(g.ownership)) ++count.owned;
        if (g.ownership == kKlmOwnedNotRenamed) ++count.notRenamed;
    }
    return count;
}

std::string klmOwnershipStatisticsText(const Catalogue& cat)
{
    // One pass over the games; hardware indices outside the table count
    // only towards the whole.
    std::vector<KlmOwnershipCount> perHardware(cat.hardware.size());
    KlmOwnershipCount all;
    for (const GameRecord& g : cat.games) {
        const bool owned = klmIsOwnedStatus(g.ownership);
        ++all.games;
        all.owned += owned;
        if (g.hardware >= 0 && size_t(g.hardware) < perHardware.size()) {
            ++perHardware[size_t(g.hardware)].games;
            perHardware[size_t(g.hardware)].owned += owned;
        }
    }
    std::string out;
    appendSection(out, kAllGames, all);
    for (size_t i = 0; i < cat.hardware.size(); ++i)
        appendSection(out, klmField(cat.hardware[i].name), perHardware[i]);
    return out;
}
