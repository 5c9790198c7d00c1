#include "jtag/cables/PpdevTapPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Prompter.h"

#if defined(__linux__)
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#define KALIDOR_HAVE_PPDEV 1
#else
#define KALIDOR_HAVE_PPDEV 0
#endif

namespace kalidor {

namespace {

void Report(const char* format, const std::string& path, int error)
{
    char text[1024];
    std::snprintf(text, sizeof text, format, path.c_str(), std::strerror(error));
    CurrentPrompter().Message(text);
}

}  // namespace

CPpdevTapPort::CPpdevTapPort(std::string devicePath) : m_path(std::move(devicePath)) {}

CPpdevTapPort::~CPpdevTapPort()
{
    Close();
}

std::string CPpdevTapPort::GetName() const
{
    return std::string(kPpdevNamePrefix) + m_path + ")";
}

bool CPpdevTapPort::Open()
{
#if KALIDOR_HAVE_PPDEV
    if (m_fd >= 0) return true;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        Report((e == ENOENT || e == ENODEV || e == ENXIO) ? kMsgPpdevMissing : kMsgPpdevDenied, m_path, e);
        return false;
    }
    if (::ioctl(fd, PPCLAIM) != 0) {
        const int e = errno;
        ::close(fd);
        Report(kMsgPpdevClaim, m_path, e);
        return false;
    }
    m_fd = fd;
    return true;
#else
    Report(kMsgPpdevMissing, m_path, ENOSYS);
    return false;
#endif
}

void CPpdevTapPort::Close()
{
#if KALIDOR_HAVE_PPDEV
    if (m_fd >= 0) {
        ::ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
#endif
    m_fd = -1;
}

void CPpdevTapPort::OutputData(int, int value)
{
#if KALIDOR_HAVE_PPDEV
    if (m_fd < 0) return;
    unsigned char byte = static_cast<unsigned char>(value);
    ::ioctl(m_fd, PPWDATA, &byte);  // a failing write is not reported, as with the other drivers
#else
    (void)value;
#endif
}

int CPpdevTapPort::InputStatus(int)
{
#if KALIDOR_HAVE_PPDEV
    if (m_fd < 0) return 0;
    unsigned char status = 0;
    if (::ioctl(m_fd, PPRSTATUS, &status) != 0) return 0;
    return status;
#else
    return 0;
#endif
}

}  // namespace kalidor
