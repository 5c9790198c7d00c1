// The client of an external SVF server (interpreter IDs 1 to 3, which behave alike): instead of
// driving a cable itself it sends each SVF line to the server's "ExecuteStatement", which runs it
// on the server's own interpreter and cable and answers with the line's result, and fetches the
// captured data-register bits from "GetIncomingDRString".
//
// Connect() opens the conversation on service "SVFsvr", topic "SVFInterpreter"; when no server is
// there it starts one (hidden, without a window) and tries once more. Every transaction waits at
// most 5000 ms for its answer. A server that is lost or falls silent fails the line it was given
// (kSvfServerLost, kSvfServerTimeout) and ends the conversation, so that a programming run stops
// there and the next one asks to connect again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "jtag/JtagCable.h"
#include "jtag/SvfInterpreter.h"
#include "jtag/server/SvfServerProtocol.h"

namespace kalidor {

inline constexpr const char* kMsgServerConnectFailed =
    "Could not connect with DDE server with service name 'SVFSVR'.";

// How a connection attempt ended.
enum class CServerConnect {
    kConnected,
    kNoServer,  // nothing listens on the service: starting the server may help
    kRefused,   // something is there but the conversation could not be opened
};

// How an exchange of messages ended.
enum class CServerExchange {
    kDone,     // every answer came
    kLost,     // the server closed the conversation or broke the protocol
    kTimeout,  // an answer did not come within the transaction limit
};

// The conversation with the server: a Unix-domain socket in the program (SocketServerTransport.h),
// scripted ones in tests.
class CSvfServerTransport {
public:
    virtual ~CSvfServerTransport() = default;
    virtual CServerConnect Connect(const std::string& service, const std::string& topic) = 0;
    // Starts the server of `service` hidden; true once it reports that it is ready.
    virtual bool StartServer(const std::string& service) = 0;
    virtual void Disconnect() = 0;
    // Sends `requests` in order and hands each answer, in order, to `answer`; each answer must come
    // within the transaction limit of the one before it. Answers handed out stand whatever the
    // result.
    virtual CServerExchange Exchange(std::span<const CSvfMessage> requests,
                                     const std::function<void(std::size_t, const CSvfMessage&)>& answer) = 0;
    // What the server said of itself when the conversation opened (the name of its cable).
    virtual std::string ServerDescription() const { return {}; }
};

class CSvfServerInterpreter : public CSvfInterpreter {
public:
    explicit CSvfServerInterpreter(std::unique_ptr<CSvfServerTransport> transport = nullptr);
    void AttachPort(CJTAGTapPort* port, int id) override;
    // True when connected (also when it was already); false after the connect message.
    bool Connect() override;
    bool IsConnected() override { return m_connected; }
    void Disconnect() override;
    // The cable is the server's business.
    CableStatus CheckCable() override { return kCableReady; }
    SvfResult ExecuteLine(std::string_view text) override;
    void ExecuteLines(const std::vector<std::string>& lines,
                      const std::function<void(std::size_t, SvfResult)>& done) override;
    SvfResult FetchIncomingDR(std::string& bits) override;
    std::size_t GetIncomingDRString(char* buffer, std::size_t size) override;
    std::string IncomingDRText() const override;
    void Delay(int) override {}
    void PulseTCK() override {}
    void ClockTDI(int) override {}

    // The server's own description of its cable ("" while not connected).
    std::string ServerDescription() const;

private:
    // Asks the server for the captured data-register bits: kSvfOk, or the failure (disconnected).
    SvfResult RequestBits(std::string& bits) const;
    // Ends the conversation after a failed exchange; the result that fails the line.
    SvfResult Lost(CServerExchange how) const;

    std::unique_ptr<CSvfServerTransport> m_transport;
    // Reading the captured bits (a const question) can find the server gone.
    mutable bool m_connected = false;
    std::uint64_t m_run = 0;
};

}  // namespace kalidor
