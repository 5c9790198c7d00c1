#include "jtag/JtagDevice.h"

#include <fstream>
#include <ostream>

#include "device/DeviceKind.h"
#include "jtag/JTAGTapPort.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/SvfInterpreter.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr std::size_t kIdcodeTextMax = 200;
constexpr std::size_t kUploadBufferSize = 1000;
constexpr const char* kCaption = "Kalidor";

// The part number field of a device's IDCODE as text, most significant bit first.
std::string PartNumberText(std::uint16_t part)
{
    std::string text(16, '0');
    for (int i = 0; i < 16; ++i)
        if (part & (1u << i)) text[15 - i] = '1';
    return text;
}

bool IsBitText(std::string_view text)
{
    for (char c : text)
        if (c != '0' && c != '1') return false;
    return true;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, JtagResult result)
{
    return out << JtagResultCode(result);
}

CIdcodeFields DecodeIdcode(std::string_view text)
{
    CIdcodeFields f;
    f.text = std::string(text);
    f.makerName = kIdcodeUnknown;
    f.deviceType = kIdcodeUnknown;
    if (text.size() != 32 || !IsBitText(text)) return f;
    f.version = std::string(text.substr(0, 4));
    f.partNumber = std::string(text.substr(4, 16));
    f.manufacturer = std::string(text.substr(20, 11));
    if (f.manufacturer != kIdcodeOwnManufacturer) return f;
    f.makerName = kIdcodeOwnMakerName;
    for (DeviceKind kind : kDeviceKinds)
        if (f.partNumber == PartNumberText(TraitsOf(kind).idcodePart)) f.deviceType = DeviceKindName(kind);
    return f;
}

double CJtagProgressInfo::Fraction() const
{
    if (stepsPlanned <= 0) return lines > 0 ? static_cast<double>(line) / lines : 0.0;
    double f = static_cast<double>(stepsDone);
    if (lines > 0) f += static_cast<double>(line) / lines;
    f /= stepsPlanned;
    return f > 1.0 ? 1.0 : f;
}

void CJtagDevice::SetRegProgram(CJtagRegProgram* program)
{
    m_program = program;
    m_frame.SetRegProgram(program);
}

void CJtagDevice::SetChainCounts(const CJtagChainCounts& counts)
{
    m_frame.SetChainCounts(counts);
}

void CJtagDevice::BeginOperation(const std::string& name, int stepsPlanned)
{
    m_progressInfo = CJtagProgressInfo{};
    m_mismatched.clear();
    m_progressInfo.operation = name;
    m_progressInfo.stepsPlanned = stepsPlanned;
}

void CJtagDevice::EndOperation()
{
    if (m_progress && !m_progressInfo.operation.empty()) {
        m_progressInfo.stepsDone = m_progressInfo.stepsPlanned;
        m_progressInfo.line = m_progressInfo.lines;
        m_progress->OnProgress(m_progressInfo);
    }
    m_progressInfo = CJtagProgressInfo{};
}

JtagResult CJtagDevice::CheckReady()
{
    if (m_interpreter == nullptr) {
        CurrentPrompter().Message(kMsgNoInterpreter, kCaption, Buttons::Ok, MessageIcon::Error);
        return kJtagNotReady;
    }
    const CableStatus r = m_interpreter->CheckCable();
    if (r == kCableReady) return kJtagDone;
    CurrentPrompter().Message(r == kCableNoPower ? kMsgNoPower : kMsgCableNotAttached, kCaption, Buttons::Ok,
                              MessageIcon::Warning);
    return kJtagNotReady;
}

const char* StoppedRunMessage(SvfResult lineResult)
{
    if (lineResult == kSvfServerLost) return kMsgServerLost;
    if (lineResult == kSvfServerTimeout) return kMsgServerTimeout;
    return kMsgTransmitFailed;
}

void CJtagDevice::RecordLine(const std::string& line, SvfResult result)
{
    ++m_linesSent;
    if (result == kSvfTdoMismatch) ++m_mismatches;
    if (m_traceOn) m_trace.AddSvfEntry(line, SvfResultCode(result));
}

void CJtagDevice::ShowStopped(SvfResult lineResult)
{
    // A cable of ours that lost its device has said so itself; a server's cable told only the server.
    if (lineResult == kSvfCableLost && m_interpreter && m_interpreter->GetInterpreterID() == kInterpreterBuiltIn)
        return;
    CurrentPrompter().Message(StoppedRunMessage(lineResult), kCaption, Buttons::Ok, MessageIcon::Error);
}

SvfResult CJtagDevice::TransmitSVFLineToDriver(const std::string& line)
{
    if (m_interpreter == nullptr) return kSvfSyntaxError;
    std::string text;
    text.reserve(line.size() + 2);
    text.append(line);
    text.append("\r\n");
    const SvfResult r = m_interpreter->ExecuteLine(text);
    RecordLine(line, r);
    return r;
}

JtagResult CJtagDevice::TransmitSVFCommandListToDriver()
{
    const std::vector<std::string>& list = m_frame.Commands();
    JtagResult result = kJtagDone;
    m_progressInfo.lines = static_cast<int>(list.size());
    if (m_interpreter == nullptr) {
        ShowStopped(kSvfSyntaxError);
        return kJtagRunStopped;
    }
    // The interpreter runs the list in order and answers line by line; it stops after a line that
    // ends the run (a syntax error, no memory, a lost server), which is recorded last.
    SvfResult stoppedBy = kSvfOk;
    m_interpreter->ExecuteLines(list, [&](std::size_t i, SvfResult r) {
        RecordLine(list[i], r);
        if (r == kSvfTdoMismatch) result = kJtagVerifyDiffers;
        if (SvfResultStopsRun(r)) stoppedBy = r;
        if (m_progress) {
            m_progressInfo.line = static_cast<int>(i + 1);
            m_progress->OnProgress(m_progressInfo);
        }
    });
    ++m_progressInfo.stepsDone;
    m_progressInfo.line = 0;
    if (stoppedBy != kSvfOk) {
        // Nothing after this line can be trusted.
        ShowStopped(stoppedBy);
        return kJtagRunStopped;
    }
    return result;
}

JtagResult CJtagDevice::Announce(const std::string& deviceName, const std::string& operation)
{
    m_frame.BuildSingleLine("! " + deviceName + " " + operation);
    return TransmitSVFCommandListToDriver();
}

JtagResult CJtagDevice::FetchCapturedBits(std::string& bits)
{
    const SvfResult r = m_interpreter->FetchIncomingDR(bits);
    if (r == kSvfOk) return kJtagDone;
    bits.clear();
    ShowStopped(r);
    return kJtagRunStopped;
}

JtagResult CJtagDevice::WriteRegister(int reg)
{
    if (m_program == nullptr) return kJtagRunStopped;
    m_frame.BuildWrite(Resolve(reg));
    return TransmitSVFCommandListToDriver();
}

JtagResult CJtagDevice::EraseRegister(int reg)
{
    if (m_program == nullptr) return kJtagRunStopped;
    m_frame.BuildErase(Resolve(reg));
    return TransmitSVFCommandListToDriver();
}

JtagResult CJtagDevice::ReadInto(int reg, std::string& bits)
{
    bits.clear();
    if (m_program == nullptr || m_interpreter == nullptr) return kJtagRunStopped;
    reg = Resolve(reg);
    m_frame.BuildRead(reg);
    if (TransmitSVFCommandListToDriver() == kJtagRunStopped) return kJtagRunStopped;
    // The captured bits of the last data scan, cut to the register's length (the last characters
    // are the low bits).
    if (FetchCapturedBits(bits) != kJtagDone) return kJtagRunStopped;
    const int length = m_program->GetRegLength(reg);
    const std::size_t n = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (bits.size() > n) bits.erase(0, bits.size() - n);
    return bits.find('0') == std::string::npos ? kJtagAllOnes : kJtagDone;
}

JtagResult CJtagDevice::ReadRegister(int reg, std::string& bits)
{
    return ReadInto(reg, bits);
}

JtagResult CJtagDevice::ReadRegister(int reg, char* buffer, std::size_t size)
{
    std::string bits;
    const JtagResult r = ReadInto(reg, bits);
    if (buffer != nullptr) CopyToBuffer(bits, buffer, size);
    return r;
}

JtagResult CJtagDevice::UploadRegister(int reg)
{
    reg = Resolve(reg);
    std::string bits;
    const JtagResult r = ReadInto(reg, bits);
    if (r == kJtagRunStopped) return r;
    if (bits.size() >= kUploadBufferSize) bits.erase(0, bits.size() - (kUploadBufferSize - 1));
    m_program->SetRegFromBits(reg, bits);
    return r;
}

JtagResult CJtagDevice::Compare(int reg, const std::string& bits)
{
    if (m_program->CompareRegWithBits(reg, bits)) return kJtagVerifyEqual;
    m_mismatched.push_back({reg, m_program->ExpectedBits(), m_program->ReadBits()});
    return kJtagVerifyDiffers;
}

JtagResult CJtagDevice::VerifyRegister(int reg)
{
    reg = Resolve(reg);
    std::string bits;
    const JtagResult r = ReadInto(reg, bits);
    if (r == kJtagRunStopped || r == kJtagAllOnes) return r;
    return Compare(reg, bits);
}

JtagResult CJtagDevice::CompareRegister(int reg)
{
    reg = Resolve(reg);
    std::string bits;
    const JtagResult r = ReadInto(reg, bits);
    if (r == kJtagRunStopped) return r;
    return Compare(reg, bits);
}

JtagResult CJtagDevice::ReadIDCODE()
{
    if (CheckReady() != kJtagDone) return kJtagNotReady;
    m_idcodeText.clear();
    if (Announce(m_deviceName, "IDCODE") == kJtagRunStopped) return kJtagRunStopped;
    m_frame.Clear();
    m_frame.BuildIdcode();
    // The IDCODE program's own TDO comparison fails for a device of another type; the caller
    // decides from the decoded text.
    if (TransmitSVFCommandListToDriver() == kJtagRunStopped) return kJtagRunStopped;
    if (FetchCapturedBits(m_idcodeText) != kJtagDone) return kJtagRunStopped;
    if (m_idcodeText.size() > kIdcodeTextMax) m_idcodeText.resize(kIdcodeTextMax);
    return kJtagDone;
}

void CJtagDevice::ShowVerifyResult(JtagResult code)
{
    if (code == kJtagVerifyDiffers)
        CurrentPrompter().Message(kMsgVerifyFailed, kCaption, Buttons::Ok, MessageIcon::Warning);
    else if (code == kJtagAllOnes)
        CurrentPrompter().Message(kMsgReadAllOnes, kCaption, Buttons::Ok, MessageIcon::Warning);
    else
        CurrentPrompter().Message(kMsgVerifySucceeded, kCaption, Buttons::Ok, MessageIcon::Information);
}

bool CJtagDevice::WriteSvfProgram(std::ostream& out)
{
    if (m_program == nullptr) return false;
    return m_frame.WriteSvfProgram(out);
}

bool CJtagDevice::WriteSvfProgram(const std::string& path)
{
    if (m_program == nullptr) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    if (!WriteSvfProgram(out)) return false;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace kalidor
