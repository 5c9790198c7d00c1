// The drawing of the plot through the core painter, shared by the plot window, its printing,
// its exported pictures and kalidor-cli: the legend, the gain pane over the phase (or group
// delay) pane on a logarithmic frequency axis with grid lines, axis labels and axis titles, the
// curves in their colours (the active curve last), data points, the peak and -3 dB markers of
// the active curve, the crosshair and, on printed pages and exported pictures, the list of the
// curves and the title block.
//
// Painter coordinates have y growing upwards. Sizes of frames, texts and marks are given in
// nominal pixels and multiplied by `unit` (painter units per pixel): 1 on a screen whose
// painter units are pixels, 10 for 0.001-inch units at 100 pixels per inch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Painter.h"
#include "sim/CurveAnalysis.h"
#include "sim/Plot.h"
#include "sim/PlotWindowState.h"

namespace kalidor {

// Colour-table indices of the plot.
inline constexpr int kPlotColorBackground = 42;
inline constexpr int kPlotColorFrame = 43;          // texts and frames
inline constexpr int kPlotColorCurve1 = 44;         // 44..47 for curves 1..4
inline constexpr int kPlotColorGrid = 14;           // grey (light grey when printed)
inline constexpr int kPlotColorActiveTitle = 11;    // yellow
inline constexpr int kPlotColorInactiveTitle = 14;  // grey
inline constexpr int kPlotColorMarker = 1;          // white (black when printed)

// Axis titles.
inline constexpr const char kFrequencyAxisTitle[] = "Frequency (Hz)";
inline constexpr const char kGainAxisTitle[] = "Gain (dB)";
inline constexpr const char kPhaseAxisTitle[] = "Phase (Deg)";
inline constexpr const char kDelayAxisTitle[] = "Group Delay";

// The text of the title block of a printed page.
struct PlotTitleBlock {
    std::string title;       // design title or file name
    std::string deviceType;  // the device type name
    std::string date;        // "%B %d, %Y"
};

// "%B %d, %Y" of a time, with English month names whatever the locale.
std::string PlotDateText(long long unixTime);

class CPlotPainter {
public:
    CPlotPainter(const CPlot& plot, const CPlotWindowState& state, int unit = 10);

    // --- layout ---
    // The frame of a pane's plotting area inside the pane's area.
    LogRect PaneFrame(const LogRect& area) const;
    // The legend band above the panes and the two panes of the window picture.
    LogRect LegendArea(const LogRect& window) const;
    LogRect PaneArea(const LogRect& window, int pane) const;

    // --- mapping between painter units and logical plot units of a pane ---
    LogPoint ToPainter(const LogRect& frame, int pane, PltXY p) const;
    PltXY ToLogical(const LogRect& frame, int pane, LogPoint p) const;

    // --- drawing ---
    // One pane (kPaneGain, kPanePhase or kPaneDelay) in `area`: background, title, grid,
    // labels, axis titles, curves, data points, markers (gain pane), crosshair, frame.
    // `activePane` draws the title in the active colour.
    void DrawPane(Painter& painter, int pane, const LogRect& area, bool activePane) const;
    // The legend band: one entry per valid curve, the active one framed.
    void DrawLegend(Painter& painter, const LogRect& area) const;
    // The window picture: legend, gain pane, and the phase or group delay pane below it.
    void DrawWindow(Painter& painter, const LogRect& area) const;
    // An exported picture of the window: the window picture without the crosshair, above a
    // band with the curves drawn (output and input node, frequency range, configuration) and the
    // title block (design, device type, date).
    void DrawPicture(Painter& painter, const LogRect& area, const PlotTitleBlock& title) const;
    // Height of the band below the picture, in painter units.
    int PictureBandHeight() const;

    // Whether the crosshair is drawn (it is not on printed pages and exported pictures).
    void SetCrosshairShown(bool shown) { m_crosshair = shown; }

    // The texts of the markers: "Peak 6.30dB @ 1.00KHz", "-3dB 10.0KHz" (the frequencies of the
    // edges found, lower first), empty when the active curve has none.
    std::vector<std::string> MarkerTexts() const;
    // The title of a pane ("Gain Plot (dB)", "Phase Plot (Deg)", "Group Delay Plot (ms)").
    std::string PaneTitle(int pane) const;

    // Pages of a print mode (2 in mode 0, else 1).
    static int PageCount(int mode) { return mode == kPrintTwoPages ? 2 : 1; }
    // One printed page (0-based) of a print mode: the plot(s), the printed legend with the
    // crosshair values of every valid curve, and the title block.
    void DrawPage(Painter& painter, const LogRect& page, int mode, int pageIndex,
                  const PlotTitleBlock& title) const;

    // The printed legend lines of a curve: "Vout %d/Vin %d", then "%sHz", "%.2lfdB", "%.2lfDeg"
    // of the crosshair position (on the curve at the crosshair's x).
    std::string PrintedLegendText(int curve) const;

    // Clips a segment to a rectangle in logical plot units with the region codes of the
    // curve drawing (x: 1 left, 2 inside, 3 right; y: 10 above, 20 inside, 30 below). False
    // when nothing of it is drawn; otherwise `a` and `b` are the ends to draw.
    static bool ClipSegment(const PlotMapping& window, PltXY& a, PltXY& b);
    static int RegionCode(const PlotMapping& window, PltXY p);

private:
    int U(int pixels) const { return pixels * m_unit; }
    void DrawGrid(Painter& painter, int pane, const LogRect& frame, bool labelsRight) const;
    void DrawCurves(Painter& painter, int pane, const LogRect& frame) const;
    void DrawCurve(Painter& painter, int pane, const LogRect& frame, int curve) const;
    void DrawCrosshair(Painter& painter, int pane, const LogRect& frame) const;
    void DrawTitleBlock(Painter& painter, const LogRect& r, const PlotTitleBlock& title) const;
    void DrawPrintedPage(Painter& painter, const LogRect& page, int mode, int pageIndex,
                         const PlotTitleBlock& title) const;
    void DrawMarkers(Painter& painter, const LogRect& frame) const;
    std::optional<CurveMarkers> ActiveCurveMarkers() const;
    // One line per valid curve from (x, y) downwards, `lineStep` apart: a stroke in the curve's
    // colour and `text(curve)`. Returns the number of lines.
    int DrawCurveList(Painter& painter, int x, int y, int lineStep, std::string (CPlotPainter::*text)(int) const) const;
    // "Curve 1  Vout 1/Vin 1  10Hz to 10MHz  Cfg A".
    std::string CurveDescription(int curve) const;
    // The factor from a pane's value units (y / kPltUnitsPerDb) to the numbers its axis shows.
    double LabelScale(int pane) const;
    // The text width estimate of the painter's sans-serif font.
    int TextWidth(const std::string& s, int height) const;

    const CPlot& m_plot;
    const CPlotWindowState& m_state;
    int m_unit;
    bool m_crosshair = true;
};

}  // namespace kalidor
