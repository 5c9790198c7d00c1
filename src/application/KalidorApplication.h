// The application without its windows: the open documents, the recent-file list and the
// application-wide programming interface (the SVF interpreter and the cable chosen in
// KALIDOR.INI). The desktop program shows these documents in its windows, the automation server
// hands them to macros and kalidor-cli opens its designs through it, so that all of them make,
// open, number and tie documents to the cable the same way.
//
// Documents are schematics and JTAG chains; a schematic embedded in a chain is in the schematic
// list like any other while its window is open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jtag/JtagInterface.h"

namespace kalidor {

class CJTAGDoc;
class CSchDoc;
class Settings;

inline constexpr int kRecentFileCount = 4;
inline constexpr const char* kRecentSection = "Recent File List";

// Told of the documents as they come and go (the main window makes and closes their windows).
class CKalidorApplicationObserver {
public:
    virtual ~CKalidorApplicationObserver() = default;
    // A schematic was made or opened (not when an open one is asked for again).
    virtual void OnSchematicOpened(CSchDoc&) {}
    // A schematic is about to leave the list; it still exists.
    virtual void OnSchematicClosing(CSchDoc&) {}
    virtual void OnRecentFilesChanged() {}
    // A JTAG chain was made or opened / is about to leave the list.
    virtual void OnChainOpened(CJTAGDoc&) {}
    virtual void OnChainClosing(CJTAGDoc&) {}
};

// A chain file is told by its extension (".ZJC", in any case).
bool IsChainFileName(const std::string& path);

class CKalidorApplication {
public:
    CKalidorApplication();
    ~CKalidorApplication();
    CKalidorApplication(const CKalidorApplication&) = delete;
    CKalidorApplication& operator=(const CKalidorApplication&) = delete;

    // --- documents ---
    // A new schematic of a device type, named "Design<n>" (n counts the new designs of this
    // run); nullptr after the document has told why it could not be made.
    CSchDoc* NewSchematic(const std::string& deviceType);
    // Opens a design file and puts it first in the recent-file list. A file that is open already
    // gives that document. nullptr after the document has told why it could not be opened; a file
    // that does not exist drops out of the recent-file list.
    CSchDoc* OpenSchematic(const std::string& path);
    // The open document of a file, or nullptr.
    CSchDoc* FindSchematic(const std::string& path) const;
    // Takes a document out of the list without asking anything (whoever closes it has asked to
    // save it) and hands it over, so that the caller lets it go once its windows are gone.
    // nullptr when it is not in the list.
    std::unique_ptr<CSchDoc> CloseSchematic(CSchDoc& doc);
    std::vector<CSchDoc*> Schematics() const;

    // --- JTAG chains ---
    // A new chain (the two terminals), named "JTAGCHN<n>".
    CJTAGDoc* NewChain();
    // Opens a chain file (first in the recent-file list); an open one is given again. nullptr
    // after the chain has told why it could not be read.
    CJTAGDoc* OpenChain(const std::string& path);
    CJTAGDoc* FindChain(const std::string& path) const;
    // Takes a chain out of the list (whoever closes it has asked CanClose).
    std::unique_ptr<CJTAGDoc> CloseChain(CJTAGDoc& chain);
    std::vector<CJTAGDoc*> Chains() const;
    // Opens the embedded schematic of element `index` and puts it into the schematic list, tied
    // to the interface; nullptr after the chain has told why not.
    CSchDoc* OpenEmbeddedSchematic(CJTAGDoc& chain, int index);
    // Opens a file of either kind by its extension (the File menu's Open, the command line).
    bool OpenDocumentFile(const std::string& path);

    // --- recent files (settings section "Recent File List", entries File1 ... File4) ---
    void LoadRecentFiles();
    const std::vector<std::string>& RecentFiles() const { return m_recent; }
    // Puts a file first (as an absolute path) and stores the list.
    void AddRecentFile(const std::string& path);

    // --- the programming interface ---
    // Reads the "JtagConfig" section of `profile` (without one: KALIDOR.INI in the user's
    // configuration folder, which is then written too), makes the interpreter and the cable and
    // ties every open document to them. `stateDir` is where virtual devices keep their cells.
    void StartJtag(Settings* profile = nullptr, const std::string& stateDir = DefaultVirtualStateDirectory());
    CJtagInterface& Jtag() { return m_jtag; }
    const CJtagInterface& Jtag() const { return m_jtag; }
    // The profile the interface was started from (nullptr before StartJtag).
    Settings* JtagProfile() const { return m_profile; }
    // Ties a document to the interface: its interpreter, the refusal while a changed interface
    // waits for a restart, and on the virtual cable its position in the chain (a design of its
    // own is the first device of its type; one embedded in a chain document keeps its element's).
    void AttachJtag(CSchDoc& doc) const;

    void AddObserver(CKalidorApplicationObserver* observer);
    void RemoveObserver(CKalidorApplicationObserver* observer);

private:
    CSchDoc* Add(std::unique_ptr<CSchDoc> doc);
    CJTAGDoc* Add(std::unique_ptr<CJTAGDoc> chain);
    void SaveRecentFiles() const;
    void TellRecentFilesChanged();

    CJtagInterface m_jtag;
    std::unique_ptr<Settings> m_ownProfile;
    Settings* m_profile = nullptr;
    std::vector<std::unique_ptr<CSchDoc>> m_schematics;
    std::vector<std::unique_ptr<CJTAGDoc>> m_chains;
    int m_nextNumber = 1;
    int m_nextChainNumber = 1;
    std::vector<std::string> m_recent;
    std::vector<CKalidorApplicationObserver*> m_observers;
};

// The absolute, normalised form of a path, as documents and the recent-file list compare them.
std::string AbsolutePath(const std::string& path);

}  // namespace kalidor
