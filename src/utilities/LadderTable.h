// The ladder filter table of ZelA ("ZelA_LadderFilter.XML"): ready-made low-pass ladder (leapfrog)
// filters on the four blocks. An entry holds its ID, its filter type and the numbers d0 … d29:
// d0 the entry's frequency, then six settings for each block in turn — the two input selectors,
// the two signed gains, the capacitor in pF and the feedback switch — and d25 the output node of
// the gain/phase curve; d26 … d29 are optional and not used by a copy. The file has the header of
// every configuration table (CConfigTable) and one element per entry named after its type.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "utilities/ConfigTable.h"

namespace kalidor {

class CFilterCriteria;

extern const char kMsgUnknownLadderCriterion[];  // "... unknown case in CFilterEntry4Macro::ApplyFilter"
extern const char kMsgLadderInternalColumn[];    // "-internal error-"
// The summary a copy writes.
extern const char kLadderTitle[];     // "Ladder Filter"
extern const char kLadderKeywords[];  // "ZelA, Ladder Filter"
extern const char kLadderComments[];  // "Created by Ladder Filter Generator"

class CFilterEntry4Macro {
public:
    static constexpr int kRequiredNumbers = 26;  // d0 … d25
    static constexpr int kNumbers = 30;          // d0 … d29
    static constexpr int kBlocks = 4;
    static constexpr int kBlockNumbers = 6;      // IA1 selector, IA2 selector, T1 gain, T2 gain, pF, feedback
    static constexpr int kOutputNode = 25;
    static constexpr int kCriteriaCount = 3;     // ID, FilterType, Frequency
    static constexpr int kComponentCount = 12;   // two gains and the capacitor of each block

    int id = 0;
    int type = -1;
    std::array<double, kNumbers> d{};
    int numbersRead = 0;

    // Reads an entry element's text: the ID, then d0 … d25 (required) and up to four more.
    // False when fewer than the ID and 26 numbers are present.
    bool ReadText(int type, const std::string& text);
    std::string WriteElement() const;

    // The number of block b (0..3), setting s (0..5).
    double BlockNumber(int b, int s) const { return d[1 + b * kBlockNumbers + s]; }

    // Criterion 0 (ID) always passes, 1 the type, 2 bound1 <= d0 <= bound2; a disabled criterion
    // passes; any other number shows kMsgUnknownLadderCriterion and fails.
    bool ApplyFilter(const CFilterCriteria& c) const;
    // Column 0 the ID, 1 the type name, 2 d0 "%.2f"; component columns below.
    std::string AttributeText(int column) const;
    // Component column 0..11: "IA1 Gain" d3, "IA2 Gain" d4, "ZelBlock 1 Cap" d5, … ; others
    // "-internal error-".
    std::string ComponentText(int component) const;
    double ComponentNumber(int component) const;

    // 9 "Butterworth 3rd Order" … 14 "UnityGain 0.5dB", the types 0 … 4 and 8 of the filter
    // configuration tables; "--unknown--" for others.
    static std::string TypeName(int type);
    // The element of a ladder type ("Butterworth_3_Pole" …), "" for others.
    static std::string TypeTag(int type);
};

// Titles of the component columns, in order.
extern const char* const kLadderComponentTitles[CFilterEntry4Macro::kComponentCount];
// The criteria's titles: "ID", "FilterType", "Frequency".
extern const char* const kLadderCriteriaTitles[CFilterEntry4Macro::kCriteriaCount];
inline constexpr int kLadderFirstType = 9;
inline constexpr int kLadderLastType = 14;

class CFilterTable4Macro : public CConfigTable {
public:
    CFilterTable4Macro();
    // "ZelA_LadderFilter.XML".
    static std::string FileName(const std::string& deviceType);

    int GetEntryCount() const { return static_cast<int>(m_entries.size()); }
    const CFilterEntry4Macro* GetEntry(int position) const;
    int FindEntry(int id) const;

    void SetContents(int formatVersion, std::string version, std::string deviceType, std::string date,
                     std::vector<CFilterEntry4Macro> entries, std::string headerComment = {});
    std::string Write() const;

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
    std::vector<CFilterEntry4Macro> m_entries;
    std::string m_headerComment;
};

}  // namespace kalidor
