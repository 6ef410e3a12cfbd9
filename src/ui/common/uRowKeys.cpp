#include "ui/common/uRowKeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace orvanta {

namespace {

class TRowKeys : public QObject {
public:
    TRowKeys(QAbstractItemView& View, std::function<void(const QModelIndex&)> Activate)
        : QObject(&View), FView(View), FActivate(std::move(Activate)) {}

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Watched != &FView || Event->type() != QEvent::KeyPress)
            return QObject::eventFilter(Watched, Event);
        const auto* key = static_cast<QKeyEvent*>(Event);
        const QModelIndex current = FView.currentIndex();
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            modifiers == Qt::NoModifier) {
            if (current.isValid() && FActivate)
                FActivate(current);
            return true;
        }
        if (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
            const QRect row = current.isValid() ? FView.visualRect(current) : QRect();
            const QPoint at = row.isValid()
                                  ? QPoint(row.left() + row.height() / 2, row.center().y())
                                  : FView.viewport()->rect().center();
            emit FView.customContextMenuRequested(at);
            return true;
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    QAbstractItemView& FView;
    std::function<void(const QModelIndex&)> FActivate;
};

} // namespace

void AddRowKeys(QAbstractItemView& View, std::function<void(const QModelIndex& Row)> Activate) {
    View.installEventFilter(new TRowKeys(View, std::move(Activate)));
}

} // namespace orvanta
