#include "document/ui/JTAGView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>

#include "device/DeviceKind.h"
#include "jtag/JtagCable.h"
#include "jtag/JtagChainScan.h"
#include "jtag/ui/SvfPlayerDialog.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

QDialogButtonBox* OkCancel(QDialog* dlg)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return box;
}

constexpr const char* kMsgNoCable =
    "No cable is open: choose one with Options > JTAG Interface... (the virtual cable simulates a chain).";
constexpr const char* kMsgScanNeedsEmptyChain =
    "Scan Chain fills a chain without devices: use File > New > Kalidor JTAG Chain first.";

}  // namespace

// ---------------------------------------------------------------- dialogs

CInsertZelDeviceDlg::CInsertZelDeviceDlg(const QString& name, const QString& deviceType, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Insert Zel Device"));
    auto* form = new QFormLayout;
    m_type = new QComboBox(this);
    for (const char* t : kDeviceTypeNames)
        m_type->addItem(QLatin1String(t));
    m_type->setCurrentText(deviceType);
    m_name = new QLineEdit(name, this);
    m_name->selectAll();
    form->addRow(tr("&Zel Device:"), m_type);
    form->addRow(tr("&Title:"), m_name);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    m_name->setFocus();
}

QString CInsertZelDeviceDlg::Name() const { return m_name->text().trimmed(); }
QString CInsertZelDeviceDlg::DeviceType() const { return m_type->currentText(); }

CInsertForeignDeviceDlg::CInsertForeignDeviceDlg(const QString& name, int irLength, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Insert Foreign Device"));
    auto* form = new QFormLayout;
    m_name = new QLineEdit(name, this);
    m_name->selectAll();
    m_ir = new QSpinBox(this);
    m_ir->setRange(1, kMaxChainIrLength);
    m_ir->setValue(irLength);
    auto* irRow = new QHBoxLayout;
    irRow->addWidget(m_ir);
    irRow->addWidget(new QLabel(tr("bits"), this));
    irRow->addStretch();
    form->addRow(tr("&Title:"), m_name);
    form->addRow(tr("&IR Length:"), irRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    m_name->setFocus();
}

QString CInsertForeignDeviceDlg::Name() const { return m_name->text().trimmed(); }
int CInsertForeignDeviceDlg::IrLength() const { return m_ir->value(); }

bool CQtChainDialogs::AskZelDevice(std::string& name, std::string& deviceType)
{
    CInsertZelDeviceDlg dlg(QString::fromStdString(name), QString::fromStdString(deviceType), m_parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    name = dlg.Name().toStdString();
    deviceType = dlg.DeviceType().toStdString();
    return true;
}

bool CQtChainDialogs::AskForeignDevice(std::string& name, int& irLength)
{
    CInsertForeignDeviceDlg dlg(QString::fromStdString(name), irLength, m_parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    name = dlg.Name().toStdString();
    irLength = dlg.IrLength();
    return true;
}

bool CQtChainDialogs::AskName(std::string& name)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, QObject::tr("Rename Device"), QObject::tr("&Title:"),
                                               QLineEdit::Normal, QString::fromStdString(name), &ok);
    if (!ok)
        return false;
    name = text.trimmed().toStdString();
    return true;
}

// ---------------------------------------------------------------- the drawn chain

CChainDiagramWidget::CChainDiagramWidget(const CJTAGDoc& chain, QWidget* parent) : QWidget(parent), m_chain(chain)
{
    setObjectName(QStringLiteral("chainDiagram"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAutoFillBackground(false);
    Relayout();
}

QSize CChainDiagramWidget::sizeHint() const { return {760, 300}; }

QSize CChainDiagramWidget::minimumSizeHint() const { return {240, 120}; }

const CChainDiagram& CChainDiagramWidget::Diagram() const
{
    if (m_laidOut != size() || m_diagram.Count() != m_chain.GetCount()) {
        m_diagram.Layout(m_chain, width(), height());
        m_laidOut = size();
    }
    return m_diagram;
}

void CChainDiagramWidget::Relayout()
{
    m_laidOut = QSize();
    if (m_selected >= Diagram().Count())
        Select(Diagram().Count() - 1);
    update();
}

void CChainDiagramWidget::Select(int index)
{
    const int n = Diagram().Count();
    const int i = n == 0 ? -1 : std::clamp(index, 0, n - 1);
    if (i == m_selected)
        return;
    m_selected = i;
    update();
    emit selectionChanged();
}

void CChainDiagramWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

void CChainDiagramWidget::mousePressEvent(QMouseEvent* event)
{
    // Any button selects what is under the pointer, so that the context menu acts on it.
    const int hit = Diagram().HitTest(event->position().x(), event->position().y());
    if (hit >= 0)
        Select(hit);
    QWidget::mousePressEvent(event);
}

void CChainDiagramWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int hit = Diagram().HitTest(event->position().x(), event->position().y());
    if (hit >= 0 && event->button() == Qt::LeftButton) {
        Select(hit);
        emit activated(hit);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CChainDiagramWidget::keyPressEvent(QKeyEvent* event)
{
    ChainKey key;
    switch (event->key()) {
    case Qt::Key_Left: key = ChainKey::kLeft; break;
    case Qt::Key_Right: key = ChainKey::kRight; break;
    case Qt::Key_Up: key = ChainKey::kUp; break;
    case Qt::Key_Down: key = ChainKey::kDown; break;
    case Qt::Key_Home: key = ChainKey::kHome; break;
    case Qt::Key_End: key = ChainKey::kEnd; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_selected >= 0)
            emit activated(m_selected);
        return;
    default: QWidget::keyPressEvent(event); return;
    }
    Select(Diagram().Navigate(m_selected, key));
}

bool CChainDiagramWidget::event(QEvent* event)
{
    // The tooltip of a box shows its text whole (the drawing elides what does not fit).
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int hit = Diagram().HitTest(help->pos().x(), help->pos().y());
        if (const CJtagChainElement* e = hit >= 0 ? m_chain.GetElement(hit) : nullptr) {
            QStringList lines;
            for (const std::string& l : CChainDiagram::BoxLines(*e))
                lines << QString::fromStdString(l);
            QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void CChainDiagramWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.base());
    const double s = Diagram().Scale();

    // The wires, each ending in an arrowhead at the next box.
    const QColor ink = pal.text().color();
    p.setPen(QPen(ink, std::max(1.0, 1.5 * s)));
    const double head = 7 * s;
    for (int i = 0; i + 1 < Diagram().Count(); ++i) {
        QPolygonF line;
        for (const ChainPoint& pt : Diagram().Wire(i))
            line << QPointF(pt.x, pt.y);
        const QPointF tip = line.last();
        line.last() = tip - QPointF(head, 0);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF{tip, tip - QPointF(head, head / 2), tip - QPointF(head, -head / 2)});
    }

    QFont normal = font();
    normal.setPixelSize(std::max(6, int(std::lround(CChainDiagram::kFontPixels * s))));
    QFont bold = normal;
    bold.setBold(true);
    const double pad = CChainDiagram::kPadding * s;
    const double lineHeight = CChainDiagram::kLineHeight * s;
    for (int i = 0; i < Diagram().Count(); ++i) {
        const CJtagChainElement* e = m_chain.GetElement(i);
        if (!e)
            continue;
        const ChainBox& b = Diagram().Box(i);
        const QRectF r(b.left, b.top, b.width, b.height);
        // Zel devices light blue, foreign devices grey, the cable's ends pale yellow.
        const QColor fill = b.terminal ? QColor(250, 243, 205) : e->IsZelDevice() ? QColor(214, 228, 248) : QColor(228, 228, 228);
        const bool selected = i == m_selected;
        p.setBrush(selected ? fill.darker(112) : fill);
        p.setPen(selected ? QPen(pal.highlight().color(), std::max(2.0, 3 * s)) : QPen(ink.lighter(150), std::max(1.0, s)));
        p.drawRoundedRect(r, 4 * s, 4 * s);
        if (selected && hasFocus()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(ink, 1, Qt::DotLine));
            p.drawRoundedRect(r.adjusted(-4 * s, -4 * s, 4 * s, 4 * s), 5 * s, 5 * s);
        }
        p.setPen(ink);
        const std::vector<std::string> lines = CChainDiagram::BoxLines(*e);
        if (b.terminal) {
            p.setFont(bold);
            p.drawText(r, Qt::AlignCenter, QString::fromStdString(lines.front()));
            continue;
        }
        for (std::size_t k = 0; k < lines.size(); ++k) {
            p.setFont(k == 0 ? bold : normal);
            const QRectF line(r.left() + pad, r.top() + pad + k * lineHeight, r.width() - 2 * pad, lineHeight);
            const QString text = p.fontMetrics().elidedText(QString::fromStdString(lines[k]), Qt::ElideRight,
                                                            int(line.width()));
            p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    }
}

// ---------------------------------------------------------------- the view

CJTAGView::CJTAGView(CJTAGDoc& chain, std::function<void(int)> openSchematic, std::function<CJtagCable*()> cable,
                     QWidget* parent)
    : QWidget(parent), m_chain(chain), m_openSchematic(std::move(openSchematic)), m_cable(std::move(cable)),
      m_qtDialogs(this), m_dialogs(&m_qtDialogs)
{
    setObjectName(QStringLiteral("JTAGView"));
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    m_diagram = new CChainDiagramWidget(chain, this);
    m_diagram->setContextMenuPolicy(Qt::ActionsContextMenu);
    setFocusProxy(m_diagram);
    layout->addWidget(m_summary);
    layout->addWidget(m_diagram, 1);

    auto make = [this](const char* name, const QString& text, auto slot, const QKeySequence& key = {}) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        addAction(a);
        m_editActions << a;
        return a;
    };
    auto separator = [this] {
        auto* s = new QAction(this);
        s->setSeparator(true);
        m_editActions << s;
        m_diagram->addAction(s);
    };
    make("chainUndo", tr("&Undo"), &CJTAGView::Undo, QKeySequence::Undo);
    make("chainRedo", tr("&Redo"), &CJTAGView::Redo, QKeySequence::Redo);
    separator();
    make("chainCut", tr("Cu&t"), &CJTAGView::Cut, QKeySequence::Cut);
    make("chainCopy", tr("&Copy"), &CJTAGView::Copy, QKeySequence::Copy);
    make("chainPaste", tr("&Paste"), &CJTAGView::Paste, QKeySequence::Paste);
    make("chainDelete", tr("&Delete"), &CJTAGView::DeleteDevice, QKeySequence::Delete);
    separator();
    make("chainInsertZel", tr("Insert &Zel Device..."), &CJTAGView::InsertZelDevice);
    make("chainInsertForeign", tr("Insert &Foreign Device..."), &CJTAGView::InsertForeignDevice);
    make("chainProperties", tr("&Device Properties..."), &CJTAGView::DeviceProperties);
    make("chainOpenSchematic", tr("Open &Schematic"), &CJTAGView::OpenSchematic);
    make("chainRename", tr("&Rename Device..."), &CJTAGView::RenameDevice);
    separator();
    make("chainScan", tr("Scan &Chain..."), &CJTAGView::ScanChain);
    make("chainPlaySvf", tr("Play S&VF File..."), &CJTAGView::PlaySvf);
    for (QAction* a : m_editActions)
        if (!a->isSeparator())
            m_diagram->addAction(a);

    connect(m_diagram, &CChainDiagramWidget::activated, this, [this] { OpenSchematic(); });
    connect(m_diagram, &CChainDiagramWidget::selectionChanged, this, [this] { UpdateActions(); });
    m_chain.AddObserver(this);
    Refill();
    Select(1);
}

CJTAGView::~CJTAGView() { m_chain.RemoveObserver(this); }

QAction* CJTAGView::Action(const QString& objectName) const
{
    for (QAction* a : m_editActions)
        if (a->objectName() == objectName)
            return a;
    return nullptr;
}

int CJTAGView::Selected() const { return m_diagram->Selected(); }

void CJTAGView::Select(int index) { m_diagram->Select(index); }

QString CJTAGView::Title() const
{
    QString t = QString::fromStdString(m_chain.DisplayName()) + QStringLiteral(" - JTAG Chain");
    if (m_chain.IsModified())
        t += QStringLiteral(" *");
    return t;
}

void CJTAGView::OnChainUpdate() { Refill(); }

void CJTAGView::OnChainStateChanged() { emit titleChanged(); }

void CJTAGView::Refill()
{
    int devices = 0, irTotal = 0;
    for (int i = 0; i < m_chain.GetCount(); ++i)
        if (const CJtagChainElement* e = m_chain.GetElement(i); !e->IsTerminal()) {
            ++devices;
            irTotal += e->GetIR_Length();
        }
    m_summary->setText(devices == 0 ? tr("From TDI to TDO: no devices yet. Insert them from the Edit menu (or the "
                                         "context menu), or read them from the cable with Scan Chain.")
                                    : tr("From TDI to TDO: %1 devices, %2 instruction register bits. A device is "
                                         "programmed from its schematic (double-click it) with the others in BYPASS.")
                                          .arg(devices)
                                          .arg(irTotal));
    m_diagram->Relayout();
    UpdateActions();
}

void CJTAGView::UpdateActions()
{
    const CJtagChainElement* e = m_chain.GetElement(Selected());
    const bool device = e && !e->IsTerminal();
    Action(QStringLiteral("chainDelete"))->setEnabled(device);
    Action(QStringLiteral("chainRename"))->setEnabled(device);
    Action(QStringLiteral("chainProperties"))->setEnabled(device);
    Action(QStringLiteral("chainOpenSchematic"))->setEnabled(device);
    Action(QStringLiteral("chainCut"))->setEnabled(device);
    Action(QStringLiteral("chainCopy"))->setEnabled(device);
    Action(QStringLiteral("chainScan"))->setEnabled(m_chain.GetCount() == 2);
    QAction* undo = Action(QStringLiteral("chainUndo"));
    undo->setEnabled(m_chain.CanUndo());
    undo->setText(m_chain.CanUndo() ? tr("&Undo %1").arg(QString::fromStdString(m_chain.UndoText())) : tr("&Undo"));
    QAction* redo = Action(QStringLiteral("chainRedo"));
    redo->setEnabled(m_chain.CanRedo());
    redo->setText(m_chain.CanRedo() ? tr("&Redo %1").arg(QString::fromStdString(m_chain.RedoText())) : tr("&Redo"));
}

// ---------------------------------------------------------------- commands

void CJTAGView::InsertZelDevice()
{
    const int at = m_chain.AddDevice(m_chain.InsertionIndex(Selected()), *m_dialogs);
    if (at >= 0)
        Select(at);
}

void CJTAGView::InsertForeignDevice()
{
    const int at = m_chain.AddForeignDevice(m_chain.InsertionIndex(Selected()), *m_dialogs);
    if (at >= 0)
        Select(at);
}

void CJTAGView::DeviceProperties()
{
    const CJtagChainElement* e = m_chain.GetElement(Selected());
    if (!e || e->IsTerminal())
        return;
    QDialog dlg(this);
    dlg.setWindowTitle(tr("Device Properties"));
    auto* form = new QFormLayout;
    auto value = [&dlg](const QString& text) {
        auto* l = new QLabel(text, &dlg);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    form->addRow(tr("Name:"), value(QString::fromStdString(e->GetName())));
    form->addRow(tr("Device Type:"), value(QString::fromStdString(e->GetDeviceType())));
    form->addRow(tr("IR_Length:"), value(QString::number(e->GetIR_Length())));
    form->addRow(tr("HIR_Sum:"), value(QString::number(e->GetHIR_Sum())));
    form->addRow(tr("TIR_Sum:"), value(QString::number(e->GetTIR_Sum())));
    form->addRow(tr("HDR_Sum:"), value(QString::number(e->GetHDR_Sum())));
    form->addRow(tr("TDR_Sum:"), value(QString::number(e->GetTDR_Sum())));
    auto* layout = new QVBoxLayout(&dlg);
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    connect(box, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    layout->addWidget(box);
    dlg.exec();
}

void CJTAGView::OpenSchematic()
{
    const int i = Selected();
    if (i >= 0 && m_openSchematic)
        m_openSchematic(i);
}

void CJTAGView::RenameDevice() { m_chain.RenameDevice(Selected(), *m_dialogs); }

void CJTAGView::DeleteDevice()
{
    const int i = Selected();
    if (m_chain.DeleteDevice(i))
        Select(i);
}

void CJTAGView::Copy()
{
    std::string clip;
    if (!m_chain.CopyDevice(Selected(), clip))
        return;
    auto* data = new QMimeData;
    data->setData(QLatin1String(kChainClipboardFormat), QByteArray::fromStdString(clip));
    QApplication::clipboard()->setMimeData(data);
}

void CJTAGView::Cut()
{
    std::string clip;
    const int i = Selected();
    if (!m_chain.CutDevice(i, clip))
        return;
    auto* data = new QMimeData;
    data->setData(QLatin1String(kChainClipboardFormat), QByteArray::fromStdString(clip));
    QApplication::clipboard()->setMimeData(data);
    Select(i);
}

void CJTAGView::Paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QByteArray clip = data ? data->data(QLatin1String(kChainClipboardFormat)) : QByteArray();
    const int at = m_chain.PasteDevice(m_chain.InsertionIndex(Selected()), clip.toStdString());
    if (at >= 0)
        Select(at);
}

void CJTAGView::Undo() { m_chain.Undo(); }

void CJTAGView::Redo() { m_chain.Redo(); }

bool CJTAGView::ScanChain()
{
    if (m_chain.GetCount() != 2) {
        CurrentPrompter().Message(kMsgScanNeedsEmptyChain, "Kalidor", Buttons::Ok, MessageIcon::Information);
        return false;
    }
    CJtagCable* cable = m_cable ? m_cable() : nullptr;
    if (!cable) {
        CurrentPrompter().Message(kMsgNoCable, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    CChainScanResult scan;
    {
        WaitCursor wait;
        scan = kalidor::ScanChain(*cable);
    }
    if (!scan.ok) {
        CurrentPrompter().Message(scan.error, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    // Foreign devices whose IR length the scan could not tell apart are asked for.
    int left = scan.totalIrLength;
    for (const CScannedDevice& d : scan.devices)
        left -= d.irLength;
    for (std::size_t i = 0; i < scan.devices.size(); ++i) {
        CScannedDevice& d = scan.devices[i];
        if (d.irLength > 0)
            continue;
        bool ok = false;
        const QString id = d.idcode ? QString::fromStdString(FormatIdcode(d.idcode)) : tr("no IDCODE");
        const int ir = QInputDialog::getInt(
            this, tr("Scan Chain"),
            tr("Device %1 from TDI (%2) is not a Zel device.\nIts instruction register length (%3 bits are left for the "
               "foreign devices):")
                .arg(i + 1)
                .arg(id)
                .arg(left),
            std::max(1, std::min(left, 8)), 1, kMaxChainIrLength, 1, &ok);
        if (!ok)
            return false;
        d.irLength = ir;
        left -= ir;
    }
    return m_chain.BuildFromScan(scan.devices);
}

void CJTAGView::PlaySvf()
{
    CJtagCable* cable = m_cable ? m_cable() : nullptr;
    if (!cable) {
        CurrentPrompter().Message(kMsgNoCable, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        return;
    }
    PlaySvfFile(this, cable, askSvfFile);
}

}  // namespace kalidor
