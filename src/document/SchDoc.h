// The document of one design: one device of one device type with the values of all its
// configurable elements, the schematic that shows them, the simulation setup, the filter
// configurations (ZelD/ZelE) and the summary information. It creates and owns the per-design
// objects, reads and writes the design file, and tells its views of every change.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/DesignHistory.h"
#include "document/SummaryInfo.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagFrame.h"
#include "platform/AtomicFile.h"

namespace kalidor {

class CDeviceSchematic;
class CInterconnect;
class CFilterEntry;
class CFilterTable;
class CJtagChainElement;
class CJtagDevice;
class CJtagRegProgram;
class CJtagScriptedDevice;
class CSvfInterpreter;
struct CIdcodeFields;
struct CVerifyReport;
class CSimulationSetup;
class CSimulator;
class CPlot;
class CXmlParser;
class DeviceConfig;

// What changed, passed to the views with each update.
enum UpdateHint : int {
    kHintNone = 0,
    kHintSymbolEdited = 1,
    kHintPlotData = 2,
    kHintPlotRescale = 3,
};

// What a change of the design touches and how it is told (the flags of CSchDoc::Change).
enum ChangeFlags : unsigned {
    // The summary or the simulation setup: nothing is simulated again.
    kChangeSetup = 0,
    // The schematic's values: the views are told (OnSchematicChanged) and the active curve runs
    // again when a plot view is open and automatic re-runs are on; so do its Undo and Redo.
    kChangeSchematic = 1u << 0,
    // Neither marks the document modified nor updates the views nor runs anything (automation's
    // SetValue and its curve properties); the step is recorded all the same, so that an Undo
    // after it does not drop it (and the flag follows the saved position when it is undone or
    // redone).
    kChangeQuiet = 1u << 1,
};

// How the undo history moved (CSchDocObserver::OnHistoryChanged).
enum class CHistoryChange {
    kPushed,      // a step was added (the steps undone before it are gone)
    kJoined,      // the last step took in a further change of its operation (and maybe a new name)
    kUndone,
    kRedone,
    kCleared,     // no steps any more (a new or reopened design)
    kCleanMoved,  // the saved position moved (the design was saved)
};

// The fields of the summary information, for the automation properties Title, Author, ...
enum class CSummaryField { kTitle, kAuthor, kSubject, kKeywords, kComments };

// The programming options of one design, as the JTAG Options dialog and "Verify after Download"
// set them. They belong to the open document (not to the design file) and are handed to the
// register program and the programmer whenever those are made.
struct CJtagDocumentOptions {
    int verifyAfterDownload = 1;  // a download verifies what it wrote
    int idcodeCheck = 1;          // the programs check the IDCODE first
    int inlineVerify = 1;         // the programs verify in line with TDO clauses
    bool operator==(const CJtagDocumentOptions&) const = default;
};

class CSchDocObserver {
public:
    virtual ~CSchDocObserver() = default;
    virtual void OnDocumentUpdate(int hint) = 0;
    // The modified flag or the path changed (window titles).
    virtual void OnDocumentStateChanged() {}
    // The undo history moved (the desktop program's Edit menu follows it).
    virtual void OnHistoryChanged(CHistoryChange) {}
    // A change of the schematic was made, undone or redone.
    virtual void OnSchematicChanged() {}
    // True for a view that shows the plot: the automatic re-run after a schematic change needs
    // one, and a successful run without one asks for it (OnPlotViewWanted).
    virtual bool ShowsPlot() const { return false; }
    virtual void OnPlotViewWanted() {}
};

class CSchDoc {
public:
    CSchDoc();
    ~CSchDoc();
    CSchDoc(const CSchDoc&) = delete;
    CSchDoc& operator=(const CSchDoc&) = delete;

    // --- creating, opening, saving ---
    // A new design of `deviceType` with its defaults.
    bool OnNewDocument(const std::string& deviceType);
    // Opens a design file; on failure the user has been told why and the document is empty.
    bool OnOpenDocument(const std::string& path);
    // Writes the design file safely (temporary file, then rename); false after telling why. A
    // read-only file is replaced only when the user confirms (kAsk) or the caller says so.
    using ReadOnlyFile = kalidor::ReadOnlyFile;
    bool OnSaveDocument(const std::string& path, ReadOnlyFile readOnly = ReadOnlyFile::kAsk);
    // Save As of an embedded schematic: writes the design as a file of its own (with the XML
    // declaration, as any design file) in the same safe way; the schematic stays in its chain
    // element, keeps its modified flag and its path, and the element is not touched.
    bool SaveCopyAs(const std::string& path, ReadOnlyFile readOnly = ReadOnlyFile::kAsk) const;
    // The design file text, and reading one; ReadDesign shows the corrupted-file message itself.
    // An embedded design is written without the XML declaration unless `prolog` asks for it.
    std::string WriteDesign() const { return WriteDesign(m_writeProlog); }
    std::string WriteDesign(bool prolog) const;
    bool ReadDesign(const std::string& text);
    // 0 on success, -1 when the text is not a design (no root element, no device, truncated).
    int ParseDesign(const char* text, size_t length);
    // Deletes the per-design objects.
    void DeleteContents();

    // Embedded schematics: a JTAG chain element holds the design file as text and opens it as a
    // schematic that knows its element (nullptr makes it a design of its own again). An embedded
    // design is written without the XML declaration and takes its chain counts from its element.
    void SetEmbedded(CJtagChainElement* host);
    bool IsEmbedded() const { return m_embedded; }
    CJtagChainElement* HostElement() const { return m_hostElement; }
    // File Save of an embedded schematic: writes the design into the host element (which marks
    // the chain modified) and clears the modified flag; no file on disk is touched.
    bool SaveEmbedded();
    // Before an embedded schematic closes: true when it is not modified; otherwise asks
    // kMsgEmbeddedNotSaved (Yes saves into the host, No closes without writing, Cancel keeps it
    // open: false). A design of its own answers true (its window asks its own question).
    bool SaveModified();
    // Closing: an embedded schematic tells its element that it is no longer open.
    void OnCloseDocument();

    // --- per-design objects ---
    bool SetDeviceType(const std::string& name);
    bool InitForDevice();
    bool CreateDeviceObjects();
    bool LoadDeviceSchematic();
    std::string WriteDeviceSchematic() const;

    const std::string& GetDeviceType() const { return m_deviceType; }
    DeviceConfig* Device() const { return m_device.get(); }
    CDeviceSchematic* Schematic() const { return m_schematic.get(); }
    CSimulationSetup* Simulation() const { return m_simulation.get(); }
    CPlot* Plot() const { return m_plot.get(); }
    CSimulator* Simulator() const { return m_simulator.get(); }
    // The Run Simulator command: sweeps the active curve into the plot and updates the views.
    // True on success; `openPlotWindow` is set when the plot window should be shown (no plot view
    // is open; the views have been asked for one with OnPlotViewWanted).
    bool RunSimulation(bool* openPlotWindow = nullptr);
    // After an edit of the schematic: runs the active curve again when automatic re-runs are on
    // and the plot window is open. The document calls it itself after every schematic change
    // (and its Undo and Redo), with whether a plot view is open.
    void RerunAfterChange(bool plotWindowOpen);
    CJtagRegProgram* RegProgram() const { return m_regProgram.get(); }
    CJtagDevice* JtagDevice() const { return m_jtagDevice.get(); }
    // Programming: Download, Upload, Verify, Read IDCODE, AutoCal of this design.
    CJtagScriptedDevice* Programmer() const { return m_programmer.get(); }
    // The programming operations of the design, each one step of the undo history (an upload
    // changes the cells, a download of a filter device forgets its filter selections). They
    // return the programmer's result code (kJtagNotReady without a programmer).
    JtagResult Download();
    JtagResult Upload();
    JtagResult Verify();
    JtagResult ReadIdcode();
    JtagResult AutoCal();
    JtagResult UploadRegister(int reg);
    // The programming options of this document; set, they go to the register program and the
    // programmer at once.
    const CJtagDocumentOptions& GetJtagOptions() const { return m_jtagOptions; }
    void SetJtagOptions(const CJtagDocumentOptions& options);
    // The interpreter the programming operations run on (the application's; not owned).
    void SetJtagInterpreter(CSvfInterpreter* interpreter);
    // The header and trailer counts of this device's position in its JTAG chain (a free-standing
    // design is alone: all zero).
    void SetChainCounts(const CJtagChainCounts& counts) { m_chainCounts = counts; }
    const CJtagChainCounts& GetChainCounts() const { return m_chainCounts; }
    // Programming is refused while this is set (the JTAG interface changed since start).
    void SetInterfaceChanged(bool changed) { m_interfaceChanged = changed; }
    // Called when Read IDCODE succeeds (the desktop program shows the IDCODE dialog).
    void SetIdcodeReceiver(std::function<void(const CIdcodeFields&)> receiver) { m_idcodeReceiver = std::move(receiver); }
    // Shows the verify-failed message with what differs in place of the plain message.
    void SetVerifyFailedReceiver(std::function<void(const CVerifyReport&)> receiver)
    {
        m_verifyFailedReceiver = std::move(receiver);
    }
    CSummaryInfo& Summary() { return m_summary; }
    const CSummaryInfo& Summary() const { return m_summary; }
    // Title, Subject, Author, Keywords, Comments as last read from a file (at New: all empty
    // but Keywords, which is the device type).
    const std::array<std::string, 5>& LoadedSummary() const { return m_loadedSummary; }

    int GetFormatVersion() const { return m_formatVersion; }
    void SetFormatVersion(int v) { m_formatVersion = v; }
    bool GetWriteProlog() const { return m_writeProlog; }
    void SetWriteProlog(bool on) { m_writeProlog = on; }

    // --- undo history ---
    // Runs `change` as one step of the history named `text` (what the Edit menu shows). `change`
    // returns true when it may have changed the design; a step that changed nothing is not
    // recorded. Steps inside a step are part of it. False when `change` failed or there is no
    // design. Every operation of this class that changes the design records itself this way.
    bool Change(const std::string& text, const std::function<bool()>& change, unsigned flags = kChangeSchematic);
    // The operation the changes made from now on belong to (0: none), e.g. one client's run of
    // calls over the automation interface. A change of an operation joins the operation's
    // previous step while that is the last step and not the saved position (CDesignHistory::Join),
    // so that one Undo takes back all the operation changed; a joined step is named `text`.
    void SetStepGroup(std::uint64_t group, const std::string& text);
    // Puts the design back as it was before the last step / after the next one, in place.
    bool Undo();
    bool Redo();
    const CDesignHistory& History() const { return m_history; }
    CDesignState CaptureState() const;
    // Puts a captured state back in place: the per-design objects stay (the plot window holds
    // the plot, the JTAG objects keep their options) and the computed curves, which are not part
    // of the design, survive. The views are updated once, at the end.
    void RestoreState(const CDesignState& state);

    // --- document operations ---
    void RefreshValueTexts();
    void SyncInterconnect();
    // Asks first; true when the schematic was cleared.
    bool ClearSchematic();
    // Stores the summary through its setters and marks the document modified.
    void SetSummary(const CSummaryInfo& s);
    // One field, as the automation properties set it (through the summary's setter, modified).
    void SetSummaryField(CSummaryField field, const std::string& text);
    // The post-upload switches of the Tools menu: "Disable T1/T2 outputs if input=NONE" (turned
    // on, it disables them at once) and "Coerce illegal values to zero" (turned on, it coerces at
    // once and says so when it had to).
    void SetOutputDisable(bool on);
    void SetCoerceIllegal(bool on);
    bool GetOutputDisable() const;
    bool GetCoerceIllegal() const;
    // The user electronic signature as one number (bit i is UES bit i).
    void SetUesValue(std::uint64_t value);
    // The development menu: reads a device schematic XML file (symbols, drawn elements and
    // interconnect, as the support files hold them) into the schematic; false after "File could
    // not be opened" when the file cannot be read or holds no device schematic.
    bool OpenDeviceSchematic(const std::string& path);
    bool ReadDeviceSchematic(const std::string& text);
    void DeleteDrawnElements();
    void SetActiveCurve(int n);
    // Filter configurations of ZelD/ZelE: which 0 = A, 1 = B; nullptr removes it.
    int ApplyFilterConfig(int which, const CFilterEntry* entry);
    const CFilterEntry* GetFilterConfig(int which) const;
    int GetFilterConfigState(int key) const;
    int FilterConfigText(int key, std::string& text);
    int GetLastConfiguration() const { return m_lastConfiguration; }
    // The device's filter table (ZelD/ZelE), read once from the support folder: 1 when it is
    // loaded, 0 after telling the user why not.
    int LoadFilterTable();
    // The loaded filter table, or nullptr.
    CFilterTable* FilterTable() const { return m_filterTable.get(); }
    // Copies a filter table entry into configuration A (0) or B (1) of a ZelD/ZelE design: its
    // seven elements as SetCapValue sets them, the frequency range for its Fc, and the entry as
    // the configuration's source ("CFG A"/"CFG B"); marks the document modified and updates its
    // views. Returns the configuration's key (64 or 65), or -1 when nothing was copied; without
    // an entry (no row selected) it shows kMsgNoEntrySelected.
    int CopyFilterToSchematic(const CFilterEntry* entry, int which);
    // The same for the entry with identifier `id` of the device's filter table, loading the
    // table first; an unknown identifier shows kMsgNoEntrySelected and copies nothing.
    int CopyFilterToSchematic(int id, int which);
    int CoerceAfterUpload();
    // The key of the first valid symbol whose hit rectangle contains the point, or -1.
    int FindSymbolAt(int x, int y) const;

    // --- symbol edits that mark the document and update its views ---
    void SetSymValue(int key, int value);
    // The gain is first brought into -10..10, and 0 becomes 1.
    void SetGainValue(int key, int gain);
    void SetScaledCapValue(int key, int scaled);
    void SetCapValue(int key, double farads);
    // Sets one E2 cell (position -1: the security fuse) and marks the document modified.
    void E2_SetValue(int position, int value);

    // --- what automation reads and writes (symbol values, cells, the active curve's setup) ---
    int GetSymValue(int key) const;
    // The symbol value truncated to its low 16 bits (a signed 16-bit result).
    int GetValue(int key) const;
    // Sets a symbol value without marking the document modified or updating the views.
    int SetValue(int key, int value);
    int GetGainValue(int key) const;
    int GetScaledCapValue(int key) const;
    // The index of the capacitor setting nearest to a scaled capacitance (1e-16 F).
    int GetNearestCapIndex(int scaled) const;
    int E2_GetValue(int position) const;
    // The active curve as users count, 1..4.
    int GetActiveCurve() const;
    // The active curve's setup. A node is stored when it is below 5 and not 0; frequencies and
    // points per decade are stored as given. None of these marks the document modified or runs
    // anything (each is a quiet step of the history).
    int GetGainPhaseInputNode() const;
    void SetGainPhaseInputNode(int node);
    int GetGainPhaseOutputNode() const;
    void SetGainPhaseOutputNode(int node);
    int GetGainPhaseFreqStart() const;
    void SetGainPhaseFreqStart(int hz);
    int GetGainPhaseFreqEnd() const;
    void SetGainPhaseFreqEnd(int hz);
    int GetGainPhasePtsPerDec() const;
    void SetGainPhasePtsPerDec(int points);
    // Frequency range and points per decade of curve 1..4 (quiet, as above): 0, or -1 for a
    // curve number out of range (nothing changes).
    int SetGainPhaseRange(int curve, int start, int stop);
    int SetGainPhasePtsDec(int curve, int points);

    // --- modified flag, path, views ---
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);
    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path);
    // A design never saved is named "Design<n>" with the number given here.
    void SetUntitledNumber(int number) { m_untitledNumber = number; }
    int GetUntitledNumber() const { return m_untitledNumber; }
    // The file name of the path, or "Design<n>"; an embedded schematic is "<element> (Embedded)".
    std::string DisplayName() const;
    bool IsNewDocument() const { return m_newDocument; }
    void AddObserver(CSchDocObserver* o);
    void RemoveObserver(CSchDocObserver* o);
    void UpdateAllViews(int hint = kHintNone);

    // The user name that becomes the Author of new designs.
    static std::string UserName();

private:
    void SetModifiedState(bool modified);
    // Undo (back) or Redo: puts the step's state back and moves the history.
    bool MoveInHistory(bool back);
    // "Edit <full name>" for a symbol edit.
    std::string SymbolStepText(int key) const;
    // One step that edits symbol `key` in the device model, refreshes the texts and tells the views.
    void EditSymbol(int key, const std::function<void(DeviceConfig&)>& edit);
    // Runs the active curve again after a schematic change when a plot view is open and
    // automatic re-runs are on; tells the views of the change.
    void AfterSchematicChange();
    bool HasPlotView() const;
    void NotifyHistory(CHistoryChange change);
    // Copies the saved design state of `from` into this document's objects.
    void CopyDesignState(const CSchDoc& from);
    // A quiet step on the active curve's setup.
    void ChangeSetup(const char* text, const std::function<void(CSimulationSetup&)>& change);
    JtagResult RunProgrammerStep(const char* text, JtagResult (CJtagScriptedDevice::*operation)());
    void ApplyJtagOptions();
    void ReadSummaryBlock(CXmlParser& parser);
    bool ReadFilterConfig(CXmlParser& parser, int which);
    // The framework's failed-to-open report for a support file.
    static void ReportOpenFailure(const std::string& path, const std::string& error);

    std::unique_ptr<CDeviceSchematic> m_schematic;
    std::unique_ptr<DeviceConfig> m_device;
    std::unique_ptr<CSimulationSetup> m_simulation;
    std::unique_ptr<CPlot> m_plot;
    std::unique_ptr<CSimulator> m_simulator;
    std::unique_ptr<CJtagRegProgram> m_regProgram;
    std::unique_ptr<CJtagDevice> m_jtagDevice;
    std::unique_ptr<CJtagScriptedDevice> m_programmer;
    class JtagHost;
    std::unique_ptr<JtagHost> m_jtagHost;
    CSvfInterpreter* m_interpreter = nullptr;
    CJtagChainCounts m_chainCounts;
    bool m_interfaceChanged = false;
    std::function<void(const CIdcodeFields&)> m_idcodeReceiver;
    std::function<void(const CVerifyReport&)> m_verifyFailedReceiver;
    std::string m_deviceType;
    CSummaryInfo m_summary;
    std::array<std::string, 5> m_loadedSummary;
    bool m_embedded = false;
    CJtagChainElement* m_hostElement = nullptr;
    std::unique_ptr<CFilterTable> m_filterTable;
    std::array<std::unique_ptr<CFilterEntry>, 2> m_filterConfigs;
    int m_lastConfiguration = -1;
    bool m_newDocument = false;
    bool m_objectsCreated = false;
    int m_formatVersion = 1;
    bool m_writeProlog = true;

    CJtagDocumentOptions m_jtagOptions;
    CDesignHistory m_history;
    int m_changeDepth = 0;     // steps running (a step inside a step is part of it)
    std::uint64_t m_stepGroup = 0;
    std::string m_stepGroupText;
    bool m_restoring = false;  // an Undo or Redo is putting a state back

    bool m_modified = false;
    std::string m_path;
    int m_untitledNumber = 1;
    std::vector<CSchDocObserver*> m_observers;
};

// Messages of the document.
extern const char kMsgCompoundFile[];
extern const char kMsgReadOnlyReplace[];  // %s: the path
extern const char kMsgReadOnlyKept[];     // %s: the path

// Before a document is saved over `path`: true when the save may go ahead. An existing file
// without write permission is replaced only when the user confirms (kAsk: kMsgReadOnlyReplace)
// or the caller says so (kReplace); kRefuse shows `keptMessage` (%s: the path) instead.
bool MayWriteOver(const std::string& path, ReadOnlyFile mode, const char* keptMessage);
extern const char kMsgCorrupted[];
extern const char kMsgUnrecognizedElement[];
// Added to the message of the third unrecognised element of a file (Yes skips the rest).
extern const char kMsgSkipUnrecognized[];
extern const char kMsgClearQuestion[];
extern const char kMsgUploadCoerced[];
extern const char kMsgLowestCurve[];
extern const char kMsgLargestCurve[];
extern const char kMsgDeviceNotInstalled[];
extern const char kMsgRestoreFailed[];

// The names of the history steps the document records itself (the Edit menu shows them as
// "Undo <name>"). A symbol edit is named "Edit " followed by the symbol's full name.
extern const char kStepEditSymbol[];      // "Edit " + the symbol's full name
extern const char kStepSetSymbol[];       // "Set symbol %d" (a key without a name)
extern const char kStepEditCell[];        // "Change E2 cell %d"
extern const char kStepEditUes[];         // "Edit UES"
extern const char kStepEditSummary[];     // "Edit Summary Information"
extern const char kStepClear[];           // "Clear Schematic"
extern const char kStepDisableOutputs[];  // "Disable T1/T2 outputs"
extern const char kStepCoerceIllegal[];   // "Coerce illegal values"
extern const char kStepFilterConfig[];    // "Apply Filter Configuration"
extern const char kStepCurveSetup[];      // "Edit Curve Setup"
extern const char kStepDownload[];
extern const char kStepUpload[];
extern const char kStepVerify[];
extern const char kStepReadIdcode[];
extern const char kStepAutoCal[];
extern const char kStepUploadRegister[];

}  // namespace kalidor
