#include "SampleSites.h"

#include <mutex>
#include <optional>

namespace samples {

namespace {

// The sites answer on the server's connection threads while a test pins.
std::mutex pinnedMutex;
std::optional<std::tm> pinnedDay;

} // namespace

void pinToday(int year, int month, int day)
{
    std::tm pinned {};
    pinned.tm_year = year - 1900;
    pinned.tm_mon = month - 1;
    pinned.tm_mday = day;
    const std::lock_guard lock(pinnedMutex);
    pinnedDay = pinned;
}

void unpinToday()
{
    const std::lock_guard lock(pinnedMutex);
    pinnedDay.reset();
}

std::tm dayFromToday(int days)
{
    std::tm day {};
    {
        const std::lock_guard lock(pinnedMutex);
        if (pinnedDay) {
            day = *pinnedDay;
        } else {
            const std::time_t now = std::time(nullptr);
            localtime_r(&now, &day);
        }
    }
    day.tm_mday += days;
    day.tm_hour = 12; // away from midnight, so a change of daylight saving cannot move the day
    day.tm_min = day.tm_sec = 0;
    day.tm_isdst = -1;
    std::mktime(&day);
    return day;
}

} // namespace samples
