// Date-times as the program counts them: local wall-clock time in days since
// 30 December 1899, the time of day as the fraction. Intervals are absolute
// differences truncated to whole units.
#pragma once

#include <cmath>
#include <cstdint>

namespace maskaddr {

using TDateTime = double;

constexpr double kSecondsPerDay = 86400.0;
// Days from 1 January 1601 (the file-time epoch) to 30 December 1899.
constexpr double kFileTimeEpochOffsetDays = 109205.0;

// A file time (100-nanosecond ticks since 1601-01-01) as a date-time, without any
// time-zone conversion.
inline TDateTime FileTimeToDateTime(int64_t ticks) {
    return static_cast<double>(ticks) / (kSecondsPerDay * 1e7) - kFileTimeEpochOffsetDays;
}

inline int32_t WholeDaysBetween(TDateTime a, TDateTime b) {
    return static_cast<int32_t>(std::trunc(std::fabs(a - b)));
}
inline int64_t WholeSecondsBetween(TDateTime a, TDateTime b) {
    // Rounded to the millisecond first so that 1.0 s stored as 0.99999999 s still counts as 1.
    double ms = std::round(std::fabs(a - b) * kSecondsPerDay * 1000.0);
    return static_cast<int64_t>(ms / 1000.0);
}
inline int64_t WholeMinutesBetween(TDateTime a, TDateTime b) {
    return WholeSecondsBetween(a, b) / 60;
}

} // namespace maskaddr
