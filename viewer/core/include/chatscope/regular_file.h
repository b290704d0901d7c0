// Opening the files the viewer reads (logs, settings, filter lists), which
// must be regular files: a FIFO, a device, a socket or a folder is refused at
// once instead of blocking the viewer or feeding it endless bytes.
#pragma once

#include <cstdio>
#include <string>

namespace chatscope {

enum class FileState {
    Opened,
    CannotOpen,       // missing or unreadable; errno tells why
    NotARegularFile,  // exists, but is a FIFO, device, socket or folder
};

// The outcome of loading a settings or filter file; true when it was read.
struct LoadResult {
    FileState state = FileState::CannotOpen;
    explicit operator bool() const { return state == FileState::Opened; }
};

// Opens `path` (following symbolic links) for reading in binary mode when it
// is a regular file. Never waits for a FIFO's writer or a device. Null, with
// `state` saying why, otherwise.
std::FILE* OpenRegularFile(const std::string& path, FileState* state = nullptr);

// True when `path` names something (following symbolic links) that is not a regular file.
bool IsSpecialFile(const std::string& path);

}  // namespace chatscope
