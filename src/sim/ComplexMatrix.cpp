#include "sim/ComplexMatrix.h"

#include <utility>

namespace kalidor {

void CComplexMatrix::SetElement(int r, int c, const CComplexNum& v)
{
    if (InRange(r) && InRange(c))
        A(r, c) = v;
}

CComplexNum CComplexMatrix::GetElement(int r, int c) const
{
    return (InRange(r) && InRange(c)) ? A(r, c) : CComplexNum();
}

void CComplexMatrix::SetRhs(int r, int c, const CComplexNum& v)
{
    if (InRange(r) && InRange(c))
        B(r, c) = v;
}

CComplexNum CComplexMatrix::GetRhs(int r, int c) const
{
    return (InRange(r) && InRange(c)) ? B(r, c) : CComplexNum();
}

void CComplexMatrix::Clear()
{
    m_a.fill(CComplexNum());
    m_b.fill(CComplexNum());
}

bool CComplexMatrix::Solve(int n, int m)
{
    if (!InRange(n) || !InRange(m))
        return false;

    int indxc[kSize + 1] = {};
    int indxr[kSize + 1] = {};
    int ipiv[kSize + 1] = {};

    for (int i = 1; i <= n; ++i) {
        // Largest remaining entry among the rows and columns not pivoted yet; of equal
        // magnitudes the later one wins.
        double big = 0.0;
        int irow = 0;
        int icol = 0;
        for (int j = 1; j <= n; ++j) {
            if (ipiv[j] == 1)
                continue;
            for (int k = 1; k <= n; ++k) {
                if (ipiv[k] != 0)
                    continue;
                // Squared magnitudes order the entries as magnitudes do, without a root each.
                const CComplexNum& e = A(j, k);
                const double mag = e.re * e.re + e.im * e.im;
                if (mag >= big) {
                    big = mag;
                    irow = j;
                    icol = k;
                }
            }
        }
        if (irow == 0 || icol == 0) {
            // Only not-a-number entries remain: take the first free row and column so that
            // every pass still pivots once (the results are then not numbers either).
            for (int j = 1; j <= n && irow == 0; ++j)
                if (ipiv[j] != 1)
                    irow = j;
            for (int k = 1; k <= n && icol == 0; ++k)
                if (ipiv[k] == 0)
                    icol = k;
            if (irow == 0 || icol == 0)
                break;  // a singular pivot order used every column up: nothing left to pivot
        }
        ++ipiv[icol];

        if (irow != icol) {
            for (int l = 1; l <= n; ++l)
                std::swap(A(irow, l), A(icol, l));
            for (int l = 1; l <= m; ++l)
                std::swap(B(irow, l), B(icol, l));
        }
        indxr[i] = irow;
        indxc[i] = icol;

        CComplexNum pivinv(1.0, 0.0);
        pivinv.Divide(A(icol, icol));
        A(icol, icol) = CComplexNum(1.0, 0.0);
        if (pivinv.divByZero)
            A(icol, icol).divByZero = 1;
        for (int l = 1; l <= n; ++l)
            A(icol, l).Multiply(pivinv);
        for (int l = 1; l <= m; ++l)
            B(icol, l).Multiply(pivinv);

        for (int ll = 1; ll <= n; ++ll) {
            if (ll == icol)
                continue;
            const CComplexNum dum = A(ll, icol);
            A(ll, icol) = CComplexNum(0.0, 0.0);
            for (int l = 1; l <= n; ++l)
                A(ll, l).Subtract(A(icol, l) * dum);
            for (int l = 1; l <= m; ++l)
                B(ll, l).Subtract(B(icol, l) * dum);
        }
    }

    // Undo the column interchanges in reverse order.
    for (int l = n; l >= 1; --l) {
        if (indxr[l] != indxc[l] && indxr[l] != 0 && indxc[l] != 0) {
            for (int k = 1; k <= n; ++k)
                std::swap(A(k, indxr[l]), A(k, indxc[l]));
        }
    }
    return true;
}

}  // namespace kalidor
