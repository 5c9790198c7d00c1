#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SimTestUtil.h"
#include "sim/Complex.h"
#include "sim/ComplexMatrix.h"

using namespace kalidor;
using simtest::cplx;

TEST(Complex, ArithmeticMatchesStdComplex)
{
    const CComplex a(1.5, -2.0), b(-0.25, 3.0);
    const cplx ra(1.5, -2.0), rb(-0.25, 3.0);
    auto same = [](CComplex z, cplx r) {
        EXPECT_NEAR(z.re, r.real(), 1e-12);
        EXPECT_NEAR(z.im, r.imag(), 1e-12);
    };
    same(a + b, ra + rb);
    same(a - b, ra - rb);
    same(a * b, ra * rb);
    same(a / b, ra / rb);
    same(CComplex::Scale(-3.0, a), -3.0 * ra);
    EXPECT_NEAR(a.Magnitude(), std::abs(ra), 1e-12);
    EXPECT_NEAR(b.Argument(), std::arg(rb), 1e-12);
    same(b.Sqrt(), std::sqrt(rb));
}

TEST(Complex, ArgumentOfZeroAndNegativeReal)
{
    EXPECT_EQ(CComplex(0, 0).Argument(), 0.0);
    EXPECT_EQ(CComplexNum(0, 0).Argument(), 0.0);
    EXPECT_DOUBLE_EQ(CComplex(-1, 0).Argument(), M_PI);  // (-pi, pi]: the upper end
    EXPECT_DOUBLE_EQ(CComplex(0, -2).Argument(), -M_PI / 2);
}

TEST(Complex, PlainDivisionByZeroIsNotTrapped)
{
    const CComplex q = CComplex(1, 0) / CComplex(0, 0);
    EXPECT_FALSE(std::isfinite(q.Magnitude()));
}

TEST(Complex, NumDivisionByZeroYieldsZeroAndRaisesTheFlag)
{
    CComplexNum a(3, 4);
    EXPECT_EQ(a.divByZero, 0);
    const CComplexNum q = a / CComplexNum(0, 0);
    EXPECT_EQ(q.re, 0.0);
    EXPECT_EQ(q.im, 0.0);
    EXPECT_EQ(q.divByZero, 1);
    // An ordinary division leaves the flag down.
    const CComplexNum r = a / CComplexNum(0, 2);
    EXPECT_EQ(r.divByZero, 0);
    EXPECT_NEAR(r.re, 2.0, 1e-15);
    EXPECT_NEAR(r.im, -1.5, 1e-15);
}

TEST(Complex, NumInPlaceRealOperationsAndPowers)
{
    CComplexNum z(1, 2);
    z.AddReal(1).MultiplyReal(2).SubtractReal(0.5);  // ((2, 2) * 2) - 0.5
    EXPECT_EQ(z.re, 3.5);
    EXPECT_EQ(z.im, 4.0);
    const cplx r(0.3, -1.7);
    const CComplexNum w(0.3, -1.7);
    for (int n : {0, 1, 2, 3, 5, 7}) {
        const CComplexNum p = w.Power(n);
        const cplx e = std::pow(r, n);
        EXPECT_NEAR(p.re, e.real(), 1e-12 * std::abs(e) + 1e-15) << n;
        EXPECT_NEAR(p.im, e.imag(), 1e-12 * std::abs(e) + 1e-15) << n;
    }
    const CComplexNum inv = w.Power(-2);
    EXPECT_NEAR(inv.re, std::pow(r, -2).real(), 1e-12);
    EXPECT_EQ(CComplexNum(0, 0).Power(-1).divByZero, 1);
}

TEST(ComplexMatrix, OutOfRangeIndicesAreIgnored)
{
    CComplexMatrix m;
    m.SetElement(0, 1, CComplexNum(5));
    m.SetElement(11, 1, CComplexNum(5));
    m.SetRhs(1, 11, CComplexNum(5));
    EXPECT_EQ(m.GetElement(0, 1).re, 0.0);
    EXPECT_EQ(m.GetElement(11, 1).re, 0.0);
    EXPECT_EQ(m.GetRhs(1, 11).re, 0.0);
    EXPECT_FALSE(m.Solve(0, 1));
    EXPECT_FALSE(m.Solve(11, 1));
    EXPECT_FALSE(m.Solve(3, 0));
}

// Random well-conditioned systems of every size, several right-hand sides: the solution and the
// inverse left in the matrix agree with an independent solver.
TEST(ComplexMatrix, SolvesAndInvertsRandomSystems)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 1; n <= 10; ++n) {
        const int m = 1 + n % 3;
        simtest::CMatrix a(n, std::vector<cplx>(n));
        CComplexMatrix sys;
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                a[r][c] = cplx(u(rng), u(rng)) + (r == c ? cplx(0.5, 0) : cplx(0, 0));
                sys.SetElement(r + 1, c + 1, CComplexNum(a[r][c].real(), a[r][c].imag()));
            }
        std::vector<std::vector<cplx>> rhs(m, std::vector<cplx>(n));
        for (int k = 0; k < m; ++k)
            for (int r = 0; r < n; ++r) {
                rhs[k][r] = cplx(u(rng), u(rng));
                sys.SetRhs(r + 1, k + 1, CComplexNum(rhs[k][r].real(), rhs[k][r].imag()));
            }
        ASSERT_TRUE(sys.Solve(n, m));
        for (int k = 0; k < m; ++k) {
            const auto x = simtest::Solve(a, rhs[k]);
            for (int r = 0; r < n; ++r) {
                const CComplexNum got = sys.GetRhs(r + 1, k + 1);
                EXPECT_NEAR(got.re, x[r].real(), 1e-9) << "n=" << n << " rhs " << k << " row " << r;
                EXPECT_NEAR(got.im, x[r].imag(), 1e-9) << "n=" << n << " rhs " << k << " row " << r;
            }
        }
        // The matrix now holds the inverse: inverse * a = identity.
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                cplx sum = 0;
                for (int k = 0; k < n; ++k) {
                    const CComplexNum e = sys.GetElement(r + 1, k + 1);
                    sum += cplx(e.re, e.im) * a[k][c];
                }
                EXPECT_NEAR(std::abs(sum - cplx(r == c ? 1.0 : 0.0, 0.0)), 0.0, 1e-9) << n;
            }
    }
}

// A system whose diagonal is zero needs the row and column interchanges of full pivoting.
TEST(ComplexMatrix, PivotsAwayFromZeroDiagonal)
{
    CComplexMatrix sys;
    // [0 2 0; 0 0 3; 4 0 0] x = (2, 6, 12)  ->  x = (3, 1, 2)
    sys.SetElement(1, 2, CComplexNum(2));
    sys.SetElement(2, 3, CComplexNum(3));
    sys.SetElement(3, 1, CComplexNum(4));
    sys.SetRhs(1, 1, CComplexNum(2));
    sys.SetRhs(2, 1, CComplexNum(6));
    sys.SetRhs(3, 1, CComplexNum(12));
    ASSERT_TRUE(sys.Solve(3));
    EXPECT_NEAR(sys.GetRhs(1).re, 3.0, 1e-15);
    EXPECT_NEAR(sys.GetRhs(2).re, 1.0, 1e-15);
    EXPECT_NEAR(sys.GetRhs(3).re, 2.0, 1e-15);
}

// A singular system neither crashes nor stops: the zero pivot is flagged and yields 0.
TEST(ComplexMatrix, ZeroPivotIsFlaggedAndTheSolveGoesOn)
{
    CComplexMatrix sys;
    sys.SetElement(1, 1, CComplexNum(1));
    sys.SetElement(1, 2, CComplexNum(2));
    sys.SetElement(2, 1, CComplexNum(2));
    sys.SetElement(2, 2, CComplexNum(4));
    sys.SetRhs(1, 1, CComplexNum(1));
    sys.SetRhs(2, 1, CComplexNum(1));
    ASSERT_TRUE(sys.Solve(2));
    bool flagged = false;
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 2; ++c)
            flagged = flagged || sys.GetElement(r, c).divByZero == 1;
    EXPECT_TRUE(flagged);
    for (int r = 1; r <= 2; ++r) {
        EXPECT_TRUE(std::isfinite(sys.GetRhs(r).re));
        EXPECT_TRUE(std::isfinite(sys.GetRhs(r).im));
    }
}

TEST(ComplexMatrix, AllNotANumberSystemEnds)
{
    CComplexMatrix sys;
    const double nan = std::nan("");
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            sys.SetElement(r, c, CComplexNum(nan, nan));
    sys.SetRhs(1, 1, CComplexNum(1));
    EXPECT_TRUE(sys.Solve(4));
    EXPECT_FALSE(std::isfinite(sys.GetRhs(1).Magnitude()));
}
