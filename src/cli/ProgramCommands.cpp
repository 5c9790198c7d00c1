// "program" and "svf": programming a device through a cable, and running an SVF file, without a
// window. The operations are the ones of the schematic window's Tools menu; messages that the
// desktop program shows in a dialog go to stdout (information) or stderr (warnings and errors).
//
// A virtual cable keeps the E2 cells of its simulated devices in state files, one per device,
// so that a download in one run can be read back in the next. They lie in
// $XDG_CACHE_HOME/Norvane Dividaduzudav Corporation/VirtualJtag (~/.cache/... without the
// variable) unless --state-dir names another folder.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "jtag/JTAGTapPort.h"
#include "jtag/JtagChainScan.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/SvfServerInterpreter.h"
#include "jtag/SvfPlayer.h"
#include "jtag/TapPortFactory.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/VerifyReport.h"
#include "jtag/cables/MpsseBackends.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/server/SocketServerTransport.h"
#include "platform/AtomicFile.h"
#include "platform/CommonMessages.h"
#include "platform/Prompter.h"

namespace kalidor::cli {

namespace {

constexpr const char kProgramUsage[] =
    "program: usage: program FILE.ZEL --cable SPEC --download|--upload|--verify|--idcode|--autocal "
    "[-o OUT.ZEL] [--state-dir DIR] [--chain HIR,HDR,TIR,TDR | --position N] [--no-verify] [--no-cable-check] "
    "[--no-power-check] [--cancel] [--force] [--via-server] [--trace OUT.TRC]";
constexpr const char kChainProgramUsage[] =
    "chain program: usage: chain program FILE.ZJC NAME --cable SPEC --download|--upload|--verify|--idcode|--autocal "
    "[--state-dir DIR] [--no-verify] [--no-cable-check] [--no-power-check] [--cancel] [--force] [--via-server] "
    "[--trace OUT.TRC]";
constexpr const char kChainScanUsage[] =
    "chain scan: usage: chain scan --cable SPEC [-o FILE.ZJC] [--ir POS=LENGTH ...] [--state-dir DIR] "
    "[--no-cable-check] [--no-power-check] [--force]";
constexpr const char kSvfUsage[] =
    "svf: usage: svf [--full [--keep-going]] FILE.svf --cable SPEC [--state-dir DIR] [--no-cable-check] "
    "[--no-power-check] [--via-server]";
// Largest SVF file read (the programs of the system are a few kilobytes).
constexpr std::size_t kMaxSvfBytes = 64u * 1024u * 1024u;

// Information to stdout (the outcome, as the window would show it), everything else to stderr
// after "Kalidor: "; questions take the scripted answer.
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(bool cancel) : m_cancel(cancel) {}
    Answer Message(const std::string& text, const std::string& caption, Buttons buttons, MessageIcon icon) override
    {
        if (icon == MessageIcon::Information)
            std::printf("%s\n", text.c_str());
        else
            std::fprintf(stderr, "%s\n", TerminalMessageText(text, caption).c_str());
        if (buttons == Buttons::Ok) return Answer::Ok;
        const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
        if (m_cancel) return yesNo ? Answer::No : Answer::Cancel;
        return yesNo ? Answer::Yes : Answer::Ok;
    }

private:
    bool m_cancel;
};

// The document side of the programming operations.
void PrintIdcode(const CIdcodeFields& f)
{
    std::printf("IDCODE:\t%s\n", f.text.c_str());
    std::printf("Manufacturer:\t%s %s\n", f.makerName.c_str(), f.manufacturer.c_str());
    std::printf("Part Number:\t%s %s\n", f.partNumber.c_str(), f.deviceType.c_str());
    std::printf("Version:\t%s\n", f.version.c_str());
}

constexpr const char kMsgIdcodeNotZel[] = "The device on the cable is not a Zel device (IDCODE %s).";
constexpr const char kMsgIdcodeOtherZel[] = "The device on the cable is a %s, not the design's %s.";

// True when the IDCODE read names the design's device type; otherwise says what answered.
bool IdcodeIsTheDesignsDevice(const CIdcodeFields& f, const std::string& designType)
{
    if (f.deviceType == designType) return true;
    std::string text;
    if (f.deviceType == kIdcodeUnknown) {
        text = FormatMessage(kMsgIdcodeNotZel, f.text.empty() ? "none" : f.text);
    } else {
        text = FormatMessage(FormatMessage(kMsgIdcodeOtherZel, f.deviceType), designType);
    }
    std::fprintf(stderr, "%s\n", TerminalMessageText(text, {}).c_str());
    return false;
}

// "HIR,HDR,TIR,TDR" as four non-negative counts.
bool ParseChainCounts(const std::string& text, CJtagChainCounts& c)
{
    int v[4] = {0, 0, 0, 0};
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',', from);
        if ((comma == std::string::npos) != (i == 3)) return false;
        if (!ParseInt(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from), v[i]) ||
            v[i] < 0 || v[i] > 65535)
            return false;
        from = comma + 1;
    }
    c = {v[0], v[1], v[2], v[3]};
    return true;
}

struct CableOptions {
    std::string spec;
    std::string stateDir;
    bool cableCheck = true;
    bool powerCheck = true;
    bool viaServer = false;  // the SVF server runs the lines on its cable
};

// Takes the cable options at args[i]; true when it was one.
bool CableOption(const Args& args, size_t& i, CableOptions& o, bool& missingValue)
{
    const std::string& a = args[i];
    if (a == "--cable" || a == "--state-dir") {
        if (i + 1 >= args.size()) {
            missingValue = true;
            return true;
        }
        (a == "--cable" ? o.spec : o.stateDir) = args[++i];
        return true;
    }
    if (a == "--no-cable-check") return o.cableCheck = false, true;
    if (a == "--no-power-check") return o.powerCheck = false, true;
    if (a == "--via-server") return o.viaServer = true, true;
    return false;
}

// The options "program" and "chain program" share.
struct ProgramOptions {
    CableOptions cable;
    std::string op;  // download, upload, verify, idcode or autocal
    std::string tracePath;
    bool verifyAfter = true;
    bool cancel = false;
    bool force = false;  // an upload may replace a read-only file
};

enum class Option { kTaken, kOther, kUsageError };

// Takes the shared option at args[i] (i moves past its value). kUsageError after telling why.
Option ProgramOption(const Args& args, size_t& i, ProgramOptions& o, const std::string& command, const char* usage)
{
    const std::string& a = args[i];
    bool missing = false;
    if (CableOption(args, i, o.cable, missing)) {
        if (!missing) return Option::kTaken;
        UsageError(usage);
        return Option::kUsageError;
    }
    if (a == "--download" || a == "--upload" || a == "--verify" || a == "--idcode" || a == "--autocal") {
        if (!o.op.empty()) {
            UsageError(command + ": give one operation");
            return Option::kUsageError;
        }
        o.op = a.substr(2);
    } else if (a == "--trace" && i + 1 < args.size()) {
        o.tracePath = args[++i];
    } else if (a == "--no-verify") {
        o.verifyAfter = false;
    } else if (a == "--cancel") {
        o.cancel = true;
    } else if (a == "--force") {
        o.force = true;
    } else {
        return Option::kOther;
    }
    return Option::kTaken;
}

// The port and the interpreter driving it, or the client of the SVF server that drives its own.
struct Cable {
    std::unique_ptr<CJtagCable> port;
    CTapSvfInterpreter svf;
    std::unique_ptr<CSvfServerInterpreter> server;

    CSvfInterpreter& Interpreter() { return server ? static_cast<CSvfInterpreter&>(*server) : svf; }
    std::string Name() const { return server ? server->ServerDescription() : port->GetName(); }
    void Close()
    {
        if (server) server->Disconnect();
        if (port) port->Close();
    }

    // A virtual device that could not keep what was programmed fails the run (it has said why).
    int Checked(int status) const
    {
        const auto* virt = dynamic_cast<const CVirtualTapPort*>(port.get());
        if (status == 0 && virt && !virt->Cable().StateProblem().empty()) return 1;
        return status;
    }
};

// Connects to the SVF server; one that has to be started gets the cable options.
int ConnectServer(const CableOptions& o, const std::string& stateDir, Cable& cable)
{
    CSvfServerLaunch launch{{}, SvfServerCableArguments(o.spec, stateDir)};
    if (!o.cableCheck) launch.arguments.push_back("--no-cable-check");
    if (!o.powerCheck) launch.arguments.push_back("--no-power-check");
    auto transport = std::make_unique<CSocketServerTransport>(std::move(launch));
    const CSocketServerTransport& t = *transport;
    cable.server = std::make_unique<CSvfServerInterpreter>(std::move(transport));
    cable.server->AttachCable(nullptr, 1);
    if (cable.server->Connect()) return 0;
    if (!t.LastError().empty()) std::fprintf(stderr, "%s\n", TerminalMessageText(t.LastError(), {}).c_str());
    return 1;
}

// 0, or the exit status after telling why the cable cannot be used.
int OpenCable(const CableOptions& o, Cable& cable)
{
    std::string stateDir = o.stateDir;
    if (!VirtualChainOfCable(o.spec).empty()) {
        if (stateDir.empty()) stateDir = DefaultVirtualStateDirectory();
        if (!stateDir.empty()) {
            std::error_code ec;
            std::filesystem::create_directories(stateDir, ec);
            if (ec) {
                std::fprintf(stderr, "Kalidor: cannot create the folder \"%s\" for the virtual devices: %s\n",
                             stateDir.c_str(), ec.message().c_str());
                return 1;
            }
        }
    }
    std::string error;
    cable.port = CreateCable(o.spec, stateDir, &error);
    if (!cable.port) {
        // A well-formed virtual cable whose state cannot be used is a failure, not a usage error.
        std::vector<VirtualChainItem> items;
        std::string syntax;
        if (IsVirtualChainDescription(o.spec) && ParseVirtualChain(o.spec, items, syntax)) {
            std::fprintf(stderr, "%s\n", TerminalMessageText(error, {}).c_str());
            return 1;
        }
        return UsageError(error);
    }
    if (o.viaServer) {
        cable.port.reset();  // the server's cable, not ours
        return ConnectServer(o, stateDir, cable);
    }
    cable.port->SetCableCheck(o.cableCheck);
    cable.port->SetPowerCheck(o.powerCheck);
    ApplyTapPortAddress(*cable.port, o.spec);
    if (!cable.port->Open()) return 1;
    cable.svf.AttachCable(cable.port.get(), kInterpreterBuiltIn);
    ApplyTapPortAddress(*cable.port, o.spec);
    return 0;
}

// OpenCable, then the cable and power checks with their messages.
int OpenReadyCable(const CableOptions& o, Cable& cable)
{
    if (int r = OpenCable(o, cable); r != 0) return r;
    CJtagDevice jtag;
    jtag.SetInterpreter(&cable.Interpreter());
    return jtag.CheckReady() == kJtagDone ? 0 : 1;
}

// "svf --full": any SVF file, streamed through the full player.
int PlaySvf(const std::string& file, const CableOptions& cableOptions, bool keepGoing)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "Kalidor: cannot read \"%s\"\n", file.c_str());
        return 1;
    }
    ConsolePrompter prompter(false);
    ScopedPrompter scope(prompter);
    Cable cable;
    if (int r = OpenReadyCable(cableOptions, cable); r != 0) return r;

    CSvfPlayer player(*cable.port);
    player.SetKeepGoing(keepGoing);
    const CSvfPlayResult& r = player.Play(in);
    for (const std::string& line : r.reports) std::printf("%s\n", line.c_str());
    std::printf("%s\n", FormatSvfPlaySummary(r).c_str());
    cable.port->Close();
    if (r.errors > 0) return 1;
    return cable.Checked(r.mismatches > 0 ? 3 : 0);
}

// Runs one operation of a design's programmer through the cable, at the given place in the
// chain; `keepUpload` stores an uploaded design (false when that failed). With `tracePath`, the
// SVF lines sent and their results are written there, whatever the outcome. The exit status.
int ProgramDocument(CSchDoc& doc, const std::string& op, const CableOptions& cableOptions, bool verifyAfter,
                    const CJtagChainCounts& counts, const std::string& tracePath,
                    const std::function<bool()>& keepUpload)
{
    Cable cable;
    if (int r = OpenCable(cableOptions, cable); r != 0) return r;

    doc.SetJtagInterpreter(&cable.Interpreter());
    doc.JtagDevice()->SetTraceOn(tracePath.empty() ? 0 : 1);
    doc.SetChainCounts(counts);
    doc.SetIdcodeReceiver(PrintIdcode);
    CJtagDocumentOptions options = doc.GetJtagOptions();
    options.verifyAfterDownload = verifyAfter ? 1 : 0;
    doc.SetJtagOptions(options);

    // After the verify-failed message: which settings and bits differ.
    auto details = [&](JtagResult r) {
        if (r == kJtagVerifyDiffers)
            std::fputs(FormatVerifyReport(doc.Programmer()->LastVerifyReport()).c_str(), stdout);
    };
    int status = 1;
    if (op == "download") {
        const JtagResult r = doc.Download();
        details(r);
        status = r == kJtagDone ? 0 : r == kJtagVerifyDiffers ? 3 : 1;
    } else if (op == "verify") {
        const JtagResult r = doc.Verify();
        details(r);
        status = r == kJtagVerifyEqual ? 0 : r == kJtagVerifyDiffers ? 3 : 1;
    } else if (op == "idcode") {
        status = doc.ReadIdcode() == kJtagDone ? 0 : 1;
        // Scripts use this as a presence check: the design's device must be the one that answered.
        if (status == 0 && !IdcodeIsTheDesignsDevice(doc.JtagDevice()->DecodedIdcode(), doc.GetDeviceType()))
            status = 1;
    } else if (op == "autocal") {
        status = doc.AutoCal() == kJtagDone ? 0 : 1;
    } else if (op == "upload") {
        const JtagResult r = doc.Upload();
        details(r);
        if (r == kJtagDone) {
            std::printf("%s\n", FormatUploadReport(doc.GetDeviceType(), cable.Name(),
                                                   doc.Programmer()->LastUploadChanges(), SIZE_MAX)
                                     .c_str());
            status = keepUpload() ? 0 : 1;
        } else {
            // Nothing is saved: the design on disk stays as it was.
            status = r == kJtagVerifyDiffers ? 3 : 1;
        }
    }
    cable.Close();
    doc.SetJtagInterpreter(nullptr);
    // A failed run's trace ends with the failing line and its result.
    if (!tracePath.empty() && !doc.JtagDevice()->Trace().SaveText(tracePath)) {
        std::fprintf(stderr, "Kalidor: %.*s: %s\n", static_cast<int>(kMsgFileNotOpened.size()),
                     kMsgFileNotOpened.data(), tracePath.c_str());
        if (status == 0) status = 1;
    }
    return cable.Checked(status);
}

}  // namespace

int RunProgram(const Args& args)
{
    std::string design, out;
    ProgramOptions o;
    bool chainGiven = false;
    CJtagChainCounts counts;
    int position = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const Option taken = ProgramOption(args, i, o, "program", kProgramUsage);
        if (taken == Option::kUsageError) return 2;
        if (taken == Option::kTaken) continue;
        if (a == "--chain" && i + 1 < args.size()) {
            if (!ParseChainCounts(args[++i], counts)) return UsageError("program: --chain takes HIR,HDR,TIR,TDR");
            chainGiven = true;
        } else if (a == "--position" && i + 1 < args.size()) {
            if (!ParseInt(args[++i], position) || position < 0) return UsageError("program: bad --position");
        } else if (a == "-o" && i + 1 < args.size()) {
            out = args[++i];
        } else if (design.empty() && a.rfind("-", 0) != 0) {
            design = a;
        } else {
            return UsageError("program: unknown argument \"" + a + "\"");
        }
    }
    if (design.empty() || o.cable.spec.empty() || o.op.empty()) return UsageError(kProgramUsage);
    if (!out.empty() && o.op != "upload") return UsageError("program: -o is for --upload");
    if (chainGiven && position >= 0) return UsageError("program: give --chain or --position, not both");

    ConsolePrompter prompter(o.cancel);
    ScopedPrompter scope(prompter);
    CSchDoc doc;
    if (!doc.OnOpenDocument(design)) return 1;
    if (doc.Programmer() == nullptr) return 1;

    // On a virtual chain the device's position gives the counts (the first device of the design's
    // type unless --position names one).
    const std::string virtualChain = VirtualChainOfCable(o.cable.spec);
    if (!chainGiven && !virtualChain.empty() &&
        !(position >= 0 ? VirtualChainCountsAt(virtualChain, position, counts)
                        : VirtualChainCountsFor(virtualChain, doc.GetDeviceType(), counts))) {
        if (position >= 0) return UsageError("program: no device at position " + std::to_string(position));
        counts = {};  // no device of the type: the IDCODE check will say so
    }

    return ProgramDocument(doc, o.op, o.cable, o.verifyAfter, counts, o.tracePath, [&] {
        const std::string target = out.empty() ? design : out;
        if (!SaveDesign(doc, target, o.force)) return false;
        std::printf("Uploaded design written to %s\n", target.c_str());
        return true;
    });
}

int RunChainProgram(const Args& args)
{
    std::string file, name;
    ProgramOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const Option taken = ProgramOption(args, i, o, "chain program", kChainProgramUsage);
        if (taken == Option::kUsageError) return 2;
        if (taken == Option::kTaken) continue;
        if (a.rfind("-", 0) != 0 && (file.empty() || name.empty())) {
            (file.empty() ? file : name) = a;
        } else {
            return UsageError("chain program: unknown argument \"" + a + "\"");
        }
    }
    if (file.empty() || name.empty() || o.cable.spec.empty() || o.op.empty()) return UsageError(kChainProgramUsage);

    ConsolePrompter prompter(o.cancel);
    ScopedPrompter scope(prompter);
    CJTAGDoc chain;
    if (!chain.OnOpenDocument(file)) return 1;
    const int index = chain.FindElement(name);
    if (index < 0) return UsageError("chain program: the chain has no device named \"" + name + "\"");
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(index);
    if (!doc) return 1;
    // The device's place in the chain file gives the counts, whatever the cable is.
    return ProgramDocument(*doc, o.op, o.cable, o.verifyAfter, chain.GetElement(index)->ChainCounts(), o.tracePath, [&] {
        if (!doc->SaveEmbedded() || !chain.OnSaveDocument(file, ReadOnlyMode(o.force))) return false;
        std::printf("Uploaded design stored in %s of %s\n", name.c_str(), file.c_str());
        return true;
    });
}

int RunChainScan(const Args& args)
{
    std::string out;
    CableOptions cableOptions;
    bool missing = false;
    std::vector<std::pair<int, int>> given;  // --ir POS=LEN
    bool force = false;                      // -o may replace a read-only chain file
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (CableOption(args, i, cableOptions, missing)) {
            if (missing) return UsageError(kChainScanUsage);
        } else if (a == "-o" && i + 1 < args.size()) {
            out = args[++i];
        } else if (a == "--ir" && i + 1 < args.size()) {
            int pos = 0, len = 0;
            if (!ParsePair(args[++i], pos, len) || pos < 1 || len < 1 || len > kMaxChainIrLength)
                return UsageError("chain scan: --ir takes POS=LENGTH (a device position from 1, a length of 1 to " +
                                  std::to_string(kMaxChainIrLength) + ")");
            given.emplace_back(pos, len);
        } else if (a == "--force") {
            force = true;
        } else {
            return UsageError("chain scan: unknown argument \"" + a + "\"");
        }
    }
    if (cableOptions.spec.empty()) return UsageError(kChainScanUsage);
    if (cableOptions.viaServer) return UsageError("chain scan: the scan needs the cable itself, not the SVF server");
    ConsolePrompter prompter(false);
    ScopedPrompter scope(prompter);
    Cable cable;
    if (int r = OpenReadyCable(cableOptions, cable); r != 0) return r;
    CChainScanResult scan = ScanChain(*cable.port);
    cable.port->Close();
    if (!scan.ok) {
        std::fprintf(stderr, "%s\n", scan.error.c_str());
        return 1;
    }
    for (const auto& [pos, len] : given) {
        if (pos > static_cast<int>(scan.devices.size())) return UsageError("chain scan: no device at " + std::to_string(pos));
        scan.devices[static_cast<std::size_t>(pos - 1)].irLength = len;
    }
    std::printf("#\tIDCODE\tDeviceType\tIR_Length\n");
    for (std::size_t i = 0; i < scan.devices.size(); ++i) {
        const CScannedDevice& d = scan.devices[i];
        std::printf("%zu\t%s\t%s\t%s\n", i + 1, d.idcode ? FormatIdcode(d.idcode).c_str() : "none",
                    d.deviceType.empty() ? kForeignDeviceType : d.deviceType.c_str(),
                    d.irLength ? std::to_string(d.irLength).c_str() : "?");
    }
    int sum = 0;
    for (const CScannedDevice& d : scan.devices) sum += d.irLength;
    std::printf("Total IR length:\t%d\n", scan.totalIrLength);
    if (!scan.Complete()) {
        std::fprintf(stderr, "Kalidor: the IR lengths of the foreign devices cannot be told apart; give them "
                             "with --ir POS=LENGTH (together %d bits)\n", scan.totalIrLength - sum);
        return out.empty() ? 0 : 1;
    }
    if (sum != scan.totalIrLength)
        std::fprintf(stderr, "Kalidor: the IR lengths add up to %d bits, the chain has %d\n", sum, scan.totalIrLength);
    if (out.empty()) return 0;
    CJTAGDoc chain;
    if (!chain.BuildFromScan(scan.devices)) return 1;
    if (!chain.OnSaveDocument(out, ReadOnlyMode(force))) return 1;
    std::printf("Chain written to %s\n", out.c_str());
    return 0;
}

int RunSvf(const Args& args)
{
    std::string file;
    CableOptions cableOptions;
    bool missing = false, full = false, keepGoing = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (CableOption(args, i, cableOptions, missing)) {
            if (missing) return UsageError(kSvfUsage);
        } else if (args[i] == "--full") {
            full = true;
        } else if (args[i] == "--keep-going") {
            keepGoing = true;
        } else if (file.empty() && args[i].rfind("-", 0) != 0) {
            file = args[i];
        } else {
            return UsageError("svf: unknown argument \"" + args[i] + "\"");
        }
    }
    if (file.empty() || cableOptions.spec.empty() || (keepGoing && !full)) return UsageError(kSvfUsage);
    if (full && cableOptions.viaServer)
        return UsageError("svf: --full plays the file on the cable itself, not through the SVF server");
    if (full) return PlaySvf(file, cableOptions, keepGoing);

    std::string text;
    if (!ReadWholeFile(file, text, kMaxSvfBytes)) {
        std::fprintf(stderr, "Kalidor: cannot read \"%s\" (missing, unreadable or larger than %zu bytes)\n",
                     file.c_str(), kMaxSvfBytes);
        return 1;
    }
    ConsolePrompter prompter(false);
    ScopedPrompter scope(prompter);
    Cable cable;
    if (int r = OpenReadyCable(cableOptions, cable); r != 0) return r;

    const SvfRunReport report = ExecuteSvfText(cable.Interpreter(), text);
    const std::string lines = FormatSvfRunReport(report);
    // Byte for byte: a NUL inside a reported line must not cut the rest of the report.
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    int mismatches = 0;
    for (const SvfLineFailure& f : report.failures)
        if (f.result == kSvfTdoMismatch) ++mismatches;
    std::printf("%d lines executed, %d TDO mismatches%s\n", report.linesExecuted, mismatches,
                report.stopped ? ", stopped" : "");
    cable.Close();
    if (report.stopped) return 1;
    return cable.Checked(mismatches > 0 ? 3 : 0);
}

}  // namespace kalidor::cli
