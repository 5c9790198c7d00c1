// Register programs executed line by line against simulated devices on the virtual cable.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "JtagTestSupport.h"
#include "platform/Prompter.h"

namespace kalidor {
namespace {

using test::Frame;
using test::IdcodeBlock;
using test::LineOf;
using test::VirtualRig;
using test::ZelAIdcode;
using test::ZelAReadUsr;
using test::ZelAWriteUsr;
using test::kWait;

const std::string kUsrA = "1A5C3F0E9D8B7A6958473625140F";  // 109 bits
const std::string kUsrB = "0F0F0F0F0F0F0F0F0F0F0F0F0F0F";

std::string ZelCWriteCfg(const std::string& hex)
{
    return "! --- CFG_WriteSVF\n" + IdcodeBlock(6, "FFFFFFFF", "00130043") + "! CFGBE \nSIR    6  TDI (1D);\n" +
           kWait + "! ADDCFG \nSIR    6  TDI (01);\nSDR 112 TDI (" + hex +
           ");\n! LATCHCFG \nSIR    6  TDI (05); \nSTATE IDLE;\n! PROGCFG \nSIR    6  TDI (0C); \n" + kWait +
           "! inline-verify of prog\n! READCFG \nSIR    6  TDI (06);\nSTATE IDLE;\n! ADDCFG \n"
           "SIR    6  TDI (01);\nSDR 112 TDI (" + hex + ") TDO (" + hex + ");\nSTATE IDLE;\n";
}

std::string ZelCReadCfg()
{
    return "! --- CFG_ReadSVF\n" + IdcodeBlock(6, "FFFFFFFF", "00130043") +
           "! READCFG \nSIR    6  TDI (06);\nSTATE IDLE;\n! ADDCFG \nSIR    6  TDI (01);\n"
           "SDR  112  TDI (01020304050607080910111213141516);\nSTATE IDLE;\n";
}

std::string ZelDWriteUsr(bool b, const std::string& hex)
{
    return std::string("! --- ") + (b ? "USRB" : "USRA") + "_WriteSVF\n" +
           IdcodeBlock(5, "FFFFFFFF", "00120043") + "SIR    5  TDI (" + (b ? "03" : "02") + ");\n" + kWait +
           "SIR    5  TDI (01);\nSDR 96 TDI (" + hex + ");\nSIR    5  TDI (" + (b ? "07" : "06") + "); \n" +
           kWait + "SIR    5  TDI (" + (b ? "05" : "04") + ");\nSTATE IDLE;\nSIR    5  TDI (01);\nSDR 96 TDI (" +
           hex + ") TDO (" + hex + ");\nSTATE IDLE;\n";
}

CJtagBits E2(CVirtualZelDevice& dev, const char* reg)
{
    CJtagBits b;
    dev.GetE2(reg, b);
    return b;
}

// --- programs of each family ------------------------------------------------------------------

TEST(SvfProgramTest, IdcodeOfEveryFamilyMatches)
{
    const struct {
        const char* type;
        int ir;
        const char* tdi;
        const char* idcode;
    } cases[] = {{"ZelA", 5, "55AA55AA", "00100043"},
                 {"ZelB", 5, "FFFFFFFF", "00111043"},
                 {"ZelC", 6, "FFFFFFFF", "00130043"},
                 {"ZelD", 5, "FFFFFFFF", "00120043"},
                 {"ZelE", 5, "FFFFFFFF", "00121043"}};
    for (const auto& c : cases) {
        VirtualRig rig(std::string("virtual:") + c.type);
        const auto report = rig.Run(Frame() + IdcodeBlock(c.ir, c.tdi, c.idcode));
        EXPECT_TRUE(report.Succeeded()) << c.type << "\n" << FormatSvfRunReport(report);
        EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex(c.idcode, 32)) << c.type;
        EXPECT_EQ(rig.svf.CurrentState(), TAP_IDLE);
    }
}

TEST(SvfProgramTest, ZelAWriteThenReadBack)
{
    VirtualRig rig("virtual:ZelA");
    auto report = rig.Run(Frame() + ZelAWriteUsr(kUsrA));
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(E2(rig.Zel(0), "USR"), CJtagBits::FromHex(kUsrA, 109));
    EXPECT_EQ(rig.Zel(0).CompletedOperations(), 2);  // erase, program

    report = rig.Run(Frame() + ZelAReadUsr());
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex(kUsrA, 109));
}

TEST(SvfProgramTest, ProgramWithoutEraseKeepsOldOnesAndVerifyFailsOnItsLine)
{
    VirtualRig rig("virtual:ZelA");
    ASSERT_TRUE(rig.Run(Frame() + ZelAWriteUsr(kUsrA)).Succeeded());
    const std::string text = Frame() + ZelAWriteUsr(kUsrB, false);
    const auto report = rig.Run(text);
    ASSERT_EQ(report.failures.size(), 1u) << FormatSvfRunReport(report);
    const std::string verify = "SDR 109 TDI (" + kUsrB + ") TDO (" + kUsrB + ");";
    EXPECT_EQ(report.failures[0].line, LineOf(text, verify));
    EXPECT_EQ(report.failures[0].result, kSvfTdoMismatch);
    EXPECT_FALSE(report.stopped);
    EXPECT_EQ(FormatSvfRunReport(report),
              "Line " + std::to_string(LineOf(text, verify)) + ": TDO mismatch: " + verify + "\n");
    CJtagBits both = CJtagBits::FromHex(kUsrA, 109);
    const CJtagBits b = CJtagBits::FromHex(kUsrB, 109);
    for (int i = 0; i < 109; ++i) both.SetBit(i, both.GetBit(i) | b.GetBit(i));
    EXPECT_EQ(E2(rig.Zel(0), "USR"), both);
}

TEST(SvfProgramTest, ZelAManufacturerAreaNeedsManufacturerMode)
{
    VirtualRig rig("virtual:ZelA");
    const std::string write = std::string("SIR    5  TDI (06);\nSTATE IDLE;\nSIR    5  TDI (0A);\n") + kWait +
                              "SIR    5  TDI (06);\nSTATE IDLE;\nSIR    5  TDI (08);\nSDR 18 TDI (2A5A5);\n"
                              "SIR    5  TDI (09); \n" + kWait;
    ASSERT_TRUE(rig.Run(Frame() + write).Succeeded());
    EXPECT_EQ(E2(rig.Zel(0), "MAN"), CJtagBits::FromHex("2A5A5", 18));
    const std::string read = "SIR    5  TDI (06);\nSTATE IDLE;\nSIR    5  TDI (05);\nSTATE IDLE;\n"
                             "SIR    5  TDI (08);\nSDR  18  TDI (01020);\nSTATE IDLE;\n";
    ASSERT_TRUE(rig.Run(Frame() + read).Succeeded());
    EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex("2A5A5", 18));
    // Without the mode instruction the MAN instructions are not decoded: BYPASS, one 0 bit, then
    // the TDI bits come back delayed by one.
    ASSERT_TRUE(rig.Run(Frame() + "SIR    5  TDI (08);\nSDR  18  TDI (01020);\nSTATE IDLE;\n").Succeeded());
    EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex("02040", 18));
}

TEST(SvfProgramTest, ZelACalibrationIsSelfTimed)
{
    VirtualRig rig("virtual:ZelA");
    const std::string cal = "SIR    5  TDI (0F);\nSDR 52 TDI (0000000000000); \nSTATE IDLE;\n";
    ASSERT_TRUE(rig.Run(Frame() + cal).Succeeded());
    EXPECT_EQ(rig.svf.IncomingDRText(), std::string(52, '0'));
    const auto report = rig.Run(Frame() + "SIR  5  TDI (10):\n! Device is self-timed.  Wait for it to complete "
                                          "cycle. \n" + kWait + cal);
    ASSERT_TRUE(report.Succeeded());
    EXPECT_EQ(rig.Zel(0).LastCompletedOperation(), "Calibrate");
    EXPECT_NE(rig.svf.IncomingDRText(), std::string(52, '0'));
    CJtagBits buffer;
    rig.Zel(0).GetBuffer("CAL", buffer);
    EXPECT_EQ(buffer.ToBitText(), std::string(52, '0'));  // the read-and-write program wrote zeros
}

TEST(SvfProgramTest, ZelBDacErasedProgrammedAndVerified)
{
    VirtualRig rig("virtual:ZelB");
    const std::string dac = std::string("! --- Write DAC\n") + IdcodeBlock(5, "FFFFFFFF", "00111043") +
                            "! --- Erase DAC\nSIR    5  TDI (11);\n" + kWait +
                            "! --- end erase DAC\n! ADDDAC (address DAC)\nSIR    5  TDI (14);\nSDR 8 TDI (C3);\n"
                            "! PRGDAC (program DAC)\nSIR    5  TDI (13); \n" + kWait +
                            "! in-line verify\n! VERDAC  (verify DAC)\nSIR    5  TDI (12);\nSTATE IDLE;\n"
                            "SIR    5  TDI (14);\nSDR 8 TDI (C3) TDO (C3);\nSTATE IDLE;\n!   \n";
    const auto report = rig.Run(Frame() + dac);
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(E2(rig.Zel(0), "DAC").ToHex(), "C3");
    EXPECT_EQ(E2(rig.Zel(0), "USR").ToBitText(), std::string(81, '0'));
}

TEST(SvfProgramTest, ZelCConfigurationLatchedProgrammedThenSecured)
{
    VirtualRig rig("virtual:ZelC");
    const std::string cfg = "8000123456789ABCDEF012345671";
    auto report = rig.Run(Frame() + ZelCWriteCfg(cfg));
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(E2(rig.Zel(0), "CFG").ToHex(), cfg);

    const std::string ues = std::string("! UES Program E2  \n! ERASEUES \nSIR    6  TDI (1B);\n") + kWait +
                            "! ADDUES \nSIR    6  TDI (03);\nSDR 16 TDI (BEEF);\n! PROGUES \nSIR    6  TDI (0B); \n" +
                            kWait;
    ASSERT_TRUE(rig.Run(ues).Succeeded());
    EXPECT_EQ(E2(rig.Zel(0), "UES").ToHex(), "BEEF");
    EXPECT_EQ(E2(rig.Zel(0), "CFG").ToHex(), cfg);

    // Secure Device, then the read returns all ones while the IDCODE still answers.
    ASSERT_TRUE(rig.Run(std::string("! SecureDevice (set ESF)\nSIR  6  TDI (11);\n") + kWait).Succeeded());
    EXPECT_TRUE(rig.Zel(0).IsSecured());
    report = rig.Run(Frame() + ZelCReadCfg());
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(rig.svf.IncomingDRText(), std::string(112, '1'));

    // The bulk erase clears the security flag too; the program works again.
    report = rig.Run(Frame() + ZelCWriteCfg(cfg));
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_FALSE(rig.Zel(0).IsSecured());
}

TEST(SvfProgramTest, ZelCGainWindowIsTheTopOfTheConfiguration)
{
    VirtualRig rig("virtual:ZelC");
    ASSERT_TRUE(rig.Run(Frame() + ZelCWriteCfg("0000000000000000000000000000")).Succeeded());
    const std::string gain = std::string("! --- CFGGAIN_WriteSVF\n") + IdcodeBlock(6, "FFFFFFFF", "00130043") +
                             "! ADDCFG \nSIR    6  TDI (02);\nSDR 40 TDI (A5A5A5A5A5);\n! LATCHCFG \n"
                             "SIR    6  TDI (05); \nSTATE IDLE;\n! PROGCFG \nSIR    6  TDI (0C); \n" + kWait;
    ASSERT_TRUE(rig.Run(Frame() + gain).Succeeded());
    EXPECT_EQ(E2(rig.Zel(0), "CFG").ToHex(), "A5A5A5A5A5" + std::string(18, '0'));
}

TEST(SvfProgramTest, ZelCManufacturerWritesNeedTheHighVoltage)
{
    VirtualRig rig("virtual:ZelC");
    const std::string man = std::string("NVD_ZELC_SetSuperVoltage;\n! ERASEMAN \nSIR    6  TDI (1A);\n") + kWait +
                            "! ADDMAN \nSIR    6  TDI (18);\nSDR 16 TDI (1234);\n! LATCHMAN \n"
                            "SIR    6  TDI (17); \nSTATE IDLE;\n! PROGMAN \nSIR    6  TDI (19); \n" + kWait +
                            "NVD_ZELC_ClearSuperVoltage;\n";
    ASSERT_TRUE(rig.Run(Frame() + man).Succeeded());
    EXPECT_EQ(E2(rig.Zel(0), "MAN").ToHex(), "0000");  // the cable has no high-voltage supply
    rig.Zel(0).SetHighVoltage(true);
    ASSERT_TRUE(rig.Run(Frame() + man).Succeeded());
    EXPECT_EQ(E2(rig.Zel(0), "MAN").ToHex(), "1234");
}

TEST(SvfProgramTest, ZelDBothConfigurationsThroughOneShiftRegister)
{
    VirtualRig rig("virtual:ZelD");
    const std::string a = "123456789ABCDEF012345678", b = "FEDCBA987654321000000001";
    auto report = rig.Run(Frame() + ZelDWriteUsr(false, a) + ZelDWriteUsr(true, b));
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(E2(rig.Zel(0), "USRA").ToHex(), a);
    EXPECT_EQ(E2(rig.Zel(0), "USRB").ToHex(), b);
    report = rig.Run(Frame() + "SIR    5  TDI (04);\nSTATE IDLE;\nSIR    5  TDI (01);\n"
                               "SDR  96  TDI (010203040506070809101112);\nSTATE IDLE;\n");
    ASSERT_TRUE(report.Succeeded());
    EXPECT_EQ(rig.svf.IncomingDRBits().ToHex(), a);
}

// --- chains -----------------------------------------------------------------------------------

TEST(SvfProgramTest, ChainWithAForeignDeviceProgramsEachZelDevice)
{
    // From TDI: ZelA (IR 5), a foreign device (IR 8), ZelC (IR 6).
    VirtualRig rig("virtual:ZelA,foreign:8,ZelC");
    auto report = rig.Run(Frame(14, 2, 0, 0) + ZelAWriteUsr(kUsrA) + Frame(14, 2, 0, 0) + ZelAReadUsr());
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex(kUsrA, 109));

    const std::string cfg = "0123456789ABCDEF0123456789AB";
    report = rig.Run(Frame(0, 0, 13, 2) + ZelCWriteCfg(cfg));
    ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(E2(rig.Zel(2), "CFG").ToHex(), cfg);
    EXPECT_EQ(E2(rig.Zel(0), "USR"), CJtagBits::FromHex(kUsrA, 109));

    // Wrong chain counts: the IDCODE line of ZelC fails.
    const std::string text = Frame(0, 0, 0, 0) + IdcodeBlock(6, "FFFFFFFF", "00130043");
    report = rig.Run(text);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].line, LineOf(text, "SDR   32  TDI (FFFFFFFF)  TDO (00130043);"));
}

// --- injected faults --------------------------------------------------------------------------

TEST(SvfFaultTest, EachFaultIsDetected)
{
    const std::string idcode = Frame() + ZelAIdcode();
    const int idLine = LineOf(idcode, "SDR   32  TDI (55AA55AA)  TDO (00100043);");
    ASSERT_GT(idLine, 0);

    {  // cable detached, cable check off: only the TDO comparison notices
        VirtualRig rig("virtual:ZelA");
        rig.Cable().SetAttached(false);
        EXPECT_EQ(rig.svf.CheckCable(), kCableNotAttached);
        rig.port->SetCableCheck(0);
        EXPECT_EQ(rig.svf.CheckCable(), kCableReady);
        const auto report = rig.Run(idcode);
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].line, idLine);
        EXPECT_EQ(rig.svf.IncomingDRText(), std::string(32, '1'));
    }
    {  // no power
        VirtualRig rig("virtual:ZelA");
        rig.Cable().SetPowered(false);
        EXPECT_EQ(rig.svf.CheckCable(), kCableNoPower);
        const auto report = rig.Run(idcode);
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].line, idLine);
    }
    for (int level : {0, 1}) {  // TDO stuck
        VirtualRig rig("virtual:ZelA");
        rig.Cable().SetTdoStuck(level);
        EXPECT_EQ(rig.svf.CheckCable(), kCableReady);
        const auto report = rig.Run(idcode);
        ASSERT_EQ(report.failures.size(), 1u) << level;
        EXPECT_EQ(report.failures[0].line, idLine);
    }
    {  // a flipped bit in the next scan
        VirtualRig rig("virtual:ZelA");
        ASSERT_TRUE(rig.Run(Frame() + ZelAWriteUsr(kUsrA)).Succeeded());
        ASSERT_TRUE(rig.Run(Frame() + ZelAIdcode()).Succeeded());
        rig.Cable().FlipBitInNextScan(100);
        const std::string verify = "SIR    5  TDI (03);\nSTATE IDLE;\nSIR    5  TDI (01);\nSDR 109 TDI (" + kUsrA +
                                   ") TDO (" + kUsrA + ");\nSTATE IDLE;\n";
        const auto report = rig.Run(verify);
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].line, 4);
        EXPECT_EQ(rig.svf.IncomingDRBits().GetBit(100), 1 - CJtagBits::FromHex(kUsrA, 109).GetBit(100));
        EXPECT_TRUE(rig.Run(verify).Succeeded()) << "the flip hits one scan only";
    }
    {  // a device of another type
        VirtualRig rig("virtual:ZelB");
        const auto report = rig.Run(idcode);
        ASSERT_EQ(report.failures.size(), 1u);
        EXPECT_EQ(report.failures[0].line, idLine);
        EXPECT_EQ(rig.svf.IncomingDRBits().ToHex(), "00111043");
    }
    {  // a secured device answers its IDCODE but reads all ones
        VirtualRig rig("virtual:ZelA");
        ASSERT_TRUE(rig.Run(Frame() + ZelAWriteUsr(kUsrA)).Succeeded());
        rig.Zel(0).SetSecured(true);
        const auto report = rig.Run(Frame() + ZelAReadUsr());
        EXPECT_TRUE(report.Succeeded());
        EXPECT_EQ(rig.svf.IncomingDRText(), std::string(109, '1'));
    }
}

TEST(SvfFaultTest, SyntaxErrorStopsTheRun)
{
    VirtualRig rig("virtual:ZelA");
    const auto report = rig.Run("TRST ON;\nSIR 5 TDI (0D);\nSIR 0 TDI (0);\nSDR 32 TDI (0) TDO (1);\n");
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.linesExecuted, 3);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(FormatSvfRunReport(report), "Line 3: syntax error: SIR 0 TDI (0);\n");
}

// --- persistence ------------------------------------------------------------------------------

TEST(SvfProgramTest, ProgrammedCellsSurviveInTheStateFile)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kalidor-vcable-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    {
        VirtualRig rig("virtual:foreign:4,ZelA", dir.string());
        ASSERT_TRUE(rig.Run(Frame(0, 0, 4, 1) + ZelAWriteUsr(kUsrA)).Succeeded());
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "virtual-1-ZelA.state"));
    {
        VirtualRig rig("virtual:foreign:4,ZelA", dir.string());
        const auto report = rig.Run(Frame(0, 0, 4, 1) + ZelAReadUsr());
        ASSERT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
        EXPECT_EQ(rig.svf.IncomingDRBits(), CJtagBits::FromHex(kUsrA, 109));
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kalidor
