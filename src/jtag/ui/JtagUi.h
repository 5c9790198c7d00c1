// The JTAG programming commands of the desktop program. One CJtagUi lives as long as the main
// window: it has the application object start its SVF interpreter and download cable from
// KALIDOR.INI (Start), puts the programming commands into the Tools menu and the interface
// commands into the Options menu (InstallMenus), and runs each command on the active schematic
// document with a progress window that keeps the program drawn while the device is programmed.
// The interface and the documents' programming options are the application's and the
// documents' own; this class only shows them.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "jtag/JtagInterface.h"
#include "jtag/JtagUiModel.h"

namespace kalidor {
class CSchDoc;
}

class QAction;
class QMenu;
class QWidget;

namespace kalidor {

class CKalidorApplication;
class SchDocument;
class Settings;
struct CIdcodeFields;
struct CVerifyReport;

class CJtagUi : public QObject {
    Q_OBJECT
public:
    // `window` parents the dialogs; `activeDocument` gives the document the commands act on
    // (nullptr: none is open). The interface is `app`'s; without one, an application object of
    // its own.
    CJtagUi(QWidget* window, CKalidorApplication& app, std::function<SchDocument*()> activeDocument,
            QObject* parent = nullptr);
    CJtagUi(QWidget* window, std::function<SchDocument*()> activeDocument, QObject* parent = nullptr);
    ~CJtagUi() override;

    // Reads the "JtagConfig" section and makes the interpreter and the port. Without `profile`
    // the file KALIDOR.INI in the user's configuration folder is used (and written).
    void Start(Settings* profile = nullptr, const std::string& stateDir = DefaultVirtualStateDirectory());
    // Adds the commands: Download, Upload, Verify, Read IDCODE, Auto-Calibrate, JTAG Registers and
    // Verify after Download to `tools`; JTAG Interface and JTAG Options to `options` (to `tools`
    // when `options` is null).
    void InstallMenus(QMenu* tools, QMenu* options);

    CJtagInterface& Interface();
    Settings& Profile();
    QAction* Action(const char* objectName) const;

    // Ties a document to the application's interpreter (also done before every command) and
    // shows its IDCODE read-outs in the IDCODE dialog and its failed verifications with their
    // details.
    void AttachDocument(SchDocument* doc);

    // The commands on a given document; each returns the operation's result code (1 when refused).
    // An upload that read the device says what it read and which settings it changed.
    JtagResult Download(SchDocument* doc);
    JtagResult Upload(SchDocument* doc);
    JtagResult Verify(SchDocument* doc);
    JtagResult ReadIdcode(SchDocument* doc);
    JtagResult AutoCal(SchDocument* doc);
    // A register operation as the JTAG registers dialog runs it.
    JtagResult RegisterOperation(SchDocument* doc, CRegisterOperation op, int reg, std::string& bits);
    void ShowRegisters(SchDocument* doc);
    void ShowOptions(SchDocument* doc);
    void ShowInterface();
    void SetVerifyAfterDownload(SchDocument* doc, bool on);
    bool VerifyAfterDownload(SchDocument* doc) const;

    // Shows the IDCODE dialog (Read IDCODE ends here); tests may replace it.
    std::function<void(const CIdcodeFields&)> showIdcode;
    // Shows the verify-failed message with what differs (CVerifyFailedDialog); tests may replace it.
    std::function<void(const CVerifyReport&)> showVerifyFailed;

public slots:
    void OnDownload() { Download(m_active()); }
    void OnUpload() { Upload(m_active()); }
    void OnVerify() { Verify(m_active()); }
    void OnReadIdcode() { ReadIdcode(m_active()); }
    void OnAutoCal() { AutoCal(m_active()); }
    void OnRegisters() { ShowRegisters(m_active()); }
    void OnOptions() { ShowOptions(m_active()); }
    void OnInterface() { ShowInterface(); }
    void UpdateActions();

private:
    // Runs a programming command of the document with a progress window; `name` is the progress
    // operation.
    JtagResult RunOperation(SchDocument* doc, const char* name, JtagResult (CSchDoc::*operation)());
    void DefaultShowIdcode(const CIdcodeFields& fields);
    void DefaultShowVerifyFailed(const CVerifyReport& report);

    std::unique_ptr<CKalidorApplication> m_ownApp;
    CKalidorApplication* m_app;
    QPointer<QWidget> m_window;
    std::function<SchDocument*()> m_active;
    class Progress;
    Progress* m_progress = nullptr;  // the running operation's progress window
};

}  // namespace kalidor
