// The biquad generator's computation against a recording document: the order and values of the
// automation calls, the texts, the rounding rules, the optimisation loops and the run-time errors.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "biquad/BiquadGenerator.h"

using namespace biquad;

namespace {

// Records every call as text; a capacitor is realised by `quantise` (exactly, unless a test says
// otherwise) and read back as stored.
class RecordingDocument : public CBiquadDocument {
public:
    std::vector<std::string> calls;
    std::map<int, int> values;
    std::map<int, int> gains;
    std::function<int(int)> quantise = [](int scaled) { return scaled; };
    std::string title, keywords, comments;
    int inputNode = 1, outputNode = 1;

    void SetSymValue(int key, int value) override
    {
        calls.push_back("SetSymValue " + std::to_string(key) + " " + std::to_string(value));
        values[key] = value;
    }
    void SetGainValue(int key, int gain) override
    {
        calls.push_back("SetGainValue " + std::to_string(key) + " " + std::to_string(gain));
        gains[key] = gain;
    }
    int GetGainValue(int key) override
    {
        calls.push_back("GetGainValue " + std::to_string(key));
        return gains[key];
    }
    void SetScaledCapValue(int key, int scaled) override
    {
        calls.push_back("SetScaledCapValue " + std::to_string(key) + " " + std::to_string(scaled));
        values[key] = quantise(scaled);
    }
    int GetScaledCapValue(int key) override
    {
        calls.push_back("GetScaledCapValue " + std::to_string(key));
        return values[key];
    }
    void SetGainPhaseInputNode(int node) override
    {
        calls.push_back("GainPhaseInputNode " + std::to_string(node));
        inputNode = node;
    }
    void SetGainPhaseOutputNode(int node) override
    {
        calls.push_back("GainPhaseOutputNode " + std::to_string(node));
        outputNode = node;
    }
    void SetTitle(const std::string& t) override { calls.push_back("Title"); title = t; }
    void SetKeywords(const std::string& t) override { calls.push_back("Keywords"); keywords = t; }
    void SetComments(const std::string& t) override { calls.push_back("Comments"); comments = t; }
    void UpdateViews() override { calls.push_back("UpdateViews"); }

    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& c : calls)
            n += c.rfind(prefix, 0) == 0;
        return n;
    }
};

BiquadTexts TextsOf(const std::string& gain, const std::string& fo, const std::string& q)
{
    BiquadTexts t;
    t.gain = gain;
    t.fo = fo;
    t.q = q;
    return t;
}

}  // namespace

namespace biquad {
void PrintTo(const BiquadTexts& t, std::ostream* os) { *os << '"' << t.gain << "\" / \"" << t.fo << "\" / \"" << t.q << '"'; }
}  // namespace biquad

TEST(BiquadTexts, ExactTexts)
{
    EXPECT_STREQ(kWindowTitle, "Biquad Filter");
    EXPECT_STREQ(kMsgNotAsMacro, "Macro must be run from within Kalidor");
    EXPECT_STREQ(kMsgNoApplication, "Can't Create Kalidor Object.");
    EXPECT_STREQ(kMsgNoDocument, "Can't Get Kalidor Active Document.");
    EXPECT_STREQ(kMsgNotZelA,
                 "Macro must be run from a ZelA schematic.  Macro will exit without affecting the schematic.");
    EXPECT_EQ(BiquadTexts(), TextsOf("3", "50", "2.0"));
    EXPECT_EQ(CommentsText(50000, 2, 3),
              "Parameters:  Freq = 50000  Q = 2  Gain= 3\r\nCreated by VB Biquad Filter generator");
    EXPECT_EQ(CommentsText(49990.000000000007, 2.07, -10),
              "Parameters:  Freq = 49990  Q = 2.07  Gain= -10\r\nCreated by VB Biquad Filter generator");
}

TEST(BiquadStartUp, CommandLineMustBeRunAsMacroInAnyCase)
{
    EXPECT_EQ(CheckCommandLine({"/RunAsMacro"}), "");
    EXPECT_EQ(CheckCommandLine({"/runasmacro"}), "");
    EXPECT_EQ(CheckCommandLine({"/RUNASMACRO"}), "");
    EXPECT_EQ(CheckCommandLine({}), kMsgNotAsMacro);
    EXPECT_EQ(CheckCommandLine({"RunAsMacro"}), kMsgNotAsMacro);
    EXPECT_EQ(CheckCommandLine({"/RunAsMacro", "x"}), kMsgNotAsMacro);
    EXPECT_EQ(CheckCommandLine({"/RunAsMacros"}), kMsgNotAsMacro);
    EXPECT_TRUE(IsZelA("ZelA"));
    EXPECT_TRUE(IsZelA("ZELA"));
    EXPECT_TRUE(IsZelA("zela"));
    EXPECT_FALSE(IsZelA("ZelB"));
    EXPECT_FALSE(IsZelA("ZelA "));
    EXPECT_FALSE(IsZelA(""));
}

TEST(BiquadNumbers, ParsingRoundingAndFormatting)
{
    EXPECT_EQ(ParseNumber("2.0"), 2.0);
    EXPECT_EQ(ParseNumber(" -1.5e3 "), -1500.0);
    EXPECT_EQ(ParseNumber("+7"), 7.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("1e-400"), 0.0);
    for (const char* bad : {"", " ", "abc", "2,5", "1e", "--1", "++1", "inf", "nan", "0x10", "1 2"})
        EXPECT_THROW(ParseNumber(bad), CBiquadError) << bad;
    try {
        ParseNumber("x");
        ADD_FAILURE();
    } catch (const CBiquadError& e) {
        EXPECT_STREQ(e.what(), kMsgTypeMismatch);
    }
    try {
        ParseNumber("1e400");
        ADD_FAILURE();
    } catch (const CBiquadError& e) {
        EXPECT_STREQ(e.what(), kMsgOverflow);
    }

    // Half to even, and the 16-bit range.
    EXPECT_EQ(ParseInteger16("2.5"), 2);
    EXPECT_EQ(ParseInteger16("3.5"), 4);
    EXPECT_EQ(ParseInteger16("-2.5"), -2);
    EXPECT_EQ(ParseInteger16("32767.4"), 32767);
    EXPECT_EQ(ParseInteger16("-32768"), -32768);
    EXPECT_THROW(ParseInteger16("32767.5"), CBiquadError);
    EXPECT_THROW(ParseInteger16("-32769"), CBiquadError);
    EXPECT_EQ(RoundToInt32(254648.5), 254648);
    EXPECT_EQ(RoundToInt32(254649.5), 254650);
    EXPECT_THROW(RoundToInt32(2147483648.0), CBiquadError);
    EXPECT_THROW(RoundToInt32(std::nan("")), CBiquadError);

    EXPECT_EQ(FormatTwoDecimals(49.99998), "50.00");
    EXPECT_EQ(FormatTwoDecimals(2.0757), "2.08");
    EXPECT_EQ(FormatTwoDecimals(-0.001), "0.00");
    EXPECT_EQ(NumberText(50000), "50000");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
}

TEST(BiquadCapacitors, TheWorkedExampleAndTheTwoValuesOfPi)
{
    const CapacitorPair c = CapacitorsFor(50000, 2);
    EXPECT_NEAR(c.cb, 6.3662, 0.00005);
    EXPECT_NEAR(c.ca, 25.4648, 0.00005);
    EXPECT_EQ(RoundToInt32(c.cb * kScaledPerPicofarad), 63662);
    EXPECT_EQ(RoundToInt32(c.ca * kScaledPerPicofarad), 254648);
    // Realised exactly, 50 kHz reads back as 49.99998 kHz: 6.28318 against 2 x 3.1415926.
    const RealisedValues r = RealisedBy(254648, 63662);
    EXPECT_NEAR(r.q, 2.0, 1e-5);
    EXPECT_NEAR(r.frequency / 1000, 49.99998, 0.000005);
    EXPECT_NE(r.frequency, 50000.0);

    EXPECT_THROW(CapacitorsFor(0, 2), CBiquadError);
    EXPECT_THROW(CapacitorsFor(50000, 0), CBiquadError);
    EXPECT_THROW(RealisedBy(254648, 0), CBiquadError);
    EXPECT_THROW(RealisedBy(0, 63662), CBiquadError);
}

TEST(BiquadGenerate, LeftPairWritesTheSettingsInOrder)
{
    RecordingDocument doc;
    BiquadTexts texts;
    const GenerateResult r = GenerateSchematic(doc, BlockPair::kLeft, Optimize::kNone, texts);
    const std::vector<std::string> expected = {
        "SetSymValue 9 1",  "SetSymValue 10 4", "SetSymValue 20 3",  "SetSymValue 21 2",
        // Block one's feedback closed: a lossy integrator, so the loop is damped.
        "SetSymValue 3 0",  "SetSymValue 14 1", "SetGainValue 4 -3", "SetGainValue 5 1",
        "SetGainValue 15 -1", "SetGainValue 16 1", "SetScaledCapValue 6 254648", "SetScaledCapValue 17 63662",
        "GainPhaseOutputNode 2", "Title", "Keywords", "Comments",
        "GetGainValue 4", "GetScaledCapValue 6", "GetScaledCapValue 17", "UpdateViews",
    };
    EXPECT_EQ(doc.calls, expected);
    EXPECT_EQ(doc.title, "Biquad Filter for ZELA");
    EXPECT_EQ(doc.keywords, "ZelA, Biquad, Filter");
    EXPECT_EQ(doc.comments, "Parameters:  Freq = 50000  Q = 2  Gain= 3\r\nCreated by VB Biquad Filter generator");
    EXPECT_EQ(r.comments, doc.comments);
    EXPECT_EQ(r.passes, 1);
    EXPECT_EQ(texts, TextsOf("3", "50.00", "2.00"));
}

TEST(BiquadGenerate, RightPairIsTheLeftPairPlus22WithBothNodes)
{
    RecordingDocument doc;
    BiquadTexts texts;
    GenerateSchematic(doc, BlockPair::kRight, Optimize::kNone, texts);
    const std::vector<std::string> expected = {
        "SetSymValue 31 1",  "SetSymValue 32 4", "SetSymValue 42 3",  "SetSymValue 43 2",
        "SetSymValue 25 0",  "SetSymValue 36 1", "SetGainValue 26 -3", "SetGainValue 27 1",
        "SetGainValue 37 -1", "SetGainValue 38 1", "SetScaledCapValue 28 254648", "SetScaledCapValue 39 63662",
        "GainPhaseInputNode 3", "GainPhaseOutputNode 4", "Title", "Keywords", "Comments",
        "GetGainValue 26", "GetScaledCapValue 28", "GetScaledCapValue 39", "UpdateViews",
    };
    EXPECT_EQ(doc.calls, expected);
    EXPECT_EQ(doc.inputNode, 3);
    EXPECT_EQ(doc.outputNode, 4);
}

TEST(BiquadGenerate, GainTextIsRoundedAndPassedOnUnclamped)
{
    RecordingDocument doc;
    BiquadTexts texts = TextsOf("12.5", "50", "2");
    GenerateSchematic(doc, BlockPair::kLeft, Optimize::kNone, texts);
    EXPECT_EQ(doc.gains[4], -12);  // the document clamps, not the macro
    EXPECT_NE(doc.comments.find("Gain= 12\r\n"), std::string::npos);
    EXPECT_EQ(texts.gain, "12");
}

TEST(BiquadGenerate, RunTimeErrorsStopTheOperationWhereTheyHappen)
{
    struct Case {
        BiquadTexts texts;
        const char* message;
        int capWrites;
    };
    const Case cases[] = {
        {TextsOf("40000", "50", "2"), kMsgOverflow, 0},
        {TextsOf("-32768", "50", "2"), kMsgOverflow, 0},  // minus it is no 16-bit integer
        {TextsOf("three", "50", "2"), kMsgTypeMismatch, 0},
        {TextsOf("3", "", "2"), kMsgTypeMismatch, 0},
        {TextsOf("3", "0", "2"), kMsgDivisionByZero, 0},
        {TextsOf("3", "50", "0"), kMsgDivisionByZero, 0},
        {TextsOf("3", "1e-9", "2"), kMsgOverflow, 0},  // a capacitor beyond 32 bits
    };
    for (const Case& c : cases) {
        RecordingDocument doc;
        BiquadTexts texts = c.texts;
        try {
            GenerateSchematic(doc, BlockPair::kLeft, Optimize::kNone, texts);
            ADD_FAILURE() << c.message;
        } catch (const CBiquadError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(doc.Count("SetScaledCapValue"), c.capWrites) << c.message;
        EXPECT_EQ(doc.Count("Title"), 0);
        EXPECT_EQ(doc.Count("UpdateViews"), 0);
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(BiquadGetParameters, ReadsThePairBack)
{
    RecordingDocument doc;
    doc.gains[26] = 5;
    doc.values[28] = 254882;
    doc.values[39] = 59156;
    BiquadTexts texts;
    GetParameters(doc, BlockPair::kRight, texts);
    EXPECT_EQ(texts, TextsOf("-5", "51.85", "2.08"));
    EXPECT_EQ(doc.calls, (std::vector<std::string>{"GetGainValue 26", "GetScaledCapValue 28", "GetScaledCapValue 39"}));

    doc.values[39] = 0;
    EXPECT_THROW(GetParameters(doc, BlockPair::kRight, texts), CBiquadError);
}

namespace {

// A coarse capacitor table: multiples of 1 pF. 50 kHz, Q 2 realises Ca 25 pF, Cb 6 pF at first.
int WholePicofarads(int scaled) { return std::max(10000, (scaled + 5000) / 10000 * 10000); }

}  // namespace

TEST(BiquadOptimize, NoneNeverReadsBackInTheLoop)
{
    RecordingDocument doc;
    doc.quantise = WholePicofarads;
    BiquadTexts texts;
    const GenerateResult r = GenerateSchematic(doc, BlockPair::kLeft, Optimize::kNone, texts);
    EXPECT_EQ(r.passes, 1);
    EXPECT_EQ(doc.Count("SetScaledCapValue"), 2);
    EXPECT_EQ(doc.Count("GetScaledCapValue"), 2);  // the final Get Parameters only
}

namespace {

std::vector<std::pair<int, int>> CapacitorWrites(const RecordingDocument& doc, int keyA, int keyB)
{
    std::vector<std::pair<int, int>> pairs;
    const std::string a = "SetScaledCapValue " + std::to_string(keyA) + " ";
    const std::string b = "SetScaledCapValue " + std::to_string(keyB) + " ";
    for (size_t i = 0; i + 1 < doc.calls.size(); ++i)
        if (doc.calls[i].rfind(a, 0) == 0 && doc.calls[i + 1].rfind(b, 0) == 0)
            pairs.emplace_back(WholePicofarads(std::stoi(doc.calls[i].substr(a.size()))),
                               WholePicofarads(std::stoi(doc.calls[i + 1].substr(b.size()))));
    return pairs;
}

}  // namespace

// Worked by hand with whole-picofarad capacitors. FO: 25/6 pF realise 51.98 kHz (error 1980 Hz);
// again for 50 kHz with the Q read back (2.04), 26/6 pF realise 50.97 kHz (970 Hz); with Q 2.08
// the same 26/6 pF come out, 970 Hz is no improvement, and the loop ends.
TEST(BiquadOptimize, FoLoopStopsWhenTheFrequencyErrorNoLongerImproves)
{
    RecordingDocument doc;
    doc.quantise = WholePicofarads;
    BiquadTexts texts;
    const GenerateResult r = GenerateSchematic(doc, BlockPair::kLeft, Optimize::kFo, texts);
    EXPECT_EQ(r.passes, 3);
    EXPECT_EQ(CapacitorWrites(doc, 6, 17),
              (std::vector<std::pair<int, int>>{{250000, 60000}, {260000, 60000}, {260000, 60000}}));
    EXPECT_EQ(texts, TextsOf("3", "50.97", "2.08"));
    // The last pass did not improve: f stays as read back.
    EXPECT_EQ(r.comments, "Parameters:  Freq = 50970  Q = 2.08  Gain= 3\r\nCreated by VB Biquad Filter generator");
    EXPECT_EQ(doc.Count("GetScaledCapValue"), 2 * (r.passes + 1));
}

// Q: 25/6 pF realise Q 2.04 (error 0.04); again for Q 2 at the frequency read back (51.98 kHz),
// 24/6 pF realise Q 2.00 exactly at 53.05 kHz; the next pass gives the same, and the loop ends.
TEST(BiquadOptimize, QLoopStopsWhenTheQErrorNoLongerImproves)
{
    RecordingDocument doc;
    doc.quantise = WholePicofarads;
    BiquadTexts texts;
    const GenerateResult r = GenerateSchematic(doc, BlockPair::kRight, Optimize::kQ, texts);
    EXPECT_EQ(r.passes, 3);
    EXPECT_EQ(CapacitorWrites(doc, 28, 39),
              (std::vector<std::pair<int, int>>{{250000, 60000}, {240000, 60000}, {240000, 60000}}));
    EXPECT_EQ(texts, TextsOf("3", "53.05", "2.00"));
    EXPECT_EQ(r.comments, "Parameters:  Freq = 53050  Q = 2  Gain= 3\r\nCreated by VB Biquad Filter generator");
}

// Capacitors realised exactly: the first read-back is as good as it gets (FO 49.99998 kHz reads
// "50.00"), so the second pass repeats the first and the loop ends after two.
TEST(BiquadOptimize, ExactCapacitorsEndAfterTwoPasses)
{
    for (Optimize opt : {Optimize::kFo, Optimize::kQ}) {
        RecordingDocument doc;
        BiquadTexts texts;
        EXPECT_EQ(GenerateSchematic(doc, BlockPair::kLeft, opt, texts).passes, 2);
        EXPECT_EQ(texts, TextsOf("3", "50.00", "2.00"));
    }
}
