#include "device/ValueChoosers.h"

#include <cctype>
#include <cstdio>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "platform/Prompter.h"

namespace kalidor {

const char kTitleGain[] = "Gain";
const char kTitleGainLevel[] = "Gain Level";
const char kTitleCapacitor[] = "Capacitor Value";
const char kHeadingCapacitor[] = "&Value/Pole Frequency";
const char kTitleInterconnect[] = "Interconnect";
const char kHeadingInterconnect[] = "&Connect to:";
const char kTitleDacList[] = "DAC E2 Register";
const char kHeadingDacCode[] = "Code";
const char kHeadingDacVoltage[] = "Voltage";
const char kHeadingDacPercentage[] = "Percentage";
const char kTitleUes[] = "User Electronic Signature";
const char kLabelUes[] = "&UES value, in decimal";
const char kTitleFrequencyRange[] = "Frequency Range";
const char kMsgStoredConfiguration[] =
    "Edited with Filter Configuration Window.\nUse menu Tools->Design Utilities...\n"
    "and choose ZelD or ZelE Filter Configurations";
const char kMsgContactNamesOverwrite[] = "Internal Error: m_szContactNames array overwrite!";

namespace {

bool IsFilterDevice(const std::string& type) { return type == "ZelD" || type == "ZelE"; }

std::string Format(const char* fmt, auto... args)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

int SelectValue(const std::vector<ChooserRow>& rows, int value)
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].value == value)
            return static_cast<int>(i);
    return -1;
}

// Named contacts of the input selections, in list order (name, value).
struct Contact {
    const char* name;
    int value;
};

const Contact kZelBInputs[] = {{"NONE", 0},  {"IN 1", 1},  {"IN 2", 2},      {"IN 3", 5},
                               {"OUT 1", 3}, {"OUT 2", 4}, {"DAC Output", 6}};
const Contact kZelBInputsKey22[] = {{"NONE", 0},       {"IN 2", 2}, {"OUT 1", 3},  {"OUT 2", 4},
                                    {"DAC Output", 6}, {"3V", 5},   {"1.5V", 1}};
const Contact kZelBComparatorFirst[] = {{"NONE", 5},       {"IN 3", 3}, {"CIN 1", 1}, {"OUT 2", 4},
                                        {"DAC Output", 2}, {"3V", 0},   {"1.5V", 6}};
const Contact kZelBComparatorSecond[] = {{"NONE", 0},       {"IN 3", 3}, {"CIN 1", 1}, {"OUT 2", 4},
                                         {"DAC Output", 2}, {"3V", 5},   {"1.5V", 6}};
const Contact kZelAInputsLow[] = {{"NONE", 0},  {"IN 1", 1},  {"IN 2", 2},
                                  {"OUT 1", 3}, {"OUT 2", 4}, {"OUT 4", 5}};
const Contact kZelAInputsHigh[] = {{"NONE", 0},  {"IN 3", 1},  {"IN 4", 2},
                                   {"OUT 3", 3}, {"OUT 4", 4}, {"OUT 2", 5}};
const Contact kZelCInputs[] = {{"NONE", 0}, {"IN 1", 1},  {"IN 2", 2},  {"IN 3", 3},
                               {"IN 4", 4}, {"OUT 1", 5}, {"OUT 2", 6}, {"REF", 7}};

const int kZelCRefMillivolts[7] = {64, 128, 256, 512, 1024, 2048, 2500};

}  // namespace

// ---------------------------------------------------------------- gain

int CurrentGain(DeviceConfig& config, int key)
{
    if (IsFilterDevice(config.TypeName()))
        return config.GetSymValue(key);
    return GetGainValue(config, key);
}

ChooserList GainChooserRows(DeviceConfig& config, int key, int dialogType)
{
    ChooserList list;
    if (IsFilterDevice(config.TypeName())) {
        for (int i = 0; i < config.GetGainCount(); ++i) {
            const int g = config.GetGainByIndex(i);
            list.rows.push_back({Format("%d", g), g});
        }
    } else {
        for (int g = -10; g <= -1; ++g)
            list.rows.push_back({Format("%d", g), g});
        if (dialogType != kDlgNegativeGain) {
            for (int g = 1; g <= 10; ++g)
                list.rows.push_back({Format("%d", g), g});
            list.firstVisible = 10;
        }
    }
    list.selected = SelectValue(list.rows, CurrentGain(config, key));
    return list;
}

// ---------------------------------------------------------------- capacitor

double PoleFrequencyKHz(int scaled)
{
    if (scaled <= 0)
        return 0.0;
    const double c = scaled * 1e-16;
    return 2.0 * (1.0 / (3141590.0 * c)) / 1000.0;
}

ChooserList CapacitorChooserRows(DeviceConfig& config, int key)
{
    ChooserList list;
    const bool filter = IsFilterDevice(config.TypeName());
    const int count = config.GetCapCount(key);
    list.rows.reserve(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        const int code = config.GetCapCodeBySorted(key, i);
        std::string capText;
        config.GetCapText(key, code, 0, capText);
        if (filter)
            list.rows.push_back({capText, code});
        else
            list.rows.push_back(
                {Format("%s\t%.2fkHz", capText.c_str(), PoleFrequencyKHz(config.GetCapValueBySorted(key, i))),
                 code});
    }
    const int sorted = config.GetSortedIndexByCode(key, config.GetSymValue(key));
    list.selected = (sorted >= 0 && sorted < count) ? sorted : -1;
    return list;
}

// ---------------------------------------------------------------- interconnect

bool CInterconnectChoices::Add(const std::string& name, int value)
{
    if (static_cast<int>(entries_.size()) >= kMaxEntries) {
        CurrentPrompter().Message(kMsgContactNamesOverwrite, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    entries_.push_back({name.substr(0, kMaxName), value});
    return true;
}

ChooserList CInterconnectChoices::Rows(int currentValue) const
{
    ChooserList list;
    list.rows = entries_;
    list.selected = SelectValue(list.rows, currentValue);
    return list;
}

ChooserList InterconnectChooserRows(DeviceConfig& config, int key)
{
    const std::string& type = config.TypeName();
    const Contact* begin = nullptr;
    std::size_t n = 0;
    auto use = [&](const auto& table) {
        begin = table;
        n = std::size(table);
    };
    if (type == "ZelB") {
        if (key == 22)
            use(kZelBInputsKey22);
        else if (key == 27 || key == 29)
            use(kZelBComparatorFirst);
        else if (key == 28 || key == 30)
            use(kZelBComparatorSecond);
        else
            use(kZelBInputs);
    } else if (type == "ZelA") {
        if (key == 31 || key == 32 || key == 42 || key == 43)
            use(kZelAInputsHigh);
        else
            use(kZelAInputsLow);
    } else if (type == "ZelC") {
        use(kZelCInputs);
    }
    CInterconnectChoices choices;
    for (std::size_t i = 0; i < n; ++i)
        choices.Add(begin[i].name, begin[i].value);
    return choices.Rows(config.GetSymValue(key));
}

// ---------------------------------------------------------------- DAC

int ZelCDacReferenceMillivolts(DeviceConfig& config, int key)
{
    if (config.TypeName() != "ZelC" || (key != 8 && key != 9))
        return 0;
    if (config.GetSymValue(key == 8 ? 18 : 19) != 7)
        return 0;
    const int level = config.GetSymValue(key == 8 ? 26 : 27);
    return (level >= 0 && level < 7) ? kZelCRefMillivolts[level] : 0;
}

std::string DacValueHeading(DeviceConfig& config, int key)
{
    if (config.TypeName() == "ZelC" && ZelCDacReferenceMillivolts(config, key) == 0)
        return kHeadingDacPercentage;
    return kHeadingDacVoltage;
}

ChooserList DacChooserRows(DeviceConfig& config, int key)
{
    ChooserList list;
    list.rows.reserve(256);
    const bool zelC = config.TypeName() == "ZelC";
    const int r = ZelCDacReferenceMillivolts(config, key);
    for (int c = 0; c < 256; ++c) {
        std::string text;
        if (!zelC)
            text = Format("%d\t%2.2Xh\t%.4fV", c, c, c * 0.0234375 - 3.0);
        else if (r > 0)
            text = Format("%d\t%2.2Xh\t%.2fmV", c, c, -r + c * r / 128.0);
        else
            text = Format("%d\t%2.2Xh\t%.2f%%", c, c, (c * 0.0078125 - 1) * 100);
        list.rows.push_back({text, c});
    }
    const int v = config.GetSymValue(key);
    list.selected = (v >= 0 && v < 256) ? v : -1;
    return list;
}

// ---------------------------------------------------------------- frequency range

std::string FrequencyRangeUpperLabel(const std::string& deviceType)
{
    return deviceType == "ZelE" ? "Above 30kHz" : "Above 200kHz";
}

std::string FrequencyRangeLowerLabel(const std::string& deviceType)
{
    return deviceType == "ZelE" ? "30kHz and below" : "200kHz and below";
}

// ---------------------------------------------------------------- UES

std::uint64_t GetUesValue(DeviceConfig& config)
{
    std::uint64_t v = 0;
    const int n = config.GetUesCount();
    for (int i = 0; i < n && i < 64; ++i)
        if (config.GetUesBit(i) == 1)
            v |= std::uint64_t{1} << i;
    return v;
}

bool ParseUesValue(const std::string& text, int bits, std::uint64_t& value, std::string& error)
{
    if (bits <= 0) {
        error = "This device has no UES bits.";
        return false;
    }
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    const std::uint64_t max = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    const std::string rangeText =
        Format("The UES value must be a whole decimal number from 0 to %llu (%d bits).",
               static_cast<unsigned long long>(max), bits);
    if (b == e) {
        error = rangeText;
        return false;
    }
    std::uint64_t v = 0;
    for (std::size_t i = b; i < e; ++i) {
        const char ch = text[i];
        if (ch < '0' || ch > '9') {
            error = rangeText;
            return false;
        }
        const unsigned d = static_cast<unsigned>(ch - '0');
        if (v > (max - d) / 10) {  // v * 10 + d would exceed max
            error = rangeText;
            return false;
        }
        v = v * 10 + d;
    }
    value = v;
    return true;
}

void SetUesValue(DeviceConfig& config, std::uint64_t value)
{
    const int n = config.GetUesCount();
    for (int i = 0; i < n && i < 64; ++i)
        config.SetUesBit(i, static_cast<int>((value >> i) & 1u));
}

}  // namespace kalidor
