#include "app/MainWindow.h"

#include "document/Exports.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoGroup>
#include <QVBoxLayout>

#include "app/Help.h"
#include "app/MacroDialogs.h"
#include "platform/Paths.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "document/SpiceExport.h"
#include "document/ui/E2CellView.h"
#include "document/LibraryReader.h"
#include "document/ui/ImportExportDialog.h"
#include "document/ui/LibraryBrowserDlg.h"
#include "document/ui/SchDocument.h"
#include "document/ui/SummaryDialog.h"
#include "jtag/ui/JtagTraceView.h"
#include "jtag/ui/JtagUi.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "sim/Plot.h"
#include "sim/ui/PlotDocumentLink.h"
#include "utilities/ui/DesignUtilityWindows.h"
#include "sim/ui/PlotWindow.h"
#include "sim/ui/SimPropertySheet.h"
#include "view/DeviceSchematic.h"
#include "view/ui/SchView.h"
#include "document/JTAGDoc.h"
#include "document/ui/JTAGView.h"

namespace kalidor {

QStringList NewDocumentKinds()
{
    QStringList kinds;
    for (const char* t : kDeviceTypeNames)
        kinds << QStringLiteral("%1 Schematic").arg(QLatin1String(t));
    kinds << QLatin1String(kChainKind);
    return kinds;
}

// The window of a JTAG chain. Closing it closes the chain, which is refused while schematics
// embedded in it are open and asks to save a modified chain.
class CChainFrame : public QMdiSubWindow {
public:
    CChainFrame(MainWindow* main, CJTAGView* view) : m_main(main), m_view(view)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setWidget(view);
    }
    CJTAGView* View() const { return m_view; }
    bool m_force = false;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (!m_force && !m_main->ChainCloseRequested(m_view)) {
            e->ignore();
            return;
        }
        QMdiSubWindow::closeEvent(e);
    }

private:
    MainWindow* m_main;
    CJTAGView* m_view;
};

// A document window. Closing the schematic window of a document closes the document (after
// asking to save it) and with it every other window of that document.
class CChildFrame : public QMdiSubWindow {
public:
    CChildFrame(MainWindow* main, SchDocument* doc, bool schematic)
        : m_main(main), m_doc(doc), m_schematic(schematic)
    {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    SchDocument* Doc() const { return m_doc; }
    bool IsSchematic() const { return m_schematic; }
    bool m_force = false;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        if (m_schematic && !m_force && !m_main->ChildCloseRequested(this)) {
            e->ignore();
            return;
        }
        QMdiSubWindow::closeEvent(e);
    }

private:
    MainWindow* m_main;
    QPointer<SchDocument> m_doc;
    bool m_schematic;
};

namespace {

CChildFrame* Frame(QMdiSubWindow* w) { return dynamic_cast<CChildFrame*>(w); }
CChainFrame* ChainFrame(QMdiSubWindow* w) { return dynamic_cast<CChainFrame*>(w); }

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(*new CKalidorApplication, parent)
{
    m_ownApp.reset(m_app);
}

MainWindow::MainWindow(CKalidorApplication& app, QWidget* parent) : QMainWindow(parent), m_app(&app)
{
    setWindowTitle(kAppTitle);
    setObjectName(QStringLiteral("MainWindow"));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_undoGroup = new QUndoGroup(this);
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageOrientation(QPageLayout::Landscape);
    m_jtag = new CJtagUi(this, *m_app, [this] { return ActiveDocument(); }, this);
    m_help = new CHelpController(this);

    CreateActions();
    CreateMenus();
    // Status panes 1 and 2 of the plot read-out: the curve, and the crosshair values.
    for (int i = 0; i < 2; ++i) {
        m_statusPane[i] = new QLabel(this);
        m_statusPane[i]->setObjectName(QStringLiteral("statusPane%1").arg(i + 1));
        m_statusPane[i]->setMinimumWidth(i == 0 ? 170 : 240);
        m_statusPane[i]->setTextFormat(Qt::PlainText);
        statusBar()->addPermanentWidget(m_statusPane[i]);
    }
    statusBar()->showMessage(QStringLiteral("Ready"));
    m_app->AddObserver(this);
    m_app->LoadRecentFiles();
    // Documents the application holds already get their windows.
    for (CSchDoc* d : m_app->Schematics())
        AddDocument(*d);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (w)
            m_current = w;
        if (CChildFrame* f = Frame(w); f && f->Doc())
            m_undoGroup->setActiveStack(f->Doc()->UndoStack());
        else if (ChainFrame(w))
            m_undoGroup->setActiveStack(nullptr);  // the chain window has its own Undo
        UpdateActions();
        RefreshStatusPanes();
    });
    UpdateActions();
    resize(1100, 780);
}

MainWindow::~MainWindow()
{
    m_app->RemoveObserver(this);
    // Views go before their documents, the window side of the documents before the documents.
    m_closingAll = true;
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (CChildFrame* f = Frame(w))
            f->m_force = true;
        if (CChainFrame* f = ChainFrame(w))
            f->m_force = true;
    }
    m_mdi->closeAllSubWindows();
    qDeleteAll(m_mdi->subWindowList());
    for (SchDocument* d : m_docs)
        m_undoGroup->removeStack(d->UndoStack());
    qDeleteAll(m_docs);
    m_docs.clear();
}

QAction* MainWindow::Action(const QString& objectName) const
{
    // findChild walks every object of the window; an action once found is kept while it lives,
    // keeps its name and stays in the window.
    if (const QPointer<QAction> known = m_actionsByName.value(objectName); known && known->objectName() == objectName)
        for (const QObject* o = known; o; o = o->parent())
            if (o == this)
                return known;
    QAction* a = findChild<QAction*>(objectName);
    if (a)
        m_actionsByName.insert(objectName, a);
    return a;
}

// ---------------------------------------------------------------- actions and menus

void MainWindow::CreateActions()
{
    auto make = [this](const char* name, const QString& text, auto slot, const QKeySequence& key = {}) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QStyle* st = style();
    make("actionNew", tr("&New..."), &MainWindow::OnNew, QKeySequence::New)
        ->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    make("actionOpen", tr("&Open..."), &MainWindow::OnOpen, QKeySequence::Open)
        ->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    make("actionClose", tr("&Close"), &MainWindow::OnClose, QKeySequence::Close);
    make("actionSave", tr("&Save"), &MainWindow::OnSave, QKeySequence::Save)
        ->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    make("actionSaveAs", tr("Save &As..."), &MainWindow::OnSaveAs, QKeySequence::SaveAs);
    make("actionBrowseLibrary", tr(kMenuBrowseLibrary), &MainWindow::OnBrowseLibrary)->setStatusTip(tr(kStatusBrowseLibrary));
    make("actionHelpTopics", tr(kMenuHelpTopics), [this] { m_help->ShowContents(); })
        ->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));
    make("actionSummary", tr("Summary &Info..."), [this] { EditSummaryInfo(); });
    make("actionImport", tr("&Import..."), [this] { OnImportExport(true); });
    make("actionExport", tr("Expor&t..."), [this] { OnImportExport(false); });
    make("actionPrint", tr("&Print..."), &MainWindow::OnPrint, QKeySequence::Print);
    make("actionPrintPreview", tr("Print Pre&view"), &MainWindow::OnPrintPreview);
    make("actionPageSetup", tr("Page Set&up..."), &MainWindow::OnPageSetup);
    make("actionExportPdf", tr("&Export to PDF..."), &MainWindow::OnExportPdf);
    make("actionExit", tr("E&xit"), [this] { close(); }, QKeySequence::Quit);

    QAction* undo = m_undoGroup->createUndoAction(this, tr("&Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setIcon(st->standardIcon(QStyle::SP_ArrowBack));
    QAction* redo = m_undoGroup->createRedoAction(this, tr("&Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)});
    redo->setIcon(st->standardIcon(QStyle::SP_ArrowForward));
    make("actionCopy", tr("&Copy"), [] {}, QKeySequence::Copy)->setEnabled(false);
    make("actionPaste", tr("&Paste"), [] {}, QKeySequence::Paste)->setEnabled(false);
    make("actionClear", tr("C&lear Schematic..."), [this] { ClearSchematic(); });

    make("actionRedraw", tr("&Redraw"), [this] {
        if (CSchView* v = ActiveSchView())
            v->Redraw();
    });
    make("actionZoomSelect", tr("Zoom In &Select"), [this] {
        if (CSchView* v = ActiveSchView())
            v->ZoomInSelect();
    });
    make("actionZoomPrevious", tr("Zoom &Previous"), [this] {
        if (CSchView* v = ActiveSchView())
            v->ZoomPrevious();
    });
    make("actionZoomAll", tr("Zoom &All"), [this] {
        if (CSchView* v = ActiveSchView())
            v->ZoomAll();
    });
    QAction* pos = make("actionShowXY", tr("Show XY position"), [this](bool on) {
        if (CSchView* v = ActiveSchView())
            v->SetShowPosition(on);
    });
    pos->setCheckable(true);
    QAction* hit = make("actionShowHitTest", tr("Show HitTest Area"), [this](bool on) {
        if (CSchView* v = ActiveSchView())
            v->SetShowHitArea(on);
    });
    hit->setCheckable(true);
    make("actionE2Cells", tr("&E2 Cells"), [this] {
        if (SchDocument* d = ActiveDocument())
            OpenE2CellView(d);
    });
    make("actionPlotWindow", tr("&Plot Window"), [this] {
        if (SchDocument* d = ActiveDocument())
            OpenPlotWindow(d);
    });
    make("actionJtagTrace", tr(kMenuJtagTrace), [this] {
        if (SchDocument* d = ActiveDocument())
            OpenJtagTraceView(d);
    });
    make("actionRunSimulator", tr("Run &Simulator"), [this] { RunSimulator(); }, QKeySequence(Qt::Key_F5))
        ->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    make("actionSimulatorOptions", tr("Simulator &Options..."), [this] {
        if (SchDocument* d = ActiveDocument())
            SimulatorOptions(d);
    });
    QAction* dis = make("actionDisableOutputs", tr(kMenuDisableOutputs), [this](bool on) { SetDisableOutputs(on); });
    dis->setCheckable(true);
    QAction* coerce = make("actionCoerceIllegal", tr(kMenuCoerceIllegal), [this](bool on) { SetCoerceIllegal(on); });
    coerce->setCheckable(true);
    make("actionDeviceManager", tr("&Device Manager..."), &MainWindow::OnDeviceManager);
    make("actionDesignUtilities", tr("Design &Utilities..."), &MainWindow::OnDesignUtilities);
    make("actionUserMacros", tr("User-Defined &Macros..."), [this] { OnUserMacros(CMacroDialogMode::kRunUserMacro); });
    make("actionMacroHelp", tr("Help on Installed &Macros..."), [this] { OnUserMacros(CMacroDialogMode::kInstalledMacroHelp); });
    make("actionDeviceHelp", tr("Help for &Zel devices..."), [this] { OnUserMacros(CMacroDialogMode::kDeviceHelp); });
    // The design utility windows of the active design's type.
    auto utility = [this](bool ladder) {
        if (SchDocument* d = ActiveDocument(); d && d->Doc().Device())
            if (const int code = DesignUtilityFor(d->Doc().Device()->Kind(), ladder))
                OpenDesignUtility(d, code);
    };
    make("actionFilterConfigurations", tr("&Filter Configurations..."), [utility] { utility(false); });
    make("actionGainUtility", tr("&Gain Configuration Utility..."), [utility] { utility(false); });
    make("actionLadderFilters", tr("&Ladder Filter Configurations..."), [utility] { utility(true); });
    make("actionAbout", tr("&About Kalidor..."), &MainWindow::OnAbout);

    make("actionSaveXml", tr("Save Schematic as XML..."), [this] { OnSaveSchematicXml(); });
    make("actionOpenXml", tr("Open XML Schematic..."), [this] { OnOpenSchematicXml(); });
    make("actionDeleteDrawn", tr("Delete all DrawnElements"), [this] { OnDeleteDrawnElements(); });
    make("actionDebugControls", tr("Schematic Debug Controls..."), [this] { OnSchematicDebugControls(); });
}

void MainWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    for (const char* n : {"actionNew", "actionOpen", "actionClose", "actionSave", "actionSaveAs"})
        file->addAction(Action(QLatin1String(n)));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("actionBrowseLibrary")));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("actionSummary")));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("actionImport")));
    file->addAction(Action(QStringLiteral("actionExport")));
    file->addSeparator();
    for (const char* n : {"actionPrint", "actionPrintPreview", "actionPageSetup", "actionExportPdf"})
        file->addAction(Action(QLatin1String(n)));
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Files"));
    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("actionRecent%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, i] {
            const QStringList recent = RecentFiles();
            if (i < recent.size())
                OpenFile(recent[i]);
        });
        m_recentActions << a;
        m_recentMenu->addAction(a);
    }
    file->addSeparator();
    file->addAction(Action(QStringLiteral("actionExit")));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    m_editMenu = edit;
    edit->addAction(Action(QStringLiteral("actionUndo")));
    edit->addAction(Action(QStringLiteral("actionRedo")));
    edit->addSeparator();
    edit->addAction(Action(QStringLiteral("actionCopy")));
    edit->addAction(Action(QStringLiteral("actionPaste")));
    edit->addSeparator();
    edit->addAction(Action(QStringLiteral("actionClear")));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (const char* n : {"actionRedraw", "actionZoomSelect", "actionZoomPrevious", "actionZoomAll"})
        view->addAction(Action(QLatin1String(n)));
    view->addSeparator();
    view->addAction(Action(QStringLiteral("actionShowXY")));
    view->addAction(Action(QStringLiteral("actionShowHitTest")));
    view->addSeparator();
    view->addAction(Action(QStringLiteral("actionE2Cells")));
    view->addAction(Action(QStringLiteral("actionPlotWindow")));
    view->addAction(Action(QStringLiteral("actionJtagTrace")));

    QToolBar* tb = addToolBar(tr("Standard"));
    tb->setObjectName(QStringLiteral("toolBar"));
    for (const char* n : {"actionNew", "actionOpen", "actionSave"})
        tb->addAction(Action(QLatin1String(n)));
    tb->addSeparator();
    tb->addAction(Action(QStringLiteral("actionUndo")));
    tb->addAction(Action(QStringLiteral("actionRedo")));
    tb->addSeparator();
    for (const char* n : {"actionZoomSelect", "actionZoomPrevious", "actionZoomAll"})
        tb->addAction(Action(QLatin1String(n)));
    tb->addSeparator();
    tb->addAction(Action(QStringLiteral("actionRunSimulator")));
    view->addSeparator();
    view->addAction(tb->toggleViewAction());

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->addAction(Action(QStringLiteral("actionRunSimulator")));
    tools->addAction(Action(QStringLiteral("actionSimulatorOptions")));
    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("optionsMenu"));
    m_jtag->InstallMenus(tools, options);
    tools->addSeparator();
    QMenu* post = tools->addMenu(tr("Post-Upload Actions"));
    post->addAction(Action(QStringLiteral("actionDisableOutputs")));
    post->addAction(Action(QStringLiteral("actionCoerceIllegal")));
    tools->addSeparator();
    tools->addAction(Action(QStringLiteral("actionDesignUtilities")));
    tools->addAction(Action(QStringLiteral("actionUserMacros")));
    for (const char* n : {"actionFilterConfigurations", "actionGainUtility", "actionLadderFilters"})
        tools->addAction(Action(QLatin1String(n)));
    tools->addSeparator();
    tools->addAction(Action(QStringLiteral("actionDeviceManager")));

    m_devMenu = menuBar()->addMenu(tr("DEBUGSCHTYPE"));
    for (const char* n : {"actionSaveXml", "actionOpenXml", "actionDeleteDrawn", "actionDebugControls"})
        m_devMenu->addAction(Action(QLatin1String(n)));
    m_devMenu->menuAction()->setVisible(false);

    // The commands of the plot window, while it is the current window.
    m_plotMenu = menuBar()->addMenu(tr("&Plot"));
    m_plotMenu->setObjectName(QStringLiteral("plotMenu"));
    m_plotMenu->menuAction()->setVisible(false);

    m_windowMenu = menuBar()->addMenu(tr("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::UpdateWindowMenu);
    UpdateWindowMenu();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(QStringLiteral("actionHelpTopics")));
    help->addAction(Action(QStringLiteral("actionMacroHelp")));
    help->addAction(Action(QStringLiteral("actionDeviceHelp")));
    help->addSeparator();
    help->addAction(Action(QStringLiteral("actionAbout")));
}

void MainWindow::UpdateWindowMenu()
{
    m_windowMenu->clear();
    m_windowMenu->addAction(tr("&Cascade"), this, &MainWindow::CascadeSubWindows);
    m_windowMenu->addAction(tr("&Tile"), m_mdi, &QMdiArea::tileSubWindows);
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (!windows.isEmpty())
        m_windowMenu->addSeparator();
    int i = 1;
    for (QMdiSubWindow* w : windows) {
        QAction* a = m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(i++).arg(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == CurrentFrame());
        connect(a, &QAction::triggered, this, [this, w] { Activate(w); });
    }
}

void MainWindow::CascadeSubWindows()
{
    m_mdi->cascadeSubWindows();
    // Two thirds of the area, or the window's own size hint when that is larger, within the area.
    const QSize area = m_mdi->viewport()->size();
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (w->isMinimized())
            continue;
        QSize size = (area * 2 / 3).expandedTo(w->sizeHint()).boundedTo(area);
        size = size.expandedTo(w->minimumSizeHint());
        w->resize(size);
    }
}

void MainWindow::UpdateActions()
{
    SchDocument* doc = ActiveDocument();
    CSchView* view = ActiveSchView();
    const bool hasDoc = doc != nullptr;
    for (const char* n : {"actionClose", "actionSave", "actionSaveAs", "actionSummary", "actionImport", "actionExport",
                          "actionClear", "actionE2Cells", "actionPlotWindow", "actionJtagTrace", "actionRunSimulator",
                          "actionSimulatorOptions", "actionDisableOutputs", "actionCoerceIllegal"})
        Action(QLatin1String(n))->setEnabled(hasDoc);
    for (const char* n : {"actionRedraw", "actionZoomSelect", "actionZoomPrevious", "actionZoomAll", "actionShowXY",
                          "actionShowHitTest", "actionSaveXml", "actionOpenXml", "actionDeleteDrawn",
                          "actionDebugControls"})
        Action(QLatin1String(n))->setEnabled(view != nullptr);
    // Printing prints the schematic or the plot, whichever is the current window.
    for (const char* n : {"actionPrint", "actionPrintPreview", "actionExportPdf"})
        Action(QLatin1String(n))->setEnabled(view != nullptr || ActivePlotWindow() != nullptr);
    const DeviceConfig* device = doc ? doc->Doc().Device() : nullptr;
    Action(QStringLiteral("actionFilterConfigurations"))->setEnabled(device && device->Traits().filterConfigs);
    Action(QStringLiteral("actionGainUtility"))->setEnabled(device && device->Traits().gainUtility);
    Action(QStringLiteral("actionLadderFilters"))->setEnabled(device && device->Traits().ladderFilters);
    UpdatePlotMenu();
    {
        const QSignalBlocker b1(Action(QStringLiteral("actionShowXY")));
        const QSignalBlocker b2(Action(QStringLiteral("actionShowHitTest")));
        Action(QStringLiteral("actionShowXY"))->setChecked(view && view->ShowPosition());
        Action(QStringLiteral("actionShowHitTest"))->setChecked(view && view->ShowHitArea());
    }
    {
        const QSignalBlocker b1(Action(QStringLiteral("actionDisableOutputs")));
        const QSignalBlocker b2(Action(QStringLiteral("actionCoerceIllegal")));
        Action(QStringLiteral("actionDisableOutputs"))->setChecked(doc && doc->Doc().GetOutputDisable());
        Action(QStringLiteral("actionCoerceIllegal"))->setChecked(doc && doc->Doc().GetCoerceIllegal());
    }
    m_jtag->UpdateActions();
    CJTAGView* chain = ActiveChainView();
    Action(QStringLiteral("actionSave"))->setEnabled(hasDoc || chain);
    Action(QStringLiteral("actionSaveAs"))->setEnabled(hasDoc || chain);
    Action(QStringLiteral("actionClose"))->setEnabled(hasDoc || chain);
    UpdateEditMenu();
    QMdiSubWindow* w = CurrentFrame();
    setWindowTitle(w ? QStringLiteral("%1 - [%2]").arg(QLatin1String(kAppTitle), w->windowTitle())
                     : QString::fromLatin1(kAppTitle));
}

// ---------------------------------------------------------------- recent files

QStringList MainWindow::RecentFiles() const
{
    QStringList files;
    for (const std::string& f : m_app->RecentFiles())
        files << QString::fromStdString(f);
    return files;
}

void MainWindow::AddRecentFile(const QString& path) { m_app->AddRecentFile(path.toStdString()); }

void MainWindow::OnRecentFilesChanged() { UpdateRecentMenu(); }

void MainWindow::UpdateRecentMenu()
{
    const QStringList recent = RecentFiles();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* a = m_recentActions[i];
        if (i < recent.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(recent[i]));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

// ---------------------------------------------------------------- documents

void MainWindow::Activate(QMdiSubWindow* w)
{
    m_mdi->setActiveSubWindow(w);
    m_current = w;
    UpdateActions();
}

QMdiSubWindow* MainWindow::CurrentFrame() const
{
    if (QMdiSubWindow* w = m_mdi->currentSubWindow())
        return w;
    if (m_current && m_mdi->subWindowList().contains(m_current.data()))
        return m_current;
    const QList<QMdiSubWindow*> all = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
    return all.isEmpty() ? nullptr : all.last();
}

SchDocument* MainWindow::ActiveDocument() const
{
    CChildFrame* f = Frame(CurrentFrame());
    return f ? f->Doc() : nullptr;
}

CSchView* MainWindow::ActiveSchView() const
{
    QMdiSubWindow* w = CurrentFrame();
    return w ? qobject_cast<CSchView*>(w->widget()) : nullptr;
}

CSchView* MainWindow::SchViewOf(SchDocument* doc) const
{
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* f = Frame(w); f && f->Doc() == doc && f->IsSchematic())
            return qobject_cast<CSchView*>(w->widget());
    return nullptr;
}

QMdiSubWindow* MainWindow::AddChild(SchDocument* doc, QWidget* view)
{
    const bool schematic = qobject_cast<CSchView*>(view) != nullptr;
    auto* frame = new CChildFrame(this, doc, schematic);
    frame->setWidget(view);
    m_mdi->addSubWindow(frame);
    m_current = frame;
    const QString suffix = qobject_cast<CPltSplit*>(view) ? QStringLiteral(" - Gain/Phase Plot")
                           : !view->windowTitle().isEmpty() ? QStringLiteral(" - ") + view->windowTitle()
                                                            : QStringLiteral(" - E2 Cells");
    auto title = [frame, doc, schematic, suffix] {
        if (doc)
            frame->setWindowTitle(schematic ? doc->Title() : doc->DisplayName() + suffix);
    };
    title();
    connect(doc, &SchDocument::stateChanged, frame, [this, title] {
        title();
        UpdateActions();
    });
    return frame;
}

SchDocument* MainWindow::DocumentOf(const CSchDoc* doc) const
{
    for (SchDocument* d : m_docs)
        if (&d->Doc() == doc)
            return d;
    return nullptr;
}

void MainWindow::OnSchematicOpened(CSchDoc& doc) { AddDocument(doc); }

void MainWindow::OnSchematicClosing(CSchDoc& doc)
{
    // Closed by another caller than this window: its windows go now.
    SchDocument* d = DocumentOf(&doc);
    if (!d)
        return;
    m_docs.removeOne(d);
    m_undoGroup->removeStack(d->UndoStack());
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* f = Frame(w); f && f->Doc() == d) {
            f->m_force = true;
            f->close();
            delete f;
        }
    delete d;
    UpdateActions();
}

SchDocument* MainWindow::AddDocument(CSchDoc& core)
{
    auto* doc = new SchDocument(core, this);
    m_docs << doc;
    m_undoGroup->addStack(doc->UndoStack());
    m_undoGroup->setActiveStack(doc->UndoStack());
    connect(doc, &SchDocument::updated, this, [this] { UpdateActions(); });
    // The IDCODE dialog (the application has tied the document to its interface).
    m_jtag->AttachDocument(doc);
    // A run of the document (a command, automation) that wants the plot window shown.
    connect(doc, &SchDocument::plotWindowWanted, this, [this, doc] { OpenPlotWindow(doc); });
    auto* view = new CSchView(doc);
    connect(view, &CSchView::statusMessage, this, [this](const QString& t) { statusBar()->showMessage(t); });
    connect(view, &CSchView::developmentMenuRequested, this, &MainWindow::ShowDevelopmentMenu);
    connect(view, &CSchView::showPositionChanged, this, [this] { UpdateActions(); });
    connect(view, &CSchView::showHitAreaChanged, this, [this] { UpdateActions(); });
    QMdiSubWindow* frame = AddChild(doc, view);
    frame->resize(900, 620);
    if (m_mdi->subWindowList().size() == 1)
        frame->showMaximized();
    else
        frame->show();
    Activate(frame);
    view->setFocus();
    UpdateActions();
    return doc;
}

SchDocument* MainWindow::NewDocument(const QString& deviceType)
{
    CSchDoc* doc = m_app->NewSchematic(deviceType.toStdString());
    return doc ? DocumentOf(doc) : nullptr;
}

void MainWindow::ShowDocument(SchDocument* doc)
{
    if (CSchView* v = doc ? SchViewOf(doc) : nullptr)
        for (QMdiSubWindow* w : m_mdi->subWindowList())
            if (w->widget() == v)
                Activate(w);
}

SchDocument* MainWindow::OpenFile(const QString& path)
{
    if (IsChainFileName(path.toStdString())) {
        OpenChainFile(path);
        return nullptr;
    }
    // A file that is open already: its schematic window comes to the front.
    if (SchDocument* open = DocumentOf(m_app->FindSchematic(path.toStdString()))) {
        ShowDocument(open);
        return open;
    }
    CSchDoc* doc = m_app->OpenSchematic(path.toStdString());
    return doc ? DocumentOf(doc) : nullptr;
}

QString MainWindow::AskSaveFileName(SchDocument* doc)
{
    QString suggested = QString::fromStdString(doc->Doc().GetPathName());
    if (const CJtagChainElement* host = doc->Doc().HostElement())
        suggested = QString::fromStdString(host->GetName()) + QStringLiteral(".ZEL");
    else if (suggested.isEmpty())
        suggested = doc->DisplayName() + QStringLiteral(".ZEL");
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), suggested, tr(kDesignFilter));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ZEL");
    return path;
}

QString MainWindow::AskOpenFileName()
{
    return QFileDialog::getOpenFileName(this, tr("Open"), QString(), tr(kOpenFilter));
}

bool MainWindow::SaveDocumentAs(SchDocument* doc, const QString& path)
{
    if (!doc || path.isEmpty())
        return false;
    if (!doc->Save(path))
        return false;
    AddRecentFile(path);
    UpdateActions();
    return true;
}

bool MainWindow::SaveEmbeddedCopy(SchDocument* doc, const QString& path)
{
    if (!doc || path.isEmpty() || !doc->Doc().SaveCopyAs(path.toStdString()))
        return false;
    AddRecentFile(path);
    statusBar()->showMessage(tr(kMsgEmbeddedCopyWritten).arg(doc->DisplayName(), QDir::toNativeSeparators(path)));
    return true;
}

bool MainWindow::SaveDocument(SchDocument* doc)
{
    if (!doc)
        return false;
    // An embedded schematic saves into its chain element; no file on disk is touched.
    if (doc->Doc().IsEmbedded())
        return doc->Doc().SaveEmbedded();
    QString path = QString::fromStdString(doc->Doc().GetPathName());
    if (path.isEmpty())
        path = AskSaveFileName(doc);
    return SaveDocumentAs(doc, path);
}

bool MainWindow::SaveModified(SchDocument* doc)
{
    if (!doc || !doc->Doc().IsModified())
        return true;
    if (doc->Doc().IsEmbedded())
        return doc->Doc().SaveModified();
    const QString text = QString::fromLatin1(kMsgSaveChanges).arg(doc->DisplayName());
    switch (CurrentPrompter().Message(text.toStdString(), kAppTitle, Buttons::YesNoCancel, MessageIcon::Warning)) {
    case Answer::Yes: return SaveDocument(doc);
    case Answer::No: return true;
    default: return false;
    }
}

bool MainWindow::ChildCloseRequested(QMdiSubWindow* frame)
{
    CChildFrame* f = Frame(frame);
    SchDocument* doc = f ? f->Doc() : nullptr;
    if (!doc)
        return true;
    if (!m_closingAll && !SaveModified(doc))
        return false;
    // The document's other windows close with it.
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* other = Frame(w); other && other != f && other->Doc() == doc) {
            other->m_force = true;
            other->close();
        }
    RemoveDocument(doc);
    return true;
}

void MainWindow::RemoveDocument(SchDocument* doc)
{
    if (!m_docs.removeOne(doc))
        return;
    m_undoGroup->removeStack(doc->UndoStack());
    // An embedded schematic tells its chain element at once (the chain window shows it).
    doc->Doc().OnCloseDocument();
    doc->Adopt(m_app->CloseSchematic(doc->Doc()));
    doc->deleteLater();
    QMetaObject::invokeMethod(this, [this] { UpdateActions(); }, Qt::QueuedConnection);
}

bool MainWindow::CloseDocument(SchDocument* doc)
{
    if (!doc || !m_docs.contains(doc))
        return true;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* f = Frame(w); f && f->Doc() == doc && f->IsSchematic()) {
            f->close();
            break;
        }
    return !m_docs.contains(doc);
}

QWidget* MainWindow::ActivateViewOf(SchDocument* doc, const std::function<bool(QWidget*)>& matches)
{
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* f = Frame(w); f && f->Doc() == doc && w->widget() && matches(w->widget())) {
            Activate(w);
            return w->widget();
        }
    return nullptr;
}

QWidget* MainWindow::ShowNewView(SchDocument* doc, QWidget* view, QSize size)
{
    QMdiSubWindow* frame = AddChild(doc, view);
    frame->resize(size);
    frame->show();
    Activate(frame);
    return view;
}

CE2CellDBView* MainWindow::OpenE2CellView(SchDocument* doc)
{
    if (!doc)
        return nullptr;
    if (QWidget* open = ActivateViewOf(doc, [](QWidget* w) { return qobject_cast<CE2CellDBView*>(w) != nullptr; }))
        return static_cast<CE2CellDBView*>(open);
    return static_cast<CE2CellDBView*>(ShowNewView(doc, new CE2CellDBView(doc), QSize(420, 520)));
}

QWidget* MainWindow::OpenDesignUtility(SchDocument* doc, int code)
{
    if (!doc)
        return nullptr;
    if (QWidget* open = ActivateViewOf(doc, [code](QWidget* w) { return w->property("designUtility").toInt() == code; }))
        return open;
    QWidget* view = CreateDesignUtilityView(doc, code);
    if (!view)
        return nullptr;
    const bool gains = code == kUtilityZelAGains || code == kUtilityZelBGains;
    return ShowNewView(doc, view, gains ? QSize(900, 520) : QSize(1000, 560));
}

CJtagTraceView* MainWindow::OpenJtagTraceView(SchDocument* doc)
{
    if (!doc || !doc->Doc().JtagDevice())
        return nullptr;
    if (QWidget* open = ActivateViewOf(doc, [](QWidget* w) { return qobject_cast<CJtagTraceView*>(w) != nullptr; }))
        return static_cast<CJtagTraceView*>(open);
    return static_cast<CJtagTraceView*>(ShowNewView(doc, new CJtagTraceView(doc), QSize(760, 480)));
}

CPltSplit* MainWindow::PlotWindowOf(SchDocument* doc) const
{
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChildFrame* f = Frame(w); f && f->Doc() == doc)
            if (auto* p = qobject_cast<CPltSplit*>(w->widget()))
                return p;
    return nullptr;
}

CPltSplit* MainWindow::ActivePlotWindow() const
{
    QMdiSubWindow* w = CurrentFrame();
    return w ? qobject_cast<CPltSplit*>(w->widget()) : nullptr;
}

CPltSplit* MainWindow::OpenPlotWindow(SchDocument* doc)
{
    if (!doc || !doc->Doc().Plot())
        return nullptr;
    if (CPltSplit* open = PlotWindowOf(doc)) {
        for (QMdiSubWindow* w : m_mdi->subWindowList())
            if (w->widget() == open)
                Activate(w);
        return open;
    }
    CSchDoc& d = doc->Doc();
    auto* plot = new CPltSplit(*d.Plot());
    plot->setObjectName(QStringLiteral("plotWindow"));
    CPlotDocumentLink::Attach(*plot, *doc);
    // The read-out appears once, in the status bar: the plot's own row is hidden here, and the
    // bar shows the plot the crosshair is moving in, whichever document is active.
    plot->SetStatusRowShown(false);
    connect(plot, &CPltSplit::statusText, this, [this](int pane, const QString& text) { SetStatusPane(pane, text); });

    QMdiSubWindow* frame = AddChild(doc, plot);
    frame->resize(640, 560);
    frame->show();
    // Data computed while the window was closed is shown whole.
    const PlotLimits& limits = d.Plot()->Limits();
    if (limits.HasData() && limits.maxX > limits.minX)
        plot->ZoomAll();
    Activate(frame);
    plot->Redraw();
    RefreshStatusPanes();
    return plot;
}

void MainWindow::ShowImportedPlot(SchDocument* doc, int hint)
{
    OpenPlotWindow(doc);
    doc->Doc().UpdateAllViews(hint);
}

bool MainWindow::RunSimulator()
{
    SchDocument* doc = ActiveDocument();
    if (!doc || !doc->Doc().Device())
        return false;
    bool open = false;
    const bool ok = doc->Doc().RunSimulation(&open);
    if (ok && open)
        OpenPlotWindow(doc);
    if (const CPlot* plot = doc->Doc().Plot())
        SetStatusPane(1, QString::fromStdString(plot->CurveStatusText()));
    UpdateActions();
    return ok;
}

bool MainWindow::SimulatorOptions(SchDocument* doc) { return doc && EditSimulatorOptions(*doc, this); }

void MainWindow::OnImportExport(bool import)
{
    SchDocument* doc = ActiveDocument();
    if (!doc || !doc->Doc().Device())
        return;
    const CImportExportPlot plot{doc->Doc().Plot(), [this, doc](int hint) { ShowImportedPlot(doc, hint); }};
    if (import)
        doc->Change(tr("Import"), [&] { return RunImportExportDialog(this, doc->Doc(), true, plot); });
    else
        RunImportExportDialog(this, doc->Doc(), false, plot);
    UpdateActions();
}

QString MainWindow::StatusPaneText(int pane) const { return m_statusPane[pane == 2 ? 1 : 0]->text(); }

void MainWindow::SetStatusPane(int pane, const QString& text) { m_statusPane[pane == 2 ? 1 : 0]->setText(text); }

void MainWindow::RefreshStatusPanes()
{
    CPltSplit* plot = PlotWindowOf(ActiveDocument());
    SetStatusPane(1, plot ? plot->StatusText(1) : QString());
    SetStatusPane(2, plot ? plot->StatusText(2) : QString());
}

void MainWindow::UpdatePlotMenu()
{
    CPltSplit* plot = ActivePlotWindow();
    m_plotMenu->menuAction()->setVisible(plot != nullptr);
    if (plot == m_plotMenuFor)
        return;
    m_plotMenu->clear();
    m_plotMenuFor = plot;
    if (plot)
        plot->FillMenu(m_plotMenu);
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // Embedded schematics first (they save into their chains), then the others, then the chains.
    for (SchDocument* d : m_docs)
        if (d->Doc().IsEmbedded() && !SaveModified(d)) {
            e->ignore();
            return;
        }
    for (SchDocument* d : m_docs)
        if (!d->Doc().IsEmbedded() && !SaveModified(d)) {
            e->ignore();
            return;
        }
    for (CJTAGDoc* c : m_app->Chains()) {
        CJTAGView* view = ChainViewOf(c);
        for (CSchDoc* s : m_app->Schematics())
            if (s->IsEmbedded() && s->HostElement()->Chain() == c)
                s->SetModifiedFlag(false);  // answered above
        if (c->IsModified() && !c->CanClose([this, view] { return SaveChain(view, false); })) {
            e->ignore();
            return;
        }
    }
    m_closingAll = true;
    m_mdi->closeAllSubWindows();
    e->accept();
}

// ---------------------------------------------------------------- file commands

void MainWindow::OnNew()
{
    QDialog dlg(this);
    dlg.setWindowTitle(tr("New"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* list = new QListWidget(&dlg);
    list->addItems(NewDocumentKinds());
    list->setCurrentRow(0);
    auto* label = new QLabel(tr("&New"), &dlg);
    label->setBuddy(list);
    layout->addWidget(label);
    layout->addWidget(list);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    layout->addWidget(box);
    if (dlg.exec() != QDialog::Accepted || list->currentRow() < 0)
        return;
    if (list->currentItem()->text() == QLatin1String(kChainKind))
        NewChain();
    else
        NewDocument(QLatin1String(kDeviceTypeNames[list->currentRow()]));
}

void MainWindow::OnOpen()
{
    const QString path = AskOpenFileName();
    if (!path.isEmpty())
        OpenFile(path);
}

void MainWindow::OnSave()
{
    if (CJTAGView* chain = ActiveChainView())
        SaveChain(chain, false);
    else
        SaveDocument(ActiveDocument());
}

void MainWindow::OnSaveAs()
{
    if (CJTAGView* chain = ActiveChainView())
        SaveChain(chain, true);
    else if (SchDocument* d = ActiveDocument(); d && d->Doc().IsEmbedded())
        SaveEmbeddedCopy(d, AskSaveFileName(d));
    else if (d)
        SaveDocumentAs(d, AskSaveFileName(d));
}

void MainWindow::OnClose()
{
    if (QMdiSubWindow* w = CurrentFrame())
        w->close();
}

void MainWindow::OnPrint()
{
    if (CPltSplit* plot = ActivePlotWindow()) {
        plot->Print();
        return;
    }
    CSchView* v = ActiveSchView();
    if (!v)
        return;
    QPrintDialog dlg(m_printer.get(), this);
    if (dlg.exec() == QDialog::Accepted)
        v->Print(m_printer.get());
}

void MainWindow::OnPrintPreview()
{
    CSchView* v = ActiveSchView();
    CPltSplit* plot = ActivePlotWindow();
    if (!v && !plot)
        return;
    QPrintPreviewDialog dlg(m_printer.get(), this);
    if (plot)
        connect(&dlg, &QPrintPreviewDialog::paintRequested, plot, [plot](QPrinter* p) { plot->PrintTo(p); });
    else
        connect(&dlg, &QPrintPreviewDialog::paintRequested, v, [v](QPrinter* p) { v->Print(p); });
    dlg.resize(900, 700);
    dlg.exec();
}

void MainWindow::OnPageSetup()
{
    QPageSetupDialog dlg(m_printer.get(), this);
    dlg.exec();
}

bool MainWindow::ExportPdf(const QString& path)
{
    CSchView* v = ActiveSchView();
    CPltSplit* plot = ActivePlotWindow();
    if ((!v && !plot) || path.isEmpty())
        return false;
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    pdf.setPageLayout(m_printer->pageLayout());
    if (plot)
        plot->PrintTo(&pdf);
    else
        v->Print(&pdf);
    if (!QFileInfo::exists(path)) {
        CurrentPrompter().Message(std::string(kMsgFileNotOpened), kAppTitle, Buttons::Ok, MessageIcon::Error);
        return false;
    }
    return true;
}

void MainWindow::OnExportPdf()
{
    SchDocument* d = ActiveDocument();
    if (!d)
        return;
    QString suggested = QString::fromStdString(d->Doc().GetPathName());
    suggested = suggested.isEmpty() ? d->DisplayName() + QStringLiteral(".pdf")
                                    : QFileInfo(suggested).path() + '/' + QFileInfo(suggested).completeBaseName() +
                                          QStringLiteral(".pdf");
    QString path = QFileDialog::getSaveFileName(this, tr("Export to PDF"), suggested, tr("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    ExportPdf(path);
}

// ---------------------------------------------------------------- document commands

void MainWindow::EditSummaryInfo()
{
    SchDocument* doc = ActiveDocument();
    if (!doc || !doc->Doc().Device())
        return;
    CSchDoc& d = doc->Doc();
    const QString file = d.GetPathName().empty() ? doc->DisplayName() : QString::fromStdString(d.GetPathName());
    CSummaryDialog dlg(this, file, QString::fromStdString(d.GetDeviceType()), d.Summary());
    if (dlg.exec() != QDialog::Accepted)
        return;
    d.SetSummary(dlg.Summary());
}

void MainWindow::ClearSchematic()
{
    SchDocument* doc = ActiveDocument();
    if (!doc)
        return;
    // Clearing empties every curve: the read-out panes go blank.
    if (doc->Doc().ClearSchematic()) {
        SetStatusPane(1, {});
        SetStatusPane(2, {});
    }
}

void MainWindow::SetDisableOutputs(bool on)
{
    if (SchDocument* doc = ActiveDocument())
        doc->Doc().SetOutputDisable(on);
    UpdateActions();
}

void MainWindow::SetCoerceIllegal(bool on)
{
    if (SchDocument* doc = ActiveDocument())
        doc->Doc().SetCoerceIllegal(on);
    UpdateActions();
}

// ---------------------------------------------------------------- Device Manager, About

void MainWindow::OnDesignUtilities()
{
    const QString folder = QString::fromStdString(SupportFolder(kMacroFolder));
    CDesignUtilitiesDlg dlg(folder, this);
    if (dlg.exec() != QDialog::Accepted || dlg.SelectedText().isEmpty())
        return;
    if (dlg.Code() == kCodeRunMacro) {
        RunMacroProgram(QDir(folder).filePath(dlg.SelectedText()));
        return;
    }
    // A built-in utility: its window over the active schematic.
    OpenDesignUtility(ActiveDocument(), dlg.Code());
}

void MainWindow::OnUserMacros(CMacroDialogMode mode)
{
    // The user's macros; the help files of the installed macros beside them in MACRO; the
    // devices' help pages with the manual.
    const QString folder = mode == CMacroDialogMode::kRunUserMacro ? QString::fromStdString(SupportFolder(kUserMacroFolder))
                           : mode == CMacroDialogMode::kInstalledMacroHelp ? QString::fromStdString(SupportFolder(kMacroFolder))
                                                                           : HelpFolder();
    CUserMacroDlg dlg(mode, folder, this);
    if (dlg.exec() != QDialog::Accepted || dlg.SelectedPath().isEmpty())
        return;
    if (mode == CMacroDialogMode::kRunUserMacro)
        RunMacroProgram(dlg.SelectedPath());
    else
        m_help->ShowFile(dlg.SelectedPath());
}

void MainWindow::OnDeviceManager()
{
    QDialog dlg(this);
    dlg.setWindowTitle(tr("Device Manager"));
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(new QLabel(tr("Installed devices:"), &dlg));
    auto* list = new QListWidget(&dlg);
    for (const char* t : kDeviceTypeNames)
        list->addItem(QLatin1String(t));
    layout->addWidget(list);
    auto* details = new QLabel(&dlg);
    details->setTextFormat(Qt::PlainText);
    layout->addWidget(details);
    connect(list, &QListWidget::currentRowChanged, &dlg, [details](int row) {
        if (row < 0) {
            details->clear();
            return;
        }
        // Every device type is built into the program: there is no support library to name.
        details->setText(QStringLiteral("Filename:\t%1\nCLSID:\t%2\nVersion:\t%3")
                             .arg(QStringLiteral("(built in)"), QStringLiteral("(none)"),
                                  QCoreApplication::applicationVersion()));
    });
    list->setCurrentRow(0);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Close, &dlg);
    connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(box);
    dlg.exec();
}

void MainWindow::OnBrowseLibrary()
{
    CLibraryBrowserDlg dlg(this, [this](const QString& path) { return OpenFile(path) != nullptr; },
                           QString::fromStdString(LibraryFolderPath()));
    dlg.exec();
}

void MainWindow::OnAbout() { ShowAboutBox(this); }

// ---------------------------------------------------------------- development menu

void MainWindow::ShowDevelopmentMenu() { m_devMenu->menuAction()->setVisible(true); }

void MainWindow::OnSaveSchematicXml()
{
    SchDocument* doc = ActiveDocument();
    if (!doc || !doc->Doc().Schematic())
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Schematic as XML"), QString(), tr(kXmlFilter));
    if (path.isEmpty())
        return;
    if (!WriteFileAtomically(path.toStdString(), doc->Doc().WriteDeviceSchematic()))
        CurrentPrompter().Message(std::string(kMsgFileNotOpened), kAppTitle, Buttons::Ok, MessageIcon::Error);
}

void MainWindow::OnOpenSchematicXml()
{
    SchDocument* doc = ActiveDocument();
    if (!doc || !doc->Doc().Schematic())
        return;
    const QString path = QFileDialog::getOpenFileName(this, tr("Open XML Schematic"), QString(), tr(kXmlFilter));
    if (!path.isEmpty())
        doc->Doc().OpenDeviceSchematic(path.toStdString());
}

void MainWindow::OnDeleteDrawnElements()
{
    if (SchDocument* doc = ActiveDocument())
        doc->Doc().DeleteDrawnElements();
}

void MainWindow::OnSchematicDebugControls()
{
    SchDocument* doc = ActiveDocument();
    CDeviceSchematic* s = doc ? doc->Doc().Schematic() : nullptr;
    if (!s)
        return;
    QDialog dlg(this);
    dlg.setWindowTitle(tr("Schematic Debug Controls"));
    auto* layout = new QVBoxLayout(&dlg);
    const QStringList names = {tr("Show symbols"), tr("Debug switch 1"), tr("Debug switch 2"), tr("Debug switch 3")};
    QList<QCheckBox*> boxes;
    for (int i = 0; i < CSchematic::kDisplaySwitchCount; ++i) {
        auto* b = new QCheckBox(names.value(i), &dlg);
        b->setChecked(s->GetDisplaySwitch(i));
        layout->addWidget(b);
        boxes << b;
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(box);
    if (dlg.exec() != QDialog::Accepted)
        return;
    for (int i = 0; i < boxes.size(); ++i)
        s->SetDisplaySwitch(i, boxes[i]->isChecked());
    doc->Doc().UpdateAllViews(kHintNone);
}

}  // namespace kalidor

namespace kalidor {

// ---------------------------------------------------------------- JTAG chains

CJTAGView* MainWindow::NewChain()
{
    CJTAGDoc* chain = m_app->NewChain();
    return chain ? ChainViewOf(chain) : nullptr;
}

CJTAGView* MainWindow::OpenChainFile(const QString& path)
{
    if (CJTAGView* open = ChainViewOf(m_app->FindChain(path.toStdString()))) {
        for (QMdiSubWindow* w : m_mdi->subWindowList())
            if (w->widget() == open)
                Activate(w);
        return open;
    }
    CJTAGDoc* chain = m_app->OpenChain(path.toStdString());
    return chain ? ChainViewOf(chain) : nullptr;
}

CJTAGView* MainWindow::ChainViewOf(const CJTAGDoc* chain) const
{
    if (!chain)
        return nullptr;
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChainFrame* f = ChainFrame(w); f && &f->View()->Chain() == chain)
            return f->View();
    return nullptr;
}

CJTAGView* MainWindow::ActiveChainView() const
{
    CChainFrame* f = ChainFrame(CurrentFrame());
    return f ? f->View() : nullptr;
}

QString MainWindow::AskSaveChainFileName(CJTAGView* view)
{
    QString suggested = QString::fromStdString(view->Chain().GetPathName());
    if (suggested.isEmpty())
        suggested = QString::fromStdString(view->Chain().DisplayName()) + QStringLiteral(".ZJC");
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), suggested, tr(kChainFilter));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ZJC");
    return path;
}

bool MainWindow::SaveChain(CJTAGView* view, bool askName)
{
    if (!view)
        return false;
    QString path = QString::fromStdString(view->Chain().GetPathName());
    if (askName || path.isEmpty())
        path = AskSaveChainFileName(view);
    if (path.isEmpty() || !view->Chain().OnSaveDocument(path.toStdString()))
        return false;
    m_app->AddRecentFile(path.toStdString());
    UpdateActions();
    return true;
}

SchDocument* MainWindow::OpenEmbeddedSchematic(CJTAGDoc& chain, int index)
{
    if (CJtagChainElement* e = chain.GetElement(index); e && e->OpenSchematic())
        if (SchDocument* open = DocumentOf(e->OpenSchematic())) {
            if (CSchView* v = SchViewOf(open))
                for (QMdiSubWindow* w : m_mdi->subWindowList())
                    if (w->widget() == v)
                        Activate(w);
            return open;
        }
    CSchDoc* doc = m_app->OpenEmbeddedSchematic(chain, index);
    return doc ? DocumentOf(doc) : nullptr;
}

void MainWindow::OnChainOpened(CJTAGDoc& chain)
{
    auto* view = new CJTAGView(
        chain, [this, &chain](int index) { OpenEmbeddedSchematic(chain, index); },
        [this]() -> CJtagCable* { return m_app->Jtag().EnsurePortReady() ? m_app->Jtag().Cable() : nullptr; });
    auto* frame = new CChainFrame(this, view);
    m_mdi->addSubWindow(frame);
    m_current = frame;
    auto title = [frame, view] { frame->setWindowTitle(view->Title()); };
    title();
    connect(view, &CJTAGView::titleChanged, frame, [this, title] {
        title();
        UpdateActions();
    });
    frame->resize(820, 360);
    if (m_mdi->subWindowList().size() == 1)
        frame->showMaximized();
    else
        frame->show();
    Activate(frame);
    view->setFocus();
    UpdateActions();
}

void MainWindow::OnChainClosing(CJTAGDoc& chain)
{
    for (QMdiSubWindow* w : m_mdi->subWindowList())
        if (CChainFrame* f = ChainFrame(w); f && &f->View()->Chain() == &chain) {
            f->m_force = true;
            f->close();
            delete f;
        }
    UpdateActions();
}

bool MainWindow::ChainCloseRequested(CJTAGView* view)
{
    CJTAGDoc& chain = view->Chain();
    if (!m_closingAll && !chain.CanClose([this, view] { return SaveChain(view, false); }))
        return false;
    // The window goes with the chain; the chain itself once the window is gone.
    std::unique_ptr<CJTAGDoc> taken;
    {
        m_app->RemoveObserver(this);
        taken = m_app->CloseChain(chain);
        m_app->AddObserver(this);
    }
    if (taken) {
        CJTAGDoc* raw = taken.release();
        connect(view, &QObject::destroyed, this, [raw] { delete raw; });
    }
    QMetaObject::invokeMethod(this, [this] { UpdateActions(); }, Qt::QueuedConnection);
    return true;
}

void MainWindow::UpdateEditMenu()
{
    if (!m_editMenu)
        return;
    CJTAGView* chain = ActiveChainView();
    const QList<QAction*> wanted = chain ? chain->EditActions() : QList<QAction*>();
    if (wanted == m_editMenuChainActions)
        return;
    for (QAction* a : m_editMenuChainActions)
        m_editMenu->removeAction(a);
    m_editMenuChainActions = wanted;
    // The schematic commands stay where they are; the chain's come first while its window is current.
    QAction* first = m_editMenu->actions().isEmpty() ? nullptr : m_editMenu->actions().first();
    m_editMenu->insertActions(first, wanted);
    for (const char* n : {"actionUndo", "actionRedo", "actionCopy", "actionPaste", "actionClear"})
        Action(QLatin1String(n))->setVisible(chain == nullptr);
}

}  // namespace kalidor
