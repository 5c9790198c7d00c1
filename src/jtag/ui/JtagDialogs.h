// The dialogs of JTAG programming: the IDCODE of a device, the details of a failed verification,
// the integrity checks of the JTAG operations, the choice of SVF interpreter, the JTAG interface (interpreter and download cable,
// the virtual cable among them) and the JTAG registers of a design.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/JtagUiModel.h"
#include "jtag/VerifyReport.h"
#include "jtag/cables/CableBackends.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kalidor {

class Settings;
class CJtagRegProgram;

// "JTAG IDCODE": the undecoded 32 bits and the manufacturer, part number and version fields.
class CIdcodeDialog : public QDialog {
    Q_OBJECT
public:
    CIdcodeDialog(const CIdcodeFields& fields, QWidget* parent = nullptr);
    QLineEdit* UndecodedEdit() const { return m_undecoded; }
    QLineEdit* ManufacturerEdit() const { return m_manufacturer; }
    QLineEdit* PartNumberEdit() const { return m_part; }
    QLineEdit* VersionEdit() const { return m_version; }

private:
    QLineEdit* m_undecoded;
    QLineEdit* m_manufacturer;
    QLineEdit* m_part;
    QLineEdit* m_version;
};

// A failed verification: the verify-failed message with what differs below it, the settings of
// the design that the device holds otherwise (symbol, design, device) and the register bits that
// differ (register, bit, E2 cell, design, device). Copy puts the report on the clipboard as text.
class CVerifyFailedDialog : public QDialog {
    Q_OBJECT
public:
    CVerifyFailedDialog(const CVerifyReport& report, QWidget* parent = nullptr);
    QLabel* MessageLabel() const { return m_message; }
    QTreeWidget* SymbolList() const { return m_symbols; }
    QTreeWidget* BitList() const { return m_bits; }

private:
    QLabel* m_message;
    QTreeWidget* m_symbols;
    QTreeWidget* m_bits;
};

// "JTAG Operation Integrity Checks": five switches and the JTAG trace; Options() gives them as set.
class CJtagOptionsDialog : public QDialog {
    Q_OBJECT
public:
    CJtagOptionsDialog(const CJtagOptions& options, QWidget* parent = nullptr);
    CJtagOptions Options() const;
    QCheckBox* CableCheck() const { return m_cable; }
    QCheckBox* PowerCheck() const { return m_power; }
    QCheckBox* VerifyCheck() const { return m_verify; }
    QCheckBox* IdcodeCheck() const { return m_idcode; }
    QCheckBox* InlineCheck() const { return m_inline; }
    QCheckBox* TraceCheck() const { return m_trace; }

private:
    QCheckBox* m_cable;
    QCheckBox* m_power;
    QCheckBox* m_verify;
    QCheckBox* m_idcode;
    QCheckBox* m_inline;
    QCheckBox* m_trace;
};

inline constexpr const char* kInterfaceSelectTitle = "Select JTAG Interface";
inline constexpr const char* kInterfaceSelectPrompt = "Program devices through:";

// The interface selection list. The entries that are not available are shown but cannot be chosen.
class CInterfaceSelectDialog : public QDialog {
    Q_OBJECT
public:
    CInterfaceSelectDialog(int storedId, QWidget* parent = nullptr);
    // The list index chosen (the interpreter ID to store).
    int SelectedId() const;
    QListWidget* List() const { return m_list; }

private:
    QListWidget* m_list;
};

inline constexpr const char* kInterfaceDialogTitle = "JTAG Interface";
inline constexpr const char* kRestartPending =
    "A new interface has been chosen.  It is used when Kalidor is restarted.";

// "JTAG Interface": the running SVF interpreter (connect, disconnect, choose another) and the
// download cable: one choice per cable back end (cables/CableBackends.h) with the field of its
// setting (port, device file, virtual chain). Choice() gives the cable as set; the caller stores
// it on OK.
class CJtagInterfaceDialog : public QDialog {
    Q_OBJECT
public:
    CJtagInterfaceDialog(CJtagInterface& iface, Settings& profile, QWidget* parent = nullptr);
    CJtagInterfaceSettings Choice() const;
    // A setting the chosen back end finds bad (a virtual chain that cannot be built) keeps OK
    // disabled; the reason is shown under it.
    bool ChoiceValid() const;

    // The choice of a back end by TapPortClass, the field of its setting (a QComboBox or a
    // QLineEdit) and the label that tells what is wrong with the setting (nullptr when the back end
    // does not check it).
    QRadioButton* ClassButton(int tapPortClass) const;
    QWidget* SettingField(int tapPortClass) const;
    QLabel* SettingError(int tapPortClass) const;
    QComboBox* PortCombo() const;
    QComboBox* DeviceCombo() const;
    QLineEdit* ChainEdit() const;
    QLabel* ChainError() const { return SettingError(kTapPortVirtual); }
    QLabel* InterpreterLabel() const { return m_interpreterName; }
    QLabel* StateLabel() const { return m_connection; }
    QLabel* RunningCableLabel() const { return m_running; }
    QPushButton* SelectButton() const { return m_select; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    struct CableRow {
        const CCableBackend* backend;
        QRadioButton* button;
        QWidget* field;
        QLabel* error;  // nullptr when the back end does not check its setting
    };

    void AddCableRow(const CCableBackend& backend, const CJtagInterfaceSettings& stored, QGridLayout* grid);
    const CableRow* RowOf(int tapPortClass) const;
    // The setting as the field shows it.
    std::string FieldValue(const CableRow& row) const;
    // The reason the chosen back end gives against its setting ("" when it has none).
    std::string ChoiceError() const;
    void UpdateState();
    void SelectInterface();

    CJtagInterface& m_iface;
    Settings& m_profile;
    std::vector<CableRow> m_rows;
    QLabel* m_interpreterName;
    QLabel* m_connection;
    QLabel* m_running;
    QLabel* m_pending;
    QPushButton* m_connect;
    QPushButton* m_disconnect;
    QPushButton* m_select;
    QDialogButtonBox* m_buttons;
};

inline constexpr const char* kRegistersDialogTitle = "JTAG Registers";

// "JTAG Registers": the registers of the design's family; each button runs its register operation
// on the chosen one through `run`, which returns the result code and, for a read, the bits.
class CJtagRegistersDialog : public QDialog {
    Q_OBJECT
public:
    using Runner = std::function<int(CRegisterOperation op, int reg, std::string& bits)>;
    CJtagRegistersDialog(CJtagRegProgram& program, Runner run, QWidget* parent = nullptr);
    QListWidget* List() const { return m_list; }
    QLabel* ResultLabel() const { return m_result; }
    QPlainTextEdit* BitsView() const { return m_bits; }
    QPushButton* Button(CRegisterOperation op) const;
    // True once an upload changed the design.
    bool Changed() const { return m_changed; }
    void Run(CRegisterOperation op);

private:
    CJtagRegProgram& m_program;
    Runner m_run;
    QListWidget* m_list;
    QLabel* m_result;
    QPlainTextEdit* m_bits;
    QPushButton* m_buttons[4];
    std::vector<CJtagRegisterEntry> m_entries;
    bool m_changed = false;
};

}  // namespace kalidor
