#pragma once

#include <cstdint>

// What the help viewer reads of a compiled help file, and how long its probe may take.
namespace ChmLimits {
inline constexpr std::int64_t maxObjectBytes = 64 * 1024 * 1024;
inline constexpr int probeSeconds = 5;
} // namespace ChmLimits
