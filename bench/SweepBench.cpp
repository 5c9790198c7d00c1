// Sweep speed of every device model: a full run (set-up, every frequency, the point list)
// as the Run Simulator command makes it, 500 points per decade. The counter "per_point" is the
// time per frequency point.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"
#include "sim/Sweep.h"

using namespace kalidor;

namespace {

// A design of each type with a live signal path through several stages.
void Configure(DeviceConfig& d, const std::string& type)
{
    if (type == "ZelA") {
        d.SetSymValue(9, 1);    // XT: IN1
        d.SetSymValue(10, 5);   // XT: OUT4 (a loop through all four blocks)
        d.SetSymValue(20, 3);   // XB: OUT1
        d.SetSymValue(31, 5);   // YT: OUT2
        d.SetSymValue(42, 3);   // YB: OUT3
        SetGainValue(d, 5, -1);
        d.SetSymValue(6, 40);
        d.SetSymValue(17, 60);
    } else if (type == "ZelB") {
        d.SetSymValue(9, 1);
        d.SetSymValue(21, 3);
        d.SetSymValue(18, 50);
    } else if (type == "ZelC") {
        d.SetSymValue(13, 1);   // IA1: IN1 -> node 1
        d.SetSymValue(11, 5);   // IA2: OUT1 -> node 2
        d.SetSymValue(21, 1);
        SetGainValue(d, 4, 3);
    } else {
        const int codes[7] = {900, 150, 300, 400, 60, 120, 300};
        for (int e = 0; e < 7; ++e)
            d.SetSymValue(e, codes[e]);
    }
}

// Arguments: device index (ZelA..ZelE), decades from 10 Hz, simulator option.
void BM_Sweep(benchmark::State& state)
{
    const std::string type = kDeviceTypeNames[state.range(0)];
    auto device = CreateDeviceConfig(type);
    Configure(*device, type);
    auto sim = CreateSimulator(type, *device);
    CSimulationSetup setup(*device);
    CurveSetting& c = setup.Curve(0);
    c.startFrequency = 10;
    c.stopFrequency = state.range(1) == 6 ? 10000000 : 10000;
    c.pointsPerDecade = 500;
    c.outputNode = type == "ZelC" ? 2 : type == "ZelA" ? 4 : type == "ZelB" ? 2 : 1;
    setup.SetSimulatorOption(static_cast<int>(state.range(2)));

    std::size_t points = 0;
    for (auto _ : state) {
        CCurveLists curves;
        if (RunSweep(*sim, setup, curves, 0) != 1) {
            state.SkipWithError("sweep failed");
            break;
        }
        points = curves.Points(0).size();
        benchmark::DoNotOptimize(curves.Points(0).data());
    }
    state.SetLabel(type + (state.range(2) ? " option 1" : "") + ", " + std::to_string(points) + " points");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(points));
    state.counters["per_point"] = benchmark::Counter(static_cast<double>(points),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

}  // namespace

// 10 Hz - 10 kHz (1501 points) and 10 Hz - 10 MHz (3001 points) for every type; ZelD/ZelE in
// both formulations.
BENCHMARK(BM_Sweep)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {3, 6}, {0}})
    ->Args({3, 3, 1})
    ->Args({3, 6, 1})
    ->Args({4, 6, 1})
    ->Unit(benchmark::kMicrosecond);
