// biquad: the biquad filter generator, a macro program that Kalidor starts with "/RunAsMacro".
#include <QApplication>

#include "biquad/BiquadWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("biquad"));
    auto window = biquad::StartBiquad(app.arguments().mid(1), QDBusConnection::sessionBus());
    if (!window)
        return 1;
    QObject::connect(window.get(), &QDialog::finished, &app, &QApplication::quit);
    return app.exec();
}
