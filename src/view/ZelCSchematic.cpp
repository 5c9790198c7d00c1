// The schematic of ZelC. Signals run left to right: the source buses (IN1..IN4, OUT1, OUT2, REF)
// feed the input selectors; the selectors feed the four input amplifiers (IA1 and IA4 through a
// two-way multiplexer) and the two multiplying DACs; each of those six outputs is switched onto
// the summing bus of output amplifier OA1 or OA2; the output amplifiers drive OUT1 and OUT2.
#include "view/DeviceSchematic.h"
#include "view/SchematicDraft.h"

namespace kalidor {

namespace {

// Keys.
enum : int {
    kKeyOA1 = 0,
    kKeyOA2 = 1,
    kKeyGainIA1 = 4,  // IA1..IA4: 4..7
    kKeyDac1 = 8,
    kKeyDac2 = 9,
    kKeySelIA3 = 10,
    kKeySelIA2 = 11,
    kKeySelIA1A = 13,
    kKeySelIA1B = 14,
    kKeySelIA4A = 16,
    kKeySelIA4B = 17,
    kKeySelDac1 = 18,
    kKeySelDac2 = 19,
    kKeyOutIA1 = 20,
    kKeyOutIA2 = 21,
    kKeyOutIA3 = 22,
    kKeyOutIA4 = 23,
    kKeyOutDac1 = 24,
    kKeyOutDac2 = 25,
    kKeyRef1 = 26,
    kKeyRef2 = 27,
    kKeyDigital = 28,
    kKeyPolIA1 = 29,  // 29..32
    kKeyMuxA = 33,
    kKeyMuxB = 34,
    kKeyPdOA1 = 35,
    kKeyPdOA2 = 36,
    kKeyCalDac1 = 37,
    kKeyCalIA1 = 38,  // IA1..IA4: 38..41
    kKeyCalDac2 = 42,
    kKeyUes = 43,
    kKeyIn1 = 44,  // IN1..IN4: 44..47
    kKeyOut1 = 49,
    kKeyOut2 = 50,
    kKeyMuxAa = 51,
    kKeyMuxAb = 52,
    kKeyMuxBa = 53,
    kKeyMuxBb = 54,
    kKeyInvOA1 = 55,
    kKeyInvOA2 = 56,
    // Net names of the source buses that are not input pins (drawn in code only).
    kKeyNetOut1 = 60,
    kKeyNetOut2 = 61,
    kKeyNetRef = 62,
    // The summing buses of the output amplifiers.
    kKeyBusOA1 = 63,
    kKeyBusOA2 = 64,
};

// The selector sources and their contacts (fixed by the interconnect geometry).
constexpr int kSelSourceX = 2825;
constexpr int kBusX[7] = {1400, 1600, 1800, 2000, 2200, 2400, 2600};  // IN1..IN4, OUT1, OUT2, REF
constexpr int kBusTop = 8750;
constexpr int kBusBottom = 2950;
constexpr int kOutSourceX = 6900;
constexpr int kOutContactX = 7200;
constexpr int kOA1BusX = 7500;
constexpr int kOA2BusX = 7800;
constexpr int kOAContactX = 8200;
constexpr int kOASourceX = 8400;

constexpr int kAmpX = 3700;    // left edge of the input amplifiers
constexpr int kDacX = 3300;    // left edge of the DACs
constexpr int kLabelX = 5200;  // output switch labels

}  // namespace

void CZelCSchematic::Layout()
{
    CSchematic& s = *this;

    // --- source buses, their pins and net names: each bus turns left below the selectors, the
    // leftmost first, so that no two cross.
    {
        const char* netNames[3] = {"OUT1", "OUT2", "REF"};
        for (int i = 0; i < 7; ++i) {
            const int x = kBusX[i];
            const int turnY = i < 4 ? kBusBottom - 350 - 400 * i : kBusBottom - 2000 - 250 * (i - 4);
            const int key = i < 4 ? kKeyIn1 + i : kKeyNetOut1 + (i - 4);
            CSymbolDraft d(s, key);
            if (i >= 4)
                d.Label(netNames[i - 4]).Netlist(netNames[i - 4]);
            d.Origin(1000, turnY).Wire({{x, kBusTop}, {x, turnY}, {1000, turnY}});
            const std::string& name = d.Symbol()->GetNameText();
            const int w = SchematicTextWidth(name);
            if (i < 4) {
                d.Elem(ELEM_TERMINAL_LEFT, 1000, turnY);
                d.Name(650 - w, turnY - 70);
                d.HitAround({700, turnY + 140, 1000, turnY - 140});
            } else {
                d.Name(950 - w, turnY + 40);
                d.HitAround(SchematicTextBox(950 - w, turnY + 40, name));
            }
        }
    }

    // --- the selectors: source point on the bus side of each amplifier or DAC input.
    auto selector = [&](int key, int y, const char* widest) {
        CSymbolDraft d(s, key);
        // The switch draws its contacts on the buses and the arm to the connected one.
        d.Origin(kSelSourceX, y);
        // Name and value above the contact row, just left of the source.
        const std::string& name = d.Symbol()->GetNameText();
        const int nameW = SchematicTextWidth(name);
        const int valueW = SchematicTextWidth(widest);
        const int x0 = kBusX[0] - 80 - nameW - 100 - valueW;
        d.NameValue(x0, y + 60, widest, 100);
    };
    selector(kKeySelIA1A, 8750, "NONE");
    selector(kKeySelIA1B, 8050, "NONE");
    selector(kKeySelIA2, 7400, "NONE");
    selector(kKeySelDac1, 6500, "NONE");
    selector(kKeySelDac2, 5150, "NONE");
    selector(kKeySelIA3, 4300, "NONE");
    selector(kKeySelIA4A, 3650, "NONE");
    selector(kKeySelIA4B, 2950, "NONE");

    // --- input multiplexers of IA1 and IA4.
    auto mux = [&](int key, int aKey, int bKey, int yA, int yB, bool labelAbove) {
        const int bottom = yB - 150;
        CSymbolDraft d(s, key);
        d.Origin(2950, bottom)
            .Line(kSelSourceX, yA, 2950, yA)
            .Line(kSelSourceX, yB, 2950, yB)
            .Elem(ELEM_MUX3, 2950, bottom)
            .Line(3150, (yA + yB) / 2, kAmpX, (yA + yB) / 2);
        d.NameValue(2950, labelAbove ? yA + 300 : yB - 450, "MSEL1 = 1 (b)");
        CSymbolDraft(s, aKey).Origin(2990, yA - 60).Name(2990, yA - 60).HitAround({2990, yA + 90, 3120, yA - 100});
        CSymbolDraft(s, bKey).Origin(2990, yB + 10).Name(2990, yB + 10).HitAround({2990, yB + 160, 3120, yB - 30});
    };
    mux(kKeyMuxA, kKeyMuxAa, kKeyMuxAb, 8750, 8050, true);
    mux(kKeyMuxB, kKeyMuxBa, kKeyMuxBb, 3650, 2950, false);

    // --- input amplifiers: gain, polarity, auto-calibration level, output switch.
    const int ampY[4] = {8400, 7400, 4300, 3300};
    const int outKey[4] = {kKeyOutIA1, kKeyOutIA2, kKeyOutIA3, kKeyOutIA4};
    for (int i = 0; i < 4; ++i) {
        const int y = ampY[i];
        CSymbolDraft g(s, kKeyGainIA1 + i);
        g.Origin(kAmpX, y - 200).Elem(ELEM_TRIANGLE_T1T2, kAmpX, y - 200);
        if (i == 1 || i == 2)
            g.Line(kSelSourceX, y, kAmpX, y);
        g.Line(kAmpX + 400, y, kOutSourceX, y);
        g.NameValue(kAmpX + 450, y - 260, "-10", 100);
        g.HitAround({kAmpX, y + 200, kAmpX + 400, y - 200});
        CSymbolDraft pol(s, kKeyPolIA1 + i);
        pol.Origin(3200, y - 260).Name(3200, y - 260);
        pol.HitAround(SchematicTextBox(3200, y - 260, "POL"));
        CSymbolDraft(s, kKeyCalIA1 + i).Origin(5150, y - 260).NameValue(5150, y - 260, "2.5V", 100);
        CSymbolDraft(s, outKey[i]).Origin(kLabelX, y + 60).NameValue(kLabelX, y + 60, "OA 2", 100);
    }

    // --- multiplying DACs: code and output, auto-calibration level, reference, output switch.
    // Code and output value below the output line; calibration level and output switch above.
    auto dac = [&](int key, int calKey, int outSwitchKey, int y) {
        CSymbolDraft d(s, key);
        const LogRect valueRect{kDacX + 1400, y - 60, kDacX + 3200, y - 520};
        d.Origin(kDacX, y - 210)
            .Line(kSelSourceX, y, kDacX, y)
            .Scaled(ELEM_DAC, kDacX, y - 210, 800, 700)
            .Line(kDacX + 1200, y, kOutSourceX, y)
            .Name(kDacX + 120, y - 70)
            .ValueRect(valueRect);
        d.Hit(InflateRect(UnionRect({kDacX, y + 210, kDacX + 1200, y - 210}, valueRect), 30));
        CSymbolDraft(s, calKey).Origin(kDacX, y + 320).NameValue(kDacX, y + 320, "2.5V", 100);
        CSymbolDraft(s, outSwitchKey).Origin(kLabelX, y + 320).NameValue(kLabelX, y + 320, "OA 2", 100);
    };
    dac(kKeyDac1, kKeyCalDac1, kKeyOutDac1, 6500);
    dac(kKeyDac2, kKeyCalDac2, kKeyOutDac2, 5150);
    // The reference levels of the DACs, below the amplifiers.
    CSymbolDraft(s, kKeyRef1).Origin(kDacX, 2150).NameValue(kDacX, 2150, "2048mV", 100);
    CSymbolDraft(s, kKeyRef2).Origin(kDacX, 1850).NameValue(kDacX, 1850, "2048mV", 100);

    // --- summing buses: the upper contact of every output switch goes to OA1, the lower to OA2.
    const int outY[6] = {8400, 7400, 6500, 5150, 4300, 3300};
    {
        CSymbolDraft b1(s, kKeyBusOA1);
        b1.Origin(kOA1BusX, 8600).Wire({{kOA1BusX, outY[5] + 150}, {kOA1BusX, 8600}, {kOAContactX, 8600}});
        CSymbolDraft b2(s, kKeyBusOA2);
        b2.Origin(kOA2BusX, 4900).Wire({{kOA2BusX, outY[5] - 150}, {kOA2BusX, outY[0] - 150}});
        b2.Wire({{kOA2BusX, 4900}, {kOAContactX, 4900}}).Dot(kOA2BusX, 4900);
        for (int y : outY) {
            b1.Line(kOutContactX, y + 150, kOA1BusX, y + 150);
            if (y + 150 != 8600)
                b1.Dot(kOA1BusX, y + 150);
            b2.Line(kOutContactX, y - 150, kOA2BusX, y - 150).Dot(kOA2BusX, y - 150);
        }
    }

    // --- output amplifiers with their input and feedback switches, and the output pins.
    auto outputAmp = [&](int key, int pdKey, int invKey, int pinKey, int upperY) {
        const int lowerY = upperY - 400;
        const int mid = upperY - 200;
        const int fbY = lowerY - 550;
        CSymbolDraft d(s, key);
        d.Origin(8500, mid - 400)
            .Line(kOASourceX, upperY, 8500, upperY)
            .Line(kOASourceX, lowerY, 8500, lowerY)
            .Elem(ELEM_TRIANGLE_OPAMP, 8500, mid - 400)
            .Line(9300, mid, 9700, mid)
            .Dot(9500, mid)
            .Wire({{9500, mid}, {9500, fbY}, {8000, fbY}, {8000, lowerY}, {kOAContactX, lowerY}})
            .Name(8560, mid - 70)
            .Value(8500, mid + 520);
        d.Hit(InflateRect(UnionRect({8500, mid + 400, 9300, mid - 400},
                                    SchematicTextBox(8500, mid + 520, "Powered Down")), 30));
        // The power mode under the feedback wire, clear of the output's feedback tap.
        CSymbolDraft pd(s, pdKey);
        pd.Origin(8050, fbY - 250).Value(8050, fbY - 250);
        pd.Hit(InflateRect(SchematicTextBox(8050, fbY - 250, "Powered Down"), 30));
        CSymbolDraft inv(s, invKey);
        inv.Origin(8050, fbY + 100).Name(8050, fbY + 100);
        inv.HitAround(SchematicTextBox(8050, fbY + 100, "INV"));
        CSymbolDraft pin(s, pinKey);
        pin.Origin(9700, mid).Elem(ELEM_TERMINAL_RIGHT, 9700, mid).Name(10050, mid - 70);
        pin.HitAround({9700, mid + 150, 10000, mid - 150});
    };
    outputAmp(kKeyOA1, kKeyPdOA1, kKeyInvOA1, kKeyOut1, 8600);
    outputAmp(kKeyOA2, kKeyPdOA2, kKeyInvOA2, kKeyOut2, 4900);

    // --- configuration of the digital pins and the UES bits.
    {
        CSymbolDraft d(s, kKeyDigital);
        const LogRect nameRect{10800, 7300, 12600, 6850};
        const LogRect valueRect{10800, 6750, 12600, 4600};
        d.Origin(10800, 7300).NameRect(nameRect).ValueRect(valueRect);
        d.Hit(InflateRect(UnionRect(nameRect, valueRect), 30));
    }
    CSymbolDraft(s, kKeyUes).Origin(kDacX, 1350).NameValue(kDacX, 1350, "0000000000000000");
}

}  // namespace kalidor
