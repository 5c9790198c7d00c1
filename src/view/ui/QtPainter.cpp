#include "view/ui/QtPainter.h"

#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

namespace kalidor {

namespace {
// Share of the font height above the baseline, and the line spacing of texts in rectangles
// (the SVG painter uses the same figures).
constexpr double kAscent = 0.8;
constexpr double kLineSpacing = 1.15;
// Texts smaller than this many pixels are not legible; they are left out when zoomed far out.
constexpr int kSmallestFontPixels = 2;
}  // namespace

QtPainter::QtPainter(QPainter& painter, const ViewMapping& mapping, const CColorTable& colors)
    : m_p(painter), m_map(mapping), m_colors(colors)
{
    m_p.setRenderHint(QPainter::Antialiasing, true);
    m_p.setRenderHint(QPainter::TextAntialiasing, true);
}

QColor QtPainter::Color(int index) const
{
    const std::uint32_t c = m_colors.GetColor(index);
    return QColor(CColorTable::Red(c), CColorTable::Green(c), CColorTable::Blue(c));
}

QRectF QtPainter::Map(const LogRect& r) const
{
    const QPointF a = Map(LogPoint{r.left, r.top});
    const QPointF b = Map(LogPoint{r.right, r.bottom});
    return QRectF(a, b).normalized();
}

void QtPainter::SetPen(int colorIndex)
{
    m_penColor = colorIndex;
    if (colorIndex == kNone) {
        m_p.setPen(Qt::NoPen);
        return;
    }
    QPen pen(Color(colorIndex));
    // A cosmetic width of 0 is one pixel; heavier weights multiply the normal width.
    pen.setWidthF(m_weight > 1 ? std::max(m_penWidth, 1.0) * m_weight : m_penWidth);
    pen.setCosmetic(true);
    pen.setCapStyle(m_weight > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(m_weight > 1 ? Qt::RoundJoin : Qt::BevelJoin);
    m_p.setPen(pen);
}

void QtPainter::SetPenWeight(int weight)
{
    weight = std::max(weight, 1);
    if (weight == m_weight)
        return;
    m_weight = weight;
    SetPen(m_penColor);
}

void QtPainter::SetBrush(int colorIndex)
{
    if (colorIndex == kNone)
        m_p.setBrush(Qt::NoBrush);
    else
        m_p.setBrush(Color(colorIndex));
}

void QtPainter::SetTextColor(int colorIndex) { m_textColor = colorIndex; }

void QtPainter::Line(LogPoint from, LogPoint to) { m_p.drawLine(Map(from), Map(to)); }

void QtPainter::Polyline(const LogPoint* points, std::size_t count)
{
    if (!points || count < 2)
        return;
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        poly << Map(points[i]);
    m_p.drawPolyline(poly);
}

void QtPainter::Polygon(const LogPoint* points, std::size_t count)
{
    if (!points || count < 2)
        return;
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        poly << Map(points[i]);
    m_p.drawPolygon(poly);
}

void QtPainter::Ellipse(const LogRect& bounds) { m_p.drawEllipse(Map(bounds)); }

void QtPainter::Rectangle(const LogRect& r) { m_p.drawRect(Map(r)); }

void QtPainter::ApplyFont(int pixels)
{
    if (pixels == m_fontPixels)
        return;
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    m_p.setFont(f);
    m_fontPixels = pixels;
}

void QtPainter::Text(LogPoint baselineStart, std::string_view text, int height)
{
    const int pixels = static_cast<int>(std::lround(std::max(height, 1) * m_map.scale));
    if (pixels < kSmallestFontPixels || text.empty())
        return;
    ApplyFont(pixels);
    const QPen saved = m_p.pen();
    m_p.setPen(Color(m_textColor));
    m_p.drawText(Map(baselineStart),
                 QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_p.setPen(saved);
}

void QtPainter::TextUp(LogPoint baselineStart, std::string_view text, int height)
{
    const int pixels = static_cast<int>(std::lround(std::max(height, 1) * m_map.scale));
    if (pixels < kSmallestFontPixels || text.empty())
        return;
    ApplyFont(pixels);
    m_p.save();
    m_p.setPen(Color(m_textColor));
    m_p.translate(Map(baselineStart));
    m_p.rotate(-90.0);
    m_p.drawText(QPointF(0, 0), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_p.restore();
}

void QtPainter::TextInRect(const LogRect& r, std::string_view text, int height)
{
    height = std::max(height, 1);
    const int left = std::min(r.left, r.right);
    long long baseline = static_cast<long long>(std::max(r.top, r.bottom)) - std::llround(kAscent * height);
    const long long step = std::llround(kLineSpacing * height);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (baseline < -2000000000LL)
            break;
        Text({left, static_cast<int>(baseline)}, line, height);
        baseline -= step;
        start = end + 1;
    }
}

}  // namespace kalidor
