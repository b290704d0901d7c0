#include "settings_conversion.h"

#include "catcher_text.h"
#include "sjis/shift_jis.h"

namespace chatkeeper::app {

namespace {

// The field's text in the file-name encoding: the exact text kept behind the
// Shift-JIS text while that Shift-JIS text is still the one written with it
// (a writer that knows nothing of the exact text may have changed the field),
// else the Shift-JIS text.
std::string ReadField(const SettingsRecord& record, TextField field) {
    const std::string shiftJis = record.Text(field);
    if (const std::optional<std::string> exact = record.ExactText(field)) {
        if (shiftJis.empty() || sjis::Encode(FromFileName(*exact)) == shiftJis) return *exact;
    }
    return ToFileName(sjis::Decode(shiftJis));
}

// A text that Shift-JIS holds exactly is stored as Shift-JIS alone, byte for
// byte as always; any other also exactly, behind its nearest Shift-JIS form.
void WriteField(SettingsRecord& record, TextField field, const std::string& fileName) {
    const QString text = FromFileName(fileName);
    const std::optional<std::string> shiftJis = sjis::EncodeExact(text);
    if (shiftJis && sjis::Decode(*shiftJis) == text && ToFileName(text) == fileName) {
        record.SetText(field, *shiftJis);
        return;
    }
    record.SetTextWithExact(field, sjis::Encode(text), fileName);
}

}  // namespace

CatcherSettings SettingsFromRecord(const SettingsRecord& record) {
    CatcherSettings settings;
    settings.gameLogFolder = ReadField(record, TextField::GameLogFolder);
    settings.archiveFolder = ReadField(record, TextField::ArchiveFolder);
    settings.fileNameTemplate = ReadField(record, TextField::FileNameTemplate);
    settings.mode = record.Mode();
    settings.sizeLimitKb = record.SizeLimitKb();
    settings.rotationTime = record.Interval();
    return settings;
}

void StoreSettingsInRecord(const CatcherSettings& settings, SettingsRecord& record) {
    WriteField(record, TextField::GameLogFolder, settings.gameLogFolder);
    WriteField(record, TextField::ArchiveFolder, settings.archiveFolder);
    WriteField(record, TextField::FileNameTemplate, settings.fileNameTemplate);
    record.SetMode(settings.mode);
    record.SetSizeLimitKb(settings.sizeLimitKb);
    record.SetInterval(settings.rotationTime);
}

}  // namespace chatkeeper::app
