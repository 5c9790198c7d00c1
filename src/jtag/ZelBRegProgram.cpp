#include "jtag/ZelBRegProgram.h"

namespace kalidor {

namespace {

constexpr CJtagRegProgram::RegInfo kRegs[] = {
    {-5, "JEDEC", 89},        {-4, "ALL", 89},          {0, "USR", 81},
    {1, "Calibrate", 0},      {2, "DAC", 8},            {3, "CAL", 26},
    {4, "MAN", 50},           {5, "USR No Prgm", 81},   {6, "MAN No Prgm", 50},
    {7, "TRTop", 0},          {8, "TRBot", 0},          {9, "TrimEN", 0},
};

// Cells of the data registers.
constexpr int kUsrFirst = 0, kUsrCount = 81;
constexpr int kDacFirst = 81, kDacCount = 8;
constexpr int kCalFirst = 89, kCalCount = 26;
constexpr int kManFirst = 115, kManCount = 50;

// Program lines.
constexpr std::string_view kIdcodeSir = "SIR    5  TDI (0D);";
constexpr std::string_view kIdcodeSdr = "SDR   32  TDI (FFFFFFFF)  TDO (00111043);";
constexpr std::string_view kBlank = "!   ";
constexpr std::string_view kWriteUsrTitle = "! --- Write USR";
constexpr std::string_view kReadUsrTitle = "! --- Read USR";
constexpr std::string_view kUbe = "! UBE (user bulk erase)";
constexpr std::string_view kSir02 = "SIR    5  TDI (02);";
constexpr std::string_view kAddUsr = "! ADDUSR (address USR)";
constexpr std::string_view kSir01 = "SIR    5  TDI (01);";
constexpr std::string_view kSdrUsr = "SDR 81 TDI (%s);";
constexpr std::string_view kPrgUsr = "! PRGUSR  (program USR)";
constexpr std::string_view kSir04 = "SIR    5  TDI (04); ";
constexpr std::string_view kInlineVerify = "! in-line verify";
constexpr std::string_view kVerUsr = "! VERUSR  (verify USR)";
constexpr std::string_view kSir03 = "SIR    5  TDI (03);";
constexpr std::string_view kSdrUsrVerify = "SDR 81 TDI (%s) TDO (%s);";
constexpr std::string_view kSdrUsrRead = "SDR  81  TDI (0102030405060708091011);";
constexpr std::string_view kReadDacTitle = "! --- Read DAC";
constexpr std::string_view kSir12 = "SIR    5  TDI (12);";
constexpr std::string_view kSir14 = "SIR    5  TDI (14);";
constexpr std::string_view kSdrDacRead = "SDR  8  TDI (55);";
constexpr std::string_view kEraseDacTitle = "! --- Erase DAC";
constexpr std::string_view kSir11 = "SIR    5  TDI (11);";
constexpr std::string_view kEraseDacEnd = "! --- end erase DAC";
constexpr std::string_view kWriteDacTitle = "! --- Write DAC";
constexpr std::string_view kAddDac = "! ADDDAC (address DAC)";
constexpr std::string_view kSdrDac = "SDR 8 TDI (%s);";
constexpr std::string_view kPrgDac = "! PRGDAC (program DAC)";
constexpr std::string_view kSir13 = "SIR    5  TDI (13); ";
constexpr std::string_view kVerDac = "! VERDAC  (verify DAC)";
constexpr std::string_view kSdrDacVerify = "SDR 8 TDI (%s) TDO (%s);";
constexpr std::string_view kWriteCalTitle = "! --- Write CAL";
constexpr std::string_view kSir0F = "SIR    5  TDI (0F);";
constexpr std::string_view kSdrCal = "SDR 26 TDI (%s);";
constexpr std::string_view kCalibrateSir = "SIR  5  TDI (10)";
constexpr std::string_view kSir06 = "SIR    5  TDI (06);";
constexpr std::string_view kSir0A = "SIR    5  TDI (0A);";
constexpr std::string_view kSir08 = "SIR    5  TDI (08);";
constexpr std::string_view kSdrMan = "SDR 50 TDI (%s);";
constexpr std::string_view kSir09 = "SIR    5  TDI (09); ";
constexpr std::string_view kSir05 = "SIR    5  TDI (05);";
constexpr std::string_view kSdrManRead = "SDR  50  TDI (010203040506070);";
constexpr std::string_view kTrim06 = "SIR  5  TDI (06)";
constexpr std::string_view kTrTop2 = "SIR  5  TDI (0B)";
constexpr std::string_view kTrBot2 = "SIR  5  TDI (0C)";
constexpr std::string_view kTrimEn2 = "SIR  5  TDI (0E)";

}  // namespace

int CZelBRegProgram::GetRegCount() const { return m_mode == 1 ? 10 : 3; }

std::span<const CJtagRegProgram::RegInfo> CZelBRegProgram::RegTable() const { return kRegs; }
std::string_view CZelBRegProgram::UndefinedRegName() const { return "undefined--ERROR!"; }

int CZelBRegProgram::GetFrameFlags(int reg) const
{
    return (reg == kTrTop || reg == kTrBot || reg == kTrimEn) ? 0 : -1;
}

int CZelBRegProgram::GetRegFlag(int reg) const
{
    return (reg == kJtagRegJedec || reg == kJtagRegAll || reg == kCalibrate ||
            (reg >= kUsrNoPrgm && reg <= kTrimEn))
               ? 1
               : 65535;
}

std::string_view CZelBRegProgram::IdcodeSirLine() const { return kIdcodeSir; }
std::string_view CZelBRegProgram::IdcodeSdrLine() const { return kIdcodeSdr; }

bool CZelBRegProgram::UploadCells(int reg, RegCells& cells)
{
    switch (reg) {
    case kUsr:
    case kUsrNoPrgm:
        cells = {kUsrFirst, kUsrCount, false, kHexScratchUsr};
        return true;
    case kDac:
        cells = {kDacFirst, kDacCount, false, kHexScratchSmall};
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

void CZelBRegProgram::CreateWriteSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kJtagRegAll:
        WriteUsr(true);
        WriteDac(false);
        break;
    case kUsr: WriteUsr(true); break;
    case kCalibrate: Calibrate(); break;
    case kDac: WriteDac(true); break;
    case kCal: Cal(); break;
    case kMan: WriteMan(true); break;
    case kUsrNoPrgm: WriteUsr(false); break;
    case kManNoPrgm: WriteMan(false); break;
    case kTrTop: TrTop(); break;
    case kTrBot: TrBot(); break;
    case kTrimEn: TrimEn(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelBRegProgram::CreateReadSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsr: ReadUsr(); break;
    case kDac: ReadDac(); break;
    case kCal: Cal(); break;
    case kMan: ReadMan(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelBRegProgram::CreateEraseSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsr:
    case kUsrNoPrgm: EraseUsr(); break;
    case kDac: EraseDac(); break;
    case kMan:
    case kManNoPrgm: EraseMan(); break;
    case kTrTop: TrTop(); break;
    case kTrBot: TrBot(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelBRegProgram::WriteUsr(bool program)
{
    const std::string hex = Image({kUsrFirst, kUsrCount, false, kHexScratchUsr});
    Line(kBlank);
    Line(kWriteUsrTitle);
    IdcodeBlock();
    if (program) {
        Line(kUbe);
        Line(kSir02);
        Wait();
    }
    Line(kAddUsr);
    Line(kSir01);
    LineWithImage(kSdrUsr, hex);
    if (program) {
        Line(kPrgUsr);
        Line(kSir04);
        Wait();
        if (m_inlineVerify == 1) {
            Line(kInlineVerify);
            Line(kVerUsr);
            Line(kSir03);
            Line(kSvfStateIdle);
            Line(kSir01);
            LineWithImage(kSdrUsrVerify, hex);
            Line(kSvfStateIdle);
        }
    } else {
        Line(kSvfStateIdle);
    }
    Line(kBlank);
}

void CZelBRegProgram::ReadUsr()
{
    Line(kReadUsrTitle);
    IdcodeBlock();
    Line(kVerUsr);
    Line(kSir03);
    Line(kSvfStateIdle);
    Line(kSir01);
    Line(kSdrUsrRead);
    Line(kSvfStateIdle);
    Line(kBlank);
}

void CZelBRegProgram::EraseUsr()
{
    Line(kSir02);
    Wait();
}

void CZelBRegProgram::ReadDac()
{
    Line(kReadDacTitle);
    IdcodeBlock();
    Line(kSir12);
    Line(kSvfStateIdle);
    Line(kSir14);
    Line(kSdrDacRead);
    Line(kSvfStateIdle);
    Line(kBlank);
}

void CZelBRegProgram::EraseDac()
{
    Line(kEraseDacTitle);
    Line(kSir11);
    Wait();
    Line(kEraseDacEnd);
}

void CZelBRegProgram::WriteDac(bool idcode)
{
    const std::string hex = Image({kDacFirst, kDacCount, false, kHexScratchSmall});
    Line(kWriteDacTitle);
    if (idcode) IdcodeBlock();
    EraseDac();
    Line(kAddDac);
    Line(kSir14);
    LineWithImage(kSdrDac, hex);
    Line(kPrgDac);
    Line(kSir13);
    Wait();
    if (m_inlineVerify == 1) {
        Line(kInlineVerify);
        Line(kVerDac);
        Line(kSir12);
        Line(kSvfStateIdle);
        Line(kSir14);
        LineWithImage(kSdrDacVerify, hex);
        Line(kSvfStateIdle);
    }
    Line(kBlank);
}

void CZelBRegProgram::Cal()
{
    const std::string hex = Image({kCalFirst, kCalCount, false, kHexScratchSmall});
    Line(kWriteCalTitle);
    Line(kSir0F);
    LineWithImage(kSdrCal, hex);
    Line(kSvfStateIdle);
}

void CZelBRegProgram::Calibrate()
{
    Line(kCalibrateSir);
    Line(kSvfSelfTimed);
    Wait();
}

void CZelBRegProgram::WriteMan(bool program)
{
    const std::string hex = Image({kManFirst, kManCount, false, kHexScratchSmall});
    Line(kSir06);
    Line(kSvfStateIdle);
    if (program) {
        Line(kSir0A);
        Wait();
    }
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir08);
    LineWithImage(kSdrMan, hex);
    if (program) {
        Line(kSir09);
        Wait();
    } else {
        Line(kSvfStateIdle);
    }
}

void CZelBRegProgram::ReadMan()
{
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir05);
    Line(kSvfStateIdle);
    Line(kSir08);
    Line(kSdrManRead);
    Line(kSvfStateIdle);
}

void CZelBRegProgram::EraseMan()
{
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir0A);
    Wait();
}

void CZelBRegProgram::TrTop()
{
    Line(kSvfEndIrIdle);
    Line(kTrim06);
    Line(kTrTop2);
}

void CZelBRegProgram::TrBot()
{
    Line(kSvfEndIrIdle);
    Line(kTrim06);
    Line(kTrBot2);
}

void CZelBRegProgram::TrimEn()
{
    Line(kSvfEndIrIdle);
    Line(kTrim06);
    Line(kTrimEn2);
}

}  // namespace kalidor
