#include "view/DrawnElement.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <initializer_list>

namespace kalidor {

namespace {

using Shape = std::initializer_list<LogPoint>;

// Terminal with its lead pointing right (towards the origin), box to the left.
constexpr LogPoint kTerminalLeft[] = {{0, 0},       {-50, 0},     {-50, 0},     {-100, 150},
                                      {-50, 0},     {-100, -150}, {-100, 150},  {-200, 150},
                                      {-100, -150}, {-200, -150}, {-300, -150}, {-300, 150}};
constexpr LogPoint kTerminalTop[] = {{0, 0},     {0, 50},     {0, 50},     {150, 100},
                                     {0, 50},    {-150, 100}, {150, 100},  {150, 200},
                                     {-150, 100}, {-150, 200}, {-150, 300}, {150, 300}};

struct Style {
    int pen;
    int brush;
};

void Lines(Painter& p, LogPoint a, LogPoint b) { p.Line(a, b); }

// a + b, held within the int range (an element placed at the edge of the range stays there).
int Plus(int a, int b) {
    return static_cast<int>(std::clamp(static_cast<long long>(a) + b, static_cast<long long>(INT_MIN),
                                       static_cast<long long>(INT_MAX)));
}

LogRect Around(LogPoint c, int half) { return {Plus(c.x, -half), Plus(c.y, half), Plus(c.x, half), Plus(c.y, -half)}; }

// Rectangle through two opposite corners, in y-up order.
LogRect Corners(LogPoint a, LogPoint b) {
    return {std::min(a.x, b.x), std::max(a.y, b.y), std::max(a.x, b.x), std::min(a.y, b.y)};
}

int Scale(int v, int factor) {
    const long long r = static_cast<long long>(v) * factor / CDrawnElement::kUnitScale;
    if (r > 1000000000LL) return 1000000000;
    if (r < -1000000000LL) return -1000000000;
    return static_cast<int>(r);
}

}  // namespace

const char* CDrawnElement::TypeName(int type) {
    switch (type) {
    case ELEM_LINE_SEGMENT: return "ELEM_LINE_SEGMENT";
    case ELEM_TRIANGLE_INV: return "ELEM_TRIANGLE_INV";
    case ELEM_TRIANGLE_LGR: return "ELEM_TRIANGLE_LGR";
    case ELEM_TRIANGLE_T1T2: return "ELEM_TRIANGLE_T1T2";
    case ELEM_TRIANGLE_OPAMP: return "ELEM_TRIANGLE_OPAMP";
    case ELEM_RESISTOR: return "ELEM_RESISTOR";
    case ELEM_CLOSED_DOT: return "ELEM_CLOSED_DOT";
    case ELEM_MUX: return "ELEM_MUX";
    case ELEM_TERMINAL: return "ELEM_TERMINAL";
    case ELEM_SPST_SWITCH: return "ELEM_SPST_SWITCH";
    case ELEM_MULT_SWITCH: return "UNUSED:ELEM_MULT_SWITCH";
    case ELEM_CAPACITOR: return "ELEM_CAPACITOR";
    case ELEM_TRIANGLE_LGR_REV: return "ELEM_TRIANGLE_LGR_REV";
    case ELEM_TRIANGLE_T1T2_REV: return "ELEM_TRIANGLE_T1T2_REV";
    case ELEM_TRIANGLE_OPAMP_REV: return "ELEM_TRIANGLE_OPAMP_REV";
    case ELEM_RESISTOR_REV: return "ELEM_RESISTOR_REV";
    case ELEM_TRIANGLE_IA: return "ELEM_TRIANGLE_IA";
    case ELEM_TRIANGLE_IA_REV: return "ELEM_TRIANGLE_IA_REV";
    case ELEM_DAC: return "ELEM_DAC";
    case ELEM_PC_CTRL: return "ELEM_PC_CTRL";
    case ELEM_TERMINAL_LEFT: return "ELEM_TERMINAL_LEFT";
    case ELEM_TERMINAL_TOP: return "ELEM_TERMINAL_TOP";
    case ELEM_TERMINAL_RIGHT: return "ELEM_TERMINAL_RIGHT";
    case ELEM_RECTANGLE: return "ELEM_RECTANGLE";
    case ELEM_RECTANGLE2: return "ELEM_RECTANGLE2";
    case ELEM_RECTANGLE3: return "ELEM_RECTANGLE3";
    case ELEM_MUX2: return "ELEM_MUX2";
    case ELEM_SWITCH_DOT: return "ELEM_SWITCH_DOT";
    default: return kNoNameText;
    }
}

void CDrawnElement::SetType(int type, int sx, int sy) {
    m_type = type;
    m_pointCount = 0;
    m_points = {};
    m_params[0] = sx;
    m_params[1] = sy;
    auto set = [this](Shape shape) {
        for (const LogPoint& p : shape) {
            if (m_pointCount >= kMaxPoints) break;
            m_points[static_cast<std::size_t>(m_pointCount++)] = p;
        }
    };
    auto setArray = [this](const LogPoint* pts, int n, bool negateX) {
        for (int i = 0; i < n && m_pointCount < kMaxPoints; ++i)
            m_points[static_cast<std::size_t>(m_pointCount++)] = {negateX ? -pts[i].x : pts[i].x, pts[i].y};
    };
    auto scaled = [&](Shape shape) {
        set(shape);
        for (int i = 0; i < m_pointCount; ++i) {
            auto& p = m_points[static_cast<std::size_t>(i)];
            p = {Scale(p.x, sx), Scale(p.y, sy)};
        }
    };
    switch (type) {
    case ELEM_LINE_SEGMENT: set({{0, 0}, {0, 200}}); break;
    case ELEM_TRIANGLE_INV: set({{0, 0}, {0, 150}, {150, 75}, {0, 0}}); break;
    case ELEM_TRIANGLE_LGR: set({{0, 0}, {0, 200}, {200, 100}, {0, 0}}); break;
    case ELEM_TRIANGLE_T1T2: set({{0, 0}, {0, 400}, {400, 200}, {0, 0}}); break;
    case ELEM_TRIANGLE_OPAMP: scaled({{0, 0}, {0, 800}, {800, 400}, {0, 0}}); break;
    case ELEM_RESISTOR:
    case ELEM_RESISTOR_REV:
        set({{0, 0}, {33, 66}, {100, -66}, {166, 66}, {233, -66}, {300, 66}, {366, -66}, {400, 0}});
        break;
    case ELEM_CLOSED_DOT: set({{0, 0}}); break;
    case ELEM_MUX:
        set({{0, 0}, {150, 50}, {150, 650}, {0, 700}, {0, 500}, {75, 450}, {75, 250}, {0, 200}, {0, 0}});
        break;
    // The plain terminal keeps a terminal point list; it is drawn as a square around its origin.
    case ELEM_TERMINAL: setArray(kTerminalLeft, 12, false); break;
    case ELEM_SPST_SWITCH: set({{0, 0}, {200, 0}}); break;
    case ELEM_MULT_SWITCH: set({{0, 0}, {50, 100}, {250, 100}, {350, -100}}); break;
    case ELEM_CAPACITOR: set({{0, -100}, {0, 100}, {100, 100}, {100, -100}}); break;
    case ELEM_TRIANGLE_LGR_REV: set({{0, 0}, {0, 200}, {-200, 100}, {0, 0}}); break;
    case ELEM_TRIANGLE_T1T2_REV: set({{0, 0}, {0, 400}, {-400, 200}, {0, 0}}); break;
    case ELEM_TRIANGLE_OPAMP_REV: set({{0, 0}, {0, 800}, {-800, 400}, {0, 0}}); break;
    case ELEM_TRIANGLE_IA: set({{0, 0}, {0, 600}, {600, 300}, {0, 0}}); break;
    case ELEM_TRIANGLE_IA_REV: set({{0, 0}, {0, 600}, {-600, 300}, {0, 0}}); break;
    case ELEM_DAC: scaled({{0, 0}, {0, 600}, {1200, 600}, {1500, 300}, {1200, 0}, {0, 0}}); break;
    case ELEM_PC_CTRL: set({{0, 0}, {0, 500}, {200, 500}, {200, 0}, {0, 0}}); break;
    case ELEM_TERMINAL_LEFT: setArray(kTerminalLeft, 12, false); break;
    case ELEM_TERMINAL_TOP: setArray(kTerminalTop, 12, false); break;
    case ELEM_TERMINAL_RIGHT: setArray(kTerminalLeft, 12, true); break;
    case ELEM_RECTANGLE: scaled({{0, 0}, {0, 600}, {600, 600}, {600, 0}, {0, 0}}); break;
    case ELEM_RECTANGLE2: set({{0, 0}, {0, 1000}, {2500, 1000}, {2500, 0}, {0, 0}}); break;
    case ELEM_RECTANGLE3: set({{0, 0}, {0, 1500}, {2500, 1500}, {2500, 0}, {0, 0}}); break;
    case ELEM_MUX2: set({{0, 0}, {500, 500}, {2000, 500}, {2500, 0}, {0, 0}}); break;
    case ELEM_MUX3:
        set({{0, 0}, {200, 100}, {200, 900}, {0, 1000}, {0, 700}, {100, 625}, {100, 375}, {0, 300}, {0, 0}});
        break;
    case ELEM_SWITCH_DOT: set({{0, 0}}); break;
    default: break;  // no built-in shape
    }
}

LogPoint CDrawnElement::GetPoint(int i) const {
    if (i < 0 || i >= m_pointCount) return {};
    return m_points[static_cast<std::size_t>(i)];
}

int CDrawnElement::SetPoint(int i, int x, int y) {
    if (i < 0 || i >= kMaxPoints) return 0;
    m_points[static_cast<std::size_t>(i)] = {x, y};
    if (i >= m_pointCount) m_pointCount = i + 1;
    return 1;
}

bool CDrawnElement::IsWritable() const {
    return (m_type >= 0 && m_type <= 9) || (m_type >= 11 && m_type <= 26) || m_type == ELEM_MUX3 ||
           m_type == ELEM_SWITCH_DOT;
}

LogPoint CDrawnElement::Abs(LogPoint o, int i) const {
    const LogPoint p = GetPoint(i);
    // Summed without overflow: an element placed absurdly far off is drawn at the edge.
    return {Plus(Plus(o.x, m_origin.x), p.x), Plus(Plus(o.y, m_origin.y), p.y)};
}

void CDrawnElement::Draw(Painter& painter, LogPoint symbolOrigin, bool highlighted) {
    m_highlight = highlighted;
    auto style = [&](int pen, int brush) {
        painter.SetPen(highlighted ? elemcolor::kHighlight : pen);
        painter.SetBrush(brush);
    };
    auto polygon = [&](int brush) {
        style(elemcolor::kOutline, brush);
        LogPoint pts[kMaxPoints];
        for (int i = 0; i < m_pointCount; ++i) pts[i] = Abs(symbolOrigin, i);
        painter.Polygon(pts, static_cast<std::size_t>(m_pointCount));
    };
    const LogPoint at = Abs(symbolOrigin, -1);  // the element's own origin
    switch (m_type) {
    case ELEM_LINE_SEGMENT:
        style(elemcolor::kLine, Painter::kNone);
        painter.Line(Abs(symbolOrigin, 0), Abs(symbolOrigin, 1));
        break;
    case ELEM_TRIANGLE_INV:
    case ELEM_TRIANGLE_LGR:
    case ELEM_TRIANGLE_T1T2:
    case ELEM_TRIANGLE_OPAMP:
    case ELEM_MUX:
    case ELEM_TRIANGLE_LGR_REV:
    case ELEM_TRIANGLE_T1T2_REV:
    case ELEM_TRIANGLE_OPAMP_REV:
    case ELEM_TRIANGLE_IA:
    case ELEM_TRIANGLE_IA_REV:
    case ELEM_DAC:
    case ELEM_MUX2:
    case ELEM_MUX3:
        polygon(elemcolor::kFill);
        break;
    case ELEM_PC_CTRL:
    case ELEM_RECTANGLE:
    case ELEM_RECTANGLE2:
    case ELEM_RECTANGLE3:
        polygon(elemcolor::kBoxFill);
        break;
    case ELEM_RESISTOR:
    case ELEM_RESISTOR_REV: {
        style(elemcolor::kResistor, Painter::kNone);
        LogPoint pts[kMaxPoints];
        for (int i = 0; i < m_pointCount; ++i) pts[i] = Abs(symbolOrigin, i);
        painter.Polyline(pts, static_cast<std::size_t>(m_pointCount));
        break;
    }
    case ELEM_CLOSED_DOT:
        style(elemcolor::kDot, elemcolor::kDotFill);
        painter.Ellipse(Around(at, 30));
        break;
    case ELEM_TERMINAL:
        style(elemcolor::kTerminal, elemcolor::kBoxFill);
        painter.Rectangle(Around(at, 100));
        break;
    case ELEM_SPST_SWITCH: {
        // Two contacts and an open blade lifted from the first towards the second.
        style(elemcolor::kSwitch, Painter::kNone);
        const LogPoint a = Abs(symbolOrigin, 0), b = Abs(symbolOrigin, 1);
        painter.Rectangle(Around(a, 30));
        painter.Rectangle(Around(b, 30));
        painter.Line(a, {b.x, Plus(b.y, 100)});
        break;
    }
    case ELEM_CAPACITOR:
        style(elemcolor::kCapacitor, Painter::kNone);
        Lines(painter, Abs(symbolOrigin, 0), Abs(symbolOrigin, 1));
        Lines(painter, Abs(symbolOrigin, 2), Abs(symbolOrigin, 3));
        break;
    case ELEM_TERMINAL_LEFT:
    case ELEM_TERMINAL_TOP:
    case ELEM_TERMINAL_RIGHT: {
        // Lead p0-p1, arrow flanks p2-p3 and p4-p5, box edges p6-p7 and p8-p9; two filled boxes:
        // the arrow box (p6..p9) and the end box (p7..p10/p11).
        style(elemcolor::kTerminal, elemcolor::kBoxFill);
        painter.Rectangle(Corners(Abs(symbolOrigin, 6), Abs(symbolOrigin, 9)));
        painter.Rectangle(Corners(Abs(symbolOrigin, 7), Abs(symbolOrigin, 10)));
        for (int i = 0; i + 1 < 10; i += 2) painter.Line(Abs(symbolOrigin, i), Abs(symbolOrigin, i + 1));
        break;
    }
    case ELEM_SWITCH_DOT:
        style(elemcolor::kDot, elemcolor::kDotFill);
        painter.Rectangle(Around(at, 20));
        break;
    default:
        break;  // 10, 27, 29 and other numbers have no built-in drawing
    }
}

void CDrawnElement::WriteXml(std::string& out) const {
    if (!IsWritable()) return;
    char buf[160];
    if (m_type == ELEM_LINE_SEGMENT) {
        const LogPoint s = Abs({}, 0);
        const LogPoint e = Abs({}, 1);
        out += "<DrawnElementLine>\r\n";
        std::snprintf(buf, sizeof buf, "  <DrawnType>%d</DrawnType>\r\n", m_type);
        out += buf;
        out += "  <DrawnTypeAsText>";
        out += TypeName(m_type);
        out += "</DrawnTypeAsText>\r\n";
        std::snprintf(buf, sizeof buf, "  <StartXY>%d, %d</StartXY>\r\n", s.x, s.y);
        out += buf;
        std::snprintf(buf, sizeof buf, "  <EndXY>%d, %d</EndXY>\r\n", e.x, e.y);
        out += buf;
        out += "</DrawnElementLine>\r\n";
        return;
    }
    out += "<DrawnElement>\r\n";
    std::snprintf(buf, sizeof buf, "  <DrawnType>%d</DrawnType>\r\n", m_type);
    out += buf;
    out += "  <DrawnTypeAsText>";
    out += TypeName(m_type);
    out += "</DrawnTypeAsText>\r\n";
    std::snprintf(buf, sizeof buf, "  <OrgXY>%d, %d</OrgXY>\r\n", m_origin.x, m_origin.y);
    out += buf;
    out += "</DrawnElement>\r\n";
}

}  // namespace kalidor
