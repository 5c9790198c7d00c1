// The core painter interface on a QPainter: logical units (0.001 inch, y up) are mapped to the
// device through a ViewMapping, colours come from the colour table's current scheme. Pens are
// cosmetic (one device pixel), as the core expects.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>

#include "base/Painter.h"
#include "view/ColorTable.h"
#include "view/ViewGeometry.h"

namespace kalidor {

class QtPainter : public Painter {
public:
    QtPainter(QPainter& painter, const ViewMapping& mapping, const CColorTable& colors);

    void SetPen(int colorIndex) override;
    void SetBrush(int colorIndex) override;
    void SetPenWeight(int weight) override;
    void SetTextColor(int colorIndex) override;
    void Line(LogPoint from, LogPoint to) override;
    void Polyline(const LogPoint* points, std::size_t count) override;
    void Polygon(const LogPoint* points, std::size_t count) override;
    void Ellipse(const LogRect& bounds) override;
    void Rectangle(const LogRect& r) override;
    void Text(LogPoint baselineStart, std::string_view text, int height) override;
    void TextUp(LogPoint baselineStart, std::string_view text, int height) override;
    void TextInRect(const LogRect& r, std::string_view text, int height) override;

    QPointF Map(LogPoint p) const { return {m_map.ToDeviceX(p.x), m_map.ToDeviceY(p.y)}; }
    QRectF Map(const LogRect& r) const;
    QColor Color(int index) const;
    // Pen width in device pixels (printing uses more than one pixel per logical pixel).
    void SetPenWidth(double w) { m_penWidth = w; }

private:
    void ApplyFont(int height);

    QPainter& m_p;
    ViewMapping m_map;
    const CColorTable& m_colors;
    int m_textColor = 0;
    int m_fontPixels = -1;
    double m_penWidth = 0;  // 0: cosmetic one-pixel pen
    int m_weight = 1;
    int m_penColor = kNone;
};

}  // namespace kalidor
