// Play SVF File: plays an SVF file written by any tool through the download cable with the full
// player (jtag/SvfPlayer.h) and shows what happened: the file, the cable, every report line (a TDO
// mismatch names its line with the expected, captured and mask bits) and the summary line as
// `kalidor-cli svf --full` prints it. The play stops at the first mismatch unless "Keep going
// after a TDO mismatch" is ticked; Play Again plays the file once more.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "jtag/SvfPlayer.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kalidor {

class CJtagCable;

// Shown when the file cannot be read: %1 the file.
inline constexpr const char* kMsgSvfFileUnreadable = "The SVF file \"%1\" could not be read.";
// The last report line when every check passed.
inline constexpr const char* kSvfPlayPassed = "Every TDO check passed.";
inline constexpr const char* kSvfFileFilter = "SVF files (*.svf *.SVF);;All files (*)";

class CSvfPlayerDialog : public QDialog {
    Q_OBJECT
public:
    // The dialog of `path` on `cable` (not owned; it must outlive the dialog); Play() plays it.
    CSvfPlayerDialog(CJtagCable& cable, const QString& path, QWidget* parent = nullptr);

    // Plays the file (again); false when it could not be read (the report says so).
    bool Play();
    const CSvfPlayResult& Result() const { return m_result; }

    QPlainTextEdit* Report() const { return m_report; }
    QLabel* Summary() const { return m_summary; }
    QCheckBox* KeepGoing() const { return m_keepGoing; }
    QPushButton* PlayButton() const { return m_play; }

private:
    CJtagCable& m_cable;
    QString m_path;
    CSvfPlayResult m_result;
    QPlainTextEdit* m_report;
    QLabel* m_summary;
    QCheckBox* m_keepGoing;
    QPushButton* m_play;
};

// The menu command: asks for an SVF file (with `askFile`; a file dialog when empty), then opens
// the dialog on `cable` and plays the file. Nothing happens without a cable or a file.
void PlaySvfFile(QWidget* parent, CJtagCable* cable,
                 const std::function<QString(QWidget*)>& askFile = {});

}  // namespace kalidor
