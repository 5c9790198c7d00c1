#include "view/ColorTable.h"

#include <gtest/gtest.h>

#include "platform/Prompter.h"

namespace kalidor {
namespace {

TEST(ColorTable, InitialEntriesAndPacking) {
    CColorTable t;
    EXPECT_EQ(t.GetEntry(20), CColorTable::Rgb(0, 0, 255));
    EXPECT_EQ(t.GetEntry(37), CColorTable::Rgb(128, 128, 128));
    EXPECT_EQ(t.GetEntry(15), CColorTable::Rgb(192, 192, 192));
    EXPECT_EQ(t.GetEntry(43), CColorTable::Rgb(255, 255, 0));
    EXPECT_EQ(t.GetEntry(51), CColorTable::Rgb(255, 0, 0));
    EXPECT_EQ(t.GetEntry(49), 32000u);
    EXPECT_EQ(t.GetEntry(50), 32000u);
    EXPECT_EQ(t.GetScheme(), 1000);
    // red + 256 green + 65536 blue
    EXPECT_EQ(CColorTable::Rgb(1, 2, 3), 1u + 256u * 2u + 65536u * 3u);
    EXPECT_EQ(CColorTable::Blue(t.GetEntry(20)), 255);
    EXPECT_EQ(CColorTable::Red(t.GetEntry(20)), 0);
}

TEST(ColorTable, SchemeLookups) {
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CColorTable t;
    EXPECT_EQ(t.GetColor(44), t.GetEntry(44));

    t.SetScheme(CColorTable::kSchemeLight);
    EXPECT_EQ(t.GetColor(36), t.GetEntry(1));
    EXPECT_EQ(t.GetColor(37), t.GetEntry(1));
    EXPECT_EQ(t.GetColor(39), t.GetEntry(0));
    EXPECT_EQ(t.GetColor(41), t.GetEntry(0));
    EXPECT_EQ(t.GetColor(38), t.GetEntry(38));

    t.SetScheme(CColorTable::kSchemeBlackOnWhite);
    EXPECT_EQ(t.GetColor(44), t.GetEntry(0));
    EXPECT_EQ(t.GetColor(42), t.GetEntry(1));
    EXPECT_EQ(t.GetColor(0), t.GetEntry(1));
    EXPECT_EQ(t.GetColor(14), t.GetEntry(15));
    EXPECT_EQ(t.GetColor(49), t.GetEntry(15));
    EXPECT_EQ(t.GetColor(20), t.GetEntry(0));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(ColorTable, UnknownSchemeAndBadIndexReport) {
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CColorTable t;
    t.SetScheme(999);
    EXPECT_EQ(t.GetColor(5), t.GetEntry(5));
    ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"Color Scheme is not defined in color table."});

    prompter.Clear();
    const auto before = t.GetEntry(52);
    EXPECT_EQ(t.SetColor(53, 7), 0);
    EXPECT_EQ(t.SetColor(-1, 7), 0);
    EXPECT_EQ(t.GetEntry(52), before);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Color index is out of range.", "Color index is out of range."}));

    EXPECT_EQ(t.SetColor(52, 1002), 1);
    EXPECT_EQ(t.GetScheme(), 1002);
    EXPECT_EQ(t.SetColor(0, CColorTable::Rgb(9, 9, 9)), 1);
    EXPECT_EQ(t.GetEntry(0), CColorTable::Rgb(9, 9, 9));
}

}  // namespace
}  // namespace kalidor
