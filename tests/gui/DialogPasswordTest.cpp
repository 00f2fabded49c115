// The password dialog: its answer in the run's DialogPassword, the OK button's
// enabling, Enter, and the two check boxes' settings files.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <sys/stat.h>

#include "DialogFixture.h"
#include "extract/Password.h"
#include "ui/Dialogs.h"

namespace {

class PasswordDialog : public DialogTest {
protected:
    // Shows the dialog modally, lets `act` answer it, returns what exec returned.
    int Ask(const std::function<void(TPasswordForm&)>& act) {
        TPasswordForm form(*run, QStringLiteral("Secret.rar"));
        OnModal([&](QWidget*) { act(form); });
        return form.exec();
    }
};

TEST_F(PasswordDialog, OkOnlyWithAPasswordAndEnterActsAsOk) {
    run->DialogPassword = "before";
    Ask([&](TPasswordForm& form) {
        EXPECT_FALSE(form.OKButton->isEnabled());
        EXPECT_TRUE(form.PasswordEdit->hasFocus());
        // Enter in the empty box does nothing.
        QTest::keyClick(form.PasswordEdit, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(run->DialogPassword, "before");
        QTest::keyClicks(form.PasswordEdit, "x");
        EXPECT_TRUE(form.OKButton->isEnabled());
        QTest::keyClick(form.PasswordEdit, Qt::Key_Backspace);
        EXPECT_FALSE(form.OKButton->isEnabled());
        QTest::keyClicks(form.PasswordEdit, "Geh");
        form.PasswordEdit->insert(QString::fromUtf8("é"));  // as typed with a dead key
        QTest::keyClicks(form.PasswordEdit, "im 1");
        QTest::keyClick(form.PasswordEdit, Qt::Key_Return);
    });
    EXPECT_EQ(run->DialogPassword, "Gehéim 1");
    // Nothing is saved unless asked for.
    EXPECT_FALSE(HasSetting("password.txt"));
    EXPECT_FALSE(HasSetting("silent.txt"));
}

TEST_F(PasswordDialog, CancelEmptiesThePasswordAndTheFrameLeavesIt) {
    run->DialogPassword = "before";
    Ask([](TPasswordForm& form) {
        QTest::keyClicks(form.PasswordEdit, "typed");
        form.CancelButton->click();
    });
    EXPECT_EQ(run->DialogPassword, "");

    run->DialogPassword = "before";
    Ask([](TPasswordForm& form) {
        QTest::keyClicks(form.PasswordEdit, "typed");
        QTest::keyClick(form.PasswordEdit, Qt::Key_Escape);  // Escape is Cancel
    });
    EXPECT_EQ(run->DialogPassword, "");

    run->DialogPassword = "before";
    Ask([](TPasswordForm& form) {
        QTest::keyClicks(form.PasswordEdit, "typed");
        form.close();
    });
    EXPECT_EQ(run->DialogPassword, "before");
}

TEST_F(PasswordDialog, SaveAsDefaultGoesWhereTheDefaultPasswordOptionSays) {
    struct Row {
        const char* name;
        bool silentBefore;
        const char* written;
        const char* untouched;
    };
    const Row rows[] = {{"option on", true, "silent.txt", "password.txt"},
                        {"option off", false, "password.txt", "silent.txt"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(SettingsFile("silent.txt").c_str());
        std::remove(SettingsFile("password.txt").c_str());
        if (row.silentBefore) WriteSetting("silent.txt", "old\r\n");
        Ask([](TPasswordForm& form) {
            QTest::mouseClick(form.Image23, Qt::LeftButton);  // the icon ticks the box
            EXPECT_TRUE(form.CheckBox4->isChecked());
            QTest::keyClicks(form.PasswordEdit, "s3cret");
            form.OKButton->click();
        });
        EXPECT_EQ(ReadSetting(row.written), "s3cret\r\n");
        EXPECT_FALSE(HasSetting(row.untouched));
    }
}

TEST_F(PasswordDialog, AddToListAppendsAndWritesEveryLineWithCrLf) {
    const std::string list = temp / "my list.txt";
    // Mixed line ends and an empty line in the middle; no break after the last.
    testing_support::WriteFile(list, "one\ntwo\r\rthree\r\nfour");
    WriteSetting("listname.txt", list + "\r\n");
    Ask([&](TPasswordForm& form) {
        EXPECT_EQ(form.CheckBox8->toolTip().toStdString(), list);
        form.CheckBox8->setChecked(true);
        QTest::keyClicks(form.PasswordEdit, "five");
        form.OKButton->click();
    });
    EXPECT_EQ(testing_support::ReadFile(list), "one\r\ntwo\r\n\r\nthree\r\nfour\r\nfive\r\n");
    EXPECT_EQ(ReadSetting("listname.txt"), list + "\r\n");

    // A list ending in a line break gains no empty line.
    testing_support::WriteFile(list, "a\n");
    Ask([](TPasswordForm& form) {
        form.CheckBox8->setChecked(true);
        QTest::keyClicks(form.PasswordEdit, "b");
        form.OKButton->click();
    });
    EXPECT_EQ(testing_support::ReadFile(list), "a\r\nb\r\n");
}

// A list the user chose stays chosen while its file is missing, and the user
// is told the password went nowhere; the default list is made (0600) when it
// is the one in use and missing.
TEST_F(PasswordDialog, AMissingListIsMadeOnlyWhenItIsTheDefaultOne) {
    const std::string defaultList = SettingsFile("passlist.txt");
    const std::string gone = temp / "gone.txt";
    struct Row {
        const char* name;
        std::function<void()> prepare;
        std::string hint, listNameAfter, defaultListAfter, message;
    };
    const Row rows[] = {
        {"chosen list deleted", [&] { WriteSetting("listname.txt", gone + "\r\n"); }, gone,
         gone + "\r\n", "<none>", "Error 12"},
        {"no listname.txt, no list", [&] { std::remove(SettingsFile("listname.txt").c_str()); },
         defaultList, defaultList + "\r\n", "lost\r\n", "<none>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        dialogs::TakeRecordedMessages();
        Ask([&](TPasswordForm& form) {
            EXPECT_EQ(form.CheckBox8->toolTip().toStdString(), row.hint);
            form.CheckBox8->setChecked(true);
            QTest::keyClicks(form.PasswordEdit, "lost");
            form.OKButton->click();
        });
        EXPECT_EQ(ReadSetting("listname.txt"), row.listNameAfter);
        EXPECT_EQ(HasSetting("passlist.txt") ? ReadSetting("passlist.txt") : "<none>",
                  row.defaultListAfter);
        const auto messages = dialogs::TakeRecordedMessages();
        EXPECT_EQ(messages.isEmpty() ? "<none>" : messages[0].caption.toStdString(), row.message);
        EXPECT_EQ(run->DialogPassword, "lost");
    }
    struct stat st;
    ASSERT_EQ(0, ::stat(defaultList.c_str(), &st));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A password that cannot be stored is reported with the settings-write
// message (here the list lies in a folder where no file can be made).
TEST_F(PasswordDialog, AnAdditionThatFailsIsReported) {
    WriteSetting("listname.txt", "/proc/self/status\r\n");
    dialogs::TakeRecordedMessages();
    Ask([](TPasswordForm& form) {
        form.CheckBox8->setChecked(true);
        QTest::keyClicks(form.PasswordEdit, "kept");
        form.OKButton->click();
    });
    const auto messages = dialogs::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].text, "Configuration file could not be created.");
    EXPECT_EQ(run->DialogPassword, "kept");
}

// The Tab order is checked with every window's in the look test.
TEST_F(PasswordDialog, ShowsTheFileName) {
    TPasswordForm form(*run, QStringLiteral("folder/entry.txt"));
    EXPECT_EQ(form.FilenameBox->text(), "folder/entry.txt");
    EXPECT_EQ(form.FilenameBox->toolTip(), "folder/entry.txt");
    EXPECT_TRUE(form.FilenameBox->isReadOnly());
}

}  // namespace
