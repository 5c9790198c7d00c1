// The full SVF player: plays SVF files written by any tool through any cable. It is separate from
// the built-in interpreter (TapSvfInterpreter.h), which runs the system's own programs line by line
// and keeps its own rules for them.
//
// What it plays:
//  * statements over any number of lines, each ending at ';', keywords in any letter case;
//    comments from "!" or "//" to the end of the line;
//  * SIR/SDR length [TDI (hex)] [TDO (hex)] [MASK (hex)] [SMASK (hex)], and HIR/TIR/HDR/TDR with the
//    same parameters. TDI, MASK and SMASK are kept for the next statement of the same kind and
//    length; a new length needs a new TDI (headers and trailers take all ones) and makes MASK and
//    SMASK all ones again. The TDO of an SIR or SDR is compared only in the statement that gives
//    it; the TDO of a header or trailer in every scan until the next statement of that header or
//    trailer. A scan shifts the header first (the devices nearest TDO), then the data, then the
//    trailer;
//  * ENDIR/ENDDR with the four stable states;
//  * STATE with an optional path of states, each one TCK from the one before, and a stable state
//    at its end; without a path the TAP moves along the shortest path (five TMS ones into RESET);
//  * RUNTEST [run_state] count TCK|SCK [min SEC] [MAXIMUM max SEC] [ENDSTATE end_state] and
//    RUNTEST [run_state] min SEC [MAXIMUM max SEC] [ENDSTATE end_state]: the TAP goes to the run
//    state, gets the TCK clocks, and then waits the whole minimum time (FREQUENCY is only the
//    highest TCK rate allowed: the cable may clock faster, so the clocks cannot be counted as part
//    of the time). The cable has no system clock: SCK counts are waited as time at the FREQUENCY
//    given, or at 1 MHz. The run state is
//    kept between RUNTEST statements; the end state is the one given, else the run state given,
//    else the previous end state. The maximum time is accepted and not enforced;
//  * TRST ON takes the TAP into Test-Logic-Reset by TMS (the cables have no TRST line of their
//    own); OFF, Z and ABSENT change nothing;
//  * FREQUENCY [cycles HZ] is kept for the waits;
//  * PIO and PIOMAP are reported as unsupported and the play fails.
//
// The file is read as a stream, one statement at a time, so a file of any size plays in memory
// bounded by its longest statement (at most kMaxSvfPlayerStatement characters).
//
// Clocks are queued across statements and go to the cable as one batched shift when a scan's TDO
// is to be compared, before any wait and at the end of the file, so that a USB cable needs a
// transfer per check or wait rather than per statement. A check is compared as soon as its scan
// has gone out, before anything after it is sent: a play that stops at a mismatch has clocked
// nothing beyond the failing scan.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/JtagBits.h"
#include "jtag/JtagCable.h"
#include "jtag/JtagClock.h"
#include "jtag/TapState.h"

namespace kalidor {

// Longest scan (header, data and trailer together) and longest statement text the player takes.
inline constexpr std::uint64_t kMaxSvfPlayerScanBits = CJtagBits::kMaxBits;
inline constexpr std::size_t kMaxSvfPlayerStatement = 4 * (kMaxSvfPlayerScanBits / 4) + 65536;

// Message texts; each report line starts with "Line N: ".
inline constexpr const char* kSvfPlayerMismatch = "TDO mismatch";
inline constexpr const char* kSvfPlayerSyntax = "syntax error";
inline constexpr const char* kSvfPlayerUnsupported = "not supported";
inline constexpr const char* kSvfPlayerCableLost = "the cable stopped answering";

struct CSvfPlayResult {
    std::uint64_t statements = 0;  // statements played
    std::uint64_t checks = 0;      // scans whose TDO was compared
    std::uint64_t mismatches = 0;
    std::uint64_t errors = 0;      // syntax errors, unsupported statements, a lost cable
    std::uint64_t tck = 0;         // TCK cycles sent
    std::uint64_t waitMicroseconds = 0;
    bool stopped = false;          // the play ended before the end of the file
    std::vector<std::string> reports;  // "Line N: ..." in order

    bool Passed() const { return mismatches == 0 && errors == 0 && !stopped; }
};

// The summary line of a play: "N statements, N TDO checks, N mismatches, N errors, N TCK" and
// ", stopped" when the play ended early.
std::string FormatSvfPlaySummary(const CSvfPlayResult& result);

// Reads SVF statements from a stream: comments dropped, line ends and runs of blanks made one blank,
// the ';' removed, with the line each statement starts on.
class CSvfStatementReader {
public:
    explicit CSvfStatementReader(std::istream& in) : m_in(in) {}
    // The next statement; false at the end of the stream. A statement longer than the limit, or one
    // cut off by the end of the stream, comes back with `complete` false.
    bool Next(std::string& statement, std::uint64_t& line, bool& complete);

private:
    int Get();

    std::istream& m_in;
    std::vector<char> m_buffer = std::vector<char>(65536);
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_line = 1;
};

class CSvfPlayer {
public:
    // Waits go to the cable's own time base, or to `clock` when given, or to real time.
    explicit CSvfPlayer(CJtagCable& cable, CJtagClock* clock = nullptr);

    // Goes on after a TDO mismatch (off: the play stops at the first one).
    void SetKeepGoing(bool on) { m_keepGoing = on; }

    // Plays a whole stream.
    const CSvfPlayResult& Play(std::istream& in);
    // Plays one statement (without its ';') that starts on `line`; false when the play must stop.
    // Its clocks may stay queued until a later statement needs a result or a wait (Play sends the
    // rest at the end).
    bool Execute(std::string_view statement, std::uint64_t line);

    const CSvfPlayResult& Result() const { return m_result; }
    // The TAP state the player has left the chain in (TAP_ANY before the first move).
    int State() const { return m_state; }

private:
    struct ScanParams {
        std::uint64_t length = 0;
        CJtagBits tdi, tdo, mask, smask;
        bool haveTdo = false;
    };
    enum class ScanKind { HIR, HDR, TIR, TDR, SIR, SDR };

    bool Fail(std::uint64_t line, const char* what, const std::string& detail);
    bool ParseScan(ScanKind kind, const std::vector<std::string>& words, std::uint64_t line);
    bool DoScan(bool instruction, std::uint64_t line, const std::string& keyword);
    bool DoState(const std::vector<std::string>& words, std::uint64_t line);
    bool DoRuntest(const std::vector<std::string>& words, std::uint64_t line);
    bool DoFrequency(const std::vector<std::string>& words, std::uint64_t line);
    bool DoTrst(const std::vector<std::string>& words, std::uint64_t line);

    // Queues clocks that move the TAP from the current state to `to` along the shortest path.
    void MoveTo(int to);
    void Queue(int tms, int tdi);
    // Sends the queued clocks (TDO captured when `capture`); false when the cable was lost.
    bool Send(bool capture, std::uint64_t line);
    void Wait(std::uint64_t microseconds);

    CJtagCable& m_cable;
    CJtagClock* m_clock;
    bool m_keepGoing = false;
    CSvfPlayResult m_result;

    int m_state = TAP_ANY;
    int m_endIr = TAP_IDLE;
    int m_endDr = TAP_IDLE;
    int m_runState = TAP_IDLE;
    int m_runEndState = TAP_IDLE;
    double m_frequency = 0;  // Hz; 0: not given

    ScanParams m_params[6];

    std::vector<std::uint8_t> m_tms, m_tdi, m_tdo;
    std::uint64_t m_line = 0;         // the statement under way
    std::uint64_t m_queuedSince = 0;  // the line of the first clock queued
};

// The name of a state as SVF writes it ("IDLE", "DRPAUSE", ...), and the state of such a name
// (letter case ignored; TAP_ANY for an unknown name).
const char* SvfStateName(int state);
int ParseSvfState(std::string_view name);
// The TMS levels of the shortest path from `from` to `to` (preferring TMS 0 on the way); into
// RESET always five ones unless already there; from TAP_ANY a reset first.
std::vector<std::uint8_t> SvfPathBetween(int from, int to);

}  // namespace kalidor
