// svfsvr: the SVF server. It runs the SVF statements that Kalidor (or kalidor-cli svf/program
// --via-server) sends over a Unix-domain socket on its own interpreter and download cable, and
// answers each with the statement's result. Kalidor starts it when its JTAG interface is set to
// the SVF server and none is running; it can also be started by hand, for instance on the machine
// with the cable while Kalidor runs elsewhere on the same host.
//
// It logs to standard error and ends cleanly on SIGTERM, SIGINT or SIGHUP.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "jtag/JtagInterface.h"
#include "jtag/TapPortFactory.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/server/SvfServer.h"
#include "jtag/server/SvfServerProtocol.h"
#include "platform/Prompter.h"

namespace {

constexpr const char kUsage[] =
    "Usage: svfsvr [--cable SPEC] [--state-dir DIR] [--no-cable-check] [--no-power-check] [--verbose]\n"
    "              [--exit-when-unused] [--ready-fd N]\n"
    "\n"
    "Serves the SVF interpreter on the socket SVFsvr in $XDG_RUNTIME_DIR (or /tmp/kalidor-UID).\n"
    "  --cable SPEC        the download cable: virtual:DEVICES (default virtual:ZelA), ppdev[:PATH],\n"
    "                      direct[:ADDR], as kalidor-cli takes them\n"
    "  --state-dir DIR     where the virtual devices keep their E2 cells\n"
    "  --verbose           log every statement with its result\n"
    "  --exit-when-unused  end when the last client has gone\n"
    "  --ready-fd N        write \"ready\" to fd N once listening (or when a server is running already)\n";

int g_stopPipe[2] = {-1, -1};

void OnSignal(int)
{
    const int saved = errno;
    const char c = 's';
    (void)!write(g_stopPipe[1], &c, 1);
    errno = saved;
}

void Log(const std::string& text)
{
    std::fprintf(stderr, "svfsvr[%d]: %s\n", static_cast<int>(getpid()), text.c_str());
}

void SayReady(int fd)
{
    if (fd < 0) return;
    (void)!write(fd, "ready\n", 6);
    close(fd);
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace kalidor;
    std::string spec = kDefaultVirtualChain;
    std::string stateDir = DefaultVirtualStateDirectory();
    bool cableCheck = true, powerCheck = true, verbose = false, exitWhenUnused = false;
    int readyFd = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--cable" && hasValue) {
            spec = argv[++i];
        } else if (a == "--state-dir" && hasValue) {
            stateDir = argv[++i];
        } else if (a == "--ready-fd" && hasValue) {
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || v < 0 || v > 1024) {
                std::fprintf(stderr, "svfsvr: bad --ready-fd\n%s", kUsage);
                return 2;
            }
            readyFd = static_cast<int>(v);
        } else if (a == "--no-cable-check") {
            cableCheck = false;
        } else if (a == "--no-power-check") {
            powerCheck = false;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (a == "--exit-when-unused") {
            exitWhenUnused = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "svfsvr: unknown argument \"%s\"\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (readyFd >= 0 && fcntl(readyFd, F_SETFD, FD_CLOEXEC) != 0) readyFd = -1;

    // Messages of the interpreter and the cable go to the log.
    StreamPrompter prompter(false);
    ScopedPrompter scope(prompter);

    std::string error;
    const std::string path = SvfServerSocketPath(kSvfServerService, &error);
    if (path.empty()) {
        Log("no place for the socket: " + error);
        return 1;
    }
    if (IsVirtualChainDescription(spec) && !stateDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(stateDir, ec);
        if (ec) stateDir.clear();  // the devices keep their cells in memory
    }
    std::unique_ptr<CJtagCable> cable = CreateCable(spec, stateDir, &error);
    if (!cable) {
        Log("bad cable \"" + spec + "\": " + error);
        return 2;
    }
    cable->SetCableCheck(cableCheck);
    cable->SetPowerCheck(powerCheck);
    if (!cable->Open()) {
        Log("the cable " + cable->GetName() + " could not be opened");
        return 1;
    }
    CTapSvfInterpreter interpreter;
    interpreter.AttachCable(cable.get(), kInterpreterBuiltIn);
    ApplyTapPortAddress(*cable, spec);

    CSvfServer server(interpreter, cable->GetName());
    server.SetExitWhenUnused(exitWhenUnused);
    server.SetVerbose(verbose);
    switch (server.Listen(path, error)) {
    case CServerListen::kListening: break;
    case CServerListen::kAlreadyRunning:
        Log("a server is running already on " + path);
        SayReady(readyFd);
        cable->Close();
        return 0;
    case CServerListen::kFailed:
        Log(error);
        cable->Close();
        return 1;
    }

    if (pipe2(g_stopPipe, O_CLOEXEC) != 0) {
        Log(std::string("pipe: ") + std::strerror(errno));
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Log("serving " + path + " on " + cable->GetName());
    SayReady(readyFd);
    server.Run(g_stopPipe[0]);
    Log("stopped after " + std::to_string(server.StatementsExecuted()) + " statements");
    cable->Close();
    return 0;
}
