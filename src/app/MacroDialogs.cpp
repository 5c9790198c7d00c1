#include "app/MacroDialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"

namespace kalidor {

bool RunMacroProgram(const QString& program)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments({QLatin1String(kMacroArgument)});
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    if (process.startDetached())
        return true;
    const QString commandLine = program + QLatin1Char(' ') + QLatin1String(kMacroArgument);
    CurrentPrompter().Message(MacroStartFailureText(commandLine.toStdString(), int(process.error())), "Kalidor", Buttons::Ok,
                              MessageIcon::Warning);
    return false;
}

namespace {

QListWidget* MakeList(QDialog* dlg, const QStringList& items)
{
    auto* list = new QListWidget(dlg);
    list->addItems(items);
    list->setMinimumSize(360, 200);
    QObject::connect(list, &QListWidget::itemDoubleClicked, dlg, &QDialog::accept);
    return list;
}

QDialogButtonBox* MakeButtons(QDialog* dlg)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg);
    QObject::connect(box, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return box;
}

QStringList ToList(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& n : names)
        list << QString::fromStdString(n);
    return list;
}

}  // namespace

CDesignUtilitiesDlg::CDesignUtilitiesDlg(const QString& macroFolder, QWidget* parent) : QDialog(parent), m_folder(macroFolder)
{
    setWindowTitle(tr("Design Utilities"));
    setObjectName(QStringLiteral("DesignUtilitiesDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("&Select a design utility:"), this);
    m_list = MakeList(this, ToList(DesignUtilityEntries(macroFolder.toStdString())));
    label->setBuddy(m_list);
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWordWrap(true);
    m_description->setMinimumHeight(40);
    m_description->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(m_description);
    auto* buttons = MakeButtons(this);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::currentRowChanged, this, [this, buttons] {
        OnSelectionChanged();
        buttons->button(QDialogButtonBox::Ok)->setEnabled(m_list->currentItem() != nullptr);
    });
    m_list->setCurrentRow(0);
}

void CDesignUtilitiesDlg::OnSelectionChanged()
{
    m_choice = m_list->currentItem() ? DesignUtilityChoice(m_list->currentItem()->text().toStdString()) : CUtilityChoice{};
    m_description->setText(QString::fromStdString(m_choice.description));
}

QString CDesignUtilitiesDlg::Description() const { return m_description->text(); }

QString CDesignUtilitiesDlg::SelectedText() const { return m_list->currentItem() ? m_list->currentItem()->text() : QString(); }

CUserMacroDlg::CUserMacroDlg(CMacroDialogMode mode, const QString& folder, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_folder(folder)
{
    const CMacroDialogTexts texts = MacroDialogTexts(mode);
    setWindowTitle(QLatin1String(texts.title));
    setObjectName(QStringLiteral("UserMacroDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QLatin1String(texts.prompt), this);
    label->setObjectName(QStringLiteral("prompt"));
    m_list = MakeList(this, ToList(mode == CMacroDialogMode::kRunUserMacro ? ExecutableFiles(folder.toStdString())
                                                                            : HelpFiles(folder.toStdString(), mode)));
    label->setBuddy(m_list);
    layout->addWidget(label);
    layout->addWidget(m_list);
    auto* buttons = MakeButtons(this);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::currentRowChanged, this, [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(m_list->currentItem() != nullptr);
    });
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_list->setCurrentRow(0);
}

QString CUserMacroDlg::SelectedPath() const
{
    return m_list->currentItem() ? QDir(m_folder).filePath(m_list->currentItem()->text()) : QString();
}

}  // namespace kalidor
