// Symbol keys of the filter devices ZelD and ZelE that code outside the device model names.
#pragma once

namespace kalidor {

// The symbols that hold the state of filter configurations A and B: the applied entry's
// identifier, -1 when none is applied, -2 when it was edited after it was applied.
inline constexpr int kKeyFilterConfigA = 64;
inline constexpr int kKeyFilterConfigB = 65;

}  // namespace kalidor
