#include "view/Schematic.h"

#include <gtest/gtest.h>

#include <climits>

#include "RecordingPainter.h"
#include "base/SymbolSwitch.h"
#include "base/XmlParser.h"
#include "view/ViewGeometry.h"

namespace kalidor {
namespace {

using test::RecordingPainter;

// Reads `text`, which holds a <ZelSchematic> element, into `sch` the way the device schematic
// file reader does: the parser is positioned just after the start tag.
int ReadInto(CSchematic& sch, const std::string& text) {
    CXmlParser parser;
    CSchematic::RegisterTags(parser);
    parser.SetText(text);
    parser.ParseProlog();
    CXmlElement* e = parser.NextElement();
    if (!e || e->GetTag() != "<ZelSchematic>") return -1;
    return sch.ReadSchematic(parser);
}

// A small schematic whose file form is spelled out byte for byte below.
void BuildSmall(CSchematic& sch) {
    CSymbol* s3 = sch.AddSymbol(3, 5000, 7000, "T3", 5100, 7300);
    s3->SetFullName("Block 1 Feedback");
    s3->SetDialogType(4);
    s3->SetValueXY(5100, 6800);
    s3->SetHitRect({4900, 7200, 5400, 6900});
    s3->AddDrawnElement(ELEM_SPST_SWITCH, 0, 0);
    s3->AddDrawnLine(ELEM_LINE_SEGMENT, -100, 0, 0, 0);
    CSymbol* s0 = sch.AddSymbol(0, 100, -40, "Block 1 Opamp", 0, 0);
    s0->SetValueRect({1, 2, 3, 4});
    s0->AddDrawnElement(27, 5, 5);
    s0->AddDrawnElement(ELEM_TRIANGLE_OPAMP, 10, 20);
}

constexpr const char* kSmallFile =
    "<ZelSchematic>\r\n"
    "\r\n"
    "<ZelSymbol>\r\n"
    "  <SymKey>0</SymKey>\r\n"
    "  <OrgXY>100, -40</OrgXY>\r\n"
    "  <NameText>Block 1 Opamp</NameText>\r\n"
    "  <NameXY>0, 0</NameXY>\r\n"
    "  <DialogType>0</DialogType>\r\n"
    "  <ValueTextXY>0, 0</ValueTextXY>\r\n"
    "  <ValueTextRect>1,2, 3,4</ValueTextRect>\r\n"
    "<DrawnElement>\r\n"
    "  <DrawnType>4</DrawnType>\r\n"
    "  <DrawnTypeAsText>ELEM_TRIANGLE_OPAMP</DrawnTypeAsText>\r\n"
    "  <OrgXY>10, 20</OrgXY>\r\n"
    "</DrawnElement>\r\n"
    "</ZelSymbol>\r\n"
    "\r\n"
    "<ZelSymbol>\r\n"
    "  <SymKey>3</SymKey>\r\n"
    "  <OrgXY>5000, 7000</OrgXY>\r\n"
    "  <NameText>T3</NameText>\r\n"
    "  <NameXY>5100, 7300</NameXY>\r\n"
    "  <FullNameText>Block 1 Feedback</FullNameText>\r\n"
    "  <DialogType>4</DialogType>\r\n"
    "  <ValueTextXY>5100, 6800</ValueTextXY>\r\n"
    "  <HitTestRect>4900,7200, 5400,6900</HitTestRect>\r\n"
    "<DrawnElement>\r\n"
    "  <DrawnType>9</DrawnType>\r\n"
    "  <DrawnTypeAsText>ELEM_SPST_SWITCH</DrawnTypeAsText>\r\n"
    "  <OrgXY>0, 0</OrgXY>\r\n"
    "</DrawnElement>\r\n"
    "<DrawnElementLine>\r\n"
    "  <DrawnType>0</DrawnType>\r\n"
    "  <DrawnTypeAsText>ELEM_LINE_SEGMENT</DrawnTypeAsText>\r\n"
    "  <StartXY>-100, 0</StartXY>\r\n"
    "  <EndXY>0, 0</EndXY>\r\n"
    "</DrawnElementLine>\r\n"
    "</ZelSymbol>\r\n"
    "\r\n"
    "</ZelSchematic>\r\n"
    "\r\n";

TEST(SchematicXml, WriterOutputIsByteExact) {
    CSchematic sch;
    BuildSmall(sch);
    EXPECT_EQ(sch.WriteSchematic(), kSmallFile);
}

TEST(SchematicXml, WithoutShowSymbolsOnlyTheFrameIsWrittenAndNothingDrawn) {
    CSchematic sch;
    BuildSmall(sch);
    sch.SetDisplaySwitch(CSchematic::kShowSymbols, false);
    EXPECT_EQ(sch.WriteSchematic(), "<ZelSchematic>\r\n\r\n</ZelSchematic>\r\n\r\n");
    RecordingPainter p;
    sch.DrawAll(p);
    EXPECT_TRUE(p.calls.empty());
}

TEST(SchematicXml, ReadingTheWrittenFileGivesItBack) {
    CSchematic sch;
    EXPECT_EQ(ReadInto(sch, kSmallFile), 2);
    EXPECT_EQ(sch.WriteSchematic(), kSmallFile);
    const CSymbol* s3 = sch.GetSymbol(3);
    ASSERT_NE(s3, nullptr);
    EXPECT_TRUE(s3->IsValid());
    EXPECT_EQ(s3->GetFlags(), CSymbol::kFlagFullName);
    EXPECT_EQ(s3->GetHitRect(), (LogRect{4900, 7200, 5400, 6900}));
    EXPECT_FALSE(sch.GetSymbol(0)->IsValid());
}

TEST(SchematicXml, RoundTripWithEveryElementType) {
    CSchematic sch;
    for (int key = 0; key < 4; ++key) {
        CSymbol* s = sch.AddSymbol(key * 30, key * 1000, -key * 500, "S" + std::to_string(key), key, -key);
        s->SetFullName("Symbol number " + std::to_string(key));
        s->SetDialogType(key + 1);
        s->SetValueXY(key * 7, key * -9);
        s->SetHitRect({key, key + 10, key + 20, key - 5});
        if (key % 2) s->SetValueRect({-1, 2, -3, 4});
    }
    CSymbol* all = sch.GetSymbol(30);
    for (int type = 0; type <= 31; ++type) {
        if (type == 0)
            all->AddDrawnLine(0, -10, 20, 30, -40);
        else
            all->AddDrawnElement(type, type * 10, -type);
    }
    const std::string written = sch.WriteSchematic();

    CSchematic back;
    EXPECT_EQ(ReadInto(back, written), 4);
    EXPECT_EQ(back.WriteSchematic(), written);

    // Same symbols in key order, with the same fields.
    std::vector<const CSymbol*> expected;
    for (CSymbol* a = sch.GetFirstSymbol(); a; a = sch.GetNextSymbol()) expected.push_back(a);
    std::size_t count = 0;
    for (CSymbol* b = back.GetFirstSymbol(); b; b = back.GetNextSymbol(), ++count) {
        ASSERT_LT(count, expected.size());
        const CSymbol* e = expected[count];
        EXPECT_EQ(b->GetKey(), e->GetKey());
        EXPECT_EQ(b->GetOrigin(), e->GetOrigin());
        EXPECT_EQ(b->GetNameText(), e->GetNameText());
        EXPECT_EQ(b->GetNameXY(), e->GetNameXY());
        EXPECT_EQ(b->GetFullName(), e->GetFullName());
        EXPECT_EQ(b->GetDialogType(), e->GetDialogType());
        EXPECT_EQ(b->GetValueXY(), e->GetValueXY());
        EXPECT_EQ(b->GetHitRect(), e->GetHitRect());
        EXPECT_EQ(b->GetValueRect(), e->GetValueRect());
        EXPECT_EQ(b->GetFlags(), e->GetFlags());
    }
    EXPECT_EQ(count, expected.size());

    // Every element with a file form comes back, in order, at the same absolute points.
    const auto& els = back.GetSymbol(30)->GetDrawnElements();
    std::vector<int> types;
    for (const auto& e : els) types.push_back(e.GetType());
    EXPECT_EQ(types, (std::vector<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14,
                                       15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 28, 30}));
    const auto& orig = sch.GetSymbol(30)->GetDrawnElements();
    for (const auto& e : els) {
        const CDrawnElement* match = nullptr;
        for (const auto& o : orig)
            if (o.GetType() == e.GetType()) match = &o;
        ASSERT_NE(match, nullptr);
        EXPECT_EQ(e.GetPointCount(), match->GetPointCount()) << e.GetType();
        for (int i = 0; i < e.GetPointCount(); ++i) {
            const LogPoint pe{e.GetOrigin().x + e.GetPoint(i).x, e.GetOrigin().y + e.GetPoint(i).y};
            const LogPoint pm{match->GetOrigin().x + match->GetPoint(i).x,
                              match->GetOrigin().y + match->GetPoint(i).y};
            EXPECT_EQ(pe, pm) << "type " << e.GetType() << " point " << i;
        }
    }
}

TEST(SchematicXml, PairsReadWithOrWithoutBlank) {
    const std::string a =
        "<ZelSchematic><ZelSymbol><SymKey>7</SymKey><OrgXY>120, -40</OrgXY></ZelSymbol></ZelSchematic>";
    const std::string b =
        "<ZelSchematic><ZelSymbol><SymKey>7</SymKey><OrgXY>120,-40</OrgXY></ZelSymbol></ZelSchematic>";
    const std::string c =
        "<ZelSchematic><ZelSymbol><SymKey>7</SymKey><OrgXY>120 -40</OrgXY>"
        "<HitTestRect>1,2,3,4</HitTestRect></ZelSymbol></ZelSchematic>";
    CSchematic sa, sb, sc;
    ReadInto(sa, a);
    ReadInto(sb, b);
    ReadInto(sc, c);
    ASSERT_NE(sa.GetSymbol(7), nullptr);
    ASSERT_NE(sb.GetSymbol(7), nullptr);
    ASSERT_NE(sc.GetSymbol(7), nullptr);
    EXPECT_EQ(sa.GetSymbol(7)->GetOrigin(), (LogPoint{120, -40}));
    EXPECT_EQ(sb.GetSymbol(7)->GetOrigin(), (LogPoint{120, -40}));
    EXPECT_EQ(sc.GetSymbol(7)->GetOrigin(), (LogPoint{120, -40}));
    EXPECT_EQ(sc.GetSymbol(7)->GetHitRect(), (LogRect{1, 2, 3, 4}));
}

TEST(SchematicXml, MalformedNumbersReadAsAtoiDoes) {
    CSchematic sch;
    ReadInto(sch,
             "<ZelSchematic><ZelSymbol><SymKey>2</SymKey><OrgXY>abc</OrgXY><NameXY>12x, 7y</NameXY>"
             "<ValueTextXY>99999999999, -99999999999</ValueTextXY><DialogType> +5</DialogType>"
             "</ZelSymbol></ZelSchematic>");
    const CSymbol* s = sch.GetSymbol(2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetOrigin(), (LogPoint{0, 0}));
    EXPECT_EQ(s->GetNameXY(), (LogPoint{12, 7}));
    // Beyond the int range atoi saturates; coordinates are then held within a million units, so
    // that sums of origins and offsets never overflow.
    EXPECT_EQ(s->GetValueXY(), (LogPoint{1000000, -1000000}));
    EXPECT_EQ(s->GetDialogType(), 5);
}

// Coordinates near the int limit, read from a file or set directly, are drawn and measured
// without overflowing (the sanitizer build stops on any signed overflow).
TEST(SchematicXml, CoordinatesNearTheIntLimitDrawAndMeasure) {
    CSchematic read;
    ReadInto(read,
             "<ZelSchematic><ZelSymbol><SymKey>3</SymKey><OrgXY>2147483000, -2147483000</OrgXY>"
             "<DrawnElement><DrawnType>3</DrawnType><OrgXY>2147483000, 2147483000</OrgXY></DrawnElement>"
             "<DrawnElementLine><DrawnType>1</DrawnType><StartXY>2147483647, 5</StartXY>"
             "<EndXY>-2147483648, 5</EndXY></DrawnElementLine></ZelSymbol></ZelSchematic>");
    ASSERT_NE(read.GetSymbol(3), nullptr);
    EXPECT_EQ(read.GetSymbol(3)->GetOrigin(), (LogPoint{1000000, -1000000}));

    CSchematic direct;
    CSymbol* s = direct.AddSymbol(4, INT_MAX - 5, INT_MIN + 5, "X", 0, 0);
    ASSERT_NE(s, nullptr);
    s->SetFullName("X");
    s->AddDrawnElement(3, INT_MAX - 5, INT_MIN + 5);
    s->AddDrawnLine(1, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (CSchematic* sch : {&read, &direct}) {
        RecordingPainter painter;
        sch->DrawAll(painter);
        EXPECT_FALSE(painter.calls.empty());
        const ViewRect r = SchematicExtent(*sch);
        EXPECT_GE(r.left, -1e6);
        EXPECT_LE(r.right, 1e6);
        std::string xml;
        sch->WriteSchematic(xml);
    }
}

TEST(SchematicXml, SymKeySelectsTheExistingSymbolAndResetsIt) {
    CSchematic sch;
    CSymbol* s = sch.AddSymbol(5, 1, 2, "keep", 3, 4);
    s->SetValueXY(9, 9);
    s->SetFullName("Full");
    s->SetHidden(true);
    s->SetHitRect({1, 10, 10, 1});
    s->SetValueRect({5, 6, 7, 8});
    s->SetNetlistText("IN1");
    ReadInto(sch, "<ZelSchematic><ZelSymbol><SymKey>5</SymKey></ZelSymbol></ZelSchematic>");
    ASSERT_EQ(sch.GetSymbol(5), s);
    EXPECT_EQ(s->GetValueXY(), (LogPoint{0, 0}));
    EXPECT_EQ(s->GetFlags(), 0u);
    EXPECT_TRUE(s->GetHitRect().IsNull());
    EXPECT_EQ(s->GetValueRect(), (LogRect{5, 6, 7, 8}));
    EXPECT_EQ(s->GetNameText(), "keep");
    EXPECT_EQ(s->GetOrigin(), (LogPoint{1, 2}));
    EXPECT_EQ(s->GetNetlistText(), "IN1");
}

TEST(SchematicXml, BadInputEndsReadingWithoutHarm) {
    const char* inputs[] = {
        "",
        "<ZelSchematic>",
        "<ZelSchematic><ZelSymbol><SymKey>4</SymKey><DrawnElement><DrawnType>2",
        "<ZelSchematic><ZelSymbol><SymKey>4</SymKey><Foo attr=\"1\">x</Foo><Bar/><&><!-- c -->"
        "<NameText>ok</NameText></ZelSymbol></ZelSchematic>",
        "<ZelSchematic><<<>>><ZelSymbol><SymKey>150</SymKey><OrgXY>1, 1</OrgXY>"
        "<DrawnElement><DrawnType>2</DrawnType><OrgXY>0, 0</OrgXY></DrawnElement></ZelSymbol>"
        "<ZelSymbol><SymKey>-1</SymKey><NameText>x</NameText></ZelSymbol>"
        "<ZelSymbol><OrgXY>3, 3</OrgXY><DrawnElement><DrawnType>2</DrawnType></DrawnElement></ZelSymbol>"
        "</ZelSchematic>",
        "<ZelSchematic><ZelSymbol><SymKey>4</SymKey><NameText>unterminated",
        "<ZelSchematic></ZelSymbol></DrawnElement><DrawnElement></ZelSchematic>",
        "<ZelSchematic><ZelSymbol><SymKey>4</SymKey><OrgXY",
    };
    for (const char* text : inputs) {
        CSchematic sch;
        CXmlParser parser;
        CSchematic::RegisterTags(parser);
        parser.SetText(text);
        parser.NextElement();
        sch.ReadSchematic(parser);
        EXPECT_LE(parser.GetPosition(), std::string(text).size()) << text;
    }
    CSchematic sch;
    ReadInto(sch,
             "<ZelSchematic><ZelSymbol><SymKey>4</SymKey><Foo attr=\"1\">x</Foo><Bar/>"
             "<NameText>ok</NameText></ZelSymbol></ZelSchematic>");
    ASSERT_NE(sch.GetSymbol(4), nullptr);
    EXPECT_EQ(sch.GetSymbol(4)->GetNameText(), "ok");
    // Contents of a symbol with a key outside the slots, or without a key, are dropped.
    CSchematic other;
    ReadInto(other, inputs[4]);
    EXPECT_EQ(other.GetSymbolCount(), 0);
}

TEST(SchematicXml, EveryTruncationAndByteFlipOfAFileReadsSafely) {
    const std::string full = kSmallFile;
    for (std::size_t n = 0; n <= full.size(); ++n) {
        CSchematic sch;
        const int read = ReadInto(sch, full.substr(0, n));
        EXPECT_LE(read, 2) << n;
        EXPECT_LE(sch.GetSymbolCount(), 2) << n;
    }
    // Flip each markup character in turn into something else.
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (full[i] != '<' && full[i] != '>' && full[i] != '/') continue;
        for (char c : {'x', '<', '>', '\0'}) {
            std::string text = full;
            text[i] = c;
            CSchematic sch;
            ReadInto(sch, text);
            EXPECT_LE(sch.GetSymbolCount(), 2) << i;
        }
    }
}

TEST(SchematicXml, LongNamesAreCutAt79Characters) {
    const std::string longName(200, 'n');
    CSchematic sch;
    ReadInto(sch, "<ZelSchematic><ZelSymbol><SymKey>1</SymKey><NameText>" + longName +
                      "</NameText><FullNameText>" + longName + "</FullNameText></ZelSymbol></ZelSchematic>");
    ASSERT_NE(sch.GetSymbol(1), nullptr);
    EXPECT_EQ(sch.GetSymbol(1)->GetNameText(), std::string(79, 'n'));
    EXPECT_EQ(sch.GetSymbol(1)->GetFullName(), std::string(79, 'n'));
}

TEST(SchematicXml, ReadsInsideADeviceFileWhoseTagsWereRegisteredByOthers) {
    // The device file reader registers the file's tags with codes of its own, including tags
    // such as <SymKey> that the interconnect element uses too.
    CXmlParser parser;
    int code = 1;
    for (const char* t : {"ZelDevice", "ZelInterconnect", "SymKey", "OrgXY", "ZelSchematic", "ZelSymbol",
                          "SourceXY", "DrawnElement", "DrawnType"}) {
        parser.AddElement(std::string("<") + t + ">", code++);
        parser.AddElement(std::string("</") + t + ">", code++);
    }
    parser.SetText(std::string("<ZelDevice>\r\n\r\n") + kSmallFile + "<ZelInterconnect>\r\n</ZelInterconnect>\r\n");
    ASSERT_NE(parser.NextElement(), nullptr);  // <ZelDevice>
    CXmlElement* e = parser.NextElement();
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->GetTag(), "<ZelSchematic>");
    CSchematic sch;
    EXPECT_EQ(sch.ReadSchematic(parser), 2);
    EXPECT_EQ(sch.WriteSchematic(), kSmallFile);
    // Reading stopped right after </ZelSchematic>.
    e = parser.NextElement();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetTag(), "<ZelInterconnect>");
}

TEST(SchematicXml, TextsLoseMarkupCharactersSoTheFileReadsBack) {
    CSchematic sch;
    CSymbol* s = sch.AddSymbol(1, 0, 0, "a<b>c", 0, 0);
    s->SetFullName("x > y");
    const std::string out = sch.WriteSchematic();
    EXPECT_NE(out.find("<NameText>abc</NameText>"), std::string::npos);
    EXPECT_NE(out.find("<FullNameText>x  y</FullNameText>"), std::string::npos);
    CSchematic back;
    ReadInto(back, out);
    ASSERT_NE(back.GetSymbol(1), nullptr);
    EXPECT_EQ(back.GetSymbol(1)->GetNameText(), "abc");
}

TEST(SchematicHitTest, StrictEdges) {
    CSymbol s(1);
    s.SetHitRect({100, 300, 200, 100});
    EXPECT_TRUE(s.HitTest(150, 200));
    EXPECT_TRUE(s.HitTest(101, 299));
    EXPECT_TRUE(s.HitTest(199, 101));
    EXPECT_FALSE(s.HitTest(100, 200));
    EXPECT_FALSE(s.HitTest(200, 200));
    EXPECT_FALSE(s.HitTest(150, 300));
    EXPECT_FALSE(s.HitTest(150, 100));
    EXPECT_FALSE(s.HitTest(100, 100));
    EXPECT_FALSE(s.HitTest(250, 200));
}

TEST(SchematicHitTest, ZeroRectangleIsNeverHitNorWritten) {
    CSchematic sch;
    CSymbol* s = sch.AddSymbol(2, 0, 0, "n", 0, 0);
    s->SetFullName("Valid");
    for (int x : {-1, 0, 1})
        for (int y : {-1, 0, 1}) EXPECT_FALSE(s->HitTest(x, y));
    EXPECT_EQ(sch.FindSymbolAt(0, 0), nullptr);
    EXPECT_EQ(sch.WriteSchematic().find("HitTestRect"), std::string::npos);
}

TEST(SchematicHitTest, FindSymbolAtTakesFirstValidSymbolInKeyOrder) {
    CSchematic sch;
    CSymbol* label = sch.AddSymbol(1, 0, 0, "label", 0, 0);  // no full name: not valid
    label->SetHitRect({0, 100, 100, 0});
    CSymbol* b = sch.AddSymbol(9, 0, 0, "b", 0, 0);
    b->SetFullName("B");
    b->SetHitRect({0, 100, 100, 0});
    CSymbol* a = sch.AddSymbol(4, 0, 0, "a", 0, 0);
    a->SetFullName("A");
    a->SetHitRect({10, 90, 90, 10});
    EXPECT_EQ(sch.FindSymbolAt(50, 50), a);
    EXPECT_EQ(sch.FindSymbolAt(5, 50), b);
    EXPECT_EQ(sch.FindSymbolAt(100, 50), nullptr);
}

class FakeSwitch : public SymbolSwitch {
public:
    void Draw(Painter& p) const override { p.Line({-1, -1}, {-2, -2}); }
};

TEST(SymbolDraw, HighlightSwitchElementsThenTexts) {
    CSchematic sch;
    CSymbol* s = sch.AddSymbol(3, 1000, 2000, "T3", 1100, 2300);
    s->SetValueXY(1100, 1800);
    s->SetValueText("Closed");
    s->AddDrawnElement(ELEM_CLOSED_DOT, 0, 0);
    FakeSwitch sw;
    s->SetSwitch(&sw);
    sch.SetHighlighted(3);
    RecordingPainter p;
    sch.DrawAll(p);
    ASSERT_EQ(p.calls.size(), 5u);
    EXPECT_EQ(p.calls[0], "rect [800,2200,1200,1800] pen43 brush14");
    EXPECT_EQ(p.calls[1].rfind("line (-1,-1) (-2,-2)", 0), 0u);
    EXPECT_EQ(p.calls[2], "ellipse [970,2030,1030,1970] pen51 brush40");
    EXPECT_EQ(p.calls[3], "text (1100,2300) h200 c42 'T3'");
    EXPECT_EQ(p.calls[4], "text (1100,1800) h200 c42 'Closed'");

    sch.SetHighlighted(CSchematic::kNoSymbol);
    p.calls.clear();
    sch.DrawAll(p);
    ASSERT_EQ(p.calls.size(), 4u);
    EXPECT_EQ(p.calls[1], "ellipse [970,2030,1030,1970] pen22 brush40");
}

TEST(SymbolDraw, RectanglesWinOverPositionsAndZeroMeansNoText) {
    RecordingPainter p;
    CSymbol s(1);
    s.SetNameText("name");
    s.SetValueText("value");
    s.AddDrawnElement(27, 0, 0);  // no shape: nothing drawn
    s.Draw(p, false);
    EXPECT_TRUE(p.calls.empty());

    s.SetNameXY(10, 20);
    s.SetValueXY(30, 40);
    s.SetValueRect({0, 500, 400, 300});
    s.Draw(p, false);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"text (10,20) h200 c42 'name'",
                                                  "textrect [0,500,400,300] h200 c42 'value'"}));
    p.calls.clear();
    s.SetNameRect({1, 2, 3, 4});
    s.SetValueRect({});
    s.Draw(p, false);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"textrect [1,2,3,4] h200 c42 'name'",
                                                  "text (30,40) h200 c42 'value'"}));
}

TEST(SymbolDraw, HiddenSymbolDrawsNothing) {
    CSymbol s(1);
    s.SetNameXY(10, 20);
    s.AddDrawnElement(ELEM_TRIANGLE_INV, 0, 0);
    FakeSwitch sw;
    s.SetSwitch(&sw);
    s.SetHidden(true);
    RecordingPainter p;
    s.Draw(p, true);
    EXPECT_TRUE(p.calls.empty());
}

TEST(SymbolDraw, LegendSymbolShowsAFixedBox) {
    CSymbol s(1);
    s.SetDialogType(CSymbol::kDialogLegend);
    s.SetNameText("Legend");
    s.SetValueText("x");
    s.SetNameXY(1, 1);
    RecordingPainter p;
    s.Draw(p, false);
    ASSERT_EQ(p.calls.size(), 2u);
    EXPECT_EQ(p.calls[0].rfind("rect [7600,4000,9200,2500]", 0), 0u);
    EXPECT_EQ(p.calls[1], "textrect [7650,3950,9150,2550] h200 c42 'Legend\nx'");
}

TEST(Schematic, SlotsIterationAndForwards) {
    CSchematic sch;
    EXPECT_EQ(sch.AddSymbol(100, 0, 0, "x", 0, 0), nullptr);
    EXPECT_EQ(sch.AddSymbol(-1, 0, 0, "x", 0, 0), nullptr);
    EXPECT_EQ(sch.GetFirstSymbol(), nullptr);
    sch.AddSymbol(99, 0, 0, "last", 0, 0);
    sch.AddSymbol(0, 0, 0, "first", 0, 0);
    sch.AddSymbol(42, 0, 0, "mid", 0, 0);
    std::vector<int> keys;
    for (CSymbol* s = sch.GetFirstSymbol(); s; s = sch.GetNextSymbol()) keys.push_back(s->GetKey());
    EXPECT_EQ(keys, (std::vector<int>{0, 42, 99}));
    EXPECT_EQ(sch.GetNextSymbol(), nullptr);  // stays at the end

    EXPECT_EQ(sch.SetFullName(42, "Mid"), 1);
    EXPECT_EQ(sch.SetFullName(43, "None"), 0);
    EXPECT_TRUE(sch.GetSymbol(42)->IsValid());
    EXPECT_EQ(sch.SetFullName(42, ""), 1);
    EXPECT_FALSE(sch.GetSymbol(42)->IsValid());
    EXPECT_EQ(sch.AddDrawnElement(42, ELEM_MUX, 1, 1), 1);
    EXPECT_EQ(sch.AddDrawnLine(42, 0, 1, 1, 2, 2), 1);
    EXPECT_EQ(sch.AddDrawnElement(41, ELEM_MUX, 1, 1), 0);
    EXPECT_EQ(sch.GetSymbol(42)->GetDrawnElements().size(), 2u);
    sch.ResetSymbols();
    EXPECT_EQ(sch.GetSymbol(42)->GetDrawnElements().size(), 0u);
    EXPECT_EQ(sch.GetSymbol(42)->GetNameText(), "mid");

    sch.SetHighlighted(42);
    sch.DeleteSymbol(42);
    EXPECT_EQ(sch.GetHighlighted(), CSchematic::kNoSymbol);
    sch.SetHighlighted(500);
    EXPECT_EQ(sch.GetHighlighted(), CSchematic::kNoSymbol);
}

}  // namespace
}  // namespace kalidor
