#include "document/ChainDiagram.h"

#include <algorithm>
#include <cmath>

#include "document/JTAGDoc.h"

namespace kalidor {

namespace {

bool IsTerminalAt(int index, int count) { return index == 0 || index == count - 1; }

double WidthOf(int index, int count)
{
    return IsTerminalAt(index, count) ? CChainDiagram::kTerminalWidth : CChainDiagram::kDeviceWidth;
}

// Width and height of the drawing at scale 1 with `columns` boxes in a row.
void NaturalSize(int count, int columns, double& width, double& height)
{
    const int rows = (count + columns - 1) / columns;
    double widest = 0;
    for (int r = 0; r < rows; ++r) {
        double w = 0;
        const int first = r * columns, last = std::min(count, first + columns);
        for (int i = first; i < last; ++i)
            w += WidthOf(i, count) + (i > first ? CChainDiagram::kGap : 0);
        widest = std::max(widest, w);
    }
    // A row of terminals only (the empty chain) is still as high as a device row.
    width = widest + 2 * CChainDiagram::kMargin;
    height = rows * CChainDiagram::kDeviceHeight + (rows - 1) * CChainDiagram::kRowGap + 2 * CChainDiagram::kMargin;
}

}  // namespace

void CChainDiagram::Layout(const CJTAGDoc& chain, int viewportWidth, int viewportHeight)
{
    Layout(chain.GetCount(), viewportWidth, viewportHeight);
}

void CChainDiagram::Layout(int count, int viewportWidth, int viewportHeight)
{
    m_boxes.clear();
    m_wires.clear();
    m_columns = m_rows = 1;
    m_scale = 1;
    if (count <= 0)
        return;
    const double vw = std::max(1, viewportWidth), vh = std::max(1, viewportHeight);

    // The number of boxes in a row that gives the largest scale; on a tie, fewer rows.
    double bestScale = -1, width = 0, height = 0;
    for (int c = 1; c <= count; ++c) {
        double w = 0, h = 0;
        NaturalSize(count, c, w, h);
        const double s = std::min(vw / w, vh / h);
        if (s >= bestScale) {
            bestScale = s;
            m_columns = c;
            width = w;
            height = h;
        }
    }
    m_rows = (count + m_columns - 1) / m_columns;
    m_scale = std::min(bestScale, kMaxScale);
    const double s = m_scale;
    const double left0 = (vw - width * s) / 2 + kMargin * s;
    const double top0 = (vh - height * s) / 2 + kMargin * s;

    for (int i = 0; i < count; ++i) {
        const int row = i / m_columns;
        ChainBox b;
        b.row = row;
        b.terminal = IsTerminalAt(i, count);
        b.width = WidthOf(i, count) * s;
        b.height = (b.terminal ? kTerminalHeight : kDeviceHeight) * s;
        const double rowCentre = top0 + (row * (kDeviceHeight + kRowGap) + kDeviceHeight / 2) * s;
        b.top = rowCentre - b.height / 2;
        b.left = (i % m_columns == 0) ? left0 : m_boxes.back().Right() + kGap * s;
        m_boxes.push_back(b);
    }

    // The wires: straight along a row; from the end of a row down into the gap below it, back to
    // the left margin and down into the next row.
    for (int i = 0; i + 1 < count; ++i) {
        const ChainBox& a = m_boxes[static_cast<std::size_t>(i)];
        const ChainBox& b = m_boxes[static_cast<std::size_t>(i + 1)];
        std::vector<ChainPoint> wire{{a.Right(), a.CentreY()}};
        if (b.row != a.row) {
            const double turnRight = a.Right() + kGap * s / 2;
            const double between = top0 + (a.row * (kDeviceHeight + kRowGap) + kDeviceHeight + kRowGap / 2) * s;
            const double turnLeft = b.left - kMargin * s / 2;
            wire.push_back({turnRight, a.CentreY()});
            wire.push_back({turnRight, between});
            wire.push_back({turnLeft, between});
            wire.push_back({turnLeft, b.CentreY()});
        }
        wire.push_back({b.left, b.CentreY()});
        m_wires.push_back(std::move(wire));
    }
}

int CChainDiagram::HitTest(double x, double y) const
{
    for (int i = 0; i < Count(); ++i)
        if (Box(i).Contains(x, y))
            return i;
    return -1;
}

int CChainDiagram::Navigate(int from, ChainKey key) const
{
    const int n = Count();
    if (n == 0)
        return -1;
    if (key == ChainKey::kHome)
        return 0;
    if (key == ChainKey::kEnd)
        return n - 1;
    if (from < 0 || from >= n)
        return 0;
    switch (key) {
    case ChainKey::kLeft: return std::max(0, from - 1);
    case ChainKey::kRight: return std::min(n - 1, from + 1);
    default: break;
    }
    // Up and down: the box of the neighbouring row nearest above or below.
    const int row = Box(from).row + (key == ChainKey::kUp ? -1 : 1);
    int best = from;
    double bestDistance = 0;
    for (int i = 0; i < n; ++i) {
        if (Box(i).row != row)
            continue;
        const double d = std::fabs(Box(i).CentreX() - Box(from).CentreX());
        if (best == from || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

std::vector<std::string> CChainDiagram::BoxLines(const CJtagChainElement& e)
{
    if (e.IsTerminal())
        return {e.GetName()};
    auto n = [](int v) { return std::to_string(v); };
    std::vector<std::string> lines{e.GetName(), e.GetDeviceType(), "IR length " + n(e.GetIR_Length()),
                                   "HIR " + n(e.GetHIR_Sum()) + "   TIR " + n(e.GetTIR_Sum()),
                                   "HDR " + n(e.GetHDR_Sum()) + "   TDR " + n(e.GetTDR_Sum())};
    if (e.IsSchematicOpen())
        lines.push_back("schematic open");
    else if (e.IsModified())
        lines.push_back("design changed");
    return lines;
}

}  // namespace kalidor
