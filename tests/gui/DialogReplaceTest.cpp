// The overwrite question: its answer, the run's apply-to-all flags and the
// "never ask again" file, written the moment the box changes.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DialogFixture.h"
#include "extract/Replace.h"

namespace {

class ReplaceDialog : public DialogTest {
protected:
    TRARReplaceAction Ask(const std::function<void(TReplaceForm&)>& act) {
        TReplaceForm form(*run, QStringLiteral("/out/a.txt"));
        EXPECT_EQ(form.FilenameBox->text(), "/out/a.txt");
        EXPECT_EQ(form.FilenameBox->toolTip(), "/out/a.txt");
        OnModal([&](QWidget*) { act(form); });
        form.exec();
        return form.ReplaceAction;
    }
};

TEST_F(ReplaceDialog, AnswersAndTheApplyToAllFlags) {
    struct Row {
        const char* name;
        bool applyToAll;
        const char* button;  // null: the title-bar close
        TRARReplaceAction action;
        bool overwriteAll;
        bool skipAll;
    };
    const Row rows[] = {
        {"yes", false, "replaceButton", rrOverwrite, false, false},
        {"yes to all", true, "replaceButton", rrOverwrite, true, false},
        {"no", false, "skipButton", rrSkip, false, false},
        {"no to all", true, "skipButton", rrSkip, false, true},
        {"closed", false, nullptr, rrCancel, false, false},
        {"closed with apply to all", true, nullptr, rrCancel, false, false},
        {"escape", false, "escape", rrCancel, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        run->OverwriteAll = run->SkipAll = false;
        const TRARReplaceAction action = Ask([&](TReplaceForm& form) {
            if (row.applyToAll) QTest::mouseClick(form.Image1, Qt::LeftButton);
            EXPECT_EQ(form.CheckBox9->isChecked(), row.applyToAll);
            if (row.button && std::string(row.button) == "escape") {
                QTest::keyClick(&form, Qt::Key_Escape);  // as the title-bar close
            } else if (row.button) {
                form.findChild<QPushButton*>(row.button)->click();
            } else {
                form.close();
            }
        });
        EXPECT_EQ(action, row.action);
        EXPECT_EQ(run->OverwriteAll, row.overwriteAll);
        EXPECT_EQ(run->SkipAll, row.skipAll);
        EXPECT_FALSE(HasSetting("replace.txt"));
    }
}

TEST_F(ReplaceDialog, NeverAskAgainWritesAndDeletesReplaceTxtAtOnce) {
    const TRARReplaceAction action = Ask([&](TReplaceForm& form) {
        QTest::mouseClick(form.CheckBox13, Qt::LeftButton);
        EXPECT_EQ(ReadSetting("replace.txt"), ":-)\r\n");
        QTest::mouseClick(form.CheckBox13, Qt::LeftButton);
        EXPECT_FALSE(HasSetting("replace.txt"));
        QTest::mouseClick(form.Image30, Qt::LeftButton);
        EXPECT_TRUE(form.CheckBox13->isChecked());
        EXPECT_EQ(ReadSetting("replace.txt"), ":-)\r\n");
        form.skipButton->click();
    });
    // "No" skips this file only; later files are overwritten through the flag.
    EXPECT_EQ(action, rrSkip);
    EXPECT_FALSE(run->SkipAll);
    EXPECT_TRUE(HasSetting("replace.txt"));

    // Unticking before answering deletes it, and a closed dialog keeps that.
    std::remove(SettingsFile("replace.txt").c_str());
    Ask([&](TReplaceForm& form) {
        QTest::mouseClick(form.Image30, Qt::LeftButton);
        EXPECT_TRUE(HasSetting("replace.txt"));
        QTest::mouseClick(form.Image30, Qt::LeftButton);
        form.close();
    });
    EXPECT_FALSE(HasSetting("replace.txt"));
}

TEST_F(ReplaceDialog, EnterAnswersYes) {
    const TRARReplaceAction action =
        Ask([](TReplaceForm& form) { QTest::keyClick(&form, Qt::Key_Return); });
    EXPECT_EQ(action, rrOverwrite);
}

}  // namespace
