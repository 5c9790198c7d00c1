#include <gtest/gtest.h>

#include <string>

#include "jtag/cables/DirectIoTapPort.h"
#include "jtag/cables/PpdevTapPort.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Prompter.h"

namespace kalidor {
namespace {

TEST(TapPortFactoryTest, MakesEachKind)
{
    std::string error;
    auto direct = CreateTapPort("direct", {}, &error);
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->GetName(), "No driver, direct port writes");
    auto pp = CreateTapPort("ppdev:/dev/parport1", {}, &error);
    ASSERT_TRUE(pp);
    EXPECT_EQ(pp->GetName(), "Linux parallel port driver (/dev/parport1)");
    EXPECT_EQ(CreateTapPort("ppdev", {}, &error)->GetName(), "Linux parallel port driver (/dev/parport0)");
    auto virt = CreateTapPort(" virtual:ZelB ", {}, &error);
    ASSERT_TRUE(virt);
    EXPECT_EQ(virt->GetName(), "Virtual cable (simulated devices: ZelB)");
    EXPECT_NE(virt->GetClock(), nullptr);
    EXPECT_EQ(direct->GetClock(), nullptr);

    EXPECT_EQ(CreateTapPort("usb", {}, &error), nullptr);
    EXPECT_EQ(error, "Unknown JTAG port \"usb\" (use direct, direct:ADDR, ppdev, ppdev:/dev/parportN, virtual:DEVICES, "
                     "ftdi[:PRESET][,KEY=VALUE...] or virtual-ftdi:DEVICES).");
    EXPECT_EQ(CreateTapPort("ppdev:", {}, &error), nullptr);
    EXPECT_EQ(CreateTapPort("virtual:ZelQ", {}, &error), nullptr);
    EXPECT_NE(error.find("ZelQ"), std::string::npos);
}

TEST(TapPortFactoryTest, DirectPortAddresses)
{
    int n = 0, data = 0, status = 0;
    const struct {
        const char* spec;
        int number, data, status;
    } good[] = {{"direct", 1, 0x378, 0x379},      {"direct:0x378", 1, 0x378, 0x379}, {"direct:278h", 2, 0x278, 0x279},
                {"direct:3BC", 0, 0x3BC, 0x3BD},  {"direct:0x2F8", 3, 0x2F8, 0x2F9}, {"virtual:ZelA", 1, 0x378, 0x379}};
    for (const auto& g : good) {
        ASSERT_TRUE(TapPortAddress(g.spec, n, data, status)) << g.spec;
        EXPECT_EQ(n, g.number) << g.spec;
        EXPECT_EQ(data, g.data) << g.spec;
        EXPECT_EQ(status, g.status) << g.spec;
    }
    for (const char* bad : {"direct:", "direct:0x", "direct:xyz", "direct:12345", "direct:0", "direct:FFFF"}) {
        EXPECT_FALSE(TapPortAddress(bad, n, data, status)) << bad;
        std::string error;
        EXPECT_EQ(CreateTapPort(bad, {}, &error), nullptr) << bad;
        EXPECT_NE(error.find("Bad parallel port address"), std::string::npos) << bad;
    }
    // Attaching selects port 0; applying the text afterwards selects the asked one.
    auto port = CreateTapPort("direct:0x2F8", {}, nullptr);
    ASSERT_TRUE(port);
    port->SetPort(0, 0, 0);
    ApplyTapPortAddress(*port, "direct:0x2F8");
    EXPECT_EQ(port->GetPortNumber(), 3);
    EXPECT_EQ(port->GetDataPort(), 0x2F8);
    EXPECT_EQ(port->GetStatusPort(), 0x2F9);
}

TEST(TapPortTest, MissingParallelPortDeviceIsReported)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CPpdevTapPort port("/nonexistent/parport9");
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text.rfind("Error: Parallel port device /nonexistent/parport9 does not exist (", 0),
              0u)
        << prompter.messages[0].text;
    // Unopened, the port reads nothing: the cable check fails instead of touching anything.
    EXPECT_EQ(port.CheckCable(), kCableNotAttached);
}

TEST(TapPortTest, DirectPortWithoutAccessNeverTouchesThePort)
{
    CDirectIoTapPort port;  // not opened: no ioperm, so no port instruction may run
    EXPECT_FALSE(port.HasAccess());
    port.SetPort(1, 0, 0);
    port.SetTMS(1);
    port.WritePort();
    EXPECT_EQ(port.ReadTDO(), 0);
    EXPECT_EQ(port.CheckCable(), kCableNotAttached);
    EXPECT_EQ(port.ReadStatusBit6At279(), 0);
}

TEST(TapPortTest, AuxiliaryOutputs)
{
    auto port = CreateVirtualTapPort("virtual:ZelA", {});
    port->SetAux3(1);
    EXPECT_EQ(port->GetDataByte() & 0x28, 0x28);
    port->SetAux3(0);
    EXPECT_EQ(port->GetDataByte() & 0x28, 0x20);
    port->SetAux4();
    EXPECT_EQ(port->Cable().DataByte() & kDataAux4, kDataAux4);  // written at once
    port->ClearAux4();
    EXPECT_EQ(port->Cable().DataByte() & kDataAux4, 0);
    port->SetLine(kLineTMS, 1);
    port->SetLine(kLineTDI, 1);
    port->SetLine(7, 1);  // no such line: nothing changes
    EXPECT_EQ(port->GetDataByte() & (kDataTMS | kDataTDI | kDataTCK), kDataTMS | kDataTDI);
    EXPECT_EQ(port->Cable().DataByte() & kDataTMS, 0);  // not written yet
}

}  // namespace
}  // namespace kalidor
