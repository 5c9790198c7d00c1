// The per-user settings store on QSettings: an INI file under the XDG configuration folder,
// organisation "Norvane Dividaduzudav Corporation", application "Kalidor Ziradid", with every
// section inside the profile version group "1.3".
#pragma once

#include <QSettings>
#include <memory>

#include "platform/Settings.h"

namespace kalidor {

inline constexpr const char* kOrganisation = "Norvane Dividaduzudav Corporation";
inline constexpr const char* kApplication = "Kalidor Ziradid";
inline constexpr const char* kProfileVersion = "1.3";

class QtSettings : public Settings {
public:
    QtSettings();
    std::optional<std::string> GetString(const std::string& section,
                                         const std::string& entry) const override;
    void SetString(const std::string& section, const std::string& entry,
                   const std::string& value) override;
    using Settings::GetString;

    QSettings& Store() { return *m_store; }
    static QString Key(const std::string& section, const std::string& entry);

private:
    std::unique_ptr<QSettings> m_store;
};

}  // namespace kalidor
