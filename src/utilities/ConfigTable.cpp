#include "utilities/ConfigTable.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "base/XmlParser.h"
#include "platform/AtomicFile.h"

namespace kalidor {

const char kMsgFilterTableNotLoaded[] = "Filter table was not loaded.  Version data is not available.";
const char kMsgTooManyCriteria[] =
    "Internal Error: Attempt to fill listview header with too many criteria in Filter Table";
const char kMsgTooManyAttributes[] =
    "Internal Error: Attempt to fill listview header with too many attributes in Filter Table";

namespace {

enum HeaderTag {
    kTagRoot = 1, kTagRootEnd, kTagFormat, kTagFormatEnd, kTagVersion, kTagVersionEnd,
    kTagDevice, kTagDeviceEnd, kTagDate, kTagDateEnd, kTagCount, kTagCountEnd,
    kTagEntry = 100,     // + the entry's index in EntryTags(), start tags
    kTagEntryEnd = 200,  // end tags
};

const char kCrLf[] = "\r\n";

}  // namespace

bool CConfigTable::Read(const std::string& text, std::string* error)
{
    auto fail = [&](const char* why) {
        if (error)
            *error = why;
        return false;
    };
    ClearEntries();
    m_loaded = false;
    m_formatVersion = 0;
    m_version.clear();
    m_deviceType.clear();
    m_date.clear();
    m_declaredCount = 0;
    m_incomplete = 0;

    const auto tags = EntryTags();
    CXmlParser parser;
    auto pair = [&](const std::string& name, int code, int endCode) {
        parser.AddElement("<" + name + ">", code);
        parser.AddElement("</" + name + ">", endCode);
    };
    pair("FilterTable", kTagRoot, kTagRootEnd);
    pair("DocFmtVersion", kTagFormat, kTagFormatEnd);
    pair("Version", kTagVersion, kTagVersionEnd);
    pair("DeviceType", kTagDevice, kTagDeviceEnd);
    pair("Date", kTagDate, kTagDateEnd);
    pair("Count", kTagCount, kTagCountEnd);
    for (size_t i = 0; i < tags.size(); ++i)
        pair(tags[i].first, kTagEntry + static_cast<int>(i), kTagEntryEnd + static_cast<int>(i));

    parser.SetText(text);
    parser.ParseProlog();
    CXmlElement* root = parser.NextElement();
    if (!root || root->GetCode() != kTagRoot || parser.GetLastResult() != kXmlStartTag)
        return fail("The file is not a filter table: it does not begin with <FilterTable>.");
    CXmlReadLoop loop(parser, "</FilterTable>");
    while (CXmlElement* e = loop.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;
        const int code = e->GetCode();
        if (code == kTagRoot) {
            parser.SkipElement();
            continue;
        }
        parser.ReadElementText();
        const std::string value = parser.GetText();
        switch (code) {
        case kTagFormat:
            m_formatVersion = parser.GetInt();
            break;
        case kTagVersion:
            m_version = value;
            break;
        case kTagDevice:
            m_deviceType = value.substr(0, kMaxDeviceType);
            break;
        case kTagDate:
            m_date = value;
            break;
        case kTagCount:
            m_declaredCount = parser.GetInt();
            break;
        default:
            if (code >= kTagEntry && code < kTagEntry + static_cast<int>(tags.size()))
                if (!ReadEntry(tags[code - kTagEntry].second, value.substr(0, kMaxEntryText)))
                    ++m_incomplete;
            break;
        }
    }
    if (!loop.EndedAtOwnTag())
        return fail("The filter table is damaged: it ends before </FilterTable>.");
    m_loaded = true;
    return true;
}

bool CConfigTable::Load(const std::string& path, std::string* error)
{
    std::string text;
    if (!ReadWholeFile(path, text, kMaxFileSize, error)) {
        m_loaded = false;
        return false;
    }
    return Read(text, error);
}

std::string CConfigTable::VersionText() const
{
    if (!m_loaded)
        return kMsgFilterTableNotLoaded;
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  "Filter Table Version: %s\nDevice Type: %s\nDate: %s\nNumber of Entries: %d\n"
                  "File Format Version: %d",
                  m_version.substr(0, 80).c_str(), m_deviceType.c_str(), m_date.substr(0, 80).c_str(),
                  RowCount(), m_formatVersion);
    std::string s = buf;
    if (m_declaredCount != RowCount()) {
        std::snprintf(buf, sizeof buf, "\nDeclared Count: %d", m_declaredCount);
        s += buf;
    }
    if (m_incomplete > 0) {
        std::snprintf(buf, sizeof buf, "\nIncomplete Entries Left Out: %d", m_incomplete);
        s += buf;
    }
    return s;
}

std::vector<double> ParseNumberList(const std::string& text)
{
    // Read without the C locale, whose decimal separator may be a comma in the desktop program.
    std::vector<double> out;
    const char* p = text.data();
    const char* const e = p + text.size();
    while (p < e) {
        while (p < e && (*p == ' ' || *p == ',' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++p;
        if (p == e)
            break;
        const char* start = p;
        if (*start == '+')
            ++start;  // from_chars takes no plus sign
        double v = 0;
        const auto r = std::from_chars(start, e, v);
        if (r.ec == std::errc::invalid_argument)
            break;  // not a number: the list ends here
        if (r.ec == std::errc::result_out_of_range)
            v = 0;  // beyond the range of a double (or below its smallest): no usable value
        // What is read is what a save writes back, so the texts made of it (the description) do
        // not change when the file is saved and read again.
        out.push_back(AsWritten(v));
        p = r.ptr;
    }
    return out;
}

std::string TableNumberText(double v)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
    return std::string(buf, r.ptr);
}

double AsWritten(double v)
{
    const std::string text = TableNumberText(v);
    double kept = v;
    std::from_chars(text.data(), text.data() + text.size(), kept);
    return kept;
}

std::string CConfigTable::WriteHeader(int count, const std::string& comment) const
{
    std::string s = std::string("<?xml version=\"1.0\"?>") + kCrLf + kCrLf;
    if (!comment.empty())
        s += "<!--" + comment + "-->" + kCrLf + kCrLf;
    s += std::string("<FilterTable>") + kCrLf + kCrLf;
    s += "<DocFmtVersion>" + std::to_string(m_formatVersion) + "</DocFmtVersion>" + kCrLf;
    s += "<Version>" + m_version + "</Version>" + kCrLf;
    s += "<DeviceType>" + m_deviceType + "</DeviceType>" + kCrLf;
    s += "<Date>" + m_date + "</Date>" + kCrLf;
    s += "<Count>" + std::to_string(count) + "</Count>" + kCrLf + kCrLf;
    return s;
}

CFilterCriteria* CConfigTable::Criterion(int attribute)
{
    for (CFilterCriteria& c : m_criteria)
        if (c.attribute == attribute)
            return &c;
    return nullptr;
}

void CConfigTable::ShowAll()
{
    for (CFilterCriteria& c : m_criteria)
        c.Disable();
}

bool CConfigTable::RowPasses(int row) const
{
    for (const CFilterCriteria& c : m_criteria)
        if (c.enabled && !EntryPasses(row, c))
            return false;
    return true;
}

}  // namespace kalidor
