#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "SimTestUtil.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "sim/Sweep.h"
#include "sim/ZelCSimulator.h"

using namespace kalidor;
using simtest::cplx;

namespace {

constexpr double kPi = 3.1415926;
constexpr double kGm = 2e-5;
constexpr double kG = 1.0 / 50000.0;
constexpr double kA0 = 10970.0;
const double kBandwidth[11] = {0, 23.0e6, 27.6e6, 29.2e6, 30.4e6, 31.0e6, 30.8e6, 29.2e6, 25.4e6, 18.82e6, 14.69e6};

// Keys and cells of the ZelC model.
constexpr int kGainIA1 = 4, kGainIA2 = 5, kGainIA3 = 6;
constexpr int kDac1 = 8;
constexpr int kIA3Interconnect = 10, kIA2Interconnect = 11, kSelA = 12, kIA1A = 13, kIA1B = 14;
constexpr int kDac1Interconnect = 18;
constexpr int kIA1Out = 20, kIA2Out = 21, kIA3Out = 22, kDac1Out = 24;
constexpr int kMselA = 33;
constexpr int kCellInteg1 = 49, kCellComp1 = 48;

cplx S(double f) { return cplx(0, simtest::Omega(f)); }
cplx InvA(double f)
{
    const double w1 = 2 * 4520000.0 / kA0 * kPi;
    const double w2 = kPi * 21.0e6;
    return (1.0 + S(f) / w1) * (1.0 + S(f) / w2) / kA0;
}
cplx Y(double f, int gainMagnitude) { return kGm / (1.0 + S(f) / (kPi * kBandwidth[gainMagnitude])); }

// An inverting output stage with feedback admittance yf fed by transconductance y with source
// gain k (the summing node held near 0 by an amplifier of finite gain):
// KCL  y (x - k v) + yf (x - out) = 0,  out = -A x  ->  out = -k y v / (yf + (y + yf) / A).
cplx Stage(double f, cplx y, double k, cplx v, cplx yf) { return -k * y * v / (yf + (y + yf) * InvA(f)); }

struct ZelC {
    std::unique_ptr<DeviceConfig> dev = CreateDeviceConfig("ZelC");
    CZelCSimulator sim{*dev};
    CSimulationSetup setup{*dev};
    CCurveLists curves;
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};

    cplx Yf1(double f) const { return kG + S(f) * dev->GetCapFarads(2); }
    cplx Yf2(double f) const { return kG + S(f) * dev->GetCapFarads(3); }
    // Vout1 and Vout2 at f for input node `in`.
    std::pair<cplx, cplx> Eval(int in, double f)
    {
        sim.SelectInput(in);
        sim.Configure(0);
        sim.Evaluate(f);
        return {cplx(sim.GetVout1().re, sim.GetVout1().im), cplx(sim.GetVout2().re, sim.GetVout2().im)};
    }
};

void ExpectClose(cplx got, cplx want, double rel, const std::string& what)
{
    EXPECT_LT(std::abs(got - want), rel * std::abs(want)) << what << ": got " << got << " want " << want;
}

}  // namespace

TEST(ZelCModel, InputAmplifierIntoOutputOneMatchesTheStageEquation)
{
    for (int g : {1, 3, -4, 10}) {
        ZelC z;
        z.dev->SetSymValue(kIA1A, 1);
        z.dev->SetSymValue(kIA1Out, 0);
        SetGainValue(*z.dev, kGainIA1, g);
        CurveSetting& c = z.setup.Curve(0);
        c.pointsPerDecade = 20;
        ASSERT_EQ(RunSweep(z.sim, z.setup, z.curves, 0), 1) << g;
        const auto& pts = z.curves.Points(0);
        ASSERT_EQ(pts.size(), simtest::Grid(10, 1e7, 20).size());
        for (const CurvePoint& p : pts) {
            const cplx want = Stage(p.frequency, Y(p.frequency, std::abs(g)), -g, 1.0, z.Yf1(p.frequency));
            EXPECT_NEAR(p.gainDb, simtest::GainDb(want), 1e-6) << g << " " << p.frequency;
            EXPECT_NEAR(simtest::PhaseDiff(p.phaseDeg, simtest::PhaseDeg(want)), 0.0, 1e-5) << p.frequency;
        }
        // Gm * R = 1: at low frequency the stage gain is the amplifier gain, a positive gain
        // in phase with the input.
        EXPECT_NEAR(pts.front().gainDb, 20 * std::log10(std::abs(g)), 0.02);
        EXPECT_NEAR(std::fabs(pts.front().phaseDeg), g > 0 ? 0.0 : 180.0, 0.1);
    }
}

TEST(ZelCModel, FeedbackSwitchesOfOutputOne)
{
    ZelC z;
    z.dev->SetSymValue(kIA1A, 1);
    SetGainValue(*z.dev, kGainIA1, 2);
    z.dev->SetSymValue(2, 7);  // OA1_CF: the largest capacitor
    const double c1 = z.dev->GetCapFarads(2);
    // INTEG1 set: the resistor is out and the stage integrates (where the amplifier's own gain
    // is not the limit).
    z.dev->E2_SetValue(kCellInteg1, 1);
    for (double f : {1e4, 1e5}) {
        const cplx want = Stage(f, Y(f, 2), -2, 1.0, S(f) * c1);
        ExpectClose(z.Eval(1, f).first, want, 1e-9, "integrator");
        EXPECT_NEAR(simtest::PhaseDeg(want), -90.0, 3.0);
    }
    // COMP1 set as well: neither element, the amplifier runs open loop (gain limited by A).
    z.dev->E2_SetValue(kCellComp1, 1);
    ExpectClose(z.Eval(1, 1000).first, Stage(1000, Y(1000, 2), -2, 1.0, 0.0), 1e-9, "open");
    // Resistor in, capacitor out.
    z.dev->E2_SetValue(kCellInteg1, 0);
    ExpectClose(z.Eval(1, 1e6).first, Stage(1e6, Y(1e6, 2), -2, 1.0, kG), 1e-9, "resistor only");
}

TEST(ZelCModel, OutputOneFeedsTheSecondStage)
{
    ZelC z;
    z.dev->SetSymValue(kIA1A, 1);  // IA1: IN1 -> node 1
    SetGainValue(*z.dev, kGainIA1, 3);
    z.dev->SetSymValue(kIA2Interconnect, 5);  // IA2: OUT1 -> node 2
    z.dev->SetSymValue(kIA2Out, 1);
    SetGainValue(*z.dev, kGainIA2, -2);
    z.dev->SetSymValue(3, 4);  // OA2_CF
    for (double f : {10.0, 3e3, 2e5, 5e6}) {
        const auto [v1, v2] = z.Eval(1, f);
        const cplx want1 = Stage(f, Y(f, 3), -3, 1.0, z.Yf1(f));
        const cplx want2 = Stage(f, Y(f, 2), 2, want1, z.Yf2(f));
        ExpectClose(v1, want1, 1e-9, "vout1");
        ExpectClose(v2, want2, 1e-9, "vout2");
    }
    // Node 1 is output 1; every other node output 2.
    double g1 = 0, g2 = 0, g0 = 0, g3 = 0;
    z.Eval(1, 1000);
    ASSERT_EQ(z.sim.GetGainDb(1, &g1), 1);
    ASSERT_EQ(z.sim.GetGainDb(2, &g2), 1);
    ASSERT_EQ(z.sim.GetGainDb(0, &g0), 1);
    ASSERT_EQ(z.sim.GetGainDb(3, &g3), 1);
    EXPECT_NE(g1, g2);
    EXPECT_EQ(g0, g2);
    EXPECT_EQ(g3, g2);
    EXPECT_NEAR(g2, 20 * std::log10(6.0), 0.05);
}

TEST(ZelCModel, DacGainFollowsItsCode)
{
    struct Case {
        int code;
        double k;
    } cases[] = {{0, 1.0}, {64, 0.5}, {255, -0.9921875}};
    for (const Case& c : cases) {
        ZelC z;
        z.dev->SetSymValue(kDac1Interconnect, 2);  // DAC1: IN2 -> node 1
        z.dev->SetSymValue(kDac1Out, 0);
        z.dev->SetSymValue(kDac1, c.code);
        // The DACs have the pole of gain 1.
        ExpectClose(z.Eval(2, 5000).first, Stage(5000, Y(5000, 1), c.k, 1.0, z.Yf1(5000)), 1e-9,
                    std::to_string(c.code));
    }
    // Code 128 multiplies by 0: the output is zero and the query fails.
    ZelC z;
    z.dev->SetSymValue(kDac1Interconnect, 2);
    z.dev->SetSymValue(kDac1, 128);
    z.Eval(2, 5000);
    double g = 0;
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 0);
}

TEST(ZelCModel, InputPolesByGainMagnitude)
{
    for (int g : {1, 10}) {
        ZelC z;
        z.dev->SetSymValue(kIA1A, 1);
        SetGainValue(*z.dev, kGainIA1, g);
        const double fp = kBandwidth[g] / 2.0;  // the pole pi * b in hertz: b / 2
        // (The table is built with the pi of a fresh simulator, 3.141592654: a 1e-8 difference.)
        ExpectClose(z.Eval(1, fp).first, Stage(fp, Y(fp, g), -g, 1.0, z.Yf1(fp)), 1e-7, std::to_string(g));
        // At its pole the source admittance has turned by 45 degrees.
        EXPECT_NEAR(std::arg(Y(fp, g)) * 180 / M_PI, -45.0, 1e-4);
    }
}

TEST(ZelCModel, SlotsWiredToAnotherInputCarryNothing)
{
    ZelC a;
    a.dev->SetSymValue(kIA1A, 1);
    SetGainValue(*a.dev, kGainIA1, 2);
    ZelC b;
    b.dev->SetSymValue(kIA1A, 1);
    SetGainValue(*b.dev, kGainIA1, 2);
    b.dev->SetSymValue(kIA3Interconnect, 2);  // IA3 from IN2 into node 1 as well
    b.dev->SetSymValue(kIA3Out, 0);
    SetGainValue(*b.dev, kGainIA3, 7);
    for (double f : {10.0, 1e5}) {
        const cplx va = a.Eval(1, f).first;
        const cplx vb = b.Eval(1, f).first;
        EXPECT_EQ(va, vb) << f;  // neither the admittance nor the source of IA3 enters
    }
    EXPECT_EQ(b.sim.GetSlotCode(1, 6), 0);
    b.Eval(2, 1000);
    EXPECT_EQ(b.sim.GetSlotCode(1, 6), 2);
    EXPECT_EQ(b.sim.GetSlotCode(1, 1), 0);
}

TEST(ZelCModel, InputMultiplexerChoosesTheIa1Slot)
{
    ZelC z;
    z.dev->SetSymValue(kIA1A, 1);  // slot 1: IN1
    z.dev->SetSymValue(kIA1B, 2);  // slot 2: IN2
    double g = 0;
    z.Eval(1, 1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 1);
    z.Eval(2, 1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 0);
    // The pin state differing from SELA switches to slot 2.
    z.dev->SetSymValue(kMselA, 1);
    z.Eval(1, 1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 0);
    z.Eval(2, 1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 1);
    z.dev->SetSymValue(kSelA, 1);  // equal again: slot 1
    z.Eval(1, 1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 1);
}

TEST(ZelCModel, EverythingNotConnectedStopsTheRun)
{
    ZelC z;
    for (int key : {10, 11, 13, 14, 16, 17, 18, 19})
        z.dev->SetSymValue(key, 7);
    ASSERT_EQ(RunSweep(z.sim, z.setup, z.curves, 0), 0);
    ASSERT_EQ(z.prompter.Texts().size(), 1u);
    EXPECT_EQ(z.prompter.Texts()[0],
              "Simulation not executed\nCurrent Input and Output Node selections cause output to be zero.");
    z.setup.Curve(0).outputNode = 2;
    EXPECT_EQ(RunSweep(z.sim, z.setup, z.curves, 0), 0);
    EXPECT_TRUE(z.curves.Points(0).empty());
}

TEST(ZelCModel, IllegalSettingsNeitherCrashNorConnect)
{
    ZelC z;
    z.dev->SetSymValue(kIA1A, 12);               // beyond the codes
    SetGainValue(*z.dev, kGainIA1, 1);
    z.dev->SetSymValue(kGainIA1, 15);            // magnitude 16: beyond the pole table
    z.dev->SetSymValue(kIA2Interconnect, 1);
    z.dev->SetSymValue(kGainIA2, 15);  // IA2 from IN1 into node 1, polarity negative: -16
    const auto [v1, v2] = z.Eval(1, 1000);
    EXPECT_TRUE(std::isfinite(std::abs(v1)));
    EXPECT_EQ(z.sim.GetSlotCode(1, 1), 0);
    EXPECT_EQ(z.sim.GetSlotCode(1, 3), 1);
    // Only IA2 drives node 1; its magnitude beyond the table takes the table's last pole.
    ExpectClose(v1, Stage(1000, Y(1000, 10), 16, 1.0, z.Yf1(1000)), 1e-7, "gain -16");
}

// ------------------------------------------------------------------ debug dump

TEST(ZelCDebugDump, LayoutAndTexts)
{
    ZelC z;
    z.dev->SetSymValue(kIA1A, 1);
    z.dev->SetSymValue(kIA2Interconnect, 5);
    z.dev->SetSymValue(kIA2Out, 1);
    z.setup.Curve(1).inputNode = 1;
    EXPECT_EQ(z.sim.HasDebugDump(0), 1);
    EXPECT_EQ(z.sim.HasDebugDump(1), 0);
    std::string dump;
    ASSERT_EQ(WriteSimulatorDebug(z.sim, z.setup, dump), 1);

    const std::string head = "<?xml version=\"1.0\"?>\r\n\r\n<SimVariables>\r\n  <FreqInHz>1000.000000</FreqInHz>\r\n<Vout1>\r\n    <complex> ";
    EXPECT_EQ(dump.substr(0, head.size()), head);
    const std::string tail = " </complex>\r\n</MatrixB_After>\r\n\r\n</SimVariables>\r\n\r\n";
    EXPECT_EQ(dump.substr(dump.size() - tail.size()), tail);
    double g1 = 0, p1 = 0;
    z.sim.GetGainDb(1, &g1);
    z.sim.GetPhaseDeg(1, &p1);
    char line[128];
    std::snprintf(line, sizeof line, "  <Vout1_Gain_dB>%f</Vout1_Gain_dB>\r\n  <Vout1_Phase>%f</Vout1_Phase>\r\n", g1, p1);
    EXPECT_NE(dump.find(line), std::string::npos);
    std::snprintf(line, sizeof line, "<Vout1>\r\n    <complex> %f,%f </complex>\r\n</Vout1>\r\n",
                  z.sim.GetVout1().re, z.sim.GetVout1().im);
    EXPECT_NE(dump.find(line), std::string::npos);
    // The slot codes: IA1 (slot 1) at node 1 from IN1, IA2 (slot 3) at node 2 from OUT1.
    EXPECT_NE(dump.find("<inV1_SourcesToInputsArray>\r\n  <inV1>1, 1.000000</inV1>\r\n  <inV1>2, 0.000000</inV1>\r\n"),
              std::string::npos);
    EXPECT_NE(dump.find("  <inV2>3, 5.000000</inV2>\r\n"), std::string::npos);
    EXPECT_NE(dump.find("  <out1V2>3, 1.000000</out1V2>\r\n"), std::string::npos);
    EXPECT_NE(dump.find("</sumI2_Array>\r\n\r\n</SimIntermediateVariables>\r\n\r\n<InputAxx>\r\n"), std::string::npos);

    // Block order and sizes.
    const char* blocks[] = {"<inV1_SourcesToInputsArray>", "<inV2_SourcesToInputsArray>", "<sumV1_Array>",
                            "<sumV2_Array>", "<out1V1_Array>", "<out1V2_Array>", "<out2V1_Array>",
                            "<out2V2_Array>", "<sumI1_Array>", "<sumI2_Array>", "<InputAxx>", "<InputB>",
                            "<MatrixA_After>", "<MatrixB_After>"};
    std::size_t at = 0;
    for (const char* b : blocks) {
        const std::size_t p = dump.find(b, at);
        ASSERT_NE(p, std::string::npos) << b;
        at = p;
    }
    auto count = [&](const std::string& open, const std::string& close, const std::string& item) {
        const std::size_t a = dump.find(open);
        const std::size_t b = dump.find(close);
        int n = 0;
        for (std::size_t p = dump.find(item, a); p != std::string::npos && p < b; p = dump.find(item, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<InputAxx>", "</InputAxx>", "<complex>"), 8);
    EXPECT_EQ(count("<InputB>", "</InputB>", "<complex>"), 2);
    EXPECT_EQ(count("<MatrixA_After>", "</MatrixA_After>", "<complex>"), 16);
    EXPECT_EQ(count("<MatrixB_After>", "</MatrixB_After>", "<complex>"), 2);
    EXPECT_EQ(count("<sumV2_Array>", "</sumV2_Array>", "<sumV2>"), 8);
    // Every line ends in CR LF.
    for (std::size_t p = dump.find('\n'); p != std::string::npos; p = dump.find('\n', p + 1))
        ASSERT_EQ(dump[p - 1], '\r') << p;
}

TEST(ZelCDebugDump, OtherDevicesWriteNone)
{
    auto dev = CreateDeviceConfig("ZelA");
    auto sim = CreateSimulator("ZelA", *dev);
    CSimulationSetup setup(*dev);
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    std::string dump;
    EXPECT_EQ(WriteSimulatorDebug(*sim, setup, dump), 0);
    EXPECT_TRUE(dump.empty());
    // The evaluation itself ran for curve index 1 at output node 1: nothing is connected.
    EXPECT_EQ(prompter.Texts().size(), 1u);
}
