#include "app/KalidorApp.h"

#include <QDBusConnection>
#include <QDir>
#include <QStatusBar>

#include "app/AutomationServer.h"
#include "app/Help.h"
#include "app/MainWindow.h"
#include "application/KalidorApplication.h"
#include "app/QtPrompter.h"
#include "app/QtSettings.h"
#include "jtag/ui/JtagUi.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor {

QStringList CommandLineFiles(const QStringList& args)
{
    for (const QString& a : args) {
        const QString lower = a.toLower();
        if (lower == "-embedding" || lower == "/embedding" || lower == "-automation" || lower == "/automation" ||
            lower == "--automation")
            return {};
    }
    QStringList files;
    for (const QString& a : args)
        if (!a.isEmpty() && !a.startsWith('-') && !(a.startsWith('/') && a.size() > 1 && !a.mid(1).contains('/')))
            files << a;
    return files;
}

QString CommandLineFile(const QStringList& args)
{
    const QStringList files = CommandLineFiles(args);
    return files.isEmpty() ? QString() : files.front();
}

bool ChooseEventLoop(const QString& pluginsPath)
{
    if (qEnvironmentVariableIsSet("QT_NO_GLIB"))
        return false;
    if (qEnvironmentVariable("QT_QPA_PLATFORMTHEME").contains(QLatin1String("gtk"), Qt::CaseInsensitive))
        return false;
    const QDir themes(pluginsPath + QStringLiteral("/platformthemes"));
    if (!themes.entryList({QStringLiteral("*gtk*")}, QDir::Files).isEmpty())
        return false;
    qputenv("QT_NO_GLIB", "1");
    return true;
}

CKalidorApp::CKalidorApp() = default;

CKalidorApp::~CKalidorApp()
{
    // The automation objects go first, then the window, then the application whose documents it
    // shows.
    m_automation.reset();
    m_main.reset();
    m_application.reset();
    SetCurrentPrompter(nullptr);
    SetCurrentSettings(nullptr);
}

bool CKalidorApp::InitInstance(const QStringList& args)
{
    // Settings store (recent files are loaded by the main window), help configuration.
    m_settings = std::make_unique<QtSettings>();
    SetCurrentSettings(m_settings.get());
    m_embeddedHelp = CurrentSettings().GetInt(kHelpSection, kEmbeddedHelpEntry, 1) != 0;

    // The application object and the main window over it, with menus, toolbar and status bar;
    // messages appear over it.
    m_application = std::make_unique<CKalidorApplication>();
    m_main = std::make_unique<MainWindow>(*m_application);
    m_main->Help()->SetEmbedded(m_embeddedHelp);
    m_prompter = std::make_unique<QtPrompter>(m_main.get(), m_main->statusBar());
    SetCurrentPrompter(m_prompter.get());
    // The programming interface of KALIDOR.INI: the application-wide SVF interpreter and port.
    m_main->Jtag()->Start();
    for (SchDocument* d : m_main->Documents())
        m_main->Jtag()->AttachDocument(d);

    m_main->show();
    // The automation objects on the session bus (a program without one simply has none).
    auto automation = std::make_unique<CAutomationServer>(*m_main, QDBusConnection::sessionBus());
    if (automation->Start())
        m_automation = std::move(automation);
    // A file that cannot be opened has been reported; the program stays open.
    for (const QString& file : CommandLineFiles(args))
        m_main->OpenFile(file);
    return true;
}

}  // namespace kalidor
