// The USB cable on an FTDI MPSSE chip: its cable texts and pin maps, the command bytes it writes,
// its answers to a missing, forbidden or unplugged cable (also in the middle of a batch), and what
// a download costs in transfers.
// The chip is the simulated one (SimulatedMpsse.h); the programming operations themselves run on
// it in JtagDeviceTest (the RigCable::Usb cases).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JtagTestSupport.h"
#include "device/DeviceConfig.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/CableBackends.h"
#include "jtag/cables/FtdiLink.h"
#include "jtag/cables/MpsseBackends.h"
#include "platform/Prompter.h"

namespace kalidor::test {
namespace {

CMpsseSettings Parse(const std::string& text)
{
    CMpsseSettings s;
    std::string error;
    EXPECT_TRUE(ParseMpsseSettings(text, s, error)) << text << ": " << error;
    return s;
}

std::string ParseError(const std::string& text)
{
    CMpsseSettings s;
    std::string error;
    EXPECT_FALSE(ParseMpsseSettings(text, s, error)) << text;
    return error;
}

TEST(MpsseSettings, PresetsAndSettingsFromTheCableText)
{
    const CMpsseSettings plain = Parse("ftdi");
    EXPECT_EQ(plain.preset, "ft2232h");
    EXPECT_EQ(plain.usb.vendorId, 0x0403);
    EXPECT_EQ(plain.usb.productId, 0x6010);
    EXPECT_EQ(plain.frequency, kDefaultMpsseFrequency);
    EXPECT_FALSE(plain.outputEnable.Present());

    const CMpsseSettings key = Parse("ftdi:jtagkey,serial=JK77,freq=3M,channel=b");
    EXPECT_EQ(key.usb.productId, 0xcff8);
    EXPECT_EQ(key.usb.serial, "JK77");
    EXPECT_EQ(key.usb.channel, 1);
    EXPECT_EQ(key.frequency, 3000000);
    EXPECT_EQ(key.outputEnable, (CMpsseSignal{4, true}));
    EXPECT_EQ(key.trst, (CMpsseSignal{8, true}));
    // TCK/TDI/TMS and the signals are outputs; OE asserted (low), resets not asserted (high), TMS high.
    EXPECT_EQ(key.Direction(), 0x0F1B);
    EXPECT_EQ(key.InitialLevels(), 0x0308);

    const CMpsseSettings own = Parse("ftdi,vid=0x1234,pid=0xabcd,index=2,freq=1.5M,oe=ACBUS7/high,sense=ADBUS6,trst=none");
    EXPECT_EQ(own.usb.vendorId, 0x1234);
    EXPECT_EQ(own.usb.productId, 0xabcd);
    EXPECT_EQ(own.usb.index, 2);
    EXPECT_EQ(own.frequency, 1500000);
    EXPECT_EQ(own.outputEnable, (CMpsseSignal{15, false}));
    EXPECT_EQ(own.powerSense, (CMpsseSignal{6, false}));
    EXPECT_EQ(own.Direction() & 0x0040, 0);  // the sense line is an input

    // Every preset, and settings on top of it, come back from their text.
    for (const CMpssePreset& p : MpssePresets()) {
        for (const std::string extra : {"", ",freq=500k,serial=X1,channel=C,srst=ADBUS7/high"}) {
            const CMpsseSettings s = Parse(std::string("ftdi:") + p.name + extra);
            EXPECT_EQ(Parse(MpsseSettingsText(s)), s) << MpsseSettingsText(s);
        }
    }
}

TEST(MpsseSettings, BadTextsSayWhatIsWrong)
{
    EXPECT_NE(ParseError("ftdi:nosuch").find("Unknown USB cable \"nosuch\""), std::string::npos);
    EXPECT_NE(ParseError("ftdi,speed=3").find("Unknown USB cable setting \"speed\""), std::string::npos);
    EXPECT_NE(ParseError("ftdi,freq=40M").find("Bad USB cable setting \"freq=40M\""), std::string::npos);
    ParseError("ftdi,channel=E");
    ParseError("ftdi,vid=0x10000");
    ParseError("ftdi,oe=ADBUS2");  // TDO's pin
    ParseError("ftdi,oe=ADBUS4/middle");
    EXPECT_NE(ParseError("ftdi,oe=ADBUS5,trst=ADBUS5").find("two signals"), std::string::npos);
    ParseError("ftdix");
}

TEST(MpsseSettings, TheFactoryAndTheTableKnowTheUsbCables)
{
    std::string error;
    auto cable = CreateCable("ftdi:tigard,freq=2M", "", &error);
    ASSERT_NE(cable, nullptr) << error;
    EXPECT_EQ(cable->GetName(), "USB cable FTDI MPSSE (tigard, 0403:6010 channel B)");
    EXPECT_EQ(CreateCable("ftdi:nosuch", "", &error), nullptr);
    EXPECT_NE(error.find("Unknown USB cable"), std::string::npos);
    auto sim = CreateCable("virtual-ftdi:ZelA,ZelC", "", &error);
    ASSERT_NE(sim, nullptr) << error;
    EXPECT_EQ(sim->GetName(), "Virtual USB cable (simulated FT2232H, devices: ZelA, ZelC)");
    EXPECT_EQ(CableBackendOf("ftdi,channel=B")->tapPortClass, kTapPortFtdi);
    EXPECT_EQ(CableBackendOf("virtual-ftdi:ZelA")->tapPortClass, kTapPortVirtualFtdi);
    EXPECT_EQ(CableBackendOf("virtual:ZelA")->tapPortClass, kTapPortVirtual);
    EXPECT_EQ(VirtualChainOfCable(" virtual-ftdi:ZelA,foreign:8"), "virtual:ZelA,foreign:8");
    EXPECT_EQ(VirtualChainOfCable("ftdi:jtagkey"), "");
}

TEST(MpsseSettings, DivisorGivesTheFastestClockNotAboveTheOneAskedFor)
{
    EXPECT_EQ(MpsseDivisorFor(CFtdiChip::FT2232H, 30000000), 0);
    EXPECT_EQ(MpsseDivisorFor(CFtdiChip::FT2232H, 6000000), 4);
    EXPECT_EQ(MpsseTckFrequency(CFtdiChip::FT2232H, MpsseDivisorFor(CFtdiChip::FT2232H, 1000000)), 1000000);
    EXPECT_EQ(MpsseTckFrequency(CFtdiChip::FT232H, MpsseDivisorFor(CFtdiChip::FT232H, 7000000)), 6000000);
    EXPECT_EQ(MpsseDivisorFor(CFtdiChip::FT2232D, 6000000), 0);
    EXPECT_EQ(MpsseTckFrequency(CFtdiChip::FT2232D, MpsseDivisorFor(CFtdiChip::FT2232D, 30000000)), 6000000);
    EXPECT_EQ(MpsseDivisorFor(CFtdiChip::FT2232D, 1), 0xFFFF);
}

// --- the bytes on the wire ---

struct Sim {
    explicit Sim(const std::string& chain = "virtual:ZelA", CFtdiChip chip = CFtdiChip::FT2232H,
                 const char* layout = kVirtualFtdiLayout)
        : v(CreateVirtualFtdiCable(chain, "", nullptr, chip, layout))
    {
    }
    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};
    CVirtualFtdiCable v;
};

TEST(MpsseCable, OpenSetsUpTheChipAndChecksThatItAnswers)
{
    Sim s;
    ASSERT_TRUE(s.v.cable->Open());
    EXPECT_TRUE(s.prompter.Texts().empty());
    // Divide-by-5, adaptive and three-phase clocking off, the 1 MHz divisor, pins, loopback off and
    // the echo of an unknown command.
    EXPECT_EQ(s.v.link->Divisor(), 29);
    EXPECT_FALSE(s.v.link->DivideBy5());
    EXPECT_EQ(s.v.cable->TckFrequency(), 1000000);
    EXPECT_EQ(s.v.link->Directions(), 0x001B);
    EXPECT_EQ(s.v.link->Levels(), 0x0008);  // TMS high, OE (ADBUS4, active low) asserted
    EXPECT_EQ(s.v.link->BadCommands(), std::vector<std::uint8_t>{kMpsseSyncCommand});
    EXPECT_EQ(s.v.cable->CheckCable(), kCableReady);
    s.v.link->Chain().SetPowered(false);
    EXPECT_EQ(s.v.cable->CheckCable(), kCableNoPower);
    s.v.cable->SetPowerCheck(0);
    EXPECT_EQ(s.v.cable->CheckCable(), kCableReady);

    // The full-speed chip gets none of the high-speed commands.
    Sim d("virtual:ZelA", CFtdiChip::FT2232D);
    ASSERT_TRUE(d.v.cable->Open());
    EXPECT_EQ(d.v.link->BadCommands(), std::vector<std::uint8_t>{kMpsseSyncCommand});
    EXPECT_EQ(d.v.link->Divisor(), 5);
    EXPECT_EQ(d.v.cable->TckFrequency(), 1000000);
}

TEST(MpsseCable, ShiftsAsByteBitAndTmsCommandsAndReadsTdoInOrder)
{
    Sim s;
    ASSERT_TRUE(s.v.cable->Open());
    CMpsseCable& c = *s.v.cable;
    const std::uint64_t before = s.v.link->CommandBytes();
    // Into Test-Logic-Reset (IDCODE selected) and on to SHIFT_DR, 31 bits with TMS 0, the last one
    // with TMS 1, then EXIT1_DR -> PAUSE_DR.
    std::vector<std::uint8_t> tms = {1, 1, 1, 1, 1, 0, 1, 0, 0};
    std::vector<std::uint8_t> tdi(tms.size(), 0);
    const std::size_t first = tms.size();
    for (int i = 0; i < 32; ++i) {
        tms.push_back(i == 31 ? 1 : 0);
        tdi.push_back(static_cast<std::uint8_t>(i & 1));
    }
    tms.push_back(0);
    tdi.push_back(0);
    std::vector<std::uint8_t> tdo(tms.size(), 9);
    c.Shift(tms.data(), tdi.data(), tms.size(), tdo.data());
    EXPECT_EQ(s.v.link->CommandBytes(), before);  // nothing sent before the flush
    c.Flush();
    std::uint32_t id = 0;
    for (int i = 0; i < 32; ++i) id |= static_cast<std::uint32_t>(tdo[first + static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(id, s.v.link->Chain().Device(0)->Idcode());
    for (std::uint8_t b : tdo) EXPECT_LE(b, 1);
    // TMS 1x5 + 0 1 0 0 as TMS commands, 24 bits as three bytes, 7 bits, the last bit and the
    // pause as a TMS command: 5 commands, one write and one read.
    EXPECT_EQ(c.Stats().writes, 2u);  // Open's, this flush's
    EXPECT_EQ(c.Stats().reads, 2u);
    EXPECT_EQ(s.v.link->Chain().Device(0)->State(), TAP_PAUSE_DR);
    EXPECT_LE(s.v.link->CommandBytes() - before, 24u);
}

TEST(MpsseCable, AClockWithoutTdoWantedIsOnlyWritten)
{
    Sim s;
    ASSERT_TRUE(s.v.cable->Open());
    const auto writes = s.v.cable->Stats().writes, reads = s.v.cable->Stats().reads;
    const std::uint8_t ones[5] = {1, 1, 1, 1, 1};
    s.v.cable->Shift(ones, ones, 5, nullptr);
    s.v.cable->Flush();
    EXPECT_EQ(s.v.cable->Stats().writes, writes + 1);
    EXPECT_EQ(s.v.cable->Stats().reads, reads);
}

TEST(MpsseCable, LongScansAreSplitSoTheChipNeverHoldsMoreAnswerThanItsBuffer)
{
    for (CFtdiChip chip : {CFtdiChip::FT2232H, CFtdiChip::FT2232D}) {
        Sim s("virtual:foreign:4", chip);
        ASSERT_TRUE(s.v.cable->Open());
        // SHIFT_DR through one BYPASS bit: the TDO pattern is the TDI pattern one clock later.
        std::vector<std::uint8_t> tms = {1, 1, 1, 1, 1, 0, 1, 0, 0};
        const std::size_t first = tms.size();
        const std::size_t bits = 50000;
        std::vector<std::uint8_t> tdi(tms.size(), 0);
        for (std::size_t i = 0; i < bits; ++i) {
            tms.push_back(0);
            tdi.push_back(static_cast<std::uint8_t>((i * 7 / 3) & 1));
        }
        std::vector<std::uint8_t> tdo(tms.size(), 9);
        s.v.cable->Shift(tms.data(), tdi.data(), tms.size(), tdo.data());
        s.v.cable->Flush();
        for (std::size_t i = 1; i < bits; ++i) ASSERT_EQ(tdo[first + i], tdi[first + i - 1]) << i;
        const std::size_t limit = chip == CFtdiChip::FT2232D ? 384 : 4096;
        EXPECT_GE(s.v.cable->Stats().reads, 1 + bits / 8 / limit);
        EXPECT_LE(s.v.cable->Stats().bytesRead / (s.v.cable->Stats().reads - 1), limit);
    }
}

// --- cable errors ---

TEST(MpsseCable, MissingForbiddenOrBusyCablesSayWhyAndDoNotOpen)
{
    using F = CSimulatedFtdiLink::OpenFault;
    const std::pair<F, std::string> cases[] = {
        {F::NotFound, "No USB JTAG cable (ft2232h, 0403:6010 channel A) was found."},
        {F::Access, "was found, but you may not open it (permission denied on the USB device node).\nInstall the "
                    "udev rule 60-kalidor-ftdi.rules"},
        {F::Busy, "is in use by another program or driver"},
    };
    for (const auto& [fault, text] : cases) {
        Sim s;
        s.v.link->SetOpenFault(fault);
        EXPECT_FALSE(s.v.cable->Open());
        ASSERT_EQ(s.prompter.Texts().size(), 1u);
        EXPECT_NE(s.prompter.Texts()[0].find(text), std::string::npos) << s.prompter.Texts()[0];
        EXPECT_EQ(s.v.cable->CheckCable(), kCableNotAttached);
        // A shift on a cable that is not open delivers ones and does not hang.
        std::uint8_t tms = 0, tdi = 0, tdo = 0;
        s.v.cable->Shift(&tms, &tdi, 1, &tdo);
        s.v.cable->Flush();
        EXPECT_EQ(tdo, 1);
    }
}

// The real link loads libftdi1 when it first opens a chip. This machine has no FTDI chip with this
// serial number, so the library (loaded, its functions found) must say so in its own words, not
// that it is missing.
TEST(MpsseCable, TheUsbLinkLoadsItsLibraryAndReportsAnAbsentChip)
{
    CFtdiSelector nobody;
    nobody.serial = "KALIDOR-NO-SUCH-CABLE";
    auto link = CreateUsbFtdiLink();
    std::string detail;
    EXPECT_NE(link->Open(nobody, detail), CFtdiError::None);
    EXPECT_FALSE(detail.empty());
    EXPECT_EQ(detail.find("libftdi1"), std::string::npos) << detail;
    link->Close();
}

TEST(MpsseCable, UnpluggedDuringADownloadStopsItWithOneClearMessage)
{
    for (int after : {1, 3, 10, 18}) {
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        auto device = CreateDeviceConfig("ZelD");
        auto program = CreateRegProgram("ZelD");
        program->SetDevice(device.get());
        VirtualRig rig("virtual:ZelD", {}, RigCable::Usb);
        CJtagDevice jtag;
        jtag.SetInterpreter(&rig.svf);
        jtag.SetRegProgram(program.get());
        CJtagScriptedDevice scripted(jtag, *device, *program);
        rig.usb.link->UnplugAfterWrites(after);
        const JtagResult r = scripted.Download();
        EXPECT_NE(r, kJtagDone) << after;
        const std::vector<std::string> texts = prompter.Texts();
        int lost = 0;
        for (const std::string& t : texts) {
            if (t.find("stopped answering") != std::string::npos) ++lost;
            EXPECT_NE(t, kMsgVerifySucceeded);
            EXPECT_EQ(t.find("Internal Software Error"), std::string::npos) << t;
        }
        EXPECT_EQ(lost, 1) << after;
        EXPECT_TRUE(rig.usb.cable->Failed());
        EXPECT_EQ(rig.usb.cable->CheckCable(), kCableNotAttached);
    }
}

TEST(MpsseCable, ACableLostInABatchStopsTheListAtTheFirstLineThatMayNotHaveGoneOut)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    const std::string text = Frame() + ZelAWriteUsr("0123456789ABCDEF0123456789ABC");
    // Gone before anything was sent: the list stops at its first line with clocks.
    VirtualRig first("virtual:ZelA", {}, RigCable::Usb);
    first.usb.link->UnplugAfterWrites(0);
    const SvfRunReport r1 = first.Run(text);
    ASSERT_EQ(r1.failures.size(), 1u);
    EXPECT_EQ(r1.failures[0].line, 1);
    EXPECT_EQ(r1.failures[0].result, kSvfCableLost);
    EXPECT_EQ(r1.linesExecuted, 1);
    EXPECT_TRUE(r1.stopped);
    // Gone after the batch before the first wait went out: the lines before the wait passed, the
    // wait is where the list stops.
    VirtualRig second("virtual:ZelA", {}, RigCable::Usb);
    second.usb.link->UnplugAfterWrites(1);
    const SvfRunReport r2 = second.Run(text);
    const int wait = test::LineOf(text, std::string(kWait).substr(0, std::string(kWait).size() - 1));
    ASSERT_GT(wait, 0);
    ASSERT_EQ(r2.failures.size(), 1u) << FormatSvfRunReport(r2);
    EXPECT_EQ(r2.failures[0].line, wait);
    EXPECT_EQ(r2.failures[0].result, kSvfCableLost);
    EXPECT_EQ(r2.linesExecuted, wait);
    int lost = 0;
    for (const std::string& t : prompter.Texts()) lost += t.find("stopped answering") != std::string::npos;
    EXPECT_EQ(lost, 2);  // once per cable
}

TEST(MpsseCable, PinMapsAreData_AClosedBufferPassesNoClocks)
{
    // The board's buffer needs ADBUS4 low; a cable set up without that line drives nothing.
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    CMpsseSettings missing;
    std::string error;
    ASSERT_TRUE(ParseMpsseSettings("ftdi:ft2232h", missing, error));
    CMpsseCable cable(std::make_unique<CSimulatedFtdiLink>(CFtdiChip::FT2232H, Parse(kVirtualFtdiLayout)), missing);
    ASSERT_TRUE(cable.Open());
    CTapSvfInterpreter svf;
    svf.AttachCable(&cable, 0);
    const SvfRunReport bad = ExecuteSvfText(svf, Frame() + ZelAIdcode());
    EXPECT_FALSE(bad.Succeeded());
    EXPECT_EQ(svf.IncomingDRText(), std::string(32, '1'));

    // With the line in the cable text the same program reads the IDCODE.
    VirtualRig right("virtual:ZelA", {}, RigCable::Usb);
    const SvfRunReport good = right.Run(Frame() + ZelAIdcode());
    EXPECT_TRUE(good.Succeeded()) << FormatSvfRunReport(good);
}

TEST(MpsseCable, TrstLineResetsTheTapsWhenAsserted)
{
    Sim s("virtual:ZelA", CFtdiChip::FT2232H, "ftdi:jtagkey");
    ASSERT_TRUE(s.v.cable->Open());
    const std::uint8_t tms[] = {0, 1, 0, 0};  // RESET -> SHIFT_DR
    const std::uint8_t tdi[] = {0, 0, 0, 0};
    s.v.cable->Shift(tms, tdi, 4, nullptr);
    s.v.cable->Flush();
    ASSERT_EQ(s.v.link->Chain().Device(0)->State(), TAP_SHIFT_DR);
    // nTRST is ACBUS0, active low: drive it low by hand, as a TRST line does.
    CFtdiLink& link = s.v.cable->Link();
    std::string detail;
    const std::uint8_t assert[] = {kMpsseSetHigh, 0x00, 0x0F};
    ASSERT_EQ(link.Write(assert, 3, detail), CFtdiError::None);
    EXPECT_EQ(s.v.link->Chain().Device(0)->State(), TAP_RESET);
}

// --- what a download costs ---

TEST(MpsseCable, ADownloadWritesFewBytesPerClockAndTimesItsWaitsOnTheCable)
{
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    auto device = CreateDeviceConfig("ZelD");
    auto program = CreateRegProgram("ZelD");
    program->SetDevice(device.get());
    VirtualRig rig("virtual:ZelD", {}, RigCable::Usb);
    CJtagDevice jtag;
    jtag.SetInterpreter(&rig.svf);
    jtag.SetRegProgram(program.get());
    CJtagScriptedDevice scripted(jtag, *device, *program);
    rig.usb.cable->ResetStats();
    const std::int64_t t0 = rig.Cable().VirtualClock().NowMicroseconds();
    ASSERT_EQ(scripted.Download(), kJtagDone);
    const CMpsseCable::Statistics& st = rig.usb.cable->Stats();
    // The waits are clocked by the chip (80 ms each at 1 MHz), not waited for by the host.
    EXPECT_GE(st.waitTck, 80000u * 4);
    EXPECT_GE(rig.Cable().VirtualClock().NowMicroseconds() - t0, static_cast<std::int64_t>(st.waitTck));
    // Bytes written per clock outside the waits: the scans move 8 clocks per byte.
    const double perTck = static_cast<double>(st.bytesWritten) / static_cast<double>(st.tck - st.waitTck);
    EXPECT_LT(perTck, 0.75);
    // A command list goes out at its end and before each wait, not a statement at a time: the
    // whole download (its 131 lines, six waits) in 34 transfers where one per statement took 124.
    EXPECT_LE(st.writes + st.reads, 40u);
    EXPECT_GT(jtag.LinesSent(), 100);
    // Every write beyond the reads belongs to a wait.
    EXPECT_LE(st.writes, st.reads + st.waits);
    std::printf("ZelD download on the simulated FT2232H: %llu writes, %llu reads, %llu bytes out, %llu TCK "
                "(%llu in waits), %.3f bytes per TCK outside the waits\n",
                static_cast<unsigned long long>(st.writes), static_cast<unsigned long long>(st.reads),
                static_cast<unsigned long long>(st.bytesWritten), static_cast<unsigned long long>(st.tck),
                static_cast<unsigned long long>(st.waitTck), perTck);
}

}  // namespace
}  // namespace kalidor::test
