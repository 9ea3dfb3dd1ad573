#include "browse/sort_entries.h"

#include <sys/mman.h>

#include <algorithm>
#include <utility>

KlmSortEntries::KlmSortEntries(const KlmSortEntries& other) : own_(other.begin(), other.end()) {}

KlmSortEntries::KlmSortEntries(KlmSortEntries&& other) noexcept
{
    *this = std::move(other);
}

KlmSortEntries& KlmSortEntries::operator=(const KlmSortEntries& other)
{
    if (this != &other) {
        std::vector<int32_t> copy(other.begin(), other.end());
        adopt(std::move(copy));
    }
    return *this;
}

KlmSortEntries& KlmSortEntries::operator=(KlmSortEntries&& other) noexcept
{
    if (this != &other) {
        unmap();
        own_ = std::move(other.own_);
        other.own_.clear();
        std::swap(map_, other.map_);
        std::swap(mappedCount_, other.mappedCount_);
    }
    return *this;
}

KlmSortEntries::~KlmSortEntries()
{
    unmap();
}

void KlmSortEntries::adoptMapping(void* base, size_t count)
{
    unmap();
    own_.clear();
    own_.shrink_to_fit();
    map_ = static_cast<int32_t*>(base);
    mappedCount_ = count;
}

void KlmSortEntries::adopt(std::vector<int32_t>&& entries)
{
    unmap();
    own_ = std::move(entries);
}

void KlmSortEntries::assign(size_t count, int32_t value)
{
    unmap();
    own_.assign(count, value);
}

bool operator==(const KlmSortEntries& a, const KlmSortEntries& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

void KlmSortEntries::unmap()
{
    if (map_)
        munmap(map_, mappedCount_ * sizeof(int32_t));
    map_ = nullptr;
    mappedCount_ = 0;
}
