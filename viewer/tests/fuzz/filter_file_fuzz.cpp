// The filter file: the entries loaded are those the scanner of the C library
// finds by "%d,%d,%512s" in the trimmed lines of up to 510 bytes (a name
// without the control bytes that end it); saving
// them with random ticks and loading again gives the same entries with those
// ticks, and a second save with the same ticks changes no byte.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "chatscope/filter_file.h"
#include "fuzz_files.h"

using namespace chatscope;
using fuzzfiles::Fail;

namespace {

std::vector<UserFilterEntry> ReferenceEntries(std::string_view file) {
    std::vector<UserFilterEntry> out;
    while (!file.empty()) {
        const std::size_t lf = file.find('\n');
        std::string_view line = file.substr(0, lf);
        file.remove_prefix(lf == std::string_view::npos ? file.size() : lf + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.size() > 510) continue;
        while (!line.empty() && static_cast<unsigned char>(line.front()) <= 0x20) line.remove_prefix(1);
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) line.remove_suffix(1);
        const std::string trimmed(line);  // to the scanner, a C string: it ends at the first NUL
        long long ticked = 0, code = 0;
        char name[513];
        if (std::sscanf(trimmed.c_str(), "%lld,%lld,%512s", &ticked, &code, name) != 3) continue;
        if (ticked < INT_MIN || ticked > INT_MAX || code < INT_MIN || code > INT_MAX) continue;
        // A control byte that ends the name would be trimmed off the line written back.
        std::string n(name);
        while (!n.empty() && static_cast<unsigned char>(n.back()) <= 0x20) n.pop_back();
        if (n.empty()) continue;
        out.push_back({n, static_cast<std::int32_t>(code), ticked != 0});
    }
    return out;
}

bool Same(const UserList& list, const std::vector<UserFilterEntry>& entries) {
    if (list.size() != entries.size()) return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (list[i].name != entries[i].name || list[i].typeCode != entries[i].typeCode ||
            list[i].ticked != entries[i].ticked)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::uint32_t ticks = data[0] | data[1] << 8;  // seeds the ticks of the save
    const std::string_view file(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string path = fuzzfiles::Here() / "chatscope.flt";
    fuzzfiles::Write(path, file);

    UserList first;
    if (!LoadUserFilters(path, first)) Fail("load of a regular file");
    std::vector<UserFilterEntry> expected = ReferenceEntries(file);
    if (!Same(first, expected)) Fail("entries loaded");

    for (std::size_t i = 0; i < expected.size(); ++i) {
        ticks = ticks * 1103515245u + 12345u;
        expected[i].ticked = (ticks >> 16) & 1;
        first.SetTicked(i, expected[i].ticked);
    }
    if (!SaveUserFilters(path, first)) Fail("save");
    const std::string saved = fuzzfiles::Read(path);
    UserList second;
    if (!LoadUserFilters(path, second) || !Same(second, expected)) Fail("entries after the round trip");
    if (!SaveUserFilters(path, second) || fuzzfiles::Read(path) != saved) Fail("second save changed the file");
    if (fuzzfiles::Exists(fuzzfiles::Here() / "chatscope.tmp")) Fail("temporary file left");
    return 0;
}
