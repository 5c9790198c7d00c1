#include "document/SchDoc.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/DeviceConfig.h"
#include "device/SymbolInfo.h"
#include "jtag/JtagDevice.h"
#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "platform/AtomicFile.h"
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
const char kMsgUnrecognizedElement[] =
    "ZEL files are formatted as XML files.\nThe file contains the following unrecognized\n"
    "XML element (it will be ignored):\n\n";
const char kMsgClearQuestion[] = "Do you want to clear (erase) the schematic?";
const char kMsgUploadCoerced[] =
    "Upload successful, however, Kalidor needed to coerce some entries to be within legal range.";
const char kMsgLowestCurve[] = "The Lowest Curve Number is 1.";
const char kMsgLargestCurve[] = "The Largest Curve Number is 4.";
const char kMsgDeviceNotInstalled[] = "Device \"%s\" is not installed.";

// What the programming operations need of the document.
class CSchDoc::JtagHost : public CJtagDocumentHost {
public:
    explicit JtagHost(CSchDoc& doc) : doc_(doc) {}
    bool InterfaceChanged() override { return doc_.m_interfaceChanged; }
    CJtagChainCounts ChainCounts() override { return doc_.m_chainCounts; }
    void ForgetFilterSelections() override
    {
        doc_.m_filterConfigs[0].reset();
        doc_.m_filterConfigs[1].reset();
    }
    int CoerceAfterUpload() override { return doc_.CoerceAfterUpload(); }
    void SetModified() override { doc_.SetModifiedFlag(true); }
    void UpdateAllViews() override
    {
        doc_.RefreshValueTexts();
        doc_.UpdateAllViews(kHintSymbolEdited);
    }
    void ShowIdcode(const CIdcodeFields& fields) override
    {
        if (doc_.m_idcodeReceiver)
            doc_.m_idcodeReceiver(fields);
    }

private:
    CSchDoc& doc_;
};

CSchDoc::CSchDoc() = default;

CSchDoc::~CSchDoc()
{
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
    return true;
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
        CurrentPrompter().Message("Cannot open " + path + ":\n" + error, "Kalidor", Buttons::Ok,
                                  MessageIcon::Error);
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

bool CSchDoc::OnSaveDocument(const std::string& path)
{
    std::string error;
    if (!WriteFileAtomically(path, WriteDesign(), &error)) {
        CurrentPrompter().Message("The design could not be saved.\n" + error +
                                      "\nThe file on disk has not been changed.",
                                  "Kalidor", Buttons::Ok, MessageIcon::Error);
        return false;
    }
    m_path = path;
    SetModifiedFlag(false);
    return true;
}

void CSchDoc::SetEmbedded(std::string* hostBuffer)
{
    m_embedded = hostBuffer != nullptr;
    m_hostBuffer = hostBuffer;
}

bool CSchDoc::SaveEmbedded()
{
    if (!m_embedded || !m_hostBuffer)
        return false;
    *m_hostBuffer = WriteDesign();
    SetModifiedFlag(false);
    return true;
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
    if (m_deviceType == "ZelD" || m_deviceType == "ZelE") {
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
}

void CSchDoc::SetSummary(const CSummaryInfo& s)
{
    m_summary.SetTitle(s.GetTitle());
    m_summary.SetAuthor(s.GetAuthor());
    m_summary.SetSubject(s.GetSubject());
    m_summary.SetKeywords(s.GetKeywords());
    m_summary.SetComments(s.GetComments());
    SetModifiedFlag(true);
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
    const int cfgKey = which == 0 ? 64 : 65;
    if (!entry) {
        m_filterConfigs[which].reset();
        m_device->SetSymValue(cfgKey, -1);
        return -1;
    }
    m_filterConfigs[which] = std::make_unique<CFilterEntry>(*entry);
    // The value stored in the frequency range symbol is the entry's range for this device.
    m_device->SetSymValue(which == 0 ? 7 : 19, entry->FrequencyRange(m_deviceType));
    m_lastConfiguration = cfgKey;
    m_device->SetSymValue(cfgKey, entry->id);
    RefreshValueTexts();
    UpdateAllViews(kHintNone);
    return cfgKey;
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
    if ((which != 0 && which != 1) || !m_device || (m_deviceType != "ZelD" && m_deviceType != "ZelE"))
        return -1;
    const int firstKey = which == 0 ? 0 : 12;
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

int CSchDoc::GetFilterConfigState(int key)
{
    if ((key != 64 && key != 65) || !m_device)
        return -1;
    if (!m_filterConfigs[key - 64])
        return -1;
    return m_device->GetSymValue(key);
}

int CSchDoc::FilterConfigText(int key, std::string& text)
{
    if (key != 64 && key != 65)
        return 0;
    const std::string name = key == 64 ? "CfgA" : "CfgB";
    const CFilterEntry* entry = m_filterConfigs[key - 64].get();
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

void CSchDoc::SetSymValue(int key, int value)
{
    if (!m_device)
        return;
    m_device->SetSymValue(key, value);
    SetModifiedFlag(true);
    RefreshValueTexts();
    UpdateAllViews(kHintSymbolEdited);
}

void CSchDoc::SetGainValue(int key, int gain)
{
    if (!m_device)
        return;
    kalidor::SetGainValue(*m_device, key, ClampGain(gain));
    SetModifiedFlag(true);
    RefreshValueTexts();
    UpdateAllViews(kHintSymbolEdited);
}

void CSchDoc::SetScaledCapValue(int key, int scaled)
{
    if (!m_device)
        return;
    kalidor::SetScaledCapValue(*m_device, key, scaled);
    SetModifiedFlag(true);
    RefreshValueTexts();
    UpdateAllViews(kHintSymbolEdited);
}

void CSchDoc::SetCapValue(int key, double farads)
{
    SetScaledCapValue(key, ScaledCapacitance(farads));
}

void CSchDoc::E2_SetValue(int position, int value)
{
    if (!m_device)
        return;
    m_device->E2_SetValue(position, value);
    SetModifiedFlag(true);
    RefreshValueTexts();
    UpdateAllViews(kHintSymbolEdited);
}

// ---------------------------------------------------------------- state and views

void CSchDoc::SetModifiedFlag(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    for (auto* o : m_observers)
        o->OnDocumentStateChanged();
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
    // A view may remove itself while being told; walk a copy.
    const std::vector<CSchDocObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnDocumentUpdate(hint);
}

}  // namespace kalidor
