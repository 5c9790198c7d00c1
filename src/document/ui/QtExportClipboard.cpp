#include "document/ui/QtExportClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>
#include <limits>

namespace kalidor {

QtExportClipboard::QtExportClipboard(QClipboard* clipboard) : m_clipboard(clipboard) {}

bool QtExportClipboard::Open()
{
    if (!m_clipboard && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        m_clipboard = QGuiApplication::clipboard();
    m_open = m_clipboard != nullptr;
    return m_open;
}

bool QtExportClipboard::Empty()
{
    if (!m_open)
        return false;
    m_clipboard->clear(QClipboard::Clipboard);
    return true;
}

CExportClipboard::SetResult QtExportClipboard::SetText(std::string_view text)
{
    if (!m_open)
        return SetResult::kSetFailed;
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return SetResult::kAllocFailed;
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (s.size() == 0 && !text.empty())
        return SetResult::kAllocFailed;
    m_clipboard->setText(s, QClipboard::Clipboard);
    return m_clipboard->text(QClipboard::Clipboard) == s ? SetResult::kOk : SetResult::kSetFailed;
}

bool QtExportClipboard::Close()
{
    const bool wasOpen = m_open;
    m_open = false;
    return wasOpen;
}

}  // namespace kalidor
