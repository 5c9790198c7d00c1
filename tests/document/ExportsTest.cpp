#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "device/DeviceConfig.h"
#include "document/Exports.h"
#include "document/Jedec.h"
#include "document/SchDoc.h"
#include "jtag/JtagRegProgram.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "view/DeviceSchematic.h"

#include "FilterEntryTestUtil.h"

using namespace kalidor;
using kalidor::test::Butterworth;
namespace fs = std::filesystem;

namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

// The IDCODE SDR line of each device type.
const char* IdcodeSdr(const std::string& type)
{
    if (type == "ZelA") return "SDR   32  TDI (55AA55AA)  TDO (00100043);";
    if (type == "ZelB") return "SDR   32  TDI (FFFFFFFF)  TDO (00111043);";
    if (type == "ZelC") return "SDR   32  TDI (FFFFFFFF)  TDO (00130043);";
    if (type == "ZelD") return "SDR   32  TDI (FFFFFFFF)  TDO (00120043);";
    return "SDR   32  TDI (FFFFFFFF)  TDO (00121043);";
}

// Splits at CR LF; fails the test on a line feed without its carriage return.
std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF: " << text.substr(from);
            lines.push_back(text.substr(from));
            break;
        }
        const std::string line = text.substr(from, end - from);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break in " << line;
        lines.push_back(line);
        from = end + 2;
    }
    return lines;
}

std::vector<std::string> LfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::string ReadFile(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(path, text)) << path;
    return text;
}

// A clipboard that records its calls and fails where it is told to.
class FakeClipboard : public CExportClipboard {
public:
    bool Open() override { calls += "O"; return openOk; }
    bool Empty() override { calls += "E"; return emptyOk; }
    SetResult SetText(std::string_view t) override
    {
        calls += "S";
        if (setResult == SetResult::kOk) text = std::string(t);
        return setResult;
    }
    bool Close() override { calls += "C"; return closeOk; }

    bool openOk = true, emptyOk = true, closeOk = true;
    SetResult setResult = SetResult::kOk;
    std::string calls, text;
};

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
        dir_ = fs::temp_directory_path() / ("kalidor-exports-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        SetProgramDirectory("");
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // A new design of `type` with its context.
    void NewDesign(CSchDoc& doc, CExportContext& ctx, const std::string& type)
    {
        ASSERT_TRUE(doc.OnNewDocument(type));
        ASSERT_TRUE(FillExportContext(ctx, doc));
        prompter_.Clear();
    }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    fs::path dir_;
};

// ------------------------------------------------------------------ choice table and dialog

TEST(ExportChoices, TableHoldsTheKindsFormatsAndFiltersInOrder)
{
    const auto& t = ExportChoiceTable();
    EXPECT_EQ(t[0].name, "Schematic");
    EXPECT_EQ(t[0].listText, "Schematic");
    EXPECT_EQ(t[1].name, "Plot");
    EXPECT_EQ(t[1].listText, "Plot Data");
    EXPECT_EQ(t[0].importFormat.name, "JEDEC File");
    EXPECT_EQ(t[0].importFormat.filter, "Jedec Files (*.jed)|*.jed|All Files (*.*)|*.*||");
    const char* schematicNames[] = {"JEDEC File", "Serial Vector Format (SVF)", "Formatted Text",
                                    "Spice Model"};
    const char* schematicFilters[] = {
        "Jedec Files (*.jed)|*.jed|All Files (*.*)|*.*||",
        "SVF Files (*.svf)|*.svf|All Files (*.*)|*.*||",
        "Schematic Files (*.txt)|*.txt|All Files (*.*)|*.*||",
        "Spice Model (*.lib)|*.lib|All Files (*.*)|*.*||",
    };
    const char* extensions[] = {"jed", "svf", "txt", "lib"};
    const char* plotNames[] = {"Delimited with Comma", "Delimited with Semicolon",
                               "Delimited with Tab", "Delimited with Space"};
    for (int f = 0; f < kExportFormatCount; ++f) {
        EXPECT_EQ(t[0].exportFormats[f].name, schematicNames[f]);
        EXPECT_EQ(t[0].exportFormats[f].filter, schematicFilters[f]);
        EXPECT_EQ(t[0].exportFormats[f].extension, extensions[f]);
        EXPECT_EQ(t[1].exportFormats[f].name, plotNames[f]);
        EXPECT_EQ(t[1].exportFormats[f].filter, "Text Files (*.csv)|*.csv|All Files (*.*)|*.*||");
    }
    EXPECT_EQ(t[1].importFormat.name, "Gain/Phase Data");
    EXPECT_EQ(t[1].importFormat.filter, "Text Files (*.csv)|*.csv|All Files (*.*)|*.*||");
}

TEST(ExportChoices, FindFormatIsBounded)
{
    EXPECT_EQ(FindExportFormat(0, 3, false)->name, "Spice Model");
    EXPECT_EQ(FindExportFormat(1, 0, true)->name, "Gain/Phase Data");
    EXPECT_EQ(FindExportFormat(0, 1, true), nullptr);  // one import format only
    EXPECT_EQ(FindExportFormat(0, 4, false), nullptr);
    EXPECT_EQ(FindExportFormat(0, -1, false), nullptr);
    EXPECT_EQ(FindExportFormat(2, 0, false), nullptr);
    EXPECT_EQ(FindExportFormat(-1, 0, true), nullptr);
}

TEST(ExportChoices, DialogTextsOfBothModes)
{
    const CExportDialogTexts e = ExportDialogTexts(false);
    EXPECT_EQ(e.caption, "Export");
    EXPECT_EQ(e.whatLabel, "Export What:");
    EXPECT_EQ(e.toLabel, "Export To:");
    const CExportDialogTexts i = ExportDialogTexts(true);
    EXPECT_EQ(i.caption, "Import");
    EXPECT_EQ(i.whatLabel, "Import What:");
    EXPECT_EQ(i.toLabel, "Import From:");
    EXPECT_EQ(kFormatListLabel, "In this forma&t:");
    EXPECT_EQ(kDestinationGroupLabel, "To Where:");
    EXPECT_EQ(kFileLabel, "&File:");
    EXPECT_EQ(kBrowseLabel, "&Browse...");
    EXPECT_EQ(kClipboardLabel, "Cli&pboard");
}

TEST(ExportChoices, FileDestinationNeedsAName)
{
    RecordingPrompter p;
    ScopedPrompter scoped(p);
    CExportChoice c;
    c.destination = kDestinationFile;
    EXPECT_FALSE(AcceptExportChoice(c, false));
    ASSERT_EQ(p.Texts().size(), 1u);
    EXPECT_EQ(p.Texts()[0], "Filename is required for Export/Import to file");
    c.destination = kDestinationClipboard;
    EXPECT_TRUE(AcceptExportChoice(c, false));
    // An import always reads a file.
    EXPECT_FALSE(AcceptExportChoice(c, true));
    c.fileName = "x.jed";
    EXPECT_TRUE(AcceptExportChoice(c, true));
    EXPECT_EQ(p.Texts().size(), 2u);
}

// ------------------------------------------------------------------ names

TEST(ExportNames, BlanksAndTabsAreNormalised)
{
    EXPECT_EQ(NormalizeExportName("Gain  A"), "Gain_A");
    EXPECT_EQ(NormalizeExportName(" \t Gain A"), "Gain_A");
    EXPECT_EQ(NormalizeExportName("Gain A \t "), "Gain_A");
    EXPECT_EQ(NormalizeExportName("a \t\t b c"), "a_b_c");
    EXPECT_EQ(NormalizeExportName("   "), "_");
    EXPECT_EQ(NormalizeExportName(""), "_");
    EXPECT_EQ(NormalizeExportName("x"), "x");
    EXPECT_EQ(PadExportName("Gain_A"), "Gain_A                     ");
    EXPECT_EQ(PadExportName("Gain_A").size(), 27u);
    EXPECT_EQ(PadExportName(std::string(30, 'n')), std::string(30, 'n'));  // never cut
}

// ------------------------------------------------------------------ formatted text

TEST_F(ExportsTest, FormattedTextGolden)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelD");
    doc.SetPathName("  /designs/low pass\t filter.ZEL ");
    // A small schematic of its own: slots out of creation order, one symbol without a full name
    // (not valid), a multi-line value text and a name longer than the column.
    CSchematic small;
    small.AddSymbol(7, 0, 0, "G", 0, 0);
    small.SetFullName(7, "Gain  A");
    small.SetValueText(7, "2");
    small.AddSymbol(2, 0, 0, "C", 0, 0);
    small.SetFullName(2, "\tInput Capacitor ");
    small.SetValueText(2, "1.07 pF");
    small.AddSymbol(5, 0, 0, "L", 0, 0);  // a label only
    small.SetValueText(5, "hidden");
    small.AddSymbol(9, 0, 0, "D", 0, 0);
    small.SetFullName(9, "DAC Value of the second comparator");
    small.SetValueText(9, "Code:  80h\r\n0.0000V");
    ctx.schematic = &small;
    ctx.simulationText = [] { return std::string("\r\nBeginSimulationSetup\r\nX\r\nEndSimulationSetup\r\n"); };

    const std::string expected =
        "/designs/low_pass_filter.ZEL\r\n"
        "BeginSchematic\r\n"
        "Input_Capacitor             = 1.07 pF\r\n"
        "Gain_A                      = 2\r\n"
        "DAC_Value_of_the_second_comparator = Code:  80h\r\n0.0000V\r\n"
        "EndSchematic\r\n"
        "\r\nBeginSimulationSetup\r\nX\r\nEndSimulationSetup\r\n";
    EXPECT_EQ(FormattedText(ctx), expected);
    std::ostringstream out;
    EXPECT_TRUE(ExportFormattedText(out, ctx));
    EXPECT_EQ(out.str(), expected);
}

TEST_F(ExportsTest, FormattedTextOfAnUnsavedDesignHasNoPathLine)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelC");
    const std::string text = FormattedText(ctx);
    EXPECT_EQ(text.rfind("BeginSchematic\r\n", 0), 0u);
}

TEST_F(ExportsTest, SimulationBlockIsTheDocumentsSetup)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelB");
    ASSERT_NE(doc.Simulation(), nullptr);
    doc.Simulation()->Curve(2).startFrequency = 5000;
    doc.Simulation()->Curve(2).pointsPerDecade = 100;
    const std::string text = FormattedText(ctx);
    const std::size_t end = text.find("EndSchematic\r\n");
    ASSERT_NE(end, std::string::npos);
    // The block follows the schematic block directly and ends the text; it is the setup as it
    // is now, not as it was when the context was filled.
    const std::string block = text.substr(end + std::string("EndSchematic\r\n").size());
    EXPECT_EQ(block, doc.Simulation()->WriteTextBlock());
    EXPECT_EQ(block.rfind("\r\nBeginSimulationSetup\r\n", 0), 0u);
    EXPECT_TRUE(block.ends_with("EndSimulationSetup\r\n"));
    EXPECT_NE(block.find("Curve_3_Start_Frequency    5K\r\n"), std::string::npos);
    EXPECT_NE(block.find("Curve_3_Points_Per_Decade  100\r\n"), std::string::npos);
    // Without a setup the block is left out.
    ctx.simulationText = nullptr;
    EXPECT_TRUE(FormattedText(ctx).ends_with("EndSchematic\r\n"));
}

TEST_F(ExportsTest, FormattedTextListsEveryValidSymbolOfARealDesign)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        CSchDoc doc;
        CExportContext ctx;
        NewDesign(doc, ctx, type);
        ctx.simulationText = nullptr;  // the schematic block alone
        // Every valid symbol in slot order: the name padded to 27 characters, " = ", the value text
        // as it is (line ends included), CR LF.
        std::string expected = "BeginSchematic\r\n";
        for (int key = 0; key < CSchematic::kSlotCount; ++key) {
            const CSymbol* s = doc.Schematic()->GetSymbol(key);
            if (!s || !s->IsValid()) continue;
            const std::string name = NormalizeExportName(s->GetFullName());
            EXPECT_EQ(name.find_first_of(" \t"), std::string::npos) << name;
            expected += PadExportName(name) + " = " + s->GetValueText() + "\r\n";
        }
        expected += "EndSchematic\r\n";
        EXPECT_EQ(FormattedText(ctx), expected);
    }
}

// Value texts of several lines keep their line ends, byte for byte: the DAC values of ZelB and ZelC,
// the digital pins of ZelC and the "modified from" state of a ZelD/ZelE filter configuration.
TEST_F(ExportsTest, FormattedTextKeepsLineEndsOfValueTexts)
{
    auto line = [](const char* name, const std::string& value) {
        return PadExportName(name) + " = " + value + "\r\n";
    };
    struct Case {
        const char* type;
        std::function<void(CSchDoc&)> edit;
        std::string line;
    };
    const CFilterEntry entry = Butterworth(12, 200000);
    const Case cases[] = {
        {"ZelB", [](CSchDoc& d) { d.SetSymValue(39, 0xC0); }, line("DAC_Value", "Code:  C0h\r\n1.5000V")},
        {"ZelC", [](CSchDoc& d) { d.SetSymValue(8, 0x40); }, line("DAC1_Value", "Code:  40h\r\n-50.00%")},
        {"ZelC", [](CSchDoc&) {},
         line("Digital_Pins", "TDI: NONE\r\nTMS: NONE\r\nENSPI: NONE\r\nCSB: NONE\r\nCAL: NONE\r\nPDB: NONE\r\n"
                              "MUXB: NONE\r\nMUXA: NONE\r\nTCK: NONE")},
        {"ZelD",
         [&entry](CSchDoc& d) {
             d.ApplyFilterConfig(0, &entry);
             d.SetSymValue(3, 5);  // C3 A edited after the configuration was applied
         },
         line("Config_A", "CfgA modified from:\r\n" + entry.Description())},
        {"ZelE", [](CSchDoc&) {}, line("Config_B", "CfgB unknown\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CSchDoc doc;
        CExportContext ctx;
        NewDesign(doc, ctx, c.type);
        c.edit(doc);
        ctx.simulationText = nullptr;
        const std::string text = FormattedText(ctx);
        EXPECT_NE(text.find("\r\n" + c.line), std::string::npos) << c.line << "\n----\n" << text;
    }
}

TEST_F(ExportsTest, SummaryBlockOnlyWithText)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelD");
    CSummaryInfo s = doc.Summary();
    s.SetTitle("Anti-alias");
    s.SetComments("first\r\nsecond");
    doc.SetSummary(s);
    // The context's texts start empty: no block, whatever the document's summary says.
    EXPECT_EQ(FormattedText(ctx).find("BeginSummaryInfo"), std::string::npos);

    ctx.keywords = "k";
    const std::string keywordsOnly = FormattedText(ctx);
    EXPECT_EQ(keywordsOnly.rfind(
                  "BeginSummaryInfo\r\n"
                  "Title:                     \r\n"
                  "Subject:                   \r\n"
                  "Author:                    \r\n"
                  "Keywords:                  k\r\n"
                  "Comments:                  \r\n"
                  "EndSummaryInfo\r\n"
                  "BeginSchematic\r\n",
                  0),
              0u);

    FillSummaryTexts(ctx);
    doc.SetPathName("/d/x.ZEL");
    const std::string text = FormattedText(ctx);
    EXPECT_EQ(text.rfind(
                  "/d/x.ZEL                   \r\n"
                  "BeginSummaryInfo\r\n"
                  "Title:                     Anti-alias\r\n"
                  "Subject:                   \r\n"
                  "Author:                    " + doc.Summary().GetAuthor() + "\r\n"
                  "Keywords:                  ZelD\r\n"
                  "Comments:                  first\r\n"
                  "                           second\r\n"
                  "EndSummaryInfo\r\n"
                  "BeginSchematic\r\n",
                  0),
              0u)
        << text.substr(0, 400);
}

// ------------------------------------------------------------------ SVF

TEST(SvfHeader, LinesWithAndWithoutPath)
{
    EXPECT_EQ(SvfHeaderText("ZelA", ""),
              "! Kalidor SVF Export\r\n! ZelA IDCODE Check, Download and Verify \r\n! \r\n");
    EXPECT_EQ(SvfHeaderText("ZelE", "/home/u/f.ZEL"),
              "! Kalidor SVF Export\r\n! ZelE IDCODE Check, Download and Verify \r\n! \r\n"
              "! File: /home/u/f.ZEL\r\n! \r\n");
}

TEST_F(ExportsTest, SvfExportIsHeaderFrameAndTheDownloadProgram)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        CSchDoc doc;
        CExportContext ctx;
        NewDesign(doc, ctx, type);
        // Unsaved: no "! File: " line.
        const std::string out = Path(std::string(type) + ".svf");
        ASSERT_TRUE(RunExport(ctx, kExportSchematic, kFormatSvf, out));
        EXPECT_TRUE(prompter_.Texts().empty());
        const std::vector<std::string> lines = CrLfLines(ReadFile(out));

        std::vector<std::string> expected = {
            "! Kalidor SVF Export",
            std::string("! ") + type + " IDCODE Check, Download and Verify ",
            "! ",
            "TRST  ON;", "TRST  OFF;",
            "ENDIR IRPAUSE;", "ENDDR DRPAUSE;", "FREQUENCY 1e6 Hz;",
            "HIR  0; ", "HDR  0; ", "TIR  0; ", "TDR  0; ",
        };
        const std::size_t frameEnd = expected.size();
        auto program = CreateRegProgram(type);
        program->SetDevice(doc.Device());
        std::string body;
        program->CreateWriteSVF(kJtagRegAll, body);
        for (const std::string& l : LfLines(body)) expected.push_back(l);
        ASSERT_GT(expected.size(), frameEnd + 5);
        EXPECT_EQ(lines, expected);
        // The download program begins with its IDCODE check.
        const auto idcode = std::find(lines.begin(), lines.end(), "! --- IDCODE");
        ASSERT_NE(idcode, lines.end());
        ASSERT_LT(idcode + 2, lines.end());
        EXPECT_EQ(*(idcode + 2), IdcodeSdr(type));
        for (const std::string& l : lines) EXPECT_EQ(l.find("! File: "), std::string::npos);
    }
}

TEST_F(ExportsTest, SvfExportOfASavedDesignNamesTheDesignFile)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelC");
    const std::string design = Path("saved.ZEL");
    ASSERT_TRUE(doc.OnSaveDocument(design));
    ASSERT_EQ(doc.GetPathName(), design);
    std::ostringstream out;
    ASSERT_TRUE(ExportSvf(out, ctx));
    const std::vector<std::string> lines = CrLfLines(out.str());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], "! File: " + design);
    EXPECT_EQ(lines[4], "! ");
    EXPECT_EQ(lines[5], "TRST  ON;");
}

TEST_F(ExportsTest, SvfExportFollowsChainPositionAndProgramSwitches)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelA");
    ctx.chain = {3, 1, 8, 2};
    ctx.program->SetIdcodeCheck(0);
    ctx.program->SetInlineVerify(0);
    std::ostringstream out;
    ASSERT_TRUE(ExportSvf(out, ctx));
    const std::vector<std::string> lines = CrLfLines(out.str());
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[8], "HIR  3; ");
    EXPECT_EQ(lines[9], "HDR  1; ");
    EXPECT_EQ(lines[10], "TIR  8; ");
    EXPECT_EQ(lines[11], "TDR  2; ");
    for (const std::string& l : lines) {
        EXPECT_NE(l, "! --- IDCODE");
        EXPECT_NE(l, "! in-line verify");
    }
}

TEST_F(ExportsTest, SvfFollowsTheDesignsCells)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelA");
    std::ostringstream before;
    ASSERT_TRUE(ExportSvf(before, ctx));
    doc.E2_SetValue(0, 1 - doc.Device()->E2_GetValue(0));
    std::ostringstream after;
    ASSERT_TRUE(ExportSvf(after, ctx));
    EXPECT_NE(before.str(), after.str());
}

// ------------------------------------------------------------------ routing

TEST_F(ExportsTest, ClipboardExportEqualsTheFileExport)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelB");
    for (int format : {kFormatJedec, kFormatSvf, kFormatText}) {
        SCOPED_TRACE(format);
        FakeClipboard clip;
        ASSERT_TRUE(RunExport(ctx, kExportSchematic, format, "", &clip));
        EXPECT_EQ(clip.calls, "OESC");
        const std::string file = Path("f" + std::to_string(format));
        ASSERT_TRUE(RunExport(ctx, kExportSchematic, format, file));
        EXPECT_EQ(clip.text, ReadFile(file));
        EXPECT_FALSE(clip.text.empty());
    }
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(ExportsTest, ClipboardFailuresShowTheirMessageAndCloseAgain)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelD");
    struct Case {
        const char* name;
        void (*arrange)(FakeClipboard&);
        const char* calls;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"open", [](FakeClipboard& c) { c.openOk = false; }, "O", {"Failed to open clipboard."}},
        {"empty", [](FakeClipboard& c) { c.emptyOk = false; }, "OEC", {"Faile to empty clipboard."}},
        {"alloc", [](FakeClipboard& c) { c.setResult = CExportClipboard::SetResult::kAllocFailed; },
         "OESC", {"Failed to allocate memory."}},
        {"lock", [](FakeClipboard& c) { c.setResult = CExportClipboard::SetResult::kLockFailed; },
         "OESC", {"Failed to lock memory."}},
        {"set", [](FakeClipboard& c) { c.setResult = CExportClipboard::SetResult::kSetFailed; },
         "OESC", {"Failed to set clipboard data"}},
        {"close", [](FakeClipboard& c) { c.closeOk = false; }, "OESC", {"Failed to close clipboard."}},
        {"set+close",
         [](FakeClipboard& c) {
             c.setResult = CExportClipboard::SetResult::kSetFailed;
             c.closeOk = false;
         },
         "OESC", {"Failed to set clipboard data", "Failed to close clipboard."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter_.Clear();
        FakeClipboard clip;
        c.arrange(clip);
        EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatText, "", &clip));
        EXPECT_EQ(clip.calls, c.calls);
        EXPECT_EQ(prompter_.Texts(), c.messages);
    }
    // No clipboard at all.
    prompter_.Clear();
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatText, "", nullptr));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Failed to open clipboard."});
}

TEST_F(ExportsTest, UnwritableFileShowsTheMessage)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelC");
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatJedec, Path("no/such/dir/x.jed")));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"File could not be opened"});
}

TEST_F(ExportsTest, SpiceWithoutExporterSaysSoAndWritesNothing)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelC");
    ASSERT_EQ(ctx.spiceExporter, nullptr);
    const std::string file = Path("old.lib");
    { std::ofstream(file) << "previous contents"; }
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatSpice, file));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{std::string(kMsgSpiceUnavailable)});
    EXPECT_EQ(ReadFile(file), "previous contents");
    FakeClipboard clip;
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatSpice, "", &clip));
    EXPECT_EQ(clip.calls, "");
}

namespace {
std::string g_spiceFileName;
bool FakeSpice(std::ostream& out, CExportContext& ctx, const std::string& fileName)
{
    g_spiceFileName = fileName;
    out << "* model of " << ctx.doc->GetDeviceType();
    return true;
}
}  // namespace

TEST_F(ExportsTest, SpiceGoesThroughTheInstalledExporter)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelC");
    ctx.spiceExporter = FakeSpice;
    const std::string file = Path("filter1.lib");
    EXPECT_TRUE(RunExport(ctx, kExportSchematic, kFormatSpice, file));
    EXPECT_EQ(g_spiceFileName, file);
    EXPECT_EQ(ReadFile(file), "* model of ZelC");
    FakeClipboard clip;
    EXPECT_TRUE(RunExport(ctx, kExportSchematic, kFormatSpice, "", &clip));
    EXPECT_EQ(g_spiceFileName, "");
    EXPECT_EQ(clip.text, "* model of ZelC");
    // The exporter belongs to that context alone: another one has none.
    CExportContext other;
    NewDesign(doc, other, "ZelC");
    EXPECT_FALSE(RunExport(other, kExportSchematic, kFormatSpice, Path("other.lib")));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{std::string(kMsgSpiceUnavailable)});
}

TEST_F(ExportsTest, PlotKindGoesToThePlot)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelA");
    EXPECT_FALSE(RunExport(ctx, kExportPlot, 2, Path("p.csv")));
    EXPECT_FALSE(RunImport(ctx, kExportPlot, 0, Path("p.csv")));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{std::string(kMsgPlotExportUnavailable),
                                                            std::string(kMsgPlotImportUnavailable)}));
    int format = -1;
    std::string name = "unset";
    CExportClipboard* seen = nullptr;
    ctx.plotExport = [&](int f, const std::string& n, CExportClipboard* c) {
        format = f;
        name = n;
        seen = c;
        return true;
    };
    FakeClipboard clip;
    EXPECT_TRUE(RunExport(ctx, kExportPlot, 3, Path("p.csv"), &clip));
    EXPECT_EQ(format, 3);
    EXPECT_EQ(name, Path("p.csv"));
    EXPECT_EQ(seen, nullptr);
    EXPECT_TRUE(RunExport(ctx, kExportPlot, 1, "", &clip));
    EXPECT_EQ(seen, &clip);
    ctx.plotImport = [&](const std::string& n) { name = n; return true; };
    EXPECT_TRUE(RunImport(ctx, kExportPlot, 0, "in.csv"));
    EXPECT_EQ(name, "in.csv");
}

TEST_F(ExportsTest, OutOfRangeChoicesDoNothing)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelA");
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, 4, Path("x")));
    EXPECT_FALSE(RunExport(ctx, 2, 0, Path("x")));
    EXPECT_FALSE(RunImport(ctx, kExportSchematic, 1, Path("x")));
    EXPECT_FALSE(fs::exists(Path("x")));
    // A dialog result with a file destination and no name stops at the check.
    CExportChoice c;
    EXPECT_FALSE(RunExportChoice(ctx, c, false));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"Filename is required for Export/Import to file"});
}

// ------------------------------------------------------------------ JEDEC import

TEST_F(ExportsTest, JedecExportImportsBackIntoANewDesign)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        CSchDoc a;
        CExportContext ca;
        NewDesign(a, ca, type);
        // A legal design that differs from the defaults: every symbol stored in cells one step
        // on within its range, then coerced (some combinations are not allowed).
        DeviceConfig& dev = *a.Device();
        for (int key = 0; key < dev.SymbolSlotCount(); ++key) {
            if (!dev.HasRecord(key)) continue;
            const SymbolValue& r = dev.GetSymbolRecord(key);
            const bool stored = r.kind == kSymSingle ? r.cell >= 0 : r.kind != kSymConfiguration;
            if (stored && r.maxValue > 0)
                dev.SetSymValue(key, (dev.GetSymValue(key) + 1) % (r.maxValue + 1));
        }
        dev.CoerceSymbols();
        a.RefreshValueTexts();
        const std::string jed = Path(std::string(type) + ".jed");
        ASSERT_TRUE(RunExport(ca, kExportSchematic, kFormatJedec, jed));

        CSchDoc b;
        CExportContext cb;
        NewDesign(b, cb, type);
        std::vector<int> fresh;
        for (int i = 0; i < b.Device()->GetCellCount(); ++i) fresh.push_back(b.Device()->E2_GetValue(i));
        ASSERT_TRUE(RunImport(cb, kExportSchematic, 0, jed));
        EXPECT_TRUE(b.IsModified());
        // The fuse image is the first cells; the rest are not in a JEDEC file and stay as they were.
        const int fuses = ca.program->GetRegLength(kJtagRegJedec);
        ASSERT_GT(fuses, 0);
        ASSERT_LE(fuses, dev.GetCellCount());
        int differing = 0;
        for (int i = 0; i < dev.GetCellCount(); ++i) {
            if (i < fuses) {
                EXPECT_EQ(b.Device()->E2_GetValue(i), dev.E2_GetValue(i)) << "cell " << i;
                differing += dev.E2_GetValue(i) != fresh[i];
            } else {
                EXPECT_EQ(b.Device()->E2_GetValue(i), fresh[i]) << "cell " << i;
            }
        }
        EXPECT_GT(differing, 0) << "the test design should differ from a new one";
        // The symbols kept in the fuse image read back with their value texts.
        for (int key = 0; key < dev.SymbolSlotCount(); ++key) {
            if (!dev.HasRecord(key)) continue;
            const SymbolValue& r = dev.GetSymbolRecord(key);
            bool inImage = r.kind == kSymSingle ? (r.cell >= 0 && r.cell < fuses)
                                                : (r.kind != kSymConfiguration && r.bitCount > 0);
            for (int bit = 0; r.kind != kSymSingle && bit < r.bitCount && bit < 16; ++bit)
                inImage = inImage && r.cells[bit] < fuses;
            if (!inImage) continue;
            EXPECT_EQ(b.Device()->GetSymValue(key), dev.GetSymValue(key)) << "key " << key;
            const CSymbol* sa = a.Schematic()->GetSymbol(key);
            const CSymbol* sb = b.Schematic()->GetSymbol(key);
            if (sa && sb && sa->IsValid()) {
                EXPECT_EQ(sb->GetValueText(), sa->GetValueText()) << "key " << key;
            }
        }
        EXPECT_TRUE(prompter_.Texts().empty());
    }
}

TEST_F(ExportsTest, ImportCoercesOnceWithOneMessage)
{
    // A device whose all-ones cell image holds out-of-range values.
    std::string type;
    for (const char* t : kTypes) {
        auto d = CreateDeviceConfig(t);
        for (int i = 0; i < d->GetCellCount(); ++i) d->E2_SetValue(i, 1);
        if (d->CoerceSymbols() > 0) { type = t; break; }
    }
    if (type.empty()) GTEST_SKIP() << "no device has illegal all-ones values";
    auto dev = CreateDeviceConfig(type);
    for (int i = 0; i < dev->GetCellCount(); ++i) dev->E2_SetValue(i, 1);
    auto program = CreateRegProgram(type);
    program->SetDevice(dev.get());
    std::string text;
    ASSERT_TRUE(ComposeJedec(*dev, *program, {"", ""}, text));
    const std::string jed = Path("ones.jed");
    { std::ofstream(jed, std::ios::binary) << text; }

    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, type);
    ASSERT_TRUE(RunImport(ctx, kExportSchematic, 0, jed));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{std::string(kMsgJedecCoerced)});
    EXPECT_EQ(doc.Device()->CoerceSymbols(), 0);  // already legal
}

TEST_F(ExportsTest, ImportFailuresLeaveTheDesignAlone)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelD");
    const std::string before = FormattedText(ctx);

    EXPECT_FALSE(RunImport(ctx, kExportSchematic, 0, Path("missing.jed")));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"File could not be opened"});
    prompter_.Clear();
    EXPECT_FALSE(RunImport(ctx, kExportSchematic, 0, dir_.string()));  // a directory
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{"File could not be opened"});
    prompter_.Clear();
    const std::string junk = Path("junk.jed");
    { std::ofstream(junk) << "not a fuse file"; }
    EXPECT_FALSE(RunImport(ctx, kExportSchematic, 0, junk));
    EXPECT_EQ(prompter_.Texts().size(), 1u);  // the JEDEC reader's own reason
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(FormattedText(ctx), before);
}

TEST_F(ExportsTest, FailedExportKeepsTheOldFile)
{
    CSchDoc doc;
    CExportContext ctx;
    NewDesign(doc, ctx, "ZelA");
    ctx.program = nullptr;  // nothing to compose with
    const std::string file = Path("keep.svf");
    { std::ofstream(file) << "old"; }
    EXPECT_FALSE(RunExport(ctx, kExportSchematic, kFormatSvf, file));
    EXPECT_EQ(ReadFile(file), "old");
}

}  // namespace
