#include "jtag/VirtualJtagDevice.h"

#include <algorithm>
#include <cerrno>
#include <sstream>
#include <sys/stat.h>

#include "jtag/JtagClock.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"

namespace kalidor {

// ---------------------------------------------------------------------------------------------
// TAP controller

CVirtualTapDevice::CVirtualTapDevice(int irLength, int maxDrLength)
    : m_irLength(std::max(1, irLength)),
      m_ir(static_cast<std::size_t>(std::max(1, irLength)), 0),
      m_dr(static_cast<std::size_t>(std::max(32, maxDrLength)), 0)
{
}

void CVirtualTapDevice::Rise(int tms, int tdi)
{
    const int s = m_state;
    switch (s) {
    case TAP_SHIFT_DR:
        m_dr[static_cast<std::size_t>(m_drPos)] = static_cast<unsigned char>(tdi ? 1 : 0);
        if (++m_drPos == m_drLength) m_drPos = 0;
        break;
    case TAP_SHIFT_IR:
        m_ir[static_cast<std::size_t>(m_irPos)] = static_cast<unsigned char>(tdi ? 1 : 0);
        if (++m_irPos == m_irLength) m_irPos = 0;
        break;
    case TAP_CAPTURE_DR:
        CaptureDr();
        break;
    case TAP_CAPTURE_IR:
        CaptureIr();
        break;
    case TAP_IDLE:
        IdleClock();
        break;
    default:
        break;
    }
    const int next = TapNextState(s, tms);
    if (s == TAP_IDLE && next != TAP_IDLE) LeaveIdle();
    m_state = next;
    if (next == TAP_IDLE && s != TAP_IDLE) EnterIdle();
    if (next == TAP_RESET && s != TAP_RESET) EnterReset();
}

void CVirtualTapDevice::Fall()
{
    switch (m_state) {
    case TAP_UPDATE_IR: {
        std::uint32_t v = 0;
        const int n = std::min(m_irLength, 32);
        for (int i = 0; i < n; ++i)
            if (m_ir[static_cast<std::size_t>((m_irPos + i) % m_irLength)]) v |= 1u << i;
        m_instruction = v;
        UpdateIr();
        break;
    }
    case TAP_UPDATE_DR:
        UpdateDr();
        break;
    default:
        break;
    }
    if (m_state == TAP_SHIFT_DR)
        m_tdo = m_dr[static_cast<std::size_t>(m_drPos)];
    else if (m_state == TAP_SHIFT_IR)
        m_tdo = m_ir[static_cast<std::size_t>(m_irPos)];
    else
        m_tdo = 1;
}

void CVirtualTapDevice::PowerOnReset()
{
    m_state = TAP_RESET;
    m_tdo = 1;
    EnterReset();
    OnPowerUp();
}

void CVirtualTapDevice::LoadDr(const unsigned char* bits, int length)
{
    length = std::clamp(length, 1, static_cast<int>(m_dr.size()));
    if (bits)
        std::copy(bits, bits + length, m_dr.begin());
    else
        std::fill(m_dr.begin(), m_dr.begin() + length, 0);
    m_drLength = length;
    m_drPos = 0;
}

void CVirtualTapDevice::LoadDrValue(std::uint32_t value, int length)
{
    length = std::clamp(length, 1, 32);
    for (int i = 0; i < length; ++i) m_dr[static_cast<std::size_t>(i)] = (value >> i) & 1u;
    m_drLength = length;
    m_drPos = 0;
}

int CVirtualTapDevice::DrBit(int i) const
{
    return m_dr[static_cast<std::size_t>((m_drPos + i) % m_drLength)];
}

void CVirtualTapDevice::CopyDr(unsigned char* out) const
{
    for (int i = 0; i < m_drLength; ++i) out[i] = static_cast<unsigned char>(DrBit(i));
}

void CVirtualTapDevice::CaptureIr()
{
    std::fill(m_ir.begin(), m_ir.end(), 0);
    m_ir[0] = 1;
    m_irPos = 0;
}

// ---------------------------------------------------------------------------------------------
// Foreign device

CVirtualForeignDevice::CVirtualForeignDevice(int irLength, std::uint32_t idcode)
    : CVirtualTapDevice(irLength, idcode ? 32 : 1), m_idcode(idcode)
{
    PowerOnReset();
}

void CVirtualForeignDevice::CaptureDr()
{
    if (m_idcodeSelected)
        LoadDrValue(m_idcode, 32);
    else
        LoadDr(nullptr, 1);
}

std::string CVirtualForeignDevice::TypeName() const
{
    return "Foreign(" + std::to_string(IrLength()) + ")";
}

void CVirtualForeignDevice::EnterReset()
{
    m_idcodeSelected = m_idcode != 0;
    SetInstruction(IrLength() >= 32 ? 0xFFFFFFFFu : ((1u << IrLength()) - 1u));
}

// ---------------------------------------------------------------------------------------------
// Zel devices

struct CVirtualZelDevice::Register {
    const char* name;
    int length;
    bool hasE2;
    std::vector<unsigned char> buffer;  // shift buffer: Capture-DR source, Update-DR target
    std::vector<unsigned char> latch;
    std::vector<unsigned char> e2;
};

namespace {

enum Kind {
    kIdcode,
    kShift,         // selects register `reg` (window offset/length; length 0 = whole) as DR
    kRead,          // buffer of `reg` := E2 cells of register `e2`
    kLatch,         // latch of `reg` := its buffer
    kManEnable,     // manufacturer mode on until Test-Logic-Reset
    kNoOp,          // decoded, no effect on the model (trim, power, test modes)
    kErase,         // timed: E2 cells of every register in `mask` := 0
    kProgram,       // timed: E2 cells of every register in `mask` |= buffer of `reg`
    kProgramLatch,  // timed: E2 cells of every register in `mask` |= its own latch
    kCalibrate,     // timed: calibration register := the calibration result
    kSecure,        // timed: security flag set
};

enum Mode { kNormal, kMan, kHighVoltage };

}  // namespace

struct CVirtualZelDevice::Instr {
    std::uint32_t op;
    int kind;
    int reg;
    int e2;
    unsigned mask;
    int offset;
    int length;
    int mode;
    const char* name;
};

namespace {

using R = CVirtualZelDevice::Register;
using I = CVirtualZelDevice::Instr;

constexpr std::uint32_t kIdcodeOp = 0x0D;

// ZelA, IR 5. Registers: 0 USR (109), 1 MAN (18), 2 CAL (52).
const I kZelA[] = {
    {0x0D, kIdcode, 0, 0, 0, 0, 0, kNormal, "IDCODE"},
    {0x01, kShift, 0, 0, 0, 0, 0, kNormal, "ADDUSR"},
    {0x02, kErase, 0, 0, 1u << 0, 0, 0, kNormal, "UBE"},
    {0x03, kRead, 0, 0, 0, 0, 0, kNormal, "VERUSR"},
    {0x04, kProgram, 0, 0, 1u << 0, 0, 0, kNormal, "PRGUSR"},
    {0x0F, kShift, 2, 0, 0, 0, 0, kNormal, "CAL"},
    {0x10, kCalibrate, 2, 0, 0, 0, 0, kNormal, "Calibrate"},
    {0x06, kManEnable, 0, 0, 0, 0, 0, kNormal, "MANEN"},
    {0x05, kRead, 1, 1, 0, 0, 0, kMan, "VERMAN"},
    {0x08, kShift, 1, 0, 0, 0, 0, kMan, "ADDMAN"},
    {0x09, kProgram, 1, 0, 1u << 1, 0, 0, kMan, "PRGMAN"},
    {0x0A, kErase, 0, 0, 1u << 1, 0, 0, kMan, "ERASEMAN"},
    {0x0B, kNoOp, 0, 0, 0, 0, 0, kMan, "TRTop"},
    {0x0C, kNoOp, 0, 0, 0, 0, 0, kMan, "TRBot"},
    {0x0E, kNoOp, 0, 0, 0, 0, 0, kMan, "TrimEN"},
};

// ZelB, IR 5. Registers: 0 USR (81), 1 DAC (8), 2 MAN (50), 3 CAL (26).
const I kZelB[] = {
    {0x0D, kIdcode, 0, 0, 0, 0, 0, kNormal, "IDCODE"},
    {0x01, kShift, 0, 0, 0, 0, 0, kNormal, "ADDUSR"},
    {0x02, kErase, 0, 0, 1u << 0, 0, 0, kNormal, "UBE"},
    {0x03, kRead, 0, 0, 0, 0, 0, kNormal, "VERUSR"},
    {0x04, kProgram, 0, 0, 1u << 0, 0, 0, kNormal, "PRGUSR"},
    {0x14, kShift, 1, 0, 0, 0, 0, kNormal, "ADDDAC"},
    {0x11, kErase, 0, 0, 1u << 1, 0, 0, kNormal, "ERASEDAC"},
    {0x12, kRead, 1, 1, 0, 0, 0, kNormal, "VERDAC"},
    {0x13, kProgram, 1, 0, 1u << 1, 0, 0, kNormal, "PRGDAC"},
    {0x0F, kShift, 3, 0, 0, 0, 0, kNormal, "CAL"},
    {0x10, kCalibrate, 3, 0, 0, 0, 0, kNormal, "Calibrate"},
    {0x06, kManEnable, 0, 0, 0, 0, 0, kNormal, "MANEN"},
    {0x05, kRead, 2, 2, 0, 0, 0, kMan, "VERMAN"},
    {0x08, kShift, 2, 0, 0, 0, 0, kMan, "ADDMAN"},
    {0x09, kProgram, 2, 0, 1u << 2, 0, 0, kMan, "PRGMAN"},
    {0x0A, kErase, 0, 0, 1u << 2, 0, 0, kMan, "ERASEMAN"},
    {0x0B, kNoOp, 0, 0, 0, 0, 0, kMan, "TRTop"},
    {0x0C, kNoOp, 0, 0, 0, 0, 0, kMan, "TRBot"},
    {0x0E, kNoOp, 0, 0, 0, 0, 0, kMan, "TrimEN"},
};

// ZelC, IR 6. Registers: 0 CFG (112), 1 UES (16), 2 MAN (16), 3 CAL (26). CFG-GAIN is the
// window of the last 40 CFG bits. The high-voltage entries are decoded before the normal ones
// while TGATE is high.
const I kZelC[] = {
    {0x0D, kIdcode, 0, 0, 0, 0, 0, kNormal, "IDCODE"},
    {0x01, kShift, 0, 0, 0, 0, 0, kNormal, "ADDCFG"},
    {0x02, kShift, 0, 0, 0, 72, 40, kNormal, "ADDCFGGAIN"},
    {0x03, kShift, 1, 0, 0, 0, 0, kNormal, "ADDUES"},
    {0x05, kLatch, 0, 0, 0, 0, 0, kNormal, "LATCHCFG"},
    {0x06, kRead, 0, 0, 0, 0, 0, kNormal, "READCFG"},
    {0x0A, kRead, 1, 1, 0, 0, 0, kNormal, "READUES"},
    {0x0B, kProgram, 1, 0, 1u << 1, 0, 0, kNormal, "PROGUES"},
    {0x0C, kProgramLatch, 0, 0, 1u << 0, 0, 0, kNormal, "PROGCFG"},
    {0x11, kSecure, 0, 0, 0, 0, 0, kNormal, "SecureDevice"},
    {0x12, kNoOp, 0, 0, 0, 0, 0, kNormal, "POWERDN"},
    {0x13, kNoOp, 0, 0, 0, 0, 0, kNormal, "POWERUP"},
    {0x1B, kErase, 0, 0, 1u << 1, 0, 0, kNormal, "ERASEUES"},
    {0x1C, kCalibrate, 3, 0, 0, 0, 0, kNormal, "Calibrate"},
    {0x1D, kErase, 0, 0, 1u << 0, 0, 0, kNormal, "CFGBE"},
    {0x10, kShift, 3, 0, 0, 0, 0, kHighVoltage, "ADDCAL"},
    {0x11, kLatch, 1, 0, 0, 0, 0, kHighVoltage, "LATCHUES"},
    {0x15, kNoOp, 0, 0, 0, 0, 0, kHighVoltage, "TRIMEN"},
    {0x17, kLatch, 2, 0, 0, 0, 0, kHighVoltage, "LATCHMAN"},
    {0x18, kShift, 2, 0, 0, 0, 0, kHighVoltage, "ADDMAN"},
    {0x19, kProgramLatch, 0, 0, 1u << 2, 0, 0, kHighVoltage, "PROGMAN"},
    {0x1A, kErase, 0, 0, 1u << 2, 0, 0, kHighVoltage, "ERASEMAN"},
    {0x1B, kRead, 2, 2, 0, 0, 0, kHighVoltage, "READMAN"},
    {0x1C, kProgramLatch, 0, 0, 0x7u, 0, 0, kHighVoltage, "ALLBP"},
    {0x1D, kErase, 0, 0, 0x7u, 0, 0, kHighVoltage, "ALLBE"},
};

// ZelD and ZelE, IR 5. Registers: 0 USRA (96; its buffer is the one USR shift register),
// 1 USRB (96, E2 only), 2 MAN (24), 3 CAL (13).
const I kZelD[] = {
    {0x0D, kIdcode, 0, 0, 0, 0, 0, kNormal, "IDCODE"},
    {0x01, kShift, 0, 0, 0, 0, 0, kNormal, "ADDUSR"},
    {0x02, kErase, 0, 0, 1u << 0, 0, 0, kNormal, "ERASEA"},
    {0x03, kErase, 0, 0, 1u << 1, 0, 0, kNormal, "ERASEB"},
    {0x04, kRead, 0, 0, 0, 0, 0, kNormal, "VERA"},
    {0x05, kRead, 0, 1, 0, 0, 0, kNormal, "VERB"},
    {0x06, kProgram, 0, 0, 1u << 0, 0, 0, kNormal, "PRGA"},
    {0x07, kProgram, 0, 0, 1u << 1, 0, 0, kNormal, "PRGB"},
    {0x0B, kShift, 3, 0, 0, 0, 0, kNormal, "CAL"},
    {0x0C, kCalibrate, 3, 0, 0, 0, 0, kNormal, "Calibrate"},
    {0x0A, kManEnable, 0, 0, 0, 0, 0, kNormal, "MANEN"},
    {0x10, kErase, 0, 0, 1u << 2, 0, 0, kMan, "ERASEMAN"},
    {0x08, kShift, 2, 0, 0, 0, 0, kMan, "ADDMAN"},
    {0x0E, kProgram, 2, 0, 1u << 2, 0, 0, kMan, "PRGMAN"},
    {0x09, kRead, 2, 2, 0, 0, 0, kMan, "VERMAN"},
    {0x0F, kNoOp, 0, 0, 0, 0, 0, kMan, "TRPGA"},
    {0x13, kNoOp, 0, 0, 0, 0, 0, kMan, "CAPTEST"},
    {0x12, kNoOp, 0, 0, 0, 0, 0, kMan, "TrimEN"},
};

// The simulated silicon of a family.
struct FamilyInfo {
    const I* table;
    int count;
    struct {
        const char* name;
        int length;
        bool hasE2;
    } regs[4];
    int regCount;
    int securityBit;  // bit of register 0 holding the security fuse, -1 for none
};

constexpr FamilyInfo kZelAInfo = {kZelA, static_cast<int>(std::size(kZelA)),
     {{"USR", 109, true}, {"MAN", 18, true}, {"CAL", 52, false}, {nullptr, 0, false}}, 3, 104};
constexpr FamilyInfo kZelBInfo = {kZelB, static_cast<int>(std::size(kZelB)),
     {{"USR", 81, true}, {"DAC", 8, true}, {"MAN", 50, true}, {"CAL", 26, false}}, 4, 17};
constexpr FamilyInfo kZelCInfo = {kZelC, static_cast<int>(std::size(kZelC)),
     {{"CFG", 112, true}, {"UES", 16, true}, {"MAN", 16, true}, {"CAL", 26, false}}, 4, -1};
constexpr FamilyInfo kZelDInfo = {kZelD, static_cast<int>(std::size(kZelD)),
     {{"USRA", 96, true}, {"USRB", 96, true}, {"MAN", 24, true}, {"CAL", 13, false}}, 4, 92};

const FamilyInfo& Info(DeviceKind kind)
{
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        return kZelAInfo;
    case DeviceFamily::ZelB:
        return kZelBInfo;
    case DeviceFamily::ZelC:
        return kZelCInfo;
    case DeviceFamily::ZelD:
        break;
    }
    return kZelDInfo;
}

// The IDCODE's low twelve bits: the manufacturer code 00000100001 and the marker bit 1.
constexpr std::uint32_t kIdcodeManufacturerAndMarker = 0x043;

int MaxRegLength(const FamilyInfo& info)
{
    int m = 32;
    for (int i = 0; i < info.regCount; ++i) m = std::max(m, info.regs[i].length);
    return m;
}

// The value a calibration cycle leaves in the calibration register: a fixed pattern.
unsigned char CalibrationBit(int i)
{
    return static_cast<unsigned char>(((static_cast<std::uint32_t>(i) * 2654435761u) >> 13) & 1u);
}

constexpr const char* kStateHeader = "KalidorVirtualJtagDevice 1";
constexpr std::size_t kMaxStateFileBytes = 64 * 1024;

}  // namespace

CVirtualZelDevice::CVirtualZelDevice(DeviceKind kind, CJtagClock& clock)
    : CVirtualTapDevice(TraitsOf(kind).irLength, MaxRegLength(Info(kind))), m_kind(kind), m_clock(clock)
{
    const FamilyInfo& info = Info(kind);
    m_instrTable = info.table;
    m_instrCount = info.count;
    for (int i = 0; i < info.regCount; ++i) {
        const auto n = static_cast<std::size_t>(info.regs[i].length);
        Register r{info.regs[i].name, info.regs[i].length, info.regs[i].hasE2,
                   std::vector<unsigned char>(n, 0), std::vector<unsigned char>(n, 0),
                   std::vector<unsigned char>(info.regs[i].hasE2 ? n : 0, 0)};
        m_regs.push_back(std::move(r));
    }
    PowerOnReset();
}

CVirtualZelDevice::~CVirtualZelDevice() = default;

std::unique_ptr<CVirtualZelDevice> CVirtualZelDevice::Create(std::string_view typeName, CJtagClock& clock)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(typeName);
    if (!kind) return nullptr;
    return std::make_unique<CVirtualZelDevice>(*kind, clock);
}

std::string CVirtualZelDevice::TypeName() const
{
    return DeviceKindName(m_kind);
}

std::uint32_t CVirtualZelDevice::Idcode() const
{
    return (static_cast<std::uint32_t>(TraitsOf(m_kind).idcodePart) << 12) | kIdcodeManufacturerAndMarker;
}

const CVirtualZelDevice::Instr* CVirtualZelDevice::Decode(std::uint32_t op) const
{
    const Instr* found = nullptr;
    for (int i = 0; i < m_instrCount && !found; ++i) {
        const Instr& in = m_instrTable[i];
        if (in.op == op && in.mode == kHighVoltage && m_highVoltage) found = &in;
    }
    for (int i = 0; i < m_instrCount && !found; ++i) {
        const Instr& in = m_instrTable[i];
        if (in.op == op && in.mode != kHighVoltage) found = &in;
    }
    if (found && found->mode == kMan && !m_manMode) return nullptr;
    return found;
}

int CVirtualZelDevice::FindRegister(std::string_view name) const
{
    for (std::size_t i = 0; i < m_regs.size(); ++i)
        if (name == m_regs[i].name) return static_cast<int>(i);
    return -1;
}

void CVirtualZelDevice::CaptureDr()
{
    if (!m_current) {
        LoadDr(nullptr, 1);
        return;
    }
    switch (m_current->kind) {
    case kIdcode:
        LoadDrValue(Idcode(), 32);
        break;
    case kShift: {
        const Register& r = m_regs[static_cast<std::size_t>(m_current->reg)];
        const int len = m_current->length ? m_current->length : r.length;
        LoadDr(r.buffer.data() + m_current->offset, len);
        break;
    }
    default:
        LoadDr(nullptr, 1);  // BYPASS
        break;
    }
}

void CVirtualZelDevice::UpdateDr()
{
    if (!m_current || m_current->kind != kShift) return;
    Register& r = m_regs[static_cast<std::size_t>(m_current->reg)];
    const int len = m_current->length ? m_current->length : r.length;
    if (DrLength() != len) return;
    CopyDr(r.buffer.data() + m_current->offset);
}

void CVirtualZelDevice::UpdateIr()
{
    m_current = Decode(Instruction());
}

void CVirtualZelDevice::EnterIdle()
{
    if (!m_current) return;
    const Instr& in = *m_current;
    switch (in.kind) {
    case kRead: {
        Register& dst = m_regs[static_cast<std::size_t>(in.reg)];
        const Register& src = m_regs[static_cast<std::size_t>(in.e2)];
        if (m_secured)
            std::fill(dst.buffer.begin(), dst.buffer.end(), 1);
        else
            std::copy(src.e2.begin(), src.e2.end(), dst.buffer.begin());
        break;
    }
    case kLatch: {
        Register& r = m_regs[static_cast<std::size_t>(in.reg)];
        r.latch = r.buffer;
        break;
    }
    case kManEnable:
        m_manMode = true;
        break;
    case kErase:
    case kProgram:
    case kProgramLatch:
    case kCalibrate:
    case kSecure:
        m_pending = m_current;
        m_pendingSince = m_clock.NowMicroseconds();
        break;
    default:
        break;
    }
}

bool CVirtualZelDevice::CheckPending()
{
    if (!m_pending) return false;
    if (m_clock.NowMicroseconds() - m_pendingSince < kE2OperationMicroseconds) return false;
    const Instr* in = m_pending;
    m_pending = nullptr;
    Complete(*in);
    return true;
}

void CVirtualZelDevice::IdleClock()
{
    CheckPending();
}

void CVirtualZelDevice::LeaveIdle()
{
    CheckPending();
    if (m_pending) {
        m_pending = nullptr;
        ++m_aborted;
    }
}

void CVirtualZelDevice::Settle()
{
    if (State() == TAP_IDLE) CheckPending();
}

void CVirtualZelDevice::EnterReset()
{
    if (m_pending) {
        m_pending = nullptr;
        ++m_aborted;
    }
    m_manMode = false;
    SetInstruction(kIdcodeOp);
    m_current = Decode(kIdcodeOp);
}

void CVirtualZelDevice::OnPowerUp()
{
    const int bit = Info(m_kind).securityBit;
    if (bit < 0 || m_regs.empty() || static_cast<std::size_t>(bit) >= m_regs[0].e2.size()) return;
    if (m_regs[0].e2[static_cast<std::size_t>(bit)]) m_secured = true;
}

void CVirtualZelDevice::Complete(const Instr& in)
{
    std::vector<Register> before;
    const bool securedBefore = m_secured, forRunBefore = m_securedForRun;
    if (!m_stateFile.empty()) before = m_regs;
    switch (in.kind) {
    case kErase:
        for (std::size_t i = 0; i < m_regs.size(); ++i)
            if (in.mask & (1u << i)) std::fill(m_regs[i].e2.begin(), m_regs[i].e2.end(), 0);
        if (in.mask & 1u) m_secured = false;
        break;
    case kProgram: {
        const Register& src = m_regs[static_cast<std::size_t>(in.reg)];
        for (std::size_t i = 0; i < m_regs.size(); ++i) {
            if (!(in.mask & (1u << i))) continue;
            auto& e2 = m_regs[i].e2;
            for (std::size_t b = 0; b < e2.size() && b < src.buffer.size(); ++b) e2[b] |= src.buffer[b];
        }
        break;
    }
    case kProgramLatch:
        for (std::size_t i = 0; i < m_regs.size(); ++i) {
            if (!(in.mask & (1u << i))) continue;
            auto& e2 = m_regs[i].e2;
            for (std::size_t b = 0; b < e2.size(); ++b) e2[b] |= m_regs[i].latch[b];
        }
        break;
    case kCalibrate: {
        auto& cal = m_regs[static_cast<std::size_t>(in.reg)].buffer;
        for (std::size_t b = 0; b < cal.size(); ++b) cal[b] = CalibrationBit(static_cast<int>(b));
        break;
    }
    case kSecure:
        m_secured = true;
        m_securedForRun = false;
        break;
    default:
        break;
    }
    if (!m_secured) m_securedForRun = false;
    ++m_completed;
    m_lastCompleted = in.name;
    if (!m_stateFile.empty() && !SaveState()) {
        // What cannot be kept did not happen: the device holds what its file holds.
        m_regs = std::move(before);
        m_secured = securedBefore;
        m_securedForRun = forRunBefore;
    }
}

bool CVirtualZelDevice::GetE2(std::string_view reg, CJtagBits& out)
{
    Settle();
    const int i = FindRegister(reg);
    if (i < 0 || !m_regs[static_cast<std::size_t>(i)].hasE2) return false;
    const Register& r = m_regs[static_cast<std::size_t>(i)];
    out.Allocate(r.length);
    for (int b = 0; b < r.length; ++b) out.SetBit(b, r.e2[static_cast<std::size_t>(b)]);
    return true;
}

bool CVirtualZelDevice::SetE2(std::string_view reg, const CJtagBits& bits)
{
    const int i = FindRegister(reg);
    if (i < 0 || !m_regs[static_cast<std::size_t>(i)].hasE2) return false;
    Register& r = m_regs[static_cast<std::size_t>(i)];
    if (bits.Count() != r.length) return false;
    for (int b = 0; b < r.length; ++b) r.e2[static_cast<std::size_t>(b)] = static_cast<unsigned char>(bits.GetBit(b));
    if (!m_stateFile.empty()) SaveState();
    return true;
}

bool CVirtualZelDevice::GetBuffer(std::string_view reg, CJtagBits& out) const
{
    const int i = FindRegister(reg);
    if (i < 0) return false;
    const Register& r = m_regs[static_cast<std::size_t>(i)];
    out.Allocate(r.length);
    for (int b = 0; b < r.length; ++b) out.SetBit(b, r.buffer[static_cast<std::size_t>(b)]);
    return true;
}

void CVirtualZelDevice::SetSecured(bool on, bool keep)
{
    m_secured = on;
    m_securedForRun = on && !keep;
    if (keep && !m_stateFile.empty()) SaveState();
}

namespace {

std::string BitsText(const std::vector<unsigned char>& bits)
{
    // Most significant bit first, as the bit text of the JTAG code.
    std::string s(bits.size(), '0');
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i]) s[bits.size() - 1 - i] = '1';
    return s;
}

bool ParseBits(const std::string& text, std::vector<unsigned char>& out)
{
    if (text.size() != out.size()) return false;
    std::vector<unsigned char> v(out.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[text.size() - 1 - i];
        if (c != '0' && c != '1') return false;
        v[i] = c == '1' ? 1 : 0;
    }
    out = std::move(v);
    return true;
}

}  // namespace

bool CVirtualZelDevice::SaveState() const
{
    if (m_stateFile.empty()) return false;
    std::string s = std::string(kStateHeader) + "\n";
    s += "Type " + TypeName() + "\n";
    s += std::string("Secured ") + (m_secured && !m_securedForRun ? "1" : "0") + "\n";
    for (const Register& r : m_regs) {
        if (r.hasE2)
            s += std::string("E2 ") + r.name + " " + BitsText(r.e2) + "\n";
        else
            s += std::string("Data ") + r.name + " " + BitsText(r.buffer) + "\n";
    }
    std::string error;
    const bool ok = WriteFileAtomically(m_stateFile, s, &error);
    const bool wasFailing = !m_stateProblem.empty();
    m_stateProblem = ok ? std::string() : error;
    if (!ok && !wasFailing) ReportStateProblem();  // once, not for every operation of a run
    return ok;
}

void CVirtualZelDevice::ReportStateProblem() const
{
    CurrentPrompter().Message(FormatMessage(FormatMessage(kMsgVirtualStateNotKept, TypeName()), m_stateProblem),
                              "Kalidor", Buttons::Ok, MessageIcon::Error);
}

bool CVirtualZelDevice::ReadStateText(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kStateHeader) return false;
    // Parse into copies; apply only a file that is whole and of this type.
    std::vector<Register> regs = m_regs;
    bool secured = false;
    bool typeSeen = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::istringstream ls(line);
        std::string key, a, b;
        ls >> key >> a;
        if (key == "Type") {
            if (a != TypeName()) return false;
            typeSeen = true;
        } else if (key == "Secured") {
            if (a != "0" && a != "1") return false;
            secured = a == "1";
        } else if (key == "E2" || key == "Data") {
            ls >> b;
            auto it = std::find_if(regs.begin(), regs.end(), [&](const Register& r) { return a == r.name; });
            if (it == regs.end() || it->hasE2 != (key == "E2")) return false;
            if (!ParseBits(b, key == "E2" ? it->e2 : it->buffer)) return false;
        } else {
            return false;
        }
    }
    if (!typeSeen) return false;
    m_regs = std::move(regs);
    m_secured = secured;
    OnPowerUp();
    return true;
}

bool CVirtualZelDevice::AttachStateFile(const std::string& path)
{
    m_stateFile = path;
    m_stateProblem.clear();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && errno == ENOENT) return true;  // no file yet: start erased
    std::string text, error;
    if (!ReadWholeFile(path, text, kMaxStateFileBytes, &error))
        m_stateProblem = error == "file too large" ? "larger than 64 KB" : error;
    else if (!ReadStateText(text))
        m_stateProblem = "damaged, or of another device type";
    return m_stateProblem.empty();
}

}  // namespace kalidor
