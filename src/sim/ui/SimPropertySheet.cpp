#include "sim/ui/SimPropertySheet.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kalidor {

namespace {

QComboBox* MakeBox(const std::vector<std::string>& items, const std::string& text, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& s : items)
        box->addItem(QString::fromStdString(s));
    box->lineEdit()->setMaxLength(kSimTextLimit);
    box->setEditText(QString::fromStdString(text));
    return box;
}

}  // namespace

CSimCurvePage::CSimCurvePage(CSimulationSetup& setup, int curve, QWidget* parent)
    : QWidget(parent), m_setup(setup), m_curve(curve)
{
    const CurvePageValues v = CurvePageInitial(setup, curve);
    m_start = MakeBox(FrequencyPickList(), v.start, this);
    m_stop = MakeBox(FrequencyPickList(), v.stop, this);
    m_points = MakeBox(PointsPickList(), v.points, this);
    m_input = MakeBox(InputNodeItems(setup.GetInputNodeCount()), v.input, this);
    m_input->setEnabled(setup.GetInputNodeCount() > 1);
    m_output = MakeBox(OutputNodeItems(setup.GetOutputNodeCount()), v.output, this);
    m_output->setEnabled(setup.GetOutputNodeCount() > 1);
    m_config = new QComboBox(this);
    for (const std::string& s : ConfigurationItems(setup.GetConfigurationCount()))
        m_config->addItem(QString::fromStdString(s));
    m_config->setEnabled(m_config->count() > 0);
    m_config->setCurrentIndex(m_config->count() > 0 ? std::clamp(v.configuration, 0, m_config->count() - 1) : -1);

    auto* form = new QFormLayout(this);
    QComboBox* boxes[6] = {m_start, m_stop, m_points, m_input, m_output, m_config};
    for (int i = 0; i < 6; ++i)
        form->addRow(QString::fromUtf8(kCurvePageLabels[i]), boxes[i]);
}

void CSimCurvePage::showEvent(QShowEvent* e)
{
    m_shown = true;
    QWidget::showEvent(e);
}

CurvePageValues CSimCurvePage::Values() const
{
    CurvePageValues v;
    v.start = m_start->currentText().toStdString();
    v.stop = m_stop->currentText().toStdString();
    v.points = m_points->currentText().toStdString();
    v.input = m_input->currentText().toStdString();
    v.output = m_output->currentText().toStdString();
    v.configuration = m_config->count() > 0 ? m_config->currentIndex() : -1;
    return v;
}

bool CSimCurvePage::Apply() { return ApplyCurvePage(m_setup, m_curve, Values()); }

CSimPropertyPageGeneral::CSimPropertyPageGeneral(CSimulationSetup& setup, QWidget* parent)
    : QWidget(parent), m_setup(setup)
{
    m_autoRun = new QCheckBox(QString::fromUtf8(kAutoRunText), this);
    m_autoRun->setChecked(setup.GetAutoRun() == 1);
    auto* l = new QVBoxLayout(this);
    l->addWidget(m_autoRun);
    l->addStretch(1);
}

void CSimPropertyPageGeneral::Apply() { m_setup.SetAutoRun(m_autoRun->isChecked() ? 1 : 0); }

CSimPropertySheet::CSimPropertySheet(CSimulationSetup& setup, QWidget* parent) : QDialog(parent), m_setup(setup)
{
    setWindowTitle(QString::fromUtf8(kSimOptionsCaption));
    m_tabs = new QTabWidget(this);
    m_pages[0] = new CSimPropertyPage1(setup);
    m_pages[1] = new CSimPropertyPage2(setup);
    m_pages[2] = new CSimPropertyPage3(setup);
    m_pages[3] = new CSimPropertyPage4(setup);
    for (int i = 0; i < 4; ++i)
        m_tabs->addTab(m_pages[i], QString::fromUtf8(kSimPageTabs[i]));
    m_general = new CSimPropertyPageGeneral(setup);
    m_tabs->addTab(m_general, QString::fromUtf8(kSimPageTabs[4]));
    m_tabs->setCurrentIndex(SimSheetStartPage(setup.GetActiveCurve()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSimPropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* l = new QVBoxLayout(this);
    l->addWidget(m_tabs);
    l->addWidget(buttons);
}

void CSimPropertySheet::accept()
{
    // The current page counts as shown even when the sheet never became visible (scripted use).
    if (auto* current = qobject_cast<CSimCurvePage*>(m_tabs->currentWidget()); current && !isVisible())
        current->Apply();
    for (CSimCurvePage* page : m_pages)
        if (page->WasShown())
            page->Apply();
    m_general->Apply();
    QDialog::accept();
}

bool ShowSimulatorOptions(CSimulationSetup& setup, QWidget* parent)
{
    CSimPropertySheet sheet(setup, parent);
    return sheet.exec() == QDialog::Accepted;
}

}  // namespace kalidor
