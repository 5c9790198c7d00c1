// Generator of the ZelA ladder filter table ZelA_LadderFilter.XML.
//
// Each filter type is a doubly terminated LC ladder between equal 1-ohm terminations (shunt C1,
// series L2, shunt C3, and for the fourth order series L4), its element values computed from the
// classic closed forms (Butterworth g_k = 2 sin((2k - 1) pi / 2n); Chebyshev from the ripple's
// hyperbolic parameters). The ladder is simulated by its state equations, one block each
// (leapfrog): a terminated element is a lossy integrator (feedback resistor in, time constant g),
// an inner element a lossless one (feedback switch open) whose two equal and opposite gains p may
// be 1..10, its time constant p * g; the gains of the unity-gain form double the input and the
// internal signals so that the pass band sits at 0 dB. For a grid of corner frequencies (24 per
// decade) over what the capacitor table reaches, each block takes the nearest capacitor (and each
// lossless block the gain whose capacitor comes nearest), the configured device is simulated, and
// the row records the realised corner; rows whose corner is more than 2 % off the grid point, or
// whose pass band is not the type's (ripple off by more than 0.1 dB, a Butterworth pass band
// rising by more than 0.1 dB), are dropped.
//
// The corner (d0, in hertz) is the -3 dB frequency for Butterworth filters and the edge of the
// ripple band for Chebyshev filters.
//
//   make_ladder_table OUTDIR           write the table into OUTDIR
//   make_ladder_table --check DIR      exit 1 when the table in DIR differs from what would be written
//   make_ladder_table --report         print rows and dropped rows per type
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GeneratedFile.h"
#include "device/DeviceConfig.h"
#include "device/ZelAKeys.h"
#include "sim/ZelASimulator.h"
#include "utilities/ConfigurationCopy.h"
#include "utilities/LadderTable.h"

using namespace kalidor;

namespace {

constexpr char kTableVersion[] = "1.0";
constexpr char kTableDate[] = "2026-12-08";
constexpr int kGridPerDecade = 24;
constexpr double kCornerTolerance = 0.02;
constexpr double kRippleToleranceDb = 0.1;
constexpr double kHalfPowerDb = 3.0102999566398120;
constexpr double kR = 250000.0;  // the blocks' resistor, ohms
constexpr double kPi = 3.14159265358979323846;

constexpr char kHeader[] =
    "\r\n"
    "  Ladder (leapfrog) low-pass filters on the four blocks of ZelA, from doubly terminated LC\r\n"
    "  prototypes, each row simulated. An entry: ID, then d0 the corner frequency in hertz as\r\n"
    "  realised (-3 dB for Butterworth, the edge of the ripple band for Chebyshev), then for\r\n"
    "  blocks 1..4 the IA1 and IA2 input selectors, the T1 and T2 gains, the capacitor in pF and\r\n"
    "  the feedback switch (1 open), and d25 the output node.\r\n";

struct LadderType {
    int type;
    int order;
    double ripple;  // dB, 0 for Butterworth
    bool unity;
};
const LadderType kTypes[] = {
    {9, 3, 0.0, false}, {10, 4, 0.0, false}, {11, 3, 0.1, false},
    {12, 3, 0.2, false}, {13, 3, 0.5, false}, {14, 3, 0.5, true},
};

// Element values g1..gn of the prototype (corner at 1 rad/s).
std::vector<double> Prototype(const LadderType& t)
{
    const int n = t.order;
    std::vector<double> g(n);
    if (t.ripple == 0.0) {
        for (int k = 1; k <= n; ++k)
            g[k - 1] = 2.0 * std::sin((2 * k - 1) * kPi / (2.0 * n));
        return g;
    }
    const double beta = std::log(1.0 / std::tanh(t.ripple / 17.37));
    const double gamma = std::sinh(beta / (2.0 * n));
    auto a = [&](int k) { return std::sin((2 * k - 1) * kPi / (2.0 * n)); };
    auto b = [&](int k) { return gamma * gamma + std::pow(std::sin(k * kPi / n), 2); };
    g[0] = 2.0 * a(1) / gamma;
    for (int k = 2; k <= n; ++k)
        g[k - 1] = 4.0 * a(k - 1) * a(k) / (b(k - 1) * g[k - 2]);
    return g;
}

// One block's six numbers.
struct Block {
    int in1 = 0, in2 = 0;
    int gain1 = 1, gain2 = 1;
    double pf = 0.0;
    int feedbackOpen = 0;
};

struct Capacitors {
    std::vector<int> scaled;  // the table's values, ascending, 1e-16 F
    int Nearest(double farads) const
    {
        const double s = farads * 1e16;
        int best = scaled.front();
        for (int v : scaled)
            if (std::fabs(v - s) < std::fabs(best - s))
                best = v;
        return best;
    }
};

// The blocks of a type at corner fc: block order XT, XB, YT, YB. State k (1-based) of the ladder
// sits in block kPlace[k - 1]: V1 XT, I2 XB, V3 YB, I4 YT.
constexpr int kPlace[4] = {0, 1, 3, 2};

struct Design {
    Block blocks[4];
    int outputNode = 0;
};

Design Layout(const LadderType& t, const std::vector<double>& g, double fc, const Capacitors& caps)
{
    const double wc = 2.0 * kPi * fc;
    Design d;
    // Time constant T (normalised) to a capacitor value in pF from the table.
    auto pfOf = [&](double T) { return caps.Nearest(T / (wc * kR)) / 10000.0; };
    // A lossless block: the gain p whose capacitor is relatively nearest.
    auto lossless = [&](Block& b, double gk) {
        double bestErr = 1e9;
        for (int p = 1; p <= 10; ++p) {
            const double want = p * gk / (wc * kR);
            const double got = caps.Nearest(want) * 1e-16;
            const double err = std::fabs(got / want - 1.0);
            if (err < bestErr - 1e-12) {
                bestErr = err;
                b.gain1 = p;
                b.gain2 = -p;
                b.pf = got * 1e12;
            }
        }
        b.feedbackOpen = 1;
    };
    const int s = t.unity ? 2 : 1;  // the unity-gain form doubles the input and the inner signals
    Block& v1 = d.blocks[kPlace[0]];
    Block& i2 = d.blocks[kPlace[1]];
    Block& v3 = d.blocks[kPlace[2]];
    // V1 = (Vin - I2) / (1 + s g1): IN1 and OUT2.
    v1.in1 = 1;
    v1.in2 = 4;
    v1.gain1 = s;
    v1.gain2 = -1;
    v1.pf = pfOf(g[0]);
    // I2 = (V1 - V3) / (s g2): OUT1 and OUT4.
    i2.in1 = 3;
    i2.in2 = 5;
    lossless(i2, g[1]);
    if (t.order == 3) {
        // V3 = I2 / (1 + s g3): OUT2; the output.
        v3.in1 = 5;
        v3.pf = pfOf(g[2]);
        d.outputNode = 4;
    } else {
        // V3 = (I2 - I4) / (s g3): OUT2 and OUT3; I4 = V3 / (1 + s g4): OUT4, the output.
        Block& i4 = d.blocks[kPlace[3]];
        v3.in1 = 5;
        v3.in2 = 3;
        lossless(v3, g[2]);
        i4.in1 = 4;
        i4.pf = pfOf(g[3]);
        d.outputNode = 3;
    }
    // A block that is not used keeps no inputs, its feedback in and the smallest capacitor.
    for (Block& b : d.blocks)
        if (b.pf == 0.0)
            b.pf = caps.scaled.front() / 10000.0;
    return d;
}

CFilterEntry4Macro Entry(int type, double corner, const Design& d)
{
    CFilterEntry4Macro e;
    e.type = type;
    e.d[0] = std::round(corner * 100.0) / 100.0;
    for (int b = 0; b < 4; ++b) {
        const Block& x = d.blocks[b];
        const double v[6] = {double(x.in1), double(x.in2), double(x.gain1), double(x.gain2), x.pf,
                             double(x.feedbackOpen)};
        for (int i = 0; i < 6; ++i)
            e.d[1 + b * 6 + i] = v[i];
    }
    e.d[CFilterEntry4Macro::kOutputNode] = d.outputNode;
    e.numbersRead = CFilterEntry4Macro::kRequiredNumbers;
    return e;
}

struct Measured {
    double corner = 0;
    double ripple = 0;  // pass-band peak to trough, dB
    double rise = 0;    // largest pass-band gain above DC, dB
};

// Simulates the entry as a copy sets it and measures its corner and pass band.
bool Measure(DeviceConfig& device, CZelASimulator& sim, const CFilterEntry4Macro& e, const LadderType& t,
             double target, Measured& m)
{
    device.Reset();
    ApplyLadderEntry(device, e);
    sim.Configure(0);
    sim.SelectInput(1);
    const int node = static_cast<int>(e.d[CFilterEntry4Macro::kOutputNode]);
    auto gain = [&](double f) {
        sim.Evaluate(f);
        double dB = -400;
        sim.GetGainDb(node, &dB);
        return dB;
    };
    const double dc = gain(target * 1e-4);
    // The level whose last crossing is the corner.
    std::vector<double> f, g;
    const int n = 600;
    for (int i = 0; i <= n; ++i) {
        f.push_back(target * std::pow(10.0, -2.0 + 2.5 * i / n));  // 0.01 .. 3.16 x target
        g.push_back(gain(f.back()));
    }
    const double peak = *std::max_element(g.begin(), g.end());
    const double level = t.ripple == 0.0 ? dc - kHalfPowerDb : peak - t.ripple;
    int last = -1;
    for (int i = n; i >= 0; --i)
        if (g[i] >= level) {
            last = i;
            break;
        }
    if (last < 0 || last == n)
        return false;
    double lo = f[last], hi = f[last + 1];
    for (int i = 0; i < 50; ++i) {
        const double mid = std::sqrt(lo * hi);
        (gain(mid) >= level ? lo : hi) = mid;
    }
    m.corner = std::sqrt(lo * hi);
    double trough = peak;
    for (int i = 0; i <= last; ++i)
        trough = std::min(trough, g[i]);
    m.ripple = peak - std::min(trough, level);
    m.rise = peak - dc;
    return true;
}

struct Result {
    std::string text;
    std::string report;
};

Result Build()
{
    auto device = CreateDeviceConfig("ZelA");
    CZelASimulator sim(*device);
    Capacitors caps;
    for (int i = 0; i < device->GetCapCount(0); ++i)
        caps.scaled.push_back(device->GetCapValueBySorted(0, i));
    std::sort(caps.scaled.begin(), caps.scaled.end());
    caps.scaled.erase(std::remove_if(caps.scaled.begin(), caps.scaled.end(), [](int v) { return v <= 0; }),
                      caps.scaled.end());
    const double cMin = caps.scaled.front() * 1e-16, cMax = caps.scaled.back() * 1e-16;

    std::vector<CFilterEntry4Macro> entries;
    Result r;
    int totalDropped = 0;
    for (const LadderType& t : kTypes) {
        const std::vector<double> g = Prototype(t);
        const double gMin = *std::min_element(g.begin(), g.end());
        const double gMax = *std::max_element(g.begin(), g.end());
        // Corners whose largest time constant fits the largest capacitor and whose smallest the
        // smallest (lossless blocks may raise theirs by their gain).
        const double fLow = gMax / (2.0 * kPi * kR * cMax);
        const double fHigh = gMin / (2.0 * kPi * kR * cMin);
        const int k0 = static_cast<int>(std::ceil(std::log10(fLow) * kGridPerDecade));
        const int k1 = static_cast<int>(std::floor(std::log10(fHigh) * kGridPerDecade));
        int kept = 0, dropped = 0;
        double lowest = 0, highest = 0;
        for (int k = k0; k <= k1; ++k) {
            const double target = std::pow(10.0, static_cast<double>(k) / kGridPerDecade);
            const Design d = Layout(t, g, target, caps);
            CFilterEntry4Macro e = Entry(t.type, target, d);
            Measured m;
            const bool ok = Measure(*device, sim, e, t, target, m) &&
                            std::fabs(m.corner / target - 1.0) <= kCornerTolerance &&
                            (t.ripple == 0.0 ? m.rise <= kRippleToleranceDb
                                             : std::fabs(m.ripple - t.ripple) <= kRippleToleranceDb);
            if (!ok) {
                ++dropped;
                continue;
            }
            e.d[0] = std::round(m.corner * 100.0) / 100.0;
            if (kept++ == 0)
                lowest = e.d[0];
            highest = e.d[0];
            entries.push_back(e);
        }
        totalDropped += dropped;
        char line[200];
        std::snprintf(line, sizeof line, "  %-24s %4d rows, %10.2f .. %10.2f Hz, %3d dropped\n",
                      CFilterEntry4Macro::TypeName(t.type).c_str(), kept, lowest, highest, dropped);
        r.report += line;
    }
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].id = static_cast<int>(i) + 1;
    char line[120];
    std::snprintf(line, sizeof line, "  %-24s %4zu rows, %d dropped\n", "total", entries.size(), totalDropped);
    r.report += line;
    CFilterTable4Macro table;
    table.SetContents(1, kTableVersion, "ZelA", kTableDate, std::move(entries), kHeader);
    r.text = table.Write();
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (argc == 2 && mode == "--report") {
        std::printf("ZelA ladder filters\n%s", Build().report.c_str());
        std::printf("generated in %.2f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        return 0;
    }
    if (argc == 2 && mode[0] != '-')
        return tools::WriteOrCheck(mode + "/" + CFilterTable4Macro::FileName("ZelA"), Build().text, false,
                                   "make_ladder_table");
    if (argc == 3 && mode == "--check")
        return tools::WriteOrCheck(std::string(argv[2]) + "/" + CFilterTable4Macro::FileName("ZelA"), Build().text,
                                   true, "make_ladder_table");
    std::fprintf(stderr, "usage: make_ladder_table OUTDIR | --check DIR | --report\n");
    return 2;
}
