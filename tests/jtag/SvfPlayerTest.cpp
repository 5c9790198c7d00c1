// The full SVF player: statements as other tools write them, against a recording port and against
// chains of simulated devices on the virtual parallel and the virtual USB cable.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <streambuf>
#include <string>

#include "JtagTestSupport.h"
#include "jtag/SvfPlayer.h"

namespace kalidor {
namespace {

using test::Frame;
using test::LineOf;
using test::RecordingPort;
using test::RigCable;
using test::VirtualRig;

CSvfPlayResult PlayText(CSvfPlayer& player, const std::string& text)
{
    std::istringstream in(text);
    return player.Play(in);
}

std::string Reports(const CSvfPlayResult& r)
{
    std::string s;
    for (const auto& line : r.reports) s += line + "\n";
    return s;
}

// --- reading statements -------------------------------------------------------------------------

TEST(SvfStatementReaderTest, StatementsOverLinesCommentsAndLineNumbers)
{
    std::istringstream in("! a comment; with a semicolon\n"
                          "SIR 8\n"
                          "   TDI (A5) ; SDR 4 TDI(1)// TDO (2);\n"
                          "TDO (0) ;\n"
                          "\n"
                          "RUNTEST 10 TCK ; STATE a/b;\n"
                          "ENDDR IDLE");
    CSvfStatementReader reader(in);
    std::string s;
    std::uint64_t line = 0;
    bool complete = false;
    ASSERT_TRUE(reader.Next(s, line, complete));
    EXPECT_EQ(s, "SIR 8 TDI (A5)");
    EXPECT_EQ(line, 2u);
    EXPECT_TRUE(complete);
    ASSERT_TRUE(reader.Next(s, line, complete));
    EXPECT_EQ(s, "SDR 4 TDI(1) TDO (0)");  // "//" to the end of the line is a comment
    EXPECT_EQ(line, 3u);
    ASSERT_TRUE(reader.Next(s, line, complete));
    EXPECT_EQ(s, "RUNTEST 10 TCK");
    EXPECT_EQ(line, 6u);
    ASSERT_TRUE(reader.Next(s, line, complete));
    EXPECT_EQ(s, "STATE a/b");  // a single slash is text
    // The last statement has no ';': it comes back incomplete, then the stream ends.
    ASSERT_TRUE(reader.Next(s, line, complete));
    EXPECT_EQ(s, "ENDDR IDLE");
    EXPECT_FALSE(complete);
    EXPECT_FALSE(reader.Next(s, line, complete));
}

// A stream that makes `count` copies of one statement as it is read, never holding them all.
class RepeatingBuf : public std::streambuf {
public:
    RepeatingBuf(std::string statement, std::uint64_t count) : m_text(std::move(statement)), m_left(count) {}

protected:
    int_type underflow() override
    {
        if (m_left == 0) return traits_type::eof();
        --m_left;
        setg(m_text.data(), m_text.data(), m_text.data() + m_text.size());
        return traits_type::to_int_type(m_text[0]);
    }

private:
    std::string m_text;
    std::uint64_t m_left;
};

// A cable that only counts its clocks; TDO reads 0.
class CountingCable : public CJtagCable {
public:
    std::string GetName() const override { return "counting"; }
    void SetPins(int, int, int) override {}
    int ReadTDO() override { return 0; }
    void Shift(const std::uint8_t*, const std::uint8_t*, std::size_t count, std::uint8_t* tdo) override
    {
        clocks += count;
        if (tdo) std::fill(tdo, tdo + count, std::uint8_t{0});
    }
    std::uint64_t clocks = 0;
};

TEST(SvfPlayerTest, LongStreamPlaysStatementByStatement)
{
    // 6 MB of hex in 1000 statements of three 2048-digit values, made as they are read.
    const std::string hex(2048, 'A');
    RepeatingBuf buf("SDR 8192 TDI (" + hex + ")\n TDO (" + std::string(2048, '0') + ") MASK (" + hex + ");\n", 1000);
    std::istream in(&buf);
    CountingCable cable;
    CSvfPlayer player(cable);
    const CSvfPlayResult& r = player.Play(in);
    EXPECT_TRUE(r.Passed()) << Reports(r);
    EXPECT_EQ(r.statements, 1000u);
    EXPECT_EQ(r.checks, 1000u);
    EXPECT_EQ(r.tck, cable.clocks);
    EXPECT_EQ(r.tck, 6u + 1000u * (3u + 8192u + 2u));  // reset and IDLE, then each scan from IDLE to IDLE
}

// --- paths and the exact clocks ----------------------------------------------------------------

TEST(SvfPlayerTest, PathsAreShortestAndEndWhereAsked)
{
    EXPECT_EQ(SvfPathBetween(TAP_IDLE, TAP_PAUSE_DR), (std::vector<std::uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(SvfPathBetween(TAP_IDLE, TAP_PAUSE_IR), (std::vector<std::uint8_t>{1, 1, 0, 1, 0}));
    EXPECT_EQ(SvfPathBetween(TAP_PAUSE_DR, TAP_PAUSE_IR), (std::vector<std::uint8_t>{1, 1, 1, 1, 0, 1, 0}));
    EXPECT_EQ(SvfPathBetween(TAP_PAUSE_IR, TAP_SHIFT_IR), (std::vector<std::uint8_t>{1, 0}));
    EXPECT_EQ(SvfPathBetween(TAP_IDLE, TAP_RESET), (std::vector<std::uint8_t>(5, 1)));
    EXPECT_TRUE(SvfPathBetween(TAP_RESET, TAP_RESET).empty());
    EXPECT_EQ(SvfPathBetween(TAP_ANY, TAP_IDLE), (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 0}));
    // Every path between any two states ends where asked, from every start.
    for (int from = 0; from < kTapStateCount; ++from)
        for (int to = 0; to < kTapStateCount; ++to) {
            int s = from;
            for (std::uint8_t t : SvfPathBetween(from, to)) s = TapNextState(s, t);
            EXPECT_EQ(s, to) << TapStateName(from) << " -> " << TapStateName(to);
        }
}

TEST(SvfPlayerTest, ScanClocksHeaderDataTrailerInOrder)
{
    RecordingPort port;
    CSvfPlayer player(port);
    const auto& r = PlayText(player, "STATE RESET; STATE IDLE;\nHIR 2 TDI (1);\nTIR 3;\nSIR 4 TDI (A);\n");
    ASSERT_TRUE(r.Passed()) << Reports(r);
    // Reset (five ones), IDLE, then IDLE -> SHIFT_IR (1100), 2 header bits (01, bit 0 first), the
    // data A = 1010 bit 0 first (0101), the trailer of ones with TMS 1 on the last bit, then
    // EXIT1_IR -> IDLE (10).
    EXPECT_EQ(port.Tms(), "111110" "1100" "00" "0000" "001" "10");
    EXPECT_EQ(port.Tdi().substr(10, 9), "10" "0101" "111");
    EXPECT_EQ(player.State(), TAP_IDLE);
    EXPECT_EQ(r.tck, port.clocks.size());
}

TEST(SvfPlayerTest, ExplicitStatePathsAreClockedAsWritten)
{
    RecordingPort port;
    CSvfPlayer player(port);
    auto r = PlayText(player, "STATE IDLE;\nSTATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\nSTATE DREXIT2 DRUPDATE IDLE;\n");
    ASSERT_TRUE(r.Passed()) << Reports(r);
    EXPECT_EQ(port.Tms(), "111110" "1010" "110");
    r = PlayText(player, "STATE IRSELECT IDLE;\n");
    EXPECT_FALSE(r.Passed());
    EXPECT_EQ(Reports(r), "Line 1: syntax error: STATE path: IRSELECT does not follow IDLE\n");
}

// --- the sticky rules of scans ------------------------------------------------------------------

TEST(SvfPlayerTest, TdiMaskAndSmaskStickForTheSameLengthTdoDoesNot)
{
    RecordingPort port;
    port.tdo = 1;  // every captured bit is 1
    CSvfPlayer player(port);
    player.SetKeepGoing(true);
    const std::string text = "STATE IDLE;\n"
                             "SDR 8 TDI (A5) TDO (FF) MASK (0F) SMASK (FF);\n"  // passes
                             "SDR 8 TDO (F0);\n"        // TDI A5 and MASK 0F again: F0 under 0F fails
                             "SDR 8;\n"                 // no TDO: nothing compared
                             "SDR 16 TDI (0) TDO (FFFF);\n";  // MASK all ones again: passes
    const auto& r = PlayText(player, text);
    EXPECT_EQ(r.checks, 3u);
    EXPECT_EQ(r.mismatches, 1u);
    EXPECT_EQ(r.errors, 0u);
    EXPECT_EQ(Reports(r), "Line 3: TDO mismatch in SDR (8 bits): expected F0, captured FF, mask 0F\n");
    // The second scan clocked the first one's TDI again (A5, bit 0 first).
    const std::string tdi = port.Tdi();
    EXPECT_EQ(tdi.substr(6 + 3, 8), "10100101");
    EXPECT_EQ(tdi.substr(6 + 3 + 8 + 2 + 3, 8), "10100101");
}

TEST(SvfPlayerTest, BadValuesAreSyntaxErrorsThatStopThePlay)
{
    const struct {
        const char* text;
        const char* report;
    } cases[] = {
        {"SIR 4 TDI (1F);", "Line 1: syntax error: SIR TDI: the value (1F) has more bits than the length 4\n"},
        {"SIR 4 TDI (G);", "Line 1: syntax error: SIR TDI: \"G\" is not a hexadecimal value\n"},
        {"SIR 4 TDI (1) TDI (2);", "Line 1: syntax error: SIR: TDI given twice\n"},
        {"SIR 4 TDI (1;", "Line 1: syntax error: SIR TDI: a value without ')'\n"},
        {"SIR x TDI (1);", "Line 1: syntax error: SIR needs a length\n"},
        {"ENDDR DRSHIFT;", "Line 1: syntax error: ENDDR takes one of RESET, IDLE, DRPAUSE, IRPAUSE\n"},
        {"STATE DRSHIFT;", "Line 1: syntax error: STATE must end in a stable state, not DRSHIFT\n"},
        {"RUNTEST 10;", "Line 1: syntax error: RUNTEST [state] count TCK|SCK [min SEC] [MAXIMUM max SEC] "
                        "[ENDSTATE state], or RUNTEST [state] min SEC [MAXIMUM max SEC] [ENDSTATE state]\n"},
        {"FREQUENCY 1E6;", "Line 1: syntax error: FREQUENCY [cycles HZ]\n"},
        {"TRST MAYBE;", "Line 1: syntax error: TRST ON|OFF|Z|ABSENT\n"},
        {"LOOP 3;", "Line 1: syntax error: unknown statement \"LOOP\"\n"},
        {"SDR 16 TDO (1);", "Line 1: syntax error: SDR: a new length needs TDI\n"},
        {"RUNTEST 100000 SEC;", "Line 1: syntax error: RUNTEST: a wait above a day\n"},
    };
    for (const auto& c : cases) {
        RecordingPort port;
        CSvfPlayer player(port);
        const auto& r = PlayText(player, std::string(c.text) + "\nSTATE RESET;\n");
        EXPECT_EQ(Reports(r), c.report) << c.text;
        EXPECT_TRUE(r.stopped) << c.text;
        EXPECT_TRUE(port.clocks.empty()) << c.text;  // the statement after never played
    }
    RecordingPort port;
    CSvfPlayer player(port);
    const auto& r = PlayText(player, "STATE RESET;\n\nSIR 4 TDI (1)\n");
    EXPECT_EQ(Reports(r), "Line 3: syntax error: the file ends inside a statement (no ';')\n");
    EXPECT_TRUE(r.stopped);
}

TEST(SvfPlayerTest, PioIsReportedAsUnsupportedAndThePlayGoesOn)
{
    RecordingPort port;
    CSvfPlayer player(port);
    const auto& r = PlayText(player, "PIOMAP (IN A OUT B);\nPIO (HL);\nSTATE RESET;\n");
    EXPECT_FALSE(r.Passed());
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.errors, 2u);
    EXPECT_EQ(Reports(r), "Line 1: not supported: PIOMAP (parallel test vectors)\n"
                          "Line 2: not supported: PIO (parallel test vectors)\n");
    EXPECT_EQ(port.Tms(), "11111");
}

// --- RUNTEST ------------------------------------------------------------------------------------

TEST(SvfPlayerTest, RuntestFormsClockAndWait)
{
    const struct {
        const char* text;
        std::uint64_t runClocks;  // clocks after reaching the run state
        std::int64_t waitUs;
        int end;
    } cases[] = {
        {"RUNTEST 100 TCK;", 100, 0, TAP_IDLE},
        {"RUNTEST 1.5E-3 SEC;", 0, 1500, TAP_IDLE},
        {"RUNTEST 100 TCK 1E-3 SEC;", 100, 1000, TAP_IDLE},
        // The cable may clock faster than FREQUENCY: the clocks are not counted as time.
        {"FREQUENCY 1E6 HZ; RUNTEST 100 TCK 1E-3 SEC;", 100, 1000, TAP_IDLE},
        {"FREQUENCY 1E6 HZ; RUNTEST 5000 TCK 1E-3 SEC MAXIMUM 1 SEC;", 5000, 1000, TAP_IDLE},
        // System clocks are time: 2000 at 1 MHz, or at the frequency given.
        {"RUNTEST 2000 SCK;", 0, 2000, TAP_IDLE},
        {"FREQUENCY 4E6 HZ; RUNTEST 2000 SCK 1E-4 SEC;", 0, 500, TAP_IDLE},
        {"RUNTEST DRPAUSE 10 TCK ENDSTATE IRPAUSE;", 10, 0, TAP_PAUSE_IR},
        {"RUNTEST DRPAUSE 10 TCK;", 10, 0, TAP_PAUSE_DR},  // the end state is the run state
        {"RUNTEST RESET 3 TCK ENDSTATE IDLE;", 3, 0, TAP_IDLE},
    };
    for (const auto& c : cases) {
        RecordingPort port;
        CVirtualJtagClock clock;
        CSvfPlayer player(port, &clock);
        const auto& r = PlayText(player, std::string("STATE RESET; STATE IDLE;\n") + c.text + "\n");
        ASSERT_TRUE(r.Passed()) << c.text << "\n" << Reports(r);
        EXPECT_EQ(clock.NowMicroseconds(), c.waitUs) << c.text;
        EXPECT_EQ(player.State(), c.end) << c.text;
        // The run clocks hold TMS at the level that keeps the run state.
        const std::string tms = port.Tms();
        const int run = std::string(c.text).find("RESET 3") != std::string::npos ? TAP_RESET
                        : std::string(c.text).find("DRPAUSE") != std::string::npos ? TAP_PAUSE_DR : TAP_IDLE;
        const std::size_t at = 6 + SvfPathBetween(TAP_IDLE, run).size();
        const char hold = run == TAP_RESET ? '1' : '0';
        EXPECT_EQ(tms.substr(at, c.runClocks), std::string(c.runClocks, hold)) << c.text;
    }
}

TEST(SvfPlayerTest, RuntestRunAndEndStatesAreKept)
{
    RecordingPort port;
    CVirtualJtagClock clock;
    CSvfPlayer player(port, &clock);
    auto r = PlayText(player, "STATE IDLE;\nRUNTEST DRPAUSE 1 TCK ENDSTATE IDLE;\nRUNTEST 1 TCK;\n");
    ASSERT_TRUE(r.Passed()) << Reports(r);
    // The second RUNTEST runs in DRPAUSE again and ends in IDLE again.
    EXPECT_EQ(port.Tms(), "111110" "1010" "0" "110" "1010" "0" "110");
}

// --- chains of simulated devices ---------------------------------------------------------------

// A file as another vendor's tool writes it for the chain TDI -> ZelA (IR 5) -> foreign (IR 8) ->
// ZelC (IR 6) -> TDO: after a reset the Zel devices hold IDCODE and the foreign one BYPASS.
const char* const kForeignChainFile =
    "// Chain test written by another tool\n"
    "TRST OFF;\n"
    "ENDIR IDLE;\n"
    "ENDDR IDLE;\n"
    "STATE RESET;\n"
    "STATE IDLE;\n"
    "! the whole chain: ZelC IDCODE, foreign BYPASS, ZelA IDCODE, from TDO\n"
    "SDR 65 TDI (00000000000000000)\n"
    "       TDO (00020008600130043)\n"
    "       MASK (1FFFFFFFEFFFFFFFF);\n"
    "! ZelA, nearest TDI: the other two in the header\n"
    "HIR 14 TDI (3FFF);\n"
    "HDR 2 TDI (0) TDO (0) MASK (3);\n"
    "SIR 5 TDI (0D) SMASK (1F);\n"
    "STATE DRSELECT DRCAPTURE DREXIT1 DRPAUSE;\n"
    "STATE DREXIT2 DRUPDATE IDLE;\n"
    "SDR 32 TDI (00000000) TDO (00100043) MASK (FFFFFFFF);\n"
    "SDR 32 TDO (00100FFF) MASK (FFFFF000);\n"
    "! ZelC, nearest TDO: the other two in the trailer\n"
    "HIR 0; HDR 0;\n"
    "TIR 13 TDI (1FFF);\n"
    "TDR 2 TDI (3);\n"
    "SIR 6 TDI (0D);\n"
    "RUNTEST IDLE 10 TCK 1.0E-3 SEC ENDSTATE IDLE;\n"
    "SDR 32 TDI (FFFFFFFF) TDO (00130043);\n"
    "! the planted mismatch (the MASK of the last 32-bit scan still holds)\n"
    "SDR 32 TDI (FFFFFFFF) TDO (00230043);\n"
    "TIR 0; TDR 0;\n"
    "STATE RESET;\n";

TEST(SvfPlayerTest, ForeignFileForAChainOfThreeOnBothCables)
{
    for (RigCable kind : {RigCable::Parallel, RigCable::Usb}) {
        SCOPED_TRACE(test::RigCableName(kind));
        VirtualRig rig("virtual:ZelA,foreign:8,ZelC", {}, kind);
        CSvfPlayer player(rig.Jtag(), &rig.Cable().Clock());
        player.SetKeepGoing(true);
        const auto& r = PlayText(player, kForeignChainFile);
        EXPECT_EQ(r.checks, 5u);
        EXPECT_EQ(r.mismatches, 1u);
        EXPECT_EQ(r.errors, 0u);
        const int line = LineOf(kForeignChainFile, "SDR 32 TDI (FFFFFFFF) TDO (00230043);");
        EXPECT_EQ(Reports(r), "Line " + std::to_string(line) +
                                  ": TDO mismatch in SDR (32 bits): expected 00230043, captured 00130043, mask FFFFF000\n");
        EXPECT_EQ(player.State(), TAP_RESET);
    }
}

TEST(SvfPlayerTest, FirstMismatchStopsThePlayUnlessToldToGoOn)
{
    VirtualRig rig("virtual:ZelA,foreign:8,ZelC");
    CSvfPlayer player(rig.Jtag());
    const std::string text = std::string(kForeignChainFile) + "SDR 1 TDI (0) TDO (1);\n";
    const auto& r = PlayText(player, text);
    EXPECT_EQ(r.mismatches, 1u);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.Passed());
}

TEST(SvfPlayerTest, LongMismatchesShowTheFirstDifference)
{
    VirtualRig rig("virtual:ZelA");
    rig.Cable().FlipBitInNextScan(300);
    CSvfPlayer player(rig.Jtag());
    // BYPASS of ZelA (IR all ones) with 999 bits: TDO is TDI one bit later.
    const auto& r = PlayText(player, "STATE IDLE;\nSIR 5 TDI (1F);\nSDR 1000 TDI (0) TDO (0);\n");
    EXPECT_EQ(Reports(r), "Line 3: TDO mismatch in SDR (1000 bits, 1 differ, the first is bit 300; bits 288 to 351 "
                          "shown): expected 0000000000000000, captured 0000000000001000, mask FFFFFFFFFFFFFFFF\n");
}

TEST(SvfPlayerTest, SystemProgramsProgramTheDevicesOnBothCables)
{
    const std::string usr = "1A5C3F0E9D8B7A6958473625140F";
    for (RigCable kind : {RigCable::Parallel, RigCable::Usb}) {
        SCOPED_TRACE(test::RigCableName(kind));
        VirtualRig rig("virtual:ZelA,foreign:8,ZelC", {}, kind);
        CSvfPlayer player(rig.Jtag(), &rig.Cable().Clock());
        const auto& r = PlayText(player, Frame(14, 2, 0, 0) + test::ZelAWriteUsr(usr));
        ASSERT_TRUE(r.Passed()) << Reports(r);
        CJtagBits cells;
        rig.Zel(0).GetE2("USR", cells);
        EXPECT_EQ(cells, CJtagBits::FromHex(usr, 109));
        EXPECT_EQ(rig.Zel(0).CompletedOperations(), 2);  // erase and program, each waited out
    }
}

TEST(SvfPlayerTest, LostUsbCableStopsThePlay)
{
    VirtualRig rig("virtual:ZelA", {}, RigCable::Usb);
    CSvfPlayer player(rig.Jtag(), &rig.Cable().Clock());
    rig.Unplug();
    const auto& r = PlayText(player, "STATE IDLE;\nSDR 8 TDI (0) TDO (0);\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.reports.front(), "Line 1: the cable stopped answering");
}

TEST(SvfPlayerTest, OnUsbClocksWaitForACheckOrAWaitAndAStopClocksNothingBeyondTheFailingScan)
{
    // A programming file: a hundred scans without checks, a wait, then an IDCODE check.
    std::string text = "STATE RESET;\nENDIR IRPAUSE;\nENDDR DRPAUSE;\n";
    for (int i = 0; i < 50; ++i) text += "SIR 5 TDI (01);\nSDR 109 TDI (" + std::to_string(1000 + i) + ");\n";
    text += "RUNTEST IDLE 1.0E-3 SEC;\nSIR 5 TDI (0D);\nSDR 32 TDI (0) TDO (00100043);\n";
    VirtualRig rig("virtual:ZelA", {}, RigCable::Usb);
    CMpsseCable& usb = *rig.usb.cable;
    const auto writes = usb.Stats().writes, reads = usb.Stats().reads;
    CSvfPlayer player(rig.Jtag(), &rig.Cable().Clock());
    const CSvfPlayResult r = PlayText(player, text);
    EXPECT_TRUE(r.Passed()) << Reports(r);
    // The hundred scans before the wait, the wait, the check: three writes, one read.
    EXPECT_EQ(usb.Stats().writes - writes, 3u);
    EXPECT_EQ(usb.Stats().reads - reads, 1u);
    CJtagBits buffer;
    ASSERT_TRUE(rig.Zel(0).GetBuffer("USR", buffer));
    EXPECT_EQ(buffer, CJtagBits::FromHex(std::to_string(1049), 109));

    // A mismatch stops the play with nothing after the failing scan sent.
    const std::uint64_t before = rig.usb.link->Clocks();
    const CSvfPlayResult stop =
        PlayText(player, "SIR 5 TDI (0D);\nSDR 32 TDI (0) TDO (0);\nSIR 5 TDI (01);\nSDR 109 TDI (7);\n");
    EXPECT_TRUE(stop.stopped);
    EXPECT_EQ(stop.statements, 2u);
    EXPECT_EQ(rig.usb.link->Clocks() - before, stop.tck);
    ASSERT_TRUE(rig.Zel(0).GetBuffer("USR", buffer));
    EXPECT_EQ(buffer, CJtagBits::FromHex(std::to_string(1049), 109));
}

}  // namespace
}  // namespace kalidor
