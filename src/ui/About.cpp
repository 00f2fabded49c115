#include "ui/About.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/Version.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/ProgressLock.h"
#include "settings/Settings.h"
#include "ui/Accessibility.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Languages.h"
#include "ui/Look.h"
#include "ui/Welcome.h"

const PageAddresses kEnglishPageAddresses = {
    QStringLiteral("https://tarnwick.example/"),
    QStringLiteral("https://tarnwick.example/faq/"),
    QStringLiteral("https://tarnwick.example/update/?UID=240"),
    QStringLiteral("https://tarnwick.example/donate/"),
    QStringLiteral("https://ostrel.example/"),
    QStringLiteral("https://ostrel.example/apps/"),
    QStringLiteral("https://ostrel.example/ebooks/"),
    QStringLiteral("https://ostrel.example/projects/"),
    QStringLiteral("https://quenfold.example/"),
    QStringLiteral("https://plimsy.example/"),
};
const char kVideoAddress[] = "https://video.example/watch?v=tarnwick-unrar";

namespace {

// Endings of dropped files that are pictures, never archives.
const char* const kIgnoredDropEndings[] = {"jpg", ".jpg", "bmp", ".bmp", "scr", ".scr"};

QString fromStd(const std::string& s) { return QString::fromStdString(s); }
std::string toStd(const QString& s) { return s.toStdString(); }

void place(QWidget* w, const char* name, int x, int y, int width, int height) {
    w->setObjectName(name);
    w->setGeometry(x, y, width, height);
}

void paintWhite(QWidget* w) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// The white rectangle behind each page's content.
void whiteBackdrop(QWidget* page) {
    auto* shape = new QFrame(page);
    shape->setObjectName(page->objectName() + "Shape");
    shape->setGeometry(4, 8, 486, 310);
    shape->setFrameShape(QFrame::Box);
    shape->setFrameShadow(QFrame::Plain);
    QPalette pal = shape->palette();
    pal.setColor(QPalette::WindowText, QColor(200, 200, 200));
    shape->setPalette(pal);
    paintWhite(shape);
}

QGroupBox* makeGroup(QWidget* page, const char* name, int x, int y, int w, int h) {
    auto* g = new look::WhiteGroupBox(page);
    place(g, name, x, y, w, h);
    paintWhite(g);
    return g;
}

// Option rows and their groups are a little wider than laid out: the archive
// name option's caption needs the room with the fonts used here.
constexpr int kOptionWidth = 432;
constexpr int kGroupWidth = 466;

QCheckBox* makeCheck(QWidget* parent, const char* name, int x, int y) {
    auto* c = new QCheckBox(parent);
    place(c, name, x, y, kOptionWidth, 17);
    return c;
}

QRadioButton* makeRadio(QWidget* parent, const char* name, int x, int y) {
    auto* r = new QRadioButton(parent);
    place(r, name, x, y, kOptionWidth, 17);
    return r;
}

QPushButton* makeButton(QWidget* parent, const char* name, int x, int y, int w = 140, int h = 25) {
    auto* b = new QPushButton(parent);
    place(b, name, x, y, w, h);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeText(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* l = new QLabel(parent);
    place(l, name, x, y, w, h);
    return l;
}

pictures::PictureLabel* makePicture(QWidget* parent, const char* name, const char* resource, int x,
                                    int y, int w, int h) {
    auto* p = new pictures::PictureLabel(parent, QString::fromLatin1(resource));
    place(p, name, x, y, w, h);
    return p;
}

// Link texts: blue, underlined, with a hand cursor.
void makeLink(QLabel* label) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(pal);
    QFont f = label->font();
    f.setUnderline(true);
    label->setFont(f);
    label->setCursor(Qt::PointingHandCursor);
}

// A clickable area over a page picture.
QLabel* makeArea(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* a = makeText(parent, name, x, y, w, h);
    a->setCursor(Qt::PointingHandCursor);
    return a;
}

void setBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

// "Tarnwick 2.40" -> "T a r n w i c k   2 . 4 0"
QString spacedOut(const QString& text) {
    QStringList words = text.split(' ', Qt::SkipEmptyParts);
    for (QString& word : words) {
        QStringList chars;
        for (QChar c : word) chars << QString(c);
        word = chars.join(' ');
    }
    return words.join(QStringLiteral("   "));
}

}  // namespace

TfrmConfig::TfrmConfig(QWidget* parent) : QWidget(parent) {
    accessibility::Install();
    setObjectName("frmConfig");
    ApplicationTitle = QCoreApplication::applicationName();
    if (ApplicationTitle.isEmpty()) ApplicationTitle = QStringLiteral("Tarnwick");
    ProgramPath = platform::ProgramFile();
    StartedWithArguments = QCoreApplication::arguments().size() > 1;
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    ShowWelcomeDialog = [this] { ShowWelcome(*this); };

    setWindowTitle(ApplicationTitle);
    look::UseLightLook(*this);
    setFont(fonts::LaidOut(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(513, 363);

    PageControl1 = new QTabWidget(this);
    place(PageControl1, "PageControl1", 5, 5, 502, 354);
    PageControl1->setUsesScrollButtons(false);
    // The tab bar keeps its (never shown) scroll buttons; they take no focus, so
    // that screen readers are offered no hidden buttons.
    for (QToolButton* scroll : PageControl1->tabBar()->findChildren<QToolButton*>())
        scroll->setFocusPolicy(Qt::NoFocus);
    auto addPage = [this](QWidget*& page, const char* name) {
        page = new QWidget;
        page->setObjectName(name);
        PageControl1->addTab(page, QString());
    };
    addPage(t3, "t3");
    addPage(t1, "t1");
    addPage(TabSheet1, "TabSheet1");
    addPage(TabSheet2, "TabSheet2");
    addPage(TabSheet3, "TabSheet3");
    addPage(TabSheet4, "TabSheet4");
    addPage(TabSheet5, "TabSheet5");

    buildFirstPage();
    buildOptionsPage();
    buildInterfacePage();
    buildAboutPage();
    buildAuthorPage();
    buildMorePage();
    buildHelpPage();
    applyDesignTexts();
    PageControl1->setCurrentIndex(0);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(920);
    connect(Timer1, &QTimer::timeout, this, &TfrmConfig::Timer1Timer);

    // The stay-on-top flag is tested before the settings load, so a first
    // start (whose defaults create the flag) shows a normal window and the
    // option takes effect from the next start.
    SettingsFolder = settings::SettingsFolder(toStd(ApplicationTitle));
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint;
    if (settings::Store(SettingsFolder).exists(settings::kStayTop))
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setAcceptDrops(true);

    // Placed before the load, so that a settings message opens over the window.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    Memo3Click();
    // Started after the load: a settings message must not let the start-up
    // step run before the window is shown.
    Timer1->start();
}

// ---------------------------------------------------------------- building

void TfrmConfig::buildFirstPage() {
    // The product picture is decoded at once: it is on the page shown at start,
    // and an extraction run takes it for its progress window.
    Image2 = new QLabel(t3);
    place(Image2, "Image2", 5, 9, 484, 248);
    Image2->setPixmap(pictures::Pixmap(QStringLiteral(":/pictures/product.jpg")));

    // Its own picture is the Arabic strip of the language pictures.
    LanguageImage = makePicture(t3, "LanguageImage", ":/lang/Arabic.jpg", 5, 256, 484, 60);
    LanguageImage->hide();

    Memo2 = new QTextEdit(t3);
    place(Memo2, "Memo2", 5, 256, 484, 60);
    Memo2->setReadOnly(true);
    Memo2->setFrameShape(QFrame::NoFrame);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo2->setTextInteractionFlags(Qt::NoTextInteraction);
    Memo2->setFocusPolicy(Qt::NoFocus);
    Memo2->setContextMenuPolicy(Qt::PreventContextMenu);
    Memo2->viewport()->setCursor(Qt::ArrowCursor);
    Memo2->document()->setDocumentMargin(1);
    paintWhite(Memo2);

    Button1 = makeButton(t3, "Button1", 337, 218);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // Memo2MouseUp: a release of any mouse button over the picture, the
    // instruction lines or the help illustration opens the file dialog.
    for (QObject* o : {static_cast<QObject*>(Image2), static_cast<QObject*>(LanguageImage),
                       static_cast<QObject*>(Memo2->viewport())})
        o->installEventFilter(this);
    accessibility::MakeActivatable(
        *Image2, [this] { Button1Click(); }, Button1);
}

void TfrmConfig::buildOptionsPage() {
    whiteBackdrop(t1);
    GroupBox1 = makeGroup(t1, "GroupBox1", 16, 16, kGroupWidth, 153);
    CheckBox4 = makeCheck(GroupBox1, "CheckBox4", 31, 21);
    PasswordEdit = new QLineEdit(GroupBox1);
    place(PasswordEdit, "PasswordEdit", 49, 43, 287, 21);
    CheckBox8 = makeCheck(GroupBox1, "CheckBox8", 31, 75);
    Button10 = makeButton(GroupBox1, "Button10", 49, 96);
    Button7 = makeButton(GroupBox1, "Button7", 195, 96);
    CheckBox10 = makeCheck(GroupBox1, "CheckBox10", 31, 127);
    Image23 = makePicture(GroupBox1, "Image23", ":/pictures/icon_password.png", 9, 21, 18, 18);
    Image11 = makePicture(GroupBox1, "Image11", ":/pictures/icon_passlist.png", 9, 75, 18, 18);
    Image25 = makePicture(GroupBox1, "Image25", ":/pictures/icon_archivename.png", 9, 127, 18, 18);

    GroupBox2 = makeGroup(t1, "GroupBox2", 16, 176, kGroupWidth, 131);
    RadioButton1 = makeRadio(GroupBox2, "RadioButton1", 31, 21);
    RadioButton2 = makeRadio(GroupBox2, "RadioButton2", 31, 42);
    StaticText13 = makeText(GroupBox2, "StaticText13", 49, 63, 386, 15);
    Button4 = makeButton(GroupBox2, "Button4", 301, 55);
    CheckBox3 = makeCheck(GroupBox2, "CheckBox3", 31, 84);
    CheckBox11 = makeCheck(GroupBox2, "CheckBox11", 31, 105);
    Image17 = makePicture(GroupBox2, "Image17", ":/pictures/icon_samefolder.png", 9, 21, 18, 18);
    Image19 = makePicture(GroupBox2, "Image19", ":/pictures/icon_outputfolder.png", 9, 42, 18, 18);
    Image18 = makePicture(GroupBox2, "Image18", ":/pictures/icon_subfolder.png", 9, 84, 18, 18);
    Image16 = makePicture(GroupBox2, "Image16", ":/pictures/icon_openfolder.png", 9, 105, 18, 18);

    connect(CheckBox4, &QCheckBox::toggled, this, [this] { CheckBox4Click(); });
    connect(PasswordEdit, &QLineEdit::textChanged, this, [this] { PasswordEditChange(); });
    connect(CheckBox8, &QCheckBox::toggled, this, [this] { CheckBox8Click(); });
    connect(CheckBox10, &QCheckBox::toggled, this, [this] { CheckBox10Click(); });
    connect(CheckBox3, &QCheckBox::toggled, this, [this] { CheckBox3Click(); });
    connect(CheckBox11, &QCheckBox::toggled, this, [this] { CheckBox11Click(); });
    // A radio button's handler runs when it becomes selected, not when a
    // sibling takes the selection from it.
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButton1Click();
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) RadioButton2Click();
    });
    connect(Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
    connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { StaticText13Click(); });
    onClick(StaticText13, [this] { StaticText13Click(); });
    onClick(
        Image23, [this] { Image23Click(); }, CheckBox4);
    onClick(
        Image11, [this] { Image11Click(); }, CheckBox8);
    onClick(
        Image25, [this] { Image25Click(); }, CheckBox10);
    onClick(
        Image17, [this] { Image17Click(); }, RadioButton1);
    onClick(
        Image19, [this] { Image19Click(); }, RadioButton2);
    onClick(
        Image18, [this] { Image18Click(); }, CheckBox3);
    onClick(
        Image16, [this] { Image16Click(); }, CheckBox11);
}

void TfrmConfig::buildInterfacePage() {
    whiteBackdrop(TabSheet1);
    GroupBox3 = makeGroup(TabSheet1, "GroupBox3", 16, 16, kGroupWidth, 174);
    CheckBox5 = makeCheck(GroupBox3, "CheckBox5", 31, 21);
    LanguageCombo = new QComboBox(GroupBox3);
    place(LanguageCombo, "LanguageCombo", 49, 43, 287, 21);
    languages::FillList(*LanguageCombo);
    // No caption is shown for the list; this hidden one tells screen readers
    // what the list chooses.
    auto* languageLabel = makeText(GroupBox3, "LanguageLabel", 49, 43, 287, 21);
    languageLabel->setBuddy(LanguageCombo);
    languageLabel->hide();
    CheckBox12 = makeCheck(GroupBox3, "CheckBox12", 31, 127);
    CheckBox2 = makeCheck(GroupBox3, "CheckBox2", 31, 148);
    Image26 = makePicture(GroupBox3, "Image26", ":/pictures/icon_language.png", 9, 21, 18, 18);
    Image29 = makePicture(GroupBox3, "Image29", ":/pictures/icon_staytop.png", 9, 127, 18, 18);
    Image21 = makePicture(GroupBox3, "Image21", ":/pictures/icon_button.png", 9, 148, 18, 18);

    GroupBox4 = makeGroup(TabSheet1, "GroupBox4", 16, 197, kGroupWidth, 110);
    CheckBox1 = makeCheck(GroupBox4, "CheckBox1", 31, 21);
    CheckBox7 = makeCheck(GroupBox4, "CheckBox7", 31, 42);
    CheckBox13 = makeCheck(GroupBox4, "CheckBox13", 31, 63);
    CheckBox9 = makeCheck(GroupBox4, "CheckBox9", 31, 84);
    Image28 = makePicture(GroupBox4, "Image28", ":/pictures/icon_welcome.png", 9, 21, 18, 18);
    Image20 = makePicture(GroupBox4, "Image20", ":/pictures/icon_filedialog.png", 9, 42, 18, 18);
    Image30 = makePicture(GroupBox4, "Image30", ":/pictures/icon_overwrite.png", 9, 63, 18, 18);
    Image22 = makePicture(GroupBox4, "Image22", ":/pictures/icon_wizard.png", 9, 84, 18, 18);

    connect(CheckBox5, &QCheckBox::toggled, this, [this] { CheckBox5Click(CheckBox5); });
    // activated: only a user's choice; selecting from the program raises nothing.
    connect(LanguageCombo, &QComboBox::activated, this,
            [this] { LanguageComboChange(LanguageCombo); });
    connect(CheckBox12, &QCheckBox::toggled, this, [this] { CheckBox12Click(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(CheckBox7, &QCheckBox::toggled, this, [this] { CheckBox7Click(); });
    connect(CheckBox13, &QCheckBox::toggled, this, [this] { CheckBox13Click(); });
    connect(CheckBox9, &QCheckBox::toggled, this, [this] { CheckBox9Click(); });
    onClick(
        Image26, [this] { Image26Click(); }, CheckBox5);
    onClick(
        Image29, [this] { Image29Click(); }, CheckBox12);
    onClick(
        Image21, [this] { Image21Click(); }, CheckBox2);
    onClick(
        Image28, [this] { Image28Click(); }, CheckBox1);
    onClick(
        Image20, [this] { Image20Click(); }, CheckBox7);
    onClick(
        Image30, [this] { Image30Click(); }, CheckBox13);
    onClick(
        Image22, [this] { Image22Click(); }, CheckBox9);
}

void TfrmConfig::buildAboutPage() {
    whiteBackdrop(TabSheet2);
    Image10 = makePicture(TabSheet2, "Image10", ":/pictures/about_emblem.jpg", 24, 28, 80, 80);
    Image14 = makePicture(TabSheet2, "Image14", ":/pictures/about_badge.jpg", 24, 124, 80, 80);
    Image10->setCursor(Qt::PointingHandCursor);
    Image14->setCursor(Qt::PointingHandCursor);
    StaticText2 = makeText(TabSheet2, "StaticText2", 124, 28, 340, 20);
    setBold(StaticText2);
    makeLink(StaticText2);
    StaticText5 = makeText(TabSheet2, "StaticText5", 124, 52, 340, 16);
    makeLink(StaticText5);
    Memo1 = new QTextEdit(TabSheet2);
    place(Memo1, "Memo1", 124, 78, 350, 176);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setTextInteractionFlags(Qt::NoTextInteraction);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setContextMenuPolicy(Qt::PreventContextMenu);
    paintWhite(Memo1);
    Memo1->setPlainText(
        QStringLiteral("F r e e w a r e\n\n"
                       "Program: Ostrel\n"
                       "Main picture: drawn by Ostrel\n"
                       "Icons: Ostrel's own icon set\n"
                       "Extraction engine: Ostrel\n"
                       "Archive component: Ostrel\n"
                       "Decompression library: UnRAR by Alexander Roshal\n"
                       "Installer: Ostrel"));
    QTextCursor all(Memo1->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);

    Button17 = makeButton(TabSheet2, "Button17", 30, 272);
    Button17->setDefault(true);
    Button2 = makeButton(TabSheet2, "Button2", 177, 272);
    Button19 = makeButton(TabSheet2, "Button19", 324, 272);

    onClick(StaticText2, [this] { StaticText2Click(); });
    // The two pictures beside the product's name open the same page for the mouse.
    onClick(
        Image10, [this] { StaticText2Click(); }, StaticText2);
    onClick(
        Image14, [this] { StaticText2Click(); }, StaticText2);
    onClick(StaticText5, [this] { StaticText5Click(); });
    connect(Button17, &QPushButton::clicked, this, [this] { Button17Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button19, &QPushButton::clicked, this, [this] { Button19Click(); });
}

void TfrmConfig::buildAuthorPage() {
    whiteBackdrop(TabSheet3);
    // The page pictures sit inside the backdrop's frame, which shows all round.
    Image12 = makePicture(TabSheet3, "Image12", ":/pictures/author_de.jpg", 5, 9, 484, 268);
    Image31 = makePicture(TabSheet3, "Image31", ":/pictures/author_en.jpg", 5, 9, 484, 268);
    Image12->hide();
    // Picture areas over the three panels of the page picture.
    Image5 = makeArea(TabSheet3, "Image5", 12, 56, 150, 214);
    Image1 = makeArea(TabSheet3, "Image1", 170, 56, 150, 214);
    Image3 = makeArea(TabSheet3, "Image3", 328, 56, 150, 214);
    Button3 = makeButton(TabSheet3, "Button3", 17, 284);
    Button9 = makeButton(TabSheet3, "Button9", 175, 284);
    Button6 = makeButton(TabSheet3, "Button6", 333, 284);

    onClick(Image12, [this] { Image12Click(); });
    onClick(Image31, [this] { Image12Click(); });
    onClick(
        Image5, [this] { Image4Click(); }, Button3);
    onClick(
        Image1, [this] { Image5Click(); }, Button9);
    onClick(
        Image3, [this] { Image3Click(); }, Button6);
    connect(Button3, &QPushButton::clicked, this, [this] { Image4Click(); });
    connect(Button9, &QPushButton::clicked, this, [this] { Image5Click(); });
    connect(Button6, &QPushButton::clicked, this, [this] { Image3Click(); });
}

void TfrmConfig::buildMorePage() {
    whiteBackdrop(TabSheet4);
    Image4 = makePicture(TabSheet4, "Image4", ":/pictures/more_de.jpg", 5, 9, 484, 268);
    Image6 = makePicture(TabSheet4, "Image6", ":/pictures/more_en.jpg", 5, 9, 484, 268);
    Image4->hide();
    Image8 = makeArea(TabSheet4, "Image8", 12, 56, 150, 214);
    Image9 = makeArea(TabSheet4, "Image9", 170, 56, 150, 214);
    Image7 = makeArea(TabSheet4, "Image7", 328, 56, 150, 214);
    Button5 = makeButton(TabSheet4, "Button5", 17, 284);
    Button11 = makeButton(TabSheet4, "Button11", 175, 284);
    Button8 = makeButton(TabSheet4, "Button8", 333, 284);

    onClick(
        Image8, [this] { Image1Click(); }, Button5);
    onClick(
        Image9, [this] { Image6Click(); }, Button11);
    onClick(
        Image7, [this] { Image7Click(); }, Button8);
    connect(Button5, &QPushButton::clicked, this, [this] { Image1Click(); });
    connect(Button11, &QPushButton::clicked, this, [this] { Image6Click(); });
    connect(Button8, &QPushButton::clicked, this, [this] { Image7Click(); });
}

void TfrmConfig::buildHelpPage() {
    whiteBackdrop(TabSheet5);
    StaticText1 = makeText(TabSheet5, "StaticText1", 15, 14, 463, 17);
    setBold(StaticText1);
    StaticText3 = makeText(TabSheet5, "StaticText3", 15, 33, 463, 17);
    Image24 = makePicture(TabSheet5, "Image24", ":/pictures/help.jpg", 15, 55, 463, 141);
    // The first caption may reach a little past the picture's left edge: the
    // Spanish one needs it.
    StaticText6 = makeText(TabSheet5, "StaticText6", 7, 200, 163, 17);
    StaticText7 = makeText(TabSheet5, "StaticText7", 173, 200, 147, 17);
    StaticText8 = makeText(TabSheet5, "StaticText8", 331, 200, 147, 17);
    for (QLabel* l : {StaticText6, StaticText7, StaticText8}) {
        setBold(l);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    StaticText4 = makeText(TabSheet5, "StaticText4", 15, 228, 463, 17);
    StaticText9 = makeText(TabSheet5, "StaticText9", 15, 248, 463, 17);
    makeLink(StaticText4);
    makeLink(StaticText9);
    Button12 = makeButton(TabSheet5, "Button12", 15, 278);
    Button12->setDefault(true);
    Button13 = makeButton(TabSheet5, "Button13", 176, 278);
    Button14 = makeButton(TabSheet5, "Button14", 338, 278);

    for (QObject* o : {static_cast<QObject*>(Image24), static_cast<QObject*>(StaticText3),
                       static_cast<QObject*>(StaticText6), static_cast<QObject*>(StaticText7)})
        o->installEventFilter(this);
    accessibility::MakeActivatable(
        *Image24, [this] { Button1Click(); }, Button1);
    onClick(StaticText4, [this] { Button12Click(); });
    onClick(StaticText9, [this] { Button14Click(); });
    connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
    connect(Button13, &QPushButton::clicked, this, [this] { StaticText2Click(); });
    connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
}

// The texts the window is designed with, shown until a language is applied:
// the English base, with a few rows worded differently, and the texts no
// language changes.
void TfrmConfig::applyDesignTexts() {
    ApplyEnglishTexts();
    PageControl1->setTabText(PageControl1->indexOf(t3), ApplicationTitle);
    SetInstructionLines({
        QStringLiteral("To unrar a file choose one of the three following methods:"),
        QStringLiteral("--> Drag 'n' drop the compressed file on the picture above"),
        QStringLiteral(
            "--> Right-click the compressed file and choose 'Extract!' in the context menu"),
        QStringLiteral("--> Double-click the compressed file"),
    });
    StaticText3->setText(
        QStringLiteral("--> Click \"Unrar...\", select your RAR file and enjoy..."));
    StaticText6->setText(QStringLiteral("1. Click \"Unrar...\""));
    Button6->setText(QStringLiteral("Free Wallpapers..."));
    Button8->setText(QStringLiteral("More Projects..."));

    Button1->setText(QStringLiteral("Unrar..."));
    StaticText2->setText(
        spacedOut(ApplicationTitle + QStringLiteral(" ") + QStringLiteral(TARNWICK_VERSION)));
    // Read as words, not letter by letter.
    StaticText2->setAccessibleName(ApplicationTitle + QStringLiteral(" ") +
                                   QStringLiteral(TARNWICK_VERSION));
    StaticText5->setText(QStringLiteral("Ostrel"));
    Button13->setText(QStringLiteral("Website..."));
    Button14->setText(QStringLiteral("Video..."));
}

void TfrmConfig::ApplyEnglishTexts() {
    SetInstructionLines({
        QStringLiteral("To unrar a file choose one of the three following methods:"),
        QStringLiteral("--> Drag 'n' drop the compressed file on the picture above"),
        QStringLiteral(
            "--> Right-click the compressed file and choose \"Extract!\" in the context menu"),
        QStringLiteral("--> Double-click the compressed file"),
    });
    PageControl1->setTabText(PageControl1->indexOf(t1), QStringLiteral("Options"));
    GroupBox1->setTitle(QStringLiteral(" Password Protected Files  "));
    CheckBox4->setText(QStringLiteral("Try to open encrypted files with default password"));
    CheckBox8->setText(
        QStringLiteral("Try to open encrypted files with passwords from password list"));
    Button10->setText(QStringLiteral("Edit list..."));
    Button7->setText(QStringLiteral("Choose list..."));
    CheckBox10->setText(QStringLiteral(
        "Try to open files with archive name as password (e.g. FreeHug7.rar --> FreeHug7)"));
    GroupBox2->setTitle(QStringLiteral(" Output Folder  "));
    RadioButton1->setText(
        QStringLiteral("Extract files to the same folder that the RAR file is located in"));
    RadioButton2->setText(QStringLiteral("Extract files to the default output folder"));
    Button4->setText(QStringLiteral("Browse..."));
    CheckBox3->setText(QStringLiteral("Create new subfolder for each archive"));
    CheckBox11->setText(QStringLiteral("Show output folder after extracting"));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet1), QStringLiteral("Interface"));
    GroupBox3->setTitle(QStringLiteral(" General  "));
    CheckBox5->setText(QStringLiteral("Detect language automatically"));
    CheckBox12->setText(QStringLiteral("Show main window always on top at next program start-up"));
    CheckBox2->setText(
        QStringLiteral("Show \"Unrar...\" button at bottom right corner of main image"));
    GroupBox4->setTitle(QStringLiteral(" Dialogs  "));
    CheckBox1->setText(QStringLiteral("Show \"Welcome...\" dialog at next program start-up"));
    CheckBox7->setText(QStringLiteral("Show \"Unrar...\" dialog at program start-up"));
    CheckBox13->setText(
        QStringLiteral("Do not show confirmation dialog --> Always overwrite without asking"));
    CheckBox9->setText(QStringLiteral("Show wizard dialog before extracting"));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet2), QStringLiteral("About"));
    Button17->setText(QStringLiteral("Update..."));
    Button2->setText(QStringLiteral("License..."));
    Button19->setText(QStringLiteral("Donate..."));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet3), QStringLiteral("Author"));
    Button3->setText(QStringLiteral("Free Apps..."));
    Button9->setText(QStringLiteral("Free eBooks..."));
    Button6->setText(QStringLiteral("More..."));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet4), QStringLiteral("More"));
    Button5->setText(QStringLiteral("Quenfold..."));
    Button11->setText(QStringLiteral("Plimsy..."));
    Button8->setText(QStringLiteral("More..."));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet5), QStringLiteral("Help"));
    StaticText1->setText(QStringLiteral("How can I unrar my RAR file with ") + ApplicationTitle +
                         QStringLiteral("?"));
    StaticText3->setText(QStringLiteral("--> Click \"Unrar...\", select your file and enjoy..."));
    StaticText6->setText(QStringLiteral("1. Click \"Unrar..\""));
    StaticText7->setText(QStringLiteral("2. Choose file"));
    StaticText8->setText(QStringLiteral("3. Enjoy!"));
    StaticText4->setText(
        QStringLiteral("Read online FAQ with detailed answers to all other popular questions..."));
    StaticText9->setText(
        QStringLiteral("Watch a short video that demontrates other popular ways to unrar..."));
    Button12->setText(QStringLiteral("Learn more..."));

    Addresses = kEnglishPageAddresses;
    Image31->show();
    Image6->show();
    Image12->hide();
    Image4->hide();
    languages::ApplyAccessibleNames(*this, languages::DialogLanguage::English);
}

void TfrmConfig::SetInstructionLines(const QStringList& lines) {
    Memo2->setPlainText(lines.join('\n'));
    QTextCursor all(Memo2->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
}

void TfrmConfig::onClick(QWidget* widget, std::function<void()> handler, QWidget* partner) {
    // Texts are links; pictures and the areas over them act as buttons.
    const bool picture = partner || dynamic_cast<pictures::PictureLabel*>(widget);
    accessibility::MakeActivatable(*widget, handler, partner,
                                   picture ? QAccessible::Button : QAccessible::Link);
    clickHandlers_.insert(widget, std::move(handler));
    widget->installEventFilter(this);
}

// ---------------------------------------------------------------- events

bool TfrmConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (watched == Image2 || watched == LanguageImage || watched == Memo2->viewport() ||
            watched == Image24 || watched == StaticText3 || watched == StaticText6 ||
            watched == StaticText7) {
            // Memo2MouseUp: any mouse button.
            Button1Click();
            return true;
        }
        auto it = clickHandlers_.constFind(watched);
        if (it != clickHandlers_.constEnd() && widget && widget->isEnabled()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                widget->rect().contains(mouse->position().toPoint())) {
                std::function<void()> handler = *it;
                handler();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmConfig::keyPressEvent(QKeyEvent* event) {
    // The default button of the shown page answers Enter.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* page = PageControl1->currentWidget();
        QPushButton* button = page == t3          ? Button1
                              : page == TabSheet2 ? Button17
                              : page == TabSheet5 ? Button12
                                                  : nullptr;
        if (button && button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TfrmConfig::showEvent(QShowEvent* event) {
    // The focus the window opens with (the page tabs) is drawn from the start,
    // not only after the first Tab: a keyboard user sees where they are.
    setAttribute(Qt::WA_KeyboardFocusChange);
    QWidget::showEvent(event);
}

namespace {
QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}
}  // namespace

namespace {
// A light wash and an amber frame over the product picture.
class DropHighlight : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(240, 170, 50), 4));
        p.setBrush(QColor(255, 255, 255, 56));
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 8, 8);
    }
};
}  // namespace

void TfrmConfig::showDropHighlight(bool on) {
    if (!dropHighlight_) {
        if (!on || !Image2) return;
        dropHighlight_ = new DropHighlight(Image2->parentWidget());
        dropHighlight_->setObjectName(QStringLiteral("DropHighlight"));
        dropHighlight_->setAttribute(Qt::WA_TransparentForMouseEvents);
        dropHighlight_->setGeometry(Image2->geometry());
        if (Button1) dropHighlight_->stackUnder(Button1);
    }
    dropHighlight_->setVisible(on);
}

void TfrmConfig::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return;
    event->acceptProposedAction();
    showDropHighlight(true);
}

void TfrmConfig::dragLeaveEvent(QDragLeaveEvent* event) {
    showDropHighlight(false);
    QWidget::dragLeaveEvent(event);
}

void TfrmConfig::dropEvent(QDropEvent* event) {
    showDropHighlight(false);
    QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // Unpacking waits for each run to end; the drop itself must finish first
    // so the program the files came from is not kept waiting.
    QTimer::singleShot(0, this, [this, files] { WMDropFiles(files); });
}

// ---------------------------------------------------------------- settings load

std::string TfrmConfig::desktopFolder() const {
    std::string desktop = platform::DesktopFolder();
    return desktop.empty() ? std::string("No Desktop Folder found.") : desktop;
}

void TfrmConfig::reportWriteFailure() {
    if (loading_)
        writeFailedDuringLoad_ = true;
    else
        dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
}

void TfrmConfig::storeFlag(const char* name, bool on) {
    // The load sets each box from its file: storing it back would change nothing
    // and could undo another process's change made meanwhile.
    if (loading_) return;
    if (!settings::Store(SettingsFolder).setFlag(name, on)) reportWriteFailure();
}

void TfrmConfig::showFolder(const std::string& folder) {
    shownFolder_ = folder;
    StaticText13->setText(fromStd(folder));
    StaticText13->setToolTip(StaticText13->text());
}

void TfrmConfig::Memo3Click() {
    loading_ = true;
    writeFailedDuringLoad_ = false;

    SettingsFolder = settings::SettingsFolder(toStd(ApplicationTitle));
    settings::Store store(SettingsFolder);
    if (!store.folderExists())
        store.createDefaults();
    else
        store.keepPrivate();

    auto readValue = [&](const char* name) -> std::optional<std::string> {
        std::optional<std::string> value = store.readValue(name);
        if (!value) dialogs::ShowStoreMessage(this, settings::kFileNotRead);
        return value;
    };

    // Password pair. The box gets its text before the option is set, so a
    // change of the option stores the password just read, never the box's
    // previous text (which would lose "password.txt").
    // When a password file cannot be read the box shows less than is stored;
    // the pair is then left as it is rather than rewritten from the box.
    std::string password;
    bool passwordReadFailed = false;
    if (store.exists(settings::kPassword)) {
        if (auto v = readValue(settings::kPassword))
            password = *v;
        else
            passwordReadFailed = true;
    }
    if (store.exists(settings::kSilent)) {
        if (auto v = readValue(settings::kSilent))
            password = *v;
        else
            passwordReadFailed = true;
    }
    skipPasswordStore_ = passwordReadFailed;
    shownPassword_ = password;
    const QString passwordText = fromStd(password);
    const bool textChanged = PasswordEdit->text() != passwordText;
    const bool silentOn = store.exists(settings::kSilent);
    const bool optionChanged = CheckBox4->isChecked() != silentOn;
    {
        QSignalBlocker block(PasswordEdit);
        PasswordEdit->setText(passwordText);
    }
    CheckBox4->setChecked(silentOn);
    if (textChanged && !optionChanged) PasswordEditChange();
    PasswordEdit->setEnabled(CheckBox4->isChecked());
    skipPasswordStore_ = false;

    CheckBox8->setChecked(store.exists(settings::kTryList));
    Button10->setEnabled(CheckBox8->isChecked());
    Button7->setEnabled(CheckBox8->isChecked());
    if (store.exists(settings::kListName)) {
        if (auto v = readValue(settings::kListName)) Button10->setToolTip(fromStd(*v));
    }

    CheckBox10->setChecked(store.exists(settings::kTryName));

    if (!store.exists(settings::kFolder)) {
        showFolder(desktopFolder());
        RadioButton1->setChecked(true);
    } else {
        if (auto v = readValue(settings::kFolder)) {
            loadedFolder_ = *v;
            showFolder(platform::DirectoryExists(*v) ? *v : desktopFolder());
        } else {
            // The shown folder is not the stored one: selecting the option must
            // not overwrite the file with it.
            skipFolderStore_ = true;
        }
        RadioButton2->setChecked(true);
        skipFolderStore_ = false;
        loadedFolder_.reset();
    }

    CheckBox3->setChecked(store.exists(settings::kSubDir));
    CheckBox11->setChecked(store.exists(settings::kOpenDir));

    if (store.exists(settings::kAutoLang)) {
        CheckBox5->setChecked(true);
    } else {
        CheckBox5->setChecked(false);
        if (store.exists(settings::kLanguage)) {
            std::string text = "1033";
            if (auto v = readValue(settings::kLanguage)) text = *v;
            // Anything but a decimal number counts as English.
            bool ok = false;
            int code = fromStd(text).trimmed().toInt(&ok, 10);
            InterfaceLanguage = ok ? code : 1033;
            Memo3DblClick(LanguageCombo);
        }
    }
    LanguageCombo->setEnabled(!CheckBox5->isChecked());

    CheckBox12->setChecked(store.exists(settings::kStayTop));
    CheckBox1->setChecked(store.exists(settings::kFirstRun));
    CheckBox2->setChecked(store.exists(settings::kButton));
    Button1->setVisible(CheckBox2->isChecked());
    CheckBox13->setChecked(store.exists(settings::kReplace));
    CheckBox9->setChecked(store.exists(settings::kWizard));

    loading_ = false;
    if (std::exchange(writeFailedDuringLoad_, false))
        dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
}

// ---------------------------------------------------------------- language

void TfrmConfig::Memo3DblClick(QObject* sender) { languages::Apply(*this, sender); }

void TfrmConfig::CheckBox5Click(QObject* sender) {
    const bool on = CheckBox5->isChecked();
    storeFlag(settings::kAutoLang, on);
    if (on) Memo3DblClick(sender);
    LanguageCombo->setEnabled(!on);
}

void TfrmConfig::LanguageComboChange(QObject* sender) {
    settings::Store store(SettingsFolder);
    if (store.exists(settings::kAutoLang)) return;
    const int index = LanguageCombo->currentIndex();
    if (index < 0 || index >= languages::kLanguageCount) return;
    InterfaceLanguage = languages::Table()[static_cast<std::size_t>(index)].code;
    if (!store.writeValue(settings::kLanguage, std::to_string(InterfaceLanguage)))
        reportWriteFailure();
    Memo3DblClick(sender);
}

// ---------------------------------------------------------------- option handlers

void TfrmConfig::PasswordEditChange() {
    if (skipPasswordStore_) return;
    // The box shows the stored bytes as text; while it still shows them, they
    // are stored as they were, whatever their encoding.
    const std::string text = PasswordEdit->text() == fromStd(shownPassword_)
                                 ? shownPassword_
                                 : toStd(PasswordEdit->text());
    // The load shows what is stored; only an empty password changes the files,
    // and never from the hidden main window of an extraction run.
    if (loading_ && (!text.empty() || ExtractionRun)) return;
    settings::Store store(SettingsFolder);
    bool ok;
    if (text.empty()) {
        ok = store.clearFlag(settings::kPassword);
        ok = store.clearFlag(settings::kSilent) && ok;
    } else if (CheckBox4->isChecked()) {
        ok = store.writeValue(settings::kSilent, text);
    } else {
        ok = store.writeValue(settings::kPassword, text);
        ok = store.clearFlag(settings::kSilent) && ok;
    }
    if (!ok) reportWriteFailure();
}

void TfrmConfig::CheckBox4Click() {
    PasswordEditChange();
    PasswordEdit->setEnabled(CheckBox4->isChecked());
}

void TfrmConfig::CheckBox8Click() {
    const bool on = CheckBox8->isChecked();
    storeFlag(settings::kTryList, on);
    // The hidden main window of an extraction run writes nothing the user did not change.
    if (on && !(loading_ && ExtractionRun)) {
        settings::Store store(SettingsFolder);
        bool ok = true;
        if (!store.exists(settings::kPassList)) ok = store.setFlag(settings::kPassList);
        if (!store.exists(settings::kListName))
            ok = store.writeValue(settings::kListName, store.path(settings::kPassList)) && ok;
        if (!ok) reportWriteFailure();
    }
    Button10->setEnabled(on);
    Button7->setEnabled(on);
}

void TfrmConfig::CheckBox10Click() { storeFlag(settings::kTryName, CheckBox10->isChecked()); }
void TfrmConfig::CheckBox3Click() { storeFlag(settings::kSubDir, CheckBox3->isChecked()); }
void TfrmConfig::CheckBox11Click() { storeFlag(settings::kOpenDir, CheckBox11->isChecked()); }
void TfrmConfig::CheckBox12Click() { storeFlag(settings::kStayTop, CheckBox12->isChecked()); }
void TfrmConfig::CheckBox1Click() { storeFlag(settings::kFirstRun, CheckBox1->isChecked()); }
void TfrmConfig::CheckBox7Click() { storeFlag(settings::kDialog, CheckBox7->isChecked()); }
void TfrmConfig::CheckBox13Click() { storeFlag(settings::kReplace, CheckBox13->isChecked()); }
void TfrmConfig::CheckBox9Click() { storeFlag(settings::kWizard, CheckBox9->isChecked()); }

void TfrmConfig::CheckBox2Click() {
    storeFlag(settings::kButton, CheckBox2->isChecked());
    Button1->setVisible(CheckBox2->isChecked());
}

void TfrmConfig::RadioButton1Click() {
    if (RadioButton1->isChecked()) storeFlag(settings::kFolder, false);
    StaticText13->setEnabled(RadioButton2->isChecked());
    Button4->setEnabled(RadioButton2->isChecked());
}

void TfrmConfig::RadioButton2Click() {
    // The load stores the folder only when it shows another one (the stored
    // folder has gone), and not in an extraction run, whose own folder rule
    // falls back the same way; the bytes shown are stored as they are.
    if (RadioButton2->isChecked() && !skipFolderStore_ &&
        !(loading_ && (ExtractionRun || loadedFolder_ == shownFolder_))) {
        if (!settings::Store(SettingsFolder).writeValue(settings::kFolder, shownFolder_))
            reportWriteFailure();
    }
    StaticText13->setEnabled(RadioButton2->isChecked());
    Button4->setEnabled(RadioButton2->isChecked());
}

void TfrmConfig::StaticText13Click() {
    const QString shown = StaticText13->text();
    const QString start = platform::DirectoryExists(toStd(shown)) ? shown : QString();
    const QString chosen = dialogs::GetExistingDirectory(this, QString(), start);
    if (chosen.isEmpty()) return;
    const std::string folder = QFile::encodeName(chosen).toStdString();
    if (!settings::Store(SettingsFolder).writeValue(settings::kFolder, folder))
        dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
    showFolder(folder);
}

void TfrmConfig::Button10Click() {
    settings::Store store(SettingsFolder);
    std::string list = settings::kListPlaceholder;
    if (store.exists(settings::kListName)) {
        if (auto v = store.readValue(settings::kListName)) list = *v;
    }
    if (!platform::FileExists(list)) {
        list = store.path(settings::kPassList);
        store.writeValue(settings::kListName, list);
    }
    Button10->setToolTip(fromStd(list));
    OpenUrl(QUrl::fromLocalFile(fromStd(list)));
}

void TfrmConfig::Button7Click() {
    const QString chosen = dialogs::GetOpenFileName(this, QString(), QString(),
                                                    QStringLiteral("password list files (*.txt)"));
    if (chosen.isEmpty()) return;
    const bool textFile = chosen.right(4).toLower() == QLatin1String(".txt") ||
                          chosen.toLower() == QLatin1String("txt");
    if (!textFile || !platform::FileExists(toStd(chosen))) return;
    if (!settings::Store(SettingsFolder).writeValue(settings::kListName, toStd(chosen)))
        dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
    Button10->setToolTip(chosen);
}

// Option icons: a toggle icon inverts its box (which runs the box's handler)
// and runs the handler once more; the radio icons select their button and run
// its handler even when it was selected already.
void TfrmConfig::Image23Click() {
    CheckBox4->setChecked(!CheckBox4->isChecked());
    CheckBox4Click();
}
void TfrmConfig::Image11Click() {
    CheckBox8->setChecked(!CheckBox8->isChecked());
    CheckBox8Click();
}
void TfrmConfig::Image25Click() {
    CheckBox10->setChecked(!CheckBox10->isChecked());
    CheckBox10Click();
}
void TfrmConfig::Image17Click() {
    RadioButton1->setChecked(true);
    RadioButton1Click();
}
void TfrmConfig::Image19Click() {
    RadioButton2->setChecked(true);
    RadioButton2Click();
}
void TfrmConfig::Image18Click() {
    CheckBox3->setChecked(!CheckBox3->isChecked());
    CheckBox3Click();
}
void TfrmConfig::Image16Click() {
    CheckBox11->setChecked(!CheckBox11->isChecked());
    CheckBox11Click();
}
void TfrmConfig::Image26Click() {
    CheckBox5->setChecked(!CheckBox5->isChecked());
    CheckBox5Click(Image26);
}
void TfrmConfig::Image29Click() {
    CheckBox12->setChecked(!CheckBox12->isChecked());
    CheckBox12Click();
}
void TfrmConfig::Image21Click() {
    CheckBox2->setChecked(!CheckBox2->isChecked());
    CheckBox2Click();
}
void TfrmConfig::Image28Click() {
    CheckBox1->setChecked(!CheckBox1->isChecked());
    CheckBox1Click();
}
void TfrmConfig::Image20Click() {
    CheckBox7->setChecked(!CheckBox7->isChecked());
    CheckBox7Click();
}
void TfrmConfig::Image30Click() {
    CheckBox13->setChecked(!CheckBox13->isChecked());
    CheckBox13Click();
}
void TfrmConfig::Image22Click() {
    CheckBox9->setChecked(!CheckBox9->isChecked());
    CheckBox9Click();
}

// ---------------------------------------------------------------- links

void TfrmConfig::StaticText2Click() { OpenUrl(QUrl(Addresses.product)); }
void TfrmConfig::StaticText5Click() { OpenUrl(QUrl(Addresses.home)); }
void TfrmConfig::Image12Click() { OpenUrl(QUrl(Addresses.home)); }
void TfrmConfig::Button17Click() { OpenUrl(QUrl(Addresses.update)); }
void TfrmConfig::Button19Click() { OpenUrl(QUrl(Addresses.donate)); }
void TfrmConfig::Button2Click() {
    OpenUrl(QUrl::fromLocalFile(fromStd(platform::ExtractFilePath(ProgramPath))));
}
void TfrmConfig::Image4Click() { OpenUrl(QUrl(Addresses.apps)); }
void TfrmConfig::Image5Click() { OpenUrl(QUrl(Addresses.books)); }
void TfrmConfig::Image3Click() { OpenUrl(QUrl(Addresses.projects)); }
void TfrmConfig::Image7Click() { OpenUrl(QUrl(Addresses.projects)); }
void TfrmConfig::Image1Click() { OpenUrl(QUrl(Addresses.project1)); }
void TfrmConfig::Image6Click() { OpenUrl(QUrl(Addresses.project2)); }
void TfrmConfig::Button12Click() { OpenUrl(QUrl(Addresses.faq)); }
void TfrmConfig::Button14Click() { OpenUrl(QUrl(QString::fromLatin1(kVideoAddress))); }

// ---------------------------------------------------------------- starting runs

void TfrmConfig::Timer1Timer() {
    Timer1->stop();
    if (StartedWithArguments) return;
    settings::Store store(SettingsFolder);
    if (store.exists(settings::kFirstRun) && ShowWelcomeDialog) {
        ShowWelcomeDialog();
        // The dialog may have deleted the flag; the option shows what is left.
        const QSignalBlocker quiet(CheckBox1);
        CheckBox1->setChecked(store.exists(settings::kFirstRun));
    }
    if (store.exists(settings::kDialog)) {
        CheckBox7->setChecked(true);
        Button1Click();
    }
}

void TfrmConfig::Button1Click() {
    if (busy_) return;  // a batch is already under way
    const QStringList files = dialogs::GetOpenFileNames(
        this, QString(), QString(), QStringLiteral("rar compressed files (*.rar)"));
    if (files.isEmpty()) return;
    busy_ = true;
    hide();
    for (const QString& file : files) StartExtractionAndWait(file, kDialogWaitMs);
    Memo3Click();
    busy_ = false;
    show();
    raise();
    activateWindow();
}

void TfrmConfig::WMDropFiles(const QStringList& paths) {
    if (busy_) return;
    busy_ = true;
    hide();
    for (const QString& path : paths) {
        const QString name = QFileInfo(path).fileName();
        const QString ending = name.right(4).toLower();
        bool ignored = ending.isEmpty();
        for (const char* picture : kIgnoredDropEndings)
            if (ending == QLatin1String(picture)) ignored = true;
        if (!ignored) StartExtractionAndWait(path, kDropWaitMs);
    }
    Memo3Click();
    busy_ = false;
    show();
    raise();
    activateWindow();
}

namespace {
// Lets the window's events run for `ms` milliseconds.
void pumpFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

void TfrmConfig::StartExtractionAndWait(const QString& archivePath, int intervalMs) {
    // A failed start is not reported: no progress window appears, so the wait
    // ends after one interval and the next archive follows.
    platform::StartDetached(ProgramPath, {toStd(QFileInfo(archivePath).absoluteFilePath())});
    pumpFor(intervalMs);
    while (platform::AnyProgressWindowExists()) pumpFor(intervalMs);
}
