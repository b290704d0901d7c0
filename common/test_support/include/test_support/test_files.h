// Whole-file reads and writes for the Qt test suites.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace testsupport {

// The whole file; empty when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Replaces the file with `bytes`, or appends them; false when that fails.
inline bool WriteFile(const QString& path, QByteArrayView bytes, bool append = false) {
    QFile file(path);
    if (!file.open(append ? QIODevice::Append : (QIODevice::WriteOnly | QIODevice::Truncate))) return false;
    return file.write(bytes.data(), bytes.size()) == bytes.size();
}

}  // namespace testsupport
