// A painter that writes a standalone SVG document: logical units of 0.001 inch with y upwards
// become SVG user units with y downwards; the page is the area given, or the extent of everything
// drawn plus a margin. Texts are set in Arial (sans-serif) and escaped for XML.
#pragma once

#include <climits>
#include <cstdint>
#include <string>

#include "base/Painter.h"
#include "view/ColorTable.h"

namespace kalidor {

class SvgPainter : public Painter {
public:
    // Logical units added around the drawn extent when no page area is given.
    static constexpr int kMargin = 250;

    // Looks colours up in `colors` (not owned; it must outlive the painter) or, when null, in a
    // table of initial colours of its own.
    explicit SvgPainter(const CColorTable* colors = nullptr);

    // Fixes the logical area shown on the page (otherwise the drawn extent plus kMargin).
    void SetPageArea(const LogRect& area);
    // Device pixels per inch of the page size written in the width and height (default 100).
    void SetPixelsPerInch(int ppi);
    // Background fill of the page, a colour value (default white); kNone for transparent.
    void SetBackground(std::int64_t rgbOrNone);

    void SetPen(int colorIndex) override;
    void SetBrush(int colorIndex) override;
    void SetTextColor(int colorIndex) override;
    void SetPenWeight(int weight) override;

    void Line(LogPoint from, LogPoint to) override;
    void Polyline(const LogPoint* points, std::size_t count) override;
    void Polygon(const LogPoint* points, std::size_t count) override;
    void Ellipse(const LogRect& bounds) override;
    void Rectangle(const LogRect& r) override;
    void Text(LogPoint baselineStart, std::string_view text, int height) override;
    void TextUp(LogPoint baselineStart, std::string_view text, int height) override;
    void TextInRect(const LogRect& r, std::string_view text, int height) override;

    // The complete SVG document of everything drawn so far.
    std::string Document() const;

    // Text made safe for XML character data and attribute values: markup characters become
    // entities, control characters are dropped, bytes that are not UTF-8 are read as Latin-1.
    static std::string EscapeXml(std::string_view text);

private:
    std::string ColorText(int colorIndex) const;
    std::string StrokeAttr() const;
    std::string FillAttr() const;
    std::string PointsAttr(const LogPoint* points, std::size_t count);
    void Extend(int x, int y);
    // SVG coordinates relative to the page's top left, written after the extent is known:
    // the body stores logical x and negated logical y and a transform shifts them.
    static std::string Num(long long v) { return std::to_string(v); }

    const CColorTable* m_colors;
    CColorTable m_ownColors;
    int m_pen = 0;
    int m_weight = 1;
    int m_brush = kNone;
    int m_text = 0;
    int m_ppi = 100;
    std::int64_t m_background = CColorTable::Rgb(255, 255, 255);
    bool m_hasPage = false;
    LogRect m_page;
    bool m_hasExtent = false;
    int m_minX = INT_MAX, m_maxX = INT_MIN, m_minY = INT_MAX, m_maxY = INT_MIN;
    std::string m_body;
};

}  // namespace kalidor
