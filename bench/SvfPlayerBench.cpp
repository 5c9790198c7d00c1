// Speed of the full SVF player and what programming costs on the (simulated) USB cable.
//   BM_SvfPlayer              a foreign-style file of SIR/SDR statements with TDO checks on a chain
//                             of three devices on the virtual cable; counters: statements and TCK
//                             cycles per second.
//   BM_UsbDownload/ZelA, ZelD a whole download (IDCODE check, erase, program, in-line verify) on the
//                             virtual USB cable (a simulated FT2232H): USB transfers per download
//                             besides the RUNTEST waits' own writes, all transfers, the waits,
//                             and bytes written per TCK outside the waits.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "device/DeviceConfig.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/SvfPlayer.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/MpsseBackends.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Prompter.h"

using namespace kalidor;

namespace {

class SilentPrompter : public Prompter {
public:
    Answer Message(const std::string&, const std::string&, Buttons, MessageIcon) override { return Answer::Ok; }
};

void BM_SvfPlayer(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    auto port = CreateVirtualTapPort("virtual:ZelA,foreign:8,ZelC", {});
    // ZelC (nearest TDO) with its IR all ones, the others in the trailer: TDI comes out three
    // clocks late.
    std::string text = "STATE RESET;\nENDIR IDLE;\nENDDR DRPAUSE;\nTIR 13 TDI (1FFF);\nTDR 2 TDI (0);\n"
                       "SIR 6 TDI (3F);\n";
    // 0101... in, 1010...1000 out.
    const auto digits = static_cast<std::size_t>(bits / 4);
    const std::string in(digits, '5'), out(std::string(digits - 1, 'A') + "8"), mask(digits, 'F');
    for (int i = 0; i < 1000; ++i)
        text += "SDR " + std::to_string(bits) + " TDI (" + in + ")\n  TDO (" + out + ") MASK (" + mask + ");\n";
    std::uint64_t statements = 0, tck = 0, failures = 0;
    for (auto _ : state) {
        std::istringstream stream(text);
        CSvfPlayer player(*port);
        const CSvfPlayResult& r = player.Play(stream);
        statements += r.statements;
        tck += r.tck;
        if (!r.Passed()) ++failures;
    }
    state.counters["statements"] = benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
    state.counters["TCK"] = benchmark::Counter(static_cast<double>(tck), benchmark::Counter::kIsRate);
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_SvfPlayer)->ArgNames({"bits"})->Arg(32)->Arg(4096)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_UsbDownload(benchmark::State& state, const char* type)
{
    SilentPrompter prompter;
    ScopedPrompter scope(prompter);
    auto device = CreateDeviceConfig(type);
    auto program = CreateRegProgram(type);
    program->SetDevice(device.get());
    for (int c = 0; c < device->GetCellCount(); c += 3) device->E2_SetValue(c, 1);
    device->SetSecurity(0);
    CVirtualFtdiCable usb = CreateVirtualFtdiCable(std::string("virtual-ftdi:") + type, {}, nullptr);
    usb.cable->Open();
    CTapSvfInterpreter svf;
    svf.AttachCable(usb.cable.get(), kInterpreterBuiltIn);
    CJtagDevice jtag;
    jtag.SetInterpreter(&svf);
    jtag.SetRegProgram(program.get());
    CJtagScriptedDevice scripted(jtag, *device, *program);
    usb.cable->ResetStats();
    int failures = 0;
    for (auto _ : state)
        if (scripted.Download() != kJtagDone) ++failures;
    const auto& st = usb.cable->Stats();
    const double n = static_cast<double>(state.iterations());
    state.counters["transfers"] = static_cast<double>(st.writes + st.reads - st.waits) / n;
    state.counters["all_transfers"] = static_cast<double>(st.writes + st.reads) / n;
    state.counters["waits"] = static_cast<double>(st.waits) / n;
    state.counters["bytes_per_tck"] =
        static_cast<double>(st.bytesWritten) / static_cast<double>(st.tck - st.waitTck);
    state.counters["failures"] = failures;
}
BENCHMARK_CAPTURE(BM_UsbDownload, ZelA, "ZelA")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UsbDownload, ZelD, "ZelD")->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
