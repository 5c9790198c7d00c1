// The programming commands in the main window: their places in the Tools and Options menus, and
// the documents tied to the application's interface (on a virtual cable).
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/MainWindow.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/ui/JtagUi.h"

namespace kalidor::test {

class MainWindowJtagTest : public QObject {
    Q_OBJECT

private slots:
    void commandsSitInToolsAndOptions()
    {
        Environment env;
        MainWindow mw;
        QMenu* tools = TopMenu(mw, QStringLiteral("&Tools"));
        QMenu* options = TopMenu(mw, QStringLiteral("&Options"));
        QVERIFY(tools && options);
        const QStringList t = ActionNames(tools);
        // Simulation first, then the programming commands, then the post-upload actions.
        const int sim = static_cast<int>(t.indexOf(QStringLiteral("actionSimulatorOptions")));
        const int download = static_cast<int>(t.indexOf(QStringLiteral("actionJtagDownload")));
        QVERIFY(sim >= 0 && download > sim);
        QCOMPARE(t.mid(download, 5), (QStringList{"actionJtagDownload", "actionJtagUpload", "actionJtagVerify",
                                                   "actionJtagReadIdcode", "actionJtagAutoCal"}));
        QCOMPARE(mw.Action("actionJtagDownload")->text(), QStringLiteral("&Download"));
        QCOMPARE(mw.Action("actionJtagReadIdcode")->text(), QStringLiteral("Read &IDCODE"));
        QVERIFY(t.contains(QStringLiteral("actionJtagRegisters")));
        QVERIFY(t.indexOf(QStringLiteral("actionDeviceManager")) > download);
        QCOMPARE(ActionNames(options), (QStringList{"actionJtagInterface", "actionJtagOptions"}));
        QCOMPARE(mw.Action("actionJtagInterface")->text(), QStringLiteral("JTAG Interface..."));

        // The document commands need a document.
        QVERIFY(!mw.Action("actionJtagDownload")->isEnabled());
        QVERIFY(mw.NewDocument(QStringLiteral("ZelB")));
        QVERIFY(mw.Action("actionJtagDownload")->isEnabled());
        QVERIFY(mw.Action("actionJtagInterface")->isEnabled());
    }

    void documentsUseTheApplicationsInterface()
    {
        Environment env;
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, "virtual:ZelA");
        MainWindow mw;
        mw.Jtag()->Start(&env.settings, "");
        std::vector<CIdcodeFields> shown;
        mw.Jtag()->showIdcode = [&](const CIdcodeFields& f) { shown.push_back(f); };
        CSvfInterpreter* interpreter = mw.Jtag()->Interface().Interpreter();
        QVERIFY(interpreter);

        SchDocument* a = mw.NewDocument(QStringLiteral("ZelA"));
        SchDocument* b = mw.NewDocument(QStringLiteral("ZelA"));
        QCOMPARE(a->Doc().JtagDevice()->GetInterpreter(), interpreter);
        QCOMPARE(b->Doc().JtagDevice()->GetInterpreter(), interpreter);

        // Read IDCODE from the menu acts on the active document and ends in the IDCODE dialog.
        QCOMPARE(mw.ActiveDocument(), b);
        mw.Action("actionJtagReadIdcode")->trigger();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(shown[0].deviceType), QStringLiteral("ZelA"));

        // The interpreter stays with the document through an Undo.
        b->Change(QStringLiteral("edit"), [&] {
            b->Doc().SetSymValue(9, 1);
            return true;
        });
        b->UndoStack()->undo();
        QCOMPARE(b->Doc().JtagDevice()->GetInterpreter(), interpreter);
    }
};

static RegisterTest registerMainWindowJtag("MainWindowJtagTest", [] { return std::make_unique<MainWindowJtagTest>(); });

}  // namespace kalidor::test

#include "MainWindowJtagTest.moc"
