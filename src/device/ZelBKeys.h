// Symbol keys of ZelB: block 1 (XT) with amplifiers IA1 and IA2, block 2 (XB) with IA3 and the
// inverting IA4, two comparators, the DAC, and two pins that only the simulation sets.
#pragma once

namespace kalidor {

// Block 1 (XT)
inline constexpr int kKeyZelBXtZt1 = 1;  // zt_1 and zt_2: UES cells as well
inline constexpr int kKeyZelBXtZt2 = 2;
inline constexpr int kKeyZelBXtFeedback = 3;
inline constexpr int kKeyZelBIa1Gain = 4;
inline constexpr int kKeyZelBIa2Gain = 5;
inline constexpr int kKeyZelBXtCapacitor = 6;
inline constexpr int kKeyZelBIa1Polarity = 7;
inline constexpr int kKeyZelBIa2Polarity = 8;
inline constexpr int kKeyZelBIa1Input = 9;
inline constexpr int kKeyZelBIa2AInput = 10;  // IA2's input while the MSEL pin is 0
inline constexpr int kKeyZelBIa2BInput = 11;  // and while it is 1
// Block 2 (XB)
inline constexpr int kKeyZelBXbZt1 = 13;
inline constexpr int kKeyZelBXbZt2 = 14;
inline constexpr int kKeyZelBXbFeedback = 15;
inline constexpr int kKeyZelBIa3Gain = 16;
inline constexpr int kKeyZelBIa4Gain = 17;  // always inverting: stored as the magnitude only
inline constexpr int kKeyZelBXbCapacitor = 18;
inline constexpr int kKeyZelBIa3Polarity = 19;
inline constexpr int kKeyZelBIa4PolarityMode = 20;
inline constexpr int kKeyZelBIa3Input = 21;
inline constexpr int kKeyZelBIa4Input = 22;  // lists the 1.5 V and 3 V references
inline constexpr int kKeyZelBSlewRate = 24;
// Comparators: the first input of each lists its contacts in another order.
inline constexpr int kKeyZelBC1Input1 = 27;
inline constexpr int kKeyZelBC1Input2 = 28;
inline constexpr int kKeyZelBC2Input1 = 29;
inline constexpr int kKeyZelBC2Input2 = 30;
// DAC
inline constexpr int kKeyZelBDacValue = 39;
// Pin states for the simulation only (values without cells).
inline constexpr int kKeyZelBMselPin = 56;
inline constexpr int kKeyZelBPcPin = 57;

}  // namespace kalidor
