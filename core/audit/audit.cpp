#include "audit/audit.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "audit/crc.h"
#include "audit/ownership.h"
#include "rename/file_moves.h"
#include "text/cp932.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPathField = 260;
// Plain files above this are read a piece per unit so that a disc image
// does not hold the dialog (and its cancel button) for seconds.
constexpr uint64_t kPieceSize = uint64_t(8) << 20;
constexpr uint64_t kTooLarge = uint64_t(4) << 30;

void reportPath(const std::string& path, int error)
{
    std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(error));
}

std::string joinPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

// The CP932 form of a native path, or false when it has none that leads
// back to the same file (or does not fit the catalogue's field).
bool catalogueFormOf(const std::string& native, std::string& cp932)
{
    bool ok = true;
    cp932 = klmFromUtf8(native, &ok);
    if (!ok || cp932.size() >= kPathField) return false;
    bool back = true;
    return klmToUtf8(cp932, &back) == native && back;
}

struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator<(const FolderId& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};

struct ScanFolder {
    std::string path;                // native
    std::vector<std::string> files;  // entry names, in listing order
};

struct WalkItem {
    std::string path;
    int32_t level;  // 0 for the ROM folder itself
    int32_t limit;  // deepest level walked
};

// A plain file being read a piece at a time.
struct PieceRead {
    int fd = -1;
    std::string path;
    uint64_t size = 0;
    uint64_t offset = 0;
    uint32_t crc = 0;

    void close()
    {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    ~PieceRead() { close(); }
};

}  // namespace

struct KlmAuditWork {
    // Collect.
    std::vector<WalkItem> roots;
    size_t nextRoot = 0;
    std::vector<WalkItem> stack;  // depth-first: the next folder is at the back
    std::vector<ScanFolder> scan;
    std::unordered_set<std::string> scanPaths;
    std::map<FolderId, int32_t> scanIds;  // folder → scan list position
    std::map<FolderId, int32_t> walkedTo; // folder → levels below it already walked

    // Scan.
    size_t folder = 0;
    size_t file = 0;
    PieceRead piece;

    // First game of each CRC32 text; views into the catalogue's records.
    std::unordered_map<std::string_view, int32_t> firstGame;
};

KlmAuditRun::KlmAuditRun() = default;
KlmAuditRun::~KlmAuditRun() = default;
KlmAuditRun::KlmAuditRun(KlmAuditRun&&) noexcept = default;
KlmAuditRun& KlmAuditRun::operator=(KlmAuditRun&&) noexcept = default;

namespace {

// Lists one folder of the walk: adds it to the scan list (once) with its
// files, and queues its subfolders when the walk goes deeper from here than
// it went before.
void collectFolder(KlmAuditRun& run, const WalkItem& item)
{
    KlmAuditWork& w = *run.work;
    struct stat st {};
    if (::stat(item.path.c_str(), &st) != 0) {
        reportPath(item.path, errno);
        return;
    }
    if (!S_ISDIR(st.st_mode)) {
        reportPath(item.path, ENOTDIR);
        return;
    }
    const FolderId id{st.st_dev, st.st_ino};
    const int32_t below = item.limit - item.level;
    const bool add = !w.scanPaths.count(item.path) && !w.scanIds.count(id);
    auto walked = w.walkedTo.find(id);
    const bool descend = below > 0 && (walked == w.walkedTo.end() || walked->second < below);
    if (!add && !descend) return;

    DIR* dir = ::opendir(item.path.c_str());
    if (!dir) {
        reportPath(item.path, errno);
        return;
    }
    ScanFolder folder;
    folder.path = item.path;
    std::vector<std::string> subfolders;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) reportPath(item.path, errno);
            break;
        }
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        // A rename's work folder holds copies, never a ROM of its own.
        if (klmIsRenameWorkName(name)) continue;
        bool isFolder = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            // A link counts as what it leads to; a broken one as a file,
            // which the scan then reports.
            struct stat target {};
            isFolder = ::stat(joinPath(item.path, name).c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        if (isFolder) {
            if (descend) subfolders.emplace_back(name);
        } else if (add) {
            folder.files.emplace_back(name);
        }
    }
    ::closedir(dir);

    if (add) {
        w.scanPaths.insert(item.path);
        w.scanIds.emplace(id, int32_t(w.scan.size()));
        run.totalFiles += int32_t(folder.files.size());
        w.scan.push_back(std::move(folder));
        run.folderCount = int32_t(w.scan.size());
    }
    if (descend) {
        w.walkedTo[id] = below;
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
            w.stack.push_back({joinPath(item.path, *it), item.level + 1, item.limit});
    }
}

// One unit of the collect phase. Moves on to the scan when all is walked.
void collectStep(KlmAuditRun& run)
{
    KlmAuditWork& w = *run.work;
    if (w.stack.empty()) {
        if (w.nextRoot >= w.roots.size()) {
            run.phase = KlmAuditPhase::Scan;
            return;
        }
        w.stack.push_back(w.roots[w.nextRoot++]);
    }
    WalkItem item = std::move(w.stack.back());
    w.stack.pop_back();
    collectFolder(run, item);
}

void finish(KlmAuditRun& run)
{
    run.phase = KlmAuditPhase::Finished;
    run.work.reset();
}

// Marks the first game with the CRC text, if any.
int32_t matchCrc(KlmAuditRun& run, const std::string& crc, const std::string& cp932Path, const std::string& member)
{
    if (crc.empty()) return -1;  // no CRC was computed: nothing to compare
    const auto found = run.work->firstGame.find(crc);
    if (found == run.work->firstGame.end()) return -1;
    GameRecord& g = run.cat->games[size_t(found->second)];
    klmCopyField(g.foundPath, cp932Path);
    klmCopyField(g.memberName, member);
    g.ownership = klmOwnedStatusOf(g, run.renameInsideArchives);
    ++run.matchedFiles;
    return found->second;
}

void fileDone(KlmAuditRun& run, const std::string& path, const std::string& crc, const std::string& member,
              int32_t matched)
{
    ++run.work->file;
    if (run.onFile) run.onFile(KlmAuditFileEvent{path, crc, member, matched});
}

// Reads the next piece of a large plain file; the file is done when the
// whole of it has been read or reading failed.
void readPiece(KlmAuditRun& run)
{
    PieceRead& p = run.work->piece;
    const uint64_t length = std::min(kPieceSize, p.size - p.offset);
    void* map = ::mmap(nullptr, size_t(length), PROT_READ, MAP_PRIVATE | MAP_POPULATE, p.fd, off_t(p.offset));
    bool ok = map != MAP_FAILED;
    int error = errno;
    if (ok) {
        uint32_t crc = 0;
        ok = klmCrc32Guarded(map, size_t(length), crc);
        ::munmap(map, size_t(length));
        error = EIO;  // the file shrank under the mapping
        if (ok) p.crc = p.offset == 0 ? crc : uint32_t(crc32_combine(p.crc, crc, z_off_t(length)));
    }
    if (!ok) {
        std::fprintf(stderr, "%s\n", std::strerror(error));
        const std::string path = std::move(p.path);
        p.close();
        fileDone(run, path, {}, {}, -1);
        return;
    }
    p.offset += length;
    if (p.offset < p.size) return;
    const std::string path = std::move(p.path);
    p.close();
    std::string cp932;
    catalogueFormOf(path, cp932);
    const std::string crc = klmFormatCrcText(p.crc);
    fileDone(run, path, crc, {}, matchCrc(run, crc, cp932, {}));
}

// Opens a large plain file for reading by pieces; false when it is to be
// read in one go.
bool startPieces(KlmAuditRun& run, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const uint64_t size = uint64_t(st.st_size);
    if (size <= kPieceSize || size >= kTooLarge) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat now {};
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || uint64_t(now.st_size) != size) {
        ::close(fd);
        return false;
    }
    PieceRead& p = run.work->piece;
    p.fd = fd;
    p.path = path;
    p.size = size;
    p.offset = 0;
    p.crc = 0;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

// One unit of the scan phase: a file, or a piece of a large one.
void scanStep(KlmAuditRun& run)
{
    KlmAuditWork& w = *run.work;
    if (w.piece.fd >= 0) {
        readPiece(run);
        return;
    }
    while (w.folder < w.scan.size() && w.file >= w.scan[w.folder].files.size()) {
        ++w.folder;
        w.file = 0;
    }
    run.folderIndex = int32_t(std::min(w.folder, w.scan.size() ? w.scan.size() - 1 : 0));
    if (w.folder >= w.scan.size()) {
        finish(run);
        return;
    }

    const std::string path = joinPath(w.scan[w.folder].path, w.scan[w.folder].files[w.file]);
    ++run.processedFiles;

    std::string cp932;
    if (!catalogueFormOf(path, cp932)) {
        std::fprintf(stderr, "%s: the path cannot be kept in CP932 within 259 bytes; not matched\n",
                     path.c_str());
        fileDone(run, path, {}, {}, -1);
        return;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {  // gone since it was listed
        fileDone(run, path, {}, {}, -1);
        return;
    }
    // Small regular files (most ROMs) are read in one go without asking
    // the file system again.
    const bool small = S_ISREG(st.st_mode) && uint64_t(st.st_size) <= kPieceSize;
    if (!small && !klmIsArchive(path) && startPieces(run, path)) {
        readPiece(run);
        return;
    }
    const KlmArchiveCrc crc = klmRomCrcText(path);
    fileDone(run, path, crc.crc, crc.memberBase, matchCrc(run, crc.crc, cp932, crc.memberBase));
}

void stepOnce(KlmAuditRun& run)
{
    if (run.phase == KlmAuditPhase::Collect)
        collectStep(run);
    else if (run.phase == KlmAuditPhase::Scan)
        scanStep(run);
}

}  // namespace

const char* klmAuditStartMessage(KlmAuditStartResult result)
{
    switch (result) {
    case KlmAuditStartResult::NoFolderSelected: return "ロムフォルダが指定されていません";
    case KlmAuditStartResult::NoRenamePattern: return "リネーム用文字列が設定されていません";
    case KlmAuditStartResult::Started: break;
    }
    return "";
}

KlmAuditStartResult klmAuditStart(KlmAuditRun& run, Catalogue& cat, const Settings& settings,
                                  const std::vector<RomFolder>& folders)
{
    run = KlmAuditRun();
    const bool anySelected =
        std::any_of(folders.begin(), folders.end(), [](const RomFolder& f) { return f.selected != 0; });
    if (!anySelected) return KlmAuditStartResult::NoFolderSelected;
    if (klmField(settings.renamePattern).empty()) return KlmAuditStartResult::NoRenamePattern;

    run.cat = &cat;
    run.renameInsideArchives = settings.renameInsideArchives != 0;
    run.work = std::make_unique<KlmAuditWork>();
    KlmAuditWork& w = *run.work;
    for (const RomFolder& f : folders) {
        if (f.selected == 0) continue;
        bool ok = true;
        std::string native = klmToUtf8(klmField(f.path), &ok);
        if (!ok || native.empty()) {
            std::fprintf(stderr, "%s: not a valid CP932 folder path\n", native.c_str());
            continue;
        }
        while (native.size() > 1 && native.back() == '/') native.pop_back();
        w.roots.push_back({std::move(native), 0, klmRomFolderMaxLevel(f.depth)});
    }
    for (int32_t i = 0; i < klmGameCount(cat); ++i) {
        const std::string_view crc = klmField(cat.games[size_t(i)].crc32);
        if (!crc.empty()) w.firstGame.emplace(crc, i);  // keeps the first
    }
    run.phase = KlmAuditPhase::Collect;
    return KlmAuditStartResult::Started;
}

KlmAuditPhase klmAuditStep(KlmAuditRun& run, std::chrono::microseconds budget)
{
    if (run.phase == KlmAuditPhase::Finished || !run.work) {
        run.phase = KlmAuditPhase::Finished;
        return run.phase;
    }
    const Clock::time_point end = Clock::now() + budget;
    do {
        stepOnce(run);
    } while (run.phase != KlmAuditPhase::Finished && Clock::now() < end);
    return run.phase;
}

void klmAuditRunToEnd(KlmAuditRun& run)
{
    while (run.phase != KlmAuditPhase::Finished && run.work) stepOnce(run);
    run.phase = KlmAuditPhase::Finished;
}

void klmAuditCancel(KlmAuditRun& run)
{
    if (run.phase != KlmAuditPhase::Finished) run.cancelled = true;
    finish(run);
}

KlmAuditProgress klmAuditProgress(const KlmAuditRun& run)
{
    KlmAuditProgress p;
    p.phase = run.phase;
    if (run.totalFiles > 0)
        p.percent = int32_t(std::min<int64_t>(100, int64_t(run.processedFiles) * 100 / run.totalFiles));
    char text[64];
    std::snprintf(text, sizeof text, "%5d/%5d(%2d%%)", int(run.processedFiles), int(run.totalFiles),
                  int(p.percent));
    p.progressText = text;
    if (run.phase == KlmAuditPhase::Collect) {
        p.statusText = kKlmAuditCollectingText;
    } else if (run.phase == KlmAuditPhase::Scan && run.work && !run.work->scan.empty()) {
        const size_t i = std::min(run.work->folder, run.work->scan.size() - 1);
        p.statusText = run.work->scan[i].path;
    }
    return p;
}

std::string klmAuditSummaryText(const KlmAuditRun& run)
{
    char text[160];
    std::snprintf(text, sizeof text, "ロムの監査が終了しました。\n監査ロム数 : %d\n該当ロム数 : %d\n",
                  int(run.totalFiles), int(run.matchedFiles));
    return text;
}
