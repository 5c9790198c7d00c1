// A square system of complex linear equations with room for 10 rows and 10 columns, addressed
// from 1, and as many right-hand-side columns, solved in place by Gauss-Jordan elimination with
// full pivoting. After Solve the matrix holds its inverse and the right-hand sides the solutions.
#pragma once

#include <array>

#include "sim/Complex.h"

namespace kalidor {

class CComplexMatrix {
public:
    static constexpr int kSize = 10;

    // Row r and column c from 1 to 10; anything else is ignored (set) or reads as (0, 0) (get).
    void SetElement(int r, int c, const CComplexNum& v);
    CComplexNum GetElement(int r, int c) const;
    // Right-hand side: row r, column c (column 1 for a single right-hand side).
    void SetRhs(int r, int c, const CComplexNum& v);
    CComplexNum GetRhs(int r, int c = 1) const;
    // Sets every element and right-hand side to (0, 0).
    void Clear();

    // Solves the n equations for m right-hand-side columns. A zero pivot yields 0 and raises
    // the pivot element's division flag; the solve goes on and reports nothing. Returns false
    // only when n or m lies outside 1..10 (then nothing changes).
    bool Solve(int n, int m = 1);

private:
    static bool InRange(int i) { return i >= 1 && i <= kSize; }
    CComplexNum& A(int r, int c) { return m_a[r * (kSize + 1) + c]; }
    const CComplexNum& A(int r, int c) const { return m_a[r * (kSize + 1) + c]; }
    CComplexNum& B(int r, int c) { return m_b[r * (kSize + 1) + c]; }
    const CComplexNum& B(int r, int c) const { return m_b[r * (kSize + 1) + c]; }

    // Index 0 of rows and columns is never used.
    std::array<CComplexNum, (kSize + 1) * (kSize + 1)> m_a{};
    std::array<CComplexNum, (kSize + 1) * (kSize + 1)> m_b{};
};

}  // namespace kalidor
