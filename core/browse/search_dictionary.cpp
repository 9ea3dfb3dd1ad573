#include "browse/search_dictionary.h"

#include <algorithm>

// Inlined: the texts are a few bytes, and a call costs as much as the hash.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

constexpr size_t kFirstSlots = 256;
constexpr uint32_t kFreeSlot = 0xFFFFFFFF;

// A slot holds an entry number in its low half and the top bits of its
// text's hash in the high half, so that a probe rarely reads a text that
// is not the one looked for.
uint32_t tagOf(uint64_t hash) { return static_cast<uint32_t>(hash >> 48) << 16; }
uint16_t entryOf(uint32_t slot) { return static_cast<uint16_t>(slot); }

// Whether entry e holds exactly text: the same bytes, then its NUL.
bool holds(const KlmSearchDictionary& d, uint16_t e, std::string_view text)
{
    const std::vector<char>& t = d.entries.text;
    const size_t at = d.entries.starts[e];
    if (at + text.size() >= t.size() || t[at + text.size()] != '\0')
        return false;
    // Short texts: a loop beats a call to memcmp.
    const char* a = t.data() + at;
    for (size_t i = 0; i < text.size(); ++i)
        if (a[i] != text[i])
            return false;
    return true;
}

// The slot holding text's entry, or the free slot where it belongs.
size_t findSlot(const KlmSearchDictionary& d, std::string_view text, uint64_t hash)
{
    const size_t mask = d.slots.size() - 1;
    const uint32_t tag = tagOf(hash);
    size_t s = static_cast<size_t>(hash) & mask;
    for (;; s = (s + 1) & mask) {
        const uint32_t slot = d.slots[s];
        if (slot == kFreeSlot || ((slot & 0xFFFF0000u) == tag && holds(d, entryOf(slot), text)))
            return s;
    }
}

uint64_t hashOf(std::string_view text) { return XXH3_64bits(text.data(), text.size()); }

// Sized for the entries it has and one more (or for `entries`), at most
// half full.
void makeSlots(KlmSearchDictionary& d, size_t entries = 0)
{
    size_t size = kFirstSlots;
    while (size < 2 * (std::max(d.count, entries) + 1))
        size *= 2;
    if (d.slots.size() >= size)
        return;
    d.slots.assign(size, kFreeSlot);
    for (size_t e = 0; e < d.count; ++e) {
        const std::string_view text = klmDictionaryText(d, e);
        const uint64_t hash = hashOf(text);
        d.slots[findSlot(d, text, hash)] = tagOf(hash) | static_cast<uint32_t>(e);
    }
}

void open(KlmSearchDictionary& d)
{
    if (!d.closed)
        return;
    d.entries.text.resize(d.entries.starts.back());
    d.entries.starts.pop_back();
    d.closed = false;
    // Closing let the slots go.
    makeSlots(d);
}

}  // namespace

void klmClearDictionary(KlmSearchDictionary& d)
{
    d.entries.text.clear();
    d.entries.starts.clear();
    std::fill(d.slots.begin(), d.slots.end(), kFreeSlot);
    d.count = 0;
    d.closed = false;
}

void klmReserveDictionary(KlmSearchDictionary& d, size_t entries)
{
    open(d);
    makeSlots(d, std::min(entries, KlmSearchDictionary::kMaxEntries));
}

uint16_t klmDictionaryAdd(KlmSearchDictionary& d, std::string_view text, size_t limit)
{
    open(d);
    if (d.slots.empty())
        makeSlots(d);
    const uint64_t hash = hashOf(text);
    size_t s = findSlot(d, text, hash);
    if (d.slots[s] != kFreeSlot)
        return entryOf(d.slots[s]);
    if (d.count >= std::min(limit, KlmSearchDictionary::kMaxEntries))
        return KlmSearchDictionary::kFree;
    if (2 * (d.count + 1) > d.slots.size()) {
        makeSlots(d);
        s = findSlot(d, text, hash);
    }
    const auto e = static_cast<uint16_t>(d.count++);
    d.entries.starts.push_back(static_cast<uint32_t>(d.entries.text.size()));
    d.entries.text.insert(d.entries.text.end(), text.begin(), text.end());
    d.entries.text.push_back('\0');
    d.slots[s] = tagOf(hash) | e;
    return e;
}

void klmCloseDictionary(KlmSearchDictionary& d, size_t padding)
{
    if (d.closed)
        return;
    d.entries.starts.push_back(static_cast<uint32_t>(d.entries.text.size()));
    d.entries.text.insert(d.entries.text.end(), padding, '\0');
    d.closed = true;
    // Only adding needs them; they are made again then.
    d.slots = std::vector<uint32_t>{};
}

std::string_view klmDictionaryText(const KlmSearchDictionary& d, size_t e)
{
    const size_t at = d.entries.starts[e];
    const size_t end = e + 1 < d.entries.starts.size() ? d.entries.starts[e + 1] - 1 : d.entries.text.size() - 1;
    return {d.entries.text.data() + at, end - at};
}

size_t klmDictionaryBytes(const KlmSearchDictionary& d)
{
    return d.entries.text.size() + d.entries.starts.capacity() * sizeof(uint32_t) +
           d.slots.capacity() * sizeof(uint32_t);
}
