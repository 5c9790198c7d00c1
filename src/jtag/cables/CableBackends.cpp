#include "jtag/cables/CableBackends.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "jtag/JtagInterface.h"
#include "jtag/JtagText.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/DirectIoTapPort.h"
#include "jtag/cables/MpsseBackends.h"
#include "jtag/cables/PpdevTapPort.h"
#include "jtag/cables/VirtualCable.h"

namespace kalidor {

namespace {

inline constexpr const char* kVirtualChainHelp =
    "Simulated devices from TDI to TDO, separated by commas: ZelA to ZelE, or foreign:N for a device of "
    "another maker with an N-bit instruction register.";
// The note under the field: the chain, then the faults it may inject.
const std::string kVirtualHelp = std::string(kVirtualChainHelp) + "\n" + kVirtualFaultHelp;

// --- direct port I/O: the setting is the standard port number (PortID) ---------------------------

constexpr const char* kParallelDevices[] = {"/dev/parport0", "/dev/parport1", "/dev/parport2"};

std::unique_ptr<CJtagCable> CreateDirect(std::string_view text, const std::string&, std::string* error)
{
    int number = 0, data = 0, status = 0;
    if (TapPortAddress(text, number, data, status)) return std::make_unique<CDirectIoTapPort>();
    if (error)
        *error = "Bad parallel port address \"" + std::string(text.substr(text.find(':') + 1)) +
                 "\" (use a hexadecimal address such as 0x378).";
    return nullptr;
}

std::string GetPortId(const CJtagInterfaceSettings& s)
{
    return std::to_string(s.portId);
}

void SetPortId(CJtagInterfaceSettings& s, const std::string& value)
{
    int id = -1;
    const char* end = value.data() + value.size();
    if (std::from_chars(value.data(), end, id).ptr != end) id = -1;
    s.portId = id;
}

bool UsablePortId(const std::string& value)
{
    return value == "0" || value == "1" || value == "2";
}

std::string DirectText(const std::string& value)
{
    const int id = UsablePortId(value) ? value[0] - '0' : 1;
    char text[24];
    std::snprintf(text, sizeof text, "direct:0x%X", static_cast<unsigned>(kStdDataPorts[id]));
    return text;
}

// --- the parallel-port driver: the setting is the device file --------------------------------------

std::unique_ptr<CJtagCable> CreatePpdev(std::string_view text, const std::string&, std::string*)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::make_unique<CPpdevTapPort>();
    const std::string_view path = text.substr(colon + 1);
    if (path.empty()) return nullptr;  // not one of its forms: the factory lists them
    return std::make_unique<CPpdevTapPort>(std::string(path));
}

std::string GetPpdevDevice(const CJtagInterfaceSettings& s)
{
    return s.ppdevDevice;
}

void SetPpdevDevice(CJtagInterfaceSettings& s, const std::string& value)
{
    s.ppdevDevice = value;
}

std::string PpdevText(const std::string& value)
{
    return "ppdev:" + value;
}

// --- the virtual cable: the setting is the chain description ---------------------------------------

std::unique_ptr<CJtagCable> CreateVirtual(std::string_view text, const std::string& stateDir, std::string* error)
{
    std::vector<VirtualChainItem> items;
    std::string message;
    if (!ParseVirtualChain(text, items, message)) {
        if (error) *error = message;
        return nullptr;
    }
    // The devices keep their cells in the state folder when it exists or can be made, else in memory.
    std::string dir;
    if (!stateDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(stateDir, ec);
        if (!ec) dir = stateDir;
    }
    return CreateVirtualTapPort(text, dir, error);
}

std::string GetVirtualChain(const CJtagInterfaceSettings& s)
{
    return s.virtualChain;
}

void SetVirtualChain(CJtagInterfaceSettings& s, const std::string& value)
{
    s.virtualChain = value;
}

bool UsableVirtualChain(const std::string& value)
{
    return IsVirtualChainDescription(value);
}

std::string VirtualText(const std::string& value)
{
    return value;
}

bool CheckVirtualChain(const std::string& value, std::string& error)
{
    std::vector<VirtualChainItem> items;
    return ParseVirtualChain(value, items, error);
}

// --- USB cables with an FTDI MPSSE chip: the setting is the cable text -----------------------------

inline constexpr const char* kFtdiHelp =
    "ftdi:PRESET then ,KEY=VALUE settings. Presets: ft2232h, ft232h, ft4232h, ft2232d, jtagkey, busblaster, "
    "olimex-arm-usb-ocd-h, olimex-arm-usb-tiny-h, tigard. Settings: vid, pid, serial, channel (A-D), freq "
    "(e.g. 6M), and the lines oe, trst, srst, sense as ADBUSn or ACBUSn with /low or /high.";

std::unique_ptr<CJtagCable> CreateFtdi(std::string_view text, const std::string&, std::string* error)
{
    return CreateFtdiCable(text, error);
}

std::string GetFtdiCable(const CJtagInterfaceSettings& s)
{
    return s.ftdiCable;
}

void SetFtdiCable(CJtagInterfaceSettings& s, const std::string& value)
{
    s.ftdiCable = value;
}

bool CheckFtdiCable(const std::string& value, std::string& error)
{
    CMpsseSettings settings;
    if (!StartsWithNoCase(value, kFtdiPrefix)) {
        error = "A USB cable text begins with \"ftdi\".";
        return false;
    }
    return ParseMpsseSettings(value, settings, error);
}

bool UsableFtdiCable(const std::string& value)
{
    std::string error;
    return CheckFtdiCable(value, error);
}

std::string FtdiText(const std::string& value)
{
    return value;
}

// --- the virtual USB cable: the setting is the chain description ----------------------------------

std::unique_ptr<CJtagCable> CreateVirtualFtdi(std::string_view text, const std::string& stateDir, std::string* error)
{
    std::string dir;
    if (!stateDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(stateDir, ec);
        if (!ec) dir = stateDir;
    }
    return CreateVirtualFtdiCable(text, dir, error).cable;
}

std::string GetVirtualFtdiChain(const CJtagInterfaceSettings& s)
{
    return s.virtualFtdiChain;
}

void SetVirtualFtdiChain(CJtagInterfaceSettings& s, const std::string& value)
{
    s.virtualFtdiChain = value;
}

std::string VirtualFtdiText(const std::string& value)
{
    const std::string chain = VirtualChainOfCable(value);
    return kVirtualFtdiPrefix + (chain.empty() ? std::string() : chain.substr(std::string_view(kVirtualPrefix).size()));
}

const std::array<CCableBackend, 5> kBackends = {{
    {
        "direct", kTapPortDirect, kDirectIoName, "direct, direct:ADDR", CreateDirect,
        kEntryPortId, "1", GetPortId, SetPortId, UsablePortId, DirectText, true,
        1, "Port:", CCableSettingKind::Choice, kPortIdNames, nullptr, nullptr, nullptr, nullptr,
    },
    {
        "ppdev", kTapPortPpdev, "Linux parallel port driver (ppdev)", "ppdev, ppdev:/dev/parportN", CreatePpdev,
        kEntryPpdevDevice, kDefaultPpdevDevice, GetPpdevDevice, SetPpdevDevice, nullptr, PpdevText, false,
        0, "Device file:", CCableSettingKind::DeviceFile, kParallelDevices, "parport*", nullptr, nullptr, nullptr,
    },
    {
        "virtual", kTapPortVirtual, "Virtual cable (simulated devices, no hardware)", "virtual:DEVICES",
        CreateVirtual, kEntryVirtualChain, kDefaultVirtualChain, GetVirtualChain, SetVirtualChain,
        UsableVirtualChain, VirtualText, false, 2, "Devices:", CCableSettingKind::Text, {}, nullptr,
        kVirtualHelp.c_str(), "virtual:ZelA,foreign:8,ZelC,ZelD", CheckVirtualChain,
    },
    {
        "ftdi", kTapPortFtdi, "USB cable with an FTDI MPSSE chip (FT2232H, FT4232H, FT232H, FT2232D)",
        "ftdi[:PRESET][,KEY=VALUE...]", CreateFtdi, kEntryFtdiCable, kDefaultFtdiCable, GetFtdiCable, SetFtdiCable,
        UsableFtdiCable, FtdiText, false, 3, "USB cable:", CCableSettingKind::Text, {}, nullptr, kFtdiHelp,
        "ftdi:olimex-arm-usb-ocd-h,serial=OL12345,freq=6M", CheckFtdiCable,
    },
    {
        "virtual-ftdi", kTapPortVirtualFtdi, "Virtual USB cable (simulated FT2232H and devices, no hardware)",
        "virtual-ftdi:DEVICES", CreateVirtualFtdi, kEntryVirtualFtdiChain, kDefaultVirtualChain, GetVirtualFtdiChain,
        SetVirtualFtdiChain, UsableVirtualChain, VirtualFtdiText, false, 4, "Devices:", CCableSettingKind::Text, {},
        nullptr, kVirtualChainHelp, "virtual:ZelA,foreign:8,ZelC,ZelD", CheckVirtualChain,
    },
}};

}  // namespace

std::span<const CCableBackend> CableBackends()
{
    return kBackends;
}

const CCableBackend* FindCableBackend(int tapPortClass)
{
    for (const CCableBackend& b : kBackends)
        if (b.tapPortClass == tapPortClass) return &b;
    return nullptr;
}

const CCableBackend* CableBackendOf(std::string_view text)
{
    for (const CCableBackend& b : kBackends) {
        const std::string_view id = b.id;
        if (StartsWithNoCase(text, id) &&
            (text.size() == id.size() || text[id.size()] == ':' || text[id.size()] == ','))
            return &b;
    }
    return nullptr;
}

std::string CableUsage()
{
    std::string s;
    for (const CCableBackend& b : kBackends) {
        if (!s.empty()) s += ", ";
        s += b.usage;
    }
    const std::size_t last = s.rfind(", ");
    if (last != std::string::npos) s.replace(last, 2, " or ");
    return s;
}

}  // namespace kalidor
