#include "jtag/ZelCRegProgram.h"

#include "device/DeviceConfig.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr CJtagRegProgram::RegInfo kRegs[] = {
    {-5, "JEDEC", 128},
    {-4, "ALL", 112},
    {0, "CFG", 112},
    {1, "Calibrate", 0},
    {2, "CFG-GAIN", 40},
    {3, "CFG (Latch Only)", 112},
    {4, "CFGGAIN (Latch Only)", 40},
    {5, "UES", 16},
    {6, "PowerUP", 0},
    {7, "PowerDown", 0},
    {8, "Secure Device", 0},
    {9, "TrimEN", 0},
    {10, "MAN", 16},
    {11, "MAN (Latch Only)", 16},
    {12, "UES (Latch Only)", 0},
    {13, "CAL", 26},
    {14, "CFG_Verify", 0},
    {15, "CFGBE (Erase All)", 0},
    {16, "ALLBP", 0},
};

// The CFG register takes its bit positions from the cell index; every other register from the
// device model.
constexpr int kCfgFirst = 0, kCfgCount = 112;
constexpr int kCfgGainFirst = 72, kCfgGainCount = 40;
constexpr int kUesFirst = 112, kUesCount = 16;
constexpr int kManFirst = 128, kManCount = 16;
constexpr int kCalFirst = 144, kCalCount = 26;

// Program lines.
constexpr std::string_view kIdcodeSir = "SIR    6  TDI (0D);";
constexpr std::string_view kIdcodeSdr = "SDR   32  TDI (FFFFFFFF)  TDO (00130043);";
constexpr std::string_view kCfgWriteTitle = "! --- CFG_WriteSVF";
constexpr std::string_view kCfgGainWriteTitle = "! --- CFGGAIN_WriteSVF";
constexpr std::string_view kCfgBe = "! CFGBE ";
constexpr std::string_view kSir1D = "SIR    6  TDI (1D);";
constexpr std::string_view kAddCfg = "! ADDCFG ";
constexpr std::string_view kSir01 = "SIR    6  TDI (01);";
constexpr std::string_view kSir02 = "SIR    6  TDI (02);";
constexpr std::string_view kSdrCfg = "SDR 112 TDI (%s);";
constexpr std::string_view kSdrCfgGain = "SDR 40 TDI (%s);";
constexpr std::string_view kLatchCfg = "! LATCHCFG ";
constexpr std::string_view kSir05 = "SIR    6  TDI (05); ";
constexpr std::string_view kProgCfg = "! PROGCFG ";
constexpr std::string_view kSir0C = "SIR    6  TDI (0C); ";
constexpr std::string_view kInlineVerify = "! inline-verify of prog";
constexpr std::string_view kReadCfg = "! READCFG ";
constexpr std::string_view kSir06 = "SIR    6  TDI (06);";
constexpr std::string_view kSdrCfgVerify = "SDR 112 TDI (%s) TDO (%s);";
constexpr std::string_view kSdrCfgGainVerify = "SDR 40 TDI (%s) TDO (%s);";
constexpr std::string_view kCfgReadTitle = "! --- CFG_ReadSVF";
constexpr std::string_view kSdrCfgRead = "SDR  112  TDI (01020304050607080910111213141516);";
constexpr std::string_view kSdrCfgGainRead = "SDR  40  TDI (0102030405);";
constexpr std::string_view kUesProgram = "! UES Program E2  ";
constexpr std::string_view kEraseUes = "! ERASEUES ";
constexpr std::string_view kSir1B = "SIR    6  TDI (1B);";
constexpr std::string_view kAddUes = "! ADDUES ";
constexpr std::string_view kSir03 = "SIR    6  TDI (03);";
constexpr std::string_view kSdr16 = "SDR 16 TDI (%s);";
constexpr std::string_view kProgUes = "! PROGUES ";
constexpr std::string_view kSir0B = "SIR    6  TDI (0B); ";
constexpr std::string_view kUesLatchTitle = "! UES Latch only  ";
constexpr std::string_view kTgate = "! Requires 15V on TGATE  ";
constexpr std::string_view kLatchUes = "! LATCHUES ";
constexpr std::string_view kSir11Latch = "SIR    6  TDI (11); ";
constexpr std::string_view kReadUesOpen = "! READUES  );";
constexpr std::string_view kReadUes = "! READUES ";
constexpr std::string_view kSir0AUes = "SIR   6  TDI (0A);";
constexpr std::string_view kSir03Ues = "SIR   6  TDI (03);";
constexpr std::string_view kSdr16Read = "SDR  16  TDI (0102);";
constexpr std::string_view kEraseMan = "! ERASEMAN ";
constexpr std::string_view kSir1A = "SIR    6  TDI (1A);";
constexpr std::string_view kAddMan = "! ADDMAN ";
constexpr std::string_view kSir18 = "SIR    6  TDI (18);";
constexpr std::string_view kLatchMan = "! LATCHMAN ";
constexpr std::string_view kSir17 = "SIR    6  TDI (17); ";
constexpr std::string_view kProgMan = "! PROGMAN ";
constexpr std::string_view kSir19 = "SIR    6  TDI (19); ";
constexpr std::string_view kReadManOpen = "! READMAN  );";
constexpr std::string_view kReadMan = "! READMAN ";
constexpr std::string_view kAddCal = "! ADDCAL ";
constexpr std::string_view kSir10 = "SIR    6  TDI (10);";
constexpr std::string_view kSdrCal = "SDR 26 TDI (%s);";
constexpr std::string_view kCalibrateSir = "SIR  6  TDI (1C)";
constexpr std::string_view kPowerUpTitle = "! POWERUP  ";
constexpr std::string_view kPowerUpSir = "SIR  6  TDI (13);";
constexpr std::string_view kPowerDownTitle = "! POWERDN ";
constexpr std::string_view kPowerDownSir = "SIR  6  TDI (12);";
constexpr std::string_view kSecureTitle = "! SecureDevice (set ESF)";
constexpr std::string_view kSecureSir = "SIR  6  TDI (11);";
constexpr std::string_view kTrimEnTitle = "!  TRIMEN (Trim Enable)";
constexpr std::string_view kTrimEnComment = "! TRIMEN ";
constexpr std::string_view kTrimEnSir = "SIR  6  TDI (15);";
constexpr std::string_view kCfgBeTitle = "! CFG Erase (clears ESF too)";
constexpr std::string_view kCfgBeSir = "SIR  6  TDI (1D);";
constexpr std::string_view kBulkTitle = "! --- Bulk Program";
constexpr std::string_view kAllBe = "! ALLBE  ";
constexpr std::string_view kLatchUesManMode = "! LATCHUES (MAN mode only)";
constexpr std::string_view kAllBp = "! ALLBP ";
constexpr std::string_view kSir1CBulk = "SIR    6  TDI (1C); ";

}  // namespace

int CZelCRegProgram::GetRegCount() const { return m_mode == 1 ? 17 : 4; }

std::span<const CJtagRegProgram::RegInfo> CZelCRegProgram::RegTable() const { return kRegs; }
std::string_view CZelCRegProgram::UndefinedRegName() const { return "undefined reg--ERROR!"; }

int CZelCRegProgram::GetFrameFlags(int reg) const
{
    return (reg == kManLatch || reg == JTAGREG_CFGVERIFY) ? 0 : -1;
}

int CZelCRegProgram::GetRegFlag(int reg) const
{
    switch (reg) {
    case kJtagRegJedec:
    case kJtagRegAll:
    case kCalibrate:
    case kCfgLatch:
    case kCfgGainLatch:
    case kPowerUp:
    case kPowerDown:
    case kSecureDevice:
    case kTrimEn:
    case JTAGREG_CFGVERIFY:
    case kCfgBulkErase:
    case kAllBulkProgram:
        return 1;
    default:
        return 65535;
    }
}

std::string_view CZelCRegProgram::IdcodeSirLine() const { return kIdcodeSir; }
std::string_view CZelCRegProgram::IdcodeSdrLine() const { return kIdcodeSdr; }

bool CZelCRegProgram::UploadCells(int reg, RegCells& cells)
{
    switch (reg) {
    case kCfg:
        cells = {kCfgFirst, kCfgCount, true, kHexScratchWide};
        return true;
    case kCfgGain:
        cells = {kCfgGainFirst, kCfgGainCount, false, kHexScratchWide};
        return true;
    case kUes:
        cells = {kUesFirst, kUesCount, false, kHexScratchSmall};
        return true;
    case kMan:
    case kManLatch:
        cells = {kManFirst, kManCount, false, kHexScratchSmall};
        return true;
    case kCal:
        cells = {kCalFirst, kCalCount, false, kHexScratchSmall};
        return true;
    default:
        return false;
    }
}

void CZelCRegProgram::CreateWriteSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kJtagRegAll:
        CfgWrite(true);
        WriteUes();
        if (m_device != nullptr && m_device->GetSecurity() == 1) SecureDevice();
        break;
    case kCfg: CfgWrite(true); break;
    case kCalibrate: Calibrate(); break;
    case kCfgGain: CfgGainWrite(true); break;
    case kCfgLatch: CfgWrite(false); break;
    case kCfgGainLatch: CfgGainWrite(false); break;
    case kUes: WriteUes(); break;
    case kPowerUp: PowerUp(); break;
    case kPowerDown: PowerDown(); break;
    case kSecureDevice: SecureDevice(); break;
    case kTrimEn: TrimEn(); break;
    case kMan: WriteMan(true); break;
    case kManLatch: WriteMan(false); break;
    case kUesLatch: UesLatch(); break;
    case kCal: Cal(); break;
    case JTAGREG_CFGVERIFY: CurrentPrompter().Message(std::string(kMsgCfgVerifyNotImplemented)); break;
    case kCfgBulkErase: CfgBulkErase(); break;
    case kAllBulkProgram: AllBulkProgram(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelCRegProgram::CreateReadSVF(int reg, std::string& buffer)
{
    SetBuffer(buffer);
    switch (reg) {
    case kCfg: CfgRead(); break;
    case kCfgGain: CfgGainRead(); break;
    case kUes: ReadUes(); break;
    case kMan:
    case kManLatch: ReadMan(); break;
    case kCal: Cal(); break;
    default: CreateResetSVF(); break;
    }
}

void CZelCRegProgram::CreateEraseSVF(int, std::string& buffer)
{
    SetBuffer(buffer);
    CurrentPrompter().Message(std::string(kMsgEraseNotImplemented));
}

void CZelCRegProgram::CfgWrite(bool program)
{
    const std::string hex = Image({kCfgFirst, kCfgCount, true, kHexScratchWide});
    Line(kCfgWriteTitle);
    IdcodeBlock();
    if (program) {
        Line(kCfgBe);
        Line(kSir1D);
        Wait();
    }
    Line(kAddCfg);
    Line(kSir01);
    LineWithImage(kSdrCfg, hex);
    Line(kLatchCfg);
    Line(kSir05);
    Line(kSvfStateIdle);
    if (program) {
        Line(kProgCfg);
        Line(kSir0C);
        Wait();
        if (m_inlineVerify == 1) {
            Line(kInlineVerify);
            Line(kReadCfg);
            Line(kSir06);
            Line(kSvfStateIdle);
            Line(kAddCfg);
            Line(kSir01);
            LineWithImage(kSdrCfgVerify, hex);
            Line(kSvfStateIdle);
        }
    } else {
        Line(kSvfStateIdle);
    }
}

void CZelCRegProgram::CfgGainWrite(bool program)
{
    const std::string hex = Image({kCfgGainFirst, kCfgGainCount, false, kHexScratchWide});
    Line(kCfgGainWriteTitle);
    IdcodeBlock();
    Line(kAddCfg);
    Line(kSir02);
    LineWithImage(kSdrCfgGain, hex);
    Line(kLatchCfg);
    Line(kSir05);
    Line(kSvfStateIdle);
    if (program) {
        Line(kProgCfg);
        Line(kSir0C);
        Wait();
        if (m_inlineVerify == 1) {
            Line(kInlineVerify);
            Line(kReadCfg);
            Line(kSir06);
            Line(kSvfStateIdle);
            Line(kAddCfg);
            Line(kSir02);
            LineWithImage(kSdrCfgGainVerify, hex);
            Line(kSvfStateIdle);
        }
    } else {
        Line(kSvfStateIdle);
    }
}

void CZelCRegProgram::CfgRead()
{
    Line(kCfgReadTitle);
    IdcodeBlock();
    Line(kReadCfg);
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kAddCfg);
    Line(kSir01);
    Line(kSdrCfgRead);
    Line(kSvfStateIdle);
}

void CZelCRegProgram::CfgGainRead()
{
    Line(kCfgReadTitle);
    IdcodeBlock();
    Line(kSir06);
    Line(kSvfStateIdle);
    Line(kSir02);
    Line(kSdrCfgGainRead);
    Line(kSvfStateIdle);
}

void CZelCRegProgram::WriteUes()
{
    const std::string hex = Image({kUesFirst, kUesCount, false, kHexScratchSmall});
    Line(kUesProgram);
    Line(kEraseUes);
    Line(kSir1B);
    Wait();
    Line(kAddUes);
    Line(kSir03);
    LineWithImage(kSdr16, hex);
    Line(kProgUes);
    Line(kSir0B);
    Wait();
}

void CZelCRegProgram::UesLatch()
{
    const std::string hex = Image({kUesFirst, kUesCount, false, kHexScratchSmall});
    Line(kUesLatchTitle);
    Line(kTgate);
    Line(kSvfZelCSetSuperVoltage);
    Line(kAddUes);
    Line(kSir03);
    LineWithImage(kSdr16, hex);
    Line(kLatchUes);
    Line(kSir11Latch);
    Line(kSvfStateIdle);
    Line(kSvfZelCClearSuperVoltage);
}

void CZelCRegProgram::ReadUes()
{
    Line(kReadUesOpen);
    Line(kReadUes);
    Line(kSir0AUes);
    Line(kSvfStateIdle);
    Line(kAddUes);
    Line(kSir03Ues);
    Line(kSdr16Read);
    Line(kSvfStateIdle);
}

void CZelCRegProgram::WriteMan(bool program)
{
    const std::string hex = Image({kManFirst, kManCount, false, kHexScratchSmall});
    Line(kSvfZelCSetSuperVoltage);
    if (program) {
        Line(kEraseMan);
        Line(kSir1A);
        Wait();
    }
    Line(kAddMan);
    Line(kSir18);
    LineWithImage(kSdr16, hex);
    Line(kLatchMan);
    Line(kSir17);
    Line(kSvfStateIdle);
    if (program) {
        Line(kProgMan);
        Line(kSir19);
        Wait();
    } else {
        Line(kSvfStateIdle);
    }
    Line(kSvfZelCClearSuperVoltage);
}

void CZelCRegProgram::ReadMan()
{
    Line(kReadManOpen);
    Line(kSvfZelCSetSuperVoltage);
    Line(kReadMan);
    Line(kSir1B);
    Line(kSvfStateIdle);
    Line(kAddMan);
    Line(kSir18);
    Line(kSdr16Read);
    Line(kSvfStateIdle);
    Line(kSvfZelCClearSuperVoltage);
}

void CZelCRegProgram::Cal()
{
    const std::string hex = Image({kCalFirst, kCalCount, false, kHexScratchSmall});
    Line(kSvfZelCSetSuperVoltage);
    Line(kAddCal);
    Line(kSir10);
    LineWithImage(kSdrCal, hex);
    Line(kSvfStateIdle);
    Line(kSvfZelCClearSuperVoltage);
}

void CZelCRegProgram::Calibrate()
{
    Line(kCalibrateSir);
    Line(kSvfSelfTimed);
    Wait();
}

void CZelCRegProgram::PowerUp()
{
    Line(kPowerUpTitle);
    Line(kPowerUpSir);
    Line(kSvfStateIdle);
}

void CZelCRegProgram::PowerDown()
{
    Line(kPowerDownTitle);
    Line(kPowerDownSir);
    Line(kSvfStateIdle);
}

void CZelCRegProgram::SecureDevice()
{
    Line(kSecureTitle);
    Line(kSecureSir);
    Wait();
}

void CZelCRegProgram::TrimEn()
{
    Line(kSvfZelCSetSuperVoltage);
    Line(kTrimEnTitle);
    Line(kTrimEnComment);
    Line(kTrimEnSir);
    Line(kSvfStateIdle);
    Line(kSvfZelCClearSuperVoltage);
}

void CZelCRegProgram::CfgBulkErase()
{
    Line(kCfgBeTitle);
    Line(kCfgBeSir);
    Wait();
}

void CZelCRegProgram::AllBulkProgram()
{
    const std::string cfg = Image({kCfgFirst, kCfgCount, true, kHexScratchWide});
    const std::string ues = Image({kUesFirst, kUesCount, false, kHexScratchSmall});
    const std::string man = Image({kManFirst, kManCount, false, kHexScratchSmall});
    Line(kBulkTitle);
    Line(kCfgWriteTitle);
    Line(kSvfZelCSetSuperVoltage);
    Line(kAllBe);
    Line(kSir1D);
    Wait();
    Line(kAddCfg);
    Line(kSir01);
    LineWithImage(kSdrCfg, cfg);
    Line(kSvfStateIdle);
    Line(kAddUes);
    Line(kSir03);
    LineWithImage(kSdr16, ues);
    Line(kSvfStateIdle);
    Line(kAddMan);
    Line(kSir18);
    LineWithImage(kSdr16, man);
    Line(kSvfStateIdle);
    Line(kLatchCfg);
    Line(kSir05);
    Line(kSvfStateIdle);
    Line(kLatchMan);
    Line(kSir17);
    Line(kSvfStateIdle);
    Line(kLatchUesManMode);
    Line(kSir11Latch);
    Line(kSvfStateIdle);
    Line(kAllBp);
    Line(kSir1CBulk);
    Wait();
    Line(kSvfZelCClearSuperVoltage);
}

}  // namespace kalidor
