#include "host/ae/ControlChangeClock.h"

#include <atomic>
#include <chrono>

namespace quorvane {

namespace {

std::atomic<MillisecondClock> clockFunction{nullptr};
std::atomic<bool> changeRecorded{false};
std::atomic<std::int64_t> lastChange{0};

std::int64_t now()
{
    const MillisecondClock clock = clockFunction.load();
    return clock ? clock() : steadyClockMilliseconds();
}

} // namespace

std::int64_t steadyClockMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void setControlChangeClock(MillisecondClock clock) { clockFunction.store(clock); }

void recordControlChange()
{
    lastChange.store(now());
    changeRecorded.store(true);
}

bool controlChangedWithin(std::int64_t milliseconds)
{
    return changeRecorded.load() && now() - lastChange.load() <= milliseconds;
}

} // namespace quorvane
