// The cable interface: a batched shift gives the same TDO levels and leaves the TAPs in the same
// states as clocking the same levels one at a time, on the virtual cable with and without faults,
// through the interpreter for short and long scans and every state path; a cable that only moves
// pins works through its fallback; a cable that delivers TDO only when flushed gets its flushes
// before the interpreter reads captured bits and before every wait; a command list goes out in
// batches (at its end and before each wait) and gives every line the result it gets alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "JtagTestSupport.h"
#include "jtag/JtagCable.h"
#include "jtag/JtagInterface.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Prompter.h"

namespace kalidor {
namespace {

using test::Frame;
using test::VirtualRig;
using test::ZelAIdcode;
using test::ZelAReadUsr;
using test::ZelAWriteUsr;

constexpr const char* kChain = "virtual:ZelA,foreign:8,ZelC,ZelD";

std::vector<std::uint8_t> RandomLevels(std::size_t n, unsigned seed, int percentOnes)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(static_cast<int>(rng() % 100) < percentOnes ? 1 : 0);
    return v;
}

// Everything of a virtual cable that a shift can change.
struct CableState {
    std::vector<int> tapStates;
    std::uint64_t cycles = 0;
    int dataByte = 0;
    int cableData = 0;
    int tdoLevel = 0;
    bool operator==(const CableState&) const = default;
};

CableState StateOf(CVirtualTapPort& port)
{
    CableState s;
    for (std::size_t i = 0; i < port.Cable().DeviceCount(); ++i) s.tapStates.push_back(port.Cable().Device(i)->State());
    s.cycles = port.Cable().TckCycles();
    s.dataByte = port.GetDataByte();
    s.cableData = port.Cable().DataByte();
    s.tdoLevel = port.GetTDOValue();
    return s;
}

// Two identical chains, one shifting in batches and one a clock at a time.
struct Pair {
    Pair() : batched(CreateVirtualTapPort(kChain, {})), single(CreateVirtualTapPort(kChain, {}))
    {
        single->SetBatchedShift(false);
    }
    template <typename F>
    void Both(F f)
    {
        f(*batched);
        f(*single);
    }
    // Shifts the same levels through both; the TDO levels must agree.
    void Shift(const std::vector<std::uint8_t>& tms, const std::vector<std::uint8_t>& tdi)
    {
        std::vector<std::uint8_t> a(tms.size(), 7), b(tms.size(), 7);
        batched->Shift(tms.data(), tdi.data(), tms.size(), a.data());
        batched->Flush();
        single->Shift(tms.data(), tdi.data(), tms.size(), b.data());
        single->Flush();
        EXPECT_EQ(a, b);
        EXPECT_EQ(StateOf(*batched), StateOf(*single));
    }
    std::unique_ptr<CVirtualTapPort> batched, single;
};

TEST(CableShiftTest, BatchedShiftOnTheVirtualCableMatchesSingleClocks)
{
    Pair p;
    ASSERT_TRUE(p.batched->BatchedShift());
    // Reset, into SHIFT_DR of every device, then long and short runs of random data with a few
    // TMS ones that wander through the whole state diagram.
    p.Shift({1, 1, 1, 1, 1, 0, 1, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (std::size_t n : {1u, 2u, 3u, 17u, 5000u}) {
        p.Shift(std::vector<std::uint8_t>(n, 0), RandomLevels(n, static_cast<unsigned>(n), 50));
        p.Shift(RandomLevels(n, static_cast<unsigned>(n) + 1, 10), RandomLevels(n, static_cast<unsigned>(n) + 2, 50));
    }
    // Nothing to do, and a shift whose TDO nobody wants.
    p.Shift({}, {});
    const std::vector<std::uint8_t> tms = RandomLevels(300, 9, 30), tdi = RandomLevels(300, 10, 50);
    p.batched->Shift(tms.data(), tdi.data(), tms.size(), nullptr);
    p.single->Shift(tms.data(), tdi.data(), tms.size(), nullptr);
    EXPECT_EQ(StateOf(*p.batched), StateOf(*p.single));
}

TEST(CableShiftTest, BatchedShiftKeepsTheCableFaults)
{
    const std::vector<std::uint8_t> toShiftDr = {1, 1, 1, 1, 1, 0, 1, 0, 0};
    const std::vector<std::uint8_t> zeros(200, 0), data = RandomLevels(200, 3, 50);
    Pair p;
    p.Shift(toShiftDr, std::vector<std::uint8_t>(toShiftDr.size(), 0));
    // A flipped TDO bit in the next data scan.
    p.Both([](CVirtualTapPort& port) { port.Cable().FlipBitInNextScan(40); });
    p.Shift(zeros, data);
    EXPECT_FALSE(p.batched->Cable().FlipPending());
    // TDO stuck at each level.
    for (int level : {0, 1}) {
        p.Both([level](CVirtualTapPort& port) { port.Cable().SetTdoStuck(level); });
        p.Shift(zeros, data);
    }
    p.Both([](CVirtualTapPort& port) { port.Cable().SetTdoStuck(-1); });
    // No power, then power back (the chain starts over from Test-Logic-Reset); a detached cable.
    p.Both([](CVirtualTapPort& port) { port.Cable().SetPowered(false); });
    p.Shift(toShiftDr, data);
    p.Both([](CVirtualTapPort& port) { port.Cable().SetPowered(true); });
    p.Shift(toShiftDr, std::vector<std::uint8_t>(toShiftDr.size(), 1));
    p.Both([](CVirtualTapPort& port) { port.Cable().SetAttached(false); });
    p.Shift(zeros, data);
    p.Both([](CVirtualTapPort& port) { port.Cable().SetAttached(true); });
    p.Shift(zeros, data);
    // A TCK line left high by a debug operation: the first clock only falls.
    p.Both([](CVirtualTapPort& port) {
        port.SetTCK(1);
        port.WritePort();
    });
    p.Shift(zeros, data);
}

// The interpreter on two rigs, batched and single clocks, line by line.
struct RigPair {
    RigPair() : batched(kChain), single(kChain) { single.port->SetBatchedShift(false); }
    void Run(const std::string& text)
    {
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t nl = text.find('\n', pos);
            const std::string line = text.substr(pos, nl - pos) + "\r\n";
            pos = nl == std::string::npos ? text.size() : nl + 1;
            const SvfResult a = batched.svf.ExecuteLine(line), b = single.svf.ExecuteLine(line);
            ASSERT_EQ(a, b) << line;
            ASSERT_EQ(batched.svf.IncomingIRText(), single.svf.IncomingIRText()) << line;
            ASSERT_EQ(batched.svf.IncomingDRText(), single.svf.IncomingDRText()) << line;
            ASSERT_EQ(batched.svf.CurrentState(), single.svf.CurrentState()) << line;
            ASSERT_EQ(StateOf(*batched.port), StateOf(*single.port)) << line;
        }
    }
    VirtualRig batched, single;
};

TEST(CableShiftTest, InterpreterResultsAreTheSameBatchedOrNot)
{
    RigPair r;
    // The chain's IDCODEs (a long DR scan through all four devices) and a program for the ZelA
    // at the head of the chain (header bits for the three devices after it).
    std::string text = Frame(8 + 6 + 5, 3, 0, 0) + ZelAIdcode() + ZelAWriteUsr(std::string(28, 'A'));
    text += ZelAReadUsr();
    text += "TRST ON;\nSDR 97 TDI (0) TDO (0);\nSIR 24 TDI (FFFFFF);\nSDR 1 TDI (1);\nSIR 1 TDI (0);\n";
    // Every move between the stable states, with scans ending in each of them.
    const char* states[] = {"RESET", "IDLE", "DRPAUSE", "IRPAUSE"};
    for (const char* from : states)
        for (const char* to : states) {
            text += std::string("STATE ") + from + ";\nSTATE " + to + ";\n";
            text += std::string("ENDDR ") + to + ";\nENDIR " + from + ";\n";
            text += "SDR 13 TDI (1A5) TDO (0000);\nSIR 3 TDI (5);\n";
        }
    // Header and trailer bits on both registers, long scans of random data, a wait.
    text += "HIR 2;\nTIR 3;\nHDR 1;\nTDR 2;\nSIR 7 TDI (55);\n";
    std::mt19937 rng(5);
    std::string hex;
    for (int i = 0; i < 1000; ++i) hex += "0123456789ABCDEF"[rng() % 16];
    text += "SDR 4000 TDI (" + hex + ");\nRUNTEST 20 TCK;\nSTATE IDLE;\nSDR 4000 TDI (" + hex + ") TDO (" + hex + ");\n";
    text += "TRST OFF;\n";
    r.Run(text);
    CJtagBits a, b;
    ASSERT_TRUE(r.batched.Zel(0).GetE2("USR", a));
    ASSERT_TRUE(r.single.Zel(0).GetE2("USR", b));
    EXPECT_EQ(a, b);
    EXPECT_GT(r.batched.Cable().TckCycles(), 8000u);  // the two long scans at least
}

// A cable of another kind than a parallel port that moves only its pins: here the virtual chain
// driven through the data register, one pin change per write.
class PinCable : public CJtagCable {
public:
    PinCable() { cable.BuildChain("virtual:ZelA", {}, error); }
    std::string GetName() const override { return "pins"; }
    void SetPins(int tck, int tms, int tdi) override
    {
        ++writes;
        cable.WriteData((tck ? kDataTCK : 0) | (tms ? kDataTMS : 0) | (tdi ? kDataTDI : 0));
    }
    int ReadTDO() override { return (cable.ReadStatus() & kStatusTDO) ? 1 : 0; }
    CJtagClock* GetClock() override { return &cable.Clock(); }
    CVirtualCable cable;
    std::string error;
    int writes = 0;
};

TEST(CableShiftTest, ACableWithPinsOnlyProgramsThroughTheFallback)
{
    PinCable pins;
    ASSERT_EQ(pins.error, "");
    CTapSvfInterpreter svf;
    svf.AttachCable(&pins, kInterpreterBuiltIn);
    EXPECT_EQ(svf.Port(), &pins);
    EXPECT_EQ(svf.CheckCable(), kCableReady);
    const std::string hex = "0123456789ABCDEF0123456789ABC";
    const SvfRunReport report = ExecuteSvfText(svf, Frame() + ZelAWriteUsr(hex) + ZelAReadUsr());
    EXPECT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_EQ(CJtagBits::FromBitText(svf.IncomingDRText()).ToHex(), CJtagBits::FromHex(hex, 109).ToHex());
    // Three pin writes a clock, as a parallel port makes them.
    EXPECT_EQ(static_cast<std::uint64_t>(pins.writes), 3 * pins.cable.TckCycles());

    // The debug operations pulse TCK with the levels the last clock left.
    const std::uint64_t before = pins.cable.TckCycles();
    svf.PulseTCK();
    svf.ClockTDI(1);
    EXPECT_EQ(pins.cable.TckCycles(), before + 2);
    // The interpreter that only drives parallel ports gets none from such a cable.
    CSvfServerInterpreter server;
    server.AttachCable(&pins, 2);
    EXPECT_EQ(server.GetInterpreterID(), 2);
}

// A cable that queues its clocks and delivers TDO levels only when flushed, and logs the order of
// shifts, flushes and waits.
class BlockCable : public PinCable {
public:
    struct LoggingClock : CJtagClock {
        std::int64_t NowMicroseconds() const override { return 0; }
        void WaitMilliseconds(int ms) override { log->push_back("wait " + std::to_string(ms)); }
        bool IsReal() const override { return false; }
        std::vector<std::string>* log = nullptr;
    };
    BlockCable() { clock.log = &log; }
    void Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo) override
    {
        for (std::size_t i = 0; i < count; ++i) queued.push_back({tms[i], tdi[i], tdo ? tdo + i : nullptr});
        if (tdo)
            for (std::size_t i = 0; i < count; ++i) tdo[i] = 9;  // not yet known
        log.push_back("shift " + std::to_string(count));
    }
    void Flush() override
    {
        for (const Queued& q : queued) {
            const int level = Clock(q.tms, q.tdi);
            if (q.tdo) *q.tdo = static_cast<std::uint8_t>(level);
        }
        queued.clear();
        log.push_back("flush");
    }
    CJtagClock* GetClock() override { return &clock; }

    struct Queued {
        int tms, tdi;
        std::uint8_t* tdo;
    };
    std::vector<Queued> queued;
    std::vector<std::string> log;
    LoggingClock clock;
};

TEST(CableShiftTest, QueuedClocksAreFlushedBeforeTheyAreReadAndBeforeWaits)
{
    BlockCable block;
    CTapSvfInterpreter svf;
    svf.AttachCable(&block, kInterpreterBuiltIn);
    ASSERT_EQ(svf.ExecuteLine("TRST ON;\r\n"), kSvfOk);
    EXPECT_EQ(block.log, (std::vector<std::string>{"shift 12", "flush"}));
    ASSERT_EQ(svf.ExecuteLine("SIR 5 TDI (0D);\r\n"), kSvfOk);
    block.log.clear();

    // One batch for the whole statement: to PAUSE_DR, the scan, back to IDLE; the IDCODE compares.
    EXPECT_EQ(svf.ExecuteLine("SDR 32 TDI (0) TDO (00100043);\r\n"), kSvfOk);
    EXPECT_EQ(block.log, (std::vector<std::string>{"shift " + std::to_string(4 + 2 + 32 + 1 + 3), "flush"}));
    EXPECT_EQ(svf.IncomingDRText(), CJtagBits::FromHex("00100043", 32).ToBitText());
    EXPECT_TRUE(block.queued.empty());
    block.log.clear();

    // A wait comes after the clocks into Run-Test/Idle have gone out, the clocks after it later.
    ASSERT_EQ(svf.ExecuteLine("ENDIR IRPAUSE;\r\n"), kSvfOk);
    ASSERT_EQ(svf.ExecuteLine("SIR 5 TDI (02);\r\n"), kSvfOk);
    block.log.clear();
    ASSERT_EQ(svf.ExecuteLine("RUNTEST 20 TCK;\r\n"), kSvfOk);
    EXPECT_EQ(block.log, (std::vector<std::string>{"shift 3", "flush", "wait 20", "shift 3", "flush"}));
    EXPECT_EQ(svf.CurrentState(), TAP_RESET);

    // Statements without clocks send nothing.
    block.log.clear();
    ASSERT_EQ(svf.ExecuteLine("HIR 0;\r\n"), kSvfOk);
    ASSERT_EQ(svf.ExecuteLine("! a comment\r\n"), kSvfOk);
    EXPECT_TRUE(block.log.empty());
}

// --- a command list in batches ---

// The results of the lines of `text`, each run alone through ExecuteLine, and all together through
// ExecuteLines, on two fresh rigs of the same cable kind: the same results for the same lines, and
// the devices left with the same cells.
void ExpectListResultsAsLineByLine(test::RigCable kind, const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nl = text.find('\n', pos);
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl == std::string::npos ? text.size() : nl + 1;
    }
    VirtualRig alone("virtual:ZelA", {}, kind), together("virtual:ZelA", {}, kind);
    std::vector<SvfResult> one;
    for (const std::string& line : lines) {
        one.push_back(alone.svf.ExecuteLine(line + "\r\n"));
        if (SvfResultStopsRun(one.back())) break;
    }
    std::vector<SvfResult> all;
    together.svf.ExecuteLines(lines, [&](std::size_t i, SvfResult r) {
        EXPECT_EQ(i, all.size());
        all.push_back(r);
    });
    EXPECT_EQ(all, one) << test::RigCableName(kind);
    CJtagBits a, b;
    ASSERT_TRUE(alone.Zel(0).GetE2("USR", a));
    ASSERT_TRUE(together.Zel(0).GetE2("USR", b));
    EXPECT_EQ(a, b);
    EXPECT_EQ(alone.svf.IncomingDRText(), together.svf.IncomingDRText());
    EXPECT_EQ(alone.svf.IncomingIRText(), together.svf.IncomingIRText());
}

TEST(CableShiftTest, AListInBatchesGivesEveryLineItsOwnResult)
{
    const std::string hex = "0123456789ABCDEF0123456789ABC";
    std::string good = Frame() + ZelAWriteUsr(hex) + ZelAReadUsr();
    // Mismatches planted before a wait, after the last wait, and two in a row; masked bits that
    // differ do not count.
    std::string planted = Frame() + "SIR 5 TDI (0D);\nSDR 32 TDI (0) TDO (00100042);\n" + ZelAWriteUsr(hex) +
                          "SIR 5 TDI (0D);\nSDR 32 TDI (0) TDO (00100043);\nSDR 32 TDI (0) TDO (1);\n"
                          "SDR 32 TDI (0) TDO (00000002) MASK (FFFFFFFD);\nSDR 32 TDI (0) TDO (2) MASK (2);\n";
    for (test::RigCable kind : {test::RigCable::Parallel, test::RigCable::Usb}) {
        ExpectListResultsAsLineByLine(kind, good);
        ExpectListResultsAsLineByLine(kind, planted);
        // A syntax error stops the list where it stands; the lines before it have run.
        ExpectListResultsAsLineByLine(kind, planted + "HIR x;\nSIR 5 TDI (02);\n" + test::kWait);
    }
}

TEST(CableShiftTest, AListGoesOutBeforeEachWaitAndAtItsEndWithItsLinesToldInOrder)
{
    BlockCable block;
    CTapSvfInterpreter svf;
    svf.AttachCable(&block, kInterpreterBuiltIn);
    const std::vector<std::string> lines = {
        "TRST ON;",        "ENDIR IRPAUSE;",
        "ENDDR DRPAUSE;",  "SIR 5 TDI (0D);",
        "SDR 32 TDI (0) TDO (00100042);",  // 4: the IDCODE's bit 0 differs
        "SIR 5 TDI (02);", "RUNTEST 20 TCK;",
        "SIR 5 TDI (0D);", "SDR 32 TDI (0) TDO (00100043);",
        // 9: from DRPAUSE straight back into Shift-DR, so the zeros shifted in come out: bit 0 differs
        "SDR 32 TDI (0) TDO (1) MASK (1);",
        "HIR 0;",
    };
    svf.ExecuteLines(lines, [&](std::size_t i, SvfResult r) {
        block.log.push_back("line " + std::to_string(i) + (r == kSvfOk ? " ok" : " differs"));
    });
    // 12 clocks of TRST, 13 of the SIR from IDLE, 41 of the SDR from IRPAUSE, 15 of the SIR from
    // DRPAUSE; the wait's 3 into IDLE; after it 3 into RESET, 14 + 41 + 35 of the three scans.
    const std::vector<std::string> expected = {
        "shift 81",    "flush",     "line 0 ok", "line 1 ok", "line 2 ok", "line 3 ok", "line 4 differs",
        "line 5 ok",   "shift 3",   "flush",     "wait 20",   "shift 93",  "flush",     "line 6 ok",
        "line 7 ok",   "line 8 ok", "line 9 differs", "line 10 ok",
    };
    EXPECT_EQ(block.log, expected);
    EXPECT_EQ(svf.IncomingDRText(), std::string(32, '0'));
}

}  // namespace
}  // namespace kalidor
