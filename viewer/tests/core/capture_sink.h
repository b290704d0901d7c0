// A record sink for tests that keeps every record it is handed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chatscope/record_sink.h"

namespace logtest {

struct Shown {
    std::uint8_t type;
    std::uint32_t colour;
    std::string text;
    bool indent;
    bool operator==(const Shown&) const = default;
};

struct CaptureSink : chatscope::RetractableSink {
    std::vector<Shown> shown;
    int retractions = 0;
    void Put(std::uint8_t t, std::uint32_t c, std::string_view text, bool indent) override {
        shown.push_back({t, c, std::string(text), indent});
    }
    void RetractLast() override {
        shown.pop_back();
        ++retractions;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> v;
        for (const auto& s : shown) v.push_back(s.text);
        return v;
    }
};

}  // namespace logtest
