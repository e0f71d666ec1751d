#pragma once

#include <chrono>
#include <vector>

// The benchmarks' clock and the figures they print of its readings.
namespace BenchClock
{

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start);
// The reading below which a share `p` of them lie (0.5 the median, 1.0 the worst).
double percentile(std::vector<double> values, double p);

} // namespace BenchClock
