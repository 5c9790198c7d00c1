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

// A decimal number of at most `max`, digits only.
bool ParseSmallNumber(std::string_view text, int max, int& value)
{
    if (text.empty() || text.size() > 9) return false;
    long long n = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        n = n * 10 + (c - '0');
    }
    if (n > max) return false;
    value = static_cast<int>(n);
    return true;
}

}  // namespace

bool ParseVirtualCableFaults(std::string_view text, VirtualCableFaults& faults, std::string& error)
{
    faults = {};
    const std::size_t question = text.find('?');
    if (question == std::string_view::npos) return true;
    text = text.substr(question + 1);
    while (true) {
        const std::size_t amp = text.find('&');
        const std::string_view item = Trim(text.substr(0, amp));
        const std::size_t eq = item.find('=');
        const std::string_view name = Trim(item.substr(0, eq));
        const std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(item.substr(eq + 1));
        const bool hasValue = eq != std::string_view::npos;
        bool ok = true;
        int n = 0;
        if (EqualsNoCase(name, "tdo")) {
            ok = hasValue && ParseSmallNumber(value, 1, n);
            faults.tdoStuck = n;
        } else if (EqualsNoCase(name, "detached")) {
            ok = !hasValue;
            faults.detached = true;
        } else if (EqualsNoCase(name, "nopower")) {
            ok = !hasValue;
            faults.noPower = true;
        } else if (EqualsNoCase(name, "flip")) {
            const std::size_t colon = value.find(':');
            int bit = 0;
            ok = hasValue && ParseSmallNumber(value.substr(0, colon), 100000000, n) && n >= 1 &&
                 (colon == std::string_view::npos || ParseSmallNumber(value.substr(colon + 1), CJtagBits::kMaxBits, bit));
            faults.flipScan = n;
            faults.flipBit = bit;
        } else if (EqualsNoCase(name, "secured")) {
            if (!hasValue) {
                faults.securedAll = true;
            } else {
                ok = ParseSmallNumber(value, kMaxVirtualDevices - 1, n);
                faults.securedAt.push_back(n);
            }
        } else {
            ok = false;
        }
        if (!ok) {
            error = "Unknown or malformed fault \"" + std::string(item) + "\" of the virtual cable. " + kVirtualFaultHelp;
            return false;
        }
        if (amp == std::string_view::npos) break;
        text = text.substr(amp + 1);
    }
    return true;
}

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
    const std::size_t question = text.find('?');
    if (question != std::string_view::npos) {
        VirtualCableFaults faults;
        if (!ParseVirtualCableFaults(text.substr(question), faults, error)) return false;
        text = text.substr(0, question);
    }
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
            std::string_view num = Trim(item.substr(colon + 1));
            std::string_view code;
            if (const std::size_t second = num.find(':'); second != std::string_view::npos) {
                code = Trim(num.substr(second + 1));
                num = Trim(num.substr(0, second));
            }
            int n = 0;
            const bool ok = ParseSmallNumber(num, kMaxForeignIrLength, n);
            if (!ok || n < 1) {
                error = "A foreign device of the virtual cable needs an instruction register length of 1 to " +
                        std::to_string(kMaxForeignIrLength) + " bits: \"" + std::string(item) + "\".";
                return false;
            }
            if (!code.empty()) {
                // An IDCODE: hexadecimal with 0x, its mandatory bit 0 set.
                std::uint32_t value = 0;
                bool good = code.size() > 2 && code.size() <= 10 && code[0] == '0' && (code[1] == 'x' || code[1] == 'X');
                for (std::size_t i = 2; good && i < code.size(); ++i) {
                    const unsigned char c = static_cast<unsigned char>(code[i]);
                    if (!std::isxdigit(c)) {
                        good = false;
                        break;
                    }
                    const int d = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
                    value = value << 4 | static_cast<std::uint32_t>(d);
                }
                if (!good || (value & 1u) == 0 || value == 0xFFFFFFFFu) {
                    error = "A foreign device's IDCODE is written 0x followed by up to eight hexadecimal digits, "
                            "with bit 0 set: \"" + std::string(item) + "\".";
                    return false;
                }
                v.idcode = value;
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
            AddDevice(std::make_unique<CVirtualForeignDevice>(items[i].irLength, items[i].idcode));
            continue;
        }
        auto dev = CVirtualZelDevice::Create(items[i].type, m_clock);
        if (!stateDir.empty() &&
            !dev->AttachStateFile(stateDir + "/virtual-" + std::to_string(i) + "-" + items[i].type + ".state")) {
            error = "The state file \"" + dev->StateFile() + "\" of the virtual " + items[i].type +
                    " cannot be used (" + dev->StateProblem() +
                    "). Move it away or delete it to start with an erased device.";
            m_devices.clear();
            return false;
        }
        AddDevice(std::move(dev));
    }
    VirtualCableFaults faults;
    ParseVirtualCableFaults(description, faults, error);  // checked with the chain above
    SetAttached(!faults.detached);
    SetPowered(!faults.noPower);
    SetTdoStuck(faults.tdoStuck);
    if (faults.flipScan > 0) FlipBitInScan(static_cast<std::uint64_t>(faults.flipScan), faults.flipBit);
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        const bool secured = faults.securedAll || std::find(faults.securedAt.begin(), faults.securedAt.end(),
                                                            static_cast<int>(i)) != faults.securedAt.end();
        if (CVirtualZelDevice* zel = ZelDevice(i); zel && secured) zel->SetSecured(true, false);
    }
    return true;
}

std::string CVirtualCable::StateProblem() const
{
    for (const auto& d : m_devices)
        if (const auto* zel = dynamic_cast<const CVirtualZelDevice*>(d.get()); zel && !zel->StateProblem().empty())
            return zel->StateProblem();
    return {};
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

void CVirtualCable::FlipBitInScan(std::uint64_t scan, int bit)
{
    m_flipScan = scan;
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
            ++m_scanCount;
        } else {
            ++m_scanBit;
        }
        m_flipNow = m_flipScan == m_scanCount && m_scanBit == m_flipBit;
        if (m_flipNow) m_flipScan = 0;
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
