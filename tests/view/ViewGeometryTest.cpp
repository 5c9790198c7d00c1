#include <gtest/gtest.h>

#include <climits>

#include "view/Schematic.h"
#include "view/ViewGeometry.h"
#include "view/SchematicDraft.h"

using namespace kalidor;

TEST(PositionText, InchesWithThreeDecimals)
{
    EXPECT_EQ(PositionText(-1500, 2000), "X=-1.500  Y=2.000");
    EXPECT_EQ(PositionText(1005, -1), "X=1.005  Y=-0.001");
    EXPECT_EQ(PositionText(0, 0), "X=0.000  Y=0.000");
    // Between -1 and 0 inch the sign is kept.
    EXPECT_EQ(PositionText(-500, -999), "X=-0.500  Y=-0.999");
    EXPECT_EQ(PositionText(INT_MIN, INT_MAX), "X=-2147483.648  Y=2147483.647");
}

TEST(ZoomSelect, StartsOnlyBeyondTenPixelsInBothDirections)
{
    EXPECT_FALSE(ZoomSelectStarts(100, 100, 110, 110));
    EXPECT_FALSE(ZoomSelectStarts(100, 100, 111, 110));
    EXPECT_FALSE(ZoomSelectStarts(100, 100, 200, 105));
    EXPECT_TRUE(ZoomSelectStarts(100, 100, 111, 111));
    EXPECT_TRUE(ZoomSelectStarts(100, 100, 89, 89));
}

TEST(TitleBlockDate, FullMonthTwoDigitDayFourDigitYear)
{
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    EXPECT_EQ(TitleBlockDate(std::mktime(&tm)), "March 05, 2024");
    tm.tm_mon = 11;
    tm.tm_mday = 31;
    EXPECT_EQ(TitleBlockDate(std::mktime(&tm)), "December 31, 2024");
}

TEST(ViewMapping, FitsTheVisibleAreaWithOneScaleAndRoundTrips)
{
    const ViewMapping m = ViewMapping::Fit({0, 0, 1000, 500}, 400, 400);
    EXPECT_DOUBLE_EQ(m.scale, 0.4);
    EXPECT_DOUBLE_EQ(m.ToDeviceX(0), 0);
    // y up: the top edge is at the top of the centred area.
    EXPECT_DOUBLE_EQ(m.ToDeviceY(500), 100);
    EXPECT_DOUBLE_EQ(m.ToDeviceY(0), 300);
    EXPECT_DOUBLE_EQ(m.ToLogicalX(m.ToDeviceX(123)), 123);
    EXPECT_DOUBLE_EQ(m.ToLogicalY(m.ToDeviceY(-77)), -77);
    // A degenerate viewport does not divide by zero.
    const ViewMapping z = ViewMapping::Fit({0, 0, 0, 0}, 0, 0);
    EXPECT_GT(z.scale, 0);
}

TEST(ZoomState, HistoryAndLimits)
{
    CZoomState z;
    z.SetWorld({0, 0, 11000, 8500});
    EXPECT_FALSE(z.ZoomPrevious());
    z.ZoomTo({1000, 1000, 3000, 2000});
    EXPECT_EQ(z.Visible(), (ViewRect{1000, 1000, 3000, 2000}));
    z.ZoomTo({3000, 2000, 2000, 1500});  // corners in any order
    EXPECT_EQ(z.Visible(), (ViewRect{2000, 1500, 3000, 2000}));
    EXPECT_TRUE(z.ZoomPrevious());
    EXPECT_EQ(z.Visible(), (ViewRect{1000, 1000, 3000, 2000}));
    EXPECT_TRUE(z.ZoomPrevious());
    EXPECT_EQ(z.Visible(), z.World());
    // A tiny rectangle is widened to the smallest width around its centre.
    z.ZoomTo({500, 500, 501, 501});
    EXPECT_DOUBLE_EQ(z.Visible().Width(), CZoomState::kMinWidth);
    EXPECT_DOUBLE_EQ((z.Visible().left + z.Visible().right) / 2, 500.5);
    for (int i = 0; i < 200; ++i)
        z.ZoomAll();
    int back = 0;
    while (z.ZoomPrevious())
        ++back;
    EXPECT_EQ(back, static_cast<int>(CZoomState::kMaxHistory));
}

TEST(ZoomState, WheelZoomKeepsThePointUnderThePointer)
{
    CZoomState z;
    z.SetWorld({0, 0, 10000, 10000});
    z.ZoomAbout(2500, 7500, 2.0);
    EXPECT_DOUBLE_EQ(z.Visible().Width(), 5000);
    EXPECT_DOUBLE_EQ(z.Visible().left, 1250);
    EXPECT_DOUBLE_EQ(z.Visible().top, 8750);
    // Far zoomed in, the smallest width holds and the point still stays.
    for (int i = 0; i < 40; ++i)
        z.ZoomAbout(2500, 7500, 2.0);
    EXPECT_DOUBLE_EQ(z.Visible().Width(), CZoomState::kMinWidth);
    const double fx = (2500 - z.Visible().left) / z.Visible().Width();
    EXPECT_NEAR(fx, 0.25, 1e-9);
    z.ZoomAbout(0, 0, 0.0);  // ignored
    z.ZoomAbout(0, 0, -1.0);
    EXPECT_DOUBLE_EQ(z.Visible().Width(), CZoomState::kMinWidth);
    EXPECT_FALSE(z.HasPrevious()) << "wheel steps are not recorded";
}

TEST(SchematicExtent, FitsTheDrawingWithAMargin)
{
    CSchematic s;
    EXPECT_EQ(SchematicExtent(s), (ViewRect{0, 0, 11000, 8500}));
    CSymbol* a = s.AddSymbol(3, 12000, 100, "", 0, 0);
    ASSERT_NE(a, nullptr);
    a->SetHitRect({-500, 9000, 12500, -200});
    const int m = kExtentMargin;
    EXPECT_EQ(SchematicExtent(s), (ViewRect{-500.0 - m, -200.0 - m, 12500.0 + m, 9000.0 + m}));
    // A small drawing is not lost on a sheet: the area is the drawing's own.
    a->SetHitRect({1000, 3000, 2000, 2000});
    EXPECT_EQ(SchematicExtent(s), (ViewRect{1000.0 - m, 2000.0 - m, 2000.0 + m, 3000.0 + m}));
    // Texts count with their height (from a quarter below the baseline to three quarters above)
    // and width; a hidden symbol does not count.
    CSymbol* b = s.AddSymbol(4, 5000, 5000, "Label", 5000, 5000);
    const ViewRect withText = SchematicExtent(s);
    EXPECT_EQ(withText.top, 5000.0 + CSymbol::kTextHeight * 3 / 4 + m);
    EXPECT_EQ(withText.right, 5000.0 + SchematicTextWidth("Label") + m);
    b->SetHidden(true);
    EXPECT_EQ(SchematicExtent(s).top, 3000.0 + m);
}
