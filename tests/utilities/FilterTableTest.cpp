// The filter configuration table: reading the table file (entry lines of each shape, header,
// damaged files), the criteria and their bounds, the list's texts, and the row view that sorts
// and filters it.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Prompter.h"
#include "utilities/FilterTable.h"

using namespace kalidor;

namespace {

const char kTable[] =
    "<?xml version=\"1.0\"?>\r\n\r\n<FilterTable>\r\n\r\n"
    "<DocFmtVersion>1</DocFmtVersion>\r\n<Version>2.5 test</Version>\r\n"
    "<DeviceType>ZelD</DeviceType>\r\n<Date>2026-12-08</Date>\r\n<Count>4</Count>\r\n\r\n"
    // 12 numbers: ID, Fc, gain at 2 Fc, gain at 10 Fc, MaxVin, seven components.
    "<Butterworth>7, 100000, -30.1, -100.2, 6.5, 1e-12, 0, 2e-12, 3e-12, 0, 4e-12, 5e-12</Butterworth>\r\n"
    // 14 numbers, blanks and commas mixed.
    "<Chebyshev>8 150000.5 -41.25, -121.5 140000 0.5 -1 1.5e-12,0,2.5e-12 3.5e-12 0 4.5e-12 5.5e-12</Chebyshev>\r\n"
    // 17 numbers.
    "<Elliptical>9, 200001, -60, -70, 190000, 0.1, 270000, 60.5, 1.42, -1, 1e-11, 1e-12, 2e-11, 3e-11, "
    "2e-12, 4e-11, 5e-11</Elliptical>\r\n"
    "<Linear phase 1>10, 50000, -10.5, -60, -1, 1e-12, 0, 1e-12, 1e-12, 0, 1e-12, 1e-12</Linear phase 1>\r\n"
    "<Extra>skipped</Extra>\r\n"
    "\r\n</FilterTable>\r\n\r\n";

CFilterTable Loaded(const std::string& text = kTable)
{
    CFilterTable t;
    std::string error;
    EXPECT_TRUE(t.Read(text, &error)) << error;
    return t;
}

}  // namespace

TEST(FilterTableFile, EntryLinesOfEachShapeReadCompletely)
{
    const CFilterTable t = Loaded();
    ASSERT_EQ(t.GetEntryCount(), 4);
    const CFilterEntry& b = *t.GetEntry(0);
    EXPECT_EQ(b.id, 7);
    EXPECT_EQ(b.type, 5);
    EXPECT_DOUBLE_EQ(b.attributes[CFilterEntry::kFc], 100000.0);
    EXPECT_DOUBLE_EQ(b.attributes[CFilterEntry::kGain10Fc], -100.2);
    EXPECT_DOUBLE_EQ(b.attributes[CFilterEntry::kMaxVin], 6.5);
    for (int a : {CFilterEntry::kFp, CFilterEntry::kPassRipple, CFilterEntry::kFs, CFilterEntry::kStopAtten,
                  CFilterEntry::kFsFpRatio})
        EXPECT_EQ(b.attributes[a], -1.0) << a;
    EXPECT_DOUBLE_EQ(b.components[6], 5e-12);
    // Not-applicable attributes show as single blanks.
    for (int column = 5; column <= 9; ++column)
        EXPECT_EQ(b.AttributeText(column), " ") << column;

    const CFilterEntry& c = *t.GetEntry(1);
    EXPECT_EQ(c.type, 6);
    EXPECT_DOUBLE_EQ(c.attributes[CFilterEntry::kFp], 140000.0);
    EXPECT_DOUBLE_EQ(c.attributes[CFilterEntry::kPassRipple], 0.5);
    EXPECT_EQ(c.attributes[CFilterEntry::kFs], -1.0);
    EXPECT_EQ(c.attributes[CFilterEntry::kMaxVin], -1.0);
    EXPECT_DOUBLE_EQ(c.components[0], 1.5e-12);

    const CFilterEntry& e = *t.GetEntry(2);
    EXPECT_EQ(e.type, 7);
    EXPECT_DOUBLE_EQ(e.attributes[CFilterEntry::kFs], 270000.0);
    EXPECT_DOUBLE_EQ(e.attributes[CFilterEntry::kStopAtten], 60.5);
    EXPECT_DOUBLE_EQ(e.attributes[CFilterEntry::kFsFpRatio], 1.42);
    EXPECT_DOUBLE_EQ(e.components[4], 2e-12);
    EXPECT_DOUBLE_EQ(e.components[6], 5e-11);

    EXPECT_EQ(t.GetEntry(3)->type, 1);  // "<Linear phase 1>" is LinearPhase1
    EXPECT_EQ(t.GetEntry(4), nullptr);
    EXPECT_EQ(t.FindEntry(9), 2);
    EXPECT_EQ(t.FindEntry(99), -1);
}

TEST(FilterTableFile, HeaderAndVersionData)
{
    CFilterTable empty;
    EXPECT_EQ(empty.VersionText(), kMsgFilterTableNotLoaded);
    EXPECT_EQ(std::string(kMsgFilterTableNotLoaded), "Filter table was not loaded.  Version data is not available.");
    const CFilterTable t = Loaded();
    EXPECT_EQ(t.GetFormatVersion(), 1);
    EXPECT_EQ(t.GetVersion(), "2.5 test");
    EXPECT_EQ(t.GetDeviceType(), "ZelD");
    EXPECT_EQ(t.GetDate(), "2026-12-08");
    EXPECT_EQ(t.GetDeclaredCount(), 4);
    EXPECT_EQ(t.VersionText(),
              "Filter Table Version: 2.5 test\nDevice Type: ZelD\nDate: 2026-12-08\nNumber of Entries: 4\n"
              "File Format Version: 1");
    EXPECT_EQ(CFilterTable::FileName("ZelE"), "ZelE_FilterTable.XML");
}

TEST(FilterTableFile, DamagedFilesAndShortEntries)
{
    CFilterTable t;
    std::string error;
    EXPECT_FALSE(t.Read("<Butterworth>1, 2</Butterworth>", &error));
    EXPECT_NE(error.find("<FilterTable>"), std::string::npos);
    EXPECT_FALSE(t.IsLoaded());
    // A table cut off before its end is refused rather than shown in part.
    const std::string text = kTable;
    EXPECT_FALSE(t.Read(text.substr(0, text.find("<Elliptical>")), &error));
    EXPECT_NE(error.find("</FilterTable>"), std::string::npos);
    EXPECT_EQ(t.VersionText(), kMsgFilterTableNotLoaded);
    // An entry with fewer numbers than its type carries is left out and counted.
    std::string shortLine = text;
    shortLine.replace(shortLine.find("5e-12</Butterworth>"), 5, "");
    ASSERT_TRUE(t.Read(shortLine, &error)) << error;
    EXPECT_EQ(t.GetEntryCount(), 3);
    EXPECT_EQ(t.GetIncompleteCount(), 1);
    EXPECT_NE(t.VersionText().find("Incomplete Entries Left Out: 1"), std::string::npos);
    // Only the first 500 characters of an entry are read.
    std::string padded = text;
    padded.replace(padded.find("<Butterworth>7,") + 13, 0, std::string(490, ','));
    ASSERT_TRUE(t.Read(padded, &error));
    EXPECT_EQ(t.GetIncompleteCount(), 1);
    EXPECT_EQ(t.FindEntry(7), -1);
    // Reading again replaces what was read.
    ASSERT_TRUE(t.Read(kTable));
    EXPECT_EQ(t.GetEntryCount(), 4);
    EXPECT_EQ(t.GetIncompleteCount(), 0);
    EXPECT_FALSE(t.Load("/nonexistent/ZelD_FilterTable.XML", &error));
    EXPECT_FALSE(error.empty());
}

TEST(FilterTableFile, WriteReadsBackTheSameTable)
{
    const CFilterTable t = Loaded();
    std::vector<CFilterEntry> entries;
    for (int i = 0; i < t.GetEntryCount(); ++i)
        entries.push_back(*t.GetEntry(i));
    CFilterTable w;
    w.SetContents(1, "3.0", "ZelE", "2027-01-02", entries);
    const std::string text = w.Write();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n\r\n<FilterTable>\r\n", 0), 0u);
    EXPECT_NE(text.find("<Count>4</Count>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<LinearPhase1>10, 50000, "), std::string::npos);
    const CFilterTable r = Loaded(text);
    EXPECT_EQ(r.GetDeviceType(), "ZelE");
    EXPECT_EQ(r.GetVersion(), "3.0");
    EXPECT_EQ(r.GetDate(), "2027-01-02");
    ASSERT_EQ(r.GetEntryCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.GetEntry(i)->id, entries[i].id);
        EXPECT_EQ(r.GetEntry(i)->type, entries[i].type);
        EXPECT_EQ(r.GetEntry(i)->attributes, entries[i].attributes);
        EXPECT_EQ(r.GetEntry(i)->components, entries[i].components);
    }
}

TEST(FilterCriteria, BoundsAndTypes)
{
    CFilterTable t = Loaded();
    const CFilterEntry& b = *t.GetEntry(0);  // Butterworth, 100 kHz, -30.1 dB at 2 Fc
    // Gains: the first bound is the upper one.
    CFilterCriteria gain(3, "Gain @ 2 X Fc");
    gain.SetRange(-3, -40);
    EXPECT_TRUE(b.ApplyFilter(gain));
    gain.SetRange(-40, -3);
    EXPECT_FALSE(b.ApplyFilter(gain));
    // The edge case: bounds (-3, -10) pass -6 dB, (-10, -3) pass nothing.
    CFilterEntry six = b;
    six.attributes[CFilterEntry::kGain2Fc] = -6.0;
    gain.SetRange(-3, -10);
    EXPECT_TRUE(six.ApplyFilter(gain));
    gain.SetRange(-10, -3);
    EXPECT_FALSE(six.ApplyFilter(gain));
    // Frequencies: first bound <= value <= second, both ends included.
    CFilterCriteria fc(2, "Cut Off: Fc = -3dB");
    fc.SetRange(100000, 200000);
    EXPECT_TRUE(b.ApplyFilter(fc));
    fc.SetRange(200000, 100000);
    EXPECT_FALSE(b.ApplyFilter(fc));
    // A disabled criterion passes; the ID criterion always passes.
    fc.Disable();
    EXPECT_TRUE(b.ApplyFilter(fc));
    CFilterCriteria id(0, "ID");
    id.SetRange(1000, 2000);
    EXPECT_TRUE(b.ApplyFilter(id));
    CFilterCriteria type(1, "FilterType");
    type.SetType(6);
    EXPECT_FALSE(b.ApplyFilter(type));
    EXPECT_TRUE(t.GetEntry(1)->ApplyFilter(type));
    // Ripple and attenuation are dB with the upper bound first; Fs/Fp a plain range.
    CFilterCriteria atten(8, "Stop Band Atten.");
    atten.SetRange(70, 50);
    EXPECT_TRUE(t.GetEntry(2)->ApplyFilter(atten));
    EXPECT_FALSE(t.GetEntry(0)->ApplyFilter(atten));  // -1: not applicable
    CFilterCriteria ratio(9, "Fs/Fp Ratio");
    ratio.SetRange(1.4, 1.5);
    EXPECT_TRUE(t.GetEntry(2)->ApplyFilter(ratio));
}

TEST(FilterCriteria, UnknownAttributeFailsWithTheMessage)
{
    RecordingPrompter rec;
    ScopedPrompter scoped(rec);
    const CFilterTable t = Loaded();
    CFilterCriteria odd(11, "odd");
    odd.SetRange(0, 1);
    EXPECT_FALSE(t.GetEntry(0)->ApplyFilter(odd));
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text, "Internal software error:  unknown case in CFilterEntry::ApplyFilter");
}

TEST(FilterTableList, ColumnsAndTexts)
{
    const CFilterTable t = Loaded();
    ASSERT_EQ(t.ColumnCount(), 18);
    const char* titles[18] = {"ID", "FilterType", "Cut Off: Fc = -3dB", "Gain @ 2 X Fc", "Gain @ 10 X Fc",
                              "Pass Band Freq. (Fp)", "Pass Band Ripple", "Stop Band Freq. (Fs)",
                              "Stop Band Atten.", "Fs/Fp Ratio", "MaxVin", "C1", "C2", "L2", "C3", "C4",
                              "L4", "C5"};
    for (int c = 0; c < 18; ++c)
        EXPECT_EQ(t.ColumnTitle(c), titles[c]) << c;
    EXPECT_EQ(t.ColumnTitle(18), "");
    const char* elliptic[18] = {"9",        "Elliptical", "200.00kHz", "-60.00dB", "-70.00dB", "190.00kHz",
                                "0.10dB",   "270.00kHz",  "60.50dB",   "1.42",     " ",        "10.000pF",
                                "1.000pF",  "20.000pF",   "30.000pF",  "2.000pF",  "40.000pF", "50.000pF"};
    for (int c = 0; c < 18; ++c)
        EXPECT_EQ(t.CellText(2, c), elliptic[c]) << c;
    EXPECT_EQ(t.CellText(0, 10), "6.50");
    EXPECT_EQ(t.CellText(3, 1), "Linear phase 1");
    EXPECT_EQ(CFilterEntry::TypeName(8), "special");
    EXPECT_EQ(CFilterEntry::TypeName(9), "--unknown--");
    EXPECT_EQ(t.CellText(7, 0), "");
}

TEST(FilterTableList, WindowTexts)
{
    EXPECT_STREQ(kStatusLoadingFromDisk, "Loading filter data from disk...");
    EXPECT_STREQ(kStatusLoadingIntoList, "Loading filter data into list view...");
    EXPECT_STREQ(kStatusReady, "Ready");
    EXPECT_STREQ(kCopyToSchematicCommand, "Copy Filter Configuration to Schematic...");
    EXPECT_STREQ(kMsgNoEntrySelected, "No entry was selected.  Copy to Schematic was not performed.");
    EXPECT_STREQ(kMsgTooManyCriteria,
                 "Internal Error: Attempt to fill listview header with too many criteria in Filter Table");
    EXPECT_STREQ(kMsgTooManyAttributes,
                 "Internal Error: Attempt to fill listview header with too many attributes in Filter Table");
    const char* commands[kFilterCommandCount] = {
        "Show All Configurations in list", "Filter on FilterType...",      "Filter on Frequency...",
        "Filter on Gain2xFc...",           "Filter on Gain10xFc...",       "Filter on Pass Band Freq....",
        "Filter on Pass Band Ripple...",   "Filter on Stop Band Freq...",  "Filter on Stop Band Attenuation...",
        "Filter on Fs/Fp Ratio..."};
    CFilterTable t;
    for (int i = 0; i < kFilterCommandCount; ++i) {
        EXPECT_STREQ(kFilterCommands[i].text, commands[i]);
        EXPECT_EQ(kFilterCommands[i].attribute, i == 0 ? -1 : i);
        if (i > 0) {
            EXPECT_NE(t.Criterion(kFilterCommands[i].attribute), nullptr);
        }
    }
}

TEST(FilterTableList, ViewFiltersAndSorts)
{
    CFilterTable t = Loaded();
    CRowView view(t);
    view.Refresh();
    ASSERT_EQ(view.Count(), 4);
    // Descending by Fc.
    view.SortBy(2, false);
    EXPECT_EQ(view.Text(0, 0), "9");
    EXPECT_EQ(view.Text(3, 0), "10");
    EXPECT_EQ(view.IndexOf(2), 0);
    // By filter type name.
    view.SortBy(1, true);
    EXPECT_EQ(view.Text(0, 1), "Butterworth");
    EXPECT_EQ(view.Text(3, 1), "Linear phase 1");
    // The table's criteria narrow the list at the next refresh; sorting stays.
    t.Criterion(2)->SetRange(90000, 210000);
    view.Refresh();
    ASSERT_EQ(view.Count(), 3);
    EXPECT_EQ(view.Text(0, 1), "Butterworth");
    EXPECT_EQ(view.IndexOf(3), -1);
    EXPECT_EQ(view.Row(3), -1);
    // An extra filter on top.
    view.SetFilter([&](int row) { return t.GetEntry(row)->attributes[CFilterEntry::kGain2Fc] > -50; });
    view.Refresh();
    ASSERT_EQ(view.Count(), 2);
    view.SortBy(-1);
    EXPECT_EQ(view.Row(0), 0);
    EXPECT_EQ(view.Row(1), 1);
    // Show all.
    view.SetFilter(nullptr);
    t.ShowAll();
    view.Refresh();
    EXPECT_EQ(view.Count(), 4);
}
