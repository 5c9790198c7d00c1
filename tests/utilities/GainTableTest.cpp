// The gain table: reading its file (shape, order, damage, capacities), Find with its filters, and
// the search's questions — the two-block question, the outward search up before down, the
// input/output message — with scripted answers.
#include <gtest/gtest.h>

#include "platform/Prompter.h"
#include "utilities/GainTable.h"

using namespace kalidor;

namespace {

std::string Table(const std::string& gains, const std::string& connections, const std::string& d = "ZelA")
{
    return "<?xml version=\"1.0\"?>\r\n<!-- a comment -->\r\n<" + d + "GainWizard>\r\n<DocFmtVersion>1</DocFmtVersion>\r\n<DeviceType>" +
           d + "</DeviceType>\r\n<" + d + "GainTable>\r\n" + gains + "</" + d + "GainTable>\r\n<" + d +
           "ConnectTable>\r\n" + connections + "</" + d + "ConnectTable>\r\n</" + d + "GainWizard>\r\n";
}

std::string G(const std::string& numbers) { return "<ZelAGainEntry>" + numbers + "</ZelAGainEntry>\r\n"; }
std::string C(const std::string& numbers) { return "<ZelAConnectEntry>" + numbers + "</ZelAConnectEntry>\r\n"; }

// Gain 5 with one block (configuration 1) and gains 12 and 14 only with two (3); 13 nowhere.
// Configuration 1 connects IN1 to OUT1, configuration 3 IN1 to OUT2 and IN3 to OUT1.
const std::string kGains = G("1, 0, 5, 5, 0, 0, 0") + G("1 1 5 5 0 0 0") + G("1, 2, 5, 5, 0, 0, 0") +
                           G("3, 0, 12, 4, 0, 3, 0") + G("3, 1, 12, 3, 0, 4, 0") + G("3, 2, 12, 2, 0, 6, 0") +
                           G("3, 0, 14, 7, 0, 2, 0") + G("3, 0, -20, 10, 0, -2, 0");
const std::string kConnections = C("1, 1, 1, 1, 1, 0, 0, 0, 0") + C("3, 1, 2, 1, 1, 0, 2, 3, 0") +
                                 C("3, 3, 1, 4, 1, 0, 1, 5, 0");

CGainTable Loaded()
{
    CGainTable t;
    std::string error;
    EXPECT_TRUE(t.Read(Table(kGains, kConnections), "ZelA", &error)) << error;
    return t;
}

}  // namespace

TEST(GainTableFile, ReadsEntriesAndConnectionsInOrder)
{
    const CGainTable t = Loaded();
    ASSERT_EQ(t.Entries().size(), 8u);
    EXPECT_EQ(t.Entries()[3], (CGainEntry{3, 0, 12, {4, 0, 3, 0}}));
    EXPECT_EQ(t.Entries()[7].gain, -20);
    ASSERT_EQ(t.Connections().size(), 3u);
    EXPECT_EQ(t.Connections()[1], (CGainConnection{3, 1, 2, {1, 1, 0, 2, 3, 0}}));
    // Written and read again, the same table.
    CGainTable u;
    u.SetContents("ZelA", "header", t.Entries(), t.Connections());
    CGainTable v;
    ASSERT_TRUE(v.Read(u.Write(), "ZelA"));
    EXPECT_EQ(v.Entries(), t.Entries());
    EXPECT_EQ(v.Connections(), t.Connections());
}

TEST(GainTableFile, RefusesWrongShapesAndDamage)
{
    CGainTable t;
    std::string error;
    // Another device's root.
    EXPECT_FALSE(t.Read(Table(kGains, kConnections), "ZelB", &error));
    // Connection table first.
    const std::string swapped = "<ZelAGainWizard><ZelAConnectTable>" + C("1,1,1,1,1,0,0,0,0") +
                                "</ZelAConnectTable><ZelAGainTable>" + G("1,0,5,5,0,0,0") +
                                "</ZelAGainTable></ZelAGainWizard>";
    EXPECT_FALSE(t.Read(swapped, "ZelA", &error));
    EXPECT_NE(error.find("first"), std::string::npos);
    // Ends before the closing root element.
    const std::string whole = Table(kGains, kConnections);
    EXPECT_FALSE(t.Read(whole.substr(0, whole.size() - 40), "ZelA", &error));
    EXPECT_FALSE(t.IsLoaded());
    EXPECT_TRUE(t.Entries().empty());
    // An entry with too few numbers.
    EXPECT_FALSE(t.Read(Table(G("1, 0, 5"), kConnections), "ZelA", &error));
    // More connection entries than the table holds.
    std::string many;
    for (int i = 0; i <= CGainTable::kMaxConnections; ++i)
        many += C("1, 1, 1, 1, 1, 0, 0, 0, 0");
    EXPECT_FALSE(t.Read(Table(kGains, many), "ZelA", &error));
    EXPECT_NE(error.find("100"), std::string::npos);
    // A missing file says so.
    bool missing = false;
    EXPECT_FALSE(t.Load("/nonexistent/ZelA_GainTable.xml", "ZelA", &error, &missing));
    EXPECT_TRUE(missing);
}

TEST(GainTableFind, FiltersByBestForBlocksAndConnection)
{
    const CGainTable t = Loaded();
    std::vector<int> rows;
    EXPECT_EQ(t.Find(5, 0, 0, false, 0, rows), 3);
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2}));
    // "Bandwidth" keeps only entries whose second field is 1.
    EXPECT_EQ(t.Find(12, 0, 0, true, 2, rows), 1);
    EXPECT_EQ(rows, (std::vector<int>{4}));
    // Two-block configurations need the flag.
    EXPECT_EQ(t.Find(12, 0, 0, false, 0, rows), 0);
    // No input/output selected: any configuration with a connection qualifies.
    EXPECT_EQ(t.Find(12, 0, 0, true, 0, rows), 3);
    // Both selected: the connection must join them; one selected alone counts as none.
    EXPECT_EQ(t.Find(12, 3, 1, true, 0, rows), 3);
    EXPECT_EQ(t.Find(12, 2, 2, true, 0, rows), 0);
    EXPECT_EQ(t.Find(5, 1, 0, false, 0, rows), 3);
    EXPECT_EQ(t.Find(5, 3, 1, false, 0, rows), 0);
}

TEST(GainTableSearch, FoundAtOnce)
{
    const CGainTable t = Loaded();
    RecordingPrompter p;
    ScopedPrompter scope(p);
    CGainQuery q{5, 1, 1, false, 0};
    const CGainSearchResult r = SearchGain(t, q);
    EXPECT_FALSE(r.cleared);
    EXPECT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.caption, "You can use the following configurations to achieve the gain 5:");
    EXPECT_TRUE(p.messages.empty());
}

TEST(GainTableSearch, TwoBlockQuestionOkAndCancel)
{
    const CGainTable t = Loaded();
    RecordingPrompter p;
    ScopedPrompter scope(p);
    CGainQuery q{12, 0, 0, false, 0};
    p.Script(Answer::Cancel);
    CGainSearchResult r = SearchGain(t, q);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "A single Zel Block cannot achieve this gain.\nDo you want to use two Zel Blocks?");
    EXPECT_EQ(p.messages[0].buttons, Buttons::OkCancel);
    EXPECT_TRUE(r.cleared);
    EXPECT_TRUE(r.rows.empty());
    EXPECT_FALSE(q.twoBlocks);

    p.Script(Answer::Ok);
    r = SearchGain(t, q);
    EXPECT_TRUE(q.twoBlocks);
    EXPECT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.caption, "You can use the following configurations to achieve the gain 12:");
}

TEST(GainTableSearch, OutwardSearchTriesUpBeforeDown)
{
    const CGainTable t = Loaded();
    RecordingPrompter p;
    ScopedPrompter scope(p);
    // 13: both 12 and 14 work; the question names 14.
    CGainQuery q{13, 0, 0, false, 0};
    p.Script(Answer::Ok);
    const CGainSearchResult r = SearchGain(t, q);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "Cannot achieve this gain.\nDo you want to see the solutions for gain 14?");
    EXPECT_EQ(q.gain, 14);
    EXPECT_TRUE(q.twoBlocks);
    EXPECT_EQ(r.rows, (std::vector<int>{6}));
    EXPECT_EQ(r.caption, "You can use the following configurations to achieve the gain 14:");

    // -19: -20 is one step down, 5 is 24 up: down wins by distance.
    CGainQuery q2{-19, 0, 0, true, 0};
    p.Script(Answer::Cancel);
    const CGainSearchResult r2 = SearchGain(t, q2);
    EXPECT_EQ(p.messages.back().text, "Cannot achieve this gain.\nDo you want to see the solutions for gain -20?");
    EXPECT_TRUE(r2.cleared);
    EXPECT_EQ(q2.gain, -19);
}

TEST(GainTableSearch, GainThatExistsElsewhereNamesTheInputOutput)
{
    const CGainTable t = Loaded();
    RecordingPrompter p;
    ScopedPrompter scope(p);
    // 14 exists (configuration 3) but not from IN2 to OUT2, and no gain at all joins them.
    CGainQuery q{14, 2, 2, true, 0};
    const CGainSearchResult r = SearchGain(t, q);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "Cannot achieve this gain with this input/output combination.");
    EXPECT_TRUE(r.cleared);
}

TEST(GainTableConfigurations, FormulasAndLetters)
{
    const std::array<int, 4> g = {2, 3, 4, 5};
    const int expected[8] = {2, 5, 8, 18, 20, 45, 11, 21};
    for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(GainOfConfiguration(c, g), expected[c - 1]) << c;
        // Every letter the formula names has a place; the others none.
        int used = 0;
        for (int l = 0; l < 4; ++l)
            used += GainLetterPlace(c, l).stage >= 0;
        const int letters[8] = {1, 2, 2, 3, 3, 4, 3, 4};
        EXPECT_EQ(used, letters[c - 1]) << c;
    }
    EXPECT_STREQ(kGainConfigurationFormulas[7], "Gain = A * (C + D) + B");
    EXPECT_EQ(CGainTable::FileName("ZelB"), "ZelB_GainTable.xml");
}
