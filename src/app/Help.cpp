#include "app/Help.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

#include "app/BuildInfo.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

// The pages of the manual as its contents list shows them.
struct HelpPage {
    const char* file;
    const char* title;
};
constexpr HelpPage kPages[] = {
    {"index.htm", "Contents"},
    {"schematic.htm", "Editing a schematic"},
    {"simulation.htm", "Simulating and reading the plot"},
    {"files.htm", "Saving, exporting and the library"},
    {"programming.htm", "Programming a device"},
    {"cli.htm", "kalidor-cli"},
    {"chains.htm", "JTAG chains"},
    {"utilities.htm", "Design utilities"},
    {"macros.htm", "Macros"},
    {"dbus.htm", "The D-Bus interface"},
};

// Which page tells about which window, by the window's class.
struct ClassTopic {
    const char* className;
    const char* topic;
};
constexpr ClassTopic kClassTopics[] = {
    {"kalidor::CLibraryBrowserDlg", "files.htm#library"},
    {"kalidor::CImportExportDialog", "files.htm#import-export"},
    {"kalidor::CSummaryDialog", "files.htm#summary"},
    {"kalidor::CSimPropertySheet", "simulation.htm#options"},
    {"kalidor::CPltSplit", "simulation.htm#plot"},
    {"kalidor::CE2CellDBView", "schematic.htm#e2cells"},
    {"kalidor::CSchView", "schematic.htm"},
    {"kalidor::CListChooserDialog", "schematic.htm#editors"},
    {"kalidor::CModeDialog", "schematic.htm#editors"},
    {"kalidor::CUesDialog", "schematic.htm#editors"},
    {"kalidor::CNumberDialog", "schematic.htm#editors"},
    {"kalidor::CIdcodeDialog", "programming.htm#idcode"},
    {"kalidor::CJtagOptionsDialog", "programming.htm#interface"},
    {"kalidor::CInterfaceSelectDialog", "programming.htm#interface"},
    {"kalidor::CJtagInterfaceDialog", "programming.htm#interface"},
    {"kalidor::CJtagRegistersDialog", "programming.htm#registers"},
};

QString PageOf(const QString& topic) { return topic.section('#', 0, 0); }

QUrl TopicUrl(const QString& topic)
{
    QUrl url = QUrl::fromLocalFile(HelpFolder() + PageOf(topic));
    if (topic.contains('#'))
        url.setFragment(topic.section('#', 1));
    return url;
}

}  // namespace

QString HelpFolder()
{
    return QString::fromStdString(SupportFolder("html")) + '/';
}

QString HelpTopicFor(const QWidget* window)
{
    const QWidget* w = window;
    // A main window: its current document window.
    if (const QMdiArea* mdi = w ? w->findChild<QMdiArea*>() : nullptr; mdi && !qobject_cast<const QDialog*>(w))
        w = mdi->currentSubWindow() ? mdi->currentSubWindow()->widget() : nullptr;
    for (const QObject* o = w; o; o = o->parent())
        for (const ClassTopic& t : kClassTopics)
            if (o->inherits(t.className))
                return QLatin1String(t.topic);
    return QLatin1String(kHelpContentsPage);
}

// ---------------------------------------------------------------- help window

CHelpWindow::CHelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window)
{
    setWindowTitle(QLatin1String(kHelpWindowTitle));
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({HelpFolder()});
    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("helpContents"));
    for (const HelpPage& p : kPages) {
        auto* item = new QListWidgetItem(tr(p.title), m_contents);
        item->setData(Qt::UserRole, QLatin1String(p.file));
    }
    auto* split = new QSplitter(this);
    split->addWidget(m_contents);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 720});
    setCentralWidget(split);

    QToolBar* tb = addToolBar(tr("Navigation"));
    tb->setObjectName(QStringLiteral("helpToolBar"));
    QStyle* st = style();
    QAction* back = tb->addAction(st->standardIcon(QStyle::SP_ArrowBack), tr("&Back"), m_browser, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    QAction* forward =
        tb->addAction(st->standardIcon(QStyle::SP_ArrowForward), tr("&Forward"), m_browser, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    tb->addAction(st->standardIcon(QStyle::SP_DirHomeIcon), tr("&Contents"), this,
                  [this] { ShowTopic(QLatin1String(kHelpContentsPage)); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &CHelpWindow::SyncContents);
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toString()); });
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toString()); });
    resize(1000, 720);
}

bool CHelpWindow::ShowTopic(const QString& topic)
{
    if (!QFileInfo::exists(HelpFolder() + PageOf(topic)))
        return false;
    m_browser->setSource(TopicUrl(topic));
    return true;
}

void CHelpWindow::SyncContents(const QUrl& source)
{
    const QString page = QFileInfo(source.path()).fileName();
    for (int i = 0; i < m_contents->count(); ++i)
        if (m_contents->item(i)->data(Qt::UserRole).toString() == page) {
            const QSignalBlocker block(m_contents);
            m_contents->setCurrentRow(i);
        }
}

// ---------------------------------------------------------------- controller

CHelpController::CHelpController(QWidget* mainWindow)
    : QObject(mainWindow), m_main(mainWindow), m_external([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    qApp->installEventFilter(this);
}

CHelpController::~CHelpController()
{
    qApp->removeEventFilter(this);
    delete m_window;
}

void CHelpController::ShowContents() { ShowTopic(QLatin1String(kHelpContentsPage)); }

void CHelpController::ShowContextHelp()
{
    QWidget* active = QApplication::activeModalWidget();
    if (!active)
        active = QApplication::activeWindow();
    if (!active || active == m_window)
        active = m_main;
    ShowTopic(HelpTopicFor(active));
}

bool CHelpController::ShowTopic(const QString& topic)
{
    if (!QFileInfo::exists(HelpFolder() + PageOf(topic))) {
        CurrentPrompter().Message(QString::fromLatin1(kMsgHelpMissing).arg(HelpFolder() + PageOf(topic)).toStdString(),
                                  "Kalidor", Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    if (!m_embedded)
        return m_external(TopicUrl(topic));
    if (!m_window)
        m_window = new CHelpWindow(nullptr);
    m_window->ShowTopic(topic);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return true;
}

bool CHelpController::eventFilter(QObject* watched, QEvent* event)
{
    // F1 in any window of the program, a modal dialog included.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && watched->isWidgetType()) {
        ShowContextHelp();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- About

QString AboutText()
{
    return QStringLiteral(
               "<h3>Kalidor %1</h3>"
               "<p>Design tool for the Zel family of in-system programmable analog devices: schematics, "
               "frequency response, design files, exports and JTAG programming.</p>"
               "<p>Copyright &copy; Norvane Dividaduzudav Corporation.<br>Licence: %2</p>"
               "<p><b>Build</b><br>%3 build, %4<br>Built with Qt %5, running on Qt %6<br>%7</p>")
        .arg(QLatin1String(kBuildVersion), QString::fromLatin1(kBuildLicence).toHtmlEscaped(),
             QLatin1String(kBuildType), QLatin1String(kBuildCompiler), QLatin1String(QT_VERSION_STR),
             QLatin1String(qVersion()), QSysInfo::prettyProductName().toHtmlEscaped());
}

void ShowAboutBox(QWidget* parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QObject::tr("About Kalidor"));
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setTextFormat(Qt::RichText);
    box.setText(AboutText());
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.exec();
}

}  // namespace kalidor
