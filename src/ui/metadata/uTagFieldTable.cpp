#include "ui/metadata/uTagFieldTable.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvanta {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TTagFieldTable::TTagFieldTable(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lvwFields = new QTableWidget(0, 2, this);
    lvwFields->setObjectName(QStringLiteral("lvwFields"));
    lvwFields->setAccessibleName(QStringLiteral("Fields"));
    lvwFields->setAccessibleDescription(
        QStringLiteral("Every field of the tag: its key and value"));
    // The corner button selects every line.
    for (QAbstractButton* corner : lvwFields->findChildren<QAbstractButton*>())
        corner->setAccessibleName(QStringLiteral("Select all lines"));
    lvwFields->setHorizontalHeaderLabels({QStringLiteral("Field"), QStringLiteral("Value")});
    lvwFields->horizontalHeader()->setStretchLastSection(true);
    lvwFields->verticalHeader()->hide();
    // Compact lines, and room for several of them whatever the dialog's size.
    const int line = fontMetrics().height() + 6;
    lvwFields->verticalHeader()->setDefaultSectionSize(line);
    lvwFields->setMinimumHeight(line * 7);
    lvwFields->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwFields->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(lvwFields);
    auto* buttons = new QHBoxLayout;
    cmdAddLine = new QPushButton(QStringLiteral("Add Line"), this);
    cmdRemoveLine = new QPushButton(QStringLiteral("Remove Line"), this);
    buttons->addWidget(cmdAddLine);
    buttons->addWidget(cmdRemoveLine);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(lvwFields, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* Item) {
        if (FShowing)
            return;
        const int row = Item->row();
        const auto text = [&](int Column) {
            const QTableWidgetItem* cell = lvwFields->item(row, Column);
            return cell ? cell->text().toStdString() : std::string();
        };
        emit LineChanged(row, text(0), text(1));
    });
    connect(cmdAddLine, &QPushButton::clicked, this, [this] {
        emit LineAdded();
        // The new line is the last: its key is typed first.
        const int row = lvwFields->rowCount() - 1;
        if (row >= 0) {
            lvwFields->setCurrentCell(row, 0);
            lvwFields->editItem(lvwFields->item(row, 0));
        }
    });
    connect(cmdRemoveLine, &QPushButton::clicked, this, [this] {
        const int row = lvwFields->currentRow();
        if (row >= 0 && std::size_t(row) < FEditableRows.size() && FEditableRows[std::size_t(row)])
            emit LineRemoved(row);
    });
}

void TTagFieldTable::ShowLines(const TTagEntries& Lines) {
    FShowing = true;
    const int row = lvwFields->currentRow();
    const int column = lvwFields->currentColumn();
    lvwFields->setRowCount(static_cast<int>(Lines.size()));
    FEditableRows.assign(Lines.size(), false);
    for (int i = 0; i < lvwFields->rowCount(); ++i) {
        const TTagEntry& line = Lines[static_cast<std::size_t>(i)];
        const bool editable = cmdAddLine->isEnabled() && (!FEditableKey || FEditableKey(line.Key));
        FEditableRows[std::size_t(i)] = editable;
        for (const auto& [at, text] : {std::pair{0, &line.Key}, std::pair{1, &line.Value}}) {
            QTableWidgetItem* item = lvwFields->item(i, at);
            if (!item)
                lvwFields->setItem(i, at, item = new QTableWidgetItem);
            item->setText(fromStd(*text));
            item->setFlags(editable ? item->flags() | Qt::ItemIsEditable
                                    : item->flags() & ~Qt::ItemIsEditable);
        }
    }
    if (row >= 0 && row < lvwFields->rowCount())
        lvwFields->setCurrentCell(row, std::max(column, 0));
    FShowing = false;
}

void TTagFieldTable::SetEditable(bool Editable,
                                 std::function<bool(const std::string&)> EditableKey) {
    FEditableKey = std::move(EditableKey);
    lvwFields->setEditTriggers(Editable ? QAbstractItemView::DoubleClicked |
                                              QAbstractItemView::EditKeyPressed |
                                              QAbstractItemView::AnyKeyPressed
                                        : QAbstractItemView::NoEditTriggers);
    cmdAddLine->setEnabled(Editable);
    cmdRemoveLine->setEnabled(Editable);
}

} // namespace orvanta
