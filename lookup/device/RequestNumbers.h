#pragma once

#include <cstdint>

namespace lookup {

// The warranty-check form carries a number beside the serial number, as the
// service's own page sends one. Ours come from one generator per process that
// starts from the same seed in every run and is never reseeded, so a run's
// requests can be told apart and replayed. Each number is the whole part of
// 1000000 times the generator's next draw taken as a fraction of 2^32: 0 to
// 999999. Safe to call from any thread.
int NextRequestNumber();

// The seed of that generator, a std::mt19937.
constexpr std::uint32_t RequestNumberSeed = 20150610;

} // namespace lookup
