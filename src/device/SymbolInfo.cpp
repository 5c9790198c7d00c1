#include "device/SymbolInfo.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "device/ValueChoosers.h"
#include "device/ZelCConfig.h"
#include "device/ZelCKeys.h"
#include "device/ZelDKeys.h"

namespace kalidor {

const char kCoerceMessage[] = "Needed to coerce at least one symbol.";
const char kIa4PositiveMessage[] =
    "Error: Invalid OLE Automation parameter:\nAttempt to set IA4 gain positive.\n"
    "It has been coerced to be negative.";
const char kIa4PositiveCaption[] = "Kalidor ZELB DLL";

namespace {

// ---- the schematic symbols of each device type ----

std::vector<SymbolInfo> ZelASymbols()
{
    std::vector<SymbolInfo> t = {
        {0, "Block 1 Opamp", "", 0},  {11, "Block 2 Opamp", "", 0},
        {22, "Block 3 Opamp", "", 0}, {33, "Block 4 Opamp", "", 0},
    };
    const int firstKey[4] = {1, 12, 23, 34};
    const char* tags[4] = {"XT", "XB", "YT", "YB"};
    const char* feedbackLabel[4] = {"T3", "T3", "yt_zt", "yb_zt"};
    const char* capLabel[4] = {"xt_cap", "xb_cap", "yt_cap", "yb_cap"};
    for (int b = 0; b < 4; ++b) {
        const int k = firstKey[b];
        const std::string block = "Block " + std::to_string(b + 1);
        const std::string tag = tags[b];
        t.push_back({k + 2, feedbackLabel[b], block + " Feedback", kDlgFeedback});
        t.push_back({k + 3, block + " T1", block + " T1 Gain", kDlgGain});
        t.push_back({k + 4, block + " T2", block + " T2 Gain", kDlgGain});
        t.push_back({k + 5, capLabel[b], block + " Capacitor", kDlgCapacitor});
        t.push_back({k + 6, "PASINV_" + tag + "_1", "", 0});
        t.push_back({k + 7, "PASINV_" + tag + "_2", "", 0});
        const int ia = 2 * b + 1;
        t.push_back({k + 8, std::to_string(ia),
                     block + " IA" + std::to_string(ia) + " Interconnect", kDlgInputSelect});
        t.push_back({k + 9, std::to_string(ia + 1),
                     block + " IA" + std::to_string(ia + 1) + " Interconnect", kDlgInputSelect});
        t.push_back({45 + b, "CMOV_" + tag, block + " CMVin Enable", kDlgCommonMode});
    }
    const char* labels[] = {"Block 1 S1", "Block 1 out", "Block 1 S2", "Block 2 out",
                            "Block 3 S1", "yt_out",      "Block 3 S2", "yb_out",
                            "IN1",        "IN2",         "IN3",        "IN4",
                            "OUT1",       "OUT2",        "OUT3",       "OUT4",
                            "Zel Block 1", "Zel Block 2", "Zel Block 3", "Zel Block 4"};
    for (int i = 0; i < 20; ++i)
        t.push_back({64 + i, labels[i], "", 0});
    t.push_back({53, "UES Bits =", "UES Bits", kDlgUes});
    return t;
}

std::vector<SymbolInfo> ZelBSymbols()
{
    return {
        {0, "Block 1 Opamp", "", 0},
        {3, "T3", "Zelblock 1 Feedback", kDlgFeedback},
        {4, "T1", "Zelblock 1 IA1 Gain", kDlgGain},
        {5, "T2", "Zelblock 1 IA2 Gain", kDlgGain},
        {6, "xt_cap", "Zelblock 1 Capacitor", kDlgCapacitor},
        {7, "PASINV", "", 0},
        {8, "PASINV", "", 0},
        {9, "1", "Zelblock 1 IA1 Interconnect", kDlgInputSelect},
        {10, "2", "Zelblock 1 IA2A Interconnect", kDlgInputSelect},
        {11, "2", "Zelblock 1 IA2B Interconnect", kDlgInputSelect},
        {12, "Block 2 Opamp", "", 0},
        {15, "T3", "Zelblock 2 Feedback", kDlgFeedback},
        {16, "T1", "Zelblock 2 IA3 Gain", kDlgGain},
        {17, "T2", "Zelblock 2 IA4 Gain", kDlgNegativeGain},
        {18, "xb_cap", "Zelblock 2 Capacitor", kDlgCapacitor},
        {19, "PASINV", "", 0},
        {20, "XBT2 polarity", "Zelblock 2 IA4 Polarity mode", kDlgPolarityMode},
        {21, "3", "Zelblock 2 IA3 Interconnect", kDlgInputSelect},
        {22, "4", "Zelblock 2 IA4 Interconnect", kDlgInputSelect},
        {24, "XBT2 SRE", "Zelblock 2 IA2 SRE Enable", kDlgSlewRate},
        {25, "CMOV_XT", "Zelblock 1 CMVin Enable", kDlgCommonMode},
        {26, "CMOV_XB", "Zelblock 2 CMVin Enable", kDlgCommonMode},
        {27, "Comparator C1 in 1", "Comparator C1 input 1", kDlgInputSelect},
        {28, "Comparator C1 in 2", "Comparator C1 input 2", kDlgInputSelect},
        {29, "Comparator C2 in 1", "Comparator C2 input 1", kDlgInputSelect},
        {30, "Comparator C2 in 2", "Comparator C2 input 2", kDlgInputSelect},
        {31, "Comparator Hysteresis", "Comparator Hysteresis", kDlgHysteresis},
        {32, "Comparator C1 Latch Mode", "Comparator C1 Latch Mode", kDlgLatchMode},
        {33, "Comparator Window Mode", "Comparator Window (WQ) Mode", kDlgWindowMode},
        {34, "Comparator Window OE", "Comparator Window pins OE/", kDlgWindowOutput},
        {35, "DACMODE", "DAC Input Mode", kDlgDacInputMode},
        {36, "TDO disable", "DAC-specific TDO disable control", kDlgTdoDisable},
        {37, "UES Bits =", "UES Bits", kDlgUes},
        {39, "DAC", "DAC Value", kDlgDacValue},
        {42, "S1", "", 0},
        {43, "xt_out", "", 0},
        {44, "S2", "", 0},
        {45, "xb_out", "", 0},
        {46, "IN1", "", 0},
        {47, "IN2", "", 0},
        {48, "IN3", "", 0},
        {49, "OUT1", "", 0},
        {50, "OUT2", "", 0},
        {51, "CIN", "", 0},
        {52, "CP1OUT", "", 0},
        {53, "CP2OUT", "", 0},
        {54, "WCOUT", "", 0},
        {55, "DACOUT", "", 0},
        {56, "MSEL", "MSEL pin A/B (Sim. only)", kDlgMuxSelect},
        {57, "PC", "PC pin (Sim. only)", kDlgPolarityPin},
        {58, "3V", "", 0},
        {59, "1.5V", "", 0},
        {60, "3v", "", 0},
        {61, "1.5v", "", 0},
        {62, "ZelBlock 1", "", 0},
        {63, "Zelblock 2", "", 0},
        {64, "CP1", "", 0},
        {65, "CP2", "", 0},
        {66, "a", "", 0},
        {67, "b", "", 0},
        {68, "-1", "", 0},
    };
}

std::vector<SymbolInfo> ZelCSymbols()
{
    return {
        {0, "OA1", "OA1 Configuration", kDlgOutputAmp},
        {1, "OA2", "OA2 Configuration", kDlgOutputAmp},
        {4, "IA1", "IA1 Gain", kDlgGain},
        {5, "IA2", "IA2 Gain", kDlgGain},
        {6, "IA3", "IA3 Gain", kDlgGain},
        {7, "IA4", "IA4 Gain", kDlgGain},
        {8, "MDAC1", "DAC1 Value", kDlgDacValue},
        {9, "MDAC2", "DAC2 Value", kDlgDacValue},
        {10, "3", "IA3 Interconnect", kDlgInputSelect},
        {11, "1", "IA2 Interconnect", kDlgInputSelect},
        {13, "1A", "IA1A Interconnect", kDlgInputSelect},
        {14, "1B", "IA1B Interconnect", kDlgInputSelect},
        {16, "4A", "IA4A Interconnect", kDlgInputSelect},
        {17, "4B", "IA4B Interconnect", kDlgInputSelect},
        {18, "DAC1 Input", "DAC1 Interconnect", kDlgInputSelect},
        {19, "DAC2 Input", "DAC2 Interconnect", kDlgInputSelect},
        {20, "IA1Out", "IA1 Output", kDlgOutputEnable},
        {21, "IA2Out", "IA2 Output", kDlgOutputEnable},
        {22, "IA3Out", "IA3 Output", kDlgOutputEnable},
        {23, "IA4Out", "IA4 Output", kDlgOutputEnable},
        {24, "DAC1Out", "DAC1 Output", kDlgOutputEnable},
        {25, "DAC2Out", "DAC2 Output", kDlgOutputEnable},
        {26, "VREF1:", "Voltage Ref1", kDlgVoltageRef},
        {27, "VREF2:", "Voltage Ref2", kDlgVoltageRef},
        {28, "Digital I/O\r\nConfiguration", "Digital Pins", kDlgDigitalPins},
        {29, "POL", "", 0},
        {30, "POL", "", 0},
        {31, "POL", "", 0},
        {32, "POL", "", 0},
        {33, "MSELA", "IA1 Input MUX", kDlgMuxSelect},
        {34, "MSELB", "IA4 Input MUX", kDlgMuxSelect},
        {35, "", "OA1 Power Mode", kDlgOutputAmp},
        {36, "", "OA2 Power Mode", kDlgOutputAmp},
        {37, "DAC1CAL", "DAC1 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {38, "IA1CAL", "IA1 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {39, "IA2CAL", "IA2 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {40, "IA3CAL", "IA3 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {41, "IA4CAL", "IA4 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {42, "DAC2CAL", "DAC2 Auto-Cal Voltage Level", kDlgAutoCalLevel},
        {43, "UES Bits =", "UES Bits", kDlgUes},
        {44, "IN1", "", 0},
        {45, "IN2", "", 0},
        {46, "IN3", "", 0},
        {47, "IN4", "", 0},
        {49, "OUT1", "", 0},
        {50, "OUT2", "", 0},
        {51, "a", "", kDlgMuxSelect},
        {52, "b", "", 0},
        {53, "a", "", kDlgMuxSelect},
        {54, "b", "", 0},
        {55, "INV", "", 0},
        {56, "INV", "", 0},
    };
}

std::vector<SymbolInfo> ZelDSymbols(DeviceKind kind)
{
    return {
        {0, "C1 A", "C1 A Capacitor", kDlgCapacitor},
        {1, "C2 A", "C2 A Capacitor", kDlgCapacitor},
        {2, "L2 A", "L2 A Capacitor", kDlgCapacitor},
        {3, "C3 A", "C3 A Capacitor", kDlgCapacitor},
        {4, "C4 A", "C4 A Capacitor", kDlgCapacitor},
        {5, "L4 A", "L4 A Capacitor", kDlgCapacitor},
        {6, "C5A", "C5 A Capacitor", kDlgCapacitor},
        {7, "PM A", "Frequency Range A", kDlgFrequencyRange},
        {8, "UES Bits =", "UES Bits", kDlgUes},
        {10, "Wakeup", "Wakeup Configuration", kDlgWakeup},
        {11, "IA", "Gain", kDlgGain},
        {12, "C1 B", "C1 B Capacitor", kDlgCapacitor},
        {13, "C2 B", "C2 B Capacitor", kDlgCapacitor},
        {14, "L2 B", "L2 B Capacitor", kDlgCapacitor},
        {15, "C3 B", "C3 B Capacitor", kDlgCapacitor},
        {16, "C4 B", "C4 B Capacitor", kDlgCapacitor},
        {17, "L4 B", "L4 B Capacitor", kDlgCapacitor},
        {18, "C5 B", "C5 B Capacitor", kDlgCapacitor},
        {19, "PM B", "Frequency Range B", kDlgFrequencyRange},
        {kKeyDeviceName, DeviceKindName(kind), "", 0},
        {54, "Cfg A", "", 0},
        {55, "Cfg B", "", 0},
        {56, "C1", "", 0},
        {57, "C2", "", 0},
        {58, "L2", "", 0},
        {59, "C3", "", 0},
        {60, "C4", "", 0},
        {61, "L4", "", 0},
        {62, "C5", "", 0},
        {63, "table", "", 0},
        {64, "CFG A", "Config A", kDlgFilterConfig},
        {65, "CFG B", "Config B", kDlgFilterConfig},
        {67, "IN", "", 0},
        {68, "OUT", "", 0},
        {69, "OA", "", 0},
        {70, "5th order", "", 0},
        {71, "Low-pass Filter", "", 0},
        {72, "Zelell", "", 0},
    };
}

std::vector<SymbolInfo> Sorted(std::vector<SymbolInfo> t)
{
    std::sort(t.begin(), t.end(), [](const SymbolInfo& a, const SymbolInfo& b) { return a.key < b.key; });
    return t;
}

std::string Format(const char* fmt, auto... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

// ---- value texts ----

// An index into a text list, or "" when the value is outside it.
template <size_t N>
std::string Pick(const char* const (&list)[N], int v)
{
    return (v >= 0 && v < static_cast<int>(N)) ? list[v] : "";
}

// The contact whose value the input selection holds, with its pin text; empty texts for none.
ValueTexts InputSelectionTexts(const DeviceConfig& c, int key, int v)
{
    for (const InputContact& contact : c.InputContacts(key))
        if (contact.value == v)
            return {contact.name, contact.pinText};
    return {};
}

std::string ZelCDigitalPinsText(const DeviceConfig& c)
{
    // Each pin with its pull-up and pull-down cells (-1: the pin has none).
    struct Pin {
        const char* name;
        int up;
        int down;
    };
    static const Pin pins[] = {{"TDI", 0, -1},  {"TMS", 1, 2},   {"ENSPI", 15, 3}, {"CSB", 4, -1},
                               {"CAL", -1, 5},  {"PDB", 6, 7},   {"MUXB", 8, 9},   {"MUXA", 10, 11},
                               {"TCK", 12, 13}};
    std::string text;
    for (const Pin& p : pins) {
        const char* state = "NONE";
        if (p.up >= 0 && c.E2_GetValue(p.up) == 1)
            state = "Pull Up";
        else if (p.down >= 0 && c.E2_GetValue(p.down) == 1)
            state = "Pull Down";
        if (!text.empty())
            text += "\r\n";
        text += std::string(p.name) + ": " + state;
    }
    return text;
}

}  // namespace

const std::vector<SymbolInfo>& SymbolInfoTable(DeviceKind kind)
{
    // One table per kind, in kind order.
    static const std::vector<SymbolInfo> tables[] = {
        Sorted(ZelASymbols()),
        Sorted(ZelBSymbols()),
        Sorted(ZelCSymbols()),
        Sorted(ZelDSymbols(DeviceKind::ZelD)),
        Sorted(ZelDSymbols(DeviceKind::ZelE)),
    };
    static_assert(std::size(tables) == kDeviceKinds.size());
    return tables[static_cast<int>(kind)];
}

const std::vector<SymbolInfo>& SymbolInfoTable(const std::string& deviceType)
{
    static const std::vector<SymbolInfo> none;
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    return kind ? SymbolInfoTable(*kind) : none;
}

const SymbolInfo* FindSymbolInfo(DeviceKind kind, int key)
{
    for (const SymbolInfo& s : SymbolInfoTable(kind))
        if (s.key == key)
            return &s;
    return nullptr;
}

const SymbolInfo* FindSymbolInfo(const std::string& deviceType, int key)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceType);
    return kind ? FindSymbolInfo(*kind, key) : nullptr;
}

int GetGainValue(const DeviceConfig& c, int key) { return c.GetSignedGain(key); }

void SetGainValue(DeviceConfig& c, int key, int g) { c.SetSignedGain(key, g); }

int ClampGain(int g)
{
    if (g > 10)
        return 10;
    if (g < -10)
        return -10;
    if (g == 0)
        return 1;
    return g;
}

void SetScaledCapValue(DeviceConfig& c, int key, int scaled)
{
    c.SetSymValue(key, c.GetNearestCapIndex(key, scaled));
}

int ScaledCapacitance(double farads)
{
    const double scaled = farads * 1e12 * 1e4;
    if (!(scaled > 0.0))
        return 0;
    if (scaled >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(scaled);
}

int GetScaledCapValue(const DeviceConfig& c, int key)
{
    return c.GetCapValueByCode(0, c.GetSymValue(key));
}

ValueTexts GetValueTexts(const DeviceConfig& c, int key)
{
    const SymbolInfo* info = FindSymbolInfo(c.Kind(), key);
    if (!info)
        return {};
    const bool pins = c.LabelsPins();
    const int v = c.GetSymValue(key);
    switch (info->dialogType) {
    case kDlgGain:
    case kDlgNegativeGain:
        return {Format("%d", GetGainValue(c, key)), ""};
    case kDlgCapacitor: {
        std::string text;
        c.GetCapText(key, v, 0, text);
        return {text, ""};
    }
    case kDlgFeedback:
        if (v == 0)
            return {"CLOSED", pins ? "1" : ""};
        return {"OPEN", pins ? "0" : ""};
    case kDlgInputSelect:
        return InputSelectionTexts(c, key, v);
    case kDlgUes:
        return {c.GetUesText(), ""};
    case kDlgCommonMode:
        if (v == 0)
            return {"  2.5V", pins ? "VREF" : ""};
        return {"CMVin", pins ? "CMVin" : ""};
    case kDlgDacValue: {
        const std::optional<DacReading> r = c.DacOutput(key, v);
        if (!r)
            return {};
        return {Format("Code:  %2.2Xh\r\n", v) + DacReadingText(*r), ""};
    }
    case kDlgDacInputMode:
        return {v == 0 ? "E2Cells/Parallel inputs" : "Shift register", ""};
    case kDlgPolarityMode: {
        static const char* const modes[4] = {
            "Polarity Control: non-inverting", "Polarity Control: PC pin",
            "Polarity Control: Flip-Flop mode", "Polarity Control: CP1OUT"};
        return {Pick(modes, v), ""};
    }
    case kDlgHysteresis:
        return {v == 0 ? "Hyst=off" : "Hyst=on", ""};
    case kDlgLatchMode:
        return {v == 0 ? "Direct" : "Clk'd", ""};
    case kDlgWindowMode:
        return {v == 0 ? "XOR" : "FF", ""};
    case kDlgWindowOutput:
        return {v == 0 ? "Digital outputs=enabled" : "Digital outputs=Hi-Z", ""};
    case kDlgTdoDisable:
        return {v == 0 ? "Always active" : "Disabled during JTAG", ""};
    case kDlgSlewRate:
        return {v == 0 ? "SRE=off" : "SRE=on", ""};
    case kDlgWakeup:
        if (v == 0)
            return {"Wakeup = Cfg A", "CfgA"};
        return {"Wakeup = Cfg B", "CfgB"};
    case kDlgFrequencyRange:
        if (v & 1)
            return {FrequencyRangeLowerLabel(c.Traits()), ""};
        return {FrequencyRangeUpperLabel(c.Traits()), ""};
    case kDlgMuxSelect:
        return {c.MuxSelectText(key), ""};
    case kDlgPolarityPin:
        return {v == 0 ? "PC = 0" : "PC = 1", ""};
    case kDlgOutputEnable:
        return {v == 0 ? "OA 1" : "OA 2", ""};
    case kDlgVoltageRef:
        return {Pick(kZelCRefLevelTexts, v), ""};
    case kDlgAutoCalLevel:
        return {kZelCCalLevelTexts[v == 0 ? 0 : 1], ""};
    case kDlgDigitalPins:
        return {ZelCDigitalPinsText(c), ""};
    case kDlgOutputAmp: {
        const bool first = key == kKeyZelCOa1Mode || key == kKeyZelCOa1PowerDown;
        const int mode = c.GetSymValue(first ? kKeyZelCOa1Mode : kKeyZelCOa2Mode);
        if (c.GetSymValue(first ? kKeyZelCOa1PowerDown : kKeyZelCOa2PowerDown) != 0)
            return {"Powered Down", ""};
        if (mode & 1)
            return {first ? "CP1" : "CP2", ""};
        return {first ? "OA1" : "OA2", ""};
    }
    default:
        return {};
    }
}

}  // namespace kalidor
