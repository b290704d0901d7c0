// NumberedLineSink: the record sink of a search pass over one file. It numbers
// the shown lines from 1 and hands each on as the display shows it (behind the
// indent prefix when the record is indented), with its colour word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chatscope/record_sink.h"

namespace chatscope {

template <typename Visit> class NumberedLineSink final : public RecordSink {
public:
    explicit NumberedLineSink(Visit visit) : visit_(std::move(visit)) {}

    void Put(std::uint8_t, std::uint32_t colourWord, std::string_view text, bool indent) override {
        ++number_;
        if (!indent) return visit_(number_, text, colourWord);
        line_.assign("\x81\x40\x81\x40");  // two ideographic spaces
        line_.append(text);
        visit_(number_, std::string_view(line_), colourWord);
    }

private:
    Visit visit_;
    std::int64_t number_ = 0;
    std::string line_;
};

}  // namespace chatscope
