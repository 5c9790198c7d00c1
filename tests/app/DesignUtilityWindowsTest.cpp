// The design utility windows as a user meets them: the gain configuration utility of a new ZelA
// and ZelB design (the two-block question, the list, the sample, Copy to Schematic, Run Simulator
// at 31.4 dB), the ladder filter window (criteria, copy, Undo), the ZelD filter configuration
// window (status texts, criteria, copy into B), wrong device types and the Tools menu items. With
// KALIDOR_SCREENSHOT_DIR set it saves a picture of each window there.
#include <QDir>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QtTest>
#include <cmath>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/DeviceConfig.h"
#include "document/ui/SchDocument.h"
#include "sim/Plot.h"
#include "sim/Simulator.h"
#include "utilities/FilterTable.h"
#include "utilities/GainTable.h"
#include "utilities/LadderTable.h"
#include "utilities/ui/ConfigTableView.h"
#include "utilities/ui/DesignUtilityWindows.h"
#include "utilities/ui/GainUtilityView.h"

namespace kalidor::test {

namespace {

double LowFrequencyGainDb(SchDocument* doc, int input, int output)
{
    CSimulator& sim = *doc->Doc().Simulator();
    sim.Configure(0);
    sim.SelectInput(input);
    sim.Evaluate(10.0);
    double dB = -999;
    sim.GetGainDb(output, &dB);
    return dB;
}

void Shoot(MainWindow& mw, QWidget* view, const QString& name)
{
    const QString dir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
        if (w->widget() == view)
            w->showMaximized();
    QTest::qWait(200);
    mw.grab().save(QDir(dir).filePath(name));
}

}  // namespace

class DesignUtilityWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void gainUtilityFindsCopiesAndSimulates()
    {
        for (const char* type : {"ZelA", "ZelB"}) {
            Environment env;
            MainWindow mw;
            mw.resize(1200, 800);
            mw.show();
            SchDocument* doc = mw.NewDocument(QLatin1String(type));
            QVERIFY(doc);
            QVERIFY(mw.Action(QStringLiteral("actionGainUtility"))->isEnabled());
            QVERIFY(!mw.Action(QStringLiteral("actionFilterConfigurations"))->isEnabled());
            const int code = QLatin1String(type) == QLatin1String("ZelA") ? kUtilityZelAGains : kUtilityZelBGains;
            auto* view = qobject_cast<CGainUtilityView*>(mw.OpenDesignUtility(doc, code));
            QVERIFY(view);
            // Opening again brings the same window forward.
            QCOMPARE(mw.OpenDesignUtility(doc, code), static_cast<QWidget*>(view));

            view->SetQuery({37, 1, 2, false, 0});
            env.prompter.Script(Answer::Ok);
            view->Search();
            QCOMPARE(env.MessageTexts(), QStringList{QString::fromUtf8(kMsgTwoBlocksQuestion)});
            QVERIFY(view->Query().twoBlocks);
            QCOMPARE(view->Caption(), QStringLiteral("You can use the following configurations to achieve the gain 37:"));
            QVERIFY(!view->Results().empty());
            QVERIFY(view->SelectedEntry() >= 0);
            QVERIFY(view->SampleCaption().startsWith(QStringLiteral("Configuration ")));
            QVERIFY(QFile::exists(view->SamplePath()));

            view->CopySelected();
            QVERIFY(doc->Doc().IsModified());
            QVERIFY(std::fabs(LowFrequencyGainDb(doc, 1, 2) - 31.36) < 0.01);
            // Run Simulator plots the curve from IN1 to OUT2 at the same gain.
            QVERIFY(mw.RunSimulator());
            if (QLatin1String(type) == QLatin1String("ZelA"))
                Shoot(mw, view, QStringLiteral("gain-utility.png"));
            doc->UndoStack()->undo();
            QVERIFY(!doc->Doc().IsModified());

            // Cancel at the question leaves the list and the sample empty.
            view->SetQuery({37, 1, 2, false, 0});
            env.prompter.Script(Answer::Cancel);
            view->Search();
            QVERIFY(view->Results().empty());
            QVERIFY(view->SamplePath().isEmpty());
            QVERIFY(view->Caption().isEmpty());
            // Nothing selected: the copy says so.
            env.prompter.Clear();
            view->CopySelected();
            QCOMPARE(env.MessageTexts(), QStringList{QString::fromUtf8(kMsgNoEntrySelected)});
            mw.CloseDocument(doc);
        }
    }

    void ladderWindowNarrowsAndCopies()
    {
        Environment env;
        MainWindow mw;
        mw.resize(1200, 800);
        mw.show();
        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
        QVERIFY(mw.Action(QStringLiteral("actionLadderFilters"))->isEnabled());
        auto* view = qobject_cast<CConfigTableView*>(mw.OpenDesignUtility(doc, kUtilityLadderFilters));
        QVERIFY(view);
        QCOMPARE(env.prompter.statusTexts.size(), 3u);
        QCOMPARE(QString::fromStdString(env.prompter.statusTexts[0]), QStringLiteral("Loading filter data from disk..."));
        QCOMPARE(QString::fromStdString(env.prompter.statusTexts[2]), QStringLiteral("Ready"));
        const int all = view->Rows().Count();
        QVERIFY(all > 100);
        QCOMPARE(view->List()->model()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("ZelBlock 1 Cap"));
        view->SetType(10);
        view->SetRange(2, 18000, 22000);
        QVERIFY(view->Rows().Count() > 0 && view->Rows().Count() < all);
        // Copy without a selection.
        view->CopySelected();
        QCOMPARE(env.MessageTexts().last(), QString::fromUtf8(kMsgNoEntrySelected));
        view->SelectListLine(0);
        const CFilterEntry4Macro* e = static_cast<CFilterTable4Macro&>(view->Table()).GetEntry(view->SelectedRow());
        QVERIFY(e);
        view->CopySelected();
        QCOMPARE(QString::fromStdString(doc->Doc().Summary().GetTitle()), QStringLiteral("Ladder Filter"));
        QCOMPARE(doc->Doc().GetGainPhaseOutputNode(), static_cast<int>(e->d[25]));
        QVERIFY(mw.RunSimulator());
        doc->UndoStack()->undo();
        QCOMPARE(QString::fromStdString(doc->Doc().Summary().GetTitle()), QString());
        view->ShowAll();
        QCOMPARE(view->Rows().Count(), all);
        view->SelectListLine(0);
        Shoot(mw, view, QStringLiteral("ladder-filters.png"));
        // The version command.
        env.prompter.Clear();
        view->ShowVersion();
        QVERIFY(env.MessageTexts().value(0).contains(QStringLiteral("Device Type: ZelA")));
        // A ZelA design has no filter configuration table: the code says so.
        QVERIFY(!mw.OpenDesignUtility(doc, kUtilityZelDFilters));
        QCOMPARE(env.MessageTexts().last(), QStringLiteral("The active schematic is not a ZelD schematic."));
    }

    void filterTableWindowCopiesIntoB()
    {
        Environment env;
        MainWindow mw;
        mw.resize(1200, 800);
        mw.show();
        SchDocument* doc = mw.NewDocument(QStringLiteral("ZelD"));
        QVERIFY(mw.Action(QStringLiteral("actionFilterConfigurations"))->isEnabled());
        QVERIFY(!mw.Action(QStringLiteral("actionLadderFilters"))->isEnabled());
        auto* view = qobject_cast<CConfigTableView*>(mw.OpenDesignUtility(doc, kUtilityZelDFilters));
        QVERIFY(view);
        QCOMPARE(view->List()->model()->columnCount(), 18);
        QCOMPARE(view->List()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Cut Off: Fc = -3dB"));
        view->SetType(5);
        view->SetRange(2, 90000, 110000);
        QVERIFY(view->Rows().Count() > 0);
        // Gains at 2 x Fc: the first bound is the upper one.
        view->SetRange(3, -3, -80);
        const int n = view->Rows().Count();
        QVERIFY(n > 0);
        view->SetRange(3, -80, -3);
        QCOMPARE(view->Rows().Count(), 0);
        view->SetRange(3, -3, -80);
        // The quick filter narrows to Fc near a value.
        view->ShowAll();
        view->SetQuickFilter(QStringLiteral("100k"));
        QVERIFY(view->Rows().Count() > 0 && view->Rows().Count() < view->Table().RowCount());
        for (int i = 0; i < view->Rows().Count(); ++i)
            QVERIFY(std::fabs(view->Table().CellNumber(view->Rows().Row(i), 2) / 100000 - 1) <= 0.1);
        view->SelectListLine(0);
        const int row = view->SelectedRow();
        const int id = doc->Doc().FilterTable()->GetEntry(row)->id;
        const int a = doc->Doc().Device()->GetSymValue(0);
        OnNextModal([](QWidget* w) {
            auto* d = qobject_cast<QInputDialog*>(w);
            d->setTextValue(QStringLiteral("Configuration B"));
            d->accept();
        });
        view->CopySelected();
        QCOMPARE(doc->Doc().Device()->GetSymValue(65), id);
        QCOMPARE(doc->Doc().Device()->GetSymValue(0), a);
        Shoot(mw, view, QStringLiteral("filter-configurations-zeld.png"));
    }
};

static RegisterTest registerUtilities("DesignUtilityWindowsTest", [] { return std::make_unique<DesignUtilityWindowsTest>(); });

}  // namespace kalidor::test

#include "DesignUtilityWindowsTest.moc"
