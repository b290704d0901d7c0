// Figures of the library (counts, sizes) with a comma every three digits,
// whatever the user's locale.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace chatscope {

inline QString Figure(std::int64_t n) {
    static const QLocale grouped = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions({});
        return c;
    }();
    return grouped.toString(static_cast<qlonglong>(n));
}

}  // namespace chatscope
