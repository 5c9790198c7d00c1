// Generator of the filter configuration tables ZelD_FilterTable.XML and ZelE_FilterTable.XML.
//
// For every filter type the fifth-order low-pass prototype is computed from the mathematics of its
// approximation and synthesised as the doubly terminated ladder C1, C2||L2, C3, C4||L4, C5
// (tools/filters). Each prototype is scaled to a grid of cut-off frequencies, 24 per decade,
// from the lowest the device's element tables can reach; every element takes the code the
// schematic's own nearest-value search picks (for a scale corrected by the realised Fc, when that
// comes nearer the grid point), and the realised design is measured with the device's simulator.
// A row records what the quantised design does; rows that stray from their approximation are
// dropped, and a type's range ends where half a decade of grid points in a row strays.
//
//   make_filter_tables OUTDIR            write both tables into OUTDIR
//   make_filter_tables --check DIR       exit 1 when a table in DIR differs from what would be written
//   make_filter_tables --report          print rows and dropped rows per device and type
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/DeviceConfig.h"
#include "GeneratedFile.h"
#include "filters/Ladder.h"
#include "platform/AtomicFile.h"
#include "sim/ZelDSimulator.h"
#include "utilities/FilterEntry.h"
#include "utilities/FilterTable.h"

using namespace kalidor;
using namespace kalidor::filters;

namespace {

// What the tables carry in their header. The date changes only with the generator's output.
constexpr char kTableVersion[] = "1.0";
constexpr char kTableDate[] = "2026-12-08";

constexpr int kGridPerDecade = 24;
// Rows whose realised response strays further than this from the grid point or the
// approximation are dropped.
constexpr double kFcTolerance = 0.01;
constexpr double kRippleToleranceDb = 0.1;
constexpr double kAttenuationToleranceDb = 1.0;
// The gain of a monotonic type may rise on its way to Fc by no more than this.
constexpr double kMonotonicToleranceDb = 0.01;
// A design off its grid point by more than this is scaled again, at most kRescaleSteps times.
constexpr double kFcGoodEnough = 0.001;
constexpr int kRescaleSteps = 3;

// ---------------------------------------------------------------- the approximations

struct Variant {
    int type;              // CFilterEntry type number
    std::string name;      // for the report
    LowPass function;      // half power at 1 rad/s
    Ladder ladder;         // synthesised, oriented for the device
    double ripple = -1;    // nominal pass-band ripple, dB (Chebyshev, elliptic)
    double attenuation = -1;  // nominal stop-band attenuation, dB (elliptic)
    bool monotonic = false;
};

std::vector<Variant> Approximations()
{
    std::vector<Variant> v;
    auto add = [&](int type, std::string name, const LowPass& f, double ripple = -1, double atten = -1) {
        Variant x{type, std::move(name), f.AtCutoff(), {}, ripple, atten, ripple < 0};
        v.push_back(std::move(x));
    };
    add(0, "Bessel", Bessel(5));
    add(1, "Linear phase 0.05 deg", LinearPhase(5, 0.05));
    add(2, "Linear phase 0.5 deg", LinearPhase(5, 0.5));
    add(3, "Gaussian", Gaussian(5));
    add(4, "Legendre", Legendre(5));
    add(5, "Butterworth", Butterworth(5));
    for (double r : {0.01, 0.1, 0.25, 0.5, 1.0}) {
        char name[40];
        std::snprintf(name, sizeof name, "Chebyshev %.2f dB", r);
        add(6, name, Chebyshev(5, r), r);
    }
    for (double r : {0.1, 0.5, 1.0})
        for (double a : {40.0, 50.0, 60.0, 70.0}) {
            char name[60];
            std::snprintf(name, sizeof name, "Elliptical %.1f dB, %.0f dB", r, a);
            add(7, name, Elliptic(5, r, EllipticSelectivity(5, r, a)), r, a);
        }
    return v;
}

// ---------------------------------------------------------------- the device

// The device's filter is the ladder simulated by five integrators: its state equations hold
// C1 + C2 at the first node, C2 + C3 + C4 at the middle node and (C4 + C5) / 2 at the last (whose
// integrator is scaled by two for a unity pass band), each divided by the time constant. The
// element values a prototype asks for, at 1 rad/s and a time constant of 1 s:
Ladder DeviceValues(const Ladder& p)
{
    return {p[kC1] + p[kC2], p[kC2], p[kL2], p[kC2] + p[kC3] + p[kC4], p[kC4], p[kL4],
            0.5 * (p[kC4] + p[kC5])};
}

struct Device {
    std::unique_ptr<DeviceConfig> config;
    std::unique_ptr<CZelDSimulator> simulator;
    double tau = 0;
    std::array<double, 7> largest{};  // the largest value of each element table, farads

    explicit Device(const std::string& t) : config(CreateDeviceConfig(t))
    {
        simulator = std::make_unique<CZelDSimulator>(*config, t);
        tau = simulator->GetTimeConstant();
        for (int e = 0; e < 7; ++e)
            largest[e] = config->GetCapValueBySorted(e, config->GetCapCount(e) - 1) * 1e-16;
    }

    // The lowest cut-off frequency whose element values all fit the tables, Hz.
    double LowestFc(const Ladder& prototype) const
    {
        const Ladder d = DeviceValues(prototype);
        double f = 0;
        for (int e = 0; e < 7; ++e)
            f = std::max(f, d[e] * tau / (kSimTwoPi * largest[e]));
        return f;
    }

    // Sets configuration A to the codes nearest the prototype scaled to `fc`; returns the codes.
    std::array<int, 7> Quantise(const Ladder& prototype, double fc)
    {
        const Ladder d = DeviceValues(prototype);
        std::array<int, 7> codes{};
        for (int e = 0; e < 7; ++e) {
            const double units = d[e] * tau / (kSimTwoPi * fc) * 1e16;
            codes[e] = config->GetNearestCapIndex(e, static_cast<int>(std::lround(units)));
            config->SetSymValue(e, codes[e]);
        }
        simulator->Configure(0);
        return codes;
    }

    double GainDb(double f)
    {
        simulator->Evaluate(f);
        double g = 0;
        return simulator->GetGainDb(0, &g) ? g : -400.0;
    }
};

// ---------------------------------------------------------------- measuring

struct Measured {
    double fc = -1, gain2 = 0, gain10 = 0;
    double fp = -1, ripple = -1, fs = -1, attenuation = -1;
    double ratio = -1;
    double rise = 0;  // the largest rise of the gain on the way from DC to Fc, dB
};

// The frequency between lo and hi where the gain (relative to DC) crosses `level`, given that it
// is above at lo and below at hi (or the reverse).
double Crossing(Device& d, double dc, double lo, double hi, double level)
{
    const bool aboveAtLo = d.GainDb(lo) - dc > level;
    for (int i = 0; i < 45; ++i) {
        const double mid = std::sqrt(lo * hi);
        ((d.GainDb(mid) - dc > level) == aboveAtLo ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

// A local extreme of the gain between lo and hi, refined by golden sections.
double Extreme(Device& d, double lo, double hi, bool maximum)
{
    return LocalExtreme([&](double f) { return d.GainDb(f); }, lo, hi, maximum);
}

struct Extremes {
    std::vector<double> maxima, minima;  // frequencies
};

// Local extremes of the gain on a geometric grid from lo to hi.
Extremes FindExtremes(Device& d, double lo, double hi, int steps)
{
    Extremes x;
    const double r = std::pow(hi / lo, 1.0 / steps);
    double f0 = lo, f1 = lo * r;
    double g0 = d.GainDb(f0), g1 = d.GainDb(f1);
    for (int i = 2; i <= steps; ++i) {
        const double f2 = f1 * r;
        const double g2 = d.GainDb(f2);
        if (g1 > g0 && g1 >= g2)
            x.maxima.push_back(Extreme(d, f0, f2, true));
        else if (g1 < g0 && g1 <= g2)
            x.minima.push_back(Extreme(d, f0, f2, false));
        f0 = f1, g0 = g1, f1 = f2, g1 = g2;
    }
    return x;
}

// The cut-off of the configured design: its first half-power crossing, searched from near the grid
// point; -1 when there is none within two decades.
double MeasureFc(Device& d, double grid)
{
    const double dc = d.GainDb(grid * 1e-4);
    double f = grid * 0.8;
    while (d.GainDb(f) - dc <= -kHalfPowerDb && f > grid * 0.01)
        f /= 1.1;
    while (d.GainDb(f) - dc > -kHalfPowerDb && f < grid * 100)
        f *= 1.005;
    if (f >= grid * 100 || f <= grid * 0.01)
        return -1;
    return Crossing(d, dc, f / 1.005, f, -kHalfPowerDb);
}

Measured Measure(Device& d, const Variant& v, double grid)
{
    Measured m;
    const double dc = d.GainDb(grid * 1e-4);
    m.fc = MeasureFc(d, grid);
    if (m.fc < 0)
        return m;
    m.gain2 = d.GainDb(2 * m.fc) - dc;
    m.gain10 = d.GainDb(10 * m.fc) - dc;

    // The pass band up to the cut-off: its peak, and for rippled types the valleys.
    const Extremes pass = FindExtremes(d, m.fc * 0.01, m.fc, 300);
    double peak = 0.0;
    for (double x : pass.maxima)
        peak = std::max(peak, d.GainDb(x) - dc);
    for (double x : pass.maxima) {
        double before = 0.0;  // the lowest gain between DC and this maximum
        for (double y : pass.minima)
            if (y < x)
                before = std::min(before, d.GainDb(y) - dc);
        m.rise = std::max(m.rise, d.GainDb(x) - dc - before);
    }
    if (v.ripple >= 0) {
        double valley = peak;
        for (double x : pass.minima)
            valley = std::min(valley, d.GainDb(x) - dc);
        m.ripple = peak - valley;
        // The pass band ends where the final descent falls through the deepest valley.
        const double lastTurn = pass.maxima.empty() ? m.fc * 0.01 : pass.maxima.back();
        m.fp = m.ripple > 0 ? Crossing(d, dc, lastTurn, m.fc, valley) : -1;
    }
    if (v.attenuation >= 0) {
        // The stop band: the bumps between the notches; its edge where the gain first falls to
        // the highest bump.
        const Extremes stop = FindExtremes(d, m.fc, m.fc * 10, 400);
        double bump = -400;
        for (double x : stop.maxima)
            bump = std::max(bump, d.GainDb(x) - dc);
        if (!stop.minima.empty() && bump > -400) {
            m.attenuation = -bump;
            m.fs = Crossing(d, dc, m.fc, stop.minima.front(), bump);
            m.ratio = m.fp > 0 ? m.fs / m.fp : -1;
        }
    }
    return m;
}

// Why a realised design is left out, or "" when it is kept.
const char* Stray(const Variant& v, const Measured& m, double grid)
{
    if (m.fc < 0 || std::abs(m.fc / grid - 1.0) > kFcTolerance)
        return "Fc";
    if (v.ripple >= 0 && (m.fp < 0 || std::abs(m.ripple - v.ripple) > kRippleToleranceDb))
        return "ripple";
    if (v.attenuation >= 0 && (m.fs < 0 || std::abs(m.attenuation - v.attenuation) > kAttenuationToleranceDb))
        return "attenuation";
    if (v.monotonic && m.rise > kMonotonicToleranceDb)
        return "not monotonic";
    return "";
}

// A component value in farads that the copy into a schematic (farads x 1e16 truncated, then the
// nearest element) turns back into `units`: the value itself, or half a unit above it where
// the decimal text would truncate one unit low.
double ComponentFarads(DeviceConfig& config, int element, int units)
{
    for (double bias : {0.0, 0.5}) {
        const double farads = (units + bias) * 1e-16;
        char text[40];
        std::snprintf(text, sizeof text, "%.10g", farads);
        const double read = std::strtod(text, nullptr);
        const int code = config.GetNearestCapIndex(element, static_cast<int>(read * 1e12 * 1e4));
        if (config.GetCapValueByCode(element, code) == units)
            return read;
    }
    return units * 1e-16;
}

constexpr char kOutOfRange[] = "out of range";

// A quantised design at one grid point.
struct Design {
    double target = 0;  // the cut-off the elements were scaled for
    std::array<int, 7> codes{};
    Measured m;
    const char* why = "";  // "" when kept
};

// Sets the nearest codes for `target`; false when an element the prototype needs falls to the
// bottom of its table.
bool Quantise(Device& d, const Variant& v, double target, Design& r)
{
    r.target = target;
    r.codes = d.Quantise(v.ladder, target);
    const Ladder need = DeviceValues(v.ladder);
    for (int el = 0; el < 7; ++el)
        if (need[el] > 0 && r.codes[el] == 0)
            return false;
    return true;
}

// The nearest codes at the grid point; while the realised Fc is off, again with the scale moved
// by the error (a few times at most). The design whose Fc comes nearest is measured in full.
Design Realise(Device& d, const Variant& v, double grid)
{
    Design r;
    if (!Quantise(d, v, grid, r)) {
        r.why = kOutOfRange;
        return r;
    }
    double bestTarget = grid, bestFc = MeasureFc(d, grid), fc = bestFc, target = grid;
    for (int i = 0; i < kRescaleSteps && fc > 0 && std::abs(bestFc / grid - 1.0) > kFcGoodEnough; ++i) {
        target *= grid / fc;
        if (!Quantise(d, v, target, r))
            break;
        fc = MeasureFc(d, grid);
        if (fc > 0 && std::abs(fc - grid) < std::abs(bestFc - grid)) {
            bestFc = fc;
            bestTarget = target;
        }
    }
    Quantise(d, v, bestTarget, r);
    r.m = Measure(d, v, grid);
    r.why = Stray(v, r.m, grid);
    return r;
}

CFilterEntry Entry(Device& d, const Variant& v, const Design& r)
{
    CFilterEntry e;
    e.type = v.type;
    e.attributes[CFilterEntry::kFc] = r.m.fc;
    e.attributes[CFilterEntry::kGain2Fc] = r.m.gain2;
    e.attributes[CFilterEntry::kGain10Fc] = r.m.gain10;
    if (v.ripple >= 0) {
        e.attributes[CFilterEntry::kFp] = r.m.fp;
        e.attributes[CFilterEntry::kPassRipple] = r.m.ripple;
    }
    if (v.attenuation >= 0) {
        e.attributes[CFilterEntry::kFs] = r.m.fs;
        e.attributes[CFilterEntry::kStopAtten] = r.m.attenuation;
        e.attributes[CFilterEntry::kFsFpRatio] = r.m.ratio;
    }
    e.attributes[CFilterEntry::kMaxVin] = -1;  // the model knows no signal swing
    for (int el = 0; el < 7; ++el)
        e.components[el] = ComponentFarads(*d.config, el, d.config->GetCapValueByCode(el, r.codes[el]));
    return e;
}

struct Tally {
    int kept = 0;
    std::map<std::string, int> dropped;  // by reason
    double lowest = 0, highest = 0;      // kept Fc range
};

struct TableResult {
    std::string text;
    std::map<std::string, Tally> byVariant;
    std::vector<std::string> order;
};

TableResult BuildTable(const std::string& type, std::vector<Variant> variants)
{
    Device d(type);
    TableResult out;
    std::vector<CFilterEntry> entries;
    for (Variant& v : variants) {
        // The orientation that reaches lower: the large end element where the table is largest.
        const auto synthesised = SynthesizeLadder(v.function);
        if (!synthesised)
            throw std::runtime_error("no ladder for " + v.name);
        v.ladder = *synthesised;
        if (d.LowestFc(Reversed(v.ladder)) < d.LowestFc(v.ladder))
            v.ladder = Reversed(v.ladder);
        Tally& tally = out.byVariant[v.name];
        out.order.push_back(v.name);
        // From the lowest reachable cut-off up, until the elements run out of their tables or a
        // half decade in a row strays; strays are counted where kept rows lie above them.
        std::vector<std::string> strays;
        const int first = static_cast<int>(std::ceil(kGridPerDecade * std::log10(d.LowestFc(v.ladder))));
        for (int k = first; static_cast<int>(strays.size()) < kGridPerDecade / 2; ++k) {
            const double grid = std::pow(10.0, static_cast<double>(k) / kGridPerDecade);
            const Design r = Realise(d, v, grid);
            if (r.why == kOutOfRange)
                break;
            if (*r.why) {
                strays.push_back(r.why);
                continue;
            }
            for (const std::string& why : strays)
                ++tally.dropped[why];
            strays.clear();
            entries.push_back(Entry(d, v, r));
            if (tally.kept++ == 0)
                tally.lowest = r.m.fc;
            tally.highest = r.m.fc;
        }
    }
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].id = static_cast<int>(i) + 1;
    CFilterTable table;
    table.SetContents(1, kTableVersion, type, kTableDate, std::move(entries));
    out.text = table.Write();
    return out;
}

void Report(const std::string& type, const TableResult& r)
{
    int kept = 0, dropped = 0;
    std::printf("%s\n", type.c_str());
    for (const std::string& name : r.order) {
        const Tally& t = r.byVariant.at(name);
        int d = 0;
        std::string reasons;
        for (const auto& [why, n] : t.dropped) {
            d += n;
            reasons += " " + why + " " + std::to_string(n);
        }
        std::printf("  %-30s %4d rows, Fc %9.1f .. %10.1f Hz, %3d dropped%s\n", name.c_str(), t.kept,
                    t.lowest, t.highest, d, reasons.c_str());
        kept += t.kept;
        dropped += d;
    }
    std::printf("  %-30s %4d rows, %d dropped\n", "total", kept, dropped);
}

int Run(const std::string& dir, bool check, bool report)
{
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Variant> variants = Approximations();
    int status = 0;
    for (const char* type : {"ZelD", "ZelE"}) {
        const TableResult r = BuildTable(type, variants);
        if (report)
            Report(type, r);
        if (dir.empty())
            continue;
        const std::string path = dir + "/" + CFilterTable::FileName(type);
        status |= tools::WriteOrCheck(path, r.text, check, "make_filter_tables");
    }
    if (report)
        std::printf("generated in %.2f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 2 && std::string(argv[1]) == "--report")
            return Run("", false, true);
        if (argc == 2 && argv[1][0] != '-')
            return Run(argv[1], false, false);
        if (argc == 3 && std::string(argv[1]) == "--check")
            return Run(argv[2], true, false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_filter_tables: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: make_filter_tables OUTDIR | --check DIR | --report\n");
    return 2;
}
