// The TAP port: the download cable on an 8-bit parallel port. Three data-register lines drive TDI,
// TCK and TMS, one status line reads TDO, and two further lines tell that the cable is plugged in
// (a loop-back from a data line to a status line) and that the target has power.
//
// CJTAGTapPort is the cable interface (JtagCable.h) of a parallel port: it keeps the image of the
// data register and turns the interpreter's requests (set TMS, set TDI, clock a path step) into
// whole-byte writes of that image. The back ends (cables/) differ only in how a byte reaches the
// data register and how the status register is read:
//   CDirectIoTapPort   x86 port I/O (ioperm/outb/inb)          cables/DirectIoTapPort.h
//   CPpdevTapPort      the Linux parallel-port driver (ppdev)  cables/PpdevTapPort.h
//   CVirtualTapPort    a simulated port with simulated devices cables/VirtualCable.h
#pragma once

#include <string>

#include "jtag/JtagCable.h"
#include "jtag/TapState.h"

namespace kalidor {

// Parallel-port line assignment.
inline constexpr int kDataTDI = 0x01;        // data bit 0
inline constexpr int kDataTCK = 0x02;        // data bit 1
inline constexpr int kDataTMS = 0x04;        // data bit 2
inline constexpr int kDataAux3 = 0x08;       // data bit 3, auxiliary output (debug)
inline constexpr int kDataAux4 = 0x10;       // data bit 4, auxiliary output (debug)
inline constexpr int kDataAux5 = 0x20;       // data bit 5, set with the auxiliary bit 3
inline constexpr int kDataCableDrive = 0x40; // data bit 6, cable-detect drive
inline constexpr int kStatusTDO = 0x40;      // status bit 6
inline constexpr int kStatusCableSense = 0x10; // status bit 4, loop-back of data bit 6
inline constexpr int kStatusPowerSense = 0x08; // status bit 3, 1 = target powered

// Standard parallel ports by port number.
inline constexpr int kStdDataPorts[3] = {0x3BC, 0x378, 0x278};
inline constexpr int kStdStatusPorts[3] = {0x3BD, 0x379, 0x279};

// Lines for SetLine and ToggleLine.
inline constexpr int kLineTCK = 0;
inline constexpr int kLineTMS = 1;
inline constexpr int kLineTDI = 2;

class CJTAGTapPort : public CJtagCable {
public:
    // Open() and Close() are those of every cable.
    // Port 0..2 takes the standard addresses; any other number keeps the given ones.
    virtual void SetPort(int number, int dataPort, int statusPort);
    virtual int GetPortNumber() const { return m_portNumber; }
    // The cable checks.
    virtual int CablePresent();  // 1 present (or the check is off), 0 not
    virtual int PowerPresent();  // 1 powered (or the check is off), 0 not
    CableStatus CheckCable() override;   // kCableReady, kCableNotAttached or kCableNoPower
    // SupportsRUNTEST, GetName and ExecuteRUNTEST are the cable's; a plain port does not time
    // RUNTEST itself.
    // One TCK cycle of a path step: TMS from the step, TDI from the stored level; TDO is read
    // before the rising edge. Three data-register writes.
    virtual void ClockStep(const CStateTransition& step);
    // The TDO level of the last clock and the data register's address (SetTDIValue is the cable's).
    virtual int GetTDOValue() const { return m_tdoLevel; }
    virtual int GetDataPort() const { return m_dataPort; }
    // These change the data-register image only; nothing is written until WritePort.
    virtual void SetTMS(int level) { SetDataBit(kDataTMS, level); }
    virtual void SetTDI(int level) { SetDataBit(kDataTDI, level); }
    virtual void SetTCK(int level) { SetDataBit(kDataTCK, level); }
    virtual void SetAux3(int level);
    virtual void SetCableDrive(int level) { SetDataBit(kDataCableDrive, level); }
    // SetLine changes one line (kLineTCK, kLineTMS, kLineTDI) in the image only; PulseTCK writes
    // TCK high then low; the auxiliary output 4 is set or cleared and written at once (debug).
    virtual void SetLine(int which, int level);
    virtual void PulseTCK();
    virtual void SetAux4();
    virtual void ClearAux4();
    // WritePort puts the image on the data register; the reads take one bit of the status register.
    virtual void WritePort();
    int ReadTDO() override;
    virtual int ReadPowerSense();
    virtual int ReadCableSense();
    // The port test: `count` times line 0 then 1 (each written), then 0, then the saved image.
    virtual void ToggleLine(int which, long count, int extra);
    // Status bit 6 of the port at the fixed address 0x279 (debug only).
    virtual int ReadStatusBit6At279();

    // The cable's pins are bits of the data byte: set them and write it once.
    void SetPins(int tck, int tms, int tdi) override;
    // ClockStep with the given levels: the same three writes, TDO read before the first.
    int Clock(int tms, int tdi) override;
    CJTAGTapPort* ParallelPort() override { return this; }

    int GetStatusPort() const { return m_statusPort; }
    // Puts the low byte of `value` on the data register at `port` as it is (automation's
    // PortWriteByte); the back end writes only to the port it was given.
    void PortWriteByte(int port, int value) { OutputData(port, value & 0xFF); }
    int GetDataByte() const { return m_dataByte; }

protected:
    // The back end: put a byte on the data register at `port`; read the status register at `port`.
    virtual void OutputData(int port, int value) = 0;
    virtual int InputStatus(int port) = 0;

    void SetDataBit(int mask, int level)
    {
        if (level)
            m_dataByte |= mask;
        else
            m_dataByte &= ~mask;
    }

    int m_tdoLevel = 0;
    int m_dataByte = 0;
    int m_dataPort = kStdDataPorts[1];
    int m_statusPort = kStdStatusPorts[1];
    int m_portNumber = 1;
};

}  // namespace kalidor
