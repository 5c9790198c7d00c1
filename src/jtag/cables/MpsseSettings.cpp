#include "jtag/cables/MpsseSettings.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "jtag/JtagText.h"

namespace kalidor {

namespace {

constexpr CMpsseSignal kNone{};
constexpr CMpsseSignal Low(int pin) { return CMpsseSignal{pin, true}; }
constexpr CMpsseSignal High(int pin) { return CMpsseSignal{pin, false}; }
constexpr int kAd(int n) { return n; }
constexpr int kAc(int n) { return 8 + n; }

// The makers' published pin tables. ACBUS2/ACBUS3 of the JTAGkey layout enable the TRST and SRST
// drivers (low = driving); ACBUS3 of the Olimex cables is the LED.
const std::array<CMpssePreset, 9> kPresets = {{
    {"ft2232h", "FT2232H board, channel A on ADBUS0..3", 0x0403, 0x6010, 0, kNone, kNone, kNone, kNone, 0, 0},
    {"ft232h", "FT232H board", 0x0403, 0x6014, 0, kNone, kNone, kNone, kNone, 0, 0},
    {"ft4232h", "FT4232H board, channel A", 0x0403, 0x6011, 0, kNone, kNone, kNone, kNone, 0, 0},
    {"ft2232d", "FT2232C/D board, channel A", 0x0403, 0x6010, 0, kNone, kNone, kNone, kNone, 0, 0},
    {"jtagkey", "JTAGkey layout (buffered, output enable on ADBUS4)", 0x0403, 0xcff8, 0, Low(kAd(4)), Low(kAc(0)),
     Low(kAc(1)), kNone, 0x0C00, 0x0000},
    {"busblaster", "Bus Blaster in its JTAGkey layout", 0x0403, 0x6010, 0, Low(kAd(4)), Low(kAc(0)), Low(kAc(1)), kNone,
     0x0C00, 0x0000},
    {"olimex-arm-usb-ocd-h", "Olimex ARM-USB-OCD-H", 0x15ba, 0x002b, 0, Low(kAd(4)), Low(kAc(0)), Low(kAc(1)), kNone,
     0x0800, 0x0800},
    {"olimex-arm-usb-tiny-h", "Olimex ARM-USB-TINY-H", 0x15ba, 0x002a, 0, Low(kAd(4)), Low(kAc(0)), Low(kAc(1)),
     kNone, 0x0800, 0x0800},
    {"tigard", "Tigard, JTAG on channel B", 0x0403, 0x6010, 1, kNone, Low(kAd(4)), Low(kAd(5)), kNone, 0, 0},
}};

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// A decimal or 0x-hexadecimal number up to `max`; -1 otherwise.
long ParseNumber(std::string_view s, long max)
{
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 10) return -1;
    long v = 0;
    for (char c : s) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
            d = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (d < 0) return -1;
        v = v * base + d;
        if (v > max) return -1;
    }
    return v;
}

// "6M", "500k", "1000000", "1.5M": Hz; -1 when malformed or out of range.
long ParseFrequency(std::string_view s)
{
    double scale = 1;
    if (!s.empty() && (s.back() == 'M' || s.back() == 'm')) scale = 1e6, s.remove_suffix(1);
    else if (!s.empty() && (s.back() == 'k' || s.back() == 'K')) scale = 1e3, s.remove_suffix(1);
    if (s.empty() || s.size() > 12) return -1;
    double v = 0, frac = 0;
    bool dot = false, digits = false;
    for (char c : s) {
        if (c == '.' && !dot) {
            dot = true;
            frac = 1;
            continue;
        }
        if (c < '0' || c > '9') return -1;
        digits = true;
        if (dot) {
            frac /= 10;
            v += (c - '0') * frac;
        } else {
            v = v * 10 + (c - '0');
        }
    }
    if (!digits) return -1;
    const double hz = v * scale;
    if (hz < 1 || hz > kMaxMpsseFrequency) return -1;
    return static_cast<long>(hz);
}

bool ParsePin(std::string_view s, int& pin)
{
    const bool ad = StartsWithNoCase(s, "ADBUS"), ac = StartsWithNoCase(s, "ACBUS");
    if ((!ad && !ac) || s.size() != 6 || s[5] < '0' || s[5] > '7') return false;
    pin = (ac ? 8 : 0) + (s[5] - '0');
    return pin >= kMpsseFirstFreePin;
}

bool ParseSignal(std::string_view value, bool defaultActiveLow, CMpsseSignal& signal)
{
    if (EqualsNoCase(value, "none")) {
        signal = CMpsseSignal{};
        return true;
    }
    bool activeLow = defaultActiveLow;
    const std::size_t slash = value.find('/');
    if (slash != std::string_view::npos) {
        const std::string_view level = value.substr(slash + 1);
        if (EqualsNoCase(level, "low")) activeLow = true;
        else if (EqualsNoCase(level, "high")) activeLow = false;
        else return false;
        value = value.substr(0, slash);
    }
    int pin = -1;
    if (!ParsePin(value, pin)) return false;
    signal = CMpsseSignal{pin, activeLow};
    return true;
}

void ApplyPreset(const CMpssePreset& p, CMpsseSettings& s)
{
    s.preset = p.name;
    s.usb.vendorId = p.vendorId;
    s.usb.productId = p.productId;
    s.usb.channel = p.channel;
    s.outputEnable = p.outputEnable;
    s.trst = p.trst;
    s.srst = p.srst;
    s.powerSense = p.powerSense;
    s.fixedOutputs = p.fixedOutputs;
    s.fixedLevels = p.fixedLevels;
}

std::string SignalText(const CMpsseSignal& s)
{
    if (!s.Present()) return "none";
    return MpssePinName(s.pin) + (s.activeLow ? "/low" : "/high");
}

std::string FrequencyText(long hz)
{
    char buf[32];
    if (hz % 1000000 == 0) std::snprintf(buf, sizeof buf, "%ldM", hz / 1000000);
    else if (hz % 1000 == 0) std::snprintf(buf, sizeof buf, "%ldk", hz / 1000);
    else std::snprintf(buf, sizeof buf, "%ld", hz);
    return buf;
}

}  // namespace

std::uint16_t CMpsseSettings::Direction() const
{
    std::uint16_t d = (1u << kMpssePinTCK) | (1u << kMpssePinTDI) | (1u << kMpssePinTMS);
    d |= outputEnable.Mask() | trst.Mask() | srst.Mask() | fixedOutputs;
    d &= static_cast<std::uint16_t>(~powerSense.Mask());
    return d;
}

std::uint16_t CMpsseSettings::InitialLevels() const
{
    std::uint16_t v = static_cast<std::uint16_t>((1u << kMpssePinTMS) | (fixedLevels & fixedOutputs));
    auto drive = [&v](const CMpsseSignal& s, bool asserted) {
        if (!s.Present()) return;
        const bool high = asserted != s.activeLow;
        if (high) v |= s.Mask();
        else v &= static_cast<std::uint16_t>(~s.Mask());
    };
    drive(outputEnable, true);
    drive(trst, false);
    drive(srst, false);
    return v;
}

std::span<const CMpssePreset> MpssePresets()
{
    return kPresets;
}

const CMpssePreset* FindMpssePreset(std::string_view name)
{
    for (const CMpssePreset& p : kPresets)
        if (EqualsNoCase(name, p.name)) return &p;
    return nullptr;
}

std::string MpssePinName(int pin)
{
    if (pin < 0 || pin >= kMpssePinCount) return "none";
    return (pin < 8 ? "ADBUS" : "ACBUS") + std::to_string(pin % 8);
}

bool ParseMpsseSettings(std::string_view text, CMpsseSettings& settings, std::string& error)
{
    CMpsseSettings s;
    ApplyPreset(kPresets[0], s);
    text = Trim(text);
    if (StartsWithNoCase(text, kFtdiPrefix)) text.remove_prefix(std::string_view(kFtdiPrefix).size());
    bool first = true;
    if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    else if (!text.empty() && text.front() == ',') text.remove_prefix(1), first = false;
    else if (!text.empty()) {
        error = "Malformed USB cable text \"ftdi" + std::string(text) + "\".";
        return false;
    }
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            const CMpssePreset* p = first ? FindMpssePreset(item) : nullptr;
            if (!p) {
                std::string names;
                for (const CMpssePreset& q : kPresets) names += (names.empty() ? "" : ", ") + std::string(q.name);
                error = "Unknown USB cable \"" + std::string(item) + "\" (the cables known are " + names + ").";
                return false;
            }
            ApplyPreset(*p, s);
            first = false;
            continue;
        }
        first = false;
        const std::string_view key = Trim(item.substr(0, eq));
        const std::string_view value = Trim(item.substr(eq + 1));
        bool ok = true;
        if (EqualsNoCase(key, "vid") || EqualsNoCase(key, "pid")) {
            const long v = ParseNumber(value, 0xFFFF);
            ok = v >= 0;
            (EqualsNoCase(key, "vid") ? s.usb.vendorId : s.usb.productId) = static_cast<int>(v);
        } else if (EqualsNoCase(key, "serial")) {
            ok = !value.empty() && value.size() <= 64;
            s.usb.serial = std::string(value);
        } else if (EqualsNoCase(key, "channel")) {
            ok = value.size() == 1;
            const char c = ok ? static_cast<char>(std::toupper(static_cast<unsigned char>(value[0]))) : 0;
            if (c >= 'A' && c <= 'D') s.usb.channel = c - 'A';
            else if (c >= '0' && c <= '3') s.usb.channel = c - '0';
            else ok = false;
        } else if (EqualsNoCase(key, "index")) {
            const long v = ParseNumber(value, 127);
            ok = v >= 0;
            s.usb.index = static_cast<int>(v);
        } else if (EqualsNoCase(key, "freq")) {
            const long v = ParseFrequency(value);
            ok = v > 0;
            s.frequency = v;
        } else if (EqualsNoCase(key, "oe")) {
            ok = ParseSignal(value, true, s.outputEnable);
        } else if (EqualsNoCase(key, "trst")) {
            ok = ParseSignal(value, true, s.trst);
        } else if (EqualsNoCase(key, "srst")) {
            ok = ParseSignal(value, true, s.srst);
        } else if (EqualsNoCase(key, "sense")) {
            ok = ParseSignal(value, false, s.powerSense);
        } else {
            error = "Unknown USB cable setting \"" + std::string(key) +
                    "\" (use vid, pid, serial, channel, index, freq, oe, trst, srst or sense).";
            return false;
        }
        if (!ok) {
            error = "Bad USB cable setting \"" + std::string(item) + "\".";
            return false;
        }
    }
    // One pin, one signal.
    const CMpsseSignal* signals[] = {&s.outputEnable, &s.trst, &s.srst, &s.powerSense};
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            if (signals[i]->Present() && signals[i]->pin == signals[j]->pin) {
                error = "The USB cable settings give " + MpssePinName(signals[i]->pin) + " two signals.";
                return false;
            }
    settings = std::move(s);
    return true;
}

std::string MpsseSettingsText(const CMpsseSettings& s)
{
    CMpsseSettings base;
    const CMpssePreset* p = FindMpssePreset(s.preset);
    if (p) ApplyPreset(*p, base);
    std::string t = std::string(kFtdiPrefix) + ":" + (p ? p->name : kPresets[0].name);
    char buf[16];
    if (s.usb.vendorId != base.usb.vendorId) std::snprintf(buf, sizeof buf, "0x%04x", s.usb.vendorId), t += ",vid=" + std::string(buf);
    if (s.usb.productId != base.usb.productId) std::snprintf(buf, sizeof buf, "0x%04x", s.usb.productId), t += ",pid=" + std::string(buf);
    if (!s.usb.serial.empty()) t += ",serial=" + s.usb.serial;
    if (s.usb.channel != base.usb.channel) t += ",channel=" + std::string(1, static_cast<char>('A' + s.usb.channel));
    if (s.usb.index != 0) t += ",index=" + std::to_string(s.usb.index);
    if (s.frequency != base.frequency) t += ",freq=" + FrequencyText(s.frequency);
    if (!(s.outputEnable == base.outputEnable)) t += ",oe=" + SignalText(s.outputEnable);
    if (!(s.trst == base.trst)) t += ",trst=" + SignalText(s.trst);
    if (!(s.srst == base.srst)) t += ",srst=" + SignalText(s.srst);
    if (!(s.powerSense == base.powerSense)) t += ",sense=" + SignalText(s.powerSense);
    return t;
}

}  // namespace kalidor
