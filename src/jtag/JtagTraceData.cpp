#include "jtag/JtagTraceData.h"

#include <algorithm>

#include "jtag/SvfResult.h"
#include "platform/AtomicFile.h"

namespace kalidor {

namespace {

constexpr int kKindNameCount = static_cast<int>(sizeof kTraceKindNames / sizeof kTraceKindNames[0]);

std::string Level(int level)
{
    return level != 0 ? "1" : "0";
}

// Element text of the XML form: plain when it cannot be taken for markup, else in a CDATA section
// (with "]]>" broken up so that the section cannot end early).
std::string XmlText(const std::string& text)
{
    if (text.find_first_of("<>&") == std::string::npos) return text;
    std::string body = text;
    for (std::size_t at = body.find("]]>"); at != std::string::npos; at = body.find("]]>", at + 4))
        body.replace(at, 3, "]] >");
    return "<![CDATA[" + body + "]]>";
}

void AppendElement(std::string& out, const char* name, const std::string& value)
{
    out += "<";
    out += name;
    out += ">";
    out += value;
    out += "</";
    out += name;
    out += ">\r\n";
}

}  // namespace

std::string CJtagTraceDataEntry::ColumnText(int column) const
{
    switch (column) {
    case 0: return m_kind >= 0 && m_kind < kKindNameCount ? kTraceKindNames[m_kind] : kTraceKindUnknown;
    case 1: return m_svf;
    case 2:
        if (m_result == SvfResultCode(kSvfOk)) return kTraceResultOk;
        if (m_result == SvfResultCode(kSvfTdoMismatch)) return kTraceResultVerifyError;
        return std::to_string(m_result);
    case 3:
        switch (m_tck) {
        case 0: return "0";
        case 1: return "1";
        case 2: return "/";
        case 3: return "\\";
        default: return kTraceInternalError;
        }
    case 4: return Level(m_tms);
    case 5: return Level(m_tdi);
    case 6: return Level(m_tdo);
    case 7: return kTraceIndexColumnText;
    case 8: return kTraceRegisterColumnText;
    default: return kTraceInternalError;
    }
}

void CJtagTraceData::AddSvfEntry(const std::string& text, int result)
{
    CJtagTraceDataEntry& e = m_entries.emplace_back();
    e.m_kind = kTraceSvf;
    e.m_svf = text;
    e.m_result = result;
    Changed();
}

void CJtagTraceData::AddPinEntry(int tck, int tms, int tdi, int tdo)
{
    CJtagTraceDataEntry& e = m_entries.emplace_back();
    e.m_kind = kTracePins;
    e.m_tck = tck;
    e.m_tms = tms;
    e.m_tdi = tdi;
    e.m_tdo = tdo;
    Changed();
}

void CJtagTraceData::Clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    ++m_generation;
    Changed();
}

std::string CJtagTraceData::TextForm() const
{
    std::string out = kTraceTextHeader;
    for (const CJtagTraceDataEntry& e : m_entries) {
        out += e.ColumnText(1);
        out += "\r\n";
    }
    out += kTraceTextEnd;
    return out;
}

std::string CJtagTraceData::XmlForm() const
{
    std::string out = kTraceXmlProlog;
    out += std::string("<") + kTraceXmlRoot + ">\r\n\r\n";
    for (const CJtagTraceDataEntry& e : m_entries) {
        out += std::string("<") + kTraceXmlEntry + ">\r\n";
        AppendElement(out, kTraceColumnTitles[0], std::to_string(e.m_kind));
        AppendElement(out, kTraceColumnTitles[1], XmlText(e.m_svf));
        AppendElement(out, kTraceColumnTitles[2], std::to_string(e.m_result));
        AppendElement(out, kTraceColumnTitles[3], std::to_string(e.m_tck));
        AppendElement(out, kTraceColumnTitles[4], std::to_string(e.m_tms));
        AppendElement(out, kTraceColumnTitles[5], std::to_string(e.m_tdi));
        AppendElement(out, kTraceColumnTitles[6], std::to_string(e.m_tdo));
        out += std::string("</") + kTraceXmlEntry + ">\r\n";
    }
    if (!m_entries.empty()) out += "\r\n";
    out += std::string("</") + kTraceXmlRoot + ">\r\n\r\n";
    return out;
}

bool CJtagTraceData::SaveText(const std::string& path) const
{
    return WriteFileAtomically(path, TextForm());
}

bool CJtagTraceData::SaveXml(const std::string& path) const
{
    return WriteFileAtomically(path, XmlForm());
}

void CJtagTraceData::AddObserver(CJtagTraceObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CJtagTraceData::RemoveObserver(CJtagTraceObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void CJtagTraceData::Changed()
{
    for (CJtagTraceObserver* o : m_observers) o->OnTraceChanged();
}

}  // namespace kalidor
