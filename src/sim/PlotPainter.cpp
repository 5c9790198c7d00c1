#include "sim/PlotPainter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "sim/CurveAnalysis.h"

namespace kalidor {

namespace {

constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

constexpr int kTextPx = 12;         // axis labels, legend
constexpr int kTitlePx = 13;        // pane titles
constexpr int kLegendBandPx = 24;   // legend band above the panes
constexpr int kFrameLeftPx = 80;    // room for the y axis title and labels
constexpr int kFrameRightPx = 16;
constexpr int kFrameTopPx = 22;     // room for the pane title
constexpr int kFrameBottomPx = 34;  // room for the frequency labels and the axis title
constexpr int kMinGridPx = 5;       // grid lines closer than this are left out
constexpr int kMinYGridPx = 28;     // at least this much between labelled y grid lines
constexpr int kMarkPx = 2;          // half size of a data-point mark
constexpr int kMarkerPx = 5;        // half size of a peak or -3 dB marker
constexpr int kTitleBlockPx = 66;   // height of the title block
constexpr int kTitleBlockWidthPx = 300;
constexpr int kListLinePx = 16;     // line step of the curve lists

std::string Fixed(double v, int decimals)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

int ClampInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, -1000000000LL, 1000000000LL));
}

PltXY PaneXY(const CPltPoint& p, int pane) { return p.LogicalXY(pane); }

int PaneKind(int pane) { return pane == kPaneDelay ? kPaneDelay : pane == kPanePhase ? kPanePhase : kPaneGain; }

}  // namespace

std::string PlotDateText(long long unixTime)
{
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    localtime_r(&t, &tm);
    char day[8];
    std::snprintf(day, sizeof day, "%02d", tm.tm_mday);
    return std::string(kMonths[std::clamp(tm.tm_mon, 0, 11)]) + " " + day + ", " + std::to_string(tm.tm_year + 1900);
}

CPlotPainter::CPlotPainter(const CPlot& plot, const CPlotWindowState& state, int unit)
    : m_plot(plot), m_state(state), m_unit(unit > 0 ? unit : 1)
{
}

int CPlotPainter::TextWidth(const std::string& s, int height) const
{
    return static_cast<int>(s.size() * height * 11 / 20);
}

std::string CPlotPainter::PaneTitle(int pane) const
{
    if (pane == kPaneDelay)
        return std::string(kDelayPaneTitle) + " (" + m_plot.DelayUnitName() + ")";
    return pane == kPanePhase ? kPhasePaneTitle : kGainPaneTitle;
}

double CPlotPainter::LabelScale(int pane) const
{
    return pane == kPaneDelay ? m_plot.DelayUnit() / m_plot.DelayDisplayUnit() : 1.0;
}

// ------------------------------------------------------------------ layout and mapping

LogRect CPlotPainter::PaneFrame(const LogRect& area) const
{
    LogRect f{area.left + U(kFrameLeftPx), area.top - U(kFrameTopPx), area.right - U(kFrameRightPx),
              area.bottom + U(kFrameBottomPx)};
    if (f.right <= f.left)
        f.right = f.left + 1;
    if (f.top <= f.bottom)
        f.top = f.bottom + 1;
    return f;
}

LogRect CPlotPainter::LegendArea(const LogRect& w) const
{
    return {w.left, w.top, w.right, std::max(w.bottom, w.top - U(kLegendBandPx))};
}

LogRect CPlotPainter::PaneArea(const LogRect& w, int pane) const
{
    const int top = std::max(w.bottom, w.top - U(kLegendBandPx));
    const int mid = w.bottom + (top - w.bottom) / 2;
    return pane == 1 ? LogRect{w.left, mid, w.right, w.bottom} : LogRect{w.left, top, w.right, mid};
}

LogPoint CPlotPainter::ToPainter(const LogRect& f, int pane, PltXY p) const
{
    const PlotMapping& m = m_state.Mapping(pane);
    const long long w = f.right - f.left, h = f.top - f.bottom;
    const long long x = f.left + (static_cast<long long>(p.x) - m.originX) * w / m.extentX;
    const long long y = f.bottom + (static_cast<long long>(p.y) - m.originY) * h / m.extentY;
    return {ClampInt(x), ClampInt(y)};
}

PltXY CPlotPainter::ToLogical(const LogRect& f, int pane, LogPoint p) const
{
    const PlotMapping& m = m_state.Mapping(pane);
    const double w = std::max(1, f.right - f.left), h = std::max(1, f.top - f.bottom);
    const double x = m.originX + (p.x - f.left) * static_cast<double>(m.extentX) / w;
    const double y = m.originY + (p.y - f.bottom) * static_cast<double>(m.extentY) / h;
    auto c = [](double v) {
        return static_cast<int32_t>(std::clamp(std::lround(v), -static_cast<long>(kPltCoordLimit),
                                               static_cast<long>(kPltCoordLimit)));
    };
    return {c(x), c(y)};
}

// ------------------------------------------------------------------ clipping

int CPlotPainter::RegionCode(const PlotMapping& m, PltXY p)
{
    const int xc = p.x < m.originX ? 1 : (p.x > m.Right() ? 3 : 2);
    const int yc = p.y > m.Top() ? 10 : (p.y < m.originY ? 30 : 20);
    return xc + yc;
}

namespace {

// Moves an end that lies outside the window to its boundary along the segment towards
// `other`: first to the top or bottom edge, and when x then lies outside, from its first
// position to the left or right edge instead.
PltXY MoveEnd(const PlotMapping& m, PltXY p, PltXY other, int code)
{
    const int yc = code / 10 * 10;
    const int xc = code % 10;
    if ((yc == 10 || yc == 30) && other.y != p.y) {
        const long long ey = yc == 10 ? m.Top() : m.originY;
        const long long x = p.x + (static_cast<long long>(other.x) - p.x) * (ey - p.y) / (static_cast<long long>(other.y) - p.y);
        if (x >= m.originX && x <= m.Right())
            return {static_cast<int32_t>(x), static_cast<int32_t>(ey)};
    }
    if ((xc == 1 || xc == 3) && other.x != p.x) {
        const long long ex = xc == 1 ? m.originX : m.Right();
        const long long y = p.y + (static_cast<long long>(other.y) - p.y) * (ex - p.x) / (static_cast<long long>(other.x) - p.x);
        return {static_cast<int32_t>(ex), static_cast<int32_t>(std::clamp<long long>(y, INT32_MIN, INT32_MAX))};
    }
    return p;
}

}  // namespace

bool CPlotPainter::ClipSegment(const PlotMapping& m, PltXY& a, PltXY& b)
{
    const int ca = RegionCode(m, a);
    const int cb = RegionCode(m, b);
    if (ca == 22 && cb == 22)
        return true;
    if (ca != 22 && cb != 22) {
        // Both outside: a segment wholly on one side of the window has no visible part.
        if ((ca % 10 == cb % 10 && ca % 10 != 2) || (ca / 10 == cb / 10 && ca / 10 != 2))
            return false;
        const PltXY na = MoveEnd(m, a, b, ca);
        const PltXY nb = MoveEnd(m, b, a, cb);
        if (RegionCode(m, na) != 22 || RegionCode(m, nb) != 22)
            return false;
        a = na;
        b = nb;
        return true;
    }
    if (ca != 22)
        a = MoveEnd(m, a, b, ca);
    else
        b = MoveEnd(m, b, a, cb);
    return RegionCode(m, a) == 22 && RegionCode(m, b) == 22;
}

// ------------------------------------------------------------------ drawing

void CPlotPainter::DrawGrid(Painter& painter, int pane, const LogRect& f, bool labelsRight) const
{
    const PlotMapping& m = m_state.Mapping(pane);
    const int textH = U(kTextPx);
    painter.SetPen(kPlotColorGrid);
    painter.SetTextColor(kPlotColorFrame);

    // Frequency axis: the tick table's lines; decades labelled, the others too when the
    // view holds less than two decades and there is room. A second value axis on the right
    // (gain and phase in one frame) shares the frequency axis drawn for the first.
    const auto& ticks = CPlot::FrequencyTicks();
    int decadesShown = 0;
    for (const auto& t : ticks)
        if (t.second >= m.originX && t.second <= m.Right() && t.second % 1000 == 0)
            ++decadesShown;
    int lastLine = INT32_MIN / 2, lastLabelRight = INT32_MIN / 2;
    for (const auto& [freq, lx] : ticks) {
        if (labelsRight)
            break;
        if (lx < m.originX || lx > m.Right())
            continue;
        const bool decade = lx % 1000 == 0;
        const int px = ToPainter(f, pane, {lx, 0}).x;
        if (!decade && px - lastLine < U(kMinGridPx))
            continue;
        painter.Line({px, f.bottom}, {px, f.top});
        lastLine = px;
        if (!decade && decadesShown >= 2)
            continue;
        const std::string label = FrequencySettingText(freq) + "Hz";
        const int w = TextWidth(label, textH);
        const int left = px - w / 2;
        if (left <= lastLabelRight + U(6))
            continue;
        painter.Text({left, f.bottom - textH - U(3)}, label, textH);
        lastLabelRight = left + w;
    }

    if (!labelsRight) {
        const int w = TextWidth(kFrequencyAxisTitle, textH);
        painter.Text({(f.left + f.right) / 2 - w / 2, f.bottom - 2 * textH - U(7)}, kFrequencyAxisTitle, textH);
    }
    {
        // The value axis title, upright beside the labels (outside them on the right).
        const std::string title = pane == kPaneDelay ? std::string(kDelayAxisTitle) + " (" + m_plot.DelayUnitName() + ")"
                                  : pane == kPanePhase ? kPhaseAxisTitle
                                                       : kGainAxisTitle;
        const int w = TextWidth(title, textH);
        const int x = labelsRight ? f.right + U(kFrameLeftPx) - U(4) : f.left - U(kFrameLeftPx) + U(4) + textH;
        painter.TextUp({x, (f.top + f.bottom) / 2 - w / 2}, title, textH);
    }

    // Value axis: 1-2-5 steps with at least kMinYGridPx between lines, in the numbers the axis
    // shows (the delay pane's in its display unit).
    const double scale = LabelScale(pane);
    const double span = m.extentY / static_cast<double>(kPltUnitsPerDb) * scale;
    const double heightPx = (f.top - f.bottom) / static_cast<double>(m_unit);
    const double maxLines = std::max(2.0, heightPx / kMinYGridPx);
    static constexpr double kSteps[] = {0.02, 0.05, 0.1, 0.2, 0.5, 1,   2,    5,    10,   20,
                                        50,   100,  200, 500, 1000, 2000, 5000, 10000, 20000};
    double step = kSteps[std::size(kSteps) - 1];
    for (double s : kSteps)
        if (span / s <= maxLines) {
            step = s;
            break;
        }
    const int decimals = step >= 1 ? 0 : (step >= 0.1 ? 1 : 2);
    const double low = m.originY / static_cast<double>(kPltUnitsPerDb) * scale;
    const double high = m.Top() / static_cast<double>(kPltUnitsPerDb) * scale;
    for (double v = std::ceil(low / step - 1e-9) * step; v <= high + 1e-9; v += step) {
        const double ly = v / scale * kPltUnitsPerDb;
        const int py = static_cast<int>(f.bottom + (ly - m.originY) * (f.top - f.bottom) / m.extentY);
        if (!labelsRight) {
            painter.SetPen(kPlotColorGrid);
            painter.Line({f.left, py}, {f.right, py});
        }
        const double shown = std::fabs(v) < step / 1000 ? 0.0 : v;
        const std::string label =
            decimals == 0 ? std::to_string(static_cast<long long>(std::llround(shown))) : Fixed(shown, decimals);
        const int w = TextWidth(label, textH);
        const int x = labelsRight ? f.right + U(4) : f.left - U(4) - w;
        // Labels too close to a frame edge to be legible are left out.
        if (py < f.bottom - textH / 2 || py > f.top + textH / 2)
            continue;
        painter.Text({x, py - textH * 2 / 5}, label, textH);
    }
}

void CPlotPainter::DrawCurve(Painter& painter, int pane, const LogRect& f, int curve) const
{
    const auto& pts = m_plot.Points(curve);
    if (pts.empty())
        return;
    const PlotMapping& m = m_state.Mapping(pane);
    const int color = kPlotColorCurve1 + curve;
    painter.SetPen(color);

    // Device positions of the points, kept for hit tests.
    for (const CPltPoint& p : pts) {
        const LogPoint d = ToPainter(f, pane, PaneXY(p, pane));
        p.DeviceXY(pane) = {d.x, d.y};
    }
    // A group delay that is not known (a single point, a phase step) leaves a gap.
    auto known = [pane](const CPltPoint& p) { return pane != kPaneDelay || std::isfinite(p.m_groupDelay); };

    // Consecutive visible segments go out as one polyline.
    thread_local std::vector<LogPoint> run;
    run.clear();
    auto flush = [&] {
        if (run.size() >= 2)
            painter.Polyline(run.data(), run.size());
        run.clear();
    };
    for (std::size_t i = 1; i < pts.size(); ++i) {
        PltXY a = PaneXY(pts[i - 1], pane);
        PltXY b = PaneXY(pts[i], pane);
        if (!known(pts[i - 1]) || !known(pts[i]) || !ClipSegment(m, a, b)) {
            flush();
            continue;
        }
        const LogPoint pa = ToPainter(f, pane, a);
        const LogPoint pb = ToPainter(f, pane, b);
        if (run.empty() || !(run.back() == pa)) {
            flush();
            run.push_back(pa);
        }
        if (!(run.back() == pb))
            run.push_back(pb);
        else if (run.size() == 1)
            run.push_back(pb);  // a segment shorter than a painter unit still shows
    }
    flush();

    if (m_state.GetDataPoints() || pts.size() == 1) {
        painter.SetBrush(color);
        const int h = U(kMarkPx);
        for (const CPltPoint& p : pts) {
            if (!known(p) || RegionCode(m, PaneXY(p, pane)) != 22)
                continue;
            const LogPoint d = ToPainter(f, pane, PaneXY(p, pane));
            painter.Rectangle({d.x - h, d.y + h, d.x + h, d.y - h});
        }
        painter.SetBrush(Painter::kNone);
    }
}

void CPlotPainter::DrawCurves(Painter& painter, int pane, const LogRect& f) const
{
    const int active = m_plot.GetActiveCurve();
    for (int c = 0; c < CPlot::kCurveCount; ++c)
        if (c != active && m_state.IsShown(c) && m_plot.IsValid(c))
            DrawCurve(painter, pane, f, c);
    if (m_state.IsShown(active) && m_plot.IsValid(active))
        DrawCurve(painter, pane, f, active);
}

void CPlotPainter::DrawCrosshair(Painter& painter, int pane, const LogRect& f) const
{
    if (!m_crosshair || !m_plot.GetCrosshair() || !m_plot.IsValid(m_plot.GetActiveCurve()))
        return;
    const PlotMapping& m = m_state.Mapping(pane);
    const PltXY c{m_state.CrossX(), m_state.CrossY(pane)};
    const LogPoint d = ToPainter(f, pane, c);
    painter.SetPen(kPlotColorFrame);
    if (c.x >= m.originX && c.x <= m.Right())
        painter.Line({d.x, f.bottom}, {d.x, f.top});
    if (c.y >= m.originY && c.y <= m.Top())
        painter.Line({f.left, d.y}, {f.right, d.y});
}

void CPlotPainter::DrawPane(Painter& painter, int pane, const LogRect& area, bool activePane) const
{
    pane = PaneKind(pane);
    painter.SetPen(kPlotColorBackground);
    painter.SetBrush(kPlotColorBackground);
    painter.Rectangle(area);
    painter.SetBrush(Painter::kNone);

    painter.SetTextColor(activePane ? kPlotColorActiveTitle : kPlotColorInactiveTitle);
    painter.Text({area.left + U(6), area.top - U(kTitlePx) - U(3)}, PaneTitle(pane), U(kTitlePx));

    const LogRect f = PaneFrame(area);
    DrawGrid(painter, pane, f, false);
    DrawCurves(painter, pane, f);
    if (pane == kPaneGain)
        DrawMarkers(painter, f);
    DrawCrosshair(painter, pane, f);
    painter.SetPen(kPlotColorFrame);
    painter.Rectangle(f);
}

std::optional<CurveMarkers> CPlotPainter::ActiveCurveMarkers() const
{
    const int curve = m_plot.GetActiveCurve();
    if (!m_plot.IsValid(curve))
        return std::nullopt;
    std::vector<double> f, g;
    for (const CPltPoint& p : m_plot.Points(curve)) {
        f.push_back(p.m_freq);
        g.push_back(p.m_gain);
    }
    return FindCurveMarkers(f, g);
}

std::vector<std::string> CPlotPainter::MarkerTexts() const
{
    std::vector<std::string> texts;
    const std::optional<CurveMarkers> m = ActiveCurveMarkers();
    if (!m)
        return texts;
    texts.push_back("Peak " + Fixed(m->peakGainDb, 2) + "dB " + ShortFrequencyText(m->peakFrequency) + "Hz");
    for (const std::optional<double>& edge : {m->lowerEdge, m->upperEdge})
        if (edge)
            texts.push_back("-3dB " + ShortFrequencyText(*edge) + "Hz");
    return texts;
}

void CPlotPainter::DrawMarkers(Painter& painter, const LogRect& f) const
{
    if (!m_state.GetMarkers() || !m_state.IsShown(m_plot.GetActiveCurve()))
        return;
    const std::optional<CurveMarkers> m = ActiveCurveMarkers();
    if (!m)
        return;
    const std::vector<std::string> texts = MarkerTexts();
    const PlotMapping& map = m_state.Mapping(kPaneGain);
    const int h = U(kMarkerPx);
    const int textH = U(kTextPx);
    painter.SetPen(kPlotColorMarker);
    painter.SetBrush(kPlotColorMarker);
    painter.SetTextColor(kPlotColorMarker);
    // The label beside a marker, to its right unless it would leave the frame.
    auto label = [&](LogPoint at, const std::string& text, bool above) {
        const int w = TextWidth(text, textH);
        int x = at.x + h + U(4);
        if (x + w > f.right - U(2))
            x = at.x - h - U(4) - w;
        const int y = above ? at.y + h + U(3) : at.y - h - U(3) - textH * 4 / 5;
        painter.Text({x, y}, text, textH);
    };
    const PltXY peak{LogicalX(m->peakFrequency), LogicalY(m->peakGainDb)};
    if (RegionCode(map, peak) == 22) {
        // A triangle pointing down at the peak.
        const LogPoint d = ToPainter(f, kPaneGain, peak);
        const LogPoint tri[4] = {d, {d.x - h, d.y + 2 * h}, {d.x + h, d.y + 2 * h}, d};
        painter.Polygon(tri, 4);
        label({d.x, d.y + h}, texts.front(), true);
    }
    std::size_t next = 1;
    for (const std::optional<double>& edge : {m->lowerEdge, m->upperEdge}) {
        if (!edge)
            continue;
        const std::string& text = texts[next++];
        const PltXY at{LogicalX(*edge), LogicalY(m->peakGainDb - kHalfPowerDb)};
        if (RegionCode(map, at) != 22)
            continue;
        // A diamond on the curve where it is 3 dB below the peak.
        const LogPoint d = ToPainter(f, kPaneGain, at);
        const LogPoint dia[5] = {{d.x, d.y + h}, {d.x + h, d.y}, {d.x, d.y - h}, {d.x - h, d.y}, {d.x, d.y + h}};
        painter.Polygon(dia, 5);
        label(d, text, false);
    }
    painter.SetBrush(Painter::kNone);
}

void CPlotPainter::DrawLegend(Painter& painter, const LogRect& area) const
{
    painter.SetPen(kPlotColorBackground);
    painter.SetBrush(kPlotColorBackground);
    painter.Rectangle(area);
    painter.SetBrush(Painter::kNone);
    const int textH = U(kTextPx);
    const int midY = (area.top + area.bottom) / 2;
    int x = area.left + U(kFrameLeftPx);
    for (int c = 0; c < CPlot::kCurveCount; ++c) {
        if (!m_plot.IsValid(c))
            continue;
        const CurveSetting& s = m_plot.Setup().Curve(c);
        char text[64];
        std::snprintf(text, sizeof text, "Vo%d/Vi%d", s.outputNode, s.inputNode);
        const int w = U(22) + TextWidth(text, textH);
        painter.SetPen(kPlotColorCurve1 + c);
        painter.Line({x, midY}, {x + U(18), midY});
        painter.SetTextColor(kPlotColorFrame);
        painter.Text({x + U(22), midY - textH * 2 / 5}, text, textH);
        if (c == m_plot.GetActiveCurve()) {
            painter.SetPen(kPlotColorFrame);
            painter.Rectangle({x - U(4), midY + textH * 3 / 4, x + w + U(4), midY - textH * 3 / 4});
        }
        x += w + U(24);
    }
}

void CPlotPainter::DrawWindow(Painter& painter, const LogRect& area) const
{
    DrawLegend(painter, LegendArea(area));
    DrawPane(painter, m_state.PaneOf(0), PaneArea(area, 0), m_state.GetActivePane() == 0);
    DrawPane(painter, m_state.PaneOf(1), PaneArea(area, 1), m_state.GetActivePane() == 1);
}

int CPlotPainter::PictureBandHeight() const
{
    int lines = 0;
    for (int c = 0; c < CPlot::kCurveCount; ++c)
        lines += m_plot.IsValid(c) ? 1 : 0;
    return std::max(U(kTitleBlockPx), lines * U(kListLinePx)) + U(16);
}

std::string CPlotPainter::CurveDescription(int curve) const
{
    const CurveSetting& s = m_plot.Setup().Curve(curve);
    char buf[96];
    std::snprintf(buf, sizeof buf, "Curve %d   Vout %d/Vin %d", curve + 1, s.outputNode, s.inputNode);
    std::string text = buf;
    const auto& pts = m_plot.Points(curve);
    if (!pts.empty())
        text += "   " + ShortFrequencyText(pts.front().m_freq) + "Hz to " + ShortFrequencyText(pts.back().m_freq) + "Hz";
    return text;
}

int CPlotPainter::DrawCurveList(Painter& painter, int x, int y, int lineStep,
                                std::string (CPlotPainter::*text)(int) const) const
{
    const int textH = U(kTextPx);
    int lines = 0;
    for (int c = 0; c < CPlot::kCurveCount; ++c) {
        if (!m_plot.IsValid(c))
            continue;
        painter.SetPen(kPlotColorCurve1 + c);
        painter.Line({x, y + textH / 3}, {x + U(24), y + textH / 3});
        painter.SetTextColor(kPlotColorFrame);
        painter.Text({x + U(30), y}, (this->*text)(c), textH);
        y -= lineStep;
        ++lines;
    }
    return lines;
}

void CPlotPainter::DrawPicture(Painter& painter, const LogRect& area, const PlotTitleBlock& title) const
{
    const int band = std::min(PictureBandHeight(), (area.top - area.bottom) / 2);
    CPlotPainter window = *this;
    window.m_crosshair = false;
    window.DrawWindow(painter, {area.left, area.top, area.right, area.bottom + band});

    const LogRect r{area.left, area.bottom + band, area.right, area.bottom};
    painter.SetPen(kPlotColorBackground);
    painter.SetBrush(kPlotColorBackground);
    painter.Rectangle(r);
    painter.SetBrush(Painter::kNone);
    painter.SetPen(kPlotColorGrid);
    painter.Line({r.left, r.top}, {r.right, r.top});
    const int margin = U(8);
    DrawCurveList(painter, r.left + U(kFrameLeftPx), r.top - margin - U(kTextPx), U(kListLinePx),
                  &CPlotPainter::CurveDescription);
    const int blockH = std::min(U(kTitleBlockPx), r.top - r.bottom - 2 * margin);
    const LogRect block{std::max(r.left, r.right - margin - U(kTitleBlockWidthPx)), r.top - margin,
                        r.right - margin, r.top - margin - blockH};
    DrawTitleBlock(painter, block, title);
}

// ------------------------------------------------------------------ printing

std::string CPlotPainter::PrintedLegendText(int curve) const
{
    const CurveSetting& s = m_plot.Setup().Curve(curve);
    char buf[64];
    std::snprintf(buf, sizeof buf, "Vout %d/Vin %d", s.outputNode, s.inputNode);
    std::string out = buf;
    int g = 0, p = 0;
    if (m_plot.ValueAt(curve, m_state.CrossX(), &g, &p)) {
        out += "   " + ShortFrequencyText(FrequencyOfX(m_state.CrossX())) + "Hz";
        out += "   " + Fixed(ValueOfY(g), 2) + "dB";
        out += "   " + Fixed(ValueOfY(p), 2) + "Deg";
    }
    return out;
}

void CPlotPainter::DrawTitleBlock(Painter& painter, const LogRect& r, const PlotTitleBlock& title) const
{
    painter.SetPen(kPlotColorFrame);
    painter.SetBrush(Painter::kNone);
    painter.Rectangle(r);
    const int rowH = (r.top - r.bottom) / 3;
    painter.Line({r.left, r.top - rowH}, {r.right, r.top - rowH});
    painter.Line({r.left, r.top - 2 * rowH}, {r.right, r.top - 2 * rowH});
    painter.SetTextColor(kPlotColorFrame);
    const int h = std::min(U(kTextPx), rowH * 3 / 4);
    const int x = r.left + U(6);
    auto row = [&](int i, const std::string& s) { painter.Text({x, r.top - (i + 1) * rowH + (rowH - h) / 2 + h / 5}, s, h); };
    row(0, title.title.empty() ? std::string("Untitled") : title.title);
    row(1, (m_state.LowerPane() == kPaneDelay ? "Gain/Group Delay Plot   " : "Gain/Phase Plot   ") + title.deviceType);
    row(2, title.date);
}

void CPlotPainter::DrawPage(Painter& painter, const LogRect& page, int mode, int pageIndex,
                            const PlotTitleBlock& title) const
{
    // Printed pages show the crosshair's values in the legend, not its lines.
    CPlotPainter printed = *this;
    printed.m_crosshair = false;
    printed.DrawPrintedPage(painter, page, mode, pageIndex, title);
}

void CPlotPainter::DrawPrintedPage(Painter& painter, const LogRect& page, int mode, int pageIndex,
                                   const PlotTitleBlock& title) const
{
    const int lower = m_state.PaneOf(1);
    const int margin = U(40);
    const LogRect inner{page.left + margin, page.top - margin, page.right - margin, page.bottom + margin};
    const int blockH = U(kTitleBlockPx);
    const LogRect block{std::max(inner.left, inner.right - U(kTitleBlockWidthPx)), inner.bottom + blockH, inner.right,
                        inner.bottom};
    const int legendLines = [&] {
        int n = 0;
        for (int c = 0; c < CPlot::kCurveCount; ++c)
            n += m_plot.IsValid(c) ? 1 : 0;
        return n;
    }();
    const int legendBottom = inner.bottom + std::max(blockH, legendLines * U(kListLinePx)) + U(12);
    const LogRect plots{inner.left, inner.top, inner.right, legendBottom};

    painter.SetPen(kPlotColorBackground);
    painter.SetBrush(kPlotColorBackground);
    painter.Rectangle(page);
    painter.SetBrush(Painter::kNone);

    if (mode == kPrintOnePlot) {
        // Gain and phase in one frame: gain labels on the left, phase labels on the right.
        LogRect area = plots;
        painter.SetTextColor(kPlotColorFrame);
        painter.Text({area.left + U(6), area.top - U(kTitlePx) - U(3)},
                     std::string(kGainPaneTitle) + "  /  " + PaneTitle(lower), U(kTitlePx));
        LogRect f = PaneFrame(area);
        f.right = area.right - U(kFrameLeftPx);
        DrawGrid(painter, kPaneGain, f, false);
        DrawGrid(painter, lower, f, true);
        DrawCurves(painter, kPaneGain, f);
        DrawCurves(painter, lower, f);
        DrawMarkers(painter, f);
        painter.SetPen(kPlotColorFrame);
        painter.Rectangle(f);
    } else if (mode == kPrintTwoPlotsOnePage) {
        const int mid = plots.bottom + (plots.top - plots.bottom) / 2;
        DrawPane(painter, kPaneGain, {plots.left, plots.top, plots.right, mid + U(6)}, true);
        DrawPane(painter, lower, {plots.left, mid - U(6), plots.right, plots.bottom}, true);
    } else {
        DrawPane(painter, pageIndex == 1 ? lower : kPaneGain, plots, true);
    }

    // Printed legend, one line per valid curve.
    DrawCurveList(painter, inner.left, legendBottom - U(12) - U(kTextPx), U(kListLinePx),
                  &CPlotPainter::PrintedLegendText);
    DrawTitleBlock(painter, block, title);
}

}  // namespace kalidor
