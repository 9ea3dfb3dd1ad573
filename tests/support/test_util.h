// Small helpers shared by the core tests: a temporary folder that removes
// itself, file writing, and CP932 text from UTF-8 literals.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp932.h"

struct KlmTempDir {
    std::filesystem::path path;
    KlmTempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kolmar-test-XXXXXX").string();
        char* made = mkdtemp(tmpl.data());
        path = made ? made : tmpl;
    }
    ~KlmTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    KlmTempDir(const KlmTempDir&) = delete;
    KlmTempDir& operator=(const KlmTempDir&) = delete;
    std::string file(std::string_view name) const { return (path / name).string(); }
};

inline void klmTestWrite(const std::string& path, std::string_view bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string klmTestRead(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// CP932 bytes of a UTF-8 literal.
inline std::string sj(std::string_view utf8)
{
    return klmFromUtf8(utf8);
}

// Lines joined with CRLF, converted to CP932.
inline std::string sjLines(std::initializer_list<std::string_view> lines)
{
    std::string out;
    for (std::string_view l : lines) {
        out += klmFromUtf8(l);
        out += "\r\n";
    }
    return out;
}

// A program run without a shell, its output caught in files of scratch.
struct KlmTestRun {
    int exitCode = -1;
    std::string out, err;
};

KlmTestRun klmTestRunProgram(const std::vector<std::string>& args, const KlmTempDir& scratch);
