#include <gtest/gtest.h>

#include <sstream>

#include "RegProgramTestUtil.h"
#include "jtag/JtagFrame.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

using List = std::vector<std::string>;

List Split(const std::string& text)
{
    List l;
    AppendProgramLines(l, text);
    return l;
}

List Concat(List a, const List& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(JtagFrame, ProgramTextIsSplitAtLineFeeds)
{
    List l{"first"};
    AppendProgramLines(l, "a\n\nb \nc");
    EXPECT_EQ(l, (List{"first", "a", "", "b ", "c"}));
    AppendProgramLines(l, "");
    EXPECT_EQ(l.size(), 5u);
}

TEST(JtagFrame, IdcodeRunOfASingleDevice)
{
    Bench b("ZelA");
    CJtagFrame f(b.program.get());
    f.BuildIdcode();
    EXPECT_EQ(f.Commands(), (List{
        "TRST  ON;",
        "TRST  OFF;",
        "ENDIR IRPAUSE;",
        "ENDDR DRPAUSE;",
        "HIR  0; ",
        "HDR  0; ",
        "TIR  0; ",
        "TDR  0; ",
        "! --- IDCODE",
        "SIR    5  TDI (0D);",
        "SDR   32  TDI (55AA55AA)  TDO (00100043);",
        "STATE IDLE;",
        "! --- end IDCODE  ",
    }));
}

TEST(JtagFrame, ReadAndEraseInAChainCarryTheChainCounts)
{
    Bench b("ZelB");
    CJtagFrame f(b.program.get());
    f.SetChainCounts(5, 1, 10, 2);
    const List head{
        "TRST  ON;", "TRST  OFF;", "ENDIR IRPAUSE;", "ENDDR DRPAUSE;",
        "HIR  5; ",  "HDR  1; ",   "TIR  10; ",      "TDR  2; ",
    };
    f.BuildRead(2);
    EXPECT_EQ(f.Commands(), Concat(head, Split(b.Read(2))));
    f.BuildErase(0);
    EXPECT_EQ(f.Commands(), Concat(head, List{"SIR    5  TDI (02);", kWait}));
}

TEST(JtagFrame, WriteFrameFollowsTheFrameFlags)
{
    Bench b("ZelD");
    CJtagFrame f(b.program.get());
    f.SetChainCounts({3, 0, 0, 4});
    f.BuildWrite(3);
    EXPECT_EQ(f.Commands(), (List{
        "TRST  ON;",
        "TRST  OFF;",
        "ENDIR IRPAUSE;",
        "ENDDR DRPAUSE;",
        "FREQUENCY 1e6 Hz;",
        "HIR  3; ",
        "HDR  0; ",
        "TIR  0; ",
        "TDR  4; ",
        "SIR    5  TDI (0B);",
        "SDR 13 TDI (" + b.ExpectedHex(167, 13) + ");",
        "STATE IDLE;",
    }));
    // The trim operations get no frame at all.
    f.BuildWrite(7);
    EXPECT_EQ(f.Commands(), (List{"ENDIR IDLE;", "SIR  5  TDI (0A);", "SIR  5  TDI (0F);"}));
}

TEST(JtagFrame, BuildingReplacesTheList)
{
    Bench b("ZelA");
    CJtagFrame f(b.program.get());
    f.BuildSingleLine("! ZelA Download");
    EXPECT_EQ(f.Commands(), List{"! ZelA Download"});
    f.BuildWrite(8);
    EXPECT_EQ(f.Commands().front(), "ENDIR IDLE;");
    f.Clear();
    EXPECT_TRUE(f.Commands().empty());
}

TEST(JtagFrame, SvfProgramIsTheDownloadWriteWithCrLf)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
        Bench b(type);
        CJtagFrame f(b.program.get());
        f.SetChainCounts(1, 2, 3, 4);
        std::ostringstream out;
        ASSERT_TRUE(f.WriteSvfProgram(out)) << type;
        const List lines = f.Commands();
        // The file is the command list, CR LF after every line.
        std::string expected;
        for (const std::string& l : lines) expected += l + "\r\n";
        EXPECT_EQ(out.str(), expected) << type;
        // Frame of a write, then the ALL program.
        const List frame{
            "TRST  ON;", "TRST  OFF;", "ENDIR IRPAUSE;", "ENDDR DRPAUSE;", "FREQUENCY 1e6 Hz;",
            "HIR  1; ",  "HDR  2; ",   "TIR  3; ",       "TDR  4; ",
        };
        EXPECT_EQ(lines, Concat(frame, Split(b.Write(-4)))) << type;
        EXPECT_EQ(out.str().find("\n\r"), std::string::npos);
    }
    // ZelA's download writes register 0: the file carries the same program.
    Bench a("ZelA");
    EXPECT_EQ(a.Write(-4), a.Write(0));
}

TEST(JtagFrame, NoProgramNoFile)
{
    CJtagFrame f;
    std::ostringstream out;
    EXPECT_FALSE(f.WriteSvfProgram(out));
    EXPECT_EQ(out.str(), "");
    f.BuildIdcode();  // the frame alone, no crash
    EXPECT_EQ(f.Commands().size(), 8u);
}
