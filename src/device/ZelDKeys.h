// Symbol keys of ZelD and ZelE: the seven ladder elements and the frequency range of each of the
// two stored configurations A and B, the settings they share, and the two filter-configuration
// symbols that name the filter-table entry applied to A and B.
#pragma once

namespace kalidor {

// Elements C1, C2, L2, C3, C4, L4, C5 of configuration A are keys 0..6, in that order; those of
// configuration B lie kKeyConfigBOffset higher.
inline constexpr int kKeyElementC1A = 0;
inline constexpr int kZelDElementCount = 7;
inline constexpr int kKeyFrequencyRangeA = 7;
inline constexpr int kKeyZelDUes = 8;
inline constexpr int kKeyZelDSecurity = 9;
inline constexpr int kKeyAbBit = 10;  // wakeup configuration: 0 A, 1 B
inline constexpr int kKeyZelDGain = 11;
inline constexpr int kKeyConfigBOffset = 12;
inline constexpr int kKeyElementC1B = kKeyElementC1A + kKeyConfigBOffset;
inline constexpr int kKeyFrequencyRangeB = kKeyFrequencyRangeA + kKeyConfigBOffset;
inline constexpr int kKeyDeviceName = 22;  // the schematic label that names the device type

// The filter-table entry applied to configuration A and B: its id, -1 for none, -2 when the
// configuration was edited after it was applied.
inline constexpr int kKeyFilterConfigA = 64;
inline constexpr int kKeyFilterConfigB = 65;

// True for the keys of configuration A's (or B's) elements and frequency range: editing one of
// them means the configuration no longer is the filter-table entry applied to it.
constexpr bool IsConfigAKey(int key) { return key >= kKeyElementC1A && key <= kKeyFrequencyRangeA; }
constexpr bool IsConfigBKey(int key) { return key >= kKeyElementC1B && key <= kKeyFrequencyRangeB; }

}  // namespace kalidor
