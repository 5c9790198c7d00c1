// Real polynomials in s for the synthesis of the filter tables: arithmetic, evaluation at complex
// points, roots, and the Hurwitz factor of a polynomial given as a function of s^2.
#pragma once

#include <complex>
#include <vector>

namespace kalidor::filters {

using Complex = std::complex<double>;

// c[k] is the coefficient of s^k.
class Poly {
public:
    Poly() = default;
    Poly(std::initializer_list<double> c) : c_(c) {}
    explicit Poly(std::vector<double> c) : c_(std::move(c)) {}
    // The real polynomial lead * prod (s - r); complex roots must come in conjugate pairs.
    static Poly FromRoots(const std::vector<Complex>& roots, double lead = 1.0);

    // Degree of the highest non-zero coefficient; -1 for the zero polynomial.
    int Degree() const;
    double operator[](int k) const { return k >= 0 && k < static_cast<int>(c_.size()) ? c_[k] : 0.0; }
    double Lead() const { return Degree() < 0 ? 0.0 : c_[Degree()]; }
    const std::vector<double>& Coefficients() const { return c_; }

    Complex operator()(Complex s) const;
    double operator()(double s) const;

    Poly operator+(const Poly& o) const;
    Poly operator-(const Poly& o) const;
    Poly operator*(const Poly& o) const;
    Poly operator*(double k) const;
    // p(-s).
    Poly Mirrored() const;
    // p(a s).
    Poly ArgumentScaled(double a) const;
    // p(s^2): a polynomial in x = s^2 as a polynomial in s.
    Poly OfSquare() const;
    // The even polynomial p as a polynomial in x = s^2 (odd coefficients are dropped).
    Poly EvenInSquare() const;
    // Quotient and remainder of the division by d.
    void Divide(const Poly& d, Poly& quotient, Poly& remainder) const;
    // Sets coefficients to zero from `degree` up (a term known to cancel).
    Poly Truncated(int degree) const;

    // All complex roots (Aberth iteration, each root polished by Newton steps).
    std::vector<Complex> Roots() const;

private:
    std::vector<double> c_;
};

// The polynomial h(s) of degree n whose roots lie in the closed left half plane and for which
// h(s) h(-s) = q(s^2), where q is given as a polynomial in x = s^2 of degree n. Its leading
// coefficient is positive.
Poly HurwitzFactor(const Poly& qOfX);

}  // namespace kalidor::filters
