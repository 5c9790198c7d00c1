#include "app/AutomationServer.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <limits>
#include <type_traits>
#include <unistd.h>

#include "app/MainWindow.h"
#include "application/ActiveObjectRegistry.h"
#include "device/DeviceKind.h"
#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "document/ui/JTAGView.h"
#include "document/ui/SchDocument.h"
#include "jtag/JTAGTapPort.h"
#include "jtag/JtagUiModel.h"
#include "jtag/ui/JtagUi.h"
#include "platform/Prompter.h"
#include "view/ui/SchView.h"

namespace kalidor {

namespace {

const char* const kPropertiesInterface = "org.freedesktop.DBus.Properties";
const char* const kIntrospectableInterface = "org.freedesktop.DBus.Introspectable";
const char* const kPeerInterface = "org.freedesktop.DBus.Peer";
const char* const kErrorInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
const char* const kErrorUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";
const char* const kErrorUnknownObject = "org.freedesktop.DBus.Error.UnknownObject";
const char* const kErrorUnknownProperty = "org.freedesktop.DBus.Error.UnknownProperty";
const char* const kErrorUnknownInterface = "org.freedesktop.DBus.Error.UnknownInterface";

// A value as the member's declared type. Integers of any width are taken for "n" and "i" as long
// as they fit; any number for "d". Returns an invalid QVariant when the value does not fit.
QVariant Convert(const QVariant& value, const char* type)
{
    const QString t = QLatin1String(type);
    const QVariant v = value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()
                           ? value.value<QDBusVariant>().variant()
                           : value;
    const int id = v.metaType().id();
    const bool integer = id == QMetaType::Short || id == QMetaType::UShort || id == QMetaType::Int ||
                         id == QMetaType::UInt || id == QMetaType::LongLong || id == QMetaType::ULongLong ||
                         id == QMetaType::UChar || id == QMetaType::Char || id == QMetaType::SChar;
    if (t == QLatin1String("n") || t == QLatin1String("i")) {
        if (!integer)
            return {};
        bool ok = false;
        const qlonglong n = id == QMetaType::ULongLong ? qlonglong(qMin(v.toULongLong(), qulonglong(LLONG_MAX)))
                                                       : v.toLongLong(&ok);
        const qlonglong lo = t == QLatin1String("n") ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint32>::min();
        const qlonglong hi = t == QLatin1String("n") ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint32>::max();
        if (n < lo || n > hi)
            return {};
        return t == QLatin1String("n") ? QVariant::fromValue<qint16>(qint16(n)) : QVariant::fromValue<qint32>(qint32(n));
    }
    if (t == QLatin1String("d")) {
        if (!integer && id != QMetaType::Double && id != QMetaType::Float)
            return {};
        return QVariant::fromValue<double>(v.toDouble());
    }
    if (t == QLatin1String("s"))
        return id == QMetaType::QString ? v : QVariant();
    return {};
}

// A result as the member's declared type.
QVariant Result(const QVariant& value, const char* type)
{
    const QString t = QLatin1String(type);
    if (t == QLatin1String("n"))
        return QVariant::fromValue<qint16>(qint16(value.toInt()));
    if (t == QLatin1String("i"))
        return QVariant::fromValue<qint32>(qint32(value.toInt()));
    if (t == QLatin1String("d"))
        return QVariant::fromValue<double>(value.toDouble());
    return value;  // "s" (QString) and "o" (QDBusObjectPath) are made so by the members
}

QString TypeName(const char* type)
{
    switch (type[0]) {
    case 'n': return QStringLiteral("a 16-bit integer (n)");
    case 'i': return QStringLiteral("a 32-bit integer (i)");
    case 'd': return QStringLiteral("a number (d)");
    case 's': return QStringLiteral("a string (s)");
    default: return QLatin1String(type);
    }
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QVariant& v) { return v.toString().toStdString(); }

}  // namespace

// ---------------------------------------------------------------- interfaces

template <class Target>
QString CAutomationInterfaceOf<Target>::IntrospectionXml() const
{
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(QLatin1String(name));
    for (const auto& m : members)
        if (m.property)
            xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
                       .arg(QLatin1String(m.name), QLatin1String(m.type), m.set ? QStringLiteral("readwrite") : QStringLiteral("read"));
    for (const auto& m : members) {
        if (m.property)
            continue;
        xml += QStringLiteral("    <method name=\"%1\">\n").arg(QLatin1String(m.name));
        for (const auto& a : m.in)
            xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"in\"/>\n").arg(QLatin1String(a.name), QLatin1String(a.type));
        if (*m.type)
            xml += QStringLiteral("      <arg name=\"result\" type=\"%1\" direction=\"out\"/>\n").arg(QLatin1String(m.type));
        xml += QStringLiteral("    </method>\n");
    }
    return xml + QStringLiteral("  </interface>\n");
}

template <class Target>
const CAutomationMemberOf<Target>* CAutomationInterfaceOf<Target>::Find(const QString& member, bool property) const
{
    for (const auto& m : members)
        if (m.property == property && member == QLatin1String(m.name))
            return &m;
    return nullptr;
}

template struct CAutomationInterfaceOf<CSchDoc>;
template struct CAutomationInterfaceOf<CJTAGDoc>;

// ---------------------------------------------------------------- the bus objects

class CAutomationServer::Object : public QDBusVirtualObject {
public:
    Object(CAutomationServer& server, ObjectKind kind) : m_server(server), m_kind(kind) {}
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        return m_server.HandleMessage(message, connection, m_kind);
    }
    QString introspect(const QString& path) const override { return m_server.Introspect(path, m_kind); }

private:
    CAutomationServer& m_server;
    ObjectKind m_kind;
};

CAutomationServer::CAutomationServer(MainWindow& main, QDBusConnection bus, QString registryName)
    : m_main(main), m_bus(std::move(bus))
{
    if (registryName.isEmpty())
        registryName = qEnvironmentVariable(kRegistryNameVariable, QLatin1String(kRegistryClassName));
    m_registry = std::make_unique<CActiveObjectRegistry>(registryName.toStdString());
    BuildApplicationInterface();
    BuildSchematicInterface();
    BuildChainInterface();
    for (CSchDoc* d : m_main.Application().Schematics())
        OnSchematicOpened(*d);
    for (CJTAGDoc* c : m_main.Application().Chains())
        OnChainOpened(*c);
    m_main.Application().AddObserver(this);
}

CAutomationServer::~CAutomationServer()
{
    m_main.Application().RemoveObserver(this);
    if (m_started) {
        m_registry->Remove(static_cast<std::uint32_t>(getpid()));
        Withdraw();
        Broadcast();
        m_bus.unregisterObject(QLatin1String(kApplicationPath));
        m_bus.unregisterObject(QLatin1String(kSchematicPathPrefix), QDBusConnection::UnregisterTree);
        m_bus.unregisterObject(QLatin1String(kChainPathPrefix), QDBusConnection::UnregisterTree);
    }
}

bool CAutomationServer::Start()
{
    if (!m_bus.isConnected())
        return false;
    m_appObject = std::make_unique<Object>(*this, ObjectKind::kApplication);
    m_docObject = std::make_unique<Object>(*this, ObjectKind::kSchematic);
    m_chainObject = std::make_unique<Object>(*this, ObjectKind::kChain);
    if (!m_bus.registerVirtualObject(QLatin1String(kApplicationPath), m_appObject.get()) ||
        !m_bus.registerVirtualObject(QLatin1String(kSchematicPathPrefix), m_docObject.get(), QDBusConnection::SubPath) ||
        !m_bus.registerVirtualObject(QLatin1String(kChainPathPrefix), m_chainObject.get(), QDBusConnection::SubPath))
        return false;
    m_bus.connect(QString(), QLatin1String(kRegistryPath), QLatin1String(kRegistryInterface),
                  QLatin1String(kActiveChangingSignal), this, SLOT(OnActiveChanging()));
    // A schematic window becomes active: within the main window, or with the main window when
    // the user comes over from another program (another instance, say).
    auto activated = [this] {
        if (m_main.ActiveSchView() && m_main.ActiveDocument())
            OnSchematicActivated(&m_main.ActiveDocument()->Doc());
    };
    connect(m_main.Mdi(), &QMdiArea::subWindowActivated, this, activated);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [activated](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            activated();
    });
    m_started = true;
    // Until a schematic is activated anywhere, the first instance to come serves the name, so
    // that a client that starts Kalidor through the bus finds it.
    Register(false);
    activated();
    return true;
}

// ---------------------------------------------------------------- activation list

bool CAutomationServer::OwnsName() const
{
    return m_bus.isConnected() &&
           m_bus.interface()->serviceOwner(QLatin1String(kAutomationBusName)).value() == m_bus.baseService();
}

bool CAutomationServer::Register(bool replace)
{
    const auto reply = m_bus.interface()->registerService(
        QLatin1String(kAutomationBusName),
        replace ? QDBusConnectionInterface::ReplaceExistingService : QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::AllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

void CAutomationServer::Withdraw()
{
    if (OwnsName())
        m_bus.interface()->unregisterService(QLatin1String(kAutomationBusName));
}

void CAutomationServer::Broadcast()
{
    m_bus.send(QDBusMessage::createSignal(QLatin1String(kRegistryPath), QLatin1String(kRegistryInterface),
                                          QLatin1String(kActiveChangingSignal)));
}

void CAutomationServer::OnSchematicActivated(CSchDoc* doc)
{
    if (!m_started)
        return;
    Withdraw();
    m_remembered = doc;
    if (m_registry->Push(static_cast<std::uint32_t>(getpid())))
        Register(true);
    Broadcast();
}

void CAutomationServer::OnActiveChanging()
{
    const auto self = static_cast<std::uint32_t>(getpid());
    const bool top = m_registry->IsTop(self);
    const bool registered = OwnsName();
    if (top && m_remembered && !registered)
        Register(true);
    else if (!top && registered && !m_registry->Ids().empty())
        Withdraw();
    else if (!registered && m_registry->Ids().empty())
        Register(false);  // nobody has an active schematic: the first to ask serves the name
}

void CAutomationServer::OnSchematicOpened(CSchDoc& doc) { m_numbers.insert(&doc, m_nextNumber++); }

void CAutomationServer::OnSchematicClosing(CSchDoc& doc)
{
    m_numbers.remove(&doc);
    if (&doc != m_remembered)
        return;
    m_remembered = nullptr;
    if (!m_started)
        return;
    Withdraw();
    m_registry->Remove(static_cast<std::uint32_t>(getpid()));
    Broadcast();
}

void CAutomationServer::OnChainOpened(CJTAGDoc& chain) { m_chainNumbers.insert(&chain, m_nextChainNumber++); }

void CAutomationServer::OnChainClosing(CJTAGDoc& chain) { m_chainNumbers.remove(&chain); }

namespace {

// The path of a numbered object, or the null object.
template <class Target>
QString NumberedPath(const QHash<const Target*, int>& numbers, const Target* target, const char* prefix)
{
    const auto it = numbers.find(target);
    return it == numbers.end() ? QLatin1String(kNullObjectPath) : QStringLiteral("%1/%2").arg(QLatin1String(prefix)).arg(*it);
}

// The object a path names, or nullptr.
template <class Target>
Target* NumberedObject(const QHash<const Target*, int>& numbers, const QString& path, const char* prefix)
{
    const QString head = QLatin1String(prefix) + QLatin1Char('/');
    if (!path.startsWith(head))
        return nullptr;
    bool ok = false;
    const int number = path.mid(head.size()).toInt(&ok);
    for (auto it = numbers.begin(); ok && it != numbers.end(); ++it)
        if (*it == number)
            return const_cast<Target*>(it.key());
    return nullptr;
}

// The child nodes of a numbered objects' folder.
template <class Target>
QString NumberedNodes(const QHash<const Target*, int>& numbers)
{
    QString nodes;
    for (int number : numbers)
        nodes += QStringLiteral("  <node name=\"%1\"/>\n").arg(number);
    return nodes;
}

}  // namespace

QString CAutomationServer::PathOf(const CJTAGDoc* chain) const
{
    return NumberedPath(m_chainNumbers, chain, kChainPathPrefix);
}

CJTAGDoc* CAutomationServer::ChainAt(const QString& path) const
{
    return NumberedObject(m_chainNumbers, path, kChainPathPrefix);
}

QString CAutomationServer::PathOf(const CSchDoc* doc) const
{
    return NumberedPath(m_numbers, doc, kSchematicPathPrefix);
}

QDBusObjectPath CAutomationServer::ObjectPath(const CSchDoc* doc) const { return QDBusObjectPath(PathOf(doc)); }

CSchDoc* CAutomationServer::DocumentAt(const QString& path) const
{
    return NumberedObject(m_numbers, path, kSchematicPathPrefix);
}

// ---------------------------------------------------------------- calls

std::uint64_t CAutomationServer::OperationOf(const QString& client)
{
    if (client != m_operationClient || !m_sinceCall.isValid() || m_sinceCall.elapsed() > kOperationGapMs) {
        m_operationClient = client;
        ++m_operation;
    }
    m_sinceCall.start();
    return m_operation;
}

QString CAutomationServer::Introspect(const QString& path, ObjectKind kind) const
{
    switch (kind) {
    case ObjectKind::kApplication: return m_appInterface.IntrospectionXml();
    case ObjectKind::kSchematic:
        if (DocumentAt(path))
            return m_docInterface.IntrospectionXml();
        return path == QLatin1String(kSchematicPathPrefix) ? NumberedNodes(m_numbers) : QString();
    case ObjectKind::kChain:
        if (ChainAt(path))
            return m_chainInterface.IntrospectionXml();
        return path == QLatin1String(kChainPathPrefix) ? NumberedNodes(m_chainNumbers) : QString();
    }
    return {};
}

bool CAutomationServer::HandleMessage(const QDBusMessage& message, const QDBusConnection& connection, ObjectKind kind)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString iface = message.interface();
    if (iface == QLatin1String(kIntrospectableInterface) || iface == QLatin1String(kPeerInterface))
        return false;  // the bus library answers these
    auto unknown = [&](const char* what) {
        connection.send(message.createErrorReply(QLatin1String(kErrorUnknownObject),
                                                 QStringLiteral("No %1 at %2").arg(QLatin1String(what), message.path())));
        return true;
    };
    switch (kind) {
    case ObjectKind::kApplication: return Dispatch<CSchDoc>(m_appInterface, nullptr, message, connection);
    case ObjectKind::kSchematic:
        if (CSchDoc* doc = DocumentAt(message.path()))
            return Dispatch(m_docInterface, doc, message, connection);
        return unknown("schematic");
    case ObjectKind::kChain:
        if (CJTAGDoc* chain = ChainAt(message.path()))
            return Dispatch(m_chainInterface, chain, message, connection);
        return unknown("JTAG chain");
    }
    return false;
}

template <class Target>
bool CAutomationServer::Dispatch(const CAutomationInterfaceOf<Target>& ifc, Target* doc, const QDBusMessage& message,
                                 const QDBusConnection& connection)
{
    const QString iface = message.interface();
    auto reply = [&](const QVariantList& values) {
        QDBusMessage r = message.createReply(values);
        connection.send(r);
        return true;
    };
    auto fail = [&](const char* name, const QString& text) {
        connection.send(message.createErrorReply(QLatin1String(name), text));
        return true;
    };
    const QVariantList args = message.arguments();
    // What this call changes in the schematic joins the step of the client's operation.
    const std::uint64_t operation = OperationOf(message.service());
    struct OperationScope {
        CSchDoc* doc;
        OperationScope(CSchDoc* d, std::uint64_t operation) : doc(d)
        {
            if (doc)
                doc->SetStepGroup(operation, kStepMacroChanges);
        }
        ~OperationScope()
        {
            if (doc)
                doc->SetStepGroup(0, std::string());
        }
    };
    CSchDoc* schematic = nullptr;
    if constexpr (std::is_same_v<Target, CSchDoc>)
        schematic = doc;
    OperationScope scope(schematic, operation);

    if (iface == QLatin1String(kPropertiesInterface)) {
        const QString member = message.member();
        if (!args.isEmpty() && !args[0].toString().isEmpty() && args[0].toString() != QLatin1String(ifc.name))
            return fail(kErrorUnknownInterface, QStringLiteral("No interface %1 here").arg(args[0].toString()));
        if (member == QLatin1String("GetAll") && args.size() == 1) {
            QVariantMap all;
            for (const auto& m : ifc.members)
                if (m.property)
                    all.insert(QLatin1String(m.name), Result(m.call(doc, {}), m.type));
            return reply({QVariant::fromValue(all)});
        }
        if ((member == QLatin1String("Get") && args.size() == 2) || (member == QLatin1String("Set") && args.size() == 3)) {
            const QString name = args[1].toString();
            const auto* m = ifc.Find(name, true);
            if (!m)
                return fail(kErrorUnknownProperty, QStringLiteral("No property %1").arg(name));
            if (member == QLatin1String("Get"))
                return reply({QVariant::fromValue(QDBusVariant(Result(m->call(doc, {}), m->type)))});
            if (!m->set)
                return fail(kErrorNotSupported, QLatin1String(kMsgNotSupported));
            const QVariant value = Convert(args[2], m->type);
            if (!value.isValid())
                return fail(kErrorInvalidArgs, QStringLiteral("%1 takes %2").arg(name, TypeName(m->type)));
            try {
                m->set(doc, value);
            } catch (const CAutomationError& e) {
                return fail(e.name, e.text);
            }
            return reply({});
        }
        return fail(kErrorUnknownMethod, QStringLiteral("No method %1 of %2").arg(member, QLatin1String(kPropertiesInterface)));
    }

    if (!iface.isEmpty() && iface != QLatin1String(ifc.name))
        return fail(kErrorUnknownInterface, QStringLiteral("No interface %1 here").arg(iface));
    const auto* m = ifc.Find(message.member(), false);
    if (!m)
        return fail(kErrorUnknownMethod, QStringLiteral("No method %1 of %2").arg(message.member(), QLatin1String(ifc.name)));
    if (args.size() != int(m->in.size()))
        return fail(kErrorInvalidArgs, QStringLiteral("%1 takes %2 arguments, not %3").arg(QLatin1String(m->name)).arg(m->in.size()).arg(args.size()));
    QVariantList converted;
    for (std::size_t i = 0; i < m->in.size(); ++i) {
        const QVariant v = Convert(args[int(i)], m->in[i].type);
        if (!v.isValid())
            return fail(kErrorInvalidArgs, QStringLiteral("%1: %2 must be %3")
                                               .arg(QLatin1String(m->name), QLatin1String(m->in[i].name), TypeName(m->in[i].type)));
        converted << v;
    }
    QVariant result;
    try {
        result = m->call(doc, converted);
    } catch (const CAutomationError& e) {
        return fail(e.name, e.text);
    }
    return reply(*m->type ? QVariantList{Result(result, m->type)} : QVariantList{});
}

// ---------------------------------------------------------------- the application object

void CAutomationServer::BuildApplicationInterface()
{
    m_appInterface.name = kApplicationInterface;
    auto& v = m_appInterface.members;
    v.push_back({"ActiveDocument", true, "o", {}, [this](CSchDoc*, const auto&) {
                     SchDocument* d = m_main.ActiveDocument();
                     return QVariant::fromValue(ObjectPath(d ? &d->Doc() : nullptr));
                 }, nullptr});
    v.push_back({"Open", false, "n", {{"path", "s"}}, [this](CSchDoc*, const auto& a) {
                     m_main.OpenFile(a[0].toString());
                     return QVariant(0);
                 }, nullptr});
    v.push_back({"NewDocument", false, "n", {{"deviceType", "s"}}, [this](CSchDoc*, const auto& a) {
                     // Only an exact device type name makes a schematic; any other text does nothing.
                     if (IsDeviceTypeName(S(a[0])))
                         m_main.NewDocument(a[0].toString());
                     return QVariant(0);
                 }, nullptr});
    v.push_back({"Quit", false, "", {}, [this](CSchDoc*, const auto&) {
                     QAction* exit = m_main.Action(QStringLiteral("actionExit"));
                     QMetaObject::invokeMethod(exit, &QAction::trigger, Qt::QueuedConnection);
                     return QVariant();
                 }, nullptr});
    // Beyond the schematic: the JTAG chain of the active window, and a new chain.
    v.push_back({"ActiveChain", true, "o", {}, [this](CSchDoc*, const auto&) {
                     CJTAGView* view = m_main.ActiveChainView();
                     return QVariant::fromValue(QDBusObjectPath(PathOf(view ? &view->Chain() : nullptr)));
                 }, nullptr});
    v.push_back({"NewChain", false, "o", {}, [this](CSchDoc*, const auto&) {
                     CJTAGView* view = m_main.NewChain();
                     return QVariant::fromValue(QDBusObjectPath(PathOf(view ? &view->Chain() : nullptr)));
                 }, nullptr});
}

// ---------------------------------------------------------------- the JTAG chain object

void CAutomationServer::BuildChainInterface()
{
    m_chainInterface.name = kChainInterface;
    auto& v = m_chainInterface.members;
    using Chain = CJTAGDoc*;
    using A = const CAutomationMemberOf<CJTAGDoc>::Args&;
    v.push_back({"Count", true, "n", {}, [](Chain c, A) { return QVariant(c->GetCount()); }, nullptr});
    v.push_back({"FullName", true, "s", {}, [](Chain c, A) { return QVariant(Q(c->GetPathName())); }, nullptr});
    v.push_back({"Modified", true, "n", {}, [](Chain c, A) { return QVariant(c->IsModified() ? 1 : 0); }, nullptr});
    v.push_back({"Application", true, "o", {}, [](Chain, A) {
                     return QVariant::fromValue(QDBusObjectPath(QLatin1String(kApplicationPath)));
                 }, nullptr});
    // What the chain window shows of element `index` (0 is "[Chain TDI]"): its name and type as
    // text (empty past the end), its IR length and sums as numbers (-1 past the end).
    auto text = [&v](const char* name, const std::string& (CJtagChainElement::*get)() const) {
        v.push_back({name, false, "s", {{"index", "n"}}, [get](Chain c, A a) {
                         const CJtagChainElement* e = c->GetElement(a[0].toInt());
                         return QVariant(e ? Q((e->*get)()) : QString());
                     }, nullptr});
    };
    auto number = [&v](const char* name, int (CJtagChainElement::*get)() const) {
        v.push_back({name, false, "n", {{"index", "n"}}, [get](Chain c, A a) {
                         const CJtagChainElement* e = c->GetElement(a[0].toInt());
                         return QVariant(e ? (e->*get)() : -1);
                     }, nullptr});
    };
    text("GetName", &CJtagChainElement::GetName);
    text("GetDeviceType", &CJtagChainElement::GetDeviceType);
    number("GetIRLength", &CJtagChainElement::GetIR_Length);
    number("GetHIRSum", &CJtagChainElement::GetHIR_Sum);
    number("GetTIRSum", &CJtagChainElement::GetTIR_Sum);
    number("GetHDRSum", &CJtagChainElement::GetHDR_Sum);
    number("GetTDRSum", &CJtagChainElement::GetTDR_Sum);
    // The Edit menu's changes, each one undoable step; the index of a new device, or -1.
    v.push_back({"InsertZelDevice", false, "n", {{"position", "n"}, {"name", "s"}, {"deviceType", "s"}}, [](Chain c, A a) {
                     if (!IsDeviceTypeName(S(a[2])))
                         return QVariant(-1);
                     return QVariant(c->InsertZelDevice(a[0].toInt(), S(a[1]), S(a[2])));
                 }, nullptr});
    v.push_back({"InsertForeignDevice", false, "n", {{"position", "n"}, {"name", "s"}, {"irLength", "n"}}, [](Chain c, A a) {
                     return QVariant(c->InsertForeignDevice(a[0].toInt(), S(a[1]), a[2].toInt()));
                 }, nullptr});
    v.push_back({"DeleteDevice", false, "n", {{"index", "n"}}, [](Chain c, A a) {
                     return QVariant(c->DeleteDevice(a[0].toInt()) ? 1 : 0);
                 }, nullptr});
    v.push_back({"RenameDevice", false, "n", {{"index", "n"}, {"name", "s"}}, [](Chain c, A a) {
                     return QVariant(c->SetDeviceName(a[0].toInt(), S(a[1])) ? 1 : 0);
                 }, nullptr});
    // The embedded schematic of a Zel device in its window: its schematic object ("/" after the
    // refusal message).
    v.push_back({"OpenSchematic", false, "o", {{"index", "n"}}, [this](Chain c, A a) {
                     SchDocument* doc = m_main.OpenEmbeddedSchematic(*c, a[0].toInt());
                     return QVariant::fromValue(ObjectPath(doc ? &doc->Doc() : nullptr));
                 }, nullptr});
    // Save under the chain's path (an untitled chain is not saved: 0), Save As; 1 when saved.
    v.push_back({"Save", false, "n", {}, [this](Chain c, A) {
                     CJTAGView* view = m_main.ChainViewOf(c);
                     return QVariant(view && !c->GetPathName().empty() && m_main.SaveChain(view, false) ? 1 : 0);
                 }, nullptr});
    v.push_back({"SaveAs", false, "n", {{"path", "s"}}, [this](Chain c, A a) {
                     if (a[0].toString().isEmpty() || !c->OnSaveDocument(S(a[0])))
                         return QVariant(0);
                     m_main.AddRecentFile(a[0].toString());
                     return QVariant(1);
                 }, nullptr});
    // Closes the chain's window (with its refusal while schematics are open and the question to
    // save it) once the call has been answered.
    v.push_back({"Close", false, "n", {}, [this](Chain c, A) {
                     QPointer<QMdiSubWindow> frame;
                     for (QMdiSubWindow* w : m_main.Mdi()->subWindowList())
                         if (w->widget() == m_main.ChainViewOf(c))
                             frame = w;
                     QMetaObject::invokeMethod(&m_main, [frame] { if (frame) frame->close(); }, Qt::QueuedConnection);
                     return QVariant(0);
                 }, nullptr});
}

// ---------------------------------------------------------------- the schematic object

void CAutomationServer::BuildSchematicInterface()
{
    m_docInterface.name = kSchematicInterface;
    auto& v = m_docInterface.members;
    using Doc = CSchDoc*;
    using A = const CAutomationMember::Args&;
    auto intProperty = [&v](const char* name, const char* type, int (CSchDoc::*get)() const, void (CSchDoc::*set)(int)) {
        v.push_back({name, true, type, {}, [get](Doc d, A) { return QVariant((d->*get)()); },
                     [set](Doc d, const QVariant& x) { (d->*set)(x.toInt()); }});
    };
    intProperty("ActiveCurve", "n", &CSchDoc::GetActiveCurve, &CSchDoc::SetActiveCurve);
    intProperty("GainPhaseInputNode", "n", &CSchDoc::GetGainPhaseInputNode, &CSchDoc::SetGainPhaseInputNode);
    intProperty("GainPhaseOutputNode", "n", &CSchDoc::GetGainPhaseOutputNode, &CSchDoc::SetGainPhaseOutputNode);
    intProperty("GainPhaseFreqStart", "i", &CSchDoc::GetGainPhaseFreqStart, &CSchDoc::SetGainPhaseFreqStart);
    intProperty("GainPhaseFreqEnd", "i", &CSchDoc::GetGainPhaseFreqEnd, &CSchDoc::SetGainPhaseFreqEnd);
    intProperty("GainPhasePtsPerDec", "n", &CSchDoc::GetGainPhasePtsPerDec, &CSchDoc::SetGainPhasePtsPerDec);
    // The summary fields are written into the summary information and read as empty text.
    auto summary = [&v](const char* name, CSummaryField field) {
        v.push_back({name, true, "s", {}, [](Doc, A) { return QVariant(QString()); },
                     [field](Doc d, const QVariant& x) { d->SetSummaryField(field, S(x)); }});
    };
    summary("Author", CSummaryField::kAuthor);
    summary("Comments", CSummaryField::kComments);
    summary("Title", CSummaryField::kTitle);
    summary("Keywords", CSummaryField::kKeywords);
    summary("Subject", CSummaryField::kSubject);
    v.push_back({"DeviceType", true, "s", {}, [](Doc d, A) { return QVariant(Q(d->GetDeviceType())); }, nullptr});
    v.push_back({"Application", true, "o", {}, [](Doc, A) {
                     return QVariant::fromValue(QDBusObjectPath(QLatin1String(kApplicationPath)));
                 }, nullptr});

    const QVariant zero(0);
    auto docOf = [this](Doc d) { return m_main.DocumentOf(d); };
    v.push_back({"E2_GetValue", false, "n", {{"cell", "n"}}, [](Doc d, A a) { return QVariant(d->E2_GetValue(a[0].toInt())); }, nullptr});
    v.push_back({"E2_SetValue", false, "", {{"cell", "n"}, {"value", "i"}}, [](Doc d, A a) {
                     d->E2_SetValue(a[0].toInt(), a[1].toInt());
                     return QVariant();
                 }, nullptr});
    v.push_back({"Show", false, "", {}, [](Doc, A) { return QVariant(); }, nullptr});
    v.push_back({"ShowWindow", false, "", {}, [this, docOf](Doc d, A) {
                     m_main.ShowDocument(docOf(d));
                     if (m_main.isMinimized())
                         m_main.showNormal();
                     m_main.raise();
                     m_main.activateWindow();
                     // Its schematic window is the active one now (also when it was the active
                     // window of this instance already).
                     OnSchematicActivated(d);
                     return QVariant();
                 }, nullptr});
    v.push_back({"UpdateViews", false, "", {}, [](Doc d, A) {
                     d->UpdateAllViews();
                     return QVariant();
                 }, nullptr});
    v.push_back({"GetValue", false, "n", {{"key", "n"}}, [](Doc d, A a) { return QVariant(d->GetValue(a[0].toInt())); }, nullptr});
    v.push_back({"SetValue", false, "i", {{"key", "n"}, {"value", "i"}}, [](Doc d, A a) {
                     return QVariant(d->SetValue(a[0].toInt(), a[1].toInt()));
                 }, nullptr});
    v.push_back({"GetSymValue", false, "i", {{"key", "n"}}, [](Doc d, A a) { return QVariant(d->GetSymValue(a[0].toInt())); }, nullptr});
    v.push_back({"SetSymValue", false, "i", {{"key", "n"}, {"value", "i"}}, [zero](Doc d, A a) {
                     d->SetSymValue(a[0].toInt(), a[1].toInt());
                     return zero;
                 }, nullptr});
    v.push_back({"GetNearestCapIndex", false, "n", {{"scaled", "i"}}, [](Doc d, A a) {
                     return QVariant(d->GetNearestCapIndex(a[0].toInt()));
                 }, nullptr});
    v.push_back({"GetGainValue", false, "n", {{"key", "n"}}, [](Doc d, A a) { return QVariant(d->GetGainValue(a[0].toInt())); }, nullptr});
    v.push_back({"SetGainValue", false, "n", {{"key", "n"}, {"gain", "n"}}, [zero](Doc d, A a) {
                     d->SetGainValue(a[0].toInt(), a[1].toInt());
                     return zero;
                 }, nullptr});
    v.push_back({"GetScaledCapValue", false, "i", {{"key", "n"}}, [](Doc d, A a) {
                     return QVariant(d->GetScaledCapValue(a[0].toInt()));
                 }, nullptr});
    v.push_back({"SetScaledCapValue", false, "n", {{"key", "n"}, {"scaled", "i"}}, [zero](Doc d, A a) {
                     d->SetScaledCapValue(a[0].toInt(), a[1].toInt());
                     return zero;
                 }, nullptr});
    v.push_back({"RunGainPhaseSim", false, "n", {}, [zero](Doc d, A) {
                     d->RunSimulation();
                     return zero;
                 }, nullptr});
    v.push_back({"SetGainPhaseRange", false, "n", {{"curve", "n"}, {"start", "i"}, {"stop", "i"}}, [](Doc d, A a) {
                     return QVariant(d->SetGainPhaseRange(a[0].toInt(), a[1].toInt(), a[2].toInt()));
                 }, nullptr});
    v.push_back({"SetGainPhasePtsDec", false, "n", {{"curve", "n"}, {"points", "n"}}, [](Doc d, A a) {
                     return QVariant(d->SetGainPhasePtsDec(a[0].toInt(), a[1].toInt()));
                 }, nullptr});
    // Import and Export take their parameters and do nothing.
    v.push_back({"Import", false, "i", {{"kind", "n"}, {"option", "n"}, {"path", "s"}}, [zero](Doc, A) { return zero; }, nullptr});
    v.push_back({"Export", false, "i", {{"kind", "n"}, {"option", "n"}, {"path", "s"}}, [zero](Doc, A) { return zero; }, nullptr});
    // Save and SaveAs show no message box while the caller waits: what went wrong is the text
    // of the error the call answers with, and a read-only file is not replaced.
    auto save = [this, docOf](Doc d, const QString& path) {
        RecordingPrompter told;
        told.Script(Answer::No);
        bool saved = false;
        {
            ScopedPrompter scope(told);
            saved = path.isNull() ? m_main.SaveDocument(docOf(d)) : m_main.SaveDocumentAs(docOf(d), path);
        }
        if (!saved) {
            // The question whether to replace a read-only file was answered No.
            const std::string target = path.isNull() ? d->GetPathName() : path.toStdString();
            QStringList texts;
            for (const RecordingPrompter::Record& r : told.messages)
                texts << Q(r.buttons == Buttons::YesNo ? FormatMessage(kMsgReadOnlyKept, target) : r.text);
            throw CAutomationError{kErrorSaveFailed, texts.join(QLatin1Char('\n'))};
        }
    };
    v.push_back({"Save", false, "n", {}, [save, zero](Doc d, A) {
                     if (!d->IsEmbedded() && d->GetPathName().empty())
                         throw CAutomationError{kErrorNeverSaved, QString::fromLatin1(kMsgNeverSaved).arg(Q(d->DisplayName()))};
                     save(d, QString());
                     return zero;
                 }, nullptr});
    v.push_back({"SaveAs", false, "n", {{"path", "s"}}, [save, zero](Doc d, A a) {
                     if (a[0].toString().isEmpty())
                         throw CAutomationError{kErrorSaveFailed, QString::fromLatin1(kMsgSaveAsNoPath)};
                     save(d, a[0].toString());
                     return zero;
                 }, nullptr});
    // The register operations of the JTAG registers dialog, under the wait cursor.
    auto registerOperation = [this, docOf](Doc d, CRegisterOperation op, int reg) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::string bits;
        m_main.Jtag()->RegisterOperation(docOf(d), op, reg, bits);
        QApplication::restoreOverrideCursor();
    };
    v.push_back({"Download", false, "n", {{"reg", "n"}}, [registerOperation, zero](Doc d, A a) {
                     registerOperation(d, CRegisterOperation::Write, a[0].toInt());
                     return zero;
                 }, nullptr});
    v.push_back({"DownloadNoPrgm", false, "n", {}, [zero](Doc, A) { return zero; }, nullptr});
    v.push_back({"Upload", false, "n", {{"reg", "n"}}, [registerOperation, zero](Doc d, A a) {
                     registerOperation(d, CRegisterOperation::Upload, a[0].toInt());
                     return zero;
                 }, nullptr});
    for (const char* name : {"PerformTRBOT", "PerformTRTOP", "DownloadMan", "DownloadManNoPrgm"})
        v.push_back({name, false, "n", {}, [zero](Doc, A) { return zero; }, nullptr});
    // A byte for the port goes through the programming interface's own parallel port, which
    // writes only to the port it was given (a virtual cable's port is simulated); never to an
    // arbitrary port of the machine.
    v.push_back({"PortWriteByte", false, "", {{"port", "n"}, {"value", "n"}}, [this](Doc, A a) {
                     if (CJtagCable* cable = m_main.Application().Jtag().Cable())
                         if (CJTAGTapPort* port = cable->ParallelPort())
                             port->PortWriteByte(a[0].toInt() & 0xFFFF, a[1].toInt());
                     return QVariant();
                 }, nullptr});
    v.push_back({"SetCapValue", false, "", {{"key", "n"}, {"farads", "d"}}, [](Doc d, A a) {
                     d->SetCapValue(a[0].toInt(), a[1].toDouble());
                     return QVariant();
                 }, nullptr});
    v.push_back({"LoadFilterTable", false, "i", {}, [](Doc d, A) { return QVariant(d->LoadFilterTable()); }, nullptr});
    v.push_back({"CopyFilterToSchematic", false, "i", {{"id", "n"}, {"which", "n"}}, [](Doc d, A a) {
                     return QVariant(d->CopyFilterToSchematic(a[0].toInt(), a[1].toInt()));
                 }, nullptr});
    // Closes this schematic (with the question to save it when modified) once the call has
    // been answered.
    v.push_back({"Close", false, "n", {}, [this, docOf, zero](Doc d, A) {
                     QPointer<SchDocument> doc = docOf(d);
                     QMetaObject::invokeMethod(&m_main, [this, doc] { if (doc) m_main.CloseDocument(doc); }, Qt::QueuedConnection);
                     return zero;
                 }, nullptr});
}

}  // namespace kalidor
