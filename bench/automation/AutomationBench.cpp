// Times automation round trips against the running kalidor that owns the bus name: one
// SetSymValue and one GetSymValue of a new ZelA schematic per round trip, through the session
// bus, as a macro makes them. bench/automation.sh runs it on a bus of its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kBus = QStringLiteral("KalidorRezirer.Application");
const QString kApp = QStringLiteral("/KalidorRezirer/Application");
const QString kAppIf = QStringLiteral("KalidorRezirer.Application");
const QString kDocIf = QStringLiteral("KalidorRezirer.Schematic");

QDBusMessage Call(const QString& path, const QString& iface, const QString& member, const QVariantList& args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kBus, path, iface, member);
    m.setArguments(args);
    return QDBusConnection::sessionBus().call(m);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QElapsedTimer wait;
    wait.start();
    while (!bus.interface()->isServiceRegistered(kBus).value()) {
        if (wait.elapsed() > 20000) {
            std::fprintf(stderr, "kalidor does not own %s on this bus\n", qPrintable(kBus));
            return 1;
        }
        QThread::msleep(20);
    }
    Call(kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelA")});
    const QDBusMessage active = Call(kApp, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                     {kAppIf, QStringLiteral("ActiveDocument")});
    const QString doc = active.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    if (doc.isEmpty() || doc == QLatin1String("/")) {
        std::fprintf(stderr, "no schematic: %s\n", qPrintable(active.errorMessage()));
        return 1;
    }
    const QVariant key = QVariant::fromValue(short(6));  // the capacitor of block 1
    std::vector<double> us;
    us.reserve(rounds);
    for (int i = -100; i < rounds; ++i) {  // the first 100 warm up
        QElapsedTimer t;
        t.start();
        const QDBusMessage set = Call(doc, kDocIf, QStringLiteral("SetSymValue"), {key, QVariant::fromValue(i & 127)});
        const QDBusMessage get = Call(doc, kDocIf, QStringLiteral("GetSymValue"), {key});
        const double elapsed = t.nsecsElapsed() / 1000.0;
        if (set.type() != QDBusMessage::ReplyMessage || get.arguments().value(0).toInt() != (i & 127)) {
            std::fprintf(stderr, "round trip %d failed: %s\n", i, qPrintable(set.errorMessage() + get.errorMessage()));
            return 1;
        }
        if (i >= 0)
            us.push_back(elapsed);
    }
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double u : us)
        sum += u;
    std::printf("SetSymValue + GetSymValue round trip over the bus, %d rounds: median %.1f us, mean %.1f us, "
                "10%% %.1f us, 90%% %.1f us\n",
                rounds, us[us.size() / 2], sum / us.size(), us[us.size() / 10], us[us.size() * 9 / 10]);
    return 0;
}
