#include <gtest/gtest.h>

#include "device/DeviceConfig.h"
#include "jtag/E2CellRows.h"
#include "jtag/JtagRegProgram.h"

using namespace kalidor;

TEST(E2CellRows, OneRowPerCellInPositionOrder)
{
    for (const char* type : kDeviceTypeNames) {
        auto device = CreateDeviceConfig(type);
        auto program = CreateRegProgram(type);
        ASSERT_TRUE(device && program) << type;
        program->SetDevice(device.get());
        const auto rows = E2CellRows(*device, *program);
        ASSERT_EQ(static_cast<int>(rows.size()), device->GetCellCount()) << type;
        for (int i = 0; i < device->GetCellCount(); ++i) {
            const std::string want = std::to_string(i) + "\t" + program->RegName(device->GetCellReg(i)) + "_" +
                                     device->GetCellName(i) + "\t" + std::to_string(device->E2_GetValue(i));
            ASSERT_EQ(rows[static_cast<std::size_t>(i)], want) << type << " position " << i;
        }
    }
}

TEST(E2CellRows, FollowsTheCellValueAndRefusesBadPositions)
{
    auto device = CreateDeviceConfig("ZelA");
    auto program = CreateRegProgram("ZelA");
    program->SetDevice(device.get());
    EXPECT_EQ(device->GetCellName(5), "gain_1_XT_b4");
    const std::string before = E2CellRowText(*device, *program, 5);
    EXPECT_EQ(before.substr(0, 2), "5\t");
    EXPECT_EQ(before.substr(before.size() - 15), "_gain_1_XT_b4\t0");
    device->E2_SetValue(5, 1);
    const std::string after = E2CellRowText(*device, *program, 5);
    EXPECT_EQ(after.substr(after.size() - 2), "\t1");
    EXPECT_EQ(E2CellRowText(*device, *program, -1), "");
    EXPECT_EQ(E2CellRowText(*device, *program, device->GetCellCount()), "");
}
