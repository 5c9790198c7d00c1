#include "jtag/JtagClock.h"

#include <chrono>
#include <thread>

namespace kalidor {

std::int64_t CSteadyJtagClock::NowMicroseconds() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void CSteadyJtagClock::WaitMilliseconds(int ms)
{
    using namespace std::chrono;
    if (ms <= 0) return;
    const auto end = steady_clock::now() + milliseconds(ms);
    if (ms > 1) std::this_thread::sleep_until(end - milliseconds(1));
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
