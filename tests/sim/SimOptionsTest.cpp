#include <gtest/gtest.h>

#include "device/DeviceConfig.h"
#include "platform/Prompter.h"
#include "sim/SimOptions.h"

using namespace kalidor;

TEST(SimOptions, NewDesignPagesAndLists)
{
    auto dev = CreateDeviceConfig("ZelA");
    CSimulationSetup setup(*dev);
    for (int c = 0; c < 4; ++c) {
        const CurvePageValues v = CurvePageInitial(setup, c);
        EXPECT_EQ(v.start, "10");
        EXPECT_EQ(v.stop, "10M");
        EXPECT_EQ(v.points, "500");
        EXPECT_EQ(v.input, "Vin 1");
        EXPECT_EQ(v.output, "Vout 1");
    }
    EXPECT_EQ(InputNodeItems(setup.GetInputNodeCount()),
              (std::vector<std::string>{"Vin 1", "Vin 2", "Vin 3", "Vin 4"}));
    EXPECT_EQ(OutputNodeItems(4).back(), "Vout 4");
    EXPECT_TRUE(ConfigurationItems(0).empty());
    EXPECT_EQ(ConfigurationItems(2), (std::vector<std::string>{"Cfg A", "Cfg B"}));
    EXPECT_EQ(FrequencyPickList().size(), 22u);
    EXPECT_EQ(FrequencyPickList()[9], "1K");
    EXPECT_EQ(PointsPickList().back(), "500");
    EXPECT_EQ(SimSheetStartPage(0), 0);
    EXPECT_EQ(SimSheetStartPage(3), 3);
    EXPECT_EQ(SimSheetStartPage(7), 0);
    EXPECT_STREQ(kSimPageTabs[0], "Curve1");
    EXPECT_STREQ(kSimPageTabs[1], "Curve 2");
}

TEST(SimOptions, PageOkStoresInOrderAndStopsAtABadFrequency)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CSimulationSetup setup;
    setup.SetNodeCounts(4, 4, 2);

    CurvePageValues v{"20k", "20 k", "100", "Vin 3", "Vout 2", 1};
    EXPECT_TRUE(ApplyCurvePage(setup, 1, v));
    EXPECT_EQ(setup.Curve(1).startFrequency, 20000);
    EXPECT_EQ(setup.Curve(1).stopFrequency, 20);
    EXPECT_EQ(setup.Curve(1).pointsPerDecade, 100);
    EXPECT_EQ(setup.Curve(1).inputNode, 3);
    EXPECT_EQ(setup.Curve(1).outputNode, 2);
    EXPECT_EQ(setup.Curve(1).configAB, 1);
    EXPECT_TRUE(prompter.Texts().empty());

    // A bad stop frequency: points and start are stored, the rest is not.
    CurvePageValues bad{"5K", "0", "25", "Vin 4", "Vout 4", 0};
    EXPECT_FALSE(ApplyCurvePage(setup, 1, bad));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Frequency Entry Incorrect"});
    EXPECT_EQ(setup.Curve(1).pointsPerDecade, 25);
    EXPECT_EQ(setup.Curve(1).startFrequency, 5000);
    EXPECT_EQ(setup.Curve(1).stopFrequency, 20);
    EXPECT_EQ(setup.Curve(1).inputNode, 3);
    EXPECT_EQ(setup.Curve(1).configAB, 1);

    // A start preceded by a space fails before anything after the points.
    bad.start = " 5K";
    bad.points = "40";
    EXPECT_FALSE(ApplyCurvePage(setup, 1, bad));
    EXPECT_EQ(setup.Curve(1).pointsPerDecade, 40);
    EXPECT_EQ(setup.Curve(1).startFrequency, 5000);
    for (const char* t : {"2.5K", "1e3", ""}) {
        bad.start = t;
        EXPECT_FALSE(ApplyCurvePage(setup, 1, bad)) << t;
    }
}

TEST(SimOptions, ShortFormRoundsDownWhenOkIsPressedUnchanged)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CSimulationSetup setup;
    setup.Curve(2).startFrequency = 1500;
    const CurvePageValues v = CurvePageInitial(setup, 2);
    EXPECT_EQ(v.start, "1K");
    EXPECT_EQ(v.configuration, -1);  // no configurations: the box is empty
    ASSERT_TRUE(ApplyCurvePage(setup, 2, v));
    EXPECT_EQ(setup.Curve(2).startFrequency, 1000);
    EXPECT_EQ(setup.Curve(2).configAB, 0);

    // Short node texts and overflowing numbers read safely.
    EXPECT_EQ(LeadingDecimal("99999999999"), 2147483647);
    EXPECT_EQ(LeadingDecimal("-7x"), -7);
    EXPECT_EQ(LeadingDecimal("abc"), 0);
    CurvePageValues shortTexts{"10", "100", "10", "Vin", "", 0};
    ASSERT_TRUE(ApplyCurvePage(setup, 2, shortTexts));
    EXPECT_EQ(setup.Curve(2).inputNode, 0);
    EXPECT_EQ(setup.Curve(2).outputNode, 0);
}
