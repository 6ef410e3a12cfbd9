#include "ui/common/uQuietSlider.h"

#include <QAccessible>

namespace orvanta {

namespace {

QAccessible::UpdateHandler PreviousHandler = nullptr;

void quietHandler(QAccessibleEvent* Event) {
    if (Event->type() == QAccessible::ValueChanged)
        if (auto* slider = dynamic_cast<TQuietSlider*>(Event->object()))
            if (!slider->Announces(slider->ProgramMoving()))
                return;
    if (PreviousHandler) {
        PreviousHandler(Event);
        return;
    }
    // Qt's own delivery has no handler installed: it is given back for this one event.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(Event);
    QAccessible::installUpdateHandler(quietHandler);
}

void installQuietHandler() {
    static const bool installed = [] {
        PreviousHandler = QAccessible::installUpdateHandler(quietHandler);
        return true;
    }();
    (void)installed;
}

} // namespace

TQuietSlider::TQuietSlider(Qt::Orientation Orientation, QWidget* Parent)
    : QSlider(Orientation, Parent) {
    installQuietHandler();
}

void TQuietSlider::SetQuietly(int Minimum, int Maximum, int Value) {
    FQuiet = true;
    setRange(Minimum, Maximum);
    setValue(Value);
    FQuiet = false;
}

bool TQuietSlider::Announces(bool ProgramMove) {
    if (ProgramMove && FAnnounced.isValid() && FAnnounced.elapsed() < AnnounceMs)
        return false;
    FAnnounced.start();
    return true;
}

} // namespace orvanta
