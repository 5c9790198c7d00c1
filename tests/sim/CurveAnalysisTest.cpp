#include "sim/CurveAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

using namespace kalidor;

namespace {

constexpr double kPi = std::numbers::pi;

// A logarithmic grid from `start` to `stop` with `ppd` points per decade.
std::vector<double> Grid(double start, double stop, int ppd)
{
    std::vector<double> f;
    const int n = static_cast<int>(std::lround(std::log10(stop / start) * ppd));
    for (int i = 0; i <= n; ++i)
        f.push_back(start * std::pow(10.0, static_cast<double>(i) / ppd));
    return f;
}

// A first-order low pass with its corner at fc: phase -atan(f/fc), group delay
// 1/(2 pi fc) / (1 + (f/fc)^2).
double LowPassPhaseDeg(double f, double fc) { return -std::atan(f / fc) * 180.0 / kPi; }
double LowPassDelay(double f, double fc) { return 1.0 / (2 * kPi * fc) / (1.0 + (f / fc) * (f / fc)); }

// Phase in degrees folded into (-180, 180], as a simulator reports it.
double Folded(double deg)
{
    double d = std::fmod(deg, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d <= -180.0)
        d += 360.0;
    return d;
}

void ExpectRelative(const std::vector<double>& got, const std::vector<double>& f, double fc, int sections,
                    double tol)
{
    ASSERT_EQ(got.size(), f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        const double want = sections * LowPassDelay(f[i], fc);
        EXPECT_NEAR(got[i], want, tol * want) << "at " << f[i] << " Hz";
    }
}

}  // namespace

// ------------------------------------------------------------------ group delay from the phase

TEST(GroupDelayFromPhase, FirstOrderLowPassMatchesTheClosedForm)
{
    const double fc = 1000.0;
    for (const auto& [ppd, tol] : {std::pair{50, 2e-3}, std::pair{500, 2e-5}}) {
        const std::vector<double> f = Grid(10.0, 100000.0, ppd);
        std::vector<double> phase;
        for (double x : f)
            phase.push_back(LowPassPhaseDeg(x, fc));
        ExpectRelative(GroupDelayFromPhase(f, phase), f, fc, 1, tol);
    }
}

TEST(GroupDelayFromPhase, UnwrapsAPhaseThatTurnsPastAHalfTurn)
{
    // Four first-order sections: the phase runs to -360 degrees and is reported folded.
    const double fc = 2500.0;
    const std::vector<double> f = Grid(10.0, 1e6, 100);
    std::vector<double> phase;
    for (double x : f)
        phase.push_back(Folded(4 * LowPassPhaseDeg(x, fc)));
    ExpectRelative(GroupDelayFromPhase(f, phase), f, fc, 4, 2e-3);
}

TEST(GroupDelayFromPhase, AHalfTurnStepSplitsTheCurveWithoutASpike)
{
    // The 180-degree step of a transmission zero between two samples: the delay on either side
    // is that of the smooth phase, taken one-sided next to the step.
    const double fc = 1000.0;
    const std::vector<double> f = Grid(100.0, 10000.0, 100);
    std::vector<double> phase;
    for (std::size_t i = 0; i < f.size(); ++i)
        phase.push_back(Folded(LowPassPhaseDeg(f[i], fc) + (i >= 120 ? 180.0 : 0.0)));
    const std::vector<double> tau = GroupDelayFromPhase(f, phase);
    ExpectRelative(tau, f, fc, 1, 2e-3);
}

TEST(GroupDelayFromPhase, EdgeCases)
{
    EXPECT_TRUE(GroupDelayFromPhase({}, {}).empty());
    const auto one = GroupDelayFromPhase({1000.0}, {-45.0});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(std::isnan(one[0]));
    // Two samples: the slope between them, at both.
    const auto two = GroupDelayFromPhase({1000.0, 2000.0}, {0.0, -36.0});
    ASSERT_EQ(two.size(), 2u);
    const double slope = -36.0 * kPi / 180.0 / std::log(2.0);
    EXPECT_DOUBLE_EQ(two[0], -slope / (2 * kPi * 1000.0));
    EXPECT_DOUBLE_EQ(two[1], -slope / (2 * kPi * 2000.0));
    // A frequency of 0 Hz and a repeated frequency give no delay there and split the curve.
    const auto bad = GroupDelayFromPhase({0.0, 100.0, 200.0, 200.0, 400.0}, {0.0, -1.0, -2.0, -2.0, -4.0});
    ASSERT_EQ(bad.size(), 5u);
    EXPECT_TRUE(std::isnan(bad[0]));
    EXPECT_TRUE(std::isfinite(bad[1]));
    EXPECT_TRUE(std::isfinite(bad[2]));
    EXPECT_TRUE(std::isfinite(bad[3]));
    // Lengths that differ: the shorter one counts.
    EXPECT_EQ(GroupDelayFromPhase({1.0, 2.0, 3.0}, {0.0, 1.0}).size(), 2u);
}

// ------------------------------------------------------------------ markers

namespace {

struct Curve {
    std::vector<double> f, gain;
};

template <typename H>
Curve Sample(double start, double stop, int ppd, H h)
{
    Curve c;
    c.f = Grid(start, stop, ppd);
    for (double x : c.f)
        c.gain.push_back(20.0 * std::log10(std::abs(h(x))));
    return c;
}

}  // namespace

TEST(CurveMarkers, FirstOrderLowPassHasItsEdgeAtTheCorner)
{
    const double fc = 3300.0;
    const Curve c = Sample(10.0, 1e6, 100, [&](double f) { return 1.0 / std::complex<double>(1.0, f / fc); });
    const auto m = FindCurveMarkers(c.f, c.gain);
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->peakAtEnd);
    EXPECT_DOUBLE_EQ(m->peakFrequency, 10.0);
    EXPECT_FALSE(m->lowerEdge);
    ASSERT_TRUE(m->upperEdge);
    // Half power below the gain at 10 Hz (a hair under 0 dB): the corner itself.
    const double peakPower = 1.0 / (1.0 + (10.0 / fc) * (10.0 / fc));
    const double edge = fc * std::sqrt(2.0 / peakPower - 1.0);
    EXPECT_NEAR(*m->upperEdge, edge, 1e-3 * edge);
}

TEST(CurveMarkers, ResonantLowPassPeakAndEdgesMatchTheClosedForm)
{
    // H = 1 / (1 - u^2 + j u / Q), u = f / f0: the peak lies at u^2 = 1 - 1/(2 Q^2) with
    // |H| = Q / sqrt(1 - 1/(4 Q^2)).
    const double f0 = 10000.0, q = 2.0;
    const Curve c = Sample(100.0, 1e6, 100, [&](double f) {
        const double u = f / f0;
        return 1.0 / std::complex<double>(1.0 - u * u, u / q);
    });
    const auto m = FindCurveMarkers(c.f, c.gain);
    ASSERT_TRUE(m);
    EXPECT_FALSE(m->peakAtEnd);
    const double peakF = f0 * std::sqrt(1.0 - 1.0 / (2 * q * q));
    const double peakMag = q / std::sqrt(1.0 - 1.0 / (4 * q * q));
    // The parabola through three samples 1/100 decade apart: within a thousandth of the
    // frequency and of a dB.
    EXPECT_NEAR(m->peakFrequency, peakF, 1e-3 * peakF);
    EXPECT_NEAR(m->peakGainDb, 20 * std::log10(peakMag), 1e-3);
    // Half power below the peak: (1 - v)^2 + v / Q^2 = 2 / P^2 with v = u^2.
    const double b = 1.0 / (q * q) - 2.0, cc = 1.0 - 2.0 / (peakMag * peakMag);
    const double disc = std::sqrt(b * b - 4 * cc);
    const double lower = f0 * std::sqrt((-b - disc) / 2), upper = f0 * std::sqrt((-b + disc) / 2);
    ASSERT_TRUE(m->lowerEdge);
    ASSERT_TRUE(m->upperEdge);
    EXPECT_NEAR(*m->lowerEdge, lower, 1e-3 * lower);
    EXPECT_NEAR(*m->upperEdge, upper, 1e-3 * upper);
}

TEST(CurveMarkers, BandPassEdgesAroundItsCentre)
{
    // H = (j u / Q) / (1 - u^2 + j u / Q): unit gain at f0, edges at
    // f0 (sqrt(1 + 1/(4 Q^2)) -+ 1/(2 Q)).
    const double f0 = 1000.0, q = 5.0;
    const Curve c = Sample(10.0, 100000.0, 200, [&](double f) {
        const double u = f / f0;
        const std::complex<double> j(0.0, u / q);
        return j / (std::complex<double>(1.0 - u * u, 0.0) + j);
    });
    const auto m = FindCurveMarkers(c.f, c.gain);
    ASSERT_TRUE(m);
    EXPECT_NEAR(m->peakFrequency, f0, 1e-4 * f0);
    EXPECT_NEAR(m->peakGainDb, 0.0, 1e-5);
    const double r = std::sqrt(1.0 + 1.0 / (4 * q * q));
    ASSERT_TRUE(m->lowerEdge && m->upperEdge);
    EXPECT_NEAR(*m->lowerEdge, f0 * (r - 1 / (2 * q)), 1e-3 * f0);
    EXPECT_NEAR(*m->upperEdge, f0 * (r + 1 / (2 * q)), 1e-3 * f0);
}

TEST(CurveMarkers, EdgeCases)
{
    EXPECT_FALSE(FindCurveMarkers({}, {}));
    EXPECT_FALSE(FindCurveMarkers({0.0, 10.0}, {1.0, 2.0}));
    // A flat curve: the peak is its first sample, it never falls 3 dB.
    const auto flat = FindCurveMarkers({10.0, 100.0, 1000.0}, {6.0, 6.0, 6.0});
    ASSERT_TRUE(flat);
    EXPECT_TRUE(flat->peakAtEnd);
    EXPECT_DOUBLE_EQ(flat->peakGainDb, 6.0);
    EXPECT_FALSE(flat->lowerEdge);
    EXPECT_FALSE(flat->upperEdge);
    // One point.
    const auto one = FindCurveMarkers({50.0}, {-1.0});
    ASSERT_TRUE(one);
    EXPECT_DOUBLE_EQ(one->peakFrequency, 50.0);
    // The crossing interpolates in dB over log frequency: halfway in dB is the geometric mean.
    const auto step = FindCurveMarkers({100.0, 400.0}, {0.0, -2 * kHalfPowerDb});
    ASSERT_TRUE(step && step->upperEdge);
    EXPECT_NEAR(*step->upperEdge, 200.0, 1e-9);
}
