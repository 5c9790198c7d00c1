// Screenshots of real windows for the documentation. Runs only when KALIDOR_SCREENSHOT_DIR names
// the folder to write to (under a real X server, e.g. xvfb-run with QT_QPA_PLATFORM=xcb).
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QPainter>
#include <QMdiSubWindow>
#include <QScreen>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "device/ui/SymbolEditor.h"
#include "device/ui/ValueDialogs.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/ui/JtagDialogs.h"
#include "jtag/ui/JtagUi.h"
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

    // Programming on the virtual cable: the details of a failed verification, the report of an
    // upload, the interface dialog with a cable that could not be opened; and the value choosers:
    // the gain chooser titled by its symbol, the capacitor chooser with a typed pole frequency.
    void programmingAndChoosers()
    {
        Environment env;
        QTemporaryDir state;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA");
        MainWindow mw;
        mw.resize(1200, 820);
        mw.move(20, 20);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        mw.Jtag()->Start(&env.settings, state.path().toStdString());
        const QString examples = QStringLiteral(KALIDOR_SOURCE_DIR) + "/support/examples/";
        SchDocument* a = mw.OpenFile(examples + "ZelA_GainStage.ZEL");
        QVERIFY(a);
        mw.activateWindow();
        QCOMPARE(mw.Jtag()->Download(a), kJtagDone);

        // Two settings changed after the download.
        a->Change(QStringLiteral("edit"), [&] {
            a->Doc().SetGainValue(4, -5);
            a->Doc().SetCapValue(6, 47e-12);
            return true;
        });
        bool seen = false;
        OnNextModal(
            [&](QWidget* w) {
                QVERIFY(qobject_cast<CVerifyFailedDialog*>(w));
                Shoot(&mw, "jtag-verify-details.png");
                static_cast<QDialog*>(w)->accept();
            },
            5000, &seen);
        QCOMPARE(mw.Jtag()->Verify(a), kJtagVerifyDiffers);
        QVERIFY(seen);

        // Upload into a new design: the report, shown as the desktop shows it.
        SchDocument* fresh = mw.NewDocument(QStringLiteral("ZelA"));
        env.prompter.Clear();
        QCOMPARE(mw.Jtag()->Upload(fresh), kJtagDone);
        QCOMPARE(env.prompter.messages.size(), std::size_t(1));
        {
            QMessageBox box(QMessageBox::Information, QStringLiteral("Kalidor"),
                            QString::fromStdString(env.prompter.messages[0].text), QMessageBox::Ok, &mw);
            OnNextModal([&](QWidget* w) {
                Shoot(&mw, "jtag-upload-report.png");
                static_cast<QDialog*>(w)->accept();
            });
            box.exec();
        }

        // The choosers.
        OnNextModal([&](QWidget* w) {
            Shoot(&mw, "editor-gain.png");
            static_cast<QDialog*>(w)->reject();
        });
        EditSymbolValue(mw.ActiveSchView(), *fresh, 4);
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            QVERIFY(d && d->TypedEntry());
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("12.5 kHz"));
            Shoot(&mw, "editor-capacitor-typed.png");
            d->reject();
        });
        EditSymbolValue(mw.ActiveSchView(), *fresh, 6);

        // A parallel-port driver without its device: the dialog says so, and why.
        CJtagInterfaceSettings c = mw.Jtag()->Interface().Running();
        c.tapPortClass = kTapPortPpdev;
        c.ppdevDevice = "/dev/parport0";
        mw.Jtag()->Interface().SelectPort(env.settings, c);
        OnNextModal([&](QWidget* w) {
            Shoot(&mw, "jtag-interface-not-open.png");
            static_cast<QDialog*>(w)->reject();
        });
        mw.Jtag()->ShowInterface();
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
