// The zooming scroll view shared by the schematic view: a logical drawing area (0.001 inch, y up)
// shown in the viewport at a uniform scale, with a zoom history (Zoom Previous), Zoom All, zoom
// about the pointer with the wheel, panning with the scroll bars or the middle button.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

#include "view/ViewGeometry.h"

namespace kalidor {

class CZelScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CZelScrollView(QWidget* parent = nullptr);

    CZoomState& Zoom() { return m_zoom; }
    const CZoomState& Zoom() const { return m_zoom; }
    ViewMapping Mapping() const;
    // Device pixel (viewport) → logical units, rounded.
    LogPoint ToLogical(QPoint device) const;
    QPointF ToDevice(double x, double y) const;
    QRectF ToDevice(const LogRect& r) const;

    void SetWorld(const ViewRect& world);
    void ZoomTo(const ViewRect& r);

public slots:
    void ZoomAll();
    void ZoomPrevious();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    // Middle-button panning; derived views call these from their own handlers.
    bool PanPress(QMouseEvent* e);
    bool PanMove(QMouseEvent* e);
    bool PanRelease(QMouseEvent* e);
    // Called after every change of the visible area.
    virtual void VisibleChanged();
    void UpdateScrollBars();

private:
    CZoomState m_zoom;
    bool m_settingBars = false;
    bool m_panning = false;
    QPoint m_panLast;
};

}  // namespace kalidor
