#include "device/Interconnect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "device/ManifestTable.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

// Tags of the <ZelInterconnect> element.
constexpr const char* kTagInterconnect = "<ZelInterconnect>";
constexpr const char* kTagInterconnectEnd = "</ZelInterconnect>";
constexpr const char* kTagSwitch = "<Switch>";
constexpr const char* kTagSwitchEnd = "</Switch>";
constexpr const char* kTagSwitchIndex = "<SwitchIndex>";
constexpr const char* kTagSwitchType = "<SwitchType>";
constexpr const char* kTagSymKey = "<SymKey>";
constexpr const char* kTagConnValue = "<ConnValue>";
constexpr const char* kTagSourceXY = "<SourceXY>";
constexpr const char* kTagContactList = "<SwitchContactList>";
constexpr const char* kTagContactListEnd = "</SwitchContactList>";
constexpr const char* kTagContactCount = "<ContactCount>";
constexpr const char* kTagContact = "<SwitchContact>";
constexpr const char* kTagContactEnd = "</SwitchContact>";
constexpr const char* kTagContactIndex = "<ContactIndex>";
constexpr const char* kTagSymbolValue = "<SymbolValue>";
constexpr const char* kTagTargetXY = "<TargetXY>";
constexpr const char* kTagSymKeys = "<SymKeysThatHaveInterconnect>";
constexpr const char* kTagSymKeysEnd = "</SymKeysThatHaveInterconnect>";
constexpr const char* kTagManifestTable = "<ManifestTable>";

// End tags of the elements that hold a <ZelInterconnect>: the device schematic file and the design
// file. Reaching one of them ends an interconnect element that was cut short.
const std::vector<std::string> kEnclosingEnds = {"</ZelDevice>", "</ZelDesignData>"};

std::string Format(const char* fmt, int a)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a);
    return buf;
}

std::string Format(const char* fmt, int a, int b)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

// "5250, 7100": two integers split at commas and blanks, each read with atoi's rules; a missing
// or malformed one reads as 0.
LogPoint ParsePoint(const std::string& text)
{
    int values[2] = {0, 0};
    int found = 0;
    std::size_t i = 0;
    while (found < 2 && i < text.size()) {
        while (i < text.size() && (text[i] == ',' || text[i] == ' '))
            ++i;
        if (i >= text.size())
            break;
        std::size_t j = i;
        while (j < text.size() && text[j] != ',' && text[j] != ' ')
            ++j;
        values[found++] = CXmlParser::AtoI(text.data() + i, j - i);
        i = j;
    }
    return {values[0], values[1]};
}

bool InsideSquare(LogPoint p, LogPoint centre, int halfSide)
{
    const long long dx = static_cast<long long>(p.x) - centre.x;
    const long long dy = static_cast<long long>(p.y) - centre.y;
    return dx > -halfSide && dx < halfSide && dy > -halfSide && dy < halfSide;
}

int Offset(int v, int d)
{
    const long long r = static_cast<long long>(v) + d;
    return static_cast<int>(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
}

LogRect Box(LogPoint c, int halfSide)
{
    return {Offset(c.x, -halfSide), Offset(c.y, halfSide), Offset(c.x, halfSide), Offset(c.y, -halfSide)};
}

}  // namespace

CInterconnect::CInterconnect() = default;
CInterconnect::~CInterconnect() = default;

void CInterconnect::Init(int symKey, int x, int y, int switchType)
{
    m_symKey = symKey;
    m_switchType = switchType;
    m_sourceXY = {x, y};
    m_connValue = 0;
    m_contactCount = 0;
}

int CInterconnect::SetValXYAssoc(int symKey, int index, int value, int x, int y)
{
    if (index < 0 || index >= kMaxContacts) {
        CurrentPrompter().Message(kMsgContactIndexRange);
        return 0;
    }
    if (symKey != m_symKey) {
        CurrentPrompter().Beep();
        CurrentPrompter().Message(kMsgContactKeyMismatch);
    }
    m_contacts[index] = {value, {x, y}};
    if (m_contactCount < kMaxContacts)
        ++m_contactCount;
    return 1;
}

int CInterconnect::SetConnValue(int symKey, int value)
{
    if (symKey != m_symKey)
        return 0;
    m_connValue = value;
    return 1;
}

int CInterconnect::IsConnected(int symKey) const
{
    if (symKey != m_symKey)
        return 0;
    if (m_switchType == kSwitchTwoPosition)
        return m_connValue != 0 ? 1 : 0;
    return m_connValue == 0 ? 1 : 0;
}

int CInterconnect::GetSourceXY(int symKey, LogPoint& source) const
{
    if (symKey != m_symKey)
        return 0;
    source = m_sourceXY;
    return 1;
}

SwitchContact CInterconnect::GetContact(int index) const
{
    if (index < 0 || index >= kMaxContacts)
        return {};
    return m_contacts[index];
}

int CInterconnect::DefinedContacts(int limit) const
{
    return std::clamp(m_contactCount, 0, std::min(limit, static_cast<int>(kMaxContacts)));
}

int CInterconnect::HitTestContact(LogPoint p, ContactHit& hit) const
{
    const bool twoPosition =
        m_switchType == kSwitchTwoPosition || m_switchType == kSwitchTwoPositionOne;
    const int n = DefinedContacts(twoPosition ? 2 : kMaxContacts);
    for (int i = 0; i < n; ++i) {
        if (!InsideSquare(p, m_contacts[i].TargetXY, kHitRadius))
            continue;
        hit.symKey = m_symKey;
        hit.index = i;
        hit.contact = m_contacts[i];
        hit.isCurrent = m_contacts[i].SymbolValue == m_connValue;
        hit.source = m_sourceXY;
        return 1;
    }
    return 0;
}

int CInterconnect::HitTestSource(LogPoint p, int& symKey) const
{
    if (!InsideSquare(p, m_sourceXY, kHitRadius))
        return 0;
    symKey = m_symKey;
    return 1;
}

int CInterconnect::BeginDrag(int x, int y, int symKey)
{
    if (symKey != m_symKey)
        return 0;
    m_dragging = true;
    m_dragAnchor = {std::max(x, 0), std::max(y, 0)};
    m_dragEnd = m_dragAnchor;
    return 1;
}

int CInterconnect::DragTo(int x, int y)
{
    if (!m_dragging)
        return 0;
    const LogPoint to{std::max(x, 0), std::max(y, 0)};
    if (to == m_dragEnd)
        return 0;
    m_dragEnd = to;
    return 1;
}

int CInterconnect::EndDrag(int x, int y)
{
    if (!m_dragging)
        return 0;
    m_dragEnd = {std::max(x, 0), std::max(y, 0)};
    m_dragging = false;
    return 1;
}

int CInterconnect::ConnectedContact() const
{
    const bool twoPosition =
        m_switchType == kSwitchTwoPosition || m_switchType == kSwitchTwoPositionOne;
    const int n = DefinedContacts(twoPosition ? 2 : kMaxContacts);
    for (int i = 0; i < n; ++i)
        if (m_contacts[i].SymbolValue == m_connValue)
            return i;
    return -1;
}

bool CInterconnect::IsClosed() const
{
    const int c = ConnectedContact();
    return c >= 0 && !(m_contacts[c].TargetXY == m_sourceXY);
}

namespace {

LogRect Circle(LogPoint c, int radius) { return Box(c, radius); }

// The arm from the source to a contact: straight, or, for a contact on the source's own row,
// lifted off the row so that it does not run over the row's other contacts.
void DrawArm(Painter& painter, LogPoint from, LogPoint to)
{
    const long long dx = static_cast<long long>(to.x) - from.x;
    const int rise = CInterconnect::kArmRise;
    if (to.y != from.y || std::llabs(dx) < 2LL * rise) {
        painter.Line(from, to);
        return;
    }
    const int step = dx > 0 ? rise : -rise;
    const LogPoint arm[4] = {from,
                             {Offset(from.x, step), Offset(from.y, rise)},
                             {Offset(to.x, -step), Offset(to.y, rise)},
                             to};
    painter.Polyline(arm, 4);
}

void DrawJoint(Painter& painter, LogPoint at)
{
    painter.SetPen(CInterconnect::kColorArm);
    painter.SetBrush(CInterconnect::kColorArm);
    painter.Ellipse(Circle(at, CInterconnect::kJointRadius));
}

void DrawOpenContact(Painter& painter, LogPoint at)
{
    painter.SetPen(CInterconnect::kColorContact);
    painter.SetBrush(Painter::kNone);
    painter.Ellipse(Circle(at, CInterconnect::kContactRadius));
}

}  // namespace

void CInterconnect::DrawTwoPosition(Painter& painter) const
{
    // The blade runs between the source and the contact that does not lie on it.
    int far = -1;
    for (int i = DefinedContacts(2) - 1; i >= 0; --i)
        if (!(m_contacts[i].TargetXY == m_sourceXY))
            far = i;
    if (far < 0) {
        DrawJoint(painter, m_sourceXY);
        return;
    }
    const LogPoint to = m_contacts[far].TargetXY;
    if (IsClosed()) {
        painter.SetPenWeight(kArmWeight);
        painter.SetPen(kColorArm);
        painter.Line(m_sourceXY, to);
        painter.SetPenWeight(1);
        DrawJoint(painter, m_sourceXY);
        DrawJoint(painter, to);
        return;
    }
    // Open: the blade lifted off its contact, pointing at it from above (or from the right of
    // an upright switch).
    const double dx = static_cast<double>(to.x) - m_sourceXY.x;
    const double dy = static_cast<double>(to.y) - m_sourceXY.y;
    double nx = -dy, ny = dx;
    if (ny < 0 || (ny == 0 && nx < 0)) {
        nx = -nx;
        ny = -ny;
    }
    const LogPoint tip{static_cast<int>(std::lround(m_sourceXY.x + 0.85 * dx + 0.45 * nx)),
                       static_cast<int>(std::lround(m_sourceXY.y + 0.85 * dy + 0.45 * ny))};
    painter.SetPen(kColorBlade);
    painter.SetPenWeight(2);
    painter.Line(m_sourceXY, tip);
    painter.SetPenWeight(1);
    painter.SetBrush(kColorBlade);
    painter.Ellipse(Circle(m_sourceXY, kContactRadius));
    DrawOpenContact(painter, to);
}

void CInterconnect::DrawSelector(Painter& painter) const
{
    const int connected = ConnectedContact();
    const int n = DefinedContacts(kMaxContacts);
    for (int i = 0; i < n; ++i)
        if (i != connected && !(m_contacts[i].TargetXY == m_sourceXY))
            DrawOpenContact(painter, m_contacts[i].TargetXY);
    if (IsClosed()) {
        const LogPoint to = m_contacts[connected].TargetXY;
        painter.SetPenWeight(kArmWeight);
        painter.SetPen(kColorArm);
        painter.SetBrush(Painter::kNone);
        DrawArm(painter, m_sourceXY, to);
        painter.SetPenWeight(1);
        DrawJoint(painter, to);
    }
    DrawJoint(painter, m_sourceXY);
}

void CInterconnect::Draw(Painter& painter) const
{
    if (m_switchType == kSwitchTwoPosition || m_switchType == kSwitchTwoPositionOne)
        DrawTwoPosition(painter);
    else
        DrawSelector(painter);
}

void CInterconnect::DrawChain(Painter& painter) const
{
    // A chain is short; the bound only guards against a chain that loops back on itself.
    int guard = 0;
    for (const CInterconnect* s = this; s && guard < 1000; s = s->m_pNext, ++guard)
        s->Draw(painter);
}

int CInterconnect::NextSymKey()
{
    const int n = static_cast<int>(m_symKeysThatHaveInterconnect.size());
    if (m_symKeyCursor + 1 >= n) {
        m_symKeyCursor = n;
        return -1;
    }
    return m_symKeysThatHaveInterconnect[++m_symKeyCursor];
}

int CInterconnect::AddSymKey(int key)
{
    if (static_cast<int>(m_symKeysThatHaveInterconnect.size()) >= kMaxSymKeys)
        return 0;
    m_symKeysThatHaveInterconnect.push_back(key);
    return 1;
}

// ---------------------------------------------------------------- XML

void CInterconnect::WriteXml(std::string& out, const std::vector<const CInterconnect*>& switches) const
{
    out += "<ZelInterconnect>\r\n";
    const int n = GetSwitchCount();
    for (int i = 0; i < n; ++i) {
        const CInterconnect* s = this;
        if (i < static_cast<int>(switches.size()) && switches[i])
            s = switches[i];
        const int c = std::clamp(s->m_contactCount, 0, static_cast<int>(kMaxContacts));
        out += "  <Switch>\r\n";
        out += Format("\r\n   <SwitchIndex>%d</SwitchIndex>\r\n", i);
        out += Format("\r\n    <SwitchType>%d</SwitchType>\r\n", s->m_switchType);
        out += Format("    <SymKey>%d</SymKey>\r\n", s->m_symKey);
        out += Format("    <ConnValue>%d</ConnValue>\r\n", s->m_connValue);
        out += Format("    <SourceXY>%d, %d</SourceXY>\r\n", s->m_sourceXY.x, s->m_sourceXY.y);
        out += "    <SwitchContactList>\r\n";
        out += Format("      <ContactCount>%d</ContactCount>\r\n", c);
        for (int j = 0; j < c; ++j) {
            const SwitchContact& k = s->m_contacts[j];
            out += "      <SwitchContact>\r\n";
            out += Format("        <ContactIndex>%d</ContactIndex>\r\n", j);
            out += Format("        <SymbolValue>%d</SymbolValue>\r\n", k.SymbolValue);
            out += Format("        <TargetXY>%d, %d</TargetXY>\r\n", k.TargetXY.x, k.TargetXY.y);
            out += "      </SwitchContact>\r\n";
        }
        out += "    </SwitchContactList>\r\n";
        out += "  </Switch>\r\n";
    }
    out += "\r\n  <SymKeysThatHaveInterconnect>\r\n";
    for (int key : m_symKeysThatHaveInterconnect)
        out += Format("    <SymKey>%d</SymKey>\r\n", key);
    out += "  </SymKeysThatHaveInterconnect>\r\n\r\n";
    out += "</ZelInterconnect>\r\n\r\n";
}

void CInterconnect::RegisterXmlTags(CXmlParser& parser)
{
    const char* const names[] = {
        "ZelInterconnect", "Switch",       "SwitchIndex",  "SwitchType",
        "SymKey",          "ConnValue",    "SourceXY",     "SwitchContactList",
        "ContactCount",    "SwitchContact", "ContactIndex", "SymbolValue",
        "TargetXY",        "SymKeysThatHaveInterconnect",
    };
    int code = 2301;
    for (const char* name : names) {
        for (const std::string& tag : {std::string("<") + name + ">", std::string("</") + name + ">"}) {
            if (!parser.GetTable().FindElement(tag))
                parser.AddElement(tag, code);
            ++code;
        }
    }
    CManifestTable::RegisterXmlTags(parser);
}

namespace {

// One <Switch> entry as read; fields that were absent stay unset.
struct SwitchEntry {
    std::optional<int> index, type, key, conn, count;
    std::optional<LogPoint> source;
    std::vector<std::pair<int, SwitchContact>> contacts;
};

// Reads the integer or point content of the value element whose start tag was just read.
int ReadInt(CXmlParser& p)
{
    p.ReadElementText();
    return p.GetInt();
}

LogPoint ReadPoint(CXmlParser& p)
{
    p.ReadElementText();
    return ParsePoint(p.GetText());
}

void ReadContact(CXmlParser& p, const CXmlReadLoop& list, SwitchEntry& entry)
{
    std::optional<int> index;
    SwitchContact contact;
    CXmlReadLoop loop(p, kTagContactEnd, &list);
    while (CXmlElement* e = loop.Next()) {
        if (p.GetLastResult() != kXmlStartTag)
            continue;
        const std::string& tag = e->GetTag();
        if (tag == kTagContactIndex)
            index = ReadInt(p);
        else if (tag == kTagSymbolValue)
            contact.SymbolValue = ReadInt(p);
        else if (tag == kTagTargetXY)
            contact.TargetXY = ReadPoint(p);
        else
            p.SkipElement();
    }
    // A contact is stored at its end tag, and only with an index the switch can hold.
    if (loop.EndedAtOwnTag() && index && *index >= 0 && *index < CInterconnect::kMaxContacts)
        entry.contacts.emplace_back(*index, contact);
}

void ReadContactList(CXmlParser& p, const CXmlReadLoop& sw, SwitchEntry& entry)
{
    CXmlReadLoop loop(p, kTagContactListEnd, &sw);
    while (CXmlElement* e = loop.Next()) {
        if (p.GetLastResult() != kXmlStartTag)
            continue;
        const std::string& tag = e->GetTag();
        if (tag == kTagContactCount)
            entry.count = ReadInt(p);
        else if (tag == kTagContact)
            ReadContact(p, loop, entry);
        else
            p.SkipElement();
    }
}

SwitchEntry ReadSwitchEntry(CXmlParser& p, const CXmlReadLoop& outer)
{
    SwitchEntry entry;
    CXmlReadLoop loop(p, kTagSwitchEnd, &outer);
    while (CXmlElement* e = loop.Next()) {
        if (p.GetLastResult() != kXmlStartTag)
            continue;
        const std::string& tag = e->GetTag();
        if (tag == kTagSwitchIndex)
            entry.index = ReadInt(p);
        else if (tag == kTagSwitchType)
            entry.type = ReadInt(p);
        else if (tag == kTagSymKey)
            entry.key = ReadInt(p);
        else if (tag == kTagConnValue)
            entry.conn = ReadInt(p);
        else if (tag == kTagSourceXY)
            entry.source = ReadPoint(p);
        else if (tag == kTagContactList)
            ReadContactList(p, loop, entry);
        else
            p.SkipElement();
    }
    return entry;
}

}  // namespace

int CInterconnect::ReadXml(CXmlParser& parser, CXmlElement*, const std::vector<CInterconnect*>& switches,
                           const CXmlReadLoop* parent)
{
    m_symKeysThatHaveInterconnect.clear();
    m_symKeyCursor = -1;

    CXmlReadLoop loop(parser, kTagInterconnectEnd, parent, parent ? std::vector<std::string>{} : kEnclosingEnds);
    while (CXmlElement* e = loop.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;
        const std::string& tag = e->GetTag();
        if (tag == kTagSwitch) {
            const SwitchEntry entry = ReadSwitchEntry(parser, loop);
            CInterconnect* target = this;
            if (entry.index && *entry.index >= 0 && *entry.index < static_cast<int>(switches.size()) &&
                switches[*entry.index])
                target = switches[*entry.index];
            if (entry.type)
                target->m_switchType = *entry.type;
            if (entry.key)
                target->m_symKey = *entry.key;
            if (entry.conn)
                target->m_connValue = *entry.conn;
            if (entry.source)
                target->m_sourceXY = *entry.source;
            int highest = -1;
            for (const auto& [index, contact] : entry.contacts) {
                target->m_contacts[index] = contact;
                highest = std::max(highest, index);
            }
            if (entry.count)
                target->m_contactCount = std::clamp(*entry.count, 0, static_cast<int>(kMaxContacts));
            else if (highest >= 0)
                target->m_contactCount = std::max(target->m_contactCount, highest + 1);
        } else if (tag == kTagSymKeys) {
            CXmlReadLoop keys(parser, kTagSymKeysEnd, &loop);
            while (CXmlElement* k = keys.Next()) {
                if (parser.GetLastResult() != kXmlStartTag)
                    continue;
                if (k->GetTag() != kTagSymKey) {
                    parser.SkipElement();
                    continue;
                }
                const int key = ReadInt(parser);
                if (!AddSymKey(key))
                    CurrentPrompter().Message(kMsgTooManySymKeys);
            }
        } else if (tag == kTagManifestTable) {
            m_pManifest = std::make_unique<CManifestTable>();
            m_pManifest->ReadXml(parser, e, &loop);
        } else {
            parser.SkipElement();
        }
    }
    return 0;
}

// ---------------------------------------------------------------- families and geometry

std::unique_ptr<CInterconnect> CreateInterconnect(DeviceKind kind)
{
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        return std::make_unique<CZelAInterconnect>();
    case DeviceFamily::ZelB:
        return std::make_unique<CZelBInterconnect>();
    case DeviceFamily::ZelC:
        return std::make_unique<CZelCInterconnect>();
    case DeviceFamily::ZelD:
        break;
    }
    return std::make_unique<CInterconnect>();
}

std::unique_ptr<CInterconnect> CreateInterconnect(const std::string& deviceType)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    return kind ? CreateInterconnect(*kind) : nullptr;
}

namespace {

struct ContactDef {
    int value, x, y;
};

struct SwitchDef {
    int key, type, x, y;
    std::vector<ContactDef> contacts;
};

// A row of contacts on the source's line: values and x positions in contact order.
std::vector<ContactDef> Row(int y, std::initializer_list<int> values, std::initializer_list<int> xs)
{
    std::vector<ContactDef> row;
    auto v = values.begin();
    for (auto x = xs.begin(); x != xs.end() && v != values.end(); ++x, ++v)
        row.push_back({*v, *x, y});
    return row;
}

SwitchDef TwoPosition(int key, int x, int y, int first, int second)
{
    return {key, kSwitchTwoPosition, x, y, {{first, x, y}, {second, x - 200, y}}};
}

SwitchDef ZelASelectorLeft(int key, int y)
{
    return {key, kSwitchSelector, 2300, y, Row(y, {0, 4, 5, 3, 2, 1}, {2300, 2100, 1900, 1700, 1500, 1300})};
}

SwitchDef ZelASelectorRight(int key, int y)
{
    return {key, kSwitchSelector, 10500, y,
            Row(y, {0, 4, 5, 3, 2, 1}, {10500, 10700, 10900, 11100, 11300, 11500})};
}

std::vector<SwitchDef> ZelASwitches()
{
    return {
        TwoPosition(3, 5250, 7100, 1, 0),  TwoPosition(14, 5250, 4900, 1, 0),
        ZelASelectorLeft(9, 7100),          ZelASelectorLeft(10, 6300),
        ZelASelectorLeft(20, 4900),         ZelASelectorLeft(21, 4100),
        TwoPosition(25, 7150, 7100, 1, 0), TwoPosition(36, 7150, 4900, 1, 0),
        ZelASelectorRight(31, 7100),        ZelASelectorRight(32, 6300),
        ZelASelectorRight(42, 4900),        ZelASelectorRight(43, 4100),
    };
}

std::vector<SwitchDef> ZelBSwitches()
{
    const auto left = [](int key, int y) {
        return SwitchDef{key, kSwitchSelector, 2300, y,
                         Row(y, {0, 4, 6, 3, 5, 2, 1}, {2300, 2100, 1900, 1700, 1300, 1500, 1100})};
    };
    const auto right = [](int key, int y, std::initializer_list<int> values) {
        return SwitchDef{key, kSwitchSelector, 7700, y,
                         Row(y, values, {7700, 6900, 7500, 6700, 6500, 7300, 7100})};
    };
    return {
        TwoPosition(3, 5250, 7100, 1, 0),
        TwoPosition(15, 5250, 4900, 1, 0),
        left(9, 6300),
        left(10, 7350),
        left(11, 6850),
        left(21, 4900),
        {22, kSwitchSelector, 2300, 4100,
         Row(4100, {0, 4, 6, 3, 2, 1, 5}, {2300, 2100, 1900, 1700, 1500, 1300, 1100})},
        right(27, 7300, {5, 1, 2, 3, 4, 0, 6}),
        right(28, 6900, {0, 1, 2, 3, 4, 5, 6}),
        right(29, 5850, {5, 1, 2, 3, 4, 0, 6}),
        right(30, 5450, {0, 1, 2, 3, 4, 5, 6}),
    };
}

std::vector<SwitchDef> ZelCSwitches()
{
    const auto selector = [](int key, int y) {
        return SwitchDef{key, kSwitchSelector, 2825, y,
                         Row(y, {0, 1, 2, 3, 4, 5, 6, 7},
                             {2825, 1400, 1600, 1800, 2000, 2200, 2400, 2600})};
    };
    const auto output = [](int key, int y) {
        return SwitchDef{key, kSwitchOutput, 6900, y, {{0, 7200, y + 150}, {1, 7200, y - 150}}};
    };
    return {
        TwoPosition(0, 8400, 8600, 0, 1), TwoPosition(0, 8400, 8200, 1, 0),
        TwoPosition(1, 8400, 4900, 0, 1), TwoPosition(1, 8400, 4500, 1, 0),
        selector(13, 8750), selector(14, 8050), selector(11, 7400), selector(18, 6500),
        selector(19, 5150), selector(10, 4300), selector(16, 3650), selector(17, 2950),
        output(20, 8400), output(21, 7400), output(24, 6500),
        output(25, 5150), output(22, 4300), output(23, 3300),
    };
}

}  // namespace

std::vector<std::unique_ptr<CInterconnect>> BuildSwitches(const std::string& deviceType)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    if (!kind)
        return {};
    return BuildSwitches(*kind);
}

std::vector<std::unique_ptr<CInterconnect>> BuildSwitches(DeviceKind kind)
{
    std::vector<SwitchDef> defs;
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        defs = ZelASwitches();
        break;
    case DeviceFamily::ZelB:
        defs = ZelBSwitches();
        break;
    case DeviceFamily::ZelC:
        defs = ZelCSwitches();
        break;
    case DeviceFamily::ZelD:
        break;
    }

    std::vector<std::unique_ptr<CInterconnect>> switches;
    for (const SwitchDef& d : defs) {
        auto s = CreateInterconnect(kind);
        s->Init(d.key, d.x, d.y, d.type);
        for (std::size_t i = 0; i < d.contacts.size(); ++i)
            s->SetValXYAssoc(d.key, static_cast<int>(i), d.contacts[i].value, d.contacts[i].x,
                             d.contacts[i].y);
        switches.push_back(std::move(s));
    }
    // Chain the switches of one key behind the first of them.
    std::vector<bool> chained(switches.size(), false);
    for (std::size_t i = 0; i < switches.size(); ++i) {
        if (chained[i])
            continue;
        CInterconnect* tail = switches[i].get();
        for (std::size_t j = i + 1; j < switches.size(); ++j) {
            if (!chained[j] && switches[j]->GetSymKey() == switches[i]->GetSymKey()) {
                tail->SetNext(switches[j].get());
                tail = switches[j].get();
                chained[j] = true;
            }
        }
    }
    return switches;
}

void SyncSwitches(const std::vector<std::unique_ptr<CInterconnect>>& switches, DeviceConfig& config)
{
    for (const auto& s : switches)
        if (s && s->GetSymKey() >= 0)
            s->SetConnValue(s->GetSymKey(), config.GetSymValue(s->GetSymKey()));
}

}  // namespace kalidor
