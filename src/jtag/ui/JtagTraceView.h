// The JTAG trace window: a view of a schematic document that lists the SVF lines its programming
// operations sent while the trace was on, one row per line with its result ("Type", "SVF",
// "SVF_Error", "TCK", "TMS", "TDI", "TDO"), and saves them as a .TRC text or as XML.
//
// The list is a model over the document's trace that copies nothing: it answers each row from the
// trace as the view draws it, and follows the trace in batches (a timer after the first change), so
// that a long download keeps the window responsive.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "jtag/JtagTraceData.h"

class QAction;
class QLabel;
class QTableView;

namespace kalidor {

class SchDocument;

inline constexpr const char* kMenuJtagTrace = "JTAG &Trace";
// The window title after the document name ("NAME - JTAG Trace").
inline constexpr const char* kTraceWindowTitle = "JTAG Trace";
inline constexpr const char* kTraceSaveCaption = "Save JTAG Trace";
inline constexpr const char* kTraceSaveXmlCaption = "Save JTAG Trace as XML";

class CJtagTraceModel : public QAbstractTableModel, public CJtagTraceObserver {
    Q_OBJECT
public:
    explicit CJtagTraceModel(SchDocument* doc, QObject* parent = nullptr);
    ~CJtagTraceModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The document's trace (nullptr when the document has none).
    const CJtagTraceData* Trace() const;
    // Brings the rows up to the trace now (otherwise done shortly after it changes).
    void Sync();

    void OnTraceChanged() override;

signals:
    // Rows were added at the end, or the list was emptied and filled again.
    void rowsFollowed();

private:
    CJtagTraceData* Resolve() const;

    QPointer<SchDocument> m_doc;
    CJtagTraceData* m_trace = nullptr;
    int m_rows = 0;
    std::uint64_t m_generation = 0;
    QTimer m_timer;
};

class CJtagTraceView : public QWidget {
    Q_OBJECT
public:
    explicit CJtagTraceView(SchDocument* doc, QWidget* parent = nullptr);

    CJtagTraceModel* Model() const { return m_model; }
    QTableView* Table() const { return m_table; }
    SchDocument* Document() const { return m_doc; }

    // The save commands: a file name from the file dialog, then the text (or XML) form; a file that
    // cannot be written shows "File could not be opened". True when a file was written.
    bool SaveText();
    bool SaveXml();
    bool SaveTextTo(const QString& path);
    bool SaveXmlTo(const QString& path);

    // Asks for the file to save to (a file dialog; tests replace it). Returns "" when cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter)> askFileName;

private:
    void UpdateCount();

    QPointer<SchDocument> m_doc;
    CJtagTraceModel* m_model;
    QTableView* m_table;
    QLabel* m_count;
};

}  // namespace kalidor
