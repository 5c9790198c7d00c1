#include "jtag/ZelARegProgram.h"

namespace kalidor {

namespace {

constexpr CJtagRegProgram::RegInfo kRegs[] = {
    {-5, "JEDEC", 109},        {-4, "ALL", 109},      {0, "USR", 109},
    {1, "Calibrate", 0},       {2, "CAL", 52},        {3, "MAN", 18},
    {4, "USR No Prgm", 109},   {5, "MAN No Prgm", 18}, {6, "TRTop", 0},
    {7, "TRBot", 0},           {8, "TrimEN", 0},
};

// Cells of the three data registers.
constexpr int kUsrFirst = 0, kUsrCount = 109;
constexpr int kCalFirst = 109, kCalCount = 52;
constexpr int kManFirst = 161, kManCount = 18;

// Program lines.
constexpr std::string_view kIdcodeSir = "SIR    5  TDI (0D);";
constexpr std::string_view kIdcodeSdr = "SDR   32  TDI (55AA55AA)  TDO (00100043);";
constexpr std::string_view kBlank = "!   ";
constexpr std::string_view kWriteUsrTitle = "! --- Write USR";
constexpr std::string_view kReadUsrTitle = "! --- Read USR";
constexpr std::string_view kUbe = "! UBE (user bulk erase)";
constexpr std::string_view kSir02 = "SIR    5  TDI (02);";
constexpr std::string_view kAddUsr = "! ADDUSR (address USR)";
constexpr std::string_view kSir01 = "SIR    5  TDI (01);";
constexpr std::string_view kSdrUsr = "SDR 109 TDI (%s);";
constexpr std::string_view kPrgUsr = "! PRGUSR  (program USR)";
constexpr std::string_view kSir04 = "SIR    5  TDI (04); ";
constexpr std::string_view kInlineVerify = "! in-line verify";
constexpr std::string_view kVerUsr = "! VERUSR  (verify USR)";
constexpr std::string_view kSir03 = "SIR    5  TDI (03);";
constexpr std::string_view kSdrUsrVerify = "SDR 109 TDI (%s) TDO (%s);";
constexpr std::string_view kSdrUsrRead = "SDR  109  TDI (0102030405060708091011121314156);";
constexpr std::string_view kSir0F = "SIR    5  TDI (0F);";
constexpr std::string_view kSdrCal = "SDR 52 TDI (%s); ";
constexpr std::string_view kCalibrateSir = "SIR  5  TDI (10):";
constexpr std::string_view kSir06 = "SIR    5  TDI (06);";
constexpr std::string_view kSir0A = "SIR    5  TDI (0A);";
constexpr std::string_view kSir08 = "SIR    5  TDI (08);";
constexpr std::string_view kSdrMan = "SDR 18 TDI (%s);";
constexpr std::string_view kSir09 = "SIR    5  TDI (09); ";
constexpr std::string_view kSir05 = "SIR    5  TDI (05);";
constexpr std::string_view kSdrManRead = "SDR  18  TDI (01020);";
constexpr std::string_view kTrTop1 = "SIR  5  TDI (06)";
constexpr std::string_view kTrTop2 = "SIR  5  TDI (0B)";
constexpr std::string_view kTrBot1 = "SIR  5  TDI (06);";
constexpr std::string_view kTrBot2 = "SIR  5  TDI (0C);";
constexpr std::string_view kTrimEn1 = "SIR  5  TDI (06);";
constexpr std::string_view kTrimEn2 = "SIR  5  TDI (0E);";

}  // namespace

int CZelARegProgram::GetRegCount() const { return m_mode == 1 ? 9 : 2; }

std::span<const CJtagRegProgram::RegInfo> CZelARegProgram::RegTable() const { return kRegs; }
std::string_view CZelARegProgram::UndefinedRegName() const { return "undefined--ERROR!"; }

int CZelARegProgram::GetFrameFlags(int reg) const
{
    return (reg == kTrTop || reg == kTrBot || reg == kTrimEn) ? 0 : -1;
}

int CZelARegProgram::GetRegFlag(int reg) const
{
    return (reg == kCalibrate || (reg >= kUsrNoPrgm && reg <= kTrimEn)) ? 1 : 65535;
}

std::string_view CZelARegProgram::IdcodeSirLine() const { return kIdcodeSir; }
std::string_view CZelARegProgram::IdcodeSdrLine() const { return kIdcodeSdr; }

bool CZelARegProgram::UploadCells(int reg, RegCells& cells)
{
    switch (reg) {
    case kUsr:
    case kUsrNoPrgm:
        cells = {kUsrFirst, kUsrCount, false, kHexScratchUsr};
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

void CZelARegProgram::CreateWriteSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kJtagRegAll:
    case kUsr: WriteUsr(true); break;
    case kCalibrate: Calibrate(); break;
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

void CZelARegProgram::CreateReadSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsr: ReadUsr(); break;
    case kCal: Cal(); break;
    case kMan: ReadMan(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelARegProgram::CreateEraseSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kUsr:
    case kUsrNoPrgm: EraseUsr(); break;
    case kMan:
    case kManNoPrgm: EraseMan(); break;
    case kTrTop: TrTop(); break;
    case kTrBot: TrBot(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelARegProgram::WriteUsr(bool program)
{
    const std::string hex = Image({kUsrFirst, kUsrCount, false, kHexScratchUsr});
    Line(kBlank);
    Line(kWriteUsrTitle);
    if (program) {
        IdcodeBlock();
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

void CZelARegProgram::ReadUsr()
{
    Line(kReadUsrTitle);
    IdcodeBlock();
    Line(kVerUsr);
    Line(kSir03);
    Line(kSvfStateIdle);
    Line(kAddUsr);
    Line(kSir01);
    Line(kSdrUsrRead);
    Line(kSvfStateIdle);
}

void CZelARegProgram::EraseUsr()
{
    Line(kSir02);
    Wait();
}

void CZelARegProgram::Cal()
{
    const std::string hex = Image({kCalFirst, kCalCount, false, kHexScratchSmall});
    Line(kSir0F);
    LineWithImage(kSdrCal, hex);
    Line(kSvfStateIdle);
}

void CZelARegProgram::Calibrate()
{
    Line(kCalibrateSir);
    Line(kSvfSelfTimed);
    Wait();
}

void CZelARegProgram::WriteMan(bool program)
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

void CZelARegProgram::ReadMan()
{
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir05);
    Line(kSvfStateIdle);
    Line(kSir08);
    Line(kSdrManRead);
    Line(kSvfStateIdle);
}

void CZelARegProgram::EraseMan()
{
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir0A);
    Wait();
}

void CZelARegProgram::TrTop()
{
    Line(kSvfEndIrIdle);
    Line(kTrTop1);
    Line(kTrTop2);
}

void CZelARegProgram::TrBot()
{
    Line(kSvfEndIrIdle);
    Line(kTrBot1);
    Line(kTrBot2);
}

void CZelARegProgram::TrimEn()
{
    Line(kSvfEndIrIdle);
    Line(kTrimEn1);
    Line(kTrimEn2);
}

}  // namespace kalidor
