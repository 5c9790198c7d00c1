// What the Design Utilities and User-Defined Macros dialogs offer: the built-in design utilities
// with their codes and descriptions, the macro programs found in the macro folders, the help files
// of the help modes, and the texts around starting a macro. The dialogs show these; the macro
// programs themselves are separate processes that drive Kalidor over its automation interface.
#pragma once

#include <string>
#include <vector>

namespace kalidor {

// The one argument a macro program is started with.
inline constexpr const char* kMacroArgument = "/RunAsMacro";
// Folders under the program's folders: design-utility macros (also their help files), the user's
// own macros.
inline constexpr const char* kMacroFolder = "MACRO";
inline constexpr const char* kUserMacroFolder = "UserDefinedMacro";

// The built-in entries of the Design Utilities list, in order.
inline constexpr const char* kUtilityZelAGain = "ZelA Gain Configuration Utility";
inline constexpr const char* kUtilityZelBGain = "ZelB Gain Configuration Utility";
inline constexpr const char* kUtilityZelALadder = "ZelA Ladder Filter Configurations";
inline constexpr const char* kUtilityZelDFilter = "ZelD Filter Configurations";
inline constexpr const char* kUtilityZelEFilter = "ZelE Filter Configurations";

// What choosing an entry does.
inline constexpr int kCodeRunMacro = -1;
inline constexpr int kCodeZelALadder = 100;
inline constexpr int kCodeZelAGain = 101;
inline constexpr int kCodeZelDFilter = 102;
inline constexpr int kCodeZelBGain = 103;
inline constexpr int kCodeZelEFilter = 104;

struct CUtilityChoice {
    int code = kCodeRunMacro;
    std::string description;
};

// The code and description of an entry: the first of these tests that the entry's text passes —
// contains "ZelA Ladder", "ZelA Gain Configuration Utility", "ZelB Gain Configuration Utility",
// "ZelD Filter", "ZelE Filter", "ZelA_Biquad", "ZelB_Biquad". Any other entry is a macro program
// of the folder and is run, without a description.
CUtilityChoice DesignUtilityChoice(const std::string& text);

// The executable files of a folder (no folders, no hidden files), by name.
std::vector<std::string> ExecutableFiles(const std::string& folder);
// The Design Utilities list: the five built-in utilities, then the programs of `macroFolder`.
std::vector<std::string> DesignUtilityEntries(const std::string& macroFolder);

// The User-Defined Macros dialog's modes.
enum class CMacroDialogMode { kRunUserMacro = 0, kInstalledMacroHelp = 1, kDeviceHelp = 2 };
struct CMacroDialogTexts {
    const char* title;
    const char* prompt;
};
CMacroDialogTexts MacroDialogTexts(CMacroDialogMode mode);
// The help files of a help mode: the names in `folder` that match the mode's pattern ("*.HLP" for
// the installed macros, "ZEL??.HLP" for the devices) or its HTML counterpart ("*.html",
// "ZEL??.html"), letter case ignored, by name.
std::vector<std::string> HelpFiles(const std::string& folder, CMacroDialogMode mode);
const char* HelpPattern(CMacroDialogMode mode);

// The message shown when a macro program cannot be started: the command line and the launcher's
// result code.
std::string MacroStartFailureText(const std::string& commandLine, int result);
// The message of a built-in utility that this version does not have yet.
std::string UtilityMissingText(const std::string& utility);

extern const char kMsgMacroStartFailed[];
extern const char kMsgUtilityMissing[];

}  // namespace kalidor
