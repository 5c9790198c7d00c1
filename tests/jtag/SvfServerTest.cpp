// The external SVF server and its client: the messages of the conversation, the client interpreter
// (connect with its one retry after starting the server, line results, lost and silent servers,
// the captured bits), a server in this process on scripted interpreters (a line that fails, a TDO
// mismatch, a server that does not answer in time, long programs sent at once), and svfsvr itself
// on the virtual cable (started on demand, programming ZelA and ZelD, killed half way, SIGTERM).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "JtagTestSupport.h"
#include "jtag/JtagInterface.h"
#include "jtag/SvfServerInterpreter.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/server/SocketServerTransport.h"
#include "jtag/server/SvfServer.h"
#include "jtag/server/SvfServerProtocol.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor::test {
namespace {

namespace fs = std::filesystem;

// A runtime folder of the test's own: the server's socket and log go there.
class RuntimeDir {
public:
    explicit RuntimeDir(const std::string& name)
        : m_path(fs::temp_directory_path() / ("kalidor-svfsvr-" + name + "-" + std::to_string(::getpid())))
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::replace);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old, m_hadOld = true;
        setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
    }
    ~RuntimeDir()
    {
        if (m_hadOld)
            setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }
    fs::path Socket() const { return m_path / kSvfServerService; }

private:
    fs::path m_path;
    std::string m_old;
    bool m_hadOld = false;
};

std::string Wire(const CSvfMessage& m)
{
    std::string s;
    AppendSvfMessage(s, m);
    return s;
}

// ---------------------------------------------------------------------------------------------
// The messages

TEST(SvfServerProtocol, MessagesComeOutWholeWhateverPiecesTheyArriveIn)
{
    CSvfMessage poke{kSvfWordPoke, kSvfServerExecuteItem, 7, "SIR 5 TDI (01);\r\n"};
    EXPECT_EQ(Wire(poke), "POKE ExecuteStatement 7 17\nSIR 5 TDI (01);\r\n");
    EXPECT_EQ(Wire(SvfAnswer(kSvfWordOk, "1")), "OK - 0 1\n1");
    EXPECT_EQ(Wire(SvfAnswer(kSvfWordSkipped)), "SKIPPED - 0 0\n");

    const std::string two = Wire(poke) + Wire(SvfAnswer(kSvfWordOk, std::string(3000, '1')));
    CSvfMessageReader reader;
    CSvfMessage m;
    std::vector<CSvfMessage> got;
    for (char c : two) {
        reader.Feed(&c, 1);
        while (reader.Next(m) == CSvfMessageReader::kMessage) got.push_back(m);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].word, "POKE");
    EXPECT_EQ(got[0].item, "ExecuteStatement");
    EXPECT_EQ(got[0].run, 7u);
    EXPECT_EQ(got[0].payload, "SIR 5 TDI (01);\r\n");
    EXPECT_EQ(got[1].payload.size(), 3000u);
    EXPECT_TRUE(reader.Empty());
    EXPECT_EQ(reader.Next(m), CSvfMessageReader::kNeedMore);
}

TEST(SvfServerProtocol, BrokenHeadersEndTheConversation)
{
    for (const std::string& bad : std::vector<std::string>{"POKE ExecuteStatement 1\n", "POKE Execute Statement 1 0\n", "POKE ExecuteStatement x 0\n",
          "POKE ExecuteStatement 1 -3\n", "POKE Exec;ute 1 0\n", "POKE ExecuteStatement 1 2000000\n",
          std::string(200, 'A')}) {
        CSvfMessageReader reader;
        reader.Feed(bad.data(), bad.size());
        CSvfMessage m;
        EXPECT_EQ(reader.Next(m), CSvfMessageReader::kBad) << bad;
    }
}

TEST(SvfServerProtocol, ALineResultTravelsAsItsNumberAndOnlyTheFourOfALineThatRanComeBack)
{
    const struct {
        SvfResult sent;
        const char* text;
        SvfResult read;
    } results[] = {
        {kSvfOk, "0", kSvfOk},
        {kSvfTdoMismatch, "1", kSvfTdoMismatch},
        {kSvfSyntaxError, "2", kSvfSyntaxError},
        {kSvfOutOfMemory, "3", kSvfOutOfMemory},
        // A server whose own cable lost its device did not run the line: the client has lost it.
        {kSvfServerLost, "4", kSvfServerLost},
        {kSvfCableLost, "5", kSvfServerLost},
        {kSvfServerTimeout, "-1", kSvfServerLost},
    };
    for (const auto& r : results) {
        const CSvfMessage answer = SvfLineResultAnswer(r.sent);
        std::string wire;
        AppendSvfMessage(wire, answer);
        EXPECT_EQ(wire, std::string("OK - 0 ") + std::to_string(std::string(r.text).size()) + "\n" + r.text);
        EXPECT_EQ(SvfLineResultOf(answer), r.read) << r.text;
    }
    // Nothing but one digit of a line that ran, in an OK answer, is a result.
    for (const char* text : {"", "-0", "+1", "00", "01", "1 ", " 1", "9", "x", "3\n"})
        EXPECT_EQ(SvfLineResultOf(SvfAnswer(kSvfWordOk, text)), kSvfServerLost) << '"' << text << '"';
    EXPECT_EQ(SvfLineResultOf(SvfAnswer(kSvfWordError, "0")), kSvfServerLost);
    EXPECT_EQ(SvfLineResultOf(SvfAnswer(kSvfWordSkipped, "0")), kSvfServerLost);
    EXPECT_EQ(SvfLineResultOf(SvfAnswer("ok", "0")), kSvfServerLost);
}

TEST(SvfServerProtocol, TheSocketLiesInTheRuntimeFolderOrAPrivateOneUnderTmp)
{
    {
        RuntimeDir dir("folder");
        EXPECT_EQ(SvfServerSocketPath(kSvfServerService), dir.Socket().string());
    }
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    unsetenv("XDG_RUNTIME_DIR");
    std::string error;
    const std::string path = SvfServerSocketPath(kSvfServerService, &error);
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    ASSERT_FALSE(path.empty()) << error;
    EXPECT_EQ(path, "/tmp/kalidor-" + std::to_string(geteuid()) + "/SVFsvr");
    EXPECT_EQ(fs::status(fs::path(path).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
}

// ---------------------------------------------------------------------------------------------
// The client on a scripted conversation

class FakeTransport : public CSvfServerTransport {
public:
    CServerConnect Connect(const std::string& service, const std::string& topic) override
    {
        connects.push_back(service + "|" + topic);
        return state;
    }
    bool StartServer(const std::string& service) override
    {
        starts.push_back(service);
        if (startWorks) state = CServerConnect::kConnected;
        return startWorks;
    }
    void Disconnect() override { ++disconnects; }
    CServerExchange Exchange(std::span<const CSvfMessage> requests,
                             const std::function<void(std::size_t, const CSvfMessage&)>& answer) override
    {
        ++exchanges;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (static_cast<int>(sent.size()) == failAt) return failWith;
            sent.push_back(requests[i]);
            answer(i, reply(requests[i]));
        }
        return CServerExchange::kDone;
    }

    CServerConnect state = CServerConnect::kNoServer;
    bool startWorks = false;
    std::function<CSvfMessage(const CSvfMessage&)> reply = [](const CSvfMessage&) {
        return SvfAnswer(kSvfWordOk, "0");
    };
    int failAt = -1;  // the number of requests answered before the conversation fails
    CServerExchange failWith = CServerExchange::kLost;
    std::vector<std::string> connects, starts;
    std::vector<CSvfMessage> sent;
    int disconnects = 0;
    int exchanges = 0;
};

struct Client {
    Client()
    {
        auto t = std::make_unique<FakeTransport>();
        transport = t.get();
        svf = std::make_unique<CSvfServerInterpreter>(std::move(t));
    }
    FakeTransport* transport;
    std::unique_ptr<CSvfServerInterpreter> svf;
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};
};

TEST(SvfServerClient, AMissingServerIsStartedOnceAndConnectedTo)
{
    Client c;
    c.transport->startWorks = true;
    EXPECT_EQ(c.svf->Connect(), 1);
    EXPECT_EQ(c.transport->connects, (std::vector<std::string>{"SVFsvr|SVFInterpreter", "SVFsvr|SVFInterpreter"}));
    EXPECT_EQ(c.transport->starts, std::vector<std::string>{"SVFsvr"});
    EXPECT_EQ(c.svf->IsConnected(), 1);
    // Connected: nothing more is tried.
    EXPECT_EQ(c.svf->Connect(), 1);
    EXPECT_EQ(c.transport->connects.size(), 2u);
    EXPECT_TRUE(c.prompter.messages.empty());
    c.svf->Disconnect();
    EXPECT_EQ(c.svf->IsConnected(), 0);
    EXPECT_EQ(c.transport->disconnects, 1);
}

TEST(SvfServerClient, AServerThatCannotBeReachedGivesTheConnectMessageOncePerAttempt)
{
    {
        // Nothing there, and it cannot be started.
        Client c;
        EXPECT_EQ(c.svf->Connect(), 0);
        EXPECT_EQ(c.transport->connects.size(), 1u);
        EXPECT_EQ(c.transport->starts.size(), 1u);
        EXPECT_EQ(c.prompter.Texts(),
                  std::vector<std::string>{"Could not connect with DDE server with service name 'SVFSVR'."});
        EXPECT_EQ(c.prompter.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(c.svf->Connect(), 0);
        EXPECT_EQ(c.prompter.messages.size(), 2u);
    }
    {
        // Something there that will not talk: starting another server would not help.
        Client c;
        c.transport->state = CServerConnect::kRefused;
        c.transport->startWorks = true;
        EXPECT_EQ(c.svf->Connect(), 0);
        EXPECT_TRUE(c.transport->starts.empty());
        EXPECT_EQ(c.prompter.messages.size(), 1u);
    }
    {
        // No transport at all.
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        CSvfServerInterpreter svf;
        EXPECT_EQ(svf.Connect(), 0);
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgServerConnectFailed});
    }
}

TEST(SvfServerClient, EachLineComesBackWithTheServersResult)
{
    Client c;
    // Not connected: nothing is sent, and the line did not run.
    EXPECT_EQ(c.svf->ExecuteLine("SIR 5 TDI (01);\r\n"), kSvfServerLost);
    EXPECT_TRUE(c.transport->sent.empty());

    c.transport->state = CServerConnect::kConnected;
    ASSERT_EQ(c.svf->Connect(), 1);
    for (const char* r : {"0", "1", "2", "3"}) {
        c.transport->reply = [r](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, r); };
        EXPECT_EQ(SvfResultCode(c.svf->ExecuteLine("SIR 5 TDI (01);\r\n")), r[0] - '0');
    }
    const CSvfMessage& last = c.transport->sent.back();
    EXPECT_EQ(last.word, "POKE");
    EXPECT_EQ(last.item, "ExecuteStatement");
    EXPECT_EQ(last.payload, "SIR 5 TDI (01);\r\n");
    EXPECT_EQ(c.svf->IsConnected(), 1);
    EXPECT_TRUE(c.prompter.messages.empty());
}

TEST(SvfServerClient, ALostOrSilentServerFailsTheLineAndEndsTheConversation)
{
    const struct {
        std::function<CSvfMessage(const CSvfMessage&)> reply;
        int failAt;
        CServerExchange failWith;
        SvfResult expected;
    } cases[] = {
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, "0"); }, 0, CServerExchange::kLost, kSvfServerLost},
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, "0"); }, 0, CServerExchange::kTimeout,
         kSvfServerTimeout},
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordError, "no conversation"); }, -1, {}, kSvfServerLost},
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, "7"); }, -1, {}, kSvfServerLost},
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, ""); }, -1, {}, kSvfServerLost},
        {[](const CSvfMessage&) { return SvfAnswer(kSvfWordSkipped); }, -1, {}, kSvfServerLost},
    };
    for (const auto& k : cases) {
        Client c;
        c.transport->state = CServerConnect::kConnected;
        ASSERT_EQ(c.svf->Connect(), 1);
        c.transport->reply = k.reply;
        c.transport->failAt = k.failAt;
        c.transport->failWith = k.failWith;
        EXPECT_EQ(c.svf->ExecuteLine("TRST ON;\r\n"), k.expected);
        EXPECT_EQ(c.svf->IsConnected(), 0);
        EXPECT_EQ(c.transport->disconnects, 1);
        // Nothing more goes out until the next Connect().
        const std::size_t sent = c.transport->sent.size();
        EXPECT_EQ(c.svf->ExecuteLine("TRST ON;\r\n"), kSvfServerLost);
        EXPECT_EQ(c.transport->sent.size(), sent);
    }
}

TEST(SvfServerClient, AProgramGoesOutAtOnceUnderOneRunNumber)
{
    Client c;
    c.transport->state = CServerConnect::kConnected;
    ASSERT_EQ(c.svf->Connect(), 1);
    const std::vector<std::string> lines{"TRST ON;", "SIR 5 TDI (01);", "SDR 8 TDI (00) TDO (FF);", "STATE IDLE;"};
    // The third line mismatches: the run goes on.
    c.transport->reply = [](const CSvfMessage& m) {
        return SvfAnswer(kSvfWordOk, m.payload.rfind("SDR", 0) == 0 ? "1" : "0");
    };
    std::vector<std::pair<std::size_t, SvfResult>> results;
    auto done = [&](std::size_t i, SvfResult r) { results.push_back({i, r}); };
    c.svf->ExecuteLines(lines, done);
    EXPECT_EQ(results, (std::vector<std::pair<std::size_t, SvfResult>>{{0, kSvfOk}, {1, kSvfOk}, {2, kSvfTdoMismatch}, {3, kSvfOk}}));
    EXPECT_EQ(c.transport->exchanges, 1);
    ASSERT_EQ(c.transport->sent.size(), 4u);
    EXPECT_EQ(c.transport->sent[1].payload, "SIR 5 TDI (01);\r\n");
    const std::uint64_t run = c.transport->sent[0].run;
    for (const CSvfMessage& m : c.transport->sent) EXPECT_EQ(m.run, run);

    // A syntax error ends the run: what the server answers after it (skipped) is not passed on, and
    // the next program has a run number of its own.
    c.transport->sent.clear();
    results.clear();
    c.transport->reply = [n = 0](const CSvfMessage&) mutable {
        ++n;
        return n == 2 ? SvfAnswer(kSvfWordOk, "2") : n > 2 ? SvfAnswer(kSvfWordSkipped) : SvfAnswer(kSvfWordOk, "0");
    };
    c.svf->ExecuteLines(lines, done);
    EXPECT_EQ(results, (std::vector<std::pair<std::size_t, SvfResult>>{{0, kSvfOk}, {1, kSvfSyntaxError}}));
    EXPECT_NE(c.transport->sent[0].run, run);
    EXPECT_EQ(c.svf->IsConnected(), 1);

    // The server lost after two answers: the third line fails with the loss.
    results.clear();
    c.transport->sent.clear();
    c.transport->reply = [](const CSvfMessage&) { return SvfAnswer(kSvfWordOk, "0"); };
    c.transport->failAt = 2;
    c.svf->ExecuteLines(lines, done);
    EXPECT_EQ(results, (std::vector<std::pair<std::size_t, SvfResult>>{{0, kSvfOk}, {1, kSvfOk}, {2, kSvfServerLost}}));
    EXPECT_EQ(c.svf->IsConnected(), 0);

    // Not connected: the first line fails and nothing is sent.
    results.clear();
    c.svf->ExecuteLines(lines, done);
    EXPECT_EQ(results, (std::vector<std::pair<std::size_t, SvfResult>>{{0, kSvfServerLost}}));
}

TEST(SvfServerClient, TheCapturedBitsAreTheBitCharactersOfTheAnswer)
{
    Client c;
    EXPECT_EQ(c.svf->IncomingDRText(), "");  // not connected
    c.transport->state = CServerConnect::kConnected;
    ASSERT_EQ(c.svf->Connect(), 1);
    c.transport->reply = [](const CSvfMessage& m) {
        return m.word == kSvfWordRequest && m.item == kSvfServerIncomingDrItem ? SvfAnswer(kSvfWordOk, "0101\r\n")
                                                                               : SvfAnswer(kSvfWordError);
    };
    EXPECT_EQ(c.svf->IncomingDRText(), "0101");
    char buf[3];
    EXPECT_EQ(c.svf->GetIncomingDRString(buf, sizeof buf), 2u);
    EXPECT_STREQ(buf, "01");
    std::string bits;
    EXPECT_EQ(c.svf->FetchIncomingDR(bits), kSvfOk);
    EXPECT_EQ(bits, "0101");
    // A refused request fails the read-back and ends the conversation.
    c.transport->reply = [](const CSvfMessage&) { return SvfAnswer(kSvfWordError, "no"); };
    EXPECT_EQ(c.svf->FetchIncomingDR(bits), kSvfServerLost);
    EXPECT_EQ(bits, "");
    EXPECT_EQ(c.svf->IsConnected(), 0);
}

TEST(SvfServerClient, InterpreterIdsOneToThreeAreTheServerClientWithoutACableOfTheirOwn)
{
    for (int id : {1, 2, 3}) {
        MemorySettings s;
        s.SetString(kJtagConfigSection, kEntryInterpreterId, std::to_string(id));
        s.SetString(kJtagConfigSection, kEntryTapPortClass, "2");
        CJtagInterface iface;
        iface.Start(s, "", std::make_unique<FakeTransport>());
        ASSERT_NE(dynamic_cast<CSvfServerInterpreter*>(iface.Interpreter()), nullptr) << id;
        EXPECT_EQ(iface.Interpreter()->GetInterpreterID(), id);
        EXPECT_TRUE(iface.UsesServer());
        EXPECT_EQ(iface.Cable(), nullptr);
        EXPECT_TRUE(iface.EnsurePortReady());
        EXPECT_EQ(iface.PortName(), kServerCableUnknown);
    }
    EXPECT_STREQ(InterpreterName(1), "Windows 95 using Win16 DDE Server");
    EXPECT_STREQ(InterpreterName(2), "Windows NT using Win32 DDE Server");
    EXPECT_STREQ(InterpreterName(3), "Win-OS/2 using OS/2 DDE Server");
    EXPECT_EQ(kSvfServerTransactionMs, 5000);
}

TEST(SvfServerClient, WithoutAServerConnectFailsWithTheMessageAndProgrammingIsRefused)
{
    RuntimeDir dir("noserver");
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    s.SetString(kJtagConfigSection, kEntryInterpreterId, "1");
    s.SetString(kJtagConfigSection, kEntryTapPortClass, "2");
    CJtagInterface iface;
    iface.Start(s, "", std::make_unique<CSocketServerTransport>(CSvfServerLaunch{"/nonexistent/svfsvr", {}}));
    EXPECT_EQ(iface.Interpreter()->IsConnected(), 0);
    EXPECT_EQ(iface.Interpreter()->CheckCable(), kCableReady);

    DesignRig d("ZelA", iface.Interpreter(), [&iface] { return iface.InterfaceChanged(); });
    prompter.Script(Answer::Ok);  // "Connect now?"
    EXPECT_EQ(d.scripted->DocVerify(), kJtagNotReady);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kMsgConnectInterpreter,
                                                          "Could not connect with DDE server with service name 'SVFSVR'."}));
    // Declining connects nothing and says nothing more.
    prompter.Clear();
    prompter.Script(Answer::Cancel);
    EXPECT_EQ(d.scripted->DocVerify(), kJtagNotReady);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgConnectInterpreter});
    EXPECT_EQ(d.jtag.LinesSent(), 0);
}

// ---------------------------------------------------------------------------------------------
// A server in this process, on a scripted interpreter

// Runs each line as told by its text: "FAIL" a syntax error, "MISMATCH" a TDO mismatch, "SLOW"
// after a wait; captured bits "0110".
class ScriptedServerInterpreter : public CSvfInterpreter {
public:
    void AttachPort(CJTAGTapPort*, int) override {}
    bool Connect() override { return true; }
    bool IsConnected() override { return true; }
    void Disconnect() override {}
    CableStatus CheckCable() override { return kCableReady; }
    SvfResult ExecuteLine(std::string_view text) override
    {
        lines.emplace_back(text);
        if (text.find("SLOW") != std::string_view::npos) std::this_thread::sleep_for(std::chrono::milliseconds(600));
        if (text.find("FAIL") != std::string_view::npos) return kSvfSyntaxError;
        if (text.find("MISMATCH") != std::string_view::npos) return kSvfTdoMismatch;
        return kSvfOk;
    }
    std::string IncomingDRText() const override { return "0110"; }
    void Delay(int) override {}
    void PulseTCK() override {}
    void ClockTDI(int) override {}
    std::vector<std::string> lines;
};

class ServerThread {
public:
    explicit ServerThread(CSvfInterpreter& interpreter) : m_server(interpreter, "scripted cable")
    {
        std::string error;
        EXPECT_EQ(m_server.Listen(SvfServerSocketPath(kSvfServerService), error), CServerListen::kListening) << error;
        m_server.SetLog([this](const std::string& line) { log.push_back(line); });
        EXPECT_EQ(pipe(m_stop), 0);
        m_thread = std::thread([this] { m_server.Run(m_stop[0]); });
    }
    ~ServerThread() { Stop(); }
    void Stop()
    {
        if (!m_thread.joinable()) return;
        (void)!write(m_stop[1], "s", 1);
        m_thread.join();
        close(m_stop[0]);
        close(m_stop[1]);
    }
    std::vector<std::string> log;

private:
    CSvfServer m_server;
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
};

// A client of the server in this process, connected.
std::unique_ptr<CSvfServerInterpreter> ConnectedClient(int transactionMs = kSvfServerTransactionMs)
{
    auto svf = std::make_unique<CSvfServerInterpreter>(
        std::make_unique<CSocketServerTransport>(CSvfServerLaunch{"/nonexistent/svfsvr", {}}, transactionMs));
    EXPECT_EQ(svf->Connect(), 1);
    return svf;
}

TEST(SvfServerConversation, AServerThatFailsALineStopsTheRunThereAndTheTraceEndsWithIt)
{
    RuntimeDir dir("failline");
    ScriptedServerInterpreter served;
    ServerThread server(served);
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    auto svf = ConnectedClient();
    EXPECT_EQ(svf->ServerDescription(), "scripted cable");

    CJtagDevice jtag;
    jtag.SetInterpreter(svf.get());
    jtag.SetTraceOn(1);
    jtag.Frame().Clear();
    for (const char* line :
         {"TRST ON;", "SDR 8 TDI (00) TDO (01) ! MISMATCH", "SIR 5 TDI (01) ! FAIL", "RUNTEST 100 TCK;", "STATE IDLE;"})
        jtag.Frame().AppendLine(line);
    EXPECT_EQ(jtag.TransmitSVFCommandListToDriver(), kJtagRunStopped);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgTransmitFailed});
    // The server ran nothing after the failed line although the whole list was sent.
    server.Stop();
    EXPECT_EQ(served.lines, (std::vector<std::string>{"TRST ON;\r\n", "SDR 8 TDI (00) TDO (01) ! MISMATCH\r\n",
                                                      "SIR 5 TDI (01) ! FAIL\r\n"}));
    const CJtagTraceData& trace = jtag.Trace();
    ASSERT_EQ(trace.Size(), 3u);
    EXPECT_EQ(trace.Entry(1).ColumnText(2), "verify-error");
    EXPECT_EQ(trace.Entry(2).m_svf, "SIR 5 TDI (01) ! FAIL");
    EXPECT_EQ(trace.Entry(2).m_result, SvfResultCode(kSvfSyntaxError));
    EXPECT_EQ(trace.Entry(2).ColumnText(2), "2");
    // A failed line is not a lost conversation.
    EXPECT_EQ(svf->IsConnected(), 1);
}

TEST(SvfServerConversation, AMismatchGoesOnAndTheCapturedBitsComeBack)
{
    RuntimeDir dir("mismatch");
    ScriptedServerInterpreter served;
    ServerThread server(served);
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    auto svf = ConnectedClient();
    const SvfRunReport report = ExecuteSvfText(*svf, "TRST ON;\nSDR 8 TDI (00) TDO (01) ! MISMATCH\nSTATE IDLE;\n");
    EXPECT_EQ(report.linesExecuted, 3);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].line, 2);
    EXPECT_FALSE(report.stopped);
    std::string bits;
    EXPECT_EQ(svf->FetchIncomingDR(bits), kSvfOk);
    EXPECT_EQ(bits, "0110");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(SvfServerConversation, AServerThatDoesNotAnswerInTimeFailsTheLine)
{
    RuntimeDir dir("timeout");
    ScriptedServerInterpreter served;
    ServerThread server(served);
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    auto svf = ConnectedClient(150);  // the limit is 5000 ms; the test waits less
    CJtagDevice jtag;
    jtag.SetInterpreter(svf.get());
    jtag.SetTraceOn(1);
    jtag.Frame().BuildSingleLine("RUNTEST 100 TCK; ! SLOW");
    EXPECT_EQ(jtag.TransmitSVFCommandListToDriver(), kJtagRunStopped);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgServerTimeout});
    EXPECT_EQ(svf->IsConnected(), 0);
    ASSERT_EQ(jtag.Trace().Size(), 1u);
    EXPECT_EQ(jtag.Trace().Entry(0).ColumnText(2), "-1");
}

TEST(SvfServerConversation, ALongProgramSentAtOnceIsAnsweredLineByLine)
{
    RuntimeDir dir("long");
    ScriptedServerInterpreter served;
    ServerThread server(served);
    auto svf = ConnectedClient();
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "SDR 64 TDI (0123456789ABCDEF) TDO (0123456789ABCDEF);\n";
    text += "SDR 8 TDI (00) TDO (01) ! MISMATCH\n";
    const SvfRunReport report = ExecuteSvfText(*svf, text);
    EXPECT_EQ(report.linesExecuted, 20001);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].line, 20001);
    EXPECT_EQ(svf->IsConnected(), 1);
}

TEST(SvfServerConversation, AnotherTopicIsRefusedWithoutStartingAServer)
{
    RuntimeDir dir("topic");
    ScriptedServerInterpreter served;
    ServerThread server(served);
    CSocketServerTransport t(CSvfServerLaunch{"/nonexistent/svfsvr", {}});
    EXPECT_EQ(t.Connect(kSvfServerService, "Other"), CServerConnect::kRefused);
    EXPECT_EQ(t.LastError(), "no topic Other");
    EXPECT_EQ(t.Connect(kSvfServerService, kSvfServerTopic), CServerConnect::kConnected);
    EXPECT_EQ(t.ServerDescription(), "scripted cable");
}

// ---------------------------------------------------------------------------------------------
// svfsvr on the virtual cable

const std::string kServerProgram = std::string(KALIDOR_BIN_DIR) + "/svfsvr";

// True once the process has ended within `ms`; its exit status in `status`.
bool Ended(pid_t pid, int ms, int& status)
{
    for (int waited = 0; waited < ms; waited += 10) {
        if (waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct ServerClient {
    explicit ServerClient(const std::string& stateDir, const std::string& chain = "virtual:ZelA,ZelD")
    {
        auto t = std::make_unique<CSocketServerTransport>(
            CSvfServerLaunch{kServerProgram, SvfServerCableArguments(chain, stateDir)});
        transport = t.get();
        svf = std::make_unique<CSvfServerInterpreter>(std::move(t));
        svf->AttachCable(nullptr, 2);
    }
    CSocketServerTransport* transport;
    std::unique_ptr<CSvfServerInterpreter> svf;
};

TEST(SvfServerProgram, StartedOnDemandItProgramsVerifiesAndUploadsZelAAndZelD)
{
    if (!fs::exists(kServerProgram)) GTEST_SKIP() << "svfsvr not built";
    RuntimeDir dir("program");
    const std::string state = (dir.Path() / "state").string();
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    ServerClient client(state);
    ASSERT_EQ(client.svf->Connect(), 1) << client.transport->LastError();
    const pid_t pid = client.transport->StartedServer();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(client.svf->ServerDescription(), "Virtual cable (simulated devices: ZelA, ZelD)");
    EXPECT_TRUE(fs::exists(dir.Socket()));

    const struct {
        const char* type;
        CJtagChainCounts counts;  // on "virtual:ZelA,ZelD"
        int key;
    } designs[] = {{"ZelA", {5, 1, 0, 0}, 4}, {"ZelD", {0, 0, 5, 1}, 12}};
    for (const auto& k : designs) {
        DesignRig d(k.type, client.svf.get());
        d.host.counts = k.counts;
        d.device->SetSymValue(k.key, 3);
        prompter.Clear();
        EXPECT_EQ(d.scripted->Download(), kJtagDone) << k.type;
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded}) << k.type;

        // The built-in interpreter on the same virtual devices reads back what the server wrote.
        {
            VirtualRig rig("virtual:ZelA,ZelD", state);
            DesignRig local(k.type, &rig.svf);
            local.host.counts = k.counts;
            local.device->SetSymValue(k.key, 3);
            EXPECT_EQ(local.scripted->Verify(), kJtagVerifyEqual) << k.type;
        }
        // A changed design differs; an upload brings the device's value back.
        d.device->SetSymValue(k.key, 1);
        prompter.Clear();
        EXPECT_EQ(d.scripted->Verify(), kJtagVerifyDiffers) << k.type;
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgVerifyFailed}) << k.type;
        EXPECT_EQ(d.scripted->Upload(), kJtagDone) << k.type;
        EXPECT_EQ(d.device->GetSymValue(k.key), 3) << k.type;
    }

    // Started for this client, the server ends with its conversation.
    client.svf->Disconnect();
    int status = 0;
    ASSERT_TRUE(Ended(pid, 5000, status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(dir.Socket()));
    EXPECT_TRUE(fs::exists(dir.Path() / kSvfServerLogName));
}

// Kills the server when the operation has gone some way into its longest program.
class Killer : public CJtagProgress {
public:
    explicit Killer(pid_t pid) : m_pid(pid) {}
    void OnProgress(const CJtagProgressInfo& info) override
    {
        if (killed || info.lines < 20 || info.line < 10) return;
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        killed = true;
    }
    bool killed = false;

private:
    pid_t m_pid;
};

TEST(SvfServerProgram, AServerKilledHalfWayFailsTheOperationWithAMessage)
{
    if (!fs::exists(kServerProgram)) GTEST_SKIP() << "svfsvr not built";
    RuntimeDir dir("killed");
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    ServerClient client((dir.Path() / "state").string(), "virtual:ZelD");
    ASSERT_EQ(client.svf->Connect(), 1) << client.transport->LastError();
    DesignRig d("ZelD", client.svf.get());
    Killer killer(client.transport->StartedServer());
    d.jtag.SetProgress(&killer);
    d.jtag.SetTraceOn(1);
    EXPECT_EQ(d.scripted->Download(), kJtagRunStopped);
    EXPECT_TRUE(killer.killed);
    // One message, and never the verify-succeeded one.
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgServerLost});
    EXPECT_EQ(client.svf->IsConnected(), 0);
    const CJtagTraceData& trace = d.jtag.Trace();
    ASSERT_FALSE(trace.Empty());
    EXPECT_EQ(trace.Entry(trace.Size() - 1).m_result, SvfResultCode(kSvfServerLost));
    EXPECT_EQ(trace.Entry(trace.Size() - 1).ColumnText(2), "4");

    // The next operation asks to connect again; declining refuses it.
    prompter.Clear();
    prompter.Script(Answer::Cancel);
    EXPECT_EQ(d.scripted->DocDownload(), kJtagNotReady);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgConnectInterpreter});
}

TEST(SvfServerProgram, SigtermEndsItCleanlyAndASecondServerLeavesTheFirstAlone)
{
    if (!fs::exists(kServerProgram)) GTEST_SKIP() << "svfsvr not built";
    RuntimeDir dir("sigterm");
    CSocketServerTransport first(CSvfServerLaunch{kServerProgram, SvfServerCableArguments("virtual:ZelA", "")});
    ASSERT_TRUE(first.StartServer(kSvfServerService)) << first.LastError();
    CSocketServerTransport second(CSvfServerLaunch{kServerProgram, SvfServerCableArguments("virtual:ZelB", "")});
    ASSERT_TRUE(second.StartServer(kSvfServerService));
    int status = 0;
    ASSERT_TRUE(Ended(second.StartedServer(), 5000, status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The first one still serves its own cable.
    ASSERT_EQ(second.Connect(kSvfServerService, kSvfServerTopic), CServerConnect::kConnected);
    EXPECT_EQ(second.ServerDescription(), "Virtual cable (simulated devices: ZelA)");
    second.Disconnect();

    kill(first.StartedServer(), SIGTERM);
    ASSERT_TRUE(Ended(first.StartedServer(), 5000, status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(dir.Socket()));
    EXPECT_EQ(second.Connect(kSvfServerService, kSvfServerTopic), CServerConnect::kNoServer);
}

TEST(SvfServerProgram, ABadCableEndsTheServerBeforeItListens)
{
    if (!fs::exists(kServerProgram)) GTEST_SKIP() << "svfsvr not built";
    RuntimeDir dir("badcable");
    CSocketServerTransport t(CSvfServerLaunch{kServerProgram, SvfServerCableArguments("virtual:ZelQ", "")});
    EXPECT_FALSE(t.StartServer(kSvfServerService));
    EXPECT_NE(t.LastError().find("did not start"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.Socket()));
}

}  // namespace
}  // namespace kalidor::test
