// The per-user settings store: sections of named string and integer entries. The desktop program
// backs it with QSettings; kalidor-cli with an INI file; tests with MemorySettings.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace kalidor {

class Settings {
public:
    virtual ~Settings() = default;
    virtual std::optional<std::string> GetString(const std::string& section,
                                                 const std::string& entry) const = 0;
    virtual void SetString(const std::string& section, const std::string& entry,
                           const std::string& value) = 0;

    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) const;
    // An entry that is missing or not a whole number reads as `fallback`.
    int GetInt(const std::string& section, const std::string& entry, int fallback) const;
    void SetInt(const std::string& section, const std::string& entry, int value);
};

class MemorySettings : public Settings {
public:
    std::optional<std::string> GetString(const std::string& section,
                                         const std::string& entry) const override;
    void SetString(const std::string& section, const std::string& entry,
                   const std::string& value) override;
    using Settings::GetString;

    const std::map<std::pair<std::string, std::string>, std::string>& Entries() const { return m_entries; }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_entries;
};

// An INI file ("[Section]" lines and "Entry=Value" lines), read when constructed and written
// back by Save(). Used for KALIDOR.INI and for the settings of kalidor-cli.
class IniFileSettings : public MemorySettings {
public:
    // Largest settings file read; a larger one (or one that cannot be read) starts empty.
    static constexpr size_t kMaxIniBytes = 1024u * 1024u;
    explicit IniFileSettings(std::string path);
    bool Save() const;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Reads the "[Section]" and "Entry=Value" lines of an INI text into `into` (blank lines and lines
// starting with ';' or '#' are passed over, as are lines without '=').
void ReadIniText(const std::string& text, Settings& into);
// The entries as an INI text, section by section, CR LF line ends.
std::string IniText(const MemorySettings& settings);

// The application's settings, installed by the host program (default: an empty MemorySettings).
Settings& CurrentSettings();
Settings* SetCurrentSettings(Settings* s);

}  // namespace kalidor
