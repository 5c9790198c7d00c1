// Simulated JTAG devices for the virtual cable (VirtualCable.h).
//
// CVirtualTapDevice is an IEEE 1149.1 TAP controller with its instruction register, the BYPASS
// register and a shift stage for the selected data register. The cable calls Rise() on every rising
// TCK edge (TMS and TDI are sampled, Capture and Shift act, the state advances) and Fall() on every
// falling edge (Update acts, TDO changes). No edge allocates: the shift stages are sized once.
//
// CVirtualForeignDevice is a device of another maker of which only the IR length is known: every
// instruction selects BYPASS; one with an IDCODE answers it after Test-Logic-Reset.
//
// CVirtualZelDevice is a Zel device of one family with the instruction set its register programs
// use. Every data register has a shift buffer (what Capture-DR loads and Update-DR writes); E2
// registers also have a latch and the E2 cells. The instructions act when the TAP enters
// Run-Test/Idle with the instruction in force:
//   read     buffer := E2 cells (all ones on a secured device)
//   latch    latch := buffer
//   E2 operations (erase, program, calibrate, secure) are self-timed: they complete only when the
//            TAP stays in Run-Test/Idle for kE2OperationMicroseconds; leaving earlier aborts them.
//            Erase clears the cells to 0 (an erase of the main configuration also clears the
//            security flag); program sets the cells whose source bit is 1 (cells = cells OR source),
//            so a program without an erase before it leaves old ones in place.
// Instructions marked manufacturer-only are decoded only after the manufacturer-mode instruction
// has passed Run-Test/Idle, until the next Test-Logic-Reset; ZelC's high-voltage instructions only
// while its TGATE input is high (the cable has no such supply; tests set it with SetHighVoltage).
// Undecoded instructions select BYPASS. Test-Logic-Reset selects IDCODE.
// Security: ZelC is secured by its Secure Device instruction at once; ZelA, ZelB, ZelD and ZelE by
// the security fuse bit of their main register (USR bit 104, USR bit 17, USRA bit 92), which takes
// effect at the next power-up (also when a state file is loaded). Erasing the main register clears
// both.
//
// The instruction tables (opcode, register, action) of each family are in VirtualJtagDevice.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceKind.h"
#include "jtag/JtagBits.h"
#include "jtag/TapState.h"

namespace kalidor {

class CJtagClock;

// How long a self-timed E2 operation needs in Run-Test/Idle: the 80 ms the programs wait.
inline constexpr std::int64_t kE2OperationMicroseconds = 80000;

class CVirtualTapDevice {
public:
    CVirtualTapDevice(int irLength, int maxDrLength);
    virtual ~CVirtualTapDevice() = default;
    CVirtualTapDevice(const CVirtualTapDevice&) = delete;
    CVirtualTapDevice& operator=(const CVirtualTapDevice&) = delete;

    // Rising TCK edge with the given TMS and TDI levels.
    void Rise(int tms, int tdi);
    // Falling TCK edge.
    void Fall();
    // Level the device drives on TDO (1 outside the shift states: the line is pulled up).
    int Tdo() const { return m_tdo; }

    int State() const { return m_state; }
    int IrLength() const { return m_irLength; }
    // The instruction in force (the low 32 bits of the instruction register).
    std::uint32_t Instruction() const { return m_instruction; }
    // Power-on: Test-Logic-Reset, as after five TMS 1 clocks.
    void PowerOnReset();

    // The device type name, or "Foreign(8)" for a foreign device with an 8-bit instruction register.
    virtual std::string TypeName() const = 0;
    // The IDCODE the device answers with, 0 for a device without one.
    virtual std::uint32_t Idcode() const { return 0; }

protected:
    // The hooks a device implements. CaptureDr must load the data shift stage with LoadDr* .
    virtual void CaptureDr() = 0;
    virtual void UpdateDr() {}
    virtual void UpdateIr() {}
    virtual void EnterIdle() {}
    virtual void IdleClock() {}
    virtual void LeaveIdle() {}
    virtual void EnterReset() = 0;
    // Power has come (back): after the reset, before the first clock.
    virtual void OnPowerUp() {}

    // Loads the data shift stage with `length` bits (1..maxDrLength) from `bits` (one byte per
    // bit, bit 0 first; nullptr loads zeros).
    void LoadDr(const unsigned char* bits, int length);
    void LoadDrValue(std::uint32_t value, int length);
    // Bit i of the shifted data register (0..DrLength()-1).
    int DrBit(int i) const;
    int DrLength() const { return m_drLength; }
    // Copies the shifted data register (DrLength() bits) into `out`.
    void CopyDr(unsigned char* out) const;
    void SetInstruction(std::uint32_t value) { m_instruction = value; }
    // Capture-IR pattern: 01 in the two lowest bits.
    void CaptureIr();

private:
    int m_state = TAP_RESET;
    int m_tdo = 1;
    int m_irLength;
    std::uint32_t m_instruction = 0;
    std::vector<unsigned char> m_ir;   // instruction shift stage (ring)
    int m_irPos = 0;
    std::vector<unsigned char> m_dr;   // data shift stage (ring), capacity maxDrLength
    int m_drLength = 1;
    int m_drPos = 0;
};

class CVirtualForeignDevice : public CVirtualTapDevice {
public:
    // `idcode` 0: a device without an IDCODE register.
    explicit CVirtualForeignDevice(int irLength, std::uint32_t idcode = 0);
    std::string TypeName() const override;
    std::uint32_t Idcode() const override { return m_idcode; }

protected:
    // Test-Logic-Reset selects the IDCODE register when there is one; every instruction shifted
    // in selects BYPASS.
    void CaptureDr() override;
    void UpdateIr() override { m_idcodeSelected = false; }
    void EnterReset() override;

private:
    std::uint32_t m_idcode;
    bool m_idcodeSelected = false;
};

// Shown when a virtual device cannot write its state file: %s the device type, %s the reason.
inline constexpr const char* kMsgVirtualStateNotKept =
    "The virtual %s could not keep its cells in its state file (%s).\n"
    "It keeps its previous contents.";

class CVirtualZelDevice : public CVirtualTapDevice {
public:
    // `clock` (not owned) times the E2 operations.
    CVirtualZelDevice(DeviceKind kind, CJtagClock& clock);
    ~CVirtualZelDevice() override;

    // nullptr for a name other than a device type name.
    static std::unique_ptr<CVirtualZelDevice> Create(std::string_view typeName, CJtagClock& clock);

    std::string TypeName() const override;
    std::uint32_t Idcode() const override;
    DeviceKind Kind() const { return m_kind; }

    // --- inspection and set-up (tests, the cable's fault injection) ---
    // Register names: ZelA "USR", "MAN", "CAL"; ZelB "USR", "DAC", "MAN", "CAL"; ZelC "CFG",
    // "UES", "MAN", "CAL"; ZelD/ZelE "USRA", "USRB", "MAN", "CAL". The E2 cells (false for a name
    // without cells); the shift buffer (every register).
    bool GetE2(std::string_view reg, CJtagBits& out);
    bool SetE2(std::string_view reg, const CJtagBits& bits);
    bool GetBuffer(std::string_view reg, CJtagBits& out) const;
    bool IsSecured() const { return m_secured; }
    // `keep`: the state file keeps it (a fault injected for one run passes false).
    void SetSecured(bool on, bool keep = true);
    void SetHighVoltage(bool on) { m_highVoltage = on; }
    bool ManufacturerMode() const { return m_manMode; }
    // Completed and aborted self-timed operations; the name of the last completed one.
    int CompletedOperations() const { return m_completed; }
    int AbortedOperations() const { return m_aborted; }
    const std::string& LastCompletedOperation() const { return m_lastCompleted; }
    // Finishes an operation whose time has passed while the TAP still sits in Run-Test/Idle.
    void Settle();

    // The state file keeps the E2 cells, the calibration register and the security flag. A missing
    // file starts the device erased. A file that cannot be used (a folder, unreadable, larger than
    // 64 KB, damaged, or of another device type) leaves the device erased and returns false with
    // the reason in StateProblem(): it is never taken silently for an erased device.
    bool AttachStateFile(const std::string& path);
    const std::string& StateFile() const { return m_stateFile; }
    bool SaveState() const;
    // Reads a state file's text into the device (nothing changes when it is not whole).
    bool ReadStateText(const std::string& text);
    // Why the state file could not be read or written last ("" when it could). An E2 operation
    // whose result cannot be written is undone, so the device holds what its file holds.
    const std::string& StateProblem() const { return m_stateProblem; }

    struct Register;
    struct Instr;

protected:
    void CaptureDr() override;
    void UpdateDr() override;
    void UpdateIr() override;
    void EnterIdle() override;
    void IdleClock() override;
    void LeaveIdle() override;
    void EnterReset() override;
    // The security fuse of ZelA, ZelB, ZelD and ZelE is a cell of the main configuration register;
    // once programmed it secures the device from the next power-up on.
    void OnPowerUp() override;

private:
    const Instr* Decode(std::uint32_t op) const;
    int FindRegister(std::string_view name) const;
    void Complete(const Instr& in);
    bool CheckPending();
    void ReportStateProblem() const;

    DeviceKind m_kind;
    CJtagClock& m_clock;
    std::vector<Register> m_regs;
    const Instr* m_instrTable = nullptr;
    int m_instrCount = 0;
    const Instr* m_current = nullptr;   // decoded instruction in force (nullptr: BYPASS)
    const Instr* m_pending = nullptr;   // self-timed operation running
    std::int64_t m_pendingSince = 0;
    bool m_secured = false;
    bool m_securedForRun = false;  // secured by an injected fault, not kept in the state file
    bool m_manMode = false;
    bool m_highVoltage = false;
    int m_completed = 0;
    int m_aborted = 0;
    std::string m_lastCompleted;
    std::string m_stateFile;
    mutable std::string m_stateProblem;
};

}  // namespace kalidor
