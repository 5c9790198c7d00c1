// The device model of one design: the E2 cells (every configuration bit of the chip with its JTAG
// register and bit position) and, above them, the symbol records that group cells into user-level
// settings (a gain, a capacitor, an input selection). It is the single source of truth for what is
// programmed into the device. One concrete class per device family (ZelAConfig, ZelBConfig,
// ZelCConfig, ZelDConfig for ZelD and ZelE) fills in the tables; the slot operations are common,
// and what else differs between the families (gain signs, input contacts, DAC outputs) is asked of
// the family's class through the virtual operations that follow them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/DeviceKind.h"
#include "device/ValueTable.h"

namespace kalidor {

struct E2Cell {
    int32_t symKey = -1;  // owning symbol key, -1 for none (UES, trim, version bits)
    std::string name;     // at most 59 characters
    int32_t reg = 0;      // JTAG data register number
    int32_t bit = 0;      // bit position inside that register
    int32_t value = 0;    // 0 or 1 (any integer is kept unchanged)
};

enum SymbolKind : int32_t {
    kSymSingle = 0,           // one cell
    kSymMultiBit = 1,         // cells[i] holds bit i
    kSymInverted = 2,         // cells[i] holds the complement of bit i (filter elements)
    kSymGainCode = 3,         // ZelD/ZelE gain: PG1/PG2 code for 1, 2, 5, 10
    kSymConfiguration = 100,  // ZelD/ZelE stored filter configuration: no cells
};

struct SymbolValue {
    std::string name;  // record name, at most 59 characters
    int32_t value = 0;
    int32_t kind = kSymSingle;
    int32_t cell = -1;      // kind 0: the cell's array position (-1: value only, no cell)
    int32_t bitCount = 0;   // kinds 1 and 2
    std::array<int32_t, 16> cells{};    // array positions, bit 0 first
    std::array<int32_t, 16> weights{};  // a weight per bit
    int32_t maxValue = 0;
    int32_t m_capNumber = 7;  // ZelD/ZelE filter element 0..6; 7 = none
    // Not part of the record proper: whether the key has a record at all (schematic-only keys
    // have none) and the value Reset gives it.
    bool defined = false;
    int32_t defaultValue = 0;
};

// One contact of an input selection: the text its chooser lists and the value text shows, the
// symbol value it stands for, and the short text drawn at the amplifier's pin ("" for none).
struct InputContact {
    const char* name;
    int value;
    const char* pinText = "";
};

// What a DAC puts out for a code, in the unit its texts show.
enum class DacUnit { kVolts, kMillivolts, kPercent };
struct DacReading {
    double value;
    DacUnit unit;
};

class DeviceConfig {
public:
    virtual ~DeviceConfig() = default;

    // --- the operations, in slot order ---
    virtual int Reset();
    virtual int Rebuild();
    virtual int GetCapText(int which, int code, int format, std::string& text) const;
    virtual int GetCapBitWeight(int which, int bit) const;
    virtual int GetCapCount(int which) const;
    virtual int GetGainByIndex(int index) const;
    virtual int GetGainCount() const;
    virtual int GetCapValueBySorted(int which, int sorted) const;
    virtual int GetCapCodeBySorted(int which, int sorted) const;
    virtual int GetCapValueByCode(int which, int code) const;
    virtual int GetSortedIndexByCode(int which, int code) const;
    virtual int GetNearestCapIndex(int which, int value) const;
    virtual int GetSwitch(int n) const;
    virtual void SetSwitch(int n, int on);
    virtual int GetNodeCount(int kind) const;
    virtual int SetNodeInfo(int a, int b, int c);
    virtual int GetCellCount() const;
    virtual int GetSecurity() const;
    virtual void SetSecurity(int value);
    virtual int GetCellValue(int position) const;
    virtual int ApplyOutputDisable();
    virtual int ToggleSymbol(int k, int k2, int position);
    virtual int CoerceSymbols();
    virtual double GetCapFarads(int symKey) const;
    virtual int E2_GetValue(int position) const;
    virtual void E2_SetValue(int position, int value);
    virtual int GetSymValue(int symKey) const;
    virtual void SetSymValue(int symKey, int value);
    virtual std::string GetCellName(int position) const;
    virtual const SymbolValue& GetSymbolRecord(int symKey) const;
    virtual int GetCellReg(int position) const;
    virtual int GetCellBit(int position) const;
    virtual int GetCellFuse(int position) const;
    virtual int GetUesCount() const;
    virtual int GetUesBit(int i) const;
    virtual void SetUesBit(int i, int value);
    virtual std::string GetUesText() const;

    // --- what differs between the families beyond the slot operations ---
    // The polarity symbol of gain symbol `gainKey` (1 for a positive gain, 0 for a negative one),
    // or -1 when the gain has none.
    virtual int GainPolarityKey(int gainKey) const;
    // The signed gain of a gain symbol as users see it, and storing one. ZelA, ZelB and ZelC keep
    // the magnitude less one and the sign in the polarity symbol; ZelD/ZelE keep the gain itself.
    virtual int GetSignedGain(int key) const;
    virtual void SetSignedGain(int key, int gain);
    // The contacts input selection `key` offers, in the order its chooser lists them; none for a
    // device without input selections.
    virtual std::span<const InputContact> InputContacts(int key) const;
    // What DAC symbol `key` puts out for `code`; nothing for a device without DACs.
    virtual std::optional<DacReading> DacOutput(int key, int code) const;
    // The full-scale reference of DAC symbol `key` in millivolts; 0 when its input is not the
    // voltage reference (or the device has no such DAC).
    virtual int DacReferenceMillivolts(int key) const;
    // The value text of a multiplexer-select symbol: the state of the pin (simulation only) and the
    // input it selects; "" when the symbol shows none.
    virtual std::string MuxSelectText(int key) const;
    // True when `key` is the state of a device pin that only the simulation uses (low 0, high 1):
    // it has a value but no cell, so a design file does not keep it. None by default.
    virtual bool IsSimulationOnly(int) const { return false; }
    // True when `key` takes a value: it has a record, or it is a pin state kept without one.
    bool TakesValue(int key) const { return HasRecord(key) || IsSimulationOnly(key); }
    // True when the capacitor chooser lists each value with its pole frequency (not for the
    // elements of a ladder filter).
    virtual bool ListsPoleFrequencies() const { return true; }
    // True when the schematic writes the state of switches and inputs as short texts at the
    // amplifiers' pins (ZelA).
    virtual bool LabelsPins() const { return false; }

    // --- plain accessors ---
    DeviceKind Kind() const { return m_kind; }
    const DeviceTraits& Traits() const { return TraitsOf(m_kind); }
    const std::string& TypeName() const { return m_typeName; }
    int SymbolSlotCount() const { return static_cast<int>(m_symbols.size()); }
    const std::vector<E2Cell>& Cells() const { return m_cells; }
    // True when `key` has a symbol record (schematic-only keys have none).
    bool HasRecord(int key) const;
    bool ValidCell(int position) const { return position >= 0 && position < static_cast<int>(m_cells.size()); }
    // The position of the security cell, or -1 when the device keeps a flag instead (ZelC).
    int SecurityCell() const { return m_securityCell; }

protected:
    // The cell and symbol slot counts are the kind's.
    explicit DeviceConfig(DeviceKind kind);

    // Filled in by each family: the cells with their defaults, the symbol records with theirs,
    // and the value tables.
    virtual void BuildCells() = 0;
    virtual void BuildSymbols() = 0;
    virtual void BuildValueTables() = 0;
    // Writes `value` into the cells of `rec` by its kind.
    virtual void EncodeSymbol(const SymbolValue& rec, int value);
    // The value of `rec` as its cells give it.
    virtual int DecodeSymbol(const SymbolValue& rec) const;
    // The capacitor/element table `which` selects.
    virtual const ValueTable& CapTable(int which) const;
    // Bit weights of the capacitor/element table `which` selects.
    virtual const std::vector<int32_t>& CapWeights(int which) const;

    // Table-building helpers. AddCells appends cells at the next positions, one per name, with
    // the bits given in the same order.
    void AddCells(int symKey, int reg, const std::vector<std::string>& names,
                  const std::vector<int>& bits, int defaultValue = 0);
    void SetCellDefault(int position, int value);
    SymbolValue& DefineSingle(int key, const std::string& name, int cell, int maxValue, int def);
    SymbolValue& DefineMulti(int key, const std::string& name, const std::vector<int>& cells,
                             int maxValue, int def, int kind = kSymMultiBit);
    // Stores every record's default in its cells, so that cells and symbols agree after Reset.
    void ApplySymbolDefaults();

    DeviceKind m_kind;
    std::string m_typeName;
    std::vector<E2Cell> m_cells;
    std::vector<SymbolValue> m_symbols;
    std::vector<int> m_cellDefaults;
    std::vector<int> m_uesCells;  // position of UES bit i
    std::vector<int> m_gains;
    ValueTable m_capTable;
    std::vector<int32_t> m_capWeights;
    std::array<int, 5> m_nodeCounts{};  // kinds 0..4
    int m_securityCell = -1;
    int m_securityFlag = 0;
    int m_switches[2] = {0, 1};
};

// Creates the model of a device kind, Reset already done.
std::unique_ptr<DeviceConfig> CreateDeviceConfig(DeviceKind kind);
// The same for a device type name (exact); nullptr for an unknown name.
std::unique_ptr<DeviceConfig> CreateDeviceConfig(const std::string& typeName);

// Helpers for the tables: "uc_XT_1" … "uc_XT_7" and bit ranges that may descend.
std::vector<std::string> NameSeq(const std::string& prefix, int first, int last,
                                 const std::string& suffix = "");
std::vector<int> BitRange(int first, int last);

}  // namespace kalidor
