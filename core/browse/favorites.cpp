#include "browse/favorites.h"

#include <cctype>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/section_file.h"

namespace {

// A catalogue index from a line: leading decimal digits as atoi reads them.
// A line without digits names no game (atoi's 0 would mark the first game).
bool lineIndex(std::string_view line, const Catalogue& cat, size_t& index)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-'))
        ++i;
    if (i >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i])))
        return false;
    const long long value = klmLeadingInt(line);
    if (value < 0 || static_cast<unsigned long long>(value) >= cat.games.size())
        return false;
    index = static_cast<size_t>(value);
    return true;
}

}  // namespace

std::string klmFavoritesImage(const Catalogue& cat)
{
    KlmSectionWriter w;
    klmWriteLine(w, "[BEGIN]");
    for (size_t i = 0; i < cat.games.size(); ++i)
        if (cat.games[i].favorite != 0)
            klmWriteInt(w, static_cast<long long>(i));
    klmWriteLine(w, "[END]");
    return std::move(w.out);
}

int klmReadFavoritesImage(std::string_view image, Catalogue& cat)
{
    KlmSectionReader r = klmMakeSectionReader(image);
    std::string line;
    if (!klmReadLine(r, line))  // "[BEGIN]"
        return 0;
    int marked = 0;
    while (klmReadLine(r, line)) {
        if (klmContainsText(line, "[END]"))
            break;
        size_t index = 0;
        if (!lineIndex(line, cat, index))
            continue;
        cat.games[index].favorite = 1;
        ++marked;
    }
    return marked;
}

bool klmLoadFavoritesFile(const std::string& path, Catalogue& cat, std::string* error)
{
    if (error)
        error->clear();
    if (!klmFileExists(path))
        return false;
    std::string image;
    if (!klmReadWholeFile(path, image, error))
        return false;
    klmReadFavoritesImage(image, cat);
    return true;
}

bool klmSaveFavoritesFile(const std::string& path, const Catalogue& cat, std::string* error)
{
    return klmWriteFileAtomic(path, klmFavoritesImage(cat), error);
}

std::string klmFavoritesSaveName(std::string_view chosen)
{
    std::string name(chosen);
    if (!klmContainsText(name, ".dat"))
        name += ".dat";
    return name;
}
