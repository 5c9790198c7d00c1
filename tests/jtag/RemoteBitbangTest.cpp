// The virtual devices served over the remote bitbang protocol: the requests as a client sends them,
// and one client over a real loopback connection.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "jtag/cables/RemoteBitbangServer.h"

namespace kalidor {
namespace {

// The requests of one TCK cycle: lines set with TCK low, TDO read when asked, then TCK high.
std::string Clock(int tms, int tdi, bool read = false)
{
    std::string s(1, static_cast<char>('0' + 2 * tms + tdi));
    if (read) s += 'R';
    s += static_cast<char>('4' + 2 * tms + tdi);
    return s;
}

// From any state: reset, then into Shift-DR, then 32 clocks reading TDO (TMS 1 on the last).
std::string ReadIdcodeRequests()
{
    std::string s;
    for (int i = 0; i < 5; ++i) s += Clock(1, 0);
    s += Clock(0, 0) + Clock(1, 0) + Clock(0, 0) + Clock(0, 0);
    for (int i = 0; i < 32; ++i) s += Clock(i == 31 ? 1 : 0, 0, true);
    return s + Clock(1, 0) + Clock(0, 0);
}

// The 32 answers, bit 0 first, as a number.
unsigned long Value(const std::string& answers)
{
    unsigned long v = 0;
    for (std::size_t i = 0; i < answers.size(); ++i)
        if (answers[i] == '1') v |= 1ul << i;
    return v;
}

TEST(RemoteBitbang, RequestsDriveTheChainAndReadTdo)
{
    CVirtualCable chain;
    std::string error;
    ASSERT_TRUE(chain.BuildChain("virtual:ZelA,ZelC", {}, error)) << error;
    CRemoteBitbangServer server(chain);
    std::string reply;
    // From TDO: ZelC's IDCODE first, then ZelA's.
    const std::string requests = ReadIdcodeRequests();
    EXPECT_TRUE(server.Interpret(requests.data(), requests.size(), reply));
    ASSERT_EQ(reply.size(), 32u);
    EXPECT_EQ(Value(reply), 0x00130043ul);
    EXPECT_EQ(server.Clocks(), 5u + 4u + 32u + 2u);

    // Blink, SRST and unknown requests change nothing and answer nothing; 'Q' ends the client.
    reply.clear();
    const std::string other = "BbrsX?Q" + Clock(0, 0);
    EXPECT_FALSE(server.Interpret(other.data(), other.size(), reply));
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(server.Clocks(), 43u);  // nothing after 'Q' was taken
}

TEST(RemoteBitbang, TrstPutsEveryTapIntoTestLogicReset)
{
    CVirtualCable chain;
    std::string error;
    ASSERT_TRUE(chain.BuildChain("virtual:ZelA", {}, error)) << error;
    CRemoteBitbangServer server(chain);
    std::string reply;
    // Into Shift-DR, then TRST: the TAP is in Test-Logic-Reset.
    std::string s;
    for (int i = 0; i < 5; ++i) s += Clock(1, 0);
    s += Clock(0, 0) + Clock(1, 0) + Clock(0, 0) + Clock(0, 0);
    server.Interpret(s.data(), s.size(), reply);
    EXPECT_EQ(chain.Device(0)->State(), TAP_SHIFT_DR);
    server.Interpret("tr", 2, reply);
    EXPECT_EQ(chain.Device(0)->State(), TAP_RESET);
}

TEST(RemoteBitbang, OneClientOverLoopback)
{
    CVirtualCable chain;
    std::string error;
    ASSERT_TRUE(chain.BuildChain("virtual:ZelD", {}, error)) << error;
    CRemoteBitbangServer server(chain);
    ASSERT_TRUE(server.Listen(0, error)) << error;
    ASSERT_GT(server.Port(), 0);

    std::string answers;
    std::thread client([&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(server.Port()));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return;
        }
        const std::string requests = ReadIdcodeRequests() + "Q";
        ::send(fd, requests.data(), requests.size(), 0);
        char buffer[64];
        while (answers.size() < 32) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            answers.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
    });
    std::atomic<bool> stop{false};
    EXPECT_TRUE(server.ServeOne(&stop));
    client.join();
    ASSERT_EQ(answers.size(), 32u);
    EXPECT_EQ(Value(answers), 0x00120043ul);

    // A stop request ends a wait for a client.
    stop = true;
    EXPECT_FALSE(server.ServeOne(&stop));
}

}  // namespace
}  // namespace kalidor
