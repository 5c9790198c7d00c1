// Gain/phase data import: any text imports without harm, and what an import brought, exported
// and imported again, is the same number of points (no point is lost on a round trip).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "device/DeviceConfig.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    static std::unique_ptr<DeviceConfig> device = CreateDeviceConfig("ZelA");
    CSimulationSetup setup(*device);
    CPlot plot(setup);
    const int first = plot.ImportText(fuzz::Text(data, size));
    if (first <= 0)
        return 0;
    for (int choice = 0; choice < 4; ++choice) {
        const std::string exported = plot.ExportText(choice);
        CPlot again(setup);
        const int second = again.ImportText(exported);
        if (second != first)
            fuzz::Broken("a gain/phase round trip lost points", exported);
    }
    plot.RecomputeLimits();
    return 0;
}
