// The schematic of one device type: creates the symbols of the device (keys, labels, full names,
// dialog types, netlist names) and computes their value texts from the device model. ZelA and
// ZelB take their layout from the support file "<type>_Schematic.XML"; ZelC, ZelD and ZelE are
// laid out in code.
#pragma once

#include <memory>
#include <string>

#include "view/Schematic.h"

namespace kalidor {

class DeviceConfig;

class CDeviceSchematic : public CSchematic {
public:
    // The schematic of a device type name, built; nullptr for an unknown name.
    static std::unique_ptr<CDeviceSchematic> Create(const std::string& deviceType);

    const std::string& DeviceType() const { return m_deviceType; }
    // True when the layout is read from the device schematic support file.
    bool UsesSupportFile() const { return m_deviceType == "ZelA" || m_deviceType == "ZelB"; }

    // Recomputes the value text (and the short text, kept as the symbol's auxiliary text) of
    // symbol `key` from the model; false when the slot is empty.
    bool RefreshValueText(DeviceConfig& config, int key);

protected:
    explicit CDeviceSchematic(std::string deviceType);
    // Creates every symbol with its label, full name and dialog type, then lays them out.
    virtual void Build();
    // Places symbols, drawn elements and hit rectangles (the device types drawn in code).
    virtual void Layout() {}

    std::string m_deviceType;
};

}  // namespace kalidor
