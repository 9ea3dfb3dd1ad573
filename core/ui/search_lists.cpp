#include "ui/search_lists.h"

#include <algorithm>
#include <cstdio>

#include "text/cp932.h"

namespace {

constexpr int32_t kUnknownDate = 99999999;

bool knownDate(int32_t date) { return date != 0 && date != kUnknownDate; }

}  // namespace

void klmComputeSearchRanges(const Catalogue& cat, SearchCondition& cond)
{
    int32_t first = 0, last = 0, top = 0;
    bool any = false;
    for (const GameRecord& g : cat.games) {
        if (knownDate(g.releaseDate)) {
            int32_t year = g.releaseDate / 10000 * 10000;
            if (!any || year < first) first = year;
            if (!any || year > last) last = year;
            any = true;
        }
        if (g.price >= 1000 && g.price != kKlmUnknownPrice) top = std::max(top, g.price / 1000 * 1000);
    }
    cond.yearBase = first;
    cond.yearTop = last;
    cond.priceBase = 1000;
    cond.priceTop = top;
}

std::vector<std::string> klmYearItems(const SearchCondition& cond)
{
    std::vector<std::string> items{klmFromUtf8("全て(発売年)")};
    // No dated game: the list keeps its "all" entry only.
    if (cond.yearBase <= 0 || cond.yearTop < cond.yearBase) return items;
    int32_t entries = (cond.yearTop - cond.yearBase) / 10000 + 1;
    std::string suffix = klmFromUtf8("年");
    for (int32_t i = 1; i <= entries; ++i) {
        items.push_back(std::to_string(cond.yearBase / 10000 + i - 1) + suffix);
    }
    return items;
}

std::vector<std::string> klmPriceItems(const SearchCondition& cond)
{
    std::vector<std::string> items{klmFromUtf8("全て(価格)")};
    std::string suffix = klmFromUtf8(",000円");
    for (int32_t i = 1; i <= cond.priceTop / 1000; ++i) items.push_back(std::to_string(i) + suffix);
    return items;
}

std::vector<std::string> klmRomSizeItems(const Catalogue& cat)
{
    std::vector<std::string> items{klmFromUtf8("全て(ロムサイズ)")};
    for (const MasterEntry& e : cat.romSize) items.emplace_back(klmField(e.name));
    return items;
}

const std::vector<std::string>& klmSearchKindLabels()
{
    static const std::vector<std::string> labels = [] {
        const char* utf8[] = {
            "全て(文字列検索)", "タイトル文字列 / 仮名 / 英字", "タイトル文字列", "タイトル仮名",
            "タイトル英字", "ハード", "ソフト / 基板", "開発元 / 発売元", "開発元", "発売元",
            "ジャンル", "画面", "発売日", "価格", "画像番号", "動画", "アーケードファイル", "備考",
            "CRC32", "ロムファイル", "ロムサイズ", "型番"};
        std::vector<std::string> v;
        for (const char* s : utf8) v.push_back(klmFromUtf8(s));
        return v;
    }();
    return labels;
}

KlmValueResult klmConditionForGame(const Catalogue& cat, const SearchCondition& cond, int32_t game,
                                   KlmGameValue which, int32_t* value)
{
    if (game < 0 || game >= klmGameCount(cat)) return KlmValueResult::NoChange;
    const GameRecord& g = cat.games[static_cast<size_t>(game)];
    switch (which) {
    case KlmGameValue::Hardware: *value = g.hardware + 1; return KlmValueResult::Value;
    case KlmGameValue::Software: *value = g.software + 1; return KlmValueResult::Value;
    case KlmGameValue::Developer: *value = g.developerNumber + 1; return KlmValueResult::Value;
    case KlmGameValue::Publisher: *value = g.publisherNumber + 1; return KlmValueResult::Value;
    case KlmGameValue::Genre: *value = g.genre + 1; return KlmValueResult::Value;
    case KlmGameValue::Screen: *value = g.screen + 1; return KlmValueResult::Value;
    case KlmGameValue::Year:
        if (!knownDate(g.releaseDate)) return KlmValueResult::Beep;
        *value = g.releaseDate / 10000 - cond.yearBase / 10000 + 1;
        return KlmValueResult::Value;
    case KlmGameValue::Price:
        if (g.price == 0 || g.price == kKlmUnknownPrice) return KlmValueResult::Beep;
        *value = g.price / 1000 + (g.price < 1000 ? 1 : 0) - cond.priceBase / 1000 + 1;
        return KlmValueResult::Value;
    case KlmGameValue::RomSize: {
        if (g.romSize == 0 || g.romSize == kKlmUnknownRomSize) return KlmValueResult::Beep;
        int64_t tolerance = g.romSize < 524288 ? 1024 : 10240;
        for (size_t n = 0; n < cat.romSize.size(); ++n) {
            int64_t diff = static_cast<int64_t>(cat.romSize[n].value) - g.romSize;
            if (diff >= -tolerance && diff <= tolerance) {
                *value = static_cast<int32_t>(n) + 1;
                return KlmValueResult::Value;
            }
        }
        return KlmValueResult::NoChange;
    }
    }
    return KlmValueResult::NoChange;
}

int32_t klmClampVolume(int32_t volume) { return std::clamp(volume, 0, 100); }
int32_t klmClampSpeed(int32_t speed) { return std::clamp(speed, 600, 2000); }

int32_t klmAutoSelectNext(int32_t order, int32_t current, int32_t count, uint32_t random)
{
    if (count < 2) return -1;
    switch (order) {
    case 1: return (current + count - 1) % count;
    case 2: {
        int32_t r = static_cast<int32_t>(random % static_cast<uint32_t>(count));
        return r == current ? (current + 1) % count : r;
    }
    default: return (current + 1) % count;
    }
}
