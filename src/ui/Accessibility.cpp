#include "ui/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QTextDocumentFragment>
#include <QWidget>

#include "ui/Look.h"

namespace accessibility {
namespace {

// Drawn over the focused control: a dotted frame, as keyboard focus is drawn
// on link texts and pictures, distinct from the default button's edge.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("qt_focus_frame"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        switch (event->type()) {
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

// A control made activatable, as assistive tools see it.
class ActivatableAccessible : public QAccessibleWidget {
public:
    ActivatableAccessible(QWidget* widget, Activator* activator)
        : QAccessibleWidget(widget, RoleOf(activator)), activator_(activator) {}

    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
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
        QAccessible::State s = QAccessibleWidget::state();
        if (auto* button = qobject_cast<QAbstractButton*>(activator_->partner.data())) {
            s.checkable = button->isCheckable();
            s.checked = button->isChecked();
        }
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction() && widget()->isEnabled())
            activator_->activate();
        else
            QAccessibleWidget::doAction(name);
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

QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    Activator* activator = ActivatorOf(*widget);
    return activator ? new ActivatableAccessible(widget, activator) : nullptr;
}

}  // namespace

void MakeActivatable(QWidget& widget, std::function<void()> activate, QWidget* partner,
                     QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
    if (ActivatorOf(widget)) return;
    widget.setFocusPolicy(Qt::StrongFocus);
    new Activator(widget, std::move(activate), nullptr, role);
    if (partner) SetPartner(widget, *partner);
}

void SetPartner(QWidget& widget, QWidget& partner) {
    Activator* activator = ActivatorOf(widget);
    if (!activator) return;
    activator->partner = &partner;
    // Tab goes from the option to the picture that stands for it.
    QWidget::setTabOrder(&partner, &widget);
}

bool IsActivatable(const QWidget& widget) { return ActivatorOf(widget) != nullptr; }

}  // namespace accessibility
