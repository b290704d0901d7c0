#include "chatkeeper/clock.h"

#include <chrono>
#include <ctime>

namespace chatkeeper {

std::int64_t LocalMilliseconds(const DateTimeFields& f) {
    // Days from 1970-01-01 to the date (proleptic Gregorian).
    const std::chrono::year_month_day date{std::chrono::year{f.year},
                                           std::chrono::month{static_cast<unsigned>(f.month)},
                                           std::chrono::day{static_cast<unsigned>(f.day)}};
    const std::int64_t days = std::chrono::sys_days{date}.time_since_epoch().count();
    const std::int64_t seconds = days * 86400 + static_cast<std::int64_t>(f.hour) * 3600 + f.minute * 60 + f.second;
    return seconds * 1000 + f.millisecond;
}

LocalDateTime MakeLocalDateTime(const DateTimeFields& fields) {
    return LocalDateTime{fields, LocalMilliseconds(fields)};
}

LocalDateTime SystemClock::Now() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return LocalDateTimeAt(ts.tv_sec, ts.tv_nsec);
}

LocalDateTime LocalDateTimeAt(std::int64_t seconds, long nanoseconds) {
    std::tm tm{};
    const time_t whole = static_cast<time_t>(seconds);
    localtime_r(&whole, &tm);
    DateTimeFields f;
    f.year = tm.tm_year + 1900;
    f.month = tm.tm_mon + 1;
    f.day = tm.tm_mday;
    f.hour = tm.tm_hour;
    f.minute = tm.tm_min;
    f.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // leap second
    f.millisecond = static_cast<int>(nanoseconds / 1000000);
    return MakeLocalDateTime(f);
}

}  // namespace chatkeeper
