// The schematic of ZelD and ZelE: input amplifier, the doubly terminated fifth-order LC ladder
// (shunt C1, C3, C5; series L2 and L4 with C2 and C4 across them) and the output amplifier, above
// the table of element values of the two stored configurations.
#include <algorithm>

#include "device/SymbolInfo.h"
#include "view/DeviceSchematic.h"
#include "view/SchematicDraft.h"

namespace kalidor {

namespace {

// Keys.
enum : int {
    kKeyC1A = 0,
    kKeyPMA = 7,
    kKeyUes = 8,
    kKeyWakeup = 10,
    kKeyGain = 11,
    kKeyC1B = 12,
    kKeyPMB = 19,
    kKeyDeviceName = 22,
    kKeyCfgAHead = 54,
    kKeyCfgBHead = 55,
    kKeyC1Label = 56,  // C1, C2, L2, C3, C4, L4, C5: 56..62
    kKeyTable = 63,
    kKeyCfgA = 64,
    kKeyCfgB = 65,
    kKeyIn = 67,
    kKeyOut = 68,
    kKeyOA = 69,
    kKeyOrder = 70,
    kKeyLowPass = 71,
    kKeyFamily = 72,
    // The note under the table (drawn in code only).
    kKeyInductorNote = 73,
};

// L2 and L4 are realised by integrators: their codes choose the integrator's capacitor, which
// is what the table shows for them.
constexpr const char* kInductorNote =
    "L2 and L4 are simulated by integrators:\nthe table shows the capacitor of each";

// The signal rail of the ladder and its ground rail.
constexpr int kRail = 6600;
constexpr int kGroundRail = 5300;
// Shunt capacitor positions (C1, C3, C5) and the series branches (L2 with C2, L4 with C4).
constexpr int kNode1 = 2800, kNode3 = 5000, kNode5 = 7200;
constexpr int kBypassY = 7250;

// Table of element values.
constexpr int kTableLeft = 700;
constexpr int kColumnWidth = 2900;
constexpr int kTableTop = 4650;
constexpr int kRowHeight = 300;
constexpr int kRows = 8;  // seven elements and the frequency range

// Texts as wide as the widest a value can be, for the hit rectangles.
constexpr const char* kWidestCap = "99999.999 pF";
constexpr const char* kWidestRange = "200kHz and below";

}  // namespace

void CZelDSchematic::Layout()
{
    CSchematic& s = *this;

    // Title: family, device, order and kind, on one line.
    {
        int x = 600;
        for (int key : {kKeyFamily, kKeyDeviceName, kKeyOrder, kKeyLowPass}) {
            CSymbolDraft d(s, key);
            d.Origin(x, 7900);
            const LogRect box = SchematicTextBox(x, 7900, d.Symbol()->GetNameText());
            d.Name(x, 7900).HitAround(box);
            x = box.right + 200;
        }
    }

    // Input terminal and input amplifier with its gain.
    CSymbolDraft(s, kKeyIn)
        .Origin(1000, kRail)
        .Elem(ELEM_TERMINAL_LEFT, 1000, kRail)
        .Line(1000, kRail, 1200, kRail)
        .Name(700, kRail + 250)
        .HitAround({700, kRail + 150, 1000, kRail - 150});
    {
        CSymbolDraft d(s, kKeyGain);
        d.Origin(1200, kRail - 300)
            .Elem(ELEM_TRIANGLE_IA, 1200, kRail - 300)
            .Name(1250, kRail + 450)
            .Value(1270, kRail - 70);
        d.Hit(InflateRect({1200, kRail + 650, 1800, kRail - 300}, 30));
    }

    // The ladder, drawn by the element labels: C1 takes the source resistor and the rails.
    {
        CSymbolDraft d(s, kKeyC1Label);
        d.Origin(kNode1, kRail)
            .Line(1800, kRail, 2000, kRail)
            .Elem(ELEM_RESISTOR, 2000, kRail)
            .Line(2400, kRail, kNode1, kRail)
            .Dot(kNode1, kRail)
            .Line(kNode1, kRail, kNode1, 6000)
            .VCap(kNode1, 5950)
            .Line(kNode1, 5900, kNode1, kGroundRail)
            .Line(kNode1, kGroundRail, kNode5, kGroundRail)
            .Dot(kNode1, kGroundRail)
            .Ground(kNode3 + 1100, kGroundRail)
            .Name(kNode1 + 200, 5880);
        d.HitAround({kNode1 - 150, 6250, kNode1 + 150, 5650});
    }
    const int shunt[2] = {kNode3, kNode5};
    const int shuntKey[2] = {kKeyC1Label + 3, kKeyC1Label + 6};
    for (int i = 0; i < 2; ++i) {
        const int x = shunt[i];
        CSymbolDraft d(s, shuntKey[i]);
        d.Origin(x, kRail)
            .Dot(x, kRail)
            .Line(x, kRail, x, 6000)
            .VCap(x, 5950)
            .Line(x, 5900, x, kGroundRail)
            .Dot(x, kGroundRail)
            .Name(x + 200, 5880);
        d.HitAround({x - 150, 6250, x + 150, 5650});
    }
    // Series branches: the winding (L2, L4) on the rail and its capacitor (C2, C4) across it.
    const int from[2] = {kNode1, kNode3};
    for (int i = 0; i < 2; ++i) {
        const int a = from[i], b = from[i] + 2200;
        const int mid = (a + b) / 2;
        CSymbolDraft l(s, kKeyC1Label + 2 + 3 * i);
        l.Origin(mid, kRail)
            .Line(a, kRail, a + 600, kRail)
            .Coil(a + 600, b - 600, kRail, 5)
            .Line(b - 600, kRail, b, kRail)
            .Name(mid - 120, kRail - 330);
        l.HitAround({a + 600, kRail + 520, b - 600, kRail - 120});
        CSymbolDraft c(s, kKeyC1Label + 1 + 3 * i);
        c.Origin(mid, kBypassY)
            .Dot(a + 300, kRail)
            .Wire({{a + 300, kRail}, {a + 300, kBypassY}, {mid - 50, kBypassY}})
            .HCap(mid, kBypassY)
            .Wire({{mid + 50, kBypassY}, {b - 300, kBypassY}, {b - 300, kRail}})
            .Dot(b - 300, kRail)
            .Name(mid - 120, kBypassY + 200);
        c.HitAround({mid - 150, kBypassY + 150, mid + 150, kBypassY - 150});
    }
    // Output amplifier and terminal.
    CSymbolDraft(s, kKeyOA)
        .Origin(7800, kRail - 300)
        .Line(kNode5, kRail, 7800, kRail)
        .Elem(ELEM_TRIANGLE_IA, 7800, kRail - 300)
        .Line(8400, kRail, 8700, kRail)
        .Name(7850, kRail + 450)
        .HitAround({7800, kRail + 300, 8400, kRail - 300});
    CSymbolDraft(s, kKeyOut)
        .Origin(8700, kRail)
        .Elem(ELEM_TERMINAL_RIGHT, 8700, kRail)
        .Name(8750, kRail + 250)
        .HitAround({8700, kRail + 150, 9000, kRail - 150});

    // Table of the element values of configurations A and B, with the frequency ranges.
    const int tableBottom = kTableTop - kRowHeight * (kRows + 1);
    {
        CSymbolDraft t(s, kKeyTable);
        const int right = kTableLeft + 2 * kColumnWidth;
        t.Origin(kTableLeft, kTableTop).Frame(kTableLeft, kTableTop, right, tableBottom);
        t.Line(kTableLeft, kTableTop - kRowHeight, right, kTableTop - kRowHeight);
        t.Line(kTableLeft + kColumnWidth, kTableTop, kTableLeft + kColumnWidth, tableBottom);
        // The frame is the table's picture; its label is not printed.
        t.Hit(kTableLeft - 100, kTableTop + 100, kTableLeft - 20, kTableTop + 20);
    }
    // The values of a column start at one x, past its widest name.
    auto rowKey = [](int col, int row) {
        return row < 7 ? (col == 0 ? kKeyC1A : kKeyC1B) + row : (col == 0 ? kKeyPMA : kKeyPMB);
    };
    int nameWidth = 0;
    for (int col = 0; col < 2; ++col)
        for (int row = 0; row < kRows; ++row)
            nameWidth = std::max(nameWidth, SchematicTextWidth(s.GetSymbol(rowKey(col, row))->GetNameText()));
    for (int col = 0; col < 2; ++col) {
        const int x = kTableLeft + col * kColumnWidth + 120;
        const int baseline = kTableTop - kRowHeight + 80;
        CSymbolDraft head(s, col == 0 ? kKeyCfgAHead : kKeyCfgBHead);
        head.Origin(x, baseline).Name(x, baseline);
        head.HitAround(SchematicTextBox(x, baseline, head.Symbol()->GetNameText()));
        for (int row = 0; row < kRows; ++row) {
            const int y = kTableTop - kRowHeight * (row + 2) + 80;
            CSymbolDraft cell(s, rowKey(col, row));
            cell.Origin(x, y).Name(x, y).Value(x + nameWidth + 200, y);
            cell.Hit(kTableLeft + col * kColumnWidth + 20, y + 190,
                     kTableLeft + (col + 1) * kColumnWidth - 20, y - 80);
        }
    }
    CSymbolDraft note(s, kKeyInductorNote);
    note.Label(kInductorNote).Origin(kTableLeft, tableBottom - 150);
    note.NameRect({kTableLeft, tableBottom - 150, kTableLeft + SchematicTextWidth(kInductorNote), tableBottom - 610});

    // The stored filter configurations, the wakeup configuration and the UES bits.
    const int noteX = kTableLeft + 2 * kColumnWidth + 400;
    const LogRect textA{noteX, kTableTop - 300, 10900, kTableTop - 1200};
    const LogRect textB{noteX, kTableTop - 1550, 10900, kTableTop - 2450};
    for (int i = 0; i < 2; ++i) {
        const LogRect& r = i == 0 ? textA : textB;
        CSymbolDraft d(s, i == 0 ? kKeyCfgA : kKeyCfgB);
        d.Origin(noteX, r.top + 100).Name(noteX, r.top + 100).ValueRect(r);
        d.Hit(InflateRect(UnionRect(r, SchematicTextBox(noteX, r.top + 100, d.Symbol()->GetNameText())), 30));
    }
    CSymbolDraft(s, kKeyWakeup).Origin(noteX, tableBottom - 200).NameValue(noteX, tableBottom - 200, "Wakeup = Cfg B");
    CSymbolDraft(s, kKeyUes).Origin(kTableLeft, tableBottom - 900).NameValue(kTableLeft, tableBottom - 900, "000000000000000000000000");
}

}  // namespace kalidor
