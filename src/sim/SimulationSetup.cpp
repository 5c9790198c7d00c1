#include "sim/SimulationSetup.h"

#include <cmath>
#include <cstdio>
#include <cstdint>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"

namespace kalidor {

const char kFrequencyEntryIncorrect[] = "Frequency Entry Incorrect";

namespace {

constexpr const char* kTagSetup = "<SimulationSetup>";
constexpr const char* kTagSetupEnd = "</SimulationSetup>";
constexpr const char* kTagCurve = "<Curve>";
constexpr const char* kTagCurveEnd = "</Curve>";
constexpr const char* kTagCurveNum = "<CurveNum>";
constexpr const char* kTagInputNode = "<InputNode>";
constexpr const char* kTagOutputNode = "<OutputNode>";
constexpr const char* kTagConfigAB = "<ConfigAB>";
constexpr const char* kTagStart = "<StartFrequency>";
constexpr const char* kTagStop = "<StopFrequency>";
constexpr const char* kTagPoints = "<PointsPerDecade>";

// Codes of the tags this reader registers itself (it compares tag texts, so a caller that
// registered the same tags with codes of its own works the same).
enum : int {
    kCodeSetup = 5201,
    kCodeSetupEnd,
    kCodeCurve,
    kCodeCurveEnd,
    kCodeCurveNum,
    kCodeCurveNumEnd,
    kCodeInputNode,
    kCodeInputNodeEnd,
    kCodeOutputNode,
    kCodeOutputNodeEnd,
    kCodeConfigAB,
    kCodeConfigABEnd,
    kCodeStart,
    kCodeStartEnd,
    kCodeStop,
    kCodeStopEnd,
    kCodePoints,
    kCodePointsEnd,
};

// Lines of the design file element.
constexpr char kXmlOpen[] = "\r\n<SimulationSetup>\r\n";
constexpr char kXmlCurveOpen[] = "<Curve>\r\n";
constexpr char kXmlCurveNum[] = "<CurveNum>%d</CurveNum>\r\n";
constexpr char kXmlInputNode[] = "<InputNode>%d</InputNode>\r\n";
constexpr char kXmlOutputNode[] = "<OutputNode>%d</OutputNode>\r\n";
constexpr char kXmlConfigAB[] = "<ConfigAB>%d</ConfigAB>\r\n";
constexpr char kXmlStart[] = "<StartFrequency>%d</StartFrequency>\r\n";
constexpr char kXmlStop[] = "<StopFrequency>%d</StopFrequency>\r\n";
constexpr char kXmlPoints[] = "<PointsPerDecade>%d</PointsPerDecade>\r\n";
constexpr char kXmlCurveClose[] = "</Curve>\r\n";
constexpr char kXmlClose[] = "</SimulationSetup>\r\n";

// Lines of the formatted-text export.
constexpr char kTextOpen[] = "\r\nBeginSimulationSetup\r\n";
constexpr char kTextClose[] = "EndSimulationSetup\r\n";
constexpr std::size_t kTextKeyWidth = 27;

void AppendInt(std::string& out, const char* format, int v)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, format, v);
    out += buf;
}

int ClampIndex(int index)
{
    return index < 0 ? 0 : index >= CSimulationSetup::kCurveCount ? CSimulationSetup::kCurveCount - 1 : index;
}

// Leading decimal number of `text`, atoi style but without overflow: -1 above INT32_MAX.
int64_t LeadingNumber(const std::string& text, std::size_t end)
{
    int64_t v = 0;
    for (std::size_t i = 0; i < end && i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            break;
        v = v * 10 + (c - '0');
        if (v > INT32_MAX)
            return -1;
    }
    return v;
}

}  // namespace

// ------------------------------------------------------------------ curves

CurveSetting& CSimulationSetup::Curve(int index) { return m_curves[ClampIndex(index)]; }
const CurveSetting& CSimulationSetup::Curve(int index) const { return m_curves[ClampIndex(index)]; }

void CSimulationSetup::SetActiveCurve(int index) { m_activeCurve = ClampIndex(index); }

void CSimulationSetup::ResetCurves()
{
    m_curves.fill(CurveSetting{});
    m_activeCurve = 0;
}

void CSimulationSetup::SetActiveInputNode(int node)
{
    if (node < 5 && node != 0)
        Active().inputNode = node;
}

void CSimulationSetup::SetActiveOutputNode(int node)
{
    if (node < 5 && node != 0)
        Active().outputNode = node;
}

void CSimulationSetup::SetNodeCounts(const DeviceConfig& device)
{
    SetNodeCounts(device.GetNodeCount(2), device.GetNodeCount(3), device.GetNodeCount(4));
}

void CSimulationSetup::SetNodeCounts(int inputs, int outputs, int configurations)
{
    m_inputNodeCount = inputs;
    m_outputNodeCount = outputs;
    m_configurationCount = configurations;
}

// ------------------------------------------------------------------ design file

std::string CSimulationSetup::WriteXml() const
{
    std::string out = kXmlOpen;
    for (int i = 0; i < kCurveCount; ++i) {
        const CurveSetting& c = m_curves[i];
        out += kXmlCurveOpen;
        AppendInt(out, kXmlCurveNum, i);
        AppendInt(out, kXmlInputNode, c.inputNode);
        AppendInt(out, kXmlOutputNode, c.outputNode);
        AppendInt(out, kXmlConfigAB, c.configAB);
        AppendInt(out, kXmlStart, c.startFrequency);
        AppendInt(out, kXmlStop, c.stopFrequency);
        AppendInt(out, kXmlPoints, c.pointsPerDecade);
        out += kXmlCurveClose;
    }
    out += kXmlClose;
    return out;
}

void CSimulationSetup::RegisterXmlTags(CXmlParser& parser)
{
    const std::pair<const char*, int> tags[] = {
        {kTagSetup, kCodeSetup},         {kTagSetupEnd, kCodeSetupEnd},
        {kTagCurve, kCodeCurve},         {kTagCurveEnd, kCodeCurveEnd},
        {kTagCurveNum, kCodeCurveNum},   {"</CurveNum>", kCodeCurveNumEnd},
        {kTagInputNode, kCodeInputNode}, {"</InputNode>", kCodeInputNodeEnd},
        {kTagOutputNode, kCodeOutputNode}, {"</OutputNode>", kCodeOutputNodeEnd},
        {kTagConfigAB, kCodeConfigAB},   {"</ConfigAB>", kCodeConfigABEnd},
        {kTagStart, kCodeStart},         {"</StartFrequency>", kCodeStartEnd},
        {kTagStop, kCodeStop},           {"</StopFrequency>", kCodeStopEnd},
        {kTagPoints, kCodePoints},       {"</PointsPerDecade>", kCodePointsEnd},
    };
    for (const auto& [tag, code] : tags)
        if (!parser.GetTable().FindElement(tag))
            parser.AddElement(tag, code);
}

int CSimulationSetup::ReadXml(CXmlParser& parser, const CXmlReadLoop* parent,
                              std::vector<std::string> outerEnds)
{
    RegisterXmlTags(parser);
    int stored = 0;
    CXmlReadLoop setup(parser, kTagSetupEnd, parent, std::move(outerEnds));
    while (CXmlElement* e = setup.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;  // a stray end tag
        if (e->GetTag() != kTagCurve) {
            parser.SkipElement();
            continue;
        }
        // The record the children go into: none until CurveNum names one in 0..3.
        CurveSetting* curve = nullptr;
        bool numbered = false;
        CXmlReadLoop loop(parser, kTagCurveEnd, &setup);
        while (CXmlElement* c = loop.Next()) {
            if (parser.GetLastResult() != kXmlStartTag)
                continue;
            const std::string& tag = c->GetTag();
            int32_t* field = nullptr;
            if (tag == kTagCurveNum) {
                parser.ReadElementText();
                const int n = parser.GetInt();
                numbered = true;
                curve = (n >= 0 && n < kCurveCount) ? &m_curves[n] : nullptr;
                continue;
            }
            if (tag == kTagInputNode && curve)
                field = &curve->inputNode;
            else if (tag == kTagOutputNode && curve)
                field = &curve->outputNode;
            else if (tag == kTagConfigAB && curve)
                field = &curve->configAB;
            else if (tag == kTagStart && curve)
                field = &curve->startFrequency;
            else if (tag == kTagStop && curve)
                field = &curve->stopFrequency;
            else if (tag == kTagPoints && curve)
                field = &curve->pointsPerDecade;
            if (!field) {
                parser.SkipElement();
                continue;
            }
            parser.ReadElementText();
            if (!parser.GetText().empty())
                *field = parser.GetInt();
        }
        if (numbered && curve)
            ++stored;
    }
    return stored;
}

// ------------------------------------------------------------------ text export

std::string CSimulationSetup::WriteTextBlock() const
{
    std::string out = kTextOpen;
    auto line = [&out](const std::string& key, const std::string& value) {
        std::string k = key;
        if (k.size() < kTextKeyWidth)
            k.append(kTextKeyWidth - k.size(), ' ');
        out += k + value + "\r\n";
    };
    for (int i = 0; i < kCurveCount; ++i) {
        const CurveSetting& c = m_curves[i];
        const std::string prefix = "Curve_" + std::to_string(i + 1);
        line(prefix + "_Input_Node", "Vin_" + std::to_string(c.inputNode));
        line(prefix + "_Output_Node", "Vout_" + std::to_string(c.outputNode));
        line(prefix + "_Start_Frequency", FrequencySettingText(c.startFrequency));
        line(prefix + "_End_Frequency", FrequencySettingText(c.stopFrequency));
        line(prefix + "_Points_Per_Decade", std::to_string(c.pointsPerDecade));
    }
    out += kTextClose;
    return out;
}

// ------------------------------------------------------------------ frequency texts

std::string FrequencySettingText(int hz)
{
    if (hz <= 0)
        return std::to_string(hz);
    const double n = std::log10(static_cast<double>(hz));
    if (hz == 1 || (n > 0.0 && n < 3.0))
        return std::to_string(hz);
    if (n >= 3.0 && n < 6.0)
        return std::to_string(hz / 1000) + "K";
    if (n >= 6.0 && n < 9.0)
        return std::to_string(hz / 1000000) + "M";
    if (hz % 1000000000 == 0)
        return std::to_string(hz / 1000000000) + "G";
    return std::to_string(hz);
}

bool ParseFrequencyText(const std::string& text, int* hz)
{
    if (text.empty() || text[0] == ' ')
        return false;
    int64_t value = -1;
    bool ended = false;
    for (std::size_t i = 0; i < text.size() && !ended; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            continue;
        int64_t scale = 0;
        switch (c) {
        case 'H':
        case 'h':
            scale = 1;
            break;
        case 'K':
        case 'k':
            scale = 1000;
            break;
        case 'M':
        case 'm':  // a lower-case m means mega as well: there are no millihertz here
            scale = 1000000;
            break;
        case 'G':
        case 'g':
            scale = 1000000000;
            break;
        case ' ':
            value = LeadingNumber(text, text.size());
            ended = true;
            continue;
        default:
            return false;
        }
        const int64_t digits = LeadingNumber(text, i);
        value = digits < 0 ? -1 : digits * scale;
        ended = true;
    }
    if (!ended)
        value = LeadingNumber(text, text.size());
    if (value <= 0 || value > INT32_MAX)
        return false;
    if (hz)
        *hz = static_cast<int>(value);
    return true;
}

}  // namespace kalidor
