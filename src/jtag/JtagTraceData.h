// The JTAG trace of a design: every SVF line sent to the interpreter while the trace is on, with
// the line's result, kept until the next Download, Upload, Verify or AutoCal clears it. The trace
// window lists the entries (one row each, the column texts below) and saves them as a .TRC text
// (the SVF lines alone, so that the file runs again as an SVF program) or as XML.
//
// One CJtagTraceData belongs to each CJtagDevice. Views do not copy the entries: they ask for the
// size and the texts of a row, and are told when entries were added or the trace was cleared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

// Entry kinds and their names.
inline constexpr int kTraceTckLow = 0;
inline constexpr int kTraceTckHigh = 1;
inline constexpr int kTraceTckRise = 2;
inline constexpr int kTraceTckFall = 3;
inline constexpr int kTraceSvf = 4;
inline constexpr int kTracePins = 5;  // the four pin levels (the debug dialogs)

inline constexpr const char* kTraceKindNames[] = {"TCK Low", "TCK High", "TCK Rise", "TCK Fall", "SVF"};
inline constexpr const char* kTraceKindUnknown = "--unknown--";

// The columns of the trace window, in order, and the two further column texts of an entry.
inline constexpr int kTraceColumnCount = 7;
inline constexpr const char* kTraceColumnTitles[kTraceColumnCount] = {"Type", "SVF", "SVF_Error", "TCK",
                                                                      "TMS",  "TDI", "TDO"};
inline constexpr const char* kTraceIndexColumnText = "JtagIdxName";
inline constexpr const char* kTraceRegisterColumnText = "JtagRegName";
inline constexpr const char* kTraceResultOk = "OK";
inline constexpr const char* kTraceResultVerifyError = "verify-error";
inline constexpr const char* kTraceInternalError = "-internal error-";

// The saved forms.
inline constexpr const char* kTraceTextHeader = "! Kalidor JtagTrace of SVF program\r\n";
inline constexpr const char* kTraceTextEnd = "<end>\r\n\r\n";
inline constexpr const char* kTraceXmlProlog = "<?xml version=\"1.0\"?>\r\n\r\n";
inline constexpr const char* kTraceXmlRoot = "JtagTraceData";
inline constexpr const char* kTraceXmlEntry = "JtagTraceDataEntry";
inline constexpr const char* kTraceFileFilter = "TRC files (*.TRC) |*.TRC|All Files (*.*)|*.*||";
inline constexpr const char* kTraceXmlFileFilter = "XML files (*.XML)|*.XML|All Files (*.*)|*.*||";

struct CJtagTraceDataEntry {
    int m_version = 1;
    int m_index = 0;
    int m_register = 0;
    int m_kind = kTraceSvf;
    std::string m_svf;  // the SVF line (kind 4)
    int m_result = 0;   // the number of its line result (SvfResultCode; kind 4)
    int m_tck = 0;      // pin levels (kind 5); TCK also 2 (rising) and 3 (falling)
    int m_tms = 0;
    int m_tdi = 0;
    int m_tdo = 0;
    int m_spare = 0;

    // The text of column `column`: 0 the kind, 1 the SVF line, 2 the result ("OK", "verify-error"
    // or the number), 3 to 6 the levels of TCK, TMS, TDI, TDO, 7 and 8 the index and register
    // column names; "-internal error-" for any other column.
    std::string ColumnText(int column) const;
};

// Told of changes to a trace (the trace window).
class CJtagTraceObserver {
public:
    virtual ~CJtagTraceObserver() = default;
    // Entries were appended or the trace was cleared; ask for the size again.
    virtual void OnTraceChanged() = 0;
};

class CJtagTraceData {
public:
    CJtagTraceData() = default;
    CJtagTraceData(const CJtagTraceData&) = delete;
    CJtagTraceData& operator=(const CJtagTraceData&) = delete;

    void AddSvfEntry(const std::string& text, int result);
    void AddPinEntry(int tck, int tms, int tdi, int tdo);
    void Clear();

    std::size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    // The entry at `index` (< Size()).
    const CJtagTraceDataEntry& Entry(std::size_t index) const { return m_entries[index]; }
    // Counts the Clear() calls, so that a view can tell a cleared and refilled trace from a longer one.
    std::uint64_t Generation() const { return m_generation; }

    // The .TRC text: the header comment, every entry's SVF text on a line of its own, "<end>".
    std::string TextForm() const;
    // The XML form: the prolog and the root element holding one element per entry, its fields as
    // child elements named after the columns.
    std::string XmlForm() const;
    // Saved safely (temporary file, then rename); false when the file cannot be written.
    bool SaveText(const std::string& path) const;
    bool SaveXml(const std::string& path) const;

    void AddObserver(CJtagTraceObserver* observer);
    void RemoveObserver(CJtagTraceObserver* observer);

private:
    void Changed();

    std::vector<CJtagTraceDataEntry> m_entries;
    std::uint64_t m_generation = 0;
    std::vector<CJtagTraceObserver*> m_observers;
};

}  // namespace kalidor
