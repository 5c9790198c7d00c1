// Device schematic support files (symbols, drawn elements, the interconnect): any text is read
// without harm, drawn, measured and written back; what is written reads again to the same text.
// The first byte chooses ZelA or ZelB.
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "device/DeviceConfig.h"
#include "view/DeviceSchematic.h"
#include "view/SvgPainter.h"
#include "view/ViewGeometry.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    if (size == 0)
        return 0;
    const std::string type = (data[0] & 1) ? "ZelB" : "ZelA";
    const std::string text = fuzz::Text(data + 1, size - 1);

    std::unique_ptr<CDeviceSchematic> schematic = CDeviceSchematic::Create(type);
    std::unique_ptr<DeviceConfig> device = CreateDeviceConfig(type);
    if (!schematic->ReadSupportFile(text))
        return 0;
    for (int key = 0; key < CSchematic::kSlotCount; ++key)
        schematic->RefreshValueText(*device, key);
    const ViewRect extent = SchematicExtent(*schematic);
    SvgPainter painter;
    painter.SetPageArea({static_cast<int>(extent.left), static_cast<int>(extent.top), static_cast<int>(extent.right),
                         static_cast<int>(extent.bottom)});
    schematic->DrawAll(painter);
    schematic->DrawHitAreas(painter);
    (void)painter.Document();
    (void)schematic->FindSymbolAt(static_cast<int>(extent.left), static_cast<int>(extent.top));

    const std::string first = schematic->WriteSupportFile();
    std::unique_ptr<CDeviceSchematic> again = CDeviceSchematic::Create(type);
    if (!again->ReadSupportFile(first))
        fuzz::Broken("a written support file does not read", first);
    const std::string second = again->WriteSupportFile();
    if (second != first)
        fuzz::Broken("a written support file reads back differently", first + "\n----\n" + second);
    return 0;
}
