// A simulated FTDI chip for the MPSSE cable: it takes the place of the USB link (FtdiLink.h),
// interprets the MPSSE command bytes the cable writes and drives the devices of a virtual chain
// (VirtualCable.h) with the clocks they describe, answering with the TDO bits and pin levels a
// chip would send. With it, every programming path of the USB cable runs without hardware.
//
// The simulated board behind the chip follows the cable's pin map: TCK, TDI and TMS reach the
// chain only while its output-enable line is asserted (otherwise TDO floats high), an asserted
// TRST holds the TAPs in Test-Logic-Reset, and the power-sense line reads the chain's power.
// Time passes with TCK at the chip's frequency, so RUNTEST waits clocked by the cable complete the
// devices' self-timed operations in virtual time.
//
// Faults: no such device, permission denied, in use, and a cable that is unplugged after a number
// of writes (every transfer fails from then on). An unknown command gets the chip's bad-command
// answer; a read of more bytes than the chip has sent fails at once as a timed-out read would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jtag/cables/FtdiLink.h"
#include "jtag/cables/MpsseSettings.h"
#include "jtag/cables/VirtualCable.h"

namespace kalidor {

class CSimulatedFtdiLink : public CFtdiLink {
public:
    // The board's pin map comes from `settings` (its output enable, TRST and power sense lines).
    CSimulatedFtdiLink(CFtdiChip chip, const CMpsseSettings& settings);

    CFtdiError Open(const CFtdiSelector& selector, std::string& detail) override;
    void Close() override;
    CFtdiChip Chip() const override { return m_chip; }
    CFtdiError Write(const std::uint8_t* data, std::size_t size, std::string& detail) override;
    CFtdiError Read(std::uint8_t* data, std::size_t size, std::string& detail) override;

    // The chain on the board.
    CVirtualCable& Chain() { return m_chain; }

    // --- faults ---
    enum class OpenFault { None, NotFound, Access, Busy };
    void SetOpenFault(OpenFault f) { m_openFault = f; }
    // The cable is unplugged after `writes` more successful writes (-1: never).
    void UnplugAfterWrites(int writes) { m_unplugAfter = writes; }
    bool Unplugged() const { return m_unplugged; }

    // --- inspection ---
    // TCK cycles the engine has clocked (waits included), bytes of commands it has taken.
    std::uint64_t Clocks() const { return m_clocks; }
    std::uint64_t CommandBytes() const { return m_commandBytes; }
    int Divisor() const { return m_divisor; }
    bool DivideBy5() const { return m_divideBy5; }
    std::uint16_t Levels() const { return m_levels; }
    std::uint16_t Directions() const { return m_directions; }
    // Commands the engine did not know (answered with the bad-command reply), in order.
    const std::vector<std::uint8_t>& BadCommands() const { return m_badCommands; }
    // The selector of the last Open.
    const CFtdiSelector& Opened() const { return m_opened; }

private:
    // Interprets the complete commands in m_input; leaves a partial one there.
    void Run();
    // One command at m_input[pos]; its length, or 0 when it is not complete yet.
    std::size_t Command(std::size_t pos);
    // Clocks the chain `count` times with TMS and TDI per clock; TDO into `tdo` when given.
    void Clock(const std::uint8_t* tms, const std::uint8_t* tdi, std::size_t count, std::uint8_t* tdo);
    void IdleClocks(std::uint64_t count);
    void PassTime(std::uint64_t clocks);
    bool Asserted(const CMpsseSignal& s) const;
    bool BoardPasses() const;
    void AfterLevelsChanged(bool trstBefore);
    void Answer(std::uint8_t b) { m_output.push_back(b); }
    // Answer bits: `count` TDO levels into the top of one byte.
    void AnswerBits(const std::uint8_t* tdo, std::size_t count);

    CFtdiChip m_chip;
    CMpsseSettings m_settings;
    CVirtualCable m_chain;
    bool m_open = false;
    CFtdiSelector m_opened;
    OpenFault m_openFault = OpenFault::None;
    int m_unplugAfter = -1;
    bool m_unplugged = false;

    std::vector<std::uint8_t> m_input;
    std::vector<std::uint8_t> m_output;
    std::size_t m_outputRead = 0;
    std::uint16_t m_levels = 0;
    std::uint16_t m_directions = 0;
    int m_divisor = 0xFFFF;
    bool m_divideBy5 = true;
    std::uint64_t m_clocks = 0;
    std::uint64_t m_commandBytes = 0;
    std::vector<std::uint8_t> m_badCommands;
    double m_pendingMicroseconds = 0;
    std::vector<std::uint8_t> m_tms, m_tdi, m_tdo;  // scratch
};

}  // namespace kalidor
