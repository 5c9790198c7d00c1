// The virtual cable served over the remote bitbang protocol, so that a JTAG program of another
// maker (OpenOCD's "remote_bitbang" adapter) drives the simulated devices as it would a cable.
//
// The protocol is one ASCII character per request, over a TCP connection:
//   '0'..'7'   drive the lines: the digit is 4*TCK + 2*TMS + TDI
//   'R'        read TDO: answered with '0' or '1'
//   'r' 's' 't' 'u'   TRST and SRST: 'r' neither asserted, 's' SRST, 't' TRST, 'u' both; an
//              asserted TRST puts every TAP into Test-Logic-Reset
//   'B' 'b'    the activity light on and off (nothing to show)
//   'Q'        the client is done: the connection is closed
// Anything else is ignored. The server listens on the loopback interface only.
//
// The devices' time while served is the real time that passes (a client waits on its own clock,
// and the devices' self-timed E2 operations must see that) plus one microsecond for every TCK
// cycle, as if TCK ran at the 1 MHz the system's programs ask for: a client that counts a wait in
// clocks instead of sleeping (the protocol cannot tell the TCK rate) gives the devices that time,
// however fast the clocks arrive.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "jtag/cables/VirtualCable.h"

namespace kalidor {

class CRemoteBitbangServer {
public:
    explicit CRemoteBitbangServer(CVirtualCable& chain);
    ~CRemoteBitbangServer();
    CRemoteBitbangServer(const CRemoteBitbangServer&) = delete;
    CRemoteBitbangServer& operator=(const CRemoteBitbangServer&) = delete;

    // Listens on 127.0.0.1:`port` (0: a free port chosen by the system); false with the reason.
    bool Listen(int port, std::string& error);
    // The port listened on.
    int Port() const { return m_port; }
    // Serves one client from its connection to its 'Q' or its disconnection. Returns false when
    // `stop` became true first (checked about every 100 ms) or the listening socket failed.
    bool ServeOne(const std::atomic<bool>* stop = nullptr);

    // Interprets requests; the answers are appended to `reply`. Returns false at 'Q'.
    bool Interpret(const char* data, std::size_t size, std::string& reply);

    // Requests taken and TCK rising edges driven, over all connections.
    std::uint64_t Requests() const { return m_requests; }
    std::uint64_t Clocks() const { return m_clocks; }

    // The time one TCK cycle gives the devices.
    static constexpr std::int64_t kTckMicroseconds = 1;

private:
    // Moves the devices' clock on by the real time since the last call.
    void PassRealTime();

    CVirtualCable& m_chain;
    std::chrono::steady_clock::time_point m_last;
    int m_listen = -1;
    int m_port = 0;
    std::uint64_t m_requests = 0;
    std::uint64_t m_clocks = 0;
};

}  // namespace kalidor
