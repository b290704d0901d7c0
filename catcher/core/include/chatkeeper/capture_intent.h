// The intent record of one capture: what an append is about to do, so that an
// append cut short by a kill or a power cut can be undone at the next start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chatkeeper/file_stamp.h"

namespace chatkeeper {

struct CaptureIntent {
    std::string archivePath;
    // Length of the archive before the append; -1 when the append creates it.
    std::int64_t archiveLength = -1;
    int gameLogIndex = 0;
    std::string gameLogPath;
    FileStamp stamp;  // the stamp of the game log file being copied

    friend bool operator==(const CaptureIntent&, const CaptureIntent&) = default;
};

// A short text that holds any path bytes (lengths are given before the paths)
// and ends in "end\n", so that a record cut short is recognised as such.
std::string EncodeCaptureIntent(const CaptureIntent& intent);

// The record, or nothing for anything that is not one whole record.
std::optional<CaptureIntent> DecodeCaptureIntent(std::string_view text);

}  // namespace chatkeeper
