// The schematic of one device type: creates the symbols of the device (keys, labels, full names,
// dialog types, netlist names) and its interconnect switches, and computes their value texts from
// the device model. ZelA and ZelB take their layout from the support file "<type>_Schematic.XML";
// ZelC, ZelD and ZelE are laid out in code by the subclasses below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceKind.h"
#include "view/Schematic.h"

namespace kalidor {

class CInterconnect;
class CXmlElement;
class CXmlParser;
class DeviceConfig;

class CColorTable;

// The schematic's colours on screen: light texts on a dark background (the drawing's texts are
// black in the initial colour table, meant for paper).
void UseScreenColors(CColorTable& colors);
constexpr std::uint32_t kScreenBackground = 24 + 256 * 32 + 65536 * 48;

class CDeviceSchematic : public CSchematic {
public:
    ~CDeviceSchematic() override;

    // The schematic of a device type, built; nullptr for an unknown name.
    static std::unique_ptr<CDeviceSchematic> Create(DeviceKind kind);
    static std::unique_ptr<CDeviceSchematic> Create(const std::string& deviceType);

    const std::string& DeviceType() const { return m_deviceType; }
    DeviceKind Kind() const { return m_kind; }
    // True when the layout is read from the device schematic support file (ZelA and ZelB; the
    // device types drawn in code say no).
    virtual bool UsesSupportFile() const { return true; }

    // Recomputes the value text (and the short text, kept as the symbol's auxiliary text) of
    // symbol `key` from the model, its netlist text, and the position of the switches bound to
    // the key; false when the slot is empty.
    bool RefreshValueText(DeviceConfig& config, int key);

    // --- interconnect switches ---
    // The switches of the device in the order of its switch table (none for ZelD/ZelE). The
    // symbol of a switch key holds the first switch of that key; further ones are chained to it.
    const std::vector<std::unique_ptr<CInterconnect>>& Switches() const { return m_switches; }
    // The device family's interconnect object: the list of keys that have switches, and the
    // object that writes and reads the <ZelInterconnect> element (one entry per switch).
    CInterconnect* Interconnect() const { return m_interconnect.get(); }
    // Appends the <ZelInterconnect> element: the family's switch count of entries, taken from the
    // switches in table order, and the key list.
    void WriteInterconnect(std::string& out) const;
    // Reads a <ZelInterconnect> element whose start tag was just read into the switches.
    void ReadInterconnect(CXmlParser& parser, CXmlElement* start);

    // --- the device schematic support file ---
    // The whole file as the "Save Schematic as XML..." command writes it: the XML declaration,
    // <ZelDevice>, the <ZelSchematic> element, the <ZelInterconnect> element (ZelA, ZelB and
    // ZelC), </ZelDevice>, each followed by a blank line, CR LF line ends.
    std::string WriteSupportFile() const;
    // Reads such a file: the drawn elements of every symbol are dropped first, then the symbols
    // and switches of the file are read. False (nothing more read) when the text does not start
    // with <ZelDevice>.
    bool ReadSupportFile(const std::string& text);

    static constexpr const char* kSupportFileSuffix = "_Schematic.XML";

protected:
    explicit CDeviceSchematic(DeviceKind kind);
    // Creates every symbol with its label, full name, dialog type and netlist name, and the
    // switches, then lays them out.
    virtual void Build();
    // Places symbols, drawn elements and hit rectangles (the device types drawn in code).
    virtual void Layout() {}

    DeviceKind m_kind;
    std::string m_deviceType;
    std::vector<std::unique_ptr<CInterconnect>> m_switches;
    std::unique_ptr<CInterconnect> m_interconnect;
};

// ZelC: four input amplifiers with their input selectors and multiplexers, two multiplying DACs,
// two output amplifiers, the output switches, voltage references and auto-calibration levels.
class CZelCSchematic : public CDeviceSchematic {
public:
    CZelCSchematic() : CDeviceSchematic(DeviceKind::ZelC) {}
    bool UsesSupportFile() const override { return false; }

protected:
    void Layout() override;
};

// ZelD and ZelE: the fifth-order low-pass ladder with its elements for configurations A and B,
// the input gain, frequency ranges and the wakeup configuration.
class CZelDSchematic : public CDeviceSchematic {
public:
    explicit CZelDSchematic(DeviceKind kind) : CDeviceSchematic(kind) {}  // ZelD or ZelE
    bool UsesSupportFile() const override { return false; }

protected:
    void Layout() override;
};

}  // namespace kalidor
