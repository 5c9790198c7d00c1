#include "jtag/JtagInterface.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "jtag/JtagRegProgram.h"
#include "jtag/JtagScriptedDevice.h"
#include "jtag/TapPortFactory.h"
#include "jtag/TapSvfInterpreter.h"
#include "jtag/cables/CableBackends.h"
#include "jtag/cables/VirtualCable.h"
#include "jtag/server/SocketServerTransport.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor {

namespace {

constexpr const char* kCaption = "Kalidor";
constexpr const char* kVirtualStateFolder = "Norvane Dividaduzudav Corporation/VirtualJtag";
constexpr int kLastInterpreterId = 3;

bool UsableText(const std::string& s)
{
    if (s.empty() || s.size() > kMaxPortTextLength) return false;
    for (char c : s)
        if (c == '\r' || c == '\n' || c == '\0') return false;
    return true;
}

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

// Brings a choice into range, as Read does for the profile.
CJtagInterfaceSettings Sanitised(CJtagInterfaceSettings s)
{
    const CJtagInterfaceSettings defaults;
    if (s.interpreterId < 0 || s.interpreterId > kLastInterpreterId) s.interpreterId = defaults.interpreterId;
    if (!FindCableBackend(s.tapPortClass)) s.tapPortClass = defaults.tapPortClass;
    for (const CCableBackend& b : CableBackends()) {
        const std::string value = Trimmed(b.get(s));
        b.set(s, UsableText(value) && (!b.usable || b.usable(value)) ? value : std::string(b.defaultValue));
    }
    return s;
}

// The back end of a (sanitised) choice.
const CCableBackend& BackendOf(const CJtagInterfaceSettings& s)
{
    const CCableBackend* b = FindCableBackend(s.tapPortClass);
    return b ? *b : *FindCableBackend(CJtagInterfaceSettings().tapPortClass);
}

std::string FormatOne(const char* pattern, const std::string& value)
{
    std::string p = pattern;
    const std::size_t at = p.find("%s");
    if (at != std::string::npos) p.replace(at, 2, value);
    return p;
}

}  // namespace

const char* InterpreterName(int id)
{
    switch (id) {
    case 0: return kInterpreterNameBuiltIn;
    case 1: return kInterpreterNameWin16Dde;
    case 2: return kInterpreterNameWin32Dde;
    case 3: return kInterpreterNameOs2Dde;
    default: return kInterpreterNameUnknown;
    }
}

// ---------------------------------------------------------------------------------------------

CJtagInterfaceSettings CJtagInterfaceSettings::Read(const Settings& settings)
{
    const CJtagInterfaceSettings d;
    CJtagInterfaceSettings s;
    s.interpreterId = settings.GetInt(kJtagConfigSection, kEntryInterpreterId, d.interpreterId);
    s.tapPortClass = settings.GetInt(kJtagConfigSection, kEntryTapPortClass, d.tapPortClass);
    for (const CCableBackend& b : CableBackends())
        b.set(s, settings.GetString(kJtagConfigSection, b.entry, b.get(d)));
    return Sanitised(s);
}

void CJtagInterfaceSettings::WritePort(Settings& settings) const
{
    const CJtagInterfaceSettings s = Sanitised(*this);
    settings.SetInt(kJtagConfigSection, kEntryTapPortClass, s.tapPortClass);
    for (const CCableBackend& b : CableBackends()) settings.SetString(kJtagConfigSection, b.entry, b.get(s));
}

std::string CJtagInterfaceSettings::PortSpec() const
{
    const CCableBackend& b = BackendOf(*this);
    return b.text(b.get(*this));
}

bool CJtagInterfaceSettings::SamePort(const CJtagInterfaceSettings& other) const
{
    if (tapPortClass != other.tapPortClass) return false;
    const CCableBackend& b = BackendOf(*this);
    return b.tunesRunningCable || b.get(*this) == b.get(other);
}

// ---------------------------------------------------------------------------------------------

CJtagOptions CJtagOptions::From(const CJtagCable* cable, const CJtagScriptedDevice& programmer,
                                const CJtagRegProgram& program)
{
    CJtagOptions o;
    if (cable) {
        o.cableCheck = cable->GetCableCheck();
        o.powerCheck = cable->GetPowerCheck();
    }
    o.verifyAfterDownload = programmer.GetVerifyAfterDownload();
    o.idcodeCheck = program.GetIdcodeCheck();
    o.inlineVerify = program.GetInlineVerify();
    o.traceOn = programmer.Jtag().GetTraceOn();
    return o;
}

void CJtagOptions::ApplyTo(CJtagCable* cable, CJtagScriptedDevice& programmer, CJtagRegProgram& program) const
{
    if (cable) {
        cable->SetCableCheck(cableCheck);
        cable->SetPowerCheck(powerCheck);
    }
    programmer.SetVerifyAfterDownload(verifyAfterDownload);
    program.SetIdcodeCheck(idcodeCheck ? 1 : 0);
    program.SetInlineVerify(inlineVerify ? 1 : 0);
    programmer.Jtag().SetTraceOn(traceOn);
}

// ---------------------------------------------------------------------------------------------

CJtagInterface::~CJtagInterface()
{
    Stop();
}

void CJtagInterface::Stop()
{
    if (m_interpreter) m_interpreter->Disconnect();
    if (m_cable) m_cable->Close();
    m_portOpen = false;
}

void CJtagInterface::Start(Settings& profile, const std::string& stateDir,
                           std::unique_ptr<CSvfServerTransport> transport)
{
    Stop();
    m_interpreter.reset();
    m_cable.reset();
    m_portProblem.clear();

    // 1. Whatever was chosen before is what starts now.
    profile.SetInt(kJtagConfigSection, kEntryInterpreterWasChanged, 0);
    m_changed = false;
    m_running = CJtagInterfaceSettings::Read(profile);
    m_stateDir = stateDir;

    // 2. The interpreter. The client of the SVF server leaves the cable to the server: it starts a
    // server on the chosen cable when none is running.
    if (UsesServer()) {
        if (!transport)
            transport = std::make_unique<CSocketServerTransport>(
                CSvfServerLaunch{{}, SvfServerCableArguments(m_running.PortSpec(), stateDir)});
        m_interpreter = std::make_unique<CSvfServerInterpreter>(std::move(transport));
        m_interpreter->AttachCable(nullptr, m_running.interpreterId);
        m_interpreter->SetOption(0);
        SaveJtagProfile(profile);
        return;
    }
    m_interpreter = std::make_unique<CTapSvfInterpreter>();

    // 3.-5. The cable, opened quietly (a missing cable driver is told when the user programs, not
    // at start), attached, with the port address of a parallel port; 6. the option word.
    MakeCable();
    m_interpreter->SetOption(0);
    SaveJtagProfile(profile);
}

bool CJtagInterface::OpenQuietly()
{
    RecordingPrompter quiet;
    {
        ScopedPrompter scope(quiet);
        m_portOpen = m_cable->Open();
    }
    if (m_portOpen)
        m_portProblem.clear();
    else
        m_portProblem = quiet.messages.empty() ? m_cable->GetName() : quiet.messages.back().text;
    return m_portOpen;
}

void CJtagInterface::MakeCable()
{
    // The checks the user set on the running cable stay with the one that replaces it.
    int cableCheck = 1, powerCheck = 1;
    if (m_cable) {
        cableCheck = m_cable->GetCableCheck();
        powerCheck = m_cable->GetPowerCheck();
        m_cable->Close();
    }
    m_cable.reset();
    m_portOpen = false;
    m_portProblem.clear();

    // A virtual cable keeps its devices' cells in the state folder when it can.
    std::string error;
    m_cable = CreateCable(m_running.PortSpec(), m_stateDir, &error);
    if (m_cable) {
        m_cable->SetCableCheck(cableCheck);
        m_cable->SetPowerCheck(powerCheck);
        OpenQuietly();
    } else {
        m_portProblem = error.empty() ? m_running.PortSpec() : error;
    }
    if (m_interpreter) m_interpreter->AttachCable(m_cable.get(), m_running.interpreterId);
    if (CJTAGTapPort* port = Port()) port->SetPort(m_running.portId, 0, 0);
}

bool CJtagInterface::EnsurePortReady()
{
    // An external server drives its own cable.
    if (UsesServer()) return true;
    if (!m_cable) {
        CurrentPrompter().Message(FormatOne(kMsgNoTapPort, m_portProblem), kCaption, Buttons::Ok,
                                  MessageIcon::Error);
        return false;
    }
    // Tried again; the reason goes to the user now.
    if (TryOpen()) return true;
    CurrentPrompter().Message(m_portProblem, kCaption, Buttons::Ok, MessageIcon::Error);
    return false;
}

std::string CJtagInterface::PortProblemText() const
{
    if (m_portOpen || (m_interpreter && m_interpreter->GetInterpreterID() != kInterpreterBuiltIn)) return {};
    return FormatOne(kMsgCableNotOpened, m_portProblem);
}

bool CJtagInterface::TryOpen()
{
    if (!m_cable) return false;
    if (m_portOpen) return true;
    if (!OpenQuietly()) return false;
    if (CJTAGTapPort* port = Port()) port->SetPort(m_running.portId, 0, 0);
    return true;
}

int CJtagInterface::StoredInterpreterId(const Settings& profile)
{
    return profile.GetInt(kJtagConfigSection, kEntryInterpreterId, kInterpreterBuiltIn);
}

void CJtagInterface::UpdateChanged(Settings& profile)
{
    const CJtagInterfaceSettings stored = CJtagInterfaceSettings::Read(profile);
    m_changed = stored.interpreterId != m_running.interpreterId || !stored.SamePort(m_running);
    profile.SetInt(kJtagConfigSection, kEntryInterpreterWasChanged, m_changed ? 1 : 0);
    SaveJtagProfile(profile);
}

bool CJtagInterface::SelectInterpreter(Settings& profile, int id)
{
    if (id < 0 || id > kLastInterpreterId) id = kInterpreterBuiltIn;
    const int previous = CJtagInterfaceSettings::Read(profile).interpreterId;
    profile.SetInt(kJtagConfigSection, kEntryInterpreterId, id);
    UpdateChanged(profile);
    return id != previous && m_changed;
}

CPortChange CJtagInterface::SelectPort(Settings& profile, const CJtagInterfaceSettings& wanted, bool applyNow)
{
    CJtagInterfaceSettings choice = Sanitised(wanted);
    const CJtagInterfaceSettings previous = CJtagInterfaceSettings::Read(profile);
    choice.interpreterId = previous.interpreterId;
    choice.WritePort(profile);
    if (!choice.SamePort(m_running)) {
        if (!applyNow) {
            UpdateChanged(profile);
            return CPortChange::kStored;
        }
        // Another cable: in use from now on.
        const int interpreterId = m_running.interpreterId;
        m_running = choice;
        m_running.interpreterId = interpreterId;
        MakeCable();
        UpdateChanged(profile);
        return CPortChange::kCableReplaced;
    }
    // The running cable: its address may change at once.
    bool applied = false;
    if (choice.portId != m_running.portId) {
        if (CJTAGTapPort* port = Port()) port->SetPort(choice.portId, 0, 0);
        m_running.portId = choice.portId;
        applied = true;
    }
    UpdateChanged(profile);
    if (!previous.SamePort(m_running)) return m_changed ? CPortChange::kStored : CPortChange::kStoredRunning;
    return applied ? CPortChange::kAppliedNow : CPortChange::kNone;
}

std::string CJtagInterface::PortName() const
{
    if (UsesServer()) {
        const auto* server = dynamic_cast<const CSvfServerInterpreter*>(m_interpreter.get());
        const std::string name = server ? server->ServerDescription() : std::string();
        return name.empty() ? kServerCableUnknown : FormatOne(kServerCableName, name);
    }
    return m_cable ? m_cable->GetName() : std::string("none");
}

bool CJtagInterface::UsesServer() const
{
    return m_running.interpreterId >= 1 && m_running.interpreterId <= kLastInterpreterId;
}

// ---------------------------------------------------------------------------------------------

namespace {

// The counts of the device at `at` of a parsed chain (the others in bypass).
bool ChainCountsOf(const std::vector<VirtualChainItem>& items, std::size_t at, CJtagChainCounts& counts)
{
    counts = {};
    if (at >= items.size()) return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i < at) {
            counts.tir += items[i].irLength;
            ++counts.tdr;
        } else if (i > at) {
            counts.hir += items[i].irLength;
            ++counts.hdr;
        }
    }
    return true;
}

}  // namespace

bool VirtualChainCountsFor(const std::string& chain, const std::string& deviceType, CJtagChainCounts& counts)
{
    counts = {};
    std::vector<VirtualChainItem> items;
    std::string error;
    if (!ParseVirtualChain(chain, items, error)) return false;
    std::size_t at = items.size();
    for (std::size_t i = 0; i < items.size() && at == items.size(); ++i)
        if (items[i].type == deviceType) at = i;
    return ChainCountsOf(items, at, counts);
}

bool VirtualChainCountsAt(const std::string& chain, int position, CJtagChainCounts& counts)
{
    counts = {};
    std::vector<VirtualChainItem> items;
    std::string error;
    if (position < 0 || !ParseVirtualChain(chain, items, error)) return false;
    return ChainCountsOf(items, static_cast<std::size_t>(position), counts);
}

std::string DefaultVirtualStateDirectory()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.cache";
    else
        return {};
    return base + "/" + kVirtualStateFolder;
}

std::string JtagProfilePath()
{
    return ConfigDirectory() + "/" + kJtagProfileFile;
}

bool SaveJtagProfile(Settings& profile)
{
    auto* file = dynamic_cast<IniFileSettings*>(&profile);
    if (file == nullptr) return true;
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(file->Path()).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    return file->Save();
}

}  // namespace kalidor
