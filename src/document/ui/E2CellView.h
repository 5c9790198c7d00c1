// CE2CellDBView: the E2 cells of a schematic document, one row per cell in array position order
// ("%d\t%s_%s\t%d": position, register_cell, value). A double click on a row flips that cell as
// an undoable change. The list follows every update of the document.
#pragma once

#include <QPointer>
#include <QTreeWidget>
#include <memory>
#include <string>

namespace kalidor {

class CJtagRegProgram;
class SchDocument;

class CE2CellDBView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CE2CellDBView(SchDocument* doc, QWidget* parent = nullptr);
    ~CE2CellDBView() override;
    // The row text as the core formats it.
    QString RowText(int row) const;

public slots:
    void Refresh();

private:
    void ToggleCell(QTreeWidgetItem* item);

    QPointer<SchDocument> m_doc;
    std::unique_ptr<CJtagRegProgram> m_program;
    std::string m_programType;
};

}  // namespace kalidor
