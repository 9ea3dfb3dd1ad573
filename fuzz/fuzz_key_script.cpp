// Feeds arbitrary bytes to the key-script parser and runs the script to its
// end: it must end, release every key it pressed, never wait a negative
// time, and never copy more than the clipboard takes.
#include "emulator/key_script.h"

#include <cstddef>
#include <cstdint>
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
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first bytes stand for the ROM argument, the rest is the file.
    const size_t split = size > 0 ? data[0] % (size + 1) : 0;
    KlmKeyScriptRun run = klmStartKeyScript(klmParseKeyScript(bytes.substr(split)), bytes.substr(0, split));
    std::vector<int> held;
    for (size_t steps = 0;; ++steps) {
        check(steps <= run.script.commands.size() * 2 + 2);
        const KlmKeyAction a = klmNextKeyAction(run);
        if (a.kind == KlmKeyActionKind::End)
            break;
        check(a.ms >= 0);
        check(a.text.size() <= kKlmClipboardLimit);
        if (a.kind == KlmKeyActionKind::Key) {
            check(a.vk >= 0 && a.vk <= 255);
            if (a.down) {
                held.push_back(a.vk);
            } else {
                std::erase(held, a.vk);
            }
        }
    }
    check(held.empty());
    return 0;
}
