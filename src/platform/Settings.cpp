#include "platform/Settings.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"

namespace kalidor {

std::string Settings::GetString(const std::string& section, const std::string& entry,
                                const std::string& fallback) const
{
    auto v = GetString(section, entry);
    return v ? *v : fallback;
}

int Settings::GetInt(const std::string& section, const std::string& entry, int fallback) const
{
    auto v = GetString(section, entry);
    if (!v || v->empty())
        return fallback;
    int result = 0;
    const char* first = v->data();
    const char* last = v->data() + v->size();
    auto [ptr, ec] = std::from_chars(first, last, result);
    if (ec != std::errc() || ptr != last)
        return fallback;
    return result;
}

void Settings::SetInt(const std::string& section, const std::string& entry, int value)
{
    SetString(section, entry, std::to_string(value));
}

std::optional<std::string> MemorySettings::GetString(const std::string& section,
                                                     const std::string& entry) const
{
    auto it = m_entries.find({section, entry});
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

void MemorySettings::SetString(const std::string& section, const std::string& entry,
                               const std::string& value)
{
    m_entries[{section, entry}] = value;
}

namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

IniFileSettings::IniFileSettings(std::string path) : m_path(std::move(path))
{
    // Bounded like every reader: a file beyond any settings file (or a device) reads as empty.
    std::string text;
    if (ReadWholeFile(m_path, text, kMaxIniBytes))
        ReadIniText(text, *this);
}

void ReadIniText(const std::string& text, Settings& into)
{
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        into.SetString(section, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
}

bool IniFileSettings::Save() const
{
    return WriteFileAtomically(m_path, IniText(*this));
}

std::string IniText(const MemorySettings& settings)
{
    std::ostringstream out;
    std::string section;
    bool first = true;
    for (const auto& [key, value] : settings.Entries()) {
        if (first || key.first != section) {
            if (!first)
                out << "\r\n";
            section = key.first;
            out << '[' << section << "]\r\n";
            first = false;
        }
        out << key.second << '=' << value << "\r\n";
    }
    return out.str();
}

namespace {
MemorySettings& DefaultSettings()
{
    static MemorySettings settings;
    return settings;
}
Settings* g_settings = nullptr;
}  // namespace

Settings& CurrentSettings()
{
    return g_settings ? *g_settings : DefaultSettings();
}

Settings* SetCurrentSettings(Settings* s)
{
    Settings* previous = g_settings;
    g_settings = s;
    return previous;
}

}  // namespace kalidor
