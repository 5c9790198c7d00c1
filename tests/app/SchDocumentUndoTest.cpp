// Undo and Redo of a schematic document put the design back in place: every step returns exactly
// the design text it started from (filter configurations with their "modified from" state, the
// summary and the curve settings included), the per-design objects stay, schematic changes are
// announced for the automatic re-run, and a change made through the core document alone is a
// step of the window's undo stack.
#include <QSignalSpy>
#include <QtTest>

#include <QAction>
#include <QMdiArea>
#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/DeviceConfig.h"
#include "document/ui/SchDocument.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"
#include "../document/FilterEntryTestUtil.h"

namespace kalidor::test {

class SchDocumentUndoTest : public QObject {
    Q_OBJECT

private slots:
    void everyStepUndoesAndRedoesToTheExactDesign()
    {
        Environment env;
        SchDocument doc;
        QVERIFY(doc.NewDocument("ZelD", 1));
        CPlot* plot = doc.Doc().Plot();
        DeviceConfig* device = doc.Doc().Device();
        const CFilterEntry a = Butterworth(12, 200000);
        const CFilterEntry b = Butterworth(40, 200001);
        env.prompter.Script(Answer::Ok);  // Clear Schematic's question

        struct Step {
            const char* name;
            bool schematic;
            std::function<void()> change;
        };
        const std::vector<Step> steps = {
            {"apply A", true, [&] { doc.Doc().ApplyFilterConfig(0, &a); }},
            {"apply B", true, [&] { doc.Doc().ApplyFilterConfig(1, &b); }},
            {"edit C3 B", true, [&] { doc.Doc().SetSymValue(15, 3); }},  // B reads "modified from"
            {"summary", false,
             [&] {
                 CSummaryInfo s = doc.Doc().Summary();
                 s.SetTitle("Anti-alias");
                 s.SetComments("two lines\r\nof comment");
                 doc.Doc().SetSummary(s);
             }},
            {"curve 3", false,
             [&] {
                 doc.Doc().Simulation()->Curve(2).startFrequency = 100;
                 doc.Doc().Simulation()->Curve(2).configAB = 1;
             }},
            {"security", true, [&] { device->SetSecurity(1); }},
            {"clear", true, [&] { doc.Doc().ClearSchematic(); }},
        };
        std::vector<SchDocument::State> states{doc.CaptureState()};
        for (const Step& s : steps) {
            QVERIFY2(doc.Change(QString::fromLatin1(s.name), [&] { s.change(); return true; }, s.schematic), s.name);
            states.push_back(doc.CaptureState());
            QVERIFY2(!(states.back() == states[states.size() - 2]), s.name);
        }
        QCOMPARE(doc.Doc().GetFilterConfigState(64), -1);

        // All the way back, then all the way forward: each state exactly.
        for (int i = static_cast<int>(steps.size()) - 1; i >= 0; --i) {
            doc.UndoStack()->undo();
            QVERIFY2(doc.CaptureState() == states[i], steps[i].name);
        }
        QVERIFY(!doc.Doc().IsModified());
        for (std::size_t i = 0; i < steps.size(); ++i) {
            doc.UndoStack()->redo();
            QVERIFY2(doc.CaptureState() == states[i + 1], steps[i].name);
            if (i == 2) {
                QCOMPARE(doc.Doc().GetFilterConfigState(64), 12);
                QCOMPARE(doc.Doc().GetFilterConfigState(65), -2);
            }
        }
        // The objects are the ones the windows were given.
        QCOMPARE(doc.Doc().Plot(), plot);
        QCOMPARE(doc.Doc().Device(), device);
    }

    void schematicChangesAreAnnounced()
    {
        Environment env;
        SchDocument doc;
        QVERIFY(doc.NewDocument("ZelA", 1));
        QSignalSpy spy(&doc, &SchDocument::schematicChanged);
        doc.Change(QStringLiteral("gain"), [&] {
            doc.Doc().SetGainValue(4, 2);
            return true;
        });
        QCOMPARE(spy.count(), 1);
        // A step that changed nothing records and announces nothing.
        doc.Change(QStringLiteral("same gain"), [&] {
            doc.Doc().SetGainValue(4, 2);
            return true;
        });
        QCOMPARE(spy.count(), 1);
        QCOMPARE(doc.UndoStack()->count(), 1);
        // Not a schematic change: recorded, not announced.
        doc.Change(
            QStringLiteral("setup"),
            [&] {
                doc.Doc().Simulation()->Curve(0).pointsPerDecade = 50;
                return true;
            },
            false);
        QCOMPARE(doc.UndoStack()->count(), 2);
        QCOMPARE(spy.count(), 1);
        doc.UndoStack()->undo();  // the setup
        QCOMPARE(spy.count(), 1);
        doc.UndoStack()->undo();  // the gain
        QCOMPARE(spy.count(), 2);
        QCOMPARE(doc.Doc().Device()->GetSymValue(4), 0);
        doc.UndoStack()->redo();
        QCOMPARE(spy.count(), 3);
    }

    // A change made through the core document alone (as automation and the utilities make them)
    // is a step on the window's undo stack, and Undo from the Edit menu reverts it in the document.
    void coreChangesAppearInTheWindowsUndoStack()
    {
        Environment env;
        MainWindow mw;
        // A design the application makes (as automation's NewDocument will) gets its window.
        CSchDoc* core = mw.Application().NewSchematic("ZelA");
        QVERIFY(core);
        SchDocument* doc = mw.DocumentOf(core);
        QVERIFY(doc);
        QVERIFY(mw.SchViewOf(doc));
        QCOMPARE(mw.ActiveDocument(), doc);
        QAction* undo = mw.Action(QStringLiteral("actionUndo"));
        QAction* redo = mw.Action(QStringLiteral("actionRedo"));
        QVERIFY(!undo->isEnabled());
        const std::string fresh = core->WriteDesign();
        const int freshGain = core->GetGainValue(4);

        core->SetGainValue(4, -3);
        core->SetValue(9, 1);  // quiet: not marked modified, recorded all the same
        QCOMPARE(doc->UndoStack()->count(), 2);
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("&Undo Edit Block 1 IA1 Interconnect"));
        QVERIFY(mw.windowTitle().endsWith(QStringLiteral(" *]")));

        undo->trigger();
        QCOMPARE(core->GetSymValue(9), 0);
        QCOMPARE(core->GetGainValue(4), -3);
        QCOMPARE(redo->text(), QStringLiteral("&Redo Edit Block 1 IA1 Interconnect"));
        undo->trigger();
        QCOMPARE(core->GetGainValue(4), freshGain);
        QCOMPARE(core->WriteDesign(), fresh);
        QVERIFY(!core->IsModified());
        QVERIFY(!undo->isEnabled());
        QVERIFY(!mw.windowTitle().contains(QLatin1Char('*')));
        // The document's own Undo and Redo move the stack with them.
        core->Redo();
        QCOMPARE(doc->UndoStack()->index(), 1);
        QCOMPARE(undo->text(), QStringLiteral("&Undo Edit Block 1 T1 Gain"));
        redo->trigger();
        QCOMPARE(core->GetSymValue(9), 1);
        core->Undo();
        core->Undo();
        QCOMPARE(doc->UndoStack()->index(), 0);
        QVERIFY(!undo->isEnabled());
        // A new step drops the steps undone, on both.
        core->SetSymValue(3, 1);
        QCOMPARE(doc->UndoStack()->count(), 1);
        QCOMPARE(core->History().Count(), 1);
        QVERIFY(!redo->isEnabled());
        // Saving marks both clean.
        QTemporaryDir dir;
        QVERIFY(mw.SaveDocumentAs(doc, dir.filePath(QStringLiteral("core.ZEL"))));
        QVERIFY(doc->UndoStack()->isClean());
        QVERIFY(core->History().IsClean());

        // Closed by the application (not from its window): the windows go with it.
        std::unique_ptr<CSchDoc> closed = mw.Application().CloseSchematic(*core);
        QCOMPARE(closed.get(), core);
        QVERIFY(!mw.DocumentOf(core));
        QVERIFY(mw.Documents().isEmpty());
        QCOMPARE(mw.Mdi()->subWindowList().size(), 0);
        QVERIFY(!undo->isEnabled());
    }
};

static RegisterTest registerSchDocumentUndo("SchDocumentUndoTest",
                                            [] { return std::make_unique<SchDocumentUndoTest>(); });

}  // namespace kalidor::test

#include "SchDocumentUndoTest.moc"
