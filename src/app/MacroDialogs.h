// The Design Utilities dialog (Tools menu) and the User-Defined Macros dialog with its three
// modes (running a macro of the user's own, help on the installed macros, help for the Zel
// devices), and the launcher that starts a macro program as a process of its own.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "application/MacroCatalog.h"

class QLabel;
class QListWidget;

namespace kalidor {

// Starts `program` with the one argument "/RunAsMacro" as a process of its own (an argument
// list, never a shell). On failure it shows the start-failure message with the command line and
// the launcher's result code, and returns false.
bool RunMacroProgram(const QString& program);

class CDesignUtilitiesDlg : public QDialog {
    Q_OBJECT
public:
    // Lists the built-in utilities and the programs of `macroFolder`.
    CDesignUtilitiesDlg(const QString& macroFolder, QWidget* parent = nullptr);
    QListWidget* List() const { return m_list; }
    QString Description() const;
    // The code of the selected entry (kCodeRunMacro also when nothing is selected).
    int Code() const { return m_choice.code; }
    QString SelectedText() const;
    QString MacroFolder() const { return m_folder; }

private:
    void OnSelectionChanged();
    QString m_folder;
    QListWidget* m_list;
    QLabel* m_description;
    CUtilityChoice m_choice;
};

class CUserMacroDlg : public QDialog {
    Q_OBJECT
public:
    // Mode 0 lists the programs of `folder`; modes 1 and 2 its help files.
    CUserMacroDlg(CMacroDialogMode mode, const QString& folder, QWidget* parent = nullptr);
    CMacroDialogMode Mode() const { return m_mode; }
    QListWidget* List() const { return m_list; }
    // The chosen file with its folder, or an empty string.
    QString SelectedPath() const;

private:
    CMacroDialogMode m_mode;
    QString m_folder;
    QListWidget* m_list;
};

}  // namespace kalidor
