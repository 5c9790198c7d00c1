#include "jtag/TapSvfInterpreter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include "jtag/JTAGTapPort.h"
#include "jtag/JtagText.h"
#include "platform/Prompter.h"

namespace kalidor {

// ---------------------------------------------------------------------------------------------
// Base class helpers

std::size_t CopyToBuffer(const std::string& text, char* buffer, std::size_t size)
{
    if (!buffer || size == 0) return 0;
    const std::size_t n = std::min(text.size(), size - 1);
    text.copy(buffer, n);
    buffer[n] = '\0';
    return n;
}

void CSvfInterpreter::AttachCable(CJtagCable* cable, int id)
{
    AttachPort(cable ? cable->ParallelPort() : nullptr, id);
}

std::size_t CSvfInterpreter::GetOutgoingIRString(char* buffer, std::size_t size)
{
    return CopyToBuffer(OutgoingIRText(), buffer, size);
}

std::size_t CSvfInterpreter::GetIncomingIRString(char* buffer, std::size_t size)
{
    return CopyToBuffer(IncomingIRText(), buffer, size);
}

std::size_t CSvfInterpreter::GetOutgoingDRString(char* buffer, std::size_t size)
{
    return CopyToBuffer(OutgoingDRText(), buffer, size);
}

std::size_t CSvfInterpreter::GetIncomingDRString(char* buffer, std::size_t size)
{
    return CopyToBuffer(IncomingDRText(), buffer, size);
}

void CSvfInterpreter::ExecuteLines(const std::vector<std::string>& lines,
                                   const std::function<void(std::size_t, SvfResult)>& done)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text.assign(lines[i]);
        text += "\r\n";
        const SvfResult r = ExecuteLine(text);
        if (done) done(i, r);
        if (SvfResultStopsRun(r)) return;
    }
}

SvfResult CSvfInterpreter::FetchIncomingDR(std::string& bits)
{
    bits = IncomingDRText();
    return kSvfOk;
}

std::ostream& operator<<(std::ostream& out, SvfResult result)
{
    return out << SvfResultCode(result);
}

SvfRunReport ExecuteSvfText(CSvfInterpreter& interpreter, std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        lines.emplace_back(raw);
    }
    SvfRunReport report;
    interpreter.ExecuteLines(lines, [&](std::size_t i, SvfResult r) {
        ++report.linesExecuted;
        if (r == kSvfOk) return;
        report.failures.push_back({static_cast<int>(i) + 1, r, lines[i]});
        if (SvfResultStopsRun(r)) report.stopped = true;
    });
    return report;
}

namespace {

const char* FailureText(SvfResult result)
{
    switch (result) {
    case SvfResult::TdoMismatch: return "TDO mismatch";
    case SvfResult::SyntaxError: return "syntax error";
    case SvfResult::OutOfMemory: return "out of memory";
    case SvfResult::ServerLost: return "the SVF server was lost";
    case SvfResult::ServerTimeout: return "the SVF server did not answer";
    case SvfResult::CableLost: return "cable lost";
    case SvfResult::Ok: break;
    }
    return "error";
}

}  // namespace

std::string FormatSvfRunReport(const SvfRunReport& report)
{
    std::string s;
    for (const SvfLineFailure& f : report.failures)
        s += "Line " + std::to_string(f.line) + ": " + FailureText(f.result) + ": " + f.text + "\n";
    return s;
}

// ---------------------------------------------------------------------------------------------
// The path table

namespace {

struct PathSpec {
    int from;
    int to;
    const char* tms;  // TMS levels in clock order
};

constexpr PathSpec kPathSpecs[kPathCount] = {
    {TAP_RESET, TAP_RESET, ""},
    {TAP_RESET, TAP_IDLE, "0"},
    {TAP_RESET, TAP_PAUSE_DR, "01010"},
    {TAP_RESET, TAP_PAUSE_IR, "011010"},
    {TAP_IDLE, TAP_RESET, "111"},
    {TAP_IDLE, TAP_IDLE, ""},
    {TAP_IDLE, TAP_PAUSE_DR, "1010"},
    {TAP_IDLE, TAP_PAUSE_IR, "11010"},
    {TAP_PAUSE_DR, TAP_RESET, "11111"},
    {TAP_PAUSE_DR, TAP_IDLE, "110"},
    {TAP_PAUSE_DR, TAP_PAUSE_DR, "111010"},
    {TAP_PAUSE_DR, TAP_PAUSE_IR, "1111010"},
    {TAP_PAUSE_IR, TAP_RESET, "11111"},
    {TAP_PAUSE_IR, TAP_IDLE, "110"},
    {TAP_PAUSE_IR, TAP_PAUSE_DR, "111010"},
    {TAP_PAUSE_IR, TAP_PAUSE_IR, "1111010"},
    {TAP_PAUSE_IR, TAP_SHIFT_IR, "10"},
    {TAP_SHIFT_IR, TAP_SHIFT_IR, "0"},
    {TAP_SHIFT_IR, TAP_EXIT1_IR, "1"},
    {TAP_EXIT1_IR, TAP_PAUSE_IR, "0"},
    {TAP_PAUSE_DR, TAP_SHIFT_DR, "10"},
    {TAP_SHIFT_DR, TAP_SHIFT_DR, "0"},
    {TAP_SHIFT_DR, TAP_EXIT1_DR, "1"},
    {TAP_EXIT1_DR, TAP_PAUSE_DR, "0"},
    {TAP_ANY, TAP_RESET, "11111111111"},
};

std::array<CStatePath, kPathCount> BuildPathTable()
{
    std::array<CStatePath, kPathCount> table{};
    for (int n = 0; n < kPathCount; ++n) {
        const PathSpec& spec = kPathSpecs[n];
        CStatePath& p = table[static_cast<std::size_t>(n)];
        p.m_startState = spec.from;
        p.m_endState = spec.to;
        int state = spec.from;
        for (const char* c = spec.tms; *c && p.m_stepCount < CStatePath::kMaxSteps; ++c) {
            CStateTransition& step = p.m_steps[p.m_stepCount++];
            step.m_tms = *c == '1' ? 1 : 0;
            if (n == kPathAnyToReset) {
                // Every step of the reset path goes from and to "no change".
                step.m_currentState = TAP_ANY;
                step.m_nextState = TAP_ANY;
            } else {
                step.m_currentState = state;
                state = TapNextState(state, step.m_tms);
                step.m_nextState = state;
            }
        }
    }
    return table;
}

const std::array<CStatePath, kPathCount>& PathTable()
{
    static const std::array<CStatePath, kPathCount> table = BuildPathTable();
    return table;
}

// Index of a stable state in the path table (RESET 0, IDLE 1, DRPAUSE 2, IRPAUSE 3), else -1.
int StableIndex(int state)
{
    switch (state) {
    case TAP_RESET: return 0;
    case TAP_IDLE: return 1;
    case TAP_PAUSE_DR: return 2;
    case TAP_PAUSE_IR: return 3;
    default: return -1;
    }
}

// --- tokens -------------------------------------------------------------------------------------

constexpr std::string_view kBlankDelims = " \t\r\n";

bool IsIn(char c, std::string_view set)
{
    return set.find(c) != std::string_view::npos;
}

// strtok-like: skips delimiters, takes the token up to the next delimiter and consumes that one
// delimiter. Blanks, tabs and line ends always delimit.
std::string_view NextToken(std::string_view& rest, std::string_view delims)
{
    auto isDelim = [&](char c) { return IsIn(c, delims) || IsIn(c, kBlankDelims); };
    std::size_t i = 0;
    while (i < rest.size() && isDelim(rest[i])) ++i;
    const std::size_t start = i;
    while (i < rest.size() && !isDelim(rest[i])) ++i;
    const std::string_view token = rest.substr(start, i - start);
    rest = rest.substr(std::min(rest.size(), i + 1));
    return token;
}

// The leading decimal digits of a token, saturating; `ok` false when it has none.
unsigned long long LeadingNumber(std::string_view token, bool& ok)
{
    unsigned long long v = 0;
    ok = false;
    for (char c : token) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        ok = true;
        const unsigned d = static_cast<unsigned>(c - '0');
        v = v > (ULLONG_MAX - d) / 10 ? ULLONG_MAX : v * 10 + d;
    }
    return v;
}

// "RESET", "IDLE", "DRPAUSE", "IRPAUSE" (any letter case), else -1.
int StableStateByName(std::string_view word)
{
    if (EqualsNoCase(word, "RESET")) return TAP_RESET;
    if (EqualsNoCase(word, "IDLE")) return TAP_IDLE;
    if (EqualsNoCase(word, "DRPAUSE")) return TAP_PAUSE_DR;
    if (EqualsNoCase(word, "IRPAUSE")) return TAP_PAUSE_IR;
    return -1;
}

enum ClauseKind { kClauseNone, kClauseTdi, kClauseTdo, kClauseMask, kClauseSmask, kClauseOther };

// One scan clause: a keyword, then its hexadecimal value in parentheses (the parentheses may be
// missing). Leaves `rest` after the clause.
ClauseKind NextClause(std::string_view& rest, std::string_view& value)
{
    std::size_t i = 0;
    while (i < rest.size() && IsIn(rest[i], kBlankDelims)) ++i;
    const std::size_t kwStart = i;
    while (i < rest.size() && std::isalpha(static_cast<unsigned char>(rest[i]))) ++i;
    const std::string_view kw = rest.substr(kwStart, i - kwStart);
    ClauseKind kind = kw.empty()                   ? kClauseNone
                      : EqualsNoCase(kw, "TDI")    ? kClauseTdi
                      : EqualsNoCase(kw, "TDO")    ? kClauseTdo
                      : EqualsNoCase(kw, "MASK")   ? kClauseMask
                      : EqualsNoCase(kw, "SMASK")  ? kClauseSmask
                                                   : kClauseOther;
    if (kind == kClauseNone || kind == kClauseOther) {
        rest = rest.substr(i);
        value = {};
        return kind;
    }
    while (i < rest.size() && IsIn(rest[i], kBlankDelims)) ++i;
    if (i < rest.size() && rest[i] == '(') ++i;
    while (i < rest.size() && IsIn(rest[i], kBlankDelims)) ++i;
    const std::size_t vStart = i;
    while (i < rest.size() && !IsIn(rest[i], kBlankDelims) && rest[i] != ')' && rest[i] != '(') ++i;
    value = rest.substr(vStart, i - vStart);
    while (i < rest.size() && IsIn(rest[i], kBlankDelims)) ++i;
    if (i < rest.size() && rest[i] == ')') ++i;
    rest = rest.substr(i);
    return kind;
}

}  // namespace

const CStatePath& CTapSvfInterpreter::Path(int n)
{
    static const CStatePath kEmpty{};
    if (n < 0 || n >= kPathCount) return kEmpty;
    return PathTable()[static_cast<std::size_t>(n)];
}

// ---------------------------------------------------------------------------------------------
// CTapSvfInterpreter

CTapSvfInterpreter::CTapSvfInterpreter() : m_clock(&SteadyJtagClock()) {}

void CTapSvfInterpreter::AttachPort(CJTAGTapPort* port, int id)
{
    AttachCable(port, id);
}

void CTapSvfInterpreter::AttachCable(CJtagCable* cable, int id)
{
    m_interpreterId = id;
    m_port = cable;
    if (CJTAGTapPort* parallel = cable ? cable->ParallelPort() : nullptr) {
        parallel->SetPort(1, 0, 0);
        parallel->SetPort(2, 0, 0);
        parallel->SetPort(0, 0, 0);
    }
    ClearClocks();
    PathTable();
    SetClock(m_clockOverride);
}

void CTapSvfInterpreter::SetClock(CJtagClock* clock)
{
    m_clockOverride = clock;
    CJtagClock* portClock = m_port ? m_port->GetClock() : nullptr;
    m_clock = clock ? clock : portClock ? portClock : &SteadyJtagClock();
}

CableStatus CTapSvfInterpreter::CheckCable()
{
    return m_port ? m_port->CheckCable() : kCableNotAttached;
}

void CTapSvfInterpreter::Delay(int ms)
{
    if (ms > kMaxRuntestMilliseconds) {
        ms = kMaxRuntestMilliseconds;
        CurrentPrompter().Beep();
    }
    m_clock->WaitMilliseconds(ms);
}

void CTapSvfInterpreter::PulseTCK()
{
    if (!m_port) return;
    if (CJTAGTapPort* parallel = m_port->ParallelPort())
        parallel->PulseTCK();
    else
        m_port->Clock(m_lastTms, m_port->GetTDIValue());
}

void CTapSvfInterpreter::ClockTDI(int level)
{
    if (!m_port) return;
    if (CJTAGTapPort* parallel = m_port->ParallelPort()) {
        parallel->SetTDI(level);
        parallel->WritePort();
        parallel->PulseTCK();
    } else {
        m_port->Clock(m_lastTms, level);
    }
}

void CTapSvfInterpreter::ClockStep(const CStateTransition& step, bool& reported)
{
    if (m_currentState != TAP_ANY && step.m_currentState != m_currentState && !reported) {
        // One message per path: the model is out of step with the table; the clocks go on.
        reported = true;
        CurrentPrompter().Message(kMsgBreakInStatePath);
    }
    if (m_port) {
        if (m_queueTms.empty()) m_firstQueuedLine = m_line;
        m_queueTms.push_back(static_cast<std::uint8_t>(step.m_tms ? 1 : 0));
        m_queueTdi.push_back(static_cast<std::uint8_t>(m_port->GetTDIValue()));
        m_lastTms = step.m_tms ? 1 : 0;
    }
    m_currentState = step.m_nextState;
}

void CTapSvfInterpreter::FlushClocks()
{
    const std::size_t count = m_queueTms.size();
    m_queueTdo.assign(count, 1);
    if (m_port && count > 0) {
        m_port->Shift(m_queueTms.data(), m_queueTdi.data(), count, m_queueTdo.data());
        m_port->Flush();
        if (m_port->Failed() && m_lostAtLine == std::string::npos) m_lostAtLine = m_firstQueuedLine;
    }
    // Without a cable nothing was clocked and every captured bit reads 0.
    auto captured = [&](std::size_t k) { return k < count ? static_cast<int>(m_queueTdo[k]) : 0; };
    auto fill = [&](CJtagBits& bits, std::size_t at) {
        if (at == std::string::npos) return;
        for (int i = 0; i < bits.Count(); ++i) bits.SetBit(i, captured(at + static_cast<std::size_t>(i)));
    };
    fill(m_sirTdo, m_sirCaptureAt);
    fill(m_sdrTdo, m_sdrCaptureAt);
    for (const PendingCheck& check : m_checks) {
        for (int i = 0; i < check.expected.Count(); ++i) {
            if (check.masked && check.mask.GetBit(i) == 0) continue;
            if (captured(check.first + static_cast<std::size_t>(i)) != check.expected.GetBit(i)) {
                m_mismatchLines.push_back(check.line);
                break;
            }
        }
    }
    ClearClocks();
}

void CTapSvfInterpreter::ClearClocks()
{
    m_queueTms.clear();
    m_queueTdi.clear();
    m_queueTdo.clear();
    m_checks.clear();
    m_sirCaptureAt = m_sdrCaptureAt = std::string::npos;
    m_firstQueuedLine = std::string::npos;
}

void CTapSvfInterpreter::RunPath(int n)
{
    const CStatePath& p = Path(n);
    bool reported = false;
    for (int i = 0; i < p.m_stepCount; ++i) ClockStep(p.m_steps[i], reported);
}

int CTapSvfInterpreter::MoveToState(int target)
{
    ClearClocks();
    const int result = QueueMoveToState(target);
    FlushClocks();
    return result;
}

int CTapSvfInterpreter::QueueMoveToState(int target)
{
    const int from = StableIndex(m_currentState);
    const int to = StableIndex(target);
    if (from < 0 || to < 0) return 4;
    RunPath(4 * from + to);
    return 0;
}

void CTapSvfInterpreter::ResetTap()
{
    m_currentState = TAP_ANY;
    RunPath(kPathAnyToReset);
    m_currentState = TAP_RESET;
}

void CTapSvfInterpreter::GoTo(int target)
{
    if (StableIndex(m_currentState) < 0) ResetTap();
    QueueMoveToState(target);
}

SvfResult CTapSvfInterpreter::ExecuteLine(std::string_view text)
{
    ClearClocks();
    m_mismatchLines.clear();
    m_lostAtLine = std::string::npos;
    m_line = 0;
    const SvfResult result = ExecuteStatement(text);
    FlushClocks();
    if (m_port && m_port->Failed()) return kSvfCableLost;
    if (result == kSvfOk && !m_mismatchLines.empty()) return kSvfTdoMismatch;
    return result;
}

void CTapSvfInterpreter::ExecuteLines(const std::vector<std::string>& lines,
                                      const std::function<void(std::size_t, SvfResult)>& done)
{
    ClearClocks();
    m_mismatchLines.clear();
    m_lostAtLine = std::string::npos;
    std::vector<SvfResult> results(lines.size(), kSvfOk);
    std::size_t reported = 0;
    // Lines are told in order, each once every check up to it has been compared.
    auto report = [&](std::size_t end) {
        for (const std::size_t k : m_mismatchLines)
            if (results[k] == kSvfOk) results[k] = kSvfTdoMismatch;
        m_mismatchLines.clear();
        for (; reported < end; ++reported)
            if (done) done(reported, results[reported]);
    };
    // A cable that lost its device stops the run at the first line whose clocks may not have
    // reached the device; later lines of that batch are not told (the cable is gone: whatever of
    // them it sent before failing is unknown, and nothing more is sent).
    auto stopIfLost = [&](std::size_t current) {
        if (!m_port || !m_port->Failed()) return false;
        std::size_t at = m_lostAtLine != std::string::npos       ? m_lostAtLine
                         : m_firstQueuedLine != std::string::npos ? m_firstQueuedLine
                                                                  : current;
        at = std::min(at, current);
        ClearClocks();
        results[at] = kSvfCableLost;
        report(at + 1);
        return true;
    };
    // A wait sends everything before it: its lines are told before the wait starts.
    m_linesSent = [&](std::size_t end) {
        if (!m_port || !m_port->Failed()) report(end);
    };
    struct Forget {
        std::function<void(std::size_t)>& f;
        ~Forget() { f = nullptr; }
    } forget{m_linesSent};
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text.assign(lines[i]);
        text += "\r\n";
        m_line = i;
        results[i] = ExecuteStatement(text);
        const bool stops = SvfResultStopsRun(results[i]);
        // The lines before a stop run as they would have: send them before telling the stop.
        if (stops || m_queueTms.size() >= kBatchClockLimit) FlushClocks();
        if (stopIfLost(i)) return;
        if (stops) {
            report(i + 1);
            return;
        }
        if (m_queueTms.empty() && m_checks.empty()) report(i + 1);
    }
    FlushClocks();
    if (stopIfLost(lines.empty() ? 0 : lines.size() - 1)) return;
    report(lines.size());
}

SvfResult CTapSvfInterpreter::ExecuteStatement(std::string_view text)
{
    if (!text.empty() && text.front() == '!') return kSvfOk;
    const std::size_t bang = text.find('!');
    if (bang != std::string_view::npos) text = text.substr(0, bang);

    std::string_view rest = text;
    const std::string_view keyword = NextToken(rest, " (");
    if (keyword.empty()) return kSvfOk;

    if (EqualsNoCase(keyword, "SIR")) return Scan(true, rest);
    if (EqualsNoCase(keyword, "SDR")) return Scan(false, rest);

    if (EqualsNoCase(keyword, "STATE")) {
        const int target = StableStateByName(NextToken(rest, " ;"));
        if (target >= 0) GoTo(target);
        return kSvfOk;
    }
    if (EqualsNoCase(keyword, "RUNTEST")) return Runtest(rest);
    if (EqualsNoCase(keyword, "TRST")) {
        // ON and OFF alike: eleven TMS 1 clocks into Test-Logic-Reset, then one into IDLE.
        ResetTap();
        RunPath(1);
        return kSvfOk;
    }
    if (EqualsNoCase(keyword, "ENDIR") || EqualsNoCase(keyword, "ENDDR")) {
        int target = StableStateByName(NextToken(rest, " ;"));
        if (target < 0) target = TAP_IDLE;
        (EqualsNoCase(keyword, "ENDIR") ? m_endIrState : m_endDrState) = target;
        return kSvfOk;
    }
    if (EqualsNoCase(keyword, "FREQUENCY")) {
        const std::string token(NextToken(rest, " ;"));
        const double f = std::strtod(token.c_str(), nullptr);
        if (std::isfinite(f) && f >= 0 && f < 9.2e18) m_frequency = static_cast<std::int64_t>(f);
        return kSvfOk;
    }
    const bool hir = EqualsNoCase(keyword, "HIR"), hdr = EqualsNoCase(keyword, "HDR");
    const bool tir = EqualsNoCase(keyword, "TIR"), tdr = EqualsNoCase(keyword, "TDR");
    if (hir || hdr || tir || tdr) {
        bool ok = false;
        const unsigned long long v = LeadingNumber(NextToken(rest, " ("), ok);
        // A count that is missing or absurd would misalign every later scan of the chain.
        if (!ok || v > kMaxChainBits) return kSvfSyntaxError;
        const auto n = static_cast<unsigned>(v);
        (hir ? m_hir : hdr ? m_hdr : tir ? m_tir : m_tdr) = n;
        return kSvfOk;
    }
    if (EqualsNoCase(keyword, kKeywordSetSuperVoltage) || EqualsNoCase(keyword, kKeywordClearSuperVoltage)) {
        // The cable has no high-voltage supply.
        return kSvfOk;
    }
    return kSvfOk;
}

SvfResult CTapSvfInterpreter::Runtest(std::string_view rest)
{
    bool ok = false;
    unsigned long long count = LeadingNumber(NextToken(rest, " ;"), ok);
    if (count > 100) count /= 1000;
    const int ms = static_cast<int>(std::min<unsigned long long>(count, INT_MAX));

    // The wait is where the devices erase and program their cells: everything queued goes out, and
    // every check before it is compared and its line told, first.
    FlushClocks();
    if (m_linesSent) m_linesSent(m_line);
    if (m_port && m_port->SupportsRUNTEST(1) == 1) {
        // The port leads the TAP from PAUSE_IR into Run-Test/Idle, waits and ends in
        // Test-Logic-Reset.
        m_currentState = TAP_RESET;
        m_port->ExecuteRUNTEST(ms);
        m_currentState = TAP_RESET;
        return kSvfOk;
    }
    // The instruction shifted last takes effect at Update-IR on the way into Run-Test/Idle; the TAP
    // waits there and then goes to Test-Logic-Reset, so that the recorded state is the TAP's.
    GoTo(TAP_IDLE);
    FlushClocks();
    Delay(ms);
    QueueMoveToState(TAP_RESET);
    m_currentState = TAP_RESET;
    return kSvfOk;
}

SvfResult CTapSvfInterpreter::Scan(bool instruction, std::string_view rest)
{
    bool ok = false;
    const unsigned long long length = LeadingNumber(NextToken(rest, " ("), ok);
    if (length == 0) return kSvfSyntaxError;

    std::string_view value;
    const ClauseKind first = NextClause(rest, value);
    if (instruction) {
        if (first != kClauseTdi && first != kClauseTdo) return kSvfSyntaxError;
    } else if (first != kClauseTdi) {
        return kSvfSyntaxError;
    }
    if (length > kMaxScanLength) return kSvfOutOfMemory;
    const int n = static_cast<int>(length);

    CJtagBits& tdi = instruction ? m_sirTdi : m_sdrTdi;
    CJtagBits& captured = instruction ? m_sirTdo : m_sdrTdo;
    (instruction ? m_sirCaptureAt : m_sdrCaptureAt) = std::string::npos;
    if (!tdi.LoadHex(value, n) || !captured.Allocate(n)) return kSvfOutOfMemory;

    // Further clauses of a data scan: the expected TDO and an optional MASK.
    bool haveTdo = false, haveMask = false;
    CJtagBits expected, mask;
    if (!instruction) {
        for (int guard = 0; guard < 4; ++guard) {
            const ClauseKind k = NextClause(rest, value);
            if (k == kClauseTdo) {
                if (!expected.LoadHex(value, n)) return kSvfOutOfMemory;
                haveTdo = true;
            } else if (k == kClauseMask) {
                if (!mask.LoadHex(value, n)) return kSvfOutOfMemory;
                haveMask = true;
            } else if (k != kClauseSmask) {
                break;
            }
        }
    }

    (instruction ? m_sirLength : m_sdrLength) = static_cast<unsigned>(n);
    const std::size_t start = ShiftBits(instruction, tdi);
    (instruction ? m_sirCaptureAt : m_sdrCaptureAt) = start;
    // The captured bits arrive with the next flush; the expected ones wait for them.
    if (haveTdo) m_checks.push_back(PendingCheck{m_line, start, std::move(expected), std::move(mask), haveMask});
    return kSvfOk;
}

std::size_t CTapSvfInterpreter::ShiftBits(bool instruction, const CJtagBits& tdi)
{
    const int pause = instruction ? TAP_PAUSE_IR : TAP_PAUSE_DR;
    const int toShift = instruction ? kPathPauseIrToShiftIr : kPathPauseDrToShiftDr;
    const int shift = instruction ? kPathShiftIr : kPathShiftDr;
    const int toExit1 = instruction ? kPathShiftIrToExit1 : kPathShiftDrToExit1;
    const int toPause = instruction ? kPathExit1IrToPause : kPathExit1DrToPause;
    const unsigned header = instruction ? m_hir : m_hdr;
    const unsigned trailer = instruction ? m_tir : m_tdr;
    const int end = instruction ? m_endIrState : m_endDrState;
    const int n = tdi.Count();

    auto setTdi = [&](int level) {
        if (m_port) m_port->SetTDIValue(level);
    };

    if (m_currentState != pause) GoTo(pause);
    RunPath(toShift);

    setTdi(1);
    for (unsigned h = 0; h < header; ++h) RunPath(shift);

    // The n bits are n consecutive clocks of the queue: bits 0..n-2 along the shift path, the last
    // one along the shift path too (trailer bits follow) or out to Exit1.
    const std::size_t first = m_queueTms.size();
    for (int i = 0; i < n - 1; ++i) {
        setTdi(tdi.GetBit(i));
        RunPath(shift);
    }
    setTdi(tdi.GetBit(n - 1));
    if (trailer == 0) {
        RunPath(toExit1);
        RunPath(toPause);
    } else {
        RunPath(shift);
        setTdi(1);
        for (unsigned t = 0; t + 1 < trailer; ++t) RunPath(shift);
        RunPath(toExit1);
        RunPath(toPause);
    }

    if (end != m_currentState) QueueMoveToState(end);
    return first;
}

}  // namespace kalidor
