// The design utility windows of a schematic document, by the codes of the Design Utilities
// dialog: 100 the ZelA ladder filter configurations, 101 the ZelA gain configuration utility,
// 102 the ZelD filter configurations, 103 the ZelB gain configuration utility, 104 the ZelE
// filter configurations. MainWindow::OpenDesignUtility(doc, code) opens one (or brings it
// forward); this file makes the windows.
#pragma once

#include <QString>
#include <optional>

#include "device/DeviceKind.h"

class QWidget;

namespace kalidor {

class SchDocument;

inline constexpr int kUtilityLadderFilters = 100;
inline constexpr int kUtilityZelAGains = 101;
inline constexpr int kUtilityZelDFilters = 102;
inline constexpr int kUtilityZelBGains = 103;
inline constexpr int kUtilityZelEFilters = 104;

// "The active schematic is not a %1 schematic." — a code asked of a design of another type.
extern const char kMsgUtilityWrongDevice[];

// The device a code serves, or nothing for an unknown code.
std::optional<DeviceKind> DesignUtilityDevice(int code);
// The utility a design of `kind` offers under a menu item: its filter table, ladder filters or
// gain utility code; 0 for none. `ladder` chooses between ZelA's two.
int DesignUtilityFor(DeviceKind kind, bool ladder);
// A new window of utility `code` over `doc`, or nullptr after telling the user why not (another
// device type, a table that cannot be read).
QWidget* CreateDesignUtilityView(SchDocument* doc, int code);

}  // namespace kalidor
