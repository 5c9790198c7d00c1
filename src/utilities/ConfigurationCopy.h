// What the design utilities write into a device model: a gain configuration of ZelA/ZelB (the
// gains and input selectors of the blocks it uses, their feedback resistors in) and a ZelA ladder
// filter entry (all four blocks). The document wraps each in one undoable step; the table
// generators apply them to a bare device model and simulate the result.
#pragma once

#include "device/DeviceKind.h"

namespace kalidor {

class CFilterEntry4Macro;
class DeviceConfig;
struct CGainConnection;
struct CGainEntry;

// The keys of one block's amplifiers of ZelA (blocks 1..4) or ZelB (blocks 1..2).
struct CGainBlockKeys {
    int gain[2] = {-1, -1};
    int input[2] = {-1, -1};
    int feedback = -1;
    // ZelB: IA2's second input (the one used while the MSEL pin is 1) and IA4's polarity mode.
    int secondInput = -1;
    int polarityMode = -1;
};
// False for a block the device does not have.
bool GainBlockKeys(DeviceKind kind, int block, CGainBlockKeys& keys);

// Sets the gains of `entry` and the wiring of `connection` (of the same configuration): every
// used amplifier its gain and input selector, an unused amplifier of a used block no input, and
// the feedback resistor of each used block in. False (nothing set) when they do not fit.
bool ApplyGainConfiguration(DeviceConfig& device, const CGainEntry& entry, const CGainConnection& connection);

// The symbol keys of a ZelA block b (0..3) in the order of a ladder entry's six numbers.
void LadderBlockKeys(int block, int (&keys)[6]);
// Sets the four blocks from a ladder entry: input selectors and feedback switches as given, the
// gains limited to -10..10 (0 becomes 1), the capacitor nearest to pF x 10000 truncated; every
// number truncated to an integer first.
void ApplyLadderEntry(DeviceConfig& device, const CFilterEntry4Macro& entry);

}  // namespace kalidor
