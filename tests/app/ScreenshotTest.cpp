// Screenshots of real windows for the documentation. Runs only when KALIDOR_SCREENSHOT_DIR names
// the folder to write to (under a real X server, e.g. xvfb-run with QT_QPA_PLATFORM=xcb).
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QPainter>
#include <QMdiSubWindow>
#include <QScreen>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/ui/SymbolEditor.h"
#include "document/ui/SchDocument.h"
#include "view/ui/SchView.h"

namespace kalidor::test {

class ScreenshotTest : public QObject {
    Q_OBJECT
    QString outDir;

    void Shoot(QWidget* frame, const QString& name)
    {
        QTest::qWait(300);
        QScreen* screen = QGuiApplication::primaryScreen();
        QPixmap shot = screen->grabWindow(0);
        // Crop to the main window's frame.
        const QRect r = frame->frameGeometry().intersected(shot.rect());
        shot.copy(r).save(QDir(outDir).filePath(name));
    }

private slots:
    void initTestCase()
    {
        outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        QDir().mkpath(outDir);
    }

    void mainWindowAndEditors()
    {
        Environment env;
        MainWindow mw;
        mw.resize(1200, 820);
        mw.move(20, 20);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        const QString examples = QStringLiteral(KALIDOR_SOURCE_DIR) + "/support/examples/";
        SchDocument* a = mw.OpenFile(examples + "ZelA_GainStage.ZEL");
        QVERIFY(a);
        mw.activateWindow();
        Shoot(&mw, "main-window-zela.png");

        OnNextModal([&](QWidget* w) {
            Shoot(&mw, "editor-capacitor.png");
            static_cast<QDialog*>(w)->reject();
        });
        EditSymbolValue(mw.ActiveSchView(), *a, 6);

        SchDocument* b = mw.OpenFile(examples + "ZelB_Comparator.ZEL");
        QVERIFY(b);
        OnNextModal([&](QWidget* w) {
            Shoot(&mw, "editor-dac-port.png");
            static_cast<QDialog*>(w)->reject();
        });
        EditSymbolValue(mw.ActiveSchView(), *b, 35);
        OnNextModal([&](QWidget* w) {
            Shoot(&mw, "editor-dac-list.png");
            static_cast<QDialog*>(w)->reject();
        });
        EditSymbolValue(mw.ActiveSchView(), *b, 39);

        // The printed page, drawn at 100 pixels per inch on a letter-size landscape sheet.
        QImage page(1100, 850, QImage::Format_RGB32);
        page.fill(Qt::lightGray);
        {
            QPainter p(&page);
            mw.SchViewOf(a)->DrawPage(p, QRectF(25, 25, 1050, 800), 100);
        }
        page.save(QDir(outDir).filePath("printed-page-zela.png"));

        mw.OpenE2CellView(b);
        mw.Mdi()->tileSubWindows();
        Shoot(&mw, "main-window-e2-cells.png");
    }

    // Every device type, a new design and the shipped example, in the main window at Zoom All
    // and zoomed in on the input selectors, and the printed page of each example (black on
    // white).
    void schematics()
    {
        Environment env;
        MainWindow mw;
        mw.resize(1200, 820);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        const QString examples = QStringLiteral(KALIDOR_SOURCE_DIR) + "/support/examples/";
        const std::pair<const char*, const char*> designs[] = {{"ZelA", "ZelA_GainStage.ZEL"},
                                                               {"ZelB", "ZelB_Comparator.ZEL"},
                                                               {"ZelC", "ZelC_Mdac.ZEL"},
                                                               {"ZelD", "Lowpass.ZEL"},
                                                               {"ZelE", "ZelE_Lowpass.ZEL"}};
        for (const auto& [type, example] : designs) {
            for (const bool isExample : {false, true}) {
                SchDocument* doc = isExample ? mw.OpenFile(examples + QLatin1String(example))
                                             : mw.NewDocument(QLatin1String(type));
                QVERIFY(doc);
                CSchView* view = mw.SchViewOf(doc);
                QVERIFY(view);
                for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
                    if (w->widget() == static_cast<QWidget*>(view)) {
                        mw.Mdi()->setActiveSubWindow(w);
                        w->showMaximized();
                    }
                QTest::qWait(50);
                view->ZoomAll();
                const QString base = QStringLiteral("schematic-%1-%2").arg(QLatin1String(type),
                                                                            isExample ? "example" : "new");
                QVERIFY(mw.grab().save(QDir(outDir).filePath(base + ".png")));
                // The upper left part of the drawing: the input buses and selectors.
                const ViewRect all = view->Zoom().World();
                view->ZoomTo({all.left, all.top - all.Height() * 0.45, all.left + all.Width() * 0.45, all.top});
                QVERIFY(mw.grab().save(QDir(outDir).filePath(base + "-zoomed.png")));
                if (!isExample) {
                    mw.CloseDocument(doc);
                    continue;
                }
                QImage page(1100, 850, QImage::Format_RGB32);
                page.fill(Qt::lightGray);
                {
                    QPainter p(&page);
                    view->DrawPage(p, QRectF(25, 25, 1050, 800), 100);
                }
                QVERIFY(page.save(QDir(outDir).filePath(base + "-print.png")));
                mw.CloseDocument(doc);
            }
        }
    }
};

static RegisterTest registerShots("ScreenshotTest", [] { return std::make_unique<ScreenshotTest>(); });

}  // namespace kalidor::test

#include "ScreenshotTest.moc"
