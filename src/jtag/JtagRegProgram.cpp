#include "jtag/JtagRegProgram.h"

#include "device/DeviceConfig.h"
#include "jtag/ZelARegProgram.h"
#include "jtag/ZelBRegProgram.h"
#include "jtag/ZelCRegProgram.h"
#include "jtag/ZelDRegProgram.h"

namespace kalidor {

int CJtagRegProgram::GetRegLength(int reg) const
{
    const std::span<const RegInfo> table = RegTable();
    if (table.empty()) return -1000;
    for (const RegInfo& r : table)
        if (r.reg == reg) return r.length;
    return 0;
}

int CJtagRegProgram::GetRegName(int reg, std::string& name) const
{
    const std::span<const RegInfo> table = RegTable();
    if (table.empty()) {
        name = kRegNameNotDerived;
        return -1000;
    }
    name = std::string(UndefinedRegName());
    for (const RegInfo& r : table)
        if (r.reg == reg) name = r.name;
    return 0;
}

int CJtagRegProgram::GetFrameFlags(int) const { return -1; }

int CJtagRegProgram::GetRegFlag(int) const { return 65535; }

void CJtagRegProgram::CreateReadSVF(int, std::string& buffer)
{
    SetBuffer(buffer);
    CreateResetSVF();
}

void CJtagRegProgram::CreateWriteSVF(int, std::string& buffer)
{
    SetBuffer(buffer);
    CreateResetSVF();
}

void CJtagRegProgram::CreateEraseSVF(int, std::string& buffer)
{
    SetBuffer(buffer);
    CreateResetSVF();
}

void CJtagRegProgram::CreateIdcodeSVF(std::string& buffer)
{
    SetBuffer(buffer);
    IdcodeLines();
}

void CJtagRegProgram::CreateResetSVF()
{
    Line(kSvfResetOn);
    Line(kSvfResetOff);
}

bool CJtagRegProgram::UploadCells(int, RegCells&) { return false; }

bool CJtagRegProgram::SetRegFromBits(int reg, std::string_view bits)
{
    RegCells cells;
    if (m_device == nullptr || !UploadCells(reg, cells)) return false;
    m_readBits.LoadBitText(bits);
    for (int c = cells.first; c < cells.first + cells.count; ++c) {
        const int pos = cells.positionIsIndex ? c - cells.first : m_device->GetCellBit(c);
        const int bit = m_readBits.GetBit(pos);
        // A read text too short for the register leaves the cells it does not reach as they were,
        // rather than storing an invalid value in them.
        if (bit < 0) continue;
        m_device->E2_SetValue(c, bit);
    }
    return true;
}

bool CJtagRegProgram::CompareRegWithBits(int reg, std::string_view bits)
{
    RegCells cells;
    if (m_device == nullptr || !UploadCells(reg, cells)) return false;
    Image(cells);
    m_readBits.LoadBitText(bits);
    return m_expectedBits == m_readBits;
}

int CJtagRegProgram::CellOfBit(int reg, int bit)
{
    RegCells cells;
    if (m_device == nullptr || !UploadCells(reg, cells)) return -1;
    for (int c = cells.first; c < cells.first + cells.count; ++c)
        if ((cells.positionIsIndex ? c - cells.first : m_device->GetCellBit(c)) == bit) return c;
    return -1;
}

std::string CJtagRegProgram::RegName(int reg)
{
    std::string name;
    GetRegName(reg, name);
    return name;
}

void CJtagRegProgram::Line(std::string_view line)
{
    if (m_text == nullptr) return;
    m_text->append(line);
    m_text->push_back('\n');
}

void CJtagRegProgram::IdcodeBlock()
{
    if (m_idcodeCheck == 1) IdcodeLines();
}

void CJtagRegProgram::IdcodeLines()
{
    Line(kSvfIdcodeBegin);
    Line(IdcodeSirLine());
    const std::string_view sdr = IdcodeSdrLine();
    if (!sdr.empty()) Line(sdr);
    Line(kSvfStateIdle);
    Line(kSvfIdcodeEnd);
}

std::string CJtagRegProgram::Image(const RegCells& cells)
{
    m_expectedBits.Allocate(cells.count);
    if (m_device != nullptr) {
        for (int c = cells.first; c < cells.first + cells.count; ++c) {
            const int pos = cells.positionIsIndex ? c - cells.first : m_device->GetCellBit(c);
            m_expectedBits.SetBit(pos, m_device->E2_GetValue(c));  // beyond the length: ignored
        }
    }
    std::string hex;
    m_expectedBits.ToHex(hex, cells.scratch);
    return hex;
}

void CJtagRegProgram::LineWithImage(std::string_view pattern, const std::string& hex)
{
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = pattern.find("%s", from);
        if (at == std::string_view::npos) break;
        out.append(pattern.substr(from, at - from));
        out.append(hex);
        from = at + 2;
    }
    out.append(pattern.substr(from));
    Line(out);
}

std::unique_ptr<CJtagRegProgram> CreateRegProgram(DeviceKind kind)
{
    std::unique_ptr<CJtagRegProgram> p;
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        p = std::make_unique<CZelARegProgram>();
        break;
    case DeviceFamily::ZelB:
        p = std::make_unique<CZelBRegProgram>();
        break;
    case DeviceFamily::ZelC:
        p = std::make_unique<CZelCRegProgram>();
        break;
    case DeviceFamily::ZelD:
        p = std::make_unique<CZelDRegProgram>();
        break;
    }
    p->SetDeviceTypeName(DeviceKindName(kind));
    return p;
}

std::unique_ptr<CJtagRegProgram> CreateRegProgram(const std::string& deviceTypeName)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(deviceTypeName);
    return kind ? CreateRegProgram(*kind) : nullptr;
}

}  // namespace kalidor
