// The result of one SVF line, as an interpreter gives it. The numbers are seen outside: the SVF
// server answers a statement with its number, the JTAG trace stores and shows it, and messages
// quote it; every result keeps its value.
#pragma once

#include <iosfwd>

namespace kalidor {

enum class SvfResult : int {
    Ok = 0,
    TdoMismatch = 1,  // the line ran; a captured TDO bit differs from the one expected
    SyntaxError = 2,
    OutOfMemory = 3,  // a scan too long to hold
    // The client of an external SVF server, when the line did not run there: the conversation was
    // lost (the server is gone, refused the statement or answered nonsense), or no answer came
    // within the transaction limit. Either ends the run, and the client is disconnected.
    ServerLost = 4,
    CableLost = 5,      // the cable lost its device during the line (it has said so)
    ServerTimeout = -1,
};

inline constexpr SvfResult kSvfOk = SvfResult::Ok;
inline constexpr SvfResult kSvfTdoMismatch = SvfResult::TdoMismatch;
inline constexpr SvfResult kSvfSyntaxError = SvfResult::SyntaxError;
inline constexpr SvfResult kSvfOutOfMemory = SvfResult::OutOfMemory;
inline constexpr SvfResult kSvfServerLost = SvfResult::ServerLost;
inline constexpr SvfResult kSvfCableLost = SvfResult::CableLost;
inline constexpr SvfResult kSvfServerTimeout = SvfResult::ServerTimeout;

// The number of a result, where a result leaves as a number (the trace, a log line, an answer of
// the server).
constexpr int SvfResultCode(SvfResult result) { return static_cast<int>(result); }

// True for a line result after which nothing more of a program may run (anything but success and
// a TDO mismatch).
constexpr bool SvfResultStopsRun(SvfResult result)
{
    return result != kSvfOk && result != kSvfTdoMismatch;
}

// The number, for test diagnostics and logs.
std::ostream& operator<<(std::ostream& out, SvfResult result);

}  // namespace kalidor
