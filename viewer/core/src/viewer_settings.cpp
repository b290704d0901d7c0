#include "chatscope/viewer_settings.h"

#include <cstdio>

#include "chatscope/regular_file.h"
#include "fileio/atomic_replace.h"

namespace chatscope {

LoadResult LoadViewerSettings(const std::string& path, ViewerSettings& settings) {
    LoadResult result;
    std::FILE* f = OpenRegularFile(path, &result.state);
    if (!f) return result;
    // A short file sets only the bytes it has; the others keep their values.
    std::uint8_t buffer[8];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
    for (std::size_t i = 0; i < got; ++i) settings.bytes[i] = buffer[i];
    std::fclose(f);
    return result;
}

bool SaveViewerSettings(const std::string& path, const ViewerSettings& settings) {
    const std::string target = chatlog::fileio::ReplacementTarget(path);
    if (IsSpecialFile(target)) return false;  // a device or FIFO is never replaced
    const std::string_view bytes(reinterpret_cast<const char*>(settings.bytes.data()), settings.bytes.size());
    return chatlog::fileio::ReplaceFile(target, bytes);
}

}  // namespace chatscope
