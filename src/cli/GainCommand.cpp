// "gains": the gain configuration utility of ZelA or ZelB from the command line — runs the
// utility's search for a gain (its questions go to stderr and are answered OK) and lists the
// configurations that give it, each with its formula and the wiring between the chosen (or the
// first) input and output.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "device/DeviceKind.h"
#include "platform/Paths.h"
#include "utilities/GainTable.h"

namespace kalidor::cli {

namespace {

constexpr const char* kUsage =
    "gains: usage: gains ZelA|ZelB GAIN [--in N] [--out N] [--blocks 1|2] [--best noise|bandwidth|cm] [--table FILE]";

}  // namespace

int RunGains(const Args& args)
{
    const std::optional<DeviceKind> kind = args.empty() ? std::nullopt : ParseDeviceKind(args[0]);
    if (args.size() < 2 || !kind || !TraitsOf(*kind).gainUtility)
        return UsageError(args.empty() ? kUsage : "gains: the gain utility serves ZelA and ZelB\n" + std::string(kUsage));
    const std::string type = args[0];
    CGainQuery q;
    if (!ParseInt(args[1], q.gain))
        return UsageError("gains: the gain must be an integer");
    std::string tablePath;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string v = hasValue ? args[i + 1] : "";
        int n = 0;
        if ((a == "--in" || a == "--out") && hasValue && ParseInt(v, n) && n >= 1 && n <= 4) {
            (a == "--in" ? q.input : q.output) = n;
        } else if (a == "--blocks" && hasValue && (v == "1" || v == "2")) {
            q.twoBlocks = v == "2";
        } else if (a == "--best" && hasValue && (v == "noise" || v == "bandwidth" || v == "cm")) {
            q.bestFor = v == "noise" ? 1 : v == "bandwidth" ? 2 : 3;
        } else if (a == "--table" && hasValue) {
            tablePath = v;
        } else {
            return UsageError("gains: unknown or incomplete argument \"" + a + "\"\n" + kUsage);
        }
        ++i;
    }
    CGainTable table;
    const std::string file = tablePath.empty() ? SupportFile(CGainTable::FileName(type)) : tablePath;
    std::string error;
    bool missing = false;
    if (!table.Load(file, type, &error, &missing)) {
        std::fprintf(stderr, "Kalidor: %s\n", missing ? kMsgGainTableMissing : error.c_str());
        return 1;
    }
    const CGainSearchResult r = SearchGain(table, q);
    if (r.cleared)
        return 1;
    std::printf("%s\n", r.caption.c_str());
    for (const char* t : kGainColumnTitles)
        std::printf("%s\t", t);
    std::printf("Formula\tWiring\n");
    for (int row : r.rows) {
        const CGainEntry& e = table.Entries()[row];
        const CGainConnection* c = table.FindConnection(e.config, q.input, q.output);
        std::printf("%d\t%s\t%d\t%d\t%d\t%d\t%s\t", e.config, kGainBestForNames[e.bestFor < 0 || e.bestFor > 2 ? 0 : e.bestFor],
                    e.gains[0], e.gains[1], e.gains[2], e.gains[3], kGainConfigurationFormulas[e.config - 1]);
        if (c)
            std::printf("IN%d to OUT%d: block %d (%d, %d), block %d (%d, %d)", c->input, c->output, c->wiring[0],
                        c->wiring[1], c->wiring[2], c->wiring[3], c->wiring[4], c->wiring[5]);
        std::printf("\n");
    }
    return 0;
}

}  // namespace kalidor::cli
