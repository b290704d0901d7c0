// Files and logs for the window tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "../core/log_builder.h"

namespace apptest {

// The whole file; empty when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Replaces the file with `bytes`, or appends them; the test fails when the file
// cannot be opened.
inline void WriteFile(const QString& path, std::string_view bytes, bool append = false) {
    QFile file(path);
    QVERIFY(file.open(append ? QIODevice::Append : (QIODevice::WriteOnly | QIODevice::Truncate)));
    file.write(bytes.data(), qint64(bytes.size()));
}

// A log holding `lines`: blocks of 50 NUL-ended lines behind zeroed 100-byte
// headers, the last block filled up with empty lines; one empty block for none.
inline std::string LogBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (std::size_t first = 0; first == 0 || first < lines.size(); first += 50) {
        const auto begin = lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size()));
        const auto end = lines.begin() + static_cast<std::ptrdiff_t>(std::min(first + 50, lines.size()));
        bytes += logtest::Block(std::vector<std::string>(begin, end));
    }
    return bytes;
}

}  // namespace apptest
