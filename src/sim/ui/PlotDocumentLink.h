// Ties a plot window to the schematic document whose plot it shows. The window itself does not
// know the document; the link hands it the document's run command, passes the document's view
// updates to it (except those the window caused itself: it has redrawn already, and a second
// rescale would only add a Zoom Previous step), passes the window's data changes on to the other
// views, keeps the printed title block current, and makes the window's "Simulator Options" the
// document's undoable command. While the link exists the document counts a plot view as open
// (the automatic re-run after a schematic change needs one).
#pragma once

#include <QObject>
#include <QPointer>

#include "document/SchDoc.h"

class QWidget;

namespace kalidor {

class CPltSplit;
class SchDocument;

class CPlotDocumentLink : public QObject, public CSchDocObserver {
    Q_OBJECT
public:
    // The link becomes a child of the window and goes with it.
    static CPlotDocumentLink* Attach(CPltSplit& plot, SchDocument& doc);
    ~CPlotDocumentLink() override;

    void OnDocumentUpdate(int hint) override;
    bool ShowsPlot() const override { return true; }

private:
    CPlotDocumentLink(CPltSplit& plot, SchDocument& doc);

    CPltSplit& m_plot;
    QPointer<SchDocument> m_doc;
    // The window's own run or curve command is being passed on: the update is not for it.
    bool m_muted = false;
    int m_lastHint = kHintPlotData;
};

// The document's "Simulator Options" command: the sheet on its setup, one undoable step when
// closed with OK (closing the sheet never starts a run). True when closed with OK.
bool EditSimulatorOptions(SchDocument& doc, QWidget* parent);

}  // namespace kalidor
