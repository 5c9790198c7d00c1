// The plugin library kalidor-cli-raster.so: Qt's SVG renderer behind one C entry point.
#include "cli/ui/SvgRaster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>

namespace {

// Texts need a GUI application for their fonts; a command-line program has no display, so
// the offscreen platform is used unless the caller chose one.
void EnsureApplication()
{
    if (QGuiApplication::instance())
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "kalidor-cli";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app(new QGuiApplication(argc, argv));
}

bool Render(const std::string& svg, const std::string& path, bool pdf, int width, int height, std::string* error)
{
    EnsureApplication();
    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    if (!renderer.isValid()) {
        *error = "the picture could not be read back";
        return false;
    }
    const QString file = QString::fromLocal8Bit(path.c_str());
    if (pdf) {
        QPdfWriter writer(file);
        writer.setResolution(100);
        writer.setPageSize(QPageSize(QSizeF(width / 100.0, height / 100.0), QPageSize::Inch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setCreator(QStringLiteral("Kalidor"));
        QPainter p;
        if (!p.begin(&writer)) {
            *error = "the file could not be created";
            return false;
        }
        renderer.render(&p, QRectF(0, 0, writer.width(), writer.height()));
        p.end();
        return true;
    }
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    renderer.render(&p, QRectF(0, 0, width, height));
    p.end();
    if (!image.save(file, "PNG")) {
        *error = "the file could not be written";
        return false;
    }
    return true;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int KalidorRenderSvg(const char* svg, std::size_t svgSize,
                                                                       const char* path, int pdf, int width,
                                                                       int height, char* error,
                                                                       std::size_t errorSize)
{
    std::string reason;
    const bool ok = Render(std::string(svg, svgSize), path, pdf != 0, width, height, &reason);
    if (error && errorSize > 0) {
        const std::size_t n = std::min(reason.size(), errorSize - 1);
        std::memcpy(error, reason.data(), n);
        error[n] = '\0';
    }
    return ok ? 1 : 0;
}
