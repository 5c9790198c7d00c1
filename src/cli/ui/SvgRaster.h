// Turns the SVG picture kalidor-cli draws into a PNG image or a PDF page with Qt's SVG renderer.
// Built into kalidor-cli only when Qt 6 is found.
#pragma once

#include <string>

namespace kalidor::cli {

// Renders `svg` at `width` x `height` pixels into a PNG file, or into a one-page PDF of the same
// proportions. False with a reason in `error` on failure.
bool RenderSvgToFile(const std::string& svg, const std::string& path, bool pdf, int width, int height,
                     std::string* error);

}  // namespace kalidor::cli
