#include "application/KalidorApplication.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "document/JTAGDoc.h"
#include "document/SchDoc.h"
#include "platform/Settings.h"

namespace kalidor {

std::string AbsolutePath(const std::string& path)
{
    if (path.empty())
        return {};
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec)
        p = path;
    return p.lexically_normal().string();
}

bool IsChainFileName(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext == ".ZJC";
}

CKalidorApplication::CKalidorApplication() = default;

CKalidorApplication::~CKalidorApplication()
{
    // The documents go before the interpreter they point to; embedded schematics before their
    // chains.
    for (auto& d : m_schematics)
        d->SetJtagInterpreter(nullptr);
    m_schematics.clear();
    m_chains.clear();
}

// ---------------------------------------------------------------- documents

CJTAGDoc* CKalidorApplication::Add(std::unique_ptr<CJTAGDoc> chain)
{
    CJTAGDoc* c = chain.get();
    m_chains.push_back(std::move(chain));
    const std::vector<CKalidorApplicationObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnChainOpened(*c);
    return c;
}

CSchDoc* CKalidorApplication::Add(std::unique_ptr<CSchDoc> doc)
{
    CSchDoc* d = doc.get();
    AttachJtag(*d);
    m_schematics.push_back(std::move(doc));
    const std::vector<CKalidorApplicationObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnSchematicOpened(*d);
    return d;
}

CSchDoc* CKalidorApplication::NewSchematic(const std::string& deviceType)
{
    auto doc = std::make_unique<CSchDoc>();
    doc->SetUntitledNumber(m_nextNumber);
    if (!doc->OnNewDocument(deviceType))
        return nullptr;
    ++m_nextNumber;
    return Add(std::move(doc));
}

namespace {

// The open document (schematic or chain) saved under `path`, or nullptr.
template <class Doc>
Doc* FindByPath(const std::vector<std::unique_ptr<Doc>>& docs, const std::string& path)
{
    const std::string abs = AbsolutePath(path);
    for (const auto& d : docs)
        if (!d->GetPathName().empty() && AbsolutePath(d->GetPathName()) == abs)
            return d.get();
    return nullptr;
}

}  // namespace

CSchDoc* CKalidorApplication::FindSchematic(const std::string& path) const
{
    return FindByPath(m_schematics, path);
}

CSchDoc* CKalidorApplication::OpenSchematic(const std::string& path)
{
    const std::string abs = AbsolutePath(path);
    if (CSchDoc* open = FindSchematic(abs))
        return open;
    auto doc = std::make_unique<CSchDoc>();
    if (!doc->OnOpenDocument(abs)) {
        // The document has told the user why; a file that does not exist drops out of the list.
        std::error_code ec;
        if (!std::filesystem::exists(abs, ec) && std::find(m_recent.begin(), m_recent.end(), abs) != m_recent.end()) {
            m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), abs), m_recent.end());
            SaveRecentFiles();
            TellRecentFilesChanged();
        }
        return nullptr;
    }
    AddRecentFile(abs);
    return Add(std::move(doc));
}

namespace {

// Takes a document out of its list after telling the observers (who may close its windows, and
// with them take it out themselves); nullptr when it is not in the list.
template <typename Doc>
std::unique_ptr<Doc> TakeOut(std::vector<std::unique_ptr<Doc>>& list, Doc& doc,
                             const std::vector<CKalidorApplicationObserver*> observers,
                             void (CKalidorApplicationObserver::*closing)(Doc&))
{
    auto find = [&] {
        return std::find_if(list.begin(), list.end(), [&](const std::unique_ptr<Doc>& d) { return d.get() == &doc; });
    };
    if (find() == list.end())
        return nullptr;
    for (auto* o : observers)
        (o->*closing)(doc);
    const auto it = find();
    if (it == list.end())
        return nullptr;
    std::unique_ptr<Doc> taken = std::move(*it);
    list.erase(it);
    return taken;
}

}  // namespace

std::unique_ptr<CSchDoc> CKalidorApplication::CloseSchematic(CSchDoc& doc)
{
    return TakeOut(m_schematics, doc, m_observers, &CKalidorApplicationObserver::OnSchematicClosing);
}

std::vector<CSchDoc*> CKalidorApplication::Schematics() const
{
    std::vector<CSchDoc*> list;
    for (const auto& d : m_schematics)
        list.push_back(d.get());
    return list;
}

// ---------------------------------------------------------------- chains

CJTAGDoc* CKalidorApplication::NewChain()
{
    auto chain = std::make_unique<CJTAGDoc>();
    chain->SetUntitledNumber(m_nextChainNumber++);
    return Add(std::move(chain));
}

CJTAGDoc* CKalidorApplication::FindChain(const std::string& path) const
{
    return FindByPath(m_chains, path);
}

CJTAGDoc* CKalidorApplication::OpenChain(const std::string& path)
{
    const std::string abs = AbsolutePath(path);
    if (CJTAGDoc* open = FindChain(abs))
        return open;
    auto chain = std::make_unique<CJTAGDoc>();
    if (!chain->OnOpenDocument(abs))
        return nullptr;
    AddRecentFile(abs);
    return Add(std::move(chain));
}

std::unique_ptr<CJTAGDoc> CKalidorApplication::CloseChain(CJTAGDoc& chain)
{
    return TakeOut(m_chains, chain, m_observers, &CKalidorApplicationObserver::OnChainClosing);
}

std::vector<CJTAGDoc*> CKalidorApplication::Chains() const
{
    std::vector<CJTAGDoc*> list;
    for (const auto& c : m_chains)
        list.push_back(c.get());
    return list;
}

CSchDoc* CKalidorApplication::OpenEmbeddedSchematic(CJTAGDoc& chain, int index)
{
    std::unique_ptr<CSchDoc> doc = chain.OpenEmbeddedSchematic(index);
    if (!doc)
        return nullptr;
    doc->SetUntitledNumber(m_nextNumber);
    return Add(std::move(doc));
}

bool CKalidorApplication::OpenDocumentFile(const std::string& path)
{
    return IsChainFileName(path) ? OpenChain(path) != nullptr : OpenSchematic(path) != nullptr;
}

// ---------------------------------------------------------------- recent files

void CKalidorApplication::LoadRecentFiles()
{
    m_recent.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const std::string p = CurrentSettings().GetString(kRecentSection, "File" + std::to_string(i), "");
        if (!p.empty())
            m_recent.push_back(p);
    }
    TellRecentFilesChanged();
}

void CKalidorApplication::SaveRecentFiles() const
{
    for (int i = 0; i < kRecentFileCount; ++i)
        CurrentSettings().SetString(kRecentSection, "File" + std::to_string(i + 1),
                                    i < static_cast<int>(m_recent.size()) ? m_recent[static_cast<std::size_t>(i)]
                                                                          : std::string());
}

void CKalidorApplication::AddRecentFile(const std::string& path)
{
    const std::string abs = AbsolutePath(path);
    m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), abs), m_recent.end());
    m_recent.insert(m_recent.begin(), abs);
    if (m_recent.size() > static_cast<std::size_t>(kRecentFileCount))
        m_recent.resize(kRecentFileCount);
    SaveRecentFiles();
    TellRecentFilesChanged();
}

void CKalidorApplication::TellRecentFilesChanged()
{
    const std::vector<CKalidorApplicationObserver*> observers = m_observers;
    for (auto* o : observers)
        o->OnRecentFilesChanged();
}

// ---------------------------------------------------------------- programming interface

void CKalidorApplication::StartJtag(Settings* profile, const std::string& stateDir)
{
    if (profile == nullptr) {
        m_ownProfile = std::make_unique<IniFileSettings>(JtagProfilePath());
        profile = m_ownProfile.get();
    }
    m_profile = profile;
    m_jtag.Start(*m_profile, stateDir);
    for (auto& d : m_schematics)
        AttachJtag(*d);
}

void CKalidorApplication::AttachJtag(CSchDoc& doc) const
{
    doc.SetJtagInterpreter(m_jtag.Interpreter());
    doc.SetInterfaceChanged(m_jtag.InterfaceChanged());
    if (!doc.IsEmbedded()) {
        CJtagChainCounts counts;
        if (m_jtag.Running().tapPortClass == kTapPortVirtual && (m_jtag.Port() || m_jtag.UsesServer()))
            VirtualChainCountsFor(m_jtag.Running().virtualChain, doc.GetDeviceType(), counts);
        else if (m_jtag.Running().tapPortClass == kTapPortVirtualFtdi && m_jtag.Cable())
            VirtualChainCountsFor(m_jtag.Running().virtualFtdiChain, doc.GetDeviceType(), counts);
        doc.SetChainCounts(counts);
    }
}

// ---------------------------------------------------------------- observers

void CKalidorApplication::AddObserver(CKalidorApplicationObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CKalidorApplication::RemoveObserver(CKalidorApplicationObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

}  // namespace kalidor
