#include "jtag/ui/SvfPlayerDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <fstream>

#include "jtag/JtagCable.h"
#include "jtag/JtagDevice.h"
#include "platform/Prompter.h"

namespace kalidor {

CSvfPlayerDialog::CSvfPlayerDialog(CJtagCable& cable, const QString& path, QWidget* parent)
    : QDialog(parent), m_cable(cable), m_path(path)
{
    setObjectName(QStringLiteral("SvfPlayerDialog"));
    setWindowTitle(tr("Play SVF File - %1").arg(QFileInfo(path).fileName()));
    auto* layout = new QVBoxLayout(this);
    auto* what = new QLabel(tr("File: %1\nCable: %2").arg(QDir::toNativeSeparators(path),
                                                          QString::fromStdString(cable.GetName())),
                            this);
    what->setTextInteractionFlags(Qt::TextSelectableByMouse);
    what->setWordWrap(true);
    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("svfReport"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("svfSummary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_keepGoing = new QCheckBox(tr("&Keep going after a TDO mismatch"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_play = buttons->addButton(tr("&Play Again"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_play, &QPushButton::clicked, this, [this] { Play(); });
    layout->addWidget(what);
    layout->addWidget(m_report, 1);
    layout->addWidget(m_summary);
    auto* row = new QHBoxLayout;
    row->addWidget(m_keepGoing);
    row->addStretch(1);
    row->addWidget(buttons);
    layout->addLayout(row);
    resize(720, 320);
}

bool CSvfPlayerDialog::Play()
{
    m_result = {};
    m_report->clear();
    m_summary->clear();
    std::ifstream in(m_path.toStdString(), std::ios::binary);
    if (!in) {
        m_report->setPlainText(tr(kMsgSvfFileUnreadable).arg(QDir::toNativeSeparators(m_path)));
        return false;
    }
    // The cable checks of a programming run, with their messages.
    if (const CableStatus ready = m_cable.CheckCable(); ready != kCableReady) {
        const char* text = ready == kCableNoPower ? kMsgNoPower : kMsgCableNotAttached;
        CurrentPrompter().Message(text, "Kalidor", Buttons::Ok, MessageIcon::Warning);
        m_report->setPlainText(QString::fromUtf8(text));
        return false;
    }
    {
        WaitCursor wait;
        CSvfPlayer player(m_cable);
        player.SetKeepGoing(m_keepGoing->isChecked());
        m_result = player.Play(in);
    }
    QStringList lines;
    for (const std::string& line : m_result.reports) lines << QString::fromStdString(line);
    if (m_result.Passed()) lines << tr(kSvfPlayPassed);
    m_report->setPlainText(lines.join(QLatin1Char('\n')));
    m_summary->setText(QString::fromStdString(FormatSvfPlaySummary(m_result)));
    return true;
}

void PlaySvfFile(QWidget* parent, CJtagCable* cable, const std::function<QString(QWidget*)>& askFile)
{
    if (!cable) return;
    const QString path = askFile ? askFile(parent)
                                 : QFileDialog::getOpenFileName(parent, QObject::tr("Play SVF File"), QString(),
                                                                QObject::tr(kSvfFileFilter));
    if (path.isEmpty()) return;
    CSvfPlayerDialog dialog(*cable, path, parent);
    dialog.Play();
    dialog.exec();
}

}  // namespace kalidor
