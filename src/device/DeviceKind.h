// The five device types. A device type name is parsed once, where a design, a command line or a
// cable description names it, into a DeviceKind; from then on the code asks the kind's traits or
// the per-device classes chosen from it, and prints the name from the traits. This file holds the
// one table of names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kalidor {

// In catalogue order: the order of the "Insert Zel Device" list and of the File New menu.
enum class DeviceKind { ZelA, ZelB, ZelC, ZelD, ZelE };

// The configuration families: ZelD and ZelE share one model, one register program, one simulator
// and one schematic, and differ only in their filter's time constant and their IDCODE.
enum class DeviceFamily { ZelA, ZelB, ZelC, ZelD };

struct DeviceTraits {
    DeviceKind kind;
    const char* name;  // the device type name, as designs, menus and messages spell it
    DeviceFamily family;
    int cellCount;     // E2 cells
    int symbolSlots;   // symbol keys 0 .. symbolSlots-1
    int uesBits;       // user electronic signature bits
    int irLength;      // JTAG instruction register length in bits
    std::uint16_t idcodePart;  // the part number field of the IDCODE (bits 12..27)
    // ZelD/ZelE: two stored filter configurations (A and B) with the filter-table entries
    // applied to them.
    bool filterConfigs;
    // The edge between the two frequency ranges of the filter devices, in hertz and as the
    // range texts write it. Devices without frequency ranges carry ZelD's.
    double rangeEdgeHz;
    const char* rangeEdgeText;
    // The symbol editors. ZelB sets its simulation-only MSEL and PC pins in stimulus dialogs; and
    // a ZelB symbol without an editor of its own opens nothing, where the other families offer a
    // plain number within the record's range.
    bool pinStimulusDialogs;
    bool plainNumberEditor;
    // The design utilities besides the filter configurations: ZelA and ZelB have a gain
    // configuration utility (their table of gain settings), and ZelA's blocks realise the designs
    // of the ladder filter table.
    bool gainUtility;
    bool ladderFilters;
};

inline constexpr std::array<DeviceKind, 5> kDeviceKinds = {DeviceKind::ZelA, DeviceKind::ZelB,
                                                           DeviceKind::ZelC, DeviceKind::ZelD,
                                                           DeviceKind::ZelE};

const DeviceTraits& TraitsOf(DeviceKind kind);
inline const char* DeviceKindName(DeviceKind kind) { return TraitsOf(kind).name; }
inline DeviceFamily FamilyOf(DeviceKind kind) { return TraitsOf(kind).family; }

// The kind of an exact device type name; nothing for any other text (letter case counts).
std::optional<DeviceKind> ParseDeviceKind(std::string_view name);
// The same with letter case ignored, for what users type (cable descriptions).
std::optional<DeviceKind> ParseDeviceKindIgnoringCase(std::string_view name);
// The traits of an exact device type name, or nullptr.
const DeviceTraits* FindDeviceTraits(std::string_view name);
inline bool IsDeviceTypeName(std::string_view name) { return ParseDeviceKind(name).has_value(); }

// The five names in catalogue order.
extern const char* const kDeviceTypeNames[5];

}  // namespace kalidor
