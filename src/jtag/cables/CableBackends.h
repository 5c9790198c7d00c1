// The table of cable back ends. Each record says everything the rest of the program needs to know
// about one kind of download cable: its name on the command line and in the dialog, how to make
// it, and the one setting it keeps in KALIDOR.INI. The cable factory (TapPortFactory.h), the JTAG
// interface settings (JtagInterface.h) and the JTAG interface dialog all read this table; a new
// back end is a new record (and a field of CJtagInterfaceSettings for its setting).
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "jtag/JtagCable.h"

namespace kalidor {

struct CJtagInterfaceSettings;

// How the JTAG interface dialog edits a back end's setting.
enum class CCableSettingKind {
    Choice,      // one of `choices`; the setting is the index of the one chosen
    DeviceFile,  // a device file: the suggestions, the files in /dev matching `deviceGlob`, or a typed path
    Text,        // free text, checked with `check` as it is typed
};

struct CCableBackend {
    // --- names ---
    const char* id;     // names the back end in a cable text: "ppdev" alone or "ppdev:ARGUMENT"
    int tapPortClass;   // the TapPortClass value that chooses it in KALIDOR.INI
    const char* name;   // as the JTAG interface dialog lists it
    const char* usage;  // the cable texts it takes, for messages: "ppdev, ppdev:/dev/parportN"

    // --- the factory ---
    // The cable of a text that names this back end, not yet opened; nullptr for a bad text, with
    // the reason in `error` (left empty when the text is simply not one of this back end's forms).
    // A back end that keeps state between runs keeps it in `stateDir` ("" keeps it in memory).
    std::unique_ptr<CJtagCable> (*create)(std::string_view text, const std::string& stateDir, std::string* error);

    // --- its setting in the profile section "JtagConfig" ---
    const char* entry;
    const char* defaultValue;
    // The setting as text, read from and written to its field of the settings.
    std::string (*get)(const CJtagInterfaceSettings& settings);
    void (*set)(CJtagInterfaceSettings& settings, const std::string& value);
    // False for a stored value this back end cannot use (it then takes the default); nullptr: any
    // non-empty line will do.
    bool (*usable)(const std::string& value);
    // The cable text of a setting, as the factory takes it: "ppdev:/dev/parport0".
    std::string (*text)(const std::string& value);
    // True when the setting only tunes the running cable (the direct port's address): a change
    // applies at once and does not make it another cable.
    bool tunesRunningCable;

    // --- the JTAG interface dialog ---
    int dialogRow;  // place in the dialog, from the top
    const char* label;
    CCableSettingKind kind;
    std::span<const char* const> choices;  // Choice: the texts by value; DeviceFile: suggestions
    const char* deviceGlob;                // DeviceFile: the names in /dev to offer
    const char* help;                      // a note under the field, or nullptr
    const char* widthSample;               // a value the field is made wide enough for, or nullptr
    // The full check of a typed value: false with the reason in `error`; nullptr: always good.
    bool (*check)(const std::string& value, std::string& error);
};

// Every back end, in TapPortClass order.
std::span<const CCableBackend> CableBackends();
// The back end of a TapPortClass value, or nullptr.
const CCableBackend* FindCableBackend(int tapPortClass);
// The back end a cable text names (its id alone or followed by ':', letter case ignored), or
// nullptr.
const CCableBackend* CableBackendOf(std::string_view text);
// "direct, direct:ADDR, ppdev, ppdev:/dev/parportN or virtual:DEVICES": every cable text form.
std::string CableUsage();

}  // namespace kalidor
