#include "jtag/JtagChainScan.h"

#include <algorithm>
#include <cstdio>

#include "device/DeviceKind.h"
#include "jtag/JtagCable.h"
#include "jtag/JtagDevice.h"

namespace kalidor {

namespace {

// Clocks with TMS and TDI held, returning the TDO levels.
std::vector<std::uint8_t> Clocks(CJtagCable& cable, const std::vector<std::uint8_t>& tms, const std::vector<std::uint8_t>& tdi)
{
    std::vector<std::uint8_t> tdo(tms.size(), 0);
    cable.Shift(tms.data(), tdi.data(), tms.size(), tdo.data());
    cable.Flush();
    return tdo;
}

void Move(CJtagCable& cable, std::initializer_list<std::uint8_t> tms)
{
    Clocks(cable, std::vector<std::uint8_t>(tms), std::vector<std::uint8_t>(tms.size(), 1));
}

std::string IdcodeText(std::uint32_t idcode)
{
    std::string text(32, '0');
    for (int i = 0; i < 32; ++i)
        if (idcode >> i & 1u)
            text[static_cast<std::size_t>(31 - i)] = '1';
    return text;
}

// Counts the splits of captured[from..) among devices[index..) (up to 2).
int CountSplits(const std::vector<CScannedDevice>& devices, std::size_t index, const std::vector<std::uint8_t>& captured,
                std::size_t from, std::vector<int>& lengths)
{
    if (index == devices.size())
        return from == captured.size() ? 1 : 0;
    if (from + 1 >= captured.size() || captured[from] != 1 || captured[from + 1] != 0)
        return 0;
    const int known = devices[index].irLength;
    int found = 0;
    const int lo = known > 0 ? known : 2;
    const int hi = known > 0 ? known : static_cast<int>(captured.size() - from);
    for (int len = lo; len <= hi && found < 2; ++len) {
        if (from + static_cast<std::size_t>(len) > captured.size())
            break;
        std::vector<int> rest;
        const int n = CountSplits(devices, index + 1, captured, from + static_cast<std::size_t>(len), rest);
        if (n > 0 && found == 0) {
            lengths = {len};
            lengths.insert(lengths.end(), rest.begin(), rest.end());
        }
        found += n;
    }
    return std::min(found, 2);
}

}  // namespace

bool CChainScanResult::Complete() const
{
    return ok && std::all_of(devices.begin(), devices.end(), [](const CScannedDevice& d) { return d.irLength > 0; });
}

std::string FormatIdcode(std::uint32_t idcode)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", idcode);
    return text;
}

bool DeriveIrLengths(std::vector<CScannedDevice>& devices, const std::vector<std::uint8_t>& capturedFromTdo)
{
    int unknown = 0, known = 0;
    for (const CScannedDevice& d : devices) {
        if (d.irLength > 0)
            known += d.irLength;
        else
            ++unknown;
    }
    const int total = static_cast<int>(capturedFromTdo.size());
    if (unknown == 0)
        return known == total;
    if (unknown == 1 && total - known >= 2) {
        for (CScannedDevice& d : devices)
            if (d.irLength == 0)
                d.irLength = total - known;
        return true;
    }
    // Each device's capture pattern: walk the devices from TDO, whose bits come out first.
    std::vector<CScannedDevice> fromTdo(devices.rbegin(), devices.rend());
    std::vector<int> lengths;
    if (CountSplits(fromTdo, 0, capturedFromTdo, 0, lengths) != 1)
        return false;
    for (std::size_t i = 0; i < fromTdo.size(); ++i)
        devices[devices.size() - 1 - i].irLength = lengths[i];
    return true;
}

CChainScanResult ScanChain(CJtagCable& cable)
{
    CChainScanResult result;
    // Test-Logic-Reset, Run-Test/Idle, then Shift-DR.
    Move(cable, {1, 1, 1, 1, 1, 0, 1, 0, 0});
    // Ones go in; what comes out are the devices' registers, the one nearest TDO first, then our
    // own ones: an "IDCODE" of all ones ends the chain.
    const std::size_t drBits = static_cast<std::size_t>(kMaxScannedDevices + 1) * 32;
    std::vector<std::uint8_t> tms(drBits, 0), tdi(drBits, 1);
    tms.back() = 1;  // Exit1-DR with the last bit
    const std::vector<std::uint8_t> dr = Clocks(cable, tms, tdi);
    Move(cable, {1, 1, 1, 0, 0});  // Update-DR, Select-DR, Select-IR, Capture-IR, Shift-IR

    std::vector<CScannedDevice> fromTdo;
    std::size_t at = 0;
    bool ended = false;
    while (at < dr.size() && !ended) {
        if (dr[at] == 0) {
            fromTdo.push_back({});
            ++at;
        } else {
            if (at + 32 > dr.size())
                break;
            std::uint32_t id = 0;
            for (int i = 0; i < 32; ++i)
                id |= static_cast<std::uint32_t>(dr[at + static_cast<std::size_t>(i)]) << i;
            at += 32;
            if (id == 0xFFFFFFFFu) {
                ended = true;
                break;
            }
            CScannedDevice d;
            d.idcode = id;
            const CIdcodeFields f = DecodeIdcode(IdcodeText(id));
            if (const DeviceTraits* t = FindDeviceTraits(f.deviceType)) {
                d.deviceType = f.deviceType;
                d.irLength = t->irLength;
            }
            fromTdo.push_back(d);
        }
        if (static_cast<int>(fromTdo.size()) > kMaxScannedDevices)
            break;
    }

    // The instruction registers: flush them with ones, then count the ones that come out before
    // the first of the zeros that follow.
    const std::size_t irBits = static_cast<std::size_t>(kMaxScannedIrBits);
    std::vector<std::uint8_t> itms(2 * irBits, 0), itdi(2 * irBits, 0);
    std::fill(itdi.begin(), itdi.begin() + static_cast<std::ptrdiff_t>(irBits), 1);
    itms.back() = 1;
    const std::vector<std::uint8_t> ir = Clocks(cable, itms, itdi);
    Move(cable, {1, 1, 1, 1, 1});  // back to Test-Logic-Reset: every device in its reset state

    int total = -1;
    for (std::size_t i = irBits; i < ir.size(); ++i)
        if (ir[i] == 0) {
            total = static_cast<int>(i - irBits);
            break;
        }
    if (!ended) {
        result.error = dr[0] == 1 && std::all_of(dr.begin(), dr.begin() + 32, [](std::uint8_t b) { return b == 1; })
                           ? "No device answers on the cable (TDO stays high)."
                           : "The data registers of the chain do not end: the chain is broken or longer than " +
                                 std::to_string(kMaxScannedDevices) + " devices.";
        return result;
    }
    if (fromTdo.empty()) {
        result.error = "No device answers on the cable (TDO stays high).";
        return result;
    }
    if (total <= 0) {
        result.error = "The instruction registers of the chain do not end: the chain is broken or longer than " +
                       std::to_string(kMaxScannedIrBits) + " bits.";
        return result;
    }
    result.totalIrLength = total;
    result.devices.assign(fromTdo.rbegin(), fromTdo.rend());
    // The captured IR bits came out first, those of the device nearest TDO first.
    const std::vector<std::uint8_t> captured(ir.begin(), ir.begin() + total);
    DeriveIrLengths(result.devices, captured);  // what cannot be derived stays 0, to be asked for
    result.ok = true;
    return result;
}

}  // namespace kalidor
