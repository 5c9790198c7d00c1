#include "jtag/cables/RemoteBitbangServer.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "jtag/JTAGTapPort.h"

namespace kalidor {

namespace {

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Waits until `fd` can be read, checking `stop` every 100 ms; false when it was set.
bool WaitReadable(int fd, const std::atomic<bool>* stop)
{
    for (;;) {
        if (stop && stop->load()) return false;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let the read report it
    }
}

bool SendAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

CRemoteBitbangServer::CRemoteBitbangServer(CVirtualCable& chain)
    : m_chain(chain), m_last(std::chrono::steady_clock::now())
{
    m_chain.UseRealTime(false);
}

void CRemoteBitbangServer::PassRealTime()
{
    const auto now = std::chrono::steady_clock::now();
    m_chain.VirtualClock().AdvanceMicroseconds(
        std::chrono::duration_cast<std::chrono::microseconds>(now - m_last).count());
    m_last = now;
}

CRemoteBitbangServer::~CRemoteBitbangServer()
{
    if (m_listen >= 0) ::close(m_listen);
}

bool CRemoteBitbangServer::Listen(int port, std::string& error)
{
    if (port < 0 || port > 65535) {
        error = "the port must be 0 to 65535";
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (m_listen >= 0) ::close(m_listen);
    m_listen = fd;
    m_port = ntohs(addr.sin_port);
    return true;
}

bool CRemoteBitbangServer::ServeOne(const std::atomic<bool>* stop)
{
    if (m_listen < 0) return false;
    if (!WaitReadable(m_listen, stop)) return false;
    Descriptor client(::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC));
    if (client.fd < 0) return errno == EINTR || errno == ECONNABORTED;
    // Every 'R' waits for its answer: send answers at once.
    const int one = 1;
    ::setsockopt(client.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::vector<char> buffer(65536);
    std::string reply;
    for (;;) {
        if (!WaitReadable(client.fd, stop)) return false;
        const ssize_t n = ::recv(client.fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;  // the client went away
        reply.clear();
        const bool more = Interpret(buffer.data(), static_cast<std::size_t>(n), reply);
        if (!reply.empty() && !SendAll(client.fd, reply)) return true;
        if (!more) return true;
    }
}

bool CRemoteBitbangServer::Interpret(const char* data, std::size_t size, std::string& reply)
{
    PassRealTime();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        ++m_requests;
        if (c >= '0' && c <= '7') {
            const int v = c - '0';
            const int before = m_chain.DataByte();
            const int value = kDataCableDrive | ((v & 4) ? kDataTCK : 0) | ((v & 2) ? kDataTMS : 0) | ((v & 1) ? kDataTDI : 0);
            if ((value & kDataTCK) && !(before & kDataTCK)) {
                ++m_clocks;
                m_chain.VirtualClock().AdvanceMicroseconds(kTckMicroseconds);
            }
            m_chain.WriteData(value);
        } else if (c == 'R') {
            reply += (m_chain.ReadStatus() & kStatusTDO) ? '1' : '0';
        } else if (c == 't' || c == 'u') {
            // TRST: every TAP to Test-Logic-Reset, as five TMS 1 clocks take it there (from TCK
            // low: a TCK left high falls first).
            int data = m_chain.DataByte();
            if (data & kDataTCK) {
                data &= ~kDataTCK;
                m_chain.WriteData(data);
            }
            static const std::uint8_t kOnes[5] = {1, 1, 1, 1, 1};
            m_chain.ShiftClocks(data, kOnes, kOnes, 5, nullptr);
        } else if (c == 'Q') {
            return false;
        }
        // 'r', 's' (no TRST), 'B', 'b' and anything else change nothing here.
    }
    return true;
}

}  // namespace kalidor
