// The symbol value editors, opened through the schematic's editor dispatch with a value, driven
// like a user would, and the stored value checked.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cmath>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ui/SymbolEditor.h"
#include "device/ui/ValueDialogs.h"
#include "document/ui/SchDocument.h"
#include "view/DeviceSchematic.h"

namespace kalidor::test {

namespace {

std::unique_ptr<SchDocument> NewDoc(const char* type)
{
    auto d = std::make_unique<SchDocument>();
    if (!d->NewDocument(type, 1))
        return nullptr;
    return d;
}

void Accept(QWidget* w) { static_cast<QDialog*>(w)->accept(); }

// Selects the row of a list chooser and presses OK.
void ChooseRow(QWidget* w, int row)
{
    auto* d = qobject_cast<CListChooserDialog*>(w);
    QVERIFY(d);
    d->List()->setCurrentItem(d->List()->topLevelItem(row));
    d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

QStringList RadioTexts(QWidget* w)
{
    QStringList t;
    for (QRadioButton* r : w->findChildren<QRadioButton*>())
        t << r->text();
    return t;
}

QRadioButton* Radio(QWidget* w, const QString& text)
{
    for (QRadioButton* r : w->findChildren<QRadioButton*>())
        if (r->text() == text)
            return r;
    return nullptr;
}

QString Text(SchDocument& d, int key) { return QString::fromStdString(d.Doc().Schematic()->GetSymbol(key)->GetValueText()); }

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    Environment* env = nullptr;

private slots:
    void init() { env = new Environment; }
    void cleanup()
    {
        delete env;
        env = nullptr;
    }

    void gainChooserStoresTheChosenGain()
    {
        auto doc = NewDoc("ZelA");
        QString title;
        int rows = 0;
        QString firstVisible;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            title = w->windowTitle();
            rows = d->RowCount();
            QTest::qWait(50);
            firstVisible = d->List()->itemAt(5, 5) ? d->List()->itemAt(5, 5)->text(0) : QString();
            ChooseRow(w, 5);  // -5
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 4), 1);
        // The title names the symbol the chooser edits.
        QCOMPARE(title, QStringLiteral("Block 1 T1 Gain"));
        QCOMPARE(rows, 20);
        QCOMPARE(firstVisible, QStringLiteral("1"));
        QCOMPARE(GetGainValue(*doc->Doc().Device(), 4), -5);
        QVERIFY(doc->Doc().IsModified());
        QCOMPARE(Text(*doc, 4), QStringLiteral("-5"));
    }

    void cancelChangesNothing()
    {
        auto doc = NewDoc("ZelA");
        const auto cells = doc->Doc().Device()->Cells();
        OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 6), 0);
        QVERIFY(!doc->Doc().IsModified());
        QCOMPARE(doc->Doc().Device()->Cells().size(), cells.size());
        QVERIFY(doc->UndoStack()->count() == 0);
    }

    void negativeGainListIsTitledGainLevel()
    {
        auto doc = NewDoc("ZelB");
        QString title, heading;
        QStringList texts;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            title = w->windowTitle();
            heading = w->findChild<QLabel*>() ? w->findChild<QLabel*>()->text() : QString();
            for (int i = 0; i < d->RowCount(); ++i)
                texts << d->RowText(i);
            ChooseRow(w, 0);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 17), 1);
        QCOMPARE(title, QStringLiteral("Gain Level"));
        // The title is the fixed one; the heading names the symbol.
        QCOMPARE(heading, QStringLiteral("Zelblock 2 IA4 Gain"));
        QCOMPARE(texts.size(), 10);
        QCOMPARE(texts.front(), QStringLiteral("-10"));
        QCOMPARE(texts.back(), QStringLiteral("-1"));
        QCOMPARE(GetGainValue(*doc->Doc().Device(), 17), -10);
    }

    void filterGainListsFourGains()
    {
        auto doc = NewDoc("ZelD");
        QStringList texts;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            for (int i = 0; i < d->RowCount(); ++i)
                texts << d->RowText(i);
            ChooseRow(w, 3);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 11), 1);
        QCOMPARE(texts, (QStringList{"1", "2", "5", "10"}));
        QCOMPARE(doc->Doc().Device()->GetSymValue(11), 10);
    }

    void capacitorChooserOfZelDElement()
    {
        auto doc = NewDoc("ZelD");
        QString title, heading, first;
        int rows = 0;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            title = w->windowTitle();
            heading = w->findChild<QLabel*>()->text();
            rows = d->RowCount();
            first = d->RowText(0);
            ChooseRow(w, 10);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 0), 1);
        QCOMPARE(title, QStringLiteral("Capacitor Value"));
        QCOMPARE(heading, QStringLiteral("&Value/Pole Frequency"));
        QCOMPARE(rows, 4096);
        QCOMPARE(first, QStringLiteral("0.000 pF"));
        DeviceConfig* dev = doc->Doc().Device();
        QCOMPARE(dev->GetSymValue(0), dev->GetCapCodeBySorted(0, 10));
        // A direct edit marks configuration A as edited.
        QCOMPARE(dev->GetSymValue(64), -2);
    }

    void capacitorChooserOfZelAShowsPoleFrequencies()
    {
        auto doc = NewDoc("ZelA");
        QString first;
        int selected = -1;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            first = d->RowText(0);
            selected = d->SelectedRow();
            ChooseRow(w, 127);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 6), 1);
        QCOMPARE(first, QStringLiteral("1.07 pF\t594.97kHz"));
        QCOMPARE(selected, 0);
        QCOMPARE(doc->Doc().Device()->GetSymValue(6), 127);
    }

    // A typed capacitance selects the capacitor kalidor-cli's cap: would set; a typed pole
    // frequency the row whose pole frequency lies nearest; a text that is neither says why and
    // keeps the dialog open.
    void capacitorChooserTakesATypedValue()
    {
        auto doc = NewDoc("ZelA");
        DeviceConfig* dev = doc->Doc().Device();
        auto reference = NewDoc("ZelA");
        reference->Doc().SetCapValue(6, 25.4648e-12);
        const int byCapacitance = reference->Doc().Device()->GetSymValue(6);
        QVERIFY(byCapacitance != dev->GetSymValue(6));

        QString label, error, afterPoles;
        bool stayedOpen = false;
        int poleRow = -1;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            QVERIFY(d && d->TypedEntry());
            for (QLabel* l : d->findChildren<QLabel*>())
                if (l->buddy() == d->TypedEntry())
                    label = l->text();
            // A pole frequency: the row nearest 12.5 kHz on the list's logarithmic scale.
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("12.5 kHz"));
            poleRow = d->SelectedRow();
            afterPoles = d->RowText(poleRow);
            // Not a value: the reason, and OK does not close.
            d->TypedEntry()->clear();
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("twelve"));
            error = d->TypedEntryError()->isVisible() ? d->TypedEntryError()->text() : QString();
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            stayedOpen = d->isVisible();
            // A capacitance, taken with Enter.
            d->TypedEntry()->clear();
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("25.4648 pF"));
            QVERIFY(!d->TypedEntryError()->isVisible());
            QTest::keyClick(d->TypedEntry(), Qt::Key_Return);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 6), 1);
        QCOMPARE(label, QStringLiteral("&Type a value (pF or kHz):"));
        QVERIFY2(error.startsWith(QStringLiteral("Type a value in pF or kHz")), qPrintable(error));
        QVERIFY(stayedOpen);
        QCOMPARE(dev->GetSymValue(6), byCapacitance);
        // The row picked for 12.5 kHz is nearer (in ratio) than both of its neighbours.
        const auto khz = [&](int sorted) { return PoleFrequencyKHz(dev->GetCapValueBySorted(6, sorted)); };
        QVERIFY(poleRow >= 0);
        QVERIFY2(afterPoles.endsWith(QStringLiteral("kHz")), qPrintable(afterPoles));
        const double d0 = std::fabs(std::log(khz(poleRow) / 12.5));
        if (poleRow > 0)
            QVERIFY(d0 <= std::fabs(std::log(khz(poleRow - 1) / 12.5)));
        if (poleRow + 1 < dev->GetCapCount(6))
            QVERIFY(d0 <= std::fabs(std::log(khz(poleRow + 1) / 12.5)));
    }

    void filterElementChooserTakesPicofaradsOnly()
    {
        auto doc = NewDoc("ZelD");
        QString label, kHzError;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            QVERIFY(d && d->TypedEntry());
            for (QLabel* l : d->findChildren<QLabel*>())
                if (l->buddy() == d->TypedEntry())
                    label = l->text();
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("12 kHz"));
            kHzError = d->TypedEntryError()->text();
            d->TypedEntry()->clear();
            QTest::keyClicks(d->TypedEntry(), QStringLiteral("0.1nF"));
            // Picking a row in the list empties the field.
            const int typedRow = d->SelectedRow();
            d->List()->setCurrentItem(d->List()->topLevelItem(typedRow + 1));
            QVERIFY(d->TypedEntry()->text().isEmpty());
            d->List()->setCurrentItem(d->List()->topLevelItem(typedRow));
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 2), 1);
        QCOMPARE(label, QStringLiteral("&Type a value (pF):"));
        QVERIFY2(kHzError.startsWith(QStringLiteral("Unknown unit \"khz\"")), qPrintable(kHzError));
        DeviceConfig* dev = doc->Doc().Device();
        QCOMPARE(dev->GetSymValue(2), dev->GetNearestCapIndex(2, ScaledCapacitance(100e-12)));
    }

    void interconnectChooserStoresTheEntryValue()
    {
        auto doc = NewDoc("ZelB");
        QString title, heading;
        QStringList texts;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            title = w->windowTitle();
            heading = w->findChild<QLabel*>() ? w->findChild<QLabel*>()->text() : QString();
            for (int i = 0; i < d->RowCount(); ++i)
                texts << d->RowText(i);
            ChooseRow(w, 5);  // "3V"
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 22), 1);
        QCOMPARE(title, QStringLiteral("Interconnect"));
        QCOMPARE(texts, (QStringList{"NONE", "IN 2", "OUT 1", "OUT 2", "DAC Output", "3V", "1.5V"}));
        QCOMPARE(doc->Doc().Device()->GetSymValue(22), 5);
        QCOMPARE(Text(*doc, 22), QStringLiteral("3V"));
    }

    void zelBDacListAndDoubleClick()
    {
        auto doc = NewDoc("ZelB");
        QString row128, title, header;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            title = w->windowTitle();
            row128 = d->RowText(128);
            header = d->List()->headerItem()->text(0) + "|" + d->List()->headerItem()->text(2);
            QTreeWidgetItem* item = d->List()->topLevelItem(255);
            d->List()->setCurrentItem(item);
            emit d->List()->itemDoubleClicked(item, 0);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 39), 1);
        QCOMPARE(title, QStringLiteral("DAC E2 Register"));
        QCOMPARE(row128, QStringLiteral("128\t80h\t0.0000V"));
        QCOMPARE(header, QStringLiteral("Code|Voltage"));
        QCOMPARE(doc->Doc().Device()->GetSymValue(39), 255);
    }

    void zelCDacListWithoutReferenceShowsPercentage()
    {
        auto doc = NewDoc("ZelC");
        doc->Doc().Device()->SetSymValue(18, 1);
        QString header, row0;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CListChooserDialog*>(w);
            header = d->List()->headerItem()->text(2);
            row0 = d->RowText(0);
            ChooseRow(w, 64);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 8), 1);
        QCOMPARE(header, QStringLiteral("Percentage"));
        QCOMPARE(row0, QStringLiteral("0\t00h\t-100.00%"));
        QCOMPARE(doc->Doc().Device()->GetSymValue(8), 64);
    }

    void latchModeOpenedWithThreeStoresOne()
    {
        auto doc = NewDoc("ZelB");
        doc->Doc().Device()->SetSymValue(32, 3);
        QString title;
        bool registered = false;
        OnNextModal([&](QWidget* w) {
            title = w->windowTitle();
            registered = Radio(w, "CP1 output is registered, clocked by PC pin")->isChecked();
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 32), 1);
        QCOMPARE(title, QStringLiteral("Comparator CP1 Buffer Control"));
        QVERIFY(registered);
        QCOMPARE(doc->Doc().Device()->GetSymValue(32), 1);
    }

    void polarityDialog()
    {
        auto doc = NewDoc("ZelB");
        doc->Doc().SetSymValue(20, 2);
        QStringList texts;
        bool flipFlop = false;
        OnNextModal([&](QWidget* w) {
            texts = RadioTexts(w);
            flipFlop = Radio(w, "Flip-Flop mode")->isChecked();
            Radio(w, "CP1OUT")->setChecked(true);
            static_cast<QDialog*>(w)->reject();
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 20), 0);
        QCOMPARE(texts, (QStringList{"Fixed; non-inverting", "PC (external pin)", "Flip-Flop mode", "CP1OUT"}));
        QVERIFY(flipFlop);
        QCOMPARE(doc->Doc().Device()->GetSymValue(20), 2);
        OnNextModal([&](QWidget* w) {
            Radio(w, "CP1OUT")->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 20), 1);
        QCOMPARE(doc->Doc().Device()->GetSymValue(20), 3);
        QCOMPARE(Text(*doc, 20), QStringLiteral("Polarity Control: CP1OUT"));
    }

    void polarityWithUnknownValueChecksNoneAndKeepsIt()
    {
        CModeDialog d(nullptr, ModeDialogFor(kDlgPolarityMode, "ZelB"), 7);
        QCOMPARE(d.Radios()->checkedId(), -1);
        QCOMPARE(d.Value(), 7);
    }

    void feedbackPathIsCheckedWhenClosed()
    {
        auto doc = NewDoc("ZelA");
        QCOMPARE(doc->Doc().Device()->GetSymValue(3), 0);
        bool checked = false;
        QString title, box;
        OnNextModal([&](QWidget* w) {
            title = w->windowTitle();
            auto* c = w->findChild<QCheckBox*>();
            box = c->text();
            checked = c->isChecked();
            c->setChecked(false);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 3), 1);
        QCOMPARE(title, QStringLiteral("Feedback Path"));
        QCOMPARE(box, QStringLiteral("Feedback Path enabled"));
        QVERIFY(checked);
        QCOMPARE(doc->Doc().Device()->GetSymValue(3), 1);
        QCOMPARE(Text(*doc, 3), QStringLiteral("OPEN"));
    }

    void commonModeCheckBox()
    {
        auto doc = NewDoc("ZelA");
        QString title;
        OnNextModal([&](QWidget* w) {
            title = w->windowTitle();
            auto* c = w->findChild<QCheckBox*>();
            QCOMPARE(c->text(), QStringLiteral("Common Mode adjustable via CMVin pin"));
            c->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 45), 1);
        QCOMPARE(title, QStringLiteral("CMVin Adjustment enable"));
        QCOMPARE(doc->Doc().Device()->GetSymValue(45), 1);
    }

    void frequencyRangeOfZelDAndZelE()
    {
        auto doc = NewDoc("ZelD");
        doc->Doc().SetSymValue(7, 0);
        QStringList texts;
        OnNextModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Frequency Range"));
            texts = RadioTexts(w);
            QVERIFY(Radio(w, "Above 200kHz")->isChecked());
            Radio(w, "200kHz and below")->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 7), 1);
        QCOMPARE(texts, (QStringList{"Above 200kHz", "200kHz and below"}));
        QCOMPARE(doc->Doc().Device()->GetSymValue(7), 1);

        const ModeDialogSpec e = ModeDialogFor(kDlgFrequencyRange, "ZelE");
        QCOMPARE(e.choices, (QStringList{"Above 30kHz", "30kHz and below"}));
    }

    void wakeupDialog()
    {
        auto doc = NewDoc("ZelD");
        OnNextModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Wakeup Configuration"));
            QVERIFY(Radio(w, "A is wakeup configuration")->isChecked());
            Radio(w, "B is wakeup configuration")->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 10), 1);
        QCOMPARE(doc->Doc().Device()->GetSymValue(10), 1);
        QCOMPARE(Text(*doc, 10), QStringLiteral("Wakeup = Cfg B"));
    }

    void stimulusDialogsOfZelB()
    {
        auto doc = NewDoc("ZelB");
        OnNextModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("MSEL Pin Simulation Stimulus"));
            QCOMPARE(RadioTexts(w), (QStringList{"MSEL=0  (Input \"a\")", "MSEL=1 (Input \"b\")"}));
            Radio(w, "MSEL=1 (Input \"b\")")->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 56), 1);
        QCOMPARE(doc->Doc().Device()->GetSymValue(56), 1);
        OnNextModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("PC Pin Simulation Stimulus"));
            Radio(w, "PC = 1 (non-inverting)")->setChecked(true);
            Accept(w);
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 57), 1);
        QCOMPARE(Text(*doc, 57), QStringLiteral("PC = 1"));
    }

    void everyZelBModeDialogHasItsTitle()
    {
        const std::pair<int, const char*> titles[] = {
            {kDlgHysteresis, "Comparator Hysteresis Control"}, {kDlgWindowOutput, "Comparator Output Pins Control"},
            {kDlgWindowMode, "Comparator Window mode"},        {kDlgDacInputMode, "DAC Port Configuration"},
            {kDlgTdoDisable, "TDO output enable control"},     {kDlgSlewRate, "IA4 Slew Rate Enhancement (SRE) Control"},
        };
        for (const auto& [type, title] : titles)
            QCOMPARE(ModeDialogFor(type, "ZelB").title, QString::fromLatin1(title));
        // The DAC port dialog carries every note.
        const ModeDialogSpec dac = ModeDialogFor(kDlgDacInputMode, "ZelB");
        QCOMPARE(dac.notesAbove, QStringList{"DAC input comes from:"});
        QCOMPARE(dac.notes.size(), 7);
        QVERIFY(dac.notes.contains("NOTE: ENSPI pin = 1 overrides and forces SPI Mode"));
        // Types 3, 6, 19 and 20 open nothing on ZelB.
        for (int t : {3, 6, 19, 20})
            QVERIFY(ModeDialogFor(t, "ZelB").title.isEmpty());
    }

    void uesEditorRejectsWhatDoesNotFit()
    {
        auto doc = NewDoc("ZelA");
        env->prompter.Clear();
        int step = 0;
        OnNextModal([&](QWidget* w) {
            auto* d = qobject_cast<CUesDialog*>(w);
            QCOMPARE(w->windowTitle(), QStringLiteral("User Electronic Signature"));
            QCOMPARE(w->findChild<QLabel*>()->text(), QStringLiteral("&UES value, in decimal"));
            d->Edit()->setText("300");
            d->accept();  // refused: 8 bits
            step = 1;
            QVERIFY(d->isVisible());
            d->Edit()->setText("165");
            d->accept();
            step = 2;
        });
        QCOMPARE(EditSymbolValue(nullptr, *doc, 53), 1);
        QCOMPARE(step, 2);
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].text),
                 QStringLiteral("The UES value must be a whole decimal number from 0 to 255 (8 bits)."));
        QCOMPARE(QString::fromStdString(doc->Doc().Device()->GetUesText()), QStringLiteral("10100101"));
        QVERIFY(doc->Doc().IsModified());
        QCOMPARE(Text(*doc, 53), QStringLiteral("10100101"));
    }

    void storedConfigurationShowsTheMessageOnly()
    {
        auto doc = NewDoc("ZelD");
        QCOMPARE(EditSymbolValue(nullptr, *doc, 64), 0);
        QCOMPARE(env->prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].text),
                 QStringLiteral("Edited with Filter Configuration Window.\nUse menu Tools->Design Utilities...\n"
                                "and choose ZelD or ZelE Filter Configurations"));
        QCOMPARE(QString::fromStdString(env->prompter.messages[0].caption), QStringLiteral("Kalidor"));
        QVERIFY(!doc->Doc().IsModified());
    }
};

static RegisterTest registerDialogs("DialogsTest", [] { return std::make_unique<DialogsTest>(); });

}  // namespace kalidor::test

#include "DialogsTest.moc"
