// Helpers for laying out a device schematic in absolute schematic coordinates (0.001 inch, y up):
// a draft binds one symbol and turns absolute positions into the origin-relative drawn elements
// the symbol keeps. Used by the device schematic classes drawn in code and by the generator of
// the device schematic support files.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "view/Schematic.h"

namespace kalidor {

// Width of a text of the schematic font at `height` logical units: Arial advance widths, with a
// margin for the wider sans-serif faces that may stand in for it. Lines split at '\n'; the width
// of the longest line.
int SchematicTextWidth(std::string_view text, int height = CSymbol::kTextHeight);

// The box a single-line text drawn with its baseline at (x, y) covers: from a little below the
// baseline (descenders) to the top of the capitals.
LogRect SchematicTextBox(int x, int y, std::string_view text, int height = CSymbol::kTextHeight);

// The smallest rectangle holding both.
LogRect UnionRect(const LogRect& a, const LogRect& b);
// True when the interiors of two rectangles (y up) share a point.
bool RectsOverlap(const LogRect& a, const LogRect& b);
// `r` grown by `d` on every side.
LogRect InflateRect(const LogRect& r, int d);

class CSymbolDraft {
public:
    // Binds the symbol of slot `key`, creating an empty one when the slot is empty.
    CSymbolDraft(CSchematic& schematic, int key);

    CSymbol* Symbol() const { return m_symbol; }
    bool IsValid() const { return m_symbol != nullptr; }

    // Origin; elements added later are stored relative to it (set it first).
    CSymbolDraft& Origin(int x, int y);
    // Name text (when it should differ from the label) and its baseline position.
    CSymbolDraft& Label(const std::string& text);
    CSymbolDraft& Name(int x, int y);
    // The name drawn in a rectangle (several lines).
    CSymbolDraft& NameRect(const LogRect& r);
    CSymbolDraft& Value(int x, int y);
    CSymbolDraft& ValueRect(const LogRect& r);
    CSymbolDraft& Hit(int left, int top, int right, int bottom);
    CSymbolDraft& Hit(const LogRect& r) { return Hit(r.left, r.top, r.right, r.bottom); }
    CSymbolDraft& Netlist(const std::string& text);

    // The name with its baseline at (x, y) and the value text right after it on the same line;
    // the hit rectangle covers both for a value as wide as `widestValue`. Returns the x just
    // right of that value.
    int NameValue(int x, int y, const std::string& widestValue, int gap = 120);
    // The name at (x, y) and the value text on the line below; the hit rectangle covers both.
    CSymbolDraft& NameOverValue(int x, int y, const std::string& widestValue, int lineStep = 250);
    // The hit rectangle: the given box, the name text and what the hit rectangle holds already,
    // with a small margin.
    CSymbolDraft& HitAround(const LogRect& box);

    // Drawn elements at absolute positions.
    CSymbolDraft& Elem(int type, int x, int y);
    // Element types with a scalable shape (op-amp, DAC, rectangle), factors in thousandths.
    CSymbolDraft& Scaled(int type, int x, int y, int sx, int sy);
    CSymbolDraft& Line(int x1, int y1, int x2, int y2);
    // A wire through the points, one line segment per leg.
    CSymbolDraft& Wire(std::initializer_list<LogPoint> points);
    CSymbolDraft& Dot(int x, int y);
    // A rectangle outline of four line segments.
    CSymbolDraft& Frame(int left, int top, int right, int bottom);
    // A capacitor in a horizontal wire, centred on (x, y): two upright plates 100 apart.
    CSymbolDraft& HCap(int x, int y);
    // A capacitor in an upright wire, centred on (x, y): two level plates 100 apart, 240 wide.
    CSymbolDraft& VCap(int x, int y);
    // An inductor winding along a horizontal wire from x1 to x2: `turns` half-round bumps.
    CSymbolDraft& Coil(int x1, int x2, int y, int turns);
    // A ground sign hanging from (x, y).
    CSymbolDraft& Ground(int x, int y);

private:
    CSymbol* m_symbol = nullptr;
};

}  // namespace kalidor
