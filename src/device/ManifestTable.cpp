#include "device/ManifestTable.h"

#include "base/XmlParser.h"

namespace kalidor {

namespace {

constexpr const char* kTagManifestTable = "<ManifestTable>";
constexpr const char* kTagManifestTableEnd = "</ManifestTable>";
constexpr const char* kTagConstant = "<ManifestConstant>";
constexpr const char* kTagConstantEnd = "</ManifestConstant>";
constexpr const char* kTagName = "<Name>";
constexpr const char* kTagNameEnd = "</Name>";
constexpr const char* kTagValue = "<Value>";
constexpr const char* kTagValueEnd = "</Value>";

// Codes for the tags this reader registers itself (it compares tag texts, so a caller that
// registered the same tags with its own codes works the same).
enum : int {
    kCodeManifestTable = 2401,
    kCodeManifestTableEnd,
    kCodeConstant,
    kCodeConstantEnd,
    kCodeName,
    kCodeNameEnd,
    kCodeValue,
    kCodeValueEnd,
};

}  // namespace

ManifestConstant* CManifestTable::Add(const std::string& name, int value)
{
    if (m_count < 0 || m_count >= kSlots)
        return nullptr;
    auto entry = std::make_unique<ManifestConstant>();
    entry->Name = name;
    entry->Value = value;
    m_entries[m_count] = std::move(entry);
    return m_entries[m_count++].get();
}

ManifestConstant* CManifestTable::FindByName(const std::string& name)
{
    for (ResetCursorB(); ManifestConstant* c = NextB();)
        if (c->Name == name)
            return c;
    return nullptr;
}

ManifestConstant* CManifestTable::Next(int& cursor)
{
    while (cursor < kSlots - 1) {
        ++cursor;
        if (m_entries[cursor])
            return m_entries[cursor].get();
    }
    cursor = kSlots;
    return nullptr;
}

void CManifestTable::Clear()
{
    for (auto& e : m_entries)
        e.reset();
    m_count = 0;
}

void CManifestTable::RegisterXmlTags(CXmlParser& parser)
{
    const std::pair<const char*, int> tags[] = {
        {kTagManifestTable, kCodeManifestTable}, {kTagManifestTableEnd, kCodeManifestTableEnd},
        {kTagConstant, kCodeConstant},           {kTagConstantEnd, kCodeConstantEnd},
        {kTagName, kCodeName},                   {kTagNameEnd, kCodeNameEnd},
        {kTagValue, kCodeValue},                 {kTagValueEnd, kCodeValueEnd},
    };
    for (const auto& [tag, code] : tags)
        if (!parser.GetTable().FindElement(tag))
            parser.AddElement(tag, code);
}

int CManifestTable::ReadXml(CXmlParser& parser, CXmlElement*, const CXmlReadLoop* parent)
{
    int added = 0;
    CXmlReadLoop table(parser, kTagManifestTableEnd, parent);
    while (CXmlElement* e = table.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;  // a stray end tag
        if (e->GetTag() != kTagConstant) {
            parser.SkipElement();
            continue;
        }
        std::string name;  // a constant without <Name> has an empty name
        int value = 0;     // and without <Value> the value 0
        CXmlReadLoop constant(parser, kTagConstantEnd, &table);
        while (CXmlElement* c = constant.Next()) {
            if (parser.GetLastResult() != kXmlStartTag)
                continue;
            if (c->GetTag() == kTagName) {
                parser.ReadElementText();
                name = parser.GetText().substr(0, kMaxNameLength);
            } else if (c->GetTag() == kTagValue) {
                parser.ReadElementText();
                value = parser.GetInt();
            } else {
                parser.SkipElement();
            }
        }
        // Only a complete constant is taken; a full table takes no more.
        if (constant.EndedAtOwnTag() && Add(name, value))
            ++added;
    }
    return added;
}

}  // namespace kalidor
