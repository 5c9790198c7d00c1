// The drawing surface of the schematic: everything the core draws (symbols, drawn elements,
// interconnect switches, texts) goes through this small interface. kalidor-cli implements it with
// an SVG writer, the desktop program with QPainter.
//
// Coordinates are logical units of 0.001 inch with y growing upwards; the painter maps them to
// its device. Colours are indices into the schematic colour table (CColorTable); the painter looks
// them up in the table's current scheme. Every pen is solid and one device pixel wide, unless a
// drawing asks for a heavier weight (SetPenWeight) to make a line stand out.
#pragma once

#include <cstddef>
#include <string_view>

namespace kalidor {

// A point in logical units.
struct LogPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const LogPoint&, const LogPoint&) = default;
};

// A rectangle in logical units. With y growing upwards, `top` is normally the larger y.
struct LogRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    friend bool operator==(const LogRect&, const LogRect&) = default;
};

class Painter {
public:
    // Colour index meaning "no pen" (nothing outlined) or "no brush" (shapes left hollow).
    static constexpr int kNone = -1;

    virtual ~Painter() = default;

    // Current outline/line colour and fill colour (colour-table indices, or kNone).
    virtual void SetPen(int colorIndex) = 0;
    virtual void SetBrush(int colorIndex) = 0;
    // Line weight in multiples of the normal width (1, the default); it stays until changed. A
    // painter that cannot draw heavier lines may ignore it.
    virtual void SetPenWeight(int weight) { (void)weight; }
    // Colour of the texts (drawn with a transparent background).
    virtual void SetTextColor(int colorIndex) = 0;

    virtual void Line(LogPoint from, LogPoint to) = 0;
    // Open chain of segments through the points, with the pen.
    virtual void Polyline(const LogPoint* points, std::size_t count) = 0;
    // Closed shape: filled with the brush and outlined with the pen.
    virtual void Polygon(const LogPoint* points, std::size_t count) = 0;
    // Ellipse inscribed in the rectangle: filled with the brush and outlined with the pen.
    virtual void Ellipse(const LogRect& bounds) = 0;
    // Rectangle: filled with the brush and outlined with the pen.
    virtual void Rectangle(const LogRect& r) = 0;

    // Text of font "Arial" (any sans-serif stand-in), `height` logical units high, left-aligned
    // at x with its baseline on y.
    virtual void Text(LogPoint baselineStart, std::string_view text, int height) = 0;
    // The same text turned a quarter turn anticlockwise (reading upwards), its baseline start at
    // `baselineStart`: an axis title beside an upright axis. A painter that cannot turn text
    // writes it level.
    virtual void TextUp(LogPoint baselineStart, std::string_view text, int height)
    {
        Text(baselineStart, text, height);
    }
    // Text placed in a rectangle: starting at its left edge, the first line's top at the
    // rectangle's top (the larger y), further lines ('\n') below it; not clipped to it.
    virtual void TextInRect(const LogRect& r, std::string_view text, int height) = 0;
};

}  // namespace kalidor
