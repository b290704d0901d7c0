// Recognising a log record in a kept line.
#include "chatscope/log_format.h"

#include "record_prefix.h"

namespace chatscope {

std::optional<LogRecord> RecogniseRecord(std::string_view line) { return detail::ParseRecordPrefix(line); }

}  // namespace chatscope
