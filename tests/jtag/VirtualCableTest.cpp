#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "JtagTestSupport.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Prompter.h"

namespace kalidor {
namespace {

using test::RecordingPort;

// Drives a port clock by clock, as a debug tool would, without the interpreter.
struct Driver {
    CJTAGTapPort& port;
    int Clock(int tms, int tdi = 0)
    {
        port.SetTDIValue(tdi);
        port.ClockStep(CStateTransition{TAP_ANY, TAP_ANY, tms});
        return port.GetTDOValue();
    }
    void Tms(const char* levels)
    {
        for (const char* c = levels; *c; ++c) Clock(*c == '1');
    }
    // From IDLE: shifts `n` bits of `in` (bit 0 first) through the IR or DR, back to IDLE; returns
    // the bits read from TDO (bit 0 first).
    std::string Scan(bool ir, const std::string& in)
    {
        Tms(ir ? "1100" : "100");  // SELECT_DR [SELECT_IR] CAPTURE SHIFT
        std::string out;
        for (std::size_t i = 0; i < in.size(); ++i)
            out += Clock(i + 1 == in.size() ? 1 : 0, in[i] == '1') ? '1' : '0';
        Tms("10");  // UPDATE, IDLE
        return out;
    }
    void ResetToIdle() { Tms("111110"); }
};

std::string Lsb(std::uint32_t v, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += ((v >> i) & 1u) ? '1' : '0';
    return s;
}

// --- chain descriptions ---------------------------------------------------------------------

TEST(VirtualChainTest, ParsesDevicesFromTdiToTdo)
{
    std::vector<VirtualChainItem> items;
    std::string error;
    ASSERT_TRUE(ParseVirtualChain("virtual:ZelA,foreign:8,ZelC", items, error)) << error;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].type, "ZelA");
    EXPECT_EQ(items[0].irLength, 5);
    EXPECT_EQ(items[1].type, "foreign");
    EXPECT_EQ(items[1].irLength, 8);
    EXPECT_EQ(items[2].type, "ZelC");
    EXPECT_EQ(items[2].irLength, 6);

    ASSERT_TRUE(ParseVirtualChain(" Virtual: zele , FOREIGN: 3 ", items, error)) << error;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].type, "ZelE");
    EXPECT_EQ(items[1].irLength, 3);
}

TEST(VirtualChainTest, RejectsBadDescriptionsWithAMessage)
{
    std::vector<VirtualChainItem> items;
    std::string error;
    for (const char* bad : {"ZelA", "virtual:", "virtual:ZelF", "virtual:ZelA,,ZelB", "virtual:foreign:0",
                            "virtual:foreign:65", "virtual:foreign:x", "virtual:foreign:", "virtual:ZelA,"}) {
        EXPECT_FALSE(ParseVirtualChain(bad, items, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_TRUE(items.empty()) << bad;
    }
    std::string many = "virtual:ZelA";
    for (int i = 0; i < kMaxVirtualDevices; ++i) many += ",foreign:2";
    EXPECT_FALSE(ParseVirtualChain(many, items, error));
    EXPECT_EQ(CreateVirtualTapPort("virtual:Zel", {}, &error), nullptr);
    EXPECT_NE(error.find("\"Zel\""), std::string::npos);
}

TEST(VirtualChainTest, PortNameSaysVirtual)
{
    auto port = CreateVirtualTapPort("virtual:ZelA,foreign:8,ZelC", {});
    ASSERT_TRUE(port);
    EXPECT_EQ(port->GetName(), "Virtual cable (simulated devices: ZelA, Foreign(8), ZelC)");
}

// --- port registers and cable checks ----------------------------------------------------------

TEST(VirtualCableTest, LinesSitOnTheirRegisterBits)
{
    CVirtualCable cable;
    cable.AddDevice(CVirtualZelDevice::Create("ZelA", cable.Clock()));
    cable.WriteData(kDataCableDrive);
    EXPECT_EQ(cable.ReadStatus() & (kStatusCableSense | kStatusPowerSense), kStatusCableSense | kStatusPowerSense);
    cable.WriteData(0);
    EXPECT_EQ(cable.ReadStatus() & kStatusCableSense, 0);
    // TMS high on five rising TCK edges: nothing else than bit 1 clocks.
    for (int i = 0; i < 5; ++i) {
        cable.WriteData(kDataTMS | kDataTDI | kDataAux3 | kDataAux4);
        cable.WriteData(kDataTMS | kDataTDI | kDataAux3 | kDataAux4 | kDataTCK);
    }
    EXPECT_EQ(cable.TckCycles(), 5u);
    EXPECT_EQ(cable.Device(0)->State(), TAP_RESET);
    cable.WriteData(kDataTCK);  // TCK stays high: no edge
    cable.WriteData(0);
    cable.WriteData(kDataTCK);  // rising with TMS 0: Run-Test/Idle
    EXPECT_EQ(cable.Device(0)->State(), TAP_IDLE);
}

TEST(VirtualCableTest, CheckCableReportsEachFault)
{
    auto port = CreateVirtualTapPort("virtual:ZelA", {});
    EXPECT_EQ(port->CheckCable(), kCableReady);

    port->Cable().SetPowered(false);
    EXPECT_EQ(port->CheckCable(), kCableNoPower);
    port->SetPowerCheck(0);
    EXPECT_EQ(port->CheckCable(), kCableReady);
    port->SetPowerCheck(1);
    port->Cable().SetPowered(true);

    // A detached cable leaves the sense input floating high: the second read fails.
    port->Cable().SetAttached(false);
    EXPECT_EQ(port->CablePresent(), 0);
    EXPECT_EQ(port->CheckCable(), kCableNotAttached);
    port->SetCableCheck(0);
    EXPECT_EQ(port->CheckCable(), kCableReady);
}

TEST(VirtualCableTest, SetPortKeepsExplicitAddressesOnlyForOtherNumbers)
{
    RecordingPort port;
    port.SetPort(3, 0x3F8, 0x3F9);
    EXPECT_EQ(port.GetDataPort(), 0x3F8);
    EXPECT_EQ(port.GetStatusPort(), 0x3F9);
    port.SetPort(5, 0, 0);
    EXPECT_EQ(port.GetDataPort(), 0);
    EXPECT_EQ(port.GetStatusPort(), 0);
    EXPECT_EQ(port.GetPortNumber(), 5);
    port.SetPort(2, 0x123, 0x456);
    EXPECT_EQ(port.GetDataPort(), 0x278);
    EXPECT_EQ(port.GetStatusPort(), 0x279);
    port.SetPort(0, 0, 0);
    EXPECT_EQ(port.GetDataPort(), 0x3BC);
    EXPECT_EQ(port.GetStatusPort(), 0x3BD);
}

TEST(VirtualCableTest, ClockStepIsThreeWritesWithTdoReadBeforeTheRisingEdge)
{
    RecordingPort port;
    port.tdo = 1;
    port.SetTDIValue(1);
    port.ClockStep(CStateTransition{TAP_ANY, TAP_ANY, 1});
    EXPECT_EQ(port.writes, 3);
    EXPECT_EQ(port.GetTDOValue(), 1);
    ASSERT_EQ(port.clocks.size(), 1u);
    EXPECT_EQ(port.clocks[0], std::make_pair(1, 1));
    EXPECT_EQ(port.GetDataByte() & kDataTCK, 0);
}

TEST(VirtualCableTest, ToggleLineRestoresTheDataByte)
{
    RecordingPort port;
    port.SetTMS(1);
    port.SetTDI(1);
    port.WritePort();
    port.ToggleLine(kLineTCK, 4, 0);
    EXPECT_EQ(port.clocks.size(), 4u);
    EXPECT_EQ(port.GetDataByte(), kDataTMS | kDataTDI);
}

TEST(VirtualCableTest, PortRuntestIsAnErrorOnPlainPorts)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    RecordingPort port;
    EXPECT_EQ(port.SupportsRUNTEST(1), 0);
    port.ExecuteRUNTEST(80);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Internal Software Error: Attempt to execute CJTAGTapPort::ExecuteRUNTEST...Programming failed!");
}

// --- devices ----------------------------------------------------------------------------------

TEST(VirtualDeviceTest, IdcodeIsSelectedByResetForEveryFamily)
{
    const struct {
        const char* type;
        std::uint32_t idcode;
    } cases[] = {{"ZelA", 0x00100043u}, {"ZelB", 0x00111043u}, {"ZelC", 0x00130043u},
                 {"ZelD", 0x00120043u}, {"ZelE", 0x00121043u}};
    for (const auto& c : cases) {
        auto port = CreateVirtualTapPort(std::string("virtual:") + c.type, {});
        Driver d{*port};
        d.ResetToIdle();
        EXPECT_EQ(d.Scan(false, std::string(32, '0')), Lsb(c.idcode, 32)) << c.type;
    }
}

TEST(VirtualDeviceTest, InstructionCaptureIsZeroOneAndBypassIsOneBit)
{
    auto port = CreateVirtualTapPort("virtual:ZelC", {});
    Driver d{*port};
    d.ResetToIdle();
    EXPECT_EQ(d.Scan(true, "111111"), "100000");  // capture 01 (bit 0 = 1); BYPASS loaded
    EXPECT_EQ(port->Cable().Device(0)->Instruction(), 0x3Fu);
    // BYPASS: one bit of delay, captured as 0.
    EXPECT_EQ(d.Scan(false, "1011"), "0101");
}

TEST(VirtualDeviceTest, ChainWithForeignDevicesInBypass)
{
    auto port = CreateVirtualTapPort("virtual:ZelA,foreign:8,ZelC", {});
    Driver d{*port};
    d.ResetToIdle();
    // Instruction registers, TDO side first: ZelC (6), foreign (8), ZelA (5), each capturing 01.
    // Shift BYPASS into ZelC and the foreign device, IDCODE into ZelA (shifted last).
    const std::string in = Lsb(0x3F, 6) + Lsb(0xFF, 8) + Lsb(0x0D, 5);
    EXPECT_EQ(d.Scan(true, in), "100000" "10000000" "10000");
    EXPECT_EQ(port->Cable().Device(0)->Instruction(), 0x0Du);
    EXPECT_EQ(port->Cable().Device(1)->Instruction(), 0xFFu);
    EXPECT_EQ(port->Cable().Device(2)->Instruction(), 0x3Fu);
    // Data: two bypass bits (0) before ZelA's IDCODE.
    EXPECT_EQ(d.Scan(false, std::string(34, '1')), "00" + Lsb(0x00100043u, 32));
}

TEST(VirtualDeviceTest, ForeignDeviceAlwaysBypasses)
{
    CVirtualForeignDevice dev(8);
    EXPECT_EQ(dev.Idcode(), 0u);
    EXPECT_EQ(dev.TypeName(), "Foreign(8)");
    EXPECT_EQ(dev.Instruction(), 0xFFu);
}

TEST(VirtualDeviceTest, TdoFaultsAndPowerLoss)
{
    auto port = CreateVirtualTapPort("virtual:ZelB", {});
    CVirtualCable& cable = port->Cable();
    Driver d{*port};
    d.ResetToIdle();
    cable.SetTdoStuck(0);
    EXPECT_EQ(d.Scan(false, std::string(32, '0')), std::string(32, '0'));
    cable.SetTdoStuck(1);
    EXPECT_EQ(d.Scan(false, std::string(32, '0')), std::string(32, '1'));
    cable.SetTdoStuck(-1);
    EXPECT_EQ(d.Scan(false, std::string(32, '0')), Lsb(0x00111043u, 32));

    cable.FlipBitInNextScan(3);
    std::string flipped = Lsb(0x00111043u, 32);
    flipped[3] = flipped[3] == '1' ? '0' : '1';
    EXPECT_EQ(d.Scan(false, std::string(32, '0')), flipped);
    EXPECT_FALSE(cable.FlipPending());
    EXPECT_EQ(d.Scan(false, std::string(32, '0')), Lsb(0x00111043u, 32));

    // Power loss: TDO low, the chain ignores clocks, power returns in Test-Logic-Reset.
    d.Scan(true, Lsb(0x1F, 5));
    cable.SetPowered(false);
    EXPECT_EQ(d.Scan(false, std::string(32, '1')), std::string(32, '0'));
    cable.SetPowered(true);
    EXPECT_EQ(cable.Device(0)->State(), TAP_RESET);
    EXPECT_EQ(cable.Device(0)->Instruction(), 0x0Du);

    // Detached: the chain sees nothing, TDO floats high.
    cable.SetAttached(false);
    const auto cycles = cable.TckCycles();
    EXPECT_EQ(d.Scan(false, std::string(8, '0')), std::string(8, '1'));
    EXPECT_EQ(cable.TckCycles(), cycles);
}

TEST(VirtualDeviceTest, StateFileKeepsTheCellsAndIgnoresForeignOrDamagedFiles)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kalidor-vdev-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "a.state").string();
    std::filesystem::remove(file);

    CVirtualJtagClock clock;
    CJtagBits usr = CJtagBits::FromHex("1FFFFFFFFFFFFFFFFFFFFFFFFFF0", 109);
    {
        CVirtualZelDevice dev(DeviceKind::ZelA, clock);
        EXPECT_TRUE(dev.AttachStateFile(file));  // no file yet
        ASSERT_TRUE(dev.SetE2("USR", usr));
        dev.SetSecured(true);
    }
    {
        CVirtualZelDevice dev(DeviceKind::ZelA, clock);
        EXPECT_TRUE(dev.AttachStateFile(file));
        CJtagBits back;
        ASSERT_TRUE(dev.GetE2("USR", back));
        EXPECT_EQ(back, usr);
        EXPECT_TRUE(dev.IsSecured());
    }
    {
        CVirtualZelDevice dev(DeviceKind::ZelB, clock);  // another type at that position
        EXPECT_FALSE(dev.AttachStateFile(file));
        CJtagBits back;
        ASSERT_TRUE(dev.GetE2("USR", back));
        EXPECT_EQ(back.ToBitText(), std::string(81, '0'));
        EXPECT_FALSE(dev.IsSecured());
    }
    const std::string damaged = (dir / "d.state").string();
    for (const char* text : {"garbage", "KalidorVirtualJtagDevice 1\nType ZelA\nE2 USR 0101\n",
                             "KalidorVirtualJtagDevice 1\nType ZelA\nE2 CAL 0\n"}) {
        std::ofstream(damaged, std::ios::binary) << text;
        CVirtualZelDevice dev(DeviceKind::ZelA, clock);
        EXPECT_FALSE(dev.AttachStateFile(damaged)) << text;
        CJtagBits back;
        dev.GetE2("USR", back);
        EXPECT_EQ(back.ToBitText(), std::string(109, '0'));
    }
    std::filesystem::remove_all(dir);
}

TEST(VirtualChainTest, FaultsFollowTheDevices)
{
    std::vector<VirtualChainItem> items;
    std::string error;
    ASSERT_TRUE(ParseVirtualChain("virtual:ZelA,foreign:8?tdo=1&flip=9:3&secured=0", items, error)) << error;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].irLength, 8);
    VirtualCableFaults f;
    ASSERT_TRUE(ParseVirtualCableFaults("virtual:ZelA?tdo=1&flip=9:3&secured=0&detached&nopower", f, error));
    EXPECT_EQ(f.tdoStuck, 1);
    EXPECT_EQ(f.flipScan, 9);
    EXPECT_EQ(f.flipBit, 3);
    EXPECT_EQ(f.securedAt, std::vector<int>{0});
    EXPECT_FALSE(f.securedAll);
    EXPECT_TRUE(f.detached);
    EXPECT_TRUE(f.noPower);
    ASSERT_TRUE(ParseVirtualCableFaults("virtual:ZelA", f, error));
    EXPECT_EQ(f.tdoStuck, -1);
    EXPECT_EQ(f.flipScan, 0);
    for (const char* bad : {"virtual:ZelA?tdo=2", "virtual:ZelA?flip=0", "virtual:ZelA?flip=x", "virtual:ZelA?stuck",
                            "virtual:ZelA?detached=1", "virtual:ZelA?secured=99", "virtual:ZelA?", "virtual:ZelA?tdo=1&"}) {
        EXPECT_FALSE(ParseVirtualChain(bad, items, error)) << bad;
        EXPECT_NE(error.find(kVirtualFaultHelp), std::string::npos) << bad;
    }
    // Numbers of any length are refused without overflowing.
    for (const char* bad : {"virtual:foreign:99999999999", "virtual:foreign:0", "virtual:ZelA?flip=99999999999999"})
        EXPECT_FALSE(ParseVirtualChain(bad, items, error)) << bad;
}

TEST(VirtualCableTest, FaultsOfTheDescriptionAreInjected)
{
    auto faulty = [](const char* description) {
        auto port = CreateVirtualTapPort(description, {});
        EXPECT_NE(port, nullptr) << description;
        return port;
    };
    EXPECT_FALSE(faulty("virtual:ZelA?detached")->Cable().Attached());
    EXPECT_FALSE(faulty("virtual:ZelA?nopower")->Cable().Powered());
    auto stuck = faulty("virtual:ZelB?tdo=0");
    Driver d{*stuck};
    d.ResetToIdle();
    EXPECT_EQ(d.Scan(false, std::string(32, '1')), std::string(32, '0'));
    auto secured = faulty("virtual:ZelA,ZelC?secured=1");
    EXPECT_FALSE(secured->Cable().ZelDevice(0)->IsSecured());
    EXPECT_TRUE(secured->Cable().ZelDevice(1)->IsSecured());
    EXPECT_TRUE(faulty("virtual:ZelA,ZelC?secured")->Cable().ZelDevice(0)->IsSecured());

    // The second data scan since the cable was made has its bit 2 inverted, once.
    auto flip = faulty("virtual:ZelB?flip=2:2");
    Driver f{*flip};
    f.ResetToIdle();
    const std::string idcode = Lsb(0x00111043u, 32);
    std::string flipped = idcode;
    flipped[2] = flipped[2] == '1' ? '0' : '1';
    EXPECT_EQ(f.Scan(false, std::string(32, '0')), idcode);
    EXPECT_EQ(flip->Cable().DataScans(), 1u);
    EXPECT_EQ(f.Scan(false, std::string(32, '0')), flipped);
    EXPECT_EQ(f.Scan(false, std::string(32, '0')), idcode);
    EXPECT_FALSE(flip->Cable().FlipPending());
}

// A state file that cannot be used is never taken for an erased device: the cable is refused with
// the reason. A secured-for-one-run fault is not written into the file.
TEST(VirtualCableTest, UnusableStateFilesRefuseTheCable)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kalidor-vstate-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path state = dir / "virtual-0-ZelA.state";
    std::string error;
    CVirtualCable cable;

    std::filesystem::create_directories(state);  // a folder in its place
    EXPECT_FALSE(cable.BuildChain("virtual:ZelA", dir.string(), error));
    EXPECT_NE(error.find(state.string()), std::string::npos) << error;
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    std::filesystem::remove(state);

    std::ofstream(state, std::ios::binary) << std::string(70000, '0');  // larger than any state
    EXPECT_FALSE(cable.BuildChain("virtual:ZelA", dir.string(), error));
    EXPECT_NE(error.find("larger than 64 KB"), std::string::npos) << error;

    std::ofstream(state, std::ios::binary | std::ios::trunc) << "KalidorVirtualJtagDevice 1\nType ZelA\nE2 USR 01\n";
    EXPECT_FALSE(cable.BuildChain("virtual:ZelA", dir.string(), error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(cable.DeviceCount(), 0u);

    std::filesystem::remove(state);
    ASSERT_TRUE(cable.BuildChain("virtual:ZelA?secured", dir.string(), error)) << error;
    EXPECT_TRUE(cable.ZelDevice(0)->IsSecured());
    ASSERT_TRUE(cable.ZelDevice(0)->SaveState());
    CVirtualCable next;
    ASSERT_TRUE(next.BuildChain("virtual:ZelA", dir.string(), error)) << error;
    EXPECT_FALSE(next.ZelDevice(0)->IsSecured());
    std::filesystem::remove_all(dir);
}

TEST(VirtualDeviceTest, RegisterNamesPerFamily)
{
    CVirtualJtagClock clock;
    CJtagBits b;
    CVirtualZelDevice c(DeviceKind::ZelC, clock);
    EXPECT_TRUE(c.GetE2("CFG", b));
    EXPECT_EQ(b.Count(), 112);
    EXPECT_TRUE(c.GetE2("UES", b));
    EXPECT_EQ(b.Count(), 16);
    EXPECT_FALSE(c.GetE2("CAL", b));  // no cells of its own
    EXPECT_TRUE(c.GetBuffer("CAL", b));
    EXPECT_EQ(b.Count(), 26);
    EXPECT_FALSE(c.GetE2("USR", b));
    EXPECT_FALSE(c.SetE2("CFG", CJtagBits(111)));
    CVirtualZelDevice d(DeviceKind::ZelD, clock);
    EXPECT_TRUE(d.GetE2("USRB", b));
    EXPECT_EQ(b.Count(), 96);
    EXPECT_EQ(CVirtualZelDevice::Create("ZelF", clock), nullptr);
}

// --- speed ------------------------------------------------------------------------------------

TEST(VirtualCableSpeedTest, AtLeastTwoMillionClocksPerSecond)
{
    auto port = CreateVirtualTapPort("virtual:ZelA,foreign:8,ZelC,ZelD", {});
    Driver d{*port};
    d.ResetToIdle();
    d.Tms("100");  // SHIFT_DR through all devices
    constexpr int kClocks = 2'000'000;
    const CStateTransition step{TAP_ANY, TAP_ANY, 0};
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kClocks; ++i) {
        port->SetTDIValue(i & 1);
        port->ClockStep(step);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = kClocks / seconds;
    std::printf("virtual cable: %.1f million TCK cycles per second\n", rate / 1e6);
    EXPECT_EQ(port->Cable().TckCycles(), static_cast<std::uint64_t>(kClocks) + 9u);
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
    EXPECT_GE(rate, 2e6);
#endif
}

}  // namespace
}  // namespace kalidor
