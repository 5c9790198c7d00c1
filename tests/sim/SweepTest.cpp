#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "SimTestUtil.h"
#include "device/DeviceConfig.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"
#include "sim/Sweep.h"

using namespace kalidor;

namespace {

const char kZeroOutput[] =
    "Simulation not executed\nCurrent Input and Output Node selections cause output to be zero.";
const char kSame[] = "Start and stop frequency are the same.\nDid not perform simulation.";

// A simulator whose output is 1/f (gain -20 log f, phase f/1000 degrees) and that fails at the
// evaluations listed in `failAt` (0 = the first evaluation of a run).
class ScriptedSimulator : public CSimulator {
public:
    explicit ScriptedSimulator(DeviceConfig& d) : CSimulator(d) {}

    void Configure(int config) override
    {
        calls.push_back("Configure " + std::to_string(config));
        evaluations = 0;
    }
    void Evaluate(double f) override
    {
        last = f;
        failing = failAt.count(evaluations) > 0;
        ++evaluations;
        frequencies.push_back(f);
    }
    int GetGainDb(int node, double* g) override
    {
        nodes.push_back(node);
        if (failing)
            return 0;
        *g = -20 * std::log10(last);
        return 1;
    }
    int GetPhaseDeg(int, double* p) override
    {
        *p = last / 1000.0;
        return phaseResult;
    }
    int SelectInput(int n) override
    {
        calls.push_back("SelectInput " + std::to_string(n) + " option " + std::to_string(GetOption()));
        return 1;
    }

    std::vector<std::string> calls;
    std::vector<double> frequencies;
    std::vector<int> nodes;
    std::set<int> failAt;
    int evaluations = 0;
    bool failing = false;
    double last = 0;
    int phaseResult = 1;
};

// Records, with every message, whether the wait cursor was still shown.
class CursorCheckingPrompter : public RecordingPrompter {
public:
    Answer Message(const std::string& text, const std::string& caption, Buttons b, MessageIcon i) override
    {
        depthAtMessage.push_back(waitDepth);
        return RecordingPrompter::Message(text, caption, b, i);
    }
    std::vector<int> depthAtMessage;
};

class CountingLists : public CCurveLists {
public:
    void OnCurveComplete(int curve) override { completed.push_back(curve); }
    std::vector<int> completed;
};

struct Fixture {
    std::unique_ptr<DeviceConfig> dev = CreateDeviceConfig("ZelA");
    ScriptedSimulator sim{*dev};
    CSimulationSetup setup{*dev};
    CountingLists curves;
    CursorCheckingPrompter prompter;
    ScopedPrompter scope{prompter};

    CurveSetting& C(int i = 0) { return setup.Curve(i); }
    int Run(int curve = 0) { return RunSweep(sim, setup, curves, curve); }
    // Fills curve `curve` with a short successful run and returns its size.
    std::size_t Seed(int curve = 0)
    {
        C(curve).startFrequency = 100;
        C(curve).stopFrequency = 1000;
        C(curve).pointsPerDecade = 4;
        EXPECT_EQ(Run(curve), 1);
        C(curve).valid = 1;
        prompter.Clear();
        sim.frequencies.clear();
        return curves.Points(curve).size();
    }
};

}  // namespace

// Six decades at 500 points each: 3000 geometric points, then the stop frequency.
TEST(Sweep, DefaultGridIsGeometricPlusTheStopFrequency)
{
    Fixture x;
    ASSERT_EQ(x.Run(), 1);
    const auto& pts = x.curves.Points(0);
    const auto grid = simtest::Grid(10, 1e7, 500);
    ASSERT_EQ(pts.size(), grid.size());
    EXPECT_GE(pts.size(), 3001u);
    EXPECT_LE(pts.size(), 3002u);  // rounding may leave one more point a hair below the stop
    EXPECT_EQ(pts.front().frequency, 10.0);
    EXPECT_EQ(pts.back().frequency, 1e7);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(pts[i].frequency, grid[i]) << i;
        EXPECT_EQ(pts[i].gainDb, -20 * std::log10(grid[i]));
        EXPECT_EQ(pts[i].phaseDeg, grid[i] / 1000.0);
    }
    EXPECT_DOUBLE_EQ(x.setup.GetStepFactor(), std::pow(10.0, 1.0 / 500));
    EXPECT_TRUE(x.prompter.messages.empty());
    EXPECT_EQ(x.prompter.waitDepth, 0);
    EXPECT_EQ(x.prompter.waitCursors, 1);
    EXPECT_EQ(x.curves.completed, std::vector<int>{0});
}

TEST(Sweep, SetsUpTheSimulatorForTheCurve)
{
    Fixture x;
    x.setup.SetSimulatorOption(1);
    CurveSetting& c = x.C(2);
    c.inputNode = 3;
    c.outputNode = 4;
    c.configAB = 1;
    c.startFrequency = 1000;
    c.stopFrequency = 2000;
    ASSERT_EQ(x.Run(2), 1);
    ASSERT_EQ(x.sim.calls.size(), 2u);
    EXPECT_EQ(x.sim.calls[0], "SelectInput 3 option 1");
    EXPECT_EQ(x.sim.calls[1], "Configure 1");
    for (int n : x.sim.nodes)
        EXPECT_EQ(n, 4);
    EXPECT_FALSE(x.curves.Points(2).empty());
    EXPECT_TRUE(x.curves.Points(0).empty());
}

TEST(Sweep, EqualFrequenciesChangeNothing)
{
    Fixture x;
    const std::size_t n = x.Seed();
    x.C().startFrequency = x.C().stopFrequency = 5000;
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kSame});
    EXPECT_EQ(x.prompter.depthAtMessage.back(), 0);
    EXPECT_EQ(x.curves.Points(0).size(), n);
    EXPECT_EQ(x.C().valid, 1);
    EXPECT_TRUE(x.sim.frequencies.empty());
}

TEST(Sweep, StartAboveStopIsRefused)
{
    Fixture x;
    const std::size_t n = x.Seed();
    x.C().startFrequency = 2000;
    x.C().stopFrequency = 1000;
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kMsgStartAboveStop});
    EXPECT_EQ(x.curves.Points(0).size(), n);
    EXPECT_EQ(x.C().valid, 1);
    EXPECT_TRUE(x.sim.frequencies.empty());
    EXPECT_EQ(x.prompter.waitDepth, 0);
}

TEST(Sweep, SettingsNoSweepCanRunWithAreRefused)
{
    struct Case {
        int start, stop, ppd;
        const char* message;
    } cases[] = {
        {10, 1000, 0, kMsgBadPointsPerDecade},    {10, 1000, -5, kMsgBadPointsPerDecade},
        {0, 1000, 10, kMsgBadFrequency},          {-10, 1000, 10, kMsgBadFrequency},
        {10, 0, 10, kMsgBadFrequency},            {10, -1000, 10, kMsgBadFrequency},
        {1, 2000000000, 2000000000, kMsgTooManyPoints},
        {1, 1000000, 200000, kMsgTooManyPoints},
    };
    for (const Case& k : cases) {
        Fixture x;
        const std::size_t n = x.Seed();
        x.C().startFrequency = k.start;
        x.C().stopFrequency = k.stop;
        x.C().pointsPerDecade = k.ppd;
        EXPECT_EQ(x.Run(), 0) << k.start << " " << k.stop << " " << k.ppd;
        EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{k.message});
        EXPECT_EQ(x.curves.Points(0).size(), n);
        EXPECT_TRUE(x.sim.frequencies.empty());
        EXPECT_EQ(x.prompter.waitDepth, 0);
    }
    // Just inside the limit the run goes ahead.
    Fixture x;
    x.C().startFrequency = 1;
    x.C().stopFrequency = 10;
    x.C().pointsPerDecade = 999990;
    EXPECT_EQ(x.Run(), 1);
}

TEST(Sweep, FailureAtTheFirstFrequencyKeepsTheOldCurve)
{
    Fixture x;
    x.Seed();
    const auto old = x.curves.Points(0);
    x.sim.failAt = {0};
    x.C().startFrequency = 10;
    x.C().stopFrequency = 100000;
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kZeroOutput});
    EXPECT_EQ(x.prompter.depthAtMessage.back(), 0);
    ASSERT_EQ(x.curves.Points(0).size(), old.size());
    EXPECT_EQ(x.curves.Points(0).front().frequency, old.front().frequency);
    EXPECT_EQ(x.C().valid, 1);
    EXPECT_EQ(x.sim.frequencies.size(), 1u);
}

TEST(Sweep, FailureInTheMiddleKeepsThePointsMadeAndClearsValid)
{
    Fixture x;
    x.Seed();
    x.sim.failAt = {3};
    x.C().startFrequency = 10;
    x.C().stopFrequency = 100000;
    x.C().pointsPerDecade = 10;
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kZeroOutput});
    ASSERT_EQ(x.curves.Points(0).size(), 3u);
    EXPECT_EQ(x.curves.Points(0).front().frequency, 10.0);
    EXPECT_EQ(x.C().valid, 0);
    EXPECT_TRUE(x.curves.completed.size() == 1);  // only the seed run completed
}

TEST(Sweep, FailureAtTheStopFrequencyEmptiesTheCurve)
{
    Fixture x;
    x.Seed();
    const int geometric = static_cast<int>(simtest::Grid(10, 1000, 10).size()) - 1;
    x.sim.failAt = {geometric};
    x.C().startFrequency = 10;
    x.C().stopFrequency = 1000;
    x.C().pointsPerDecade = 10;
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.sim.frequencies.back(), 1000.0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kZeroOutput});
    EXPECT_EQ(x.prompter.depthAtMessage.back(), 0);
    EXPECT_TRUE(x.curves.Points(0).empty());
    EXPECT_EQ(x.C().valid, 0);
}

TEST(Sweep, CurveIndexOutsideTheFourIsRefused)
{
    Fixture x;
    EXPECT_EQ(RunSweep(x.sim, x.setup, x.curves, 4), 0);
    EXPECT_EQ(RunSweep(x.sim, x.setup, x.curves, -1), 0);
    double g = 0, p = 0;
    EXPECT_EQ(EvaluatePoint(x.sim, x.setup, 7, 1000, &g, &p), 0);
    EXPECT_TRUE(x.sim.frequencies.empty());
    EXPECT_EQ(x.prompter.waitDepth, 0);
}

TEST(Sweep, TwoRunsOfOneCurveReplaceItsPoints)
{
    Fixture x;
    x.Seed();
    x.C().startFrequency = 1;
    x.C().stopFrequency = 10;
    x.C().pointsPerDecade = 2;
    ASSERT_EQ(x.Run(), 1);
    const auto& pts = x.curves.Points(0);
    ASSERT_EQ(pts.size(), simtest::Grid(1, 10, 2).size());
    EXPECT_EQ(pts.front().frequency, 1.0);
}

TEST(EvaluatePointTest, UsesOutputNodeOne)
{
    Fixture x;
    x.C(1).outputNode = 3;
    x.C(1).inputNode = 2;
    double g = 0, p = 0;
    EXPECT_EQ(EvaluatePoint(x.sim, x.setup, 1, 1000.0, &g, &p), 1);
    EXPECT_EQ(x.sim.nodes, std::vector<int>{1});
    EXPECT_EQ(x.sim.calls.front(), "SelectInput 2 option 0");
    EXPECT_DOUBLE_EQ(g, -60.0);
    EXPECT_DOUBLE_EQ(p, 1.0);
    x.sim.phaseResult = 7;
    EXPECT_EQ(EvaluatePoint(x.sim, x.setup, 1, 1000.0, &g, &p), 7);
    x.sim.failAt = {0};
    EXPECT_EQ(EvaluatePoint(x.sim, x.setup, 1, 1000.0, &g, &p), 0);
    EXPECT_EQ(x.prompter.Texts(), std::vector<std::string>{kZeroOutput});
}

TEST(SweepMessages, ExactTexts)
{
    EXPECT_STREQ(kMsgSameFrequencies, kSame);
    EXPECT_STREQ(kMsgZeroOutput, kZeroOutput);
}
