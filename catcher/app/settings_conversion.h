// Between the settings file's record (Shift-JIS texts) and the catcher's
// settings value (file-name encoding).
#pragma once

#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/settings_record.h"

namespace chatkeeper::app {

// The settings a loaded record holds.
CatcherSettings SettingsFromRecord(const SettingsRecord& record);

// Writes every field of settings into record; the reserved bytes stay as
// they are. A text that Shift-JIS cannot hold exactly is kept exactly as well
// (see kExactTextMarker), so that it survives the next start.
void StoreSettingsInRecord(const CatcherSettings& settings, SettingsRecord& record);

}  // namespace chatkeeper::app
