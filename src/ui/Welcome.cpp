#include "ui/Welcome.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "settings/Settings.h"
#include "ui/About.h"
#include "ui/Accessibility.h"
#include "ui/Fonts.h"
#include "ui/Languages.h"
#include "ui/Look.h"
#include "ui/Pictures.h"

namespace {

const QString kTitle = QStringLiteral("Tarnwick");

// The dialog's texts per language; "{title}" stands for the application title.
struct WelcomeTexts {
    const char* caption;
    const char* label2;
    const char* label4;
    const char* staticText1;
    const char* staticText3;
    const char* staticText6;
    const char* staticText7;
    const char* staticText8;
    const char* checkBox9;
    const char* okButton;
};

constexpr WelcomeTexts kEnglish{"{title} - Welcome",
                                "Welcome",
                                "Thank you for using Tarnwick!",
                                "How can I unrar my RAR file with Tarnwick?",
                                "--> Click \"Unrar...\", select your file and enjoy...",
                                "1. Click \"Unrar...\"",
                                "2. Choose file",
                                "3. Enjoy!",
                                "Show this dialog again at next start-up",
                                "OK"};

constexpr WelcomeTexts kGerman{
    "{title} - Willkommen",
    "Willkommen",
    "Vielen Dank dafür, dass Sie sich für {title} entschieden haben!",
    "Wie entpacke ich meine RAR-Datei mit {title}?",
    "--> Klicken Sie \"Unrar...\", wählen Sie Ihre Datei und genießen Sie...",
    "1. \"Unrar...\" klicken",
    "2. Datei wählen",
    "3. Genießen!",
    "Diesen Dialog beim nächsten Programmstart wieder anzeigen",
    "OK"};

constexpr WelcomeTexts kSpanish{
    "{title} - Bienvenido",
    "Bienvenido",
    "Gracias para escojer {title}!",
    "¿Cómo descomprimir archivos en formato RAR con {title}?",
    "--> Haga un clic en el botón \"Unrar...\", seleccione archivo y disfrute...",
    "1. Haga un clic en \"Unrar...\"",
    "2. Seleccione archivo",
    "3. Disfrute!",
    "Volver a mostrar este mensaje al inicio de aplicación",
    "OK"};

constexpr WelcomeTexts kFrench{
    "{title} - Bienvenue",
    "Bienvenue",
    "Merci d'utiliser {title}!",
    "Comment puis-je extraire mon fichier RAR avec {title}?",
    "--> Cliquez sur «Unrar...», sélectionnez votre fichier et amusez-vous...",
    "1. Cliquez sur «Unrar...»  ",
    "2. Choisissez votre fichier",
    "3. Amusez-vous!",
    "Voir cette boîte de dialogue lors du prochain démarrage",
    "OK"};

QString Text(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1String("{title}"), kTitle);
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

QLabel* MakeCaption(QWidget* parent, const char* name, QRect place) {
    QLabel* label = MakeLabel(parent, name, place.x(), place.y(), true);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

// A band across the dialog with a line along one edge.
QFrame* MakeBand(QWidget* parent, const char* name, int top, int height, bool lineAtTop) {
    auto* band = new QFrame(parent);
    band->setObjectName(QString::fromLatin1(name));
    band->setGeometry(0, top, parent->width(), height);
    band->setAutoFillBackground(true);
    auto* line = new QFrame(band);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, lineAtTop ? 0 : height - 2, parent->width(), 2);
    return band;
}

}  // namespace

TWelcomeForm::TWelcomeForm(std::int32_t interfaceLanguage, std::string settingsFolder,
                           std::function<void(QObject*)> unrar, QWidget* parent)
    : QDialog(parent),
      language_(interfaceLanguage),
      settingsFolder_(std::move(settingsFolder)),
      unrar_(std::move(unrar)) {
    setObjectName(QStringLiteral("WelcomeForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(530, 338);
    setFont(fonts::LaidOut(QStringLiteral("Tahoma"), 8));
    QPalette white = look::LightPalette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    QFrame* panel1 = MakeBand(this, "Panel1", 0, 59, false);
    Label2 = MakeLabel(panel1, "Label2", 16, 10, true);
    Label4 = MakeLabel(panel1, "Label4", 23, 29, false);
    Image2 = new QLabel(panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(width() - 150, 0, 150, 57);
    Image2->setPixmap(pictures::Pixmap(QStringLiteral(":/pictures/dialog_header.jpg")));
    Image2->setAccessibleName(kTitle);

    StaticText1 = MakeLabel(this, "StaticText1", 23, 75, true);
    StaticText3 = MakeLabel(this, "StaticText3", 23, 91, false);

    Image24 = new QLabel(this);
    Image24->setObjectName(QStringLiteral("Image24"));
    Image24->setGeometry(15, 111, 463, 141);
    Image24->setPixmap(pictures::Pixmap(QStringLiteral(":/pictures/help.jpg")));
    // The step captions stand on one line under the picture, each centred
    // under its panel (the panels are 147 wide, 11 apart); the first may reach
    // a little past the picture's left edge, as the Spanish one needs.
    StaticText6 = MakeCaption(this, "StaticText6", QRect(7, 256, 163, 17));
    StaticText7 = MakeCaption(this, "StaticText7", QRect(173, 256, 147, 17));
    StaticText8 = MakeCaption(this, "StaticText8", QRect(331, 256, 147, 17));
    for (QLabel* clickable : {Image24, StaticText3, StaticText6, StaticText7}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
        // The picture is announced with the instruction beside it.
        const bool picture = clickable == Image24;
        accessibility::MakeActivatable(
            *clickable, [this, clickable] { Image24Click(clickable); },
            picture ? StaticText3 : nullptr, picture ? QAccessible::Button : QAccessible::Link);
    }

    QFrame* panel2 = MakeBand(this, "Panel2", height() - 44, 44, true);
    CheckBox9 = new QCheckBox(panel2);
    CheckBox9->setObjectName(QStringLiteral("CheckBox9"));
    CheckBox9->move(12, 14);
    OKButton = new QPushButton(panel2);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(447, 9, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();  // not the picture, which comes first in the Tab order
    connect(OKButton, &QPushButton::clicked, this, &TWelcomeForm::OKButtonClick);

    FormCreate();

    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TWelcomeForm::FormCreate() {
    const WelcomeTexts* texts = &kEnglish;
    switch (languages::DialogLanguageOf(language_)) {
        case languages::DialogLanguage::German:
            texts = &kGerman;
            break;
        case languages::DialogLanguage::Spanish:
            texts = &kSpanish;
            break;
        case languages::DialogLanguage::French:
            texts = &kFrench;
            break;
        case languages::DialogLanguage::English:
            break;
    }
    setWindowTitle(Text(texts->caption));
    Label2->setText(Text(texts->label2));
    Label4->setText(Text(texts->label4));
    StaticText1->setText(Text(texts->staticText1));
    StaticText3->setText(Text(texts->staticText3));
    StaticText6->setText(Text(texts->staticText6));
    StaticText7->setText(Text(texts->staticText7));
    StaticText8->setText(Text(texts->staticText8));
    CheckBox9->setText(Text(texts->checkBox9));
    OKButton->setText(Text(texts->okButton));
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label2, Label4, StaticText1, StaticText3, CheckBox9})
        w->adjustSize();
}

void TWelcomeForm::forgetFirstRun() const {
    if (!CheckBox9->isChecked())
        settings::Store(settingsFolder_).clearFlag(settings::kFirstRun);  // failure: shown again
}

void TWelcomeForm::OKButtonClick() {
    forgetFirstRun();
    accept();
}

void TWelcomeForm::Image24Click(QObject* sender) {
    hide();
    forgetFirstRun();
    if (unrar_) unrar_(sender);
    reject();  // the dialog is hidden already: end it, a close request would not
}

bool TWelcomeForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && widget &&
            widget->rect().contains(mouse->position().toPoint())) {
            Image24Click(watched);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ShowWelcome(TfrmConfig& owner) {
    TWelcomeForm welcome(
        owner.InterfaceLanguage, owner.SettingsFolder, [&owner](QObject*) { owner.Button1Click(); },
        &owner);
    welcome.exec();
}
