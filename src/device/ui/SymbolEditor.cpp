#include "device/ui/SymbolEditor.h"

#include <QString>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ValueChoosers.h"
#include "device/ZelCConfig.h"
#include "device/ui/ValueDialogs.h"
#include "document/ui/SchDocument.h"
#include "platform/Prompter.h"
#include "view/DeviceSchematic.h"

namespace kalidor {

namespace {

ChooserList OptionRows(const char* const* texts, int n, int current)
{
    ChooserList l;
    for (int i = 0; i < n; ++i)
        l.rows.push_back({texts[i], i});
    l.selected = (current >= 0 && current < n) ? current : -1;
    return l;
}

bool StoreSymbol(SchDocument& doc, int key, int value, const QString& what)
{
    return doc.Change(QStringLiteral("Edit %1").arg(what), [&] {
        doc.Doc().SetSymValue(key, value);
        return true;
    });
}

}  // namespace

int EditSymbolValue(QWidget* parent, SchDocument& doc, int key)
{
    CSchDoc& d = doc.Doc();
    DeviceConfig* device = d.Device();
    CDeviceSchematic* schematic = d.Schematic();
    if (!device || !schematic)
        return 0;
    CSymbol* symbol = schematic->GetSymbol(key);
    if (!symbol || !symbol->IsValid())
        return 0;
    const DeviceTraits& traits = device->Traits();
    const int dialogType = symbol->GetDialogType();
    const QString what = QString::fromStdString(symbol->GetFullName());
    const int current = device->GetSymValue(key);

    switch (dialogType) {
    case kDlgFilterConfig:
        CurrentPrompter().Message(kMsgStoredConfiguration, "Kalidor", Buttons::Ok, MessageIcon::Information);
        return 0;
    case kDlgGain:
    case kDlgNegativeGain: {
        const ChooserList rows = GainChooserRows(*device, key, dialogType);
        CListChooserDialog dlg(parent, QString::fromStdString(GainChooserTitle(*device, key, dialogType)),
                               QString::fromStdString(GainChooserHeading(*device, key, dialogType)), rows, {},
                               CurrentGain(*device, key));
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedRow() < 0)
            return 0;
        const int g = dlg.Value();
        return doc.Change(QStringLiteral("Edit %1").arg(what), [&] {
            d.SetGainValue(key, g);
            return true;
        }) ? 1 : 0;
    }
    case kDlgCapacitor: {
        CListChooserDialog dlg(parent, kTitleCapacitor, kHeadingCapacitor, CapacitorChooserRows(*device, key), {},
                               current);
        // A value typed in pF (or a pole frequency in kHz) selects the nearest row.
        dlg.AddTypedEntry(QStringLiteral("&Type a value (%1):").arg(QString::fromStdString(CapacitorEntryUnits(*device))),
                          [device, key](const std::string& text, std::string& error) {
                              return CapacitorCodeForText(*device, key, text, error);
                          });
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedRow() < 0)
            return 0;
        return StoreSymbol(doc, key, dlg.Value(), what) ? 1 : 0;
    }
    case kDlgInputSelect: {
        const ChooserList rows = InterconnectChooserRows(*device, key);
        if (rows.rows.empty())
            return 0;
        CListChooserDialog dlg(parent, kTitleInterconnect, kHeadingInterconnect, rows, {}, current);
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedRow() < 0)
            return 0;
        return StoreSymbol(doc, key, dlg.Value(), what) ? 1 : 0;
    }
    case kDlgDacValue: {
        const ChooserList rows = DacChooserRows(*device, key);
        if (rows.rows.empty())
            return 0;
        CListChooserDialog dlg(parent, kTitleDacList, {}, rows,
                               {kHeadingDacCode, QString(), QString::fromStdString(DacValueHeading(*device, key))},
                               current);
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedRow() < 0)
            return 0;
        return StoreSymbol(doc, key, dlg.Value(), what) ? 1 : 0;
    }
    case kDlgUes: {
        CUesDialog dlg(parent, GetUesValue(*device), device->GetUesCount());
        if (dlg.exec() != QDialog::Accepted)
            return 0;
        d.SetUesValue(dlg.Value());
        return 1;
    }
    case kDlgVoltageRef:
    case kDlgAutoCalLevel: {
        // ZelC's reference and calibration levels.
        const ChooserList rows = dialogType == kDlgVoltageRef ? OptionRows(kZelCRefLevelTexts, 7, current)
                                                              : OptionRows(kZelCCalLevelTexts, 2, current);
        CListChooserDialog dlg(parent, what, {}, rows, {}, current);
        if (dlg.exec() != QDialog::Accepted || dlg.SelectedRow() < 0)
            return 0;
        return StoreSymbol(doc, key, dlg.Value(), what) ? 1 : 0;
    }
    default:
        break;
    }

    const ModeDialogSpec spec = ModeDialogFor(dialogType, traits.name);
    if (!spec.title.isEmpty()) {
        CModeDialog dlg(parent, spec, current);
        if (dlg.exec() != QDialog::Accepted)
            return 0;
        const int v = dlg.Value();
        if (v == current)
            return 0;
        return StoreSymbol(doc, key, v, what) ? 1 : 0;
    }
    // ZelB opens nothing for dialog types 3, 6, 19 and 20; symbols of the other families that
    // have a record but no editor of their own take a plain number within the record's range.
    if (!traits.plainNumberEditor || dialogType == kDlgNone || !device->HasRecord(key))
        return 0;
    const SymbolValue& rec = device->GetSymbolRecord(key);
    if (rec.maxValue <= 0)
        return 0;
    CNumberDialog dlg(parent, what, QString::fromStdString(rec.name) + QStringLiteral(" value:"), current, 0,
                      rec.maxValue);
    if (dlg.exec() != QDialog::Accepted || dlg.Value() == current)
        return 0;
    return StoreSymbol(doc, key, dlg.Value(), what) ? 1 : 0;
}

}  // namespace kalidor
