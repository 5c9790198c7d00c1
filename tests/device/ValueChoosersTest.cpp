#include <gtest/gtest.h>

#include <cmath>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ValueChoosers.h"
#include "platform/Prompter.h"

using namespace kalidor;

TEST(GainChooser, SignedGainListStartsScrolledAtGainOne)
{
    auto c = CreateDeviceConfig("ZelA");
    SetGainValue(*c, 4, -3);
    const ChooserList l = GainChooserRows(*c, 4, kDlgGain);
    ASSERT_EQ(l.rows.size(), 20u);
    EXPECT_EQ(l.rows.front().text, "-10");
    EXPECT_EQ(l.rows[9].text, "-1");
    EXPECT_EQ(l.rows[10].text, "1");
    EXPECT_EQ(l.rows.back().value, 10);
    EXPECT_EQ(l.firstVisible, 10);
    ASSERT_GE(l.selected, 0);
    EXPECT_EQ(l.rows[l.selected].value, -3);
    for (const ChooserRow& r : l.rows)
        EXPECT_NE(r.value, 0) << "there is no gain 0";
}

TEST(GainChooser, NegativeOnlyAndFilterDeviceGains)
{
    auto b = CreateDeviceConfig("ZelB");
    const ChooserList neg = GainChooserRows(*b, 17, kDlgNegativeGain);
    ASSERT_EQ(neg.rows.size(), 10u);
    EXPECT_EQ(neg.rows.front().value, -10);
    EXPECT_EQ(neg.rows.back().text, "-1");
    ASSERT_GE(neg.selected, 0);
    EXPECT_EQ(neg.rows[neg.selected].value, GetGainValue(*b, 17));
    EXPECT_STREQ(kTitleGainLevel, "Gain Level");

    auto d = CreateDeviceConfig("ZelD");
    d->SetSymValue(11, 5);
    const ChooserList g = GainChooserRows(*d, 11, kDlgGain);
    ASSERT_EQ(g.rows.size(), 4u);
    EXPECT_EQ(g.rows[0].text, "1");
    EXPECT_EQ(g.rows[1].text, "2");
    EXPECT_EQ(g.rows[2].text, "5");
    EXPECT_EQ(g.rows[3].text, "10");
    EXPECT_EQ(g.selected, 2);
}

TEST(CapacitorChooser, ZelARowsCarryPoleFrequencies)
{
    auto c = CreateDeviceConfig("ZelA");
    c->SetSymValue(6, 1);
    const ChooserList l = CapacitorChooserRows(*c, 6);
    ASSERT_EQ(l.rows.size(), 128u);
    EXPECT_EQ(l.rows.front().text, "1.07 pF\t594.97kHz");
    EXPECT_EQ(l.rows.front().value, 0);
    EXPECT_EQ(l.rows.back().text, "61.59 pF\t10.34kHz");
    EXPECT_EQ(l.rows.back().value, 127);
    ASSERT_GE(l.selected, 0);
    EXPECT_EQ(l.rows[l.selected].value, 1);
}

TEST(CapacitorChooser, ZelDElementListHasEveryCodeInValueOrder)
{
    auto d = CreateDeviceConfig("ZelD");
    d->SetSymValue(0, 1234);
    const ChooserList l = CapacitorChooserRows(*d, 0);
    ASSERT_EQ(l.rows.size(), 4096u);
    EXPECT_EQ(l.rows.front().text, "0.000 pF");
    EXPECT_EQ(l.rows.front().value, 0);
    ASSERT_GE(l.selected, 0);
    EXPECT_EQ(l.rows[l.selected].value, 1234);
    for (std::size_t i = 1; i < l.rows.size(); ++i)
        ASSERT_LE(d->GetCapValueByCode(0, l.rows[i - 1].value), d->GetCapValueByCode(0, l.rows[i].value));
    // Configuration B's C2 uses the C2 table (2048 entries).
    EXPECT_EQ(CapacitorChooserRows(*d, 13).rows.size(), 2048u);
}

TEST(InterconnectChooser, ZelBListsInTheirOwnOrder)
{
    auto b = CreateDeviceConfig("ZelB");
    b->SetSymValue(22, 5);
    const ChooserList l = InterconnectChooserRows(*b, 22);
    const std::vector<std::pair<std::string, int>> want = {{"NONE", 0}, {"IN 2", 2},       {"OUT 1", 3}, {"OUT 2", 4},
                                                           {"DAC Output", 6}, {"3V", 5}, {"1.5V", 1}};
    ASSERT_EQ(l.rows.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(l.rows[i].text, want[i].first);
        EXPECT_EQ(l.rows[i].value, want[i].second);
    }
    EXPECT_EQ(l.selected, 5);  // "3V"

    const ChooserList first = InterconnectChooserRows(*b, 27);
    EXPECT_EQ(first.rows[0].text, "NONE");
    EXPECT_EQ(first.rows[0].value, 5);
    const ChooserList inputs = InterconnectChooserRows(*b, 9);
    EXPECT_EQ(inputs.rows[3].text, "IN 3");
    EXPECT_EQ(inputs.rows[3].value, 5);
}

TEST(InterconnectChooser, EleventhEntryIsRefused)
{
    RecordingPrompter prompter;
    ScopedPrompter scoped(prompter);
    CInterconnectChoices choices;
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(choices.Add("E" + std::to_string(i), i));
    EXPECT_FALSE(choices.Add("E10", 10));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Internal Error: m_szContactNames array overwrite!");
    EXPECT_EQ(prompter.messages[0].caption, "Kalidor");
    EXPECT_EQ(choices.Rows(10).rows.size(), 10u);
    EXPECT_EQ(choices.Rows(10).selected, -1);
    // Names are cut to 29 characters.
    CInterconnectChoices longName;
    longName.Add(std::string(40, 'x'), 1);
    EXPECT_EQ(longName.Rows(1).rows[0].text.size(), 29u);
}

TEST(DacChooser, ZelBVoltageRows)
{
    auto b = CreateDeviceConfig("ZelB");
    const ChooserList l = DacChooserRows(*b, 39);
    ASSERT_EQ(l.rows.size(), 256u);
    EXPECT_EQ(l.rows[128].text, "128\t80h\t0.0000V");
    EXPECT_EQ(l.rows[255].text, "255\tFFh\t2.9766V");
    EXPECT_EQ(l.rows[0].text, "0\t00h\t-3.0000V");
    EXPECT_EQ(l.selected, 128);
    EXPECT_EQ(DacValueHeading(*b, 39), "Voltage");
}

TEST(DacChooser, ZelCRowsFollowTheReference)
{
    auto c = CreateDeviceConfig("ZelC");
    c->SetSymValue(18, 1);
    EXPECT_EQ(DacValueHeading(*c, 8), "Percentage");
    ChooserList l = DacChooserRows(*c, 8);
    EXPECT_EQ(l.rows[0].text, "0\t00h\t-100.00%");
    EXPECT_EQ(l.rows[128].text, "128\t80h\t0.00%");
    c->SetSymValue(18, 7);  // REF
    c->SetSymValue(26, 0);  // 64 mV
    EXPECT_EQ(ZelCDacReferenceMillivolts(*c, 8), 64);
    EXPECT_EQ(DacValueHeading(*c, 8), "Voltage");
    l = DacChooserRows(*c, 8);
    EXPECT_EQ(l.rows[0].text, "0\t00h\t-64.00mV");
    EXPECT_EQ(l.rows[192].text, "192\tC0h\t32.00mV");
    // DAC 2 has its own input and level.
    EXPECT_EQ(ZelCDacReferenceMillivolts(*c, 9), 0);
    c->SetSymValue(19, 7);
    c->SetSymValue(27, 6);
    EXPECT_EQ(ZelCDacReferenceMillivolts(*c, 9), 2500);
}

TEST(ModeDialogs, BitZeroDecidesAndPolarityKeepsUnknownValues)
{
    // The latch-mode dialog opened with 3 shows "registered"; OK stores 1.
    EXPECT_TRUE(TwoChoiceChecked(3));
    EXPECT_EQ(TwoChoiceValue(TwoChoiceChecked(3)), 1);
    EXPECT_FALSE(TwoChoiceChecked(2));
    EXPECT_TRUE(FeedbackChecked(0));
    EXPECT_FALSE(FeedbackChecked(1));
    EXPECT_EQ(FeedbackValue(true), 0);
    EXPECT_EQ(FeedbackValue(false), 1);
    EXPECT_EQ(PolarityRadio(2), 2);
    EXPECT_EQ(PolarityRadio(4), -1);
    EXPECT_EQ(PolarityRadio(-1), -1);
    EXPECT_EQ(PolarityValue(2, 3), 3);
    EXPECT_EQ(PolarityValue(7, -1), 7);
    EXPECT_EQ(FrequencyRangeUpperLabel("ZelD"), "Above 200kHz");
    EXPECT_EQ(FrequencyRangeLowerLabel("ZelD"), "200kHz and below");
    EXPECT_EQ(FrequencyRangeUpperLabel("ZelE"), "Above 30kHz");
    EXPECT_EQ(FrequencyRangeLowerLabel("ZelE"), "30kHz and below");
    EXPECT_STREQ(kMsgStoredConfiguration,
                 "Edited with Filter Configuration Window.\nUse menu Tools->Design Utilities...\nand choose ZelD "
                 "or ZelE Filter Configurations");
}

TEST(UesValue, ParsesDecimalWithinTheDeviceBits)
{
    std::uint64_t v = 99;
    std::string error;
    EXPECT_TRUE(ParseUesValue("255", 8, v, error));
    EXPECT_EQ(v, 255u);
    EXPECT_TRUE(ParseUesValue("  12 ", 8, v, error));
    EXPECT_EQ(v, 12u);
    v = 99;
    EXPECT_FALSE(ParseUesValue("256", 8, v, error));
    EXPECT_EQ(v, 99u) << "a refused text leaves the value alone";
    EXPECT_EQ(error, "The UES value must be a whole decimal number from 0 to 255 (8 bits).");
    EXPECT_FALSE(ParseUesValue("-1", 8, v, error));
    EXPECT_FALSE(ParseUesValue("0x10", 8, v, error));
    EXPECT_FALSE(ParseUesValue("", 8, v, error));
    EXPECT_FALSE(ParseUesValue("1 2", 8, v, error));
    EXPECT_FALSE(ParseUesValue("99999999999999999999999999", 21, v, error));
    EXPECT_TRUE(ParseUesValue("2097151", 21, v, error));
    EXPECT_FALSE(ParseUesValue("2097152", 21, v, error));
    EXPECT_TRUE(ParseUesValue("18446744073709551615", 64, v, error));
    EXPECT_EQ(v, ~std::uint64_t{0});
    EXPECT_FALSE(ParseUesValue("18446744073709551616", 64, v, error));
    EXPECT_FALSE(ParseUesValue("0", 0, v, error));
}

TEST(UesValue, WritesTheUesBits)
{
    auto a = CreateDeviceConfig("ZelA");
    SetUesValue(*a, 0xA5);
    EXPECT_EQ(a->GetUesText(), "10100101");
    EXPECT_EQ(GetUesValue(*a), 0xA5u);
    // Bits above the device's count are not written anywhere.
    SetUesValue(*a, 0x1FF);
    EXPECT_EQ(GetUesValue(*a), 0xFFu);
}

// A typed capacitor value: picofarads (bare, "p", "pF", "nF") pick the capacitor the number would
// set; on the families that list pole frequencies, "kHz", "Hz" and "MHz" pick the row of the
// nearest pole frequency; anything else is refused with its reason.
TEST(CapacitorTypedEntry, PicofaradsAndPoleFrequencies)
{
    auto a = CreateDeviceConfig("ZelA");
    const int key = 6;
    std::string error;
    const int byNumber = a->GetNearestCapIndex(key, ScaledCapacitance(25.4648e-12));
    for (const char* text : {"25.4648", "25.4648 pF", " 25.4648p ", "25.4648PF", "0.0254648 nF"}) {
        EXPECT_EQ(CapacitorCodeForText(*a, key, text, error), byNumber) << text;
    }
    // The row of the pole frequency nearest on a ratio scale, whatever unit names it.
    const int khz = CapacitorCodeForText(*a, key, "12.5 kHz", error);
    ASSERT_GE(khz, 0) << error;
    EXPECT_EQ(CapacitorCodeForText(*a, key, "12500 Hz", error), khz);
    EXPECT_EQ(CapacitorCodeForText(*a, key, "0.0125MHz", error), khz);
    EXPECT_EQ(CapacitorCodeForText(*a, key, "12.5k", error), khz);
    const int sorted = a->GetSortedIndexByCode(key, khz);
    const auto ratio = [&](int i) { return std::fabs(std::log(PoleFrequencyKHz(a->GetCapValueBySorted(key, i)) / 12.5)); };
    for (int i = 0; i < a->GetCapCount(key); ++i) EXPECT_LE(ratio(sorted), ratio(i)) << i;
    // The ends of the table take what lies beyond them.
    EXPECT_EQ(CapacitorCodeForText(*a, key, "1e5", error), a->GetCapCodeBySorted(key, a->GetCapCount(key) - 1));
    EXPECT_EQ(CapacitorCodeForText(*a, key, "0", error), a->GetCapCodeBySorted(key, 0));

    for (const char* bad : {"", "pF", "twelve", "12 uF", "-3", "12 kHz extra", "nan"}) {
        error.clear();
        EXPECT_EQ(CapacitorCodeForText(*a, key, bad, error), -1) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(CapacitorCodeForText(*a, key, "0 kHz", error), -1);
    EXPECT_EQ(CapacitorEntryUnits(*a), "pF or kHz");

    // The ladder elements take picofarads only.
    auto d = CreateDeviceConfig("ZelD");
    EXPECT_EQ(CapacitorEntryUnits(*d), "pF");
    EXPECT_EQ(CapacitorCodeForText(*d, 2, "1 pF", error), d->GetNearestCapIndex(2, ScaledCapacitance(1e-12)));
    EXPECT_EQ(CapacitorCodeForText(*d, 2, "12 kHz", error), -1);
    EXPECT_EQ(error, "Unknown unit \"khz\": type a value in pF.");
}

TEST(GainChooserTitle, NamesTheSymbol)
{
    auto a = CreateDeviceConfig("ZelA");
    EXPECT_EQ(GainChooserTitle(*a, 4, kDlgGain), "Block 1 T1 Gain");
    EXPECT_EQ(GainChooserHeading(*a, 4, kDlgGain), "");
    auto b = CreateDeviceConfig("ZelB");
    EXPECT_EQ(GainChooserTitle(*b, 17, kDlgNegativeGain), "Gain Level");
    EXPECT_EQ(GainChooserHeading(*b, 17, kDlgNegativeGain), "Zelblock 2 IA4 Gain");
    // A key without a schematic symbol keeps the plain title.
    EXPECT_EQ(GainChooserTitle(*a, 63, kDlgGain), "Gain");
}
