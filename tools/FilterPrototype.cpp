#include "FilterPrototype.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kalidor::tools {

namespace {

using cplx = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr int kOrder = 5;

// ---------------------------------------------------------------- polynomials (ascending powers)

using Poly = std::vector<double>;

Poly Mul(const Poly& a, const Poly& b)
{
    Poly r(a.size() + b.size() - 1, 0.0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j)
            r[i + j] += a[i] * b[j];
    return r;
}

Poly Add(const Poly& a, const Poly& b, double sign = 1.0)
{
    Poly r(std::max(a.size(), b.size()), 0.0);
    for (size_t i = 0; i < a.size(); ++i)
        r[i] += a[i];
    for (size_t i = 0; i < b.size(); ++i)
        r[i] += sign * b[i];
    return r;
}

// p(-s)
Poly Mirror(Poly p)
{
    for (size_t i = 1; i < p.size(); i += 2)
        p[i] = -p[i];
    return p;
}

void Trim(Poly& p)
{
    while (p.size() > 1 && p.back() == 0.0)
        p.pop_back();
}

cplx Eval(const Poly& p, cplx s)
{
    cplx r = 0;
    for (size_t i = p.size(); i-- > 0;)
        r = r * s + p[i];
    return r;
}

// The roots of a polynomial with simple roots (Durand-Kerner iteration).
std::vector<cplx> Roots(const Poly& p)
{
    const int n = static_cast<int>(p.size()) - 1;
    std::vector<cplx> r(n);
    for (int k = 0; k < n; ++k)
        r[k] = std::pow(cplx(0.4, 0.9), k);
    for (int it = 0; it < 5000; ++it) {
        double moved = 0;
        for (int i = 0; i < n; ++i) {
            cplx den = p.back();
            for (int j = 0; j < n; ++j)
                if (j != i)
                    den *= r[i] - r[j];
            const cplx step = Eval(p, r[i]) / den;
            r[i] -= step;
            moved = std::max(moved, std::abs(step) / std::max(1.0, std::abs(r[i])));
        }
        if (moved < 1e-15)
            break;
    }
    return r;
}

// The denominator of 2 Vout / Vs of the ladder times the zero factors, from its chain matrix:
// Vs / Vout = (A + B) / ((1 + L2 C2 s^2)(1 + L4 C4 s^2)); D(0) = 2.
Poly LadderDenominator(const LadderPrototype& p)
{
    using M = std::array<std::array<Poly, 2>, 2>;
    auto mul = [](const M& a, const M& b) {
        M r;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                r[i][j] = Add(Mul(a[i][0], b[0][j]), Mul(a[i][1], b[1][j]));
        return r;
    };
    const Poly P2{1, 0, p.L2 * p.C2}, P4{1, 0, p.L4 * p.C4};
    M m{{{Poly{1}, Poly{1}}, {Poly{0}, Poly{1}}}};  // the source resistor
    m = mul(m, M{{{Poly{1}, Poly{0}}, {Poly{0, p.C1}, Poly{1}}}});
    m = mul(m, M{{{P2, Poly{0, p.L2}}, {Poly{0}, P2}}});
    m = mul(m, M{{{Poly{1}, Poly{0}}, {Poly{0, p.C3}, Poly{1}}}});
    m = mul(m, M{{{P4, Poly{0, p.L4}}, {Poly{0}, P4}}});
    m = mul(m, M{{{Poly{1}, Poly{0}}, {Poly{0, p.C5}, Poly{1}}}});
    Poly d = Add(m[0][0], m[0][1]);  // into the 1 ohm load
    d.resize(kOrder + 1);
    return d;
}

// Solves a small dense system by Gaussian elimination with partial pivoting.
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b)
{
    const size_t n = b.size();
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::abs(a[r][c]) > std::abs(a[piv][c]))
                piv = r;
        std::swap(a[c], a[piv]);
        std::swap(b[c], b[piv]);
        for (size_t r = 0; r < n; ++r) {
            if (r == c || a[c][c] == 0.0)
                continue;
            const double f = a[r][c] / a[c][c];
            for (size_t k = c; k < n; ++k)
                a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    for (size_t i = 0; i < n; ++i)
        b[i] = a[i][i] != 0.0 ? b[i] / a[i][i] : 0.0;
    return b;
}

// ---------------------------------------------------------------- approximations

LadderPrototype Butterworth()
{
    double g[kOrder];
    for (int k = 1; k <= kOrder; ++k)
        g[k - 1] = 2.0 * std::sin((2 * k - 1) * kPi / (2 * kOrder));
    LadderPrototype p;
    p.C1 = g[0], p.L2 = g[1], p.C3 = g[2], p.L4 = g[3], p.C5 = g[4];
    return p;
}

LadderPrototype Chebyshev(double rippleDb)
{
    const double beta = std::log(1.0 / std::tanh(rippleDb / (40.0 / std::log(10.0))));
    const double gamma = std::sinh(beta / (2 * kOrder));
    double a[kOrder + 1], b[kOrder + 1], g[kOrder + 1];
    for (int k = 1; k <= kOrder; ++k) {
        a[k] = std::sin((2 * k - 1) * kPi / (2 * kOrder));
        b[k] = gamma * gamma + std::pow(std::sin(k * kPi / kOrder), 2);
    }
    g[1] = 2 * a[1] / gamma;
    for (int k = 2; k <= kOrder; ++k)
        g[k] = 4 * a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
    LadderPrototype p;
    p.C1 = g[1], p.L2 = g[2], p.C3 = g[3], p.L4 = g[4], p.C5 = g[5];
    return p;
}

// An all-pole ladder from its denominator D (D(0) = 2): |S11|^2 = 1 - |S21|^2 gives the
// reflection polynomial F with F(s)F(-s) = D(s)D(-s) - 4; the continued fraction of
// (D + F) / (D - F) yields the elements in order.
LadderPrototype AllPoleLadder(const Poly& d)
{
    Poly e = Add(Mul(d, Mirror(d)), Poly{4.0}, -1.0);
    Poly ex;  // e as a polynomial in x = s^2
    for (size_t i = 0; i < e.size(); i += 2)
        ex.push_back(e[i]);
    Trim(ex);
    std::vector<cplx> f{1.0};
    for (const cplx& x : Roots(ex)) {
        cplx s = std::sqrt(x);
        if (s.real() > 0)
            s = -s;  // the left half-plane: a minimum-phase reflection
        std::vector<cplx> next(f.size() + 1, 0.0);
        for (size_t i = 0; i < f.size(); ++i) {
            next[i] -= s * f[i];
            next[i + 1] += f[i];
        }
        f = next;
    }
    Poly fp(f.size());
    const double lead = std::sqrt(std::abs(e[2 * kOrder]));
    for (size_t i = 0; i < f.size(); ++i)
        fp[i] = f[i].real() * lead / f.back().real();
    if (std::abs(d[kOrder] - fp[kOrder]) > 1e-9 * std::abs(d[kOrder]))
        for (double& c : fp)
            c = -c;
    Poly num = Add(d, fp), den = Add(d, fp, -1.0);
    den.resize(kOrder);
    double g[kOrder];
    for (int k = 0; k < kOrder; ++k) {
        const double element = num.back() / den.back();
        g[k] = element;
        Poly rem = Add(num, Mul(Poly{0, element}, den), -1.0);
        rem.resize(den.size() - 1);  // the two highest terms cancel
        num = den;
        den = rem;
    }
    LadderPrototype p;
    p.C1 = g[0], p.L2 = g[1], p.C3 = g[2], p.L4 = g[3], p.C5 = g[4];
    return p;
}

// Scales a prototype in frequency: the response at w becomes the old one at w * factor.
void ScaleFrequency(LadderPrototype& p, double factor)
{
    for (double* v : {&p.C1, &p.C2, &p.L2, &p.C3, &p.C4, &p.L4, &p.C5})
        *v *= factor;
    p.stopEdge /= factor;
}

LadderPrototype Bessel()
{
    // The Bessel polynomial of order 5 (unit delay at DC), with D(0) = 2.
    const double b[kOrder + 1] = {945, 945, 420, 105, 15, 1};
    Poly d(kOrder + 1);
    for (int i = 0; i <= kOrder; ++i)
        d[i] = 2.0 * b[i] / b[0];
    LadderPrototype p = AllPoleLadder(d);
    // Normalised to its -3 dB frequency.
    ScaleFrequency(p, FrequencyAtLevel(p, -10.0 * std::log10(2.0)));
    return p;
}

// ---------------------------------------------------------------- elliptic

// Descending Landen moduli of k.
std::vector<double> Landen(double k)
{
    std::vector<double> v;
    for (int i = 0; i < 10; ++i) {
        const double kp = std::sqrt(1 - k * k);
        k = std::pow(k / (1 + kp), 2);
        v.push_back(k);
    }
    return v;
}

// From the value of a circular function at u pi / 2 to that of the elliptic function of modulus k
// at uK, up through the Landen moduli.
cplx LandenAscent(cplx w, double k)
{
    const std::vector<double> v = Landen(k);
    for (size_t i = v.size(); i-- > 0;)
        w = (1 + v[i]) * w / (1.0 + v[i] * w * w);
    return w;
}

// cd(uK, k) and sn(uK, k) for complex u.
cplx Cde(cplx u, double k) { return LandenAscent(std::cos(u * kPi / 2.0), k); }
cplx Sne(cplx u, double k) { return LandenAscent(std::sin(u * kPi / 2.0), k); }

// The inverse of Sne: u with sn(uK, k) = w.
cplx Asne(cplx w, double k)
{
    const std::vector<double> v = Landen(k);
    double prev = k;
    for (double kn : v) {
        w = 2.0 * w / ((1 + kn) * (1.0 + std::sqrt(1.0 - prev * prev * w * w)));
        prev = kn;
    }
    return 2.0 / kPi * std::asin(w);
}

// The selectivity k of an order-5 elliptic filter whose discrimination is k1 (degree equation).
double EllipticDegree(double k1)
{
    const double kc1 = std::sqrt(1 - k1 * k1);
    double kc = std::pow(kc1, kOrder);
    for (int i = 1; i <= kOrder / 2; ++i)
        kc *= std::pow(Sne((2.0 * i - 1) / kOrder, kc1).real(), 4);
    return std::sqrt(1 - kc * kc);
}

bool Elliptic(double rippleDb, double stopDb, LadderPrototype& out, std::string* error)
{
    const double ep = std::sqrt(std::pow(10.0, rippleDb / 10) - 1);
    const double es = std::sqrt(std::pow(10.0, stopDb / 10) - 1);
    const double k1 = ep / es;
    const double k = EllipticDegree(k1);
    // Zeros j / (k cd(u_i K)), poles j cd((u_i - j v0) K), real pole j sn(j v0 K).
    const cplx v0 = cplx(0, -1) * Asne(cplx(0, 1) / ep, k1) / double(kOrder);
    double zeros[2];
    Poly d{1.0};
    for (int i = 1; i <= 2; ++i) {
        const double u = (2.0 * i - 1) / kOrder;
        zeros[i - 1] = 1.0 / (k * Cde(u, k).real());
        const cplx pole = cplx(0, 1) * Cde(u - cplx(0, 1) * v0, k);
        const cplx inv = 1.0 / pole;
        d = Mul(d, Poly{1.0, -2.0 * inv.real(), std::norm(inv)});
    }
    const cplx p0 = cplx(0, 1) * Sne(cplx(0, 1) * v0, k);
    d = Mul(d, Poly{1.0, -1.0 / p0.real()});
    const double scale = 2.0 / d[0];
    for (double& c : d)
        c *= scale;

    // Solve C1, L2, C3, L4, C5 (the zeros fix C2 and C4) for this denominator, starting from
    // the Chebyshev ladder of the same ripple.
    const LadderPrototype start = Chebyshev(rippleDb);
    std::vector<double> y{std::log(start.C1), std::log(start.L2), std::log(start.C3), std::log(start.L4),
                          std::log(start.C5 * 0.98)};
    auto ladder = [&](const std::vector<double>& x) {
        LadderPrototype p;
        p.C1 = std::exp(x[0]), p.L2 = std::exp(x[1]), p.C3 = std::exp(x[2]), p.L4 = std::exp(x[3]);
        p.C5 = std::exp(x[4]);
        p.C2 = 1.0 / (zeros[0] * zeros[0] * p.L2);
        p.C4 = 1.0 / (zeros[1] * zeros[1] * p.L4);
        p.stopEdge = 1.0 / k;
        return p;
    };
    auto residual = [&](const std::vector<double>& x) {
        const Poly dl = LadderDenominator(ladder(x));
        std::vector<double> r(kOrder);
        for (int i = 1; i <= kOrder; ++i)
            r[i - 1] = (dl[i] - d[i]) / d[i];
        return r;
    };
    auto norm2 = [](const std::vector<double>& r) {
        double s = 0;
        for (double v : r)
            s += v * v;
        return std::isfinite(s) ? s : 1e300;
    };
    double mu = 1e-3;
    double err = norm2(residual(y));
    for (int it = 0; it < 500 && err > 1e-28; ++it) {
        const std::vector<double> r = residual(y);
        std::vector<std::vector<double>> jac(kOrder, std::vector<double>(kOrder));
        for (int j = 0; j < kOrder; ++j) {
            std::vector<double> yy = y;
            yy[j] += 1e-7;
            const std::vector<double> rr = residual(yy);
            for (int i = 0; i < kOrder; ++i)
                jac[i][j] = (rr[i] - r[i]) / 1e-7;
        }
        std::vector<std::vector<double>> jtj(kOrder, std::vector<double>(kOrder, 0.0));
        std::vector<double> g(kOrder, 0.0);
        for (int i = 0; i < kOrder; ++i) {
            for (int j = 0; j < kOrder; ++j)
                for (int m = 0; m < kOrder; ++m)
                    jtj[i][j] += jac[m][i] * jac[m][j];
            jtj[i][i] += mu;
            for (int m = 0; m < kOrder; ++m)
                g[i] -= jac[m][i] * r[m];
        }
        const std::vector<double> step = Solve(jtj, g);
        std::vector<double> next = y;
        for (int i = 0; i < kOrder; ++i)
            next[i] += step[i];
        const double e = norm2(residual(next));
        if (e < err) {
            y = next;
            err = e;
            mu = std::max(mu / 3, 1e-15);
        } else {
            mu *= 4;
        }
    }
    if (err > 1e-20) {
        if (error)
            *error = "the elliptic ladder did not converge";
        return false;
    }
    out = ladder(y);
    return true;
}

}  // namespace

LadderPrototype LadderPrototype::Reversed() const
{
    LadderPrototype r = *this;
    r.C1 = C5, r.C5 = C1, r.L2 = L4, r.L4 = L2, r.C2 = C4, r.C4 = C2;
    return r;
}

std::complex<double> LadderPrototype::Response(std::complex<double> s) const
{
    // Walk the chain from the source: [V; I] at the input = product of the section matrices
    // times [Vout; Vout / RL].
    using M = std::array<cplx, 4>;
    auto mul = [](const M& a, const M& b) {
        return M{a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
                 a[2] * b[1] + a[3] * b[3]};
    };
    auto series = [](cplx z) { return M{1.0, z, 0.0, 1.0}; };
    auto shunt = [](cplx y) { return M{1.0, 0.0, y, 1.0}; };
    auto parallelLC = [&](double l, double c) { return l * s / (1.0 + l * c * s * s); };
    M m = series(1.0);
    m = mul(m, shunt(C1 * s));
    m = mul(m, series(parallelLC(L2, C2)));
    m = mul(m, shunt(C3 * s));
    m = mul(m, series(parallelLC(L4, C4)));
    m = mul(m, shunt(C5 * s));
    return 2.0 / (m[0] + m[1]);
}

double LadderPrototype::GainDb(double w) const
{
    return 20.0 * std::log10(std::abs(Response(cplx(0, w))));
}

double FrequencyAtLevel(const LadderPrototype& p, double levelDb, double from)
{
    // Step up until the gain is below the level, then bisect.
    double lo = from, hi = from;
    while (p.GainDb(hi) > levelDb && hi < 1e6)
        hi *= 1.05;
    lo = hi / 1.05;
    for (int i = 0; i < 100; ++i) {
        const double mid = std::sqrt(lo * hi);
        (p.GainDb(mid) > levelDb ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

bool DesignPrototype(const FilterSpec& spec, LadderPrototype& out, std::string* error)
{
    switch (spec.kind) {
    case FilterKind::Butterworth:
        out = Butterworth();
        return true;
    case FilterKind::Chebyshev:
        out = Chebyshev(spec.rippleDb);
        return true;
    case FilterKind::Bessel:
        out = Bessel();
        return true;
    case FilterKind::Elliptic:
        return Elliptic(spec.rippleDb, spec.stopDb, out, error);
    }
    return false;
}

std::string KindName(FilterKind kind)
{
    switch (kind) {
    case FilterKind::Butterworth:
        return "Butterworth";
    case FilterKind::Chebyshev:
        return "Chebyshev";
    case FilterKind::Bessel:
        return "Bessel";
    case FilterKind::Elliptic:
        return "Elliptic";
    }
    return {};
}

}  // namespace kalidor::tools
