// Making a cable from a short text, for the host programs and kalidor-cli. The forms come from the
// cable back ends (cables/CableBackends.h):
//   "direct" or "direct:ADDR" direct port I/O (x86, needs port access rights) at port 378h, or at
//                            the data-register address ADDR ("0x278", "278h" or "278": hexadecimal)
//   "ppdev" or "ppdev:PATH"  the Linux parallel-port driver, /dev/parport0 unless PATH is given
//   "virtual:..."            a virtual cable with the chain described (cables/VirtualCable.h)
// The cable is not opened; the caller opens it and attaches it to its interpreter.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jtag/JTAGTapPort.h"

namespace kalidor {

// nullptr and a message for the user in `error` when the text names no cable or is bad for the
// cable it names (a bad address, a bad virtual chain). `stateDir` is where a cable that keeps state
// between runs (the virtual devices' cells) keeps it; "" keeps it in memory.
std::unique_ptr<CJtagCable> CreateCable(std::string_view spec, const std::string& stateDir,
                                        std::string* error = nullptr);

// The same for the cables that are parallel ports (all the back ends so far): nullptr, with a
// message, for a cable of another kind.
std::unique_ptr<CJTAGTapPort> CreateTapPort(std::string_view spec, const std::string& stateDir,
                                            std::string* error = nullptr);

// The port number and addresses a port text asks for: the standard port 0..2 when the address is
// one of 3BCh, 378h, 278h (status register one above), number 3 with the explicit addresses for any
// other, port 1 (378h) for a text without an address. False for a malformed address.
bool TapPortAddress(std::string_view spec, int& number, int& dataPort, int& statusPort);

// Selects the port of `spec` with SetPort when the cable is a parallel port. Call it after the
// cable is attached to its interpreter (attaching selects port 0).
void ApplyTapPortAddress(CJtagCable& cable, std::string_view spec);

}  // namespace kalidor
