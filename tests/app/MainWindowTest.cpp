// The main window: New with its five kinds, Save/Open/Close round trips, the question when a
// modified document closes, the recent-file list, the command line, the E2 cell view, the
// document commands and Undo/Redo.
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QUndoGroup>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/KalidorApp.h"
#include "app/MainWindow.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "document/ui/E2CellView.h"
#include "document/ui/SchDocument.h"
#include "document/ui/SummaryDialog.h"
#include "view/DeviceSchematic.h"
#include "view/ui/SchView.h"

namespace kalidor::test {

namespace {

class TestMainWindow : public MainWindow {
public:
    QString saveName;
    int asked = 0;
    QString AskSaveFileName(SchDocument*) override
    {
        ++asked;
        return saveName;
    }
};

std::vector<int> CellValues(SchDocument* d)
{
    std::vector<int> v;
    for (const E2Cell& c : d->Doc().Device()->Cells())
        v.push_back(c.value);
    v.push_back(d->Doc().Device()->GetSecurity());
    return v;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;
    QTemporaryDir* dir = nullptr;

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

    void newOffersTheFiveKindsInOrder()
    {
        QCOMPARE(NewDocumentKinds(),
                 (QStringList{"ZelA Schematic", "ZelB Schematic", "ZelC Schematic", "ZelD Schematic", "ZelE Schematic",
                              "Kalidor JTAG Chain"}));
        TestMainWindow mw;
        QStringList shown;
        OnNextModal([&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>();
            for (int i = 0; i < list->count(); ++i)
                shown << list->item(i)->text();
            list->setCurrentRow(2);
            static_cast<QDialog*>(w)->accept();
        });
        mw.OnNew();
        QCOMPARE(shown, NewDocumentKinds());
        QCOMPARE(mw.Documents().size(), 1);
        QCOMPARE(QString::fromStdString(mw.ActiveDocument()->Doc().GetDeviceType()), QStringLiteral("ZelC"));
        QVERIFY(mw.ActiveSchView());
        QVERIFY(!mw.ActiveDocument()->Doc().IsModified());
        QVERIFY(mw.windowTitle().contains("Design1"));
    }

    void saveOpenCloseRoundTrip()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelA");
        QVERIFY(d);
        d->Change("gain", [d] {
            d->Doc().SetGainValue(4, -7);
            return true;
        });
        d->Change("fuse", [d] {
            d->Doc().E2_SetValue(-1, 1);
            return true;
        });
        QVERIFY(d->Doc().IsModified());
        const std::vector<int> cells = CellValues(d);
        const QString path = dir->filePath("Round.ZEL");
        QVERIFY(mw.SaveDocumentAs(d, path));
        QVERIFY(!d->Doc().IsModified());
        QCOMPARE(mw.RecentFiles().value(0), path);
        env->prompter.Clear();
        QVERIFY(mw.CloseDocument(d));
        QVERIFY2(env->prompter.messages.empty(), "an unmodified document closes without asking");
        QCOMPARE(mw.Documents().size(), 0);
        QTest::qWait(10);

        SchDocument* again = mw.OpenFile(path);
        QVERIFY(again);
        QCOMPARE(CellValues(again), cells);
        QCOMPARE(GetGainValue(*again->Doc().Device(), 4), -7);
        QVERIFY(mw.windowTitle().contains("Round.ZEL"));
        // Opening the same file again activates the open one.
        QCOMPARE(mw.OpenFile(path), again);
        QCOMPARE(mw.Documents().size(), 1);
    }

    void savingOverAReadOnlyFileAsksFirst()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelA");
        const QString path = dir->filePath("ReadOnly.ZEL");
        QVERIFY(mw.SaveDocumentAs(d, path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray saved = before.readAll();
        before.close();
        d->Change("gain", [d] {
            d->Doc().SetGainValue(4, -5);
            return true;
        });
        const QString question = QStringLiteral("The file\n%1\nis read-only.\n\nReplace it anyway?").arg(path);

        env->prompter.Clear();
        env->prompter.Script(Answer::No);
        QVERIFY(!mw.SaveDocumentAs(d, path));
        QCOMPARE(env->MessageTexts(), QStringList{question});
        QCOMPARE(env->prompter.messages[0].buttons, Buttons::YesNo);
        QVERIFY(d->Doc().IsModified());
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), saved);
        kept.close();

        env->prompter.Clear();
        env->prompter.Script(Answer::Yes);
        QVERIFY(mw.SaveDocumentAs(d, path));
        QCOMPARE(env->MessageTexts(), QStringList{question});
        QVERIFY(!d->Doc().IsModified());
        QVERIFY(!(QFileInfo(path).permissions() & QFile::WriteOwner));  // still read-only
        QFile replaced(path);
        QVERIFY(replaced.open(QIODevice::ReadOnly));
        QVERIFY(replaced.readAll() != saved);
    }

    void closingAModifiedDocumentAsks()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelB");
        d->Change("gain", [d] {
            d->Doc().SetGainValue(4, 3);
            return true;
        });
        env->prompter.Clear();
        env->prompter.Script(Answer::Cancel);
        QVERIFY(!mw.CloseDocument(d));
        QCOMPARE(mw.Documents().size(), 1);
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].text), QStringLiteral("Save changes to Design1?"));
        QVERIFY(env->prompter.messages[0].buttons == Buttons::YesNoCancel);

        // Yes on a design never saved asks for a name and saves it.
        mw.saveName = dir->filePath("Answered.ZEL");
        env->prompter.Script(Answer::Yes);
        QVERIFY(mw.CloseDocument(d));
        QCOMPARE(mw.asked, 1);
        QVERIFY(QFileInfo::exists(mw.saveName));
        QCOMPARE(mw.Documents().size(), 0);

        SchDocument* e = mw.NewDocument("ZelE");
        e->Change("wake", [e] {
            e->Doc().SetSymValue(10, 1);
            return true;
        });
        env->prompter.Script(Answer::No);
        QVERIFY(mw.CloseDocument(e));
        QCOMPARE(mw.Documents().size(), 0);
    }

    void mainWindowCloseAsksEveryModifiedDocument()
    {
        auto* mw = new TestMainWindow;
        mw->show();
        SchDocument* a = mw->NewDocument("ZelA");
        mw->NewDocument("ZelC");
        a->Change("x", [a] {
            a->Doc().SetSymValue(3, 1);
            return true;
        });
        env->prompter.Script(Answer::Cancel);
        QVERIFY(!mw->close());
        QCOMPARE(mw->Documents().size(), 2);
        env->prompter.Script(Answer::No);
        QVERIFY(mw->close());
        delete mw;
    }

    void recentListKeepsFourNewestFirst()
    {
        TestMainWindow mw;
        for (int i = 1; i <= 6; ++i)
            mw.AddRecentFile(dir->filePath(QStringLiteral("f%1.ZEL").arg(i)));
        mw.AddRecentFile(dir->filePath("f4.ZEL"));
        const QStringList want = {dir->filePath("f4.ZEL"), dir->filePath("f6.ZEL"), dir->filePath("f5.ZEL"),
                                  dir->filePath("f3.ZEL")};
        QCOMPARE(mw.RecentFiles(), want);
        QCOMPARE(QString::fromStdString(env->settings.GetString(kRecentSection, "File1", "")), want[0]);
        QCOMPARE(QString::fromStdString(env->settings.GetString(kRecentSection, "File4", "")), want[3]);
        // A new window reads the list back.
        TestMainWindow other;
        QCOMPARE(other.RecentFiles(), want);
    }

    void fileThatCannotBeOpenedIsReported()
    {
        TestMainWindow mw;
        QVERIFY(!mw.OpenFile(dir->filePath("missing.ZEL")));
        QVERIFY(!env->prompter.messages.empty());
        QFile bad(dir->filePath("bad.ZEL"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 old compound file");
        bad.close();
        env->prompter.Clear();
        QVERIFY(!mw.OpenFile(bad.fileName()));
        QCOMPARE(QString::fromStdString(env->prompter.messages.at(0).text),
                 QStringLiteral("Doc is in OLE format which is no longer used by Kalidor."));
        QCOMPARE(mw.Documents().size(), 0);
        QVERIFY(mw.RecentFiles().isEmpty());
    }

    void commandLine()
    {
        QCOMPARE(CommandLineFile({"design.ZEL"}), QStringLiteral("design.ZEL"));
        QCOMPARE(CommandLineFile({"-Embedding", "design.ZEL"}), QString());
        QCOMPARE(CommandLineFile({"/Automation"}), QString());
        QCOMPARE(CommandLineFile({"-style", "/tmp/x/d.ZEL"}), QStringLiteral("/tmp/x/d.ZEL"));
        QCOMPARE(CommandLineFile({}), QString());
        QCOMPARE(CommandLineFiles({"a.ZEL", "-reverse", "/tmp/b.ZEL"}),
                 (QStringList{"a.ZEL", "/tmp/b.ZEL"}));
        QCOMPARE(CommandLineFiles({"a.ZEL", "/Embedding", "b.ZEL"}), QStringList());
    }

    // Qt's own event loop unless told otherwise or a GTK theme may need the GLib loop.
    void eventLoopChoice()
    {
        const QByteArray noGlib = qgetenv("QT_NO_GLIB"), theme = qgetenv("QT_QPA_PLATFORMTHEME");
        const bool hadNoGlib = qEnvironmentVariableIsSet("QT_NO_GLIB"), hadTheme = qEnvironmentVariableIsSet("QT_QPA_PLATFORMTHEME");
        QTemporaryDir plugins;
        QVERIFY(QDir().mkpath(plugins.filePath("platformthemes")));
        qunsetenv("QT_NO_GLIB");
        qunsetenv("QT_QPA_PLATFORMTHEME");
        QVERIFY(ChooseEventLoop(plugins.path()));
        QCOMPARE(qgetenv("QT_NO_GLIB"), QByteArray("1"));
        // Set by the user: left as it is.
        qputenv("QT_NO_GLIB", "0");
        QVERIFY(!ChooseEventLoop(plugins.path()));
        QCOMPARE(qgetenv("QT_NO_GLIB"), QByteArray("0"));
        // A GTK theme asked for, or installed.
        qunsetenv("QT_NO_GLIB");
        qputenv("QT_QPA_PLATFORMTHEME", "gtk3");
        QVERIFY(!ChooseEventLoop(plugins.path()));
        QVERIFY(!qEnvironmentVariableIsSet("QT_NO_GLIB"));
        qunsetenv("QT_QPA_PLATFORMTHEME");
        QFile gtk(plugins.filePath("platformthemes/libqgtk3.so"));
        QVERIFY(gtk.open(QIODevice::WriteOnly));
        gtk.close();
        QVERIFY(!ChooseEventLoop(plugins.path()));
        QVERIFY(!qEnvironmentVariableIsSet("QT_NO_GLIB"));
        if (hadNoGlib)
            qputenv("QT_NO_GLIB", noGlib);
        if (hadTheme)
            qputenv("QT_QPA_PLATFORMTHEME", theme);
    }

    void startedWithADesignFileOpensIt()
    {
        const QString path = dir->filePath("Start.ZEL");
        {
            SchDocument d;
            QVERIFY(d.NewDocument("ZelD", 1));
            QVERIFY(d.Save(path));
        }
        qputenv("XDG_CONFIG_HOME", dir->filePath("config").toUtf8());
        QElapsedTimer t;
        t.start();
        {
            CKalidorApp app;
            QVERIFY(app.InitInstance({path}));
            QCOMPARE(app.Main()->Documents().size(), 1);
            CSchView* v = app.Main()->ActiveSchView();
            QVERIFY(v);
            v->viewport()->repaint();
            QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
            QCOMPARE(QString::fromStdString(app.Main()->ActiveDocument()->Doc().GetDeviceType()), QStringLiteral("ZelD"));
        }
        // The application restored the previous prompter and settings when it ended; put ours back.
        SetCurrentPrompter(&env->prompter);
        SetCurrentSettings(&env->settings);
    }

    void e2CellViewFollowsAndClosesWithItsDocument()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelA");
        CE2CellDBView* v = mw.OpenE2CellView(d);
        QVERIFY(v);
        QCOMPARE(v->topLevelItemCount(), d->Doc().Device()->GetCellCount());
        QVERIFY(v->RowText(5).endsWith("_gain_1_XT_b4\t0"));
        QVERIFY(v->RowText(5).startsWith("5\t"));
        emit v->itemDoubleClicked(v->topLevelItem(5), 0);
        QCOMPARE(d->Doc().Device()->E2_GetValue(5), 1);
        QVERIFY(v->RowText(5).endsWith("\t1"));
        QCOMPARE(d->Doc().Device()->GetSymValue(4), 4);
        d->UndoStack()->undo();
        QCOMPARE(d->Doc().Device()->E2_GetValue(5), 0);
        QVERIFY(v->RowText(5).endsWith("\t0"));
        QCOMPARE(mw.Mdi()->subWindowList().size(), 2);
        QVERIFY(mw.CloseDocument(d));
        QTest::qWait(10);
        QCOMPARE(mw.Mdi()->subWindowList().size(), 0);
    }

    void summaryInformationIsStoredAndUndoable()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelA");
        QCOMPARE(QString::fromStdString(d->Doc().Summary().GetAuthor()), QStringLiteral("Unknown User"));
        OnNextModal([](QWidget* w) {
            auto* s = qobject_cast<CSummaryDialog*>(w);
            QVERIFY(s);
            QCOMPARE(w->windowTitle(), QStringLiteral("Summary Information"));
            QCOMPARE(s->KeywordsEdit()->text(), QStringLiteral("ZelA"));
            s->TitleEdit()->setText("<Low> pass");
            s->CommentsEdit()->setPlainText("a < b > c");
            s->accept();
        });
        mw.EditSummaryInfo();
        QCOMPARE(QString::fromStdString(d->Doc().Summary().GetTitle()), QStringLiteral("Low pass"));
        QCOMPARE(QString::fromStdString(d->Doc().Summary().GetComments()), QStringLiteral("a < b > c"));
        QVERIFY(d->Doc().IsModified());
        mw.UndoGroup()->undo();
        QCOMPARE(QString::fromStdString(d->Doc().Summary().GetTitle()), QString());
        QVERIFY(!d->Doc().IsModified());
        mw.UndoGroup()->redo();
        QCOMPARE(QString::fromStdString(d->Doc().Summary().GetTitle()), QStringLiteral("Low pass"));
    }

    void clearSchematicAsksAndIsUndoable()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelD");
        d->Change("edit", [d] {
            d->Doc().SetSymValue(0, 1234);
            d->Doc().SetSymValue(11, 5);
            d->Doc().E2_SetValue(-1, 1);
            return true;
        });
        const std::vector<int> edited = CellValues(d);
        env->prompter.Script(Answer::Cancel);
        mw.ClearSchematic();
        QCOMPARE(CellValues(d), edited);
        QCOMPARE(QString::fromStdString(env->prompter.messages.back().text),
                 QStringLiteral("Do you want to clear (erase) the schematic?"));
        env->prompter.Script(Answer::Ok);
        mw.ClearSchematic();
        QCOMPARE(d->Doc().Device()->GetSymValue(11), 1);
        QCOMPARE(d->Doc().Device()->GetSymValue(64), -1);
        QVERIFY(CellValues(d) != edited);
        mw.UndoGroup()->undo();
        QCOMPARE(CellValues(d), edited);
        mw.UndoGroup()->undo();
        QCOMPARE(d->Doc().Device()->GetSymValue(11), 1);
        QVERIFY(!d->Doc().IsModified());
        mw.UndoGroup()->redo();
        mw.UndoGroup()->redo();
        QCOMPARE(d->Doc().Device()->GetSymValue(11), 1);
        QCOMPARE(d->Doc().Device()->GetSymValue(0), 0);
        mw.UndoGroup()->undo();
        QCOMPARE(CellValues(d), edited);
    }

    void undoToTheSavedPointIsUnmodified()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelB");
        const QString path = dir->filePath("Saved.ZEL");
        d->Change("a", [d] {
            d->Doc().SetSymValue(39, 10);
            return true;
        });
        QVERIFY(mw.SaveDocumentAs(d, path));
        d->Change("b", [d] {
            d->Doc().SetSymValue(39, 20);
            return true;
        });
        QVERIFY(d->Doc().IsModified());
        d->UndoStack()->undo();
        QCOMPARE(d->Doc().Device()->GetSymValue(39), 10);
        QVERIFY(!d->Doc().IsModified());
        d->UndoStack()->undo();
        QCOMPARE(d->Doc().Device()->GetSymValue(39), 128);
        QVERIFY(d->Doc().IsModified());
        QCOMPARE(QString::fromStdString(d->Doc().GetPathName()), path);
        // The value texts follow an undo.
        QCOMPARE(QString::fromStdString(d->Doc().Schematic()->GetSymbol(39)->GetValueText()),
                 QStringLiteral("Code:  80h\r\n0.0000V"));
    }

    void deviceManagerListsTheFiveTypes()
    {
        TestMainWindow mw;
        QStringList names;
        QString details;
        OnNextModal([&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>();
            for (int i = 0; i < list->count(); ++i)
                names << list->item(i)->text();
            for (QLabel* l : w->findChildren<QLabel*>())
                if (l->text().startsWith("Filename:"))
                    details = l->text();
            static_cast<QDialog*>(w)->reject();
        });
        mw.OnDeviceManager();
        QCOMPARE(names, (QStringList{"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}));
        QVERIFY(details.startsWith("Filename:\t"));
        QVERIFY(details.contains("\nCLSID:\t"));
        QVERIFY(details.contains("\nVersion:\t"));
    }

    void postUploadActions()
    {
        TestMainWindow mw;
        SchDocument* d = mw.NewDocument("ZelA");
        DeviceConfig* dev = d->Doc().Device();
        QVERIFY(mw.Action("actionCoerceIllegal")->isChecked());
        QVERIFY(!mw.Action("actionDisableOutputs")->isChecked());
        QCOMPARE(mw.Action("actionCoerceIllegal")->text(), QStringLiteral("Coerce illegal values to zero"));
        QCOMPARE(mw.Action("actionDisableOutputs")->text(), QStringLiteral("Disable T1/T2 outputs if input=NONE"));
        mw.SetCoerceIllegal(false);
        QVERIFY(!mw.Action("actionCoerceIllegal")->isChecked());
        d->Change("illegal", [d] {
            d->Doc().SetSymValue(9, 6);
            return true;
        });
        env->prompter.Clear();
        mw.SetCoerceIllegal(true);
        QCOMPARE(dev = d->Doc().Device(), d->Doc().Device());
        QCOMPARE(d->Doc().Device()->GetSymValue(9), 0);
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].text),
                 QStringLiteral("Needed to coerce at least one symbol."));
        QVERIFY(env->prompter.messages[0].icon == MessageIcon::Information);
        // Switching it on with nothing to coerce says nothing.
        mw.UndoGroup()->undo();
        QCOMPARE(d->Doc().Device()->GetSymValue(9), 6);
        QCOMPARE(d->Doc().Device()->GetSwitch(1), 0);
        d->Change("legal", [d] {
            d->Doc().SetSymValue(9, 2);
            return true;
        });
        env->prompter.Clear();
        mw.SetCoerceIllegal(true);
        QVERIFY(env->prompter.messages.empty());
        mw.SetDisableOutputs(true);
        QCOMPARE(d->Doc().Device()->GetSwitch(0), 1);
        QVERIFY(mw.Action("actionDisableOutputs")->isChecked());
    }

    // Redo shows the platform's standard key first; Ctrl+Y works as well.
    void redoShowsThePlatformsStandardKey()
    {
        MainWindow mw;
        const QList<QKeySequence> keys = mw.Action(QStringLiteral("actionRedo"))->shortcuts();
        QVERIFY(!keys.isEmpty());
        QCOMPARE(keys.first(), QKeySequence::keyBindings(QKeySequence::Redo).first());
        QVERIFY(keys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
        QCOMPARE(mw.Action(QStringLiteral("actionUndo"))->shortcut(), QKeySequence(QKeySequence::Undo));
    }

    // Window > Cascade, the first item of the Window menu (the one a keyboard user lands on):
    // maximised windows are cascaded at a usable size, not dropped to their minimum.
    void cascadeKeepsTheWindowsUsable()
    {
        MainWindow mw;
        mw.resize(1200, 820);
        mw.show();
        QVERIFY(QTest::qWaitForWindowExposed(&mw));
        QVERIFY(mw.NewDocument(QStringLiteral("ZelA")));
        QVERIFY(mw.NewDocument(QStringLiteral("ZelD")));
        QVERIFY(mw.Mdi()->activeSubWindow()->isMaximized());
        QMenu* windowMenu = nullptr;
        for (QAction* a : mw.menuBar()->actions())
            if (a->text() == QStringLiteral("&Window"))
                windowMenu = a->menu();
        QVERIFY(windowMenu);
        emit windowMenu->aboutToShow();
        QAction* cascade = windowMenu->actions().value(0);
        QVERIFY(cascade);
        QCOMPARE(cascade->text(), QStringLiteral("&Cascade"));
        cascade->trigger();
        const QSize area = mw.Mdi()->viewport()->size();
        for (QMdiSubWindow* w : mw.Mdi()->subWindowList()) {
            QVERIFY(!w->isMaximized());
            QVERIFY2(w->width() >= area.width() / 2 && w->height() >= area.height() / 2,
                     qPrintable(QStringLiteral("%1 x %2").arg(w->width()).arg(w->height())));
        }
    }
};

static RegisterTest registerMain("MainWindowTest", [] { return std::make_unique<MainWindowTest>(); });

}  // namespace kalidor::test

#include "MainWindowTest.moc"
