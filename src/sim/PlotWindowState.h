// What the plot window keeps besides the plot: the mapping of each pane (gain pane 0, phase
// pane 1, group delay pane 2) from logical plot coordinates to the screen with its history for
// Zoom Previous, the zoom commands with their tests and messages, the crosshair position, one
// shown flag per curve, the data-points and markers flags, which of the phase and the group delay
// the lower pane shows, and the active pane. Lost when the window closes.
//
// All panes share the frequency axis: every command that changes x changes it in all. The window
// shows the gain pane and the lower pane; "both panes" below means those two.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/Plot.h"

namespace kalidor {

// A pane's visible window in logical plot units: origin at the bottom left, extents > 0.
struct PlotMapping {
    int32_t originX = 1000;  // 10 Hz
    int32_t originY = -5000;
    int32_t extentX = 6000;  // up to 10 MHz
    int32_t extentY = 6000;
    int32_t Right() const { return originX + extentX; }
    int32_t Top() const { return originY + extentY; }
    friend bool operator==(const PlotMapping&, const PlotMapping&) = default;
};

class CPlotWindowState {
public:
    // No extent of a mapping is ever larger than this.
    static constexpr int kMaxExtent = 32000;
    // Zooming in stops before an extent would become smaller than this (a hundredth of a
    // decade, 0.2 dB, 0.2 degrees).
    static constexpr int kMinExtent = 10;
    static constexpr std::size_t kMaxHistory = 50;
    // Zoom All shows a curve of one constant value in a band this high (10 dB or degrees).
    static constexpr int kFlatBand = 500;

    // `plot` is not owned and must outlive the state.
    explicit CPlotWindowState(const CPlot& plot);

    const CPlot& Plot() const { return *m_plot; }
    const PlotMapping& Mapping(int pane) const { return m_map[PaneIndex(pane)]; }
    // Sets a pane's mapping without recording it (scrolling); brought within the limits.
    void SetMapping(int pane, PlotMapping m);
    // The window's first mapping of a pane (10 Hz .. 10 MHz, -100 .. +20 dB, -180 .. +180 deg,
    // 0 .. 120 delay units).
    static PlotMapping DefaultMapping(int pane);

    // What the lower pane shows: kPanePhase (the default) or kPaneDelay.
    int LowerPane() const { return m_lowerPane; }
    void SetLowerPane(int pane) { m_lowerPane = pane == kPaneDelay ? kPaneDelay : kPanePhase; }
    // The pane a window pane (0 upper, 1 lower) shows.
    int PaneOf(int windowPane) const { return windowPane == 1 ? m_lowerPane : kPaneGain; }
    // Follows a change of the plot's delay unit: the delay pane's mappings (and those kept for
    // Zoom Previous) are rescaled so that they show the same delays as before.
    void FollowDelayUnit();

    // --- zoom commands: true when the mapping changed; a failure has shown its message ---
    bool ZoomAll();
    bool ZoomIn();
    bool ZoomInX();
    bool ZoomInY();
    bool ZoomOut();
    bool ZoomOutX();
    bool ZoomOutY();
    // Zooms pane `pane` to the rectangle between two logical corners; the other panes take
    // its x range.
    bool ZoomSelect(int pane, PltXY a, PltXY b);
    // Back to the mappings before the last zoom; false when there are none.
    bool ZoomPrevious();
    bool HasPrevious() const { return !m_history.empty(); }
    // Centres the panes on the active curve's data (extents kept); false without data.
    bool GoToActiveCurve();
    // Wheel zoom by `factor` (> 1 zooms in) about a logical point of a pane: x in all panes,
    // y in that pane. Not recorded for Zoom Previous.
    void ZoomAbout(int pane, int x, int y, double factor);
    // Moves the view by logical units: x in all panes, y in `pane`. Not recorded.
    void Pan(int pane, int dx, int dy);

    // The zoom test of one mapping: extents between kMinExtent and kMaxExtent and every
    // coordinate within +-kPltCoordLimit.
    static bool ZoomTest(const PlotMapping& m);

    // --- curves shown, data points, active pane ---
    bool IsShown(int curve) const { return curve >= 0 && curve < 4 && m_shown[curve]; }
    void SetShown(int curve, bool shown);
    void ToggleShown(int curve) { SetShown(curve, !IsShown(curve)); }
    bool GetDataPoints() const { return m_dataPoints; }
    void SetDataPoints(bool on) { m_dataPoints = on; }
    // The peak and -3 dB markers of the active curve.
    bool GetMarkers() const { return m_markers; }
    void SetMarkers(bool on) { m_markers = on; }
    // The window pane that has the focus: 0 upper, 1 lower.
    int GetActivePane() const { return m_activePane; }
    void SetActivePane(int pane) { m_activePane = pane == 1 ? 1 : 0; }

    // --- crosshair ---
    // Places the crosshair at logical x on the active curve (its gain and phase there).
    // False when the active curve has no points (the position then keeps x only). Every zoom
    // command that leaves the crosshair outside the frequencies shown (or on their edge) moves
    // it to the middle of the view, so that it stays where it can be seen.
    bool SetCrosshairX(int x);
    int CrossX() const { return m_crossX; }
    int CrossY(int pane) const
    {
        return pane == kPaneDelay ? m_crossDelayY : pane == kPanePhase ? m_crossPhaseY : m_crossGainY;
    }
    // The read-out of the crosshair position (empty while it is hidden or the curve is not
    // valid), with the group delay after it while the lower pane shows the delay.
    std::string ReadoutText() const;

private:
    enum ZoomAxes { kBoth, kX, kY };
    bool ZoomInBy(ZoomAxes axes);
    bool ZoomOutBy(ZoomAxes axes);
    void Remember();
    // Moves the crosshair to the middle of the frequencies shown when it lies outside them or
    // within a hundredth of the view of their edge.
    void KeepCrosshairInView();
    static PlotMapping Limit(PlotMapping m);
    static int PaneIndex(int pane) { return pane == kPaneDelay ? kPaneDelay : pane == kPanePhase ? kPanePhase : kPaneGain; }

    const CPlot* m_plot;
    std::array<PlotMapping, kPaneCount> m_map;
    std::vector<std::array<PlotMapping, kPaneCount>> m_history;
    std::array<bool, 4> m_shown{true, true, true, true};
    bool m_dataPoints = false;
    bool m_markers = false;
    int m_lowerPane = kPanePhase;
    int m_activePane = 0;
    double m_delayUnit;  // the plot's delay unit the delay mappings are in
    int m_crossX = 3000, m_crossGainY = 0, m_crossPhaseY = 0, m_crossDelayY = 0;
};

// Messages of the zoom commands.
extern const char kMsgZoomAllFailed[];   // "Zoom All cannot zoom-to-fit given data; ..."
extern const char kMsgZoomInFailed[];    // "Can't Zoom in any farther."
extern const char kMsgZoomOutFailed[];   // "Can't Zoom out any farther."
// Tool tips of the zoom commands and the crosshair / data-points toggles.
extern const char kTipZoomIn[];
extern const char kTipZoomInX[];
extern const char kTipZoomInY[];
extern const char kTipCrosshair[];
extern const char kTipDataPoints[];

}  // namespace kalidor
