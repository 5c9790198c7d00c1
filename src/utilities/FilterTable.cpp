#include "utilities/FilterTable.h"

namespace kalidor {

const char kMsgNoEntrySelected[] = "No entry was selected.  Copy to Schematic was not performed.";
const char kStatusLoadingFromDisk[] = "Loading filter data from disk...";
const char kStatusLoadingIntoList[] = "Loading filter data into list view...";
const char kStatusReady[] = "Ready";
const char kCopyToSchematicCommand[] = "Copy Filter Configuration to Schematic...";

const CFilterCommand kFilterCommands[kFilterCommandCount] = {
    {"Show All Configurations in list", -1},
    {"Filter on FilterType...", 1},
    {"Filter on Frequency...", 2},
    {"Filter on Gain2xFc...", 3},
    {"Filter on Gain10xFc...", 4},
    {"Filter on Pass Band Freq....", 5},
    {"Filter on Pass Band Ripple...", 6},
    {"Filter on Stop Band Freq...", 7},
    {"Filter on Stop Band Attenuation...", 8},
    {"Filter on Fs/Fp Ratio...", 9},
};

const char* const kFilterCriteriaTitles[CFilterEntry::kCriteriaCount] = {
    "ID",
    "FilterType",
    "Cut Off: Fc = -3dB",
    "Gain @ 2 X Fc",
    "Gain @ 10 X Fc",
    "Pass Band Freq. (Fp)",
    "Pass Band Ripple",
    "Stop Band Freq. (Fs)",
    "Stop Band Atten.",
    "Fs/Fp Ratio",
    "MaxVin",
};

const char* const kFilterComponentTitles[CFilterEntry::kComponentCount] = {"C1", "C2", "L2", "C3",
                                                                           "C4", "L4", "C5"};

CFilterTable::CFilterTable()
{
    for (int a = 0; a < CFilterEntry::kCriteriaCount; ++a)
        m_criteria.emplace_back(a, kFilterCriteriaTitles[a]);
}

std::string CFilterTable::FileName(const std::string& deviceType)
{
    return deviceType + "_FilterTable.XML";
}

const CFilterEntry* CFilterTable::GetEntry(int position) const
{
    return position >= 0 && position < GetEntryCount() ? &m_entries[position] : nullptr;
}

int CFilterTable::FindEntry(int id) const
{
    for (int i = 0; i < GetEntryCount(); ++i)
        if (m_entries[i].id == id)
            return i;
    return -1;
}

bool CFilterTable::Passes(const CFilterEntry& entry) const
{
    for (const CFilterCriteria& c : m_criteria)
        if (!entry.ApplyFilter(c))
            return false;
    return true;
}

bool CFilterTable::EntryPasses(int row, const CFilterCriteria& criterion) const
{
    return m_entries[row].ApplyFilter(criterion);
}

void CFilterTable::SetContents(int formatVersion, std::string version, std::string deviceType,
                               std::string date, std::vector<CFilterEntry> entries)
{
    SetHeader(formatVersion, std::move(version), std::move(deviceType), std::move(date));
    m_entries = std::move(entries);
}

std::string CFilterTable::Write() const
{
    std::string s = WriteHeader(GetEntryCount());
    for (const CFilterEntry& e : m_entries)
        s += e.WriteElement() + "\r\n";
    s += "\r\n</FilterTable>\r\n\r\n";
    return s;
}

std::vector<std::pair<std::string, int>> CFilterTable::EntryTags() const
{
    std::vector<std::pair<std::string, int>> tags;
    for (int t = 0; t < 8; ++t)
        tags.emplace_back(CFilterEntry::TypeTag(t), t);
    tags.emplace_back("Linear phase 1", 1);
    tags.emplace_back("Linear phase 2", 2);
    return tags;
}

bool CFilterTable::ReadEntry(int type, const std::string& text)
{
    CFilterEntry e;
    if (!e.ReadText(type, text))
        return false;
    m_entries.push_back(e);
    return true;
}

int CFilterTable::ColumnCount() const
{
    return static_cast<int>(m_criteria.size()) + CFilterEntry::kComponentCount;
}

std::string CFilterTable::ColumnTitle(int column) const
{
    const int n = static_cast<int>(m_criteria.size());
    if (column >= 0 && column < n)
        return m_criteria[column].title;
    if (column >= n && column < n + CFilterEntry::kComponentCount)
        return kFilterComponentTitles[column - n];
    return {};
}

std::string CFilterTable::CellText(int row, int column) const
{
    const CFilterEntry* e = GetEntry(row);
    if (!e)
        return {};
    const int n = static_cast<int>(m_criteria.size());
    return column < n ? e->AttributeText(column) : e->ComponentText(column - n);
}

double CFilterTable::CellNumber(int row, int column) const
{
    const CFilterEntry* e = GetEntry(row);
    if (!e || column < 0)
        return kNoNumber;
    const int n = static_cast<int>(m_criteria.size());
    if (column == 1)
        return kNoNumber;  // filter types sort by name
    if (column < n)
        return e->AttributeNumber(column);
    return column - n < CFilterEntry::kComponentCount ? e->components[column - n] : kNoNumber;
}

}  // namespace kalidor
