// Tables shown as lists: the filter configuration, ladder filter and gain tables all present rows
// of cells under titled columns. CRowTable is what a table offers a list; CRowView is the list's
// state over it — which rows pass the table's criteria and an optional extra filter, and in which
// order — kept as row numbers, so that a list of many thousand rows never copies them. A Qt
// model/view list sits on a CRowView; kalidor-cli prints one.
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace kalidor {

class CRowTable {
public:
    virtual ~CRowTable() = default;
    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual std::string ColumnTitle(int column) const = 0;
    virtual std::string CellText(int row, int column) const = 0;
    // The number a cell sorts by; NaN (the default) sorts the column by its text.
    virtual double CellNumber(int row, int column) const;
    // Whether a row passes the table's own criteria.
    virtual bool RowPasses(int row) const;

    static constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();
};

class CRowView {
public:
    // `table` is not owned and must outlive the view. The view is empty until Refresh().
    explicit CRowView(const CRowTable& table) : m_table(table) {}

    // Recomputes the shown rows from the table's criteria and the extra filter, in sort order.
    // Call it after the table or its criteria changed.
    void Refresh();
    // A further test every shown row must pass (a typed quick filter, say); empty for none.
    // Takes effect at the next Refresh().
    void SetFilter(std::function<bool(int row)> filter) { m_filter = std::move(filter); }
    // Sorts by a column, ascending or descending, rows that compare equal keeping table order;
    // column -1 restores table order. Re-sorts the shown rows at once.
    void SortBy(int column, bool ascending = true);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }

    // Shown rows: their number, the table row at list position `index` (-1 out of range), the
    // list position of table row `row` (-1 when it is not shown), the text of a cell.
    int Count() const { return static_cast<int>(m_rows.size()); }
    int Row(int index) const;
    int IndexOf(int row) const;
    std::string Text(int index, int column) const;
    const CRowTable& Table() const { return m_table; }

private:
    void Sort();

    const CRowTable& m_table;
    std::function<bool(int)> m_filter;
    std::vector<int> m_rows;
    int m_sortColumn = -1;
    bool m_ascending = true;
};

}  // namespace kalidor
