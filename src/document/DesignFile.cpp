// Reading and writing the design file (".ZEL") and the device schematic support file.
#include <cstdio>
#include <cstring>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"
#include "document/DesignReader.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"
#include "view/DeviceSchematic.h"

namespace kalidor {

namespace {

const char kCrLf[] = "\r\n";

int Code(const CXmlElement* e)
{
    return e ? e->GetCode() : 0;
}

std::string Limited(const std::string& s, size_t max)
{
    return s.size() > max ? s.substr(0, max) : s;
}

// A symbol's name or value text for the symbolic block: trailing blanks and tabs removed, leading
// ones dropped, inner runs replaced by one '_'; a text of blanks only becomes "_".
std::string NormaliseSymbolText(const std::string& text)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return "_";
    const size_t e = text.find_last_not_of(" \t");
    std::string out;
    bool inRun = false;
    for (size_t i = b; i <= e; ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t') {
            if (!inRun)
                out += '_';
            inRun = true;
        } else {
            out += c;
            inRun = false;
        }
    }
    return out;
}

void RegisterPair(CXmlParser& p, const std::string& name, int code, int endCode)
{
    p.AddElement("<" + name + ">", code);
    p.AddElement("</" + name + ">", endCode);
}

}  // namespace

// ---------------------------------------------------------------- the design reader's tags

void RegisterDesignTags(CXmlParser& p, DesignTagSet set)
{
    const bool all = set == DesignTagSet::kDocument;
    RegisterPair(p, "ZelDesignData", kTagRoot, kTagRootEnd);
    RegisterPair(p, "DocFmtVersion", kTagVersion, kTagVersionEnd);
    RegisterPair(p, "DeviceType", kTagDeviceType, kTagDeviceTypeEnd);
    RegisterPair(p, "FuseMap", kTagFuseMap, kTagFuseMapEnd);
    if (all)
        RegisterPair(p, "SecurityFuse", kTagSecurity, kTagSecurityEnd);
    RegisterPair(p, "SummaryInformation", kTagSummary, kTagSummaryEnd);
    RegisterPair(p, "Title", kTagTitle, kTagTitleEnd);
    RegisterPair(p, "Author", kTagAuthor, kTagAuthorEnd);
    RegisterPair(p, "Subject", kTagSubject, kTagSubjectEnd);
    RegisterPair(p, "Keywords", kTagKeywords, kTagKeywordsEnd);
    RegisterPair(p, "Comments", kTagComments, kTagCommentsEnd);
    RegisterPair(p, "SimulationSetup", kTagSimulation, kTagSimulationEnd);
    RegisterPair(p, "SymbolicSchematicData", kTagSymbolic, kTagSymbolicEnd);
    if (all) {
        RegisterPair(p, "FilterCfgA", kTagFilterA, kTagFilterAEnd);
        RegisterPair(p, "FilterCfgB", kTagFilterB, kTagFilterBEnd);
        RegisterPair(p, "ModifiedFromCfg", kTagModified, kTagModifiedEnd);
        for (int t = 0; t < 8; ++t)
            RegisterPair(p, CFilterEntry::TypeTag(t), kTagFilterType + t, kTagFilterTypeEnd + t);
        RegisterPair(p, "Linear phase 1", kTagFilterType + 1, kTagFilterTypeEnd + 1);
        RegisterPair(p, "Linear phase 2", kTagFilterType + 2, kTagFilterTypeEnd + 2);
    }
    p.AddElement("<UnknownTag>", kTagUnknown);
    p.AddElement("</UnknownTag", kTagUnknownEnd);
}

void SkipUnrecognizedElement(CXmlParser& parser, UnrecognizedNotes& notes)
{
    std::string skipped;
    const size_t before = parser.GetPosition();
    if (parser.SkipElement(&skipped) > 0 && !skipped.empty() && !notes.quiet) {
        std::string text = kMsgUnrecognizedElement + skipped;
        if (++notes.shown < UnrecognizedNotes::kAskAfter) {
            CurrentPrompter().Message(text, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        } else {
            text += kMsgSkipUnrecognized;
            notes.quiet = CurrentPrompter().Message(text, "Kalidor", Buttons::YesNo, MessageIcon::Warning) ==
                          Answer::Yes;
        }
    }
    // Whatever the markup, reading always moves on.
    if (parser.GetPosition() == before)
        parser.SetPosition(before + 1);
}

void ReadSummaryInformation(CXmlParser& parser, CSummaryInfo& summary)
{
    CXmlReadLoop loop(parser, "</SummaryInformation>", nullptr, {"</ZelDesignData>"});
    while (CXmlElement* e = loop.Next()) {
        const int code = e->GetCode();
        if (code != kTagTitle && code != kTagAuthor && code != kTagSubject &&
            code != kTagKeywords && code != kTagComments)
            continue;
        parser.ReadElementText();
        std::string text = parser.GetText();
        switch (code) {
        case kTagTitle:
            summary.SetTitle(Limited(text, kMaxSummaryField));
            break;
        case kTagAuthor:
            summary.SetAuthor(Limited(text, kMaxSummaryField));
            break;
        case kTagSubject:
            summary.SetSubject(Limited(text, kMaxSummaryField));
            break;
        case kTagKeywords:
            summary.SetKeywords(Limited(text, kMaxSummaryField));
            break;
        case kTagComments:
            // The writer ends the comment with a line end before "]]>"; that one is its own.
            if (text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0)
                text.resize(text.size() - 2);
            summary.SetComments(Limited(text, kMaxComments));
            break;
        }
    }
}

// ---------------------------------------------------------------- writing

std::string CSchDoc::WriteDesign(bool prolog) const
{
    std::string out;
    auto line = [&out](const std::string& s) { out += s + kCrLf; };
    if (prolog) {
        line("<?xml version=\"1.0\"?>");
        line("");
    }
    line("<ZelDesignData>");
    line("");
    line("<DocFmtVersion>" + std::to_string(m_formatVersion) + "</DocFmtVersion>");
    line("<DeviceType>" + m_deviceType + "</DeviceType>");
    line("");
    if (m_device) {
        std::string fuses;
        for (int i = 0; i < m_device->GetCellCount(); ++i)
            fuses += m_device->E2_GetValue(i) == 0 ? '0' : '1';
        line("<FuseMap>" + fuses + "</FuseMap>");
        line("");
        // A device that keeps its security as a flag (ZelC) has no fuse in the fuse map.
        if (m_device->SecurityCell() < 0) {
            line("<SecurityFuse>" + std::to_string(m_device->GetSecurity()) + "</SecurityFuse>");
            line("");
        }
    }
    line("<SummaryInformation>");
    line("<Title>" + m_summary.GetTitle() + "</Title>");
    line("<Subject>" + m_summary.GetSubject() + "</Subject>");
    line("<Author>" + m_summary.GetAuthor() + "</Author>");
    line("<Keywords>" + m_summary.GetKeywords() + "</Keywords>");
    line("<Comments>");
    line("<![CDATA[" + m_summary.GetComments());
    line("]]>");
    line("</Comments>");
    line("</SummaryInformation>");
    line("");
    if (m_formatVersion > 1 && m_schematic) {
        line("<SymbolicSchematicData>");
        for (int key = 0; key < CSchematic::kSlotCount; ++key) {
            const CSymbol* s = m_schematic->GetSymbol(key);
            if (!s || !s->IsValid())
                continue;
            line("  <Symbol>");
            line("    <Name>" + NormaliseSymbolText(s->GetFullName()) + "</Name>");
            line("    <Value>" + NormaliseSymbolText(s->GetValueText()) + "</Value>");
            line("  </Symbol>");
        }
        line("</SymbolicSchematicData>");
        line("");
    }
    if (m_device && m_device->Traits().filterConfigs) {
        for (int which = 0; which < 2; ++which) {
            const CFilterEntry* entry = m_filterConfigs[which].get();
            if (!entry)
                continue;
            const std::string tag = which == 0 ? "FilterCfgA" : "FilterCfgB";
            line("<" + tag + ">");
            if (m_device->GetSymValue(which == 0 ? kKeyFilterConfigA : kKeyFilterConfigB) == -2)
                line("<ModifiedFromCfg>-2</ModifiedFromCfg>");
            line(entry->WriteElement());
            line("</" + tag + ">");
            line("");
        }
    }
    if (m_simulation)
        out += m_simulation->WriteXml();
    line("</ZelDesignData>");
    line("");
    return out;
}

// ---------------------------------------------------------------- reading

bool CSchDoc::ReadDesign(const std::string& text)
{
    if (ParseDesign(text.data(), text.size()) != 0) {
        DeleteContents();
        m_deviceType.clear();
        CurrentPrompter().Message(kMsgCorrupted, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    return true;
}

int CSchDoc::ParseDesign(const char* text, size_t length)
{
    CXmlParser parser;
    RegisterDesignTags(parser, DesignTagSet::kDocument);
    parser.SetText(text, length);
    parser.ParseProlog();
    if (Code(parser.NextElement()) != kTagRoot)
        return -1;
    m_formatVersion = 1;
    m_filterConfigs[0].reset();
    m_filterConfigs[1].reset();

    UnrecognizedNotes notes;
    bool ended = false;
    while (!ended) {
        CXmlElement* e = parser.NextElement();
        if (!e) {
            const int result = parser.GetLastResult();
            if (result == kXmlEof || parser.GetPosition() >= parser.GetBuffer().size())
                return -1;  // the text ends before </ZelDesignData>: a truncated file
            if (result == kXmlText)
                continue;  // stray text between elements
            SkipUnrecognizedElement(parser, notes);
            continue;
        }
        switch (e->GetCode()) {
        case kTagRootEnd:
            ended = true;
            break;
        case kTagVersion:
            parser.ReadElementText();
            m_formatVersion = parser.GetInt();
            break;
        case kTagDeviceType: {
            parser.ReadElementText();
            const std::string type = Limited(parser.GetText(), kMaxDeviceType);
            // A second DeviceType or an unknown one makes the file unreadable rather than
            // leave a half-made design.
            if (m_objectsCreated || !IsDeviceTypeName(type))
                return -1;
            m_deviceType = type;
            if (!InitForDevice())
                return -1;
            break;
        }
        case kTagFuseMap: {
            parser.ReadElementText();
            if (!m_device)
                return -1;  // cells before the device type: not a file this program wrote
            const std::string map = Limited(parser.GetText(), kMaxFuseMap);
            // A short map leaves the remaining cells at their defaults.
            const int n = std::min<int>(m_device->GetCellCount(), static_cast<int>(map.size()));
            for (int i = 0; i < n; ++i)
                m_device->E2_SetValue(i, map[i] == '0' ? 0 : 1);
            break;
        }
        case kTagSecurity:
            parser.ReadElementText();
            if (!m_device)
                return -1;
            m_device->SetSecurity(parser.GetInt());
            break;
        case kTagSummary:
            ReadSummaryBlock(parser);
            break;
        case kTagSymbolic:
            parser.SkipElement();
            break;
        case kTagFilterA:
        case kTagFilterB:
            if (!m_device)
                return -1;
            ReadFilterConfig(parser, e->GetCode() == kTagFilterA ? 0 : 1);
            break;
        case kTagSimulation:
            if (!m_simulation)
                return -1;
            m_simulation->ReadXml(parser, nullptr, {"</ZelDesignData>"});
            break;
        default:
            break;
        }
    }
    if (!m_objectsCreated)
        return -1;  // no device type: nothing to show
    RefreshValueTexts();
    return 0;
}

void CSchDoc::ReadSummaryBlock(CXmlParser& parser)
{
    ReadSummaryInformation(parser, m_summary);
    m_loadedSummary = {m_summary.GetTitle(), m_summary.GetSubject(), m_summary.GetAuthor(),
                       m_summary.GetKeywords(), m_summary.GetComments()};
}

bool CSchDoc::ReadFilterConfig(CXmlParser& parser, int which)
{
    auto entry = std::make_unique<CFilterEntry>();
    int state = -1;
    bool haveEntry = false;
    const std::string ownEnd = which == 0 ? "</FilterCfgA>" : "</FilterCfgB>";
    const std::string otherEnd = which == 0 ? "</FilterCfgB>" : "</FilterCfgA>";
    CXmlReadLoop loop(parser, ownEnd, nullptr, {otherEnd, "</ZelDesignData>"});
    while (CXmlElement* e = loop.Next()) {
        const int code = e->GetCode();
        if (code == kTagModified) {
            parser.ReadElementText();
            state = parser.GetInt();
        } else if (code >= kTagFilterType && code < kTagFilterType + 8) {
            parser.ReadElementText();
            entry->ReadText(code - kTagFilterType, parser.GetText());
            haveEntry = true;
        }
    }
    // Either end tag ends either configuration.
    if (loop.EndedAtOuterTag() && parser.GetLastTag() == otherEnd)
        parser.NextElement();
    if (!haveEntry)
        return false;
    const int id = entry->id;
    m_filterConfigs[which] = std::move(entry);
    m_device->SetSymValue(which == 0 ? kKeyFilterConfigA : kKeyFilterConfigB, state == -2 ? -2 : id);
    return true;
}

// ---------------------------------------------------------------- device schematic file

bool CSchDoc::LoadDeviceSchematic()
{
    if (!m_schematic)
        return false;
    const std::string path = SupportFile(m_deviceType + "_Schematic.XML");
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, 16u * 1024u * 1024u, &error)) {
        ReportOpenFailure(path, error);
        return false;
    }
    WaitCursor wait;
    return m_schematic->ReadSupportFile(text);
}

std::string CSchDoc::WriteDeviceSchematic() const
{
    return m_schematic ? m_schematic->WriteSupportFile() : std::string();
}

}  // namespace kalidor
