#include "sim/ZelASimulator.h"

#include <cmath>

#include "device/ZelAKeys.h"
#include "device/ZelBKeys.h"

namespace kalidor {

// ------------------------------------------------------------------ the four-block model

void CFourBlockSimulator::SetBlock(int b, int feedbackOpen, int gain1, int gain2, double capFarads)
{
    for (int i = 1; i <= 2; ++i) {
        for (int x = 0; x <= kInputs; ++x)
            m_cIn[b][i][x] = 0;
        for (int m = 0; m <= kBlocks; ++m)
            m_cOut[b][i][m] = 0;
        m_n[b][i] = 0;
    }
    m_z[b] = feedbackOpen;
    m_g[b][1] = gain1;
    m_g[b][2] = gain2;
    C_[b] = capFarads;
}

void CFourBlockSimulator::Connect(int b, int i, Source source)
{
    if (source.input >= 1 && source.input <= kInputs)
        m_cIn[b][i][source.input] = 1;
    if (source.output >= 1 && source.output <= kBlocks)
        m_cOut[b][i][source.output] = 1;
}

int CFourBlockSimulator::SelectInput(int inputNode)
{
    for (int& s : m_s)
        s = 0;
    // A node outside the table (automation stores negative nodes) drives nothing: the output
    // is then zero and the run stops with the zero-output message.
    if (inputNode >= 0 && inputNode <= kInputs)
        m_s[inputNode] = 1;
    return 1;
}

void CFourBlockSimulator::Assemble(const CComplex (&h)[kBlocks + 1][3], CComplex (&a)[kBlocks + 1][kBlocks + 1],
                                   CComplex (&rhs)[kBlocks + 1]) const
{
    for (int b = 1; b <= kBlocks; ++b) {
        const CComplex& h1 = h[b][1];
        const CComplex& h2 = h[b][2];
        for (int m = 1; m <= kBlocks; ++m) {
            a[b][m] = CComplex::Scale(m_cOut[b][1][m], h1) + CComplex::Scale(m_cOut[b][2][m], h2);
        }
        CComplex sum;
        for (int x = 1; x <= kInputs; ++x) {
            if (m_s[x] == 0)
                continue;
            sum = sum + CComplex::Scale(m_s[x], CComplex::Scale(m_cIn[b][1][x], h1) +
                                                   CComplex::Scale(m_cIn[b][2][x], h2));
        }
        rhs[b] = CComplex(-sum.re, -sum.im);
    }
}

void CFourBlockSimulator::Solve(const CComplex (&rhs)[kBlocks + 1], CComplex (&v)[kBlocks + 1]) const
{
    // Closed-form solve: V1 is eliminated from rows 1-2 and V3 from rows 3-4, leaving two
    // equations in V2 and V4.
    const CComplex P = rhs[1] * A_[2][1] - rhs[2] * A_[1][1];
    const CComplex D2 = A_[1][2] * A_[2][1] - A_[2][2] * A_[1][1];
    const CComplex D4 = A_[1][4] * A_[2][1] - A_[2][4] * A_[1][1];
    const CComplex Q = rhs[3] * A_[4][3] - rhs[4] * A_[3][3];
    const CComplex E2 = A_[3][2] * A_[4][3] - A_[4][2] * A_[3][3];
    const CComplex E4 = A_[3][4] * A_[4][3] - A_[4][4] * A_[3][3];
    v[4] = (P * E2 - Q * D2) / (D4 * E2 - E4 * D2);
    v[2] = (P * E4 - Q * D4) / (D2 * E4 - E2 * D4);
    v[3] = (rhs[3] - A_[3][2] * v[2] - A_[3][4] * v[4]) / A_[3][3];
    v[1] = (rhs[1] - A_[1][2] * v[2] - A_[1][4] * v[4]) / A_[1][1];
}

void CFourBlockSimulator::Evaluate(double frequencyHz)
{
    m_omega = (frequencyHz + frequencyHz) * kSimPi;

    for (int b = 1; b <= kBlocks; ++b) {
        const CComplex den(m_z[b] == 0 ? 1.0 : 0.0, R_ * C_[b] * m_omega);
        const CComplex inv = CComplex(1.0, 0.0) / den;
        for (int i = 1; i <= 2; ++i) {
            const double k = m_n[b][i] == 0 ? static_cast<double>(m_g[b][i]) : 0.0;
            H_[b][i] = CComplex::Scale(k, inv);
        }
    }
    Assemble(H_, A_, B_);
    for (int b = 1; b <= kBlocks; ++b)
        A_[b][b].re -= 1.0;
    Solve(B_, V_);
}

int CFourBlockSimulator::GetGroupDelay(int outputNode, double* seconds)
{
    if (outputNode < 1 || outputNode > kBlocks)
        return 0;
    // A V = B with A and B linear in the blocks' transfers h = k / (d + j omega R C), whose
    // derivative is h' = -h * j R C / (d + j omega R C). Differentiating, A V' = B' - A' V.
    CComplex hd[kBlocks + 1][3];
    for (int b = 1; b <= kBlocks; ++b) {
        const CComplex den(m_z[b] == 0 ? 1.0 : 0.0, R_ * C_[b] * m_omega);
        const CComplex factor = CComplex(0.0, -R_ * C_[b]) / den;
        for (int i = 1; i <= 2; ++i)
            hd[b][i] = H_[b][i] * factor;
    }
    CComplex ad[kBlocks + 1][kBlocks + 1];
    CComplex bd[kBlocks + 1];
    Assemble(hd, ad, bd);
    CComplex rhs[kBlocks + 1];
    for (int b = 1; b <= kBlocks; ++b) {
        rhs[b] = bd[b];
        for (int m = 1; m <= kBlocks; ++m)
            rhs[b] = rhs[b] - ad[b][m] * V_[m];
    }
    CComplex vd[kBlocks + 1];
    Solve(rhs, vd);
    // d(phase)/d(omega) = Im(V' / V).
    const CComplex& v = V_[outputNode];
    if (v.re == 0.0 && v.im == 0.0)
        return 0;
    const double tau = -(vd[outputNode] / v).im;
    if (!std::isfinite(tau))
        return 0;
    if (seconds)
        *seconds = tau;
    return 1;
}

CComplex CFourBlockSimulator::GetOutput(int outputNode) const
{
    return (outputNode >= 1 && outputNode <= kBlocks) ? V_[outputNode] : CComplex();
}

int CFourBlockSimulator::GetGainDb(int outputNode, double* gainDb)
{
    if (outputNode < 1 || outputNode > kBlocks)
        return 0;
    return GainDbOf(V_[outputNode].re, V_[outputNode].im, gainDb);
}

int CFourBlockSimulator::GetPhaseDeg(int outputNode, double* phaseDeg)
{
    if (outputNode < 1 || outputNode > kBlocks)
        return 0;
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(V_[outputNode].Argument());
    return 1;
}

// ------------------------------------------------------------------ ZelA

void CZelASimulator::Configure(int)
{
    // Blocks 1..4 are XT, XB, YT, YB.
    for (int b = 1; b <= kBlocks; ++b) {
        const auto key = [b](int offset) { return ZelABlockKey(b - 1, offset); };
        SymValue(key(kZelAOffsetZt1));  // read, plays no part in the model
        SymValue(key(kZelAOffsetZt2));  // likewise
        SetBlock(b, SymValue(key(kZelAOffsetFeedback)), GainValue(key(kZelAOffsetGain1)),
                 GainValue(key(kZelAOffsetGain2)), CapFarads(key(kZelAOffsetCapacitor)));
        // Selector values 1..5; blocks XT and XB reach IN1, IN2, OUT1, OUT2, OUT4, blocks YT
        // and YB IN3, IN4, OUT3, OUT4, OUT2. 0 (and any illegal value) connects nothing.
        const bool top = b <= 2;
        const Source table[6] = {
            {},
            {top ? 1 : 3, 0},
            {top ? 2 : 4, 0},
            {0, top ? 1 : 3},
            {0, top ? 2 : 4},
            {0, top ? 4 : 2},
        };
        for (int i = 1; i <= 2; ++i) {
            const int v = SymValue(key(i == 1 ? kZelAOffsetInput1 : kZelAOffsetInput2));
            if (v >= 1 && v <= 5)
                Connect(b, i, table[v]);
        }
    }
}

// ------------------------------------------------------------------ ZelB

void CZelBSimulator::Configure(int)
{
    // Selector values of both blocks: IN1, IN2, OUT1, OUT2, IN3.
    struct Map {
        int input;
        int output;
    };
    static const Map kSelector[6] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}, {3, 0}};
    auto connect = [this](int b, int i, int v, bool allowVin3) {
        if (v < 1 || v > 5)
            return;
        if (v == 5 && !allowVin3)
            return;
        Connect(b, i, Source{kSelector[v].input, kSelector[v].output});
    };

    // XT (row 1, OUT1).
    SymValue(kKeyZelBXtZt1);
    SymValue(kKeyZelBXtZt2);
    SetBlock(1, SymValue(kKeyZelBXtFeedback), GainValue(kKeyZelBIa1Gain), GainValue(kKeyZelBIa2Gain),
             CapFarads(kKeyZelBXtCapacitor));
    connect(1, 1, SymValue(kKeyZelBIa1Input), true);
    int xt2 = SymValue(kKeyZelBMselPin) == 0 ? SymValue(kKeyZelBIa2AInput) : SymValue(kKeyZelBIa2BInput);
    if (xt2 == 6)
        xt2 = 0;  // the DAC output is not modelled
    connect(1, 2, xt2, true);

    // XB (row 2, OUT2). IA4 is an inverting stage; the polarity control makes it non-inverting
    // in mode 0, and in mode 1 (PC pin) while the pin is 0.
    SymValue(kKeyZelBXbZt1);
    SymValue(kKeyZelBXbZt2);
    int xbGain2 = GainValue(kKeyZelBIa4Gain);
    const int pcMode = SymValue(kKeyZelBIa4PolarityMode);
    if (pcMode == 0 || (pcMode == 1 && SymValue(kKeyZelBPcPin) == 0))
        xbGain2 = -xbGain2;
    const double xbCap = CapFarads(kKeyZelBXbCapacitor);
    SetBlock(2, SymValue(kKeyZelBXbFeedback), GainValue(kKeyZelBIa3Gain), xbGain2, xbCap);
    connect(2, 1, SymValue(kKeyZelBIa3Input), true);
    int xb2 = SymValue(kKeyZelBIa4Input);
    if (xb2 == 1)
        xb2 = 0;  // 1.5 V reference
    connect(2, 2, xb2, false);  // 5 is the 3 V reference there, not IN3

    // Rows 3 and 4 have no block behind them: unit gains, feedback closed, nothing connected,
    // so V3 = V4 = 0.
    SetBlock(3, 0, 1, 1, xbCap);
    SetBlock(4, 0, 1, 1, xbCap);
}

int CZelBSimulator::SetSourceLevel(int index, int level)
{
    if (index >= 0 && index <= 3)
        m_s[index + 1] = level;
    return 1;
}

}  // namespace kalidor
