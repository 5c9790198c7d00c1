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

    const CComplexNum& GetOutput() const { return m_h; }
    double GetTimeConstant() const;

private:
    void EvaluateRational();
    void EvaluateSystem();

    int m_gain = 1;
    int m_config = 0;
    double m_tau = 1e-5;
    double m_c5 = 0, m_l4 = 0, m_c4 = 0, m_c3 = 0, m_l2 = 0, m_c2 = 0, m_c1 = 0;
    double m_omega = 0.0;
    CComplexNum m_s;
    CComplexNum m_numerator;
    CComplexNum m_denominator;
    CComplexNum m_numeratorSlope;    // dN/ds
    CComplexNum m_denominatorSlope;  // dD/ds
    CComplexMatrix m_system;
    CComplexNum m_h;
};

}  // namespace kalidor
