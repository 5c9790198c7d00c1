// Import and export of designs: the choices of the File menu's Import... and Export... dialog, the
// routing of its result to the exporters and importers, the SVF export (a header, then exactly the
// command list a download sends), the formatted text export, and the clipboard path.
//
// Two kinds of data are offered: the schematic (kind 0) and the plot (kind 1). A schematic is
// exported as a JEDEC fuse file, an SVF program, formatted text or a Spice model, and imported from
// a JEDEC file; the plot's formats belong to the plot, reached through hooks of the context. An
// export goes to a file or, as plain text, to the clipboard; an import comes from a file.
#pragma once

#include "platform/CommonMessages.h"

#include <array>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "jtag/JtagFrame.h"

namespace kalidor {

class CJtagRegProgram;
class CSchDoc;
class CSchematic;
class CSummaryInfo;
class DeviceConfig;

// --- messages (and those of platform/CommonMessages.h) ---
inline constexpr std::string_view kMsgFilenameRequired = "Filename is required for Export/Import to file";
// Shown when the Spice model exporter is not part of this build (no exporter installed).
inline constexpr std::string_view kMsgSpiceUnavailable =
    "Spice model export is not available in this version of Kalidor.\nNothing was exported.";
// Shown when a plot export or import is asked for but no plot is attached to the context.
inline constexpr std::string_view kMsgPlotExportUnavailable =
    "There is no plot to export for this design.\nNothing was exported.";
inline constexpr std::string_view kMsgPlotImportUnavailable =
    "There is no plot to import into for this design.\nNothing was imported.";

// --- dialog texts ---
inline constexpr std::string_view kExportCaption = "Export";
inline constexpr std::string_view kExportWhatLabel = "Export What:";
inline constexpr std::string_view kExportToLabel = "Export To:";
inline constexpr std::string_view kImportCaption = "Import";
inline constexpr std::string_view kImportWhatLabel = "Import What:";
inline constexpr std::string_view kImportFromLabel = "Import From:";
inline constexpr std::string_view kFormatListLabel = "In this forma&t:";
inline constexpr std::string_view kDestinationGroupLabel = "To Where:";
inline constexpr std::string_view kFileLabel = "&File:";
inline constexpr std::string_view kBrowseLabel = "&Browse...";
inline constexpr std::string_view kClipboardLabel = "Cli&pboard";

// --- SVF export header ---
inline constexpr std::string_view kSvfExportTitle = "! Kalidor SVF Export\r\n";
// "! " + device type + kSvfExportPurpose
inline constexpr std::string_view kSvfExportPurpose = " IDCODE Check, Download and Verify \r\n! \r\n";
// kSvfExportFileLead + design file path + kSvfExportFileEnd
inline constexpr std::string_view kSvfExportFileLead = "! File: ";
inline constexpr std::string_view kSvfExportFileEnd = "\r\n! \r\n";

// --- formatted text ---
inline constexpr std::string_view kTextBeginSchematic = "BeginSchematic\r\n";
inline constexpr std::string_view kTextEndSchematic = "EndSchematic\r\n";
inline constexpr std::string_view kTextBeginSummary = "BeginSummaryInfo\r\n";
inline constexpr std::string_view kTextEndSummary = "EndSummaryInfo\r\n";
inline constexpr std::string_view kTextValueSeparator = " = ";
constexpr std::size_t kTextNameWidth = 27;

// --- the choice table ---
enum ExportKind : int { kExportSchematic = 0, kExportPlot = 1 };
enum SchematicFormat : int { kFormatJedec = 0, kFormatSvf = 1, kFormatText = 2, kFormatSpice = 3 };
enum ExportDestination : int { kDestinationFile = 0, kDestinationClipboard = 1 };

constexpr int kExportKindCount = 2;
constexpr int kExportFormatCount = 4;

struct CExportFormat {
    std::string_view name;       // the format list's text
    std::string_view filter;     // as passed to the file dialog
    std::string_view extension;  // the first pattern's extension, without the dot
};

struct CExportKind {
    std::string_view name;      // "Schematic", "Plot"
    std::string_view listText;  // the kind list's text
    CExportFormat importFormat;
    std::array<CExportFormat, kExportFormatCount> exportFormats;
};

// Both kinds, schematic first.
const std::array<CExportKind, kExportKindCount>& ExportChoiceTable();
// The format of a kind in export or import mode; nullptr for a kind or format out of range (import
// has format 0 only).
const CExportFormat* FindExportFormat(int kind, int format, bool import);

struct CExportDialogTexts {
    std::string_view caption;
    std::string_view whatLabel;
    std::string_view toLabel;
};
CExportDialogTexts ExportDialogTexts(bool import);

// The dialog's result.
struct CExportChoice {
    int kind = kExportSchematic;
    int format = 0;
    ExportDestination destination = kDestinationFile;
    std::string fileName;
};

// The check the dialog makes on OK: a file destination (an import always reads a file) with an
// empty name shows kMsgFilenameRequired and returns false (the dialog stays open).
bool AcceptExportChoice(const CExportChoice& choice, bool import);

// --- clipboard ---
// The host's clipboard (the desktop program implements it; tests record). Each step reports
// whether it worked; PutTextOnClipboard shows the messages.
class CExportClipboard {
public:
    enum class SetResult { kOk, kAllocFailed, kLockFailed, kSetFailed };
    virtual ~CExportClipboard() = default;
    virtual bool Open() = 0;
    virtual bool Empty() = 0;
    // Puts `text` on the clipboard as plain text.
    virtual SetResult SetText(std::string_view text) = 0;
    virtual bool Close() = 0;
};

// Opens, empties, sets the text and closes. A failing step shows its message and ends the
// operation; a clipboard that was opened is closed again whatever failed after it. True when the
// text is on the clipboard and the clipboard was closed.
bool PutTextOnClipboard(CExportClipboard& clipboard, std::string_view text);

// --- the context of one import or export ---
struct CExportContext;

// The Spice model exporter: writes the model of the design to `out`; `fileName` is the export's
// file name ("" for the clipboard), from which the model name is taken. False when nothing was
// exported (it has told the user why).
using SpiceModelExporter = bool (*)(std::ostream& out, CExportContext& context,
                                    const std::string& fileName);

struct CExportContext {
    CSchDoc* doc = nullptr;
    CSchematic* schematic = nullptr;   // the symbols of the schematic block
    DeviceConfig* device = nullptr;
    CJtagRegProgram* program = nullptr;   // the document's register program
    const CSummaryInfo* summary = nullptr;
    // The device's place in its JTAG chain (all 0 for a single device), as a download frames it.
    CJtagChainCounts chain;

    // The design name and the five summary texts of the formatted text's summary block: they start
    // empty, and the block is written only when one of the five is not.
    std::string designName;
    std::string title;
    std::string subject;
    std::string author;
    std::string keywords;
    std::string comments;

    // The plot's parts. simulationText gives the simulation setup block of the formatted text
    // ("\r\nBeginSimulationSetup\r\n" ... "EndSimulationSetup\r\n"); FillExportContext takes it
    // from the document's setup, and without one the block is left out. plotExport writes the gain/phase data with delimiter choice `format` to the file (or,
    // for an empty name, to the clipboard); plotImport reads such a file.
    std::function<std::string()> simulationText;
    std::function<bool(int format, const std::string& fileName, CExportClipboard* clipboard)> plotExport;
    std::function<bool(const std::string& fileName)> plotImport;
    // The Spice format's exporter, installed by whoever sets the context up; without one the
    // Spice format shows kMsgSpiceUnavailable.
    SpiceModelExporter spiceExporter = nullptr;

    // A register program the context made because the caller had none.
    std::unique_ptr<CJtagRegProgram> ownedProgram;

    CExportContext();
    ~CExportContext();
    CExportContext(const CExportContext&) = delete;
    CExportContext& operator=(const CExportContext&) = delete;
};

// Fills the context from the document: document, schematic, device model, summary, the
// simulation setup block of the document's setup, and `program` (or, when it is null, a register
// program of the device type made for the context). The six strings stay as they are. False when
// the document holds no design.
bool FillExportContext(CExportContext& context, CSchDoc& doc, CJtagRegProgram* program = nullptr);
// Copies the document's current summary into the context's five summary texts.
void FillSummaryTexts(CExportContext& context);

// --- text helpers ---
// Leading blanks and tabs dropped, trailing ones removed, each inner run of blanks and tabs
// replaced by one '_'; a text of blanks only (or none) becomes "_".
std::string NormalizeExportName(std::string_view text);
// `text` followed by blanks up to `width` characters (unchanged when it is already as long).
std::string PadExportName(std::string text, std::size_t width = kTextNameWidth);

// --- the exporters (each writes into `out`) ---
// The SVF header: the title line, the device line, and the design file's path when there is one.
std::string SvfHeaderText(const std::string& deviceType, const std::string& pathName);
bool ExportSvfHeader(std::ostream& out, const CExportContext& context);
// The header, then the framed write program of register -4 ("ALL"): what a download sends.
bool ExportSvf(std::ostream& out, CExportContext& context);
// The path line, the summary block (when it has text), the schematic block and the simulation
// setup block.
std::string FormattedText(const CExportContext& context);
bool ExportFormattedText(std::ostream& out, const CExportContext& context);
// The JEDEC fuse file of the design.
bool ExportJedecFile(std::ostream& out, CExportContext& context);

// Composes schematic format `format` into `out` (the memory file of a clipboard export); false
// when nothing was composed (the user has been told why).
bool ComposeSchematicExport(CExportContext& context, int format, const std::string& fileName,
                            std::string& out);

// --- routing of the dialog's result ---
// Kind 1: the plot's export with `format` as the delimiter choice. Kind 0: composes the format
// and writes it to `fileName` (replacing the file only once the whole text is written) or, for
// an empty name, puts it on `clipboard`. True when the export was delivered.
bool RunExport(CExportContext& context, int kind, int format, const std::string& fileName,
               CExportClipboard* clipboard = nullptr);
// Kind 1: the plot's import. Kind 0, format 0: reads the JEDEC file into the design's E2 cells,
// then brings out-of-range symbol values into range (telling the user when any was). True when
// the cells were read.
bool RunImport(CExportContext& context, int kind, int format, const std::string& fileName);
// The JEDEC import of RunImport from an open stream.
bool ImportJedecIntoDocument(CExportContext& context, std::istream& in);

// Runs the choice of an accepted dialog.
bool RunExportChoice(CExportContext& context, const CExportChoice& choice, bool import,
                     CExportClipboard* clipboard = nullptr);

}  // namespace kalidor
