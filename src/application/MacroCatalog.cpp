#include "application/MacroCatalog.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fnmatch.h>
#include <unistd.h>

namespace kalidor {

const char kMsgMacroStartFailed[] =
    "Kalidor was unable to run\n\"%s\".\nWinExec returned a result of %d.\n\nClick OK to continue.";
const char kMsgUtilityMissing[] = "\"%s\" is not in this version of Kalidor yet.";

namespace {

struct Rule {
    const char* contains;
    int code;
    const char* description;
};
// Tried in this order on the entry's text.
constexpr Rule kRules[] = {
    {"ZelA Ladder", kCodeZelALadder, "Show possible Ladder filter configurations for ZelA."},
    {"ZelA Gain Configuration Utility", kCodeZelAGain, "Gain Utility for ZelA."},
    {"ZelB Gain Configuration Utility", kCodeZelBGain, "Gain Utility for ZelB."},
    {"ZelD Filter", kCodeZelDFilter, "Show possible filter configurations for ZelD."},
    {"ZelE Filter", kCodeZelEFilter, "Show possible filter configurations for ZelE."},
    {"ZelA_Biquad", kCodeRunMacro, "Biquad generator for ZelA."},
    {"ZelB_Biquad", kCodeRunMacro, "Biquad generator for ZelB."},
};

std::vector<std::string> Matching(const std::string& folder, bool (*keep)(const std::filesystem::directory_entry&, void*), void* data)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.' && keep(*it, data))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

template <class... T>
std::string Printf(const char* format, T... values)
{
    const int size = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    text.resize(static_cast<std::size_t>(size));
    return text;
}

}  // namespace

CUtilityChoice DesignUtilityChoice(const std::string& text)
{
    for (const Rule& r : kRules)
        if (text.find(r.contains) != std::string::npos)
            return {r.code, r.description};
    return {kCodeRunMacro, ""};
}

std::vector<std::string> ExecutableFiles(const std::string& folder)
{
    return Matching(folder, [](const std::filesystem::directory_entry& e, void*) {
        std::error_code ec;
        return e.is_regular_file(ec) && access(e.path().c_str(), X_OK) == 0;
    }, nullptr);
}

std::vector<std::string> DesignUtilityEntries(const std::string& macroFolder)
{
    std::vector<std::string> entries = {kUtilityZelAGain, kUtilityZelBGain, kUtilityZelALadder, kUtilityZelDFilter,
                                        kUtilityZelEFilter};
    for (const std::string& name : ExecutableFiles(macroFolder))
        entries.push_back(name);
    return entries;
}

CMacroDialogTexts MacroDialogTexts(CMacroDialogMode mode)
{
    switch (mode) {
    case CMacroDialogMode::kRunUserMacro: return {"Run User-Defined Macro", "Select a User-Defined macro to run:"};
    case CMacroDialogMode::kInstalledMacroHelp: return {"Help on Installed Macros", "Select a help file to open:"};
    case CMacroDialogMode::kDeviceHelp: break;
    }
    return {"Help for Zel devices", "Select a help file to open:"};
}

const char* HelpPattern(CMacroDialogMode mode)
{
    return mode == CMacroDialogMode::kDeviceHelp ? "ZEL??.HLP" : "*.HLP";
}

std::vector<std::string> HelpFiles(const std::string& folder, CMacroDialogMode mode)
{
    struct Patterns {
        std::string help, html;
    } patterns{HelpPattern(mode), HelpPattern(mode)};
    patterns.html.replace(patterns.html.size() - 4, 4, ".html");
    return Matching(folder, [](const std::filesystem::directory_entry& e, void* data) {
        const auto* p = static_cast<const Patterns*>(data);
        const std::string name = e.path().filename().string();
        std::error_code ec;
        return e.is_regular_file(ec) && (fnmatch(p->help.c_str(), name.c_str(), FNM_CASEFOLD) == 0 ||
                                         fnmatch(p->html.c_str(), name.c_str(), FNM_CASEFOLD) == 0);
    }, &patterns);
}

std::string MacroStartFailureText(const std::string& commandLine, int result)
{
    return Printf(kMsgMacroStartFailed, commandLine.c_str(), result);
}

std::string UtilityMissingText(const std::string& utility) { return Printf(kMsgUtilityMissing, utility.c_str()); }

}  // namespace kalidor
