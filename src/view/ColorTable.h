// The colour table shared by the schematic drawing and the plot: 53 entries of 32 bits. Entries
// hold colours packed as red + 256*green + 65536*blue, except entries 49 and 50 (numbers) and
// entry 52, which holds the colour scheme used to look entries up.
#pragma once

#include <cstdint>

namespace kalidor {

class CColorTable {
public:
    static constexpr int kCount = 53;
    static constexpr int kSchemeIndex = 52;

    // Colour schemes: the table as it is, a light variant and black on white (printing).
    static constexpr int kSchemeNormal = 1000;
    static constexpr int kSchemeLight = 1001;
    static constexpr int kSchemeBlackOnWhite = 1002;

    static constexpr const char* kSchemeNotDefinedText = "Color Scheme is not defined in color table.";
    static constexpr const char* kIndexOutOfRangeText = "Color index is out of range.";

    CColorTable();

    static constexpr std::uint32_t Rgb(int r, int g, int b) {
        return static_cast<std::uint32_t>(r & 0xFF) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
               (static_cast<std::uint32_t>(b & 0xFF) << 16);
    }
    static constexpr int Red(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
    static constexpr int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
    static constexpr int Blue(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }

    // Entry i through the current scheme. An unknown scheme shows kSchemeNotDefinedText and
    // returns the entry itself; an index outside 0..52 shows kIndexOutOfRangeText and returns 0.
    std::uint32_t GetColor(int index) const;
    // Entry i as stored (0 for an index outside 0..52).
    std::uint32_t GetEntry(int index) const;
    // Stores the value at 0..52 and returns 1; otherwise shows kIndexOutOfRangeText, changes
    // nothing and returns 0. Index 52 sets the scheme.
    int SetColor(int index, std::uint32_t value);

    int GetScheme() const { return static_cast<int>(m_entries[kSchemeIndex]); }
    void SetScheme(int scheme) { m_entries[kSchemeIndex] = static_cast<std::uint32_t>(scheme); }

    // Back to the initial values (and scheme 1000).
    void Reset();

private:
    std::uint32_t m_entries[kCount];
};

}  // namespace kalidor
