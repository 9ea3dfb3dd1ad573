// Virtual key-code scripts: the file an emulator entry may name, replayed
// into the started emulator once it is ready.
//
// The file is read whole and split into whole lines (LF or CRLF; a NUL ends
// a line's text). Empty lines and lines beginning with "//" are skipped.
// Each other line is a name, then after its first space an argument (the
// rest, spaces included). Names and arguments compare byte for byte:
//   BEGIN          nothing
//   END            the script ends (it also ends at the end of the file)
//   WAIT n         pause n ms (leading digits as atoi reads them; a
//                  negative or missing number is 0)
//   COPY $image    the launch's first ROM argument goes to the clipboard;
//                  COPY with any other argument does nothing
//   <key> UP       release the key; any other argument presses it
// Keys are UP, DOWN, LEFT, RIGHT, ALT, CTRL, SHIFT, ENTER and any one-byte
// name, which sends that byte as the virtual-key code ("A" the A key, "1"
// the 1 key). Longer unknown names are skipped.
//
// The runner is a step function: the caller asks for the next action, does
// it, and for a wait arms a timer before asking again, so nothing sleeps on
// the GUI thread. At the end every key the script left pressed is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Windows virtual-key codes of the named keys.
inline constexpr int kKlmVkReturn = 0x0D;
inline constexpr int kKlmVkShift = 0x10;
inline constexpr int kKlmVkControl = 0x11;
inline constexpr int kKlmVkMenu = 0x12;
inline constexpr int kKlmVkLeft = 0x25;
inline constexpr int kKlmVkUp = 0x26;
inline constexpr int kKlmVkRight = 0x27;
inline constexpr int kKlmVkDown = 0x28;

// The clipboard takes at most this many bytes of the copied text.
inline constexpr size_t kKlmClipboardLimit = 1024;

// Virtual-key code of a key name, or −1 when the name is no key.
int klmKeyCodeOf(std::string_view name);

enum class KlmKeyCommandKind { Key, Wait, Copy };

struct KlmKeyCommand {
    KlmKeyCommandKind kind = KlmKeyCommandKind::Key;
    int vk = 0;          // Key
    bool down = false;   // Key: press (true) or release
    int32_t ms = 0;      // Wait, never negative
    int line = 0;        // 1-based line of the file
};

struct KlmKeyScript {
    std::vector<KlmKeyCommand> commands;  // up to END or the end of the file
    std::vector<int> unknownLines;        // lines with a name that is no command or key
};

KlmKeyScript klmParseKeyScript(std::string_view fileImage);

enum class KlmKeyActionKind { Key, Wait, Copy, End };

struct KlmKeyAction {
    KlmKeyActionKind kind = KlmKeyActionKind::End;
    int vk = 0;
    bool down = false;
    int32_t ms = 0;
    std::string text;  // Copy: UTF-8 text for the clipboard
};

struct KlmKeyScriptRun {
    KlmKeyScript script;
    std::string copyText;       // what COPY $image copies (already cut)
    size_t next = 0;            // next command
    std::vector<int> pressed;   // keys pressed and not yet released, in press order
    bool ended = false;
};

// firstRomText is the launch's first ROM argument as UTF-8.
KlmKeyScriptRun klmStartKeyScript(KlmKeyScript script, std::string_view firstRomText);
// The next action. After the last command come the releases of the keys
// still pressed (last pressed first), then End, and End ever after.
KlmKeyAction klmNextKeyAction(KlmKeyScriptRun& run);

// UTF-8 text cut to kKlmClipboardLimit bytes without splitting a character.
std::string klmClipboardText(std::string_view utf8);
