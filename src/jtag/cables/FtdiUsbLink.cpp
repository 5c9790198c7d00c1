// The FTDI link over libftdi1 (Debian package libftdi1-dev to build, libftdi1-2 to run). Built only
// when the library's header is found; otherwise every Open says so.
//
// The library is loaded when the first USB cable is opened, not when the program starts: it brings
// the USB and device-manager libraries with it, and most runs of kalidor-cli never touch a USB
// cable but would pay for loading all three on every start.
#include "jtag/cables/FtdiLink.h"

#include <chrono>
#include <cstring>
#include <thread>

#ifdef KALIDOR_HAVE_LIBFTDI
#include <dlfcn.h>
#include <ftdi.h>
#endif

namespace kalidor {

const char* FtdiChipName(CFtdiChip chip)
{
    switch (chip) {
    case CFtdiChip::FT2232D: return "FT2232D";
    case CFtdiChip::FT2232H: return "FT2232H";
    case CFtdiChip::FT4232H: return "FT4232H";
    case CFtdiChip::FT232H: return "FT232H";
    }
    return "FTDI";
}

namespace {

// How long a read waits for the chip's answer before the cable counts as gone.
constexpr auto kReadTimeout = std::chrono::milliseconds(2000);

#ifdef KALIDOR_HAVE_LIBFTDI

// The functions of libftdi1 that the link calls, typed from its header.
#define KALIDOR_LIBFTDI_FUNCTIONS(X)                                                                \
    X(ftdi_new) X(ftdi_free) X(ftdi_set_interface) X(ftdi_usb_open_desc_index) X(ftdi_usb_reset)    \
    X(ftdi_set_latency_timer) X(ftdi_tcioflush) X(ftdi_set_bitmode) X(ftdi_usb_close)               \
    X(ftdi_write_data) X(ftdi_read_data) X(ftdi_get_error_string)

struct CLibFtdi {
#define KALIDOR_LIBFTDI_MEMBER(f) decltype(&::f) f = nullptr;
    KALIDOR_LIBFTDI_FUNCTIONS(KALIDOR_LIBFTDI_MEMBER)
#undef KALIDOR_LIBFTDI_MEMBER
    std::string error;  // why the library could not be used; empty when it can
};

// The library's run-time name (its major version), then the development link as a fallback.
constexpr const char* kLibFtdiNames[] = {"libftdi1.so.2", "libftdi1.so"};

CLibFtdi LoadLibFtdi()
{
    CLibFtdi lib;
    void* handle = nullptr;
    for (const char* name : kLibFtdiNames)
        if ((handle = dlopen(name, RTLD_NOW | RTLD_LOCAL))) break;
    if (!handle) {
        const char* why = dlerror();
        lib.error = std::string("the library libftdi1 is missing; install the package libftdi1-2: ") +
                    (why ? why : kLibFtdiNames[0]);
        return lib;
    }
    // The library stays loaded for the life of the program.
#define KALIDOR_LIBFTDI_LOAD(f)                                                                     \
    lib.f = reinterpret_cast<decltype(&::f)>(dlsym(handle, #f));                                   \
    if (!lib.f && lib.error.empty()) lib.error = "libftdi1 has no function " #f;
    KALIDOR_LIBFTDI_FUNCTIONS(KALIDOR_LIBFTDI_LOAD)
#undef KALIDOR_LIBFTDI_LOAD
    return lib;
}

// Loaded once, on first use, by whichever thread opens a cable first.
const CLibFtdi& LibFtdi()
{
    static const CLibFtdi lib = LoadLibFtdi();
    return lib;
}

class CLibFtdiLink : public CFtdiLink {
public:
    ~CLibFtdiLink() override { Close(); }

    CFtdiError Open(const CFtdiSelector& s, std::string& detail) override
    {
        Close();
        if (!m_ftdi.error.empty()) {
            detail = m_ftdi.error;
            return CFtdiError::Io;
        }
        m_ctx = m_ftdi.ftdi_new();
        if (!m_ctx) {
            detail = "ftdi_new failed";
            return CFtdiError::Io;
        }
        const ftdi_interface channel =
            s.channel == 1 ? INTERFACE_B : s.channel == 2 ? INTERFACE_C : s.channel == 3 ? INTERFACE_D : INTERFACE_A;
        if (m_ftdi.ftdi_set_interface(m_ctx, channel) < 0) return Fail(CFtdiError::NotFound, detail);
        const int r = m_ftdi.ftdi_usb_open_desc_index(m_ctx, s.vendorId, s.productId, nullptr,
                                                      s.serial.empty() ? nullptr : s.serial.c_str(),
                                                      static_cast<unsigned>(s.index));
        if (r < 0) {
            // -3: no such device; -4 and -8: found but not opened (the device node's permissions);
            // -5: claimed by another program or a kernel driver.
            const CFtdiError kind = r == -3                          ? CFtdiError::NotFound
                                    : (r == -4 || r == -8)           ? CFtdiError::Access
                                    : r == -5                        ? CFtdiError::Busy
                                                                     : CFtdiError::Io;
            return Fail(kind, detail);
        }
        m_open = true;
        switch (m_ctx->type) {
        case TYPE_2232H: m_chip = CFtdiChip::FT2232H; break;
        case TYPE_4232H: m_chip = CFtdiChip::FT4232H; break;
        case TYPE_232H: m_chip = CFtdiChip::FT232H; break;
        default: m_chip = CFtdiChip::FT2232D; break;
        }
        if (m_ftdi.ftdi_usb_reset(m_ctx) < 0 || m_ftdi.ftdi_set_latency_timer(m_ctx, 1) < 0 ||
            m_ftdi.ftdi_tcioflush(m_ctx) < 0 || m_ftdi.ftdi_set_bitmode(m_ctx, 0, BITMODE_RESET) < 0 ||
            m_ftdi.ftdi_set_bitmode(m_ctx, 0, BITMODE_MPSSE) < 0)
            return Fail(CFtdiError::Io, detail);
        return CFtdiError::None;
    }

    void Close() override
    {
        if (!m_ctx) return;
        if (m_open) {
            m_ftdi.ftdi_set_bitmode(m_ctx, 0, BITMODE_RESET);
            m_ftdi.ftdi_usb_close(m_ctx);
        }
        m_ftdi.ftdi_free(m_ctx);
        m_ctx = nullptr;
        m_open = false;
    }

    CFtdiChip Chip() const override { return m_chip; }

    CFtdiError Write(const std::uint8_t* data, std::size_t size, std::string& detail) override
    {
        if (!m_open) return CFtdiError::Io;
        while (size > 0) {
            const int n = m_ftdi.ftdi_write_data(m_ctx, data, static_cast<int>(size));
            if (n <= 0) return Fail(CFtdiError::Io, detail);
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return CFtdiError::None;
    }

    CFtdiError Read(std::uint8_t* data, std::size_t size, std::string& detail) override
    {
        if (!m_open) return CFtdiError::Io;
        const auto deadline = std::chrono::steady_clock::now() + kReadTimeout;
        while (size > 0) {
            const int n = m_ftdi.ftdi_read_data(m_ctx, data, static_cast<int>(size));
            if (n < 0) return Fail(CFtdiError::Io, detail);
            if (n == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    detail = "no answer from the chip";
                    return CFtdiError::Io;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                continue;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return CFtdiError::None;
    }

private:
    CFtdiError Fail(CFtdiError kind, std::string& detail)
    {
        detail = m_ftdi.ftdi_get_error_string(m_ctx);
        return kind;
    }

    const CLibFtdi& m_ftdi = LibFtdi();
    ftdi_context* m_ctx = nullptr;
    bool m_open = false;
    CFtdiChip m_chip = CFtdiChip::FT2232H;
};

#else

class CLibFtdiLink : public CFtdiLink {
public:
    CFtdiError Open(const CFtdiSelector&, std::string& detail) override
    {
        detail = "this Kalidor was built without libftdi1";
        return CFtdiError::NotFound;
    }
    void Close() override {}
    CFtdiChip Chip() const override { return CFtdiChip::FT2232H; }
    CFtdiError Write(const std::uint8_t*, std::size_t, std::string&) override { return CFtdiError::Io; }
    CFtdiError Read(std::uint8_t*, std::size_t, std::string&) override { return CFtdiError::Io; }
};

#endif

}  // namespace

std::unique_ptr<CFtdiLink> CreateUsbFtdiLink()
{
    return std::make_unique<CLibFtdiLink>();
}

}  // namespace kalidor
