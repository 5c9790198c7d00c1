// The dialogs of JTAG programming: the IDCODE of a device, the integrity checks of the JTAG
// operations, the choice of SVF interpreter, the JTAG interface (interpreter and download cable,
// the virtual cable among them) and the JTAG registers of a design.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "jtag/JtagDevice.h"
#include "jtag/JtagInterface.h"
#include "jtag/JtagUiModel.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

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

// "JTAG Operation Integrity Checks": five switches; Options() gives them as set.
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

private:
    QCheckBox* m_cable;
    QCheckBox* m_power;
    QCheckBox* m_verify;
    QCheckBox* m_idcode;
    QCheckBox* m_inline;
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
inline constexpr const char* kVirtualChainHelp =
    "Simulated devices from TDI to TDO, separated by commas: ZelA to ZelE, or foreign:N for a device of "
    "another maker with an N-bit instruction register.";
inline constexpr const char* kRestartPending =
    "A new interface has been chosen.  It is used when Kalidor is restarted.";

// "JTAG Interface": the running SVF interpreter (connect, disconnect, choose another) and the
// download cable with its port, device file or virtual chain. Choice() gives the cable as set;
// the caller stores it on OK.
class CJtagInterfaceDialog : public QDialog {
    Q_OBJECT
public:
    CJtagInterfaceDialog(CJtagInterface& iface, Settings& profile, QWidget* parent = nullptr);
    CJtagInterfaceSettings Choice() const;
    // A virtual chain that cannot be built keeps OK disabled; the reason is shown under it.
    bool ChoiceValid() const;

    QRadioButton* ClassButton(int tapPortClass) const { return m_class[tapPortClass]; }
    QComboBox* PortCombo() const { return m_portId; }
    QComboBox* DeviceCombo() const { return m_device; }
    QLineEdit* ChainEdit() const { return m_chain; }
    QLabel* ChainError() const { return m_chainError; }
    QLabel* InterpreterLabel() const { return m_interpreterName; }
    QPushButton* SelectButton() const { return m_select; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

private:
    void UpdateState();
    void SelectInterface();

    CJtagInterface& m_iface;
    Settings& m_profile;
    QRadioButton* m_class[kTapPortClassCount];
    QComboBox* m_portId;
    QComboBox* m_device;
    QLineEdit* m_chain;
    QLabel* m_chainError;
    QLabel* m_interpreterName;
    QLabel* m_connection;
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
