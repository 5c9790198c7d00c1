// Helpers shared by the JTAG tests: a port that records its clocks, a rig of a virtual cable with
// an interpreter, and the SVF texts of the frame and of a few register programs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/DeviceConfig.h"
#include "jtag/JTAGTapPort.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/MpsseBackends.h"
#include "jtag/cables/VirtualCable.h"

namespace kalidor::test {

// A port without hardware: records (TMS, TDI) at every rising TCK edge and reads TDO from `tdo`.
class RecordingPort : public CJTAGTapPort {
public:
    std::string GetName() const override { return "recording"; }
    std::string Tms() const
    {
        std::string s;
        for (auto& c : clocks) s += c.first ? '1' : '0';
        return s;
    }
    std::string Tdi() const
    {
        std::string s;
        for (auto& c : clocks) s += c.second ? '1' : '0';
        return s;
    }
    std::vector<std::pair<int, int>> clocks;
    int tdo = 0;
    int writes = 0;

protected:
    void OutputData(int, int v) override
    {
        ++writes;
        if ((v & kDataTCK) && !(last_ & kDataTCK)) clocks.push_back({(v & kDataTMS) ? 1 : 0, (v & kDataTDI) ? 1 : 0});
        last_ = v;
    }
    int InputStatus(int) override { return (tdo ? kStatusTDO : 0) | kStatusPowerSense; }

private:
    int last_ = 0;
};

// A document's JTAG objects (device model, register program, JTAG device, the operations) on an
// interpreter, with a host that refuses programming while `interfaceChanged` says so.
struct DesignRig {
    class Host : public CJtagDocumentHost {
    public:
        bool InterfaceChanged() override { return interfaceChanged && interfaceChanged(); }
        int CoerceAfterUpload() override { return 0; }
        CJtagChainCounts ChainCounts() override { return counts; }
        std::function<bool()> interfaceChanged;
        CJtagChainCounts counts;
    };

    DesignRig(const std::string& type, CSvfInterpreter* interpreter, std::function<bool()> interfaceChanged = {})
        : device(CreateDeviceConfig(type)), program(CreateRegProgram(type))
    {
        host.interfaceChanged = std::move(interfaceChanged);
        program->SetDevice(device.get());
        jtag.SetInterpreter(interpreter);
        jtag.SetRegProgram(program.get());
        jtag.SetDeviceName(type);
        scripted = std::make_unique<CJtagScriptedDevice>(jtag, *device, *program);
        scripted->SetHost(&host);
        scripted->SetDeviceTypeName(type);
    }
    std::unique_ptr<DeviceConfig> device;
    std::unique_ptr<CJtagRegProgram> program;
    Host host;
    CJtagDevice jtag;
    std::unique_ptr<CJtagScriptedDevice> scripted;
};

// The cable a rig puts between the interpreter and the simulated devices: the virtual parallel
// port, or the virtual USB cable (an MPSSE cable on a simulated FTDI chip).
enum class RigCable { Parallel, Usb };

inline const char* RigCableName(RigCable c) { return c == RigCable::Parallel ? "Parallel" : "Usb"; }

struct VirtualRig {
    explicit VirtualRig(const std::string& description, const std::string& stateDir = {},
                        RigCable kind = RigCable::Parallel, CFtdiChip chip = CFtdiChip::FT2232H)
        : kind(kind)
    {
        if (kind == RigCable::Parallel) {
            port = CreateVirtualTapPort(description, stateDir);
            if (port) svf.AttachPort(port.get(), 0);
            return;
        }
        usb = CreateVirtualFtdiCable(description, stateDir, nullptr, chip);
        if (usb.cable && usb.cable->Open()) svf.AttachCable(usb.cable.get(), 0);
    }
    CVirtualCable& Cable() { return port ? port->Cable() : usb.link->Chain(); }
    CJtagCable& Jtag() { return port ? static_cast<CJtagCable&>(*port) : *usb.cable; }
    CVirtualZelDevice& Zel(std::size_t i) { return *Cable().ZelDevice(i); }
    SvfRunReport Run(const std::string& text) { return ExecuteSvfText(svf, text); }
    // Unplugs the cable: the parallel cable from its port, the USB cable from USB.
    void Unplug()
    {
        if (port) port->Cable().SetAttached(false);
        else usb.link->UnplugAfterWrites(0);
    }
    // Plugs it in again (the USB cable is opened again).
    void Replug()
    {
        if (port) {
            port->Cable().SetAttached(true);
            return;
        }
        usb.cable->Close();
        usb.cable->Open();
    }

    RigCable kind;
    std::unique_ptr<CVirtualTapPort> port;
    CVirtualFtdiCable usb;
    CTapSvfInterpreter svf;
};

inline std::string Frame(int hir = 0, int hdr = 0, int tir = 0, int tdr = 0)
{
    return "TRST  ON;\nTRST  OFF;\nENDIR IRPAUSE;\nENDDR DRPAUSE;\n"
           "HIR  " + std::to_string(hir) + "; \nHDR  " + std::to_string(hdr) + "; \nTIR  " +
           std::to_string(tir) + "; \nTDR  " + std::to_string(tdr) + "; \n";
}

inline const char* kWait = "RUNTEST  80000 TCK  80.0E-3 SEC; \n";

// The IDCODE block of a device with IR length `ir` and the expected IDCODE `tdo` (8 hex digits).
inline std::string IdcodeBlock(int ir, const std::string& tdi, const std::string& tdo)
{
    return "! --- IDCODE\nSIR    " + std::to_string(ir) + "  TDI (0D);\nSDR   32  TDI (" + tdi + ")  TDO (" + tdo +
           ");\nSTATE IDLE;\n! --- end IDCODE  \n";
}

inline std::string ZelAIdcode() { return IdcodeBlock(5, "55AA55AA", "00100043"); }

// ZelA "Write USR" with programming and in-line verify; `hex` is the 109-bit image.
inline std::string ZelAWriteUsr(const std::string& hex, bool erase = true)
{
    std::string s = "!   \n! --- Write USR\n" + ZelAIdcode();
    if (erase) s += std::string("! UBE (user bulk erase)\nSIR    5  TDI (02);\n") + kWait;
    s += "! ADDUSR (address USR)\nSIR    5  TDI (01);\nSDR 109 TDI (" + hex + ");\n";
    s += std::string("! PRGUSR  (program USR)\nSIR    5  TDI (04); \n") + kWait;
    s += "! in-line verify\n! VERUSR  (verify USR)\nSIR    5  TDI (03);\nSTATE IDLE;\nSIR    5  TDI (01);\n";
    s += "SDR 109 TDI (" + hex + ") TDO (" + hex + ");\nSTATE IDLE;\n!   \n";
    return s;
}

inline std::string ZelAReadUsr()
{
    return "! --- Read USR\n" + ZelAIdcode() +
           "! VERUSR  (verify USR)\nSIR    5  TDI (03);\nSTATE IDLE;\n! ADDUSR (address USR)\n"
           "SIR    5  TDI (01);\nSDR  109  TDI (0102030405060708091011121314156);\nSTATE IDLE;\n";
}

// 1-based number of the first line of `text` that equals `line`, 0 when none does.
inline int LineOf(const std::string& text, const std::string& line)
{
    int n = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t nl = text.find('\n', pos);
        ++n;
        if (text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos) == line) return n;
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return 0;
}

}  // namespace kalidor::test
