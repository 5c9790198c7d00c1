// The arithmetic of the zooming schematic view, kept apart from any window: the visible logical
// rectangle with its zoom history, the mapping between logical units (0.001 inch, y up) and
// device pixels (y down), the rule that starts a zoom-select drag, the mouse-position text and
// the date of the printed title block.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "base/Painter.h"

namespace kalidor {

class CSchematic;

// A rectangle in logical units with left < right and bottom < top (y up).
struct ViewRect {
    double left = 0, bottom = 0, right = 0, top = 0;
    double Width() const { return right - left; }
    double Height() const { return top - bottom; }
    bool IsEmpty() const { return !(right > left) || !(top > bottom); }
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// The status-bar text of a logical position: "X=%d.%3.3d  Y=%d.%3.3d", inches with three
// decimals. Positions between -1 and 0 inch keep their minus sign ("X=-0.500").
std::string PositionText(int x, int y);

// A zoom-select drag starts once the pointer is more than 10 device pixels away from the press
// point in both x and y.
constexpr int kZoomSelectThreshold = 10;
bool ZoomSelectStarts(int pressX, int pressY, int x, int y);

// The title-block date: "%B %d, %Y" (English month name, two-digit day, four-digit year).
std::string TitleBlockDate(std::time_t when);

// The drawing area of a schematic: everything drawn (elements, texts, hit rectangles) with a
// margin of kExtentMargin around it, so that Zoom All and the printed page show the drawing
// whole and large; the letter-size landscape sheet (11 x 8.5 inch) when nothing is drawn.
constexpr int kExtentMargin = 300;
ViewRect SchematicExtent(CSchematic& schematic);

// Maps logical units to device pixels: the visible rectangle is fitted into the viewport with the
// same scale on both axes and centred.
struct ViewMapping {
    double scale = 1.0;  // pixels per logical unit
    double offsetX = 0, offsetY = 0;
    double left = 0, top = 0;  // logical coordinates of the mapping's origin

    static ViewMapping Fit(const ViewRect& visible, int viewportWidth, int viewportHeight);
    double ToDeviceX(double x) const { return (x - left) * scale + offsetX; }
    double ToDeviceY(double y) const { return (top - y) * scale + offsetY; }
    double ToLogicalX(double px) const { return (px - offsetX) / scale + left; }
    double ToLogicalY(double py) const { return top - (py - offsetY) / scale; }
};

// The visible area of the zooming view and its history for Zoom Previous.
class CZoomState {
public:
    static constexpr std::size_t kMaxHistory = 50;
    // The smallest visible width in logical units (0.05 inch) and the largest factor by which the
    // drawing area may be zoomed out.
    static constexpr double kMinWidth = 50.0;
    static constexpr double kMaxZoomOut = 8.0;

    void SetWorld(const ViewRect& world);
    const ViewRect& World() const { return m_world; }
    const ViewRect& Visible() const { return m_visible; }

    // Shows `r` (normalised, at least kMinWidth wide); the current area goes to the history.
    void ZoomTo(ViewRect r);
    // The whole drawing area; the current area goes to the history.
    void ZoomAll();
    // Back to the area before the last zoom; false when there is none.
    bool ZoomPrevious();
    bool HasPrevious() const { return !m_history.empty(); }
    // Zooms by `factor` (> 1 zooms in) keeping the logical point (x, y) where it is. Not recorded
    // in the history (a wheel turn is many small steps).
    void ZoomAbout(double x, double y, double factor);
    // Moves the visible area by (dx, dy) logical units, not recorded.
    void Pan(double dx, double dy);
    // Sets the visible area without recording it (scroll bars).
    void SetVisible(const ViewRect& r) { m_visible = r; }

private:
    ViewRect Limit(ViewRect r) const;

    ViewRect m_world{0, 0, 11000, 8500};
    ViewRect m_visible{0, 0, 11000, 8500};
    std::vector<ViewRect> m_history;
};

}  // namespace kalidor
