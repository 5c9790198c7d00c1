// The main window of kalidor: a frame with several document windows (QMdiArea), the menus, the
// toolbar and the status bar, the recent-file list, New/Open/Save/Close, printing, the Device
// Manager and the document commands (Summary Info, Import/Export, Clear Schematic, Post-Upload
// Actions, Undo), and the simulation: Run Simulator, Simulator Options and each document's plot
// window (another window of the same document, with the two status read-out panes of the main
// window).
#pragma once

#include <QMainWindow>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QUndoGroup;

namespace kalidor {

class CE2CellDBView;
class CJtagTraceView;
class CJtagUi;
class CPltSplit;
class CSchView;
class SchDocument;

// Texts of the main window.
inline constexpr const char* kAppTitle = "Kalidor";
inline constexpr const char* kDesignFilter = "Zel Designs (*.ZEL *.zel);;All Files (*)";
inline constexpr const char* kXmlFilter = "XML files (*.XML *.xml);;All Files (*)";
inline constexpr const char* kMsgSaveChanges = "Save changes to %1?";
inline constexpr const char* kMenuDisableOutputs = "Disable T1/T2 outputs if input=NONE";
inline constexpr const char* kMenuCoerceIllegal = "Coerce illegal values to zero";
inline constexpr int kRecentFileCount = 4;
inline constexpr const char* kRecentSection = "Recent File List";

// The kinds the New command offers, in order, and the device type each stands for.
QStringList NewDocumentKinds();  // "ZelA Schematic" … "ZelE Schematic"

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- documents ---
    SchDocument* NewDocument(const QString& deviceType);
    SchDocument* OpenFile(const QString& path);
    bool SaveDocument(SchDocument* doc);
    bool SaveDocumentAs(SchDocument* doc, const QString& path);
    // Asks to save a modified document (Yes/No/Cancel); false when the user cancelled or saving failed.
    bool SaveModified(SchDocument* doc);
    // Closes the document's windows (after SaveModified); false when cancelled.
    bool CloseDocument(SchDocument* doc);
    QList<SchDocument*> Documents() const { return m_docs; }
    SchDocument* ActiveDocument() const;
    CSchView* ActiveSchView() const;
    CSchView* SchViewOf(SchDocument* doc) const;
    CE2CellDBView* OpenE2CellView(SchDocument* doc);
    // The document's JTAG trace window, opened when it is not open.
    CJtagTraceView* OpenJtagTraceView(SchDocument* doc);
    // The document's plot window, opened when it is not open (and fitted to the data it shows).
    CPltSplit* OpenPlotWindow(SchDocument* doc);
    CPltSplit* PlotWindowOf(SchDocument* doc) const;
    // The plot window when it is the current document window.
    CPltSplit* ActivePlotWindow() const;
    QMdiArea* Mdi() const { return m_mdi; }

    QStringList RecentFiles() const { return m_recent; }
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
    void OnAbout();
    void ShowDevelopmentMenu();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    friend class CChildFrame;
    void CreateActions();
    void CreateMenus();
    void LoadRecentFiles();
    void SaveRecentFiles();
    void UpdateRecentMenu();
    void UpdateActions();
    void UpdateWindowMenu();
    void UpdateTitles(SchDocument* doc);
    void UpdatePlotMenu();
    void SetStatusPane(int pane, const QString& text);
    // Shows the active document's plot read-out in the status panes (blank without a plot window).
    void RefreshStatusPanes();
    // After a plot import: opens the plot window and updates the views with `hint`.
    void ShowImportedPlot(SchDocument* doc, int hint);
    QMdiSubWindow* AddChild(SchDocument* doc, QWidget* view);
    SchDocument* AddDocument(std::unique_ptr<SchDocument> doc);
    void RemoveDocument(SchDocument* doc);
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

    QMdiArea* m_mdi = nullptr;
    QPointer<QMdiSubWindow> m_current;
    QUndoGroup* m_undoGroup = nullptr;
    QList<SchDocument*> m_docs;
    QStringList m_recent;
    int m_nextNumber = 1;
    std::unique_ptr<QPrinter> m_printer;
    bool m_closingAll = false;

    QMenu* m_recentMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_devMenu = nullptr;
    QMenu* m_plotMenu = nullptr;
    CJtagUi* m_jtag = nullptr;
    QPointer<CPltSplit> m_plotMenuFor;
    QLabel* m_statusPane[2] = {nullptr, nullptr};
    QList<QAction*> m_recentActions;
};

}  // namespace kalidor
