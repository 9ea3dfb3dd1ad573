// CRC costs of the audit, page cache warm:
//  - CRC texts of plain files (large ROMs and many small ones), set against
//    7-Zip's own hasher (`7zz h -scrcCRC32`) on the very same files;
//  - the stored CRC of the first member of 2,000 small zip and 7z archives.
// Everything is made in a temporary folder at start and removed at exit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audit/archiver.h"
#include "audit/crc.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLargeFiles = 16;
constexpr size_t kLargeSize = size_t(64) << 20;
constexpr int kSmallFiles = 2000;
constexpr size_t kSmallSize = size_t(128) << 10;
constexpr int kArchiveOriginals = 20;
constexpr int kArchives = 2000;

std::string contents(size_t size, uint32_t seed)
{
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 12345;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        // Half noise, half runs: compressors have something to do.
        out[i] = (i & 1024) ? char(x >> 24) : char(i >> 7);
    }
    return out;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// Reads every file once so that all runs start from the page cache.
void warm(const std::vector<std::string>& files)
{
    std::vector<char> buffer(1 << 20);
    for (const std::string& f : files) {
        std::ifstream in(f, std::ios::binary);
        while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
        }
    }
}

struct Workload {
    fs::path root;
    std::vector<std::string> large;
    std::vector<std::string> small;
    std::vector<std::string> zips;
    std::vector<std::string> sevenZips;
    std::string largeList;  // list files for 7zz
    std::string smallList;

    Workload()
    {
        std::string tmpl = (fs::temp_directory_path() / "kolmar-bench-crc-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        root = tmpl;
        fs::create_directories(root / "large");
        fs::create_directories(root / "small");
        fs::create_directories(root / "zip");
        fs::create_directories(root / "7z");
        fs::create_directories(root / "src");

        for (int i = 0; i < kLargeFiles; ++i) {
            large.push_back((root / "large" / ("rom" + std::to_string(i) + ".bin")).string());
            writeFile(large.back(), contents(kLargeSize, uint32_t(i)));
        }
        for (int i = 0; i < kSmallFiles; ++i) {
            small.push_back((root / "small" / ("rom" + std::to_string(i) + ".bin")).string());
            writeFile(small.back(), contents(kSmallSize, uint32_t(1000 + i)));
        }
        largeList = listFile("large.txt", large);
        smallList = listFile("small.txt", small);

        // 20 archives of one 128 KiB member each, made by Info-ZIP and
        // 7-Zip (packed 7z header, as 7-Zip writes by default), each copied
        // 100 times: 2,000 distinct files to open.
        for (int i = 0; i < kArchiveOriginals; ++i) {
            const std::string member = "game" + std::to_string(i) + ".bin";
            writeFile((root / "src" / member).string(), contents(kSmallSize, uint32_t(5000 + i)));
            const std::string zip = (root / "src" / ("a" + std::to_string(i) + ".zip")).string();
            const std::string sz = (root / "src" / ("a" + std::to_string(i) + ".7z")).string();
            const std::string cd = "cd '" + (root / "src").string() + "' && ";
            if (std::system((cd + "zip -q -6 '" + zip + "' " + member + " && 7zz a -t7z -mx=5 '" + sz + "' "
                             + member + " >/dev/null")
                                .c_str())
                != 0) {
                std::fprintf(stderr, "cannot make archives with zip and 7zz\n");
                std::exit(1);
            }
        }
        for (int i = 0; i < kArchives; ++i) {
            const int original = i % kArchiveOriginals;
            zips.push_back((root / "zip" / ("g" + std::to_string(i) + ".zip")).string());
            sevenZips.push_back((root / "7z" / ("g" + std::to_string(i) + ".7z")).string());
            fs::copy_file(root / "src" / ("a" + std::to_string(original) + ".zip"), zips.back());
            fs::copy_file(root / "src" / ("a" + std::to_string(original) + ".7z"), sevenZips.back());
        }
        warm(large);
        warm(small);
        warm(zips);
        warm(sevenZips);
    }

    ~Workload()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    std::string listFile(const char* name, const std::vector<std::string>& files)
    {
        const std::string path = (root / name).string();
        std::ofstream out(path);
        for (const std::string& f : files)
            out << f << '\n';
        return path;
    }
};

Workload& workload()
{
    static Workload w;
    return w;
}

void crcFiles(benchmark::State& state, const std::vector<std::string>& files, size_t size)
{
    for (auto _ : state) {
        for (const std::string& f : files) {
            std::string text = klmFileCrcText(f);
            if (text.size() != 8)
                state.SkipWithError("no CRC");
            benchmark::DoNotOptimize(text);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(files.size() * size));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(files.size()));
}

// 7-Zip hashing the same list in one process, timed end to end.
void sevenZipHash(benchmark::State& state, const std::string& list, size_t count, size_t size)
{
    const std::string command = "7zz h -scrcCRC32 @'" + list + "' >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("7zz h failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(count * size));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
}

void BM_FileCrcText_Large(benchmark::State& state)
{
    crcFiles(state, workload().large, kLargeSize);
}

void BM_7zzHash_Large(benchmark::State& state)
{
    sevenZipHash(state, workload().largeList, workload().large.size(), kLargeSize);
}

void BM_FileCrcText_Small(benchmark::State& state)
{
    crcFiles(state, workload().small, kSmallSize);
}

void BM_7zzHash_Small(benchmark::State& state)
{
    sevenZipHash(state, workload().smallList, workload().small.size(), kSmallSize);
}

void storedCrcs(benchmark::State& state, const std::vector<std::string>& archives)
{
    for (auto _ : state) {
        for (const std::string& a : archives) {
            KlmArchiveCrc crc = klmArchiveCrcText(a);
            if (crc.crc.size() != 8)
                state.SkipWithError("no stored CRC");
            benchmark::DoNotOptimize(crc);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(archives.size()));
}

void BM_StoredCrc_Zip2000(benchmark::State& state)
{
    storedCrcs(state, workload().zips);
}

void BM_StoredCrc_7z2000(benchmark::State& state)
{
    storedCrcs(state, workload().sevenZips);
}

}  // namespace

BENCHMARK(BM_FileCrcText_Large)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_7zzHash_Large)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileCrcText_Small)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_7zzHash_Small)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredCrc_Zip2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoredCrc_7z2000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
