#include "device/ManifestTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/XmlParser.h"
#include "device/Interconnect.h"

using namespace kalidor;

namespace {

std::vector<std::pair<std::string, int>> Entries(CManifestTable& t)
{
    std::vector<std::pair<std::string, int>> out;
    t.ResetCursorA();
    while (ManifestConstant* c = t.NextA())
        out.emplace_back(c->Name, c->Value);
    return out;
}

// Reads `text`, which starts with <ManifestTable>, into `t`.
int Read(CManifestTable& t, const std::string& text, CXmlParser* parserOut = nullptr)
{
    CXmlParser local;
    CXmlParser& p = parserOut ? *parserOut : local;
    CManifestTable::RegisterXmlTags(p);
    p.SetText(text);
    CXmlElement* start = p.NextElement();
    EXPECT_NE(start, nullptr);
    return t.ReadXml(p, start);
}

const std::string kTable =
    "<ManifestTable>\r\n"
    "  <ManifestConstant>\r\n    <Name>GAIN_MAX</Name>\r\n    <Value>10</Value>\r\n"
    "  </ManifestConstant>\r\n"
    "  <ManifestConstant>\r\n    <Value>-7</Value>\r\n  </ManifestConstant>\r\n"
    "  <ManifestConstant>\r\n    <Name>NO_VALUE</Name>\r\n  </ManifestConstant>\r\n"
    "  <Unknown>ignored<ManifestConstant></Unknown>\r\n"
    "  <ManifestConstant><Name>GAIN_MAX</Name><Extra>1</Extra><Value>  42abc</Value>"
    "</ManifestConstant>\r\n"
    "</ManifestTable>\r\n";

}  // namespace

TEST(ManifestTable, DuplicateNamesFindTheLowerSlot)
{
    CManifestTable t;
    t.Add("A", 1);
    t.Add("B", 2);
    t.Add("A", 3);
    ASSERT_NE(t.FindByName("A"), nullptr);
    EXPECT_EQ(t.FindByName("A")->Value, 1);
    EXPECT_EQ(t.FindByName("B")->Value, 2);
    EXPECT_EQ(t.FindByName("a"), nullptr);  // case-sensitive
    EXPECT_EQ(t.FindByName(""), nullptr);
    EXPECT_EQ(t.GetCount(), 3);
}

TEST(ManifestTable, CursorsAreIndependent)
{
    CManifestTable t;
    t.ResetCursorA();
    EXPECT_EQ(t.NextA(), nullptr);  // empty: none at once
    EXPECT_EQ(t.NextA(), nullptr);

    t.Add("X", 1);
    t.Add("Y", 2);
    t.Add("Z", 3);
    t.ResetCursorA();
    EXPECT_EQ(t.NextA()->Name, "X");
    EXPECT_EQ(t.FindByName("Z")->Value, 3);  // searching runs cursor B only
    EXPECT_EQ(t.NextA()->Name, "Y");
    EXPECT_EQ(t.NextA()->Name, "Z");
    EXPECT_EQ(t.NextA(), nullptr);
    EXPECT_EQ(t.NextA(), nullptr);

    t.ResetCursorB();
    EXPECT_EQ(t.NextB()->Name, "X");
    t.ResetCursorA();
    EXPECT_EQ(t.NextA()->Name, "X");
    EXPECT_EQ(t.NextB()->Name, "Y");
}

TEST(ManifestTable, FullTableRefusesMore)
{
    CManifestTable t;
    for (int i = 0; i < CManifestTable::kSlots; ++i)
        ASSERT_NE(t.Add("C" + std::to_string(i), i), nullptr);
    EXPECT_EQ(t.Add("extra", 1), nullptr);
    EXPECT_EQ(t.GetCount(), 400);
    EXPECT_EQ(t.FindByName("extra"), nullptr);
    EXPECT_EQ(t.FindByName("C399")->Value, 399);
    EXPECT_EQ(Entries(t).size(), 400u);

    t.Clear();
    EXPECT_EQ(t.GetCount(), 0);
    EXPECT_TRUE(Entries(t).empty());
    EXPECT_NE(t.Add("again", 5), nullptr);
    EXPECT_EQ(Entries(t), (std::vector<std::pair<std::string, int>>{{"again", 5}}));
}

TEST(ManifestTableXml, ReadsConstantsAndSkipsTheRest)
{
    CManifestTable t;
    CXmlParser p;
    p.AddElement("<After>", 99);
    EXPECT_EQ(Read(t, kTable + "<After>", &p), 4);
    EXPECT_EQ(Entries(t), (std::vector<std::pair<std::string, int>>{
                              {"GAIN_MAX", 10}, {"", -7}, {"NO_VALUE", 0}, {"GAIN_MAX", 42}}));
    EXPECT_EQ(t.FindByName("GAIN_MAX")->Value, 10);
    // Reading stopped right after the table's end tag.
    ASSERT_NE(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastTag(), "<After>");
}

TEST(ManifestTableXml, NameIsCutAtEightyCharacters)
{
    const std::string longName(100, 'n');
    CManifestTable t;
    Read(t, "<ManifestTable><ManifestConstant><Name>" + longName +
                "</Name><Value>1</Value></ManifestConstant></ManifestTable>");
    ASSERT_EQ(t.GetCount(), 1);
    EXPECT_EQ(t.FindByName(std::string(80, 'n'))->Value, 1);
}

TEST(ManifestTableXml, ReadingAppendsToWhatIsThere)
{
    CManifestTable t;
    t.Add("before", 1);
    Read(t, "<ManifestTable><ManifestConstant><Name>x</Name><Value>2</Value></ManifestConstant>"
            "</ManifestTable>");
    EXPECT_EQ(Entries(t), (std::vector<std::pair<std::string, int>>{{"before", 1}, {"x", 2}}));
}

TEST(ManifestTableXml, TooManyConstantsStopAtFourHundred)
{
    std::string text = "<ManifestTable>";
    for (int i = 0; i < 410; ++i)
        text += "<ManifestConstant><Name>K" + std::to_string(i) + "</Name><Value>" +
                std::to_string(i) + "</Value></ManifestConstant>";
    text += "</ManifestTable>";
    CManifestTable t;
    EXPECT_EQ(Read(t, text), 400);
    EXPECT_EQ(t.GetCount(), 400);
    EXPECT_EQ(t.FindByName("K400"), nullptr);
    EXPECT_EQ(t.FindByName("K399")->Value, 399);
}

TEST(ManifestTableXml, EveryPrefixReadsOnlyCompleteConstants)
{
    for (std::size_t len = 0; len <= kTable.size(); ++len) {
        const std::string text = kTable.substr(0, len);
        CXmlParser p;
        CManifestTable::RegisterXmlTags(p);
        p.SetText(text);
        CXmlElement* start = p.NextElement();
        if (!start)
            continue;
        CManifestTable t;
        t.ReadXml(p, start);
        const auto entries = Entries(t);
        // Constants come complete and in order, whatever the cut.
        const std::vector<std::pair<std::string, int>> all = {
            {"GAIN_MAX", 10}, {"", -7}, {"NO_VALUE", 0}, {"GAIN_MAX", 42}};
        ASSERT_LE(entries.size(), all.size()) << len;
        for (std::size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(entries[i], all[i]) << len;
        if (len == kTable.size()) {
            EXPECT_EQ(entries.size(), 4u);
        }
    }
}

TEST(ManifestTableXml, EnclosingEndTagEndsATableCutShort)
{
    // The table lacks its end tag; the interconnect element around it still ends properly.
    const std::string text =
        "<ZelInterconnect><ManifestTable><ManifestConstant><Name>a</Name><Value>1</Value>"
        "</ManifestConstant><ManifestConstant><Name>b</Name></ZelInterconnect>"
        "<ZelInterconnect><SymKeysThatHaveInterconnect><SymKey>5</SymKey>"
        "</SymKeysThatHaveInterconnect></ZelInterconnect>";
    CXmlParser p;
    CInterconnect::RegisterXmlTags(p);
    p.SetText(text);
    CZelAInterconnect ic;
    ic.ReadXml(p, p.NextElement());
    ASSERT_NE(ic.GetManifest(), nullptr);
    EXPECT_EQ(Entries(*ic.GetManifest()), (std::vector<std::pair<std::string, int>>{{"a", 1}}));
    // The second element is still there to be read.
    CXmlElement* next = p.NextElement();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->GetTag(), "<ZelInterconnect>");
    ic.ReadXml(p, next);
    EXPECT_EQ(ic.GetSymKeys(), std::vector<int>{5});
}
