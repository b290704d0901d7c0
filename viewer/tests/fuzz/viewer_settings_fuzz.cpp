// The viewer settings file: a load takes the first eight bytes at most and
// keeps the others as they were; a save writes exactly the eight bytes, which
// load back as they were.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "chatscope/viewer_settings.h"
#include "fuzz_files.h"

using namespace chatscope;
using fuzzfiles::Fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzfiles::Here() / "chatscope.cnf";
    fuzzfiles::Write(path, file);

    ViewerSettings settings;
    settings.bytes.fill(0xA5);  // what a short file must leave alone
    if (!LoadViewerSettings(path, settings)) Fail("load of a regular file");
    for (std::size_t i = 0; i < settings.bytes.size(); ++i) {
        const std::uint8_t expected = i < size ? data[i] : 0xA5;
        if (settings.bytes[i] != expected) Fail("loaded byte");
    }
    if (settings.BackgroundHtmlColour() !=
        (std::uint32_t(settings.red()) << 16 | std::uint32_t(settings.green()) << 8 | settings.blue()))
        Fail("html colour");

    if (!SaveViewerSettings(path, settings)) Fail("save");
    if (fuzzfiles::Read(path) != std::string_view(reinterpret_cast<const char*>(settings.bytes.data()), 8))
        Fail("saved bytes");
    ViewerSettings again;
    if (!LoadViewerSettings(path, again) || again.bytes != settings.bytes) Fail("round trip");
    return 0;
}
