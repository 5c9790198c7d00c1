// "render": the schematic of a design as the schematic view shows it after "Zoom All", with the
// current value texts and switch positions, written as an SVG picture.
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "view/ColorTable.h"
#include "document/SchDoc.h"
#include "platform/AtomicFile.h"
#include "view/DeviceSchematic.h"
#include "view/SvgPainter.h"
#include "view/ViewGeometry.h"

namespace kalidor::cli {

namespace {

constexpr const char* kRenderUsage =
    "render: usage: render FILE.ZEL --svg OUT.svg [--hit-areas] [--ppi N]";

}  // namespace

int RunRender(const Args& args)
{
    std::string in, out;
    bool hitAreas = false;
    int ppi = 100;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--svg") {
            if (i + 1 >= args.size())
                return UsageError("--svg needs a file name");
            out = args[++i];
        } else if (a == "--hit-areas") {
            hitAreas = true;
        } else if (a == "--ppi") {
            if (i + 1 >= args.size() || !ParseInt(args[i + 1], ppi) || ppi < 10 || ppi > 1200)
                return UsageError("--ppi needs a number from 10 to 1200");
            ++i;
        } else if (in.empty() && a.rfind("-", 0) != 0) {
            in = a;
        } else {
            return UsageError("render: unknown argument \"" + a + "\"");
        }
    }
    if (in.empty() || out.empty())
        return UsageError(kRenderUsage);

    CSchDoc doc;
    if (!doc.OnOpenDocument(in))
        return 1;
    CDeviceSchematic* schematic = doc.Schematic();
    if (!schematic)
        return 1;

    // The area "Zoom All" shows: the sheet grown to hold everything on it.
    const ViewRect all = SchematicExtent(*schematic);
    // The picture looks as the schematic window does: light texts on a dark background.
    CColorTable colors;
    UseScreenColors(colors);
    SvgPainter painter(&colors);
    painter.SetBackground(kScreenBackground);
    painter.SetPixelsPerInch(ppi);
    painter.SetPageArea({static_cast<int>(all.left), static_cast<int>(all.top),
                         static_cast<int>(all.right), static_cast<int>(all.bottom)});
    schematic->SetHighlighted(CSchematic::kNoSymbol);
    schematic->DrawAll(painter);
    if (hitAreas)
        schematic->DrawHitAreas(painter);

    std::string error;
    if (!WriteFileAtomically(out, painter.Document(), &error)) {
        std::fprintf(stderr, "Kalidor: cannot write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace kalidor::cli
