// Making the USB cables from their cable texts, for the back-end table (CableBackends.cpp):
//   "ftdi[:PRESET][,KEY=VALUE]..."   a USB cable with an FTDI MPSSE chip (MpsseSettings.h)
//   "virtual-ftdi:DEVICES"          the virtual USB cable: a simulated FT2232H (SimulatedMpsse.h)
//                                   on a board with an output enable on ADBUS4 and a power sense
//                                   on ADBUS6, with the devices of a virtual chain behind it
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jtag/JtagCable.h"
#include "jtag/cables/MpsseCable.h"
#include "jtag/cables/SimulatedMpsse.h"

namespace kalidor {

inline constexpr const char* kVirtualFtdiPrefix = "virtual-ftdi:";
// The pin map of the simulated board.
inline constexpr const char* kVirtualFtdiLayout = "ftdi:ft2232h,oe=ADBUS4/low,sense=ADBUS6/high";
inline constexpr const char* kVirtualFtdiNamePrefix = "Virtual USB cable (simulated ";

std::unique_ptr<CJtagCable> CreateFtdiCable(std::string_view text, std::string* error);

// A virtual USB cable: the cable, and the simulated chip it owns (for tests and fault injection).
struct CVirtualFtdiCable {
    std::unique_ptr<CMpsseCable> cable;
    CSimulatedFtdiLink* link = nullptr;
};
// `description` is "virtual-ftdi:..." or "virtual:..."; devices keep their cells in `stateDir` as
// on the virtual cable. A cable of `chip` on a board of `layout` (an "ftdi..." text).
CVirtualFtdiCable CreateVirtualFtdiCable(std::string_view description, const std::string& stateDir,
                                         std::string* error, CFtdiChip chip = CFtdiChip::FT2232H,
                                         std::string_view layout = kVirtualFtdiLayout);

// True for a text starting with "virtual-ftdi:" (letter case ignored).
bool IsVirtualFtdiDescription(std::string_view text);
// The chain of a virtual cable text of either kind as "virtual:...", or "" for another cable.
std::string VirtualChainOfCable(std::string_view text);

}  // namespace kalidor
