#include "biquad/BiquadWindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

#include "biquad/KalidorBus.h"

namespace biquad {

namespace {

QLineEdit* Box(const char* name, const char* text, QWidget* parent)
{
    auto* e = new QLineEdit(QString::fromLatin1(text), parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

QRadioButton* Option(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QRadioButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

void ShowMessageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kWindowTitle), text, QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

CBiquadWindow::CBiquadWindow(std::unique_ptr<CBiquadDocument> doc, MessageSink tell, QWidget* parent)
    : QDialog(parent), m_doc(std::move(doc)), m_tell(std::move(tell))
{
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_gain = Box("GAIN_Value", kInitialGain, this);
    m_fo = Box("FO_Value", kInitialFo, this);
    m_q = Box("Q_Value", kInitialQ, this);
    auto* values = new QFormLayout;
    values->addRow(tr("DC Gain:"), m_gain);
    values->addRow(tr("FO: (KHz)"), m_fo);
    values->addRow(tr("Q:"), m_q);

    auto* optimize = new QGroupBox(tr("Optimize"), this);
    m_optimizeNone = Option("OptimizeNone", "None", optimize);
    m_optimizeQ = Option("OptimizeQ", "Q", optimize);
    m_optimizeFo = Option("OptimizeFO", "FO", optimize);
    auto* optimizeLayout = new QVBoxLayout(optimize);
    optimizeLayout->addWidget(m_optimizeNone);
    optimizeLayout->addWidget(m_optimizeQ);
    optimizeLayout->addWidget(m_optimizeFo);

    auto* blocks = new QGroupBox(tr("Blocks"), this);
    m_left = Option("LeftSideButton", "1 && 2", blocks);
    m_right = Option("RightSideButton", "3 && 4", blocks);
    auto* blocksLayout = new QVBoxLayout(blocks);
    blocksLayout->addWidget(m_left);
    blocksLayout->addWidget(m_right);
    blocksLayout->addStretch();
    m_optimizeNone->setChecked(true);
    m_left->setChecked(true);

    auto* choices = new QHBoxLayout;
    choices->addWidget(optimize);
    choices->addWidget(blocks);

    QPushButton* read = Button("ReadParamsFromSch", "Get Parameters", this);
    QPushButton* generate = Button("GenerateSchematic", "Generate Schematic", this);
    QPushButton* quit = Button("Cancel", "Quit", this);
    generate->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addStretch();
    buttons->addWidget(generate);
    buttons->addWidget(quit);
    connect(read, &QPushButton::clicked, this, &CBiquadWindow::GetParametersClicked);
    connect(generate, &QPushButton::clicked, this, &CBiquadWindow::GenerateSchematicClicked);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);  // Escape quits as well

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(values);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_gain->setFocus();
}

CBiquadWindow::~CBiquadWindow() = default;

BiquadTexts CBiquadWindow::Texts() const
{
    BiquadTexts t;
    t.gain = m_gain->text().toStdString();
    t.fo = m_fo->text().toStdString();
    t.q = m_q->text().toStdString();
    return t;
}

void CBiquadWindow::SetTexts(const BiquadTexts& texts)
{
    m_gain->setText(QString::fromStdString(texts.gain));
    m_fo->setText(QString::fromStdString(texts.fo));
    m_q->setText(QString::fromStdString(texts.q));
}

BlockPair CBiquadWindow::Pair() const { return m_right->isChecked() ? BlockPair::kRight : BlockPair::kLeft; }

Optimize CBiquadWindow::Optimization() const
{
    if (m_optimizeFo->isChecked())
        return Optimize::kFo;
    return m_optimizeQ->isChecked() ? Optimize::kQ : Optimize::kNone;
}

void CBiquadWindow::Run(const std::function<void(BiquadTexts&)>& work)
{
    BiquadTexts texts = Texts();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        work(texts);
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    QApplication::restoreOverrideCursor();
    SetTexts(texts);  // what was read back before a failure stays shown
    if (!error.isEmpty())
        m_tell(error);
}

void CBiquadWindow::GetParametersClicked()
{
    Run([this](BiquadTexts& t) { GetParameters(*m_doc, Pair(), t); });
}

void CBiquadWindow::GenerateSchematicClicked()
{
    Run([this](BiquadTexts& t) { GenerateSchematic(*m_doc, Pair(), Optimization(), t); });
}

std::unique_ptr<CBiquadWindow> StartBiquad(const QStringList& arguments, const QDBusConnection& bus,
                                           const MessageSink& tell)
{
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    const std::string commandLine = CheckCommandLine(args);
    if (!commandLine.empty()) {
        tell(QString::fromStdString(commandLine));
        return nullptr;
    }
    QString failure;
    std::unique_ptr<CKalidorBusDocument> doc = ConnectToActiveZelA(bus, &failure);
    if (!doc) {
        tell(failure);
        return nullptr;
    }
    auto window = std::make_unique<CBiquadWindow>(std::move(doc), tell);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace biquad
