#include "device/ui/ValueDialogs.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "device/SymbolInfo.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

QDialogButtonBox* OkCancel(QDialog* d)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

QLabel* Note(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

// ---------------------------------------------------------------- list chooser

CListChooserDialog::CListChooserDialog(QWidget* parent, const QString& title, const QString& heading,
                                       const ChooserList& list, const QStringList& columns,
                                       int fallbackValue)
    : QDialog(parent), m_rows(list.rows), m_fallback(fallbackValue)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    int columnCount = std::max<int>(1, static_cast<int>(columns.size()));
    for (const ChooserRow& r : m_rows)
        columnCount = std::max(columnCount, static_cast<int>(QString::fromStdString(r.text).count('\t')) + 1);
    m_list->setColumnCount(columnCount);
    if (columns.isEmpty()) {
        m_list->setHeaderHidden(true);
    } else {
        m_list->setHeaderLabels(columns);
    }
    if (!heading.isEmpty()) {
        auto* label = new QLabel(heading, this);
        label->setBuddy(m_list);
        layout->addWidget(label);
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_rows.size()));
    for (const ChooserRow& r : m_rows) {
        const QString text = QString::fromStdString(r.text);
        auto* item = new QTreeWidgetItem(text.split('\t'));
        item->setData(0, Qt::UserRole, text);
        for (int c = 1; c < columnCount; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    m_list->addTopLevelItems(items);
    for (int c = 0; c < columnCount; ++c)
        m_list->resizeColumnToContents(c);
    for (int c = 0; c < columnCount; ++c)
        m_list->setColumnWidth(c, m_list->columnWidth(c) + 16);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list);
    layout->addWidget(OkCancel(this));

    m_firstVisible = list.firstVisible;
    if (list.selected >= 0 && list.selected < RowCount())
        m_list->setCurrentItem(m_list->topLevelItem(list.selected));
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { accept(); });

    int width = 40;
    for (int c = 0; c < columnCount; ++c)
        width += m_list->columnWidth(c);
    m_list->setMinimumWidth(std::max(width, 160));
    const int rowHeight = RowCount() > 0 && m_list->sizeHintForRow(0) > 0 ? m_list->sizeHintForRow(0) : 20;
    const int frame = 2 * m_list->frameWidth() + (m_list->isHeaderHidden() ? 0 : m_list->header()->sizeHint().height());
    if (list.firstVisible > 0) {
        // A list that opens scrolled shows ten rows, so that the rows above the first visible one
        // are out of sight.
        m_list->setFixedHeight(10 * rowHeight + frame);
    } else {
        m_list->setMinimumHeight(std::min(RowCount(), 12) * rowHeight + frame);
    }
}

void CListChooserDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Scrolling needs the list's final size, known once the dialog is laid out.
    QTimer::singleShot(0, this, [this] {
        if (m_firstVisible > 0 && m_firstVisible < RowCount())
            m_list->scrollToItem(m_list->topLevelItem(m_firstVisible), QAbstractItemView::PositionAtTop);
        else if (QTreeWidgetItem* current = m_list->currentItem())
            m_list->scrollToItem(current, QAbstractItemView::PositionAtCenter);
    });
}

void CListChooserDialog::AddTypedEntry(const QString& label, TypedValue valueOf)
{
    if (m_entry)
        return;
    m_valueOf = std::move(valueOf);
    auto* box = static_cast<QVBoxLayout*>(layout());
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(label, this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("typedValue"));
    m_entry->setClearButtonEnabled(true);
    caption->setBuddy(m_entry);
    row->addWidget(caption);
    row->addWidget(m_entry, 1);
    m_entryError = new QLabel(this);
    m_entryError->setObjectName(QStringLiteral("typedValueError"));
    m_entryError->setWordWrap(true);
    QPalette pal = m_entryError->palette();
    pal.setColor(QPalette::WindowText, QColor(0xB0, 0x10, 0x10));
    m_entryError->setPalette(pal);
    m_entryError->hide();
    // Above the OK and Cancel buttons.
    const int at = box->count() - 1;
    box->insertLayout(at, row);
    box->insertWidget(at + 1, m_entryError);
    connect(m_entry, &QLineEdit::textEdited, this, &CListChooserDialog::OnTyped);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_selectingFromEntry && m_entry && !m_entry->text().isEmpty()) {
            m_entry->clear();
            OnTyped(QString());
        }
    });
}

void CListChooserDialog::OnTyped(const QString& text)
{
    m_entryValid = true;
    m_entryError->hide();
    if (text.trimmed().isEmpty())
        return;
    std::string error;
    const int value = m_valueOf(text.toStdString(), error);
    int row = -1;
    for (std::size_t i = 0; value >= 0 && i < m_rows.size() && row < 0; ++i)
        if (m_rows[i].value == value)
            row = static_cast<int>(i);
    if (row < 0) {
        m_entryValid = false;
        m_entryError->setText(QString::fromStdString(error.empty() ? std::string("No row has that value.") : error));
        m_entryError->show();
        return;
    }
    m_selectingFromEntry = true;
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    m_selectingFromEntry = false;
}

void CListChooserDialog::accept()
{
    if (m_entry && !m_entryValid) {
        m_entry->setFocus();
        return;
    }
    QDialog::accept();
}

int CListChooserDialog::RowCount() const { return m_list->topLevelItemCount(); }

int CListChooserDialog::SelectedRow() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    return item && item->isSelected() ? m_list->indexOfTopLevelItem(item) : -1;
}

int CListChooserDialog::Value() const
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return m_fallback;
    return m_rows[static_cast<std::size_t>(row)].value;
}

QString CListChooserDialog::RowText(int i) const
{
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

// ---------------------------------------------------------------- mode dialogs

ModeDialogSpec ModeDialogFor(int dialogType, const std::string& deviceType)
{
    using K = ModeDialogSpec::Kind;
    const DeviceTraits* device = FindDeviceTraits(deviceType);
    const bool pinStimulus = device && device->pinStimulusDialogs;
    const bool filter = device && device->filterConfigs;
    switch (dialogType) {
    case kDlgFeedback:
        return {"Feedback Path", K::kCheckInverted, {"Feedback Path enabled"}, {}, {}};
    case kDlgCommonMode:
        return {"CMVin Adjustment enable", K::kCheck, {"Common Mode adjustable via CMVin pin"}, {}, {}};
    case kDlgHysteresis:
        return {"Comparator Hysteresis Control", K::kCheck, {"Enable hysteresis"},
                {"Hysteresis is +/- 46.9mV"}, {}};
    case kDlgWindowOutput:
        return {"Comparator Output Pins Control", K::kCheck,
                {"WINDOW, CP1OUT and CP2OUT pin drivers in Hi-Z state"}, {}, {}};
    case kDlgWindowMode:
        return {"Comparator Window mode", K::kTwoRadios,
                {"XOR mode (XOR of CP1 and CP2)", "Flip-Flop mode (CP1=Set, CP2=Reset)"}, {}, {}};
    case kDlgLatchMode:
        return {"Comparator CP1 Buffer Control", K::kTwoRadios,
                {"CP1 output is direct (register bypassed)", "CP1 output is registered, clocked by PC pin"},
                {}, {}};
    case kDlgDacInputMode:
        return {"DAC Port Configuration", K::kTwoRadios, {"E2Cells / Parallel inputs", "Shift Register"},
                {"DMode pin = 0: E2 Cells", "DMode pin = 1: Parallel inputs", "ENSPI pin must be zero (0).",
                 "DMode pin is don't care", "ENSPI pin = 0: JTAG mode", "ENSPI pin = 1: SPI mode",
                 "NOTE: ENSPI pin = 1 overrides and forces SPI Mode"},
                {"DAC input comes from:"}};
    case kDlgTdoDisable:
        return {"TDO output enable control", K::kCheck, {"TDO disabled during DAC JTAG operations"},
                {"(TDO during SPI operations is unaffected)"}, {}};
    case kDlgSlewRate:
        return {"IA4 Slew Rate Enhancement (SRE) Control", K::kCheck, {"Enable Slew Rate Enhancement"}, {}, {}};
    case kDlgPolarityMode:
        return {"IA4 Polarity Control", K::kRadioPerValue,
                {"Fixed; non-inverting", "PC (external pin)", "Flip-Flop mode", "CP1OUT"}, {}, {}};
    case kDlgWakeup:
        if (!filter)
            break;
        return {"Wakeup Configuration", K::kTwoRadios, {"A is wakeup configuration", "B is wakeup configuration"},
                {"Note: When the B configuration is selected the A configuration cannot be verified after "
                 "download."},
                {}};
    case kDlgFrequencyRange:
        if (!filter)
            break;
        return {kTitleFrequencyRange, K::kTwoRadios,
                {QString::fromStdString(FrequencyRangeUpperLabel(deviceType)),
                 QString::fromStdString(FrequencyRangeLowerLabel(deviceType))},
                {}, {}};
    case kDlgMuxSelect:
        if (!pinStimulus)
            break;
        return {"MSEL Pin Simulation Stimulus", K::kTwoRadios, {"MSEL=0  (Input \"a\")", "MSEL=1 (Input \"b\")"},
                {"This applies stimulus for simulation only.\n (MSEL is an external pin.)"}, {}};
    case kDlgPolarityPin:
        if (!pinStimulus)
            break;
        return {"PC Pin Simulation Stimulus", K::kTwoRadios, {"PC = 0 (inverting)", "PC = 1 (non-inverting)"},
                {"This applies stimulus for simulation only.\n (PC is an external pin.)"}, {}};
    default:
        break;
    }
    return {};
}

CModeDialog::CModeDialog(QWidget* parent, const ModeDialogSpec& spec, int value)
    : QDialog(parent), m_spec(spec), m_value(value)
{
    setWindowTitle(spec.title);
    auto* layout = new QVBoxLayout(this);
    for (const QString& n : spec.notesAbove)
        layout->addWidget(Note(n, this));
    using K = ModeDialogSpec::Kind;
    if (spec.kind == K::kCheck || spec.kind == K::kCheckInverted) {
        m_check = new QCheckBox(spec.choices.value(0), this);
        m_check->setChecked(spec.kind == K::kCheck ? TwoChoiceChecked(value) : FeedbackChecked(value));
        layout->addWidget(m_check);
    } else {
        m_radios = new QButtonGroup(this);
        m_radios->setExclusive(true);
        for (int i = 0; i < spec.choices.size(); ++i) {
            auto* r = new QRadioButton(spec.choices[i], this);
            m_radios->addButton(r, i);
            layout->addWidget(r);
        }
        int checked = -1;
        if (spec.kind == K::kTwoRadios)
            checked = TwoChoiceChecked(value) ? 1 : 0;
        else
            checked = PolarityRadio(value) < spec.choices.size() ? PolarityRadio(value) : -1;
        if (checked >= 0 && m_radios->button(checked))
            m_radios->button(checked)->setChecked(true);
    }
    for (const QString& n : spec.notes)
        layout->addWidget(Note(n, this));
    layout->addWidget(OkCancel(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int CModeDialog::Value() const
{
    using K = ModeDialogSpec::Kind;
    switch (m_spec.kind) {
    case K::kCheck: return TwoChoiceValue(m_check->isChecked());
    case K::kCheckInverted: return FeedbackValue(m_check->isChecked());
    case K::kTwoRadios: return TwoChoiceValue(m_radios->checkedId() == 1);
    case K::kRadioPerValue: return PolarityValue(m_value, m_radios->checkedId());
    }
    return m_value;
}

// ---------------------------------------------------------------- UES

CUesDialog::CUesDialog(QWidget* parent, std::uint64_t value, int bits)
    : QDialog(parent), m_value(value), m_bits(bits)
{
    setWindowTitle(kTitleUes);
    auto* layout = new QVBoxLayout(this);
    m_edit = new QLineEdit(QString::number(value), this);
    auto* label = new QLabel(kLabelUes, this);
    label->setBuddy(m_edit);
    layout->addWidget(label);
    layout->addWidget(m_edit);
    const unsigned long long max = bits >= 64 ? ~0ULL : bits > 0 ? (1ULL << bits) - 1 : 0;
    layout->addWidget(Note(QStringLiteral("%1 bits: 0 to %2").arg(bits).arg(max), this));
    layout->addWidget(OkCancel(this));
    m_edit->selectAll();
    setMinimumWidth(280);
}

void CUesDialog::accept()
{
    std::uint64_t v = 0;
    std::string error;
    if (!ParseUesValue(m_edit->text().toStdString(), m_bits, v, error)) {
        CurrentPrompter().Message(error, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_value = v;
    QDialog::accept();
}

// ---------------------------------------------------------------- number

CNumberDialog::CNumberDialog(QWidget* parent, const QString& title, const QString& label, int value,
                             int min, int max)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    m_spin = new QSpinBox(this);
    m_spin->setRange(min, std::max(min, max));
    m_spin->setValue(value);
    auto* l = new QLabel(label, this);
    l->setBuddy(m_spin);
    layout->addWidget(l);
    layout->addWidget(m_spin);
    layout->addWidget(OkCancel(this));
    setMinimumWidth(260);
}

}  // namespace kalidor
