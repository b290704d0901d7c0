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

// A sink that can also take back the record it was handed last. Following a file
// that grows needs it: a pass that ends inside a line the file has not finished
// hands that line on as it stands (as any pass does), and the next pass over the
// appended bytes first takes it back and then reads the whole line again.
class RetractableSink : public RecordSink {
public:
    // Removes the record of the last Put.
    virtual void RetractLast() = 0;
};

// A sink that shows nothing: a pass with it only counts.
class DiscardSink final : public RecordSink {
public:
    void Put(std::uint8_t, std::uint32_t, std::string_view, bool) override {}
};

}  // namespace chatscope
