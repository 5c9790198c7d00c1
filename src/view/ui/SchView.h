// CSchView: the window that shows a schematic document. It draws the device schematic with the
// current value texts, highlights the symbol under the mouse, opens a symbol's editor on
// double-click, lets the user drag interconnect switches, zooms (Zoom In Select, Zoom Previous,
// Zoom All, the wheel), shows the mouse position, outlines hit areas, and prints the schematic
// with a title block.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QString>
#include <string>

#include "view/ColorTable.h"
#include "view/ui/ZelScrollView.h"

class QPrinter;
class QPainter;

class QTimer;

namespace kalidor {

class CInterconnect;
class SchDocument;

// The interaction mode of the view and the cursor that goes with it.
class CToolSet {
public:
    enum Mode {
        kIdle = 0,
        kZoomSelect = 1,
        kDragConnection = 2,
        kCancelledDrag = 3,
        kDragContact = 4,
        kOverSwitch = 5,
        kOverSymbol = 6,
    };
    Mode GetMode() const { return m_mode; }
    void SetMode(Mode m) { m_mode = m; }
    Qt::CursorShape Cursor() const;

private:
    Mode m_mode = kIdle;
};

class CSchView : public CZelScrollView {
    Q_OBJECT
public:
    // The key sequence that opens the development menu when typed into the view.
    static constexpr const char* kDevelopmentKeys = "zeldev";

    explicit CSchView(SchDocument* doc, QWidget* parent = nullptr);
    ~CSchView() override;

    SchDocument* Document() const { return m_doc; }
    CToolSet::Mode Mode() const { return m_tools.GetMode(); }
    bool ShowPosition() const { return m_showPosition; }
    bool ShowHitArea() const { return m_showHitArea; }
    QString PositionStatusText() const { return m_positionText; }
    int HighlightedKey() const;
    // The input selection a click or drag rerouted last, marked on the drawing for a moment
    // (-1 when none is marked).
    int ReroutedKey() const { return m_rerouted; }
    // How long the mark stays.
    static constexpr int kRerouteMarkMs = 3000;
    // Milliseconds the last full repaint took.
    double LastPaintMilliseconds() const { return m_lastPaintMs; }
    // Changes of the document repaint the view at once, but a stream of them (a macro setting
    // values one by one) at most once in this many milliseconds: the last change of the stream
    // is always drawn, one frame later at the most.
    static constexpr int kDocumentFrameMs = 20;
    // True while a repaint for a change of the document waits for its frame.
    bool RepaintPending() const;

    // Draws the schematic (and, when on, the hit areas) with `painter` through `mapping`.
    void DrawSchematic(QPainter& painter, const ViewMapping& mapping, const CColorTable& colors,
                       bool withHitAreas, double penWidth = 0) const;
    // Prints the schematic with its title block on `printer` (one page).
    void Print(QPrinter* printer) const;
    // Draws the printed page: `page` in device pixels at `dpi` pixels per inch.
    void DrawPage(QPainter& p, const QRectF& page, double dpi) const;
    // The title block lines: the path name and the date ("%B %d, %Y").
    QStringList TitleBlockLines() const;

    CColorTable& Colors() { return m_colors; }
    QColor Background() const { return m_background; }

public slots:
    void Redraw();
    void ZoomInSelect();
    void SetShowPosition(bool on);
    void SetShowHitArea(bool on);
    void OnDocumentUpdated(int hint);

signals:
    void statusMessage(const QString& text);
    void developmentMenuRequested();
    void showPositionChanged(bool on);
    void showHitAreaChanged(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    CInterconnect* SwitchOf(int key) const;
    // The switch of the symbol under `p` that reports a hit on a contact or its source.
    bool HitSwitch(LogPoint p, int key, int& switchKey) const;
    void SetHighlight(int key);
    QRect HighlightArea(int key) const;
    void UpdateCursor();
    void FitWorld();
    // Marks a rerouted switch and says in the status bar what it connects now.
    void ShowReroute(int key, const std::string& before);

    QPointer<SchDocument> m_doc;
    CToolSet m_tools;
    CColorTable m_colors;
    QColor m_background;
    LogPoint m_lastLogical;
    bool m_buttonDown = false;
    QPoint m_pressPoint;
    QPoint m_bandEnd;
    bool m_showPosition = false;
    bool m_showHitArea = false;
    int m_dragKey = -1;
    QPoint m_dragEnd;
    QString m_typed;
    QString m_positionText;
    bool m_worldSet = false;
    double m_lastPaintMs = 0;
    int m_rerouted = -1;
    QTimer* m_rerouteTimer = nullptr;
    // When the view was last painted, and the frame a change of the document waits for.
    QElapsedTimer m_sincePaint;
    QTimer* m_frameTimer = nullptr;
};

}  // namespace kalidor
