// The biquad generator's own logic, without Qt and without anything of Kalidor: a second-order
// filter of two ZelA blocks in a two-integrator loop, from a DC gain, a centre frequency FO and a
// quality factor Q typed as text.
//
// Block one (the first of the pair) is a lossy integrator: it takes the input with gain -G and the
// second block's output with gain +1, its feedback switch closed (0), and capacitor Ca. Block two is
// an integrator: it takes block one's output with gain -1, feedback open, capacitor Cb. The second
// block's output is the low-pass output with
//     FO = 1 / (2 pi R sqrt(Ca Cb)),  Q = sqrt(Ca / Cb),  R = 250 kOhm,
// that is Cb = 4e6 / (2 pi FO Q) pF and Ca = Q^2 Cb.
//
// Everything reaches the schematic through CBiquadDocument, the automation members the generator
// calls; the program implements it over D-Bus, the tests with a recording fake or a real document.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace biquad {

// --- texts the user sees ---
inline constexpr char kWindowTitle[] = "Biquad Filter";
inline constexpr char kRunAsMacro[] = "/RunAsMacro";
inline constexpr char kMsgNotAsMacro[] = "Macro must be run from within Kalidor";
inline constexpr char kMsgNoApplication[] = "Can't Create Kalidor Object.";
inline constexpr char kMsgNoDocument[] = "Can't Get Kalidor Active Document.";
inline constexpr char kMsgNotZelA[] =
    "Macro must be run from a ZelA schematic.  Macro will exit without affecting the schematic.";
inline constexpr char kDeviceZelA[] = "ZelA";

// What Generate Schematic writes into the summary information.
inline constexpr char kSummaryTitle[] = "Biquad Filter for ZELA";
inline constexpr char kSummaryKeywords[] = "ZelA, Biquad, Filter";
inline constexpr char kCommentsParameters[] = "Parameters:  Freq = ";
inline constexpr char kCommentsQ[] = "  Q = ";
inline constexpr char kCommentsGain[] = "  Gain= ";
inline constexpr char kCommentsCreatedBy[] = "Created by VB Biquad Filter generator";

// The run-time errors that stop an operation, as the program reports them.
inline constexpr char kMsgOverflow[] = "Overflow";
inline constexpr char kMsgDivisionByZero[] = "Division by zero";
inline constexpr char kMsgTypeMismatch[] = "Type mismatch";

// The initial texts of the three boxes.
inline constexpr char kInitialGain[] = "3";
inline constexpr char kInitialFo[] = "50";
inline constexpr char kInitialQ[] = "2.0";

// --- the two values of pi ---
// Generate Schematic writes 2 pi as 6.28318; Get Parameters computes 2 x 3.1415926. The read-back
// of a perfectly realised 50 kHz is therefore 49.99998 kHz before rounding to 0.01 kHz.
inline constexpr double kGenerateTwoPi = 6.28318;
inline constexpr double kReadBackPi = 3.1415926;
// 1 / (2 pi R) in pF Hz for the blocks' 250 kOhm input resistance: 1e12 / 250e3.
inline constexpr double kCapFrequencyProduct = 4000000.0;
// Scaled capacitance: pF x 10000 (units of 1e-16 F).
inline constexpr double kScaledPerPicofarad = 10000.0;
// The first "best difference" of the optimisation loops.
inline constexpr double kInitialBestDiff = 9000000.0;

// A run-time error: the operation stops and the message is shown.
class CBiquadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The automation members of a schematic document that the generator calls.
class CBiquadDocument {
public:
    virtual ~CBiquadDocument() = default;
    virtual void SetSymValue(int key, int value) = 0;
    virtual void SetGainValue(int key, int gain) = 0;
    virtual int GetGainValue(int key) = 0;
    virtual void SetScaledCapValue(int key, int scaled) = 0;
    virtual int GetScaledCapValue(int key) = 0;
    virtual void SetGainPhaseInputNode(int node) = 0;
    virtual void SetGainPhaseOutputNode(int node) = 0;
    virtual void SetTitle(const std::string& text) = 0;
    virtual void SetKeywords(const std::string& text) = 0;
    virtual void SetComments(const std::string& text) = 0;
    virtual void UpdateViews() = 0;
};

// Which two blocks carry the filter: "1 && 2" or "3 && 4".
enum class BlockPair { kLeft, kRight };
enum class Optimize { kNone, kQ, kFo };

struct KeyValue {
    int key;
    int value;
};

// The symbol keys of one block pair; the right pair's keys are the left pair's plus 22.
struct PairKeys {
    KeyValue fixedSettings[6];  // interconnect and feedback switches, written in this order
    int inputGain;              // block one's input amplifier: minus the DC gain
    KeyValue fixedGains[3];     // the loop's three unit gains, in this order
    int capA;                   // block one's capacitor
    int capB;                   // block two's capacitor
    int inputNode;              // 0: the active curve's input node is left as it is
    int outputNode;
};
const PairKeys& KeysOf(BlockPair pair);

// The three text boxes.
struct BiquadTexts {
    std::string gain = kInitialGain;
    std::string fo = kInitialFo;  // kHz
    std::string q = kInitialQ;
    bool operator==(const BiquadTexts&) const = default;
};

// What Generate Schematic decided, for the caller to show or check.
struct GenerateResult {
    int gain = 0;         // the DC gain as rounded from its text
    double frequency = 0;  // the frequency (Hz) and Q the capacitors were last computed for
    double q = 0;
    int passes = 0;        // passes of the capacitor loop
    std::string comments;  // the text written into the summary's comments
};

// --- start-up checks ---
// The message that ends the program when the arguments (without the program name) are not exactly
// "/RunAsMacro", compared without regard to case; empty when they are.
std::string CheckCommandLine(const std::vector<std::string>& arguments);
// True when a document's device type is ZelA, compared without regard to case.
bool IsZelA(const std::string& deviceType);

// --- texts and numbers ---
// The number in a text box: a decimal number with optional sign, fraction and exponent, blanks
// around it allowed. Throws kMsgTypeMismatch for anything else, kMsgOverflow beyond a double.
double ParseNumber(const std::string& text);
// The text rounded half to even to a 16-bit integer; kMsgOverflow outside -32768..32767.
int ParseInteger16(const std::string& text);
// Rounds half to even to a 32-bit integer; kMsgOverflow outside its range or for NaN.
int RoundToInt32(double value);
// "0.00": two decimals.
std::string FormatTwoDecimals(double value);
// The shortest decimal text of a number (at most 15 significant digits), as the comments show it.
std::string NumberText(double value);
// The comments text of a generated filter.
std::string CommentsText(double frequencyHz, double q, int gain);

// --- the capacitors ---
struct CapacitorPair {
    double ca = 0;  // pF
    double cb = 0;
};
// Cb = 4e6 / (f x 6.28318 x Q), Ca = Q^2 Cb; kMsgDivisionByZero when f or Q is 0.
CapacitorPair CapacitorsFor(double frequencyHz, double q);

// What the capacitors realise, as Get Parameters computes it.
struct RealisedValues {
    double frequency = 0;  // Hz
    double q = 0;
};
// Q = sqrt(Ca / Cb), FO = 4e6 / (Cb x 2 x 3.1415926 x Q); kMsgDivisionByZero when a capacitor is 0.
RealisedValues RealisedBy(int scaledCa, int scaledCb);

// --- the two buttons ---
// Get Parameters: replaces the three texts with what the pair's settings realise.
void GetParameters(CBiquadDocument& doc, BlockPair pair, BiquadTexts& texts);
// Generate Schematic: writes the biquad into the pair, optimising the capacitors for FO or Q when
// asked, sets the simulation nodes and the summary, and reads the parameters back into `texts`.
// A run-time error (CBiquadError, or whatever the document throws) stops it where it happens.
GenerateResult GenerateSchematic(CBiquadDocument& doc, BlockPair pair, Optimize optimize, BiquadTexts& texts);

}  // namespace biquad
