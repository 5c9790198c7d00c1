// The filter configuration table of a ZelD or ZelE: stored fifth-order low-pass designs, read
// from "<device type>_FilterTable.XML" in the support folder. Its list shows one column per
// criterion (ID, filter type, Fc, gains at 2 x Fc and 10 x Fc, Fp, ripple, Fs, attenuation,
// Fs/Fp, MaxVin) and one per component (C1, C2, L2, C3, C4, L4, C5).
#pragma once

#include <string>
#include <vector>

#include "utilities/ConfigTable.h"
#include "utilities/FilterEntry.h"

namespace kalidor {

// Copy to schematic without a chosen row.
extern const char kMsgNoEntrySelected[];

// Status texts of the table window while it opens, in order.
extern const char kStatusLoadingFromDisk[];  // "Loading filter data from disk..."
extern const char kStatusLoadingIntoList[];  // "Loading filter data into list view..."
extern const char kStatusReady[];            // "Ready"

// The table window's commands: "Show All Configurations in list" (attribute -1: every criterion
// out of force), then "Filter on FilterType...", "Filter on Frequency..." ... "Filter on Fs/Fp
// Ratio...", each setting the criterion of its attribute.
struct CFilterCommand {
    const char* text;
    int attribute;
};
inline constexpr int kFilterCommandCount = 10;
extern const CFilterCommand kFilterCommands[kFilterCommandCount];
extern const char kCopyToSchematicCommand[];  // "Copy Filter Configuration to Schematic..."

// The column titles of the criteria, in order, and of the components.
extern const char* const kFilterCriteriaTitles[CFilterEntry::kCriteriaCount];
extern const char* const kFilterComponentTitles[CFilterEntry::kComponentCount];

class CFilterTable : public CConfigTable {
public:
    // A table with the eleven criteria, all out of force, and no entries.
    CFilterTable();

    // The file name of a device type's table ("ZelD_FilterTable.XML").
    static std::string FileName(const std::string& deviceType);

    int GetEntryCount() const { return static_cast<int>(m_entries.size()); }
    // The entry at a position in file order, or nullptr.
    const CFilterEntry* GetEntry(int position) const;
    // The position of the entry with identifier `id`, or -1.
    int FindEntry(int id) const;
    bool Passes(const CFilterEntry& entry) const;

    // Builds a table (the generator's use): header fields and entries in file order.
    void SetContents(int formatVersion, std::string version, std::string deviceType,
                     std::string date, std::vector<CFilterEntry> entries);
    // The table file's text; Read() of it gives the same table.
    std::string Write() const;

    // CRowTable: the criteria columns, then the component columns.
    int RowCount() const override { return GetEntryCount(); }
    int ColumnCount() const override;
    std::string ColumnTitle(int column) const override;
    std::string CellText(int row, int column) const override;
    double CellNumber(int row, int column) const override;

protected:
    std::vector<std::pair<std::string, int>> EntryTags() const override;
    void ClearEntries() override { m_entries.clear(); }
    bool ReadEntry(int type, const std::string& text) override;
    bool EntryPasses(int row, const CFilterCriteria& criterion) const override;

private:
    std::vector<CFilterEntry> m_entries;
};

}  // namespace kalidor
