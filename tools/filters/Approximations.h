// The classic low-pass approximations, computed from their mathematics: each gives the transfer
// function H(s) = P(s)/E(s) of a lossless ladder between equal 1-ohm terminations, normalised so
// that the largest pass-band gain is 1 (0 dB), and the reflection polynomial F(s) of its input:
// E(s)E(-s) = P(s)P(-s) + F(s)F(-s).
#pragma once

#include <string>
#include <vector>

#include "filters/Polynomial.h"

namespace kalidor::filters {

// The half-power level, 10 log10 2 dB below DC: what "-3 dB" means for a cut-off.
inline constexpr double kHalfPowerDb = 3.0102999566398120;

struct LowPass {
    Poly E, P, F;
    // Finite transmission zeros on the j-axis, rad/s, ascending (elliptic filters only).
    std::vector<double> zeros;

    Complex H(double w) const { return P(Complex(0.0, w)) / E(Complex(0.0, w)); }
    double GainDb(double w) const;
    // The same function with the frequency axis divided by w0 (what was at w0 moves to 1 rad/s).
    LowPass Scaled(double w0) const;
    // The lowest frequency at which the gain is `dB` below its DC value, rad/s.
    double Cutoff(double dB = kHalfPowerDb) const;
    // Scaled so that the gain is at half power at 1 rad/s.
    LowPass AtCutoff() const { return Scaled(Cutoff()); }
};

// Maximally flat magnitude: 1/|H|^2 = 1 + w^2n; -3 dB at 1 rad/s.
LowPass Butterworth(int n);
// Equiripple pass band of `rippleDb` up to 1 rad/s: 1/|H|^2 = 1 + e^2 Tn(w)^2.
LowPass Chebyshev(int n, double rippleDb);
// Maximally flat delay (reverse Bessel polynomial), delay 1 s at DC.
LowPass Bessel(int n);
// Gaussian magnitude: 1/|H|^2 = sum over k <= n of w^2k / k!, the first n + 1 terms of the series
// of exp(w^2).
LowPass Gaussian(int n);
// Optimum monotonic (Legendre) response for odd n: the steepest cut-off at 1 rad/s (-3 dB) of
// any monotonic pass band.
LowPass Legendre(int n);
// The Legendre characteristic L(w^2) of odd order n, a polynomial in w^2 with L(0) = 0, L(1) = 1.
Poly LegendreCharacteristic(int n);
// Linear phase with an equiripple phase error of +/- errorDegrees (delay 1 s), found by exchanging
// the error's extremal frequencies until the error alternates with equal extremes.
LowPass LinearPhase(int n, double errorDegrees);
// Elliptic (Cauer) of odd order n: equiripple pass band of `rippleDb` up to 1 rad/s and
// equiripple stop band from `selectivity` rad/s (Fs/Fp) up; the stop-band attenuation follows
// from the degree equation.
LowPass Elliptic(int n, double rippleDb, double selectivity);
// Stop-band attenuation of that elliptic filter, dB.
double EllipticAttenuation(int n, double rippleDb, double selectivity);
// The selectivity Fs/Fp at which that elliptic filter reaches `attenuationDb`.
double EllipticSelectivity(int n, double rippleDb, double attenuationDb);

// The place of the extreme (largest or smallest value) of f between lo and hi, narrowed by golden
// sections to about 1e-8 of the interval.
template <class F>
double LocalExtreme(F f, double lo, double hi, bool maximum)
{
    for (int i = 0; i < 40; ++i) {
        const double m1 = lo + 0.382 * (hi - lo), m2 = lo + 0.618 * (hi - lo);
        const double f1 = f(m1), f2 = f(m2);
        const bool keepLow = maximum ? f1 > f2 : f1 < f2;
        (keepLow ? hi : lo) = keepLow ? m2 : m1;
    }
    return 0.5 * (lo + hi);
}

// Jacobi elliptic functions with the argument in units of the quarter period K (u = 1 is K),
// through descending Landen transformations; and the complete elliptic integral K(k).
double JacobiCd(double u, double k);
double JacobiSn(double u, double k);
double EllipticK(double k);

}  // namespace kalidor::filters
