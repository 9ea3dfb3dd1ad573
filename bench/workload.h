// Generated catalogue folders for the benchmarks, made once per size and
// kept under the system temp folder between runs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string klmBenchCatalogue(int games)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("kolmar-bench-" + std::to_string(games));
    if (!fs::exists(dir / "data.dat")) {
        std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir.string() + " " + std::to_string(games) + " >/dev/null";
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
    return dir.string();
}
