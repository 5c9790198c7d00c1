// The programming operations (download, upload, verify, IDCODE, calibration) of every device type
// against simulated devices on the virtual cable, and the command-list runs underneath them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <tuple>
#include <string>
#include <vector>
#include <unistd.h>

#include "JtagTestSupport.h"
#include "device/DeviceConfig.h"
#include "device/SymbolDifferences.h"
#include "device/SymbolInfo.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/VerifyReport.h"
#include "platform/Prompter.h"

namespace kalidor::test {
namespace {

// Where a device type keeps what a download writes: register name on the simulated device, first
// design cell, cell count, and whether the bit position is the cell's offset (ZelC CFG).
struct RegLayout {
    const char* name;
    int first;
    int count;
    bool byIndex;
};

std::vector<RegLayout> Layout(const std::string& type)
{
    if (type == "ZelA") return {{"USR", 0, 109, false}};
    if (type == "ZelB") return {{"USR", 0, 81, false}, {"DAC", 81, 8, false}};
    if (type == "ZelC") return {{"CFG", 0, 112, true}, {"UES", 112, 16, false}};
    return {{"USRA", 0, 96, false}, {"USRB", 71, 96, false}};
}

int SecurityKey(const std::string& type)
{
    if (type == "ZelA") return 44;
    if (type == "ZelB") return 38;
    if (type == "ZelD" || type == "ZelE") return 9;
    return -1;
}

// The bits a register of the design should hold, computed from the cells.
CJtagBits Image(DeviceConfig& d, const RegLayout& r)
{
    CJtagBits b(r.count);
    for (int c = r.first; c < r.first + r.count; ++c)
        b.SetBit(r.byIndex ? c - r.first : d.GetCellBit(c), d.E2_GetValue(c));
    return b;
}

// Gives every symbol of the design a legal value of its own (the security setting and, for the
// filter devices, the wakeup bit and the configuration selections stay as they are).
void MakeDesign(DeviceConfig& d, unsigned seed)
{
    const std::string type = d.TypeName();
    for (int key = 0; key < d.SymbolSlotCount(); ++key) {
        if (!d.HasRecord(key) || key == SecurityKey(type)) continue;
        if ((type == "ZelD" || type == "ZelE") && (key == 10 || key == 64 || key == 65)) continue;
        const int max = d.GetSymbolRecord(key).maxValue;
        if (max <= 0) continue;
        seed = seed * 1103515245u + 12345u;
        d.SetSymValue(key, static_cast<int>((seed >> 8) % static_cast<unsigned>(max + 1)));
    }
    for (int i = 0; i < d.GetUesCount(); ++i) d.SetUesBit(i, (seed >> i) & 1u);
}

class TestHost : public CJtagDocumentHost {
public:
    explicit TestHost(DeviceConfig& d) : device(d) {}
    int CoerceAfterUpload() override
    {
        ++coerceCalls;
        lastCoerced = device.CoerceSymbols();
        return lastCoerced;
    }
    bool InterfaceChanged() override { return interfaceChanged; }
    CJtagChainCounts ChainCounts() override { return counts; }
    void ForgetFilterSelections() override { ++forgets; }
    void SetModified() override { ++modified; }
    void UpdateAllViews() override { ++updates; }
    void ShowIdcode(const CIdcodeFields& f) override { shown = f; }
    bool ShowVerifyFailed(const CVerifyReport& r) override
    {
        if (takesReports) reports.push_back(r);
        return takesReports;
    }

    DeviceConfig& device;
    bool interfaceChanged = false;
    CJtagChainCounts counts;
    int coerceCalls = 0, lastCoerced = 0, forgets = 0, modified = 0, updates = 0;
    CIdcodeFields shown;
    bool takesReports = false;
    std::vector<CVerifyReport> reports;
};

// A design, its register program, a virtual cable and the two JTAG objects of a document.
struct Prog {
    explicit Prog(const std::string& type, const std::string& chain = {}, RigCable cable = RigCable::Parallel,
                  const std::string& stateDir = {})
        : device(CreateDeviceConfig(type)),
          program(CreateRegProgram(type)),
          rig(chain.empty() ? "virtual:" + type : chain, stateDir, cable),
          host(*device)
    {
        program->SetDevice(device.get());
        jtag.SetInterpreter(&rig.svf);
        jtag.SetRegProgram(program.get());
        scripted = std::make_unique<CJtagScriptedDevice>(jtag, *device, *program);
        scripted->SetHost(&host);
    }
    CVirtualZelDevice& Zel(std::size_t i = 0) { return rig.Zel(i); }
    // True when the simulated device holds exactly the design's registers. For ZelD/ZelE the
    // configuration B register carries the A/B bit set (it is written while the device presents B).
    ::testing::AssertionResult HoldsDesign(std::size_t index = 0)
    {
        const std::string type = device->TypeName();
        for (const RegLayout& r : Layout(type)) {
            CJtagBits want = Image(*device, r);
            if (std::string(r.name) == "USRB") want.SetBit(93, 1);
            CJtagBits have;
            if (!rig.Zel(index).GetE2(r.name, have)) return ::testing::AssertionFailure() << "no register " << r.name;
            if (have != want)
                return ::testing::AssertionFailure() << r.name << "\n  device " << have.ToBitText() << "\n  design "
                                                     << want.ToBitText();
        }
        return ::testing::AssertionSuccess();
    }

    RecordingPrompter prompter;
    ScopedPrompter scope{prompter};
    std::unique_ptr<DeviceConfig> device;
    std::unique_ptr<CJtagRegProgram> program;
    VirtualRig rig;
    TestHost host;
    CJtagDevice jtag;
    std::unique_ptr<CJtagScriptedDevice> scripted;
};

// Cells of the registers a download writes, as text, for comparing two designs.
std::string DownloadedCells(DeviceConfig& d)
{
    std::string s;
    for (const RegLayout& r : Layout(d.TypeName()))
        for (int c = r.first; c < r.first + r.count; ++c) s += d.E2_GetValue(c) ? '1' : '0';
    return s;
}

// Every operation of every device type, on the virtual parallel cable and on the virtual USB cable.
class JtagOperationTest : public ::testing::TestWithParam<std::tuple<const char*, RigCable>> {
protected:
    static std::string Type() { return std::get<0>(GetParam()); }
    static RigCable Kind() { return std::get<1>(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(AllTypes, JtagOperationTest,
                         ::testing::Combine(::testing::Values("ZelA", "ZelB", "ZelC", "ZelD", "ZelE"),
                                            ::testing::Values(RigCable::Parallel, RigCable::Usb)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + RigCableName(std::get<1>(info.param));
                         });

TEST_P(JtagOperationTest, DownloadLeavesExactlyTheDesignInTheDevice)
{
    Prog p(Type(), {}, Kind());
    MakeDesign(*p.device, 7);
    const std::string before = DownloadedCells(*p.device);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    EXPECT_TRUE(p.HoldsDesign());
    // The model is as it was (the filter devices switch the A/B bit on the way).
    EXPECT_EQ(DownloadedCells(*p.device), before);
    EXPECT_EQ(p.Zel().AbortedOperations(), 0);
}

TEST_P(JtagOperationTest, ExportedSvfReplayedProgramsTheSameAsADownload)
{
    Prog p(Type(), {}, Kind());
    MakeDesign(*p.device, 11);
    std::ostringstream svf;
    ASSERT_TRUE(p.jtag.WriteSvfProgram(svf));
    const std::string text = svf.str();
    ASSERT_NE(text.find("\r\n"), std::string::npos);
    const SvfRunReport report = p.rig.Run(text);
    EXPECT_TRUE(report.Succeeded()) << FormatSvfRunReport(report);
    EXPECT_FALSE(report.stopped);
    EXPECT_TRUE(p.HoldsDesign());
    // A download into a second device gives the same registers.
    Prog q(Type(), {}, Kind());
    MakeDesign(*q.device, 11);
    ASSERT_EQ(q.scripted->Download(), kJtagDone);
    for (const RegLayout& r : Layout(Type())) {
        CJtagBits a, b;
        ASSERT_TRUE(p.Zel().GetE2(r.name, a));
        ASSERT_TRUE(q.Zel().GetE2(r.name, b));
        EXPECT_EQ(a.ToBitText(), b.ToBitText()) << r.name;
    }
}

TEST_P(JtagOperationTest, UploadIntoAFreshDesignReproducesTheDesign)
{
    Prog p(Type(), {}, Kind());
    MakeDesign(*p.device, 23);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);

    Prog fresh(Type(), {}, Kind());
    // The fresh document reads the first document's device.
    fresh.jtag.SetInterpreter(&p.rig.svf);
    ASSERT_NE(DownloadedCells(*fresh.device), DownloadedCells(*p.device));
    const std::unique_ptr<DeviceConfig> defaults = CreateDeviceConfig(Type());
    EXPECT_EQ(fresh.scripted->Upload(), kJtagDone);
    // The upload says which settings it changed: every one whose value the read changed, each
    // from the fresh design's value to the device's.
    const std::vector<CSymbolDifference>& changes = fresh.scripted->LastUploadChanges();
    for (int key = 0; key < fresh.device->SymbolSlotCount(); ++key) {
        if (!fresh.device->TakesValue(key) || fresh.device->GetSymValue(key) == defaults->GetSymValue(key)) continue;
        const auto it = std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.key == key; });
        ASSERT_NE(it, changes.end()) << "key " << key;
        EXPECT_EQ(it->before, defaults->GetSymValue(key));
        EXPECT_EQ(it->after, fresh.device->GetSymValue(key));
        EXPECT_EQ(it->afterText, SymbolValueText(*fresh.device, key));
    }
    for (const CSymbolDifference& c : changes)
        EXPECT_TRUE(c.before != c.after || c.beforeText != c.afterText) << c.name;
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(DownloadedCells(*fresh.device), DownloadedCells(*p.device));
    EXPECT_TRUE(fresh.prompter.Texts().empty());
    EXPECT_EQ(fresh.host.coerceCalls, 1);
    EXPECT_EQ(fresh.host.lastCoerced, 0);
    EXPECT_GE(fresh.host.modified, 1);
    // Reading did not disturb the device.
    EXPECT_TRUE(p.HoldsDesign());
    // Read again, nothing changes.
    EXPECT_EQ(fresh.scripted->Upload(), kJtagDone);
    EXPECT_TRUE(fresh.scripted->LastUploadChanges().empty());
}

TEST_P(JtagOperationTest, VerifyFindsOneFlippedBitInEveryRegister)
{
    for (const RegLayout& r : Layout(Type())) {
        for (int bit : {0, r.count - 1}) {
            if (std::string(r.name) == "USRA" && bit == 93) continue;
            Prog p(Type(), {}, Kind());
            MakeDesign(*p.device, 5);
            ASSERT_EQ(p.scripted->Download(), kJtagDone);
            p.prompter.Clear();
            EXPECT_EQ(p.scripted->Verify(), kJtagVerifyEqual);
            EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});

            CJtagBits e2;
            ASSERT_TRUE(p.Zel().GetE2(r.name, e2));
            e2.SetBit(bit, e2.GetBit(bit) ? 0 : 1);
            ASSERT_TRUE(p.Zel().SetE2(r.name, e2));
            p.prompter.Clear();
            EXPECT_EQ(p.scripted->Verify(), kJtagVerifyDiffers) << r.name << " bit " << bit;
            const std::vector<std::string> texts = p.prompter.Texts();
            ASSERT_FALSE(texts.empty());
            EXPECT_EQ(texts.front(), kMsgVerifyFailed);
            for (const std::string& t : texts) EXPECT_NE(t, kMsgVerifySucceeded) << r.name << " bit " << bit;

            // The details name that one bit, its register and its cell, as the design has it and
            // as the device gave it.
            const CVerifyReport& report = p.scripted->LastVerifyReport();
            ASSERT_EQ(report.bits.size(), 1u) << r.name << " bit " << bit << "\n" << FormatVerifyReport(report);
            const CRegisterBitDifference& d = report.bits[0];
            EXPECT_EQ(d.regName, r.name);
            EXPECT_EQ(d.bit, bit);
            EXPECT_EQ(d.device, e2.GetBit(bit));
            EXPECT_EQ(d.design, 1 - e2.GetBit(bit));
            int cell = -1;
            for (int c = r.first; c < r.first + r.count; ++c)
                if ((r.byIndex ? c - r.first : p.device->GetCellBit(c)) == bit) cell = c;
            EXPECT_EQ(d.cell, cell) << r.name << " bit " << bit;
            if (cell >= 0) {
                EXPECT_EQ(d.cellName, p.device->GetCellName(cell));
            }
            // The symbol that owns the cell is listed with its value in the design and in the
            // device when the bit changes its value (a symbol whose text depends on it may be
            // listed beside it: a gain beside its polarity).
            const int key = cell >= 0 ? p.device->Cells()[cell].symKey : -1;
            auto device = CopyDeviceConfig(*p.device);
            if (cell >= 0) device->E2_SetValue(cell, d.device);
            if (key >= 0 && p.device->TakesValue(key) && device->GetSymValue(key) != p.device->GetSymValue(key)) {
                const auto it = std::find_if(report.symbols.begin(), report.symbols.end(),
                                             [&](const CSymbolDifference& s) { return s.key == key; });
                ASSERT_NE(it, report.symbols.end()) << r.name << " bit " << bit;
                EXPECT_EQ(it->before, p.device->GetSymValue(key));
                EXPECT_EQ(it->after, device->GetSymValue(key));
            }
            if (key < 0) {
                EXPECT_TRUE(report.symbols.empty()) << r.name << " bit " << bit;
            }
            p.prompter.Clear();
            ASSERT_EQ(p.scripted->Download(), kJtagDone);
            EXPECT_EQ(p.scripted->Verify(), kJtagVerifyEqual);
            EXPECT_TRUE(p.scripted->LastVerifyReport().Empty());
        }
    }
}

// Verify of a design changed in one setting after its download: the details name that setting,
// its value text in the design and in the device, and only bits of its cells. With a host that
// shows the report, the plain message is not shown as well.
TEST_P(JtagOperationTest, VerifyDetailsNameTheChangedSetting)
{
    // A setting per type, in configuration B for ZelD (read from the second register).
    const std::string type = Type();
    const int key = type == "ZelA" ? 6 : type == "ZelB" ? 6 : type == "ZelC" ? 6 : type == "ZelD" ? 13 : 1;
    Prog p(type);
    MakeDesign(*p.device, 7);
    p.device->SetSymValue(key, 5);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    const int downloaded = p.device->GetSymValue(key);
    const std::string deviceText = SymbolValueText(*p.device, key);
    const std::vector<int> cellsBefore = [&] {
        std::vector<int> v;
        for (int c = 0; c < p.device->GetCellCount(); ++c) v.push_back(p.device->E2_GetValue(c));
        return v;
    }();
    p.device->SetSymValue(key, 6);
    const std::string designText = SymbolValueText(*p.device, key);
    ASSERT_NE(designText, deviceText);

    p.host.takesReports = true;
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagVerifyDiffers);
    EXPECT_TRUE(p.prompter.Texts().empty()) << p.prompter.Texts().front();
    ASSERT_EQ(p.host.reports.size(), 1u);
    const CVerifyReport& report = p.host.reports[0];
    ASSERT_EQ(report.symbols.size(), 1u) << FormatVerifyReport(report);
    EXPECT_EQ(report.symbols[0].key, key);
    ASSERT_NE(FindSymbolInfo(type, key), nullptr);
    EXPECT_EQ(report.symbols[0].name, FindSymbolInfo(type, key)->fullName);
    EXPECT_EQ(report.symbols[0].beforeText, designText);
    EXPECT_EQ(report.symbols[0].afterText, deviceText);
    EXPECT_EQ(report.symbols[0].after, downloaded);
    ASSERT_FALSE(report.bits.empty());
    int changedCells = 0;
    for (int c = 0; c < p.device->GetCellCount(); ++c)
        if (p.device->E2_GetValue(c) != cellsBefore[c]) ++changedCells;
    EXPECT_EQ(static_cast<int>(report.bits.size()), changedCells) << FormatVerifyReport(report);
    for (const CRegisterBitDifference& b : report.bits) {
        ASSERT_GE(b.cell, 0);
        EXPECT_EQ(p.device->Cells()[b.cell].symKey, key) << b.cellName;
        EXPECT_EQ(b.design, p.device->E2_GetValue(b.cell));
        EXPECT_EQ(b.device, cellsBefore[b.cell]);
        if (type == "ZelD") {
            EXPECT_EQ(b.reg, 2);
        }
    }
    // The text form lists the setting, then the bits.
    const std::string text = FormatVerifyReport(report);
    EXPECT_EQ(text.rfind("Symbol\tDesign\tDevice\n" + report.symbols[0].name + "\t" + designText + "\t" + deviceText +
                             "\n\nRegister\tBit\tCell\tDesign\tDevice\n",
                         0),
              0u)
        << text;
}

TEST_P(JtagOperationTest, WrongDeviceTypeIsRefusedBeforeAnythingIsWritten)
{
    const std::string type = Type();
    const std::string other = type == "ZelA" ? "ZelB" : "ZelA";
    Prog p(type, "virtual:" + other, Kind());
    MakeDesign(*p.device, 3);
    const std::string msg = "JTAG IDCODE check detected an error:\n\nDevice connected to download cable\n"
                            "does not match current (" + type + ") schematic.\n\nOperation aborted.";
    for (auto op : {&CJtagScriptedDevice::Download, &CJtagScriptedDevice::Upload, &CJtagScriptedDevice::Verify,
                    &CJtagScriptedDevice::AutoCal}) {
        p.prompter.Clear();
        EXPECT_EQ(((*p.scripted).*op)(), kJtagIdcodeMismatch);
        EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{msg});
    }
    EXPECT_EQ(p.Zel().CompletedOperations(), 0);
    // A ZelC document shifts a 6-bit instruction into a 5-bit register: no IDCODE at all.
    EXPECT_EQ(p.jtag.DecodedIdcode().deviceType, type == "ZelC" ? "Unknown" : other);
}

TEST_P(JtagOperationTest, NoCableAndNoPowerStopEveryOperationWithTheirMessage)
{
    Prog p(Type(), {}, Kind());
    const std::string noCable =
        "Download cable is not attached to selected port.\nOperation aborted.\n\nPlease check parallel port address "
        "settings with the\n     Options->JTAG Interface...\ndialog.  Port 378h is most common, 278h is "
        "alternate.\nThe setting is saved in the KALIDOR.INI file.";
    p.rig.Unplug();
    bool first = true;
    for (auto op : {&CJtagScriptedDevice::Download, &CJtagScriptedDevice::Upload, &CJtagScriptedDevice::Verify,
                    &CJtagScriptedDevice::AutoCal}) {
        p.prompter.Clear();
        EXPECT_EQ(((*p.scripted).*op)(), kJtagNotReady);
        std::vector<std::string> texts = p.prompter.Texts();
        // A USB cable says once, in its own words, that it stopped answering.
        if (Kind() == RigCable::Usb && first) {
            ASSERT_EQ(texts.size(), 2u);
            EXPECT_NE(texts[0].find("stopped answering"), std::string::npos) << texts[0];
            texts.erase(texts.begin());
        }
        first = false;
        EXPECT_EQ(texts, std::vector<std::string>{noCable});
    }
    p.rig.Replug();
    p.rig.Cable().SetPowered(false);
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Download(), kJtagNotReady);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{"Download cable does not have power\nOperation aborted"});
    EXPECT_EQ(p.jtag.LinesSent(), 0);
}

TEST_P(JtagOperationTest, AllOnesReadStopsVerifyAndUploadResetsTheModel)
{
    Prog p(Type(), {}, Kind());
    MakeDesign(*p.device, 9);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    p.Zel().SetSecured(true);
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagAllOnes);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgReadAllOnes});

    p.prompter.Clear();
    p.host.modified = 0;
    EXPECT_EQ(p.scripted->Upload(), kJtagAllOnes);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgReadAllOnes});
    const auto defaults = CreateDeviceConfig(Type());
    EXPECT_EQ(DownloadedCells(*p.device), DownloadedCells(*defaults));
    EXPECT_GE(p.host.modified, 1);
}

TEST_P(JtagOperationTest, AutoCalRunsTheSelfTimedCalibration)
{
    Prog p(Type(), {}, Kind());
    EXPECT_EQ(p.scripted->AutoCal(), kJtagDone);
    EXPECT_EQ(p.Zel().LastCompletedOperation(), "Calibrate");
    EXPECT_TRUE(p.prompter.Texts().empty());
}

TEST_P(JtagOperationTest, ProgressRisesToTheEnd)
{
    struct Recorder : CJtagProgress {
        void OnProgress(const CJtagProgressInfo& i) override { seen.push_back(i.Fraction()); }
        std::vector<double> seen;
    } rec;
    Prog p(Type(), {}, Kind());
    p.jtag.SetProgress(&rec);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    ASSERT_GT(rec.seen.size(), 20u);
    for (std::size_t i = 1; i < rec.seen.size(); ++i) EXPECT_GE(rec.seen[i], rec.seen[i - 1]) << i;
    EXPECT_DOUBLE_EQ(rec.seen.back(), 1.0);
    EXPECT_LE(rec.seen[rec.seen.size() - 2], 1.0);
}

// --- device-type specific rules ---

TEST(JtagDownload, SecuredZelCIsWrittenWithoutVerificationAndThenReadsAllOnes)
{
    Prog p("ZelC");
    MakeDesign(*p.device, 1);
    p.device->SetSecurity(1);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_EQ(p.prompter.Texts(),
              std::vector<std::string>{"Device will be secured.  Will not verify device after download"});
    EXPECT_TRUE(p.Zel().IsSecured());
    EXPECT_EQ(p.Zel().LastCompletedOperation(), "SecureDevice");
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagAllOnes);

    // Without securing, the same device is erased (which clears the flag) and verified.
    p.device->SetSecurity(0);
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_FALSE(p.Zel().IsSecured());
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
}

class JtagSecurityFuseTest : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(FuseTypes, JtagSecurityFuseTest, ::testing::Values("ZelA", "ZelB", "ZelD", "ZelE"));

TEST_P(JtagSecurityFuseTest, SecuredDesignIsNotVerifiedAndLocksTheDeviceFromNextPowerUp)
{
    Prog p(GetParam());
    MakeDesign(*p.device, 17);
    p.device->SetSecurity(1);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_EQ(p.prompter.Texts(),
              std::vector<std::string>{"Device will be secured.  Will not verify device after download"});
    EXPECT_TRUE(p.HoldsDesign());
    EXPECT_FALSE(p.Zel().IsSecured());

    p.rig.Cable().SetPowered(false);
    p.rig.Cable().SetPowered(true);
    EXPECT_TRUE(p.Zel().IsSecured());
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagAllOnes);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgReadAllOnes});

    // A download without the fuse erases the device, which opens it again.
    p.device->SetSecurity(0);
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    EXPECT_FALSE(p.Zel().IsSecured());
}

TEST(JtagDownload, VerifyAfterDownloadOffShowsNoMessage)
{
    Prog p("ZelA");
    p.scripted->SetVerifyAfterDownload(0);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_TRUE(p.prompter.Texts().empty());
    EXPECT_TRUE(p.HoldsDesign());
}

TEST(JtagDownload, AllOnesDacOrSignatureIsAValueNotASecuredDevice)
{
    Prog b("ZelB");
    b.device->SetSymValue(39, 255);
    EXPECT_EQ(b.scripted->Download(), kJtagDone);
    EXPECT_EQ(b.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    b.prompter.Clear();
    EXPECT_EQ(b.scripted->Verify(), kJtagVerifyEqual);

    Prog c("ZelC");
    for (int i = 0; i < 16; ++i) c.device->SetUesBit(i, 1);
    EXPECT_EQ(c.scripted->Download(), kJtagDone);
    EXPECT_EQ(c.prompter.Texts(), std::vector<std::string>{kMsgVerifySucceeded});
    Prog fresh("ZelC");
    fresh.jtag.SetInterpreter(&c.rig.svf);
    EXPECT_EQ(fresh.scripted->Upload(), kJtagDone);
    EXPECT_EQ(DownloadedCells(*fresh.device), DownloadedCells(*c.device));
}

TEST(JtagDownload, InlineVerificationFailureIsReportedEvenWithoutVerifyAfterDownload)
{
    Prog p("ZelA");
    MakeDesign(*p.device, 2);
    p.scripted->SetVerifyAfterDownload(0);
    p.rig.Cable().SetTdoStuck(0);  // every read-back sees zeros
    EXPECT_NE(p.scripted->Download(), kJtagDone);
    EXPECT_FALSE(p.prompter.Texts().empty());
}

// --- ZelD/ZelE: the two configurations and the wakeup bit ---

TEST(JtagFilterDevice, WakeupBDesignAsksFirstAndCancelWritesNothing)
{
    Prog p("ZelD");
    MakeDesign(*p.device, 4);
    p.device->SetSymValue(10, 1);
    p.prompter.Script(Answer::Cancel);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    ASSERT_EQ(p.prompter.messages.size(), 1u) << p.prompter.messages.back().text;
    EXPECT_EQ(p.prompter.messages[0].text,
              "WARNING: With the Wakeup Configuration = CfgB the device cannot be verified or uploaded.  Press OK to "
              "start Download.");
    EXPECT_EQ(p.prompter.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(p.Zel().CompletedOperations(), 0);
    EXPECT_EQ(p.device->GetSymValue(10), 1);
}

TEST(JtagFilterDevice, WakeupBDesignIsProgrammedToWakeUpInB)
{
    // Both through a download and through the exported SVF program, the device keeps the design's
    // wakeup configuration B. (Writing the A/B bit as 0 in the last step of ALL would make a
    // design meant to wake up in B wake up in A, and a later Verify report a difference.)
    Prog p("ZelD");
    MakeDesign(*p.device, 8);
    p.device->SetSymValue(10, 1);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_EQ(p.device->GetSymValue(10), 1);
    EXPECT_TRUE(p.HoldsDesign());
    CJtagBits usrA;
    ASSERT_TRUE(p.Zel().GetE2("USRA", usrA));
    EXPECT_EQ(usrA.GetBit(93), 1);
    // Only the question and the success of the B verification; A cannot be verified.
    EXPECT_EQ(p.prompter.Texts().back(), kMsgVerifySucceeded);

    Prog q("ZelD");
    MakeDesign(*q.device, 8);
    q.device->SetSymValue(10, 1);
    std::ostringstream svf;
    ASSERT_TRUE(q.jtag.WriteSvfProgram(svf));
    EXPECT_TRUE(q.rig.Run(svf.str()).Succeeded());
    EXPECT_EQ(q.device->GetSymValue(10), 1);
    CJtagBits fromFile;
    ASSERT_TRUE(q.Zel().GetE2("USRA", fromFile));
    EXPECT_EQ(fromFile.ToBitText(), usrA.ToBitText());
}

TEST(JtagFilterDevice, DeviceWakingUpInBCannotBeVerifiedOrUploaded)
{
    Prog p("ZelE");
    MakeDesign(*p.device, 6);
    p.device->SetSymValue(10, 1);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    const std::string warning = "WARNING: Since the Wakeup Configuration = CfgB the device cannot be verified or uploaded.";
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagWakeupB);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{warning});

    Prog fresh("ZelE");
    MakeDesign(*fresh.device, 99);
    fresh.jtag.SetInterpreter(&p.rig.svf);
    EXPECT_EQ(fresh.scripted->Upload(), kJtagWakeupB);
    EXPECT_EQ(fresh.prompter.Texts(), std::vector<std::string>{warning});
    const auto defaults = CreateDeviceConfig("ZelE");
    EXPECT_EQ(DownloadedCells(*fresh.device), DownloadedCells(*defaults));
    EXPECT_EQ(fresh.device->GetSymValue(64), -1);
    EXPECT_EQ(fresh.device->GetSymValue(65), -1);
    EXPECT_GE(fresh.host.forgets, 1);
}

TEST(JtagFilterDevice, VerifyLeavesDeviceAndModelAsTheyWere)
{
    Prog p("ZelD");
    MakeDesign(*p.device, 12);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    const std::string cells = DownloadedCells(*p.device);
    EXPECT_EQ(p.scripted->Verify(), kJtagVerifyEqual);
    EXPECT_EQ(DownloadedCells(*p.device), cells);
    EXPECT_TRUE(p.HoldsDesign());
    EXPECT_EQ(p.device->GetSymValue(10), 0);
}

TEST(JtagFilterDevice, UploadForgetsTheFilterSelections)
{
    Prog p("ZelD");
    MakeDesign(*p.device, 13);
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    Prog fresh("ZelD");
    fresh.jtag.SetInterpreter(&p.rig.svf);
    fresh.device->SetSymValue(64, 3);
    EXPECT_EQ(fresh.scripted->Upload(), kJtagDone);
    EXPECT_EQ(fresh.device->GetSymValue(64), -1);
    EXPECT_EQ(fresh.host.forgets, 1);
    EXPECT_EQ(DownloadedCells(*fresh.device), DownloadedCells(*p.device));
}

// Keeps the data scan count of the cable after every line a run records in its trace.
class ScanCountingTrace : public CJtagTraceObserver {
public:
    ScanCountingTrace(CJtagTraceData& trace, CVirtualCable& cable) : m_trace(trace), m_cable(cable)
    {
        m_trace.AddObserver(this);
    }
    ~ScanCountingTrace() override { m_trace.RemoveObserver(this); }
    void OnTraceChanged() override
    {
        if (!m_trace.Empty()) lines.push_back({m_trace.Entry(m_trace.Size() - 1).m_svf, m_cable.DataScans()});
    }
    std::vector<std::pair<std::string, std::uint64_t>> lines;

private:
    CJtagTraceData& m_trace;
    CVirtualCable& m_cable;
};

// The rewrite of configuration A that restores the wakeup bit at the end of an upload verifies
// itself in line; when that verification fails, the device's wakeup state is unknown and the
// upload fails with the verify message, whether or not a verification after it was asked for.
TEST(JtagFilterDevice, UploadFailsWhenTheWakeupRewriteDoesNotVerify)
{
    for (const char* type : {"ZelD", "ZelE"}) {
        for (int verifyAfter : {0, 1}) {
            SCOPED_TRACE(std::string(type) + (verifyAfter ? ", verify after" : ", no verify after"));
            Prog p(type);
            MakeDesign(*p.device, 21);
            ASSERT_EQ(p.scripted->Download(), kJtagDone);

            // A clean upload tells which data scan is the rewrite's in-line verification: the last
            // write scan with an expected TDO.
            Prog fresh(type);
            fresh.jtag.SetInterpreter(&p.rig.svf);
            fresh.scripted->SetVerifyAfterDownload(verifyAfter);
            ScanCountingTrace trace(fresh.jtag.Trace(), p.rig.Cable());
            fresh.jtag.SetTraceOn(1);
            const std::uint64_t start = p.rig.Cable().DataScans();
            ASSERT_EQ(fresh.scripted->Upload(), kJtagDone);
            std::uint64_t rewriteVerify = 0;
            for (const auto& [line, scans] : trace.lines)
                if (line.rfind("SDR 96 TDI (", 0) == 0 && line.find(" TDO (") != std::string::npos)
                    rewriteVerify = scans;
            ASSERT_GT(rewriteVerify, start);

            // The same upload again, with one TDO bit of that scan flipped.
            Prog again(type);
            again.jtag.SetInterpreter(&p.rig.svf);
            again.scripted->SetVerifyAfterDownload(verifyAfter);
            p.rig.Cable().FlipBitInScan(p.rig.Cable().DataScans() + (rewriteVerify - start), 7);
            EXPECT_EQ(again.scripted->Upload(), kJtagVerifyDiffers);
            EXPECT_FALSE(p.rig.Cable().FlipPending());
            const std::vector<std::string> texts = again.prompter.Texts();
            ASSERT_GE(texts.size(), 2u);
            EXPECT_EQ(texts[texts.size() - 2], kMsgWriteCfgAUpload);
            EXPECT_EQ(texts.back(), kMsgVerifyFailed);
        }
    }
}

// A virtual device whose state file cannot be written keeps what its file holds: a download into
// it is reported, and never verified as a success.
TEST(JtagDownload, VirtualDeviceThatCannotKeepItsCellsNeverVerifies)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kalidor-keep-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    Prog p("ZelA", {}, RigCable::Parallel, dir.string());
    ASSERT_NE(p.rig.port, nullptr);
    std::filesystem::remove_all(dir);  // from now on nothing can be written there
    MakeDesign(*p.device, 5);
    EXPECT_EQ(p.scripted->Download(), kJtagVerifyDiffers);
    const std::vector<std::string> texts = p.prompter.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const std::string& t) { return t.rfind("The virtual ZelA could not keep its cells", 0) == 0; }),
              1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), std::string(kMsgVerifySucceeded)), 0);
    EXPECT_EQ(texts.back(), kMsgVerifyFailed);
    EXPECT_FALSE(p.rig.Cable().StateProblem().empty());
    CJtagBits usr;
    ASSERT_TRUE(p.Zel().GetE2("USR", usr));
    EXPECT_EQ(usr.ToBitText(), std::string(109, '0'));  // as the (missing) file says: erased
}

// --- chains, coercion, the document's checks ---

TEST(JtagChain, DeviceBetweenOthersIsProgrammedWithItsChainCounts)
{
    // TDI -> foreign (IR 8) -> ZelA -> ZelC -> TDO.
    Prog p("ZelA", "virtual:foreign:8,ZelA,ZelC");
    p.host.counts = {6, 1, 8, 1};
    MakeDesign(*p.device, 21);
    EXPECT_EQ(p.scripted->Download(), kJtagDone);
    EXPECT_TRUE(p.HoldsDesign(1));
    EXPECT_EQ(p.rig.Zel(2).CompletedOperations(), 0);
    EXPECT_EQ(p.scripted->Verify(), kJtagVerifyEqual);
    // Counts of another position read the wrong device.
    p.host.counts = {};
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->Verify(), kJtagIdcodeMismatch);
}

TEST(JtagUpload, RegisterUploadCoercesIllegalValuesThroughTheDocument)
{
    Prog p("ZelA");
    p.device->SetSymValue(9, 6);  // XT 1 interconnect: 0..5
    ASSERT_EQ(p.scripted->Download(), kJtagDone);
    Prog fresh("ZelA");
    fresh.jtag.SetInterpreter(&p.rig.svf);
    EXPECT_EQ(fresh.scripted->DocUploadRegister(0), kJtagDone);
    EXPECT_EQ(fresh.host.lastCoerced, 1);
    EXPECT_EQ(fresh.device->GetSymValue(9), 0);
    EXPECT_GE(fresh.host.updates, 1);
}

TEST(JtagDocument, ProgrammingCheckRefusesAfterAnInterfaceChange)
{
    Prog p("ZelA");
    p.host.interfaceChanged = true;
    EXPECT_EQ(p.scripted->DocDownload(), kJtagNotReady);
    EXPECT_EQ(p.scripted->DocWriteRegister(0), kJtagRunStopped);
    EXPECT_EQ(p.prompter.Texts().front(),
              "Note: All JTAG programming is disabled because a new SVF Interpreter has been requested.  You must "
              "restart Kalidor to enable JTAG programming using the new interpreter.");
    EXPECT_EQ(p.jtag.LinesSent(), 0);
}

// An interpreter that is not connected until asked, and fails a chosen line.
class ScriptedInterpreter : public CSvfInterpreter {
public:
    void AttachPort(CJTAGTapPort*, int) override {}
    bool Connect() override { connected = connectable; return connected != 0; }
    bool IsConnected() override { return connected; }
    void Disconnect() override { connected = 0; }
    CableStatus CheckCable() override { return kCableReady; }
    SvfResult ExecuteLine(std::string_view text) override
    {
        lines.emplace_back(text);
        return static_cast<int>(lines.size()) == failAt ? failWith : kSvfOk;
    }
    void Delay(int) override {}
    void PulseTCK() override {}
    void ClockTDI(int) override {}
    int connected = 0;
    int connectable = 1;
    int failAt = 0;
    SvfResult failWith = kSvfOk;
    std::vector<std::string> lines;
};

TEST(JtagDocument, DisconnectedInterpreterIsOfferedAConnection)
{
    Prog p("ZelA");
    ScriptedInterpreter svf;
    p.jtag.SetInterpreter(&svf);
    p.prompter.Script(Answer::Cancel);
    EXPECT_EQ(p.scripted->DocVerify(), kJtagNotReady);
    EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{
        "SVF Interpreter must be connected to Kalidor to enable JTAG programming.  Connect now?"});
    EXPECT_TRUE(svf.lines.empty());
    p.prompter.Clear();
    EXPECT_EQ(p.scripted->ProgrammingCheck(), kProgrammingReady);  // OK connects
    EXPECT_EQ(svf.connected, 1);
}

TEST(JtagCommandList, SyntaxErrorOrNoMemoryStopsTheRun)
{
    for (SvfResult failure : {kSvfSyntaxError, kSvfOutOfMemory}) {
        Prog p("ZelA");
        ScriptedInterpreter svf;
        svf.connected = 1;
        svf.failAt = 3;
        svf.failWith = failure;
        p.jtag.SetInterpreter(&svf);
        EXPECT_EQ(p.jtag.WriteRegister(0), kJtagRunStopped);
        EXPECT_EQ(svf.lines.size(), 3u) << failure;
        EXPECT_EQ(p.prompter.Texts(), std::vector<std::string>{
            "Internal Software Error in CJtagDevice::TransmitSVFCommandListToDriver\nTransmitSVFLineToDriver returned -1"});
        // Every line went out with CR LF.
        EXPECT_EQ(svf.lines[0], "TRST  ON;\r\n");
        // An upload whose run stopped changes no cell.
        const std::string cells = DownloadedCells(*p.device);
        svf.lines.clear();
        EXPECT_EQ(p.jtag.UploadRegister(0), kJtagRunStopped);
        EXPECT_EQ(DownloadedCells(*p.device), cells);
    }
}

TEST(JtagCommandList, TheTraceOfAStoppedRunEndsWithTheFailingLineAndItsResult)
{
    Prog p("ZelA");
    ScriptedInterpreter svf;
    svf.connected = 1;
    svf.failAt = 4;
    svf.failWith = kSvfSyntaxError;
    p.jtag.SetInterpreter(&svf);
    p.jtag.SetTraceOn(1);
    EXPECT_EQ(p.jtag.WriteRegister(0), kJtagRunStopped);
    const CJtagTraceData& trace = p.jtag.Trace();
    ASSERT_EQ(trace.Size(), 4u);
    EXPECT_EQ(trace.Entry(3).m_svf + "\r\n", svf.lines[3]);
    EXPECT_EQ(trace.Entry(3).m_result, SvfResultCode(kSvfSyntaxError));
    EXPECT_EQ(trace.Entry(3).ColumnText(2), "2");
}

TEST(JtagCommandList, MismatchGoesOnAndIsTraced)
{
    Prog p("ZelA");
    ScriptedInterpreter svf;
    svf.connected = 1;
    svf.failAt = 2;
    svf.failWith = kSvfTdoMismatch;
    p.jtag.SetInterpreter(&svf);
    const CJtagTraceData& trace = p.jtag.Trace();
    // Nothing is recorded while the trace is off.
    EXPECT_EQ(p.jtag.WriteRegister(0), kJtagVerifyDiffers);
    EXPECT_TRUE(trace.Empty());
    svf.lines.clear();
    p.jtag.SetTraceOn(1);
    EXPECT_EQ(p.jtag.WriteRegister(0), kJtagVerifyDiffers);
    EXPECT_EQ(svf.lines.size(), p.jtag.CommandList().size());
    ASSERT_EQ(trace.Size(), svf.lines.size());
    EXPECT_EQ(trace.Entry(1).m_svf, "TRST  OFF;");
    EXPECT_EQ(trace.Entry(1).m_result, 1);
    EXPECT_EQ(trace.Entry(1).m_kind, kTraceSvf);
    p.jtag.Announce("U1", "Download");
    EXPECT_EQ(trace.Entry(trace.Size() - 1).m_svf, "! U1 Download");
}

TEST(JtagIdcode, DecodingOfEveryTypeAndOfStrangers)
{
    const struct {
        std::uint32_t code;
        const char* type;
    } cases[] = {{0x00100043u, "ZelA"}, {0x00111043u, "ZelB"}, {0x00130043u, "ZelC"},
                 {0x00120043u, "ZelD"}, {0x00121043u, "ZelE"}, {0x10100043u, "ZelA"},
                 {0x00140043u, "Unknown"}};
    for (const auto& c : cases) {
        std::string text;
        for (int b = 31; b >= 0; --b) text += ((c.code >> b) & 1u) ? '1' : '0';
        const CIdcodeFields f = DecodeIdcode(text);
        EXPECT_EQ(f.deviceType, c.type) << text;
        EXPECT_EQ(f.makerName, "Norvane Dividaduzudav");
        EXPECT_EQ(f.manufacturer, "00000100001");
        EXPECT_EQ(f.version, text.substr(0, 4));
    }
    const CIdcodeFields other = DecodeIdcode("00000000000100000000000001000111");
    EXPECT_EQ(other.makerName, "Unknown");
    EXPECT_EQ(other.deviceType, "Unknown");
    EXPECT_EQ(DecodeIdcode(std::string(32, '1')).deviceType, "Unknown");
    EXPECT_EQ(DecodeIdcode("0101").deviceType, "Unknown");
    EXPECT_EQ(DecodeIdcode(std::string(32, 'x')).deviceType, "Unknown");
}

TEST(JtagIdcode, ReadIdcodeShowsTheFieldsThroughTheDocument)
{
    Prog p("ZelC");
    EXPECT_EQ(p.scripted->DocReadIdcode(), kJtagDone);
    EXPECT_EQ(p.host.shown.text, "00000000000100110000000001000011");
    EXPECT_EQ(p.host.shown.deviceType, "ZelC");
    EXPECT_EQ(p.jtag.CommandList().back(), "! --- end IDCODE  ");
}

}  // namespace
}  // namespace kalidor::test
