#include "device/Interconnect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/XmlParser.h"
#include "device/DeviceConfig.h"
#include "device/ManifestTable.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

// Keeps every drawing call as a line of text.
class RecordingPainter : public Painter {
public:
    void SetPen(int c) override { pen = c; }
    void SetBrush(int c) override { brush = c; }
    void SetPenWeight(int w) override { weight = w; }
    void SetTextColor(int) override {}
    void Line(LogPoint a, LogPoint b) override
    {
        calls.push_back("line " + P(a) + " " + P(b) + Pen());
    }
    void Polyline(const LogPoint* pts, std::size_t n) override
    {
        std::string s = "polyline";
        for (std::size_t i = 0; i < n; ++i)
            s += " " + P(pts[i]);
        calls.push_back(s + Pen());
    }
    void Polygon(const LogPoint*, std::size_t) override { calls.push_back("polygon"); }
    void Ellipse(const LogRect& r) override
    {
        // A circle: its centre and radius.
        calls.push_back("circle " + P({(r.left + r.right) / 2, (r.top + r.bottom) / 2}) + " r" +
                        std::to_string((r.right - r.left) / 2) + Pen() + " brush " + std::to_string(brush));
    }
    void Rectangle(const LogRect& r) override
    {
        calls.push_back("rect " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                        std::to_string(r.right) + "," + std::to_string(r.bottom) + Pen() + " brush " +
                        std::to_string(brush));
    }
    void Text(LogPoint, std::string_view, int) override {}
    void TextInRect(const LogRect&, std::string_view, int) override {}

    static std::string P(LogPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

    std::string Pen() const
    {
        return " pen " + std::to_string(pen) + (weight != 1 ? " w" + std::to_string(weight) : "");
    }

    std::vector<std::string> calls;
    int pen = -99;
    int brush = -99;
    int weight = 1;
};

// An interconnect of one switch, to see a single <Switch> entry.
class OneSwitch : public CInterconnect {
public:
    int GetSwitchCount() const override { return 1; }
};

CInterconnect* FindSwitch(const std::vector<std::unique_ptr<CInterconnect>>& switches, int key)
{
    for (const auto& s : switches)
        if (s->GetSymKey() == key)
            return s.get();
    return nullptr;
}

// Parses `text`, whose first element is <ZelInterconnect>, into `ic`.
void ReadInto(CInterconnect& ic, const std::string& text,
              const std::vector<CInterconnect*>& switches = {}, CXmlParser* parserOut = nullptr)
{
    CXmlParser local;
    CXmlParser& p = parserOut ? *parserOut : local;
    CInterconnect::RegisterXmlTags(p);
    p.SetText(text);
    CXmlElement* start = p.NextElement();
    ASSERT_NE(start, nullptr);
    ASSERT_EQ(start->GetTag(), "<ZelInterconnect>");
    EXPECT_EQ(ic.ReadXml(p, start, switches), 0);
}

std::string KeysElement(int count)
{
    std::string text = "<ZelInterconnect>\r\n  <SymKeysThatHaveInterconnect>\r\n";
    for (int k = 0; k < count; ++k)
        text += "    <SymKey>" + std::to_string(k) + "</SymKey>\r\n";
    return text + "  </SymKeysThatHaveInterconnect>\r\n</ZelInterconnect>\r\n";
}

}  // namespace

TEST(InterconnectSwitch, InitAndContacts)
{
    RecordingPrompter rec;
    ScopedPrompter scope(rec);
    CInterconnect s;
    s.Init(9, 2300, 7100, kSwitchSelector);
    s.SetConnValue(9, 4);
    EXPECT_EQ(s.SetValXYAssoc(9, 0, 0, 2300, 7100), 1);
    EXPECT_EQ(s.SetValXYAssoc(9, 1, 4, 2100, 7100), 1);
    EXPECT_EQ(s.GetContactCount(), 2);
    EXPECT_EQ(s.GetContact(1), (SwitchContact{4, {2100, 7100}}));
    EXPECT_TRUE(rec.messages.empty());

    s.Init(9, 1, 2, kSwitchSelector);  // starts over
    EXPECT_EQ(s.GetConnValue(), 0);
    EXPECT_EQ(s.GetContactCount(), 0);
    EXPECT_EQ(s.GetSource(), (LogPoint{1, 2}));
}

TEST(InterconnectSwitch, ContactWithWrongKeyWarnsAndIsStored)
{
    RecordingPrompter rec;
    ScopedPrompter scope(rec);
    CInterconnect s;
    s.Init(3, 0, 0, kSwitchTwoPosition);
    EXPECT_EQ(s.SetValXYAssoc(4, 1, 7, 10, 20), 1);
    EXPECT_EQ(rec.beeps, 1);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{
                               "Internal Software Error in CInterconnect::SetValXYAssoc\n"
                               "m_symKey != SymKey"});
    EXPECT_EQ(s.GetContact(1), (SwitchContact{7, {10, 20}}));
    EXPECT_EQ(s.GetContactCount(), 1);
}

TEST(InterconnectSwitch, ContactIndexOutsideTheTenIsRefused)
{
    RecordingPrompter rec;
    ScopedPrompter scope(rec);
    CInterconnect s;
    s.Init(3, 0, 0, kSwitchSelector);
    EXPECT_EQ(s.SetValXYAssoc(3, 10, 1, 1, 1), 0);
    EXPECT_EQ(s.SetValXYAssoc(3, -1, 1, 1, 1), 0);
    EXPECT_EQ(s.GetContactCount(), 0);
    EXPECT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text, kMsgContactIndexRange);
    for (int i = 0; i < 12; ++i)
        s.SetValXYAssoc(3, i % 10, i, i, i);
    EXPECT_EQ(s.GetContactCount(), 10);  // never counts past the ten slots
}

TEST(InterconnectSwitch, ConnValueOnlyForItsOwnKey)
{
    CInterconnect s;
    s.Init(14, 5250, 4900, kSwitchTwoPosition);
    EXPECT_EQ(s.SetConnValue(15, 1), 0);
    EXPECT_EQ(s.GetConnValue(), 0);
    EXPECT_EQ(s.IsConnected(14), 0);
    EXPECT_EQ(s.SetConnValue(14, 2), 1);
    EXPECT_EQ(s.IsConnected(14), 1);
    EXPECT_EQ(s.IsConnected(15), 0);
    EXPECT_EQ(s.ClearConnValue(15), 0);
    EXPECT_EQ(s.GetConnValue(), 2);
    EXPECT_EQ(s.ClearConnValue(14), 1);
    EXPECT_EQ(s.IsConnected(14), 0);

    LogPoint src;
    EXPECT_EQ(s.GetSourceXY(13, src), 0);
    EXPECT_EQ(s.GetSourceXY(14, src), 1);
    EXPECT_EQ(src, (LogPoint{5250, 4900}));

    // Every other type counts as closed at value 0.
    for (int type : {kSwitchTwoPositionOne, kSwitchSelector, kSwitchOutput}) {
        CInterconnect t;
        t.Init(20, 0, 0, type);
        EXPECT_EQ(t.IsConnected(20), 1) << type;
        t.SetConnValue(20, 1);
        EXPECT_EQ(t.IsConnected(20), 0) << type;
    }
}

TEST(InterconnectHitTest, SquareOfSixtyIsStrict)
{
    auto switches = BuildSwitches("ZelA");
    CInterconnect* s = FindSwitch(switches, 9);  // contact 1 at (2100, 7100), value 4
    ASSERT_NE(s, nullptr);
    s->SetConnValue(9, 4);
    ContactHit hit;
    EXPECT_EQ(s->HitTestContact({2100 + 59, 7100}, hit), 1);
    EXPECT_EQ(hit.index, 1);
    EXPECT_EQ(hit.symKey, 9);
    EXPECT_EQ(hit.contact, (SwitchContact{4, {2100, 7100}}));
    EXPECT_TRUE(hit.isCurrent);
    EXPECT_EQ(hit.source, (LogPoint{2300, 7100}));

    EXPECT_EQ(s->HitTestContact({2100 - 59, 7100 + 59}, hit), 1);
    EXPECT_EQ(hit.index, 1);
    // 60 away from contact 1 is outside it (and 140 from contact 0 and 2).
    ContactHit miss;
    EXPECT_EQ(s->HitTestContact({2100 + 60, 7100}, miss), 0);
    EXPECT_EQ(s->HitTestContact({2100, 7100 - 60}, miss), 0);
    EXPECT_EQ(miss.index, -1);

    EXPECT_EQ(s->HitTestContact({1300, 7100}, hit), 1);
    EXPECT_EQ(hit.index, 5);
    EXPECT_EQ(hit.contact.SymbolValue, 1);
    EXPECT_FALSE(hit.isCurrent);

    int key = -1;
    EXPECT_EQ(s->HitTestSource({2300 + 59, 7100 - 59}, key), 1);
    EXPECT_EQ(key, 9);
    EXPECT_EQ(s->HitTestSource({2300 - 60, 7100}, key), 0);
}

TEST(InterconnectHitTest, TwoPositionSwitchesLookAtTwoContactsOnly)
{
    CInterconnect s;
    s.Init(3, 0, 0, kSwitchTwoPosition);
    s.SetValXYAssoc(3, 0, 1, 0, 0);
    s.SetValXYAssoc(3, 1, 0, -200, 0);
    s.SetValXYAssoc(3, 2, 5, 1000, 1000);
    ContactHit hit;
    EXPECT_EQ(s.HitTestContact({1000, 1000}, hit), 0);
    EXPECT_EQ(s.HitTestContact({-200, 10}, hit), 1);
    EXPECT_EQ(hit.index, 1);
    // The source coincides with contact 0: the first contact wins.
    EXPECT_EQ(s.HitTestContact({0, 0}, hit), 1);
    EXPECT_EQ(hit.index, 0);
}

TEST(InterconnectHitTest, UndefinedContactsAreNeverHit)
{
    // A ZelC output switch has two contacts; the other eight slots sit at the origin.
    auto switches = BuildSwitches("ZelC");
    CInterconnect* s = FindSwitch(switches, 20);
    ASSERT_NE(s, nullptr);
    ContactHit hit;
    EXPECT_EQ(s->HitTestContact({0, 0}, hit), 0);
    EXPECT_EQ(s->HitTestContact({7200, 8250}, hit), 1);
    EXPECT_EQ(hit.index, 1);
    EXPECT_EQ(s->HitTestContact({7200, 8550}, hit), 1);
    EXPECT_EQ(hit.index, 0);
    EXPECT_TRUE(hit.isCurrent);
}

TEST(InterconnectHitTest, FarCoordinatesDoNotOverflow)
{
    CInterconnect s;
    s.Init(1, INT32_MIN + 10, INT32_MAX - 10, kSwitchSelector);
    s.SetValXYAssoc(1, 0, 0, INT32_MAX, INT32_MIN);
    ContactHit hit;
    int key;
    EXPECT_EQ(s.HitTestContact({INT32_MIN, INT32_MAX}, hit), 0);
    EXPECT_EQ(s.HitTestSource({INT32_MAX, INT32_MIN}, key), 0);
    EXPECT_EQ(s.HitTestSource({INT32_MIN, INT32_MAX}, key), 1);
}

TEST(InterconnectDrag, RubberBandState)
{
    CInterconnect s;
    s.Init(9, 0, 0, kSwitchSelector);
    EXPECT_EQ(s.DragTo(5, 5), 0);  // no drag yet
    EXPECT_EQ(s.EndDrag(5, 5), 0);
    EXPECT_EQ(s.BeginDrag(10, 10, 8), 0);  // another switch's key
    EXPECT_FALSE(s.IsDragging());

    EXPECT_EQ(s.BeginDrag(-4, 30, 9), 1);
    EXPECT_TRUE(s.IsDragging());
    EXPECT_EQ(s.GetDragAnchor(), (LogPoint{0, 30}));
    EXPECT_EQ(s.DragTo(0, 30), 0);  // same point: nothing to redraw
    EXPECT_EQ(s.DragTo(50, -7), 1);
    EXPECT_EQ(s.GetDragEnd(), (LogPoint{50, 0}));
    EXPECT_EQ(s.DragTo(50, -1), 0);  // clamps to the same point
    EXPECT_EQ(s.EndDrag(60, 70), 1);
    EXPECT_FALSE(s.IsDragging());
    EXPECT_EQ(s.GetDragEnd(), (LogPoint{60, 70}));
    EXPECT_EQ(s.DragTo(80, 80), 0);
}

// Colour indices of the drawing: the connected path, open contacts, the lifted blade.
constexpr int kArm = CInterconnect::kColorArm;
constexpr int kContact = CInterconnect::kColorContact;
constexpr int kBlade = CInterconnect::kColorBlade;

std::string Circle(int x, int y, int r, int pen, int brush)
{
    return "circle " + std::to_string(x) + "," + std::to_string(y) + " r" + std::to_string(r) + " pen " +
           std::to_string(pen) + " brush " + std::to_string(brush);
}

// The ZelA feedback switch (key 3): value 0 selects contact 1 at (5050, 7100), the feedback
// resistor is in (CLOSED); value 1 selects contact 0, which lies on the source: nothing is
// connected (OPEN).
TEST(InterconnectDraw, FeedbackSwitchClosedAndOpen)
{
    auto switches = BuildSwitches("ZelA");
    CInterconnect* s = FindSwitch(switches, 3);
    ASSERT_NE(s, nullptr);
    s->SetConnValue(3, 0);
    EXPECT_TRUE(s->IsClosed());
    RecordingPainter closed;
    s->Draw(closed);
    // A heavy blade onto its contact, both ends filled.
    EXPECT_EQ(closed.calls, (std::vector<std::string>{
                                "line 5250,7100 5050,7100 pen 35 w3",
                                Circle(5250, 7100, 34, kArm, kArm),
                                Circle(5050, 7100, 34, kArm, kArm),
                            }));
    s->SetConnValue(3, 1);
    EXPECT_FALSE(s->IsClosed());
    EXPECT_EQ(s->ConnectedContact(), 0);
    RecordingPainter open;
    s->Draw(open);
    // The blade points at the contact from above and stops short of it; the contact is an open
    // circle. Nothing of the open switch uses the heavy arm or its colour, nor the colour that
    // is black on the screen's dark background (36).
    EXPECT_EQ(open.calls, (std::vector<std::string>{
                              "line 5250,7100 5080,7190 pen 25 w2",
                              Circle(5250, 7100, 28, kBlade, kBlade),
                              Circle(5050, 7100, 28, kContact, Painter::kNone),
                          }));
}

TEST(InterconnectDraw, TypeOneSwitchFollowsItsContactsToo)
{
    CInterconnect s;
    s.Init(7, 0, 0, kSwitchTwoPositionOne);
    s.SetValXYAssoc(7, 0, 1, 0, 0);
    s.SetValXYAssoc(7, 1, 0, -200, 0);
    s.SetConnValue(7, 0);
    RecordingPainter a;
    s.Draw(a);
    EXPECT_EQ(a.calls[0], "line 0,0 -200,0 pen 35 w3");
    s.SetConnValue(7, 1);
    RecordingPainter b;
    s.Draw(b);
    EXPECT_EQ(b.calls[0], "line 0,0 -170,90 pen 25 w2");
}

// For every value of every selector of ZelA, ZelB and ZelC: exactly one heavy arm, from the
// source to the contact of that value (lifted off the row when the contact lies on it), a
// filled joint on that contact and on the pivot, and an open circle on every other contact.
TEST(InterconnectDraw, SelectorArmRunsToTheContactOfEachValue)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC"}) {
        auto switches = BuildSwitches(type);
        for (const auto& sw : switches) {
            if (sw->GetSwitchType() != kSwitchSelector && sw->GetSwitchType() != kSwitchOutput)
                continue;
            const LogPoint src = sw->GetSource();
            for (int c = 0; c < sw->GetContactCount(); ++c) {
                const SwitchContact contact = sw->GetContact(c);
                sw->SetConnValue(sw->GetSymKey(), contact.SymbolValue);
                RecordingPainter p;
                sw->Draw(p);
                const std::string where = std::string(type) + " key " + std::to_string(sw->GetSymKey()) +
                                          " value " + std::to_string(contact.SymbolValue);
                const bool atSource = contact.TargetXY == src;
                int arms = 0, joints = 0, open = 0;
                for (const std::string& call : p.calls) {
                    if (call.find(" w3") != std::string::npos) {
                        ++arms;
                        // The arm starts at the source and ends on the contact.
                        EXPECT_EQ(call.find(RecordingPainter::P(src) + " "), call.find(' ') + 1) << where << call;
                        EXPECT_TRUE(call.ends_with(" " + RecordingPainter::P(contact.TargetXY) + " pen 35 w3"))
                            << where << call;
                        if (contact.TargetXY.y == src.y) {
                            EXPECT_EQ(call.rfind("polyline", 0), 0u) << where << call;
                        }
                    } else if (call.rfind("circle", 0) == 0 && call.find(" r34 ") != std::string::npos) {
                        ++joints;
                        EXPECT_TRUE(call.find(RecordingPainter::P(src)) != std::string::npos ||
                                    call.find(RecordingPainter::P(contact.TargetXY)) != std::string::npos)
                            << where << call;
                    } else if (call.rfind("circle", 0) == 0) {
                        ++open;
                        EXPECT_EQ(call.find(RecordingPainter::P(contact.TargetXY)), std::string::npos) << where << call;
                        EXPECT_NE(call.find("brush -1"), std::string::npos) << where << call;
                    }
                }
                int others = 0;
                for (int k = 0; k < sw->GetContactCount(); ++k)
                    if (k != c && !(sw->GetContact(k).TargetXY == src))
                        ++others;
                EXPECT_EQ(arms, atSource ? 0 : 1) << where;
                EXPECT_EQ(joints, atSource ? 1 : 2) << where;
                EXPECT_EQ(open, others) << where;
            }
        }
    }
}

TEST(InterconnectDraw, SelectorArmLeavesTheRowOfContacts)
{
    auto switches = BuildSwitches("ZelB");
    CInterconnect* s = FindSwitch(switches, 27);  // values 5,1,2,3,4,0,6; 5 lies on the source
    ASSERT_NE(s, nullptr);
    s->SetConnValue(27, 0);  // contact 5 at (7300, 7300)
    RecordingPainter p;
    s->Draw(p);
    EXPECT_NE(std::find(p.calls.begin(), p.calls.end(),
                        "polyline 7700,7300 7630,7370 7370,7370 7300,7300 pen 35 w3"),
              p.calls.end());
    s->SetConnValue(27, 9);  // no contact of that value: no arm, the pivot alone
    RecordingPainter q;
    s->Draw(q);
    for (const std::string& call : q.calls)
        EXPECT_EQ(call.find(" w3"), std::string::npos) << call;
    EXPECT_EQ(s->ConnectedContact(), -1);
    EXPECT_FALSE(s->IsClosed());
}

TEST(InterconnectDraw, ChainDrawsBothSwitchesOfAKey)
{
    auto switches = BuildSwitches("ZelC");
    CInterconnect* head = FindSwitch(switches, 0);
    ASSERT_NE(head, nullptr);
    ASSERT_NE(head->GetNext(), nullptr);
    EXPECT_EQ(head->GetNext()->GetSource(), (LogPoint{8400, 8200}));
    EXPECT_EQ(head->GetNext()->GetNext(), nullptr);
    // The two switches of OA1's key change over: one is closed whatever the value.
    for (int v : {0, 1}) {
        head->SetConnValue(0, v);
        head->GetNext()->SetConnValue(0, v);
        EXPECT_NE(head->IsClosed(), head->GetNext()->IsClosed()) << v;
        RecordingPainter p;
        head->DrawChain(p);
        RecordingPainter one;
        head->Draw(one);
        RecordingPainter two;
        head->GetNext()->Draw(two);
        EXPECT_EQ(p.calls.size(), one.calls.size() + two.calls.size());
        int heavy = 0;
        for (const std::string& call : p.calls)
            heavy += call.find(" w3") != std::string::npos ? 1 : 0;
        EXPECT_EQ(heavy, 1) << v;
    }
}

TEST(InterconnectGeometry, SwitchesPerDevice)
{
    const std::map<std::string, std::pair<int, std::size_t>> expected = {
        {"ZelA", {12, 12}}, {"ZelB", {11, 11}}, {"ZelC", {19, 18}}, {"ZelD", {0, 0}}, {"ZelE", {0, 0}}};
    for (const auto& [type, counts] : expected) {
        auto ic = CreateInterconnect(type);
        ASSERT_NE(ic, nullptr) << type;
        EXPECT_EQ(ic->GetSwitchCount(), counts.first) << type;
        auto switches = BuildSwitches(type);
        EXPECT_EQ(switches.size(), counts.second) << type;
        for (const auto& s : switches) {
            EXPECT_EQ(s->GetSwitchCount(), counts.first) << type;
            EXPECT_GE(s->GetContactCount(), 2) << type;
            // Every switch's contact 0 or its source is where the user starts a drag.
            int key = -1;
            EXPECT_EQ(s->HitTestSource(s->GetSource(), key), 1);
            EXPECT_EQ(key, s->GetSymKey());
        }
    }
    EXPECT_EQ(CreateInterconnect("zela"), nullptr);
    EXPECT_TRUE(BuildSwitches("ZelX").empty());
}

TEST(InterconnectGeometry, TablesAsListed)
{
    struct Row {
        const char* type;
        int index;  // position in the device's table
        int key, switchType, sx, sy;
        std::vector<SwitchContact> contacts;
    };
    const std::vector<Row> rows = {
        {"ZelA", 0, 3, 0, 5250, 7100, {{1, {5250, 7100}}, {0, {5050, 7100}}}},
        {"ZelA", 7, 36, 0, 7150, 4900, {{1, {7150, 4900}}, {0, {6950, 4900}}}},
        {"ZelA", 3, 10, 2, 2300, 6300,
         {{0, {2300, 6300}}, {4, {2100, 6300}}, {5, {1900, 6300}}, {3, {1700, 6300}},
          {2, {1500, 6300}}, {1, {1300, 6300}}}},
        {"ZelA", 11, 43, 2, 10500, 4100,
         {{0, {10500, 4100}}, {4, {10700, 4100}}, {5, {10900, 4100}}, {3, {11100, 4100}},
          {2, {11300, 4100}}, {1, {11500, 4100}}}},
        {"ZelB", 1, 15, 0, 5250, 4900, {{1, {5250, 4900}}, {0, {5050, 4900}}}},
        {"ZelB", 4, 11, 2, 2300, 6850,
         {{0, {2300, 6850}}, {4, {2100, 6850}}, {6, {1900, 6850}}, {3, {1700, 6850}},
          {5, {1300, 6850}}, {2, {1500, 6850}}, {1, {1100, 6850}}}},
        {"ZelB", 6, 22, 2, 2300, 4100,
         {{0, {2300, 4100}}, {4, {2100, 4100}}, {6, {1900, 4100}}, {3, {1700, 4100}},
          {2, {1500, 4100}}, {1, {1300, 4100}}, {5, {1100, 4100}}}},
        {"ZelB", 9, 29, 2, 7700, 5850,
         {{5, {7700, 5850}}, {1, {6900, 5850}}, {2, {7500, 5850}}, {3, {6700, 5850}},
          {4, {6500, 5850}}, {0, {7300, 5850}}, {6, {7100, 5850}}}},
        {"ZelB", 10, 30, 2, 7700, 5450,
         {{0, {7700, 5450}}, {1, {6900, 5450}}, {2, {7500, 5450}}, {3, {6700, 5450}},
          {4, {6500, 5450}}, {5, {7300, 5450}}, {6, {7100, 5450}}}},
        {"ZelC", 0, 0, 0, 8400, 8600, {{0, {8400, 8600}}, {1, {8200, 8600}}}},
        {"ZelC", 3, 1, 0, 8400, 4500, {{1, {8400, 4500}}, {0, {8200, 4500}}}},
        {"ZelC", 9, 10, 2, 2825, 4300,
         {{0, {2825, 4300}}, {1, {1400, 4300}}, {2, {1600, 4300}}, {3, {1800, 4300}},
          {4, {2000, 4300}}, {5, {2200, 4300}}, {6, {2400, 4300}}, {7, {2600, 4300}}}},
        {"ZelC", 16, 22, 3, 6900, 4300, {{0, {7200, 4450}}, {1, {7200, 4150}}}},
        {"ZelC", 17, 23, 3, 6900, 3300, {{0, {7200, 3450}}, {1, {7200, 3150}}}},
    };
    for (const Row& r : rows) {
        auto switches = BuildSwitches(r.type);
        ASSERT_LT(static_cast<std::size_t>(r.index), switches.size());
        const CInterconnect& s = *switches[r.index];
        SCOPED_TRACE(std::string(r.type) + " key " + std::to_string(r.key));
        EXPECT_EQ(s.GetSymKey(), r.key);
        EXPECT_EQ(s.GetSwitchType(), r.switchType);
        EXPECT_EQ(s.GetSource(), (LogPoint{r.sx, r.sy}));
        ASSERT_EQ(s.GetContactCount(), static_cast<int>(r.contacts.size()));
        for (std::size_t i = 0; i < r.contacts.size(); ++i)
            EXPECT_EQ(s.GetContact(static_cast<int>(i)), r.contacts[i]) << i;
    }
    // Key order of the tables.
    const std::map<std::string, std::vector<int>> keys = {
        {"ZelA", {3, 14, 9, 10, 20, 21, 25, 36, 31, 32, 42, 43}},
        {"ZelB", {3, 15, 9, 10, 11, 21, 22, 27, 28, 29, 30}},
        {"ZelC", {0, 0, 1, 1, 13, 14, 11, 18, 19, 10, 16, 17, 20, 21, 24, 25, 22, 23}},
    };
    for (const auto& [type, list] : keys) {
        std::vector<int> got;
        for (const auto& s : BuildSwitches(type))
            got.push_back(s->GetSymKey());
        EXPECT_EQ(got, list) << type;
    }
}

TEST(InterconnectGeometry, SyncShowsTheDeviceValues)
{
    auto config = CreateDeviceConfig("ZelA");
    ASSERT_NE(config, nullptr);
    config->SetSymValue(9, 4);
    config->SetSymValue(3, 0);
    auto switches = BuildSwitches("ZelA");
    SyncSwitches(switches, *config);
    EXPECT_EQ(FindSwitch(switches, 9)->GetConnValue(), 4);
    EXPECT_EQ(FindSwitch(switches, 3)->GetConnValue(), 0);
    config->SetSymValue(3, 1);
    SyncSwitches(switches, *config);
    EXPECT_EQ(FindSwitch(switches, 3)->IsConnected(3), 1);
}

TEST(InterconnectSymKeys, ListAndCursor)
{
    CInterconnect ic;
    ic.ResetSymKeyCursor();
    EXPECT_EQ(ic.NextSymKey(), -1);
    for (int k = 0; k < 33; ++k)
        EXPECT_EQ(ic.AddSymKey(k + 100), 1);
    EXPECT_EQ(ic.AddSymKey(999), 0);
    ic.ResetSymKeyCursor();
    EXPECT_EQ(ic.NextSymKey(), 100);
    EXPECT_EQ(ic.NextSymKey(), 101);
    int n = 2;
    while (ic.NextSymKey() != -1)
        ++n;
    EXPECT_EQ(n, 33);
    EXPECT_EQ(ic.NextSymKey(), -1);
}

TEST(InterconnectXml, WriterLinesExactly)
{
    OneSwitch ic;
    ic.Init(3, 5250, 7100, kSwitchTwoPosition);
    ic.SetValXYAssoc(3, 0, 1, 5250, 7100);
    ic.SetValXYAssoc(3, 1, 0, 5050, -7100);
    ic.SetConnValue(3, 1);
    ic.AddSymKey(3);
    ic.AddSymKey(14);
    std::string out = "x";
    ic.WriteXml(out);
    EXPECT_EQ(out,
              "x<ZelInterconnect>\r\n"
              "  <Switch>\r\n"
              "\r\n   <SwitchIndex>0</SwitchIndex>\r\n"
              "\r\n    <SwitchType>0</SwitchType>\r\n"
              "    <SymKey>3</SymKey>\r\n"
              "    <ConnValue>1</ConnValue>\r\n"
              "    <SourceXY>5250, 7100</SourceXY>\r\n"
              "    <SwitchContactList>\r\n"
              "      <ContactCount>2</ContactCount>\r\n"
              "      <SwitchContact>\r\n"
              "        <ContactIndex>0</ContactIndex>\r\n"
              "        <SymbolValue>1</SymbolValue>\r\n"
              "        <TargetXY>5250, 7100</TargetXY>\r\n"
              "      </SwitchContact>\r\n"
              "      <SwitchContact>\r\n"
              "        <ContactIndex>1</ContactIndex>\r\n"
              "        <SymbolValue>0</SymbolValue>\r\n"
              "        <TargetXY>5050, -7100</TargetXY>\r\n"
              "      </SwitchContact>\r\n"
              "    </SwitchContactList>\r\n"
              "  </Switch>\r\n"
              "\r\n  <SymKeysThatHaveInterconnect>\r\n"
              "    <SymKey>3</SymKey>\r\n"
              "    <SymKey>14</SymKey>\r\n"
              "  </SymKeysThatHaveInterconnect>\r\n\r\n"
              "</ZelInterconnect>\r\n\r\n");
}

TEST(InterconnectXml, EmptyFamilyWritesOnlyTheKeyList)
{
    CInterconnect ic;  // ZelD/ZelE: no switches
    std::string out;
    ic.WriteXml(out);
    EXPECT_EQ(out,
              "<ZelInterconnect>\r\n"
              "\r\n  <SymKeysThatHaveInterconnect>\r\n"
              "  </SymKeysThatHaveInterconnect>\r\n\r\n"
              "</ZelInterconnect>\r\n\r\n");
}

TEST(InterconnectXml, SingleObjectWritesItsFieldsForEveryIndexAndReadsBack)
{
    CZelAInterconnect ic;
    ic.Init(20, 2300, 4900, kSwitchSelector);
    for (int i = 0; i < 6; ++i)
        ic.SetValXYAssoc(20, i, i, 2300 - 200 * i, 4900);
    ic.SetConnValue(20, 3);
    for (int k : {3, 14, 9})
        ic.AddSymKey(k);
    std::string out;
    ic.WriteXml(out);
    EXPECT_NE(out.find("<SwitchIndex>11</SwitchIndex>"), std::string::npos);
    EXPECT_EQ(out.find("<SwitchIndex>12</SwitchIndex>"), std::string::npos);

    CZelAInterconnect back;
    back.AddSymKey(77);  // replaced by the list read
    ReadInto(back, out);
    EXPECT_EQ(back.GetSwitchType(), kSwitchSelector);
    EXPECT_EQ(back.GetSymKey(), 20);
    EXPECT_EQ(back.GetConnValue(), 3);
    EXPECT_EQ(back.GetSource(), (LogPoint{2300, 4900}));
    ASSERT_EQ(back.GetContactCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(back.GetContact(i), ic.GetContact(i));
    EXPECT_EQ(back.GetSymKeys(), (std::vector<int>{3, 14, 9}));

    std::string again;
    back.WriteXml(again);
    EXPECT_EQ(again, out);
}

TEST(InterconnectXml, SwitchListRoundTrip)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC"}) {
        SCOPED_TRACE(type);
        auto doc = CreateInterconnect(type);
        doc->Init(77, 1, 2, kSwitchSelector);
        auto switches = BuildSwitches(type);
        std::vector<const CInterconnect*> written;
        for (std::size_t i = 0; i < switches.size(); ++i) {
            switches[i]->SetConnValue(switches[i]->GetSymKey(), static_cast<int>(i % 3));
            written.push_back(switches[i].get());
            doc->AddSymKey(switches[i]->GetSymKey());
        }
        std::string out;
        doc->WriteXml(out, written);

        // Read into switches of a neutral state.
        std::vector<std::unique_ptr<CInterconnect>> fresh;
        std::vector<CInterconnect*> targets;
        for (std::size_t i = 0; i < switches.size(); ++i) {
            fresh.push_back(CreateInterconnect(type));
            targets.push_back(fresh.back().get());
        }
        auto docBack = CreateInterconnect(type);
        ReadInto(*docBack, out, targets);
        for (std::size_t i = 0; i < switches.size(); ++i) {
            const CInterconnect& a = *switches[i];
            const CInterconnect& b = *fresh[i];
            EXPECT_EQ(b.GetSymKey(), a.GetSymKey()) << i;
            EXPECT_EQ(b.GetSwitchType(), a.GetSwitchType()) << i;
            EXPECT_EQ(b.GetConnValue(), a.GetConnValue()) << i;
            EXPECT_EQ(b.GetSource(), a.GetSource()) << i;
            ASSERT_EQ(b.GetContactCount(), a.GetContactCount()) << i;
            for (int j = 0; j < a.GetContactCount(); ++j)
                EXPECT_EQ(b.GetContact(j), a.GetContact(j)) << i << "/" << j;
        }
        EXPECT_EQ(docBack->GetSymKeys(), doc->GetSymKeys());
        // ZelC's 19th entry has no switch of its own: it lands in the document's object.
        if (std::string(type) == "ZelC") {
            EXPECT_EQ(docBack->GetSymKey(), 77);
            EXPECT_EQ(docBack->GetSource(), (LogPoint{1, 2}));
        } else {
            EXPECT_EQ(docBack->GetSymKey(), 0);
        }
    }
}

TEST(InterconnectXml, ThirtyFiveKeysKeepThirtyThree)
{
    RecordingPrompter rec;
    ScopedPrompter scope(rec);
    CZelAInterconnect ic;
    ReadInto(ic, KeysElement(35));
    ASSERT_EQ(ic.GetSymKeys().size(), 33u);
    EXPECT_EQ(ic.GetSymKeys().front(), 0);
    EXPECT_EQ(ic.GetSymKeys().back(), 32);
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{
                               "Error: CInterconnect::ParseXmlSymKeysThatHaveInterconnect\ntoo many Symkeys!",
                               "Error: CInterconnect::ParseXmlSymKeysThatHaveInterconnect\ntoo many Symkeys!"}));

    rec.Clear();
    CZelAInterconnect exact;
    ReadInto(exact, KeysElement(33));
    EXPECT_EQ(exact.GetSymKeys().size(), 33u);
    EXPECT_TRUE(rec.messages.empty());
}

TEST(InterconnectXml, PointsReadWithAtoiRules)
{
    const std::map<std::string, LogPoint> cases = {
        {"5250, 7100", {5250, 7100}}, {"abc", {0, 0}},       {"120,-40", {120, -40}},
        {"  7 ,  8", {7, 8}},         {"9", {9, 0}},         {"", {0, 0}},
        {"1x, 2y", {1, 2}},           {"3 4", {3, 4}},
    };
    for (const auto& [text, point] : cases) {
        CInterconnect ic;
        ReadInto(ic, "<ZelInterconnect><Switch><SourceXY>" + text +
                         "</SourceXY><SwitchContactList><SwitchContact><ContactIndex>0</ContactIndex>"
                         "<TargetXY>" + text + "</TargetXY></SwitchContact></SwitchContactList>"
                         "</Switch></ZelInterconnect>");
        EXPECT_EQ(ic.GetSource(), point) << text;
        EXPECT_EQ(ic.GetContact(0).TargetXY, point) << text;
    }
}

TEST(InterconnectXml, OddContactEntries)
{
    CInterconnect ic;
    ReadInto(ic,
             "<ZelInterconnect><Switch><SymKey>4</SymKey><SwitchContactList>"
             "<SwitchContact><ContactIndex>12</ContactIndex><SymbolValue>1</SymbolValue></SwitchContact>"
             "<SwitchContact><ContactIndex>-1</ContactIndex></SwitchContact>"
             "<SwitchContact><SymbolValue>8</SymbolValue></SwitchContact>"
             "<SwitchContact><ContactIndex>3</ContactIndex><SymbolValue>6</SymbolValue>"
             "<TargetXY>1, 2</TargetXY></SwitchContact>"
             "<SwitchContact><ContactIndex>4</ContactIndex><SymbolValue>9</SymbolValue>"
             "</SwitchContactList></Switch></ZelInterconnect>");
    EXPECT_EQ(ic.GetSymKey(), 4);
    // Out-of-range and missing indices are dropped; an unfinished contact is not stored.
    EXPECT_EQ(ic.GetContact(3), (SwitchContact{6, {1, 2}}));
    EXPECT_EQ(ic.GetContact(4), SwitchContact{});
    EXPECT_EQ(ic.GetContact(0), SwitchContact{});
    EXPECT_EQ(ic.GetContactCount(), 4);

    CInterconnect counted;
    ReadInto(counted, "<ZelInterconnect><Switch><SwitchContactList><ContactCount>99</ContactCount>"
                      "</SwitchContactList></Switch></ZelInterconnect>");
    EXPECT_EQ(counted.GetContactCount(), 10);
    ReadInto(counted, "<ZelInterconnect><Switch><SwitchContactList><ContactCount>-3</ContactCount>"
                      "</SwitchContactList></Switch></ZelInterconnect>");
    EXPECT_EQ(counted.GetContactCount(), 0);
}

TEST(InterconnectXml, UnknownElementsAreSkipped)
{
    CXmlParser p;
    p.AddElement("<ZelDevice>", 1);
    p.AddElement("</ZelDevice>", 2);
    p.AddElement("<NameText>", 3);
    p.AddElement("</NameText>", 4);
    CInterconnect ic;
    ReadInto(ic,
             "<ZelInterconnect>\r\n<Bogus><Switch><SymKey>99</SymKey></Switch></Bogus>\r\n"
             "<NameText><Switch><SymKey>98</SymKey></Switch></NameText>\r\n"
             "<!-- note -->\r\n<Switch><Extra a='1'/>stray text<SymKey>5</SymKey></Switch>\r\n"
             "</ZelInterconnect>\r\n</ZelDevice>",
             {}, &p);
    EXPECT_EQ(ic.GetSymKey(), 5);
    CXmlElement* next = p.NextElement();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->GetTag(), "</ZelDevice>");
}

TEST(InterconnectXml, ManifestTableInside)
{
    CZelBInterconnect ic;
    ReadInto(ic, "<ZelInterconnect>\r\n<ManifestTable>\r\n<ManifestConstant><Name>VREF</Name>"
                 "<Value>250</Value></ManifestConstant>\r\n</ManifestTable>\r\n</ZelInterconnect>");
    ASSERT_NE(ic.GetManifest(), nullptr);
    EXPECT_EQ(ic.GetManifest()->FindByName("VREF")->Value, 250);
    // A second table replaces the first.
    ReadInto(ic, "<ZelInterconnect><ManifestTable></ManifestTable></ZelInterconnect>");
    ASSERT_NE(ic.GetManifest(), nullptr);
    EXPECT_EQ(ic.GetManifest()->GetCount(), 0);
}

TEST(InterconnectXml, EveryPrefixOfADeviceFileEnds)
{
    // The interconnect element as the device schematic file holds it, with a manifest table.
    CZelCInterconnect doc;
    auto switches = BuildSwitches("ZelC");
    std::vector<const CInterconnect*> written;
    for (const auto& s : switches) {
        written.push_back(s.get());
        doc.AddSymKey(s->GetSymKey());
    }
    std::string element;
    doc.WriteXml(element, written);
    const std::string manifest =
        "<ManifestTable><ManifestConstant><Name>N</Name><Value>1</Value></ManifestConstant>"
        "</ManifestTable>\r\n";
    element.insert(element.rfind("</ZelInterconnect>"), manifest);
    const std::string file = "<?xml version=\"1.0\"?>\r\n\r\n<ZelDevice>\r\n\r\n" + element +
                             "</ZelDevice>\r\n\r\n";

    RecordingPrompter rec;
    ScopedPrompter scope(rec);
    // Full file: everything arrives and the device's end tag is left for the file's reader.
    {
        CXmlParser p;
        p.AddElement("<ZelDevice>", 1);
        p.AddElement("</ZelDevice>", 2);
        CInterconnect::RegisterXmlTags(p);
        p.SetText(file);
        p.ParseProlog();
        ASSERT_NE(p.NextElement(), nullptr);
        CZelCInterconnect back;
        back.ReadXml(p, p.NextElement());
        EXPECT_EQ(back.GetSymKeys(), doc.GetSymKeys());
        ASSERT_NE(back.GetManifest(), nullptr);
        EXPECT_EQ(back.GetManifest()->GetCount(), 1);
        ASSERT_NE(p.NextElement(), nullptr);
        EXPECT_EQ(p.GetLastTag(), "</ZelDevice>");
    }
    const std::size_t step = 7;  // prime step through ~9 kB of text keeps the test quick
    for (std::size_t len = 0; len <= file.size(); len += (len < 400 ? 1 : step)) {
        CXmlParser p;
        p.AddElement("<ZelDevice>", 1);
        p.AddElement("</ZelDevice>", 2);
        CInterconnect::RegisterXmlTags(p);
        p.SetText(file.substr(0, len));
        p.ParseProlog();
        CXmlElement* e = nullptr;
        // The file's reading loop: find the interconnect element and hand it over.
        int guard = 0;
        while ((e = p.NextElement()) || p.GetLastResult() != kXmlEof) {
            ASSERT_LT(++guard, 100) << len;
            if (e && e->GetTag() == "<ZelInterconnect>") {
                CZelCInterconnect back;
                std::vector<std::unique_ptr<CInterconnect>> fresh;
                std::vector<CInterconnect*> targets;
                for (int i = 0; i < 18; ++i) {
                    fresh.push_back(CreateInterconnect("ZelC"));
                    targets.push_back(fresh.back().get());
                }
                back.ReadXml(p, e, targets);
                EXPECT_LE(back.GetSymKeys().size(), doc.GetSymKeys().size());
            } else if (!e) {
                p.SkipElement();
            }
        }
        EXPECT_LE(p.GetPosition(), p.GetBuffer().size());
    }
    EXPECT_TRUE(rec.messages.empty());
}
