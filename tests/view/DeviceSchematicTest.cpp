#include "view/DeviceSchematic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "RecordingPainter.h"
#include "device/DeviceConfig.h"
#include "device/Interconnect.h"
#include "device/SymbolInfo.h"
#include "platform/AtomicFile.h"
#include "view/SchematicDraft.h"
#include "view/ViewGeometry.h"

namespace kalidor {
namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

std::string ShippedFilePath(const std::string& type)
{
    return std::string(KALIDOR_SOURCE_DIR) + "/support/SupportFiles/" + type + CDeviceSchematic::kSupportFileSuffix;
}

std::string ShippedFile(const std::string& type)
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(ShippedFilePath(type), text)) << ShippedFilePath(type);
    return text;
}

// The schematic as a document shows it: built, and for ZelA and ZelB read from the shipped file.
std::unique_ptr<CDeviceSchematic> Shown(const std::string& type)
{
    auto s = CDeviceSchematic::Create(type);
    if (s && s->UsesSupportFile()) {
        EXPECT_TRUE(s->ReadSupportFile(ShippedFile(type)));
    }
    return s;
}

std::string Describe(const CSymbol& s)
{
    return "key " + std::to_string(s.GetKey()) + " '" + s.GetNameText() + "'";
}

bool IsEmpty(const LogRect& r) { return !(r.right > r.left) || !(r.top > r.bottom); }

TEST(DeviceSchematicLayout, EveryLabelledSymbolIsPlacedWithAHitRectangle)
{
    for (const char* type : kTypes) {
        auto s = Shown(type);
        ASSERT_TRUE(s);
        for (const SymbolInfo& info : SymbolInfoTable(type)) {
            const CSymbol* sym = s->GetSymbol(info.key);
            ASSERT_TRUE(sym) << type << " key " << info.key;
            if (info.label.empty() && info.fullName.empty())
                continue;
            EXPECT_FALSE(IsEmpty(sym->GetHitRect())) << type << " " << Describe(*sym);
            EXPECT_FALSE(sym->GetOrigin() == LogPoint{}) << type << " " << Describe(*sym) << " sits at (0,0)";
        }
    }
}

TEST(DeviceSchematicLayout, HitRectanglesOfValidSymbolsAreDisjointAndFindTheirSymbol)
{
    for (const char* type : kTypes) {
        auto s = Shown(type);
        std::vector<const CSymbol*> valid;
        for (CSymbol* sym = s->GetFirstSymbol(); sym; sym = s->GetNextSymbol())
            if (sym->IsValid())
                valid.push_back(sym);
        ASSERT_GT(valid.size(), 5u) << type;
        for (size_t i = 0; i < valid.size(); ++i) {
            for (size_t j = i + 1; j < valid.size(); ++j)
                EXPECT_FALSE(RectsOverlap(valid[i]->GetHitRect(), valid[j]->GetHitRect()))
                    << type << ": " << Describe(*valid[i]) << " overlaps " << Describe(*valid[j]);
            const LogRect& r = valid[i]->GetHitRect();
            const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
            EXPECT_EQ(s->FindSymbolAt(cx, cy), valid[i]) << type << " " << Describe(*valid[i]);
        }
    }
}

TEST(DeviceSchematicLayout, ValueTextsAndNamesLieInsideTheirHitRectangle)
{
    auto inside = [](LogPoint p, const LogRect& r) {
        return r.left <= p.x && p.x <= r.right && r.bottom <= p.y && p.y <= r.top;
    };
    for (const char* type : kTypes) {
        auto s = Shown(type);
        for (CSymbol* sym = s->GetFirstSymbol(); sym; sym = s->GetNextSymbol()) {
            if (!sym->IsValid())
                continue;
            const LogRect& hit = sym->GetHitRect();
            const LogRect& vr = sym->GetValueRect();
            const LogPoint v = vr.IsNull() ? sym->GetValueXY() : LogPoint{vr.left, vr.top};
            EXPECT_FALSE(v == LogPoint{}) << type << " " << Describe(*sym) << " has no value position";
            EXPECT_TRUE(inside(v, hit)) << type << " " << Describe(*sym);
            if (!(sym->GetNameXY() == LogPoint{})) {
                EXPECT_TRUE(inside(sym->GetNameXY(), hit)) << type << " " << Describe(*sym);
            }
        }
    }
}

// The drawn texts of different symbols never overlap, for values as wide as the widest the
// layout allows for (the hit rectangles) and for the current ones.
TEST(DeviceSchematicLayout, NamesOfDifferentSymbolsDoNotOverlap)
{
    for (const char* type : kTypes) {
        auto s = Shown(type);
        struct Box {
            const CSymbol* sym;
            LogRect r;
        };
        std::vector<Box> boxes;
        for (CSymbol* sym = s->GetFirstSymbol(); sym; sym = s->GetNextSymbol()) {
            const LogPoint n = sym->GetNameXY();
            if (!sym->GetNameText().empty() && !(n == LogPoint{}) && sym->GetNameRect().IsNull())
                boxes.push_back({sym, InflateRect(SchematicTextBox(n.x, n.y, sym->GetNameText()), -10)});
        }
        for (size_t i = 0; i < boxes.size(); ++i)
            for (size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(RectsOverlap(boxes[i].r, boxes[j].r))
                    << type << ": " << Describe(*boxes[i].sym) << " and " << Describe(*boxes[j].sym);
    }
}

TEST(DeviceSchematicLayout, SwitchesKeepTheirGeometryAndHangOnTheirSymbols)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC"}) {
        auto s = Shown(type);
        const auto reference = BuildSwitches(type);
        ASSERT_EQ(s->Switches().size(), reference.size()) << type;
        for (size_t i = 0; i < reference.size(); ++i) {
            const CInterconnect& a = *s->Switches()[i];
            const CInterconnect& b = *reference[i];
            EXPECT_EQ(a.GetSymKey(), b.GetSymKey());
            EXPECT_EQ(a.GetSource(), b.GetSource()) << type << " switch " << i;
            ASSERT_EQ(a.GetContactCount(), b.GetContactCount());
            for (int c = 0; c < a.GetContactCount(); ++c)
                EXPECT_EQ(a.GetContact(c), b.GetContact(c)) << type << " switch " << i << " contact " << c;
            const CSymbol* sym = s->GetSymbol(a.GetSymKey());
            ASSERT_TRUE(sym);
            ASSERT_TRUE(sym->GetSwitch()) << type << " key " << a.GetSymKey();
            // The symbol holds the first switch of its key; the others are chained behind it.
            bool reachable = false;
            for (auto* p = dynamic_cast<CInterconnect*>(sym->GetSwitch()); p; p = p->GetNext())
                reachable = reachable || p == &a;
            EXPECT_TRUE(reachable) << type << " switch " << i;
        }
    }
    EXPECT_TRUE(CDeviceSchematic::Create("ZelD")->Switches().empty());
}

TEST(DeviceSchematicLayout, BothSwitchesOfAnOutputAmplifierAreDrawn)
{
    auto s = CDeviceSchematic::Create("ZelC");
    test::RecordingPainter p;
    s->GetSymbol(0)->Draw(p, false);
    // Value 0: the lower switch is closed (a heavy blade onto its contact), the upper one open
    // (its blade lifted towards its contact).
    int closed = 0, open = 0;
    for (const std::string& c : p.calls) {
        closed += c.find("line (8400,8200) (8200,8200) pen35") == 0;
        open += c.find("line (8400,8600) (8230,8690) pen25") == 0;
    }
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(open, 1);
}

namespace {

// Everything a schematic draws as straight strokes (lines, polylines, the edges of polygons and
// rectangles) and the boxes of its texts.
class StrokePainter : public Painter {
public:
    struct Segment {
        LogPoint a, b;
    };
    struct TextBox {
        LogRect r;
        std::string text;
    };
    std::vector<Segment> segments;
    std::vector<TextBox> texts;

    void SetPen(int c) override { pen = c; }
    void SetBrush(int) override {}
    void SetTextColor(int) override {}
    void Line(LogPoint a, LogPoint b) override { Add(a, b); }
    void Polyline(const LogPoint* p, std::size_t n) override
    {
        for (std::size_t i = 1; i < n; ++i)
            Add(p[i - 1], p[i]);
    }
    void Polygon(const LogPoint* p, std::size_t n) override
    {
        Polyline(p, n);
        if (n > 2)
            Add(p[n - 1], p[0]);
    }
    void Ellipse(const LogRect&) override {}
    void Rectangle(const LogRect& r) override
    {
        const LogPoint pts[5] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
        Polyline(pts, 5);
    }
    void Text(LogPoint p, std::string_view t, int h) override
    {
        if (!t.empty())
            texts.push_back({SchematicTextBox(p.x, p.y, t, h), std::string(t)});
    }
    void TextInRect(const LogRect& r, std::string_view t, int h) override
    {
        int y = std::max(r.top, r.bottom) - h * 4 / 5;
        std::size_t start = 0;
        while (start <= t.size()) {
            std::size_t end = t.find('\n', start);
            if (end == std::string_view::npos)
                end = t.size();
            std::string_view line = t.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            Text({std::min(r.left, r.right), y}, line, h);
            y -= h * 115 / 100;
            start = end + 1;
        }
    }

private:
    void Add(LogPoint a, LogPoint b)
    {
        if (pen != kNone)
            segments.push_back({a, b});
    }
    int pen = 0;
};

// True when the segment passes through the inside of the rectangle (Liang-Barsky clipping).
bool Crosses(const StrokePainter::Segment& s, const LogRect& r)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(s.a.x - r.left), double(r.right - s.a.x), double(s.a.y - r.bottom),
                         double(r.top - s.a.y)};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] <= 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 >= t1)
            return false;
    }
    return true;
}

}  // namespace

// No text lies on a line, a frame or a shape of the drawing (a label across a block border, a
// name on a resistor), nor on another text, with the values of a new design and with every
// setting at its largest value (the widest texts of most symbols).
TEST(DeviceSchematicLayout, TextsStayClearOfStrokesAndOfEachOther)
{
    for (const char* type : kTypes) {
        for (const bool largest : {false, true}) {
            auto s = Shown(type);
            auto config = CreateDeviceConfig(type);
            if (largest)
                for (int key = 0; key < config->SymbolSlotCount(); ++key)
                    if (config->HasRecord(key))
                        config->SetSymValue(key, config->GetSymbolRecord(key).maxValue);
            for (CSymbol* sym = s->GetFirstSymbol(); sym; sym = s->GetNextSymbol())
                s->RefreshValueText(*config, sym->GetKey());
            StrokePainter p;
            s->DrawAll(p);
            std::vector<LogRect> boxes;
            for (const auto& t : p.texts) {
                // A little inside the box: descenders and accents may touch a line.
                const LogRect box = InflateRect(t.r, -20);
                for (const auto& seg : p.segments)
                    EXPECT_FALSE(Crosses(seg, box))
                        << type << (largest ? " (largest values)" : "") << ": '" << t.text << "' lies on the stroke ("
                        << seg.a.x << "," << seg.a.y << ")-(" << seg.b.x << "," << seg.b.y << ")";
                for (std::size_t j = 0; j < boxes.size(); ++j)
                    EXPECT_FALSE(RectsOverlap(boxes[j], box))
                        << type << (largest ? " (largest values)" : "") << ": '" << t.text << "' overlaps '"
                        << p.texts[j].text << "'";
                boxes.push_back(box);
            }
        }
    }
}

TEST(DeviceSchematicLayout, EverythingIsInsideTheDrawingArea)
{
    for (const char* type : kTypes) {
        auto s = Shown(type);
        const ViewRect all = SchematicExtent(*s);
        // Landscape sheets grown a little: nothing strays far out.
        EXPECT_GE(all.left, -1000) << type;
        EXPECT_GE(all.bottom, 0) << type;
        EXPECT_LE(all.right, 14000) << type;
        EXPECT_LE(all.top, 10000) << type;
    }
}

// ---------------------------------------------------------------- support files

TEST(DeviceSchematicFile, ShippedFilesRoundTripByteForByte)
{
    for (const char* type : {"ZelA", "ZelB"}) {
        const std::string shipped = ShippedFile(type);
        ASSERT_FALSE(shipped.empty());
        auto s = CDeviceSchematic::Create(type);
        ASSERT_TRUE(s->ReadSupportFile(shipped));
        EXPECT_EQ(s->WriteSupportFile(), shipped) << type;
    }
}

TEST(DeviceSchematicFile, LayoutOfTheFile)
{
    for (const char* type : {"ZelA", "ZelB"}) {
        const std::string text = ShippedFile(type);
        EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n\r\n<ZelDevice>\r\n\r\n<ZelSchematic>\r\n\r\n", 0), 0u);
        const std::string tail = "</ZelSchematic>\r\n\r\n<ZelInterconnect>\r\n";
        EXPECT_NE(text.find(tail), std::string::npos) << type;
        const std::string end = "</ZelInterconnect>\r\n\r\n</ZelDevice>\r\n\r\n";
        ASSERT_GE(text.size(), end.size());
        EXPECT_EQ(text.substr(text.size() - end.size()), end) << type;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << type << ": bare LF at " << i;
            }
        }
    }
}

TEST(DeviceSchematicFile, ReadingReplacesTheLayoutAndRejectsOtherFiles)
{
    auto s = CDeviceSchematic::Create("ZelA");
    // Built in code, ZelA has no picture until its file is read.
    EXPECT_TRUE(s->GetSymbol(4)->GetDrawnElements().empty());
    EXPECT_FALSE(s->ReadSupportFile("<ZelDesignData>\r\n</ZelDesignData>\r\n"));
    EXPECT_FALSE(s->ReadSupportFile(""));
    ASSERT_TRUE(s->ReadSupportFile(ShippedFile("ZelA")));
    EXPECT_FALSE(s->GetSymbol(4)->GetDrawnElements().empty());
    EXPECT_EQ(s->GetSymbol(4)->GetFullName(), "Block 1 T1 Gain");
    // Reading again does not pile the elements up.
    const size_t n = s->GetSymbol(4)->GetDrawnElements().size();
    ASSERT_TRUE(s->ReadSupportFile(ShippedFile("ZelA")));
    EXPECT_EQ(s->GetSymbol(4)->GetDrawnElements().size(), n);
}

TEST(DeviceSchematicFile, TruncatedFilesNeverHang)
{
    const std::string text = ShippedFile("ZelB");
    auto s = CDeviceSchematic::Create("ZelB");
    for (size_t cut = 0; cut < text.size(); cut += 97)
        s->ReadSupportFile(text.substr(0, cut));
    SUCCEED();
}

TEST(DeviceSchematicFile, WrittenInterconnectHasOneEntryPerSwitch)
{
    auto s = CDeviceSchematic::Create("ZelA");
    std::string out;
    s->WriteInterconnect(out);
    size_t n = 0;
    for (size_t p = out.find("  <Switch>\r\n"); p != std::string::npos; p = out.find("  <Switch>\r\n", p + 1))
        ++n;
    EXPECT_EQ(n, 12u);
    EXPECT_NE(out.find("    <SourceXY>10500, 4100</SourceXY>\r\n"), std::string::npos);
    EXPECT_NE(out.find("  <SymKeysThatHaveInterconnect>\r\n    <SymKey>3</SymKey>\r\n"), std::string::npos);
}

// ---------------------------------------------------------------- texts

TEST(DeviceSchematicTexts, NetlistTextsFollowTheValues)
{
    auto config = CreateDeviceConfig("ZelA");
    auto s = CDeviceSchematic::Create("ZelA");
    config->SetSymValue(9, 1);
    s->RefreshValueText(*config, 9);
    EXPECT_EQ(s->GetSymbol(9)->GetNetlistText(), "IN1");
    EXPECT_EQ(s->GetSymbol(9)->GetAuxText(), "IN1");
    config->SetSymValue(9, 0);
    s->RefreshValueText(*config, 9);
    EXPECT_EQ(s->GetSymbol(9)->GetNetlistText(), "VREF");
    config->SetSymValue(31, 5);
    s->RefreshValueText(*config, 31);
    EXPECT_EQ(s->GetSymbol(31)->GetNetlistText(), "OUT2");
    config->SetSymValue(45, 1);
    s->RefreshValueText(*config, 45);
    EXPECT_EQ(s->GetSymbol(45)->GetNetlistText(), "CMVIN");
    EXPECT_EQ(s->GetSymbol(72)->GetNetlistText(), "IN1");

    auto b = CreateDeviceConfig("ZelB");
    auto sb = CDeviceSchematic::Create("ZelB");
    b->SetSymValue(22, 6);
    sb->RefreshValueText(*b, 22);
    EXPECT_EQ(sb->GetSymbol(22)->GetNetlistText(), "DACOUT");
    b->SetSymValue(27, 1);
    sb->RefreshValueText(*b, 27);
    EXPECT_EQ(sb->GetSymbol(27)->GetNetlistText(), "CIN1");

    auto d = CreateDeviceConfig("ZelD");
    auto sd = CDeviceSchematic::Create("ZelD");
    d->SetSymValue(11, 5);
    sd->RefreshValueText(*d, 11);
    EXPECT_EQ(sd->GetSymbol(11)->GetNetlistText(), "5");
    sd->RefreshValueText(*d, 0);
    EXPECT_EQ(sd->GetSymbol(0)->GetNetlistText().back(), 'p');
    EXPECT_EQ(sd->GetSymbol(22)->GetNameText(), "ZelD");
    EXPECT_EQ(CDeviceSchematic::Create("ZelE")->GetSymbol(22)->GetNameText(), "ZelE");
}

TEST(DeviceSchematicTexts, RefreshingASwitchSymbolMovesItsSwitch)
{
    auto config = CreateDeviceConfig("ZelA");
    auto s = CDeviceSchematic::Create("ZelA");
    config->SetSymValue(3, 1);
    s->RefreshValueText(*config, 3);
    auto* sw = dynamic_cast<CInterconnect*>(s->GetSymbol(3)->GetSwitch());
    ASSERT_TRUE(sw);
    EXPECT_EQ(sw->GetConnValue(), 1);
    config->SetSymValue(3, 0);
    s->RefreshValueText(*config, 3);
    EXPECT_EQ(sw->GetConnValue(), 0);
    EXPECT_FALSE(s->RefreshValueText(*config, 99));
}

TEST(SchematicDraft, TextWidthsAndBoxes)
{
    EXPECT_EQ(SchematicTextWidth(""), 0);
    EXPECT_GT(SchematicTextWidth("WW"), SchematicTextWidth("ii"));
    // Lines are measured apart; the widest counts.
    EXPECT_EQ(SchematicTextWidth("OUT1\r\nx"), SchematicTextWidth("OUT1"));
    const LogRect b = SchematicTextBox(100, 1000, "IN1");
    EXPECT_EQ(b.left, 100);
    EXPECT_GT(b.top, 1000);
    EXPECT_LT(b.bottom, 1000);
    EXPECT_TRUE(RectsOverlap({0, 10, 10, 0}, {5, 15, 15, 5}));
    EXPECT_FALSE(RectsOverlap({0, 10, 10, 0}, {10, 10, 20, 0}));  // touching edges only
}

TEST(SchematicDraft, AbsolutePositionsBecomeRelativeToTheOrigin)
{
    CSchematic s;
    CSymbolDraft d(s, 7);
    d.Origin(1000, 2000).Line(1100, 2100, 1300, 2100).Elem(ELEM_CAPACITOR, 900, 1900);
    const auto& e = s.GetSymbol(7)->GetDrawnElements();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].GetPoint(0), (LogPoint{100, 100}));
    EXPECT_EQ(e[0].GetPoint(1), (LogPoint{300, 100}));
    EXPECT_EQ(e[1].GetOrigin(), (LogPoint{-100, -100}));
    EXPECT_FALSE(CSymbolDraft(s, 100).IsValid());
}

}  // namespace
}  // namespace kalidor
