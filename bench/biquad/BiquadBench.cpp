// A whole Generate Schematic of the biquad generator, through the session bus into the running
// Kalidor's active ZelA schematic: without optimisation, optimising FO, optimising Q. Run it
// through bench/biquad.sh, which gives it a bus and a Kalidor of its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <benchmark/benchmark.h>
#include <cstdio>

#include "biquad/KalidorBus.h"

namespace {

std::unique_ptr<biquad::CKalidorBusDocument> g_doc;

void GenerateSchematic(benchmark::State& state, biquad::Optimize optimize)
{
    int passes = 0;
    for (auto _ : state) {
        biquad::BiquadTexts texts;
        passes = biquad::GenerateSchematic(*g_doc, biquad::BlockPair::kLeft, optimize, texts).passes;
    }
    state.counters["passes"] = passes;
}

}  // namespace

BENCHMARK_CAPTURE(GenerateSchematic, None, biquad::Optimize::kNone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(GenerateSchematic, FO, biquad::Optimize::kFo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(GenerateSchematic, Q, biquad::Optimize::kQ)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString failure;
    g_doc = biquad::ConnectToActiveZelA(QDBusConnection::sessionBus(), &failure);
    if (!g_doc) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_doc.reset();
    return 0;
}
