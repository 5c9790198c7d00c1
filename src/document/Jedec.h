// JEDEC fuse files (JESD3, extension ".jed"): the export of a design's E2 cells for production
// programmers, and the import of such a file back into a design.
//
// The file as written:
//   STX " " <design field: header text> "*" CR LF
//   "QF" <fuse count> "*" CR LF
//   "QP" <pin count> "*" CR LF
//   "L0000 " <every fuse as '0'/'1'> "*" CR LF
//   "C" <fuse checksum, 4+ upper-case hex digits> "*" CR LF
//   ETX <transmission checksum, 4 upper-case hex digits>
// The fuse numbering is the device model's (GetCellFuse), not the cell order; the fuse count is the
// length of the register program's "JEDEC" register.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kalidor {

class DeviceConfig;
class CJtagRegProgram;

// Messages.
inline constexpr std::string_view kMsgJedecZeroFuses =
    "Internal: Number of fuses cannot be zero.  Aborting export";
inline constexpr std::string_view kMsgJedecTooLarge = "Maximum Jedec File size is 16000 characters.";
inline constexpr std::string_view kMsgJedecCoerced =
    "Upload successful, however, Kalidor needed to coerce some entries to be within legal range.";
inline constexpr std::string_view kMsgJedecNoStx =
    "The file is not a JEDEC fuse file: it has no start of text (STX) character.\n"
    "Nothing was imported.";
inline constexpr std::string_view kMsgJedecNoFuseCount =
    "The JEDEC file gives no fuse count (QF field).\nNothing was imported.";
inline constexpr std::string_view kMsgJedecNoFuseData =
    "The JEDEC file holds no fuse data (L field).\nNothing was imported.";
// %1 the file's fuse count, %2 the device type, %3 the fuses the device needs.
inline constexpr std::string_view kMsgJedecTooFewFuses =
    "The JEDEC file has %1 fuses, but a %2 design needs %3.\nNothing was imported.";
inline constexpr std::string_view kMsgJedecFuseCountTooLarge =
    "The fuse count of the JEDEC file is too large.\nNothing was imported.";

// Limits.
constexpr std::size_t kJedecMaxFileSize = 16000;  // characters read from a file
constexpr int32_t kJedecMaxFuses = 100000;        // a larger QF is refused (the largest device has 167)

// The document data the header needs.
struct JedecDocumentInfo {
    std::string title;
    std::string author;
};

// The header text: "Kalidor  Design", "Title: <title> " and "Author: <author> ", each ended by
// CR LF. Characters that would end the design field or the transmission early ('*', STX, ETX)
// are left out of the title and author.
std::string JedecHeaderText(const JedecDocumentInfo& info);

// The JESD3 fuse checksum of `fuses` (each 0 or 1): fuse 8k+j is bit j of word k, words summed.
uint32_t JedecFuseChecksum(const std::vector<uint8_t>& fuses);
// The JESD3 transmission checksum: the sum of all bytes from STX through ETX, modulo 65536.
uint32_t JedecTransmissionChecksum(std::string_view stxToEtx);

class CJedecImage {
public:
    // Fuse count QF, pin count QP, default fuse state from an F field (-1 when none was read) and
    // the fuse checksum of the last Format.
    int32_t m_fuseCount = 0;
    int32_t m_pinCount = 0;
    int32_t m_defaultFuse = -1;
    uint32_t m_fuseChecksum = 0;

    // Allocates `count` fuses, all 0 and none marked as set by the file. False (and no fuses) for
    // a negative count or one above kJedecMaxFuses.
    bool Allocate(int32_t count);
    // Fuse n (0 or 1), or -1 when n is not below the fuse count.
    int GetFuse(int32_t n) const;
    // Sets fuse n (any non-zero value stores 1); ignored beyond the fuse count.
    void SetFuse(int32_t n, int value);
    // True when an L field of the parsed file gave fuse n.
    bool FuseGiven(int32_t n) const;
    int32_t FusesGiven() const { return m_fusesGiven; }

    // Composes the whole file text with `header` as the design field; computes m_fuseChecksum.
    std::string Format(const std::string& header);

    // Reads the fields of a JEDEC text (bounded by its length; never fails). Returns false when no
    // STX was found. Afterwards: m_fuseCount/m_pinCount/m_defaultFuse as read, the fuses as given
    // by L fields (the others 0), SawFuseCount() whether a QF field was read.
    bool Parse(std::string_view text);
    bool SawFuseCount() const { return m_sawQf; }
    bool FuseCountTooLarge() const { return m_qfTooLarge; }

private:
    std::vector<uint8_t> m_fuses;
    std::vector<uint8_t> m_given;
    int32_t m_fusesGiven = 0;
    bool m_sawQf = false;
    bool m_qfTooLarge = false;
};

// Composes the JEDEC text of the design into `out`. Shows kMsgJedecZeroFuses and returns false
// when the register program gives no fuses.
bool ComposeJedec(DeviceConfig& device, CJtagRegProgram& program, const JedecDocumentInfo& info,
                  std::string& out);
// Composes and writes the file text to `out`; false when nothing was written or the stream failed.
bool ExportJedec(std::ostream& out, DeviceConfig& device, CJtagRegProgram& program,
                 const JedecDocumentInfo& info);

// Reads a JEDEC text into the E2 cells of the design. A text longer than kJedecMaxFileSize shows
// kMsgJedecTooLarge and only its first kJedecMaxFileSize characters are read. A text without STX,
// without QF, without any fuse data, or with fewer fuses than the design needs changes nothing and
// shows why. Fuses that no L field gives take the F field's default (0 without one). When `coerce`
// is set, out-of-range symbol values are then brought into range (CoerceSymbols) and, when any
// was, kMsgJedecCoerced is shown; a document that coerces on its own passes false.
// Returns 0 when the cells were read, -1 when nothing was imported.
int ImportJedecText(std::string_view text, DeviceConfig& device, CJtagRegProgram& program,
                    bool coerce = true);
// As ImportJedecText, reading at most kJedecMaxFileSize characters of `in` (and noticing a longer
// file) so that a file of any size is handled without reading it whole.
int ImportJedec(std::istream& in, DeviceConfig& device, CJtagRegProgram& program,
                bool coerce = true);

}  // namespace kalidor
