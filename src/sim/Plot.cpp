#include "sim/Plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Prompter.h"
#include "sim/CurveAnalysis.h"
#include "sim/Simulator.h"

namespace kalidor {

const char kExportFileFilter[] = "Text Files (*.csv)|*.csv|All Files (*.*)|*.*||";
const char* const kActivateCurveTexts[4] = {
    "Sim output placed in Curve 1", "Sim output placed in Curve 2",
    "Sim output placed in Curve 3", "Sim output placed in Curve 4"};
const char kGainPaneTitle[] = "Gain Plot (dB)";
const char kPhasePaneTitle[] = "Phase Plot (Deg)";
const char kDelayPaneTitle[] = "Group Delay Plot";

const char* const kDelimiterChoiceTexts[4] = {"Delimited with Comma", "Delimited with Semicolon",
                                              "Delimited with Tab", "Delimited with Space"};
const char* const kPrintModeTexts[3] = {"Print Gain and Phase on 2 Pages",
                                        "Print Gain and Phase in 1 Plot on 1 Page",
                                        "Print Gain and Phase in 2 Plots on 1 Page"};

namespace {

constexpr char kCurveStatusFormat[] = "Curve:%d  Vout%d/Vin%d";
constexpr char kExportHeaderFormat[] = "Curve_%d_Frequency%cCurve_%d_Gain%cCurve_%d_Phase\r\n";

const std::vector<CPltPoint> kNoPoints;

void Tell(std::string_view text)
{
    CurrentPrompter().Message(std::string(text), {}, Buttons::Ok, MessageIcon::Warning);
}

// Fixed-point text with `decimals` digits, independent of the C locale (the desktop program
// runs with the user's locale, whose decimal separator may be a comma).
std::string Fixed(double v, int decimals)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return "0";
    return std::string(buf, r.ptr);
}

int32_t Clamp(double v)
{
    if (std::isnan(v))
        return 0;
    if (v > kPltCoordLimit)
        return kPltCoordLimit;
    if (v < -kPltCoordLimit)
        return -kPltCoordLimit;
    return static_cast<int32_t>(v);  // truncation toward zero
}

void Widen(PlotLimits& l, const CPltPoint& p)
{
    l.minX = std::min(l.minX, p.m_gainLogicalXY.x);
    l.maxX = std::max(l.maxX, p.m_gainLogicalXY.x);
    l.minGainY = std::min(l.minGainY, p.m_gainLogicalXY.y);
    l.maxGainY = std::max(l.maxGainY, p.m_gainLogicalXY.y);
    l.minPhaseY = std::min(l.minPhaseY, p.m_phaseLogicalXY.y);
    l.maxPhaseY = std::max(l.maxPhaseY, p.m_phaseLogicalXY.y);
    if (std::isfinite(p.m_groupDelay)) {
        l.minDelayY = std::min(l.minDelayY, p.m_delayLogicalXY.y);
        l.maxDelayY = std::max(l.maxDelayY, p.m_delayLogicalXY.y);
    }
}

// The delay unit: the power of ten that puts the largest delay between 30 and 300 units (a
// microsecond when there is no delay to show).
double DelayUnitFor(double largest)
{
    if (!(largest > 0.0) || !std::isfinite(largest))
        return 1e-6;
    return std::pow(10.0, std::floor(std::log10(largest / 30.0)));
}

}  // namespace

// ------------------------------------------------------------------ points

int32_t LogicalX(double frequencyHz)
{
    if (!(frequencyHz > 0.0))
        return -kPltCoordLimit;
    return Clamp(std::log10(frequencyHz) * kPltUnitsPerDecade);
}

int32_t LogicalY(double value) { return Clamp(value * kPltUnitsPerDb); }

double FrequencyOfX(int x) { return std::pow(10.0, static_cast<double>(x) / kPltUnitsPerDecade); }

double ValueOfY(int y) { return static_cast<double>(y) / kPltUnitsPerDb; }

CPltPoint::CPltPoint(double freq, double gain, double phase, double groupDelay)
    : m_freq(freq), m_gain(gain), m_phase(phase), m_groupDelay(groupDelay)
{
    ComputeLogical();
}

void CPltPoint::ComputeLogical()
{
    const int32_t x = LogicalX(m_freq);
    m_gainLogicalXY = {x, LogicalY(m_gain)};
    m_phaseLogicalXY = {x, LogicalY(m_phase)};
}

std::string CPltPoint::Dump() const
{
    char buf[512];
    std::string out;
    std::snprintf(buf, sizeof buf, "this = %#lx\r\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(this)));
    out += buf;
    out += "m_freq  = " + Fixed(m_freq, 6) + "\r\n";
    out += "m_gain  = " + Fixed(m_gain, 6) + "\r\n";
    out += "m_phase = " + Fixed(m_phase, 6) + "\r\n";
    std::snprintf(buf, sizeof buf, "m_gainLogicalXY  = (%d,%d)\r\n", m_gainLogicalXY.x, m_gainLogicalXY.y);
    out += buf;
    std::snprintf(buf, sizeof buf, "m_phaseLogicalXY  = (%d,%d)\r\n", m_phaseLogicalXY.x, m_phaseLogicalXY.y);
    out += buf;
    out += std::string("m_bSelected = ") + (m_bSelected ? "TRUE" : "FALSE") + "\r\n";
    return out;
}

// ------------------------------------------------------------------ plot

CPlot::CPlot(CSimulationSetup& setup) : m_setup(&setup) {}

void CPlot::ClearCurve(int curve)
{
    if (InRange(curve))
        m_points[curve].clear();
}

void CPlot::AppendPoint(int curve, const CurvePoint& point)
{
    if (InRange(curve))
        m_points[curve].emplace_back(point.frequency, point.gainDb, point.phaseDeg, point.groupDelay);
}

void CPlot::OnCurveComplete(int curve)
{
    FillGroupDelay(curve);
    RecomputeLimits();
}

void CPlot::FillGroupDelay(int curve)
{
    if (!InRange(curve))
        return;
    auto& pts = m_points[curve];
    if (std::none_of(pts.begin(), pts.end(), [](const CPltPoint& p) { return std::isnan(p.m_groupDelay); }))
        return;
    std::vector<double> f, phase;
    f.reserve(pts.size());
    phase.reserve(pts.size());
    for (const CPltPoint& p : pts) {
        f.push_back(p.m_freq);
        phase.push_back(p.m_phase);
    }
    const std::vector<double> tau = GroupDelayFromPhase(f, phase);
    for (std::size_t i = 0; i < pts.size(); ++i)
        if (std::isnan(pts[i].m_groupDelay))
            pts[i].m_groupDelay = tau[i];
}

int32_t CPlot::LogicalDelayY(double seconds) const { return Clamp(seconds / m_delayUnit * kPltUnitsPerDb); }

double CPlot::DelayDisplayUnit() const
{
    if (!(m_largestDelay > 0.0))
        return m_delayUnit >= 1e-3 ? (m_delayUnit >= 1.0 ? 1.0 : 1e-3) : (m_delayUnit >= 1e-6 ? 1e-6 : 1e-9);
    const double e = std::floor(std::log10(m_largestDelay) / 3.0) * 3.0;
    return std::pow(10.0, std::clamp(e, -9.0, 0.0));
}

std::string CPlot::DelayUnitName() const
{
    const double u = DelayDisplayUnit();
    if (u >= 1.0)
        return "s";
    if (u >= 1e-3)
        return "ms";
    if (u >= 1e-6)
        return "\xC2\xB5s";
    return "ns";
}

std::string CPlot::DelayText(double seconds) const
{
    if (!std::isfinite(seconds))
        return "--";
    const double v = seconds / DelayDisplayUnit();
    const double a = std::fabs(v);
    return Fixed(v, a >= 100 ? 1 : a >= 10 ? 2 : 3) + DelayUnitName();
}

const std::vector<CPltPoint>& CPlot::Points(int curve) const
{
    return InRange(curve) ? m_points[curve] : kNoPoints;
}

bool CPlot::IsValid(int curve) const { return InRange(curve) && m_setup->Curve(curve).valid == 1; }

bool CPlot::AnyValid() const
{
    for (int c = 0; c < kCurveCount; ++c)
        if (IsValid(c))
            return true;
    return false;
}

int CPlot::DeleteCurve(int curve)
{
    if (!IsValid(curve))
        return 0;
    m_points[curve].clear();
    m_setup->Curve(curve).valid = 0;
    RecomputeLimits();
    return 1;
}

void CPlot::ClearAll()
{
    for (int c = 0; c < kCurveCount; ++c) {
        m_points[c].clear();
        m_setup->Curve(c).valid = 0;
    }
    RecomputeLimits();
}

void CPlot::RecomputeLimits()
{
    double largest = 0.0;
    for (const auto& list : m_points)
        for (const CPltPoint& p : list)
            if (std::isfinite(p.m_groupDelay))
                largest = std::max(largest, std::fabs(p.m_groupDelay));
    m_largestDelay = largest;
    m_delayUnit = DelayUnitFor(largest);
    PlotLimits l;
    for (auto& list : m_points)
        for (CPltPoint& p : list) {
            p.ComputeLogical();
            p.m_delayLogicalXY = {p.m_gainLogicalXY.x,
                                  std::isfinite(p.m_groupDelay) ? LogicalDelayY(p.m_groupDelay) : 0};
            Widen(l, p);
        }
    m_limits = l;
}

PlotLimits CPlot::CurveLimits(int curve) const
{
    PlotLimits l;
    for (const CPltPoint& p : Points(curve))
        Widen(l, p);
    return l;
}

const std::vector<std::pair<int32_t, int32_t>>& CPlot::FrequencyTicks()
{
    static const std::vector<std::pair<int32_t, int32_t>> ticks = [] {
        std::vector<std::pair<int32_t, int32_t>> t;
        int32_t decade = 1;
        for (int k = 0; k <= 9; ++k) {
            for (int m = 1; m <= 9; ++m) {
                const int32_t f = decade * m;
                t.emplace_back(f, static_cast<int32_t>(std::log10(static_cast<double>(f)) * 1000.0));
                if (k == 9)
                    break;  // 1 GHz is the last tick
            }
            if (k < 9)
                decade *= 10;
        }
        return t;
    }();
    return ticks;
}

bool CPlot::ValueAt(int curve, int x, int* gainY, int* phaseY, int* delayY) const
{
    const auto& pts = Points(curve);
    if (pts.empty())
        return false;
    auto it = std::lower_bound(pts.begin(), pts.end(), x,
                               [](const CPltPoint& p, int v) { return p.m_gainLogicalXY.x < v; });
    if (it == pts.begin() || it == pts.end()) {
        const CPltPoint& p = it == pts.end() ? pts.back() : pts.front();
        *gainY = p.m_gainLogicalXY.y;
        *phaseY = p.m_phaseLogicalXY.y;
        if (delayY)
            *delayY = p.m_delayLogicalXY.y;
        return true;
    }
    const CPltPoint& b = *it;
    const CPltPoint& a = *(it - 1);
    const double span = static_cast<double>(b.m_gainLogicalXY.x) - a.m_gainLogicalXY.x;
    const double t = span > 0 ? (x - a.m_gainLogicalXY.x) / span : 0.0;
    auto between = [t](int32_t ya, int32_t yb) { return static_cast<int>(std::lround(ya + t * (yb - ya))); };
    *gainY = between(a.m_gainLogicalXY.y, b.m_gainLogicalXY.y);
    *phaseY = between(a.m_phaseLogicalXY.y, b.m_phaseLogicalXY.y);
    if (delayY) {
        if (std::isfinite(a.m_groupDelay) && std::isfinite(b.m_groupDelay))
            *delayY = between(a.m_delayLogicalXY.y, b.m_delayLogicalXY.y);
        else
            *delayY = (t < 0.5 ? a : b).m_delayLogicalXY.y;
    }
    return true;
}

// ------------------------------------------------------------------ read-out

std::string ShortFrequencyText(double f)
{
    if (!std::isfinite(f))
        return "0";
    const double lg = f > 0 ? std::log10(f) : 0.0;
    const int d = static_cast<int>(lg);  // trunc
    if (f < 0.1 || d > 9) {
        // Outside the short form: plain scientific notation.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2e", f);
        std::string s = buf;
        std::replace(s.begin(), s.end(), ',', '.');
        return s;
    }
    switch (d) {
    case 0: return Fixed(f, 2);
    case 1: return Fixed(f, 1);
    case 2: return std::to_string(static_cast<long>(f));
    case 3: return Fixed(f / 1000.0, 2) + "K";
    case 4: return Fixed(f / 1000.0, 1) + "K";
    case 5: return std::to_string(static_cast<long>(f / 1000.0)) + "K";
    case 6: return Fixed(f / 1e6, 2) + "M";
    case 7: return Fixed(f / 1e6, 1) + "M";
    case 8: return std::to_string(static_cast<long>(f / 1e6)) + "M";
    default: return Fixed(f / 1e9, 2) + "G";
    }
}

std::string CPlot::CurveStatusText() const
{
    const CurveSetting& c = m_setup->Active();
    char buf[96];
    std::snprintf(buf, sizeof buf, kCurveStatusFormat, GetActiveCurve() + 1, c.outputNode, c.inputNode);
    return buf;
}

std::string CPlot::ReadoutText(int x, int gainY, int phaseY) const
{
    if (!m_crosshair || !IsValid(GetActiveCurve()))
        return {};
    return ShortFrequencyText(FrequencyOfX(x)) + "Hz  " + Fixed(ValueOfY(gainY), 2) + "dB  " +
           Fixed(ValueOfY(phaseY), 2) + "Deg";
}

// ------------------------------------------------------------------ export / import

char DelimiterOf(int choice)
{
    switch (choice) {
    case kDelimSemicolon: return ';';
    case kDelimTab: return '\t';
    case kDelimSpace: return ' ';
    default: return ',';
    }
}

std::string CPlot::ExportText(int delimiterChoice, int* count) const
{
    const int curve = GetActiveCurve();
    const auto& pts = Points(curve);
    if (count)
        *count = static_cast<int>(pts.size());
    if (pts.empty())
        return {};
    const char d = DelimiterOf(delimiterChoice);
    char buf[160];
    std::snprintf(buf, sizeof buf, kExportHeaderFormat, curve + 1, d, curve + 1, d, curve + 1);
    std::string out = buf;
    out.reserve(out.size() + pts.size() * 40);
    for (const CPltPoint& p : pts) {
        out += Fixed(p.m_freq, 6);
        out += d;
        out += Fixed(p.m_gain, 6);
        out += d;
        out += Fixed(p.m_phase, 6);
        out += "\r\n";
    }
    return out;
}

int CPlot::ExportToFile(const std::string& path, int delimiterChoice) const
{
    int count = 0;
    const std::string text = ExportText(delimiterChoice, &count);
    if (count == 0)
        return 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        Tell(kMsgFileNotOpened);
        return -1;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        Tell(kMsgFileNotOpened);
        return -1;
    }
    return count;
}

// True when the export writes the frequency as a positive number: one that the six decimals
// would write as 0.000000 could not be read back, so such a point is refused at import.
bool CPlot::ExportableFrequency(double hz)
{
    return hz > 0.0 && std::isfinite(hz) && Fixed(hz, 6) != "0.000000";
}

// The rules of an import: lines end at CR, LF or CR LF; the first line is a header; commas,
// semicolons and double quotes count as white space; three numbers make a point (frequency,
// gain, phase; further numbers are ignored); two numbers make a point of frequency and gain
// with a phase of 0; fewer numbers, a number that is not finite, or a frequency the export could
// not write back (0, below, or under 0.0000005 Hz) add nothing. Reading stops at the first text
// that is not a number.
int CPlot::ImportText(const std::string& text, int* hint)
{
    const int curve = GetActiveCurve();
    const bool wasValid = AnyValid();
    std::vector<CPltPoint> pts;

    std::size_t pos = 0;
    bool header = true;
    while (pos < text.size() && pts.size() < kMaxImportPoints) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size())
            pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        if (header) {
            header = false;
            continue;
        }
        for (char& c : line)
            if (c == ',' || c == ';' || c == '"')
                c = ' ';
        double v[3];
        int n = 0;
        const char* p = line.data();
        const char* e = line.data() + line.size();
        while (n < 3) {
            while (p < e && (*p == ' ' || *p == '\t' || *p == '\f' || *p == '\v'))
                ++p;
            if (p >= e)
                break;
            if (*p == '+')
                ++p;  // from_chars does not take a leading plus
            auto r = std::from_chars(p, e, v[n]);
            if (r.ec != std::errc())
                break;
            p = r.ptr;
            ++n;
        }
        if (n < 2)
            continue;
        if (n == 2)
            v[2] = 0.0;
        if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]) || !ExportableFrequency(v[0]))
            continue;
        pts.emplace_back(v[0], v[1], v[2]);
    }

    m_points[curve] = std::move(pts);
    FillGroupDelay(curve);
    RecomputeLimits();
    // An import that brought no point leaves an empty curve, which is not a result.
    m_setup->Curve(curve).valid = m_points[curve].empty() ? 0 : 1;
    if (hint)
        *hint = wasValid ? 2 : 3;
    return static_cast<int>(m_points[curve].size());
}

int CPlot::ImportFile(const std::string& path, int* hint)
{
    // Bounded like every reader: a folder, a device without end or a file beyond the largest
    // import cannot be opened as plot data.
    std::string text;
    if (!ReadWholeFile(path, text, kMaxImportBytes)) {
        Tell(kMsgFileNotOpened);
        return -1;
    }
    return ImportText(text, hint);
}

// ------------------------------------------------------------------ run command

RunResult RunActiveCurve(CSimulationSetup& setup, CSimulator& simulator, CPlot& plot)
{
    RunResult r;
    const bool hadData = plot.AnyValid();
    const int curve = setup.GetActiveCurve();
    if (RunSweep(simulator, setup, plot, curve) != 1) {
        // The sweep may have left part of a curve: the limits follow what is there.
        plot.RecomputeLimits();
        r.hint = 2;
        return r;
    }
    setup.Curve(curve).valid = 1;
    r.success = true;
    r.openPlotWindow = true;
    r.hint = hadData ? 2 : 3;
    return r;
}

}  // namespace kalidor
