#include <gtest/gtest.h>

#include "RegProgramTestUtil.h"
#include "jtag/ZelBRegProgram.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

const std::string kUsrOnes = "1FFFFFFFFFFFFFFFFFFFF";  // 81 bits, all 1
const std::string kManOnes = "3FFFFFFFFFFFF";          // 50 bits
const std::string kCalOnes = "3FFFFFF";                // 26 bits

class ZelBRegProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(b.device && b.program);
        b.Fill(0, 81, 1);
        // DAC 0xA5: bits 0, 2, 5, 7 set, placed by the cells' register bits.
        for (int c = 81; c < 89; ++c) {
            const int bit = b.device->GetCellBit(c);
            b.device->E2_SetValue(c, (0xA5 >> bit) & 1);
        }
        b.Fill(89, 26, 1);
        b.Fill(115, 50, 1);
    }
    Bench b{"ZelB"};
};

const std::string kIdcode = Lines({
    "! --- IDCODE",
    "SIR    5  TDI (0D);",
    "SDR   32  TDI (FFFFFFFF)  TDO (00111043);",
    "STATE IDLE;",
    "! --- end IDCODE  ",
});

const std::string kWriteUsr = Lines({
    "!   ",
    "! --- Write USR",
}) + kIdcode + Lines({
    "! UBE (user bulk erase)",
    "SIR    5  TDI (02);",
    kWait,
    "! ADDUSR (address USR)",
    "SIR    5  TDI (01);",
    "SDR 81 TDI (" + kUsrOnes + ");",
    "! PRGUSR  (program USR)",
    "SIR    5  TDI (04); ",
    kWait,
    "! in-line verify",
    "! VERUSR  (verify USR)",
    "SIR    5  TDI (03);",
    "STATE IDLE;",
    "SIR    5  TDI (01);",
    "SDR 81 TDI (" + kUsrOnes + ") TDO (" + kUsrOnes + ");",
    "STATE IDLE;",
    "!   ",
});

const std::string kEraseDac = Lines({
    "! --- Erase DAC",
    "SIR    5  TDI (11);",
    kWait,
    "! --- end erase DAC",
});

const std::string kWriteDacBody = kEraseDac + Lines({
    "! ADDDAC (address DAC)",
    "SIR    5  TDI (14);",
    "SDR 8 TDI (A5);",
    "! PRGDAC (program DAC)",
    "SIR    5  TDI (13); ",
    kWait,
    "! in-line verify",
    "! VERDAC  (verify DAC)",
    "SIR    5  TDI (12);",
    "STATE IDLE;",
    "SIR    5  TDI (14);",
    "SDR 8 TDI (A5) TDO (A5);",
    "STATE IDLE;",
    "!   ",
});

}  // namespace

TEST_F(ZelBRegProgramTest, RegisterTable)
{
    struct Row { int reg; const char* name; int length; };
    const Row rows[] = {
        {-5, "JEDEC", 89}, {-4, "ALL", 89}, {0, "USR", 81}, {1, "Calibrate", 0}, {2, "DAC", 8},
        {3, "CAL", 26}, {4, "MAN", 50}, {5, "USR No Prgm", 81}, {6, "MAN No Prgm", 50},
        {7, "TRTop", 0}, {8, "TRBot", 0}, {9, "TrimEN", 0}, {10, "undefined--ERROR!", 0},
        {-1, "undefined--ERROR!", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(b.program->RegName(r.reg), r.name) << r.reg;
        EXPECT_EQ(b.program->GetRegLength(r.reg), r.length) << r.reg;
    }
    EXPECT_EQ(b.program->GetRegCount(), 3);
    b.program->SetMode(1);
    EXPECT_EQ(b.program->GetRegCount(), 10);
    EXPECT_EQ(b.program->GetFamilyConstant(), 4);
    for (int reg = -6; reg <= 10; ++reg) {
        EXPECT_EQ(b.program->GetFrameFlags(reg), (reg >= 7 && reg <= 9) ? 0 : -1) << reg;
        const bool one = reg == -5 || reg == -4 || reg == 1 || (reg >= 5 && reg <= 9);
        EXPECT_EQ(b.program->GetRegFlag(reg), one ? 1 : 65535) << reg;
    }
}

TEST_F(ZelBRegProgramTest, WriteUsrAndAll)
{
    EXPECT_EQ(b.Write(0), kWriteUsr);
    // ALL: USR with programming, then the DAC without its IDCODE block.
    EXPECT_EQ(b.Write(-4), kWriteUsr + Lines({"! --- Write DAC"}) + kWriteDacBody);
}

TEST_F(ZelBRegProgramTest, WriteUsrWithoutProgrammingKeepsTheIdcodeBlock)
{
    EXPECT_EQ(b.Write(5), Lines({
        "!   ",
        "! --- Write USR",
    }) + kIdcode + Lines({
        "! ADDUSR (address USR)",
        "SIR    5  TDI (01);",
        "SDR 81 TDI (" + kUsrOnes + ");",
        "STATE IDLE;",
        "!   ",
    }));
}

TEST_F(ZelBRegProgramTest, WriteDac)
{
    EXPECT_EQ(b.Write(2), Lines({"! --- Write DAC"}) + kIdcode + kWriteDacBody);
    b.program->SetInlineVerify(0);
    b.program->SetIdcodeCheck(0);
    EXPECT_EQ(b.Write(2), Lines({"! --- Write DAC"}) + kEraseDac + Lines({
        "! ADDDAC (address DAC)",
        "SIR    5  TDI (14);",
        "SDR 8 TDI (A5);",
        "! PRGDAC (program DAC)",
        "SIR    5  TDI (13); ",
        kWait,
        "!   ",
    }));
}

TEST_F(ZelBRegProgramTest, ReadPrograms)
{
    EXPECT_EQ(b.Read(0), Lines({"! --- Read USR"}) + kIdcode + Lines({
        "! VERUSR  (verify USR)",
        "SIR    5  TDI (03);",
        "STATE IDLE;",
        "SIR    5  TDI (01);",
        "SDR  81  TDI (0102030405060708091011);",
        "STATE IDLE;",
        "!   ",
    }));
    EXPECT_EQ(b.Read(2), Lines({"! --- Read DAC"}) + kIdcode + Lines({
        "SIR    5  TDI (12);",
        "STATE IDLE;",
        "SIR    5  TDI (14);",
        "SDR  8  TDI (55);",
        "STATE IDLE;",
        "!   ",
    }));
    EXPECT_EQ(b.Read(4), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (05);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR  50  TDI (010203040506070);",
        "STATE IDLE;",
    }));
}

TEST_F(ZelBRegProgramTest, CalAndCalibrate)
{
    const std::string cal = Lines({
        "! --- Write CAL",
        "SIR    5  TDI (0F);",
        "SDR 26 TDI (" + kCalOnes + ");",
        "STATE IDLE;",
    });
    EXPECT_EQ(b.Write(3), cal);
    EXPECT_EQ(b.Read(3), cal);
    EXPECT_EQ(b.Write(1), Lines({
        "SIR  5  TDI (10)",
        "! Device is self-timed.  Wait for it to complete cycle. ",
        kWait,
    }));
}

TEST_F(ZelBRegProgramTest, ManWritesAndErase)
{
    EXPECT_EQ(b.Write(4), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (0A);",
        kWait,
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 50 TDI (" + kManOnes + ");",
        "SIR    5  TDI (09); ",
        kWait,
    }));
    EXPECT_EQ(b.Write(6), Lines({
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (06);",
        "STATE IDLE;",
        "SIR    5  TDI (08);",
        "SDR 50 TDI (" + kManOnes + ");",
        "STATE IDLE;",
    }));
    const std::string erase = Lines({"SIR    5  TDI (06);", "STATE IDLE;", "SIR    5  TDI (0A);", kWait});
    EXPECT_EQ(b.Erase(4), erase);
    EXPECT_EQ(b.Erase(6), erase);
}

TEST_F(ZelBRegProgramTest, EraseDispatchAndTrims)
{
    const std::string eraseUsr = Lines({"SIR    5  TDI (02);", kWait});
    EXPECT_EQ(b.Erase(0), eraseUsr);
    EXPECT_EQ(b.Erase(5), eraseUsr);
    EXPECT_EQ(b.Erase(2), kEraseDac);
    const std::string trTop = Lines({"ENDIR IDLE;", "SIR  5  TDI (06)", "SIR  5  TDI (0B)"});
    const std::string trBot = Lines({"ENDIR IDLE;", "SIR  5  TDI (06)", "SIR  5  TDI (0C)"});
    EXPECT_EQ(b.Write(7), trTop);
    EXPECT_EQ(b.Write(8), trBot);
    EXPECT_EQ(b.Write(9), Lines({"ENDIR IDLE;", "SIR  5  TDI (06)", "SIR  5  TDI (0E)"}));
    EXPECT_EQ(b.Erase(7), trTop);
    EXPECT_EQ(b.Erase(8), trBot);
    const std::string reset = "TRST ON;\nTRST OFF;\n";
    for (int reg : {-5, 10}) EXPECT_EQ(b.Write(reg), reset);
    for (int reg : {-4, 1, 5, 6, 7}) EXPECT_EQ(b.Read(reg), reset);
    for (int reg : {-4, 1, 3, 9}) EXPECT_EQ(b.Erase(reg), reset);
}

TEST_F(ZelBRegProgramTest, RegisterImagesFollowTheCellBitPositions)
{
    struct R { int reg, first, count; };
    for (const R& r : {R{0, 0, 81}, R{2, 81, 8}, R{3, 89, 26}, R{4, 115, 50}}) {
        b.Fill(r.first, r.count, 0);
        for (int c = r.first; c < r.first + r.count; c += 5) {
            b.device->E2_SetValue(c, 1);
            EXPECT_NE(b.Write(r.reg).find("TDI (" + b.ExpectedHex(r.first, r.count) + ")"),
                      std::string::npos)
                << "cell " << c;
            b.device->E2_SetValue(c, 0);
        }
    }
}
