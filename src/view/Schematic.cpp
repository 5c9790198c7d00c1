#include "view/Schematic.h"

#include <algorithm>

#include <climits>

#include "base/XmlParser.h"

namespace kalidor {

namespace {

// Codes this reader gives to the tags it registers itself (callers may register the same tag
// texts with codes of their own; the reader goes by the registered element, not the code).
enum SchematicTag : int {
    kTagZelSchematic = 4100,
    kTagZelSchematicEnd,
    kTagZelSymbol,
    kTagZelSymbolEnd,
    kTagSymKey,
    kTagSymKeyEnd,
    kTagOrgXY,
    kTagOrgXYEnd,
    kTagNameText,
    kTagNameTextEnd,
    kTagNameXY,
    kTagNameXYEnd,
    kTagFullNameText,
    kTagFullNameTextEnd,
    kTagDialogType,
    kTagDialogTypeEnd,
    kTagValueTextXY,
    kTagValueTextXYEnd,
    kTagValueTextRect,
    kTagValueTextRectEnd,
    kTagHitTestRect,
    kTagHitTestRectEnd,
    kTagDrawnElement,
    kTagDrawnElementEnd,
    kTagDrawnElementLine,
    kTagDrawnElementLineEnd,
    kTagDrawnType,
    kTagDrawnTypeEnd,
    kTagDrawnTypeAsText,
    kTagDrawnTypeAsTextEnd,
    kTagStartXY,
    kTagStartXYEnd,
    kTagEndXY,
    kTagEndXYEnd,
};

constexpr const char* kTagNames[] = {
    "ZelSchematic", "ZelSymbol",     "SymKey",         "OrgXY",          "NameText",   "NameXY",
    "FullNameText", "DialogType",    "ValueTextXY",    "ValueTextRect",  "HitTestRect", "DrawnElement",
    "DrawnElementLine", "DrawnType", "DrawnTypeAsText", "StartXY",        "EndXY",
};
constexpr int kTagCount = static_cast<int>(sizeof kTagNames / sizeof kTagNames[0]);

// The registered elements of the reader's tags: start[i] and end[i] for kTagNames[i].
struct TagSet {
    const CXmlElement* start[kTagCount];
    const CXmlElement* end[kTagCount];
    explicit TagSet(CXmlParser& parser) {
        CSchematic::RegisterTags(parser);
        for (int i = 0; i < kTagCount; ++i) {
            start[i] = parser.GetTable().FindElement(std::string("<") + kTagNames[i] + ">");
            end[i] = parser.GetTable().FindElement(std::string("</") + kTagNames[i] + ">");
        }
    }
};

enum TagIndex {
    iZelSchematic, iZelSymbol, iSymKey, iOrgXY, iNameText, iNameXY, iFullNameText, iDialogType,
    iValueTextXY, iValueTextRect, iHitTestRect, iDrawnElement, iDrawnElementLine, iDrawnType,
    iDrawnTypeAsText, iStartXY, iEndXY,
};

// The next element, stepping over anything the parser cannot take (an unregistered tag, a
// syntax error) so that reading always moves on. Sets `atEnd` when the text is used up.
CXmlElement* NextElement(CXmlParser& parser, bool& atEnd) {
    const std::size_t size = parser.GetBuffer().size();
    for (;;) {
        if (parser.GetPosition() >= size) {
            atEnd = true;
            return nullptr;
        }
        const std::size_t before = parser.GetPosition();
        CXmlElement* e = parser.NextElement();
        if (e) return e;
        if (parser.GetPosition() == before) {
            // Nothing was consumed: pass over the tag (or stray character) at the position.
            const std::size_t gt = parser.GetBuffer().find('>', before + 1);
            parser.SetPosition(gt == std::string::npos ? size : gt + 1);
        }
    }
}

// atoi's rule on one token: leading blanks, an optional sign, digits up to the first other
// character; 0 when there are none. Clamped to the int range.
int AtoI(const std::string& s, std::size_t& i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (v <= INT_MAX) v = v * 10 + (s[i] - '0');
        ++i;
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// Up to `n` integers separated by blanks or commas; missing ones are 0.
void ParseInts(const std::string& text, int* out, int n) {
    std::size_t i = 0;
    for (int k = 0; k < n; ++k) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t' || text[i] == '\r' ||
                                   text[i] == '\n'))
            ++i;
        std::size_t tokenEnd = i;
        while (tokenEnd < text.size() && text[tokenEnd] != ' ' && text[tokenEnd] != ',' && text[tokenEnd] != '\t' &&
               text[tokenEnd] != '\r' && text[tokenEnd] != '\n')
            ++tokenEnd;
        const std::string token = text.substr(i, tokenEnd - i);
        std::size_t t = 0;
        out[k] = AtoI(token, t);
        i = tokenEnd;
    }
}

std::string ElementText(CXmlParser& parser) {
    parser.ReadElementText();
    return parser.GetText();
}

// Coordinates of a support file lie within a few thousand units of the origin; a damaged file's
// are brought within this bound, so that sums of origins and offsets never overflow.
constexpr int kMaxCoordinate = 1000000;

void ReadCoordinates(CXmlParser& parser, int* v, int n) {
    ParseInts(ElementText(parser), v, n);
    for (int i = 0; i < n; ++i) v[i] = std::clamp(v[i], -kMaxCoordinate, kMaxCoordinate);
}

LogPoint ReadPoint(CXmlParser& parser) {
    int v[2];
    ReadCoordinates(parser, v, 2);
    return {v[0], v[1]};
}

LogRect ReadRect(CXmlParser& parser) {
    int v[4];
    ReadCoordinates(parser, v, 4);
    return {v[0], v[1], v[2], v[3]};
}

int ReadInt(CXmlParser& parser) {
    int v = 0;
    ParseInts(ElementText(parser), &v, 1);
    return v;
}

std::string ReadName(CXmlParser& parser) {
    std::string s = ElementText(parser);
    if (s.size() > CSymbol::kMaxNameLength) s.resize(CSymbol::kMaxNameLength);
    return s;
}

}  // namespace

CSchematic::CSchematic() { m_display[kShowSymbols] = true; }

CSchematic::~CSchematic() = default;

CSymbol* CSchematic::AddSymbol(int key, int x, int y, const std::string& name, int nameX, int nameY) {
    CSymbol* s = CreateEmptySymbol(key);
    if (!s) return nullptr;
    s->SetOrigin(x, y);
    s->SetNameText(name);
    s->SetNameXY(nameX, nameY);
    return s;
}

CSymbol* CSchematic::CreateEmptySymbol(int key) {
    if (key < 0 || key >= kSlotCount) return nullptr;
    m_slots[static_cast<std::size_t>(key)] = std::make_unique<CSymbol>(key);
    return m_slots[static_cast<std::size_t>(key)].get();
}

CSymbol* CSchematic::GetSymbol(int key) const {
    if (key < 0 || key >= kSlotCount) return nullptr;
    return m_slots[static_cast<std::size_t>(key)].get();
}

void CSchematic::DeleteSymbol(int key) {
    if (key < 0 || key >= kSlotCount) return;
    m_slots[static_cast<std::size_t>(key)].reset();
    if (m_highlighted == key) m_highlighted = kNoSymbol;
}

int CSchematic::GetSymbolCount() const {
    int n = 0;
    for (const auto& s : m_slots) n += s ? 1 : 0;
    return n;
}

CSymbol* CSchematic::GetFirstSymbol() {
    m_cursor = -1;
    return GetNextSymbol();
}

CSymbol* CSchematic::GetNextSymbol() {
    while (++m_cursor < kSlotCount)
        if (m_slots[static_cast<std::size_t>(m_cursor)]) return m_slots[static_cast<std::size_t>(m_cursor)].get();
    m_cursor = kSlotCount;
    return nullptr;
}

int CSchematic::SetValueTextXY(int key, int x, int y) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetValueXY(x, y);
    return 1;
}

int CSchematic::SetValueTextRect(int key, const LogRect& r) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetValueRect(r);
    return 1;
}

int CSchematic::SetHitTestRect(int key, const LogRect& r) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetHitRect(r);
    return 1;
}

int CSchematic::SetFullName(int key, const std::string& text) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetFullName(text);
    return 1;
}

int CSchematic::SetDialogType(int key, int type) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetDialogType(type);
    return 1;
}

int CSchematic::SetValueText(int key, const std::string& text) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->SetValueText(text);
    return 1;
}

int CSchematic::AddDrawnElement(int key, int type, int x, int y) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->AddDrawnElement(type, x, y);
    return 1;
}

int CSchematic::AddDrawnLine(int key, int type, int x1, int y1, int x2, int y2) {
    CSymbol* s = GetSymbol(key);
    if (!s) return 0;
    s->AddDrawnLine(type, x1, y1, x2, y2);
    return 1;
}

bool CSchematic::GetDisplaySwitch(int which) const {
    return which >= 0 && which < kDisplaySwitchCount && m_display[static_cast<std::size_t>(which)];
}

void CSchematic::SetDisplaySwitch(int which, bool on) {
    if (which >= 0 && which < kDisplaySwitchCount) m_display[static_cast<std::size_t>(which)] = on;
}

void CSchematic::ResetSymbols() {
    for (auto& s : m_slots)
        if (s) s->DeleteDrawnElements();
}

CSymbol* CSchematic::FindSymbolAt(int x, int y) const {
    for (const auto& s : m_slots)
        if (s && s->IsValid() && s->HitTest(x, y)) return s.get();
    return nullptr;
}

void CSchematic::RegisterTags(CXmlParser& parser) {
    int code = kTagZelSchematic;
    for (const char* name : kTagNames) {
        const std::string start = std::string("<") + name + ">";
        const std::string end = std::string("</") + name + ">";
        if (!parser.GetTable().FindElement(start)) parser.AddElement(start, code);
        if (!parser.GetTable().FindElement(end)) parser.AddElement(end, code + 1);
        code += 2;
    }
}

int CSchematic::ReadSchematic(CXmlParser& parser) {
    const TagSet tags(parser);
    auto is = [&](const CXmlElement* e, int i) { return e && e == tags.start[i]; };
    auto isEnd = [&](const CXmlElement* e, int i) { return e && e == tags.end[i]; };

    enum class Pending { None, Element, Line };
    int symbols = 0;
    bool inSymbol = false;
    CSymbol* current = nullptr;
    Pending pending = Pending::None;
    int drawnType = 0;
    LogPoint org, start, end;

    bool atEnd = false;
    for (;;) {
        CXmlElement* e = NextElement(parser, atEnd);
        if (atEnd || isEnd(e, iZelSchematic)) break;
        if (is(e, iZelSymbol)) {
            // A symbol start also closes a symbol whose end tag is missing.
            inSymbol = true;
            current = nullptr;
            pending = Pending::None;
            continue;
        }
        if (isEnd(e, iZelSymbol)) {
            inSymbol = false;
            current = nullptr;
            pending = Pending::None;
            continue;
        }
        if (!inSymbol) continue;

        if (is(e, iSymKey)) {
            const int key = ReadInt(parser);
            current = GetSymbol(key);
            if (!current) current = CreateEmptySymbol(key);  // null for a key outside 0..99
            if (current) {
                current->SetValueXY(0, 0);
                current->SetFlags(0);
                current->SetHitRect({});
                ++symbols;
            }
            pending = Pending::None;
        } else if (is(e, iDrawnElement)) {
            pending = Pending::Element;
            drawnType = 0;
            org = {};
        } else if (is(e, iDrawnElementLine)) {
            pending = Pending::Line;
            drawnType = 0;
            start = end = {};
        } else if (isEnd(e, iDrawnElement)) {
            if (pending == Pending::Element && current) current->AddDrawnElement(drawnType, org.x, org.y);
            pending = Pending::None;
        } else if (isEnd(e, iDrawnElementLine)) {
            if (pending == Pending::Line && current) current->AddDrawnLine(drawnType, start.x, start.y, end.x, end.y);
            pending = Pending::None;
        } else if (pending != Pending::None) {
            // Inside a drawn element.
            if (is(e, iDrawnType)) drawnType = ReadInt(parser);
            else if (is(e, iOrgXY)) {
                const LogPoint p = ReadPoint(parser);
                if (pending == Pending::Element) org = p;
            } else if (is(e, iStartXY)) {
                const LogPoint p = ReadPoint(parser);
                if (pending == Pending::Line) start = p;
            } else if (is(e, iEndXY)) {
                const LogPoint p = ReadPoint(parser);
                if (pending == Pending::Line) end = p;
            }
            // DrawnTypeAsText and anything else are passed over.
        } else if (current) {
            if (is(e, iOrgXY)) {
                const LogPoint p = ReadPoint(parser);
                current->SetOrigin(p.x, p.y);
            } else if (is(e, iNameXY)) {
                const LogPoint p = ReadPoint(parser);
                current->SetNameXY(p.x, p.y);
            } else if (is(e, iValueTextXY)) {
                const LogPoint p = ReadPoint(parser);
                current->SetValueXY(p.x, p.y);
            } else if (is(e, iNameText)) {
                current->SetNameText(ReadName(parser));
            } else if (is(e, iFullNameText)) {
                current->SetFullName(ReadName(parser));
            } else if (is(e, iDialogType)) {
                current->SetDialogType(ReadInt(parser));
            } else if (is(e, iHitTestRect)) {
                current->SetHitRect(ReadRect(parser));
            } else if (is(e, iValueTextRect)) {
                current->SetValueRect(ReadRect(parser));
            }
        }
    }
    return symbols;
}

void CSchematic::WriteSchematic(std::string& out) const {
    out += "<ZelSchematic>\r\n\r\n";
    if (m_display[kShowSymbols])
        for (const auto& s : m_slots)
            if (s) s->WriteXml(out);
    out += "</ZelSchematic>\r\n\r\n";
}

void CSchematic::DrawAll(Painter& painter) {
    if (!m_display[kShowSymbols]) return;
    for (int key = 0; key < kSlotCount; ++key)
        if (auto& s = m_slots[static_cast<std::size_t>(key)]) s->Draw(painter, key == m_highlighted);
}

void CSchematic::DrawHitAreas(Painter& painter, int penColor) const {
    painter.SetPen(penColor);
    painter.SetBrush(Painter::kNone);
    for (const auto& s : m_slots)
        if (s && s->IsValid() && !s->GetHitRect().IsNull()) painter.Rectangle(s->GetHitRect());
}

}  // namespace kalidor
