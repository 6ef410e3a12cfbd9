#include "ui/shell/uToolOverflow.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "ui/common/uMenuKeys.h"

namespace orvanta {

int KeptToolButtons(const QVector<int>& Lefts, int Width, int Limit) {
    const int count = static_cast<int>(Lefts.size());
    if (count == 0 || Lefts.last() + Width <= Limit)
        return count;
    // Kept k buttons leave slot k to the overflow button; k = count - 1 would save nothing.
    for (int kept = count - 2; kept > 0; --kept)
        if (Lefts[kept] + Width <= Limit)
            return kept;
    return 0;
}

TToolOverflow::TToolOverflow(QWidget& Panel, int ButtonSize, int Top,
                             std::function<QKeySequence(const QToolButton&)> ShortcutOf)
    : QObject(&Panel), FShortcutOf(std::move(ShortcutOf)) {
    FButton = new QToolButton(&Panel);
    FButton->setObjectName(QStringLiteral("spdToolOverflow"));
    FButton->setText(QStringLiteral("»"));
    FButton->setToolTip(QStringLiteral("More Commands"));
    FButton->setAccessibleName(FButton->toolTip());
    FButton->setAutoRaise(true);
    FButton->setFixedSize(ButtonSize, ButtonSize);
    FButton->move(0, Top);
    FButton->hide();
    FMenu = new QMenu(FButton);
    FButton->setMenu(FMenu);
    FButton->setPopupMode(QToolButton::InstantPopup);
    // The chevron says there is a menu; the style's small arrow beside it would say it twice.
    FButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    connect(FMenu, &QMenu::aboutToShow, this, &TToolOverflow::UpdateMenu);
}

int TToolOverflow::Fold(const QVector<TFoldButton>& Items, int Limit) {
    QVector<int> lefts;
    for (const TFoldButton& item : Items)
        lefts << item.Left;
    const int kept = KeptToolButtons(lefts, FButton->width(), Limit);
    QVector<QToolButton*> folded;
    for (int i = 0; i < Items.size(); ++i) {
        Items[i].Button->setVisible(i < kept);
        if (i >= kept)
            folded << Items[i].Button;
    }
    if (folded != FFolded) {
        FFolded = folded;
        FMenu->clear();
        for (QToolButton* button : FFolded) {
            QAction* item = FMenu->addAction(QString());
            // Shown in the menu and working while it is open; the main window's own command
            // keeps the key otherwise.
            item->setShortcutContext(Qt::WidgetShortcut);
            item->setShortcut(FShortcutOf ? FShortcutOf(*button) : QKeySequence());
            connect(item, &QAction::triggered, button, &QToolButton::click);
        }
        UpdateMenu();
    }
    FButton->setVisible(!folded.isEmpty());
    if (Items.isEmpty())
        return 0;
    if (folded.isEmpty())
        return Items.last().Left + Items.last().Button->width();
    FButton->move(Items[kept].Left, FButton->y());
    return FButton->x() + FButton->width();
}

void TToolOverflow::UpdateMenu() {
    const QList<QAction*> items = FMenu->actions();
    for (int i = 0; i < items.size() && i < FFolded.size(); ++i) {
        const QToolButton* button = FFolded[i];
        QAction* item = items[i];
        item->setText(button->toolTip());
        item->setIcon(button->icon());
        item->setEnabled(button->isEnabled());
        item->setCheckable(button->isCheckable());
        item->setChecked(button->isChecked());
    }
    AddAccessKeys(*FMenu);
}

} // namespace orvanta
