#include "rename_fixture.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "audit/archiver.h"
#include "audit/audit.h"
#include "audit/crc.h"
#include "audit/ownership.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "rename/file_moves.h"
#include "rom_bytes.h"

extern char** environ;

namespace fs = std::filesystem;

std::string klmTestRomBytes(size_t size, uint32_t seed)
{
    return klmRomLikeBytes(size, seed);
}

std::string klmTestCrcText(std::string_view bytes)
{
    return klmFormatCrcText(klmCrc32(bytes.data(), bytes.size()));
}

int klmTestRunIn(const std::string& cwd, const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The tools read and write names in the locale's encoding.
    std::vector<std::string> env = {"LC_ALL=C.UTF-8"};
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).substr(0, 7) != "LC_ALL=")
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char* klmTestPackerName(KlmTestPacker packer)
{
    switch (packer) {
    case KlmTestPacker::SevenZipZip: return "7zz-zip";
    case KlmTestPacker::InfoZip: return "info-zip";
    case KlmTestPacker::SevenZip7z: return "7zz-7z";
    case KlmTestPacker::Libarchive7z: return "libarchive-7z";
    }
    return "";
}

bool klmTestPackerMakesZip(KlmTestPacker packer)
{
    return packer == KlmTestPacker::SevenZipZip || packer == KlmTestPacker::InfoZip;
}

namespace {

bool packWithLibarchive(const std::string& path, const std::vector<KlmTestMember>& members)
{
    // libarchive converts names through the thread's locale.
    const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
    const locale_t previous = uselocale(utf8);
    struct archive* a = archive_write_new();
    archive_write_set_format_7zip(a);
    bool ok = archive_write_open_filename(a, path.c_str()) == ARCHIVE_OK;
    for (const KlmTestMember& m : members) {
        if (!ok)
            break;
        struct archive_entry* e = archive_entry_new();
        archive_entry_copy_pathname(e, m.name.c_str());
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, la_int64_t(m.data.size()));
        ok = archive_write_header(a, e) == ARCHIVE_OK
            && archive_write_data(a, m.data.data(), m.data.size()) == la_ssize_t(m.data.size());
        archive_entry_free(e);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    uselocale(previous);
    freelocale(utf8);
    return ok;
}

}  // namespace

bool klmTestPack(KlmTestPacker packer, const std::string& path, const std::vector<KlmTestMember>& members)
{
    if (packer == KlmTestPacker::Libarchive7z)
        return packWithLibarchive(path, members);
    KlmTempDir scratch;
    std::vector<std::string> args;
    switch (packer) {
    case KlmTestPacker::SevenZipZip: args = {"7zz", "a", "-tzip", "-mx=5", path}; break;
    case KlmTestPacker::SevenZip7z: args = {"7zz", "a", "-t7z", "-mx=5", path}; break;
    default: args = {"zip", "-q", "-X", path}; break;
    }
    for (const KlmTestMember& m : members) {
        klmTestWrite(scratch.file(m.name), m.data);
        args.push_back(m.name);
    }
    return klmTestRunIn(scratch.path.string(), args) == 0;
}

GameRecord klmTestOwnedGame(const std::string& native, const std::string& targetUtf8, int32_t hardware)
{
    GameRecord g{};
    const KlmArchiveCrc crc = klmRomCrcText(native);
    klmCopyField(g.crc32, crc.crc);
    klmCopyField(g.foundPath, klmFromUtf8(native));
    klmCopyField(g.memberName, crc.memberBase);
    klmCopyField(g.targetName, klmFromUtf8(targetUtf8));
    g.hardware = hardware;
    g.ownership = kKlmOwnedNotRenamed;
    return g;
}

Settings klmTestRenameSettings(bool insideArchives, int32_t zipLevel, int32_t sevenZipLevel)
{
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, "%n");
    s.renameInsideArchives = insideArchives ? 1 : 0;
    s.zipLevel = zipLevel;
    s.sevenZipLevel = sevenZipLevel;
    return s;
}

KlmTestFolderState klmTestFolderState(const std::string& folder)
{
    KlmTestFolderState state;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (klmIsRenameWorkName(name)) {
            state.workFolders.push_back(it->path().string());
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        const std::string path = it->path().string();
        const KlmArchiveListing listing = klmIsArchive(path) ? klmListArchive(path) : KlmArchiveListing();
        if (listing.ok) {
            for (const KlmArchiveEntry& e : listing.entries)
                if (!e.folder)
                    state.contents.insert(klmFormatCrcText(e.crc) + "/" + std::to_string(e.size));
        } else {
            const std::string bytes = klmTestRead(path);
            state.contents.insert(klmTestCrcText(bytes) + "/" + std::to_string(bytes.size()));
        }
    }

    Catalogue none;
    RomFolder root{};
    klmCopyField(root.path, klmFromUtf8(folder));
    root.depth = 1;
    root.selected = 1;
    KlmAuditRun run;
    klmAuditStart(run, none, klmTestRenameSettings(), {root});
    run.onFile = [&state](const KlmAuditFileEvent& e) { state.counted.push_back(e.path); };
    klmAuditRunToEnd(run);
    std::sort(state.counted.begin(), state.counted.end());
    return state;
}

bool klmTestKeepsAll(const std::multiset<std::string>& before, const std::multiset<std::string>& after)
{
    return std::includes(after.begin(), after.end(), before.begin(), before.end());
}

Catalogue klmTestPersisted(const Catalogue& cat, const KlmTempDir& base)
{
    fs::create_directories(base.path / "cache");
    AppPaths paths;
    klmBuildAppPaths(paths, base.path.string());
    Catalogue back;
    std::string error;
    if (klmSaveCatalogueCache(paths, cat, &error))
        klmReadCatalogueCacheImage(klmTestRead(paths.datCache), back);
    return back;
}

std::string klmTestRecordMismatch(const GameRecord& g, bool insideArchives)
{
    const std::string found(klmField(g.foundPath));
    if (g.ownership == kKlmNotOwned)
        return found.empty() && klmField(g.memberName).empty() ? "" : "not owned but with a path";
    if (found.empty())
        return "owned without a path";
    const std::string native = klmToUtf8(found);
    const KlmArchiveCrc crc = klmRomCrcText(native);
    if (crc.crc != klmField(g.crc32))
        return native + " does not hold the game's CRC (" + crc.crc + ")";
    if (crc.memberBase != klmField(g.memberName))
        return native + ": member " + klmToUtf8(crc.memberBase) + " recorded as " + klmToUtf8(klmField(g.memberName));
    if (g.ownership != klmOwnedStatusOf(g, insideArchives))
        return "status " + std::to_string(g.ownership) + " disagrees with the names";
    return {};
}
