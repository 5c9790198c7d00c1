#include "jtag/JTAGTapPort.h"

namespace kalidor {

void CJTAGTapPort::SetPort(int number, int dataPort, int statusPort)
{
    m_portNumber = number;
    if (number >= 0 && number <= 2) {
        m_dataPort = kStdDataPorts[number];
        m_statusPort = kStdStatusPorts[number];
    } else {
        m_dataPort = dataPort;
        m_statusPort = statusPort;
    }
}

int CJTAGTapPort::CablePresent()
{
    if (!m_cableCheck) return 1;
    SetCableDrive(1);
    WritePort();
    const int high = ReadCableSense();
    SetCableDrive(0);
    WritePort();
    const int low = ReadCableSense();
    return (high == 1 && low == 0) ? 1 : 0;
}

int CJTAGTapPort::PowerPresent()
{
    if (!m_powerCheck) return 1;
    return ReadPowerSense() == 1 ? 1 : 0;
}

CableStatus CJTAGTapPort::CheckCable()
{
    if (!CablePresent()) return kCableNotAttached;
    return PowerPresent() ? kCableReady : kCableNoPower;
}

void CJTAGTapPort::ClockStep(const CStateTransition& step)
{
    Clock(step.m_tms, m_tdiLevel);
}

int CJTAGTapPort::Clock(int tms, int tdi)
{
    SetTMS(tms);
    SetTDI(tdi);
    m_tdoLevel = ReadTDO();
    WritePort();
    SetTCK(1);
    WritePort();
    SetTCK(0);
    WritePort();
    return m_tdoLevel;
}

void CJTAGTapPort::SetPins(int tck, int tms, int tdi)
{
    SetTCK(tck);
    SetTMS(tms);
    SetTDI(tdi);
    WritePort();
}

void CJTAGTapPort::SetAux3(int level)
{
    SetDataBit(kDataAux3, level);
    m_dataByte |= kDataAux5;
}

void CJTAGTapPort::SetLine(int which, int level)
{
    switch (which) {
    case kLineTCK: SetTCK(level); break;
    case kLineTMS: SetTMS(level); break;
    case kLineTDI: SetTDI(level); break;
    default: break;
    }
}

void CJTAGTapPort::PulseTCK()
{
    SetTCK(1);
    WritePort();
    SetTCK(0);
    WritePort();
}

void CJTAGTapPort::SetAux4()
{
    m_dataByte |= kDataAux4;
    WritePort();
}

void CJTAGTapPort::ClearAux4()
{
    m_dataByte &= ~kDataAux4;
    WritePort();
}

void CJTAGTapPort::WritePort()
{
    OutputData(m_dataPort, m_dataByte & 0xFF);
}

int CJTAGTapPort::ReadTDO()
{
    return (InputStatus(m_statusPort) & kStatusTDO) ? 1 : 0;
}

int CJTAGTapPort::ReadPowerSense()
{
    return (InputStatus(m_statusPort) & kStatusPowerSense) ? 1 : 0;
}

int CJTAGTapPort::ReadCableSense()
{
    return (InputStatus(m_statusPort) & kStatusCableSense) ? 1 : 0;
}

void CJTAGTapPort::ToggleLine(int which, long count, int)
{
    const int saved = m_dataByte;
    for (long i = 0; i < count; ++i) {
        SetLine(which, 0);
        WritePort();
        SetLine(which, 1);
        WritePort();
    }
    SetLine(which, 0);
    WritePort();
    m_dataByte = saved;
    WritePort();
}

int CJTAGTapPort::ReadStatusBit6At279()
{
    return (InputStatus(0x279) & 0x40) ? 1 : 0;
}

}  // namespace kalidor
