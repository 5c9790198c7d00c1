// Loading the raster output plugin (ui/SvgRaster.h) when a command first needs it.
#include <dlfcn.h>

#include <string>

#include "cli/ui/SvgRaster.h"
#include "platform/Paths.h"

namespace kalidor::cli {

namespace {

// The plugin beside the program (or in the installed program folder), loaded on first use and kept
// until the program ends.
struct RasterPlugin {
    decltype(&KalidorRenderSvg) render = nullptr;
    std::string error;

    RasterPlugin()
    {
        const std::string path = ProgramFile(kRasterPluginFile);
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* reason = dlerror();
            error = reason ? reason : path;
            return;
        }
        render = reinterpret_cast<decltype(&KalidorRenderSvg)>(dlsym(library, kRasterEntryPoint));
        if (!render) error = path + " has no " + kRasterEntryPoint;
    }
};

const RasterPlugin& Plugin()
{
    static const RasterPlugin plugin;
    return plugin;
}

}  // namespace

bool LoadRasterOutput(std::string* error)
{
    if (Plugin().render) return true;
    if (error) *error = Plugin().error;
    return false;
}

bool RenderSvgToFile(const std::string& svg, const std::string& path, bool pdf, int width, int height,
                     std::string* error)
{
    if (!LoadRasterOutput(error)) return false;
    char reason[512] = "";
    if (Plugin().render(svg.data(), svg.size(), path.c_str(), pdf ? 1 : 0, width, height, reason, sizeof reason))
        return true;
    if (error) *error = reason;
    return false;
}

}  // namespace kalidor::cli
