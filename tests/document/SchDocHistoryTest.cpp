// The undo history of the design document, driven through the core document alone as automation
// and the utilities drive it: every change records itself, Undo and Redo give back the exact
// design text, the saved position drives the modified flag, and the automation members keep their
// rules (quiet setters, 16-bit GetValue, clamped gains, curve setup).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"
#include "document/DesignHistory.h"
#include "document/SchDoc.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"
#include "view/DeviceSchematic.h"

#include "FilterEntryTestUtil.h"

using namespace kalidor;
using kalidor::test::Butterworth;
namespace fs = std::filesystem;

namespace {

class SchDocHistoryTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(KALIDOR_BIN_DIR); }
    void TearDown() override { SetProgramDirectory(""); }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

// Counts what the document tells its views.
struct Recorder : CSchDocObserver {
    std::vector<CHistoryChange> history;
    int schematic = 0;
    int updates = 0;
    bool plotView = false;
    int plotWanted = 0;
    void OnDocumentUpdate(int) override { ++updates; }
    void OnHistoryChanged(CHistoryChange c) override { history.push_back(c); }
    void OnSchematicChanged() override { ++schematic; }
    bool ShowsPlot() const override { return plotView; }
    void OnPlotViewWanted() override { ++plotWanted; }
};

// The first E2 cell that belongs to no symbol value the other steps set.
constexpr int kCell = 3;

}  // namespace

TEST_F(SchDocHistoryTest, EveryCoreChangeUndoesAndRedoesToTheExactDesignText)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    const CFilterEntry a = Butterworth(12, 200000);
    DeviceConfig* device = doc.Device();
    CPlot* plot = doc.Plot();

    struct Step {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Step> steps = {
        {"symbol value", [&] { doc.SetSymValue(0, 1234); }},
        {"gain", [&] { doc.SetGainValue(11, 5); }},
        {"filter A", [&] { doc.ApplyFilterConfig(0, &a); }},
        {"edit under A", [&] { doc.SetSymValue(3, 5); }},  // A now reads "modified from"
        {"title", [&] { doc.SetSummaryField(CSummaryField::kTitle, "Anti-alias <4th>"); }},
        {"comments", [&] { doc.SetSummaryField(CSummaryField::kComments, "two\r\nlines <kept>"); }},
        {"E2 cell", [&] { doc.E2_SetValue(kCell, doc.E2_GetValue(kCell) ? 0 : 1); }},
        {"security fuse", [&] { doc.E2_SetValue(-1, 1); }},
        {"range of curve 2", [&] { EXPECT_EQ(doc.SetGainPhaseRange(2, 100, 50000), 0); }},
        {"points of curve 3", [&] { EXPECT_EQ(doc.SetGainPhasePtsDec(3, 50), 0); }},
        {"input node", [&] { doc.SetGainPhaseInputNode(2); }},
        {"quiet value", [&] { doc.SetValue(0, 77); }},
        {"output disable", [&] { doc.SetOutputDisable(true); }},
        {"no coercion", [&] { doc.SetCoerceIllegal(false); }},
    };
    std::vector<CDesignState> states{doc.CaptureState()};
    for (const Step& s : steps) {
        s.change();
        states.push_back(doc.CaptureState());
        EXPECT_NE(states.back(), states[states.size() - 2]) << s.name;
    }
    ASSERT_EQ(doc.History().Count(), static_cast<int>(steps.size()));
    EXPECT_EQ(doc.History().UndoText(), "Coerce illegal values");
    EXPECT_EQ(doc.GetFilterConfigState(kKeyFilterConfigA), -2);
    EXPECT_EQ(doc.Summary().GetTitle(), "Anti-alias 4th");
    EXPECT_EQ(doc.Summary().GetComments(), "two\r\nlines <kept>");
    EXPECT_TRUE(doc.IsModified());

    // All the way back, then all the way forward: each state byte for byte.
    for (int i = static_cast<int>(steps.size()) - 1; i >= 0; --i) {
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(doc.CaptureState().design, states[static_cast<std::size_t>(i)].design) << steps[i].name;
        EXPECT_EQ(doc.CaptureState(), states[static_cast<std::size_t>(i)]) << steps[i].name;
    }
    EXPECT_FALSE(doc.Undo());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetFilterConfig(0), nullptr);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(doc.CaptureState(), states[i + 1]) << steps[i].name;
    }
    EXPECT_FALSE(doc.Redo());
    EXPECT_EQ(doc.GetFilterConfigState(kKeyFilterConfigA), -2);
    EXPECT_EQ(doc.Summary().GetTitle(), "Anti-alias 4th");
    EXPECT_TRUE(doc.GetOutputDisable());
    EXPECT_FALSE(doc.GetCoerceIllegal());
    // In place: the objects the windows hold are the same.
    EXPECT_EQ(doc.Device(), device);
    EXPECT_EQ(doc.Plot(), plot);
    // Nothing went wrong on the way.
    for (const auto& m : prompter_.messages)
        EXPECT_EQ(m.text.find("Internal software error"), std::string::npos) << m.text;
}

TEST_F(SchDocHistoryTest, CapacitorsAndTheUserSignatureUndoToo)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC"}) {
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        const std::string fresh = doc.WriteDesign();
        doc.SetUesValue(0x5A);
        doc.SetGainValue(4, -3);
        const std::string edited = doc.WriteDesign();
        EXPECT_NE(edited, fresh) << type;
        EXPECT_EQ(doc.History().Count(), 2) << type;
        EXPECT_EQ(doc.History().Steps()[0].text, "Edit UES") << type;
        doc.Undo();
        doc.Undo();
        EXPECT_EQ(doc.WriteDesign(), fresh) << type;
        doc.Redo();
        doc.Redo();
        EXPECT_EQ(doc.WriteDesign(), edited) << type;
    }
    CSchDoc zelA;
    ASSERT_TRUE(zelA.OnNewDocument("ZelA"));
    const int before = zelA.GetSymValue(6);
    zelA.SetCapValue(6, 6.3662e-12);
    EXPECT_EQ(zelA.GetSymValue(6), zelA.GetNearestCapIndex(63662));
    EXPECT_NE(zelA.GetSymValue(6), before);
    zelA.Undo();
    EXPECT_EQ(zelA.GetSymValue(6), before);
}

TEST_F(SchDocHistoryTest, TheSavedPositionDrivesTheModifiedFlag)
{
    const fs::path dir = fs::temp_directory_path() / ("kalidor-history-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "saved.zel").string();
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelB"));
    doc.SetSymValue(39, 10);
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.History().IsClean());
    doc.SetSymValue(39, 20);
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());  // back at the file
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    doc.Redo();
    EXPECT_FALSE(doc.IsModified());
    // A new step after undoing past the saved position: the file's state cannot come back.
    doc.Undo();
    doc.SetSymValue(39, 30);
    EXPECT_EQ(doc.History().CleanIndex(), -1);
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    // A step that changes nothing is not recorded and leaves the flag alone.
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const int steps = doc.History().Count();
    doc.SetSymValue(39, doc.GetSymValue(39));
    EXPECT_EQ(doc.History().Count(), steps);
    EXPECT_FALSE(doc.IsModified());
    // Reopening starts a new history.
    CSchDoc again;
    ASSERT_TRUE(again.OnOpenDocument(path));
    EXPECT_EQ(again.History().Count(), 0);
    EXPECT_FALSE(again.Undo());
    fs::remove_all(dir);
}

TEST_F(SchDocHistoryTest, QuietChangesAreRecordedWithoutMarking)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    Recorder views;
    doc.AddObserver(&views);
    doc.SetValue(9, 1);
    doc.SetGainPhaseFreqStart(20);
    doc.SetGainPhaseFreqEnd(20000);
    doc.SetGainPhasePtsPerDec(-3);  // stored as given
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(views.updates, 0);
    EXPECT_EQ(views.schematic, 0);
    EXPECT_EQ(doc.History().Count(), 4);
    EXPECT_EQ(doc.GetSymValue(9), 1);
    EXPECT_EQ(doc.GetGainPhaseFreqStart(), 20);
    EXPECT_EQ(doc.GetGainPhaseFreqEnd(), 20000);
    EXPECT_EQ(doc.GetGainPhasePtsPerDec(), -3);
    // An edit after them does not drop them when it is undone.
    doc.SetGainValue(4, 2);
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_EQ(doc.GetSymValue(9), 1);
    EXPECT_EQ(doc.GetGainPhaseFreqStart(), 20);
    // Undone, a quiet step is back at the new design: unmodified; redone, it differs.
    doc.Undo();
    doc.Undo();
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_EQ(doc.GetSymValue(9), 0);
    EXPECT_EQ(doc.GetGainPhaseFreqStart(), 10);
    EXPECT_FALSE(doc.IsModified());
    doc.RemoveObserver(&views);
}

TEST_F(SchDocHistoryTest, AutomationRulesOfTheMembers)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    // GetValue gives the low 16 bits, signed; GetSymValue the whole value.
    doc.SetValue(kKeyFilterConfigA, 70000);
    EXPECT_EQ(doc.GetSymValue(kKeyFilterConfigA), 70000);
    EXPECT_EQ(doc.GetValue(kKeyFilterConfigA), 70000 - 65536);
    doc.SetValue(kKeyFilterConfigA, 0x18000);
    EXPECT_EQ(doc.GetValue(kKeyFilterConfigA), -32768);
    doc.SetValue(kKeyFilterConfigA, -2);
    EXPECT_EQ(doc.GetValue(kKeyFilterConfigA), -2);
    EXPECT_EQ(doc.SetValue(kKeyFilterConfigA, -1), 0);

    CSchDoc zelA;
    ASSERT_TRUE(zelA.OnNewDocument("ZelA"));
    zelA.SetGainValue(4, 0);
    EXPECT_EQ(zelA.GetGainValue(4), 1);
    zelA.SetGainValue(4, 25);
    EXPECT_EQ(zelA.GetGainValue(4), 10);
    zelA.SetGainValue(4, -25);
    EXPECT_EQ(zelA.GetGainValue(4), -10);
    EXPECT_EQ(zelA.History().UndoText(), "Edit " + zelA.Schematic()->GetSymbol(4)->GetFullName());

    // Nodes are stored below 5 and not 0 (negative too); the rest is ignored.
    zelA.SetActiveCurve(2);
    EXPECT_EQ(zelA.GetActiveCurve(), 2);
    zelA.SetGainPhaseInputNode(3);
    zelA.SetGainPhaseInputNode(0);
    zelA.SetGainPhaseInputNode(5);
    EXPECT_EQ(zelA.GetGainPhaseInputNode(), 3);
    zelA.SetGainPhaseOutputNode(-1);
    EXPECT_EQ(zelA.GetGainPhaseOutputNode(), -1);
    EXPECT_EQ(zelA.Simulation()->Curve(1).inputNode, 3);
    EXPECT_EQ(zelA.Simulation()->Curve(0).inputNode, 1);

    // Range and points per decade by curve number; a bad number changes nothing.
    const std::string before = zelA.WriteDesign();
    EXPECT_EQ(zelA.SetGainPhaseRange(0, 1, 2), -1);
    EXPECT_EQ(zelA.SetGainPhaseRange(5, 1, 2), -1);
    EXPECT_EQ(zelA.SetGainPhasePtsDec(-1, 10), -1);
    EXPECT_EQ(zelA.WriteDesign(), before);
    EXPECT_EQ(zelA.SetGainPhaseRange(4, 1000, 2000), 0);
    EXPECT_EQ(zelA.SetGainPhasePtsDec(4, 20), 0);
    EXPECT_EQ(zelA.Simulation()->Curve(3).startFrequency, 1000);
    EXPECT_EQ(zelA.Simulation()->Curve(3).stopFrequency, 2000);
    EXPECT_EQ(zelA.Simulation()->Curve(3).pointsPerDecade, 20);

    // Summary fields go through the summary's setters and mark the design.
    CSchDoc zelC;
    ASSERT_TRUE(zelC.OnNewDocument("ZelC"));
    zelC.SetSummaryField(CSummaryField::kAuthor, "A <b>");
    zelC.SetSummaryField(CSummaryField::kSubject, "<s>");
    zelC.SetSummaryField(CSummaryField::kKeywords, "k>");
    EXPECT_TRUE(zelC.IsModified());
    EXPECT_EQ(zelC.Summary().GetAuthor(), "A b");
    EXPECT_EQ(zelC.Summary().GetSubject(), "s");
    EXPECT_EQ(zelC.Summary().GetKeywords(), "k");
}

TEST_F(SchDocHistoryTest, StepsInsideAStepAreOneAndViewsAreTold)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    Recorder views;
    doc.AddObserver(&views);
    EXPECT_TRUE(doc.Change("Two edits", [&] {
        doc.SetSymValue(9, 1);
        doc.SetGainValue(4, 2);
        return true;
    }));
    EXPECT_EQ(doc.History().Count(), 1);
    EXPECT_EQ(doc.History().UndoText(), "Two edits");
    EXPECT_EQ(views.schematic, 1);
    EXPECT_EQ(views.history, std::vector<CHistoryChange>{CHistoryChange::kPushed});
    // A failed step records nothing.
    EXPECT_FALSE(doc.Change("fails", [&] { return false; }));
    EXPECT_EQ(doc.History().Count(), 1);
    // A setup step is not a schematic change.
    doc.SetSummaryField(CSummaryField::kTitle, "t");
    EXPECT_EQ(views.schematic, 1);
    doc.Undo();
    EXPECT_EQ(views.schematic, 1);
    doc.Undo();
    EXPECT_EQ(views.schematic, 2);
    doc.Redo();
    EXPECT_EQ(views.schematic, 3);
    const std::vector<CHistoryChange> told = {CHistoryChange::kPushed, CHistoryChange::kPushed,
                                              CHistoryChange::kUndone, CHistoryChange::kUndone,
                                              CHistoryChange::kRedone};
    EXPECT_EQ(views.history, told);
    // Saving moves the saved position and says so.
    views.history.clear();
    doc.SetModifiedFlag(false);
    EXPECT_EQ(views.history, std::vector<CHistoryChange>{CHistoryChange::kCleanMoved});
    doc.RemoveObserver(&views);
}

TEST_F(SchDocHistoryTest, AnEditRunsTheActiveCurveAgainOnlyWithAPlotView)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    doc.SetSymValue(9, 1);  // input 1 into block 1: curve 1 has a response
    doc.Simulation()->SetAutoRun(1);
    Recorder views;
    doc.AddObserver(&views);
    doc.SetGainValue(4, 2);
    EXPECT_FALSE(doc.Plot()->IsValid(0));  // no plot view open
    // A run without a plot view asks for one.
    EXPECT_TRUE(doc.RunSimulation());
    EXPECT_EQ(views.plotWanted, 1);
    views.plotView = true;
    doc.SetGainValue(4, 5);
    ASSERT_TRUE(doc.Plot()->IsValid(0));
    const double g5 = doc.Plot()->Points(0).front().m_gain;
    EXPECT_NEAR(g5, 13.98, 0.2);
    doc.Undo();
    EXPECT_NEAR(doc.Plot()->Points(0).front().m_gain, 6.02, 0.2);
    EXPECT_EQ(views.plotWanted, 1);
    // A quiet change runs nothing.
    doc.SetValue(4, 9);
    EXPECT_NEAR(doc.Plot()->Points(0).front().m_gain, 6.02, 0.2);
    doc.RemoveObserver(&views);
}

TEST_F(SchDocHistoryTest, ProgrammingOptionsAreTheDocumentsAndReachItsObjects)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelB"));
    EXPECT_EQ(doc.GetJtagOptions(), CJtagDocumentOptions{});
    EXPECT_EQ(doc.Programmer()->GetVerifyAfterDownload(), 1);
    doc.SetJtagOptions({0, 1, 0});
    EXPECT_EQ(doc.Programmer()->GetVerifyAfterDownload(), 0);
    EXPECT_EQ(doc.RegProgram()->GetIdcodeCheck(), 1);
    EXPECT_EQ(doc.RegProgram()->GetInlineVerify(), 0);
    // They stay with the document when its objects are made again, and through an Undo.
    doc.SetSymValue(39, 3);
    doc.Undo();
    ASSERT_TRUE(doc.OnNewDocument("ZelC"));
    EXPECT_EQ(doc.Programmer()->GetVerifyAfterDownload(), 0);
    EXPECT_EQ(doc.RegProgram()->GetInlineVerify(), 0);
    // Without a cable nothing is programmed, and nothing is recorded.
    EXPECT_EQ(doc.History().Count(), 0);
}

TEST_F(SchDocHistoryTest, DevelopmentCommandsReadAndDeleteTheSchematicsDrawing)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    const std::string xml = doc.WriteDeviceSchematic();
    ASSERT_NE(xml.find("<DrawnElement"), std::string::npos);
    doc.DeleteDrawnElements();
    EXPECT_EQ(doc.WriteDeviceSchematic().find("<DrawnElement"), std::string::npos);
    EXPECT_FALSE(doc.ReadDeviceSchematic("<ZelDesignData></ZelDesignData>"));
    EXPECT_TRUE(doc.ReadDeviceSchematic(xml));
    EXPECT_EQ(doc.WriteDeviceSchematic(), xml);
    EXPECT_FALSE(doc.OpenDeviceSchematic("/nonexistent/ZelA_Schematic.XML"));
    ASSERT_FALSE(prompter_.messages.empty());
    EXPECT_EQ(prompter_.messages.back().text, "File could not be opened");
    // Not a change of the design: no step.
    EXPECT_EQ(doc.History().Count(), 0);
}

// The history on its own: positions, the saved position and the bound.
TEST(DesignHistory, PositionsCleanIndexAndBound)
{
    CDesignHistory h;
    auto step = [](int i) {
        CDesignHistory::Step s;
        s.text = "step " + std::to_string(i);
        s.before.design = std::to_string(i);
        s.after.design = std::to_string(i + 1);
        return s;
    };
    EXPECT_TRUE(h.IsClean());
    EXPECT_FALSE(h.CanUndo());
    h.Push(step(0));
    h.Push(step(1));
    h.SetClean();
    h.Push(step(2));
    EXPECT_EQ(h.UndoText(), "step 2");
    h.StepBack();
    EXPECT_TRUE(h.IsClean());
    EXPECT_EQ(h.RedoText(), "step 2");
    h.StepBack();
    h.Push(step(9));  // the undone steps go, and the clean position with them
    EXPECT_EQ(h.Count(), 2);
    EXPECT_EQ(h.CleanIndex(), -1);
    EXPECT_FALSE(h.CanRedo());

    h.Clear();
    h.SetClean();
    for (int i = 0; i < CDesignHistory::kMaxSteps + 5; ++i)
        h.Push(step(i));
    EXPECT_EQ(h.Count(), CDesignHistory::kMaxSteps);
    EXPECT_EQ(h.Index(), CDesignHistory::kMaxSteps);
    EXPECT_EQ(h.Steps().front().text, "step 5");
    EXPECT_EQ(h.CleanIndex(), -1);  // the new design's state is forgotten
    h.Clear();
    h.Push(step(0));
    h.SetClean();
    for (int i = 1; i < CDesignHistory::kMaxSteps + 1; ++i)
        h.Push(step(i));
    EXPECT_EQ(h.CleanIndex(), 0);  // the saved position moved down with the dropped step
}

// The changes of one operation (a client's run of automation calls) are one step: one Undo takes
// them all back. Anything else between them — a change of no or another operation, an Undo, a
// save — starts a new step.
TEST_F(SchDocHistoryTest, TheChangesOfOneOperationAreOneStep)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelA"));
    const std::string fresh = doc.WriteDesign();
    Recorder views;
    doc.AddObserver(&views);
    doc.SetStepGroup(7, "Macro Changes");
    doc.SetValue(9, 1);  // quiet, then marking changes: the step marks the design
    doc.SetSymValue(6, 40);
    doc.SetGainValue(4, -3);
    doc.SetSummaryField(CSummaryField::kTitle, "Grouped");
    doc.SetStepGroup(0, "");
    EXPECT_EQ(doc.History().Count(), 1);
    EXPECT_EQ(doc.History().UndoText(), "Macro Changes");
    EXPECT_TRUE(doc.History().Steps().back().schematic);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(views.history, (std::vector<CHistoryChange>{CHistoryChange::kPushed, CHistoryChange::kJoined,
                                                          CHistoryChange::kJoined, CHistoryChange::kJoined}));
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.WriteDesign(), fresh);
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(doc.GetSymValue(6), 40);
    EXPECT_EQ(doc.GetGainValue(4), -3);
    EXPECT_EQ(doc.GetSymValue(9), 1);

    // A change of no operation between two of the same: three steps.
    doc.SetStepGroup(8, "Macro Changes");
    doc.SetSymValue(6, 41);
    doc.SetStepGroup(0, "");
    doc.SetSymValue(6, 42);  // the user's edit
    doc.SetStepGroup(8, "Macro Changes");
    doc.SetSymValue(6, 43);
    EXPECT_EQ(doc.History().Count(), 4);
    // A single change of an operation keeps its own name.
    EXPECT_EQ(doc.History().UndoText(), doc.History().Steps()[1].text);
    EXPECT_NE(doc.History().UndoText(), "Macro Changes");
    // Another operation.
    doc.SetStepGroup(9, "Macro Changes");
    doc.SetSymValue(6, 44);
    EXPECT_EQ(doc.History().Count(), 5);
    // After an Undo the next change is a step of its own (the redo step goes).
    ASSERT_TRUE(doc.Undo());
    doc.SetSymValue(6, 45);
    EXPECT_EQ(doc.History().Count(), 5);
    doc.SetSymValue(6, 46);
    EXPECT_EQ(doc.History().Count(), 5);  // ... which the next change of the operation joins
    // Saved: the saved state stays reachable, the next change is a new step.
    const fs::path dir = fs::temp_directory_path() / ("kalidor_group_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ASSERT_TRUE(doc.OnSaveDocument((dir / "Grouped.ZEL").string()));
    doc.SetSymValue(6, 47);
    EXPECT_EQ(doc.History().Count(), 6);
    ASSERT_TRUE(doc.Undo());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetSymValue(6), 46);
    doc.SetStepGroup(0, "");
    doc.RemoveObserver(&views);
    fs::remove_all(dir);
}

TEST(DesignHistory, OnlyTheLastStepOfTheSameOperationJoins)
{
    CDesignHistory h;
    CDesignHistory::Step s;
    s.text = "a";
    s.after.design = "1";
    s.group = 3;
    EXPECT_FALSE(h.CanJoin(3));  // no step
    h.Push(s);
    EXPECT_FALSE(h.CanJoin(0));
    EXPECT_FALSE(h.CanJoin(4));
    EXPECT_TRUE(h.CanJoin(3));
    h.Join(CDesignState{"2", {0, 1}}, "joined", false);
    EXPECT_EQ(h.Count(), 1);
    EXPECT_EQ(h.UndoText(), "joined");
    EXPECT_EQ(h.Steps().back().after.design, "2");
    EXPECT_TRUE(h.Steps().back().schematic);  // either part changed the schematic
    h.SetClean();
    EXPECT_FALSE(h.CanJoin(3));  // the saved position
    h.Push(s);
    h.StepBack();
    EXPECT_FALSE(h.CanJoin(3));  // a step to redo
}
