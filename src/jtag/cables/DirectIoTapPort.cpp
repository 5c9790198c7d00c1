#include "jtag/cables/DirectIoTapPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Prompter.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define KALIDOR_HAVE_PORT_IO 1
#else
#define KALIDOR_HAVE_PORT_IO 0
#endif

namespace kalidor {

CDirectIoTapPort::~CDirectIoTapPort()
{
    Revoke();
}

bool CDirectIoTapPort::Open()
{
    m_open = true;
    return Grant(true);
}

void CDirectIoTapPort::Close()
{
    Revoke();
    m_open = false;
}

void CDirectIoTapPort::SetPort(int number, int dataPort, int statusPort)
{
    CJTAGTapPort::SetPort(number, dataPort, statusPort);
    if (m_access && m_grantedBase != m_dataPort) Revoke();
    // Open() has reported a refusal already; a later change of address asks quietly.
    if (m_open && !m_access) Grant(false);
}

bool CDirectIoTapPort::Grant(bool report)
{
#if KALIDOR_HAVE_PORT_IO
    if (m_access) return true;
    // The data and status registers are consecutive addresses; ask for both (and the control
    // register after them, as a parallel port occupies three).
    if (m_dataPort <= 0 || m_dataPort > 0xFFFF - 3 || m_statusPort != m_dataPort + 1) {
        if (report) {
            char addr[16];
            std::snprintf(addr, sizeof addr, "%X", static_cast<unsigned>(m_dataPort) & 0xFFFFu);
            char text[512];
            std::snprintf(text, sizeof text, kMsgDirectIoRefused, addr, "not a parallel port address");
            CurrentPrompter().Message(text);
        }
        return false;
    }
    if (ioperm(static_cast<unsigned long>(m_dataPort), 3, 1) != 0) {
        if (report) {
            const std::string reason = std::strerror(errno);
            char addr[16];
            std::snprintf(addr, sizeof addr, "%X", static_cast<unsigned>(m_dataPort));
            char text[512];
            std::snprintf(text, sizeof text, kMsgDirectIoRefused, addr, reason.c_str());
            CurrentPrompter().Message(text);
        }
        return false;
    }
    m_access = true;
    m_grantedBase = m_dataPort;
    return true;
#else
    if (report) CurrentPrompter().Message(kMsgDirectIoUnavailable);
    return false;
#endif
}

void CDirectIoTapPort::Revoke()
{
#if KALIDOR_HAVE_PORT_IO
    if (m_access) ioperm(static_cast<unsigned long>(m_grantedBase), 3, 0);
#endif
    m_access = false;
    m_grantedBase = 0;
}

void CDirectIoTapPort::OutputData(int port, int value)
{
#if KALIDOR_HAVE_PORT_IO
    if (m_access && port == m_grantedBase)
        outb(static_cast<unsigned char>(value), static_cast<unsigned short>(port));
#else
    (void)port;
    (void)value;
#endif
}

int CDirectIoTapPort::InputStatus(int port)
{
#if KALIDOR_HAVE_PORT_IO
    if (m_access && port >= m_grantedBase && port < m_grantedBase + 3)
        return inb(static_cast<unsigned short>(port));
#else
    (void)port;
#endif
    return 0;
}

}  // namespace kalidor
