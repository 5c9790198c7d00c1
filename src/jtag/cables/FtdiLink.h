// The USB side of an FTDI chip in MPSSE mode, as the MPSSE cable (MpsseCable.h) needs it: open a
// channel of a chip chosen by vendor/product id, serial number and channel, write command bytes,
// read answer bytes. Two implementations: the real one over libftdi1 (FtdiUsbLink.cpp) and a
// simulated chip whose MPSSE engine drives the devices of a virtual chain (SimulatedMpsse.h), so
// that the cable is tested byte for byte without hardware.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kalidor {

// The chips with an MPSSE. FT2232D is the full-speed chip: 12 MHz base clock (6 MHz TCK at most),
// a 384-byte read buffer and no clock-only commands; the others are high-speed chips with a 60 MHz
// base clock (30 MHz TCK) and 4 KiB buffers.
enum class CFtdiChip { FT2232D, FT2232H, FT4232H, FT232H };

const char* FtdiChipName(CFtdiChip chip);
inline bool IsHighSpeedChip(CFtdiChip chip) { return chip != CFtdiChip::FT2232D; }

// Which chip and channel to open.
struct CFtdiSelector {
    int vendorId = 0x0403;
    int productId = 0x6010;
    std::string serial;  // "" : any
    int channel = 0;     // 0..3: channel A..D
    int index = 0;       // the index-th of several matching chips
    bool operator==(const CFtdiSelector&) const = default;
};

enum class CFtdiError {
    None,
    NotFound,  // no such USB device
    Access,    // found, but the user may not open it (permissions of the USB device node)
    Busy,      // found, but another program (or a kernel driver) holds it
    Io,        // a transfer failed or timed out (unplugged, reset)
};

class CFtdiLink {
public:
    virtual ~CFtdiLink() = default;
    // Opens the channel, resets it and puts it into MPSSE mode. `detail` gets the library's own
    // words on failure.
    virtual CFtdiError Open(const CFtdiSelector& selector, std::string& detail) = 0;
    virtual void Close() = 0;
    // The chip that was opened.
    virtual CFtdiChip Chip() const = 0;
    // Writes all `size` bytes.
    virtual CFtdiError Write(const std::uint8_t* data, std::size_t size, std::string& detail) = 0;
    // Reads exactly `size` bytes (waiting a bounded time for them).
    virtual CFtdiError Read(std::uint8_t* data, std::size_t size, std::string& detail) = 0;
};

// The link over libftdi1; one that fails every Open with a message when the program was built
// without it.
std::unique_ptr<CFtdiLink> CreateUsbFtdiLink();

}  // namespace kalidor
