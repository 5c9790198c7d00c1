// The JTAG device object of a schematic document: it builds the SVF command list of one run (the
// frame for the device's chain position followed by a register program), sends it line by line to
// the SVF interpreter and turns the outcome into the programming result codes. Reads copy the
// captured data-register bits back as '0'/'1' text for upload and verify.
//
// The user-level operations that string these runs together per device type (download, upload,
// verify, calibration) are in JtagScriptedDevice.h.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "jtag/JtagBits.h"
#include "jtag/JtagFrame.h"
#include "jtag/JtagTraceData.h"
#include "jtag/SvfResult.h"

namespace kalidor {

class CJtagRegProgram;
class CSvfInterpreter;

// Programming result codes. Messages quote the numbers and the operations' descriptions below
// name them, so every code keeps its value.
enum class JtagResult : int {
    Done = 0,
    NotReady = 1,        // cable or interface not ready
    VerifyEqual = 2,
    VerifyDiffers = 3,
    AllOnes = 4,         // the read returned all ones
    WakeupB = 5,         // a ZelD/ZelE device wakes up in configuration B and cannot be read
    IdcodeMismatch = 6,
    RunStopped = -1,     // a line stopped the run (syntax error, no memory, a lost server)
};

inline constexpr JtagResult kJtagDone = JtagResult::Done;
inline constexpr JtagResult kJtagNotReady = JtagResult::NotReady;
inline constexpr JtagResult kJtagVerifyEqual = JtagResult::VerifyEqual;
inline constexpr JtagResult kJtagVerifyDiffers = JtagResult::VerifyDiffers;
inline constexpr JtagResult kJtagAllOnes = JtagResult::AllOnes;
inline constexpr JtagResult kJtagIdcodeMismatch = JtagResult::IdcodeMismatch;
inline constexpr JtagResult kJtagRunStopped = JtagResult::RunStopped;

// The number of a result, where a result leaves as a number (a message that quotes it).
constexpr int JtagResultCode(JtagResult result) { return static_cast<int>(result); }

// The number, for test diagnostics and logs.
std::ostream& operator<<(std::ostream& out, JtagResult result);

// The register used when an operation is given -1.
inline constexpr int kJtagCurrentRegister = -1;

inline constexpr const char* kMsgVerifyFailed = "Verify failed:\nDevice differs from schematic";
inline constexpr const char* kMsgVerifySucceeded = "Verify succeeded:\nDevice equals schematic";
inline constexpr const char* kMsgReadAllOnes =
    "Verify/Upload: Read of device returned all '1's.  Device probably secured and cannot be read.";
inline constexpr const char* kMsgTransmitFailed =
    "Internal Software Error in CJtagDevice::TransmitSVFCommandListToDriver\n"
    "TransmitSVFLineToDriver returned -1";
inline constexpr const char* kMsgCableNotAttached =
    "Download cable is not attached to selected port.\n"
    "Operation aborted.\n\n"
    "Please check parallel port address settings with the\n"
    "     Options->JTAG Interface...\n"
    "dialog.  Port 378h is most common, 278h is alternate.\n"
    "The setting is saved in the KALIDOR.INI file.";
inline constexpr const char* kMsgNoPower = "Download cable does not have power\nOperation aborted";
// A run stopped because the external SVF server did not run a line.
inline constexpr const char* kMsgServerLost =
    "The connection with the SVF server was lost.\nOperation aborted.";
inline constexpr const char* kMsgServerTimeout =
    "The SVF server did not answer within 5 seconds.\nOperation aborted.";
inline constexpr const char* kMsgNoInterpreter =
    "Internal software error: no SVF interpreter is attached to the JTAG device.";

// The message of a run stopped by a line result (kMsgTransmitFailed, kMsgServerLost or
// kMsgServerTimeout).
const char* StoppedRunMessage(SvfResult lineResult);

// IDCODE decoding.
inline constexpr const char* kIdcodeOwnManufacturer = "00000100001";
inline constexpr const char* kIdcodeOwnMakerName = "Norvane Dividaduzudav";
inline constexpr const char* kIdcodeUnknown = "Unknown";

struct CIdcodeFields {
    std::string text;          // the 32 '0'/'1' characters as read (first character = bit 31)
    std::string version;       // characters 0 to 3
    std::string partNumber;    // characters 4 to 19
    std::string manufacturer;  // characters 20 to 30
    std::string makerName;     // "Norvane Dividaduzudav" or "Unknown"
    std::string deviceType;    // the device type name of the part number, or "Unknown"
};

// Splits an IDCODE text into its fields. A text that is not 32 characters of '0' and '1' (no
// device, a broken read) keeps empty fields and decodes to "Unknown".
CIdcodeFields DecodeIdcode(std::string_view text);

// Where a long operation stands. A run is a number of command lists (steps); `stepsPlanned` is the
// number the operation expects (0 when unknown), `line`/`lines` the position in the current list.
struct CJtagProgressInfo {
    std::string operation;  // "Download", "Upload", "Verify", "AutoCal", "IDCODE" or empty
    int stepsDone = 0;
    int stepsPlanned = 0;
    int line = 0;
    int lines = 0;
    // 0..1 over the whole operation as far as it is known.
    double Fraction() const;
};

// Told before every line sent, so that a host can move a progress bar and keep its windows drawn
// while the operation runs on its thread.
class CJtagProgress {
public:
    virtual ~CJtagProgress() = default;
    virtual void OnProgress(const CJtagProgressInfo& info) = 0;
};

// A read-back that did not equal the register image of the design: the register, the image the
// design gives and the bits the device gave.
struct CRegisterMismatch {
    int reg = 0;
    CJtagBits expected;
    CJtagBits read;
};

class CJtagDevice {
public:
    CJtagDevice() = default;
    CJtagDevice(const CJtagDevice&) = delete;
    CJtagDevice& operator=(const CJtagDevice&) = delete;

    // --- set-up (nothing owned) ---
    void SetInterpreter(CSvfInterpreter* interpreter) { m_interpreter = interpreter; }
    CSvfInterpreter* GetInterpreter() const { return m_interpreter; }
    void SetRegProgram(CJtagRegProgram* program);
    CJtagRegProgram* GetRegProgram() const { return m_program; }
    void SetDeviceName(const std::string& name) { m_deviceName = name; }
    const std::string& GetDeviceName() const { return m_deviceName; }
    // The JTAG trace of this device: while the trace is on, every line sent is recorded with its
    // result.
    CJtagTraceData& Trace() { return m_trace; }
    const CJtagTraceData& Trace() const { return m_trace; }
    void SetTraceOn(int on) { m_traceOn = on ? 1 : 0; }
    int GetTraceOn() const { return m_traceOn; }
    void SetProgress(CJtagProgress* progress) { m_progress = progress; }
    // Chain bit counts for the frame (all 0 for a device alone on the cable).
    void SetChainCounts(const CJtagChainCounts& counts);
    CJtagChainCounts GetChainCounts() const { return m_frame.GetChainCounts(); }
    void SetCurrentRegister(int reg) { m_currentRegister = reg; }
    int GetCurrentRegister() const { return m_currentRegister; }
    // The last IDCODE read, as '0'/'1' text (first character = bit 31).
    const std::string& GetIdcodeText() const { return m_idcodeText; }

    // --- progress of a user-level operation ---
    void BeginOperation(const std::string& name, int stepsPlanned);
    void EndOperation();

    // --- the register operations ---
    // Frame + write program, transmitted: kJtagDone, kJtagVerifyDiffers (a TDO comparison failed)
    // or kJtagRunStopped.
    JtagResult WriteRegister(int reg);
    // Frame + read program, transmitted; the captured bits of the register as '0'/'1' text.
    // kJtagAllOnes when the text holds no '0', kJtagDone otherwise, kJtagRunStopped when the run
    // stopped (text left empty).
    JtagResult ReadRegister(int reg, std::string& bits);
    // The same into a caller buffer of `size` characters (always terminated when size > 0).
    JtagResult ReadRegister(int reg, char* buffer, std::size_t size);
    // Read, then SetRegFromBits on the register program whatever the read gave: kJtagAllOnes or
    // kJtagDone (kJtagRunStopped: the run stopped and no cell was changed).
    JtagResult UploadRegister(int reg);
    // Read and compare with the register image: kJtagVerifyEqual, kJtagVerifyDiffers,
    // kJtagAllOnes or kJtagRunStopped.
    JtagResult VerifyRegister(int reg);
    // As VerifyRegister, but an all-ones read is compared like any other (registers whose content
    // may legitimately be all ones once the device is known to be readable).
    JtagResult CompareRegister(int reg);
    // The comparisons of VerifyRegister and CompareRegister that differed since the operation
    // began (BeginOperation) or the list was cleared, in order.
    const std::vector<CRegisterMismatch>& Mismatched() const { return m_mismatched; }
    void ClearMismatched() { m_mismatched.clear(); }
    // Frame + erase program, transmitted.
    JtagResult EraseRegister(int reg);
    // Cable check, announcement, IDCODE program; the captured bits go to the IDCODE text.
    // kJtagDone, kJtagNotReady or kJtagRunStopped.
    JtagResult ReadIDCODE();
    // Decodes the last IDCODE text.
    CIdcodeFields DecodedIdcode() const { return DecodeIdcode(m_idcodeText); }
    // kJtagVerifyDiffers: the verify-failed message; kJtagAllOnes: the all-ones message; any
    // other: the verify-succeeded message.
    void ShowVerifyResult(JtagResult code);
    // The interpreter's cable check: kJtagDone when ready; kJtagNotReady after the cable or power
    // message.
    JtagResult CheckReady();

    // --- the command list ---
    // Sends every line in order: kJtagDone, kJtagVerifyDiffers when a TDO comparison failed (the
    // run goes on), kJtagRunStopped when a line stopped the run (syntax error or no memory: the internal-error message is shown; a lost
    // or silent SVF server: a message of its own). Each line is recorded with its result while the
    // trace is on, the line that stopped the run last.
    JtagResult TransmitSVFCommandListToDriver();
    // One line plus "\r\n" to the interpreter; its line result (traced when the trace is on).
    SvfResult TransmitSVFLineToDriver(const std::string& line);
    // The frame and write program of register -4 ("ALL"), built without executing it; every line
    // followed by "\r\n". False when the stream fails or there is no register program.
    bool WriteSvfProgram(std::ostream& out);
    bool WriteSvfProgram(const std::string& path);
    // Puts the single comment line "! <name> <operation>" into the list and transmits it:
    // kJtagDone, or kJtagRunStopped when even that could not be sent (a lost SVF server).
    JtagResult Announce(const std::string& deviceName, const std::string& operation);
    const std::vector<std::string>& CommandList() const { return m_frame.Commands(); }
    CJtagFrame& Frame() { return m_frame; }

    // Lines sent and TDO mismatches over the device's life (statistics for tests and the CLI).
    long LinesSent() const { return m_linesSent; }
    long Mismatches() const { return m_mismatches; }

private:
    int Resolve(int reg) const { return reg == kJtagCurrentRegister ? m_currentRegister : reg; }
    JtagResult ReadInto(int reg, std::string& bits);
    // Compares a read with the register image; a difference is kept in m_mismatched.
    JtagResult Compare(int reg, const std::string& bits);
    void RecordLine(const std::string& line, SvfResult result);
    void ShowStopped(SvfResult lineResult);
    // The interpreter's captured data-register bits: kJtagDone, or kJtagRunStopped after telling
    // why they could not be fetched.
    JtagResult FetchCapturedBits(std::string& bits);

    CJtagBits m_registerImage;  // scratch
    CJtagBits m_readBits;       // scratch
    std::string m_deviceName;
    CJtagFrame m_frame;         // holds the command list of the current run
    CSvfInterpreter* m_interpreter = nullptr;
    CJtagRegProgram* m_program = nullptr;
    CJtagTraceData m_trace;
    int m_traceOn = 0;
    int m_currentRegister = 0;
    std::string m_idcodeText;
    CJtagProgress* m_progress = nullptr;
    CJtagProgressInfo m_progressInfo;
    std::vector<CRegisterMismatch> m_mismatched;
    long m_linesSent = 0;
    long m_mismatches = 0;
};

}  // namespace kalidor
