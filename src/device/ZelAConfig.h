// ZelA: four analog blocks (XT, XB, YT, YB), each with two programmable-gain input amplifiers,
// a feedback capacitor, a feedback switch and input selectors. 179 E2 cells, 84 symbol keys.
#pragma once

#include "device/DeviceConfig.h"

namespace kalidor {

// The behaviour ZelA and ZelB share: one calibrated 128-entry capacitor table, coercion of
// illegal values, and ToggleSymbol.
class ZelABConfigBase : public DeviceConfig {
public:
    int CoerceSymbols() override;
    int ToggleSymbol(int k, int k2, int position) override;

protected:
    using DeviceConfig::DeviceConfig;
    void BuildValueTables() override;
    // A 7-bit capacitor symbol (record weights are those of the capacitor bits).
    SymbolValue& DefineCap(int key, const std::string& name, const std::vector<int>& cells);
};

class ZelAConfig : public ZelABConfigBase {
public:
    ZelAConfig();
    int GainPolarityKey(int gainKey) const override;
    // XT and XB reach IN1/IN2 and OUT1/OUT2, YT and YB IN3/IN4 and OUT3/OUT4.
    std::span<const InputContact> InputContacts(int key) const override;
    bool LabelsPins() const override { return true; }

protected:
    void BuildCells() override;
    void BuildSymbols() override;
};

// The calibrated capacitor table of ZelA and ZelB, (code, value in 1e-16 F) by ascending value.
extern const std::pair<int32_t, int32_t> kZelABCapTable[128];
// Nominal bit weights of the 7 capacitor bits, on a base of 10700.
extern const int32_t kZelABCapWeights[7];
constexpr int32_t kZelABCapBase = 10700;

}  // namespace kalidor
