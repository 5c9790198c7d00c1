// The FTDI link over libftdi1 (Debian package libftdi1-dev). Built only when the library is found;
// otherwise every Open says so.
#include "jtag/cables/FtdiLink.h"

#include <chrono>
#include <cstring>
#include <thread>

#ifdef KALIDOR_HAVE_LIBFTDI
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

class CLibFtdiLink : public CFtdiLink {
public:
    ~CLibFtdiLink() override { Close(); }

    CFtdiError Open(const CFtdiSelector& s, std::string& detail) override
    {
        Close();
        m_ctx = ftdi_new();
        if (!m_ctx) {
            detail = "ftdi_new failed";
            return CFtdiError::Io;
        }
        const ftdi_interface channel =
            s.channel == 1 ? INTERFACE_B : s.channel == 2 ? INTERFACE_C : s.channel == 3 ? INTERFACE_D : INTERFACE_A;
        if (ftdi_set_interface(m_ctx, channel) < 0) return Fail(CFtdiError::NotFound, detail);
        const int r = ftdi_usb_open_desc_index(m_ctx, s.vendorId, s.productId, nullptr,
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
        if (ftdi_usb_reset(m_ctx) < 0 || ftdi_set_latency_timer(m_ctx, 1) < 0 || ftdi_tcioflush(m_ctx) < 0 ||
            ftdi_set_bitmode(m_ctx, 0, BITMODE_RESET) < 0 || ftdi_set_bitmode(m_ctx, 0, BITMODE_MPSSE) < 0)
            return Fail(CFtdiError::Io, detail);
        return CFtdiError::None;
    }

    void Close() override
    {
        if (!m_ctx) return;
        if (m_open) {
            ftdi_set_bitmode(m_ctx, 0, BITMODE_RESET);
            ftdi_usb_close(m_ctx);
        }
        ftdi_free(m_ctx);
        m_ctx = nullptr;
        m_open = false;
    }

    CFtdiChip Chip() const override { return m_chip; }

    CFtdiError Write(const std::uint8_t* data, std::size_t size, std::string& detail) override
    {
        if (!m_open) return CFtdiError::Io;
        while (size > 0) {
            const int n = ftdi_write_data(m_ctx, data, static_cast<int>(size));
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
            const int n = ftdi_read_data(m_ctx, data, static_cast<int>(size));
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
        detail = ftdi_get_error_string(m_ctx);
        return kind;
    }

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
