// The designs of the library: every one opens without a message, and the response its comment
// claims ("Expected response, curve N" and the lines below it) is what the simulator gives for
// that curve. The claims were computed from the circuits' equations when the designs were made;
// here they meet the device models.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "device/SymbolInfo.h"
#include "document/LibraryReader.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"
#include "sim/Sweep.h"

using namespace kalidor;
namespace fs = std::filesystem;

namespace {

// How closely a device's simulation meets claims computed from its ideal circuit: frequency as a
// fraction, gain in dB. ZelA and ZelB are ideal in the model; ZelC's output amplifiers have a
// finite gain-bandwidth; ZelD and ZelE claims are those of the filter approximation, met with the
// nearest element codes.
struct Tolerance {
    double frequency;
    double gain;
    double stopband;
};
Tolerance ToleranceOf(const std::string& type)
{
    if (type == "ZelA" || type == "ZelB")
        return {0.002, 0.01, 0.1};
    if (type == "ZelC")
        return {0.02, 0.03, 0.1};
    return {0.02, 0.1, 0.5};
}

double ParseHz(const std::string& number, const std::string& unit)
{
    const double v = std::stod(number);
    return unit == "MHz" ? v * 1e6 : unit == "kHz" ? v * 1e3 : v;
}

class Curve {
public:
    explicit Curve(std::vector<CurvePoint> points) : points_(std::move(points)) {}
    // The gain at f, interpolated linearly in log f.
    double GainAt(double f) const
    {
        auto it = std::lower_bound(points_.begin(), points_.end(), f,
                                   [](const CurvePoint& p, double x) { return p.frequency < x; });
        if (it == points_.begin())
            return it->gainDb;
        if (it == points_.end())
            return points_.back().gainDb;
        const CurvePoint& b = *it;
        const CurvePoint& a = *(it - 1);
        const double t = std::log(f / a.frequency) / std::log(b.frequency / a.frequency);
        return a.gainDb + t * (b.gainDb - a.gainDb);
    }
    // The largest gain between lo and hi and its frequency (parabola through the top three points).
    std::pair<double, double> Peak(double lo, double hi) const
    {
        size_t best = 0;
        for (size_t i = 0; i < points_.size(); ++i)
            if (points_[i].frequency >= lo && points_[i].frequency <= hi &&
                (best == 0 || points_[i].gainDb > points_[best].gainDb))
                best = i;
        if (best == 0 || best + 1 >= points_.size())
            return {points_[best].gainDb, points_[best].frequency};
        const double x0 = std::log(points_[best - 1].frequency), x1 = std::log(points_[best].frequency);
        const double y0 = points_[best - 1].gainDb, y1 = points_[best].gainDb, y2 = points_[best + 1].gainDb;
        const double d = (y0 - 2 * y1 + y2);
        const double off = d == 0 ? 0 : 0.5 * (y0 - y2) / d * (x1 - x0);
        const double gain = y1 - 0.25 * (y0 - y2) * (off / (x1 - x0));
        return {gain, std::exp(x1 + off)};
    }
    const std::vector<CurvePoint>& Points() const { return points_; }

private:
    std::vector<CurvePoint> points_;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The number in the second line of a DAC symbol's value text ("Code:  40h\r\n-512.00mV").
double DacLevel(DeviceConfig& device, int key)
{
    const std::string text = GetValueTexts(device, key).value;
    const size_t nl = text.find('\n');
    return std::stod(text.substr(nl == std::string::npos ? 0 : nl + 1));
}

class LibraryDesignsTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(KALIDOR_BIN_DIR); }
    void TearDown() override { SetProgramDirectory(""); }

    // Checks every claim of one design; returns the number of claims checked.
    int CheckDesign(const std::string& path);

    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

int LibraryDesignsTest::CheckDesign(const std::string& path)
{
    SCOPED_TRACE(path);
    CSchDoc doc;
    if (!doc.OnOpenDocument(path)) {
        ADD_FAILURE() << "does not open";
        return 0;
    }
    EXPECT_TRUE(prompter_.messages.empty()) << prompter_.Texts().front();
    const std::string type = doc.GetDeviceType();
    const Tolerance tol = ToleranceOf(type);
    const CSummaryInfo& summary = doc.Summary();
    EXPECT_FALSE(summary.GetTitle().empty());
    EXPECT_FALSE(summary.GetSubject().empty());
    EXPECT_NE(summary.GetKeywords().find(type), std::string::npos);

    static const std::regex header(R"(Expected response, curve ([1-4]) \((.*)\):)");
    static const std::string f = R"(([0-9.]+) (Hz|kHz|MHz))";
    static const std::string g = R"((-?[0-9.]+) dB)";
    static const std::regex passband("  Passband gain: " + g + " at " + f);
    static const std::regex gainAt("  Gain at " + f + ": " + g);
    static const std::regex corner("  -3 dB corner: " + f);
    static const std::regex unity("  Unity gain at: " + f);
    static const std::regex peak("  Peak: " + g + " at " + f);
    static const std::regex ripple("  Ripple: ([0-9.]+) dB up to " + f);
    static const std::regex stopband("  Stopband: at least ([0-9.]+) dB below the passband from " + f);
    static const std::regex dac(R"((DAC|DAC1|DAC2) level: (-?[0-9.]+) (V|mV))");

    std::map<int, Curve> curves;
    int checked = 0;
    int curveIndex = -1;
    double reference = 0;
    const Curve* curve = nullptr;

    // The simulated gain reaches `level` within the frequency tolerance around `hz`.
    auto levelNear = [&](double level, double hz, const std::string& what) {
        const double a = curve->GainAt(hz * (1 - tol.frequency)), b = curve->GainAt(hz * (1 + tol.frequency));
        EXPECT_GE(level, std::min(a, b) - tol.gain) << what;
        EXPECT_LE(level, std::max(a, b) + tol.gain) << what;
    };

    for (const std::string& line : Lines(summary.GetComments())) {
        std::smatch m;
        if (std::regex_match(line, m, header)) {
            curveIndex = std::stoi(m[1]) - 1;
            CCurveLists lists;
            const int ok = RunSweep(*doc.Simulator(), *doc.Simulation(), lists, curveIndex);
            EXPECT_EQ(ok, 1) << line;
            curves.insert_or_assign(curveIndex, Curve(lists.Points(curveIndex)));
            curve = &curves.at(curveIndex);
            reference = 0;
            continue;
        }
        if (line.rfind("  ", 0) == 0) {
            if (!curve || curve->Points().empty()) {
                ADD_FAILURE() << "a claim without a simulated curve: " << line;
                continue;
            }
            SCOPED_TRACE(line);
            ++checked;
            if (std::regex_match(line, m, passband)) {
                reference = std::stod(m[1]);
                EXPECT_NEAR(curve->GainAt(ParseHz(m[2], m[3])), reference, tol.gain);
            } else if (std::regex_match(line, m, gainAt)) {
                levelNear(std::stod(m[3]), ParseHz(m[1], m[2]), line);
            } else if (std::regex_match(line, m, corner)) {
                levelNear(reference - 10 * std::log10(2.0), ParseHz(m[1], m[2]), line);
            } else if (std::regex_match(line, m, unity)) {
                levelNear(0.0, ParseHz(m[1], m[2]), line);
            } else if (std::regex_match(line, m, peak)) {
                const double hz = ParseHz(m[2], m[3]);
                const auto [gain, at] = curve->Peak(hz / 1.5, hz * 1.5);
                EXPECT_NEAR(gain, std::stod(m[1]), tol.gain);
                EXPECT_NEAR(at / hz, 1.0, tol.frequency);
                reference = std::stod(m[1]);  // the -3 dB points of a band-pass are the peak's
            } else if (std::regex_match(line, m, ripple)) {
                const double r = std::stod(m[1]), edge = ParseHz(m[2], m[3]) * (1 - tol.frequency);
                for (const CurvePoint& p : curve->Points())
                    if (p.frequency <= edge) {
                        EXPECT_LE(p.gainDb, reference + tol.gain) << p.frequency;
                        EXPECT_GE(p.gainDb, reference - r - tol.gain) << p.frequency;
                    }
            } else if (std::regex_match(line, m, stopband)) {
                const double a = std::stod(m[1]), edge = ParseHz(m[2], m[3]) * (1 + tol.frequency);
                int n = 0;
                for (const CurvePoint& p : curve->Points())
                    if (p.frequency >= edge) {
                        EXPECT_LE(p.gainDb, reference - a + tol.stopband) << p.frequency;
                        ++n;
                    }
                EXPECT_GT(n, 10) << "the curve ends before the stop band";
            } else {
                ADD_FAILURE() << "a claim this test does not know: " << line;
                --checked;
            }
            continue;
        }
        curve = nullptr;
        if (std::regex_match(line, m, dac)) {
            ++checked;
            const int key = type == "ZelB" ? 39 : (m[1] == "DAC1" ? 8 : 9);
            EXPECT_EQ(m[3], type == "ZelB" ? "V" : "mV");
            EXPECT_NEAR(DacLevel(*doc.Device(), key), std::stod(m[2]), 1e-6) << line;
        }
    }
    // Every design claims something of its first curve.
    EXPECT_TRUE(curves.count(0)) << "no claims for curve 1";
    return checked;
}

}  // namespace

TEST_F(LibraryDesignsTest, EveryDesignMeetsWhatItsCommentClaims)
{
    const std::string folder = KALIDOR_SOURCE_DIR "/support/LIBRARY/";
    const std::vector<std::string> names = LibraryFileNames(folder);
    ASSERT_GE(names.size(), 15u);
    int claims = 0;
    for (const std::string& name : names)
        claims += CheckDesign(folder + name);
    EXPECT_GE(claims, 4 * int(names.size()));
}

TEST_F(LibraryDesignsTest, AWrongClaimIsFound)
{
    // The check itself: a library design whose corner claim is moved by 5 % fails it.
    const std::string folder = KALIDOR_SOURCE_DIR "/support/LIBRARY/";
    CSchDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(folder + "ZelA_Lowpass1_20kHz.ZEL"));
    CSummaryInfo s = doc.Summary();
    std::string c = s.GetComments();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(c, m, std::regex("-3 dB corner: ([0-9.]+) kHz")));
    const double khz = std::stod(m[1]);
    c.replace(m.position(1), m.length(1), std::to_string(khz * 1.05));
    s.SetComments(c);
    doc.SetSummary(s);
    const fs::path tmp = fs::temp_directory_path() / ("kalidor-wrong-claim-" + std::to_string(::getpid()) + ".ZEL");
    ASSERT_TRUE(doc.OnSaveDocument(tmp.string()));
    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        CheckDesign(tmp.string());
    }
    fs::remove(tmp);
    EXPECT_GE(failures.size(), 1);
}
