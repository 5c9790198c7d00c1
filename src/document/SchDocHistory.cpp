// The undo history of CSchDoc: every change of the design is one step holding the design state
// before and after it; Undo and Redo put a state back in place.
#include <vector>

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"
#include "document/SchDoc.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"

namespace kalidor {

const char kMsgRestoreFailed[] = "Internal software error: the design could not be restored for Undo/Redo.";

CDesignState CSchDoc::CaptureState() const
{
    CDesignState s;
    s.design = WriteDesign();
    if (m_device) {
        s.switches[0] = m_device->GetSwitch(0);
        s.switches[1] = m_device->GetSwitch(1);
    }
    return s;
}

bool CSchDoc::Change(const std::string& text, const std::function<bool()>& change, unsigned flags)
{
    // A step inside a step is part of it; putting a state back records nothing.
    if (m_changeDepth > 0 || m_restoring)
        return change();
    if (!m_device)
        return false;
    const bool wasModified = m_modified;
    CDesignState before = CaptureState();
    ++m_changeDepth;
    const bool done = change();
    --m_changeDepth;
    if (!done)
        return false;
    CDesignState after = CaptureState();
    if (after == before) {
        // An operation may have marked the document although nothing in the design differs.
        SetModifiedState(wasModified);
        return true;
    }
    const bool quiet = (flags & kChangeQuiet) != 0;
    const bool schematic = (flags & kChangeSchematic) != 0;
    if (m_history.CanJoin(m_stepGroup)) {
        m_history.Join(std::move(after), m_stepGroupText, schematic);
        NotifyHistory(CHistoryChange::kJoined);
    } else {
        m_history.Push({text, std::move(before), std::move(after), schematic, m_stepGroup});
        NotifyHistory(CHistoryChange::kPushed);
    }
    // A quiet step leaves the flag as it was; the saved position stays where the file is, so
    // that undoing the step reads unmodified again and redoing it modified.
    SetModifiedState(quiet ? wasModified : true);
    if (schematic && !quiet)
        AfterSchematicChange();
    return true;
}

void CSchDoc::SetStepGroup(std::uint64_t group, const std::string& text)
{
    m_stepGroup = group;
    m_stepGroupText = text;
}

bool CSchDoc::Undo() { return MoveInHistory(true); }

bool CSchDoc::Redo() { return MoveInHistory(false); }

bool CSchDoc::MoveInHistory(bool back)
{
    const CDesignHistory::Step* step = back ? m_history.UndoStep() : m_history.RedoStep();
    if (!step || m_changeDepth > 0 || m_restoring)
        return false;
    const bool schematic = step->schematic;
    RestoreState(back ? step->before : step->after);
    if (back)
        m_history.StepBack();
    else
        m_history.StepForward();
    SetModifiedState(!m_history.IsClean());
    NotifyHistory(back ? CHistoryChange::kUndone : CHistoryChange::kRedone);
    if (schematic)
        AfterSchematicChange();
    return true;
}

void CSchDoc::RestoreState(const CDesignState& state)
{
    m_restoring = true;
    CSchDoc saved;
    if (saved.ParseDesign(state.design.data(), state.design.size()) != 0 || !saved.m_device || !m_device ||
        saved.m_deviceType != m_deviceType) {
        // A state this document wrote itself always reads back; keep the design as it is.
        CurrentPrompter().Message(kMsgRestoreFailed, "Kalidor Internal Error", Buttons::Ok, MessageIcon::Error);
    } else {
        CopyDesignState(saved);
    }
    if (m_device) {
        m_device->SetSwitch(0, state.switches[0]);
        m_device->SetSwitch(1, state.switches[1]);
    }
    RefreshValueTexts();
    m_restoring = false;
    UpdateAllViews(kHintNone);
}

// Copies the saved design state of `from` (E2 cells, security fuse, summary, filter
// configurations, curve settings) into this document, whose objects stay where they are: the plot
// window holds the plot, the simulator holds the device, and the computed curves are not part of
// a design file, so they survive an Undo.
void CSchDoc::CopyDesignState(const CSchDoc& from)
{
    for (int which = 0; which < 2; ++which)
        if (GetFilterConfig(which) || from.GetFilterConfig(which))
            ApplyFilterConfig(which, from.GetFilterConfig(which));
    // A configuration edited after it was applied reads "modified from" (-2) as the file says.
    for (int which = 0; which < 2; ++which)
        if (from.GetFilterConfig(which)) {
            const int key = which == 0 ? kKeyFilterConfigA : kKeyFilterConfigB;
            m_device->SetSymValue(key, from.m_device->GetSymValue(key));
        }
    const std::vector<E2Cell>& cells = from.m_device->Cells();
    for (int i = 0; i < static_cast<int>(cells.size()) && i < m_device->GetCellCount(); ++i)
        m_device->E2_SetValue(i, cells[static_cast<std::size_t>(i)].value);
    m_device->SetSecurity(from.m_device->GetSecurity());
    m_summary = from.m_summary;
    if (m_simulation && from.m_simulation)
        for (int c = 0; c < CSimulationSetup::kCurveCount; ++c) {
            CurveSetting& t = m_simulation->Curve(c);
            const CurveSetting& f = from.m_simulation->Curve(c);
            t.configAB = f.configAB;
            t.inputNode = f.inputNode;
            t.outputNode = f.outputNode;
            t.startFrequency = f.startFrequency;
            t.stopFrequency = f.stopFrequency;
            t.pointsPerDecade = f.pointsPerDecade;
        }
}

void CSchDoc::NotifyHistory(CHistoryChange change)
{
    const std::vector<CSchDocObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnHistoryChanged(change);
}

bool CSchDoc::HasPlotView() const
{
    for (const auto* o : m_observers)
        if (o->ShowsPlot())
            return true;
    return false;
}

void CSchDoc::AfterSchematicChange()
{
    const std::vector<CSchDocObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnSchematicChanged();
    RerunAfterChange(HasPlotView());
}

}  // namespace kalidor
