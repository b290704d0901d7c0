// The settings the capture engine reads from the catcher window.
#pragma once

#include <string>

namespace chatkeeper {

enum class RotationMode { RotateByTime = 1, RotateBySize = 2, RotateNever = 3 };

// Implemented by the window (or the headless runner). The engine calls these
// at the moments it needs them: GameLogFolder every tick, Mode and
// SizeLimitText at each capture, ArchiveFolder and FileNameTemplate only when
// a new archive is started.
class CaptureSettingsSource {
public:
    virtual ~CaptureSettingsSource() = default;
    virtual std::string GameLogFolder() const = 0;
    virtual std::string ArchiveFolder() const = 0;
    virtual std::string FileNameTemplate() const = 0;
    virtual RotationMode Mode() const = 0;
    // Raw text of the size box; converted with ParseSizeText.
    virtual std::string SizeLimitText() const = 0;
};

}  // namespace chatkeeper
