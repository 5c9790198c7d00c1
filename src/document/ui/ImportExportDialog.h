// The File menu's Import... and Export... dialog of a schematic: what to move (the schematic or
// the plot data), in which format, and to or from where (a file, or the clipboard for an export).
// The choice is carried out by the export routing of document/Exports.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string_view>

#include "document/Exports.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kalidor {

class CPlot;
class CSchDoc;

// Asked before an export overwrites a file whose name was typed (the file dialog of Browse asks
// on its own). %1 is the file's path.
inline constexpr std::string_view kMsgReplaceFile = "%1 already exists.\nDo you want to replace it?";
// A plot export of an active curve without points writes nothing.
inline constexpr std::string_view kMsgPlotNoPoints =
    "The active curve has no simulated data.\nNothing was exported.";
// Captions of Browse's file dialog.
inline constexpr std::string_view kBrowseExportCaption = "Save As";
inline constexpr std::string_view kBrowseImportCaption = "Open";

// A file dialog filter of the form "Text (*.txt)|*.txt|All Files (*.*)|*.*||" in Qt's form
// "Text (*.txt);;All Files (*)". "*.*" becomes "*", so that names without a dot are listed too.
QString QtFileFilter(std::string_view filter);

class CImportExportDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on `choice` (a kind or format out of range starts at the first one). `designPath` is
    // the design file's path ("" for a design never saved): Browse starts in its folder and a
    // relative file name is taken from there.
    CImportExportDialog(QWidget* parent, bool import, const CExportChoice& choice = {},
                        const QString& designPath = {});

    // The choice as it stands: the file name is absolute, and empty for the clipboard.
    CExportChoice Choice() const;
    bool IsImport() const { return m_import; }

    // The Qt filter of the selected format, as Browse passes it.
    QString CurrentFilter() const;

    // Browse's file dialog: given the caption, the filter and the current name, returns the chosen
    // name ("" when cancelled). Tests replace it.
    using FileAsker = std::function<QString(QWidget* parent, const QString& caption,
                                            const QString& filter, const QString& current)>;
    void SetFileAsker(FileAsker asker) { m_asker = std::move(asker); }

    QListWidget* KindList() const { return m_kinds; }
    QListWidget* FormatList() const { return m_formats; }
    QRadioButton* FileButton() const { return m_fileButton; }
    QRadioButton* ClipboardButton() const { return m_clipboardButton; }
    QLineEdit* FileEdit() const { return m_fileEdit; }
    QPushButton* BrowseButton() const { return m_browse; }

public slots:
    // OK: a file destination needs a name ("Filename is required for Export/Import to file", the
    // dialog stays open); an export over an existing file whose name was typed asks first.
    void accept() override;
    void Browse();

private:
    void FillFormats(int format);
    void OnFormatChanged();
    void UpdateDestination();
    const CExportFormat* SelectedFormat() const;
    QString AbsoluteName(const QString& name) const;

    bool m_import;
    QString m_designPath;
    QListWidget* m_kinds;
    QListWidget* m_formats;
    QRadioButton* m_fileButton;
    QRadioButton* m_clipboardButton;
    QLineEdit* m_fileEdit;
    QPushButton* m_browse;
    FileAsker m_asker;
    // The extension of the format shown last, to follow format changes in the file name.
    QString m_lastExtension;
    // The name Browse returned (its file dialog has asked about replacing it).
    QString m_confirmedName;
};

// What the plot side offers to the dialog (both may be empty: then the plot choices tell the user
// there is no plot).
struct CImportExportPlot {
    CPlot* plot = nullptr;
    // Called after a plot import with the update hint for the views (2 or 3): opens the plot
    // window when it is not open and refreshes it. Without it the document's views are updated.
    std::function<void(int hint)> imported;
};

// The File menu's Import... (import true) or Export... command of a schematic: runs the dialog on
// the document and then the chosen import or export. True when something was imported or
// exported; false when cancelled or failed (the user has been told why).
bool RunImportExportDialog(QWidget* parent, CSchDoc& doc, bool import, const CImportExportPlot& plot = {});

}  // namespace kalidor
