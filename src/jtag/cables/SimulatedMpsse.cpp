#include "jtag/cables/SimulatedMpsse.h"

#include <algorithm>

#include "jtag/cables/MpsseCable.h"

namespace kalidor {

namespace {

// Level of an input pin nothing drives: pulled up.
constexpr int kFloatingLevel = 1;

}  // namespace

CSimulatedFtdiLink::CSimulatedFtdiLink(CFtdiChip chip, const CMpsseSettings& settings)
    : m_chip(chip), m_settings(settings)
{
}

CFtdiError CSimulatedFtdiLink::Open(const CFtdiSelector& selector, std::string& detail)
{
    m_opened = selector;
    switch (m_openFault) {
    case OpenFault::NotFound: detail = "no device with these ids"; return CFtdiError::NotFound;
    case OpenFault::Access: detail = "permission denied on the USB device node"; return CFtdiError::Access;
    case OpenFault::Busy: detail = "the interface is claimed"; return CFtdiError::Busy;
    case OpenFault::None: break;
    }
    if (m_unplugged) {
        detail = "no device with these ids";
        return CFtdiError::NotFound;
    }
    // A reset chip: MPSSE on, every pin an input, the slowest clock.
    m_open = true;
    m_input.clear();
    m_output.clear();
    m_outputRead = 0;
    m_levels = 0;
    m_directions = 0;
    m_divisor = 0xFFFF;
    m_divideBy5 = true;
    return CFtdiError::None;
}

void CSimulatedFtdiLink::Close()
{
    m_open = false;
    m_unplugged = false;
    m_unplugAfter = -1;
}

CFtdiError CSimulatedFtdiLink::Write(const std::uint8_t* data, std::size_t size, std::string& detail)
{
    if (m_unplugAfter == 0) m_unplugged = true;
    if (!m_open || m_unplugged) {
        detail = "the device is gone";
        return CFtdiError::Io;
    }
    if (m_unplugAfter > 0) --m_unplugAfter;
    m_input.insert(m_input.end(), data, data + size);
    m_commandBytes += size;
    Run();
    return CFtdiError::None;
}

CFtdiError CSimulatedFtdiLink::Read(std::uint8_t* data, std::size_t size, std::string& detail)
{
    if (!m_open || m_unplugged) {
        detail = "the device is gone";
        return CFtdiError::Io;
    }
    if (m_output.size() - m_outputRead < size) {
        detail = "no answer from the chip";
        return CFtdiError::Io;
    }
    std::copy_n(m_output.begin() + static_cast<std::ptrdiff_t>(m_outputRead), size, data);
    m_outputRead += size;
    if (m_outputRead == m_output.size()) {
        m_output.clear();
        m_outputRead = 0;
    }
    return CFtdiError::None;
}

bool CSimulatedFtdiLink::Asserted(const CMpsseSignal& s) const
{
    if (!s.Present()) return false;
    const bool driven = (m_directions >> s.pin) & 1;
    const int level = driven ? (m_levels >> s.pin) & 1 : kFloatingLevel;
    return level == (s.activeLow ? 0 : 1);
}

bool CSimulatedFtdiLink::BoardPasses() const
{
    // TCK, TDI and TMS must be outputs, through an enabled buffer when the board has one.
    constexpr std::uint16_t jtagOut = (1u << kMpssePinTCK) | (1u << kMpssePinTDI) | (1u << kMpssePinTMS);
    if ((m_directions & jtagOut) != jtagOut) return false;
    if (m_settings.outputEnable.Present() && !Asserted(m_settings.outputEnable)) return false;
    return !Asserted(m_settings.trst);
}

void CSimulatedFtdiLink::AfterLevelsChanged(bool trstBefore)
{
    // TRST going active puts every TAP into Test-Logic-Reset, as five TMS 1 clocks do.
    if (!trstBefore && Asserted(m_settings.trst)) {
        const std::uint8_t ones[5] = {1, 1, 1, 1, 1};
        m_chain.ShiftClocks(0, ones, ones, 5, nullptr);
    }
}

void CSimulatedFtdiLink::PassTime(std::uint64_t clocks)
{
    m_clocks += clocks;
    const long base = (IsHighSpeedChip(m_chip) && !m_divideBy5) ? 60000000L : 12000000L;
    const double hz = static_cast<double>(base) / (2.0 * (m_divisor + 1));
    if (m_chain.Clock().IsReal()) return;
    m_pendingMicroseconds += static_cast<double>(clocks) * 1e6 / hz;
    if (m_pendingMicroseconds >= 1) {
        const auto whole = static_cast<std::int64_t>(m_pendingMicroseconds);
        m_chain.VirtualClock().AdvanceMicroseconds(whole);
        m_pendingMicroseconds -= static_cast<double>(whole);
    }
}

void CSimulatedFtdiLink::Clock(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo)
{
    if (count == 0) return;
    if (BoardPasses()) {
        // Time passes clock by clock in long runs, so a device can see it while it waits.
        constexpr std::size_t kSlice = 4096;
        for (std::size_t at = 0; at < count; at += kSlice) {
            const std::size_t n = std::min(kSlice, count - at);
            m_chain.ShiftClocks(0, tms + at, tdi + at, n, tdo ? tdo + at : nullptr);
            PassTime(n);
        }
    } else {
        if (tdo) std::fill(tdo, tdo + count, std::uint8_t{kFloatingLevel});
        PassTime(count);
    }
    // The pins keep the last levels.
    m_levels = static_cast<std::uint16_t>((m_levels & ~((1u << kMpssePinTMS) | (1u << kMpssePinTDI))) |
                                          (tms[count - 1] ? 1u << kMpssePinTMS : 0) |
                                          (tdi[count - 1] ? 1u << kMpssePinTDI : 0));
}

void CSimulatedFtdiLink::IdleClocks(std::uint64_t count)
{
    // Clock-only commands hold TMS and TDI. With every TAP in a state the held TMS keeps it in
    // (Run-Test/Idle or a pause with TMS low, Test-Logic-Reset with TMS high) nothing changes but
    // time: clock the first and the last, and let the time of the rest pass between.
    const std::uint8_t tms = (m_levels >> kMpssePinTMS) & 1, tdi = (m_levels >> kMpssePinTDI) & 1;
    bool allIdle = BoardPasses() && m_chain.DeviceCount() > 0;
    for (std::size_t i = 0; allIdle && i < m_chain.DeviceCount(); ++i) {
        const int state = m_chain.Device(i)->State();
        allIdle = state != TAP_SHIFT_DR && state != TAP_SHIFT_IR && TapNextState(state, tms) == state;
    }
    if (allIdle && count > 2) {
        Clock(&tms, &tdi, 1, nullptr);
        PassTime(count - 2);
        Clock(&tms, &tdi, 1, nullptr);
        return;
    }
    m_tms.assign(static_cast<std::size_t>(count), tms);
    m_tdi.assign(static_cast<std::size_t>(count), tdi);
    Clock(m_tms.data(), m_tdi.data(), m_tms.size(), nullptr);
}

void CSimulatedFtdiLink::AnswerBits(const std::uint8_t* tdo, std::size_t count)
{
    std::uint8_t v = 0;
    for (std::size_t j = 0; j < count; ++j)
        if (tdo[j]) v |= static_cast<std::uint8_t>(1u << (8 - count + j));
    Answer(v);
}

void CSimulatedFtdiLink::Run()
{
    std::size_t pos = 0;
    while (pos < m_input.size()) {
        const std::size_t n = Command(pos);
        if (n == 0) break;
        pos += n;
    }
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(pos));
}

std::size_t CSimulatedFtdiLink::Command(std::size_t pos)
{
    const std::uint8_t* c = m_input.data() + pos;
    const std::size_t avail = m_input.size() - pos;
    const bool highSpeed = IsHighSpeedChip(m_chip);
    auto bad = [&]() -> std::size_t {
        m_badCommands.push_back(c[0]);
        Answer(kMpsseBadCommandReply);
        Answer(c[0]);
        return 1;
    };
    switch (c[0]) {
    case kMpsseBytesOut:
    case kMpsseBytesInOut: {
        if (avail < 3) return 0;
        const std::size_t bytes = (c[1] | (c[2] << 8)) + 1u;
        if (avail < 3 + bytes) return 0;
        const std::uint8_t tmsLevel = (m_levels >> kMpssePinTMS) & 1;
        m_tms.assign(bytes * 8, tmsLevel);
        m_tdi.resize(bytes * 8);
        m_tdo.resize(bytes * 8);
        for (std::size_t b = 0; b < bytes; ++b)
            for (int j = 0; j < 8; ++j) m_tdi[b * 8 + static_cast<std::size_t>(j)] = (c[3 + b] >> j) & 1;
        Clock(m_tms.data(), m_tdi.data(), bytes * 8, m_tdo.data());
        if (c[0] == kMpsseBytesInOut)
            for (std::size_t b = 0; b < bytes; ++b) {
                std::uint8_t v = 0;
                for (int j = 0; j < 8; ++j)
                    if (m_tdo[b * 8 + static_cast<std::size_t>(j)]) v |= static_cast<std::uint8_t>(1u << j);
                Answer(v);
            }
        return 3 + bytes;
    }
    case kMpsseBitsOut:
    case kMpsseBitsInOut: {
        if (avail < 3) return 0;
        const std::size_t bits = (c[1] & 7u) + 1u;
        const std::uint8_t tmsLevel = (m_levels >> kMpssePinTMS) & 1;
        std::uint8_t tms[8], tdi[8], tdo[8];
        for (std::size_t j = 0; j < bits; ++j) tms[j] = tmsLevel, tdi[j] = (c[2] >> j) & 1;
        Clock(tms, tdi, bits, tdo);
        if (c[0] == kMpsseBitsInOut) AnswerBits(tdo, bits);
        return 3;
    }
    case kMpsseTmsOut:
    case kMpsseTmsInOut: {
        if (avail < 3) return 0;
        const std::size_t bits = (c[1] & 7u) + 1u;
        if (bits > 7) return bad();
        std::uint8_t tms[8], tdi[8], tdo[8];
        for (std::size_t j = 0; j < bits; ++j) tms[j] = (c[2] >> j) & 1, tdi[j] = (c[2] >> 7) & 1;
        Clock(tms, tdi, bits, tdo);
        if (c[0] == kMpsseTmsInOut) AnswerBits(tdo, bits);
        return 3;
    }
    case kMpsseSetLow:
    case kMpsseSetHigh: {
        if (avail < 3) return 0;
        const bool trstBefore = Asserted(m_settings.trst);
        const int shift = c[0] == kMpsseSetLow ? 0 : 8;
        m_levels = static_cast<std::uint16_t>((m_levels & ~(0xFFu << shift)) | (c[1] << shift));
        m_directions = static_cast<std::uint16_t>((m_directions & ~(0xFFu << shift)) | (c[2] << shift));
        AfterLevelsChanged(trstBefore);
        return 3;
    }
    case kMpsseGetLow:
    case kMpsseGetHigh: {
        const int shift = c[0] == kMpsseGetLow ? 0 : 8;
        std::uint16_t pins = 0;
        for (int p = 0; p < kMpssePinCount; ++p) {
            int level = kFloatingLevel;
            if ((m_directions >> p) & 1) level = (m_levels >> p) & 1;
            else if (p == kMpssePinTDO)
                level = BoardPasses() ? ((m_chain.ReadStatus() & kStatusTDO) ? 1 : 0) : kFloatingLevel;
            else if (p == m_settings.powerSense.pin) {
                level = m_chain.Powered() == !m_settings.powerSense.activeLow ? 1 : 0;
            }
            if (level) pins |= static_cast<std::uint16_t>(1u << p);
        }
        Answer(static_cast<std::uint8_t>((pins >> shift) & 0xFF));
        return 1;
    }
    case 0x84:  // loopback on
    case kMpsseLoopbackOff:
    case kMpsseSendImmediate:
        return 1;
    case kMpsseSetDivisor:
        if (avail < 3) return 0;
        m_divisor = c[1] | (c[2] << 8);
        return 3;
    case kMpsseDivideBy5Off:
    case 0x8B:  // divide by 5 on
        if (!highSpeed) return bad();
        m_divideBy5 = c[0] == 0x8B;
        return 1;
    case 0x8C:  // three-phase clocking on
    case kMpsseThreePhaseOff:
    case 0x96:  // adaptive clocking on
    case kMpsseAdaptiveOff:
        return highSpeed ? 1 : bad();
    case kMpsseClockBits:
        if (!highSpeed) return bad();
        if (avail < 2) return 0;
        IdleClocks((c[1] & 7u) + 1u);
        return 2;
    case kMpsseClockBytes:
        if (!highSpeed) return bad();
        if (avail < 3) return 0;
        IdleClocks((static_cast<std::uint64_t>(c[1] | (c[2] << 8)) + 1u) * 8u);
        return 3;
    default:
        return bad();
    }
}

}  // namespace kalidor
