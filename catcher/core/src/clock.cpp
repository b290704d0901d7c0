#include "chatkeeper/clock.h"

#include <ctime>

namespace chatkeeper {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::int64_t LocalMilliseconds(const DateTimeFields& f) {
    const std::int64_t days = DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
    const std::int64_t seconds = days * 86400 + static_cast<std::int64_t>(f.hour) * 3600 + f.minute * 60 + f.second;
    return seconds * 1000 + f.millisecond;
}

LocalDateTime MakeLocalDateTime(const DateTimeFields& fields) {
    return LocalDateTime{fields, LocalMilliseconds(fields)};
}

LocalDateTime SystemClock::Now() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &tm);
    DateTimeFields f;
    f.year = tm.tm_year + 1900;
    f.month = tm.tm_mon + 1;
    f.day = tm.tm_mday;
    f.hour = tm.tm_hour;
    f.minute = tm.tm_min;
    f.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // leap second
    f.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return MakeLocalDateTime(f);
}

}  // namespace chatkeeper
