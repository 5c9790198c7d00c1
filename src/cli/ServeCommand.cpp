// "serve-virtual": the virtual cable's devices served to JTAG programs of other makers over the
// remote bitbang protocol (jtag/cables/RemoteBitbangServer.h), on the loopback interface only.
// The devices keep their E2 cells in the state folder as on the virtual cable, so that a design
// written by the other program can be verified or read back with "program" afterwards.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "jtag/JtagInterface.h"
#include "jtag/cables/MpsseBackends.h"
#include "jtag/cables/RemoteBitbangServer.h"
#include "jtag/cables/VirtualCable.h"

namespace kalidor::cli {

namespace {

constexpr const char kServeUsage[] =
    "serve-virtual: usage: serve-virtual --remote-bitbang PORT --chain virtual:DEVICES [--state-dir DIR] [--once]";

std::atomic<bool> g_stop{false};

extern "C" void StopServing(int)
{
    g_stop = true;
}

}  // namespace

int RunServeVirtual(const Args& args)
{
    std::string chain, stateDir;
    int port = -1;
    bool once = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--remote-bitbang" || a == "--chain" || a == "--state-dir") && i + 1 < args.size()) {
            const std::string& v = args[++i];
            if (a == "--chain") chain = v;
            else if (a == "--state-dir") stateDir = v;
            else if (!ParseInt(v, port) || port < 0 || port > 65535)
                return UsageError("serve-virtual: --remote-bitbang takes a TCP port (0: any free one)");
        } else if (a == "--once") {
            once = true;
        } else {
            return UsageError(kServeUsage);
        }
    }
    if (port < 0 || chain.empty()) return UsageError(kServeUsage);
    const std::string description = VirtualChainOfCable(chain);
    if (description.empty()) return UsageError("serve-virtual: --chain takes a virtual chain, e.g. virtual:ZelA,ZelC");

    if (stateDir.empty()) stateDir = DefaultVirtualStateDirectory();
    std::error_code ec;
    if (!stateDir.empty()) std::filesystem::create_directories(stateDir, ec);
    if (ec) {
        std::fprintf(stderr, "kalidor-cli: cannot create the folder \"%s\" for the virtual devices: %s\n",
                     stateDir.c_str(), ec.message().c_str());
        return 1;
    }
    CVirtualCable cable;
    std::string error;
    if (!cable.BuildChain(description, stateDir, error)) return UsageError(error);
    CRemoteBitbangServer server(cable);
    if (!server.Listen(port, error)) {
        std::fprintf(stderr, "kalidor-cli: cannot listen on 127.0.0.1:%d: %s\n", port, error.c_str());
        return 1;
    }
    std::signal(SIGINT, StopServing);
    std::signal(SIGTERM, StopServing);
    std::printf("serving %s on 127.0.0.1:%d (remote bitbang)\n", description.c_str(), server.Port());
    std::fflush(stdout);
    while (server.ServeOne(&g_stop)) {
        if (once) break;
    }
    std::printf("%llu requests, %llu TCK\n", static_cast<unsigned long long>(server.Requests()),
                static_cast<unsigned long long>(server.Clocks()));
    return 0;
}

}  // namespace kalidor::cli
