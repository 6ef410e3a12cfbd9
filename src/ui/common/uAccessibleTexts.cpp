#include "ui/common/uAccessibleTexts.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace orvanta {

void SetAccessibleTexts(std::initializer_list<TAccessibleText> Controls) {
    for (const TAccessibleText& text : Controls) {
        if (!text.Control)
            continue;
        if (!text.Name.isEmpty())
            text.Control->setAccessibleName(text.Name);
        text.Control->setAccessibleDescription(text.Description);
        // The text field of an editable box is a widget of its own: it goes by the box's name.
        if (auto* box = qobject_cast<QComboBox*>(text.Control); box && box->lineEdit())
            if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(box)) {
                box->lineEdit()->setAccessibleName(face->text(QAccessible::Name));
                box->lineEdit()->setAccessibleDescription(text.Description);
            }
    }
}

} // namespace orvanta
