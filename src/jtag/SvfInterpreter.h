// The SVF interpreter interface. An interpreter executes SVF text one line (one statement) at a
// time and keeps the TDI and captured TDO bits of the last instruction and data scans. Two kinds
// sit behind it: the built-in TAP interpreter (CTapSvfInterpreter, interpreter ID 0) that drives a
// TAP port, and the client of an external SVF server (IDs 1 to 3).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/JtagBits.h"
#include "jtag/JtagCable.h"
#include "jtag/SvfResult.h"

namespace kalidor {

class CJTAGTapPort;

// Interpreter IDs.
inline constexpr int kInterpreterBuiltIn = 0;

class CSvfInterpreter {
public:
    CSvfInterpreter() = default;
    CSvfInterpreter(const CSvfInterpreter&) = delete;
    CSvfInterpreter& operator=(const CSvfInterpreter&) = delete;
    virtual ~CSvfInterpreter() = default;

    // Stores the ID and the port (not owned) and prepares the interpreter for it.
    virtual void AttachPort(CJTAGTapPort* port, int id) = 0;
    // The same for any cable; an interpreter that drives only parallel ports gets the cable's
    // parallel port (nullptr for another kind of cable).
    virtual void AttachCable(CJtagCable* cable, int id);
    // The ID the interpreter was attached with: kInterpreterBuiltIn, or 1 to 3 for a server's client.
    virtual int GetInterpreterID() const { return m_interpreterId; }
    // The conversation with an external server: Connect opens it (true when open, also when it was
    // already; false after telling the user that it could not), IsConnected says whether it is
    // open, Disconnect ends it. The built-in interpreter needs none and is always connected.
    virtual bool Connect() = 0;
    virtual bool IsConnected() = 0;
    virtual void Disconnect() = 0;
    // Whether the cable can be used: kCableReady, kCableNotAttached or kCableNoPower (JtagCable.h).
    virtual CableStatus CheckCable() = 0;
    // Reserved for a later operation: does nothing and answers 0.
    virtual int Reserved() { return 0; }
    // The option word of the JTAG debug dialogs (the interface sets it to 0 when it attaches).
    virtual int GetOption() const { return m_option; }
    virtual void SetOption(int option) { m_option = option; }
    // Executes one line (one statement with its line end): kSvfOk, kSvfTdoMismatch,
    // kSvfSyntaxError or kSvfOutOfMemory, kSvfCableLost when the cable lost its device (the
    // server's client kSvfServerLost or kSvfServerTimeout instead).
    virtual SvfResult ExecuteLine(std::string_view text) = 0;
    // Executes `lines` in order, each with "\r\n" appended as ExecuteLine gets it, and tells `done`
    // the index and the result of each as it comes; after the first result that stops a run
    // (SvfResultStopsRun) nothing more is executed. An interpreter in another process is sent the
    // lines together instead of waiting for each answer in turn; the built-in one queues the
    // clocks of the list for the cable and sends them at its end (and before each wait). When it
    // returns, every line executed has gone to the cable and been told.
    virtual void ExecuteLines(const std::vector<std::string>& lines,
                              const std::function<void(std::size_t, SvfResult)>& done);
    // The captured bits of the last data scan as '0'/'1' text, as a read-back takes them: kSvfOk,
    // or the result that says why they could not be fetched (the server client's lost conversation;
    // `bits` is then empty).
    virtual SvfResult FetchIncomingDR(std::string& bits);
    // The TDI bits and the captured TDO bits of the last SIR and SDR as '0'/'1' text (most
    // significant bit first), copied into `buffer` (at most size-1 characters and a terminating
    // 0). Return the number of characters copied.
    virtual std::size_t GetOutgoingIRString(char* buffer, std::size_t size);
    virtual std::size_t GetIncomingIRString(char* buffer, std::size_t size);
    virtual std::size_t GetOutgoingDRString(char* buffer, std::size_t size);
    virtual std::size_t GetIncomingDRString(char* buffer, std::size_t size);
    // Waits `ms` milliseconds (the waits of RUNTEST).
    virtual void Delay(int ms) = 0;
    // The single steps of the debug dialogs: one TCK pulse; TDI set to `level`, written, then
    // one TCK pulse.
    virtual void PulseTCK() = 0;
    virtual void ClockTDI(int level) = 0;

    // The same four bit strings as text.
    virtual std::string OutgoingIRText() const { return m_sirTdi.ToBitText(); }
    virtual std::string IncomingIRText() const { return m_sirTdo.ToBitText(); }
    virtual std::string OutgoingDRText() const { return m_sdrTdi.ToBitText(); }
    virtual std::string IncomingDRText() const { return m_sdrTdo.ToBitText(); }

    const CJtagBits& IncomingDRBits() const { return m_sdrTdo; }
    const CJtagBits& IncomingIRBits() const { return m_sirTdo; }

protected:
    CJtagBits m_sirTdi;
    CJtagBits m_sirTdo;
    CJtagBits m_sdrTdi;
    CJtagBits m_sdrTdo;
    int m_option = 0;
    int m_interpreterId = kInterpreterBuiltIn;
};

// Copies `text` into a caller buffer (at most size-1 characters, always terminated when size > 0).
std::size_t CopyToBuffer(const std::string& text, char* buffer, std::size_t size);

// Running a whole SVF text, line by line, as a program run does: each line goes to ExecuteLine
// with "\r\n" appended. A TDO mismatch is recorded with its line number and the run goes on; a
// syntax error or a failed allocation is recorded and stops the run.
struct SvfLineFailure {
    int line = 0;        // 1-based line number in the text
    SvfResult result = kSvfOk;  // anything but kSvfOk
    std::string text;    // the line as written (without its line end)
};

struct SvfRunReport {
    int linesExecuted = 0;
    bool stopped = false;                 // a syntax error or failed allocation ended the run
    std::vector<SvfLineFailure> failures; // in line order
    bool Succeeded() const { return failures.empty(); }
};

SvfRunReport ExecuteSvfText(CSvfInterpreter& interpreter, std::string_view text);

// One line per failure: "Line 12: TDO mismatch: SDR ...", "Line 3: syntax error: ...",
// "Line 3: out of memory: ...".
std::string FormatSvfRunReport(const SvfRunReport& report);

}  // namespace kalidor
