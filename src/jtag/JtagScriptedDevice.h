// The user-level programming operations of a schematic document: identify the device on the cable,
// download the design into it, upload it back into the schematic, verify device against schematic
// and run the self-timed calibration. Each operation checks the cable, announces itself, checks
// the IDCODE against the document's device type and then runs the register programs in the order
// its device type needs, reporting the outcome in a message box.
//
// ZelD and ZelE hold two configurations, A (USRA) and B (USRB), and a wakeup-configuration bit (the
// A/B bit, symbol key 10, bit 93 of both registers) that chooses the one the device takes at
// power-up. The device presents configuration B for reading and writing USRB only while its A/B bit
// is 1, so every operation switches the device to B, works on USRB, and writes A back with the
// design's own wakeup setting. A device that wakes up in B cannot be read back: its configuration A
// is not reachable without overwriting it.
//
// The document is reached only through CJtagDocumentHost, so this layer does not depend on it.
#pragma once

#include <optional>
#include <string>

#include "jtag/JtagDevice.h"
#include "jtag/VerifyReport.h"

namespace kalidor {

class DeviceConfig;

inline constexpr const char* kMsgIdcodeMismatch =
    "JTAG IDCODE check detected an error:\n\nDevice connected to download cable\ndoes not match current (%s) "
    "schematic.\n\nOperation aborted.";
inline constexpr const char* kMsgWillBeSecured = "Device will be secured.  Will not verify device after download";
inline constexpr const char* kMsgDownloadWakeupB =
    "WARNING: With the Wakeup Configuration = CfgB the device cannot be verified or uploaded.  Press OK to start "
    "Download.";
inline constexpr const char* kMsgWakeupB =
    "WARNING: Since the Wakeup Configuration = CfgB the device cannot be verified or uploaded.";
inline constexpr const char* kMsgWriteCfgBFailed = "Write to Cfg B failed";
inline constexpr const char* kMsgWriteCfgASettingAb = "Write to CfgA failed while setting AB bit to 0";
inline constexpr const char* kMsgWriteCfgAUpload =
    "Write to CfgA failed while setting Wakeup configuration bit to CfgA";
inline constexpr const char* kMsgWriteCfgARestore =
    "Write to CfgA failed while restoring CfgA and setting AB bit to 0";
inline constexpr const char* kMsgUnrecognizedDevice = "Unrecognized device, operation aborted";
inline constexpr const char* kMsgConnectInterpreter =
    "SVF Interpreter must be connected to Kalidor to enable JTAG programming.  Connect now?";
inline constexpr const char* kMsgProgrammingDisabled =
    "Note: All JTAG programming is disabled because a new SVF Interpreter has been requested.  You must restart "
    "Kalidor to enable JTAG programming using the new interpreter.";

// Results of the programming check.
enum class ProgrammingCheckResult : int {
    Ready = 100,
    NotConnected = 101,
    InterfaceChanged = 102,
};
inline constexpr ProgrammingCheckResult kProgrammingReady = ProgrammingCheckResult::Ready;
inline constexpr ProgrammingCheckResult kProgrammingNotConnected = ProgrammingCheckResult::NotConnected;
inline constexpr ProgrammingCheckResult kProgrammingInterfaceChanged = ProgrammingCheckResult::InterfaceChanged;

// Upload and Verify of a ZelD/ZelE device that wakes up in configuration B: nothing could be read
// (the CfgB warning has been shown).
inline constexpr JtagResult kJtagWakeupB = JtagResult::WakeupB;

// What the operations need from the document that owns them.
class CJtagDocumentHost {
public:
    virtual ~CJtagDocumentHost() = default;
    // True when the JTAG interface was changed since start: programming is refused until restart.
    virtual bool InterfaceChanged() { return false; }
    // Header and trailer bit counts of the device's position in its JTAG chain.
    virtual CJtagChainCounts ChainCounts() { return {}; }
    // ZelD/ZelE: forget the filter-table entries chosen for configurations A and B (their
    // filter-configuration symbols have already been set to -1).
    virtual void ForgetFilterSelections() {}
    // After an upload: bring the symbol values into their legal ranges, tell the user when any was
    // changed, return how many were.
    virtual int CoerceAfterUpload() = 0;
    virtual void SetModified() {}
    virtual void UpdateAllViews() {}
    // Read IDCODE succeeded: show the fields.
    virtual void ShowIdcode(const CIdcodeFields&) {}
    // A verification failed: show the verify-failed message with what differs. False when the
    // host shows nothing of its own (the plain message is shown then).
    virtual bool ShowVerifyFailed(const CVerifyReport&) { return false; }
};

class CJtagScriptedDevice {
public:
    CJtagScriptedDevice(CJtagDevice& jtag, DeviceConfig& device, CJtagRegProgram& program);
    CJtagScriptedDevice(const CJtagScriptedDevice&) = delete;
    CJtagScriptedDevice& operator=(const CJtagScriptedDevice&) = delete;

    // The document (not owned); without one, uploads coerce through the device model silently and
    // the chain counts are the ones set on the JTAG device.
    void SetHost(CJtagDocumentHost* host) { m_host = host; }
    void SetDeviceTypeName(const std::string& name) { m_deviceType = name; }
    const std::string& GetDeviceTypeName() const { return m_deviceType; }
    void SetVerifyAfterDownload(int on) { m_verifyAfterDownload = on ? 1 : 0; }
    int GetVerifyAfterDownload() const { return m_verifyAfterDownload; }
    CJtagDevice& Jtag() { return m_jtag; }
    const CJtagDevice& Jtag() const { return m_jtag; }

    // --- the operations (after the programming check) ---
    // Done (verified when asked), NotReady, VerifyDiffers (the verification failed), AllOnes,
    // IdcodeMismatch or RunStopped.
    JtagResult Download();
    // Done, NotReady, AllOnes (the model is reset to its defaults), WakeupB (ZelD/ZelE waking up
    // in configuration B; model reset), VerifyDiffers (configuration A written back did not
    // verify), IdcodeMismatch or RunStopped.
    JtagResult Upload();
    // VerifyEqual (device equals schematic), VerifyDiffers, AllOnes, WakeupB, NotReady,
    // IdcodeMismatch or RunStopped.
    JtagResult Verify();
    // Done, NotReady, IdcodeMismatch or RunStopped.
    JtagResult AutoCal();
    // Reads and decodes the IDCODE: Done when the device type matches, else the mismatch message
    // and IdcodeMismatch.
    JtagResult IdcodeCheck();

    // --- the document's operations: the programming check first, then the operation ---
    // Ready; NotConnected: the interpreter is not connected (the user was asked to connect);
    // InterfaceChanged: the interface was changed since start (the note was shown).
    ProgrammingCheckResult ProgrammingCheck();
    // Refused by the check: NotReady. Otherwise the operation's result; the views are updated after.
    JtagResult DocDownload();
    JtagResult DocUpload();
    JtagResult DocVerify();
    JtagResult DocAutoCal();
    // Refused: NotReady. Done after the IDCODE was read and shown.
    JtagResult DocReadIdcode();
    // Register level; refused: RunStopped.
    JtagResult DocWriteRegister(int reg);
    JtagResult DocUploadRegister(int reg);
    JtagResult DocReadRegister(int reg, std::string& bits);
    JtagResult DocVerifyRegister(int reg);

    // The number of command lists an operation is expected to send (for progress).
    int PlannedSteps(const std::string& operation) const;

    // What the last failed verification found (empty after one that passed or did not run).
    const CVerifyReport& LastVerifyReport() const { return m_verifyReport; }
    // The settings the last upload changed in the design (empty when it failed or changed none).
    const std::vector<CSymbolDifference>& LastUploadChanges() const { return m_uploadChanges; }

private:
    // ZelD/ZelE: two stored configurations, with sequences of their own.
    bool IsFilterDevice() const;
    JtagResult CommonStart(const char* operation, bool* secure);
    void ApplyChainCounts();
    // Write with bookkeeping: a failed in-line comparison is remembered, RunStopped passed on.
    JtagResult Write(int reg);
    int ResetModelAfterFailedRead();
    int Coerce();
    void Message(const char* text, int icon);
    // The verify-failed message, with the report of the read-backs that differed.
    void ShowVerifyFailed();

    // Nothing when the user declined a design that wakes up in configuration B.
    std::optional<JtagResult> DownloadFilter(bool verify);
    JtagResult UploadFilter();
    JtagResult VerifyFilter();

    CJtagDevice& m_jtag;
    DeviceConfig& m_device;
    CJtagRegProgram& m_program;
    CJtagDocumentHost* m_host = nullptr;
    int m_verifyAfterDownload = 1;
    std::string m_deviceType;
    bool m_writeMismatch = false;
    CVerifyReport m_verifyReport;
    std::vector<CSymbolDifference> m_uploadChanges;
};

}  // namespace kalidor
