#include "biquad/BiquadGenerator.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <limits>

namespace biquad {

namespace {

// Block one (XT or YT) closes its feedback: a lossy integrator. Block two (XB or YB) opens it: an
// integrator. The input selections: block one's first amplifier takes the input, its second one
// block two's output; block two's first amplifier takes block one's output.
constexpr PairKeys kLeftPair{
    {{9, 1}, {10, 4}, {20, 3}, {21, 2}, {3, 0}, {14, 1}},
    4,
    {{5, 1}, {15, -1}, {16, 1}},
    6,
    17,
    0,
    2,
};
constexpr int kRightPairOffset = 22;

constexpr PairKeys Shifted(const PairKeys& p, int by)
{
    PairKeys r = p;
    for (KeyValue& kv : r.fixedSettings)
        kv.key += by;
    r.inputGain += by;
    for (KeyValue& kv : r.fixedGains)
        kv.key += by;
    r.capA += by;
    r.capB += by;
    r.inputNode = 3;
    r.outputNode = 4;
    return r;
}
constexpr PairKeys kRightPair = Shifted(kLeftPair, kRightPairOffset);

// A pass of the optimisation loops improves the error strictly, and the read-back texts have two
// decimals, so the loops end by themselves; this bound only guards against a document that
// answers nonsense.
constexpr int kMaxPasses = 100;

std::string Trimmed(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    return text.substr(b, e - b);
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

double Finite(double value)
{
    if (!std::isfinite(value))
        throw CBiquadError(kMsgOverflow);
    return value;
}

}  // namespace

const PairKeys& KeysOf(BlockPair pair) { return pair == BlockPair::kRight ? kRightPair : kLeftPair; }

std::string CheckCommandLine(const std::vector<std::string>& arguments)
{
    if (arguments.size() == 1 && EqualsIgnoringCase(arguments[0], kRunAsMacro))
        return {};
    return kMsgNotAsMacro;
}

bool IsZelA(const std::string& deviceType) { return EqualsIgnoringCase(deviceType, kDeviceZelA); }

double ParseNumber(const std::string& text)
{
    std::string t = Trimmed(text);
    if (!t.empty() && t[0] == '+')
        t.erase(0, 1);
    // Only digits, a point, a sign and an exponent: no "inf", "nan" or hexadecimal.
    if (t.empty() || t[0] == '+' || t.find_first_not_of("0123456789.eE+-") != std::string::npos)
        throw CBiquadError(kMsgTypeMismatch);
    double value = 0;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large overflows; too small (a negative exponent, or no digit but 0 before the
        // point) is a zero.
        const size_t e = t.find_first_of("eE");
        const bool negativeExponent = e != std::string::npos && e + 1 < t.size() && t[e + 1] == '-';
        const std::string whole = t.substr(0, std::min(t.find('.'), e));
        if (negativeExponent || whole.find_first_of("123456789") == std::string::npos)
            return 0.0;
        throw CBiquadError(kMsgOverflow);
    }
    if (ec != std::errc() || ptr != end)
        throw CBiquadError(kMsgTypeMismatch);
    return Finite(value);
}

int ParseInteger16(const std::string& text)
{
    const double rounded = std::nearbyint(ParseNumber(text));  // the default mode: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        throw CBiquadError(kMsgOverflow);
    return static_cast<int>(rounded);
}

int RoundToInt32(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw CBiquadError(kMsgOverflow);
    return static_cast<int>(rounded);
}

std::string FormatTwoDecimals(double value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    std::string s = buf;
    if (s == "-0.00")
        s = "0.00";
    return s;
}

std::string NumberText(double value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

std::string CommentsText(double frequencyHz, double q, int gain)
{
    return std::string(kCommentsParameters) + NumberText(frequencyHz) + kCommentsQ + NumberText(q) + kCommentsGain +
           std::to_string(gain) + "\r\n" + kCommentsCreatedBy;
}

CapacitorPair CapacitorsFor(double frequencyHz, double q)
{
    const double denominator = frequencyHz * kGenerateTwoPi * q;
    if (denominator == 0.0)
        throw CBiquadError(kMsgDivisionByZero);
    CapacitorPair c;
    c.cb = Finite(kCapFrequencyProduct / denominator);
    c.ca = Finite(q * q * c.cb);
    return c;
}

RealisedValues RealisedBy(int scaledCa, int scaledCb)
{
    const double ca = scaledCa / kScaledPerPicofarad;
    const double cb = scaledCb / kScaledPerPicofarad;
    if (cb == 0.0)
        throw CBiquadError(kMsgDivisionByZero);
    RealisedValues r;
    r.q = std::sqrt(ca / cb);
    const double denominator = cb * 2 * kReadBackPi * r.q;
    if (denominator == 0.0 || !std::isfinite(r.q))
        throw CBiquadError(kMsgDivisionByZero);
    r.frequency = kCapFrequencyProduct / denominator;
    return r;
}

void GetParameters(CBiquadDocument& doc, BlockPair pair, BiquadTexts& texts)
{
    const PairKeys& keys = KeysOf(pair);
    texts.gain = std::to_string(-doc.GetGainValue(keys.inputGain));
    const int ca = doc.GetScaledCapValue(keys.capA);
    const int cb = doc.GetScaledCapValue(keys.capB);
    const RealisedValues r = RealisedBy(ca, cb);
    texts.fo = FormatTwoDecimals(r.frequency / 1000.0);
    texts.q = FormatTwoDecimals(r.q);
}

GenerateResult GenerateSchematic(CBiquadDocument& doc, BlockPair pair, Optimize optimize, BiquadTexts& texts)
{
    const PairKeys& keys = KeysOf(pair);
    for (const KeyValue& kv : keys.fixedSettings)
        doc.SetSymValue(kv.key, kv.value);

    GenerateResult result;
    result.gain = ParseInteger16(texts.gain);
    if (result.gain == -32768)  // its negative is not a 16-bit integer
        throw CBiquadError(kMsgOverflow);
    doc.SetGainValue(keys.inputGain, -result.gain);
    for (const KeyValue& kv : keys.fixedGains)
        doc.SetGainValue(kv.key, kv.value);

    double f = ParseNumber(texts.fo) * 1000.0;
    double q = ParseNumber(texts.q);
    const double fTarget = f;
    const double qTarget = q;
    double bestDiff = kInitialBestDiff;
    for (;;) {
        ++result.passes;
        const CapacitorPair c = CapacitorsFor(f, q);
        doc.SetScaledCapValue(keys.capA, RoundToInt32(c.ca * kScaledPerPicofarad));
        doc.SetScaledCapValue(keys.capB, RoundToInt32(c.cb * kScaledPerPicofarad));
        if (optimize == Optimize::kNone || result.passes >= kMaxPasses)
            break;
        GetParameters(doc, pair, texts);
        f = ParseNumber(texts.fo) * 1000.0;
        q = ParseNumber(texts.q);
        if (optimize == Optimize::kFo) {
            const double diff = std::fabs(f - fTarget);
            if (!(diff < bestDiff))
                break;
            bestDiff = diff;
            f = fTarget;
        } else {
            const double diff = std::fabs(q - qTarget);
            if (!(diff < bestDiff))
                break;
            bestDiff = diff;
            q = qTarget;
        }
    }
    result.frequency = f;
    result.q = q;

    if (keys.inputNode != 0)
        doc.SetGainPhaseInputNode(keys.inputNode);
    doc.SetGainPhaseOutputNode(keys.outputNode);
    result.comments = CommentsText(f, q, result.gain);
    doc.SetTitle(kSummaryTitle);
    doc.SetKeywords(kSummaryKeywords);
    doc.SetComments(result.comments);
    GetParameters(doc, pair, texts);
    doc.UpdateViews();
    return result;
}

}  // namespace biquad
