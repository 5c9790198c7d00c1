#include "utilities/ConfigurationCopy.h"

#include <cstdlib>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ZelAKeys.h"
#include "device/ZelBKeys.h"
#include "utilities/GainTable.h"
#include "utilities/LadderTable.h"

namespace kalidor {

namespace {

// ZelB's IA4 polarity modes: 0 makes the stage non-inverting, 2 leaves it inverting whatever the
// PC pin does.
constexpr int kZelBIa4NonInverting = 0;
constexpr int kZelBIa4Inverting = 2;

}  // namespace

bool GainBlockKeys(DeviceKind kind, int block, CGainBlockKeys& k)
{
    k = {};
    if (kind == DeviceKind::ZelA && block >= 1 && block <= kZelABlockCount) {
        const int b = block - 1;
        k.gain[0] = ZelABlockKey(b, kZelAOffsetGain1);
        k.gain[1] = ZelABlockKey(b, kZelAOffsetGain2);
        k.input[0] = ZelABlockKey(b, kZelAOffsetInput1);
        k.input[1] = ZelABlockKey(b, kZelAOffsetInput2);
        k.feedback = ZelABlockKey(b, kZelAOffsetFeedback);
        return true;
    }
    if (kind == DeviceKind::ZelB && block == 1) {
        k.gain[0] = kKeyZelBIa1Gain;
        k.gain[1] = kKeyZelBIa2Gain;
        k.input[0] = kKeyZelBIa1Input;
        k.input[1] = kKeyZelBIa2AInput;
        k.secondInput = kKeyZelBIa2BInput;
        k.feedback = kKeyZelBXtFeedback;
        return true;
    }
    if (kind == DeviceKind::ZelB && block == 2) {
        k.gain[0] = kKeyZelBIa3Gain;
        k.gain[1] = kKeyZelBIa4Gain;
        k.input[0] = kKeyZelBIa3Input;
        k.input[1] = kKeyZelBIa4Input;
        k.feedback = kKeyZelBXbFeedback;
        k.polarityMode = kKeyZelBIa4PolarityMode;
        return true;
    }
    return false;
}

bool ApplyGainConfiguration(DeviceConfig& device, const CGainEntry& e, const CGainConnection& c)
{
    if (e.config != c.config)
        return false;
    CGainBlockKeys keys[2];
    const int blocks[2] = {c.Block(0), c.Block(1)};
    const int stages = GainConfigUsesTwoBlocks(e.config) ? 2 : 1;
    for (int s = 0; s < stages; ++s)
        if (!GainBlockKeys(device.Kind(), blocks[s], keys[s]))
            return false;
    // Which gain each amplifier of the used blocks takes (0: unused).
    int gains[2][2] = {};
    for (int letter = 0; letter < 4; ++letter) {
        const CGainAmplifier a = GainLetterPlace(e.config, letter);
        if (a.stage >= 0)
            gains[a.stage][c.Swapped(a.stage) ? 1 - a.amplifier : a.amplifier] = e.gains[letter];
    }
    for (int s = 0; s < stages; ++s) {
        const CGainBlockKeys& k = keys[s];
        device.SetSymValue(k.feedback, 0);
        for (int i = 0; i < 2; ++i) {
            const int selector = gains[s][i] != 0 ? c.wiring[s * 3 + 1 + i] : 0;
            device.SetSymValue(k.input[i], selector);
            if (i == 1 && k.secondInput >= 0)
                device.SetSymValue(k.secondInput, selector);
            if (gains[s][i] == 0)
                continue;
            if (i == 1 && k.polarityMode >= 0) {
                // The inverting stage takes the magnitude; its mode gives the sign.
                device.SetSymValue(k.polarityMode, gains[s][i] > 0 ? kZelBIa4NonInverting : kZelBIa4Inverting);
                SetGainValue(device, k.gain[i], -std::abs(gains[s][i]));
            } else {
                SetGainValue(device, k.gain[i], gains[s][i]);
            }
        }
    }
    return true;
}

void LadderBlockKeys(int block, int (&keys)[6])
{
    keys[0] = ZelABlockKey(block, kZelAOffsetInput1);
    keys[1] = ZelABlockKey(block, kZelAOffsetInput2);
    keys[2] = ZelABlockKey(block, kZelAOffsetGain1);
    keys[3] = ZelABlockKey(block, kZelAOffsetGain2);
    keys[4] = ZelABlockKey(block, kZelAOffsetCapacitor);
    keys[5] = ZelABlockKey(block, kZelAOffsetFeedback);
}

void ApplyLadderEntry(DeviceConfig& device, const CFilterEntry4Macro& e)
{
    for (int b = 0; b < CFilterEntry4Macro::kBlocks; ++b) {
        int keys[6];
        LadderBlockKeys(b, keys);
        auto number = [&](int s) { return static_cast<int>(e.BlockNumber(b, s)); };
        device.SetSymValue(keys[0], number(0));
        device.SetSymValue(keys[1], number(1));
        SetGainValue(device, keys[2], ClampGain(number(2)));
        SetGainValue(device, keys[3], ClampGain(number(3)));
        SetScaledCapValue(device, keys[4], static_cast<int>(e.BlockNumber(b, 4) * 10000.0));
        device.SetSymValue(keys[5], number(5));
    }
}

}  // namespace kalidor
