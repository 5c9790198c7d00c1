// The raster output of kalidor-cli: PNG images and PDF pages of the SVG pictures it draws. Drawing
// them takes Qt's SVG renderer, so it lives in a small plugin library (kalidor-cli-raster.so beside
// the program, built when Qt 6 is found) that only the commands writing PNG or PDF load; every
// other command starts without the Qt libraries.
#pragma once

#include <cstddef>
#include <string>

extern "C" {
// The plugin's entry point: renders `svg` (svgSize bytes) at `width` x `height` pixels into a PNG
// file at `path`, or (pdf != 0) into a one-page PDF of the same proportions. Returns 1, or 0 with
// a reason in `error` (always terminated when errorSize > 0).
int KalidorRenderSvg(const char* svg, std::size_t svgSize, const char* path, int pdf, int width, int height,
                     char* error, std::size_t errorSize);
}

namespace kalidor::cli {

inline constexpr const char* kRasterPluginFile = "kalidor-cli-raster.so";
inline constexpr const char* kRasterEntryPoint = "KalidorRenderSvg";

// Loads the plugin (once); false with the reason in `error` when it cannot be loaded.
bool LoadRasterOutput(std::string* error);

// Renders through the plugin; false with a reason in `error` on failure.
bool RenderSvgToFile(const std::string& svg, const std::string& path, bool pdf, int width, int height,
                     std::string* error);

}  // namespace kalidor::cli
