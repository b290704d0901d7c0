#include "catcher_text.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace chatkeeper::app {

namespace {
constexpr const char* kShiftJisName = "Windows-31J";
}

std::string ToShiftJis(const QString& text) {
    QStringEncoder encoder(kShiftJisName);
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromShiftJis(const std::string& bytes) {
    QStringDecoder decoder(kShiftJisName);
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToFileName(const QString& text) {
    const QByteArray bytes = QFile::encodeName(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromFileName(const std::string& bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString CutToShiftJisBytes(const QString& text, std::size_t maxBytes) {
    if (ToShiftJis(text).size() <= maxBytes) return text;
    // Walk whole characters (surrogate pairs kept together) and stop before
    // the first one that would not fit.
    QStringEncoder encoder(kShiftJisName);
    std::size_t used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        qsizetype next = end + 1;
        if (text.at(end).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate()) ++next;
        const QByteArray bytes = encoder.encode(QStringView(text).sliced(end, next - end));
        if (used + static_cast<std::size_t>(bytes.size()) > maxBytes) break;
        used += static_cast<std::size_t>(bytes.size());
        end = next;
    }
    return text.left(end);
}

}  // namespace chatkeeper::app
