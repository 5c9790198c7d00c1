// The desktop program's clipboard for exports: the export text goes on the system clipboard as
// plain text.
#pragma once

#include <string_view>

#include "document/Exports.h"

class QClipboard;

namespace kalidor {

class QtExportClipboard : public CExportClipboard {
public:
    // `clipboard` is not owned; null means the application's clipboard (none without a GUI
    // application, and then Open fails).
    explicit QtExportClipboard(QClipboard* clipboard = nullptr);

    bool Open() override;
    bool Empty() override;
    // The bytes are taken as UTF-8 (design paths may hold any character); a text that does not
    // read back as set is reported as not set.
    SetResult SetText(std::string_view text) override;
    bool Close() override;

private:
    QClipboard* m_clipboard;
    bool m_open = false;
};

}  // namespace kalidor
