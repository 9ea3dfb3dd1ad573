#include "catalogue/game_array.h"

#include <sys/mman.h>

#include <stdexcept>
#include <utility>

KlmGameArray::KlmGameArray(const KlmGameArray& other) : own_(other.begin(), other.end()) {}

KlmGameArray::KlmGameArray(KlmGameArray&& other) noexcept
{
    *this = std::move(other);
}

KlmGameArray& KlmGameArray::operator=(const KlmGameArray& other)
{
    if (this != &other) {
        std::vector<GameRecord> copy(other.begin(), other.end());
        unmap();
        own_ = std::move(copy);
    }
    return *this;
}

KlmGameArray& KlmGameArray::operator=(KlmGameArray&& other) noexcept
{
    if (this != &other) {
        unmap();
        own_ = std::move(other.own_);
        other.own_.clear();
        std::swap(map_, other.map_);
        std::swap(mapLength_, other.mapLength_);
        std::swap(mapped_, other.mapped_);
        std::swap(mappedCount_, other.mappedCount_);
    }
    return *this;
}

KlmGameArray& KlmGameArray::operator=(std::initializer_list<GameRecord> games)
{
    unmap();
    own_.assign(games);
    return *this;
}

KlmGameArray::~KlmGameArray()
{
    unmap();
}

void KlmGameArray::adoptMapping(void* base, size_t length, size_t offset, size_t count)
{
    unmap();
    own_.clear();
    own_.shrink_to_fit();
    map_ = base;
    mapLength_ = length;
    mapped_ = reinterpret_cast<GameRecord*>(static_cast<char*>(base) + offset);
    mappedCount_ = count;
}

GameRecord& KlmGameArray::at(size_t i)
{
    if (i >= size())
        throw std::out_of_range("KlmGameArray::at");
    return data()[i];
}

const GameRecord& KlmGameArray::at(size_t i) const
{
    if (i >= size())
        throw std::out_of_range("KlmGameArray::at");
    return data()[i];
}

void KlmGameArray::push_back(const GameRecord& g)
{
    own();
    own_.push_back(g);
}

GameRecord& KlmGameArray::emplace_back()
{
    own();
    return own_.emplace_back();
}

void KlmGameArray::pop_back()
{
    own();
    own_.pop_back();
}

void KlmGameArray::resize(size_t n)
{
    own();
    own_.resize(n);
}

void KlmGameArray::reserve(size_t n)
{
    own();
    own_.reserve(n);
}

void KlmGameArray::clear()
{
    unmap();
    own_.clear();
}

void KlmGameArray::own()
{
    if (!map_)
        return;
    std::vector<GameRecord> copy(mapped_, mapped_ + mappedCount_);
    unmap();
    own_ = std::move(copy);
}

void KlmGameArray::unmap()
{
    if (map_)
        ::munmap(map_, mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
    mapped_ = nullptr;
    mappedCount_ = 0;
}
