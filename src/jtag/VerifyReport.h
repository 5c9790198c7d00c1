// What a failed verification found, as programming tools show it beside "Device differs from
// schematic": the settings of the design that the device holds otherwise (symbol, value in the
// design, value read back) and the register bits that differ (register, bit, E2 cell, design,
// device). And what an upload read: the settings it changed in the design.
#pragma once

#include <string>
#include <vector>

#include "device/SymbolDifferences.h"
#include "jtag/JtagDevice.h"

namespace kalidor {

class CJtagRegProgram;
class DeviceConfig;

struct CRegisterBitDifference {
    int reg = 0;
    std::string regName;   // "USR", "CFG", "USRB"
    int bit = 0;           // position in the register, bit 0 shifted first
    int cell = -1;         // the E2 cell holding it, -1 for a fixed bit
    std::string cellName;  // "" for a fixed bit
    int design = 0;        // the bit the design gives
    int device = 0;        // the bit read back
};

struct CVerifyReport {
    // before = the design, after = the device.
    std::vector<CSymbolDifference> symbols;
    std::vector<CRegisterBitDifference> bits;
    bool Empty() const { return symbols.empty() && bits.empty(); }
};

// The report of the read-backs that differed, for the design `design` and its register program
// (whose device is `design`). The device's settings are the design's with the differing bits as
// read back.
CVerifyReport BuildVerifyReport(const DeviceConfig& design, CJtagRegProgram& program,
                                const std::vector<CRegisterMismatch>& mismatched);

inline constexpr const char* kVerifyDetailsNone =
    "No register read back differently: a comparison inside the programming run failed.";

// The report as text: a line per symbol "name<TAB>design<TAB>device" under "Symbol / Design /
// Device", then a line per bit "register<TAB>bit<TAB>cell<TAB>design<TAB>device"; kVerifyDetailsNone
// when it is empty.
std::string FormatVerifyReport(const CVerifyReport& report);

// What an upload read, for the user: the device, the cable and the settings it changed (at most
// `maxLines` of them, then how many more).
std::string FormatUploadReport(const std::string& deviceType, const std::string& cableName,
                               const std::vector<CSymbolDifference>& changes, std::size_t maxLines = 20);

}  // namespace kalidor
