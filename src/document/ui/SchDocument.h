// The Qt side of a schematic document: turns the observer calls of a core CSchDoc into Qt signals
// and mirrors the document's undo history in a QUndoStack, so that the Edit menu (a QUndoGroup)
// names and enables Undo and Redo. The history itself is the document's: a change made through
// the core document alone (automation, a utility) appears on the stack, and Undo on the stack
// undoes it in the document.
//
// The adapter either owns its document (a design of its own, as the tests make) or works on one
// that the application object owns.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <string>

#include "document/SchDoc.h"

namespace kalidor {

class SchDocument : public QObject, public CSchDocObserver {
    Q_OBJECT
public:
    // A document of its own.
    explicit SchDocument(QObject* parent = nullptr);
    // The view of `doc`, which must outlive the adapter unless handed over with Adopt().
    explicit SchDocument(CSchDoc& doc, QObject* parent = nullptr);
    ~SchDocument() override;

    CSchDoc& Doc() { return *m_doc; }
    const CSchDoc& Doc() const { return *m_doc; }
    QUndoStack* UndoStack() { return &m_undo; }
    // Takes over the document it shows (when the application lets it go), so that it goes with
    // the adapter.
    void Adopt(std::unique_ptr<CSchDoc> doc);

    // New design of a device type; `number` names it "Design<number>" until it is saved.
    bool NewDocument(const std::string& deviceType, int number);
    bool Open(const QString& path);
    bool Save(const QString& path);

    // Runs `change` as one undoable step named `text` of the document's history (see
    // CSchDoc::Change). `schematic` tells whether the step changes the schematic (the E2 cells):
    // such a step, and its undo and redo, emit schematicChanged(); a summary or setup edit passes
    // false.
    bool Change(const QString& text, const std::function<bool()>& change, bool schematic = true);

    using State = CDesignState;
    State CaptureState() const { return m_doc->CaptureState(); }

    // The window title: the file name, or "Design<n>" for a design never saved; with " *" when
    // modified.
    QString DisplayName() const;
    QString Title() const;

    // CSchDocObserver
    void OnDocumentUpdate(int hint) override;
    void OnDocumentStateChanged() override;
    void OnHistoryChanged(CHistoryChange change) override;
    void OnSchematicChanged() override;
    void OnPlotViewWanted() override;

signals:
    void updated(int hint);
    void stateChanged();
    // A step that changes the schematic was made, undone or redone.
    void schematicChanged();
    // A run succeeded while no plot window is open: the host opens one.
    void plotWindowWanted();

private:
    class MirrorCommand;
    // Makes the stack the same as the document's history (its steps and position).
    void RebuildStack();
    void SyncClean();
    // Undo (back) or Redo of the stack, made in the document.
    void MoveFromStack(bool back);

    std::unique_ptr<CSchDoc> m_own;
    CSchDoc* m_doc;
    QUndoStack m_undo;
    // The stack is being brought in line with the history (its commands do nothing then).
    bool m_mirroring = false;
    // The stack's own Undo/Redo is moving the history (its report needs no mirroring).
    bool m_fromStack = false;
};

}  // namespace kalidor
