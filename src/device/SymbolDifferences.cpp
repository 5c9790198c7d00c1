#include "device/SymbolDifferences.h"

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"

namespace kalidor {

namespace {

std::string SymbolName(const DeviceConfig& config, int key)
{
    if (const SymbolInfo* info = FindSymbolInfo(config.Kind(), key)) {
        if (!info->fullName.empty())
            return info->fullName;
        if (!info->label.empty())
            return info->label;
    }
    if (config.HasRecord(key) && !config.GetSymbolRecord(key).name.empty())
        return config.GetSymbolRecord(key).name;
    return "Key " + std::to_string(key);
}

}  // namespace

std::string SymbolValueText(const DeviceConfig& config, int key)
{
    std::string text = GetValueTexts(config, key).value;
    // Texts drawn on two lines read as one; the padding the drawing uses goes.
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        if (text[i] == '\n') {
            line += ", ";
            continue;
        }
        line += text[i];
    }
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::to_string(config.GetSymValue(key));
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

std::unique_ptr<DeviceConfig> CopyDeviceConfig(const DeviceConfig& source)
{
    std::unique_ptr<DeviceConfig> copy = CreateDeviceConfig(source.Kind());
    // Symbols first (those without cells keep only their value), then the cells, which decide
    // the value of every symbol that has them.
    for (int key = 0; key < source.SymbolSlotCount(); ++key)
        copy->SetSymValue(key, source.GetSymValue(key));
    for (int c = 0; c < source.GetCellCount(); ++c)
        copy->E2_SetValue(c, source.E2_GetValue(c));
    // A value its cells cannot hold (set by number, out of the symbol's legal set) is kept as the
    // source keeps it: stored again, it encodes into the same cells.
    for (int key = 0; key < source.SymbolSlotCount(); ++key)
        if (copy->GetSymValue(key) != source.GetSymValue(key))
            copy->SetSymValue(key, source.GetSymValue(key));
    copy->SetSecurity(source.GetSecurity());
    return copy;
}

std::vector<CSymbolDifference> SymbolDifferences(const DeviceConfig& a, const DeviceConfig& b)
{
    std::vector<CSymbolDifference> out;
    if (a.Kind() != b.Kind())
        return out;
    for (int key = 0; key < a.SymbolSlotCount(); ++key) {
        if (!a.TakesValue(key))
            continue;
        CSymbolDifference d{key, SymbolName(a, key), a.GetSymValue(key), b.GetSymValue(key),
                            SymbolValueText(a, key), SymbolValueText(b, key)};
        if (d.before != d.after || d.beforeText != d.afterText)
            out.push_back(std::move(d));
    }
    return out;
}

}  // namespace kalidor
