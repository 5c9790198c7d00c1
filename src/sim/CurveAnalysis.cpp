#include "sim/CurveAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kalidor {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Derivative at x[i] of the parabola through three samples (any spacing, i being one of them).
double ThreePointSlope(const double* x, const double* y, int i0, int i)
{
    const double x0 = x[i0], x1 = x[i0 + 1], x2 = x[i0 + 2];
    const double xi = x[i];
    // Lagrange basis derivatives at xi.
    const double d0 = ((xi - x1) + (xi - x2)) / ((x0 - x1) * (x0 - x2));
    const double d1 = ((xi - x0) + (xi - x2)) / ((x1 - x0) * (x1 - x2));
    const double d2 = ((xi - x0) + (xi - x1)) / ((x2 - x0) * (x2 - x1));
    return d0 * y[i0] + d1 * y[i0 + 1] + d2 * y[i0 + 2];
}

}  // namespace

std::vector<double> GroupDelayFromPhase(const std::vector<double>& frequencyHz, const std::vector<double>& phaseDeg)
{
    const std::size_t n = std::min(frequencyHz.size(), phaseDeg.size());
    std::vector<double> tau(n, kNaN);
    if (n < 2)
        return tau;

    // Log frequency and unwrapped phase in radians; pieceStart[i] marks a sample that begins a
    // new piece (no derivative is taken across its left side).
    std::vector<double> x(n), u(n);
    std::vector<bool> pieceStart(n, false);
    pieceStart[0] = true;
    double offset = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double f = frequencyHz[i];
        const bool usable = f > 0.0 && std::isfinite(f) && std::isfinite(phaseDeg[i]);
        x[i] = usable ? std::log(f) : kNaN;
        if (i > 0) {
            double step = phaseDeg[i] - phaseDeg[i - 1];
            const double turns = std::round(step / 360.0);
            offset -= 360.0 * turns;
            step -= 360.0 * turns;
            if (!usable || !std::isfinite(x[i - 1]) || !(x[i] > x[i - 1]) || std::fabs(step) > kPhaseStepLimit)
                pieceStart[i] = true;
        }
        u[i] = (phaseDeg[i] + offset) * std::numbers::pi / 180.0;
    }

    // Each piece [a, b] on its own.
    std::size_t a = 0;
    while (a < n) {
        std::size_t b = a;
        while (b + 1 < n && !pieceStart[b + 1])
            ++b;
        const std::size_t len = b - a + 1;
        for (std::size_t i = a; i <= b; ++i) {
            if (!std::isfinite(x[i]))
                continue;
            double slope;  // d(phase)/d(ln f)
            if (len >= 3) {
                // The three samples around i, kept inside the piece.
                const std::size_t first = std::clamp(i, a + 1, b - 1) - 1;
                slope = ThreePointSlope(x.data(), u.data(), static_cast<int>(first), static_cast<int>(i));
            } else if (len == 2) {
                slope = (u[b] - u[a]) / (x[b] - x[a]);
            } else {
                continue;
            }
            // d(phase)/d(omega) = d(phase)/d(ln f) / (2 pi f).
            tau[i] = -slope / (2.0 * std::numbers::pi * frequencyHz[i]);
        }
        a = b + 1;
    }
    return tau;
}

std::optional<CurveMarkers> FindCurveMarkers(const std::vector<double>& frequencyHz, const std::vector<double>& gainDb)
{
    const std::size_t n = std::min(frequencyHz.size(), gainDb.size());
    if (n == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < n; ++i)
        if (!(frequencyHz[i] > 0.0) || !std::isfinite(frequencyHz[i]) || !std::isfinite(gainDb[i]))
            return std::nullopt;

    std::size_t top = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (gainDb[i] > gainDb[top])
            top = i;

    CurveMarkers m;
    m.peakFrequency = frequencyHz[top];
    m.peakGainDb = gainDb[top];
    m.peakAtEnd = top == 0 || top == n - 1;
    if (!m.peakAtEnd) {
        // The vertex of the parabola through the peak sample and its neighbours (log f, dB).
        const double x0 = std::log(frequencyHz[top - 1]), x1 = std::log(frequencyHz[top]),
                     x2 = std::log(frequencyHz[top + 1]);
        const double y0 = gainDb[top - 1], y1 = gainDb[top], y2 = gainDb[top + 1];
        const double num = (x1 - x0) * (x1 - x0) * (y1 - y2) - (x1 - x2) * (x1 - x2) * (y1 - y0);
        const double den = (x1 - x0) * (y1 - y2) - (x1 - x2) * (y1 - y0);
        if (den != 0.0) {
            const double xv = x1 - 0.5 * num / den;
            if (xv > x0 && xv < x2) {
                // The parabola's value at its vertex (Lagrange form).
                const double l0 = (xv - x1) * (xv - x2) / ((x0 - x1) * (x0 - x2));
                const double l1 = (xv - x0) * (xv - x2) / ((x1 - x0) * (x1 - x2));
                const double l2 = (xv - x0) * (xv - x1) / ((x2 - x0) * (x2 - x1));
                m.peakFrequency = std::exp(xv);
                m.peakGainDb = std::max(y1, l0 * y0 + l1 * y1 + l2 * y2);
            }
        }
    }

    const double level = m.peakGainDb - kHalfPowerDb;
    // The crossing between samples j and k (gain at j above the level, at k below it).
    auto crossing = [&](std::size_t j, std::size_t k) {
        const double xj = std::log(frequencyHz[j]), xk = std::log(frequencyHz[k]);
        const double t = (gainDb[j] - level) / (gainDb[j] - gainDb[k]);
        return std::exp(xj + t * (xk - xj));
    };
    for (std::size_t k = top; k-- > 0;)
        if (gainDb[k] < level) {
            m.lowerEdge = crossing(k + 1, k);
            break;
        }
    for (std::size_t k = top + 1; k < n; ++k)
        if (gainDb[k] < level) {
            m.upperEdge = crossing(k - 1, k);
            break;
        }
    return m;
}

}  // namespace kalidor
