// Helpers of the simulator tests: an independent complex linear solver (Gaussian elimination
// with partial pivoting on std::complex) and small conversions.
#pragma once

#include <cmath>
#include <complex>
#include <utility>
#include <vector>

namespace simtest {

using cplx = std::complex<double>;
using CMatrix = std::vector<std::vector<cplx>>;

// Solves M x = b; M is n x n.
inline std::vector<cplx> Solve(CMatrix m, std::vector<cplx> b)
{
    const std::size_t n = b.size();
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t best = col;
        for (std::size_t r = col + 1; r < n; ++r)
            if (std::abs(m[r][col]) > std::abs(m[best][col]))
                best = r;
        std::swap(m[col], m[best]);
        std::swap(b[col], b[best]);
        for (std::size_t r = col + 1; r < n; ++r) {
            const cplx f = m[r][col] / m[col][col];
            for (std::size_t c = col; c < n; ++c)
                m[r][c] -= f * m[col][c];
            b[r] -= f * b[col];
        }
    }
    std::vector<cplx> x(n);
    for (std::size_t i = n; i-- > 0;) {
        cplx sum = b[i];
        for (std::size_t c = i + 1; c < n; ++c)
            sum -= m[i][c] * x[c];
        x[i] = sum / m[i][i];
    }
    return x;
}

inline double GainDb(cplx v) { return 20.0 * std::log10(std::abs(v)); }
// Degrees with the engine's constant pi (3.1415926).
inline double PhaseDeg(cplx v) { return std::arg(v) * 180.0 / 3.1415926; }
// The engine's angular frequency.
inline double Omega(double f) { return f * 6.2831852; }

// Difference of two phases in degrees, folded into (-180, 180].
inline double PhaseDiff(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d <= -180.0)
        d += 360.0;
    return d;
}

// The sweep grid of a run: start * step^k while below stop, then stop.
inline std::vector<double> Grid(double start, double stop, int pointsPerDecade)
{
    std::vector<double> f;
    const double step = std::pow(10.0, 1.0 / pointsPerDecade);
    for (double x = start; x < stop; x *= step)
        f.push_back(x);
    f.push_back(stop);
    return f;
}

}  // namespace simtest
