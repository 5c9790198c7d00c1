// Direct port I/O: the data and status registers are reached with the processor's 8-bit port
// instructions. On Linux this needs ioperm() permission (root or CAP_SYS_RAWIO) and an x86
// processor; elsewhere the port refuses to open. Without permission no port instruction is ever
// executed: writes are dropped and reads return 0.
#pragma once

#include "jtag/JTAGTapPort.h"

namespace kalidor {

inline constexpr const char* kDirectIoName = "No driver, direct port writes";
// %s: the port address in hexadecimal, then the system's reason.
inline constexpr const char* kMsgDirectIoRefused =
    "Error: Direct access to the parallel port at %sh was refused (%s).\n"
    "Run Kalidor with port access rights (root or CAP_SYS_RAWIO),\n"
    "or choose the parallel port device driver (/dev/parport0).";
inline constexpr const char* kMsgDirectIoUnavailable =
    "Error: Direct parallel port access is available only on x86 processors.\n"
    "Choose the parallel port device driver (/dev/parport0).";

class CDirectIoTapPort : public CJTAGTapPort {
public:
    ~CDirectIoTapPort() override;
    // Asks for access to the current ports; shows a message and returns false when refused.
    bool Open() override;
    void Close() override;
    // Access follows the port: a change of addresses releases the old range and, when the port
    // was open, asks for the new one.
    void SetPort(int number, int dataPort, int statusPort) override;
    std::string GetName() const override { return kDirectIoName; }
    bool HasAccess() const { return m_access; }

protected:
    void OutputData(int port, int value) override;
    int InputStatus(int port) override;

private:
    bool Grant(bool report);
    void Revoke();

    bool m_open = false;
    bool m_access = false;
    int m_grantedBase = 0;
};

}  // namespace kalidor
