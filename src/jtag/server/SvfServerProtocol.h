// The conversation between Kalidor and its SVF server (svfsvr) over a Unix-domain stream socket.
//
// The server listens on a socket named after its service ("SVFsvr") in the user's runtime folder
// ($XDG_RUNTIME_DIR, or a folder of the user's own under /tmp). Every message, either way, is one
// header line of four fields and a payload of the length it gives:
//
//     <WORD> <ITEM> <RUN> <LENGTH>\n<LENGTH bytes>
//
// Client to server:
//   CONNECT <topic> 0 0                     opens the conversation on a topic ("SVFInterpreter")
//   POKE ExecuteStatement <run> <n> + line  runs one SVF statement
//   REQUEST GetIncomingDRString 0 0         asks for the captured bits of the last data scan
// Server to client, one answer per message and in order:
//   OK - 0 <n> + text       CONNECT: the name of the server's cable; POKE: the statement's line
//                           result ("0" success, "1" TDO mismatch, "2" syntax error, "3" no
//                           memory); REQUEST: the bits as '0'/'1' text, most significant first
//   SKIPPED - 0 0           POKE of a run in which an earlier statement ended the run (any result
//                           other than 0 and 1): the statement was not executed
//   ERROR - 0 <n> + text    refused (unknown topic, item or word, no conversation yet)
//
// A client may send the statements of a whole program before reading the answers; the run number
// (any number the client chooses per program) makes the server skip whatever follows a statement
// that ended the run, as if the client had stopped sending there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "jtag/SvfResult.h"

namespace kalidor {

inline constexpr const char* kSvfServerService = "SVFsvr";
inline constexpr const char* kSvfServerTopic = "SVFInterpreter";
inline constexpr const char* kSvfServerExecuteItem = "ExecuteStatement";
inline constexpr const char* kSvfServerIncomingDrItem = "GetIncomingDRString";
// The server program, installed beside kalidor.
inline constexpr const char* kSvfServerProgram = "svfsvr";

inline constexpr const char* kSvfWordConnect = "CONNECT";
inline constexpr const char* kSvfWordPoke = "POKE";
inline constexpr const char* kSvfWordRequest = "REQUEST";
inline constexpr const char* kSvfWordOk = "OK";
inline constexpr const char* kSvfWordSkipped = "SKIPPED";
inline constexpr const char* kSvfWordError = "ERROR";

// Every transaction waits at most this long for its answer.
inline constexpr int kSvfServerTransactionMs = 5000;
// Largest payload either side accepts (an SVF statement, a bit text) and longest header line.
inline constexpr std::size_t kSvfMaxPayload = 1u << 20;
inline constexpr std::size_t kSvfMaxHeader = 128;

struct CSvfMessage {
    std::string word;  // CONNECT, POKE, REQUEST; OK, SKIPPED, ERROR
    std::string item;  // the topic or item; "-" in answers
    std::uint64_t run = 0;
    std::string payload;
};

// Appends the wire form of `m` to `out`.
void AppendSvfMessage(std::string& out, const CSvfMessage& m);
// An answer: OK, SKIPPED or ERROR with its text.
CSvfMessage SvfAnswer(const char* word, std::string text = {});

// The answer to a POKE that ran its statement: OK with the line result's number.
CSvfMessage SvfLineResultAnswer(SvfResult result);
// The line result an answer to a POKE gives. Only OK with one of the four results of a line that
// ran ("0" to "3") is an answer; anything else (an error, a skip, another number, a sign, more
// text) is not a server of ours, and the conversation is lost: kSvfServerLost.
SvfResult SvfLineResultOf(const CSvfMessage& answer);

// Takes bytes as they arrive and hands out whole messages.
class CSvfMessageReader {
public:
    enum Status { kMessage, kNeedMore, kBad };
    void Feed(const char* data, std::size_t size) { m_buffer.append(data, size); }
    // The next whole message; kBad for a header that is not four fields, a word or item with
    // characters other than letters, '-' and '_', or a length above kSvfMaxPayload (the
    // conversation cannot go on after that).
    Status Next(CSvfMessage& m);
    bool Empty() const { return m_buffer.size() == m_used; }

private:
    std::string m_buffer;
    std::size_t m_used = 0;
};

// The folder of the server's socket: $XDG_RUNTIME_DIR when it is set and is a folder, otherwise
// /tmp/kalidor-<uid>, made with mode 0700 and used only when it is a real folder of this user
// that nobody else may enter. "" with the reason in `error` when there is none.
std::string SvfServerSocketFolder(std::string* error = nullptr);
// The socket of a service in that folder ("" with the reason in `error`, also when the path is too
// long for a socket address).
std::string SvfServerSocketPath(const std::string& service, std::string* error = nullptr);

}  // namespace kalidor
