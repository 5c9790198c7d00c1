// The "Biquad Filter" window: three boxes, the optimisation and block-pair choices, and the
// buttons Get Parameters, Generate Schematic and Quit. It only moves texts between its controls
// and the generator; the document it works on is handed in.
#pragma once

#include <QDBusConnection>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "biquad/BiquadGenerator.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace biquad {

// Shows a message to the user (a message box; tests record it).
using MessageSink = std::function<void(const QString&)>;
void ShowMessageBox(const QString& text);

class CBiquadWindow : public QDialog {
    Q_OBJECT
public:
    // `doc` is owned by the window for its whole life.
    explicit CBiquadWindow(std::unique_ptr<CBiquadDocument> doc, MessageSink tell = ShowMessageBox,
                           QWidget* parent = nullptr);
    ~CBiquadWindow() override;

    BiquadTexts Texts() const;
    BlockPair Pair() const;
    Optimize Optimization() const;
    CBiquadDocument& Document() { return *m_doc; }

public slots:
    void GetParametersClicked();
    void GenerateSchematicClicked();

private:
    void SetTexts(const BiquadTexts& texts);
    // Runs one button's work; a run-time error stops it and is shown.
    void Run(const std::function<void(BiquadTexts&)>& work);

    std::unique_ptr<CBiquadDocument> m_doc;
    MessageSink m_tell;
    QLineEdit* m_gain = nullptr;
    QLineEdit* m_fo = nullptr;
    QLineEdit* m_q = nullptr;
    QRadioButton* m_optimizeNone = nullptr;
    QRadioButton* m_optimizeQ = nullptr;
    QRadioButton* m_optimizeFo = nullptr;
    QRadioButton* m_left = nullptr;
    QRadioButton* m_right = nullptr;
};

// The program's start: the command line, then the running Kalidor and its active ZelA schematic,
// then the window, shown. Null after `tell` has shown the message that ends the program; no bus
// call is made when the command line is wrong.
std::unique_ptr<CBiquadWindow> StartBiquad(const QStringList& arguments, const QDBusConnection& bus,
                                           const MessageSink& tell = ShowMessageBox);

}  // namespace biquad
