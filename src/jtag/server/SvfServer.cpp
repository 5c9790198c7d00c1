#include "jtag/server/SvfServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "jtag/SvfInterpreter.h"

namespace kalidor {

namespace {

// A client whose answers pile up unread is not read from until they are taken.
constexpr std::size_t kMaxPendingOut = 1u << 20;

}  // namespace

CSvfServer::CSvfServer(CSvfInterpreter& interpreter, std::string description)
    : m_interpreter(interpreter), m_description(std::move(description))
{
}

CSvfServer::~CSvfServer()
{
    Close();
}

void CSvfServer::Log(const std::string& text) const
{
    if (m_log)
        m_log(text);
    else
        std::fprintf(stderr, "svfsvr[%d]: %s\n", static_cast<int>(getpid()), text.c_str());
}

CServerListen CSvfServer::Listen(const std::string& socketPath, std::string& error)
{
    Close();
    sockaddr_un addr{};
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path) {
        error = "bad socket path \"" + socketPath + "\"";
        return CServerListen::kFailed;
    }
    const std::string lock = socketPath + ".lock";
    m_lockFd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0) {
        error = lock + ": " + std::strerror(errno);
        return CServerListen::kFailed;
    }
    if (flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        close(m_lockFd);
        m_lockFd = -1;
        if (e == EWOULDBLOCK) return CServerListen::kAlreadyRunning;
        error = lock + ": " + std::strerror(e);
        return CServerListen::kFailed;
    }
    // The lock is ours: whatever socket is there was left by a server that has gone.
    unlink(socketPath.c_str());
    m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    addr.sun_family = AF_UNIX;
    socketPath.copy(addr.sun_path, sizeof addr.sun_path - 1);
    if (m_listenFd < 0 || bind(m_listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        chmod(socketPath.c_str(), 0600) != 0 || listen(m_listenFd, 16) != 0) {
        error = socketPath + ": " + std::strerror(errno);
        Close();
        return CServerListen::kFailed;
    }
    m_path = socketPath;
    return CServerListen::kListening;
}

void CSvfServer::Close()
{
    for (Client& c : m_clients) close(c.fd);
    m_clients.clear();
    if (m_listenFd >= 0) close(m_listenFd);
    m_listenFd = -1;
    if (!m_path.empty()) unlink(m_path.c_str());
    m_path.clear();
    if (m_lockFd >= 0) close(m_lockFd);  // the lock file stays: removing it would let two servers lock two files
    m_lockFd = -1;
}

CSvfMessage CSvfServer::Answer(Client& c, const CSvfMessage& request)
{
    if (request.word == kSvfWordConnect) {
        if (request.item != kSvfServerTopic) return SvfAnswer(kSvfWordError, "no topic " + request.item);
        c.connected = true;
        return SvfAnswer(kSvfWordOk, m_description);
    }
    if (!c.connected) return SvfAnswer(kSvfWordError, "no conversation: CONNECT to a topic first");
    if (request.word == kSvfWordPoke && request.item == kSvfServerExecuteItem) {
        if (c.stopped && request.run == c.stoppedRun) return SvfAnswer(kSvfWordSkipped);
        const SvfResult r = m_interpreter.ExecuteLine(request.payload);
        ++m_statements;
        if (SvfResultStopsRun(r)) {
            c.stopped = true;
            c.stoppedRun = request.run;
        }
        if (m_verbose || SvfResultStopsRun(r)) {
            std::string line = request.payload;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            Log("statement result " + std::to_string(SvfResultCode(r)) + ": " + line);
        }
        return SvfLineResultAnswer(r);
    }
    if (request.word == kSvfWordRequest && request.item == kSvfServerIncomingDrItem)
        return SvfAnswer(kSvfWordOk, m_interpreter.IncomingDRText());
    return SvfAnswer(kSvfWordError, "unknown " + request.word + " " + request.item);
}

bool CSvfServer::Serve(Client& c)
{
    char buf[64 * 1024];
    for (;;) {
        const ssize_t n = recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            c.reader.Feed(buf, static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < sizeof buf) break;
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        return false;
    }
    CSvfMessage m;
    CSvfMessageReader::Status s = CSvfMessageReader::kNeedMore;
    while (c.out.size() < kMaxPendingOut && (s = c.reader.Next(m)) == CSvfMessageReader::kMessage)
        AppendSvfMessage(c.out, Answer(c, m));
    if (s == CSvfMessageReader::kBad) {
        Log("a client broke the protocol; its conversation is closed");
        Flush(c);
        return false;
    }
    return Flush(c);
}

bool CSvfServer::Flush(Client& c)
{
    while (!c.out.empty()) {
        const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.out.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void CSvfServer::Run(int stopFd)
{
    bool served = false;
    std::vector<pollfd> fds;
    while (m_listenFd >= 0) {
        fds.clear();
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({m_listenFd, POLLIN, 0});
        for (const Client& c : m_clients) {
            short events = c.out.size() < kMaxPendingOut ? POLLIN : 0;
            if (!c.out.empty()) events |= POLLOUT;
            fds.push_back({c.fd, events, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            Log(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents) break;
        // The clients first (their entries follow the two fixed ones), then new ones.
        std::vector<Client> kept;
        kept.reserve(m_clients.size());
        for (std::size_t i = 0; i < m_clients.size(); ++i) {
            Client& c = m_clients[i];
            const short ev = fds[i + 2].revents;
            bool alive = true;
            if (ev & POLLOUT) alive = Flush(c);
            // A client whose answers were waiting may have whole messages left to answer.
            if (alive && (ev & (POLLIN | POLLHUP | POLLERR) || (ev & POLLOUT && !c.reader.Empty()))) alive = Serve(c);
            if (alive) {
                kept.push_back(std::move(c));
            } else {
                close(c.fd);
                Log("a client closed its conversation");
            }
        }
        m_clients = std::move(kept);
        if (fds[1].revents & POLLIN) {
            for (;;) {
                const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) break;
                Client c;
                c.fd = fd;
                m_clients.push_back(std::move(c));
                served = true;
                Log("a client opened a conversation");
            }
        }
        if (m_exitWhenUnused && served && m_clients.empty()) {
            Log("the last client has gone");
            break;
        }
    }
    Close();
}

}  // namespace kalidor
