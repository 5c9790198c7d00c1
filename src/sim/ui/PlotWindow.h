// The plot window: the legend band above a splitter with the gain pane over the phase pane
// (`CPltSplit`), each pane a `CPltView`. The window keeps the zoom mappings, the crosshair
// position and the shown flags (CPlotWindowState); everything it draws comes from the core
// plot drawing (CPlotPainter) through QtPainter, so the printed page, the exported pictures and
// kalidor-cli's picture are the same drawing.
//
// The window does not know the document: the host hands it the plot and, for Run Simulator, a
// function that runs the document's run command; changes of the data are announced with
// dataChanged(hint) so that the host can update its other views.
#pragma once

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QSplitter>
#include <QWidget>
#include <array>
#include <functional>

#include "sim/Plot.h"
#include "sim/PlotPainter.h"
#include "sim/PlotWindowState.h"
#include "view/ColorTable.h"

class QMenu;
class QPrinter;
class QToolBar;

namespace kalidor {

class CPltSplit;

// One pane of the window: 0 = the gain pane above, 1 = the pane below it, which shows the phase
// or the group delay.
class CPltView : public QWidget {
    Q_OBJECT
public:
    CPltView(CPltSplit& split, int paneKind, QWidget* parent = nullptr);
    int PaneKind() const { return m_pane; }
    // What the pane shows now: kPaneGain, kPanePhase or kPaneDelay.
    int Kind() const;
    // The plotting frame in widget pixels (y down) and the logical point under a pixel.
    QRect FrameRect() const;
    PltXY LogicalAt(QPoint pixel) const;
    // Zoom In Select: the next left drag selects the rectangle to zoom to.
    void BeginZoomSelect() { m_selectArmed = true; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is ours

private:
    LogRect Area() const { return {0, height(), width(), 0}; }
    CPltSplit& m_split;
    int m_pane;
    bool m_selectArmed = false;
    bool m_selecting = false;
    bool m_panning = false;
    QPoint m_pressPos, m_lastPos;
};

// The legend band; a double click opens "Simulator Options".
class CPltLegend : public QWidget {
    Q_OBJECT
public:
    explicit CPltLegend(CPltSplit& split, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {400, 24}; }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override { emit doubleClicked(); }

private:
    CPltSplit& m_split;
};

class CPltSplit : public QWidget {
    Q_OBJECT
public:
    // `plot` is not owned and must outlive the window.
    explicit CPltSplit(CPlot& plot, QWidget* parent = nullptr);

    CPlot& Plot() { return m_plot; }
    CPlotWindowState& State() { return m_state; }
    const CColorTable& Colors() const { return m_colors; }
    CColorTable& Colors() { return m_colors; }
    CPltView* Pane(int kind) const { return m_panes[kind == 1 ? 1 : 0]; }
    CPltLegend* Legend() const { return m_legend; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The two status read-out texts: pane 1 the curve, pane 2 the crosshair values.
    QString StatusText(int pane) const { return m_status[pane == 2 ? 1 : 0]->text(); }
    // Whether the window shows the read-out in a row of its own (a host with a status bar of its
    // own shows it there instead, from statusText()).
    void SetStatusRowShown(bool shown);

    // The document's run command, called by Run Simulator (without one, runRequested is
    // emitted instead). Design title and device type for the printed title block.
    void SetRunner(std::function<RunResult()> runner) { m_runner = std::move(runner); }
    void SetTitleBlock(const QString& title, const QString& deviceType);

    // Every command of the window, for the host's menus: zoom, curve, crosshair, data
    // points, run, options, print, picture export, gain/phase export and import.
    QList<QAction*> Actions() const { return m_allActions; }
    QAction* Action(const QString& objectName) const;
    // Fills a menu with the window's commands, in groups.
    void FillMenu(QMenu* menu) const;

    // The exported picture at a size: what the screen shows (without the toolbar and the
    // crosshair) above the curves drawn and the title block.
    void DrawPicture(QPainter& painter, const QSize& size) const;
    // Prints the plot in the plot's print mode on `printer` (black on white).
    void PrintTo(QPrinter* printer) const;
    // Writes the window picture as PDF, PNG or SVG by the file's extension; false after a
    // message when it cannot be written.
    bool ExportPicture(const QString& path) const;

public slots:
    // The host's update of all views: hint 3 (first data) rescales, every hint redraws.
    void OnDocumentUpdate(int hint);
    void ZoomAll();
    void ZoomIn();
    void ZoomInX();
    void ZoomInY();
    void ZoomOut();
    void ZoomOutX();
    void ZoomOutY();
    void ZoomInSelect();
    void ZoomPrevious();
    void GoToActiveCurve();
    void ToggleCrosshair();
    void ToggleDataPoints();
    // The lower pane shows the group delay in place of the phase, or the phase again.
    void ToggleGroupDelay();
    // The peak and -3 dB markers of the active curve.
    void ToggleMarkers();
    void ActivateCurve(int curve);  // 0..3
    void DeleteCurve(int curve);
    void ToggleCurveShown(int curve);
    void RunSimulator();
    void OpenOptions();
    void Print();
    void ExportPictureDialog();
    // Gain/phase export of the active curve: to a file (dialog) or to the clipboard.
    void ExportDataToFile();
    void ExportDataToClipboard();
    void ImportData();
    // The crosshair follows the mouse on the active curve.
    void MoveCrosshair(int logicalX);
    // Redraws both panes and the legend and refreshes the read-out.
    void Redraw();

signals:
    // Status read-out: pane 1 "Curve:%d  Vout%d/Vin%d", pane 2 the crosshair values.
    void statusText(int pane, const QString& text);
    // The plot's data changed (delete, import, run): the host updates its views with `hint`.
    void dataChanged(int hint);
    void runRequested();
    // The setup was edited in "Simulator Options" (the host marks nothing modified by itself).
    void optionsChanged();

private:
    friend class CPltView;
    QAction* AddAction(const QString& name, const QString& text, const char* tip, std::function<void()> f,
                       bool checkable = false);
    void UpdateStatus();
    void UpdateActions();
    int DelimiterChoiceDialog();
    PlotTitleBlock TitleBlock() const;

    CPlot& m_plot;
    CPlotWindowState m_state;
    CColorTable m_colors;
    CPltLegend* m_legend;
    QSplitter* m_splitter;
    std::array<CPltView*, 2> m_panes{};
    QToolBar* m_toolBar;
    std::array<QLabel*, 2> m_status{};
    QList<QAction*> m_allActions;
    std::function<RunResult()> m_runner;
    QString m_title, m_deviceType;
    bool m_delayShown = false;
};

}  // namespace kalidor
