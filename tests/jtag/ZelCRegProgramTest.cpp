#include <gtest/gtest.h>

#include "RegProgramTestUtil.h"
#include "jtag/ZelCRegProgram.h"
#include "platform/Prompter.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

const std::string kCfgOnes = "FFFFFFFFFFFFFFFFFFFFFFFFFFFF";  // 112 bits
const std::string kGainOnes = "FFFFFFFFFF";                   // 40 bits
const std::string kUes = "FFFF";
const std::string kMan = "0000";
const std::string kCalOnes = "3FFFFFF";  // 26 bits

class ZelCRegProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(b.device && b.program);
        b.Fill(0, 112, 1);
        b.Fill(112, 16, 1);
        b.Fill(128, 16, 0);
        b.Fill(144, 26, 1);
        b.device->SetSecurity(0);
    }
    Bench b{"ZelC"};
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};
};

const std::string kIdcode = Lines({
    "! --- IDCODE",
    "SIR    6  TDI (0D);",
    "SDR   32  TDI (FFFFFFFF)  TDO (00130043);",
    "STATE IDLE;",
    "! --- end IDCODE  ",
});

const std::string kCfgWrite = Lines({"! --- CFG_WriteSVF"}) + kIdcode + Lines({
    "! CFGBE ",
    "SIR    6  TDI (1D);",
    kWait,
    "! ADDCFG ",
    "SIR    6  TDI (01);",
    "SDR 112 TDI (" + kCfgOnes + ");",
    "! LATCHCFG ",
    "SIR    6  TDI (05); ",
    "STATE IDLE;",
    "! PROGCFG ",
    "SIR    6  TDI (0C); ",
    kWait,
    "! inline-verify of prog",
    "! READCFG ",
    "SIR    6  TDI (06);",
    "STATE IDLE;",
    "! ADDCFG ",
    "SIR    6  TDI (01);",
    "SDR 112 TDI (" + kCfgOnes + ") TDO (" + kCfgOnes + ");",
    "STATE IDLE;",
});

const std::string kUesWrite = Lines({
    "! UES Program E2  ",
    "! ERASEUES ",
    "SIR    6  TDI (1B);",
    kWait,
    "! ADDUES ",
    "SIR    6  TDI (03);",
    "SDR 16 TDI (" + kUes + ");",
    "! PROGUES ",
    "SIR    6  TDI (0B); ",
    kWait,
});

const std::string kSecure = Lines({
    "! SecureDevice (set ESF)",
    "SIR  6  TDI (11);",
    kWait,
});

}  // namespace

TEST_F(ZelCRegProgramTest, RegisterTable)
{
    struct Row { int reg; const char* name; int length; };
    const Row rows[] = {
        {-5, "JEDEC", 128}, {-4, "ALL", 112}, {0, "CFG", 112}, {1, "Calibrate", 0},
        {2, "CFG-GAIN", 40}, {3, "CFG (Latch Only)", 112}, {4, "CFGGAIN (Latch Only)", 40},
        {5, "UES", 16}, {6, "PowerUP", 0}, {7, "PowerDown", 0}, {8, "Secure Device", 0},
        {9, "TrimEN", 0}, {10, "MAN", 16}, {11, "MAN (Latch Only)", 16},
        {12, "UES (Latch Only)", 0}, {13, "CAL", 26}, {14, "CFG_Verify", 0},
        {15, "CFGBE (Erase All)", 0}, {16, "ALLBP", 0}, {17, "undefined reg--ERROR!", 0},
        {-6, "undefined reg--ERROR!", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(b.program->RegName(r.reg), r.name) << r.reg;
        EXPECT_EQ(b.program->GetRegLength(r.reg), r.length) << r.reg;
    }
    EXPECT_EQ(b.program->GetRegCount(), 4);
    b.program->SetMode(1);
    EXPECT_EQ(b.program->GetRegCount(), 17);
    EXPECT_EQ(b.program->GetFamilyConstant(), 3);
    for (int reg = -6; reg <= 17; ++reg) {
        EXPECT_EQ(b.program->GetFrameFlags(reg), (reg == 11 || reg == 14) ? 0 : -1) << reg;
        const bool one = reg == -5 || reg == -4 || reg == 1 || reg == 3 || reg == 4 ||
                         (reg >= 6 && reg <= 9) || (reg >= 14 && reg <= 16);
        EXPECT_EQ(b.program->GetRegFlag(reg), one ? 1 : 65535) << reg;
    }
}

TEST_F(ZelCRegProgramTest, CfgWriteProgrammingAndLatchOnly)
{
    EXPECT_EQ(b.Write(0), kCfgWrite);
    EXPECT_EQ(b.Write(3), Lines({"! --- CFG_WriteSVF"}) + kIdcode + Lines({
        "! ADDCFG ",
        "SIR    6  TDI (01);",
        "SDR 112 TDI (" + kCfgOnes + ");",
        "! LATCHCFG ",
        "SIR    6  TDI (05); ",
        "STATE IDLE;",
        "STATE IDLE;",
    }));
}

TEST_F(ZelCRegProgramTest, CfgGainWriteHasNoBulkErase)
{
    EXPECT_EQ(b.Write(2), Lines({"! --- CFGGAIN_WriteSVF"}) + kIdcode + Lines({
        "! ADDCFG ",
        "SIR    6  TDI (02);",
        "SDR 40 TDI (" + kGainOnes + ");",
        "! LATCHCFG ",
        "SIR    6  TDI (05); ",
        "STATE IDLE;",
        "! PROGCFG ",
        "SIR    6  TDI (0C); ",
        kWait,
        "! inline-verify of prog",
        "! READCFG ",
        "SIR    6  TDI (06);",
        "STATE IDLE;",
        "! ADDCFG ",
        "SIR    6  TDI (02);",
        "SDR 40 TDI (" + kGainOnes + ") TDO (" + kGainOnes + ");",
        "STATE IDLE;",
    }));
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Write(4), Lines({
        "! --- CFGGAIN_WriteSVF",
        "! ADDCFG ",
        "SIR    6  TDI (02);",
        "SDR 40 TDI (" + kGainOnes + ");",
        "! LATCHCFG ",
        "SIR    6  TDI (05); ",
        "STATE IDLE;",
        "STATE IDLE;",
    }));
}

TEST_F(ZelCRegProgramTest, CfgImageTakesPositionsFromTheCellIndex)
{
    // Cell 72 is bit 0 of its JTAG register, but bit 72 of the CFG image; CFG-GAIN uses bit 0.
    b.Fill(0, 112, 0);
    b.device->E2_SetValue(72, 1);
    EXPECT_NE(b.Write(0).find("SDR 112 TDI (0000000001000000000000000000);"), std::string::npos);
    EXPECT_NE(b.Write(2).find("SDR 40 TDI (0000000001);"), std::string::npos);
}

TEST_F(ZelCRegProgramTest, AllAddsSecureDeviceOnlyWhenAsked)
{
    EXPECT_EQ(b.Write(-4), kCfgWrite + kUesWrite);
    b.device->SetSecurity(1);
    EXPECT_EQ(b.Write(-4), kCfgWrite + kUesWrite + kSecure);
    EXPECT_EQ(b.Write(8), kSecure);
}

TEST_F(ZelCRegProgramTest, ReadPrograms)
{
    EXPECT_EQ(b.Read(0), Lines({"! --- CFG_ReadSVF"}) + kIdcode + Lines({
        "! READCFG ",
        "SIR    6  TDI (06);",
        "STATE IDLE;",
        "! ADDCFG ",
        "SIR    6  TDI (01);",
        "SDR  112  TDI (01020304050607080910111213141516);",
        "STATE IDLE;",
    }));
    EXPECT_EQ(b.Read(2), Lines({"! --- CFG_ReadSVF"}) + kIdcode + Lines({
        "SIR    6  TDI (06);",
        "STATE IDLE;",
        "SIR    6  TDI (02);",
        "SDR  40  TDI (0102030405);",
        "STATE IDLE;",
    }));
    EXPECT_EQ(b.Read(5), Lines({
        "! READUES  );",
        "! READUES ",
        "SIR   6  TDI (0A);",
        "STATE IDLE;",
        "! ADDUES ",
        "SIR   6  TDI (03);",
        "SDR  16  TDI (0102);",
        "STATE IDLE;",
    }));
    const std::string readMan = Lines({
        "! READMAN  );",
        "NVD_ZELC_SetSuperVoltage;",
        "! READMAN ",
        "SIR    6  TDI (1B);",
        "STATE IDLE;",
        "! ADDMAN ",
        "SIR    6  TDI (18);",
        "SDR  16  TDI (0102);",
        "STATE IDLE;",
        "NVD_ZELC_ClearSuperVoltage;",
    });
    EXPECT_EQ(b.Read(10), readMan);
    EXPECT_EQ(b.Read(11), readMan);
    const std::string reset = "TRST ON;\nTRST OFF;\n";
    for (int reg : {-5, -4, 1, 3, 4, 6, 12, 14, 16, 17}) EXPECT_EQ(b.Read(reg), reset) << reg;
}

TEST_F(ZelCRegProgramTest, UesPrograms)
{
    EXPECT_EQ(b.Write(5), kUesWrite);
    EXPECT_EQ(b.Write(12), Lines({
        "! UES Latch only  ",
        "! Requires 15V on TGATE  ",
        "NVD_ZELC_SetSuperVoltage;",
        "! ADDUES ",
        "SIR    6  TDI (03);",
        "SDR 16 TDI (" + kUes + ");",
        "! LATCHUES ",
        "SIR    6  TDI (11); ",
        "STATE IDLE;",
        "NVD_ZELC_ClearSuperVoltage;",
    }));
}

TEST_F(ZelCRegProgramTest, ManPrograms)
{
    EXPECT_EQ(b.Write(10), Lines({
        "NVD_ZELC_SetSuperVoltage;",
        "! ERASEMAN ",
        "SIR    6  TDI (1A);",
        kWait,
        "! ADDMAN ",
        "SIR    6  TDI (18);",
        "SDR 16 TDI (" + kMan + ");",
        "! LATCHMAN ",
        "SIR    6  TDI (17); ",
        "STATE IDLE;",
        "! PROGMAN ",
        "SIR    6  TDI (19); ",
        kWait,
        "NVD_ZELC_ClearSuperVoltage;",
    }));
    EXPECT_EQ(b.Write(11), Lines({
        "NVD_ZELC_SetSuperVoltage;",
        "! ADDMAN ",
        "SIR    6  TDI (18);",
        "SDR 16 TDI (" + kMan + ");",
        "! LATCHMAN ",
        "SIR    6  TDI (17); ",
        "STATE IDLE;",
        "STATE IDLE;",
        "NVD_ZELC_ClearSuperVoltage;",
    }));
}

TEST_F(ZelCRegProgramTest, CalCalibrateAndSmallOperations)
{
    const std::string cal = Lines({
        "NVD_ZELC_SetSuperVoltage;",
        "! ADDCAL ",
        "SIR    6  TDI (10);",
        "SDR 26 TDI (" + kCalOnes + ");",
        "STATE IDLE;",
        "NVD_ZELC_ClearSuperVoltage;",
    });
    EXPECT_EQ(b.Write(13), cal);
    EXPECT_EQ(b.Read(13), cal);
    EXPECT_EQ(b.Write(1), Lines({
        "SIR  6  TDI (1C)",
        "! Device is self-timed.  Wait for it to complete cycle. ",
        kWait,
    }));
    EXPECT_EQ(b.Write(6), Lines({"! POWERUP  ", "SIR  6  TDI (13);", "STATE IDLE;"}));
    EXPECT_EQ(b.Write(7), Lines({"! POWERDN ", "SIR  6  TDI (12);", "STATE IDLE;"}));
    EXPECT_EQ(b.Write(9), Lines({
        "NVD_ZELC_SetSuperVoltage;",
        "!  TRIMEN (Trim Enable)",
        "! TRIMEN ",
        "SIR  6  TDI (15);",
        "STATE IDLE;",
        "NVD_ZELC_ClearSuperVoltage;",
    }));
    EXPECT_EQ(b.Write(15), Lines({"! CFG Erase (clears ESF too)", "SIR  6  TDI (1D);", kWait}));
    EXPECT_EQ(b.Write(17), "TRST ON;\nTRST OFF;\n");
}

TEST_F(ZelCRegProgramTest, BulkProgram)
{
    EXPECT_EQ(b.Write(16), Lines({
        "! --- Bulk Program",
        "! --- CFG_WriteSVF",
        "NVD_ZELC_SetSuperVoltage;",
        "! ALLBE  ",
        "SIR    6  TDI (1D);",
        kWait,
        "! ADDCFG ",
        "SIR    6  TDI (01);",
        "SDR 112 TDI (" + kCfgOnes + ");",
        "STATE IDLE;",
        "! ADDUES ",
        "SIR    6  TDI (03);",
        "SDR 16 TDI (" + kUes + ");",
        "STATE IDLE;",
        "! ADDMAN ",
        "SIR    6  TDI (18);",
        "SDR 16 TDI (" + kMan + ");",
        "STATE IDLE;",
        "! LATCHCFG ",
        "SIR    6  TDI (05); ",
        "STATE IDLE;",
        "! LATCHMAN ",
        "SIR    6  TDI (17); ",
        "STATE IDLE;",
        "! LATCHUES (MAN mode only)",
        "SIR    6  TDI (11); ",
        "STATE IDLE;",
        "! ALLBP ",
        "SIR    6  TDI (1C); ",
        kWait,
        "NVD_ZELC_ClearSuperVoltage;",
    }));
}

TEST_F(ZelCRegProgramTest, CfgVerifyAndEveryEraseShowAMessageAndEmitNothing)
{
    EXPECT_EQ(b.Write(14), "");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "JTAGREG_CFGVERIFY not implemented");
    for (int reg : {-4, 0, 5, 15, 99}) {
        prompter.Clear();
        EXPECT_EQ(b.Erase(reg), "") << reg;
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].text, "CreateEraseSVF not implemented");
    }
}
