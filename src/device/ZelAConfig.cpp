#include "device/ZelAConfig.h"

#include "device/ZelAKeys.h"

namespace kalidor {

const std::pair<int32_t, int32_t> kZelABCapTable[128] = {
    {0, 10700},    {1, 31107},    {2, 35597},    {4, 50574},    {3, 54646},    {8, 59156},
    {5, 69211},    {6, 73413},    {9, 77697},    {10, 81880},   {16, 87115},   {7, 91878},
    {12, 96185},   {11, 100306},  {17, 105411},  {18, 109549},  {13, 114549},  {14, 118697},
    {32, 123895},  {20, 123907},  {19, 127843},  {24, 132062},  {15, 137037},  {33, 142071},
    {21, 142157},  {34, 146181},  {22, 146282},  {25, 150334},  {26, 154459},  {36, 160471},
    {35, 164387},  {23, 164539},  {40, 168556},  {28, 168717},  {27, 172732},  {37, 178655},
    {38, 182758},  {41, 186769},  {29, 186972},  {42, 190879},  {30, 191085},  {48, 196052},
    {39, 200966},  {44, 205116},  {43, 209098},  {31, 209339},  {49, 214220},  {50, 218320},
    {45, 223321},  {46, 227429},  {52, 232606},  {51, 236512},  {56, 240643},  {47, 245647},
    {53, 250776},  {54, 254882},  {57, 258841},  {58, 262947},  {55, 273063},  {60, 277189},
    {59, 281143},  {61, 295374},  {62, 299473},  {64, 316333},  {63, 317675},  {65, 334359},
    {66, 338430},  {68, 352503},  {67, 356470},  {72, 360548},  {69, 370559},  {70, 374614},
    {73, 378625},  {74, 382699},  {80, 387663},  {71, 392684},  {76, 396771},  {75, 400768},
    {81, 405749},  {82, 409797},  {77, 414844},  {78, 418911},  {96, 423566},  {84, 423933},
    {83, 427893},  {88, 431958},  {79, 436999},  {97, 441637},  {85, 442005},  {98, 445687},
    {86, 446062},  {89, 450035},  {90, 454112},  {100, 459819}, {99, 463772},  {87, 464144},
    {104, 467862}, {92, 468240},  {91, 472200},  {101, 477907}, {102, 481996}, {105, 485932},
    {93, 486341},  {106, 490009}, {94, 490387},  {112, 495039}, {103, 500055}, {108, 504133},
    {107, 508117}, {95, 508482},  {113, 513113}, {114, 517199}, {109, 522205}, {110, 526306},
    {116, 531358}, {115, 535289}, {120, 539325}, {111, 544399}, {117, 549426}, {118, 553486},
    {121, 557412}, {122, 561492}, {119, 571575}, {124, 575606}, {123, 579588}, {125, 593696},
    {126, 597765}, {127, 615865},
};

const int32_t kZelABCapWeights[7] = {19024, 23232, 37896, 46578, 74824, 112400, 311960};

// Weights kept in the record of a 7-bit capacitor symbol.
static const int32_t kCapRecordWeights[7] = {38048, 46464, 75972, 93156, 149648, 224800, 623920};

void ZelABConfigBase::BuildValueTables()
{
    m_capTable.BuildFromSorted(std::vector<std::pair<int32_t, int32_t>>(
        std::begin(kZelABCapTable), std::end(kZelABCapTable)));
    m_capWeights.assign(std::begin(kZelABCapWeights), std::end(kZelABCapWeights));
    m_gains.clear();
    for (int g = -10; g <= 10; ++g)
        if (g != 0)
            m_gains.push_back(g);
}

SymbolValue& ZelABConfigBase::DefineCap(int key, const std::string& name,
                                        const std::vector<int>& cells)
{
    SymbolValue& r = DefineMulti(key, name, cells, 127, 0);
    for (int i = 0; i < 7; ++i)
        r.weights[i] = kCapRecordWeights[i];
    return r;
}

int ZelABConfigBase::CoerceSymbols()
{
    if (!m_switches[1])
        return 0;
    int count = 0;
    for (int key = 0; key < SymbolSlotCount(); ++key) {
        if (GetSymValue(key) > m_symbols[key].maxValue) {
            SetSymValue(key, 0);
            ++count;
        }
    }
    return count;
}

int ZelABConfigBase::ToggleSymbol(int k, int k2, int position)
{
    int v = GetSymValue(k) == 0 ? 1 : 0;
    SetSymValue(k2, v);
    E2_SetValue(position, v);
    return 0;
}

ZelAConfig::ZelAConfig() : ZelABConfigBase(DeviceKind::ZelA)
{
    m_nodeCounts = {28, 0, 4, 4, 0};
    m_securityCell = 104;
}

int ZelAConfig::GainPolarityKey(int gainKey) const
{
    for (int block = 0; block < kZelABlockCount; ++block) {
        if (gainKey == ZelABlockKey(block, kZelAOffsetGain1))
            return ZelABlockKey(block, kZelAOffsetPolarity1);
        if (gainKey == ZelABlockKey(block, kZelAOffsetGain2))
            return ZelABlockKey(block, kZelAOffsetPolarity2);
    }
    return -1;
}

namespace {

const InputContact kXBlockInputs[] = {{"NONE", 0, "VREF"},  {"IN 1", 1, "IN1"},  {"IN 2", 2, "IN2"},
                                      {"OUT 1", 3, "OUT1"}, {"OUT 2", 4, "OUT2"}, {"OUT 4", 5, "OUT4"}};
const InputContact kYBlockInputs[] = {{"NONE", 0, "VREF"},  {"IN 3", 1, "IN3"},  {"IN 4", 2, "IN4"},
                                      {"OUT 3", 3, "OUT3"}, {"OUT 4", 4, "OUT4"}, {"OUT 2", 5, "OUT2"}};

}  // namespace

std::span<const InputContact> ZelAConfig::InputContacts(int key) const
{
    if (IsZelAYBlockInputKey(key))
        return kYBlockInputs;
    return kXBlockInputs;
}

void ZelAConfig::BuildCells()
{
    // Block 1 (XT)
    AddCells(1, 0, {"zt_1_XT"}, {72});
    AddCells(2, 0, {"zt_2_XT"}, {71});
    AddCells(3, 0, {"zt_3_XT"}, {70});
    AddCells(4, 0, {"gain_1_XT_b1", "gain_1_XT_b2", "gain_1_XT_b4", "gain_1_XT_b8"}, BitRange(62, 65));
    AddCells(5, 0, {"gain_2_XT_b1", "gain_2_XT_b2", "gain_2_XT_b4", "gain_2_XT_b8"}, BitRange(66, 69));
    AddCells(6, 0, NameSeq("uc_XT_", 1, 7), BitRange(79, 73));
    AddCells(7, 0, {"pasInv_1_XT"}, {54}, 1);
    AddCells(8, 0, {"pasInv_2_XT"}, {58}, 1);
    AddCells(9, 0, {"ien_1_XT_b1", "ien_1_XT_b2", "ien_1_XT_b3"}, BitRange(55, 57));
    AddCells(10, 0, {"ien_2_XT_b1", "ien_2_XT_b2", "ien_2_XT_b4"}, BitRange(59, 61));
    // Block 2 (XB)
    AddCells(12, 0, {"zt_1_XB"}, {89});
    AddCells(13, 0, {"zt_2_XB"}, {90});
    AddCells(14, 0, {"zt_3_XB"}, {91});
    AddCells(15, 0, {"gain_1_XB_b1", "gain_1_XB_b2", "gain_1_XB_b4", "gain_1_XB_b8"}, BitRange(99, 96));
    AddCells(16, 0, {"gain_2_XB_b1", "gain_2_XB_b2", "gain_2_XB_b4", "gain_2_XB_b8"}, BitRange(95, 92));
    AddCells(17, 0, NameSeq("uc_XB_", 1, 7), BitRange(82, 88));
    AddCells(18, 0, {"pasInv_1_XB"}, {108}, 1);
    AddCells(19, 0, {"pasInv_2_XB"}, {103}, 1);
    AddCells(20, 0, {"ien_1_XB_b1", "ien_1_XB_b2", "ien_1_XB_b4"}, BitRange(107, 105));
    AddCells(21, 0, {"ien_2_XB_b1", "ien_2_XB_b2", "ien_2_XB_b4"}, BitRange(102, 100));
    // Block 3 (YT)
    AddCells(23, 0, {"zt_1_YT"}, {35});
    AddCells(24, 0, {"zt_2_YT"}, {36});
    AddCells(25, 0, {"zt_3_YT"}, {37});
    AddCells(26, 0, {"gain_1_YT_b1", "gain_1_YT_b2", "gain_1_YT_b4", "gain_1_YT_b8"}, BitRange(45, 42));
    AddCells(27, 0, {"gain_2_YT_b1", "gain_2_YT_b2", "gain_2_YT_b4", "gain_2_YT_b8"}, BitRange(41, 38));
    AddCells(28, 0, NameSeq("uc_YT_", 1, 7), BitRange(28, 34));
    AddCells(29, 0, {"pasInv_1_YT"}, {53}, 1);
    AddCells(30, 0, {"pasInv_2_YT"}, {49}, 1);
    AddCells(31, 0, {"ien_1_YT_b1", "ien_1_YT_b2", "ien_1_YT_b4"}, BitRange(52, 50));
    AddCells(32, 0, {"ien_2_YT_b1", "ien_2_YT_b2", "ien_2_YT_b4"}, BitRange(48, 46));
    // Block 4 (YB)
    AddCells(34, 0, {"zt_1_YB"}, {18});
    AddCells(35, 0, {"zt_2_YB"}, {17});
    AddCells(36, 0, {"zt_3_YB"}, {16});
    AddCells(37, 0, {"gain_1_YB_b1", "gain_1_YB_b2", "gain_1_YB_b4", "gain_1_YB_b8"}, BitRange(8, 11));
    AddCells(38, 0, {"gain_2_YB_b1", "gain_2_YB_b2", "gain_2_YB_b4", "gain_2_YB_b8"}, BitRange(12, 15));
    AddCells(39, 0, NameSeq("uc_YB_", 1, 7), BitRange(25, 19));
    AddCells(40, 0, {"pasInv_1_YB"}, {0}, 1);
    AddCells(41, 0, {"pasInv_2_YB"}, {4}, 1);
    AddCells(42, 0, {"ien_1_YB_b1", "ien_1_YB_b2", "ien_1_YB_b4"}, BitRange(1, 3));
    AddCells(43, 0, {"ien_2_YB_b1", "ien_2_YB_b2", "ien_2_YB_b4"}, BitRange(5, 7));
    // Security fuse and common-mode input enables
    AddCells(44, 0, {"esf"}, {104});
    AddCells(45, 0, {"cmov_XT"}, {80});
    AddCells(46, 0, {"cmov_XB"}, {81});
    AddCells(47, 0, {"cmov_YT"}, {27});
    AddCells(48, 0, {"cmov_YB"}, {26});
    // Calibration register
    AddCells(49, 2, NameSeq("XT_", 0, 12), BitRange(39, 51));
    AddCells(50, 2, NameSeq("XB_", 0, 12), BitRange(26, 38));
    AddCells(51, 2, NameSeq("YT_", 0, 12), BitRange(0, 12));
    AddCells(52, 2, NameSeq("YB_", 0, 12), BitRange(13, 25));
    // Manufacturing register
    AddCells(-1, 3,
             {"bt1", "bt2", "ctrm1", "ctrm2", "ctrm3", "ctrm4", "ctrm5", "ctrm6", "JVER_28",
              "JVER_29", "JVER_30", "JVER_31", "imon_b1", "imon_b2", "imon_b4", "imon_b8",
              "imon_b16", "enTriB"},
             {7, 6, 0, 1, 2, 3, 4, 5, 11, 10, 9, 8, 12, 13, 14, 15, 16, 17});

    m_uesCells = {0, 1, 26, 27, 52, 53, 78, 79};
}

void ZelAConfig::BuildSymbols()
{
    // Each block's symbols follow the same pattern; `k` is the block's first key and `c` the
    // position of its first cell.
    const char* tags[4] = {"XT", "XB", "YT", "YB"};
    const int firstKey[4] = {1, 12, 23, 34};
    for (int b = 0; b < 4; ++b) {
        const std::string t = tags[b];
        const int k = firstKey[b];
        const int c = b * 26;
        DefineSingle(k, "zt_1_" + t, c, 1, 0);
        DefineSingle(k + 1, "zt_2_" + t, c + 1, 1, 0);
        DefineSingle(k + 2, "zt_3_" + t, c + 2, 1, 0);
        DefineMulti(k + 3, "gain_1_" + t, BitRange(c + 3, c + 6), 9, 0);
        DefineMulti(k + 4, "gain_2_" + t, BitRange(c + 7, c + 10), 9, 0);
        DefineCap(k + 5, t + " user Cap", BitRange(c + 11, c + 17));
        DefineSingle(k + 6, "pasInv_1_" + t, c + 18, 1, 1);
        DefineSingle(k + 7, "pasInv_2_" + t, c + 19, 1, 1);
        DefineMulti(k + 8, t + " 1 interconnect", BitRange(c + 20, c + 22), 5, 0);
        DefineMulti(k + 9, t + " 2 interconnect", BitRange(c + 23, c + 25), 5, 0);
    }
    DefineSingle(44, "security", 104, 1, 0);
    DefineSingle(45, "cmov_XT", 105, 1, 0);
    DefineSingle(46, "cmov_XB", 106, 1, 0);
    DefineSingle(47, "cmov_YT", 107, 1, 0);
    DefineSingle(48, "cmov_YB", 108, 1, 0);
    DefineMulti(49, "cal_XT", BitRange(109, 121), 8191, 0);
    DefineMulti(50, "cal_XB", BitRange(122, 134), 8191, 0);
    DefineMulti(51, "cal_YT", BitRange(135, 147), 8191, 0);
    DefineMulti(52, "cal_YB", BitRange(148, 160), 8191, 0);
}

}  // namespace kalidor
