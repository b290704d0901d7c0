// The catcher's settings as one value: what the window edits, the settings
// file keeps and the capture engine reads.
#pragma once

#include <cstdint>
#include <string>

#include "chatkeeper/clock.h"
#include "chatkeeper/file_name_template.h"

namespace chatkeeper {

enum class RotationMode { RotateByTime = 1, RotateBySize = 2, RotateNever = 3 };

// Texts are in the local file-name encoding, as the file system takes them.
// The engine reads the fields at the moments it needs them: gameLogFolder at
// every tick, mode and sizeLimitKb at each capture, archiveFolder and
// fileNameTemplate only when a new archive is started. rotationTime is what
// the window shows and the settings file keeps; the engine takes its rotation
// interval from the loaded settings once, at start-up (SetRotationInterval).
struct CatcherSettings {
    std::string gameLogFolder;
    std::string archiveFolder;
    std::string fileNameTemplate{kDefaultFileNameTemplate};
    RotationMode mode = RotationMode::RotateNever;
    std::int32_t sizeLimitKb = 100;
    RotationInterval rotationTime{2, 0, 0};

    friend bool operator==(const CatcherSettings&, const CatcherSettings&) = default;
};

}  // namespace chatkeeper
