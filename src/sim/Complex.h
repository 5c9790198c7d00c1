// Complex numbers of the frequency-response engine. CComplex is the plain value the ZelA/ZelB
// models compute with: its division has no zero test, so a singular model yields infinities or
// not-a-number values that the gain query then rejects. CComplexNum is the value of the ZelC and
// ZelD/ZelE models and of the matrix solver: a division by zero yields (0, 0) and raises the
// result's division flag instead.
#pragma once

#include <cmath>
#include <cstdint>

namespace kalidor {

class CComplex {
public:
    double re = 0.0;
    double im = 0.0;

    constexpr CComplex() = default;
    constexpr CComplex(double r, double i) : re(r), im(i) {}

    friend constexpr CComplex operator+(const CComplex& a, const CComplex& b) { return {a.re + b.re, a.im + b.im}; }
    friend constexpr CComplex operator-(const CComplex& a, const CComplex& b) { return {a.re - b.re, a.im - b.im}; }
    friend constexpr CComplex operator*(const CComplex& a, const CComplex& b)
    {
        return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
    }
    // No test for a zero divisor: the result is then infinite or not a number.
    friend constexpr CComplex operator/(const CComplex& a, const CComplex& b)
    {
        const double n = b.re * b.re + b.im * b.im;
        return {(a.re * b.re + a.im * b.im) / n, (a.im * b.re - a.re * b.im) / n};
    }
    friend constexpr CComplex operator*(double k, const CComplex& z) { return {k * z.re, k * z.im}; }

    static constexpr CComplex Scale(double k, const CComplex& z) { return {k * z.re, k * z.im}; }
    double Magnitude() const { return std::sqrt(re * re + im * im); }
    // 0 for (0, 0), else atan2(im, re): radians in (-pi, pi].
    double Argument() const { return (re == 0.0 && im == 0.0) ? 0.0 : std::atan2(im, re); }
    CComplex Sqrt() const;
};

class CComplexNum {
public:
    double re = 0.0;
    double im = 0.0;
    int32_t divByZero = 0;  // 1 after a division by a value whose squared magnitude is 0
    double scratch = 0.0;   // working space of the arithmetic (squared magnitude of a divisor)

    constexpr CComplexNum() = default;
    constexpr CComplexNum(double r, double i = 0.0) : re(r), im(i) {}

    // In-place forms.
    CComplexNum& Add(const CComplexNum& b) { re += b.re; im += b.im; return *this; }
    CComplexNum& Subtract(const CComplexNum& b) { re -= b.re; im -= b.im; return *this; }
    CComplexNum& Multiply(const CComplexNum& b)
    {
        const double r = re * b.re - im * b.im;
        im = re * b.im + im * b.re;
        re = r;
        return *this;
    }
    CComplexNum& AddReal(double k) { re += k; return *this; }
    CComplexNum& SubtractReal(double k) { re -= k; return *this; }
    CComplexNum& MultiplyReal(double k) { re *= k; im *= k; return *this; }
    // Divides by `b`; a divisor of squared magnitude 0 gives (0, 0) and raises the flag.
    CComplexNum& Divide(const CComplexNum& b);

    friend CComplexNum operator+(CComplexNum a, const CComplexNum& b) { return a.Add(b); }
    friend CComplexNum operator-(CComplexNum a, const CComplexNum& b) { return a.Subtract(b); }
    friend CComplexNum operator*(CComplexNum a, const CComplexNum& b) { return a.Multiply(b); }
    friend CComplexNum operator/(CComplexNum a, const CComplexNum& b) { return a.Divide(b); }
    friend CComplexNum operator+(CComplexNum a, double k) { return a.AddReal(k); }
    friend CComplexNum operator-(CComplexNum a, double k) { return a.SubtractReal(k); }
    friend CComplexNum operator*(CComplexNum a, double k) { return a.MultiplyReal(k); }
    friend CComplexNum operator*(double k, CComplexNum a) { return a.MultiplyReal(k); }
    CComplexNum& operator+=(const CComplexNum& b) { return Add(b); }
    CComplexNum& operator-=(const CComplexNum& b) { return Subtract(b); }
    CComplexNum& operator*=(const CComplexNum& b) { return Multiply(b); }
    CComplexNum& operator/=(const CComplexNum& b) { return Divide(b); }

    // z^n by repeated multiplication; z^0 = 1; a negative n gives 1 / z^-n.
    CComplexNum Power(int n) const;
    double Magnitude() const { return std::sqrt(re * re + im * im); }
    double Argument() const { return (re == 0.0 && im == 0.0) ? 0.0 : std::atan2(im, re); }
    CComplexNum Sqrt() const;
};

}  // namespace kalidor
