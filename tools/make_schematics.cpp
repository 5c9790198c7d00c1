// Generator of the device schematic support files ZelA_Schematic.XML and ZelB_Schematic.XML:
// lays the ZelA and ZelB schematics out around their interconnect switches and writes them in the
// support file layout. Its output is committed under support/SupportFiles.
//
//   make_schematics OUTDIR           write both files into OUTDIR
//   make_schematics --check DIR      exit 1 when a file in DIR differs from what would be written
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/AtomicFile.h"
#include "view/DeviceSchematic.h"
#include "view/SchematicDraft.h"

using namespace kalidor;

namespace {

// ---------------------------------------------------------------- placing with a mirror

// One analog block is drawn in the coordinates of block 1 (inputs on the left, output on the
// right) and placed by a side: shifted down for the lower blocks, mirrored for the right-hand
// blocks of ZelA. The input part mirrors about x = 6400 (selector sources 2300 and 10500), the
// amplifier part about x = 6100 (feedback switches 5050..5250 and 6950..7150).
constexpr int kInputMirror = 12800;
constexpr int kOutputMirror = 12200;
constexpr int kInputPartEnd = 3100;

struct Side {
    bool mirrored = false;
    int dy = 0;

    int Axis(int x) const { return x < kInputPartEnd ? kInputMirror : kOutputMirror; }
    int X(int x) const { return mirrored ? Axis(x) - x : x; }
    int Y(int y) const { return y + dy; }
    LogPoint P(int x, int y) const { return {X(x), Y(y)}; }
    // Left edge of a text that starts at x unmirrored and is `width` wide.
    int TextX(int x, int width) const { return mirrored ? Axis(x) - x - width : x; }
    LogRect R(int l, int t, int r, int b) const
    {
        const int a = X(l), c = X(r);
        return {std::min(a, c), Y(t), std::max(a, c), Y(b)};
    }
    int Type(int type) const
    {
        if (!mirrored)
            return type;
        switch (type) {
        case ELEM_TRIANGLE_T1T2: return ELEM_TRIANGLE_T1T2_REV;
        case ELEM_TRIANGLE_IA: return ELEM_TRIANGLE_IA_REV;
        case ELEM_TRIANGLE_LGR: return ELEM_TRIANGLE_LGR_REV;
        case ELEM_TERMINAL_LEFT: return ELEM_TERMINAL_RIGHT;
        case ELEM_TERMINAL_RIGHT: return ELEM_TERMINAL_LEFT;
        default: return type;
        }
    }
};

// A draft that places through a side.
class Draft {
public:
    Draft(CSchematic& s, int key, const Side& side) : d_(s, key), side_(side) {}
    CSymbolDraft& Raw() { return d_; }
    CSymbol* Sym() { return d_.Symbol(); }
    const std::string& Name() { return d_.Symbol()->GetNameText(); }

    Draft& Origin(int x, int y) { d_.Origin(side_.X(x), side_.Y(y)); return *this; }
    Draft& Line(int x1, int y1, int x2, int y2)
    {
        d_.Line(side_.X(x1), side_.Y(y1), side_.X(x2), side_.Y(y2));
        return *this;
    }
    Draft& Wire(std::initializer_list<LogPoint> pts)
    {
        const LogPoint* prev = nullptr;
        for (const LogPoint& p : pts) {
            if (prev)
                Line(prev->x, prev->y, p.x, p.y);
            prev = &p;
        }
        return *this;
    }
    Draft& Dot(int x, int y) { d_.Dot(side_.X(x), side_.Y(y)); return *this; }
    Draft& Elem(int type, int x, int y) { d_.Elem(side_.Type(type), side_.X(x), side_.Y(y)); return *this; }
    // A resistor from x to x + 400 (unmirrored).
    Draft& Resistor(int x, int y)
    {
        d_.Elem(ELEM_RESISTOR, side_.mirrored ? side_.X(x + 400) : x, side_.Y(y));
        return *this;
    }
    Draft& HCap(int x, int y) { d_.HCap(side_.X(x), side_.Y(y)); return *this; }
    // Name text starting at x (unmirrored).
    Draft& Name(int x, int y)
    {
        d_.Name(side_.TextX(x, SchematicTextWidth(Name())), side_.Y(y));
        return *this;
    }
    // Name and value on one line starting at x (unmirrored), as CSymbolDraft::NameValue.
    Draft& NameValue(int x, int y, const std::string& widest, int gap = 120)
    {
        const std::string& n = Name();
        const int total = (n.empty() ? 0 : SchematicTextWidth(n) + gap) + SchematicTextWidth(widest);
        d_.NameValue(side_.TextX(x, total), side_.Y(y), widest, gap);
        return *this;
    }
    Draft& NameOverValue(int x, int y, const std::string& widest)
    {
        const int total = std::max(SchematicTextWidth(Name()), SchematicTextWidth(widest));
        d_.NameOverValue(side_.TextX(x, total), side_.Y(y), widest);
        return *this;
    }
    Draft& Hit(int l, int t, int r, int b) { d_.Hit(side_.R(l, t, r, b)); return *this; }
    Draft& HitAround(int l, int t, int r, int b) { d_.HitAround(side_.R(l, t, r, b)); return *this; }
    // Hit rectangle around the name text alone.
    Draft& HitName()
    {
        const LogPoint n = d_.Symbol()->GetNameXY();
        d_.Hit(InflateRect(SchematicTextBox(n.x, n.y, Name()), 30));
        return *this;
    }

private:
    CSymbolDraft d_;
    Side side_;
};

// Widest value texts, for hit rectangles.
constexpr const char* kWidestGain = "-10";
constexpr const char* kWidestCapA = "99.99 pF";
constexpr const char* kWidestCapB = "99.99 pF";
constexpr const char* kWidestFeedback = "CLOSED";
constexpr const char* kWidestCmv = "CMVin";

// ---------------------------------------------------------------- one analog block

// Keys of one block's symbols.
struct BlockKeys {
    int frame;                 // "Zel Block n": the frame and its title
    int opamp;                 // the summing amplifier with its input node and output
    int feedback;              // the feedback switch with the feedback resistor
    int cap;                   // the feedback capacitor
    int upperGain, lowerGain;  // gain stages whose outputs enter at the upper and lower rows
    int upperPol, lowerPol;    // their polarity symbols (-1: none)
    int cmv;                   // common-mode input of the summing amplifier
    int sumLabel, outLabel;    // labels of the summing node and of the output
    int outPin;                // output terminal
};

// Rows of a block in block-1 coordinates.
constexpr int kUpperRow = 7100;
constexpr int kLowerRow = 6300;
constexpr int kNodeX = 4050;      // the summing node
constexpr int kAmpX = 4150;       // summing amplifier, 600 wide, 6100..6700
constexpr int kAmpInY = 6600;
constexpr int kAmpOutY = 6400;
constexpr int kOutNodeX = 5550;   // the output node: feedback switch, capacitor and output meet
constexpr int kOutPinX = 5650;
constexpr int kCapRow = 7450;
constexpr int kFrameTop = 7800, kFrameBottom = 5600;
constexpr int kFrameLeft = 2380, kFrameRight = 6050;
// The block's header line (title and common-mode input) lies outside its frame: above it for the
// blocks drawn at the top, below it for those at the bottom.
constexpr int kHeaderAbove = kFrameTop + 70;
constexpr int kHeaderBelow = kFrameBottom - 220;
constexpr int kHeaderCmvX = 4000;
// Baselines of the two lines under the amplifier.
constexpr int kUnderAmp1 = 5940, kUnderAmp2 = 5690;

// Draws one block. `gainX` is the left edge of the gain stages; `upperRow` the row the upper stage
// sits on (its input comes from there); `headerY` the baseline of the header line.
void DrawBlock(CSchematic& s, const Side& side, const BlockKeys& k, int gainX, int upperRow, int headerY)
{
    {
        Draft f(s, k.frame, side);
        f.Origin(kFrameLeft, kFrameTop)
            .Wire({{kFrameLeft, kFrameTop}, {kFrameRight, kFrameTop}, {kFrameRight, kFrameBottom},
                   {kFrameLeft, kFrameBottom}, {kFrameLeft, kFrameTop}})
            .Name(kFrameLeft + 80, headerY)
            .HitName();
    }
    {
        // The common-mode input of the amplifier: a setting of the whole block, in its header.
        Draft c(s, k.cmv, side);
        c.Origin(kHeaderCmvX, headerY).NameValue(kHeaderCmvX, headerY, kWidestCmv);
    }
    // Gain stages and their input resistors into the summing node.
    const int rows[2] = {upperRow, kLowerRow};
    const int gains[2] = {k.upperGain, k.lowerGain};
    const int pols[2] = {k.upperPol, k.lowerPol};
    for (int i = 0; i < 2; ++i) {
        const int y = rows[i];
        Draft g(s, gains[i], side);
        g.Origin(gainX, y - 200)
            .Elem(ELEM_TRIANGLE_T1T2, gainX, y - 200)
            .Line(gainX + 400, y, 3300, y)
            .Resistor(3300, y)
            .Line(3700, y, kNodeX, y);
        if (i == 0)
            g.NameValue(gainX - 50, y + 250, kWidestGain);
        else
            g.NameValue(gainX - 50, y - 410, kWidestGain);
        g.Raw().HitAround(side.R(gainX, y + 200, gainX + 400, y - 200));
        if (pols[i] >= 0) {
            // The polarity is shown by the sign of the gain; its symbol marks the stage's input.
            Draft p(s, pols[i], side);
            p.Origin(gainX - 100, y).Hit(gainX - 90, y + 60, gainX - 20, y - 60);
        }
    }
    // Summing node, amplifier and output.
    {
        Draft a(s, k.opamp, side);
        a.Origin(kAmpX, 6100)
            .Line(kNodeX, kLowerRow, kNodeX, kCapRow)
            .Dot(kNodeX, kUpperRow)
            .Dot(kNodeX, kAmpInY)
            .Line(kNodeX, kAmpInY, kAmpX, kAmpInY)
            .Elem(ELEM_TRIANGLE_IA, kAmpX, 6100)
            .Line(kAmpX + 600, kAmpOutY, kOutPinX, kAmpOutY)
            .Dot(kOutNodeX, kAmpOutY)
            .Name(kAmpX + 50, kUnderAmp1)
            .Hit(kAmpX, 6700, kAmpX + 600, 6100);
        if (upperRow != kUpperRow)
            a.Dot(kNodeX, upperRow);
    }
    {
        // Just left of the summing node (right of it when mirrored).
        Draft l(s, k.sumLabel, side);
        const int w = SchematicTextWidth(l.Name());
        l.Origin(side.X(kNodeX), 6720);
        l.Raw().Name(side.mirrored ? kOutputMirror - kNodeX + 70 : kNodeX - 70 - w, side.Y(6720));
        l.HitName();
    }
    {
        // The output's name under the output pin.
        Draft l(s, k.outLabel, side);
        const int w = SchematicTextWidth(l.Name());
        l.Origin(5950 - w, kUnderAmp2).Name(5950 - w, kUnderAmp2).HitName();
    }
    {
        // The pin, its name under the output line between the amplifier and the pin.
        Draft p(s, k.outPin, side);
        p.Origin(kOutPinX, kAmpOutY).Elem(ELEM_TERMINAL_RIGHT, kOutPinX, kAmpOutY).Name(kAmpX + 650, kAmpOutY - 170);
        p.HitAround(kOutPinX, kAmpOutY + 150, kOutPinX + 300, kAmpOutY - 150);
    }
    // Feedback resistor with the feedback switch, and the feedback capacitor, across the amplifier.
    {
        Draft f(s, k.feedback, side);
        f.Origin(5150, kUpperRow)
            .Line(kNodeX, kUpperRow, 4080, kUpperRow)
            .Resistor(4080, kUpperRow)
            .Line(4480, kUpperRow, 5050, kUpperRow)
            .Line(5250, kUpperRow, kOutNodeX, kUpperRow)
            .Dot(kOutNodeX, kUpperRow)
            .Line(kOutNodeX, kAmpOutY, kOutNodeX, kUpperRow)
            // Name over value, between the feedback row and the amplifier.
            .NameOverValue(4530, 6850, kWidestFeedback)
            .HitAround(4530, 7250, 5450, 7000);
    }
    {
        Draft c(s, k.cap, side);
        c.Origin(4750, kCapRow)
            .Wire({{kNodeX, kCapRow}, {4700, kCapRow}})
            .HCap(4750, kCapRow)
            .Wire({{4800, kCapRow}, {kOutNodeX, kCapRow}, {kOutNodeX, kUpperRow}})
            .NameValue(4250, 7580, kWidestCapA)
            .HitAround(4650, kCapRow + 120, 4850, kCapRow - 120);
    }
}

// An input selector row: name and value to the outside of the buses. The switch itself draws
// its contacts on the buses and the arm to the connected one; no wire runs along the row, so
// that only the arm joins the source to a bus.
// `suffixKey`, when given, is a label drawn right after the name (the multiplexer input the
// selector feeds).
void DrawSelector(CSchematic& s, const Side& side, int key, int y, int firstBusX, int sourceX,
                  const std::string& widest, int suffixKey = -1)
{
    Draft d(s, key, side);
    d.Origin(sourceX, y);
    const std::string& name = d.Name();
    // The suffix follows the name without a space (the width estimate has a margin to spare).
    constexpr int kSuffixGap = -10;
    int suffixW = 0;
    if (suffixKey >= 0)
        suffixW = kSuffixGap + SchematicTextWidth(Draft(s, suffixKey, side).Name());
    const int gap = suffixW + 100;
    const int total = SchematicTextWidth(name) + gap + SchematicTextWidth(widest);
    const int x = firstBusX - 80 - total;
    d.NameValue(x, y + 40, widest, gap);
    if (suffixKey >= 0) {
        const int sx = x + SchematicTextWidth(name) + kSuffixGap;
        Draft(s, suffixKey, side).Origin(sx, y + 40).Name(sx, y + 40).HitName();
    }
}

// ---------------------------------------------------------------- ZelA

void LayoutZelA(CDeviceSchematic& s)
{
    const BlockKeys blocks[4] = {
        {80, 0, 3, 6, 4, 5, 7, 8, 45, 64, 65, 76},
        {81, 11, 14, 17, 15, 16, 18, 19, 46, 66, 67, 77},
        {82, 22, 25, 28, 26, 27, 29, 30, 47, 68, 69, 78},
        {83, 33, 36, 39, 37, 38, 40, 41, 48, 70, 71, 79},
    };
    const int selectors[4][2] = {{9, 10}, {20, 21}, {31, 32}, {42, 43}};
    for (int b = 0; b < 4; ++b) {
        const Side side{b >= 2, (b % 2) ? -2200 : 0};
        DrawBlock(s, side, blocks[b], 2500, kUpperRow, (b % 2) ? kHeaderBelow : kHeaderAbove);
        DrawSelector(s, side, selectors[b][0], kUpperRow, 1300, 2300, "OUT 4");
        DrawSelector(s, side, selectors[b][1], kLowerRow, 1300, 2300, "OUT 4");
        Draft(s, selectors[b][0], side).Line(2300, kUpperRow, 2500, kUpperRow);
        Draft(s, selectors[b][1], side).Line(2300, kLowerRow, 2500, kLowerRow);
    }
    // Source buses of the selectors, left (blocks 1, 2) and right (blocks 3, 4). Each leaves
    // downwards and turns outwards, the one nearest the edge first, to its pin or net name.
    for (int right = 0; right < 2; ++right) {
        const Side side{right == 1, 0};
        const int pins[2] = {right ? 74 : 72, right ? 75 : 73};  // IN1, IN2 / IN3, IN4
        const char* nets[3] = {right ? "OUT3" : "OUT1", right ? "OUT2" : "OUT4", right ? "OUT4" : "OUT2"};
        const int turns[5] = {3850, 3450, 3050, 2800, 2550};
        for (int i = 0; i < 5; ++i) {
            const int x = 1300 + 200 * i;
            const int key = i < 2 ? pins[i] : 54 + 3 * right + (i - 2);
            Draft d(s, key, side);
            if (i >= 2)
                d.Raw().Label(nets[i - 2]).Netlist(nets[i - 2]);
            d.Origin(900, turns[i]).Wire({{x, kUpperRow}, {x, turns[i]}, {900, turns[i]}});
            const int w = SchematicTextWidth(d.Name());
            if (i < 2) {
                d.Elem(ELEM_TERMINAL_LEFT, 900, turns[i]).Name(550 - w, turns[i] - 70);
                d.HitAround(600, turns[i] + 140, 900, turns[i] - 140);
            } else {
                d.Name(850 - w, turns[i] + 40).HitName();
            }
        }
    }
    CSymbolDraft(s, 53).Origin(4500, 2750).NameValue(4500, 2750, "00000000");
}

// ---------------------------------------------------------------- ZelB

void LayoutZelB(CDeviceSchematic& s)
{
    const Side upper{false, 0}, lower{false, -2200};
    // Block 1: IA2 (T2) fed through the A/B multiplexer on the upper row, IA1 (T1) below.
    const int muxRow = 7200;
    DrawBlock(s, upper, {62, 0, 3, 6, 5, 4, 8, 7, 25, 42, 43, 49}, 2700, muxRow, kHeaderAbove);
    // Block 2: IA3 (T1) above, IA4 (T2, always inverting) below.
    DrawBlock(s, lower, {63, 12, 15, 18, 16, 17, 19, -1, 26, 44, 45, 50}, 2700, kUpperRow, kHeaderBelow);

    // Input selectors of the blocks and the multiplexer of IA2. The two selectors of IA2 are
    // named by the multiplexer input they feed ("2" and "a", "2" and "b").
    DrawSelector(s, upper, 10, 7350, 1100, 2300, "DAC Output", 66);
    DrawSelector(s, upper, 11, 6850, 1100, 2300, "DAC Output", 67);
    DrawSelector(s, upper, 9, 6300, 1100, 2300, "DAC Output");
    DrawSelector(s, upper, 21, 4900, 1100, 2300, "DAC Output");
    DrawSelector(s, upper, 22, 4100, 1100, 2300, "DAC Output");
    Draft(s, 9, upper).Line(2300, 6300, 2700, 6300);
    Draft(s, 21, upper).Line(2300, 4900, 2700, 4900);
    Draft(s, 22, upper).Line(2300, 4100, 2700, 4100);
    {
        Draft m(s, 56, upper);
        m.Origin(2400, 6700)
            .Line(2300, 7350, 2400, 7350)
            .Line(2300, 6850, 2400, 6850)
            .Elem(ELEM_MUX3, 2400, 6700)
            .Line(2600, muxRow, 2700, muxRow)
            .NameValue(2450, 8300, "MSEL = 1 (B)");
    }
    // Fixed levels at the outer contacts of IA4's selector: down and out to the left to their
    // names, as the other buses end.
    {
        const int bus[2] = {1100, 1300};
        const int turn[2] = {3850, 3600};
        for (int i = 0; i < 2; ++i) {
            Draft d(s, 60 + i, upper);
            d.Origin(700, turn[i]).Wire({{bus[i], 4100}, {bus[i], turn[i]}, {700, turn[i]}});
            d.Name(650 - SchematicTextWidth(d.Name()), turn[i] - 40).HitName();
        }
    }
    // IA4 is inverting: its mark before the stage; its polarity control, the PC pin and
    // slew-rate enhancement under the blocks.
    Draft(s, 68, lower).Origin(2420, 6380).Name(2420, 6380).HitName();
    CSymbolDraft(s, 20).Origin(2450, 2850).NameValue(2450, 2850, "Polarity Control: Flip-Flop mode");
    CSymbolDraft(s, 57).Origin(2450, 2550).NameValue(2450, 2550, "PC = 1");
    CSymbolDraft(s, 24).Origin(2450, 2250).NameValue(2450, 2250, "SRE=off");

    // Source buses of the block selectors: up and out to the left, the innermost first.
    {
        const int turns[6] = {7800, 8150, 8500, 8800, 9050, 9300};
        const int keys[6] = {46, 48, 47, 90, 91, 92};  // IN1, IN3, IN2, nets OUT1, DAC, OUT2
        const char* nets[3] = {"OUT1", "DAC", "OUT2"};
        for (int i = 0; i < 6; ++i) {
            const int x = 1100 + 200 * i;
            const int bottom = i < 2 ? 4900 : 4100;
            Draft d(s, keys[i], upper);
            if (i >= 3)
                d.Raw().Label(nets[i - 3]).Netlist(nets[i - 3]);
            d.Origin(700, turns[i]).Wire({{x, bottom}, {x, turns[i]}, {700, turns[i]}});
            const int w = SchematicTextWidth(d.Name());
            if (i < 3) {
                d.Elem(ELEM_TERMINAL_LEFT, 700, turns[i]).Name(350 - w, turns[i] - 70);
                d.HitAround(400, turns[i] + 140, 700, turns[i] - 140);
            } else {
                d.Name(650 - w, turns[i] + 40).HitName();
            }
        }
    }

    // Window comparator: the source buses of the comparator inputs, the comparators, the logic.
    // Each bus runs up and turns left to its pin or net name, the leftmost first, so that none
    // crosses another.
    {
        const int keys[6] = {93, 94, 51, 59, 58, 95};  // OUT2, IN3, CIN, 1.5V, 3V, DAC
        const char* nets[6] = {"OUT2", "IN3", "", "", "", "DAC"};
        constexpr int kTurnX = 6400;
        for (int i = 0; i < 6; ++i) {
            const int x = 6500 + 200 * i;
            const int top = 8100 + 280 * i;
            Draft d(s, keys[i], upper);
            if (nets[i][0])
                d.Raw().Label(nets[i]).Netlist(nets[i]);
            d.Origin(kTurnX, top).Wire({{x, 5450}, {x, top}, {kTurnX, top}});
            const int w = SchematicTextWidth(d.Name());
            if (keys[i] == 51) {
                // The comparator input pin.
                d.Elem(ELEM_TERMINAL_LEFT, kTurnX, top).Name(kTurnX - 350 - w, top - 70);
                d.HitAround(kTurnX - 300, top + 150, kTurnX, top - 150);
            } else {
                d.Name(kTurnX - 50 - w, top - 60).HitName();
            }
        }
    }
    const int compRows[4] = {7300, 6900, 5850, 5450};
    const int compKeys[4] = {27, 28, 29, 30};
    for (int i = 0; i < 4; ++i) {
        Draft d(s, compKeys[i], upper);
        d.Origin(7700, compRows[i]).Line(7700, compRows[i], 7900, compRows[i]);
        d.NameValue(6500, 4900 - 300 * i, "DAC Output");
    }
    {
        // CP1 and CP2, the window logic between their outputs and the digital output pins.
        Draft c1(s, 64, upper);
        c1.Origin(7900, 6800).Elem(ELEM_TRIANGLE_IA, 7900, 6800).Name(7950, 6650).HitAround(7900, 7400, 8500, 6800);
        c1.Line(8500, 7100, 9900, 7100).Dot(8900, 7100).Line(8900, 7100, 8900, 6700).Line(8900, 6700, 9200, 6700);
        Draft c2(s, 65, upper);
        c2.Origin(7900, 5350).Elem(ELEM_TRIANGLE_IA, 7900, 5350).Name(7950, 5200).HitAround(7900, 5950, 8500, 5350);
        c2.Line(8500, 5650, 9900, 5650).Dot(8900, 5650).Line(8900, 5650, 8900, 6300).Line(8900, 6300, 9200, 6300);
        Draft w(s, 33, upper);
        w.Origin(9200, 6200).Elem(ELEM_RECTANGLE, 9200, 6200).Line(9800, 6400, 9900, 6400);
        w.NameOverValue(9100, 6050, "FF").HitAround(9200, 6800, 9800, 6200);
        Draft(s, 52, upper).Origin(9900, 7100).Elem(ELEM_TERMINAL_RIGHT, 9900, 7100).Name(10250, 7030).HitAround(9900, 7250, 10200, 6950);
        Draft(s, 54, upper).Origin(9900, 6400).Elem(ELEM_TERMINAL_RIGHT, 9900, 6400).Name(10250, 6330).HitAround(9900, 6550, 10200, 6250);
        Draft(s, 53, upper).Origin(9900, 5650).Elem(ELEM_TERMINAL_RIGHT, 9900, 5650).Name(10250, 5580).HitAround(9900, 5800, 10200, 5500);
        CSymbolDraft(s, 31).Origin(7900, 8300).NameValue(7900, 8300, "Hyst=off");
        CSymbolDraft(s, 32).Origin(7900, 8000).NameValue(7900, 8000, "Clk'd");
        CSymbolDraft(s, 34).Origin(7900, 7700).NameValue(7900, 7700, "Digital outputs=enabled");
    }

    // The DAC with its input mode, output pin and the TDO control.
    {
        Draft d(s, 39, upper);
        d.Origin(7400, 2900).Elem(ELEM_DAC, 7400, 2900).Line(8900, 3200, 10200, 3200).Name(7550, 3130);
        d.Raw().ValueRect({9000, 3700, 10600, 3260});
        d.Hit(7400, 3730, 10600, 2900);
        Draft(s, 55, upper).Origin(10200, 3200).Elem(ELEM_TERMINAL_RIGHT, 10200, 3200).Name(10550, 3130).HitAround(10200, 3350, 10500, 3050);
        CSymbolDraft(s, 35).Origin(7400, 2600).NameValue(7400, 2600, "E2Cells/Parallel inputs");
        CSymbolDraft(s, 36).Origin(7400, 2300).NameValue(7400, 2300, "Disabled during JTAG");
    }
    CSymbolDraft(s, 37).Origin(2450, 1850).NameValue(2450, 1850, "00000000");
}

int Generate(const std::string& dir, bool check)
{
    int status = 0;
    for (const char* type : {"ZelA", "ZelB"}) {
        auto s = CDeviceSchematic::Create(type);
        if (std::string(type) == "ZelA")
            LayoutZelA(*s);
        else
            LayoutZelB(*s);
        const std::string text = s->WriteSupportFile();
        const std::string path = dir + "/" + type + CDeviceSchematic::kSupportFileSuffix;
        if (check) {
            std::string existing;
            if (!ReadWholeFile(path, existing) || existing != text) {
                std::fprintf(stderr, "%s is not what make_schematics writes\n", path.c_str());
                status = 1;
            }
        } else {
            std::string error;
            if (!WriteFileAtomically(path, text, &error)) {
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
    if (argc == 2 && argv[1][0] != '-')
        return Generate(argv[1], false);
    if (argc == 3 && std::string(argv[1]) == "--check")
        return Generate(argv[2], true);
    std::fprintf(stderr, "usage: make_schematics OUTDIR | make_schematics --check DIR\n");
    return 2;
}
