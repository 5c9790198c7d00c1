// The Qt side of a schematic document: owns the core CSchDoc, turns its observer calls into Qt
// signals, and keeps the undo history. Every change to a design goes through Change(), which
// records the whole design state before and after it (the design file text, which holds every E2
// cell, the security fuse, the summary and the filter configurations, plus the two post-upload
// switches) so that Undo and Redo restore the cells exactly.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <string>

#include "document/SchDoc.h"

namespace kalidor {

class SchDocument : public QObject, public CSchDocObserver {
    Q_OBJECT
public:
    explicit SchDocument(QObject* parent = nullptr);
    ~SchDocument() override;

    CSchDoc& Doc() { return m_doc; }
    const CSchDoc& Doc() const { return m_doc; }
    QUndoStack* UndoStack() { return &m_undo; }

    // New design of a device type; `number` names it "Design<number>" until it is saved.
    bool NewDocument(const std::string& deviceType, int number);
    bool Open(const QString& path);
    bool Save(const QString& path);

    // Runs `change` as one undoable step named `text`. `change` returns true when it changed the
    // design; otherwise nothing is recorded (and a restore is not needed: it changed nothing).
    // `schematic` tells whether the step changes the schematic (the E2 cells): such a step, and
    // its undo and redo, emit schematicChanged(); a summary or setup edit passes false.
    bool Change(const QString& text, const std::function<bool()>& change, bool schematic = true);

    struct State {
        std::string design;
        int switches[2] = {0, 1};
        bool operator==(const State&) const = default;
    };
    State CaptureState() const;
    // Puts the design back as captured, in place: the per-design objects stay (the plot window
    // holds the plot, the JTAG objects keep their options) and the computed curves, which are not
    // part of the design, survive. The views are updated.
    void RestoreState(const State& state);

    // The window title: the file name, or "Design<n>" for a design never saved; with " *" when
    // modified.
    QString DisplayName() const;
    QString Title() const;

    // CSchDocObserver
    void OnDocumentUpdate(int hint) override;
    void OnDocumentStateChanged() override;

signals:
    void updated(int hint);
    void stateChanged();
    // A step of Change() that changes the schematic was made, undone or redone (the automatic
    // re-run of the simulation hangs on this).
    void schematicChanged();

private:
    CSchDoc m_doc;
    QUndoStack m_undo;
    int m_number = 1;
    bool m_restoring = false;
};

}  // namespace kalidor
