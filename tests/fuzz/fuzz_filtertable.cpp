// Filter configuration tables (ZelD/ZelE): any text is read without harm; every cell of what was
// read has a text and a number, the list sorts by every column with criteria in force, and a
// table written and read again holds the same entries (the header texts are written as they are,
// so the check is left out when they hold markup).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "utilities/FilterTable.h"
#include "utilities/RowTable.h"

using namespace kalidor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Quiet();
    CFilterTable table;
    if (!table.Read(fuzz::Text(data, size)))
        return 0;
    (void)table.VersionText();
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c) {
            (void)table.CellText(r, c);
            (void)table.CellNumber(r, c);
        }
    // Every criterion in force over a wide range, the type one on the first entry's type.
    for (CFilterCriteria& c : table.Criteria()) {
        if (c.attribute == 1 && table.GetEntryCount() > 0)
            c.SetType(table.GetEntry(0)->type);
        else
            c.SetRange(-1e300, 1e300);
    }
    CRowView view(table);
    view.Refresh();
    for (int c = -1; c < table.ColumnCount(); ++c)
        view.SortBy(c, c % 2 == 0);
    table.ShowAll();

    const bool plainHeader = (table.GetVersion() + table.GetDeviceType() + table.GetDate()).find_first_of("<>&") ==
                             std::string::npos;
    if (!plainHeader)
        return 0;
    const std::string written = table.Write();
    CFilterTable again;
    if (!again.Read(written) || again.GetEntryCount() != table.GetEntryCount())
        fuzz::Broken("a filter table written and read again lost entries", written);
    for (int i = 0; i < table.GetEntryCount(); ++i)
        if (again.GetEntry(i)->WriteElement() != table.GetEntry(i)->WriteElement())
            fuzz::Broken("a filter table entry changed on a round trip", table.GetEntry(i)->WriteElement());
    return 0;
}
