// The switch drawn together with a schematic symbol: the interconnect switch bound to the symbol's
// key (device/Interconnect.h derives from this). A symbol holds it by a pointer it does not own.
#pragma once

namespace kalidor {

class Painter;

class SymbolSwitch {
public:
    virtual ~SymbolSwitch() = default;
    // Draws this one switch (not any switch chained after it) in its current position.
    virtual void Draw(Painter& painter) const = 0;
};

}  // namespace kalidor
