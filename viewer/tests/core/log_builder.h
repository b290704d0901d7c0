// Builds chat log bytes in memory for tests: record lines, blocks, archives;
// and the shared temporary folder to write them into.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "test_support/temp_dir.h"

namespace logtest {

// A record line without its NUL: the 53-byte prefix as the game writes it, then `text`.
inline std::string Record(std::uint8_t typeCode, std::string_view text, std::uint32_t colourWord = 0x00FFFFFF,
                          bool indent = false) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%02x,%02x,%02x,%08x,%08x,%08x,%04x,%02x,%02x,%02x,%02x,", unsigned(typeCode),
                  0u, 0u, unsigned(colourWord), 0u, 0u, 0u, 0u, 0u, 0u, indent ? 1u : 0u);
    return std::string(prefix) + std::string(text);
}

// A 100-byte block header: word 0 as given, the other words zero.
inline std::string Header(std::uint16_t word0 = 0) {
    std::string h(100, '\0');
    h[0] = static_cast<char>(word0 & 0xFF);
    h[1] = static_cast<char>(word0 >> 8);
    return h;
}

// A whole block: header and exactly 50 NUL-terminated lines; lines not given are empty.
inline std::string Block(const std::vector<std::string>& lines, std::uint16_t word0 = 0) {
    std::string b = Header(word0);
    for (std::size_t i = 0; i < 50; ++i) {
        if (i < lines.size()) b += lines[i];
        b.push_back('\0');
    }
    return b;
}

// A block of 50 copies of one line.
inline std::string UniformBlock(const std::string& line) { return Block(std::vector<std::string>(50, line)); }

using testsupport::ReadAll;
using testsupport::TempDir;

}  // namespace logtest
