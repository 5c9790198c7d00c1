#include "jtag/SvfPlayer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <utility>

#include "jtag/JtagText.h"

namespace kalidor {

namespace {

// RUNTEST TCK clocks are sent in parts of this many.
constexpr std::size_t kRunClockChunk = 1u << 20;
// Parts of a scan longer than this are reported by their first difference, not in full.
constexpr std::uint64_t kMaxReportedBits = 256;
// A wait that would be longer than a day is refused as a fault of the file.
constexpr double kMaxWaitSeconds = 86400.0;

struct StateName {
    const char* name;
    int state;
};
constexpr std::array<StateName, 16> kStateNames = {{
    {"RESET", TAP_RESET},        {"IDLE", TAP_IDLE},           {"DRSELECT", TAP_SELECT_DR},
    {"DRCAPTURE", TAP_CAPTURE_DR}, {"DRSHIFT", TAP_SHIFT_DR},  {"DREXIT1", TAP_EXIT1_DR},
    {"DRPAUSE", TAP_PAUSE_DR},   {"DREXIT2", TAP_EXIT2_DR},    {"DRUPDATE", TAP_UPDATE_DR},
    {"IRSELECT", TAP_SELECT_IR}, {"IRCAPTURE", TAP_CAPTURE_IR}, {"IRSHIFT", TAP_SHIFT_IR},
    {"IREXIT1", TAP_EXIT1_IR},   {"IRPAUSE", TAP_PAUSE_IR},    {"IREXIT2", TAP_EXIT2_IR},
    {"IRUPDATE", TAP_UPDATE_IR},
}};

// Marks a parenthesised word that the statement ended inside.
constexpr char kNoClosingParenthesis = '\x01';

// Splits a statement into words; a parenthesised group is one word starting with '(' whose
// blanks are dropped: "SDR 8 TDI (0 F)" gives SDR, 8, TDI, (0F.
std::vector<std::string> Words(std::string_view s)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '(') {
            std::string w = "(";
            ++i;
            while (i < s.size() && s[i] != ')') {
                if (!std::isspace(static_cast<unsigned char>(s[i]))) w += s[i];
                ++i;
            }
            if (i >= s.size()) w += kNoClosingParenthesis;
            ++i;
            words.push_back(std::move(w));
        } else {
            std::size_t j = i;
            while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j])) && s[j] != '(') ++j;
            words.emplace_back(s.substr(i, j - i));
            i = j;
        }
    }
    return words;
}

bool ParseCount(const std::string& w, std::uint64_t& value)
{
    if (w.empty() || w.size() > 19) return false;
    value = 0;
    for (char c : w) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// A real number as SVF writes it ("1", "1.5", "1.00E-02", "2E6"); false for anything else or a
// negative or non-finite value.
bool ParseReal(const std::string& w, double& value)
{
    if (w.empty()) return false;
    char* end = nullptr;
    value = std::strtod(w.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value) && value >= 0 && w[0] != '+' && w[0] != '-';
}

// Loads the hexadecimal text of a parenthesised word into `bits` of `length`: only hex digits, and
// no 1 bit beyond the length.
bool LoadHexParameter(const std::string& word, std::uint64_t length, CJtagBits& bits, std::string& error)
{
    if (word.empty() || word[0] != '(') {
        error = "a value in parentheses expected";
        return false;
    }
    const std::string_view hex = std::string_view(word).substr(1);
    if (!hex.empty() && hex.back() == kNoClosingParenthesis) {
        error = "a value without ')'";
        return false;
    }
    if (hex.empty()) {
        error = "an empty value";
        return false;
    }
    for (std::size_t k = 0; k < hex.size(); ++k) {
        const int v = HexDigitValue(hex[hex.size() - 1 - k]);
        if (v < 0) {
            error = "\"" + std::string(hex) + "\" is not a hexadecimal value";
            return false;
        }
        for (int b = 0; b < 4; ++b)
            if (((v >> b) & 1) && 4 * k + static_cast<std::uint64_t>(b) >= length) {
                error = "the value (" + std::string(hex) + ") has more bits than the length " + std::to_string(length);
                return false;
            }
    }
    if (!bits.LoadHex(hex, static_cast<int>(length))) {
        error = "no memory for " + std::to_string(length) + " bits";
        return false;
    }
    return true;
}

void AllOnes(CJtagBits& bits, std::uint64_t length)
{
    bits.Allocate(static_cast<int>(length));
    for (int i = 0; i < bits.Count(); ++i) bits.SetBit(i, 1);
}

// Bits [from, from + count) of `bits` as hexadecimal, most significant digit first.
std::string HexWindow(const CJtagBits& bits, std::uint64_t from, std::uint64_t count)
{
    CJtagBits part(static_cast<int>(count));
    for (std::uint64_t i = 0; i < count; ++i) part.SetBit(static_cast<int>(i), bits.GetBit(static_cast<int>(from + i)));
    return part.ToHex();
}

}  // namespace

// ------------------------------------------------------------------------------- states and paths

const char* SvfStateName(int state)
{
    for (const StateName& s : kStateNames)
        if (s.state == state) return s.name;
    return "UNKNOWN";
}

int ParseSvfState(std::string_view name)
{
    for (const StateName& s : kStateNames)
        if (EqualsNoCase(name, s.name)) return s.state;
    return TAP_ANY;
}

std::vector<std::uint8_t> SvfPathBetween(int from, int to)
{
    std::vector<std::uint8_t> path;
    if (to == TAP_RESET) {
        if (from != TAP_RESET) path.assign(5, 1);
        return path;
    }
    if (from < 0 || from >= kTapStateCount) {
        path.assign(5, 1);
        from = TAP_RESET;
    }
    if (from == to || to < 0 || to >= kTapStateCount) return path;
    // Breadth first over the 16 states, TMS 0 tried first.
    std::array<int, kTapStateCount> previous;
    std::array<std::uint8_t, kTapStateCount> tmsInto{};
    previous.fill(-1);
    previous[static_cast<std::size_t>(from)] = from;
    std::vector<int> frontier{from};
    while (!frontier.empty() && previous[static_cast<std::size_t>(to)] < 0) {
        std::vector<int> next;
        for (int s : frontier)
            for (int tms = 0; tms <= 1; ++tms) {
                const int n = TapNextState(s, tms);
                if (previous[static_cast<std::size_t>(n)] >= 0) continue;
                previous[static_cast<std::size_t>(n)] = s;
                tmsInto[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(tms);
                next.push_back(n);
            }
        frontier = std::move(next);
    }
    std::vector<std::uint8_t> back;
    for (int s = to; s != from; s = previous[static_cast<std::size_t>(s)]) back.push_back(tmsInto[static_cast<std::size_t>(s)]);
    path.insert(path.end(), back.rbegin(), back.rend());
    return path;
}

// ------------------------------------------------------------------------------------------ reader

int CSvfStatementReader::Get()
{
    if (m_pos == m_end) {
        if (!m_in) return -1;
        m_in.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_end = static_cast<std::size_t>(m_in.gcount());
        m_pos = 0;
        if (m_end == 0) return -1;
    }
    return static_cast<unsigned char>(m_buffer[m_pos++]);
}

bool CSvfStatementReader::Next(std::string& statement, std::uint64_t& line, bool& complete)
{
    statement.clear();
    complete = true;
    line = m_line;
    bool comment = false, slash = false, tooLong = false;
    for (;;) {
        const int c = Get();
        if (c < 0) {
            if (statement.empty() && !tooLong) return false;
            complete = false;
            return true;
        }
        if (slash) {
            slash = false;
            if (c == '/') {
                comment = true;
                continue;
            }
            if (statement.empty()) line = m_line;
            statement += '/';
        }
        if (c == '\n') {
            ++m_line;
            comment = false;
            if (!statement.empty() && statement.back() != ' ') statement += ' ';
            continue;
        }
        if (comment) continue;
        if (c == '!') {
            comment = true;
        } else if (c == '/') {
            slash = true;
        } else if (c == ';') {
            while (!statement.empty() && statement.back() == ' ') statement.pop_back();
            if (tooLong) complete = false;
            return true;
        } else if (std::isspace(c)) {
            if (!statement.empty() && statement.back() != ' ') statement += ' ';
        } else if (tooLong || statement.size() >= kMaxSvfPlayerStatement) {
            tooLong = true;
            statement.clear();
            statement.shrink_to_fit();
        } else {
            if (statement.empty()) line = m_line;
            statement += static_cast<char>(c);
        }
    }
}

// ------------------------------------------------------------------------------------------ player

CSvfPlayer::CSvfPlayer(CJtagCable& cable, CJtagClock* clock)
    : m_cable(cable), m_clock(clock ? clock : cable.GetClock() ? cable.GetClock() : &SteadyJtagClock())
{
}

std::string FormatSvfPlaySummary(const CSvfPlayResult& r)
{
    return std::to_string(r.statements) + " statements, " + std::to_string(r.checks) + " TDO checks, " +
           std::to_string(r.mismatches) + " mismatches, " + std::to_string(r.errors) + " errors, " +
           std::to_string(r.tck) + " TCK" + (r.stopped ? ", stopped" : "");
}

const CSvfPlayResult& CSvfPlayer::Play(std::istream& in)
{
    m_result = {};
    CSvfStatementReader reader(in);
    std::string statement;
    std::uint64_t line = 0;
    bool complete = true;
    while (reader.Next(statement, line, complete)) {
        if (!complete) {
            Fail(line, kSvfPlayerSyntax,
                 statement.empty() ? "statement longer than " + std::to_string(kMaxSvfPlayerStatement) + " characters"
                                   : "the file ends inside a statement (no ';')");
            m_result.stopped = true;
            break;
        }
        if (statement.empty()) continue;
        if (!Execute(statement, line)) {
            m_result.stopped = true;
            break;
        }
    }
    if (!m_tms.empty()) Send(false, line);
    return m_result;
}

bool CSvfPlayer::Fail(std::uint64_t line, const char* what, const std::string& detail)
{
    ++m_result.errors;
    m_result.reports.push_back("Line " + std::to_string(line) + ": " + what + (detail.empty() ? "" : ": " + detail));
    return false;
}

bool CSvfPlayer::Execute(std::string_view statement, std::uint64_t line)
{
    const std::vector<std::string> words = Words(statement);
    if (words.empty()) return true;
    ++m_result.statements;
    m_line = line;
    const std::string& k = words[0];
    bool ok = true;
    static constexpr std::array<std::pair<const char*, ScanKind>, 6> kScans = {{
        {"HIR", ScanKind::HIR}, {"HDR", ScanKind::HDR}, {"TIR", ScanKind::TIR},
        {"TDR", ScanKind::TDR}, {"SIR", ScanKind::SIR}, {"SDR", ScanKind::SDR},
    }};
    const auto scan = std::find_if(kScans.begin(), kScans.end(), [&](const auto& s) { return EqualsNoCase(k, s.first); });
    if (scan != kScans.end()) {
        ok = ParseScan(scan->second, words, line);
        if (ok && (scan->second == ScanKind::SIR || scan->second == ScanKind::SDR))
            ok = DoScan(scan->second == ScanKind::SIR, line, scan->first);
    } else if (EqualsNoCase(k, "ENDIR") || EqualsNoCase(k, "ENDDR")) {
        const int s = words.size() == 2 ? ParseSvfState(words[1]) : TAP_ANY;
        if (!IsStableTapState(s)) return Fail(line, kSvfPlayerSyntax, k + " takes one of RESET, IDLE, DRPAUSE, IRPAUSE");
        (EqualsNoCase(k, "ENDIR") ? m_endIr : m_endDr) = s;
    } else if (EqualsNoCase(k, "STATE")) {
        ok = DoState(words, line);
    } else if (EqualsNoCase(k, "RUNTEST")) {
        ok = DoRuntest(words, line);
    } else if (EqualsNoCase(k, "FREQUENCY")) {
        ok = DoFrequency(words, line);
    } else if (EqualsNoCase(k, "TRST")) {
        ok = DoTrst(words, line);
    } else if (EqualsNoCase(k, "PIO") || EqualsNoCase(k, "PIOMAP")) {
        // Parallel vectors need pins this player has no access to; the JTAG statements around
        // them still play, but the file as a whole has not passed.
        Fail(line, kSvfPlayerUnsupported, k + " (parallel test vectors)");
        return true;
    } else {
        return Fail(line, kSvfPlayerSyntax, "unknown statement \"" + k + "\"");
    }
    // Clocks without a result wanted stay queued for the next scan that compares TDO, the next
    // wait or the end of the file; a long queue goes out as it is.
    if (ok && m_tms.size() >= kRunClockChunk) ok = Send(false, line);
    return ok;
}

bool CSvfPlayer::ParseScan(ScanKind kind, const std::vector<std::string>& words, std::uint64_t line)
{
    const std::string& k = words[0];
    std::uint64_t length = 0;
    if (words.size() < 2 || !ParseCount(words[1], length))
        return Fail(line, kSvfPlayerSyntax, k + " needs a length");
    if (length > kMaxSvfPlayerScanBits)
        return Fail(line, kSvfPlayerSyntax, k + " length " + words[1] + " is above " + std::to_string(kMaxSvfPlayerScanBits));
    const bool chainPart = kind != ScanKind::SIR && kind != ScanKind::SDR;
    ScanParams& p = m_params[static_cast<int>(kind)];
    const bool sameLength = length == p.length;

    const CJtagBits* given[4] = {nullptr, nullptr, nullptr, nullptr};
    CJtagBits loaded[4];
    static const char* const kNames[4] = {"TDI", "TDO", "MASK", "SMASK"};
    for (std::size_t i = 2; i < words.size(); i += 2) {
        int which = -1;
        for (int n = 0; n < 4; ++n)
            if (EqualsNoCase(words[i], kNames[n])) which = n;
        if (which < 0) return Fail(line, kSvfPlayerSyntax, k + ": unknown parameter \"" + words[i] + "\"");
        if (given[which]) return Fail(line, kSvfPlayerSyntax, k + ": " + kNames[which] + " given twice");
        if (i + 1 >= words.size()) return Fail(line, kSvfPlayerSyntax, k + ": " + kNames[which] + " without a value");
        std::string error;
        if (!LoadHexParameter(words[i + 1], length, loaded[which], error))
            return Fail(line, kSvfPlayerSyntax, k + " " + kNames[which] + ": " + error);
        given[which] = &loaded[which];
    }
    if (given[0]) {
        p.tdi = loaded[0];
    } else if (!sameLength) {
        if (!chainPart && length > 0) return Fail(line, kSvfPlayerSyntax, k + ": a new length needs TDI");
        AllOnes(p.tdi, length);  // headers and trailers: all ones (BYPASS) unless given
    }
    p.haveTdo = given[1] != nullptr;
    if (p.haveTdo) p.tdo = loaded[1];
    if (given[2]) p.mask = loaded[2];
    else if (!sameLength) AllOnes(p.mask, length);
    if (given[3]) p.smask = loaded[3];
    else if (!sameLength) AllOnes(p.smask, length);
    p.length = length;
    return true;
}

bool CSvfPlayer::DoScan(bool instruction, std::uint64_t line, const std::string& keyword)
{
    const ScanParams* parts[3] = {
        &m_params[static_cast<int>(instruction ? ScanKind::HIR : ScanKind::HDR)],
        &m_params[static_cast<int>(instruction ? ScanKind::SIR : ScanKind::SDR)],
        &m_params[static_cast<int>(instruction ? ScanKind::TIR : ScanKind::TDR)],
    };
    static const char* const kIrNames[3] = {"HIR", "SIR", "TIR"};
    static const char* const kDrNames[3] = {"HDR", "SDR", "TDR"};
    const char* const* names = instruction ? kIrNames : kDrNames;
    const std::uint64_t total = parts[0]->length + parts[1]->length + parts[2]->length;
    if (total > kMaxSvfPlayerScanBits)
        return Fail(line, kSvfPlayerSyntax, keyword + " with header and trailer is longer than " +
                                                std::to_string(kMaxSvfPlayerScanBits) + " bits");
    const int end = instruction ? m_endIr : m_endDr;
    if (total == 0) {
        MoveTo(end);
        return true;
    }
    const bool capture = parts[0]->haveTdo || parts[1]->haveTdo || parts[2]->haveTdo;

    MoveTo(instruction ? TAP_SHIFT_IR : TAP_SHIFT_DR);
    const std::size_t first = m_tms.size();
    m_tms.reserve(first + total + 16);
    m_tdi.reserve(first + total + 16);
    std::uint64_t n = 0;
    for (const ScanParams* p : parts)
        for (std::uint64_t i = 0; i < p->length; ++i, ++n) Queue(n + 1 == total ? 1 : 0, p->tdi.GetBit(static_cast<int>(i)));
    m_state = instruction ? TAP_EXIT1_IR : TAP_EXIT1_DR;
    MoveTo(end);
    if (!capture) return true;  // goes out with the next check, wait or the end
    if (!Send(true, line)) return false;

    ++m_result.checks;
    bool good = true;
    std::uint64_t offset = first;
    for (int part = 0; part < 3; ++part) {
        const ScanParams& p = *parts[part];
        const std::uint64_t base = offset;
        offset += p.length;
        if (!p.haveTdo) continue;
        std::uint64_t differ = 0, firstDiff = 0;
        for (std::uint64_t i = 0; i < p.length; ++i) {
            const int bit = static_cast<int>(i);
            if (p.mask.GetBit(bit) && m_tdo[base + i] != p.tdo.GetBit(bit)) {
                if (differ++ == 0) firstDiff = i;
            }
        }
        if (differ == 0) continue;
        good = false;
        CJtagBits captured(static_cast<int>(p.length));
        for (std::uint64_t i = 0; i < p.length; ++i) captured.SetBit(static_cast<int>(i), m_tdo[base + i]);
        std::string text = "Line " + std::to_string(line) + ": " + kSvfPlayerMismatch + " in " + names[part] + " (" +
                           std::to_string(p.length) + " bits";
        std::uint64_t from = 0, count = p.length;
        if (p.length > kMaxReportedBits) {
            from = firstDiff / 32 * 32;
            count = std::min<std::uint64_t>(64, p.length - from);
            text += ", " + std::to_string(differ) + " differ, the first is bit " + std::to_string(firstDiff) +
                    "; bits " + std::to_string(from) + " to " + std::to_string(from + count - 1) + " shown";
        }
        text += "): expected " + HexWindow(p.tdo, from, count) + ", captured " + HexWindow(captured, from, count) +
                ", mask " + HexWindow(p.mask, from, count);
        m_result.reports.push_back(std::move(text));
    }
    if (good) return true;
    ++m_result.mismatches;
    return m_keepGoing;
}

bool CSvfPlayer::DoState(const std::vector<std::string>& words, std::uint64_t line)
{
    if (words.size() < 2) return Fail(line, kSvfPlayerSyntax, "STATE needs a state");
    std::vector<int> path;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const int s = ParseSvfState(words[i]);
        if (s == TAP_ANY) return Fail(line, kSvfPlayerSyntax, "STATE: unknown state \"" + words[i] + "\"");
        path.push_back(s);
    }
    if (!IsStableTapState(path.back()))
        return Fail(line, kSvfPlayerSyntax, std::string("STATE must end in a stable state, not ") + SvfStateName(path.back()));
    if (path.size() == 1) {
        MoveTo(path[0]);
        return true;
    }
    // An explicit path: each state one TCK from the one before. From an unknown state the TAP is
    // reset first.
    if (m_state == TAP_ANY) MoveTo(TAP_RESET);
    int at = m_state;
    std::vector<std::uint8_t> tms;
    for (int s : path) {
        if (TapNextState(at, 0) == s) tms.push_back(0);
        else if (TapNextState(at, 1) == s) tms.push_back(1);
        else
            return Fail(line, kSvfPlayerSyntax,
                        std::string("STATE path: ") + SvfStateName(s) + " does not follow " + SvfStateName(at));
        at = s;
    }
    for (std::uint8_t t : tms) Queue(t, 0);
    m_state = at;
    return true;
}

bool CSvfPlayer::DoRuntest(const std::vector<std::string>& words, std::uint64_t line)
{
    const std::string usage = "RUNTEST [state] count TCK|SCK [min SEC] [MAXIMUM max SEC] [ENDSTATE state], or "
                              "RUNTEST [state] min SEC [MAXIMUM max SEC] [ENDSTATE state]";
    std::size_t i = 1;
    auto word = [&](std::size_t at) -> std::string { return at < words.size() ? words[at] : std::string(); };
    int runState = TAP_ANY, endState = TAP_ANY;
    if (const int s = ParseSvfState(word(i)); s != TAP_ANY) {
        if (!IsStableTapState(s)) return Fail(line, kSvfPlayerSyntax, "RUNTEST: the run state must be stable");
        runState = s;
        ++i;
    }
    double first = 0, minSeconds = 0, maxSeconds = 0;
    std::uint64_t count = 0;
    bool sck = false, haveMin = false;
    if (!ParseReal(word(i), first)) return Fail(line, kSvfPlayerSyntax, usage);
    if (EqualsNoCase(word(i + 1), "TCK") || EqualsNoCase(word(i + 1), "SCK")) {
        if (first != std::floor(first) || first > 1.8e19) return Fail(line, kSvfPlayerSyntax, "RUNTEST: a clock count is a whole number");
        count = static_cast<std::uint64_t>(first);
        sck = EqualsNoCase(word(i + 1), "SCK");
        i += 2;
        if (ParseReal(word(i), minSeconds)) {
            if (!EqualsNoCase(word(i + 1), "SEC")) return Fail(line, kSvfPlayerSyntax, usage);
            haveMin = true;
            i += 2;
        }
    } else if (EqualsNoCase(word(i + 1), "SEC")) {
        minSeconds = first;
        haveMin = true;
        i += 2;
    } else {
        return Fail(line, kSvfPlayerSyntax, usage);
    }
    if (EqualsNoCase(word(i), "MAXIMUM")) {
        if (!ParseReal(word(i + 1), maxSeconds) || !EqualsNoCase(word(i + 2), "SEC"))
            return Fail(line, kSvfPlayerSyntax, usage);
        i += 3;
    }
    if (EqualsNoCase(word(i), "ENDSTATE")) {
        endState = ParseSvfState(word(i + 1));
        if (!IsStableTapState(endState)) return Fail(line, kSvfPlayerSyntax, "RUNTEST: ENDSTATE needs a stable state");
        i += 2;
    }
    if (i != words.size()) return Fail(line, kSvfPlayerSyntax, usage);
    // The maximum is accepted and not enforced: the player waits the minimum only.
    (void)maxSeconds;
    if (haveMin && minSeconds > kMaxWaitSeconds) return Fail(line, kSvfPlayerSyntax, "RUNTEST: a wait above a day");

    if (runState != TAP_ANY) m_runState = runState;
    m_runEndState = endState != TAP_ANY ? endState : runState != TAP_ANY ? runState : m_runEndState;

    MoveTo(m_runState);
    const int hold = m_runState == TAP_RESET ? 1 : 0;
    double waitSeconds = haveMin ? minSeconds : 0;
    if (!sck) {
        for (std::uint64_t left = count; left > 0;) {
            const std::uint64_t n = std::min<std::uint64_t>(left, kRunClockChunk);
            for (std::uint64_t c = 0; c < n; ++c) Queue(hold, 0);
            left -= n;
            if (left > 0 && !Send(false, line)) return false;
        }
    } else {
        waitSeconds = std::max(waitSeconds, static_cast<double>(count) / (m_frequency > 0 ? m_frequency : 1e6));
    }
    if (waitSeconds > kMaxWaitSeconds) return Fail(line, kSvfPlayerSyntax, "RUNTEST: a wait above a day");
    if (waitSeconds > 0) {
        if (!Send(false, line)) return false;
        // Rounded up to whole microseconds, past the rounding of the decimal times.
        Wait(static_cast<std::uint64_t>(std::ceil(waitSeconds * 1e6 - 1e-3)));
    }
    MoveTo(m_runEndState);
    return true;
}

bool CSvfPlayer::DoFrequency(const std::vector<std::string>& words, std::uint64_t line)
{
    if (words.size() == 1) {
        m_frequency = 0;
        return true;
    }
    double f = 0;
    if (words.size() != 3 || !ParseReal(words[1], f) || f <= 0 || !EqualsNoCase(words[2], "HZ"))
        return Fail(line, kSvfPlayerSyntax, "FREQUENCY [cycles HZ]");
    m_frequency = f;
    return true;
}

bool CSvfPlayer::DoTrst(const std::vector<std::string>& words, std::uint64_t line)
{
    if (words.size() != 2) return Fail(line, kSvfPlayerSyntax, "TRST ON|OFF|Z|ABSENT");
    if (EqualsNoCase(words[1], "ON")) {
        for (int i = 0; i < 5; ++i) Queue(1, 0);
        m_state = TAP_RESET;
        return true;
    }
    if (EqualsNoCase(words[1], "OFF") || EqualsNoCase(words[1], "Z") || EqualsNoCase(words[1], "ABSENT")) return true;
    return Fail(line, kSvfPlayerSyntax, "TRST ON|OFF|Z|ABSENT");
}

void CSvfPlayer::MoveTo(int to)
{
    for (std::uint8_t t : SvfPathBetween(m_state, to)) Queue(t, 0);
    m_state = to;
}

void CSvfPlayer::Queue(int tms, int tdi)
{
    if (m_tms.empty()) m_queuedSince = m_line;
    m_tms.push_back(static_cast<std::uint8_t>(tms));
    m_tdi.push_back(static_cast<std::uint8_t>(tdi));
}

bool CSvfPlayer::Send(bool capture, std::uint64_t line)
{
    const std::size_t n = m_tms.size();
    if (capture) m_tdo.assign(n, 0);
    if (n > 0) m_cable.Shift(m_tms.data(), m_tdi.data(), n, capture ? m_tdo.data() : nullptr);
    m_cable.Flush();
    m_result.tck += n;
    m_tms.clear();
    m_tdi.clear();
    if (m_cable.Failed()) {
        // The first line whose clocks may not have reached the devices.
        m_state = TAP_ANY;
        return Fail(n > 0 ? m_queuedSince : line, kSvfPlayerCableLost, "");
    }
    return true;
}

void CSvfPlayer::Wait(std::uint64_t microseconds)
{
    m_result.waitMicroseconds += microseconds;
    if (!m_cable.TimedWait(microseconds)) m_clock->WaitMicroseconds(static_cast<std::int64_t>(microseconds));
}

}  // namespace kalidor
