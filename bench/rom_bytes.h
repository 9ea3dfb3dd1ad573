// ROM-like contents for tests and benchmarks: partly compressible, as real
// cartridge and disc images are (code-like runs from a small vocabulary,
// repeated graphics tiles with a few changed bits, packed data, padding and
// text), neither all zeros nor pure noise. Deflate packs it to about half.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::string klmRomLikeBytes(size_t size, uint32_t seed)
{
    uint32_t x = seed * 2654435761u + 1;
    auto next = [&x] {
        x = x * 1664525u + 1013904223u;
        return x >> 24;
    };
    std::vector<std::string> words(64);
    for (std::string& w : words)
        for (uint32_t n = 2 + next() % 5; n > 0; --n)
            w += char(next());
    std::vector<std::string> tiles(32);
    for (std::string& t : tiles)
        for (int i = 0; i < 16; ++i)
            t += char(next() % 3 == 0 ? next() : (next() & 1 ? 0x00 : 0xAA));

    std::string out;
    out.reserve(size + 8192);
    while (out.size() < size) {
        const uint32_t kind = next() % 100;
        const size_t end = out.size() + 512 + next() * 16;
        while (out.size() < end) {
            if (kind < 35) {  // code
                out += next() % 5 == 0 ? std::string(1, char(next())) : words[next() % words.size()];
            } else if (kind < 65) {  // graphics
                std::string t = tiles[next() % tiles.size()];
                if (next() % 4 == 0)
                    t[next() % 16] ^= char(1 << (next() % 8));
                out += t;
            } else if (kind < 80) {  // packed data
                out += char(next());
            } else if (kind < 92) {  // padding
                out.append(end - out.size(), kind & 1 ? '\xFF' : '\0');
            } else {  // text
                out += "GAME OVER\0PUSH START\0"[next() % 12];
            }
        }
    }
    out.resize(size);
    return out;
}
