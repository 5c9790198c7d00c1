#include "sim/Sweep.h"

#include <cmath>

#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"

namespace kalidor {

const char kMsgSameFrequencies[] = "Start and stop frequency are the same.\nDid not perform simulation.";
const char kMsgZeroOutput[] =
    "Simulation not executed\nCurrent Input and Output Node selections cause output to be zero.";
const char kMsgStartAboveStop[] =
    "Start frequency is above stop frequency.\nDid not perform simulation.";
const char kMsgBadPointsPerDecade[] =
    "Points per decade must be 1 or more.\nDid not perform simulation.";
const char kMsgBadFrequency[] =
    "Start and stop frequency must be above 0 Hz.\nDid not perform simulation.";
const char kMsgTooManyPoints[] =
    "The sweep would take more than 1000000 points.\nReduce the points per decade or the "
    "frequency range.\nDid not perform simulation.";

namespace {

const std::vector<CurvePoint> kNoPoints;

bool ValidCurve(int curve) { return curve >= 0 && curve < CSimulationSetup::kCurveCount; }

void Tell(const char* text)
{
    CurrentPrompter().Message(text, {}, Buttons::Ok, MessageIcon::Warning);
}

// Option, input and configuration of the curve, in the order every run uses.
void SetUp(CSimulator& simulator, const CSimulationSetup& setup, int curve)
{
    const CurveSetting& c = setup.Curve(curve);
    simulator.SetOption(setup.GetSimulatorOption());
    simulator.SelectInput(c.inputNode);
    simulator.Configure(c.configAB);
}

}  // namespace

// ------------------------------------------------------------------ point lists

void CCurveLists::ClearCurve(int curve)
{
    if (ValidCurve(curve))
        m_lists[curve].clear();
}

void CCurveLists::AppendPoint(int curve, const CurvePoint& point)
{
    if (ValidCurve(curve))
        m_lists[curve].push_back(point);
}

const std::vector<CurvePoint>& CCurveLists::Points(int curve) const
{
    return ValidCurve(curve) ? m_lists[curve] : kNoPoints;
}

// ------------------------------------------------------------------ runs

int RunSweep(CSimulator& simulator, CSimulationSetup& setup, CCurveStore& store, int curve)
{
    if (!ValidCurve(curve))
        return 0;
    CurveSetting& c = setup.Curve(curve);
    Prompter& prompter = CurrentPrompter();

    // Settings no sweep can run with are refused before anything is touched.
    if (c.pointsPerDecade <= 0) {
        Tell(kMsgBadPointsPerDecade);
        return 0;
    }
    if (c.startFrequency <= 0 || c.stopFrequency <= 0) {
        Tell(kMsgBadFrequency);
        return 0;
    }

    prompter.BeginWaitCursor();
    SetUp(simulator, setup, curve);
    const double step = std::pow(10.0, 1.0 / c.pointsPerDecade);
    setup.SetStepFactor(step);

    const double fStart = static_cast<double>(c.startFrequency);
    const double fStop = static_cast<double>(c.stopFrequency);
    if (fStart == fStop) {
        prompter.EndWaitCursor();
        Tell(kMsgSameFrequencies);
        return 0;
    }
    if (fStart > fStop) {
        prompter.EndWaitCursor();
        Tell(kMsgStartAboveStop);
        return 0;
    }
    const double decades = std::log10(fStop / fStart);
    if (decades * c.pointsPerDecade + 2.0 > static_cast<double>(kMaxSweepPoints)) {
        prompter.EndWaitCursor();
        Tell(kMsgTooManyPoints);
        return 0;
    }

    bool cleared = false;
    auto add = [&](double f, double gain) {
        if (!cleared) {
            store.ClearCurve(curve);
            cleared = true;
        }
        CurvePoint point{f, gain, 0.0};
        simulator.GetPhaseDeg(c.outputNode, &point.phaseDeg);
        simulator.GetGroupDelay(c.outputNode, &point.groupDelay);
        store.AppendPoint(curve, point);
    };

    for (double f = fStart; f < fStop; f *= step) {
        double gain = 0.0;
        simulator.Evaluate(f);
        if (!simulator.GetGainDb(c.outputNode, &gain)) {
            // The old points are gone once this run added one: what is left is not a
            // complete result.
            if (cleared)
                c.valid = 0;
            prompter.EndWaitCursor();
            Tell(kMsgZeroOutput);
            return 0;
        }
        add(f, gain);
    }

    double gain = 0.0;
    simulator.Evaluate(fStop);
    if (!simulator.GetGainDb(c.outputNode, &gain)) {
        c.valid = 0;
        prompter.EndWaitCursor();
        Tell(kMsgZeroOutput);
        store.ClearCurve(curve);
        return 0;
    }
    add(fStop, gain);

    store.OnCurveComplete(curve);
    prompter.EndWaitCursor();
    return 1;
}

int EvaluatePoint(CSimulator& simulator, CSimulationSetup& setup, int curve, double frequencyHz,
                  double* gainDb, double* phaseDeg)
{
    if (!ValidCurve(curve))
        return 0;
    SetUp(simulator, setup, curve);
    simulator.Evaluate(frequencyHz);
    if (!simulator.GetGainDb(1, gainDb)) {
        Tell(kMsgZeroOutput);
        return 0;
    }
    return simulator.GetPhaseDeg(1, phaseDeg);
}

int WriteSimulatorDebug(CSimulator& simulator, CSimulationSetup& setup, std::string& dump)
{
    double gain = 0.0;
    double phase = 0.0;
    EvaluatePoint(simulator, setup, 1, 1000.0, &gain, &phase);
    if (simulator.HasDebugDump(0) != 1)
        return 0;
    simulator.WriteDebugDump(dump);
    return 1;
}

}  // namespace kalidor
