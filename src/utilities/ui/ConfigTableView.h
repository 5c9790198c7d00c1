// The list window of a configuration table (the ZelD/ZelE filter configurations, the ZelA ladder
// filters): a model/view list over the table's row view (CRowView), so that many thousand rows
// open at once; a click on a column title sorts by it; a tool bar with "Show All Configurations
// in list", the criterion commands with their dialogs, the version command and "Copy Filter
// Configuration to Schematic..."; the opening texts go to the status bar. What differs between the
// tables — which table, its criterion commands, what a copy does — is given by the caller.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "utilities/ConfigTable.h"
#include "utilities/RowTable.h"

class QLabel;
class QLineEdit;
class QTableView;
class QToolBar;

namespace kalidor {

class SchDocument;

// The Qt list model over a row view.
class CRowViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CRowViewModel(CRowView& view, QObject* parent = nullptr) : QAbstractTableModel(parent), m_view(view) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    // Recomputes the shown rows (after a criterion changed).
    void Refresh();

private:
    CRowView& m_view;
};

// A criterion command of the window: its text and how its dialog asks.
struct CCriterionCommand {
    QString text;      // "Filter on Frequency..."
    int attribute;     // the criterion's attribute; -1 for "Show All Configurations in list"
    enum Kind { kShowAll, kType, kRange, kRangeUpperFirst } kind;
    QString unit;      // "Hz", "dB", "" — shown in the range dialog
};

class CConfigTableView : public QWidget {
    Q_OBJECT
public:
    struct Setup {
        QString title;                              // the window's name beside the design's
        std::vector<CCriterionCommand> commands;
        std::vector<std::pair<int, QString>> types;  // the filter types the type dialog offers
        // Copies table row `row` (-1: none selected) into the document; the window asks nothing.
        std::function<void(int row)> copy;
        // Which column the quick filter matches by value (-1: no quick filter).
        int quickColumn = -1;
        QString quickLabel;
    };

    // `table` is the caller's (held by the document or by the caller's object that owns this
    // window's data); it must be loaded and outlive the window.
    CConfigTableView(SchDocument* doc, CConfigTable& table, Setup setup, QWidget* parent = nullptr);
    ~CConfigTableView() override;

    CConfigTable& Table() const { return m_table; }
    // Makes the window the owner of its table (a table no document holds).
    void KeepTable(std::unique_ptr<CConfigTable> table) { m_own = std::move(table); }
    CRowView& Rows() const { return *m_rows; }
    QTableView* List() const { return m_list; }
    // The table row of the selected list line, or -1.
    int SelectedRow() const;
    void SelectListLine(int line);

    // The commands (also the tool bar's): a criterion's dialog; Show All; Version; Copy.
    void RunCommand(int index);
    void ShowVersion();
    void CopySelected();
    // Puts a criterion in force without its dialog and refreshes the list (what the dialogs do).
    void SetRange(int attribute, double first, double second);
    void SetType(int type);
    void ShowAll();
    // The quick filter: rows whose quick column's value lies within 10 % of `text` (a number, in
    // the column's unit, "k" and "M" allowed); empty for all.
    void SetQuickFilter(const QString& text);
    QString StatusText() const;

    // Dialog answers (tests override them): a range, false when cancelled.
    virtual bool AskRange(const CCriterionCommand& c, double& first, double& second);
    virtual bool AskType(int& type);

private:
    void SetStatus(const QString& text);

    QPointer<SchDocument> m_doc;
    std::unique_ptr<CConfigTable> m_own;
    CConfigTable& m_table;
    Setup m_setup;
    std::unique_ptr<CRowView> m_rows;
    CRowViewModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QToolBar* m_tools = nullptr;
    QLineEdit* m_quick = nullptr;
    QString m_status;  // the last status text (the main window's status bar shows it)
};

}  // namespace kalidor
