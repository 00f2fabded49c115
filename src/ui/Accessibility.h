#pragma once
// Keyboard and screen-reader access for the controls that are pictures or
// texts acting as buttons: the option icons, link texts, clickable pictures.
//
// Such a control takes the focus with Tab, acts on Enter, Return and Space as
// on a click, shows a dotted focus frame (unlike the default button's
// darker edge), and is announced as a button or link that can be pressed.
//
// A picture that stands in for another control (an option icon beside its
// check box, a picture area over its button, the main picture beside
// "Unrar...") is a second way in for the mouse only while that control is
// shown: it then takes no Tab stop and is left out of what assistive tools
// read, so the control is met once. When the control is not shown (the
// "Unrar..." button switched off, or on another page) the picture takes its
// place: a Tab stop announced under the control's text, with its action.
//
// Read-only one-line fields are announced as read-only, not as editable.

#include <QAccessible>
#include <functional>

class QWidget;

namespace accessibility {

// Puts the interfaces above in place of Qt's own; each window calls it before
// building its controls (once per process is enough).
void Install();

// Makes `widget` reachable with Tab and pressable from the keyboard and by
// assistive tools; `activate` is what a click does. With a `partner` (the
// control the picture stands for) the widget stands in for it as above.
void MakeActivatable(QWidget& widget, std::function<void()> activate, QWidget* partner = nullptr,
                     QAccessible::Role role = QAccessible::Button);

// Names the control an activatable picture stands for, once both exist.
void SetPartner(QWidget& widget, QWidget& partner);

// Whether the widget was made activatable.
bool IsActivatable(const QWidget& widget);

// Whether the widget is a stand-in whose control is shown: mouse only, left
// out of the accessibility tree.
bool IsLeftOut(const QWidget& widget);

}  // namespace accessibility
