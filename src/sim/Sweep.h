// Running a curve: the simulator is set up for the curve's input node, output node and
// configuration and evaluated on a logarithmic frequency grid (start * step^k while below the
// stop frequency, then the stop frequency itself, step = 10^(1 / points per decade)). The
// points go into the plot's point lists through CCurveStore, so that the plot keeps whatever
// point type it draws with.
#pragma once

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace kalidor {

class CSimulator;
class CSimulationSetup;

struct CurvePoint {
    double frequency = 0.0;  // Hz
    double gainDb = 0.0;
    double phaseDeg = 0.0;
    // Seconds, where the simulator's model gives it exactly; NaN otherwise.
    double groupDelay = std::numeric_limits<double>::quiet_NaN();
};

// The point lists of the four curves, as the plot keeps them.
class CCurveStore {
public:
    virtual ~CCurveStore() = default;
    // Removes and deletes every point of curve 0..3.
    virtual void ClearCurve(int curve) = 0;
    // Appends a point at the end of the curve's list.
    virtual void AppendPoint(int curve, const CurvePoint& point) = 0;
    // Called after a successful run, before the wait cursor goes: the plot recomputes its data
    // limits here.
    virtual void OnCurveComplete(int) {}
};

// Four plain point lists.
class CCurveLists : public CCurveStore {
public:
    void ClearCurve(int curve) override;
    void AppendPoint(int curve, const CurvePoint& point) override;
    // The points of curve 0..3 (an empty list for any other index).
    const std::vector<CurvePoint>& Points(int curve) const;

private:
    std::array<std::vector<CurvePoint>, 4> m_lists;
};

// The largest sweep a run accepts: beyond it the run is refused rather than left to exhaust
// time and memory.
inline constexpr long long kMaxSweepPoints = 1000000;

// Fills curve `curve` (0..3) of `store` with a new sweep. Returns 1 when the curve holds a
// complete new result; 0 when the run was refused or stopped, after the message that says why.
// An old curve is only deleted once the first new point is ready: a run that fails at its
// first frequency leaves it as it was. A run that stops later leaves the points it made and
// marks the curve not valid; one that fails at the stop frequency empties the curve.
int RunSweep(CSimulator& simulator, CSimulationSetup& setup, CCurveStore& store, int curve);

// The curve's set-up followed by one evaluation at output node 1. Returns 0 (after the
// zero-output message) when the gain is undefined, else the result of the phase query.
int EvaluatePoint(CSimulator& simulator, CSimulationSetup& setup, int curve, double frequencyHz,
                  double* gainDb, double* phaseDeg);

// The simulator debug command: evaluates curve index 1 at 1000 Hz and, when the simulator
// has a debug dump, appends it to `dump`. Returns 1 when a dump was written.
int WriteSimulatorDebug(CSimulator& simulator, CSimulationSetup& setup, std::string& dump);

// Messages of a run.
extern const char kMsgSameFrequencies[];   // start = stop
extern const char kMsgZeroOutput[];        // the output is zero or undefined
extern const char kMsgStartAboveStop[];    // start > stop
extern const char kMsgBadPointsPerDecade[];
extern const char kMsgBadFrequency[];      // start or stop not above 0 Hz
extern const char kMsgTooManyPoints[];

}  // namespace kalidor
