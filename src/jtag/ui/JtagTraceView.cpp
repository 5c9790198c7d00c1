#include "jtag/ui/JtagTraceView.h"

#include <QAction>
#include <QBrush>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "document/SchDoc.h"
#include "document/ui/ImportExportDialog.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "platform/CommonMessages.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

// The rows follow the trace this long after its first change.
constexpr int kFollowDelayMs = 100;

}  // namespace

CJtagTraceModel::CJtagTraceModel(SchDocument* doc, QObject* parent) : QAbstractTableModel(parent), m_doc(doc)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kFollowDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &CJtagTraceModel::Sync);
    m_trace = Resolve();
    if (m_trace) {
        m_trace->AddObserver(this);
        m_rows = static_cast<int>(m_trace->Size());
        m_generation = m_trace->Generation();
    }
    // The operations end by updating the views of the document: follow at once then.
    if (doc)
        connect(doc, &SchDocument::updated, this, &CJtagTraceModel::Sync);
}

CJtagTraceModel::~CJtagTraceModel()
{
    if (m_trace && m_doc && Resolve() == m_trace)
        m_trace->RemoveObserver(this);
}

CJtagTraceData* CJtagTraceModel::Resolve() const
{
    CJtagDevice* jtag = m_doc ? m_doc->Doc().JtagDevice() : nullptr;
    return jtag ? &jtag->Trace() : nullptr;
}

const CJtagTraceData* CJtagTraceModel::Trace() const
{
    return m_doc ? m_trace : nullptr;
}

void CJtagTraceModel::OnTraceChanged()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void CJtagTraceModel::Sync()
{
    m_timer.stop();
    CJtagTraceData* trace = Resolve();
    if (trace != m_trace) {
        // The document made its JTAG objects anew: the old trace is gone with them.
        beginResetModel();
        m_trace = trace;
        if (m_trace)
            m_trace->AddObserver(this);
        m_rows = m_trace ? static_cast<int>(m_trace->Size()) : 0;
        m_generation = m_trace ? m_trace->Generation() : 0;
        endResetModel();
        emit rowsFollowed();
        return;
    }
    if (!m_trace)
        return;
    const int size = static_cast<int>(m_trace->Size());
    if (m_trace->Generation() != m_generation || size < m_rows) {
        beginResetModel();
        m_rows = size;
        m_generation = m_trace->Generation();
        endResetModel();
        emit rowsFollowed();
    } else if (size > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, size - 1);
        m_rows = size;
        endInsertRows();
        emit rowsFollowed();
    }
}

int CJtagTraceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CJtagTraceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kTraceColumnCount;
}

QVariant CJtagTraceModel::data(const QModelIndex& index, int role) const
{
    const CJtagTraceData* trace = Trace();
    // Between a Clear() and the next Sync() the view may still ask for rows that are gone.
    if (!trace || !index.isValid() || index.row() >= static_cast<int>(trace->Size()))
        return {};
    const CJtagTraceDataEntry& e = trace->Entry(static_cast<std::size_t>(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(e.ColumnText(index.column()));
    case Qt::ToolTipRole:
        return index.column() == 1 ? QString::fromStdString(e.m_svf) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() >= 2 ? QVariant(Qt::AlignCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        // A line that did not succeed stands out.
        return e.m_kind == kTraceSvf && e.m_result != SvfResultCode(kSvfOk) ? QVariant(QBrush(Qt::red)) : QVariant();
    default:
        return {};
    }
}

QVariant CJtagTraceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < kTraceColumnCount ? QString::fromUtf8(kTraceColumnTitles[section]) : QVariant();
    return section + 1;
}

// ---------------------------------------------------------------------------------------------

CJtagTraceView::CJtagTraceView(SchDocument* doc, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_model(new CJtagTraceModel(doc, this))
{
    setObjectName(QStringLiteral("JtagTraceView"));
    setWindowTitle(QString::fromUtf8(kTraceWindowTitle));
    askFileName = [](QWidget* p, const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(p, caption, QString(), filter);
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    QAction* save = bar->addAction(tr("&Save Trace..."), this, [this] { SaveText(); });
    save->setObjectName(QStringLiteral("actionSaveTrace"));
    QAction* xml = bar->addAction(tr("Save as &XML..."), this, [this] { SaveXml(); });
    xml->setObjectName(QStringLiteral("actionSaveTraceXml"));
    bar->addSeparator();
    m_count = new QLabel(bar);
    m_count->setObjectName(QStringLiteral("traceCount"));
    bar->addWidget(m_count);
    layout->addWidget(bar);

    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Rows of one height: the view lays out thousands of them without measuring each.
    QHeaderView* rows = m_table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[kTraceColumnCount] = {8, 52, 13, 5, 5, 5, 5};
    for (int c = 0; c < kTraceColumnCount; ++c)
        m_table->setColumnWidth(c, widths[c] * digit + 12);
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_table->addAction(save);
    m_table->addAction(xml);
    layout->addWidget(m_table);

    connect(m_model, &CJtagTraceModel::rowsFollowed, this, [this] {
        UpdateCount();
        // Keep following the end while the user has not scrolled away from it.
        QScrollBar* s = m_table->verticalScrollBar();
        if (s->value() >= s->maximum() - 2 * m_table->verticalHeader()->defaultSectionSize())
            m_table->scrollToBottom();
    });
    UpdateCount();
}

void CJtagTraceView::UpdateCount()
{
    const CJtagTraceData* trace = m_model->Trace();
    const int n = trace ? static_cast<int>(trace->Size()) : 0;
    m_count->setText(n == 1 ? tr("  1 line") : tr("  %1 lines").arg(n));
}

bool CJtagTraceView::SaveText()
{
    const QString path = askFileName ? askFileName(this, tr(kTraceSaveCaption), QtFileFilter(kTraceFileFilter))
                                     : QString();
    return !path.isEmpty() && SaveTextTo(path);
}

bool CJtagTraceView::SaveXml()
{
    const QString path = askFileName
                             ? askFileName(this, tr(kTraceSaveXmlCaption), QtFileFilter(kTraceXmlFileFilter))
                             : QString();
    return !path.isEmpty() && SaveXmlTo(path);
}

bool CJtagTraceView::SaveTextTo(const QString& path)
{
    const CJtagTraceData* trace = m_model->Trace();
    if (trace && trace->SaveText(QFile::encodeName(path).toStdString()))
        return true;
    CurrentPrompter().Message(std::string(kMsgFileNotOpened), "Kalidor", Buttons::Ok, MessageIcon::Error);
    return false;
}

bool CJtagTraceView::SaveXmlTo(const QString& path)
{
    const CJtagTraceData* trace = m_model->Trace();
    if (trace && trace->SaveXml(QFile::encodeName(path).toStdString()))
        return true;
    CurrentPrompter().Message(std::string(kMsgFileNotOpened), "Kalidor", Buttons::Ok, MessageIcon::Error);
    return false;
}

}  // namespace kalidor
