// The drawing of a JTAG chain as an engineer reads it: "[Chain TDI]", the devices from TDI to
// TDO as boxes (name, type, IR length and the four chain sums), "[Chain TDO]", joined by wires
// with the signal's direction. The layout fits the window: it chooses how many boxes go in a row
// so that the boxes come out as large as possible (rows read left to right, the wire returns to
// the left edge between rows) and scales the whole to the viewport. This is the geometry only:
// the window paints it, hit-tests clicks and moves the selection with the keyboard through it.
// Coordinates are device pixels, y down.
#pragma once

#include <string>
#include <vector>

namespace kalidor {

class CJTAGDoc;
class CJtagChainElement;

struct ChainPoint {
    double x = 0, y = 0;
};

struct ChainBox {
    double left = 0, top = 0, width = 0, height = 0;
    int row = 0;
    bool terminal = false;
    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
    double CentreX() const { return left + width / 2; }
    double CentreY() const { return top + height / 2; }
    bool Contains(double x, double y) const { return x >= left && x < Right() && y >= top && y < Bottom(); }
};

// Keys that move the selection.
enum class ChainKey { kLeft, kRight, kUp, kDown, kHome, kEnd };

class CChainDiagram {
public:
    // Sizes at scale 1, in pixels.
    static constexpr double kDeviceWidth = 176;
    static constexpr double kDeviceHeight = 118;
    static constexpr double kTerminalWidth = 104;
    static constexpr double kTerminalHeight = 40;
    static constexpr double kGap = 48;      // the wire between two boxes of a row
    static constexpr double kRowGap = 40;   // between rows, where a wire returns to the left
    static constexpr double kMargin = 32;   // around the drawing, wide enough for a returning wire
    static constexpr double kFontPixels = 13;
    static constexpr double kLineHeight = 17;
    static constexpr double kPadding = 6;
    // The drawing grows with the window up to this scale (a short chain in a large window
    // stays readable rather than huge).
    static constexpr double kMaxScale = 1.75;

    // Lays out the elements of `chain` in a viewport of the given size.
    void Layout(const CJTAGDoc& chain, int viewportWidth, int viewportHeight);
    // The same for `count` elements (the first and the last are the terminals).
    void Layout(int count, int viewportWidth, int viewportHeight);

    int Count() const { return static_cast<int>(m_boxes.size()); }
    const ChainBox& Box(int index) const { return m_boxes[static_cast<std::size_t>(index)]; }
    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    double Scale() const { return m_scale; }
    // The wire from element `index` to the next one (index 0 .. Count()-2), from the right edge
    // of one box to the left edge of the next; its last segment ends at the arrowhead's tip.
    const std::vector<ChainPoint>& Wire(int index) const { return m_wires[static_cast<std::size_t>(index)]; }

    // The element under a point, or -1.
    int HitTest(double x, double y) const;
    // The element a key moves the selection to from `from` (-1: nothing selected yet).
    int Navigate(int from, ChainKey key) const;

    // The text lines of an element's box: a terminal shows its name; a device its name, its
    // type, its IR length, the four sums and whether its schematic is open or changed.
    static std::vector<std::string> BoxLines(const CJtagChainElement& element);

private:
    std::vector<ChainBox> m_boxes;
    std::vector<std::vector<ChainPoint>> m_wires;
    int m_columns = 1;
    int m_rows = 1;
    double m_scale = 1;
};

}  // namespace kalidor
