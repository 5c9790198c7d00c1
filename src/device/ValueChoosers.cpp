#include "device/ValueChoosers.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

// ---------------------------------------------------------------- gain

int CurrentGain(const DeviceConfig& config, int key) { return config.GetSignedGain(key); }

namespace {

std::string SymbolFullName(const DeviceConfig& config, int key)
{
    const SymbolInfo* info = FindSymbolInfo(config.Kind(), key);
    return info ? info->fullName : std::string();
}

}  // namespace

std::string GainChooserTitle(const DeviceConfig& config, int key, int dialogType)
{
    if (dialogType == kDlgNegativeGain)
        return kTitleGainLevel;
    const std::string name = SymbolFullName(config, key);
    return name.empty() ? std::string(kTitleGain) : name;
}

std::string GainChooserHeading(const DeviceConfig& config, int key, int dialogType)
{
    return dialogType == kDlgNegativeGain ? SymbolFullName(config, key) : std::string();
}

ChooserList GainChooserRows(const DeviceConfig& config, int key, int dialogType)
{
    // The device's gain list (-10 .. -1, 1 .. 10, or 1, 2, 5, 10 on the filter devices), the
    // negative gains only for an always-negative stage; scrolled to gain 1 where it is listed.
    ChooserList list;
    for (int i = 0; i < config.GetGainCount(); ++i) {
        const int g = config.GetGainByIndex(i);
        if (dialogType == kDlgNegativeGain && g > 0)
            continue;
        list.rows.push_back({Format("%d", g), g});
    }
    const int one = SelectValue(list.rows, 1);
    list.firstVisible = one > 0 ? one : 0;
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

namespace {

// A number with an optional unit after it (blanks allowed between); false for anything else.
bool SplitValue(const std::string& text, double& number, std::string& unit)
{
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    char* end = nullptr;
    number = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(number))
        return false;
    unit.clear();
    for (const char* p = end; *p; ++p)
        if (*p != ' ' && *p != '\t')
            unit += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return true;
}

}  // namespace

std::string CapacitorEntryUnits(const DeviceConfig& config)
{
    return config.ListsPoleFrequencies() ? "pF or kHz" : "pF";
}

int CapacitorCodeForText(const DeviceConfig& config, int key, const std::string& text, std::string& error)
{
    const bool poles = config.ListsPoleFrequencies();
    const std::string units = CapacitorEntryUnits(config);
    double number = 0.0;
    std::string unit;
    if (!SplitValue(text, number, unit)) {
        error = "Type a value in " + units + ".";
        return -1;
    }
    if (number < 0.0) {
        error = "The value cannot be negative.";
        return -1;
    }
    const int count = config.GetCapCount(key);
    if (count <= 0) {
        error = "This symbol has no capacitor values.";
        return -1;
    }
    double picofarads = -1.0, kiloHertz = -1.0;
    if (unit.empty() || unit == "p" || unit == "pf")
        picofarads = number;
    else if (unit == "n" || unit == "nf")
        picofarads = number * 1000.0;
    else if (poles && (unit == "k" || unit == "khz"))
        kiloHertz = number;
    else if (poles && unit == "hz")
        kiloHertz = number / 1000.0;
    else if (poles && unit == "mhz")
        kiloHertz = number * 1000.0;
    else {
        error = "Unknown unit \"" + unit + "\": type a value in " + units + ".";
        return -1;
    }
    if (picofarads >= 0.0) {
        if (picofarads > 1e6) {
            error = "The value is too large.";
            return -1;
        }
        // As a capacitance set by number: the nearest capacitor.
        return config.GetNearestCapIndex(key, ScaledCapacitance(picofarads * 1e-12));
    }
    if (kiloHertz <= 0.0) {
        error = "A pole frequency must be above zero.";
        return -1;
    }
    // The row whose pole frequency lies nearest, on a logarithmic scale as the list reads.
    int best = -1;
    double bestDistance = 0.0;
    for (int i = 0; i < count; ++i) {
        const double f = PoleFrequencyKHz(config.GetCapValueBySorted(key, i));
        if (f <= 0.0)
            continue;
        const double distance = std::fabs(std::log(f / kiloHertz));
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0) {
        error = "This symbol has no capacitor values.";
        return -1;
    }
    return config.GetCapCodeBySorted(key, best);
}

ChooserList CapacitorChooserRows(const DeviceConfig& config, int key)
{
    ChooserList list;
    const bool poles = config.ListsPoleFrequencies();
    const int count = config.GetCapCount(key);
    list.rows.reserve(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        const int code = config.GetCapCodeBySorted(key, i);
        std::string capText;
        config.GetCapText(key, code, 0, capText);
        if (!poles)
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
    if (static_cast<int>(m_entries.size()) >= kMaxEntries) {
        CurrentPrompter().Message(kMsgContactNamesOverwrite, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    m_entries.push_back({name.substr(0, kMaxName), value});
    return true;
}

ChooserList CInterconnectChoices::Rows(int currentValue) const
{
    ChooserList list;
    list.rows = m_entries;
    list.selected = SelectValue(list.rows, currentValue);
    return list;
}

ChooserList InterconnectChooserRows(const DeviceConfig& config, int key)
{
    CInterconnectChoices choices;
    for (const InputContact& contact : config.InputContacts(key))
        choices.Add(contact.name, contact.value);
    return choices.Rows(config.GetSymValue(key));
}

// ---------------------------------------------------------------- DAC

std::string DacReadingText(const DacReading& r)
{
    switch (r.unit) {
    case DacUnit::kVolts:
        return Format("%.4fV", r.value);
    case DacUnit::kMillivolts:
        return Format("%.2fmV", r.value);
    case DacUnit::kPercent:
        return Format("%.2f%%", r.value);
    }
    return {};
}

int ZelCDacReferenceMillivolts(const DeviceConfig& config, int key) { return config.DacReferenceMillivolts(key); }

std::string DacValueHeading(const DeviceConfig& config, int key)
{
    const std::optional<DacReading> r = config.DacOutput(key, 0);
    if (r && r->unit == DacUnit::kPercent)
        return kHeadingDacPercentage;
    return kHeadingDacVoltage;
}

ChooserList DacChooserRows(const DeviceConfig& config, int key)
{
    ChooserList list;
    if (!config.DacOutput(key, 0))
        return list;  // the device has no DAC
    list.rows.reserve(256);
    for (int c = 0; c < 256; ++c)
        list.rows.push_back({Format("%d\t%2.2Xh\t", c, c) + DacReadingText(*config.DacOutput(key, c)), c});
    const int v = config.GetSymValue(key);
    list.selected = (v >= 0 && v < 256) ? v : -1;
    return list;
}

// ---------------------------------------------------------------- frequency range

std::string FrequencyRangeUpperLabel(const DeviceTraits& device)
{
    return std::string("Above ") + device.rangeEdgeText;
}

std::string FrequencyRangeLowerLabel(const DeviceTraits& device)
{
    return std::string(device.rangeEdgeText) + " and below";
}

namespace {

const DeviceTraits& TraitsOrZelD(const std::string& deviceType)
{
    const DeviceTraits* t = FindDeviceTraits(deviceType);
    return t ? *t : TraitsOf(DeviceKind::ZelD);
}

}  // namespace

std::string FrequencyRangeUpperLabel(const std::string& deviceType)
{
    return FrequencyRangeUpperLabel(TraitsOrZelD(deviceType));
}

std::string FrequencyRangeLowerLabel(const std::string& deviceType)
{
    return FrequencyRangeLowerLabel(TraitsOrZelD(deviceType));
}

// ---------------------------------------------------------------- UES

std::uint64_t GetUesValue(const DeviceConfig& config)
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
