// One symbol of a device schematic: a user-settable element or a label, with its origin, name and
// value texts, hit rectangle and the drawn elements that make up its picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Painter.h"
#include "view/DrawnElement.h"

namespace kalidor {

class SymbolSwitch;

class CSymbol {
public:
    // Flag bits.
    static constexpr std::uint32_t kFlagFullName = 0x1;  // a full name was given: the symbol is valid
    static constexpr std::uint32_t kFlagHidden = 0x4;    // not drawn

    // Dialog types with a meaning for the schematic itself.
    static constexpr int kDialogFilterConfig = 1000;
    static constexpr int kDialogLegend = 344;

    // Texts are drawn in this font and height (logical units), in these colours.
    static constexpr const char* kFontName = "Arial";
    static constexpr int kTextHeight = 200;
    static constexpr int kTextColor = 42;
    static constexpr int kTextBackColor = 43;
    // The highlight box around the origin of the highlighted symbol.
    static constexpr int kHighlightHalfSize = 200;
    static constexpr int kHighlightPen = 43;
    static constexpr int kHighlightBrush = 14;
    // The fixed legend box of a dialog type 344 symbol.
    static constexpr LogRect kLegendBox{7600, 4000, 9200, 2500};

    // Longest name and full name kept when read from a file.
    static constexpr std::size_t kMaxNameLength = 79;

    CSymbol() = default;
    explicit CSymbol(int key) : m_key(key) {}

    int GetKey() const { return m_key; }
    void SetKey(int key) { m_key = key; }

    LogPoint GetOrigin() const { return m_origin; }
    void SetOrigin(int x, int y) { m_origin = {x, y}; }

    const std::string& GetNameText() const { return m_nameText; }
    void SetNameText(std::string text) { m_nameText = std::move(text); }
    LogPoint GetNameXY() const { return m_nameXY; }
    void SetNameXY(int x, int y) { m_nameXY = {x, y}; }
    const LogRect& GetNameRect() const { return m_nameRect; }
    void SetNameRect(const LogRect& r) { m_nameRect = r; }

    const std::string& GetValueText() const { return m_valueText; }
    void SetValueText(std::string text) { m_valueText = std::move(text); }
    LogPoint GetValueXY() const { return m_valueXY; }
    void SetValueXY(int x, int y) { m_valueXY = {x, y}; }
    const LogRect& GetValueRect() const { return m_valueRect; }
    void SetValueRect(const LogRect& r) { m_valueRect = r; }

    const LogRect& GetHitRect() const { return m_hitRect; }
    void SetHitRect(const LogRect& r) { m_hitRect = r; }

    const std::string& GetFullName() const { return m_fullName; }
    // Stores the full name; a non-empty name sets flag bit 0 (the symbol becomes valid), an empty
    // one clears it.
    void SetFullName(std::string text);

    std::uint32_t GetFlags() const { return m_flags; }
    void SetFlags(std::uint32_t flags) { m_flags = flags; }
    bool IsValid() const { return m_flags != 0; }
    bool IsHidden() const { return (m_flags & kFlagHidden) != 0; }
    void SetHidden(bool hidden) { m_flags = hidden ? (m_flags | kFlagHidden) : (m_flags & ~kFlagHidden); }

    int GetDialogType() const { return m_dialogType; }
    void SetDialogType(int type) { m_dialogType = type; }

    const std::string& GetNetlistText() const { return m_netlistText; }
    void SetNetlistText(std::string text) { m_netlistText = std::move(text); }
    const std::string& GetAuxText() const { return m_auxText; }
    void SetAuxText(std::string text) { m_auxText = std::move(text); }

    // The switch drawn with the symbol (not owned), or null.
    SymbolSwitch* GetSwitch() const { return m_switch; }
    void SetSwitch(SymbolSwitch* sw) { m_switch = sw; }

    // Drawn elements, in insertion order.
    const std::vector<CDrawnElement>& GetDrawnElements() const { return m_elements; }
    CDrawnElement& AddDrawnElement(int type, int x, int y);
    // A line from (x1, y1) to (x2, y2) relative to the symbol's origin. Any type other than a line
    // segment becomes an element of that type at (x1, y1).
    CDrawnElement& AddDrawnLine(int type, int x1, int y1, int x2, int y2);
    void DeleteDrawnElements() { m_elements.clear(); }

    // True when left < x < right and bottom < y < top (strictly inside the hit rectangle).
    bool HitTest(int x, int y) const;

    // Draws the highlight box (when highlighted), the switch, the elements and the texts; draws
    // nothing while the hide bit is set.
    void Draw(Painter& painter, bool highlighted);
    // Appends the symbol's <ZelSymbol> element and the blank line after it.
    void WriteXml(std::string& out) const;

private:
    void DrawTexts(Painter& painter) const;

    LogRect m_hitRect;
    std::vector<CDrawnElement> m_elements;
    LogPoint m_origin;
    std::string m_nameText;
    LogPoint m_nameXY;
    LogRect m_nameRect;
    std::string m_valueText;
    LogPoint m_valueXY;
    LogRect m_valueRect;
    int m_key = 0;
    std::string m_fullName;
    std::uint32_t m_flags = 0;
    int m_dialogType = 0;
    std::string m_netlistText;
    std::string m_auxText;
    SymbolSwitch* m_switch = nullptr;
};

}  // namespace kalidor
