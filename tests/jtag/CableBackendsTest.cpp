// The table of cable back ends: the settings and the factory read the same records, so a choice
// stored in KALIDOR.INI reads back as itself, its cable text names its own back end, and the
// factory makes that back end's cable from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "jtag/JtagInterface.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/CableBackends.h"
#include "platform/Settings.h"

namespace kalidor {
namespace {

// A usable setting of each back end other than its default.
std::string OtherValue(const CCableBackend& b)
{
    switch (b.tapPortClass) {
    case kTapPortDirect: return "2";
    case kTapPortPpdev: return "/dev/parport3";
    case kTapPortVirtual: return "virtual:ZelC,foreign:4,ZelB";
    case kTapPortFtdi: return "ftdi:jtagkey,freq=3M";
    case kTapPortVirtualFtdi: return "virtual:ZelC,foreign:4,ZelB";
    default: return {};
    }
}

TEST(CableBackendsTest, RecordsAreDistinctAndComplete)
{
    std::set<std::string> ids, entries;
    std::set<int> classes, rows;
    for (const CCableBackend& b : CableBackends()) {
        EXPECT_TRUE(ids.insert(b.id).second) << b.id;
        EXPECT_TRUE(classes.insert(b.tapPortClass).second) << b.id;
        EXPECT_TRUE(entries.insert(b.entry).second) << b.id;
        EXPECT_TRUE(rows.insert(b.dialogRow).second) << b.id;
        EXPECT_EQ(FindCableBackend(b.tapPortClass), &b);
        ASSERT_TRUE(b.create && b.get && b.set && b.text) << b.id;
        EXPECT_NE(OtherValue(b), "") << "a back end this test does not know: " << b.id;
        EXPECT_NE(OtherValue(b), b.defaultValue) << b.id;
        if (b.kind == CCableSettingKind::Choice) {
            EXPECT_FALSE(b.choices.empty()) << b.id;
        }
    }
    EXPECT_EQ(FindCableBackend(-1), nullptr);
    EXPECT_EQ(FindCableBackend(99), nullptr);
    // The entries are those of the profile section.
    EXPECT_EQ(entries, (std::set<std::string>{kEntryPortId, kEntryPpdevDevice, kEntryVirtualChain, kEntryFtdiCable,
                                              kEntryVirtualFtdiChain}));
    EXPECT_EQ(CableUsage(), "direct, direct:ADDR, ppdev, ppdev:/dev/parportN, virtual:DEVICES, "
                            "ftdi[:PRESET][,KEY=VALUE...] or virtual-ftdi:DEVICES");
}

TEST(CableBackendsTest, CableTextsNameTheirBackEnd)
{
    const struct {
        const char* text;
        int tapPortClass;  // -1: none
    } cases[] = {
        {"direct", kTapPortDirect},   {"direct:0x278", kTapPortDirect},  {"DIRECT:278h", kTapPortDirect},
        {"ppdev", kTapPortPpdev},     {"ppdev:/dev/parport1", kTapPortPpdev},
        {"virtual:ZelA", kTapPortVirtual}, {"Virtual:zela", kTapPortVirtual},
        {"directx", -1},              {"ppdevice", -1}, {"usb", -1}, {"", -1}, {":ZelA", -1},
    };
    for (const auto& c : cases) {
        const CCableBackend* b = CableBackendOf(c.text);
        EXPECT_EQ(b ? b->tapPortClass : -1, c.tapPortClass) << c.text;
    }
    // A direct address in capitals is still the address asked for.
    int number = 0, data = 0, status = 0;
    ASSERT_TRUE(TapPortAddress("DIRECT:278h", number, data, status));
    EXPECT_EQ(number, 2);
    EXPECT_EQ(data, 0x278);
}

TEST(CableBackendsTest, SettingsAndFactoryAgreeForEveryBackEnd)
{
    for (const CCableBackend& b : CableBackends()) {
        SCOPED_TRACE(b.id);
        MemorySettings profile;
        CJtagInterfaceSettings choice;
        choice.tapPortClass = b.tapPortClass;
        b.set(choice, OtherValue(b));
        choice.WritePort(profile);
        EXPECT_EQ(profile.GetString(kJtagConfigSection, b.entry, ""), OtherValue(b));
        EXPECT_EQ(profile.GetInt(kJtagConfigSection, kEntryTapPortClass, -1), b.tapPortClass);

        const CJtagInterfaceSettings read = CJtagInterfaceSettings::Read(profile);
        EXPECT_EQ(read, choice);
        EXPECT_EQ(b.get(read), OtherValue(b));
        // The cable text names this back end and the factory makes its cable.
        const std::string text = read.PortSpec();
        EXPECT_EQ(text, b.text(OtherValue(b)));
        EXPECT_EQ(CableBackendOf(text), &b) << text;
        std::string error;
        const auto cable = CreateCable(text, "", &error);
        ASSERT_NE(cable, nullptr) << error;
        EXPECT_EQ(error, "");
        if (b.tapPortClass == kTapPortDirect) {
            EXPECT_EQ(cable->GetName(), b.name);
        } else {
            // Names that tell the setting carry it.
            const char* setting = b.tapPortClass == kTapPortPpdev  ? "/dev/parport3"
                                  : b.tapPortClass == kTapPortFtdi ? "(jtagkey, 0403:cff8 channel A)"
                                                                   : "ZelC, Foreign(4), ZelB";
            EXPECT_NE(cable->GetName().find(setting), std::string::npos)
                << cable->GetName();
        }

        // The default reads back for a setting the back end cannot use; a back end whose setting
        // only tunes the running cable stays the same cable when it changes.
        profile.SetString(kJtagConfigSection, b.entry, "\n");
        EXPECT_EQ(b.get(CJtagInterfaceSettings::Read(profile)), b.defaultValue);
        CJtagInterfaceSettings other = read;
        b.set(other, b.defaultValue);
        EXPECT_EQ(read.SamePort(other), b.tunesRunningCable);
        // Another back end is another cable.
        for (const CCableBackend& o : CableBackends()) {
            if (&o == &b) continue;
            other = read;
            other.tapPortClass = o.tapPortClass;
            EXPECT_FALSE(read.SamePort(other)) << o.id;
        }
    }
}

TEST(CableBackendsTest, BadTextsAreToldByTheirBackEnd)
{
    std::string error;
    EXPECT_EQ(CreateCable("virtual:ZelA,ZelQ", "", &error), nullptr);
    EXPECT_NE(error.find("ZelQ"), std::string::npos) << error;
    EXPECT_EQ(CreateCable("direct:xyz", "", &error), nullptr);
    EXPECT_EQ(error, "Bad parallel port address \"xyz\" (use a hexadecimal address such as 0x378).");
    EXPECT_EQ(CreateCable("ppdev:", "", &error), nullptr);
    EXPECT_EQ(error, "Unknown JTAG port \"ppdev:\" (use direct, direct:ADDR, ppdev, ppdev:/dev/parportN, "
                     "virtual:DEVICES, ftdi[:PRESET][,KEY=VALUE...] or virtual-ftdi:DEVICES).");
    EXPECT_EQ(CreateCable("ftdi:jtagkey,freq=0", "", &error), nullptr);
    EXPECT_EQ(error, "Bad USB cable setting \"freq=0\".");
    // The parallel-port factory makes the parallel ports and refuses the USB cables.
    for (const CCableBackend& b : CableBackends()) {
        auto port = CreateTapPort(b.text(b.defaultValue), "", &error);
        if (b.tapPortClass == kTapPortFtdi || b.tapPortClass == kTapPortVirtualFtdi) {
            EXPECT_EQ(port, nullptr) << b.id;
            EXPECT_NE(error.find("is not a parallel port."), std::string::npos) << error;
            continue;
        }
        ASSERT_NE(port, nullptr) << b.id << ": " << error;
        EXPECT_EQ(port->ParallelPort(), port.get());
    }
}

TEST(CableBackendsTest, VirtualCableMakesItsStateFolder)
{
    const std::string dir = ::testing::TempDir() + "/kalidor-cable-state/a/b";
    std::error_code ec;
    std::filesystem::remove_all(::testing::TempDir() + "/kalidor-cable-state", ec);
    std::string error;
    ASSERT_NE(CreateCable("virtual:ZelA", dir, &error), nullptr) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    // A folder that cannot be made keeps the cells in memory.
    EXPECT_NE(CreateCable("virtual:ZelA", "/proc/kalidor-no-such-folder", &error), nullptr) << error;
    // A bad chain makes no folder.
    std::filesystem::remove_all(dir, ec);
    EXPECT_EQ(CreateCable("virtual:ZelQ", dir, &error), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
}  // namespace kalidor
