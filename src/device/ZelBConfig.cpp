#include "device/ZelBConfig.h"

#include <cstdio>

#include "device/SymbolInfo.h"
#include "device/ZelBKeys.h"
#include "platform/Prompter.h"

namespace kalidor {

ZelBConfig::ZelBConfig() : ZelABConfigBase(DeviceKind::ZelB)
{
    m_nodeCounts = {44, 0, 3, 2, 0};
    m_securityCell = 80;
}

int ZelBConfig::GainPolarityKey(int gainKey) const
{
    switch (gainKey) {
    case kKeyZelBIa1Gain:
        return kKeyZelBIa1Polarity;
    case kKeyZelBIa2Gain:
        return kKeyZelBIa2Polarity;
    case kKeyZelBIa3Gain:
        return kKeyZelBIa3Polarity;
    default:
        return -1;
    }
}

int ZelBConfig::GetSignedGain(int key) const
{
    if (key == kKeyZelBIa4Gain)
        return -(GetSymValue(key) + 1);
    return ZelABConfigBase::GetSignedGain(key);
}

void ZelBConfig::SetSignedGain(int key, int gain)
{
    if (key != kKeyZelBIa4Gain) {
        ZelABConfigBase::SetSignedGain(key, gain);
        return;
    }
    if (gain >= 0) {
        CurrentPrompter().Beep();
        CurrentPrompter().Message(kIa4PositiveMessage, kIa4PositiveCaption, Buttons::Ok, MessageIcon::Error);
        SetSymValue(key, gain - 1);
    } else {
        SetSymValue(key, -gain - 1);
    }
}

namespace {

// Contacts in list order; the values are those the selector cells hold.
const InputContact kBlockInputs[] = {{"NONE", 0},  {"IN 1", 1},  {"IN 2", 2},      {"IN 3", 5},
                                     {"OUT 1", 3}, {"OUT 2", 4}, {"DAC Output", 6}};
const InputContact kIa4Inputs[] = {{"NONE", 0},       {"IN 2", 2}, {"OUT 1", 3},  {"OUT 2", 4},
                                   {"DAC Output", 6}, {"3V", 5},   {"1.5V", 1}};
const InputContact kComparatorFirstInputs[] = {{"NONE", 5},       {"IN 3", 3}, {"CIN 1", 1}, {"OUT 2", 4},
                                               {"DAC Output", 2}, {"3V", 0},   {"1.5V", 6}};
const InputContact kComparatorSecondInputs[] = {{"NONE", 0},       {"IN 3", 3}, {"CIN 1", 1}, {"OUT 2", 4},
                                                {"DAC Output", 2}, {"3V", 5},   {"1.5V", 6}};

}  // namespace

std::span<const InputContact> ZelBConfig::InputContacts(int key) const
{
    switch (key) {
    case kKeyZelBIa4Input:
        return kIa4Inputs;
    case kKeyZelBC1Input1:
    case kKeyZelBC2Input1:
        return kComparatorFirstInputs;
    case kKeyZelBC1Input2:
    case kKeyZelBC2Input2:
        return kComparatorSecondInputs;
    default:
        return kBlockInputs;
    }
}

std::optional<DacReading> ZelBConfig::DacOutput(int, int code) const
{
    return DacReading{code * 0.0234375 - 3.0, DacUnit::kVolts};
}

std::string ZelBConfig::MuxSelectText(int key) const
{
    return GetSymValue(key) == 0 ? "MSEL = 0 (A)" : "MSEL = 1 (B)";
}

// Whole picofarads and hundredths, rounded half up: 30950 gives "3.10 pF", 99950 "10.00 pF".
int ZelBConfig::GetCapText(int which, int code, int, std::string& text) const
{
    text = PicofaradText(GetCapValueByCode(which, code));
    return 0;
}

std::string ZelBConfig::PicofaradText(int v)
{
    int w = v / 10000;
    int h = (v % 10000) / 100;
    if ((v % 10000) % 100 > 49) {
        ++h;
        if (h == 100) {
            h = 0;
            ++w;
        }
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%.2d pF", w, h);
    return buf;
}

int ZelBConfig::GetCellFuse(int position) const
{
    if (!ValidCell(position))
        return -1;
    return m_cells[position].bit + (position >= 81 ? 81 : 0);
}

void ZelBConfig::BuildCells()
{
    // Block 1 (XT)
    // The first two UES cells are also the feedback bits of keys 1 and 2, as in block 2.
    AddCells(1, 0, {"UES_XT1"}, {42});
    AddCells(2, 0, {"UES_XT2"}, {41});
    AddCells(3, 0, {"zt_3_XT"}, {40});
    AddCells(4, 0, {"gain_1_XT_b1", "gain_1_XT_b2", "gain_1_XT_b4", "gain_1_XT_b8"}, BitRange(36, 39));
    AddCells(5, 0, {"gain_2_XT_b1", "gain_2_XT_b2", "gain_2_XT_b4", "gain_2_XT_b8"}, BitRange(32, 35));
    AddCells(6, 0, NameSeq("uc_XT_", 1, 7), BitRange(49, 43));
    AddCells(7, 0, {"pasInv_1_XT"}, {27}, 1);
    AddCells(8, 0, {"pasInv_2_XT"}, {20}, 1);
    AddCells(9, 0, {"ien_1_XT_b1", "ien_1_XT_b2", "ien_1_XT_b3"}, BitRange(28, 30));
    AddCells(10, 0, {"ien_2A_XT_b1", "ien_2A_XT_b2", "ien_2A_XT_b4"}, BitRange(21, 23));
    AddCells(11, 0, {"ien_2B_XT_b1", "ien_2B_XT_b2", "ien_2B_XT_b4"}, BitRange(24, 26));
    // Block 2 (XB)
    AddCells(13, 0, {"UES_XB1"}, {59});
    AddCells(14, 0, {"UES_XB2"}, {60});
    AddCells(15, 0, {"zt_3_XB"}, {61});
    AddCells(16, 0, {"gain_1_XB_b1", "gain_1_XB_b2", "gain_1_XB_b4", "gain_1_XB_b8"}, BitRange(65, 62));
    AddCells(17, 0, {"gain_2_XB_b1", "gain_2_XB_b2", "gain_2_XB_b4", "gain_2_XB_b8"}, BitRange(69, 66));
    AddCells(18, 0, NameSeq("uc_XB_", 1, 7), BitRange(52, 58));
    AddCells(19, 0, {"pasInv_1_XB"}, {75}, 1);
    AddCells(20, 0, {"PC_2_XB_b1"}, {70}, 1);
    AddCells(20, 0, {"PC_2_XB_b2"}, {71}, 0);
    AddCells(24, 0, {"SRE_2_XB"}, {76}, 1);
    AddCells(21, 0, {"ien_1_XB_b1", "ien_1_XB_b2", "ien_1_XB_b4"}, BitRange(74, 72));
    AddCells(22, 0, {"ien_2_XB_b1", "ien_2_XB_b2", "ien_2_XB_b4"}, BitRange(79, 77));
    AddCells(25, 0, {"cmov_XT"}, {50});
    AddCells(26, 0, {"cmov_XB"}, {51});
    // Comparators
    AddCells(27, 0, {"c1_in1_b1"}, {0}, 1);
    AddCells(27, 0, {"c1_in1_b2"}, {1}, 0);
    AddCells(27, 0, {"c1_in1_b4"}, {2}, 1);
    AddCells(28, 0, {"c1_in2_b1", "c1_in2_b2", "c1_in2_b4"}, BitRange(3, 5));
    AddCells(29, 0, {"c2_in1_b1"}, {6}, 1);
    AddCells(29, 0, {"c2_in1_b2"}, {7}, 0);
    AddCells(29, 0, {"c2_in1_b4"}, {8}, 1);
    AddCells(30, 0, {"c2_in2_b1", "c2_in2_b2", "c2_in2_b4"}, BitRange(9, 11));
    AddCells(31, 0, {"comp_hyst"}, {12}, 1);
    AddCells(32, 0, {"comp_1_latch"}, {14});
    AddCells(33, 0, {"WSEL/"}, {18});
    AddCells(34, 0, {"WO_enable/"}, {19});
    AddCells(-1, 0, {"UES1", "UES2", "UES3"}, {13, 31, 80});
    AddCells(35, 0, {"DSthru"}, {15});
    AddCells(36, 0, {"disTDO"}, {16});
    AddCells(38, 0, {"esf"}, {17});
    // DAC register
    AddCells(39, 2, NameSeq("dac_", 0, 6), BitRange(0, 6));
    AddCells(39, 2, {"dac_7"}, {7}, 1);
    // Calibration register
    AddCells(40, 3, NameSeq("XT_", 0, 12), BitRange(0, 12));
    AddCells(41, 3, NameSeq("XB_", 0, 12), BitRange(13, 25));
    // Manufacturing register
    AddCells(-1, 4,
             {"c1c2l0", "c1c2l1", "c1c2l2", "c1c2l3", "c1c1l0", "c1c1l1", "c1c1l2", "c1c1l3",
              "c1c2r0", "c1c2r1", "c1c2r2", "c1c2r3", "c1c1r0", "c1c1r1", "c1c1r2", "c1c1r3",
              "c2c2l0", "c2c2l1", "c2c2l2", "c2c2l3", "c2c1l0", "c2c1l1", "c2c1l2", "c2c1l3",
              "c2c2r0", "c2c2r1", "c2c2r2", "c2c2r3", "c2c1r0", "c2c1r1", "c2c1r2", "c2c1r3",
              "ctrm1", "ctrm2", "ctrm3", "ctrm4", "ctrm5", "ctrm6", "bt2", "bt1", "JVER_28",
              "JVER_29", "JVER_30", "JVER_31", "imon_b1", "imon_b2", "imon_b4", "imon_b8",
              "imon_b16", "enTRI/"},
             {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
              17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
              34, 35, 36, 37, 38, 39, 43, 42, 41, 40, 44, 45, 46, 47, 48, 49});

    m_uesCells = {75, 76, 77, 0, 1, 29, 30};
}

void ZelBConfig::BuildSymbols()
{
    DefineSingle(1, "zt_1_XT", 0, 1, 0);
    DefineSingle(2, "zt_2_XT", 1, 1, 0);
    DefineSingle(3, "zt_3_XT", 2, 1, 0);
    DefineMulti(4, "gain_1_XT", BitRange(3, 6), 9, 0);
    DefineMulti(5, "gain_2_XT", BitRange(7, 10), 9, 0);
    DefineCap(6, "XT user Cap", BitRange(11, 17));
    DefineSingle(7, "pasInv_1_XT", 18, 1, 1);
    DefineSingle(8, "pasInv_2_XT", 19, 1, 1);
    DefineMulti(9, "XT 1 interconnect", BitRange(20, 22), 5, 0);
    DefineMulti(10, "IA1 (XT 2A) interconnect", BitRange(23, 25), 5, 0);
    DefineMulti(11, "IA1 (XT 2B) interconnect", BitRange(26, 28), 5, 0);
    DefineSingle(13, "zt_1_XB", 29, 1, 0);
    DefineSingle(14, "zt_2_XB", 30, 1, 0);
    DefineSingle(15, "zt_3_XB", 31, 1, 0);
    DefineMulti(16, "gain_1_XB", BitRange(32, 35), 9, 0);
    DefineMulti(17, "gain_2_XB", BitRange(36, 39), 9, 0);
    DefineCap(18, "XB user Cap", BitRange(40, 46));
    DefineSingle(19, "pasInv_1_XB", 47, 1, 1);
    DefineMulti(20, "PCMode_2_XB", {48, 49}, 9, 1);
    DefineMulti(21, "XB 1 interconnect", BitRange(51, 53), 5, 0);
    DefineMulti(22, "XB 2 interconnect", BitRange(54, 56), 5, 0);
    DefineSingle(24, "SRE_XB", 50, 1, 1);
    DefineSingle(25, "cmov_XT", 57, 1, 0);
    DefineSingle(26, "cmov_XB", 58, 1, 0);
    DefineMulti(27, "c1_in1", BitRange(59, 61), 255, 5);
    DefineMulti(28, "c1_in2", BitRange(62, 64), 255, 0);
    DefineMulti(29, "c2_in1", BitRange(65, 67), 255, 5);
    DefineMulti(30, "c2_in2", BitRange(68, 70), 255, 0);
    DefineSingle(31, "comp_hyst/", 71, 1, 1);
    DefineSingle(32, "comp_1_latch/", 72, 1, 0);
    DefineSingle(33, "WSEL/", 73, 1, 0);
    DefineSingle(34, "WO_enable/", 74, 1, 0);
    DefineSingle(35, "dsThru", 78, 1, 0);
    DefineSingle(36, "disTDO", 79, 1, 0);
    DefineSingle(38, "security", 80, 1, 0);
    DefineMulti(39, "DAC_Value", BitRange(81, 88), 255, 128);
    DefineMulti(40, "cal_XT", BitRange(89, 101), 8191, 0);
    DefineMulti(41, "cal_XB", BitRange(102, 114), 8191, 0);
    // Pin states for the simulation only: a value, no cells.
    DefineSingle(kKeyZelBMselPin, "MSEL_pin", -1, 1, 0);
    DefineSingle(kKeyZelBPcPin, "PC_pin", -1, 1, 0);
}

}  // namespace kalidor
