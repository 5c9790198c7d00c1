#include "view/SchematicDraft.h"

#include <algorithm>
#include <cmath>

namespace kalidor {

namespace {

// Advance widths of Arial in thousandths of the font height, for the printable ASCII range.
constexpr short kArialWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' '..'/'
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // '0'..'?'
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // '@'..'O'
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // 'P'..'_'
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // '`'..'o'
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,       // 'p'..'~'
};

// Stand-in faces (DejaVu Sans, the usual fallback) run up to about an eighth wider than Arial.
constexpr int kWidthMarginPercent = 115;

}  // namespace

int SchematicTextWidth(std::string_view text, int height)
{
    long long widest = 0, line = 0;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            widest = std::max(widest, line);
            line = 0;
            continue;
        }
        if (c < 32)
            continue;
        line += (c < 127) ? kArialWidths[c - 32] : 556;
    }
    widest = std::max(widest, line);
    return static_cast<int>(widest * height * kWidthMarginPercent / 100000);
}

LogRect SchematicTextBox(int x, int y, std::string_view text, int height)
{
    return {x, y + height * 3 / 4, x + SchematicTextWidth(text, height), y - height / 4};
}

LogRect UnionRect(const LogRect& a, const LogRect& b)
{
    if (a.IsNull())
        return b;
    if (b.IsNull())
        return a;
    return {std::min(a.left, b.left), std::max(a.top, b.top), std::max(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool RectsOverlap(const LogRect& a, const LogRect& b)
{
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

LogRect InflateRect(const LogRect& r, int d)
{
    return {r.left - d, r.top + d, r.right + d, r.bottom - d};
}

CSymbolDraft::CSymbolDraft(CSchematic& schematic, int key)
{
    m_symbol = schematic.GetSymbol(key);
    if (!m_symbol)
        m_symbol = schematic.CreateEmptySymbol(key);
}

CSymbolDraft& CSymbolDraft::Origin(int x, int y)
{
    if (m_symbol)
        m_symbol->SetOrigin(x, y);
    return *this;
}

CSymbolDraft& CSymbolDraft::Label(const std::string& text)
{
    if (m_symbol)
        m_symbol->SetNameText(text);
    return *this;
}

CSymbolDraft& CSymbolDraft::Name(int x, int y)
{
    if (m_symbol)
        m_symbol->SetNameXY(x, y);
    return *this;
}

CSymbolDraft& CSymbolDraft::NameRect(const LogRect& r)
{
    if (m_symbol)
        m_symbol->SetNameRect(r);
    return *this;
}

CSymbolDraft& CSymbolDraft::Value(int x, int y)
{
    if (m_symbol)
        m_symbol->SetValueXY(x, y);
    return *this;
}

CSymbolDraft& CSymbolDraft::ValueRect(const LogRect& r)
{
    if (m_symbol)
        m_symbol->SetValueRect(r);
    return *this;
}

CSymbolDraft& CSymbolDraft::Hit(int left, int top, int right, int bottom)
{
    if (m_symbol)
        m_symbol->SetHitRect({left, top, right, bottom});
    return *this;
}

CSymbolDraft& CSymbolDraft::Netlist(const std::string& text)
{
    if (m_symbol)
        m_symbol->SetNetlistText(text);
    return *this;
}

int CSymbolDraft::NameValue(int x, int y, const std::string& widestValue, int gap)
{
    if (!m_symbol)
        return x;
    const std::string& name = m_symbol->GetNameText();
    int vx = x;
    LogRect box;
    if (!name.empty()) {
        Name(x, y);
        box = SchematicTextBox(x, y, name);
        vx = box.right + gap;
    }
    Value(vx, y);
    box = UnionRect(box, SchematicTextBox(vx, y, widestValue));
    Hit(InflateRect(box, 30));
    return box.right;
}

CSymbolDraft& CSymbolDraft::NameOverValue(int x, int y, const std::string& widestValue, int lineStep)
{
    if (!m_symbol)
        return *this;
    Name(x, y);
    Value(x, y - lineStep);
    const LogRect box = UnionRect(SchematicTextBox(x, y, m_symbol->GetNameText()),
                                  SchematicTextBox(x, y - lineStep, widestValue));
    return Hit(InflateRect(box, 30));
}

CSymbolDraft& CSymbolDraft::HitAround(const LogRect& box)
{
    if (!m_symbol)
        return *this;
    LogRect r = box;
    const LogPoint n = m_symbol->GetNameXY();
    if ((n.x != 0 || n.y != 0) && !m_symbol->GetNameText().empty())
        r = UnionRect(r, SchematicTextBox(n.x, n.y, m_symbol->GetNameText()));
    // Keeps what the hit rectangle holds already (the texts placed by NameValue).
    return Hit(UnionRect(InflateRect(r, 30), m_symbol->GetHitRect()));
}

CSymbolDraft& CSymbolDraft::Elem(int type, int x, int y)
{
    if (m_symbol) {
        const LogPoint o = m_symbol->GetOrigin();
        m_symbol->AddDrawnElement(type, x - o.x, y - o.y);
    }
    return *this;
}

CSymbolDraft& CSymbolDraft::Scaled(int type, int x, int y, int sx, int sy)
{
    if (m_symbol) {
        const LogPoint o = m_symbol->GetOrigin();
        m_symbol->AddDrawnElement(type, x - o.x, y - o.y).SetType(type, sx, sy);
    }
    return *this;
}

CSymbolDraft& CSymbolDraft::Line(int x1, int y1, int x2, int y2)
{
    if (m_symbol) {
        const LogPoint o = m_symbol->GetOrigin();
        m_symbol->AddDrawnLine(ELEM_LINE_SEGMENT, x1 - o.x, y1 - o.y, x2 - o.x, y2 - o.y);
    }
    return *this;
}

CSymbolDraft& CSymbolDraft::Wire(std::initializer_list<LogPoint> points)
{
    const LogPoint* prev = nullptr;
    for (const LogPoint& p : points) {
        if (prev)
            Line(prev->x, prev->y, p.x, p.y);
        prev = &p;
    }
    return *this;
}

CSymbolDraft& CSymbolDraft::Dot(int x, int y) { return Elem(ELEM_CLOSED_DOT, x, y); }

CSymbolDraft& CSymbolDraft::Frame(int left, int top, int right, int bottom)
{
    return Wire({{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}});
}

CSymbolDraft& CSymbolDraft::HCap(int x, int y) { return Elem(ELEM_CAPACITOR, x - 50, y); }

CSymbolDraft& CSymbolDraft::VCap(int x, int y)
{
    return Line(x - 120, y + 50, x + 120, y + 50).Line(x - 120, y - 50, x + 120, y - 50);
}

CSymbolDraft& CSymbolDraft::Coil(int x1, int x2, int y, int turns)
{
    if (turns < 1 || x2 <= x1)
        return Line(x1, y, x2, y);
    const double width = static_cast<double>(x2 - x1) / turns;
    const double r = width / 2;
    constexpr double kPi = 3.14159265358979323846;
    for (int t = 0; t < turns; ++t) {
        const double cx = x1 + width * t + r;
        int px = static_cast<int>(std::lround(cx - r)), py = y;
        for (int step = 1; step <= 6; ++step) {
            const double a = kPi * step / 6;
            const int nx = static_cast<int>(std::lround(cx - r * std::cos(a)));
            const int ny = static_cast<int>(std::lround(y + r * std::sin(a)));
            Line(px, py, nx, ny);
            px = nx;
            py = ny;
        }
    }
    return *this;
}

CSymbolDraft& CSymbolDraft::Ground(int x, int y)
{
    return Line(x, y, x, y - 100)
        .Line(x - 150, y - 100, x + 150, y - 100)
        .Line(x - 95, y - 160, x + 95, y - 160)
        .Line(x - 40, y - 220, x + 40, y - 220);
}

}  // namespace kalidor
