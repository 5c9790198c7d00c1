#include "jtag/cables/MpsseBackends.h"

#include <cctype>

#include "jtag/JtagText.h"
#include "jtag/cables/VirtualCable.h"

namespace kalidor {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace

std::unique_ptr<CJtagCable> CreateFtdiCable(std::string_view text, std::string* error)
{
    CMpsseSettings settings;
    std::string message;
    if (!ParseMpsseSettings(text, settings, message)) {
        if (error) *error = message;
        return nullptr;
    }
    return std::make_unique<CMpsseCable>(CreateUsbFtdiLink(), settings);
}

bool IsVirtualFtdiDescription(std::string_view text)
{
    return StartsWithNoCase(Trim(text), kVirtualFtdiPrefix);
}

std::string VirtualChainOfCable(std::string_view text)
{
    text = Trim(text);
    if (IsVirtualFtdiDescription(text))
        return kVirtualPrefix + std::string(text.substr(std::string_view(kVirtualFtdiPrefix).size()));
    if (IsVirtualChainDescription(text)) return std::string(text);
    return {};
}

CVirtualFtdiCable CreateVirtualFtdiCable(std::string_view description, const std::string& stateDir,
                                         std::string* error, CFtdiChip chip, std::string_view layout)
{
    CVirtualFtdiCable out;
    CMpsseSettings settings;
    std::string message;
    if (!ParseMpsseSettings(layout, settings, message)) {
        if (error) *error = message;
        return out;
    }
    const std::string chain = VirtualChainOfCable(description);
    auto link = std::make_unique<CSimulatedFtdiLink>(chip, settings);
    if (!link->Chain().BuildChain(chain.empty() ? std::string(description) : chain, stateDir, message)) {
        if (error) *error = message;
        return out;
    }
    std::string name = std::string(kVirtualFtdiNamePrefix) + FtdiChipName(chip) + ", devices: ";
    for (std::size_t i = 0; i < link->Chain().DeviceCount(); ++i)
        name += (i ? ", " : "") + link->Chain().Device(i)->TypeName();
    name += ")";
    out.link = link.get();
    out.cable = std::make_unique<CMpsseCable>(std::move(link), settings, name);
    return out;
}

}  // namespace kalidor
