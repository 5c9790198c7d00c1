// What a filter engineer reads off a computed curve besides gain and phase: the group delay,
// the peak of the gain and the frequencies where the gain is 3 dB below that peak.
//
// The group delay tau = -d(phase)/d(omega) comes from the simulator's own model where the model
// has an exact derivative (CSimulator::GetGroupDelay); for every other curve (ZelC, the ZelD
// linear-system option, imported data) it is derived here from the phase samples.
#pragma once

#include <optional>
#include <vector>

namespace kalidor {

// Group delay in seconds at each sample of a curve whose frequencies (Hz) increase. The phase
// (degrees) is unwrapped first: steps between neighbours are taken modulo 360 degrees. A step of
// more than kPhaseStepLimit degrees after that (the 180-degree step at a transmission zero, or a
// curve sampled too coarsely to follow) splits the curve: no derivative is taken across it.
// Within a piece the derivative is the three-point one on the logarithmic frequency axis
// (second order also for uneven spacing), one-sided at the ends of a piece; a piece of one
// sample, a frequency of 0 Hz or below, or a frequency that repeats gives NaN there.
std::vector<double> GroupDelayFromPhase(const std::vector<double>& frequencyHz,
                                        const std::vector<double>& phaseDeg);
inline constexpr double kPhaseStepLimit = 120.0;

// The gain drop that defines the band edges: half power, 10*log10(2) dB (shown as "-3dB").
inline constexpr double kHalfPowerDb = 3.0102999566398120;

struct CurveMarkers {
    // The highest gain: at a sample, refined by a parabola through it and its two neighbours on
    // the logarithmic frequency axis (at the ends of the curve, the end sample itself).
    double peakFrequency = 0.0;
    double peakGainDb = 0.0;
    bool peakAtEnd = false;  // the peak is the first or the last sample: it may lie beyond
    // Where the gain first falls kHalfPowerDb below the peak, going down and going up in
    // frequency from it (interpolated linearly in dB over log frequency); none when the curve
    // does not fall that far on that side.
    std::optional<double> lowerEdge;
    std::optional<double> upperEdge;
};

// The markers of a curve (frequencies in Hz increasing, gains in dB); none for an empty curve
// or one whose frequencies are not all above 0 Hz.
std::optional<CurveMarkers> FindCurveMarkers(const std::vector<double>& frequencyHz,
                                             const std::vector<double>& gainDb);

}  // namespace kalidor
