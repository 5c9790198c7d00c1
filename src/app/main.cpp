// kalidor: the interactive design program for the Zel devices.
#include <QApplication>

#include "app/KalidorApp.h"
#include "app/QtSettings.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(kalidor::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(kalidor::kApplication));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));

    kalidor::CKalidorApp kalidorApp;
    if (!kalidorApp.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    return QApplication::exec();
}
