#include "document/Exports.h"

#include <fstream>
#include <new>
#include <ostream>
#include <sstream>
#include <sys/stat.h>

#include "device/DeviceConfig.h"
#include "document/Jedec.h"
#include "document/SchDoc.h"
#include "jtag/JtagRegProgram.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "view/DeviceSchematic.h"

namespace kalidor {

namespace {

constexpr std::string_view kMessageCaption = "Kalidor";

// File dialog filters.
constexpr std::string_view kFilterJedec = "Jedec Files (*.jed)|*.jed|All Files (*.*)|*.*||";
constexpr std::string_view kFilterSvf = "SVF Files (*.svf)|*.svf|All Files (*.*)|*.*||";
constexpr std::string_view kFilterText = "Schematic Files (*.txt)|*.txt|All Files (*.*)|*.*||";
constexpr std::string_view kFilterSpice = "Spice Model (*.lib)|*.lib|All Files (*.*)|*.*||";
constexpr std::string_view kFilterPlot = "Text Files (*.csv)|*.csv|All Files (*.*)|*.*||";

// Summary block labels.
constexpr std::string_view kLabelTitle = "Title:";
constexpr std::string_view kLabelSubject = "Subject:";
constexpr std::string_view kLabelAuthor = "Author:";
constexpr std::string_view kLabelKeywords = "Keywords:";
constexpr std::string_view kLabelComments = "Comments:";

const std::array<CExportKind, kExportKindCount> kChoiceTable = {{
    {"Schematic",
     "Schematic",
     {"JEDEC File", kFilterJedec, "jed"},
     {{{"JEDEC File", kFilterJedec, "jed"},
       {"Serial Vector Format (SVF)", kFilterSvf, "svf"},
       {"Formatted Text", kFilterText, "txt"},
       {"Spice Model", kFilterSpice, "lib"}}}},
    {"Plot",
     "Plot Data",
     {"Gain/Phase Data", kFilterPlot, "csv"},
     {{{"Delimited with Comma", kFilterPlot, "csv"},
       {"Delimited with Semicolon", kFilterPlot, "csv"},
       {"Delimited with Tab", kFilterPlot, "csv"},
       {"Delimited with Space", kFilterPlot, "csv"}}}},
}};

void Show(std::string_view text, MessageIcon icon = MessageIcon::Error)
{
    CurrentPrompter().Message(std::string(text), std::string(kMessageCaption), Buttons::Ok, icon);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One summary line: the label padded, then the text; further lines of the text are indented to
// the same column so that every line of the block stays one line of the file.
void SummaryLine(std::string& out, std::string_view label, std::string_view text)
{
    out += PadExportName(std::string(label));
    std::size_t from = 0;
    bool first = true;
    while (true) {
        std::size_t end = text.find_first_of("\r\n", from);
        const std::string_view piece =
            text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
        if (!first)
            out.append(kTextNameWidth, ' ');
        out += piece;
        out += "\r\n";
        first = false;
        if (end == std::string_view::npos)
            break;
        if (end + 1 < text.size() && (text[end + 1] == '\r' || text[end + 1] == '\n') &&
            text[end + 1] != text[end])
            ++end;
        from = end + 1;
        if (from >= text.size())
            break;
    }
}

bool WriteAll(std::ostream& out, const std::string& text)
{
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

// Writes an export file. A regular file (or a new one, also through a symbolic link) is replaced
// only once the whole text is on disk; a device or pipe is written through, so that it is never
// replaced.
bool WriteExportFile(const std::string& path, const std::string& text)
{
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        if (!f)
            return false;
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
        f.flush();
        return static_cast<bool>(f);
    }
    return WriteFileAtomically(path, text);
}

}  // namespace

// ------------------------------------------------------------------ choice table

const std::array<CExportKind, kExportKindCount>& ExportChoiceTable() { return kChoiceTable; }

const CExportFormat* FindExportFormat(int kind, int format, bool import)
{
    if (kind < 0 || kind >= kExportKindCount)
        return nullptr;
    if (import)
        return format == 0 ? &kChoiceTable[kind].importFormat : nullptr;
    if (format < 0 || format >= kExportFormatCount)
        return nullptr;
    return &kChoiceTable[kind].exportFormats[format];
}

CExportDialogTexts ExportDialogTexts(bool import)
{
    if (import)
        return {kImportCaption, kImportWhatLabel, kImportFromLabel};
    return {kExportCaption, kExportWhatLabel, kExportToLabel};
}

bool AcceptExportChoice(const CExportChoice& choice, bool import)
{
    if ((import || choice.destination == kDestinationFile) && choice.fileName.empty()) {
        Show(kMsgFilenameRequired, MessageIcon::Warning);
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ clipboard

bool PutTextOnClipboard(CExportClipboard& clipboard, std::string_view text)
{
    if (!clipboard.Open()) {
        Show(kMsgClipboardOpen);
        return false;
    }
    bool ok = true;
    if (!clipboard.Empty()) {
        Show(kMsgClipboardEmpty);
        ok = false;
    } else {
        CExportClipboard::SetResult r = CExportClipboard::SetResult::kAllocFailed;
        try {
            r = clipboard.SetText(text);
        } catch (const std::bad_alloc&) {
            r = CExportClipboard::SetResult::kAllocFailed;
        }
        switch (r) {
        case CExportClipboard::SetResult::kOk:
            break;
        case CExportClipboard::SetResult::kAllocFailed:
            Show(kMsgClipboardAlloc);
            ok = false;
            break;
        case CExportClipboard::SetResult::kLockFailed:
            Show(kMsgClipboardLock);
            ok = false;
            break;
        case CExportClipboard::SetResult::kSetFailed:
            Show(kMsgClipboardSet);
            ok = false;
            break;
        }
    }
    if (!clipboard.Close()) {
        Show(kMsgClipboardClose);
        ok = false;
    }
    return ok;
}

// ------------------------------------------------------------------ context

CExportContext::CExportContext() = default;
CExportContext::~CExportContext() = default;

bool FillExportContext(CExportContext& context, CSchDoc& doc, CJtagRegProgram* program)
{
    context.doc = &doc;
    context.schematic = doc.Schematic();
    context.device = doc.Device();
    context.summary = &doc.Summary();
    if (CSimulationSetup* setup = doc.Simulation())
        context.simulationText = [setup] { return setup->WriteTextBlock(); };
    context.ownedProgram.reset();
    context.program = program;
    if (!context.device)
        return false;
    if (!context.program) {
        context.ownedProgram = CreateRegProgram(doc.GetDeviceType());
        if (context.ownedProgram)
            context.ownedProgram->SetDevice(context.device);
        context.program = context.ownedProgram.get();
    }
    return context.program != nullptr;
}

void FillSummaryTexts(CExportContext& context)
{
    if (!context.summary)
        return;
    context.title = context.summary->GetTitle();
    context.subject = context.summary->GetSubject();
    context.author = context.summary->GetAuthor();
    context.keywords = context.summary->GetKeywords();
    context.comments = context.summary->GetComments();
}

// ------------------------------------------------------------------ text helpers

std::string NormalizeExportName(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1]))
        --last;
    if (first == last)
        return "_";
    std::string out;
    out.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) {
        if (IsBlank(text[i])) {
            out += '_';
            while (i + 1 < last && IsBlank(text[i + 1]))
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string PadExportName(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

// ------------------------------------------------------------------ exporters

std::string SvfHeaderText(const std::string& deviceType, const std::string& pathName)
{
    std::string out(kSvfExportTitle);
    out += "! ";
    out += deviceType;
    out += kSvfExportPurpose;
    if (!pathName.empty()) {
        out += kSvfExportFileLead;
        out += pathName;
        out += kSvfExportFileEnd;
    }
    return out;
}

bool ExportSvfHeader(std::ostream& out, const CExportContext& context)
{
    if (!context.doc)
        return false;
    return WriteAll(out, SvfHeaderText(context.doc->GetDeviceType(), context.doc->GetPathName()));
}

bool ExportSvf(std::ostream& out, CExportContext& context)
{
    if (!context.doc || !context.program)
        return false;
    CJtagFrame frame(context.program);
    frame.SetChainCounts(context.chain);
    return ExportSvfHeader(out, context) && frame.WriteSvfProgram(out);
}

std::string FormattedText(const CExportContext& context)
{
    std::string out;
    if (context.doc && !context.doc->GetPathName().empty()) {
        out += PadExportName(NormalizeExportName(context.doc->GetPathName()));
        out += "\r\n";
    }
    if (!context.title.empty() || !context.subject.empty() || !context.author.empty() ||
        !context.keywords.empty() || !context.comments.empty()) {
        out += kTextBeginSummary;
        SummaryLine(out, kLabelTitle, context.title);
        SummaryLine(out, kLabelSubject, context.subject);
        SummaryLine(out, kLabelAuthor, context.author);
        SummaryLine(out, kLabelKeywords, context.keywords);
        SummaryLine(out, kLabelComments, context.comments);
        out += kTextEndSummary;
    }
    out += kTextBeginSchematic;
    if (context.schematic) {
        for (int key = 0; key < CSchematic::kSlotCount; ++key) {
            const CSymbol* s = context.schematic->GetSymbol(key);
            if (!s || !s->IsValid())
                continue;
            out += PadExportName(NormalizeExportName(s->GetFullName()));
            out += kTextValueSeparator;
            out += s->GetValueText();  // as it is: a value of two lines stays two lines
            out += "\r\n";
        }
    }
    out += kTextEndSchematic;
    if (context.simulationText)
        out += context.simulationText();
    return out;
}

bool ExportFormattedText(std::ostream& out, const CExportContext& context)
{
    return WriteAll(out, FormattedText(context));
}

bool ExportJedecFile(std::ostream& out, CExportContext& context)
{
    if (!context.device || !context.program)
        return false;
    JedecDocumentInfo info;
    if (context.summary) {
        info.title = context.summary->GetTitle();
        info.author = context.summary->GetAuthor();
    }
    return ExportJedec(out, *context.device, *context.program, info);
}

bool ComposeSchematicExport(CExportContext& context, int format, const std::string& fileName,
                            std::string& out)
{
    std::ostringstream memory(std::ios::binary);
    bool ok = false;
    switch (format) {
    case kFormatJedec:
        ok = ExportJedecFile(memory, context);
        break;
    case kFormatSvf:
        ok = ExportSvf(memory, context);
        break;
    case kFormatText:
        ok = ExportFormattedText(memory, context);
        break;
    case kFormatSpice:
        if (!context.spiceExporter) {
            Show(kMsgSpiceUnavailable, MessageIcon::Information);
            return false;
        }
        ok = context.spiceExporter(memory, context, fileName);
        break;
    default:
        return false;
    }
    if (!ok)
        return false;
    out = std::move(memory).str();
    return true;
}

// ------------------------------------------------------------------ routing

bool RunExport(CExportContext& context, int kind, int format, const std::string& fileName,
               CExportClipboard* clipboard)
{
    if (kind == kExportPlot) {
        if (!context.plotExport) {
            Show(kMsgPlotExportUnavailable, MessageIcon::Information);
            return false;
        }
        return context.plotExport(format, fileName, fileName.empty() ? clipboard : nullptr);
    }
    if (kind != kExportSchematic || !FindExportFormat(kind, format, false))
        return false;
    std::string text;
    if (!ComposeSchematicExport(context, format, fileName, text))
        return false;
    if (!fileName.empty()) {
        if (!WriteExportFile(fileName, text)) {
            Show(kMsgFileNotOpened);
            return false;
        }
        return true;
    }
    if (!clipboard) {
        Show(kMsgClipboardOpen);
        return false;
    }
    return PutTextOnClipboard(*clipboard, text);
}

bool ImportJedecIntoDocument(CExportContext& context, std::istream& in)
{
    if (!context.device || !context.program)
        return false;
    // The document coerces and reports on its own, so the import itself does not.
    if (ImportJedec(in, *context.device, *context.program, false) != 0)
        return false;
    if (context.doc) {
        context.doc->SetModifiedFlag(true);
        context.doc->CoerceAfterUpload();
        context.doc->RefreshValueTexts();
        context.doc->UpdateAllViews(kHintSymbolEdited);
    } else {
        if (context.device->CoerceSymbols() > 0)
            Show(kMsgJedecCoerced, MessageIcon::Information);
    }
    return true;
}

bool RunImport(CExportContext& context, int kind, int format, const std::string& fileName)
{
    if (kind == kExportPlot) {
        if (!context.plotImport) {
            Show(kMsgPlotImportUnavailable, MessageIcon::Information);
            return false;
        }
        return context.plotImport(fileName);
    }
    if (kind != kExportSchematic || format != 0)
        return false;
    std::ifstream in;
    struct stat st {};
    // A directory opens as a stream on some systems but reads nothing; it is no file.
    if (stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        in.open(fileName, std::ios::binary);
    if (!in.is_open()) {
        Show(kMsgFileNotOpened);
        return false;
    }
    return ImportJedecIntoDocument(context, in);
}

bool RunExportChoice(CExportContext& context, const CExportChoice& choice, bool import,
                     CExportClipboard* clipboard)
{
    if (!AcceptExportChoice(choice, import))
        return false;
    if (import)
        return RunImport(context, choice.kind, choice.format, choice.fileName);
    const std::string name = choice.destination == kDestinationFile ? choice.fileName : std::string();
    return RunExport(context, choice.kind, choice.format, name, clipboard);
}

}  // namespace kalidor
