#include "jtag/TapPortFactory.h"

#include "jtag/JtagBits.h"
#include "jtag/JtagText.h"
#include "jtag/cables/CableBackends.h"

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
    constexpr std::string_view kDirectPrefix = "direct:";
    if (!StartsWithNoCase(spec, kDirectPrefix)) return true;
    const int address = ParseAddress(spec.substr(kDirectPrefix.size()));
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

void ApplyTapPortAddress(CJtagCable& cable, std::string_view spec)
{
    CJTAGTapPort* port = cable.ParallelPort();
    int number = 1, data = 0, status = 0;
    if (!port || !TapPortAddress(spec, number, data, status)) return;
    port->SetPort(number, data, status);
}

std::unique_ptr<CJtagCable> CreateCable(std::string_view spec, const std::string& stateDir, std::string* error)
{
    spec = TrimSpec(spec);
    std::string message;
    std::unique_ptr<CJtagCable> cable;
    if (const CCableBackend* backend = CableBackendOf(spec)) cable = backend->create(spec, stateDir, &message);
    if (cable) return cable;
    if (message.empty()) message = "Unknown JTAG port \"" + std::string(spec) + "\" (use " + CableUsage() + ").";
    if (error) *error = message;
    return nullptr;
}

std::unique_ptr<CJTAGTapPort> CreateTapPort(std::string_view spec, const std::string& stateDir, std::string* error)
{
    std::unique_ptr<CJtagCable> cable = CreateCable(spec, stateDir, error);
    if (cable && cable->ParallelPort() == cable.get()) return std::unique_ptr<CJTAGTapPort>(cable.release()->ParallelPort());
    if (cable && error) *error = cable->GetName() + " is not a parallel port.";
    return nullptr;
}

}  // namespace kalidor
