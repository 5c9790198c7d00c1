// Generator of the design library (support/LIBRARY/): designs an engineer can learn from, at least
// three per device type. Each design is set up through the document's own operations, so it is
// always a valid design file; its comment says what the circuit does and how it was set, and ends
// with the response it must show, computed here from the circuit's own equations (ZelA, ZelB,
// ZelC) or from the filter approximation it realises (ZelD, ZelE). The library test opens every
// design, simulates its curves and checks those claims.
//
//   make_library OUTDIR           write the designs into OUTDIR
//   make_library --check DIR      exit 1 when a design in DIR differs from what would be written
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FilterPrototype.h"
#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterEntry.h"

using namespace kalidor;
using namespace kalidor::tools;

namespace {

using cplx = std::complex<double>;
using Response = std::function<cplx(double hz)>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kZelARes = 250000.0;  // ZelA/ZelB block resistor, ohms
constexpr double kZelCRes = 50000.0;   // ZelC output amplifier feedback resistor, ohms
constexpr const char* kAuthor = "Kalidor design library";
constexpr const char* kNl = "\r\n";

std::string Format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// "15.92 kHz": four significant digits in Hz, kHz or MHz.
std::string Hz(double f)
{
    if (f < 1e3)
        return Format("%.4g Hz", f);
    if (f < 1e6)
        return Format("%.4g kHz", f / 1e3);
    return Format("%.4g MHz", f / 1e6);
}

std::string Db(double g)
{
    if (std::abs(g) < 0.005)
        g = 0.0;
    return Format("%.2f dB", g);
}

std::string Pf(double farads) { return Format("%.2f pF", farads * 1e12); }

double GainDb(const Response& h, double f) { return 20.0 * std::log10(std::abs(h(f))); }

// The frequency between lo and hi at which the gain crosses `level` (the gain is monotonic there).
double Crossing(const Response& h, double level, double lo, double hi)
{
    const bool risingAtLo = GainDb(h, lo) < level;
    for (int i = 0; i < 200; ++i) {
        const double mid = std::sqrt(lo * hi);
        const bool below = GainDb(h, mid) < level;
        (below == risingAtLo ? lo : hi) = mid;
    }
    return std::sqrt(lo * hi);
}

// The frequency of the largest gain between lo and hi (golden-section search in log f).
double PeakFrequency(const Response& h, double lo, double hi)
{
    double a = std::log(lo), b = std::log(hi);
    const double r = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < 200; ++i) {
        const double c = b - r * (b - a), d = a + r * (b - a);
        if (GainDb(h, std::exp(c)) > GainDb(h, std::exp(d)))
            b = d;
        else
            a = c;
    }
    return std::exp((a + b) / 2);
}

// 1 / (1 + sRC), or 1 / (sRC) with the feedback open: the response of a ZelA/ZelB block.
cplx Block(double f, double c, bool integrate = false)
{
    const cplx src(0.0, 2 * kPi * f * kZelARes * c);
    return integrate ? 1.0 / src : 1.0 / (1.0 + src);
}

// ---------------------------------------------------------------- a design being made

class Design {
public:
    Design(const std::string& type, const std::string& file) : file_(file)
    {
        if (!doc_.OnNewDocument(type))
            throw std::runtime_error("cannot make a " + type + " design");
        doc_.Simulation()->ResetCurves();
    }

    CSchDoc& Doc() { return doc_; }
    DeviceConfig& Device() { return *doc_.Device(); }
    const std::string& File() const { return file_; }

    void Set(int key, int value) { doc_.SetSymValue(key, value); }
    void Gain(int key, int gain) { doc_.SetGainValue(key, gain); }
    // Sets the capacitor nearest to `farads` and returns the value set.
    double Cap(int key, double farads)
    {
        doc_.SetCapValue(key, farads);
        return Device().GetCapFarads(key);
    }

    // Curve 1..4: input and output node, configuration (0 = A), frequency range.
    void Curve(int n, int input, int output, int config, int start, int stop, int ppd = 100)
    {
        CurveSetting& c = doc_.Simulation()->Curve(n - 1);
        c.inputNode = input;
        c.outputNode = output;
        c.configAB = config;
        c.startFrequency = start;
        c.stopFrequency = stop;
        c.pointsPerDecade = ppd;
    }

    void Text(const std::string& line) { comment_ += line + kNl; }
    void Blank() { comment_ += kNl; }
    // The heading of one curve's claims.
    void Expect(int curve, const std::string& what)
    {
        Blank();
        Text("Expected response, curve " + std::to_string(curve) + " (" + what + "):");
    }
    void Claim(const std::string& line) { Text("  " + line); }
    void PassbandGain(const Response& h, double f) { Claim("Passband gain: " + Db(GainDb(h, f)) + " at " + Hz(f)); }
    void GainAt(const Response& h, double f) { Claim("Gain at " + Hz(f) + ": " + Db(GainDb(h, f))); }
    // The -3 dB point against the gain at fRef, searched between lo and hi.
    double Corner(const Response& h, double fRef, double lo, double hi)
    {
        const double f = Crossing(h, GainDb(h, fRef) - 10 * std::log10(2.0), lo, hi);
        Claim("-3 dB corner: " + Hz(f));
        return f;
    }
    // The usual pair: the gain at fRef, and the -3 dB point against it between lo and hi.
    void PassbandAndCorner(const Response& h, double fRef, double lo, double hi)
    {
        PassbandGain(h, fRef);
        Corner(h, fRef, lo, hi);
    }
    double Peak(const Response& h, double lo, double hi)
    {
        const double f = PeakFrequency(h, lo, hi);
        Claim("Peak: " + Db(GainDb(h, f)) + " at " + Hz(f));
        return f;
    }

    std::string Finish(const std::string& title, const std::string& subject, const std::string& keywords)
    {
        CSummaryInfo s;
        s.SetTitle(title);
        s.SetSubject(subject);
        s.SetAuthor(kAuthor);
        s.SetKeywords(keywords);
        // The last line end is the design file's own.
        std::string c = comment_;
        if (c.size() >= 2 && c.compare(c.size() - 2, 2, kNl) == 0)
            c.resize(c.size() - 2);
        s.SetComments(c);
        doc_.SetSummary(s);
        if (s.GetComments().size() > 4095)
            throw std::runtime_error(file_ + ": the comment is longer than a design file holds");
        return doc_.WriteDesign();
    }

private:
    CSchDoc doc_;
    std::string file_;
    std::string comment_;
};

struct Output {
    std::string file;
    std::string text;
};
std::vector<Output> g_out;

void Add(Design& d, const std::string& title, const std::string& subject, const std::string& keywords)
{
    g_out.push_back({d.File(), d.Finish(title, subject, keywords)});
}

// ================================================================ ZelA
// Blocks XT, XB, YT, YB (1..4). Keys of a block with first key k: k+2 feedback open, k+3 and k+4
// the gains of inputs 1 and 2, k+5 the capacitor, k+8 and k+9 the input selectors.
struct ZelABlock {
    int k;
    int Open() const { return k + 2; }
    int Gain1() const { return k + 3; }
    int Gain2() const { return k + 4; }
    int Cap() const { return k + 5; }
    int Sel1() const { return k + 8; }
    int Sel2() const { return k + 9; }
};
constexpr ZelABlock kXT{1}, kXB{12}, kYT{23}, kYB{34};
// Selector values: XT/XB 1 IN1, 2 IN2, 3 OUT1, 4 OUT2, 5 OUT4; YT/YB 1 IN3, 2 IN4, 3 OUT3, 4 OUT4,
// 5 OUT2.
enum { kSelIn1 = 1, kSelIn2 = 2, kSelOut1 = 3, kSelOut2 = 4, kSelOut4 = 5 };
enum { kSelIn3 = 1, kSelOwnOut3 = 3, kSelOwnOut4 = 4, kSelFromOut2 = 5 };

double CapFor(double hz) { return 1.0 / (2 * kPi * kZelARes * hz); }

void ZelAGainStage()
{
    Design d("ZelA", "ZelA_GainStage_x5.ZEL");
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 5);
    const double c = d.Device().GetCapFarads(kXT.Cap());
    d.Curve(1, 1, 1, 0, 100, 10000000);
    const Response h = [&](double f) { return 5.0 * Block(f, c); };
    d.Text("A non-inverting amplifier with a gain of 5 (+14 dB) in block 1 (XT).");
    d.Blank();
    d.Text("How it is set: input amplifier 1 of block 1 takes IN 1 (interconnect IN 1) with gain +5; "
           "input 2 is not connected. The feedback path is closed, so the block's 250 kOhm resistor "
           "and its capacitor set the bandwidth; the capacitor is left at its smallest value, " +
           Pf(c) + ", which puts the pole at 1/(2 pi 250 kOhm C) = " + Hz(1 / (2 * kPi * kZelARes * c)) +
           ". A negative gain (-5) gives the inverting amplifier.");
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h, 1000, 1e4, 1e7);
    Add(d, "Non-inverting gain of 5", "ZelA gain stage", "ZelA, gain stage, amplifier");
}

void ZelALowpass1()
{
    Design d("ZelA", "ZelA_Lowpass1_20kHz.ZEL");
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 2);
    const double c = d.Cap(kXT.Cap(), CapFor(20000));
    d.Curve(1, 1, 1, 0, 100, 10000000);
    const Response h = [&](double f) { return 2.0 * Block(f, c); };
    d.Text("A first-order low-pass filter with a gain of 2 (+6 dB) and its corner at 20 kHz, in block 1 "
           "(XT).");
    d.Blank();
    d.Text("How it is set: input 1 takes IN 1 with gain +2. The corner of a block is 1/(2 pi R C) with "
           "R = 250 kOhm, so 20 kHz asks for C = 31.83 pF; the nearest capacitor is " +
           Pf(c) + ". The gain falls by 20 dB per decade above the corner.");
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h, 100, 1e3, 1e6);
    d.GainAt(h, 200000);
    Add(d, "First-order low-pass, 20 kHz", "ZelA first-order low-pass section",
        "ZelA, low-pass, first order, filter");
}

void ZelAHighpass1()
{
    Design d("ZelA", "ZelA_Highpass1_20kHz.ZEL");
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 1);
    const double c1 = d.Cap(kXT.Cap(), CapFor(20000));
    d.Set(kXB.Sel1(), kSelIn1);
    d.Gain(kXB.Gain1(), 1);
    d.Set(kXB.Sel2(), kSelOut1);
    d.Gain(kXB.Gain2(), -1);
    const double c2 = d.Device().GetCapFarads(kXB.Cap());
    d.Curve(1, 1, 2, 0, 100, 10000000);
    d.Curve(2, 1, 1, 0, 100, 10000000);
    const Response lp = [&](double f) { return Block(f, c1); };
    const Response h = [&](double f) { return (1.0 - lp(f)) * Block(f, c2); };
    d.Text("A first-order high-pass filter with its corner at 20 kHz: the input minus its own low-pass "
           "part.");
    d.Blank();
    d.Text("How it is set: block 1 (XT) is a low-pass of IN 1 with gain +1 and C = " + Pf(c1) +
           " (nearest to 31.83 pF for 20 kHz). Block 2 (XB) adds IN 1 with gain +1 and OUT 1 with "
           "gain -1, so OUT 2 = IN 1 x sRC / (1 + sRC). Block 2 keeps its smallest capacitor (" + Pf(c2) +
           "); its own pole near 600 kHz ends the pass band. Curve 2 shows the low-pass at OUT 1 "
           "for comparison.");
    d.Expect(1, "IN 1 to OUT 2");
    d.PassbandAndCorner(h, 150000, 1e3, 1.5e5);
    d.GainAt(h, 2000);
    d.Expect(2, "IN 1 to OUT 1");
    d.PassbandAndCorner(lp, 100, 1e3, 1e6);
    Add(d, "First-order high-pass, 20 kHz", "ZelA first-order high-pass section",
        "ZelA, high-pass, first order, filter, difference");
}

void ZelAHighpass2()
{
    Design d("ZelA", "ZelA_Highpass2_20kHz.ZEL");
    // Two first-order sections whose cascade is 3 dB down at 20 kHz: each at 20 kHz x
    // sqrt(sqrt(2) - 1).
    const double fSection = 20000 * std::sqrt(std::sqrt(2.0) - 1);
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 1);
    const double c1 = d.Cap(kXT.Cap(), CapFor(fSection));
    d.Set(kXB.Sel1(), kSelIn1);
    d.Gain(kXB.Gain1(), 1);
    d.Set(kXB.Sel2(), kSelOut1);
    d.Gain(kXB.Gain2(), -1);
    d.Set(kYT.Sel1(), kSelFromOut2);
    d.Gain(kYT.Gain1(), 1);
    const double c3 = d.Cap(kYT.Cap(), CapFor(fSection));
    d.Set(kYB.Sel1(), kSelFromOut2);
    d.Gain(kYB.Gain1(), 1);
    d.Set(kYB.Sel2(), kSelOwnOut3);
    d.Gain(kYB.Gain2(), -1);
    const double c2 = d.Device().GetCapFarads(kXB.Cap());
    const double c4 = d.Device().GetCapFarads(kYB.Cap());
    d.Curve(1, 1, 4, 0, 100, 10000000);
    d.Curve(2, 1, 2, 0, 100, 10000000);
    const Response h1 = [&](double f) { return (1.0 - Block(f, c1)) * Block(f, c2); };
    const Response h = [&](double f) { return h1(f) * (1.0 - Block(f, c3)) * Block(f, c4); };
    d.Text("A second-order high-pass filter (two real poles, Q = 0.5), 3 dB down at 20 kHz, from two "
           "first-order sections in all four blocks.");
    d.Blank();
    d.Text("How it is set: each section is a low-pass block and a block that subtracts it from its "
           "input (see ZelA_Highpass1). Section 1: block 1 (XT) low-pass of IN 1, C = " +
           Pf(c1) + "; block 2 (XB) IN 1 gain +1 and OUT 1 gain -1. Section 2: block 3 (YT) low-pass of "
           "OUT 2, C = " + Pf(c3) + "; block 4 (YB) OUT 2 gain +1 and OUT 3 gain -1. Two equal sections "
           "at fs give -3 dB at fs / sqrt(sqrt(2) - 1), so each is set for " + Hz(fSection) +
           ". The gain rises 40 dB per decade below the corner. Curve 2 shows the first section alone.");
    d.Expect(1, "IN 1 to OUT 4");
    d.PassbandAndCorner(h, 150000, 1e3, 1.5e5);
    d.GainAt(h, 2000);
    d.Expect(2, "IN 1 to OUT 2");
    d.PassbandAndCorner(h1, 150000, 1e3, 1.5e5);
    Add(d, "Second-order high-pass, 20 kHz", "ZelA second-order high-pass from two sections",
        "ZelA, high-pass, second order, cascade, filter");
}

// The two-integrator loop of blocks 1 and 2: XT a lossy integrator of IN 1 (gain g) and of OUT 2
// (gain -1), XB an integrator of OUT 1 (gain +1). OUT 2 is a second-order low-pass with DC gain g,
// OUT 1 a band-pass with peak gain g at f0 = 1 / (2 pi R sqrt(C1 C2)), Q = sqrt(C1 / C2).
struct Biquad {
    double c1, c2;
    int g;
    cplx Den(double f) const
    {
        const cplx s(0.0, 2 * kPi * f);
        return s * s * kZelARes * kZelARes * c1 * c2 + s * kZelARes * c2 + 1.0;
    }
    cplx Lowpass(double f) const { return double(g) / Den(f); }
    cplx Bandpass(double f) const { return double(g) * cplx(0.0, 2 * kPi * f) * kZelARes * c2 / Den(f); }
};

Biquad SetBiquad(Design& d, double f0, double q, int gain)
{
    const double root = CapFor(f0);
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), gain);
    d.Set(kXT.Sel2(), kSelOut2);
    d.Gain(kXT.Gain2(), -1);
    d.Set(kXB.Sel1(), kSelOut1);
    d.Gain(kXB.Gain1(), 1);
    d.Set(kXB.Open(), 1);
    Biquad b;
    b.c1 = d.Cap(kXT.Cap(), root * q);
    b.c2 = d.Cap(kXB.Cap(), root / q);
    b.g = gain;
    return b;
}

std::string BiquadText(const Biquad& b, double f0, double q)
{
    return "How it is set: block 1 (XT) takes IN 1 with gain +" + std::to_string(b.g) +
           " and OUT 2 with gain -1; its feedback is closed, so it is a lossy integrator. Block 2 (XB) "
           "takes OUT 1 with gain +1 and has its feedback open: an integrator. Around the loop "
           "f0 = 1/(2 pi R sqrt(C1 C2)) and Q = sqrt(C1/C2) with R = 250 kOhm; for f0 = " + Hz(f0) +
           " and Q = " + Format("%.3g", q) + " that is C1 = sqrt(C1 C2) x Q and C2 = sqrt(C1 C2) / Q, set to the "
           "nearest capacitors C1 = " + Pf(b.c1) + " and C2 = " + Pf(b.c2) +
           ". OUT 2 is the low-pass output (DC gain " + std::to_string(b.g) +
           "), OUT 1 the band-pass output (peak gain " + std::to_string(b.g) + " at f0).";
}

void ZelABiquad()
{
    Design d("ZelA", "ZelA_Biquad_Lowpass2_20kHz.ZEL");
    const Biquad b = SetBiquad(d, 20000, std::sqrt(0.5), 1);
    d.Curve(1, 1, 2, 0, 100, 10000000);
    d.Curve(2, 1, 1, 0, 100, 10000000);
    d.Text("A biquad: a second-order Butterworth low-pass (Q = 0.707), 3 dB down at 20 kHz, with a "
           "band-pass output beside it.");
    d.Blank();
    d.Text(BiquadText(b, 20000, std::sqrt(0.5)) + " The low-pass falls 40 dB per decade above the corner.");
    const Response lp = [&](double f) { return b.Lowpass(f); };
    const Response bp = [&](double f) { return b.Bandpass(f); };
    d.Expect(1, "IN 1 to OUT 2, low-pass");
    d.PassbandAndCorner(lp, 100, 1e3, 1e6);
    d.GainAt(lp, 200000);
    d.Expect(2, "IN 1 to OUT 1, band-pass");
    d.Peak(bp, 5e3, 8e4);
    Add(d, "Biquad: second-order Butterworth low-pass, 20 kHz", "ZelA biquad (two-integrator loop)",
        "ZelA, biquad, low-pass, second order, Butterworth, band-pass, filter");
}

void ZelABandpass2()
{
    Design d("ZelA", "ZelA_Bandpass2_50kHz_Q4.ZEL");
    const Biquad b = SetBiquad(d, 50000, 4, 2);
    d.Curve(1, 1, 1, 0, 1000, 10000000);
    d.Curve(2, 1, 2, 0, 1000, 10000000);
    d.Text("A second-order band-pass filter at 50 kHz with Q = 4 and a peak gain of 2 (+6 dB), from the "
           "two-integrator loop of blocks 1 and 2.");
    d.Blank();
    d.Text(BiquadText(b, 50000, 4) + " The -3 dB band is f0 / Q wide, about 12.5 kHz. Curve 2 is the "
           "low-pass output of the same loop, peaking near f0.");
    const Response bp = [&](double f) { return b.Bandpass(f); };
    const Response lp = [&](double f) { return b.Lowpass(f); };
    d.Expect(1, "IN 1 to OUT 1, band-pass");
    const double f0 = d.Peak(bp, 2e4, 1.2e5);
    d.Corner(bp, f0, 2e4, f0);
    d.Corner(bp, f0, f0, 1.2e5);
    d.Expect(2, "IN 1 to OUT 2, low-pass");
    d.PassbandGain(lp, 1000);
    d.Peak(lp, 2e4, 1.2e5);
    Add(d, "Band-pass, 50 kHz, Q = 4", "ZelA second-order band-pass section",
        "ZelA, band-pass, second order, biquad, filter");
}

void ZelAIntegrator()
{
    Design d("ZelA", "ZelA_Integrator_40kHz.ZEL");
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 2);
    d.Set(kXT.Open(), 1);
    const double c = d.Cap(kXT.Cap(), 2.0 / (2 * kPi * kZelARes * 40000));
    d.Curve(1, 1, 1, 0, 100, 10000000);
    const Response h = [&](double f) { return 2.0 * Block(f, c, true); };
    const double unity = 2.0 / (2 * kPi * kZelARes * c);
    d.Text("An integrator with its unity-gain frequency at 40 kHz, in block 1 (XT).");
    d.Blank();
    d.Text("How it is set: input 1 takes IN 1 with gain +2 and the feedback path is open (zt_3 OPEN), "
           "so the block integrates: OUT 1 = 2 IN 1 / (s R C). The gain falls 20 dB per decade "
           "and is 1 at 2/(2 pi R C); for 40 kHz C = 31.83 pF, set to " + Pf(c) + " (unity gain at " +
           Hz(unity) + "). The phase is -90 degrees at every frequency. A real integrator needs a "
           "path for DC: in a circuit, close a loop around it (see the biquad designs).");
    d.Expect(1, "IN 1 to OUT 1");
    d.GainAt(h, 1000);
    d.Claim("Unity gain at: " + Hz(Crossing(h, 0.0, 1e3, 1e6)));
    d.GainAt(h, 400000);
    Add(d, "Integrator, unity gain at 40 kHz", "ZelA integrator", "ZelA, integrator");
}

void ZelASumming()
{
    Design d("ZelA", "ZelA_SummingAmp.ZEL");
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 2);
    d.Set(kXT.Sel2(), kSelIn2);
    d.Gain(kXT.Gain2(), 5);
    const double c = d.Cap(kXT.Cap(), CapFor(100000));
    d.Curve(1, 1, 1, 0, 100, 10000000);
    d.Curve(2, 2, 1, 0, 100, 10000000);
    const Response h1 = [&](double f) { return 2.0 * Block(f, c); };
    const Response h2 = [&](double f) { return 5.0 * Block(f, c); };
    d.Text("A summing amplifier: OUT 1 = 2 IN 1 + 5 IN 2, band-limited at 100 kHz, in block 1 (XT).");
    d.Blank();
    d.Text("How it is set: the two input amplifiers of a block add: input 1 takes IN 1 with gain +2, "
           "input 2 takes IN 2 with gain +5. Either gain may be negative, which makes a difference "
           "amplifier. C = " + Pf(c) + " (nearest to 6.37 pF) limits the bandwidth of both paths to 100 kHz. "
           "Curve 1 drives IN 1, curve 2 IN 2.");
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h1, 1000, 1e4, 1e6);
    d.Expect(2, "IN 2 to OUT 1");
    d.PassbandAndCorner(h2, 1000, 1e4, 1e6);
    Add(d, "Summing amplifier, 2 IN1 + 5 IN2", "ZelA summing amplifier", "ZelA, summing, amplifier, adder");
}

// A fourth-order Butterworth low-pass ladder (Rs = RL) simulated by a leapfrog of the four blocks:
// the node voltages and inductor currents of the ladder are the block outputs.
void ZelALadder()
{
    Design d("ZelA", "ZelA_Ladder4_Butterworth_25kHz.ZEL");
    const double f0 = 25000;
    double g[4];
    for (int k = 1; k <= 4; ++k)
        g[k - 1] = 2 * std::sin((2 * k - 1) * kPi / 8);
    // V1 = (2 IN - I2) / (1 + s C1): XT, lossy.
    d.Set(kXT.Sel1(), kSelIn1);
    d.Gain(kXT.Gain1(), 2);
    d.Set(kXT.Sel2(), kSelOut2);
    d.Gain(kXT.Gain2(), -1);
    // I2 = (V1 - V3) / (s L2): XB, integrator of OUT 1 and OUT 4.
    d.Set(kXB.Sel1(), kSelOut1);
    d.Gain(kXB.Gain1(), 1);
    d.Set(kXB.Sel2(), kSelOut4);
    d.Gain(kXB.Gain2(), -1);
    d.Set(kXB.Open(), 1);
    // V3 = (I2 - I4) / (s C3): YB, integrator of OUT 2 and OUT 3.
    d.Set(kYB.Sel1(), kSelFromOut2);
    d.Gain(kYB.Gain1(), 1);
    d.Set(kYB.Sel2(), kSelOwnOut3);
    d.Gain(kYB.Gain2(), -1);
    d.Set(kYB.Open(), 1);
    // I4 = V3 / (1 + s L4): YT, lossy, the output across the load.
    d.Set(kYT.Sel1(), kSelOwnOut4);
    d.Gain(kYT.Gain1(), 1);
    const double unit = CapFor(f0);
    const double c1 = d.Cap(kXT.Cap(), g[0] * unit);
    const double l2 = d.Cap(kXB.Cap(), g[1] * unit);
    const double c3 = d.Cap(kYB.Cap(), g[2] * unit);
    const double l4 = d.Cap(kYT.Cap(), g[3] * unit);
    d.Curve(1, 1, 3, 0, 100, 10000000);
    const Response h = [&](double f) {
        // The ladder's node equations with the block time constants.
        const double w = 2 * kPi * f * kZelARes;
        const cplx s1(0, w * c1), s2(0, w * l2), s3(0, w * c3), s4(0, w * l4);
        // Solve from the load: I4 = 1, V3 = 1 + s4, I2 = I4 + s3 V3, V1 = V3 + s2 I2,
        // 2 IN = V1 (1 + s1) + I2.
        const cplx i4 = 1.0, v3 = 1.0 + s4, i2 = i4 + s3 * v3, v1 = v3 + s2 * i2;
        return 2.0 * i4 / (v1 * (1.0 + s1) + i2);
    };
    d.Text("A fourth-order Butterworth low-pass, 3 dB down at 25 kHz, made as a ladder filter: the four "
           "blocks simulate the node voltages and inductor currents of a doubly terminated LC "
           "ladder (leapfrog), which keeps the ladder's low sensitivity to element values.");
    d.Blank();
    d.Text("How it is set: the ladder's elements are g = 2 sin((2k-1) pi/8) = 0.765, 1.848, 1.848, 0.765; "
           "each becomes the capacitor of one block, g / (2 pi R f0) with R = 250 kOhm and f0 = 25 kHz. "
           "Block 1 (XT, feedback closed) is the first node, V1 = (2 IN 1 - I2)/(1 + s R C) with "
           "C = " + Pf(c1) + ". Block 2 (XB, feedback open) is the first inductor, I2 = (V1 - V3)/(s R C) "
           "with C = " + Pf(l2) + ". Block 4 (YB, feedback open) is the second node, V3 = (I2 - I4)/(s R C) "
           "with C = " + Pf(c3) + ". Block 3 (YT, feedback closed) is the second inductor with the load, "
           "I4 = V3/(1 + s R C) with C = " + Pf(l4) + ". The input gain of 2 makes up for the "
           "ladder's 6 dB loss; OUT 3 is the output. The gain falls 80 dB per decade above the corner.");
    d.Expect(1, "IN 1 to OUT 3");
    d.PassbandAndCorner(h, 100, 1e3, 1e6);
    d.GainAt(h, 50000);
    Add(d, "Ladder filter: fourth-order Butterworth low-pass, 25 kHz", "ZelA leapfrog ladder filter",
        "ZelA, ladder, leapfrog, low-pass, fourth order, Butterworth, filter");
}

// ================================================================ ZelB
// Blocks XT (keys 3 feedback, 4/5 gains, 6 capacitor, 9 input 1, 10 input 2) and XB (15, 16/17,
// 18, 21, 22). Selector values 1 IN 1, 2 IN 2, 3 OUT 1, 4 OUT 2, 5 IN 3; XB input 2 also 6 DAC.
// Comparator inputs: C1 keys 27/28, C2 keys 29/30; 4 OUT 2, 2 DAC Output, 6 1.5V.
constexpr int kBSelXT1 = 9, kBGainXT1 = 4, kBCapXT = 6;
constexpr int kBSelXB1 = 21, kBSelXB2 = 22, kBGainXB1 = 16, kBGainXB2 = 17, kBCapXB = 18;
constexpr int kBComp1In1 = 27, kBComp1In2 = 28, kBComp2In1 = 29, kBComp2In2 = 30;
constexpr int kBHysteresis = 31, kBWindowMode = 33, kBDac = 39;
constexpr int kCompOut2 = 4, kCompDac = 2, kComp1V5 = 6;

int ZelBDacCode(double volts) { return static_cast<int>(std::lround((volts + 3.0) / 0.0234375)); }
double ZelBDacVolts(int code) { return code * 0.0234375 - 3.0; }

void ZelBComparator()
{
    Design d("ZelB", "ZelB_Comparator_Filtered.ZEL");
    d.Set(kBSelXB1, 1);
    d.Gain(kBGainXB1, 2);
    const double c = d.Cap(kBCapXB, CapFor(20000));
    d.Set(kBComp1In1, kCompOut2);
    d.Set(kBComp1In2, kComp1V5);
    d.Set(kBHysteresis, 1);
    d.Curve(1, 1, 2, 0, 100, 10000000);
    const Response h = [&](double f) { return 2.0 * Block(f, c); };
    d.Text("A comparator with a filtered input: IN 1 is amplified by 2 and low-pass filtered at 20 kHz "
           "in block 2 (XB), and comparator C1 compares the result with the 1.5V reference.");
    d.Blank();
    d.Text("How it is set: block 2 takes IN 1 on its first input with gain +2; C = " + Pf(c) +
           " (nearest to 31.83 pF) puts the pole at 1/(2 pi 250 kOhm C), so short spikes above 20 kHz do "
           "not trip the comparator. Comparator C1: input 1 = OUT 2, input 2 = 1.5V, hysteresis on "
           "against chatter on slow edges. The simulation shows the analog path that feeds the "
           "comparator.");
    d.Expect(1, "IN 1 to OUT 2");
    d.PassbandAndCorner(h, 100, 1e3, 1e6);
    Add(d, "Comparator with a filtered input", "ZelB comparator", "ZelB, comparator, threshold, filter");
}

void ZelBWindow()
{
    Design d("ZelB", "ZelB_WindowComparator.ZEL");
    const int code = ZelBDacCode(0.75);
    d.Set(kBSelXB1, 1);
    d.Gain(kBGainXB1, 1);
    const double c = d.Cap(kBCapXB, CapFor(50000));
    d.Set(kBComp1In1, kCompOut2);
    d.Set(kBComp1In2, kCompDac);
    d.Set(kBComp2In1, kCompOut2);
    d.Set(kBComp2In2, kComp1V5);
    d.Set(kBWindowMode, 0);
    d.Set(kBDac, code);
    d.Curve(1, 1, 2, 0, 100, 10000000);
    const Response h = [&](double f) { return Block(f, c); };
    d.Text("A window comparator: the window output tells whether the filtered input lies between the DAC "
           "level and the 1.5V reference.");
    d.Blank();
    d.Text("How it is set: block 2 (XB) buffers IN 1 with gain +1 and a 50 kHz low-pass (C = " + Pf(c) +
           "). Comparator C1 compares OUT 2 with the DAC output, comparator C2 compares OUT 2 with 1.5V. "
           "The window mode is XOR: the window output is C1 XOR C2, true while the signal is above one "
           "threshold and below the other. The DAC code sets the other threshold: code = (V + 3) / "
           "0.0234375, here " + std::to_string(code) + " for " + Format("%.4f", ZelBDacVolts(code)) + " V.");
    d.Expect(1, "IN 1 to OUT 2");
    d.PassbandAndCorner(h, 100, 1e3, 1e6);
    d.Blank();
    d.Text("DAC level: " + Format("%.4f", ZelBDacVolts(code)) + " V");
    Add(d, "Window comparator", "ZelB window comparator", "ZelB, comparator, window, DAC, threshold");
}

void ZelBDacOffset()
{
    Design d("ZelB", "ZelB_DacLevelShift.ZEL");
    const int code = ZelBDacCode(-1.5);
    d.Set(kBSelXT1, 1);
    d.Gain(kBGainXT1, 4);
    const double c1 = d.Cap(kBCapXT, CapFor(40000));
    d.Set(kBSelXB1, 3);
    d.Gain(kBGainXB1, 1);
    d.Set(kBSelXB2, 6);
    d.Gain(kBGainXB2, -1);
    d.Set(kBDac, code);
    const double c2 = d.Device().GetCapFarads(kBCapXB);
    d.Curve(1, 1, 2, 0, 100, 10000000);
    d.Curve(2, 1, 1, 0, 100, 10000000);
    const Response h1 = [&](double f) { return 4.0 * Block(f, c1); };
    const Response h = [&](double f) { return h1(f) * Block(f, c2); };
    d.Text("A gain stage with a level shift set by the DAC: OUT 2 = 4 IN 1 minus the DAC level.");
    d.Blank();
    d.Text("How it is set: block 1 (XT) amplifies IN 1 by 4 with a 40 kHz low-pass (C = " + Pf(c1) +
           "). Block 2 (XB) takes OUT 1 on input 1 (gain +1) and the DAC output on input 2 (gain -1, "
           "the second input of block 2 only inverts), so the DAC code moves the output level: code " +
           std::to_string(code) + " is " + Format("%.4f", ZelBDacVolts(code)) +
           " V. The frequency response is that of the signal path; the DAC adds a constant.");
    d.Expect(1, "IN 1 to OUT 2");
    d.PassbandAndCorner(h, 100, 1e3, 1e6);
    d.Expect(2, "IN 1 to OUT 1");
    d.PassbandGain(h1, 100);
    d.Blank();
    d.Text("DAC level: " + Format("%.4f", ZelBDacVolts(code)) + " V");
    Add(d, "DAC level shift", "ZelB gain stage with a DAC offset", "ZelB, DAC, offset, level shift, gain");
}

// ================================================================ ZelC
// Output amplifier capacitors 2 (OA1) and 3 (OA2); input amplifier gains 4..7 (IA1..IA4); MDAC codes
// 8, 9; interconnects: 13 IA1A, 11 IA2, 18 DAC1, 19 DAC2 (1..4 IN 1..4, 7 REF for a DAC); output
// routing 20..25 (0 OA 1, 1 OA 2); reference levels 26, 27 (0..6: 64 mV .. 2500 mV).
constexpr int kCCapOA1 = 2, kCCapOA2 = 3, kCGainIA1 = 4, kCGainIA2 = 5, kCDac1 = 8, kCDac2 = 9;
constexpr int kCSelIA2 = 11, kCSelIA1A = 13, kCSelDac1 = 18, kCSelDac2 = 19;
constexpr int kCOutDac2 = 25, kCRef1 = 26, kCRef2 = 27;
constexpr int kCSelRef = 7;
constexpr int kRefMillivolts[] = {64, 128, 256, 512, 1024, 2048, 2500};

cplx ZelCOutput(double f, double c) { return 1.0 / (1.0 + cplx(0.0, 2 * kPi * f * kZelCRes * c)); }
double MdacGain(int code) { return (code - 128) / 128.0; }
double RefLevel(int code, int refIndex) { return -kRefMillivolts[refIndex] + code * kRefMillivolts[refIndex] / 128.0; }

constexpr const char* kZelCAmpNote =
    "The output amplifiers' finite gain-bandwidth (about 4.5 MHz) puts the simulated corner one to two "
    "per cent below the ideal one.";

void ZelCMdac()
{
    Design d("ZelC", "ZelC_MdacGainControl.ZEL");
    const int code1 = 192, code2 = 32;
    d.Set(kCSelDac1, 1);
    d.Set(kCDac1, code1);
    d.Set(kCSelDac2, 1);
    d.Set(kCDac2, code2);
    d.Set(kCOutDac2, 1);
    d.Set(kCCapOA1, d.Device().GetNearestCapIndex(kCCapOA1, 640100));
    d.Set(kCCapOA2, d.Device().GetNearestCapIndex(kCCapOA2, 423700));
    const double c1 = d.Device().GetCapFarads(kCCapOA1), c2 = d.Device().GetCapFarads(kCCapOA2);
    d.Curve(1, 1, 1, 0, 100, 10000000);
    d.Curve(2, 1, 2, 0, 100, 10000000);
    const Response h1 = [&](double f) { return MdacGain(code1) * ZelCOutput(f, c1); };
    const Response h2 = [&](double f) { return MdacGain(code2) * ZelCOutput(f, c2); };
    d.Text("Gain control with the multiplying DACs: IN 1 reaches OA 1 through MDAC1 at +50 % and OA 2 "
           "through MDAC2 at -75 %.");
    d.Blank();
    d.Text("How it is set: an MDAC whose input is a signal multiplies it by (code - 128) / 128, from -100 % "
           "(code 0) to +99.2 % (code 255). DAC1 interconnect = IN 1, code " + std::to_string(code1) +
           " (+50 %, -6.02 dB), routed to OA 1. DAC2 interconnect = IN 1, code " + std::to_string(code2) +
           " (-75 %, -2.50 dB, inverted), routed to OA 2. Each output amplifier's 50 kOhm feedback "
           "resistor and capacitor set its bandwidth, 1/(2 pi 50 kOhm C): OA1_CF = " + Pf(c1) +
           ", OA2_CF = " + Pf(c2) + ". A program can step the codes to make a digitally controlled "
           "attenuator. " + kZelCAmpNote);
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h1, 1000, 1e4, 1e6);
    d.Expect(2, "IN 1 to OUT 2");
    d.PassbandAndCorner(h2, 1000, 1e4, 1e6);
    Add(d, "MDAC gain control", "ZelC multiplying DACs as attenuators", "ZelC, MDAC, DAC, gain control, attenuator");
}

void ZelCReferenceOffset()
{
    Design d("ZelC", "ZelC_ReferenceOffset.ZEL");
    const int ref = 4, code = 64;
    d.Set(kCSelIA1A, 1);
    d.Gain(kCGainIA1, -4);
    d.Set(kCSelDac2, kCSelRef);
    d.Set(kCRef2, ref);
    d.Set(kCDac2, code);
    d.Set(kCCapOA1, d.Device().GetNearestCapIndex(kCCapOA1, 640100));
    const double c = d.Device().GetCapFarads(kCCapOA1);
    d.Curve(1, 1, 1, 0, 100, 10000000);
    const Response h = [&](double f) { return -4.0 * ZelCOutput(f, c); };
    d.Text("An inverting gain of 4 with a fixed offset from the voltage reference: OUT 1 = -4 IN 1 plus "
           "the MDAC2 level.");
    d.Blank();
    d.Text("How it is set: IA1 takes IN 1 (IA1A interconnect) with gain -4 and feeds OA 1. MDAC2 takes "
           "the reference (DAC2 interconnect = REF) instead of a signal; reference 2 is set to " +
           std::to_string(kRefMillivolts[ref]) + " mV full scale, and an MDAC on a reference of r mV "
           "gives -r + code x r / 128: code " + std::to_string(code) + " is " +
           Format("%.2f", RefLevel(code, ref)) + " mV, added on OA 1. OA1_CF = " + Pf(c) +
           " sets the bandwidth. The offset is DC and does not show in the frequency response. " +
           kZelCAmpNote);
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h, 1000, 1e4, 1e6);
    d.Blank();
    d.Text("DAC2 level: " + Format("%.2f", RefLevel(code, ref)) + " mV");
    Add(d, "Gain of -4 with a reference offset", "ZelC voltage reference set-up",
        "ZelC, reference, offset, MDAC, gain");
}

void ZelCDifference()
{
    Design d("ZelC", "ZelC_DifferenceAmp_Reference.ZEL");
    const int ref = 6, code = 192;
    d.Set(kCSelIA1A, 1);
    d.Gain(kCGainIA1, 2);
    d.Set(kCSelIA2, 2);
    d.Gain(kCGainIA2, -2);
    d.Set(kCSelDac1, kCSelRef);
    d.Set(kCRef1, ref);
    d.Set(kCDac1, code);
    d.Set(kCCapOA1, d.Device().GetNearestCapIndex(kCCapOA1, 423700));
    const double c = d.Device().GetCapFarads(kCCapOA1);
    d.Curve(1, 1, 1, 0, 100, 10000000);
    d.Curve(2, 2, 1, 0, 100, 10000000);
    const Response h1 = [&](double f) { return 2.0 * ZelCOutput(f, c); };
    const Response h2 = [&](double f) { return -2.0 * ZelCOutput(f, c); };
    d.Text("A difference amplifier with a reference level: OUT 1 = 2 (IN 1 - IN 2) plus the MDAC1 level, "
           "for a differential sensor read into a single-ended converter.");
    d.Blank();
    d.Text("How it is set: IA1 takes IN 1 with gain +2 (its polarity switched to non-inverting), IA2 takes "
           "IN 2 with gain -2; both feed OA 1, which adds them. MDAC1 takes reference 1 (DAC1 "
           "interconnect = REF) at " + std::to_string(kRefMillivolts[ref]) + " mV full scale; code " +
           std::to_string(code) + " gives " + Format("%.2f", RefLevel(code, ref)) +
           " mV, the output level for equal inputs. OA1_CF = " + Pf(c) +
           ". Curve 1 drives IN 1, curve 2 IN 2 (the same gain, inverted). " + kZelCAmpNote);
    d.Expect(1, "IN 1 to OUT 1");
    d.PassbandAndCorner(h1, 1000, 1e4, 1e6);
    d.Expect(2, "IN 2 to OUT 1");
    d.PassbandAndCorner(h2, 1000, 1e4, 1e6);
    d.Blank();
    d.Text("DAC1 level: " + Format("%.2f", RefLevel(code, ref)) + " mV");
    Add(d, "Difference amplifier with a reference level", "ZelC difference amplifier and reference",
        "ZelC, difference, differential, reference, MDAC");
}

// ================================================================ ZelD and ZelE
// Configuration A elements at keys 0..6 (C1, C2, L2, C3, C4, L4, C5), B at 12..18; key 10 the
// wakeup configuration, key 11 the gain (1, 2, 5, 10).
constexpr int kDWakeup = 10, kDGain = 11;
int g_nextFilterId = 9001;

struct FilterDesign {
    FilterSpec spec;
    double edgeHz;  // -3 dB (Butterworth, Bessel) or end of the ripple band (Chebyshev, elliptic)
};

std::string SpecText(const FilterDesign& f)
{
    std::string s = KindName(f.spec.kind);
    if (f.spec.kind == FilterKind::Chebyshev)
        s += " " + Format("%.2g", f.spec.rippleDb) + " dB ripple";
    if (f.spec.kind == FilterKind::Elliptic)
        s += " " + Format("%.2g", f.spec.rippleDb) + " dB ripple, " + Format("%.0f", f.spec.stopDb) + " dB stop band";
    return s;
}

int FilterTypeNumber(FilterKind k)
{
    switch (k) {
    case FilterKind::Bessel:
        return 0;
    case FilterKind::Butterworth:
        return 5;
    case FilterKind::Chebyshev:
        return 6;
    case FilterKind::Elliptic:
        return 7;
    }
    return -1;
}

// Sets configuration `which` (0 A, 1 B) to the filter and records it as the configuration's
// filter entry; writes the claims of curve `curve`. Returns the prototype.
LadderPrototype SetFilter(Design& d, int which, const FilterDesign& f, int curve, int gain)
{
    LadderPrototype p;
    std::string error;
    if (!DesignPrototype(f.spec, p, &error))
        throw std::runtime_error(d.File() + ": " + error);
    const double tau = d.Doc().GetDeviceType() == "ZelD" ? 1e-5 : 1e-5 / 5.0;
    // An element of the prototype (normalised to 1 rad/s, 1 ohm) is g tau / w0 in the device; the
    // device's nodes carry C1 + C2, C2 + C3 + C4 and (C4 + C5) / 2. With equal terminations the
    // ladder may be turned round; the orientation whose elements the device holds is taken.
    const double k = tau / (2 * kPi * f.edgeHz);
    auto targetsOf = [k](const LadderPrototype& q) {
        return std::array<double, 7>{(q.C1 + q.C2) * k, q.C2 * k, q.L2 * k, (q.C2 + q.C3 + q.C4) * k,
                                     q.C4 * k, q.L4 * k, (q.C4 + q.C5) / 2 * k};
    };
    DeviceConfig& dev = d.Device();
    const int base = which == 0 ? 0 : 12;
    auto fits = [&](const std::array<double, 7>& t, std::string* why) {
        for (int i = 0; i < 7; ++i) {
            const int top = dev.GetCapValueBySorted(base + i, dev.GetCapCount(base + i) - 1);
            if (t[i] * 1e16 > top) {
                if (why)
                    *why = d.File() + ": element " + std::to_string(i) + " needs " + Pf(t[i]) +
                           ", beyond the device's " + Pf(top * 1e-16);
                return false;
            }
        }
        return true;
    };
    std::array<double, 7> targets = targetsOf(p);
    if (!fits(targets, nullptr)) {
        targets = targetsOf(p.Reversed());
        if (!fits(targets, &error))
            throw std::runtime_error(error);
    }
    CFilterEntry entry;
    entry.id = g_nextFilterId++;
    entry.type = FilterTypeNumber(f.spec.kind);
    for (int i = 0; i < 7; ++i)
        entry.components[i] = d.Cap(base + i, targets[i]);
    const double gainDb = 20 * std::log10(double(gain));
    const Response h = [&](double hz) { return double(gain) * p.Response(cplx(0, hz / f.edgeHz)); };
    const double fc = f.edgeHz * FrequencyAtLevel(p, -10 * std::log10(2.0));
    entry.attributes[CFilterEntry::kFc] = fc;
    entry.attributes[CFilterEntry::kGain2Fc] = GainDb(h, 2 * fc) - gainDb;
    entry.attributes[CFilterEntry::kGain10Fc] = GainDb(h, 10 * fc) - gainDb;
    if (f.spec.kind == FilterKind::Chebyshev || f.spec.kind == FilterKind::Elliptic) {
        entry.attributes[CFilterEntry::kFp] = f.edgeHz;
        entry.attributes[CFilterEntry::kPassRipple] = f.spec.rippleDb;
    }
    if (f.spec.kind == FilterKind::Elliptic) {
        entry.attributes[CFilterEntry::kFs] = p.stopEdge * f.edgeHz;
        entry.attributes[CFilterEntry::kStopAtten] = f.spec.stopDb;
        entry.attributes[CFilterEntry::kFsFpRatio] = p.stopEdge;
    }
    d.Doc().ApplyFilterConfig(which, &entry);

    const int start = static_cast<int>(std::lround(fc / 100)), stop = static_cast<int>(std::lround(fc * 20));
    d.Curve(curve, 1, 1, which, start, stop, 200);
    d.Expect(curve, std::string("IN to OUT, configuration ") + (which == 0 ? "A" : "B"));
    d.PassbandGain(h, fc / 100);
    if (f.spec.kind == FilterKind::Chebyshev || f.spec.kind == FilterKind::Elliptic)
        d.Claim("Ripple: " + Format("%.2g", f.spec.rippleDb) + " dB up to " + Hz(f.edgeHz));
    d.Claim("-3 dB corner: " + Hz(fc));
    if (f.spec.kind == FilterKind::Elliptic)
        d.Claim("Stopband: at least " + Format("%.0f", f.spec.stopDb) + " dB below the passband from " +
                Hz(p.stopEdge * f.edgeHz));
    else
        d.GainAt(h, 2 * fc);
    return p;
}

std::string ElementsText(Design& d, int which)
{
    static const char* const names[7] = {"C1", "C2", "L2", "C3", "C4", "L4", "C5"};
    std::string s;
    for (int i = 0; i < 7; ++i)
        s += std::string(i ? ", " : "") + names[i] + " " + Format("%.3f", d.Device().GetCapFarads((which ? 12 : 0) + i) * 1e12);
    return s + " pF";
}

void ZelDFilterPair(const std::string& type, const std::string& file, const FilterDesign& a,
                    const FilterDesign& b, int wakeup, int gain, const std::string& purpose,
                    const std::string& title, const std::string& keywords)
{
    Design d(type, file);
    d.Set(kDGain, gain);
    d.Set(kDWakeup, wakeup);
    const double tauUs = type == "ZelD" ? 10.0 : 2.0;
    d.Text(purpose);
    d.Blank();
    const std::string how =
        "How it is set: each configuration holds the seven elements of a fifth-order doubly "
        "terminated LC ladder (C1, L2 with C2 across it, C3, L4 with C4 across it, C5), scaled from "
        "the normalised prototype by tau / (2 pi f) with the device's time constant tau = " +
        Format("%.0f", tauUs) + " us. The device's C1 holds C1 + C2, its C3 holds C2 + C3 + C4 and "
        "its C5 holds (C4 + C5) / 2 of the ladder. Each value is set to the nearest code, which "
        "moves the corners by up to about one per cent. Configuration A: " + SpecText(a) + ", " +
        Hz(a.edgeHz) + "; configuration B: " + SpecText(b) + ", " + Hz(b.edgeHz) + ". The gain is " +
        std::to_string(gain) + " (" + Db(20 * std::log10(double(gain))) + ") in both; the device wakes up in "
        "configuration " + (wakeup ? "B" : "A") + ".";
    d.Text(how);
    SetFilter(d, 0, a, 1, gain);
    SetFilter(d, 1, b, 2, gain);
    d.Blank();
    d.Text("Elements A: " + ElementsText(d, 0));
    d.Text("Elements B: " + ElementsText(d, 1));
    Add(d, title, type + " fifth-order low-pass filters", keywords);
}

void ZelDFilters()
{
    using K = FilterKind;
    ZelDFilterPair("ZelD", "ZelD_Butterworth_Bessel_100kHz.ZEL", {{K::Butterworth}, 100000},
                   {{K::Bessel}, 100000}, 0, 1,
                   "Two 100 kHz low-pass filters to compare: a Butterworth (flattest pass band) in "
                   "configuration A and a Bessel (flattest group delay, so a step passes with almost no "
                   "overshoot) in configuration B. Run both curves: the Bessel's corner is as sharp as "
                   "the Butterworth's at 100 kHz but it falls far more slowly above it.",
                   "Butterworth and Bessel, 100 kHz", "ZelD, Butterworth, Bessel, low-pass, fifth order, filter");
    ZelDFilterPair("ZelD", "ZelD_Chebyshev_Elliptic_100kHz.ZEL", {{K::Chebyshev, 0.5}, 100000},
                   {{K::Elliptic, 0.5, 50}, 100000}, 1, 2,
                   "Two sharp 100 kHz low-pass filters with 0.5 dB of pass-band ripple: a Chebyshev in "
                   "configuration A and an elliptic (Cauer) filter in configuration B, whose two "
                   "notches give 50 dB of attenuation less than an octave above the pass band. The "
                   "device wakes up in B, the elliptic filter, with a gain of 2.",
                   "Chebyshev and elliptic, 100 kHz", "ZelD, Chebyshev, elliptic, Cauer, low-pass, fifth order, filter");
    ZelDFilterPair("ZelD", "ZelD_TwoBandwidths.ZEL", {{K::Butterworth}, 150000},
                   {{K::Chebyshev, 0.1}, 60000}, 0, 5,
                   "One device, two bandwidths: a 150 kHz Butterworth in configuration A for wide-band "
                   "work and a 60 kHz Chebyshev with 0.1 dB ripple in configuration B, both with a gain "
                   "of 5. Downloading with the other wakeup configuration switches the bandwidth.",
                   "Two bandwidths: 150 kHz and 60 kHz", "ZelD, Butterworth, Chebyshev, low-pass, wakeup, filter");
    ZelDFilterPair("ZelE", "ZelE_Butterworth_Chebyshev_20kHz.ZEL", {{K::Butterworth}, 20000},
                   {{K::Chebyshev, 1.0}, 20000}, 0, 1,
                   "ZelE runs five times slower than ZelD for the same element values, which suits the "
                   "audio band: a 20 kHz Butterworth in configuration A and a 20 kHz Chebyshev with 1 dB "
                   "ripple, steeper above the band, in configuration B.",
                   "Butterworth and Chebyshev, 20 kHz", "ZelE, Butterworth, Chebyshev, audio, low-pass, filter");
    ZelDFilterPair("ZelE", "ZelE_Bessel_Elliptic.ZEL", {{K::Bessel}, 15000},
                   {{K::Elliptic, 0.1, 60}, 16000}, 1, 2,
                   "A 15 kHz Bessel filter for pulse shapes in configuration A and an anti-aliasing "
                   "elliptic filter in configuration B: 0.1 dB ripple up to 16 kHz and 60 dB of "
                   "attenuation from about 27 kHz. The device wakes up in B with a gain of 2.",
                   "Bessel and elliptic anti-aliasing filter", "ZelE, Bessel, elliptic, anti-aliasing, low-pass, filter");
    ZelDFilterPair("ZelE", "ZelE_Chebyshev_Bessel_Gain10.ZEL", {{K::Chebyshev, 0.25}, 15000},
                   {{K::Bessel}, 10000}, 0, 10,
                   "A gain of 10 in front of a 15 kHz Chebyshev filter with 0.25 dB ripple "
                   "(configuration A), or of a 10 kHz Bessel filter (configuration B), for a sensor "
                   "signal that needs gain and band limiting in one part.",
                   "Gain of 10 with a 15 kHz Chebyshev or 10 kHz Bessel filter",
                   "ZelE, Chebyshev, Bessel, gain, sensor, low-pass, filter");
}

int Generate(const std::string& dir, bool check)
{
    ZelAGainStage();
    ZelALowpass1();
    ZelAHighpass1();
    ZelAHighpass2();
    ZelABiquad();
    ZelABandpass2();
    ZelAIntegrator();
    ZelASumming();
    ZelALadder();
    ZelBComparator();
    ZelBWindow();
    ZelBDacOffset();
    ZelCMdac();
    ZelCReferenceOffset();
    ZelCDifference();
    ZelDFilters();
    int status = 0;
    for (const Output& o : g_out) {
        const std::string path = dir + "/" + o.file;
        if (check) {
            std::string existing;
            if (!ReadWholeFile(path, existing) || existing != o.text) {
                std::fprintf(stderr, "%s is not what make_library writes\n", path.c_str());
                status = 1;
            }
        } else {
            std::string error;
            if (!WriteFileAtomically(path, o.text, &error)) {
                std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
                status = 1;
            }
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 2 && argv[1][0] != '-')
            return Generate(argv[1], false);
        if (argc == 3 && std::string(argv[1]) == "--check")
            return Generate(argv[2], true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_library: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: make_library OUTDIR | make_library --check DIR\n");
    return 2;
}
