// ZelD and ZelE: fifth-order low-pass ladder filters with two stored configurations, A and B,
// whose seven elements (C1, C2, L2, C3, C4, L4, C5) are capacitor arrays with inverted cells.
// 204 E2 cells, 84 symbol keys.
#pragma once

#include <array>

#include "device/DeviceConfig.h"

namespace kalidor {

class ZelDConfig : public DeviceConfig {
public:
    explicit ZelDConfig(const std::string& typeName);  // "ZelD" or "ZelE"
    int GetCapText(int which, int code, int format, std::string& text) override;
    int GetNearestCapIndex(int which, int value) override;
    double GetCapFarads(int symKey) override;
    int GetCellFuse(int position) override;
    void SetSymValue(int symKey, int value) override;

    static constexpr int kCfgAKey = 64;
    static constexpr int kCfgBKey = 65;
    static constexpr int kElementCount = 7;

protected:
    void BuildCells() override;
    void BuildSymbols() override;
    void BuildValueTables() override;
    void EncodeSymbol(const SymbolValue& rec, int value) override;
    int DecodeSymbol(const SymbolValue& rec) const override;
    const ValueTable& CapTable(int which) override;
    const std::vector<int32_t>& CapWeights(int which) override;

private:
    // The element number a `which` argument selects (see CapTable).
    int ElementOf(int which);
    std::array<ValueTable, kElementCount> elementTables_;
    std::array<std::vector<int32_t>, kElementCount> elementWeights_;
};

// Bit weights of the seven filter elements, bit 0 first, in 1e-16 F.
extern const std::vector<int32_t> kZelDElementWeights[7];

}  // namespace kalidor
