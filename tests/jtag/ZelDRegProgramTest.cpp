#include <gtest/gtest.h>

#include "RegProgramTestUtil.h"
#include "jtag/ZelDRegProgram.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

// USRA cells 0..70 set, the shared cells 71..95 and the USRB cells 96..166 clear; the A/B bit
// (cell 93, bit 93 of both USR registers) as the test sets it.
const std::string kUsrAAb0 = "0000007FFFFFFFFFFFFFFFFF";
const std::string kUsrAAb1 = "2000007FFFFFFFFFFFFFFFFF";
const std::string kUsrBAb0 = "000000000000000000000000";
const std::string kUsrBAb1 = "200000000000000000000000";

class ZelDRegProgramTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(b.device && b.program);
        b.Fill(0, 71, 1);
        b.Fill(71, 96, 0);
        b.Fill(167, 13, 1);
        b.Fill(180, 24, 0);
        b.device->SetSymValue(10, 0);
        ASSERT_EQ(b.device->E2_GetValue(93), 0);
    }
    std::string Idcode() const
    {
        const std::string type = GetParam();
        return Lines({
            "! --- IDCODE",
            "SIR    5  TDI (0D);",
            type == "ZelD" ? "SDR   32  TDI (FFFFFFFF)  TDO (00120043);"
                           : "SDR   32  TDI (FFFFFFFF)  TDO (00121043);",
            "STATE IDLE;",
            "! --- end IDCODE  ",
        });
    }
    std::string WriteUsrA(const std::string& hex) const
    {
        return Lines({"! --- USRA_WriteSVF"}) + Idcode() + Lines({
            "SIR    5  TDI (02);",
            kWait,
            "SIR    5  TDI (01);",
            "SDR 96 TDI (" + hex + ");",
            "SIR    5  TDI (06); ",
            kWait,
            "SIR    5  TDI (04);",
            "STATE IDLE;",
            "SIR    5  TDI (01);",
            "SDR 96 TDI (" + hex + ") TDO (" + hex + ");",
            "STATE IDLE;",
        });
    }
    std::string WriteUsrB(const std::string& hex) const
    {
        return Lines({"! --- USRB_WriteSVF"}) + Idcode() + Lines({
            "SIR    5  TDI (03);",
            kWait,
            "SIR    5  TDI (01);",
            "SDR 96 TDI (" + hex + ");",
            "SIR    5  TDI (07); ",
            kWait,
            "SIR    5  TDI (05);",
            "STATE IDLE;",
            "SIR    5  TDI (01);",
            "SDR 96 TDI (" + hex + ") TDO (" + hex + ");",
            "STATE IDLE;",
        });
    }
    Bench b{GetParam()};
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Types, ZelDRegProgramTest, ::testing::Values("ZelD", "ZelE"));

TEST_P(ZelDRegProgramTest, RegisterTable)
{
    struct Row { int reg; const char* name; int length; };
    const Row rows[] = {
        {-5, "JEDEC", 167}, {-4, "ALL", 96}, {0, "USRA", 96}, {1, "Calibrate", 0},
        {2, "USRB", 96}, {3, "CAL", 13}, {4, "MAN", 24}, {5, "USRA No Prgm", 96},
        {6, "MAN No Prgm", 24}, {7, "TRPGA", 0}, {8, "CAPTEST", 0}, {9, "TrimEN", 0},
        {10, "undefined reg--ERROR!", 0}, {-2, "undefined reg--ERROR!", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(b.program->RegName(r.reg), r.name) << r.reg;
        EXPECT_EQ(b.program->GetRegLength(r.reg), r.length) << r.reg;
    }
    EXPECT_EQ(b.program->GetRegCount(), 3);
    b.program->SetMode(1);
    EXPECT_EQ(b.program->GetRegCount(), 10);
    EXPECT_EQ(b.program->GetFamilyConstant(), 3);
    for (int reg = -6; reg <= 10; ++reg) {
        EXPECT_EQ(b.program->GetFrameFlags(reg), (reg >= 7 && reg <= 9) ? 0 : -1) << reg;
        const bool one = reg == -5 || reg == -4 || reg == 1 || (reg >= 5 && reg <= 9);
        EXPECT_EQ(b.program->GetRegFlag(reg), one ? 1 : 65535) << reg;
    }
}

TEST_P(ZelDRegProgramTest, UsrWrites)
{
    EXPECT_EQ(b.Write(0), WriteUsrA(kUsrAAb0));
    EXPECT_EQ(b.Write(2), WriteUsrB(kUsrBAb0));
    EXPECT_EQ(b.Write(5), Lines({
        "! --- USRA_WriteSVF",
        "SIR    5  TDI (01);",
        "SDR 96 TDI (" + kUsrAAb0 + ");",
        "STATE IDLE;",
    }));
    b.program->SetInlineVerify(0);
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Write(2), Lines({
        "! --- USRB_WriteSVF",
        "SIR    5  TDI (03);",
        kWait,
        "SIR    5  TDI (01);",
        "SDR 96 TDI (" + kUsrBAb0 + ");",
        "SIR    5  TDI (07); ",
        kWait,
    }));
}

TEST_P(ZelDRegProgramTest, AllWritesBothConfigurationsAndRestoresTheAbBit)
{
    // Wakeup configuration A: B is written with the bit set, A finally with the bit clear.
    EXPECT_EQ(b.Write(-4), WriteUsrA(kUsrAAb1) + WriteUsrB(kUsrBAb1) + WriteUsrA(kUsrAAb0));
    EXPECT_EQ(b.device->GetSymValue(10), 0);
    // Wakeup configuration B: the last USRA write carries the design's own setting.
    b.device->SetSymValue(10, 1);
    EXPECT_EQ(b.Write(-4), WriteUsrA(kUsrAAb1) + WriteUsrB(kUsrBAb1) + WriteUsrA(kUsrAAb1));
    EXPECT_EQ(b.device->GetSymValue(10), 1);
}

TEST_P(ZelDRegProgramTest, ReadPrograms)
{
    EXPECT_EQ(b.Read(0), Lines({"! --- USRA_ReadSVF"}) + Idcode() + Lines({
        "SIR    5  TDI (04);",
        "STATE IDLE;",
        "SIR    5  TDI (01);",
        "SDR  96  TDI (010203040506070809101112);",
        "STATE IDLE;",
    }));
    EXPECT_EQ(b.Read(2), Lines({"! --- USRB_ReadSVF"}) + Idcode() + Lines({
        "SIR    5  TDI (05);",
        "STATE IDLE;",
        "SIR    5  TDI (01);",
        "SDR  96  TDI (010203040506070809101112);",
        "STATE IDLE;",
    }));
    EXPECT_EQ(b.Read(4), Lines({
        "SIR    5  TDI (0A);",
        "STATE IDLE;",
        "SIR    5  TDI (09);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR  24  TDI (010203);",
        "STATE IDLE;",
    }));
    const std::string reset = "TRST ON;\nTRST OFF;\n";
    for (int reg : {-5, -4, 1, 5, 6, 7, 10}) EXPECT_EQ(b.Read(reg), reset) << reg;
}

TEST_P(ZelDRegProgramTest, CalManAndCalibrate)
{
    const std::string cal = Lines({"SIR    5  TDI (0B);", "SDR 13 TDI (1FFF);", "STATE IDLE;"});
    EXPECT_EQ(b.Write(3), cal);
    EXPECT_EQ(b.Read(3), cal);
    EXPECT_EQ(b.Write(1), Lines({
        "SIR  5  TDI (0C)",
        "! Device is self-timed.  Wait for it to complete cycle. ",
        kWait,
    }));
    EXPECT_EQ(b.Write(4), Lines({
        "SIR    5  TDI (0A);",
        "STATE IDLE;",
        "SIR    5  TDI (10);",
        kWait,
        "SIR    5  TDI (0A);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 24 TDI (000000);",
        "SIR    5  TDI (0E); ",
        kWait,
    }));
    EXPECT_EQ(b.Write(6), Lines({
        "SIR    5  TDI (0A);",
        "STATE IDLE;",
        "SIR    5  TDI (0A);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 24 TDI (000000);",
        "STATE IDLE;",
    }));
}

TEST_P(ZelDRegProgramTest, EraseDispatchAndTrims)
{
    const std::string eraseA = Lines({"SIR    5  TDI (02);", kWait});
    EXPECT_EQ(b.Erase(0), eraseA);
    EXPECT_EQ(b.Erase(5), eraseA);
    const std::string eraseMan = Lines({"SIR    5  TDI (0A);", "STATE IDLE;", "SIR    5  TDI (10);", kWait});
    EXPECT_EQ(b.Erase(4), eraseMan);
    EXPECT_EQ(b.Erase(6), eraseMan);
    // USRB has no erase of its own.
    EXPECT_EQ(b.Erase(2), "TRST ON;\nTRST OFF;\n");
    const std::string trpga = Lines({"ENDIR IDLE;", "SIR  5  TDI (0A);", "SIR  5  TDI (0F);"});
    const std::string captest = Lines({"ENDIR IDLE;", "SIR  5  TDI (0A);", "SIR  5  TDI (13);"});
    EXPECT_EQ(b.Write(7), trpga);
    EXPECT_EQ(b.Write(8), captest);
    EXPECT_EQ(b.Write(9), Lines({"ENDIR IDLE;", "SIR  5  TDI (0A);", "SIR  5  TDI (12);"}));
    EXPECT_EQ(b.Erase(7), trpga);
    EXPECT_EQ(b.Erase(8), captest);
    EXPECT_EQ(b.Erase(9), "TRST ON;\nTRST OFF;\n");
    EXPECT_EQ(b.Write(10), "TRST ON;\nTRST OFF;\n");
}

TEST_P(ZelDRegProgramTest, IdcodeBlockFollowsTheDeviceTypeName)
{
    EXPECT_EQ(b.Idcode(), Idcode());
    b.program->SetDeviceTypeName("ZelX");
    EXPECT_EQ(b.Idcode(), Lines({"! --- IDCODE", "SIR    5  TDI (0D);", "STATE IDLE;", "! --- end IDCODE  "}));
}
