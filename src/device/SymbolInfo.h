// What the schematic shows of each symbol key, without any drawing: its label, the full name used
// in dialogs, its dialog type (which editor opens and how its value reads), and the value text
// and short text computed from the device model.
#pragma once

#include <string>
#include <vector>

#include "device/DeviceConfig.h"

namespace kalidor {

enum DialogType : int {
    kDlgNone = 0,
    kDlgGain = 1,
    kDlgCapacitor = 2,
    kDlgFeedback = 4,
    kDlgInputSelect = 5,
    kDlgUes = 7,
    kDlgCommonMode = 8,
    kDlgDacValue = 9,
    kDlgDacInputMode = 10,
    kDlgPolarityMode = 11,
    kDlgHysteresis = 12,
    kDlgLatchMode = 13,
    kDlgWindowMode = 14,
    kDlgWindowOutput = 15,
    kDlgNegativeGain = 16,
    kDlgTdoDisable = 17,
    kDlgSlewRate = 18,
    kDlgWakeup = 19,
    kDlgFrequencyRange = 20,
    kDlgMuxSelect = 21,
    kDlgPolarityPin = 22,
    kDlgOutputEnable = 23,
    kDlgVoltageRef = 24,
    kDlgAutoCalLevel = 26,
    kDlgDigitalPins = 27,
    kDlgOutputAmp = 28,
    kDlgFilterConfig = 1000,
};

struct SymbolInfo {
    int key;
    std::string label;     // drawn on the schematic ("" for none)
    std::string fullName;  // used in dialogs ("" for none)
    int dialogType;        // 0 for none
};

// The schematic symbols of a device type, by ascending key. Includes every key that has a label,
// a full name or a dialog type. Empty for an unknown type name.
const std::vector<SymbolInfo>& SymbolInfoTable(DeviceKind kind);
const std::vector<SymbolInfo>& SymbolInfoTable(const std::string& deviceType);
// The entry of `key`, or nullptr.
const SymbolInfo* FindSymbolInfo(DeviceKind kind, int key);
const SymbolInfo* FindSymbolInfo(const std::string& deviceType, int key);

struct ValueTexts {
    std::string value;  // drawn beside the symbol
    std::string shortText;  // drawn at a pin (ZelA, ZelD/ZelE only; "" elsewhere)
};

// The value text and short text of symbol `key` as the schematic shows it for the current
// values of `config`. Keys without a dialog type give empty texts.
ValueTexts GetValueTexts(const DeviceConfig& config, int key);

// Signed gain access: a gain stage is a magnitude symbol (0..9 for gains 1..10) with a polarity
// symbol (1 positive, 0 negative), the device model's GetSignedGain and SetSignedGain.
int GetGainValue(const DeviceConfig& config, int key);
// Stores gain `g` (ZelB IA4 is always negative: a positive request is reported and negated).
void SetGainValue(DeviceConfig& config, int key, int g);
// The automation's form: the gain is first brought into -10..10 and 0 becomes 1.
int ClampGain(int g);

// The capacitor setting nearest to `scaled` (1e-16 F) stored into symbol `key`, as the
// automation's SetScaledCapValue does.
void SetScaledCapValue(DeviceConfig& config, int key, int scaled);
int GetScaledCapValue(const DeviceConfig& config, int key);
// A capacitance in farads as a scaled value: farads x 1e12 x 1e4 truncated toward zero, as the
// automation's SetCapValue takes it; negative, huge and undefined values are held to 0 .. INT_MAX.
int ScaledCapacitance(double farads);

// Message texts.
extern const char kCoerceMessage[];       // "Needed to coerce at least one symbol."
extern const char kIa4PositiveMessage[];  // ZelB IA4 gain set positive
extern const char kIa4PositiveCaption[];

}  // namespace kalidor
