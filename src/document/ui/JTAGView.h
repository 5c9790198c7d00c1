// The window of a JTAG chain document: the chain drawn from TDI to TDO (a box for each device
// with its type, IR length and the four chain sums, whether its schematic is open), the commands of
// the chain's Edit menu (insert a Zel or a foreign device, device properties, open the embedded
// schematic, rename, delete, cut, copy, paste, undo, redo) and Scan Chain. The window only shows
// the core chain and forwards the commands to it.
#pragma once

#include <QDialog>
#include <QList>
#include <QWidget>
#include <functional>

#include "document/ChainDiagram.h"
#include "document/JTAGDoc.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kalidor {

class CJtagCable;

// Texts of the chain window.
inline constexpr const char* kChainFilter = "JTAG Chain files(*.ZJC)";
inline constexpr const char* kChainKind = "Kalidor JTAG Chain";
inline constexpr const char* kChainClipboardFormat = "application/x-kalidor-jtag-chain-element";

// "Insert Zel Device": "&Zel Device:" and "&Title:".
class CInsertZelDeviceDlg : public QDialog {
    Q_OBJECT
public:
    CInsertZelDeviceDlg(const QString& name, const QString& deviceType, QWidget* parent = nullptr);
    QString Name() const;
    QString DeviceType() const;
    QLineEdit* NameEdit() const { return m_name; }
    QComboBox* TypeBox() const { return m_type; }

private:
    QComboBox* m_type;
    QLineEdit* m_name;
};

// "Insert Foreign Device": "&Title:" and "&IR Length:" in "bits".
class CInsertForeignDeviceDlg : public QDialog {
    Q_OBJECT
public:
    CInsertForeignDeviceDlg(const QString& name, int irLength, QWidget* parent = nullptr);
    QString Name() const;
    int IrLength() const;
    QLineEdit* NameEdit() const { return m_name; }
    QSpinBox* IrBox() const { return m_ir; }

private:
    QLineEdit* m_name;
    QSpinBox* m_ir;
};

// The dialogs of the chain as Qt dialogs (tests replace them).
class CQtChainDialogs : public CJtagChainDialogs {
public:
    explicit CQtChainDialogs(QWidget* parent) : m_parent(parent) {}
    bool AskZelDevice(std::string& name, std::string& deviceType) override;
    bool AskForeignDevice(std::string& name, int& irLength) override;
    bool AskName(std::string& name) override;

private:
    QWidget* m_parent;
};

// The drawn chain: a click selects a box, a double-click (or Enter) on a device opens its
// schematic, the arrow keys, Home and End move the selection, the drawing scales to the window.
class CChainDiagramWidget : public QWidget {
    Q_OBJECT
public:
    explicit CChainDiagramWidget(const CJTAGDoc& chain, QWidget* parent = nullptr);
    // The layout for the widget's present size.
    const CChainDiagram& Diagram() const;
    // The selected element (-1 when the chain is empty of elements).
    int Selected() const { return m_selected; }
    // Selects the element (clamped to the chain).
    void Select(int index);
    // Lays the chain out again after it changed.
    void Relayout();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void selectionChanged();
    // A double-click or Enter on an element.
    void activated(int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const CJTAGDoc& m_chain;
    // Laid out lazily: a widget that is not shown yet gets no resize event.
    mutable CChainDiagram m_diagram;
    mutable QSize m_laidOut;
    int m_selected = -1;
};

class CJTAGView : public QWidget, private CJTAGDocObserver {
    Q_OBJECT
public:
    // `openSchematic` opens the embedded schematic of an element in its window (the main window
    // does it through the application); `cable` gives the cable Scan Chain runs on (nullptr: none).
    CJTAGView(CJTAGDoc& chain, std::function<void(int)> openSchematic, std::function<CJtagCable*()> cable,
              QWidget* parent = nullptr);
    ~CJTAGView() override;

    CJTAGDoc& Chain() const { return m_chain; }
    CChainDiagramWidget* Diagram() const { return m_diagram; }
    // The selected element (-1 when none).
    int Selected() const;
    void Select(int index);
    // The commands of the chain's Edit menu, in menu order (separators included).
    QList<QAction*> EditActions() const { return m_editActions; }
    QAction* Action(const QString& objectName) const;
    // The dialogs the commands ask with (tests install scripted ones; not owned).
    void SetDialogs(CJtagChainDialogs* dialogs) { m_dialogs = dialogs; }

    // The commands.
    void InsertZelDevice();
    void InsertForeignDevice();
    void DeviceProperties();
    void OpenSchematic();
    void RenameDevice();
    void DeleteDevice();
    void Copy();
    void Cut();
    void Paste();
    void Undo();
    void Redo();
    // Reads what is on the cable and puts it into an empty chain (asking for the IR length of
    // foreign devices that cannot be told apart). True when the chain was filled.
    bool ScanChain();
    // Plays an SVF file of any tool through the cable and shows the report (SvfPlayerDialog.h);
    // `askSvfFile` asks for the file (tests replace the file dialog).
    void PlaySvf();
    std::function<QString(QWidget*)> askSvfFile;

    // The window title: the chain's name, " *" when modified.
    QString Title() const;

signals:
    void titleChanged();

private:
    void OnChainUpdate() override;
    void OnChainStateChanged() override;
    void Refill();
    void UpdateActions();

    CJTAGDoc& m_chain;
    std::function<void(int)> m_openSchematic;
    std::function<CJtagCable*()> m_cable;
    CQtChainDialogs m_qtDialogs;
    CJtagChainDialogs* m_dialogs;
    CChainDiagramWidget* m_diagram;
    QLabel* m_summary;
    QList<QAction*> m_editActions;
};

}  // namespace kalidor
