// The main window of kalidor: a window over the application object (CKalidorApplication, which
// owns the documents, the recent-file list and the programming interface). It is a frame with
// several document windows (QMdiArea), the menus, the toolbar and the status bar; it shows the
// recent-file list, runs New/Open/Save/Close, printing and the Device Manager, puts the document
// commands (Summary Info, Import/Export, Clear Schematic, Post-Upload Actions, Undo) on the menus,
// and opens the simulation windows: Run Simulator, Simulator Options and each document's plot
// window (another window of the same document, with the two status read-out panes of the main
// window). Every document the application makes or opens, from any caller, gets its windows here.
#pragma once

#include <functional>

#include <QHash>
#include <QMainWindow>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "application/KalidorApplication.h"
#include "application/MacroCatalog.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QUndoGroup;

namespace kalidor {

class CE2CellDBView;
class CHelpController;
class CJTAGDoc;
class CJTAGView;
class CJtagTraceView;
class CJtagUi;
class CPltSplit;
class CSchView;
class SchDocument;

// Texts of the main window.
inline constexpr const char* kAppTitle = "Kalidor";
inline constexpr const char* kDesignFilter = "Zel Designs (*.ZEL *.zel);;All Files (*)";
// File > Open: designs and JTAG chains.
inline constexpr const char* kOpenFilter =
    "Kalidor Files (*.ZEL *.zel *.ZJC *.zjc);;Zel Designs (*.ZEL *.zel);;JTAG Chain files(*.ZJC *.zjc);;All Files (*)";
inline constexpr const char* kXmlFilter = "XML files (*.XML *.xml);;All Files (*)";
inline constexpr const char* kMsgSaveChanges = "Save changes to %1?";
// The status bar after Save As of an embedded schematic (%1 its title, %2 the file).
inline constexpr const char* kMsgEmbeddedCopyWritten =
    "A copy of %1 was written to %2; the schematic stays in its chain (Save stores it there).";
inline constexpr const char* kMenuDisableOutputs = "Disable T1/T2 outputs if input=NONE";
inline constexpr const char* kMenuCoerceIllegal = "Coerce illegal values to zero";

// The kinds the New command offers, in order, and the device type each stands for.
QStringList NewDocumentKinds();  // "ZelA Schematic" … "ZelE Schematic", "Kalidor JTAG Chain"

class MainWindow : public QMainWindow, private CKalidorApplicationObserver {
    Q_OBJECT
public:
    // A window over an application object of its own.
    explicit MainWindow(QWidget* parent = nullptr);
    // A window over `app`, which outlives it.
    explicit MainWindow(CKalidorApplication& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    CKalidorApplication& Application() const { return *m_app; }

    // --- documents ---
    SchDocument* NewDocument(const QString& deviceType);
    SchDocument* OpenFile(const QString& path);
    bool SaveDocument(SchDocument* doc);
    bool SaveDocumentAs(SchDocument* doc, const QString& path);
    // Save As of an embedded schematic: a design file of its own at `path`; the schematic stays
    // in its chain and the chain element is not touched.
    bool SaveEmbeddedCopy(SchDocument* doc, const QString& path);
    // Asks to save a modified document (Yes/No/Cancel); false when the user cancelled or saving failed.
    bool SaveModified(SchDocument* doc);
    // Closes the document's windows (after SaveModified); false when cancelled.
    bool CloseDocument(SchDocument* doc);
    QList<SchDocument*> Documents() const { return m_docs; }
    // The window side of a document of the application, or nullptr.
    SchDocument* DocumentOf(const CSchDoc* doc) const;
    SchDocument* ActiveDocument() const;
    CSchView* ActiveSchView() const;
    CSchView* SchViewOf(SchDocument* doc) const;
    // Brings the document's schematic window to the front.
    void ShowDocument(SchDocument* doc);
    CE2CellDBView* OpenE2CellView(SchDocument* doc);
    // The window of design utility `code` over `doc` (100 ZelA ladder filters, 101 ZelA gain
    // utility, 102 ZelD filter configurations, 103 ZelB gain utility, 104 ZelE filter
    // configurations), opened or brought forward; nullptr after telling the user why not (another
    // device type, a table that cannot be read). The Design Utilities dialog calls it.
    QWidget* OpenDesignUtility(SchDocument* doc, int code);
    // The document's JTAG trace window, opened when it is not open.
    CJtagTraceView* OpenJtagTraceView(SchDocument* doc);
    // The document's plot window, opened when it is not open (and fitted to the data it shows).
    CPltSplit* OpenPlotWindow(SchDocument* doc);
    CPltSplit* PlotWindowOf(SchDocument* doc) const;
    // The plot window when it is the current document window.
    CPltSplit* ActivePlotWindow() const;
    QMdiArea* Mdi() const { return m_mdi; }

    // --- JTAG chains ---
    CJTAGView* NewChain();
    CJTAGView* OpenChainFile(const QString& path);
    // The window of a chain, and the chain window that is the current document window.
    CJTAGView* ChainViewOf(const CJTAGDoc* chain) const;
    CJTAGView* ActiveChainView() const;
    bool SaveChain(CJTAGView* view, bool askName);
    // Opens the embedded schematic of element `index` in a schematic window (or brings the open
    // one to the front).
    SchDocument* OpenEmbeddedSchematic(CJTAGDoc& chain, int index);
    virtual QString AskSaveChainFileName(CJTAGView* view);

    QStringList RecentFiles() const;
    void AddRecentFile(const QString& path);

    // --- document commands on the active document ---
    void EditSummaryInfo();
    void ClearSchematic();
    void SetDisableOutputs(bool on);
    void SetCoerceIllegal(bool on);
    // File > Import... / Export...: the Import/Export dialog on the active document; an import
    // is one undoable step.
    void OnImportExport(bool import);
    // Tools > Run Simulator: runs the active curve; on success the plot window opens if it is not
    // open and status pane 1 shows the curve.
    bool RunSimulator();
    // "Simulator Options" of the active document (also the plot window's command and the double
    // click on its legend); an edit of the setup is one undoable step. True when closed with OK.
    bool SimulatorOptions(SchDocument* doc);
    // The two status read-out panes (1: the curve, 2: the crosshair values).
    QString StatusPaneText(int pane) const;

    QAction* Action(const QString& objectName) const;
    // The programming commands (Tools and Options menus). The application starts its interface
    // (interpreter and port from KALIDOR.INI) once the window is made; every document is tied to it.
    CJtagUi* Jtag() const { return m_jtag; }
    QMenu* DevelopmentMenu() const { return m_devMenu; }
    // Help Topics, F1 and the help window.
    CHelpController* Help() const { return m_help; }
    QUndoGroup* UndoGroup() const { return m_undoGroup; }


    // The file name to save under; a file dialog (tests override it).
    virtual QString AskSaveFileName(SchDocument* doc);
    virtual QString AskOpenFileName();

public slots:
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnClose();
    void OnPrint();
    void OnPrintPreview();
    void OnPageSetup();
    void OnExportPdf();
    void OnDeviceManager();
    // Tools > Design Utilities: a built-in utility, or a macro program of MACRO started with
    // "/RunAsMacro".
    void OnDesignUtilities();
    // Tools > User-Defined Macros (mode 0) and the two help modes of the Help menu.
    void OnUserMacros(CMacroDialogMode mode);
    // File > Browse Library: the library browser; Open File there opens a design as File Open does.
    void OnBrowseLibrary();
    void OnAbout();
    void ShowDevelopmentMenu();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    friend class CChildFrame;
    friend class CChainFrame;
    void CreateActions();
    void CreateMenus();
    void UpdateRecentMenu();
    void UpdateActions();
    void UpdateWindowMenu();
    // Window > Cascade: Qt's cascade gives every window its minimum size (a maximised one drops
    // to a tiny frame); each keeps a usable size here.
    void CascadeSubWindows();
    void UpdateTitles(SchDocument* doc);
    void UpdatePlotMenu();
    void SetStatusPane(int pane, const QString& text);
    // Shows the active document's plot read-out in the status panes (blank without a plot window).
    void RefreshStatusPanes();
    // After a plot import: opens the plot window and updates the views with `hint`.
    void ShowImportedPlot(SchDocument* doc, int hint);
    QMdiSubWindow* AddChild(SchDocument* doc, QWidget* view);
    // The document's window whose view `matches`, brought to the front; nullptr when none is open.
    QWidget* ActivateViewOf(SchDocument* doc, const std::function<bool(QWidget*)>& matches);
    // A new window of `size` over the document showing `view`, brought to the front.
    QWidget* ShowNewView(SchDocument* doc, QWidget* view, QSize size);
    // The windows of a document the application made or opened.
    SchDocument* AddDocument(CSchDoc& doc);
    // Closes the document in the application; the window side takes it over and both go once
    // the windows are gone.
    void RemoveDocument(SchDocument* doc);
    // CKalidorApplicationObserver
    void OnSchematicOpened(CSchDoc& doc) override;
    void OnSchematicClosing(CSchDoc& doc) override;
    void OnRecentFilesChanged() override;
    void OnChainOpened(CJTAGDoc& chain) override;
    void OnChainClosing(CJTAGDoc& chain) override;
    // Called by a chain frame that is about to close.
    bool ChainCloseRequested(CJTAGView* view);
    // Puts the chain window's Edit commands on the Edit menu while it is the current window.
    void UpdateEditMenu();
    // Called by a schematic frame that is about to close.
    bool ChildCloseRequested(QMdiSubWindow* frame);
    bool ExportPdf(const QString& path);
    void OnSaveSchematicXml();
    void OnOpenSchematicXml();
    void OnDeleteDrawnElements();
    void OnSchematicDebugControls();

    // The current document window (also while the main window is hidden or inactive).
    QMdiSubWindow* CurrentFrame() const;
    void Activate(QMdiSubWindow* w);

    std::unique_ptr<CKalidorApplication> m_ownApp;
    CKalidorApplication* m_app;
    QMdiArea* m_mdi = nullptr;
    QPointer<QMdiSubWindow> m_current;
    QUndoGroup* m_undoGroup = nullptr;
    QList<SchDocument*> m_docs;
    std::unique_ptr<QPrinter> m_printer;
    bool m_closingAll = false;

    QMenu* m_editMenu = nullptr;
    QList<QAction*> m_editMenuChainActions;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_devMenu = nullptr;
    QMenu* m_plotMenu = nullptr;
    CJtagUi* m_jtag = nullptr;
    CHelpController* m_help = nullptr;
    QPointer<CPltSplit> m_plotMenuFor;
    QLabel* m_statusPane[2] = {nullptr, nullptr};
    QList<QAction*> m_recentActions;
    // Actions found by name (every change of a document updates some forty of them).
    mutable QHash<QString, QPointer<QAction>> m_actionsByName;
};

}  // namespace kalidor
