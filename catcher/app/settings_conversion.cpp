#include "settings_conversion.h"

#include "catcher_text.h"
#include "sjis/shift_jis.h"

namespace chatkeeper::app {

namespace {

std::string FileNameFromShiftJis(const std::string& bytes) { return ToFileName(sjis::Decode(bytes)); }

std::string ShiftJisFromFileName(const std::string& bytes) { return sjis::Encode(FromFileName(bytes)); }

}  // namespace

CatcherSettings SettingsFromRecord(const SettingsRecord& record) {
    CatcherSettings settings;
    settings.gameLogFolder = FileNameFromShiftJis(record.GameLogFolder());
    settings.archiveFolder = FileNameFromShiftJis(record.ArchiveFolder());
    settings.fileNameTemplate = FileNameFromShiftJis(record.FileNameTemplate());
    settings.mode = record.Mode();
    settings.sizeLimitKb = record.SizeLimitKb();
    settings.rotationTime = record.Interval();
    return settings;
}

void StoreSettingsInRecord(const CatcherSettings& settings, SettingsRecord& record) {
    record.SetGameLogFolder(ShiftJisFromFileName(settings.gameLogFolder));
    record.SetArchiveFolder(ShiftJisFromFileName(settings.archiveFolder));
    record.SetFileNameTemplate(ShiftJisFromFileName(settings.fileNameTemplate));
    record.SetMode(settings.mode);
    record.SetSizeLimitKb(settings.sizeLimitKb);
    record.SetInterval(settings.rotationTime);
}

}  // namespace chatkeeper::app
