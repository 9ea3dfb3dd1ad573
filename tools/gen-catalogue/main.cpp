// gen-catalogue OUTDIR N [--seed S]
//
// Writes a complete base folder with N invented games for tests and
// benchmarks: data.dat, hard.dat, soft.dat, genre.dat, screen.dat (CP932,
// CRLF) and the empty folders beside them. The output depends only on N and
// the seed, so two runs give the same bytes.
//
// The games are shaped like a real collection: Japanese titles with their
// kana readings and English titles, ports of one title to several machines,
// multi-disc sets, a few very busy makers among thousands of small ones,
// unknown dates, prices and sizes, the two special CRCs, and many characters
// whose second byte is 0x5C (ソ 表 能 十 予 申 構 暴 噂).
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "text/cp932.h"
#include "text/file_io.h"

namespace {

// splitmix64: tiny, fast, and the same sequence on every platform (the
// standard distributions are not).
struct Rng {
    uint64_t state;
};

uint64_t rngNext(Rng& r)
{
    uint64_t z = (r.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [0, n); n > 0. The bias of the multiply-shift is far below
// anything a test could notice.
uint32_t rngBelow(Rng& r, uint32_t n)
{
    return static_cast<uint32_t>(((rngNext(r) >> 32) * n) >> 32);
}

int rngRange(Rng& r, int lo, int hi)
{
    return lo + static_cast<int>(rngBelow(r, static_cast<uint32_t>(hi - lo + 1)));
}

bool rngChance(Rng& r, uint32_t perMille)
{
    return rngBelow(r, 1000) < perMille;
}

// A word in the three forms a title needs. Japanese forms are CP932.
struct Word {
    std::string jp, kana, en;
};

std::vector<Word> makeWords(std::initializer_list<std::array<const char*, 3>> list)
{
    std::vector<Word> out;
    out.reserve(list.size());
    for (const auto& w : list) out.push_back({klmFromUtf8(w[0]), klmFromUtf8(w[1]), w[2]});
    return out;
}

template <typename T>
const T& pick(Rng& r, const std::vector<T>& v)
{
    return v[rngBelow(r, static_cast<uint32_t>(v.size()))];
}

enum class Media { Cart, Cd, Handheld, Floppy, Arcade };

struct Hardware {
    int key;
    int imageNumber;
    std::string name, alias;  // CP932
    int aspect, skin;
    Media media;
    std::string serialPrefix;
};

struct SimpleEntry {
    int key;
    std::string name, alias;  // CP932
};

struct Tables {
    std::vector<Word> prefixes, nouns, sequels;
    std::vector<std::string> companyHeads, companyMiddles, companyTails, comments;
    std::vector<Hardware> hardware;
    std::vector<SimpleEntry> software, genres, screens;
    // Software keys by media; arcade boards are a list of their own.
    int softCart, softCd, softFloppy, softCard, softTape;
    std::vector<int> softBoards;
    std::string diskWord, diskKana, diskDigits[9], diskReadings[9];
};

std::vector<std::string> toCp932(std::initializer_list<const char*> list)
{
    std::vector<std::string> out;
    for (const char* s : list) out.push_back(klmFromUtf8(s));
    return out;
}

Tables makeTables()
{
    Tables t;
    t.prefixes = makeWords({
        {"超", "ちょう", "Super"},        {"新", "しん", "New"},
        {"真・", "しん", "True"},          {"大", "だい", "Great"},
        {"魔界", "まかい", "Demon World"}, {"銀河", "ぎんが", "Galaxy"},
        {"電脳", "でんのう", "Cyber"},     {"伝説の", "でんせつの", "Legendary"},
        {"暗黒", "あんこく", "Dark"},      {"蒼き", "あおき", "Azure"},
        {"紅の", "くれないの", "Crimson"}, {"黄金の", "おうごんの", "Golden"},
        {"鋼鉄の", "こうてつの", "Steel"}, {"幻想", "げんそう", "Fantasy"},
        {"無限", "むげん", "Infinite"},    {"十字", "じゅうじ", "Cross"},
        {"表裏", "ひょうり", "Two-Faced"}, {"予言の", "よげんの", "Prophetic"},
        {"能面", "のうめん", "Noh Mask"},  {"暴走", "ぼうそう", "Runaway"},
        {"噂の", "うわさの", "Rumored"},   {"ネオ", "ねお", "Neo"},
        {"ハイパー", "はいぱー", "Hyper"}, {"ＡＢＣ", "えーびーしー", "ABC"},
        {"ＳＦ", "えすえふ", "SF"},        {"ＶＳ．", "ぶいえす", "VS."},
        {"ソニック", "そにっく", "Sonic"}, {"月影の", "つきかげの", "Moonshadow"},
        {"星降る", "ほしふる", "Starfall"}, {"天空の", "てんくうの", "Heavenly"},
    });
    t.nouns = makeWords({
        {"ソード", "そーど", "Sword"},           {"ソウル", "そうる", "Soul"},
        {"ソルジャー", "そるじゃー", "Soldier"}, {"ナイト", "ないと", "Knight"},
        {"ドラゴン", "どらごん", "Dragon"},      {"戦記", "せんき", "Chronicle"},
        {"伝説", "でんせつ", "Legend"},          {"迷宮", "めいきゅう", "Labyrinth"},
        {"王国", "おうこく", "Kingdom"},         {"探偵", "たんてい", "Detective"},
        {"騎士団", "きしだん", "Knights"},       {"ファイター", "ふぁいたー", "Fighter"},
        {"レーサー", "れーさー", "Racer"},       {"ストライカー", "すとらいかー", "Striker"},
        {"要塞", "ようさい", "Fortress"},        {"艦隊", "かんたい", "Fleet"},
        {"忍者", "にんじゃ", "Ninja"},           {"魔導士", "まどうし", "Sorcerer"},
        {"少女", "しょうじょ", "Girl"},          {"冒険", "ぼうけん", "Adventure"},
        {"パズル", "ぱずる", "Puzzle"},          {"十字軍", "じゅうじぐん", "Crusaders"},
        {"能力者", "のうりょくしゃ", "Espers"},  {"予言", "よげん", "Prophecy"},
        {"暴君", "ぼうくん", "Tyrant"},          {"構造体", "こうぞうたい", "Construct"},
        {"申し子", "もうしご", "Child"},         {"タワー", "たわー", "Tower"},
        {"ブレイカー", "ぶれいかー", "Breaker"}, {"ハンター", "はんたー", "Hunter"},
        {"ウォーズ", "うぉーず", "Wars"},        {"ストーリー", "すとーりー", "Story"},
        {"サーガ", "さーが", "Saga"},            {"クエスト", "くえすと", "Quest"},
        {"ランナー", "らんなー", "Runner"},      {"パニック", "ぱにっく", "Panic"},
        {"スタジアム", "すたじあむ", "Stadium"}, {"麻雀", "まーじゃん", "Mahjong"},
        {"将棋", "しょうぎ", "Shogi"},           {"ボウリング", "ぼうりんぐ", "Bowling"},
        {"温泉", "おんせん", "Hot Spring"},      {"牧場", "ぼくじょう", "Ranch"},
        {"列車", "れっしゃ", "Express"},         {"戦車隊", "せんしゃたい", "Tank Corps"},
        {"剣士", "けんし", "Swordsman"},         {"姫", "ひめ", "Princess"},
        {"ソレイユ", "それいゆ", "Soleil"},      {"ボルテージ", "ぼるてーじ", "Voltage"},
        {"サーカス", "さーかす", "Circus"},      {"ダンジョン", "だんじょん", "Dungeon"},
        {"表計算", "ひょうけいさん", "Spreadsheet"}, {"旋風", "せんぷう", "Whirlwind"},
        {"洋館", "ようかん", "Mansion"},         {"鉱山", "こうざん", "Mine"},
        {"アカデミー", "あかでみー", "Academy"}, {"ラリー", "らりー", "Rally"},
        {"予報士", "よほうし", "Forecaster"},    {"物語", "ものがたり", "Tale"},
        {"ハイウェイ", "はいうぇい", "Highway"}, {"ビートル", "びーとる", "Beetle"},
    });
    t.sequels = makeWords({
        {"２", "つー", "2"},     {"３", "すりー", "3"},    {"ＩＩ", "つー", "II"},
        {"ＩＩＩ", "すりー", "III"}, {"外伝", "がいでん", "Gaiden"}, {"ＥＸ", "いーえっくす", "EX"},
        {"ＺＥＲＯ", "ぜろ", "Zero"}, {"ＳＰ", "えすぴー", "SP"},
    });

    t.companyHeads = toCp932({
        "ルナ", "蒼電", "ミカヅキ", "能登", "十六夜", "予備", "鉄扇", "夕凪", "ハミング", "アクア",
        "ゼファー", "スター", "ノヴァ", "ソレイユ", "白鷺", "紅葉", "銀杏", "朝霧", "星屑", "雷光",
        "翡翠", "琥珀", "疾風", "千鳥", "桜花", "若葉", "北斗", "南風", "東雲", "黎明",
        "ピクセル", "ドット", "ビット", "ネオン", "クローバー", "ペガサス", "オーロラ", "表町", "申酉",
        "構想",
    });
    t.companyMiddles = toCp932({
        "", "ソフト", "電子", "システム", "ワークス", "デジタル", "メディア", "インタラクティブ",
        "ゲームス", "エンタテインメント", "企画", "開発", "技研", "工房", "通信", "映像", "音響",
        "情報", "産業", "コンピュータ", "ラボ", "プロダクション", "アーツ", "スタジオ", "ネットワーク",
    });
    t.companyTails = toCp932({
        "", "株式会社", "有限会社", "（株）", "（有）", "本舗", "堂", "社", "商会", "製作所",
        "ジャパン", "東京", "大阪", "九州", "札幌", "ホールディングス", "グループ", "カンパニー",
        "ブランド", "出版",
    });
    t.comments = toCp932({
        "初回限定版には設定資料集が付属。", "隠しコマンドで難易度選択が可能。",
        "後に廉価版が発売された。", "２人同時プレイ対応。", "バッテリーバックアップ搭載。",
        "店頭デモ用の体験版が存在する。", "パッケージ裏の表記と実際の内容が異なる。",
        "通信対戦に対応。", "予約特典のテレホンカードあり。", "ソフト内の表示に誤字がある。",
    });

    // Nine invented brands, four models each, plus the arcade.
    struct Brand { const char* name; const char* alias; const char* code; };
    static const Brand kBrands[] = {
        {"ルミナス", "るみなす", "LMS"}, {"ソルティア", "そるてぃあ", "SLT"},
        {"オルビス", "おるびす", "ORB"}, {"ミラージュ", "みらーじゅ", "MRG"},
        {"カグラ", "かぐら", "KGR"},     {"ゼノス", "ぜのす", "XNS"},
        {"パルス", "ぱるす", "PLS"},     {"フェリオ", "ふぇりお", "FRO"},
        {"テンジク", "てんじく", "TNJ"},
    };
    struct Model { const char* name; const char* alias; Media media; int aspect, skin; };
    static const Model kModels[] = {
        {"", "", Media::Cart, 0, 1},
        {"ＣＤ", "しーでぃー", Media::Cd, 1, 2},
        {"ポケット", "ぽけっと", Media::Handheld, 0, 0},
        {"ディスク", "でぃすく", Media::Floppy, 0, 1},
    };
    int key = 1;
    // Model-major, so the file order is far from the alias order.
    for (const Model& m : kModels) {
        for (const Brand& b : kBrands) {
            Hardware h;
            h.key = key;
            h.imageNumber = key * 10;
            h.name = klmFromUtf8(std::string(b.name) + m.name);
            h.alias = klmFromUtf8(std::string(b.alias) + m.alias);
            h.aspect = m.aspect;
            h.skin = m.skin;
            h.media = m.media;
            h.serialPrefix = std::string(b.code) + (m.media == Media::Cd ? "C" : m.media == Media::Handheld ? "P" : "");
            t.hardware.push_back(h);
            ++key;
        }
    }
    t.hardware.push_back({key, key * 10, klmFromUtf8("アーケード"), klmFromUtf8("あーけーど"), 1, 2,
                          Media::Arcade, "ARC"});

    auto simple = [](std::initializer_list<std::array<const char*, 2>> list, int firstKey, int step) {
        std::vector<SimpleEntry> out;
        int k = firstKey;
        for (const auto& e : list) {
            out.push_back({k, klmFromUtf8(e[0]), klmFromUtf8(e[1])});
            k += step;
        }
        return out;
    };
    t.software = simple({
        {"ROMカートリッジ", "ろむかーとりっじ"}, {"CD-ROM", "しーでぃーろむ"},
        {"フロッピーディスク", "ふろっぴーでぃすく"}, {"ICカード", "あいしーかーど"},
        {"カセットテープ", "かせっとてーぷ"}, {"専用基板", "せんようきばん"},
        {"システム基板ＫＸ", "しすてむきばんけーえっくす"}, {"システム基板ＭＺ", "しすてむきばんえむぜっと"},
        {"システム基板ＴＲ", "しすてむきばんてぃーあーる"}, {"汎用基板ＪＶ", "はんようきばんじぇいぶい"},
        {"十六ビット基板", "じゅうろくびっときばん"}, {"表示拡張基板", "ひょうじかくちょうきばん"},
        {"ソリッド基板", "そりっどきばん"}, {"カード基板", "かーどきばん"},
    }, 1, 1);
    t.softCart = 1;
    t.softCd = 2;
    t.softFloppy = 3;
    t.softCard = 4;
    t.softTape = 5;
    for (int k = 6; k <= 14; ++k) t.softBoards.push_back(k);

    t.genres = simple({
        {"アクション", "あくしょん"}, {"シューティング", "しゅーてぃんぐ"},
        {"ロールプレイング", "ろーるぷれいんぐ"}, {"アドベンチャー", "あどべんちゃー"},
        {"パズル", "ぱずる"}, {"スポーツ", "すぽーつ"}, {"レース", "れーす"},
        {"シミュレーション", "しみゅれーしょん"}, {"テーブル", "てーぶる"}, {"音楽", "おんがく"},
        {"格闘", "かくとう"}, {"ピンボール", "ぴんぼーる"}, {"教育", "きょういく"},
        {"育成", "いくせい"}, {"恋愛", "れんあい"}, {"その他", "そのた"},
    }, 10, 10);
    t.screens = simple({
        {"横画面", "よこがめん"}, {"縦画面", "たてがめん"},
        {"横画面（２画面）", "よこがめんにがめん"}, {"不明", "ふめい"},
    }, 0, 1);

    t.diskWord = klmFromUtf8("　ディスク");
    t.diskKana = klmFromUtf8("でぃすく");
    static const char* const kDigits[] = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
    static const char* const kReadings[] = {"いち", "に", "さん", "よん", "ご", "ろく", "なな", "はち", "きゅう"};
    for (int i = 0; i < 9; ++i) {
        t.diskDigits[i] = klmFromUtf8(kDigits[i]);
        t.diskReadings[i] = klmFromUtf8(kReadings[i]);
    }
    return t;
}

// Company k: head, middle and tail picked by a bijection of k, so that
// neighbouring numbers do not share their head. Past 20000 a number keeps
// the names distinct.
std::string companyName(const Tables& t, uint32_t k)
{
    const uint32_t nh = static_cast<uint32_t>(t.companyHeads.size());
    const uint32_t nm = static_cast<uint32_t>(t.companyMiddles.size());
    const uint32_t nt = static_cast<uint32_t>(t.companyTails.size());
    const uint32_t a = k % nh;
    const uint32_t b = (k / nh) % nm;
    const uint32_t c = (k / (nh * nm)) % nt;
    const uint32_t round = k / (nh * nm * nt);
    std::string s = t.companyHeads[a];
    s += t.companyMiddles[(b + a) % nm];
    s += t.companyTails[(c + a + b) % nt];
    if (round > 0) s += std::to_string(round + 1);
    return s;
}

void appendInt(std::string& out, long long v)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    out.append(buf, end);
}

// "<tag>value</tag>\r\n"; tag is the bare name.
void appendTag(std::string& out, std::string_view tag, std::string_view value)
{
    out += '<';
    out += tag;
    out += '>';
    out += value;
    out += "</";
    out += tag;
    out += ">\r\n";
}

void appendIntTag(std::string& out, std::string_view tag, long long value)
{
    out += '<';
    out += tag;
    out += '>';
    appendInt(out, value);
    out += "</";
    out += tag;
    out += ">\r\n";
}

// Field sizes of the records, less the terminator.
constexpr size_t kTitleMax = 127;
constexpr size_t kArcadeMax = 15;

std::string fitted(std::string s, size_t max)
{
    s.resize(klmSafePrefixLength(s, max));
    return s;
}

struct Title {
    std::string jp, kana, en;
};

Title makeTitle(Rng& r, const Tables& t)
{
    Title title;
    if (rngChance(r, 450)) {
        const Word& p = pick(r, t.prefixes);
        title.jp += p.jp;
        title.kana += p.kana;
        title.en += p.en;
        title.en += ' ';
    }
    const Word& n1 = pick(r, t.nouns);
    title.jp += n1.jp;
    title.kana += n1.kana;
    title.en += n1.en;
    if (rngChance(r, 350)) {
        const Word& n2 = pick(r, t.nouns);
        title.jp += n2.jp;
        title.kana += n2.kana;
        title.en += ' ';
        title.en += n2.en;
    }
    if (rngChance(r, 150)) {
        const Word& s = pick(r, t.sequels);
        title.jp += s.jp;
        title.kana += s.kana;
        title.en += ' ';
        title.en += s.en;
    }
    if (rngChance(r, 200)) {
        // Subtitle between wave dashes: "～A の B～".
        static const std::string kWave = klmFromUtf8("～");
        static const std::string kNo = klmFromUtf8("の");
        const Word& a = pick(r, t.nouns);
        const Word& b = pick(r, t.nouns);
        title.jp += kWave + a.jp + kNo + b.jp + kWave;
        title.kana += a.kana + kNo + b.kana;
        title.en += ": " + b.en + " of the " + a.en;
    }
    return title;
}

std::string arcadeName(const std::string& english, uint32_t serial)
{
    std::string s;
    for (char c : english) {
        if (c >= 'A' && c <= 'Z') s += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) s += c;
        if (s.size() == 8) break;
    }
    // Ports and sequels share words; a number keeps the set names apart.
    s += std::to_string(serial % 10000);
    return fitted(s, kArcadeMax);
}

struct Options {
    std::string outDir;
    long long count = 0;
    uint64_t seed = 1;
};

int usage()
{
    std::fputs("usage: gen-catalogue OUTDIR N [--seed S]\n", stderr);
    return 2;
}

bool parseNumber(const char* s, long long& out)
{
    const char* end = s + std::strlen(s);
    auto [p, ec] = std::from_chars(s, end, out);
    return ec == std::errc() && p == end && *s != '\0';
}

std::string masterFile(std::string_view tag, const std::vector<SimpleEntry>& entries)
{
    std::string out = "<dat>\r\n";
    for (const SimpleEntry& e : entries) {
        out += '<';
        out += tag;
        out += ">\r\n";
        appendIntTag(out, "index", e.key);
        appendIntTag(out, "imageNumber", e.key);
        appendTag(out, "name", e.name);
        appendTag(out, "alias", e.alias);
        appendIntTag(out, "aspect", 0);
        appendIntTag(out, "skin", 0);
        out += "</";
        out += tag;
        out += ">\r\n";
    }
    out += "</dat>\r\n";
    return out;
}

std::string hardFile(const std::vector<Hardware>& hardware)
{
    std::string out = "<dat>\r\n";
    for (const Hardware& h : hardware) {
        out += "<hard>\r\n";
        appendIntTag(out, "index", h.key);
        appendIntTag(out, "imageNumber", h.imageNumber);
        appendTag(out, "name", h.name);
        appendTag(out, "alias", h.alias);
        appendIntTag(out, "aspect", h.aspect);
        appendIntTag(out, "skin", h.skin);
        out += "</hard>\r\n";
    }
    out += "</dat>\r\n";
    return out;
}

std::string dataFile(const Tables& t, long long count, uint64_t seed)
{
    Rng r{seed};
    const uint32_t devCount = static_cast<uint32_t>(std::max<long long>(12, count / 16));
    const uint32_t pubCount = static_cast<uint32_t>(std::max<long long>(10, count / 20));
    const uint32_t bigDevs = std::max<uint32_t>(3, devCount / 100);
    const uint32_t bigPubs = std::max<uint32_t>(3, pubCount / 100);
    std::vector<std::string> developers(devCount), publishers(pubCount);
    for (uint32_t i = 0; i < devCount; ++i) developers[i] = companyName(t, i);
    // Publishers overlap the developers only in part, as houses that do both.
    for (uint32_t i = 0; i < pubCount; ++i) publishers[i] = companyName(t, i * 3 + 1);

    static const int kPrices[] = {980, 1980, 2980, 3800, 4500, 4800, 5500, 5800, 6200, 6800, 7800, 8800, 9800, 12800};
    static const int kCartSizes[] = {32768, 65536, 131072, 262144, 393216, 524288, 786432, 1048576, 1572864, 2097152, 3145728, 4194304};
    static const int kHandheldSizes[] = {32768, 65536, 131072, 262144, 524288, 1048576, 2097152};
    static const int kFloppySizes[] = {348160, 655360, 1261568, 1310720, 1474560};

    std::string out;
    out.reserve(static_cast<size_t>(count) * 720 + 64);
    out += "<dat>\r\n";

    Title title;
    const Hardware* hw = nullptr;
    uint32_t dev = 0, pub = 0;
    int genre = 0;
    long long group = 0;
    long long made = 0;
    while (made < count) {
        // About one title in ten is a port of the one before it: same names,
        // other hardware.
        const bool port = made > 0 && rngChance(r, 100);
        if (!port) {
            title = makeTitle(r, t);
            dev = rngChance(r, 300) ? rngBelow(r, bigDevs) : rngBelow(r, devCount);
            pub = rngChance(r, 300) ? rngBelow(r, bigPubs) : rngBelow(r, pubCount);
            genre = pick(r, t.genres).key;
        }
        // One game in eight is an arcade board.
        hw = rngChance(r, 125) ? &t.hardware.back() : &t.hardware[rngBelow(r, static_cast<uint32_t>(t.hardware.size() - 1))];

        int disks = 1;
        if (hw->media == Media::Cd && rngChance(r, 150)) disks = rngRange(r, 2, 4);
        if (hw->media == Media::Floppy && rngChance(r, 200)) disks = rngRange(r, 2, 3);
        disks = static_cast<int>(std::min<long long>(disks, count - made));

        int year = rngRange(r, 1980, 2005);
        int date = year * 10000 + rngRange(r, 1, 12) * 100 + rngRange(r, 1, 28);
        uint32_t u = rngBelow(r, 1000);
        if (u < 20) date = 99999999;
        else if (u < 40) date = year * 10000;
        else if (u < 50) date = date / 100 * 100;
        else if (u < 55) date = year * 10000 + 9999;

        int price = hw->media == Media::Arcade || rngChance(r, 40) ? 0 : kPrices[rngBelow(r, std::size(kPrices))];

        int size = 0;
        int soft = t.softCart;
        const char* ext = "bin";
        switch (hw->media) {
        case Media::Cart:
            size = kCartSizes[rngBelow(r, std::size(kCartSizes))];
            if (rngChance(r, 150)) soft = t.softCard;
            break;
        case Media::Handheld:
            size = kHandheldSizes[rngBelow(r, std::size(kHandheldSizes))];
            ext = "rom";
            break;
        case Media::Cd:
            // Whole mebibytes: CD images land on a few hundred distinct size texts.
            size = rngRange(r, 40, 680) * 1048576;
            soft = t.softCd;
            ext = "cue";
            break;
        case Media::Floppy:
            size = kFloppySizes[rngBelow(r, std::size(kFloppySizes))];
            soft = t.softFloppy;
            ext = "d88";
            if (rngChance(r, 200)) {
                soft = t.softTape;
                ext = "cas";
            }
            break;
        case Media::Arcade:
            size = rngRange(r, 2, 96) * 131072;
            soft = t.softBoards[rngBelow(r, static_cast<uint32_t>(t.softBoards.size()))];
            ext = "zip";
            break;
        }
        if (rngChance(r, 30)) size = 0;

        int screen = 0;
        if (hw->media == Media::Arcade) screen = rngChance(r, 400) ? 1 : 0;
        else if (rngChance(r, 20)) screen = 2;
        if (rngChance(r, 10)) screen = 3;

        const bool emptyArcade = rngChance(r, 100);
        const bool hasComment = rngChance(r, 250);
        const std::string& comment = pick(r, t.comments);
        const uint32_t serialNo = rngBelow(r, 100000);
        ++group;

        for (int disk = 0; disk < disks; ++disk) {
            const long long number = made + 1;
            out += "<game>\r\n";
            char num[24];
            std::snprintf(num, sizeof num, "%04lld", number);
            appendTag(out, "number", num);
            if (disks > 1) {
                appendTag(out, "title", fitted(title.jp + t.diskWord + t.diskDigits[disk], kTitleMax));
                appendTag(out, "alias", fitted(title.kana + t.diskKana + t.diskReadings[disk], kTitleMax));
                appendTag(out, "english", fitted(title.en + " (Disk " + std::to_string(disk + 1) + ")", kTitleMax));
            } else {
                appendTag(out, "title", fitted(title.jp, kTitleMax));
                appendTag(out, "alias", fitted(title.kana, kTitleMax));
                appendTag(out, "english", fitted(title.en, kTitleMax));
            }
            appendIntTag(out, "hard", hw->key);
            appendIntTag(out, "soft", soft);
            appendTag(out, "developer", developers[dev]);
            appendTag(out, "publisher", publishers[pub]);
            appendIntTag(out, "genre", genre);
            appendIntTag(out, "date", date);
            appendIntTag(out, "price", price);
            appendTag(out, "comment", hasComment ? std::string_view(comment) : std::string_view());

            char crc[9];
            uint32_t c = rngBelow(r, 1000);
            if (c < 5) std::memcpy(crc, "00000000", 9);
            else if (c < 10) std::memcpy(crc, "FFFFFFFF", 9);
            else std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(rngNext(r) >> 32));
            appendTag(out, "crc32", crc);
            appendTag(out, "extension", ext);
            // Later disks of a set are a little smaller, as real ones are.
            appendIntTag(out, "size", size - disk * (size / 16));
            appendIntTag(out, "group", group);
            appendIntTag(out, "disk", disk);
            if (hw->media == Media::Arcade)
                appendTag(out, "arcade", emptyArcade ? std::string() : arcadeName(title.en, serialNo));
            appendIntTag(out, "screen", screen);
            char serial[32];
            std::snprintf(serial, sizeof serial, "%s-%05u", hw->serialPrefix.c_str(), static_cast<unsigned>(serialNo));
            appendTag(out, "serial", serial);
            out += "</game>\r\n";
            ++made;
        }
    }
    out += "</dat>\r\n";
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            long long s = 0;
            if (i + 1 >= argc || !parseNumber(argv[i + 1], s)) return usage();
            opt.seed = static_cast<uint64_t>(s);
            ++i;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage();
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.size() != 2) return usage();
    opt.outDir = positional[0];
    if (!parseNumber(positional[1], opt.count) || opt.count < 0 || opt.count > 10000000) {
        std::fputs("gen-catalogue: N must be a number from 0 to 10000000\n", stderr);
        return 2;
    }

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base(opt.outDir);
    for (const char* dir : {"save", "cache", "image", "movie", "icon", "temp", "default"}) {
        fs::create_directories(base / dir, ec);
        if (ec) {
            std::fprintf(stderr, "gen-catalogue: cannot create %s: %s\n", (base / dir).c_str(), ec.message().c_str());
            return 1;
        }
    }
    // Caches of an earlier catalogue in the same folder must not survive it.
    for (const char* stale : {"dat.cache", "fdate.cache", "sort.cache"}) fs::remove(base / "cache" / stale, ec);

    const Tables t = makeTables();
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"data.dat", dataFile(t, opt.count, opt.seed)},
        {"hard.dat", hardFile(t.hardware)},
        {"soft.dat", masterFile("soft", t.software)},
        {"genre.dat", masterFile("genre", t.genres)},
        {"screen.dat", masterFile("screen", t.screens)},
    };
    for (const auto& f : files) {
        std::string error;
        if (!klmWriteFileAtomic((base / f.name).string(), f.bytes, &error)) {
            std::fprintf(stderr, "gen-catalogue: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
