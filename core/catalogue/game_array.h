// The games of a catalogue: an array of GameRecords kept either in the
// program's own memory or in a private mapping of dat.cache, whose pages are
// read straight from the file and copied only where a record is written.
// Mapping the cache instead of reading it is what makes a start with valid
// caches cost next to nothing, however large the catalogue.
//
// It behaves as a std::vector<GameRecord>: new records are value-initialised
// (zero), and anything that changes the number of records moves a mapped
// array into the program's own memory first. A mapped array is the file as
// it was when mapped: the caches are only ever replaced by renaming a new
// file over them, never rewritten in place, so what it shows cannot change
// under it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "catalogue/records.h"

class KlmGameArray {
public:
    using value_type = GameRecord;
    using size_type = size_t;
    using iterator = GameRecord*;
    using const_iterator = const GameRecord*;
    using reference = GameRecord&;
    using const_reference = const GameRecord&;

    KlmGameArray() = default;
    KlmGameArray(std::initializer_list<GameRecord> games) : own_(games) {}
    KlmGameArray(const KlmGameArray& other);  // always into own memory
    KlmGameArray(KlmGameArray&& other) noexcept;
    KlmGameArray& operator=(const KlmGameArray& other);
    KlmGameArray& operator=(KlmGameArray&& other) noexcept;
    KlmGameArray& operator=(std::initializer_list<GameRecord> games);
    ~KlmGameArray();

    // Takes over a private, writable mapping of `length` bytes at `base`
    // (munmap'd when no longer needed) whose `count` records start `offset`
    // bytes in. offset must keep the records aligned.
    void adoptMapping(void* base, size_t length, size_t offset, size_t count);
    bool mapped() const { return map_ != nullptr; }
    // The mapped pages, for the caller that wants them copied ahead of use.
    void* mappingBase() const { return map_; }
    size_t mappingLength() const { return mapLength_; }

    size_t size() const { return map_ ? mappedCount_ : own_.size(); }
    bool empty() const { return size() == 0; }
    size_t capacity() const { return map_ ? mappedCount_ : own_.capacity(); }
    GameRecord* data() { return map_ ? mapped_ : own_.data(); }
    const GameRecord* data() const { return map_ ? mapped_ : own_.data(); }
    GameRecord& operator[](size_t i) { return data()[i]; }
    const GameRecord& operator[](size_t i) const { return data()[i]; }
    GameRecord& at(size_t i);
    const GameRecord& at(size_t i) const;
    GameRecord* begin() { return data(); }
    GameRecord* end() { return data() + size(); }
    const GameRecord* begin() const { return data(); }
    const GameRecord* end() const { return data() + size(); }
    GameRecord& front() { return data()[0]; }
    GameRecord& back() { return data()[size() - 1]; }
    const GameRecord& front() const { return data()[0]; }
    const GameRecord& back() const { return data()[size() - 1]; }

    void push_back(const GameRecord& g);
    GameRecord& emplace_back();
    void pop_back();
    void resize(size_t n);
    void reserve(size_t n);
    void clear();

private:
    // Moves a mapped array into own memory (before its size changes).
    void own();
    void unmap();

    std::vector<GameRecord> own_;
    void* map_ = nullptr;
    size_t mapLength_ = 0;
    GameRecord* mapped_ = nullptr;
    size_t mappedCount_ = 0;
};
