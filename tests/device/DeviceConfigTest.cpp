#include <gtest/gtest.h>

#include <map>
#include <set>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ZelBConfig.h"
#include "device/ZelCConfig.h"
#include "device/ZelDConfig.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

// A fresh model with every cell copied from `source` through E2_SetValue.
std::unique_ptr<DeviceConfig> CopyThroughCells(DeviceConfig& source)
{
    auto copy = CreateDeviceConfig(source.TypeName());
    for (int p = 0; p < source.GetCellCount(); ++p)
        copy->E2_SetValue(p, source.E2_GetValue(p));
    return copy;
}

// The legal values a symbol can hold in its cells.
std::vector<int> LegalValues(const SymbolValue& r)
{
    std::vector<int> values;
    if (r.kind == kSymGainCode)
        return {1, 2, 5, 10};
    int top = r.maxValue;
    if (r.kind == kSymSingle)
        top = std::min(top, 1);
    else
        top = std::min(top, (1 << r.bitCount) - 1);
    for (int v = 0; v <= top; ++v)
        values.push_back(v);
    return values;
}

bool HasCells(const SymbolValue& r)
{
    return r.kind == kSymGainCode || (r.kind == kSymSingle && r.cell >= 0) ||
           ((r.kind == kSymMultiBit || r.kind == kSymInverted) && r.bitCount > 0);
}

}  // namespace

TEST(DeviceCatalogue, CellAndRegisterCountsMatchTheCatalogue)
{
    const std::map<std::string, std::map<int, int>> registers = {
        {"ZelA", {{0, 109}, {2, 52}, {3, 18}}},
        {"ZelB", {{0, 81}, {2, 8}, {3, 26}, {4, 50}}},
        {"ZelC", {{0, 72}, {2, 40}, {5, 16}, {10, 16}, {13, 26}}},
        {"ZelD", {{0, 96}, {2, 71}, {3, 13}, {4, 24}}},
        {"ZelE", {{0, 96}, {2, 71}, {3, 13}, {4, 24}}},
    };
    const std::map<std::string, std::vector<int>> sizes = {
        {"ZelA", {179, 84, 8}}, {"ZelB", {165, 70, 7}}, {"ZelC", {170, 84, 16}},
        {"ZelD", {204, 84, 21}}, {"ZelE", {204, 84, 21}}};
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->TypeName(), type);
        EXPECT_EQ(c->GetCellCount(), sizes.at(type)[0]);
        EXPECT_EQ(c->SymbolSlotCount(), sizes.at(type)[1]);
        EXPECT_EQ(c->GetUesCount(), sizes.at(type)[2]);
        std::map<int, int> counts;
        for (int p = 0; p < c->GetCellCount(); ++p)
            ++counts[c->GetCellReg(p)];
        EXPECT_EQ(counts, registers.at(type));
    }
    EXPECT_EQ(CreateDeviceConfig("zela"), nullptr);
    EXPECT_EQ(CreateDeviceConfig("ZelF"), nullptr);
}

// One wrong bit number corrupts a real chip: every register's cells must cover its bits
// 0 … n−1 exactly once.
TEST(DeviceCatalogue, EveryRegisterHoldsEachBitExactlyOnce)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        std::map<int, std::vector<int>> bits;
        for (int p = 0; p < c->GetCellCount(); ++p)
            bits[c->GetCellReg(p)].push_back(c->GetCellBit(p));
        for (auto& [reg, list] : bits) {
            SCOPED_TRACE("register " + std::to_string(reg));
            std::sort(list.begin(), list.end());
            for (int i = 0; i < static_cast<int>(list.size()); ++i)
                ASSERT_EQ(list[i], i);
        }
    }
}

TEST(DeviceCatalogue, EveryCellOfARecordNamesThatSymbolAsOwner)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        std::set<int> used;
        for (int key = 0; key < c->SymbolSlotCount(); ++key) {
            if (!c->HasRecord(key))
                continue;
            const SymbolValue& r = c->GetSymbolRecord(key);
            std::vector<int> cells;
            if (r.kind == kSymSingle && r.cell >= 0)
                cells.push_back(r.cell);
            for (int i = 0; i < r.bitCount; ++i)
                cells.push_back(r.cells[i]);
            for (int p : cells) {
                ASSERT_TRUE(c->ValidCell(p)) << "key " << key;
                EXPECT_EQ(c->Cells()[p].symKey, key) << "key " << key << " cell " << p;
                EXPECT_TRUE(used.insert(p).second) << "cell " << p << " in two records";
            }
        }
    }
}

TEST(DeviceCatalogue, CellNamesAreShortAndUnique)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        std::set<std::string> names;
        for (int p = 0; p < c->GetCellCount(); ++p) {
            const std::string n = c->GetCellName(p);
            EXPECT_FALSE(n.empty());
            EXPECT_LE(n.size(), 59u);
            // ZelC has two cells named DONTCARE_1; every other name is unique.
            if (n != "DONTCARE_1") {
                EXPECT_TRUE(names.insert(n).second) << n;
            }
        }
    }
}

TEST(SymbolValues, EveryLegalValueRoundTripsThroughTheCells)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        for (int key = 0; key < c->SymbolSlotCount(); ++key) {
            if (!c->HasRecord(key) || !HasCells(c->GetSymbolRecord(key)))
                continue;
            SCOPED_TRACE("key " + std::to_string(key));
            const std::vector<int> values = LegalValues(c->GetSymbolRecord(key));
            // Copying every cell is slower; take every value of small symbols and a spread of
            // the large ones, always with both ends.
            const size_t stride = values.size() > 300 ? values.size() / 97 : 1;
            for (size_t i = 0; i < values.size(); ++i) {
                const int v = values[i];
                c->SetSymValue(key, v);
                ASSERT_EQ(c->GetSymValue(key), v);
                if (i % stride == 0 || i + 1 == values.size()) {
                    auto copy = CopyThroughCells(*c);
                    ASSERT_EQ(copy->GetSymValue(key), v);
                }
            }
        }
    }
}

TEST(SymbolValues, ResetLeavesSymbolsAndCellsInAgreement)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        auto copy = CopyThroughCells(*c);
        for (int key = 0; key < c->SymbolSlotCount(); ++key) {
            const SymbolValue& r = c->GetSymbolRecord(key);
            EXPECT_EQ(r.value, r.defaultValue) << "key " << key;
            if (c->HasRecord(key) && HasCells(r)) {
                EXPECT_EQ(copy->GetSymValue(key), r.defaultValue) << "key " << key;
            }
        }
        // Reset after edits restores every cell.
        std::vector<int> before;
        for (int p = 0; p < c->GetCellCount(); ++p)
            before.push_back(c->E2_GetValue(p));
        for (int p = 0; p < c->GetCellCount(); ++p)
            c->E2_SetValue(p, 1 - before[p]);
        c->Reset();
        for (int p = 0; p < c->GetCellCount(); ++p)
            ASSERT_EQ(c->E2_GetValue(p), before[p]) << p;
    }
}

TEST(ZelA, ResetGivesPositivePolaritiesAndEmptySignature)
{
    auto c = CreateDeviceConfig("ZelA");
    const std::set<int> polarity = {18, 19, 44, 45, 70, 71, 96, 97};
    for (int p = 0; p < c->GetCellCount(); ++p)
        EXPECT_EQ(c->E2_GetValue(p), polarity.count(p) ? 1 : 0) << c->GetCellName(p);
    for (int p : polarity)
        EXPECT_EQ(c->GetCellName(p).rfind("pasInv_", 0), 0u);
    EXPECT_EQ(c->GetUesText(), "00000000");
    EXPECT_EQ(c->GetSwitch(0), 0);
    EXPECT_EQ(c->GetSwitch(1), 1);
}

TEST(ZelA, WritingOneGainCellDecodesTheGain)
{
    auto c = CreateDeviceConfig("ZelA");
    c->E2_SetValue(5, 1);  // gain_1_XT_b4
    EXPECT_EQ(c->GetSymValue(4), 4);
    EXPECT_EQ(GetGainValue(*c, 4), 5);
}

TEST(ZelA, UesBitsLiveInTheFeedbackCellsOfEachBlock)
{
    auto c = CreateDeviceConfig("ZelA");
    c->SetUesBit(7, 1);  // cell 79, zt_2_YB
    c->SetUesBit(0, 1);  // cell 0, zt_1_XT
    EXPECT_EQ(c->E2_GetValue(79), 1);
    EXPECT_EQ(c->GetSymValue(35), 1);
    EXPECT_EQ(c->GetSymValue(1), 1);
    EXPECT_EQ(c->GetUesText(), "10000001");
    EXPECT_EQ(c->GetUesBit(8), -1);
}

TEST(CapacitorTables, NearestValueSearch)
{
    for (const char* type : {"ZelA", "ZelB"}) {
        auto c = CreateDeviceConfig(type);
        EXPECT_EQ(c->GetNearestCapIndex(0, 0), 0);
        EXPECT_EQ(c->GetCapValueByCode(0, 0), 10700);
        EXPECT_EQ(c->GetNearestCapIndex(0, 2000000), 127);
        EXPECT_EQ(c->GetCapValueByCode(0, 127), 615865);
        // Sorted 18 is code 32 (123895), sorted 19 code 20 (123907): the midpoint takes the larger.
        EXPECT_EQ(c->GetNearestCapIndex(0, 123901), 20);
        EXPECT_EQ(c->GetNearestCapIndex(0, 123900), 32);
        EXPECT_EQ(c->GetNearestCapIndex(0, 31107), 1);
        EXPECT_EQ(c->GetCapCount(0), 128);
        EXPECT_EQ(c->GetCapValueBySorted(0, 128), -1);
        EXPECT_EQ(c->GetCapCodeBySorted(0, -1), -1);
        EXPECT_EQ(c->GetCapBitWeight(0, 6), 311960);
        EXPECT_EQ(c->GetCapBitWeight(0, 7), -1);
    }
}

TEST(CapacitorTables, ViewsAreInverseAndAscendingWithEqualValuesInCodeOrder)
{
    for (const char* type : kTypes) {
        auto c = CreateDeviceConfig(type);
        const bool zelD = std::string(type) >= "ZelD";
        std::vector<int> whiches = zelD ? std::vector<int>{0, 1, 2, 3, 4, 5, 6} : std::vector<int>{0};
        for (int which : whiches) {
            SCOPED_TRACE(std::string(type) + " table " + std::to_string(which));
            const int n = c->GetCapCount(which);
            ASSERT_GT(n, 0);
            for (int i = 0; i < n; ++i) {
                const int code = c->GetCapCodeBySorted(which, i);
                ASSERT_EQ(c->GetSortedIndexByCode(which, code), i);
                ASSERT_EQ(c->GetCapValueByCode(which, code), c->GetCapValueBySorted(which, i));
                if (i > 0) {
                    ASSERT_LE(c->GetCapValueBySorted(which, i - 1), c->GetCapValueBySorted(which, i));
                    // Codes of equal value keep their order: the lower code comes first.
                    if (c->GetCapValueBySorted(which, i - 1) == c->GetCapValueBySorted(which, i)) {
                        ASSERT_LT(c->GetCapCodeBySorted(which, i - 1), code);
                    }
                }
            }
        }
    }
}

TEST(ZelC, CapacitorTableAndFrequencies)
{
    ZelCConfig c;
    c.Reset();
    EXPECT_EQ(c.GetCapCount(0), 8);
    EXPECT_EQ(c.GetCapValueByCode(0, 7), 640100);
    EXPECT_DOUBLE_EQ(c.GetCapFrequency(0), 1568000);
    EXPECT_DOUBLE_EQ(c.GetCapFrequency(7), 49180);
    EXPECT_EQ(c.GetCapFrequency(8), -1);
    EXPECT_EQ(c.GetCapBitWeight(0, 2), 37896);
    EXPECT_EQ(c.GetCapBitWeight(0, 3), -1);
    std::string text;
    c.GetCapText(0, 1, 0, text);
    EXPECT_EQ(text, "4.32 pF");
    c.GetCapText(0, 1, 5, text);
    EXPECT_EQ(text, "4.3200e-12");
}

TEST(ZelD, ElementTablesAreBuiltFromTheirWeights)
{
    auto c = CreateDeviceConfig("ZelD");
    const int counts[7] = {4096, 2048, 512, 512, 4096, 256, 512};
    for (int e = 0; e < 7; ++e) {
        EXPECT_EQ(c->GetCapCount(e), counts[e]);
        EXPECT_EQ(c->GetCapCount(e + 12), counts[e]);
        EXPECT_EQ(c->GetNearestCapIndex(e, 0), 0);
        EXPECT_EQ(c->GetCapValueBySorted(e, 0), 0);
    }
    EXPECT_EQ(c->GetCapValueBySorted(0, 4095), 427320);
    EXPECT_EQ(c->GetCapValueByCode(0, 4095), 427320);
    EXPECT_EQ(c->GetCapValueByCode(2, 3), 1820 + 3430);  // L2: bits 0 and 1
    EXPECT_EQ(c->GetCapBitWeight(5, 7), 296120);
    EXPECT_EQ(c->GetCapBitWeight(5, 8), -1);
    std::string text;
    c->GetCapText(0, 4095, 0, text);
    EXPECT_EQ(text, "42.732 pF");
    // The search stops at the first entry at or above the target.
    const int code = c->GetNearestCapIndex(3, 100000);
    EXPECT_GE(c->GetCapValueByCode(3, code), 0);
    int best = 1 << 30;
    for (int i = 0; i < c->GetCapCount(3); ++i)
        best = std::min(best, std::abs(c->GetCapValueBySorted(3, i) - 100000));
    EXPECT_EQ(std::abs(c->GetCapValueByCode(3, code) - 100000), best);
}

TEST(ZelD, AKeyWithoutAnElementReportsAndUsesTableZero)
{
    RecordingPrompter prompter;
    ScopedPrompter scoped(prompter);
    auto c = CreateDeviceConfig("ZelD");
    EXPECT_EQ(c->GetCapCount(7), 4096);  // PMA has no element
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "m_SymbolValueArray::m_capNumber uninitialized");
    EXPECT_EQ(prompter.messages[0].caption, "Kalidor Internal Error");
    EXPECT_EQ(c->GetCapCount(90), 4096);  // keys of 84 and above: table 0 without a message
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST(ZelD, ResetStoresTheRecordDefaultsInTheCells)
{
    auto c = CreateDeviceConfig("ZelE");
    EXPECT_EQ(c->GetSymValue(7), 1);    // PMA
    EXPECT_EQ(c->GetSymValue(19), 1);   // PMB
    EXPECT_EQ(c->E2_GetValue(70), 1);   // PM1A
    EXPECT_EQ(c->E2_GetValue(166), 1);  // PM1B
    EXPECT_EQ(c->GetSymValue(11), 1);
    EXPECT_EQ(c->GetSymValue(64), -1);
    EXPECT_EQ(c->GetSymValue(65), -1);
    // Elements at code 0 are stored inverted: every element cell is 1.
    for (int p = 0; p < 70; ++p)
        EXPECT_EQ(c->E2_GetValue(p), 1) << p;
    for (int p = 96; p < 166; ++p)
        EXPECT_EQ(c->E2_GetValue(p), 1) << p;
    EXPECT_EQ(c->E2_GetValue(93), 0);
    EXPECT_EQ(c->GetUesText(), std::string(21, '0'));
}

TEST(ZelD, GainAndInvertedEncodings)
{
    auto c = CreateDeviceConfig("ZelD");
    c->SetSymValue(11, 5);
    EXPECT_EQ(c->E2_GetValue(94), 0);
    EXPECT_EQ(c->E2_GetValue(95), 1);
    c->E2_SetValue(94, 1);
    c->E2_SetValue(95, 1);
    EXPECT_EQ(c->GetSymValue(11), 10);
    c->SetSymValue(11, 7);  // not a gain: gain 1
    EXPECT_EQ(c->E2_GetValue(94) + c->E2_GetValue(95), 0);

    c->SetSymValue(0, 0);
    for (int p = 58; p <= 69; ++p)
        EXPECT_EQ(c->E2_GetValue(p), 1);
    c->SetSymValue(0, 4095);
    for (int p = 58; p <= 69; ++p)
        EXPECT_EQ(c->E2_GetValue(p), 0);
    c->E2_SetValue(58, 1);  // C1A_1 back to 1: bit 0 of the code clears
    EXPECT_EQ(c->GetSymValue(0), 4094);
}

TEST(ZelD, DirectEditsMarkOnlyTheirConfigurationAsEdited)
{
    auto c = CreateDeviceConfig("ZelD");
    c->SetSymValue(15, 33);  // C3 B
    EXPECT_EQ(c->GetSymValue(65), -2);
    EXPECT_EQ(c->GetSymValue(64), -1);
    c->SetSymValue(7, 0);  // PMA
    EXPECT_EQ(c->GetSymValue(64), -2);
    c->SetSymValue(64, 3);
    c->SetSymValue(10, 1);  // wakeup is shared by both configurations
    EXPECT_EQ(c->GetSymValue(64), 3);
}

TEST(ZelD, TheUesRecordNeverWritesTheC5Cell)
{
    auto c = CreateDeviceConfig("ZelD");
    c->SetSymValue(8, 0x5a5);
    EXPECT_EQ(c->E2_GetValue(0), 1);
    EXPECT_EQ(c->GetSymValue(6), 0);
    EXPECT_EQ(c->GetSymValue(8), 0x5a5);
}

TEST(SecurityAndUes, SecurityThroughPositionMinusOne)
{
    const std::map<std::string, int> cell = {{"ZelA", 104}, {"ZelB", 80}, {"ZelD", 92}, {"ZelE", 92}};
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        auto c = CreateDeviceConfig(type);
        EXPECT_EQ(c->E2_GetValue(-1), 0);
        c->E2_SetValue(-1, 1);
        EXPECT_EQ(c->E2_GetValue(-1), 1);
        EXPECT_EQ(c->GetSecurity(), 1);
        if (cell.count(type)) {
            EXPECT_EQ(c->E2_GetValue(cell.at(type)), 1);
        }
        c->Rebuild();
        EXPECT_EQ(c->GetSecurity(), 0);
    }
}

TEST(SecurityAndUes, UesBitPositions)
{
    auto b = CreateDeviceConfig("ZelB");
    b->E2_SetValue(0, 1);  // UES_XT1
    EXPECT_EQ(b->GetUesBit(3), 1);
    EXPECT_EQ(b->GetUesText(), "0001000");
    auto d = CreateDeviceConfig("ZelD");
    d->E2_SetValue(71, 1);  // UES1
    EXPECT_EQ(d->GetUesBit(0), 1);
    EXPECT_EQ(d->GetUesText(), std::string(20, '0') + "1");
    auto c = CreateDeviceConfig("ZelC");
    c->SetUesBit(15, 1);
    EXPECT_EQ(c->E2_GetValue(127), 1);
}

TEST(FuseNumbers, FollowEachFamilysRule)
{
    auto zelC = CreateDeviceConfig("ZelC");
    auto zelD = CreateDeviceConfig("ZelD");
    auto zelB = CreateDeviceConfig("ZelB");
    auto zelA = CreateDeviceConfig("ZelA");
    EXPECT_EQ(zelC->GetCellFuse(100), 100);
    EXPECT_EQ(zelD->GetCellBit(100), 4);
    EXPECT_EQ(zelD->GetCellFuse(100), 100);
    EXPECT_EQ(zelD->GetCellFuse(95), 95);
    EXPECT_EQ(zelB->GetCellFuse(80), 17);
    EXPECT_EQ(zelB->GetCellFuse(81), 81);  // dac_0, bit 0 of the DAC register
    EXPECT_EQ(zelA->GetCellFuse(0), 72);
    // ZelC pins that share nothing.
    EXPECT_EQ(zelC->GetCellBit(43), 43);
    EXPECT_EQ(zelC->GetCellBit(50), 50);
    EXPECT_EQ(zelC->GetCellReg(80), 2);
    EXPECT_EQ(zelC->GetCellBit(80), 8);
    EXPECT_EQ(zelC->GetCellBit(81), 9);
}

TEST(Coercion, OnlyWhileTheSwitchIsOn)
{
    auto c = CreateDeviceConfig("ZelA");
    c->SetSymValue(9, 6);
    c->SetSwitch(1, 0);
    EXPECT_EQ(c->CoerceSymbols(), 0);
    EXPECT_EQ(c->GetSymValue(9), 6);
    c->SetSwitch(1, 1);
    EXPECT_EQ(c->CoerceSymbols(), 1);
    EXPECT_EQ(c->GetSymValue(9), 0);
    EXPECT_EQ(c->E2_GetValue(21) + c->E2_GetValue(22), 0);
    // Negative values are not coerced; ZelC and ZelD never coerce.
    c->SetSymValue(4, -3);
    EXPECT_EQ(c->CoerceSymbols(), 0);
    auto d = CreateDeviceConfig("ZelD");
    d->SetSymValue(11, 99);
    EXPECT_EQ(d->CoerceSymbols(), 0);
}

TEST(Coercion, AnUploadedIllegalGainIsCoerced)
{
    auto c = CreateDeviceConfig("ZelB");
    for (int p = 3; p <= 6; ++p)  // gain_1_XT = 15
        c->E2_SetValue(p, 1);
    EXPECT_EQ(c->GetSymValue(4), 15);
    EXPECT_EQ(c->CoerceSymbols(), 1);
    EXPECT_EQ(c->GetSymValue(4), 0);
}

TEST(ToggleSymbol, FlipsBothSymbolsOnZelAAndZelBOnly)
{
    auto a = CreateDeviceConfig("ZelA");
    a->ToggleSymbol(3, 45, 105);
    EXPECT_EQ(a->GetSymValue(45), 1);
    EXPECT_EQ(a->E2_GetValue(105), 1);
    a->SetSymValue(3, 1);
    a->ToggleSymbol(3, 45, 105);
    EXPECT_EQ(a->GetSymValue(45), 0);
    auto d = CreateDeviceConfig("ZelD");
    d->ToggleSymbol(9, 10, 93);
    EXPECT_EQ(d->GetSymValue(10), 0);
}

TEST(Switches, OutOfRangeSwitchesReadZero)
{
    auto c = CreateDeviceConfig("ZelC");
    c->SetSwitch(0, 5);
    EXPECT_EQ(c->GetSwitch(0), 1);
    c->SetSwitch(2, 1);
    EXPECT_EQ(c->GetSwitch(2), 0);
    EXPECT_EQ(c->GetNodeCount(1), 0);
    EXPECT_EQ(c->GetNodeCount(2), 4);
    EXPECT_EQ(c->GetNodeCount(5), 0);
    EXPECT_EQ(c->ApplyOutputDisable(), 0);
    EXPECT_EQ(c->SetNodeInfo(1, 2, 3), 0);
}

TEST(OutOfRange, BadIndicesNeverCrash)
{
    for (const char* type : kTypes) {
        auto c = CreateDeviceConfig(type);
        EXPECT_EQ(c->E2_GetValue(c->GetCellCount()), -1);
        c->E2_SetValue(c->GetCellCount(), 1);
        c->E2_SetValue(-7, 1);
        EXPECT_EQ(c->GetSymValue(500), 0);
        c->SetSymValue(-3, 1);
        EXPECT_FALSE(c->GetSymbolRecord(999).defined);
        EXPECT_EQ(c->GetCellName(9999), "");
        EXPECT_EQ(c->GetGainByIndex(c->GetGainCount()), -1);
        EXPECT_EQ(c->GetUesBit(-1), -1);
    }
}
