#include "document/text_writer.h"

#include <QIODevice>

#include <string>

#include "sjis/shift_jis.h"

namespace chatscope {

bool WritePlainText(const DisplayContent& content, QIODevice& out) {
    constexpr std::size_t kFlushSize = 1 << 20;
    std::string buf;
    buf.reserve(kFlushSize + 4096);
    std::vector<TextRun> runs;
    bool ok = true;
    auto flush = [&] {
        if (buf.empty()) return;
        ok = out.write(buf.data(), static_cast<qint64>(buf.size())) == static_cast<qint64>(buf.size()) && ok;
        buf.clear();
    };
    const int lines = content.LineCount();
    for (int line = 0; line < lines; ++line) {
        if (line > 0) buf += "\r\n";
        content.LineRuns(line, runs);
        for (const TextRun& run : runs) {
            if (!run.isText) {
                buf.append(run.bytes);
                continue;
            }
            sjis::EncodeEach(run.text, buf, [](char32_t cp, std::string& o) {
                if (cp == QChar::LineSeparator)
                    o += "\r\n";
                else
                    o.push_back('?');
            });
        }
        if (buf.size() >= kFlushSize) flush();
    }
    flush();
    return ok;
}

}  // namespace chatscope
