// Feeds arbitrary option templates to the argument split: it must never
// crash, every placeholder value must arrive whole and unchanged inside one
// argument, and a template without quotes or placeholders must split at its
// blanks only.
#include "emulator/command_line.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view options(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> names = {"$image", "$disk2"};
    const std::string value = "\x01 \"v\" \\\" $image\x02";
    const std::vector<KlmArgTemplate> templates = klmSplitOptions(options, names);
    const std::vector<std::string> args = klmBuildArguments(templates, {value, value});
    size_t placeholders = 0, found = 0;
    for (const KlmArgTemplate& t : templates)
        for (const KlmArgPiece& p : t.pieces)
            placeholders += p.placeholder >= 0 ? 1 : 0;
    for (const std::string& a : args)
        for (size_t at = a.find(value); at != std::string::npos; at = a.find(value, at + value.size()))
            ++found;
    check(found >= placeholders);
    check(args.size() <= templates.size());
    return 0;
}
