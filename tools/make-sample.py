#!/usr/bin/env python3
"""Writes the sample catalogue shipped in sample/: data.dat and the four
master tables in code page 932 with CRLF line ends, plus the small default
pictures. Every game, maker and machine here is invented.

The output is committed; run this again only to change the sample:
    python3 tools/make-sample.py [OUTDIR]
"""

import os
import random
import subprocess
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "sample")

# key, imageNumber, name, alias, aspect, skin, media kind
HARDWARE = [
    (1, 10, "ルミナス16", "るみなすじゅうろく", 0, 1, "cart"),
    (2, 20, "ソルティアＣＤ", "そるてぃあしーでぃー", 1, 2, "cd"),
    (3, 30, "アーケード", "あーけーど", 1, 2, "arcade"),
    (4, 40, "パルスボーイ", "ぱるすぼーい", 0, 2, "handheld"),
    (5, 50, "ミラージュ３２", "みらーじゅさんじゅうに", 1, 1, "cd"),
    (6, 60, "オルビス", "おるびす", 0, 1, "cart"),
    (7, 70, "カグラ・ポケット", "かぐらぽけっと", 0, 0, "handheld"),
    (8, 80, "ゼノスＸ", "ぜのすえっくす", 0, 2, "floppy"),
]

SOFTWARE = [
    (1, 1, "ROMカートリッジ", "ろむかーとりっじ"),
    (2, 2, "CD-ROM", "しーでぃーろむ"),
    (3, 3, "フロッピーディスク", "ふろっぴーでぃすく"),
    (4, 4, "専用基板", "せんようきばん"),
    (5, 5, "システム基板ＫＸ", "しすてむきばんけーえっくす"),
    (6, 6, "ICカード", "あいしーかーど"),
    (7, 7, "カセットテープ", "かせっとてーぷ"),
]

GENRES = [
    (10, 1, "アクション", "あくしょん"),
    (20, 2, "シューティング", "しゅーてぃんぐ"),
    (30, 3, "ロールプレイング", "ろーるぷれいんぐ"),
    (40, 4, "アドベンチャー", "あどべんちゃー"),
    (50, 5, "パズル", "ぱずる"),
    (60, 6, "スポーツ", "すぽーつ"),
    (70, 7, "レース", "れーす"),
    (80, 8, "シミュレーション", "しみゅれーしょん"),
    (90, 9, "テーブル", "てーぶる"),
    (100, 10, "音楽", "おんがく"),
]

SCREENS = [
    (0, 0, "横画面", "よこがめん"),
    (1, 1, "縦画面", "たてがめん"),
    (2, 2, "横画面（２画面）", "よこがめんにがめん"),
    (3, 3, "不明", "ふめい"),
]

DEVELOPERS = ["ルナテック", "蒼電工房", "ミカヅキ製作所", "ソフトハウス表町",
              "能登ゲームス", "スタジオ十六夜", "ピクセル予備校", "アクアマリン企画",
              "株式会社ゼファー", "夕凪ソフト", "鉄扇電子", "ハミングバード"]
PUBLISHERS = ["ルナテック", "株式会社スターリーフ", "ゼファー出版", "十文字エンタープライズ",
              "ミカヅキ製作所", "白鷺ゲームブックス", "蒼電工房", "ノヴァリンク",
              "ソレイユ販売", "夕凪ソフト"]

# title, reading, English title, genre key, hardware keys (one record per
# port), disks (1 = single)
TITLES = [
    ("ソウルブレイカー", "そうるぶれいかー", "Soul Breaker", 10, [1, 6], 1),
    ("表裏のラビリンス", "ひょうりのらびりんす", "Labyrinth of Two Faces", 40, [8], 1),
    ("超能力少女ミコ", "ちょうのうりょくしょうじょみこ", "Psychic Girl Miko", 10, [4, 7], 1),
    ("ギャラクシーレイド～星の海へ～", "ぎゃらくしーれいどほしのうみへ",
     "Galaxy Raid: To the Sea of Stars", 20, [3, 5], 1),
    ("ＡＢＣ大作戦", "えーびーしーだいさくせん", "Operation ABC", 50, [1], 1),
    ("十字砲火ゾーン", "じゅうじほうかぞーん", "Cross Fire Zone", 20, [3], 1),
    ("予言者の塔", "よげんしゃのとう", "Tower of the Prophet", 30, [8, 2], 1),
    ("ソーサリーブレード", "そーさりーぶれーど", "Sorcery Blade", 30, [2], 2),
    ("スカイファング", "すかいふぁんぐ", "Sky Fang", 20, [3], 1),
    ("メタルビートル", "めたるびーとる", "Metal Beetle", 10, [3, 6], 1),
    ("ネオンハイウェイ", "ねおんはいうぇい", "Neon Highway", 70, [3, 5], 1),
    ("ドラゴンの申し子", "どらごんのもうしご", "Child of the Dragon", 30, [1], 1),
    ("魔導構築士", "まどうこうちくし", "Arcane Architect", 80, [8], 1),
    ("暴走特急ＳＯＳ", "ぼうそうとっきゅうえすおーえす", "Runaway Express SOS", 10, [6], 1),
    ("噂のパズル姫", "うわさのぱずるひめ", "The Rumored Puzzle Princess", 50, [4, 7], 1),
    ("月影の剣士", "つきかげのけんし", "Moonshadow Swordsman", 10, [3], 1),
    ("ピコピコ牧場", "ぴこぴこぼくじょう", "Pico Pico Ranch", 80, [7], 1),
    ("蒼穹のストライカー", "そうきゅうのすとらいかー", "Strikers of the Azure Sky", 20, [3, 2], 1),
    ("ホッパーくん", "ほっぱーくん", "Hopper-kun", 10, [4], 1),
    ("玻璃の騎士団", "はりのきしだん", "Order of the Glass Knights", 30, [5], 2),
    ("ＳＦ麻雀ギャラクシー", "えすえふまーじゃんぎゃらくしー", "SF Mahjong Galaxy", 90, [3, 8], 1),
    ("ゆけむり温泉街", "ゆけむりおんせんがい", "Steamy Spa Street", 40, [2], 1),
    ("サイバーダンジョン", "さいばーだんじょん", "Cyber Dungeon", 30, [8], 1),
    ("雷鳴の戦記", "らいめいのせんき", "Chronicle of Thunder", 80, [1], 1),
    ("まるまるパニック", "まるまるぱにっく", "Round Round Panic", 50, [3, 4], 1),
    ("ソラノツバサ", "そらのつばさ", "Wings of the Sky", 20, [6], 1),
    ("ＧＯＧＯ！ペンギン隊", "ごーごーぺんぎんたい", "Go Go Penguin Squad", 10, [7], 1),
    ("剣と魔法の国", "けんとまほうのくに", "Land of Swords and Magic", 30, [1], 1),
    ("デッドラインＸ", "でっどらいんえっくす", "Deadline X", 20, [3], 1),
    ("ハイパーボウリング", "はいぱーぼうりんぐ", "Hyper Bowling", 60, [3], 1),
    ("鋼鉄の旋風", "こうてつのせんぷう", "Steel Whirlwind", 20, [5], 1),
    ("ミッドナイト探偵", "みっどないとたんてい", "Midnight Detective", 40, [8], 1),
    ("星降る村の物語", "ほしふるむらのものがたり", "Tale of the Starfall Village", 30, [2], 3),
    ("ゼロ距離シューター", "ぜろきょりしゅーたー", "Point Blank Shooter", 20, [6], 1),
    ("ペーパーナイト", "ぺーぱーないと", "Paper Knight", 10, [4], 1),
    ("マジカル表計算", "まじかるひょうけいさん", "Magical Spreadsheet", 50, [8], 1),
    ("能面奇譚", "のうめんきたん", "Tales of the Noh Mask", 40, [5], 2),
    ("ロボ・サッカー２００１", "ろぼさっかーにせんいち", "Robo Soccer 2001", 60, [5, 7], 1),
    ("紫電ボルテージ", "しでんぼるてーじ", "Violet Voltage", 20, [3], 1),
    ("海底都市アクア", "かいていとしあくあ", "Undersea City Aqua", 40, [2], 3),
    ("峠の走り屋", "とうげのはしりや", "Mountain Pass Runner", 70, [3], 1),
    ("カードの達人", "かーどのたつじん", "Card Master", 90, [4], 1),
    ("忍者カゲロウ丸", "にんじゃかげろうまる", "Ninja Kagerou-maru", 10, [1, 3], 1),
    ("ブロックタワー", "ぶろっくたわー", "Block Tower", 50, [7], 1),
    ("ワンダーサーカス", "わんだーさーかす", "Wonder Circus", 10, [6], 1),
    ("宇宙探査船ソレイユ", "うちゅうたんさせんそれいゆ", "Starship Soleil", 80, [5], 1),
    ("詰将棋十番勝負", "つめしょうぎじゅうばんしょうぶ", "Ten Tsume-Shogi Bouts", 90, [8], 1),
    ("ソードダンサー", "そーどだんさー", "Sword Dancer", 10, [3], 1),
    ("虹色ファンタジア", "にじいろふぁんたじあ", "Rainbow Fantasia", 30, [5], 2),
    ("アイスホッケー魂", "あいすほっけーだましい", "Ice Hockey Spirit", 60, [1], 1),
    ("ＶＳ．ボクシング", "ぶいえすぼくしんぐ", "VS. Boxing", 60, [3], 1),
    ("キャンディ工場", "きゃんでぃこうじょう", "Candy Factory", 50, [4], 1),
    ("呪われた洋館", "のろわれたようかん", "The Cursed Mansion", 40, [8], 1),
    ("フライトアカデミー", "ふらいとあかでみー", "Flight Academy", 80, [2], 1),
    ("ダイヤモンド鉱山", "だいやもんどこうざん", "Diamond Mine", 50, [3], 1),
    ("モグラ大騒動", "もぐらだいそうどう", "Mole Mayhem", 10, [3, 7], 1),
    ("戦国表裏絵巻", "せんごくひょうりえまき", "Sengoku Scroll of Deceit", 80, [5], 1),
    ("ポリゴン戦車隊", "ぽりごんせんしゃたい", "Polygon Tank Corps", 20, [5], 1),
    ("ミュージックラリー", "みゅーじっくらりー", "Music Rally", 100, [2, 3], 1),
    ("夜明けの予報士", "よあけのよほうし", "Dawn Forecaster", 80, [4], 1),
    ("ソウルブレイカーＩＩ", "そうるぶれいかーつー", "Soul Breaker II", 10, [6], 1),
    ("超能力少女ミコ２～時の迷宮～", "ちょうのうりょくしょうじょみこつーときのめいきゅう",
     "Psychic Girl Miko 2: Labyrinth of Time", 10, [7], 1),
]

MEDIA = {
    "cart": (1, "bin", [131072, 262144, 524288, 1048576, 2097152, 4194304]),
    "handheld": (1, "gb", [32768, 65536, 131072, 262144, 524288, 1048576]),
    "cd": (2, "cue", [178257920, 335544320, 512753664, 671088640]),
    "floppy": (3, "d88", [348160, 1261568, 1310720]),
    "arcade": (4, "zip", [393216, 1572864, 3145728, 6291456, 10485760]),
}

COMMENTS = [
    "初回限定版には設定資料集が付属。",
    "隠しコマンドで難易度選択が可能。",
    "後に廉価版が発売された。",
    "２人同時プレイ対応。",
    "バッテリーバックアップ搭載。",
    "店頭デモ用の体験版が存在する。",
    "パッケージ裏の表記と実際の内容が異なる。",
]

SERIAL_PREFIX = {1: "LMS", 2: "SCD", 3: "ARC", 4: "PLB", 5: "MRG", 6: "ORB", 7: "KGP", 8: "XNS"}


def crc_for(rng):
    return "%08X" % rng.getrandbits(32)


def build_games():
    rng = random.Random(932)
    games = []
    group = 0
    for t_index, (title, reading, english, genre, hards, disks) in enumerate(TITLES):
        for hard in hards:
            kind = HARDWARE[[h[0] for h in HARDWARE].index(hard)][6]
            soft, ext, sizes = MEDIA[kind]
            if kind == "arcade":
                soft = rng.choice([4, 5])
            if kind == "cart" and rng.random() < 0.2:
                soft = 6
            if kind == "floppy" and rng.random() < 0.25:
                soft = 7
                ext = "cas"
            year = rng.randint(1983, 2001)
            date = year * 10000 + rng.randint(1, 12) * 100 + rng.randint(1, 28)
            price = 0 if kind == "arcade" else rng.choice([3800, 4800, 5800, 6800, 7800, 9800, 12800])
            size = rng.choice(sizes)
            screen = 0
            if kind == "arcade":
                screen = 1 if genre == 20 and rng.random() < 0.7 else 0
            # A few makers carry most of the catalogue, as in real collections.
            dev = rng.choices(DEVELOPERS, weights=[10, 8, 6, 5, 4, 4, 3, 3, 2, 2, 1, 1])[0]
            pub = rng.choices(PUBLISHERS, weights=[10, 8, 6, 5, 4, 3, 3, 2, 2, 1])[0]
            arcade = None
            if kind == "arcade":
                arcade = "".join(c for c in english.lower() if c.isalnum())[:8]
            serial = "%s-%04d" % (SERIAL_PREFIX[hard], 1000 + len(games) * 7)
            comment = rng.choice(COMMENTS) if rng.random() < 0.35 else ""
            group += 1
            for disk in range(disks):
                g = dict(title=title, reading=reading, english=english, hard=hard, soft=soft,
                         dev=dev, pub=pub, genre=genre, date=date, price=price, size=size,
                         ext=ext, screen=screen, serial=serial, comment=comment,
                         arcade=arcade, group=group, disk=disk, crc=crc_for(rng))
                if disks > 1:
                    g["title"] = "%s　ディスク%s" % (title, "１２３４"[disk])
                    g["reading"] = reading + "でぃすく" + "いちにさんよん"[disk]
                    g["english"] = "%s (Disk %d)" % (english, disk + 1)
                    g["size"] = size - disk * 1048576
                games.append(g)

    # Records the tests look at: keep their values fixed.
    def record(title, hard):
        return next(g for g in games if g["title"] == title and g["hard"] == hard)

    record("ソウルブレイカー", 1).update(
        date=19870715, price=3800, size=262144, soft=1, dev="ルナテック", pub="ルナテック",
        comment="シリーズ第１作。", crc="1A2B3C4D", serial="LMS-0001")
    # Every value unknown.
    record("表裏のラビリンス", 8).update(date=19830000, price=0, size=0, crc="00000000", comment="")
    record("超能力少女ミコ", 4).update(date=99999999, price=980, crc="FFFFFFFF")
    # An arcade game with an empty <arcade>.
    record("ギャラクシーレイド～星の海へ～", 3).update(arcade="", date=19839999, price=0, size=1572864)
    record("ＡＢＣ大作戦", 1).update(date=20050704, price=12800, size=1048576)

    # A few more unknowns scattered through the rest.
    for i in (20, 41, 77):
        if i < len(games):
            games[i]["size"] = 0
    for i in (33, 58):
        if i < len(games):
            games[i]["date"] = games[i]["date"] // 10000 * 10000
    for i in (12, 66):
        if i < len(games):
            games[i]["price"] = 0
    for g in games[40:]:
        if g["arcade"]:
            g["arcade"] = ""  # a second empty <arcade>, away from the first
            break
    for i in (25,):
        games[i]["crc"] = "00000000"
    for i in (47,):
        games[i]["crc"] = "FFFFFFFF"
    return games


def write(path, lines):
    data = ("\r\n".join(lines) + "\r\n").encode("cp932")
    with open(path, "wb") as f:
        f.write(data)


def master_lines(tag, rows, with_hw=False):
    lines = ["<dat>"]
    for row in rows:
        key, image, name, alias = row[:4]
        lines.append("<%s>" % tag)
        lines.append("<index>%d</index>" % key)
        lines.append("<imageNumber>%d</imageNumber>" % image)
        lines.append("<name>%s</name>" % name)
        lines.append("<alias>%s</alias>" % alias)
        aspect, skin = (row[4], row[5]) if with_hw else (0, 0)
        lines.append("<aspect>%d</aspect>" % aspect)
        lines.append("<skin>%d</skin>" % skin)
        lines.append("</%s>" % tag)
    lines.append("</dat>")
    return lines


def data_lines(games):
    lines = ["<dat>"]
    for n, g in enumerate(games, start=1):
        lines.append("<game>")
        lines.append("<number>%04d</number>" % n)
        lines.append("<title>%s</title>" % g["title"])
        lines.append("<alias>%s</alias>" % g["reading"])
        lines.append("<english>%s</english>" % g["english"])
        lines.append("<hard>%d</hard>" % g["hard"])
        lines.append("<soft>%d</soft>" % g["soft"])
        lines.append("<developer>%s</developer>" % g["dev"])
        lines.append("<publisher>%s</publisher>" % g["pub"])
        lines.append("<genre>%d</genre>" % g["genre"])
        lines.append("<date>%08d</date>" % g["date"])
        lines.append("<price>%d</price>" % g["price"])
        lines.append("<comment>%s</comment>" % g["comment"])
        lines.append("<crc32>%s</crc32>" % g["crc"])
        lines.append("<extension>%s</extension>" % g["ext"])
        lines.append("<size>%d</size>" % g["size"])
        lines.append("<group>%d</group>" % g["group"])
        lines.append("<disk>%d</disk>" % g["disk"])
        if g["arcade"] is not None:
            lines.append("<arcade>%s</arcade>" % g["arcade"])
        lines.append("<screen>%d</screen>" % g["screen"])
        lines.append("<serial>%s</serial>" % g["serial"])
        lines.append("</game>")
    lines.append("</dat>")
    return lines


def main():
    os.makedirs(OUT, exist_ok=True)
    games = build_games()
    assert 60 <= len(games) <= 150, len(games)
    write(os.path.join(OUT, "data.dat"), data_lines(games))
    write(os.path.join(OUT, "hard.dat"), master_lines("hard", HARDWARE, with_hw=True))
    write(os.path.join(OUT, "soft.dat"), master_lines("soft", SOFTWARE))
    write(os.path.join(OUT, "genre.dat"), master_lines("genre", GENRES))
    write(os.path.join(OUT, "screen.dat"), master_lines("screen", SCREENS))

    for folder in ("save", "cache", "image", "movie", "icon", "temp", "default"):
        os.makedirs(os.path.join(OUT, folder), exist_ok=True)
    for folder in ("save", "cache", "image", "movie", "icon", "temp"):
        keep = os.path.join(OUT, folder, ".gitkeep")
        if not os.path.exists(keep):
            open(keep, "wb").close()

    # Plain placeholder pictures; -strip keeps the bytes free of timestamps.
    default = os.path.join(OUT, "default")
    pictures = [
        ("nolist.png", ["-size", "160x120", "xc:#303030"]),
        ("nopicture.png", ["-size", "160x120", "xc:#202040"]),
        ("frame.png", ["-size", "200x160", "xc:#808080", "-fill", "none", "-stroke", "#f0f0f0",
                       "-strokewidth", "4", "-draw", "rectangle 2,2 197,157"]),
    ]
    for name, args in pictures:
        subprocess.run(["convert", *args, "-strip", "-define", "png:exclude-chunks=date,time",
                        os.path.join(default, name)], check=True)
    print("%d games written to %s" % (len(games), os.path.abspath(OUT)))


if __name__ == "__main__":
    main()
