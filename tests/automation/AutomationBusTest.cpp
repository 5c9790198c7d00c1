// The automation server on a bus of the test's own: a private dbus-daemon whose service folder
// holds this build's service file, and real kalidor processes (started by the bus or by the
// test) driven by name as any client drives them.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QXmlStreamReader>
#include <algorithm>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include "app/AutomationServer.h"
#include "app/KalidorApp.h"
#include "application/ActiveObjectRegistry.h"
#include "application/MacroCatalog.h"

using namespace kalidor;

namespace {

const QString kBus = QLatin1String(kAutomationBusName);
const QString kApp = QLatin1String(kApplicationPath);
const QString kAppIf = QLatin1String(kApplicationInterface);
const QString kDocIf = QLatin1String(kSchematicInterface);
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

// The introspection of one interface as a list of lines: its properties, methods and arguments
// in order, so that two texts compare equal whatever their layout and comments.
QStringList InterfaceOutline(const QString& xml, const QString& interfaceName)
{
    QStringList lines;
    QXmlStreamReader r(xml);
    bool inside = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const auto a = r.attributes();
            if (r.name() == QLatin1String("interface"))
                inside = a.value(QLatin1String("name")) == interfaceName;
            else if (inside)
                lines << QStringLiteral("%1 %2 %3 %4 %5")
                             .arg(r.name().toString(), a.value(QLatin1String("name")).toString(),
                                  a.value(QLatin1String("type")).toString(), a.value(QLatin1String("direction")).toString(),
                                  a.value(QLatin1String("access")).toString());
        } else if (r.isEndElement() && r.name() == QLatin1String("interface")) {
            inside = false;
        }
    }
    return lines;
}

QString ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

class AutomationBusTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_registryName;
    QDBusConnection m_conn{QString()};
    QList<QProcess*> m_instances;

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("cache")));
        env.insert(QLatin1String(kRegistryNameVariable), m_registryName);
        if (!m_address.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        return env;
    }

    QDBusMessage Call(const QString& service, const QString& path, const QString& iface, const QString& member,
                      const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, member);
        m.setArguments(args);
        return m_conn.call(m, QDBus::Block, 30000);
    }
    QVariant Value(const QDBusMessage& reply)
    {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().front();
    }
    QVariant Get(const QString& service, const QString& path, const QString& iface, const QString& name)
    {
        const QVariant v = Value(Call(service, path, kProps, QStringLiteral("Get"), {iface, name}));
        return v.value<QDBusVariant>().variant();
    }
    QDBusMessage Set(const QString& service, const QString& path, const QString& name, const QVariant& value)
    {
        return Call(service, path, kProps, QStringLiteral("Set"), {kDocIf, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QString ActiveDocument(const QString& service = kBus)
    {
        return Get(service, kApp, kAppIf, QStringLiteral("ActiveDocument")).value<QDBusObjectPath>().path();
    }
    // A schematic method's result as a number.
    QVariant DocCall(const QString& path, const char* member, const QVariantList& args = {})
    {
        return Value(Call(kBus, path, kDocIf, QLatin1String(member), args));
    }
    // The numbers of the open schematics of the owner of `service`.
    int SchematicCount(const QString& service = kBus)
    {
        const QString xml = Value(Call(service, QLatin1String(kSchematicPathPrefix),
                                       QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")))
                                .toString();
        return int(xml.count(QRegularExpression(QStringLiteral("<node name=\"\\d+\""))));
    }
    uint PidOf(const QString& service)
    {
        return m_conn.interface()->servicePid(service).value();
    }
    QString Owner() { return m_conn.interface()->serviceOwner(kBus).value(); }
    // Waits until `condition` holds (the instances answer each other's signals in their own time).
    template <class F>
    bool WaitFor(F condition, int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
    // Starts kalidor with `args` and returns its unique name on the bus once its objects answer.
    QString StartInstance(const QStringList& args)
    {
        auto* p = new QProcess(this);
        p->setProcessEnvironment(Environment());
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(KALIDOR_BIN_DIR "/kalidor"), args);
        if (!p->waitForStarted())
            return {};
        m_instances << p;
        QString name;
        WaitFor([&] {
            for (const QString& n : m_conn.interface()->registeredServiceNames().value())
                if (n.startsWith(QLatin1Char(':')) && PidOf(n) == uint(p->processId()) &&
                    Call(n, kApp, kProps, QStringLiteral("Get"), {kAppIf, QStringLiteral("ActiveDocument")}).type() ==
                        QDBusMessage::ReplyMessage)
                    name = n;
            // Started with a design, it is ready once that design's schematic is active.
            return !name.isEmpty() && (CommandLineFiles(args).isEmpty() || ActiveDocument(name) != QLatin1String("/"));
        });
        return name;
    }
    QString Example(const QString& name)
    {
        const QString target = m_dir.filePath(name);
        QFile::remove(target);
        QFile::copy(QStringLiteral(KALIDOR_SOURCE_DIR "/support/examples/") + name, target);
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return target;
    }
    // Ends every kalidor on the bus (those the bus started too).
    void KillInstances()
    {
        for (const QString& n : m_conn.interface()->registeredServiceNames().value())
            if (n.startsWith(QLatin1Char(':')) && n != m_conn.baseService()) {
                const uint pid = PidOf(n);
                if (pid && pid != uint(getpid()) && pid != uint(m_daemon.processId()))
                    ::kill(pid_t(pid), SIGKILL);
            }
        for (QProcess* p : m_instances)
            p->waitForFinished(5000);
        qDeleteAll(m_instances);
        m_instances.clear();
        WaitFor([&] { return Owner().isEmpty(); }, 5000);
        CActiveObjectRegistry registry(m_registryName.toStdString());
        for (std::uint32_t id : registry.Ids())
            registry.Remove(id);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_registryName = QStringLiteral("KalidorBusTest_%1").arg(getpid());
        QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral(
                    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                    "<busconfig><type>session</type><listen>unix:dir=%1</listen><servicedir>%2</servicedir>\n"
                    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                    .arg(m_dir.path(), QStringLiteral(KALIDOR_SERVICE_DIR))
                    .toUtf8());
        f.close();
        m_daemon.setProcessEnvironment(Environment());
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_conn = QDBusConnection::connectToBus(m_address, QStringLiteral("test"));
        QVERIFY(m_conn.isConnected());
    }

    void cleanupTestCase()
    {
        KillInstances();
        m_conn = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(QStringLiteral("test"));
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
        CActiveObjectRegistry(m_registryName.toStdString()).Unlink();
    }

    void cleanup() { KillInstances(); }

    // A client asking for the name starts kalidor through the service file; started so, it
    // opens no file.
    void startedByTheBus()
    {
        QVERIFY(Owner().isEmpty());
        QCOMPARE(ActiveDocument(), QStringLiteral("/"));
        const QString owner = Owner();
        QVERIFY(!owner.isEmpty());
        QCOMPARE(SchematicCount(), 0);
        const QString cmdline = ReadFile(QStringLiteral("/proc/%1/cmdline").arg(PidOf(owner)));
        QVERIFY2(cmdline.contains(QLatin1String("--automation")), qPrintable(cmdline));
    }

    void introspectionIsTheShippedDescription()
    {
        QCOMPARE(Value(Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelA")})).toInt(), 0);
        const QString doc = ActiveDocument();
        QVERIFY(doc.startsWith(QLatin1String(kSchematicPathPrefix) + QLatin1Char('/')));
        const QString intro = QStringLiteral("org.freedesktop.DBus.Introspectable");
        struct {
            QString path, iface, file;
        } objects[] = {{kApp, kAppIf, QStringLiteral("KalidorRezirer.Application.xml")},
                       {doc, kDocIf, QStringLiteral("KalidorRezirer.Schematic.xml")}};
        for (const auto& o : objects) {
            const QString running = Value(Call(kBus, o.path, intro, QStringLiteral("Introspect"))).toString();
            const QStringList shipped = InterfaceOutline(ReadFile(QStringLiteral(KALIDOR_SOURCE_DIR "/support/dbus/") + o.file), o.iface);
            QVERIFY(shipped.size() > 5);
            QCOMPARE(InterfaceOutline(running, o.iface), shipped);
        }
        // 13 properties and 33 methods, in order, on the schematic.
        const QStringList doc_ = InterfaceOutline(ReadFile(QStringLiteral(KALIDOR_SOURCE_DIR "/support/dbus/KalidorRezirer.Schematic.xml")), kDocIf);
        QCOMPARE(doc_.filter(QRegularExpression(QStringLiteral("^property "))).size(), 13);
        QCOMPARE(doc_.filter(QRegularExpression(QStringLiteral("^method "))).size(), 33);
        QVERIFY(doc_.front().startsWith(QLatin1String("property ActiveCurve n")));
        QVERIFY(doc_.back().startsWith(QLatin1String("arg result n out")));  // Close → I2
    }

    void newDocumentTakesExactDeviceTypeNamesOnly()
    {
        QVERIFY(!StartInstance({QStringLiteral("--automation")}).isEmpty());
        QCOMPARE(SchematicCount(), 0);
        for (const char* text : {"zela", "ZELA", "ZelF", "", " ZelA", "ZelA "}) {
            const QDBusMessage r = Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QLatin1String(text)});
            QCOMPARE(r.signature(), QStringLiteral("n"));
            QCOMPARE(Value(r).toInt(), 0);
        }
        QCOMPARE(SchematicCount(), 0);
        QCOMPARE(ActiveDocument(), QStringLiteral("/"));
        for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
            Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QLatin1String(type)});
            QCOMPARE(Get(kBus, ActiveDocument(), kDocIf, QStringLiteral("DeviceType")).toString(), QLatin1String(type));
        }
        QCOMPARE(SchematicCount(), 5);
    }

    void symbolValuesThroughTheBus()
    {
        QVERIFY(!StartInstance({QStringLiteral("--automation")}).isEmpty());
        Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelA")});
        const QString d = ActiveDocument();
        const short gainKey = 4, capKey = 6, uesKey = 8;
        // The gain is brought into -10..10 and 0 becomes 1.
        const struct { short in, stored; } gains[] = {{0, 1}, {25, 10}, {-25, -10}, {-3, -3}, {7, 7}};
        for (const auto& g : gains) {
            const QDBusMessage r = Call(kBus, d, kDocIf, QStringLiteral("SetGainValue"), {QVariant::fromValue(gainKey), QVariant::fromValue(g.in)});
            QCOMPARE(r.signature(), QStringLiteral("n"));
            QCOMPARE(Value(r).toInt(), 0);
            QCOMPARE(DocCall(d, "GetGainValue", {QVariant::fromValue(gainKey)}).toInt(), int(g.stored));
        }
        // SetCapValue asks for the setting nearest to the scaled value 63662.
        const int nearest = DocCall(d, "GetNearestCapIndex", {QVariant::fromValue(63662)}).toInt();
        QVERIFY(nearest > 0);
        QVERIFY(Call(kBus, d, kDocIf, QStringLiteral("SetCapValue"), {QVariant::fromValue(capKey), QVariant::fromValue(6.3662e-12)})
                    .arguments()
                    .isEmpty());
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(capKey)}).toInt(), nearest);
        // ... which is nearer to it than the settings on either side.
        auto distance = [&](int index) {
            DocCall(d, "SetSymValue", {QVariant::fromValue(capKey), QVariant::fromValue(index)});
            return qAbs(DocCall(d, "GetScaledCapValue", {QVariant::fromValue(capKey)}).toInt() - 63662);
        };
        const int best = distance(nearest);
        QVERIFY(best < 63662 / 5);
        QVERIFY(distance(nearest - 1) > best);
        QVERIFY(distance(nearest + 1) > best);
        // SetScaledCapValue picks the same setting.
        DocCall(d, "SetScaledCapValue", {QVariant::fromValue(capKey), QVariant::fromValue(0)});
        QVERIFY(DocCall(d, "GetSymValue", {QVariant::fromValue(capKey)}).toInt() != nearest);
        DocCall(d, "SetScaledCapValue", {QVariant::fromValue(capKey), QVariant::fromValue(63662)});
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(capKey)}).toInt(), nearest);
        // GetValue gives the low 16 bits (signed), GetSymValue the whole value: the 21-bit UES of
        // a ZelD.
        Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelD")});
        const QString zelD = ActiveDocument();
        QCOMPARE(DocCall(zelD, "SetSymValue", {QVariant::fromValue(uesKey), QVariant::fromValue(0x1C001)}).toInt(), 0);
        QCOMPARE(DocCall(zelD, "GetSymValue", {QVariant::fromValue(uesKey)}).toInt(), 0x1C001);
        const QDBusMessage low = Call(kBus, zelD, kDocIf, QStringLiteral("GetValue"), {QVariant::fromValue(uesKey)});
        QCOMPARE(low.signature(), QStringLiteral("n"));
        QCOMPARE(Value(low).toInt(), int(qint16(0xC001)));
        // SetValue (unmarked) returns 0 as a 32-bit integer; the value is set.
        const QDBusMessage sv = Call(kBus, d, kDocIf, QStringLiteral("SetValue"), {QVariant::fromValue(gainKey), QVariant::fromValue(2)});
        QCOMPARE(sv.signature(), QStringLiteral("i"));
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(gainKey)}).toInt(), 2);
        // Arguments of another integer width are taken when they fit; others are refused.
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(int(gainKey))}).toInt(), 2);
        // A cell written and read back.
        const int before = DocCall(d, "E2_GetValue", {QVariant::fromValue(short(3))}).toInt();
        Call(kBus, d, kDocIf, QStringLiteral("E2_SetValue"), {QVariant::fromValue(short(3)), QVariant::fromValue(1 - before)});
        QCOMPARE(DocCall(d, "E2_GetValue", {QVariant::fromValue(short(3))}).toInt(), 1 - before);
        const QDBusMessage tooBig = Call(kBus, d, kDocIf, QStringLiteral("GetSymValue"), {QVariant::fromValue(70000)});
        QCOMPARE(tooBig.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        const QDBusMessage text = Call(kBus, d, kDocIf, QStringLiteral("SetSymValue"), {QStringLiteral("4"), QStringLiteral("2")});
        QCOMPARE(text.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        QCOMPARE(Call(kBus, d, kDocIf, QStringLiteral("NoSuchMember")).errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
        QCOMPARE(Call(kBus, QLatin1String(kSchematicPathPrefix) + QStringLiteral("/999"), kDocIf, QStringLiteral("Show")).errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    }

    void propertiesSummaryImportAndExport()
    {
        const QString file = Example(QStringLiteral("ZelA_GainStage.ZEL"));
        QVERIFY(!StartInstance({file}).isEmpty());
        const QString d = ActiveDocument();
        // Read-only properties refuse a write as not supported.
        for (const auto& [name, value] : {std::pair{QStringLiteral("DeviceType"), QVariant(QStringLiteral("ZelB"))},
                                          std::pair{QStringLiteral("Application"), QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))}}) {
            const QDBusMessage r = Set(kBus, d, name, value);
            QCOMPARE(r.errorName(), QLatin1String(kErrorNotSupported));
            QCOMPARE(r.errorMessage(), QStringLiteral("not supported"));
        }
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelA"));
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("Application")).value<QDBusObjectPath>().path(), kApp);
        // The summary fields are written and read back empty; the design holds what was set.
        QVERIFY(Set(kBus, d, QStringLiteral("Title"), QStringLiteral("Bus title")).errorName().isEmpty());
        QVERIFY(Set(kBus, d, QStringLiteral("Comments"), QStringLiteral("Set over the bus")).errorName().isEmpty());
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("Title")).toString(), QString());
        // The curve properties.
        QVERIFY(Set(kBus, d, QStringLiteral("ActiveCurve"), QVariant::fromValue(short(3))).errorName().isEmpty());
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("ActiveCurve")).toInt(), 3);
        QVERIFY(Set(kBus, d, QStringLiteral("GainPhaseFreqStart"), QVariant::fromValue(250)).errorName().isEmpty());
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("GainPhaseFreqStart")).toInt(), 250);
        QCOMPARE(DocCall(d, "SetGainPhaseRange", {QVariant::fromValue(short(2)), QVariant::fromValue(20), QVariant::fromValue(2000000)}).toInt(), 0);
        QCOMPARE(DocCall(d, "SetGainPhaseRange", {QVariant::fromValue(short(5)), QVariant::fromValue(20), QVariant::fromValue(2000)}).toInt(), -1);
        QVERIFY(Set(kBus, d, QStringLiteral("ActiveCurve"), QVariant::fromValue(short(2))).errorName().isEmpty());
        QCOMPARE(Get(kBus, d, kDocIf, QStringLiteral("GainPhaseFreqEnd")).toInt(), 2000000);
        const QVariantMap all = qdbus_cast<QVariantMap>(Value(Call(kBus, d, kProps, QStringLiteral("GetAll"), {kDocIf})));
        QCOMPARE(all.size(), 13);
        QCOMPARE(all.value(QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelA"));
        // Import and Export return 0 and leave the design as it was.
        const QString a = m_dir.filePath(QStringLiteral("a.ZEL")), b = m_dir.filePath(QStringLiteral("b.ZEL"));
        QCOMPARE(DocCall(d, "SaveAs", {a}).toInt(), 0);
        for (const char* member : {"Import", "Export"}) {
            const QDBusMessage r = Call(kBus, d, kDocIf, QLatin1String(member), {QVariant::fromValue(short(1)), QVariant::fromValue(short(2)), a});
            QCOMPARE(r.signature(), QStringLiteral("i"));
            QCOMPARE(Value(r).toInt(), 0);
        }
        QCOMPARE(DocCall(d, "SaveAs", {b}).toInt(), 0);
        const QString saved = ReadFile(a);
        QVERIFY(saved.contains(QLatin1String("<Title>Bus title</Title>")));
        QVERIFY(saved.contains(QLatin1String("Set over the bus")));
        QCOMPARE(ReadFile(b), saved);
        // Show does nothing; UpdateViews and ShowWindow answer without a result.
        for (const char* member : {"Show", "ShowWindow", "UpdateViews"})
            QCOMPARE(Call(kBus, d, kDocIf, QLatin1String(member)).type(), QDBusMessage::ReplyMessage);
        // The members that do nothing answer 0.
        for (const char* member : {"DownloadNoPrgm", "PerformTRBOT", "PerformTRTOP", "DownloadMan", "DownloadManNoPrgm"})
            QCOMPARE(DocCall(d, member).toInt(), 0);
        // Close closes this schematic (saved: no question).
        QCOMPARE(DocCall(d, "Close").toInt(), 0);
        QVERIFY(WaitFor([&] { return SchematicCount() == 0; }));
        QCOMPARE(ActiveDocument(), QStringLiteral("/"));
    }

    // JTAG chains: a new chain from the application object, the example chain built through the
    // chain object with the sums the window shows, an embedded schematic as a schematic object,
    // saving and closing.
    void jtagChainObjects()
    {
        QVERIFY(!StartInstance({QStringLiteral("--automation")}).isEmpty());
        const QString kChainIf = QLatin1String(kChainInterface);
        auto path = [](const QVariant& v) { return v.value<QDBusObjectPath>().path(); };
        QCOMPARE(path(Get(kBus, kApp, kAppIf, QStringLiteral("ActiveChain"))), QStringLiteral("/"));
        const QString c = path(Value(Call(kBus, kApp, kAppIf, QStringLiteral("NewChain"))));
        QVERIFY(c.startsWith(QLatin1String(kChainPathPrefix) + QLatin1Char('/')));
        QCOMPARE(path(Get(kBus, kApp, kAppIf, QStringLiteral("ActiveChain"))), c);
        const QString running = Value(Call(kBus, c, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                           QStringLiteral("Introspect")))
                                    .toString();
        const QStringList shipped =
            InterfaceOutline(ReadFile(QStringLiteral(KALIDOR_SOURCE_DIR "/support/dbus/KalidorRezirer.JTAGChain.xml")), kChainIf);
        QVERIFY(shipped.size() > 5);
        QCOMPARE(InterfaceOutline(running, kChainIf), shipped);

        auto call = [&](const char* member, const QVariantList& args = {}) {
            return Value(Call(kBus, c, kChainIf, QLatin1String(member), args));
        };
        auto n = [](int v) { return QVariant::fromValue(short(v)); };
        QCOMPARE(Get(kBus, c, kChainIf, QStringLiteral("Count")).toInt(), 2);
        QCOMPARE(call("InsertZelDevice", {n(1), QStringLiteral("A"), QStringLiteral("ZelA")}).toInt(), 1);
        QCOMPARE(call("InsertForeignDevice", {n(2), QStringLiteral("F"), n(8)}).toInt(), 2);
        QCOMPARE(call("InsertZelDevice", {n(3), QStringLiteral("C"), QStringLiteral("ZelC")}).toInt(), 3);
        QCOMPARE(call("InsertZelDevice", {n(1), QStringLiteral("X"), QStringLiteral("ZelF")}).toInt(), -1);
        QCOMPARE(Get(kBus, c, kChainIf, QStringLiteral("Count")).toInt(), 5);
        QCOMPARE(Get(kBus, c, kChainIf, QStringLiteral("Modified")).toInt(), 1);
        const QList<int> sums{call("GetHIRSum", {n(1)}).toInt(), call("GetTIRSum", {n(1)}).toInt(),
                              call("GetHDRSum", {n(1)}).toInt(), call("GetTDRSum", {n(1)}).toInt(),
                              call("GetTIRSum", {n(2)}).toInt(), call("GetHIRSum", {n(2)}).toInt(),
                              call("GetTIRSum", {n(3)}).toInt()};
        QCOMPARE(sums, (QList<int>{14, 0, 2, 0, 5, 6, 13}));
        QCOMPARE(call("GetName", {n(0)}).toString(), QStringLiteral("[Chain TDI]"));
        QCOMPARE(call("GetDeviceType", {n(2)}).toString(), QStringLiteral("Foreign Device"));
        QCOMPARE(call("GetIRLength", {n(3)}).toInt(), 6);
        QCOMPARE(call("GetIRLength", {n(9)}).toInt(), -1);
        QCOMPARE(call("GetName", {n(9)}).toString(), QString());

        // Rename and delete, and the sums that follow.
        QCOMPARE(call("RenameDevice", {n(2), QStringLiteral("Jtag")}).toInt(), 1);
        QCOMPARE(call("GetName", {n(2)}).toString(), QStringLiteral("Jtag"));
        QCOMPARE(call("DeleteDevice", {n(2)}).toInt(), 1);
        QCOMPARE(call("GetTIRSum", {n(2)}).toInt(), 5);

        // The embedded schematic is a schematic object of its own.
        const QString s = path(call("OpenSchematic", {n(2)}));
        QVERIFY(s.startsWith(QLatin1String(kSchematicPathPrefix) + QLatin1Char('/')));
        QCOMPARE(Get(kBus, s, kDocIf, QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelC"));
        QCOMPARE(ActiveDocument(), s);
        QCOMPARE(path(call("OpenSchematic", {n(2)})), s);  // already open: the same window

        // Save As, then Save; Close once the schematic is closed.
        const QString file = m_dir.filePath(QStringLiteral("bus.ZJC"));
        QCOMPARE(call("Save").toInt(), 0);  // untitled: nothing is asked, nothing saved
        QCOMPARE(call("SaveAs", {file}).toInt(), 1);
        QVERIFY(QFile::exists(file));
        QCOMPARE(Get(kBus, c, kChainIf, QStringLiteral("FullName")).toString(), file);
        QCOMPARE(Get(kBus, c, kChainIf, QStringLiteral("Modified")).toInt(), 0);
        QCOMPARE(call("Save").toInt(), 1);
        Call(kBus, s, kDocIf, QStringLiteral("Close"));
        QVERIFY(WaitFor([&] { return SchematicCount() == 0; }));
        call("Close");
        QVERIFY(WaitFor([&] {
            return Call(kBus, c, kChainIf, QStringLiteral("GetName"), {n(0)}).type() == QDBusMessage::ErrorMessage;
        }));
    }

    void simulationAndFilterTable()
    {
        QVERIFY(!StartInstance({QStringLiteral("--automation")}).isEmpty());
        Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelD")});
        const QString d = ActiveDocument();
        QCOMPARE(DocCall(d, "RunGainPhaseSim").toInt(), 0);
        QCOMPARE(DocCall(d, "LoadFilterTable").toInt(), 1);
        // Entry 1 of the table into configuration B: keys 12..18, 19 and 65; A stays as it was.
        const int a0 = DocCall(d, "GetSymValue", {QVariant::fromValue(short(0))}).toInt();
        const QDBusMessage r = Call(kBus, d, kDocIf, QStringLiteral("CopyFilterToSchematic"), {QVariant::fromValue(short(1)), QVariant::fromValue(short(1))});
        QCOMPARE(r.signature(), QStringLiteral("i"));
        QCOMPARE(Value(r).toInt(), 65);
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(short(65))}).toInt(), 1);
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(short(0))}).toInt(), a0);
    }

    // The Python macro that comes with Kalidor, run against a real instance.
    void userDefinedMacroInPython()
    {
        const QString macro = QStringLiteral(KALIDOR_SOURCE_DIR "/support/UserDefinedMacro/ZelA_Lowpass.py");
        if (QProcess::execute(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import dbus")}) != 0)
            QSKIP("python3-dbus is not installed");
        auto run = [&](QString* output) {
            QProcess p;
            QProcessEnvironment env = Environment();
            p.setProcessEnvironment(env);
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(macro, {QLatin1String(kMacroArgument)});
            p.waitForFinished(60000);
            *output = QString::fromUtf8(p.readAll());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        // No schematic active: the macro says so and fails.
        QVERIFY(!StartInstance({QStringLiteral("--automation")}).isEmpty());
        QString out;
        QCOMPARE(run(&out), 1);
        QVERIFY2(out.contains(QLatin1String("No schematic is active")), qPrintable(out));
        // A new design has never been saved: the macro does its work and says it could not save
        // (no dialog keeps it waiting).
        Call(kBus, kApp, kAppIf, QStringLiteral("NewDocument"), {QStringLiteral("ZelA")});
        QCOMPARE(run(&out), 0);
        QVERIFY2(out.contains(QLatin1String("not saved: Design1 has never been saved")), qPrintable(out));
        QCOMPARE(DocCall(ActiveDocument(), "GetSymValue", {QVariant::fromValue(short(9))}).toInt(), 1);
        KillInstances();

        const QString file = Example(QStringLiteral("ZelA_GainStage.ZEL"));
        const QString before = ReadFile(file);
        QVERIFY(!StartInstance({file}).isEmpty());
        QCOMPARE(run(&out), 0);
        QVERIFY2(out.contains(QLatin1String("saved")), qPrintable(out));
        const QString d = ActiveDocument();
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(short(9))}).toInt(), 1);
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(short(3))}).toInt(), 0);
        QCOMPARE(DocCall(d, "GetGainValue", {QVariant::fromValue(short(4))}).toInt(), 1);
        // 1 / (2 pi 250 kOhm 10 kHz) = 63.66 pF, the nearest setting.
        QCOMPARE(DocCall(d, "GetSymValue", {QVariant::fromValue(short(6))}).toInt(),
                 DocCall(d, "GetNearestCapIndex", {QVariant::fromValue(636620)}).toInt());
        const QString after = ReadFile(file);
        QVERIFY(after != before);
        QVERIFY(after.contains(QLatin1String("<Title>First-order low-pass, 10 kHz</Title>")));
    }

    // Of several instances, the one whose schematic was activated last owns the name; a crashed
    // one does not keep the list from moving on.
    void lastActivatedInstanceOwnsTheName()
    {
        const QString a = StartInstance({Example(QStringLiteral("ZelA_GainStage.ZEL"))});
        QVERIFY(WaitFor([&] { return Owner() == a; }));
        const QString b = StartInstance({Example(QStringLiteral("ZelB_Comparator.ZEL"))});
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QVERIFY(WaitFor([&] { return Owner() == b; }));
        QCOMPARE(Get(kBus, ActiveDocument(), kDocIf, QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelB"));
        // A's schematic shown again: A comes to the top and takes the name.
        Call(a, ActiveDocument(a), kDocIf, QStringLiteral("ShowWindow"));
        QVERIFY(WaitFor([&] { return Owner() == a; }));
        CActiveObjectRegistry registry(m_registryName.toStdString());
        QVERIFY(registry.IsTop(PidOf(a)));
        QCOMPARE(Get(kBus, ActiveDocument(), kDocIf, QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelA"));
        // A dies without a word: its id stays on top until B pushes again, which drops it.
        const uint pidA = PidOf(a);
        ::kill(pid_t(pidA), SIGKILL);
        for (QProcess* p : m_instances)
            if (uint(p->processId()) == pidA)
                p->waitForFinished(5000);
        QVERIFY(WaitFor([&] { return Owner().isEmpty(); }));
        QVERIFY(registry.IsTop(pidA));
        Call(b, ActiveDocument(b), kDocIf, QStringLiteral("ShowWindow"));
        QVERIFY(WaitFor([&] { return Owner() == b; }));
        const auto ids = registry.Ids();
        QVERIFY(std::find(ids.begin(), ids.end(), pidA) == ids.end());
        // B's schematic closes: B leaves the list and gives the name up.
        QCOMPARE(DocCall(ActiveDocument(b), "Close").toInt(), 0);
        QVERIFY(WaitFor([&] { return registry.Ids().empty(); }));
    }

    // With 1000 ids in the list, a further instance cannot push its id and never registers.
    void theThousandAndFirstInstanceNeverRegisters()
    {
        const QString a = StartInstance({Example(QStringLiteral("ZelA_GainStage.ZEL"))});
        QVERIFY(WaitFor([&] { return Owner() == a; }));
        const uint pidA = PidOf(a);
        {
            // 999 entries of this (living) process below A.
            const QString name = QLatin1String("/") + m_registryName + QStringLiteral("_Scn");
            const int fd = shm_open(name.toLatin1().constData(), O_RDWR, 0600);
            QVERIFY(fd >= 0);
            auto* block = static_cast<std::uint32_t*>(mmap(nullptr, kRegistryBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
            ::close(fd);
            QVERIFY(block != MAP_FAILED);
            block[0] = kRegistryCapacity;
            for (int i = 0; i < kRegistryCapacity - 1; ++i)
                block[1 + i] = uint(getpid());
            block[kRegistryCapacity] = pidA;
            munmap(block, kRegistryBytes);
        }
        const QString b = StartInstance({Example(QStringLiteral("ZelB_Comparator.ZEL"))});
        QVERIFY(!b.isEmpty());
        QCOMPARE(Get(b, ActiveDocument(b), kDocIf, QStringLiteral("DeviceType")).toString(), QStringLiteral("ZelB"));
        Call(b, ActiveDocument(b), kDocIf, QStringLiteral("ShowWindow"));
        QTest::qWait(500);
        QCOMPARE(Owner(), a);
        CActiveObjectRegistry registry(m_registryName.toStdString());
        QVERIFY(registry.IsTop(pidA));
        const auto ids = registry.Ids();
        QVERIFY(std::find(ids.begin(), ids.end(), PidOf(b)) == ids.end());
    }
};

QTEST_GUILESS_MAIN(AutomationBusTest)
#include "AutomationBusTest.moc"
