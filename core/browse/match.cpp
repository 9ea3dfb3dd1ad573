#include "browse/match.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "browse/name_conditions.h"
#include "text/cp932.h"

namespace {

const SearchKind kSearchKinds[kKlmSearchKindCount] = {
    {0, "\x91\x53\x82\xc4(\x95\xb6\x8e\x9a\x97\xf1\x8c\x9f\x8d\xf5)"},  // 全て(文字列検索)
    {1, "\x83\x5e\x83\x43\x83\x67\x83\x8b\x95\xb6\x8e\x9a\x97\xf1 / \x89\xbc\x96\xbc / \x89\x70\x8e\x9a"},  // タイトル文字列 / 仮名 / 英字
    {2, "\x83\x5e\x83\x43\x83\x67\x83\x8b\x95\xb6\x8e\x9a\x97\xf1"},  // タイトル文字列
    {3, "\x83\x5e\x83\x43\x83\x67\x83\x8b\x89\xbc\x96\xbc"},          // タイトル仮名
    {4, "\x83\x5e\x83\x43\x83\x67\x83\x8b\x89\x70\x8e\x9a"},          // タイトル英字
    {5, "\x83\x6e\x81\x5b\x83\x68"},                                  // ハード
    {6, "\x83\x5c\x83\x74\x83\x67 / \x8a\xee\x94\xc2"},               // ソフト / 基板
    {7, "\x8a\x4a\x94\xad\x8c\xb3 / \x94\xad\x94\x84\x8c\xb3"},       // 開発元 / 発売元
    {8, "\x8a\x4a\x94\xad\x8c\xb3"},                                  // 開発元
    {9, "\x94\xad\x94\x84\x8c\xb3"},                                  // 発売元
    {10, "\x83\x57\x83\x83\x83\x93\x83\x8b"},                         // ジャンル
    {11, "\x89\xe6\x96\xca"},                                         // 画面
    {12, "\x94\xad\x94\x84\x93\xfa"},                                 // 発売日
    {13, "\x89\xbf\x8a\x69"},                                         // 価格
    {14, "\x89\xe6\x91\x9c\x94\xd4\x8d\x86"},                         // 画像番号
    {15, "\x93\xae\x89\xe6"},                                         // 動画
    {16, "\x83\x41\x81\x5b\x83\x50\x81\x5b\x83\x68\x83\x74\x83\x40\x83\x43\x83\x8b"},  // アーケードファイル
    {17, "\x94\xf5\x8d\x6c"},                                         // 備考
    {18, "CRC32"},
    {19, "\x83\x8d\x83\x80\x83\x74\x83\x40\x83\x43\x83\x8b"},         // ロムファイル
    {20, "\x83\x8d\x83\x80\x83\x54\x83\x43\x83\x59"},                 // ロムサイズ
    {21, "\x8c\x5e\x94\xd4"},                                         // 型番
};

// The fields a text test can look at, in the order kind 0 visits them.
enum Field : int {
    kTitle, kKana, kEnglish,
    kHardware, kSoftware, kDeveloper, kPublisher, kGenre, kScreen,
    kDate, kPrice, kImageNumber, kMovie, kArcade, kComment, kCrc, kFoundPath, kRomSize, kSerial,
    kFieldCount
};

static_assert(kSerial == static_cast<int>(KlmTextField::Serial) && kFieldCount == static_cast<int>(KlmTextField::Count));
static_assert(kHardware == static_cast<int>(KlmTextField::Hardware) && kDate == static_cast<int>(KlmTextField::Date));
static_assert(static_cast<int>(KlmNameCondition::Screen) == kScreen - kHardware);

constexpr uint32_t bit(Field f) { return 1u << f; }
constexpr uint32_t kAllFields = (1u << kFieldCount) - 1;
// Table-name fields, answered per table entry rather than per record.
constexpr uint32_t kTableFields =
    bit(kHardware) | bit(kSoftware) | bit(kDeveloper) | bit(kPublisher) | bit(kGenre) | bit(kScreen);

constexpr uint32_t kKindFields[kKlmSearchKindCount] = {
    kAllFields,
    bit(kTitle) | bit(kKana) | bit(kEnglish),
    bit(kTitle),
    bit(kKana),
    bit(kEnglish),
    bit(kHardware),
    bit(kSoftware),
    bit(kDeveloper) | bit(kPublisher),
    bit(kDeveloper),
    bit(kPublisher),
    bit(kGenre),
    bit(kScreen),
    bit(kDate),
    bit(kPrice),
    bit(kImageNumber),
    bit(kMovie),
    bit(kArcade),
    bit(kComment),
    bit(kCrc),
    bit(kFoundPath),
    bit(kRomSize),
    bit(kSerial),
};

uint32_t kindFields(int32_t kind)
{
    return kind >= 0 && kind < kKlmSearchKindCount ? kKindFields[kind] : 0;
}

// Table of a table-name field (index into ViewList::tableHits too).
int tableSlot(Field f) { return f - kHardware; }

// Slots are the name conditions in table order.
const std::vector<MasterEntry>& tableOf(const Catalogue& cat, int slot)
{
    return cat.*kKlmNameConditions[slot].table;
}

int32_t tableIndexOf(const GameRecord& g, int slot)
{
    return g.*kKlmNameConditions[slot].gameIndex;
}

// The name of a table entry; an index that names no entry reads as empty.
std::string_view entryName(const std::vector<MasterEntry>& table, int32_t index)
{
    if (index < 0 || static_cast<size_t>(index) >= table.size())
        return {};
    return klmField(table[static_cast<size_t>(index)].name);
}

std::string_view recordField(const GameRecord& g, Field f)
{
    switch (f) {
    case kTitle: return klmField(g.title);
    case kKana: return klmField(g.titleKana);
    case kEnglish: return klmField(g.englishTitle);
    case kDate: return klmField(g.releaseDateText);
    case kPrice: return klmField(g.priceText);
    case kImageNumber: return klmField(g.imageNumberText);
    case kMovie: return klmField(g.movieMark);
    case kArcade: return klmField(g.arcadeFile);
    case kComment: return klmField(g.comment);
    case kCrc: return klmField(g.crc32);
    case kFoundPath: return klmField(g.foundPath);
    case kRomSize: return klmField(g.romSizeText);
    case kSerial: return klmField(g.serial);
    default: return {};
    }
}

std::string_view fieldText(const Catalogue& cat, const GameRecord& g, Field f)
{
    if (bit(f) & kTableFields) {
        const int slot = tableSlot(f);
        return entryName(tableOf(cat, slot), tableIndexOf(g, slot));
    }
    return recordField(g, f);
}

std::string_view bufferView(const char (&buf)[SearchVariants::kSize])
{
    return klmField(buf);
}

// The ownership, disk, favourite, table, year, price and ROM-size tests.
bool passesConditions(const SearchCondition& cond, const GameRecord& g, const Catalogue& cat)
{
    // Ownership: one of the three shown states.
    if (!((cond.showOwned && g.ownership == kKlmOwned) ||
          (cond.showNotRenamed && g.ownership == kKlmOwnedNotRenamed) ||
          (cond.showNotOwned && g.ownership == kKlmNotOwned)))
        return false;
    if (!cond.showLaterDisks && g.disk != 0)
        return false;
    if (cond.favoritesOnly && g.favorite == 0)
        return false;

    if (cond.hardware != 0 && cond.hardware - 1 != g.hardware)
        return false;
    if (cond.software != 0 && cond.software - 1 != g.software)
        return false;
    if (cond.developer != 0 && cond.developer - 1 != g.developerNumber)
        return false;
    if (cond.publisher != 0 && cond.publisher - 1 != g.publisherNumber)
        return false;
    if (cond.genre != 0 && cond.genre - 1 != g.genre)
        return false;
    if (cond.screen != 0 && cond.screen - 1 != g.screen)
        return false;

    // 64-bit so that a wild condition from a damaged file cannot overflow.
    if (cond.year != 0) {
        const int64_t y = int64_t{cond.yearBase} + (int64_t{cond.year} - 1) * 10000;
        const int64_t r = int64_t{g.releaseDate / 10000} * 10000;
        switch (cond.yearQualifier) {
        case 0: if (r != y) return false; break;
        case 1: if (r > y) return false; break;
        case 2: if (r < y) return false; break;
        default: return false;
        }
    }
    if (cond.price != 0) {
        const int64_t p = int64_t{cond.priceBase} + (int64_t{cond.price} - 1) * 1000;
        const int64_t price = g.price;
        switch (cond.priceQualifier) {
        case 0: if (int64_t{g.price / 1000} * 1000 != p) return false; break;
        case 1: if (price > p) return false; break;
        case 2: if (price < p) return false; break;
        default: return false;
        }
    }
    if (cond.romSize != 0) {
        // A condition that names no entry of the table matches nothing.
        const int64_t entry = int64_t{cond.romSize} - 1;
        if (entry < 0 || static_cast<uint64_t>(entry) >= cat.romSize.size())
            return false;
        const int64_t h = cat.romSize[static_cast<size_t>(entry)].value;
        const int64_t s = g.romSize;
        // The tolerance follows the record's size, not the entry's.
        const int64_t t = s < 524288 ? 1024 : 10240;
        switch (cond.romSizeQualifier) {
        case 0: if (s < h - t || s > h + t) return false; break;
        case 1: if (s > h + t) return false; break;
        case 2: if (s < h - t) return false; break;
        default: return false;
        }
    }
    return true;
}

// One variant as the scanner uses it: non-empty, no NUL inside.
struct Needle {
    const unsigned char* s = nullptr;
    size_t n = 0;
};

// What one filter pass looks for: the distinct non-empty variants to try
// and the fields of the kind.
struct PassPlan {
    Needle needles[3];
    int needleCount = 0;
#if defined(__SSE2__)
    // Each needle's first byte, and its second (or any byte) broadcast.
    __m128i first[3];
    __m128i second[3];
    bool hasSecond[3];
#endif
    bool textAlwaysPasses = false;  // an empty variant occurs everywhere
    bool textNeverPasses = false;   // no field to look at
    uint32_t recordFields = 0;      // fields read from the record itself
    uint32_t tableFields = 0;       // fields answered by tableHits
    // Offsets in a GameRecord that the pass reads, fetched a few records
    // ahead: a record spans some thirty cache lines of which a pass reads
    // only these, a pattern the hardware does not guess on its own.
    uint16_t prefetch[32];
    int prefetchCount = 0;
};

void addPrefetch(PassPlan& plan, size_t offset)
{
    for (int i = 0; i < plan.prefetchCount; ++i)
        if (plan.prefetch[i] == offset)
            return;
    if (plan.prefetchCount < 32)
        plan.prefetch[plan.prefetchCount++] = static_cast<uint16_t>(offset);
}

size_t fieldOffset(Field f)
{
    switch (f) {
    case kTitle: return offsetof(GameRecord, title);
    case kKana: return offsetof(GameRecord, titleKana);
    case kEnglish: return offsetof(GameRecord, englishTitle);
    case kHardware: return offsetof(GameRecord, hardware);
    case kSoftware: return offsetof(GameRecord, software);
    case kDeveloper: return offsetof(GameRecord, developerNumber);
    case kPublisher: return offsetof(GameRecord, publisherNumber);
    case kGenre: return offsetof(GameRecord, genre);
    case kScreen: return offsetof(GameRecord, screen);
    case kDate: return offsetof(GameRecord, releaseDateText);
    case kPrice: return offsetof(GameRecord, priceText);
    case kImageNumber: return offsetof(GameRecord, imageNumberText);
    case kMovie: return offsetof(GameRecord, movieMark);
    case kArcade: return offsetof(GameRecord, arcadeFile);
    case kComment: return offsetof(GameRecord, comment);
    case kCrc: return offsetof(GameRecord, crc32);
    case kFoundPath: return offsetof(GameRecord, foundPath);
    case kRomSize: return offsetof(GameRecord, romSizeText);
    case kSerial: return offsetof(GameRecord, serial);
    default: return 0;
    }
}

void planPrefetch(PassPlan& plan, const SearchCondition& cond)
{
    addPrefetch(plan, offsetof(GameRecord, ownership));
    addPrefetch(plan, offsetof(GameRecord, disk));
    if (cond.hardware || cond.software || cond.publisher)
        addPrefetch(plan, offsetof(GameRecord, hardware));
    if (cond.developer)
        addPrefetch(plan, offsetof(GameRecord, developerNumber));
    if (cond.genre || cond.year)
        addPrefetch(plan, offsetof(GameRecord, genre));
    if (cond.price)
        addPrefetch(plan, offsetof(GameRecord, price));
    if (cond.romSize)
        addPrefetch(plan, offsetof(GameRecord, romSize));
    if (cond.screen)
        addPrefetch(plan, offsetof(GameRecord, screen));
    if (plan.textAlwaysPasses || plan.textNeverPasses)
        return;
    for (uint32_t m = plan.recordFields | plan.tableFields; m != 0; m &= m - 1)
        addPrefetch(plan, fieldOffset(static_cast<Field>(__builtin_ctz(m))));
}

PassPlan makePlan(const SearchVariants& v, int32_t kind)
{
    PassPlan plan;
    const uint32_t fields = kindFields(kind);
    if (fields == 0) {
        plan.textNeverPasses = true;
        return plan;
    }
    std::string_view texts[3];
    int count = 0;
    texts[count++] = bufferView(v.typed);
    if (v.normalisedDiffers)
        texts[count++] = bufferView(v.normalised);
    // The text test is an "or" over the variants, so a replaced text equal
    // to the normalised one need not be looked for twice.
    if (v.replacedDiffers && !(v.normalisedDiffers && bufferView(v.replaced) == bufferView(v.normalised)))
        texts[count++] = bufferView(v.replaced);
    for (int i = 0; i < count; ++i) {
        if (texts[i].empty()) {
            plan.textAlwaysPasses = true;
            return plan;
        }
        const Needle nd{reinterpret_cast<const unsigned char*>(texts[i].data()), texts[i].size()};
#if defined(__SSE2__)
        plan.first[plan.needleCount] = _mm_set1_epi8(static_cast<char>(nd.s[0]));
        plan.hasSecond[plan.needleCount] = nd.n >= 2;
        plan.second[plan.needleCount] = _mm_set1_epi8(static_cast<char>(nd.n >= 2 ? nd.s[1] : 0));
#endif
        plan.needles[plan.needleCount++] = nd;
    }
    plan.recordFields = fields & ~kTableFields;
    plan.tableFields = fields & kTableFields;
    return plan;
}

// A fixed zero-terminated field as stored in the record.
struct RawField {
    const unsigned char* p;
    size_t size;
};

template <size_t N>
RawField raw(const char (&field)[N])
{
    return {reinterpret_cast<const unsigned char*>(field), N};
}

RawField recordRawField(const GameRecord& g, Field f)
{
    switch (f) {
    case kTitle: return raw(g.title);
    case kKana: return raw(g.titleKana);
    case kEnglish: return raw(g.englishTitle);
    case kDate: return raw(g.releaseDateText);
    case kPrice: return raw(g.priceText);
    case kImageNumber: return raw(g.imageNumberText);
    case kMovie: return raw(g.movieMark);
    case kArcade: return raw(g.arcadeFile);
    case kComment: return raw(g.comment);
    case kCrc: return raw(g.crc32);
    case kFoundPath: return raw(g.foundPath);
    case kRomSize: return raw(g.romSizeText);
    case kSerial: return raw(g.serial);
    default: return {nullptr, 0};
    }
}

// The scanner behind the filter pass: whether any needle occurs in the
// field's text starting on a character boundary, exactly as klmFindText
// answers, but in one pass over the field that finds the terminator and
// the candidates together (16 bytes at a time where the machine allows).
// Character starts are walked from the field's start only when a whole
// needle has matched, which is rare.
class FieldScan {
public:
    FieldScan(const unsigned char* s, size_t size) : s_(s), size_(size) {}

    // A candidate position (before the terminator): a needle matches there
    // and it is a character start.
    bool verify(size_t pos, const PassPlan& plan)
    {
        bool whole = false;
        for (int k = 0; k < plan.needleCount && !whole; ++k) {
            const Needle& nd = plan.needles[k];
            // A needle holds no NUL, so it cannot match across the terminator.
            whole = pos + nd.n <= size_ && std::memcmp(s_ + pos, nd.s, nd.n) == 0;
        }
        if (!whole)
            return false;
        // Every byte before pos is text, so a lead byte there always takes
        // the next byte with it.
        while (boundary_ < pos)
            boundary_ += klmIsLeadByte(s_[boundary_]) ? 2 : 1;
        return boundary_ == pos;
    }

private:
    const unsigned char* s_;
    size_t size_;
    size_t boundary_ = 0;
};

inline __attribute__((always_inline)) bool fieldHasAny(RawField field, const PassPlan& plan)
{
    const unsigned char* s = field.p;
    const size_t size = field.size;
    FieldScan scan(s, size);
    size_t off = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; off + 16 <= size; off += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + off));
        const unsigned z = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        unsigned cand = 0;
        for (int k = 0; k < plan.needleCount; ++k) {
            unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, plan.first[k])));
            if (plan.hasSecond[k]) {
                // The second byte of the last lane lies in the next block:
                // keep that lane and let verify decide.
                const unsigned m2 = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, plan.second[k])));
                m &= (m2 >> 1) | 0x8000u;
            }
            cand |= m;
        }
        if (z)
            cand &= (z & (0u - z)) - 1;  // only positions before the terminator
        while (cand) {
            const size_t pos = off + static_cast<size_t>(__builtin_ctz(cand));
            cand &= cand - 1;
            if (scan.verify(pos, plan))
                return true;
        }
        if (z)
            return false;
    }
#endif
    for (; off < size; ++off) {
        const unsigned char c = s[off];
        if (c == 0)
            return false;
        for (int k = 0; k < plan.needleCount; ++k) {
            if (c == plan.needles[k].s[0]) {
                if (scan.verify(off, plan))
                    return true;
                break;
            }
        }
    }
    return false;
}

bool textPasses(const PassPlan& plan, const ViewList& view, const GameRecord& g)
{
    if (plan.textAlwaysPasses)
        return true;
    if (plan.textNeverPasses)
        return false;
    for (uint32_t m = plan.recordFields; m != 0; m &= m - 1) {
        const Field f = static_cast<Field>(__builtin_ctz(m));
        if (fieldHasAny(recordRawField(g, f), plan))
            return true;
    }
    for (uint32_t m = plan.tableFields; m != 0; m &= m - 1) {
        const int slot = tableSlot(static_cast<Field>(__builtin_ctz(m)));
        const int32_t index = tableIndexOf(g, slot);
        const std::vector<uint8_t>& hits = view.tableHits[slot];
        if (index >= 0 && static_cast<size_t>(index) < hits.size() && hits[static_cast<size_t>(index)])
            return true;
    }
    return false;
}

}  // namespace

const SearchKind* klmSearchKindTable()
{
    return kSearchKinds;
}

std::string_view klmSearchKindLabel(int32_t kind)
{
    if (kind < 0 || kind >= kKlmSearchKindCount)
        return {};
    return kSearchKinds[kind].label;
}

void klmInitSearchKinds(SearchCondition& cond)
{
    cond.searchKind = 0;
}

void KlmYearPriceRanges::add(const GameRecord& g)
{
    if (g.releaseDate != 0 && g.releaseDate != 99999999) {
        if (!anyDate || g.releaseDate < first)
            first = g.releaseDate;
        if (!anyDate || g.releaseDate > last)
            last = g.releaseDate;
        anyDate = true;
    }
    if (g.price >= 1000 && g.price != kKlmUnknownPrice && g.price > top)
        top = g.price;
}

void KlmYearPriceRanges::add(const KlmYearPriceRanges& other)
{
    if (other.anyDate) {
        first = anyDate ? std::min(first, other.first) : other.first;
        last = anyDate ? std::max(last, other.last) : other.last;
        anyDate = true;
    }
    top = std::max(top, other.top);
}

void KlmYearPriceRanges::applyTo(SearchCondition& cond) const
{
    cond.yearBase = anyDate ? first / 10000 * 10000 : 0;
    cond.yearTop = anyDate ? last / 10000 * 10000 : 0;
    cond.priceBase = 1000;
    cond.priceTop = top / 1000 * 1000;
}

void klmComputeYearPriceRanges(SearchCondition& cond, const Catalogue& cat)
{
    KlmYearPriceRanges ranges;
    for (const GameRecord& g : cat.games)
        ranges.add(g);
    ranges.applyTo(cond);
}

void klmBuildSearchVariants(SearchVariants& v, std::string_view typed,
                            const std::vector<ReplacementRule>& rules)
{
    constexpr size_t kMax = SearchVariants::kSize - 1;
    typed = typed.substr(0, std::min(typed.find('\0'), typed.size()));
    const size_t len = klmSafePrefixLength(typed, kMax);
    if (len != 0)
        std::memcpy(v.typed, typed.data(), len);
    v.typed[len] = 0;
    const std::string_view t(v.typed, len);

    const size_t nlen = klmNormaliseSearchInto(v.normalised, SearchVariants::kSize, t);
    v.normalisedDiffers = std::string_view(v.normalised, nlen) != t ? 1 : 0;

    std::memcpy(v.replaced, v.typed, len + 1);
    v.replacedDiffers = 0;
    for (const ReplacementRule& rule : rules) {
        if (!rule.enabled)
            continue;
        const std::string_view search = klmField(rule.search);
        // Replacing the empty string has no meaning (the walk would never
        // get past the end), so such a rule is never applied.
        if (search.empty())
            continue;
        // A rule whose search string does not occur on a character boundary
        // cannot change the text.
        if (klmFindText(t, search) == std::string_view::npos)
            continue;
        klmReplaceText(v.replaced, SearchVariants::kSize, t, search, klmField(rule.replacement));
        if (bufferView(v.replaced) != t) {
            v.replacedDiffers = 1;
            break;
        }
    }
    if (!v.replacedDiffers)
        std::memcpy(v.replaced, v.typed, len + 1);
}

int klmMatchText(int32_t record, std::string_view variant, const Catalogue& cat,
                 const SearchCondition& cond)
{
    if (record < 0 || record >= klmGameCount(cat))
        return 0;
    const GameRecord& g = cat.games[static_cast<size_t>(record)];
    for (uint32_t m = kindFields(cond.searchKind); m != 0; m &= m - 1) {
        const Field f = static_cast<Field>(__builtin_ctz(m));
        if (klmFindText(fieldText(cat, g, f), variant) != std::string_view::npos)
            return 1;
    }
    return 0;
}

int klmMatchRecord(const SearchCondition& cond, const SearchVariants& v, int32_t record,
                   const Catalogue& cat)
{
    if (record < 0 || record >= klmGameCount(cat))
        return 0;
    bool text = klmMatchText(record, bufferView(v.typed), cat, cond) != 0;
    if (!text && v.normalisedDiffers)
        text = klmMatchText(record, bufferView(v.normalised), cat, cond) != 0;
    if (!text && v.replacedDiffers)
        text = klmMatchText(record, bufferView(v.replaced), cat, cond) != 0;
    if (!text)
        return 0;
    return passesConditions(cond, cat.games[static_cast<size_t>(record)], cat) ? 1 : 0;
}

void klmAllocateViewList(ViewList& view, const Catalogue& cat)
{
    const size_t n = cat.games.size();
    view.rows.assign(n, 0);
    view.scratch.assign(n, 0);
    view.matchFlags.assign(n, 0);
    for (size_t i = 0; i < n; ++i)
        view.rows[i] = static_cast<int32_t>(i);
    view.count = static_cast<int32_t>(n);
    for (int slot = 0; slot < 6; ++slot)
        view.tableHits[slot].assign(tableOf(cat, slot).size(), 0);
}

int32_t klmFilterViewList(ViewList& view, const Catalogue& cat, const SearchCondition& cond,
                          const std::vector<ReplacementRule>& rules)
{
    const size_t n = cat.games.size();
    if (!klmViewListFits(view, cat)) {
        // Not allocated for this catalogue: start again from catalogue order
        // rather than read past the arrays.
        klmAllocateViewList(view, cat);
    }

    klmBuildSearchVariants(view.variants, klmField(cond.searchText), rules);
    PassPlan plan = makePlan(view.variants, cond.searchKind);
    if (!plan.textAlwaysPasses && !plan.textNeverPasses) {
        for (uint32_t m = plan.tableFields; m != 0; m &= m - 1) {
            const int slot = tableSlot(static_cast<Field>(__builtin_ctz(m)));
            const std::vector<MasterEntry>& table = tableOf(cat, slot);
            std::vector<uint8_t>& hits = view.tableHits[slot];
            for (size_t e = 0; e < table.size(); ++e)
                hits[e] = fieldHasAny(raw(table[e].name), plan) ? 1 : 0;
        }
    }

    planPrefetch(plan, cond);

    // Each record's answer does not depend on where the list shows it, so
    // the tests run in catalogue order, which reads the records front to
    // back; walking them in sort order instead would jump all over memory.
    const GameRecord* games = cat.games.data();
    uint8_t* flags = view.matchFlags.data();
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) {
            const char* base = reinterpret_cast<const char*>(games + i + kAhead);
            for (int k = 0; k < plan.prefetchCount; ++k)
                __builtin_prefetch(base + plan.prefetch[k]);
        }
        flags[i] = passesConditions(cond, games[i], cat) && textPasses(plan, view, games[i]) ? 1 : 0;
    }

    return klmCompactViewList(view);
}

bool klmViewListFits(const ViewList& view, const Catalogue& cat)
{
    const size_t n = cat.games.size();
    bool sized = view.rows.size() == n && view.scratch.size() == n && view.matchFlags.size() == n;
    for (int slot = 0; slot < 6 && sized; ++slot)
        sized = view.tableHits[slot].size() == tableOf(cat, slot).size();
    return sized;
}

int32_t klmCompactViewList(ViewList& view)
{
    const size_t n = view.rows.size();
    const int32_t* rows = view.rows.data();
    const uint8_t* flags = view.matchFlags.data();
    int32_t* out = view.scratch.data();
    size_t front = 0;
    size_t back = n;
    for (size_t i = 0; i < n; ++i) {
        const int32_t index = rows[i];
        // The rows are catalogue indices by construction; one that is not
        // is never shown.
        if (index >= 0 && static_cast<size_t>(index) < n && flags[index])
            out[front++] = index;
        else
            out[--back] = index;
    }
    if (n != 0)
        std::memcpy(view.rows.data(), out, n * sizeof(int32_t));
    view.count = static_cast<int32_t>(front);
    ++view.passes;
    return view.count;
}

uint32_t klmSearchKindFields(int32_t kind)
{
    return kindFields(kind);
}

std::string_view klmSearchFieldText(const Catalogue& cat, const GameRecord& g, KlmTextField field)
{
    return fieldText(cat, g, static_cast<Field>(field));
}

bool klmPassesConditions(const SearchCondition& cond, const GameRecord& g, const Catalogue& cat)
{
    return passesConditions(cond, g, cat);
}
