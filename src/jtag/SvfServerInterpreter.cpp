#include "jtag/SvfServerInterpreter.h"

#include <vector>

#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr const char* kCaption = "Kalidor";

CSvfMessage Poke(std::uint64_t run, std::string text)
{
    CSvfMessage m;
    m.word = kSvfWordPoke;
    m.item = kSvfServerExecuteItem;
    m.run = run;
    m.payload = std::move(text);
    return m;
}

}  // namespace

CSvfServerInterpreter::CSvfServerInterpreter(std::unique_ptr<CSvfServerTransport> transport)
    : m_transport(std::move(transport))
{
}

void CSvfServerInterpreter::AttachPort(CJTAGTapPort*, int id)
{
    // The server drives its own cable: the port is not used.
    m_interpreterId = id;
}

bool CSvfServerInterpreter::Connect()
{
    if (m_connected) return true;
    if (m_transport) {
        CServerConnect r = m_transport->Connect(kSvfServerService, kSvfServerTopic);
        // Nobody there: start the server and try once more.
        if (r == CServerConnect::kNoServer && m_transport->StartServer(kSvfServerService))
            r = m_transport->Connect(kSvfServerService, kSvfServerTopic);
        m_connected = r == CServerConnect::kConnected;
    }
    if (m_connected) return true;
    CurrentPrompter().Message(kMsgServerConnectFailed, kCaption, Buttons::Ok, MessageIcon::Error);
    return false;
}

void CSvfServerInterpreter::Disconnect()
{
    if (m_connected && m_transport) m_transport->Disconnect();
    m_connected = false;
}

std::string CSvfServerInterpreter::ServerDescription() const
{
    return m_connected && m_transport ? m_transport->ServerDescription() : std::string();
}

SvfResult CSvfServerInterpreter::Lost(CServerExchange how) const
{
    if (m_transport) m_transport->Disconnect();
    m_connected = false;
    return how == CServerExchange::kTimeout ? kSvfServerTimeout : kSvfServerLost;
}

SvfResult CSvfServerInterpreter::ExecuteLine(std::string_view text)
{
    // Nothing is sent without a conversation, and nothing that was not run reads as success.
    if (!m_connected || !m_transport) return kSvfServerLost;
    const CSvfMessage request = Poke(++m_run, std::string(text));
    SvfResult result = kSvfServerLost;
    const CServerExchange how = m_transport->Exchange(
        std::span<const CSvfMessage>(&request, 1), [&](std::size_t, const CSvfMessage& a) { result = SvfLineResultOf(a); });
    if (how != CServerExchange::kDone) return Lost(how);
    if (result == kSvfServerLost) Lost(CServerExchange::kLost);
    return result;
}

void CSvfServerInterpreter::ExecuteLines(const std::vector<std::string>& lines,
                                         const std::function<void(std::size_t, SvfResult)>& done)
{
    if (lines.empty()) return;
    if (!m_connected || !m_transport) {
        if (done) done(0, kSvfServerLost);
        return;
    }
    // The whole program goes out at once under one run number; the server skips what follows a
    // statement that ends the run, so the answers after it are only read, not passed on.
    const std::uint64_t run = ++m_run;
    std::vector<CSvfMessage> requests;
    requests.reserve(lines.size());
    for (const std::string& line : lines) requests.push_back(Poke(run, line + "\r\n"));
    std::size_t answered = 0;
    SvfResult stoppedBy = kSvfOk;
    const CServerExchange how = m_transport->Exchange(requests, [&](std::size_t i, const CSvfMessage& a) {
        answered = i + 1;
        if (stoppedBy != kSvfOk) return;
        const SvfResult r = SvfLineResultOf(a);
        if (SvfResultStopsRun(r)) stoppedBy = r;
        if (done) done(i, r);
    });
    if (how != CServerExchange::kDone) {
        const SvfResult r = Lost(how);
        if (stoppedBy == kSvfOk && done) done(answered, r);
    } else if (stoppedBy == kSvfServerLost) {
        Lost(CServerExchange::kLost);
    }
}

SvfResult CSvfServerInterpreter::RequestBits(std::string& bits) const
{
    bits.clear();
    if (!m_connected || !m_transport) return kSvfServerLost;
    CSvfMessage request;
    request.word = kSvfWordRequest;
    request.item = kSvfServerIncomingDrItem;
    bool ok = false;
    const CServerExchange how = m_transport->Exchange(std::span<const CSvfMessage>(&request, 1),
                                                      [&](std::size_t, const CSvfMessage& a) {
                                                          if (a.word != kSvfWordOk) return;
                                                          ok = true;
                                                          // Only the bit characters are the captured bits.
                                                          for (char c : a.payload)
                                                              if (c == '0' || c == '1') bits += c;
                                                      });
    if (how == CServerExchange::kDone && ok) return kSvfOk;
    bits.clear();
    return Lost(how == CServerExchange::kDone ? CServerExchange::kLost : how);
}

SvfResult CSvfServerInterpreter::FetchIncomingDR(std::string& bits)
{
    return RequestBits(bits);
}

std::string CSvfServerInterpreter::IncomingDRText() const
{
    std::string bits;
    RequestBits(bits);
    return bits;
}

std::size_t CSvfServerInterpreter::GetIncomingDRString(char* buffer, std::size_t size)
{
    return CopyToBuffer(IncomingDRText(), buffer, size);
}

}  // namespace kalidor
