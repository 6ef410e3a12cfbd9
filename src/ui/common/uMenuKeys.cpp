#include "ui/common/uMenuKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace orvanta {

namespace {
// The letter after a lone "&" ("&&" is a literal ampersand), or a null character.
QChar accessKeyOf(const QString& Text) {
    for (qsizetype i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != QLatin1Char('&'))
            continue;
        if (Text[i + 1] != QLatin1Char('&'))
            return Text[i + 1].toLower();
        ++i;
    }
    return {};
}

void addKeys(const QList<QAction*>& Actions) {
    QSet<QChar> used;
    for (const QAction* action : Actions)
        if (const QChar key = accessKeyOf(action->text()); !key.isNull())
            used.insert(key);
    for (QAction* action : Actions) {
        if (action->isSeparator())
            continue;
        if (QMenu* submenu = action->menu())
            AddAccessKeys(*submenu);
        const QString text = action->text();
        if (text.isEmpty() || !accessKeyOf(text).isNull())
            continue;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar letter = text[i].toLower();
            if (!letter.isLetterOrNumber() || used.contains(letter))
                continue;
            used.insert(letter);
            QString keyed = text;
            keyed.insert(i, QLatin1Char('&'));
            action->setText(keyed);
            break;
        }
    }
}
} // namespace

void AddAccessKeys(QMenu& Menu) {
    addKeys(Menu.actions());
}

void AddAccessKeys(QMenuBar& Bar) {
    addKeys(Bar.actions());
}

} // namespace orvanta
