#include "document/ui/LibraryBrowserDlg.h"

#include <algorithm>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/LibraryReader.h"

namespace kalidor {

CLibraryBrowserDlg::CLibraryBrowserDlg(QWidget* parent, std::function<bool(const QString&)> openFile,
                                       const QString& folder)
    : QDialog(parent), m_openFile(std::move(openFile)), m_folder(folder)
{
    setWindowTitle(QLatin1String(kTitle));
    setObjectName(QStringLiteral("LibraryBrowser"));

    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("files"));
    auto* filesLabel = new QLabel(tr("&Files:"), this);
    filesLabel->setBuddy(m_files);
    auto* left = new QVBoxLayout;
    left->addWidget(filesLabel);
    left->addWidget(m_files, 1);

    auto* form = new QFormLayout;
    const char* labels[kFieldComments] = {"Title:", "Subject:", "Author:", "Keywords:"};
    for (int i = 0; i < kFieldComments; ++i) {
        m_lines[i] = new QLineEdit(this);
        m_lines[i]->setReadOnly(true);
        form->addRow(tr(labels[i]), m_lines[i]);
    }
    m_comments = new QPlainTextEdit(this);
    m_comments->setReadOnly(true);
    m_comments->setTabChangesFocus(true);
    form->addRow(tr("Comments:"), m_comments);
    m_lines[kFieldTitle]->setObjectName(QStringLiteral("title"));
    m_comments->setObjectName(QStringLiteral("comments"));

    auto* top = new QHBoxLayout;
    top->addLayout(left, 0);
    top->addLayout(form, 1);

    m_directory = new QLabel(m_folder, this);
    m_directory->setObjectName(QStringLiteral("directory"));
    m_directory->setTextFormat(Qt::PlainText);
    m_directory->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_directory->setWordWrap(true);
    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(new QLabel(tr("Directory:"), this));
    directoryRow->addWidget(m_directory, 1);

    m_open = new QPushButton(tr("&Open File"), this);
    m_open->setObjectName(QStringLiteral("openFile"));
    m_open->setDefault(true);
    m_close = new QPushButton(tr("&Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_open);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(directoryRow);
    layout->addLayout(buttons);
    resize(900, 520);

    connect(m_open, &QPushButton::clicked, this, &CLibraryBrowserDlg::OpenFile);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_files, &QListWidget::itemActivated, this, &CLibraryBrowserDlg::OpenFile);

    for (const std::string& name : LibraryFileNames(m_folder.toStdString()))
        m_files->addItem(QString::fromStdString(name));
    // A missing or empty library: an empty list and empty fields, nothing to open.
    m_open->setEnabled(m_files->count() > 0);
    if (m_files->count() > 0) {
        m_files->setCurrentRow(0);
        ShowSummary();
    }
    connect(m_files, &QListWidget::currentRowChanged, this, &CLibraryBrowserDlg::ShowSummary);
    // The whole name of every file is in view.
    int widest = 0;
    for (int i = 0; i < m_files->count(); ++i)
        widest = std::max(widest, m_files->fontMetrics().horizontalAdvance(m_files->item(i)->text()));
    m_files->setMinimumWidth(std::min(widest + 2 * m_files->frameWidth() + 24, 420));
    m_files->setFocus();
}

QString CLibraryBrowserDlg::FieldText(Field f) const
{
    if (f == kFieldComments)
        return m_comments->toPlainText();
    return f >= 0 && f < kFieldComments ? m_lines[f]->text() : QString();
}

void CLibraryBrowserDlg::ShowSummary()
{
    const QListWidgetItem* item = m_files->currentItem();
    if (!item)
        return;
    const CLibrarySummary read = ReadLibrarySummary((m_folder + item->text()).toStdString());
    // A file that cannot be read has been reported; its fields stay empty and it cannot be opened.
    m_summary = read.summary;
    m_open->setEnabled(read.opened);
    ShowFields();
}

void CLibraryBrowserDlg::ShowFields()
{
    const std::string values[kFieldComments] = {m_summary.GetTitle(), m_summary.GetSubject(), m_summary.GetAuthor(),
                                                m_summary.GetKeywords()};
    for (int i = 0; i < kFieldComments; ++i) {
        m_lines[i]->setText(QString::fromStdString(values[i]));
        m_lines[i]->setCursorPosition(0);
    }
    QString comments = QString::fromStdString(m_summary.GetComments());
    comments.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_comments->setPlainText(comments);
}

void CLibraryBrowserDlg::OpenFile()
{
    const QListWidgetItem* item = m_files->currentItem();
    if (!item || !m_open->isEnabled() || !m_openFile)
        return;
    if (m_openFile(m_folder + item->text()))
        accept();
}

}  // namespace kalidor
