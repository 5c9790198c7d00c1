#include "app/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace kalidor {

Answer QtPrompter::Message(const std::string& text, const std::string& caption, Buttons buttons,
                           MessageIcon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QString::fromStdString(caption.empty() ? std::string("Kalidor") : caption));
    box.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    switch (icon) {
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::None: break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // A message shown under the wait cursor must still be answerable with the mouse.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    if (waiting)
        QApplication::restoreOverrideCursor();
    switch (r) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

void QtPrompter::Beep() { QApplication::beep(); }

void QtPrompter::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtPrompter::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

void QtPrompter::StatusText(const std::string& text)
{
    if (m_status)
        m_status->showMessage(QString::fromStdString(text));
}

}  // namespace kalidor
