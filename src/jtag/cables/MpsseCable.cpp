#include "jtag/cables/MpsseCable.h"

#include <algorithm>
#include <cstdio>

#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr const char* kCaption = "Kalidor";
// Largest byte command (65536 bytes) and clock-only command (65536 x 8 clocks).
constexpr std::size_t kMaxCommandBytes = 65536;
// Answer bytes per round: below the chip's send buffer (4 KiB on the high-speed chips, 384 bytes
// on the FT2232D), so the chip never stalls on answers nobody reads yet.
constexpr std::size_t kAnswerLimitHighSpeed = 3968;
constexpr std::size_t kAnswerLimitFullSpeed = 320;

// Fills the "%s" of a message text in order.
std::string Fill(const char* text, std::initializer_list<std::string> args)
{
    std::string out;
    auto it = args.begin();
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && it != args.end()) {
            out += *it++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

long BaseClock(CFtdiChip chip)
{
    return IsHighSpeedChip(chip) ? 60000000L : 12000000L;
}

}  // namespace

long MpsseTckFrequency(CFtdiChip chip, int divisor)
{
    return BaseClock(chip) / (2L * (divisor + 1));
}

int MpsseDivisorFor(CFtdiChip chip, long hz)
{
    if (hz <= 0) return 0xFFFF;
    const long base = BaseClock(chip);
    const long div = (base + 2 * hz - 1) / (2 * hz) - 1;  // the fastest TCK not above hz
    return static_cast<int>(std::clamp(div, 0L, 0xFFFFL));
}

CMpsseCable::CMpsseCable(std::unique_ptr<CFtdiLink> link, const CMpsseSettings& settings, std::string name)
    : m_link(std::move(link)), m_settings(settings), m_name(std::move(name))
{
}

CMpsseCable::~CMpsseCable()
{
    Close();
}

std::string CMpsseCable::Describe() const
{
    char ids[64];
    std::snprintf(ids, sizeof ids, "%04x:%04x channel %c", m_settings.usb.vendorId, m_settings.usb.productId,
                  'A' + m_settings.usb.channel);
    std::string s = "(" + m_settings.preset + ", " + ids;
    if (!m_settings.usb.serial.empty()) s += ", serial " + m_settings.usb.serial;
    return s + ")";
}

std::string CMpsseCable::GetName() const
{
    if (!m_name.empty()) return m_name;
    char freq[40] = "";
    if (m_tckHz > 0) std::snprintf(freq, sizeof freq, ", TCK %.3g MHz", m_tckHz / 1e6);
    return std::string("USB cable ") + (m_open ? FtdiChipName(m_chip) : "FTDI MPSSE") + " " + Describe() + freq;
}

std::size_t CMpsseCable::AnswerLimit() const
{
    return IsHighSpeedChip(m_chip) ? kAnswerLimitHighSpeed : kAnswerLimitFullSpeed;
}

bool CMpsseCable::Open()
{
    if (m_open) return true;
    m_failed = false;
    std::string detail;
    const CFtdiError e = m_link->Open(m_settings.usb, detail);
    if (e != CFtdiError::None) {
        const std::string what = Describe();
        const char* text = e == CFtdiError::NotFound ? kMsgUsbCableNotFound
                           : e == CFtdiError::Access ? kMsgUsbCableAccess
                           : e == CFtdiError::Busy   ? kMsgUsbCableBusy
                                                     : kMsgUsbCableSetup;
        CurrentPrompter().Message(Fill(text, {what, detail}), kCaption, Buttons::Ok, MessageIcon::Error);
        return false;
    }
    m_chip = m_link->Chip();
    const int divisor = MpsseDivisorFor(m_chip, m_settings.frequency);
    m_tckHz = MpsseTckFrequency(m_chip, divisor);
    m_levels = m_settings.InitialLevels();
    m_tmsPin = 1;
    m_tdiPin = 0;
    m_commands.clear();
    m_records.clear();
    m_destinations.clear();
    m_rounds.clear();
    m_roundAnswer = 0;

    std::vector<std::uint8_t> init;
    if (IsHighSpeedChip(m_chip)) init = {kMpsseDivideBy5Off, kMpsseAdaptiveOff, kMpsseThreePhaseOff};
    const std::uint16_t dir = m_settings.Direction();
    const std::uint8_t more[] = {
        kMpsseSetDivisor, static_cast<std::uint8_t>(divisor & 0xFF), static_cast<std::uint8_t>(divisor >> 8),
        kMpsseSetLow, static_cast<std::uint8_t>(m_levels & 0xFF), static_cast<std::uint8_t>(dir & 0xFF),
        kMpsseSetHigh, static_cast<std::uint8_t>(m_levels >> 8), static_cast<std::uint8_t>(dir >> 8),
        kMpsseLoopbackOff, kMpsseSyncCommand, kMpsseSendImmediate,
    };
    init.insert(init.end(), std::begin(more), std::end(more));
    m_open = true;
    std::uint8_t echo[2] = {0, 0};
    if (!Exchange(init, echo, 2)) {
        m_open = false;
        m_link->Close();
        return false;
    }
    if (echo[0] != kMpsseBadCommandReply || echo[1] != kMpsseSyncCommand) {
        CurrentPrompter().Message(Fill(kMsgUsbCableNoMpsse, {Describe()}), kCaption, Buttons::Ok, MessageIcon::Error);
        m_open = false;
        m_link->Close();
        return false;
    }
    return true;
}

void CMpsseCable::Close()
{
    if (!m_open) return;
    Flush();
    m_open = false;
    m_link->Close();
}

void CMpsseCable::Fail(const std::string& detail)
{
    if (!m_failed)
        CurrentPrompter().Message(Fill(kMsgUsbCableLost, {Describe(), detail}), kCaption, Buttons::Ok,
                                  MessageIcon::Error);
    m_failed = true;
}

bool CMpsseCable::Exchange(const std::vector<std::uint8_t>& commands, std::uint8_t* answer, std::size_t answerBytes)
{
    if (m_failed) return false;
    std::string detail;
    if (!commands.empty()) {
        ++m_stats.writes;
        m_stats.bytesWritten += commands.size();
        if (m_link->Write(commands.data(), commands.size(), detail) != CFtdiError::None) {
            Fail(detail.empty() ? "write failed" : detail);
            return false;
        }
    }
    if (answerBytes > 0) {
        ++m_stats.reads;
        m_stats.bytesRead += answerBytes;
        if (m_link->Read(answer, answerBytes, detail) != CFtdiError::None) {
            Fail(detail.empty() ? "read failed" : detail);
            return false;
        }
    }
    return true;
}

void CMpsseCable::ExpectAnswer(std::size_t bytes)
{
    if (m_roundAnswer + bytes > AnswerLimit()) CloseRound();
    m_roundAnswer += bytes;
}

void CMpsseCable::CloseRound()
{
    if (m_roundAnswer > 0) Put(kMpsseSendImmediate);
    m_rounds.push_back(Round{m_commands.size(), m_records.size(), m_roundAnswer});
    m_roundAnswer = 0;
}

void CMpsseCable::SetLowByte()
{
    Put(kMpsseSetLow);
    Put(static_cast<std::uint8_t>(m_levels & 0xFF));
    Put(static_cast<std::uint8_t>(m_settings.Direction() & 0xFF));
}

void CMpsseCable::SetPins(int tck, int tms, int tdi)
{
    if (!m_open) return;
    auto set = [this](int pin, int level) {
        if (level) m_levels |= static_cast<std::uint16_t>(1u << pin);
        else m_levels &= static_cast<std::uint16_t>(~(1u << pin));
    };
    set(kMpssePinTCK, tck);
    set(kMpssePinTMS, tms);
    set(kMpssePinTDI, tdi);
    m_tmsPin = tms ? 1 : 0;
    m_tdiPin = tdi ? 1 : 0;
    SetLowByte();
}

int CMpsseCable::ReadTDO()
{
    if (!m_open || m_failed) return 1;
    std::uint8_t level = 1;
    ExpectAnswer(1);
    Put(kMpsseGetLow);
    m_records.push_back(ReadRecord{1, kMpssePinTDO, ReadRecord::Pin});
    m_destinations.push_back(&level);
    Flush();
    return level;
}

CableStatus CMpsseCable::CheckCable()
{
    if (!m_open || m_failed) return kCableNotAttached;
    Flush();
    std::uint8_t answer[3] = {0, 0, 0};
    const bool sense = m_powerCheck && m_settings.powerSense.Present();
    std::vector<std::uint8_t> probe = {kMpsseSyncCommand};
    if (sense) probe.push_back(m_settings.powerSense.pin < 8 ? kMpsseGetLow : kMpsseGetHigh);
    probe.push_back(kMpsseSendImmediate);
    if (!Exchange(probe, answer, sense ? 3 : 2)) return kCableNotAttached;
    if (answer[0] != kMpsseBadCommandReply || answer[1] != kMpsseSyncCommand) {
        Fail("it answers out of step");
        return kCableNotAttached;
    }
    if (sense) {
        const int level = (answer[2] >> (m_settings.powerSense.pin % 8)) & 1;
        const bool powered = level == (m_settings.powerSense.activeLow ? 0 : 1);
        if (!powered) return kCableNoPower;
    }
    return kCableReady;
}

int CMpsseCable::Clock(int tms, int tdi)
{
    const std::uint8_t t = static_cast<std::uint8_t>(tms ? 1 : 0), d = static_cast<std::uint8_t>(tdi ? 1 : 0);
    std::uint8_t level = 1;
    Shift(&t, &d, 1, &level);
    Flush();
    return level;
}

void CMpsseCable::Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo)
{
    if (!m_open || m_failed) {
        if (tdo) std::fill(tdo, tdo + count, std::uint8_t{1});
        return;
    }
    m_stats.tck += count;
    // Length of the run of equal TMS levels starting at each clock.
    m_runs.resize(count);
    for (std::size_t k = count; k-- > 0;)
        m_runs[k] = (k + 1 < count && (tms[k + 1] != 0) == (tms[k] != 0)) ? m_runs[k + 1] + 1 : 1;

    std::size_t i = 0;
    while (i < count) {
        if ((tms[i] != 0) == (m_tmsPin != 0)) {
            // TMS stays where it is: data commands.
            const std::size_t n = m_runs[i];
            EncodeData(tdi + i, n, tdo ? tdo + i : nullptr);
            i += n;
            continue;
        }
        // TMS changes: a TMS command of up to seven clocks with TDI held; it stops before a long
        // run that data commands move faster.
        std::size_t k = i + 1;
        while (k < count && k - i < 7 && (tdi[k] != 0) == (tdi[i] != 0) &&
               !((tms[k] != 0) == (tms[k - 1] != 0) && m_runs[k] >= 8))
            ++k;
        EncodeTms(tms + i, tdi[i] ? 1 : 0, k - i, tdo ? tdo + i : nullptr);
        i = k;
    }
}

void CMpsseCable::EncodeData(const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo)
{
    while (count >= 8) {
        const std::size_t bytes = std::min(count / 8, tdo ? AnswerLimit() : kMaxCommandBytes);
        if (tdo) ExpectAnswer(bytes);
        Put(tdo ? kMpsseBytesInOut : kMpsseBytesOut);
        Put(static_cast<std::uint8_t>((bytes - 1) & 0xFF));
        Put(static_cast<std::uint8_t>((bytes - 1) >> 8));
        for (std::size_t b = 0; b < bytes; ++b) {
            std::uint8_t v = 0;
            for (int j = 0; j < 8; ++j)
                if (tdi[b * 8 + j]) v |= static_cast<std::uint8_t>(1u << j);
            Put(v);
        }
        if (tdo) {
            m_records.push_back(ReadRecord{static_cast<std::uint32_t>(bytes), 8, ReadRecord::Bytes});
            for (std::size_t c = 0; c < bytes * 8; ++c) m_destinations.push_back(tdo + c);
            tdo += bytes * 8;
        }
        tdi += bytes * 8;
        count -= bytes * 8;
        m_tdiPin = tdi[-1] ? 1 : 0;
    }
    if (count == 0) return;
    if (tdo) ExpectAnswer(1);
    Put(tdo ? kMpsseBitsInOut : kMpsseBitsOut);
    Put(static_cast<std::uint8_t>(count - 1));
    std::uint8_t v = 0;
    for (std::size_t j = 0; j < count; ++j)
        if (tdi[j]) v |= static_cast<std::uint8_t>(1u << j);
    Put(v);
    if (tdo) {
        m_records.push_back(ReadRecord{1, static_cast<std::uint8_t>(count), ReadRecord::Bits});
        for (std::size_t c = 0; c < count; ++c) m_destinations.push_back(tdo + c);
    }
    m_tdiPin = tdi[count - 1] ? 1 : 0;
}

void CMpsseCable::EncodeTms(const std::uint8_t* tms, int tdiLevel, std::size_t count, std::uint8_t* tdo)
{
    if (tdo) ExpectAnswer(1);
    Put(tdo ? kMpsseTmsInOut : kMpsseTmsOut);
    Put(static_cast<std::uint8_t>(count - 1));
    std::uint8_t v = static_cast<std::uint8_t>(tdiLevel ? 0x80 : 0);
    for (std::size_t j = 0; j < count; ++j)
        if (tms[j]) v |= static_cast<std::uint8_t>(1u << j);
    Put(v);
    if (tdo) {
        m_records.push_back(ReadRecord{1, static_cast<std::uint8_t>(count), ReadRecord::Bits});
        for (std::size_t c = 0; c < count; ++c) m_destinations.push_back(tdo + c);
    }
    m_tmsPin = tms[count - 1] ? 1 : 0;
    m_tdiPin = tdiLevel;
}

void CMpsseCable::EncodeIdleClocks(std::uint64_t clocks)
{
    m_stats.tck += clocks;
    m_stats.waitTck += clocks;
    if (IsHighSpeedChip(m_chip)) {
        while (clocks >= 8) {
            const std::uint64_t bytes = std::min<std::uint64_t>(clocks / 8, kMaxCommandBytes);
            Put(kMpsseClockBytes);
            Put(static_cast<std::uint8_t>((bytes - 1) & 0xFF));
            Put(static_cast<std::uint8_t>((bytes - 1) >> 8));
            clocks -= bytes * 8;
        }
        if (clocks > 0) {
            Put(kMpsseClockBits);
            Put(static_cast<std::uint8_t>(clocks - 1));
        }
        return;
    }
    // The full-speed chip has no clock-only commands: shift ones out with TMS held low.
    const std::uint8_t one = 1;
    std::vector<std::uint8_t> ones(static_cast<std::size_t>(std::min<std::uint64_t>(clocks, 8 * kMaxCommandBytes)), one);
    while (clocks > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(clocks, ones.size()));
        EncodeData(ones.data(), n, nullptr);
        clocks -= n;
    }
}

void CMpsseCable::ExecuteRUNTEST(int ms)
{
    if (!m_open || m_failed) return;
    // From PAUSE_IR through EXIT2_IR and UPDATE_IR (the instruction takes effect) into IDLE.
    static const std::uint8_t kToIdle[] = {1, 1, 0};
    static const std::uint8_t kToReset[] = {1, 1, 1};
    m_stats.tck += 6;
    ++m_stats.waits;
    EncodeTms(kToIdle, m_tdiPin, 3, nullptr);
    const int wait = std::clamp(ms, 0, 500);
    EncodeIdleClocks(static_cast<std::uint64_t>(wait) * static_cast<std::uint64_t>(m_tckHz) / 1000u);
    EncodeTms(kToReset, m_tdiPin, 3, nullptr);
    // The wait happens now, not whenever the next answer is needed: send what is queued.
    Flush();
}

bool CMpsseCable::TimedWait(std::uint64_t microseconds)
{
    if (!m_open || m_failed || m_tckHz <= 0) return false;
    const auto hz = static_cast<std::uint64_t>(m_tckHz);
    ++m_stats.waits;
    EncodeIdleClocks((microseconds * hz + 999999u) / 1000000u);
    Flush();
    return true;
}

void CMpsseCable::Flush()
{
    if (!m_open) return;
    if (m_failed) {
        for (std::uint8_t* d : m_destinations)
            if (d) *d = 1;
        m_commands.clear();
        m_records.clear();
        m_destinations.clear();
        m_rounds.clear();
        m_roundAnswer = 0;
        return;
    }
    if (m_commands.empty()) return;
    CloseRound();
    std::size_t commandStart = 0, recordStart = 0, destination = 0;
    std::vector<std::uint8_t> chunk;
    for (const Round& r : m_rounds) {
        if (r.commandEnd == commandStart && r.answerBytes == 0) continue;
        chunk.assign(m_commands.begin() + static_cast<std::ptrdiff_t>(commandStart),
                     m_commands.begin() + static_cast<std::ptrdiff_t>(r.commandEnd));
        m_answer.resize(r.answerBytes);
        if (!Exchange(chunk, m_answer.data(), r.answerBytes)) break;
        std::size_t a = 0;
        for (std::size_t k = recordStart; k < r.readEnd; ++k) {
            const ReadRecord& rec = m_records[k];
            if (rec.kind == ReadRecord::Bytes) {
                for (std::uint32_t b = 0; b < rec.bytes; ++b, ++a)
                    for (int j = 0; j < 8; ++j) *m_destinations[destination++] = (m_answer[a] >> j) & 1;
            } else if (rec.kind == ReadRecord::Bits) {
                // Bits come in at the top of the byte.
                for (int j = 0; j < rec.bits; ++j)
                    *m_destinations[destination++] = (m_answer[a] >> (8 - rec.bits + j)) & 1;
                ++a;
            } else {
                *m_destinations[destination++] = (m_answer[a] >> rec.bits) & 1;
                ++a;
            }
        }
        commandStart = r.commandEnd;
        recordStart = r.readEnd;
    }
    if (m_failed)
        for (std::size_t d = destination; d < m_destinations.size(); ++d) *m_destinations[d] = 1;
    m_commands.clear();
    m_records.clear();
    m_destinations.clear();
    m_rounds.clear();
    m_roundAnswer = 0;
}

}  // namespace kalidor
