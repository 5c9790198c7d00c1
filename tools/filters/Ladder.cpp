#include "filters/Ladder.h"

#include <cmath>

namespace kalidor::filters {

namespace {

// An immittance N(s)/D(s).
struct Ratio {
    Poly num, den;
};

// Removes a shunt capacitor (or, on an impedance, a series inductor) from `y`: the whole pole at
// infinity when `zero` is 0, else the part that leaves the remainder zero at s = j zero.
// Returns the element and leaves the remainder's reciprocal in `y`.
double RemoveAtInfinity(Ratio& y, double zero)
{
    const int nd = y.den.Degree();
    double value;
    if (zero == 0.0) {
        value = y.num[nd + 1] / y.den[nd];
    } else {
        const Complex s(0.0, zero);
        value = (y.num(s) / y.den(s) / s).real();
    }
    // y - s value = (num - s value den) / den. A whole removal leaves a remainder that vanishes
    // at infinity (the next element is a series inductor): its two top terms cancel.
    Poly rest = y.num - Poly{0.0, value} * y.den;
    if (zero == 0.0)
        rest = rest.Truncated(nd);
    y = Ratio{y.den, rest};
    return value;
}

// Removes from the impedance `z` its pole pair at +/- j zero, a parallel LC tank in series:
// z = k s / (s^2 + zero^2) + rest. Returns k (1 / C of the tank) and leaves 1 / rest in `z`.
double RemoveTank(Ratio& z, double zero)
{
    const Poly factor{zero * zero, 0.0, 1.0};
    Poly q, r;
    z.den.Divide(factor, q, r);  // den = factor * q (the remainder vanishes)
    const Complex s(0.0, zero);
    const double k = (z.num(s) / (q(s) * s)).real();
    Poly top = z.num - Poly{0.0, k} * q;
    Poly q2, r2;
    top.Divide(factor, q2, r2);
    z = Ratio{q, q2};
    return k;
}

}  // namespace

std::optional<Ladder> SynthesizeLadder(const LowPass& f)
{
    if (f.E.Degree() != 5 || f.zeros.size() > 2)
        return std::nullopt;
    const Poly sum = f.E + f.F;
    // E and F share their leading coefficient, so E - F is of lower degree.
    const Poly diff = (f.E - f.F).Truncated(5);
    Ratio y{sum, diff};
    const double z1 = f.zeros.size() > 0 ? f.zeros[0] : 0.0;
    const double z2 = f.zeros.size() > 1 ? f.zeros[1] : 0.0;
    Ladder l{};
    l[kC1] = RemoveAtInfinity(y, z1);  // y now holds the impedance after C1
    if (z1 > 0.0) {
        const double k = RemoveTank(y, z1);  // y holds the admittance after the tank
        l[kC2] = 1.0 / k;
        l[kL2] = k / (z1 * z1);
    } else {
        l[kL2] = RemoveAtInfinity(y, 0.0);
    }
    l[kC3] = RemoveAtInfinity(y, z2);
    if (z2 > 0.0) {
        const double k = RemoveTank(y, z2);
        l[kC4] = 1.0 / k;
        l[kL4] = k / (z2 * z2);
    } else {
        l[kL4] = RemoveAtInfinity(y, 0.0);
    }
    // What is left is C5 in parallel with the 1-ohm load.
    if (y.den.Degree() != 0 || y.num.Degree() != 1)
        return std::nullopt;
    l[kC5] = y.num[1] / y.den[0];
    const double load = y.num[0] / y.den[0];
    if (std::abs(load - 1.0) > 1e-6)
        return std::nullopt;
    for (double v : l)
        if (!(v >= 0.0))
            return std::nullopt;
    return l;
}

Ladder Reversed(const Ladder& l) { return {l[kC5], l[kC4], l[kL4], l[kC3], l[kC2], l[kL2], l[kC1]}; }

Complex LadderResponse(const Ladder& l, double w)
{
    const Complex s(0.0, w);
    // Chain matrix [a b; c d] from the source resistor to the load.
    Complex a = 1.0, b = 1.0, c = 0.0, d = 1.0;  // the 1-ohm source resistance in series
    auto shunt = [&](Complex y) {
        a += b * y;
        c += d * y;
    };
    auto series = [&](Complex z) {
        b += a * z;
        d += c * z;
    };
    shunt(s * l[kC1]);
    series(1.0 / (s * l[kC2] + 1.0 / (s * l[kL2])));
    shunt(s * l[kC3]);
    series(1.0 / (s * l[kC4] + 1.0 / (s * l[kL4])));
    shunt(s * l[kC5]);
    // Source E drives [a b; c d] loaded by 1 ohm: E = a V + b I with I = V.
    return 2.0 / (a + b);
}

}  // namespace kalidor::filters
