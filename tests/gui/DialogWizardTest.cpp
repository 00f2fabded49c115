// The wizard: what it shows from the settings files, the files its controls
// write at once, Cancel/OK/close and the run's Cancelled, and the browse that
// comes by itself when "wizard.txt" is absent.

#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "DialogFixture.h"
#include "ui/Dialogs.h"
#include "ui/Wizard.h"

namespace {

class Wizard : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        archiveFolder = temp / "archives/";
        std::filesystem::create_directories(archiveFolder);
        archive = QString::fromStdString(archiveFolder + "Secret.rar");
    }
    void TearDown() override {
        // A primed folder that the test expected to stay unused must not leak.
        dialogs::SetNextDirectory(QString());
        dialogs::GetExistingDirectory(nullptr, QString(), QString());
        DialogTest::TearDown();
    }
    // Shows the wizard modally and lets `act` close it.
    void Show(const std::function<void(TWizardForm&)>& act, bool* cancelled) {
        TWizardForm form(*config, cancelled, archive);
        OnModal([&](QWidget*) { act(form); });
        form.exec();
    }
    std::string archiveFolder;
    QString archive;
};

TEST_F(Wizard, ShowsTheArchivesFolderWhenNoneIsStored) {
    WriteSetting("wizard.txt", ":-)\r\n");
    TWizardForm form(*config, nullptr, archive);
    EXPECT_EQ(form.FilenameBox->text(), archive);
    EXPECT_EQ(form.FilenameBox->toolTip(), archive);
    EXPECT_EQ(form.StaticText13->text().toStdString(), archiveFolder);
    EXPECT_EQ(form.StaticText13->toolTip().toStdString(), archiveFolder);
    EXPECT_TRUE(form.RadioButton1->isChecked());
    EXPECT_FALSE(form.Button4->isEnabled());
    EXPECT_FALSE(form.StaticText13->isEnabled());
    EXPECT_FALSE(HasSetting("folder.txt"));
    EXPECT_TRUE(form.CheckBox9->isChecked());
    EXPECT_FALSE(form.CheckBox9->isHidden());
    EXPECT_FALSE(form.Timer1->isActive());
}

TEST_F(Wizard, ARelativeArchivePathShowsItsAbsoluteFolder) {
    WriteSetting("wizard.txt", ":-)\r\n");
    const std::string cwd = std::filesystem::current_path().string();
    TWizardForm form(*config, nullptr, QStringLiteral("Secret.rar"));
    EXPECT_EQ(form.FilenameBox->text(), "Secret.rar");
    EXPECT_EQ(form.StaticText13->text().toStdString(), cwd + "/");
}

TEST_F(Wizard, AStoredFolderIsShownAndAVanishedOneReplacedByTheArchivesFolder) {
    WriteSetting("wizard.txt", ":-)\r\n");
    const std::string stored = temp / "out";
    std::filesystem::create_directories(stored);
    WriteSetting("folder.txt", stored + "\r\n");
    {
        TWizardForm form(*config, nullptr, archive);
        EXPECT_EQ(form.StaticText13->text().toStdString(), stored);
        EXPECT_TRUE(form.RadioButton2->isChecked());
        EXPECT_TRUE(form.Button4->isEnabled());
        EXPECT_EQ(ReadSetting("folder.txt"), stored + "\r\n");
    }
    WriteSetting("folder.txt", temp / "gone\r\n");
    {
        TWizardForm form(*config, nullptr, archive);
        EXPECT_EQ(form.StaticText13->text().toStdString(), archiveFolder);
        EXPECT_TRUE(form.RadioButton2->isChecked());
        EXPECT_EQ(ReadSetting("folder.txt"), archiveFolder + "\r\n");
        // Back to the archive's own folder: "folder.txt" goes at once.
        QTest::mouseClick(form.Image17, Qt::LeftButton);
        EXPECT_TRUE(form.RadioButton1->isChecked());
        EXPECT_FALSE(HasSetting("folder.txt"));
        EXPECT_FALSE(form.Button4->isEnabled());
        form.RadioButton2->click();
        EXPECT_EQ(ReadSetting("folder.txt"), archiveFolder + "\r\n");
    }
}

// A stored folder the wizard could not read, or whose name is not UTF-8, is
// shown as well as it can be and never replaced by that stand-in.
TEST_F(Wizard, TheStoredFolderSurvivesUnreadOrNotUtf8) {
    WriteSetting("wizard.txt", ":-)\r\n");
    ASSERT_EQ(0, ::symlink("/proc/self/mem", SettingsFile("folder.txt").c_str()));
    Show([](TWizardForm& form) { form.OKButton->click(); }, nullptr);
    EXPECT_TRUE(std::filesystem::is_symlink(SettingsFile("folder.txt")))
        << "the unreadable folder.txt was overwritten";

    std::filesystem::remove(SettingsFile("folder.txt"));
    const std::string latin = temp / "dossier\xE9";
    std::filesystem::create_directories(latin);
    WriteSetting("folder.txt", latin + "\r\n");
    Show(
        [](TWizardForm& form) {
            QTest::mouseClick(form.Image19, Qt::LeftButton);
            form.OKButton->click();
        },
        nullptr);
    EXPECT_EQ(ReadSetting("folder.txt"), latin + "\r\n");
}

TEST_F(Wizard, OptionBoxesShowAndWriteTheirFiles) {
    WriteSetting("wizard.txt", ":-)\r\n");
    WriteSetting("subdir.txt", ":-)\r\n");
    TWizardForm form(*config, nullptr, archive);
    EXPECT_TRUE(form.CheckBox3->isChecked());
    EXPECT_FALSE(form.CheckBox11->isChecked());
    QTest::mouseClick(form.Image18, Qt::LeftButton);
    EXPECT_FALSE(HasSetting("subdir.txt"));
    QTest::mouseClick(form.Image16, Qt::LeftButton);
    EXPECT_EQ(ReadSetting("opendir.txt"), ":-)\r\n");
    form.CheckBox11->click();
    EXPECT_FALSE(HasSetting("opendir.txt"));
    form.CheckBox3->click();
    EXPECT_TRUE(HasSetting("subdir.txt"));
}

TEST_F(Wizard, CancelCancelsTheRunWhileOkAndTheFrameLetItGoOn) {
    struct Row {
        const char* name;
        std::function<void(TWizardForm&)> close;
        bool cancelled;
    };
    const Row rows[] = {
        {"cancel", [](TWizardForm& f) { f.CancelButton->click(); }, true},
        {"escape", [](TWizardForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }, true},
        {"ok", [](TWizardForm& f) { f.OKButton->click(); }, false},
        {"enter", [](TWizardForm& f) { QTest::keyClick(&f, Qt::Key_Return); }, false},
        {"title-bar close", [](TWizardForm& f) { f.close(); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteSetting("wizard.txt", ":-)\r\n");
        run->Cancelled = false;
        Show(row.close, &run->Cancelled);
        EXPECT_EQ(run->Cancelled, row.cancelled);
        EXPECT_TRUE(HasSetting("wizard.txt"));
    }
}

TEST_F(Wizard, UntickingShowAgainDeletesWizardTxtAtOnce) {
    WriteSetting("wizard.txt", ":-)\r\n");
    Show(
        [&](TWizardForm& form) {
            form.CheckBox9->click();
            EXPECT_FALSE(HasSetting("wizard.txt"));
            form.CheckBox9->click();
            EXPECT_TRUE(HasSetting("wizard.txt"));
            form.CheckBox9->click();
            form.close();
        },
        &run->Cancelled);
    EXPECT_FALSE(HasSetting("wizard.txt"));
    EXPECT_FALSE(run->Cancelled);
}

TEST_F(Wizard, WithoutWizardTxtItBrowsesByItselfAfter300Ms) {
    const std::string chosen = temp / "chosen";
    std::filesystem::create_directories(chosen);
    dialogs::SetNextDirectory(QString::fromStdString(chosen));
    Show(
        [&](TWizardForm& form) {
            EXPECT_TRUE(form.CheckBox9->isHidden());
            EXPECT_FALSE(form.CheckBox9->isChecked());
            EXPECT_FALSE(HasSetting("folder.txt"));  // not before its time
            EXPECT_TRUE(WaitUntil([&] { return !form.Timer1->isActive(); }));
            // The chosen folder is stored although the radio buttons stay put.
            EXPECT_EQ(ReadSetting("folder.txt"), chosen + "\r\n");
            EXPECT_EQ(form.StaticText13->text().toStdString(), chosen);
            EXPECT_EQ(form.StaticText13->toolTip().toStdString(), chosen);
            EXPECT_TRUE(form.RadioButton1->isChecked());
            EXPECT_FALSE(form.Timer1->isActive());
            form.OKButton->click();
        },
        &run->Cancelled);
    EXPECT_FALSE(HasSetting("wizard.txt"));
    EXPECT_FALSE(run->Cancelled);

    // With "wizard.txt" there is no browse of its own.
    WriteSetting("wizard.txt", ":-)\r\n");
    std::remove(SettingsFile("folder.txt").c_str());
    dialogs::SetNextDirectory(QString::fromStdString(chosen));
    Show(
        [&](TWizardForm& form) {
            EXPECT_FALSE(form.Timer1->isActive()) << "no browse is due";
            EXPECT_FALSE(HasSetting("folder.txt"));
            form.OKButton->click();
        },
        &run->Cancelled);
}

TEST_F(Wizard, BrowseCancelledChangesNothingAndAFailedWriteIsReported) {
    WriteSetting("wizard.txt", ":-)\r\n");
    const std::string stored = temp / "out";
    std::filesystem::create_directories(stored);
    WriteSetting("folder.txt", stored + "\r\n");
    TWizardForm form(*config, nullptr, archive);
    dialogs::SetNextDirectory(QString());  // the user cancels the browser
    form.Button4->click();
    EXPECT_EQ(ReadSetting("folder.txt"), stored + "\r\n");
    EXPECT_EQ(form.StaticText13->text().toStdString(), stored);
    EXPECT_TRUE(dialogs::TakeRecordedMessages().isEmpty());

    // The settings folder has gone: the choice is shown all the same.
    std::filesystem::remove_all(Settings());
    dialogs::SetNextDirectory(QString::fromStdString(archiveFolder));
    QTest::mouseClick(form.StaticText13, Qt::LeftButton);
    EXPECT_EQ(form.StaticText13->text().toStdString(), archiveFolder);
    const auto messages = dialogs::TakeRecordedMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].text, "Configuration file could not be created.");
    EXPECT_EQ(messages[0].caption, "Error 11");
}

}  // namespace
