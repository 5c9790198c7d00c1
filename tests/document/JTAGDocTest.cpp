#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <tuple>

#include "device/DeviceConfig.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

// Dialogs that answer from a script: each answer fills the fields, or cancels.
class ScriptedDialogs : public CJtagChainDialogs {
public:
    struct Reply {
        bool ok;
        std::string name;
        std::string type;
        int ir = 0;
    };
    bool AskZelDevice(std::string& name, std::string& type) override
    {
        proposals.push_back(name);
        return Take(name, &type, nullptr);
    }
    bool AskForeignDevice(std::string& name, int& ir) override
    {
        proposals.push_back(name);
        return Take(name, nullptr, &ir);
    }
    bool AskName(std::string& name) override
    {
        proposals.push_back(name);
        return Take(name, nullptr, nullptr);
    }
    // An answer with an empty name keeps the proposal.
    void Ok(const std::string& name = {}, const std::string& type = "ZelA", int ir = 8)
    {
        replies.push_back({true, name, type, ir});
    }
    void Cancel() { replies.push_back({false, {}, {}, 0}); }

    std::deque<Reply> replies;
    std::vector<std::string> proposals;

private:
    bool Take(std::string& name, std::string* type, int* ir)
    {
        if (replies.empty())
            return false;
        const Reply r = replies.front();
        replies.pop_front();
        if (!r.ok)
            return false;
        if (r.name == "<empty>")
            name.clear();
        else if (!r.name.empty())
            name = r.name;
        if (type)
            *type = r.type;
        if (ir)
            *ir = r.ir;
        return true;
    }
};

class JTAGDocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(KALIDOR_BIN_DIR);
        dir_ = fs::temp_directory_path() / ("kalidor-chain-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        SetProgramDirectory("");
        fs::remove_all(dir_);
    }
    // The chain ZelA, a foreign device of IR 8, ZelC, from TDI.
    void BuildExample(CJTAGDoc& chain)
    {
        ASSERT_EQ(chain.InsertZelDevice(1, "A", "ZelA"), 1);
        ASSERT_EQ(chain.InsertForeignDevice(2, "F", 8), 2);
        ASSERT_EQ(chain.InsertZelDevice(3, "C", "ZelC"), 3);
    }
    static std::tuple<int, int, int, int> Sums(const CJtagChainElement* e)
    {
        return {e->GetTIR_Sum(), e->GetTDR_Sum(), e->GetHIR_Sum(), e->GetHDR_Sum()};
    }

    RecordingPrompter prompter_;
    ScopedPrompter scope_{prompter_};
    fs::path dir_;
};

TEST_F(JTAGDocTest, NewChainHoldsTheTwoTerminals)
{
    CJTAGDoc chain;
    ASSERT_EQ(chain.GetCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const CJtagChainElement* e = chain.GetElement(i);
        EXPECT_EQ(e->GetEndOfChain(), 1);
        EXPECT_EQ(e->GetForeignDevice(), 1);
        EXPECT_EQ(e->GetIR_Length(), 0);
    }
    EXPECT_EQ(chain.GetElement(0)->GetName(), "[Chain TDI]");
    EXPECT_EQ(chain.GetElement(1)->GetName(), "[Chain TDO]");
    EXPECT_EQ(chain.WriteChain(),
              "<?xml version=\"1.0\"?>\r\n\r\n<ZelJtagChainDesignData>\r\n\r\n<DocFmtVersion>1</DocFmtVersion>\r\n"
              "<JtagChainElement>\r\n<EndOfChain>1</EndOfChain>\r\n<ForeignDevice>1</ForeignDevice>\r\n"
              "<IR_Length>0</IR_Length>\r\n<HIR_Sum>0</HIR_Sum>\r\n<TIR_Sum>0</TIR_Sum>\r\n<HDR_Sum>0</HDR_Sum>\r\n"
              "<TDR_Sum>0</TDR_Sum>\r\n<Name>[Chain TDI]</Name>\r\n<DeviceType></DeviceType>\r\n"
              "</JtagChainElement>\r\n\r\n"
              "<JtagChainElement>\r\n<EndOfChain>1</EndOfChain>\r\n<ForeignDevice>1</ForeignDevice>\r\n"
              "<IR_Length>0</IR_Length>\r\n<HIR_Sum>0</HIR_Sum>\r\n<TIR_Sum>0</TIR_Sum>\r\n<HDR_Sum>0</HDR_Sum>\r\n"
              "<TDR_Sum>0</TDR_Sum>\r\n<Name>[Chain TDO]</Name>\r\n<DeviceType></DeviceType>\r\n"
              "</JtagChainElement>\r\n\r\n"
              "</ZelJtagChainDesignData>\r\n\r\n");
    EXPECT_FALSE(chain.IsModified());
    EXPECT_EQ(chain.DisplayName(), "JTAGCHN1");
}

TEST_F(JTAGDocTest, ExampleChainSums)
{
    CJTAGDoc chain;
    BuildExample(chain);
    EXPECT_EQ(chain.GetElement(1)->GetIR_Length(), 5);
    EXPECT_EQ(chain.GetElement(3)->GetIR_Length(), 6);
    EXPECT_EQ(chain.GetElement(2)->GetDeviceType(), "Foreign Device");
    EXPECT_EQ(Sums(chain.GetElement(1)), std::make_tuple(0, 0, 14, 2));
    EXPECT_EQ(Sums(chain.GetElement(2)), std::make_tuple(5, 1, 6, 1));
    EXPECT_EQ(Sums(chain.GetElement(3)), std::make_tuple(13, 2, 0, 0));
    // The terminals keep theirs.
    EXPECT_EQ(Sums(chain.GetElement(0)), std::make_tuple(0, 0, 0, 0));
    EXPECT_EQ(Sums(chain.GetElement(4)), std::make_tuple(0, 0, 0, 0));
    EXPECT_TRUE(chain.IsModified());
    EXPECT_EQ(chain.DevicesAdded(), 3);
    const CJtagChainCounts c = chain.GetElement(2)->ChainCounts();
    EXPECT_EQ(c.hir, 6);
    EXPECT_EQ(c.hdr, 1);
    EXPECT_EQ(c.tir, 5);
    EXPECT_EQ(c.tdr, 1);
}

TEST_F(JTAGDocTest, DeletingBetweenTwoDevicesChangesBothNeighbours)
{
    CJTAGDoc chain;
    BuildExample(chain);
    ASSERT_TRUE(chain.DeleteDevice(2));  // a foreign device goes at once
    ASSERT_EQ(chain.GetCount(), 4);
    EXPECT_EQ(Sums(chain.GetElement(1)), std::make_tuple(0, 0, 6, 1));
    EXPECT_EQ(Sums(chain.GetElement(2)), std::make_tuple(5, 1, 0, 0));
    // Terminals are never deleted.
    EXPECT_FALSE(chain.DeleteDevice(0));
    EXPECT_FALSE(chain.DeleteDevice(3));
    EXPECT_EQ(chain.GetCount(), 4);
}

TEST_F(JTAGDocTest, ProposedNamesAndTheDashRule)
{
    CJTAGDoc chain;
    ScriptedDialogs dialogs;
    dialogs.Ok();
    dialogs.Ok({}, "ZelC");
    EXPECT_EQ(chain.AddDevice(chain.InsertionIndex(0), dialogs), 1);
    EXPECT_EQ(chain.AddDevice(chain.InsertionIndex(1), dialogs), 2);
    EXPECT_EQ(chain.GetElement(1)->GetName(), "Device0");
    EXPECT_EQ(chain.GetElement(2)->GetName(), "Device1");
    EXPECT_EQ(chain.GetElement(2)->GetDeviceType(), "ZelC");
    EXPECT_EQ(chain.ProposeName("Foreign_Device"), "Foreign_Device0");

    CJTAGDoc other;
    ASSERT_GT(other.InsertForeignDevice(1, "x-Device0", 4), 0);
    EXPECT_EQ(other.ProposeName("Device"), "Device1");
    // A name entered by the user is compared whole: "Device0" is still free.
    EXPECT_TRUE(other.IsNameFree("Device0"));
    EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(JTAGDocTest, NameConflictBringsTheDialogBackAndCancelAddsNothing)
{
    CJTAGDoc chain;
    ASSERT_GT(chain.InsertZelDevice(1, "Amp", "ZelA"), 0);
    ScriptedDialogs dialogs;
    dialogs.Ok("Amp");
    dialogs.Ok("<empty>");
    dialogs.Ok("Filter", "ZelD");
    EXPECT_EQ(chain.AddDevice(2, dialogs), 2);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgNameConflict, kMsgNameConflict}));
    EXPECT_EQ(chain.GetElement(2)->GetName(), "Filter");

    dialogs.Ok("Amp", "", 7);
    dialogs.Cancel();
    EXPECT_EQ(chain.AddForeignDevice(1, dialogs), -1);
    EXPECT_EQ(chain.GetCount(), 4);
    // The dialog came with the proposal, and came back with what was typed.
    EXPECT_EQ(dialogs.proposals, (std::vector<std::string>{"Device0", "Amp", "", "Foreign_Device0", "Amp"}));
}

TEST_F(JTAGDocTest, RenameRulesAndRefusals)
{
    CJTAGDoc chain;
    BuildExample(chain);
    chain.SetModifiedFlag(false);
    ScriptedDialogs dialogs;
    dialogs.Ok("<empty>");
    EXPECT_FALSE(chain.RenameDevice(1, dialogs));  // an empty name changes nothing
    EXPECT_FALSE(chain.IsModified());
    dialogs.Ok("C");
    dialogs.Ok("Front");
    EXPECT_TRUE(chain.RenameDevice(1, dialogs));
    EXPECT_EQ(chain.GetElement(1)->GetName(), "Front");
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgNameConflict});
    EXPECT_TRUE(chain.IsModified());

    std::unique_ptr<CSchDoc> open = chain.OpenEmbeddedSchematic(3);
    ASSERT_TRUE(open);
    prompter_.Clear();
    dialogs.Ok("Other");
    EXPECT_FALSE(chain.RenameDevice(3, dialogs));
    EXPECT_FALSE(chain.DeleteDevice(3));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgCannotRenameOpen, kMsgCannotDeleteOpen}));
    EXPECT_EQ(chain.GetElement(3)->GetName(), "C");
    open->OnCloseDocument();
    EXPECT_TRUE(chain.DeleteDevice(3));
}

TEST_F(JTAGDocTest, EmbeddedSchematicKnowsItsElement)
{
    CJTAGDoc chain;
    BuildExample(chain);
    chain.SetModifiedFlag(false);
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(1);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->IsEmbedded());
    EXPECT_EQ(doc->DisplayName(), "A (Embedded)");
    EXPECT_EQ(doc->GetDeviceType(), "ZelA");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetChainCounts().hir, 14);
    EXPECT_EQ(doc->GetChainCounts().hdr, 2);
    EXPECT_TRUE(chain.GetElement(1)->IsSchematicOpen());

    // Opening it again, a foreign device, a terminal.
    EXPECT_FALSE(chain.OpenEmbeddedSchematic(1));
    EXPECT_FALSE(chain.OpenEmbeddedSchematic(2));
    EXPECT_FALSE(chain.OpenEmbeddedSchematic(0));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgSchematicAlreadyOpen, kMsgNotZelNoSchematic,
                                                           kMsgNotZelNoSchematic}));

    // A device inserted in front hands new counts to the open schematic.
    ASSERT_EQ(chain.InsertForeignDevice(1, "J", 4), 1);
    EXPECT_EQ(doc->GetChainCounts().tir, 4);
    EXPECT_EQ(doc->GetChainCounts().tdr, 1);

    // The chain cannot close while the schematic is open.
    prompter_.Clear();
    EXPECT_FALSE(chain.CanClose([] { return true; }));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgChainCloseRefused});

    // Saving writes the design into the element and marks the chain modified.
    chain.SetModifiedFlag(false);
    doc->SetGainValue(4, -3);
    ASSERT_TRUE(doc->IsModified());
    ASSERT_TRUE(doc->SaveEmbedded());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(chain.IsModified());
    EXPECT_EQ(chain.GetElement(2)->GetDesign(), doc->WriteDesign());
    EXPECT_EQ(chain.GetElement(2)->GetDesign().rfind("<ZelDesignData>", 0), 0u);

    doc->OnCloseDocument();
    EXPECT_FALSE(chain.GetElement(2)->IsSchematicOpen());
    std::unique_ptr<CSchDoc> again = chain.OpenEmbeddedSchematic(2);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->GetGainValue(4), -3);
}

TEST_F(JTAGDocTest, SaveAsOfAnEmbeddedSchematicWritesADesignOfItsOwnAndLeavesTheElement)
{
    CJTAGDoc chain;
    BuildExample(chain);
    chain.SetModifiedFlag(false);
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(3);
    ASSERT_TRUE(doc);
    const std::string element = chain.GetElement(3)->GetDesign();
    doc->SetSymValue(4, 2);
    ASSERT_TRUE(doc->IsModified());

    const std::string path = (dir_ / "copy.ZEL").string();
    ASSERT_TRUE(doc->SaveCopyAs(path));
    std::string copy;
    ASSERT_TRUE(ReadWholeFile(path, copy));
    // A design file like any other: the XML declaration, then the design with the change.
    EXPECT_EQ(copy.rfind("<?xml version=\"1.0\"?>\r\n\r\n<ZelDesignData>", 0), 0u);
    EXPECT_EQ(copy, doc->WriteDesign(true));
    CSchDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path));
    EXPECT_EQ(reopened.GetSymValue(4), 2);
    EXPECT_FALSE(reopened.IsEmbedded());
    // The schematic stays in its chain, unsaved there; the element and the chain are untouched.
    EXPECT_TRUE(doc->IsEmbedded());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->GetPathName().empty());
    EXPECT_EQ(doc->DisplayName(), "C (Embedded)");
    EXPECT_EQ(chain.GetElement(3)->GetDesign(), element);
    EXPECT_FALSE(chain.GetElement(3)->IsModified());
    EXPECT_FALSE(chain.IsModified());
    EXPECT_EQ(doc->WriteDesign().rfind("<ZelDesignData>", 0), 0u);

    // A read-only file is treated as any design save treats it.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = copy;
    doc->SetSymValue(4, 3);
    EXPECT_FALSE(doc->SaveCopyAs(path, ReadOnlyFile::kRefuse));
    EXPECT_EQ(prompter_.Texts().back(), FormatMessage(kMsgReadOnlyKept, path));
    ASSERT_TRUE(ReadWholeFile(path, copy));
    EXPECT_EQ(copy, before);
    EXPECT_TRUE(doc->SaveCopyAs(path, ReadOnlyFile::kReplace));
    doc->OnCloseDocument();
}

TEST_F(JTAGDocTest, AReadOnlyChainFileIsReplacedOnlyWhenTheUserOrTheCallerSaysSo)
{
    CJTAGDoc chain;
    BuildExample(chain);
    const std::string path = (dir_ / "ro.ZJC").string();
    ASSERT_TRUE(chain.OnSaveDocument(path));
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(path, readOnly);
    std::string before, now;
    ASSERT_TRUE(ReadWholeFile(path, before));
    ASSERT_TRUE(chain.DeleteDevice(2));
    prompter_.Clear();

    // Refused: the message names the file; the chain stays modified, the file as it was.
    EXPECT_FALSE(chain.OnSaveDocument(path, ReadOnlyFile::kRefuse));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{FormatMessage(kMsgChainReadOnlyKept, path)});
    EXPECT_EQ(prompter_.Texts().front(), "The file\n" + path + "\nis read-only; the JTAG Chain was not saved.");
    // Asked (the desktop program): No keeps the file, Yes replaces it.
    prompter_.Clear();
    prompter_.Script(Answer::No);
    EXPECT_FALSE(chain.OnSaveDocument(path));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{FormatMessage(kMsgReadOnlyReplace, path)});
    EXPECT_EQ(prompter_.messages.front().buttons, Buttons::YesNo);
    ASSERT_TRUE(ReadWholeFile(path, now));
    EXPECT_EQ(now, before);
    EXPECT_TRUE(chain.IsModified());
    prompter_.Script(Answer::Yes);
    EXPECT_TRUE(chain.OnSaveDocument(path));
    EXPECT_FALSE(chain.IsModified());
    ASSERT_TRUE(ReadWholeFile(path, now));
    EXPECT_EQ(now, chain.WriteChain());
    // Replaced by the caller's word (--force): no question, and the file stays read-only.
    ASSERT_TRUE(chain.DeleteDevice(1));
    prompter_.Clear();
    EXPECT_TRUE(chain.OnSaveDocument(path, ReadOnlyFile::kReplace));
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, readOnly);
}

TEST_F(JTAGDocTest, ClosingAnEmbeddedSchematicAsksAndNoDoesNotWrite)
{
    CJTAGDoc chain;
    ASSERT_EQ(chain.InsertZelDevice(1, "D", "ZelD"), 1);
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(1);
    ASSERT_TRUE(doc);
    const std::string before = chain.GetElement(1)->GetDesign();
    EXPECT_TRUE(doc->SaveModified());  // not modified: nothing is asked
    EXPECT_TRUE(prompter_.messages.empty());
    doc->SetSymValue(2, 1);
    prompter_.Script(Answer::Cancel);
    EXPECT_FALSE(doc->SaveModified());
    prompter_.Script(Answer::No);
    EXPECT_TRUE(doc->SaveModified());
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgEmbeddedNotSaved, kMsgEmbeddedNotSaved}));
    EXPECT_EQ(chain.GetElement(1)->GetDesign(), before);
    prompter_.Script(Answer::Yes);
    EXPECT_TRUE(doc->SaveModified());
    EXPECT_NE(chain.GetElement(1)->GetDesign(), before);
    // Destroying the schematic closes it too.
    doc.reset();
    EXPECT_FALSE(chain.GetElement(1)->IsSchematicOpen());
}

TEST_F(JTAGDocTest, UnsupportedEmbeddedDeviceType)
{
    CJTAGDoc chain;
    const std::string text =
        "<ZelJtagChainDesignData>\r\n<JtagChainElement>\r\n<EndOfChain>1</EndOfChain>\r\n<ForeignDevice>1</ForeignDevice>\r\n"
        "<Name>[Chain TDI]</Name>\r\n</JtagChainElement>\r\n<JtagChainElement>\r\n<EndOfChain>0</EndOfChain>\r\n"
        "<ForeignDevice>0</ForeignDevice>\r\n<IR_Length>5</IR_Length>\r\n<Name>Q</Name>\r\n<DeviceType>ZelQ</DeviceType>\r\n"
        "<ZelDesignData>\r\n<DeviceType>ZelQ</DeviceType>\r\n</ZelDesignData>\r\n</JtagChainElement>\r\n"
        "<JtagChainElement>\r\n<EndOfChain>1</EndOfChain>\r\n<ForeignDevice>1</ForeignDevice>\r\n"
        "<Name>[Chain TDO]</Name>\r\n</JtagChainElement>\r\n</ZelJtagChainDesignData>\r\n";
    ASSERT_TRUE(chain.ReadChain(text));
    EXPECT_FALSE(chain.OpenEmbeddedSchematic(1));
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"Embedded device is a ZelQ device.\nZelQ devices are not supported by Kalidor 1.3"});
}

TEST_F(JTAGDocTest, ChainFileRoundTripsByteForByte)
{
    CJTAGDoc chain;
    BuildExample(chain);
    {
        std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(3);
        doc->SetSymValue(4, 2);
        doc->Summary().SetComments(std::string(20000, 'c') + "\r\n<not a tag>");
        ASSERT_TRUE(doc->SaveEmbedded());
    }
    const std::string path = (dir_ / "example.ZJC").string();
    ASSERT_TRUE(chain.OnSaveDocument(path));
    EXPECT_FALSE(chain.IsModified());
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(path, saved));
    EXPECT_EQ(saved, chain.WriteChain());
    // The embedded design is written whole (more than 16000 characters) right after the
    // element's DeviceType line, and closes with the element.
    const std::string design = chain.GetElement(3)->GetDesign();
    EXPECT_GT(design.size(), 20000u);
    EXPECT_NE(saved.find("<Name>C</Name>\r\n<DeviceType>ZelC</DeviceType>\r\n" + design +
                         "</JtagChainElement>\r\n\r\n<JtagChainElement>\r\n<EndOfChain>1</EndOfChain>\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find("<JtagChainElement>\r\n<EndOfChain>0</EndOfChain>\r\n<ForeignDevice>1</ForeignDevice>\r\n"
                         "<IR_Length>8</IR_Length>\r\n<HIR_Sum>6</HIR_Sum>\r\n<TIR_Sum>5</TIR_Sum>\r\n"
                         "<HDR_Sum>1</HDR_Sum>\r\n<TDR_Sum>1</TDR_Sum>\r\n<Name>F</Name>\r\n"
                         "<DeviceType>Foreign Device</DeviceType>\r\n</JtagChainElement>\r\n\r\n"),
              std::string::npos);

    CJTAGDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path));
    EXPECT_EQ(reopened.WriteChain(), saved);
    EXPECT_EQ(reopened.GetCount(), 5);
    EXPECT_EQ(reopened.DisplayName(), "example.ZJC");
    std::unique_ptr<CSchDoc> doc = reopened.OpenEmbeddedSchematic(3);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetSymValue(4), 2);
    // The design reader keeps its own limit on comments.
    EXPECT_EQ(doc->Summary().GetComments().size(), 4095u);
}

TEST_F(JTAGDocTest, ReaderUsesStoredSumsAndSkipsUnknownElements)
{
    CJTAGDoc source;
    BuildExample(source);
    std::string text = source.WriteChain();
    // Stored sums that do not match the chain, an unknown element inside an element and at the
    // top, a DeviceType at the top, another format version, a name over 80 characters.
    const std::string fLine = "<HIR_Sum>6</HIR_Sum>";
    text.replace(text.find(fLine), fLine.size(), "<HIR_Sum>99</HIR_Sum>\r\n<Vendor><Name>x</Name></Vendor>");
    text.replace(text.find("<DocFmtVersion>1"), 16, "<DeviceType>ZelA</DeviceType><Extra>1</Extra><DocFmtVersion>7");
    text.replace(text.find("<Name>F</Name>"), 14, "<Name>" + std::string(100, 'n') + "</Name>");
    CJTAGDoc chain;
    ASSERT_TRUE(chain.ReadChain(text));
    EXPECT_TRUE(prompter_.messages.empty());
    ASSERT_EQ(chain.GetCount(), 5);
    EXPECT_EQ(chain.GetElement(2)->GetHIR_Sum(), 99);
    EXPECT_EQ(chain.GetElement(2)->GetName(), std::string(80, 'n'));
    EXPECT_EQ(chain.GetElement(3)->GetDesign(), source.GetElement(3)->GetDesign());
    // The next change computes them again.
    ASSERT_TRUE(chain.DeleteDevice(1));
    EXPECT_EQ(chain.GetElement(1)->GetHIR_Sum(), 6);
}

TEST_F(JTAGDocTest, BadFilesFailWithTheMessageAndKeepTheChain)
{
    CJTAGDoc source;
    BuildExample(source);
    const std::string good = source.WriteChain();
    const std::vector<std::string> bad = {
        "",
        "garbage \x01\x02 <<<>>>",
        "<?xml version=\"1.0\"?>\r\n<ZelDesignData>\r\n</ZelDesignData>\r\n",
        "<ZelJtagChainDesignData>\r\n</ZelJtagChainDesignData>\r\n",  // no terminals
        good.substr(0, good.find("</ZelJtagChainDesignData>")),
    };
    CJTAGDoc chain;
    ASSERT_EQ(chain.InsertZelDevice(1, "Keep", "ZelB"), 1);
    const std::string before = chain.WriteChain();
    for (const std::string& text : bad) {
        prompter_.Clear();
        EXPECT_FALSE(chain.ReadChain(text)) << text.substr(0, 60);
        EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgChainCorrupted});
        EXPECT_EQ(chain.WriteChain(), before);
    }
    // Every truncation of a good file either fails or (cut only in the trailing line ends) reads
    // the whole chain.
    for (std::size_t n = 0; n < good.size(); n += 97) {
        CJTAGDoc c;
        if (c.ParseChain(good.substr(0, n)) == 0) {
            EXPECT_EQ(c.WriteChain(), good);
        }
    }
    // A foreign device with an impossible IR length is not a chain.
    std::string ir = good;
    ir.replace(ir.find("<IR_Length>8<"), 13, "<IR_Length>-3<");
    EXPECT_NE(chain.ParseChain(ir), 0);
    // A file that does not exist is reported as such, and the chain stays.
    prompter_.Clear();
    EXPECT_FALSE(chain.OnOpenDocument((dir_ / "missing.ZJC").string()));
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(chain.WriteChain(), before);
}

TEST_F(JTAGDocTest, ChainTooLargeForItsFileIsNotSaved)
{
    CJTAGDoc chain;
    ASSERT_EQ(chain.InsertZelDevice(1, "Big", "ZelA"), 1);
    const std::string path = (dir_ / "big.ZJC").string();
    ASSERT_TRUE(chain.OnSaveDocument(path));
    {
        std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(1);
        doc->Summary().SetComments(std::string(kMaxChainFileBytes, 'x'));
        ASSERT_TRUE(doc->SaveEmbedded());
    }
    prompter_.Clear();
    EXPECT_FALSE(chain.OnSaveDocument(path));
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgChainTooLarge});
    EXPECT_TRUE(chain.IsModified());
    std::string onDisk;
    ASSERT_TRUE(ReadWholeFile(path, onDisk));
    EXPECT_LT(onDisk.size(), 100000u);
    CJTAGDoc reread;
    EXPECT_TRUE(reread.OnOpenDocument(path));
}

TEST_F(JTAGDocTest, CopyCutPasteAndTheirRefusals)
{
    CJTAGDoc chain;
    BuildExample(chain);
    std::string clip;
    EXPECT_FALSE(chain.CopyDevice(2, clip));
    EXPECT_FALSE(chain.CutDevice(2, clip));
    EXPECT_FALSE(chain.CopyDevice(0, clip));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgNotZelCopy, kMsgNotZelCut, kMsgNotZelCopy}));
    {
        std::unique_ptr<CSchDoc> open = chain.OpenEmbeddedSchematic(1);
        prompter_.Clear();
        EXPECT_FALSE(chain.CopyDevice(1, clip));
        EXPECT_FALSE(chain.CutDevice(1, clip));
        EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{kMsgCloseSchematicWindow, kMsgCloseSchematicWindow}));
    }
    ASSERT_TRUE(chain.CopyDevice(1, clip));
    EXPECT_EQ(chain.PasteDevice(4, clip), 4);
    EXPECT_EQ(chain.GetElement(4)->GetName(), "1-A");
    EXPECT_EQ(chain.GetElement(4)->GetDesign(), chain.GetElement(1)->GetDesign());
    EXPECT_EQ(chain.ProposeName("A"), "A0");
    ASSERT_TRUE(chain.CutDevice(3, clip));
    EXPECT_EQ(chain.GetCount(), 5);
    EXPECT_EQ(chain.PasteDevice(1, clip), 1);
    EXPECT_EQ(chain.GetElement(1)->GetName(), "C");  // free again after the cut
    EXPECT_EQ(Sums(chain.GetElement(1)), std::make_tuple(0, 0, 18, 3));
    prompter_.Clear();
    EXPECT_EQ(chain.PasteDevice(1, "<JtagChainElement><Name>x</Name>"), -1);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgNotAChainElement});
}

TEST_F(JTAGDocTest, UndoAndRedoOfTheStructure)
{
    CJTAGDoc chain;
    const std::string empty = chain.WriteChain();
    BuildExample(chain);
    const std::string full = chain.WriteChain();
    ASSERT_TRUE(chain.DeleteDevice(2));
    EXPECT_EQ(chain.UndoText(), kStepDeleteDevice);
    ASSERT_TRUE(chain.Undo());
    EXPECT_EQ(chain.WriteChain(), full);
    ASSERT_TRUE(chain.Undo());
    ASSERT_TRUE(chain.Undo());
    ASSERT_TRUE(chain.Undo());
    EXPECT_FALSE(chain.CanUndo());
    EXPECT_EQ(chain.WriteChain(), empty);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(chain.Redo());
    EXPECT_EQ(chain.WriteChain(), full);

    // An open schematic's element is never taken away by Undo, and its saved design stays
    // through the undo of other steps.
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(1);
    doc->SetSymValue(4, 1);
    ASSERT_TRUE(doc->SaveEmbedded());
    const std::string saved = chain.GetElement(1)->GetDesign();
    ASSERT_TRUE(chain.Undo());  // the insert of C
    EXPECT_EQ(chain.FindElement("C"), -1);
    EXPECT_EQ(chain.GetElement(1)->GetDesign(), saved);
    ASSERT_TRUE(chain.Undo());  // the insert of F
    prompter_.Clear();
    EXPECT_FALSE(chain.Undo());  // the insert of A: its schematic is open
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{kMsgCloseSchematicWindow});
    EXPECT_EQ(chain.FindElement("A"), 1);
    EXPECT_EQ(doc->GetChainCounts().hir, 0);
    doc->OnCloseDocument();
    EXPECT_TRUE(chain.Undo());
    EXPECT_EQ(chain.WriteChain(), empty);
}

}  // namespace
