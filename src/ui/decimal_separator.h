// The decimal separator of a number format, as the single byte that the cells
// and Result.txt use.
#pragma once

#include <QLocale>

namespace brennic::ui {

// A separator that is not one plain byte (no such format is known) falls back to
// the full stop.
inline char DecimalSeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80)
        return static_cast<char>(point.at(0).unicode());
    return '.';
}

} // namespace brennic::ui
