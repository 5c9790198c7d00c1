// The programming interface of the application: which SVF interpreter runs the programs and which
// TAP port (download cable) it drives. Both are chosen from the profile section "JtagConfig" of
// KALIDOR.INI once, when the program starts, and kept until it ends.
//
// Entries of the section:
//   SVFInterpreterWasChanged  1 while a choice made in the dialogs waits for the next start
//   SVFInterpreterID          0 the built-in interpreter; 1 to 3 the client of an external SVF server
//   TapPortClass              the cable back end (cables/CableBackends.h): 0 direct port writes,
//                             1 the Linux parallel-port driver (ppdev), 2 the virtual cable
//                             (simulated devices, no hardware), 3 a USB cable with an FTDI MPSSE
//                             chip, 4 the virtual USB cable (a simulated FTDI chip and devices)
// and the setting of each back end:
//   PortID                    0, 1, 2: the parallel port at 3BCh, 378h, 278h (direct port writes)
//   PpdevDevice               the parallel-port device file of the driver (/dev/parport0)
//   VirtualChain              the devices on the virtual cable, "virtual:ZelA" or a longer chain
//                             such as "virtual:ZelA,foreign:8,ZelC" (cables/VirtualCable.h)
//   FtdiCable                 the USB cable, "ftdi:jtagkey,freq=3M" (cables/MpsseSettings.h)
//   VirtualFtdiChain          the devices behind the virtual USB cable, as VirtualChain
//
// A change of interpreter in the dialogs is stored at once but takes effect at the next start; until
// then programming is refused (the documents ask InterfaceChanged()). Choosing again what is
// running lifts the refusal. A change of cable is applied at once when no operation runs: the
// running cable is closed and the new one made, opened and attached to the interpreter (the
// documents' programs reach the cable only through the interpreter, so nothing else holds it).
#pragma once

#include <memory>
#include <string>

#include "jtag/JTAGTapPort.h"
#include "jtag/JtagCable.h"
#include "jtag/JtagFrame.h"
#include "jtag/SvfInterpreter.h"
#include "jtag/SvfServerInterpreter.h"

namespace kalidor {

class CJtagRegProgram;
class CJtagScriptedDevice;
class Settings;

inline constexpr const char* kJtagProfileFile = "KALIDOR.INI";
inline constexpr const char* kJtagConfigSection = "JtagConfig";
inline constexpr const char* kEntryInterpreterWasChanged = "SVFInterpreterWasChanged";
inline constexpr const char* kEntryInterpreterId = "SVFInterpreterID";
inline constexpr const char* kEntryTapPortClass = "TapPortClass";
inline constexpr const char* kEntryPortId = "PortID";
inline constexpr const char* kEntryPpdevDevice = "PpdevDevice";
inline constexpr const char* kEntryVirtualChain = "VirtualChain";
inline constexpr const char* kEntryFtdiCable = "FtdiCable";
inline constexpr const char* kEntryVirtualFtdiChain = "VirtualFtdiChain";

// TapPortClass values of the cable back ends.
inline constexpr int kTapPortDirect = 0;
inline constexpr int kTapPortPpdev = 1;
inline constexpr int kTapPortVirtual = 2;
inline constexpr int kTapPortFtdi = 3;
inline constexpr int kTapPortVirtualFtdi = 4;

inline constexpr const char* kDefaultPpdevDevice = "/dev/parport0";
inline constexpr const char* kDefaultVirtualChain = "virtual:ZelA";
inline constexpr const char* kDefaultFtdiCable = "ftdi:ft2232h";
// Longest device path and chain description taken from the profile or the dialog.
inline constexpr std::size_t kMaxPortTextLength = 400;

// The interface selection list, in order; the list index is the interpreter ID stored. The serial
// and USB ports are listed but cannot be chosen; the last entry is the client of the SVF server
// (IDs 1 to 3 all make that client).
inline constexpr int kInterpreterChoiceCount = 4;
inline constexpr int kInterpreterChoiceServer = 3;
inline constexpr const char* kInterpreterChoices[kInterpreterChoiceCount] = {
    "Uses PC Parallel Port (at port 3BC, 378, or 278)",
    "Serial port (not available)",
    "USB port (not available)",
    "External SVF server (svfsvr, on the download cable below)",
};
// The names of running interpreters by ID (the JTAG interface dialog).
inline constexpr const char* kInterpreterNameBuiltIn = "Uses PC Parallel Port (at port 3BC, 378, or 278)";
inline constexpr const char* kInterpreterNameWin16Dde = "Windows 95 using Win16 DDE Server";
inline constexpr const char* kInterpreterNameWin32Dde = "Windows NT using Win32 DDE Server";
inline constexpr const char* kInterpreterNameOs2Dde = "Win-OS/2 using OS/2 DDE Server";
inline constexpr const char* kInterpreterNameUnknown = "Unknown";

// The standard ports by PortID.
inline constexpr const char* kPortIdNames[3] = {"3BCH", "378H", "278H"};

inline constexpr const char* kMsgInterfaceChangedNote =
    "Note: JTAG Interface has been changed.  All JTAG programming is disabled until Kalidor is restarted.";
inline constexpr const char* kMsgInterpreterDiffers =
    "Note: Currently loaded SVF Interpreter differs from that reported in the dialog.";
inline constexpr const char* kMsgCableNotOpened = "The download cable could not be opened:\n%s";
// The cable of the SVF server as the JTAG interface dialog names it.
inline constexpr const char* kServerCableName = "%s (through the SVF server)";
inline constexpr const char* kServerCableUnknown = "the SVF server's (not connected)";
inline constexpr const char* kMsgNoTapPort =
    "The download cable could not be set up:\n%s\nChoose another cable with the\n     Options->JTAG Interface...\n"
    "dialog, then restart Kalidor.";

// The name of a running interpreter by ID (0 to 3; "Unknown" for any other).
const char* InterpreterName(int id);

// The settings of the section, read with their defaults and brought into range: an interpreter ID
// outside 0..3 and a port class that names no back end take the defaults, a PortID outside 0..2
// means 1, empty or overlong texts and texts a back end cannot use take the defaults.
struct CJtagInterfaceSettings {
    int interpreterId = kInterpreterBuiltIn;
    int tapPortClass = kTapPortPpdev;
    // The settings of the back ends (each back end reads and writes its own).
    int portId = 1;
    std::string ppdevDevice = kDefaultPpdevDevice;
    std::string virtualChain = kDefaultVirtualChain;
    std::string ftdiCable = kDefaultFtdiCable;
    std::string virtualFtdiChain = kDefaultVirtualChain;

    static CJtagInterfaceSettings Read(const Settings& settings);
    // Writes TapPortClass and the setting of every back end (not the interpreter ID).
    void WritePort(Settings& settings) const;
    // The cable text for CreateCable: "direct:0x378", "ppdev:/dev/parport0" or the chain.
    std::string PortSpec() const;
    // The same cable (class and the setting of its back end); a setting that only tunes the
    // running cable, the address of a direct port, is not compared.
    bool SamePort(const CJtagInterfaceSettings& other) const;
    bool operator==(const CJtagInterfaceSettings&) const = default;
};

// The JTAG options of one document and the application's port, as the options dialog edits them.
struct CJtagOptions {
    int cableCheck = 1;           // the port's cable-present test
    int powerCheck = 1;           // the port's power test
    int verifyAfterDownload = 1;  // the document's verify-after-download option
    int idcodeCheck = 1;          // the register program inserts its IDCODE check
    int inlineVerify = 1;         // the register program verifies in line with TDO clauses
    int traceOn = 0;              // the JTAG device records every SVF line in its trace

    // Reads the six values; a missing cable leaves the two checks at 1.
    static CJtagOptions From(const CJtagCable* cable, const CJtagScriptedDevice& programmer,
                             const CJtagRegProgram& program);
    void ApplyTo(CJtagCable* cable, CJtagScriptedDevice& programmer, CJtagRegProgram& program) const;
    bool operator==(const CJtagOptions&) const = default;
};

// What a choice in the JTAG interface dialog did.
enum class CPortChange {
    kNone,            // the same as stored
    kAppliedNow,      // only the address of the running direct port changed: in use at once
    kCableReplaced,   // another cable: made and attached at once (PortOpen() says whether it opened)
    kStored,          // stored; takes effect at the next start (programming refused until then)
    kStoredRunning,   // stored, and it is what is running again: programming allowed
};

class CJtagInterface {
public:
    CJtagInterface() = default;
    ~CJtagInterface();
    CJtagInterface(const CJtagInterface&) = delete;
    CJtagInterface& operator=(const CJtagInterface&) = delete;

    // The start sequence: writes SVFInterpreterWasChanged = 0 and clears the changed flag, creates
    // the interpreter of SVFInterpreterID and the cable of TapPortClass, opens the cable and
    // attaches it, selects PortID on a parallel port, sets the option word to 0. Messages of a
    // port that cannot be opened now are kept for the first programming operation (PortProblem())
    // instead of being shown at start; EnsurePortReady() tries again. `stateDir` is where virtual
    // devices keep their cells. With the SVF server (IDs 1 to 3) no cable is made here: the
    // conversation goes through `transport`, by default the server's socket, and a server started
    // for it gets the cable of TapPortClass and `stateDir`.
    void Start(Settings& profile, const std::string& stateDir,
               std::unique_ptr<CSvfServerTransport> transport = nullptr);
    // Closes the port and the server conversation.
    void Stop();

    CSvfInterpreter* Interpreter() const { return m_interpreter.get(); }
    // The running cable, and the parallel port it is (nullptr for a cable of another kind).
    CJtagCable* Cable() const { return m_cable.get(); }
    CJTAGTapPort* Port() const { return m_cable ? m_cable->ParallelPort() : nullptr; }
    // The settings the running interface was made from.
    const CJtagInterfaceSettings& Running() const { return m_running; }
    // True while a changed choice waits for a restart.
    bool InterfaceChanged() const { return m_changed; }
    // Why the running cable could not be made or opened, at start, at its last change or at the
    // last attempt before programming ("" when it could).
    const std::string& PortProblem() const { return m_portProblem; }
    bool PortOpen() const { return m_portOpen; }
    // kMsgCableNotOpened with the reason when the built-in interpreter's cable is not open; ""
    // when it is open or an external server drives its own cable.
    std::string PortProblemText() const;

    // Before programming: a port that is missing or could not be opened at start is tried again,
    // and any message goes to the user now. False when programming cannot go on.
    bool EnsurePortReady();
    // A cable that is not open is tried again without a message (the reason stays in
    // PortProblem()); true when it is open now.
    bool TryOpen();

    // The interface selection dialog's OK: stores `id` (0..3) as SVFInterpreterID. True when the
    // choice differs from the one stored before and now waits for a restart (show the note).
    bool SelectInterpreter(Settings& profile, int id);
    // The JTAG interface dialog's OK: stores the port choice. Another cable replaces the running
    // one at once when `applyNow` (no operation runs); otherwise it waits for the next start.
    CPortChange SelectPort(Settings& profile, const CJtagInterfaceSettings& choice, bool applyNow = true);
    // The interpreter ID stored in the profile (what the selection dialog preselects).
    static int StoredInterpreterId(const Settings& profile);

    // The name of the running port ("none" when there is none); with the SVF server, the server's
    // cable as it describes it.
    std::string PortName() const;
    // True when the interpreter is the client of the SVF server (which drives the cable itself:
    // there is no cable here).
    bool UsesServer() const;

private:
    void UpdateChanged(Settings& profile);
    // Makes the cable of m_running (the previous one closed and dropped), opens it without a
    // message and attaches it to the interpreter with its port address.
    void MakeCable();
    // Opens the cable; a failure's message is kept in m_portProblem instead of being shown.
    bool OpenQuietly();

    std::unique_ptr<CJtagCable> m_cable;
    std::unique_ptr<CSvfInterpreter> m_interpreter;
    CJtagInterfaceSettings m_running;
    std::string m_stateDir;
    std::string m_portProblem;
    bool m_portOpen = false;
    bool m_changed = false;
};

// The header and trailer counts of the first device of `deviceType` on a virtual chain (the other
// devices in bypass). False, with all counts 0, when the chain is bad or holds no such device.
bool VirtualChainCountsFor(const std::string& chain, const std::string& deviceType, CJtagChainCounts& counts);
// The same for the device at `position` (0 is the first of the description). False, with all
// counts 0, when the chain is bad or has no device there.
bool VirtualChainCountsAt(const std::string& chain, int position, CJtagChainCounts& counts);

// Where the virtual devices of the virtual cable keep their E2 cells between runs (shared with
// kalidor-cli): $XDG_CACHE_HOME (or ~/.cache) + "/Norvane Dividaduzudav Corporation/VirtualJtag";
// "" when neither is known.
std::string DefaultVirtualStateDirectory();

// The path of KALIDOR.INI in the user's configuration folder.
std::string JtagProfilePath();

// Saves the profile when it is a file (IniFileSettings); true when there was nothing to save.
bool SaveJtagProfile(Settings& profile);

}  // namespace kalidor
