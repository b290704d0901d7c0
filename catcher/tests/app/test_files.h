// Whole-file reads and writes for the catcher tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace catchertest {

// The whole file; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// Replaces the file with `bytes`; false when that fails.
inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

}  // namespace catchertest
