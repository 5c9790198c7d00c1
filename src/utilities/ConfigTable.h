// A table of stored configurations read from a support file (the filter configuration tables of
// ZelD/ZelE, the ladder filter table of ZelA): the header — file format version, table version,
// device type, date, declared count — one entry per element named after the entry's filter type,
// and the list of criteria that narrow what a list shows. The derived table knows its entries.
//
// File layout (CR LF line ends, read by the one XML reader):
//   <?xml version="1.0"?>
//   <FilterTable>
//   <DocFmtVersion>1</DocFmtVersion>
//   <Version>text</Version>
//   <DeviceType>ZelD</DeviceType>
//   <Date>text</Date>
//   <Count>n</Count>
//   <Butterworth>numbers separated by blanks and/or commas</Butterworth>
//   ...
//   </FilterTable>
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "utilities/FilterCriteria.h"
#include "utilities/RowTable.h"

namespace kalidor {

// The version command's message when no table has been read.
extern const char kMsgFilterTableNotLoaded[];
// A list window's column set outgrew its header.
extern const char kMsgTooManyCriteria[];
extern const char kMsgTooManyAttributes[];

// The numbers of an entry element's text, separated by blanks and/or commas; the list ends at the
// first thing that is not a number.
std::vector<double> ParseNumberList(const std::string& text);
// A number as the table files write it ("%.10g").
std::string TableNumberText(double v);
// A number as TableNumberText writes it and reading it back gives.
double AsWritten(double v);

class CConfigTable : public CRowTable {
public:
    static constexpr int kMaxEntryText = 500;   // characters of an entry element that are read
    static constexpr int kMaxDeviceType = 80;
    static constexpr size_t kMaxFileSize = 32u * 1024u * 1024u;

    // Reads a table file's text; false (and `error` says why) when it is not one: no root
    // element, or text ending before </FilterTable>. Entries read before the end are kept.
    bool Read(const std::string& text, std::string* error = nullptr);
    // Reads the file at `path`.
    bool Load(const std::string& path, std::string* error = nullptr);
    bool IsLoaded() const { return m_loaded; }

    int GetFormatVersion() const { return m_formatVersion; }
    const std::string& GetVersion() const { return m_version; }
    const std::string& GetDeviceType() const { return m_deviceType; }
    const std::string& GetDate() const { return m_date; }
    int GetDeclaredCount() const { return m_declaredCount; }
    // Entry elements whose numbers ended early; they are left out of the table.
    int GetIncompleteCount() const { return m_incomplete; }
    // The version command's text: table version, device type, date and counts.
    std::string VersionText() const;

    std::vector<CFilterCriteria>& Criteria() { return m_criteria; }
    const std::vector<CFilterCriteria>& Criteria() const { return m_criteria; }
    // The criterion of an attribute, or nullptr.
    CFilterCriteria* Criterion(int attribute);
    // "Show All Configurations in list": every criterion out of force.
    void ShowAll();

    // An entry passes when it passes every criterion in force.
    bool RowPasses(int row) const override;

protected:
    void SetHeader(int formatVersion, std::string version, std::string deviceType, std::string date)
    {
        m_formatVersion = formatVersion;
        m_version = std::move(version);
        m_deviceType = std::move(deviceType);
        m_date = std::move(date);
    }
    // The header lines of a table file up to and including <Count>, for the writers; a comment,
    // when given, stands between the prolog and the root element.
    std::string WriteHeader(int count, const std::string& comment = {}) const;

    // The entry elements the table knows: tag name and the type number passed to ReadEntry.
    virtual std::vector<std::pair<std::string, int>> EntryTags() const = 0;
    virtual void ClearEntries() = 0;
    // Reads an entry element's text; false when its numbers end early (the entry is not kept).
    virtual bool ReadEntry(int type, const std::string& text) = 0;
    virtual bool EntryPasses(int row, const CFilterCriteria& criterion) const = 0;

    std::vector<CFilterCriteria> m_criteria;

private:
    bool m_loaded = false;
    int m_formatVersion = 0;
    std::string m_version;
    std::string m_deviceType;
    std::string m_date;
    int m_declaredCount = 0;
    int m_incomplete = 0;
};

}  // namespace kalidor
