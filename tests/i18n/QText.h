// Texts of the tests as QStrings, from UTF-8.
#pragma once

#include <QString>

inline QString Q(const char* text) {
    return QString::fromUtf8(text);
}
