#include "media/movie_info.h"

#include <cstdint>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"
#include "text/section_file.h"

void klmSetMovieFlag(GameRecord& game, bool hasMovie)
{
    game.hasMovie = hasMovie ? 1 : 0;
    klmCopyField(game.movieMark, hasMovie ? kKlmMovieMarkYes : kKlmMovieMarkNo);
}

std::string klmMovieInfoImage(const Catalogue& cat)
{
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    klmWriteInt(w, cat.movieCount);
    for (size_t i = 0; i < cat.games.size(); ++i)
        if (cat.games[i].hasMovie == 1)
            klmWriteInt(w, static_cast<long long>(i));
    klmWriteLine(w, "[END]");
    return std::move(w.out);
}

int klmReadMovieInfoImage(std::string_view image, Catalogue& cat)
{
    KlmSectionReader r = klmMakeSectionReader(image);
    std::string line;
    if (!klmReadLine(r, line))  // "[BEGIN]"
        return 0;
    if (!klmReadLine(r, line) || klmContainsText(line, "[END]"))
        return 0;
    long long count = 0;
    if (klmDigitLineValue(line, count) && count >= 0 && count <= INT32_MAX)
        cat.movieCount = static_cast<int32_t>(count);
    const std::vector<size_t> positions = klmReadIndexLines(r, cat.games.size());
    for (size_t pos : positions)
        klmSetMovieFlag(cat.games[pos], true);
    return static_cast<int>(positions.size());
}

bool klmLoadMovieInfoFile(const std::string& path, Catalogue& cat, std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
        return false;
    klmReadMovieInfoImage(image, cat);
    return true;
}

bool klmSaveMovieInfoFile(const std::string& path, const Catalogue& cat, std::string* error)
{
    return klmWriteFileAtomic(path, klmMovieInfoImage(cat), error);
}
