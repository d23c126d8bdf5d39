// dia_choice.h - a value and the control of a calendar dialog that stands for it: the radio
// button of a choice (a rhythm, a visibility) both shown and read, the field a check's finding
// points at.  The dialogs give them as short tables in place of a switch.
#ifndef VELK_WIDGETS_CALENDAR_DIA_CHOICE_H
#define VELK_WIDGETS_CALENDAR_DIA_CHOICE_H

#include <QAbstractButton>
#include <QWidget>

#include <initializer_list>
#include <optional>
#include <type_traits>
#include <utility>

namespace velk {

template <class V, class W>
using tChoices = std::initializer_list<std::pair<std::type_identity_t<V>, W *>>;

// The control that stands for `value`, null when none does.
template <class V, class W>
W *controlOf(V value, tChoices<V, W> choices)
{
    for (const auto &[v, w] : choices)
        if (v == value) return w;
    return nullptr;
}

// Checks the button that stands for `value`; none when no button does.
template <class V>
void checkButtonOf(V value, tChoices<V, QAbstractButton> buttons)
{
    if (QAbstractButton *button = controlOf<V, QAbstractButton>(value, buttons))
        button->setChecked(true);
}

// The value whose button is checked, none when no button is.
template <class V>
std::optional<V> checkedValueOf(tChoices<V, QAbstractButton> buttons)
{
    for (const auto &[value, button] : buttons)
        if (button->isChecked()) return value;
    return std::nullopt;
}

// Puts the focus on the field a check's finding `value` points at; false, leaving the focus,
// when it points at none (the check passed).
template <class V>
bool focusFieldOf(V value, tChoices<V, QWidget> fields)
{
    QWidget *field = controlOf<V, QWidget>(value, fields);
    if (field) field->setFocus();
    return field != nullptr;
}

} // namespace velk

#endif
