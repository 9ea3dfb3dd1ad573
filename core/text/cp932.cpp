#include "cp932.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstring>

namespace {

// One step of the boundary walk: a lead byte takes the next byte with it
// unless that byte is the terminator (or the text ends there).
inline size_t charLengthAt(const unsigned char* s, size_t n, size_t i)
{
    return (klmIsLeadByte(s[i]) && i + 1 < n && s[i + 1] != 0) ? 2 : 1;
}

// Whether a character starts at p (p < text length), without walking from
// the start: the byte before a run of lead-range bytes always ends a
// character, and the run pairs up from there, so p is a boundary when the
// run just before it has even length (or when p holds the terminator that
// stops the last lead byte from pairing).
inline bool isBoundary(const unsigned char* s, size_t p)
{
    size_t k = 0;
    while (k < p && klmIsLeadByte(s[p - 1 - k]))
        ++k;
    return k % 2 == 0 || s[p] == 0;
}

inline const unsigned char* bytes(std::string_view s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

bool isAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// iconv descriptors carry shift state and are not safe to share between
// threads, so each thread keeps its own pair, opened on first use.
struct IconvPair {
    iconv_t toUtf8 = reinterpret_cast<iconv_t>(-1);
    iconv_t fromUtf8 = reinterpret_cast<iconv_t>(-1);
    bool opened = false;

    ~IconvPair()
    {
        if (toUtf8 != reinterpret_cast<iconv_t>(-1))
            iconv_close(toUtf8);
        if (fromUtf8 != reinterpret_cast<iconv_t>(-1))
            iconv_close(fromUtf8);
    }
};

IconvPair& threadIconv()
{
    thread_local IconvPair pair;
    if (!pair.opened) {
        pair.opened = true;
        // "CP932" is the Windows table (ソ 83 5C, ～ U+FF5E, NEC and IBM
        // rows); "SHIFT_JIS" would turn 0x5C into a yen sign.
        pair.toUtf8 = iconv_open("UTF-8", "CP932");
        pair.fromUtf8 = iconv_open("CP932", "UTF-8");
    }
    return pair;
}

// Which double-byte codes CP932 defines, asked of iconv once per process.
const std::bitset<65536>& definedPairs()
{
    static const std::bitset<65536> table = [] {
        std::bitset<65536> t;
        iconv_t cd = iconv_open("UTF-8", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return t;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!klmIsLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!klmIsTrailByte(static_cast<unsigned char>(trail)))
                    continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char out[16];
                char* ip = in;
                size_t il = 2;
                char* op = out;
                size_t ol = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0)
                    t.set(lead << 8 | trail);
            }
        }
        iconv_close(cd);
        return t;
    }();
    return table;
}

inline bool isDefinedSingle(unsigned char c)
{
    return c < 0x80 || (c >= 0xA1 && c <= 0xDF);
}

// Length of the UTF-8 sequence at i when it is structurally complete, else 1,
// so an unconvertible character becomes one replacement, not several.
size_t utf8SkipLength(const unsigned char* s, size_t n, size_t i)
{
    unsigned char c = s[i];
    size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 1;
    if (len == 1 || i + len > n)
        return 1;
    for (size_t k = 1; k < len; ++k)
        if ((s[i + k] & 0xC0) != 0x80)
            return 1;
    return len;
}

enum class Direction { ToUtf8, FromUtf8 };

std::string convert(std::string_view in, Direction dir, bool* ok)
{
    if (ok)
        *ok = true;
    if (isAscii(in))
        return std::string(in);

    IconvPair& pair = threadIconv();
    iconv_t cd = dir == Direction::ToUtf8 ? pair.toUtf8 : pair.fromUtf8;
    const std::string_view replacement = dir == Direction::ToUtf8 ? "\xEF\xBF\xBD" : "?";
    const unsigned char* src = bytes(in);
    const size_t n = in.size();

    std::string out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter on this system: keep ASCII, replace the rest.
        if (ok)
            *ok = false;
        for (unsigned char c : in) {
            if (c < 0x80)
                out.push_back(static_cast<char>(c));
            else
                out.append(replacement);
        }
        return out;
    }

    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(n * 3 + 16);
    size_t used = 0;
    size_t pos = 0;
    while (pos < n) {
        char* ip = const_cast<char*>(in.data() + pos);
        size_t il = n - pos;
        char* op = out.data() + used;
        size_t ol = out.size() - used;
        size_t r = iconv(cd, &ip, &il, &op, &ol);
        used = static_cast<size_t>(op - out.data());
        pos = n - il;
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated at the end): replace and go on.
        if (ok)
            *ok = false;
        size_t skip = 1;
        if (dir == Direction::ToUtf8) {
            // A well-formed but undefined pair is one character.
            if (klmIsLeadByte(src[pos]) && pos + 1 < n && klmIsTrailByte(src[pos + 1]))
                skip = 2;
        } else {
            skip = utf8SkipLength(src, n, pos);
        }
        if (out.size() - used < replacement.size())
            out.resize(out.size() * 2 + replacement.size());
        std::memcpy(out.data() + used, replacement.data(), replacement.size());
        used += replacement.size();
        pos += skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

// The replace-all walk shared by both forms; writes into out.
void replaceInto(std::string& out, std::string_view src, std::string_view search, std::string_view repl)
{
    out.clear();
    if (search.empty()) {
        // Replacing the empty string has no sensible result; keep the text.
        out.assign(src);
        return;
    }
    const unsigned char* s = bytes(src);
    const size_t n = src.size();
    const size_t f = search.size();
    const KlmByteClass searchClass = klmByteClassAt(search, 0);
    const unsigned char first = static_cast<unsigned char>(search[0]);

    size_t boundary = 0;  // next character start at or after the positions seen
    size_t p = 0;
    while (p < n) {
        while (boundary < p)
            boundary += charLengthAt(s, n, boundary);
        if (s[p] == first && n - p >= f && std::memcmp(s + p, search.data(), f) == 0) {
            KlmByteClass cls = boundary == p ? (klmIsLeadByte(s[p]) ? KlmByteClass::Lead : KlmByteClass::Single)
                                             : KlmByteClass::Trail;
            if (cls == searchClass) {
                out.append(repl);
                p += f;
                continue;
            }
        }
        out.push_back(static_cast<char>(s[p]));
        ++p;
    }
}

}  // namespace

KlmByteClass klmByteClassAt(std::string_view text, size_t pos)
{
    const unsigned char* s = bytes(text);
    if (pos >= text.size())
        return KlmByteClass::Single;
    if (!isBoundary(s, pos))
        return KlmByteClass::Trail;
    return klmIsLeadByte(s[pos]) ? KlmByteClass::Lead : KlmByteClass::Single;
}

size_t klmSafePrefixLength(std::string_view text, size_t limit)
{
    const unsigned char* s = bytes(text);
    const size_t n = text.size();
    if (limit >= n) {
        // Whole text fits unless it ends with a dangling lead byte; that
        // byte is a character of its own, so the whole text is fine.
        return n;
    }
    size_t i = 0;
    while (i < n) {
        size_t len = charLengthAt(s, n, i);
        if (i + len > limit)
            break;
        i += len;
    }
    return i;
}

bool klmIsValidCp932(std::string_view text, size_t* badOffset)
{
    const unsigned char* s = bytes(text);
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        if (isDefinedSingle(c)) {
            ++i;
            continue;
        }
        if (klmIsLeadByte(c) && i + 1 < n && klmIsTrailByte(s[i + 1])
            && definedPairs().test(static_cast<size_t>(c) << 8 | s[i + 1])) {
            i += 2;
            continue;
        }
        if (badOffset)
            *badOffset = i;
        return false;
    }
    return true;
}

std::string klmToUtf8(std::string_view cp932, bool* ok)
{
    return convert(cp932, Direction::ToUtf8, ok);
}

std::string klmFromUtf8(std::string_view utf8, bool* ok)
{
    return convert(utf8, Direction::FromUtf8, ok);
}

std::string_view klmFieldView(const char* field, size_t size)
{
    if (!field || size == 0)
        return {};
    const void* nul = std::memchr(field, 0, size);
    size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
    return std::string_view(field, len);
}

bool klmCopyField(char* field, size_t size, std::string_view src)
{
    if (!field || size == 0)
        return src.empty();
    size_t len = klmSafePrefixLength(src, size - 1);
    if (len > 0)  // an empty view may carry a null pointer
        std::memcpy(field, src.data(), len);
    std::memset(field + len, 0, size - len);
    return len == src.size();
}

size_t klmFindText(std::string_view haystack, std::string_view needle)
{
    const size_t n = haystack.size();
    const size_t f = needle.size();
    if (f == 0)
        return 0;
    if (f > n)
        return std::string_view::npos;
    const unsigned char* s = bytes(haystack);
    // Japanese needles start with a lead byte, and 82/83 begin nearly every
    // kana; the trail byte is a far better filter for memchr.
    const size_t anchor = f >= 2 && static_cast<unsigned char>(needle[0]) >= 0x80 ? 1 : 0;
    const unsigned char c = static_cast<unsigned char>(needle[anchor]);
    const unsigned char* q = s + anchor;
    const unsigned char* end = s + (n - f) + anchor + 1;
    while (q < end) {
        q = static_cast<const unsigned char*>(std::memchr(q, c, static_cast<size_t>(end - q)));
        if (!q)
            break;
        size_t p = static_cast<size_t>(q - s) - anchor;
        if (std::memcmp(s + p, needle.data(), f) == 0 && isBoundary(s, p))
            return p;
        ++q;
    }
    return std::string_view::npos;
}

bool klmReplaceText(char* out, size_t outSize, std::string_view src, std::string_view search,
                    std::string_view repl)
{
    thread_local std::string scratch;
    replaceInto(scratch, src, search, repl);
    if (!out || outSize == 0)
        return scratch.empty();
    size_t len = klmSafePrefixLength(scratch, outSize - 1);
    std::memcpy(out, scratch.data(), len);
    out[len] = 0;
    return len == scratch.size();
}

std::string klmReplaceText(std::string_view src, std::string_view search, std::string_view repl)
{
    std::string out;
    replaceInto(out, src, search, repl);
    return out;
}

namespace {

// The search side's mapping of one double-byte character: hiragana to the
// matching katakana (the iteration marks too), and, when fullWidth is set,
// the full-width digits and letters to ASCII. Writes the result (1 or 2
// bytes) to out and returns its length. Every mapping replaces a whole
// character by a whole character, so the caller's walk keeps its character
// boundaries, and a walk gives what the replace-alls one after another give.
size_t mapSearchChar(unsigned char lead, unsigned char trail, bool fullWidth, char* out)
{
    if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) {
        // ぁ..ん (82 9F..82 F1) sit at ァ..ン (83 40..83 93), where the
        // katakana row skips the trail byte 0x7F.
        unsigned k = trail - 0x5Fu;
        if (k >= 0x7F)
            ++k;
        out[0] = static_cast<char>(0x83);
        out[1] = static_cast<char>(k);
        return 2;
    }
    if (lead == 0x81 && (trail == 0x54 || trail == 0x55)) {
        // The iteration marks ゝ ゞ (81 54/55) become ヽ ヾ (81 52/53).
        out[0] = static_cast<char>(lead);
        out[1] = static_cast<char>(trail - 2);
        return 2;
    }
    if (fullWidth && lead == 0x82) {
        if (trail >= 0x4F && trail <= 0x58) {
            out[0] = static_cast<char>('0' + (trail - 0x4F));
            return 1;
        }
        if (trail >= 0x60 && trail <= 0x79) {
            out[0] = static_cast<char>('A' + (trail - 0x60));
            return 1;
        }
        if (trail >= 0x81 && trail <= 0x9A) {
            out[0] = static_cast<char>('a' + (trail - 0x81));
            return 1;
        }
    }
    out[0] = static_cast<char>(lead);
    out[1] = static_cast<char>(trail);
    return 2;
}

// One walk over text on its character boundaries, mapping every pair.
size_t mapSearchText(char* out, std::string_view text, bool fullWidth)
{
    const unsigned char* s = bytes(text);
    const size_t n = text.size();
    size_t o = 0;
    size_t i = 0;
    while (i < n) {
        if (charLengthAt(s, n, i) == 2) {
            o += mapSearchChar(s[i], s[i + 1], fullWidth, out + o);
            i += 2;
        } else {
            out[o++] = static_cast<char>(s[i++]);
        }
    }
    return o;
}

}  // namespace

std::string klmHiraganaToKatakana(std::string_view text)
{
    std::string out(text.size(), '\0');
    out.resize(mapSearchText(out.data(), text, false));
    return out;
}

size_t klmNormaliseSearchInto(char* out, size_t outSize, std::string_view typed)
{
    if (outSize == 0)
        return 0;
    typed = typed.substr(0, std::min(typed.find('\0'), typed.size()));  // a C string
    // Nothing here lengthens the text, so a typed text that fits fits mapped.
    typed = typed.substr(0, klmSafePrefixLength(typed, outSize - 1));
    const size_t len = mapSearchText(out, typed, true);
    out[len] = 0;
    return len;
}

std::string klmNormaliseSearchText(std::string_view typed)
{
    // The variants live in 256-byte buffers: 255 bytes and a terminator.
    char buf[256];
    return std::string(buf, klmNormaliseSearchInto(buf, sizeof buf, typed));
}
