#include "utilities/RowTable.h"

#include <algorithm>
#include <cmath>

namespace kalidor {

double CRowTable::CellNumber(int, int) const { return kNoNumber; }

bool CRowTable::RowPasses(int) const { return true; }

void CRowView::Refresh()
{
    m_rows.clear();
    const int n = m_table.RowCount();
    m_rows.reserve(n);
    for (int r = 0; r < n; ++r)
        if (m_table.RowPasses(r) && (!m_filter || m_filter(r)))
            m_rows.push_back(r);
    Sort();
}

void CRowView::SortBy(int column, bool ascending)
{
    m_sortColumn = column >= 0 && column < m_table.ColumnCount() ? column : -1;
    m_ascending = ascending;
    Sort();
}

void CRowView::Sort()
{
    std::sort(m_rows.begin(), m_rows.end());
    const int c = m_sortColumn;
    if (c < 0)
        return;
    // Numbers before texts; a column of numbers sorts numerically, anything else by its text.
    auto less = [&](int a, int b) {
        const double x = m_table.CellNumber(a, c), y = m_table.CellNumber(b, c);
        const bool nx = std::isnan(x), ny = std::isnan(y);
        if (!nx && !ny)
            return x < y;
        if (nx != ny)
            return ny;
        return m_table.CellText(a, c) < m_table.CellText(b, c);
    };
    if (m_ascending)
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
    else
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](int a, int b) { return less(b, a); });
}

int CRowView::Row(int index) const
{
    return index >= 0 && index < Count() ? m_rows[index] : -1;
}

int CRowView::IndexOf(int row) const
{
    const auto it = std::find(m_rows.begin(), m_rows.end(), row);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

std::string CRowView::Text(int index, int column) const
{
    const int r = Row(index);
    return r < 0 ? std::string() : m_table.CellText(r, column);
}

}  // namespace kalidor
