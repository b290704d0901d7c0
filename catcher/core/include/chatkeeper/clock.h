// Local clock and the rotation interval.
#pragma once

#include <cstdint>

#include "chatkeeper/file_name_template.h"

namespace chatkeeper {

// One reading of the local wall clock.
struct LocalDateTime {
    DateTimeFields fields;
    // The same wall-clock time as milliseconds since 1970-01-01 00:00:00.000
    // local time (no time-zone conversion): the value that is compared.
    std::int64_t msSinceLocalEpoch = 0;
};

// Builds a LocalDateTime whose msSinceLocalEpoch follows from the fields.
LocalDateTime MakeLocalDateTime(const DateTimeFields& fields);

// Milliseconds since the local epoch for the given wall-clock fields.
std::int64_t LocalMilliseconds(const DateTimeFields& fields);

// Duration of hours, minutes and seconds (the stored rotation interval).
struct RotationInterval {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;

    std::int64_t Milliseconds() const {
        return ((static_cast<std::int64_t>(hours) * 60 + minutes) * 60 + seconds) * 1000;
    }
    friend bool operator==(const RotationInterval&, const RotationInterval&) = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

// The local date and time (by the process's time zone) of a point in time given
// as seconds and nanoseconds since the epoch; a leap second reads as second 59.
LocalDateTime LocalDateTimeAt(std::int64_t seconds, long nanoseconds);

// The process's local clock (clock_gettime + LocalDateTimeAt).
class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
};

}  // namespace chatkeeper
