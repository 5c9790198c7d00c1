#include "document/LibraryReader.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <sys/stat.h>

#include "document/DesignReader.h"
#include "base/XmlParser.h"
#include "platform/AtomicFile.h"
#include "platform/CommonMessages.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"

namespace kalidor {

namespace {

// A library holds design files of a few kilobytes; a larger file is not read whole.
constexpr std::size_t kMaxLibraryFile = 8u * 1024u * 1024u;

bool HasDesignExtension(const std::string& name)
{
    static const char kExt[] = ".zel";
    if (name.size() <= 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - 4 + i])) != kExt[i])
            return false;
    return true;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string LibraryFolderPath()
{
    return SupportFolder("LIBRARY") + "/";
}

std::vector<std::string> LibraryFileNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (!HasDesignExtension(name))
            continue;
        struct stat st {};
        if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    closedir(dir);
    // The directory's own order means nothing on this system: list by name, as a user reads it.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(a), lb = Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

int ParseLibrarySummary(const std::string& text, CSummaryInfo& summary)
{
    CXmlParser parser;
    RegisterDesignTags(parser, DesignTagSet::kLibrary);
    parser.SetText(text);
    parser.ParseProlog();
    const CXmlElement* root = parser.NextElement();
    if (!root || root->GetCode() != kTagRoot)
        return -1;
    UnrecognizedNotes notes;
    for (;;) {
        const CXmlElement* e = parser.NextElement();
        if (!e) {
            const int result = parser.GetLastResult();
            if (result == kXmlEof || parser.GetPosition() >= parser.GetBuffer().size())
                break;  // the text ends early: what was read is shown
            if (result != kXmlText)
                SkipUnrecognizedElement(parser, notes);
            continue;
        }
        switch (e->GetCode()) {
        case kTagRootEnd:
            return 0;
        case kTagSummary:
            ReadSummaryInformation(parser, summary);
            break;
        case kTagVersion:
        case kTagDeviceType:
        case kTagFuseMap:
        case kTagSimulation:
        case kTagSymbolic:
            parser.SkipElement();  // stepped over, not interpreted
            break;
        default:
            break;
        }
    }
    return 0;
}

CLibrarySummary ReadLibrarySummary(const std::string& path)
{
    CLibrarySummary result;
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, kMaxLibraryFile, &error)) {
        CurrentPrompter().Message(CannotOpenMessage(path, error), "Kalidor", Buttons::Ok, MessageIcon::Error);
        return result;
    }
    result.opened = true;
    if (ParseLibrarySummary(text, result.summary) != 0) {
        result.summary = CSummaryInfo{};
        result.summary.SetTitle(kLibraryDataNotAvailable);
    }
    return result;
}

}  // namespace kalidor
