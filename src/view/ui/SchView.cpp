#include "view/ui/SchView.h"

#include <QElapsedTimer>
#include <algorithm>
#include <ctime>
#include <QFileInfo>
#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QTimer>

#include "view/ui/QtPainter.h"
#include "device/DeviceConfig.h"
#include "device/Interconnect.h"
#include "device/SymbolDifferences.h"
#include "device/SymbolInfo.h"
#include "device/ui/SymbolEditor.h"
#include "document/ui/SchDocument.h"
#include "view/DeviceSchematic.h"

namespace kalidor {

namespace {
// Screen background of the schematic.
const QColor kScreenBackgroundColor(kScreenBackground & 0xff, (kScreenBackground >> 8) & 0xff,
                                    (kScreenBackground >> 16) & 0xff);
// Height of the printed title block, in inches, and its font size in points.
constexpr double kTitleBlockInches = 0.8;
constexpr double kTitleFontPoints = 10;
}  // namespace

Qt::CursorShape CToolSet::Cursor() const
{
    switch (m_mode) {
    case kZoomSelect: return Qt::CrossCursor;
    case kDragConnection:
    case kDragContact: return Qt::ClosedHandCursor;
    case kCancelledDrag: return Qt::ForbiddenCursor;
    case kOverSwitch: return Qt::OpenHandCursor;
    case kOverSymbol: return Qt::PointingHandCursor;
    case kIdle: break;
    }
    return Qt::ArrowCursor;
}

CSchView::CSchView(SchDocument* doc, QWidget* parent)
    : CZelScrollView(parent), m_doc(doc), m_background(kScreenBackgroundColor)
{
    // On the dark screen background the schematic's texts are drawn light; printing uses the
    // black-on-white scheme of a copy of the table.
    UseScreenColors(m_colors);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    if (m_doc)
        connect(m_doc, &SchDocument::updated, this, &CSchView::OnDocumentUpdated);
    m_frameTimer = new QTimer(this);
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
}

CSchView::~CSchView() = default;

int CSchView::HighlightedKey() const
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    return s ? s->GetHighlighted() : -1;
}

void CSchView::FitWorld()
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    if (!s)
        return;
    SetWorld(SchematicExtent(*s));
    m_worldSet = true;
}

void CSchView::showEvent(QShowEvent* e)
{
    CZelScrollView::showEvent(e);
    if (!m_worldSet)
        FitWorld();
}

void CSchView::OnDocumentUpdated(int)
{
    // The symbols may have been rebuilt (Undo restores a whole design): the drag is over.
    if (m_tools.GetMode() == CToolSet::kDragContact || m_tools.GetMode() == CToolSet::kDragConnection) {
        m_tools.SetMode(CToolSet::kCancelledDrag);
        m_dragKey = -1;
    }
    if (!m_worldSet)
        FitWorld();
    // A whole repaint takes a millisecond or more; a client of the automation interface may
    // change a value every few dozen microseconds and would otherwise wait for a repaint after
    // each. The first change after a quiet frame is drawn at once.
    const qint64 since = m_sincePaint.isValid() ? m_sincePaint.elapsed() : kDocumentFrameMs;
    if (since >= kDocumentFrameMs)
        viewport()->update();
    else if (!m_frameTimer->isActive())
        m_frameTimer->start(int(kDocumentFrameMs - since));
}

bool CSchView::RepaintPending() const { return m_frameTimer->isActive(); }

void CSchView::Redraw() { viewport()->update(); }

void CSchView::ZoomInSelect()
{
    m_tools.SetMode(CToolSet::kZoomSelect);
    m_buttonDown = false;
    UpdateCursor();
}

void CSchView::SetShowPosition(bool on)
{
    if (m_showPosition == on)
        return;
    m_showPosition = on;
    if (!on)
        emit statusMessage(QString());
    emit showPositionChanged(on);
}

void CSchView::SetShowHitArea(bool on)
{
    if (m_showHitArea == on)
        return;
    m_showHitArea = on;
    viewport()->update();
    emit showHitAreaChanged(on);
}

void CSchView::UpdateCursor() { viewport()->setCursor(m_tools.Cursor()); }

// ---------------------------------------------------------------- drawing

void CSchView::DrawSchematic(QPainter& painter, const ViewMapping& mapping, const CColorTable& colors,
                             bool withHitAreas, double penWidth) const
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    if (!s)
        return;
    QtPainter qp(painter, mapping, colors);
    qp.SetPenWidth(penWidth);
    s->DrawAll(qp);
    if (withHitAreas)
        s->DrawHitAreas(qp);
}

void CSchView::paintEvent(QPaintEvent*)
{
    QElapsedTimer timer;
    timer.start();
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), m_background);
    DrawSchematic(p, Mapping(), m_colors, m_showHitArea);
    if (m_tools.GetMode() == CToolSet::kZoomSelect && m_buttonDown) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 0, Qt::DashLine));
        p.drawRect(QRect(m_pressPoint, m_bandEnd).normalized());
    }
    if ((m_tools.GetMode() == CToolSet::kDragContact || m_tools.GetMode() == CToolSet::kDragConnection) &&
        m_dragKey >= 0) {
        if (CInterconnect* sw = SwitchOf(m_dragKey)) {
            const LogPoint src = sw->GetSource();
            p.setPen(QPen(Qt::yellow, 0, Qt::DashLine));
            p.drawLine(ToDevice(src.x, src.y), QPointF(m_dragEnd));
        }
    }
    if (m_rerouted >= 0) {
        // The switch a click just rerouted, framed so that a stray click is noticed.
        const QRect r = HighlightArea(m_rerouted).adjusted(2, 2, -2, -2);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 160, 0), 2));
        p.drawRoundedRect(r, 4, 4);
    }
    m_lastPaintMs = timer.nsecsElapsed() / 1e6;
    m_sincePaint.start();
}

QRect CSchView::HighlightArea(int key) const
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    CSymbol* sym = s ? s->GetSymbol(key) : nullptr;
    if (!sym)
        return {};
    const LogPoint o = sym->GetOrigin();
    const int h = CSymbol::kHighlightHalfSize;
    QRectF r = ToDevice(LogRect{o.x - h, o.y + h, o.x + h, o.y - h});
    if (!sym->GetHitRect().IsNull())
        r = r.united(ToDevice(sym->GetHitRect()));
    for (const CDrawnElement& e : sym->GetDrawnElements()) {
        const LogPoint eo = e.GetOrigin();
        for (int i = 0; i < e.GetPointCount(); ++i) {
            const LogPoint pt = e.GetPoint(i);
            const QPointF d = ToDevice(o.x + eo.x + pt.x, o.y + eo.y + pt.y);
            r = r.united(QRectF(d, QSizeF(1, 1)));
        }
    }
    return r.toAlignedRect().adjusted(-4, -4, 4, 4);
}

void CSchView::SetHighlight(int key)
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    if (!s)
        return;
    const int old = s->GetHighlighted();
    if (old == key)
        return;
    s->SetHighlighted(key);
    // Only the old and the new highlight are repainted.
    if (old >= 0)
        viewport()->update(HighlightArea(old));
    if (key >= 0)
        viewport()->update(HighlightArea(key));
}

// ---------------------------------------------------------------- switches

CInterconnect* CSchView::SwitchOf(int key) const
{
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    CSymbol* sym = s ? s->GetSymbol(key) : nullptr;
    return sym ? dynamic_cast<CInterconnect*>(sym->GetSwitch()) : nullptr;
}

bool CSchView::HitSwitch(LogPoint p, int key, int& switchKey) const
{
    auto test = [&](int k) {
        for (CInterconnect* sw = SwitchOf(k); sw; sw = sw->GetNext()) {
            ContactHit hit;
            int sourceKey = -1;
            if (sw->HitTestContact(p, hit) || sw->HitTestSource(p, sourceKey)) {
                switchKey = k;
                return true;
            }
        }
        return false;
    };
    if (key >= 0)
        return test(key);
    // Contacts may lie outside the hit rectangle of their symbol: look at every switch.
    CDeviceSchematic* s = m_doc ? m_doc->Doc().Schematic() : nullptr;
    if (!s)
        return false;
    for (int k = 0; k < CSchematic::kSlotCount; ++k)
        if (CSymbol* sym = s->GetSymbol(k); sym && sym->GetSwitch() && test(k))
            return true;
    return false;
}

// ---------------------------------------------------------------- mouse

void CSchView::mousePressEvent(QMouseEvent* e)
{
    if (PanPress(e))
        return;
    if (e->button() != Qt::LeftButton || !m_doc) {
        CZelScrollView::mousePressEvent(e);
        return;
    }
    const QPoint dp = e->position().toPoint();
    const LogPoint p = ToLogical(dp);
    const CToolSet::Mode mode = m_tools.GetMode();
    if (mode == CToolSet::kIdle || mode == CToolSet::kOverSwitch || mode == CToolSet::kOverSymbol) {
        const int key = m_doc->Doc().FindSymbolAt(p.x, p.y);
        int switchKey = -1;
        if (HitSwitch(p, key, switchKey) || HitSwitch(p, -1, switchKey)) {
            if (CInterconnect* sw = SwitchOf(switchKey)) {
                m_dragKey = switchKey;
                m_dragEnd = dp;
                sw->BeginDrag(dp.x(), dp.y(), switchKey);
                m_tools.SetMode(CToolSet::kDragContact);
                UpdateCursor();
                viewport()->update();
                return;
            }
        }
    }
    m_buttonDown = true;
    m_pressPoint = dp;
    m_bandEnd = dp;
}

void CSchView::mouseMoveEvent(QMouseEvent* e)
{
    if (PanMove(e))
        return;
    if (!m_doc)
        return;
    const QPoint dp = e->position().toPoint();
    const LogPoint p = ToLogical(dp);
    m_lastLogical = p;
    if (m_showPosition) {
        m_positionText = QString::fromStdString(PositionText(p.x, p.y));
        emit statusMessage(m_positionText);
    }
    CToolSet::Mode mode = m_tools.GetMode();
    if (m_buttonDown && (e->buttons() & Qt::LeftButton) &&
        (mode == CToolSet::kIdle || mode == CToolSet::kOverSwitch || mode == CToolSet::kOverSymbol) &&
        ZoomSelectStarts(m_pressPoint.x(), m_pressPoint.y(), dp.x(), dp.y())) {
        m_tools.SetMode(CToolSet::kZoomSelect);
        SetHighlight(-1);
        UpdateCursor();
        mode = CToolSet::kZoomSelect;
    }
    switch (mode) {
    case CToolSet::kIdle:
    case CToolSet::kOverSwitch:
    case CToolSet::kOverSymbol: {
        const int key = m_doc->Doc().FindSymbolAt(p.x, p.y);
        int switchKey = -1;
        if (HitSwitch(p, key, switchKey) || HitSwitch(p, -1, switchKey)) {
            m_tools.SetMode(CToolSet::kOverSwitch);
            SetHighlight(-1);
        } else if (key >= 0) {
            m_tools.SetMode(CToolSet::kOverSymbol);
            SetHighlight(key);
        } else {
            m_tools.SetMode(CToolSet::kIdle);
            SetHighlight(-1);
        }
        UpdateCursor();
        break;
    }
    case CToolSet::kZoomSelect:
        if (m_buttonDown) {
            m_bandEnd = dp;
            viewport()->update();
        }
        break;
    case CToolSet::kDragConnection:
    case CToolSet::kDragContact:
        if (CInterconnect* sw = SwitchOf(m_dragKey))
            sw->DragTo(dp.x(), dp.y());
        m_dragEnd = dp;
        viewport()->update();
        break;
    case CToolSet::kCancelledDrag:
        break;
    }
}

void CSchView::mouseReleaseEvent(QMouseEvent* e)
{
    if (PanRelease(e))
        return;
    if (e->button() != Qt::LeftButton || !m_doc) {
        CZelScrollView::mouseReleaseEvent(e);
        return;
    }
    const QPoint dp = e->position().toPoint();
    const bool wasDown = m_buttonDown;
    m_buttonDown = false;
    switch (m_tools.GetMode()) {
    case CToolSet::kZoomSelect:
        m_tools.SetMode(CToolSet::kIdle);
        // A click without a real drag does not zoom.
        if (wasDown && ZoomSelectStarts(m_pressPoint.x(), m_pressPoint.y(), dp.x(), dp.y())) {
            const LogPoint a = ToLogical(m_pressPoint), b = ToLogical(dp);
            ZoomTo(ViewRect{double(std::min(a.x, b.x)), double(std::min(a.y, b.y)), double(std::max(a.x, b.x)),
                            double(std::max(a.y, b.y))});
        }
        viewport()->update();
        break;
    case CToolSet::kDragConnection:
        if (CInterconnect* sw = SwitchOf(m_dragKey))
            sw->EndDrag(dp.x(), dp.y());
        m_tools.SetMode(CToolSet::kIdle);
        m_dragKey = -1;
        m_doc->Doc().UpdateAllViews(kHintNone);
        break;
    case CToolSet::kCancelledDrag:
        m_tools.SetMode(CToolSet::kIdle);
        m_dragKey = -1;
        viewport()->update();
        break;
    case CToolSet::kDragContact: {
        const int key = m_dragKey;
        m_dragKey = -1;
        m_tools.SetMode(CToolSet::kIdle);
        const LogPoint p = ToLogical(dp);
        int newValue = 0;
        bool found = false;
        for (CInterconnect* sw = SwitchOf(key); sw && !found; sw = sw->GetNext()) {
            sw->EndDrag(dp.x(), dp.y());
            ContactHit hit;
            if (sw->HitTestContact(p, hit)) {
                newValue = hit.contact.SymbolValue;
                found = true;
            }
        }
        DeviceConfig* device = m_doc->Doc().Device();
        if (found && device && newValue != device->GetSymValue(key)) {
            SchDocument* doc = m_doc;
            const std::string before = SymbolValueText(*device, key);
            if (doc->Change(QStringLiteral("Change switch"), [doc, key, newValue] {
                    doc->Doc().SetSymValue(key, newValue);
                    return true;
                }))
                ShowReroute(key, before);
        } else {
            m_doc->Doc().UpdateAllViews(kHintNone);
        }
        break;
    }
    default:
        break;
    }
    UpdateCursor();
}

void CSchView::ShowReroute(int key, const std::string& before)
{
    DeviceConfig* device = m_doc ? m_doc->Doc().Device() : nullptr;
    if (!device)
        return;
    const SymbolInfo* info = FindSymbolInfo(device->Kind(), key);
    const QString name = QString::fromStdString(info && !info->fullName.empty() ? info->fullName
                                                                                 : "Key " + std::to_string(key));
    emit statusMessage(tr("%1: %2 -> %3 (Edit > Undo puts it back)")
                           .arg(name, QString::fromStdString(before),
                                QString::fromStdString(SymbolValueText(*device, key))));
    if (m_rerouted >= 0)
        viewport()->update(HighlightArea(m_rerouted));
    m_rerouted = key;
    viewport()->update(HighlightArea(key));
    if (!m_rerouteTimer) {
        m_rerouteTimer = new QTimer(this);
        m_rerouteTimer->setSingleShot(true);
        connect(m_rerouteTimer, &QTimer::timeout, this, [this] {
            if (m_rerouted >= 0)
                viewport()->update(HighlightArea(m_rerouted));
            m_rerouted = -1;
        });
    }
    m_rerouteTimer->start(kRerouteMarkMs);
}

void CSchView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_doc)
        return;
    m_buttonDown = false;
    const LogPoint p = ToLogical(e->position().toPoint());
    const int key = m_doc->Doc().FindSymbolAt(p.x, p.y);
    if (key < 0)
        return;
    SchDocument* doc = m_doc;
    if (EditSymbolValue(this, *doc, key) && m_doc)
        m_doc->Doc().UpdateAllViews(kHintSymbolEdited);
}

void CSchView::leaveEvent(QEvent* e)
{
    if (m_tools.GetMode() == CToolSet::kOverSymbol || m_tools.GetMode() == CToolSet::kOverSwitch) {
        m_tools.SetMode(CToolSet::kIdle);
        SetHighlight(-1);
        UpdateCursor();
    }
    CZelScrollView::leaveEvent(e);
}

// ---------------------------------------------------------------- keyboard

void CSchView::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        m_typed.clear();
        if (m_tools.GetMode() == CToolSet::kDragContact || m_tools.GetMode() == CToolSet::kDragConnection)
            m_tools.SetMode(CToolSet::kCancelledDrag);
        else if (m_tools.GetMode() == CToolSet::kZoomSelect) {
            m_tools.SetMode(CToolSet::kIdle);
            m_buttonDown = false;
        }
        UpdateCursor();
        viewport()->update();
        return;
    }
    const QString text = e->text();
    if (text.size() == 1 && text[0].isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString sequence = QString::fromLatin1(kDevelopmentKeys);
        m_typed += text.toLower();
        if (m_typed == sequence) {
            m_typed.clear();
            emit developmentMenuRequested();
        } else if (m_typed.size() >= sequence.size() || !sequence.startsWith(m_typed)) {
            m_typed = sequence.startsWith(text.toLower()) ? text.toLower() : QString();
        }
        return;
    }
    CZelScrollView::keyPressEvent(e);
}

// ---------------------------------------------------------------- printing

QStringList CSchView::TitleBlockLines() const
{
    if (!m_doc)
        return {};
    const QString path = QString::fromStdString(m_doc->Doc().GetPathName());
    QFileInfo info(path);
    std::time_t when = std::time(nullptr);
    if (!path.isEmpty() && info.exists())
        when = static_cast<std::time_t>(info.lastModified().toSecsSinceEpoch());
    return {path.isEmpty() ? m_doc->DisplayName() : path, QString::fromStdString(TitleBlockDate(when))};
}

void CSchView::Print(QPrinter* printer) const
{
    if (!m_doc || !m_doc->Doc().Schematic())
        return;
    QPainter p;
    if (!p.begin(printer))
        return;
    const QRectF paint = printer->pageLayout().paintRectPixels(printer->resolution());
    DrawPage(p, QRectF(QPointF(0, 0), paint.size()), printer->resolution());
    p.end();
}

void CSchView::DrawPage(QPainter& p, const QRectF& page, double dpi) const
{
    if (!m_doc || !m_doc->Doc().Schematic())
        return;
    const double blockH = kTitleBlockInches * dpi;
    const QRectF drawing(page.left(), page.top(), page.width(), page.height() - blockH - 0.1 * dpi);

    // Black on white, with the texts black too (the black-on-white scheme treats the text colour
    // as a background colour and would print the texts white).
    CColorTable blackOnWhite = m_colors;
    blackOnWhite.SetScheme(CColorTable::kSchemeBlackOnWhite);
    CColorTable colors;
    for (int i = 0; i < CColorTable::kSchemeIndex; ++i)
        colors.SetColor(i, blackOnWhite.GetColor(i));
    colors.SetColor(CSymbol::kTextColor, CColorTable::Rgb(0, 0, 0));
    colors.SetScheme(CColorTable::kSchemeNormal);
    ViewMapping m = ViewMapping::Fit(SchematicExtent(*m_doc->Doc().Schematic()), int(drawing.width()),
                                     int(drawing.height()));
    m.offsetX += drawing.left();
    m.offsetY += drawing.top();
    p.fillRect(page, Qt::white);
    // The symbol under the mouse is not highlighted on paper.
    CDeviceSchematic* schematic = m_doc->Doc().Schematic();
    const int highlighted = schematic->GetHighlighted();
    schematic->SetHighlighted(CSchematic::kNoSymbol);
    DrawSchematic(p, m, colors, false, std::max(1.0, dpi / 150.0));
    schematic->SetHighlighted(highlighted);

    // The title block: a framed box in the lower right corner with the path and the date.
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(6, int(kTitleFontPoints / 72.0 * dpi)));
    p.setFont(f);
    const QStringList lines = TitleBlockLines();
    const QFontMetricsF fm(p.font());
    double textW = 0;
    for (const QString& l : lines)
        textW = std::max(textW, fm.horizontalAdvance(l));
    const double boxW = std::min(page.width(), std::max(3.0 * dpi, textW + 0.3 * dpi));
    const QRectF box(page.right() - boxW, page.bottom() - blockH, boxW, blockH);
    p.setPen(QPen(Qt::black, std::max(1.0, dpi / 100.0)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    const double lineH = box.height() / std::max<qsizetype>(1, lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QRectF r(box.left() + 0.15 * dpi, box.top() + i * lineH, box.width() - 0.3 * dpi, lineH);
        p.drawText(r, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   fm.elidedText(lines[i], Qt::ElideMiddle, r.width()));
        if (i > 0)
            p.drawLine(QPointF(box.left(), r.top()), QPointF(box.right(), r.top()));
    }
}

}  // namespace kalidor
