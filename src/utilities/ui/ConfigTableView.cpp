#include "utilities/ui/ConfigTableView.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "document/ui/SchDocument.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterTable.h"

namespace kalidor {

// ---------------------------------------------------------------- model

int CRowViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_view.Count();
}

int CRowViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_view.Table().ColumnCount();
}

QVariant CRowViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(m_view.Text(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole)
        return index.column() == 1 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant CRowViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(m_view.Table().ColumnTitle(section));
    return section + 1;
}

void CRowViewModel::sort(int column, Qt::SortOrder order)
{
    beginResetModel();
    m_view.SortBy(column, order == Qt::AscendingOrder);
    endResetModel();
}

void CRowViewModel::Refresh()
{
    beginResetModel();
    m_view.Refresh();
    endResetModel();
}

// ---------------------------------------------------------------- the window

namespace {

// The header fits this many columns; the table window refuses more (the tables have 15 and 18).
constexpr int kMaxCriteriaColumns = 20;
constexpr int kMaxColumns = 40;

}  // namespace

CConfigTableView::CConfigTableView(SchDocument* doc, CConfigTable& table, Setup setup, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_table(table), m_setup(std::move(setup))
{
    setWindowTitle(m_setup.title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tools = new QToolBar(this);
    m_tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_tools);
    m_list = new QTableView(this);
    layout->addWidget(m_list, 1);

    SetStatus(kStatusLoadingFromDisk);
    m_rows = std::make_unique<CRowView>(m_table);
    SetStatus(kStatusLoadingIntoList);
    if (static_cast<int>(m_table.Criteria().size()) > kMaxCriteriaColumns)
        CurrentPrompter().Message(kMsgTooManyCriteria, "Kalidor Internal Error", Buttons::Ok, MessageIcon::Error);
    else if (m_table.ColumnCount() > kMaxColumns)
        CurrentPrompter().Message(kMsgTooManyAttributes, "Kalidor Internal Error", Buttons::Ok, MessageIcon::Error);
    m_model = new CRowViewModel(*m_rows, this);
    m_model->Refresh();
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(true);
    m_list->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->verticalHeader()->hide();
    m_list->setAlternatingRowColors(true);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_list, &QTableView::doubleClicked, this, [this] { CopySelected(); });

    // "Show All Configurations in list" on the bar, the criterion commands under "Filter".
    auto* filterMenu = new QMenu(this);
    for (int i = 0; i < static_cast<int>(m_setup.commands.size()); ++i) {
        if (m_setup.commands[i].kind == CCriterionCommand::kShowAll)
            m_tools->addAction(m_setup.commands[i].text, this, [this, i] { RunCommand(i); });
        else
            filterMenu->addAction(m_setup.commands[i].text, this, [this, i] { RunCommand(i); });
    }
    auto* filterButton = new QToolButton(m_tools);
    filterButton->setText(QStringLiteral("Filter"));
    filterButton->setMenu(filterMenu);
    filterButton->setPopupMode(QToolButton::InstantPopup);
    m_tools->addWidget(filterButton);
    m_tools->addSeparator();
    if (m_setup.quickColumn >= 0) {
        m_tools->addWidget(new QLabel(m_setup.quickLabel + QStringLiteral(" "), m_tools));
        m_quick = new QLineEdit(m_tools);
        m_quick->setPlaceholderText(QStringLiteral("e.g. 10k"));
        m_quick->setMaximumWidth(90);
        m_tools->addWidget(m_quick);
        connect(m_quick, &QLineEdit::textChanged, this, &CConfigTableView::SetQuickFilter);
        m_tools->addSeparator();
    }
    m_tools->addAction(QStringLiteral("Version..."), this, &CConfigTableView::ShowVersion);
    m_tools->addAction(QString::fromUtf8(kCopyToSchematicCommand), this, &CConfigTableView::CopySelected);
    SetStatus(kStatusReady);
}

CConfigTableView::~CConfigTableView()
{
    // The list lets go of the model before the row view under it goes.
    m_list->setModel(nullptr);
    delete m_model;
}

void CConfigTableView::SetStatus(const QString& text)
{
    m_status = text;
    CurrentPrompter().StatusText(text.toStdString());
}

QString CConfigTableView::StatusText() const
{
    return m_status + QStringLiteral("   %1 of %2 configurations shown").arg(m_rows->Count()).arg(m_table.RowCount());
}

int CConfigTableView::SelectedRow() const
{
    const QModelIndexList rows = m_list->selectionModel() ? m_list->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : m_rows->Row(rows.first().row());
}

void CConfigTableView::SelectListLine(int line)
{
    m_list->selectRow(line);
}

void CConfigTableView::RunCommand(int index)
{
    if (index < 0 || index >= static_cast<int>(m_setup.commands.size()))
        return;
    const CCriterionCommand& c = m_setup.commands[index];
    switch (c.kind) {
    case CCriterionCommand::kShowAll:
        ShowAll();
        break;
    case CCriterionCommand::kType: {
        int type = 0;
        if (AskType(type))
            SetType(type);
        break;
    }
    default: {
        double first = 0, second = 0;
        if (AskRange(c, first, second))
            SetRange(c.attribute, first, second);
        break;
    }
    }
}

void CConfigTableView::SetRange(int attribute, double first, double second)
{
    if (CFilterCriteria* c = m_table.Criterion(attribute))
        c->SetRange(first, second);
    m_model->Refresh();
}

void CConfigTableView::SetType(int type)
{
    if (CFilterCriteria* c = m_table.Criterion(1))
        c->SetType(type);
    m_model->Refresh();
}

void CConfigTableView::ShowAll()
{
    m_table.ShowAll();
    m_model->Refresh();
}

void CConfigTableView::SetQuickFilter(const QString& text)
{
    const int column = m_setup.quickColumn;
    int value = 0;
    if (column < 0 || text.trimmed().isEmpty() || !ParseFrequencyText(text.trimmed().toStdString(), &value) || value <= 0)
        m_rows->SetFilter({});
    else
        m_rows->SetFilter([this, column, value](int row) {
            const double v = m_table.CellNumber(row, column);
            return std::fabs(v / value - 1.0) <= 0.1;
        });
    m_model->Refresh();
}

void CConfigTableView::ShowVersion()
{
    CurrentPrompter().Message(m_table.VersionText(), "Kalidor", Buttons::Ok, MessageIcon::Information);
}

void CConfigTableView::CopySelected()
{
    if (m_setup.copy)
        m_setup.copy(SelectedRow());
}

bool CConfigTableView::AskType(int& type)
{
    QStringList names;
    for (const auto& t : m_setup.types)
        names << t.second;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("Filter Type"), QStringLiteral("Show the filter type:"),
                                                 names, 0, false, &ok);
    if (!ok)
        return false;
    for (const auto& t : m_setup.types)
        if (t.second == chosen)
            type = t.first;
    return true;
}

bool CConfigTableView::AskRange(const CCriterionCommand& c, double& first, double& second)
{
    QDialog dlg(this);
    dlg.setWindowTitle(QString(c.text).remove(QStringLiteral("...")));
    auto* form = new QFormLayout(&dlg);
    const bool upperFirst = c.kind == CCriterionCommand::kRangeUpperFirst;
    auto spin = [&](double v) {
        auto* s = new QDoubleSpinBox(&dlg);
        s->setRange(-1e9, 1e9);
        s->setDecimals(2);
        s->setSuffix(c.unit.isEmpty() ? QString() : QStringLiteral(" ") + c.unit);
        s->setValue(v);
        return s;
    };
    const CFilterCriteria* now = m_table.Criterion(c.attribute);
    QDoubleSpinBox* a = spin(now && now->enabled ? now->bound1 : 0.0);
    QDoubleSpinBox* b = spin(now && now->enabled ? now->bound2 : 0.0);
    form->addRow(upperFirst ? QStringLiteral("Upper bound:") : QStringLiteral("From:"), a);
    form->addRow(upperFirst ? QStringLiteral("Lower bound:") : QStringLiteral("To:"), b);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    first = a->value();
    second = b->value();
    return true;
}

}  // namespace kalidor
