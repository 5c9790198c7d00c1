#include "cli/ui/SvgRaster.h"

#include <cstdlib>
#include <memory>

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>

namespace kalidor::cli {

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

}  // namespace

bool RenderSvgToFile(const std::string& svg, const std::string& path, bool pdf, int width, int height,
                     std::string* error)
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

}  // namespace kalidor::cli
