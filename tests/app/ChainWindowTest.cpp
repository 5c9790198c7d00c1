// The JTAG chain window: New offers the chain kind, the Edit menu carries the chain's commands,
// the drawn chain shows the sums and is worked with the mouse and the keyboard, an embedded schematic opens from the chain and saves back into it,
// the chain cannot close while it is open, a member is programmed through a virtual chain, and
// Scan Chain fills a new chain from the cable.
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "document/ui/JTAGView.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/ui/JtagUi.h"

namespace kalidor::test {

namespace {

// Answers the chain's dialogs with fixed replies.
class FixedDialogs : public CJtagChainDialogs {
public:
    std::string type = "ZelA";
    int ir = 8;
    std::string rename;
    bool AskZelDevice(std::string&, std::string& deviceType) override
    {
        deviceType = type;
        return true;
    }
    bool AskForeignDevice(std::string&, int& irLength) override
    {
        irLength = ir;
        return true;
    }
    bool AskName(std::string& name) override
    {
        name = rename;
        return true;
    }
};

class ChainMainWindow : public MainWindow {
public:
    QString savePath;
    QString designPath;
    QString AskSaveChainFileName(CJTAGView*) override { return savePath; }
    QString AskSaveFileName(SchDocument*) override { return designPath; }
};

// The text lines of an element's box, as drawn.
QStringList Lines(CJTAGView* view, int index)
{
    QStringList lines;
    for (const std::string& l : CChainDiagram::BoxLines(*view->Chain().GetElement(index)))
        lines << QString::fromStdString(l);
    return lines;
}

int Boxes(CJTAGView* view) { return view->Diagram()->Diagram().Count(); }

QPoint Centre(CJTAGView* view, int index)
{
    const ChainBox& b = view->Diagram()->Diagram().Box(index);
    return QPoint(int(b.CentreX()), int(b.CentreY()));
}

}  // namespace

class ChainWindowTest : public QObject {
    Q_OBJECT

    // The example chain in a new chain window, through the Edit commands.
    CJTAGView* BuildExample(MainWindow& mw, FixedDialogs& dialogs)
    {
        CJTAGView* view = mw.NewChain();
        if (!view)
            return nullptr;
        view->SetDialogs(&dialogs);
        view->Select(0);
        view->Action(QStringLiteral("chainInsertZel"))->trigger();
        dialogs.ir = 8;
        view->Action(QStringLiteral("chainInsertForeign"))->trigger();
        dialogs.type = "ZelC";
        view->Action(QStringLiteral("chainInsertZel"))->trigger();
        return view;
    }

private slots:
    void newOffersTheChainBesideTheSchematics()
    {
        const QStringList kinds = NewDocumentKinds();
        QCOMPARE(kinds.size(), 6);
        QCOMPARE(kinds.first(), QStringLiteral("ZelA Schematic"));
        QCOMPARE(kinds.last(), QStringLiteral("Kalidor JTAG Chain"));
        CInsertZelDeviceDlg zel(QStringLiteral("Device0"), QStringLiteral("ZelC"));
        QCOMPARE(zel.windowTitle(), QStringLiteral("Insert Zel Device"));
        QCOMPARE(zel.DeviceType(), QStringLiteral("ZelC"));
        QCOMPARE(zel.Name(), QStringLiteral("Device0"));
        CInsertForeignDeviceDlg foreign(QStringLiteral("Foreign_Device0"), 8);
        QCOMPARE(foreign.windowTitle(), QStringLiteral("Insert Foreign Device"));
        QCOMPARE(foreign.IrLength(), 8);
        QStringList labels;
        for (QLabel* l : foreign.findChildren<QLabel*>())
            labels << l->text();
        QVERIFY(labels.contains(QStringLiteral("&Title:")));
        QVERIFY(labels.contains(QStringLiteral("&IR Length:")));
        QVERIFY(labels.contains(QStringLiteral("bits")));
    }

    void chainWindowShowsTheSumsAndItsEditMenu()
    {
        Environment env;
        MainWindow mw;
        FixedDialogs dialogs;
        CJTAGView* view = BuildExample(mw, dialogs);
        QVERIFY(view);
        QCOMPARE(mw.ActiveChainView(), view);
        QCOMPARE(Boxes(view), 5);
        // Device, type, IR length, HIR, TIR, HDR, TDR.
        QCOMPARE(Lines(view, 1), (QStringList{"Device0", "ZelA", "IR length 5", "HIR 14   TIR 0", "HDR 2   TDR 0"}));
        QCOMPARE(Lines(view, 2)[1], QStringLiteral("Foreign Device"));
        QCOMPARE(Lines(view, 2)[3], QStringLiteral("HIR 6   TIR 5"));
        QCOMPARE(Lines(view, 3)[3], QStringLiteral("HIR 0   TIR 13"));
        QCOMPARE(Lines(view, 0), QStringList{"[Chain TDI]"});
        QVERIFY(mw.windowTitle().contains(QStringLiteral("JTAGCHN1 - JTAG Chain *")));

        // The Edit menu carries the chain's commands while its window is current.
        QMenu* edit = TopMenu(mw, QStringLiteral("&Edit"));
        const QStringList names = ActionNames(edit);
        for (const char* n : {"chainInsertZel", "chainInsertForeign", "chainProperties", "chainOpenSchematic",
                              "chainRename", "chainDelete", "chainCut", "chainCopy", "chainPaste", "chainUndo"})
            QVERIFY2(names.contains(QLatin1String(n)), n);
        QCOMPARE(view->Action(QStringLiteral("chainInsertForeign"))->text(), QStringLiteral("Insert &Foreign Device..."));
        QCOMPARE(view->Action(QStringLiteral("chainRename"))->text(), QStringLiteral("&Rename Device..."));
        QCOMPARE(view->Action(QStringLiteral("chainUndo"))->text(), QStringLiteral("&Undo Insert Zel Device"));

        // Delete the foreign device, undo it; copy of a foreign device is refused.
        view->Select(2);
        view->Action(QStringLiteral("chainCopy"))->trigger();
        QCOMPARE(env.MessageTexts().last(), QString::fromLatin1(kMsgNotZelCopy));
        view->Action(QStringLiteral("chainDelete"))->trigger();
        QCOMPARE(Boxes(view), 4);
        QCOMPARE(Lines(view, 1)[3], QStringLiteral("HIR 6   TIR 0"));
        view->Action(QStringLiteral("chainUndo"))->trigger();
        QCOMPARE(Boxes(view), 5);
        QCOMPARE(Lines(view, 1)[3], QStringLiteral("HIR 14   TIR 0"));
        // Copy and paste a Zel device: it comes back with a name of its own.
        view->Select(1);
        view->Action(QStringLiteral("chainCopy"))->trigger();
        view->Action(QStringLiteral("chainPaste"))->trigger();
        QCOMPARE(Boxes(view), 6);
        QCOMPARE(Lines(view, 2)[0], QStringLiteral("1-Device0"));
        // Rename.
        dialogs.rename = "Input";
        view->Select(2);
        view->Action(QStringLiteral("chainRename"))->trigger();
        QCOMPARE(Lines(view, 2)[0], QStringLiteral("Input"));
    }

    void theDrawnChainIsWorkedWithTheMouseAndTheKeyboard()
    {
        Environment env;
        MainWindow mw;
        FixedDialogs dialogs;
        CJTAGView* view = BuildExample(mw, dialogs);
        QVERIFY(view);
        CChainDiagramWidget* d = view->Diagram();
        d->resize(900, 300);
        QCOMPARE(d->Diagram().Rows(), 1);

        // A click selects the box under the pointer, and the Edit commands act on it.
        QTest::mouseClick(d, Qt::LeftButton, {}, Centre(view, 2));
        QCOMPARE(view->Selected(), 2);
        QVERIFY(view->Action(QStringLiteral("chainDelete"))->isEnabled());
        view->Action(QStringLiteral("chainDelete"))->trigger();
        QCOMPARE(Boxes(view), 4);
        QCOMPARE(Lines(view, 2)[0], QStringLiteral("Device1"));
        QCOMPARE(view->Selected(), 2);
        // A click beside the boxes keeps the selection; a terminal has no device commands.
        QTest::mouseClick(d, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(view->Selected(), 2);
        QTest::mouseClick(d, Qt::LeftButton, {}, Centre(view, 0));
        QCOMPARE(view->Selected(), 0);
        QVERIFY(!view->Action(QStringLiteral("chainDelete"))->isEnabled());
        QVERIFY(!view->Action(QStringLiteral("chainProperties"))->isEnabled());
        // A right click selects too, so that the context menu acts on that box.
        QTest::mouseClick(d, Qt::RightButton, {}, Centre(view, 1));
        QCOMPARE(view->Selected(), 1);
        QCOMPARE(d->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(d->actions().contains(view->Action(QStringLiteral("chainRename"))));

        // The keys move along the chain.
        QTest::keyClick(d, Qt::Key_Home);
        QCOMPARE(view->Selected(), 0);
        QTest::keyClick(d, Qt::Key_Right);
        QCOMPARE(view->Selected(), 1);
        QTest::keyClick(d, Qt::Key_End);
        QCOMPARE(view->Selected(), 3);
        QTest::keyClick(d, Qt::Key_Left);
        QCOMPARE(view->Selected(), 2);
        // Insert goes after the selected box.
        view->Action(QStringLiteral("chainInsertForeign"))->trigger();
        QCOMPARE(view->Selected(), 3);
        QCOMPARE(Lines(view, 3)[1], QStringLiteral("Foreign Device"));

        // A narrow window wraps the chain into rows; clicks and Up/Down follow the drawing.
        d->resize(260, 900);
        QVERIFY(d->Diagram().Rows() > 1);
        QTest::mouseClick(d, Qt::LeftButton, {}, Centre(view, 1));
        QCOMPARE(view->Selected(), 1);
        QTest::keyClick(d, Qt::Key_Down);
        QCOMPARE(d->Diagram().Box(view->Selected()).row, d->Diagram().Box(1).row + 1);
        QTest::keyClick(d, Qt::Key_Up);
        QCOMPARE(view->Selected(), 1);

        // The selection is drawn: the selected box is filled darker than the others.
        view->Select(1);
        const QImage before = d->grab().toImage();
        view->Select(2);
        const QImage after = d->grab().toImage();
        QCOMPARE(before.size(), d->size());
        const ChainBox& b1 = d->Diagram().Box(1);
        const QPoint inside(int(b1.left + 3 * d->Diagram().Scale() + 2), int(b1.Bottom() - 4));
        QVERIFY(before.pixel(inside) != after.pixel(inside));

        // Enter on a device opens its schematic.
        QTest::keyClick(d, Qt::Key_Return);
        SchDocument* doc = mw.ActiveDocument();
        QVERIFY(doc);
        QVERIFY(doc->Doc().IsEmbedded());
        QCOMPARE(doc->Title(), QStringLiteral("Device1 (Embedded) - ZelC"));
    }

    void embeddedSchematicsAreProgrammedThroughTheChain()
    {
        Environment env;
        QTemporaryDir dir;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
        ChainMainWindow mw;
        mw.Jtag()->Start(&env.settings, dir.path().toStdString());
        FixedDialogs dialogs;
        CJTAGView* view = BuildExample(mw, dialogs);
        QVERIFY(view);

        // Double-click opens the embedded schematic.
        QTest::mouseDClick(view->Diagram(), Qt::LeftButton, {}, Centre(view, 3));
        SchDocument* c = mw.ActiveDocument();
        QVERIFY(c);
        QVERIFY(c->Doc().IsEmbedded());
        QCOMPARE(c->Title(), QStringLiteral("Device1 (Embedded) - ZelC"));
        QCOMPARE(Lines(view, 3).last(), QStringLiteral("schematic open"));
        QCOMPARE(c->Doc().JtagDevice()->GetInterpreter(), mw.Jtag()->Interface().Interpreter());
        c->Doc().SetSymValue(4, 2);
        QCOMPARE(c->Doc().Download(), kJtagDone);
        QCOMPARE(c->Doc().Verify(), kJtagVerifyEqual);

        // The chain cannot close while its schematic is open.
        QMdiSubWindow* chainFrame = nullptr;
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
            if (w->widget() == view)
                chainFrame = w;
        QVERIFY(chainFrame);
        chainFrame->close();
        QCOMPARE(env.MessageTexts().last(), QString::fromLatin1(kMsgChainCloseRefused));
        QVERIFY(mw.ChainViewOf(&view->Chain()));

        // Save writes into the chain; closing the schematic frees the element.
        const std::string before = view->Chain().GetElement(3)->GetDesign();
        QVERIFY(mw.SaveDocument(c));
        QVERIFY(view->Chain().GetElement(3)->GetDesign() != before);

        // Save As writes a design file of its own; the schematic stays in the chain, unsaved there.
        const std::string saved = view->Chain().GetElement(3)->GetDesign();
        mw.ShowDocument(c);
        QCOMPARE(mw.ActiveDocument(), c);
        QVERIFY(mw.Action(QStringLiteral("actionSaveAs"))->isEnabled());
        c->Doc().SetSymValue(4, 3);
        mw.designPath = dir.filePath(QStringLiteral("member.ZEL"));
        mw.Action(QStringLiteral("actionSaveAs"))->trigger();
        QVERIFY(QFileInfo::exists(mw.designPath));
        QVERIFY(c->Doc().IsEmbedded());
        QVERIFY(c->Doc().IsModified());
        QCOMPARE(c->Title(), QStringLiteral("Device1 (Embedded) - ZelC *"));
        QCOMPARE(view->Chain().GetElement(3)->GetDesign(), saved);
        QVERIFY(mw.statusBar()->currentMessage().contains(QStringLiteral("member.ZEL")));
        CSchDoc copy;
        QVERIFY(copy.OnOpenDocument(mw.designPath.toStdString()));
        QCOMPARE(copy.GetSymValue(4), 3);
        c->Doc().SetSymValue(4, 2);
        QVERIFY(mw.SaveDocument(c));
        QCOMPARE(view->Chain().GetElement(3)->GetDesign(), saved);
        QVERIFY(mw.CloseDocument(c));
        QCOMPARE(Lines(view, 3).last(), QStringLiteral("design changed"));

        // Save the chain and close it.
        mw.savePath = dir.filePath(QStringLiteral("example.ZJC"));
        mw.Mdi()->setActiveSubWindow(chainFrame);
        mw.Action(QStringLiteral("actionSave"))->trigger();
        QVERIFY(QFileInfo::exists(mw.savePath));
        QVERIFY(!view->Chain().IsModified());
        chainFrame->close();
        QTRY_VERIFY(mw.Application().Chains().empty());

        // Reopened from the file, the ZelC member still equals its device.
        mw.OpenFile(mw.savePath);
        QCOMPARE(mw.Application().Chains().size(), std::size_t(1));
        CJTAGView* again = mw.ActiveChainView();
        QVERIFY(again);
        SchDocument* reopened = mw.OpenEmbeddedSchematic(again->Chain(), 3);
        QVERIFY(reopened);
        QCOMPARE(reopened->Doc().Verify(), kJtagVerifyEqual);
    }

    void scanChainFillsANewChain()
    {
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        CJTAGView* view = mw.NewChain();
        QVERIFY(view->Action(QStringLiteral("chainScan"))->isEnabled());
        QVERIFY(view->ScanChain());
        QCOMPARE(Boxes(view), 5);
        QCOMPARE(Lines(view, 1)[1], QStringLiteral("ZelA"));
        QCOMPARE(Lines(view, 2)[2], QStringLiteral("IR length 8"));
        QCOMPARE(Lines(view, 3)[1], QStringLiteral("ZelC"));
        QCOMPARE(Lines(view, 3)[3], QStringLiteral("HIR 0   TIR 13"));
        QVERIFY(!view->Action(QStringLiteral("chainScan"))->isEnabled());
    }

    // The picture of the chain window for the README (only with KALIDOR_SCREENSHOT_DIR).
    void screenshot()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        mw.resize(1100, 760);
        mw.move(20, 20);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        FixedDialogs dialogs;
        CJTAGView* view = BuildExample(mw, dialogs);
        QVERIFY(view);
        mw.OpenEmbeddedSchematic(view->Chain(), 1);
        const QList<QMdiSubWindow*> frames = mw.Mdi()->subWindowList();
        for (QMdiSubWindow* w : frames)
            w->showNormal();
        frames[0]->setGeometry(0, 0, 1080, 300);
        frames[1]->setGeometry(250, 306, 830, 370);
        mw.Mdi()->setActiveSubWindow(frames[0]);
        view->Select(1);
        QTest::qWait(300);
        QVERIFY(mw.grab().save(QDir(outDir).filePath(QStringLiteral("jtag-chain.png"))));
    }
};

static RegisterTest registerChainWindow("ChainWindowTest", [] { return std::make_unique<ChainWindowTest>(); });

}  // namespace kalidor::test

#include "ChainWindowTest.moc"
