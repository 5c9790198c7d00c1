// The automation server inside this test's own process, on a private dbus-daemon: clients on
// connections of their own call it as macros do, while the test looks at the main window's
// documents and their history directly. (The bus tests in tests/automation drive separate kalidor
// processes.) A client here waits for its reply with the event loop running, as the server
// answers on this process's main thread.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>
#include <unistd.h>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "app/AutomationServer.h"
#include "app/MainWindow.h"
#include "application/ActiveObjectRegistry.h"
#include "biquad/BiquadGenerator.h"
#include "document/SchDoc.h"
#include "document/ui/SchDocument.h"

namespace kalidor::test {

namespace {

const QString kDocIf = QLatin1String(kSchematicInterface);

// One client of the server: its own connection to the bus.
class Client {
public:
    Client(const QString& address, const QString& name) : m_name(name), m_bus(QDBusConnection::connectToBus(address, name)) {}
    ~Client() { QDBusConnection::disconnectFromBus(m_name); }
    bool Connected() const { return m_bus.isConnected(); }

    QDBusMessage Call(const QString& path, const QString& iface, const QString& member, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(kAutomationBusName), path, iface, member);
        m.setArguments(args);
        QDBusPendingCall pending = m_bus.asyncCall(m, 10000);
        QElapsedTimer t;
        t.start();
        while (!pending.isFinished() && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return pending.reply();
    }
    QDBusMessage Doc(const QString& path, const char* member, const QVariantList& args = {})
    {
        return Call(path, kDocIf, QLatin1String(member), args);
    }
    QDBusMessage SetProperty(const QString& path, const char* name, const QVariant& value)
    {
        return Call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                    {kDocIf, QLatin1String(name), QVariant::fromValue(QDBusVariant(value))});
    }

private:
    QString m_name;
    QDBusConnection m_bus;
};

// The biquad generator's calls made by a client of this process.
class BusBiquadDocument : public biquad::CBiquadDocument {
public:
    BusBiquadDocument(Client& client, QString path) : m_client(client), m_path(std::move(path)) {}
    void SetSymValue(int key, int value) override { Check(m_client.Doc(m_path, "SetSymValue", {I2(key), QVariant(value)})); }
    void SetGainValue(int key, int gain) override { Check(m_client.Doc(m_path, "SetGainValue", {I2(key), I2(gain)})); }
    int GetGainValue(int key) override { return Check(m_client.Doc(m_path, "GetGainValue", {I2(key)})); }
    void SetScaledCapValue(int key, int scaled) override
    {
        Check(m_client.Doc(m_path, "SetScaledCapValue", {I2(key), QVariant(scaled)}));
    }
    int GetScaledCapValue(int key) override { return Check(m_client.Doc(m_path, "GetScaledCapValue", {I2(key)})); }
    void SetGainPhaseInputNode(int node) override { Check(m_client.SetProperty(m_path, "GainPhaseInputNode", I2(node))); }
    void SetGainPhaseOutputNode(int node) override { Check(m_client.SetProperty(m_path, "GainPhaseOutputNode", I2(node))); }
    void SetTitle(const std::string& text) override { Check(m_client.SetProperty(m_path, "Title", Q(text))); }
    void SetKeywords(const std::string& text) override { Check(m_client.SetProperty(m_path, "Keywords", Q(text))); }
    void SetComments(const std::string& text) override { Check(m_client.SetProperty(m_path, "Comments", Q(text))); }
    void UpdateViews() override { Check(m_client.Doc(m_path, "UpdateViews")); }

private:
    static QVariant I2(int v) { return QVariant::fromValue(qint16(v)); }
    static QVariant Q(const std::string& s) { return QString::fromStdString(s); }
    static int Check(const QDBusMessage& reply)
    {
        if (reply.type() != QDBusMessage::ReplyMessage)
            throw biquad::CBiquadError(reply.errorMessage().toStdString());
        return reply.arguments().isEmpty() ? 0 : reply.arguments().front().toInt();
    }
    Client& m_client;
    QString m_path;
};

}  // namespace

class AutomationServerTest : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    QString m_address;
    QString m_registryName;

    QString Path(CAutomationServer& server, SchDocument* doc) { return server.PathOf(&doc->Doc()); }

private slots:
    void initTestCase()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_registryName = QStringLiteral("KalidorServerTest_%1").arg(getpid());
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
        CActiveObjectRegistry(m_registryName.toStdString()).Unlink();
    }

    // Generate Schematic of the biquad program is one step that one Undo takes back; the calls
    // of one client are one step until it pauses; another client's calls and the user's own
    // edits are steps of their own.
    void aClientsOperationIsOneUndoStep()
    {
        Environment env;
        MainWindow mw;
        QDBusConnection serverBus = QDBusConnection::connectToBus(m_address, QStringLiteral("server-undo"));
        {
            CAutomationServer server(mw, serverBus, m_registryName);
            QVERIFY(server.Start());
            Client a(m_address, QStringLiteral("client-a")), b(m_address, QStringLiteral("client-b"));
            QVERIFY(a.Connected() && b.Connected());
            SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
            QVERIFY(doc);
            const QString path = Path(server, doc);
            const CDesignHistory& history = doc->Doc().History();
            const std::string fresh = doc->Doc().WriteDesign();

            BusBiquadDocument biquadDoc(a, path);
            biquad::BiquadTexts texts;
            biquad::GenerateSchematic(biquadDoc, biquad::BlockPair::kLeft, biquad::Optimize::kNone, texts);
            QCOMPARE(history.Count(), 1);
            QCOMPARE(doc->UndoStack()->count(), 1);
            QCOMPARE(doc->UndoStack()->undoText(), QLatin1String(kStepMacroChanges));
            QCOMPARE(mw.Action(QStringLiteral("actionUndo"))->text(), QStringLiteral("&Undo Macro Changes"));
            const std::string generated = doc->Doc().WriteDesign();
            QVERIFY(generated != fresh);
            QVERIFY(generated.find(biquad::kSummaryTitle) != std::string::npos);
            mw.Action(QStringLiteral("actionUndo"))->trigger();
            QCOMPARE(doc->Doc().WriteDesign(), fresh);
            QVERIFY(!doc->Doc().IsModified());
            mw.Action(QStringLiteral("actionRedo"))->trigger();
            QCOMPARE(doc->Doc().WriteDesign(), generated);

            // After a pause, the same client's next calls are a new step.
            QTest::qWait(kOperationGapMs + 100);
            a.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(10)});
            a.Doc(path, "SetGainValue", {QVariant::fromValue(qint16(4)), QVariant::fromValue(qint16(2))});
            QCOMPARE(history.Count(), 2);
            // Another client: a step of its own; the first client's next call starts another.
            b.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(11)});
            QCOMPARE(history.Count(), 3);
            a.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(12)});
            QCOMPARE(history.Count(), 4);
            // The user's edit between two calls of one client.
            doc->Doc().SetSymValue(6, 13);
            a.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(14)});
            QCOMPARE(history.Count(), 6);
            // Every step undoes to the one before.
            for (int expected : {13, 12, 11, 10}) {
                QVERIFY(doc->Doc().Undo());
                QCOMPARE(doc->Doc().GetSymValue(6), expected);
            }
            QVERIFY(env.MessageTexts().isEmpty());
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("server-undo"));
    }

    // Save on a design never saved opens no file dialog while the caller waits: the call fails
    // with an error that says so. A save that cannot write says why in its error, without a
    // message box, and a read-only file is not replaced.
    void saveAnswersWithAnErrorInsteadOfADialog()
    {
        Environment env;
        MainWindow mw;
        QTemporaryDir dir;
        QDBusConnection serverBus = QDBusConnection::connectToBus(m_address, QStringLiteral("server-save"));
        {
            CAutomationServer server(mw, serverBus, m_registryName);
            QVERIFY(server.Start());
            Client a(m_address, QStringLiteral("client-save"));
            SchDocument* doc = mw.NewDocument(QStringLiteral("ZelA"));
            const QString path = Path(server, doc);
            // Any modal dialog while the calls run is noted and closed (the watch ends with the test).
            bool dialog = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&dialog] {
                if (QWidget* w = QApplication::activeModalWidget()) {
                    dialog = true;
                    w->close();
                }
            });
            watch.start(5);
            QDBusMessage r = a.Doc(path, "Save");
            QCOMPARE(r.errorName(), QLatin1String(kErrorNeverSaved));
            QCOMPARE(r.errorMessage(), QStringLiteral("Design1 has never been saved: SaveAs saves it under a file name."));
            QVERIFY(doc->Doc().GetPathName().empty());
            QCOMPARE(a.Doc(path, "SaveAs", {QString()}).errorName(), QLatin1String(kErrorSaveFailed));

            // Saved under a name, Save writes there.
            const QString file = dir.filePath(QStringLiteral("Saved.ZEL"));
            r = a.Doc(path, "SaveAs", {file});
            QCOMPARE(r.type(), QDBusMessage::ReplyMessage);
            QCOMPARE(r.arguments().value(0).toInt(), 0);
            a.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(33)});
            QVERIFY(doc->Doc().IsModified());
            QCOMPARE(a.Doc(path, "Save").type(), QDBusMessage::ReplyMessage);
            QVERIFY(!doc->Doc().IsModified());

            // A read-only file stays as it is.
            QFile::setPermissions(file, QFileDevice::ReadOwner);
            const QByteArray before = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();
            a.Doc(path, "SetSymValue", {QVariant::fromValue(qint16(6)), QVariant(34)});
            r = a.Doc(path, "Save");
            QCOMPARE(r.errorName(), QLatin1String(kErrorSaveFailed));
            QCOMPARE(r.errorMessage(), QStringLiteral("The file\n%1\nis read-only; the design was not saved.").arg(file));
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
            QVERIFY(doc->Doc().IsModified());
            // A folder that does not exist: the reason is the error's text.
            r = a.Doc(path, "SaveAs", {dir.filePath(QStringLiteral("missing/Design.ZEL"))});
            QCOMPARE(r.errorName(), QLatin1String(kErrorSaveFailed));
            QVERIFY2(r.errorMessage().startsWith(QLatin1String("The design could not be saved.")), qPrintable(r.errorMessage()));
            QVERIFY(!dialog);
            QVERIFY(env.MessageTexts().isEmpty());
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("server-save"));
    }
};

static RegisterTest registerAutomationServer("AutomationServerTest", [] { return std::make_unique<AutomationServerTest>(); });

}  // namespace kalidor::test

#include "AutomationServerTest.moc"
