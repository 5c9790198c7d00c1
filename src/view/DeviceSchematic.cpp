#include "view/DeviceSchematic.h"

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"

namespace kalidor {

CDeviceSchematic::CDeviceSchematic(std::string deviceType) : m_deviceType(std::move(deviceType))
{
    SetDisplaySwitch(kShowSymbols, true);
}

std::unique_ptr<CDeviceSchematic> CDeviceSchematic::Create(const std::string& deviceType)
{
    if (!IsDeviceTypeName(deviceType))
        return nullptr;
    std::unique_ptr<CDeviceSchematic> s(new CDeviceSchematic(deviceType));
    s->Build();
    return s;
}

void CDeviceSchematic::Build()
{
    for (const SymbolInfo& info : SymbolInfoTable(m_deviceType)) {
        CSymbol* sym = AddSymbol(info.key, 0, 0, info.label, 0, 0);
        if (!sym)
            continue;
        if (!info.fullName.empty())
            sym->SetFullName(info.fullName);
        sym->SetDialogType(info.dialogType);
    }
    Layout();
}

bool CDeviceSchematic::RefreshValueText(DeviceConfig& config, int key)
{
    CSymbol* sym = GetSymbol(key);
    if (!sym)
        return false;
    ValueTexts texts = GetValueTexts(config, key);
    sym->SetValueText(texts.value);
    sym->SetAuxText(texts.shortText);
    return true;
}

}  // namespace kalidor
