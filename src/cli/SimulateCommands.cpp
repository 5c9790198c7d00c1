// "simulate": runs a curve of a design as the document's run command does and writes the
// gain/phase export text. "plot": runs curves and draws the plot window's picture (or a
// printed page) as SVG, or as PNG / PDF when the program was built with Qt.
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "sim/Plot.h"
#include "sim/PlotPainter.h"
#include "sim/PlotWindowState.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"
#include "view/ColorTable.h"
#include "view/SvgPainter.h"

#include "cli/ui/SvgRaster.h"

namespace kalidor::cli {

namespace {

constexpr const char* kSimulateUsage =
    "simulate: usage: simulate FILE.ZEL [--curve N] [--csv OUT.csv] [--delimiter comma|semicolon|tab|space]\n"
    "          [--input N] [--output N] [--config A|B] [--start F] [--stop F] [--ppd N] [--pin KEY=0|1 ...]";
constexpr const char* kPlotUsage =
    "plot: usage: plot FILE.ZEL --svg|--png|--pdf OUT [--curve N [curve settings] ...] [--import N=FILE.csv ...]\n"
    "          [--size WxH] [--data-points] [--group-delay] [--markers] [--crosshair F] [--hide N]\n"
    "          [--print-mode M [--page P]] [--pin KEY=0|1 ...]\n"
    "          curve settings: --input N --output N --config A|B --start F --stop F --ppd N";

// Settings given on the command line for the curves that are run.
struct CurveOverrides {
    int input = 0, output = 0, config = -1, start = 0, stop = 0, ppd = 0;
    bool hasPpd = false;
};

// Reads one override option; 1 when consumed, 0 when not an override, -1 after a usage error.
int ReadOverride(const Args& args, size_t& i, CurveOverrides& o, int& status)
{
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
        if (i + 1 >= args.size()) {
            status = UsageError(a + " needs a value");
            return false;
        }
        out = args[++i];
        return true;
    };
    std::string v;
    if (a == "--input" || a == "--output" || a == "--ppd") {
        if (!value(v))
            return -1;
        int n = 0;
        if (!ParseInt(v, n)) {
            status = UsageError(a + " needs a number");
            return -1;
        }
        // Node 0 would silently mean the design's own setting: a node is numbered from 1.
        if (a != "--ppd" && n < 1) {
            status = UsageError(a + " needs a node number from 1");
            return -1;
        }
        (a == "--input" ? o.input : a == "--output" ? o.output : o.ppd) = n;
        if (a == "--ppd")
            o.hasPpd = true;
        return 1;
    }
    if (a == "--start" || a == "--stop") {
        if (!value(v))
            return -1;
        int hz = 0;
        if (!ParseFrequencyText(v, &hz)) {
            status = UsageError(a + " \"" + v + "\": " + kFrequencyEntryIncorrect);
            return -1;
        }
        (a == "--start" ? o.start : o.stop) = hz;
        return 1;
    }
    if (a == "--config") {
        if (!value(v))
            return -1;
        if (v == "A" || v == "a" || v == "0")
            o.config = 0;
        else if (v == "B" || v == "b" || v == "1")
            o.config = 1;
        else {
            status = UsageError("--config needs A or B");
            return -1;
        }
        return 1;
    }
    return 0;
}

// "--pin KEY=VALUE": a pin state for the simulation only (not kept in a design file).
int ReadPin(const Args& args, size_t& i, std::vector<std::pair<int, int>>& pins, int& status)
{
    if (args[i] != "--pin")
        return 0;
    int key = 0, value = 0;
    if (i + 1 >= args.size() || !ParsePair(args[i + 1], key, value) || (value != 0 && value != 1)) {
        status = UsageError("--pin needs KEY=0 or KEY=1");
        return -1;
    }
    ++i;
    pins.emplace_back(key, value);
    return 1;
}

void Apply(const CurveOverrides& o, CurveSetting& c)
{
    if (o.input)
        c.inputNode = o.input;
    if (o.output)
        c.outputNode = o.output;
    if (o.config >= 0)
        c.configAB = o.config;
    if (o.start)
        c.startFrequency = o.start;
    if (o.stop)
        c.stopFrequency = o.stop;
    if (o.hasPpd)
        c.pointsPerDecade = o.ppd;
}

bool ParseCurve(const std::string& text, int& curve)
{
    int n = 0;
    if (!ParseInt(text, n) || n < 1 || n > 4)
        return false;
    curve = n - 1;
    return true;
}

// An opened design with its simulator and plot.
struct Session {
    CSchDoc doc;
    std::unique_ptr<CSimulator> simulator;
    std::unique_ptr<CPlot> plot;

    bool Open(const std::string& path)
    {
        if (!doc.OnOpenDocument(path) || !doc.Device() || !doc.Simulation())
            return false;
        simulator = CreateSimulator(doc.GetDeviceType(), *doc.Device());
        if (!simulator) {
            std::fprintf(stderr, "Kalidor: no simulator for device type %s\n", doc.GetDeviceType().c_str());
            return false;
        }
        plot = std::make_unique<CPlot>(*doc.Simulation());
        return true;
    }
    // Sets the pin states; false after a usage message for a key that is not a pin of the device.
    bool SetPins(const std::vector<std::pair<int, int>>& pins, int& status)
    {
        DeviceConfig& device = *doc.Device();
        for (auto [key, value] : pins) {
            if (!device.IsSimulationOnly(key)) {
                status = UsageError("--pin: key " + std::to_string(key) + " of " + doc.GetDeviceType() +
                                    " is not a pin state for the simulation");
                return false;
            }
            device.SetSymValue(key, value);
        }
        return true;
    }
    // Runs curve `curve` as the document's run command does (it becomes the active curve).
    bool Run(int curve)
    {
        doc.Simulation()->SetActiveCurve(curve);
        return RunActiveCurve(*doc.Simulation(), *simulator, *plot).success;
    }
};

int DelimiterChoice(const std::string& name)
{
    if (name == "comma" || name == ",")
        return kDelimComma;
    if (name == "semicolon" || name == ";")
        return kDelimSemicolon;
    if (name == "tab")
        return kDelimTab;
    if (name == "space")
        return kDelimSpace;
    return -1;
}

bool WriteOut(const std::string& path, const std::string& data)
{
    std::string error;
    if (!WriteFileAtomically(path, data, &error)) {
        std::fprintf(stderr, "Kalidor: cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int RunSimulate(const Args& args)
{
    std::string in, csv;
    int curve = -1;
    int delimiter = kDelimComma;
    CurveOverrides o;
    std::vector<std::pair<int, int>> pins;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int status = 0;
        int r = ReadOverride(args, i, o, status);
        if (r == 0)
            r = ReadPin(args, i, pins, status);
        if (r < 0)
            return status;
        if (r > 0)
            continue;
        if (a == "--curve") {
            if (i + 1 >= args.size() || !ParseCurve(args[i + 1], curve))
                return UsageError("--curve needs a curve number from 1 to 4");
            ++i;
        } else if (a == "--csv") {
            if (i + 1 >= args.size())
                return UsageError("--csv needs a file name");
            csv = args[++i];
        } else if (a == "--delimiter") {
            if (i + 1 >= args.size() || (delimiter = DelimiterChoice(args[i + 1])) < 0)
                return UsageError("--delimiter needs comma, semicolon, tab or space");
            ++i;
        } else if (in.empty() && a.rfind("-", 0) != 0) {
            in = a;
        } else {
            return UsageError("simulate: unknown argument \"" + a + "\"");
        }
    }
    if (in.empty())
        return UsageError(kSimulateUsage);

    Session s;
    if (!s.Open(in))
        return 1;
    if (int status = 0; !s.SetPins(pins, status))
        return status;
    if (curve < 0)
        curve = s.doc.Simulation()->GetActiveCurve();
    Apply(o, s.doc.Simulation()->Curve(curve));
    if (!s.Run(curve))
        return 1;
    const std::string text = s.plot->ExportText(delimiter);
    if (csv.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    return WriteOut(csv, text) ? 0 : 1;
}

int RunPlot(const Args& args)
{
    std::string in, out, format;
    std::vector<int> curves;
    // Curve settings given after a --curve apply to that curve; those before the first
    // --curve apply to every curve.
    std::vector<CurveOverrides> curveOverrides;
    std::vector<std::pair<int, std::string>> imports;
    std::vector<int> hidden;
    int width = 1000, height = 750;
    bool dataPoints = false, groupDelay = false, markers = false;
    int crosshairHz = 0;
    int printMode = -1, page = 1;
    CurveOverrides o;
    std::vector<std::pair<int, int>> pins;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        int status = 0;
        int r = ReadOverride(args, i, curveOverrides.empty() ? o : curveOverrides.back(), status);
        if (r == 0)
            r = ReadPin(args, i, pins, status);
        if (r < 0)
            return status;
        if (r > 0)
            continue;
        auto next = [&](const char* what) -> const std::string* {
            if (i + 1 >= args.size()) {
                UsageError(a + " needs " + what);
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--svg" || a == "--png" || a == "--pdf") {
            const std::string* v = next("a file name");
            if (!v)
                return 2;
            if (!format.empty())
                return UsageError("plot: give one of --svg, --png, --pdf");
            format = a.substr(2);
            out = *v;
        } else if (a == "--curve" || a == "--hide") {
            int c = 0;
            const std::string* v = next("a curve number");
            if (!v || !ParseCurve(*v, c))
                return UsageError(a + " needs a curve number from 1 to 4");
            (a == "--curve" ? curves : hidden).push_back(c);
            if (a == "--curve")
                curveOverrides.push_back(o);
        } else if (a == "--import") {
            const std::string* v = next("N=FILE.csv");
            int c = 0;
            const size_t eq = v ? v->find('=') : std::string::npos;
            if (!v || eq == std::string::npos || !ParseCurve(v->substr(0, eq), c))
                return UsageError("--import needs N=FILE.csv with a curve number from 1 to 4");
            imports.emplace_back(c, v->substr(eq + 1));
        } else if (a == "--size") {
            const std::string* v = next("WxH");
            const size_t x = v ? v->find('x') : std::string::npos;
            if (!v || x == std::string::npos || !ParseInt(v->substr(0, x), width) ||
                !ParseInt(v->substr(x + 1), height) || width < 200 || height < 150 || width > 8000 || height > 8000)
                return UsageError("--size needs WxH pixels, from 200x150 to 8000x8000");
        } else if (a == "--data-points") {
            dataPoints = true;
        } else if (a == "--group-delay") {
            groupDelay = true;
        } else if (a == "--markers") {
            markers = true;
        } else if (a == "--crosshair") {
            const std::string* v = next("a frequency");
            if (!v || !ParseFrequencyText(*v, &crosshairHz))
                return UsageError("--crosshair needs a frequency");
        } else if (a == "--print-mode") {
            const std::string* v = next("0, 1 or 2");
            if (!v || !ParseInt(*v, printMode) || printMode < 0 || printMode > 2)
                return UsageError("--print-mode needs 0, 1 or 2");
        } else if (a == "--page") {
            const std::string* v = next("1 or 2");
            if (!v || !ParseInt(*v, page) || page < 1 || page > 2)
                return UsageError("--page needs 1 or 2");
        } else if (in.empty() && a.rfind("-", 0) != 0) {
            in = a;
        } else {
            return UsageError("plot: unknown argument \"" + a + "\"");
        }
    }
    if (in.empty() || out.empty())
        return UsageError(kPlotUsage);
#ifndef KALIDOR_CLI_QT
    if (format != "svg") {
        std::fprintf(stderr,
                     "Kalidor: --%s needs the Qt libraries, and this kalidor-cli was built without them; "
                     "use --svg\n",
                     format.c_str());
        return 2;
    }
#else
    // Loaded before the work, so that a missing library is told at once.
    std::string rasterError;
    if (format != "svg" && !LoadRasterOutput(&rasterError)) {
        std::fprintf(stderr, "Kalidor: --%s needs the Qt libraries, which could not be loaded: %s\n",
                     format.c_str(), rasterError.c_str());
        return 1;
    }
#endif

    Session s;
    if (!s.Open(in))
        return 1;
    if (int status = 0; !s.SetPins(pins, status))
        return status;
    CSimulationSetup& setup = *s.doc.Simulation();
    const int documentActive = setup.GetActiveCurve();
    if (curves.empty() && imports.empty()) {
        curves.push_back(documentActive);
        curveOverrides.push_back(o);
    }
    for (size_t k = 0; k < curves.size(); ++k) {
        Apply(curveOverrides[k], setup.Curve(curves[k]));
        if (!s.Run(curves[k]))
            return 1;
    }
    for (const auto& [c, file] : imports) {
        setup.SetActiveCurve(c);
        if (s.plot->ImportFile(file) < 0)
            return 1;
    }
    // The design's active curve stays active when it was drawn; otherwise the first one drawn.
    bool activeDrawn = false;
    for (int c = 0; c < 4; ++c)
        activeDrawn |= c == documentActive && s.plot->IsValid(c);
    setup.SetActiveCurve(activeDrawn ? documentActive : (curves.empty() ? imports.front().first : curves.front()));

    CPlotWindowState state(*s.plot);
    if (groupDelay)
        state.SetLowerPane(kPaneDelay);
    state.ZoomAll();
    state.SetDataPoints(dataPoints);
    state.SetMarkers(markers);
    for (int c : hidden)
        state.SetShown(c, false);
    if (crosshairHz > 0) {
        s.plot->SetCrosshair(1);
        state.SetCrosshairX(LogicalX(crosshairHz));
    }

    // 0.001-inch painter units at 100 pixels per inch: ten units a pixel.
    constexpr int kUnit = 10;
    CColorTable colors;
    const bool printed = printMode >= 0;
    if (printed)
        colors.SetScheme(CColorTable::kSchemeBlackOnWhite);
    SvgPainter painter(&colors);
    painter.SetPixelsPerInch(100);
    const LogRect area{0, height * kUnit, width * kUnit, 0};
    painter.SetPageArea(area);
    painter.SetBackground(colors.GetColor(kPlotColorBackground));
    CPlotPainter pp(*s.plot, state, kUnit);
    if (printed) {
        if (page > CPlotPainter::PageCount(printMode))
            return UsageError("--page 2 exists in print mode 0 only");
        PlotTitleBlock title{s.doc.Summary().GetTitle(), s.doc.GetDeviceType(),
                             PlotDateText(static_cast<long long>(std::time(nullptr)))};
        if (title.title.empty())
            title.title = in.substr(in.find_last_of('/') + 1);
        pp.DrawPage(painter, area, printMode, page - 1, title);
    } else {
        pp.DrawWindow(painter, area);
    }
    const std::string svg = painter.Document();
    if (format == "svg")
        return WriteOut(out, svg) ? 0 : 1;
    std::string error;
    if (!RenderSvgToFile(svg, out, format == "pdf", width, height, &error)) {
        std::fprintf(stderr, "Kalidor: cannot write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kalidor::cli
