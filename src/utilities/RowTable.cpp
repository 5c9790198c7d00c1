#include "utilities/RowTable.h"

#include <algorithm>
#include <cmath>

namespace kalidor {

double CRowTable::CellNumber(int, int) const { return kNoNumber; }

bool CRowTable::RowPasses(int) const { return true; }

void CRowView::Refresh()
{
    rows_.clear();
    const int n = table_.RowCount();
    rows_.reserve(n);
    for (int r = 0; r < n; ++r)
        if (table_.RowPasses(r) && (!filter_ || filter_(r)))
            rows_.push_back(r);
    Sort();
}

void CRowView::SortBy(int column, bool ascending)
{
    sortColumn_ = column >= 0 && column < table_.ColumnCount() ? column : -1;
    ascending_ = ascending;
    Sort();
}

void CRowView::Sort()
{
    std::sort(rows_.begin(), rows_.end());
    const int c = sortColumn_;
    if (c < 0)
        return;
    // Numbers before texts; a column of numbers sorts numerically, anything else by its text.
    auto less = [&](int a, int b) {
        const double x = table_.CellNumber(a, c), y = table_.CellNumber(b, c);
        const bool nx = std::isnan(x), ny = std::isnan(y);
        if (!nx && !ny)
            return x < y;
        if (nx != ny)
            return ny;
        return table_.CellText(a, c) < table_.CellText(b, c);
    };
    if (ascending_)
        std::stable_sort(rows_.begin(), rows_.end(), less);
    else
        std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) { return less(b, a); });
}

int CRowView::Row(int index) const
{
    return index >= 0 && index < Count() ? rows_[index] : -1;
}

int CRowView::IndexOf(int row) const
{
    const auto it = std::find(rows_.begin(), rows_.end(), row);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

std::string CRowView::Text(int index, int column) const
{
    const int r = Row(index);
    return r < 0 ? std::string() : table_.CellText(r, column);
}

}  // namespace kalidor
