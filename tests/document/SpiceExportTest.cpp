// The Spice model export: model names, the comment header, template reading, the substitution of
// parameter references, the missing-template path, and every shipped template against the
// schematic it is written for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#include "device/DeviceConfig.h"
#include "document/Exports.h"
#include "document/SchDoc.h"
#include "document/SpiceExport.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "view/DeviceSchematic.h"
#include "view/Symbol.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

const char* const kTypes[] = {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"};

class SpiceExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
    }
    void TearDown() override { SetProgramDirectory(""); }

    // The export of a document as the routing composes it ("" on failure).
    static std::string Compose(CSchDoc& doc, const std::string& fileName)
    {
        CExportContext context;
        if (!FillExportContext(context, doc))
            return {};
        InstallSpiceModelExporter(context);
        std::string out;
        if (!ComposeSchematicExport(context, kFormatSpice, fileName, out))
            return {};
        return out;
    }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

// A lookup from a fixed table (names upper case).
SpiceValueLookup TableLookup(std::map<std::string, std::string> table)
{
    return [table](const std::string& name) {
        std::string upper = name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto it = table.find(upper);
        return it == table.end() ? std::string() : it->second;
    };
}

}  // namespace

// --- model name ---

TEST(SpiceModelNameTest, TakesTheFileNameUpToItsFirstDot)
{
    EXPECT_EQ(SpiceModelName("ZelD", "C:\\x\\filter1.lib"), "filter1");
    EXPECT_EQ(SpiceModelName("ZelD", "/home/u/designs/filter1.lib"), "filter1");
    EXPECT_EQ(SpiceModelName("ZelD", "/home/u/filter1.v2.lib"), "filter1");
    // A dot in a folder name is not the file's.
    EXPECT_EQ(SpiceModelName("ZelD", "/home/u.x/filter1.lib"), "filter1");
    EXPECT_EQ(SpiceModelName("ZelD", "C:\\my.dir\\filter1"), "filter1");
    // A name typed on the command line has no folder.
    EXPECT_EQ(SpiceModelName("ZelD", "filter1.lib"), "filter1");
}

TEST(SpiceModelNameTest, FallsBackToTheDeviceModelName)
{
    EXPECT_EQ(SpiceModelName("ZelD", ""), "ZelD_SpiceModel");
    EXPECT_EQ(SpiceModelName("ZelA", "C:\\x\\.lib"), "ZelA_SpiceModel");
    EXPECT_EQ(SpiceModelName("ZelA", "/tmp/"), "ZelA_SpiceModel");
}

TEST(SpiceModelNameTest, BlanksBecomeUnderscores)
{
    EXPECT_EQ(SpiceModelName("ZelB", "/tmp/my filter\tA.lib"), "my_filter_A");
}

TEST(SpiceModelNameTest, TemplatePathLiesInTheSpiceFolder)
{
    SetProgramDirectory("/opt/kalidor");
    EXPECT_EQ(SpiceTemplatePath("ZelC"), "/opt/kalidor/SPICE/ZelC_SpiceModel.XML");
    SetProgramDirectory("");
}

// --- header ---

namespace {
const char kHeadLines[] = "* Title: T\r\n* Subject: S\r\n* Author: A\r\n* Keywords: K\r\n";
std::string Header(const std::string& comment)
{
    return SpiceModelHeader({"T", "S", "A", "K", comment});
}
}  // namespace

TEST(SpiceHeaderTest, CommentWithoutLineBreakIsOneLine)
{
    EXPECT_EQ(Header("abc"), std::string(kHeadLines) + "* Comments: *  abc\r\n\r\n");
}

TEST(SpiceHeaderTest, EmptyCommentGivesTwoLineEnds)
{
    EXPECT_EQ(Header(""), std::string(kHeadLines) + "\r\n\r\n");
}

TEST(SpiceHeaderTest, CommentLinesEachGetTheirLead)
{
    EXPECT_EQ(Header("one\r\ntwo\r\nthree"),
              std::string(kHeadLines) + "* Comments: \r\n*  one\r\n*  two\r\n*  three\r\n\r\n");
    EXPECT_EQ(Header("one\r\n"), std::string(kHeadLines) + "* Comments: \r\n*  one\r\n\r\n\r\n");
}

TEST(SpiceHeaderTest, CommentStartingWithLineBreakGetsItsPrefixLast)
{
    EXPECT_EQ(Header("\r\nx"), std::string(kHeadLines) + "*  \r\n* Comments: *  x\r\n\r\n");
}

TEST(SpiceHeaderTest, LoneLineFeedsCannotEscapeTheComment)
{
    // Every line of the header must start with '*': a bare LF or CR is a line break too.
    EXPECT_EQ(Header("one\ntwo\rthree"),
              std::string(kHeadLines) + "* Comments: \r\n*  one\r\n*  two\r\n*  three\r\n\r\n");
    const std::string h = SpiceModelHeader({"a\nb", "c\r\nd", "", "", ""});
    EXPECT_EQ(h.substr(0, 30), "* Title: a b\r\n* Subject: c  d\r");
}

// --- template reading ---

TEST(SpiceTemplateReadTest, TakesTheTemplateElementsText)
{
    const std::string xml =
        "<?xml version=\"1.0\"?>\r\n\r\n<ZelSpiceModel>\r\n<DocFmtVersion>1</DocFmtVersion>\r\n"
        "<DeviceType>ZelA</DeviceType>\r\n<Vendor><Name>x</Name></Vendor>\r\n"
        "<ParamLeadin>PXXX</ParamLeadin>\r\n"
        "<SpiceModelTemplate><![CDATA[\r\n.SUBCKT a <b> & c\r\n]]></SpiceModelTemplate>\r\n"
        "</ZelSpiceModel>\r\n";
    std::string t = "old";
    ASSERT_TRUE(ReadSpiceTemplate(xml, t));
    EXPECT_EQ(t, "\r\n.SUBCKT a <b> & c\r\n");
}

TEST(SpiceTemplateReadTest, RefusesAnotherRootElement)
{
    std::string t = "old";
    EXPECT_FALSE(ReadSpiceTemplate("<ZelDevice><SpiceModelTemplate>x</SpiceModelTemplate></ZelDevice>", t));
    EXPECT_EQ(t, "");
    EXPECT_FALSE(ReadSpiceTemplate("", t));
    EXPECT_FALSE(ReadSpiceTemplate("</ZelSpiceModel>", t));
}

TEST(SpiceTemplateReadTest, TruncatedAndGarbledFilesEnd)
{
    const std::string xml =
        "<ZelSpiceModel><SpiceModelTemplate><![CDATA[\r\n.SUBCKT x\r\n.ENDS\r\n]]></SpiceModelTemplate>"
        "</ZelSpiceModel>";
    for (std::size_t n = 0; n <= xml.size(); ++n) {
        std::string t;
        ReadSpiceTemplate(xml.substr(0, n), t);  // must return, whatever it finds
        EXPECT_LE(t.size(), xml.size());
    }
    std::string t;
    EXPECT_TRUE(ReadSpiceTemplate("<ZelSpiceModel><<<>>><SpiceModelTemplate>y</SpiceModelTemplate>", t));
}

// --- substitution ---

TEST(SpiceSubstituteTest, PinSuffixFollowsTheNode)
{
    const auto in1 = TableLookup({{"IN1", "IN1"}});
    EXPECT_EQ(SubstituteSpiceTemplate("G1 0 n PXXX_IN1_P PXXX_IN1_M", "m", in1), "G1 0 n IN1_P IN1_M");
    const auto vref = TableLookup({{"IN1", "VREF"}});
    EXPECT_EQ(SubstituteSpiceTemplate("G1 0 n PXXX_IN1_P PXXX_IN1_m", "m", vref), "G1 0 n VREF VREF");
    const auto cm = TableLookup({{"IN1", "CMVIN"}});
    EXPECT_EQ(SubstituteSpiceTemplate("E x Pxxx_IN1_p", "m", cm), "E x CMVIN");
    // Only the exact texts have no pins.
    const auto other = TableLookup({{"IN1", "vref"}});
    EXPECT_EQ(SubstituteSpiceTemplate("Pxxx_IN1_P", "m", other), "vref_P");
}

TEST(SpiceSubstituteTest, ModelNameAndReferencesInsideWords)
{
    const auto t = TableLookup({{"BLOCK_1_FEEDBACK", "OPEN"}, {"GAIN", "-3"}});
    EXPECT_EQ(SubstituteSpiceTemplate(".SUBCKT PXXX_MODEL_NAME a\r\nR1 s F_Pxxx_Block_1_Feedback 1\r\n"
                                      "G1 0 s a 0 {Pxxx_gain/250e3}\r\n.ENDS pxxx_model_name",
                                      "filter1", t),
              ".SUBCKT filter1 a\r\nR1 s F_OPEN 1\r\nG1 0 s a 0 {-3/250e3}\r\n.ENDS pxxx_model_name");
    EXPECT_EQ(SubstituteSpiceTemplate("x Pxxx_model_name y", "M1", t), "x M1 y");
}

TEST(SpiceSubstituteTest, UnknownNamesAndBareLeadins)
{
    const auto none = TableLookup({});
    EXPECT_EQ(SubstituteSpiceTemplate("a Pxxx_Nothing b", "m", none), "a  b");
    EXPECT_EQ(SubstituteSpiceTemplate("a Pxxx_Nothing_P b", "m", none), "a _P b");
    EXPECT_EQ(SubstituteSpiceTemplate("Pxxx", "m", none), "");
    EXPECT_EQ(SubstituteSpiceTemplate("Pxxx_", "m", none), "");
    EXPECT_EQ(SubstituteSpiceTemplate("Pxxx_P", "m", none), "");
    EXPECT_EQ(SubstituteSpiceTemplate("PxxxPxxx", "m", none), "");
    EXPECT_EQ(SubstituteSpiceTemplate("no references", "m", none), "no references");
    EXPECT_EQ(SubstituteSpiceTemplate("", "m", none), "");
    // The separator is any one character.
    EXPECT_EQ(SubstituteSpiceTemplate("PxxxXMODEL_NAME.", "m", none), "m.");
}

// --- documents ---

TEST_F(SpiceExportTest, NamesResolveThroughValidSymbolsOnly)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    doc.SetSymValue(9, 1);  // Block 1 IA1 Interconnect: IN1
    doc.RefreshValueTexts();
    CSchematic& s = *doc.Schematic();
    EXPECT_EQ(SpiceSymbolValue(s, doc.Device(), "Block_1_IA1_Interconnect"), "IN1");
    EXPECT_EQ(SpiceSymbolValue(s, doc.Device(), "block_1_ia1_INTERCONNECT"), "IN1");
    EXPECT_EQ(SpiceSymbolValue(s, doc.Device(), "Block_1_Feedback"), "CLOSED");
    // A label is not a valid symbol.
    EXPECT_EQ(SpiceSymbolValue(s, doc.Device(), "IN1"), "");
    EXPECT_EQ(SpiceSymbolValue(s, doc.Device(), ""), "");
}

TEST_F(SpiceExportTest, RecordsWithoutSymbolsResolveToTheirSetting)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelC"));
    doc.SetSymValue(2, 5);  // OA1_CF
    doc.SetSymValue(12, 1);  // MUX1/SELA
    EXPECT_EQ(SpiceSymbolValue(*doc.Schematic(), doc.Device(), "OA1_CF"), "5");
    EXPECT_EQ(SpiceSymbolValue(*doc.Schematic(), doc.Device(), "MUX1_SELA"), "1");
    // A record shown by a valid symbol is reached through the symbol's name only.
    EXPECT_EQ(SpiceSymbolValue(*doc.Schematic(), doc.Device(), "gain_IA1"), "");
}

TEST_F(SpiceExportTest, ExportsHeaderThenModel)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    const std::string text = Compose(doc, "C:\\x\\filter1.lib");
    ASSERT_FALSE(text.empty());
    const std::string head = "* Title: \r\n* Subject: \r\n* Author: \r\n* Keywords: ZelA\r\n\r\n\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("\r\n.SUBCKT filter1 IN1_P IN1_M"), std::string::npos);
    EXPECT_NE(text.find("\r\n.ENDS filter1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Pxxx"), std::string::npos);
    EXPECT_EQ(text.find("PXXX"), std::string::npos);
    // To the clipboard the model is named after the device.
    EXPECT_NE(Compose(doc, "").find(".SUBCKT ZelA_SpiceModel "), std::string::npos);
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(SpiceExportTest, MissingTemplateShowsWhereAndExportsNothing)
{
    const fs::path dir = fs::temp_directory_path() / ("kalidor_spice_" + std::to_string(::getpid()));
    fs::create_directories(dir / "SupportFiles");
    fs::copy_file(fs::path(KALIDOR_BIN_DIR) / "SupportFiles" / "ZelA_Schematic.XML",
                  dir / "SupportFiles" / "ZelA_Schematic.XML", fs::copy_options::overwrite_existing);
    SetProgramDirectory(dir.string());
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    prompter_.Clear();
    EXPECT_EQ(Compose(doc, "/tmp/a.lib"), "");
    ASSERT_EQ(prompter_.messages.size(), 1u);
    const std::string& msg = prompter_.messages[0].text;
    EXPECT_EQ(msg.find((dir / "SPICE" / "ZelA_SpiceModel.XML").string()), 0u);
    EXPECT_NE(msg.find("not found"), std::string::npos);
    EXPECT_NE(msg.find(std::string(kSpiceDownloadAddress)), std::string::npos);

    // A file that is not a template is refused as well, rather than exported as a bare header.
    fs::create_directories(dir / "SPICE");
    std::ofstream(dir / "SPICE" / "ZelA_SpiceModel.XML") << "<ZelDevice></ZelDevice>";
    prompter_.Clear();
    EXPECT_EQ(Compose(doc, "/tmp/a.lib"), "");
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_NE(prompter_.messages[0].text.find("is not a Spice model template"), std::string::npos);
    fs::remove_all(dir);
}

TEST_F(SpiceExportTest, FileExportWritesTheSameText)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    const fs::path file = fs::temp_directory_path() / ("kalidor_spice_" + std::to_string(::getpid()) + ".lib");
    CExportContext context;
    ASSERT_TRUE(FillExportContext(context, doc));
    InstallSpiceModelExporter(context);
    ASSERT_TRUE(RunExport(context, kExportSchematic, kFormatSpice, file.string()));
    std::string written;
    ASSERT_TRUE(ReadWholeFile(file.string(), written));
    fs::remove(file);
    EXPECT_EQ(written, Compose(doc, file.string()));
    EXPECT_NE(written.find(".SUBCKT " + file.stem().string() + " IN_P IN_M OUT_P OUT_M VREF"),
              std::string::npos);
}

// Every reference of every shipped template names something the schematic of its device gives a
// value: a template written against names that do not exist would export empty values silently.
TEST_F(SpiceExportTest, EveryTemplateReferenceResolves)
{
    for (const char* type : kTypes) {
        SCOPED_TRACE(type);
        std::string xml, templ;
        ASSERT_TRUE(ReadWholeFile(SpiceTemplatePath(type), xml));
        ASSERT_TRUE(ReadSpiceTemplate(xml, templ));
        ASSERT_FALSE(templ.empty());
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        doc.RefreshValueTexts();
        std::set<std::string> unresolved;
        SubstituteSpiceTemplate(templ, "m", [&](const std::string& name) {
            std::string v = SpiceSymbolValue(*doc.Schematic(), doc.Device(), name);
            if (v.empty())
                unresolved.insert(name);
            return v;
        });
        EXPECT_TRUE(unresolved.empty()) << "first unresolved: " << *unresolved.begin();
        // No template line may begin a comment with a reference: comments are kept verbatim.
        const std::string text = Compose(doc, "");
        EXPECT_EQ(text.find("Pxxx"), std::string::npos);
        EXPECT_NE(text.find("\r\n.ENDS " + std::string(type) + "_SpiceModel"), std::string::npos);
    }
}
