#include "jtag/server/SocketServerTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Paths.h"

extern char** environ;

namespace kalidor {

namespace {

using Clock = std::chrono::steady_clock;

// The fd on which a started server says that it is ready.
constexpr int kReadyFd = 3;

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The program to start: the one named, svfsvr beside the running program, or svfsvr on the PATH.
std::string ServerProgram(const std::string& named, bool& searchPath)
{
    searchPath = false;
    if (!named.empty()) return named;
    const std::string beside = ProgramDirectory() + "/" + kSvfServerProgram;
    if (access(beside.c_str(), X_OK) == 0) return beside;
    searchPath = true;
    return kSvfServerProgram;
}

}  // namespace

std::vector<std::string> SvfServerCableArguments(const std::string& cableSpec, const std::string& stateDir)
{
    std::vector<std::string> args;
    if (!cableSpec.empty()) args.insert(args.end(), {"--cable", cableSpec});
    if (!stateDir.empty()) args.insert(args.end(), {"--state-dir", stateDir});
    return args;
}

CSocketServerTransport::CSocketServerTransport(CSvfServerLaunch launch, int transactionMs)
    : m_launch(std::move(launch)), m_transactionMs(transactionMs)
{
}

CSocketServerTransport::~CSocketServerTransport()
{
    Disconnect();
    Reap();
}

CServerConnect CSocketServerTransport::Connect(const std::string& service, const std::string& topic)
{
    Disconnect();
    m_error.clear();
    const std::string path = SvfServerSocketPath(service, &m_error);
    if (path.empty()) return CServerConnect::kRefused;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return CServerConnect::kRefused;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    int r;
    do {
        r = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int e = errno;
        close(fd);
        m_error = path + ": " + std::strerror(e);
        // No socket, or a socket left behind by a server that is gone.
        return e == ENOENT || e == ECONNREFUSED ? CServerConnect::kNoServer : CServerConnect::kRefused;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fd = fd;
    m_reader = CSvfMessageReader();

    CSvfMessage hello;
    hello.word = kSvfWordConnect;
    hello.item = topic;
    bool ok = false;
    const CServerExchange how = Exchange(std::span<const CSvfMessage>(&hello, 1), [&](std::size_t, const CSvfMessage& a) {
        ok = a.word == kSvfWordOk;
        if (ok)
            m_description = a.payload;
        else
            m_error = a.payload;
    });
    if (how == CServerExchange::kDone && ok) return CServerConnect::kConnected;
    if (how != CServerExchange::kDone) m_error = path + ": the server did not open the conversation";
    Disconnect();
    return CServerConnect::kRefused;
}

void CSocketServerTransport::Disconnect()
{
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_description.clear();
    m_reader = CSvfMessageReader();
}

void CSocketServerTransport::Reap()
{
    for (auto it = m_children.begin(); it != m_children.end();) {
        int status = 0;
        const pid_t r = waitpid(*it, &status, WNOHANG);
        if (r == *it || (r < 0 && errno == ECHILD))
            it = m_children.erase(it);
        else
            ++it;
    }
}

bool CSocketServerTransport::StartServer(const std::string& service)
{
    Reap();
    m_error.clear();
    if (SvfServerSocketPath(service, &m_error).empty()) return false;
    const std::string log = SvfServerSocketFolder() + "/" + kSvfServerLogName;
    bool searchPath = false;
    const std::string program = ServerProgram(m_launch.program, searchPath);

    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        m_error = std::strerror(errno);
        return false;
    }
    // The write end must not already be the fd the server is told to use, or duplicating it there
    // would keep it closed on exec.
    if (ready[1] == kReadyFd) {
        const int moved = fcntl(ready[1], F_DUPFD_CLOEXEC, kReadyFd + 1);
        close(ready[1]);
        ready[1] = moved;
    }

    std::vector<std::string> args{program};
    args.insert(args.end(), m_launch.arguments.begin(), m_launch.arguments.end());
    args.insert(args.end(), {"--exit-when-unused", "--ready-fd", std::to_string(kReadyFd)});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, ready[1], kReadyFd);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, kReadyFd + 1);
#endif
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // Its own session: a Ctrl+C meant for the terminal of the program that started it does not
    // reach it.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = searchPath ? posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ)
                                   : posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(ready[1]);
    if (spawned != 0) {
        close(ready[0]);
        m_error = program + ": " + std::strerror(spawned);
        return false;
    }
    m_started = pid;
    m_children.push_back(pid);

    // The server writes a line once it listens (or finds another server listening), and closes the
    // pipe when it gives up.
    std::string said;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_transactionMs);
    while (said.find('\n') == std::string::npos) {
        pollfd p{ready[0], POLLIN, 0};
        const int r = poll(&p, 1, MillisecondsLeft(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char buf[64];
        const ssize_t n = read(ready[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        said.append(buf, static_cast<std::size_t>(n));
    }
    close(ready[0]);
    if (said.find('\n') != std::string::npos) return true;
    m_error = program + " did not start (see " + log + ")";
    return false;
}

CServerExchange CSocketServerTransport::Exchange(std::span<const CSvfMessage> requests,
                                                 const std::function<void(std::size_t, const CSvfMessage&)>& answer)
{
    if (m_fd < 0) return CServerExchange::kLost;
    std::string out;
    for (const CSvfMessage& m : requests) AppendSvfMessage(out, m);
    std::size_t sent = 0, got = 0;
    bool sendFailed = false;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(m_transactionMs);
    char buf[64 * 1024];
    while (got < requests.size()) {
        // Hand out the answers read so far.
        CSvfMessage m;
        CSvfMessageReader::Status s = CSvfMessageReader::kNeedMore;
        while (got < requests.size() && (s = m_reader.Next(m)) == CSvfMessageReader::kMessage) {
            if (answer) answer(got, m);
            ++got;
            deadline = Clock::now() + std::chrono::milliseconds(m_transactionMs);
        }
        if (got == requests.size()) break;
        if (s == CSvfMessageReader::kBad) return CServerExchange::kLost;

        const int left = MillisecondsLeft(deadline);
        if (left == 0) return CServerExchange::kTimeout;
        const bool sending = sent < out.size() && !sendFailed;
        pollfd p{m_fd, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
        const int r = poll(&p, 1, left);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return CServerExchange::kLost;
        if (r == 0) return CServerExchange::kTimeout;
        if (sending && (p.revents & POLLOUT)) {
            const ssize_t n = send(m_fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                sendFailed = true;  // the server has gone; read what it answered before
        }
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0)
                m_reader.Feed(buf, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return CServerExchange::kLost;
        }
    }
    return CServerExchange::kDone;
}

}  // namespace kalidor
