#include "app/QtSettings.h"

namespace kalidor {

QtSettings::QtSettings()
    : m_store(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QString::fromLatin1(kOrganisation),
                                          QString::fromLatin1(kApplication)))
{
}

QString QtSettings::Key(const std::string& section, const std::string& entry)
{
    return QString::fromLatin1(kProfileVersion) + '/' + QString::fromStdString(section) + '/' +
           QString::fromStdString(entry);
}

std::optional<std::string> QtSettings::GetString(const std::string& section,
                                                 const std::string& entry) const
{
    const QVariant v = m_store->value(Key(section, entry));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

void QtSettings::SetString(const std::string& section, const std::string& entry,
                           const std::string& value)
{
    m_store->setValue(Key(section, entry), QString::fromStdString(value));
}

}  // namespace kalidor
