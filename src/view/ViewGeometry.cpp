#include "view/ViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "view/Schematic.h"
#include "view/SchematicDraft.h"

namespace kalidor {

std::string PositionText(int x, int y)
{
    auto part = [](int v) {
        // Integer part truncated towards zero, the remainder's magnitude as three digits; the
        // sign is written separately so that -0.5 inch reads "-0.500" rather than "0.500".
        const long long lv = v;
        const long long whole = std::llabs(lv) / 1000;
        const long long frac = std::llabs(lv) % 1000;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%lld.%3.3lld", lv < 0 ? "-" : "", whole, frac);
        return std::string(buf);
    };
    return "X=" + part(x) + "  Y=" + part(y);
}

bool ZoomSelectStarts(int pressX, int pressY, int x, int y)
{
    return std::abs(x - pressX) > kZoomSelectThreshold && std::abs(y - pressY) > kZoomSelectThreshold;
}

std::string TitleBlockDate(std::time_t when)
{
    static const char* const kMonths[12] = {"January", "February", "March",     "April",
                                            "May",     "June",     "July",      "August",
                                            "September", "October", "November", "December"};
    std::tm tm{};
    if (!localtime_r(&when, &tm))
        return {};
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s %02d, %04d", kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

ViewRect SchematicExtent(CSchematic& schematic)
{
    ViewRect r{1e300, 1e300, -1e300, -1e300};
    auto grow = [&r](double x, double y) {
        r.left = std::min(r.left, x);
        r.right = std::max(r.right, x);
        r.bottom = std::min(r.bottom, y);
        r.top = std::max(r.top, y);
    };
    auto growRect = [&grow](const LogRect& b) {
        if (b.IsNull())
            return;
        grow(b.left, b.top);
        grow(b.right, b.bottom);
    };
    // The box of a text as the symbol draws it: at its position, or from the top left of its
    // rectangle, line under line.
    auto growText = [&](const std::string& text, LogPoint at, const LogRect& rect) {
        if (text.empty())
            return;
        if (rect.IsNull()) {
            if (!(at == LogPoint{}))
                growRect(SchematicTextBox(at.x, at.y, text));
            return;
        }
        const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        const int left = std::min(rect.left, rect.right), top = std::max(rect.top, rect.bottom);
        growRect({left, top, left + SchematicTextWidth(text), top - lines * CSymbol::kTextHeight * 115 / 100});
    };
    for (CSymbol* s = schematic.GetFirstSymbol(); s; s = schematic.GetNextSymbol()) {
        if (s->IsHidden())
            continue;
        const LogPoint o = s->GetOrigin();
        growRect(s->GetHitRect());
        growText(s->GetNameText(), s->GetNameXY(), s->GetNameRect());
        growText(s->GetValueText(), s->GetValueXY(), s->GetValueRect());
        for (const CDrawnElement& e : s->GetDrawnElements()) {
            const LogPoint eo = e.GetOrigin();
            for (int i = 0; i < e.GetPointCount(); ++i) {
                const LogPoint p = e.GetPoint(i);
                grow(double(o.x) + eo.x + p.x, double(o.y) + eo.y + p.y);
            }
        }
    }
    if (r.left > r.right)
        return {0, 0, 11000, 8500};  // nothing drawn: the letter-size landscape sheet
    r.left -= kExtentMargin;
    r.bottom -= kExtentMargin;
    r.right += kExtentMargin;
    r.top += kExtentMargin;
    // Keep absurd coordinates of a damaged file from making the drawing area unusable.
    const double kLimit = 1e6;
    r.left = std::max(r.left, -kLimit);
    r.bottom = std::max(r.bottom, -kLimit);
    r.right = std::min(r.right, kLimit);
    r.top = std::min(r.top, kLimit);
    return r;
}

ViewMapping ViewMapping::Fit(const ViewRect& visible, int viewportWidth, int viewportHeight)
{
    ViewMapping m;
    const double w = std::max(1, viewportWidth);
    const double h = std::max(1, viewportHeight);
    const double vw = visible.Width() > 0 ? visible.Width() : 1.0;
    const double vh = visible.Height() > 0 ? visible.Height() : 1.0;
    m.scale = std::min(w / vw, h / vh);
    m.left = visible.left;
    m.top = visible.top;
    m.offsetX = (w - vw * m.scale) / 2.0;
    m.offsetY = (h - vh * m.scale) / 2.0;
    return m;
}

// ---------------------------------------------------------------- zoom state

void CZoomState::SetWorld(const ViewRect& world)
{
    m_world = world.IsEmpty() ? ViewRect{0, 0, 11000, 8500} : world;
    m_visible = m_world;
    m_history.clear();
}

ViewRect CZoomState::Limit(ViewRect r) const
{
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.bottom > r.top)
        std::swap(r.bottom, r.top);
    const double cx = (r.left + r.right) / 2, cy = (r.bottom + r.top) / 2;
    double w = std::max(r.Width(), kMinWidth);
    double h = std::max(r.Height(), kMinWidth);
    w = std::min(w, m_world.Width() * kMaxZoomOut);
    h = std::min(h, m_world.Height() * kMaxZoomOut);
    return {cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
}

void CZoomState::ZoomTo(ViewRect r)
{
    if (m_history.size() >= kMaxHistory)
        m_history.erase(m_history.begin());
    m_history.push_back(m_visible);
    m_visible = Limit(r);
}

void CZoomState::ZoomAll() { ZoomTo(m_world); }

bool CZoomState::ZoomPrevious()
{
    if (m_history.empty())
        return false;
    m_visible = m_history.back();
    m_history.pop_back();
    return true;
}

void CZoomState::ZoomAbout(double x, double y, double factor)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    ViewRect r{x - (x - m_visible.left) / factor, y - (y - m_visible.bottom) / factor,
               x + (m_visible.right - x) / factor, y + (m_visible.top - y) / factor};
    r = Limit(r);
    // Limit() keeps the centre; move the rectangle so that (x, y) stays at the same fraction.
    if (r.Width() != (m_visible.Width() / factor) || r.Height() != (m_visible.Height() / factor)) {
        const double fx = (x - m_visible.left) / m_visible.Width();
        const double fy = (y - m_visible.bottom) / m_visible.Height();
        const double w = r.Width(), h = r.Height();
        r = {x - fx * w, y - fy * h, x - fx * w + w, y - fy * h + h};
    }
    m_visible = r;
}

void CZoomState::Pan(double dx, double dy)
{
    m_visible.left += dx;
    m_visible.right += dx;
    m_visible.bottom += dy;
    m_visible.top += dy;
}

}  // namespace kalidor
