// kolmar-cli dump BASEDIR [--tables]: the loaded catalogue as JSON Lines,
// either one object per GameRecord in catalogue order or one per entry of
// every master and derived table.
#include <cstdio>
#include <string>

#include "cli.h"
#include "json.h"
#include "text/cp932.h"

void klmCliGameFields(KlmJsonLine& line, const GameRecord& g, int32_t index)
{
    klmJsonInt(line, "index", index);
    klmJsonInt(line, "image_number", g.imageNumber);
    klmJsonCp932(line, "image_number_text", klmField(g.imageNumberText));
    klmJsonCp932(line, "title", klmField(g.title));
    klmJsonCp932(line, "english_title", klmField(g.englishTitle));
    klmJsonCp932(line, "title_kana", klmField(g.titleKana));
    klmJsonInt(line, "hardware", g.hardware);
    klmJsonInt(line, "software", g.software);
    klmJsonInt(line, "publisher_number", g.publisherNumber);
    klmJsonCp932(line, "publisher", klmField(g.publisher));
    klmJsonInt(line, "developer_number", g.developerNumber);
    klmJsonCp932(line, "developer", klmField(g.developer));
    klmJsonInt(line, "genre", g.genre);
    klmJsonInt(line, "release_date", g.releaseDate);
    klmJsonCp932(line, "release_date_text", klmField(g.releaseDateText));
    klmJsonInt(line, "price", g.price);
    klmJsonCp932(line, "price_text", klmField(g.priceText));
    klmJsonCp932(line, "comment", klmField(g.comment));
    klmJsonCp932(line, "crc32", klmField(g.crc32));
    klmJsonCp932(line, "extension", klmField(g.extension));
    klmJsonInt(line, "rom_size", g.romSize);
    klmJsonCp932(line, "rom_size_text", klmField(g.romSizeText));
    klmJsonCp932(line, "found_path", klmField(g.foundPath));
    klmJsonCp932(line, "member_name", klmField(g.memberName));
    klmJsonCp932(line, "target_name", klmField(g.targetName));
    klmJsonInt(line, "ownership", g.ownership);
    klmJsonInt(line, "has_movie", g.hasMovie);
    klmJsonInt(line, "favorite", g.favorite);
    klmJsonCp932(line, "movie_mark", klmField(g.movieMark));
    klmJsonInt(line, "group", g.group);
    klmJsonInt(line, "disk", g.disk);
    klmJsonCp932(line, "arcade_file", klmField(g.arcadeFile));
    klmJsonInt(line, "screen", g.screen);
    klmJsonCp932(line, "serial", klmField(g.serial));
}

namespace {

void dumpTable(const char* table, const std::vector<MasterEntry>& entries, KlmJsonLine& line)
{
    for (const MasterEntry& e : entries) {
        klmJsonBegin(line);
        klmJsonString(line, "table", table);
        klmJsonInt(line, "position", e.position);
        klmJsonInt(line, "key", e.key);
        klmJsonInt(line, "image_number", e.imageNumber);
        klmJsonCp932(line, "name", klmField(e.name));
        klmJsonCp932(line, "alias", klmField(e.alias));
        klmJsonInt(line, "aspect", e.aspect);
        klmJsonInt(line, "skin", e.skin);
        klmJsonInt(line, "value", e.value);
        klmJsonEnd(line);
        klmJsonWrite(line, stdout);
    }
}

}  // namespace

int klmCliDump(const KlmCliArgs& args)
{
    static const char* const kUsage = "dump BASEDIR [--tables]";
    std::string base;
    bool tables = false;
    for (const std::string& a : args) {
        if (a == "--tables") {
            tables = true;
        } else if (!a.empty() && a[0] != '-' && base.empty()) {
            base = a;
        } else {
            return klmCliUsage(kUsage);
        }
    }
    if (base.empty()) return klmCliUsage(kUsage);

    AppPaths paths;
    if (!klmCliOpenBase(base, paths)) return kKlmExitCannotLoad;
    Catalogue cat;
    if (!klmCliLoadCatalogue(paths, cat)) return kKlmExitCannotLoad;

    KlmJsonLine line;
    if (tables) {
        dumpTable("hard", cat.hardware, line);
        dumpTable("soft", cat.software, line);
        dumpTable("genre", cat.genre, line);
        dumpTable("screen", cat.screen, line);
        dumpTable("developer", cat.developer, line);
        dumpTable("publisher", cat.publisher, line);
        dumpTable("romsize", cat.romSize, line);
    } else {
        for (size_t i = 0; i < cat.games.size(); ++i) {
            klmJsonBegin(line);
            klmCliGameFields(line, cat.games[i], static_cast<int32_t>(i));
            klmJsonEnd(line);
            klmJsonWrite(line, stdout);
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kolmar-cli: 出力を書き込めません\n");
        return kKlmExitCannotLoad;
    }
    return kKlmExitOk;
}
