#include "sim/ui/PlotWindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>
#include <ctime>

#include "view/ui/QtPainter.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"
#include "sim/ui/SimPropertySheet.h"
#include "view/SvgPainter.h"
#include "view/ViewGeometry.h"

namespace kalidor {

namespace {

// Painter units are pixels on the screen; the half-pixel offset puts one-pixel lines on
// pixel centres.
ViewMapping ScreenMapping(int height)
{
    ViewMapping m;
    m.scale = 1.0;
    m.left = 0;
    m.top = height;
    m.offsetX = 0.5;
    m.offsetY = 0.5;
    return m;
}

void Tell(const std::string& text) { CurrentPrompter().Message(text, {}, Buttons::Ok, MessageIcon::Warning); }

constexpr int kPlotHintData = 2;      // update hint: plot data changed
constexpr double kWheelStep = 1.2;  // zoom factor of one wheel notch
constexpr char kPictureFilter[] = "PDF (*.pdf);;PNG image (*.png);;SVG picture (*.svg)";
constexpr char kDataFilter[] = "Text Files (*.csv);;All Files (*)";
constexpr char kMsgPictureNotWritten[] = "The picture could not be written.";
constexpr char kTipGroupDelay[] = "Show the group delay in place of the phase";
constexpr char kTipMarkers[] = "Mark the peak and the -3 dB points of the active curve";

}  // namespace

// ------------------------------------------------------------------ pane

CPltView::CPltView(CPltSplit& split, int paneKind, QWidget* parent)
    : QWidget(parent), m_split(split), m_pane(paneKind == 1 ? 1 : 0)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CPltView::Kind() const { return m_split.m_state.PaneOf(m_pane); }

QRect CPltView::FrameRect() const
{
    CPlotPainter pp(m_split.m_plot, m_split.m_state, 1);
    const LogRect f = pp.PaneFrame(Area());
    return QRect(QPoint(f.left, height() - f.top), QPoint(f.right, height() - f.bottom));
}

PltXY CPltView::LogicalAt(QPoint pixel) const
{
    CPlotPainter pp(m_split.m_plot, m_split.m_state, 1);
    const LogRect f = pp.PaneFrame(Area());
    return pp.ToLogical(f, Kind(), {pixel.x(), height() - pixel.y()});
}

void CPltView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QtPainter qp(p, ScreenMapping(height()), m_split.m_colors);
    CPlotPainter pp(m_split.m_plot, m_split.m_state, 1);
    pp.DrawPane(qp, Kind(), Area(), m_split.m_state.GetActivePane() == m_pane);
    if (m_selecting) {
        QPen pen(QColor(255, 255, 255));
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(m_pressPos, m_lastPos).normalized());
    }
}

void CPltView::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    m_pressPos = m_lastPos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && m_selectArmed) {
        m_selecting = true;
    } else if (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton) {
        m_panning = true;
        setCursor(Qt::ClosedHandCursor);
    }
}

void CPltView::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_selecting) {
        m_lastPos = pos;
        update();
        return;
    }
    if (m_panning) {
        const QRect f = FrameRect();
        const PlotMapping& m = m_split.m_state.Mapping(Kind());
        const int dx = pos.x() - m_lastPos.x();
        const int dy = pos.y() - m_lastPos.y();
        m_lastPos = pos;
        const int lx = static_cast<int>(std::lround(-double(dx) * m.extentX / std::max(1, f.width())));
        const int ly = static_cast<int>(std::lround(double(dy) * m.extentY / std::max(1, f.height())));
        m_split.m_state.Pan(Kind(), lx, ly);
        m_split.Redraw();
        return;
    }
    // While a zoom rectangle is being chosen the crosshair stays where it is.
    if (!m_selectArmed)
        m_split.MoveCrosshair(LogicalAt(pos).x);
}

void CPltView::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (m_selecting) {
        m_selecting = false;
        m_selectArmed = false;
        unsetCursor();
        m_split.m_state.ZoomSelect(Kind(), LogicalAt(m_pressPos), LogicalAt(pos));
        m_split.Redraw();
        return;
    }
    if (m_panning) {
        m_panning = false;
        unsetCursor();
        if (pos == m_pressPos)
            m_split.MoveCrosshair(LogicalAt(pos).x);
    }
}

void CPltView::wheelEvent(QWheelEvent* e)
{
    const double notches = e->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const PltXY at = LogicalAt(e->position().toPoint());
    m_split.m_state.ZoomAbout(Kind(), at.x, at.y, std::pow(kWheelStep, notches));
    m_split.Redraw();
    e->accept();
}

void CPltView::keyPressEvent(QKeyEvent* e)
{
    const int kind = Kind();
    const PlotMapping& m = m_split.m_state.Mapping(kind);
    switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        m_split.Pane(1 - m_pane)->setFocus(Qt::TabFocusReason);
        return;
    case Qt::Key_Left: m_split.m_state.Pan(kind, -m.extentX / 10, 0); break;
    case Qt::Key_Right: m_split.m_state.Pan(kind, m.extentX / 10, 0); break;
    case Qt::Key_Up: m_split.m_state.Pan(kind, 0, m.extentY / 10); break;
    case Qt::Key_Down: m_split.m_state.Pan(kind, 0, -m.extentY / 10); break;
    case Qt::Key_Plus: m_split.ZoomIn(); return;
    case Qt::Key_Minus: m_split.ZoomOut(); return;
    case Qt::Key_Escape:
        m_selectArmed = m_selecting = false;
        unsetCursor();
        update();
        return;
    default: QWidget::keyPressEvent(e); return;
    }
    m_split.Redraw();
}

void CPltView::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    if (m_split.m_state.GetActivePane() != m_pane) {
        m_split.m_state.SetActivePane(m_pane);
        m_split.Redraw();
    }
}

// ------------------------------------------------------------------ legend

CPltLegend::CPltLegend(CPltSplit& split, QWidget* parent) : QWidget(parent), m_split(split)
{
    setFixedHeight(24);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPltLegend::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QtPainter qp(p, ScreenMapping(height()), m_split.Colors());
    CPlotPainter pp(m_split.Plot(), m_split.State(), 1);
    pp.DrawLegend(qp, {0, height(), width(), 0});
}

// ------------------------------------------------------------------ window

CPltSplit::CPltSplit(CPlot& plot, QWidget* parent) : QWidget(parent), m_plot(plot), m_state(plot)
{
    setWindowTitle(QStringLiteral("Gain/Phase Plot"));
    m_toolBar = new QToolBar(this);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_legend = new CPltLegend(*this, this);
    connect(m_legend, &CPltLegend::doubleClicked, this, &CPltSplit::OpenOptions);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setChildrenCollapsible(false);
    for (int i = 0; i < 2; ++i) {
        m_panes[i] = new CPltView(*this, i, m_splitter);
        m_splitter->addWidget(m_panes[i]);
    }
    auto* statusRow = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setMinimumWidth(200);
        statusRow->addWidget(m_status[i], i);
    }
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(m_toolBar);
    l->addWidget(m_legend);
    l->addWidget(m_splitter, 1);
    l->addLayout(statusRow);

    // Commands.
    AddAction("zoomAll", tr("Zoom All"), "Fit all data of both panes", [this] { ZoomAll(); });
    AddAction("zoomIn", tr("Zoom In"), kTipZoomIn, [this] { ZoomIn(); });
    AddAction("zoomInX", tr("Zoom In X 25%"), kTipZoomInX, [this] { ZoomInX(); });
    AddAction("zoomInY", tr("Zoom In Y 25%"), kTipZoomInY, [this] { ZoomInY(); });
    AddAction("zoomOut", tr("Zoom Out"), "Zoom out 25 percent in both directions", [this] { ZoomOut(); });
    AddAction("zoomOutX", tr("Zoom Out X 25%"), "Zoom out 25 percent in horizontal direction", [this] { ZoomOutX(); });
    AddAction("zoomOutY", tr("Zoom Out Y 25%"), "Zoom out 25 percent in vertical direction", [this] { ZoomOutY(); });
    AddAction("zoomInSelect", tr("Zoom In Select"), "Zoom to the rectangle you drag", [this] { ZoomInSelect(); });
    AddAction("zoomPrevious", tr("Zoom Previous"), "Return to the previous zoom", [this] { ZoomPrevious(); });
    AddAction("goToActiveCurve", tr("Go to Active Curve"), "Scroll so the active curve is in view",
              [this] { GoToActiveCurve(); });
    AddAction("shiftCurveToCenter", tr("Shift Curve to Screen Center"), "Scroll so the active curve is in view",
              [this] { GoToActiveCurve(); });
    AddAction("crosshair", tr("Crosshair"), kTipCrosshair, [this] { ToggleCrosshair(); }, true);
    AddAction("dataPoints", tr("Data Points"), kTipDataPoints, [this] { ToggleDataPoints(); }, true);
    AddAction("groupDelay", tr("Group Delay"), kTipGroupDelay, [this] { ToggleGroupDelay(); }, true);
    AddAction("markers", tr("Markers"), kTipMarkers, [this] { ToggleMarkers(); }, true);
    auto* group = new QActionGroup(this);
    for (int c = 0; c < 4; ++c) {
        QAction* a = AddAction(QStringLiteral("activateCurve%1").arg(c + 1), tr("Activate Curve %1").arg(c + 1),
                               kActivateCurveTexts[c], [this, c] { ActivateCurve(c); }, true);
        group->addAction(a);
    }
    for (int c = 0; c < 4; ++c)
        AddAction(QStringLiteral("deleteCurve%1").arg(c + 1), tr("Delete Data of Curve %1").arg(c + 1),
                  "Delete the data of the curve", [this, c] { DeleteCurve(c); });
    for (int c = 0; c < 4; ++c)
        AddAction(QStringLiteral("showCurve%1").arg(c + 1), tr("Show Curve %1").arg(c + 1), "Show or hide the curve",
                  [this, c] { ToggleCurveShown(c); }, true);
    // The main window's Run Simulator has F5; the window's own command shows it (a second
    // action on the same key would make the key ambiguous).
    AddAction("runSimulator", tr("Run Simulator") + QStringLiteral("\tF5"), "Simulate the active curve",
              [this] { RunSimulator(); });
    AddAction("simulatorOptions", tr("Simulator..."), "Simulator Options", [this] { OpenOptions(); });
    AddAction("print", tr("Print..."), "Print the plot", [this] { Print(); });
    AddAction("exportPicture", tr("Export Picture..."), "Save the plot as PDF, PNG or SVG",
              [this] { ExportPictureDialog(); });
    AddAction("exportData", tr("Export Gain/Phase..."), "Write the active curve as delimited text",
              [this] { ExportDataToFile(); });
    AddAction("copyData", tr("Copy Gain/Phase"), "Put the active curve on the clipboard as delimited text",
              [this] { ExportDataToClipboard(); });
    AddAction("importData", tr("Import Gain/Phase..."), "Read delimited text into the active curve",
              [this] { ImportData(); });
    // Toolbar buttons carry short texts.
    const std::pair<const char*, const char*> buttons[] = {
        {"zoomAll", "All"},         {"zoomIn", "In"},          {"zoomInX", "In X"},     {"zoomInY", "In Y"},
        {"zoomOut", "Out"},         {"zoomOutX", "Out X"},     {"zoomOutY", "Out Y"},   {"zoomInSelect", "Select"},
        {"zoomPrevious", "Previous"}, {"crosshair", "Crosshair"}, {"dataPoints", "Points"}, {"groupDelay", "Delay"},
        {"markers", "Markers"},     {"runSimulator", "Run"}};
    for (const auto& [name, text] : buttons) {
        QAction* a = Action(QString::fromLatin1(name));
        a->setIconText(QString::fromLatin1(text));
        m_toolBar->addAction(a);
    }

    UpdateStatus();
    UpdateActions();
    resize(900, 700);
}

QAction* CPltSplit::AddAction(const QString& name, const QString& text, const char* tip, std::function<void()> f,
                              bool checkable)
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    a->setToolTip(QString::fromUtf8(tip));
    a->setStatusTip(QString::fromUtf8(tip));
    a->setCheckable(checkable);
    connect(a, &QAction::triggered, this, [f] { f(); });
    addAction(a);
    m_allActions.push_back(a);
    return a;
}

QAction* CPltSplit::Action(const QString& objectName) const
{
    for (QAction* a : m_allActions)
        if (a->objectName() == objectName)
            return a;
    return nullptr;
}

void CPltSplit::FillMenu(QMenu* menu) const
{
    const QList<QStringList> groups = {
        {"runSimulator", "simulatorOptions"},
        {"zoomAll", "zoomIn", "zoomInX", "zoomInY", "zoomOut", "zoomOutX", "zoomOutY", "zoomInSelect", "zoomPrevious"},
        {"goToActiveCurve", "shiftCurveToCenter", "crosshair", "dataPoints", "groupDelay", "markers"},
        {"activateCurve1", "activateCurve2", "activateCurve3", "activateCurve4"},
        {"showCurve1", "showCurve2", "showCurve3", "showCurve4"},
        {"deleteCurve1", "deleteCurve2", "deleteCurve3", "deleteCurve4"},
        {"exportData", "copyData", "importData", "exportPicture", "print"}};
    for (const QStringList& g : groups) {
        if (!menu->isEmpty())
            menu->addSeparator();
        for (const QString& n : g)
            menu->addAction(Action(n));
    }
}

void CPltSplit::SetTitleBlock(const QString& title, const QString& deviceType)
{
    m_title = title;
    m_deviceType = deviceType;
}

void CPltSplit::SetStatusRowShown(bool shown)
{
    for (QLabel* l : m_status)
        l->setVisible(shown);
}

void CPltSplit::UpdateStatus()
{
    const QString s1 = QString::fromStdString(m_plot.CurveStatusText());
    const QString s2 = QString::fromStdString(m_state.ReadoutText());
    m_status[0]->setText(s1);
    m_status[1]->setText(s2);
    emit statusText(1, s1);
    emit statusText(2, s2);
}

void CPltSplit::UpdateActions()
{
    Action("crosshair")->setChecked(m_plot.GetCrosshair() == 1);
    Action("dataPoints")->setChecked(m_state.GetDataPoints());
    Action("groupDelay")->setChecked(m_state.LowerPane() == kPaneDelay);
    Action("markers")->setChecked(m_state.GetMarkers());
    Action("zoomPrevious")->setEnabled(m_state.HasPrevious());
    for (int c = 0; c < 4; ++c) {
        Action(QStringLiteral("activateCurve%1").arg(c + 1))->setChecked(m_plot.GetActiveCurve() == c);
        Action(QStringLiteral("deleteCurve%1").arg(c + 1))->setEnabled(m_plot.IsValid(c));
        Action(QStringLiteral("showCurve%1").arg(c + 1))->setChecked(m_state.IsShown(c));
    }
}

void CPltSplit::Redraw()
{
    m_state.FollowDelayUnit();
    m_panes[0]->update();
    m_panes[1]->update();
    m_legend->update();
    UpdateStatus();
    UpdateActions();
}

void CPltSplit::OnDocumentUpdate(int hint)
{
    if (hint == 3)
        m_state.ZoomAll();
    Redraw();
}

void CPltSplit::ZoomAll() { m_state.ZoomAll(); Redraw(); }
void CPltSplit::ZoomIn() { m_state.ZoomIn(); Redraw(); }
void CPltSplit::ZoomInX() { m_state.ZoomInX(); Redraw(); }
void CPltSplit::ZoomInY() { m_state.ZoomInY(); Redraw(); }
void CPltSplit::ZoomOut() { m_state.ZoomOut(); Redraw(); }
void CPltSplit::ZoomOutX() { m_state.ZoomOutX(); Redraw(); }
void CPltSplit::ZoomOutY() { m_state.ZoomOutY(); Redraw(); }
void CPltSplit::ZoomPrevious() { m_state.ZoomPrevious(); Redraw(); }
void CPltSplit::GoToActiveCurve() { m_state.GoToActiveCurve(); Redraw(); }

void CPltSplit::ZoomInSelect()
{
    CPltView* v = m_panes[m_state.GetActivePane()];
    v->BeginZoomSelect();
    v->setCursor(Qt::CrossCursor);
    v->setFocus();
}

void CPltSplit::ToggleCrosshair()
{
    m_plot.SetCrosshair(!m_plot.GetCrosshair());
    if (m_plot.GetCrosshair()) {
        // Start in the middle of the view.
        const PlotMapping& m = m_state.Mapping(0);
        m_state.SetCrosshairX(m.originX + m.extentX / 2);
    }
    Redraw();
}

void CPltSplit::ToggleDataPoints()
{
    m_state.SetDataPoints(!m_state.GetDataPoints());
    Redraw();
}

void CPltSplit::ToggleGroupDelay()
{
    const bool delay = m_state.LowerPane() != kPaneDelay;
    m_state.SetLowerPane(delay ? kPaneDelay : kPanePhase);
    // The delay pane is first shown whole.
    if (delay && m_plot.Limits().HasDelay() && !m_delayShown) {
        m_state.FollowDelayUnit();
        m_state.ZoomAll();
    }
    m_delayShown = m_delayShown || delay;
    Redraw();
}

void CPltSplit::ToggleMarkers()
{
    m_state.SetMarkers(!m_state.GetMarkers());
    Redraw();
}

void CPltSplit::ActivateCurve(int curve)
{
    if (curve < 0 || curve > 3)
        return;
    m_plot.SetActiveCurve(curve);
    m_state.SetCrosshairX(m_state.CrossX());
    Redraw();
    emit dataChanged(kPlotHintData);
}

void CPltSplit::DeleteCurve(int curve)
{
    if (!m_plot.DeleteCurve(curve))
        return;
    Redraw();
    emit dataChanged(kPlotHintData);
}

void CPltSplit::ToggleCurveShown(int curve)
{
    m_state.ToggleShown(curve);
    Redraw();
}

void CPltSplit::MoveCrosshair(int logicalX)
{
    if (!m_plot.GetCrosshair())
        return;
    m_state.SetCrosshairX(logicalX);
    Redraw();
}

void CPltSplit::RunSimulator()
{
    if (!m_runner) {
        emit runRequested();
        return;
    }
    const RunResult r = m_runner();
    OnDocumentUpdate(r.hint);
    emit dataChanged(r.hint);
    const QString s1 = QString::fromStdString(m_plot.CurveStatusText());
    m_status[0]->setText(s1);
    emit statusText(1, s1);
}

void CPltSplit::OpenOptions()
{
    if (ShowSimulatorOptions(m_plot.Setup(), this)) {
        emit optionsChanged();
        Redraw();
    }
}

// ------------------------------------------------------------------ pictures and printing

PlotTitleBlock CPltSplit::TitleBlock() const
{
    return {m_title.toStdString(), m_deviceType.toStdString(),
            PlotDateText(static_cast<long long>(std::time(nullptr)))};
}

void CPltSplit::DrawPicture(QPainter& painter, const QSize& size) const
{
    QtPainter qp(painter, ScreenMapping(size.height()), m_colors);
    CPlotPainter pp(m_plot, m_state, 1);
    pp.DrawPicture(qp, {0, size.height(), size.width(), 0}, TitleBlock());
}

void CPltSplit::PrintTo(QPrinter* printer) const
{
    QPainter p;
    if (!p.begin(printer))
        return;
    CColorTable colors = m_colors;
    colors.SetScheme(CColorTable::kSchemeBlackOnWhite);
    const double dpi = printer->resolution();
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    // 0.001-inch units on the page; ten of them a nominal pixel.
    const int w = static_cast<int>(page.width() / dpi * 1000.0);
    const int h = static_cast<int>(page.height() / dpi * 1000.0);
    ViewMapping m;
    m.scale = dpi / 1000.0;
    m.left = 0;
    m.top = h;
    QtPainter qp(p, m, colors);
    qp.SetPenWidth(std::max(1.0, dpi / 150.0));
    CPlotPainter pp(m_plot, m_state, 10);
    const PlotTitleBlock title = TitleBlock();
    const int mode = m_plot.GetPrintMode();
    for (int i = 0; i < CPlotPainter::PageCount(mode); ++i) {
        if (i > 0)
            printer->newPage();
        pp.DrawPage(qp, {0, h, w, 0}, mode, i, title);
    }
    p.end();
}

void CPltSplit::Print()
{
    QStringList modes;
    for (const char* t : kPrintModeTexts)
        modes << QString::fromUtf8(t);
    bool ok = false;
    const QString choice =
        QInputDialog::getItem(this, tr("Print"), tr("Print mode:"), modes, m_plot.GetPrintMode(), false, &ok);
    if (!ok)
        return;
    m_plot.SetPrintMode(static_cast<int>(modes.indexOf(choice)));
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(m_plot.GetPrintMode() == kPrintTwoPlotsOnePage ? QPageLayout::Portrait
                                                                               : QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(&printer);
}

bool CPltSplit::ExportPicture(const QString& path) const
{
    CPlotPainter band(m_plot, m_state, 1);
    QSize size(m_splitter->width(), m_splitter->height() + m_legend->height() + band.PictureBandHeight());
    if (size.width() < 400 || size.height() < 300)
        size = QSize(1000, 750 + band.PictureBandHeight());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg")) {
        SvgPainter svg(&m_colors);
        const int unit = 10;
        const LogRect area{0, size.height() * unit, size.width() * unit, 0};
        svg.SetPageArea(area);
        svg.SetBackground(m_colors.GetColor(kPlotColorBackground));
        CPlotPainter pp(m_plot, m_state, unit);
        pp.DrawPicture(svg, area, TitleBlock());
        std::string error;
        if (!WriteFileAtomically(path.toStdString(), svg.Document(), &error)) {
            Tell(kMsgPictureNotWritten);
            return false;
        }
        return true;
    }
    if (suffix == QLatin1String("pdf")) {
        QPdfWriter writer(path);
        writer.setResolution(100);
        writer.setPageSize(QPageSize(QSizeF(size.width() / 100.0, size.height() / 100.0), QPageSize::Inch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (!p.begin(&writer)) {
            Tell(kMsgPictureNotWritten);
            return false;
        }
        DrawPicture(p, QSize(writer.width(), writer.height()));
        p.end();
        return true;
    }
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        DrawPicture(p, size);
    }
    if (!image.save(path, "PNG")) {
        Tell(kMsgPictureNotWritten);
        return false;
    }
    return true;
}

void CPltSplit::ExportPictureDialog()
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(this, tr("Export Plot Picture"), QString(),
                                                QString::fromLatin1(kPictureFilter), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.contains(QLatin1String("png")) ? ".png" : selected.contains(QLatin1String("svg")) ? ".svg" : ".pdf";
    ExportPicture(path);
}

// ------------------------------------------------------------------ gain/phase data

int CPltSplit::DelimiterChoiceDialog()
{
    QStringList items;
    for (const char* t : kDelimiterChoiceTexts)
        items << QString::fromUtf8(t);
    bool ok = false;
    const QString choice = QInputDialog::getItem(this, tr("Export Gain/Phase"), tr("Format:"), items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(choice)) : -1;
}

void CPltSplit::ExportDataToFile()
{
    const int delimiter = DelimiterChoiceDialog();
    if (delimiter < 0)
        return;
    const QString path = QFileDialog::getSaveFileName(this, tr("Export Gain/Phase"), QString(),
                                                      QString::fromLatin1(kDataFilter));
    if (path.isEmpty())
        return;
    m_plot.ExportToFile(path.toStdString(), delimiter);
}

void CPltSplit::ExportDataToClipboard()
{
    const int delimiter = DelimiterChoiceDialog();
    if (delimiter < 0)
        return;
    int count = 0;
    const std::string text = m_plot.ExportText(delimiter, &count);
    if (count == 0)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        Tell(std::string(kMsgClipboardOpen));
        return;
    }
    clipboard->setText(QString::fromStdString(text));
}

void CPltSplit::ImportData()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Import Gain/Phase"), QString(),
                                                      QString::fromLatin1(kDataFilter));
    if (path.isEmpty())
        return;
    int hint = kPlotHintData;
    if (m_plot.ImportFile(path.toStdString(), &hint) < 0)
        return;
    OnDocumentUpdate(hint);
    emit dataChanged(hint);
}

}  // namespace kalidor
