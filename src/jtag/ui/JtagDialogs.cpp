#include "jtag/ui/JtagDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "jtag/JtagRegProgram.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

QLineEdit* ReadOnlyEdit(const QString& text, bool mono)
{
    auto* e = new QLineEdit(text);
    e->setReadOnly(true);
    if (mono)
        e->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Wide enough for the whole text: nothing is cut off.
    const int width = e->fontMetrics().horizontalAdvance(text) + 24;
    e->setMinimumWidth(std::max(width, 220));
    return e;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

CIdcodeDialog::CIdcodeDialog(const CIdcodeFields& fields, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Q(kIdcodeDialogTitle));
    setObjectName(QStringLiteral("IdcodeDialog"));
    const CIdcodeDisplay d = IdcodeDisplay(fields);
    auto* layout = new QVBoxLayout(this);

    auto* undecodedLabel = new QLabel(Q(kIdcodeUndecodedLabel));
    m_undecoded = ReadOnlyEdit(Q(d.undecoded), true);
    m_undecoded->setObjectName(QStringLiteral("undecoded"));
    undecodedLabel->setBuddy(m_undecoded);
    layout->addWidget(undecodedLabel);
    layout->addWidget(m_undecoded);

    auto* group = new QGroupBox(Q(kIdcodeFieldsLabel));
    auto* form = new QFormLayout(group);
    m_manufacturer = ReadOnlyEdit(Q(d.manufacturer), false);
    m_part = ReadOnlyEdit(Q(d.partNumber), false);
    m_version = ReadOnlyEdit(Q(d.version), false);
    m_manufacturer->setObjectName(QStringLiteral("manufacturer"));
    m_part->setObjectName(QStringLiteral("partNumber"));
    m_version->setObjectName(QStringLiteral("version"));
    form->addRow(Q(kIdcodeManufacturerLabel), m_manufacturer);
    form->addRow(Q(kIdcodePartNumberLabel), m_part);
    form->addRow(Q(kIdcodeVersionLabel), m_version);
    layout->addWidget(group);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

// ---------------------------------------------------------------------------------------------

namespace {

QTreeWidget* ReportList(const QStringList& columns, const char* name)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QString::fromUtf8(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setHeaderLabels(columns);
    return list;
}

}  // namespace

CVerifyFailedDialog::CVerifyFailedDialog(const CVerifyReport& report, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Kalidor"));
    setObjectName(QStringLiteral("VerifyFailedDialog"));
    auto* layout = new QVBoxLayout(this);

    // The message, as every verification that fails says it.
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    m_message = new QLabel(Q(kMsgVerifyFailed));
    m_message->setObjectName(QStringLiteral("message"));
    top->addWidget(icon);
    top->addWidget(m_message, 1);
    layout->addLayout(top);

    m_symbols = ReportList({tr("Symbol"), tr("Design"), tr("Device")}, "symbols");
    for (const CSymbolDifference& d : report.symbols)
        new QTreeWidgetItem(m_symbols, {Q(d.name), Q(d.beforeText), Q(d.afterText)});
    m_bits = ReportList({tr("Register"), tr("Bit"), tr("E2 cell"), tr("Design"), tr("Device")}, "bits");
    for (const CRegisterBitDifference& b : report.bits) {
        auto* item = new QTreeWidgetItem(m_bits, {Q(b.regName), QString::number(b.bit),
                                                  b.cell >= 0 ? Q(b.cellName) : tr("(fixed)"),
                                                  QString::number(b.design), QString::number(b.device)});
        for (int c : {1, 3, 4})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (QTreeWidget* list : {m_symbols, m_bits})
        for (int c = 0; c < list->columnCount(); ++c)
            list->resizeColumnToContents(c);

    if (report.Empty()) {
        auto* none = new QLabel(Q(kVerifyDetailsNone));
        none->setWordWrap(true);
        layout->addWidget(none);
        m_symbols->hide();
        m_bits->hide();
    } else {
        auto* symbolsLabel = new QLabel(tr("Settings of the design that the device holds otherwise (%1):")
                                            .arg(report.symbols.size()));
        auto* bitsLabel = new QLabel(tr("Register bits that differ (%1):").arg(report.bits.size()));
        layout->addWidget(symbolsLabel);
        layout->addWidget(m_symbols, 2);
        layout->addWidget(bitsLabel);
        layout->addWidget(m_bits, 3);
        symbolsLabel->setVisible(!report.symbols.empty());
        m_symbols->setVisible(!report.symbols.empty());
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copy"));
    const QString text = Q(FormatVerifyReport(report));
    connect(copy, &QPushButton::clicked, this, [text] { QApplication::clipboard()->setText(text); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(560, report.Empty() ? 160 : 440);
}

// ---------------------------------------------------------------------------------------------

CJtagOptionsDialog::CJtagOptionsDialog(const CJtagOptions& o, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Q(kJtagOptionsTitle));
    setObjectName(QStringLiteral("JtagOptionsDialog"));
    auto* layout = new QVBoxLayout(this);

    auto* checks = new QGroupBox(Q(kJtagOptionsChecksGroup));
    auto* cl = new QVBoxLayout(checks);
    m_cable = new QCheckBox(Q(kJtagOptionCable));
    m_power = new QCheckBox(Q(kJtagOptionPower));
    m_verify = new QCheckBox(Q(kJtagOptionVerify));
    cl->addWidget(m_cable);
    cl->addWidget(m_power);
    cl->addWidget(m_verify);
    layout->addWidget(checks);

    auto* svf = new QGroupBox(Q(kJtagOptionsSvfGroup));
    auto* sl = new QVBoxLayout(svf);
    m_idcode = new QCheckBox(Q(kJtagOptionIdcode));
    m_inline = new QCheckBox(Q(kJtagOptionInline));
    sl->addWidget(m_idcode);
    sl->addWidget(m_inline);
    auto* note = new QLabel(Q(kJtagOptionsNoteInterpreter));
    note->setWordWrap(true);
    sl->addWidget(note);
    layout->addWidget(svf);

    m_trace = new QCheckBox(Q(kJtagOptionTrace));
    layout->addWidget(m_trace);

    auto* notSaved = new QLabel(Q(kJtagOptionsNoteNotSaved));
    notSaved->setWordWrap(true);
    layout->addWidget(notSaved);

    m_cable->setChecked(o.cableCheck != 0);
    m_power->setChecked(o.powerCheck != 0);
    m_verify->setChecked(o.verifyAfterDownload != 0);
    m_idcode->setChecked(o.idcodeCheck != 0);
    m_inline->setChecked(o.inlineVerify != 0);
    m_trace->setChecked(o.traceOn != 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CJtagOptions CJtagOptionsDialog::Options() const
{
    CJtagOptions o;
    o.cableCheck = m_cable->isChecked() ? 1 : 0;
    o.powerCheck = m_power->isChecked() ? 1 : 0;
    o.verifyAfterDownload = m_verify->isChecked() ? 1 : 0;
    o.idcodeCheck = m_idcode->isChecked() ? 1 : 0;
    o.inlineVerify = m_inline->isChecked() ? 1 : 0;
    o.traceOn = m_trace->isChecked() ? 1 : 0;
    return o;
}

// ---------------------------------------------------------------------------------------------

CInterfaceSelectDialog::CInterfaceSelectDialog(int storedId, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Q(kInterfaceSelectTitle));
    setObjectName(QStringLiteral("InterfaceSelectDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Q(kInterfaceSelectPrompt)));
    m_list = new QListWidget;
    int widest = 0;
    for (int i = 0; i < kInterpreterChoiceCount; ++i) {
        auto* item = new QListWidgetItem(Q(kInterpreterChoices[i]), m_list);
        // The serial and USB ports are not there to be chosen.
        if (i != kInterpreterBuiltIn && i != kInterpreterChoiceServer)
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(item->text()));
    }
    m_list->setMinimumWidth(widest + 40);
    m_list->setMaximumHeight(m_list->sizeHintForRow(0) * kInterpreterChoiceCount + 2 * m_list->frameWidth() + 8);
    const bool listed = storedId >= 0 && storedId < kInterpreterChoiceCount &&
                        (m_list->item(storedId)->flags() & Qt::ItemIsEnabled);
    m_list->setCurrentRow(listed ? storedId : 0);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item->flags() & Qt::ItemIsEnabled)
            accept();
    });
    layout->addWidget(buttons);
}

int CInterfaceSelectDialog::SelectedId() const
{
    const int row = m_list->currentRow();
    return row >= 0 ? row : 0;
}

// ---------------------------------------------------------------------------------------------

CJtagInterfaceDialog::CJtagInterfaceDialog(CJtagInterface& iface, Settings& profile, QWidget* parent)
    : QDialog(parent), m_iface(iface), m_profile(profile)
{
    setWindowTitle(Q(kInterfaceDialogTitle));
    setObjectName(QStringLiteral("JtagInterfaceDialog"));
    auto* layout = new QVBoxLayout(this);

    // The SVF interpreter.
    auto* interp = new QGroupBox(tr("SVF Interpreter"));
    auto* il = new QGridLayout(interp);
    m_interpreterName = new QLabel;
    m_connection = new QLabel;
    m_connect = new QPushButton(tr("&Connect"));
    m_disconnect = new QPushButton(tr("&Disconnect"));
    m_select = new QPushButton(tr("&Select Interface..."));
    il->addWidget(new QLabel(tr("In use:")), 0, 0);
    il->addWidget(m_interpreterName, 0, 1, 1, 3);
    il->addWidget(new QLabel(tr("State:")), 1, 0);
    il->addWidget(m_connection, 1, 1);
    auto* ib = new QHBoxLayout;
    ib->addWidget(m_connect);
    ib->addWidget(m_disconnect);
    ib->addStretch(1);
    ib->addWidget(m_select);
    il->addLayout(ib, 2, 0, 1, 4);
    il->setColumnStretch(3, 1);
    layout->addWidget(interp);

    // The download cable: one choice per back end, each with the field of its setting.
    const CJtagInterfaceSettings stored = CJtagInterfaceSettings::Read(profile);
    auto* cable = new QGroupBox(tr("Download cable"));
    auto* cl = new QGridLayout(cable);
    std::vector<const CCableBackend*> backends;
    for (const CCableBackend& b : CableBackends())
        backends.push_back(&b);
    std::sort(backends.begin(), backends.end(),
              [](const CCableBackend* a, const CCableBackend* b) { return a->dialogRow < b->dialogRow; });
    for (const CCableBackend* b : backends)
        AddCableRow(*b, stored, cl);
    if (const CableRow* row = RowOf(stored.tapPortClass))
        row->button->setChecked(true);
    cl->setColumnStretch(1, 1);
    cl->setColumnMinimumWidth(0, 70);
    layout->addWidget(cable);

    // The cable in use, and why it cannot be used when it could not be opened (tried again now).
    iface.TryOpen();
    m_running = new QLabel;
    m_running->setWordWrap(true);
    m_running->setObjectName(QStringLiteral("runningPort"));
    m_running->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_running);
    m_pending = new QLabel(Q(kRestartPending));
    m_pending->setWordWrap(true);
    layout->addWidget(m_pending);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);

    for (const CableRow& row : m_rows) {
        connect(row.button, &QRadioButton::toggled, this, [this] { UpdateState(); });
        if (auto* edit = qobject_cast<QLineEdit*>(row.field))
            connect(edit, &QLineEdit::textChanged, this, [this] { UpdateState(); });
        else if (auto* combo = qobject_cast<QComboBox*>(row.field); combo && combo->isEditable())
            connect(combo, &QComboBox::editTextChanged, this, [this] { UpdateState(); });
    }
    connect(m_connect, &QPushButton::clicked, this, [this] {
        if (CSvfInterpreter* i = m_iface.Interpreter())
            i->Connect();
        UpdateState();
    });
    connect(m_disconnect, &QPushButton::clicked, this, [this] {
        if (CSvfInterpreter* i = m_iface.Interpreter())
            i->Disconnect();
        UpdateState();
    });
    connect(m_select, &QPushButton::clicked, this, [this] { SelectInterface(); });
    UpdateState();
    setMinimumWidth(520);
}

void CJtagInterfaceDialog::AddCableRow(const CCableBackend& backend, const CJtagInterfaceSettings& stored,
                                       QGridLayout* grid)
{
    CableRow row{&backend, new QRadioButton(Q(backend.name)), nullptr, nullptr};
    row.button->setObjectName(QStringLiteral("portClass%1").arg(backend.tapPortClass));
    const QString value = Q(backend.get(stored));
    Qt::Alignment align;
    switch (backend.kind) {
    case CCableSettingKind::Choice: {
        auto* combo = new QComboBox;
        for (const char* c : backend.choices)
            combo->addItem(Q(c));
        combo->setCurrentIndex(value.toInt());
        row.field = combo;
        align = Qt::AlignLeft;
        break;
    }
    case CCableSettingKind::DeviceFile: {
        auto* combo = new QComboBox;
        combo->setEditable(true);
        QStringList files;
        for (const QString& f : QDir(QStringLiteral("/dev")).entryList({Q(backend.deviceGlob)}, QDir::System))
            files << QStringLiteral("/dev/") + f;
        for (const char* c : backend.choices)
            if (!files.contains(Q(c)))
                files << Q(c);
        files.sort();
        combo->addItems(files);
        combo->setCurrentText(value);
        row.field = combo;
        break;
    }
    case CCableSettingKind::Text: {
        auto* edit = new QLineEdit(value);
        if (backend.widthSample)
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(Q(backend.widthSample)));
        row.field = edit;
        break;
    }
    }

    const int r = grid->rowCount();
    grid->addWidget(row.button, r, 0, 1, 2);
    grid->addWidget(new QLabel(tr(backend.label)), r + 1, 0);
    grid->addWidget(row.field, r + 1, 1, align);
    int next = r + 2;
    if (backend.help) {
        auto* help = new QLabel(Q(backend.help));
        help->setWordWrap(true);
        grid->addWidget(help, next++, 1);
    }
    if (backend.check) {
        row.error = new QLabel;
        row.error->setWordWrap(true);
        QPalette pal = row.error->palette();
        pal.setColor(QPalette::WindowText, QColor(0xB0, 0x10, 0x10));
        row.error->setPalette(pal);
        grid->addWidget(row.error, next, 1);
    }
    m_rows.push_back(row);
}

const CJtagInterfaceDialog::CableRow* CJtagInterfaceDialog::RowOf(int tapPortClass) const
{
    for (const CableRow& row : m_rows)
        if (row.backend->tapPortClass == tapPortClass)
            return &row;
    return nullptr;
}

QRadioButton* CJtagInterfaceDialog::ClassButton(int tapPortClass) const
{
    const CableRow* row = RowOf(tapPortClass);
    return row ? row->button : nullptr;
}

QWidget* CJtagInterfaceDialog::SettingField(int tapPortClass) const
{
    const CableRow* row = RowOf(tapPortClass);
    return row ? row->field : nullptr;
}

QLabel* CJtagInterfaceDialog::SettingError(int tapPortClass) const
{
    const CableRow* row = RowOf(tapPortClass);
    return row ? row->error : nullptr;
}

QComboBox* CJtagInterfaceDialog::PortCombo() const
{
    return qobject_cast<QComboBox*>(SettingField(kTapPortDirect));
}

QComboBox* CJtagInterfaceDialog::DeviceCombo() const
{
    return qobject_cast<QComboBox*>(SettingField(kTapPortPpdev));
}

QLineEdit* CJtagInterfaceDialog::ChainEdit() const
{
    return qobject_cast<QLineEdit*>(SettingField(kTapPortVirtual));
}

std::string CJtagInterfaceDialog::FieldValue(const CableRow& row) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(row.field))
        return edit->text().trimmed().toStdString();
    auto* combo = qobject_cast<QComboBox*>(row.field);
    if (!combo)
        return row.backend->defaultValue;
    if (combo->isEditable())
        return combo->currentText().trimmed().toStdString();
    return combo->currentIndex() >= 0 ? std::to_string(combo->currentIndex()) : row.backend->defaultValue;
}

CJtagInterfaceSettings CJtagInterfaceDialog::Choice() const
{
    CJtagInterfaceSettings c = CJtagInterfaceSettings::Read(m_profile);
    for (const CableRow& row : m_rows) {
        if (row.button->isChecked())
            c.tapPortClass = row.backend->tapPortClass;
        row.backend->set(c, FieldValue(row));
    }
    return c;
}

std::string CJtagInterfaceDialog::ChoiceError() const
{
    std::string error;
    for (const CableRow& row : m_rows)
        if (row.button->isChecked() && row.backend->check && !row.backend->check(FieldValue(row), error))
            return error.empty() ? std::string(row.backend->name) : error;
    return {};
}

bool CJtagInterfaceDialog::ChoiceValid() const
{
    return ChoiceError().empty();
}

void CJtagInterfaceDialog::UpdateState()
{
    CSvfInterpreter* interp = m_iface.Interpreter();
    const int id = interp ? interp->GetInterpreterID() : -1;
    m_interpreterName->setText(Q(InterpreterName(id)));
    const bool connected = interp && interp->IsConnected();
    // The built-in interpreter is as connected as its cable; the SVF server drives its own.
    const std::string problem = m_iface.UsesServer() ? std::string() : m_iface.PortProblemText();
    if (m_iface.UsesServer())
        m_connection->setText(connected ? tr("Connected to the SVF server (svfsvr)")
                                        : tr("Not connected (Connect starts the SVF server svfsvr when none runs)"));
    else
        m_connection->setText(!connected        ? tr("Not connected")
                              : problem.empty() ? tr("Connected")
                                                : tr("Not connected: the download cable could not be opened"));
    QString cable = tr("Cable in use: %1").arg(Q(m_iface.PortName()));
    if (!problem.empty())
        cable += QStringLiteral("\n") + Q(problem);
    m_running->setText(cable);
    // The built-in interpreter is always connected.
    m_connect->setEnabled(interp && !connected);
    m_disconnect->setEnabled(interp && connected && id != kInterpreterBuiltIn);

    const std::string error = ChoiceError();
    for (const CableRow& row : m_rows) {
        const bool chosen = row.button->isChecked();
        row.field->setEnabled(chosen);
        if (row.error) {
            row.error->setText(chosen ? Q(error) : QString());
            row.error->setVisible(chosen && !error.empty());
        }
    }
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(error.empty());
    m_pending->setVisible(m_iface.InterfaceChanged());
}

void CJtagInterfaceDialog::SelectInterface()
{
    CInterfaceSelectDialog dlg(CJtagInterface::StoredInterpreterId(m_profile), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (m_iface.SelectInterpreter(m_profile, dlg.SelectedId()))
        CurrentPrompter().Message(kMsgInterfaceChangedNote, "Kalidor", Buttons::Ok, MessageIcon::Information);
    UpdateState();
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr CRegisterOperation kRegisterOps[4] = {CRegisterOperation::Write, CRegisterOperation::Read,
                                                CRegisterOperation::Upload, CRegisterOperation::Verify};

}  // namespace

CJtagRegistersDialog::CJtagRegistersDialog(CJtagRegProgram& program, Runner run, QWidget* parent)
    : QDialog(parent), m_program(program), m_run(std::move(run))
{
    setWindowTitle(Q(kRegistersDialogTitle));
    setObjectName(QStringLiteral("JtagRegistersDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* listLabel = new QLabel(tr("&Registers of the %1 device:").arg(Q(program.GetDeviceTypeName())));
    layout->addWidget(listLabel);
    m_list = new QListWidget;
    listLabel->setBuddy(m_list);
    m_entries = JtagRegisterList(program);
    int widest = 0;
    for (const CJtagRegisterEntry& e : m_entries) {
        m_list->addItem(Q(e.Label()));
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(Q(e.Label())));
    }
    m_list->setMinimumWidth(widest + 40);
    if (!m_entries.empty())
        m_list->setCurrentRow(0);
    auto* row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    auto* col = new QVBoxLayout;
    const char* texts[4] = {"&Write", "&Read", "&Upload", "V&erify"};
    for (int i = 0; i < 4; ++i) {
        m_buttons[i] = new QPushButton(tr(texts[i]));
        const CRegisterOperation op = kRegisterOps[i];
        connect(m_buttons[i], &QPushButton::clicked, this, [this, op] { Run(op); });
        col->addWidget(m_buttons[i]);
    }
    col->addStretch(1);
    row->addLayout(col);
    layout->addLayout(row);

    layout->addWidget(new QLabel(tr("Bits read (most significant first):")));
    m_bits = new QPlainTextEdit;
    m_bits->setReadOnly(true);
    m_bits->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_bits->setMinimumHeight(m_bits->fontMetrics().lineSpacing() * 4 + 12);
    layout->addWidget(m_bits);
    m_result = new QLabel;
    m_result->setWordWrap(true);
    m_result->setObjectName(QStringLiteral("result"));
    layout->addWidget(m_result);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    for (QPushButton* b : m_buttons)
        b->setEnabled(!m_entries.empty());
    setMinimumWidth(480);
}

QPushButton* CJtagRegistersDialog::Button(CRegisterOperation op) const
{
    for (int i = 0; i < 4; ++i)
        if (kRegisterOps[i] == op)
            return m_buttons[i];
    return nullptr;
}

void CJtagRegistersDialog::Run(CRegisterOperation op)
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return;
    const CJtagRegisterEntry& e = m_entries[static_cast<std::size_t>(row)];
    std::string bits;
    const int r = m_run(op, e.number, bits);
    if (op == CRegisterOperation::Upload && r != kJtagRunStopped)
        m_changed = true;
    if (op == CRegisterOperation::Read)
        m_bits->setPlainText(Q(bits));
    m_result->setText(Q(RegisterResultText(op, e.name, r)));
}

}  // namespace kalidor
