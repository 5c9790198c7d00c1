// The library browser's own reader: the file list of the library folder and the summary of a design
// read without opening it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "document/LibraryReader.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"

#include "FilterEntryTestUtil.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

class LibraryReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
        dir_ = fs::temp_directory_path() / ("kalidor-library-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        SetProgramDirectory("");
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& path, const std::string& text) const
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    // A design of `type` with a summary, as the program saves it.
    std::string Design(const std::string& type, const std::string& comments = "Two lines\r\nof comment")
    {
        CSchDoc doc;
        EXPECT_TRUE(doc.OnNewDocument(type));
        CSummaryInfo s;
        s.SetTitle("Title of " + type);
        s.SetSubject("Subject");
        s.SetAuthor("Author");
        s.SetKeywords("Keywords");
        s.SetComments(comments);
        doc.SetSummary(s);
        return doc.WriteDesign();
    }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    fs::path dir_;
};

}  // namespace

TEST_F(LibraryReaderTest, SummaryOfAZelADesignIsReadWithoutAMessage)
{
    const std::string path = Path("a.ZEL");
    Write(path, Design("ZelA"));
    const CLibrarySummary r = ReadLibrarySummary(path);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.summary.GetTitle(), "Title of ZelA");
    EXPECT_EQ(r.summary.GetSubject(), "Subject");
    EXPECT_EQ(r.summary.GetAuthor(), "Author");
    EXPECT_EQ(r.summary.GetKeywords(), "Keywords");
    EXPECT_EQ(r.summary.GetComments(), "Two lines\r\nof comment");
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(LibraryReaderTest, EmptyCommentsReadEmpty)
{
    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(Design("ZelB", ""), s), 0);
    EXPECT_EQ(s.GetComments(), "");
    EXPECT_EQ(s.GetTitle(), "Title of ZelB");
}

TEST_F(LibraryReaderTest, AZelCDesignShowsTheMessageForItsSecurityFuseOnce)
{
    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(Design("ZelC"), s), 0);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text,
              "ZEL files are formatted as XML files.\nThe file contains the following unrecognized\n"
              "XML element (it will be ignored):\n\n<SecurityFuse>0</SecurityFuse>");
    EXPECT_EQ(prompter_.messages[0].caption, "Kalidor");
    // The summary that follows is read all the same.
    EXPECT_EQ(s.GetTitle(), "Title of ZelC");
    EXPECT_EQ(s.GetComments(), "Two lines\r\nof comment");
}

TEST_F(LibraryReaderTest, FilterConfigurationsShowOneMessageEachWithTheWholeElement)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelE"));
    const CFilterEntry a = test::Butterworth(12, 1000.0);
    const CFilterEntry b = test::Butterworth(13, 2000.0);
    doc.ApplyFilterConfig(0, &a);
    doc.ApplyFilterConfig(1, &b);
    doc.SetSymValue(12, 5);  // configuration B edited after it was applied
    CSummaryInfo summary;
    summary.SetTitle("Filters");
    doc.SetSummary(summary);
    const std::string text = doc.WriteDesign();
    ASSERT_NE(text.find("<ModifiedFromCfg>-2</ModifiedFromCfg>"), std::string::npos);

    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(text, s), 0);
    const std::vector<std::string> texts = prompter_.Texts();
    ASSERT_EQ(texts.size(), 2u);
    const std::string prefix = "XML element (it will be ignored):\n\n";
    for (int i = 0; i < 2; ++i) {
        const std::string tag = i == 0 ? "FilterCfgA" : "FilterCfgB";
        const size_t at = texts[i].find(prefix);
        ASSERT_NE(at, std::string::npos);
        const std::string element = texts[i].substr(at + prefix.size());
        const size_t start = text.find("<" + tag + ">");
        const size_t end = text.find("</" + tag + ">") + tag.size() + 3;
        EXPECT_EQ(element, text.substr(start, end - start));
    }
    EXPECT_NE(texts[1].find("<ModifiedFromCfg>-2</ModifiedFromCfg>"), std::string::npos);
    EXPECT_EQ(s.GetTitle(), "Filters");
}

TEST_F(LibraryReaderTest, OtherElementsAreSteppedOverAndUnknownOnesReported)
{
    // A version 2 design: its symbolic block, the simulation setup and the fuse map are stepped
    // over silently, even a malformed symbolic block; an unknown element is reported once.
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    doc.SetFormatVersion(2);
    std::string text = doc.WriteDesign();
    const size_t symbolic = text.find("<SymbolicSchematicData>");
    ASSERT_NE(symbolic, std::string::npos);
    text.insert(symbolic + 23, "<Symbol><Name>broken<</Value>");
    text.insert(text.find("<SummaryInformation>"), "<Extra>1</Extra>\r\n");
    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(text, s), 0);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_NE(prompter_.messages[0].text.find("\n\n<Extra>1</Extra>"), std::string::npos);
    EXPECT_EQ(s.GetKeywords(), "ZelA");  // a new design's keywords are its device type
}

TEST_F(LibraryReaderTest, AFileFullOfUnknownElementsOffersToSkipTheirMessages)
{
    std::string text = Design("ZelA");
    std::string junk;
    for (int i = 0; i < 500; ++i)
        junk += "<Extra>" + std::to_string(i) + "</Extra>\r\n";
    text.insert(text.find("<SummaryInformation>"), junk);
    prompter_.Script(Answer::Ok);
    prompter_.Script(Answer::Ok);
    prompter_.Script(Answer::Yes);
    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(text, s), 0);
    ASSERT_EQ(prompter_.messages.size(), 3u);
    EXPECT_EQ(prompter_.messages[2].buttons, Buttons::YesNo);
    EXPECT_NE(prompter_.messages[2].text.find("<Extra>2</Extra>\n\nThe file may hold more unrecognized elements."),
              std::string::npos);
    EXPECT_EQ(s.GetTitle(), "Title of ZelA");
    // Each file is asked about on its own.
    prompter_.Clear();
    EXPECT_EQ(ParseLibrarySummary(text, s), 0);
    EXPECT_EQ(prompter_.messages.size(), 3u);  // unscripted, Yes again skips the rest
}

TEST_F(LibraryReaderTest, AFileThatIsNoDesignShowsErrorDataNotAvailable)
{
    // An old compound-storage design file: its text has no design root element.
    const std::string path = Path("old.ZEL");
    std::string compound = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    compound += std::string(504, '\0') + "<ZelDesignData>";
    Write(path, compound);
    const CLibrarySummary r = ReadLibrarySummary(path);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.summary.GetTitle(), "(error, data not available)");
    EXPECT_EQ(r.summary.GetSubject(), "");
    EXPECT_EQ(r.summary.GetAuthor(), "");
    EXPECT_EQ(r.summary.GetKeywords(), "");
    EXPECT_EQ(r.summary.GetComments(), "");
    EXPECT_TRUE(prompter_.messages.empty());

    // Plain text, and a file whose first element is something else.
    CSummaryInfo s;
    s.SetTitle("kept");
    EXPECT_EQ(ParseLibrarySummary("just some text", s), -1);
    EXPECT_EQ(ParseLibrarySummary("<?xml version=\"1.0\"?>\r\n<Other><Title>x</Title></Other>", s), -1);
    EXPECT_EQ(ParseLibrarySummary("", s), -1);
    EXPECT_EQ(s.GetTitle(), "kept");
}

TEST_F(LibraryReaderTest, ATruncatedDesignShowsWhatWasRead)
{
    std::string text = Design("ZelA");
    text.resize(text.find("</SummaryInformation>"));
    CSummaryInfo s;
    EXPECT_EQ(ParseLibrarySummary(text, s), 0);
    EXPECT_EQ(s.GetTitle(), "Title of ZelA");
}

TEST_F(LibraryReaderTest, AnUnreadableFileIsReportedAndCannotBeOpened)
{
    const std::string path = Path("missing.ZEL");
    const CLibrarySummary r = ReadLibrarySummary(path);
    EXPECT_FALSE(r.opened);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text.rfind("Cannot open " + path + ":\n", 0), 0u);
    EXPECT_EQ(r.summary.GetTitle(), "");
}

TEST_F(LibraryReaderTest, FileListHoldsDesignFilesByName)
{
    const std::string folder = Path("lib");
    fs::create_directories(folder + "/sub.ZEL");  // a folder, not a design
    for (const char* name : {"b.ZEL", "A.zel", "c.Zel", "notes.txt", "ZEL", ".ZEL", "a.ZELX"})
        Write(folder + "/" + name, "x");
    EXPECT_EQ(LibraryFileNames(folder), (std::vector<std::string>{"A.zel", "b.ZEL", "c.Zel"}));
    EXPECT_TRUE(LibraryFileNames(Path("no-such-folder")).empty());
    fs::create_directories(Path("empty"));
    EXPECT_TRUE(LibraryFileNames(Path("empty")).empty());
}

TEST_F(LibraryReaderTest, ALongLibraryPathIsKeptWhole)
{
    // A program folder far longer than the 70 characters an old buffer held.
    std::string program = Path("");
    while (program.size() < 400)
        program += "/a-rather-long-folder-name-for-the-program";
    fs::create_directories(program + "/LIBRARY");
    Write(program + "/LIBRARY/Deep.ZEL", Design("ZelB"));
    SetProgramDirectory(program);
    const std::string folder = LibraryFolderPath();
    EXPECT_EQ(folder, program + "/LIBRARY/");
    ASSERT_EQ(LibraryFileNames(folder), std::vector<std::string>{"Deep.ZEL"});
    const CLibrarySummary r = ReadLibrarySummary(folder + "Deep.ZEL");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.summary.GetTitle(), "Title of ZelB");
}

TEST_F(LibraryReaderTest, TheShippedLibraryIsListed)
{
    const std::vector<std::string> names = LibraryFileNames(LibraryFolderPath());
    // At least three designs of every device type, each with a title.
    for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
        int count = 0;
        for (const std::string& n : names)
            count += n.rfind(type, 0) == 0;
        EXPECT_GE(count, 3) << type;
    }
    for (const std::string& n : names) {
        const CLibrarySummary r = ReadLibrarySummary(LibraryFolderPath() + n);
        EXPECT_TRUE(r.opened) << n;
        EXPECT_FALSE(r.summary.GetTitle().empty()) << n;
        EXPECT_NE(r.summary.GetTitle(), kLibraryDataNotAvailable) << n;
    }
}
