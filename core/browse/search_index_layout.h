// How the search index lays out a game's texts, shared by its build and its
// pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "browse/search_index.h"

// Zero bytes after every text block: the scan reads a 16-byte block at the
// needle's last byte, and a needle has at most 255 bytes.
inline constexpr size_t kKlmIndexPadding = 256 + 16;

// The record fields the index copies, in the order it stores them (a coded
// one only when the index does not code it).
inline constexpr KlmTextField kKlmIndexedFields[] = {
    KlmTextField::Title,   KlmTextField::Kana,      KlmTextField::English, KlmTextField::Date,
    KlmTextField::Price,   KlmTextField::ImageNumber, KlmTextField::Movie, KlmTextField::Arcade,
    KlmTextField::Comment, KlmTextField::Crc,       KlmTextField::FoundPath, KlmTextField::RomSize,
    KlmTextField::Serial,
};
inline constexpr int kKlmIndexedCount = static_cast<int>(std::size(kKlmIndexedFields));

// The field's slot among the coded fields, −1 for one that is never coded.
constexpr int klmCodedSlot(KlmTextField f)
{
    for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c)
        if (KlmSearchIndex::kCodedField[c] == f)
            return c;
    return -1;
}

// Whether this index holds the field in its segments' text.
inline bool klmIndexStoresText(const KlmSearchIndex& index, KlmTextField f)
{
    const int c = klmCodedSlot(f);
    return c < 0 || !index.coded[c];
}
