#include "jtag/E2CellRows.h"

#include <cstdio>

#include "device/DeviceConfig.h"
#include "jtag/JtagRegProgram.h"

namespace kalidor {

std::string E2CellRowText(const DeviceConfig& device, CJtagRegProgram& program, int position)
{
    if (!device.ValidCell(position))
        return {};
    std::string reg = program.RegName(device.GetCellReg(position));
    if (reg.size() > kMaxRegNameLength)
        reg.resize(kMaxRegNameLength);
    const std::string cell = device.GetCellName(position);
    const int n = std::snprintf(nullptr, 0, "%d\t%s_%s\t%d", position, reg.c_str(), cell.c_str(),
                                device.E2_GetValue(position));
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, "%d\t%s_%s\t%d", position, reg.c_str(), cell.c_str(),
                  device.E2_GetValue(position));
    return out;
}

std::vector<std::string> E2CellRows(const DeviceConfig& device, CJtagRegProgram& program)
{
    std::vector<std::string> rows;
    const int n = device.GetCellCount();
    rows.reserve(n > 0 ? static_cast<std::size_t>(n) : 0);
    for (int i = 0; i < n; ++i)
        rows.push_back(E2CellRowText(device, program, i));
    return rows;
}

}  // namespace kalidor
