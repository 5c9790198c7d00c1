#include "jtag/JtagBits.h"

namespace kalidor {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool CJtagBits::Allocate(int n)
{
    Release();
    if (n < 0 || n > kMaxBits) return false;
    m_bits.assign(static_cast<std::size_t>(n) + kSpareBits, 0);
    m_count = n;
    return true;
}

void CJtagBits::Release()
{
    m_bits.clear();
    m_count = 0;
}

int CJtagBits::GetBit(int i) const
{
    if (i < 0 || i >= m_count) return -1;
    return m_bits[static_cast<std::size_t>(i)];
}

int CJtagBits::SetBit(int i, int v)
{
    if (i < 0 || i >= m_count) return -1;
    m_bits[static_cast<std::size_t>(i)] = v != 0 ? 1 : 0;
    return 0;
}

int CJtagBits::GetStoredBit(int i) const
{
    if (i < 0 || static_cast<std::size_t>(i) >= m_bits.size()) return -1;
    return m_bits[static_cast<std::size_t>(i)];
}

bool CJtagBits::operator==(const CJtagBits& other) const
{
    if (m_count != other.m_count) return false;
    for (int i = 0; i < m_count; ++i)
        if (m_bits[static_cast<std::size_t>(i)] != other.m_bits[static_cast<std::size_t>(i)]) return false;
    return true;
}

void CJtagBits::LoadBitText(std::string_view text)
{
    if (text.size() > static_cast<std::size_t>(kMaxBits)) text = text.substr(text.size() - kMaxBits);
    const int n = static_cast<int>(text.size());
    Allocate(n);
    for (int i = 0; i < n; ++i)
        m_bits[static_cast<std::size_t>(i)] = text[static_cast<std::size_t>(n - 1 - i)] != '0' ? 1 : 0;
}

std::string CJtagBits::ToBitText() const
{
    std::string s(static_cast<std::size_t>(m_count), '0');
    for (int i = 0; i < m_count; ++i)
        if (m_bits[static_cast<std::size_t>(i)]) s[static_cast<std::size_t>(m_count - 1 - i)] = '1';
    return s;
}

bool CJtagBits::LoadHex(std::string_view hex, int length)
{
    if (!Allocate(length)) return false;
    const std::size_t stored = m_bits.size();
    std::size_t bit = 0;
    for (auto it = hex.rbegin(); it != hex.rend() && bit < stored; ++it) {
        int v = HexDigitValue(*it);
        if (v < 0) v = 0;
        for (int k = 0; k < 4 && bit < stored; ++k, ++bit) m_bits[bit] = (v >> k) & 1;
    }
    return true;
}

std::string CJtagBits::ToHex() const
{
    static const char kDigits[] = "0123456789ABCDEF";
    const int digits = (m_count + 3) / 4;
    std::string s(static_cast<std::size_t>(digits), '0');
    for (int d = 0; d < digits; ++d) {
        int v = 0;
        for (int k = 0; k < 4; ++k) {
            const int i = d * 4 + k;
            if (i < m_count && m_bits[static_cast<std::size_t>(i)]) v |= 1 << k;
        }
        s[static_cast<std::size_t>(digits - 1 - d)] = kDigits[v];
    }
    return s;
}

bool CJtagBits::ToHex(std::string& out, std::size_t scratchSize) const
{
    out.clear();
    const std::size_t digits = static_cast<std::size_t>((m_count + 3) / 4);
    if (digits > scratchSize) return false;
    out = ToHex();
    return true;
}

CJtagBits CJtagBits::FromBitText(std::string_view text)
{
    CJtagBits b;
    b.LoadBitText(text);
    return b;
}

CJtagBits CJtagBits::FromHex(std::string_view hex, int length)
{
    CJtagBits b;
    b.LoadHex(hex, length);
    return b;
}

}  // namespace kalidor
