#include "window/compareresult.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace morvane
{

namespace
{

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QTableWidget* DifferenceTable(const std::vector<ComparedRow>& rows, QWidget* parent)
{
    auto* table = new QTableWidget(int(rows.size()), 4, parent);
    table->setObjectName("differences");
    table->setHorizontalHeaderLabels({"Row", "Register", "Window", "Controller"});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAccessibleName("Registers that differ");
    for (int r = 0; r < int(rows.size()); ++r) {
        const ComparedRow& row = rows[std::size_t(r)];
        const QStringList cells{Text(row.caption), QString::number(row.reg), Text(row.window),
                                Text(row.controller)};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    // As tall as its rows, up to all nine, so that none is hidden and no space is left over.
    int height = table->horizontalHeader()->sizeHint().height() + 2 * table->frameWidth();
    for (int r = 0; r < table->rowCount(); ++r)
        height += table->rowHeight(r);
    table->setFixedHeight(height);
    table->setMinimumWidth(table->horizontalHeader()->length() + 2 * table->frameWidth() + 40);
    return table;
}

} // namespace

CompareResult::CompareResult(const Comparison& comparison, QWidget* parent) : QDialog(parent)
{
    setObjectName("CompareResult");
    setWindowTitle(Text(comparison.title));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(Text(comparison.heading), this);
    heading->setObjectName("heading");
    heading->setWordWrap(true);
    layout->addWidget(heading);
    if (!comparison.rows.empty())
        layout->addWidget(DifferenceTable(comparison.rows, this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setAccessibleName(windowTitle());
    setAccessibleDescription(heading->text());
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

} // namespace morvane
