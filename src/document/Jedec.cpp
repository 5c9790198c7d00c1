#include "document/Jedec.h"

#include <cstdio>
#include <istream>
#include <ostream>

#include "device/DeviceConfig.h"
#include "jtag/JtagRegProgram.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr char kStx = '\x02';
constexpr char kEtx = '\x03';
constexpr int kJedecRegister = -5;  // the register program's whole fuse image

std::string StripFieldBreakers(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '*' && c != kStx && c != kEtx) out.push_back(c);
    return out;
}

std::string Hex4(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4.4X", static_cast<unsigned>(v));
    return buf;
}

char Lower(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<char>(u - 'A' + 'a') : c;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Substitute(std::string_view pattern, const std::string& a, const std::string& b,
                       const std::string& c)
{
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '3') {
            out += pattern[i + 1] == '1' ? a : pattern[i + 1] == '2' ? b : c;
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

// Parsing cursor over the text; every access is bounded.
struct Cursor {
    std::string_view t;
    std::size_t i = 0;

    bool End() const { return i >= t.size(); }
    char Peek(std::size_t ahead = 0) const { return i + ahead < t.size() ? t[i + ahead] : '\0'; }
    void SkipTo(char c)
    {
        while (i < t.size() && t[i] != c) ++i;
    }
    // Optional white space, then decimal digits; saturates instead of overflowing. `digits`
    // tells whether any digit was read.
    int64_t Number(bool* digits = nullptr)
    {
        while (i < t.size() && IsSpace(t[i])) ++i;
        int64_t v = 0;
        bool any = false;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            if (v < (int64_t{1} << 40)) v = v * 10 + (t[i] - '0');
            any = true;
            ++i;
        }
        if (digits) *digits = any;
        return v;
    }
};

}  // namespace

std::string JedecHeaderText(const JedecDocumentInfo& info)
{
    return "Kalidor  Design\r\nTitle: " + StripFieldBreakers(info.title) + " \r\nAuthor: " +
           StripFieldBreakers(info.author) + " \r\n";
}

uint32_t JedecFuseChecksum(const std::vector<uint8_t>& fuses)
{
    uint32_t sum = 0;
    for (std::size_t k = 0; k * 8 < fuses.size(); ++k) {
        uint32_t word = 0;
        for (std::size_t j = 0; j < 8 && k * 8 + j < fuses.size(); ++j)
            if (fuses[k * 8 + j]) word |= 1u << j;
        sum += word;
    }
    return sum;
}

uint32_t JedecTransmissionChecksum(std::string_view stxToEtx)
{
    uint32_t sum = 0;
    for (char c : stxToEtx) sum += static_cast<unsigned char>(c);
    return sum & 0xFFFFu;
}

bool CJedecImage::Allocate(int32_t count)
{
    m_fuses.clear();
    m_given.clear();
    m_fusesGiven = 0;
    m_fuseCount = 0;
    if (count < 0 || count > kJedecMaxFuses) return false;
    m_fuses.assign(static_cast<std::size_t>(count), 0);
    m_given.assign(static_cast<std::size_t>(count), 0);
    m_fuseCount = count;
    return true;
}

int CJedecImage::GetFuse(int32_t n) const
{
    if (n < 0 || static_cast<std::size_t>(n) >= m_fuses.size()) return -1;
    return m_fuses[static_cast<std::size_t>(n)];
}

void CJedecImage::SetFuse(int32_t n, int value)
{
    if (n < 0 || static_cast<std::size_t>(n) >= m_fuses.size()) return;
    m_fuses[static_cast<std::size_t>(n)] = value != 0 ? 1 : 0;
}

bool CJedecImage::FuseGiven(int32_t n) const
{
    return n >= 0 && static_cast<std::size_t>(n) < m_given.size() && m_given[static_cast<std::size_t>(n)];
}

std::string CJedecImage::Format(const std::string& header)
{
    m_fuseChecksum = JedecFuseChecksum(m_fuses);
    std::string fuseList;
    fuseList.reserve(m_fuses.size());
    for (uint8_t f : m_fuses) fuseList.push_back(f ? '1' : '0');
    std::string text;
    text += kStx;
    text += ' ';
    text += header;
    text += "*\r\nQF" + std::to_string(m_fuseCount) + "*\r\nQP" + std::to_string(m_pinCount) +
            "*\r\nL0000 " + fuseList + "*\r\nC" + Hex4(m_fuseChecksum) + "*\r\n";
    text += kEtx;
    text += Hex4(JedecTransmissionChecksum(text));
    return text;
}

bool CJedecImage::Parse(std::string_view text)
{
    Allocate(0);
    m_pinCount = 0;
    m_defaultFuse = -1;
    m_sawQf = false;
    m_qfTooLarge = false;

    Cursor c{text};
    c.SkipTo(kStx);
    if (c.End()) return false;
    ++c.i;
    c.SkipTo('*');  // the design field is not read
    while (!c.End()) {
        const char ch = c.t[c.i];
        const char l = Lower(ch);
        if (ch == kEtx || ch == kStx) break;
        if (l == 'q') {
            const char next = Lower(c.Peek(1));
            if (next == 'f') {
                c.i += 2;
                const int64_t n = c.Number();
                m_sawQf = true;
                if (n > kJedecMaxFuses) {
                    m_qfTooLarge = true;
                    Allocate(0);
                } else {
                    Allocate(static_cast<int32_t>(n));
                }
            } else if (next == 'p') {
                c.i += 2;
                const int64_t n = c.Number();
                m_pinCount = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
            } else {
                break;
            }
        } else if (l == 'l') {
            ++c.i;
            const int64_t start = c.Number();
            int64_t at = start;
            while (!c.End() && c.t[c.i] != '*') {
                const char f = c.t[c.i++];
                if (f == '0' || f == '1') {
                    if (at < m_fuseCount) {
                        const auto k = static_cast<std::size_t>(at);
                        m_fuses[k] = f == '1' ? 1 : 0;
                        if (!m_given[k]) {
                            m_given[k] = 1;
                            ++m_fusesGiven;
                        }
                    }
                    ++at;  // fuses beyond QF are dropped
                }
                // blanks, tabs, CR, LF and any other character: passed over
            }
        } else if (l == 'f') {
            ++c.i;
            const int64_t n = c.Number();
            m_defaultFuse = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
        } else if (l == 'c' || l == 'd' || l == 'n' || l == 'a' || l == 'b' || l == 'e' ||
                   l == 'i' || l == 'j' || l == 'k' || l == 'm' || l == 'o' || l == 'p' ||
                   l == 'r' || l == 's' || l == 't' || l == 'v' || l == 'x') {
            c.SkipTo('*');
        } else {
            // "G", "*" (an empty field) and every character that starts no field.
            ++c.i;
        }
    }
    return true;
}

bool ComposeJedec(DeviceConfig& device, CJtagRegProgram& program, const JedecDocumentInfo& info,
                  std::string& out)
{
    out.clear();
    const int n = program.GetRegLength(kJedecRegister);
    if (n <= 0) {
        CurrentPrompter().Message(std::string(kMsgJedecZeroFuses));
        return false;
    }
    const std::string header = JedecHeaderText(info);
    CJedecImage image;
    image.Allocate(n);
    image.m_pinCount = device.GetNodeCount(0);
    for (int i = 0; i < n; ++i) image.SetFuse(device.GetCellFuse(i), device.E2_GetValue(i));
    out = image.Format(header);
    return true;
}

bool ExportJedec(std::ostream& out, DeviceConfig& device, CJtagRegProgram& program,
                 const JedecDocumentInfo& info)
{
    std::string text;
    if (!ComposeJedec(device, program, info, text)) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

int ImportJedecText(std::string_view text, DeviceConfig& device, CJtagRegProgram& program,
                    bool coerce)
{
    if (text.size() > kJedecMaxFileSize) {
        CurrentPrompter().Message(std::string(kMsgJedecTooLarge));
        text = text.substr(0, kJedecMaxFileSize);
    }
    CJedecImage image;
    auto refuse = [](std::string_view msg) {
        CurrentPrompter().Message(std::string(msg), {}, Buttons::Ok, MessageIcon::Warning);
        return -1;
    };
    if (!image.Parse(text)) return refuse(kMsgJedecNoStx);
    if (image.FuseCountTooLarge()) return refuse(kMsgJedecFuseCountTooLarge);
    if (!image.SawFuseCount() || image.m_fuseCount <= 0) return refuse(kMsgJedecNoFuseCount);
    if (image.FusesGiven() == 0) return refuse(kMsgJedecNoFuseData);

    const int n = program.GetRegLength(kJedecRegister);
    if (n <= 0) {
        CurrentPrompter().Message(std::string(kMsgJedecZeroFuses));
        return -1;
    }
    int needed = 0;
    for (int i = 0; i < n; ++i) {
        const int fuse = device.GetCellFuse(i);
        if (fuse + 1 > needed) needed = fuse + 1;
    }
    if (image.m_fuseCount < needed)
        return refuse(Substitute(kMsgJedecTooFewFuses, std::to_string(image.m_fuseCount),
                                 device.TypeName(), std::to_string(needed)));

    const int fallback = image.m_defaultFuse == 1 ? 1 : 0;
    for (int i = 0; i < n; ++i) {
        const int fuse = device.GetCellFuse(i);
        device.E2_SetValue(i, image.FuseGiven(fuse) ? image.GetFuse(fuse) : fallback);
    }
    if (coerce && device.CoerceSymbols() > 0)
        CurrentPrompter().Message(std::string(kMsgJedecCoerced), {}, Buttons::Ok,
                                  MessageIcon::Information);
    return 0;
}

int ImportJedec(std::istream& in, DeviceConfig& device, CJtagRegProgram& program, bool coerce)
{
    std::string text(kJedecMaxFileSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ImportJedecText(text, device, program, coerce);
}

}  // namespace kalidor
