// ZelB: two analog blocks (XT, XB), two comparators with window logic and an 8-bit DAC.
// 165 E2 cells, 70 symbol keys.
#pragma once

#include "device/ZelAConfig.h"
#include "device/ZelBKeys.h"

namespace kalidor {

class ZelBConfig : public ZelABConfigBase {
public:
    ZelBConfig();
    int GetCapText(int which, int code, int format, std::string& text) const override;
    int GetCellFuse(int position) const override;
    int GainPolarityKey(int gainKey) const override;
    // IA4 only inverts: its gain is negative whatever is stored, and a positive request is
    // reported and stored negated.
    int GetSignedGain(int key) const override;
    void SetSignedGain(int key, int gain) override;
    // Block inputs, IA4's input (with the 1.5 V and 3 V references) and the comparator inputs.
    std::span<const InputContact> InputContacts(int key) const override;
    // The 8-bit DAC: -3 V at code 0 in steps of 23.4375 mV.
    std::optional<DacReading> DacOutput(int key, int code) const override;
    // The MSEL pin's state.
    std::string MuxSelectText(int key) const override;
    // A value in 1e-16 F as whole picofarads and hundredths, rounded half up ("3.10 pF").
    static std::string PicofaradText(int value);
    // The MSEL and PC pins: values for the simulation, without cells.
    bool IsSimulationOnly(int key) const override { return key == kKeyZelBMselPin || key == kKeyZelBPcPin; }

protected:
    void BuildCells() override;
    void BuildSymbols() override;
};

}  // namespace kalidor
