// The toolbar's strip: 40 images of 16 × 15 pixels side by side, image i
// for button i, drawn once at start-up.
#pragma once

#include <QPixmap>

inline constexpr int kKlmToolImageW = 16;
inline constexpr int kKlmToolImageH = 15;

QPixmap klmToolbarStrip();
