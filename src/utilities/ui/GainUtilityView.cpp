#include "utilities/ui/GainUtilityView.h"

#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QTableWidget>
#include <QVBoxLayout>

#include "document/DesignUtilities.h"
#include "document/ui/SchDocument.h"
#include "platform/Paths.h"
#include "utilities/FilterTable.h"

namespace kalidor {

namespace {

// The support-file number of configuration n's sample drawing is this plus n.
constexpr int kSampleFileBase = 1100;

}  // namespace

CSvgPicture::CSvgPicture(QWidget* parent) : QWidget(parent), m_renderer(new QSvgRenderer(this)) {}

CSvgPicture::~CSvgPicture() = default;

void CSvgPicture::Load(const QString& path)
{
    if (path.isEmpty())
        m_renderer->load(QByteArray());
    else
        m_renderer->load(path);
    update();
}

void CSvgPicture::paintEvent(QPaintEvent*)
{
    if (!m_renderer->isValid())
        return;
    QPainter p(this);
    QSizeF size = m_renderer->defaultSize();
    size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
    m_renderer->render(&p, QRectF(QPointF((width() - size.width()) / 2, 0), size));
}

CGainUtilityView::CGainUtilityView(SchDocument* doc, CGainTable table, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_table(std::move(table))
{
    setWindowTitle(QStringLiteral("Gain Configuration Utility"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left, 3);

    auto* form = new QFormLayout;
    m_gain = new QSpinBox(this);
    m_gain->setRange(-9999, 9999);
    m_gain->setValue(1);
    form->addRow(QString::fromUtf8(kGainPrompt), m_gain);
    m_input = new QComboBox(this);
    m_output = new QComboBox(this);
    m_input->addItem(QString());
    m_output->addItem(QString());
    for (int i = 1; i <= 4; ++i) {
        m_input->addItem(QStringLiteral("IN%1").arg(i));
        m_output->addItem(QStringLiteral("OUT%1").arg(i));
    }
    form->addRow(QStringLiteral("Input:"), m_input);
    form->addRow(QStringLiteral("Output:"), m_output);
    m_blocks = new QComboBox(this);
    m_blocks->addItems({QStringLiteral("1"), QStringLiteral("2")});
    form->addRow(QStringLiteral("Zel Blocks:"), m_blocks);
    m_bestFor = new QComboBox(this);
    for (const char* c : kGainBestForChoices)
        m_bestFor->addItem(QString::fromUtf8(c));
    form->addRow(QStringLiteral("Best for:"), m_bestFor);
    left->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* search = new QPushButton(QStringLiteral("Search"), this);
    search->setDefault(true);
    auto* copy = new QPushButton(QStringLiteral("Copy to Schematic"), this);
    buttons->addWidget(search);
    buttons->addWidget(copy);
    buttons->addStretch();
    left->addLayout(buttons);
    m_caption = new QLabel(this);
    m_caption->setWordWrap(true);
    left->addWidget(m_caption);
    m_list = new QTableWidget(0, 6, this);
    QStringList titles;
    for (const char* t : kGainColumnTitles)
        titles << QString::fromUtf8(t);
    m_list->setHorizontalHeaderLabels(titles);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    left->addWidget(m_list, 1);

    auto* sampleBox = new QGroupBox(QString::fromUtf8(kGainSampleCaption), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    m_sampleCaption = new QLabel(sampleBox);
    m_sample = new CSvgPicture(sampleBox);
    m_sample->setMinimumSize(360, 220);
    sampleLayout->addWidget(m_sampleCaption);
    sampleLayout->addWidget(m_sample, 1);
    top->addWidget(sampleBox, 4);

    connect(search, &QPushButton::clicked, this, &CGainUtilityView::Search);
    connect(copy, &QPushButton::clicked, this, &CGainUtilityView::CopySelected);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CGainUtilityView::ShowSample);
}

CGainQuery CGainUtilityView::Query() const
{
    return {m_gain->value(), m_input->currentIndex(), m_output->currentIndex(), m_blocks->currentIndex() == 1,
            m_bestFor->currentIndex()};
}

void CGainUtilityView::SetQuery(const CGainQuery& q)
{
    m_gain->setValue(q.gain);
    m_input->setCurrentIndex(q.input);
    m_output->setCurrentIndex(q.output);
    m_blocks->setCurrentIndex(q.twoBlocks ? 1 : 0);
    m_bestFor->setCurrentIndex(q.bestFor);
}

void CGainUtilityView::Search()
{
    CGainQuery q = Query();
    const CGainSearchResult r = SearchGain(m_table, q);
    SetQuery(q);
    ShowResults(r);
}

void CGainUtilityView::ShowResults(const CGainSearchResult& r)
{
    m_results = r.rows;
    m_list->setRowCount(0);
    m_caption->setText(r.cleared ? QString() : QString::fromStdString(r.caption));
    for (int line = 0; line < static_cast<int>(m_results.size()); ++line) {
        const CGainEntry& e = m_table.Entries()[m_results[line]];
        m_list->insertRow(line);
        const QString texts[6] = {QString::number(e.config),
                                  QString::fromUtf8(e.bestFor >= 0 && e.bestFor < 3 ? kGainBestForNames[e.bestFor] : ""),
                                  QString::number(e.gains[0]), QString::number(e.gains[1]),
                                  QString::number(e.gains[2]), QString::number(e.gains[3])};
        for (int c = 0; c < 6; ++c)
            m_list->setItem(line, c, new QTableWidgetItem(texts[c]));
    }
    if (!m_results.empty())
        m_list->selectRow(0);
    ShowSample();
}

int CGainUtilityView::SelectedEntry() const
{
    const int line = m_list->currentRow();
    const auto rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty() || line < 0 || line >= static_cast<int>(m_results.size()))
        return -1;
    return m_results[rows.first().row()];
}

void CGainUtilityView::SelectResult(int line)
{
    m_list->selectRow(line);
}

QString CGainUtilityView::Caption() const
{
    return m_caption->text();
}

QString CGainUtilityView::SampleCaption() const
{
    return m_sampleCaption->text();
}

void CGainUtilityView::ShowSample()
{
    const int entry = SelectedEntry();
    if (entry < 0) {
        m_samplePath.clear();
        m_sampleCaption->clear();
        m_sample->Load(QString());
        return;
    }
    const int config = m_table.Entries()[entry].config;
    m_sampleCaption->setText(QStringLiteral("%1:  %2").arg(QString::fromUtf8(kGainConfigurationCaptions[config - 1]),
                                                          QString::fromUtf8(kGainConfigurationFormulas[config - 1])));
    m_samplePath = QString::fromStdString(SupportFile(SupportFileName(kSampleFileBase + config)));
    m_sample->Load(QFile::exists(m_samplePath) ? m_samplePath : QString());
}

void CGainUtilityView::CopySelected()
{
    if (!m_doc)
        return;
    const int entry = SelectedEntry();
    const CGainEntry* e = entry >= 0 ? &m_table.Entries()[entry] : nullptr;
    const CGainQuery q = Query();
    const CGainConnection* c = e ? m_table.FindConnection(e->config, q.input, q.output) : nullptr;
    CopyGainToSchematic(m_doc->Doc(), e, c);
}

}  // namespace kalidor
