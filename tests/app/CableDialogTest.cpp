// The JTAG interface dialog builds its cable choices from the table of cable back ends: one choice
// per back end with its name and the field of its setting, in the table's dialog order, and what
// is chosen there is what the settings store and the factory makes.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "AppTests.h"
#include "jtag/JtagInterface.h"
#include "jtag/TapPortFactory.h"
#include "jtag/cables/CableBackends.h"
#include "jtag/ui/JtagDialogs.h"
#include "platform/Settings.h"

namespace kalidor::test {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A usable setting of each back end other than its default.
std::string OtherValue(const CCableBackend& b)
{
    switch (b.tapPortClass) {
    case kTapPortDirect: return "0";
    case kTapPortPpdev: return "/dev/parport7";
    case kTapPortVirtual: return "virtual:ZelE,ZelA";
    case kTapPortFtdi: return "ftdi:jtagkey,serial=JK1234,freq=3M";
    case kTapPortVirtualFtdi: return "virtual:ZelD,foreign:8";
    default: return {};
    }
}

// Puts `value` into a setting field as a user would.
void Enter(QWidget* field, const CCableBackend& b, const std::string& value)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->setText(Q(value));
    } else if (auto* combo = qobject_cast<QComboBox*>(field)) {
        if (b.kind == CCableSettingKind::Choice)
            combo->setCurrentIndex(std::stoi(value));
        else
            combo->setCurrentText(Q(value));
    }
}

}  // namespace

class CableDialogTest : public QObject {
    Q_OBJECT

private slots:
    void everyBackEndHasItsChoiceAndField()
    {
        MemorySettings profile;
        profile.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
        CJtagInterface iface;
        iface.Start(profile, "");
        CJtagInterfaceDialog dlg(iface, profile);
        dlg.show();
        QCoreApplication::processEvents();

        int lastY = -1;
        std::vector<const CCableBackend*> byRow;
        for (const CCableBackend& b : CableBackends())
            byRow.push_back(&b);
        std::sort(byRow.begin(), byRow.end(), [](auto* x, auto* y) { return x->dialogRow < y->dialogRow; });
        for (const CCableBackend* b : byRow) {
            QRadioButton* button = dlg.ClassButton(b->tapPortClass);
            QVERIFY2(button, b->id);
            QCOMPARE(button->text(), QString::fromUtf8(b->name));
            QCOMPARE(button->objectName(), QStringLiteral("portClass%1").arg(b->tapPortClass));
            QVERIFY2(button->y() > lastY, b->id);
            lastY = button->y();
            QWidget* field = dlg.SettingField(b->tapPortClass);
            QVERIFY2(field, b->id);
            QCOMPARE(field->isEnabled(), button->isChecked());
            QCOMPARE(dlg.SettingError(b->tapPortClass) != nullptr, b->check != nullptr);
            if (b->kind == CCableSettingKind::Choice) {
                auto* combo = qobject_cast<QComboBox*>(field);
                QVERIFY(combo && !combo->isEditable());
                QCOMPARE(combo->count(), static_cast<int>(b->choices.size()));
            }
        }
        QVERIFY(dlg.ClassButton(kTapPortVirtual)->isChecked());
        QCOMPARE(dlg.ClassButton(12345), nullptr);
    }

    void dialogSettingsAndFactoryAgree()
    {
        for (const CCableBackend& b : CableBackends()) {
            MemorySettings profile;
            profile.SetInt(kJtagConfigSection, kEntryTapPortClass, kTapPortVirtual);
            CJtagInterface iface;
            iface.Start(profile, "");
            CJtagInterfaceDialog dlg(iface, profile);
            // Each field shows the stored setting.
            const CJtagInterfaceSettings stored = CJtagInterfaceSettings::Read(profile);
            for (const CCableBackend& o : CableBackends()) {
                QWidget* f = dlg.SettingField(o.tapPortClass);
                const QString shown = qobject_cast<QLineEdit*>(f) ? qobject_cast<QLineEdit*>(f)->text()
                                      : o.kind == CCableSettingKind::Choice
                                          ? QString::number(qobject_cast<QComboBox*>(f)->currentIndex())
                                          : qobject_cast<QComboBox*>(f)->currentText();
                QCOMPARE(shown, Q(o.get(stored)));
            }

            dlg.ClassButton(b.tapPortClass)->setChecked(true);
            Enter(dlg.SettingField(b.tapPortClass), b, OtherValue(b));
            QVERIFY2(dlg.ChoiceValid(), b.id);
            const CJtagInterfaceSettings choice = dlg.Choice();
            QCOMPARE(choice.tapPortClass, b.tapPortClass);
            QCOMPARE(Q(b.get(choice)), Q(OtherValue(b)));
            // Stored and read back, it is the same choice, and the factory makes its cable.
            iface.SelectPort(profile, choice);
            const CJtagInterfaceSettings read = CJtagInterfaceSettings::Read(profile);
            QCOMPARE(read.tapPortClass, b.tapPortClass);
            QCOMPARE(Q(b.get(read)), Q(OtherValue(b)));
            QCOMPARE(CableBackendOf(read.PortSpec()), &b);
            std::string error;
            QVERIFY2(CreateCable(read.PortSpec(), "", &error) != nullptr, error.c_str());
        }
    }
};

static RegisterTest registerCableDialog("CableDialogTest", [] { return std::make_unique<CableDialogTest>(); });

}  // namespace kalidor::test

#include "CableDialogTest.moc"
