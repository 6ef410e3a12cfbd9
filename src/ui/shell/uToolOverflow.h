#pragma once

#include <QKeySequence>
#include <QObject>
#include <QVector>
#include <functional>

class QMenu;
class QToolButton;
class QWidget;

namespace orvanta {

// How many of a row's buttons keep their place when the row has to end by Limit. Lefts are the
// buttons' places from left to right, each Width wide. All stay when they fit; otherwise the
// overflow button takes the slot after the last one kept, so a fold always hides two or more.
int KeptToolButtons(const QVector<int>& Lefts, int Width, int Limit);

// A tool bar button that may be folded, at its place in the row.
struct TFoldButton {
    QToolButton* Button;
    int Left;
};

// The tool bar's "»" button. The buttons that no longer fit are hidden and offered in its menu
// under their hint, with their icon and state and the keys of the menu command that does the
// same; an item clicks its button, so it runs exactly what the button runs.
class TToolOverflow : public QObject {
    Q_OBJECT
public:
    // ShortcutOf gives the keys shown beside a folded button's item (none when empty).
    TToolOverflow(QWidget& Panel, int ButtonSize, int Top,
                  std::function<QKeySequence(const QToolButton&)> ShortcutOf);

    // Shows the row's buttons, then hides from the right-hand end those that would reach past
    // Limit and puts the overflow button in the first hidden one's place. Returns the x where
    // the shown part of the row ends.
    int Fold(const QVector<TFoldButton>& Items, int Limit);
    QToolButton* Button() const { return FButton; }

private:
    // The items take the buttons' current hint, icon and state (a play button's hint and icon
    // change while it plays).
    void UpdateMenu();

    std::function<QKeySequence(const QToolButton&)> FShortcutOf;
    QToolButton* FButton;
    QMenu* FMenu;
    QVector<QToolButton*> FFolded;
};

} // namespace orvanta
