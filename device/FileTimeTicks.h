#pragma once

#include <cstdint>

// FILETIME ticks: 100 ns since 1601-01-01 UTC, the unit of every time in the
// device store and on the platform.
constexpr int64_t kTicksPerMillisecond = 10000LL;
constexpr int64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;
// The ticks of the Unix epoch, 1970-01-01 UTC.
constexpr int64_t kUnixEpochTicks = 116444736000000000LL;
