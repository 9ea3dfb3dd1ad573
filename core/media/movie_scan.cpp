#include "media/movie_scan.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "catalogue/app_paths.h"
#include "media/movie_info.h"
#include "text/section_file.h"

namespace fs = std::filesystem;

namespace {

bool endsWithAvi(const std::string& name)
{
    if (name.size() < 4)
        return false;
    const char* e = name.data() + name.size() - 4;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return e[0] == '.' && lower(e[1]) == 'a' && lower(e[2]) == 'v' && lower(e[3]) == 'i';
}

}  // namespace

bool klmMovieFileNumber(const std::string& fileName, int32_t& number)
{
    if (!endsWithAvi(fileName))
        return false;
    number = klmLeadingInt32(std::string_view(fileName).substr(0, fileName.size() - 4));
    return true;
}

KlmMovieScan klmScanMovieFolder(const std::string& folder, Catalogue& cat)
{
    KlmMovieScan scan;
    klmResetMovieMarks(cat);

    // Games by number, so each file costs a binary search; made at the
    // first movie file, as a folder without any needs none.
    std::vector<std::pair<int32_t, int32_t>> byNumber;
    auto sortByNumber = [&] {
        byNumber.reserve(cat.games.size());
        for (size_t i = 0; i < cat.games.size(); ++i)
            byNumber.emplace_back(cat.games[i].imageNumber, static_cast<int32_t>(i));
        std::sort(byNumber.begin(), byNumber.end());
    };

    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return scan;
    scan.folderRead = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const fs::directory_entry& entry = *it;
        int32_t number = 0;
        if (!klmMovieFileNumber(entry.path().filename().string(), number))
            continue;
        std::error_code typeError;
        if (entry.is_directory(typeError))
            continue;
        ++scan.files;
        if (scan.files == 1)
            sortByNumber();
        auto [first, last] = std::equal_range(
            byNumber.begin(), byNumber.end(), std::make_pair(number, 0),
            [](const auto& a, const auto& b) { return a.first < b.first; });
        if (first == last)
            continue;
        ++scan.matchedFiles;
        for (auto p = first; p != last; ++p) {
            GameRecord& g = cat.games[static_cast<size_t>(p->second)];
            if (g.hasMovie != 1)
                ++scan.marked;
            klmSetMovieFlag(g, true);
        }
    }
    cat.movieCount = scan.matchedFiles;
    return scan;
}

KlmMovieScan klmUpdateMovieInfo(const AppPaths& paths, Catalogue& cat, SortOrders& orders)
{
    KlmMovieScan scan = klmScanMovieFolder(paths.movieDir, cat);
    klmResortMovieOrders(orders, cat);
    return scan;
}

KlmMovieInfoSource klmLoadMovieInfoAtStart(const AppPaths& paths, Catalogue& cat, bool catalogueParsedAnew)
{
    if (catalogueParsedAnew) {
        klmScanMovieFolder(paths.movieDir, cat);
        return KlmMovieInfoSource::Rescanned;
    }
    return klmLoadMovieInfoFile(paths.movieinfoDat, cat) ? KlmMovieInfoSource::File : KlmMovieInfoSource::Nothing;
}
