// Every window of the program, in each of the four full languages and under a
// dark colour scheme: no text clipped or running into a neighbour, and every
// text dark on the window's light look.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "DialogFixture.h"
#include "extract/Failed.h"
#include "extract/Password.h"
#include "extract/Readonly.h"
#include "extract/Replace.h"
#include "extract/Unicode.h"
#include "settings/Settings.h"
#include "ui/Accessibility.h"
#include "ui/Dialogs.h"
#include "ui/Welcome.h"
#include "ui/Wizard.h"

namespace {

const std::int32_t kLanguages[] = {1033, 1036, 1031, 3082};

// Controls that show the user's data (paths, names), not our wording.
bool ShowsData(const QWidget* w) {
    static const QStringList names = {"StaticText13", "StaticTextFilename", "StaticTextDir"};
    return qobject_cast<const QLineEdit*>(w) || names.contains(w->objectName());
}

QString Caption(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->pixmap().isNull() ? l->text() : "";
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return QString();
}

class Look : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        settings::Store(Settings()).setFlag(settings::kWizard);  // no browse on its own
        // The main window of a run that has the run's dialogs open.
        run->StaticTextFilename->setText("notes.txt");
        run->StaticTextDir->setText("/home/user/");
    }

    // Every window in `language`; `check` gets each one, and every page of
    // the main window.
    void ForEveryWindow(std::int32_t language, const std::function<void(QWidget&)>& check) {
        config->InterfaceLanguage = language;
        config->Memo3DblClick(config->LanguageCombo);
        for (int page = 0; page < config->PageControl1->count(); ++page) {
            config->PageControl1->setCurrentIndex(page);
            SCOPED_TRACE("main window page " + std::to_string(page));
            check(*config);
        }
        config->PageControl1->setCurrentIndex(0);
        const QString file = QStringLiteral("/home/user/Holiday.rar");
        {
            SCOPED_TRACE("progress window");
            check(*run);
        }
        std::vector<std::unique_ptr<QWidget>> windows;
        windows.push_back(std::make_unique<TWelcomeForm>(language, Settings(), nullptr));
        windows.push_back(std::make_unique<TWizardForm>(*config, nullptr, file));
        windows.push_back(std::make_unique<TPasswordForm>(*run, QStringLiteral("notes.txt")));
        windows.push_back(std::make_unique<TReplaceForm>(*run, QStringLiteral("/home/user/a")));
        windows.push_back(std::make_unique<TReadonlyForm>(*run, QStringLiteral("/mnt/cdrom/")));
        windows.push_back(std::make_unique<TFailedForm>(*run, QStringLiteral("Holiday.rar")));
        windows.push_back(std::make_unique<TNoUnicodeForm>(*run, file));
        for (auto& w : windows) {
            for (QTimer* t : w->findChildren<QTimer*>()) t->stop();
            w->show();  // some dialogs fill in their texts when shown
            SCOPED_TRACE(w->objectName().toStdString());
            check(*w);
        }
    }

    // The controls of `window` that carry a text and are shown.
    static std::vector<QWidget*> TextControls(QWidget& window) {
        std::vector<QWidget*> out;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            if (w->window() != &window || !w->isVisibleTo(&window) || ShowsData(w)) continue;
            if (!Caption(w).trimmed().isEmpty() || qobject_cast<QTextEdit*>(w)) out.push_back(w);
        }
        return out;
    }
};

// How wide a control's text runs from the control's left edge.
int TextExtent(QWidget* w) {
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return 8 + QFontMetrics(g->font()).horizontalAdvance(g->title());
    if (auto* b = qobject_cast<QPushButton*>(w))  // the text and the frame's padding
        return QFontMetrics(b->font()).horizontalAdvance(b->text()) + 12;
    return w->sizeHint().width();
}

TEST_F(Look, NoTextIsClippedOrRunsIntoItsNeighbours) {
    constexpr int kGap = 3;  // room kept between a text and the next frame or control
    for (std::int32_t language : kLanguages) {
        ForEveryWindow(language, [&](QWidget& window) {
            for (QWidget* w : TextControls(window)) {
                const std::string what = std::to_string(language) + " " +
                                         w->objectName().toStdString() + " \"" +
                                         Caption(w).toStdString() + "\"";
                if (auto* edit = qobject_cast<QTextEdit*>(w)) {
                    if (edit->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff) {
                        EXPECT_LE(edit->document()->size().height(), edit->viewport()->height())
                            << what;
                    }
                    continue;
                }
                auto* label = qobject_cast<QLabel*>(w);
                if (label && label->wordWrap()) {
                    EXPECT_LE(label->heightForWidth(label->width()), label->height()) << what;
                    continue;
                }
                const int extent = TextExtent(w);
                EXPECT_LE(extent, w->width()) << what << " clipped";
                if (qobject_cast<QPushButton*>(w)) continue;
                // Where the text ends, centred texts included.
                const int left = label && (label->alignment() & Qt::AlignHCenter)
                                     ? (w->width() - extent) / 2
                                     : 0;
                const QRect text(w->x() + left, w->y(), extent + kGap, w->height());
                QWidget* parent = w->parentWidget();
                EXPECT_LE(text.right(), parent->width() - 1) << what << " leaves its frame";
                for (QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                    if (other == w || !other->isVisibleTo(&window)) continue;
                    if (other->geometry().contains(w->geometry())) continue;  // a backdrop
                    if (!qobject_cast<QAbstractButton*>(other) && !qobject_cast<QLabel*>(other) &&
                        !qobject_cast<QLineEdit*>(other) && !qobject_cast<QComboBox*>(other))
                        continue;
                    EXPECT_FALSE(text.intersects(other->geometry()))
                        << what << " runs into " << other->objectName().toStdString() << " "
                        << text.x() << "," << text.y() << " " << text.width() << "x"
                        << text.height() << " vs " << other->x() << "," << other->y() << " "
                        << other->width() << "x" << other->height();
                }
            }
            if (auto* tabs = window.findChild<QTabWidget*>()) {
                EXPECT_LE(tabs->tabBar()->sizeHint().width(), tabs->width()) << language;
            }
        });
    }
}

double Lightness(const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); }

// The colour a control's text is drawn on: its own background when it fills
// one, else that of the nearest parent that does.
QColor Backdrop(QWidget* w) {
    if (auto* edit = qobject_cast<QTextEdit*>(w))
        return edit->viewport()->palette().color(QPalette::Base);
    if (qobject_cast<QPushButton*>(w)) return w->palette().color(QPalette::Button);
    for (QWidget* at = w; at; at = at->parentWidget())
        if (at->autoFillBackground() || at->isWindow() || qobject_cast<QGroupBox*>(at))
            return at->palette().color(at->backgroundRole());
    return Qt::magenta;
}

// Under a dark colour scheme the windows keep their light look, and every text
// stays dark on it.
TEST_F(Look, DarkSchemeKeepsTheLightLookAndReadableTexts) {
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(230, 230, 230), QColor(45, 45, 48));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(235, 235, 235));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    QApplication::setPalette(dark);
    // The windows are made under the dark scheme, as on a dark desktop.
    TearDown();
    SetUp();
    ForEveryWindow(1033, [&](QWidget& window) {
        for (QWidget* w : TextControls(window)) {
            const QColor back = Backdrop(w);
            auto* edit = qobject_cast<QTextEdit*>(w);
            const QColor text = edit ? edit->viewport()->palette().color(QPalette::Text)
                                     : w->palette().color(QPalette::Active, w->foregroundRole());
            const std::string what = w->objectName().toStdString();
            EXPECT_GE(Lightness(back), 180) << what << " on a dark background";
            EXPECT_GE(Lightness(back) - Lightness(text), 120) << what << " is not readable";
        }
    });
    QApplication::setPalette(before);
}

// The standard dialogs the windows open (file and folder pickers, message,
// text query) and the fields' context menus keep the light look of their
// windows under a dark scheme.
TEST_F(Look, StandardDialogsKeepTheLightLookUnderADarkScheme) {
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(230, 230, 230), QColor(45, 45, 48));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    const std::function<void()> opens[] = {
        [&] { dialogs::GetOpenFileNames(config.get(), "Unrar...", temp.path().c_str(), "*.rar"); },
        [&] { dialogs::GetExistingDirectory(config.get(), "Browse", temp.path().c_str()); },
        [&] { dialogs::GetText(run.get(), "Next volume", "a.part2.rar", "a.part2.rar"); },
        [&] {
            dialogs::RecordMessages(false);
            dialogs::ShowMessage(config.get(), "Error 9", "Tarnwick");
            dialogs::RecordMessages(true);
        },
    };
    int seen = 0;
    for (const auto& open : opens) {
        OnModal([&](QWidget* dialog) {
            ++seen;
            EXPECT_GE(Lightness(dialog->palette().color(QPalette::Window)), 180)
                << dialog->metaObject()->className();
            for (auto* view : dialog->findChildren<QAbstractItemView*>())
                EXPECT_GE(Lightness(view->palette().color(QPalette::Base)), 180)
                    << view->objectName().toStdString();
            dialog->close();
        });
        open();
    }
    EXPECT_EQ(4, seen);
    // So does a field's context menu (a window of its own).
    TPasswordForm password(*run, QStringLiteral("notes.txt"));
    password.show();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              password.PasswordEdit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(password.PasswordEdit, &request);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_TRUE(menu);
    EXPECT_GE(Lightness(menu->palette().color(QPalette::Window)), 180);
    EXPECT_LE(Lightness(menu->palette().color(QPalette::WindowText)), 60);
    menu->close();
    QApplication::setPalette(before);
}

// What a screen reader finds in a window: every element it can focus or
// press, every picture and the progress bar, shown at the moment (for the
// main and progress windows, not shown here: what would be shown with them).
struct Element {
    QString path, name, description;
    QAccessible::Role role;
    bool focusable;
    QObject* object;
};

void Collect(QAccessibleInterface* at, QWidget& window, const QString& path,
             std::vector<Element>& out) {
    for (int i = 0; i < at->childCount(); ++i) {
        QAccessibleInterface* child = at->child(i);
        if (!child) continue;
        auto* widget = qobject_cast<QWidget*>(child->object());
        const QString here = path + "/" + (widget ? widget->objectName() : QString::number(i));
        const bool focusable = child->state().focusable;
        // Hidden in a shown window and still offered to the keyboard: a field
        // a screen reader would announce although no one can see it.
        QWidget* parent = widget ? widget->parentWidget() : nullptr;
        if (widget && widget->isHidden() && (parent == &window || parent->isVisibleTo(&window))) {
            EXPECT_FALSE(focusable) << here.toStdString() << " is hidden and focusable";
        }
        if (widget ? !widget->isVisibleTo(&window) : child->state().invisible && window.isVisible())
            continue;
        const bool clickable = widget && ((widget->testAttribute(Qt::WA_SetCursor) &&
                                           widget->cursor().shape() == Qt::PointingHandCursor) ||
                                          accessibility::IsActivatable(*widget));
        QString name = child->text(QAccessible::Name).trimmed();
        // A list's name is its value here: its label comes from its buddy.
        if (child->role() == QAccessible::ComboBox) {
            const auto labels = child->relations(QAccessible::Label);
            name = labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
        }
        if (clickable && !focusable) name.clear();  // no keyboard reaches it
        if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && edit->isReadOnly()) {
            EXPECT_TRUE(child->state().readOnly && !child->state().editable)
                << here.toStdString() << " is not announced read-only";
        }
        if (focusable || clickable || child->role() == QAccessible::ProgressBar ||
            child->role() == QAccessible::Graphic)
            out.push_back({here, name, child->text(QAccessible::Description), child->role(),
                           focusable, child->object()});
        Collect(child, window, here, out);
    }
}

// The controls Tab reaches in `window`, from its first one round to it again.
std::vector<QWidget*> TabStops(QWidget& window) {
    QApplication::setActiveWindow(&window);
    QWidget* first = nullptr;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(&window) &&
            !w->focusProxy()) {
            first = w;
            break;
        }
    std::vector<QWidget*> stops;
    if (!first) return stops;
    first->setFocus(Qt::TabFocusReason);
    for (QWidget* at = QApplication::focusWidget(); at && stops.size() < 100;) {
        stops.push_back(at);
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (at == first) break;
    }
    return stops;
}

// Every window, page by page and in each language: every element has a name,
// no control is met twice (neither in the tree nor by Tab), no hidden element
// takes the focus, read-only fields say so, and what Tab reaches can be used.
TEST_F(Look, EveryElementAScreenReaderMeetsHasANameAndIsMetOnce) {
    for (std::int32_t language : kLanguages) {
        ForEveryWindow(language, [&](QWidget& window) {
            if (window.objectName() == "PasswordForm")  // so that OK takes its Tab stop
                window.findChild<QLineEdit*>("PasswordEdit")->setText("secret");
            std::vector<Element> elements;
            Collect(QAccessible::queryAccessibleInterface(&window), window, window.objectName(),
                    elements);
            EXPECT_GT(elements.size(), 2u) << "nothing to read";
            std::map<QString, QString> controls;  // role, name and description -> path
            for (const Element& e : elements) {
                const std::string what = std::to_string(language) + " " + e.path.toStdString();
                EXPECT_FALSE(e.name.isEmpty()) << what << " role " << e.role;
                if (!e.focusable) continue;
                const auto [at, fresh] = controls.emplace(
                    QString::number(e.role) + "|" + e.name + "|" + e.description, e.path);
                EXPECT_TRUE(fresh) << what << " reads like " << at->second.toStdString();
            }
            if (!window.isVisible()) return;  // the main and progress windows are not shown
            QStringList order;
            for (QWidget* stop : TabStops(window)) {
                order << stop->objectName();
                QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(stop);
                const auto met = std::count_if(elements.begin(), elements.end(),
                                               [&](const Element& e) { return e.object == stop; });
                EXPECT_EQ(1, met) << language << " " << stop->objectName().toStdString()
                                  << " is a Tab stop met " << met << " times in the tree";
                const QAccessible::Role role = iface->role();
                if (role == QAccessible::Button || role == QAccessible::Link ||
                    role == QAccessible::Graphic || role == QAccessible::CheckBox ||
                    role == QAccessible::RadioButton) {
                    EXPECT_TRUE(iface->actionInterface() &&
                                !iface->actionInterface()->actionNames().isEmpty())
                        << stop->objectName().toStdString() << " is a Tab stop without an action";
                }
            }
            if (window.objectName() == "PasswordForm") {
                EXPECT_EQ(
                    QStringList({"PasswordEdit", "CheckBox4", "CheckBox8", "OKButton",
                                 "CancelButton", "FilenameBox", "Button2", "Button16", "Button1"}),
                    order);
            }
        });
    }
}

// A picture that stands in for a control is for the mouse while the control is
// shown; where it is not, the picture takes its place: with "Unrar..."
// switched off, the main picture is a Tab stop read as "Unrar...", shows its
// focus frame and opens the file dialog on Space.
TEST_F(Look, APictureTakesTheKeyboardOnlyWhereItsControlIsNotShown) {
    config->show();
    QApplication::setActiveWindow(config.get());
    EXPECT_EQ(Qt::NoFocus, config->Image2->focusPolicy());
    config->Button1->hide();
    ASSERT_EQ(std::vector<QWidget*>({config->PageControl1->tabBar(), config->Image2}),
              TabStops(*config));
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(config->Image2);
    EXPECT_EQ("Unrar...", picture->text(QAccessible::Name));
    auto* frame = config->Image2->findChild<QWidget*>(QStringLiteral("qt_focus_frame"));
    config->Image2->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(frame && frame->isVisible());
    int opened = 0;
    OnModal([&](QWidget* dialog) {
        ++opened;
        dialog->close();
    });
    QTest::keyClick(config->Image2, Qt::Key_Space);
    EXPECT_EQ(1, opened);
    config->Button1->show();
    EXPECT_EQ(Qt::NoFocus, config->Image2->focusPolicy());
}

}  // namespace
