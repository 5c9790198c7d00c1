#include "sim/ZelDSimulator.h"

#include <cmath>

#include "device/ZelDKeys.h"

namespace kalidor {

namespace {

constexpr double kTauZelD = 1e-5;
constexpr double kTauZelE = 1e-5 / 5.0;

}  // namespace

CZelDSimulator::CZelDSimulator(DeviceConfig& values, const std::string& deviceName, CGainSource* gains)
    : CSimulator(values, gains)
{
    m_deviceName = deviceName;
    m_tau = GetTimeConstant();
}

double CZelDSimulator::GetTimeConstant() const
{
    return m_deviceName == DeviceKindName(DeviceKind::ZelE) ? kTauZelE : kTauZelD;
}

int CZelDSimulator::SelectInput(int) { return 1; }

void CZelDSimulator::Configure(int config)
{
    m_config = config;
    m_gain = SymValue(kKeyZelDGain);
    if (config != 0 && config != 1)
        return;
    // The elements' keys run C1, C2, L2, C3, C4, L4, C5 from the configuration's first key.
    const int first = config == 0 ? kKeyElementC1A : kKeyElementC1B;
    double* const elements[kZelDElementCount] = {&m_c1, &m_c2, &m_l2, &m_c3, &m_c4, &m_l4, &m_c5};
    for (int i = 0; i < kZelDElementCount; ++i)
        *elements[i] = CapFarads(first + i);
}

void CZelDSimulator::Evaluate(double frequencyHz)
{
    m_omega = frequencyHz * kSimTwoPi;
    m_s = CComplexNum(0.0, m_omega);
    m_tau = GetTimeConstant();
    if (m_option == 1)
        EvaluateSystem();
    else
        EvaluateRational();
}

void CZelDSimulator::EvaluateRational()
{
    const double t = m_tau;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double t4 = t3 * t;
    const double t5 = t4 * t;
    const double C1 = m_c1, C2 = m_c2, L2 = m_l2, C3 = m_c3, C4 = m_c4, L4 = m_l4, C5 = m_c5;

    const CComplexNum s2 = m_s.Power(2);
    const CComplexNum s3 = m_s.Power(3);
    const CComplexNum s4 = m_s.Power(4);
    const CComplexNum s5 = m_s.Power(5);

    // N = -2t (L2 L4 C4 C2 s^4 + (t^2 L2 C2 + t^2 L4 C4) s^2 + t^4)
    const double n4 = L2 * L4 * C4 * C2, n2 = t2 * L2 * C2 + t2 * L4 * C4;
    m_numerator = s4 * n4 + s2 * n2;
    m_numerator.AddReal(t4);
    m_numerator.MultiplyReal(-2.0 * t);
    m_numeratorSlope = (s3 * (4.0 * n4) + m_s * (2.0 * n2)) * (-2.0 * t);

    // The denominator of the ladder's transfer function. (The s^4 coefficient holds C2 squared:
    // it is what the ladder's state equations of option 1 give, so both options agree.)
    const double a5 = -2.0 * C2 * C2 * L2 * L4 * C5 - C4 * C4 * L2 * L4 * C1 + 2.0 * L2 * C1 * C3 * L4 * C5;
    const double a4 = t * (-L2 * C4 * C4 * L4 + 2.0 * L2 * C3 * L4 * C5 + L2 * C1 * C3 * L4 - C2 * C2 * L2 * L4);
    const double a3 = t2 * (2.0 * L4 * C5 * C3 + L2 * C1 * C3 - C2 * C2 * L2 - L4 * C4 * C4 - 2.0 * L2 * C1 * C4 -
                            4.0 * L4 * C5 * C2 + 2.0 * L2 * C5 * C1 + L2 * C3 * L4 + 2.0 * C1 * L4 * C5);
    const double a2 = t3 * (2.0 * L2 * C5 - 2.0 * L2 * C4 + L2 * C3 - 2.0 * L4 * C2 + 2.0 * L4 * C5 + L4 * C3 +
                            L2 * C1 + C1 * L4);
    const double a1 = t4 * (-2.0 * C4 + 2.0 * C5 + C1 + L2 - 2.0 * C2 + C3 + L4);
    const double a0 = 2.0 * t5;
    m_denominator = s5 * a5 + s4 * a4 + s3 * a3 + s2 * a2 + m_s * a1;
    m_denominator.AddReal(a0);
    m_denominatorSlope = s4 * (5.0 * a5) + s3 * (4.0 * a4) + s2 * (3.0 * a3) + m_s * (2.0 * a2);
    m_denominatorSlope.AddReal(a1);

    CComplexNum ratio = m_numerator;
    ratio.Divide(m_denominator);
    m_h = ratio * static_cast<double>(m_gain);
    m_h.divByZero = ratio.divByZero;
}

void CZelDSimulator::EvaluateSystem()
{
    const double t = m_tau;
    const double g = m_gain;
    const double row1 = -g * t;  // row 1 is divided by this real number without a test
    const CComplexNum& s = m_s;
    const CComplexNum zero;
    auto div = [row1](const CComplexNum& z) { return CComplexNum(z.re / row1, z.im / row1); };

    m_system.Clear();
    const CComplexNum rows[5][5] = {
        {div(s * m_c1 + t), div(CComplexNum(t)), div(s * m_c2), zero, zero},
        {CComplexNum(-t), s * m_l2, CComplexNum(-t), zero, zero},
        {s * m_c2, CComplexNum(t), s * m_c3, CComplexNum(t), s * (0.5 * m_c4)},
        {zero, zero, CComplexNum(-t), s * m_l4, CComplexNum(-0.5 * t)},
        {zero, zero, s * m_c4, CComplexNum(t), s * m_c5 + 0.5 * t},
    };
    for (int r = 1; r <= 5; ++r)
        for (int c = 1; c <= 5; ++c)
            m_system.SetElement(r, c, rows[r - 1][c - 1]);
    m_system.SetRhs(1, 1, CComplexNum(1.0, 0.0));
    m_system.Solve(5, 1);
    m_h = m_system.GetRhs(5, 1);
}

int CZelDSimulator::GetGroupDelay(int, double* seconds)
{
    if (m_option == 1 || m_h.divByZero)
        return 0;
    CComplexNum dd = m_denominatorSlope;
    dd.Divide(m_denominator);
    CComplexNum dn = m_numeratorSlope;
    dn.Divide(m_numerator);
    if (dd.divByZero || dn.divByZero || !std::isfinite(dd.re - dn.re))
        return 0;
    if (seconds)
        *seconds = dd.re - dn.re;
    return 1;
}

int CZelDSimulator::GetGainDb(int, double* gainDb) { return GainDbOf(m_h.re, m_h.im, gainDb); }

int CZelDSimulator::GetPhaseDeg(int, double* phaseDeg)
{
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(m_h.Argument()) - 180.0;
    return 1;
}

}  // namespace kalidor
