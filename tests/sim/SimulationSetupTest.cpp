#include <gtest/gtest.h>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "sim/SimulationSetup.h"

using namespace kalidor;

namespace {

const char kDefaultCurve[] =
    "<InputNode>1</InputNode>\r\n<OutputNode>1</OutputNode>\r\n<ConfigAB>0</ConfigAB>\r\n"
    "<StartFrequency>10</StartFrequency>\r\n<StopFrequency>10000000</StopFrequency>\r\n"
    "<PointsPerDecade>500</PointsPerDecade>\r\n</Curve>\r\n";

// Reads `text` as a design file would: the caller finds <SimulationSetup> and hands over.
int ReadSetup(CSimulationSetup& setup, const std::string& text)
{
    CXmlParser parser;
    parser.AddElement("<SimulationSetup>", 1);
    parser.AddElement("</SimulationSetup>", 2);
    parser.SetText(text);
    for (;;) {
        CXmlElement* e = parser.NextElement();
        if (e && e->GetCode() == 1)
            return setup.ReadXml(parser);
        if (parser.GetLastResult() == kXmlEof)
            return -1;
        if (!e)
            parser.SkipElement();
    }
}

}  // namespace

TEST(SimulationSetup, DefaultsAndNodeCounts)
{
    auto dev = CreateDeviceConfig("ZelA");
    CSimulationSetup s(*dev);
    EXPECT_EQ(s.GetInputNodeCount(), 4);
    EXPECT_EQ(s.GetOutputNodeCount(), 4);
    EXPECT_EQ(s.GetConfigurationCount(), 0);
    auto d = CreateDeviceConfig("ZelD");
    CSimulationSetup sd(*d);
    EXPECT_EQ(sd.GetInputNodeCount(), 1);
    EXPECT_EQ(sd.GetOutputNodeCount(), 1);
    EXPECT_EQ(sd.GetConfigurationCount(), 2);
    for (int i = 0; i < 4; ++i) {
        const CurveSetting& c = s.Curve(i);
        EXPECT_EQ(c.valid, 0);
        EXPECT_EQ(c.inputNode, 1);
        EXPECT_EQ(c.outputNode, 1);
        EXPECT_EQ(FrequencySettingText(c.startFrequency), "10");
        EXPECT_EQ(FrequencySettingText(c.stopFrequency), "10M");
        EXPECT_EQ(c.pointsPerDecade, 500);
    }
    EXPECT_EQ(s.GetActiveCurve(), 0);
    EXPECT_EQ(s.GetAutoRun(), 0);
    EXPECT_EQ(s.GetSimulatorOption(), 0);
}

TEST(SimulationSetup, CurveIndicesAreKeptInRange)
{
    CSimulationSetup s;
    s.SetActiveCurve(9);
    EXPECT_EQ(s.GetActiveCurve(), 3);
    s.SetActiveCurve(-2);
    EXPECT_EQ(s.GetActiveCurve(), 0);
    s.Curve(17).pointsPerDecade = 3;  // the nearest curve: 3
    EXPECT_EQ(s.Curve(3).pointsPerDecade, 3);
}

TEST(SimulationSetup, AutomationNodeRule)
{
    CSimulationSetup s;
    s.SetActiveCurve(2);
    s.SetActiveInputNode(3);
    EXPECT_EQ(s.Curve(2).inputNode, 3);
    s.SetActiveInputNode(0);
    s.SetActiveInputNode(5);
    s.SetActiveInputNode(400);
    EXPECT_EQ(s.Curve(2).inputNode, 3);
    s.SetActiveInputNode(-2);  // negative nodes are stored
    EXPECT_EQ(s.Curve(2).inputNode, -2);
    s.SetActiveOutputNode(4);
    s.SetActiveOutputNode(5);
    EXPECT_EQ(s.Curve(2).outputNode, 4);
    EXPECT_EQ(s.Curve(0).inputNode, 1);
}

TEST(SimulationSetupXml, WritesTheElementLineByLine)
{
    CSimulationSetup s;
    s.Curve(2).inputNode = 3;
    s.Curve(2).outputNode = 2;
    s.Curve(2).configAB = 1;
    s.Curve(2).startFrequency = 20000;
    s.Curve(2).stopFrequency = 5000000;
    s.Curve(2).pointsPerDecade = 45;
    s.Curve(2).valid = 1;  // not stored
    std::string want = "\r\n<SimulationSetup>\r\n";
    for (int i = 0; i < 4; ++i) {
        want += "<Curve>\r\n<CurveNum>" + std::to_string(i) + "</CurveNum>\r\n";
        if (i == 2)
            want += "<InputNode>3</InputNode>\r\n<OutputNode>2</OutputNode>\r\n<ConfigAB>1</ConfigAB>\r\n"
                    "<StartFrequency>20000</StartFrequency>\r\n<StopFrequency>5000000</StopFrequency>\r\n"
                    "<PointsPerDecade>45</PointsPerDecade>\r\n</Curve>\r\n";
        else
            want += kDefaultCurve;
    }
    want += "</SimulationSetup>\r\n";
    EXPECT_EQ(s.WriteXml(), want);
}

TEST(SimulationSetupXml, RoundTripRestoresEveryCurveButNoData)
{
    CSimulationSetup a;
    for (int i = 0; i < 4; ++i) {
        CurveSetting& c = a.Curve(i);
        c.inputNode = i + 1;
        c.outputNode = 4 - i;
        c.configAB = i % 2;
        c.startFrequency = 1 + i * 100;
        c.stopFrequency = 1000000 * (i + 1);
        c.pointsPerDecade = 10 * (i + 1);
        c.valid = 1;
    }
    CSimulationSetup b;
    ASSERT_EQ(ReadSetup(b, a.WriteXml() + "\r\n<Next>1</Next>\r\n"), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.Curve(i).inputNode, i + 1);
        EXPECT_EQ(b.Curve(i).outputNode, 4 - i);
        EXPECT_EQ(b.Curve(i).configAB, i % 2);
        EXPECT_EQ(b.Curve(i).startFrequency, 1 + i * 100);
        EXPECT_EQ(b.Curve(i).stopFrequency, 1000000 * (i + 1));
        EXPECT_EQ(b.Curve(i).pointsPerDecade, 10 * (i + 1));
        EXPECT_EQ(b.Curve(i).valid, 0);
    }
    EXPECT_EQ(b.WriteXml(), a.WriteXml());
}

TEST(SimulationSetupXml, ChildrenInAnyOrderAfterCurveNum)
{
    CSimulationSetup s;
    const std::string text =
        "<SimulationSetup>\r\n<Curve><CurveNum>3</CurveNum><PointsPerDecade>25</PointsPerDecade>"
        "<Colour>red</Colour><ConfigAB>1</ConfigAB><InputNode>2</InputNode></Curve>\r\n"
        "<Legend><Curve><CurveNum>1</CurveNum></Curve></Legend>\r\n"
        "</SimulationSetup>";
    EXPECT_EQ(ReadSetup(s, text), 1);
    EXPECT_EQ(s.Curve(3).pointsPerDecade, 25);
    EXPECT_EQ(s.Curve(3).configAB, 1);
    EXPECT_EQ(s.Curve(3).inputNode, 2);
    EXPECT_EQ(s.Curve(3).outputNode, 1);
    EXPECT_EQ(s.Curve(1).pointsPerDecade, 500);  // inside an unknown element: skipped whole
}

TEST(SimulationSetupXml, ChildrenBeforeCurveNumAndCurvesOutOfRangeAreIgnored)
{
    CSimulationSetup s;
    const std::string text =
        "<SimulationSetup>"
        "<Curve><InputNode>4</InputNode><CurveNum>0</CurveNum><OutputNode>3</OutputNode></Curve>"
        "<Curve><CurveNum>4</CurveNum><InputNode>2</InputNode></Curve>"
        "<Curve><CurveNum>-1</CurveNum><InputNode>2</InputNode></Curve>"
        "<Curve><OutputNode>2</OutputNode></Curve>"
        "</SimulationSetup>";
    EXPECT_EQ(ReadSetup(s, text), 1);
    EXPECT_EQ(s.Curve(0).inputNode, 1);
    EXPECT_EQ(s.Curve(0).outputNode, 3);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(s.Curve(i).inputNode, 1) << i;
        EXPECT_EQ(s.Curve(i).outputNode, 1) << i;
    }
}

TEST(SimulationSetupXml, TruncatedOrGarbledTextEnds)
{
    const std::string full = CSimulationSetup().WriteXml();
    for (std::size_t cut = 0; cut < full.size(); cut += 7) {
        CSimulationSetup s;
        ReadSetup(s, full.substr(0, cut));
    }
    CSimulationSetup s;
    ReadSetup(s, "<SimulationSetup><Curve><CurveNum>2<<</CurveNum><InputNode>>3</InputNode>"
                 "<Curve><Curve></SimulationSetup>");
    SUCCEED();
}

TEST(SimulationSetupText, ExportBlock)
{
    CSimulationSetup s;
    s.Curve(1).inputNode = 2;
    s.Curve(1).startFrequency = 1500;
    s.Curve(1).pointsPerDecade = 45;
    const std::string text = s.WriteTextBlock();
    EXPECT_EQ(text.substr(0, 24), "\r\nBeginSimulationSetup\r\n");
    EXPECT_EQ(text.substr(text.size() - 20), "EndSimulationSetup\r\n");
    EXPECT_NE(text.find("Curve_1_Input_Node         Vin_1\r\n"
                        "Curve_1_Output_Node        Vout_1\r\n"
                        "Curve_1_Start_Frequency    10\r\n"
                        "Curve_1_End_Frequency      10M\r\n"
                        "Curve_1_Points_Per_Decade  500\r\n"
                        "Curve_2_Input_Node         Vin_2\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Curve_2_Start_Frequency    1K\r\n"), std::string::npos);
    EXPECT_NE(text.find("Curve_2_Points_Per_Decade  45\r\n"), std::string::npos);
    EXPECT_NE(text.find("Curve_4_Points_Per_Decade  500\r\nEndSimulationSetup\r\n"), std::string::npos);
}

TEST(FrequencyText, ShortForm)
{
    const std::pair<int, const char*> cases[] = {
        {1, "1"},       {2, "2"},          {10, "10"},        {999, "999"},     {1000, "1K"},
        {1500, "1K"},   {5000, "5K"},      {20000, "20K"},    {100000, "100K"}, {999999, "999K"},
        {1000000, "1M"}, {10000000, "10M"}, {500000000, "500M"}, {1000000000, "1G"},
        {2000000000, "2G"}, {0, "0"},       {-5, "-5"},
    };
    for (const auto& [hz, text] : cases)
        EXPECT_EQ(FrequencySettingText(hz), text) << hz;
    // Pressing OK on an unedited page stores what the page shows.
    int hz = 0;
    ASSERT_TRUE(ParseFrequencyText(FrequencySettingText(1500), &hz));
    EXPECT_EQ(hz, 1000);
}

TEST(FrequencyText, Parse)
{
    const std::pair<const char*, int> good[] = {
        {"5K", 5000},      {"20k", 20000},    {"20 k", 20},        {"100 kHz", 100},  {"10M", 10000000},
        {"10m", 10000000}, {"1G", 1000000000}, {"2g", 2000000000}, {"750", 750},      {"50Hz", 50},
        {"50h", 50},       {"5KHz", 5000},    {"007", 7},          {"2147483647", 2147483647},
    };
    for (const auto& [text, want] : good) {
        int hz = -1;
        EXPECT_TRUE(ParseFrequencyText(text, &hz)) << text;
        EXPECT_EQ(hz, want) << text;
    }
    const char* bad[] = {"", " 5K", "0", "0K", "K", "2.5K", "1e3", "-5", "5x", "3G", "2147483648",
                         "99999999999", "k20"};
    for (const char* text : bad) {
        int hz = 1234;
        EXPECT_FALSE(ParseFrequencyText(text, &hz)) << text;
        EXPECT_EQ(hz, 1234) << text;
    }
    EXPECT_STREQ(kFrequencyEntryIncorrect, "Frequency Entry Incorrect");
}
