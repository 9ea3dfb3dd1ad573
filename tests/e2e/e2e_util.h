// What the end-to-end tests share: the real kolmar-cli and gen-catalogue
// run without a shell on folders in temp dirs, copies of the shipped
// sample, and their JSON output read back with a strict parser.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_util.h"

inline KlmTestRun klmRunCli(const std::vector<std::string>& args, const KlmTempDir& scratch)
{
    std::vector<std::string> all{KOLMAR_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return klmTestRunProgram(all, scratch);
}

inline KlmTestRun klmRunGen(const std::vector<std::string>& args, const KlmTempDir& scratch)
{
    std::vector<std::string> all{KOLMAR_GEN_PATH};
    all.insert(all.end(), args.begin(), args.end());
    return klmTestRunProgram(all, scratch);
}

inline std::filesystem::path klmSampleDir() { return std::filesystem::path(KOLMAR_SOURCE_DIR) / "sample"; }

// A copy of the shipped sample to work on, as scratch/base.
inline std::string klmCopySample(const KlmTempDir& scratch)
{
    const std::filesystem::path base = scratch.path / "base";
    std::filesystem::copy(klmSampleDir(), base, std::filesystem::copy_options::recursive);
    return base.string();
}

// One JSON value per line; a line that does not parse is a test failure
// (and a discarded value).
inline std::vector<nlohmann::json> klmJsonLines(const std::string& text)
{
    std::vector<nlohmann::json> rows;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        rows.push_back(nlohmann::json::parse(text.substr(pos, end - pos), nullptr, false));
        pos = end + 1;
    }
    return rows;
}

// An environment variable set for the life of the object.
struct KlmScopedEnv {
    std::string name;
    bool had = false;
    std::string old;
    KlmScopedEnv(std::string n, const std::string& value) : name(std::move(n))
    {
        if (const char* v = std::getenv(name.c_str())) {
            had = true;
            old = v;
        }
        setenv(name.c_str(), value.c_str(), 1);
    }
    ~KlmScopedEnv()
    {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    KlmScopedEnv(const KlmScopedEnv&) = delete;
    KlmScopedEnv& operator=(const KlmScopedEnv&) = delete;
};
