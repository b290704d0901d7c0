// The lines a loading pass puts on the display, written to a stream as the
// "--text" mode prints them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "chatscope/record_sink.h"

namespace chatscope {

// Each shown record becomes the display line it makes: the indent prefix (two
// ideographic spaces) when the record is indented, then its text.
class ShownLinesWriter final : public RecordSink {
public:
    enum class Form {
        Utf8,          // UTF-8, every line ended by LF
        PlainTextSave  // Windows-31J bytes with CR LF between lines, as the ".txt" save writes them
    };

    ShownLinesWriter(Form form, std::FILE* out) : form_(form), out_(out) {}

    void Put(std::uint8_t typeCode, std::uint32_t colourWord, std::string_view text, bool indent) override;
    // Writes what is still buffered; false when any write failed.
    bool Finish();

private:
    void Flush();

    Form form_;
    std::FILE* out_;
    std::string buffer_;
    std::string line_;
    bool first_ = true;
    bool failed_ = false;
};

}  // namespace chatscope
