// The JTAG side of every device type: the register program each type name creates and where it
// keeps a design, and the simulated chip of each type with the IDCODE it answers.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "device/DeviceKind.h"
#include "jtag/JtagClock.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/VirtualJtagDevice.h"

namespace kalidor {
namespace {

std::string IdcodeText(std::uint32_t idcode)
{
    std::string text(32, '0');
    for (int i = 0; i < 32; ++i)
        if (idcode & (1u << i)) text[31 - i] = '1';
    return text;
}

// The register that holds the rest of a design beside register 0, and its length: ZelB's DAC
// code (8 bits), ZelC's signature (16 bits); ZelA has none, and ZelD/ZelE keep a second
// configuration instead.
TEST(DeviceKinds, RegisterProgramsKnowWhereADesignLives)
{
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        auto program = CreateRegProgram(kind);
        ASSERT_TRUE(program);
        EXPECT_EQ(program->GetDeviceTypeName(), DeviceKindName(kind));
        const DeviceFamily family = FamilyOf(kind);
        EXPECT_EQ(program->HasTwoConfigurations(), family == DeviceFamily::ZelD);
        const int second = program->SecondDesignRegister();
        switch (family) {
        case DeviceFamily::ZelB:
            EXPECT_EQ(second, 2);
            EXPECT_EQ(program->GetRegLength(second), 8);
            break;
        case DeviceFamily::ZelC:
            EXPECT_EQ(second, 5);
            EXPECT_EQ(program->GetRegLength(second), 16);
            break;
        default:
            EXPECT_EQ(second, -1);
        }
        // The name and the kind create the same program.
        auto byName = CreateRegProgram(std::string(DeviceKindName(kind)));
        ASSERT_TRUE(byName);
        EXPECT_EQ(typeid(*byName), typeid(*program));
    }
    EXPECT_EQ(CreateRegProgram(std::string("zeld")), nullptr);
}

// Each simulated chip answers with the IDCODE that reads back as its own type, with the
// instruction register length of its type.
TEST(DeviceKinds, VirtualChipsIdentifyAsTheirType)
{
    CVirtualJtagClock clock;
    std::vector<std::string> decoded;
    for (DeviceKind kind : kDeviceKinds) {
        SCOPED_TRACE(DeviceKindName(kind));
        CVirtualZelDevice chip(kind, clock);
        EXPECT_EQ(chip.Kind(), kind);
        EXPECT_EQ(chip.TypeName(), DeviceKindName(kind));
        EXPECT_EQ(chip.IrLength(), TraitsOf(kind).irLength);
        const CIdcodeFields f = DecodeIdcode(IdcodeText(chip.Idcode()));
        EXPECT_EQ(f.makerName, kIdcodeOwnMakerName);
        EXPECT_EQ(f.deviceType, DeviceKindName(kind));
        decoded.push_back(f.deviceType);
        auto byName = CVirtualZelDevice::Create(DeviceKindName(kind), clock);
        ASSERT_TRUE(byName);
        EXPECT_EQ(byName->Idcode(), chip.Idcode());
    }
    EXPECT_EQ(decoded, (std::vector<std::string>{"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}));
    EXPECT_EQ(CVirtualZelDevice::Create("ZelF", clock), nullptr);
}

TEST(DeviceKinds, CableDescriptionsNameTypesInAnyCase)
{
    std::vector<VirtualChainItem> items;
    std::string error;
    ASSERT_TRUE(ParseVirtualChain("virtual:zela, ZELC ,ZelE,foreign:8", items, error)) << error;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].type, "ZelA");
    EXPECT_EQ(items[0].irLength, 5);
    EXPECT_EQ(items[1].type, "ZelC");
    EXPECT_EQ(items[1].irLength, 6);
    EXPECT_EQ(items[2].type, "ZelE");
    EXPECT_EQ(items[3].type, "foreign");
    EXPECT_FALSE(ParseVirtualChain("virtual:ZelF", items, error));
    EXPECT_EQ(error, "Unknown device \"ZelF\" in the virtual cable description (use ZelA to ZelE or foreign:N).");
}

}  // namespace
}  // namespace kalidor
