#include "shown_lines_writer.h"

#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

constexpr std::string_view kIndent = "\x81\x40\x81\x40";
constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

}  // namespace

void ShownLinesWriter::Put(std::uint8_t, std::uint32_t, std::string_view text, bool indent) {
    if (form_ == Form::PlainTextSave) {
        if (!first_) buffer_ += "\r\n";
        if (indent) buffer_ += kIndent;
        buffer_ += text;
    } else {
        line_.clear();
        if (indent) line_ += kIndent;
        line_ += text;
        sjis::AppendUtf8(line_, buffer_);
        buffer_ += '\n';
    }
    first_ = false;
    if (buffer_.size() >= kFlushBytes) Flush();
}

void ShownLinesWriter::Flush() {
    if (!failed_ && !buffer_.empty()) failed_ = std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size();
    buffer_.clear();
}

bool ShownLinesWriter::Finish() {
    Flush();
    return std::fflush(out_) == 0 && !failed_;
}

}  // namespace chatscope
