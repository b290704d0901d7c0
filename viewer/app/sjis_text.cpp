#include "sjis_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace chatscope {

namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The double-byte part goes through the platform converter; the single bytes
// are decoded here, because that converter maps a few control codes
// (0x1A, 0x1C, 0x7F) differently from Windows-31J.
QStringDecoder& PairDecoder() {
    thread_local QStringDecoder decoder("Windows-31J", QStringDecoder::Flag::Stateless);
    return decoder;
}
QStringEncoder& Encoder() {
    thread_local QStringEncoder encoder("Windows-31J", QStringEncoder::Flag::Stateless);
    return encoder;
}

}  // namespace

QString SjisToQString(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
        } else if (b >= 0xA1 && b <= 0xDF) {  // half-width katakana
            out.append(QChar(char16_t(0xFF61 + (b - 0xA1))));
            ++i;
        } else if (IsLeadByte(b) && i + 1 < n && IsTrailByte(p[i + 1])) {
            // A run of complete double-byte characters: one character each.
            std::size_t j = i;
            while (j + 1 < n && IsLeadByte(p[j]) && IsTrailByte(p[j + 1])) j += 2;
            const QString run = PairDecoder().decode(
                QByteArrayView(reinterpret_cast<const char*>(p + i), static_cast<qsizetype>(j - i)));
            if (run.size() == static_cast<qsizetype>((j - i) / 2)) {
                out.append(run);
            } else {  // never expected; keep one character per pair all the same
                for (std::size_t k = i; k < j; k += 2) {
                    const QString one = PairDecoder().decode(
                        QByteArrayView(reinterpret_cast<const char*>(p + k), 2));
                    out.append(one.size() == 1 ? one : QString(QChar::ReplacementCharacter));
                }
            }
            i = j;
        } else {
            out.append(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return out;
}

std::string SjisToUtf8(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(bytes);
    return SjisToQString(bytes).toStdString();
}

std::string QStringToSjis(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text[i].unicode() < 0x80) {
            out.push_back(static_cast<char>(text[i].unicode()));
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && text[j].unicode() >= 0x80) ++j;
        const QByteArray run = Encoder().encode(QStringView(text).mid(i, j - i));
        // The converter writes FC FC for a character it has no code for.
        const auto* p = reinterpret_cast<const unsigned char*>(run.constData());
        for (qsizetype k = 0; k < run.size();) {
            if (IsLeadByte(p[k]) && k + 1 < run.size()) {
                if (p[k] == 0xFC && p[k + 1] == 0xFC)
                    out.push_back('?');
                else
                    out.append(reinterpret_cast<const char*>(p + k), 2);
                k += 2;
            } else {
                out.push_back(static_cast<char>(p[k]));
                ++k;
            }
        }
        i = j;
    }
    return out;
}

}  // namespace chatscope
