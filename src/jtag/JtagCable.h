// The download cable as the programming code sees it: three output lines (TCK, TMS, TDI), one
// input line (TDO), a check that the cable is plugged in and the target has power, and a batched
// shift of many clocks with their TDO levels captured.
//
// A cable back end implements SetPins and ReadTDO and may stop there: every clock and every
// batched shift then falls back to moving the pins one TCK edge at a time. A cable that moves bits
// in blocks (a USB adapter with a command buffer) overrides Shift to queue the clocks and Flush to
// send them and collect the TDO levels, so that a scan of thousands of bits costs one round trip
// instead of thousands.
//
// The parallel port (CJTAGTapPort, JTAGTapPort.h) is one implementation; its byte image, port
// addresses and debug lines stay on that class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace kalidor {

class CJTAGTapPort;
class CJtagClock;

// What CheckCable found. The numbers are those the JTAG debug dialogs and older callers know.
enum class CableStatus : int {
    Ready = 100,
    NotAttached = 101,  // the cable-present test failed (or the cable stopped answering)
    NoPower = 102,      // the cable is there but the target has no power
};

inline constexpr CableStatus kCableReady = CableStatus::Ready;
inline constexpr CableStatus kCableNotAttached = CableStatus::NotAttached;
inline constexpr CableStatus kCableNoPower = CableStatus::NoPower;

// The number, for test diagnostics and logs.
std::ostream& operator<<(std::ostream& out, CableStatus status);

inline constexpr const char* kMsgPortRuntestNotSupported =
    "Internal Software Error: Attempt to execute CJTAGTapPort::ExecuteRUNTEST...Programming failed!";

class CJtagCable {
public:
    CJtagCable() = default;
    CJtagCable(const CJtagCable&) = delete;
    CJtagCable& operator=(const CJtagCable&) = delete;
    virtual ~CJtagCable() = default;

    // Prepares the cable for use; false (after a message to the user) when it cannot be used.
    virtual bool Open() { return true; }
    virtual void Close() {}
    virtual std::string GetName() const = 0;

    // --- pins ---
    // Drives TCK, TMS and TDI (each 0 or 1) together.
    virtual void SetPins(int tck, int tms, int tdi) = 0;
    // The level on TDO now.
    virtual int ReadTDO() = 0;

    // --- checks ---
    // kCableReady, kCableNotAttached or kCableNoPower. The cable-present and the power test can be
    // switched off (the JTAG options); a cable without such sense lines is always ready.
    virtual CableStatus CheckCable() { return kCableReady; }
    void SetCableCheck(int on) { m_cableCheck = on ? 1 : 0; }
    int GetCableCheck() const { return m_cableCheck; }
    void SetPowerCheck(int on) { m_powerCheck = on ? 1 : 0; }
    int GetPowerCheck() const { return m_powerCheck; }

    // --- clocks ---
    // One TCK cycle: TMS and TDI are set with TCK low, TDO is sampled before the rising edge, then
    // TCK rises and falls. Returns the TDO level.
    virtual int Clock(int tms, int tdi);
    // Queues `count` clocks: clock i drives TMS tms[i] and TDI tdi[i] (each 0 or 1). When `tdo` is
    // given, the TDO level of clock i (sampled before its rising edge) is in tdo[i] once Flush()
    // has returned; the three arrays must stay valid until then. The clocks run in order after
    // any queued before. The fallback runs each clock at once.
    virtual void Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo);
    // Runs every queued clock and delivers the TDO levels asked for.
    virtual void Flush() {}
    // True once the cable has lost its device during a run (a USB cable unplugged): the TDO
    // levels delivered since are not the device's, and the run must stop.
    virtual bool Failed() const { return false; }

    // The TDI level a path step is clocked with (the interpreter sets it before each bit).
    void SetTDIValue(int level) { m_tdiLevel = level ? 1 : 0; }
    int GetTDIValue() const { return m_tdiLevel; }

    // --- timing ---
    // A cable that times RUNTEST waits itself returns 1 for kind 1 and performs them in
    // ExecuteRUNTEST; the others are never asked to (and say so when they are).
    virtual int SupportsRUNTEST(int kind) const;
    virtual void ExecuteRUNTEST(int ms);
    // A cable that can time a wait itself, clocking TCK with TMS and TDI held so that the TAP stays
    // where it is, sends the clocks of `microseconds` (after everything queued) and returns true;
    // the others return false and the caller waits.
    virtual bool TimedWait(std::uint64_t microseconds)
    {
        (void)microseconds;
        return false;
    }
    // The time base a cable brings along (the virtual cable's clock); nullptr: real time.
    virtual CJtagClock* GetClock() { return nullptr; }

    // The parallel port behind this cable (its addresses and debug lines), or nullptr.
    virtual CJTAGTapPort* ParallelPort() { return nullptr; }

protected:
    int m_tdiLevel = 0;
    int m_cableCheck = 1;
    int m_powerCheck = 1;
};

}  // namespace kalidor
