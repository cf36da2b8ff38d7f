// Date-times as the program counts them: local wall-clock time in days since
// 30 December 1899, the time of day as the fraction. Intervals are absolute
// differences truncated to whole units.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

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

// A non-negative count truncated to a whole number, saturating: dates read from files or
// replies may be anything, and a huge or undefined distance counts as the longest one.
template <typename T> T WholeCount(double value) {
    constexpr double kMax = static_cast<double>(std::numeric_limits<T>::max());
    if (!(value < kMax)) return std::numeric_limits<T>::max(); // also NaN
    return static_cast<T>(std::trunc(value));
}

inline int32_t WholeDaysBetween(TDateTime a, TDateTime b) {
    return WholeCount<int32_t>(std::fabs(a - b));
}
inline int64_t WholeSecondsBetween(TDateTime a, TDateTime b) {
    // Rounded to the millisecond first so that 1.0 s stored as 0.99999999 s still counts as 1.
    double ms = std::round(std::fabs(a - b) * kSecondsPerDay * 1000.0);
    return WholeCount<int64_t>(ms / 1000.0);
}
inline int64_t WholeMinutesBetween(TDateTime a, TDateTime b) {
    return WholeSecondsBetween(a, b) / 60;
}

} // namespace maskaddr
