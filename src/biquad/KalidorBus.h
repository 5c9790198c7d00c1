// The biquad generator's only way into Kalidor: the automation objects on the session bus. The
// application object and the active schematic are held for the life of the window, as object
// paths on the connection that found them.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <memory>

#include "biquad/BiquadGenerator.h"

namespace biquad {

inline constexpr char kBusName[] = "KalidorRezirer.Application";
inline constexpr char kApplicationPath[] = "/KalidorRezirer/Application";
inline constexpr char kApplicationInterface[] = "KalidorRezirer.Application";
inline constexpr char kSchematicInterface[] = "KalidorRezirer.Schematic";
// The null object: ActiveDocument without an active schematic.
inline constexpr char kNullObjectPath[] = "/";

// The active schematic of the running Kalidor. Every member throws CBiquadError when the call
// fails (Kalidor went away, refused the call), naming the member and the bus's message.
class CKalidorBusDocument : public CBiquadDocument {
public:
    CKalidorBusDocument(const QDBusConnection& bus, QString documentPath);

    void SetSymValue(int key, int value) override;
    void SetGainValue(int key, int gain) override;
    int GetGainValue(int key) override;
    void SetScaledCapValue(int key, int scaled) override;
    int GetScaledCapValue(int key) override;
    void SetGainPhaseInputNode(int node) override;
    void SetGainPhaseOutputNode(int node) override;
    void SetTitle(const std::string& text) override;
    void SetKeywords(const std::string& text) override;
    void SetComments(const std::string& text) override;
    void UpdateViews() override;

    // The document's device type (the DeviceType property).
    QString DeviceType();
    const QString& Path() const { return m_path; }

private:
    QVariant Call(const char* member, const QVariantList& arguments);
    QVariant GetProperty(const char* name);
    void SetProperty(const char* name, const QVariant& value);

    QDBusConnection m_bus;
    QString m_path;
};

// Start-up checks 2 to 4: finds the running Kalidor on `bus` (without starting one), takes its
// active document and checks that it is a ZelA schematic. Null with `failure` set to the message
// that ends the program when one of them fails.
std::unique_ptr<CKalidorBusDocument> ConnectToActiveZelA(const QDBusConnection& bus, QString* failure);

}  // namespace biquad
