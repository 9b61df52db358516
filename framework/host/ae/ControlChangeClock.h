#pragma once
// The process-wide time of the last control change the user made. Layer controls do not
// trust the host's answer for a short while after a change (see xLayer::isConnected).
// (No <chrono> here: the adaptor's texts are compiled as GBK.)

#include <cstdint>

namespace quorvane {

// Milliseconds of a monotonic process clock.
using MillisecondClock = std::int64_t (*)();

std::int64_t steadyClockMilliseconds();
// Replaces the clock (null restores the steady clock); lets tests step time.
void setControlChangeClock(MillisecondClock clock);

void recordControlChange();
// True when a change was recorded and no more than `milliseconds` have passed since.
bool controlChangedWithin(std::int64_t milliseconds);

} // namespace quorvane
