#include "device/ZelDConfig.h"

#include <cstdio>

#include "platform/Prompter.h"

namespace kalidor {

const std::vector<int32_t> kZelDElementWeights[7] = {
    {510, 1280, 2620, 4740, 5090, 15290, 29160, 40440, 54380, 76900, 91040, 105870},  // C1
    {100, 410, 860, 1350, 1550, 3210, 4980, 9990, 20350, 22930, 27860},               // C2
    {1820, 3430, 7430, 13520, 14400, 25200, 62710, 106770, 248410},                   // L2
    {5550, 7310, 10730, 19040, 22020, 63320, 137130, 226460, 339340},                 // C3
    {880, 1740, 3610, 3800, 3960, 2500, 17620, 20350, 31260, 75130, 76400, 86340},    // C4
    {2810, 6360, 13180, 20840, 25360, 73450, 152290, 296120},                         // L4
    {1050, 2290, 4700, 9150, 10800, 25840, 57010, 117360, 167870},                    // C5
};

static const char kCapNumberMessage[] = "m_SymbolValueArray::m_capNumber uninitialized";
static const char kInternalErrorCaption[] = "Kalidor Internal Error";

// Element names in table order, and the configuration-A keys whose symbols hold them.
static const char* const kElementNames[7] = {"C1", "C2", "L2", "C3", "C4", "L4", "C5"};

ZelDConfig::ZelDConfig(DeviceKind kind) : DeviceConfig(kind)
{
    m_nodeCounts = {16, 0, 1, 1, 2};
    m_securityCell = 92;
}

void ZelDConfig::BuildValueTables()
{
    for (int e = 0; e < kElementCount; ++e) {
        m_elementWeights[e] = kZelDElementWeights[e];
        m_elementTables[e].BuildFromWeights(m_elementWeights[e]);
    }
    m_gains = {1, 2, 5, 10};
}

void ZelDConfig::BuildCells()
{
    // Configuration A (register USRA), elements from C5 up to C1 as they sit in the register.
    const int bitsOf[7] = {12, 11, 9, 9, 12, 8, 9};
    auto elementCells = [&](int element, const char* cfg, int symKey, int reg, int firstBit) {
        std::vector<std::string> names;
        for (int i = 0; i < bitsOf[element]; ++i)
            names.push_back(std::string(kElementNames[element]) + cfg + "_" + std::to_string(1 << i));
        AddCells(symKey, reg, names, BitRange(firstBit, firstBit + bitsOf[element] - 1));
    };
    elementCells(6, "A", 6, 0, 0);
    elementCells(5, "A", 5, 0, 9);
    elementCells(4, "A", 4, 0, 17);
    elementCells(3, "A", 3, 0, 29);
    elementCells(2, "A", 2, 0, 38);
    elementCells(1, "A", 1, 0, 47);
    elementCells(0, "A", 0, 0, 58);
    AddCells(7, 0, {"PM1A"}, {70});
    AddCells(-1, 0, NameSeq("UES", 1, 21), BitRange(71, 91));
    AddCells(9, 0, {"esf"}, {92});
    AddCells(10, 0, {"AB"}, {93});
    AddCells(11, 0, {"PG1", "PG2"}, {94, 95});
    // Configuration B (register USRB)
    elementCells(6, "B", 18, 2, 0);
    elementCells(5, "B", 17, 2, 9);
    elementCells(4, "B", 16, 2, 17);
    elementCells(3, "B", 15, 2, 29);
    elementCells(2, "B", 14, 2, 38);
    elementCells(1, "B", 13, 2, 47);
    elementCells(0, "B", 12, 2, 58);
    AddCells(19, 2, {"PM1B"}, {70});
    // Trim and calibration (register CAL): key 20 has no record.
    AddCells(20, 3, NameSeq("", 0, 12), BitRange(0, 12));
    // Manufacturing register
    AddCells(-1, 4,
             {"ctrm7", "ctrm6", "ctrm5", "ctrm4", "ctrm3", "ctrm2", "ctrm1", "JVER_28", "JVER_29",
              "JVER_30", "JVER_31", "itrim0", "itrim1", "itrim2", "itrim3", "itrim4", "cml0",
              "cml1", "cml2", "cml3", "cmr0", "cmr1", "cmr2", "cmr3"},
             BitRange(0, 23));

    m_uesCells.clear();
    for (int i = 0; i < 21; ++i)
        m_uesCells.push_back(71 + i);
}

void ZelDConfig::BuildSymbols()
{
    // Element keys 0..6 (configuration A) and 12..18 (configuration B), with the first cell of
    // each element; m_capNumber names the element table.
    const int firstCellA[7] = {58, 47, 38, 29, 17, 9, 0};
    const int bitsOf[7] = {12, 11, 9, 9, 12, 8, 9};
    for (int e = 0; e < kElementCount; ++e) {
        for (int cfg = 0; cfg < 2; ++cfg) {
            const int key = e + cfg * 12;
            const int first = firstCellA[e] + cfg * 96;
            std::string name = std::string(kElementNames[e]) + (cfg ? "B" : "A");
            SymbolValue& r = DefineMulti(key, name, BitRange(first, first + bitsOf[e] - 1), 4096,
                                         0, kSymInverted);
            r.weights.fill(0);
            r.m_capNumber = e;
        }
    }
    DefineSingle(7, "PMA", 70, 1, 1);
    // The UES record names cell 0, which belongs to C5A: it keeps a value only, so that writing
    // it can never change the filter.
    DefineSingle(8, "UES", -1, 4096, 0);
    DefineSingle(9, "security", 92, 1, 0);
    DefineSingle(10, "A/B bit", 93, 1, 0);
    SymbolValue& gain = DefineSingle(11, "gain", -1, 9, 1);
    gain.kind = kSymGainCode;
    DefineSingle(19, "PMB", 166, 1, 1);
    SymbolValue& cfgA = DefineSingle(kKeyFilterConfigA, "CfgA", -1, 0, -1);
    cfgA.kind = kSymConfiguration;
    SymbolValue& cfgB = DefineSingle(kKeyFilterConfigB, "CfgB", -1, 0, -1);
    cfgB.kind = kSymConfiguration;
}

void ZelDConfig::EncodeSymbol(const SymbolValue& r, int value)
{
    if (r.kind == kSymGainCode) {
        int pg1 = 0, pg2 = 0;
        if (value == 2)
            pg1 = 1;
        else if (value == 5)
            pg2 = 1;
        else if (value == 10)
            pg1 = pg2 = 1;
        m_cells[94].value = pg1;
        m_cells[95].value = pg2;
        return;
    }
    DeviceConfig::EncodeSymbol(r, value);
}

int ZelDConfig::DecodeSymbol(const SymbolValue& r) const
{
    if (r.kind == kSymGainCode) {
        static const int kGainOfCode[4] = {1, 2, 5, 10};
        int code = (m_cells[95].value ? 2 : 0) + (m_cells[94].value ? 1 : 0);
        return kGainOfCode[code];
    }
    return DeviceConfig::DecodeSymbol(r);
}

void ZelDConfig::SetSymValue(int symKey, int value)
{
    if (symKey < 0 || symKey >= SymbolSlotCount())
        return;
    // Editing an element or the frequency range of a configuration means it no longer is the
    // stored filter that was applied to it.
    if (IsConfigAKey(symKey))
        m_symbols[kKeyFilterConfigA].value = -2;
    else if (IsConfigBKey(symKey))
        m_symbols[kKeyFilterConfigB].value = -2;
    DeviceConfig::SetSymValue(symKey, value);
}

int ZelDConfig::ElementOf(int which) const
{
    if (which < 0 || which >= SymbolSlotCount())
        return 0;
    int e = m_symbols[which].m_capNumber;
    if (e < 0 || e >= kElementCount) {
        CurrentPrompter().Message(kCapNumberMessage, kInternalErrorCaption, Buttons::Ok,
                                  MessageIcon::Error);
        return 0;
    }
    return e;
}

const ValueTable& ZelDConfig::CapTable(int which) const { return m_elementTables[ElementOf(which)]; }

const std::vector<int32_t>& ZelDConfig::CapWeights(int which) const
{
    return m_elementWeights[ElementOf(which)];
}

int ZelDConfig::GetCapText(int which, int code, int format, std::string& text) const
{
    char buf[64];
    double pf = GetCapValueByCode(which, code) / 10000.0;
    std::snprintf(buf, sizeof buf, format == 5 ? "%.4fe-12" : "%.3f pF", pf);
    text = buf;
    return 0;
}

int ZelDConfig::GetNearestCapIndex(int which, int value) const
{
    return CapTable(which).NearestCodeStopping(value);
}

double ZelDConfig::GetCapFarads(int symKey) const
{
    return GetCapValueByCode(symKey, GetSymValue(symKey)) * 1e-16;
}

int ZelDConfig::GetCellFuse(int position) const
{
    if (!ValidCell(position))
        return -1;
    return m_cells[position].bit + (position >= 96 ? 96 : 0);
}

}  // namespace kalidor
