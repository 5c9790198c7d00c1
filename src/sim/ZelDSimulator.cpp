#include "sim/ZelDSimulator.h"

#include <cmath>

namespace kalidor {

namespace {

constexpr double kTauZelD = 1e-5;
constexpr double kTauZelE = 1e-5 / 5.0;

// Symbol keys of the elements C5, L4, C4, C3, L2, C2, C1 in configuration A; B is 12 higher.
constexpr int kElementKeysA[7] = {6, 5, 4, 3, 2, 1, 0};
constexpr int kConfigBOffset = 12;
constexpr int kGainKey = 11;

}  // namespace

CZelDSimulator::CZelDSimulator(DeviceConfig& values, const std::string& deviceName, CGainSource* gains)
    : CSimulator(values, gains)
{
    deviceName_ = deviceName;
    tau_ = GetTimeConstant();
}

double CZelDSimulator::GetTimeConstant() const
{
    return deviceName_ == "ZelE" ? kTauZelE : kTauZelD;
}

int CZelDSimulator::SelectInput(int) { return 1; }

void CZelDSimulator::Configure(int config)
{
    config_ = config;
    gain_ = SymValue(kGainKey);
    if (config != 0 && config != 1)
        return;
    const int offset = config == 0 ? 0 : kConfigBOffset;
    double* const elements[7] = {&c5_, &l4_, &c4_, &c3_, &l2_, &c2_, &c1_};
    for (int i = 0; i < 7; ++i)
        *elements[i] = CapFarads(kElementKeysA[i] + offset);
}

void CZelDSimulator::Evaluate(double frequencyHz)
{
    omega_ = frequencyHz * kSimTwoPi;
    s_ = CComplexNum(0.0, omega_);
    tau_ = GetTimeConstant();
    if (option_ == 1)
        EvaluateSystem();
    else
        EvaluateRational();
}

void CZelDSimulator::EvaluateRational()
{
    const double t = tau_;
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double t4 = t3 * t;
    const double t5 = t4 * t;
    const double C1 = c1_, C2 = c2_, L2 = l2_, C3 = c3_, C4 = c4_, L4 = l4_, C5 = c5_;

    const CComplexNum s2 = s_.Power(2);
    const CComplexNum s3 = s_.Power(3);
    const CComplexNum s4 = s_.Power(4);
    const CComplexNum s5 = s_.Power(5);

    // N = -2t (L2 L4 C4 C2 s^4 + (t^2 L2 C2 + t^2 L4 C4) s^2 + t^4)
    const double n4 = L2 * L4 * C4 * C2, n2 = t2 * L2 * C2 + t2 * L4 * C4;
    numerator_ = s4 * n4 + s2 * n2;
    numerator_.AddReal(t4);
    numerator_.MultiplyReal(-2.0 * t);
    numeratorSlope_ = (s3 * (4.0 * n4) + s_ * (2.0 * n2)) * (-2.0 * t);

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
    denominator_ = s5 * a5 + s4 * a4 + s3 * a3 + s2 * a2 + s_ * a1;
    denominator_.AddReal(a0);
    denominatorSlope_ = s4 * (5.0 * a5) + s3 * (4.0 * a4) + s2 * (3.0 * a3) + s_ * (2.0 * a2);
    denominatorSlope_.AddReal(a1);

    CComplexNum ratio = numerator_;
    ratio.Divide(denominator_);
    h_ = ratio * static_cast<double>(gain_);
    h_.divByZero = ratio.divByZero;
}

void CZelDSimulator::EvaluateSystem()
{
    const double t = tau_;
    const double g = gain_;
    const double row1 = -g * t;  // row 1 is divided by this real number without a test
    const CComplexNum& s = s_;
    const CComplexNum zero;
    auto div = [row1](const CComplexNum& z) { return CComplexNum(z.re / row1, z.im / row1); };

    system_.Clear();
    const CComplexNum rows[5][5] = {
        {div(s * c1_ + t), div(CComplexNum(t)), div(s * c2_), zero, zero},
        {CComplexNum(-t), s * l2_, CComplexNum(-t), zero, zero},
        {s * c2_, CComplexNum(t), s * c3_, CComplexNum(t), s * (0.5 * c4_)},
        {zero, zero, CComplexNum(-t), s * l4_, CComplexNum(-0.5 * t)},
        {zero, zero, s * c4_, CComplexNum(t), s * c5_ + 0.5 * t},
    };
    for (int r = 1; r <= 5; ++r)
        for (int c = 1; c <= 5; ++c)
            system_.SetElement(r, c, rows[r - 1][c - 1]);
    system_.SetRhs(1, 1, CComplexNum(1.0, 0.0));
    system_.Solve(5, 1);
    h_ = system_.GetRhs(5, 1);
}

int CZelDSimulator::GetGroupDelay(int, double* seconds)
{
    if (option_ == 1 || h_.divByZero)
        return 0;
    CComplexNum dd = denominatorSlope_;
    dd.Divide(denominator_);
    CComplexNum dn = numeratorSlope_;
    dn.Divide(numerator_);
    if (dd.divByZero || dn.divByZero || !std::isfinite(dd.re - dn.re))
        return 0;
    if (seconds)
        *seconds = dd.re - dn.re;
    return 1;
}

int CZelDSimulator::GetGainDb(int, double* gainDb) { return GainDbOf(h_.re, h_.im, gainDb); }

int CZelDSimulator::GetPhaseDeg(int, double* phaseDeg)
{
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(h_.Argument()) - 180.0;
    return 1;
}

}  // namespace kalidor
