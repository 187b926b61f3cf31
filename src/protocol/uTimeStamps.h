#pragma once
// Differences of the platform's 64-bit millisecond stamps. Stamps come from the network
// unchecked: a difference that does not fit 64 bits saturates instead of overflowing, which keeps
// comparisons with small thresholds mathematically right.

#include <cstdint>
#include <limits>

inline std::int64_t StampDiff(std::int64_t a, std::int64_t b) {
  std::int64_t diff = 0;
  if (__builtin_sub_overflow(a, b, &diff))
    return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
  return diff;
}
