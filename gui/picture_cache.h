// Decoded pictures by path: the snapshots of the selected game and its
// neighbours and the frames, so that moving through the list repaints
// without reading and decoding the same PNG files again.
//
// Invariants:
//  - the cache never holds more than its byte budget (the most recently
//    used picture always stays, even when it alone is larger);
//  - an entry is used only while the file's size and modification time are
//    as they were when it was decoded, so a replaced snapshot shows at once;
//  - a picture too large to be shown sensibly is decoded scaled down, and
//    its size is still reported as the file's own;
//  - scaled copies are entries of their own, under the same budget.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "media/panes.h"

class KlmPictureCache {
public:
    // 48 MB: some forty 640×480 pictures.
    static constexpr qint64 kDefaultBudget = qint64{48} << 20;
    // Larger pictures are decoded at most this many pixels.
    static constexpr qint64 kMaxDecodedPixels = qint64{2048} * 2048;

    explicit KlmPictureCache(qint64 budgetBytes = kDefaultBudget);

    // The picture (decoded now on a miss); a null image when the file is
    // missing or cannot be read.
    QImage image(const std::string& path);
    // The file's own size; {0, 0} when it cannot be read.
    KlmSize size(const std::string& path);
    // A sizer for the core pane layout that reads through this cache.
    KlmPictureSizer sizer();
    // The picture smoothly scaled to exactly size (kept too, so that a pane
    // repainted at the same size does no scaling); null like image().
    QImage scaled(const std::string& path, QSize size);

    // Decodes path now unless it is cached; true when something was decoded.
    bool preload(const std::string& path);
    bool contains(const std::string& path) const { return entries_.count(path) != 0; }

    qint64 bytes() const { return bytes_; }
    qint64 budget() const { return budget_; }
    int count() const { return static_cast<int>(entries_.size()); }
    // Decodes done since creation (for tests and benchmarks).
    int decodes() const { return decodes_; }
    void clear();

private:
    struct Entry {
        QImage image;
        KlmSize size;  // the file's own size
        qint64 fileSize = -1;
        qint64 fileTime = 0;
        quint64 lastUse = 0;
    };
    // The entry under key, while file is as it was when it was made.
    Entry* find(const std::string& key, const std::string& file);
    Entry& load(const std::string& path);
    Entry& insert(const std::string& key, Entry e);
    void trim();

    std::unordered_map<std::string, Entry> entries_;
    qint64 budget_;
    qint64 bytes_ = 0;
    quint64 clock_ = 0;
    int decodes_ = 0;
};
