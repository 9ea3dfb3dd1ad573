#include "emulator/command_line.h"

#include "text/cp932.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Builds one argument; literal bytes are gathered into the last piece.
struct ArgBuilder {
    KlmArgTemplate arg;
    size_t trailingBackslashes = 0;  // backslashes just appended, not yet judged

    void literal(std::string_view bytes)
    {
        if (arg.pieces.empty() || arg.pieces.back().placeholder >= 0)
            arg.pieces.push_back(KlmArgPiece{});
        arg.pieces.back().text.append(bytes);
    }
    void placeholder(int index)
    {
        arg.pieces.push_back(KlmArgPiece{std::string(), index});
        trailingBackslashes = 0;
    }
    // Drops n of the backslashes just appended (they sit in the last piece).
    void dropBackslashes(size_t n)
    {
        std::string& t = arg.pieces.back().text;
        t.erase(t.size() - n);
    }
};

// Index of the placeholder that starts at pos, or −1.
int placeholderAt(std::string_view s, size_t pos, const std::vector<std::string_view>& names)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && s.substr(pos, names[i].size()) == names[i])
            return static_cast<int>(i);
    return -1;
}

}  // namespace

std::vector<KlmArgTemplate> klmSplitOptions(std::string_view s, const std::vector<std::string_view>& names)
{
    std::vector<KlmArgTemplate> out;
    // A NUL ends the text, as it would in the stored field.
    s = s.substr(0, s.find('\0'));
    size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i == s.size())
        return out;

    ArgBuilder b;
    int qcount = 0;  // 0 outside quotes, 1 inside; 2 and 3 only while counting a run
    while (i < s.size()) {
        const char c = s[i];
        if (isBlank(c) && qcount == 0) {
            out.push_back(std::move(b.arg));
            b = ArgBuilder{};
            while (i < s.size() && isBlank(s[i]))
                ++i;
            if (i == s.size())
                return out;
            continue;
        }
        const int ph = placeholderAt(s, i, names);
        if (ph >= 0) {
            b.placeholder(ph);
            i += names[static_cast<size_t>(ph)].size();
            continue;
        }
        if (c == '\\') {
            b.literal("\\");
            ++b.trailingBackslashes;
            ++i;
            continue;
        }
        if (c == '"') {
            b.arg.quoted = true;
            const size_t bs = b.trailingBackslashes;
            if (bs % 2 == 0) {
                if (bs > 0)
                    b.dropBackslashes(bs / 2);
                ++qcount;
            } else {
                b.dropBackslashes(bs / 2 + 1);
                b.literal("\"");
            }
            b.trailingBackslashes = 0;
            ++i;
            while (i < s.size() && s[i] == '"') {
                if (++qcount == 3) {
                    b.literal("\"");
                    qcount = 0;
                }
                ++i;
            }
            if (qcount == 2)
                qcount = 0;
            continue;
        }
        // A double-byte character goes whole: its trail byte may be 0x5C.
        const size_t len = klmIsLeadByte(static_cast<unsigned char>(c)) && i + 1 < s.size() ? 2 : 1;
        b.literal(s.substr(i, len));
        b.trailingBackslashes = 0;
        i += len;
    }
    out.push_back(std::move(b.arg));
    return out;
}

std::vector<std::string> klmBuildArguments(const std::vector<KlmArgTemplate>& templates,
                                           const std::vector<std::string>& values)
{
    std::vector<std::string> out;
    for (const KlmArgTemplate& t : templates) {
        std::string arg;
        for (const KlmArgPiece& p : t.pieces) {
            if (p.placeholder < 0)
                arg += klmToUtf8(p.text);
            else if (static_cast<size_t>(p.placeholder) < values.size())
                arg += values[static_cast<size_t>(p.placeholder)];
        }
        if (!arg.empty() || t.quoted)
            out.push_back(std::move(arg));
    }
    return out;
}
