#include "browse/favorites.h"

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/save_file.h"
#include "text/section_file.h"

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
    const std::vector<size_t> named = klmReadIndexLines(r, cat.games.size());
    for (size_t index : named)
        cat.games[index].favorite = 1;
    return static_cast<int>(named.size());
}

bool klmLoadFavoritesFile(const std::string& path, Catalogue& cat, std::string* error)
{
    std::string image;
    if (!klmReadSaveFile(path, image, error))
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
    // The name is a path of the file system (UTF-8 here), not CP932 text:
    // walked as CP932, "お気に入り.dat" would hide its ".dat" behind a lead
    // byte. '.' is never the second byte of a CP932 character, so a plain
    // byte search finds the same ".dat" in either encoding.
    std::string name(chosen);
    if (name.find(".dat") == std::string::npos)
        name += ".dat";
    return name;
}
