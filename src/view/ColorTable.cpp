#include "view/ColorTable.h"

#include "platform/Prompter.h"

namespace kalidor {

namespace {

// The initial table: the sixteen standard colours, then the colours the schematic's elements and
// switches are drawn with, the plot's, two numbers and the colour scheme.
constexpr std::uint32_t kInitial[CColorTable::kCount] = {
    CColorTable::Rgb(0, 0, 0),         // black
    CColorTable::Rgb(255, 255, 255),   // white
    CColorTable::Rgb(128, 0, 0),       // maroon
    CColorTable::Rgb(0, 128, 0),       // green
    CColorTable::Rgb(0, 0, 128),       // navy
    CColorTable::Rgb(255, 0, 0),       // red: hit-test areas
    CColorTable::Rgb(0, 255, 0),       // lime
    CColorTable::Rgb(0, 0, 255),       // blue
    CColorTable::Rgb(0, 128, 128),     // teal
    CColorTable::Rgb(0, 255, 255),     // aqua
    CColorTable::Rgb(128, 128, 0),     // olive
    CColorTable::Rgb(255, 255, 0),     // yellow: the active plot pane's title
    CColorTable::Rgb(128, 0, 128),     // purple
    CColorTable::Rgb(255, 0, 255),     // fuchsia
    CColorTable::Rgb(128, 128, 128),   // grey: plot grid, highlight brush of symbols
    CColorTable::Rgb(192, 192, 192),   // silver
    CColorTable::Rgb(0, 255, 0),       // element lines
    CColorTable::Rgb(0, 255, 0),
    CColorTable::Rgb(0, 0, 255),
    CColorTable::Rgb(0, 0, 255),
    CColorTable::Rgb(0, 0, 255),       // element outlines
    CColorTable::Rgb(0, 255, 0),       // resistors
    CColorTable::Rgb(255, 255, 255),   // dots
    CColorTable::Rgb(255, 255, 255),
    CColorTable::Rgb(255, 255, 255),
    CColorTable::Rgb(255, 255, 255),   // drawn switches
    CColorTable::Rgb(255, 255, 255),
    CColorTable::Rgb(0, 255, 0),       // capacitors
    CColorTable::Rgb(0, 0, 255),
    CColorTable::Rgb(0, 0, 255),
    CColorTable::Rgb(0, 0, 255),
    CColorTable::Rgb(0, 255, 0),
    CColorTable::Rgb(0, 255, 0),       // terminals
    CColorTable::Rgb(0, 255, 0),
    CColorTable::Rgb(0, 255, 0),
    CColorTable::Rgb(0, 255, 255),     // interconnect: open switches and selectors
    CColorTable::Rgb(0, 0, 0),         // interconnect: closed switches
    CColorTable::Rgb(128, 128, 128),   // element fills
    CColorTable::Rgb(128, 128, 128),   // box fills
    CColorTable::Rgb(255, 255, 255),
    CColorTable::Rgb(255, 255, 255),   // dot fills
    CColorTable::Rgb(255, 255, 255),   // interconnect: fill of the switch boxes
    CColorTable::Rgb(0, 0, 0),         // plot background, symbol texts
    CColorTable::Rgb(255, 255, 0),     // plot text and frame, highlight pen of symbols
    CColorTable::Rgb(255, 0, 0),       // curve 1
    CColorTable::Rgb(0, 255, 0),       // curve 2
    CColorTable::Rgb(0, 255, 255),     // curve 3
    CColorTable::Rgb(255, 255, 0),     // curve 4
    CColorTable::Rgb(255, 255, 255),
    32000,                             // a number, not a colour
    32000,                             // a number, not a colour
    CColorTable::Rgb(255, 0, 0),       // highlighted elements
    CColorTable::kSchemeNormal,        // the colour scheme
};

}  // namespace

CColorTable::CColorTable() { Reset(); }

void CColorTable::Reset() {
    for (int i = 0; i < kCount; ++i) m_entries[i] = kInitial[i];
}

std::uint32_t CColorTable::GetEntry(int index) const {
    if (index < 0 || index >= kCount) return 0;
    return m_entries[index];
}

std::uint32_t CColorTable::GetColor(int index) const {
    if (index < 0 || index >= kCount) {
        CurrentPrompter().Message(kIndexOutOfRangeText);
        return 0;
    }
    switch (GetScheme()) {
    case kSchemeNormal:
        return m_entries[index];
    case kSchemeLight:
        if (index == 36 || index == 37) return m_entries[1];
        if (index == 39 || index == 40 || index == 41) return m_entries[0];
        return m_entries[index];
    case kSchemeBlackOnWhite:
        if (index == 0 || index == 36 || index == 37 || index == 38 || index == 42) return m_entries[1];
        if (index == 14 || index == 49) return m_entries[15];
        return m_entries[0];
    default:
        CurrentPrompter().Message(kSchemeNotDefinedText);
        return m_entries[index];
    }
}

int CColorTable::SetColor(int index, std::uint32_t value) {
    if (index < 0 || index >= kCount) {
        CurrentPrompter().Message(kIndexOutOfRangeText);
        return 0;
    }
    m_entries[index] = value;
    return 1;
}

}  // namespace kalidor
