#include "document/rtf_writer.h"

#include <QIODevice>

#include <cstdio>
#include <string>
#include <unordered_map>

#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;

void AppendHexByte(std::string& out, unsigned char b) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\'";
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
}

// Code page 932 bytes: ASCII escaped where RTF needs it, every byte of 0x80 or
// above as \'hh, and both bytes of a double-byte character as \'hh (a second
// byte may be "\", "{" or "}").
void AppendBytes(std::string& out, std::string_view bytes) {
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80) {
            AppendHexByte(out, b);
            const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            if (lead && i + 1 < n) {
                auto t = static_cast<unsigned char>(bytes[i + 1]);
                if (t >= 0x40 && t <= 0xFC && t != 0x7F) {
                    AppendHexByte(out, t);
                    ++i;
                }
            }
        } else if (b == '\t') {
            out += "\\tab ";
        } else if (b < 0x20) {
            AppendHexByte(out, b);
        } else if (b == '\\' || b == '{' || b == '}') {
            out.push_back('\\');
            out.push_back(static_cast<char>(b));
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
}

void AppendUnicodeEscape(std::string& out, char16_t unit) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\u%d?", static_cast<int>(static_cast<std::int16_t>(unit)));
    out += buf;
}

void AppendText(std::string& out, QStringView text) {
    std::string encoded;
    encoded.reserve(static_cast<std::size_t>(text.size()) * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar::LineSeparator) {
            AppendBytes(out, encoded);
            encoded.clear();
            out += "\\line ";
            continue;
        }
        char32_t cp = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, text[i + 1]);
            units = 2;
        }
        if (!sjis::EncodeChar(cp, encoded)) {
            AppendBytes(out, encoded);
            encoded.clear();
            // \uN with "?" for readers without Unicode; N is a signed 16-bit unit.
            for (qsizetype k = 0; k < units; ++k) AppendUnicodeEscape(out, text[i + k].unicode());
        }
        i += units - 1;
    }
    AppendBytes(out, encoded);
}

void AppendColourEntry(std::string& out, std::uint32_t colour) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "\\red%u\\green%u\\blue%u;", colour & 0xFF, colour >> 8 & 0xFF, colour >> 16 & 0xFF);
    out += buf;
}

bool Flush(QIODevice& dev, std::string& buf) {
    if (buf.empty()) return true;
    bool ok = dev.write(buf.data(), static_cast<qint64>(buf.size())) == static_cast<qint64>(buf.size());
    buf.clear();
    return ok;
}

}  // namespace

bool WriteRtf(const DisplayContent& content, QIODevice& out) {
    // First pass: the colour table, in order of first use; index 0 is "auto".
    std::unordered_map<std::uint32_t, int> index;
    std::vector<std::uint32_t> table;
    std::vector<TextRun> runs;
    auto indexOf = [&](std::uint32_t colour) {
        colour &= 0xFFFFFF;
        auto [it, added] = index.try_emplace(colour, static_cast<int>(table.size()) + 1);
        if (added) table.push_back(colour);
        return it->second;
    };
    const int lines = content.LineCount();
    for (int line = 0; line < lines; ++line) {
        content.LineRuns(line, runs);
        if (runs.empty()) indexOf(content.EmptyLineColour(line));
        for (const TextRun& run : runs) indexOf(run.colour);
    }

    std::string buf;
    buf.reserve(kFlushSize + 4096);
    // Font: "ＭＳ Ｐゴシック" in code page 932, Shift-JIS character set; 9 pt = 12 px.
    buf +=
        "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1041"
        "{\\fonttbl{\\f0\\fnil\\fcharset128 ";
    AppendBytes(buf, "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
    buf += ";}}\n{\\colortbl ;";
    for (std::uint32_t colour : table) AppendColourEntry(buf, colour);
    buf += "}\n\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs18";

    bool ok = true;
    char cf[24];
    for (int line = 0; line < lines; ++line) {
        content.LineRuns(line, runs);
        if (line > 0) buf += "\\par\n";
        if (runs.empty()) {
            std::snprintf(cf, sizeof cf, "\\cf%d ", indexOf(content.EmptyLineColour(line)));
            buf += cf;
        }
        for (const TextRun& run : runs) {
            std::snprintf(cf, sizeof cf, "\\cf%d ", indexOf(run.colour));
            buf += cf;
            if (run.isText)
                AppendText(buf, run.text);
            else
                AppendBytes(buf, run.bytes);
        }
        if (buf.size() >= kFlushSize) ok = Flush(out, buf) && ok;
    }
    buf += "\\par\n}\n";
    ok = Flush(out, buf) && ok;
    return ok;
}

}  // namespace chatscope
