// HTML export of the current log with the present filters.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chatscope/record_sink.h"
#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"

namespace chatscope {

// Writes each record as one line "<FONT color="#RRGGBB">text</FONT><BR>\r\n".
// Buffers its output and writes it a full buffer at a time. Flush() before
// closing the file; Failed() is up to date after Flush().
class HtmlSink : public RecordSink {
public:
    explicit HtmlSink(std::FILE* out);
    ~HtmlSink() override;  // writes nothing more: unflushed output is dropped
    HtmlSink(const HtmlSink&) = delete;
    HtmlSink& operator=(const HtmlSink&) = delete;

    void Put(std::uint8_t typeCode, std::uint32_t colourWord, std::string_view text, bool indent) override;
    void Write(std::string_view bytes);
    bool Flush();  // false when a write failed
    bool Failed() const { return failed_; }

private:
    char* Reserve(std::size_t bytes);       // room for `bytes` more at the end of the buffer
    void HandOff(std::size_t minimumNext);  // writes the pending bytes; room for minimumNext after
    std::FILE* out_;
    std::string buffer_;  // fixed-size storage; bytes [0, used_) are pending
    std::size_t used_ = 0;
    bool failed_ = false;
};

enum class ExportResult {
    Written,
    NoLogLoaded,    // empty log path
    NotALogFile,    // the log fails the header check
    SameFileAsLog,  // the output names the loaded log: nothing written
    CannotWrite,    // the output cannot be created or a write failed: no output left
};

// Chooses the records of an export by the line the display shows for each: the
// indent prefix (two ideographic spaces) when the record is indented, then its
// text, as Shift-JIS bytes.
using RecordLineFilter = std::function<bool(std::string_view displayLine)>;

// Writes the export to a temporary file beside `outPath` and renames it into
// place. When `outPath` names an existing file that is not a regular file (a
// device, a FIFO, a link to one), the export is written straight into it and
// it is never replaced. Runs a pass of its own with the filters of `settings`
// and `users`; its statistics are nobody's. With `keep`, only the records it
// keeps are written.
ExportResult ExportHtml(const std::string& outPath, const std::string& logPath, const ViewerSettings& settings,
                        const UserList& users, const RecordLineFilter& keep = {});
// The same export of several logs read one after another as one (ReadLogs);
// every log must pass the header check, and the output must be none of them.
ExportResult ExportHtml(const std::string& outPath, const std::vector<std::string>& logPaths,
                        const ViewerSettings& settings, const UserList& users, const RecordLineFilter& keep = {});
ExportResult ExportHtmlToStream(std::FILE* out, const std::vector<std::string>& logPaths,
                                const ViewerSettings& settings, const UserList& users);
// The same export written to an open stream (standard output), which stays open.
ExportResult ExportHtmlToStream(std::FILE* out, const std::string& logPath, const ViewerSettings& settings,
                                const UserList& users);

}  // namespace chatscope
