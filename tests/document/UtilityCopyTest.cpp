// The design utilities' copies, tried as a user would: the shipped gain tables give gain 37 from
// IN1 to OUT2 of ZelA and ZelB (two blocks, after the question), the copy simulates as 31.4 dB at
// low frequencies; a shipped 4th-order Butterworth ladder near 20 kHz copies into a ZelA design
// and simulates maximally flat with -3 dB at the row's frequency. Each copy is one undoable step.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "document/DesignUtilities.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/Simulator.h"
#include "utilities/FilterTable.h"
#include "utilities/GainTable.h"
#include "utilities/LadderTable.h"

using namespace kalidor;

namespace {

const std::string kSupport = std::string(KALIDOR_SOURCE_DIR) + "/support/SupportFiles/";

double GainDb(CSchDoc& doc, int input, int output, double hz)
{
    CSimulator& sim = *doc.Simulator();
    sim.Configure(0);
    sim.SelectInput(input);
    sim.Evaluate(hz);
    double dB = -999;
    sim.GetGainDb(output, &dB);
    return dB;
}

class UtilityCopyTest : public ::testing::TestWithParam<const char*> {
protected:
    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

}  // namespace

TEST_P(UtilityCopyTest, Gain37FromIn1ToOut2)
{
    const std::string type = GetParam();
    CGainTable table;
    std::string error;
    ASSERT_TRUE(table.Load(kSupport + CGainTable::FileName(type), type, &error)) << error;
    CGainQuery q{37, 1, 2, false, 0};
    prompter_.Script(Answer::Ok);
    const CGainSearchResult r = SearchGain(table, q);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text, kMsgTwoBlocksQuestion);
    ASSERT_FALSE(r.rows.empty());
    EXPECT_TRUE(q.twoBlocks);

    for (int row : r.rows) {
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        const CGainEntry& e = table.Entries()[row];
        const CGainConnection* c = table.FindConnection(e.config, 1, 2);
        ASSERT_NE(c, nullptr);
        const auto before = doc.CaptureState();
        ASSERT_EQ(CopyGainToSchematic(doc, &e, c), 1);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.GetGainPhaseInputNode(), 1);
        EXPECT_EQ(doc.GetGainPhaseOutputNode(), 2);
        EXPECT_NEAR(GainDb(doc, 1, 2, 10.0), 20.0 * std::log10(37.0), 0.01) << "config " << e.config;
        // One step, undone whole.
        ASSERT_TRUE(doc.Undo());
        EXPECT_TRUE(doc.CaptureState() == before);
    }
    EXPECT_EQ(prompter_.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Devices, UtilityCopyTest, ::testing::Values("ZelA", "ZelB"));

TEST(UtilityCopy, NothingSelectedSaysSo)
{
    RecordingPrompter p;
    ScopedPrompter scope(p);
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    EXPECT_EQ(CopyGainToSchematic(doc, nullptr, nullptr), 0);
    EXPECT_EQ(CopyLadderToSchematic(doc, nullptr), 0);
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_EQ(p.messages[1].text, "No entry was selected.  Copy to Schematic was not performed.");
    EXPECT_FALSE(doc.IsModified());
}

TEST(UtilityCopy, ButterworthLadderNear20kHz)
{
    RecordingPrompter p;
    ScopedPrompter scope(p);
    CFilterTable4Macro table;
    std::string error;
    ASSERT_TRUE(table.Load(kSupport + CFilterTable4Macro::FileName("ZelA"), &error)) << error;
    table.Criterion(1)->SetType(10);
    table.Criterion(2)->SetRange(18000, 22000);
    CRowView view(table);
    view.Refresh();
    ASSERT_GT(view.Count(), 0);
    const CFilterEntry4Macro& e = *table.GetEntry(view.Row(0));

    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    ASSERT_EQ(CopyLadderToSchematic(doc, &e), 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Summary().GetTitle(), "Ladder Filter");
    EXPECT_EQ(doc.Summary().GetKeywords(), "ZelA, Ladder Filter");
    EXPECT_EQ(doc.Summary().GetComments(), "Created by Ladder Filter Generator");
    const int out = doc.GetGainPhaseOutputNode();
    EXPECT_EQ(out, static_cast<int>(e.d[25]));
    const double fc = e.d[0];
    const double dc = GainDb(doc, 1, out, fc / 1000);
    // Maximally flat: never above DC, falling through -3 dB at the row's frequency (2 %).
    double previous = dc + 1e-9;
    for (double f = fc / 100; f < fc; f *= 1.05) {
        const double g = GainDb(doc, 1, out, f);
        EXPECT_LE(g, previous + 1e-6) << f;
        previous = g;
    }
    EXPECT_GT(GainDb(doc, 1, out, fc * 0.98), dc - 3.0103);
    EXPECT_LT(GainDb(doc, 1, out, fc * 1.02), dc - 3.0103);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.Summary().GetTitle(), "");
}
