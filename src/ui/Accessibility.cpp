#include "ui/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QEvent>
#include <QFocusFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QTextDocumentFragment>
#include <QWidget>

#include "ui/Look.h"

namespace accessibility {
namespace {

// Drawn over the focused control: a dotted frame, as keyboard focus is drawn
// on link texts and pictures, distinct from the default button's edge. A
// QFocusFrame, so that assistive tools do not list it as an element.
class FocusFrame : public QFocusFrame {
public:
    explicit FocusFrame(QWidget* parent) : QFocusFrame(parent) {
        setObjectName(QStringLiteral("qt_focus_frame"));
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        look::DrawFocusFrame(p, rect());
    }
};

// Lives on the control: keys, focus frame and what assistive tools read.
class Activator : public QObject {
public:
    Activator(QWidget& widget, std::function<void()> activate, QWidget* partner,
              QAccessible::Role role)
        : QObject(&widget),
          activate(std::move(activate)),
          partner(partner),
          role(role),
          frame_(new FocusFrame(&widget)) {
        setObjectName(QStringLiteral("qt_activator"));
        widget.installEventFilter(this);
    }

    std::function<void()> activate;
    QPointer<QWidget> partner;
    QAccessible::Role role;

    // Whether the control this widget stands in for is shown wherever the
    // widget is: beside it (an option icon and its check box, whatever page
    // is shown), not on another page of the window (the help page's picture
    // and "Unrar...") nor hidden by an option.
    bool PartnerShown() const {
        QWidget* where = static_cast<QWidget*>(parent())->parentWidget();
        return partner && (where ? partner->isVisibleTo(where) : !partner->isHidden());
    }

    // A stand-in takes a Tab stop only where its control is not shown; when it
    // joins or leaves the tree, assistive tools are told to read its
    // neighbours again.
    void UpdateFocusPolicy() {
        if (!partner) return;
        auto* widget = static_cast<QWidget*>(parent());
        const Qt::FocusPolicy policy = PartnerShown() ? Qt::NoFocus : Qt::StrongFocus;
        if (widget->focusPolicy() == policy) return;
        widget->setFocusPolicy(policy);
        if (QWidget* where = widget->parentWidget()) {
            QAccessibleEvent reorder(where, QAccessible::ObjectReorder);
            QAccessible::updateAccessibility(&reorder);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::ShowToParent ||
            type == QEvent::HideToParent)
            UpdateFocusPolicy();
        if (watched != parent()) return false;  // the partner: only its showing counts
        auto* widget = static_cast<QWidget*>(watched);
        switch (type) {
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                const bool press = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
                                   key->key() == Qt::Key_Enter;
                if (press && !key->isAutoRepeat() &&
                    (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
                    widget->isEnabled()) {
                    activate();
                    return true;
                }
                break;
            }
            case QEvent::FocusIn:
                frame_->setGeometry(widget->rect());
                frame_->raise();
                frame_->show();
                break;
            case QEvent::FocusOut:
                frame_->hide();
                break;
            case QEvent::Resize:
                frame_->setGeometry(widget->rect());
                break;
            default:
                break;
        }
        return false;
    }

private:
    FocusFrame* frame_;
};

Activator* ActivatorOf(const QWidget& widget) {
    return widget.findChild<Activator*>(QStringLiteral("qt_activator"), Qt::FindDirectChildrenOnly);
}

QString PlainText(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return QString(button->text()).remove(QLatin1Char('&'));
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->textFormat() == Qt::PlainText) return label->text();
        return QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    }
    return QString();
}

// The child widgets assistive tools meet, as Qt lists them, less the
// stand-ins whose control is shown.
QWidgetList ChildrenInTree(const QWidget* parent) {
    QWidgetList out;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || qobject_cast<QFocusFrame*>(w) || qobject_cast<QMenu*>(w) ||
            w->objectName() == QLatin1String("qt_rubberband") ||
            w->objectName() == QLatin1String("qt_spinbox_lineedit") || IsLeftOut(*w))
            continue;
        out.append(w);
    }
    return out;
}

// A widget whose children are those of ChildrenInTree.
class FilteringAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(ChildrenInTree(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QWidgetList children = ChildrenInTree(widget());
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children.at(index))
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child
                   ? int(ChildrenInTree(widget()).indexOf(qobject_cast<QWidget*>(child->object())))
                   : -1;
    }
};

// A window, page or group that may hold stand-ins: as Qt presents it otherwise.
class HostAccessible : public FilteringAccessible {
public:
    HostAccessible(QWidget* widget, QAccessible::Role role) : FilteringAccessible(widget, role) {}

    QString text(QAccessible::Text t) const override {
        QString own = FilteringAccessible::text(t);
        auto* group = qobject_cast<QGroupBox*>(widget());
        if (!own.isEmpty() || !group) return own;
        if (t == QAccessible::Name) return QString(group->title()).remove(QLatin1Char('&'));
        if (t == QAccessible::Description) return group->toolTip();
        return own;
    }
};

// A read-only one-line field (a file or folder name shown to the user): its
// text can be read and selected, and it says it is read-only, not editable.
class ReadOnlyLineAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyLineAccessible(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = edit()->isReadOnly();
        s.editable = !edit()->isReadOnly();
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return edit()->text();
        return QAccessibleWidget::text(t);
    }

    // The text interface, over the field's text, cursor and selection.
    QString text(int start, int end) const override {
        return edit()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !edit()->hasSelectedText()) return;
        *start = edit()->selectionStart();
        *end = *start + int(edit()->selectedText().size());
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void setSelection(int, int start, int end) override {
        edit()->setSelection(start, end - start);
    }
    void removeSelection(int) override { edit()->deselect(); }
    QRect characterRect(int offset) const override {
        // Left of the scrolled text: a name box shows its start unless moved.
        const QFontMetrics fm(edit()->font());
        const QRect inner = edit()->contentsRect();
        const QString text = edit()->text();
        const int x = inner.left() + 2 + fm.horizontalAdvance(text.left(offset));
        const int w = offset < text.size() ? fm.horizontalAdvance(text.at(offset)) : 1;
        const QRect local(x, inner.top() + (inner.height() - fm.height()) / 2, w, fm.height());
        return QRect(edit()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int) override { edit()->setCursorPosition(start); }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return QString();
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
};

// A control made activatable, as assistive tools see it.
class ActivatableAccessible : public FilteringAccessible {
public:
    ActivatableAccessible(QWidget* widget, Activator* activator)
        : FilteringAccessible(widget, RoleOf(activator)), activator_(activator) {}

    QString text(QAccessible::Text t) const override {
        const QString own = FilteringAccessible::text(t);
        switch (t) {
            case QAccessible::Name:
                // Before the group box title that widgets in a group fall back to.
                if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
                if (activator_->partner) return PlainText(activator_->partner);
                if (const QString text = PlainText(widget()); !text.isEmpty()) return text;
                return own;
            case QAccessible::Value:
                // A named text (a folder shown as a link) reads its text as value.
                return widget()->accessibleName().isEmpty() ? QString() : PlainText(widget());
            default:
                return own;
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = FilteringAccessible::state();
        // What Tab will reach once the window is shown: not a picture hidden on
        // its page (the other language's), not a stand-in whose control is shown.
        s.focusable = !widget()->isHidden() && !activator_->PartnerShown();
        if (auto* button = qobject_cast<QAbstractButton*>(activator_->partner.data())) {
            s.checkable = button->isCheckable();
            s.checked = button->isChecked();
        }
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + FilteringAccessible::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction() && widget()->isEnabled())
            activator_->activate();
        else
            FilteringAccessible::doAction(name);
    }

private:
    static QAccessible::Role RoleOf(const Activator* activator) {
        const QObject* partner = activator->partner.data();
        if (qobject_cast<const QRadioButton*>(partner)) return QAccessible::RadioButton;
        if (qobject_cast<const QCheckBox*>(partner)) return QAccessible::CheckBox;
        return activator->role;
    }
    Activator* activator_;
};

// Asked before Qt's own factory, once for each class of the object from the
// most derived one up: the generic levels (a dialog, a group, a page) are
// reached only when no class below has an interface of its own.
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (Activator* activator = ActivatorOf(*widget))
        return new ActivatableAccessible(widget, activator);
    if (className == QLatin1String("QLineEdit")) {
        auto* edit = static_cast<QLineEdit*>(widget);
        return edit->isReadOnly() ? new ReadOnlyLineAccessible(edit) : nullptr;
    }
    if (className == QLatin1String("QDialog"))
        return new HostAccessible(widget, QAccessible::Dialog);
    if (className == QLatin1String("QGroupBox"))
        return static_cast<QGroupBox*>(widget)->isCheckable()
                   ? nullptr
                   : new HostAccessible(widget, QAccessible::Grouping);
    if (className == QLatin1String("QWidget"))
        return new HostAccessible(widget, QAccessible::Client);
    return nullptr;
}

}  // namespace

void Install() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

void MakeActivatable(QWidget& widget, std::function<void()> activate, QWidget* partner,
                     QAccessible::Role role) {
    Install();
    if (ActivatorOf(widget)) return;
    widget.setFocusPolicy(Qt::StrongFocus);
    new Activator(widget, std::move(activate), nullptr, role);
    if (partner) SetPartner(widget, *partner);
}

void SetPartner(QWidget& widget, QWidget& partner) {
    Activator* activator = ActivatorOf(widget);
    if (!activator) return;
    if (activator->partner == &partner) return;
    activator->partner = &partner;
    partner.installEventFilter(activator);
    // Where the picture takes the control's place, it comes where the control would.
    QWidget::setTabOrder(&partner, &widget);
    activator->UpdateFocusPolicy();
}

bool IsActivatable(const QWidget& widget) { return ActivatorOf(widget) != nullptr; }

bool IsLeftOut(const QWidget& widget) {
    const Activator* activator = ActivatorOf(widget);
    return activator && activator->PartnerShown();
}

}  // namespace accessibility
