#pragma once

#include <QString>
#include <initializer_list>

class QWidget;

namespace orvanta {

// What a screen reader says of a control: its name (empty: the one Qt finds, a button's text
// or a field's label) and what it is for.
struct TAccessibleText {
    QWidget* Control;
    QString Name;
    QString Description;
};

// Gives each control (skipping null ones) its texts.
void SetAccessibleTexts(std::initializer_list<TAccessibleText> Controls);

} // namespace orvanta
