#include "jtag/server/SvfServerProtocol.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kalidor {

namespace {

bool TokenChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_';
}

bool ParseToken(std::string_view field, std::string& out)
{
    if (field.empty() || field.size() > 64) return false;
    for (char c : field)
        if (!TokenChar(c)) return false;
    out.assign(field);
    return true;
}

bool ParseNumber(std::string_view field, std::uint64_t& out)
{
    if (field.empty() || field.size() > 19) return false;
    std::uint64_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    out = v;
    return true;
}

// A folder of this user only: a real folder (not a link), owned by the user, closed to others.
bool PrivateFolder(const std::string& path, std::string* error)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
        if (error) *error = path + " is not a folder of this user's own";
        return false;
    }
    return true;
}

}  // namespace

void AppendSvfMessage(std::string& out, const CSvfMessage& m)
{
    out += m.word;
    out += ' ';
    out += m.item.empty() ? "-" : m.item;
    out += ' ';
    out += std::to_string(m.run);
    out += ' ';
    out += std::to_string(m.payload.size());
    out += '\n';
    out += m.payload;
}

CSvfMessage SvfAnswer(const char* word, std::string text)
{
    CSvfMessage m;
    m.word = word;
    m.item = "-";
    m.payload = std::move(text);
    return m;
}

CSvfMessage SvfLineResultAnswer(SvfResult result)
{
    return SvfAnswer(kSvfWordOk, std::to_string(SvfResultCode(result)));
}

SvfResult SvfLineResultOf(const CSvfMessage& answer)
{
    if (answer.word != kSvfWordOk || answer.payload.size() != 1) return kSvfServerLost;
    switch (answer.payload[0]) {
    case '0': return kSvfOk;
    case '1': return kSvfTdoMismatch;
    case '2': return kSvfSyntaxError;
    case '3': return kSvfOutOfMemory;
    default: return kSvfServerLost;
    }
}

CSvfMessageReader::Status CSvfMessageReader::Next(CSvfMessage& m)
{
    const std::string_view rest = std::string_view(m_buffer).substr(m_used);
    const std::size_t nl = rest.find('\n');
    if (nl == std::string_view::npos) return rest.size() > kSvfMaxHeader ? kBad : kNeedMore;
    if (nl > kSvfMaxHeader) return kBad;
    std::string_view header = rest.substr(0, nl);
    std::string_view fields[4];
    for (int i = 0; i < 4; ++i) {
        const std::size_t sp = header.find(' ');
        if ((sp == std::string_view::npos) != (i == 3)) return kBad;
        fields[i] = header.substr(0, sp);
        header = sp == std::string_view::npos ? std::string_view() : header.substr(sp + 1);
    }
    CSvfMessage out;
    std::uint64_t length = 0;
    if (!ParseToken(fields[0], out.word) || !ParseToken(fields[1], out.item) || !ParseNumber(fields[2], out.run) ||
        !ParseNumber(fields[3], length) || length > kSvfMaxPayload)
        return kBad;
    if (rest.size() - nl - 1 < length) return kNeedMore;
    out.payload.assign(rest.substr(nl + 1, length));
    m_used += nl + 1 + length;
    // Forget what has been handed out once it is a good part of the buffer.
    if (m_used > 4096 && m_used * 2 > m_buffer.size()) {
        m_buffer.erase(0, m_used);
        m_used = 0;
    }
    m = std::move(out);
    return kMessage;
}

std::string SvfServerSocketFolder(std::string* error)
{
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
        struct stat st {};
        if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
    }
    const std::string folder = "/tmp/kalidor-" + std::to_string(geteuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = folder + ": " + std::strerror(errno);
        return {};
    }
    return PrivateFolder(folder, error) ? folder : std::string();
}

std::string SvfServerSocketPath(const std::string& service, std::string* error)
{
    const std::string folder = SvfServerSocketFolder(error);
    if (folder.empty()) return {};
    const std::string path = folder + "/" + service;
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        if (error) *error = "the socket path " + path + " is too long";
        return {};
    }
    return path;
}

}  // namespace kalidor
