// The output of a reading pass: every record that passes the filters.
#pragma once

#include <cstdint>
#include <string_view>

namespace chatscope {

class RecordSink {
public:
    virtual ~RecordSink() = default;
    // Called once per shown record, in file order. `text` is valid only during the call.
    virtual void Put(std::uint8_t typeCode, std::uint32_t colourWord, std::string_view text, bool indent) = 0;
};

// A sink that shows nothing: a pass with it only counts.
class DiscardSink final : public RecordSink {
public:
    void Put(std::uint8_t, std::uint32_t, std::string_view, bool) override {}
};

}  // namespace chatscope
