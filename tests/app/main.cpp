// The tests of the desktop program, run under QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QtTest>

#include "AppTests.h"
#include "platform/Paths.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kalidor Tests"));
    QApplication::setApplicationName(QStringLiteral("test_app"));
    // Support files are beside the programs in the build tree.
    kalidor::SetProgramDirectory(KALIDOR_BIN_DIR);
    int status = 0;
    // A test class may be chosen by name as the first argument; the rest go to QTest.
    QStringList args = QApplication::arguments();
    QString only;
    if (args.size() > 1 && !args[1].startsWith('-')) {
        only = args[1];
        args.removeAt(1);
    }
    for (auto& [name, make] : kalidor::test::TestClasses()) {
        if (!only.isEmpty() && only != name)
            continue;
        std::unique_ptr<QObject> t = make();
        status |= QTest::qExec(t.get(), args);
    }
    return status;
}
