// One small vector shape of a schematic symbol: an amplifier triangle, a resistor, a capacitor,
// a switch, a terminal, a box, a dot or a line, placed relative to the symbol's origin.
#pragma once

#include <array>
#include <string>

#include "base/Painter.h"

namespace kalidor {

// Element type numbers.
enum DrawnType : int {
    ELEM_LINE_SEGMENT = 0,
    ELEM_TRIANGLE_INV = 1,
    ELEM_TRIANGLE_LGR = 2,
    ELEM_TRIANGLE_T1T2 = 3,
    ELEM_TRIANGLE_OPAMP = 4,
    ELEM_RESISTOR = 5,
    ELEM_CLOSED_DOT = 6,
    ELEM_MUX = 7,
    ELEM_TERMINAL = 8,
    ELEM_SPST_SWITCH = 9,
    ELEM_MULT_SWITCH = 10,  // unused: neither drawn nor written
    ELEM_CAPACITOR = 11,
    ELEM_TRIANGLE_LGR_REV = 12,
    ELEM_TRIANGLE_T1T2_REV = 13,
    ELEM_TRIANGLE_OPAMP_REV = 14,
    ELEM_RESISTOR_REV = 15,
    ELEM_TRIANGLE_IA = 16,
    ELEM_TRIANGLE_IA_REV = 17,
    ELEM_DAC = 18,
    ELEM_PC_CTRL = 19,
    ELEM_TERMINAL_LEFT = 20,
    ELEM_TERMINAL_TOP = 21,
    ELEM_TERMINAL_RIGHT = 22,
    ELEM_RECTANGLE = 23,
    ELEM_RECTANGLE2 = 24,
    ELEM_RECTANGLE3 = 25,
    ELEM_MUX2 = 26,
    ELEM_MUX3 = 28,  // a tall multiplexer outline (no name of its own in files)
    ELEM_SWITCH_DOT = 30,
};

// Colour-table indices used when drawing elements.
namespace elemcolor {
constexpr int kLine = 16;
constexpr int kOutline = 20;
constexpr int kResistor = 21;
constexpr int kDot = 22;
constexpr int kSwitch = 25;
constexpr int kCapacitor = 27;
constexpr int kTerminal = 32;
constexpr int kFill = 37;
constexpr int kBoxFill = 38;
constexpr int kDotFill = 40;
constexpr int kHighlight = 51;
}  // namespace elemcolor

class CDrawnElement {
public:
    static constexpr int kMaxPoints = 15;
    // Scale factors are given in thousandths: 1000 keeps the built-in size.
    static constexpr int kUnitScale = 1000;

    static constexpr const char* kNoNameText = "ERROR:FORTH-code-attempted";

    CDrawnElement() = default;
    CDrawnElement(int type, int x, int y) : m_origin{x, y} { SetType(type); }

    // Assigns the type and its shape points. Types 4 (op-amp), 18 (DAC) and 23 (rectangle) are
    // scaled by sx/1000 and sy/1000; the other types ignore the factors.
    void SetType(int type, int sx = kUnitScale, int sy = kUnitScale);
    int GetType() const { return m_type; }

    LogPoint GetOrigin() const { return m_origin; }
    void SetOrigin(int x, int y) { m_origin = {x, y}; }

    int GetPointCount() const { return m_pointCount; }
    // Point i relative to the element's origin ((0,0) outside the point list).
    LogPoint GetPoint(int i) const;
    // Replaces point i (0..14); the count grows to include it. Returns 0 for an index outside.
    int SetPoint(int i, int x, int y);

    bool GetHighlight() const { return m_highlight; }
    int GetParam(int i) const { return (i >= 0 && i < 3) ? m_params[static_cast<std::size_t>(i)] : 0; }
    void SetParam(int i, int value) {
        if (i >= 0 && i < 3) m_params[static_cast<std::size_t>(i)] = value;
    }

    // Whether the element has a file form (everything but 10, 27, 29 and unknown numbers).
    bool IsWritable() const;

    // Draws at symbolOrigin + element origin + point; a highlighted element uses the highlight pen.
    void Draw(Painter& painter, LogPoint symbolOrigin, bool highlighted);
    // Appends the element's file lines (nothing for a type without a file form).
    void WriteXml(std::string& out) const;

    // The type's name as written in DrawnTypeAsText.
    static const char* TypeName(int type);

private:
    LogPoint Abs(LogPoint symbolOrigin, int i) const;

    int m_type = ELEM_LINE_SEGMENT;
    LogPoint m_origin;
    int m_pointCount = 0;
    std::array<LogPoint, kMaxPoints> m_points{};
    bool m_highlight = false;
    std::array<int, 3> m_params{};  // 0, 1: the scale factors of the last SetType; 2: unused
};

}  // namespace kalidor
