// Helpers of the desktop-program tests: acting on the next modal dialog, sending mouse events to
// a view, and a scope that installs a recording prompter and in-memory settings.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/Prompter.h"
#include "platform/Settings.h"

namespace kalidor::test {

// Runs `action` on the next modal dialog once it is shown (within `timeoutMs`). `seen`, when
// given, is set to true when a dialog was found.
inline void OnNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000, bool* seen = nullptr)
{
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, action, seen] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            if (seen)
                *seen = true;
            action(w);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}
inline void Press(QWidget* t, QPoint p) { SendMouse(t, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
inline void MoveDown(QWidget* t, QPoint p) { SendMouse(t, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
inline void Move(QWidget* t, QPoint p) { SendMouse(t, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
inline void Release(QWidget* t, QPoint p) { SendMouse(t, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
inline void DoubleClick(QWidget* t, QPoint p)
{
    Press(t, p);
    Release(t, p);
    SendMouse(t, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    Release(t, p);
}

// A recording prompter and empty in-memory settings for the life of a test.
struct Environment {
    RecordingPrompter prompter;
    MemorySettings settings;
    Prompter* oldPrompter;
    Settings* oldSettings;
    Environment() : oldPrompter(SetCurrentPrompter(&prompter)), oldSettings(SetCurrentSettings(&settings)) {}
    ~Environment()
    {
        SetCurrentPrompter(oldPrompter);
        SetCurrentSettings(oldSettings);
    }
    // The texts of the messages shown so far, in order.
    QStringList MessageTexts() const
    {
        QStringList t;
        for (const auto& m : prompter.messages)
            t << QString::fromStdString(m.text);
        return t;
    }
};

// The menu of the menu bar whose text is `title` ("&Tools"), or null.
inline QMenu* TopMenu(QMainWindow& window, const QString& title)
{
    for (QAction* a : window.menuBar()->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

// The object names of a menu's actions, "-" for a separator.
inline QStringList ActionNames(QMenu* menu)
{
    QStringList t;
    for (QAction* a : menu->actions())
        t << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return t;
}

}  // namespace kalidor::test
