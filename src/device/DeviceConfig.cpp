#include "device/DeviceConfig.h"

#include <cmath>
#include <cstdio>

#include "device/ZelAConfig.h"
#include "device/ZelBConfig.h"
#include "device/ZelCConfig.h"
#include "device/ZelDConfig.h"

namespace kalidor {

std::unique_ptr<DeviceConfig> CreateDeviceConfig(DeviceKind kind)
{
    std::unique_ptr<DeviceConfig> config;
    switch (FamilyOf(kind)) {
    case DeviceFamily::ZelA:
        config = std::make_unique<ZelAConfig>();
        break;
    case DeviceFamily::ZelB:
        config = std::make_unique<ZelBConfig>();
        break;
    case DeviceFamily::ZelC:
        config = std::make_unique<ZelCConfig>();
        break;
    case DeviceFamily::ZelD:
        config = std::make_unique<ZelDConfig>(kind);
        break;
    }
    config->Reset();
    return config;
}

std::unique_ptr<DeviceConfig> CreateDeviceConfig(const std::string& typeName)
{
    const std::optional<DeviceKind> kind = ParseDeviceKind(typeName);
    return kind ? CreateDeviceConfig(*kind) : nullptr;
}

std::vector<std::string> NameSeq(const std::string& prefix, int first, int last,
                                 const std::string& suffix)
{
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i)
        names.push_back(prefix + std::to_string(i) + suffix);
    return names;
}

std::vector<int> BitRange(int first, int last)
{
    std::vector<int> bits;
    if (first <= last)
        for (int b = first; b <= last; ++b)
            bits.push_back(b);
    else
        for (int b = first; b >= last; --b)
            bits.push_back(b);
    return bits;
}

DeviceConfig::DeviceConfig(DeviceKind kind) : m_kind(kind), m_typeName(TraitsOf(kind).name) {}

// ---- table building ----

void DeviceConfig::AddCells(int symKey, int reg, const std::vector<std::string>& names,
                            const std::vector<int>& bits, int defaultValue)
{
    for (size_t i = 0; i < names.size(); ++i) {
        E2Cell c;
        c.symKey = symKey;
        c.name = names[i];
        c.reg = reg;
        c.bit = i < bits.size() ? bits[i] : -1;
        c.value = defaultValue;
        m_cells.push_back(c);
        m_cellDefaults.push_back(defaultValue);
    }
}

void DeviceConfig::SetCellDefault(int position, int value)
{
    m_cells[position].value = value;
    m_cellDefaults[position] = value;
}

SymbolValue& DeviceConfig::DefineSingle(int key, const std::string& name, int cell, int maxValue,
                                        int def)
{
    SymbolValue& r = m_symbols[key];
    r = SymbolValue{};
    r.name = name;
    r.kind = kSymSingle;
    r.cell = cell;
    r.maxValue = maxValue;
    r.value = def;
    r.defaultValue = def;
    r.defined = true;
    return r;
}

SymbolValue& DeviceConfig::DefineMulti(int key, const std::string& name,
                                       const std::vector<int>& cells, int maxValue, int def,
                                       int kind)
{
    SymbolValue& r = m_symbols[key];
    r = SymbolValue{};
    r.name = name;
    r.kind = kind;
    r.bitCount = static_cast<int>(cells.size());
    for (size_t i = 0; i < cells.size() && i < 16; ++i) {
        r.cells[i] = cells[i];
        r.weights[i] = 1 << i;
    }
    r.maxValue = maxValue;
    r.value = def;
    r.defaultValue = def;
    r.defined = true;
    return r;
}

void DeviceConfig::ApplySymbolDefaults()
{
    for (auto& r : m_symbols)
        if (r.defined)
            EncodeSymbol(r, r.defaultValue);
}

bool DeviceConfig::HasRecord(int key) const
{
    return key >= 0 && key < SymbolSlotCount() && m_symbols[key].defined;
}

// ---- operations ----

int DeviceConfig::Reset()
{
    m_switches[0] = 0;
    m_switches[1] = 1;
    return Rebuild();
}

int DeviceConfig::Rebuild()
{
    m_cells.clear();
    m_cellDefaults.clear();
    m_symbols.assign(Traits().symbolSlots, SymbolValue{});
    m_uesCells.clear();
    m_securityFlag = 0;
    BuildCells();
    BuildSymbols();
    BuildValueTables();
    ApplySymbolDefaults();
    return 0;
}

int DeviceConfig::GetCapText(int which, int code, int format, std::string& text) const
{
    char buf[64];
    double pf = GetCapValueByCode(which, code) / 10000.0;
    if (format == 5)
        std::snprintf(buf, sizeof buf, "%.4fe-12", pf);
    else
        std::snprintf(buf, sizeof buf, "%.2f pF", pf);
    text = buf;
    return 0;
}

int DeviceConfig::GetCapBitWeight(int which, int bit) const
{
    const auto& w = CapWeights(which);
    if (bit < 0 || bit >= static_cast<int>(w.size()))
        return -1;
    return w[bit];
}

int DeviceConfig::GetCapCount(int which) const { return CapTable(which).Count(); }

int DeviceConfig::GetGainByIndex(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_gains.size()))
        return -1;
    return m_gains[index];
}

int DeviceConfig::GetGainCount() const { return static_cast<int>(m_gains.size()); }

int DeviceConfig::GetCapValueBySorted(int which, int sorted) const { return CapTable(which).ValueBySorted(sorted); }
int DeviceConfig::GetCapCodeBySorted(int which, int sorted) const { return CapTable(which).CodeBySorted(sorted); }
int DeviceConfig::GetCapValueByCode(int which, int code) const { return CapTable(which).ValueByCode(code); }
int DeviceConfig::GetSortedIndexByCode(int which, int code) const { return CapTable(which).SortedIndexByCode(code); }
int DeviceConfig::GetNearestCapIndex(int which, int value) const { return CapTable(which).NearestCode(value); }

int DeviceConfig::GetSwitch(int n) const { return (n == 0 || n == 1) ? m_switches[n] : 0; }

void DeviceConfig::SetSwitch(int n, int on)
{
    if (n == 0 || n == 1)
        m_switches[n] = on ? 1 : 0;
}

int DeviceConfig::GetNodeCount(int kind) const
{
    if (kind == 0 || kind == 2 || kind == 3 || kind == 4)
        return m_nodeCounts[kind];
    return 0;
}

int DeviceConfig::SetNodeInfo(int, int, int) { return 0; }

int DeviceConfig::GetCellCount() const { return static_cast<int>(m_cells.size()); }

int DeviceConfig::GetSecurity() const
{
    return m_securityCell >= 0 ? m_cells[m_securityCell].value : m_securityFlag;
}

void DeviceConfig::SetSecurity(int value)
{
    if (m_securityCell >= 0)
        E2_SetValue(m_securityCell, value);
    else
        m_securityFlag = value;
}

int DeviceConfig::GetCellValue(int position) const { return E2_GetValue(position); }

int DeviceConfig::ApplyOutputDisable() { return 0; }

int DeviceConfig::ToggleSymbol(int, int, int) { return 0; }

int DeviceConfig::CoerceSymbols() { return 0; }

double DeviceConfig::GetCapFarads(int symKey) const
{
    return GetCapValueByCode(0, GetSymValue(symKey)) * 1e-16;
}

int DeviceConfig::E2_GetValue(int position) const
{
    if (position == -1)
        return GetSecurity();
    if (position < 0 || position >= GetCellCount())
        return -1;
    return m_cells[position].value;
}

void DeviceConfig::E2_SetValue(int position, int value)
{
    if (position == -1) {
        SetSecurity(value);
        return;
    }
    if (position < 0 || position >= GetCellCount())
        return;
    E2Cell& c = m_cells[position];
    c.value = value;
    if (c.symKey >= 0 && c.symKey < SymbolSlotCount()) {
        SymbolValue& r = m_symbols[c.symKey];
        if (r.defined)
            r.value = DecodeSymbol(r);
    }
}

int DeviceConfig::GetSymValue(int symKey) const
{
    if (symKey < 0 || symKey >= SymbolSlotCount())
        return 0;
    return m_symbols[symKey].value;
}

void DeviceConfig::SetSymValue(int symKey, int value)
{
    if (symKey < 0 || symKey >= SymbolSlotCount())
        return;
    SymbolValue& r = m_symbols[symKey];
    r.value = value;
    if (r.defined)
        EncodeSymbol(r, value);
}

void DeviceConfig::EncodeSymbol(const SymbolValue& r, int value)
{
    switch (r.kind) {
    case kSymSingle:
        if (r.cell >= 0)
            m_cells.at(r.cell).value = value;
        break;
    case kSymMultiBit:
        for (int i = 0; i < r.bitCount; ++i)
            m_cells.at(r.cells[i]).value = (value >> i) & 1;
        break;
    case kSymInverted:
        for (int i = 0; i < r.bitCount; ++i)
            m_cells.at(r.cells[i]).value = ((value >> i) & 1) ? 0 : 1;
        break;
    default:
        break;
    }
}

int DeviceConfig::DecodeSymbol(const SymbolValue& r) const
{
    switch (r.kind) {
    case kSymSingle:
        return r.cell >= 0 ? m_cells.at(r.cell).value : r.value;
    case kSymMultiBit: {
        int v = 0;
        for (int i = 0; i < r.bitCount; ++i)
            v += m_cells.at(r.cells[i]).value << i;
        return v;
    }
    case kSymInverted: {
        int v = 0;
        for (int i = 0; i < r.bitCount; ++i)
            v += (m_cells.at(r.cells[i]).value != 1 ? 1 : 0) << i;
        return v;
    }
    default:
        return r.value;
    }
}

const ValueTable& DeviceConfig::CapTable(int) const { return m_capTable; }

const std::vector<int32_t>& DeviceConfig::CapWeights(int) const { return m_capWeights; }

std::string DeviceConfig::GetCellName(int position) const
{
    return ValidCell(position) ? m_cells[position].name : std::string();
}

const SymbolValue& DeviceConfig::GetSymbolRecord(int symKey) const
{
    static const SymbolValue none{};
    if (symKey < 0 || symKey >= SymbolSlotCount())
        return none;
    return m_symbols[symKey];
}

int DeviceConfig::GetCellReg(int position) const { return ValidCell(position) ? m_cells[position].reg : -1; }

int DeviceConfig::GetCellBit(int position) const { return ValidCell(position) ? m_cells[position].bit : -1; }

int DeviceConfig::GetCellFuse(int position) const { return ValidCell(position) ? m_cells[position].bit : -1; }

int DeviceConfig::GetUesCount() const { return static_cast<int>(m_uesCells.size()); }

int DeviceConfig::GetUesBit(int i) const
{
    if (i < 0 || i >= GetUesCount())
        return -1;
    return m_cells[m_uesCells[i]].value;
}

void DeviceConfig::SetUesBit(int i, int value)
{
    if (i < 0 || i >= GetUesCount())
        return;
    E2_SetValue(m_uesCells[i], value);
}

std::string DeviceConfig::GetUesText() const
{
    const int n = GetUesCount();
    std::string text(n, '0');
    for (int i = 0; i < n; ++i)
        text[n - 1 - i] = static_cast<char>('0' + GetUesBit(i));
    return text;
}

// ---- what differs between the families ----

int DeviceConfig::GainPolarityKey(int) const { return -1; }

int DeviceConfig::GetSignedGain(int key) const
{
    const int v = GetSymValue(key);
    const int polarity = GainPolarityKey(key);
    if (polarity < 0 || GetSymValue(polarity) != 0)
        return v + 1;
    return -(v + 1);
}

void DeviceConfig::SetSignedGain(int key, int gain)
{
    const int polarity = GainPolarityKey(key);
    SetSymValue(key, (gain < 0 ? -gain : gain) - 1);
    if (polarity >= 0)
        SetSymValue(polarity, gain < 0 ? 0 : 1);
}

std::span<const InputContact> DeviceConfig::InputContacts(int) const { return {}; }

std::optional<DacReading> DeviceConfig::DacOutput(int, int) const { return std::nullopt; }

int DeviceConfig::DacReferenceMillivolts(int) const { return 0; }

std::string DeviceConfig::MuxSelectText(int) const { return {}; }

}  // namespace kalidor
