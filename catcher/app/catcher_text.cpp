#include "catcher_text.h"

#include <QByteArray>
#include <QFile>

namespace chatkeeper::app {

std::string ToFileName(const QString& text) {
    const QByteArray bytes = QFile::encodeName(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromFileName(const std::string& bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace chatkeeper::app
