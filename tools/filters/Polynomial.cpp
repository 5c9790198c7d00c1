#include "filters/Polynomial.h"

#include <algorithm>
#include <cmath>

namespace kalidor::filters {

Poly Poly::FromRoots(const std::vector<Complex>& roots, double lead)
{
    std::vector<Complex> c{1.0};
    for (const Complex& r : roots) {
        std::vector<Complex> next(c.size() + 1, 0.0);
        for (size_t k = 0; k < c.size(); ++k) {
            next[k + 1] += c[k];
            next[k] -= r * c[k];
        }
        c = std::move(next);
    }
    std::vector<double> out(c.size());
    for (size_t k = 0; k < c.size(); ++k)
        out[k] = lead * c[k].real();
    return Poly(out);
}

int Poly::Degree() const
{
    for (int k = static_cast<int>(c_.size()) - 1; k >= 0; --k)
        if (c_[k] != 0.0)
            return k;
    return -1;
}

Complex Poly::operator()(Complex s) const
{
    Complex v = 0.0;
    for (int k = static_cast<int>(c_.size()) - 1; k >= 0; --k)
        v = v * s + c_[k];
    return v;
}

double Poly::operator()(double s) const
{
    double v = 0.0;
    for (int k = static_cast<int>(c_.size()) - 1; k >= 0; --k)
        v = v * s + c_[k];
    return v;
}

Poly Poly::operator+(const Poly& o) const
{
    std::vector<double> c(std::max(c_.size(), o.c_.size()), 0.0);
    for (size_t k = 0; k < c.size(); ++k)
        c[k] = (*this)[static_cast<int>(k)] + o[static_cast<int>(k)];
    return Poly(c);
}

Poly Poly::operator-(const Poly& o) const { return *this + o * -1.0; }

Poly Poly::operator*(const Poly& o) const
{
    if (c_.empty() || o.c_.empty())
        return Poly();
    std::vector<double> c(c_.size() + o.c_.size() - 1, 0.0);
    for (size_t i = 0; i < c_.size(); ++i)
        for (size_t j = 0; j < o.c_.size(); ++j)
            c[i + j] += c_[i] * o.c_[j];
    return Poly(c);
}

Poly Poly::operator*(double k) const
{
    std::vector<double> c = c_;
    for (double& v : c)
        v *= k;
    return Poly(c);
}

Poly Poly::Mirrored() const { return ArgumentScaled(-1.0); }

Poly Poly::ArgumentScaled(double a) const
{
    std::vector<double> c = c_;
    double p = 1.0;
    for (double& v : c) {
        v *= p;
        p *= a;
    }
    return Poly(c);
}

Poly Poly::OfSquare() const
{
    std::vector<double> c(c_.empty() ? 0 : 2 * c_.size() - 1, 0.0);
    for (size_t k = 0; k < c_.size(); ++k)
        c[2 * k] = c_[k];
    return Poly(c);
}

Poly Poly::EvenInSquare() const
{
    std::vector<double> c((c_.size() + 1) / 2, 0.0);
    for (size_t k = 0; k < c.size(); ++k)
        c[k] = c_[2 * k];
    return Poly(c);
}

void Poly::Divide(const Poly& d, Poly& quotient, Poly& remainder) const
{
    const int dn = d.Degree();
    std::vector<double> r = c_;
    const int n = Degree();
    if (dn < 0 || n < dn) {
        quotient = Poly();
        remainder = *this;
        return;
    }
    std::vector<double> q(n - dn + 1, 0.0);
    for (int k = n - dn; k >= 0; --k) {
        const double f = r[k + dn] / d[dn];
        q[k] = f;
        for (int j = 0; j <= dn; ++j)
            r[k + j] -= f * d[j];
        r[k + dn] = 0.0;
    }
    r.resize(dn > 0 ? dn : 1);
    quotient = Poly(q);
    remainder = Poly(r);
}

Poly Poly::Truncated(int degree) const
{
    std::vector<double> c = c_;
    if (degree >= 0 && degree < static_cast<int>(c.size()))
        c.resize(degree);
    return Poly(c);
}

namespace {

Complex Derivative(const std::vector<Complex>& monic, Complex z, Complex& value)
{
    Complex p = 0.0, dp = 0.0;
    for (int k = static_cast<int>(monic.size()) - 1; k >= 0; --k) {
        dp = dp * z + p;
        p = p * z + monic[k];
    }
    value = p;
    return dp;
}

}  // namespace

std::vector<Complex> Poly::Roots() const
{
    const int n = Degree();
    std::vector<Complex> roots;
    if (n < 1)
        return roots;
    // Roots at s = 0 come off exactly.
    int low = 0;
    while (low < n && c_[low] == 0.0) {
        roots.push_back(0.0);
        ++low;
    }
    const int m = n - low;
    if (m == 0)
        return roots;
    std::vector<Complex> monic(m + 1);
    for (int k = 0; k <= m; ++k)
        monic[k] = c_[k + low] / c_[n];
    // Start on a circle of the roots' geometric mean radius, turned off the axes.
    const double radius = std::pow(std::abs(monic[0].real()), 1.0 / m);
    std::vector<Complex> z(m);
    for (int k = 0; k < m; ++k)
        z[k] = std::polar(radius > 0 ? radius : 1.0, 2.0 * M_PI * k / m + 0.4);
    for (int iter = 0; iter < 500; ++iter) {
        double largest = 0.0;
        for (int k = 0; k < m; ++k) {
            Complex p;
            const Complex dp = Derivative(monic, z[k], p);
            if (p == 0.0)
                continue;
            const Complex ratio = p / dp;
            Complex sum = 0.0;
            for (int j = 0; j < m; ++j)
                if (j != k)
                    sum += 1.0 / (z[k] - z[j]);
            const Complex w = ratio / (1.0 - ratio * sum);
            z[k] -= w;
            largest = std::max(largest, std::abs(w) / std::max(1.0, std::abs(z[k])));
        }
        if (largest < 1e-15)
            break;
    }
    // A few Newton steps on each root, kept only while they lower the residual.
    for (Complex& r : z) {
        for (int step = 0; step < 3; ++step) {
            Complex p;
            const Complex dp = Derivative(monic, r, p);
            if (dp == 0.0)
                break;
            const Complex next = r - p / dp;
            Complex pn;
            Derivative(monic, next, pn);
            if (std::abs(pn) >= std::abs(p))
                break;
            r = next;
        }
    }
    roots.insert(roots.end(), z.begin(), z.end());
    return roots;
}

Poly HurwitzFactor(const Poly& qOfX)
{
    std::vector<Complex> s;
    for (const Complex& x : qOfX.Roots()) {
        Complex r = -std::sqrt(x);  // the principal root has a non-negative real part
        if (std::abs(r.imag()) < 1e-12 * std::max(1.0, std::abs(r)))
            r = r.real();
        s.push_back(r);
    }
    return Poly::FromRoots(s, std::sqrt(std::abs(qOfX.Lead())));
}

}  // namespace kalidor::filters
