// JEDEC fuse files: any text is parsed and imported into a design of the type the first byte
// chooses without harm; a file that imports, exported again and imported again gives the same
// cells.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "device/DeviceConfig.h"
#include "document/Jedec.h"
#include "jtag/JtagRegProgram.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    if (size == 0)
        return 0;
    const std::string type = kDeviceTypeNames[data[0] % 5];
    const std::string text = fuzz::Text(data + 1, size - 1);

    CJedecImage image;
    if (image.Parse(text))
        (void)image.Format("x");

    std::unique_ptr<DeviceConfig> device = CreateDeviceConfig(type);
    std::unique_ptr<CJtagRegProgram> program = CreateRegProgram(type);
    program->SetDevice(device.get());
    if (ImportJedecText(text, *device, *program) != 0)
        return 0;
    std::string exported;
    if (!ComposeJedec(*device, *program, JedecDocumentInfo{}, exported))
        fuzz::Broken("an imported design does not export");
    std::unique_ptr<DeviceConfig> back = CreateDeviceConfig(type);
    program->SetDevice(back.get());
    if (ImportJedecText(exported, *back, *program, false) != 0)
        fuzz::Broken("an exported JEDEC file does not import", exported);
    // The cells the JEDEC fuses carry.
    const int fuses = program->GetRegLength(-5);
    for (int i = 0; i < fuses && i < device->GetCellCount(); ++i)
        if (back->E2_GetValue(i) != device->E2_GetValue(i))
            fuzz::Broken("a JEDEC round trip changed a cell", exported);
    return 0;
}
