#include "media/movie_info.h"

#include <cctype>
#include <cstdint>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/section_file.h"

namespace {

// atoi's reading of a line, but only when the line has digits at all: an
// empty or foreign line must not name position 0.
bool lineNumber(std::string_view line, long long& value)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        ++i;
    if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i])))
        return false;
    value = klmLeadingInt(line);
    return true;
}

}  // namespace

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
    if (lineNumber(line, count) && count >= 0 && count <= INT32_MAX)
        cat.movieCount = static_cast<int32_t>(count);
    int marked = 0;
    while (klmReadLine(r, line)) {
        if (klmContainsText(line, "[END]"))
            break;
        long long pos = 0;
        if (!lineNumber(line, pos) || pos < 0 || static_cast<unsigned long long>(pos) >= cat.games.size())
            continue;
        klmSetMovieFlag(cat.games[static_cast<size_t>(pos)], true);
        ++marked;
    }
    return marked;
}

bool klmLoadMovieInfoFile(const std::string& path, Catalogue& cat, std::string* error)
{
    if (error)
        error->clear();
    if (!klmFileExists(path))
        return false;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return false;
    klmReadMovieInfoImage(image, cat);
    return true;
}

bool klmSaveMovieInfoFile(const std::string& path, const Catalogue& cat, std::string* error)
{
    return klmWriteFileAtomic(path, klmMovieInfoImage(cat), error);
}
