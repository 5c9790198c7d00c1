// The plot of a design: the computed points of the four curves, their data limits, the
// frequency tick table of the logarithmic axis, the crosshair and print-mode flags, the
// status read-out texts and the gain/phase export and import as delimited text.
//
// Points carry integer logical coordinates so that drawing and hit tests need no logarithms:
// x = trunc(log10(f) * 1000) (1000 units per decade), gain y = trunc(dB * 50) and phase
// y = trunc(degrees * 50) (50 units per dB and per degree).
//
// The plot reads the curve settings (valid flags, nodes, active curve) from the simulation
// setup it is given; it does not own it.
#pragma once

#include "platform/CommonMessages.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "sim/SimulationSetup.h"
#include "sim/Sweep.h"

namespace kalidor {

struct PltXY {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const PltXY&, const PltXY&) = default;
};

// Logical units per frequency decade and per dB / degree (and per delay unit, see
// CPlot::DelayUnit).
inline constexpr int kPltUnitsPerDecade = 1000;
inline constexpr int kPltUnitsPerDb = 50;

// The panes a curve is drawn in: gain, phase and group delay (shown in place of the phase).
enum PlotPane : int {
    kPaneGain = 0,
    kPanePhase = 1,
    kPaneDelay = 2,
};
inline constexpr int kPaneCount = 3;
// Every logical coordinate and mapping stays within +-kPltCoordLimit.
inline constexpr int kPltCoordLimit = 32700;

// One computed point.
struct CPltPoint {
    double m_freq = 0.0;   // Hz
    double m_gain = 0.0;   // dB
    double m_phase = 0.0;  // degrees
    // Last drawn positions in the gain and phase panes (kept by the drawing).
    mutable PltXY m_gainDevice;
    mutable PltXY m_phaseDevice;
    PltXY m_gainLogicalXY;
    PltXY m_phaseLogicalXY;
    int32_t m_bSelected = 0;
    // Group delay in seconds (NaN until known) and its position in the delay pane, whose y
    // depends on the plot's delay unit (CPlot::RecomputeLimits sets it).
    double m_groupDelay = std::numeric_limits<double>::quiet_NaN();
    PltXY m_delayLogicalXY;
    mutable PltXY m_delayDevice;

    CPltPoint() = default;
    CPltPoint(double freq, double gain, double phase,
              double groupDelay = std::numeric_limits<double>::quiet_NaN());
    // Recomputes both logical positions from frequency, gain and phase (clamped to
    // +-kPltCoordLimit; a frequency of 0 or below lies at the left limit).
    void ComputeLogical();
    // The logical position in pane 0..2.
    PltXY LogicalXY(int pane) const
    {
        return pane == kPaneDelay ? m_delayLogicalXY : pane == kPanePhase ? m_phaseLogicalXY : m_gainLogicalXY;
    }
    PltXY& DeviceXY(int pane) const
    {
        return pane == kPaneDelay ? m_delayDevice : pane == kPanePhase ? m_phaseDevice : m_gainDevice;
    }
    // The diagnostic dump, CR LF line ends.
    std::string Dump() const;
};

// Logical x of a frequency, logical y of a gain or phase value (clamped, see above).
int32_t LogicalX(double frequencyHz);
int32_t LogicalY(double value);
// And back.
double FrequencyOfX(int x);
double ValueOfY(int y);

// Data limits over all points of all curves. With no points the lows stay above the highs.
struct PlotLimits {
    int32_t minGainY = kPltCoordLimit;
    int32_t maxGainY = -kPltCoordLimit;
    int32_t minPhaseY = kPltCoordLimit;
    int32_t maxPhaseY = -kPltCoordLimit;
    int32_t minX = kPltCoordLimit;
    int32_t maxX = 0;
    // Over the points whose group delay is known.
    int32_t minDelayY = kPltCoordLimit;
    int32_t maxDelayY = -kPltCoordLimit;
    bool HasData() const { return minX <= maxX && minGainY <= maxGainY; }
    bool HasDelay() const { return minDelayY <= maxDelayY; }
    // Lowest and highest y of pane 0 (gain), 1 (phase) or 2 (group delay).
    int32_t MinY(int pane) const { return pane == kPaneDelay ? minDelayY : pane == kPanePhase ? minPhaseY : minGainY; }
    int32_t MaxY(int pane) const { return pane == kPaneDelay ? maxDelayY : pane == kPanePhase ? maxPhaseY : maxGainY; }
};

// Delimiter choices of the export.
enum ExportDelimiter : int {
    kDelimComma = 0,
    kDelimSemicolon = 1,
    kDelimTab = 2,
    kDelimSpace = 3,
};
// "Delimited with Comma" ... "Delimited with Space", by choice.
extern const char* const kDelimiterChoiceTexts[4];
// The delimiter character of a choice (a comma for any choice not listed).
char DelimiterOf(int choice);

// Print modes.
enum PrintMode : int {
    kPrintTwoPages = 0,
    kPrintOnePlot = 1,
    kPrintTwoPlotsOnePage = 2,
};
extern const char* const kPrintModeTexts[3];

class CPlot : public CCurveStore {
public:
    static constexpr int kCurveCount = CSimulationSetup::kCurveCount;
    // The largest number of points an import reads into a curve.
    static constexpr std::size_t kMaxImportPoints = 1000000;
    // Largest gain/phase file read (a million points of about 40 characters).
    static constexpr std::size_t kMaxImportBytes = 64u * 1024u * 1024u;
    // True when the export writes `hz` as a positive number that an import reads back.
    static bool ExportableFrequency(double hz);

    // `setup` is not owned and must outlive the plot.
    explicit CPlot(CSimulationSetup& setup);

    CSimulationSetup& Setup() { return *m_setup; }
    const CSimulationSetup& Setup() const { return *m_setup; }

    // --- points (CCurveStore) ---
    void ClearCurve(int curve) override;
    void AppendPoint(int curve, const CurvePoint& point) override;
    void OnCurveComplete(int curve) override;
    // The points of curve 0..3 (an empty list for any other index).
    const std::vector<CPltPoint>& Points(int curve) const;
    bool IsValid(int curve) const;
    // True when some curve is valid.
    bool AnyValid() const;

    // --- curve commands ---
    int GetActiveCurve() const { return m_setup->GetActiveCurve(); }
    void SetActiveCurve(int curve) { m_setup->SetActiveCurve(curve); }
    // Deletes the points of a valid curve and clears its valid flag; recomputes the limits.
    // Returns 1 when something was deleted, 0 when the curve was not valid (or out of range).
    int DeleteCurve(int curve);
    // Empties every curve and clears every valid flag (the schematic was cleared).
    void ClearAll();

    // --- limits ---
    void RecomputeLimits();
    const PlotLimits& Limits() const { return m_limits; }
    // Limits of the points of one curve only.
    PlotLimits CurveLimits(int curve) const;

    // --- flags ---
    int GetCrosshair() const { return m_crosshair; }
    void SetCrosshair(int on) { m_crosshair = on ? 1 : 0; }
    int GetPrintMode() const { return m_printMode; }
    // 0..2; anything else is taken as 0.
    void SetPrintMode(int mode) { m_printMode = (mode >= 0 && mode <= 2) ? mode : 0; }

    // The frequency tick table: (frequency, logical x) for m * 10^k, m = 1..9, 1 Hz .. 1 GHz.
    static const std::vector<std::pair<int32_t, int32_t>>& FrequencyTicks();

    // Gain and phase logical y of curve `curve` at logical x, interpolated between the two
    // points around x (the nearest end point outside the curve). False for an empty curve.
    // `delayY`, when given, receives the group delay's (that of the nearer point where the two
    // around x do not both know it).
    bool ValueAt(int curve, int x, int* gainY, int* phaseY, int* delayY = nullptr) const;

    // --- group delay ---
    // The delay pane's unit: seconds per kPltUnitsPerDb logical units, a power of ten chosen by
    // RecomputeLimits so that the largest delay of all curves lies between 30 and 300 units.
    double DelayUnit() const { return m_delayUnit; }
    int32_t LogicalDelayY(double seconds) const;
    double DelayOfY(int y) const { return ValueOfY(y) * m_delayUnit; }
    // The unit delays are shown in (1, 1e-3, 1e-6 or 1e-9 s) and its name ("s", "ms", "µs",
    // "ns"), chosen for the largest delay.
    double DelayDisplayUnit() const;
    std::string DelayUnitName() const;
    // "1.234ms": a delay with three significant digits in the display unit.
    std::string DelayText(double seconds) const;
    // Gives every point of the curve whose group delay is not known the one derived from the
    // curve's phase (GroupDelayFromPhase).
    void FillGroupDelay(int curve);

    // --- status read-out ---
    // "Curve:%d  Vout%d/Vin%d" of the active curve.
    std::string CurveStatusText() const;
    // "%sHz  %.2lfdB  %.2lfDeg" of a crosshair position while the crosshair is shown and the
    // active curve is valid; empty otherwise.
    std::string ReadoutText(int x, int gainY, int phaseY) const;

    // --- gain/phase export and import ---
    // The export text of the active curve (empty when it has no points); `count` receives the
    // number of points written.
    std::string ExportText(int delimiterChoice, int* count = nullptr) const;
    // Writes the export text to a new file. Returns the number of points written, or -1 after
    // "File could not be opened". A curve without points creates no file and returns 0.
    int ExportToFile(const std::string& path, int delimiterChoice) const;
    // Reads delimited text into the active curve (see the .cpp for the rules). Returns the
    // number of points read. `hint` receives the update hint for the views: 2 when some curve
    // was valid before, 3 otherwise.
    int ImportText(const std::string& text, int* hint = nullptr);
    // Opens and imports a file; -1 after "File could not be opened".
    int ImportFile(const std::string& path, int* hint = nullptr);

private:
    static bool InRange(int curve) { return curve >= 0 && curve < kCurveCount; }

    CSimulationSetup* m_setup;
    std::array<std::vector<CPltPoint>, kCurveCount> m_points;
    PlotLimits m_limits;
    double m_delayUnit = 1e-6;
    double m_largestDelay = 0.0;
    int32_t m_printMode = 0;
    int32_t m_crosshair = 0;
};

// The short frequency form of the read-out and the printed legend: "10.0K", "1.00M", "150".
std::string ShortFrequencyText(double hz);

// What the document's run command reports back to the window that started it.
struct RunResult {
    bool success = false;
    // Update hint for the views: 2 (plot data) after a failure or when data was shown before,
    // 3 (rescale) when this run brought the first data.
    int hint = 2;
    // The plot window should be opened (success only).
    bool openPlotWindow = false;
};

// The document's run command: sweeps the active curve into the plot; on success the curve
// becomes valid. The messages of a failed run have been shown.
RunResult RunActiveCurve(CSimulationSetup& setup, CSimulator& simulator, CPlot& plot);

// Messages of the plot.
extern const char kExportFileFilter[];        // file dialog filter of the export
extern const char* const kActivateCurveTexts[4];  // "Sim output placed in Curve 1" ...
extern const char kGainPaneTitle[];           // "Gain Plot (dB)"
extern const char kPhasePaneTitle[];          // "Phase Plot (Deg)"
extern const char kDelayPaneTitle[];          // "Group Delay Plot", followed by the unit

}  // namespace kalidor
