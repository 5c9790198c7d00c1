// The application object without windows: documents made and opened once, numbered, handed over
// when closed; the recent-file list in the settings; the programming interface that every
// document is tied to.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "application/KalidorApplication.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "jtag/JtagDevice.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

class KalidorApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
        oldSettings_ = SetCurrentSettings(&settings_);
        dir_ = fs::temp_directory_path() / ("kalidor-application-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        SetCurrentSettings(oldSettings_);
        SetProgramDirectory("");
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string SavedDesign(const std::string& name, const char* type)
    {
        CSchDoc doc;
        EXPECT_TRUE(doc.OnNewDocument(type));
        EXPECT_TRUE(doc.OnSaveDocument(Path(name)));
        return Path(name);
    }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
    MemorySettings settings_;
    Settings* oldSettings_ = nullptr;
    fs::path dir_;
};

std::vector<int> Counts(const CJtagChainCounts& c) { return {c.hir, c.hdr, c.tir, c.tdr}; }

struct Watcher : CKalidorApplicationObserver {
    std::vector<std::string> events;
    void OnSchematicOpened(CSchDoc& d) override { events.push_back("open " + d.DisplayName()); }
    void OnSchematicClosing(CSchDoc& d) override { events.push_back("close " + d.DisplayName()); }
    void OnRecentFilesChanged() override { events.push_back("recent"); }
};

}  // namespace

TEST_F(KalidorApplicationTest, NewDesignsAreNumberedAndToldToObservers)
{
    CKalidorApplication app;
    Watcher w;
    app.AddObserver(&w);
    CSchDoc* a = app.NewSchematic("ZelA");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(app.NewSchematic("ZelQ"), nullptr);  // refused, and told
    EXPECT_FALSE(prompter_.messages.empty());
    CSchDoc* b = app.NewSchematic("ZelE");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->DisplayName(), "Design1");
    EXPECT_EQ(b->DisplayName(), "Design2");  // a refused New takes no number
    EXPECT_EQ(app.Schematics(), (std::vector<CSchDoc*>{a, b}));
    EXPECT_EQ(w.events, (std::vector<std::string>{"open Design1", "open Design2"}));

    // Closing hands the document over; it is no longer the application's.
    std::unique_ptr<CSchDoc> taken = app.CloseSchematic(*a);
    EXPECT_EQ(taken.get(), a);
    EXPECT_EQ(app.Schematics(), std::vector<CSchDoc*>{b});
    EXPECT_EQ(w.events.back(), "close Design1");
    EXPECT_EQ(app.CloseSchematic(*a), nullptr);
    app.RemoveObserver(&w);
}

TEST_F(KalidorApplicationTest, AFileIsOpenedOnceAndKeptInTheRecentList)
{
    const std::string one = SavedDesign("one.zel", "ZelB");
    const std::string two = SavedDesign("two.zel", "ZelC");
    CKalidorApplication app;
    CSchDoc* d = app.OpenSchematic(one);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetDeviceType(), "ZelB");
    EXPECT_EQ(d->DisplayName(), "one.zel");
    // The same file by another spelling of its path is the same document.
    EXPECT_EQ(app.OpenSchematic((dir_ / "." / "one.zel").string()), d);
    EXPECT_EQ(app.FindSchematic(one), d);
    EXPECT_EQ(app.Schematics().size(), 1u);
    ASSERT_NE(app.OpenSchematic(two), nullptr);
    EXPECT_EQ(app.RecentFiles(), (std::vector<std::string>{two, one}));
    EXPECT_EQ(settings_.GetString(kRecentSection, "File1", ""), two);
    EXPECT_EQ(settings_.GetString(kRecentSection, "File2", ""), one);

    // Four at most, newest first; another application reads them back.
    for (int i = 1; i <= 5; ++i)
        app.AddRecentFile(Path("f" + std::to_string(i) + ".zel"));
    app.AddRecentFile(Path("f3.zel"));
    const std::vector<std::string> want = {Path("f3.zel"), Path("f5.zel"), Path("f4.zel"), Path("f2.zel")};
    EXPECT_EQ(app.RecentFiles(), want);
    CKalidorApplication other;
    other.LoadRecentFiles();
    EXPECT_EQ(other.RecentFiles(), want);

    // A listed file that has gone drops out when it cannot be opened; one that is not a design
    // stays listed.
    EXPECT_EQ(other.OpenSchematic(Path("f5.zel")), nullptr);
    EXPECT_EQ(other.RecentFiles(), (std::vector<std::string>{Path("f3.zel"), Path("f4.zel"), Path("f2.zel")}));
    { std::ofstream(Path("f4.zel")) << "not a design"; }
    EXPECT_EQ(other.OpenSchematic(Path("f4.zel")), nullptr);
    EXPECT_EQ(other.RecentFiles().size(), 3u);
    EXPECT_EQ(other.Schematics().size(), 0u);
}

TEST_F(KalidorApplicationTest, DocumentsAreTiedToTheApplicationsInterface)
{
    MemorySettings profile;
    profile.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
    profile.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelC,ZelA");
    CKalidorApplication app;
    CSchDoc* before = app.NewSchematic("ZelA");
    app.StartJtag(&profile, "");
    ASSERT_NE(app.Jtag().Interpreter(), nullptr);
    EXPECT_EQ(app.JtagProfile(), &profile);
    CSchDoc* after = app.NewSchematic("ZelC");
    // Both documents run on the application's interpreter, each at its place on the chain.
    EXPECT_EQ(before->JtagDevice()->GetInterpreter(), app.Jtag().Interpreter());
    EXPECT_EQ(after->JtagDevice()->GetInterpreter(), app.Jtag().Interpreter());
    CJtagChainCounts zelA;
    ASSERT_TRUE(VirtualChainCountsFor("virtual:ZelC,ZelA", "ZelA", zelA));
    EXPECT_EQ(Counts(before->GetChainCounts()), Counts(zelA));
    EXPECT_EQ(Counts(zelA), (std::vector<int>{0, 0, 6, 1}));  // after the ZelC and its 6-bit IR
    EXPECT_EQ(Counts(after->GetChainCounts()), (std::vector<int>{5, 1, 0, 0}));
    // The whole flow through the application's cable: download, then verify equal.
    EXPECT_EQ(before->Download(), kJtagDone);
    EXPECT_EQ(before->Verify(), kJtagVerifyEqual);
}

// The chain of the example (ZelA, a foreign device of IR 8, ZelC) on the virtual cable that
// simulates it: each member is programmed through its embedded schematic with the others in
// BYPASS, and holds exactly its own design.
TEST_F(KalidorApplicationTest, ChainMembersAreProgrammedThroughTheirEmbeddedSchematics)
{
    MemorySettings profile;
    profile.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
    profile.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
    CKalidorApplication app;
    app.StartJtag(&profile, Path("state"));
    CJTAGDoc* chain = app.NewChain();
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->DisplayName(), "JTAGCHN1");
    ASSERT_EQ(chain->InsertZelDevice(1, "A", "ZelA"), 1);
    ASSERT_EQ(chain->InsertForeignDevice(2, "F", 8), 2);
    ASSERT_EQ(chain->InsertZelDevice(3, "C", "ZelC"), 3);

    CSchDoc* a = app.OpenEmbeddedSchematic(*chain, 1);
    CSchDoc* c = app.OpenEmbeddedSchematic(*chain, 3);
    ASSERT_TRUE(a && c);
    EXPECT_EQ(app.Schematics().size(), 2u);
    EXPECT_EQ(a->JtagDevice()->GetInterpreter(), app.Jtag().Interpreter());
    EXPECT_EQ(app.OpenEmbeddedSchematic(*chain, 1), nullptr);  // open already
    a->SetGainValue(4, -3);
    c->SetSymValue(4, 2);
    EXPECT_EQ(a->Download(), kJtagDone);
    EXPECT_EQ(c->Download(), kJtagDone);
    EXPECT_EQ(a->Verify(), kJtagVerifyEqual);
    EXPECT_EQ(c->Verify(), kJtagVerifyEqual);
    // A change of A that is not downloaded: A differs, C is untouched.
    a->SetGainValue(4, 2);
    EXPECT_EQ(a->Verify(), kJtagVerifyDiffers);
    EXPECT_EQ(c->Verify(), kJtagVerifyEqual);
    // Upload brings A's device back into its schematic.
    EXPECT_EQ(a->Upload(), kJtagDone);
    EXPECT_EQ(a->GetGainValue(4), -3);
    EXPECT_EQ(a->GetChainCounts().hir, 14);

    // Closing: the chain refuses while its schematics are open.
    EXPECT_FALSE(chain->CanClose([] { return true; }));
    for (CSchDoc* d : {a, c}) {
        std::unique_ptr<CSchDoc> closing = app.CloseSchematic(*d);
        closing->OnCloseDocument();
    }
    prompter_.Script(Answer::No);
    EXPECT_TRUE(chain->CanClose([] { return true; }));
    EXPECT_EQ(prompter_.messages.back().text, "Save changes to JTAGCHN1?");
    const std::string path = Path("example.zjc");
    ASSERT_TRUE(chain->OnSaveDocument(path));
    ASSERT_TRUE(app.CloseChain(*chain));
    EXPECT_TRUE(app.Chains().empty());
    EXPECT_TRUE(app.OpenDocumentFile(path));
    ASSERT_EQ(app.Chains().size(), 1u);
    EXPECT_EQ(app.RecentFiles().front(), AbsolutePath(path));
    EXPECT_EQ(app.OpenChain(path), app.Chains().front());
}

TEST(VirtualChainCounts, ByTypeAndByPosition)
{
    CJtagChainCounts first, at;
    ASSERT_TRUE(VirtualChainCountsFor("virtual:ZelB,foreign:8,ZelB", "ZelB", first));
    ASSERT_TRUE(VirtualChainCountsAt("virtual:ZelB,foreign:8,ZelB", 0, at));
    EXPECT_EQ(Counts(first), Counts(at));
    ASSERT_TRUE(VirtualChainCountsAt("virtual:ZelB,foreign:8,ZelB", 2, at));
    EXPECT_EQ(at.hir, 0);
    EXPECT_EQ(at.hdr, 0);
    EXPECT_EQ(at.tdr, 2);
    EXPECT_GT(at.tir, 8);
    EXPECT_FALSE(VirtualChainCountsAt("virtual:ZelB", 1, at));
    EXPECT_FALSE(VirtualChainCountsAt("virtual:ZelB", -1, at));
    EXPECT_EQ(Counts(at), (std::vector<int>{0, 0, 0, 0}));
}
