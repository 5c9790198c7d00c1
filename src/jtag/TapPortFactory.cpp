#include "jtag/TapPortFactory.h"

#include "jtag/DirectIoTapPort.h"
#include "jtag/JtagBits.h"
#include "jtag/PpdevTapPort.h"
#include "jtag/VirtualCable.h"

namespace kalidor {

namespace {

std::string_view TrimSpec(std::string_view spec)
{
    while (!spec.empty() && spec.front() == ' ') spec.remove_prefix(1);
    while (!spec.empty() && spec.back() == ' ') spec.remove_suffix(1);
    return spec;
}

// "0x378", "378h" or "378" (hexadecimal), 1..0xFFFF; -1 otherwise.
int ParseAddress(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'h' || text.back() == 'H')) text.remove_suffix(1);
    if (text.empty() || text.size() > 4) return -1;
    int v = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v > 0 ? v : -1;
}

}  // namespace

bool TapPortAddress(std::string_view spec, int& number, int& dataPort, int& statusPort)
{
    spec = TrimSpec(spec);
    number = 1;
    dataPort = kStdDataPorts[1];
    statusPort = kStdStatusPorts[1];
    if (spec.substr(0, 7) != "direct:") return true;
    const int address = ParseAddress(spec.substr(7));
    if (address < 0 || address > 0xFFFE) return false;
    for (int i = 0; i < 3; ++i) {
        if (kStdDataPorts[i] == address) {
            number = i;
            dataPort = kStdDataPorts[i];
            statusPort = kStdStatusPorts[i];
            return true;
        }
    }
    number = 3;
    dataPort = address;
    statusPort = address + 1;
    return true;
}

void ApplyTapPortAddress(CJTAGTapPort& port, std::string_view spec)
{
    int number = 1, data = 0, status = 0;
    if (!TapPortAddress(spec, number, data, status)) return;
    port.SetPort(number, data, status);
}

std::unique_ptr<CJTAGTapPort> CreateTapPort(std::string_view spec, const std::string& stateDir, std::string* error)
{
    spec = TrimSpec(spec);
    if (IsVirtualChainDescription(spec)) {
        std::unique_ptr<CVirtualTapPort> port = CreateVirtualTapPort(spec, stateDir, error);
        return port;
    }
    if (spec == "direct") return std::make_unique<CDirectIoTapPort>();
    if (spec.substr(0, 7) == "direct:") {
        int number = 0, data = 0, status = 0;
        if (TapPortAddress(spec, number, data, status)) return std::make_unique<CDirectIoTapPort>();
        if (error)
            *error = "Bad parallel port address \"" + std::string(spec.substr(7)) +
                     "\" (use a hexadecimal address such as 0x378).";
        return nullptr;
    }
    if (spec == "ppdev") return std::make_unique<CPpdevTapPort>();
    if (spec.substr(0, 6) == "ppdev:" && spec.size() > 6)
        return std::make_unique<CPpdevTapPort>(std::string(spec.substr(6)));
    if (error)
        *error = "Unknown JTAG port \"" + std::string(spec) +
                 "\" (use direct, direct:ADDR, ppdev, ppdev:/dev/parportN or virtual:DEVICES).";
    return nullptr;
}

}  // namespace kalidor
