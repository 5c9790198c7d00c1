// The rows of the E2 cell list: one per cell in array position order, "%d\t%s_%s\t%d" with the
// array position, the display name of the cell's JTAG register (from the register program, at
// most 80 characters), the cell name and the cell value.
#pragma once

#include <string>
#include <vector>

namespace kalidor {

class CJtagRegProgram;
class DeviceConfig;

constexpr std::size_t kMaxRegNameLength = 80;

std::string E2CellRowText(const DeviceConfig& device, CJtagRegProgram& program, int position);
std::vector<std::string> E2CellRows(const DeviceConfig& device, CJtagRegProgram& program);

}  // namespace kalidor
