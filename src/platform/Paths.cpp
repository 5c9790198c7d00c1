#include "platform/Paths.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kalidor {

namespace {

std::string g_programDirOverride;

// Where an installation puts the support folders, relative to the folder of the programs.
#ifndef KALIDOR_INSTALL_DATA_REL
#define KALIDOR_INSTALL_DATA_REL "../share/kalidor"
#endif
#ifndef KALIDOR_INSTALL_PROG_REL
#define KALIDOR_INSTALL_PROG_REL "../lib/kalidor"
#endif
constexpr const char* kInstalledFolders[] = {KALIDOR_INSTALL_DATA_REL, KALIDOR_INSTALL_PROG_REL};

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string ProgramDirectory()
{
    if (!g_programDirOverride.empty())
        return g_programDirOverride;
    char path[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    if (n <= 0)
        return ".";
    path[n] = '\0';
    std::string s(path);
    size_t slash = s.rfind('/');
    s = (slash == std::string::npos) ? std::string(".") : s.substr(0, slash);
    if (s.empty())
        s = "/";
    // The whole path, however long: a cut one would name another folder.
    return s;
}

void SetProgramDirectory(const std::string& dir)
{
    g_programDirOverride = dir;
    while (g_programDirOverride.size() > 1 && g_programDirOverride.back() == '/')
        g_programDirOverride.pop_back();
}

std::string SupportFolder(const std::string& name)
{
    const std::string dir = ProgramDirectory();
    const std::string beside = dir + "/" + name;
    if (IsDirectory(beside))
        return beside;
    for (const char* installed : kInstalledFolders) {
        const std::string path = dir + "/" + installed + "/" + name;
        if (IsDirectory(path))
            return path;
    }
    return beside;
}

std::string ProgramFile(const std::string& name)
{
    const std::string dir = ProgramDirectory();
    const std::string beside = dir + "/" + name;
    if (IsFile(beside))
        return beside;
    const std::string installed = dir + "/" KALIDOR_INSTALL_PROG_REL "/" + name;
    return IsFile(installed) ? installed : beside;
}

std::string SupportFile(const std::string& fileName)
{
    return SupportFolder("SupportFiles") + "/" + fileName;
}

std::string SupportFileName(int number)
{
    if (number == 1100)
        return "ZelA_GainTable.xml";
    if (number >= 1101 && number <= 1108)
        return "ZelA_GAINWIZ_Config_" + std::to_string(number - 1100) + ".svg";
    if (number == 1200)
        return "ZelB_GainTable.xml";
    return {};
}

bool SupportFilePath(int number, char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return false;
    std::string name = SupportFileName(number);
    if (name.empty()) {
        buffer[0] = '\0';
        return false;
    }
    std::string full = SupportFile(name);
    if (full.size() + 1 > size) {
        std::memcpy(buffer, full.data(), size - 1);
        buffer[size - 1] = '\0';
        return false;
    }
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    return true;
}

std::string ConfigDirectory()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".";
    return base + "/Norvane Dividaduzudav Corporation";
}

}  // namespace kalidor
