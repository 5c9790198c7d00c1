#include "jtag/VerifyReport.h"

#include <algorithm>
#include <memory>

#include "device/DeviceConfig.h"
#include "jtag/JtagRegProgram.h"

namespace kalidor {

CVerifyReport BuildVerifyReport(const DeviceConfig& design, CJtagRegProgram& program,
                                const std::vector<CRegisterMismatch>& mismatched)
{
    CVerifyReport report;
    std::unique_ptr<DeviceConfig> device = CopyDeviceConfig(design);
    for (const CRegisterMismatch& m : mismatched) {
        const std::string regName = program.RegName(m.reg);
        const int n = std::max(m.expected.Count(), m.read.Count());
        for (int bit = 0; bit < n; ++bit) {
            const int want = m.expected.GetBit(bit), got = m.read.GetBit(bit);
            if (want == got)
                continue;
            CRegisterBitDifference d;
            d.reg = m.reg;
            d.regName = regName;
            d.bit = bit;
            d.cell = program.CellOfBit(m.reg, bit);
            d.cellName = d.cell >= 0 ? design.GetCellName(d.cell) : std::string();
            d.design = want;
            d.device = got;
            // Only the bits that differ are taken from the read: the rest of the device is as
            // the design has it, so a setting differs exactly when one of its bits does.
            if (d.cell >= 0 && got >= 0)
                device->E2_SetValue(d.cell, got);
            report.bits.push_back(std::move(d));
        }
    }
    report.symbols = SymbolDifferences(design, *device);
    return report;
}

namespace {

std::string Bit(int v) { return v < 0 ? "-" : std::to_string(v); }

}  // namespace

std::string FormatVerifyReport(const CVerifyReport& report)
{
    if (report.Empty())
        return std::string(kVerifyDetailsNone) + "\n";
    std::string out;
    if (!report.symbols.empty()) {
        out += "Symbol\tDesign\tDevice\n";
        for (const CSymbolDifference& s : report.symbols)
            out += s.name + "\t" + s.beforeText + "\t" + s.afterText + "\n";
    }
    if (!report.bits.empty()) {
        if (!out.empty())
            out += "\n";
        out += "Register\tBit\tCell\tDesign\tDevice\n";
        for (const CRegisterBitDifference& b : report.bits)
            out += b.regName + "\t" + std::to_string(b.bit) + "\t" + (b.cell >= 0 ? b.cellName : "(fixed)") + "\t" +
                   Bit(b.design) + "\t" + Bit(b.device) + "\n";
    }
    return out;
}

std::string FormatUploadReport(const std::string& deviceType, const std::string& cableName,
                               const std::vector<CSymbolDifference>& changes, std::size_t maxLines)
{
    std::string out = "Upload complete: the " + deviceType + " on " + cableName + " was read into the schematic.\n";
    if (changes.empty())
        return out + "No setting changed: the schematic already held what the device holds.";
    out += std::to_string(changes.size()) + (changes.size() == 1 ? " setting" : " settings") + " changed:";
    for (std::size_t i = 0; i < changes.size() && i < maxLines; ++i)
        out += "\n" + changes[i].name + ": " + changes[i].beforeText + " -> " + changes[i].afterText;
    if (changes.size() > maxLines)
        out += "\n... and " + std::to_string(changes.size() - maxLines) + " more";
    return out;
}

}  // namespace kalidor
