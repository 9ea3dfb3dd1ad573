// The rename run against what it has to beat.
//
// Plain files: 2,000 ROMs in one folder renamed by one run (games/s; the
// target is 2,000 games/s).
//
// Archives: 200 archives, one 1 MiB ROM-like member each, rebuilt by the run
// at the standard level, against 7-Zip packing the same 200 files at the
// same level (`7zz a -tzip -mx=5`, `7zz a -t7z -mx=5 -ms=off`), one archive
// per call. The two are interleaved file by file in the same run so that
// the machine's load falls on both alike; 7-Zip's archives are the ones
// the run then rebuilds. Reported: both times, their ratio (target ≤ 1.3)
// and the ratio of the archive sizes (target ≤ 1.03).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audit/crc.h"
#include "rename/rename_run.h"
#include "rom_bytes.h"
#include "text/cp932.h"
#include "text/file_io.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPlainFiles = 2000;
constexpr int kArchives = 200;
constexpr size_t kMemberSize = 1 << 20;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

bool spawn(const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

GameRecord ownedGame(const std::string& native, const std::string& target)
{
    GameRecord g{};
    const KlmArchiveCrc crc = klmRomCrcText(native);
    klmCopyField(g.crc32, crc.crc);
    klmCopyField(g.foundPath, klmFromUtf8(native));
    klmCopyField(g.memberName, crc.memberBase);
    klmCopyField(g.targetName, target);
    g.ownership = kKlmOwnedNotRenamed;
    return g;
}

Settings renameSettings()
{
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, "%n");
    return s;  // both levels 3: 標準, -mx=5
}

void BM_RenamePlainFiles(benchmark::State& state)
{
    const fs::path root = fs::temp_directory_path() / "kolmar-bench-rename-plain";
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string bytes = klmRomLikeBytes(4096, 1);
    Catalogue cat;
    for (int i = 0; i < kPlainFiles; ++i) {
        const std::string path = (root / ("rom" + std::to_string(i) + ".bin")).string();
        if (!klmWriteFileAtomic(path, bytes + std::to_string(i)))
            std::abort();
        cat.games.push_back(ownedGame(path, "game" + std::to_string(i)));
    }
    const Settings settings = renameSettings();
    int64_t games = 0;
    for (auto _ : state) {
        Catalogue run = cat;
        const KlmRenameReport report = klmRenameCatalogue(run, settings, std::nullopt, false);
        games += report.summary.renamed;
        state.PauseTiming();
        if (report.summary.renamed != kPlainFiles)
            state.SkipWithError("not every file was renamed");
        for (int i = 0; i < kPlainFiles; ++i)
            fs::rename(root / ("game" + std::to_string(i) + ".bin"), root / ("rom" + std::to_string(i) + ".bin"));
        state.ResumeTiming();
    }
    state.counters["games/s"] = benchmark::Counter(double(games), benchmark::Counter::kIsRate);
    fs::remove_all(root);
}
BENCHMARK(BM_RenamePlainFiles)->UseRealTime()->Unit(benchmark::kMillisecond);

// The 200 raw ROMs, made once and kept between runs.
fs::path rawRoms()
{
    const fs::path dir = fs::temp_directory_path() / "kolmar-bench-rename-roms";
    const fs::path ready = dir.string() + ".ready";
    if (!fs::exists(ready)) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (int i = 0; i < kArchives; ++i)
            if (!klmWriteFileAtomic((dir / ("rom" + std::to_string(i) + ".bin")).string(),
                                    klmRomLikeBytes(kMemberSize, uint32_t(1000 + i))))
                std::abort();
        klmWriteFileAtomic(ready.string(), "");
    }
    return dir;
}

void rebuildAgainst7zz(benchmark::State& state, const char* ext, const std::vector<std::string>& options)
{
    const fs::path raw = rawRoms();
    const fs::path work = fs::temp_directory_path() / (std::string("kolmar-bench-rename-") + (ext + 1));
    const Settings settings = renameSettings();
    for (auto _ : state) {
        fs::remove_all(work);
        fs::create_directories(work / "7zz");
        fs::create_directories(work / "roms");
        Catalogue cat;
        cat.games.resize(kArchives);
        KlmRenameRun run;
        double sevenZip = 0;
        double kolmar = 0;
        uintmax_t sevenZipBytes = 0;
        uintmax_t kolmarBytes = 0;
        for (int i = 0; i < kArchives; ++i) {
            const std::string name = "rom" + std::to_string(i);
            const std::string made = (work / "7zz" / (name + ext)).string();
            std::vector<std::string> args = {"7zz", "a"};
            args.insert(args.end(), options.begin(), options.end());
            args.push_back(made);
            args.push_back((raw / (name + ".bin")).string());
            const Clock::time_point t0 = Clock::now();
            if (!spawn(args))
                state.SkipWithError("7zz failed");
            sevenZip += seconds(Clock::now() - t0);
            sevenZipBytes += fs::file_size(made);

            const std::string input = (work / "roms" / (name + ext)).string();
            fs::copy_file(made, input);
            cat.games[size_t(i)] = ownedGame(input, "game" + std::to_string(i));
            KlmRenameRun one;
            if (!klmRenameStart(one, cat, settings, {i}).empty())
                state.SkipWithError("nothing to rename");
            const Clock::time_point t1 = Clock::now();
            klmRenameRunToEnd(one);
            kolmar += seconds(Clock::now() - t1);
            if (one.summary.renamed != 1) {
                state.SkipWithError("an archive was not rebuilt");
                break;
            }
            kolmarBytes += fs::file_size(work / "roms" / ("game" + std::to_string(i) + ext));
        }
        state.SetIterationTime(kolmar);
        state.counters["7zz_s"] = sevenZip;
        state.counters["kolmar_s"] = kolmar;
        state.counters["time_ratio"] = kolmar / sevenZip;
        state.counters["size_ratio"] = double(kolmarBytes) / double(sevenZipBytes);
        state.counters["packed_of_raw"] = double(kolmarBytes) / double(uintmax_t(kArchives) * kMemberSize);
    }
    fs::remove_all(work);
}

void BM_RebuildZipAgainst7zz(benchmark::State& state)
{
    rebuildAgainst7zz(state, ".zip", {"-tzip", "-mx=5"});
}
BENCHMARK(BM_RebuildZipAgainst7zz)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_Rebuild7zAgainst7zz(benchmark::State& state)
{
    rebuildAgainst7zz(state, ".7z", {"-t7z", "-mx=5", "-ms=off"});
}
BENCHMARK(BM_Rebuild7zAgainst7zz)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
