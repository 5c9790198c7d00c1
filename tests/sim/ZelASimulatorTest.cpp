#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SimTestUtil.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "sim/Sweep.h"
#include "sim/ZelASimulator.h"

using namespace kalidor;
using simtest::cplx;

namespace {

constexpr double kR = 250000.0;

// First symbol key of the ZelA blocks XT, XB, YT, YB.
constexpr int kBlockKey[5] = {0, 1, 12, 23, 34};

struct ZelA {
    std::unique_ptr<DeviceConfig> dev = CreateDeviceConfig("ZelA");
    CZelASimulator sim{*dev};
    CSimulationSetup setup{*dev};
    CCurveLists curves;
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};

    void Block(int b, int sel1, int gain1, int sel2 = 0, int gain2 = 1, int open = 0, int capCode = 10)
    {
        const int k = kBlockKey[b];
        dev->SetSymValue(k + 2, open);
        SetGainValue(*dev, k + 3, gain1);
        SetGainValue(*dev, k + 4, gain2);
        dev->SetSymValue(k + 5, capCode);
        dev->SetSymValue(k + 8, sel1);
        dev->SetSymValue(k + 9, sel2);
    }
    double Cap(int b) { return dev->GetCapFarads(kBlockKey[b] + 5); }
    int Run(int in, int out, int start = 10, int stop = 10000000, int ppd = 50)
    {
        CurveSetting& c = setup.Curve(0);
        c.inputNode = in;
        c.outputNode = out;
        c.startFrequency = start;
        c.stopFrequency = stop;
        c.pointsPerDecade = ppd;
        return RunSweep(sim, setup, curves, 0);
    }
    cplx Out(int node) const
    {
        const CComplex v = sim.GetOutput(node);
        return {v.re, v.im};
    }
};

// Compares every point of curve 0 with an expected response.
template <typename F>
void ExpectCurve(const ZelA& z, F expected, double dbTol = 1e-9, double degTol = 1e-7)
{
    const auto& pts = z.curves.Points(0);
    ASSERT_FALSE(pts.empty());
    for (const CurvePoint& p : pts) {
        const cplx e = expected(p.frequency);
        EXPECT_NEAR(p.gainDb, simtest::GainDb(e), dbTol) << p.frequency;
        EXPECT_NEAR(simtest::PhaseDiff(p.phaseDeg, simtest::PhaseDeg(e)), 0.0, degTol) << p.frequency;
    }
}

cplx Den(double f, double c, bool open) { return cplx(open ? 0.0 : 1.0, kR * c * simtest::Omega(f)); }

// Random settings of all four blocks, set on `z`, and the input node driven.
struct RandomSettings {
    int s[5][3], g[5][3], open[5];
    int in = 1;
};

RandomSettings Randomise(ZelA& z, std::mt19937& rng)
{
    std::uniform_int_distribution<int> sel(0, 5), mag(1, 10), cap(0, 127), bit(0, 1), node(1, 4);
    RandomSettings r;
    for (int b = 1; b <= 4; ++b) {
        r.s[b][1] = sel(rng);
        r.s[b][2] = sel(rng);
        r.g[b][1] = mag(rng) * (bit(rng) ? 1 : -1);
        r.g[b][2] = mag(rng) * (bit(rng) ? 1 : -1);
        r.open[b] = bit(rng);
        z.Block(b, r.s[b][1], r.g[b][1], r.s[b][2], r.g[b][2], r.open[b], cap(rng));
    }
    r.in = node(rng);
    z.sim.SelectInput(r.in);
    z.sim.Configure(0);
    return r;
}

// The network of `r` at f as a general system A V = rhs, built independently of the model, and
// its derivative with respect to omega (ad, rhsd).
struct GeneralSystem {
    simtest::CMatrix a = simtest::CMatrix(4, std::vector<cplx>(4));
    simtest::CMatrix ad = simtest::CMatrix(4, std::vector<cplx>(4));
    std::vector<cplx> rhs = std::vector<cplx>(4), rhsd = std::vector<cplx>(4);
};

GeneralSystem BuildSystem(ZelA& z, const RandomSettings& r, double f)
{
    // Selector value -> (external input, block output) for blocks 1-2 and 3-4.
    static const int top[6][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}, {0, 4}};
    static const int bottom[6][2] = {{0, 0}, {3, 0}, {4, 0}, {0, 3}, {0, 4}, {0, 2}};
    GeneralSystem g;
    for (int b = 1; b <= 4; ++b) {
        g.a[b - 1][b - 1] -= 1.0;
        const cplx d = Den(f, z.Cap(b), r.open[b]);
        const cplx dd(0.0, kR * z.Cap(b));  // d(den)/d(omega)
        for (int i = 1; i <= 2; ++i) {
            const cplx h = double(r.g[b][i]) / d;
            const cplx hd = -h * dd / d;
            const int(*table)[2] = b <= 2 ? top : bottom;
            const int x = table[r.s[b][i]][0];
            const int m = table[r.s[b][i]][1];
            if (x == r.in) {
                g.rhs[b - 1] -= h;
                g.rhsd[b - 1] -= hd;
            }
            if (m) {
                g.a[b - 1][m - 1] += h;
                g.ad[b - 1][m - 1] += hd;
            }
        }
    }
    return g;
}

}  // namespace

// ------------------------------------------------------------------ single blocks

TEST(ZelAModel, SingleBlockIsAFirstOrderLowPass)
{
    ZelA z;
    z.Block(1, 1, 1);
    ASSERT_EQ(z.Run(1, 1), 1);
    const double c = z.Cap(1);
    ExpectCurve(z, [&](double f) { return 1.0 / Den(f, c, false); });
    const auto& pts = z.curves.Points(0);
    // 0 dB and 0 degrees well below the corner, -3 dB and -45 degrees at it, -90 far above.
    EXPECT_NEAR(pts.front().gainDb, 0.0, 1e-3);
    EXPECT_NEAR(pts.front().phaseDeg, 0.0, 0.1);
    EXPECT_NEAR(pts.back().phaseDeg, -90.0, 1.0);
    z.sim.Evaluate(1.0 / (2 * 3.1415926 * kR * c));
    double g = 0, p = 0;
    ASSERT_EQ(z.sim.GetGainDb(1, &g), 1);
    z.sim.GetPhaseDeg(1, &p);
    EXPECT_NEAR(g, -10 * std::log10(2.0), 1e-9);
    EXPECT_NEAR(p, -45.0, 1e-5);
}

// The group delay of a single block: RC / (1 + (omega R C)^2), at every point of a sweep.
TEST(ZelAModel, GroupDelayOfAFirstOrderLowPassIsExact)
{
    ZelA z;
    z.Block(1, 1, -3);
    ASSERT_EQ(z.Run(1, 1, 10, 10000000, 10), 1);
    const double rc = kR * z.Cap(1);
    for (const CurvePoint& p : z.curves.Points(0)) {
        const double w = simtest::Omega(p.frequency);
        const double want = rc / (1 + w * w * rc * rc);
        EXPECT_NEAR(p.groupDelay, want, 1e-9 * want) << p.frequency;
    }
}

// Cascades and feedback loops of random settings: the model's delay against the derivative
// of the solution of the same system by a general solver, -Im(V'/V) with A V' = B' - A' V.
TEST(ZelAModel, GroupDelayMatchesAGeneralSolverOverRandomSettings)
{
    std::mt19937 rng(77);
    int compared = 0;
    for (int trial = 0; trial < 200; ++trial) {
        ZelA z;
        const RandomSettings r = Randomise(z, rng);
        for (double f : {37.0, 12345.0, 3.3e6}) {
            z.sim.Evaluate(f);
            const GeneralSystem sys = BuildSystem(z, r, f);
            const auto v = simtest::Solve(sys.a, sys.rhs);
            std::vector<cplx> rd(4);
            for (int i = 0; i < 4; ++i) {
                rd[i] = sys.rhsd[i];
                for (int k = 0; k < 4; ++k)
                    rd[i] -= sys.ad[i][k] * v[k];
            }
            const auto vd = simtest::Solve(sys.a, rd);
            for (int o = 1; o <= 4; ++o) {
                const double m0 = std::abs(v[o - 1]);
                if (!std::isfinite(m0) || m0 < 1e-6 || m0 > 1e6)
                    continue;  // nothing reaches this output, or an ill-conditioned draw
                const double want = -std::imag(vd[o - 1] / v[o - 1]);
                double got = 0.0;
                ASSERT_EQ(z.sim.GetGroupDelay(o, &got), 1);
                EXPECT_NEAR(got, want, 1e-7 * std::fabs(want) + 1e-15)
                    << "trial " << trial << " f " << f << " out " << o;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 300);
    ZelA z;
    double none = -1.0;
    EXPECT_EQ(z.sim.GetGroupDelay(0, &none), 0);
    EXPECT_EQ(z.sim.GetGroupDelay(5, &none), 0);
    EXPECT_EQ(none, -1.0);
}

TEST(ZelAModel, OpenFeedbackIntegrates)
{
    ZelA z;
    z.Block(1, 1, 1, 0, 1, /*open=*/1);
    ASSERT_EQ(z.Run(1, 1, 100, 100000, 10), 1);
    const double c = z.Cap(1);
    ExpectCurve(z, [&](double f) { return 1.0 / Den(f, c, true); });
    const auto& pts = z.curves.Points(0);
    for (const CurvePoint& p : pts)
        EXPECT_NEAR(p.phaseDeg, -90.0, 1e-4);
    // -20 dB per decade: 100 Hz to 100 kHz is three decades.
    EXPECT_NEAR(pts.front().gainDb - pts.back().gainDb, 60.0, 1e-6);
}

TEST(ZelAModel, NegativeGainTurnsThePhaseByHalfATurn)
{
    ZelA z;
    z.Block(1, 1, -3);
    ASSERT_EQ(z.Run(1, 1), 1);
    const double c = z.Cap(1);
    ExpectCurve(z, [&](double f) { return -3.0 / Den(f, c, false); });
    const auto& pts = z.curves.Points(0);
    EXPECT_NEAR(pts.front().gainDb, 20 * std::log10(3.0), 1e-3);
    EXPECT_NEAR(std::fabs(pts.front().phaseDeg), 180.0, 0.1);
    // An inverting integrator leads by 90 degrees.
    z.Block(1, 1, -1, 0, 1, 1);
    ASSERT_EQ(z.Run(1, 1, 100, 1000, 10), 1);
    for (const CurvePoint& p : z.curves.Points(0))
        EXPECT_NEAR(p.phaseDeg, 90.0, 1e-4);
}

TEST(ZelAModel, BothInputsOfABlockAdd)
{
    ZelA z;
    z.Block(2, 2, 4, 2, -1);  // XB: IN2 with gain 4 and with gain -1
    ASSERT_EQ(z.Run(2, 2), 1);
    const double c = z.Cap(2);
    ExpectCurve(z, [&](double f) { return 3.0 / Den(f, c, false); });
}

TEST(ZelAModel, EveryBlockReachesItsOwnInputs)
{
    // Blocks 3 and 4 take IN3 and IN4 with selectors 1 and 2.
    for (int b = 1; b <= 4; ++b) {
        for (int sel = 1; sel <= 2; ++sel) {
            ZelA z;
            z.Block(b, sel, 2, 0, 1, 0, 20 + b);
            const int in = (b <= 2 ? 0 : 2) + sel;
            ASSERT_EQ(z.Run(in, b, 1000, 100000, 5), 1) << b << " " << sel;
            const double c = z.Cap(b);
            ExpectCurve(z, [&](double f) { return 2.0 / Den(f, c, false); });
            // Another input drives nothing here.
            const int other = in == 1 ? 2 : 1;
            EXPECT_EQ(z.Run(other, b, 1000, 100000, 5), 0);
        }
    }
}

// ------------------------------------------------------------------ the interconnect

TEST(ZelAModel, CascadeThroughAllFourBlocks)
{
    ZelA z;
    z.Block(1, 1, 2, 0, 1, 0, 5);    // XT: IN1 x 2
    z.Block(2, 3, -3, 0, 1, 0, 40);  // XB: OUT1 x -3
    z.Block(3, 5, 1, 0, 1, 0, 70);   // YT: OUT2 x 1
    z.Block(4, 3, 5, 0, 1, 1, 100);  // YB: OUT3 x 5, integrating
    for (int out = 1; out <= 4; ++out) {
        ASSERT_EQ(z.Run(1, out, 10, 1000000, 20), 1) << out;
        ExpectCurve(z, [&](double f) {
            cplx v = 2.0 / Den(f, z.Cap(1), false);
            if (out >= 2)
                v *= -3.0 / Den(f, z.Cap(2), false);
            if (out >= 3)
                v *= 1.0 / Den(f, z.Cap(3), false);
            if (out >= 4)
                v *= 5.0 / Den(f, z.Cap(4), true);
            return v;
        }, 1e-8, 1e-6);
    }
}

TEST(ZelAModel, FeedbackLoopOfABlockOnItself)
{
    // XT sums IN1 and its own output: V1 = H1 / (1 - H2).
    ZelA z;
    z.Block(1, 1, 1, 3, -2, 1);
    ASSERT_EQ(z.Run(1, 1), 1);
    const double c = z.Cap(1);
    ExpectCurve(z, [&](double f) {
        const cplx d = Den(f, c, true);
        return (1.0 / d) / (1.0 - (-2.0 / d));
    });
    // An integrator in a loop of gain -2 is a low pass of DC gain 1/2.
    EXPECT_NEAR(z.curves.Points(0).front().gainDb, 20 * std::log10(0.5), 1e-3);
}

// Random settings of all four blocks against an independent general solve of the same network.
TEST(ZelAModel, ClosedFormSolveMatchesAGeneralSolverOverRandomSettings)
{
    std::mt19937 rng(2024);
    int compared = 0;
    for (int trial = 0; trial < 300; ++trial) {
        ZelA z;
        const RandomSettings r = Randomise(z, rng);
        for (double f : {37.0, 12345.0, 3.3e6}) {
            z.sim.Evaluate(f);
            const GeneralSystem sys = BuildSystem(z, r, f);
            const auto v = simtest::Solve(sys.a, sys.rhs);
            double largest = 0.0;
            for (const cplx& x : v)
                largest = std::max(largest, std::abs(x));
            if (!std::isfinite(largest) || largest > 1e9)
                continue;  // an ill-conditioned draw says nothing about the solve
            // Outputs that are exactly zero come out of the general solve as round-off, so
            // the tolerance follows the largest output.
            const double tol = 1e-8 * std::max(largest, 1e-6);
            for (int o = 1; o <= 4; ++o) {
                const cplx got = z.Out(o);
                EXPECT_LT(std::abs(got - v[o - 1]), tol + 1e-7 * std::abs(v[o - 1]))
                    << "trial " << trial << " f " << f << " out " << o;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 3000);
}

// ------------------------------------------------------------------ failures

TEST(ZelAModel, UnconnectedOutputStopsAtTheFirstFrequency)
{
    ZelA z;
    z.Block(1, 1, 1);
    ASSERT_EQ(z.Run(1, 1), 1);
    const auto before = z.curves.Points(0);
    z.prompter.Clear();
    EXPECT_EQ(z.Run(1, 2), 0);
    ASSERT_EQ(z.prompter.Texts().size(), 1u);
    EXPECT_EQ(z.prompter.Texts()[0],
              "Simulation not executed\nCurrent Input and Output Node selections cause output to be zero.");
    // The old curve survives.
    ASSERT_EQ(z.curves.Points(0).size(), before.size());
    EXPECT_EQ(z.curves.Points(0).front().gainDb, before.front().gainDb);
    EXPECT_EQ(z.prompter.waitDepth, 0);
}

TEST(ZelAModel, NodesOutsideTheDeviceDriveAndShowNothing)
{
    ZelA z;
    z.Block(1, 1, 1);
    z.sim.SelectInput(-3);
    z.sim.Configure(0);
    z.sim.Evaluate(1000);
    double g = 0;
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 0);
    z.sim.SelectInput(1);
    z.sim.Evaluate(1000);
    EXPECT_EQ(z.sim.GetGainDb(1, &g), 1);
    EXPECT_EQ(z.sim.GetGainDb(0, &g), 0);
    EXPECT_EQ(z.sim.GetGainDb(5, &g), 0);
    EXPECT_EQ(z.sim.GetGainDb(-1, &g), 0);
}

TEST(ZelAModel, IllegalSelectorValuesConnectNothing)
{
    ZelA z;
    z.Block(1, 6, 1, 7, 1);  // cells can hold 6 and 7; the selector table ends at 5
    EXPECT_EQ(z.Run(1, 1), 0);
    EXPECT_EQ(z.Run(2, 1), 0);
}

TEST(ZelAModel, BaseOperationsReturnTheirFixedResults)
{
    ZelA z;
    EXPECT_EQ(z.sim.SetSourceLevel(0, 1), 0);
    EXPECT_EQ(z.sim.Reserved8(), 1);
    EXPECT_EQ(z.sim.HasDebugDump(0), 0);
    std::string dump;
    EXPECT_EQ(z.sim.WriteDebugDump(dump), 1);
    EXPECT_TRUE(dump.empty());
}

// ------------------------------------------------------------------ ZelB

namespace {

struct ZelB {
    std::unique_ptr<DeviceConfig> dev = CreateDeviceConfig("ZelB");
    CZelBSimulator sim{*dev};
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};

    // Evaluates output `out` for input `in` at `f`; false when the output is zero.
    bool Eval(int in, int out, double f, cplx* v)
    {
        sim.SelectInput(in);
        sim.Configure(0);
        sim.Evaluate(f);
        double g = 0;
        const CComplex o = sim.GetOutput(out);
        *v = cplx(o.re, o.im);
        return sim.GetGainDb(out, &g) == 1;
    }
};

}  // namespace

TEST(ZelBModel, XtLowPassFromEachExternalInput)
{
    for (int sel : {1, 2, 5}) {
        ZelB z;
        z.dev->SetSymValue(9, sel);
        SetGainValue(*z.dev, 4, -2);
        z.dev->SetSymValue(6, 30);
        const int in = sel == 5 ? 3 : sel;
        cplx v;
        ASSERT_TRUE(z.Eval(in, 1, 5000, &v)) << sel;
        const cplx e = -2.0 / Den(5000, z.dev->GetCapFarads(6), false);
        EXPECT_LT(std::abs(v - e), 1e-12) << sel;
    }
}

TEST(ZelBModel, MselPinChoosesTheSecondInputOfXt)
{
    ZelB z;
    z.dev->SetSymValue(10, 1);  // IA1 (XT 2A): IN1
    z.dev->SetSymValue(11, 2);  // IA1 (XT 2B): IN2
    cplx v;
    z.dev->SetSymValue(56, 0);
    EXPECT_TRUE(z.Eval(1, 1, 1000, &v));
    EXPECT_FALSE(z.Eval(2, 1, 1000, &v));
    z.dev->SetSymValue(56, 1);
    EXPECT_FALSE(z.Eval(1, 1, 1000, &v));
    EXPECT_TRUE(z.Eval(2, 1, 1000, &v));
    // The DAC output (6) is not modelled: it connects nothing.
    z.dev->SetSymValue(11, 6);
    EXPECT_FALSE(z.Eval(1, 1, 1000, &v));
    EXPECT_FALSE(z.Eval(2, 1, 1000, &v));
}

TEST(ZelBModel, PolarityControlOfXbSecondInput)
{
    // XB input 2 from IN2, gain magnitude 3: the stage itself always inverts.
    struct Case {
        int mode, pin;
        double sign;
    } cases[] = {{0, 0, +1}, {0, 1, +1}, {1, 0, +1}, {1, 1, -1}, {2, 0, -1}, {3, 1, -1}};
    for (const Case& k : cases) {
        ZelB z;
        z.dev->SetSymValue(22, 2);
        SetGainValue(*z.dev, 17, -3);
        z.dev->SetSymValue(20, k.mode);
        z.dev->SetSymValue(57, k.pin);
        cplx v;
        ASSERT_TRUE(z.Eval(2, 2, 10, &v));
        const cplx e = 3.0 * k.sign / Den(10, z.dev->GetCapFarads(18), false);
        EXPECT_LT(std::abs(v - e), 1e-12) << k.mode << " " << k.pin;
    }
}

TEST(ZelBModel, XbSecondInputKnowsNeitherReferenceAsASource)
{
    ZelB z;
    cplx v;
    z.dev->SetSymValue(22, 1);  // 1.5 V reference, not IN1
    EXPECT_FALSE(z.Eval(1, 2, 1000, &v));
    z.dev->SetSymValue(22, 5);  // 3 V reference, not IN3
    EXPECT_FALSE(z.Eval(3, 2, 1000, &v));
    z.dev->SetSymValue(21, 5);  // XB input 1 does reach IN3
    EXPECT_TRUE(z.Eval(3, 2, 1000, &v));
}

TEST(ZelBModel, CascadeXtIntoXb)
{
    ZelB z;
    z.dev->SetSymValue(9, 1);
    SetGainValue(*z.dev, 4, 5);
    z.dev->SetSymValue(21, 3);  // XB from OUT1
    SetGainValue(*z.dev, 16, -2);
    z.dev->SetSymValue(15, 1);  // XB integrates
    z.dev->SetSymValue(6, 12);
    z.dev->SetSymValue(18, 90);
    for (double f : {10.0, 1e3, 1e5, 1e7}) {
        cplx v;
        ASSERT_TRUE(z.Eval(1, 2, f, &v));
        const cplx e = (5.0 / Den(f, z.dev->GetCapFarads(6), false)) * (-2.0 / Den(f, z.dev->GetCapFarads(18), true));
        EXPECT_LT(std::abs(v - e) / std::abs(e), 1e-12) << f;
    }
}

TEST(ZelBModel, OutputsThreeAndFourAreAlwaysZero)
{
    ZelB z;
    z.dev->SetSymValue(9, 1);
    z.dev->SetSymValue(21, 3);
    cplx v;
    EXPECT_TRUE(z.Eval(1, 1, 1000, &v));
    EXPECT_TRUE(z.Eval(1, 2, 1000, &v));
    EXPECT_FALSE(z.Eval(1, 3, 1000, &v));
    EXPECT_FALSE(z.Eval(1, 4, 1000, &v));

    // In a run the old curve stays.
    CSimulationSetup setup(*z.dev);
    CCurveLists curves;
    ASSERT_EQ(RunSweep(z.sim, setup, curves, 0), 1);
    const std::size_t n = curves.Points(0).size();
    setup.Curve(0).outputNode = 3;
    EXPECT_EQ(RunSweep(z.sim, setup, curves, 0), 0);
    EXPECT_EQ(curves.Points(0).size(), n);
    EXPECT_EQ(z.prompter.Texts().back(),
              "Simulation not executed\nCurrent Input and Output Node selections cause output to be zero.");
}

TEST(ZelBModel, SourceLevelsSuperpose)
{
    ZelB z;
    z.dev->SetSymValue(9, 1);   // XT input 1: IN1, gain 1
    z.dev->SetSymValue(10, 2);  // XT input 2: IN2, gain 1
    SetGainValue(*z.dev, 5, 4);
    z.sim.SelectInput(1);
    z.sim.Configure(0);
    EXPECT_EQ(z.sim.SetSourceLevel(1, 1), 1);  // input node 2 as well
    EXPECT_EQ(z.sim.SetSourceLevel(4, 1), 1);  // out of range: nothing
    EXPECT_EQ(z.sim.SetSourceLevel(-1, 1), 1);
    z.sim.Evaluate(100);
    const CComplex v = z.sim.GetOutput(1);
    const cplx e = 5.0 / Den(100, z.dev->GetCapFarads(6), false);
    EXPECT_LT(std::abs(cplx(v.re, v.im) - e), 1e-12);
}
