// "export", "import-jedec" and "program-text": the design exports and the JEDEC import, and the
// register programs a download sends, without a window.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "document/Exports.h"
#include "document/SchDoc.h"
#include "document/SpiceExport.h"
#include "jtag/JtagFrame.h"
#include "jtag/JtagRegProgram.h"

namespace kalidor::cli {

namespace {

constexpr const char kExportUsage[] =
    "export: usage: export FILE.ZEL --jedec|--svf|--text|--spice [-o OUT] [--summary] "
    "[--no-idcode-check] [--no-inline-verify]";
constexpr const char kImportUsage[] = "import-jedec: usage: import-jedec FILE.ZEL IN.jed [-o OUT.ZEL]";
constexpr const char kProgramUsage[] =
    "program-text: usage: program-text FILE.ZEL --register N --read|--write|--erase | --idcode "
    "[--no-idcode-check] [--no-inline-verify]";

// The switches a download takes from the programming settings.
void ApplyProgramSwitches(CJtagRegProgram& program, bool idcodeCheck, bool inlineVerify)
{
    program.SetIdcodeCheck(idcodeCheck ? 1 : 0);
    program.SetInlineVerify(inlineVerify ? 1 : 0);
}

bool WriteStdout(const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

}  // namespace

int RunExportCommand(const Args& args)
{
    std::string design, out;
    int format = -1;
    bool summary = false, idcodeCheck = true, inlineVerify = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int f = -1;
        if (a == "--jedec")
            f = kFormatJedec;
        else if (a == "--svf")
            f = kFormatSvf;
        else if (a == "--text")
            f = kFormatText;
        else if (a == "--spice")
            f = kFormatSpice;
        if (f >= 0) {
            if (format >= 0 && format != f)
                return UsageError("export: give one format only");
            format = f;
        } else if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return UsageError("-o needs a file name");
            out = args[++i];
        } else if (a == "--summary") {
            summary = true;
        } else if (a == "--no-idcode-check") {
            idcodeCheck = false;
        } else if (a == "--no-inline-verify") {
            inlineVerify = false;
        } else if (design.empty() && !a.empty() && a[0] != '-') {
            design = a;
        } else {
            return UsageError("export: unknown argument \"" + a + "\"");
        }
    }
    if (design.empty() || format < 0)
        return UsageError(kExportUsage);
    CSchDoc doc;
    if (!doc.OnOpenDocument(design))
        return 1;
    CExportContext context;
    if (!FillExportContext(context, doc))
        return 1;
    // --spice: the Spice model exporter fills the device's model template.
    InstallSpiceModelExporter(context);
    ApplyProgramSwitches(*context.program, idcodeCheck, inlineVerify);
    if (summary)
        FillSummaryTexts(context);

    if (!out.empty())
        return RunExport(context, kExportSchematic, format, out) ? 0 : 1;
    std::string text;
    if (!ComposeSchematicExport(context, format, std::string(), text))
        return 1;
    return WriteStdout(text) ? 0 : 1;
}

int RunImportJedec(const Args& args)
{
    std::string design, jedec, out;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--force") {
            force = true;
        } else if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return UsageError("-o needs a file name");
            out = args[++i];
        } else if (!a.empty() && a[0] != '-' && design.empty()) {
            design = a;
        } else if (!a.empty() && a[0] != '-' && jedec.empty()) {
            jedec = a;
        } else {
            return UsageError("import-jedec: unknown argument \"" + a + "\"");
        }
    }
    if (design.empty() || jedec.empty())
        return UsageError(kImportUsage);
    if (out.empty())
        out = design;

    CSchDoc doc;
    if (!doc.OnOpenDocument(design))
        return 1;
    CExportContext context;
    if (!FillExportContext(context, doc))
        return 1;
    if (!RunImport(context, kExportSchematic, 0, jedec))
        return 1;
    return SaveDesign(doc, out, force) ? 0 : 1;
}

int RunProgramText(const Args& args)
{
    std::string design;
    enum Op { kNone, kRead, kWrite, kErase, kIdcode } op = kNone;
    bool haveRegister = false, idcodeCheck = true, inlineVerify = true;
    int reg = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        Op o = kNone;
        if (a == "--read")
            o = kRead;
        else if (a == "--write")
            o = kWrite;
        else if (a == "--erase")
            o = kErase;
        else if (a == "--idcode")
            o = kIdcode;
        if (o != kNone) {
            if (op != kNone && op != o)
                return UsageError("program-text: give one of --read, --write, --erase, --idcode");
            op = o;
        } else if (a == "--register") {
            if (i + 1 >= args.size() || !ParseInt(args[i + 1], reg))
                return UsageError("--register needs a register number");
            haveRegister = true;
            ++i;
        } else if (a == "--no-idcode-check") {
            idcodeCheck = false;
        } else if (a == "--no-inline-verify") {
            inlineVerify = false;
        } else if (design.empty() && !a.empty() && a[0] != '-') {
            design = a;
        } else {
            return UsageError("program-text: unknown argument \"" + a + "\"");
        }
    }
    if (design.empty() || op == kNone || (op != kIdcode && !haveRegister))
        return UsageError(kProgramUsage);

    CSchDoc doc;
    if (!doc.OnOpenDocument(design))
        return 1;
    CExportContext context;
    if (!FillExportContext(context, doc))
        return 1;
    ApplyProgramSwitches(*context.program, idcodeCheck, inlineVerify);
    CJtagFrame frame(context.program);
    frame.SetChainCounts(context.chain);
    switch (op) {
    case kRead:
        frame.BuildRead(reg);
        break;
    case kWrite:
        frame.BuildWrite(reg);
        break;
    case kErase:
        frame.BuildErase(reg);
        break;
    default:
        frame.BuildIdcode();
        break;
    }
    std::string text;
    for (const std::string& line : frame.Commands()) {
        text += line;
        text += '\n';
    }
    return WriteStdout(text) ? 0 : 1;
}

}  // namespace kalidor::cli
