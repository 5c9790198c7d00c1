// ZelC: four input amplifiers, two multiplying DACs, two output amplifiers and voltage
// references. 170 E2 cells, 84 symbol keys; no security cell (a flag is kept instead).
#pragma once

#include "device/DeviceConfig.h"

namespace kalidor {

class ZelCConfig : public DeviceConfig {
public:
    ZelCConfig();
    int GetCellFuse(int position) override;
    void SetSymValue(int symKey, int value) override;
    bool IsSimulationOnly(int key) const override;

    // The input multiplexer pins MSEL1 and MSEL2: simulation-only states without a record.
    static constexpr int kKeyMuxPin1 = 33;
    static constexpr int kKeyMuxPin2 = 34;
    // The frequency in hertz listed with capacitor sorted index `sorted`, or -1.
    double GetCapFrequency(int sorted) const;

protected:
    void BuildCells() override;
    void BuildSymbols() override;
    void BuildValueTables() override;
};

}  // namespace kalidor
