// Making a TAP port from a short text, for the host programs and kalidor-cli:
//   "direct"                 direct port I/O (x86, needs port access rights)
//   "ppdev" or "ppdev:PATH"  the Linux parallel-port driver, /dev/parport0 unless PATH is given
//   "virtual:..."            a virtual cable with the chain described (VirtualCable.h)
// The port is not opened; the caller opens it and attaches it to its interpreter.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jtag/JTAGTapPort.h"

namespace kalidor {

// nullptr and a message for the user in `error` when the text names no port kind or describes a
// bad virtual chain. `stateDir` is where virtual devices keep their cells ("" keeps them in memory).
std::unique_ptr<CJTAGTapPort> CreateTapPort(std::string_view spec, const std::string& stateDir,
                                            std::string* error = nullptr);

}  // namespace kalidor
