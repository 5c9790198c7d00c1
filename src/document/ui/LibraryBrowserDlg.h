// "ZEL Library Browser": the design files of the library folder installed with the program, the
// summary of the selected one (read by the library's own reader, without opening the design), and
// "Open File", which opens it the way File Open does.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "document/SummaryInfo.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kalidor {

// The File menu command that opens the browser, and its status text.
inline constexpr const char* kMenuBrowseLibrary = "&Browse Library...";
inline constexpr const char* kStatusBrowseLibrary = "Browse contents of ZEL library";

class CLibraryBrowserDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "ZEL Library Browser";
    // The five fields in the order of the form.
    enum Field { kFieldTitle, kFieldSubject, kFieldAuthor, kFieldKeywords, kFieldComments, kFieldCount };

    // `openFile` opens a design file as File Open does and tells whether a document resulted;
    // `folder` is the library folder with its trailing '/'.
    CLibraryBrowserDlg(QWidget* parent, std::function<bool(const QString&)> openFile, const QString& folder);

    QString Folder() const { return m_folder; }
    QListWidget* FileList() const { return m_files; }
    QPushButton* OpenButton() const { return m_open; }
    QString FieldText(Field f) const;
    // The summary the reader found for the selected file.
    const CSummaryInfo& Summary() const { return m_summary; }

public slots:
    // Reads and shows the summary of the selected file.
    void ShowSummary();
    // Opens the selected file; the dialog closes when a document results.
    void OpenFile();

private:
    void ShowFields();

    std::function<bool(const QString&)> m_openFile;
    QString m_folder;
    CSummaryInfo m_summary;
    QListWidget* m_files;
    QLabel* m_directory;
    QLineEdit* m_lines[kFieldComments];
    QPlainTextEdit* m_comments;
    QPushButton* m_open;
    QPushButton* m_close;
};

}  // namespace kalidor
