#include "view/ui/ZelScrollView.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kalidor {

namespace {
// Scroll bar positions are in logical units divided by this (keeps them within int).
constexpr double kBarUnit = 1.0;
// Zoom factor of one wheel notch.
constexpr double kWheelStep = 1.2;
}  // namespace

CZelScrollView::CZelScrollView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

ViewMapping CZelScrollView::Mapping() const
{
    return ViewMapping::Fit(m_zoom.Visible(), viewport()->width(), viewport()->height());
}

LogPoint CZelScrollView::ToLogical(QPoint device) const
{
    const ViewMapping m = Mapping();
    return {static_cast<int>(std::lround(m.ToLogicalX(device.x()))),
            static_cast<int>(std::lround(m.ToLogicalY(device.y())))};
}

QPointF CZelScrollView::ToDevice(double x, double y) const
{
    const ViewMapping m = Mapping();
    return {m.ToDeviceX(x), m.ToDeviceY(y)};
}

QRectF CZelScrollView::ToDevice(const LogRect& r) const
{
    return QRectF(ToDevice(r.left, r.top), ToDevice(r.right, r.bottom)).normalized();
}

void CZelScrollView::SetWorld(const ViewRect& world)
{
    m_zoom.SetWorld(world);
    VisibleChanged();
}

void CZelScrollView::ZoomTo(const ViewRect& r)
{
    m_zoom.ZoomTo(r);
    VisibleChanged();
}

void CZelScrollView::ZoomAll()
{
    m_zoom.ZoomAll();
    VisibleChanged();
}

void CZelScrollView::ZoomPrevious()
{
    if (m_zoom.ZoomPrevious())
        VisibleChanged();
}

void CZelScrollView::VisibleChanged()
{
    UpdateScrollBars();
    viewport()->update();
}

void CZelScrollView::UpdateScrollBars()
{
    // The scroll range covers the drawing area and the visible area together. Only the part of
    // the visible rectangle that the viewport really shows counts (the mapping centres it).
    const ViewMapping m = Mapping();
    const double shownW = viewport()->width() / m.scale;
    const double shownH = viewport()->height() / m.scale;
    const ViewRect& v = m_zoom.Visible();
    const ViewRect& w = m_zoom.World();
    const double cx = (v.left + v.right) / 2, cy = (v.bottom + v.top) / 2;
    const double shownLeft = cx - shownW / 2, shownTop = cy + shownH / 2;
    const double left = std::min(w.left, shownLeft), right = std::max(w.right, shownLeft + shownW);
    const double top = std::max(w.top, shownTop), bottom = std::min(w.bottom, shownTop - shownH);
    m_settingBars = true;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, static_cast<int>(std::max(0.0, (right - left - shownW) / kBarUnit)));
    h->setPageStep(static_cast<int>(shownW / kBarUnit));
    h->setSingleStep(std::max(1, static_cast<int>(shownW / 20 / kBarUnit)));
    h->setValue(static_cast<int>((shownLeft - left) / kBarUnit));
    QScrollBar* vb = verticalScrollBar();
    vb->setRange(0, static_cast<int>(std::max(0.0, (top - bottom - shownH) / kBarUnit)));
    vb->setPageStep(static_cast<int>(shownH / kBarUnit));
    vb->setSingleStep(std::max(1, static_cast<int>(shownH / 20 / kBarUnit)));
    vb->setValue(static_cast<int>((top - shownTop) / kBarUnit));
    m_settingBars = false;
}

void CZelScrollView::scrollContentsBy(int dx, int dy)
{
    if (m_settingBars)
        return;
    // A scroll bar moved by (dx, dy) bar units: the content moves, the visible area the other way.
    m_zoom.Pan(-dx * kBarUnit, dy * kBarUnit);
    viewport()->update();
}

void CZelScrollView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void CZelScrollView::wheelEvent(QWheelEvent* e)
{
    const int delta = e->angleDelta().y();
    if (delta == 0) {
        e->ignore();
        return;
    }
    if (e->modifiers() & Qt::ShiftModifier) {
        // Shift+wheel pans sideways.
        const ViewMapping m = Mapping();
        m_zoom.Pan(-delta / 120.0 * 40.0 / m.scale, 0);
    } else {
        const ViewMapping m = Mapping();
        const QPointF p = e->position();
        const double factor = std::pow(kWheelStep, delta / 120.0);
        m_zoom.ZoomAbout(m.ToLogicalX(p.x()), m.ToLogicalY(p.y()), factor);
    }
    VisibleChanged();
    e->accept();
}

bool CZelScrollView::PanPress(QMouseEvent* e)
{
    if (e->button() != Qt::MiddleButton)
        return false;
    m_panning = true;
    m_panLast = e->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
    return true;
}

bool CZelScrollView::PanMove(QMouseEvent* e)
{
    if (!m_panning)
        return false;
    const QPoint p = e->position().toPoint();
    const ViewMapping m = Mapping();
    m_zoom.Pan(-(p.x() - m_panLast.x()) / m.scale, (p.y() - m_panLast.y()) / m.scale);
    m_panLast = p;
    VisibleChanged();
    return true;
}

bool CZelScrollView::PanRelease(QMouseEvent* e)
{
    if (!m_panning || e->button() != Qt::MiddleButton)
        return false;
    m_panning = false;
    viewport()->unsetCursor();
    return true;
}

}  // namespace kalidor
