#include "sim/PlotWindowState.h"

#include <algorithm>
#include <cmath>

#include "platform/Prompter.h"

namespace kalidor {

const char kMsgZoomAllFailed[] =
    "Zoom All cannot zoom-to-fit given data; instead it will zoom to limits of all possible data.";
const char kMsgZoomInFailed[] = "Can't Zoom in any farther.";
const char kMsgZoomOutFailed[] = "Can't Zoom out any farther.";
const char kTipZoomIn[] = "Zoom in 25 percent in both directions";
const char kTipZoomInX[] = "Zoom in 25 percent in horizontal direction";
const char kTipZoomInY[] = "Zoom in 25 percent in vertical direction";
const char kTipCrosshair[] = "Show or hide crosshair cursor";
const char kTipDataPoints[] = "Show or hide data points";

namespace {

void Tell(const char* text) { CurrentPrompter().Message(text, {}, Buttons::Ok, MessageIcon::Information); }

bool WithinLimit(long long v) { return v >= -kPltCoordLimit && v <= kPltCoordLimit; }

// Places [origin, origin + extent] inside +-kPltCoordLimit by moving it.
int32_t FitOrigin(long long origin, int32_t extent)
{
    if (origin + extent > kPltCoordLimit)
        origin = kPltCoordLimit - extent;
    if (origin < -kPltCoordLimit)
        origin = -kPltCoordLimit;
    return static_cast<int32_t>(origin);
}

}  // namespace

CPlotWindowState::CPlotWindowState(const CPlot& plot) : m_plot(&plot), m_delayUnit(plot.DelayUnit())
{
    for (int pane = 0; pane < kPaneCount; ++pane)
        m_map[pane] = DefaultMapping(pane);
}

PlotMapping CPlotWindowState::DefaultMapping(int pane)
{
    PlotMapping m;
    if (pane == kPanePhase) {
        m.originY = -9000;
        m.extentY = 18000;
    } else if (pane == kPaneDelay) {
        m.originY = 0;
        m.extentY = 6000;
    }
    return m;
}

void CPlotWindowState::FollowDelayUnit()
{
    const double unit = m_plot->DelayUnit();
    if (unit == m_delayUnit || !(unit > 0.0))
        return;
    const double factor = m_delayUnit / unit;
    m_delayUnit = unit;
    auto rescale = [factor](PlotMapping& m) {
        m.originY = static_cast<int32_t>(std::clamp(std::llround(m.originY * factor), -1000000000LL, 1000000000LL));
        m.extentY = static_cast<int32_t>(std::clamp(std::llround(m.extentY * factor), 1LL, 1000000000LL));
        m = Limit(m);
    };
    rescale(m_map[kPaneDelay]);
    for (auto& maps : m_history)
        rescale(maps[kPaneDelay]);
    SetCrosshairX(m_crossX);
}

std::string CPlotWindowState::ReadoutText() const
{
    std::string text = m_plot->ReadoutText(m_crossX, m_crossGainY, m_crossPhaseY);
    if (!text.empty() && m_lowerPane == kPaneDelay)
        text += "  " + m_plot->DelayText(m_plot->DelayOfY(m_crossDelayY));
    return text;
}

PlotMapping CPlotWindowState::Limit(PlotMapping m)
{
    m.extentX = std::clamp(m.extentX, kMinExtent, kMaxExtent);
    m.extentY = std::clamp(m.extentY, kMinExtent, kMaxExtent);
    m.originX = FitOrigin(m.originX, m.extentX);
    m.originY = FitOrigin(m.originY, m.extentY);
    return m;
}

void CPlotWindowState::SetMapping(int pane, PlotMapping m) { m_map[PaneIndex(pane)] = Limit(m); }

bool CPlotWindowState::ZoomTest(const PlotMapping& m)
{
    if (m.extentX < kMinExtent || m.extentY < kMinExtent)
        return false;
    if (m.extentX > kMaxExtent || m.extentY > kMaxExtent)
        return false;
    return WithinLimit(m.originX) && WithinLimit(m.originY) &&
           WithinLimit(static_cast<long long>(m.originX) + m.extentX) &&
           WithinLimit(static_cast<long long>(m.originY) + m.extentY);
}

void CPlotWindowState::Remember()
{
    if (m_history.size() >= kMaxHistory)
        m_history.erase(m_history.begin());
    m_history.push_back(m_map);
}

bool CPlotWindowState::ZoomAll()
{
    const PlotLimits& l = m_plot->Limits();
    std::array<PlotMapping, kPaneCount> next = m_map;
    bool ok = l.HasData();
    for (int pane = 0; ok && pane < kPaneCount; ++pane) {
        // The delay pane follows when the curves have a delay to show; it never refuses.
        const bool optional = pane == kPaneDelay;
        if (optional && !l.HasDelay())
            continue;
        const long long dataW = static_cast<long long>(l.maxX) - l.minX;
        long long dataH = static_cast<long long>(l.MaxY(pane)) - l.MinY(pane);
        long long minY = l.MinY(pane);
        if (dataW <= 0) {
            ok = false;
            break;
        }
        if (dataH <= 0) {
            // A flat curve (an ideal gain stage, a constant phase) is shown in a band of
            // kFlatBand around its value rather than refused.
            dataH = kFlatBand;
            minY -= kFlatBand / 2;
        }
        const long long w = dataW + dataW / 16;
        const long long h = dataH + dataH / 16;
        const long long ox = l.minX - w / 32;
        const long long oy = minY - h / 32;
        if (w > kMaxExtent || h > kMaxExtent || !WithinLimit(ox) || !WithinLimit(oy) || !WithinLimit(ox + w) ||
            !WithinLimit(oy + h)) {
            if (optional)
                continue;
            ok = false;
            break;
        }
        next[pane] = {static_cast<int32_t>(ox), static_cast<int32_t>(oy), static_cast<int32_t>(w),
                      static_cast<int32_t>(h)};
    }
    if (!ok) {
        // The mapping stays as it was: the data has no extent to fit.
        Tell(kMsgZoomAllFailed);
        return false;
    }
    // A delay pane left as it was still shares the frequency axis.
    next[kPaneDelay].originX = next[kPaneGain].originX;
    next[kPaneDelay].extentX = next[kPaneGain].extentX;
    if (next == m_map)
        return true;
    Remember();
    m_map = next;
    KeepCrosshairInView();
    return true;
}

bool CPlotWindowState::ZoomInBy(ZoomAxes axes)
{
    const PlotLimits& l = m_plot->Limits();
    std::array<PlotMapping, kPaneCount> next = m_map;
    std::array<bool, kPaneCount> pass{};
    for (int pane = 0; pane < kPaneCount; ++pane) {
        const PlotMapping& m = m_map[pane];
        PlotMapping n = m;
        if (axes != kY)
            n.extentX = std::min(m.extentX - m.extentX / 4, kMaxExtent);
        if (axes != kX)
            n.extentY = std::min(m.extentY - m.extentY / 4, kMaxExtent);
        n.originX = m.originX + (m.extentX - n.extentX) / 2;
        n.originY = m.originY + (m.extentY - n.extentY) / 2;
        if (l.HasData() && (pane != kPaneDelay || l.HasDelay()) && n.originY < l.MinY(pane))
            n.originY = l.MinY(pane);
        // A step that no longer makes the window smaller is as good as a failure.
        pass[pane] = ZoomTest(n) && !(n.extentX == m.extentX && n.extentY == m.extentY);
        next[pane] = n;
    }
    // Zoom In tests both panes shown; the one-axis steps test the gain pane.
    const bool ok = axes == kBoth ? (pass[kPaneGain] && pass[m_lowerPane]) : pass[kPaneGain];
    if (!ok) {
        Tell(kMsgZoomInFailed);
        return false;
    }
    Remember();
    m_map[kPaneGain] = next[kPaneGain];
    // The other panes follow in x always, in y only when their own step is sound.
    for (int pane = 1; pane < kPaneCount; ++pane) {
        if (pass[pane]) {
            m_map[pane] = next[pane];
        } else {
            m_map[pane].originX = next[kPaneGain].originX;
            m_map[pane].extentX = next[kPaneGain].extentX;
        }
    }
    KeepCrosshairInView();
    return true;
}

bool CPlotWindowState::ZoomOutBy(ZoomAxes axes)
{
    std::array<PlotMapping, kPaneCount> next = m_map;
    for (int pane = 0; pane < kPaneCount; ++pane) {
        const PlotMapping& m = m_map[pane];
        PlotMapping n = m;
        if (axes != kY)
            n.extentX = std::min(m.extentX + std::max(m.extentX / 4, 1), kMaxExtent);
        if (axes != kX)
            n.extentY = std::min(m.extentY + std::max(m.extentY / 4, 1), kMaxExtent);
        n.originX = FitOrigin(static_cast<long long>(m.originX) - (n.extentX - m.extentX) / 2, n.extentX);
        n.originY = FitOrigin(static_cast<long long>(m.originY) - (n.extentY - m.extentY) / 2, n.extentY);
        next[pane] = n;
    }
    if (next[kPaneGain] == m_map[kPaneGain] && next[m_lowerPane] == m_map[m_lowerPane]) {
        Tell(kMsgZoomOutFailed);
        return false;
    }
    Remember();
    m_map = next;
    KeepCrosshairInView();
    return true;
}

bool CPlotWindowState::ZoomIn() { return ZoomInBy(kBoth); }
bool CPlotWindowState::ZoomInX() { return ZoomInBy(kX); }
bool CPlotWindowState::ZoomInY() { return ZoomInBy(kY); }
bool CPlotWindowState::ZoomOut() { return ZoomOutBy(kBoth); }
bool CPlotWindowState::ZoomOutX() { return ZoomOutBy(kX); }
bool CPlotWindowState::ZoomOutY() { return ZoomOutBy(kY); }

bool CPlotWindowState::ZoomSelect(int pane, PltXY a, PltXY b)
{
    pane = PaneIndex(pane);
    PlotMapping n;
    n.originX = std::min(a.x, b.x);
    n.originY = std::min(a.y, b.y);
    n.extentX = std::abs(a.x - b.x);
    n.extentY = std::abs(a.y - b.y);
    if (!ZoomTest(n)) {
        Tell(kMsgZoomInFailed);
        return false;
    }
    Remember();
    m_map[pane] = n;
    for (PlotMapping& other : m_map) {
        other.originX = n.originX;
        other.extentX = n.extentX;
    }
    KeepCrosshairInView();
    return true;
}

void CPlotWindowState::KeepCrosshairInView()
{
    const PlotMapping& m = m_map[kPaneGain];
    const int margin = m.extentX / 100;
    if (m_crossX <= m.originX + margin || m_crossX >= m.Right() - margin)
        SetCrosshairX(m.originX + m.extentX / 2);
}

bool CPlotWindowState::ZoomPrevious()
{
    if (m_history.empty())
        return false;
    m_map = m_history.back();
    m_history.pop_back();
    KeepCrosshairInView();
    return true;
}

bool CPlotWindowState::GoToActiveCurve()
{
    const PlotLimits l = m_plot->CurveLimits(m_plot->GetActiveCurve());
    if (!l.HasData())
        return false;
    for (int pane = 0; pane < kPaneCount; ++pane) {
        PlotMapping& m = m_map[pane];
        const long long cx = (static_cast<long long>(l.minX) + l.maxX) / 2;
        m.originX = FitOrigin(cx - m.extentX / 2, m.extentX);
        if (pane != kPaneDelay || l.HasDelay()) {
            const long long cy = (static_cast<long long>(l.MinY(pane)) + l.MaxY(pane)) / 2;
            m.originY = FitOrigin(cy - m.extentY / 2, m.extentY);
        }
    }
    return true;
}

void CPlotWindowState::ZoomAbout(int pane, int x, int y, double factor)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    pane = PaneIndex(pane);
    auto scale = [&](int32_t origin, int32_t extent, int at, int32_t* newOrigin, int32_t* newExtent) {
        const double e = std::clamp(extent / factor, static_cast<double>(kMinExtent), static_cast<double>(kMaxExtent));
        const double share = extent > 0 ? (at - origin) / static_cast<double>(extent) : 0.5;
        *newExtent = static_cast<int32_t>(std::lround(e));
        *newOrigin = FitOrigin(std::llround(at - share * e), *newExtent);
    };
    int32_t ox, ex;
    scale(m_map[pane].originX, m_map[pane].extentX, x, &ox, &ex);
    for (PlotMapping& m : m_map) {
        m.originX = ox;
        m.extentX = ex;
    }
    PlotMapping& m = m_map[pane];
    scale(m.originY, m.extentY, y, &m.originY, &m.extentY);
}

void CPlotWindowState::Pan(int pane, int dx, int dy)
{
    pane = PaneIndex(pane);
    const int32_t ox = FitOrigin(static_cast<long long>(m_map[pane].originX) + dx, m_map[pane].extentX);
    for (PlotMapping& m : m_map)
        m.originX = ox;
    PlotMapping& m = m_map[pane];
    m.originY = FitOrigin(static_cast<long long>(m.originY) + dy, m.extentY);
}

void CPlotWindowState::SetShown(int curve, bool shown)
{
    if (curve >= 0 && curve < 4)
        m_shown[curve] = shown;
}

bool CPlotWindowState::SetCrosshairX(int x)
{
    m_crossX = std::clamp(x, -kPltCoordLimit, kPltCoordLimit);
    int g = 0, p = 0, d = 0;
    if (!m_plot->ValueAt(m_plot->GetActiveCurve(), m_crossX, &g, &p, &d))
        return false;
    m_crossGainY = g;
    m_crossPhaseY = p;
    m_crossDelayY = d;
    return true;
}

}  // namespace kalidor
