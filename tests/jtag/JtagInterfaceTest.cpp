// The application's programming interface: the "JtagConfig" settings of KALIDOR.INI, the start
// sequence that makes the interpreter and the port from them, the restart rule for a changed
// interface, the options of the JTAG options dialog and the
// texts the JTAG dialogs show.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "JtagTestSupport.h"
#include "device/DeviceConfig.h"
#include "jtag/JtagInterface.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/JtagUiModel.h"
#include "jtag/TapPortFactory.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/VirtualCable.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor::test {
namespace {

namespace fs = std::filesystem;

fs::path TempDir(const std::string& name)
{
    const fs::path p = fs::temp_directory_path() / ("kalidor-jtagif-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

void Put(MemorySettings& s, const char* entry, const std::string& value)
{
    s.SetString(kJtagConfigSection, entry, value);
}

std::string Get(const Settings& s, const char* entry)
{
    return s.GetString(kJtagConfigSection, entry, "<missing>");
}

// A document's JTAG objects on the application's interpreter.
struct Design : DesignRig {
    Design(const std::string& type, CJtagInterface& iface)
        : DesignRig(type, iface.Interpreter(), [&iface] { return iface.InterfaceChanged(); })
    {
    }
};

// ---------------------------------------------------------------------------------------------
// Settings

TEST(JtagInterfaceSettings, DefaultsOfAnEmptyProfile)
{
    MemorySettings s;
    const CJtagInterfaceSettings r = CJtagInterfaceSettings::Read(s);
    EXPECT_EQ(r.interpreterId, 0);
    EXPECT_EQ(r.tapPortClass, kTapPortPpdev);
    EXPECT_EQ(r.portId, 1);
    EXPECT_EQ(r.ppdevDevice, "/dev/parport0");
    EXPECT_EQ(r.virtualChain, "virtual:ZelA");
    EXPECT_EQ(r.PortSpec(), "ppdev:/dev/parport0");
}

TEST(JtagInterfaceSettings, OutOfRangeAndMalformedEntriesTakeSafeValues)
{
    MemorySettings s;
    Put(s, kEntryInterpreterId, "9");
    Put(s, kEntryTapPortClass, "-1");
    Put(s, kEntryPortId, "5");  // SetPort(5, 0, 0) would put the port at address 0
    Put(s, kEntryPpdevDevice, std::string(kMaxPortTextLength + 1, 'x'));
    Put(s, kEntryVirtualChain, "ZelA");  // not a virtual chain description
    CJtagInterfaceSettings r = CJtagInterfaceSettings::Read(s);
    EXPECT_EQ(r.interpreterId, 0);
    EXPECT_EQ(r.tapPortClass, kTapPortPpdev);
    EXPECT_EQ(r.portId, 1);
    EXPECT_EQ(r.ppdevDevice, kDefaultPpdevDevice);
    EXPECT_EQ(r.virtualChain, kDefaultVirtualChain);

    Put(s, kEntryInterpreterId, "3");
    Put(s, kEntryTapPortClass, "abc");
    Put(s, kEntryPortId, "0");
    Put(s, kEntryPpdevDevice, "  /dev/parport2 ");
    Put(s, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
    r = CJtagInterfaceSettings::Read(s);
    EXPECT_EQ(r.interpreterId, 3);
    EXPECT_EQ(r.tapPortClass, kTapPortPpdev);
    EXPECT_EQ(r.portId, 0);
    EXPECT_EQ(r.ppdevDevice, "/dev/parport2");
    EXPECT_EQ(r.virtualChain, "virtual:ZelA,foreign:8,ZelC");
}

TEST(JtagInterfaceSettings, PortSpecsAreTheOnesThePortFactoryKnows)
{
    CJtagInterfaceSettings s;
    s.tapPortClass = kTapPortDirect;
    const int data[3] = {0x3BC, 0x378, 0x278};
    for (int id = 0; id < 3; ++id) {
        s.portId = id;
        int number = -1, dataPort = 0, statusPort = 0;
        ASSERT_TRUE(TapPortAddress(s.PortSpec(), number, dataPort, statusPort)) << s.PortSpec();
        EXPECT_EQ(number, id);
        EXPECT_EQ(dataPort, data[id]);
        EXPECT_EQ(statusPort, data[id] + 1);
    }
    s.tapPortClass = kTapPortVirtual;
    s.virtualChain = "virtual:ZelB,ZelD";
    EXPECT_EQ(s.PortSpec(), "virtual:ZelB,ZelD");
    std::string error;
    EXPECT_NE(CreateTapPort(s.PortSpec(), "", &error), nullptr) << error;
}

TEST(JtagInterfaceSettings, WritingThePortLeavesTheInterpreterAlone)
{
    MemorySettings s;
    Put(s, kEntryInterpreterId, "2");
    CJtagInterfaceSettings c;
    c.interpreterId = 0;
    c.tapPortClass = kTapPortVirtual;
    c.portId = 2;
    c.virtualChain = "virtual:ZelC";
    c.WritePort(s);
    EXPECT_EQ(Get(s, kEntryInterpreterId), "2");
    EXPECT_EQ(Get(s, kEntryTapPortClass), "2");
    EXPECT_EQ(Get(s, kEntryPortId), "2");
    EXPECT_EQ(Get(s, kEntryVirtualChain), "virtual:ZelC");
    EXPECT_EQ(Get(s, kEntryPpdevDevice), "/dev/parport0");
}

TEST(JtagInterfaceSettings, InterpreterNamesById)
{
    EXPECT_STREQ(InterpreterName(0), "Uses PC Parallel Port (at port 3BC, 378, or 278)");
    EXPECT_STREQ(InterpreterName(1), "Windows 95 using Win16 DDE Server");
    EXPECT_STREQ(InterpreterName(2), "Windows NT using Win32 DDE Server");
    EXPECT_STREQ(InterpreterName(3), "Win-OS/2 using OS/2 DDE Server");
    EXPECT_STREQ(InterpreterName(4), "Unknown");
    EXPECT_STREQ(InterpreterName(-1), "Unknown");
    EXPECT_STREQ(kInterpreterChoices[0], "Uses PC Parallel Port (at port 3BC, 378, or 278)");
    EXPECT_STREQ(kInterpreterChoices[1], "Serial port (not available)");
    EXPECT_STREQ(kInterpreterChoices[2], "USB port (not available)");
    EXPECT_STREQ(kInterpreterChoices[3], "External SVF server (svfsvr, on the download cable below)");
}

// ---------------------------------------------------------------------------------------------
// Start

TEST(JtagInterfaceStart, MakesTheVirtualCableOfTheProfileAndClearsTheChangedMark)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryInterpreterWasChanged, "1");
    Put(s, kEntryTapPortClass, "2");
    Put(s, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC");
    Put(s, kEntryPortId, "2");
    CJtagInterface iface;
    iface.Start(s, "");
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "0");
    EXPECT_FALSE(iface.InterfaceChanged());
    ASSERT_NE(iface.Port(), nullptr);
    ASSERT_NE(iface.Interpreter(), nullptr);
    EXPECT_TRUE(iface.PortOpen());
    EXPECT_EQ(iface.PortProblem(), "");
    EXPECT_EQ(iface.Interpreter()->GetInterpreterID(), 0);
    EXPECT_NE(dynamic_cast<CTapSvfInterpreter*>(iface.Interpreter()), nullptr);
    EXPECT_EQ(iface.Interpreter()->GetOption(), 0);
    // The port is virtual and named so; PortID chose its address after the interpreter attached.
    auto* port = dynamic_cast<CVirtualTapPort*>(iface.Port());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->Cable().DeviceCount(), 3u);
    EXPECT_EQ(iface.PortName().rfind(kVirtualPortNamePrefix, 0), 0u) << iface.PortName();
    EXPECT_EQ(port->GetPortNumber(), 2);
    EXPECT_EQ(port->GetDataPort(), 0x278);
    EXPECT_EQ(iface.Interpreter()->CheckCable(), kCableReady);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(JtagInterfaceStart, AMissingCableDriverIsToldAtTheFirstProgrammingNotAtStart)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryTapPortClass, "1");
    Put(s, kEntryPpdevDevice, "/dev/kalidor-no-such-parport");
    CJtagInterface iface;
    iface.Start(s, "");
    EXPECT_TRUE(prompter.messages.empty());
    ASSERT_NE(iface.Port(), nullptr);
    EXPECT_FALSE(iface.PortOpen());
    EXPECT_NE(iface.PortProblem().find("/dev/kalidor-no-such-parport"), std::string::npos) << iface.PortProblem();
    EXPECT_FALSE(iface.EnsurePortReady());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].text.find("/dev/kalidor-no-such-parport"), std::string::npos);
}

TEST(JtagInterfaceStart, ABadVirtualChainLeavesNoPortAndProgrammingIsRefusedWithTheReason)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    Put(s, kEntryVirtualChain, "virtual:ZelA,ZelQ");
    CJtagInterface iface;
    iface.Start(s, "");
    EXPECT_EQ(iface.Port(), nullptr);
    ASSERT_NE(iface.Interpreter(), nullptr);
    EXPECT_EQ(iface.Interpreter()->CheckCable(), kCableNotAttached);
    EXPECT_NE(iface.PortProblem().find("ZelQ"), std::string::npos);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(iface.EnsurePortReady());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text.rfind("The download cable could not be set up:\n", 0), 0u);
    EXPECT_NE(prompter.messages[0].text.find("ZelQ"), std::string::npos);
    EXPECT_EQ(iface.PortName(), "none");
}

TEST(JtagInterfaceStart, WritesTheProfileFile)
{
    const fs::path dir = TempDir("profile");
    const std::string path = (dir / "sub" / kJtagProfileFile).string();
    {
        std::ofstream(dir / "seed.ini") << "";
    }
    IniFileSettings s(path);
    s.SetInt(kJtagConfigSection, kEntryInterpreterWasChanged, 1);
    s.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
    CJtagInterface iface;
    iface.Start(s, "");
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[JtagConfig]\r\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("SVFInterpreterWasChanged=0\r\n"), std::string::npos) << text.str();
    fs::remove_all(dir);
}

TEST(JtagInterfaceStart, VirtualDevicesKeepTheirCellsBetweenStarts)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    const fs::path dir = TempDir("state");
    const std::string stateDir = (dir / "VirtualJtag").string();
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    Put(s, kEntryVirtualChain, "virtual:ZelB");
    {
        CJtagInterface iface;
        iface.Start(s, stateDir);
        Design d("ZelB", iface);
        d.device->SetSymValue(0, 1);
        ASSERT_TRUE(iface.EnsurePortReady());
        ASSERT_EQ(d.scripted->DocDownload(), kJtagDone);
    }
    EXPECT_TRUE(fs::exists(stateDir));
    {
        CJtagInterface iface;
        iface.Start(s, stateDir);
        Design d("ZelB", iface);
        d.device->SetSymValue(0, 1);
        prompter.Clear();
        EXPECT_EQ(d.scripted->DocVerify(), kJtagVerifyEqual);
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    }
    fs::remove_all(dir);
}

TEST(JtagInterfaceStart, ChainCountsOfADesignOnAVirtualChain)
{
    CJtagChainCounts c;
    ASSERT_TRUE(VirtualChainCountsFor("virtual:ZelA,foreign:8,ZelC", "ZelA", c));
    EXPECT_EQ(c.tir, 0);
    EXPECT_EQ(c.tdr, 0);
    EXPECT_EQ(c.hir, 14);
    EXPECT_EQ(c.hdr, 2);
    ASSERT_TRUE(VirtualChainCountsFor("virtual:ZelA,foreign:8,ZelC", "ZelC", c));
    EXPECT_EQ(c.tir, 13);
    EXPECT_EQ(c.tdr, 2);
    EXPECT_EQ(c.hir, 0);
    EXPECT_EQ(c.hdr, 0);
    // The first device of the type is the one programmed.
    ASSERT_TRUE(VirtualChainCountsFor("virtual:ZelB,ZelB", "ZelB", c));
    EXPECT_EQ(c.hir, 5);
    EXPECT_EQ(c.tir, 0);
    c.hir = 9;
    EXPECT_FALSE(VirtualChainCountsFor("virtual:ZelA", "ZelD", c));
    EXPECT_EQ(c.hir, 0);
    EXPECT_FALSE(VirtualChainCountsFor("virtual:ZelQ", "ZelA", c));

    // A design programmed with those counts reaches its device and leaves the others alone.
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    Put(s, kEntryVirtualChain, "virtual:ZelA,foreign:8,ZelC,ZelD");
    CJtagInterface iface;
    iface.Start(s, "");
    Design d("ZelC", iface);
    ASSERT_TRUE(VirtualChainCountsFor(iface.Running().virtualChain, "ZelC", c));
    d.host.counts = c;
    EXPECT_EQ(d.scripted->Download(), kJtagDone);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    auto* cable = &static_cast<CVirtualTapPort*>(iface.Port())->Cable();
    EXPECT_EQ(cable->ZelDevice(0)->AbortedOperations(), 0);
}

// ---------------------------------------------------------------------------------------------
// The restart rule

TEST(JtagInterfaceRestart, AnotherInterpreterDisablesProgrammingUntilRestart)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    CJtagInterface iface;
    iface.Start(s, "");
    Design d("ZelA", iface);

    EXPECT_TRUE(iface.SelectInterpreter(s, 1));
    EXPECT_TRUE(iface.InterfaceChanged());
    EXPECT_EQ(Get(s, kEntryInterpreterId), "1");
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "1");
    // The running interpreter is still the built-in one.
    EXPECT_EQ(iface.Interpreter()->GetInterpreterID(), 0);

    EXPECT_EQ(d.scripted->DocDownload(), kJtagNotReady);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Note: All JTAG programming is disabled because a new SVF Interpreter has been requested.  You must "
              "restart Kalidor to enable JTAG programming using the new interpreter.");
    EXPECT_EQ(d.jtag.LinesSent(), 0);

    // Choosing it again changes nothing more.
    EXPECT_FALSE(iface.SelectInterpreter(s, 1));
    EXPECT_TRUE(iface.InterfaceChanged());

    // Back to what runs: programming works again, nothing waits for a restart.
    EXPECT_FALSE(iface.SelectInterpreter(s, 0));
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "0");
    prompter.Clear();
    EXPECT_EQ(d.scripted->DocDownload(), kJtagDone);

    // A restart makes the stored choice the running one.
    EXPECT_TRUE(iface.SelectInterpreter(s, 2));
    iface.Start(s, "");
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_EQ(iface.Interpreter()->GetInterpreterID(), 2);
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "0");
}

TEST(JtagInterfaceRestart, AnIdOutsideTheListIsStoredAsTheBuiltInInterpreter)
{
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    CJtagInterface iface;
    iface.Start(s, "");
    EXPECT_FALSE(iface.SelectInterpreter(s, 7));
    EXPECT_EQ(Get(s, kEntryInterpreterId), "0");
    EXPECT_FALSE(iface.InterfaceChanged());
}

TEST(JtagInterfaceRestart, AnotherCableIsUsedAtOnceAndOnlyTheInterpreterWaitsForRestart)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    const fs::path dir = TempDir("replace");
    const std::string stateDir = (dir / "VirtualJtag").string();
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    Put(s, kEntryVirtualChain, "virtual:ZelA");
    CJtagInterface iface;
    iface.Start(s, stateDir);
    CJtagInterfaceSettings c = iface.Running();

    // The same port at another address: in use now, nothing waits.
    c.portId = 0;
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kAppliedNow);
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_EQ(iface.Port()->GetPortNumber(), 0);
    EXPECT_EQ(iface.Port()->GetDataPort(), 0x3BC);
    EXPECT_EQ(Get(s, kEntryPortId), "0");
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kNone);

    // The checks the user turned off stay off on the cables that follow.
    iface.Cable()->SetPowerCheck(0);

    // A ZelC design has no device on the running cable: its download stops at the IDCODE check.
    Design d("ZelC", iface);
    EXPECT_EQ(d.scripted->DocDownload(), kJtagIdcodeMismatch);

    // Another chain on the virtual cable replaces the cable at once; the interpreter drives it.
    c.virtualChain = "virtual:ZelC";
    EXPECT_EQ(iface.PortName().find("ZelC"), std::string::npos);
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kCableReplaced);
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_EQ(Get(s, kEntryVirtualChain), "virtual:ZelC");
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "0");
    EXPECT_EQ(iface.Running().virtualChain, "virtual:ZelC");
    ASSERT_NE(iface.Cable(), nullptr);
    EXPECT_NE(iface.PortName().find("ZelC"), std::string::npos) << iface.PortName();
    EXPECT_TRUE(iface.PortOpen());
    EXPECT_EQ(iface.PortProblem(), "");
    EXPECT_EQ(iface.Cable()->GetPowerCheck(), 0);
    EXPECT_EQ(iface.Cable()->GetCableCheck(), 1);
    EXPECT_EQ(iface.Port()->GetPortNumber(), 0);
    auto* tap = dynamic_cast<CTapSvfInterpreter*>(iface.Interpreter());
    ASSERT_NE(tap, nullptr);
    EXPECT_EQ(tap->Port(), iface.Cable());
    prompter.Clear();
    EXPECT_EQ(d.scripted->DocDownload(), kJtagDone);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});

    // A parallel-port driver whose device is missing: in use, not open, and the reason is kept
    // for the dialog; programming tells it and is refused.
    c.tapPortClass = kTapPortPpdev;
    c.ppdevDevice = "/dev/kalidor-no-such-parport";
    prompter.Clear();
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kCableReplaced);
    EXPECT_EQ(Get(s, kEntryTapPortClass), "1");
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_FALSE(iface.PortOpen());
    EXPECT_NE(iface.PortProblem().find("/dev/kalidor-no-such-parport"), std::string::npos) << iface.PortProblem();
    EXPECT_NE(iface.PortName().find("/dev/kalidor-no-such-parport"), std::string::npos) << iface.PortName();
    EXPECT_FALSE(iface.EnsurePortReady());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, iface.PortProblem());

    // While an operation runs, a new cable waits for the next start and programming is refused.
    c = iface.Running();
    c.tapPortClass = kTapPortVirtual;
    c.virtualChain = "virtual:ZelA";
    EXPECT_EQ(iface.SelectPort(s, c, false), CPortChange::kStored);
    EXPECT_TRUE(iface.InterfaceChanged());
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "1");
    EXPECT_EQ(iface.Running().tapPortClass, kTapPortPpdev);
    // Back to the running cable: allowed again.
    c = iface.Running();
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kStoredRunning);
    EXPECT_FALSE(iface.InterfaceChanged());
    EXPECT_EQ(Get(s, kEntryInterpreterWasChanged), "0");

    // A changed interpreter keeps programming disabled whatever the cable.
    EXPECT_TRUE(iface.SelectInterpreter(s, 3));
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kNone);
    EXPECT_TRUE(iface.InterfaceChanged());
    c.tapPortClass = kTapPortVirtual;
    EXPECT_EQ(iface.SelectPort(s, c), CPortChange::kCableReplaced);
    EXPECT_TRUE(iface.InterfaceChanged());
    fs::remove_all(dir);
}

// ---------------------------------------------------------------------------------------------
// Options and dialog texts

TEST(JtagOptions, TheFiveValuesGoWhereTheyBelong)
{
    auto device = CreateDeviceConfig("ZelC");
    auto program = CreateRegProgram("ZelC");
    program->SetDevice(device.get());
    CJtagDevice jtag;
    CJtagScriptedDevice scripted(jtag, *device, *program);
    auto port = CreateVirtualTapPort("virtual:ZelC", "");
    CJtagOptions o = CJtagOptions::From(port.get(), scripted, *program);
    EXPECT_EQ(o, CJtagOptions{});

    const CJtagOptions cases[] = {{0, 1, 1, 1, 1, 0}, {1, 0, 1, 1, 1, 0}, {1, 1, 0, 1, 1, 0},
                                  {1, 1, 1, 0, 1, 0}, {1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 0, 0}};
    for (const CJtagOptions& c : cases) {
        c.ApplyTo(port.get(), scripted, *program);
        EXPECT_EQ(CJtagOptions::From(port.get(), scripted, *program), c);
    }
    EXPECT_EQ(port->GetCableCheck(), 1);
    EXPECT_EQ(program->GetInlineVerify(), 0);
    EXPECT_EQ(jtag.GetTraceOn(), 0);

    // Without a port the checks read as on and applying them changes nothing else.
    CJtagOptions off{0, 0, 0, 0, 0};
    off.ApplyTo(nullptr, scripted, *program);
    const CJtagOptions read = CJtagOptions::From(nullptr, scripted, *program);
    EXPECT_EQ(read.cableCheck, 1);
    EXPECT_EQ(read.powerCheck, 1);
    EXPECT_EQ(read.verifyAfterDownload, 0);
    EXPECT_EQ(read.idcodeCheck, 0);
}

TEST(JtagOptions, ACableCheckSwitchedOffLetsAMissingCableThroughToTheIdcodeCheck)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    MemorySettings s;
    Put(s, kEntryTapPortClass, "2");
    CJtagInterface iface;
    iface.Start(s, "");
    Design d("ZelA", iface);
    static_cast<CVirtualTapPort*>(iface.Port())->Cable().SetAttached(false);
    EXPECT_EQ(d.scripted->DocDownload(), kJtagNotReady);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kMsgCableNotAttached});
    prompter.Clear();
    CJtagOptions o = CJtagOptions::From(iface.Port(), *d.scripted, *d.program);
    o.cableCheck = 0;
    o.ApplyTo(iface.Port(), *d.scripted, *d.program);
    EXPECT_EQ(d.scripted->DocDownload(), kJtagIdcodeMismatch);
}

TEST(JtagDialogTexts, IdcodeFieldsOfOurOwnAndOfOtherDevices)
{
    const CIdcodeDisplay a = IdcodeDisplay(DecodeIdcode("0001" "0000000100000000" "00000100001" "1"));
    EXPECT_EQ(a.undecoded, "00010000000100000000000001000011");
    EXPECT_EQ(a.manufacturer, "Norvane Dividaduzudav  (00000100001)");
    EXPECT_EQ(a.partNumber, "ZelA  (0000000100000000)");
    EXPECT_EQ(a.version, "1  (0001)");

    const CIdcodeDisplay f = IdcodeDisplay(DecodeIdcode("1010" "0000000100000000" "00000000111" "1"));
    EXPECT_EQ(f.manufacturer, "Unknown  (00000000111)");
    EXPECT_EQ(f.partNumber, "Unknown  (0000000100000000)");
    EXPECT_EQ(f.version, "10  (1010)");

    const CIdcodeDisplay none = IdcodeDisplay(DecodeIdcode(""));
    EXPECT_EQ(none.undecoded, "");
    EXPECT_EQ(none.manufacturer, "Unknown");
    EXPECT_EQ(none.partNumber, "Unknown");
    EXPECT_EQ(none.version, "Unknown");
}

TEST(JtagDialogTexts, RegisterListOfEveryFamily)
{
    for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
        auto program = CreateRegProgram(type);
        const std::vector<CJtagRegisterEntry> list = JtagRegisterList(*program);
        ASSERT_EQ(static_cast<int>(list.size()), program->GetRegCount()) << type;
        ASSERT_FALSE(list.empty()) << type;
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].number, static_cast<int>(i));
            EXPECT_FALSE(list[i].name.empty()) << type << " " << i;
            EXPECT_EQ(list[i].Label().rfind(std::to_string(i) + "  " + list[i].name, 0), 0u) << list[i].Label();
        }
    }
    CJtagRegisterEntry e{0, "USR", 109};
    EXPECT_EQ(e.Label(), "0  USR  (109 bits)");
    e.length = 0;
    EXPECT_EQ(e.Label(), "0  USR");
}

TEST(JtagDialogTexts, RegisterResultLines)
{
    using Op = CRegisterOperation;
    EXPECT_EQ(RegisterResultText(Op::Verify, "USR", kJtagVerifyEqual), "USR: device equals schematic.");
    EXPECT_EQ(RegisterResultText(Op::Verify, "USR", kJtagVerifyDiffers), "USR: device differs from schematic.");
    EXPECT_EQ(RegisterResultText(Op::Verify, "USR", kJtagAllOnes), "USR: read returned all ones.");
    EXPECT_EQ(RegisterResultText(Op::Write, "DAC", kJtagDone), "DAC written.");
    EXPECT_EQ(RegisterResultText(Op::Write, "DAC", kJtagVerifyDiffers),
              "DAC written; the check after programming failed.");
    EXPECT_EQ(RegisterResultText(Op::Upload, "UES", kJtagRunStopped), "UES: the operation was not carried out.");
    EXPECT_EQ(ProgressLabel("Download", "ZelA"), "Downloading the ZelA design to the device...");
    EXPECT_EQ(ProgressLabel("IDCODE", "ZelC"), "Reading the IDCODE...");
}

}  // namespace
}  // namespace kalidor::test
