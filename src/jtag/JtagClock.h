// The time base of JTAG waits. RUNTEST waits and the self-timed E2 operations of the simulated
// devices read the time through this interface, so that tests and the virtual cable can run in
// virtual time (a wait advances the clock at once) while a real cable waits on the steady clock.
#pragma once

#include <cstdint>

namespace kalidor {

class CJtagClock {
public:
    virtual ~CJtagClock() = default;
    // Microseconds since an arbitrary origin; never decreases.
    virtual std::int64_t NowMicroseconds() const = 0;
    // Returns after `ms` milliseconds have passed on this clock (at once for ms <= 0).
    virtual void WaitMilliseconds(int ms) = 0;
    // Returns after `us` microseconds; a clock without a finer wait rounds up to milliseconds.
    virtual void WaitMicroseconds(std::int64_t us);
    // True for a clock that follows real time.
    virtual bool IsReal() const = 0;
};

// Real time: std::chrono::steady_clock. A wait sleeps for most of the time and spins for the last
// millisecond, so a wait is never shorter than asked and rarely more than a millisecond longer.
class CSteadyJtagClock : public CJtagClock {
public:
    std::int64_t NowMicroseconds() const override;
    void WaitMilliseconds(int ms) override;
    void WaitMicroseconds(std::int64_t us) override;
    bool IsReal() const override { return true; }
};

// Virtual time: starts at 0 and moves only when somebody waits or calls Advance.
class CVirtualJtagClock : public CJtagClock {
public:
    std::int64_t NowMicroseconds() const override { return m_now; }
    void WaitMilliseconds(int ms) override
    {
        if (ms > 0) m_now += static_cast<std::int64_t>(ms) * 1000;
    }
    void WaitMicroseconds(std::int64_t us) override { AdvanceMicroseconds(us); }
    bool IsReal() const override { return false; }
    void AdvanceMicroseconds(std::int64_t us)
    {
        if (us > 0) m_now += us;
    }

private:
    std::int64_t m_now = 0;
};

// The process-wide real clock.
CJtagClock& SteadyJtagClock();

}  // namespace kalidor
