#include "sim/ZelDSimulator.h"

#include "device/ZelDKeys.h"

namespace kalidor {

namespace {

constexpr double kTauZelD = 1e-5;
constexpr double kTauZelE = 1e-5 / 5.0;

}  // namespace

CZelDSimulator::CZelDSimulator(DeviceConfig& values, const std::string& deviceName, CGainSource* gains)
    : CSimulator(values, gains)
{
    deviceName_ = deviceName;
    tau_ = GetTimeConstant();
}

double CZelDSimulator::GetTimeConstant() const
{
    return deviceName_ == DeviceKindName(DeviceKind::ZelE) ? kTauZelE : kTauZelD;
}

int CZelDSimulator::SelectInput(int) { return 1; }

void CZelDSimulator::Configure(int config)
{
    config_ = config;
    gain_ = SymValue(kKeyZelDGain);
    if (config != 0 && config != 1)
        return;
    // The elements' keys run C1, C2, L2, C3, C4, L4, C5 from the configuration's first key.
    const int first = config == 0 ? kKeyElementC1A : kKeyElementC1B;
    double* const elements[kZelDElementCount] = {&c1_, &c2_, &l2_, &c3_, &c4_, &l4_, &c5_};
    for (int i = 0; i < kZelDElementCount; ++i)
        *elements[i] = CapFarads(first + i);
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
    numerator_ = s4 * (L2 * L4 * C4 * C2) + s2 * (t2 * L2 * C2 + t2 * L4 * C4);
    numerator_.AddReal(t4);
    numerator_.MultiplyReal(-2.0 * t);

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

int CZelDSimulator::GetGainDb(int, double* gainDb) { return GainDbOf(h_.re, h_.im, gainDb); }

int CZelDSimulator::GetPhaseDeg(int, double* phaseDeg)
{
    if (phaseDeg)
        *phaseDeg = PhaseDegOf(h_.Argument()) - 180.0;
    return 1;
}

}  // namespace kalidor
