#include "document/ui/SchDocument.h"

#include <QFileInfo>
#include <QUndoCommand>

#include "device/DeviceConfig.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

const char kMsgRestoreFailed[] =
    "Internal software error: the design could not be restored for Undo/Redo.";

class SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(SchDocument& doc, const QString& text, SchDocument::State before,
                    SchDocument::State after)
        : QUndoCommand(text), m_doc(doc), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_doc.RestoreState(m_before); }
    void redo() override
    {
        // The change itself has been made already when the command is pushed.
        if (m_first) {
            m_first = false;
            return;
        }
        m_doc.RestoreState(m_after);
    }

private:
    SchDocument& m_doc;
    SchDocument::State m_before;
    SchDocument::State m_after;
    bool m_first = true;
};

}  // namespace

SchDocument::SchDocument(QObject* parent) : QObject(parent)
{
    m_doc.AddObserver(this);
    // The document is unmodified exactly when the undo history is at its saved point.
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (!m_doc.IsEmbedded())
            m_doc.SetModifiedFlag(!clean);
    });
}

SchDocument::~SchDocument() { m_doc.RemoveObserver(this); }

bool SchDocument::NewDocument(const std::string& deviceType, int number)
{
    m_number = number;
    const bool ok = m_doc.OnNewDocument(deviceType);
    m_undo.clear();
    emit stateChanged();
    return ok;
}

bool SchDocument::Open(const QString& path)
{
    const bool ok = m_doc.OnOpenDocument(path.toStdString());
    m_undo.clear();
    emit stateChanged();
    return ok;
}

bool SchDocument::Save(const QString& path)
{
    if (!m_doc.OnSaveDocument(path.toStdString()))
        return false;
    m_undo.setClean();
    m_doc.SetModifiedFlag(false);
    emit stateChanged();
    return true;
}

SchDocument::State SchDocument::CaptureState() const
{
    State s;
    s.design = m_doc.WriteDesign();
    if (DeviceConfig* d = m_doc.Device()) {
        s.switches[0] = d->GetSwitch(0);
        s.switches[1] = d->GetSwitch(1);
    }
    return s;
}

void SchDocument::RestoreState(const State& state)
{
    m_restoring = true;
    const std::string path = m_doc.GetPathName();
    m_doc.DeleteContents();
    if (m_doc.ParseDesign(state.design.data(), state.design.size()) != 0) {
        CurrentPrompter().Message(kMsgRestoreFailed, "Kalidor Internal Error", Buttons::Ok,
                                  MessageIcon::Error);
    }
    if (DeviceConfig* d = m_doc.Device()) {
        d->SetSwitch(0, state.switches[0]);
        d->SetSwitch(1, state.switches[1]);
    }
    m_doc.RefreshValueTexts();
    m_doc.SetModifiedFlag(true);
    m_restoring = false;
    m_doc.UpdateAllViews(kHintNone);
    emit stateChanged();
}

bool SchDocument::Change(const QString& text, const std::function<bool()>& change)
{
    if (!m_doc.Device())
        return false;
    State before = CaptureState();
    if (!change())
        return false;
    State after = CaptureState();
    if (after == before) {
        // Marked modified by the operation although nothing in the design differs: keep the
        // flag as the history says.
        m_doc.SetModifiedFlag(!m_undo.isClean());
        return true;
    }
    m_undo.push(new SnapshotCommand(*this, text, std::move(before), std::move(after)));
    m_doc.SetModifiedFlag(true);
    return true;
}

QString SchDocument::DisplayName() const
{
    const std::string& path = m_doc.GetPathName();
    if (path.empty())
        return QStringLiteral("Design%1").arg(m_number);
    return QFileInfo(QString::fromStdString(path)).fileName();
}

QString SchDocument::Title() const
{
    QString t = DisplayName();
    if (!m_doc.GetDeviceType().empty())
        t += QStringLiteral(" - ") + QString::fromStdString(m_doc.GetDeviceType());
    if (m_doc.IsModified())
        t += QStringLiteral(" *");
    return t;
}

void SchDocument::OnDocumentUpdate(int hint)
{
    if (!m_restoring)
        emit updated(hint);
}

void SchDocument::OnDocumentStateChanged() { emit stateChanged(); }

}  // namespace kalidor
