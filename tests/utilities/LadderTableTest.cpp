// The ladder filter table: entry lines of 25, 26 and 30 numbers, the two criteria and the unknown
// one, the list's texts and formats, and the row view over it.
#include <gtest/gtest.h>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ZelAKeys.h"
#include "platform/Prompter.h"
#include "utilities/ConfigurationCopy.h"
#include "utilities/FilterCriteria.h"
#include "utilities/LadderTable.h"

using namespace kalidor;

namespace {

// d0 .. d25: the frequency, four blocks of six numbers, the output node.
const char kNumbers26[] =
    "20000, 1, 4, 1, -1, 12.345, 0,  3, 5, 2, -2, 20.5, 1,  0, 0, 1, 1, 1.0, 0,  5, 3, 12, 0, 7.25, 1,  3";

std::string TableText(const std::string& entries)
{
    return "<?xml version=\"1.0\"?>\r\n<FilterTable>\r\n<DocFmtVersion>1</DocFmtVersion>\r\n<Version>t</Version>\r\n"
           "<DeviceType>ZelA</DeviceType>\r\n<Date>d</Date>\r\n<Count>3</Count>\r\n" +
           entries + "</FilterTable>\r\n";
}

}  // namespace

TEST(LadderTableFile, EntriesOf25_26And30Numbers)
{
    CFilterTable4Macro t;
    std::string error;
    const std::string text = TableText(std::string("<Butterworth_4_Pole>7, ") + kNumbers26 + "</Butterworth_4_Pole>\r\n" +
                                       "<Chebyshev_0.1dB>8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, "
                                       "17, 18, 19, 20, 21, 22, 23, 24, 25</Chebyshev_0.1dB>\r\n" +
                                       "<UnityGain_0.5dB>9, " + kNumbers26 + ", 26, 27, 28, 29</UnityGain_0.5dB>\r\n");
    ASSERT_TRUE(t.Read(text, &error)) << error;
    // The entry with 25 numbers failed and is left out.
    ASSERT_EQ(t.GetEntryCount(), 2);
    EXPECT_EQ(t.GetIncompleteCount(), 1);
    const CFilterEntry4Macro& a = *t.GetEntry(0);
    EXPECT_EQ(a.id, 7);
    EXPECT_EQ(a.type, 10);
    EXPECT_EQ(a.numbersRead, 26);
    EXPECT_DOUBLE_EQ(a.d[0], 20000.0);
    EXPECT_DOUBLE_EQ(a.BlockNumber(0, 4), 12.345);
    EXPECT_DOUBLE_EQ(a.d[25], 3.0);
    const CFilterEntry4Macro& b = *t.GetEntry(1);
    EXPECT_EQ(b.numbersRead, 30);
    EXPECT_DOUBLE_EQ(b.d[29], 29.0);

    CFilterEntry4Macro e;
    EXPECT_FALSE(e.ReadText(9, "1, 2, 3"));
    // Written and read again.
    CFilterTable4Macro u;
    u.SetContents(1, "v", "ZelA", "d", {a, b}, "comment");
    CFilterTable4Macro v;
    ASSERT_TRUE(v.Read(u.Write()));
    ASSERT_EQ(v.GetEntryCount(), 2);
    EXPECT_EQ(v.GetEntry(1)->d, b.d);
    EXPECT_EQ(v.GetEntry(1)->type, 14);
}

TEST(LadderTableList, TextsAndCriteria)
{
    CFilterTable4Macro t;
    ASSERT_TRUE(t.Read(TableText(std::string("<Butterworth_3_Pole>5, ") + kNumbers26 + "</Butterworth_3_Pole>")));
    ASSERT_EQ(t.ColumnCount(), 15);
    EXPECT_EQ(t.ColumnTitle(2), "Frequency");
    EXPECT_EQ(t.ColumnTitle(3), "IA1 Gain");
    EXPECT_EQ(t.ColumnTitle(5), "ZelBlock 1 Cap");
    EXPECT_EQ(t.ColumnTitle(9), "IA4 Gain");
    EXPECT_EQ(t.ColumnTitle(14), "ZelBlock4 Cap");
    EXPECT_EQ(t.CellText(0, 0), "5");
    EXPECT_EQ(t.CellText(0, 1), "Butterworth 3rd Order");
    EXPECT_EQ(t.CellText(0, 2), "20000.00");
    EXPECT_EQ(t.CellText(0, 3), "1.00");
    EXPECT_EQ(t.CellText(0, 4), "-1.00");
    EXPECT_EQ(t.CellText(0, 5), "12.35pF");  // "%.2fpF" of 12.345
    EXPECT_EQ(t.CellText(0, 12), "12.00");
    EXPECT_EQ(t.CellText(0, 14), "7.25pF");
    EXPECT_EQ(t.GetEntry(0)->ComponentText(12), "-internal error-");
    EXPECT_EQ(CFilterEntry4Macro::TypeName(4), "Legendre");
    EXPECT_EQ(CFilterEntry4Macro::TypeName(8), "special");
    EXPECT_EQ(CFilterEntry4Macro::TypeName(5), "--unknown--");
    EXPECT_EQ(CFilterEntry4Macro::TypeName(13), "Chebyshev 0.5dB");

    const CFilterEntry4Macro& e = *t.GetEntry(0);
    CFilterCriteria type(1, "FilterType");
    type.SetType(10);
    EXPECT_FALSE(e.ApplyFilter(type));
    type.SetType(9);
    EXPECT_TRUE(e.ApplyFilter(type));
    CFilterCriteria freq(2, "Frequency");
    freq.SetRange(19000, 21000);
    EXPECT_TRUE(e.ApplyFilter(freq));
    freq.SetRange(21000, 19000);
    EXPECT_FALSE(e.ApplyFilter(freq));
    freq.Disable();
    EXPECT_TRUE(e.ApplyFilter(freq));

    RecordingPrompter p;
    ScopedPrompter scope(p);
    CFilterCriteria other(3, "x");
    other.enabled = true;
    EXPECT_FALSE(e.ApplyFilter(other));
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].text, "Internal software error:  unknown case in CFilterEntry4Macro::ApplyFilter");

    // The row view narrows by the table's criteria.
    CRowView view(t);
    t.Criterion(2)->SetRange(1, 2);
    view.Refresh();
    EXPECT_EQ(view.Count(), 0);
    t.ShowAll();
    view.Refresh();
    EXPECT_EQ(view.Count(), 1);
}

TEST(LadderEntryCopy, SetsEveryBlockAsTheEntrySays)
{
    CFilterEntry4Macro e;
    ASSERT_TRUE(e.ReadText(10, std::string("1, ") + kNumbers26));
    auto device = CreateDeviceConfig("ZelA");
    ApplyLadderEntry(*device, e);
    int keys[6];
    LadderBlockKeys(0, keys);
    EXPECT_EQ(keys[0], 9);
    EXPECT_EQ(keys[1], 10);
    EXPECT_EQ(keys[2], 4);
    EXPECT_EQ(keys[3], 5);
    EXPECT_EQ(keys[4], 6);
    EXPECT_EQ(keys[5], 3);
    EXPECT_EQ(device->GetSymValue(9), 1);
    EXPECT_EQ(device->GetSymValue(10), 4);
    EXPECT_EQ(GetGainValue(*device, 5), -1);
    // 12.345 pF as the scaled value 123450, then the nearest capacitor.
    EXPECT_EQ(device->GetSymValue(6), device->GetNearestCapIndex(0, 123450));
    LadderBlockKeys(3, keys);
    EXPECT_EQ(keys[0], 42);
    EXPECT_EQ(keys[5], 36);
    // A gain of 12 is set as 10; a gain of 0 as 1.
    EXPECT_EQ(GetGainValue(*device, 37), 10);
    EXPECT_EQ(GetGainValue(*device, 38), 1);
    EXPECT_EQ(device->GetSymValue(36), 1);
    LadderBlockKeys(2, keys);
    EXPECT_EQ(keys[2], 26);
    EXPECT_EQ(device->GetSymValue(25), 0);
}
