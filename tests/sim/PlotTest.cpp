#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "../view/RecordingPainter.h"
#include "device/DeviceConfig.h"
#include "platform/Prompter.h"
#include "sim/Plot.h"
#include "sim/PlotPainter.h"
#include "sim/PlotWindowState.h"
#include "sim/Simulator.h"

using namespace kalidor;

namespace {

struct PlotFixture {
    CSimulationSetup setup;
    CPlot plot{setup};
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};

    // A curve of `n` points from `f0` Hz, a decade per 10 points, gain and phase falling.
    void Fill(int curve, int n = 31, double f0 = 10.0, double gain0 = 0.0)
    {
        plot.ClearCurve(curve);
        for (int i = 0; i < n; ++i)
            plot.AppendPoint(curve, {f0 * std::pow(10.0, i / 10.0), gain0 - i, -3.0 * i});
        setup.Curve(curve).valid = 1;
        plot.RecomputeLimits();
    }
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("kalidor_plot_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

}  // namespace

// ------------------------------------------------------------------ points and limits

TEST(PlotPoint, LogicalPositionsAndDump)
{
    CPltPoint p(1000.0, -3.0, -45.0);
    EXPECT_EQ(p.m_gainLogicalXY, (PltXY{3000, -150}));
    EXPECT_EQ(p.m_phaseLogicalXY, (PltXY{3000, -2250}));
    // Truncation toward zero, and values beyond the coordinate range are held at its limit.
    EXPECT_EQ(LogicalY(-0.999), -49);
    EXPECT_EQ(LogicalY(-1e9), -kPltCoordLimit);
    EXPECT_EQ(LogicalX(0.0), -kPltCoordLimit);
    EXPECT_EQ(LogicalY(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(FrequencyOfX(4000), 10000.0);

    const std::string d = p.Dump();
    EXPECT_NE(d.find("m_freq  = 1000.000000\r\nm_gain  = -3.000000\r\nm_phase = -45.000000\r\n"), std::string::npos);
    EXPECT_NE(d.find("m_gainLogicalXY  = (3000,-150)\r\nm_phaseLogicalXY  = (3000,-2250)\r\nm_bSelected = FALSE\r\n"),
              std::string::npos);
    EXPECT_EQ(d.rfind("this = 0x", 0), 0u);
}

TEST(Plot, LimitsCoverEveryCurveAndFollowDeletes)
{
    PlotFixture f;
    EXPECT_FALSE(f.plot.Limits().HasData());
    f.Fill(0, 11, 100.0, 0.0);   // 100 Hz .. 1 kHz, 0 .. -10 dB, 0 .. -30 deg
    f.Fill(2, 11, 10.0, 20.0);   // 10 Hz .. 100 Hz, 20 .. 10 dB
    const PlotLimits& l = f.plot.Limits();
    EXPECT_EQ(l.minX, 1000);
    EXPECT_EQ(l.maxX, 3000);
    EXPECT_EQ(l.minGainY, -500);
    EXPECT_EQ(l.maxGainY, 1000);
    EXPECT_EQ(l.minPhaseY, -1500);
    EXPECT_EQ(l.maxPhaseY, 0);

    // Deleting a curve that is not valid changes nothing.
    f.setup.Curve(2).valid = 0;
    EXPECT_EQ(f.plot.DeleteCurve(2), 0);
    EXPECT_EQ(f.plot.Points(2).size(), 11u);
    f.setup.Curve(2).valid = 1;
    EXPECT_EQ(f.plot.DeleteCurve(2), 1);
    EXPECT_TRUE(f.plot.Points(2).empty());
    EXPECT_EQ(f.setup.Curve(2).valid, 0);
    EXPECT_EQ(f.plot.Limits().minX, 2000);
    EXPECT_EQ(f.plot.Limits().maxGainY, 0);
    EXPECT_EQ(f.plot.DeleteCurve(7), 0);
    EXPECT_EQ(f.plot.DeleteCurve(-1), 0);

    f.plot.ClearAll();
    EXPECT_FALSE(f.plot.Limits().HasData());
    EXPECT_FALSE(f.plot.AnyValid());
}

TEST(Plot, FrequencyTicksRunFromOneHertzToOneGigahertz)
{
    const auto& t = CPlot::FrequencyTicks();
    ASSERT_EQ(t.size(), 82u);
    EXPECT_EQ(t.front(), (std::pair<int32_t, int32_t>{1, 0}));
    EXPECT_EQ(t[1], (std::pair<int32_t, int32_t>{2, 301}));
    EXPECT_EQ(t[9], (std::pair<int32_t, int32_t>{10, 1000}));
    EXPECT_EQ(t.back(), (std::pair<int32_t, int32_t>{1000000000, 9000}));
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end()));
}

TEST(Plot, ValueAtInterpolatesOnTheCurve)
{
    PlotFixture f;
    f.plot.AppendPoint(0, {100.0, 0.0, 0.0});
    f.plot.AppendPoint(0, {1000.0, -20.0, -90.0});
    int g = 0, p = 0;
    ASSERT_TRUE(f.plot.ValueAt(0, 2500, &g, &p));
    EXPECT_EQ(g, -500);
    EXPECT_EQ(p, -2250);
    ASSERT_TRUE(f.plot.ValueAt(0, 9000, &g, &p));  // beyond the end: the last point
    EXPECT_EQ(g, -1000);
    EXPECT_FALSE(f.plot.ValueAt(1, 2500, &g, &p));
}

// ------------------------------------------------------------------ read-out

TEST(PlotReadout, ShortFrequencyForm)
{
    EXPECT_EQ(ShortFrequencyText(1.5), "1.50");
    EXPECT_EQ(ShortFrequencyText(15.0), "15.0");
    EXPECT_EQ(ShortFrequencyText(150.7), "150");
    EXPECT_EQ(ShortFrequencyText(1500.0), "1.50K");
    EXPECT_EQ(ShortFrequencyText(10000.0), "10.0K");
    EXPECT_EQ(ShortFrequencyText(150900.0), "150K");
    EXPECT_EQ(ShortFrequencyText(1.5e6), "1.50M");
    EXPECT_EQ(ShortFrequencyText(15e6), "15.0M");
    EXPECT_EQ(ShortFrequencyText(150e6), "150M");
    EXPECT_EQ(ShortFrequencyText(2.5e9), "2.50G");
    EXPECT_EQ(ShortFrequencyText(0.5), "0.50");
}

TEST(PlotReadout, StatusAndCrosshairTexts)
{
    PlotFixture f;
    f.setup.SetActiveCurve(1);
    f.setup.Curve(1).outputNode = 3;
    f.setup.Curve(1).inputNode = 2;
    EXPECT_EQ(f.plot.CurveStatusText(), "Curve:2  Vout3/Vin2");

    // Hidden crosshair or an invalid curve: an empty read-out.
    EXPECT_EQ(f.plot.ReadoutText(4000, -150, -2250), "");
    f.plot.SetCrosshair(1);
    EXPECT_EQ(f.plot.ReadoutText(4000, -150, -2250), "");
    f.setup.Curve(1).valid = 1;
    EXPECT_EQ(f.plot.ReadoutText(4000, -150, -2250), "10.0KHz  -3.00dB  -45.00Deg");
}

// ------------------------------------------------------------------ export and import

TEST(PlotExport, HeaderLinesAndDelimiters)
{
    PlotFixture f;
    int count = -1;
    EXPECT_EQ(f.plot.ExportText(kDelimComma, &count), "");
    EXPECT_EQ(count, 0);
    const std::string path = TempPath("empty.csv");
    std::filesystem::remove(path);
    EXPECT_EQ(f.plot.ExportToFile(path, kDelimComma), 0);
    EXPECT_FALSE(std::filesystem::exists(path));

    f.setup.SetActiveCurve(1);
    f.plot.AppendPoint(1, {1000.0, -3.0, -45.0});
    f.plot.AppendPoint(1, {2000.5, 1.25, 10.0});
    EXPECT_EQ(f.plot.ExportText(kDelimTab, &count),
              "Curve_2_Frequency\tCurve_2_Gain\tCurve_2_Phase\r\n"
              "1000.000000\t-3.000000\t-45.000000\r\n"
              "2000.500000\t1.250000\t10.000000\r\n");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(f.plot.ExportText(kDelimSemicolon).substr(0, 49),
              "Curve_2_Frequency;Curve_2_Gain;Curve_2_Phase\r\n100");
    EXPECT_EQ(f.plot.ExportText(kDelimSpace).substr(0, 46), "Curve_2_Frequency Curve_2_Gain Curve_2_Phase\r\n");
    // Any other choice is a comma.
    EXPECT_EQ(f.plot.ExportText(17), f.plot.ExportText(kDelimComma));
    EXPECT_EQ(f.plot.ExportText(kDelimComma).substr(46, 33), "1000.000000,-3.000000,-45.000000\r");

    EXPECT_EQ(f.plot.ExportToFile(path, kDelimComma), 2);
    EXPECT_EQ(ReadAll(path), f.plot.ExportText(kDelimComma));
    std::filesystem::remove(path);

    EXPECT_EQ(f.plot.ExportToFile("/nonexistent-dir/x.csv", kDelimComma), -1);
    ASSERT_EQ(f.prompter.Texts().size(), 1u);
    EXPECT_EQ(f.prompter.Texts()[0], "File could not be opened");
    EXPECT_STREQ(kDelimiterChoiceTexts[2], "Delimited with Tab");
}

TEST(PlotExport, RoundTripOfEveryDelimiter)
{
    for (int d = 0; d < 4; ++d) {
        PlotFixture f;
        f.Fill(0, 25, 12.5, 3.0);
        const std::string text = f.plot.ExportText(d);
        f.setup.SetActiveCurve(3);
        int hint = 0;
        ASSERT_EQ(f.plot.ImportText(text, &hint), 25) << d;
        EXPECT_EQ(hint, 2);
        EXPECT_EQ(f.setup.Curve(3).valid, 1);
        for (std::size_t i = 0; i < 25; ++i) {
            EXPECT_NEAR(f.plot.Points(3)[i].m_freq, f.plot.Points(0)[i].m_freq, 1e-6) << d;
            EXPECT_NEAR(f.plot.Points(3)[i].m_gain, f.plot.Points(0)[i].m_gain, 1e-6);
            EXPECT_NEAR(f.plot.Points(3)[i].m_phase, f.plot.Points(0)[i].m_phase, 1e-6);
        }
        // The imported curve exports to the same lines under its own number.
        std::string again = f.plot.ExportText(d);
        const std::size_t body = again.find("\r\n");
        EXPECT_EQ(again.substr(body), text.substr(text.find("\r\n")));
    }
}

TEST(PlotImport, LinesNumbersAndHints)
{
    PlotFixture f;
    int hint = 0;
    EXPECT_EQ(f.plot.ImportText("Frequency,Gain,Phase\r\n1000,-3,-45", &hint), 1);
    EXPECT_EQ(hint, 3);
    ASSERT_EQ(f.plot.Points(0).size(), 1u);
    EXPECT_EQ(f.plot.Points(0)[0].m_freq, 1000.0);
    EXPECT_EQ(f.plot.Points(0)[0].m_gain, -3.0);
    EXPECT_EQ(f.plot.Points(0)[0].m_phase, -45.0);
    EXPECT_EQ(f.plot.Limits().minX, 3000);

    // CR-only and LF-only line ends, quotes, a blank line, a line of words, a line with one
    // number, a zero frequency, two numbers (phase 0), extra numbers and a leading plus.
    const std::string text =
        "header\r\"10\";\"1\";\"2\"\n\n\r\nwords here\r\n5\r\n0,1,1\r\n20 -6\r\n30,+1.5,2,99\r\n40,nan,1\r\n";
    EXPECT_EQ(f.plot.ImportText(text, &hint), 3);
    EXPECT_EQ(hint, 2);
    const auto& p = f.plot.Points(0);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].m_freq, 10.0);
    EXPECT_EQ(p[0].m_phase, 2.0);
    EXPECT_EQ(p[1].m_gain, -6.0);
    EXPECT_EQ(p[1].m_phase, 0.0);
    EXPECT_EQ(p[2].m_gain, 1.5);

    // A header alone leaves an empty curve that is not valid.
    EXPECT_EQ(f.plot.ImportText("Curve_1_Frequency,Curve_1_Gain,Curve_1_Phase\r\n"), 0);
    EXPECT_EQ(f.setup.Curve(0).valid, 0);
    EXPECT_TRUE(f.plot.Points(0).empty());

    EXPECT_EQ(f.plot.ImportFile("/nonexistent-dir/in.csv"), -1);
    EXPECT_EQ(f.prompter.Texts().back(), "File could not be opened");
}

// Only what the export can write back is imported: a frequency the six decimals would write as
// 0.000000 is refused, so no point vanishes on a round trip. Files are read bounded, and a folder
// or a device without end cannot be opened as plot data.
TEST(PlotImport, RoundTripKeepsEveryPointAndReadsFilesOnly)
{
    PlotFixture f;
    EXPECT_FALSE(CPlot::ExportableFrequency(0.0000004));
    EXPECT_FALSE(CPlot::ExportableFrequency(4.9999999999999998e-07));
    EXPECT_TRUE(CPlot::ExportableFrequency(0.0000005000001));
    EXPECT_TRUE(CPlot::ExportableFrequency(1e300));
    EXPECT_EQ(f.plot.ImportText("h\r\n1e-9,1,2\r\n0.0000004,1,2\r\n0.0000006,3,4\r\n1e300,5,6\r\n"), 2);
    const std::string exported = f.plot.ExportText(kDelimComma);
    EXPECT_NE(exported.find("\r\n0.000001,3.000000,4.000000\r\n"), std::string::npos) << exported;
    EXPECT_EQ(f.plot.ImportText(exported), 2);

    f.prompter.Clear();
    EXPECT_EQ(f.plot.ImportFile("/dev/zero"), -1);
    EXPECT_EQ(f.plot.ImportFile("/"), -1);
    EXPECT_EQ(f.prompter.Texts(), (std::vector<std::string>{"File could not be opened", "File could not be opened"}));
    EXPECT_EQ(f.plot.Points(0).size(), 2u);  // a refused file changes nothing
}

// ------------------------------------------------------------------ zoom

TEST(PlotZoom, ZoomAllFitsTheDataOrKeepsTheView)
{
    PlotFixture f;
    CPlotWindowState w(f.plot);
    const PlotMapping before = w.Mapping(0);

    // One point: no data width.
    f.plot.AppendPoint(0, {1000.0, -3.0, -45.0});
    f.setup.Curve(0).valid = 1;
    f.plot.RecomputeLimits();
    EXPECT_FALSE(w.ZoomAll());
    EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{
        "Zoom All cannot zoom-to-fit given data; instead it will zoom to limits of all possible data."});
    EXPECT_EQ(w.Mapping(0), before);
    EXPECT_FALSE(w.HasPrevious());

    // 10 Hz .. 10 kHz (x 1000..4000), 0 .. -30 dB (y -1500..0), phase 0 .. -90 (y -4500..0).
    f.prompter.Clear();
    f.Fill(0, 31, 10.0, 0.0);
    ASSERT_TRUE(w.ZoomAll());
    EXPECT_TRUE(f.prompter.Texts().empty());
    // width 3000 + 187 = 3187, origin 1000 - 99; height 1500 + 93 = 1593, origin -1500 - 49.
    EXPECT_EQ(w.Mapping(0), (PlotMapping{901, -1549, 3187, 1593}));
    EXPECT_EQ(w.Mapping(1), (PlotMapping{901, -4649, 3187, 4781}));
    EXPECT_TRUE(w.ZoomPrevious());
    EXPECT_EQ(w.Mapping(0), before);
    EXPECT_FALSE(w.ZoomPrevious());
}

TEST(PlotZoom, ZoomAllShowsAFlatCurveInABand)
{
    PlotFixture f;
    for (int i = 0; i <= 20; ++i)
        f.plot.AppendPoint(0, {100.0 * std::pow(10.0, i / 10.0), 40.0, -90.0});
    f.setup.Curve(0).valid = 1;
    f.plot.RecomputeLimits();
    CPlotWindowState w(f.plot);
    ASSERT_TRUE(w.ZoomAll());
    EXPECT_TRUE(f.prompter.Texts().empty());
    for (int pane = 0; pane < 2; ++pane) {
        const PlotMapping& m = w.Mapping(pane);
        const int y = pane == 0 ? 2000 : -4500;
        EXPECT_LT(m.originY, y) << pane;
        EXPECT_GT(m.Top(), y) << pane;
        EXPECT_EQ(m.extentY, 531) << pane;  // 500 + 500/16
    }
}

TEST(PlotZoom, ZoomInStepsAndLimits)
{
    PlotFixture f;
    f.Fill(0, 31, 10.0, 0.0);
    CPlotWindowState w(f.plot);
    ASSERT_TRUE(w.ZoomAll());
    const PlotMapping all = w.Mapping(0);

    ASSERT_TRUE(w.ZoomIn());
    const PlotMapping in = w.Mapping(0);
    EXPECT_EQ(in.extentX, all.extentX - all.extentX / 4);
    EXPECT_EQ(in.extentY, all.extentY - all.extentY / 4);
    EXPECT_EQ(in.originX, all.originX + (all.extentX - in.extentX) / 2);
    // The origin does not go below the lowest gain of the data.
    EXPECT_EQ(in.originY, std::max(all.originY + (all.extentY - in.extentY) / 2, -1500));

    // ZoomInX changes only the widths (both panes), ZoomInY only the heights.
    ASSERT_TRUE(w.ZoomInX());
    EXPECT_EQ(w.Mapping(0).extentY, in.extentY);
    EXPECT_EQ(w.Mapping(0).extentX, in.extentX - in.extentX / 4);
    EXPECT_EQ(w.Mapping(1).extentX, w.Mapping(0).extentX);
    const int heightBefore = w.Mapping(0).extentY;
    ASSERT_TRUE(w.ZoomInY());
    EXPECT_EQ(w.Mapping(0).extentY, heightBefore - heightBefore / 4);

    // Zoom Previous walks back through every step.
    ASSERT_TRUE(w.ZoomPrevious());
    ASSERT_TRUE(w.ZoomPrevious());
    ASSERT_TRUE(w.ZoomPrevious());
    EXPECT_EQ(w.Mapping(0), all);

    // Zooming in until it cannot: one message per refused command, the view unchanged.
    int steps = 0;
    while (w.ZoomIn() && steps < 100)
        ++steps;
    EXPECT_LT(steps, 100);
    EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Can't Zoom in any farther."});
    const PlotMapping last = w.Mapping(0);
    EXPECT_GE(last.extentX, CPlotWindowState::kMinExtent);
    EXPECT_FALSE(w.ZoomIn());
    EXPECT_EQ(w.Mapping(0), last);
    EXPECT_EQ(f.prompter.Texts().size(), 2u);
}

TEST(PlotZoom, ZoomOutSelectWheelAndPanStayInRange)
{
    PlotFixture f;
    f.Fill(0);
    CPlotWindowState w(f.plot);
    int n = 0;
    while (w.ZoomOut() && n < 100)
        ++n;
    EXPECT_LT(n, 100);
    EXPECT_EQ(f.prompter.Texts().back(), "Can't Zoom out any farther.");
    for (int pane = 0; pane < 2; ++pane) {
        EXPECT_TRUE(CPlotWindowState::ZoomTest(w.Mapping(pane))) << pane;
        EXPECT_EQ(w.Mapping(pane).extentX, CPlotWindowState::kMaxExtent);
    }

    // A dragged rectangle of no height is refused and discarded.
    const PlotMapping before = w.Mapping(0);
    EXPECT_FALSE(w.ZoomSelect(0, {2000, 100}, {3000, 100}));
    EXPECT_EQ(f.prompter.Texts().back(), "Can't Zoom in any farther.");
    EXPECT_EQ(w.Mapping(0), before);
    // Corners in any order; the other pane follows in x.
    ASSERT_TRUE(w.ZoomSelect(1, {3000, -100}, {2000, -4000}));
    EXPECT_EQ(w.Mapping(1), (PlotMapping{2000, -4000, 1000, 3900}));
    EXPECT_EQ(w.Mapping(0).originX, 2000);
    EXPECT_EQ(w.Mapping(0).extentX, 1000);
    EXPECT_EQ(w.Mapping(0).extentY, before.extentY);

    // Wheel zoom keeps the point under the mouse; panning stops at the coordinate limit.
    w.ZoomAbout(0, 2500, -1000, 2.0);
    EXPECT_EQ(w.Mapping(0).extentX, 500);
    EXPECT_EQ(w.Mapping(0).originX, 2250);
    EXPECT_EQ(w.Mapping(1).originX, 2250);
    w.Pan(0, 1000000, -1000000);
    EXPECT_EQ(w.Mapping(0).Right(), kPltCoordLimit);
    EXPECT_EQ(w.Mapping(0).originY, -kPltCoordLimit);
    w.ZoomAbout(0, 0, 0, 0.0);  // ignored
    EXPECT_TRUE(CPlotWindowState::ZoomTest(w.Mapping(0)));

    // Go to the active curve: the view is centred on its data.
    ASSERT_TRUE(w.GoToActiveCurve());
    EXPECT_EQ(w.Mapping(0).originX + w.Mapping(0).extentX / 2, 2500);
    f.setup.SetActiveCurve(2);
    EXPECT_FALSE(w.GoToActiveCurve());
}

// ------------------------------------------------------------------ clipping and drawing

TEST(PlotDraw, SegmentClippingByRegionCodes)
{
    const PlotMapping m{0, 0, 100, 100};
    EXPECT_EQ(CPlotPainter::RegionCode(m, {50, 50}), 22);
    EXPECT_EQ(CPlotPainter::RegionCode(m, {-1, 101}), 11);
    EXPECT_EQ(CPlotPainter::RegionCode(m, {101, -1}), 33);

    PltXY a{50, 50}, b{60, 60};
    ASSERT_TRUE(CPlotPainter::ClipSegment(m, a, b));
    EXPECT_EQ(b, (PltXY{60, 60}));

    // One end above: moved along the segment to the top edge (x truncated).
    a = {50, 50};
    b = {53, 150};
    ASSERT_TRUE(CPlotPainter::ClipSegment(m, a, b));
    EXPECT_EQ(b, (PltXY{52, 100}));  // 53 + trunc(-1.5)
    // Above and right of the corner, reaching the top edge beyond the right: the right edge.
    a = {90, 90};
    b = {130, 110};
    ASSERT_TRUE(CPlotPainter::ClipSegment(m, a, b));
    EXPECT_EQ(b, (PltXY{100, 95}));
    // Left of the window (code 21): straight to the left edge.
    a = {-50, 20};
    b = {50, 70};
    ASSERT_TRUE(CPlotPainter::ClipSegment(m, a, b));
    EXPECT_EQ(a, (PltXY{0, 45}));
    // Both ends outside, crossing the window.
    a = {-100, 50};
    b = {200, 50};
    ASSERT_TRUE(CPlotPainter::ClipSegment(m, a, b));
    EXPECT_EQ(a, (PltXY{0, 50}));
    EXPECT_EQ(b, (PltXY{100, 50}));
    // Both outside, passing the corner: nothing drawn.
    a = {-100, 150};
    b = {150, 400};
    EXPECT_FALSE(CPlotPainter::ClipSegment(m, a, b));
    // Both above: nothing drawn, even where the line's extension would cross the window.
    a = {0, 200};
    b = {10, 150};
    EXPECT_FALSE(CPlotPainter::ClipSegment(m, a, b));
}

TEST(PlotDraw, ActiveCurveLastHiddenCurvesLeftOut)
{
    PlotFixture f;
    f.Fill(0);
    f.Fill(1, 31, 10.0, 5.0);
    f.Fill(2, 31, 10.0, -5.0);
    f.Fill(3, 31, 10.0, -8.0);
    f.setup.Curve(3).valid = 0;  // points of a stopped run are not drawn
    f.setup.SetActiveCurve(1);
    CPlotWindowState w(f.plot);
    ASSERT_TRUE(w.ZoomAll());
    CPlotPainter pp(f.plot, w, 10);

    auto curvePens = [&](int pane) {
        test::RecordingPainter rp;
        pp.DrawPane(rp, pane, {0, 4000, 10000, 0}, pane == 0);
        std::vector<int> pens;
        for (const std::string& c : rp.calls)
            if (c.rfind("polyline", 0) == 0) {
                const int pen = std::stoi(c.substr(c.rfind(" pen") + 4));
                if (pens.empty() || pens.back() != pen)
                    pens.push_back(pen);
            }
        return std::make_pair(pens, rp.calls);
    };
    auto [pens, calls] = curvePens(0);
    EXPECT_EQ(pens, (std::vector<int>{44, 46, 45}));
    EXPECT_NE(std::find(calls.begin(), calls.end(), "text (60,3840) h130 c11 'Gain Plot (dB)'"), calls.end());
    auto [phasePens, phaseCalls] = curvePens(1);
    EXPECT_EQ(phasePens, (std::vector<int>{44, 46, 45}));
    EXPECT_NE(std::find(phaseCalls.begin(), phaseCalls.end(), "text (60,3840) h130 c14 'Phase Plot (Deg)'"),
              phaseCalls.end());

    w.ToggleShown(1);
    EXPECT_EQ(curvePens(0).first, (std::vector<int>{44, 46}));

    // Every drawn vertex lies inside the frame.
    const LogRect frame = pp.PaneFrame({0, 4000, 10000, 0});
    w.ZoomIn();
    w.ZoomIn();
    test::RecordingPainter rp;
    pp.DrawPane(rp, 0, {0, 4000, 10000, 0}, true);
    int vertices = 0;
    for (const std::string& c : rp.calls) {
        if (c.rfind("polyline", 0) != 0)
            continue;
        std::size_t pos = 0;
        while ((pos = c.find('(', pos)) != std::string::npos) {
            int x = 0, y = 0;
            ASSERT_EQ(std::sscanf(c.c_str() + pos, "(%d,%d)", &x, &y), 2);
            EXPECT_GE(x, frame.left);
            EXPECT_LE(x, frame.right);
            EXPECT_GE(y, frame.bottom);
            EXPECT_LE(y, frame.top);
            ++vertices;
            ++pos;
        }
    }
    EXPECT_GT(vertices, 10);
}

TEST(PlotDraw, LegendListsValidCurvesAndFramesTheActiveOne)
{
    PlotFixture f;
    f.Fill(0);
    f.Fill(2);
    f.setup.Curve(2).outputNode = 3;
    f.setup.Curve(2).inputNode = 2;
    f.setup.SetActiveCurve(2);
    CPlotWindowState w(f.plot);
    CPlotPainter pp(f.plot, w, 1);
    test::RecordingPainter rp;
    pp.DrawLegend(rp, {0, 24, 600, 0});
    std::vector<std::string> texts;
    int frames = 0;
    for (const std::string& c : rp.calls) {
        if (c.rfind("text", 0) == 0)
            texts.push_back(c.substr(c.find('\'')));
        if (c.rfind("rect", 0) == 0 && c.find("brush-1") != std::string::npos)
            ++frames;
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"'Vo1/Vi1'", "'Vo3/Vi2'"}));
    EXPECT_EQ(frames, 1);

    // Printed legend with the crosshair values of the curve.
    w.SetCrosshairX(2000);
    EXPECT_EQ(pp.PrintedLegendText(2), "Vout 3/Vin 2   100Hz   -10.00dB   -30.00Deg");
}

TEST(PlotRun, RunActiveCurveMarksTheCurveAndReportsTheHint)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    auto dev = CreateDeviceConfig("ZelA");
    // A first-order low pass at 1 kHz; input node 4 gives no output.
    class LowPass : public CSimulator {
    public:
        using CSimulator::CSimulator;
        void Configure(int) override {}
        int SelectInput(int node) override { in_ = node; return 1; }
        void Evaluate(double f) override { f_ = f; }
        int GetGainDb(int, double* g) override
        {
            if (in_ == 4)
                return 0;
            *g = -10.0 * std::log10(1.0 + (f_ / 1000.0) * (f_ / 1000.0));
            return 1;
        }
        int GetPhaseDeg(int, double* p) override { *p = -std::atan(f_ / 1000.0) * 180.0 / 3.1415926; return 1; }
    private:
        double f_ = 0;
        int in_ = 1;
    };
    auto sim = std::make_unique<LowPass>(*dev);
    CSimulationSetup setup(*dev);
    CPlot plot(setup);
    setup.Curve(0).pointsPerDecade = 10;
    setup.Curve(0).startFrequency = 100;
    setup.Curve(0).stopFrequency = 100000;

    RunResult r = RunActiveCurve(setup, *sim, plot);
    ASSERT_TRUE(r.success) << (prompter.Texts().empty() ? "" : prompter.Texts()[0]);
    EXPECT_EQ(r.hint, 3);
    EXPECT_TRUE(r.openPlotWindow);
    EXPECT_EQ(setup.Curve(0).valid, 1);
    EXPECT_EQ(plot.Points(0).size(), 31u);
    EXPECT_EQ(plot.Limits().minX, 2000);
    EXPECT_EQ(plot.Limits().maxX, 5000);

    setup.SetActiveCurve(1);
    setup.Curve(1).stopFrequency = setup.Curve(1).startFrequency;
    r = RunActiveCurve(setup, *sim, plot);
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.hint, 2);
    EXPECT_FALSE(r.openPlotWindow);
    EXPECT_EQ(setup.Curve(1).valid, 0);
    EXPECT_EQ(prompter.Texts().back(), "Start and stop frequency are the same.\nDid not perform simulation.");

    setup.Curve(1).stopFrequency = 1000;
    r = RunActiveCurve(setup, *sim, plot);
    EXPECT_TRUE(r.success) << prompter.Texts().back();
    EXPECT_EQ(r.hint, 2);  // data was shown before
    EXPECT_EQ(plot.Points(1).size(), 1001u);  // 10 Hz .. 1 kHz at 500 per decade

    // A run that cannot make its first point keeps the old curve.
    setup.Curve(1).inputNode = 4;
    r = RunActiveCurve(setup, *sim, plot);
    EXPECT_FALSE(r.success);
    EXPECT_EQ(plot.Points(1).size(), 1001u);
}

// ------------------------------------------------------------------ group delay and markers

namespace {

// A first-order low pass at `fc` as a simulator would give it, without a group delay.
void FillLowPass(PlotFixture& f, int curve, double fc, int ppd = 100)
{
    f.plot.ClearCurve(curve);
    for (int i = 0; i <= 5 * ppd; ++i) {
        const double hz = 10.0 * std::pow(10.0, static_cast<double>(i) / ppd);
        const double r = hz / fc;
        f.plot.AppendPoint(curve, {hz, -10.0 * std::log10(1 + r * r), -std::atan(r) * 180.0 / M_PI});
    }
    f.setup.Curve(curve).valid = 1;
    f.plot.OnCurveComplete(curve);
}

double LowPassDelay(double hz, double fc) { return 1.0 / (2 * M_PI * fc) / (1 + (hz / fc) * (hz / fc)); }

std::vector<std::string> Texts(const test::RecordingPainter& rp)
{
    std::vector<std::string> t;
    for (const std::string& c : rp.calls)
        if (c.rfind("text", 0) == 0)
            t.push_back(c.substr(c.find('\'') + 1, c.size() - c.find('\'') - 2));
    return t;
}

bool Has(const std::vector<std::string>& texts, const std::string& t)
{
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

}  // namespace

TEST(PlotDelay, CurvesWithoutADelayTakeItFromTheirPhase)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);
    for (const CPltPoint& p : f.plot.Points(0))
        EXPECT_NEAR(p.m_groupDelay, LowPassDelay(p.m_freq, 1000.0), 5e-4 * LowPassDelay(p.m_freq, 1000.0));
    // A delay the simulator gave is kept as it is.
    f.plot.ClearCurve(1);
    f.plot.AppendPoint(1, {100.0, 0.0, 0.0, 5e-3});
    f.plot.AppendPoint(1, {200.0, 0.0, -1.0});
    f.plot.AppendPoint(1, {400.0, 0.0, -2.0, 6e-3});
    f.plot.OnCurveComplete(1);
    EXPECT_EQ(f.plot.Points(1)[0].m_groupDelay, 5e-3);
    EXPECT_EQ(f.plot.Points(1)[2].m_groupDelay, 6e-3);
    EXPECT_TRUE(std::isfinite(f.plot.Points(1)[1].m_groupDelay));
    // Imported data too.
    f.setup.SetActiveCurve(2);
    ASSERT_EQ(f.plot.ImportText("h\r\n1000,0,-10\r\n2000,0,-20\r\n4000,0,-40\r\n"), 3);
    for (const CPltPoint& p : f.plot.Points(2))
        EXPECT_TRUE(std::isfinite(p.m_groupDelay)) << p.m_freq;
}

TEST(PlotDelay, UnitFollowsTheLargestDelay)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);  // up to 159 microseconds
    EXPECT_DOUBLE_EQ(f.plot.DelayUnit(), 1e-6);
    EXPECT_EQ(f.plot.DelayUnitName(), "\xC2\xB5s");
    EXPECT_EQ(f.plot.DelayText(1.5915e-4), "159.2\xC2\xB5s");
    EXPECT_EQ(f.plot.DelayText(2.5e-6), "2.500\xC2\xB5s");
    const PlotLimits& l = f.plot.Limits();
    ASSERT_TRUE(l.HasDelay());
    EXPECT_NEAR(l.maxDelayY, LowPassDelay(10.0, 1000.0) / 1e-6 * kPltUnitsPerDb, 1.0);
    EXPECT_GE(l.minDelayY, 0);
    // A curve a thousand times slower (1.58 ms at its first point) moves the unit to ten
    // microseconds and the shown unit to milliseconds.
    FillLowPass(f, 1, 1.0);
    EXPECT_DOUBLE_EQ(f.plot.DelayUnit(), 1e-5);
    EXPECT_EQ(f.plot.DelayUnitName(), "ms");
    EXPECT_EQ(f.plot.DelayText(f.plot.DelayOfY(f.plot.LogicalDelayY(0.00123))), "1.230ms");
    EXPECT_EQ(f.plot.DelayText(std::nan("")), "--");
}

TEST(PlotDelay, LowerPaneShowsTheDelayAndFollowsItsUnit)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);
    CPlotWindowState w(f.plot);
    EXPECT_EQ(w.PaneOf(1), kPanePhase);
    w.SetLowerPane(kPaneDelay);
    EXPECT_EQ(w.PaneOf(0), kPaneGain);
    EXPECT_EQ(w.PaneOf(1), kPaneDelay);
    ASSERT_TRUE(w.ZoomAll());
    const PlotLimits& l = f.plot.Limits();
    EXPECT_LE(w.Mapping(kPaneDelay).originY, l.minDelayY);
    EXPECT_GE(w.Mapping(kPaneDelay).Top(), l.maxDelayY);
    EXPECT_EQ(w.Mapping(kPaneDelay).originX, w.Mapping(kPaneGain).originX);

    // The read-out adds the delay while it is shown.
    f.plot.SetCrosshair(1);
    ASSERT_TRUE(w.SetCrosshairX(3000));
    w.SetLowerPane(kPanePhase);
    const std::string phaseOnly = w.ReadoutText();
    EXPECT_EQ(phaseOnly.rfind("1.00KHz  -3.0", 0), 0u) << phaseOnly;
    w.SetLowerPane(kPaneDelay);
    const std::string withDelay = w.ReadoutText();
    ASSERT_EQ(withDelay.rfind(phaseOnly + "  ", 0), 0u) << withDelay;
    ASSERT_TRUE(withDelay.ends_with("\xC2\xB5s")) << withDelay;
    EXPECT_NEAR(std::stod(withDelay.substr(phaseOnly.size() + 2)), 1e6 * LowPassDelay(1000.0, 1000.0), 0.05);

    // Zoom commands move the delay pane's frequency axis with the others.
    ASSERT_TRUE(w.ZoomIn());
    EXPECT_EQ(w.Mapping(kPaneDelay).extentX, w.Mapping(kPaneGain).extentX);
    ASSERT_TRUE(w.ZoomSelect(kPaneDelay, {2000, 500}, {4000, 4000}));
    EXPECT_EQ(w.Mapping(kPaneDelay), (PlotMapping{2000, 500, 2000, 3500}));
    EXPECT_EQ(w.Mapping(kPaneGain).originX, 2000);
    EXPECT_EQ(w.Mapping(kPanePhase).extentX, 2000);

    // A slower curve changes the unit a thousandfold: the pane keeps showing the same delays.
    const double bottom = f.plot.DelayOfY(w.Mapping(kPaneDelay).originY);
    FillLowPass(f, 1, 1.0);
    w.FollowDelayUnit();
    EXPECT_NEAR(f.plot.DelayOfY(w.Mapping(kPaneDelay).originY), bottom, 0.01 * bottom);
    EXPECT_TRUE(w.ZoomPrevious());
    EXPECT_TRUE(CPlotWindowState::ZoomTest(w.Mapping(kPaneDelay)));
}

TEST(PlotDraw, PaneTitlesAndAxisTitles)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);
    CPlotWindowState w(f.plot);
    w.ZoomAll();
    CPlotPainter pp(f.plot, w, 10);
    for (const auto& [pane, title, axis] :
         {std::tuple{kPaneGain, "Gain Plot (dB)", "Gain (dB)"}, std::tuple{kPanePhase, "Phase Plot (Deg)", "Phase (Deg)"},
          std::tuple{kPaneDelay, "Group Delay Plot (\xC2\xB5s)", "Group Delay (\xC2\xB5s)"}}) {
        test::RecordingPainter rp;
        pp.DrawPane(rp, pane, {0, 4000, 10000, 0}, true);
        const auto texts = Texts(rp);
        EXPECT_TRUE(Has(texts, title)) << title;
        EXPECT_TRUE(Has(texts, axis)) << axis;
        EXPECT_TRUE(Has(texts, "Frequency (Hz)")) << title;
    }
    // The delay pane's labels are in its display unit: 0 .. 160 microseconds.
    w.SetLowerPane(kPaneDelay);
    w.ZoomAll();
    test::RecordingPainter rp;
    pp.DrawPane(rp, kPaneDelay, {0, 4000, 10000, 0}, true);
    const auto texts = Texts(rp);
    EXPECT_TRUE(Has(texts, "100")) << ::testing::PrintToString(texts);
    EXPECT_FALSE(Has(texts, "5000"));
}

TEST(PlotDraw, MarkersOfTheActiveCurve)
{
    PlotFixture f;
    // A resonant low pass: 1 / (1 - u^2 + j u / Q), Q = 2, f0 = 10 kHz.
    f.plot.ClearCurve(0);
    for (int i = 0; i <= 400; ++i) {
        const double hz = 100.0 * std::pow(10.0, i / 100.0);
        const double u = hz / 10000.0;
        const double re = 1 - u * u, im = u / 2;
        f.plot.AppendPoint(0, {hz, -10 * std::log10(re * re + im * im), -std::atan2(im, re) * 180 / M_PI});
    }
    f.setup.Curve(0).valid = 1;
    f.plot.OnCurveComplete(0);
    CPlotWindowState w(f.plot);
    ASSERT_TRUE(w.ZoomAll());
    CPlotPainter pp(f.plot, w, 10);
    // Peak at f0 sqrt(1 - 1/(2 Q^2)), 20 log10(Q / sqrt(1 - 1/(4 Q^2))); half power below it at
    // 6.25 and 11.66 kHz.
    EXPECT_EQ(pp.MarkerTexts(), (std::vector<std::string>{"Peak 6.30dB 9.35KHz", "-3dB 6.25KHz", "-3dB 11.7KHz"}));

    auto draw = [&] {
        test::RecordingPainter rp;
        pp.DrawPane(rp, kPaneGain, {0, 4000, 10000, 0}, true);
        return rp;
    };
    EXPECT_FALSE(Has(Texts(draw()), "Peak 6.30dB 9.35KHz"));
    w.SetMarkers(true);
    const test::RecordingPainter on = draw();
    EXPECT_TRUE(Has(Texts(on), "Peak 6.30dB 9.35KHz"));
    EXPECT_TRUE(Has(Texts(on), "-3dB 6.25KHz"));
    EXPECT_TRUE(Has(Texts(on), "-3dB 11.7KHz"));
    int shapes = 0;
    for (const std::string& c : on.calls)
        shapes += c.rfind("polygon", 0) == 0 && c.find("pen1 brush1") != std::string::npos;
    EXPECT_EQ(shapes, 3);  // the peak's triangle and the edges' diamonds
    // Only the gain pane carries them, and not for a hidden curve.
    test::RecordingPainter phase;
    pp.DrawPane(phase, kPanePhase, {0, 4000, 10000, 0}, true);
    EXPECT_FALSE(Has(Texts(phase), "-3dB 6.25KHz"));
    w.SetShown(0, false);
    EXPECT_FALSE(Has(Texts(draw()), "-3dB 6.25KHz"));
    // No valid curve, no markers.
    f.setup.Curve(0).valid = 0;
    EXPECT_TRUE(pp.MarkerTexts().empty());
}

TEST(PlotDraw, ExportedPictureHasATitleBlockAndNoCrosshair)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);
    f.setup.Curve(0).outputNode = 2;
    CPlotWindowState w(f.plot);
    w.ZoomAll();
    CPlotPainter pp(f.plot, w, 1);
    const LogRect area{0, 700, 1000, 0};
    const PlotTitleBlock title{"Lowpass.ZEL", "ZelD", "March 03, 2025"};
    auto picture = [&] {
        test::RecordingPainter rp;
        pp.DrawPicture(rp, area, title);
        return rp.calls;
    };
    auto window = [&] {
        test::RecordingPainter rp;
        pp.DrawWindow(rp, area);
        return rp.calls;
    };
    const auto plainWindow = window();
    const auto plainPicture = picture();
    f.plot.SetCrosshair(1);
    w.SetCrosshairX(3000);
    // The window shows the crosshair; the picture is the same with or without it.
    EXPECT_NE(window(), plainWindow);
    EXPECT_EQ(picture(), plainPicture);

    test::RecordingPainter rp;
    pp.DrawPicture(rp, area, title);
    const auto texts = Texts(rp);
    EXPECT_TRUE(Has(texts, "Lowpass.ZEL"));
    EXPECT_TRUE(Has(texts, "Gain/Phase Plot   ZelD"));
    EXPECT_TRUE(Has(texts, "March 03, 2025"));
    EXPECT_TRUE(Has(texts, "Curve 1   Vout 2/Vin 1   10.0Hz to 1.00MHz")) << ::testing::PrintToString(texts);
    // Nothing is drawn below the picture's area.
    for (const std::string& c : rp.calls) {
        std::size_t pos = 0;
        while ((pos = c.find('(', pos)) != std::string::npos) {
            int x = 0, y = 0;
            if (std::sscanf(c.c_str() + pos, "(%d,%d)", &x, &y) == 2) {
                EXPECT_GE(y, 0) << c;
            }
            ++pos;
        }
    }
}

TEST(PlotZoom, CrosshairStaysInViewAfterAZoom)
{
    PlotFixture f;
    FillLowPass(f, 0, 1000.0);
    CPlotWindowState w(f.plot);
    ASSERT_TRUE(w.ZoomAll());
    f.plot.SetCrosshair(1);
    ASSERT_TRUE(w.SetCrosshairX(3000));
    // A rectangle that holds the crosshair keeps it where it is.
    ASSERT_TRUE(w.ZoomSelect(kPaneGain, {2000, -1000}, {4000, 100}));
    EXPECT_EQ(w.CrossX(), 3000);
    // One whose left edge is the crosshair (the press point of the drag) puts it in the middle.
    ASSERT_TRUE(w.ZoomSelect(kPaneGain, {3000, -1000}, {3500, 100}));
    EXPECT_EQ(w.CrossX(), 3250);
    // So does one that leaves it outside, and Zoom Previous back to a view that does.
    ASSERT_TRUE(w.ZoomSelect(kPaneGain, {4000, -1000}, {5000, 100}));
    EXPECT_EQ(w.CrossX(), 4500);
    EXPECT_TRUE(w.ZoomPrevious());  // back to 3000 .. 3500
    EXPECT_EQ(w.CrossX(), 3250);
}
