#include "view/Symbol.h"

#include <cstdio>

#include "base/SymbolSwitch.h"
#include "device/Interconnect.h"

namespace kalidor {

namespace {

// Texts go into the file without escaping; markup characters are left out so that the file
// always reads back.
std::string FileText(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != '<' && c != '>') s += c;
    return s;
}

void AppendPair(std::string& out, const char* tag, LogPoint p) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "  <%s>%d, %d</%s>\r\n", tag, p.x, p.y, tag);
    out += buf;
}

void AppendRect(std::string& out, const char* tag, const LogRect& r) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "  <%s>%d,%d, %d,%d</%s>\r\n", tag, r.left, r.top, r.right, r.bottom, tag);
    out += buf;
}

bool IsZero(LogPoint p) { return p.x == 0 && p.y == 0; }

}  // namespace

void CSymbol::SetFullName(std::string text) {
    m_fullName = std::move(text);
    if (m_fullName.empty())
        m_flags &= ~kFlagFullName;
    else
        m_flags |= kFlagFullName;
}

CDrawnElement& CSymbol::AddDrawnElement(int type, int x, int y) {
    m_elements.emplace_back(type, x, y);
    return m_elements.back();
}

CDrawnElement& CSymbol::AddDrawnLine(int type, int x1, int y1, int x2, int y2) {
    if (type != ELEM_LINE_SEGMENT) return AddDrawnElement(type, x1, y1);
    CDrawnElement& e = m_elements.emplace_back(ELEM_LINE_SEGMENT, 0, 0);
    e.SetPoint(0, x1, y1);
    e.SetPoint(1, x2, y2);
    return e;
}

bool CSymbol::HitTest(int x, int y) const {
    return m_hitRect.left < x && x < m_hitRect.right && m_hitRect.bottom < y && y < m_hitRect.top;
}

void CSymbol::Draw(Painter& painter, bool highlighted) {
    if (IsHidden()) return;
    if (highlighted) {
        painter.SetPen(kHighlightPen);
        painter.SetBrush(kHighlightBrush);
        painter.Rectangle({m_origin.x - kHighlightHalfSize, m_origin.y + kHighlightHalfSize,
                           m_origin.x + kHighlightHalfSize, m_origin.y - kHighlightHalfSize});
    }
    if (m_switch) {
        // An interconnect switch draws the further switches of its key chained behind it.
        if (const auto* chain = dynamic_cast<const CInterconnect*>(m_switch))
            chain->DrawChain(painter);
        else
            m_switch->Draw(painter);
    }
    for (CDrawnElement& e : m_elements) e.Draw(painter, m_origin, highlighted);
    if (!IsZero(m_nameXY) || !IsZero(m_valueXY) || !m_valueRect.IsNull() || !m_nameRect.IsNull())
        DrawTexts(painter);
}

void CSymbol::DrawTexts(Painter& painter) const {
    painter.SetTextColor(kTextColor);
    if (m_dialogType == kDialogLegend) {
        // A framed legend with the name above the value.
        painter.SetPen(kTextColor);
        painter.SetBrush(Painter::kNone);
        painter.Rectangle(kLegendBox);
        const LogRect inner{kLegendBox.left + 50, kLegendBox.top - 50, kLegendBox.right - 50,
                            kLegendBox.bottom + 50};
        std::string legend = m_nameText;
        if (!m_valueText.empty()) legend += (legend.empty() ? "" : "\n") + m_valueText;
        painter.TextInRect(inner, legend, kTextHeight);
        return;
    }
    if (!m_nameRect.IsNull())
        painter.TextInRect(m_nameRect, m_nameText, kTextHeight);
    else if (!IsZero(m_nameXY))
        painter.Text(m_nameXY, m_nameText, kTextHeight);
    if (!m_valueRect.IsNull())
        painter.TextInRect(m_valueRect, m_valueText, kTextHeight);
    else if (!IsZero(m_valueXY))
        painter.Text(m_valueXY, m_valueText, kTextHeight);
}

void CSymbol::WriteXml(std::string& out) const {
    char buf[96];
    out += "<ZelSymbol>\r\n";
    std::snprintf(buf, sizeof buf, "  <SymKey>%d</SymKey>\r\n", m_key);
    out += buf;
    AppendPair(out, "OrgXY", m_origin);
    out += "  <NameText>" + FileText(m_nameText) + "</NameText>\r\n";
    AppendPair(out, "NameXY", m_nameXY);
    if (!m_fullName.empty()) out += "  <FullNameText>" + FileText(m_fullName) + "</FullNameText>\r\n";
    std::snprintf(buf, sizeof buf, "  <DialogType>%d</DialogType>\r\n", m_dialogType);
    out += buf;
    AppendPair(out, "ValueTextXY", m_valueXY);
    if (!m_hitRect.IsNull()) AppendRect(out, "HitTestRect", m_hitRect);
    if (!m_valueRect.IsNull()) AppendRect(out, "ValueTextRect", m_valueRect);
    for (const CDrawnElement& e : m_elements) e.WriteXml(out);
    out += "</ZelSymbol>\r\n\r\n";
}

}  // namespace kalidor
