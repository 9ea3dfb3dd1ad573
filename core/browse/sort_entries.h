// The entries of the 26 sort orders: kept either in the program's own
// memory or in a private mapping of sort.cache, whose pages are read from
// the file only when an order is first used and copied only where written
// (the movie column's orders after new movie marks). A start with valid
// caches then holds in memory the one or two orders the list shows, not all
// twenty-six. Like the mapped records, a mapping is the file as it was when
// mapped: the cache is only ever replaced by renaming a new file over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class KlmSortEntries {
public:
    using value_type = int32_t;
    using iterator = int32_t*;
    using const_iterator = const int32_t*;

    KlmSortEntries() = default;
    KlmSortEntries(const KlmSortEntries& other);  // always into own memory
    KlmSortEntries(KlmSortEntries&& other) noexcept;
    KlmSortEntries& operator=(const KlmSortEntries& other);
    KlmSortEntries& operator=(KlmSortEntries&& other) noexcept;
    ~KlmSortEntries();

    // Takes over a private, writable mapping of `count` entries at `base`
    // (munmap'd when no longer needed).
    void adoptMapping(void* base, size_t count);
    bool mapped() const { return map_ != nullptr; }
    // Own memory holding `entries`.
    void adopt(std::vector<int32_t>&& entries);
    void assign(size_t count, int32_t value);

    size_t size() const { return map_ ? mappedCount_ : own_.size(); }
    bool empty() const { return size() == 0; }
    int32_t* data() { return map_ ? map_ : own_.data(); }
    const int32_t* data() const { return map_ ? map_ : own_.data(); }
    int32_t& operator[](size_t i) { return data()[i]; }
    const int32_t& operator[](size_t i) const { return data()[i]; }
    int32_t* begin() { return data(); }
    int32_t* end() { return data() + size(); }
    const int32_t* begin() const { return data(); }
    const int32_t* end() const { return data() + size(); }

    friend bool operator==(const KlmSortEntries& a, const KlmSortEntries& b);

private:
    void unmap();

    std::vector<int32_t> own_;
    int32_t* map_ = nullptr;
    size_t mappedCount_ = 0;
};
