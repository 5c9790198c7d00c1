#include "jtag/ui/JtagUi.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QWidget>

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
// Dynamic properties of a SchDocument that keep its JTAG options.
constexpr const char* kPropVerifyAfterDownload = "kalidorJtagVerifyAfterDownload";
constexpr const char* kPropIdcodeCheck = "kalidorJtagIdcodeCheck";
constexpr const char* kPropInlineVerify = "kalidorJtagInlineVerify";
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

CJtagUi::CJtagUi(QWidget* window, std::function<SchDocument*()> activeDocument, QObject* parent)
    : QObject(parent), m_window(window), m_active(std::move(activeDocument))
{
    if (!m_active)
        m_active = [] { return static_cast<SchDocument*>(nullptr); };
    showIdcode = [this](const CIdcodeFields& f) { DefaultShowIdcode(f); };
}

CJtagUi::~CJtagUi() = default;

void CJtagUi::Start(Settings* profile, const std::string& stateDir)
{
    if (profile == nullptr) {
        m_ownProfile = std::make_unique<IniFileSettings>(JtagProfilePath());
        profile = m_ownProfile.get();
    }
    m_profile = profile;
    m_iface.Start(*m_profile, stateDir);
}

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
    d.SetJtagInterpreter(m_iface.Interpreter());
    d.SetInterfaceChanged(m_iface.InterfaceChanged());
    // A design of its own on the virtual cable is the first device of its type on the chain; a
    // design embedded in a JTAG chain document keeps the counts of its chain element.
    if (!d.IsEmbedded()) {
        CJtagChainCounts counts;
        if (m_iface.Running().tapPortClass == kTapPortVirtual && m_iface.Port())
            VirtualChainCountsFor(m_iface.Running().virtualChain, d.GetDeviceType(), counts);
        else if (m_iface.Running().tapPortClass == kTapPortVirtualFtdi && m_iface.Cable())
            VirtualChainCountsFor(m_iface.Running().virtualFtdiChain, d.GetDeviceType(), counts);
        d.SetChainCounts(counts);
    }
    d.SetIdcodeReceiver([this](const CIdcodeFields& f) {
        if (m_progress)
            m_progress->Hide();
        if (showIdcode)
            showIdcode(f);
    });
    ApplyDocumentOptions(doc);
}

void CJtagUi::ApplyDocumentOptions(SchDocument* doc)
{
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    CJtagRegProgram* program = doc ? doc->Doc().RegProgram() : nullptr;
    if (!p || !program)
        return;
    const QVariant verify = doc->property(kPropVerifyAfterDownload);
    const QVariant idcode = doc->property(kPropIdcodeCheck);
    const QVariant inl = doc->property(kPropInlineVerify);
    if (verify.isValid())
        p->SetVerifyAfterDownload(verify.toInt());
    if (idcode.isValid())
        program->SetIdcodeCheck(idcode.toInt());
    if (inl.isValid())
        program->SetInlineVerify(inl.toInt());
}

void CJtagUi::StoreDocumentOptions(SchDocument* doc, const CJtagOptions& o)
{
    doc->setProperty(kPropVerifyAfterDownload, o.verifyAfterDownload);
    doc->setProperty(kPropIdcodeCheck, o.idcodeCheck);
    doc->setProperty(kPropInlineVerify, o.inlineVerify);
    ApplyDocumentOptions(doc);
}

int CJtagUi::RunOperation(SchDocument* doc, const char* name, const QString& undoText, const std::function<int()>& op)
{
    if (!ProgrammerOf(doc) || m_progress)
        return kJtagNotReady;
    AttachDocument(doc);
    // A refused interface is told by the programming check itself; a cable that could not be
    // opened at start is tried again now.
    if (!m_iface.InterfaceChanged() && !m_iface.EnsurePortReady())
        return kJtagNotReady;
    const QString label = QString::fromStdString(ProgressLabel(name, doc->Doc().GetDeviceType())) +
                          tr("\nCable: %1").arg(QString::fromStdString(m_iface.PortName()));
    Progress progress(m_window, label);
    m_progress = &progress;
    QPointer<SchDocument> guard(doc);
    doc->Doc().JtagDevice()->SetProgress(&progress);
    int result = kJtagNotReady;
    doc->Change(undoText, [&] {
        result = op();
        return true;
    });
    if (guard && guard->Doc().JtagDevice())
        guard->Doc().JtagDevice()->SetProgress(nullptr);
    m_progress = nullptr;
    return result;
}

int CJtagUi::Download(SchDocument* doc)
{
    return RunOperation(doc, "Download", tr("Download"), [doc] { return doc->Doc().Programmer()->DocDownload(); });
}

int CJtagUi::Upload(SchDocument* doc)
{
    return RunOperation(doc, "Upload", tr("Upload"), [doc] { return doc->Doc().Programmer()->DocUpload(); });
}

int CJtagUi::Verify(SchDocument* doc)
{
    return RunOperation(doc, "Verify", tr("Verify"), [doc] { return doc->Doc().Programmer()->DocVerify(); });
}

int CJtagUi::ReadIdcode(SchDocument* doc)
{
    return RunOperation(doc, "IDCODE", tr("Read IDCODE"), [doc] { return doc->Doc().Programmer()->DocReadIdcode(); });
}

int CJtagUi::AutoCal(SchDocument* doc)
{
    return RunOperation(doc, "AutoCal", tr("Auto-Calibrate"), [doc] { return doc->Doc().Programmer()->DocAutoCal(); });
}

int CJtagUi::RegisterOperation(SchDocument* doc, CRegisterOperation op, int reg, std::string& bits)
{
    bits.clear();
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    if (!p || m_progress)
        return kJtagRunStopped;
    AttachDocument(doc);
    if (!m_iface.InterfaceChanged() && !m_iface.EnsurePortReady())
        return kJtagRunStopped;
    switch (op) {
    case CRegisterOperation::Write:
        return p->DocWriteRegister(reg);
    case CRegisterOperation::Read:
        return p->DocReadRegister(reg, bits);
    case CRegisterOperation::Verify:
        return p->DocVerifyRegister(reg);
    case CRegisterOperation::Upload: {
        int r = kJtagRunStopped;
        doc->Change(tr("Upload Register"), [&] {
            r = p->DocUploadRegister(reg);
            return true;
        });
        return r;
    }
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
    CJtagCable* port = m_iface.Cable();
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
    }
    if (dlg.exec() != QDialog::Accepted)
        return;
    const CJtagOptions chosen = dlg.Options();
    if (port) {
        port->SetCableCheck(chosen.cableCheck);
        port->SetPowerCheck(chosen.powerCheck);
    }
    if (p)
        StoreDocumentOptions(doc, chosen);
    UpdateActions();
}

void CJtagUi::ShowInterface()
{
    if (!m_profile)
        return;
    const int stored = CJtagInterface::StoredInterpreterId(*m_profile);
    const int running = m_iface.Interpreter() ? m_iface.Interpreter()->GetInterpreterID() : -1;
    if (stored != running)
        CurrentPrompter().Message(kMsgInterpreterDiffers, kCaption, Buttons::Ok, MessageIcon::Information);
    CJtagInterfaceDialog dlg(m_iface, *m_profile, m_window);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (m_iface.SelectPort(*m_profile, dlg.Choice()) == CPortChange::kStored)
        CurrentPrompter().Message(kMsgInterfaceChangedNote, kCaption, Buttons::Ok, MessageIcon::Information);
}

void CJtagUi::SetVerifyAfterDownload(SchDocument* doc, bool on)
{
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    if (!p)
        return;
    p->SetVerifyAfterDownload(on ? 1 : 0);
    doc->setProperty(kPropVerifyAfterDownload, on ? 1 : 0);
    UpdateActions();
}

bool CJtagUi::VerifyAfterDownload(SchDocument* doc) const
{
    if (!doc)
        return false;
    const QVariant v = doc->property(kPropVerifyAfterDownload);
    if (v.isValid())
        return v.toInt() != 0;
    CJtagScriptedDevice* p = ProgrammerOf(doc);
    return p && p->GetVerifyAfterDownload() != 0;
}

void CJtagUi::DefaultShowIdcode(const CIdcodeFields& fields)
{
    CIdcodeDialog dlg(fields, m_window);
    dlg.exec();
}

}  // namespace kalidor
