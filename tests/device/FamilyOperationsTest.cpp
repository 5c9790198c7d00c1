// What the device families answer differently, over every device type: gain polarity and sign,
// the contacts of input selections and their value texts, DAC outputs, the keys that take values,
// and the traits the editors and files ask.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ValueChoosers.h"
#include "device/ZelAKeys.h"
#include "device/ZelBKeys.h"
#include "device/ZelCKeys.h"
#include "device/ZelDKeys.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

// The gain symbols and their polarity symbols of each family.
const std::map<DeviceFamily, std::map<int, int>> kPolarity = {
    {DeviceFamily::ZelA, {{4, 7}, {5, 8}, {15, 18}, {16, 19}, {26, 29}, {27, 30}, {37, 40}, {38, 41}}},
    {DeviceFamily::ZelB, {{4, 7}, {5, 8}, {16, 19}}},
    {DeviceFamily::ZelC, {{4, 29}, {5, 30}, {6, 31}, {7, 32}}},
    {DeviceFamily::ZelD, {}},
};

std::vector<int> KeysWithDialog(DeviceKind kind, int dialogType)
{
    std::vector<int> keys;
    for (const SymbolInfo& s : SymbolInfoTable(kind))
        if (s.dialogType == dialogType)
            keys.push_back(s.key);
    return keys;
}

}  // namespace

TEST(FamilyOperations, PolarityKeysOfEveryGain)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        const std::map<int, int>& pairs = kPolarity.at(FamilyOf(kind));
        for (int key = -1; key <= c->SymbolSlotCount(); ++key) {
            const auto it = pairs.find(key);
            EXPECT_EQ(c->GainPolarityKey(key), it == pairs.end() ? -1 : it->second) << key;
        }
    }
}

// Every gain each chooser offers is stored and reads back; the sign lives in the polarity symbol
// where there is one, and a stage without one keeps its sign (ZelB IA4 negative, ZelD/ZelE
// positive).
TEST(FamilyOperations, SignedGainsRoundTripThroughEveryGainSymbol)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        for (int dialogType : {kDlgGain, kDlgNegativeGain}) {
            for (int key : KeysWithDialog(kind, dialogType)) {
                const ChooserList rows = GainChooserRows(*c, key, dialogType);
                ASSERT_FALSE(rows.rows.empty()) << key;
                for (const ChooserRow& row : rows.rows) {
                    SetGainValue(*c, key, row.value);
                    EXPECT_EQ(GetGainValue(*c, key), row.value) << key;
                    EXPECT_EQ(CurrentGain(*c, key), row.value) << key;
                    EXPECT_EQ(GetValueTexts(*c, key).value, std::to_string(row.value)) << key;
                    const int polarity = c->GainPolarityKey(key);
                    if (polarity >= 0) {
                        EXPECT_EQ(c->GetSymValue(polarity), row.value < 0 ? 0 : 1) << key;
                        EXPECT_EQ(c->GetSymValue(key), (row.value < 0 ? -row.value : row.value) - 1) << key;
                    } else if (FamilyOf(kind) == DeviceFamily::ZelD) {
                        EXPECT_EQ(c->GetSymValue(key), row.value) << key;
                    } else {
                        EXPECT_EQ(c->GetSymValue(key), -row.value - 1) << key;
                    }
                }
            }
        }
    }
    EXPECT_TRUE(prompter.Texts().empty()) << "no chooser row is refused";
}

// The chooser of an input selection lists the family's contacts, each symbol value once, and the
// value text of each value is the contact's name; a value that no contact holds shows nothing.
TEST(FamilyOperations, InputSelectionsListTheirContactsAndShowTheirNames)
{
    const std::map<DeviceFamily, std::size_t> contactCounts = {
        {DeviceFamily::ZelA, 6}, {DeviceFamily::ZelB, 7}, {DeviceFamily::ZelC, 8}};
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        const std::vector<int> keys = KeysWithDialog(kind, kDlgInputSelect);
        if (FamilyOf(kind) == DeviceFamily::ZelD) {
            EXPECT_TRUE(keys.empty());
            EXPECT_TRUE(c->InputContacts(0).empty());
            EXPECT_TRUE(InterconnectChooserRows(*c, 0).rows.empty());
            continue;
        }
        ASSERT_FALSE(keys.empty());
        for (int key : keys) {
            const auto contacts = c->InputContacts(key);
            EXPECT_EQ(contacts.size(), contactCounts.at(FamilyOf(kind))) << key;
            const ChooserList rows = InterconnectChooserRows(*c, key);
            ASSERT_EQ(rows.rows.size(), contacts.size()) << key;
            std::set<int> values;
            for (std::size_t i = 0; i < contacts.size(); ++i) {
                EXPECT_EQ(rows.rows[i].text, contacts[i].name) << key;
                EXPECT_EQ(rows.rows[i].value, contacts[i].value) << key;
                EXPECT_TRUE(values.insert(contacts[i].value).second) << key << " lists a value twice";
                c->SetSymValue(key, contacts[i].value);
                const ValueTexts t = GetValueTexts(*c, key);
                EXPECT_EQ(t.value, contacts[i].name) << key;
                // Only ZelA writes the input at the pin.
                EXPECT_EQ(t.shortText.empty(), !c->LabelsPins()) << key;
                EXPECT_EQ(InterconnectChooserRows(*c, key).selected, static_cast<int>(i)) << key;
            }
            c->SetSymValue(key, *values.rbegin() + 1);
            EXPECT_EQ(GetValueTexts(*c, key).value, "") << key;
        }
    }
}

TEST(FamilyOperations, ZelAYBlocksReachTheOtherHalfOfTheChip)
{
    auto c = CreateDeviceConfig(DeviceKind::ZelA);
    for (int block = 0; block < kZelABlockCount; ++block) {
        for (int offset : {kZelAOffsetInput1, kZelAOffsetInput2}) {
            const int key = ZelABlockKey(block, offset);
            const auto contacts = c->InputContacts(key);
            ASSERT_EQ(contacts.size(), 6u);
            EXPECT_STREQ(contacts[1].name, block < 2 ? "IN 1" : "IN 3") << key;
            EXPECT_STREQ(contacts[5].name, block < 2 ? "OUT 4" : "OUT 2") << key;
            EXPECT_STREQ(contacts[0].pinText, "VREF");
        }
    }
}

// Only ZelB and ZelC have DACs: ZelB's reads in volts, ZelC's in millivolts of its reference or
// in percent without one; the chooser rows and the value text agree with the reading.
TEST(FamilyOperations, DacOutputsOfEveryFamily)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        const std::vector<int> keys = KeysWithDialog(kind, kDlgDacValue);
        const bool hasDac = FamilyOf(kind) == DeviceFamily::ZelB || FamilyOf(kind) == DeviceFamily::ZelC;
        EXPECT_EQ(!keys.empty(), hasDac);
        if (!hasDac) {
            EXPECT_FALSE(c->DacOutput(0, 0).has_value());
            EXPECT_TRUE(DacChooserRows(*c, 0).rows.empty());
            EXPECT_EQ(DacValueHeading(*c, 0), "Voltage");
            EXPECT_EQ(ZelCDacReferenceMillivolts(*c, kKeyZelCDac1), 0);
            continue;
        }
        for (int key : keys) {
            const ChooserList rows = DacChooserRows(*c, key);
            ASSERT_EQ(rows.rows.size(), 256u);
            for (int code : {0, 1, 127, 128, 255}) {
                const std::optional<DacReading> r = c->DacOutput(key, code);
                ASSERT_TRUE(r.has_value());
                char hex[8];
                std::snprintf(hex, sizeof hex, "%2.2X", code);
                EXPECT_EQ(rows.rows[code].text, std::to_string(code) + "\t" + hex + "h\t" + DacReadingText(*r));
                c->SetSymValue(key, code);
                EXPECT_EQ(GetValueTexts(*c, key).value, std::string("Code:  ") + hex + "h\r\n" + DacReadingText(*r));
            }
        }
    }
    auto b = CreateDeviceConfig(DeviceKind::ZelB);
    EXPECT_EQ(b->DacOutput(kKeyZelBDacValue, 0)->value, -3.0);
    EXPECT_EQ(b->DacOutput(kKeyZelBDacValue, 128)->value, 0.0);
    EXPECT_EQ(b->DacOutput(kKeyZelBDacValue, 255)->unit, DacUnit::kVolts);

    auto c = CreateDeviceConfig(DeviceKind::ZelC);
    EXPECT_EQ(c->DacOutput(kKeyZelCDac2, 0)->unit, DacUnit::kPercent);
    EXPECT_EQ(c->DacOutput(kKeyZelCDac2, 0)->value, -100.0);
    c->SetSymValue(kKeyZelCDac2Input, kZelCInputRef);
    c->SetSymValue(kKeyZelCRef2Level, 6);
    EXPECT_EQ(c->DacReferenceMillivolts(kKeyZelCDac2), 2500);
    EXPECT_EQ(c->DacReferenceMillivolts(kKeyZelCDac1), 0) << "DAC1 still has another input";
    EXPECT_EQ(c->DacOutput(kKeyZelCDac2, 192)->value, 1250.0);
    EXPECT_EQ(c->DacOutput(kKeyZelCDac2, 192)->unit, DacUnit::kMillivolts);
    EXPECT_EQ(DacValueHeading(*c, kKeyZelCDac2), "Voltage");
    EXPECT_EQ(DacValueHeading(*c, kKeyZelCDac1), "Percentage");
}

// A key takes a value when it has a record; ZelC's two multiplexer pins take one without.
TEST(FamilyOperations, KeysThatTakeValues)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        for (int key = -1; key <= c->SymbolSlotCount(); ++key) {
            const bool pin = kind == DeviceKind::ZelC && (key == kKeyZelCMselAPin || key == kKeyZelCMselBPin);
            EXPECT_EQ(c->TakesValue(key), c->HasRecord(key) || pin) << key;
        }
    }
}

// The multiplexer texts: ZelB's MSEL pin, ZelC's two pins with the input each selects; nothing
// from the other families.
TEST(FamilyOperations, MultiplexerPinTexts)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        for (int key : KeysWithDialog(kind, kDlgMuxSelect)) {
            const std::string text = GetValueTexts(*c, key).value;
            switch (FamilyOf(kind)) {
            case DeviceFamily::ZelB:
                EXPECT_EQ(text, "MSEL = 0 (A)");
                c->SetSymValue(key, 1);
                EXPECT_EQ(GetValueTexts(*c, key).value, "MSEL = 1 (B)");
                break;
            case DeviceFamily::ZelC:
                if (key == kKeyZelCMselAPin)
                    EXPECT_EQ(text, "MSEL1 = 0 (a)");
                else if (key == kKeyZelCMselBPin)
                    EXPECT_EQ(text, "MSEL2 = 0 (a)");
                else
                    EXPECT_EQ(text, "") << key;
                break;
            default:
                ADD_FAILURE() << "no multiplexer symbol expected, key " << key;
            }
        }
    }
    auto c = CreateDeviceConfig(DeviceKind::ZelC);
    c->SetSymValue(kKeyZelCMselBPin, 1);
    EXPECT_EQ(GetValueTexts(*c, kKeyZelCMselBPin).value, "MSEL2 = 1 (b)");
    c->SetSymValue(kKeyZelCMux4Select, 1);  // the select cell swaps the inputs
    EXPECT_EQ(GetValueTexts(*c, kKeyZelCMselBPin).value, "MSEL2 = 1 (a)");
}

// The frequency ranges of the filter devices and the filter-configuration symbols.
TEST(FamilyOperations, FilterDevicesRangesAndConfigurations)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto c = CreateDeviceConfig(kind);
        const bool filter = c->Traits().filterConfigs;
        EXPECT_EQ(filter, c->HasRecord(kKeyFilterConfigA) && c->GetSymbolRecord(kKeyFilterConfigA).kind == kSymConfiguration);
        EXPECT_EQ(c->ListsPoleFrequencies(), !filter);
        if (!filter)
            continue;
        const std::string edge = kind == DeviceKind::ZelE ? "30kHz" : "200kHz";
        for (int key : {kKeyFrequencyRangeA, kKeyFrequencyRangeB}) {
            c->SetSymValue(key, 0);
            EXPECT_EQ(GetValueTexts(*c, key).value, "Above " + edge);
            c->SetSymValue(key, 1);
            EXPECT_EQ(GetValueTexts(*c, key).value, edge + " and below");
        }
        EXPECT_EQ(FrequencyRangeUpperLabel(c->TypeName()), "Above " + edge);
        EXPECT_EQ(FindSymbolInfo(kind, kKeyDeviceName)->label, c->TypeName());
        // Editing an element of A marks A as edited, not B, and the other way round.
        c->SetSymValue(kKeyFilterConfigA, 3);
        c->SetSymValue(kKeyFilterConfigB, 4);
        c->SetSymValue(kKeyElementC1A + 2, 5);
        EXPECT_EQ(c->GetSymValue(kKeyFilterConfigA), -2);
        EXPECT_EQ(c->GetSymValue(kKeyFilterConfigB), 4);
        c->SetSymValue(kKeyFrequencyRangeB, 0);
        EXPECT_EQ(c->GetSymValue(kKeyFilterConfigB), -2);
    }
    EXPECT_EQ(FrequencyRangeLowerLabel("ZelX"), "200kHz and below");
}
