// Which chat log files the LOG arguments of the viewer stand for: a file names
// itself; a folder stands for the chat log files directly in it, in byte-wise
// order of their names. Several archives read one after another are one chat
// log, so the list is read as one.
#pragma once

#include <string>
#include <vector>

namespace chatscope {

// True when `path` (following symbolic links) is a regular file whose first
// 100 bytes read as 50 words, word 0 being 0. Anything else is never opened
// for long: a FIFO or device is refused without waiting on it.
bool HasChatLogHeader(const std::string& path);

struct LogFileList {
    std::vector<std::string> files;     // in reading order, as they are to be named
    std::vector<std::string> warnings;  // entries of a folder left out whose name ends in ".log"
    std::string error;                  // set: the arguments are refused; names the path
    explicit operator bool() const { return error.empty(); }
};

// Expands LOG arguments in their order. A file must be a chat log file; a
// folder must hold at least one. A file of folder DIR is named "DIR/NAME", DIR
// as given and one slash between. Entries of a folder that are not regular
// files (after following a link), cannot be read or fail the header check are
// skipped; those whose name ends in ".log" are named in `warnings`.
LogFileList ExpandLogArguments(const std::vector<std::string>& args);

// The chat log files directly in `folder` by that rule, names only (bytes as
// stored), in byte-wise order; `skipped` gets the entries left out whose name
// ends in ".log" with the reason. False, with errno set, when the folder
// cannot be read.
struct SkippedEntry {
    std::string name;
    std::string reason;
};
bool ListChatLogFolder(const std::string& folder, std::vector<std::string>& names,
                       std::vector<SkippedEntry>* skipped = nullptr);

}  // namespace chatscope
