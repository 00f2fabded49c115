#include "ui/RunDialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "ui/Accessibility.h"
#include "ui/Fonts.h"
#include "ui/Look.h"
#include "ui/Pictures.h"

namespace rundialog {

const char* TextFor(const ControlText& row, languages::DialogLanguage language) {
    switch (language) {
        case languages::DialogLanguage::French:
            return row.french;
        case languages::DialogLanguage::German:
            return row.german;
        case languages::DialogLanguage::Spanish:
            return row.spanish;
        case languages::DialogLanguage::English:
            break;
    }
    return row.english;
}

void OpenPage(const char* url) { QDesktopServices::openUrl(QUrl(QString::fromUtf8(url))); }

}  // namespace rundialog

void TOptionIcon::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QLabel::mousePressEvent(event);
}

void TClickText::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) emit clicked();
    QLabel::mousePressEvent(event);
}

namespace {

constexpr int kWidth = 530;
constexpr int kHeaderHeight = 59;
constexpr int kFooterHeight = 44;

// A white band with a bevelled line on the edge that faces the dialog's middle.
class Band : public QFrame {
public:
    Band(QWidget* parent, bool lineAtBottom) : QFrame(parent), lineAtBottom_(lineAtBottom) {
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const int y = lineAtBottom_ ? height() - 2 : 0;
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(0, y, width(), y);
        painter.setPen(Qt::white);
        painter.drawLine(0, y + 1, width(), y + 1);
    }

private:
    bool lineAtBottom_;
};

}  // namespace

TRunDialog::TRunDialog(const char* formName, std::int32_t language, int clientHeight,
                       QWidget* parent)
    : QDialog(parent), language_(languages::DialogLanguageOf(language)) {
    accessibility::Install();
    setObjectName(formName);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(kWidth, clientHeight);
    setFont(fonts::LaidOut(QStringLiteral("Tahoma"), 8));
    setAutoFillBackground(true);
    QPalette p = look::LightPalette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);

    Panel1 = new Band(this, true);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(0, 0, kWidth, kHeaderHeight);
    Image2 = new QLabel(Panel1);
    Image2->setObjectName("Image2");
    Image2->setGeometry(kWidth - 150, 0, 150, 57);
    Image2->setPixmap(pictures::Pixmap(QStringLiteral(":/pictures/dialog_header.jpg")));
    Image2->setAccessibleName(QString::fromUtf8(rundialog::kTitle));
    Label2 = NewLabel(Panel1, "Label2", 16, 10, Style::Bold);
    Label4 = NewLabel(Panel1, "Label4", 23, 29);

    Panel2 = new Band(this, false);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, clientHeight - kFooterHeight, kWidth, kFooterHeight);
}

QLabel* TRunDialog::NewLabel(QWidget* parent, const char* name, int x, int y, Style style,
                             int width) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    if (style != Style::Plain) {
        QFont f = font();
        f.setBold(style == Style::Bold);
        f.setItalic(style == Style::Italic);
        label->setFont(f);
    }
    label->move(x, y);
    if (width > 0) label->setFixedWidth(width);
    return label;
}

QPushButton* TRunDialog::NewButton(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(x, y, w, h);
    return button;
}

QLineEdit* TRunDialog::NewNameBox(QWidget* parent, const char* name, int x, int y, int w) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(x, y, w, 21);
    box->setReadOnly(true);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    box->setPalette(p);
    return box;
}

QCheckBox* TRunDialog::NewCheckBox(QWidget* parent, const char* name, int x, int y, int w) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->move(x, y);
    if (w > 0) box->setFixedSize(w, 17);
    return box;
}

TOptionIcon* TRunDialog::NewIcon(QWidget* parent, const char* name, int x, int y,
                                 const char* resource) {
    auto* icon = new TOptionIcon(parent);
    icon->setObjectName(name);
    icon->setGeometry(x, y, 18, 18);
    icon->setPixmap(pictures::Pixmap(QString::fromUtf8(resource)));
    icon->setCursor(Qt::PointingHandCursor);
    accessibility::MakeActivatable(*icon, [icon] { emit icon->clicked(); });
    return icon;
}

QString TRunDialog::Text(const rundialog::ControlText& row) const {
    return QString::fromUtf8(rundialog::TextFor(row, language_));
}

void TRunDialog::ApplyTexts(const rundialog::ControlText* table, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const rundialog::ControlText& row = table[i];
        const QString text = Text(row);
        if (qstrcmp(row.control, rundialog::kCaption) == 0) {
            setWindowTitle(QString::fromUtf8(rundialog::kTitle) + text);
            continue;
        }
        // "Control.name" and "Control.description": what assistive tools read.
        const QString key = QString::fromUtf8(row.control);
        if (const int dot = key.indexOf(QLatin1Char('.')); dot > 0) {
            if (auto* target = findChild<QWidget*>(key.left(dot))) {
                if (key.mid(dot + 1) == QLatin1String("name"))
                    target->setAccessibleName(text);
                else
                    target->setAccessibleDescription(text);
            }
            continue;
        }
        QWidget* control = findChild<QWidget*>(QString::fromUtf8(row.control));
        if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(text);
            const int fixed = label->minimumWidth();
            label->resize(fixed > 0 ? fixed : label->sizeHint().width(),
                          label->sizeHint().height());
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(text);
            if (qobject_cast<QCheckBox*>(button) && button->minimumWidth() == 0) {
                button->resize(button->sizeHint());
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(text);
        }
    }
}

void TRunDialog::showEvent(QShowEvent* event) {
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    QDialog::showEvent(event);
}

void TRunDialog::keyPressEvent(QKeyEvent* event) {
    if (EscapeButton && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        EscapeButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
