// The parallel port through the Linux parallel-port driver: the device file (/dev/parport0 by
// default) is opened and claimed once; a data byte goes out with PPWDATA and the status register
// is read with PPRSTATUS. The port number and addresses of the base class are kept for the
// settings but do not choose the device: the device file does.
#pragma once

#include <string>

#include "jtag/JTAGTapPort.h"

namespace kalidor {

inline constexpr const char* kPpdevNamePrefix = "Linux parallel port driver (";
// %s: device path, then the system's reason.
inline constexpr const char* kMsgPpdevMissing =
    "Error: Parallel port device %s does not exist (%s).\n"
    "Possible Causes:\n"
    "1. The parport_pc and ppdev kernel modules are not loaded.\n"
    "2. The computer has no parallel port at this number.\n";
inline constexpr const char* kMsgPpdevDenied =
    "Error: Parallel port device %s cannot be opened (%s).\n"
    "Add your user to the group that owns the device (often \"lp\"), then log in again.";
inline constexpr const char* kMsgPpdevClaim =
    "Error: Parallel port device %s is in use by another program (%s).";

class CPpdevTapPort : public CJTAGTapPort {
public:
    explicit CPpdevTapPort(std::string devicePath = "/dev/parport0");
    ~CPpdevTapPort() override;
    bool Open() override;
    void Close() override;
    std::string GetName() const override;
    const std::string& DevicePath() const { return m_path; }
    bool IsOpen() const { return m_fd >= 0; }

protected:
    void OutputData(int port, int value) override;
    int InputStatus(int port) override;

private:
    std::string m_path;
    int m_fd = -1;
};

}  // namespace kalidor
