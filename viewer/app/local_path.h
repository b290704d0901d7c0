// Paths are handed to the core as local 8-bit file names.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace chatscope {

inline std::string ToLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

}  // namespace chatscope
