// ZelC: four input amplifiers, two multiplying DACs, two output amplifiers and voltage
// references. 170 E2 cells, 84 symbol keys; no security cell (a flag is kept instead).
#pragma once

#include "device/DeviceConfig.h"

namespace kalidor {

// The levels of the two voltage references by their symbol value, as the schematic and the level
// chooser write them, and in millivolts; and the two auto-calibration levels.
extern const char* const kZelCRefLevelTexts[7];
extern const int kZelCRefMillivolts[7];
extern const char* const kZelCCalLevelTexts[2];

class ZelCConfig : public DeviceConfig {
public:
    ZelCConfig();
    int GetCellFuse(int position) const override;
    void SetSymValue(int symKey, int value) override;
    int GainPolarityKey(int gainKey) const override;
    // Every input selection lists the same contacts.
    std::span<const InputContact> InputContacts(int key) const override;
    // A multiplying DAC: with the reference as its input, -r .. r in steps of r/128 (mV); with
    // another input a fraction of it, -100 % .. 100 % in steps of 1/128.
    std::optional<DacReading> DacOutput(int key, int code) const override;
    int DacReferenceMillivolts(int key) const override;
    // The MSELA and MSELB pin states, with the input of IA1 (IA4) each one selects.
    std::string MuxSelectText(int key) const override;
    // The MSELA and MSELB pin states take values without records.
    bool IsSimulationOnly(int key) const override;
    // The frequency in hertz listed with capacitor sorted index `sorted`, or -1.
    double GetCapFrequency(int sorted) const;

protected:
    void BuildCells() override;
    void BuildSymbols() override;
    void BuildValueTables() override;
};

}  // namespace kalidor
