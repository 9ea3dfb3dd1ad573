#include "rename/naming.h"

#include <unordered_map>
#include <unordered_set>

#include "audit/ownership.h"
#include "text/cp932.h"

namespace {

constexpr size_t kNameLimit = 260;  // a target name must fit its field
// Work buffers of the expansion: past this an expansion is abandoned
// rather than followed (a title made of tokens could otherwise grow the
// text by a factor of 60 at each of the eight steps).
constexpr size_t kWorkLimit = 1024;
constexpr int kMaxSuffixes = 4;

struct Forbidden {
    std::string_view ascii;
    std::string_view fullWidth;  // CP932
};

// Characters a Windows file name may not hold, in replacement order.
constexpr Forbidden kForbidden[] = {
    {"\\", "\x81\x8f"},  // ￥
    {"/", "\x81\x5e"},   // ／
    {":", "\x81\x46"},   // ：
    {"*", "\x81\x96"},   // ＊
    {"?", "\x81\x48"},   // ？
    {"\"", "\x81\x68"},  // ”
    {"<", "\x81\x83"},   // ＜
    {">", "\x81\x84"},   // ＞
    {"|", "\x81\x62"},   // ｜
};

constexpr const char* kLevelNames[kKlmCompressionLevelCount] = {
    "無圧縮", "最速", "速度重視", "標準", "圧縮重視", "最高圧縮",
};
constexpr int32_t kLevelMx[kKlmCompressionLevelCount] = {0, 1, 3, 5, 7, 9};

bool validLevel(int32_t index) { return index >= 0 && index < kKlmCompressionLevelCount; }

std::string_view tableName(const std::vector<MasterEntry>& table, int32_t position)
{
    if (position < 0 || size_t(position) >= table.size()) return {};
    return klmField(table[size_t(position)].name);
}

// Developer and publisher names live in the record as well; the record's own
// text stands in when its number does not lead into the table.
std::string_view makerName(const std::vector<MasterEntry>& table, int32_t position, std::string_view own)
{
    if (position < 0 || size_t(position) >= table.size()) return own;
    return klmField(table[size_t(position)].name);
}

// Appends "(1)", "(2)" … while taken(name) holds, at most four times.
template <typename Taken>
std::string makeUnique(std::string name, const Taken& taken)
{
    for (int match = 1; taken(name); ++match) {
        if (match > kMaxSuffixes) break;
        name += '(' + std::to_string(match) + ')';
        if (name.size() >= kNameLimit) return {};
    }
    return name;
}

}  // namespace

const char* klmCompressionLevelName(int32_t index)
{
    return kLevelNames[validLevel(index) ? index : kKlmDefaultCompressionLevel];
}

int32_t klmCompressionLevelMx(int32_t index)
{
    return kLevelMx[validLevel(index) ? index : kKlmDefaultCompressionLevel];
}

KlmPatternCheck klmValidateRenamePattern(std::string_view pattern)
{
    const bool title = klmContainsText(pattern, "%n");
    const bool english = klmContainsText(pattern, "%e");
    if (!title && !english) return KlmPatternCheck::NoTitleToken;
    if (title && english) return KlmPatternCheck::BothTitleTokens;
    return KlmPatternCheck::Valid;
}

KlmPatternCheck klmCheckRenamePatternText(std::string_view typed, std::string* cp932)
{
    std::string pattern;
    const KlmFieldFit fit = klmFitField(typed, sizeof(Settings::renamePattern), &pattern);
    const KlmPatternCheck check = fit == KlmFieldFit::NotCp932  ? KlmPatternCheck::NotCp932
                                  : fit == KlmFieldFit::TooLong ? KlmPatternCheck::TooLong
                                                                : klmValidateRenamePattern(pattern);
    if (cp932)
        *cp932 = std::move(pattern);
    return check;
}

const char* klmPatternCheckMessage(KlmPatternCheck check)
{
    switch (check) {
    case KlmPatternCheck::NoTitleToken: return "%n 又は %e が含まれないといけません";
    case KlmPatternCheck::BothTitleTokens: return "%n と %e は共存できません";
    case KlmPatternCheck::NotCp932: return "リネーム用文字列に Shift-JIS で表せない文字が含まれています";
    case KlmPatternCheck::TooLong: return "リネーム用文字列が長すぎます (半角259文字まで)";
    case KlmPatternCheck::Valid: break;
    }
    return "";
}

std::string klmExpandTargetName(std::string_view pattern, const GameRecord& game, const Catalogue& cat,
                                bool* tooLong)
{
    const std::string_view values[] = {
        klmField(game.title),
        klmField(game.englishTitle),
        tableName(cat.hardware, game.hardware),
        tableName(cat.software, game.software),
        makerName(cat.developer, game.developerNumber, klmField(game.developer)),
        makerName(cat.publisher, game.publisherNumber, klmField(game.publisher)),
        tableName(cat.genre, game.genre),
        klmField(game.imageNumberText),
    };
    static_assert(std::size(values) == std::size(kKlmRenameTokens));

    if (tooLong) *tooLong = false;
    auto overflow = [&] {
        if (tooLong) *tooLong = true;
        return std::string();
    };

    std::string text(pattern);
    for (size_t t = 0; t < std::size(values); ++t) {
        const std::string_view token = kKlmRenameTokens[t].token;
        if (!klmContainsText(text, token)) continue;
        text = klmReplaceText(text, token, values[t]);
        if (text.size() >= kWorkLimit) return overflow();
    }
    for (const Forbidden& f : kForbidden) {
        if (!klmContainsText(text, f.ascii)) continue;
        text = klmReplaceText(text, f.ascii, f.fullWidth);
        if (text.size() >= kWorkLimit) return overflow();
    }
    if (text.size() >= kNameLimit) return overflow();
    return text;
}

std::string klmUniqueTargetName(std::string candidate, const Catalogue& cat, int32_t index)
{
    if (index < 0 || index >= klmGameCount(cat)) return candidate;
    const int32_t hardware = cat.games[size_t(index)].hardware;
    return makeUnique(std::move(candidate), [&](const std::string& name) {
        for (int32_t j = 0; j < index; ++j) {
            const GameRecord& g = cat.games[size_t(j)];
            if (g.hardware == hardware && klmField(g.targetName) == name) return true;
        }
        return false;
    });
}

std::string klmTargetName(std::string_view pattern, const Catalogue& cat, int32_t index)
{
    if (index < 0 || index >= klmGameCount(cat)) return {};
    bool tooLong = false;
    std::string candidate = klmExpandTargetName(pattern, cat.games[size_t(index)], cat, &tooLong);
    if (tooLong) return {};
    return klmUniqueTargetName(std::move(candidate), cat, index);
}

void klmUpdateAllTargetNames(Catalogue& cat, const Settings& settings,
                             const std::function<void(int32_t percent)>& progress)
{
    const std::string_view pattern = klmField(settings.renamePattern);
    const bool insideArchives = settings.renameInsideArchives != 0;
    const int32_t count = klmGameCount(cat);
    // The names given so far on each hardware: the same answer as comparing
    // with every earlier game, without the quadratic walk.
    std::unordered_map<int32_t, std::unordered_set<std::string>> given;

    for (int32_t i = 0; i < count; ++i) {
        if (progress && i % 100 == 0) progress(int32_t(int64_t(i) * 100 / count));
        GameRecord& g = cat.games[size_t(i)];
        std::unordered_set<std::string>& names = given[g.hardware];
        if (!klmHasSpecialCrc(g)) {
            bool tooLong = false;
            std::string name = klmExpandTargetName(pattern, g, cat, &tooLong);
            if (!tooLong)
                name = makeUnique(std::move(name), [&](const std::string& n) { return names.count(n) != 0; });
            klmCopyField(g.targetName, name);
            if (g.ownership != kKlmNotOwned && !name.empty()) g.ownership = klmOwnedStatusOf(g, insideArchives);
        }
        names.insert(std::string(klmField(g.targetName)));
    }
}
