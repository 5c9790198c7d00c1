// The start of the desktop program: settings store, prompter, the application object (documents,
// recent files, programming interface), the main window over it and the files named on the
// command line.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace kalidor {

class CAutomationServer;
class CKalidorApplication;
class MainWindow;
class QtPrompter;
class QtSettings;

inline constexpr const char* kHelpSection = "HelpConfig";
inline constexpr const char* kEmbeddedHelpEntry = "EnableEmbeddedIE";

// The files to open from the command-line arguments (without the program name): every
// argument that is not a switch, in order. Started for embedding or automation ("-Embedding",
// "/Automation", "--automation", ...), nothing is opened.
QStringList CommandLineFiles(const QStringList& args);
// The first of them, or an empty string.
QString CommandLineFile(const QStringList& args);

// Chooses the event loop before the application object is made: Qt's own loop, unless QT_NO_GLIB
// is set already or a GTK platform theme (asked for in QT_QPA_PLATFORMTHEME, or installed in
// `pluginsPath`) may run GTK's dialogs, which need the GLib loop. Every automation call crosses
// from the bus connection's thread to the window's and back, and the GLib loop makes each of
// those wake-ups several times as slow. Returns whether Qt's loop was chosen (by setting
// QT_NO_GLIB, which the caller takes away again once its threads are made, so that the programs
// it starts get the environment it was given).
bool ChooseEventLoop(const QString& pluginsPath);

class CKalidorApp {
public:
    CKalidorApp();
    ~CKalidorApp();
    // Runs the start sequence; false when the main window cannot be made.
    bool InitInstance(const QStringList& args);
    MainWindow* Main() const { return m_main.get(); }
    CKalidorApplication* Application() const { return m_application.get(); }
    bool EmbeddedHelp() const { return m_embeddedHelp; }
    // The automation server on the session bus (nullptr without a session bus).
    CAutomationServer* Automation() const { return m_automation.get(); }

private:
    std::unique_ptr<QtSettings> m_settings;
    std::unique_ptr<QtPrompter> m_prompter;
    std::unique_ptr<CKalidorApplication> m_application;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<CAutomationServer> m_automation;
    bool m_embeddedHelp = true;
};

}  // namespace kalidor
