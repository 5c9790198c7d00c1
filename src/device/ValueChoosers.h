// What the symbol value editors show and store, without any window: the rows of the gain,
// capacitor, interconnect and DAC choosers, the meaning of the two-choice and four-choice mode
// dialogs, the frequency-range labels and the UES value check. The dialogs of the desktop program
// only display these rows and hand back the row the user picked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

class DeviceConfig;
struct DacReading;
struct DeviceTraits;

// One row of a chooser list: the text shown and the symbol value (or code, or gain) it stands for.
struct ChooserRow {
    std::string text;
    int value = 0;
};

struct ChooserList {
    std::vector<ChooserRow> rows;
    int selected = -1;      // row selected on opening, -1 for none
    int firstVisible = 0;   // row scrolled to the top on opening
};

// Dialog titles and texts.
extern const char kTitleGain[];             // gain chooser of dialog type 1
extern const char kTitleGainLevel[];        // "Gain Level" (dialog type 16: always negative)
extern const char kTitleCapacitor[];        // "Capacitor Value"
extern const char kHeadingCapacitor[];      // "&Value/Pole Frequency"
extern const char kTitleInterconnect[];     // "Interconnect"
extern const char kHeadingInterconnect[];   // "&Connect to:"
extern const char kTitleDacList[];          // "DAC E2 Register"
extern const char kHeadingDacCode[];        // "Code"
extern const char kHeadingDacVoltage[];     // "Voltage"
extern const char kHeadingDacPercentage[];  // "Percentage"
extern const char kTitleUes[];              // "User Electronic Signature"
extern const char kLabelUes[];              // "&UES value, in decimal"
extern const char kTitleFrequencyRange[];   // "Frequency Range"
extern const char kMsgStoredConfiguration[];
extern const char kMsgContactNamesOverwrite[];

// --- gain chooser (dialog types 1 and 16) ---
// The gain chooser's title: "Gain" followed by the symbol's name ("Gain - Block 1 T1 gain"); the
// plain title when the symbol has no name. Dialog type 16 keeps "Gain Level" and names the symbol
// in its heading instead (GainChooserHeading).
std::string GainChooserTitle(const DeviceConfig& config, int key, int dialogType);
std::string GainChooserHeading(const DeviceConfig& config, int key, int dialogType);
// Rows "%d" of the gains the symbol may take: -10..-1 for type 16; -10..-1, 1..10 for type 1
// (scrolled so that gain 1 is the first visible row); 1, 2, 5, 10 for ZelD/ZelE. The row of the
// symbol's current gain is selected.
ChooserList GainChooserRows(const DeviceConfig& config, int key, int dialogType);
// The symbol's current gain as the chooser shows it.
int CurrentGain(const DeviceConfig& config, int key);

// --- capacitor chooser (dialog type 2) ---
// One row per sorted index, ascending value; the value of a row is the capacitor code.
// ZelA/ZelB/ZelC: "%s\t%.2fkHz" (capacitor text, pole frequency); ZelD/ZelE: "%s".
ChooserList CapacitorChooserRows(const DeviceConfig& config, int key);
// Pole frequency in kHz of a capacitor of `scaled` 1e-16 F: 2 × (1 / (3141590 × C)) / 1000.
double PoleFrequencyKHz(int scaled);
// The code a typed value selects in the capacitor chooser: a capacitance ("25.5", "25.5 pF",
// "25.5p", "0.1 nF"; the nearest capacitor, as kalidor-cli's cap: does) or, where the chooser
// lists pole frequencies, a pole frequency ("12.5 kHz", "12.5k", "800 Hz", "1.2 MHz"; the row of
// the nearest pole frequency). -1, with the reason in `error`, when the text is neither.
int CapacitorCodeForText(const DeviceConfig& config, int key, const std::string& text, std::string& error);
// What the typed entry takes, for its label: "pF" or "pF or kHz".
std::string CapacitorEntryUnits(const DeviceConfig& config);

// --- interconnect chooser (dialog type 5) ---
// The named contacts of an input selection in list order, the current value selected. At most
// 10 entries; an 11th is refused with kMsgContactNamesOverwrite.
ChooserList InterconnectChooserRows(const DeviceConfig& config, int key);

class CInterconnectChoices {
public:
    static constexpr int kMaxEntries = 10;
    static constexpr std::size_t kMaxName = 29;
    // Adds an entry (the name cut to 29 characters); false, after the message, when 10 are there.
    bool Add(const std::string& name, int value);
    ChooserList Rows(int currentValue) const;

private:
    std::vector<ChooserRow> m_entries;
};

// --- DAC lists (dialog type 9) ---
// 256 rows, one per code: ZelB "%d\t%2.2Xh\t%.4fV"; ZelC with a reference of r mV
// "%d\t%2.2Xh\t%.2fmV"; ZelC without one "%d\t%2.2Xh\t%.2f%%". The current code selected; no rows
// for a device without DACs.
ChooserList DacChooserRows(const DeviceConfig& config, int key);
// A DAC output as the lists and the schematic write it: "%.4fV", "%.2fmV" or "%.2f%%".
std::string DacReadingText(const DacReading& reading);
// "Voltage" when the DAC's values are voltages, "Percentage" for a ZelC DAC without reference.
std::string DacValueHeading(const DeviceConfig& config, int key);
// The full-scale reference of ZelC MDAC `key` (8 or 9) in millivolts, 0 when it has none (and for
// every other device).
int ZelCDacReferenceMillivolts(const DeviceConfig& config, int key);

// --- mode dialogs ---
// Two-choice dialogs look at bit 0 only: true means the check box (or second radio) is checked.
inline bool TwoChoiceChecked(int value) { return (value & 1) != 0; }
inline int TwoChoiceValue(bool checked) { return checked ? 1 : 0; }
// The Feedback Path box is checked when the value is 0 (closed); OK stores 0 when checked.
inline bool FeedbackChecked(int value) { return value == 0; }
inline int FeedbackValue(bool checked) { return checked ? 0 : 1; }
// Polarity: the radio of the value (0..3) or none; OK stores the checked radio, else keeps the value.
inline int PolarityRadio(int value) { return (value >= 0 && value <= 3) ? value : -1; }
inline int PolarityValue(int oldValue, int checkedRadio)
{
    return (checkedRadio >= 0 && checkedRadio <= 3) ? checkedRadio : oldValue;
}
// Frequency range labels of the device type: the upper range (radio 1014, value 0) and the
// lower range (radio 1013, value 1). An unknown type name has ZelD's.
std::string FrequencyRangeUpperLabel(const DeviceTraits& device);
std::string FrequencyRangeLowerLabel(const DeviceTraits& device);
std::string FrequencyRangeUpperLabel(const std::string& deviceType);
std::string FrequencyRangeLowerLabel(const std::string& deviceType);

// --- UES editor (dialog type 7) ---
// The UES bits as an unsigned number (bit i of the value is UES bit i).
std::uint64_t GetUesValue(const DeviceConfig& config);
// Parses the decimal text for a device with `bits` UES bits. On failure returns false and sets
// `error` to the message to show.
bool ParseUesValue(const std::string& text, int bits, std::uint64_t& value, std::string& error);
// Writes the value into the UES bits.
void SetUesValue(DeviceConfig& config, std::uint64_t value);

}  // namespace kalidor
