#include "RequestNumbers.h"

#include <mutex>
#include <random>

namespace lookup {

int NextRequestNumber()
{
    // std::mt19937's sequence is fixed by the C++ standard, so every compiler
    // and platform draws the same numbers from the same seed; integer
    // arithmetic keeps the scaling free of rounding.
    static std::mutex mutex;
    static std::mt19937 generator(RequestNumberSeed);
    const std::lock_guard lock(mutex);
    const std::uint64_t draw = generator();
    return int((draw * 1000000u) >> 32);
}

} // namespace lookup
