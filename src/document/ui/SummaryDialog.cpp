#include "document/ui/SummaryDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kalidor {

CSummaryDialog::CSummaryDialog(QWidget* parent, const QString& fileName, const QString& deviceType,
                               const CSummaryInfo& summary)
    : QDialog(parent)
{
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* file = new QLabel(fileName, this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("File name:"), file);
    form->addRow(QStringLiteral("Device type:"), new QLabel(deviceType, this));
    m_title = new QLineEdit(QString::fromStdString(summary.GetTitle()), this);
    m_author = new QLineEdit(QString::fromStdString(summary.GetAuthor()), this);
    m_subject = new QLineEdit(QString::fromStdString(summary.GetSubject()), this);
    m_keywords = new QLineEdit(QString::fromStdString(summary.GetKeywords()), this);
    m_comments = new QPlainTextEdit(QString::fromStdString(summary.GetComments()), this);
    m_comments->setTabChangesFocus(true);
    form->addRow(QStringLiteral("&Title:"), m_title);
    form->addRow(QStringLiteral("&Author:"), m_author);
    form->addRow(QStringLiteral("&Subject:"), m_subject);
    form->addRow(QStringLiteral("&Keywords:"), m_keywords);
    form->addRow(QStringLiteral("&Comments:"), m_comments);
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
    setMinimumWidth(420);
}

CSummaryInfo CSummaryDialog::Summary() const
{
    CSummaryInfo s;
    s.SetTitle(m_title->text().toStdString());
    s.SetAuthor(m_author->text().toStdString());
    s.SetSubject(m_subject->text().toStdString());
    s.SetKeywords(m_keywords->text().toStdString());
    s.SetComments(m_comments->toPlainText().toStdString());
    return s;
}

}  // namespace kalidor
