// The built-in SVF interpreter: keeps a model of the TAP controller state, moves the TAP between
// the stable states along a fixed table of TMS paths, shifts instruction and data registers bit by
// bit with header and trailer bits for the other devices of a chain, and compares the captured TDO
// bits of a data scan with the expected ones.
//
// The clocks of the statements of one command list (ExecuteLines) are collected and handed to the
// cable as one batched shift at the end of the list, before any RUNTEST wait and before a line
// that stops the run; a cable that moves bits in blocks (USB) sends them in one or a few
// transfers, any other clocks them one by one. The expected TDO of a data scan is kept with the
// scan's line and compared once its captured bits are back, so every line still gets its own
// result, reported in line order. Because the checks are compared before every wait, and the
// devices erase and program their cells only while the TAP waits in Run-Test/Idle, no wait starts
// while an earlier check of the list is still unknown. ExecuteLine runs one line the same way.
//
// The subset of SVF it executes (one statement per line, the semicolon optional, keywords in any
// letter case, "!" starts a comment):
//   SIR n TDI (hex)            instruction scan; the TDO is captured, never compared
//   SDR n TDI (hex) [TDO (hex)] [MASK (hex)]   data scan; TDO compared (under MASK when given)
//   STATE RESET|IDLE|DRPAUSE|IRPAUSE
//   ENDIR / ENDDR RESET|IDLE|DRPAUSE|IRPAUSE   end state of later scans (other words: IDLE)
//   RUNTEST count ...          a count above 100 is taken as clocks at 1 MHz (count/1000 ms),
//                              a count up to 100 as milliseconds
//   TRST anything              resets the TAP (eleven TMS 1 clocks) and moves to IDLE
//   HIR/HDR/TIR/TDR n          header and trailer bit counts of the chain
//   FREQUENCY f                stored only
// Everything else is accepted and ignored.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jtag/JtagClock.h"
#include "jtag/SvfInterpreter.h"
#include "jtag/TapState.h"

namespace kalidor {

inline constexpr const char* kBuiltInInterpreterName = "Uses PC Parallel Port (at port 3BC, 378, or 278)";
inline constexpr const char* kMsgBreakInStatePath =
    "Break in state path!\nm_currentState != CStateTransition.m_currentState!";
inline constexpr const char* kKeywordSetSuperVoltage = "NVD_ZELC_SetSuperVoltage;";
inline constexpr const char* kKeywordClearSuperVoltage = "NVD_ZELC_ClearSuperVoltage;";

// A RUNTEST wait longer than this is cut to it (with a beep).
inline constexpr int kMaxRuntestMilliseconds = 500;
// Longest scan the interpreter accepts; a longer one fails as an allocation would.
inline constexpr unsigned kMaxScanLength = 1u << 20;
// Largest header or trailer count.
inline constexpr unsigned kMaxChainBits = 1u << 16;

// A path of the path table: start and end state and at most 16 steps.
struct CStatePath {
    static constexpr int kMaxSteps = 16;
    int m_startState = TAP_ANY;
    int m_endState = TAP_ANY;
    int m_stepCount = 0;
    CStateTransition m_steps[kMaxSteps];
};

inline constexpr int kPathCount = 25;
// Path numbers of the scans and of the reset path.
inline constexpr int kPathPauseIrToShiftIr = 16;
inline constexpr int kPathShiftIr = 17;
inline constexpr int kPathShiftIrToExit1 = 18;
inline constexpr int kPathExit1IrToPause = 19;
inline constexpr int kPathPauseDrToShiftDr = 20;
inline constexpr int kPathShiftDr = 21;
inline constexpr int kPathShiftDrToExit1 = 22;
inline constexpr int kPathExit1DrToPause = 23;
inline constexpr int kPathAnyToReset = 24;

class CTapSvfInterpreter : public CSvfInterpreter {
public:
    CTapSvfInterpreter();

    void AttachPort(CJTAGTapPort* port, int id) override;
    // A parallel port is set to port 0 until the configuration applies its own.
    void AttachCable(CJtagCable* cable, int id) override;
    bool Connect() override { return true; }
    bool IsConnected() override { return true; }
    void Disconnect() override {}
    CableStatus CheckCable() override;
    SvfResult ExecuteLine(std::string_view text) override;
    void Delay(int ms) override;
    void PulseTCK() override;
    void ClockTDI(int level) override;

    // The time base of the waits: the port's own (a virtual cable's) when it has one, else real
    // time. SetClock overrides both (nullptr: back to that choice).
    void SetClock(CJtagClock* clock);
    CJtagClock& Clock() const { return *m_clock; }

    // Moves between the stable states along the path table: 0, or 4 (nothing done) when the
    // current or the target state is not one of RESET, IDLE, PAUSE_DR, PAUSE_IR.
    int MoveToState(int target);

    // The model.
    int CurrentState() const { return m_currentState; }
    int EndIRState() const { return m_endIrState; }
    int EndDRState() const { return m_endDrState; }
    unsigned HIR() const { return m_hir; }
    unsigned HDR() const { return m_hdr; }
    unsigned TIR() const { return m_tir; }
    unsigned TDR() const { return m_tdr; }
    unsigned SIRLength() const { return m_sirLength; }
    unsigned SDRLength() const { return m_sdrLength; }
    std::int64_t Frequency() const { return m_frequency; }
    CJtagCable* Port() const { return m_port; }

    // Path n of the table (0..24); an empty path for any other n.
    static const CStatePath& Path(int n);

    // Largest number of clocks collected before they go to the cable in the middle of a list, so
    // that a long program is sent in pieces of bounded size.
    static constexpr std::size_t kBatchClockLimit = std::size_t{1} << 18;

    void ExecuteLines(const std::vector<std::string>& lines,
                      const std::function<void(std::size_t, SvfResult)>& done) override;

private:
    // A data scan's expected TDO, compared when its captured bits are back.
    struct PendingCheck {
        std::size_t line;   // index of the line in the list under way
        std::size_t first;  // first clock of the scan's bits in the queue
        CJtagBits expected;
        CJtagBits mask;
        bool masked;        // false: every bit counts
    };

    SvfResult ExecuteStatement(std::string_view text);
    // Path steps are queued (the model follows at once) and go to the cable with FlushClocks.
    void RunPath(int n);
    void ClockStep(const CStateTransition& step, bool& reported);
    int QueueMoveToState(int target);
    // Moves to a stable state; a model that does not know the TAP state resets the TAP first.
    void GoTo(int target);
    void ResetTap();
    SvfResult Scan(bool instruction, std::string_view rest);
    // Queues the scan; returns where its bits start in the queue.
    std::size_t ShiftBits(bool instruction, const CJtagBits& tdi);
    SvfResult Runtest(std::string_view rest);
    // Hands the clocks queued since the last flush to the cable, waits for their TDO levels, fills
    // the captured bits of the last SIR and SDR queued and compares the pending checks (the lines
    // of those that differ go to m_mismatchLines). The queue is empty afterwards.
    void FlushClocks();
    void ClearClocks();

    CJtagCable* m_port = nullptr;
    CJtagClock* m_clock = nullptr;
    CJtagClock* m_clockOverride = nullptr;
    unsigned m_hir = 0, m_hdr = 0, m_tir = 0, m_tdr = 0;
    unsigned m_sirLength = 0, m_sdrLength = 0;
    int m_currentState = TAP_ANY;
    int m_endIrState = TAP_IDLE;
    int m_endDrState = TAP_IDLE;
    std::int64_t m_frequency = 0;
    int m_lastTms = 0;
    // The clocks queued since the last flush: TMS and TDI per clock, and the TDO levels once sent.
    std::vector<std::uint8_t> m_queueTms, m_queueTdi, m_queueTdo;
    std::vector<PendingCheck> m_checks;
    // Where the bits of the last SIR and SDR start in the queue (npos: captured already).
    std::size_t m_sirCaptureAt = std::string::npos, m_sdrCaptureAt = std::string::npos;
    // The line under way, and the first line whose clocks are in the queue (npos: none).
    std::size_t m_line = 0;
    std::size_t m_firstQueuedLine = std::string::npos;
    // The first line of a batch that went out as the cable failed (npos: none).
    std::size_t m_lostAtLine = std::string::npos;
    std::vector<std::size_t> m_mismatchLines;
    // During ExecuteLines: tells the lines before the given one, once their clocks have gone out.
    std::function<void(std::size_t)> m_linesSent;
};

}  // namespace kalidor
