#include "jtag/JtagScriptedDevice.h"

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/SvfInterpreter.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr const char* kCaption = "Kalidor";

// Register numbers the operations use; the register program names the design's second register.
constexpr int kRegUsr = 0;      // ZelA/ZelB USR, ZelC CFG, ZelD/ZelE USRA
constexpr int kRegCalibrate = 1;
constexpr int kRegUsrB = 2;     // ZelD/ZelE

// Bit 93 of USRA, the third character of its bit text (most significant bit first, 96 bits).
constexpr std::size_t kAbBitTextIndex = 2;

// The user declined the download of a design that wakes up in configuration B.
constexpr int kDeclined = -100;

// Ends the progress report of an operation on every path out of it.
class OperationScope {
public:
    OperationScope(CJtagDevice& jtag, const std::string& name, int steps) : m_jtag(jtag)
    {
        m_jtag.BeginOperation(name, steps);
    }
    ~OperationScope() { m_jtag.EndOperation(); }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    CJtagDevice& m_jtag;
};

// Restores the A/B bit of the model on every path out of a ZelD/ZelE sequence.
class AbBitGuard {
public:
    explicit AbBitGuard(DeviceConfig& device) : m_device(device), m_value(device.GetSymValue(kKeyAbBit)) {}
    ~AbBitGuard()
    {
        if (m_armed) m_device.SetSymValue(kKeyAbBit, m_value);
    }
    int Value() const { return m_value; }
    void Disarm() { m_armed = false; }
    AbBitGuard(const AbBitGuard&) = delete;
    AbBitGuard& operator=(const AbBitGuard&) = delete;

private:
    DeviceConfig& m_device;
    int m_value;
    bool m_armed = true;
};

std::string Format(const char* pattern, const std::string& value)
{
    const std::string_view p = pattern;
    const std::size_t at = p.find("%s");
    if (at == std::string_view::npos) return std::string(p);
    std::string s(p.substr(0, at));
    s += value;
    s += p.substr(at + 2);
    return s;
}

}  // namespace

CJtagScriptedDevice::CJtagScriptedDevice(CJtagDevice& jtag, DeviceConfig& device, CJtagRegProgram& program)
    : m_jtag(jtag), m_device(device), m_program(program)
{
    m_deviceType = device.TypeName();
    if (m_jtag.GetRegProgram() == nullptr) m_jtag.SetRegProgram(&program);
    if (m_jtag.GetDeviceName().empty()) m_jtag.SetDeviceName(m_deviceType);
}

bool CJtagScriptedDevice::IsFilterDevice() const { return m_program.HasTwoConfigurations(); }

void CJtagScriptedDevice::Message(const char* text, int icon)
{
    CurrentPrompter().Message(text, kCaption, Buttons::Ok, static_cast<MessageIcon>(icon));
}

void CJtagScriptedDevice::ApplyChainCounts()
{
    if (m_host) m_jtag.SetChainCounts(m_host->ChainCounts());
}

int CJtagScriptedDevice::PlannedSteps(const std::string& operation) const
{
    // The announcement, then the IDCODE check's announcement and program.
    const int common = 3;
    const bool filter = IsFilterDevice();
    const bool two = m_program.SecondDesignRegister() >= 0;
    if (operation == "Download") return common + (filter ? 5 : two ? 3 : 2);
    if (operation == "Upload") return common + (filter ? 5 : two ? 2 : 1);
    if (operation == "Verify") return common + (filter ? 7 : two ? 2 : 1);
    if (operation == "AutoCal") return common + 1;
    if (operation == "IDCODE") return 2;
    return 0;
}

int CJtagScriptedDevice::IdcodeCheck()
{
    const int r = m_jtag.ReadIDCODE();
    if (r != kJtagDone) return r;
    if (m_jtag.DecodedIdcode().deviceType == m_deviceType) return kJtagDone;
    CurrentPrompter().Message(Format(kMsgIdcodeMismatch, m_deviceType), kCaption, Buttons::Ok, MessageIcon::Error);
    return kJtagIdcodeMismatch;
}

int CJtagScriptedDevice::CommonStart(const char* operation, bool* secure)
{
    m_writeMismatch = false;
    m_verifyReport = {};
    m_uploadChanges.clear();
    if (m_jtag.CheckReady() != kJtagDone) return kJtagNotReady;
    m_jtag.Trace().Clear();
    if (m_jtag.Announce(m_jtag.GetDeviceName(), operation) == kJtagRunStopped) return kJtagRunStopped;
    if (secure) *secure = m_device.GetSecurity() == 1;
    ApplyChainCounts();
    return IdcodeCheck();
}

int CJtagScriptedDevice::Write(int reg)
{
    const int r = m_jtag.WriteRegister(reg);
    if (r == kJtagVerifyDiffers) m_writeMismatch = true;
    return r;
}

int CJtagScriptedDevice::ResetModelAfterFailedRead()
{
    m_device.Reset();
    if (IsFilterDevice()) {
        m_device.SetSymValue(kKeyFilterConfigA, -1);
        m_device.SetSymValue(kKeyFilterConfigB, -1);
        if (m_host) m_host->ForgetFilterSelections();
    }
    if (m_host) {
        m_host->SetModified();
        m_host->UpdateAllViews();
    }
    return 0;
}

void CJtagScriptedDevice::ShowVerifyFailed()
{
    m_verifyReport = BuildVerifyReport(m_device, m_program, m_jtag.Mismatched());
    if (!m_host || !m_host->ShowVerifyFailed(m_verifyReport)) m_jtag.ShowVerifyResult(kJtagVerifyDiffers);
}

int CJtagScriptedDevice::Coerce()
{
    if (m_host) return m_host->CoerceAfterUpload();
    return m_device.CoerceSymbols();
}

// ---------------------------------------------------------------------------------------------
// Download

int CJtagScriptedDevice::Download()
{
    OperationScope scope(m_jtag, "Download", PlannedSteps("Download"));
    bool secure = false;
    int r = CommonStart("Download", &secure);
    if (r != kJtagDone) return r;
    const bool verify = m_verifyAfterDownload == 1 && !secure;
    if (secure) Message(kMsgWillBeSecured, static_cast<int>(MessageIcon::Information));

    // Each verification: 2 goes on; anything else ends the download with its message.
    auto step = [&](int result) {
        if (result == kJtagVerifyEqual) return kJtagDone;
        if (result == kJtagVerifyDiffers) ShowVerifyFailed();
        if (result == kJtagAllOnes) m_jtag.ShowVerifyResult(kJtagAllOnes);
        return result;
    };

    const int second = m_program.SecondDesignRegister();
    if (!IsDeviceTypeName(m_deviceType)) {
        Message(kMsgUnrecognizedDevice, static_cast<int>(MessageIcon::Error));
        return kJtagDone;
    }
    if (IsFilterDevice()) {
        r = DownloadFilter(verify);
        if (r == kDeclined) return kJtagDone;
        if (r != kJtagDone) return r;
    } else if (second < 0) {
        if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
        if (verify && (r = step(m_jtag.VerifyRegister(kRegUsr))) != kJtagDone) return r;
    } else {
        if (Write(kJtagRegAll) == kJtagRunStopped) return kJtagRunStopped;
        if (verify) {
            if ((r = step(m_jtag.VerifyRegister(kRegUsr))) != kJtagDone) return r;
            // The DAC code or the signature may well be all ones: compare it like any other.
            if ((r = step(m_jtag.CompareRegister(second))) != kJtagDone) return r;
        }
    }
    if (m_writeMismatch) {
        // An in-line verification inside a write program failed: the device does not hold the
        // design, whether or not a verification after the download was asked for.
        ShowVerifyFailed();
        return kJtagVerifyDiffers;
    }
    if (verify) m_jtag.ShowVerifyResult(kJtagVerifyEqual);
    return kJtagDone;
}

// Both configurations: A with the A/B bit set (so that the device presents configuration B), B,
// then A again with the design's own wakeup setting.
int CJtagScriptedDevice::DownloadFilter(bool verify)
{
    AbBitGuard ab(m_device);
    const int v = ab.Value();
    if (v == 1 &&
        CurrentPrompter().Message(kMsgDownloadWakeupB, kCaption, Buttons::OkCancel, MessageIcon::Warning) ==
            Answer::Cancel)
        return kDeclined;

    m_device.SetSymValue(kKeyAbBit, 1);
    if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
    if (Write(kRegUsrB) == kJtagRunStopped) return kJtagRunStopped;
    if (verify) {
        const int r = m_jtag.CompareRegister(kRegUsrB);
        if (r == kJtagRunStopped) return r;
        if (r == kJtagVerifyDiffers) {
            m_device.SetSymValue(kKeyAbBit, v);
            Message(kMsgWriteCfgBFailed, static_cast<int>(MessageIcon::Warning));
            ShowVerifyFailed();
            return kJtagVerifyDiffers;
        }
    }
    m_device.SetSymValue(kKeyAbBit, v);
    if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
    if (v == 0 && verify) {
        const int r = m_jtag.VerifyRegister(kRegUsr);
        if (r == kJtagRunStopped) return r;
        if (r == kJtagAllOnes) {
            m_jtag.ShowVerifyResult(kJtagAllOnes);
            return r;
        }
        if (r == kJtagVerifyDiffers) {
            Message(kMsgWriteCfgASettingAb, static_cast<int>(MessageIcon::Warning));
            ShowVerifyFailed();
            return kJtagVerifyDiffers;
        }
    }
    return kJtagDone;
}

// ---------------------------------------------------------------------------------------------
// Upload

int CJtagScriptedDevice::Upload()
{
    OperationScope scope(m_jtag, "Upload", PlannedSteps("Upload"));
    int r = CommonStart("Upload", nullptr);
    if (r != kJtagDone) return r;
    // The design as it was, to tell what the read changed.
    const std::unique_ptr<DeviceConfig> before = CopyDeviceConfig(m_device);

    // The first register read tells whether the device can be read at all.
    r = m_jtag.UploadRegister(kRegUsr);
    if (r == kJtagRunStopped) return r;
    if (r == kJtagAllOnes) {
        m_jtag.ShowVerifyResult(kJtagAllOnes);
        ResetModelAfterFailedRead();
        return kJtagAllOnes;
    }
    const int second = m_program.SecondDesignRegister();
    if (!IsDeviceTypeName(m_deviceType)) return kJtagDone;
    if (IsFilterDevice()) {
        r = UploadFilter();
        if (r == kJtagWakeupB || r == kJtagRunStopped) return r;
    } else if (second >= 0) {
        // A DAC code or signature of all ones is a value like any other.
        if (m_jtag.UploadRegister(second) == kJtagRunStopped) return kJtagRunStopped;
    }
    Coerce();
    m_uploadChanges = SymbolDifferences(*before, m_device);
    if (m_host) {
        m_host->SetModified();
        m_host->UpdateAllViews();
    }
    return r == kJtagVerifyDiffers ? r : kJtagDone;
}

int CJtagScriptedDevice::UploadFilter()
{
    // USRA is in the model now; the filter-table entries chosen before say nothing about it.
    m_device.SetSymValue(kKeyFilterConfigA, -1);
    m_device.SetSymValue(kKeyFilterConfigB, -1);
    if (m_host) m_host->ForgetFilterSelections();
    const int a = m_device.GetSymValue(kKeyAbBit);
    if (a == 1) {
        Message(kMsgWakeupB, static_cast<int>(MessageIcon::Information));
        ResetModelAfterFailedRead();
        return kJtagWakeupB;
    }
    m_device.SetSymValue(kKeyAbBit, 1);
    if (Write(kRegUsr) == kJtagRunStopped) {
        m_device.SetSymValue(kKeyAbBit, a);
        return kJtagRunStopped;
    }
    const int r = m_jtag.UploadRegister(kRegUsrB);
    m_device.SetSymValue(kKeyAbBit, a);
    if (r == kJtagRunStopped) return r;
    if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
    // A rewrite whose in-line verification failed leaves the device's wakeup state unknown (and
    // a failed switch to B makes the configuration B read suspect): the upload has failed, as a
    // download with the same fault does.
    if (m_writeMismatch ||
        (m_verifyAfterDownload == 1 && m_jtag.VerifyRegister(kRegUsr) == kJtagVerifyDiffers)) {
        Message(kMsgWriteCfgAUpload, static_cast<int>(MessageIcon::Warning));
        ShowVerifyFailed();
        return kJtagVerifyDiffers;
    }
    return kJtagDone;
}

// ---------------------------------------------------------------------------------------------
// Verify

int CJtagScriptedDevice::Verify()
{
    OperationScope scope(m_jtag, "Verify", PlannedSteps("Verify"));
    int r = CommonStart("Verify", nullptr);
    if (r != kJtagDone) return r;

    if (!IsDeviceTypeName(m_deviceType)) return kJtagDone;
    if (IsFilterDevice()) return VerifyFilter();
    const int secondReg = m_program.SecondDesignRegister();
    if (secondReg < 0) {
        r = m_jtag.VerifyRegister(kRegUsr);
        if (r == kJtagRunStopped) return r;
        if (r == kJtagVerifyDiffers)
            ShowVerifyFailed();
        else
            m_jtag.ShowVerifyResult(r);
        return r;
    }
    const int first = m_jtag.VerifyRegister(kRegUsr);
    if (first == kJtagRunStopped) return first;
    if (first == kJtagAllOnes) {
        m_jtag.ShowVerifyResult(kJtagAllOnes);
        return kJtagAllOnes;
    }
    const int second = m_jtag.CompareRegister(secondReg);
    if (second == kJtagRunStopped) return second;
    r = (first == kJtagVerifyDiffers || second == kJtagVerifyDiffers) ? kJtagVerifyDiffers : kJtagVerifyEqual;
    if (r == kJtagVerifyDiffers)
        ShowVerifyFailed();
    else
        m_jtag.ShowVerifyResult(r);
    return r;
}

int CJtagScriptedDevice::VerifyFilter()
{
    std::string usrA;
    int r = m_jtag.ReadRegister(kRegUsr, usrA);
    if (r == kJtagRunStopped) return r;
    if (r == kJtagAllOnes) {
        m_jtag.ShowVerifyResult(kJtagAllOnes);
        return kJtagAllOnes;
    }
    if (usrA.size() > kAbBitTextIndex && usrA[kAbBitTextIndex] == '1') {
        Message(kMsgWakeupB, static_cast<int>(MessageIcon::Information));
        return kJtagWakeupB;
    }
    r = m_jtag.VerifyRegister(kRegUsr);
    if (r == kJtagRunStopped) return r;
    if (r == kJtagVerifyDiffers) {
        ShowVerifyFailed();
        return r;
    }
    if (r != kJtagVerifyEqual) {
        m_jtag.ShowVerifyResult(r);
        return r;
    }
    if ((r = m_jtag.ReadRegister(kRegUsr, usrA)) == kJtagRunStopped) return r;

    // Switch the device to configuration B to read USRB, then write A back as it was read.
    AbBitGuard ab(m_device);
    bool differs = false;
    m_device.SetSymValue(kKeyAbBit, 1);
    if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
    r = m_jtag.CompareRegister(kRegUsrB);
    if (r == kJtagRunStopped) return r;
    if (r == kJtagVerifyDiffers) {
        differs = true;
        ShowVerifyFailed();
    }
    m_program.SetRegFromBits(kRegUsr, usrA);
    m_device.SetSymValue(kKeyAbBit, 0);
    ab.Disarm();
    if (Write(kRegUsr) == kJtagRunStopped) return kJtagRunStopped;
    if (m_writeMismatch ||
        (m_verifyAfterDownload == 1 && m_jtag.VerifyRegister(kRegUsr) == kJtagVerifyDiffers)) {
        Message(kMsgWriteCfgARestore, static_cast<int>(MessageIcon::Warning));
        ShowVerifyFailed();
        return kJtagVerifyDiffers;
    }
    // A difference in configuration B has been reported already; it is not a success.
    if (differs) return kJtagVerifyDiffers;
    m_jtag.ShowVerifyResult(kJtagVerifyEqual);
    return kJtagVerifyEqual;
}

// ---------------------------------------------------------------------------------------------
// AutoCal

int CJtagScriptedDevice::AutoCal()
{
    OperationScope scope(m_jtag, "AutoCal", PlannedSteps("AutoCal"));
    const int r = CommonStart("AutoCal", nullptr);
    if (r != kJtagDone) return r;
    return m_jtag.WriteRegister(kRegCalibrate) == kJtagRunStopped ? kJtagRunStopped : kJtagDone;
}

// ---------------------------------------------------------------------------------------------
// The document's operations

int CJtagScriptedDevice::ProgrammingCheck()
{
    if (m_host && m_host->InterfaceChanged()) {
        Message(kMsgProgrammingDisabled, static_cast<int>(MessageIcon::Information));
        return kProgrammingInterfaceChanged;
    }
    CSvfInterpreter* interpreter = m_jtag.GetInterpreter();
    if (interpreter == nullptr) {
        Message(kMsgNoInterpreter, static_cast<int>(MessageIcon::Error));
        return kProgrammingNotConnected;
    }
    if (!interpreter->IsConnected()) {
        if (CurrentPrompter().Message(kMsgConnectInterpreter, kCaption, Buttons::OkCancel, MessageIcon::Question) ==
            Answer::Ok)
            interpreter->Connect();
        if (!interpreter->IsConnected()) return kProgrammingNotConnected;
    }
    return kProgrammingReady;
}

namespace {

template <typename F>
int RunDocumentOperation(CJtagScriptedDevice& d, CJtagDocumentHost* host, F operation)
{
    if (d.ProgrammingCheck() != kProgrammingReady) return kJtagNotReady;
    int r;
    {
        WaitCursor wait;
        r = operation();
    }
    if (host) host->UpdateAllViews();
    return r;
}

}  // namespace

int CJtagScriptedDevice::DocDownload()
{
    return RunDocumentOperation(*this, m_host, [this] { return Download(); });
}

int CJtagScriptedDevice::DocUpload()
{
    return RunDocumentOperation(*this, m_host, [this] { return Upload(); });
}

int CJtagScriptedDevice::DocVerify()
{
    return RunDocumentOperation(*this, m_host, [this] { return Verify(); });
}

int CJtagScriptedDevice::DocAutoCal()
{
    return RunDocumentOperation(*this, m_host, [this] { return AutoCal(); });
}

int CJtagScriptedDevice::DocReadIdcode()
{
    if (ProgrammingCheck() != kProgrammingReady) return kJtagNotReady;
    ApplyChainCounts();
    m_jtag.Trace().Clear();
    int r;
    {
        OperationScope scope(m_jtag, "IDCODE", PlannedSteps("IDCODE"));
        WaitCursor wait;
        r = m_jtag.ReadIDCODE();
    }
    if (r == kJtagDone && m_host) m_host->ShowIdcode(m_jtag.DecodedIdcode());
    if (m_host) m_host->UpdateAllViews();
    return r;
}

int CJtagScriptedDevice::DocWriteRegister(int reg)
{
    if (ProgrammingCheck() != kProgrammingReady) return kJtagRunStopped;
    ApplyChainCounts();
    WaitCursor wait;
    return m_jtag.WriteRegister(reg);
}

int CJtagScriptedDevice::DocUploadRegister(int reg)
{
    if (ProgrammingCheck() != kProgrammingReady) return kJtagRunStopped;
    ApplyChainCounts();
    int r;
    {
        WaitCursor wait;
        r = m_jtag.UploadRegister(reg);
    }
    if (r == kJtagRunStopped) return r;
    Coerce();
    if (m_host) {
        m_host->SetModified();
        m_host->UpdateAllViews();
    }
    return r;
}

int CJtagScriptedDevice::DocReadRegister(int reg, std::string& bits)
{
    bits.clear();
    if (ProgrammingCheck() != kProgrammingReady) return kJtagRunStopped;
    ApplyChainCounts();
    WaitCursor wait;
    return m_jtag.ReadRegister(reg, bits);
}

int CJtagScriptedDevice::DocVerifyRegister(int reg)
{
    if (ProgrammingCheck() != kProgrammingReady) return kJtagRunStopped;
    ApplyChainCounts();
    WaitCursor wait;
    return m_jtag.VerifyRegister(reg);
}

}  // namespace kalidor
