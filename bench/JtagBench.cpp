#include <chrono>
// Speed of the programming path on the virtual cable.
//   BM_VirtualCableLongScan  long data scans through the SVF interpreter and the simulated chain;
//                            the counter "TCK" is TCK cycles per second. The second argument
//                            chooses the cable's path: 1 batched shifts (the clocks of a statement
//                            go to the simulated chain together), 0 one clock at a time (three
//                            port writes and a status read each, as a parallel port moves them).
//   BM_Download/ZelA, /ZelD  a whole download with IDCODE check and verification, as the Tools
//                            menu runs it, in virtual time (the 80 ms E2 waits cost nothing); the
//                            counter "virtual_ms" is the device time the download takes.
//   BM_UploadZelD            the ZelD upload (both configurations, with the switch to B and back).
//   BM_Statements/server:0   SVF statements one at a time through the built-in interpreter, and
//   BM_Statements/server:1   through the SVF server (svfsvr, beside this program) on its virtual
//                            cable, each statement waiting for its answer; "statements" per second.
//   BM_ProgramViaServer      1000 statements sent to the server at once, answered line by line.
//   BM_DownloadViaServer/ZelA, /ZelD  BM_Download through the server, in virtual time.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceConfig.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/SvfInterpreter.h"
#include "jtag/SvfServerInterpreter.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/server/SocketServerTransport.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

// Messages are counted, not shown.
class QuietPrompter : public Prompter {
public:
    Answer Message(const std::string&, const std::string&, Buttons, MessageIcon) override
    {
        ++count;
        return Answer::Ok;
    }
    int count = 0;
};

void BM_VirtualCableLongScan(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    auto port = CreateVirtualTapPort("virtual:ZelA,foreign:8,ZelC,ZelD", {});
    port->SetBatchedShift(state.range(1) != 0);
    CTapSvfInterpreter svf;
    svf.AttachPort(port.get(), kInterpreterBuiltIn);
    const std::string line = "SDR " + std::to_string(bits) + " TDI (" + std::string(static_cast<std::size_t>(bits / 4), 'A') +
                             ");\r\n";
    svf.ExecuteLine("TRST ON;\r\n");
    svf.ExecuteLine("ENDDR DRPAUSE;\r\n");
    const auto before = port->Cable().TckCycles();
    for (auto _ : state) benchmark::DoNotOptimize(svf.ExecuteLine(line));
    state.counters["TCK"] =
        benchmark::Counter(static_cast<double>(port->Cable().TckCycles() - before), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VirtualCableLongScan)
    ->ArgNames({"bits", "batched"})
    ->Args({1 << 16, 0})
    ->Args({1 << 16, 1})
    ->Args({1 << 19, 0})
    ->Args({1 << 19, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// An SVF server of this benchmark's own on a virtual cable whose devices keep their cells in memory
// (as the built-in path's do here), reached through its socket in a runtime folder of its own.
struct ServerSession {
    explicit ServerSession(const std::string& chain)
    {
        char dir[] = "/tmp/kalidor-bench-XXXXXX";
        if (mkdtemp(dir)) runtime = dir;
        if (const char* old = getenv("XDG_RUNTIME_DIR")) previous = old;
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        svf = std::make_unique<CSvfServerInterpreter>(std::make_unique<CSocketServerTransport>(
            CSvfServerLaunch{{}, {"--cable", chain, "--state-dir", ""}}));
        svf->AttachCable(nullptr, 1);
        connected = svf->Connect();
    }
    ~ServerSession()
    {
        svf.reset();
        if (previous.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(runtime, ec);
    }
    std::string runtime, previous;
    std::unique_ptr<CSvfServerInterpreter> svf;
    bool connected = false;
};

struct Programmer {
    // On a virtual cable of its own, or on `external` (an interpreter with its own cable).
    explicit Programmer(const std::string& type, CSvfInterpreter* external = nullptr)
        : device(CreateDeviceConfig(type)),
          program(CreateRegProgram(type)),
          port(CreateVirtualTapPort("virtual:" + type, {}))
    {
        program->SetDevice(device.get());
        svf.AttachPort(port.get(), kInterpreterBuiltIn);
        jtag.SetInterpreter(external ? external : &svf);
        jtag.SetRegProgram(program.get());
        scripted = std::make_unique<CJtagScriptedDevice>(jtag, *device, *program);
        // A design with something in every part of the registers.
        for (int c = 0; c < device->GetCellCount(); c += 3) device->E2_SetValue(c, 1);
        device->SetSecurity(0);
        if (type == "ZelD") device->SetSymValue(10, 0);
    }
    std::unique_ptr<DeviceConfig> device;
    std::unique_ptr<CJtagRegProgram> program;
    std::unique_ptr<CVirtualTapPort> port;
    CTapSvfInterpreter svf;
    CJtagDevice jtag;
    std::unique_ptr<CJtagScriptedDevice> scripted;
};

void BM_Download(benchmark::State& state, const char* type)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    Programmer p(type);
    const auto t0 = p.port->Cable().Clock().NowMicroseconds();
    int failures = 0;
    for (auto _ : state)
        if (p.scripted->Download() != kJtagDone) ++failures;
    const auto t1 = p.port->Cable().Clock().NowMicroseconds();
    state.counters["virtual_ms"] = static_cast<double>(t1 - t0) / 1000.0 / static_cast<double>(state.iterations());
    state.counters["failures"] = failures;
}
BENCHMARK_CAPTURE(BM_Download, ZelA, "ZelA")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Download, ZelD, "ZelD")->UseRealTime()->Unit(benchmark::kMillisecond);

// With real-time waits a download lasts its RUNTEST waits (measured in virtual time first) plus
// the time to send the bits; "overhead_pct" is how much longer than the waits alone it takes.
void BM_DownloadRealTime(benchmark::State& state, const char* type)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    Programmer p(type);
    const auto v0 = p.port->Cable().Clock().NowMicroseconds();
    p.scripted->Download();
    const double waitsMs = static_cast<double>(p.port->Cable().Clock().NowMicroseconds() - v0) / 1000.0;
    p.port->Cable().UseRealTime(true);
    int failures = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state)
        if (p.scripted->Download() != kJtagDone) ++failures;
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() /
        static_cast<double>(state.iterations());
    state.counters["runtest_ms"] = waitsMs;
    state.counters["overhead_pct"] = (wallMs / waitsMs - 1.0) * 100.0;
    state.counters["failures"] = failures;
}
BENCHMARK_CAPTURE(BM_DownloadRealTime, ZelA, "ZelA")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DownloadRealTime, ZelD, "ZelD")->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_UploadZelD(benchmark::State& state)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    Programmer p("ZelD");
    p.scripted->Download();
    int failures = 0;
    for (auto _ : state)
        if (p.scripted->Upload() != kJtagDone) ++failures;
    state.counters["failures"] = failures;
}
BENCHMARK(BM_UploadZelD)->UseRealTime()->Unit(benchmark::kMillisecond);

const char* const kStatements[] = {"SIR 5 TDI (0D);\r\n", "SDR 32 TDI (FFFFFFFF);\r\n"};

void BM_Statements(benchmark::State& state)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    std::unique_ptr<ServerSession> server;
    auto port = CreateVirtualTapPort("virtual:ZelA", {});
    CTapSvfInterpreter local;
    local.AttachPort(port.get(), kInterpreterBuiltIn);
    CSvfInterpreter* svf = &local;
    if (state.range(0)) {
        server = std::make_unique<ServerSession>("virtual:ZelA");
        if (!server->connected) {
            state.SkipWithError("svfsvr could not be started");
            return;
        }
        svf = server->svf.get();
    }
    svf->ExecuteLine("TRST ON;\r\n");
    std::size_t i = 0;
    int failures = 0;
    for (auto _ : state)
        if (svf->ExecuteLine(kStatements[i++ & 1]) != kSvfOk) ++failures;
    state.counters["statements"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_Statements)->ArgName("server")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_ProgramViaServer(benchmark::State& state)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    ServerSession server("virtual:ZelA");
    if (!server.connected) {
        state.SkipWithError("svfsvr could not be started");
        return;
    }
    std::vector<std::string> lines{"TRST ON;"};
    for (int i = 1; i < 1000; ++i) lines.emplace_back(i & 1 ? "SIR 5 TDI (0D);" : "SDR 32 TDI (FFFFFFFF);");
    int failures = 0;
    for (auto _ : state)
        server.svf->ExecuteLines(lines, [&](std::size_t, SvfResult r) { failures += r != kSvfOk; });
    state.counters["statements"] =
        benchmark::Counter(static_cast<double>(state.iterations() * lines.size()), benchmark::Counter::kIsRate);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_ProgramViaServer)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_DownloadViaServer(benchmark::State& state, const char* type)
{
    QuietPrompter prompter;
    ScopedPrompter scope(prompter);
    ServerSession server(std::string("virtual:") + type);
    if (!server.connected) {
        state.SkipWithError("svfsvr could not be started");
        return;
    }
    Programmer p(type, server.svf.get());
    int failures = 0;
    for (auto _ : state)
        if (p.scripted->Download() != kJtagDone) ++failures;
    state.counters["failures"] = failures;
    state.counters["lines"] = static_cast<double>(p.jtag.LinesSent()) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_DownloadViaServer, ZelA, "ZelA")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DownloadViaServer, ZelD, "ZelD")->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
