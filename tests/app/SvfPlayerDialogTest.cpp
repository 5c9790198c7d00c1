// Play SVF File in the chain window: a foreign tool's file for a chain of three plays through the
// application's cable, the report names the planted mismatch by its line with the expected,
// captured and mask bits and ends with the summary line of `kalidor-cli svf --full`; the play stops
// at the first mismatch unless told to keep going; no file, an unreadable file and no cable are
// handled.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "document/ui/JTAGView.h"
#include "jtag/JtagInterface.h"
#include "jtag/ui/JtagUi.h"
#include "jtag/ui/SvfPlayerDialog.h"

namespace kalidor::test {

namespace {

// TDI to TDO: ZelA (IR 5), a foreign device (IR 8), ZelC (IR 6).
constexpr const char* kChainCable = "virtual:ZelA,foreign:8,ZelC";

// A file as another tool writes it for that chain: ZelC's IDCODE with the two devices before it in
// BYPASS, then ZelA's with the two after it in BYPASS; line 22 expects a wrong IDCODE and line 23
// a wrong bit 0.
constexpr const char* kForeignSvf =
    "// written by another tool for a chain of three\n"  // 1
    "TRST ON;\n"
    "TRST OFF;\n"
    "ENDIR IDLE;\n"
    "ENDDR IDLE;\n"  // 5
    "STATE RESET IDLE;\n"
    "! ZelC nearest TDO\n"
    "HIR 0;\n"
    "HDR 0;\n"
    "TIR 13 TDI (1FFF);\n"  // 10
    "TDR 2 TDI (0) SMASK (3);\n"
    "SIR 6 TDI (0D);\n"
    "SDR 32 TDI (FFFFFFFF)\n"
    "    TDO (00130043) MASK (0FFFFFFF);\n"
    "! ZelA nearest TDI\n"  // 15
    "TIR 0;\n"
    "TDR 0;\n"
    "HIR 14 TDI (3FFF);\n"
    "HDR 2 TDI (0);\n"
    "SIR 5 TDI (0D);\n"  // 20
    "SDR 32 TDI (FFFFFFFF) TDO (00100043) MASK (0FFFFFFF);\n"
    "SDR 32 TDI (FFFFFFFF) TDO (00100044) MASK (0FFFFFFF);\n"
    "SDR 32 TDI (FFFFFFFF) TDO (00000000) MASK (00000001);\n"
    "STATE IDLE;\n";

constexpr const char* kFirstMismatch =
    "Line 22: TDO mismatch in SDR (32 bits): expected 00100044, captured 00100043, mask 0FFFFFFF";
constexpr const char* kSecondMismatch =
    "Line 23: TDO mismatch in SDR (32 bits): expected 00000000, captured 00100043, mask 00000001";

// A main window whose JTAG interface is the virtual cable `cable`.
struct PlayerRig {
    static bool Configure(Environment& env, const std::string& cable)
    {
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, cable);
        return true;
    }
    explicit PlayerRig(const std::string& cable = kChainCable) : configured(Configure(env, cable))
    {
        mw.Jtag()->Start(&env.settings, "");
    }
    Environment env;
    bool configured;
    MainWindow mw;
};

// Runs `check` on the dialog the command opens, then closes it.
void OnDialog(const std::function<void(CSvfPlayerDialog*)>& check, bool* seen)
{
    QTimer::singleShot(0, [check, seen] {
        auto* dialog = qobject_cast<CSvfPlayerDialog*>(QApplication::activeModalWidget());
        *seen = dialog != nullptr;
        if (!dialog) return;
        check(dialog);
        dialog->reject();
    });
}

}  // namespace

class SvfPlayerDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString WriteSvf()
    {
        const QString path = m_dir.filePath(QStringLiteral("foreign.svf"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(kForeignSvf);
        return path;
    }

private slots:
    void playsAForeignFileFromTheChainWindowAndReportsTheMismatchByLine()
    {
        PlayerRig rig;
        Environment& env = rig.env;
        MainWindow& mw = rig.mw;
        CJTAGView* view = mw.NewChain();
        QVERIFY(view);
        QAction* play = view->Action(QStringLiteral("chainPlaySvf"));
        QVERIFY(play);
        QVERIFY(play->isEnabled());
        QVERIFY(view->EditActions().contains(play));  // in the chain's Edit menu

        const QString path = WriteSvf();
        view->askSvfFile = [path](QWidget*) { return path; };
        bool seen = false;
        OnDialog(
            [](CSvfPlayerDialog* d) {
                // Stopped at the first mismatch.
                QCOMPARE(d->Report()->toPlainText(), QString::fromLatin1(kFirstMismatch));
                QCOMPARE(d->Result().mismatches, 1u);
                QCOMPARE(d->Result().checks, 3u);
                QVERIFY(d->Result().stopped);
                QCOMPARE(d->Summary()->text(), QString::fromStdString(FormatSvfPlaySummary(d->Result())));
                QVERIFY(d->Summary()->text().startsWith(QStringLiteral("18 statements, 3 TDO checks, 1 mismatches, "
                                                                       "0 errors, ")));
                QVERIFY(d->Summary()->text().endsWith(QStringLiteral(" TCK, stopped")));

                // Keep going, play again: both mismatches, in line order, and the whole file.
                d->KeepGoing()->setChecked(true);
                d->PlayButton()->click();
                QCOMPARE(d->Report()->toPlainText(),
                         QString::fromLatin1(kFirstMismatch) + QLatin1Char('\n') + QString::fromLatin1(kSecondMismatch));
                QVERIFY(d->Summary()->text().startsWith(QStringLiteral("20 statements, 4 TDO checks, 2 mismatches, ")));
                QVERIFY(!d->Summary()->text().contains(QStringLiteral("stopped")));
            },
            &seen);
        play->trigger();
        QVERIFY(seen);
        QVERIFY(env.MessageTexts().isEmpty());
    }

    void aFileThatPassesSaysSo_NoFileNoDialog_AnUnreadableFileIsReported()
    {
        PlayerRig rig;
        MainWindow& mw = rig.mw;
        CJTAGView* view = mw.NewChain();
        QVERIFY(view);
        CJtagCable* cable = mw.Application().Jtag().Cable();
        QVERIFY(cable);

        // The first 21 lines pass.
        QStringList lines = QString::fromLatin1(kForeignSvf).split(QLatin1Char('\n'));
        const QString good = m_dir.filePath(QStringLiteral("good.svf"));
        QFile f(good);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(lines.mid(0, 21).join(QLatin1Char('\n')).toLatin1() + "\n");
        f.close();
        CSvfPlayerDialog passed(*cable, good);
        QVERIFY(passed.Play());
        QVERIFY(passed.Result().Passed());
        QCOMPARE(passed.Report()->toPlainText(), QString::fromLatin1(kSvfPlayPassed));

        // Cancelling the file dialog opens nothing.
        view->askSvfFile = [](QWidget*) { return QString(); };
        bool seen = false;
        OnDialog([](CSvfPlayerDialog*) {}, &seen);
        view->PlaySvf();
        QTest::qWait(20);
        QVERIFY(!seen);

        const QString missing = m_dir.filePath(QStringLiteral("none.svf"));
        CSvfPlayerDialog unreadable(*cable, missing);
        QVERIFY(!unreadable.Play());
        QCOMPARE(unreadable.Report()->toPlainText(),
                 QString::fromLatin1(kMsgSvfFileUnreadable).arg(QDir::toNativeSeparators(missing)));
        QVERIFY(unreadable.Summary()->text().isEmpty());
    }

    void aDetachedCableIsReportedAndNothingPlays()
    {
        PlayerRig rig(std::string(kChainCable) + "?detached");
        Environment& env = rig.env;
        MainWindow& mw = rig.mw;
        CJtagCable* cable = mw.Application().Jtag().Cable();
        QVERIFY(cable);
        CSvfPlayerDialog d(*cable, WriteSvf());
        QVERIFY(!d.Play());
        QCOMPARE(d.Result().statements, 0u);
        QCOMPARE(env.MessageTexts(), QStringList{QString::fromLatin1(kMsgCableNotAttached)});
        QCOMPARE(d.Report()->toPlainText(), QString::fromLatin1(kMsgCableNotAttached));
    }

    // The picture of the dialog for the README (only with KALIDOR_SCREENSHOT_DIR).
    void screenshot()
    {
        const QString outDir = qEnvironmentVariable("KALIDOR_SCREENSHOT_DIR");
        if (outDir.isEmpty()) QSKIP("KALIDOR_SCREENSHOT_DIR not set");
        PlayerRig rig;
        MainWindow& mw = rig.mw;
        CJtagCable* cable = mw.Application().Jtag().Cable();
        QVERIFY(cable);
        CSvfPlayerDialog d(*cable, WriteSvf());
        d.KeepGoing()->setChecked(true);
        QVERIFY(d.Play());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::qWait(200);
        QVERIFY(d.grab().save(QDir(outDir).filePath(QStringLiteral("svf-player.png"))));
    }
};

static RegisterTest registerSvfPlayerDialog("SvfPlayerDialogTest", [] { return std::make_unique<SvfPlayerDialogTest>(); });

}  // namespace kalidor::test

#include "SvfPlayerDialogTest.moc"
