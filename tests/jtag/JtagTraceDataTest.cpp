// The JTAG trace: the column texts of its entries, the .TRC text and the XML form byte for byte,
// the views' change notices, and what a programming operation leaves in it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "JtagTestSupport.h"
#include "jtag/JtagTraceData.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"

namespace kalidor::test {
namespace {

namespace fs = std::filesystem;

TEST(JtagTraceData, ColumnTextsOfEveryKindResultAndLevel)
{
    CJtagTraceData trace;
    trace.AddSvfEntry("SIR 5 TDI (01);", 0);
    trace.AddSvfEntry("SDR 8 TDI (00) TDO (01);", 1);
    trace.AddSvfEntry("SIR 0 TDI (00);", 2);
    trace.AddSvfEntry("TRST ON;", -1);
    trace.AddPinEntry(2, 1, 0, 5);
    trace.AddPinEntry(3, 0, 7, 0);
    ASSERT_EQ(trace.Size(), 6u);

    const CJtagTraceDataEntry& ok = trace.Entry(0);
    EXPECT_EQ(ok.ColumnText(0), "SVF");
    EXPECT_EQ(ok.ColumnText(1), "SIR 5 TDI (01);");
    EXPECT_EQ(ok.ColumnText(2), "OK");
    for (int c = 3; c <= 6; ++c) EXPECT_EQ(ok.ColumnText(c), "0") << c;
    EXPECT_EQ(ok.ColumnText(7), "JtagIdxName");
    EXPECT_EQ(ok.ColumnText(8), "JtagRegName");
    EXPECT_EQ(ok.ColumnText(9), "-internal error-");
    EXPECT_EQ(ok.ColumnText(-1), "-internal error-");
    EXPECT_EQ(trace.Entry(1).ColumnText(2), "verify-error");
    EXPECT_EQ(trace.Entry(2).ColumnText(2), "2");
    EXPECT_EQ(trace.Entry(3).ColumnText(2), "-1");

    // A pin entry: kind 5 has no name of its own; TCK shows its edge, the others 1 for any level.
    const CJtagTraceDataEntry& rise = trace.Entry(4);
    EXPECT_EQ(rise.m_kind, kTracePins);
    EXPECT_EQ(rise.ColumnText(0), "--unknown--");
    EXPECT_EQ(rise.ColumnText(1), "");
    EXPECT_EQ(rise.ColumnText(3), "/");
    EXPECT_EQ(rise.ColumnText(4), "1");
    EXPECT_EQ(rise.ColumnText(5), "0");
    EXPECT_EQ(rise.ColumnText(6), "1");
    EXPECT_EQ(trace.Entry(5).ColumnText(3), "\\");
    EXPECT_EQ(trace.Entry(5).ColumnText(5), "1");

    CJtagTraceDataEntry e;
    const char* names[] = {"TCK Low", "TCK High", "TCK Rise", "TCK Fall", "SVF", "--unknown--", "--unknown--"};
    for (int kind = 0; kind <= 6; ++kind) {
        e.m_kind = kind;
        EXPECT_EQ(e.ColumnText(0), names[kind]) << kind;
    }
    e.m_kind = -1;
    EXPECT_EQ(e.ColumnText(0), "--unknown--");
    const char* edges[] = {"0", "1", "/", "\\", "-internal error-"};
    for (int tck = 0; tck <= 4; ++tck) {
        e.m_tck = tck;
        EXPECT_EQ(e.ColumnText(3), edges[tck]) << tck;
    }
    EXPECT_EQ(CJtagTraceDataEntry{}.m_kind, kTraceSvf);
}

TEST(JtagTraceData, TheTextFormIsTheSvfLinesBetweenHeaderAndEnd)
{
    CJtagTraceData trace;
    EXPECT_EQ(trace.TextForm(), "! Kalidor JtagTrace of SVF program\r\n<end>\r\n\r\n");
    trace.AddSvfEntry("! ZelA Download", 0);
    trace.AddSvfEntry("SIR    5  TDI (0D);", 0);
    trace.AddPinEntry(1, 1, 1, 1);
    trace.AddSvfEntry("SDR   32  TDI (FFFFFFFF)  TDO (00100043);", 1);
    EXPECT_EQ(trace.TextForm(),
              "! Kalidor JtagTrace of SVF program\r\n"
              "! ZelA Download\r\n"
              "SIR    5  TDI (0D);\r\n"
              "\r\n"
              "SDR   32  TDI (FFFFFFFF)  TDO (00100043);\r\n"
              "<end>\r\n\r\n");
    EXPECT_STREQ(kTraceFileFilter, "TRC files (*.TRC) |*.TRC|All Files (*.*)|*.*||");
}

TEST(JtagTraceData, TheXmlFormHoldsTheEntriesInsideItsRoot)
{
    CJtagTraceData trace;
    EXPECT_EQ(trace.XmlForm(), "<?xml version=\"1.0\"?>\r\n\r\n<JtagTraceData>\r\n\r\n</JtagTraceData>\r\n\r\n");
    trace.AddSvfEntry("SDR 8 TDI (00) TDO (01);", 1);
    trace.AddSvfEntry("! a <comment> & ]]> more", 0);
    trace.AddPinEntry(2, 1, 0, 1);
    EXPECT_EQ(trace.XmlForm(),
              "<?xml version=\"1.0\"?>\r\n\r\n"
              "<JtagTraceData>\r\n\r\n"
              "<JtagTraceDataEntry>\r\n"
              "<Type>4</Type>\r\n<SVF>SDR 8 TDI (00) TDO (01);</SVF>\r\n<SVF_Error>1</SVF_Error>\r\n"
              "<TCK>0</TCK>\r\n<TMS>0</TMS>\r\n<TDI>0</TDI>\r\n<TDO>0</TDO>\r\n"
              "</JtagTraceDataEntry>\r\n"
              "<JtagTraceDataEntry>\r\n"
              "<Type>4</Type>\r\n<SVF><![CDATA[! a <comment> & ]] > more]]></SVF>\r\n<SVF_Error>0</SVF_Error>\r\n"
              "<TCK>0</TCK>\r\n<TMS>0</TMS>\r\n<TDI>0</TDI>\r\n<TDO>0</TDO>\r\n"
              "</JtagTraceDataEntry>\r\n"
              "<JtagTraceDataEntry>\r\n"
              "<Type>5</Type>\r\n<SVF></SVF>\r\n<SVF_Error>0</SVF_Error>\r\n"
              "<TCK>2</TCK>\r\n<TMS>1</TMS>\r\n<TDI>0</TDI>\r\n<TDO>1</TDO>\r\n"
              "</JtagTraceDataEntry>\r\n\r\n"
              "</JtagTraceData>\r\n\r\n");
}

TEST(JtagTraceData, SavingWritesTheFormsAndFailsWhereNoFileCanBeMade)
{
    const fs::path dir = fs::temp_directory_path() / ("kalidor-trace-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    CJtagTraceData trace;
    trace.AddSvfEntry("TRST ON;", 0);
    std::string text;
    ASSERT_TRUE(trace.SaveText((dir / "a.TRC").string()));
    ASSERT_TRUE(ReadWholeFile((dir / "a.TRC").string(), text));
    EXPECT_EQ(text, trace.TextForm());
    ASSERT_TRUE(trace.SaveXml((dir / "a.XML").string()));
    ASSERT_TRUE(ReadWholeFile((dir / "a.XML").string(), text));
    EXPECT_EQ(text, trace.XmlForm());
    EXPECT_FALSE(trace.SaveText((dir / "missing" / "a.TRC").string()));
    EXPECT_FALSE(trace.SaveXml((dir / "missing" / "a.XML").string()));
    fs::remove_all(dir);
}

TEST(JtagTraceData, ViewsAreToldOfEveryChangeAndOfEveryClear)
{
    struct Counter : CJtagTraceObserver {
        void OnTraceChanged() override { ++changes; }
        int changes = 0;
    } counter;
    CJtagTraceData trace;
    trace.AddObserver(&counter);
    trace.AddObserver(&counter);  // once is enough
    const auto generation = trace.Generation();
    trace.AddSvfEntry("TRST ON;", 0);
    trace.AddPinEntry(0, 0, 0, 0);
    EXPECT_EQ(counter.changes, 2);
    trace.Clear();
    EXPECT_EQ(counter.changes, 3);
    EXPECT_TRUE(trace.Empty());
    EXPECT_EQ(trace.Generation(), generation + 1);
    trace.RemoveObserver(&counter);
    trace.AddSvfEntry("TRST ON;", 0);
    EXPECT_EQ(counter.changes, 3);
}

TEST(JtagTraceData, EachOperationStartsAFreshTraceOfEveryLineItSent)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    VirtualRig rig("virtual:ZelA");
    DesignRig d("ZelA", &rig.svf);
    const CJtagTraceData& trace = d.jtag.Trace();
    // Off: nothing is recorded, but the operations still clear what was there.
    d.jtag.Trace().AddSvfEntry("old", 0);
    EXPECT_EQ(d.scripted->Download(), kJtagDone);
    EXPECT_TRUE(trace.Empty());

    d.jtag.SetTraceOn(1);
    const struct {
        const char* name;
        std::function<int()> run;
    } operations[] = {{"Download", [&] { return d.scripted->Download(); }},
                      {"Upload", [&] { return d.scripted->Upload(); }},
                      {"Verify", [&] { return d.scripted->Verify(); }},
                      {"AutoCal", [&] { return d.scripted->AutoCal(); }}};
    for (const auto& op : operations) {
        d.jtag.Trace().AddSvfEntry("left from before", 0);
        const long before = d.jtag.LinesSent();
        op.run();
        ASSERT_FALSE(trace.Empty()) << op.name;
        EXPECT_EQ(trace.Entry(0).m_svf, std::string("! ZelA ") + op.name);
        EXPECT_EQ(static_cast<long>(trace.Size()), d.jtag.LinesSent() - before) << op.name;
        for (std::size_t i = 0; i < trace.Size(); ++i) EXPECT_EQ(trace.Entry(i).m_result, 0) << op.name << " " << i;
    }
    // The saved text runs again as an SVF program.
    VirtualRig again("virtual:ZelA");
    const SvfRunReport report = again.Run(trace.TextForm());
    EXPECT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
}

}  // namespace
}  // namespace kalidor::test
