#include "view/DrawnElement.h"

#include <gtest/gtest.h>

#include "RecordingPainter.h"

namespace kalidor {
namespace {

using test::RecordingPainter;

std::vector<LogPoint> Points(const CDrawnElement& e) {
    std::vector<LogPoint> v;
    for (int i = 0; i < e.GetPointCount(); ++i) v.push_back(e.GetPoint(i));
    return v;
}

TEST(DrawnElement, ShapePointsOfTheTypes) {
    EXPECT_EQ(Points(CDrawnElement(ELEM_TRIANGLE_INV, 0, 0)),
              (std::vector<LogPoint>{{0, 0}, {0, 150}, {150, 75}, {0, 0}}));
    EXPECT_EQ(Points(CDrawnElement(ELEM_RESISTOR, 0, 0)),
              (std::vector<LogPoint>{{0, 0}, {33, 66}, {100, -66}, {166, 66}, {233, -66}, {300, 66}, {366, -66}, {400, 0}}));
    EXPECT_EQ(Points(CDrawnElement(ELEM_RESISTOR_REV, 0, 0)), Points(CDrawnElement(ELEM_RESISTOR, 0, 0)));
    EXPECT_EQ(Points(CDrawnElement(ELEM_CAPACITOR, 0, 0)),
              (std::vector<LogPoint>{{0, -100}, {0, 100}, {100, 100}, {100, -100}}));
    EXPECT_EQ(Points(CDrawnElement(ELEM_DAC, 0, 0)),
              (std::vector<LogPoint>{{0, 0}, {0, 600}, {1200, 600}, {1500, 300}, {1200, 0}, {0, 0}}));
    EXPECT_EQ(Points(CDrawnElement(ELEM_MUX3, 0, 0)),
              (std::vector<LogPoint>{{0, 0}, {200, 100}, {200, 900}, {0, 1000}, {0, 700}, {100, 625}, {100, 375}, {0, 300}, {0, 0}}));
    EXPECT_EQ(Points(CDrawnElement(ELEM_TERMINAL_TOP, 0, 0)).size(), 12u);
    EXPECT_EQ(Points(CDrawnElement(ELEM_TERMINAL_TOP, 0, 0))[11], (LogPoint{150, 300}));
    EXPECT_EQ(Points(CDrawnElement(27, 0, 0)).size(), 0u);
    EXPECT_EQ(Points(CDrawnElement(29, 0, 0)).size(), 0u);
    EXPECT_EQ(Points(CDrawnElement(1234, 0, 0)).size(), 0u);

    // The right terminal mirrors the left one.
    const auto left = Points(CDrawnElement(ELEM_TERMINAL_LEFT, 0, 0));
    const auto right = Points(CDrawnElement(ELEM_TERMINAL_RIGHT, 0, 0));
    ASSERT_EQ(left.size(), 12u);
    ASSERT_EQ(right.size(), 12u);
    for (std::size_t i = 0; i < left.size(); ++i) EXPECT_EQ(right[i], (LogPoint{-left[i].x, left[i].y})) << i;
}

TEST(DrawnElement, OnlyOpampDacAndRectangleAreScaled) {
    CDrawnElement e;
    e.SetType(ELEM_TRIANGLE_OPAMP, 2000, 500);
    EXPECT_EQ(Points(e), (std::vector<LogPoint>{{0, 0}, {0, 400}, {1600, 200}, {0, 0}}));
    e.SetType(ELEM_RECTANGLE, 500, 1500);
    EXPECT_EQ(Points(e), (std::vector<LogPoint>{{0, 0}, {0, 900}, {300, 900}, {300, 0}, {0, 0}}));
    e.SetType(ELEM_DAC, 1000, 2000);
    EXPECT_EQ(e.GetPoint(3), (LogPoint{1500, 600}));
    e.SetType(ELEM_TRIANGLE_OPAMP_REV, 2000, 2000);
    EXPECT_EQ(e.GetPoint(2), (LogPoint{-800, 400}));
    e.SetType(ELEM_RECTANGLE2, 2000, 2000);
    EXPECT_EQ(e.GetPoint(2), (LogPoint{2500, 1000}));
}

TEST(DrawnElement, TypeNames) {
    EXPECT_STREQ(CDrawnElement::TypeName(0), "ELEM_LINE_SEGMENT");
    EXPECT_STREQ(CDrawnElement::TypeName(10), "UNUSED:ELEM_MULT_SWITCH");
    EXPECT_STREQ(CDrawnElement::TypeName(26), "ELEM_MUX2");
    EXPECT_STREQ(CDrawnElement::TypeName(30), "ELEM_SWITCH_DOT");
    EXPECT_STREQ(CDrawnElement::TypeName(27), "ERROR:FORTH-code-attempted");
    EXPECT_STREQ(CDrawnElement::TypeName(28), "ERROR:FORTH-code-attempted");
    EXPECT_STREQ(CDrawnElement::TypeName(29), "ERROR:FORTH-code-attempted");
    EXPECT_STREQ(CDrawnElement::TypeName(-3), "ERROR:FORTH-code-attempted");
}

TEST(DrawnElement, DrawsAtSymbolPlusElementOriginWithItsColours) {
    RecordingPainter p;
    CDrawnElement tri(ELEM_TRIANGLE_LGR, 10, 20);
    tri.Draw(p, {1000, 2000}, false);
    CDrawnElement box(ELEM_RECTANGLE2, 0, 0);
    box.Draw(p, {0, 0}, false);
    CDrawnElement res(ELEM_RESISTOR, 0, 0);
    res.Draw(p, {0, 0}, false);
    CDrawnElement dot(ELEM_CLOSED_DOT, 5, 5);
    dot.Draw(p, {100, 100}, false);
    CDrawnElement term(ELEM_TERMINAL, 0, 0);
    term.Draw(p, {0, 0}, false);
    CDrawnElement sdot(ELEM_SWITCH_DOT, 0, 0);
    sdot.Draw(p, {0, 0}, false);
    CDrawnElement cap(ELEM_CAPACITOR, 0, 0);
    cap.Draw(p, {50, 0}, false);
    ASSERT_EQ(p.calls.size(), 8u);
    EXPECT_EQ(p.calls[0], "polygon (1010,2020) (1010,2220) (1210,2120) (1010,2020) pen20 brush37");
    EXPECT_EQ(p.calls[1], "polygon (0,0) (0,1000) (2500,1000) (2500,0) (0,0) pen20 brush38");
    EXPECT_EQ(p.calls[2].rfind("polyline (0,0) (33,66)", 0), 0u);
    EXPECT_NE(p.calls[2].find("pen21"), std::string::npos);
    EXPECT_EQ(p.calls[3], "ellipse [75,135,135,75] pen22 brush40");
    EXPECT_EQ(p.calls[4], "rect [-100,100,100,-100] pen32 brush38");
    EXPECT_EQ(p.calls[5], "rect [-20,20,20,-20] pen22 brush40");
    EXPECT_EQ(p.calls[6], "line (50,-100) (50,100) pen27");
    EXPECT_EQ(p.calls[7], "line (150,100) (150,-100) pen27");
}

TEST(DrawnElement, HighlightUsesPen51) {
    RecordingPainter p;
    CDrawnElement tri(ELEM_TRIANGLE_IA, 0, 0);
    tri.Draw(p, {0, 0}, true);
    EXPECT_TRUE(tri.GetHighlight());
    ASSERT_EQ(p.calls.size(), 1u);
    EXPECT_NE(p.calls[0].find("pen51 brush37"), std::string::npos);
    tri.Draw(p, {0, 0}, false);
    EXPECT_FALSE(tri.GetHighlight());
    EXPECT_NE(p.calls[1].find("pen20 brush37"), std::string::npos);
}

TEST(DrawnElement, TypesWithoutShapeAreNeitherDrawnNorWritten) {
    for (int type : {10, 27, 29, 31, -1}) {
        RecordingPainter p;
        CDrawnElement e(type, 0, 0);
        e.Draw(p, {0, 0}, true);
        EXPECT_TRUE(p.calls.empty()) << type;
        std::string out;
        e.WriteXml(out);
        EXPECT_EQ(out, "") << type;
    }
}

TEST(DrawnElement, TerminalsDrawTwoBoxesAndFiveSegments) {
    RecordingPainter p;
    CDrawnElement e(ELEM_TERMINAL_LEFT, 0, 0);
    e.Draw(p, {1000, 0}, false);
    ASSERT_EQ(p.calls.size(), 7u);
    EXPECT_EQ(p.calls[0], "rect [800,150,900,-150] pen32 brush38");
    EXPECT_EQ(p.calls[1], "rect [700,150,800,-150] pen32 brush38");
    EXPECT_EQ(p.calls[2], "line (1000,0) (950,0) pen32");
}

TEST(DrawnElement, WritesElementAndLineForms) {
    std::string out;
    CDrawnElement(ELEM_CLOSED_DOT, -5, 7).WriteXml(out);
    EXPECT_EQ(out,
              "<DrawnElement>\r\n"
              "  <DrawnType>6</DrawnType>\r\n"
              "  <DrawnTypeAsText>ELEM_CLOSED_DOT</DrawnTypeAsText>\r\n"
              "  <OrgXY>-5, 7</OrgXY>\r\n"
              "</DrawnElement>\r\n");
    CDrawnElement line(ELEM_LINE_SEGMENT, 0, 0);
    line.SetPoint(0, 1, 2);
    line.SetPoint(1, -3, 4);
    out.clear();
    line.WriteXml(out);
    EXPECT_EQ(out,
              "<DrawnElementLine>\r\n"
              "  <DrawnType>0</DrawnType>\r\n"
              "  <DrawnTypeAsText>ELEM_LINE_SEGMENT</DrawnTypeAsText>\r\n"
              "  <StartXY>1, 2</StartXY>\r\n"
              "  <EndXY>-3, 4</EndXY>\r\n"
              "</DrawnElementLine>\r\n");
}

TEST(DrawnElement, PointAccessStaysInsideTheList) {
    CDrawnElement e(ELEM_CLOSED_DOT, 0, 0);
    EXPECT_EQ(e.GetPoint(-1), (LogPoint{}));
    EXPECT_EQ(e.GetPoint(15), (LogPoint{}));
    EXPECT_EQ(e.SetPoint(15, 1, 1), 0);
    EXPECT_EQ(e.SetPoint(14, 1, 1), 1);
    EXPECT_EQ(e.GetPointCount(), 15);
}

}  // namespace
}  // namespace kalidor
