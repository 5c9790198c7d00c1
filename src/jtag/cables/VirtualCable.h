// The virtual cable: a parallel port simulated at the register level with a chain of simulated
// devices (VirtualJtagDevice.h) on its TAP lines. It stands in for the download cable wherever no
// hardware is at hand, and is always named as virtual.
//
// The data byte written drives TDI (bit 0), TCK (bit 1), TMS (bit 2) and the cable-detect line
// (bit 6); the status byte read carries TDO (bit 6), the cable-detect loop-back (bit 4) and the
// target power sense (bit 3). A rising TCK edge clocks every device with TMS and with TDI from the
// cable (first device) or from the TDO of the device before it; a falling edge lets every device
// change its TDO. Devices are listed from TDI to TDO.
//
// Faults that can be injected: cable detached (no clocks reach the chain; every status line reads
// 1, so the detect loop-back fails and TDO reads all ones), no target power (power sense 0, TDO 0,
// the chain ignores clocks and starts from Test-Logic-Reset when power returns), TDO stuck at 0 or
// 1, a flipped TDO bit in the next data scan, and per device a secured device (SetSecured) or a
// device of another type (ReplaceDevice, or simply a chain description naming it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/JTAGTapPort.h"
#include "jtag/JtagClock.h"
#include "jtag/VirtualJtagDevice.h"

namespace kalidor {

// Chain descriptions: "virtual:" followed by comma-separated devices from TDI to TDO, each a
// device type name (letter case ignored) or "foreign:N" for a foreign device with an N-bit
// instruction register, e.g. "virtual:ZelA" or "virtual:ZelA,foreign:8,ZelC". Faults to inject
// may follow after '?', separated by '&' (kVirtualFaultHelp):
//   tdo=0, tdo=1     TDO stuck at that level
//   detached         the cable is not plugged in
//   nopower          the target has no power
//   flip=S, flip=S:B TDO bit B (0 when not given) of the S-th data scan since the cable was
//                    opened (1 = the first) reads inverted
//   secured          every Zel device reads as secured for this run; secured=N only the device at
//                    position N (0 = the first from TDI)
// e.g. "virtual:ZelA?tdo=1" or "virtual:ZelD?flip=9:3&secured=0".
inline constexpr const char* kVirtualPrefix = "virtual:";
inline constexpr int kMaxVirtualDevices = 32;
inline constexpr int kMaxForeignIrLength = 64;

inline constexpr const char* kVirtualFaultHelp =
    "Faults may follow after '?', joined by '&': tdo=0 or tdo=1 (TDO stuck), detached, nopower, "
    "flip=S or flip=S:B (bit B of data scan S reads inverted), secured or secured=N.";

struct VirtualChainItem {
    std::string type;  // the device type name, or "foreign"
    int irLength = 0;
    std::uint32_t idcode = 0;  // a foreign device's IDCODE ("foreign:8:0x0BA00477"), 0 for none
};

struct VirtualCableFaults {
    bool detached = false;
    bool noPower = false;
    int tdoStuck = -1;  // -1: TDO works
    int flipScan = 0;   // 0: none
    int flipBit = 0;
    bool securedAll = false;
    std::vector<int> securedAt;  // device positions
};

// True when `text` starts with "virtual:" (letter case ignored).
bool IsVirtualChainDescription(std::string_view text);
// Parses a description (the faults after '?' are checked too); on failure returns false with a
// message for the user in `error`.
bool ParseVirtualChain(std::string_view text, std::vector<VirtualChainItem>& items, std::string& error);
// The faults of a description (none when it has no '?').
bool ParseVirtualCableFaults(std::string_view text, VirtualCableFaults& faults, std::string& error);

class CVirtualCable {
public:
    // Virtual time: the cable owns a virtual clock that moves only when somebody waits on it.
    CVirtualCable();
    CVirtualCable(const CVirtualCable&) = delete;
    CVirtualCable& operator=(const CVirtualCable&) = delete;

    // Builds the chain of a description and injects its faults; devices of the system's own types
    // keep their E2 cells in "<stateDir>/virtual-<position>-<type>.state" when stateDir is not
    // empty. A state file that cannot be used fails the build with the reason in `error`.
    bool BuildChain(std::string_view description, const std::string& stateDir, std::string& error);
    // Why a device could not keep its cells in its state file during the run ("" when all could).
    std::string StateProblem() const;

    void AddDevice(std::unique_ptr<CVirtualTapDevice> device);
    // Replaces the device at `index` (a device of another type, a fault); false for a bad index.
    bool ReplaceDevice(std::size_t index, std::unique_ptr<CVirtualTapDevice> device);
    std::size_t DeviceCount() const { return m_devices.size(); }
    CVirtualTapDevice* Device(std::size_t index);
    const CVirtualTapDevice* Device(std::size_t index) const;
    // The device at `index` when it is one of the system's own, else nullptr.
    CVirtualZelDevice* ZelDevice(std::size_t index);

    // --- the port registers ---
    void WriteData(int value);
    int ReadStatus() const;
    int DataByte() const { return m_data; }
    // `count` clocks as a port writes them with TCK low before each (TMS and TDI set, TDO read,
    // TCK high, TCK low), without the register round trips: the TDO level read before clock i goes
    // to tdo[i] (when given), and the data register ends as `data` with the last clock's TMS and
    // TDI. Returns the TDO level read before the last clock. The data register's TCK line must be low.
    int ShiftClocks(int data, const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count,
                     std::uint8_t* tdo);

    // --- time ---
    // The cable's time base: the devices' E2 timing and (through the port) the interpreter's waits.
    // Devices added by hand should be given this clock.
    CJtagClock& Clock() { return m_clock; }
    CVirtualJtagClock& VirtualClock() { return m_virtualClock; }
    // Real time for the waits and the E2 timing instead of virtual time.
    void UseRealTime(bool on) { m_clock.target = on ? &SteadyJtagClock() : static_cast<CJtagClock*>(&m_virtualClock); }

    // --- faults ---
    void SetAttached(bool on) { m_attached = on; }
    bool Attached() const { return m_attached; }
    void SetPowered(bool on);
    bool Powered() const { return m_powered; }
    // -1: TDO works; 0 or 1: TDO reads that level.
    void SetTdoStuck(int level) { m_tdoStuck = (level == 0 || level == 1) ? level : -1; }
    // Inverts TDO bit `bit` (counted from the first TDO bit of the scan) of the next data scan, or
    // of data scan number `scan` (the first scan since the cable was made is 1).
    // The scan under way when it has not yet reached `bit`, else the next one.
    void FlipBitInNextScan(int bit = 0)
    {
        FlipBitInScan(m_inScan && m_scanBit < bit ? m_scanCount : m_scanCount + 1, bit);
    }
    void FlipBitInScan(std::uint64_t scan, int bit = 0);
    bool FlipPending() const { return m_flipScan != 0; }
    std::uint64_t DataScans() const { return m_scanCount; }

    // Number of rising TCK edges that reached the chain.
    std::uint64_t TckCycles() const { return m_cycles; }

private:
    void Rise(int tms, int tdi);
    void Fall();
    // The TDO line as the status register shows it.
    int TdoLevel() const;

    // Forwards to the virtual or the real clock, so that a switch reaches every device.
    struct ForwardingClock : CJtagClock {
        CJtagClock* target = nullptr;
        std::int64_t NowMicroseconds() const override { return target->NowMicroseconds(); }
        void WaitMilliseconds(int ms) override { target->WaitMilliseconds(ms); }
        void WaitMicroseconds(std::int64_t us) override { target->WaitMicroseconds(us); }
        bool IsReal() const override { return target->IsReal(); }
    };

    std::vector<std::unique_ptr<CVirtualTapDevice>> m_devices;
    CVirtualJtagClock m_virtualClock;
    ForwardingClock m_clock;
    int m_data = 0;
    int m_tdo = 1;
    bool m_attached = true;
    bool m_powered = true;
    int m_tdoStuck = -1;
    std::uint64_t m_flipScan = 0;  // 0: no flip armed
    std::uint64_t m_scanCount = 0;
    int m_flipBit = 0;
    bool m_flipNow = false;
    bool m_inScan = false;
    int m_scanBit = 0;
    std::uint64_t m_cycles = 0;
};

inline constexpr const char* kVirtualPortNamePrefix = "Virtual cable (simulated devices: ";

// The port back end on a virtual cable. It may also time RUNTEST itself (off by default), as a
// driver-timed port does: from PAUSE_IR through Update-IR into Run-Test/Idle, the wait, then into
// Test-Logic-Reset.
//
// Batched shifts go straight to the simulated chain instead of through the data register three
// writes per clock; the devices see the same edges and the TDO levels are the same. With the
// batched path switched off the port shifts one clock at a time, as a plain parallel port does.
class CVirtualTapPort : public CJTAGTapPort {
public:
    CVirtualTapPort();
    std::string GetName() const override;
    int SupportsRUNTEST(int kind) const override { return (m_portTimedRuntest && kind == 1) ? 1 : 0; }
    void ExecuteRUNTEST(int ms) override;
    CJtagClock* GetClock() override { return &m_cable.Clock(); }
    void Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo) override;

    CVirtualCable& Cable() { return m_cable; }
    const CVirtualCable& Cable() const { return m_cable; }
    void SetPortTimedRuntest(bool on) { m_portTimedRuntest = on; }
    void SetBatchedShift(bool on) { m_batched = on; }
    bool BatchedShift() const { return m_batched; }

protected:
    void OutputData(int port, int value) override;
    int InputStatus(int port) override;

private:
    CVirtualCable m_cable;
    bool m_portTimedRuntest = false;
    bool m_batched = true;
};

// A virtual port with the chain of `description`; nullptr (and a message in `error`) for a bad
// description.
std::unique_ptr<CVirtualTapPort> CreateVirtualTapPort(std::string_view description, const std::string& stateDir,
                                                      std::string* error = nullptr);

}  // namespace kalidor
