#include "document/ui/SchDocument.h"

#include <QUndoCommand>

namespace kalidor {

// One step of the document's history on the stack. Undo and Redo from the stack (the Edit menu)
// move the document's history; when the history moved by itself the stack only follows.
class SchDocument::MirrorCommand : public QUndoCommand {
public:
    MirrorCommand(SchDocument& adapter, const QString& text) : QUndoCommand(text), m_adapter(adapter) {}
    void undo() override { m_adapter.MoveFromStack(true); }
    void redo() override
    {
        // The step has been made already when it is pushed.
        if (m_first) {
            m_first = false;
            return;
        }
        m_adapter.MoveFromStack(false);
    }

private:
    SchDocument& m_adapter;
    bool m_first = true;
};

SchDocument::SchDocument(QObject* parent) : SchDocument(*new CSchDoc, parent)
{
    m_own.reset(m_doc);
}

SchDocument::SchDocument(CSchDoc& doc, QObject* parent) : QObject(parent), m_doc(&doc)
{
    m_undo.setUndoLimit(CDesignHistory::kMaxSteps);
    m_doc->AddObserver(this);
    RebuildStack();
    // The stack marked clean from outside (a test, a host that saved by other means): the design
    // counts as saved.
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (!m_mirroring && clean && !m_doc->History().IsClean() && m_undo.index() == m_doc->History().Index())
            m_doc->SetModifiedFlag(false);
    });
}

SchDocument::~SchDocument() { m_doc->RemoveObserver(this); }

void SchDocument::Adopt(std::unique_ptr<CSchDoc> doc)
{
    if (doc.get() == m_doc)
        m_own = std::move(doc);
}

bool SchDocument::NewDocument(const std::string& deviceType, int number)
{
    m_doc->SetUntitledNumber(number);
    const bool ok = m_doc->OnNewDocument(deviceType);
    emit stateChanged();
    return ok;
}

bool SchDocument::Open(const QString& path)
{
    const bool ok = m_doc->OnOpenDocument(path.toStdString());
    emit stateChanged();
    return ok;
}

bool SchDocument::Save(const QString& path)
{
    if (!m_doc->OnSaveDocument(path.toStdString()))
        return false;
    emit stateChanged();
    return true;
}

bool SchDocument::Change(const QString& text, const std::function<bool()>& change, bool schematic)
{
    return m_doc->Change(text.toStdString(), change, schematic ? kChangeSchematic : kChangeSetup);
}

QString SchDocument::DisplayName() const { return QString::fromStdString(m_doc->DisplayName()); }

QString SchDocument::Title() const
{
    QString t = DisplayName();
    if (!m_doc->GetDeviceType().empty())
        t += QStringLiteral(" - ") + QString::fromStdString(m_doc->GetDeviceType());
    if (m_doc->IsModified())
        t += QStringLiteral(" *");
    return t;
}

// ---------------------------------------------------------------- mirroring the history

void SchDocument::MoveFromStack(bool back)
{
    if (m_mirroring)
        return;
    m_fromStack = true;
    if (back)
        m_doc->Undo();
    else
        m_doc->Redo();
    m_fromStack = false;
}

void SchDocument::RebuildStack()
{
    m_mirroring = true;
    m_undo.clear();
    const CDesignHistory& h = m_doc->History();
    for (const CDesignHistory::Step& step : h.Steps())
        m_undo.push(new MirrorCommand(*this, QString::fromStdString(step.text)));
    m_undo.setIndex(h.Index());
    m_mirroring = false;
    SyncClean();
}

void SchDocument::SyncClean()
{
    const CDesignHistory& h = m_doc->History();
    m_mirroring = true;
    if (h.IsClean())
        m_undo.setClean();
    else if (h.CleanIndex() < 0 || m_undo.cleanIndex() != h.CleanIndex())
        m_undo.resetClean();
    m_mirroring = false;
}

void SchDocument::OnHistoryChanged(CHistoryChange change)
{
    // The stack moves its own position once the command is done; its clean position already
    // agrees with the history's.
    if (m_fromStack)
        return;
    const CDesignHistory& h = m_doc->History();
    m_mirroring = true;
    switch (change) {
    case CHistoryChange::kPushed:
        m_undo.push(new MirrorCommand(*this, QString::fromStdString(h.UndoText())));
        break;
    case CHistoryChange::kJoined:
        // The last command takes the step's new name: taken back (doing nothing) and pushed anew.
        if (m_undo.index() == m_undo.count() && m_undo.count() > 0 &&
            m_undo.command(m_undo.count() - 1)->text() != QString::fromStdString(h.UndoText())) {
            m_undo.undo();
            m_undo.push(new MirrorCommand(*this, QString::fromStdString(h.UndoText())));
        }
        break;
    case CHistoryChange::kUndone:
        m_undo.undo();
        break;
    case CHistoryChange::kRedone:
        m_undo.redo();
        break;
    case CHistoryChange::kCleared:
        m_undo.clear();
        break;
    case CHistoryChange::kCleanMoved:
        break;
    }
    m_mirroring = false;
    // The two agree step for step; should they not (a limit reached differently), start afresh.
    if (m_undo.count() != h.Count() || m_undo.index() != h.Index())
        RebuildStack();
    SyncClean();
}

// ---------------------------------------------------------------- observer

void SchDocument::OnDocumentUpdate(int hint) { emit updated(hint); }

void SchDocument::OnDocumentStateChanged() { emit stateChanged(); }

void SchDocument::OnSchematicChanged() { emit schematicChanged(); }

void SchDocument::OnPlotViewWanted() { emit plotWindowWanted(); }

}  // namespace kalidor
