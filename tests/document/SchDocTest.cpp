#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "device/DeviceConfig.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"
#include "view/DeviceSchematic.h"

#include "FilterEntryTestUtil.h"

using namespace kalidor;
using kalidor::test::Butterworth;
namespace fs = std::filesystem;

namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

// Every test runs with the support files of the build and a recording prompter.
class SchDocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
        dir_ = fs::temp_directory_path() / ("kalidor-schdoc-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        SetProgramDirectory("");
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    fs::path dir_;
};

std::string ReplaceOnce(std::string s, const std::string& from, const std::string& to)
{
    size_t p = s.find(from);
    if (p != std::string::npos)
        s.replace(p, from.size(), to);
    return s;
}

}  // namespace

TEST_F(SchDocTest, NewDesignHasItsDefaults)
{
    MemorySettings settings;
    settings.SetString("Settings", "UserName", "Ada");
    Settings* old = SetCurrentSettings(&settings);
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    SetCurrentSettings(old);
    EXPECT_EQ(doc.GetFormatVersion(), 1);
    EXPECT_EQ(doc.Summary().GetAuthor(), "Ada");
    EXPECT_EQ(doc.Summary().GetKeywords(), "ZelA");
    EXPECT_EQ(doc.Summary().GetTitle(), "");
    EXPECT_EQ(doc.Summary().GetComments(), "");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.IsNewDocument());
    EXPECT_EQ(doc.LoadedSummary()[3], "ZelA");
    const std::string text = doc.WriteDesign();
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n\r\n<ZelDesignData>\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("<DocFmtVersion>1</DocFmtVersion>\r\n<DeviceType>ZelA</DeviceType>\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("SecurityFuse"), std::string::npos);
    EXPECT_EQ(text.find("SymbolicSchematicData"), std::string::npos);
    EXPECT_EQ(text.find("FilterCfg"), std::string::npos);
    const std::string tail = "</ZelDesignData>\r\n\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(SchDocTest, UnknownDeviceTypeIsReported)
{
    CSchDoc doc;
    EXPECT_FALSE(doc.OnNewDocument("ZelQ"));
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text, "Device \"ZelQ\" is not installed.");
    EXPECT_EQ(doc.Device(), nullptr);
}

TEST_F(SchDocTest, EveryTypeSavesReopensAndSavesAgainIdentically)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        prompter_.Clear();
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        // Change something in every design so that the fuse map is not the default one.
        doc.E2_SetValue(3, 1 - doc.Device()->E2_GetValue(3));
        doc.E2_SetValue(-1, 1);
        CSummaryInfo s;
        s.SetTitle("Filter <one>");
        s.SetComments("line 1\r\nline <2>");
        doc.SetSummary(s);
        ASSERT_TRUE(doc.OnSaveDocument(Path("a.zel")));
        EXPECT_FALSE(doc.IsModified());

        CSchDoc back;
        ASSERT_TRUE(back.OnOpenDocument(Path("a.zel")));
        EXPECT_EQ(back.GetDeviceType(), type);
        EXPECT_EQ(back.Summary().GetTitle(), "Filter one");
        EXPECT_EQ(back.Summary().GetComments(), "line 1\r\nline <2>");
        EXPECT_EQ(back.Device()->GetSecurity(), 1);
        for (int p = 0; p < doc.Device()->GetCellCount(); ++p)
            ASSERT_EQ(back.Device()->E2_GetValue(p), doc.Device()->E2_GetValue(p)) << p;
        ASSERT_TRUE(back.OnSaveDocument(Path("b.zel")));
        std::string a, b;
        ASSERT_TRUE(ReadWholeFile(Path("a.zel"), a));
        ASSERT_TRUE(ReadWholeFile(Path("b.zel"), b));
        EXPECT_EQ(a, b);
        // Open-save cycles are stable: the comment gains no line end.
        for (int i = 0; i < 3; ++i) {
            CSchDoc again;
            ASSERT_TRUE(again.OnOpenDocument(Path("b.zel")));
            ASSERT_TRUE(again.OnSaveDocument(Path("b.zel")));
        }
        ASSERT_TRUE(ReadWholeFile(Path("b.zel"), b));
        EXPECT_EQ(a, b);
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
    }
}

TEST_F(SchDocTest, ZelCWritesItsSecurityFlag)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelC"));
    doc.E2_SetValue(-1, 1);
    const std::string text = doc.WriteDesign();
    EXPECT_NE(text.find("</FuseMap>\r\n\r\n<SecurityFuse>1</SecurityFuse>\r\n\r\n<SummaryInformation>"),
              std::string::npos);
}

TEST_F(SchDocTest, VersionTwoKeepsItsVersionAndWritesSymbolicData)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelB"));
    const std::string v2 = ReplaceOnce(doc.WriteDesign(), "<DocFmtVersion>1<", "<DocFmtVersion>2<");
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(v2));
    EXPECT_EQ(back.GetFormatVersion(), 2);
    const std::string out = back.WriteDesign();
    EXPECT_NE(out.find("<DocFmtVersion>2</DocFmtVersion>"), std::string::npos);
    EXPECT_NE(out.find("<SymbolicSchematicData>\r\n  <Symbol>\r\n    <Name>Zelblock_1_Feedback</Name>\r\n"
                       "    <Value>CLOSED</Value>\r\n  </Symbol>\r\n"),
              std::string::npos);
    // Blanks only become "_"; leading blanks go: "  2.5V" is written "2.5V".
    EXPECT_NE(out.find("<Name>Zelblock_1_CMVin_Enable</Name>\r\n    <Value>2.5V</Value>"), std::string::npos);
    // Reading it again skips the block silently and keeps the version.
    CSchDoc third;
    ASSERT_TRUE(third.ReadDesign(out));
    EXPECT_EQ(third.WriteDesign(), out);
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(SchDocTest, UnrecognisedElementsAreReportedAndSkipped)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    std::string text = doc.WriteDesign();
    text = ReplaceOnce(text, "<SummaryInformation>", "<Extra>1</Extra>\r\n<SummaryInformation>");
    text = ReplaceOnce(text, "<Title></Title>", "<Title>kept</Title>");
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text,
              "ZEL files are formatted as XML files.\nThe file contains the following unrecognized\n"
              "XML element (it will be ignored):\n\n<Extra>1</Extra>");
    EXPECT_EQ(back.Summary().GetTitle(), "kept");
}

TEST_F(SchDocTest, AfterAFewUnrecognisedElementsTheRestCanBeSkipped)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    std::string extras;
    for (int i = 0; i < 10; ++i)
        extras += "<Extra>" + std::to_string(i) + "</Extra>\r\n";
    const std::string text = ReplaceOnce(doc.WriteDesign(), "<SummaryInformation>", extras + "<SummaryInformation>");
    for (Answer answer : {Answer::Yes, Answer::No}) {
        prompter_.Clear();
        prompter_.answers.clear();
        prompter_.Script(Answer::Ok);
        prompter_.Script(Answer::Ok);
        for (int i = 0; i < 8; ++i)
            prompter_.Script(answer);  // No keeps the offer open: every further message asks again
        CSchDoc back;
        ASSERT_TRUE(back.ReadDesign(text));
        ASSERT_EQ(prompter_.messages.size(), answer == Answer::Yes ? 3u : 10u);
        EXPECT_EQ(prompter_.messages[0].buttons, Buttons::Ok);
        EXPECT_EQ(prompter_.messages[1].buttons, Buttons::Ok);
        EXPECT_EQ(prompter_.messages[2].buttons, Buttons::YesNo);
        EXPECT_EQ(prompter_.messages[2].text,
                  "ZEL files are formatted as XML files.\nThe file contains the following unrecognized\n"
                  "XML element (it will be ignored):\n\n<Extra>2</Extra>\n\n"
                  "The file may hold more unrecognized elements.\n"
                  "Skip the messages about the rest of them in this file?");
        EXPECT_EQ(prompter_.messages.back().text.find("<Extra>9</Extra>") != std::string::npos, answer == Answer::No);
        EXPECT_EQ(prompter_.messages.back().buttons, Buttons::YesNo);
        EXPECT_EQ(back.WriteDesign(), doc.WriteDesign());
    }
}

// Unrecognised and broken markup of any amount reads in one pass over the text: a file at the read
// limit full of it takes a fraction of a second, not hours.
TEST_F(SchDocTest, SkippingUnrecognisedMarkupIsLinear)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    const std::string design = doc.WriteDesign();
    const std::size_t cut = design.find("<SummaryInformation>");
    struct Case {
        const char* unit;
        std::size_t bytes;
    };
    for (const Case& c : {Case{"<a>", 8u << 20}, Case{"<a ", 2u << 20}, Case{"<a/x", 2u << 20},
                          Case{"</a <b>", 2u << 20}}) {
        std::string junk;
        junk.reserve(c.bytes);
        while (junk.size() + 8 < c.bytes)
            junk += c.unit;
        const std::string text = design.substr(0, cut) + junk + "\r\n" + design.substr(cut);
        prompter_.Clear();
        // Processor time, not wall time: the test machine may be busy with other work.
        const std::clock_t start = std::clock();
        CSchDoc back;
        ASSERT_TRUE(back.ReadDesign(text)) << c.unit;
        const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        EXPECT_EQ(back.WriteDesign(), design) << c.unit;
        EXPECT_EQ(prompter_.messages.size(), 3u) << c.unit;  // the third offered to skip the rest
#if defined(NDEBUG)
        // About 0.3 s each on a quiet machine; skipping quadratically would take minutes. The
        // margin is for a machine whose other work slows even processor time (shared caches).
        EXPECT_LT(seconds, 3.0) << c.unit;
#else
        EXPECT_LT(seconds, 20.0) << c.unit;  // unoptimised and instrumented builds
#endif
    }
}

// Identifiers beyond the int range or not numbers at all saturate or read as 0 (no undefined
// conversion), and numbers are read and written the same in any C locale.
TEST_F(SchDocTest, FilterEntryNumbersOutOfRange)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    const std::string design = doc.WriteDesign();
    const std::string numbers = ", 200000, -12.5, -80, 6, 1e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12";
    struct Case {
        const char* id;
        int want;
    };
    for (const Case& c : {Case{"1e30", INT_MAX}, Case{"-1e30", INT_MIN}, Case{"nan", 0}, Case{"inf", INT_MAX},
                          Case{"1e400", 0}, Case{"+17.9", 17}}) {
        const std::string text = ReplaceOnce(design, "<SimulationSetup>",
                                             std::string("<FilterCfgA>\r\n<Butterworth>") + c.id + numbers +
                                                 "</Butterworth>\r\n</FilterCfgA>\r\n<SimulationSetup>");
        CSchDoc back;
        ASSERT_TRUE(back.ReadDesign(text)) << c.id;
        ASSERT_NE(back.GetFilterConfig(0), nullptr) << c.id;
        EXPECT_EQ(back.GetFilterConfig(0)->id, c.want) << c.id;
        EXPECT_EQ(back.GetFilterConfig(0)->attributes[CFilterEntry::kGain2Fc], -12.5) << c.id;
        CSchDoc again;
        ASSERT_TRUE(again.ReadDesign(back.WriteDesign()));
        EXPECT_EQ(again.WriteDesign(), back.WriteDesign()) << c.id;
    }
}

// Numbers with more digits than a save writes are kept as the save writes them, so that the design
// saved once reads and saves again to the same text (its description included).
TEST_F(SchDocTest, FilterEntryNumbersAreKeptAsASaveWritesThem)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelE"));
    const std::string text = ReplaceOnce(
        doc.WriteDesign(), "<SimulationSetup>",
        "<FilterCfgA>\r\n<Butterworth>12, 200000.123456789012, 2222222222222222222222222222.5, -80.1, 6, "
        "1.23456789012345e-12, 2e-12, 3e-12, 4e-12, 5e-12, 6e-12, 7e-12</Butterworth>\r\n</FilterCfgA>\r\n"
        "<SimulationSetup>");
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    ASSERT_NE(back.GetFilterConfig(0), nullptr);
    EXPECT_EQ(back.GetFilterConfig(0)->attributes[CFilterEntry::kFc], 200000.1235);
    EXPECT_EQ(back.GetFilterConfig(0)->components[0], 1.234567890e-12);
    const std::string saved = back.WriteDesign();
    EXPECT_NE(saved.find("<Butterworth>12, 200000.1235, 2.222222222e+27, -80.1, 6, 1.23456789e-12,"),
              std::string::npos);
    CSchDoc again;
    ASSERT_TRUE(again.ReadDesign(saved));
    EXPECT_EQ(again.WriteDesign(), saved);
}

TEST_F(SchDocTest, MalformedSymbolicDataIsSkippedSilently)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    std::string text = ReplaceOnce(doc.WriteDesign(), "<SummaryInformation>",
                                   "<SymbolicSchematicData><Symbol><<Name>x</Nme></SymbolicSchematicData>\r\n"
                                   "<SummaryInformation>");
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(SchDocTest, AnyFuseCharacterButZeroSetsTheCell)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    const std::string zeros(179, '0');
    std::string map = zeros;
    map[4] = '2';
    map[5] = 'x';
    std::string text = doc.WriteDesign();
    const size_t a = text.find("<FuseMap>") + 9;
    text.replace(a, 179, map);
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    EXPECT_EQ(back.Device()->E2_GetValue(4), 1);
    EXPECT_EQ(back.Device()->E2_GetValue(5), 1);
    EXPECT_EQ(back.Device()->E2_GetValue(18), 0);  // polarity cleared by the map
    EXPECT_EQ(back.Device()->GetSymValue(4), 6);
    // A short map leaves the other cells at their defaults.
    text.replace(a, 179, "1");
    CSchDoc shortMap;
    ASSERT_TRUE(shortMap.ReadDesign(text.substr(0, a) + "1" + text.substr(a + 1)));
}

TEST_F(SchDocTest, ShortFuseMapKeepsDefaults)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    std::string text = doc.WriteDesign();
    const size_t a = text.find("<FuseMap>") + 9;
    const size_t b = text.find("</FuseMap>");
    text.replace(a, b - a, "1");
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    EXPECT_EQ(back.Device()->E2_GetValue(0), 1);
    EXPECT_EQ(back.Device()->E2_GetValue(18), 1);  // default polarity
}

TEST_F(SchDocTest, FilesThatAreNotDesignsAreRefused)
{
    CSchDoc good;
    ASSERT_TRUE(good.OnNewDocument("ZelD"));
    const std::string text = good.WriteDesign();
    const std::vector<std::string> bad = {
        "",
        "<?xml version=\"1.0\"?>\r\n<Other></Other>",
        ReplaceOnce(text, "<DeviceType>ZelD</DeviceType>", "<DeviceType>ZelQ</DeviceType>"),
        ReplaceOnce(text, "<DeviceType>ZelD</DeviceType>", ""),
        // the fuse map before the device type
        "<ZelDesignData><FuseMap>0101</FuseMap><DeviceType>ZelA</DeviceType></ZelDesignData>",
        text.substr(0, text.find("</ZelDesignData>")),  // truncated
    };
    for (const std::string& t : bad) {
        prompter_.Clear();
        CSchDoc doc;
        EXPECT_FALSE(doc.ReadDesign(t)) << t.substr(0, 80);
        ASSERT_FALSE(prompter_.messages.empty());
        EXPECT_EQ(prompter_.messages.back().text, "Error: ZEL file wrong version or corrupted!");
        EXPECT_EQ(doc.Device(), nullptr);
    }
    // Without the XML declaration a design reads the same.
    CSchDoc noProlog;
    EXPECT_TRUE(noProlog.ReadDesign(text.substr(text.find("<ZelDesignData>"))));
}

TEST_F(SchDocTest, EveryPrefixAndGarbledVariantEndsWithoutHarm)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelE"));
    CFilterEntry e = Butterworth(12, 150000);
    doc.ApplyFilterConfig(1, &e);
    const std::string text = doc.WriteDesign();
    for (size_t n = 0; n < text.size(); n += 7) {
        CSchDoc d;
        d.ReadDesign(text.substr(0, n));
    }
    // Flip characters one at a time at a spread of places.
    for (size_t i = 0; i < text.size(); i += 13) {
        for (char c : {'<', '>', '/', '\0', '\xff'}) {
            std::string t = text;
            t[i] = c;
            CSchDoc d;
            d.ReadDesign(t);
        }
    }
    // Oversized fields are cut to their limits.
    std::string big = ReplaceOnce(text, "<Title></Title>", "<Title>" + std::string(5000, 'T') + "</Title>");
    big = ReplaceOnce(big, "<![CDATA[", "<![CDATA[" + std::string(10000, 'c'));
    CSchDoc d;
    ASSERT_TRUE(d.ReadDesign(big));
    EXPECT_EQ(d.Summary().GetTitle().size(), 255u);
    EXPECT_EQ(d.Summary().GetComments().size(), 4095u);
}

TEST_F(SchDocTest, CompoundFilesAreRefusedWhateverTheirName)
{
    const std::string compound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 rest of an old file", 28);
    for (const char* name : {"old.zel", "old.txt"}) {
        std::ofstream(Path(name), std::ios::binary) << compound;
        prompter_.Clear();
        CSchDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(Path(name)));
        ASSERT_EQ(prompter_.messages.size(), 1u);
        EXPECT_EQ(prompter_.messages[0].text, "Doc is in OLE format which is no longer used by Kalidor.");
    }
}

TEST_F(SchDocTest, AFailedSaveLeavesTheOldFile)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    ASSERT_TRUE(doc.OnSaveDocument(Path("keep.zel")));
    std::string before;
    ASSERT_TRUE(ReadWholeFile(Path("keep.zel"), before));
    doc.SetSymValue(4, 3);
    EXPECT_TRUE(doc.IsModified());
    // The target is a folder: the rename fails and nothing is lost.
    fs::create_directories(Path("folder.zel"));
    fs::create_directories(Path("folder.zel/inner"));
    EXPECT_FALSE(doc.OnSaveDocument(Path("folder.zel")));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(fs::is_directory(Path("folder.zel/inner")));
    EXPECT_FALSE(doc.OnSaveDocument(Path("no-such-folder/x.zel")));
    std::string after;
    ASSERT_TRUE(ReadWholeFile(Path("keep.zel"), after));
    EXPECT_EQ(before, after);
    // No temporary files are left behind.
    int files = 0;
    for (auto& entry : fs::directory_iterator(dir_))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(SchDocTest, CommentsCannotEndTheirSectionEarly)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelB"));
    CSummaryInfo s;
    s.SetComments("a ]]> b");
    doc.SetSummary(s);
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(doc.WriteDesign()));
    EXPECT_EQ(back.Summary().GetComments(), "a ]] > b");
    EXPECT_EQ(back.Device()->E2_GetValue(0), doc.Device()->E2_GetValue(0));
}

TEST_F(SchDocTest, FilterConfigurationsRoundTrip)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    EXPECT_EQ(doc.GetFilterConfigState(64), -1);
    std::string text;
    EXPECT_EQ(doc.FilterConfigText(64, text), 1);
    EXPECT_EQ(text, "CfgA unknown\r\n");
    EXPECT_EQ(doc.FilterConfigText(7, text), 0);

    CFilterEntry a = Butterworth(12, 200000);
    CFilterEntry b = Butterworth(40, 200001);
    EXPECT_EQ(doc.ApplyFilterConfig(0, &a), 64);
    EXPECT_EQ(doc.ApplyFilterConfig(1, &b), 65);
    EXPECT_EQ(doc.Device()->GetSymValue(7), 1);   // 200 kHz exactly: the lower range
    EXPECT_EQ(doc.Device()->GetSymValue(19), 0);  // above it: the upper range
    EXPECT_EQ(doc.GetFilterConfigState(64), 12);
    EXPECT_EQ(doc.GetLastConfiguration(), 65);
    doc.SetSymValue(15, 3);  // C3 B edited directly
    EXPECT_EQ(doc.GetFilterConfigState(65), -2);
    EXPECT_EQ(doc.GetFilterConfigState(64), 12);
    doc.FilterConfigText(65, text);
    EXPECT_EQ(text.rfind("CfgB modified from:\r\nButterworth #40", 0), 0u);
    doc.FilterConfigText(64, text);
    EXPECT_EQ(text.rfind("CfgA \r\nButterworth #12", 0), 0u);

    const std::string saved = doc.WriteDesign();
    EXPECT_NE(saved.find("<FilterCfgB>\r\n<ModifiedFromCfg>-2</ModifiedFromCfg>\r\n<Butterworth>40, "),
              std::string::npos);
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(saved));
    EXPECT_EQ(back.GetFilterConfigState(64), 12);
    EXPECT_EQ(back.GetFilterConfigState(65), -2);
    ASSERT_NE(back.GetFilterConfig(0), nullptr);
    EXPECT_DOUBLE_EQ(back.GetFilterConfig(0)->components[6], 7e-12);
    EXPECT_EQ(back.WriteDesign(), saved);

    // "Linear phase 1" reads as LinearPhase1; without ModifiedFromCfg the key takes the id.
    std::string lp = ReplaceOnce(saved, "<FilterCfgB>\r\n<ModifiedFromCfg>-2</ModifiedFromCfg>\r\n<Butterworth>40, 200001, -12.3, -80.1, 6",
                                 "<FilterCfgB>\r\n<Linear phase 1>41, 100, -1, -2, 6");
    lp = ReplaceOnce(lp, "</Butterworth>\r\n</FilterCfgB>", "</Linear phase 1>\r\n</FilterCfgB>");
    CSchDoc linear;
    ASSERT_TRUE(linear.ReadDesign(lp));
    ASSERT_NE(linear.GetFilterConfig(1), nullptr);
    EXPECT_EQ(linear.GetFilterConfig(1)->type, 1);
    EXPECT_EQ(linear.Device()->GetSymValue(65), 41);
}

TEST_F(SchDocTest, ClearingAskesFirstAndResetsEverything)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    CFilterEntry a = Butterworth(3, 1000);
    doc.ApplyFilterConfig(0, &a);
    doc.SetSymValue(11, 10);
    doc.SetModifiedFlag(false);
    prompter_.Script(Answer::Cancel);
    EXPECT_FALSE(doc.ClearSchematic());
    EXPECT_EQ(doc.Device()->GetSymValue(11), 10);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.ClearSchematic());
    EXPECT_EQ(prompter_.messages.back().text, "Do you want to clear (erase) the schematic?");
    EXPECT_EQ(doc.Device()->GetSymValue(64), -1);
    EXPECT_EQ(doc.Device()->GetSymValue(65), -1);
    EXPECT_EQ(doc.Device()->GetSymValue(11), 1);
    EXPECT_EQ(doc.GetFilterConfig(0), nullptr);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(SchDocTest, CurveNumbersAreKeptInRange)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    doc.SetActiveCurve(0);
    doc.SetActiveCurve(7);
    doc.SetActiveCurve(3);
    ASSERT_EQ(prompter_.messages.size(), 2u);
    EXPECT_EQ(prompter_.messages[0].text, "The Lowest Curve Number is 1.");
    EXPECT_EQ(prompter_.messages[1].text, "The Largest Curve Number is 4.");
}

TEST_F(SchDocTest, ViewsAreToldOfEdits)
{
    struct Recorder : CSchDocObserver {
        std::vector<int> hints;
        int states = 0;
        void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
        void OnDocumentStateChanged() override { ++states; }
    } view;
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    doc.AddObserver(&view);
    doc.SetGainValue(4, -3);
    EXPECT_EQ(view.hints, std::vector<int>{kHintSymbolEdited});
    EXPECT_EQ(view.states, 1);
    EXPECT_EQ(doc.Schematic()->GetSymbol(4)->GetValueText(), "-3");
    doc.RemoveObserver(&view);
    doc.SetSymValue(4, 1);
    EXPECT_EQ(view.hints.size(), 1u);
}

TEST_F(SchDocTest, EmbeddedSavingWritesIntoTheHost)
{
    auto host = CJtagChainElement::ZelDevice("Device0", "ZelC", "old");
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelC"));
    doc.SetEmbedded(host.get());
    doc.SetSymValue(4, 2);
    ASSERT_TRUE(doc.SaveEmbedded());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host->GetDesign(), doc.WriteDesign());
    EXPECT_EQ(host->GetDesign().rfind("<ZelDesignData>\r\n", 0), 0u);
    EXPECT_EQ(host->IsModified(), 1);
    doc.SetEmbedded(nullptr);
}

TEST_F(SchDocTest, SimulationSetupTravelsWithTheDesign)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelC"));
    CurveSetting& c = doc.Simulation()->Curve(2);
    c.inputNode = 3;
    c.outputNode = 2;
    c.startFrequency = 100;
    c.stopFrequency = 250000;
    c.pointsPerDecade = 37;
    doc.SetActiveCurve(3);
    EXPECT_EQ(doc.Simulation()->GetActiveCurve(), 2);
    const std::string text = doc.WriteDesign();
    EXPECT_NE(text.find("</SummaryInformation>\r\n\r\n\r\n<SimulationSetup>\r\n<Curve>\r\n<CurveNum>0</CurveNum>\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("</SimulationSetup>\r\n</ZelDesignData>\r\n\r\n"), std::string::npos);
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(text));
    const CurveSetting& r = back.Simulation()->Curve(2);
    EXPECT_EQ(r.inputNode, 3);
    EXPECT_EQ(r.outputNode, 2);
    EXPECT_EQ(r.startFrequency, 100);
    EXPECT_EQ(r.stopFrequency, 250000);
    EXPECT_EQ(r.pointsPerDecade, 37);
    EXPECT_EQ(back.WriteDesign(), text);
}
