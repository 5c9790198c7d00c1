// The value logic of the "Simulator Options" property sheet: the texts a curve page starts
// with, its pick lists, and the page's OK, which stores the typed texts into the curve in a
// fixed order and stops at the first frequency it cannot read.
#pragma once

#include <string>
#include <vector>

#include "sim/SimulationSetup.h"

namespace kalidor {

extern const char kSimOptionsCaption[];        // "Simulator Options"
extern const char* const kSimPageTabs[5];      // "Curve1", "Curve 2", "Curve 3", "Curve 4", "General"
extern const char kAutoRunText[];              // "Run Simulation after change to schematic"
extern const char* const kCurvePageLabels[6];  // "F Start: (Hz)" ... "Configuration:"
// Typed texts are at most this long.
inline constexpr int kSimTextLimit = 10;

// The page a sheet opens on for an active curve index: 1..3 their curve pages, else page 0.
int SimSheetStartPage(int activeCurve);

// Pick lists of the frequency and points-per-decade boxes.
const std::vector<std::string>& FrequencyPickList();
const std::vector<std::string>& PointsPickList();
// "Vin 1" .. "Vin n", "Vout 1" .. "Vout n"; "Cfg A", "Cfg B" when the device has
// configurations, else nothing.
std::vector<std::string> InputNodeItems(int count);
std::vector<std::string> OutputNodeItems(int count);
std::vector<std::string> ConfigurationItems(int count);

// The controls of one curve page.
struct CurvePageValues {
    std::string start;   // "10", "5K", "10M"
    std::string stop;
    std::string points;  // "500"
    std::string input;   // "Vin 1"
    std::string output;  // "Vout 1"
    int configuration = 0;  // selection; -1 when the box is empty
};

CurvePageValues CurvePageInitial(const CSimulationSetup& setup, int curve);

// The page's OK: points per decade, start, stop, input node, output node, configuration, in
// this order. A frequency that does not parse shows "Frequency Entry Incorrect" and the fields
// after it are not stored. Returns true when every field was stored.
bool ApplyCurvePage(CSimulationSetup& setup, int curve, const CurvePageValues& values);

// The leading decimal number of a text, as the page reads it (0 when there is none; held
// within the range of a 32-bit integer).
int LeadingDecimal(const std::string& text);

}  // namespace kalidor
