// "new", "show" and "set": creating, reading and editing design files.
#include <cstdio>
#include <cstdlib>

#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "view/DeviceSchematic.h"

namespace kalidor::cli {

bool OpenDesign(CSchDoc& doc, const std::string& path)
{
    return doc.OnOpenDocument(path);
}

int RunNew(const Args& args)
{
    std::string type, out;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            out = args[++i];
        else if (args[i] == "--force")
            force = true;
        else if (type.empty() && args[i].rfind("-", 0) != 0)
            type = args[i];
        else
            return UsageError("new: unknown argument \"" + args[i] + "\"");
    }
    if (type.empty() || out.empty())
        return UsageError("new: usage: new TYPE -o FILE.ZEL [--force]");
    if (!IsDeviceTypeName(type))
        return UsageError("unknown device type \"" + type + "\"");
    CSchDoc doc;
    if (!doc.OnNewDocument(type))
        return 1;
    return SaveDesign(doc, out, force) ? 0 : 1;
}

int RunShow(const Args& args)
{
    if (args.size() != 1)
        return UsageError("show: usage: show FILE.ZEL");
    CSchDoc doc;
    if (!OpenDesign(doc, args[0]))
        return 1;
    const CSummaryInfo& s = doc.Summary();
    std::printf("Device type:\t%s\n", doc.GetDeviceType().c_str());
    std::printf("Format version:\t%d\n", doc.GetFormatVersion());
    std::printf("Title:\t%s\n", s.GetTitle().c_str());
    std::printf("Subject:\t%s\n", s.GetSubject().c_str());
    std::printf("Author:\t%s\n", s.GetAuthor().c_str());
    std::printf("Keywords:\t%s\n", s.GetKeywords().c_str());
    std::printf("Comments:\t%s\n", EscapeLineEnds(s.GetComments()).c_str());
    CDeviceSchematic* schematic = doc.Schematic();
    for (int key = 0; key < CSchematic::kSlotCount; ++key) {
        const CSymbol* sym = schematic->GetSymbol(key);
        if (!sym || !sym->IsValid())
            continue;
        std::printf("%d\t%s\t%d\t%s\n", key, sym->GetFullName().c_str(),
                    doc.Device()->GetSymValue(key), EscapeLineEnds(sym->GetValueText()).c_str());
    }
    return 0;
}

int RunSet(const Args& args)
{
    if (args.empty())
        return UsageError("set: usage: set FILE.ZEL KEY=VALUE ... [--title T] [--author A] [-o OUT.ZEL] [--force]");
    CSchDoc doc;
    if (!OpenDesign(doc, args[0]))
        return 1;
    std::string out = args[0];
    CSummaryInfo summary = doc.Summary();
    bool summaryChanged = false;
    bool force = false;
    DeviceConfig& device = *doc.Device();
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "-o") {
            if (!next(out))
                return UsageError("-o needs a file name");
        } else if (a == "--force") {
            force = true;
        } else if (a == "--title" || a == "--author" || a == "--subject" || a == "--keywords" ||
                   a == "--comments") {
            if (!next(v))
                return UsageError(a + " needs a text");
            if (a == "--title")
                summary.SetTitle(v);
            else if (a == "--author")
                summary.SetAuthor(v);
            else if (a == "--subject")
                summary.SetSubject(v);
            else if (a == "--keywords")
                summary.SetKeywords(v);
            else
                summary.SetComments(v);
            summaryChanged = true;
        } else {
            // KEY=VALUE, gain:KEY=GAIN or cap:KEY=PICOFARADS
            std::string pair = a;
            enum { kPlain, kGain, kCap } kind = kPlain;
            if (pair.rfind("gain:", 0) == 0) {
                kind = kGain;
                pair = pair.substr(5);
            } else if (pair.rfind("cap:", 0) == 0) {
                kind = kCap;
                pair = pair.substr(4);
            }
            const size_t eq = pair.find('=');
            int key = 0;
            if (eq == std::string::npos || !ParseInt(pair.substr(0, eq), key))
                return UsageError("malformed setting \"" + a + "\" (expected KEY=VALUE, gain:KEY=G or cap:KEY=PF)");
            if (device.IsSimulationOnly(key))
                return UsageError("key " + std::to_string(key) + " of " + doc.GetDeviceType() +
                                  " is a pin state for the simulation only and is not kept in a design file; "
                                  "give it to simulate or plot as --pin " + std::to_string(key) + "=VALUE");
            if (!device.HasRecord(key))
                return UsageError("device " + doc.GetDeviceType() + " has no symbol key " + std::to_string(key));
            const std::string valueText = pair.substr(eq + 1);
            if (kind == kCap) {
                char* end = nullptr;
                const double pf = std::strtod(valueText.c_str(), &end);
                if (valueText.empty() || *end != '\0' || pf < 0 || pf > 1e6)
                    return UsageError("malformed capacitance \"" + valueText + "\" (picofarads)");
                doc.SetCapValue(key, pf * 1e-12);
            } else {
                int value = 0;
                if (!ParseInt(valueText, value))
                    return UsageError("malformed value \"" + valueText + "\"");
                if (kind == kGain)
                    doc.SetGainValue(key, value);
                else
                    doc.SetSymValue(key, value);
            }
        }
    }
    if (summaryChanged)
        doc.SetSummary(summary);
    return SaveDesign(doc, out, force) ? 0 : 1;
}

}  // namespace kalidor::cli
