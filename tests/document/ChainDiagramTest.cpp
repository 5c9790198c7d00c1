// The drawn chain: boxes from TDI to TDO that fit the window, the wires between them, what a
// click hits, where the arrow keys go and what each box says.
#include <gtest/gtest.h>

#include "document/ChainDiagram.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

class ChainDiagramTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(KALIDOR_BIN_DIR); }
    void TearDown() override { SetProgramDirectory(""); }
    // ZelA, a foreign device of IR 8, ZelC, from TDI.
    void BuildExample(CJTAGDoc& chain)
    {
        ASSERT_EQ(chain.InsertZelDevice(1, "A", "ZelA"), 1);
        ASSERT_EQ(chain.InsertForeignDevice(2, "F", 8), 2);
        ASSERT_EQ(chain.InsertZelDevice(3, "C", "ZelC"), 3);
    }
    // Every box lies inside the viewport.
    static void ExpectInside(const CChainDiagram& d, int w, int h)
    {
        for (int i = 0; i < d.Count(); ++i) {
            EXPECT_GE(d.Box(i).left, 0) << i;
            EXPECT_GE(d.Box(i).top, 0) << i;
            EXPECT_LE(d.Box(i).Right(), w) << i;
            EXPECT_LE(d.Box(i).Bottom(), h) << i;
        }
    }

    RecordingPrompter prompter_;
    ScopedPrompter scope_{prompter_};
};

TEST_F(ChainDiagramTest, AWideWindowShowsTheChainInOneRowFromTdiToTdo)
{
    CJTAGDoc chain;
    BuildExample(chain);
    CChainDiagram d;
    d.Layout(chain, 1000, 300);
    ASSERT_EQ(d.Count(), 5);
    EXPECT_EQ(d.Rows(), 1);
    ExpectInside(d, 1000, 300);
    EXPECT_TRUE(d.Box(0).terminal);
    EXPECT_TRUE(d.Box(4).terminal);
    EXPECT_FALSE(d.Box(2).terminal);
    EXPECT_LT(d.Box(0).height, d.Box(1).height);
    for (int i = 0; i + 1 < d.Count(); ++i) {
        EXPECT_LT(d.Box(i).Right(), d.Box(i + 1).left) << i;
        EXPECT_DOUBLE_EQ(d.Box(i).CentreY(), d.Box(i + 1).CentreY()) << i;
        // A straight wire from one box's right edge to the next box's left edge.
        const std::vector<ChainPoint>& w = d.Wire(i);
        ASSERT_EQ(w.size(), 2u);
        EXPECT_DOUBLE_EQ(w.front().x, d.Box(i).Right());
        EXPECT_DOUBLE_EQ(w.back().x, d.Box(i + 1).left);
    }
    // The drawing is centred.
    EXPECT_NEAR(d.Box(0).left - 0, 1000 - d.Box(4).Right(), 1e-6);
}

TEST_F(ChainDiagramTest, ClicksHitTheBoxUnderThePointerAndNothingBetween)
{
    CJTAGDoc chain;
    BuildExample(chain);
    CChainDiagram d;
    d.Layout(chain, 1000, 300);
    for (int i = 0; i < d.Count(); ++i) {
        const ChainBox& b = d.Box(i);
        EXPECT_EQ(d.HitTest(b.CentreX(), b.CentreY()), i);
        EXPECT_EQ(d.HitTest(b.left, b.top), i);
        EXPECT_EQ(d.HitTest(b.Right() - 0.5, b.Bottom() - 0.5), i);
    }
    // On the wire between two boxes, above a terminal, outside the drawing.
    EXPECT_EQ(d.HitTest((d.Box(1).Right() + d.Box(2).left) / 2, d.Box(1).CentreY()), -1);
    EXPECT_EQ(d.HitTest(d.Box(0).CentreX(), d.Box(1).top + 1), -1);
    EXPECT_EQ(d.HitTest(-5, -5), -1);
    EXPECT_EQ(d.HitTest(d.Box(4).Right(), d.Box(4).CentreY()), -1);
}

TEST_F(ChainDiagramTest, TheDrawingScalesWithTheWindowUpToALimit)
{
    CChainDiagram small, large, huge;
    small.Layout(5, 500, 150);
    large.Layout(5, 1000, 300);
    huge.Layout(5, 4000, 1200);
    EXPECT_NEAR(large.Scale(), 2 * small.Scale(), 1e-9);
    EXPECT_NEAR(large.Box(2).width, 2 * small.Box(2).width, 1e-9);
    // The same point of the window hits the same box.
    EXPECT_EQ(small.HitTest(small.Box(3).CentreX(), small.Box(3).CentreY()),
              large.HitTest(2 * small.Box(3).CentreX(), 2 * small.Box(3).CentreY()));
    EXPECT_DOUBLE_EQ(huge.Scale(), CChainDiagram::kMaxScale);
    ExpectInside(huge, 4000, 1200);
}

TEST_F(ChainDiagramTest, ANarrowWindowWrapsTheChainIntoRowsThatReadLeftToRight)
{
    CChainDiagram d;
    d.Layout(8, 420, 900);  // TDI, six devices, TDO
    ASSERT_EQ(d.Count(), 8);
    EXPECT_GT(d.Rows(), 1);
    EXPECT_LT(d.Columns(), 8);
    ExpectInside(d, 420, 900);
    // Wrapping keeps the boxes larger than one long row would.
    using D = CChainDiagram;
    const double oneRowWidth = 2 * D::kTerminalWidth + 6 * D::kDeviceWidth + 7 * D::kGap + 2 * D::kMargin;
    EXPECT_GT(d.Scale(), 2 * 420.0 / oneRowWidth);
    for (int i = 0; i + 1 < d.Count(); ++i) {
        const ChainBox& a = d.Box(i);
        const ChainBox& b = d.Box(i + 1);
        const std::vector<ChainPoint>& w = d.Wire(i);
        if (a.row == b.row) {
            EXPECT_LT(a.Right(), b.left);
            EXPECT_EQ(w.size(), 2u);
            continue;
        }
        // The next row starts at the left; the wire leaves to the right, runs back below the
        // row (between the rows) and enters the next box from the left.
        EXPECT_EQ(b.row, a.row + 1);
        EXPECT_LT(b.left, a.left);
        ASSERT_EQ(w.size(), 6u);
        EXPECT_GT(w[1].x, a.Right());
        EXPECT_GT(w[2].y, a.Bottom());
        EXPECT_LT(w[2].y, b.top);
        EXPECT_LT(w[3].x, b.left);
        EXPECT_DOUBLE_EQ(w[5].x, b.left);
        EXPECT_DOUBLE_EQ(w[5].y, b.CentreY());
        // The returning wire crosses no box.
        for (int k = 0; k < d.Count(); ++k)
            EXPECT_FALSE(d.Box(k).Contains(w[3].x, w[3].y)) << k;
    }
}

TEST_F(ChainDiagramTest, TheKeysMoveAlongTheChainAndBetweenRows)
{
    CChainDiagram d;
    d.Layout(8, 420, 900);
    ASSERT_GT(d.Rows(), 1);
    const int c = d.Columns();
    EXPECT_EQ(d.Navigate(-1, ChainKey::kRight), 0);
    EXPECT_EQ(d.Navigate(0, ChainKey::kLeft), 0);
    EXPECT_EQ(d.Navigate(0, ChainKey::kRight), 1);
    EXPECT_EQ(d.Navigate(7, ChainKey::kRight), 7);
    EXPECT_EQ(d.Navigate(3, ChainKey::kHome), 0);
    EXPECT_EQ(d.Navigate(3, ChainKey::kEnd), 7);
    // Down goes to the box of the next row below; up comes back; the top row has nothing above.
    const int below = d.Navigate(1, ChainKey::kDown);
    EXPECT_EQ(d.Box(below).row, 1);
    EXPECT_EQ(d.Navigate(below, ChainKey::kUp), 1);
    EXPECT_EQ(d.Navigate(1, ChainKey::kUp), 1);
    EXPECT_EQ(d.Navigate(7, ChainKey::kDown), 7);
    EXPECT_EQ(below, 1 + c);
    // No boxes: nothing to select.
    CChainDiagram none;
    none.Layout(0, 100, 100);
    EXPECT_EQ(none.Navigate(-1, ChainKey::kHome), -1);
    EXPECT_EQ(none.HitTest(50, 50), -1);
}

TEST_F(ChainDiagramTest, EachBoxShowsTheDeviceTypeIrLengthAndTheSums)
{
    CJTAGDoc chain;
    BuildExample(chain);
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(0)), std::vector<std::string>{"[Chain TDI]"});
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(4)), std::vector<std::string>{"[Chain TDO]"});
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(1)),
              (std::vector<std::string>{"A", "ZelA", "IR length 5", "HIR 14   TIR 0", "HDR 2   TDR 0"}));
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(2)),
              (std::vector<std::string>{"F", "Foreign Device", "IR length 8", "HIR 6   TIR 5", "HDR 1   TDR 1"}));
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(3)),
              (std::vector<std::string>{"C", "ZelC", "IR length 6", "HIR 0   TIR 13", "HDR 0   TDR 2"}));
    // An open schematic, then a design saved into the element.
    {
        std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(3);
        ASSERT_TRUE(doc);
        EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(3)).back(), "schematic open");
        ASSERT_TRUE(doc->SaveEmbedded());
        doc->OnCloseDocument();
    }
    EXPECT_EQ(CChainDiagram::BoxLines(*chain.GetElement(3)).back(), "design changed");
    // The empty chain draws its two terminals joined by one wire.
    CJTAGDoc empty;
    CChainDiagram d;
    d.Layout(empty, 600, 200);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Wire(0).size(), 2u);
    ExpectInside(d, 600, 200);
}

}  // namespace
