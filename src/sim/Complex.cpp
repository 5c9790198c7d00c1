#include "sim/Complex.h"

namespace kalidor {

CComplex CComplex::Sqrt() const
{
    const double m = std::sqrt(Magnitude());
    const double a = Argument() / 2.0;
    return {m * std::cos(a), m * std::sin(a)};
}

CComplexNum& CComplexNum::Divide(const CComplexNum& b)
{
    scratch = b.re * b.re + b.im * b.im;
    if (scratch == 0.0) {
        re = 0.0;
        im = 0.0;
        divByZero = 1;
        return *this;
    }
    const double r = (re * b.re + im * b.im) / scratch;
    im = (im * b.re - re * b.im) / scratch;
    re = r;
    return *this;
}

CComplexNum CComplexNum::Power(int n) const
{
    CComplexNum result(1.0, 0.0);
    const long long count = n < 0 ? -static_cast<long long>(n) : n;
    // Square-and-multiply keeps large exponents cheap; the models use small ones.
    CComplexNum base(re, im);
    for (long long k = count; k > 0; k >>= 1) {
        if (k & 1)
            result.Multiply(base);
        if (k > 1)
            base.Multiply(base);
    }
    if (n < 0) {
        CComplexNum one(1.0, 0.0);
        return one.Divide(result);
    }
    return result;
}

CComplexNum CComplexNum::Sqrt() const
{
    const double m = std::sqrt(Magnitude());
    const double a = Argument() / 2.0;
    return {m * std::cos(a), m * std::sin(a)};
}

}  // namespace kalidor
