// Fifth-order low-pass ladder prototypes for the ZelD/ZelE designs of the library: the doubly
// terminated ladder Rs = RL = 1 ohm, C1 to ground, L2 in series (C2 across it), C3 to ground, L4 in
// series (C4 across it), C5 to ground, normalised to 1 rad/s. Each approximation is computed from
// its mathematics: Butterworth and Chebyshev from their closed forms, Bessel by continued-fraction
// expansion of the input admittance, elliptic from its poles and zeros (Jacobi elliptic functions)
// with the ladder elements solved to reproduce them.
#pragma once

#include <complex>
#include <string>

namespace kalidor::tools {

enum class FilterKind { Butterworth, Chebyshev, Bessel, Elliptic };

struct FilterSpec {
    FilterKind kind = FilterKind::Butterworth;
    double rippleDb = 0.0;  // Chebyshev, elliptic: pass-band ripple
    double stopDb = 0.0;    // elliptic: least stop-band attenuation
};

struct LadderPrototype {
    double C1 = 0, C2 = 0, L2 = 0, C3 = 0, C4 = 0, L4 = 0, C5 = 0;
    // The normalised pass-band edge is 1 rad/s: the -3 dB point of Butterworth and Bessel, the
    // end of the ripple band of Chebyshev and elliptic filters. The elliptic stop-band edge:
    double stopEdge = 0.0;

    // The same ladder seen from its load: with equal terminations it has the same response.
    LadderPrototype Reversed() const;

    // 2 Vout / Vs of the ladder at s (1 at DC): the filter's response.
    std::complex<double> Response(std::complex<double> s) const;
    double GainDb(double w) const;
};

// Fails (returns false, with `error` set) when the elliptic element solution does not converge.
bool DesignPrototype(const FilterSpec& spec, LadderPrototype& out, std::string* error = nullptr);

// The normalised frequency (rad/s) at which the prototype's gain falls to `levelDb` below DC,
// searched upwards from `from`.
double FrequencyAtLevel(const LadderPrototype& p, double levelDb, double from = 0.01);

std::string KindName(FilterKind kind);

}  // namespace kalidor::tools
