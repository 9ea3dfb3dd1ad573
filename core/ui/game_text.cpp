#include "ui/game_text.h"

#include "text/cp932.h"

namespace {

// CP932 captions, in field-identifier order.
constexpr std::string_view kCaptions[kKlmFieldCount] = {
    "\x83\x5e\x83\x43\x83\x67\x83\x8b",                          // タイトル
    "\x83\x6e\x81\x5b\x83\x68",                                  // ハード
    "\x83\x5c\x83\x74\x83\x67 / \x8a\xee\x94\xc2",              // ソフト / 基板
    "\x8a\x4a\x94\xad\x8c\xb3",                                  // 開発元
    "\x94\xad\x94\x84\x8c\xb3",                                  // 発売元
    "\x83\x57\x83\x83\x83\x93\x83\x8b",                          // ジャンル
    "\x89\xe6\x96\xca",                                          // 画面
    "\x94\xad\x94\x84\x93\xfa",                                  // 発売日
    "\x89\xbf\x8a\x69",                                          // 価格
    "\x89\xe6\x91\x9c\x94\xd4\x8d\x86",                          // 画像番号
    "\x93\xae\x89\xe6",                                          // 動画
    "\x83\x41\x81\x5b\x83\x50\x81\x5b\x83\x68\x83\x74\x83\x40\x83\x43\x83\x8b",  // アーケードファイル
    "\x94\xf5\x8d\x6c",                                          // 備考
    "CRC32",
    "\x83\x8d\x83\x80\x83\x74\x83\x40\x83\x43\x83\x8b",          // ロムファイル
    "\x83\x5e\x83\x43\x83\x67\x83\x8b\x89\xbc\x96\xbc",          // タイトル仮名
    "\x83\x8d\x83\x80\x83\x54\x83\x43\x83\x59",                  // ロムサイズ
    "\x8c\x5e\x94\xd4",                                          // 型番
    "\x89\x70\x8e\x9a\x83\x5e\x83\x43\x83\x67\x83\x8b",          // 英字タイトル
};

std::string_view cut(std::string_view text)
{
    return text.substr(0, klmSafePrefixLength(text, kKlmFieldTextMax));
}

void appendBounded(std::string& out, std::string_view piece)
{
    if (out.size() >= kKlmInfoTextMax) return;
    size_t room = kKlmInfoTextMax - out.size();
    if (piece.size() <= room) {
        out.append(piece);
    } else {
        out.append(piece.substr(0, klmSafePrefixLength(piece, room)));
    }
}

}  // namespace

std::string_view klmFieldCaption(int32_t field)
{
    if (field < 0 || field >= kKlmFieldCount) return {};
    return kCaptions[field];
}

std::string_view klmMasterName(const std::vector<MasterEntry>& table, int32_t position)
{
    if (position < 0 || static_cast<size_t>(position) >= table.size()) return {};
    return klmField(table[static_cast<size_t>(position)].name);
}

std::string_view klmFieldText(const Catalogue& cat, int32_t game, int32_t field)
{
    if (game < 0 || game >= klmGameCount(cat)) return {};
    const GameRecord& g = cat.games[static_cast<size_t>(game)];
    switch (field) {
    case 0: return cut(klmField(g.title));
    case 1: return cut(klmMasterName(cat.hardware, g.hardware));
    case 2: return cut(klmMasterName(cat.software, g.software));
    case 3: {
        std::string_view name = klmMasterName(cat.developer, g.developerNumber);
        return cut(name.empty() ? klmField(g.developer) : name);
    }
    case 4: {
        std::string_view name = klmMasterName(cat.publisher, g.publisherNumber);
        return cut(name.empty() ? klmField(g.publisher) : name);
    }
    case 5: return cut(klmMasterName(cat.genre, g.genre));
    case 6: return cut(klmMasterName(cat.screen, g.screen));
    case 7: return cut(klmField(g.releaseDateText));
    case 8: return cut(klmField(g.priceText));
    case 9: return cut(klmField(g.imageNumberText));
    case 10: return cut(klmField(g.movieMark));
    case 11: return cut(klmField(g.arcadeFile));
    case 12: return cut(klmField(g.comment));
    case 13: return cut(klmField(g.crc32));
    case 14: return cut(klmField(g.foundPath));
    case 15: return cut(klmField(g.titleKana));
    case 16: return cut(klmField(g.romSizeText));
    case 17: return cut(klmField(g.serial));
    case 18: return cut(klmField(g.englishTitle));
    default: return {};
    }
}

std::string klmBuildInfoText(const Catalogue& cat, const Settings& s, int32_t game, KlmInfoLayout layout)
{
    std::string out;
    if (game < 0 || game >= klmGameCount(cat)) return out;
    const KlmItemList& items = layout == KlmInfoLayout::Detailed ? s.detailedShown : s.simpleShown;
    int32_t count = items.count < 0 ? 0 : (items.count > KlmItemList::kSlots ? KlmItemList::kSlots : items.count);
    for (int32_t i = 0; i < count; ++i) {
        int32_t field = items.items[i];
        if (i == 0) {
            appendBounded(out, klmFieldText(cat, game, field));
            appendBounded(out, "\r\n");
            if (s.blankLineUnderTitle) appendBounded(out, "\r\n");
        } else if (layout == KlmInfoLayout::Detailed) {
            appendBounded(out, klmFieldCaption(field));
            appendBounded(out, " : ");
            appendBounded(out, klmFieldText(cat, game, field));
            appendBounded(out, "\r\n");
        } else {
            appendBounded(out, klmFieldText(cat, game, field));
            appendBounded(out, "  ");
        }
    }
    return out;
}
