// The model of the filter devices ZelD and ZelE: a fifth-order doubly terminated low-pass
// ladder (shunt C1, L2 with C2 across it, shunt C3, L4 with C4 across it, shunt C5) simulated
// with integrators of time constant tau (1e-5 s on ZelD, 2e-6 s on ZelE), with an input gain
// of 1, 2, 5 or 10. Two formulations give the same response: option 0 evaluates the transfer
// function as a ratio of polynomials in s, option 1 solves the ladder's 5 x 5 state equations.
// The phase is reported 180 degrees lower, so that the pass band reads about 0 degrees.
#pragma once

#include <string>

#include "sim/Complex.h"
#include "sim/ComplexMatrix.h"
#include "sim/Simulator.h"

namespace kalidor {

class CZelDSimulator : public CSimulator {
public:
    CZelDSimulator(DeviceConfig& values, const std::string& deviceName, CGainSource* gains = nullptr);

    // Reads the gain and the seven elements of configuration A (0) or B (1); any other value
    // keeps the elements of the last configuration.
    void Configure(int config) override;
    void Evaluate(double frequencyHz) override;
    // The output node is ignored (one output).
    int GetGainDb(int outputNode, double* gainDb) override;
    int GetPhaseDeg(int outputNode, double* phaseDeg) override;
    // Exact for option 0, from the derivatives of the two polynomials: tau = Re(D'/D - N'/N)
    // with ' = d/ds. Option 1 has none.
    int GetGroupDelay(int outputNode, double* seconds) override;
    // One input: returns 1 and changes nothing.
    int SelectInput(int inputNode) override;

    const CComplexNum& GetOutput() const { return h_; }
    double GetTimeConstant() const;

private:
    void EvaluateRational();
    void EvaluateSystem();

    int gain_ = 1;
    int config_ = 0;
    double tau_ = 1e-5;
    double c5_ = 0, l4_ = 0, c4_ = 0, c3_ = 0, l2_ = 0, c2_ = 0, c1_ = 0;
    double omega_ = 0.0;
    CComplexNum s_;
    CComplexNum numerator_;
    CComplexNum denominator_;
    CComplexNum numeratorSlope_;    // dN/ds
    CComplexNum denominatorSlope_;  // dD/ds
    CComplexMatrix system_;
    CComplexNum h_;
};

}  // namespace kalidor
