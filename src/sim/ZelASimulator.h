// The four-block model of ZelA (blocks XT, XB, YT, YB) and, with two real blocks, of ZelB. Each
// block is an ideal summing integrator/low-pass: two input amplifiers with signed gains, each
// selecting one source (an external input or a block output), into a block of transfer
// 1 / (d + j*omega*R*C), d = 1 with the feedback resistor in, 0 when it is switched out. The
// 4 x 4 system A*V = B has structural zeros (blocks 1-2 never see OUT3, blocks 3-4 never OUT1)
// that a closed-form solve exploits: no pivoting, no allocation.
#pragma once

#include <cstdint>

#include "sim/Complex.h"
#include "sim/Simulator.h"

namespace kalidor {

class CFourBlockSimulator : public CSimulator {
public:
    static constexpr int kBlocks = 4;
    static constexpr int kInputs = 5;  // external input nodes 1..4 (ZelB: 1..3), 5 never driven

    using CSimulator::CSimulator;

    void Evaluate(double frequencyHz) override;
    int GetGainDb(int outputNode, double* gainDb) override;
    int GetPhaseDeg(int outputNode, double* phaseDeg) override;
    // Exact: the derivative of the solution, A V' = B' - A' V, solved like the model itself.
    int GetGroupDelay(int outputNode, double* seconds) override;
    int SelectInput(int inputNode) override;

    // The last solution: output node 1..4 (anything else reads as (0, 0)).
    CComplex GetOutput(int outputNode) const;

protected:
    // What a selector value connects an input amplifier to.
    struct Source {
        int input = 0;   // external input node 1..5, or 0
        int output = 0;  // block output 1..4, or 0
    };
    // Clears the coefficients of block b and gives it its settings.
    void SetBlock(int b, int feedbackOpen, int gain1, int gain2, double capFarads);
    // Connects input amplifier i (1, 2) of block b to `source`.
    void Connect(int b, int i, Source source);
    // The interconnect part of the system for block transfers `h`: a[b][m] (without the -1 on
    // the diagonal) and the right-hand side of the driven inputs.
    void Assemble(const CComplex (&h)[kBlocks + 1][3], CComplex (&a)[kBlocks + 1][kBlocks + 1],
                  CComplex (&rhs)[kBlocks + 1]) const;
    // Solves A_ v = rhs (rows 1-4) in closed form.
    void Solve(const CComplex (&rhs)[kBlocks + 1], CComplex (&v)[kBlocks + 1]) const;

    // Interconnect coefficients: m_cIn[b][i][x] for external input x, m_cOut[b][i][m] for block
    // output m; 0/1 each.
    int32_t m_cIn[kBlocks + 1][3][kInputs + 1] = {};
    int32_t m_cOut[kBlocks + 1][3][kBlocks + 1] = {};
    int32_t m_g[kBlocks + 1][3] = {};   // signed gains
    double C_[kBlocks + 1] = {};       // farads
    int32_t m_n[kBlocks + 1][3] = {};   // input disconnected (always 0 in this model)
    int32_t m_z[kBlocks + 1] = {};      // feedback resistor open: the block integrates
    CComplex H_[kBlocks + 1][3];
    int32_t m_s[kInputs + 1] = {};      // source flags by input node
    CComplex V_[kBlocks + 1];          // V_[0] is never set
    CComplex A_[kBlocks + 1][kBlocks + 1];
    CComplex B_[kBlocks + 1];
    double R_ = 250000.0;
    double m_omega = 0.1;
};

class CZelASimulator : public CFourBlockSimulator {
public:
    using CFourBlockSimulator::CFourBlockSimulator;
    // Reads the four blocks; `config` is ignored (ZelA has one configuration).
    void Configure(int config) override;
};

class CZelBSimulator : public CFourBlockSimulator {
public:
    using CFourBlockSimulator::CFourBlockSimulator;
    // Reads blocks XT and XB; rows 3 and 4 are inert. `config` is ignored.
    void Configure(int config) override;
    // Index 0..3 sets the source flag of input node index + 1 to `level`; returns 1.
    int SetSourceLevel(int index, int level) override;
};

}  // namespace kalidor
