// DisplaySink: the record sink of a loading pass. Each record becomes one line
// of the display in its brightened colour, behind the indent prefix when the
// record is indented.
#pragma once

#include <string>

#include "chatscope/record_sink.h"

namespace chatscope {

class LogDisplay;

// Two ideographic spaces (U+3000 U+3000) in Shift-JIS.
inline constexpr char kIndentPrefix[] = "\x81\x40\x81\x40";

class DisplaySink : public RetractableSink {
public:
    explicit DisplaySink(LogDisplay& display) : display_(display) {}

    void Put(std::uint8_t typeCode, std::uint32_t colourWord, std::string_view text, bool indent) override;
    void RetractLast() override;

private:
    LogDisplay& display_;
    std::string line_;  // reused buffer for indented lines
};

}  // namespace chatscope
