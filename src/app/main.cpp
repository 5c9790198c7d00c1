// kalidor: the interactive design program for the Zel devices.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <cstdio>

#include "app/KalidorApp.h"
#include "app/MainWindow.h"
#include "app/QtSettings.h"
#include "document/ui/SchDocument.h"
#include "view/ui/SchView.h"

namespace {

// With KALIDOR_STARTUP_REPORT set, the program prints one line once the active schematic has
// been painted for the first time — the resident memory at that moment — and quits. The start-up
// measurement script times the whole process around it.
class FirstPaintReporter : public QObject {
public:
    explicit FirstPaintReporter(const kalidor::MainWindow* main) : m_main(main) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [this] {
                std::fprintf(stderr, "kalidor: first paint; %d designs open, %s\n",
                             int(m_main->Documents().size()), ResidentMemory().c_str());
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static std::string ResidentMemory()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        std::string rss = "resident memory unknown";
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS:"))
                    rss = "resident memory " + line.mid(6).simplified().toStdString();
        return rss;
    }
    const kalidor::MainWindow* m_main;
    bool m_seen = false;
};

}  // namespace

int main(int argc, char** argv)
{
    const bool qtLoop = kalidor::ChooseEventLoop(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(kalidor::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(kalidor::kApplication));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));
    // The icon of every window, and the desktop entry the windows belong to.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kalidor.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("kalidor"));

    kalidor::CKalidorApp kalidorApp;
    if (!kalidorApp.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    // The window's thread and the bus connection's thread run on the loop chosen; the programs
    // Kalidor starts (macros, the SVF server) get the environment it was given.
    if (qtLoop)
        qunsetenv("QT_NO_GLIB");

    FirstPaintReporter reporter(kalidorApp.Main());
    if (qEnvironmentVariableIsSet("KALIDOR_STARTUP_REPORT")) {
        kalidor::CSchView* view = kalidorApp.Main()->ActiveSchView();
        if (!view) {
            std::fprintf(stderr, "kalidor: no schematic open\n");
            return 1;
        }
        view->viewport()->installEventFilter(&reporter);
    }
    return QApplication::exec();
}
