// "chain": JTAG chain files from the command line. The subcommands make a chain, add, list,
// remove and rename its devices, take an embedded design out or put one in, program one member
// through a cable and propose a chain from what a cable finds ("chain program" and "chain
// scan", in ProgramCommands.cpp beside "program").
#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "device/DeviceKind.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"

namespace kalidor::cli {

namespace {

constexpr const char kChainUsage[] =
    "chain: usage: chain new -o FILE.ZJC | add FILE.ZJC TYPE|foreign:IR [--name N] [--at POS] | list FILE.ZJC |\n"
    "       remove FILE.ZJC NAME | rename FILE.ZJC NAME NEW | extract FILE.ZJC NAME -o DESIGN.ZEL |\n"
    "       embed FILE.ZJC NAME DESIGN.ZEL | program FILE.ZJC NAME --cable SPEC --download|... |\n"
    "       scan --cable SPEC [-o FILE.ZJC] [--ir POS=LENGTH ...]\n"
    "       (the commands that write take --force to replace a read-only file)";

// Opens a chain file, or says why not (the chain's own message is on stderr).
bool OpenChain(CJTAGDoc& chain, const std::string& path)
{
    return chain.OnOpenDocument(path);
}

// A read-only chain file is refused unless `force`.
int SaveChain(CJTAGDoc& chain, const std::string& path, bool force)
{
    return chain.OnSaveDocument(path, ReadOnlyMode(force)) ? 0 : 1;
}

int FindDevice(const CJTAGDoc& chain, const std::string& name)
{
    const int index = chain.FindElement(name);
    if (index < 0 || chain.GetElement(index)->IsTerminal()) {
        UsageError("chain: the chain has no device named \"" + name + "\"");
        return -1;
    }
    return index;
}

int ChainNew(const Args& args, bool force)
{
    if (args.size() != 2 || args[0] != "-o") return UsageError("chain new: usage: chain new -o FILE.ZJC");
    CJTAGDoc chain;
    return SaveChain(chain, args[1], force);
}

int ChainAdd(const Args& args, bool force)
{
    std::string file, what, name;
    int at = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--name" && i + 1 < args.size()) {
            name = args[++i];
        } else if (a == "--at" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], at) || at < 1) return UsageError("chain add: --at takes a position from 1");
        } else if (a.rfind("-", 0) != 0 && (file.empty() || what.empty())) {
            (file.empty() ? file : what) = a;
        } else {
            return UsageError("chain add: unknown argument \"" + a + "\"");
        }
    }
    if (file.empty() || what.empty())
        return UsageError("chain add: usage: chain add FILE.ZJC TYPE|foreign:IR [--name N] [--at POS]");
    int ir = 0;
    const bool foreign = what.rfind("foreign:", 0) == 0;
    if (foreign) {
        std::string irText = what.substr(8);
        irText = irText.substr(0, irText.find(':'));  // an IDCODE after the length is the cable's business
        if (!ParseInt(irText, ir) || ir < 1 || ir > kMaxChainIrLength)
            return UsageError("chain add: foreign:IR takes an IR length of 1 to " + std::to_string(kMaxChainIrLength));
    } else if (!IsDeviceTypeName(what)) {
        return UsageError("unknown device type \"" + what + "\"");
    }
    CJTAGDoc chain;
    if (!OpenChain(chain, file)) return 1;
    if (at > chain.GetCount() - 1) return UsageError("chain add: --at " + std::to_string(at) + " is past [Chain TDO]");
    const int position = at < 0 ? chain.GetCount() - 1 : at;
    if (name.empty()) name = chain.ProposeName(foreign ? kForeignNameBase : kDeviceNameBase);
    const int index = foreign ? chain.InsertForeignDevice(position, name, ir) : chain.InsertZelDevice(position, name, what);
    if (index < 0) return 1;
    if (int r = SaveChain(chain, file, force); r != 0) return r;
    std::printf("%s added at %d\n", name.c_str(), index);
    return 0;
}

int ChainList(const Args& args)
{
    if (args.size() != 1) return UsageError("chain list: usage: chain list FILE.ZJC");
    CJTAGDoc chain;
    if (!OpenChain(chain, args[0])) return 1;
    std::printf("#\tName\tDeviceType\tIR_Length\tHIR_Sum\tTIR_Sum\tHDR_Sum\tTDR_Sum\n");
    for (int i = 0; i < chain.GetCount(); ++i) {
        const CJtagChainElement* e = chain.GetElement(i);
        std::printf("%d\t%s\t%s\t%d\t%d\t%d\t%d\t%d\n", i, e->GetName().c_str(), e->GetDeviceType().c_str(),
                    e->GetIR_Length(), e->GetHIR_Sum(), e->GetTIR_Sum(), e->GetHDR_Sum(), e->GetTDR_Sum());
    }
    return 0;
}

int ChainRemove(const Args& args, bool force)
{
    if (args.size() != 2) return UsageError("chain remove: usage: chain remove FILE.ZJC NAME");
    CJTAGDoc chain;
    if (!OpenChain(chain, args[0])) return 1;
    const int index = FindDevice(chain, args[1]);
    if (index < 0) return 2;
    if (!chain.DeleteDevice(index)) return 1;
    return SaveChain(chain, args[0], force);
}

int ChainRename(const Args& args, bool force)
{
    if (args.size() != 3) return UsageError("chain rename: usage: chain rename FILE.ZJC NAME NEW");
    CJTAGDoc chain;
    if (!OpenChain(chain, args[0])) return 1;
    const int index = FindDevice(chain, args[1]);
    if (index < 0) return 2;
    if (args[2].empty()) return UsageError("chain rename: the new name is empty");
    if (args[2] == args[1]) return 0;
    if (!chain.SetDeviceName(index, args[2])) return 1;
    return SaveChain(chain, args[0], force);
}

int ChainExtract(const Args& args, bool force)
{
    if (args.size() != 4 || args[2] != "-o")
        return UsageError("chain extract: usage: chain extract FILE.ZJC NAME -o DESIGN.ZEL");
    CJTAGDoc chain;
    if (!OpenChain(chain, args[0])) return 1;
    const int index = FindDevice(chain, args[1]);
    if (index < 0) return 2;
    const CJtagChainElement* e = chain.GetElement(index);
    if (!e->IsZelDevice()) {
        std::fprintf(stderr, "%s\n", kMsgNotZelNoSchematic);
        return 1;
    }
    // A design of its own: written with the XML declaration, as any design file.
    CSchDoc doc;
    if (!doc.ReadDesign(e->GetDesign())) return 1;
    return SaveDesign(doc, args[3], force) ? 0 : 1;
}

int ChainEmbed(const Args& args, bool force)
{
    if (args.size() != 3) return UsageError("chain embed: usage: chain embed FILE.ZJC NAME DESIGN.ZEL");
    CJTAGDoc chain;
    if (!OpenChain(chain, args[0])) return 1;
    const int index = FindDevice(chain, args[1]);
    if (index < 0) return 2;
    std::string text;
    std::string error;
    if (!ReadWholeFile(args[2], text, kMaxChainFileBytes, &error)) {
        std::fprintf(stderr, "Kalidor: cannot read \"%s\": %s\n", args[2].c_str(), error.c_str());
        return 1;
    }
    if (!chain.EmbedDesign(index, text)) return 1;
    return SaveChain(chain, args[0], force);
}

}  // namespace

int RunChain(const Args& args)
{
    if (args.empty()) return UsageError(kChainUsage);
    const std::string& sub = args[0];
    Args rest(args.begin() + 1, args.end());
    if (sub == "program") return RunChainProgram(rest);
    if (sub == "scan") return RunChainScan(rest);
    // The commands that write a file replace a read-only one only with --force.
    const auto forced = std::remove(rest.begin(), rest.end(), std::string("--force"));
    const bool force = forced != rest.end();
    rest.erase(forced, rest.end());
    if (sub == "new") return ChainNew(rest, force);
    if (sub == "add") return ChainAdd(rest, force);
    if (sub == "remove") return ChainRemove(rest, force);
    if (sub == "rename") return ChainRename(rest, force);
    if (sub == "extract") return ChainExtract(rest, force);
    if (sub == "embed") return ChainEmbed(rest, force);
    if (sub == "list") return force ? UsageError("chain list: --force is for the commands that write") : ChainList(rest);
    return UsageError(kChainUsage);
}

}  // namespace kalidor::cli
