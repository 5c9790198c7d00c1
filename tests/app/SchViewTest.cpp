// The schematic view: zoom select and its 10-pixel rule, the position text, highlighting,
// double clicks, the development key sequence, drawing time and printing.
#include <QElapsedTimer>
#include <QPrinter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QPainter>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "device/DeviceConfig.h"
#include "device/Interconnect.h"
#include "device/SymbolDifferences.h"
#include "device/SymbolInfo.h"
#include "device/ui/ValueDialogs.h"
#include "document/ui/SchDocument.h"
#include "view/DeviceSchematic.h"
#include "view/ui/SchView.h"

namespace kalidor::test {

class SchViewTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;
    std::unique_ptr<SchDocument> doc;
    std::unique_ptr<CSchView> view;

    // A view whose viewport is exactly 600 x 400 pixels showing x -2000..-1400, y -1000..-600:
    // one logical unit per pixel.
    void MakeView(const char* type = "ZelA")
    {
        doc = std::make_unique<SchDocument>();
        QVERIFY(doc->NewDocument(type, 1));
        view = std::make_unique<CSchView>(doc.get());
        view->setFrameShape(QFrame::NoFrame);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view->resize(600, 400);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QCOMPARE(view->viewport()->size(), QSize(600, 400));
        view->Zoom().SetWorld({-2000, -1000, -1400, -600});
        QCOMPARE(view->Mapping().scale, 1.0);
    }
    QWidget* vp() { return view->viewport(); }

private slots:
    void init() { env = new Environment; }
    void cleanup()
    {
        view.reset();
        doc.reset();
        delete env;
        env = nullptr;
    }

    void positionTextOfNegativeX()
    {
        MakeView();
        QSignalSpy spy(view.get(), &CSchView::statusMessage);
        view->SetShowPosition(true);
        Move(vp(), QPoint(500, 200));
        QCOMPARE(view->PositionStatusText(), QStringLiteral("X=-1.500  Y=-0.800"));
        QVERIFY(!spy.isEmpty());
        QCOMPARE(spy.last().at(0).toString(), QStringLiteral("X=-1.500  Y=-0.800"));
        // With the option off, moves leave the status bar alone.
        view->SetShowPosition(false);
        spy.clear();
        Move(vp(), QPoint(10, 10));
        QVERIFY(spy.isEmpty());
    }

    void pressAndReleaseWithoutRealMoveDoesNotZoom()
    {
        MakeView();
        const ViewRect before = view->Zoom().Visible();
        Press(vp(), QPoint(100, 100));
        MoveDown(vp(), QPoint(105, 160));  // far in y, not in x
        QCOMPARE(int(view->Mode()), int(CToolSet::kIdle));
        Release(vp(), QPoint(105, 160));
        QCOMPARE(view->Zoom().Visible(), before);
        QVERIFY(!view->Zoom().HasPrevious());

        // The Zoom In Select command needs the same real drag.
        view->ZoomInSelect();
        QCOMPARE(int(view->Mode()), int(CToolSet::kZoomSelect));
        Press(vp(), QPoint(100, 100));
        Release(vp(), QPoint(108, 109));
        QCOMPARE(view->Zoom().Visible(), before);
        QCOMPARE(int(view->Mode()), int(CToolSet::kIdle));
    }

    void dragZoomsAndZoomPreviousReturns()
    {
        MakeView();
        const ViewRect before = view->Zoom().Visible();
        Press(vp(), QPoint(100, 100));
        MoveDown(vp(), QPoint(150, 140));
        QCOMPARE(int(view->Mode()), int(CToolSet::kZoomSelect));
        MoveDown(vp(), QPoint(300, 200));
        Release(vp(), QPoint(300, 200));
        QCOMPARE(int(view->Mode()), int(CToolSet::kIdle));
        QCOMPARE(view->Zoom().Visible(), (ViewRect{-1900, -800, -1700, -700}));
        view->ZoomPrevious();
        QCOMPARE(view->Zoom().Visible(), before);
        view->ZoomAll();
        QCOMPARE(view->Zoom().Visible(), view->Zoom().World());
    }

    void wheelZoomsAboutThePointer()
    {
        MakeView();
        const QPoint at(150, 100);  // x -1850, y -700
        QWheelEvent e(QPointF(at), vp()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp(), &e);
        QVERIFY(view->Zoom().Visible().Width() < 600);
        const LogPoint p = view->ToLogical(at);
        QVERIFY(std::abs(p.x + 1850) <= 1);
        QVERIFY(std::abs(p.y + 700) <= 1);
    }

    void highlightFollowsTheMouseAndDoubleClickOpensTheEditor()
    {
        MakeView();
        CDeviceSchematic* s = doc->Doc().Schematic();
        QVERIFY(s->GetSymbol(4));
        // Give gain symbol 4 a hit rectangle around logical (-1700, -800) = device (300, 200).
        s->SetHitTestRect(4, LogRect{-1750, -750, -1650, -850});
        Move(vp(), QPoint(300, 200));
        QCOMPARE(view->HighlightedKey(), 4);
        QCOMPARE(int(view->Mode()), int(CToolSet::kOverSymbol));
        Move(vp(), QPoint(20, 20));
        QCOMPARE(view->HighlightedKey(), -1);
        QCOMPARE(int(view->Mode()), int(CToolSet::kIdle));

        bool seen = false;
        OnNextModal([](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            QVERIFY(d);
            d->List()->setCurrentItem(d->List()->topLevelItem(19));  // +10
            d->accept();
        }, 5000, &seen);
        DoubleClick(vp(), QPoint(300, 200));
        QVERIFY(seen);
        QCOMPARE(GetGainValue(*doc->Doc().Device(), 4), 10);
        QVERIFY(doc->Doc().IsModified());
    }

    void switchDragSetsTheContactUnderThePointer()
    {
        doc = std::make_unique<SchDocument>();
        QVERIFY(doc->NewDocument("ZelA", 1));
        view = std::make_unique<CSchView>(doc.get());
        view->resize(1400, 1000);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        CDeviceSchematic* s = doc->Doc().Schematic();
        DeviceConfig* dev = doc->Doc().Device();
        // A selector switch whose symbol draws it, with a contact other than the current one.
        CInterconnect* sw = nullptr;
        for (const auto& candidate : s->Switches())
            if (candidate->GetSwitchType() == kSwitchSelector && candidate->GetContactCount() >= 3 &&
                s->GetSymbol(candidate->GetSymKey()) &&
                s->GetSymbol(candidate->GetSymKey())->GetSwitch() == candidate.get()) {
                sw = candidate.get();
                break;
            }
        if (!sw)
            QSKIP("the ZelA schematic has no selector switches yet");
        const int key = sw->GetSymKey();
        const int current = dev->GetSymValue(key);
        SwitchContact other, same;
        bool haveOther = false, haveSame = false;
        for (int i = 0; i < sw->GetContactCount(); ++i) {
            const SwitchContact c = sw->GetContact(i);
            if (c.SymbolValue != current && !haveOther) {
                other = c;
                haveOther = true;
            }
            if (c.SymbolValue == current && !haveSame) {
                same = c;
                haveSame = true;
            }
        }
        QVERIFY(haveOther);
        view->ZoomTo(ViewRect{double(sw->GetSource().x - 700), double(sw->GetSource().y - 500),
                              double(sw->GetSource().x + 700), double(sw->GetSource().y + 500)});
        const QPoint src = view->ToDevice(sw->GetSource().x, sw->GetSource().y).toPoint();
        const QPoint dst = view->ToDevice(other.TargetXY.x, other.TargetXY.y).toPoint();
        Move(vp(), src);
        QCOMPARE(int(view->Mode()), int(CToolSet::kOverSwitch));
        Press(vp(), src);
        QCOMPARE(int(view->Mode()), int(CToolSet::kDragContact));
        MoveDown(vp(), (src + dst) / 2);
        MoveDown(vp(), dst);
        const std::string before = SymbolValueText(*dev, key);
        QSignalSpy status(view.get(), &CSchView::statusMessage);
        Release(vp(), dst);
        QCOMPARE(int(view->Mode()), int(CToolSet::kIdle));
        QCOMPARE(dev->GetSymValue(key), other.SymbolValue);
        QVERIFY(doc->Doc().IsModified());
        // The status bar says what the switch connects now, and the switch is marked for a moment.
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(),
                 QStringLiteral("%1: %2 -> %3 (Edit > Undo puts it back)")
                     .arg(QString::fromStdString(FindSymbolInfo("ZelA", key)->fullName), QString::fromStdString(before),
                          QString::fromStdString(SymbolValueText(*dev, key))));
        QVERIFY(QString::fromStdString(before) != QString::fromStdString(SymbolValueText(*dev, key)));
        QCOMPARE(view->ReroutedKey(), key);
        QTRY_COMPARE_WITH_TIMEOUT(view->ReroutedKey(), -1, CSchView::kRerouteMarkMs + 2000);
        status.clear();
        doc->UndoStack()->undo();
        dev = doc->Doc().Device();
        QCOMPARE(dev->GetSymValue(key), current);
        QVERIFY(!doc->Doc().IsModified());

        // Released on the contact that is already selected: nothing changes.
        if (haveSame) {
            CInterconnect* again = dynamic_cast<CInterconnect*>(doc->Doc().Schematic()->GetSymbol(key)->GetSwitch());
            QVERIFY(again);
            const QPoint back = view->ToDevice(same.TargetXY.x, same.TargetXY.y).toPoint();
            Press(vp(), src);
            MoveDown(vp(), back);
            Release(vp(), back);
            QCOMPARE(doc->Doc().Device()->GetSymValue(key), current);
            QVERIFY(!doc->Doc().IsModified());
            QCOMPARE(status.count(), 0);
            QCOMPARE(view->ReroutedKey(), -1);
        }
    }

    void doubleClickOnEmptySpaceDoesNothing()
    {
        MakeView();
        bool seen = false;
        OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); }, 300, &seen);
        DoubleClick(vp(), QPoint(50, 350));
        QTest::qWait(400);
        QVERIFY(!seen);
        QVERIFY(!doc->Doc().IsModified());
        QCOMPARE(doc->UndoStack()->count(), 0);
    }

    void typedSequenceOpensTheDevelopmentMenu()
    {
        MakeView();
        QSignalSpy spy(view.get(), &CSchView::developmentMenuRequested);
        QTest::keyClicks(view.get(), "zelxdev");
        QCOMPARE(spy.count(), 0);
        QTest::keyClicks(view.get(), "ZELDEV");  // compared in lower case
        QCOMPARE(spy.count(), 1);
        QTest::keyClicks(view.get(), "zel");
        QTest::keyClick(view.get(), Qt::Key_Escape);  // Esc clears what was typed
        QTest::keyClicks(view.get(), "dev");
        QCOMPARE(spy.count(), 1);
    }

    void hitAreaOptionAndRedrawTime()
    {
        MakeView("ZelA");
        view->SetShowHitArea(true);
        QVERIFY(view->ShowHitArea());
        view->ZoomAll();
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            view->viewport()->repaint();
            best = std::min(best, view->LastPaintMilliseconds());
        }
        QVERIFY2(best < 10.0, qPrintable(QStringLiteral("redraw took %1 ms").arg(best)));
    }

    // A stream of changes (a macro setting values one by one) repaints the view about once a
    // frame, not once a change; a change after a quiet frame is drawn at once; the last change of
    // a stream is always drawn.
    void aStreamOfChangesRepaintsOnceAFrame()
    {
        MakeView("ZelA");
        // Counts the paints and remembers which change the last one showed.
        struct PaintCounter : QObject {
            int paints = 0;
            int change = 0;
            int drawnChange = -1;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint) {
                    ++paints;
                    drawnChange = change;
                }
                return false;
            }
        } counter;
        vp()->installEventFilter(&counter);
        QTest::qWait(3 * CSchView::kDocumentFrameMs);
        // One change after a quiet frame: drawn in the next pass of the event loop.
        counter.paints = 0;
        counter.change = 1;
        doc->Doc().SetSymValue(6, 5);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        QCOMPARE(counter.drawnChange, 1);
        QVERIFY(!view->RepaintPending());
        // 200 changes, the event loop running between them as it does between bus calls.
        counter.paints = 0;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 200; ++i) {
            counter.change = 2 + i;
            doc->Doc().SetSymValue(6, i & 63);
            QCoreApplication::processEvents();
        }
        const qint64 ms = t.elapsed();
        QVERIFY2(counter.paints <= ms / CSchView::kDocumentFrameMs + 2,
                 qPrintable(QStringLiteral("%1 paints in %2 ms").arg(counter.paints).arg(ms)));
        // The last change is drawn within a frame.
        QTRY_COMPARE_WITH_TIMEOUT(counter.drawnChange, 201, 1000);
        QVERIFY(!view->RepaintPending());
        vp()->removeEventFilter(&counter);
    }

    void printsWithTitleBlock()
    {
        MakeView("ZelB");
        QTemporaryDir dir;
        const QString design = dir.filePath("Printed.ZEL");
        QVERIFY(doc->Save(design));
        const QStringList lines = view->TitleBlockLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], design);
        QVERIFY(QRegularExpression("^(January|February|March|April|May|June|July|August|September|October|"
                                   "November|December) \\d\\d, \\d{4}$")
                    .match(lines[1])
                    .hasMatch());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("out.pdf"));
        view->Print(&printer);
        QFile pdf(dir.filePath("out.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().startsWith("%PDF"));

        // The symbol under the mouse is not highlighted on paper (its box would print light
        // grey): the page is the same with and without a highlight, which the screen keeps.
        auto printed = [this] {
            QImage page(1100, 850, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter p(&page);
            view->DrawPage(p, QRectF(0, 0, 1100, 850), 100);
            return page;
        };
        doc->Doc().Schematic()->SetHighlighted(-1);
        const QImage plain = printed();
        doc->Doc().Schematic()->SetHighlighted(4);
        QVERIFY(printed() == plain);
        QCOMPARE(view->HighlightedKey(), 4);
    }
};

static RegisterTest registerView("SchViewTest", [] { return std::make_unique<SchViewTest>(); });

}  // namespace kalidor::test

#include "SchViewTest.moc"
