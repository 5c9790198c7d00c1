// The automation server: the application object, every open schematic and every open JTAG
// chain as objects on the session bus, with the members macros call by name (support/dbus/ describes them), and the
// machine-wide activation list that decides which running instance owns the bus name.
//
// Every member goes through the operations the menus use: the core document (CSchDoc) for
// values, cells, the simulation setup, the summary and the filter table; the main window for
// opening, new designs, saving and closing; the programming commands for the registers. So a
// change made by a macro is one step of the document's history, undone in the window as a menu
// edit is.
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "application/KalidorApplication.h"

namespace kalidor {

class CActiveObjectRegistry;
class CJTAGDoc;
class CSchDoc;
class MainWindow;

// Names on the bus.
inline constexpr const char* kAutomationBusName = "KalidorRezirer.Application";
inline constexpr const char* kApplicationPath = "/KalidorRezirer/Application";
inline constexpr const char* kApplicationInterface = "KalidorRezirer.Application";
// Schematics are kSchematicPathPrefix + "/" + a number counted per instance from 1.
inline constexpr const char* kSchematicPathPrefix = "/KalidorRezirer/Schematic";
inline constexpr const char* kSchematicInterface = "KalidorRezirer.Schematic";
// JTAG chains are kChainPathPrefix + "/" + a number counted per instance from 1.
inline constexpr const char* kChainPathPrefix = "/KalidorRezirer/JTAGChain";
inline constexpr const char* kChainInterface = "KalidorRezirer.JTAGChain";
inline constexpr const char* kRegistryPath = "/KalidorRezirer/Registry";
inline constexpr const char* kRegistryInterface = "KalidorRezirer.Registry";
inline constexpr const char* kActiveChangingSignal = "WM_ACTIVECHANGING";
// A null object: ActiveDocument without an active schematic.
inline constexpr const char* kNullObjectPath = "/";
// Setting a read-only property.
inline constexpr const char* kErrorNotSupported = "org.freedesktop.DBus.Error.NotSupported";
inline constexpr const char* kMsgNotSupported = "not supported";
// Save on a design that was never saved (no file dialog opens in the middle of a call: SaveAs
// names the file), and a Save or SaveAs that could not write the file; the error's text says why.
inline constexpr const char* kErrorNeverSaved = "KalidorRezirer.Error.NeverSaved";
inline constexpr const char* kMsgNeverSaved = "%1 has never been saved: SaveAs saves it under a file name.";
inline constexpr const char* kErrorSaveFailed = "KalidorRezirer.Error.SaveFailed";
inline constexpr const char* kMsgSaveAsNoPath = "SaveAs needs the path of the file to save the design in.";

// What a member throws to answer its call with an error.
struct CAutomationError {
    const char* name;
    QString text;
};

// The calls a client makes without a pause longer than this are one operation: the changes they
// make to a schematic are one step of its history, named kStepMacroChanges once it holds more than
// one change (one Undo takes back a whole Generate Schematic of the biquad program, a macro's run).
inline constexpr int kOperationGapMs = 500;
inline constexpr const char* kStepMacroChanges = "Macro Changes";
// The environment variable that names the activation list's document class in place of CSchDoc
// (tests keep the instances they start apart from those of the user).
inline constexpr const char* kRegistryNameVariable = "KALIDOR_REGISTRY_NAME";

// One member of an automation object: a method with its parameters and result, or a property.
// Types are D-Bus signatures: "n" 16-bit, "i" 32-bit, "d" double, "s" text, "o" object; a
// method without a result has an empty type. `Target` is the document the object stands for.
template <class Target>
struct CAutomationMemberOf {
    struct Arg {
        const char* name;
        const char* type;
    };
    using Args = QVariantList;  // the parameters, converted to the declared types
    const char* name;
    bool property;
    const char* type;            // the result, or the property's type
    std::vector<Arg> in;         // a method's parameters
    std::function<QVariant(Target*, const Args&)> call;  // a method, or a property's read
    std::function<void(Target*, const QVariant&)> set;   // a property's write; none: read only
};

// The members of an interface, in order, and its introspection text.
template <class Target>
struct CAutomationInterfaceOf {
    const char* name;
    std::vector<CAutomationMemberOf<Target>> members;
    QString IntrospectionXml() const;
    const CAutomationMemberOf<Target>* Find(const QString& member, bool property) const;
};

// The application and the schematic objects, and the JTAG chain objects.
using CAutomationMember = CAutomationMemberOf<CSchDoc>;
using CAutomationInterface = CAutomationInterfaceOf<CSchDoc>;
using CChainAutomationInterface = CAutomationInterfaceOf<CJTAGDoc>;

class CAutomationServer : public QObject, private CKalidorApplicationObserver {
    Q_OBJECT
public:
    // Serves `main` on `bus`. `registryName` names the activation list (empty: the variable
    // kRegistryNameVariable, or CSchDoc).
    CAutomationServer(MainWindow& main, QDBusConnection bus, QString registryName = QString());
    ~CAutomationServer() override;

    // Puts the objects on the bus and joins the activation list; false without a bus.
    bool Start();
    bool OwnsName() const;
    const CActiveObjectRegistry& Registry() const { return *m_registry; }

    QString PathOf(const CSchDoc* doc) const;
    CSchDoc* DocumentAt(const QString& path) const;
    QString PathOf(const CJTAGDoc* chain) const;
    CJTAGDoc* ChainAt(const QString& path) const;

    const CAutomationInterface& ApplicationInterface() const { return m_appInterface; }
    const CAutomationInterface& SchematicInterface() const { return m_docInterface; }
    const CChainAutomationInterface& ChainInterface() const { return m_chainInterface; }

    // The three kinds of objects on the bus.
    enum class ObjectKind { kApplication, kSchematic, kChain };
    // Answers a call to one of the objects (the bus's virtual objects call it).
    bool HandleMessage(const QDBusMessage& message, const QDBusConnection& connection, ObjectKind kind);
    QString Introspect(const QString& path, ObjectKind kind) const;

private slots:
    void OnActiveChanging();

private:
    class Object;
    void BuildApplicationInterface();
    void BuildSchematicInterface();
    void BuildChainInterface();
    // Answers a call to an object of `ifc` standing for `target`.
    template <class Target>
    bool Dispatch(const CAutomationInterfaceOf<Target>& ifc, Target* target, const QDBusMessage& message,
                  const QDBusConnection& connection);
    // A schematic window became active: this instance goes to the top of the list.
    void OnSchematicActivated(CSchDoc* doc);
    void OnSchematicOpened(CSchDoc& doc) override;
    void OnSchematicClosing(CSchDoc& doc) override;
    void OnChainOpened(CJTAGDoc& chain) override;
    void OnChainClosing(CJTAGDoc& chain) override;
    bool Register(bool replace);
    void Withdraw();
    void Broadcast();
    QDBusObjectPath ObjectPath(const CSchDoc* doc) const;
    // The operation a call of `client` belongs to (see kOperationGapMs).
    std::uint64_t OperationOf(const QString& client);

    MainWindow& m_main;
    QDBusConnection m_bus;
    std::unique_ptr<CActiveObjectRegistry> m_registry;
    std::unique_ptr<Object> m_appObject;
    std::unique_ptr<Object> m_docObject;
    std::unique_ptr<Object> m_chainObject;
    CAutomationInterface m_appInterface;
    CAutomationInterface m_docInterface;
    CChainAutomationInterface m_chainInterface;
    QHash<const CSchDoc*, int> m_numbers;
    int m_nextNumber = 1;
    QHash<const CJTAGDoc*, int> m_chainNumbers;
    int m_nextChainNumber = 1;
    CSchDoc* m_remembered = nullptr;
    // The client of the last call, when it came and the operation it belongs to.
    QString m_operationClient;
    QElapsedTimer m_sinceCall;
    std::uint64_t m_operation = 0;
    bool m_started = false;
};

}  // namespace kalidor
