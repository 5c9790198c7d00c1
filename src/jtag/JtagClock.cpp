#include "jtag/JtagClock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kalidor {

std::int64_t CSteadyJtagClock::NowMicroseconds() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void CJtagClock::WaitMicroseconds(std::int64_t us)
{
    while (us > 0) {
        const std::int64_t ms = std::min<std::int64_t>((us + 999) / 1000, 1 << 30);
        WaitMilliseconds(static_cast<int>(ms));
        us -= ms * 1000;
    }
}

void CSteadyJtagClock::WaitMilliseconds(int ms)
{
    if (ms > 0) WaitMicroseconds(static_cast<std::int64_t>(ms) * 1000);
}

void CSteadyJtagClock::WaitMicroseconds(std::int64_t us)
{
    using namespace std::chrono;
    if (us <= 0) return;
    const auto end = steady_clock::now() + microseconds(us);
    if (us > 1000) std::this_thread::sleep_until(end - milliseconds(1));
    while (steady_clock::now() < end) {
        // spin for the last millisecond
    }
}

CJtagClock& SteadyJtagClock()
{
    static CSteadyJtagClock clock;
    return clock;
}

}  // namespace kalidor
