// A symbol edit of a design as automation and the symbol dialogs make it, without any window: the
// edit itself, the step of the undo history it records (the design's state before and after it)
// and the value texts refreshed. The automation round trip over the bus (bench/automation.sh)
// contains one of these per SetSymValue.
#include <benchmark/benchmark.h>

#include "document/SchDoc.h"
#include "platform/Paths.h"

using namespace kalidor;

namespace {

void NewDesign(CSchDoc& doc, const char* type)
{
    SetProgramDirectory(KALIDOR_BIN_DIR);
    doc.OnNewDocument(type);
}

void SymbolEdit(benchmark::State& state)
{
    CSchDoc doc;
    NewDesign(doc, "ZelA");
    int i = 0;
    for (auto _ : state)
        doc.SetSymValue(6, ++i & 127);  // the capacitor of block 1
    state.counters["steps"] = doc.History().Count();
}
BENCHMARK(SymbolEdit)->Unit(benchmark::kMicrosecond);

void QuietSymbolEdit(benchmark::State& state)
{
    CSchDoc doc;
    NewDesign(doc, "ZelA");
    int i = 0;
    for (auto _ : state)
        doc.SetValue(6, ++i & 127);
}
BENCHMARK(QuietSymbolEdit)->Unit(benchmark::kMicrosecond);

void CaptureDesignState(benchmark::State& state)
{
    CSchDoc doc;
    NewDesign(doc, "ZelA");
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.CaptureState());
}
BENCHMARK(CaptureDesignState)->Unit(benchmark::kMicrosecond);

}  // namespace
