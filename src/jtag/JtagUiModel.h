// What the JTAG dialogs show, worked out without a window: the IDCODE fields as the IDCODE dialog
// writes them, the register list of the JTAG registers dialog and the texts its operations leave,
// and the title of a programming progress window.
#pragma once

#include <string>
#include <vector>

#include "jtag/JtagDevice.h"

namespace kalidor {

class CJtagRegProgram;

// Texts of the IDCODE dialog.
inline constexpr const char* kIdcodeDialogTitle = "JTAG IDCODE";
inline constexpr const char* kIdcodeUndecodedLabel = "&Undecoded IDCODE binary string:";
inline constexpr const char* kIdcodeFieldsLabel = "IDCODE Fields:";
inline constexpr const char* kIdcodeManufacturerLabel = "Manufacturer:";
inline constexpr const char* kIdcodePartNumberLabel = "Part Number:";
inline constexpr const char* kIdcodeVersionLabel = "Version:";

// Texts of the JTAG options dialog.
inline constexpr const char* kJtagOptionsTitle = "JTAG Operation Integrity Checks";
inline constexpr const char* kJtagOptionsChecksGroup = "Perform integrity checks during JTAG operations:";
inline constexpr const char* kJtagOptionsSvfGroup = "SVF Compilation options";
inline constexpr const char* kJtagOptionCable = "Check if cable is connected";
inline constexpr const char* kJtagOptionPower = "Check for power applied to cable and device";
inline constexpr const char* kJtagOptionVerify = "Verify after downloading";
inline constexpr const char* kJtagOptionIdcode = "Insert code to IDCODE check using TDO clause";
inline constexpr const char* kJtagOptionInline = "Insert code to perform verify using TDO clause";
inline constexpr const char* kJtagOptionsNoteInterpreter = "Kalidor SVF interpreter does not use this feature.";
inline constexpr const char* kJtagOptionsNoteNotSaved = "These settings are not saved when Kalidor exits.";
inline constexpr const char* kJtagOptionTrace = "Record every SVF line sent in the JTAG trace (View > JTAG Trace)";

// Menu texts and status texts of the programming commands.
inline constexpr const char* kMenuDownload = "&Download";
inline constexpr const char* kMenuUpload = "&Upload";
inline constexpr const char* kMenuVerify = "&Verify";
inline constexpr const char* kMenuReadIdcode = "Read &IDCODE";
inline constexpr const char* kMenuAutoCal = "&Auto-Calibrate";
inline constexpr const char* kMenuJtagRegisters = "JTAG &Registers...";
inline constexpr const char* kMenuVerifyAfterDownload = "Verify &after Download";
inline constexpr const char* kMenuJtagInterface = "JTAG Interface...";
inline constexpr const char* kMenuJtagOptions = "JTAG &Options...";
inline constexpr const char* kStatusDownload = "Download configuration to the device";
inline constexpr const char* kStatusUpload = "Read the device configuration";
inline constexpr const char* kStatusVerify = "Verify device configuration against schematic";
inline constexpr const char* kStatusJtagRegisters = "Act on any JTAG register";

// The IDCODE fields as shown: each decoded value followed by its bits, "Unknown" for a field that
// could not be read.
struct CIdcodeDisplay {
    std::string undecoded;     // the 32 characters as read ("" when nothing was read)
    std::string manufacturer;  // "Norvane Dividaduzudav  (00000100001)"
    std::string partNumber;    // "ZelA  (0000000100000000)"
    std::string version;       // "0  (0000)"
};
CIdcodeDisplay IdcodeDisplay(const CIdcodeFields& fields);

// One register of the family, as the JTAG registers dialog lists it.
struct CJtagRegisterEntry {
    int number = 0;
    std::string name;
    int length = 0;
    std::string Label() const;  // "0  USR  (109 bits)"
};
// Registers 0 .. GetRegCount()-1 with their names and lengths.
std::vector<CJtagRegisterEntry> JtagRegisterList(CJtagRegProgram& program);

// The operations of the JTAG registers dialog.
enum class CRegisterOperation { Write, Read, Upload, Verify, Erase };
// What the dialog's result line says after an operation on register `name`.
std::string RegisterResultText(CRegisterOperation op, const std::string& name, int result);

// The label of a progress window for an operation ("Download", "Upload", "Verify", "AutoCal",
// "IDCODE") on a device: "Downloading the ZelA design...".
std::string ProgressLabel(const std::string& operation, const std::string& deviceType);

}  // namespace kalidor
