// JEDEC fuse files: any text is parsed and imported into a design of the type the first byte
// chooses without harm; a design that imported a file exports a file that imports to the same
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
    // Imported again into the same design, the file changes no cell: it exports the same.
    if (ImportJedecText(exported, *device, *program, false) != 0)
        fuzz::Broken("an exported JEDEC file does not import", exported);
    std::string again;
    ComposeJedec(*device, *program, JedecDocumentInfo{}, again);
    if (again != exported)
        fuzz::Broken("a JEDEC round trip changed the cells", exported + "\n----\n" + again);
    return 0;
}
