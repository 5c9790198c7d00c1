#include "document/SchDoc.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "device/ValueChoosers.h"
#include "device/ZelDKeys.h"
#include "document/JTAGDoc.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "platform/AtomicFile.h"
#include "platform/CommonMessages.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "sim/Plot.h"
#include "sim/SimulationSetup.h"
#include "sim/Simulator.h"
#include "utilities/FilterEntry.h"
#include "utilities/FilterTable.h"
#include "view/DeviceSchematic.h"

namespace kalidor {

const char kMsgCompoundFile[] = "Doc is in OLE format which is no longer used by Kalidor.";
const char kMsgCorrupted[] = "Error: ZEL file wrong version or corrupted!";
const char kMsgReadOnlyReplace[] = "The file\n%s\nis read-only.\n\nReplace it anyway?";
const char kMsgReadOnlyKept[] = "The file\n%s\nis read-only; the design was not saved.";
const char kMsgUnrecognizedElement[] =
    "ZEL files are formatted as XML files.\nThe file contains the following unrecognized\n"
    "XML element (it will be ignored):\n\n";
const char kMsgSkipUnrecognized[] =
    "\n\nThe file may hold more unrecognized elements.\n"
    "Skip the messages about the rest of them in this file?";
const char kMsgClearQuestion[] = "Do you want to clear (erase) the schematic?";
const char kMsgUploadCoerced[] =
    "Upload successful, however, Kalidor needed to coerce some entries to be within legal range.";
const char kMsgLowestCurve[] = "The Lowest Curve Number is 1.";
const char kMsgLargestCurve[] = "The Largest Curve Number is 4.";
const char kMsgDeviceNotInstalled[] = "Device \"%s\" is not installed.";

const char kStepEditSymbol[] = "Edit ";
const char kStepSetSymbol[] = "Set symbol %d";
const char kStepEditCell[] = "Change E2 cell %d";
const char kStepEditUes[] = "Edit UES";
const char kStepEditSummary[] = "Edit Summary Information";
const char kStepClear[] = "Clear Schematic";
const char kStepDisableOutputs[] = "Disable T1/T2 outputs";
const char kStepCoerceIllegal[] = "Coerce illegal values";
const char kStepFilterConfig[] = "Apply Filter Configuration";
const char kStepCurveSetup[] = "Edit Curve Setup";
const char kStepDownload[] = "Download";
const char kStepUpload[] = "Upload";
const char kStepVerify[] = "Verify";
const char kStepReadIdcode[] = "Read IDCODE";
const char kStepAutoCal[] = "Auto-Calibrate";
const char kStepUploadRegister[] = "Upload Register";

namespace {

constexpr const char* kCaption = "Kalidor";
// Device schematic files are tens of kilobytes.
constexpr std::size_t kMaxDeviceSchematicBytes = 16u * 1024u * 1024u;

std::string Format(const char* pattern, int value)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

}  // namespace

// What the programming operations need of the document.
class CSchDoc::JtagHost : public CJtagDocumentHost {
public:
    explicit JtagHost(CSchDoc& doc) : m_doc(doc) {}
    bool InterfaceChanged() override { return m_doc.m_interfaceChanged; }
    // Before every operation: an embedded design takes the counts of its element's place.
    CJtagChainCounts ChainCounts() override
    {
        if (m_doc.m_hostElement)
            m_doc.m_chainCounts = m_doc.m_hostElement->ChainCounts();
        return m_doc.m_chainCounts;
    }
    void ForgetFilterSelections() override
    {
        m_doc.m_filterConfigs[0].reset();
        m_doc.m_filterConfigs[1].reset();
    }
    int CoerceAfterUpload() override { return m_doc.CoerceAfterUpload(); }
    void SetModified() override { m_doc.SetModifiedFlag(true); }
    void UpdateAllViews() override
    {
        m_doc.RefreshValueTexts();
        m_doc.UpdateAllViews(kHintSymbolEdited);
    }
    void ShowIdcode(const CIdcodeFields& fields) override
    {
        if (m_doc.m_idcodeReceiver)
            m_doc.m_idcodeReceiver(fields);
    }
    bool ShowVerifyFailed(const CVerifyReport& report) override
    {
        if (!m_doc.m_verifyFailedReceiver)
            return false;
        m_doc.m_verifyFailedReceiver(report);
        return true;
    }

private:
    CSchDoc& m_doc;
};

CSchDoc::CSchDoc() = default;

CSchDoc::~CSchDoc()
{
    // Views still registered are not told of a document that is going away.
    m_observers.clear();
    OnCloseDocument();
    DeleteContents();
}

std::string CSchDoc::UserName()
{
    return CurrentSettings().GetString("Settings", "UserName", "Unknown User");
}

// ---------------------------------------------------------------- objects

void CSchDoc::DeleteContents()
{
    if (!m_objectsCreated)
        return;
    m_schematic.reset();
    m_programmer.reset();
    m_jtagDevice.reset();
    m_regProgram.reset();
    m_jtagHost.reset();
    m_simulator.reset();
    m_plot.reset();
    m_simulation.reset();
    m_filterTable.reset();
    m_filterConfigs[0].reset();
    m_filterConfigs[1].reset();
    m_summary = CSummaryInfo{};
    m_device.reset();
    m_objectsCreated = false;
    if (m_history.Count() > 0 || !m_history.IsClean()) {
        m_history.Clear();
        NotifyHistory(CHistoryChange::kCleared);
    }
}

bool CSchDoc::SetDeviceType(const std::string& name)
{
    // Every device type is built in: a name is installed when it is one of the five.
    if (!IsDeviceTypeName(name)) {
        char buf[160];
        std::snprintf(buf, sizeof buf, kMsgDeviceNotInstalled, name.substr(0, 79).c_str());
        CurrentPrompter().Message(buf, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    m_deviceType = name;
    return true;
}

bool CSchDoc::CreateDeviceObjects()
{
    m_device = CreateDeviceConfig(m_deviceType);
    if (!m_device)
        return false;
    m_schematic = CDeviceSchematic::Create(m_deviceType);
    m_simulation = std::make_unique<CSimulationSetup>(*m_device);
    m_plot = std::make_unique<CPlot>(*m_simulation);
    m_simulator = CreateSimulator(m_deviceType, *m_device);
    m_regProgram = CreateRegProgram(m_deviceType);
    if (!m_schematic || !m_regProgram)
        return false;
    m_regProgram->SetDevice(m_device.get());
    m_jtagDevice = std::make_unique<CJtagDevice>();
    m_jtagDevice->SetRegProgram(m_regProgram.get());
    m_jtagDevice->SetDeviceName(m_deviceType);
    m_jtagDevice->SetInterpreter(m_interpreter);
    m_programmer = std::make_unique<CJtagScriptedDevice>(*m_jtagDevice, *m_device, *m_regProgram);
    m_jtagHost = std::make_unique<JtagHost>(*this);
    m_programmer->SetHost(m_jtagHost.get());
    m_programmer->SetDeviceTypeName(m_deviceType);
    ApplyJtagOptions();
    return true;
}

void CSchDoc::ApplyJtagOptions()
{
    if (m_programmer)
        m_programmer->SetVerifyAfterDownload(m_jtagOptions.verifyAfterDownload);
    if (m_regProgram) {
        m_regProgram->SetIdcodeCheck(m_jtagOptions.idcodeCheck ? 1 : 0);
        m_regProgram->SetInlineVerify(m_jtagOptions.inlineVerify ? 1 : 0);
    }
}

void CSchDoc::SetJtagOptions(const CJtagDocumentOptions& options)
{
    m_jtagOptions = options;
    ApplyJtagOptions();
}

void CSchDoc::SetJtagInterpreter(CSvfInterpreter* interpreter)
{
    m_interpreter = interpreter;
    if (m_jtagDevice)
        m_jtagDevice->SetInterpreter(interpreter);
}

bool CSchDoc::InitForDevice()
{
    DeleteContents();
    if (!CreateDeviceObjects())
        return false;
    if (m_schematic->UsesSupportFile())
        LoadDeviceSchematic();
    m_summary = CSummaryInfo{};
    m_summary.SetAuthor(UserName());
    m_summary.SetKeywords(m_deviceType);
    m_objectsCreated = true;
    RefreshValueTexts();
    return true;
}

bool CSchDoc::OnNewDocument(const std::string& deviceType)
{
    DeleteContents();
    m_newDocument = true;
    m_formatVersion = 1;
    if (!SetDeviceType(deviceType) || !InitForDevice())
        return false;
    m_loadedSummary = {"", "", "", m_deviceType, ""};
    m_modified = false;
    return true;
}

// ---------------------------------------------------------------- files

bool CSchDoc::OnOpenDocument(const std::string& path)
{
    std::string text;
    std::string error;
    // Design files are a few kilobytes; anything above a few megabytes is not one.
    if (!ReadWholeFile(path, text, 8u * 1024u * 1024u, &error)) {
        CurrentPrompter().Message(CannotOpenMessage(path, error), "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    static const unsigned char kCompound[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (text.size() >= 8 && std::memcmp(text.data(), kCompound, 8) == 0) {
        CurrentPrompter().Message(kMsgCompoundFile, "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    DeleteContents();
    m_newDocument = false;
    if (!ReadDesign(text))
        return false;
    m_path = path;
    m_modified = false;
    for (auto* o : m_observers)
        o->OnDocumentStateChanged();
    return true;
}

bool MayWriteOver(const std::string& path, ReadOnlyFile mode, const char* keptMessage)
{
    if (mode == ReadOnlyFile::kReplace || !IsReadOnlyFile(path))
        return true;
    // As editors do: a file marked read-only is not replaced behind the user's back.
    if (mode == ReadOnlyFile::kRefuse) {
        CurrentPrompter().Message(FormatMessage(keptMessage, path), "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    return CurrentPrompter().Message(FormatMessage(kMsgReadOnlyReplace, path), "Kalidor", Buttons::YesNo,
                                     MessageIcon::Warning) == Answer::Yes;
}

namespace {

// Writes a design file safely over `path`; false after telling why.
bool WriteDesignFile(const std::string& path, const std::string& text, ReadOnlyFile readOnly)
{
    if (!MayWriteOver(path, readOnly, kMsgReadOnlyKept))
        return false;
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) {
        CurrentPrompter().Message("The design could not be saved.\n" + error +
                                      "\nThe file on disk has not been changed.",
                                  "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    return true;
}

}  // namespace

bool CSchDoc::OnSaveDocument(const std::string& path, ReadOnlyFile readOnly)
{
    if (!WriteDesignFile(path, WriteDesign(), readOnly))
        return false;
    m_path = path;
    SetModifiedFlag(false);
    return true;
}

bool CSchDoc::SaveCopyAs(const std::string& path, ReadOnlyFile readOnly) const
{
    return WriteDesignFile(path, WriteDesign(true), readOnly);
}

void CSchDoc::SetEmbedded(CJtagChainElement* host)
{
    m_embedded = host != nullptr;
    m_hostElement = host;
    m_writeProlog = !m_embedded;
    for (auto* o : m_observers)
        o->OnDocumentStateChanged();
}

bool CSchDoc::SaveEmbedded()
{
    if (!m_embedded || !m_hostElement)
        return false;
    m_hostElement->StoreDesign(WriteDesign());
    SetModifiedFlag(false);
    return true;
}

bool CSchDoc::SaveModified()
{
    if (!m_embedded || !m_modified)
        return true;
    switch (CurrentPrompter().Message(kMsgEmbeddedNotSaved, kCaption, Buttons::YesNoCancel, MessageIcon::Question)) {
    case Answer::Yes: return SaveEmbedded();
    case Answer::No: return true;
    default: return false;
    }
}

void CSchDoc::OnCloseDocument()
{
    if (m_hostElement) {
        CJtagChainElement* host = m_hostElement;
        m_hostElement = nullptr;
        m_embedded = false;
        host->SchematicClosed(kSchematicClosedCode);
    }
}

// ---------------------------------------------------------------- operations

void CSchDoc::RefreshValueTexts()
{
    if (!m_schematic || !m_device)
        return;
    for (CSymbol* s = m_schematic->GetFirstSymbol(); s; s = m_schematic->GetNextSymbol()) {
        if (!s->IsValid())
            continue;
        if (s->GetDialogType() == kDlgFilterConfig) {
            std::string text;
            FilterConfigText(s->GetKey(), text);
            if (text.size() > 500)
                text.resize(500);
            s->SetValueText(text);
        } else {
            m_schematic->RefreshValueText(*m_device, s->GetKey());
        }
    }
}

void CSchDoc::SyncInterconnect()
{
}

bool CSchDoc::ClearSchematic()
{
    if (CurrentPrompter().Message(kMsgClearQuestion, "Kalidor", Buttons::OkCancel,
                                  MessageIcon::Question) != Answer::Ok)
        return false;
    if (!m_device)
        return false;
    // Clearing empties every curve: nothing is run again.
    return Change(kStepClear, [this] {
        if (m_device->Traits().filterConfigs) {
            ApplyFilterConfig(0, nullptr);
            ApplyFilterConfig(1, nullptr);
        }
        m_device->Reset();
        m_device->ApplyOutputDisable();
        if (m_plot)
            m_plot->ClearAll();
        SetModifiedFlag(true);
        RefreshValueTexts();
        UpdateAllViews(kHintNone);
        return true;
    }, kChangeSetup);
}

void CSchDoc::SetSummary(const CSummaryInfo& s)
{
    Change(kStepEditSummary, [&] {
        m_summary.SetTitle(s.GetTitle());
        m_summary.SetAuthor(s.GetAuthor());
        m_summary.SetSubject(s.GetSubject());
        m_summary.SetKeywords(s.GetKeywords());
        m_summary.SetComments(s.GetComments());
        SetModifiedFlag(true);
        return true;
    }, kChangeSetup);
}

void CSchDoc::SetSummaryField(CSummaryField field, const std::string& text)
{
    Change(kStepEditSummary, [&] {
        switch (field) {
        case CSummaryField::kTitle: m_summary.SetTitle(text); break;
        case CSummaryField::kAuthor: m_summary.SetAuthor(text); break;
        case CSummaryField::kSubject: m_summary.SetSubject(text); break;
        case CSummaryField::kKeywords: m_summary.SetKeywords(text); break;
        case CSummaryField::kComments: m_summary.SetComments(text); break;
        }
        SetModifiedFlag(true);
        return true;
    }, kChangeSetup);
}

void CSchDoc::SetOutputDisable(bool on)
{
    if (!m_device)
        return;
    Change(kStepDisableOutputs, [&] {
        m_device->SetSwitch(0, on ? 1 : 0);
        if (on)
            m_device->ApplyOutputDisable();
        RefreshValueTexts();
        UpdateAllViews(kHintNone);
        return true;
    });
}

void CSchDoc::SetCoerceIllegal(bool on)
{
    if (!m_device)
        return;
    Change(kStepCoerceIllegal, [&] {
        m_device->SetSwitch(1, on ? 1 : 0);
        if (on && m_device->CoerceSymbols() > 0)
            CurrentPrompter().Message(kCoerceMessage, kCaption, Buttons::Ok, MessageIcon::Information);
        RefreshValueTexts();
        UpdateAllViews(kHintNone);
        return true;
    });
}

bool CSchDoc::GetOutputDisable() const { return m_device && m_device->GetSwitch(0) != 0; }

bool CSchDoc::GetCoerceIllegal() const { return m_device && m_device->GetSwitch(1) != 0; }

void CSchDoc::SetUesValue(std::uint64_t value)
{
    if (!m_device)
        return;
    Change(kStepEditUes, [&] {
        kalidor::SetUesValue(*m_device, value);
        RefreshValueTexts();
        UpdateAllViews(kHintSymbolEdited);
        return true;
    });
}

bool CSchDoc::OpenDeviceSchematic(const std::string& path)
{
    std::string text;
    if (!m_schematic || !ReadWholeFile(path, text, kMaxDeviceSchematicBytes) || !ReadDeviceSchematic(text)) {
        CurrentPrompter().Message(std::string(kMsgFileNotOpened), kCaption, Buttons::Ok, MessageIcon::Error);
        return false;
    }
    return true;
}

bool CSchDoc::ReadDeviceSchematic(const std::string& text)
{
    if (!m_schematic)
        return false;
    // A text that is no device schematic leaves the schematic as it is.
    if (!CDeviceSchematic::Create(m_deviceType)->ReadSupportFile(text))
        return false;
    m_schematic->ReadSupportFile(text);
    RefreshValueTexts();
    UpdateAllViews(kHintNone);
    return true;
}

void CSchDoc::DeleteDrawnElements()
{
    if (!m_schematic)
        return;
    for (CSymbol* sym = m_schematic->GetFirstSymbol(); sym; sym = m_schematic->GetNextSymbol())
        sym->DeleteDrawnElements();
    UpdateAllViews(kHintNone);
}

void CSchDoc::SetActiveCurve(int n)
{
    if (n < 1) {
        CurrentPrompter().Message(kMsgLowestCurve, "Kalidor", Buttons::Ok, MessageIcon::Information);
        n = 1;
    } else if (n > 4) {
        CurrentPrompter().Message(kMsgLargestCurve, "Kalidor", Buttons::Ok, MessageIcon::Information);
        n = 4;
    }
    if (m_simulation)
        m_simulation->SetActiveCurve(n - 1);
}

int CSchDoc::ApplyFilterConfig(int which, const CFilterEntry* entry)
{
    if ((which != 0 && which != 1) || !m_device)
        return -1;
    const int cfgKey = which == 0 ? kKeyFilterConfigA : kKeyFilterConfigB;
    int result = -1;
    Change(kStepFilterConfig, [&] {
        if (!entry) {
            m_filterConfigs[which].reset();
            m_device->SetSymValue(cfgKey, -1);
            return true;
        }
        m_filterConfigs[which] = std::make_unique<CFilterEntry>(*entry);
        // The value stored in the frequency range symbol is the entry's range for this device.
        m_device->SetSymValue(which == 0 ? kKeyFrequencyRangeA : kKeyFrequencyRangeB, entry->FrequencyRange(m_deviceType));
        m_lastConfiguration = cfgKey;
        m_device->SetSymValue(cfgKey, entry->id);
        RefreshValueTexts();
        UpdateAllViews(kHintNone);
        result = cfgKey;
        return true;
    });
    return result;
}

void CSchDoc::ReportOpenFailure(const std::string& path, const std::string& error)
{
    CurrentPrompter().Message("Failed to open document.\n" + path + "\n" + error, "Kalidor",
                              Buttons::Ok, MessageIcon::Error);
}

int CSchDoc::LoadFilterTable()
{
    if (m_filterTable)
        return 1;
    const std::string path = SupportFile(CFilterTable::FileName(m_deviceType));
    auto table = std::make_unique<CFilterTable>();
    std::string error;
    {
        WaitCursor wait;
        if (!table->Load(path, &error)) {
            ReportOpenFailure(path, error);
            return 0;
        }
    }
    m_filterTable = std::move(table);
    return 1;
}

int CSchDoc::CopyFilterToSchematic(const CFilterEntry* entry, int which)
{
    if (!entry) {
        CurrentPrompter().Message(kMsgNoEntrySelected, "Kalidor", Buttons::Ok, MessageIcon::Information);
        return -1;
    }
    if ((which != 0 && which != 1) || !m_device || !m_device->Traits().filterConfigs)
        return -1;
    const int firstKey = which == 0 ? kKeyElementC1A : kKeyElementC1B;
    for (int i = 0; i < CFilterEntry::kComponentCount; ++i)
        kalidor::SetScaledCapValue(*m_device, firstKey + i, ScaledCapacitance(entry->components[i]));
    SetModifiedFlag(true);
    return ApplyFilterConfig(which, entry);
}

int CSchDoc::CopyFilterToSchematic(int id, int which)
{
    if (!LoadFilterTable())
        return -1;
    return CopyFilterToSchematic(m_filterTable->GetEntry(m_filterTable->FindEntry(id)), which);
}

const CFilterEntry* CSchDoc::GetFilterConfig(int which) const
{
    return (which == 0 || which == 1) ? m_filterConfigs[which].get() : nullptr;
}

int CSchDoc::GetFilterConfigState(int key) const
{
    if ((key != kKeyFilterConfigA && key != kKeyFilterConfigB) || !m_device)
        return -1;
    if (!m_filterConfigs[key - kKeyFilterConfigA])
        return -1;
    return m_device->GetSymValue(key);
}

int CSchDoc::FilterConfigText(int key, std::string& text)
{
    if (key != kKeyFilterConfigA && key != kKeyFilterConfigB)
        return 0;
    const std::string name = key == kKeyFilterConfigA ? "CfgA" : "CfgB";
    const CFilterEntry* entry = m_filterConfigs[key - kKeyFilterConfigA].get();
    if (!entry) {
        text = name + " unknown\r\n";
        return 1;
    }
    text = GetFilterConfigState(key) == -2 ? name + " modified from:\r\n" : name + " \r\n";
    std::string d = entry->Description();
    if (d.size() > 500)
        d.resize(500);
    text += d;
    return 1;
}

bool CSchDoc::RunSimulation(bool* openPlotWindow)
{
    if (openPlotWindow)
        *openPlotWindow = false;
    if (!m_simulation || !m_simulator || !m_plot)
        return false;
    const RunResult r = RunActiveCurve(*m_simulation, *m_simulator, *m_plot);
    if (openPlotWindow)
        *openPlotWindow = r.openPlotWindow;
    UpdateAllViews(r.hint);
    if (r.openPlotWindow && !HasPlotView()) {
        const std::vector<CSchDocObserver*> observers = m_observers;
        for (auto* o : observers)
            o->OnPlotViewWanted();
    }
    return r.success;
}

void CSchDoc::RerunAfterChange(bool plotWindowOpen)
{
    if (plotWindowOpen && m_simulation && m_simulation->GetAutoRun())
        RunSimulation();
}

int CSchDoc::CoerceAfterUpload()
{
    if (!m_device)
        return 0;
    const int count = m_device->CoerceSymbols();
    if (count > 0)
        CurrentPrompter().Message(kMsgUploadCoerced, "Kalidor", Buttons::Ok,
                                  MessageIcon::Information);
    return count;
}

int CSchDoc::FindSymbolAt(int x, int y) const
{
    if (!m_schematic)
        return -1;
    CSymbol* s = m_schematic->FindSymbolAt(x, y);
    return s ? s->GetKey() : -1;
}

std::string CSchDoc::SymbolStepText(int key) const
{
    const CSymbol* s = m_schematic ? m_schematic->GetSymbol(key) : nullptr;
    if (s && s->IsValid() && !s->GetFullName().empty())
        return kStepEditSymbol + s->GetFullName();
    return Format(kStepSetSymbol, key);
}

void CSchDoc::EditSymbol(int key, const std::function<void(DeviceConfig&)>& edit)
{
    if (!m_device)
        return;
    Change(SymbolStepText(key), [&] {
        edit(*m_device);
        RefreshValueTexts();
        UpdateAllViews(kHintSymbolEdited);
        return true;
    });
}

void CSchDoc::SetSymValue(int key, int value)
{
    EditSymbol(key, [&](DeviceConfig& d) { d.SetSymValue(key, value); });
}

void CSchDoc::SetGainValue(int key, int gain)
{
    EditSymbol(key, [&](DeviceConfig& d) { kalidor::SetGainValue(d, key, ClampGain(gain)); });
}

void CSchDoc::SetScaledCapValue(int key, int scaled)
{
    EditSymbol(key, [&](DeviceConfig& d) { kalidor::SetScaledCapValue(d, key, scaled); });
}

void CSchDoc::SetCapValue(int key, double farads)
{
    SetScaledCapValue(key, ScaledCapacitance(farads));
}

void CSchDoc::E2_SetValue(int position, int value)
{
    if (!m_device)
        return;
    Change(Format(kStepEditCell, position), [&] {
        m_device->E2_SetValue(position, value);
        RefreshValueTexts();
        UpdateAllViews(kHintSymbolEdited);
        return true;
    });
}

// ---------------------------------------------------------------- automation

int CSchDoc::GetSymValue(int key) const { return m_device ? m_device->GetSymValue(key) : 0; }

int CSchDoc::GetValue(int key) const
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(GetSymValue(key) & 0xFFFF));
}

int CSchDoc::SetValue(int key, int value)
{
    if (!m_device)
        return 0;
    Change(SymbolStepText(key), [&] {
        m_device->SetSymValue(key, value);
        RefreshValueTexts();
        return true;
    }, kChangeSchematic | kChangeQuiet);
    return 0;
}

int CSchDoc::GetGainValue(int key) const { return m_device ? kalidor::GetGainValue(*m_device, key) : 0; }

int CSchDoc::GetScaledCapValue(int key) const { return m_device ? kalidor::GetScaledCapValue(*m_device, key) : 0; }

int CSchDoc::GetNearestCapIndex(int scaled) const { return m_device ? m_device->GetNearestCapIndex(0, scaled) : 0; }

int CSchDoc::E2_GetValue(int position) const { return m_device ? m_device->E2_GetValue(position) : 0; }

int CSchDoc::GetActiveCurve() const { return m_simulation ? m_simulation->GetActiveCurve() + 1 : 1; }

void CSchDoc::ChangeSetup(const char* text, const std::function<void(CSimulationSetup&)>& change)
{
    if (!m_simulation)
        return;
    Change(text, [&] {
        change(*m_simulation);
        return true;
    }, kChangeSetup | kChangeQuiet);
}

int CSchDoc::GetGainPhaseInputNode() const { return m_simulation ? m_simulation->Active().inputNode : 0; }

void CSchDoc::SetGainPhaseInputNode(int node)
{
    ChangeSetup(kStepCurveSetup, [node](CSimulationSetup& s) { s.SetActiveInputNode(node); });
}

int CSchDoc::GetGainPhaseOutputNode() const { return m_simulation ? m_simulation->Active().outputNode : 0; }

void CSchDoc::SetGainPhaseOutputNode(int node)
{
    ChangeSetup(kStepCurveSetup, [node](CSimulationSetup& s) { s.SetActiveOutputNode(node); });
}

int CSchDoc::GetGainPhaseFreqStart() const { return m_simulation ? m_simulation->Active().startFrequency : 0; }

void CSchDoc::SetGainPhaseFreqStart(int hz)
{
    ChangeSetup(kStepCurveSetup, [hz](CSimulationSetup& s) { s.Active().startFrequency = hz; });
}

int CSchDoc::GetGainPhaseFreqEnd() const { return m_simulation ? m_simulation->Active().stopFrequency : 0; }

void CSchDoc::SetGainPhaseFreqEnd(int hz)
{
    ChangeSetup(kStepCurveSetup, [hz](CSimulationSetup& s) { s.Active().stopFrequency = hz; });
}

int CSchDoc::GetGainPhasePtsPerDec() const { return m_simulation ? m_simulation->Active().pointsPerDecade : 0; }

void CSchDoc::SetGainPhasePtsPerDec(int points)
{
    ChangeSetup(kStepCurveSetup, [points](CSimulationSetup& s) { s.Active().pointsPerDecade = points; });
}

int CSchDoc::SetGainPhaseRange(int curve, int start, int stop)
{
    if (curve < 1 || curve > CSimulationSetup::kCurveCount || !m_simulation)
        return -1;
    ChangeSetup(kStepCurveSetup, [&](CSimulationSetup& s) {
        s.Curve(curve - 1).startFrequency = start;
        s.Curve(curve - 1).stopFrequency = stop;
    });
    return 0;
}

int CSchDoc::SetGainPhasePtsDec(int curve, int points)
{
    if (curve < 1 || curve > CSimulationSetup::kCurveCount || !m_simulation)
        return -1;
    ChangeSetup(kStepCurveSetup, [&](CSimulationSetup& s) { s.Curve(curve - 1).pointsPerDecade = points; });
    return 0;
}

// ---------------------------------------------------------------- programming

JtagResult CSchDoc::RunProgrammerStep(const char* text, JtagResult (CJtagScriptedDevice::*operation)())
{
    if (!m_programmer)
        return kJtagNotReady;
    JtagResult result = kJtagNotReady;
    Change(text, [&] {
        result = (m_programmer.get()->*operation)();
        return true;
    });
    return result;
}

JtagResult CSchDoc::Download() { return RunProgrammerStep(kStepDownload, &CJtagScriptedDevice::DocDownload); }

JtagResult CSchDoc::Upload() { return RunProgrammerStep(kStepUpload, &CJtagScriptedDevice::DocUpload); }

JtagResult CSchDoc::Verify() { return RunProgrammerStep(kStepVerify, &CJtagScriptedDevice::DocVerify); }

JtagResult CSchDoc::ReadIdcode() { return RunProgrammerStep(kStepReadIdcode, &CJtagScriptedDevice::DocReadIdcode); }

JtagResult CSchDoc::AutoCal() { return RunProgrammerStep(kStepAutoCal, &CJtagScriptedDevice::DocAutoCal); }

JtagResult CSchDoc::UploadRegister(int reg)
{
    if (!m_programmer)
        return kJtagRunStopped;
    JtagResult result = kJtagRunStopped;
    Change(kStepUploadRegister, [&] {
        result = m_programmer->DocUploadRegister(reg);
        return true;
    });
    return result;
}

// ---------------------------------------------------------------- state and views

void CSchDoc::SetModifiedFlag(bool modified)
{
    // Unmodified means saved: the history's clean position moves here.
    if (!modified && !m_history.IsClean()) {
        m_history.SetClean();
        NotifyHistory(CHistoryChange::kCleanMoved);
    }
    SetModifiedState(modified);
}

void CSchDoc::SetModifiedState(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    const std::vector<CSchDocObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnDocumentStateChanged();
}

std::string CSchDoc::DisplayName() const
{
    if (m_hostElement)
        return m_hostElement->GetName() + kEmbeddedTitleSuffix;
    if (m_path.empty())
        return "Design" + std::to_string(m_untitledNumber);
    return std::filesystem::path(m_path).filename().string();
}

void CSchDoc::SetPathName(const std::string& path)
{
    m_path = path;
    for (auto* o : m_observers)
        o->OnDocumentStateChanged();
}

void CSchDoc::AddObserver(CSchDocObserver* o)
{
    if (o && std::find(m_observers.begin(), m_observers.end(), o) == m_observers.end())
        m_observers.push_back(o);
}

void CSchDoc::RemoveObserver(CSchDocObserver* o)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), o), m_observers.end());
}

void CSchDoc::UpdateAllViews(int hint)
{
    // An Undo tells the views once, when the whole state is back.
    if (m_restoring)
        return;
    // A view may remove itself while being told; walk a copy.
    const std::vector<CSchDocObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnDocumentUpdate(hint);
}

}  // namespace kalidor
