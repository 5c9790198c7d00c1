// A USB JTAG cable built on an FTDI chip in MPSSE mode (FT2232H, FT4232H, FT232H, FT2232D).
//
// Clocks are not sent one by one: Shift turns them into MPSSE commands in a buffer — runs of
// clocks with a steady TMS as byte commands followed by a bit command for the rest, TMS changes as
// TMS commands (up to seven clocks each, TDI held) — and Flush writes the buffer and reads the
// TDO bits asked for in one go. A flush that asks for no TDO bits only writes. Answers that would
// overflow the chip's send buffer split the buffer into several write/read rounds.
//
// RUNTEST waits are timed on the device side: the cable leads the TAP from PAUSE_IR through
// Update-IR into Run-Test/Idle, clocks TCK there for the wait at the cable's TCK frequency, and
// goes on into Test-Logic-Reset, all queued with the other commands.
//
// A cable that cannot be opened (no such device, no permission, in use) says why and Open fails;
// a transfer that fails later (the cable was unplugged) is reported once, every TDO bit reads 1
// from then on, Failed() is true and CheckCable reports the cable as not attached.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jtag/JtagCable.h"
#include "jtag/cables/FtdiLink.h"
#include "jtag/cables/MpsseSettings.h"

namespace kalidor {

// MPSSE commands: TDI written on the falling edge, TDO read on the rising edge, LSB first.
inline constexpr std::uint8_t kMpsseBytesOut = 0x19;
inline constexpr std::uint8_t kMpsseBitsOut = 0x1B;
inline constexpr std::uint8_t kMpsseBytesInOut = 0x39;
inline constexpr std::uint8_t kMpsseBitsInOut = 0x3B;
inline constexpr std::uint8_t kMpsseTmsOut = 0x4B;
inline constexpr std::uint8_t kMpsseTmsInOut = 0x6B;
inline constexpr std::uint8_t kMpsseSetLow = 0x80;
inline constexpr std::uint8_t kMpsseGetLow = 0x81;
inline constexpr std::uint8_t kMpsseSetHigh = 0x82;
inline constexpr std::uint8_t kMpsseGetHigh = 0x83;
inline constexpr std::uint8_t kMpsseLoopbackOff = 0x85;
inline constexpr std::uint8_t kMpsseSetDivisor = 0x86;
inline constexpr std::uint8_t kMpsseSendImmediate = 0x87;
inline constexpr std::uint8_t kMpsseDivideBy5Off = 0x8A;
inline constexpr std::uint8_t kMpsseThreePhaseOff = 0x8D;
inline constexpr std::uint8_t kMpsseClockBits = 0x8E;   // high-speed chips only
inline constexpr std::uint8_t kMpsseClockBytes = 0x8F;  // high-speed chips only
inline constexpr std::uint8_t kMpsseAdaptiveOff = 0x97;
// The answer to a command the engine does not know: this byte, then the command.
inline constexpr std::uint8_t kMpsseBadCommandReply = 0xFA;
// The command used to check that the engine answers (an unknown one, echoed).
inline constexpr std::uint8_t kMpsseSyncCommand = 0xAA;

// The TCK frequency a chip makes for a divisor, and the divisor for the fastest TCK not above `hz`.
long MpsseTckFrequency(CFtdiChip chip, int divisor);
int MpsseDivisorFor(CFtdiChip chip, long hz);

class CMpsseCable : public CJtagCable {
public:
    CMpsseCable(std::unique_ptr<CFtdiLink> link, const CMpsseSettings& settings, std::string name = {});
    ~CMpsseCable() override;

    bool Open() override;
    void Close() override;
    std::string GetName() const override;
    void SetPins(int tck, int tms, int tdi) override;
    int ReadTDO() override;
    CableStatus CheckCable() override;
    int Clock(int tms, int tdi) override;
    void Shift(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo) override;
    void Flush() override;
    int SupportsRUNTEST(int kind) const override { return kind == 1 ? 1 : 0; }
    void ExecuteRUNTEST(int ms) override;
    bool TimedWait(std::uint64_t microseconds) override;
    bool Failed() const override { return m_failed; }

    const CMpsseSettings& Settings() const { return m_settings; }
    bool IsOpen() const { return m_open; }
    // The TCK frequency in use (after Open).
    long TckFrequency() const { return m_tckHz; }
    CFtdiLink& Link() { return *m_link; }

    struct Statistics {
        std::uint64_t writes = 0;        // link writes (USB transfers out)
        std::uint64_t reads = 0;         // link reads (USB transfers in)
        std::uint64_t bytesWritten = 0;
        std::uint64_t bytesRead = 0;
        std::uint64_t tck = 0;           // TCK cycles commanded (waits included)
        std::uint64_t waitTck = 0;       // of which RUNTEST waits
        std::uint64_t waits = 0;         // RUNTEST waits (each sent at once, in one write)
    };
    const Statistics& Stats() const { return m_stats; }
    void ResetStats() { m_stats = {}; }

private:
    // How an answer byte maps onto the clocks that asked for it.
    struct ReadRecord {
        std::uint32_t bytes;  // answer bytes (Bytes) or 1
        std::uint8_t bits;    // Bits: the clocks in the byte's top bits; Pin: the bit of the pin
        enum Kind : std::uint8_t { Bytes, Bits, Pin } kind;
    };
    struct Round {
        std::size_t commandEnd;  // end of its commands in m_commands
        std::size_t readEnd;     // end of its records in m_records
        std::size_t answerBytes;
    };

    void EncodeData(const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo);
    void EncodeTms(const std::uint8_t* tms, int tdiLevel, std::size_t count, std::uint8_t* tdo);
    void EncodeIdleClocks(std::uint64_t clocks);
    // Adds `bytes` of answer; closes the round first when they would overflow the chip's buffer.
    void ExpectAnswer(std::size_t bytes);
    void CloseRound();
    void Put(std::uint8_t b) { m_commands.push_back(b); }
    void SetLowByte();
    void Fail(const std::string& detail);
    // Sends `commands` and reads `answer` bytes back; false (after Fail) when the link failed.
    bool Exchange(const std::vector<std::uint8_t>& commands, std::uint8_t* answer, std::size_t answerBytes);
    std::string Describe() const;
    std::size_t AnswerLimit() const;

    std::unique_ptr<CFtdiLink> m_link;
    CMpsseSettings m_settings;
    std::string m_name;
    bool m_open = false;
    bool m_failed = false;
    CFtdiChip m_chip = CFtdiChip::FT2232H;
    long m_tckHz = 0;
    std::uint16_t m_levels = 0;  // GPIO levels driven
    int m_tmsPin = 1;            // TMS level left by the last command
    int m_tdiPin = 0;

    std::vector<std::uint8_t> m_commands;
    std::vector<ReadRecord> m_records;
    std::vector<std::uint8_t*> m_destinations;  // per clock read (nullptr: not wanted)
    std::vector<Round> m_rounds;
    std::size_t m_roundAnswer = 0;
    std::vector<std::uint8_t> m_answer;
    std::vector<std::uint32_t> m_runs;  // scratch of Shift
    Statistics m_stats;
};

// The message texts of the cable.
inline constexpr const char* kMsgUsbCableNotFound =
    "No USB JTAG cable %s was found.\nCheck that it is plugged in, or choose another cable with the\n"
    "     Options->JTAG Interface...\ndialog.";
inline constexpr const char* kMsgUsbCableAccess =
    "The USB JTAG cable %s was found, but you may not open it (%s).\n"
    "Install the udev rule 60-kalidor-ftdi.rules from the support folder as the README tells, then plug the "
    "cable in again.";
inline constexpr const char* kMsgUsbCableBusy =
    "The USB JTAG cable %s is in use by another program or driver (%s).";
inline constexpr const char* kMsgUsbCableSetup = "The USB JTAG cable %s could not be set up (%s).";
inline constexpr const char* kMsgUsbCableNoMpsse =
    "The USB JTAG cable %s does not answer as an MPSSE engine; check the channel.";
inline constexpr const char* kMsgUsbCableLost =
    "The USB JTAG cable %s stopped answering (%s).\nIt may have been unplugged.  Operation aborted.";

}  // namespace kalidor
