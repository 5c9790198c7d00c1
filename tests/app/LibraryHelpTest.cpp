// The library browser (File > Browse Library), the help window with Help Topics and F1, the
// manual's pages and pictures, and the About box.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/BuildInfo.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "app/QtPrompter.h"
#include "document/LibraryReader.h"
#include "document/SchDoc.h"
#include "document/ui/LibraryBrowserDlg.h"
#include "document/ui/SchDocument.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "sim/ui/PlotWindow.h"
#include "utilities/FilterEntry.h"

namespace kalidor::test {

namespace {

// A design of `type` with a title, as the program saves it; ZelD/ZelE ones with both filter
// configurations.
std::string DesignText(const std::string& type, const std::string& title)
{
    CSchDoc doc;
    doc.OnNewDocument(type);
    CSummaryInfo s;
    s.SetTitle(title);
    s.SetKeywords(type);
    s.SetComments("What it does.\r\nHow it was set.");
    doc.SetSummary(s);
    if (type == "ZelD" || type == "ZelE") {
        CFilterEntry e;
        e.ReadText(5, "7, 100000, -30, -100, 6, 1e-12, 0, 2e-12, 3e-12, 0, 4e-12, 5e-12");
        doc.ApplyFilterConfig(0, &e);
        doc.ApplyFilterConfig(1, &e);
    }
    return doc.WriteDesign();
}

void WriteText(const QString& path, const std::string& text)
{
    QVERIFY(WriteFileAtomically(path.toStdString(), text));
}

// Sends F1 to the widget that has the focus in `window`.
void PressF1(QWidget* window)
{
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key_F1);
}

}  // namespace

class LibraryHelpTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;

private slots:
    void init() { env = new Environment; }
    void cleanup()
    {
        delete env;
        SetProgramDirectory(KALIDOR_BIN_DIR);
    }

    void browserListsTheFolderAndShowsEachSummary()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/LIBRARY/";
        QDir().mkpath(folder);
        WriteText(folder + "A_gain.ZEL", DesignText("ZelA", "Gain stage"));
        WriteText(folder + "C_mdac.ZEL", DesignText("ZelC", "MDAC"));
        WriteText(folder + "D_filters.ZEL", DesignText("ZelD", "Two filters"));
        WriteText(folder + "E_junk.ZEL", "not a design at all");
        WriteText(folder + "readme.txt", "not listed");
        QStringList opened;
        bool openResult = false;
        CLibraryBrowserDlg dlg(nullptr, [&](const QString& p) { opened << p; return openResult; }, folder);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("ZEL Library Browser"));
        QCOMPARE(dlg.findChild<QLabel*>("directory")->text(), folder);
        QListWidget* list = dlg.FileList();
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(0)->text(), QStringLiteral("A_gain.ZEL"));
        // The first entry is selected and shown; the list has the focus.
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldTitle), QStringLiteral("Gain stage"));
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldKeywords), QStringLiteral("ZelA"));
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldComments), QStringLiteral("What it does.\nHow it was set."));
        QVERIFY(dlg.OpenButton()->isEnabled());
        QVERIFY(env->prompter.messages.empty());

        // ZelC: the security fuse is not the browser's element; the summary follows the message.
        list->setCurrentRow(1);
        QCOMPARE(env->MessageTexts().size(), 1);
        QVERIFY(env->MessageTexts()[0].endsWith("\n\n<SecurityFuse>0</SecurityFuse>"));
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldTitle), QStringLiteral("MDAC"));
        // ZelD: one message for each filter configuration.
        env->prompter.Clear();
        list->setCurrentRow(2);
        QCOMPARE(env->MessageTexts().size(), 2);
        QVERIFY(env->MessageTexts()[0].contains("\n\n<FilterCfgA>"));
        QVERIFY(env->MessageTexts()[1].contains("\n\n<FilterCfgB>"));
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldTitle), QStringLiteral("Two filters"));
        // Not a design: the error title, the other fields empty, and it can still be opened.
        env->prompter.Clear();
        list->setCurrentRow(3);
        QVERIFY(env->prompter.messages.empty());
        QCOMPARE(dlg.FieldText(CLibraryBrowserDlg::kFieldTitle), QStringLiteral("(error, data not available)"));
        for (auto f : {CLibraryBrowserDlg::kFieldSubject, CLibraryBrowserDlg::kFieldAuthor,
                       CLibraryBrowserDlg::kFieldKeywords, CLibraryBrowserDlg::kFieldComments})
            QVERIFY(dlg.FieldText(f).isEmpty());
        QVERIFY(dlg.OpenButton()->isEnabled());

        // A file gone since the list was filled: reported, and Open File is disabled.
        QFile::remove(folder + "A_gain.ZEL");
        list->setCurrentRow(0);
        QCOMPARE(env->MessageTexts().size(), 1);
        QVERIFY(env->MessageTexts()[0].startsWith("Cannot open " + folder + "A_gain.ZEL"));
        QVERIFY(!dlg.OpenButton()->isEnabled());
        QVERIFY(dlg.FieldText(CLibraryBrowserDlg::kFieldTitle).isEmpty());

        // Open File passes the whole path; the dialog stays when nothing was opened and closes
        // when a document results.
        list->setCurrentRow(2);
        dlg.show();
        QTest::mouseClick(dlg.OpenButton(), Qt::LeftButton);
        QCOMPARE(opened, QStringList{folder + "D_filters.ZEL"});
        QVERIFY(dlg.isVisible());
        openResult = true;
        QTest::mouseClick(dlg.OpenButton(), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void browserOfAMissingOrEmptyLibraryIsEmpty()
    {
        QTemporaryDir dir;
        for (const QString& folder : {dir.path() + "/none/LIBRARY/", dir.path() + "/"}) {
            int calls = 0;
            CLibraryBrowserDlg dlg(nullptr, [&](const QString&) { return ++calls > 0; }, folder);
            QCOMPARE(dlg.FileList()->count(), 0);
            for (int f = 0; f < CLibraryBrowserDlg::kFieldCount; ++f)
                QVERIFY(dlg.FieldText(CLibraryBrowserDlg::Field(f)).isEmpty());
            QVERIFY(!dlg.OpenButton()->isEnabled());
            dlg.OpenFile();
            QCOMPARE(calls, 0);
        }
        QVERIFY(env->prompter.messages.empty());
    }

    void fileMenuBrowsesTheShippedLibraryAndOpensADesign()
    {
        MainWindow mw;
        QAction* browse = mw.Action("actionBrowseLibrary");
        QVERIFY(browse);
        QCOMPARE(browse->text(), QStringLiteral("&Browse Library..."));
        QCOMPARE(browse->statusTip(), QStringLiteral("Browse contents of ZEL library"));
        QVERIFY(ActionNames(TopMenu(mw, "&File")).contains("actionBrowseLibrary"));
        // Available without a document.
        QVERIFY(browse->isEnabled());

        QString title;
        QString folder;
        int count = 0;
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<CLibraryBrowserDlg*>(w);
            QVERIFY(dlg);
            title = dlg->windowTitle();
            folder = dlg->Folder();
            count = dlg->FileList()->count();
            // Open the first ZelA design.
            const QList<QListWidgetItem*> items = dlg->FileList()->findItems("ZelA_", Qt::MatchStartsWith);
            QVERIFY(!items.isEmpty());
            dlg->FileList()->setCurrentItem(items.front());
            QTest::mouseClick(dlg->OpenButton(), Qt::LeftButton);
        });
        browse->trigger();
        QCOMPARE(title, QStringLiteral("ZEL Library Browser"));
        QCOMPARE(folder, QString::fromStdString(SupportFolder("LIBRARY")) + '/');
        QVERIFY(count >= 15);
        QCOMPARE(mw.Documents().size(), 1);
        SchDocument* doc = mw.Documents().front();
        QCOMPARE(QString::fromStdString(doc->Doc().GetDeviceType()), QStringLiteral("ZelA"));
        QVERIFY(QString::fromStdString(doc->Doc().GetPathName()).startsWith(folder));
        QVERIFY(!QString::fromStdString(doc->Doc().Summary().GetComments()).isEmpty());
        QVERIFY(env->prompter.messages.empty());
    }

    void selectionChangeIsQuick()
    {
        // Every shipped design read in turn: a selection change must feel immediate.
        CLibraryBrowserDlg dlg(nullptr, [](const QString&) { return false; },
                               QString::fromStdString(LibraryFolderPath()));
        const int n = dlg.FileList()->count();
        QVERIFY(n > 0);
        QElapsedTimer t;
        t.start();
        for (int round = 0; round < 5; ++round)
            for (int i = 0; i < n; ++i)
                dlg.FileList()->setCurrentRow((i + 1) % n);
        const double perChange = double(t.nsecsElapsed()) / 1e6 / (5 * n);
        qInfo("library browser: %.3f ms per selection change over %d designs", perChange, n);
        QVERIFY2(perChange < 20.0, qPrintable(QString::number(perChange)));
    }

    void manualPagesLinksAndPicturesResolve()
    {
        const QDir help(HelpFolder());
        const QStringList pages = help.entryList({"*.htm"}, QDir::Files);
        QVERIFY(pages.contains("index.htm"));
        QVERIFY(pages.size() >= 10);
        const QRegularExpression ref(QStringLiteral("(src|href)=\"([^\"#:]*)(#([^\"]*))?\""));
        int pictures = 0;
        for (const QString& page : pages) {
            QFile f(help.filePath(page));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            for (auto it = ref.globalMatch(text); it.hasNext();) {
                const auto m = it.next();
                const QString target = m.captured(2).isEmpty() ? page : m.captured(2);
                QVERIFY2(help.exists(target), qPrintable(page + ": " + target));
                if (m.captured(1) == "src")
                    ++pictures;
                const QString anchor = m.captured(4);
                if (!anchor.isEmpty()) {
                    QFile t(help.filePath(target));
                    QVERIFY(t.open(QIODevice::ReadOnly));
                    QVERIFY2(t.readAll().contains(("name=\"" + anchor + "\"").toUtf8()),
                             qPrintable(page + ": " + target + "#" + anchor));
                }
            }
        }
        QVERIFY(pictures >= 8);
    }

    void helpTopicsShowsTheManualWithPictures()
    {
        MainWindow mw;
        mw.Help()->SetEmbedded(true);
        QAction* topics = mw.Action("actionHelpTopics");
        QVERIFY(topics);
        QCOMPARE(topics->text(), QStringLiteral("&Help Topics"));
        QCOMPARE(ActionNames(TopMenu(mw, "&Help")), (QStringList{"actionHelpTopics", "-", "actionAbout"}));
        topics->trigger();
        CHelpWindow* w = mw.Help()->Window();
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Kalidor Help"));
        QTextBrowser* b = w->Browser();
        QCOMPARE(b->source().fileName(), QStringLiteral("index.htm"));
        QCOMPARE(b->documentTitle(), QStringLiteral("Kalidor Help"));
        const QVariant picture = b->loadResource(QTextDocument::ImageResource, QUrl("screenshots/main-window-zela.png"));
        QVERIFY(picture.isValid());
        QVERIFY(!picture.value<QByteArray>().isEmpty() || !picture.value<QImage>().isNull());
        // The contents list follows the page, and a link leads on.
        QVERIFY(w->Contents()->currentItem());
        QCOMPARE(w->Contents()->currentItem()->text(), QStringLiteral("Contents"));
        b->setSource(QUrl("simulation.htm"));
        QCOMPARE(w->Contents()->currentItem()->data(Qt::UserRole).toString(), QStringLiteral("simulation.htm"));
        QVERIFY(b->isBackwardAvailable());
        w->close();
    }

    void f1OpensTheTopicOfTheActiveWindow()
    {
        MainWindow mw;
        mw.Help()->SetEmbedded(true);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        // No document: the contents.
        QCOMPARE(HelpTopicFor(&mw), QStringLiteral("index.htm"));
        SchDocument* doc = mw.NewDocument("ZelA");
        QVERIFY(doc);
        QCOMPARE(HelpTopicFor(&mw), QStringLiteral("schematic.htm"));
        mw.activateWindow();
        QApplication::setActiveWindow(&mw);
        PressF1(&mw);
        QVERIFY(mw.Help()->Window());
        QCOMPARE(mw.Help()->Window()->Browser()->source().fileName(), QStringLiteral("schematic.htm"));
        // The plot window of the document.
        QVERIFY(mw.OpenPlotWindow(doc));
        QCOMPARE(HelpTopicFor(&mw), QStringLiteral("simulation.htm#plot"));
        mw.Help()->ShowContextHelp();
        QCOMPARE(mw.Help()->Window()->Browser()->source().fileName(), QStringLiteral("simulation.htm"));
        QCOMPARE(mw.Help()->Window()->Browser()->source().fragment(), QStringLiteral("plot"));

        // In a modal dialog, F1 tells about the dialog; the desktop's browser when so configured.
        mw.Help()->SetEmbedded(false);
        QList<QUrl> external;
        mw.Help()->SetExternalOpener([&](const QUrl& u) { external << u; return true; });
        OnNextModal([&](QWidget* w) {
            QCOMPARE(HelpTopicFor(w), QStringLiteral("files.htm#library"));
            PressF1(w);
            static_cast<QDialog*>(w)->reject();
        });
        mw.Action("actionBrowseLibrary")->trigger();
        QCOMPARE(external.size(), 1);
        QCOMPARE(external[0].toLocalFile(), HelpFolder() + "files.htm");
        QCOMPARE(external[0].fragment(), QStringLiteral("library"));
        mw.Help()->Window()->close();
    }

    void aMissingManualIsReported()
    {
        QTemporaryDir dir;
        SetProgramDirectory(dir.path().toStdString());
        MainWindow mw;
        QVERIFY(!mw.Help()->ShowTopic("index.htm"));
        QCOMPARE(env->MessageTexts().size(), 1);
        QVERIFY(env->MessageTexts()[0].startsWith("The help page "));
        QVERIFY(!mw.Help()->Window());
    }

    // Screenshots for the documentation and the manual: runs only when KALIDOR_SCREENSHOT_DIR names
    // the folder (under a real X server, e.g. xvfb-run with QT_QPA_PLATFORM=xcb).
    void screenshots()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        auto shoot = [&](QWidget* w, const QString& name) {
            QTest::qWait(300);
            QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            shot.copy(w->frameGeometry().intersected(shot.rect())).save(QDir(outDir).filePath(name));
        };
        MainWindow mw;
        mw.resize(1100, 760);
        mw.move(20, 20);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        QVERIFY(mw.OpenFile(QString::fromStdString(LibraryFolderPath()) + "ZelA_Biquad_Lowpass2_20kHz.ZEL"));
        // The browser over the main window, a ZelA design selected; then the message a ZelC design
        // brings, through the program's own message boxes.
        QtPrompter boxes(&mw);
        OnNextModal([&](QWidget* w) {
            auto* dlg = static_cast<CLibraryBrowserDlg*>(w);
            dlg->FileList()->setCurrentItem(dlg->FileList()->findItems("ZelA_Ladder", Qt::MatchStartsWith).front());
            shoot(&mw, "library-browser.png");
            SetCurrentPrompter(&boxes);
            OnNextModal([&](QWidget* box) {
                shoot(&mw, "library-browser-zelc-message.png");
                static_cast<QDialog*>(box)->accept();
            });
            dlg->FileList()->setCurrentItem(dlg->FileList()->findItems("ZelC_Mdac", Qt::MatchStartsWith).front());
            SetCurrentPrompter(&env->prompter);
            dlg->reject();
        });
        mw.Action("actionBrowseLibrary")->trigger();
        // The help window at the page about schematics.
        mw.Help()->SetEmbedded(true);
        QVERIFY(mw.Help()->ShowTopic("schematic.htm"));
        CHelpWindow* help = mw.Help()->Window();
        help->resize(1000, 720);
        help->move(40, 40);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::qWait(300);
        help->grab().save(QDir(outDir).filePath("help-window.png"));
        help->close();
    }

    void aboutTellsVersionLicenceAndBuild()
    {
        const QString text = AboutText();
        QVERIFY(text.contains(QStringLiteral("Kalidor %1").arg(kBuildVersion)));
        QVERIFY(text.contains(QString::fromLatin1(kBuildLicence).toHtmlEscaped()));
        QVERIFY(text.contains(QLatin1String(QT_VERSION_STR)));
        QVERIFY(text.contains(QLatin1String(kBuildCompiler)));
        QVERIFY(!QString::fromLatin1(kBuildVersion).isEmpty());
        MainWindow mw;
        bool seen = false;
        OnNextModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("About Kalidor"));
            static_cast<QDialog*>(w)->accept();
        }, 5000, &seen);
        mw.Action("actionAbout")->trigger();
        QVERIFY(seen);
    }
};

static RegisterTest registerLibraryHelp("LibraryHelpTest", [] { return std::make_unique<LibraryHelpTest>(); });

}  // namespace kalidor::test

#include "LibraryHelpTest.moc"
