// The modal value editors of the schematic symbols: the list choosers (gain, capacitor,
// interconnect, DAC codes, option lists), the mode dialogs (a check box or a group of radio
// buttons with notes), the UES editor and a plain number editor. Each shows a value and, after
// OK, hands back the value to store; the rows and the meaning of the controls come from the core
// (device/ValueChoosers.h).
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/ValueChoosers.h"

namespace kalidor {

// A list of rows (tab-separated columns) of which one is chosen. OK or a double click on a row
// accepts; Value() is the chosen row's value (the value given on opening when none is chosen).
class CListChooserDialog : public QDialog {
    Q_OBJECT
public:
    // `heading` is the label above the list; `columns` names the columns (empty: no header row).
    CListChooserDialog(QWidget* parent, const QString& title, const QString& heading,
                       const ChooserList& list, const QStringList& columns = {}, int fallbackValue = 0);
    int Value() const;
    int SelectedRow() const;
    QTreeWidget* List() const { return m_list; }
    // The full text of row i as the core made it ("128\t80h\t0.0000V").
    QString RowText(int i) const;
    int RowCount() const;

    // A field under the list where a value can be typed instead of looked for: `valueOf` gives
    // the value of the row a text stands for (-1, with the reason, when it stands for none).
    // Typing selects that row at once; OK (or Enter) takes it, and is refused while the text
    // stands for no row. Choosing a row in the list empties the field.
    using TypedValue = std::function<int(const std::string& text, std::string& error)>;
    void AddTypedEntry(const QString& label, TypedValue valueOf);
    QLineEdit* TypedEntry() const { return m_entry; }
    QLabel* TypedEntryError() const { return m_entryError; }
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnTyped(const QString& text);

    QTreeWidget* m_list;
    std::vector<ChooserRow> m_rows;
    int m_fallback;
    int m_firstVisible = 0;
    QLineEdit* m_entry = nullptr;
    QLabel* m_entryError = nullptr;
    TypedValue m_valueOf;
    bool m_entryValid = true;
    bool m_selectingFromEntry = false;
};

// A mode dialog: one check box, or two or more radio buttons, with notes under them.
struct ModeDialogSpec {
    enum Kind {
        kCheck,          // value 1 when checked (bit 0 decides on opening)
        kCheckInverted,  // Feedback Path: checked when the value is 0; stores 0 when checked
        kTwoRadios,      // value 1 when the second radio is checked (bit 0 decides on opening)
        kRadioPerValue,  // the radio of the value 0..n-1; none checked keeps the value
    };
    QString title;
    Kind kind = kCheck;
    QStringList choices;
    QStringList notes;
    QStringList notesAbove;  // notes shown above the choices ("DAC input comes from:")
};

// The mode dialog of a dialog type (and device type), or a spec with an empty title when the
// dialog type has no mode dialog.
ModeDialogSpec ModeDialogFor(int dialogType, const std::string& deviceType);

class CModeDialog : public QDialog {
    Q_OBJECT
public:
    CModeDialog(QWidget* parent, const ModeDialogSpec& spec, int value);
    // The value OK stores (computed from the controls; the value given when none is checked).
    int Value() const;
    QCheckBox* CheckBox() const { return m_check; }
    QButtonGroup* Radios() const { return m_radios; }

private:
    ModeDialogSpec m_spec;
    int m_value;
    QCheckBox* m_check = nullptr;
    QButtonGroup* m_radios = nullptr;
};

// "User Electronic Signature": the UES bits as a decimal number. OK refuses (with a message) a
// text that is not a number or does not fit the device's UES bits.
class CUesDialog : public QDialog {
    Q_OBJECT
public:
    CUesDialog(QWidget* parent, std::uint64_t value, int bits);
    std::uint64_t Value() const { return m_value; }
    QLineEdit* Edit() const { return m_edit; }
    void accept() override;

private:
    QLineEdit* m_edit;
    std::uint64_t m_value;
    int m_bits;
};

// A plain number from `min` to `max`, for symbols without an editor of their own.
class CNumberDialog : public QDialog {
    Q_OBJECT
public:
    CNumberDialog(QWidget* parent, const QString& title, const QString& label, int value, int min, int max);
    int Value() const { return m_spin->value(); }
    QSpinBox* Spin() const { return m_spin; }

private:
    QSpinBox* m_spin;
};

}  // namespace kalidor
