#include "device/ZelCConfig.h"

#include <cstdio>

#include "device/ZelCKeys.h"

namespace kalidor {

const char* const kZelCRefLevelTexts[7] = {"  64mV", " 128mV", " 256mV", " 512mV", "1024mV", "2048mV", "  2.5V"};
const int kZelCRefMillivolts[7] = {64, 128, 256, 512, 1024, 2048, 2500};
const char* const kZelCCalLevelTexts[2] = {"0V", "2.5V"};

namespace {

const InputContact kInputs[] = {{"NONE", 0}, {"IN 1", 1},  {"IN 2", 2},  {"IN 3", 3},
                                {"IN 4", 4}, {"OUT 1", 5}, {"OUT 2", 6}, {"REF", kZelCInputRef}};

// Feedback capacitors of the two output amplifiers (code = sorted index): value in 1e-16 F and
// the pole frequency listed with it.
struct ZelCCap {
    int32_t value;
    double hertz;
};
const ZelCCap kZelCCaps[8] = {
    {10220, 1568000}, {43200, 619200}, {71560, 401100}, {119700, 250200},
    {181600, 168500}, {272900, 113600}, {423700, 73880}, {640100, 49180},
};

}  // namespace

ZelCConfig::ZelCConfig() : DeviceConfig(DeviceKind::ZelC)
{
    m_nodeCounts = {28, 0, 4, 2, 0};
    m_securityCell = -1;  // ZelC keeps a security flag instead of a cell
}

int ZelCConfig::GetCellFuse(int position) const
{
    return ValidCell(position) ? position : -1;
}

void ZelCConfig::SetSymValue(int symKey, int value)
{
    // The input multiplexer pins are simulation-only states without cells.
    if (IsSimulationOnly(symKey)) {
        if (symKey < SymbolSlotCount())
            m_symbols[symKey].value = value;
        return;
    }
    DeviceConfig::SetSymValue(symKey, value);
}

bool ZelCConfig::IsSimulationOnly(int key) const
{
    return key == kKeyZelCMselAPin || key == kKeyZelCMselBPin;
}

int ZelCConfig::GainPolarityKey(int gainKey) const
{
    if (gainKey >= kKeyZelCIa1Gain && gainKey <= kKeyZelCIa4Gain)
        return kKeyZelCIa1Polarity + (gainKey - kKeyZelCIa1Gain);
    return -1;
}

std::span<const InputContact> ZelCConfig::InputContacts(int) const { return kInputs; }

int ZelCConfig::DacReferenceMillivolts(int key) const
{
    if (key != kKeyZelCDac1 && key != kKeyZelCDac2)
        return 0;
    if (GetSymValue(key == kKeyZelCDac1 ? kKeyZelCDac1Input : kKeyZelCDac2Input) != kZelCInputRef)
        return 0;
    const int level = GetSymValue(key == kKeyZelCDac1 ? kKeyZelCRef1Level : kKeyZelCRef2Level);
    return (level >= 0 && level < 7) ? kZelCRefMillivolts[level] : 0;
}

std::optional<DacReading> ZelCConfig::DacOutput(int key, int code) const
{
    const int r = DacReferenceMillivolts(key);
    if (r > 0)
        return DacReading{-r + code * r / 128.0, DacUnit::kMillivolts};
    return DacReading{(code * 0.0078125 - 1) * 100, DacUnit::kPercent};
}

std::string ZelCConfig::MuxSelectText(int key) const
{
    if (key != kKeyZelCMselAPin && key != kKeyZelCMselBPin)
        return {};
    // The digit is the pin state; the letter the input it selects, which the select cell can swap.
    const bool first = key == kKeyZelCMselAPin;
    const int select = GetSymValue(first ? kKeyZelCMux1Select : kKeyZelCMux4Select) ? 1 : 0;
    const int pin = GetSymValue(key) ? 1 : 0;
    const char letter = (pin ^ select) ? 'b' : 'a';
    char text[32];
    std::snprintf(text, sizeof text, "%s = %d (%c)", first ? "MSEL1" : "MSEL2", pin, letter);
    return text;
}

double ZelCConfig::GetCapFrequency(int sorted) const
{
    if (sorted < 0 || sorted >= 8)
        return -1;
    return kZelCCaps[sorted].hertz;
}

void ZelCConfig::BuildValueTables()
{
    std::vector<std::pair<int32_t, int32_t>> sorted;
    for (int i = 0; i < 8; ++i)
        sorted.push_back({i, kZelCCaps[i].value});
    m_capTable.BuildFromSorted(sorted);
    m_capWeights = {19024, 23232, 37896};
    m_gains.clear();
    for (int g = -10; g <= 10; ++g)
        if (g != 0)
            m_gains.push_back(g);
}

void ZelCConfig::BuildCells()
{
    // Register 0: the first 72 bits of CFG
    AddCells(28, 0,
             {"TDIpinPU", "TMSpinPU", "TMSpinPD", "ENSPIpinPD", "CSBpinPU", "CALpinPD", "PDBpinPU",
              "PDBpinPD", "MUXBpinPU", "MUXBpinPD", "MUXApinPU", "MUXApinPD", "TCKpinPU",
              "TCKpinPD", "TDOpinSR", "ENSPIpinPU"},
             BitRange(0, 15));
    AddCells(25, 0, {"DAC2OUT"}, {16});
    AddCells(19, 0, {"DAC2_IN_b0", "DAC2_IN_b1", "DAC2_IN_b2"}, BitRange(17, 19));
    AddCells(42, 0, {"DAC2CALSEL"}, {20});
    AddCells(10, 0, {"IA3_IN_b0", "IA3_IN_b1", "IA3_IN_b2"}, BitRange(21, 23));
    AddCells(40, 0, {"IA3CALSEL"}, {24});
    AddCells(16, 0, {"IA4_IA4A_IEN_b0", "IA4_IA4A_IEN_b1", "IA4_IA4A_IEN_b2"}, BitRange(25, 27));
    AddCells(17, 0, {"IA4_IA4B_IEN_b0", "IA4_IA4B_IEN_b1", "IA4_IA4B_IEN_b2"}, BitRange(28, 30));
    AddCells(41, 0, {"IA4CALSEL"}, {31});
    AddCells(27, 0, {"REF2LEV_0", "REF2LEV_1", "REF2LEV_2"}, BitRange(32, 34));
    AddCells(26, 0, {"REF1LEV_0", "REF1LEV_1", "REF1LEV_2"}, BitRange(35, 37));
    AddCells(23, 0, {"IA4OUT"}, {38});
    AddCells(22, 0, {"IA3OUT"}, {39});
    AddCells(-1, 0, {"PM2_DONTCARE"}, {40});
    AddCells(1, 0, {"COMP2", "INTEG2"}, {41, 42});
    AddCells(36, 0, {"OA2_PD"}, {43});
    AddCells(3, 0, {"OA2_caps_b0", "OA2_caps_b1", "OA2_caps_b2"}, BitRange(44, 46));
    AddCells(-1, 0, {"PM1_DONTCARE"}, {47});
    AddCells(0, 0, {"COMP1", "INTEG1"}, {48, 49});
    AddCells(35, 0, {"OA1_PD"}, {50});
    AddCells(2, 0, {"OA1_caps_b0", "OA1_caps_b1", "OA1_caps_b2"}, BitRange(51, 53));
    AddCells(20, 0, {"IA1OUT"}, {54});
    AddCells(21, 0, {"IA2OUT"}, {55});
    AddCells(13, 0, {"IA1_IA1A_IEN_b0", "IA1_IA1A_IEN_b1", "IA1_IA1A_IEN_b2"}, BitRange(56, 58));
    AddCells(14, 0, {"IA1_IA1B_IEN_b0", "IA1_IA1B_IEN_b1", "IA1_IA1B_IEN_b2"}, BitRange(59, 61));
    AddCells(38, 0, {"IA1CALSEL"}, {62});
    AddCells(11, 0, {"IA2_IN_b0", "IA2_IN_b1", "IA2_IN_b2"}, BitRange(63, 65));
    AddCells(39, 0, {"IA2CALSEL"}, {66});
    AddCells(24, 0, {"DAC1OUT"}, {67});
    AddCells(18, 0, {"DAC1_IN_b0", "DAC1_IN_b1", "DAC1_IN_b2"}, BitRange(68, 70));
    AddCells(37, 0, {"DAC1CALSEL"}, {71});
    // Register 2: CFG-GAIN and the rest of CFG
    AddCells(9, 2, NameSeq("dac2_", 0, 7), BitRange(0, 7));
    AddCells(-1, 2, {"DONTCARE_1", "DONTCARE_1"}, {8, 9});
    AddCells(31, 2, {"IA3_pol"}, {10});
    AddCells(32, 2, {"IA4_pol"}, {11});
    AddCells(15, 2, {"MSEL B"}, {12});
    AddCells(12, 2, {"MSEL A"}, {13});
    AddCells(29, 2, {"IA1_pol"}, {14});
    AddCells(30, 2, {"IA2_pol"}, {15});
    AddCells(6, 2, {"IA3_gain_b0", "IA3_gain_b1", "IA3_gain_b2", "IA3_gain_b3"}, BitRange(16, 19));
    AddCells(7, 2, {"IA4_gain_b0", "IA4_gain_b1", "IA4_gain_b2", "IA4_gain_b3"}, BitRange(20, 23));
    AddCells(4, 2, {"IA1_gain_b0", "IA1_gain_b1", "IA1_gain_b2", "IA1_gain_b3"}, BitRange(24, 27));
    AddCells(5, 2, {"IA2_gain_b0", "IA2_gain_b1", "IA2_gain_b2", "IA2_gain_b3"}, BitRange(28, 31));
    AddCells(8, 2, NameSeq("dac1_", 0, 7), BitRange(32, 39));
    // UES, manufacturing and calibration registers
    AddCells(-1, 5, NameSeq("UES_", 0, 15), BitRange(0, 15));
    AddCells(-1, 10,
             {"ITRIM_0", "ITRIM_1", "ITRIM_2", "CAPTRIM_0", "CAPTRIM_1", "CAPTRIM_2", "CAPTRIM_3",
              "UNUSED_1", "UNUSED_2", "UNUSED_3", "UNUSED_4", "UNUSED_5", "JVER_28", "JVER_29",
              "JVER_30", "JVER_31"},
             BitRange(0, 15));
    AddCells(-1, 13, NameSeq("CAL_", 0, 25), BitRange(0, 25));

    m_uesCells.clear();
    for (int i = 0; i < 16; ++i)
        m_uesCells.push_back(112 + i);
}

void ZelCConfig::BuildSymbols()
{
    DefineMulti(0, "OA1_MODE", {48, 49}, 4, 0);
    DefineMulti(1, "OA2_MODE", {41, 42}, 4, 0);
    DefineMulti(2, "OA1_CF", BitRange(51, 53), 7, 0);
    DefineMulti(3, "OA2_CF", BitRange(44, 46), 7, 0);
    DefineMulti(4, "gain_IA1", BitRange(96, 99), 9, 0);
    DefineMulti(5, "gain_IA2", BitRange(100, 103), 9, 0);
    DefineMulti(6, "gain_IA3", BitRange(88, 91), 9, 0);
    DefineMulti(7, "gain_IA4", BitRange(92, 95), 9, 0);
    DefineMulti(8, "DAC1", BitRange(104, 111), 1, 0);
    DefineMulti(9, "DAC2", BitRange(72, 79), 1, 0);
    DefineMulti(10, "IA3 Interconnect", BitRange(21, 23), 5, 0);
    DefineMulti(11, "IA2 Interconnect", BitRange(63, 65), 5, 0);
    DefineSingle(12, "MUX1/SELA", 85, 1, 0);
    DefineMulti(13, "IA1A Interconnect", BitRange(56, 58), 5, 0);
    DefineMulti(14, "IA1B Interconnect", BitRange(59, 61), 5, 0);
    DefineSingle(15, "MUX4/SELB", 84, 1, 0);
    DefineMulti(16, "IA4A Interconnect", BitRange(25, 27), 5, 0);
    DefineMulti(17, "IA4B Interconnect", BitRange(28, 30), 5, 0);
    DefineMulti(18, "DAC1 interconnect", BitRange(68, 70), 5, 0);
    DefineMulti(19, "DAC2 interconnect", BitRange(17, 19), 5, 0);
    DefineSingle(20, "IA1Out", 54, 1, 0);
    DefineSingle(21, "IA2Out", 55, 1, 0);
    DefineSingle(22, "IA3Out", 39, 1, 0);
    DefineSingle(23, "IA4Out", 38, 1, 0);
    DefineSingle(24, "DAC1Out", 67, 1, 0);
    DefineSingle(25, "DAC2Out", 16, 1, 0);
    DefineMulti(26, "REF1LEV", BitRange(35, 37), 8, 0);
    DefineMulti(27, "REF2LEV", BitRange(32, 34), 8, 0);
    // The pull-up/pull-down record names 15 of the 16 pin cells, in this order.
    DefineMulti(28, "PU_PD", {1, 2, 4, 12, 13, 14, 3, 15, 5, 6, 7, 8, 9, 10, 11}, 32768, 0);
    DefineSingle(29, "pol_IA1", 86, 1, 0);
    DefineSingle(30, "pol_IA2", 87, 1, 0);
    DefineSingle(31, "pol_IA3", 82, 1, 0);
    DefineSingle(32, "pol_IA4", 83, 1, 0);
    DefineSingle(35, "OA1_PD", 50, 1, 0);
    DefineSingle(36, "OA2_PD", 43, 1, 0);
    DefineSingle(37, "DAC1_CAL", 71, 1, 0);
    DefineSingle(38, "IA1_CAL", 62, 1, 0);
    DefineSingle(39, "IA2_CAL", 66, 1, 0);
    DefineSingle(40, "IA3_CAL", 24, 1, 0);
    DefineSingle(41, "IA4_CAL", 31, 1, 0);
    DefineSingle(42, "DAC2_CAL", 20, 1, 0);
}

}  // namespace kalidor
