// The SVF server: runs the statements its clients send (SvfServerProtocol.h) on an interpreter of
// its own and answers each with the statement's result. svfsvr is this class on the built-in
// interpreter and a cable; tests put scripted interpreters behind it.
//
// One thread serves every client in turn; statements of different clients run one after the other
// on the one interpreter. The socket path is owned through a lock file beside it ("<path>.lock")
// for as long as the server runs, so that two servers started at once cannot take each other's
// socket, and a socket left behind by a server that died is replaced.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jtag/server/SvfServerProtocol.h"

namespace kalidor {

class CSvfInterpreter;

enum class CServerListen {
    kListening,
    kAlreadyRunning,  // another server holds the socket
    kFailed,
};

class CSvfServer {
public:
    // `description` is what a client is told when it connects (the name of the cable).
    CSvfServer(CSvfInterpreter& interpreter, std::string description);
    ~CSvfServer();
    CSvfServer(const CSvfServer&) = delete;
    CSvfServer& operator=(const CSvfServer&) = delete;

    CServerListen Listen(const std::string& socketPath, std::string& error);
    // Ends Run() once the last client has gone (after at least one came).
    void SetExitWhenUnused(bool on) { m_exitWhenUnused = on; }
    // Where the log lines go (standard error when not set); `verbose` logs every statement too.
    void SetLog(std::function<void(const std::string&)> log) { m_log = std::move(log); }
    void SetVerbose(bool on) { m_verbose = on; }

    // Serves clients until `stopFd` becomes readable or has been closed (or the last client went,
    // see SetExitWhenUnused). Then closes every conversation and removes the socket.
    void Run(int stopFd);

    // Statements executed since the start.
    std::uint64_t StatementsExecuted() const { return m_statements; }

private:
    struct Client {
        int fd = -1;
        CSvfMessageReader reader;
        std::string out;
        bool connected = false;
        bool stopped = false;  // a statement of run `stoppedRun` ended that run
        std::uint64_t stoppedRun = 0;
    };

    CSvfMessage Answer(Client& client, const CSvfMessage& request);
    // Reads what the client sent and answers every whole message; false when it is to be closed.
    bool Serve(Client& client);
    // Sends what is waiting; false when the client is gone.
    bool Flush(Client& client);
    void Log(const std::string& text) const;
    void Close();

    CSvfInterpreter& m_interpreter;
    std::string m_description;
    std::string m_path;
    int m_listenFd = -1;
    int m_lockFd = -1;
    std::vector<Client> m_clients;
    bool m_exitWhenUnused = false;
    bool m_verbose = false;
    std::function<void(const std::string&)> m_log;
    std::uint64_t m_statements = 0;
};

}  // namespace kalidor
