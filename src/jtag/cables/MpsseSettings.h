// What an MPSSE cable is: which USB chip and channel, the TCK frequency, and the pin map — the
// lines besides TCK/TDI/TDO/TMS (which the MPSSE fixes to ADBUS0..3) that the cable's board needs:
// a buffer output enable, TRST and SRST, a target power sense. Pin maps are data: presets for
// common cables, and every field can be given in the cable text:
//
//   ftdi[:PRESET][,KEY=VALUE]...
//     PRESET   ft2232h (default), ft232h, ft4232h, ft2232d, jtagkey, olimex-arm-usb-ocd-h,
//              olimex-arm-usb-tiny-h, tigard
//     vid=0x0403  pid=0x6010  serial=FT12345  channel=A..D  index=N (the N-th matching chip)
//     freq=6M | 500k | 100000   TCK frequency in Hz (k and M suffixes)
//     oe=PIN  trst=PIN  srst=PIN  sense=PIN   a line and its active level: PIN is ADBUS4..ADBUS7
//              or ACBUS0..ACBUS7, followed by /low or /high (default /low for oe, trst and srst,
//              /high for sense: the line reads 1 when the target has power); "none" removes it.
//
// e.g. "ftdi:jtagkey,serial=JK1234,freq=3M" or "ftdi,channel=B,oe=ADBUS4/low,sense=ADBUS6/high".
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "jtag/cables/FtdiLink.h"

namespace kalidor {

// GPIO numbers: 0..7 ADBUS0..7 (the low byte), 8..15 ACBUS0..7 (the high byte). 0..3 carry
// TCK, TDI, TDO and TMS.
inline constexpr int kMpssePinTCK = 0;
inline constexpr int kMpssePinTDI = 1;
inline constexpr int kMpssePinTDO = 2;
inline constexpr int kMpssePinTMS = 3;
inline constexpr int kMpsseFirstFreePin = 4;
inline constexpr int kMpssePinCount = 16;

struct CMpsseSignal {
    int pin = -1;           // -1: the cable has no such line
    bool activeLow = true;  // the level that asserts it
    bool Present() const { return pin >= 0; }
    std::uint16_t Mask() const { return Present() ? static_cast<std::uint16_t>(1u << pin) : 0; }
    bool operator==(const CMpsseSignal&) const = default;
};

inline constexpr long kDefaultMpsseFrequency = 1000000;
inline constexpr long kMaxMpsseFrequency = 30000000;

struct CMpsseSettings {
    std::string preset = "ft2232h";
    CFtdiSelector usb;
    long frequency = kDefaultMpsseFrequency;  // asked for; the chip's divider gives the nearest below
    CMpsseSignal outputEnable;                // buffers of TCK/TDI/TMS on (asserted while open)
    CMpsseSignal trst;                        // TAP reset line (deasserted while open)
    CMpsseSignal srst;                        // system reset line (deasserted while open)
    CMpsseSignal powerSense;                  // input: asserted when the target has power
    // Further outputs the board needs at fixed levels (LEDs, buffer directions).
    std::uint16_t fixedOutputs = 0;
    std::uint16_t fixedLevels = 0;

    // The direction and level words written when the cable opens: TCK, TDI, TMS and the signals
    // as outputs (TMS high, TCK and TDI low, OE asserted, resets deasserted), the sense line an input.
    std::uint16_t Direction() const;
    std::uint16_t InitialLevels() const;
    bool operator==(const CMpsseSettings&) const = default;
};

struct CMpssePreset {
    const char* name;
    const char* description;
    int vendorId;
    int productId;
    int channel;
    CMpsseSignal outputEnable, trst, srst, powerSense;
    std::uint16_t fixedOutputs, fixedLevels;
};

std::span<const CMpssePreset> MpssePresets();
const CMpssePreset* FindMpssePreset(std::string_view name);

inline constexpr const char* kFtdiPrefix = "ftdi";

// Parses the text after "ftdi" (":PRESET,KEY=VALUE..." or ",KEY=VALUE..." or ""). False with a
// message for the user in `error`.
bool ParseMpsseSettings(std::string_view text, CMpsseSettings& settings, std::string& error);
// The shortest text that gives the settings back: "ftdi:jtagkey,freq=3M".
std::string MpsseSettingsText(const CMpsseSettings& settings);
// "ADBUS4", "ACBUS0".
std::string MpssePinName(int pin);

}  // namespace kalidor
