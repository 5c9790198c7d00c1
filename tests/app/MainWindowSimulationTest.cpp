// The main window's simulation and Import/Export commands: Run Simulator and the plot window,
// Simulator Options, the automatic re-run after an edit, Undo with the plot window open, the
// status read-out panes, and the File menu's Import... and Export....
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QScreen>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QLabel>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/DeviceConfig.h"
#include "document/ui/ImportExportDialog.h"
#include "document/ui/SchDocument.h"
#include "sim/Plot.h"
#include "sim/ui/PlotWindow.h"
#include "sim/ui/SimPropertySheet.h"
#include "view/ui/SchView.h"

namespace kalidor::test {

namespace {

// ZelA symbols: the input selector of amplifier IA1 (1 = IN 1) and the T1 gain of block 1.
constexpr int kKeyIA1 = 9;
constexpr int kKeyBlock1T1Gain = 4;

// A new ZelA design whose block 1 amplifies input 1 to output 1, so that curve 1 has a response.
SchDocument* NewConnectedZelA(MainWindow& mw)
{
    SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
    if (doc)
        doc->Change(QStringLiteral("Connect IN 1"), [doc] {
            doc->Doc().SetSymValue(kKeyIA1, 1);
            return true;
        });
    return doc;
}

double FirstGain(const CPlot& plot, int curve)
{
    const auto& pts = plot.Points(curve);
    return pts.empty() ? -1000.0 : pts.front().m_gain;
}

int WindowsOf(MainWindow& mw) { return static_cast<int>(mw.Mdi()->subWindowList().size()); }

}  // namespace

class MainWindowSimulationTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;
    QTemporaryDir* dir = nullptr;

    QStringList Messages() const { return env->MessageTexts(); }

private slots:
    void init()
    {
        env = new Environment;
        dir = new QTemporaryDir;
    }
    void cleanup()
    {
        delete dir;
        delete env;
    }

    void commandsFollowTheDocument()
    {
        MainWindow mw;
        for (const char* n : {"actionImport", "actionExport", "actionRunSimulator", "actionSimulatorOptions",
                              "actionPlotWindow"}) {
            QVERIFY2(mw.Action(QLatin1String(n)), n);
            QVERIFY2(!mw.Action(QLatin1String(n))->isEnabled(), n);
        }
        QCOMPARE(mw.Action("actionImport")->text(), QStringLiteral("&Import..."));
        QCOMPARE(mw.Action("actionExport")->text(), QStringLiteral("Expor&t..."));
        // File: ... Summary Info, a separator, Import, Export, a separator, the print commands.
        const QStringList file = ActionNames(TopMenu(mw, QStringLiteral("&File")));
        const int summary = static_cast<int>(file.indexOf(QStringLiteral("actionSummary")));
        QVERIFY(summary >= 0);
        QCOMPARE(file.mid(summary, 5), (QStringList{"actionSummary", "-", "actionImport", "actionExport", "-"}));
        QVERIFY(ActionNames(TopMenu(mw, QStringLiteral("&Tools"))).contains(QStringLiteral("actionSimulatorOptions")));

        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
        QVERIFY(doc);
        for (const char* n : {"actionImport", "actionExport", "actionRunSimulator", "actionSimulatorOptions",
                              "actionPlotWindow"})
            QVERIFY2(mw.Action(QLatin1String(n))->isEnabled(), n);
        mw.CloseDocument(doc);
        QCoreApplication::processEvents();
        QVERIFY(!mw.Action("actionImport")->isEnabled());
        QVERIFY(!mw.Action("actionRunSimulator")->isEnabled());
    }

    void runSimulatorOpensThePlotWindowWithAValidCurve()
    {
        MainWindow mw;
        // A new ZelA design has nothing connected: the run fails with the device's message and no
        // plot window opens.
        SchDocument* bare = mw.NewDocument(QStringLiteral("ZelA"));
        mw.Action("actionRunSimulator")->trigger();
        QVERIFY(!Messages().isEmpty());
        QVERIFY(Messages().last().contains(QStringLiteral("cause output to be zero")));
        QVERIFY(!mw.PlotWindowOf(bare));
        QVERIFY(!bare->Doc().Plot()->IsValid(0));
        QVERIFY(!mw.Action("actionUndo")->isEnabled() || bare->UndoStack()->count() == 0);
        env->prompter.Clear();

        SchDocument* doc = NewConnectedZelA(mw);
        const int before = WindowsOf(mw);
        mw.Action("actionRunSimulator")->trigger();
        QVERIFY2(Messages().isEmpty(), qPrintable(Messages().join('|')));
        CPltSplit* plot = mw.PlotWindowOf(doc);
        QVERIFY(plot);
        QCOMPARE(&plot->Plot(), doc->Doc().Plot());
        QCOMPARE(WindowsOf(mw), before + 1);
        QVERIFY(doc->Doc().Plot()->IsValid(0));
        QVERIFY(doc->Doc().Plot()->Points(0).size() > 100);
        // An ideal unity stage: 0 dB at the low end.
        QVERIFY(std::abs(FirstGain(*doc->Doc().Plot(), 0)) < 0.1);
        QCOMPARE(mw.StatusPaneText(1), QStringLiteral("Curve:1  Vout1/Vin1"));
        QCOMPARE(plot->StatusText(1), QStringLiteral("Curve:1  Vout1/Vin1"));
        // The first data is shown whole: the gain pane's mapping covers the data.
        const PlotMapping& m = plot->State().Mapping(0);
        const PlotLimits& l = doc->Doc().Plot()->Limits();
        QVERIFY(m.originX < l.minX && m.originX + m.extentX > l.maxX);
        // A run of the document, not of the other design: the running design's undo history is
        // unchanged (a run is not an edit) and the design is not marked modified by it.
        const int undoCount = doc->UndoStack()->count();

        // The plot window is current: its commands appear in the Plot menu; a second run does not
        // open a second window.
        QCOMPARE(mw.ActivePlotWindow(), plot);
        QMenu* plotMenu = mw.findChild<QMenu*>(QStringLiteral("plotMenu"));
        QVERIFY(plotMenu && plotMenu->menuAction()->isVisible());
        QVERIFY(plotMenu->actions().contains(plot->Action(QStringLiteral("zoomIn"))));
        plot->Action(QStringLiteral("activateCurve2"))->trigger();
        plot->Action(QStringLiteral("runSimulator"))->trigger();
        QVERIFY(doc->Doc().Plot()->IsValid(1));
        QCOMPARE(mw.StatusPaneText(1), QStringLiteral("Curve:2  Vout1/Vin1"));
        mw.Action("actionRunSimulator")->trigger();
        QCOMPARE(WindowsOf(mw), before + 1);
        QCOMPARE(doc->UndoStack()->count(), undoCount);

        // The schematic's window is current again: the Plot menu goes.
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
            if (w->widget() == static_cast<QWidget*>(mw.SchViewOf(doc)))
                mw.Mdi()->setActiveSubWindow(w);
        QVERIFY(!plotMenu->menuAction()->isVisible());
    }

    void aClosedPlotWindowReopensFittedAndClosesWithTheSchematic()
    {
        MainWindow mw;
        SchDocument* doc = NewConnectedZelA(mw);
        mw.RunSimulator();
        CPltSplit* plot = mw.PlotWindowOf(doc);
        QVERIFY(plot);
        QPointer<CPltSplit> guard(plot);
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
            if (w->widget() == plot)
                w->close();
        QCoreApplication::processEvents();
        QVERIFY(!mw.PlotWindowOf(doc));
        QVERIFY(doc->Doc().Plot()->IsValid(0));  // the data belongs to the document

        // View > Plot Window shows the data again, fitted.
        mw.Action("actionPlotWindow")->trigger();
        plot = mw.PlotWindowOf(doc);
        QVERIFY(plot);
        const PlotLimits& l = doc->Doc().Plot()->Limits();
        QVERIFY(plot->State().Mapping(0).originX < l.minX);

        // Closing the schematic closes the plot window with it.
        guard = plot;
        env->prompter.Script(Answer::No);  // do not save
        QVERIFY(mw.CloseDocument(doc));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(WindowsOf(mw), 0);
        QVERIFY(guard.isNull());
    }

    void automaticRerunAfterAnEditWhenEnabled()
    {
        MainWindow mw;
        SchDocument* doc = NewConnectedZelA(mw);
        CPlot& plot = *doc->Doc().Plot();
        auto setGain = [&](int gain) {
            doc->Change(QStringLiteral("Edit gain"), [&] {
                doc->Doc().SetGainValue(kKeyBlock1T1Gain, gain);
                return true;
            });
        };

        // Without the plot window, an edit runs nothing even with the option on.
        doc->Doc().Simulation()->SetAutoRun(1);
        setGain(2);
        QVERIFY(!plot.IsValid(0));

        mw.RunSimulator();
        QVERIFY(mw.PlotWindowOf(doc));
        const double g2 = FirstGain(plot, 0);
        QVERIFY2(std::abs(g2 - 6.02) < 0.2, qPrintable(QString::number(g2)));

        // Option on, window open: the edit runs the active curve again.
        setGain(5);
        const double g5 = FirstGain(plot, 0);
        QVERIFY2(std::abs(g5 - 13.98) < 0.2, qPrintable(QString::number(g5)));
        QCOMPARE(mw.PlotWindowOf(doc)->StatusText(1), QStringLiteral("Curve:1  Vout1/Vin1"));

        // Undo is a change of the schematic too; the curve data survives the Undo itself.
        doc->UndoStack()->undo();
        QVERIFY(plot.IsValid(0));
        QVERIFY(std::abs(FirstGain(plot, 0) - 6.02) < 0.2);
        doc->UndoStack()->redo();
        QVERIFY(std::abs(FirstGain(plot, 0) - 13.98) < 0.2);

        // Option off: the curve keeps the old result.
        doc->Doc().Simulation()->SetAutoRun(0);
        setGain(1);
        QVERIFY(std::abs(FirstGain(plot, 0) - 13.98) < 0.2);

        // A summary edit is not a schematic change: nothing runs.
        doc->Doc().Simulation()->SetAutoRun(1);
        plot.Setup().SetActiveCurve(2);
        doc->Change(
            QStringLiteral("Summary"),
            [&] {
                CSummaryInfo s = doc->Doc().Summary();
                s.SetTitle("other");
                doc->Doc().SetSummary(s);
                return true;
            },
            false);
        QVERIFY(!plot.IsValid(2));
    }

    void undoWithThePlotWindowOpenKeepsItsPlot()
    {
        MainWindow mw;
        SchDocument* doc = NewConnectedZelA(mw);
        mw.RunSimulator();
        CPltSplit* window = mw.PlotWindowOf(doc);
        QVERIFY(window);
        CPlot* plot = doc->Doc().Plot();
        doc->Doc().Simulation()->Curve(0).stopFrequency = 1000;  // kept across the Undo below
        const std::vector<int> connected = [&] {
            std::vector<int> v;
            for (const E2Cell& c : doc->Doc().Device()->Cells())
                v.push_back(c.value);
            return v;
        }();
        doc->Change(QStringLiteral("Edit gain"), [&] {
            doc->Doc().SetGainValue(kKeyBlock1T1Gain, -10);
            return true;
        });
        doc->UndoStack()->undo();
        // The objects the windows hold are the document's still; the cells are back exactly.
        QCOMPARE(doc->Doc().Plot(), plot);
        QCOMPARE(&window->Plot(), plot);
        QVERIFY(plot->IsValid(0));
        std::vector<int> now;
        for (const E2Cell& c : doc->Doc().Device()->Cells())
            now.push_back(c.value);
        QCOMPARE(now, connected);
        QCOMPARE(doc->Doc().Device()->GetSymValue(kKeyIA1), 1);
        window->Redraw();
        window->repaint();
        // Undo back to the new design: the connection goes, the curve data stays.
        doc->UndoStack()->undo();
        QCOMPARE(doc->Doc().Device()->GetSymValue(kKeyIA1), 0);
        QCOMPARE(doc->Doc().Plot(), plot);
        QVERIFY(!doc->Doc().IsModified());
    }

    void simulatorOptionsIsAnUndoableEditThatRunsNothing()
    {
        MainWindow mw;
        SchDocument* doc = NewConnectedZelA(mw);
        mw.RunSimulator();
        CPltSplit* window = mw.PlotWindowOf(doc);
        doc->Doc().Simulation()->SetAutoRun(1);
        doc->UndoStack()->setClean();
        QVERIFY(!doc->Doc().IsModified());
        const auto before = doc->Doc().Plot()->Points(0).size();

        // From the plot window's own command.
        OnNextModal([](QWidget* w) {
            auto* sheet = qobject_cast<CSimPropertySheet*>(w);
            QVERIFY(sheet);
            sheet->CurvePage(0)->StartBox()->setEditText(QStringLiteral("20k"));
            sheet->accept();
        });
        window->Action(QStringLiteral("simulatorOptions"))->trigger();
        QCOMPARE(doc->Doc().Simulation()->Curve(0).startFrequency, 20000);
        QVERIFY(doc->Doc().IsModified());
        QCOMPARE(doc->Doc().Plot()->Points(0).size(), before);  // no run
        doc->UndoStack()->undo();
        QCOMPARE(doc->Doc().Simulation()->Curve(0).startFrequency, 10);
        QVERIFY(!doc->Doc().IsModified());

        // From the Tools menu; Cancel changes nothing and records nothing.
        OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        mw.Action("actionSimulatorOptions")->trigger();
        QVERIFY(!doc->UndoStack()->canUndo() || doc->UndoStack()->index() == doc->UndoStack()->cleanIndex());
        QVERIFY(!doc->Doc().IsModified());
    }

    // The read-out is shown once, in the status bar; the plot window's own row is hidden.
    void readOutIsShownOnceInTheStatusBar()
    {
        MainWindow mw;
        mw.resize(1100, 780);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        SchDocument* doc = NewConnectedZelA(mw);
        QVERIFY(mw.RunSimulator());
        CPltSplit* plot = mw.PlotWindowOf(doc);
        QVERIFY(plot);
        for (QLabel* l : plot->findChildren<QLabel*>())
            QVERIFY2(!l->isVisible() || l->text().isEmpty() || !l->text().startsWith(QStringLiteral("Curve:")),
                     qPrintable(l->text()));
        plot->Action(QStringLiteral("crosshair"))->trigger();
        plot->MoveCrosshair(3000);
        QVERIFY(!plot->StatusText(2).isEmpty());
        QCOMPARE(mw.StatusPaneText(2), plot->StatusText(2));
        QCOMPARE(mw.StatusPaneText(1), QStringLiteral("Curve:1  Vout1/Vin1"));
    }

    void clearSchematicBlanksTheReadOutAndEmptiesTheCurves()
    {
        MainWindow mw;
        SchDocument* doc = NewConnectedZelA(mw);
        doc->Doc().Simulation()->SetAutoRun(1);
        mw.RunSimulator();
        QVERIFY(!mw.StatusPaneText(1).isEmpty());
        env->prompter.Script(Answer::Ok);
        mw.ClearSchematic();
        QVERIFY(!doc->Doc().Plot()->IsValid(0));  // emptied, and not run again
        QVERIFY(doc->Doc().Plot()->Points(0).empty());
        QCOMPARE(mw.StatusPaneText(1), QString());
        QCOMPARE(mw.StatusPaneText(2), QString());
        QCOMPARE(doc->Doc().Device()->GetSymValue(kKeyIA1), 0);
    }

    void importIsUndoableAndPlotImportOpensThePlotWindow()
    {
        MainWindow mw;
        SchDocument* source = NewConnectedZelA(mw);
        source->Change(QStringLiteral("Edit gain"), [&] {
            source->Doc().SetGainValue(kKeyBlock1T1Gain, 5);
            return true;
        });
        const QString jed = dir->filePath(QStringLiteral("a.jed"));
        auto choose = [](int kind, int format, const QString& file) {
            return [=](QWidget* w) {
                auto* d = qobject_cast<CImportExportDialog*>(w);
                QVERIFY(d);
                d->KindList()->setCurrentRow(kind);
                d->FormatList()->setCurrentRow(format);
                d->FileButton()->setChecked(true);
                d->FileEdit()->setText(file);
                d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                if (d->isVisible())
                    d->reject();
            };
        };
        OnNextModal(choose(0, 0, jed));
        mw.Action("actionExport")->trigger();
        QVERIFY(QFile::exists(jed));
        QCOMPARE(source->UndoStack()->count(), 2);  // an export changes nothing

        SchDocument* target = mw.NewDocument(QStringLiteral("ZelA"));
        OnNextModal(choose(0, 0, jed));
        mw.Action("actionImport")->trigger();
        QVERIFY2(Messages().isEmpty(), qPrintable(Messages().join('|')));
        QCOMPARE(target->Doc().Device()->GetSymValue(kKeyIA1), 1);
        QCOMPARE(target->Doc().Device()->GetSymValue(kKeyBlock1T1Gain),
                 source->Doc().Device()->GetSymValue(kKeyBlock1T1Gain));
        QVERIFY(target->Doc().IsModified());
        QCOMPARE(target->UndoStack()->undoText(), QStringLiteral("Import"));
        target->UndoStack()->undo();
        QCOMPARE(target->Doc().Device()->GetSymValue(kKeyIA1), 0);

        // Gain/phase data into the active curve: the plot window opens with it.
        const QString csv = dir->filePath(QStringLiteral("curve.csv"));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Curve_1_Frequency,Curve_1_Gain,Curve_1_Phase\r\n10,0,0\r\n1000,-3,-45\r\n100000,-40,-90\r\n");
        f.close();
        QVERIFY(!mw.PlotWindowOf(target));
        OnNextModal(choose(1, 0, csv));
        mw.Action("actionImport")->trigger();
        CPltSplit* window = mw.PlotWindowOf(target);
        QVERIFY(window);
        QVERIFY(target->Doc().Plot()->IsValid(0));
        QCOMPARE(target->Doc().Plot()->Points(0).size(), std::size_t(3));
        const PlotLimits& l = target->Doc().Plot()->Limits();
        QVERIFY(window->State().Mapping(0).originX < l.minX);
        QVERIFY(window->State().Mapping(0).originX + window->State().Mapping(0).extentX >= l.maxX);
    }

    // The main window with a schematic and its plot window side by side, four curves, for the
    // documentation. Runs only when KALIDOR_SCREENSHOT_DIR names the folder to write to (under a
    // real X server: xvfb-run with QT_QPA_PLATFORM=xcb).
    void screenshotWithThePlotWindow()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        MainWindow mw;
        mw.resize(1500, 860);
        mw.move(10, 10);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        SchDocument* doc = mw.OpenFile(QStringLiteral(KALIDOR_SOURCE_DIR "/support/examples/Lowpass.ZEL"));
        QVERIFY(doc);
        CSimulationSetup& setup = *doc->Doc().Simulation();
        // The low pass at the four gains of its output stage, each run from the Tools menu.
        const int gains[4] = {1, 2, 5, 10};
        for (int c = 0; c < 4; ++c) {
            doc->Change(QStringLiteral("Edit gain"), [&] {
                doc->Doc().SetGainValue(11, gains[c]);
                return true;
            });
            setup.SetActiveCurve(c);
            setup.Curve(c).startFrequency = 1000;
            setup.Curve(c).stopFrequency = 10000000;
            for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
                if (w->widget() == static_cast<QWidget*>(mw.SchViewOf(doc)))
                    mw.Mdi()->setActiveSubWindow(w);
            QVERIFY(mw.RunSimulator());
        }
        CPltSplit* plot = mw.PlotWindowOf(doc);
        QVERIFY(plot);
        plot->ActivateCurve(2);
        plot->ZoomAll();
        const QRect area = mw.Mdi()->viewport()->rect();
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList()) {
            w->showNormal();
            const bool isPlot = w->widget() == plot;
            const int split = area.width() * 11 / 20;
            w->setGeometry(isPlot ? QRect(split, 0, area.width() - split, area.height())
                                  : QRect(0, 0, split, area.height()));
        }
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
            if (w->widget() == plot)
                mw.Mdi()->setActiveSubWindow(w);
        plot->Action(QStringLiteral("crosshair"))->trigger();
        plot->MoveCrosshair(4800);
        QTest::qWait(400);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap shot = screen->grabWindow(0);
        QVERIFY(shot.copy(mw.frameGeometry().intersected(shot.rect()))
                    .save(QDir(outDir).filePath(QStringLiteral("main-window-plot.png"))));
    }
};

static RegisterTest registerMainWindowSimulation("MainWindowSimulationTest",
                                             [] { return std::make_unique<MainWindowSimulationTest>(); });

}  // namespace kalidor::test

#include "MainWindowSimulationTest.moc"
