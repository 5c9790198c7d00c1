// The conversation with svfsvr over its Unix-domain socket (SvfServerProtocol.h), and the start of
// a server when none is running.
//
// A server this transport starts runs detached from the terminal, with its standard input and
// output on /dev/null and its log (standard error) appended to "SVFsvr.log" beside the socket. It
// is told to end when its last client goes, so that it does not outlive the program that started
// it; a server started by hand keeps running until it is sent SIGTERM.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "jtag/SvfServerInterpreter.h"

namespace kalidor {

// How a server is started: the program ("" means svfsvr beside the running program, or on the
// PATH when there is none there) and the arguments that choose its cable.
struct CSvfServerLaunch {
    std::string program;
    std::vector<std::string> arguments;
};

// The arguments that start a server on a cable (a cable text as kalidor-cli takes it) whose
// virtual devices keep their cells in `stateDir` ("" leaves the server's default).
std::vector<std::string> SvfServerCableArguments(const std::string& cableSpec, const std::string& stateDir);

// The server's log beside its socket.
inline constexpr const char* kSvfServerLogName = "SVFsvr.log";

class CSocketServerTransport : public CSvfServerTransport {
public:
    explicit CSocketServerTransport(CSvfServerLaunch launch = {}, int transactionMs = kSvfServerTransactionMs);
    ~CSocketServerTransport() override;
    CSocketServerTransport(const CSocketServerTransport&) = delete;
    CSocketServerTransport& operator=(const CSocketServerTransport&) = delete;

    CServerConnect Connect(const std::string& service, const std::string& topic) override;
    bool StartServer(const std::string& service) override;
    void Disconnect() override;
    CServerExchange Exchange(std::span<const CSvfMessage> requests,
                             const std::function<void(std::size_t, const CSvfMessage&)>& answer) override;
    std::string ServerDescription() const override { return m_description; }

    // The process id of the server this transport started last (0 when it started none).
    pid_t StartedServer() const { return m_started; }
    // Why the last Connect or StartServer failed ("" when it did not).
    const std::string& LastError() const { return m_error; }

private:
    // Collects servers started before that have ended since.
    void Reap();

    CSvfServerLaunch m_launch;
    int m_transactionMs;
    int m_fd = -1;
    CSvfMessageReader m_reader;
    std::string m_description;
    std::string m_error;
    pid_t m_started = 0;
    std::vector<pid_t> m_children;
};

}  // namespace kalidor
