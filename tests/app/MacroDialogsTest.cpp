// The Design Utilities and User-Defined Macros dialogs, driven as a user drives them from the
// menus, and the launcher of macro programs.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/Help.h"
#include "app/MacroDialogs.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"

#include <csignal>

namespace kalidor::test {

namespace {

void WriteFile(const QString& path, const QByteArray& text, bool executable)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

QStringList Items(QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

// Chooses `text` in the list of the next modal dialog and presses OK.
void ChooseInNextDialog(const QString& text, bool* seen = nullptr)
{
    OnNextModal([text](QWidget* w) {
        auto* list = w->findChild<QListWidget*>();
        const auto found = list ? list->findItems(text, Qt::MatchExactly) : QList<QListWidgetItem*>();
        if (!found.isEmpty())
            list->setCurrentItem(found.front());
        static_cast<QDialog*>(w)->accept();
    }, 5000, seen);
}

// The id of a running process whose command line is exactly `commandLine` (arguments ended by
// NUL), or 0.
qint64 ProcessWithCommandLine(const QByteArray& commandLine)
{
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (f.open(QIODevice::ReadOnly) && f.readAll() == commandLine)
            return pid;
    }
    return 0;
}

}  // namespace

class MacroDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void designUtilitiesListCodesAndDescriptions()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("ZelA_Biquad")), "#!/bin/sh\n", true);
        WriteFile(dir.filePath(QStringLiteral("README.txt")), "not a program\n", false);
        CDesignUtilitiesDlg dlg(dir.path());
        QCOMPARE(Items(dlg.List()), (QStringList{"ZelA Gain Configuration Utility", "ZelB Gain Configuration Utility",
                                                 "ZelA Ladder Filter Configurations", "ZelD Filter Configurations",
                                                 "ZelE Filter Configurations", "ZelA_Biquad"}));
        const struct {
            int row, code;
            const char* description;
        } rows[] = {{0, 101, "Gain Utility for ZelA."},
                    {1, 103, "Gain Utility for ZelB."},
                    {2, 100, "Show possible Ladder filter configurations for ZelA."},
                    {3, 102, "Show possible filter configurations for ZelD."},
                    {4, 104, "Show possible filter configurations for ZelE."},
                    {5, -1, "Biquad generator for ZelA."}};
        for (const auto& r : rows) {
            dlg.List()->setCurrentRow(r.row);
            QCOMPARE(dlg.Code(), r.code);
            QCOMPARE(dlg.Description(), QLatin1String(r.description));
            QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("description"))->text(), QLatin1String(r.description));
        }
    }

    void builtInUtilitiesOpenTheirWindows()
    {
        Environment env;
        MainWindow mw;
        QAction* action = mw.Action(QStringLiteral("actionDesignUtilities"));
        QVERIFY(action);
        QVERIFY(ActionNames(TopMenu(mw, QStringLiteral("&Tools"))).contains(QStringLiteral("actionDesignUtilities")));
        QVERIFY(ActionNames(TopMenu(mw, QStringLiteral("&Tools"))).contains(QStringLiteral("actionUserMacros")));
        const QStringList help = ActionNames(TopMenu(mw, QStringLiteral("&Help")));
        QVERIFY(help.contains(QStringLiteral("actionMacroHelp")) && help.contains(QStringLiteral("actionDeviceHelp")));

        // A built-in utility opens its window over the active schematic.
        QVERIFY(mw.NewDocument(QStringLiteral("ZelD")));
        auto utilityWindows = [&] {
            int n = 0;
            for (QMdiSubWindow* w : mw.Mdi()->subWindowList())
                n += w->widget() && w->widget()->property("designUtility").toInt() == kCodeZelDFilter;
            return n;
        };
        QCOMPARE(utilityWindows(), 0);
        bool seen = false;
        ChooseInNextDialog(QStringLiteral("ZelD Filter Configurations"), &seen);
        action->trigger();
        QVERIFY(seen);
        QCOMPARE(utilityWindows(), 1);
        // Cancel does nothing.
        OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        action->trigger();
        QCOMPARE(utilityWindows(), 1);
        QVERIFY(env.MessageTexts().isEmpty());
    }

    // A macro gets the one argument /RunAsMacro, not through a shell; a program that cannot be
    // started is reported with the command line and the launcher's result.
    void macroProgramsAreStartedWithRunAsMacro()
    {
        Environment env;
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("args.txt"));
        // A name with a space and a quote: a shell would split or choke on it. The macro writes
        // beside the file and renames it, so that what the test reads is whole.
        const QString program = dir.filePath(QStringLiteral("my macro's.sh"));
        WriteFile(program, QStringLiteral("#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '%1.part' && mv '%1.part' '%1'\n").arg(out).toUtf8(),
                  true);
        QVERIFY(RunMacroProgram(program));
        // The macro runs in its own time: wait (up to half a minute on a busy machine) for its file.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 30000);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), QStringLiteral("1|/RunAsMacro|"));
        QVERIFY(env.MessageTexts().isEmpty());

        const QString missing = dir.filePath(QStringLiteral("no such macro"));
        QVERIFY(!RunMacroProgram(missing));
        QCOMPARE(env.MessageTexts(),
                 QStringList{QStringLiteral("Kalidor was unable to run\n\"%1 /RunAsMacro\".\nWinExec returned a result of 0.\n\n"
                                            "Click OK to continue.")
                                 .arg(missing)});
    }

    // Tools > Design Utilities lists the biquad generator installed in MACRO with its
    // description; OK starts that program with the one argument /RunAsMacro. (CTest runs this
    // walk also under Xvfb as design_utilities_walk.)
    void designUtilitiesStartTheBiquadGenerator()
    {
        Environment env;
        const QString program = QDir(QString::fromStdString(SupportFolder(kMacroFolder))).filePath(QStringLiteral("ZelA_Biquad"));
        if (!QFileInfo(program).isExecutable())
            QSKIP("the biquad generator is not built");
        // The generator finds no Kalidor on this bus and waits with its message: it is ended below.
        const QByteArray bus = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ? qgetenv("DBUS_SESSION_BUS_ADDRESS") : QByteArray();
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kalidor-test-bus");
        MainWindow mw;
        mw.show();
        QStringList items;
        QString description;
        bool seen = false;
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<CDesignUtilitiesDlg*>(w);
            if (!dlg)
                return;
            items = Items(dlg->List());
            const auto found = dlg->List()->findItems(QStringLiteral("ZelA_Biquad"), Qt::MatchExactly);
            if (!found.isEmpty())
                dlg->List()->setCurrentItem(found.front());
            description = dlg->findChild<QLabel*>(QStringLiteral("description"))->text();
            dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        }, 5000, &seen);
        QVERIFY(ActionNames(TopMenu(mw, QStringLiteral("&Tools"))).contains(QStringLiteral("actionDesignUtilities")));
        mw.Action(QStringLiteral("actionDesignUtilities"))->trigger();
        if (bus.isNull())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        QVERIFY(seen);
        QVERIFY(items.contains(QStringLiteral("ZelA_Biquad")));
        QCOMPARE(items.indexOf(QStringLiteral("ZelA_Biquad")), 5);  // after the five built-in utilities
        QCOMPARE(description, QStringLiteral("Biquad generator for ZelA."));
        // The process: this program with the one argument /RunAsMacro.
        const QByteArray expected = QFileInfo(program).absoluteFilePath().toLocal8Bit() + '\0' + kMacroArgument + '\0';
        qint64 pid = 0;
        QTRY_VERIFY_WITH_TIMEOUT((pid = ProcessWithCommandLine(expected)) > 0, 30000);
        ::kill(pid_t(pid), SIGKILL);
        QVERIFY(env.MessageTexts().isEmpty());
    }

    void userMacroDialogInItsThreeModes()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("Lowpass.py")), "#!/bin/sh\n", true);
        WriteFile(dir.filePath(QStringLiteral("notes.txt")), "", false);
        WriteFile(dir.filePath(QStringLiteral("ZelA_Biquad.html")), "<html><body>Biquad help</body></html>", false);
        WriteFile(dir.filePath(QStringLiteral("ZEL01.HLP")), "", false);
        const struct {
            CMacroDialogMode mode;
            const char* title;
            const char* prompt;
            QStringList items;
        } modes[] = {
            {CMacroDialogMode::kRunUserMacro, "Run User-Defined Macro", "Select a User-Defined macro to run:", {"Lowpass.py"}},
            {CMacroDialogMode::kInstalledMacroHelp, "Help on Installed Macros", "Select a help file to open:",
             {"ZEL01.HLP", "ZelA_Biquad.html"}},
            {CMacroDialogMode::kDeviceHelp, "Help for Zel devices", "Select a help file to open:", {"ZEL01.HLP"}},
        };
        for (const auto& m : modes) {
            CUserMacroDlg dlg(m.mode, dir.path());
            QCOMPARE(dlg.windowTitle(), QLatin1String(m.title));
            QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("prompt"))->text(), QLatin1String(m.prompt));
            QCOMPARE(Items(dlg.List()), m.items);
            QCOMPARE(dlg.SelectedPath(), dir.filePath(m.items.front()));
        }
        // An empty folder: nothing to choose, OK is off.
        QTemporaryDir empty;
        CUserMacroDlg none(CMacroDialogMode::kRunUserMacro, empty.path());
        QCOMPARE(none.List()->count(), 0);
        QVERIFY(!none.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(none.SelectedPath().isEmpty());
    }

    // Help on Installed Macros opens the chosen page of MACRO in the help window.
    void macroHelpOpensInTheHelpWindow()
    {
        Environment env;
        const QString page = QString::fromStdString(SupportFolder(kMacroFolder)) + QStringLiteral("/KalidorTest_Macro.html");
        WriteFile(page, "<html><body>Macro help page</body></html>", false);
        MainWindow mw;
        ChooseInNextDialog(QStringLiteral("KalidorTest_Macro.html"));
        mw.Action(QStringLiteral("actionMacroHelp"))->trigger();
        QFile::remove(page);
        QVERIFY(mw.Help()->Window());
        QCOMPARE(mw.Help()->Window()->Browser()->source().toLocalFile(), QFileInfo(page).absoluteFilePath());
        QVERIFY(env.MessageTexts().isEmpty());
        mw.Help()->Window()->close();
    }

    // Screenshots for the documentation: only when KALIDOR_SCREENSHOT_DIR names the folder (under
    // a real X server, e.g. xvfb-run with QT_QPA_PLATFORM=xcb).
    void screenshots()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty())
            QSKIP("KALIDOR_SCREENSHOT_DIR is not set");
        auto shoot = [&](QWidget* w, const QString& name) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QTest::qWait(300);
            QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            shot.copy(w->frameGeometry().intersected(shot.rect())).save(QDir(outDir).filePath(name));
        };
        CDesignUtilitiesDlg utilities(QString::fromStdString(SupportFolder(kMacroFolder)));
        utilities.move(40, 40);
        utilities.List()->setCurrentRow(3);
        shoot(&utilities, QStringLiteral("design-utilities.png"));
        CUserMacroDlg macros(CMacroDialogMode::kRunUserMacro, QString::fromStdString(SupportFolder(kUserMacroFolder)));
        macros.move(40, 40);
        shoot(&macros, QStringLiteral("user-defined-macros.png"));
    }
};

static RegisterTest registerMacroDialogs("MacroDialogsTest", [] { return std::make_unique<MacroDialogsTest>(); });

}  // namespace kalidor::test

#include "MacroDialogsTest.moc"
