// Redrawing the plot window: four curves of 1500 points each, drawn through a painter that
// does nothing, so that the figure is the cost of the plot's own drawing (mapping, clipping,
// grid, labels, legend) without a device. Budget: well under 20 ms a redraw.
#include <benchmark/benchmark.h>

#include <cmath>

#include "sim/Plot.h"
#include "sim/PlotPainter.h"
#include "sim/PlotWindowState.h"

using namespace kalidor;

namespace {

class NullPainter : public Painter {
public:
    long long calls = 0;
    void SetPen(int) override {}
    void SetBrush(int) override {}
    void SetTextColor(int) override {}
    void Line(LogPoint, LogPoint) override { ++calls; }
    void Polyline(const LogPoint* p, std::size_t n) override { calls += static_cast<long long>(n) + (p ? 0 : 1); }
    void Polygon(const LogPoint*, std::size_t n) override { calls += static_cast<long long>(n); }
    void Ellipse(const LogRect&) override { ++calls; }
    void Rectangle(const LogRect&) override { ++calls; }
    void Text(LogPoint, std::string_view s, int) override { calls += static_cast<long long>(s.size()); }
    void TextInRect(const LogRect&, std::string_view s, int) override { calls += static_cast<long long>(s.size()); }
};

// Four resonant low passes, 1500 points each from 10 Hz to 10 MHz.
void Fill(CPlot& plot)
{
    for (int c = 0; c < 4; ++c) {
        const double corner = 1000.0 * std::pow(4.0, c);
        for (int i = 0; i < 1500; ++i) {
            const double f = 10.0 * std::pow(10.0, 6.0 * i / 1499.0);
            const double r = f / corner;
            const double re = 1 - r * r, im = r / 2;
            plot.AppendPoint(c, {f, -10.0 * std::log10(re * re + im * im), -std::atan2(im, re) * 180.0 / M_PI});
        }
        plot.Setup().Curve(c).valid = 1;
    }
    plot.RecomputeLimits();
}

void Redraw(benchmark::State& state, bool zoomed, bool dataPoints)
{
    CSimulationSetup setup;
    CPlot plot(setup);
    Fill(plot);
    CPlotWindowState window(plot);
    window.ZoomAll();
    if (zoomed)
        for (int i = 0; i < 4; ++i)
            window.ZoomIn();  // most segments are clipped
    window.SetDataPoints(dataPoints);
    plot.SetCrosshair(1);
    window.SetCrosshairX(4000);
    CPlotPainter pp(plot, window, 1);
    NullPainter painter;
    for (auto _ : state) {
        pp.DrawWindow(painter, {0, 900, 1200, 0});
        benchmark::DoNotOptimize(painter.calls);
    }
    state.counters["points"] = 4 * 1500;
}

void BM_PlotRedrawFourCurves(benchmark::State& s) { Redraw(s, false, false); }
void BM_PlotRedrawZoomedIn(benchmark::State& s) { Redraw(s, true, false); }
void BM_PlotRedrawWithDataPoints(benchmark::State& s) { Redraw(s, false, true); }

}  // namespace

BENCHMARK(BM_PlotRedrawFourCurves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotRedrawZoomedIn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotRedrawWithDataPoints)->Unit(benchmark::kMillisecond);
