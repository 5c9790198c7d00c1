// ZelB: two analog blocks (XT, XB), two comparators with window logic and an 8-bit DAC.
// 165 E2 cells, 70 symbol keys.
#pragma once

#include "device/ZelAConfig.h"

namespace kalidor {

class ZelBConfig : public ZelABConfigBase {
public:
    ZelBConfig();
    int GetCapText(int which, int code, int format, std::string& text) override;
    int GetCellFuse(int position) override;
    // A value in 1e-16 F as whole picofarads and hundredths, rounded half up ("3.10 pF").
    static std::string PicofaradText(int value);
    bool IsSimulationOnly(int key) const override { return key == kKeyMselPin || key == kKeyPcPin; }

    // The MSEL and PC pins: values for the simulation, without cells.
    static constexpr int kKeyMselPin = 56;
    static constexpr int kKeyPcPin = 57;

protected:
    void BuildCells() override;
    void BuildSymbols() override;
};

}  // namespace kalidor
