#include "jtag/TapPortFactory.h"

#include "jtag/DirectIoTapPort.h"
#include "jtag/PpdevTapPort.h"
#include "jtag/VirtualCable.h"

namespace kalidor {

std::unique_ptr<CJTAGTapPort> CreateTapPort(std::string_view spec, const std::string& stateDir, std::string* error)
{
    while (!spec.empty() && spec.front() == ' ') spec.remove_prefix(1);
    while (!spec.empty() && spec.back() == ' ') spec.remove_suffix(1);
    if (IsVirtualChainDescription(spec)) {
        std::unique_ptr<CVirtualTapPort> port = CreateVirtualTapPort(spec, stateDir, error);
        return port;
    }
    if (spec == "direct") return std::make_unique<CDirectIoTapPort>();
    if (spec == "ppdev") return std::make_unique<CPpdevTapPort>();
    if (spec.substr(0, 6) == "ppdev:" && spec.size() > 6)
        return std::make_unique<CPpdevTapPort>(std::string(spec.substr(6)));
    if (error)
        *error = "Unknown JTAG port \"" + std::string(spec) +
                 "\" (use direct, ppdev, ppdev:/dev/parportN or virtual:DEVICES).";
    return nullptr;
}

}  // namespace kalidor
