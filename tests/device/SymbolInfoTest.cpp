#include <gtest/gtest.h>

#include <set>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ZelBConfig.h"
#include "platform/Prompter.h"

using namespace kalidor;

TEST(SignedGains, ZelAGainWithPolarity)
{
    auto c = CreateDeviceConfig("ZelA");
    SetGainValue(*c, 4, -3);
    EXPECT_EQ(c->GetSymValue(4), 2);
    EXPECT_EQ(c->GetSymValue(7), 0);
    EXPECT_EQ(c->E2_GetValue(18), 0);
    EXPECT_EQ(GetGainValue(*c, 4), -3);
    SetGainValue(*c, 38, 10);
    EXPECT_EQ(c->GetSymValue(38), 9);
    EXPECT_EQ(c->GetSymValue(41), 1);
    EXPECT_EQ(GetValueTexts(*c, 4).value, "-3");
}

TEST(SignedGains, AutomationClampsBeforeStoring)
{
    auto c = CreateDeviceConfig("ZelA");
    SetGainValue(*c, 4, ClampGain(0));
    EXPECT_EQ(c->GetSymValue(4), 0);
    EXPECT_EQ(c->GetSymValue(7), 1);
    SetGainValue(*c, 4, ClampGain(25));
    EXPECT_EQ(GetGainValue(*c, 4), 10);
    SetGainValue(*c, 4, ClampGain(-99));
    EXPECT_EQ(GetGainValue(*c, 4), -10);
}

TEST(SignedGains, ZelBIa4IsAlwaysNegative)
{
    RecordingPrompter prompter;
    ScopedPrompter scoped(prompter);
    auto c = CreateDeviceConfig("ZelB");
    SetGainValue(*c, 17, 4);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Error: Invalid OLE Automation parameter:\nAttempt to set IA4 gain positive.\n"
              "It has been coerced to be negative.");
    EXPECT_EQ(prompter.messages[0].caption, "Kalidor ZELB DLL");
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(GetGainValue(*c, 17), -4);
    SetGainValue(*c, 17, -7);
    EXPECT_EQ(GetGainValue(*c, 17), -7);
    EXPECT_EQ(prompter.messages.size(), 1u);
    for (int v = 0; v <= 15; ++v) {
        c->SetSymValue(17, v);
        EXPECT_LT(GetGainValue(*c, 17), 0);
    }
    // IA4 has no polarity symbol: 19 belongs to IA3.
    EXPECT_EQ(c->GetSymValue(19), 1);
}

TEST(SignedGains, ZelCAndZelDGains)
{
    auto c = CreateDeviceConfig("ZelC");
    SetGainValue(*c, 7, -2);
    EXPECT_EQ(c->GetSymValue(32), 0);
    EXPECT_EQ(GetGainValue(*c, 7), -2);
    auto d = CreateDeviceConfig("ZelE");
    SetGainValue(*d, 11, 5);
    EXPECT_EQ(GetGainValue(*d, 11), 5);
    EXPECT_EQ(GetValueTexts(*d, 11).value, "5");
}

TEST(ScaledCapacitors, NearestSettingIsStored)
{
    auto c = CreateDeviceConfig("ZelA");
    const double farads = 3.1107e-12;
    SetScaledCapValue(*c, 6, static_cast<int>(farads * 1e12 * 1e4));
    EXPECT_EQ(c->GetSymValue(6), 1);
    EXPECT_EQ(GetScaledCapValue(*c, 6), 31107);
    EXPECT_EQ(GetValueTexts(*c, 6).value, "3.11 pF");
    auto d = CreateDeviceConfig("ZelD");
    SetScaledCapValue(*d, 18, 100000);  // C5 B uses its own element table
    int best = 1 << 30;
    for (int i = 0; i < d->GetCapCount(6); ++i)
        best = std::min(best, std::abs(d->GetCapValueBySorted(6, i) - 100000));
    EXPECT_EQ(std::abs(d->GetCapValueByCode(18, d->GetSymValue(18)) - 100000), best);
    EXPECT_EQ(d->GetSymValue(65), -2);
    EXPECT_NEAR(d->GetCapFarads(18) * 1e16, d->GetCapValueByCode(6, d->GetSymValue(18)), 1e-6);
}

TEST(ValueTexts, ZelBPicofaradsRoundHalfUp)
{
    EXPECT_EQ(ZelBConfig::PicofaradText(30950), "3.10 pF");
    EXPECT_EQ(ZelBConfig::PicofaradText(99950), "10.00 pF");
    EXPECT_EQ(ZelBConfig::PicofaradText(99949), "9.99 pF");
    EXPECT_EQ(ZelBConfig::PicofaradText(10700), "1.07 pF");
    auto c = CreateDeviceConfig("ZelB");
    EXPECT_EQ(GetValueTexts(*c, 6).value, "1.07 pF");
}

TEST(ValueTexts, ZelBModesAndDac)
{
    auto c = CreateDeviceConfig("ZelB");
    EXPECT_EQ(GetValueTexts(*c, 39).value, "Code:  80h\r\n0.0000V");
    c->SetSymValue(39, 255);
    EXPECT_EQ(GetValueTexts(*c, 39).value, "Code:  FFh\r\n2.9766V");
    EXPECT_EQ(GetValueTexts(*c, 20).value, "Polarity Control: PC pin");
    c->SetSymValue(20, 3);
    EXPECT_EQ(GetValueTexts(*c, 20).value, "Polarity Control: CP1OUT");
    c->SetSymValue(20, 7);
    EXPECT_EQ(GetValueTexts(*c, 20).value, "");
    EXPECT_EQ(GetValueTexts(*c, 31).value, "Hyst=on");
    EXPECT_EQ(GetValueTexts(*c, 32).value, "Direct");
    EXPECT_EQ(GetValueTexts(*c, 33).value, "XOR");
    EXPECT_EQ(GetValueTexts(*c, 34).value, "Digital outputs=enabled");
    EXPECT_EQ(GetValueTexts(*c, 35).value, "E2Cells/Parallel inputs");
    EXPECT_EQ(GetValueTexts(*c, 36).value, "Always active");
    EXPECT_EQ(GetValueTexts(*c, 24).value, "SRE=on");
    EXPECT_EQ(GetValueTexts(*c, 56).value, "MSEL = 0 (A)");
    EXPECT_EQ(GetValueTexts(*c, 57).value, "PC = 0");
    EXPECT_EQ(GetValueTexts(*c, 27).value, "NONE");  // default 5 of the first comparator input
    EXPECT_EQ(GetValueTexts(*c, 28).value, "NONE");
    c->SetSymValue(22, 5);
    EXPECT_EQ(GetValueTexts(*c, 22).value, "3V");
    c->SetSymValue(9, 6);
    EXPECT_EQ(GetValueTexts(*c, 9).value, "DAC Output");
    EXPECT_EQ(GetValueTexts(*c, 3).value, "CLOSED");
    EXPECT_EQ(GetValueTexts(*c, 3).shortText, "");
    EXPECT_EQ(GetValueTexts(*c, 37).value, "0000000");
}

TEST(ValueTexts, ZelAShortTexts)
{
    auto c = CreateDeviceConfig("ZelA");
    EXPECT_EQ(GetValueTexts(*c, 3).value, "CLOSED");
    EXPECT_EQ(GetValueTexts(*c, 3).shortText, "1");
    c->SetSymValue(3, 1);
    EXPECT_EQ(GetValueTexts(*c, 3).shortText, "0");
    EXPECT_EQ(GetValueTexts(*c, 45).value, "  2.5V");
    EXPECT_EQ(GetValueTexts(*c, 45).shortText, "VREF");
    c->SetSymValue(9, 5);
    EXPECT_EQ(GetValueTexts(*c, 9).value, "OUT 4");
    c->SetSymValue(31, 5);
    EXPECT_EQ(GetValueTexts(*c, 31).value, "OUT 2");
    EXPECT_EQ(GetValueTexts(*c, 31).shortText, "OUT2");
    c->SetSymValue(42, 1);
    EXPECT_EQ(GetValueTexts(*c, 42).shortText, "IN3");
    EXPECT_EQ(GetValueTexts(*c, 53).value, "00000000");
    EXPECT_EQ(GetValueTexts(*c, 72).value, "");  // a label only
}

TEST(ValueTexts, ZelCReferencesAndMdac)
{
    auto c = CreateDeviceConfig("ZelC");
    EXPECT_EQ(GetValueTexts(*c, 8).value, "Code:  00h\r\n-100.00%");
    c->SetSymValue(8, 128);
    EXPECT_EQ(GetValueTexts(*c, 8).value, "Code:  80h\r\n0.00%");
    c->SetSymValue(18, 7);  // DAC1 input REF
    c->SetSymValue(26, 6);  // 2.5 V
    EXPECT_EQ(GetValueTexts(*c, 8).value, "Code:  80h\r\n0.00mV");
    c->SetSymValue(8, 0);
    EXPECT_EQ(GetValueTexts(*c, 8).value, "Code:  00h\r\n-2500.00mV");
    EXPECT_EQ(GetValueTexts(*c, 26).value, "  2.5V");
    EXPECT_EQ(GetValueTexts(*c, 27).value, "  64mV");
    EXPECT_EQ(GetValueTexts(*c, 18).value, "REF");
    EXPECT_EQ(GetValueTexts(*c, 0).value, "OA1");
    c->SetSymValue(0, 1);
    EXPECT_EQ(GetValueTexts(*c, 0).value, "CP1");
    c->SetSymValue(35, 1);
    EXPECT_EQ(GetValueTexts(*c, 0).value, "Powered Down");
    EXPECT_EQ(GetValueTexts(*c, 37).value, "0V");
    EXPECT_EQ(GetValueTexts(*c, 20).value, "OA 1");
    c->SetSymValue(33, 1);
    EXPECT_EQ(GetValueTexts(*c, 33).value, "MSEL1 = 1 (b)");
    EXPECT_EQ(c->E2_GetValue(85), 0);  // the pin is simulation-only
    c->E2_SetValue(4, 1);              // CSBpinPU
    EXPECT_NE(GetValueTexts(*c, 28).value.find("CSB: Pull Up"), std::string::npos);
}

TEST(ValueTexts, ZelDFilterSymbols)
{
    auto c = CreateDeviceConfig("ZelE");
    EXPECT_EQ(GetValueTexts(*c, 0).value, "0.000 pF");
    EXPECT_EQ(GetValueTexts(*c, 10).value, "Wakeup = Cfg A");
    EXPECT_EQ(GetValueTexts(*c, 10).shortText, "CfgA");
    EXPECT_EQ(GetValueTexts(*c, 7).value, "30kHz and below");
    c->SetSymValue(19, 0);
    EXPECT_EQ(GetValueTexts(*c, 19).value, "Above 30kHz");
    EXPECT_EQ(FindSymbolInfo("ZelE", 22)->label, "ZelE");
    EXPECT_EQ(FindSymbolInfo("ZelD", 22)->label, "ZelD");
}

TEST(SymbolTable, EveryEditableSymbolHasARecordOrIsASimulationPin)
{
    const std::set<std::pair<std::string, int>> pinsOnly = {{"ZelC", 33}, {"ZelC", 34}, {"ZelA", 53},
        {"ZelB", 37}, {"ZelC", 43}, {"ZelC", 51}, {"ZelC", 53}};
    for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
        auto c = CreateDeviceConfig(type);
        int previous = -1;
        for (const SymbolInfo& s : SymbolInfoTable(type)) {
            EXPECT_GT(s.key, previous);
            previous = s.key;
            ASSERT_LT(s.key, c->SymbolSlotCount());
            if (s.dialogType != 0 && !pinsOnly.count({type, s.key})) {
                EXPECT_TRUE(c->HasRecord(s.key)) << type << " key " << s.key;
            }
        }
    }
}
