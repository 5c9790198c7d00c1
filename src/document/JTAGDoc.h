// A JTAG chain document: the devices that share one cable, from TDI to TDO. Devices of the Zel
// family carry their whole design (a design file as text) and open it as an embedded schematic;
// foreign devices are known only by their instruction register length. From the order and the
// IR lengths the chain computes, for every device, the header and trailer bit counts that put
// all the others into BYPASS while that one is programmed. The chain file (".ZJC") holds the
// element list with the embedded designs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/DesignHistory.h"
#include "jtag/JtagFrame.h"
#include "platform/AtomicFile.h"

namespace kalidor {

class CJTAGDoc;
class CSchDoc;
struct CScannedDevice;

// Names of the two terminal entries.
inline constexpr const char* kChainTdiName = "[Chain TDI]";
inline constexpr const char* kChainTdoName = "[Chain TDO]";
// DeviceType of a foreign device.
inline constexpr const char* kForeignDeviceType = "Foreign Device";
// Proposed-name bases.
inline constexpr const char* kDeviceNameBase = "Device";
inline constexpr const char* kForeignNameBase = "Foreign_Device";
// Instruction register lengths of the family.
inline constexpr int kZelIrLength = 5;
inline constexpr int kZelCIrLength = 6;
// Largest instruction register a foreign device may have, and the most devices a chain holds
// (both far beyond any real chain; they bound what a file may ask for).
inline constexpr int kMaxChainIrLength = 1024;
inline constexpr int kMaxChainDevices = 256;
// Name and DeviceType are read up to this many characters.
inline constexpr std::size_t kMaxChainNameLength = 80;
// Largest chain file read. Embedded designs are written whole (never cut); a chain whose file
// would be larger than this is not saved, so that every file written can be read back.
inline constexpr std::size_t kMaxChainFileBytes = 16u * 1024u * 1024u;
// The code an embedded schematic passes to SchematicClosed when it closes.
inline constexpr int kSchematicClosedCode = 5;

// Messages of the chain.
extern const char kMsgChainCorrupted[];
extern const char kMsgNameConflict[];
extern const char kMsgCannotDeleteOpen[];
extern const char kMsgCannotRenameOpen[];
extern const char kMsgEmbeddedNotSupported[];  // "Embedded device is a %s device.\n%s ... %s"
extern const char kMsgSchematicAlreadyOpen[];
extern const char kMsgNotZelNoSchematic[];
extern const char kMsgNotZelCopy[];
extern const char kMsgNotZelCut[];
extern const char kMsgCloseSchematicWindow[];
extern const char kMsgChainCloseRefused[];
extern const char kMsgSaveChainChanges[];             // "Save changes to %s?"
extern const char kMsgEmbeddedNotSaved[];
extern const char kMsgChainTooLarge[];
extern const char kMsgNotAChainElement[];
extern const char kMsgChainReadOnlyKept[];  // %s: the path

// The title an embedded schematic's window carries.
extern const char kEmbeddedTitleSuffix[];       // " (Embedded)"

// History step names of the chain.
extern const char kStepInsertDevice[];
extern const char kStepInsertForeign[];
extern const char kStepDeleteDevice[];
extern const char kStepRenameDevice[];
extern const char kStepPasteDevice[];
extern const char kStepCutDevice[];
extern const char kStepEmbedDesign[];
extern const char kStepScanChain[];

class CJtagChainElement {
public:
    CJtagChainElement() = default;
    ~CJtagChainElement();
    CJtagChainElement(const CJtagChainElement&) = delete;
    CJtagChainElement& operator=(const CJtagChainElement&) = delete;

    // A terminal ("[Chain TDI]", "[Chain TDO]"), a Zel device with its design text, a foreign device.
    static std::unique_ptr<CJtagChainElement> Terminal(const std::string& name);
    static std::unique_ptr<CJtagChainElement> ZelDevice(const std::string& name, const std::string& deviceType,
                                                        std::string design);
    static std::unique_ptr<CJtagChainElement> Foreign(const std::string& name, int irLength);
    // A copy of the element's stored fields (not its open schematic).
    std::unique_ptr<CJtagChainElement> Clone() const;

    int GetEndOfChain() const { return m_endOfChain; }
    int GetForeignDevice() const { return m_foreignDevice; }
    int GetIR_Length() const { return m_irLength; }
    int GetHIR_Sum() const { return m_hirSum; }
    int GetTIR_Sum() const { return m_tirSum; }
    int GetHDR_Sum() const { return m_hdrSum; }
    int GetTDR_Sum() const { return m_tdrSum; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetDeviceType() const { return m_deviceType; }
    // A device of the family, with a design (neither a terminal nor a foreign device).
    bool IsZelDevice() const { return m_endOfChain == 0 && m_foreignDevice == 0; }
    bool IsTerminal() const { return m_endOfChain != 0; }
    // The header and trailer counts of this element's place in the chain.
    CJtagChainCounts ChainCounts() const { return {m_hirSum, m_hdrSum, m_tirSum, m_tdrSum}; }

    // The embedded design file text (begins with "<ZelDesignData>").
    const std::string& GetDesign() const { return m_design; }
    // An embedded schematic saves into its element: the text replaces the design, the element
    // and its chain are marked modified.
    void StoreDesign(const std::string& text);
    int IsModified() const { return m_modified; }

    // The open embedded schematic (not owned), or nullptr.
    bool IsSchematicOpen() const { return m_schematicOpen != 0; }
    CSchDoc* OpenSchematic() const { return m_openSchematic; }
    // An embedded schematic calls this when it closes (the code is not looked at).
    void SchematicClosed(int code);
    CJTAGDoc* Chain() const { return m_chain; }

private:
    friend class CJTAGDoc;
    friend class CChainFileReader;

    int m_endOfChain = 0;
    int m_foreignDevice = 0;
    int m_irLength = 0;
    int m_hirSum = 0;
    int m_tirSum = 0;
    int m_hdrSum = 0;
    int m_tdrSum = 0;
    int m_schematicOpen = 0;
    CSchDoc* m_openSchematic = nullptr;
    std::string m_name;
    std::string m_deviceType;
    std::string m_design;
    int m_modified = 0;

    CJTAGDoc* m_chain = nullptr;  // the owner
    int m_id = 0;                 // identity across undo and redo
};

// What the chain asks the user for. The desktop program shows the dialogs; tests script them.
class CJtagChainDialogs {
public:
    virtual ~CJtagChainDialogs() = default;
    // "Insert Zel Device": the name ("&Title:") and the device type ("&Zel Device:"), filled with
    // the proposals; false on Cancel.
    virtual bool AskZelDevice(std::string& name, std::string& deviceType) = 0;
    // "Insert Foreign Device": the name and the IR length in bits; false on Cancel.
    virtual bool AskForeignDevice(std::string& name, int& irLength) = 0;
    // "Rename Device": the new name, filled with the current one; false on Cancel.
    virtual bool AskName(std::string& name) = 0;
};

class CJTAGDocObserver {
public:
    virtual ~CJTAGDocObserver() = default;
    // The element list or a sum changed.
    virtual void OnChainUpdate() = 0;
    // The modified flag or the path changed (window titles).
    virtual void OnChainStateChanged() {}
};

class CJTAGDoc {
public:
    // An empty chain: the two terminals.
    CJTAGDoc();
    ~CJTAGDoc();
    CJTAGDoc(const CJTAGDoc&) = delete;
    CJTAGDoc& operator=(const CJTAGDoc&) = delete;

    // --- the element list ---
    int GetCount() const { return static_cast<int>(m_elements.size()); }
    CJtagChainElement* GetElement(int index) const;
    // The index of the element named `name` (exactly), or -1.
    int FindElement(const std::string& name) const;
    int DevicesAdded() const { return m_devicesAdded; }

    // The first free name for `base`: base0, base1, ... where a candidate is blocked by any
    // element whose name, from the character after its last '-', equals it.
    std::string ProposeName(const std::string& base) const;
    // True when no element other than `except` is named `name`.
    bool IsNameFree(const std::string& name, int except = -1) const;
    // Where a device inserted "at" an element goes: after it, and before "[Chain TDO]" when that
    // (or something past the end) is given.
    int InsertionIndex(int selected) const;

    // --- editing; each change is one step of the history, recomputes the sums, hands the counts
    // to the open schematics, marks the chain modified and updates the views ---
    // The dialog loops of the Edit menu: asks until Cancel or a unique, non-empty name. The index
    // of the new element, or -1.
    int AddDevice(int position, CJtagChainDialogs& dialogs);
    int AddForeignDevice(int position, CJtagChainDialogs& dialogs);
    bool RenameDevice(int index, CJtagChainDialogs& dialogs);
    // The operations behind them, for scripts: a name in use or empty shows the conflict message
    // and changes nothing (-1 / false). A new Zel device gets a fresh design of its type.
    int InsertZelDevice(int position, const std::string& name, const std::string& deviceType);
    int InsertForeignDevice(int position, const std::string& name, int irLength);
    bool SetDeviceName(int index, const std::string& name);
    // Refused (false, after the message) for a device whose schematic is open; terminals stay.
    bool DeleteDevice(int index);
    // Replaces the design of a Zel device by a design file's text of the same device type
    // (kalidor-cli's "chain embed"); false after telling why not.
    bool EmbedDesign(int index, const std::string& designText);

    // Fills a chain that has no devices yet with what a scan found (TDI first): devices of the
    // family by their IDCODE, each with a new design of its type, the others as foreign devices
    // of their IR length; names as proposed. False (nothing added) when a device has no IR length.
    bool BuildFromScan(const std::vector<CScannedDevice>& devices);

    // --- clipboard: a chain element in its chain file form ---
    // False after the refusal message (a foreign device or a terminal, an open schematic).
    bool CopyDevice(int index, std::string& clip) const;
    bool CutDevice(int index, std::string& clip);
    // Inserts the element of a clip; a name in use becomes "<n>-<name>". The new index or -1
    // (after kMsgNotAChainElement when the text holds no Zel device).
    int PasteDevice(int position, const std::string& clip);

    // --- embedded schematics ---
    // Opens the design of the element as a schematic that knows its element; nullptr after the
    // refusal message. The caller owns the schematic (the application keeps it in its list).
    std::unique_ptr<CSchDoc> OpenEmbeddedSchematic(int index);
    // True while any embedded schematic is open.
    bool HasOpenSchematics() const;
    // Close check: refused while embedded schematics are open; a modified chain asks
    // "Save changes to %s?" (Yes saves through `save`, which returns false when it failed).
    bool CanClose(const std::function<bool()>& save);

    // --- the chain sums ---
    // Recomputes the four sums of every device and hands them to the open schematics.
    void RecomputeSums();

    // --- the chain file ---
    std::string WriteChain() const;
    // Reads a chain file's text; on failure shows kMsgChainCorrupted and keeps the chain as it
    // was. The stored sums are used as read.
    bool ReadChain(const std::string& text);
    // Reading without the message: 0 on success, -1 when the text is not a chain.
    int ParseChain(const std::string& text);
    bool OnOpenDocument(const std::string& path);
    // Writes the file safely; false after telling why (the file on disk is then unchanged). A
    // read-only file is treated as a design file's save treats it (kAsk: the user decides).
    bool OnSaveDocument(const std::string& path, ReadOnlyFile readOnly = ReadOnlyFile::kAsk);

    // --- undo history (the structure of the chain; an embedded design has its own history in
    // its schematic and is not put back by the chain's Undo) ---
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    std::string UndoText() const;
    std::string RedoText() const;

    // --- modified flag, path, views ---
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);
    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path);
    void SetUntitledNumber(int number) { m_untitledNumber = number; }
    // The file name of the path, or "JTAGCHN<n>".
    std::string DisplayName() const;
    void AddObserver(CJTAGDocObserver* o);
    void RemoveObserver(CJTAGDocObserver* o);
    void UpdateAllViews();

private:
    struct Snapshot;
    struct Step;
    Snapshot Capture() const;
    // Puts a snapshot back; false (nothing changed) when it would remove or rename an element
    // whose schematic is open.
    bool Restore(const Snapshot& snapshot);
    // Runs `change` as one history step; `change` returns false when it changed nothing.
    bool Change(const std::string& text, const std::function<bool()>& change);
    int Insert(int position, std::unique_ptr<CJtagChainElement> element);
    // The dialog loop of the inserts: asks until Cancel (-1) or a unique, non-empty name, which
    // `insert` puts into the chain.
    int AskUntilNameFree(std::string name, const std::function<bool(std::string&)>& ask,
                         const std::function<int(const std::string&)>& insert);
    void Adopt(CJtagChainElement& element);
    bool MoveInHistory(bool back);

    std::vector<std::unique_ptr<CJtagChainElement>> m_elements;
    int m_devicesAdded = 0;
    int m_nextId = 1;
    std::vector<Step> m_steps;
    int m_undoPos = 0;
    bool m_modified = false;
    std::string m_path;
    int m_untitledNumber = 1;
    std::vector<CJTAGDocObserver*> m_observers;
};

}  // namespace kalidor
