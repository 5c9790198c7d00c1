// Times automation round trips against the running kalidor that owns the bus name, through the
// session bus, as a macro makes them: one SetSymValue and one GetSymValue of a new ZelA
// schematic per round trip, each call waiting for its reply. For comparison, the same client's
// round trip to the bus daemon alone (the floor of any call), a Ping that kalidor's bus
// connection answers without its main thread, and a GetSymValue alone. bench/automation.sh runs
// it on a bus of its own.
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
#include <functional>
#include <vector>

namespace {

const QString kBus = QStringLiteral("KalidorRezirer.Application");
const QString kApp = QStringLiteral("/KalidorRezirer/Application");
const QString kAppIf = QStringLiteral("KalidorRezirer.Application");
const QString kDocIf = QStringLiteral("KalidorRezirer.Schematic");

QDBusMessage Call(const QString& service, const QString& path, const QString& iface, const QString& member,
                  const QVariantList& args = {})
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, member);
    m.setArguments(args);
    return QDBusConnection::sessionBus().call(m);
}

// Times `rounds` runs of `round` (after 100 that warm up) and prints the figures; false when a
// round failed.
bool Time(const char* what, int rounds, const std::function<bool(int)>& round)
{
    std::vector<double> us;
    us.reserve(rounds);
    for (int i = -100; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        const bool ok = round(i);
        const double elapsed = t.nsecsElapsed() / 1000.0;
        if (!ok) {
            std::fprintf(stderr, "%s: round %d failed\n", what, i);
            return false;
        }
        if (i >= 0)
            us.push_back(elapsed);
    }
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double u : us)
        sum += u;
    std::printf("%-52s median %7.1f us, mean %7.1f us, 10%% %7.1f us, 90%% %7.1f us (%d rounds)\n", what,
                us[us.size() / 2], sum / us.size(), us[us.size() / 10], us[us.size() * 9 / 10], rounds);
    return true;
}

bool IsReply(const QDBusMessage& m) { return m.type() == QDBusMessage::ReplyMessage; }

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
    Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelA")});
    const QDBusMessage active = Call(kBus, kApp, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                     {kAppIf, QStringLiteral("ActiveDocument")});
    const QString doc = active.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    if (doc.isEmpty() || doc == QLatin1String("/")) {
        std::fprintf(stderr, "no schematic: %s\n", qPrintable(active.errorMessage()));
        return 1;
    }
    const QVariant key = QVariant::fromValue(short(6));  // the capacitor of block 1
    auto get = [&] { return Call(kBus, doc, kDocIf, QStringLiteral("GetSymValue"), {key}); };
    const bool ok =
        Time("Qt client: the bus daemon alone (GetId)", rounds, [](int) {
            return IsReply(Call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
        }) &&
        Time("Qt client: Peer.Ping of kalidor", rounds, [&](int) {
            return IsReply(Call(kBus, doc, QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
        }) &&
        Time("Qt client: GetSymValue", rounds, [&](int) { return IsReply(get()); }) &&
        Time("Qt client: SetSymValue + GetSymValue round trip", rounds, [&](int i) {
            const QDBusMessage set = Call(kBus, doc, kDocIf, QStringLiteral("SetSymValue"), {key, QVariant::fromValue(i & 127)});
            return IsReply(set) && get().arguments().value(0).toInt() == (i & 127);
        });
    return ok ? 0 : 1;
}
