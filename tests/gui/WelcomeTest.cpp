// The welcome dialog: its texts per language, and what OK, the title-bar
// close and a click on the picture do with "firstrun.txt".

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "settings/Settings.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "ui/About.h"
#include "ui/Dialogs.h"
#include "ui/Welcome.h"

using testing_support::TempDir;

namespace {

class WelcomeTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = dir.path() + "/";
        settings::Store(folder).setFlag(settings::kFirstRun);
    }
    bool FirstRun() const { return settings::Store(folder).exists(settings::kFirstRun); }
    std::unique_ptr<TWelcomeForm> Make(std::int32_t language = 0) {
        return std::make_unique<TWelcomeForm>(language, folder, [this](QObject* sender) {
            unrarSender = sender;
            unrarSawVisible = form->isVisible();
            unrarSawFirstRun = FirstRun();
        });
    }

    TempDir dir;
    std::string folder;
    std::unique_ptr<TWelcomeForm> form;
    QObject* unrarSender = nullptr;
    bool unrarSawVisible = true, unrarSawFirstRun = true;
};

TEST_F(WelcomeTest, OkWithTheBoxClearShowsItOnlyOnce) {
    form = Make();
    form->show();
    QSignalSpy finished(form.get(), &QDialog::finished);
    form->OKButton->click();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(FirstRun());
    EXPECT_EQ(unrarSender, nullptr);
}

TEST_F(WelcomeTest, OkWithTheBoxTickedKeepsIt) {
    form = Make();
    form->show();
    EXPECT_FALSE(form->CheckBox9->isChecked());
    form->CheckBox9->setChecked(true);
    form->OKButton->click();
    EXPECT_TRUE(FirstRun());
}

TEST_F(WelcomeTest, TitleBarCloseDeletesNothing) {
    form = Make();
    form->show();
    QSignalSpy finished(form.get(), &QDialog::finished);
    form->close();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(FirstRun());
}

TEST_F(WelcomeTest, PictureAndStepCaptionsStartTheUnrarDialog) {
    for (const char* name : {"Image24", "StaticText3", "StaticText6", "StaticText7"}) {
        settings::Store(folder).setFlag(settings::kFirstRun);
        form = Make();
        form->show();
        QSignalSpy finished(form.get(), &QDialog::finished);
        auto* control = form->findChild<QLabel*>(name);
        ASSERT_NE(control, nullptr) << name;
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        EXPECT_EQ(unrarSender, control) << name;
        EXPECT_FALSE(unrarSawVisible) << name << ": hidden before the file dialog";
        EXPECT_FALSE(unrarSawFirstRun) << name << ": flag deleted before the file dialog";
        EXPECT_EQ(finished.count(), 1) << name << ": closed after it";
        unrarSender = nullptr;
    }
    // The third caption and the header react to nothing; a ticked box keeps the flag.
    settings::Store(folder).setFlag(settings::kFirstRun);
    form = Make();
    form->show();
    for (const char* name : {"StaticText8", "Label2", "Label4", "StaticText1"}) {
        auto* control = form->findChild<QLabel*>(name);
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }
    EXPECT_EQ(unrarSender, nullptr);
    EXPECT_TRUE(form->isVisible());
    form->CheckBox9->setChecked(true);
    QTest::mouseClick(form->Image24, Qt::LeftButton, {}, form->Image24->rect().center());
    EXPECT_TRUE(unrarSawFirstRun);
    EXPECT_TRUE(FirstRun());
}

TEST_F(WelcomeTest, ReleaseOutsideThePictureStartsNothing) {
    // Pressed on the picture, then dragged off it: the release still goes to
    // the picture, at a point outside it, and is no click.
    form = Make();
    form->show();
    QLabel* picture = form->Image24;
    const QPoint outside[] = {QPoint(-3, 5), QPoint(picture->width() + 3, 5),
                              QPoint(5, picture->height() + 3)};
    for (const QPoint& at : outside) {
        QTest::mousePress(picture, Qt::LeftButton, {}, picture->rect().center());
        QTest::mouseRelease(picture, Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(unrarSender, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(FirstRun());
}

TEST_F(WelcomeTest, ModalRunEndsAfterThePictureClick) {
    form = Make();
    QTimer clicker, closer;  // local: nothing fires in a later test
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* left = QApplication::activeModalWidget()) left->close();
    });
    clicker.setSingleShot(true);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        closer.start(0);  // never leave a modal loop behind, whatever happens
        auto* shown = qobject_cast<TWelcomeForm*>(QApplication::activeModalWidget());
        if (shown) QTest::mouseClick(shown->Image24, Qt::LeftButton, {}, QPoint(10, 10));
    });
    clicker.start(0);
    form->exec();
    EXPECT_EQ(unrarSender, form->Image24);
    EXPECT_FALSE(unrarSawVisible);
    EXPECT_FALSE(FirstRun());
}

TEST_F(WelcomeTest, TextsFollowTheDialogLanguageRule) {
    struct Case {
        std::int32_t code;
        const char* caption;
        const char* label4;
    };
    const Case cases[] = {
        {0, "Tarnwick - Welcome", "Thank you for using Tarnwick!"},
        {2070, "Tarnwick - Welcome", "Thank you for using Tarnwick!"},
        {4103, "Tarnwick - Willkommen",
         "Vielen Dank dafür, dass Sie sich für Tarnwick entschieden haben!"},
        {1069, "Tarnwick - Bienvenido", "Gracias para escojer Tarnwick!"},
        {1036, "Tarnwick - Bienvenue", "Merci d'utiliser Tarnwick!"},
    };
    for (const Case& c : cases) {
        form = Make(c.code);
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(c.caption)) << c.code;
        EXPECT_EQ(form->Label4->text(), QString::fromUtf8(c.label4)) << c.code;
    }
    form = Make(3082);
    EXPECT_EQ(form->StaticText1->text(),
              QString::fromUtf8("¿Cómo descomprimir archivos en formato RAR con Tarnwick?"));
}

// Every language's texts fit the places the dialog gives them.
TEST_F(WelcomeTest, NoTextIsClipped) {
    for (std::int32_t code : {1033, 1031, 1034, 1036}) {
        form = Make(code);
        EXPECT_EQ(form->size(), QSize(530, 338));
        for (QLabel* line : {form->Label2, form->Label4, form->StaticText1, form->StaticText3}) {
            const QRect place(line->mapTo(form.get(), QPoint(0, 0)), line->sizeHint());
            EXPECT_LE(place.right(), 530 - 8) << code << " " << line->objectName().toStdString();
        }
        EXPECT_LE(
            form->Label4->mapTo(form.get(), QPoint(0, 0)).x() + form->Label4->sizeHint().width(),
            530 - 150)
            << code << ": thank-you line runs under the logo";
        EXPECT_LE(form->CheckBox9->x() + form->CheckBox9->sizeHint().width(), form->OKButton->x())
            << code;
        // The step captions (clipped in no language: the look test) stand side
        // by side, each centred under its panel of the picture.
        int panel = 0;
        for (QLabel* caption : {form->StaticText6, form->StaticText7, form->StaticText8}) {
            const std::string name = caption->objectName().toStdString();
            EXPECT_EQ(form->StaticText6->y(), caption->y()) << name;
            EXPECT_GE(caption->y(), form->Image24->geometry().bottom()) << name;
            const int centre = form->Image24->x() + panel++ * 158 + 147 / 2;
            EXPECT_NEAR(centre, caption->geometry().center().x(), 1) << name;
        }
    }
}

// The main window's start-up timer shows the dialog on a plain start while
// "firstrun.txt" exists, in the window's language.
class WelcomeAtStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.path() + "/config"));
        qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(home.path() + "/machine"));
        folder = home.path() + "/config/Ostrel/Tarnwick/";
        settings::Store store(folder);
        store.createDefaults();  // firstrun.txt among them
        store.clearFlag(settings::kAutoLang);
        store.writeValue(settings::kLanguage, "4103");
        window = std::make_unique<TfrmConfig>();
        window->Timer1->stop();
    }
    // Runs the timer's step; `act` gets the modal dialog shown, if any, and the
    // dialog is closed afterwards whatever `act` did.
    void RunTimer(const std::function<void(QWidget*)>& act) {
        // Local timers: nothing of this step can fire in a later test.
        QTimer actor, closer;
        actor.setSingleShot(true);
        closer.setSingleShot(true);
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* left = QApplication::activeModalWidget()) left->close();
        });
        QObject::connect(&actor, &QTimer::timeout, [&] {
            closer.start(0);
            act(QApplication::activeModalWidget());
        });
        actor.start(0);
        window->Timer1Timer();
    }
    bool FirstRun() const { return settings::Store(folder).exists(settings::kFirstRun); }

    TempDir home;
    testing_support::ScopedEnv savedConfigHome{"XDG_CONFIG_HOME"},
        savedConfigDirs{"XDG_CONFIG_DIRS"};
    std::string folder;
    std::unique_ptr<TfrmConfig> window;
};

TEST_F(WelcomeAtStartTest, PlainStartShowsItOnceInTheWindowsLanguage) {
    window->StartedWithArguments = false;
    // The Interface page's option shows the flag the dialog comes from.
    EXPECT_TRUE(window->CheckBox1->isChecked());
    QString caption;
    QWidget* owner = nullptr;
    bool boxTicked = true;
    RunTimer([&](QWidget* shown) {
        auto* welcome = qobject_cast<TWelcomeForm*>(shown);
        ASSERT_NE(welcome, nullptr);
        caption = welcome->windowTitle();
        owner = welcome->parentWidget();
        boxTicked = welcome->CheckBox9->isChecked();
        welcome->OKButton->click();
    });
    EXPECT_EQ(caption, "Tarnwick - Willkommen");
    EXPECT_EQ(owner, window.get());
    EXPECT_FALSE(boxTicked) << "the dialog's own box opens clear";
    EXPECT_FALSE(FirstRun());
    EXPECT_FALSE(window->CheckBox1->isChecked());

    // The next start shows nothing.
    window = std::make_unique<TfrmConfig>();
    window->Timer1->stop();
    window->StartedWithArguments = false;
    QWidget* seen = nullptr;
    RunTimer([&](QWidget* shown) { seen = shown; });
    EXPECT_EQ(seen, nullptr);
    EXPECT_FALSE(window->CheckBox1->isChecked());
}

TEST_F(WelcomeAtStartTest, StartWithAnArchiveNeverShowsIt) {
    window->StartedWithArguments = true;
    QWidget* seen = nullptr;
    RunTimer([&](QWidget* shown) { seen = shown; });
    EXPECT_EQ(seen, nullptr);
    EXPECT_TRUE(FirstRun());
}

TEST_F(WelcomeAtStartTest, PictureClickOpensTheArchiveChooser) {
    window->StartedWithArguments = false;
    dialogs::SetNextFileNames({});  // the chooser is cancelled
    bool hiddenWhileChoosing = false;
    RunTimer([&](QWidget* shown) {
        auto* welcome = qobject_cast<TWelcomeForm*>(shown);
        ASSERT_NE(welcome, nullptr);
        QTest::mouseClick(welcome->Image24, Qt::LeftButton, {}, QPoint(5, 5));
        hiddenWhileChoosing = !welcome->isVisible();
    });
    EXPECT_TRUE(hiddenWhileChoosing);
    EXPECT_FALSE(FirstRun());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
