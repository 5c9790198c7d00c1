#include "filters/Approximations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace kalidor::filters {

namespace {

// A polynomial in w that is even in w, as a polynomial in x = s^2 = -w^2.
Poly EvenOmegaToX(const Poly& evenInW)
{
    const Poly inW2 = evenInW.EvenInSquare();
    return inW2.ArgumentScaled(-1.0);
}

// R(w)^2 as a polynomial in x = -w^2, for R of definite parity.
Poly SquaredInX(const Poly& r) { return EvenOmegaToX(r * r); }

// The real F(s) with |F(jw)| = |R(w)|, for R even or odd in w.
Poly ReflectionFromOmega(const Poly& r)
{
    std::vector<double> c(r.Coefficients().size(), 0.0);
    for (size_t k = 0; k < c.size(); ++k) {
        const int half = static_cast<int>(k / 2);
        c[k] = r[static_cast<int>(k)] * (half % 2 ? -1.0 : 1.0);
    }
    return Poly(c);
}

double RippleEpsilonSquared(double rippleDb) { return std::pow(10.0, rippleDb / 10.0) - 1.0; }

// Chebyshev polynomial Tn(w).
Poly ChebyshevT(int n)
{
    Poly t0{1.0}, t1{0.0, 1.0};
    if (n == 0)
        return t0;
    for (int k = 2; k <= n; ++k) {
        Poly t2 = Poly{0.0, 2.0} * t1 - t0;
        t0 = t1;
        t1 = t2;
    }
    return t1;
}

// An all-pole function given by its denominator: P = E(0), F from E E~ - P P~.
LowPass AllPole(const Poly& e)
{
    LowPass f;
    f.E = e;
    f.P = Poly{e[0]};
    const Poly ee = (e * e.Mirrored()).EvenInSquare();
    f.F = HurwitzFactor(ee - Poly{e[0] * e[0]});
    return f;
}

// An all-pole function given by 1/|H|^2 = 1 + K(w^2), K as a polynomial in x = -w^2.
LowPass AllPoleFromCharacteristic(const Poly& kOfX)
{
    LowPass f;
    f.E = HurwitzFactor(Poly{1.0} + kOfX);
    f.P = Poly{1.0};
    f.F = HurwitzFactor(kOfX);
    return f;
}

double Factorial(int n)
{
    double f = 1.0;
    for (int k = 2; k <= n; ++k)
        f *= k;
    return f;
}

// Solves a x = b (n x n, row-major) by elimination with partial pivoting; false when singular.
bool SolveLinear(std::vector<double> a, std::vector<double> b, int n, std::vector<double>& x)
{
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::abs(a[r * n + col]) > std::abs(a[pivot * n + col]))
                pivot = r;
        if (a[pivot * n + col] == 0.0)
            return false;
        for (int c = 0; c < n; ++c)
            std::swap(a[col * n + c], a[pivot * n + c]);
        std::swap(b[col], b[pivot]);
        for (int r = col + 1; r < n; ++r) {
            const double f = a[r * n + col] / a[col * n + col];
            for (int c = col; c < n; ++c)
                a[r * n + c] -= f * a[col * n + c];
            b[r] -= f * b[col];
        }
    }
    x.assign(n, 0.0);
    for (int r = n - 1; r >= 0; --r) {
        double s = b[r];
        for (int c = r + 1; c < n; ++c)
            s -= a[r * n + c] * x[c];
        x[r] = s / a[r * n + r];
    }
    return true;
}

// The phase of D(jw), continuous from 0 at w = 0: the sum of the angles seen from its roots.
double PhaseOf(const std::vector<Complex>& roots, double w)
{
    double phase = 0.0;
    for (const Complex& r : roots)
        phase += std::atan2(w - r.imag(), -r.real());
    for (const Complex& r : roots)
        phase -= std::atan2(-r.imag(), -r.real());
    return phase;
}

}  // namespace

// ---------------------------------------------------------------- LowPass

double LowPass::GainDb(double w) const { return 20.0 * std::log10(std::abs(H(w))); }

LowPass LowPass::Scaled(double w0) const
{
    LowPass f;
    f.E = E.ArgumentScaled(w0);
    f.P = P.ArgumentScaled(w0);
    f.F = F.ArgumentScaled(w0);
    for (double z : zeros)
        f.zeros.push_back(z / w0);
    return f;
}

double LowPass::Cutoff(double dB) const
{
    const double target = GainDb(0.0) - dB;
    double lo = 1e-3, hi = lo;
    while (GainDb(hi) > target) {
        lo = hi;
        hi *= 1.01;
        if (hi > 1e6)
            throw std::runtime_error("no cut-off");
    }
    for (int i = 0; i < 200 && hi - lo > 1e-15 * hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        (GainDb(mid) > target ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// ---------------------------------------------------------------- approximations

LowPass Butterworth(int n)
{
    std::vector<double> k(n + 1, 0.0);
    k[n] = n % 2 ? -1.0 : 1.0;  // w^2n = (-x)^n
    LowPass f;
    f.E = HurwitzFactor(Poly{1.0} + Poly(k));
    f.P = Poly{1.0};
    std::vector<double> fn(n + 1, 0.0);
    fn[n] = 1.0;
    f.F = Poly(fn);
    return f;
}

LowPass Chebyshev(int n, double rippleDb)
{
    const Poly r = ChebyshevT(n) * std::sqrt(RippleEpsilonSquared(rippleDb));
    LowPass f;
    f.E = HurwitzFactor(Poly{1.0} + SquaredInX(r));
    f.P = Poly{1.0};
    f.F = ReflectionFromOmega(r);
    return f;
}

LowPass Bessel(int n)
{
    std::vector<double> a(n + 1);
    for (int k = 0; k <= n; ++k)
        a[k] = Factorial(2 * n - k) / (std::pow(2.0, n - k) * Factorial(k) * Factorial(n - k));
    return AllPole(Poly(a));
}

LowPass Gaussian(int n)
{
    std::vector<double> k(n + 1, 0.0);
    for (int i = 1; i <= n; ++i)
        k[i] = (i % 2 ? -1.0 : 1.0) / Factorial(i);  // w^2i / i! = (-x)^i / i!
    return AllPoleFromCharacteristic(Poly(k));
}

Poly LegendreCharacteristic(int n)
{
    if (n < 1 || n % 2 == 0)
        throw std::invalid_argument("Legendre characteristic of even order");
    const int k = (n - 1) / 2;
    // S(u) = sum a_i P_i(u) with a_i = (2i + 1) / (sqrt(2) (k + 1)).
    Poly p0{1.0}, p1{0.0, 1.0};
    Poly s = p0 * (1.0 / (std::sqrt(2.0) * (k + 1)));
    for (int i = 1; i <= k; ++i) {
        s = s + p1 * ((2.0 * i + 1.0) / (std::sqrt(2.0) * (k + 1)));
        const Poly p2 = (Poly{0.0, 2.0 * i + 1.0} * p1 - p0 * i) * (1.0 / (i + 1));
        p0 = p1;
        p1 = p2;
    }
    // L(w) = integral of S(u)^2 from -1 to 2w - 1.
    const Poly sq = s * s;
    std::vector<double> integral(sq.Coefficients().size() + 1, 0.0);
    for (size_t i = 0; i < sq.Coefficients().size(); ++i)
        integral[i + 1] = sq[static_cast<int>(i)] / (i + 1.0);
    const Poly antiderivative(integral);
    Poly composed;  // antiderivative(2w - 1) by Horner's rule
    for (int i = antiderivative.Degree(); i >= 0; --i)
        composed = composed * Poly{-1.0, 2.0} + Poly{antiderivative[i]};
    return composed - Poly{antiderivative(-1.0)};
}

LowPass Legendre(int n)
{
    const Poly l = LegendreCharacteristic(n);
    LowPass f = AllPoleFromCharacteristic(l.ArgumentScaled(-1.0));
    return f;
}

LowPass LinearPhase(int n, double errorDegrees)
{
    const double eps = errorDegrees * M_PI / 180.0;
    // Start from the extremal frequencies of an equiripple odd error of degree 2n + 1 over the
    // band the maximally flat delay filter keeps nearly linear, and exchange them.
    const double band = 1.1 * n;
    std::vector<double> points(n);
    for (int i = 0; i < n; ++i)
        points[i] = band * std::cos((n - i) * M_PI / (2.0 * n + 1.0));
    std::vector<double> a;  // a1 .. an of D(s) = 1 + a1 s + ... + an s^n
    Poly d;
    for (int iter = 0; iter < 200; ++iter) {
        // The phase of D(jw) equals w + (-1)^(i+1) eps at each point: Im cos(phi) = Re sin(phi),
        // linear in the coefficients.
        std::vector<double> m(n * n), rhs(n);
        for (int i = 0; i < n; ++i) {
            const double w = points[i];
            const double phi = w + (i % 2 ? -eps : eps);
            const double c = std::cos(phi), s = std::sin(phi);
            for (int k = 1; k <= n; ++k) {
                const double wk = std::pow(w, k);
                const double sign = (k / 2) % 2 ? -1.0 : 1.0;
                m[i * n + k - 1] = k % 2 ? sign * wk * c : -sign * wk * s;
            }
            rhs[i] = s;
        }
        if (!SolveLinear(m, rhs, n, a))
            throw std::runtime_error("linear phase: singular system");
        std::vector<double> coeff{1.0};
        coeff.insert(coeff.end(), a.begin(), a.end());
        d = Poly(coeff);
        const std::vector<Complex> roots = d.Roots();
        for (const Complex& r : roots)
            if (r.real() >= 0.0)
                throw std::runtime_error("linear phase: not a stable denominator");
        // The new extremal frequencies: the local extremes of the error, in order.
        auto error = [&](double w) { return PhaseOf(roots, w) - w; };
        std::vector<double> extremes;
        const double top = 1.5 * points.back();
        const int steps = 4000;
        double prev = error(0.0), cur = error(top / steps);
        for (int j = 2; j <= steps && static_cast<int>(extremes.size()) < n; ++j) {
            const double next = error(top * j / steps);
            if ((cur - prev) * (next - cur) < 0.0) {
                extremes.push_back(LocalExtreme(error, top * (j - 2) / steps, top * j / steps, cur > prev));
            }
            prev = cur;
            cur = next;
        }
        if (static_cast<int>(extremes.size()) < n)
            throw std::runtime_error("linear phase: error does not alternate");
        double moved = 0.0;
        for (int i = 0; i < n; ++i)
            moved = std::max(moved, std::abs(extremes[i] - points[i]));
        points = extremes;
        // The error is flat at its extremes: their places settle to about 1e-7 only, which moves
        // the error's extreme values by far less than that.
        if (moved < 1e-6)
            break;
    }
    return AllPole(d);
}

// ---------------------------------------------------------------- elliptic

namespace {

// The descending Landen sequence of moduli k1, k2, ... (until they vanish).
std::vector<double> Landen(double k)
{
    std::vector<double> v;
    for (int i = 0; i < 12 && k > 1e-300; ++i) {
        const double kp = std::sqrt((1.0 - k) * (1.0 + k));
        k = std::pow(k / (1.0 + kp), 2.0);
        v.push_back(k);
    }
    return v;
}

double LandenAscend(double w, const std::vector<double>& v)
{
    for (int n = static_cast<int>(v.size()) - 1; n >= 0; --n)
        w = (1.0 + v[n]) * w / (1.0 + v[n] * w * w);
    return w;
}

struct EllipticDesign {
    int n;
    double k;        // selectivity modulus 1 / (Fs/Fp)
    double k1;       // discrimination modulus eps_p / eps_s
    std::vector<double> zeta;  // pass-band zeros of the characteristic, w > 0
};

EllipticDesign DesignElliptic(int n, double selectivity)
{
    if (n < 3 || n % 2 == 0 || selectivity <= 1.0)
        throw std::invalid_argument("elliptic filters of odd order with Fs/Fp > 1");
    EllipticDesign d{n, 1.0 / selectivity, 0.0, {}};
    double product = std::pow(d.k, n);
    for (int i = 1; i <= (n - 1) / 2; ++i) {
        const double u = (2.0 * i - 1.0) / n;
        d.zeta.push_back(JacobiCd(u, d.k));
        product *= std::pow(JacobiSn(u, d.k), 4.0);
    }
    d.k1 = product;
    return d;
}

}  // namespace

double JacobiCd(double u, double k) { return LandenAscend(std::cos(u * M_PI / 2.0), Landen(k)); }

double JacobiSn(double u, double k) { return LandenAscend(std::sin(u * M_PI / 2.0), Landen(k)); }

double EllipticK(double k)
{
    double K = M_PI / 2.0;
    for (double v : Landen(k))
        K *= 1.0 + v;
    return K;
}

LowPass Elliptic(int n, double rippleDb, double selectivity)
{
    const EllipticDesign d = DesignElliptic(n, selectivity);
    // R(w) = C w prod(w^2 - zeta^2) / prod(w^2 - wz^2) with the poles wz = 1 / (k zeta) and
    // R(1) = 1; |H|^2 = 1 / (1 + eps^2 R^2).
    Poly num{0.0, 1.0}, den{1.0};
    LowPass f;
    for (double z : d.zeta) {
        const double wz = 1.0 / (d.k * z);
        num = num * Poly{-z * z, 0.0, 1.0};
        den = den * Poly{-wz * wz, 0.0, 1.0};
        f.zeros.push_back(wz);
    }
    std::sort(f.zeros.begin(), f.zeros.end());
    const double c = den(1.0) / num(1.0);
    const Poly r = num * (c * std::sqrt(RippleEpsilonSquared(rippleDb)));
    // P(s) = prod(s^2 + wz^2) is den with w^2 = -s^2, up to its sign.
    Poly p{1.0};
    for (double wz : f.zeros)
        p = p * Poly{wz * wz, 0.0, 1.0};
    f.P = p;
    f.F = ReflectionFromOmega(r);
    f.E = HurwitzFactor(SquaredInX(den) + SquaredInX(r));
    // The leading coefficients of E and F agree (no transmission at infinity for odd order).
    return f;
}

double EllipticAttenuation(int n, double rippleDb, double selectivity)
{
    const EllipticDesign d = DesignElliptic(n, selectivity);
    return 10.0 * std::log10(1.0 + RippleEpsilonSquared(rippleDb) / (d.k1 * d.k1));
}

double EllipticSelectivity(int n, double rippleDb, double attenuationDb)
{
    double lo = 1.0 + 1e-9, hi = 100.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (EllipticAttenuation(n, rippleDb, mid) < attenuationDb ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace kalidor::filters
