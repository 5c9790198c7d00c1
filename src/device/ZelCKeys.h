// Symbol keys of ZelC: two output amplifiers (OA1, OA2), four input amplifiers (IA1..IA4) with
// their input selections and multiplexers, two multiplying DACs and two voltage references.
#pragma once

namespace kalidor {

inline constexpr int kKeyZelCOa1Mode = 0;
inline constexpr int kKeyZelCOa2Mode = 1;
inline constexpr int kKeyZelCOa1Capacitor = 2;
inline constexpr int kKeyZelCOa2Capacitor = 3;
inline constexpr int kKeyZelCIa1Gain = 4;  // IA1..IA4: 4..7
inline constexpr int kKeyZelCIa2Gain = 5;
inline constexpr int kKeyZelCIa3Gain = 6;
inline constexpr int kKeyZelCIa4Gain = 7;
inline constexpr int kKeyZelCDac1 = 8;
inline constexpr int kKeyZelCDac2 = 9;
inline constexpr int kKeyZelCIa3Input = 10;
inline constexpr int kKeyZelCIa2Input = 11;
inline constexpr int kKeyZelCMux1Select = 12;  // which of IA1's inputs the MSELA pin state picks
inline constexpr int kKeyZelCIa1AInput = 13;
inline constexpr int kKeyZelCIa1BInput = 14;
inline constexpr int kKeyZelCMux4Select = 15;  // likewise for IA4 and MSELB
inline constexpr int kKeyZelCIa4AInput = 16;
inline constexpr int kKeyZelCIa4BInput = 17;
inline constexpr int kKeyZelCDac1Input = 18;
inline constexpr int kKeyZelCDac2Input = 19;
// Which output amplifier (0: OA1, 1: OA2) each source drives.
inline constexpr int kKeyZelCIa1Output = 20;
inline constexpr int kKeyZelCIa2Output = 21;
inline constexpr int kKeyZelCIa3Output = 22;
inline constexpr int kKeyZelCIa4Output = 23;
inline constexpr int kKeyZelCDac1Output = 24;
inline constexpr int kKeyZelCDac2Output = 25;
inline constexpr int kKeyZelCRef1Level = 26;
inline constexpr int kKeyZelCRef2Level = 27;
inline constexpr int kKeyZelCIa1Polarity = 29;  // IA1..IA4: 29..32
inline constexpr int kKeyZelCMselAPin = 33;     // pin states for the simulation only
inline constexpr int kKeyZelCMselBPin = 34;
inline constexpr int kKeyZelCOa1PowerDown = 35;
inline constexpr int kKeyZelCOa2PowerDown = 36;

// The input selection value that connects an input to the voltage reference.
inline constexpr int kZelCInputRef = 7;

}  // namespace kalidor
