#include "jtag/ZelDRegProgram.h"

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"

namespace kalidor {

namespace {

constexpr CJtagRegProgram::RegInfo kRegs[] = {
    {-5, "JEDEC", 167},      {-4, "ALL", 96},           {0, "USRA", 96},
    {1, "Calibrate", 0},     {2, "USRB", 96},           {3, "CAL", 13},
    {4, "MAN", 24},          {5, "USRA No Prgm", 96},   {6, "MAN No Prgm", 24},
    {7, "TRPGA", 0},         {8, "CAPTEST", 0},         {9, "TrimEN", 0},
};

// Cells of the data registers.
constexpr int kUsrAFirst = 0, kUsrBFirst = 71, kUsrCount = 96;
constexpr int kCalFirst = 167, kCalCount = 13;
constexpr int kManFirst = 180, kManCount = 24;

// Program lines.
constexpr std::string_view kIdcodeSir = "SIR    5  TDI (0D);";
constexpr std::string_view kIdcodeSdrZelD = "SDR   32  TDI (FFFFFFFF)  TDO (00120043);";
constexpr std::string_view kIdcodeSdrZelE = "SDR   32  TDI (FFFFFFFF)  TDO (00121043);";
constexpr std::string_view kUsrAWriteTitle = "! --- USRA_WriteSVF";
constexpr std::string_view kUsrBWriteTitle = "! --- USRB_WriteSVF";
constexpr std::string_view kUsrAReadTitle = "! --- USRA_ReadSVF";
constexpr std::string_view kUsrBReadTitle = "! --- USRB_ReadSVF";
constexpr std::string_view kSir01 = "SIR    5  TDI (01);";
constexpr std::string_view kSir02 = "SIR    5  TDI (02);";  // erase USRA
constexpr std::string_view kSir03 = "SIR    5  TDI (03);";  // erase USRB
constexpr std::string_view kSir04 = "SIR    5  TDI (04);";  // verify USRA
constexpr std::string_view kSir05 = "SIR    5  TDI (05);";  // verify USRB
constexpr std::string_view kSir06 = "SIR    5  TDI (06); ";  // program USRA
constexpr std::string_view kSir07 = "SIR    5  TDI (07); ";  // program USRB
constexpr std::string_view kSdrUsr = "SDR 96 TDI (%s);";
constexpr std::string_view kSdrUsrVerify = "SDR 96 TDI (%s) TDO (%s);";
constexpr std::string_view kSdrUsrRead = "SDR  96  TDI (010203040506070809101112);";
constexpr std::string_view kSir0B = "SIR    5  TDI (0B);";
constexpr std::string_view kSdrCal = "SDR 13 TDI (%s);";
constexpr std::string_view kCalibrateSir = "SIR  5  TDI (0C)";
constexpr std::string_view kSir0A = "SIR    5  TDI (0A);";
constexpr std::string_view kSir10 = "SIR    5  TDI (10);";
constexpr std::string_view kSir08 = "SIR    5  TDI (08);";
constexpr std::string_view kSdrMan = "SDR 24 TDI (%s);";
constexpr std::string_view kSir0E = "SIR    5  TDI (0E); ";
constexpr std::string_view kSir09 = "SIR    5  TDI (09);";
constexpr std::string_view kSdrManRead = "SDR  24  TDI (010203);";
constexpr std::string_view kTrim0A = "SIR  5  TDI (0A);";
constexpr std::string_view kTrPga2 = "SIR  5  TDI (0F);";
constexpr std::string_view kCapTest2 = "SIR  5  TDI (13);";
constexpr std::string_view kTrimEn2 = "SIR  5  TDI (12);";

}  // namespace

int CZelDRegProgram::GetRegCount() const { return m_mode == 1 ? 10 : 3; }

std::span<const CJtagRegProgram::RegInfo> CZelDRegProgram::RegTable() const { return kRegs; }
std::string_view CZelDRegProgram::UndefinedRegName() const { return "undefined reg--ERROR!"; }

int CZelDRegProgram::GetFrameFlags(int reg) const
{
    return (reg == kTrPga || reg == kCapTest || reg == kTrimEn) ? 0 : -1;
}

int CZelDRegProgram::GetRegFlag(int reg) const
{
    return (reg == kJtagRegJedec || reg == kJtagRegAll || reg == kCalibrate ||
            (reg >= kUsrANoPrgm && reg <= kTrimEn))
               ? 1
               : 65535;
}

std::string_view CZelDRegProgram::IdcodeSirLine() const { return kIdcodeSir; }

std::string_view CZelDRegProgram::IdcodeSdrLine() const
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(m_deviceTypeName);
    if (kind == DeviceKind::ZelD) return kIdcodeSdrZelD;
    if (kind == DeviceKind::ZelE) return kIdcodeSdrZelE;
    return {};
}

bool CZelDRegProgram::UploadCells(int reg, RegCells& cells)
{
    switch (reg) {
    case kUsrA:
    case kUsrANoPrgm:
        cells = {kUsrAFirst, kUsrCount, false, kHexScratchWide};
        return true;
    case kUsrB:
        cells = {kUsrBFirst, kUsrCount, false, kHexScratchWide};
        return true;
    case kCal:
        cells = {kCalFirst, kCalCount, false, kHexScratchSmall};
        return true;
    case kMan:
    case kManNoPrgm:
        cells = {kManFirst, kManCount, false, kHexScratchSmall};
        return true;
    default:
        return false;
    }
}

void CZelDRegProgram::CreateWriteSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kJtagRegAll: WriteAll(); break;
    case kUsrA: UsrWrite(false, true); break;
    case kCalibrate: Calibrate(); break;
    case kUsrB: UsrWrite(true, true); break;
    case kCal: Cal(); break;
    case kMan: WriteMan(true); break;
    case kUsrANoPrgm: UsrWrite(false, false); break;
    case kManNoPrgm: WriteMan(false); break;
    case kTrPga: TrPga(); break;
    case kCapTest: CapTest(); break;
    case kTrimEn: TrimEn(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelDRegProgram::CreateReadSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsrA: UsrRead(false); break;
    case kUsrB: UsrRead(true); break;
    case kCal: Cal(); break;
    case kMan: ReadMan(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelDRegProgram::CreateEraseSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsrA:
    case kUsrANoPrgm: EraseUsrA(); break;
    case kMan:
    case kManNoPrgm: EraseMan(); break;
    case kTrPga: TrPga(); break;
    case kCapTest: CapTest(); break;
    default: CreateResetSVF(); break;  // USRB has no erase of its own
    }
}

void CZelDRegProgram::UsrWrite(bool usrB, bool program)
{
    const std::string hex =
        Image({usrB ? kUsrBFirst : kUsrAFirst, kUsrCount, false, kHexScratchWide});
    Line(usrB ? kUsrBWriteTitle : kUsrAWriteTitle);
    if (program) {
        IdcodeBlock();
        Line(usrB ? kSir03 : kSir02);
        Wait();
    }
    Line(kSir01);
    LineWithImage(kSdrUsr, hex);
    if (program) {
        Line(usrB ? kSir07 : kSir06);
        Wait();
        if (m_inlineVerify == 1) {
            Line(usrB ? kSir05 : kSir04);
            Line(kSvfStateIdle);
            Line(kSir01);
            LineWithImage(kSdrUsrVerify, hex);
            Line(kSvfStateIdle);
        }
    } else {
        Line(kSvfStateIdle);
    }
}

void CZelDRegProgram::UsrRead(bool usrB)
{
    Line(usrB ? kUsrBReadTitle : kUsrAReadTitle);
    IdcodeBlock();
    Line(usrB ? kSir05 : kSir04);
    Line(kSvfStateIdle);
    Line(kSir01);
    Line(kSdrUsrRead);
    Line(kSvfStateIdle);
}

void CZelDRegProgram::EraseUsrA()
{
    Line(kSir02);
    Wait();
}

// Both configurations: B is written with the A/B bit set, then A is written again carrying the
// design's own wakeup setting, so that the device ends in the state the design asks for and the
// model's A/B bit is as it was. (This is the sequence a download sends.)
void CZelDRegProgram::WriteAll()
{
    if (m_device == nullptr) {
        UsrWrite(false, true);
        UsrWrite(true, true);
        UsrWrite(false, true);
        return;
    }
    const int v = m_device->GetSymValue(kKeyAbBit);
    m_device->SetSymValue(kKeyAbBit, 1);
    UsrWrite(false, true);
    UsrWrite(true, true);
    m_device->SetSymValue(kKeyAbBit, v);
    UsrWrite(false, true);
}

void CZelDRegProgram::Cal()
{
    const std::string hex = Image({kCalFirst, kCalCount, false, kHexScratchSmall});
    Line(kSir0B);
    LineWithImage(kSdrCal, hex);
    Line(kSvfStateIdle);
}

void CZelDRegProgram::Calibrate()
{
    Line(kCalibrateSir);
    Line(kSvfSelfTimed);
    Wait();
}

void CZelDRegProgram::WriteMan(bool program)
{
    const std::string hex = Image({kManFirst, kManCount, false, kHexScratchSmall});
    Line(kSir0A);
    Line(kSvfStateIdle);
    if (program) {
        Line(kSir10);
        Wait();
    }
    Line(kSir0A);
    Line(kSvfStateIdle);
    Line(kSir08);
    LineWithImage(kSdrMan, hex);
    if (program) {
        Line(kSir0E);
        Wait();
    } else {
        Line(kSvfStateIdle);
    }
}

void CZelDRegProgram::ReadMan()
{
    Line(kSir0A);
    Line(kSvfStateIdle);
    Line(kSir09);
    Line(kSvfStateIdle);
    Line(kSir08);
    Line(kSdrManRead);
    Line(kSvfStateIdle);
}

void CZelDRegProgram::EraseMan()
{
    Line(kSir0A);
    Line(kSvfStateIdle);
    Line(kSir10);
    Wait();
}

void CZelDRegProgram::TrPga()
{
    Line(kSvfEndIrIdle);
    Line(kTrim0A);
    Line(kTrPga2);
}

void CZelDRegProgram::CapTest()
{
    Line(kSvfEndIrIdle);
    Line(kTrim0A);
    Line(kCapTest2);
}

void CZelDRegProgram::TrimEn()
{
    Line(kSvfEndIrIdle);
    Line(kTrim0A);
    Line(kTrimEn2);
}

}  // namespace kalidor
