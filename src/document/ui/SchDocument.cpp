#include "document/ui/SchDocument.h"

#include <QFileInfo>
#include <QUndoCommand>

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"
#include "sim/SimulationSetup.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

const char kMsgRestoreFailed[] =
    "Internal software error: the design could not be restored for Undo/Redo.";

class SnapshotCommand : public QUndoCommand {
public:
    SnapshotCommand(SchDocument& doc, const QString& text, SchDocument::State before,
                    SchDocument::State after, bool schematic)
        : QUndoCommand(text), m_doc(doc), m_before(std::move(before)), m_after(std::move(after)),
          m_schematic(schematic)
    {
    }
    void undo() override
    {
        m_doc.RestoreState(m_before);
        if (m_schematic)
            emit m_doc.schematicChanged();
    }
    void redo() override
    {
        // The change itself has been made already when the command is pushed.
        if (m_first) {
            m_first = false;
            return;
        }
        m_doc.RestoreState(m_after);
        if (m_schematic)
            emit m_doc.schematicChanged();
    }

private:
    SchDocument& m_doc;
    SchDocument::State m_before;
    SchDocument::State m_after;
    bool m_schematic;
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

namespace {

// Copies the saved design state of `from` (E2 cells, security fuse, summary, filter
// configurations, curve settings) into `to`, whose objects stay where they are: the plot window
// holds the plot, the simulator holds the device, and the computed curves are not part of a
// design file, so they survive an Undo.
void CopyDesignState(CSchDoc& to, const CSchDoc& from)
{
    for (int which = 0; which < 2; ++which)
        if (to.GetFilterConfig(which) || from.GetFilterConfig(which))
            to.ApplyFilterConfig(which, from.GetFilterConfig(which));
    DeviceConfig* d = to.Device();
    // A configuration edited after it was applied reads "modified from" (-2) as the file says.
    for (int which = 0; which < 2; ++which)
        if (from.GetFilterConfig(which)) {
            const int key = which == 0 ? kKeyFilterConfigA : kKeyFilterConfigB;
            d->SetSymValue(key, from.Device()->GetSymValue(key));
        }
    const std::vector<E2Cell>& cells = from.Device()->Cells();
    for (int i = 0; i < static_cast<int>(cells.size()) && i < d->GetCellCount(); ++i)
        d->E2_SetValue(i, cells[i].value);
    d->SetSecurity(from.Device()->GetSecurity());
    to.Summary() = from.Summary();
    if (to.Simulation() && from.Simulation())
        for (int c = 0; c < CSimulationSetup::kCurveCount; ++c) {
            CurveSetting& t = to.Simulation()->Curve(c);
            const CurveSetting& f = from.Simulation()->Curve(c);
            t.configAB = f.configAB;
            t.inputNode = f.inputNode;
            t.outputNode = f.outputNode;
            t.startFrequency = f.startFrequency;
            t.stopFrequency = f.stopFrequency;
            t.pointsPerDecade = f.pointsPerDecade;
        }
}

}  // namespace

void SchDocument::RestoreState(const State& state)
{
    m_restoring = true;
    CSchDoc saved;
    if (saved.ParseDesign(state.design.data(), state.design.size()) != 0 || !saved.Device() || !m_doc.Device() ||
        saved.GetDeviceType() != m_doc.GetDeviceType()) {
        // A state this document wrote itself always reads back; keep the design as it is.
        CurrentPrompter().Message(kMsgRestoreFailed, "Kalidor Internal Error", Buttons::Ok,
                                  MessageIcon::Error);
    } else {
        CopyDesignState(m_doc, saved);
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

bool SchDocument::Change(const QString& text, const std::function<bool()>& change, bool schematic)
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
    m_undo.push(new SnapshotCommand(*this, text, std::move(before), std::move(after), schematic));
    m_doc.SetModifiedFlag(true);
    if (schematic)
        emit schematicChanged();
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
