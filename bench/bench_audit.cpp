// A whole audit against the CRC work it consists of.
//
// Workload: 20,000 ROM files in 100 folders, kept under the system temp
// folder between runs: 18,000 plain files, 1,000 zip and 1,000 7z archives,
// each with 64 KiB of its own contents; a catalogue of 20,000 games, one
// per file. The page cache is warm after the first pass, so the figures
// compare the audit's own costs (walk, listing, lookups, bookkeeping) with
// the CRC texts alone. Target: the audit within 1.5 × the CRC work.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audit/archiver.h"
#include "audit/audit.h"
#include "audit/crc.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 100;
constexpr int kFiles = 20000;
constexpr size_t kFileSize = 64 << 10;

struct Workload {
    std::string root;
    std::vector<std::string> files;  // in no particular order
    Catalogue cat;
    std::vector<RomFolder> folders;
    Settings settings;
};

std::string contentsOf(int index)
{
    std::string bytes(kFileSize, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull * uint64_t(index + 1);
    for (size_t i = 0; i < bytes.size(); i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        for (size_t k = 0; k < 8; ++k) bytes[i + k] = char(x >> (8 * k));
    }
    return bytes;
}

std::string nameOf(int index)
{
    const char* ext = index % 20 == 0 ? ".zip" : index % 20 == 1 ? ".7z" : ".bin";
    return "folder" + std::to_string(index % kFolders) + "/rom" + std::to_string(index) + ext;
}

const Workload& workload()
{
    static const Workload w = [] {
        Workload w;
        const fs::path root = fs::temp_directory_path() / "kolmar-bench-audit-20000";
        w.root = root.string();
        const fs::path ready = root.string() + ".ready";  // beside it: not a ROM
        const bool make = !fs::exists(ready);
        if (make) {
            fs::remove_all(root);
            for (int f = 0; f < kFolders; ++f) fs::create_directories(root / ("folder" + std::to_string(f)));
        }
        for (int i = 0; i < kFiles; ++i) {
            const std::string path = (root / nameOf(i)).string();
            const std::string bytes = contentsOf(i);
            if (make) {
                if (klmArchiveKindOf(path) == KlmArchiveKind::None) {
                    if (!klmWriteFileAtomic(path, bytes)) std::abort();
                } else {
                    const std::string member = (root / ("member" + std::to_string(i) + ".bin")).string();
                    if (!klmWriteFileAtomic(member, bytes)) std::abort();
                    const bool ok = klmArchiveKindOf(path) == KlmArchiveKind::Zip
                                        ? klmCreateZip(path, member, "rom.bin", 1)
                                        : klmCreate7z(path, member, "rom.bin", 1);
                    fs::remove(member);
                    if (!ok) std::abort();
                }
            }
            w.files.push_back(path);
            GameRecord g{};
            klmCopyField(g.crc32, klmFormatCrcText(klmCrc32(bytes.data(), bytes.size())));
            klmCopyField(g.targetName, "rom" + std::to_string(i));
            w.cat.games.push_back(g);
        }
        if (make && !klmWriteFileAtomic(ready.string(), "")) std::abort();
        RomFolder f{};
        klmCopyField(f.path, klmFromUtf8(w.root));
        f.depth = 1;
        f.selected = 1;
        w.folders.push_back(f);
        w.settings = klmDefaultSettings();
        klmCopyField(w.settings.renamePattern, "%n");
        return w;
    }();
    return w;
}

double crcWorkSeconds(const Workload& w)
{
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : w.files) benchmark::DoNotOptimize(klmRomCrcText(path));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The audit as the dialog drives it: steps of about 10 ms.
double auditSeconds(const Workload& w, Catalogue& cat)
{
    const auto start = std::chrono::steady_clock::now();
    KlmAuditRun run;
    if (klmAuditStart(run, cat, w.settings, w.folders) != KlmAuditStartResult::Started) std::abort();
    while (klmAuditStep(run, std::chrono::milliseconds(10)) != KlmAuditPhase::Finished) {
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (run.totalFiles != kFiles || run.matchedFiles != kFiles) std::abort();
    return seconds;
}

void BM_CrcWorkAlone(benchmark::State& state)
{
    const Workload& w = workload();
    crcWorkSeconds(w);  // warm the page cache
    for (auto _ : state) crcWorkSeconds(w);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_CrcWorkAlone)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WholeAudit(benchmark::State& state)
{
    const Workload& w = workload();
    crcWorkSeconds(w);
    for (auto _ : state) {
        state.PauseTiming();
        Catalogue cat = w.cat;
        state.ResumeTiming();
        auditSeconds(w, cat);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_WholeAudit)->Unit(benchmark::kMillisecond)->Iterations(5);

// Both in the same iteration, so that the ratio is read off one line.
void BM_AuditOverCrcWork(benchmark::State& state)
{
    const Workload& w = workload();
    crcWorkSeconds(w);
    double crc = 0, audit = 0;
    for (auto _ : state) {
        Catalogue cat = w.cat;
        crc += crcWorkSeconds(w);
        audit += auditSeconds(w, cat);
    }
    state.counters["crc_ms"] = crc * 1000 / double(state.iterations());
    state.counters["audit_ms"] = audit * 1000 / double(state.iterations());
    state.counters["ratio"] = audit / crc;
}
BENCHMARK(BM_AuditOverCrcWork)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
