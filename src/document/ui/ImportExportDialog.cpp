#include "document/ui/ImportExportDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "document/SchDoc.h"
#include "document/SpiceExport.h"
#include "document/ui/QtExportClipboard.h"
#include "platform/Prompter.h"
#include "sim/Plot.h"

namespace kalidor {

namespace {

constexpr std::string_view kMessageCaption = "Kalidor";

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The list's height for exactly `rows` rows, so that every choice shows without scrolling.
void FitRows(QListWidget* list, int rows)
{
    int row = list->sizeHintForRow(0);
    if (row <= 0)
        row = list->fontMetrics().height() + 4;
    list->setFixedHeight(row * rows + 2 * list->frameWidth() + 8);
}

int MaxListWidth(QListWidget* list)
{
    int w = 0;
    for (int i = 0; i < list->count(); ++i)
        w = std::max(w, list->fontMetrics().horizontalAdvance(list->item(i)->text()));
    return w + 2 * list->frameWidth() + 16;
}

QString DefaultAsk(QWidget* parent, bool import, const QString& caption, const QString& filter,
                   const QString& current)
{
    QString selected = filter.section(QStringLiteral(";;"), 0, 0);
    if (import)
        return QFileDialog::getOpenFileName(parent, caption, current, filter, &selected);
    return QFileDialog::getSaveFileName(parent, caption, current, filter, &selected);
}

}  // namespace

QString QtFileFilter(std::string_view filter)
{
    // Pairs of description and patterns, ended by an empty field.
    const QStringList fields = Q(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < fields.size(); i += 2) {
        QString desc = fields[i].trimmed();
        if (desc.isEmpty())
            break;
        QStringList patterns = fields[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        // Qt reads the patterns from the parentheses of the description.
        const int paren = desc.lastIndexOf(QLatin1Char('('));
        if (paren > 0 && desc.endsWith(QLatin1Char(')')))
            desc = desc.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(desc, patterns.join(QLatin1Char(' ')));
    }
    return out.join(QStringLiteral(";;"));
}

CImportExportDialog::CImportExportDialog(QWidget* parent, bool import, const CExportChoice& choice,
                                         const QString& designPath)
    : QDialog(parent), m_import(import), m_designPath(designPath)
{
    const CExportDialogTexts texts = ExportDialogTexts(import);
    setWindowTitle(Q(texts.caption));

    auto* layout = new QVBoxLayout(this);
    auto* lists = new QGridLayout;
    auto* whatLabel = new QLabel(Q(texts.whatLabel), this);
    m_kinds = new QListWidget(this);
    m_kinds->setObjectName(QStringLiteral("kindList"));
    for (const CExportKind& k : ExportChoiceTable())
        m_kinds->addItem(Q(k.listText));
    whatLabel->setBuddy(m_kinds);
    auto* formatLabel = new QLabel(Q(kFormatListLabel), this);
    m_formats = new QListWidget(this);
    m_formats->setObjectName(QStringLiteral("formatList"));
    formatLabel->setBuddy(m_formats);
    lists->addWidget(whatLabel, 0, 0);
    lists->addWidget(m_kinds, 1, 0, Qt::AlignTop);
    lists->addWidget(formatLabel, 0, 1);
    lists->addWidget(m_formats, 1, 1, Qt::AlignTop);
    lists->setColumnStretch(1, 1);
    layout->addLayout(lists);

    // One heading for the destination: "Export To:" / "Import From:" titles the group, which
    // keeps "To Where:" as its accessible name (a second label above it said the same again).
    auto* group = new QGroupBox(Q(texts.toLabel), this);
    group->setAccessibleName(Q(kDestinationGroupLabel));
    auto* where = new QGridLayout(group);
    m_fileButton = new QRadioButton(Q(kFileLabel), group);
    m_fileEdit = new QLineEdit(group);
    m_fileEdit->setObjectName(QStringLiteral("fileName"));
    m_fileEdit->setMinimumWidth(m_fileEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    m_browse = new QPushButton(Q(kBrowseLabel), group);
    m_clipboardButton = new QRadioButton(Q(kClipboardLabel), group);
    where->addWidget(m_fileButton, 0, 0);
    where->addWidget(m_fileEdit, 0, 1);
    where->addWidget(m_browse, 0, 2);
    where->addWidget(m_clipboardButton, 1, 0, 1, 3);
    where->setColumnStretch(1, 1);
    layout->addWidget(group);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CImportExportDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);

    // The longest text of either kind sets the format list's width, so that switching kinds does
    // not resize the dialog.
    int formatWidth = 0;
    for (int k = 0; k < kExportKindCount; ++k) {
        m_kinds->setCurrentRow(k);
        FillFormats(0);
        formatWidth = std::max(formatWidth, MaxListWidth(m_formats));
    }
    m_formats->setMinimumWidth(formatWidth);
    m_kinds->setMinimumWidth(std::max(MaxListWidth(m_kinds), whatLabel->sizeHint().width()));
    FitRows(m_kinds, kExportKindCount);
    FitRows(m_formats, import ? 1 : kExportFormatCount);

    const int kind = choice.kind >= 0 && choice.kind < kExportKindCount ? choice.kind : 0;
    m_kinds->setCurrentRow(kind);
    FillFormats(FindExportFormat(kind, choice.format, import) ? choice.format : 0);
    m_lastExtension = SelectedFormat() ? Q(SelectedFormat()->extension) : QString();

    // An import always reads a file.
    const bool clipboard = !import && choice.destination == kDestinationClipboard;
    m_clipboardButton->setEnabled(!import);
    (clipboard ? m_clipboardButton : m_fileButton)->setChecked(true);
    m_fileEdit->setText(QString::fromStdString(choice.fileName));

    connect(m_kinds, &QListWidget::currentRowChanged, this, [this] {
        FillFormats(0);
        OnFormatChanged();
    });
    connect(m_formats, &QListWidget::currentRowChanged, this, [this] { OnFormatChanged(); });
    connect(m_fileButton, &QRadioButton::toggled, this, [this] { UpdateDestination(); });
    connect(m_browse, &QPushButton::clicked, this, &CImportExportDialog::Browse);
    UpdateDestination();
    m_kinds->setFocus();
}

void CImportExportDialog::FillFormats(int format)
{
    const QSignalBlocker block(m_formats);
    m_formats->clear();
    const int kind = std::max(0, m_kinds->currentRow());
    for (int f = 0; const CExportFormat* fmt = FindExportFormat(kind, f, m_import); ++f)
        m_formats->addItem(Q(fmt->name));
    m_formats->setCurrentRow(format < m_formats->count() ? format : 0);
}

const CExportFormat* CImportExportDialog::SelectedFormat() const
{
    return FindExportFormat(std::max(0, m_kinds->currentRow()), std::max(0, m_formats->currentRow()), m_import);
}

void CImportExportDialog::OnFormatChanged()
{
    const CExportFormat* fmt = SelectedFormat();
    const QString ext = fmt ? Q(fmt->extension) : QString();
    // A name that carries the extension of the format chosen before follows the new format.
    const QString name = m_fileEdit->text();
    const QFileInfo info(name);
    if (!name.isEmpty() && !m_lastExtension.isEmpty() && !ext.isEmpty() &&
        info.suffix().compare(m_lastExtension, Qt::CaseInsensitive) == 0 &&
        info.suffix().compare(ext, Qt::CaseInsensitive) != 0) {
        m_fileEdit->setText(name.left(name.size() - info.suffix().size()) + ext);
    }
    m_lastExtension = ext;
}

void CImportExportDialog::UpdateDestination()
{
    const bool file = m_fileButton->isChecked();
    m_fileEdit->setEnabled(file);
    m_browse->setEnabled(file);
}

QString CImportExportDialog::CurrentFilter() const
{
    const CExportFormat* fmt = SelectedFormat();
    return fmt ? QtFileFilter(fmt->filter) : QString();
}

QString CImportExportDialog::AbsoluteName(const QString& name) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return {};
    QString path = trimmed;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (QFileInfo(path).isAbsolute())
        return QDir::cleanPath(path);
    // A bare name is taken from the design's folder, like the file dialog would start there.
    const QString base = m_designPath.isEmpty() ? QDir::currentPath() : QFileInfo(m_designPath).absolutePath();
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

CExportChoice CImportExportDialog::Choice() const
{
    CExportChoice c;
    c.kind = std::max(0, m_kinds->currentRow());
    c.format = std::max(0, m_formats->currentRow());
    c.destination = (!m_import && m_clipboardButton->isChecked()) ? kDestinationClipboard : kDestinationFile;
    if (c.destination == kDestinationFile)
        c.fileName = AbsoluteName(m_fileEdit->text()).toStdString();
    return c;
}

void CImportExportDialog::Browse()
{
    const CExportFormat* fmt = SelectedFormat();
    if (!fmt)
        return;
    QString current = AbsoluteName(m_fileEdit->text());
    if (current.isEmpty() && !m_designPath.isEmpty()) {
        const QFileInfo design(m_designPath);
        current = m_import ? design.absolutePath()
                           : design.absoluteDir().filePath(design.completeBaseName() + QLatin1Char('.') +
                                                           Q(fmt->extension));
    }
    const QString caption = Q(m_import ? kBrowseImportCaption : kBrowseExportCaption);
    QString chosen = m_asker ? m_asker(this, caption, CurrentFilter(), current)
                             : DefaultAsk(this, m_import, caption, CurrentFilter(), current);
    if (chosen.isEmpty())
        return;
    // A name typed without extension gets the format's.
    if (!m_import && QFileInfo(chosen).suffix().isEmpty() && !QFileInfo::exists(chosen))
        chosen += QLatin1Char('.') + Q(fmt->extension);
    m_fileEdit->setText(QDir::toNativeSeparators(chosen));
    m_confirmedName = AbsoluteName(chosen);
    m_fileButton->setChecked(true);
}

void CImportExportDialog::accept()
{
    const CExportChoice c = Choice();
    if (!AcceptExportChoice(c, m_import)) {
        m_fileButton->setChecked(true);
        m_fileEdit->setFocus();
        return;
    }
    if (!m_import && c.destination == kDestinationFile) {
        const QString name = QString::fromStdString(c.fileName);
        const QFileInfo info(name);
        if (info.exists() && info.isFile() && name != m_confirmedName) {
            const std::string text = Q(kMsgReplaceFile).arg(QDir::toNativeSeparators(name)).toStdString();
            if (CurrentPrompter().Message(text, std::string(kMessageCaption), Buttons::YesNo,
                                          MessageIcon::Warning) != Answer::Yes) {
                m_fileEdit->setFocus();
                return;
            }
        }
    }
    QDialog::accept();
}

// ------------------------------------------------------------------ the command

namespace {

void AttachPlot(CExportContext& context, CSchDoc& doc, const CImportExportPlot& plot)
{
    CPlot* p = plot.plot;
    if (!p)
        return;
    context.plotExport = [p](int format, const std::string& fileName, CExportClipboard* clipboard) {
        int count = 0;
        const std::string text = p->ExportText(format, &count);
        if (count == 0) {
            CurrentPrompter().Message(std::string(kMsgPlotNoPoints), std::string(kMessageCaption), Buttons::Ok,
                                      MessageIcon::Information);
            return false;
        }
        if (!fileName.empty())
            return p->ExportToFile(fileName, format) > 0;
        return clipboard && PutTextOnClipboard(*clipboard, text);
    };
    auto imported = plot.imported;
    context.plotImport = [p, &doc, imported](const std::string& fileName) {
        int hint = kHintPlotData;
        if (p->ImportFile(fileName, &hint) < 0)
            return false;
        if (imported)
            imported(hint);
        else
            doc.UpdateAllViews(hint);
        return true;
    };
}

}  // namespace

bool RunImportExportDialog(QWidget* parent, CSchDoc& doc, bool import, const CImportExportPlot& plot)
{
    CExportContext context;
    if (!FillExportContext(context, doc, doc.RegProgram()))
        return false;
    // The Spice format is served by the model exporter.
    InstallSpiceModelExporter(context);
    context.chain = doc.GetChainCounts();
    AttachPlot(context, doc, plot);

    // The kind, format and destination chosen last in each mode are offered again.
    static CExportChoice last[2];
    CImportExportDialog dlg(parent, import, last[import ? 1 : 0], QString::fromStdString(doc.GetPathName()));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const CExportChoice choice = dlg.Choice();
    CExportChoice& remembered = last[import ? 1 : 0];
    remembered.kind = choice.kind;
    remembered.format = choice.format;
    remembered.destination = choice.destination;

    WaitCursor wait;
    QtExportClipboard clipboard;
    return RunExportChoice(context, choice, import, &clipboard);
}

}  // namespace kalidor
