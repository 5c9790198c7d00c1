#include "jtag/ui/JtagUi.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QWidget>

#include "application/KalidorApplication.h"
#include "document/SchDoc.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/ui/JtagDialogs.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor {

namespace {

constexpr const char* kCaption = "Kalidor";
// The progress window shows itself when an operation runs longer than this.
constexpr int kProgressDelayMs = 400;
// How often the windows are drawn again while a device is programmed.
constexpr int kRepaintIntervalMs = 30;

CJtagScriptedDevice* ProgrammerOf(SchDocument* doc)
{
    return doc ? doc->Doc().Programmer() : nullptr;
}

}  // namespace

// The progress window of one operation, moved by the JTAG device before every SVF line. It has no
// Cancel button: a ZelD/ZelE run switches the device's wakeup configuration and restores it, and
// stopping in between would leave the device in the wrong configuration.
class CJtagUi::Progress : public CJtagProgress {
public:
    Progress(QWidget* parent, QString label) : m_parent(parent), m_label(std::move(label)) { m_clock.start(); }
    ~Progress() override { delete m_dialog; }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void OnProgress(const CJtagProgressInfo& info) override
    {
        if (!m_dialog) {
            m_dialog = new QProgressDialog(m_label, QString(), 0, 1000, m_parent);
            m_dialog->setObjectName(QStringLiteral("JtagProgress"));
            m_dialog->setWindowTitle(QString::fromUtf8(kCaption));
            m_dialog->setCancelButton(nullptr);
            m_dialog->setMinimumDuration(kProgressDelayMs);
            m_dialog->setAutoClose(false);
            m_dialog->setAutoReset(false);
            m_dialog->setMinimumWidth(420);
            m_dialog->setValue(0);
        }
        const int value = static_cast<int>(info.Fraction() * 1000.0 + 0.5);
        if (value != m_last) {
            m_last = value;
            m_dialog->setValue(value);
        }
        if (m_clock.elapsed() - m_lastRepaint >= kRepaintIntervalMs) {
            m_lastRepaint = m_clock.elapsed();
            // Draw the windows; the user's input waits until the operation is over.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    void Hide()
    {
        if (m_dialog)
            m_dialog->hide();
    }
    QProgressDialog* Dialog() const { return m_dialog; }

private:
    QWidget* m_parent;
    QString m_label;
    QProgressDialog* m_dialog = nullptr;
    QElapsedTimer m_clock;
    qint64 m_lastRepaint = 0;
    int m_last = -1;
};

CJtagUi::CJtagUi(QWidget* window, CKalidorApplication& app, std::function<SchDocument*()> activeDocument,
                 QObject* parent)
    : QObject(parent), m_app(&app), m_window(window), m_active(std::move(activeDocument))
{
    if (!m_active)
        m_active = [] { return static_cast<SchDocument*>(nullptr); };
    showIdcode = [this](const CIdcodeFields& f) { DefaultShowIdcode(f); };
    showVerifyFailed = [this](const CVerifyReport& r) { DefaultShowVerifyFailed(r); };
}

CJtagUi::CJtagUi(QWidget* window, std::function<SchDocument*()> activeDocument, QObject* parent)
    : CJtagUi(window, *new CKalidorApplication, std::move(activeDocument), parent)
{
    m_ownApp.reset(m_app);
}

CJtagUi::~CJtagUi() = default;

void CJtagUi::Start(Settings* profile, const std::string& stateDir) { m_app->StartJtag(profile, stateDir); }

CJtagInterface& CJtagUi::Interface() { return m_app->Jtag(); }

Settings& CJtagUi::Profile() { return *m_app->JtagProfile(); }

QAction* CJtagUi::Action(const char* objectName) const
{
    const QString name = QString::fromUtf8(objectName);
    if (m_window)
        if (QAction* a = m_window->findChild<QAction*>(name))
            return a;
    return findChild<QAction*>(name);
}

void CJtagUi::InstallMenus(QMenu* tools, QMenu* options)
{
    QObject* owner = m_window ? static_cast<QObject*>(m_window.data()) : this;
    auto make = [&](const char* name, const char* text, const char* status, void (CJtagUi::*slot)()) {
        auto* a = new QAction(tr(text), owner);
        a->setObjectName(QString::fromUtf8(name));
        if (status)
            a->setStatusTip(tr(status));
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QAction* download = make("actionJtagDownload", kMenuDownload, kStatusDownload, &CJtagUi::OnDownload);
    QAction* upload = make("actionJtagUpload", kMenuUpload, kStatusUpload, &CJtagUi::OnUpload);
    QAction* verify = make("actionJtagVerify", kMenuVerify, kStatusVerify, &CJtagUi::OnVerify);
    QAction* idcode = make("actionJtagReadIdcode", kMenuReadIdcode, nullptr, &CJtagUi::OnReadIdcode);
    QAction* autocal = make("actionJtagAutoCal", kMenuAutoCal, nullptr, &CJtagUi::OnAutoCal);
    QAction* registers = make("actionJtagRegisters", kMenuJtagRegisters, kStatusJtagRegisters, &CJtagUi::OnRegisters);
    QAction* after = make("actionJtagVerifyAfterDownload", kMenuVerifyAfterDownload, nullptr, nullptr);
    after->setCheckable(true);
    connect(after, &QAction::triggered, this, [this](bool on) { SetVerifyAfterDownload(m_active(), on); });
    QAction* iface = make("actionJtagInterface", kMenuJtagInterface, nullptr, &CJtagUi::OnInterface);
    QAction* opts = make("actionJtagOptions", kMenuJtagOptions, nullptr, &CJtagUi::OnOptions);

    if (tools) {
        if (!tools->isEmpty())
            tools->addSeparator();
        for (QAction* a : {download, upload, verify, idcode, autocal})
            tools->addAction(a);
        tools->addSeparator();
        tools->addAction(registers);
        tools->addAction(after);
        connect(tools, &QMenu::aboutToShow, this, &CJtagUi::UpdateActions);
    }
    QMenu* target = options ? options : tools;
    if (target) {
        if (!options)
            target->addSeparator();
        target->addAction(iface);
        target->addAction(opts);
        if (options)
            connect(options, &QMenu::aboutToShow, this, &CJtagUi::UpdateActions);
    }
    UpdateActions();
}

void CJtagUi::UpdateActions()
{
    SchDocument* doc = m_active();
    const bool has = ProgrammerOf(doc) != nullptr;
    for (const char* n : {"actionJtagDownload", "actionJtagUpload", "actionJtagVerify", "actionJtagReadIdcode",
                          "actionJtagAutoCal", "actionJtagRegisters", "actionJtagVerifyAfterDownload"})
        if (QAction* a = Action(n))
            a->setEnabled(has);
    if (QAction* a = Action("actionJtagVerifyAfterDownload"))
        a->setChecked(has && VerifyAfterDownload(doc));
}

// ---------------------------------------------------------------------------------------------

void CJtagUi::AttachDocument(SchDocument* doc)
{
    if (!doc)
        return;
    CSchDoc& d = doc->Doc();
    m_app->AttachJtag(d);
    d.SetIdcodeReceiver([this](const CIdcodeFields& f) {
        if (m_progress)
            m_progress->Hide();
        if (showIdcode)
            showIdcode(f);
    });
    d.SetVerifyFailedReceiver([this](const CVerifyReport& r) {
        if (m_progress)
            m_progress->Hide();
        if (showVerifyFailed)
            showVerifyFailed(r);
        else
            CurrentPrompter().Message(kMsgVerifyFailed, kCaption, Buttons::Ok, MessageIcon::Warning);
    });
}

int CJtagUi::RunOperation(SchDocument* doc, const char* name, int (CSchDoc::*operation)())
{
    if (!ProgrammerOf(doc) || m_progress)
        return kJtagNotReady;
    AttachDocument(doc);
    CJtagInterface& iface = Interface();
    // A refused interface is told by the programming check itself; a cable that could not be
    // opened at start is tried again now.
    if (!iface.InterfaceChanged() && !iface.EnsurePortReady())
        return kJtagNotReady;
    const QString label = QString::fromStdString(ProgressLabel(name, doc->Doc().GetDeviceType())) +
                          tr("\nCable: %1").arg(QString::fromStdString(iface.PortName()));
    Progress progress(m_window, label);
    m_progress = &progress;
    QPointer<SchDocument> guard(doc);
    doc->Doc().JtagDevice()->SetProgress(&progress);
    const int result = (doc->Doc().*operation)();
    if (guard && guard->Doc().JtagDevice())
        guard->Doc().JtagDevice()->SetProgress(nullptr);
    m_progress = nullptr;
    return result;
}

int CJtagUi::Download(SchDocument* doc) { return RunOperation(doc, "Download", &CSchDoc::Download); }

int CJtagUi::Upload(SchDocument* doc)
{
    const int r = RunOperation(doc, "Upload", &CSchDoc::Upload);
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    if (r != kJtagDone || !p)
        return r;
    const std::vector<CSymbolDifference>& changes = p->LastUploadChanges();
    CurrentPrompter().StatusText((changes.size() == 1 ? tr("Upload: 1 setting changed")
                                                      : tr("Upload: %1 settings changed").arg(changes.size()))
                                     .toStdString());
    CurrentPrompter().Message(FormatUploadReport(doc->Doc().GetDeviceType(), Interface().PortName(), changes),
                              kCaption, Buttons::Ok, MessageIcon::Information);
    return r;
}

int CJtagUi::Verify(SchDocument* doc) { return RunOperation(doc, "Verify", &CSchDoc::Verify); }

int CJtagUi::ReadIdcode(SchDocument* doc) { return RunOperation(doc, "IDCODE", &CSchDoc::ReadIdcode); }

int CJtagUi::AutoCal(SchDocument* doc) { return RunOperation(doc, "AutoCal", &CSchDoc::AutoCal); }

int CJtagUi::RegisterOperation(SchDocument* doc, CRegisterOperation op, int reg, std::string& bits)
{
    bits.clear();
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    if (!p || m_progress)
        return kJtagRunStopped;
    AttachDocument(doc);
    if (!Interface().InterfaceChanged() && !Interface().EnsurePortReady())
        return kJtagRunStopped;
    switch (op) {
    case CRegisterOperation::Write:
        return p->DocWriteRegister(reg);
    case CRegisterOperation::Read:
        return p->DocReadRegister(reg, bits);
    case CRegisterOperation::Verify:
        return p->DocVerifyRegister(reg);
    case CRegisterOperation::Upload:
        return doc->Doc().UploadRegister(reg);
    case CRegisterOperation::Erase:
        if (p->ProgrammingCheck() != kProgrammingReady)
            return kJtagRunStopped;
        return doc->Doc().JtagDevice()->EraseRegister(reg);
    }
    return kJtagRunStopped;
}

void CJtagUi::ShowRegisters(SchDocument* doc)
{
    if (!ProgrammerOf(doc) || !doc->Doc().RegProgram())
        return;
    AttachDocument(doc);
    QPointer<SchDocument> guard(doc);
    CJtagRegistersDialog dlg(
        *doc->Doc().RegProgram(),
        [this, guard](CRegisterOperation op, int reg, std::string& bits) {
            return guard ? RegisterOperation(guard, op, reg, bits) : kJtagRunStopped;
        },
        m_window);
    dlg.exec();
}

void CJtagUi::ShowOptions(SchDocument* doc)
{
    CJtagCable* port = Interface().Cable();
    CJtagOptions o;
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    if (p && doc->Doc().RegProgram()) {
        AttachDocument(doc);
        o = CJtagOptions::From(port, *p, *doc->Doc().RegProgram());
    } else if (port) {
        o.cableCheck = port->GetCableCheck();
        o.powerCheck = port->GetPowerCheck();
    }
    CJtagOptionsDialog dlg(o, m_window);
    if (!p) {
        // The document's switches need a document.
        dlg.VerifyCheck()->setEnabled(false);
        dlg.IdcodeCheck()->setEnabled(false);
        dlg.InlineCheck()->setEnabled(false);
        dlg.TraceCheck()->setEnabled(false);
    }
    if (dlg.exec() != QDialog::Accepted)
        return;
    const CJtagOptions chosen = dlg.Options();
    if (port) {
        port->SetCableCheck(chosen.cableCheck);
        port->SetPowerCheck(chosen.powerCheck);
    }
    if (p)
        doc->Doc().SetJtagOptions({chosen.verifyAfterDownload, chosen.idcodeCheck, chosen.inlineVerify});
    if (p)
        p->Jtag().SetTraceOn(chosen.traceOn);
    UpdateActions();
}

void CJtagUi::ShowInterface()
{
    Settings* profile = m_app->JtagProfile();
    if (!profile)
        return;
    CJtagInterface& iface = Interface();
    const int stored = CJtagInterface::StoredInterpreterId(*profile);
    const int running = iface.Interpreter() ? iface.Interpreter()->GetInterpreterID() : -1;
    if (stored != running)
        CurrentPrompter().Message(kMsgInterpreterDiffers, kCaption, Buttons::Ok, MessageIcon::Information);
    CJtagInterfaceDialog dlg(iface, *profile, m_window);
    if (dlg.exec() != QDialog::Accepted)
        return;
    // A new cable is used at once unless an operation runs.
    switch (iface.SelectPort(*profile, dlg.Choice(), m_progress == nullptr)) {
    case CPortChange::kStored:
        CurrentPrompter().Message(kMsgInterfaceChangedNote, kCaption, Buttons::Ok, MessageIcon::Information);
        break;
    case CPortChange::kCableReplaced:
        if (const std::string problem = iface.PortProblemText(); !problem.empty())
            CurrentPrompter().Message(problem, kCaption, Buttons::Ok, MessageIcon::Warning);
        else
            CurrentPrompter().StatusText(tr("Cable in use: %1").arg(QString::fromStdString(iface.PortName())).toStdString());
        break;
    default:
        break;
    }
    UpdateActions();
}

void CJtagUi::SetVerifyAfterDownload(SchDocument* doc, bool on)
{
    if (!ProgrammerOf(doc))
        return;
    CJtagDocumentOptions o = doc->Doc().GetJtagOptions();
    o.verifyAfterDownload = on ? 1 : 0;
    doc->Doc().SetJtagOptions(o);
    UpdateActions();
}

bool CJtagUi::VerifyAfterDownload(SchDocument* doc) const
{
    return doc && doc->Doc().GetJtagOptions().verifyAfterDownload != 0;
}

void CJtagUi::DefaultShowIdcode(const CIdcodeFields& fields)
{
    CIdcodeDialog dlg(fields, m_window);
    dlg.exec();
}

void CJtagUi::DefaultShowVerifyFailed(const CVerifyReport& report)
{
    CVerifyFailedDialog dlg(report, m_window);
    dlg.exec();
}

}  // namespace kalidor
