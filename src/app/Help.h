// Help and support: the bundled HTML manual in the program's own help window (or the desktop's
// browser, as the "HelpConfig"/"EnableEmbeddedIE" setting says), F1 at the topic of the active
// window, and the About box.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QTextBrowser;
class QListWidget;

namespace kalidor {

inline constexpr const char* kHelpWindowTitle = "Kalidor Help";
inline constexpr const char* kHelpContentsPage = "index.htm";
inline constexpr const char* kMenuHelpTopics = "&Help Topics";
inline constexpr const char* kMenuAbout = "&About Kalidor...";
inline constexpr const char* kMsgHelpMissing = "The help page %1 could not be found.";

// The folder of the manual (the "html" support folder), with a trailing '/'.
QString HelpFolder();
// The page (with an anchor where one fits) that tells about `window`: the class of a dialog, or
// of the current document window of a main window; the contents page for anything else.
QString HelpTopicFor(const QWidget* window);

// The program's own help window: the manual's contents beside the page, with Back, Forward and
// Contents.
class CHelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);
    // Shows `topic` ("simulation.htm#plot"); false when the page is not there.
    bool ShowTopic(const QString& topic);
    QTextBrowser* Browser() const { return m_browser; }
    QListWidget* Contents() const { return m_contents; }

private:
    // Marks the page being shown in the contents list.
    void SyncContents(const QUrl& source);
    QTextBrowser* m_browser;
    QListWidget* m_contents;
};

class CHelpController : public QObject {
    Q_OBJECT
public:
    // `mainWindow` is the window whose document windows F1 looks at; F1 works in every window
    // of the application.
    explicit CHelpController(QWidget* mainWindow);
    ~CHelpController() override;

    // True: the program's own help window; false: the desktop's browser.
    void SetEmbedded(bool embedded) { m_embedded = embedded; }
    bool Embedded() const { return m_embedded; }
    // How a page reaches the desktop's browser (tests replace it).
    void SetExternalOpener(std::function<bool(const QUrl&)> opener) { m_external = std::move(opener); }

    // Help Topics: the contents page.
    void ShowContents();
    // F1: the topic of the active window (a dialog over it included).
    void ShowContextHelp();
    // Shows a page of the manual; false (after a message) when it is missing.
    bool ShowTopic(const QString& topic);
    CHelpWindow* Window() const { return m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_main;
    QPointer<CHelpWindow> m_window;
    bool m_embedded = true;
    std::function<bool(const QUrl&)> m_external;
};

// The About box: version, licence and build information.
QString AboutText();
void ShowAboutBox(QWidget* parent);

}  // namespace kalidor
