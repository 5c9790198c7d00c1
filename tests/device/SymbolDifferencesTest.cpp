// Copies of a device model and the symbol-by-symbol differences between two models, which the
// verify details and the upload report are made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "device/DeviceConfig.h"
#include "device/SymbolDifferences.h"
#include "device/SymbolInfo.h"
#include "device/ZelAKeys.h"
#include "device/ZelDKeys.h"

namespace kalidor::test {
namespace {

// Every symbol with a record at a value of its own (the pattern depends on `seed`).
void Scramble(DeviceConfig& d, unsigned seed)
{
    for (int key = 0; key < d.SymbolSlotCount(); ++key) {
        if (!d.HasRecord(key) || d.GetSymbolRecord(key).maxValue <= 0) continue;
        seed = seed * 1103515245u + 12345u;
        d.SetSymValue(key, static_cast<int>((seed >> 8) % static_cast<unsigned>(d.GetSymbolRecord(key).maxValue + 1)));
    }
}

class SymbolDifferencesTest : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(AllTypes, SymbolDifferencesTest, ::testing::Values("ZelA", "ZelB", "ZelC", "ZelD", "ZelE"));

TEST_P(SymbolDifferencesTest, ACopyHoldsEveryCellAndValueAndDiffersInNothing)
{
    auto d = CreateDeviceConfig(GetParam());
    Scramble(*d, 3);
    d->SetSecurity(1);
    auto copy = CopyDeviceConfig(*d);
    ASSERT_EQ(copy->Kind(), d->Kind());
    for (int c = 0; c < d->GetCellCount(); ++c) EXPECT_EQ(copy->E2_GetValue(c), d->E2_GetValue(c)) << c;
    for (int key = 0; key < d->SymbolSlotCount(); ++key) EXPECT_EQ(copy->GetSymValue(key), d->GetSymValue(key)) << key;
    EXPECT_EQ(copy->GetSecurity(), 1);
    EXPECT_TRUE(SymbolDifferences(*d, *copy).empty());
    // The copy is a model of its own.
    Scramble(*copy, 4);
    EXPECT_FALSE(SymbolDifferences(*d, *copy).empty());
    auto other = CreateDeviceConfig(std::string(GetParam()) == "ZelA" ? "ZelB" : "ZelA");
    EXPECT_TRUE(SymbolDifferences(*d, *other).empty());
}

TEST_P(SymbolDifferencesTest, EachDifferenceIsOneSettingWithTheTextsTheSchematicWrites)
{
    auto a = CreateDeviceConfig(GetParam());
    auto b = CreateDeviceConfig(GetParam());
    Scramble(*a, 5);
    Scramble(*b, 6);
    const auto diffs = SymbolDifferences(*a, *b);
    ASSERT_FALSE(diffs.empty());
    int lastKey = -1;
    for (const CSymbolDifference& d : diffs) {
        EXPECT_GT(d.key, lastKey);
        lastKey = d.key;
        EXPECT_EQ(d.before, a->GetSymValue(d.key));
        EXPECT_EQ(d.after, b->GetSymValue(d.key));
        EXPECT_EQ(d.beforeText, SymbolValueText(*a, d.key));
        EXPECT_EQ(d.afterText, SymbolValueText(*b, d.key));
        EXPECT_FALSE(d.name.empty());
        EXPECT_EQ(d.beforeText.find('\n'), std::string::npos) << d.name;
        EXPECT_TRUE(d.before != d.after || d.beforeText != d.afterText);
    }
    // Every key whose value differs is there.
    for (int key = 0; key < a->SymbolSlotCount(); ++key) {
        if (a->TakesValue(key) && a->GetSymValue(key) != b->GetSymValue(key)) {
            EXPECT_TRUE(std::any_of(diffs.begin(), diffs.end(), [&](const auto& d) { return d.key == key; })) << key;
        }
    }
}

TEST(SymbolDifferences, AGainThatOnlyChangedSignIsListedWithItsSignedTexts)
{
    auto a = CreateDeviceConfig("ZelA");
    const int key = ZelABlockKey(0, kZelAOffsetGain1);
    a->SetSignedGain(key, 4);
    auto b = CopyDeviceConfig(*a);
    b->SetSignedGain(key, -4);
    const auto diffs = SymbolDifferences(*a, *b);
    const auto it = std::find_if(diffs.begin(), diffs.end(), [&](const auto& d) { return d.key == key; });
    ASSERT_NE(it, diffs.end());
    EXPECT_EQ(it->beforeText, "4");
    EXPECT_EQ(it->afterText, "-4");
    EXPECT_EQ(it->name, FindSymbolInfo("ZelA", key)->fullName);
}

TEST(SymbolDifferences, ValueTextsReadOnOneLine)
{
    // A DAC writes its code and its output on two lines.
    auto b = CreateDeviceConfig("ZelB");
    for (const SymbolInfo& s : SymbolInfoTable("ZelB")) {
        if (s.dialogType != kDlgDacValue) continue;
        b->SetSymValue(s.key, 0x80);
        const std::string t = SymbolValueText(*b, s.key);
        EXPECT_EQ(t.rfind("Code:  80h, ", 0), 0u) << t;
        EXPECT_EQ(t.find('\r'), std::string::npos);
    }
    // A stored filter configuration has no text of its own: its number.
    auto d = CreateDeviceConfig("ZelD");
    d->SetSymValue(kKeyFilterConfigA, 12);
    EXPECT_EQ(SymbolValueText(*d, kKeyFilterConfigA), "12");
}

}  // namespace
}  // namespace kalidor::test
