#include "chatscope/viewer_settings.h"

#include <cstdio>

#include "atomic_file.h"
#include "chatscope/regular_file.h"

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
    const std::string target = detail::ReplacementTarget(path);
    if (IsSpecialFile(target)) return false;  // a device or FIFO is never replaced
    detail::TempFile temp;
    if (!temp.CreateUnique(target)) return false;
    if (std::fwrite(settings.bytes.data(), 1, settings.bytes.size(), temp.file()) != settings.bytes.size())
        return false;  // the temporary file goes with `temp`
    return temp.Commit(target);
}

}  // namespace chatscope
