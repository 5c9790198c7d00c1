#include <gtest/gtest.h>

#include <string>

#include "JtagTestSupport.h"
#include "jtag/TapSvfInterpreter.h"
#include "platform/Prompter.h"

namespace kalidor {
namespace {

using test::Frame;
using test::LineOf;
using test::RecordingPort;
using test::VirtualRig;
using test::kWait;

// An interpreter on a recording port, in virtual time, already reset into IDLE.
struct Recorded {
    Recorded()
    {
        svf.AttachPort(&port, 0);
        svf.SetClock(&clock);
        EXPECT_EQ(svf.ExecuteLine("TRST ON;\r\n"), kSvfOk);
        port.clocks.clear();
    }
    RecordingPort port;
    CVirtualJtagClock clock;
    CTapSvfInterpreter svf;
};

// --- line handling ----------------------------------------------------------------------------

TEST(SvfLineTest, AttachSelectsPortZeroUntilTheConfigurationApplies)
{
    RecordingPort port;
    CTapSvfInterpreter svf;
    svf.AttachPort(&port, 0);
    EXPECT_EQ(port.GetPortNumber(), 0);
    EXPECT_EQ(port.GetDataPort(), 0x3BC);
    EXPECT_EQ(svf.GetInterpreterID(), 0);
    EXPECT_EQ(svf.IsConnected(), 1);
    EXPECT_EQ(svf.GetOption(), 0);
}

TEST(SvfLineTest, ColonOrNoSemicolonStillScans)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("SIR  5  TDI (10):\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.OutgoingIRText(), "10000");
    // IDLE -> PAUSE_IR (11010), to SHIFT_IR (10), 4 bits TMS 0, last bit TMS 1, PAUSE_IR (0),
    // then back to IDLE (110) as ENDIR defaults to IDLE.
    EXPECT_EQ(r.port.Tms(), "11010" "10" "00001" "0" "110");
    EXPECT_EQ(r.port.Tdi().substr(7, 5), "00001");
    EXPECT_EQ(r.svf.CurrentState(), TAP_IDLE);
    r.port.clocks.clear();
    EXPECT_EQ(r.svf.ExecuteLine("SIR  5  TDI (06)\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.OutgoingIRText(), "00110");
    EXPECT_EQ(r.port.clocks.size(), 16u);
}

TEST(SvfLineTest, CommentsAndCase)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("! SDR 8 TDI (FF) TDO (00);\r\n"), kSvfOk);
    EXPECT_TRUE(r.port.clocks.empty());
    r.port.tdo = 1;
    // The comment after "!" is cut off: its TDO clause does not count.
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 TDI (00) ! TDO (00)\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.ExecuteLine("sdr 8 tdi (00) tdo (00);\r\n"), kSvfTdoMismatch);
    EXPECT_EQ(r.svf.ExecuteLine("Sdr 8 TDI(00)TDO(FF);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.IncomingDRText(), "11111111");
}

TEST(SvfLineTest, UnknownStatementsAndVendorStatementsAreIgnored)
{
    Recorded r;
    for (const char* line : {"", "\r\n", "   \r\n", "PIOMAP (IN A);\r\n", "NVD_ZELC_SetSuperVoltage;\r\n",
                             "NVD_ZELC_ClearSuperVoltage;\r\n", "STATE SOMEWHERE;\r\n"})
        EXPECT_EQ(r.svf.ExecuteLine(line), kSvfOk) << line;
    EXPECT_TRUE(r.port.clocks.empty());
    EXPECT_EQ(r.svf.CurrentState(), TAP_IDLE);
}

TEST(SvfLineTest, SyntaxErrorsAndAbsurdLengths)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("SIR 0 TDI (00);\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("SIR 5;\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("SIR x TDI (00);\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8;\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 TDO (00) TDI (00);\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 MASK (00);\r\n"), kSvfSyntaxError);
    EXPECT_TRUE(r.port.clocks.empty()) << "no scan may start on a syntax error";
    EXPECT_EQ(r.svf.ExecuteLine("SDR 99999999999999999999 TDI (00);\r\n"), kSvfOutOfMemory);
    EXPECT_EQ(r.svf.ExecuteLine("HIR ;\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.ExecuteLine("TDR 4294967297;\r\n"), kSvfSyntaxError);
    EXPECT_EQ(r.svf.TDR(), 0u);
    EXPECT_TRUE(r.port.clocks.empty());
    // SIR takes either keyword first and shifts its value.
    EXPECT_EQ(r.svf.ExecuteLine("SIR 4 TDO (5);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.OutgoingIRText(), "0101");
}

TEST(SvfLineTest, HexValuesShorterOrLongerThanTheLength)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("SDR 12 TDI (F);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.OutgoingDRText(), "000000001111");
    EXPECT_EQ(r.svf.ExecuteLine("SDR 6 TDI (0102);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.OutgoingDRText(), "000010");
    EXPECT_EQ(r.svf.SDRLength(), 6u);
}

TEST(SvfLineTest, MaskLimitsTheComparison)
{
    Recorded r;
    r.port.tdo = 1;
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 TDI (00) TDO (0F) MASK (0F);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 TDI (00) TDO (0F) MASK (1F);\r\n"), kSvfTdoMismatch);
    EXPECT_EQ(r.svf.ExecuteLine("SDR 8 TDI (00) SMASK (FF) TDO (0F);\r\n"), kSvfTdoMismatch);
}

TEST(SvfLineTest, BitTextsIntoCallerBuffers)
{
    Recorded r;
    r.port.tdo = 1;
    ASSERT_EQ(r.svf.ExecuteLine("SDR 6 TDI (05);\r\n"), kSvfOk);
    char buf[5];
    EXPECT_EQ(r.svf.GetOutgoingDRString(buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "0001");
    char big[64];
    EXPECT_EQ(r.svf.GetIncomingDRString(big, sizeof big), 6u);
    EXPECT_STREQ(big, "111111");
    EXPECT_EQ(r.svf.GetIncomingDRString(big, 0), 0u);
    ASSERT_EQ(r.svf.ExecuteLine("SIR 3 TDI (6);\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.GetOutgoingIRString(big, sizeof big), 3u);
    EXPECT_STREQ(big, "110");
    EXPECT_EQ(r.svf.GetIncomingIRString(big, sizeof big), 3u);
    EXPECT_STREQ(big, "111");
}

// --- state statements -------------------------------------------------------------------------

TEST(SvfStateTest, TrstOnAndOffResetAlike)
{
    for (const char* line : {"TRST ON;\r\n", "TRST OFF;\r\n", "trst  ON;\r\n", "TRST\r\n"}) {
        Recorded r;
        r.svf.ExecuteLine("ENDDR DRPAUSE;\r\n");
        r.svf.ExecuteLine("SDR 4 TDI (0);\r\n");
        r.port.clocks.clear();
        EXPECT_EQ(r.svf.ExecuteLine(line), kSvfOk);
        EXPECT_EQ(r.port.Tms(), "111111111110") << line;
        EXPECT_EQ(r.svf.CurrentState(), TAP_IDLE);
    }
}

TEST(SvfStateTest, StateMovesAlongThePathTable)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("STATE IRPAUSE;\r\n"), kSvfOk);
    EXPECT_EQ(r.port.Tms(), "11010");
    EXPECT_EQ(r.svf.CurrentState(), TAP_PAUSE_IR);
    r.port.clocks.clear();
    r.svf.ExecuteLine("state drpause\r\n");
    EXPECT_EQ(r.port.Tms(), "111010");
    r.port.clocks.clear();
    r.svf.ExecuteLine("STATE RESET;\r\n");
    EXPECT_EQ(r.port.Tms(), "11111");
    EXPECT_EQ(r.svf.CurrentState(), TAP_RESET);
}

TEST(SvfStateTest, EndStatesAndTheNextScan)
{
    Recorded r;
    EXPECT_EQ(r.svf.ExecuteLine("ENDDR DRPAUSE;\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.EndDRState(), TAP_PAUSE_DR);
    r.svf.ExecuteLine("SDR 4 TDI (0);\r\n");
    EXPECT_EQ(r.svf.CurrentState(), TAP_PAUSE_DR);
    r.port.clocks.clear();
    r.svf.ExecuteLine("SIR 5 TDI (1F);\r\n");
    // Path 11 (DRPAUSE to IRPAUSE) before the scan.
    EXPECT_EQ(r.port.Tms().substr(0, 7), "1111010");
    EXPECT_EQ(r.svf.CurrentState(), TAP_IDLE);  // ENDIR is still IDLE
    r.svf.ExecuteLine("ENDIR SOMEWHERE;\r\n");
    EXPECT_EQ(r.svf.EndIRState(), TAP_IDLE);
    r.svf.ExecuteLine("ENDIR IRPAUSE;\r\n");
    EXPECT_EQ(r.svf.EndIRState(), TAP_PAUSE_IR);
}

TEST(SvfStateTest, HeaderAndTrailerBits)
{
    Recorded r;
    r.svf.ExecuteLine("ENDIR IRPAUSE;\r\n");
    EXPECT_EQ(r.svf.ExecuteLine("HIR 3;\r\n"), kSvfOk);
    EXPECT_EQ(r.svf.HIR(), 3u);
    r.port.clocks.clear();
    r.svf.ExecuteLine("SIR 5 TDI (00);\r\n");
    // 5 clocks to PAUSE_IR, 2 to SHIFT_IR, 3 header ones, 5 bits, 1 to PAUSE_IR.
    EXPECT_EQ(r.port.Tms(), "11010" "10" "000" "00001" "0");
    EXPECT_EQ(r.port.Tdi().substr(7, 8), "11100000");

    r.svf.ExecuteLine("HIR 0 TDI (0);\r\n");
    r.svf.ExecuteLine("TIR 2;\r\n");
    r.port.clocks.clear();
    r.svf.ExecuteLine("SIR 5 TDI (00);\r\n");
    // Already in PAUSE_IR: 2 clocks to SHIFT_IR, the 5 bits, then 2 ones, the last with TMS 1.
    EXPECT_EQ(r.port.Tms(), "10" "00000" "01" "0");
    EXPECT_EQ(r.port.Tdi().substr(2, 7), "0000011");

    r.svf.ExecuteLine("HDR  2; \r\n");
    r.svf.ExecuteLine("TDR(1)\r\n");
    EXPECT_EQ(r.svf.HDR(), 2u);
    EXPECT_EQ(r.svf.TDR(), 1u);
}

TEST(SvfStateTest, FrequencyIsStored)
{
    Recorded r;
    r.svf.ExecuteLine("FREQUENCY 1e6 Hz;\r\n");
    EXPECT_EQ(r.svf.Frequency(), 1000000);
    r.svf.ExecuteLine("FREQUENCY nonsense;\r\n");
    EXPECT_EQ(r.svf.Frequency(), 0);
}

TEST(SvfStateTest, MoveFromAnUnstableStateReportsFour)
{
    RecordingPort port;
    CTapSvfInterpreter svf;
    svf.AttachPort(&port, 0);
    EXPECT_EQ(svf.CurrentState(), TAP_ANY);
    EXPECT_EQ(svf.MoveToState(TAP_IDLE), 4);
    EXPECT_TRUE(port.clocks.empty());
    // A scan with an unknown model resets the TAP first instead of clocking blindly.
    svf.ExecuteLine("SIR 5 TDI (0D);\r\n");
    EXPECT_EQ(port.Tms().substr(0, 11), "11111111111");
    EXPECT_EQ(svf.CurrentState(), TAP_IDLE);
    EXPECT_EQ(svf.MoveToState(TAP_SHIFT_DR), 4);
}

// --- RUNTEST ----------------------------------------------------------------------------------

TEST(SvfRuntestTest, CountsAndWaits)
{
    const struct {
        const char* line;
        int ms;
        int beeps;
    } cases[] = {{"RUNTEST 100 TCK;\r\n", 100, 0},
                 {"RUNTEST 101 TCK;\r\n", 0, 0},
                 {"RUNTEST  80000 TCK  80.0E-3 SEC; \r\n", 80, 0},
                 {"RUNTEST 600000 TCK;\r\n", 500, 1},
                 {"RUNTEST 99999999999999999999999 TCK;\r\n", 500, 1},
                 {"RUNTEST IDLE 10 TCK;\r\n", 0, 0}};
    for (const auto& c : cases) {
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        Recorded r;
        const auto before = r.clock.NowMicroseconds();
        EXPECT_EQ(r.svf.ExecuteLine(c.line), kSvfOk);
        EXPECT_EQ(r.clock.NowMicroseconds() - before, c.ms * 1000) << c.line;
        EXPECT_EQ(prompter.beeps, c.beeps) << c.line;
        EXPECT_EQ(r.svf.CurrentState(), TAP_RESET);
    }
}

// The fault this guards against: the recorded RESET came from one TMS 0 and three TMS 1 clocked
// from wherever the TAP was. After an SIR with ENDIR IRPAUSE that leaves the real TAP in
// SELECT_DR with the new instruction never having reached Run-Test/Idle.
TEST(SvfRuntestTest, OldSequenceFromPauseIrNeverReachesIdle)
{
    VirtualRig rig("virtual:ZelA");
    rig.Run(Frame() + "SIR    5  TDI (02);\n");
    ASSERT_EQ(rig.Zel(0).State(), TAP_PAUSE_IR);
    const char* oldTms = "0111";
    int sawIdle = 0;
    for (const char* c = oldTms; *c; ++c) {
        rig.port->ClockStep(CStateTransition{TAP_ANY, TAP_ANY, *c - '0'});
        sawIdle += rig.Zel(0).State() == TAP_IDLE;
    }
    EXPECT_EQ(sawIdle, 0);
    EXPECT_EQ(rig.Zel(0).State(), TAP_SELECT_DR);
}

TEST(SvfRuntestTest, RuntestLeadsThroughUpdateIrIntoIdleAndEndsWhereRecorded)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    VirtualRig rig("virtual:ZelA");
    CJtagBits ones = CJtagBits::FromHex("1FFFFFFFFFFFFFFFFFFFFFFFFFFF", 109);
    ASSERT_TRUE(rig.Zel(0).SetE2("USR", ones));
    const std::string text = Frame() + "SIR    5  TDI (02);\n" + kWait;
    // After every line the device's TAP is where the interpreter's model says it is.
    int line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        ASSERT_EQ(rig.svf.ExecuteLine(text.substr(pos, nl - pos) + "\r\n"), kSvfOk);
        pos = nl + 1;
        ++line;
        EXPECT_EQ(rig.Zel(0).State(), rig.svf.CurrentState()) << "after line " << line;
    }
    EXPECT_EQ(rig.svf.CurrentState(), TAP_RESET);
    EXPECT_EQ(rig.Zel(0).CompletedOperations(), 1);
    EXPECT_EQ(rig.Zel(0).LastCompletedOperation(), "UBE");
    CJtagBits usr;
    rig.Zel(0).GetE2("USR", usr);
    EXPECT_EQ(usr.ToBitText(), std::string(109, '0'));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(SvfRuntestTest, ShortWaitAbortsTheE2Operation)
{
    VirtualRig rig("virtual:ZelA");
    CJtagBits ones = CJtagBits::FromHex("1FFFFFFFFFFFFFFFFFFFFFFFFFFF", 109);
    ASSERT_TRUE(rig.Zel(0).SetE2("USR", ones));
    const auto report = rig.Run(Frame() + "SIR    5  TDI (02);\nRUNTEST 79000 TCK;\n");
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(rig.Zel(0).CompletedOperations(), 0);
    EXPECT_EQ(rig.Zel(0).AbortedOperations(), 1);
    CJtagBits usr;
    rig.Zel(0).GetE2("USR", usr);
    EXPECT_EQ(usr, ones);
}

TEST(SvfRuntestTest, PortTimedRuntestAgreesWithTheModel)
{
    VirtualRig rig("virtual:ZelA");
    rig.port->SetPortTimedRuntest(true);
    ASSERT_EQ(rig.port->SupportsRUNTEST(1), 1);
    const auto t0 = rig.Cable().VirtualClock().NowMicroseconds();
    const auto report = rig.Run(Frame() + "SIR    5  TDI (02);\n" + kWait);
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(rig.Cable().VirtualClock().NowMicroseconds() - t0, 80000);
    EXPECT_EQ(rig.Zel(0).CompletedOperations(), 1);
    EXPECT_EQ(rig.Zel(0).State(), TAP_RESET);
    EXPECT_EQ(rig.svf.CurrentState(), TAP_RESET);
}

TEST(SvfRuntestTest, RealTimeWaitsReally)
{
    VirtualRig rig("virtual:ZelA");
    rig.Cable().UseRealTime(true);
    rig.svf.AttachPort(rig.port.get(), 0);
    ASSERT_TRUE(rig.svf.Clock().IsReal());
    const auto t0 = SteadyJtagClock().NowMicroseconds();
    const auto report = rig.Run(Frame() + "SIR    5  TDI (02);\n" + kWait);
    EXPECT_TRUE(report.Succeeded());
    EXPECT_GE(SteadyJtagClock().NowMicroseconds() - t0, 80000);
    EXPECT_EQ(rig.Zel(0).CompletedOperations(), 1);
}

// Garbled lines never crash, hang or leave the model outside the stable states.
TEST(SvfLineTest, GarbledLinesAreHandled)
{
    const char* pieces[] = {"SIR", "SDR", "sdr", "TDI", "TDO", "MASK", "(", ")", ";", "!", " ", "\t", "5",
                            "0", "999999999", "-3", "FF", "zz", "STATE", "IDLE", "RUNTEST", "TRST", "HIR",
                            "ENDDR", "DRPAUSE", "\r\n", "\0", "\xff", "NVD_ZELC_SetSuperVoltage;"};
    VirtualRig rig("virtual:ZelA,foreign:3");
    rig.svf.ExecuteLine("TRST ON;");
    unsigned seed = 12345;
    for (int n = 0; n < 3000; ++n) {
        std::string line;
        const int count = 1 + static_cast<int>((seed >> 7) % 9);
        for (int i = 0; i < count; ++i) {
            seed = seed * 1103515245u + 12345u;
            line += pieces[(seed >> 16) % std::size(pieces)];
            if ((seed >> 5) & 1) line += ' ';
        }
        const SvfResult result = rig.svf.ExecuteLine(line);
        ASSERT_GE(result, kSvfOk) << line;
        ASSERT_LE(result, kSvfOutOfMemory) << line;
        ASSERT_TRUE(IsStableTapState(rig.svf.CurrentState())) << line;
        ASSERT_EQ(rig.Cable().Device(0)->State(), rig.svf.CurrentState()) << line;
    }
}

}  // namespace
}  // namespace kalidor
