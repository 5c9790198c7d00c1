#include "document/ui/E2CellView.h"

#include <QHeaderView>

#include "device/DeviceConfig.h"
#include "document/ui/SchDocument.h"
#include "jtag/E2CellRows.h"
#include "jtag/JtagRegProgram.h"

namespace kalidor {

CE2CellDBView::CE2CellDBView(SchDocument* doc, QWidget* parent) : QTreeWidget(parent), m_doc(doc)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setHeaderLabels({QStringLiteral("Position"), QStringLiteral("Register_Cell"), QStringLiteral("Value")});
    if (m_doc)
        connect(m_doc, &SchDocument::updated, this, &CE2CellDBView::Refresh);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) { ToggleCell(item); });
    Refresh();
    resizeColumnToContents(0);
    resizeColumnToContents(1);
}

CE2CellDBView::~CE2CellDBView() = default;

void CE2CellDBView::Refresh()
{
    DeviceConfig* device = m_doc ? m_doc->Doc().Device() : nullptr;
    if (!device) {
        clear();
        return;
    }
    if (!m_program || m_programType != device->TypeName()) {
        m_program = CreateRegProgram(device->TypeName());
        m_programType = device->TypeName();
    }
    if (!m_program) {
        clear();
        return;
    }
    m_program->SetDevice(device);
    const std::vector<std::string> rows = E2CellRows(*device, *m_program);
    const int n = static_cast<int>(rows.size());
    // Rows are updated in place so that the scroll position and the current row stay.
    while (topLevelItemCount() > n)
        delete takeTopLevelItem(topLevelItemCount() - 1);
    for (int i = 0; i < n; ++i) {
        const QString text = QString::fromStdString(rows[static_cast<std::size_t>(i)]);
        QTreeWidgetItem* item = topLevelItem(i);
        if (!item) {
            item = new QTreeWidgetItem(this);
        }
        if (item->data(0, Qt::UserRole).toString() == text)
            continue;
        const QStringList parts = text.split('\t');
        for (int c = 0; c < 3; ++c)
            item->setText(c, parts.value(c));
        item->setData(0, Qt::UserRole, text);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
}

QString CE2CellDBView::RowText(int row) const
{
    QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void CE2CellDBView::ToggleCell(QTreeWidgetItem* item)
{
    if (!m_doc || !item)
        return;
    DeviceConfig* device = m_doc->Doc().Device();
    const int position = indexOfTopLevelItem(item);
    if (!device || !device->ValidCell(position))
        return;
    // One step of the history, "Change E2 cell <position>".
    m_doc->Doc().E2_SetValue(position, device->E2_GetValue(position) == 1 ? 0 : 1);
}

}  // namespace kalidor
