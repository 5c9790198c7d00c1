#include "sim/SimOptions.h"

#include <cctype>
#include <climits>

#include "platform/Prompter.h"

namespace kalidor {

const char kSimOptionsCaption[] = "Simulator Options";
const char* const kSimPageTabs[5] = {"Curve1", "Curve 2", "Curve 3", "Curve 4", "General"};
const char kAutoRunText[] = "Run Simulation after change to schematic";
const char* const kCurvePageLabels[6] = {"F Start: (Hz)", "F Stop: (Hz)", "Points/Decade:",
                                         "Input node:",   "Output node:", "Configuration:"};

namespace {

constexpr char kInputPrefix[] = "Vin ";
constexpr char kOutputPrefix[] = "Vout ";

std::vector<std::string> Numbered(const char* prefix, int count)
{
    std::vector<std::string> items;
    for (int i = 1; i <= count && i <= 64; ++i)
        items.push_back(prefix + std::to_string(i));
    return items;
}

}  // namespace

int SimSheetStartPage(int activeCurve) { return activeCurve >= 1 && activeCurve <= 3 ? activeCurve : 0; }

const std::vector<std::string>& FrequencyPickList()
{
    static const std::vector<std::string> list = {"1",   "2",   "5",    "10",   "20",   "50",   "100", "200",
                                                  "500", "1K",  "2K",   "5K",   "10K",  "20K",  "50K", "100K",
                                                  "200K", "500K", "1M", "2M",   "5M",   "10M"};
    return list;
}

const std::vector<std::string>& PointsPickList()
{
    static const std::vector<std::string> list = {"10", "15", "20", "25", "30", "35",
                                                  "40", "45", "50", "100", "200", "500"};
    return list;
}

std::vector<std::string> InputNodeItems(int count) { return Numbered(kInputPrefix, count); }
std::vector<std::string> OutputNodeItems(int count) { return Numbered(kOutputPrefix, count); }

std::vector<std::string> ConfigurationItems(int count)
{
    if (count <= 0)
        return {};
    return {"Cfg A", "Cfg B"};
}

int LeadingDecimal(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX)
            v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

CurvePageValues CurvePageInitial(const CSimulationSetup& setup, int curve)
{
    const CurveSetting& c = setup.Curve(curve);
    CurvePageValues v;
    v.start = FrequencySettingText(c.startFrequency);
    v.stop = FrequencySettingText(c.stopFrequency);
    v.points = std::to_string(c.pointsPerDecade);
    v.input = kInputPrefix + std::to_string(c.inputNode);
    v.output = kOutputPrefix + std::to_string(c.outputNode);
    v.configuration = setup.GetConfigurationCount() > 0 ? c.configAB : -1;
    return v;
}

bool ApplyCurvePage(CSimulationSetup& setup, int curve, const CurvePageValues& v)
{
    CurveSetting& c = setup.Curve(curve);
    c.pointsPerDecade = LeadingDecimal(v.points);
    int hz = 0;
    if (!ParseFrequencyText(v.start, &hz)) {
        CurrentPrompter().Message(kFrequencyEntryIncorrect, {}, Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    c.startFrequency = hz;
    if (!ParseFrequencyText(v.stop, &hz)) {
        CurrentPrompter().Message(kFrequencyEntryIncorrect, {}, Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    c.stopFrequency = hz;
    c.inputNode = LeadingDecimal(v.input.size() > 4 ? v.input.substr(4) : std::string());
    c.outputNode = LeadingDecimal(v.output.size() > 5 ? v.output.substr(5) : std::string());
    if (v.configuration >= 0)
        c.configAB = v.configuration;
    return true;
}

}  // namespace kalidor
