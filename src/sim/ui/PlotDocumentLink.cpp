#include "sim/ui/PlotDocumentLink.h"

#include <QAction>

#include "document/ui/SchDocument.h"
#include "sim/ui/PlotWindow.h"
#include "sim/ui/SimPropertySheet.h"

namespace kalidor {

CPlotDocumentLink* CPlotDocumentLink::Attach(CPltSplit& plot, SchDocument& doc)
{
    return new CPlotDocumentLink(plot, doc);
}

CPlotDocumentLink::CPlotDocumentLink(CPltSplit& plot, SchDocument& doc) : QObject(&plot), m_plot(plot), m_doc(&doc)
{
    doc.Doc().AddObserver(this);
    plot.SetTitleBlock(doc.DisplayName(), QString::fromStdString(doc.Doc().GetDeviceType()));

    // Run Simulator of the window: the document's run command. The window redraws with the hint
    // of the run itself and passes it on through dataChanged.
    plot.SetRunner([this] {
        RunResult r;
        if (!m_doc)
            return r;
        m_muted = true;
        m_lastHint = kHintPlotData;
        r.success = m_doc->Doc().RunSimulation(&r.openPlotWindow);
        m_muted = false;
        r.hint = m_lastHint;
        return r;
    });
    connect(&plot, &CPltSplit::dataChanged, this, [this](int hint) {
        if (!m_doc)
            return;
        m_muted = true;
        m_doc->Doc().UpdateAllViews(hint);
        m_muted = false;
    });
    connect(&doc, &SchDocument::stateChanged, this, [this] {
        if (m_doc)
            m_plot.SetTitleBlock(m_doc->DisplayName(), QString::fromStdString(m_doc->Doc().GetDeviceType()));
    });
    // "Simulator Options" from the window (its command and a double click on the legend) is the
    // document's command, so that the edit can be undone and marks the design modified.
    auto options = [this] {
        if (m_doc)
            EditSimulatorOptions(*m_doc, m_plot.window());
    };
    if (QAction* a = plot.Action(QStringLiteral("simulatorOptions"))) {
        disconnect(a, &QAction::triggered, &plot, nullptr);
        connect(a, &QAction::triggered, this, options);
    }
    disconnect(plot.Legend(), &CPltLegend::doubleClicked, &plot, &CPltSplit::OpenOptions);
    connect(plot.Legend(), &CPltLegend::doubleClicked, this, options);
}

CPlotDocumentLink::~CPlotDocumentLink()
{
    if (m_doc)
        m_doc->Doc().RemoveObserver(this);
}

void CPlotDocumentLink::OnDocumentUpdate(int hint)
{
    if (m_muted)
        m_lastHint = hint;
    else
        m_plot.OnDocumentUpdate(hint);
}

bool EditSimulatorOptions(SchDocument& doc, QWidget* parent)
{
    if (!doc.Doc().Simulation())
        return false;
    bool accepted = false;
    doc.Change(
        QStringLiteral("Simulator Options"),
        [&] {
            accepted = ShowSimulatorOptions(*doc.Doc().Simulation(), parent);
            return accepted;
        },
        false);
    if (accepted)
        doc.Doc().UpdateAllViews(kHintNone);
    return accepted;
}

}  // namespace kalidor
