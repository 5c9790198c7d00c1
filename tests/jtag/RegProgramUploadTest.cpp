#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "RegProgramTestUtil.h"

using namespace kalidor;
using namespace kalidor::test;

namespace {

struct Mapping {
    const char* type;
    int reg;
    int first;
    int count;
    bool byIndex;
};

void PrintTo(const Mapping& m, std::ostream* os)
{
    *os << m.type << " register " << m.reg << " -> cells " << m.first << ".." << m.first + m.count - 1;
}

// The registers whose read-back maps onto cells, with the cells they cover.
const Mapping kMappings[] = {
    {"ZelA", 0, 0, 109, false},   {"ZelA", 4, 0, 109, false},   {"ZelA", 2, 109, 52, false},
    {"ZelA", 3, 161, 18, false},  {"ZelA", 5, 161, 18, false},
    {"ZelB", 0, 0, 81, false},    {"ZelB", 5, 0, 81, false},    {"ZelB", 2, 81, 8, false},
    {"ZelB", 3, 89, 26, false},   {"ZelB", 4, 115, 50, false},  {"ZelB", 6, 115, 50, false},
    {"ZelC", 0, 0, 112, true},    {"ZelC", 2, 72, 40, false},   {"ZelC", 5, 112, 16, false},
    {"ZelC", 10, 128, 16, false}, {"ZelC", 11, 128, 16, false}, {"ZelC", 13, 144, 26, false},
    {"ZelD", 0, 0, 96, false},    {"ZelD", 5, 0, 96, false},    {"ZelD", 2, 71, 96, false},
    {"ZelD", 3, 167, 13, false},  {"ZelD", 4, 180, 24, false},  {"ZelD", 6, 180, 24, false},
    {"ZelE", 2, 71, 96, false},
};

// A pattern of cell values that is not periodic in 4 or 8.
int Pattern(int c) { return ((c * 5 + c / 3) % 7) < 3 ? 1 : 0; }

std::vector<int> Snapshot(DeviceConfig& d)
{
    std::vector<int> v;
    for (int c = 0; c < d.GetCellCount(); ++c) v.push_back(d.E2_GetValue(c));
    return v;
}

}  // namespace

class RegProgramUploadTest : public ::testing::TestWithParam<Mapping> {};

INSTANTIATE_TEST_SUITE_P(Registers, RegProgramUploadTest, ::testing::ValuesIn(kMappings),
                         [](const ::testing::TestParamInfo<Mapping>& info) {
                             return std::string(info.param.type) + "_register" +
                                    std::to_string(info.param.reg);
                         });

TEST_P(RegProgramUploadTest, VerifyComparesTheReadBackWithTheCells)
{
    const Mapping m = GetParam();
    Bench b(m.type);
    for (int c = m.first; c < m.first + m.count; ++c) b.device->E2_SetValue(c, Pattern(c));
    const std::string text = b.ExpectedBitText(m.first, m.count, m.byIndex);
    ASSERT_EQ(static_cast<int>(text.size()), m.count);
    EXPECT_EQ(b.program->CompareRegWithBits(m.reg, text), 1);
    // One bit different, anywhere, makes the verify fail.
    for (int i : {0, m.count / 2, m.count - 1}) {
        std::string t = text;
        t[static_cast<std::size_t>(i)] = t[static_cast<std::size_t>(i)] == '0' ? '1' : '0';
        EXPECT_EQ(b.program->CompareRegWithBits(m.reg, t), 0) << i;
    }
    // A read-back of another length never compares equal.
    EXPECT_EQ(b.program->CompareRegWithBits(m.reg, text.substr(1)), 0);
    EXPECT_EQ(b.program->CompareRegWithBits(m.reg, "0" + text), 0);
}

TEST_P(RegProgramUploadTest, UploadWritesTheReadBackIntoTheRegisterCellsOnly)
{
    const Mapping m = GetParam();
    Bench b(m.type);
    for (int c = m.first; c < m.first + m.count; ++c) b.device->E2_SetValue(c, Pattern(c));
    const std::string text = b.ExpectedBitText(m.first, m.count, m.byIndex);
    const std::vector<int> wanted = Snapshot(*b.device);
    // Clear the register's cells, then upload the read-back: the cells come back.
    for (int c = m.first; c < m.first + m.count; ++c) b.device->E2_SetValue(c, 1 - Pattern(c));
    EXPECT_EQ(b.program->SetRegFromBits(m.reg, text), 1);
    EXPECT_EQ(Snapshot(*b.device), wanted);
    EXPECT_EQ(b.program->ReadBits().ToBitText(), text);
}

TEST(RegProgramUpload, ShortReadBackLeavesUnreachedCellsUnchanged)
{
    Bench b("ZelA");
    b.Fill(161, 18, 0);
    // Four characters reach bits 0..3 of MAN only.
    EXPECT_EQ(b.program->SetRegFromBits(3, "1111"), 1);
    for (int c = 161; c < 179; ++c) {
        const int bit = b.device->GetCellBit(c);
        EXPECT_EQ(b.device->E2_GetValue(c), bit < 4 ? 1 : 0) << c;
    }
}

TEST(RegProgramUpload, UnmappedNumbersChangeNothing)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD"}) {
        Bench b(type);
        const std::vector<int> before = Snapshot(*b.device);
        const std::string ones(200, '1');
        for (int reg : {-5, -4, 1, 7, 8, 9, 12, 14, 99}) {
            EXPECT_EQ(b.program->SetRegFromBits(reg, ones), 0) << type << reg;
            EXPECT_EQ(b.program->CompareRegWithBits(reg, ""), 0) << type << reg;
        }
        EXPECT_EQ(Snapshot(*b.device), before) << type;
    }
}

TEST(RegProgramUpload, WithoutDeviceNothingHappens)
{
    auto p = CreateRegProgram("ZelB");
    EXPECT_EQ(p->SetRegFromBits(0, "0101"), 0);
    EXPECT_EQ(p->CompareRegWithBits(0, "0101"), 0);
    std::string s;
    p->CreateWriteSVF(0, s);  // images of an absent model are all 0
    EXPECT_NE(s.find("SDR 81 TDI (000000000000000000000);"), std::string::npos);
}

TEST(RegProgramFactory, ChoosesTheFamilyByTypeName)
{
    EXPECT_EQ(CreateRegProgram("ZelA")->GetRegLength(-5), 109);
    EXPECT_EQ(CreateRegProgram("ZelB")->GetRegLength(-5), 89);
    EXPECT_EQ(CreateRegProgram("ZelC")->GetRegLength(-5), 128);
    EXPECT_EQ(CreateRegProgram("ZelD")->GetRegLength(-5), 167);
    EXPECT_EQ(CreateRegProgram("ZelE")->GetDeviceTypeName(), "ZelE");
    EXPECT_EQ(CreateRegProgram("zela"), nullptr);
    EXPECT_EQ(CreateRegProgram(""), nullptr);
    auto p = CreateRegProgram("ZelA");
    EXPECT_EQ(p->GetInlineVerify(), 1);
    EXPECT_EQ(p->GetIdcodeCheck(), 1);
    EXPECT_EQ(p->GetMode(), 0);
}

TEST(RegProgramBase, DefaultsOfTheBaseClass)
{
    CJtagRegProgram base;
    std::string name;
    EXPECT_EQ(base.GetRegName(0, name), -1000);
    EXPECT_EQ(name, "-undefined-not-derived-");
    EXPECT_EQ(base.GetRegLength(0), -1000);
    EXPECT_EQ(base.GetRegCount(), 0);
    EXPECT_EQ(base.GetFamilyConstant(), 0);
    EXPECT_EQ(base.GetFrameFlags(0), -1);
    EXPECT_EQ(base.GetRegFlag(0), 65535);
    std::string s;
    base.CreateWriteSVF(0, s);
    EXPECT_EQ(s, "TRST ON;\nTRST OFF;\n");
    // Without a buffer the reset appends nowhere and does no harm.
    CJtagRegProgram fresh;
    fresh.CreateResetSVF();
}
