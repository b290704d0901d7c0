#include "chatscope/viewer_settings.h"

#include <cstdio>

#include "atomic_file.h"

namespace chatscope {

bool LoadViewerSettings(const std::string& path, ViewerSettings& settings) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    // A short file sets only the bytes it has; the others keep their values.
    std::uint8_t buffer[8];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, f);
    for (std::size_t i = 0; i < got; ++i) settings.bytes[i] = buffer[i];
    std::fclose(f);
    return true;
}

bool SaveViewerSettings(const std::string& path, const ViewerSettings& settings) {
    const std::string target = detail::ReplacementTarget(path);
    detail::TempFile temp;
    if (!temp.CreateUnique(target)) return false;
    if (std::fwrite(settings.bytes.data(), 1, settings.bytes.size(), temp.file()) != settings.bytes.size())
        return false;  // the temporary file goes with `temp`
    return temp.Commit(target);
}

}  // namespace chatscope
