// The plot window and the "Simulator Options" sheet.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "sim/Plot.h"
#include "sim/Simulator.h"
#include "sim/ui/PlotWindow.h"
#include "sim/ui/SimPropertySheet.h"

namespace kalidor::test {

namespace {

// A curve of 61 points from 10 Hz to 10 MHz: a low pass at `corner` Hz.
void FillLowPass(CPlot& plot, int curve, double corner)
{
    plot.ClearCurve(curve);
    for (int i = 0; i <= 60; ++i) {
        const double f = 10.0 * std::pow(10.0, i / 10.0);
        const double r = f / corner;
        plot.AppendPoint(curve, {f, -10.0 * std::log10(1 + r * r), -std::atan(r) * 180.0 / 3.1415926});
    }
    plot.Setup().Curve(curve).valid = 1;
    plot.RecomputeLimits();
}

}  // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Environment> env;

private slots:
    void init() { env = std::make_unique<Environment>(); }
    void cleanup() { env.reset(); }

    void sheetOpensOnTheActiveCurveWithTheDesignsLists()
    {
        CSimulationSetup setup;
        setup.SetNodeCounts(4, 4, 0);
        setup.SetActiveCurve(2);
        CSimPropertySheet sheet(setup);
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Simulator Options"));
        QCOMPARE(sheet.Tabs()->count(), 5);
        QCOMPARE(sheet.Tabs()->tabText(0), QStringLiteral("Curve1"));
        QCOMPARE(sheet.Tabs()->tabText(1), QStringLiteral("Curve 2"));
        QCOMPARE(sheet.Tabs()->tabText(4), QStringLiteral("General"));
        QCOMPARE(sheet.Tabs()->currentIndex(), 2);

        CSimCurvePage* page = sheet.CurvePage(2);
        QCOMPARE(page->StartBox()->currentText(), QStringLiteral("10"));
        QCOMPARE(page->StopBox()->currentText(), QStringLiteral("10M"));
        QCOMPARE(page->PointsBox()->currentText(), QStringLiteral("500"));
        QCOMPARE(page->InputBox()->currentText(), QStringLiteral("Vin 1"));
        QCOMPARE(page->OutputBox()->currentText(), QStringLiteral("Vout 1"));
        QCOMPARE(page->InputBox()->count(), 4);
        QCOMPARE(page->InputBox()->itemText(3), QStringLiteral("Vin 4"));
        QVERIFY(page->InputBox()->isEnabled());
        QCOMPARE(page->ConfigurationBox()->count(), 0);
        QVERIFY(!page->ConfigurationBox()->isEnabled());
        QCOMPARE(page->StartBox()->count(), 22);
        QCOMPARE(page->StartBox()->lineEdit()->maxLength(), 10);

        // One input node: the box is disabled.
        CSimulationSetup one;
        one.SetNodeCounts(1, 1, 2);
        CSimPropertySheet s2(one);
        QCOMPARE(s2.Tabs()->currentIndex(), 0);
        QVERIFY(!s2.CurvePage(0)->InputBox()->isEnabled());
        QCOMPARE(s2.CurvePage(0)->ConfigurationBox()->itemText(1), QStringLiteral("Cfg B"));
    }

    void sheetOkStoresTheShownPagesOnly()
    {
        CSimulationSetup setup;
        setup.SetNodeCounts(4, 4, 2);
        CSimPropertySheet sheet(setup);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        CSimCurvePage* shown = sheet.CurvePage(0);
        shown->StartBox()->setEditText(QStringLiteral("20k"));
        shown->StopBox()->setEditText(QStringLiteral("100 kHz"));
        shown->InputBox()->setCurrentIndex(2);
        shown->ConfigurationBox()->setCurrentIndex(1);
        // A page that was never shown keeps its curve as it was.
        sheet.CurvePage(3)->StartBox()->setEditText(QStringLiteral("5K"));
        sheet.GeneralPage()->AutoRunBox()->setChecked(true);
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(setup.Curve(0).startFrequency, 20000);
        QCOMPARE(setup.Curve(0).stopFrequency, 100);
        QCOMPARE(setup.Curve(0).inputNode, 3);
        QCOMPARE(setup.Curve(0).configAB, 1);
        QCOMPARE(setup.Curve(3).startFrequency, 10);
        QCOMPARE(setup.GetAutoRun(), 1);
        QVERIFY(env->prompter.messages.empty());
    }

    void sheetShowsTheFrequencyMessageAndClosesAllTheSame()
    {
        CSimulationSetup setup;
        CSimPropertySheet sheet(setup);
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        sheet.CurvePage(0)->PointsBox()->setEditText(QStringLiteral("50"));
        sheet.CurvePage(0)->StartBox()->setEditText(QStringLiteral(" 5K"));
        sheet.CurvePage(0)->OutputBox()->setEditText(QStringLiteral("Vout 3"));
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].text), QStringLiteral("Frequency Entry Incorrect"));
        QCOMPARE(setup.Curve(0).pointsPerDecade, 50);
        QCOMPARE(setup.Curve(0).startFrequency, 10);
        QCOMPARE(setup.Curve(0).outputNode, 1);
    }

    void zoomCommandsCrosshairAndCurveCommands()
    {
        CSimulationSetup setup;
        CPlot plot(setup);
        FillLowPass(plot, 0, 1000.0);
        FillLowPass(plot, 1, 10000.0);
        CPltSplit w(plot);
        QSignalSpy status(&w, &CPltSplit::statusText);
        QSignalSpy data(&w, &CPltSplit::dataChanged);
        w.resize(900, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.OnDocumentUpdate(3);
        const PlotMapping all = w.State().Mapping(0);
        QCOMPARE(all.extentX, 6000 + 6000 / 16);  // 10 Hz .. 10 MHz and a sixteenth
        QCOMPARE(all.originX, 1000 - 6375 / 32);
        w.Action("zoomIn")->trigger();
        QCOMPARE(w.State().Mapping(0).extentX, all.extentX - all.extentX / 4);
        QVERIFY(w.Action("zoomPrevious")->isEnabled());
        w.Action("zoomPrevious")->trigger();
        QCOMPARE(w.State().Mapping(0), all);
        // The rescale of the first data counts as a zoom too.
        w.Action("zoomPrevious")->trigger();
        QCOMPARE(w.State().Mapping(0), CPlotWindowState::DefaultMapping(0));
        QVERIFY(!w.Action("zoomPrevious")->isEnabled());
        w.Action("zoomAll")->trigger();

        // Crosshair: the read-out follows the mouse on the active curve.
        QCOMPARE(w.StatusText(1), QStringLiteral("Curve:1  Vout1/Vin1"));
        QCOMPARE(w.StatusText(2), QString());
        w.Action("crosshair")->trigger();
        QVERIFY(w.Action("crosshair")->isChecked());
        CPltView* gain = w.Pane(0);
        const QRect frame = gain->FrameRect();
        Move(gain, frame.center());
        const PltXY at = gain->LogicalAt(frame.center());
        QCOMPARE(w.State().CrossX(), at.x);
        const QString readout = w.StatusText(2);
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9.]+[KM]?Hz  -?[0-9]+\\.[0-9]{2}dB  -?[0-9]+\\.[0-9]{2}Deg$"))
                     .match(readout)
                     .hasMatch(),
                 qPrintable(readout));
        QVERIFY(!status.isEmpty());
        QCOMPARE(status.last().at(0).toInt(), 2);
        QCOMPARE(status.last().at(1).toString(), readout);

        // Wheel zoom about the mouse position, recorded nowhere.
        QWheelEvent wheel(QPointF(frame.center()), gain->mapToGlobal(QPointF(frame.center())), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(gain, &wheel);
        QVERIFY(w.State().Mapping(0).extentX < all.extentX);
        // Not recorded: Zoom Previous goes back past it to the view before Zoom All.
        w.Action("zoomPrevious")->trigger();
        QCOMPARE(w.State().Mapping(0), CPlotWindowState::DefaultMapping(0));
        w.Action("zoomAll")->trigger();

        // Zoom In Select by dragging a rectangle.
        w.Action("zoomInSelect")->trigger();
        const QPoint a = frame.topLeft() + QPoint(50, 30), b = frame.topLeft() + QPoint(250, 130);
        const PltXY la = gain->LogicalAt(a), lb = gain->LogicalAt(b);
        Press(gain, a);
        MoveDown(gain, b);
        Release(gain, b);
        QCOMPARE(w.State().Mapping(0), (PlotMapping{la.x, lb.y, lb.x - la.x, la.y - lb.y}));
        QCOMPARE(w.State().Mapping(1).extentX, lb.x - la.x);
        QVERIFY(w.State().HasPrevious());
        // The crosshair did not follow the pointer while the rectangle was chosen (it would have
        // landed on the new view's left edge); it stays in view, in its middle.
        QCOMPARE(w.State().CrossX(), la.x + (lb.x - la.x) / 2);
        w.Action("zoomPrevious")->trigger();
        const int before = w.State().CrossX();
        w.Action("zoomInSelect")->trigger();
        Move(gain, frame.topLeft() + QPoint(10, 10));
        QCOMPARE(w.State().CrossX(), before);
        Press(gain, a);
        MoveDown(gain, b);
        Release(gain, b);
        QCOMPARE(w.State().CrossX(), la.x + (lb.x - la.x) / 2);

        // Activate, hide and delete.
        w.Action("activateCurve2")->trigger();
        QCOMPARE(plot.GetActiveCurve(), 1);
        QCOMPARE(w.StatusText(1), QStringLiteral("Curve:2  Vout1/Vin1"));
        QCOMPARE(w.Action("activateCurve2")->toolTip(), QStringLiteral("Sim output placed in Curve 2"));
        w.Action("showCurve1")->trigger();
        QVERIFY(!w.State().IsShown(0));
        QVERIFY(w.Action("deleteCurve1")->isEnabled());
        data.clear();
        w.Action("deleteCurve1")->trigger();
        QCOMPARE(setup.Curve(0).valid, 0);
        QVERIFY(plot.Points(0).empty());
        QCOMPARE(data.size(), 1);
        QVERIFY(!w.Action("deleteCurve1")->isEnabled());
        QCOMPARE(w.Action("zoomIn")->toolTip(), QStringLiteral("Zoom in 25 percent in both directions"));
        QCOMPARE(w.Action("crosshair")->toolTip(), QStringLiteral("Show or hide crosshair cursor"));
    }

    void menuTextsGroupDelayAndMarkers()
    {
        CSimulationSetup setup;
        CPlot plot(setup);
        FillLowPass(plot, 0, 1000.0);
        CPltSplit w(plot);
        w.resize(800, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.OnDocumentUpdate(3);
        QCOMPARE(w.Action("zoomInX")->text(), QStringLiteral("Zoom In X 25%"));
        QCOMPARE(w.Action("zoomInY")->text(), QStringLiteral("Zoom In Y 25%"));
        QCOMPARE(w.Action("zoomOutX")->text(), QStringLiteral("Zoom Out X 25%"));
        QCOMPARE(w.Action("zoomOutY")->text(), QStringLiteral("Zoom Out Y 25%"));
        // The menu shows F5 beside Run Simulator (the key itself is the main window's).
        QCOMPARE(w.Action("runSimulator")->text(), QStringLiteral("Run Simulator\tF5"));
        QMenu menu;
        w.FillMenu(&menu);
        QVERIFY(menu.actions().contains(w.Action("groupDelay")));
        QVERIFY(menu.actions().contains(w.Action("markers")));

        // The lower pane shows the group delay, first shown whole.
        QCOMPARE(w.Pane(1)->Kind(), int(kPanePhase));
        w.Action("groupDelay")->trigger();
        QVERIFY(w.Action("groupDelay")->isChecked());
        QCOMPARE(w.Pane(1)->Kind(), int(kPaneDelay));
        QCOMPARE(w.Pane(0)->Kind(), int(kPaneGain));
        const PlotLimits& l = plot.Limits();
        QVERIFY(w.State().Mapping(kPaneDelay).originY <= l.minDelayY);
        QVERIFY(w.State().Mapping(kPaneDelay).Top() >= l.maxDelayY);
        w.Action("markers")->trigger();
        QVERIFY(w.State().GetMarkers());
        QVERIFY(w.grab().toImage().size().isValid());
        w.Action("groupDelay")->trigger();
        QCOMPARE(w.Pane(1)->Kind(), int(kPanePhase));
    }

    void runCommandAndPictures()
    {
        CSimulationSetup setup;
        CPlot plot(setup);
        CPltSplit w(plot);
        int runs = 0;
        w.SetRunner([&] {
            ++runs;
            FillLowPass(plot, setup.GetActiveCurve(), 2000.0);
            return RunResult{true, 3, true};
        });
        w.resize(800, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Action("runSimulator")->trigger();
        QCOMPARE(runs, 1);
        QCOMPARE(w.State().Mapping(0).originX, 1000 - 6375 / 32);  // rescaled to the first data

        QTemporaryDir dir;
        const QString png = dir.filePath("p.png"), svg = dir.filePath("p.svg"), pdf = dir.filePath("p.pdf");
        QVERIFY(w.ExportPicture(png));
        QVERIFY(w.ExportPicture(svg));
        QVERIFY(w.ExportPicture(pdf));
        QFile f(png);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(4), QByteArray("\x89PNG"));
        QFile s(svg);
        QVERIFY(s.open(QIODevice::ReadOnly));
        QVERIFY(s.readAll().contains("Gain Plot (dB)"));
        QFile p(pdf);
        QVERIFY(p.open(QIODevice::ReadOnly));
        QCOMPARE(p.read(5), QByteArray("%PDF-"));
    }

    // The plot window with four curves of a real design, for the documentation.
    void screenshot()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        CSchDoc doc;
        QVERIFY(doc.OnOpenDocument(KALIDOR_SOURCE_DIR "/support/examples/Lowpass.ZEL"));
        auto sim = CreateSimulator(doc.GetDeviceType(), *doc.Device());
        QVERIFY(sim);
        CSimulationSetup& setup = *doc.Simulation();
        CPlot plot(setup);
        // The low pass at the four gains of its output stage.
        const int gains[4] = {1, 2, 5, 10};
        for (int c = 0; c < 4; ++c) {
            doc.SetGainValue(11, gains[c]);
            setup.SetActiveCurve(c);
            setup.Curve(c).startFrequency = 1000;
            setup.Curve(c).stopFrequency = 10000000;
            QVERIFY(RunActiveCurve(setup, *sim, plot).success);
        }
        setup.SetActiveCurve(2);
        CPltSplit w(plot);
        w.setWindowTitle(QStringLiteral("Lowpass.ZEL - Gain/Phase Plot"));
        w.resize(960, 720);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.OnDocumentUpdate(3);
        w.Action("crosshair")->trigger();
        w.MoveCrosshair(5000);
        QTest::qWait(200);
        QVERIFY(w.grab().save(QDir(outDir).filePath("plot.png")));
        // The group delay in the lower pane, the markers of the active curve.
        w.Action("groupDelay")->trigger();
        w.Action("markers")->trigger();
        QTest::qWait(200);
        QVERIFY(w.grab().save(QDir(outDir).filePath("plot-group-delay.png")));
        // The exported picture: the curves and the title block, no crosshair.
        w.SetTitleBlock(QStringLiteral("Lowpass.ZEL"), QStringLiteral("ZelD"));
        QVERIFY(w.ExportPicture(QDir(outDir).filePath("plot-export.png")));
    }
};

static RegisterTest registerPlotWindow("PlotWindowTest", [] { return std::make_unique<PlotWindowTest>(); });

}  // namespace kalidor::test

#include "PlotWindowTest.moc"
