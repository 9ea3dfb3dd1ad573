// The one place where a stored colour (0x00BBGGRR, as setting.dat keeps it)
// becomes a QColor and back.
#pragma once

#include <QColor>

#include <cstdint>

inline QColor klmQColor(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

inline int32_t klmColourRef(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }
