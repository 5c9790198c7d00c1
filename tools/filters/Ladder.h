// The fifth-order low-pass ladder between equal 1-ohm terminations: shunt C1, series L2 with C2
// across it, shunt C3, series L4 with C4 across it, shunt C5 (C2 and C4 are zero for all-pole
// filters). Synthesised from the input admittance that a low-pass function presents.
#pragma once

#include <array>
#include <optional>

#include "filters/Approximations.h"

namespace kalidor::filters {

// Element values in the order C1, C2, L2, C3, C4, L4, C5.
using Ladder = std::array<double, 7>;
enum LadderElement { kC1, kC2, kL2, kC3, kC4, kL4, kC5 };

// The ladder realising `f` (of degree 5, at most two finite transmission zeros): the input
// admittance Y = (E + F) / (E - F) is expanded from the source side, removing the shunt
// capacitors whole (all-pole) or in part so that the remainder vanishes at the next transmission
// zero, where the parallel tank is then removed. Empty when `f` is not of that shape or an element
// comes out negative.
std::optional<Ladder> SynthesizeLadder(const LowPass& f);

// The same network seen from its other end (the transfer function is unchanged).
Ladder Reversed(const Ladder& l);

// The ladder's voltage transfer 2 V(load) / V(source) at w rad/s (1 at DC), by chain matrices.
Complex LadderResponse(const Ladder& l, double w);

}  // namespace kalidor::filters
