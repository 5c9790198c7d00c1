// Finding what is on a cable: from Test-Logic-Reset every device presents its IDCODE register (32
// bits, bit 0 a 1) or, without one, its BYPASS register (a single 0), so one data scan reads them
// all; flushing the instruction registers with ones and then counting the clocks until a zero
// comes out measures their total length. Devices of the family are known by their IDCODE and
// bring their IR length along; the IR length of the others follows from the rest when it is
// unambiguous (one such device, or a single way to split the rest at the "01" capture patterns).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalidor {

class CJtagCable;

struct CScannedDevice {
    std::uint32_t idcode = 0;  // 0: the device has no IDCODE (BYPASS after reset)
    std::string deviceType;    // "ZelA".."ZelE", or "" for a device of another maker
    int irLength = 0;          // 0 when it could not be derived
};

struct CChainScanResult {
    bool ok = false;
    std::string error;                    // why the scan failed
    std::vector<CScannedDevice> devices;  // from TDI to TDO
    int totalIrLength = 0;
    // True when every device has its IR length.
    bool Complete() const;
};

// The most devices a scan looks for, and the longest instruction register chain it measures.
inline constexpr int kMaxScannedDevices = 64;
inline constexpr int kMaxScannedIrBits = 4096;

// Scans the chain on an open cable and leaves it in Test-Logic-Reset.
CChainScanResult ScanChain(CJtagCable& cable);

// Gives the devices (TDI first) whose IR length is 0 the lengths that the captured IR bits allow:
// `capturedFromTdo` holds the bits as they came out of TDO (the device nearest TDO first, each
// device's capture beginning with 1 then 0), its size is the total IR length. One unknown device
// takes what the known ones leave; several are split at the capture patterns. True when the
// lengths are complete and unambiguous (otherwise nothing is filled in).
bool DeriveIrLengths(std::vector<CScannedDevice>& devices, const std::vector<std::uint8_t>& capturedFromTdo);

// "0x0BA00477"
std::string FormatIdcode(std::uint32_t idcode);

}  // namespace kalidor
