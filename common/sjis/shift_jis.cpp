// The decoding table and the encoding cache are built from Qt's Windows-31J
// codec, once per process.
#include "sjis/shift_jis.h"

#include <QByteArray>

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace sjis {

namespace {

using detail::DecodeUnit;
using detail::IsKana;
using detail::IsLead;
using detail::IsTrail;

// Length in bytes of the unit starting at i: 1 for ASCII, kana and invalid
// bytes, 2 for a lead byte followed by a trail byte.
inline std::size_t UnitLength(std::string_view s, std::size_t i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (IsLead(b) && i + 1 < s.size() && IsTrail(static_cast<unsigned char>(s[i + 1]))) return 2;
    return 1;
}

}  // namespace

namespace detail {

// Every double-byte character, as the platform codec decodes it: index
// lead << 8 | trail. Built once from whole rows of pairs, so decoding is a table
// lookup. Single bytes never go through the codec: Qt's "Windows-31J" swaps the
// control codes 0x1A, 0x1C and 0x7F, turns bad bytes into U+001A and drops a
// cut-off lead byte at the end.
const char16_t* PairTable() {
    static const std::unique_ptr<char16_t[]> table = [] {
        auto t = std::make_unique<char16_t[]>(0x10000);
        std::fill(t.get(), t.get() + 0x10000, char16_t(QChar::ReplacementCharacter));
        QStringDecoder decoder("Windows-31J", QStringDecoder::Flag::Stateless);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLead(static_cast<unsigned char>(lead))) continue;
            QByteArray row;
            std::vector<int> trails;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!IsTrail(static_cast<unsigned char>(trail))) continue;
                row.append(static_cast<char>(lead));
                row.append(static_cast<char>(trail));
                trails.push_back(trail);
            }
            const QString decoded = decoder.decode(row);
            const bool onePerPair = decoded.size() == static_cast<qsizetype>(trails.size());
            for (std::size_t k = 0; k < trails.size(); ++k) {
                QString one = onePerPair ? QString(decoded[static_cast<qsizetype>(k)])
                                         : decoder.decode(row.mid(static_cast<qsizetype>(2 * k), 2));
                // A character outside the BMP or a control code for a pair would
                // break the one-QChar-per-pair rule: show it as unknown.
                if (one.size() == 1 && !one[0].isSurrogate() && one[0].unicode() >= 0x20)
                    t[static_cast<std::size_t>(lead << 8 | trails[k])] = one[0].unicode();
            }
        }
        return t;
    }();
    return table.get();
}

}  // namespace detail

using detail::PairTable;

QString Decode(std::string_view bytes) {
    QString out;
    DecodeInto(bytes, out);
    return out;
}

void DecodeInto(std::string_view bytes, QString& out) {
    const char16_t* pairs = PairTable();
    out.resize(static_cast<qsizetype>(bytes.size()));
    QChar* dst = out.data();
    qsizetype n_out = 0;
    for (std::size_t i = 0; i < bytes.size();) dst[n_out++] = QChar(DecodeUnit(pairs, bytes, i));
    out.truncate(n_out);
}

std::string DecodeToUtf8(std::string_view bytes) {
    std::string out;
    AppendUtf8(bytes, out);
    return out;
}

void AppendUtf8(std::string_view bytes, std::string& out) {
    const auto firstHigh =
        std::find_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const std::size_t plain = static_cast<std::size_t>(firstHigh - bytes.begin());
    const std::size_t start = out.size();
    // A unit takes at most three bytes and at least one byte of the line.
    out.resize(start + plain + (bytes.size() - plain) * 3);
    char* dst = out.data() + start;
    std::memcpy(dst, bytes.data(), plain);
    dst += plain;
    const char16_t* pairs = PairTable();
    for (std::size_t i = plain; i < bytes.size();) {
        const char16_t c = DecodeUnit(pairs, bytes, i);
        if (c < 0x80) {
            *dst++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *dst++ = static_cast<char>(0xC0 | c >> 6);
            *dst++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *dst++ = static_cast<char>(0xE0 | c >> 12);
            *dst++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            *dst++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

int CharCount(std::string_view bytes) {
    int count = 0;
    for (std::size_t i = 0; i < bytes.size(); i += UnitLength(bytes, i)) ++count;
    return count;
}

std::size_t ByteOffset(std::string_view bytes, int column) {
    std::size_t i = 0;
    for (int c = 0; c < column && i < bytes.size(); ++c) i += UnitLength(bytes, i);
    return i;
}

bool EncodeChar(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return true;
    }
    if (cp >= 0xFF61 && cp <= 0xFF9F) {
        out.push_back(static_cast<char>(0xA1 + (cp - 0xFF61)));
        return true;
    }
    if (cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFD) return false;
    // Per-character cache, filled on first use of each character: 0 unknown,
    // 1 unencodable, else 0x10000 | the two bytes. Threads that race on an entry
    // store the same value.
    using Cache = std::array<std::atomic<std::uint32_t>, 0x10000>;
    static const std::unique_ptr<Cache> cache = std::make_unique<Cache>();
    std::atomic<std::uint32_t>& slot = (*cache)[cp];
    std::uint32_t entry = slot.load(std::memory_order_relaxed);
    if (entry == 0) {
        QStringEncoder encoder("Windows-31J", QStringEncoder::Flag::Stateless);
        const char16_t c = static_cast<char16_t>(cp);
        QByteArray bytes = encoder.encode(QStringView(&c, 1));
        // The codec writes FC FC for what it cannot hold (FC FC is no character)
        // and nothing at all for some invisible characters.
        if (bytes.size() == 2 && IsLead(static_cast<unsigned char>(bytes[0])) &&
            IsTrail(static_cast<unsigned char>(bytes[1])) &&
            !(static_cast<unsigned char>(bytes[0]) == 0xFC && static_cast<unsigned char>(bytes[1]) == 0xFC) &&
            !encoder.hasError())
            entry = 0x10000u | static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
        else
            entry = 1;
        slot.store(entry, std::memory_order_relaxed);
    }
    if (entry == 1) return false;
    out.push_back(static_cast<char>(entry >> 8 & 0xFF));
    out.push_back(static_cast<char>(entry & 0xFF));
    return true;
}

std::string Encode(QStringView text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    EncodeEach(text, out, [](char32_t, std::string& o) { o.push_back('?'); });
    return out;
}

std::optional<std::string> EncodeExact(QStringView text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    bool exact = true;
    EncodeEach(text, out, [&exact](char32_t, std::string&) { exact = false; });
    if (!exact) return std::nullopt;
    return out;
}

QString CutToBytes(const QString& text, std::size_t maxBytes) {
    std::string out;
    qsizetype end = 0;
    while (end < text.size()) {
        qsizetype next = end + 1;
        if (text.at(end).isHighSurrogate() && next < text.size() && text.at(next).isLowSurrogate()) ++next;
        EncodeEach(QStringView(text).sliced(end, next - end), out, [](char32_t, std::string& o) { o.push_back('?'); });
        if (out.size() > maxBytes) break;
        end = next;
    }
    return text.left(end);
}

}  // namespace sjis
