#include "picture_cache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace {

qint64 imageBytes(const QImage& image) { return image.isNull() ? 0 : image.sizeInBytes(); }

}  // namespace

KlmPictureCache::KlmPictureCache(qint64 budgetBytes) : budget_(budgetBytes) {}

KlmPictureCache::Entry* KlmPictureCache::find(const std::string& key, const std::string& file)
{
    auto it = entries_.find(key);
    if (it == entries_.end())
        return nullptr;
    const QFileInfo info(QString::fromStdString(file));
    const qint64 time = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    const qint64 size = info.exists() ? info.size() : -1;
    if (size != it->second.fileSize || time != it->second.fileTime) {
        bytes_ -= imageBytes(it->second.image);
        entries_.erase(it);
        return nullptr;
    }
    it->second.lastUse = ++clock_;
    return &it->second;
}

KlmPictureCache::Entry& KlmPictureCache::load(const std::string& path)
{
    Entry e;
    const QString file = QString::fromStdString(path);
    const QFileInfo info(file);
    if (info.exists()) {
        e.fileSize = info.size();
        e.fileTime = info.lastModified().toMSecsSinceEpoch();
        QImageReader reader(file);
        const QSize own = reader.size();
        if (own.isValid() && qint64{own.width()} * own.height() > kMaxDecodedPixels) {
            // No pane is that large: decode at most kMaxDecodedPixels.
            const double scale = std::sqrt(double(kMaxDecodedPixels) / (double(own.width()) * own.height()));
            reader.setScaledSize(QSize(std::max(1, int(own.width() * scale)), std::max(1, int(own.height() * scale))));
        }
        QImage image = reader.read();
        ++decodes_;
        if (!image.isNull() && image.width() > 0 && image.height() > 0) {
            // The two formats painting blends fastest.
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
            e.size = own.isValid() ? KlmSize{own.width(), own.height()} : KlmSize{image.width(), image.height()};
            e.image = std::move(image);
        }
    }
    return insert(path, std::move(e));
}

KlmPictureCache::Entry& KlmPictureCache::insert(const std::string& key, Entry e)
{
    e.lastUse = ++clock_;
    bytes_ += imageBytes(e.image);
    Entry& stored = entries_[key] = std::move(e);
    trim();
    return stored;
}

void KlmPictureCache::trim()
{
    while (bytes_ > budget_ && entries_.size() > 1) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        if (oldest->second.lastUse == clock_)
            break;  // only the newest is left over budget
        bytes_ -= imageBytes(oldest->second.image);
        entries_.erase(oldest);
    }
}

QImage KlmPictureCache::image(const std::string& path)
{
    if (path.empty())
        return {};
    if (Entry* e = find(path, path))
        return e->image;
    return load(path).image;
}

QImage KlmPictureCache::scaled(const std::string& path, QSize size)
{
    if (path.empty() || size.isEmpty())
        return {};
    const std::string key = path + '\n' + std::to_string(size.width()) + 'x' + std::to_string(size.height());
    if (Entry* e = find(key, path))
        return e->image;
    const QImage source = image(path);
    const Entry* base = find(path, path);
    if (!base)
        return {};
    Entry e = *base;
    if (!source.isNull())
        e.image = source.size() == size ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return insert(key, std::move(e)).image;
}

KlmSize KlmPictureCache::size(const std::string& path)
{
    if (path.empty())
        return {};
    if (Entry* e = find(path, path))
        return e->size;
    return load(path).size;
}

KlmPictureSizer KlmPictureCache::sizer()
{
    return [this](const std::string& path) { return size(path); };
}

bool KlmPictureCache::preload(const std::string& path)
{
    if (path.empty() || find(path, path))
        return false;
    load(path);
    return true;
}

void KlmPictureCache::clear()
{
    entries_.clear();
    bytes_ = 0;
}
