#include "jtag/JtagUiModel.h"

#include "jtag/JtagRegProgram.h"

namespace kalidor {

namespace {

std::string WithBits(const std::string& value, const std::string& bits)
{
    if (bits.empty()) return value;
    return value + "  (" + bits + ")";
}

}  // namespace

CIdcodeDisplay IdcodeDisplay(const CIdcodeFields& f)
{
    CIdcodeDisplay d;
    d.undecoded = f.text;
    d.manufacturer = WithBits(f.makerName.empty() ? kIdcodeUnknown : f.makerName, f.manufacturer);
    d.partNumber = WithBits(f.deviceType.empty() ? kIdcodeUnknown : f.deviceType, f.partNumber);
    if (f.version.size() == 4) {
        int v = 0;
        for (char c : f.version) v = v * 2 + (c == '1' ? 1 : 0);
        d.version = WithBits(std::to_string(v), f.version);
    } else {
        d.version = kIdcodeUnknown;
    }
    return d;
}

std::string CJtagRegisterEntry::Label() const
{
    std::string s = std::to_string(number) + "  " + name;
    if (length > 0) s += "  (" + std::to_string(length) + (length == 1 ? " bit)" : " bits)");
    return s;
}

std::vector<CJtagRegisterEntry> JtagRegisterList(CJtagRegProgram& program)
{
    std::vector<CJtagRegisterEntry> list;
    const int count = program.GetRegCount();
    for (int r = 0; r < count && r < 64; ++r) {
        CJtagRegisterEntry e;
        e.number = r;
        e.name = program.RegName(r);
        e.length = program.GetRegLength(r);
        list.push_back(std::move(e));
    }
    return list;
}

std::string RegisterResultText(CRegisterOperation op, const std::string& name, JtagResult result)
{
    if (result == kJtagRunStopped) return name + ": the operation was not carried out.";
    switch (op) {
    case CRegisterOperation::Write:
        return result == kJtagVerifyDiffers ? name + " written; the check after programming failed."
                                            : name + " written.";
    case CRegisterOperation::Read:
        return result == kJtagAllOnes ? name + " read: all ones (device probably secured)." : name + " read.";
    case CRegisterOperation::Upload:
        return result == kJtagAllOnes ? name + " uploaded: all ones (device probably secured)."
                                      : name + " uploaded into the schematic.";
    case CRegisterOperation::Verify:
        if (result == kJtagVerifyEqual) return name + ": device equals schematic.";
        if (result == kJtagVerifyDiffers) return name + ": device differs from schematic.";
        if (result == kJtagAllOnes) return name + ": read returned all ones.";
        return name + ": verify result " + std::to_string(JtagResultCode(result)) + ".";
    case CRegisterOperation::Erase:
        return name + " erased.";
    }
    return {};
}

std::string ProgressLabel(const std::string& operation, const std::string& deviceType)
{
    std::string verb;
    if (operation == "Download") verb = "Downloading the " + deviceType + " design to the device";
    else if (operation == "Upload") verb = "Reading the " + deviceType + " device configuration";
    else if (operation == "Verify") verb = "Verifying the " + deviceType + " device against the schematic";
    else if (operation == "AutoCal") verb = "Calibrating the " + deviceType + " device";
    else if (operation == "IDCODE") verb = "Reading the IDCODE";
    else verb = "Working on the " + deviceType + " device";
    return verb + "...";
}

}  // namespace kalidor
