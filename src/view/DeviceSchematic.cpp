#include "view/DeviceSchematic.h"

#include "view/ColorTable.h"

#include <cctype>
#include <cstdio>
#include <set>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "device/Interconnect.h"
#include "device/SymbolInfo.h"

namespace kalidor {

void UseScreenColors(CColorTable& colors)
{
    colors.SetColor(CSymbol::kTextColor, CColorTable::Rgb(236, 236, 236));
}

namespace {

constexpr const char* kFileProlog = "<?xml version=\"1.0\"?>\r\n\r\n<ZelDevice>\r\n\r\n";
constexpr const char* kFileEnd = "</ZelDevice>\r\n\r\n";

enum FileTag : int {
    kTagDevice = 4000,
    kTagDeviceEnd,
    kTagSchematic,
    kTagSchematicEnd,
    kTagInterconnect,
    kTagInterconnectEnd,
};

// A node name: blanks dropped, letters in capitals ("IN 1" gives "IN1").
std::string NodeName(const std::string& text)
{
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The name of a label as a Spice node: blanks and line breaks become '_'.
std::string LabelNode(const std::string& label)
{
    std::string s;
    for (char c : label) {
        if (c == '\r')
            continue;
        s += (c == ' ' || c == '\n' || c == '\t') ? '_' : c;
    }
    return s;
}

// The netlist text of a valid symbol for the current value: the node an input selection
// connects ("VREF" for none), "VREF" or "CMVIN" for a common-mode input, the capacitance with
// its unit for capacitors and filter elements, the signed gain, and otherwise the symbol value.
std::string NetlistText(DeviceConfig& config, int key, int dialogType, const ValueTexts& texts)
{
    const int v = config.GetSymValue(key);
    char buf[64];
    switch (dialogType) {
    case kDlgInputSelect: {
        std::string node = NodeName(texts.shortText.empty() ? texts.value : texts.shortText);
        if (node == "NONE" || node.empty())
            return "VREF";
        if (node == "DACOUTPUT")
            return "DACOUT";
        return node;
    }
    case kDlgCommonMode:
        return v == 0 ? "VREF" : "CMVIN";
    case kDlgGain:
    case kDlgNegativeGain:
        return texts.value;
    case kDlgCapacitor:
        std::snprintf(buf, sizeof buf, "%.6gp", config.GetCapFarads(key) * 1e12);
        return buf;
    case kDlgFeedback:
        return v == 0 ? "CLOSED" : "OPEN";
    default:
        std::snprintf(buf, sizeof buf, "%d", v);
        return buf;
    }
}

}  // namespace

CDeviceSchematic::CDeviceSchematic(DeviceKind kind) : m_kind(kind), m_deviceType(DeviceKindName(kind))
{
    SetDisplaySwitch(kShowSymbols, true);
}

CDeviceSchematic::~CDeviceSchematic()
{
    // The symbols point at the switches: let go of them before the switches go.
    for (CSymbol* s = GetFirstSymbol(); s; s = GetNextSymbol())
        s->SetSwitch(nullptr);
}

std::unique_ptr<CDeviceSchematic> CDeviceSchematic::Create(DeviceKind kind)
{
    std::unique_ptr<CDeviceSchematic> s;
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
    case DeviceFamily::ZelB:
        s.reset(new CDeviceSchematic(kind));
        break;
    case DeviceFamily::ZelC:
        s = std::make_unique<CZelCSchematic>();
        break;
    case DeviceFamily::ZelD:
        s = std::make_unique<CZelDSchematic>(kind);
        break;
    }
    s->Build();
    return s;
}

std::unique_ptr<CDeviceSchematic> CDeviceSchematic::Create(const std::string& deviceType)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    return kind ? Create(*kind) : nullptr;
}

void CDeviceSchematic::Build()
{
    for (const SymbolInfo& info : SymbolInfoTable(m_kind)) {
        CSymbol* sym = AddSymbol(info.key, 0, 0, info.label, 0, 0);
        if (!sym)
            continue;
        if (!info.fullName.empty())
            sym->SetFullName(info.fullName);
        sym->SetDialogType(info.dialogType);
        // Labels name their node; settable symbols take theirs from the value (RefreshValueText).
        if (info.fullName.empty())
            sym->SetNetlistText(LabelNode(info.label));
    }

    m_switches = BuildSwitches(m_kind);
    m_interconnect = CreateInterconnect(m_kind);
    std::set<int> keys;
    for (const auto& sw : m_switches) {
        const int key = sw->GetSymKey();
        if (!keys.insert(key).second)
            continue;  // chained behind the first switch of its key
        if (m_interconnect)
            m_interconnect->AddSymKey(key);
        if (CSymbol* sym = GetSymbol(key))
            sym->SetSwitch(sw.get());
    }
    Layout();
}

bool CDeviceSchematic::RefreshValueText(DeviceConfig& config, int key)
{
    CSymbol* sym = GetSymbol(key);
    if (!sym)
        return false;
    ValueTexts texts = GetValueTexts(config, key);
    if (sym->IsValid())
        sym->SetNetlistText(NetlistText(config, key, sym->GetDialogType(), texts));
    sym->SetValueText(std::move(texts.value));
    sym->SetAuxText(std::move(texts.shortText));
    for (const auto& sw : m_switches)
        if (sw->GetSymKey() == key)
            sw->SetConnValue(key, config.GetSymValue(key));
    return true;
}

void CDeviceSchematic::WriteInterconnect(std::string& out) const
{
    if (!m_interconnect)
        return;
    std::vector<const CInterconnect*> list;
    for (const auto& sw : m_switches)
        list.push_back(sw.get());
    m_interconnect->WriteXml(out, list);
}

void CDeviceSchematic::ReadInterconnect(CXmlParser& parser, CXmlElement* start)
{
    if (!m_interconnect)
        return;
    std::vector<CInterconnect*> list;
    for (const auto& sw : m_switches)
        list.push_back(sw.get());
    m_interconnect->ReadXml(parser, start, list);
}

std::string CDeviceSchematic::WriteSupportFile() const
{
    std::string out = kFileProlog;
    WriteSchematic(out);
    WriteInterconnect(out);
    out += kFileEnd;
    return out;
}

bool CDeviceSchematic::ReadSupportFile(const std::string& text)
{
    ResetSymbols();
    CXmlParser parser;
    parser.AddElement("<ZelDevice>", kTagDevice);
    parser.AddElement("</ZelDevice>", kTagDeviceEnd);
    parser.AddElement("<ZelSchematic>", kTagSchematic);
    parser.AddElement("</ZelSchematic>", kTagSchematicEnd);
    parser.AddElement("<ZelInterconnect>", kTagInterconnect);
    parser.AddElement("</ZelInterconnect>", kTagInterconnectEnd);
    CSchematic::RegisterTags(parser);
    CInterconnect::RegisterXmlTags(parser);
    parser.SetText(text);
    parser.ParseProlog();
    CXmlElement* root = parser.NextElement();
    if (!root || root->GetCode() != kTagDevice)
        return false;
    CXmlReadLoop loop(parser, "</ZelDevice>");
    while (CXmlElement* e = loop.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;
        if (e->GetCode() == kTagSchematic)
            ReadSchematic(parser);
        else if (e->GetCode() == kTagInterconnect)
            ReadInterconnect(parser, e);
        else
            parser.SkipElement();
    }
    return true;
}

}  // namespace kalidor
