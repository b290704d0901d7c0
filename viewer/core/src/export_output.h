// Where an export is written. A regular file (or a new name) is replaced
// whole through a temporary file beside it; anything else that exists under
// the name (a terminal, /dev/null, a FIFO, a pipe given as /dev/stdout, or a
// link to one of these) is written to straight away as a stream and never
// replaced.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "fileio/atomic_replace.h"

namespace chatscope::detail {

class ExportOutput {
public:
    ExportOutput() = default;
    ExportOutput(const ExportOutput&) = delete;
    ExportOutput& operator=(const ExportOutput&) = delete;
    ~ExportOutput();

    // Opens the output named `outPath`. False (errno set) when it cannot be
    // created or opened. Opening a FIFO waits for its reader.
    bool Open(const std::string& outPath);
    // Writes to an open stream it does not own (standard output).
    void Borrow(std::FILE* stream);

    std::FILE* file() const { return stream_ ? stream_ : tempStream_; }
    // True when `st` describes the very file this output writes to.
    bool Is(const struct stat& st) const;
    // Finishes the output: renames the temporary file into place, or flushes
    // (and closes) the stream. False on any error; a temporary file is removed.
    bool Commit();

private:
    chatlog::fileio::Replacement temp_;
    std::FILE* tempStream_ = nullptr;  // owned by temp_
    std::FILE* stream_ = nullptr;
    bool ownsStream_ = false;
};

}  // namespace chatscope::detail
