// Settings files (KALIDOR.INI and the settings of kalidor-cli): any text is read without harm, the
// entries read, written as an INI text and read again, are the same, and the JTAG interface
// settings taken from them (with the virtual cable's description) make a port or say why not.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "jtag/JtagInterface.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Settings.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySettings first;
    ReadIniText(fuzz::Text(data, size), first);
    (void)first.GetInt("JtagConfig", "PortID", 1);
    const std::string written = IniText(first);
    MemorySettings second;
    ReadIniText(written, second);
    if (second.Entries() != first.Entries())
        fuzz::Broken("settings read back differently", written);

    fuzz::Quiet();
    const CJtagInterfaceSettings jtag = CJtagInterfaceSettings::Read(first);
    std::string error;
    if (jtag.tapPortClass == kTapPortVirtual)
        (void)CreateTapPort(jtag.PortSpec(), "", &error);
    for (const auto& [key, value] : first.Entries()) {
        std::vector<VirtualChainItem> items;
        VirtualCableFaults faults;
        ParseVirtualChain(value, items, error);
        ParseVirtualCableFaults(value, faults, error);
    }
    return 0;
}
