// The schematic of a device: 100 symbol slots indexed by symbol key, the highlighted slot and the
// display switches; reads and writes the <ZelSchematic> element of the device schematic file.
// A device-specific subclass per device type supplies the layout.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "base/Painter.h"
#include "view/Symbol.h"

namespace kalidor {

class CXmlParser;

class CSchematic {
public:
    static constexpr int kSlotCount = 100;
    static constexpr int kNoSymbol = -1;

    // Display switches edited by the development "Schematic Debug Controls..." dialog.
    enum DisplaySwitch { kShowSymbols = 0, kDebugSwitch1, kDebugSwitch2, kDebugSwitch3, kDisplaySwitchCount };

    CSchematic();
    virtual ~CSchematic();
    CSchematic(const CSchematic&) = delete;
    CSchematic& operator=(const CSchematic&) = delete;

    // Creates (or replaces) the symbol of slot `key`: origin, name text and name position as
    // given, everything else empty. Null for a key outside 0..99.
    CSymbol* AddSymbol(int key, int x, int y, const std::string& name, int nameX, int nameY);
    CSymbol* CreateEmptySymbol(int key);
    CSymbol* GetSymbol(int key) const;
    void DeleteSymbol(int key);
    int GetSymbolCount() const;

    // Iteration over the non-empty slots in key order; null at the end.
    CSymbol* GetFirstSymbol();
    CSymbol* GetNextSymbol();

    // Forwards to the symbol of slot `key`; 1 when it exists, else 0.
    int SetValueTextXY(int key, int x, int y);
    int SetValueTextRect(int key, const LogRect& r);
    int SetHitTestRect(int key, const LogRect& r);
    int SetFullName(int key, const std::string& text);
    int SetDialogType(int key, int type);
    int SetValueText(int key, const std::string& text);
    int AddDrawnElement(int key, int type, int x, int y);
    int AddDrawnLine(int key, int type, int x1, int y1, int x2, int y2);

    // The highlighted slot, or kNoSymbol.
    int GetHighlighted() const { return m_highlighted; }
    void SetHighlighted(int key) { m_highlighted = (key >= 0 && key < kSlotCount) ? key : kNoSymbol; }

    bool GetDisplaySwitch(int which) const;
    void SetDisplaySwitch(int which, bool on);
    bool ShowSymbols() const { return m_display[kShowSymbols]; }

    // Deletes the drawn elements of every symbol (before a device schematic file is read).
    void ResetSymbols();

    // The first valid symbol, in key order, whose hit rectangle strictly contains the point.
    CSymbol* FindSymbolAt(int x, int y) const;

    // Reads the content of a <ZelSchematic> element whose start tag the parser has just read, up
    // to and including </ZelSchematic> (or the end of the text). Registers the tags it needs that
    // the caller has not registered. Returns the number of symbols read.
    int ReadSchematic(CXmlParser& parser);
    // Registers every tag of the <ZelSchematic> element that is not registered yet.
    static void RegisterTags(CXmlParser& parser);
    // Appends the <ZelSchematic> element (symbols only while the show-symbols switch is on).
    void WriteSchematic(std::string& out) const;
    std::string WriteSchematic() const {
        std::string s;
        WriteSchematic(s);
        return s;
    }

    // Draws every symbol (while the show-symbols switch is on), the highlighted one highlighted.
    void DrawAll(Painter& painter);
    // Outlines the hit rectangles of the valid symbols.
    void DrawHitAreas(Painter& painter, int penColor = 5) const;

private:
    std::array<std::unique_ptr<CSymbol>, kSlotCount> m_slots;
    int m_cursor = -1;
    int m_highlighted = kNoSymbol;
    std::array<bool, kDisplaySwitchCount> m_display{};
};

}  // namespace kalidor
