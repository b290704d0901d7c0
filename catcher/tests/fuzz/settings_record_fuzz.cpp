// The catcher settings file: a load takes the first 3088 bytes (the rest zero)
// and clamps the interval; load, save, load gives the same record. The texts
// of a field, the exact one behind ESC "%G" too, come from that field alone,
// and writing a text with its exact form reads back as written.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "../../../viewer/tests/fuzz/fuzz_files.h"
#include "chatkeeper/settings_record.h"

using namespace chatkeeper;
using fuzzfiles::Fail;

namespace {

constexpr TextField kFields[] = {TextField::GameLogFolder, TextField::ArchiveFolder, TextField::FileNameTemplate};

// The texts of one field read from its 1024 bytes alone.
std::pair<std::string, std::optional<std::string>> FieldTexts(const std::uint8_t* field) {
    const std::string_view f(reinterpret_cast<const char*>(field), kSettingsTextFieldSize);
    const std::size_t nul = f.find('\0');
    std::string text(f.substr(0, std::min<std::size_t>(nul, kSettingsTextFieldSize - 1)));
    if (nul == f.npos || f.substr(nul + 1, 3) != "\x1B%G") return {text, std::nullopt};
    const std::string_view rest = f.substr(nul + 4);
    const std::size_t end = rest.find('\0');
    if (end == rest.npos) return {text, std::nullopt};
    return {text, std::string(rest.substr(0, end))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzfiles::Here() / "chatkeeper.cnf";
    fuzzfiles::Write(path, std::string_view(reinterpret_cast<const char*>(data), size));

    SettingsRecord record;
    if (!LoadSettings(path, record)) Fail("load of a regular file");
    SettingsRecord expected;
    std::memcpy(expected.bytes.data(), data, std::min(size, kSettingsRecordSize));
    expected.SetHours(std::min<std::uint16_t>(expected.Hours(), 23));
    expected.SetMinutes(std::min<std::uint16_t>(expected.Minutes(), 59));
    expected.SetSeconds(std::min<std::uint16_t>(expected.Seconds(), 59));
    if (record.bytes != expected.bytes) Fail("record loaded");

    if (!SaveSettings(path, record)) Fail("save");
    SettingsRecord again;
    if (!LoadSettings(path, again) || again.bytes != record.bytes) Fail("load, save, load");

    for (TextField f : kFields) {
        const std::size_t at = static_cast<std::size_t>(f);
        // Every byte outside the field changed: the texts must not move.
        SettingsRecord other = record;
        for (std::size_t i = 0; i < kSettingsRecordSize; ++i)
            if (i < at || i >= at + kSettingsTextFieldSize) other.bytes[i] = record.bytes[i] ? 0 : 'A';
        const auto [text, exact] = FieldTexts(record.bytes.data() + at);
        if (record.Text(f) != text || other.Text(f) != text) Fail("text of a field");
        if (record.ExactText(f) != exact || other.ExactText(f) != exact) Fail("exact text of a field");
    }

    // A Shift-JIS text and an exact text cut from the input, written to one field.
    const TextField f = kFields[size % 3];
    const std::size_t at = static_cast<std::size_t>(f);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view shiftJis = input.substr(0, size / 3), exact = input.substr(size / 3);
    SettingsRecord written = record;
    const bool kept = written.SetTextWithExact(f, shiftJis, exact);
    if (kept != (exact.find('\0') == exact.npos && exact.size() + 5 <= kSettingsTextFieldSize)) Fail("exact kept");
    const auto [text, readExact] = FieldTexts(written.bytes.data() + at);
    if (kept) {
        const bool both = shiftJis.find('\0') == shiftJis.npos && shiftJis.size() + exact.size() + 5 <= 1024;
        if (readExact != exact || text != (both ? shiftJis : std::string_view())) Fail("texts written");
    } else if (readExact ||
               text != shiftJis.substr(0, std::min({shiftJis.find('\0'), shiftJis.size(), std::size_t{1023}}))) {
        Fail("text written without its exact form");
    }
    for (std::size_t i = 0; i < kSettingsRecordSize; ++i)
        if ((i < at || i >= at + kSettingsTextFieldSize) && written.bytes[i] != record.bytes[i]) Fail("other bytes");
    return 0;
}
