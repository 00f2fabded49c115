#pragma once
// Keyboard and screen-reader access for the controls that are pictures or
// texts acting as buttons: the option icons, link texts, clickable pictures.
//
// Such a control takes the focus with Tab, acts on Enter, Return and Space as
// on a click, shows a dotted focus frame (unlike the default button's
// darker edge), and is announced as a button or link that can be pressed. An
// option icon names the option it switches: it is announced as that check box
// or radio button, with its state.

#include <QAccessible>
#include <functional>

class QWidget;

namespace accessibility {

// Makes `widget` reachable with Tab and pressable from the keyboard and by
// assistive tools; `activate` is what a click does. With a `partner` (the
// control the picture stands for) the widget is announced under the partner's
// text, and as a check box or radio button when the partner is one.
void MakeActivatable(QWidget& widget, std::function<void()> activate, QWidget* partner = nullptr,
                     QAccessible::Role role = QAccessible::Button);

// Names the control an activatable picture stands for, once both exist.
void SetPartner(QWidget& widget, QWidget& partner);

// Whether the widget was made activatable.
bool IsActivatable(const QWidget& widget);

}  // namespace accessibility
