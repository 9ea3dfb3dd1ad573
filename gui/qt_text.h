// The one place where CP932 bytes become QString and back.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "text/cp932.h"

inline QString klmQ(std::string_view cp932)
{
    return QString::fromStdString(klmToUtf8(cp932));
}

inline std::string klmCp(const QString& text)
{
    return klmFromUtf8(text.toStdString());
}

// UTF-8 source literals (the program's own texts).
inline QString klmU(const char* utf8) { return QString::fromUtf8(utf8); }
