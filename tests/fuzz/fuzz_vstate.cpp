// Virtual device state files: any text is read by a virtual device of the type the first byte
// chooses without harm; a text that is taken leaves a device whose IDCODE and registers still work
// over the cable.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    if (size == 0)
        return 0;
    static const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};
    const std::string type = kTypes[data[0] % 5];
    std::unique_ptr<CVirtualTapPort> port = CreateVirtualTapPort(std::string("virtual:") + type, "");
    CVirtualZelDevice* device = port->Cable().ZelDevice(0);
    if (!device->ReadStateText(fuzz::Text(data + 1, size - 1)))
        return 0;
    CTapSvfInterpreter svf;
    svf.AttachPort(port.get(), 0);
    const SvfRunReport report = ExecuteSvfText(svf, "TRST ON;\nSIR 6 TDI (3F);\nSDR 32 TDI (00000000);\n");
    if (report.stopped)
        fuzz::Broken("a plain IDCODE run stopped");
    CJtagBits bits;
    for (const char* reg : {"USR", "DAC", "CFG", "UES", "USRA", "USRB", "MAN", "CAL"})
        device->GetE2(reg, bits);
    return 0;
}
