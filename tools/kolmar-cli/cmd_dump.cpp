// kolmar-cli dump BASEDIR [--tables]: the loaded catalogue as JSON Lines,
// either one object per GameRecord in catalogue order or one per entry of
// every master and derived table.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "text/cp932.h"

KlmJson klmCliGameFields(const GameRecord& g, int32_t index)
{
    KlmJson line;
    line["index"] = index;
    line["image_number"] = g.imageNumber;
    line["image_number_text"] = klmCliText(klmField(g.imageNumberText));
    line["title"] = klmCliText(klmField(g.title));
    line["english_title"] = klmCliText(klmField(g.englishTitle));
    line["title_kana"] = klmCliText(klmField(g.titleKana));
    line["hardware"] = g.hardware;
    line["software"] = g.software;
    line["publisher_number"] = g.publisherNumber;
    line["publisher"] = klmCliText(klmField(g.publisher));
    line["developer_number"] = g.developerNumber;
    line["developer"] = klmCliText(klmField(g.developer));
    line["genre"] = g.genre;
    line["release_date"] = g.releaseDate;
    line["release_date_text"] = klmCliText(klmField(g.releaseDateText));
    line["price"] = g.price;
    line["price_text"] = klmCliText(klmField(g.priceText));
    line["comment"] = klmCliText(klmField(g.comment));
    line["crc32"] = klmCliText(klmField(g.crc32));
    line["extension"] = klmCliText(klmField(g.extension));
    line["rom_size"] = g.romSize;
    line["rom_size_text"] = klmCliText(klmField(g.romSizeText));
    line["found_path"] = klmCliText(klmField(g.foundPath));
    line["member_name"] = klmCliText(klmField(g.memberName));
    line["target_name"] = klmCliText(klmField(g.targetName));
    line["ownership"] = g.ownership;
    line["has_movie"] = g.hasMovie;
    line["favorite"] = g.favorite;
    line["movie_mark"] = klmCliText(klmField(g.movieMark));
    line["group"] = g.group;
    line["disk"] = g.disk;
    line["arcade_file"] = klmCliText(klmField(g.arcadeFile));
    line["screen"] = g.screen;
    line["serial"] = klmCliText(klmField(g.serial));
    return line;
}

namespace {

// One line of JSON Lines; texts that are no valid UTF-8 get U+FFFD.
std::string jsonLine(const KlmJson& object)
{
    return object.dump(-1, ' ', false, KlmJson::error_handler_t::replace) + '\n';
}

void dumpTable(const char* table, const std::vector<MasterEntry>& entries)
{
    for (const MasterEntry& e : entries) {
        KlmJson line;
        line["table"] = table;
        line["position"] = e.position;
        line["key"] = e.key;
        line["image_number"] = e.imageNumber;
        line["name"] = klmCliText(klmField(e.name));
        line["alias"] = klmCliText(klmField(e.alias));
        line["aspect"] = e.aspect;
        line["skin"] = e.skin;
        line["value"] = e.value;
        klmCliWrite(jsonLine(line));
    }
}

int runDump(const std::string& base, bool tables)
{
    AppPaths paths;
    if (!klmCliOpenBase(base, paths)) return kKlmExitCannotLoad;
    Catalogue cat;
    if (!klmCliLoadCatalogue(paths, cat)) return kKlmExitCannotLoad;

    if (tables) {
        dumpTable("hard", cat.hardware);
        dumpTable("soft", cat.software);
        dumpTable("genre", cat.genre);
        dumpTable("screen", cat.screen);
        dumpTable("developer", cat.developer);
        dumpTable("publisher", cat.publisher);
        dumpTable("romsize", cat.romSize);
    } else {
        for (size_t i = 0; i < cat.games.size(); ++i)
            klmCliWrite(jsonLine(klmCliGameFields(cat.games[i], static_cast<int32_t>(i))));
    }
    return klmCliFlush() ? kKlmExitOk : kKlmExitCannotLoad;
}

}  // namespace

KlmCliRun klmCliDump(CLI::App& app)
{
    struct Options {
        std::string base;
        bool tables = false;
    };
    auto o = std::make_shared<Options>();
    klmCliBaseArgument(app, o->base);
    app.add_flag("--tables", o->tables);
    return [o] { return runDump(o->base, o->tables); };
}
