// ZelD and ZelE: fifth-order low-pass ladder filters with two stored configurations, A and B,
// whose seven elements (C1, C2, L2, C3, C4, L4, C5) are capacitor arrays with inverted cells.
// 204 E2 cells, 84 symbol keys.
#pragma once

#include <array>

#include "device/DeviceConfig.h"
#include "device/ZelDKeys.h"

namespace kalidor {

class ZelDConfig : public DeviceConfig {
public:
    explicit ZelDConfig(DeviceKind kind);  // ZelD or ZelE
    int GetCapText(int which, int code, int format, std::string& text) const override;
    int GetNearestCapIndex(int which, int value) const override;
    double GetCapFarads(int symKey) const override;
    int GetCellFuse(int position) const override;
    void SetSymValue(int symKey, int value) override;
    // The gain symbol holds the gain itself (1, 2, 5 or 10).
    int GetSignedGain(int key) const override { return GetSymValue(key); }
    void SetSignedGain(int key, int gain) override { SetSymValue(key, gain); }
    bool ListsPoleFrequencies() const override { return false; }

    static constexpr int kElementCount = kZelDElementCount;

protected:
    void BuildCells() override;
    void BuildSymbols() override;
    void BuildValueTables() override;
    void EncodeSymbol(const SymbolValue& rec, int value) override;
    int DecodeSymbol(const SymbolValue& rec) const override;
    const ValueTable& CapTable(int which) const override;
    const std::vector<int32_t>& CapWeights(int which) const override;

private:
    // The element number a `which` argument selects (see CapTable).
    int ElementOf(int which) const;
    std::array<ValueTable, kElementCount> m_elementTables;
    std::array<std::vector<int32_t>, kElementCount> m_elementWeights;
};

// Bit weights of the seven filter elements, bit 0 first, in 1e-16 F.
extern const std::vector<int32_t> kZelDElementWeights[7];

}  // namespace kalidor
