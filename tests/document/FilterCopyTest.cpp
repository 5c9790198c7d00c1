// Copying filter configuration table entries into a ZelD/ZelE design: the keys written, the
// frequency-range rule, the "CFG A"/"CFG B" texts, loading the shipped tables, and — the point of
// the tables — that a copied row simulates as the row says.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <unistd.h>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterTable.h"

#include "FilterEntryTestUtil.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

class FilterCopyTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(KALIDOR_BIN_DIR); }
    void TearDown() override { SetProgramDirectory(""); }

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

// An entry whose components are element values of the ZelD/ZelE tables (code 5 of each).
CFilterEntry TableEntry(int id, double fc)
{
    CFilterEntry e = test::Butterworth(id, fc);
    auto dev = CreateDeviceConfig("ZelD");
    for (int i = 0; i < CFilterEntry::kComponentCount; ++i)
        e.components[i] = dev->GetCapValueByCode(i, 5) * 1e-16;
    return e;
}

std::vector<int> Values(CSchDoc& doc, int first, int last)
{
    std::vector<int> v;
    for (int k = first; k <= last; ++k)
        v.push_back(doc.Device()->GetSymValue(k));
    return v;
}

}  // namespace

TEST_F(FilterCopyTest, CopyIntoBWritesItsKeysAndLeavesA)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    doc.SetSymValue(3, 17);  // something of A's own
    doc.SetModifiedFlag(false);
    const std::vector<int> a = Values(doc, 0, 11);
    const int cfgA = doc.Device()->GetSymValue(64);
    const CFilterEntry e = TableEntry(21, 150000);
    EXPECT_EQ(doc.CopyFilterToSchematic(&e, 1), 65);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(doc.Device()->GetSymValue(12 + i), 5) << "key " << 12 + i;
        EXPECT_NEAR(doc.Device()->GetCapFarads(12 + i), e.components[i], 1e-20);
    }
    EXPECT_EQ(doc.Device()->GetSymValue(19), 1);
    EXPECT_EQ(doc.Device()->GetSymValue(65), 21);
    EXPECT_EQ(Values(doc, 0, 11), a);
    EXPECT_EQ(doc.Device()->GetSymValue(64), cfgA);
    EXPECT_EQ(doc.GetFilterConfig(0), nullptr);
    ASSERT_NE(doc.GetFilterConfig(1), nullptr);
    EXPECT_EQ(doc.GetFilterConfig(1)->id, 21);
    EXPECT_EQ(doc.GetLastConfiguration(), 65);
    EXPECT_TRUE(doc.IsModified());
    // No row: the message, and nothing copied.
    prompter_.Clear();
    EXPECT_EQ(doc.CopyFilterToSchematic(nullptr, 0), -1);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text, "No entry was selected.  Copy to Schematic was not performed.");
    EXPECT_EQ(Values(doc, 0, 11), a);
    // Other devices and configurations take nothing.
    EXPECT_EQ(doc.CopyFilterToSchematic(&e, 2), -1);
    CSchDoc zelA;
    ASSERT_TRUE(zelA.OnNewDocument("ZelA"));
    EXPECT_EQ(zelA.CopyFilterToSchematic(&e, 0), -1);
}

TEST_F(FilterCopyTest, FrequencyRangeFollowsTheDevicesThreshold)
{
    struct Case {
        const char* type;
        double fc;
        int range;
    };
    for (const Case& c : {Case{"ZelD", 200000, 1}, Case{"ZelD", 200001, 0}, Case{"ZelE", 30000, 1},
                          Case{"ZelE", 30001, 0}, Case{"ZelE", 200000, 0}}) {
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(c.type));
        const CFilterEntry a = TableEntry(3, c.fc), b = TableEntry(4, c.fc);
        doc.CopyFilterToSchematic(&a, 0);
        EXPECT_EQ(doc.Device()->GetSymValue(7), c.range) << c.type << " " << c.fc;
        doc.CopyFilterToSchematic(&b, 1);
        EXPECT_EQ(doc.Device()->GetSymValue(19), c.range) << c.type << " " << c.fc;
        EXPECT_EQ(doc.Device()->GetSymValue(64), 3);
    }
}

TEST_F(FilterCopyTest, ConfigurationSymbolsTellTheSourceAndEdits)
{
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelE"));
    const CFilterEntry e = TableEntry(77, 20000);
    const CFilterEntry f = TableEntry(78, 25000);
    doc.CopyFilterToSchematic(&e, 0);
    doc.CopyFilterToSchematic(&f, 1);
    std::string text;
    doc.FilterConfigText(64, text);
    EXPECT_EQ(text, "CfgA \r\n" + e.Description());
    EXPECT_NE(text.find("#77"), std::string::npos);
    // An element edited afterwards marks the configuration as modified from the entry.
    doc.SetSymValue(2, doc.Device()->GetSymValue(2) + 1);
    EXPECT_EQ(doc.GetFilterConfigState(64), -2);
    doc.FilterConfigText(64, text);
    EXPECT_EQ(text, "CfgA modified from:\r\n" + e.Description());
    EXPECT_EQ(doc.GetFilterConfigState(65), 78);
    // Copying again makes it the entry's again; saving keeps the source.
    doc.CopyFilterToSchematic(&e, 0);
    EXPECT_EQ(doc.GetFilterConfigState(64), 77);
    CSchDoc back;
    ASSERT_TRUE(back.ReadDesign(doc.WriteDesign()));
    EXPECT_EQ(back.GetFilterConfigState(64), 77);
    EXPECT_EQ(back.GetFilterConfigState(65), 78);
    EXPECT_EQ(Values(back, 0, 19), Values(doc, 0, 19));
}

TEST_F(FilterCopyTest, TablesLoadFromTheSupportFolder)
{
    for (const char* type : {"ZelD", "ZelE"}) {
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        EXPECT_EQ(doc.FilterTable(), nullptr);
        ASSERT_EQ(doc.LoadFilterTable(), 1);
        CFilterTable* t = doc.FilterTable();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->GetDeviceType(), type);
        EXPECT_EQ(t->GetDeclaredCount(), t->GetEntryCount());
        EXPECT_GT(t->GetEntryCount(), 500);
        EXPECT_EQ(t->GetIncompleteCount(), 0);
        EXPECT_EQ(doc.LoadFilterTable(), 1);  // once per document
        EXPECT_EQ(doc.FilterTable(), t);
        // Copy by identifier.
        const CFilterEntry& last = *t->GetEntry(t->GetEntryCount() - 1);
        EXPECT_EQ(doc.CopyFilterToSchematic(last.id, 1), 65);
        EXPECT_EQ(doc.Device()->GetSymValue(65), last.id);
        prompter_.Clear();
        EXPECT_EQ(doc.CopyFilterToSchematic(999999, 0), -1);
        ASSERT_EQ(prompter_.messages.size(), 1u);
        EXPECT_EQ(prompter_.messages[0].text, "No entry was selected.  Copy to Schematic was not performed.");
        EXPECT_EQ(doc.Device()->GetSymValue(64), -1);
    }
    EXPECT_TRUE(prompter_.waitCursors > 0);
    // Without the file: the open-failure report, and the document goes on without a table.
    const fs::path empty = fs::temp_directory_path() / ("kalidor-nofilters-" + std::to_string(::getpid()));
    fs::create_directories(empty / "SupportFiles");
    SetProgramDirectory(empty.string());
    CSchDoc doc;
    ASSERT_TRUE(doc.OnNewDocument("ZelD"));
    prompter_.Clear();
    EXPECT_EQ(doc.LoadFilterTable(), 0);
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].text.rfind("Failed to open document.\n" + (empty / "SupportFiles").string() +
                                                   "/ZelD_FilterTable.XML\n",
                                               0),
              0u);
    EXPECT_EQ(doc.FilterTable(), nullptr);
    EXPECT_EQ(doc.CopyFilterToSchematic(1, 0), -1);
    fs::remove_all(empty);
}

TEST_F(FilterCopyTest, EveryShippedRowCopiesToTheElementsItWasMeasuredWith)
{
    for (const char* type : {"ZelD", "ZelE"}) {
        CFilterTable t;
        ASSERT_TRUE(t.Load(SupportFile(CFilterTable::FileName(type))));
        auto dev = CreateDeviceConfig(type);
        int lastId = 0;
        for (int r = 0; r < t.GetEntryCount(); ++r) {
            const CFilterEntry& e = *t.GetEntry(r);
            EXPECT_EQ(e.id, ++lastId);
            for (int i = 0; i < CFilterEntry::kComponentCount; ++i) {
                SetScaledCapValue(*dev, i, ScaledCapacitance(e.components[i]));
                ASSERT_EQ(dev->GetCapValueByCode(i, dev->GetSymValue(i)), std::lround(e.components[i] * 1e16))
                    << type << " row " << e.id << " element " << i;
            }
        }
    }
}

// ---------------------------------------------------------------- simulating copied rows

namespace {

struct Curve {
    std::vector<double> f, g;  // Hz, dB relative to the first point

    // The gain at frequency x, interpolated on the logarithmic frequency axis.
    double At(double x) const
    {
        for (size_t i = 1; i < f.size(); ++i)
            if (f[i] >= x) {
                const double t = std::log(x / f[i - 1]) / std::log(f[i] / f[i - 1]);
                return g[i - 1] + t * (g[i] - g[i - 1]);
            }
        return g.back();
    }
    // The first frequency at which the gain falls to `level`.
    double Crossing(double level) const
    {
        for (size_t i = 1; i < f.size(); ++i)
            if (g[i] <= level) {
                const double t = (level - g[i - 1]) / (g[i] - g[i - 1]);
                return f[i - 1] * std::pow(f[i] / f[i - 1], t);
            }
        return -1;
    }
};

// Runs curve `n` of the document on configuration `which` from fc / 100 to 10 fc.
Curve Simulate(CSchDoc& doc, int n, int which, double fc)
{
    doc.Simulation()->SetActiveCurve(n);
    CurveSetting& c = doc.Simulation()->Active();
    c.configAB = which;
    c.startFrequency = static_cast<int>(fc / 100);
    c.stopFrequency = static_cast<int>(fc * 10);
    c.pointsPerDecade = 500;
    EXPECT_TRUE(doc.RunSimulation());
    Curve curve;
    for (const CPltPoint& p : doc.Plot()->Points(n)) {
        curve.f.push_back(p.m_freq);
        curve.g.push_back(p.m_gain);
    }
    for (double& g : curve.g)
        g -= doc.Plot()->Points(n).front().m_gain;
    return curve;
}

// The row of `type` whose Fc is nearest `fc` (for Chebyshev rows, of the given ripple).
const CFilterEntry* Nearest(const CFilterTable& t, int type, double fc, double ripple = -1)
{
    const CFilterEntry* best = nullptr;
    for (int r = 0; r < t.GetEntryCount(); ++r) {
        const CFilterEntry* e = t.GetEntry(r);
        if (e->type != type || (ripple > 0 && std::abs(e->attributes[CFilterEntry::kPassRipple] - ripple) > 0.1))
            continue;
        if (!best || std::abs(std::log(e->attributes[CFilterEntry::kFc] / fc)) <
                         std::abs(std::log(best->attributes[CFilterEntry::kFc] / fc)))
            best = e;
    }
    return best;
}

void ExpectRowResponse(const Curve& c, const CFilterEntry& row)
{
    const double fc = row.attributes[CFilterEntry::kFc];
    EXPECT_NEAR(c.Crossing(-10 * std::log10(2.0)) / fc, 1.0, 0.005) << "Fc of row " << row.id;
    EXPECT_NEAR(c.At(2 * fc), row.attributes[CFilterEntry::kGain2Fc], 0.05) << "gain at 2 Fc of row " << row.id;
}

}  // namespace

TEST_F(FilterCopyTest, CopiedRowsSimulateAsTheRowsSay)
{
    // ZelD reaches down to about 56 kHz with a Butterworth response (its element tables and time
    // constant), ZelE to about 11 kHz: rows near 100 kHz and 10 kHz.
    for (const auto& [type, target] : {std::pair<const char*, double>{"ZelD", 100000}, {"ZelE", 10000}}) {
        CSchDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(type));
        ASSERT_EQ(doc.LoadFilterTable(), 1);
        const CFilterTable& t = *doc.FilterTable();
        const CFilterEntry* butterworth = Nearest(t, 5, target);
        const CFilterEntry* chebyshev = Nearest(t, 6, target, 0.5);
        ASSERT_TRUE(butterworth && chebyshev);
        EXPECT_NEAR(butterworth->attributes[CFilterEntry::kFc] / target, 1.0, 0.15) << type;
        EXPECT_EQ(doc.CopyFilterToSchematic(butterworth->id, 0), 64);
        EXPECT_EQ(doc.CopyFilterToSchematic(chebyshev->id, 1), 65);

        const Curve a = Simulate(doc, 0, 0, butterworth->attributes[CFilterEntry::kFc]);
        ExpectRowResponse(a, *butterworth);
        // Butterworth: the gain never rises on its way down (within the table's 0.01 dB).
        double lowest = 0.0;
        for (double g : a.g) {
            EXPECT_LE(g, lowest + 0.01);
            lowest = std::min(lowest, g);
        }

        const Curve b = Simulate(doc, 1, 1, chebyshev->attributes[CFilterEntry::kFc]);
        ExpectRowResponse(b, *chebyshev);
        // Chebyshev: the ripple up to Fp is the row's.
        double top = -100, bottom = 100;
        for (size_t i = 0; i < b.f.size() && b.f[i] <= chebyshev->attributes[CFilterEntry::kFp]; ++i) {
            top = std::max(top, b.g[i]);
            bottom = std::min(bottom, b.g[i]);
        }
        EXPECT_NEAR(top - bottom, chebyshev->attributes[CFilterEntry::kPassRipple], 0.01) << type;
        EXPECT_NEAR(chebyshev->attributes[CFilterEntry::kPassRipple], 0.5, 0.1);
        // The two rows differ enough at 2 Fc that each curve shows its own configuration.
        EXPECT_GT(butterworth->attributes[CFilterEntry::kGain2Fc] - chebyshev->attributes[CFilterEntry::kGain2Fc], 5.0);
    }
}
