#include "utilities/LadderTable.h"

#include <cstdio>

#include "platform/Prompter.h"
#include "utilities/FilterCriteria.h"
#include "utilities/FilterEntry.h"

namespace kalidor {

const char kMsgUnknownLadderCriterion[] = "Internal software error:  unknown case in CFilterEntry4Macro::ApplyFilter";
const char kMsgLadderInternalColumn[] = "-internal error-";
const char kLadderTitle[] = "Ladder Filter";
const char kLadderKeywords[] = "ZelA, Ladder Filter";
const char kLadderComments[] = "Created by Ladder Filter Generator";

const char* const kLadderComponentTitles[CFilterEntry4Macro::kComponentCount] = {
    "IA1 Gain", "IA2 Gain", "ZelBlock 1 Cap", "IA3 Gain", "IA4 Gain", "ZelBlock 2 Cap",
    "IA4 Gain", "IA5 Gain", "ZelBlock3 Cap",  "IA6 Gain", "IA7 Gain", "ZelBlock4 Cap"};
const char* const kLadderCriteriaTitles[CFilterEntry4Macro::kCriteriaCount] = {"ID", "FilterType", "Frequency"};

namespace {

struct LadderType {
    int type;
    const char* name;
    const char* tag;
};
const LadderType kLadderTypes[] = {
    {9, "Butterworth 3rd Order", "Butterworth_3_Pole"}, {10, "Butterworth 4th Order", "Butterworth_4_Pole"},
    {11, "Chebyshev 0.1dB", "Chebyshev_0.1dB"},         {12, "Chebyshev 0.2dB", "Chebyshev_0.2dB"},
    {13, "Chebyshev 0.5dB", "Chebyshev_0.5dB"},         {14, "UnityGain 0.5dB", "UnityGain_0.5dB"},
};

// The d-number a component column shows: per block the two gains and the capacitor.
int ComponentNumberIndex(int component)
{
    if (component < 0 || component >= CFilterEntry4Macro::kComponentCount)
        return -1;
    return 3 + (component / 3) * CFilterEntry4Macro::kBlockNumbers + component % 3;
}


}  // namespace

bool CFilterEntry4Macro::ReadText(int t, const std::string& text)
{
    type = t;
    const std::vector<double> n = ParseNumberList(text.substr(0, CConfigTable::kMaxEntryText));
    if (!n.empty())
        id = static_cast<int>(n[0]);
    numbersRead = 0;
    for (size_t i = 1; i < n.size() && numbersRead < kNumbers; ++i)
        d[numbersRead++] = n[i];
    return numbersRead >= kRequiredNumbers;
}

std::string CFilterEntry4Macro::WriteElement() const
{
    const std::string tag = TypeTag(type);
    std::string s = "<" + tag + ">" + std::to_string(id);
    const int count = numbersRead > kRequiredNumbers ? numbersRead : kRequiredNumbers;
    for (int i = 0; i < count; ++i)
        s += ", " + TableNumberText(d[i]);
    return s + "</" + tag + ">";
}

bool CFilterEntry4Macro::ApplyFilter(const CFilterCriteria& c) const
{
    if (const auto common = c.PassesIdOrType(type))
        return *common;
    if (c.attribute == 2)
        return c.Within(d[0]);
    CurrentPrompter().Message(kMsgUnknownLadderCriterion, "Kalidor", Buttons::Ok, MessageIcon::Error);
    return false;
}

std::string CFilterEntry4Macro::AttributeText(int column) const
{
    char buf[64];
    switch (column) {
    case 0:
        return std::to_string(id);
    case 1:
        return TypeName(type);
    case 2:
        std::snprintf(buf, sizeof buf, "%.2f", d[0]);
        return buf;
    default:
        return kMsgLadderInternalColumn;
    }
}

std::string CFilterEntry4Macro::ComponentText(int component) const
{
    const int i = ComponentNumberIndex(component);
    if (i < 0)
        return kMsgLadderInternalColumn;
    char buf[64];
    std::snprintf(buf, sizeof buf, component % 3 == 2 ? "%.2fpF" : "%.2f", d[i]);
    return buf;
}

double CFilterEntry4Macro::ComponentNumber(int component) const
{
    const int i = ComponentNumberIndex(component);
    return i < 0 ? CRowTable::kNoNumber : d[i];
}

std::string CFilterEntry4Macro::TypeName(int t)
{
    for (const LadderType& l : kLadderTypes)
        if (l.type == t)
            return l.name;
    if ((t >= 0 && t <= 4) || t == 8)
        return CFilterEntry::TypeName(t);
    return "--unknown--";
}

std::string CFilterEntry4Macro::TypeTag(int t)
{
    for (const LadderType& l : kLadderTypes)
        if (l.type == t)
            return l.tag;
    return "";
}

CFilterTable4Macro::CFilterTable4Macro()
{
    for (int a = 0; a < CFilterEntry4Macro::kCriteriaCount; ++a)
        m_criteria.emplace_back(a, kLadderCriteriaTitles[a]);
}

std::string CFilterTable4Macro::FileName(const std::string& deviceType)
{
    return deviceType + "_LadderFilter.XML";
}

const CFilterEntry4Macro* CFilterTable4Macro::GetEntry(int position) const
{
    return position >= 0 && position < GetEntryCount() ? &m_entries[position] : nullptr;
}

int CFilterTable4Macro::FindEntry(int id) const
{
    for (int i = 0; i < GetEntryCount(); ++i)
        if (m_entries[i].id == id)
            return i;
    return -1;
}

void CFilterTable4Macro::SetContents(int formatVersion, std::string version, std::string deviceType,
                                     std::string date, std::vector<CFilterEntry4Macro> entries,
                                     std::string headerComment)
{
    SetHeader(formatVersion, std::move(version), std::move(deviceType), std::move(date));
    m_entries = std::move(entries);
    m_headerComment = std::move(headerComment);
}

std::string CFilterTable4Macro::Write() const
{
    std::string s = WriteHeader(GetEntryCount(), m_headerComment);
    for (const CFilterEntry4Macro& e : m_entries)
        s += e.WriteElement() + "\r\n";
    s += "\r\n</FilterTable>\r\n\r\n";
    return s;
}

std::vector<std::pair<std::string, int>> CFilterTable4Macro::EntryTags() const
{
    std::vector<std::pair<std::string, int>> tags;
    for (const LadderType& l : kLadderTypes)
        tags.emplace_back(l.tag, l.type);
    return tags;
}

bool CFilterTable4Macro::ReadEntry(int type, const std::string& text)
{
    CFilterEntry4Macro e;
    if (!e.ReadText(type, text))
        return false;
    m_entries.push_back(e);
    return true;
}

bool CFilterTable4Macro::EntryPasses(int row, const CFilterCriteria& criterion) const
{
    return m_entries[row].ApplyFilter(criterion);
}

int CFilterTable4Macro::ColumnCount() const
{
    return static_cast<int>(m_criteria.size()) + CFilterEntry4Macro::kComponentCount;
}

std::string CFilterTable4Macro::ColumnTitle(int column) const
{
    const int n = static_cast<int>(m_criteria.size());
    if (column >= 0 && column < n)
        return m_criteria[column].title;
    if (column >= n && column < n + CFilterEntry4Macro::kComponentCount)
        return kLadderComponentTitles[column - n];
    return {};
}

std::string CFilterTable4Macro::CellText(int row, int column) const
{
    const CFilterEntry4Macro* e = GetEntry(row);
    if (!e)
        return {};
    const int n = static_cast<int>(m_criteria.size());
    return column < n ? e->AttributeText(column) : e->ComponentText(column - n);
}

double CFilterTable4Macro::CellNumber(int row, int column) const
{
    const CFilterEntry4Macro* e = GetEntry(row);
    if (!e || column < 0 || column == 1)
        return kNoNumber;
    const int n = static_cast<int>(m_criteria.size());
    if (column == 0)
        return e->id;
    if (column == 2)
        return e->d[0];
    return e->ComponentNumber(column - n);
}

}  // namespace kalidor
