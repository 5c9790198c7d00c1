#include <gtest/gtest.h>

#include "RegProgramTestUtil.h"
#include "jtag/ZelARegProgram.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

const std::string kUsrOnes = "1FFFFFFFFFFFFFFFFFFFFFFFFFFF";  // 109 bits, all 1
const std::string kCalOnes = "FFFFFFFFFFFFF";                 // 52 bits
const std::string kManOnes = "3FFFF";                         // 18 bits

class ZelARegProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(b.device && b.program);
        b.Fill(0, 109, 1);
        b.Fill(109, 52, 1);
        b.Fill(161, 18, 1);
    }
    Bench b{"ZelA"};
};

const std::string kIdcode = Lines({
    "! --- IDCODE",
    "SIR    5  TDI (0D);",
    "SDR   32  TDI (55AA55AA)  TDO (00100043);",
    "STATE IDLE;",
    "! --- end IDCODE  ",
});

}  // namespace

TEST_F(ZelARegProgramTest, RegisterTable)
{
    struct Row { int reg; const char* name; int length; };
    const Row rows[] = {
        {-5, "JEDEC", 109}, {-4, "ALL", 109}, {0, "USR", 109}, {1, "Calibrate", 0},
        {2, "CAL", 52}, {3, "MAN", 18}, {4, "USR No Prgm", 109}, {5, "MAN No Prgm", 18},
        {6, "TRTop", 0}, {7, "TRBot", 0}, {8, "TrimEN", 0},
        {-6, "undefined--ERROR!", 0}, {-3, "undefined--ERROR!", 0}, {9, "undefined--ERROR!", 0},
    };
    for (const Row& r : rows) {
        std::string name = "junk";
        EXPECT_EQ(b.program->GetRegName(r.reg, name), 0);
        EXPECT_EQ(name, r.name) << r.reg;
        EXPECT_EQ(b.program->GetRegLength(r.reg), r.length) << r.reg;
    }
    EXPECT_EQ(b.program->GetRegCount(), 2);
    b.program->SetMode(1);
    EXPECT_EQ(b.program->GetRegCount(), 9);
    EXPECT_EQ(b.program->GetFamilyConstant(), 3);
    for (int reg = -5; reg <= 9; ++reg) {
        EXPECT_EQ(b.program->GetFrameFlags(reg), (reg >= 6 && reg <= 8) ? 0 : -1) << reg;
        const bool one = reg == 1 || (reg >= 4 && reg <= 8);
        EXPECT_EQ(b.program->GetRegFlag(reg), one ? 1 : 65535) << reg;
    }
}

TEST_F(ZelARegProgramTest, WriteUsrWithProgrammingAndInlineVerify)
{
    const std::string expected = Lines({
        "!   ",
        "! --- Write USR",
    }) + kIdcode + Lines({
        "! UBE (user bulk erase)",
        "SIR    5  TDI (02);",
        kWait,
        "! ADDUSR (address USR)",
        "SIR    5  TDI (01);",
        "SDR 109 TDI (" + kUsrOnes + ");",
        "! PRGUSR  (program USR)",
        "SIR    5  TDI (04); ",
        kWait,
        "! in-line verify",
        "! VERUSR  (verify USR)",
        "SIR    5  TDI (03);",
        "STATE IDLE;",
        "SIR    5  TDI (01);",
        "SDR 109 TDI (" + kUsrOnes + ") TDO (" + kUsrOnes + ");",
        "STATE IDLE;",
        "!   ",
    });
    EXPECT_EQ(b.Write(0), expected);
    EXPECT_EQ(b.Write(-4), expected);
}

TEST_F(ZelARegProgramTest, WriteUsrSwitchesOff)
{
    b.program->SetInlineVerify(0);
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Write(0), Lines({
        "!   ",
        "! --- Write USR",
        "! UBE (user bulk erase)",
        "SIR    5  TDI (02);",
        kWait,
        "! ADDUSR (address USR)",
        "SIR    5  TDI (01);",
        "SDR 109 TDI (" + kUsrOnes + ");",
        "! PRGUSR  (program USR)",
        "SIR    5  TDI (04); ",
        kWait,
        "!   ",
    }));
}

TEST_F(ZelARegProgramTest, WriteUsrWithoutProgramming)
{
    b.Fill(0, 109, 0);
    EXPECT_EQ(b.Write(4), Lines({
        "!   ",
        "! --- Write USR",
        "! ADDUSR (address USR)",
        "SIR    5  TDI (01);",
        "SDR 109 TDI (0000000000000000000000000000);",
        "STATE IDLE;",
        "!   ",
    }));
}

TEST_F(ZelARegProgramTest, ReadUsr)
{
    const std::string expected = Lines({"! --- Read USR"}) + kIdcode + Lines({
        "! VERUSR  (verify USR)",
        "SIR    5  TDI (03);",
        "STATE IDLE;",
        "! ADDUSR (address USR)",
        "SIR    5  TDI (01);",
        "SDR  109  TDI (0102030405060708091011121314156);",
        "STATE IDLE;",
    });
    EXPECT_EQ(b.Read(0), expected);
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Read(0).find("IDCODE"), std::string::npos);
}

TEST_F(ZelARegProgramTest, CalReadAndWriteAreTheSameProgram)
{
    const std::string expected = Lines({
        "SIR    5  TDI (0F);",
        "SDR 52 TDI (" + kCalOnes + "); ",
        "STATE IDLE;",
    });
    EXPECT_EQ(b.Write(2), expected);
    EXPECT_EQ(b.Read(2), expected);
}

TEST_F(ZelARegProgramTest, CalibrateKeepsItsColon)
{
    EXPECT_EQ(b.Write(1), Lines({
        "SIR  5  TDI (10):",
        "! Device is self-timed.  Wait for it to complete cycle. ",
        kWait,
    }));
}

TEST_F(ZelARegProgramTest, ManPrograms)
{
    EXPECT_EQ(b.Write(3), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (0A);",
        kWait,
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 18 TDI (" + kManOnes + ");",
        "SIR    5  TDI (09); ",
        kWait,
    }));
    EXPECT_EQ(b.Write(5), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 18 TDI (" + kManOnes + ");",
        "STATE IDLE;",
    }));
    EXPECT_EQ(b.Read(3), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (05);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR  18  TDI (01020);",
        "STATE IDLE;",
    }));
    const std::string erase = Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (0A);",
        kWait,
    });
    EXPECT_EQ(b.Erase(3), erase);
    EXPECT_EQ(b.Erase(5), erase);
}

TEST_F(ZelARegProgramTest, EraseUsrAndTrims)
{
    const std::string eraseUsr = Lines({"SIR    5  TDI (02);", kWait});
    EXPECT_EQ(b.Erase(0), eraseUsr);
    EXPECT_EQ(b.Erase(4), eraseUsr);
    const std::string trTop = Lines({"ENDIR IDLE;", "SIR  5  TDI (06)", "SIR  5  TDI (0B)"});
    const std::string trBot = Lines({"ENDIR IDLE;", "SIR  5  TDI (06);", "SIR  5  TDI (0C);"});
    EXPECT_EQ(b.Write(6), trTop);
    EXPECT_EQ(b.Write(7), trBot);
    EXPECT_EQ(b.Write(8), Lines({"ENDIR IDLE;", "SIR  5  TDI (06);", "SIR  5  TDI (0E);"}));
    EXPECT_EQ(b.Erase(6), trTop);
    EXPECT_EQ(b.Erase(7), trBot);
}

TEST_F(ZelARegProgramTest, UnhandledNumbersGiveTheReset)
{
    const std::string reset = "TRST ON;\nTRST OFF;\n";
    for (int reg : {-5, 9, 100}) EXPECT_EQ(b.Write(reg), reset) << reg;
    for (int reg : {-5, -4, 1, 4, 5, 6, 7, 8}) EXPECT_EQ(b.Read(reg), reset) << reg;
    for (int reg : {-4, 1, 2, 8}) EXPECT_EQ(b.Erase(reg), reset) << reg;
}

TEST_F(ZelARegProgramTest, IdcodeAlwaysOnRequest)
{
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Idcode(), kIdcode);
}

TEST_F(ZelARegProgramTest, GeneratorsAppendToTheBuffer)
{
    std::string s = "keep\n";
    b.program->CreateWriteSVF(1, s);
    EXPECT_EQ(s.rfind("keep\nSIR  5  TDI (10):\n", 0), 0u);
}

TEST_F(ZelARegProgramTest, RegisterImagesFollowTheCellBitPositions)
{
    // One cell set at a time: the image has exactly the cell's register bit set.
    struct R { int reg, first, count; };
    for (const R& r : {R{0, 0, 109}, R{2, 109, 52}, R{3, 161, 18}}) {
        b.Fill(r.first, r.count, 0);
        for (int c = r.first; c < r.first + r.count; c += 7) {
            b.device->E2_SetValue(c, 1);
            const std::string text = b.Write(r.reg);
            EXPECT_NE(text.find("TDI (" + b.ExpectedHex(r.first, r.count) + ")"), std::string::npos)
                << "cell " << c;
            b.device->E2_SetValue(c, 0);
        }
    }
}
