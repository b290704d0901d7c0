// The status panels' texts.
#include "status_texts.h"

#include <cinttypes>
#include <cstdio>

namespace chatscope {

std::string FormatCountsText(const LogStatistics& s, std::int64_t allLines) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "Say:%" PRId64 ", Tell:%" PRId64 ", Party:%" PRId64 ", LinkShell:%" PRId64 ", Shout:%" PRId64
                  ", Emote:%" PRId64 ", Drop:%" PRId64 ", Exp:%" PRId64 ", Skill:%" PRId64 ", All:%" PRId64,
                  s[SayLines], s[TellLines], s[PartyLines], s[LinkShellLines], s[ShoutLines], s[EmoteLines],
                  s[DropLines], s[ExpLines], s[SkillLines], allLines);
    return buf;
}

std::string FormatExpText(const LogStatistics& s) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C:%" PRId64, s[ExpPoints]);
    return buf;
}

}  // namespace chatscope
