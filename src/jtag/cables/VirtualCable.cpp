#include "jtag/cables/VirtualCable.h"

#include <algorithm>
#include <cctype>

#include "jtag/JtagText.h"

namespace kalidor {

namespace {

// Status byte of a port with nothing plugged in: the inputs float high.
constexpr int kStatusDetached = 0xF8;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace

bool IsVirtualChainDescription(std::string_view text)
{
    return StartsWithNoCase(Trim(text), kVirtualPrefix);
}

bool ParseVirtualChain(std::string_view text, std::vector<VirtualChainItem>& items, std::string& error)
{
    items.clear();
    error.clear();
    if (!IsVirtualChainDescription(text)) {
        error = "The virtual cable description must begin with \"virtual:\".";
        return false;
    }
    text = Trim(text).substr(std::string_view(kVirtualPrefix).size());
    std::vector<VirtualChainItem> out;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        if (item.empty()) {
            error = "The virtual cable description names an empty device.";
            return false;
        }
        VirtualChainItem v;
        const std::size_t colon = item.find(':');
        if (colon != std::string_view::npos && EqualsNoCase(Trim(item.substr(0, colon)), "foreign")) {
            const std::string_view num = Trim(item.substr(colon + 1));
            int n = 0;
            bool ok = !num.empty() && num.size() <= 3;
            for (char c : num) {
                if (!std::isdigit(static_cast<unsigned char>(c))) ok = false;
                else n = n * 10 + (c - '0');
            }
            if (!ok || n < 1 || n > kMaxForeignIrLength) {
                error = "A foreign device of the virtual cable needs an instruction register length of 1 to " +
                        std::to_string(kMaxForeignIrLength) + " bits: \"" + std::string(item) + "\".";
                return false;
            }
            v.type = "foreign";
            v.irLength = n;
        } else {
            const std::optional<DeviceKind> kind = ParseDeviceKindIgnoringCase(item);
            if (!kind) {
                error = "Unknown device \"" + std::string(item) +
                        "\" in the virtual cable description (use ZelA to ZelE or foreign:N).";
                return false;
            }
            v.type = DeviceKindName(*kind);
            v.irLength = TraitsOf(*kind).irLength;
        }
        if (static_cast<int>(out.size()) == kMaxVirtualDevices) {
            error = "A virtual cable takes at most " + std::to_string(kMaxVirtualDevices) + " devices.";
            return false;
        }
        out.push_back(std::move(v));
        if (comma == std::string_view::npos) break;
        text = text.substr(comma + 1);
    }
    items = std::move(out);
    return true;
}

// ---------------------------------------------------------------------------------------------

CVirtualCable::CVirtualCable()
{
    m_clock.target = &m_virtualClock;
}

bool CVirtualCable::BuildChain(std::string_view description, const std::string& stateDir, std::string& error)
{
    std::vector<VirtualChainItem> items;
    if (!ParseVirtualChain(description, items, error)) return false;
    m_devices.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].type == "foreign") {
            AddDevice(std::make_unique<CVirtualForeignDevice>(items[i].irLength));
            continue;
        }
        auto dev = CVirtualZelDevice::Create(items[i].type, m_clock);
        if (!stateDir.empty())
            dev->AttachStateFile(stateDir + "/virtual-" + std::to_string(i) + "-" + items[i].type + ".state");
        AddDevice(std::move(dev));
    }
    return true;
}

void CVirtualCable::AddDevice(std::unique_ptr<CVirtualTapDevice> device)
{
    if (device) m_devices.push_back(std::move(device));
}

bool CVirtualCable::ReplaceDevice(std::size_t index, std::unique_ptr<CVirtualTapDevice> device)
{
    if (index >= m_devices.size() || !device) return false;
    m_devices[index] = std::move(device);
    return true;
}

CVirtualTapDevice* CVirtualCable::Device(std::size_t index)
{
    return index < m_devices.size() ? m_devices[index].get() : nullptr;
}

const CVirtualTapDevice* CVirtualCable::Device(std::size_t index) const
{
    return index < m_devices.size() ? m_devices[index].get() : nullptr;
}

CVirtualZelDevice* CVirtualCable::ZelDevice(std::size_t index)
{
    return dynamic_cast<CVirtualZelDevice*>(Device(index));
}

void CVirtualCable::SetPowered(bool on)
{
    if (on && !m_powered)
        for (auto& d : m_devices) d->PowerOnReset();
    m_powered = on;
    if (!on) {
        m_inScan = false;
        m_flipNow = false;
    }
}

void CVirtualCable::FlipBitInNextScan(int bit)
{
    m_flipArmed = true;
    m_flipBit = std::max(0, bit);
}

void CVirtualCable::WriteData(int value)
{
    const int old = m_data;
    m_data = value & 0xFF;
    if (!m_attached || !m_powered) return;
    const int changed = old ^ m_data;
    if (!(changed & kDataTCK)) return;
    if (m_data & kDataTCK)
        Rise((m_data & kDataTMS) ? 1 : 0, (m_data & kDataTDI) ? 1 : 0);
    else
        Fall();
}

void CVirtualCable::Rise(int tms, int tdi)
{
    ++m_cycles;
    // Every device samples the TDO its predecessor drove before this edge; TDO changes only on
    // the falling edge, so reading it after the predecessor's Rise still gives the old level.
    int in = tdi;
    for (auto& d : m_devices) {
        const int out = d->Tdo();
        d->Rise(tms, in);
        in = out;
    }
}

void CVirtualCable::Fall()
{
    for (auto& d : m_devices) d->Fall();
    if (m_devices.empty()) {
        m_tdo = 1;
        return;
    }
    const CVirtualTapDevice& last = *m_devices.back();
    m_tdo = last.Tdo();
    if (last.State() == TAP_SHIFT_DR) {
        if (!m_inScan) {
            m_inScan = true;
            m_scanBit = 0;
        } else {
            ++m_scanBit;
        }
        m_flipNow = m_flipArmed && m_scanBit == m_flipBit;
        if (m_flipNow) m_flipArmed = false;
    } else {
        m_inScan = false;
        m_flipNow = false;
    }
}

int CVirtualCable::ShiftClocks(int data, const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count,
                               std::uint8_t* tdo)
{
    const bool live = m_attached && m_powered;
    int level = 0;
    for (std::size_t i = 0; i < count; ++i) {
        level = TdoLevel();
        if (tdo) tdo[i] = static_cast<std::uint8_t>(level);
        if (live) {
            Rise(tms[i] ? 1 : 0, tdi[i] ? 1 : 0);
            Fall();
        }
    }
    data &= 0xFF & ~(kDataTCK | kDataTMS | kDataTDI);
    if (count > 0) data |= (tms[count - 1] ? kDataTMS : 0) | (tdi[count - 1] ? kDataTDI : 0);
    m_data = data;
    return level;
}

int CVirtualCable::TdoLevel() const
{
    if (!m_attached) return (kStatusDetached & kStatusTDO) ? 1 : 0;
    int tdo = m_powered ? (m_tdo ^ (m_flipNow ? 1 : 0)) : 0;
    if (m_tdoStuck >= 0) tdo = m_tdoStuck;
    return tdo;
}

int CVirtualCable::ReadStatus() const
{
    if (!m_attached) return kStatusDetached;
    int status = 0;
    if (m_data & kDataCableDrive) status |= kStatusCableSense;
    if (m_powered) status |= kStatusPowerSense;
    if (TdoLevel()) status |= kStatusTDO;
    return status;
}

// ---------------------------------------------------------------------------------------------

CVirtualTapPort::CVirtualTapPort() = default;

std::string CVirtualTapPort::GetName() const
{
    std::string s = kVirtualPortNamePrefix;
    const CVirtualCable& cable = m_cable;
    if (cable.DeviceCount() == 0) s += "none";
    for (std::size_t i = 0; i < cable.DeviceCount(); ++i) {
        if (i) s += ", ";
        s += cable.Device(i)->TypeName();
    }
    return s + ")";
}

void CVirtualTapPort::ExecuteRUNTEST(int ms)
{
    // The interpreter leaves the TAP in PAUSE_IR after the instruction scan before a RUNTEST.
    static const int kToIdle[] = {1, 1, 0};   // EXIT2_IR, UPDATE_IR, IDLE
    static const int kToReset[] = {1, 1, 1};  // SELECT_DR, SELECT_IR, RESET
    for (int tms : kToIdle) ClockStep(CStateTransition{TAP_ANY, TAP_ANY, tms});
    m_cable.Clock().WaitMilliseconds(std::clamp(ms, 0, 500));
    for (int tms : kToReset) ClockStep(CStateTransition{TAP_ANY, TAP_ANY, tms});
}

void CVirtualTapPort::Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo)
{
    // A TCK line left high (by a debug operation) makes the first clock differ: one at a time then.
    if (!m_batched || count == 0 || (m_dataByte & kDataTCK) || (m_cable.DataByte() & kDataTCK)) {
        CJTAGTapPort::Shift(tms, tdi, count, tdo);
        return;
    }
    m_tdoLevel = m_cable.ShiftClocks(m_dataByte, tms, tdi, count, tdo);
    m_dataByte = m_cable.DataByte();
}

void CVirtualTapPort::OutputData(int, int value)
{
    m_cable.WriteData(value);
}

int CVirtualTapPort::InputStatus(int)
{
    return m_cable.ReadStatus();
}

std::unique_ptr<CVirtualTapPort> CreateVirtualTapPort(std::string_view description, const std::string& stateDir,
                                                      std::string* error)
{
    auto port = std::make_unique<CVirtualTapPort>();
    std::string message;
    if (!port->Cable().BuildChain(description, stateDir, message)) {
        if (error) *error = message;
        return nullptr;
    }
    return port;
}

}  // namespace kalidor
