// The gain configuration utility of a ZelA or ZelB design: the question (gain, input, output,
// blocks, best for), the Search button that runs the table's search with its questions, the list
// of configurations that give the gain, the sample drawing of the selected configuration and
// Copy to Schematic, which sets the selected configuration's gains and wiring as one undoable step.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "utilities/GainTable.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QSvgRenderer;
class QTableWidget;

namespace kalidor {

class SchDocument;

// A picture drawn from an SVG file, scaled to fit with its proportions kept.
class CSvgPicture : public QWidget {
public:
    explicit CSvgPicture(QWidget* parent = nullptr);
    ~CSvgPicture() override;
    // Shows the file; an empty path shows nothing.
    void Load(const QString& path);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSvgRenderer* m_renderer;
};

class CGainUtilityView : public QWidget {
    Q_OBJECT
public:
    // `table` is loaded; the window keeps it.
    CGainUtilityView(SchDocument* doc, CGainTable table, QWidget* parent = nullptr);

    const CGainTable& Table() const { return m_table; }
    // The dialog's state, and setting it as a user would.
    CGainQuery Query() const;
    void SetQuery(const CGainQuery& q);
    // The Search button.
    void Search();
    // The result list: table positions of the rows shown, the selected one (-1 none).
    const std::vector<int>& Results() const { return m_results; }
    int SelectedEntry() const;
    void SelectResult(int line);
    QString Caption() const;
    // The sample's file (empty when none is shown) and its caption.
    QString SamplePath() const { return m_samplePath; }
    QString SampleCaption() const;
    // "Copy to Schematic": the selected row, through the chosen input and output.
    void CopySelected();

private:
    void ShowResults(const CGainSearchResult& r);
    void ShowSample();

    QPointer<SchDocument> m_doc;
    CGainTable m_table;
    std::vector<int> m_results;
    QSpinBox* m_gain = nullptr;
    QComboBox* m_input = nullptr;
    QComboBox* m_output = nullptr;
    QComboBox* m_blocks = nullptr;
    QComboBox* m_bestFor = nullptr;
    QLabel* m_caption = nullptr;
    QTableWidget* m_list = nullptr;
    QLabel* m_sampleCaption = nullptr;
    CSvgPicture* m_sample = nullptr;
    QString m_samplePath;
};

}  // namespace kalidor
