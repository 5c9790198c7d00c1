// Scanning a chain on the virtual cable: the IDCODEs (or a single 0 for devices without one), the
// total instruction register length, and the IR lengths of foreign devices where they follow.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "jtag/JtagChainScan.h"
#include "jtag/JtagCable.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/VirtualCable.h"

using namespace kalidor;

namespace {

std::unique_ptr<CJtagCable> Cable(const std::string& chain)
{
    std::string error;
    std::unique_ptr<CJtagCable> cable = CreateCable(chain, "", &error);
    EXPECT_TRUE(cable && cable->Open()) << error;
    return cable;
}

CChainScanResult Scan(const std::string& chain)
{
    return ScanChain(*Cable(chain));
}

TEST(ChainScan, FindsTheExampleChain)
{
    const CChainScanResult r = Scan("virtual:ZelA,foreign:8,ZelC");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.devices.size(), 3u);
    EXPECT_EQ(r.totalIrLength, 19);
    EXPECT_EQ(r.devices[0].deviceType, "ZelA");
    EXPECT_EQ(r.devices[0].irLength, 5);
    EXPECT_EQ(FormatIdcode(r.devices[0].idcode), "0x00100043");
    EXPECT_EQ(r.devices[1].deviceType, "");
    EXPECT_EQ(r.devices[1].idcode, 0u);
    EXPECT_EQ(r.devices[1].irLength, 8);  // what the two Zel devices leave
    EXPECT_EQ(r.devices[2].deviceType, "ZelC");
    EXPECT_EQ(r.devices[2].irLength, 6);
    EXPECT_TRUE(r.Complete());
}

TEST(ChainScan, ForeignDevicesWithAndWithoutIdcode)
{
    const CChainScanResult r = Scan("virtual:foreign:4:0x0BA00477,ZelD,foreign:7,ZelE");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.devices.size(), 4u);
    EXPECT_EQ(r.devices[0].idcode, 0x0BA00477u);
    EXPECT_EQ(r.devices[0].deviceType, "");
    EXPECT_EQ(r.devices[1].deviceType, "ZelD");
    EXPECT_EQ(r.devices[3].deviceType, "ZelE");
    EXPECT_EQ(r.totalIrLength, 21);
    // Two foreign devices: told apart by their capture patterns.
    EXPECT_EQ(r.devices[0].irLength, 4);
    EXPECT_EQ(r.devices[2].irLength, 7);
    // A scan leaves the devices in Test-Logic-Reset, so that a second one reads the same.
    std::unique_ptr<CJtagCable> cable = Cable("virtual:ZelB,foreign:3");
    const CChainScanResult first = ScanChain(*cable);
    const CChainScanResult second = ScanChain(*cable);
    ASSERT_TRUE(first.ok && second.ok);
    EXPECT_EQ(first.devices.size(), 2u);
    EXPECT_EQ(second.devices[0].idcode, first.devices[0].idcode);
    EXPECT_EQ(second.totalIrLength, 8);
}

TEST(ChainScan, AmbiguousSplitsAreLeftOpen)
{
    // Two unknown devices in 8 captured bits that start a device every second bit: 2+6, 4+4, 6+2.
    std::vector<CScannedDevice> devices(2);
    const std::vector<std::uint8_t> captured = {1, 0, 1, 0, 1, 0, 1, 0};
    EXPECT_FALSE(DeriveIrLengths(devices, captured));
    EXPECT_EQ(devices[0].irLength, 0);
    EXPECT_EQ(devices[1].irLength, 0);
    // With the device nearest TDO (the last) known to have 4 bits, the other has the rest.
    devices[1].irLength = 4;
    EXPECT_TRUE(DeriveIrLengths(devices, captured));
    EXPECT_EQ(devices[0].irLength, 4);
    // A single capture pattern for two devices cannot be split at all.
    std::vector<CScannedDevice> two(2);
    EXPECT_FALSE(DeriveIrLengths(two, {1, 0, 0, 0, 0, 0}));
}

TEST(ChainScan, ForeignIdcodeInTheDescription)
{
    std::vector<VirtualChainItem> items;
    std::string error;
    ASSERT_TRUE(ParseVirtualChain("virtual:foreign:8:0x0BA00477,ZelA", items, error)) << error;
    EXPECT_EQ(items[0].idcode, 0x0BA00477u);
    EXPECT_EQ(items[0].irLength, 8);
    EXPECT_EQ(items[1].idcode, 0u);
    for (const char* bad : {"virtual:foreign:8:0x0BA00476", "virtual:foreign:8:zz", "virtual:foreign:8:0x",
                            "virtual:foreign:8:0x123456789", "virtual:foreign:8:0xFFFFFFFF"}) {
        EXPECT_FALSE(ParseVirtualChain(bad, items, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
