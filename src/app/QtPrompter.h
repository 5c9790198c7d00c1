// The prompter of the desktop program: message boxes, the wait cursor, the beep and the status bar.
#pragma once

#include <QPointer>
#include <QStatusBar>
#include <QWidget>

#include "platform/Prompter.h"

namespace kalidor {

class QtPrompter : public Prompter {
public:
    // `parent` owns the message boxes; `status` shows status texts (both may be null).
    explicit QtPrompter(QWidget* parent = nullptr, QStatusBar* status = nullptr)
        : m_parent(parent), m_status(status) {}

    Answer Message(const std::string& text, const std::string& caption, Buttons buttons,
                   MessageIcon icon) override;
    void Beep() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void StatusText(const std::string& text) override;

    void SetParent(QWidget* parent) { m_parent = parent; }
    void SetStatusBar(QStatusBar* status) { m_status = status; }

private:
    QPointer<QWidget> m_parent;
    QPointer<QStatusBar> m_status;
};

}  // namespace kalidor
