#include "biquad/KalidorBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace biquad {

namespace {

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

// Keys, gains and nodes are 16-bit on the bus; values and scaled capacitances 32-bit.
QVariant I2(int v) { return QVariant::fromValue(static_cast<qint16>(v)); }
QVariant I4(int v) { return QVariant::fromValue(static_cast<qint32>(v)); }

// The reply's first value, or a CBiquadError naming the member.
QVariant FirstValue(const QDBusMessage& reply, const char* member)
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw CBiquadError(QStringLiteral("%1 failed: %2").arg(QLatin1String(member), reply.errorMessage()).toStdString());
    if (reply.type() != QDBusMessage::ReplyMessage)
        throw CBiquadError(QStringLiteral("%1 failed: no reply").arg(QLatin1String(member)).toStdString());
    if (reply.arguments().isEmpty())
        return {};
    QVariant v = reply.arguments().first();
    if (v.canConvert<QDBusVariant>())
        v = v.value<QDBusVariant>().variant();
    return v;
}

QVariant GetPropertyOf(const QDBusConnection& bus, const QString& path, const char* interface, const char* name)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kBusName, path, kPropertiesInterface, QStringLiteral("Get"));
    m << QString::fromLatin1(interface) << QString::fromLatin1(name);
    return FirstValue(bus.call(m), name);
}

int ToInt(const QVariant& v, const char* member)
{
    bool ok = false;
    const int i = v.toInt(&ok);
    if (!ok)
        throw CBiquadError(QStringLiteral("%1 failed: no number in the reply").arg(QLatin1String(member)).toStdString());
    return i;
}

}  // namespace

CKalidorBusDocument::CKalidorBusDocument(const QDBusConnection& bus, QString documentPath)
    : m_bus(bus), m_path(std::move(documentPath))
{
}

QVariant CKalidorBusDocument::Call(const char* member, const QVariantList& arguments)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kBusName, m_path, kSchematicInterface, QLatin1String(member));
    m.setArguments(arguments);
    return FirstValue(m_bus.call(m), member);
}

QVariant CKalidorBusDocument::GetProperty(const char* name)
{
    return GetPropertyOf(m_bus, m_path, kSchematicInterface, name);
}

void CKalidorBusDocument::SetProperty(const char* name, const QVariant& value)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kBusName, m_path, kPropertiesInterface, QStringLiteral("Set"));
    m << QString::fromLatin1(kSchematicInterface) << QString::fromLatin1(name)
      << QVariant::fromValue(QDBusVariant(value));
    FirstValue(m_bus.call(m), name);
}

void CKalidorBusDocument::SetSymValue(int key, int value) { Call("SetSymValue", {I2(key), I4(value)}); }
void CKalidorBusDocument::SetGainValue(int key, int gain) { Call("SetGainValue", {I2(key), I2(gain)}); }
int CKalidorBusDocument::GetGainValue(int key) { return ToInt(Call("GetGainValue", {I2(key)}), "GetGainValue"); }
void CKalidorBusDocument::SetScaledCapValue(int key, int scaled) { Call("SetScaledCapValue", {I2(key), I4(scaled)}); }
int CKalidorBusDocument::GetScaledCapValue(int key)
{
    return ToInt(Call("GetScaledCapValue", {I2(key)}), "GetScaledCapValue");
}
void CKalidorBusDocument::SetGainPhaseInputNode(int node) { SetProperty("GainPhaseInputNode", I2(node)); }
void CKalidorBusDocument::SetGainPhaseOutputNode(int node) { SetProperty("GainPhaseOutputNode", I2(node)); }
void CKalidorBusDocument::SetTitle(const std::string& text) { SetProperty("Title", QString::fromStdString(text)); }
void CKalidorBusDocument::SetKeywords(const std::string& text) { SetProperty("Keywords", QString::fromStdString(text)); }
void CKalidorBusDocument::SetComments(const std::string& text) { SetProperty("Comments", QString::fromStdString(text)); }
void CKalidorBusDocument::UpdateViews() { Call("UpdateViews", {}); }
QString CKalidorBusDocument::DeviceType() { return GetProperty("DeviceType").toString(); }

std::unique_ptr<CKalidorBusDocument> ConnectToActiveZelA(const QDBusConnection& bus, QString* failure)
{
    // Only a running instance: asking the bus whether the name has an owner starts nothing.
    QDBusConnectionInterface* busInterface = bus.isConnected() ? bus.interface() : nullptr;
    if (!busInterface || !busInterface->isServiceRegistered(QString::fromLatin1(kBusName)).value()) {
        *failure = QString::fromLatin1(kMsgNoApplication);
        return nullptr;
    }
    QString documentPath;
    try {
        documentPath = GetPropertyOf(bus, kApplicationPath, kApplicationInterface, "ActiveDocument")
                           .value<QDBusObjectPath>()
                           .path();
    } catch (const CBiquadError&) {
    }
    if (documentPath.isEmpty() || documentPath == QLatin1String(kNullObjectPath)) {
        *failure = QString::fromLatin1(kMsgNoDocument);
        return nullptr;
    }
    auto doc = std::make_unique<CKalidorBusDocument>(bus, documentPath);
    QString deviceType;
    try {
        deviceType = doc->DeviceType();
    } catch (const CBiquadError&) {
        *failure = QString::fromLatin1(kMsgNoDocument);
        return nullptr;
    }
    if (!IsZelA(deviceType.toStdString())) {
        *failure = QString::fromLatin1(kMsgNotZelA);
        return nullptr;
    }
    return doc;
}

}  // namespace biquad
