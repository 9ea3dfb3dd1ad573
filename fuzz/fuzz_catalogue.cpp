// Feeds arbitrary bytes to the data.dat reader, each master-table reader
// and the dat.cache reader, then runs the derived tables and display texts
// over whatever was read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "catalogue/cache.h"
#include "catalogue/catalogue.h"
#include "catalogue/format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view image(reinterpret_cast<const char*>(data), size);
    KlmProblemList problems;
    Catalogue cat;
    klmParseDataImage(image, cat, &problems);
    {
        // Two readers, split wherever a "<game>" line allows, read what one does.
        KlmProblemList splitProblems;
        Catalogue split;
        klmParseDataImageSplit(image, split, &splitProblems, "data.dat", 1);
        if (split.games.size() != cat.games.size() || split.sourceLines != cat.sourceLines ||
            splitProblems.size() != problems.size())
            __builtin_trap();
        if (!cat.games.empty() &&
            std::memcmp(split.games.data(), cat.games.data(), cat.games.size() * sizeof(GameRecord)) != 0)
            __builtin_trap();
        for (size_t i = 0; i < problems.size(); ++i)
            if (problems[i].line != splitProblems[i].line || problems[i].kind != splitProblems[i].kind ||
                problems[i].detail != splitProblems[i].detail)
                __builtin_trap();
    }
    for (KlmTableKind kind : {KlmTableKind::Hardware, KlmTableKind::Software, KlmTableKind::Genre,
                              KlmTableKind::Screen})
        klmLoadMasterImage(kind, image, cat, &problems);
    klmBuildNameTables(cat);
    klmBuildSizeTable(cat);
    klmResetMovieMarks(cat);
    klmFormatDates(cat, static_cast<int>(size % 6));
    klmFormatPrices(cat, static_cast<int>(size % 4));
    klmFormatSizes(cat, static_cast<int>(size % 2));
    if (!cat.games.empty()) klmSelectFirstDisk(cat, static_cast<int32_t>(size % cat.games.size()));

    Catalogue fromCache;
    if (klmReadCatalogueCacheImage(image, fromCache)) {
        // A cache that is accepted must write back to the same bytes.
        if (klmCatalogueCacheImage(fromCache) != image) __builtin_trap();
    }
    return 0;
}
