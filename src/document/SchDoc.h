// The document of one design: one device of one device type with the values of all its
// configurable elements, the schematic that shows them, the simulation setup, the filter
// configurations (ZelD/ZelE) and the summary information. It creates and owns the per-design
// objects, reads and writes the design file, and tells its views of every change.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/SummaryInfo.h"
#include "jtag/JtagFrame.h"

namespace kalidor {

class CDeviceSchematic;
class CInterconnect;
class CFilterEntry;
class CFilterTable;
class CJtagDevice;
class CJtagRegProgram;
class CJtagScriptedDevice;
class CSvfInterpreter;
struct CIdcodeFields;
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

class CSchDocObserver {
public:
    virtual ~CSchDocObserver() = default;
    virtual void OnDocumentUpdate(int hint) = 0;
    // The modified flag or the path changed (window titles).
    virtual void OnDocumentStateChanged() {}
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
    // Writes the design file safely (temporary file, then rename); false after telling why.
    bool OnSaveDocument(const std::string& path);
    // The design file text, and reading one; ReadDesign shows the corrupted-file message itself.
    std::string WriteDesign() const;
    bool ReadDesign(const std::string& text);
    // 0 on success, -1 when the text is not a design (no root element, no device, truncated).
    int ParseDesign(const char* text, size_t length);
    // Deletes the per-design objects.
    void DeleteContents();

    // Embedded schematics (a JTAG chain element holds the design file as text).
    void SetEmbedded(std::string* hostBuffer);
    bool IsEmbedded() const { return m_embedded; }
    // Writes the design into the host buffer and clears the modified flag.
    bool SaveEmbedded();

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
    // True on success; `openPlotWindow` is set when the plot window should be shown.
    bool RunSimulation(bool* openPlotWindow = nullptr);
    // After an edit of the schematic: runs the active curve again when automatic re-runs are on
    // and the plot window is open.
    void RerunAfterChange(bool plotWindowOpen);
    CJtagRegProgram* RegProgram() const { return m_regProgram.get(); }
    CJtagDevice* JtagDevice() const { return m_jtagDevice.get(); }
    // Programming: Download, Upload, Verify, Read IDCODE, AutoCal of this design.
    CJtagScriptedDevice* Programmer() const { return m_programmer.get(); }
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
    CSummaryInfo& Summary() { return m_summary; }
    const CSummaryInfo& Summary() const { return m_summary; }
    // Title, Subject, Author, Keywords, Comments as last read from a file (at New: all empty
    // but Keywords, which is the device type).
    const std::array<std::string, 5>& LoadedSummary() const { return m_loadedSummary; }

    int GetFormatVersion() const { return m_formatVersion; }
    void SetFormatVersion(int v) { m_formatVersion = v; }
    bool GetWriteProlog() const { return m_writeProlog; }

    // --- document operations ---
    void RefreshValueTexts();
    void SyncInterconnect();
    // Asks first; true when the schematic was cleared.
    bool ClearSchematic();
    // Stores the summary through its setters and marks the document modified.
    void SetSummary(const CSummaryInfo& s);
    void SetActiveCurve(int n);
    // Filter configurations of ZelD/ZelE: which 0 = A, 1 = B; nullptr removes it.
    int ApplyFilterConfig(int which, const CFilterEntry* entry);
    const CFilterEntry* GetFilterConfig(int which) const;
    int GetFilterConfigState(int key);
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
    void SetGainValue(int key, int gain);
    void SetScaledCapValue(int key, int scaled);
    void SetCapValue(int key, double farads);
    // Sets one E2 cell (position -1: the security fuse) and marks the document modified.
    void E2_SetValue(int position, int value);

    // --- modified flag, path, views ---
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);
    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path);
    bool IsNewDocument() const { return m_newDocument; }
    void AddObserver(CSchDocObserver* o);
    void RemoveObserver(CSchDocObserver* o);
    void UpdateAllViews(int hint = kHintNone);

    // The user name that becomes the Author of new designs.
    static std::string UserName();

private:
    void ReadSummaryBlock(CXmlParser& parser);
    bool ReadFilterConfig(CXmlParser& parser, int which);
    void SkipUnknown(CXmlParser& parser);
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
    std::string m_deviceType;
    CSummaryInfo m_summary;
    std::array<std::string, 5> m_loadedSummary;
    bool m_embedded = false;
    std::string* m_hostBuffer = nullptr;
    std::unique_ptr<CFilterTable> m_filterTable;
    std::array<std::unique_ptr<CFilterEntry>, 2> m_filterConfigs;
    int m_lastConfiguration = -1;
    bool m_newDocument = false;
    bool m_objectsCreated = false;
    int m_formatVersion = 1;
    bool m_writeProlog = true;

    bool m_modified = false;
    std::string m_path;
    std::vector<CSchDocObserver*> m_observers;
};

// Messages of the document.
extern const char kMsgCompoundFile[];
extern const char kMsgCorrupted[];
extern const char kMsgUnrecognizedElement[];
extern const char kMsgClearQuestion[];
extern const char kMsgUploadCoerced[];
extern const char kMsgLowestCurve[];
extern const char kMsgLargestCurve[];
extern const char kMsgDeviceNotInstalled[];

}  // namespace kalidor
