// Pictures for the media benchmarks: a 640×480 game screen of 8×8 tiles in
// a 16-colour palette, so that its PNG costs about what a real snapshot
// costs to decode.
#pragma once

#include <QImage>
#include <QRandomGenerator>

inline QImage klmBenchGameScreen(int seed)
{
    QRandomGenerator rng(static_cast<quint32>(seed));
    QImage image(640, 480, QImage::Format_RGB32);
    QRgb palette[16];
    for (QRgb& c : palette) c = qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256));
    for (int ty = 0; ty < 60; ++ty)
        for (int tx = 0; tx < 80; ++tx) {
            const QRgb a = palette[rng.bounded(16)], b = palette[rng.bounded(16)];
            const quint32 pattern = rng.generate();
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    image.setPixel(tx * 8 + x, ty * 8 + y, (pattern >> ((x + y * 3) % 32)) & 1 ? a : b);
        }
    return image;
}
