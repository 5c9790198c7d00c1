// kalidor-cli: the Kalidor core driven from the command line, so that everything that needs no
// window can be scripted, tested and measured.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/Commands.h"
#include "platform/Prompter.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const kalidor::cli::Args&);
    const char* usage;
};

const Command kCommands[] = {
    {"devices", kalidor::cli::RunDevices, "devices                      list the device types"},
    {"device", kalidor::cli::RunDevice,
     "device TYPE [--set KEY=VALUE ...] [--e2 POS=VALUE ...] --cells|--symbols\n"
     "                               E2 cells or symbols of a freshly reset device"},
    {"new", kalidor::cli::RunNew, "new TYPE -o FILE.ZEL [--force] write a new design of TYPE"},
    {"show", kalidor::cli::RunShow, "show FILE.ZEL                device type, summary and symbol values of a design"},
    {"set", kalidor::cli::RunSet,
     "set FILE.ZEL KEY=VALUE|gain:KEY=G|cap:KEY=PF ... [--title T] [--author A] [-o OUT.ZEL] [--force]\n"
     "                               set symbols and summary fields, and save (pin states that only the\n"
     "                               simulation uses are refused: give them to simulate --pin)"},
    {"export", kalidor::cli::RunExportCommand,
     "export FILE.ZEL --jedec|--svf|--text|--spice [-o OUT] [--summary]\n"
     "                               export a design (to stdout without -o)"},
    {"import-jedec", kalidor::cli::RunImportJedec,
     "import-jedec FILE.ZEL IN.jed [-o OUT.ZEL] [--force]\n"
     "                               read a JEDEC fuse file into a design, and save"},
    {"program-text", kalidor::cli::RunProgramText,
     "program-text FILE.ZEL --register N --read|--write|--erase | --idcode\n"
     "                               the SVF lines a download sends for one register"},
    {"render", kalidor::cli::RunRender,
     "render FILE.ZEL --svg OUT.svg [--hit-areas] [--ppi N]\n"
     "                               draw the schematic of a design as an SVG picture"},
    {"program", kalidor::cli::RunProgram,
     "program FILE.ZEL --cable SPEC --download|--upload|--verify|--idcode|--autocal [-o OUT.ZEL]\n"
     "        [--state-dir DIR] [--no-verify] [--no-cable-check] [--no-power-check] [--cancel] [--force]\n"
     "        [--via-server] [--trace OUT.TRC]\n"
     "                               program, read back or verify a device (SPEC: virtual:ZelA,...,\n"
     "                               ppdev:/dev/parport0, direct:0x378; faults of the virtual cable:\n"
     "                               virtual:ZelA?tdo=1, ?detached, ?nopower, ?flip=S[:B], ?secured[=N]);\n"
     "                               exit 3 when verify differs; --via-server: through svfsvr;\n"
     "                               --trace: every SVF line sent, with its result"},
    {"chain", kalidor::cli::RunChain,
     "chain new -o FILE.ZJC       write an empty JTAG chain ([Chain TDI], [Chain TDO])\n"
     "  chain add FILE.ZJC TYPE|foreign:IR [--name N] [--at POS]\n"
     "                               add a Zel device (with a new design) or a foreign device\n"
     "  chain list FILE.ZJC          one line per element: position, name, type, IR length and sums\n"
     "  chain remove FILE.ZJC NAME | chain rename FILE.ZJC NAME NEW\n"
     "  chain extract FILE.ZJC NAME -o DESIGN.ZEL | chain embed FILE.ZJC NAME DESIGN.ZEL\n"
     "                               take a member's design out, or put a design in\n"
     "  chain program FILE.ZJC NAME --cable SPEC --download|--upload|--verify|--idcode|--autocal\n"
     "                               program one member, the other devices in BYPASS\n"
     "  chain scan --cable SPEC [-o FILE.ZJC] [--ir POS=LENGTH ...]\n"
     "                               read the IDCODEs and the IR length on the cable, propose a chain\n"
     "                               (the chain commands that write take --force for a read-only file)"},
    {"svf", kalidor::cli::RunSvf,
     "svf [--full [--keep-going]] FILE.svf --cable SPEC [--state-dir DIR] [--via-server]\n"
     "                               run an SVF file; report every TDO mismatch by line (exit 3);\n"
     "                               --full plays any SVF file (other tools' too) in full;\n"
     "                               --via-server runs the lines through svfsvr"},
    {"serve-virtual", kalidor::cli::RunServeVirtual,
     "serve-virtual --remote-bitbang PORT --chain virtual:DEVICES [--state-dir DIR] [--once]\n"
     "                               serve the virtual devices to other JTAG programs (OpenOCD's\n"
     "                               remote_bitbang) on 127.0.0.1:PORT (0: any free port)"},
    {"simulate", kalidor::cli::RunSimulate,
     "simulate FILE.ZEL [--curve N] [--csv OUT.csv] [--delimiter comma|semicolon|tab|space]\n"
     "        [--input N] [--output N] [--config A|B] [--start F] [--stop F] [--ppd N] [--pin KEY=0|1 ...]\n"
     "                               run a curve and write its gain/phase text (to stdout without --csv);\n"
     "                               --pin sets a pin state that only the simulation uses"},
    {"plot", kalidor::cli::RunPlot,
     "plot FILE.ZEL --svg|--png|--pdf OUT [--curve N ...] [--import N=FILE.csv ...] [--size WxH]\n"
     "        [--data-points] [--group-delay] [--markers] [--crosshair F] [--hide N]\n"
     "        [--print-mode M [--page P]] [--pin KEY=0|1 ...] [curve settings]\n"
     "                               run curves and draw the plot window's picture or a printed page"},
    {"filters", kalidor::cli::RunFilters,
     "filters ZelD|ZelE [--type NAME] [--fc MIN:MAX] [--gain2fc HI:LO] [--gain10fc HI:LO] [--fp MIN:MAX]\n"
     "        [--ripple HI:LO] [--fs MIN:MAX] [--atten HI:LO] [--ratio MIN:MAX] [--maxvin MIN:MAX]\n"
     "        [--sort COLUMN[:desc]] [--table FILE] [--version]\n"
     "                               list the filter configurations that pass the criteria\n"
     "  filters ZelD|ZelE --copy ID --config A|B FILE.ZEL [-o OUT.ZEL] [--force]\n"
     "                               copy a filter configuration into configuration A or B of a design"},
    {"ladders", kalidor::cli::RunLadders,
     "ladders [--type NAME] [--freq MIN:MAX] [--sort COLUMN[:desc]] [--table FILE] [--version]\n"
     "                               list the ZelA ladder filter configurations that pass the criteria\n"
     "  ladders --copy ID FILE.ZEL [-o OUT.ZEL]\n"
     "                               copy a ladder filter into a ZelA design"},
    {"gains", kalidor::cli::RunGains,
     "gains ZelA|ZelB GAIN [--in N] [--out N] [--blocks 1|2] [--best noise|bandwidth|cm] [--table FILE]\n"
     "                               the gain configurations that give GAIN (or the nearest gain)"},
};

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: kalidor-cli COMMAND [ARGUMENTS]\n\nCommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv)
{
    // Messages the program would show in a dialog go to stderr.
    kalidor::StreamPrompter prompter(false);
    kalidor::ScopedPrompter scoped(prompter);

    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    kalidor::cli::Args args(argv + 2, argv + argc);
    for (const Command& c : kCommands)
        if (!std::strcmp(argv[1], c.name))
            return c.run(args);
    std::fprintf(stderr, "Kalidor: unknown command \"%s\" (try --help)\n", argv[1]);
    return 2;
}
