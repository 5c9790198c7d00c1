// The JTAG commands of the desktop program on a virtual cable: the IDCODE, options, interface and
// registers dialogs driven like a user would, and Download, Verify and Upload of every device type
// through the commands, with the messages they leave.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "device/DeviceConfig.h"
#include "device/SymbolDifferences.h"
#include "document/ui/SchDocument.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/ui/JtagDialogs.h"
#include "jtag/ui/JtagUi.h"

namespace kalidor::test {

namespace {

std::unique_ptr<SchDocument> NewDoc(const char* type)
{
    auto d = std::make_unique<SchDocument>();
    if (!d->NewDocument(type, 1))
        return nullptr;
    return d;
}

QStringList Texts(const RecordingPrompter& p)
{
    QStringList t;
    for (const auto& m : p.messages)
        t << QString::fromStdString(m.text);
    return t;
}

QString Cells(SchDocument& d)
{
    QString s;
    DeviceConfig* c = d.Doc().Device();
    for (int i = 0; i < c->GetCellCount(); ++i)
        s += c->E2_GetValue(i) ? '1' : '0';
    return s;
}

// Changes the first symbol that takes another legal value; false when none does.
bool ChangeSomeValue(SchDocument& d)
{
    DeviceConfig* c = d.Doc().Device();
    const std::string type = c->TypeName();
    for (int key = 0; key < c->SymbolSlotCount(); ++key) {
        if (!c->HasRecord(key))
            continue;
        if ((type == "ZelD" || type == "ZelE") && (key == 9 || key == 10 || key == 64 || key == 65))
            continue;
        const int max = c->GetSymbolRecord(key).maxValue;
        if (max <= 0)
            continue;
        const int v = c->GetSymValue(key);
        const QString before = Cells(d);
        d.Doc().SetSymValue(key, v == 0 ? 1 : 0);
        if (Cells(d) != before)
            return true;
    }
    return false;
}

QString Text(const char* s) { return QString::fromUtf8(s); }

}  // namespace

class JtagUiTest : public QObject {
    Q_OBJECT

    // A CJtagUi on a virtual cable with `chain`, with in-memory settings.
    std::unique_ptr<CJtagUi> MakeUi(Environment& env, const char* chain, SchDocument* active = nullptr)
    {
        env.settings.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        env.settings.SetString(kJtagConfigSection, kEntryVirtualChain, chain);
        auto ui = std::make_unique<CJtagUi>(nullptr, [active] { return active; });
        ui->Start(&env.settings, "");
        ui->showIdcode = [this](const CIdcodeFields& f) { m_shown.push_back(f); };
        ui->showVerifyFailed = [this](const CVerifyReport& r) { m_reports.push_back(r); };
        return ui;
    }
    std::vector<CIdcodeFields> m_shown;
    std::vector<CVerifyReport> m_reports;

private slots:
    void init() { m_shown.clear(); }

    void idcodeDialogShowsTheFields()
    {
        const CIdcodeFields f = DecodeIdcode("0000" "0000000100110000" "00000100001" "1");
        CIdcodeDialog dlg(f);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("JTAG IDCODE"));
        QCOMPARE(dlg.UndecodedEdit()->text(), QStringLiteral("00000000000100110000000001000011"));
        QCOMPARE(dlg.ManufacturerEdit()->text(), QStringLiteral("Norvane Dividaduzudav  (00000100001)"));
        QCOMPARE(dlg.PartNumberEdit()->text(), QStringLiteral("ZelC  (0000000100110000)"));
        QCOMPARE(dlg.VersionEdit()->text(), QStringLiteral("0  (0000)"));
        QStringList labels;
        for (QLabel* l : dlg.findChildren<QLabel*>())
            labels << l->text();
        for (const char* t : {"&Undecoded IDCODE binary string:", "Manufacturer:", "Part Number:", "Version:"})
            QVERIFY2(labels.contains(Text(t)), t);
        QCOMPARE(dlg.findChild<QGroupBox*>()->title(), QStringLiteral("IDCODE Fields:"));
        QVERIFY(dlg.UndecodedEdit()->isReadOnly());
        // The whole IDCODE fits its field.
        dlg.show();
        QVERIFY(dlg.UndecodedEdit()->width() >
                dlg.UndecodedEdit()->fontMetrics().horizontalAdvance(dlg.UndecodedEdit()->text()));
    }

    void optionsDialogCopiesBackOnOkOnly()
    {
        Environment env;
        auto doc = NewDoc("ZelB");
        QVERIFY(doc);
        auto ui = MakeUi(env, "virtual:ZelB", doc.get());
        CJtagScriptedDevice* p = doc->Doc().Programmer();
        CJtagRegProgram* program = doc->Doc().RegProgram();

        // Cancel leaves every value.
        OnNextModal([](QWidget* w) {
            auto* d = qobject_cast<CJtagOptionsDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("JTAG Operation Integrity Checks"));
            d->CableCheck()->setChecked(false);
            d->reject();
        });
        ui->ShowOptions(doc.get());
        QCOMPARE(ui->Interface().Port()->GetCableCheck(), 1);

        OnNextModal([](QWidget* w) {
            auto* d = qobject_cast<CJtagOptionsDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->CableCheck()->text(), QStringLiteral("Check if cable is connected"));
            QCOMPARE(d->PowerCheck()->text(), QStringLiteral("Check for power applied to cable and device"));
            QCOMPARE(d->VerifyCheck()->text(), QStringLiteral("Verify after downloading"));
            QCOMPARE(d->IdcodeCheck()->text(), QStringLiteral("Insert code to IDCODE check using TDO clause"));
            QCOMPARE(d->InlineCheck()->text(), QStringLiteral("Insert code to perform verify using TDO clause"));
            QStringList groups;
            for (QGroupBox* g : d->findChildren<QGroupBox*>())
                groups << g->title();
            QCOMPARE(groups, (QStringList{QStringLiteral("Perform integrity checks during JTAG operations:"),
                                          QStringLiteral("SVF Compilation options")}));
            QStringList labels;
            for (QLabel* l : d->findChildren<QLabel*>())
                labels << l->text();
            QVERIFY(labels.contains(QStringLiteral("Kalidor SVF interpreter does not use this feature.")));
            QVERIFY(labels.contains(QStringLiteral("These settings are not saved when Kalidor exits.")));
            d->PowerCheck()->setChecked(false);
            d->VerifyCheck()->setChecked(false);
            d->InlineCheck()->setChecked(false);
            d->accept();
        });
        ui->ShowOptions(doc.get());
        QCOMPARE(ui->Interface().Port()->GetCableCheck(), 1);
        QCOMPARE(ui->Interface().Port()->GetPowerCheck(), 0);
        QCOMPARE(p->GetVerifyAfterDownload(), 0);
        QCOMPARE(program->GetIdcodeCheck(), 1);
        QCOMPARE(program->GetInlineVerify(), 0);
        QVERIFY(!ui->VerifyAfterDownload(doc.get()));

        // The document's options outlive an undo (which may rebuild its JTAG objects).
        doc->Change(QStringLiteral("edit"), [&] { return ChangeSomeValue(*doc); });
        doc->UndoStack()->undo();
        ui->AttachDocument(doc.get());
        QCOMPARE(doc->Doc().Programmer()->GetVerifyAfterDownload(), 0);
        QCOMPARE(doc->Doc().RegProgram()->GetInlineVerify(), 0);
    }

    void selectionDialogPreselectsTheStoredChoice()
    {
        for (int stored : {0, 1, 2, 3, -4, 7}) {
            CInterfaceSelectDialog dlg(stored);
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Select JTAG Interface"));
            QCOMPARE(dlg.List()->count(), 4);
            QCOMPARE(dlg.List()->item(0)->text(), QStringLiteral("Uses PC Parallel Port (at port 3BC, 378, or 278)"));
            QCOMPARE(dlg.List()->item(1)->text(), QStringLiteral("Serial port (not available)"));
            QCOMPARE(dlg.List()->item(2)->text(), QStringLiteral("USB port (not available)"));
            QCOMPARE(dlg.List()->item(3)->text(),
                     QStringLiteral("External SVF server (svfsvr, on the download cable below)"));
            // The parallel port and the SVF server can be chosen, the serial and USB ports not.
            QCOMPARE(dlg.SelectedId(), stored == 3 ? 3 : 0);
            QVERIFY(!(dlg.List()->item(1)->flags() & Qt::ItemIsEnabled));
            QVERIFY(!(dlg.List()->item(2)->flags() & Qt::ItemIsEnabled));
            QVERIFY(dlg.List()->item(3)->flags() & Qt::ItemIsEnabled);
        }
    }

    void interfaceDialogEditsTheVirtualChain()
    {
        Environment env;
        auto ui = MakeUi(env, "virtual:ZelA");
        CJtagInterfaceDialog dlg(ui->Interface(), ui->Profile());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("JTAG Interface"));
        QVERIFY(dlg.ClassButton(kTapPortVirtual)->isChecked());
        QVERIFY(dlg.ClassButton(kTapPortVirtual)->text().startsWith(QStringLiteral("Virtual cable")));
        QCOMPARE(dlg.ChainEdit()->text(), QStringLiteral("virtual:ZelA"));
        QCOMPARE(dlg.InterpreterLabel()->text(), QStringLiteral("Uses PC Parallel Port (at port 3BC, 378, or 278)"));
        QPushButton* ok = dlg.Buttons()->button(QDialogButtonBox::Ok);
        dlg.ChainEdit()->setText(QStringLiteral("virtual:ZelA,ZelQ"));
        QVERIFY(!ok->isEnabled());
        QVERIFY(!dlg.ChoiceValid());
        QVERIFY(dlg.ChainError()->text().contains(QStringLiteral("ZelQ")));
        dlg.ChainEdit()->setText(QStringLiteral("virtual:ZelA,foreign:8,ZelC"));
        QVERIFY(ok->isEnabled());
        QVERIFY(dlg.ChainError()->text().isEmpty());
        // Faults of the virtual cable follow the devices; a malformed one says which are known.
        dlg.ChainEdit()->setText(QStringLiteral("virtual:ZelA,foreign:8,ZelC?flip=3:1&secured=2&tdo=0"));
        QVERIFY(ok->isEnabled());
        dlg.ChainEdit()->setText(QStringLiteral("virtual:ZelA?tdo=5"));
        QVERIFY(!ok->isEnabled());
        QVERIFY(dlg.ChainError()->text().contains(QStringLiteral("Faults may follow after '?'")));
        {
            Environment faulty;
            auto withFault = MakeUi(faulty, "virtual:ZelA?nopower");
            QCOMPARE(withFault->Interface().Port()->CheckCable(), kCableNoPower);
        }
        // A bad chain does not matter for another cable.
        dlg.ChainEdit()->setText(QStringLiteral("nonsense"));
        dlg.ClassButton(kTapPortDirect)->setChecked(true);
        QVERIFY(ok->isEnabled());
        QVERIFY(!dlg.ChainEdit()->isEnabled());
        dlg.PortCombo()->setCurrentIndex(2);
        const CJtagInterfaceSettings c = dlg.Choice();
        QCOMPARE(c.tapPortClass, kTapPortDirect);
        QCOMPARE(c.portId, 2);
        QCOMPARE(dlg.PortCombo()->itemText(0), QStringLiteral("3BCH"));
    }

    void anotherCableIsUsedAtOnceWithoutRestart()
    {
        Environment env;
        auto doc = NewDoc("ZelC");
        auto ui = MakeUi(env, "virtual:ZelA", doc.get());
        // No ZelC on the running cable.
        QCOMPARE(ui->Download(doc.get()), kJtagIdcodeMismatch);

        auto choose = [&](const std::function<void(CJtagInterfaceDialog*)>& set) {
            bool seen = false;
            OnNextModal(
                [&](QWidget* w) {
                    auto* d = qobject_cast<CJtagInterfaceDialog*>(w);
                    QVERIFY(d);
                    set(d);
                    d->accept();
                },
                5000, &seen);
            ui->ShowInterface();
            QVERIFY(seen);
        };

        // A chain with a ZelC: used at once, nothing waits for a restart.
        env.prompter.Clear();
        choose([](CJtagInterfaceDialog* d) { d->ChainEdit()->setText(QStringLiteral("virtual:ZelA,ZelC")); });
        QVERIFY2(env.prompter.messages.empty(), qPrintable(Texts(env.prompter).join('|')));
        QCOMPARE(env.settings.GetString(kJtagConfigSection, kEntryVirtualChain, ""), std::string("virtual:ZelA,ZelC"));
        QCOMPARE(env.settings.GetInt(kJtagConfigSection, kEntryInterpreterWasChanged, -1), 0);
        QVERIFY(!ui->Interface().InterfaceChanged());
        QCOMPARE(ui->Download(doc.get()), kJtagDone);
        QCOMPARE(Texts(env.prompter), QStringList{Text(kMsgVerifySucceeded)});

        // A parallel-port device that is not there: said at once, and the dialog shows why.
        env.prompter.Clear();
        choose([](CJtagInterfaceDialog* d) {
            d->ClassButton(kTapPortPpdev)->setChecked(true);
            d->DeviceCombo()->setCurrentText(QStringLiteral("/dev/kalidor-no-such-parport"));
        });
        QCOMPARE(env.prompter.messages.size(), size_t(1));
        QVERIFY(Texts(env.prompter)[0].startsWith(QStringLiteral("The download cable could not be opened:\n")));
        QVERIFY(Texts(env.prompter)[0].contains(QStringLiteral("/dev/kalidor-no-such-parport")));
        QVERIFY(!ui->Interface().InterfaceChanged());
        CJtagInterfaceDialog shown(ui->Interface(), ui->Profile());
        QCOMPARE(shown.StateLabel()->text(), QStringLiteral("Not connected: the download cable could not be opened"));
        QVERIFY(shown.RunningCableLabel()->text().startsWith(QStringLiteral("Cable in use: Linux parallel port driver")));
        QVERIFY(shown.RunningCableLabel()->text().contains(QStringLiteral("could not be opened")));
        env.prompter.Clear();
        QCOMPARE(ui->Download(doc.get()), kJtagNotReady);
        QCOMPARE(env.prompter.messages.size(), size_t(1));
        QVERIFY(Texts(env.prompter)[0].contains(QStringLiteral("/dev/kalidor-no-such-parport")));

        // Back to the virtual cable: connected, and the device kept what was downloaded.
        env.prompter.Clear();
        choose([](CJtagInterfaceDialog* d) { d->ClassButton(kTapPortVirtual)->setChecked(true); });
        QVERIFY(env.prompter.messages.empty());
        CJtagInterfaceDialog again(ui->Interface(), ui->Profile());
        QCOMPARE(again.StateLabel()->text(), QStringLiteral("Connected"));
        QVERIFY(again.RunningCableLabel()->text().startsWith(QStringLiteral("Cable in use: ")));
        QVERIFY(!again.RunningCableLabel()->text().contains(QStringLiteral("could not be opened")));
        QCOMPARE(ui->Verify(doc.get()), kJtagVerifyEqual);

        // Another interpreter still waits for a restart, and is noted when the dialog opens.
        env.prompter.Clear();
        QVERIFY(ui->Interface().SelectInterpreter(ui->Profile(), 1));
        OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        ui->ShowInterface();
        QCOMPARE(Texts(env.prompter),
                 QStringList{QStringLiteral("Note: Currently loaded SVF Interpreter differs from that reported in the dialog.")});
        env.prompter.Clear();
        QCOMPARE(ui->Download(doc.get()), kJtagNotReady);
        QCOMPARE(Texts(env.prompter), QStringList{Text(kMsgProgrammingDisabled)});
    }

    void downloadVerifyUploadOfEveryDeviceType()
    {
        for (const char* type : {"ZelA", "ZelB", "ZelC", "ZelD", "ZelE"}) {
            Environment env;
            m_shown.clear();
            auto doc = NewDoc(type);
            QVERIFY(doc);
            // All five on one virtual chain: each design finds its own device.
            auto ui = MakeUi(env, "virtual:ZelE,ZelD,ZelC,ZelB,ZelA", doc.get());

            QCOMPARE(ui->ReadIdcode(doc.get()), kJtagDone);
            QCOMPARE(m_shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(m_shown[0].deviceType), Text(type));
            QVERIFY(env.prompter.messages.empty());

            doc->Change(QStringLiteral("edit"), [&] { return ChangeSomeValue(*doc); });
            QCOMPARE(ui->Download(doc.get()), kJtagDone);
            QCOMPARE(Texts(env.prompter), QStringList{Text(kMsgVerifySucceeded)});
            env.prompter.Clear();
            QCOMPARE(ui->Verify(doc.get()), kJtagVerifyEqual);
            QCOMPARE(Texts(env.prompter), QStringList{Text(kMsgVerifySucceeded)});

            // A changed value: the device differs.
            const QString downloaded = Cells(*doc);
            const std::unique_ptr<DeviceConfig> downloadedModel = CopyDeviceConfig(*doc->Doc().Device());
            doc->Change(QStringLiteral("edit"), [&] { return ChangeSomeValue(*doc); });
            QVERIFY(Cells(*doc) != downloaded);
            env.prompter.Clear();
            m_reports.clear();
            QCOMPARE(ui->Verify(doc.get()), kJtagVerifyDiffers);
            // The verify-failed message comes with what differs: the settings changed since the
            // download, each with its value in the design and in the device.
            QCOMPARE(m_reports.size(), size_t(1));
            QVERIFY2(!Texts(env.prompter).contains(Text(kMsgVerifySucceeded)), type);
            const auto want = SymbolDifferences(*doc->Doc().Device(), *downloadedModel);
            QVERIFY(!want.empty());
            QCOMPARE(m_reports[0].symbols.size(), want.size());
            for (std::size_t i = 0; i < want.size(); ++i) {
                QCOMPARE(m_reports[0].symbols[i].key, want[i].key);
                QCOMPARE(m_reports[0].symbols[i].beforeText, want[i].beforeText);
                QCOMPARE(m_reports[0].symbols[i].afterText, want[i].afterText);
            }
            QVERIFY(!m_reports[0].bits.empty());

            // Upload into a new design of the type gives the design that was downloaded, and says
            // what it read.
            auto fresh = NewDoc(type);
            env.prompter.Clear();
            QCOMPARE(ui->Upload(fresh.get()), kJtagDone);
            QCOMPARE(env.prompter.messages.size(), size_t(1));
            QVERIFY2(Texts(env.prompter)[0].startsWith(QStringLiteral("Upload complete: the %1 on ").arg(type)),
                     qPrintable(Texts(env.prompter)[0]));
            // The settings changed before the download, one line each.
            QVERIFY2(Texts(env.prompter)[0].contains(QRegularExpression(QStringLiteral("\n[1-9][0-9]* settings? changed:\n"))),
                     qPrintable(Texts(env.prompter)[0]));
            QVERIFY(!env.prompter.statusTexts.empty());
            QCOMPARE(Cells(*fresh), downloaded);
            QVERIFY(fresh->Doc().IsModified());
            // The upload is one step of the undo history.
            QVERIFY(fresh->UndoStack()->canUndo());
            fresh->UndoStack()->undo();
            QVERIFY(Cells(*fresh) != downloaded);

            QCOMPARE(ui->AutoCal(doc.get()), kJtagDone);
        }
    }

    void registersDialogActsOnTheChosenRegister()
    {
        Environment env;
        auto doc = NewDoc("ZelB");
        auto ui = MakeUi(env, "virtual:ZelB", doc.get());
        QCOMPARE(ui->Download(doc.get()), kJtagDone);
        env.prompter.Clear();
        bool seen = false;
        OnNextModal(
            [&](QWidget* w) {
                auto* d = qobject_cast<CJtagRegistersDialog*>(w);
                QVERIFY(d);
                QCOMPARE(d->windowTitle(), QStringLiteral("JTAG Registers"));
                QCOMPARE(d->List()->count(), doc->Doc().RegProgram()->GetRegCount());
                d->List()->setCurrentRow(0);
                d->Button(CRegisterOperation::Verify)->click();
                const QString name = QString::fromStdString(doc->Doc().RegProgram()->RegName(0));
                QCOMPARE(d->ResultLabel()->text(), name + QStringLiteral(": device equals schematic."));
                d->Button(CRegisterOperation::Read)->click();
                QCOMPARE(d->BitsView()->toPlainText().size(), doc->Doc().RegProgram()->GetRegLength(0));
                d->Button(CRegisterOperation::Upload)->click();
                QVERIFY(d->Changed());
                d->reject();
            },
            5000, &seen);
        ui->ShowRegisters(doc.get());
        QVERIFY(seen);
        QVERIFY(env.prompter.messages.empty());
    }

    void menusCarryTheCommands()
    {
        Environment env;
        auto doc = NewDoc("ZelA");
        SchDocument* active = doc.get();
        QWidget window;
        CJtagUi ui(&window, [&active] { return active; });
        ui.Start(&env.settings, "");
        QMenu tools, options;
        ui.InstallMenus(&tools, &options);
        QStringList t, o;
        for (QAction* a : tools.actions())
            if (!a->isSeparator())
                t << a->text();
        for (QAction* a : options.actions())
            o << a->text();
        QCOMPARE(t, (QStringList{"&Download", "&Upload", "&Verify", "Read &IDCODE", "&Auto-Calibrate",
                                 "JTAG &Registers...", "Verify &after Download"}));
        QCOMPARE(o, (QStringList{"JTAG Interface...", "JTAG &Options..."}));
        QCOMPARE(ui.Action("actionJtagDownload")->statusTip(), QStringLiteral("Download configuration to the device"));
        QCOMPARE(ui.Action("actionJtagUpload")->statusTip(), QStringLiteral("Read the device configuration"));
        QCOMPARE(ui.Action("actionJtagVerify")->statusTip(),
                 QStringLiteral("Verify device configuration against schematic"));
        QCOMPARE(ui.Action("actionJtagRegisters")->statusTip(), QStringLiteral("Act on any JTAG register"));
        ui.UpdateActions();
        QVERIFY(ui.Action("actionJtagDownload")->isEnabled());
        QVERIFY(ui.Action("actionJtagVerifyAfterDownload")->isChecked());
        ui.Action("actionJtagVerifyAfterDownload")->trigger();
        QCOMPARE(doc->Doc().Programmer()->GetVerifyAfterDownload(), 0);
        active = nullptr;
        ui.UpdateActions();
        QVERIFY(!ui.Action("actionJtagDownload")->isEnabled());
        QVERIFY(ui.Action("actionJtagInterface")->isEnabled());
    }
};

static RegisterTest registerJtag("JtagUiTest", [] { return std::make_unique<JtagUiTest>(); });

}  // namespace kalidor::test

#include "JtagUiTest.moc"
