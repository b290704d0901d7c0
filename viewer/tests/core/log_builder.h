// Builds chat log bytes in memory for tests: record lines, blocks, archives,
// and a per-test temporary folder to write them into.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

// A folder of its own under the system temp folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("chatscope-test-" + std::to_string(rd()) + std::to_string(rd()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` to a file `name` in the folder and gives its path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path p = path_ / name;
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace logtest
