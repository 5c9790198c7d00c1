#include "view/ColorTable.h"

#include "platform/Prompter.h"

namespace kalidor {

namespace {

constexpr std::uint32_t kInitial[CColorTable::kCount] = {
    CColorTable::Rgb(0, 0, 0),         // 0
    CColorTable::Rgb(255, 255, 255),   // 1
    CColorTable::Rgb(128, 0, 0),       // 2
    CColorTable::Rgb(0, 128, 0),       // 3
    CColorTable::Rgb(0, 0, 128),       // 4
    CColorTable::Rgb(255, 0, 0),       // 5
    CColorTable::Rgb(0, 255, 0),       // 6
    CColorTable::Rgb(0, 0, 255),       // 7
    CColorTable::Rgb(0, 128, 128),     // 8
    CColorTable::Rgb(0, 255, 255),     // 9
    CColorTable::Rgb(128, 128, 0),     // 10
    CColorTable::Rgb(255, 255, 0),     // 11
    CColorTable::Rgb(128, 0, 128),     // 12
    CColorTable::Rgb(255, 0, 255),     // 13
    CColorTable::Rgb(128, 128, 128),   // 14
    CColorTable::Rgb(192, 192, 192),   // 15
    CColorTable::Rgb(0, 255, 0),       // 16
    CColorTable::Rgb(0, 255, 0),       // 17
    CColorTable::Rgb(0, 0, 255),       // 18
    CColorTable::Rgb(0, 0, 255),       // 19
    CColorTable::Rgb(0, 0, 255),       // 20
    CColorTable::Rgb(0, 255, 0),       // 21
    CColorTable::Rgb(255, 255, 255),   // 22
    CColorTable::Rgb(255, 255, 255),   // 23
    CColorTable::Rgb(255, 255, 255),   // 24
    CColorTable::Rgb(255, 255, 255),   // 25
    CColorTable::Rgb(255, 255, 255),   // 26
    CColorTable::Rgb(0, 255, 0),       // 27
    CColorTable::Rgb(0, 0, 255),       // 28
    CColorTable::Rgb(0, 0, 255),       // 29
    CColorTable::Rgb(0, 0, 255),       // 30
    CColorTable::Rgb(0, 255, 0),       // 31
    CColorTable::Rgb(0, 255, 0),       // 32
    CColorTable::Rgb(0, 255, 0),       // 33
    CColorTable::Rgb(0, 255, 0),       // 34
    CColorTable::Rgb(0, 255, 255),     // 35
    CColorTable::Rgb(0, 0, 0),         // 36
    CColorTable::Rgb(128, 128, 128),   // 37
    CColorTable::Rgb(128, 128, 128),   // 38
    CColorTable::Rgb(255, 255, 255),   // 39
    CColorTable::Rgb(255, 255, 255),   // 40
    CColorTable::Rgb(255, 255, 255),   // 41
    CColorTable::Rgb(0, 0, 0),         // 42 plot background
    CColorTable::Rgb(255, 255, 0),     // 43 plot text and frame
    CColorTable::Rgb(255, 0, 0),       // 44 curve 1
    CColorTable::Rgb(0, 255, 0),       // 45 curve 2
    CColorTable::Rgb(0, 255, 255),     // 46 curve 3
    CColorTable::Rgb(255, 255, 0),     // 47 curve 4
    CColorTable::Rgb(255, 255, 255),   // 48
    32000,                             // 49 (a number)
    32000,                             // 50 (a number)
    CColorTable::Rgb(255, 0, 0),       // 51 highlighted elements
    CColorTable::kSchemeNormal,        // 52 scheme
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
