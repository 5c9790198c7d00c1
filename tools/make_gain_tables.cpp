// Generator of the gain tables ZelA_GainTable.xml and ZelB_GainTable.xml.
//
// For each of the eight configurations every combination of amplifier gains (-10..10 without 0)
// is enumerated and its overall gain computed with the configuration's formula; for each
// configuration and overall gain (0 left out) the best combination for low noise, for bandwidth
// and for common-mode range is kept (the rules are written into the file's header). The
// connections are every way the device's input selectors can wire a configuration from an input
// to an output. Every kept row is then verified with the device's simulator for every connection
// of its configuration: the DC gain from the connection's input to its output must equal the
// row's overall gain within 0.01 dB, with its sign.
//
//   make_gain_tables OUTDIR            write both tables into OUTDIR
//   make_gain_tables --check DIR       exit 1 when a table in DIR differs from what would be written
//   make_gain_tables --report          print the tables' figures
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "GeneratedFile.h"
#include "device/DeviceConfig.h"
#include "platform/Paths.h"
#include "sim/ZelASimulator.h"
#include "utilities/ConfigurationCopy.h"
#include "utilities/GainTable.h"
#include "view/SvgPainter.h"

using namespace kalidor;

namespace {

constexpr char kHeader[] =
    "\r\n"
    "  Gain configurations of %s: every overall gain the eight configurations reach with\r\n"
    "  amplifier gains -10..10 (0 excluded), each verified with the simulator.\r\n"
    "  Gain entry: configuration, best for, overall gain, gains A, B, C, D (0 = not used).\r\n"
    "  In configurations 1..6 A and B are the amplifiers of the block fed from the input and C, D\r\n"
    "  those of the block after it; in 7 and 8 C (and D) are the first block's and A, B the\r\n"
    "  output block's, B taking the input directly.\r\n"
    "  First-stage gain: the gain of the block fed from the input (A, A + B, C or C + D).\r\n"
    "  Best for 0 Noise Level: the largest first-stage gain; then the smallest sum of |gains|.\r\n"
    "  Best for 1 Bandwidth: the smallest largest |amplifier gain|; then the smallest sum of\r\n"
    "  |gains|; then the largest first-stage gain.\r\n"
    "  Best for 2 CM Range: the smallest first-stage gain; then the smallest largest |amplifier\r\n"
    "  gain|; then the smallest sum of |gains|. Remaining ties: positive gains first.\r\n"
    "  Connection entry: configuration, input, output, then the input selector values that wire\r\n"
    "  it: first block, its amplifiers' selectors, second block, its amplifiers' selectors\r\n"
    "  (0 = not used); a block number plus 10: the block's letters sit on its amplifiers the\r\n"
    "  other way round.\r\n";

// Gains in the order ties are settled: positive before negative, small before large.
const std::array<int, 20> kGains = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1, -2, -3, -4, -5, -6, -7, -8, -9, -10};

int FirstStageGain(int config, const std::array<int, 4>& g)
{
    switch (config) {
    case 1: case 3: case 4: return g[0];
    case 2: case 5: case 6: return g[0] + g[1];
    case 7: return g[2];
    default: return g[2] + g[3];
    }
}

// The lexicographic score of a combination for best-for b; smaller is better.
std::tuple<int, int, int> Score(int bestFor, int config, const std::array<int, 4>& g)
{
    const int first = std::abs(FirstStageGain(config, g));
    int largest = 0, sum = 0;
    for (int v : g) {
        largest = std::max(largest, std::abs(v));
        sum += std::abs(v);
    }
    switch (bestFor) {
    case 0: return {-first, sum, largest};
    case 1: return {largest, sum, -first};
    default: return {first, largest, sum};
    }
}

std::vector<CGainEntry> GainEntries()
{
    std::vector<CGainEntry> out;
    for (int config = 1; config <= kGainConfigurations; ++config) {
        bool used[4];
        for (int l = 0; l < 4; ++l)
            used[l] = GainLetterPlace(config, l).stage >= 0;
        // best[gain][bestFor] = (score, gains); the first found wins ties.
        std::map<int, std::array<std::pair<std::tuple<int, int, int>, std::array<int, 4>>, 3>> best;
        std::map<int, std::array<bool, 3>> seen;
        const int n = static_cast<int>(kGains.size());
        for (int ia = 0; ia < n; ++ia)
            for (int ib = 0; ib < (used[1] ? n : 1); ++ib)
                for (int ic = 0; ic < (used[2] ? n : 1); ++ic)
                    for (int id = 0; id < (used[3] ? n : 1); ++id) {
                        const std::array<int, 4> g = {kGains[ia], used[1] ? kGains[ib] : 0,
                                                      used[2] ? kGains[ic] : 0, used[3] ? kGains[id] : 0};
                        const int G = GainOfConfiguration(config, g);
                        if (G == 0)
                            continue;
                        auto& slot = best[G];
                        auto& s = seen[G];
                        for (int b = 0; b < 3; ++b) {
                            const auto score = Score(b, config, g);
                            if (!s[b] || score < slot[b].first) {
                                slot[b] = {score, g};
                                s[b] = true;
                            }
                        }
                    }
        for (const auto& [G, slot] : best)
            for (int b = 0; b < 3; ++b)
                out.push_back({config, b, G, slot[b].second});
    }
    return out;
}

// What an input selector connects to: external input x (1..) or block output m (10 + m).
struct DeviceWiring {
    DeviceKind kind;
    int blocks;
    int inputs;
    // The selector value that connects amplifier `amp` of `block` to `source`, or 0.
    int Selector(int block, int amp, int source) const
    {
        if (kind == DeviceKind::ZelA) {
            const bool top = block <= 2;
            const int sources[6] = {0, top ? 1 : 3, top ? 2 : 4, 10 + (top ? 1 : 3), 10 + (top ? 2 : 4),
                                    10 + (top ? 4 : 2)};
            for (int v = 1; v <= 5; ++v)
                if (sources[v] == source)
                    return v;
            return 0;
        }
        // ZelB: IN1, IN2, OUT1, OUT2, IN3 for IA1..IA3; IA4 (block 2, amplifier 2) reaches
        // IN2, OUT1 and OUT2 only.
        const int sources[6] = {0, 1, 2, 11, 12, 3};
        for (int v = 1; v <= 5; ++v)
            if (sources[v] == source)
                return block == 2 && amp == 1 && (v == 1 || v == 5) ? 0 : v;
        return 0;
    }
};

std::vector<CGainConnection> Connections(const DeviceWiring& w)
{
    std::vector<CGainConnection> out;
    for (int config = 1; config <= kGainConfigurations; ++config) {
        const bool two = GainConfigUsesTwoBlocks(config);
        bool usedAmp[2][2] = {};
        bool takesInput[2][2] = {};
        for (int l = 0; l < 4; ++l) {
            const CGainAmplifier a = GainLetterPlace(config, l);
            if (a.stage < 0)
                continue;
            usedAmp[a.stage][a.amplifier] = true;
            // The first block takes the input; in the second block only B (configurations 7, 8).
            takesInput[a.stage][a.amplifier] = a.stage == 0 || l == 1;
        }
        for (int f = 1; f <= w.blocks; ++f) {
            for (int s = two ? 1 : 0; s <= (two ? w.blocks : 0); ++s) {
                if (s == f)
                    continue;
                for (int x = 1; x <= w.inputs; ++x) {
                    const bool known = std::any_of(out.begin(), out.end(), [&](const CGainConnection& o) {
                        return o.config == config && o.input == x && o.output == (two ? s : f);
                    });
                    if (known)
                        continue;
                    CGainConnection c{config, x, two ? s : f, {}};
                    const int blocks[2] = {f, s};
                    bool ok = true;
                    for (int st = 0; st < (two ? 2 : 1) && ok; ++st) {
                        // The letters in their own order, else the other way round.
                        bool fits = false;
                        for (int swap = 0; swap < 2 && !fits; ++swap) {
                            fits = true;
                            c.wiring[st * 3] = blocks[st] + swap * CGainConnection::kSwapped;
                            c.wiring[st * 3 + 1] = c.wiring[st * 3 + 2] = 0;
                            for (int i = 0; i < 2; ++i) {
                                if (!usedAmp[st][i])
                                    continue;
                                const int amp = swap ? 1 - i : i;
                                const int v = w.Selector(blocks[st], amp, takesInput[st][i] ? x : 10 + f);
                                fits = fits && v != 0;
                                c.wiring[st * 3 + 1 + amp] = v;
                            }
                        }
                        ok = fits;
                    }
                    if (ok)
                        out.push_back(c);
                }
            }
        }
    }
    return out;
}

// The DC gain of a configured device from input to output, verified against the row.
bool Verify(DeviceConfig& device, CFourBlockSimulator& sim, const CGainEntry& e, const CGainConnection& c,
            std::string& why)
{
    device.Reset();
    if (!ApplyGainConfiguration(device, e, c)) {
        why = "does not fit its wiring";
        return false;
    }
    sim.Configure(0);
    sim.SelectInput(c.input);
    sim.Evaluate(0.001);
    const CComplex v = sim.GetOutput(c.output);
    double dB = 0;
    if (!sim.GetGainDb(c.output, &dB) || std::fabs(dB - 20.0 * std::log10(std::abs(e.gain))) > 0.01 ||
        (v.re > 0) != (e.gain > 0)) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "simulates to %.4f (%.3f dB), not %d", v.re, dB, e.gain);
        why = buf;
        return false;
    }
    return true;
}

// Colours of the drawings (indices of the schematic colour table).
constexpr int kBlack = 0;
constexpr int kNavy = 4;
constexpr int kMaroon = 2;
constexpr int kSilver = 15;

// An amplifier: a triangle pointing right with its letter, input at `in`, output at `in + 500`.
void Amplifier(SvgPainter& p, LogPoint in, char letter)
{
    const LogPoint tri[3] = {{in.x, in.y + 220}, {in.x, in.y - 220}, {in.x + 500, in.y}};
    p.SetPen(kNavy);
    p.SetBrush(kSilver);
    p.Polygon(tri, 3);
    p.SetTextColor(kNavy);
    const char text[2] = {letter, 0};
    p.Text({in.x + 90, in.y - 70}, text, 200);
}

// A summing block: a circle with a plus, centred at `c`.
void Sum(SvgPainter& p, LogPoint c)
{
    p.SetPen(kBlack);
    p.SetBrush(Painter::kNone);
    p.Ellipse({c.x - 200, c.y + 200, c.x + 200, c.y - 200});
    p.Line({c.x - 110, c.y}, {c.x + 110, c.y});
    p.Line({c.x, c.y - 110}, {c.x, c.y + 110});
}

std::string SampleDrawing(int config)
{
    SvgPainter p;
    p.SetPageArea({-300, 1500, 7300, -1500});
    p.SetPixelsPerInch(60);
    p.SetTextColor(kBlack);
    p.Text({0, 1150}, kGainConfigurationCaptions[config - 1], 220);
    p.SetTextColor(kMaroon);
    p.Text({3000, 1150}, kGainConfigurationFormulas[config - 1], 220);
    p.SetTextColor(kBlack);
    p.Text({-250, -60}, "IN", 200);
    // Letters by stage and amplifier.
    char letters[2][2] = {{0, 0}, {0, 0}};
    for (int l = 0; l < 4; ++l) {
        const CGainAmplifier a = GainLetterPlace(config, l);
        if (a.stage >= 0)
            letters[a.stage][a.amplifier] = static_cast<char>('A' + l);
    }
    const int stages = GainConfigUsesTwoBlocks(config) ? 2 : 1;
    const int x0[2] = {700, 4000};  // amplifier inputs of each stage
    const int ys[2] = {450, -450};
    LogPoint source{150, 0};
    p.SetPen(kBlack);
    p.Line({-50, 0}, source);
    LogPoint out{};
    for (int s = 0; s < stages; ++s) {
        const LogPoint sum{x0[s] + 1300, 0};
        Sum(p, sum);
        p.SetTextColor(kBlack);
        p.Text({x0[s] + 650, -900}, "Zel Block " + std::to_string(s + 1), 170);
        for (int i = 0; i < 2; ++i) {
            if (!letters[s][i])
                continue;
            const LogPoint in{x0[s], ys[i]};
            // B of configurations 7 and 8 takes the input directly, along the bottom.
            const bool fromInput = s == 1 && letters[s][i] == 'B';
            p.SetPen(kBlack);
            if (fromInput) {
                p.Line({150, 0}, {150, -1200});
                p.Line({150, -1200}, {in.x - 200, -1200});
                p.Line({in.x - 200, -1200}, {in.x - 200, in.y});
                p.Line({in.x - 200, in.y}, in);
            } else {
                p.Line(source, {source.x, in.y});
                p.Line({source.x, in.y}, in);
            }
            Amplifier(p, in, letters[s][i]);
            p.SetPen(kBlack);
            p.Line({in.x + 500, in.y}, {sum.x, in.y});
            p.Line({sum.x, in.y}, {sum.x, in.y > 0 ? 200 : -200});
        }
        out = {sum.x + 200, 0};
        source = {out.x + 400, 0};
        p.SetPen(kBlack);
        p.Line(out, source);
    }
    p.SetPen(kBlack);
    p.Line(source, {6900, 0});
    p.SetTextColor(kBlack);
    p.Text({6700, 120}, "OUT", 200);
    return p.Document();
}

struct TableResult {
    std::string text;
    int entries = 0, connections = 0, checks = 0, failures = 0, gains = 0;
    int lowest = 0, highest = 0;
};

TableResult Build(const std::string& type)
{
    const DeviceKind kind = *ParseDeviceKind(type);
    const DeviceWiring w{kind, kind == DeviceKind::ZelA ? 4 : 2, kind == DeviceKind::ZelA ? 4 : 3};
    std::vector<CGainEntry> entries = GainEntries();
    const std::vector<CGainConnection> connections = Connections(w);
    TableResult r;
    auto device = CreateDeviceConfig(type);
    std::unique_ptr<CFourBlockSimulator> sim;
    if (kind == DeviceKind::ZelA)
        sim = std::make_unique<CZelASimulator>(*device);
    else
        sim = std::make_unique<CZelBSimulator>(*device);
    std::map<int, bool> gains;
    for (const CGainEntry& e : entries) {
        gains[e.gain] = true;
        for (const CGainConnection& c : connections) {
            if (c.config != e.config)
                continue;
            std::string why;
            ++r.checks;
            if (!Verify(*device, *sim, e, c, why)) {
                ++r.failures;
                std::fprintf(stderr, "%s configuration %d gain %d, IN%d to OUT%d: %s\n", type.c_str(), e.config,
                             e.gain, c.input, c.output, why.c_str());
            }
        }
    }
    char header[4096];
    std::snprintf(header, sizeof header, kHeader, type.c_str());
    r.entries = static_cast<int>(entries.size());
    r.connections = static_cast<int>(connections.size());
    r.gains = static_cast<int>(gains.size());
    r.lowest = gains.begin()->first;
    r.highest = gains.rbegin()->first;
    CGainTable table;
    table.SetContents(type, header, std::move(entries), connections);
    r.text = table.Write();
    return r;
}

int Run(const std::string& dir, bool check, bool report)
{
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    for (const char* type : {"ZelA", "ZelB"}) {
        const TableResult r = Build(type);
        if (report)
            std::printf("%s: %d gain entries (%d overall gains, %d .. %d), %d connections, %d simulations, %d failed\n",
                        type, r.entries, r.gains, r.lowest, r.highest, r.connections, r.checks, r.failures);
        if (r.failures > 0 || r.entries > CGainTable::kMaxGainEntries || r.connections > CGainTable::kMaxConnections) {
            std::fprintf(stderr, "make_gain_tables: the %s table does not verify or does not fit\n", type);
            status = 1;
            continue;
        }
        if (!dir.empty())
            status |= tools::WriteOrCheck(dir + "/" + CGainTable::FileName(type), r.text, check, "make_gain_tables");
    }
    if (!dir.empty())
        for (int n = 1; n <= kGainConfigurations; ++n)
            status |= tools::WriteOrCheck(dir + "/" + SupportFileName(1100 + n), SampleDrawing(n),
                                          check, "make_gain_tables");
    if (report)
        std::printf("generated in %.2f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--report")
        return Run("", false, true);
    if (argc == 2 && argv[1][0] != '-')
        return Run(argv[1], false, false);
    if (argc == 3 && std::string(argv[1]) == "--check")
        return Run(argv[2], true, false);
    std::fprintf(stderr, "usage: make_gain_tables OUTDIR | --check DIR | --report\n");
    return 2;
}
