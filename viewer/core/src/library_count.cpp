#include "chatscope/library_count.h"

#include <sys/stat.h>

#include "chatscope/log_reader.h"
#include "chatscope/record_sink.h"

namespace chatscope {

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<FileCount> CountLogFile(const std::string& path) {
    if (!CheckLogHeader(path)) return std::nullopt;
    const UserList noUsers;
    DiscardSink sink;
    const PassResult pass = ReadLog(path, &sink, PassFilter{0, noUsers});
    if (!pass.opened) return std::nullopt;
    return FileCount{pass.allLines, pass.stats[ExpPoints]};
}

}  // namespace chatscope
