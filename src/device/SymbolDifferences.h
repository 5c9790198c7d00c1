// How two models of one device type differ, symbol by symbol, as an engineer reads a design: the
// symbol's name and its value text in each. Verify uses it to say which settings of the device
// differ from the design, Upload to say which settings the read changed.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kalidor {

class DeviceConfig;

struct CSymbolDifference {
    int key = -1;
    std::string name;       // the symbol's full name on the schematic, else its record name
    int before = 0;         // the value in the first model
    int after = 0;          // the value in the second
    std::string beforeText;  // the value as the schematic writes it (the number when it writes none)
    std::string afterText;
};

// A model of the same device type holding every cell, the security setting and the values of the
// symbols kept without cells of `source`.
std::unique_ptr<DeviceConfig> CopyDeviceConfig(const DeviceConfig& source);

// The symbols whose value or value text differ between `a` and `b` (same device type), by
// ascending key; empty when the types differ.
std::vector<CSymbolDifference> SymbolDifferences(const DeviceConfig& a, const DeviceConfig& b);

// The value text of symbol `key` on one line ("Code:  80h, 2.5000V"), or its number when the
// schematic writes none.
std::string SymbolValueText(const DeviceConfig& config, int key);

}  // namespace kalidor
