// The not-writable dialog (Yes opens the wizard, No cancels, the frame probes
// again), the failure report and the incompatible-name report.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "DialogFixture.h"
#include "extract/Failed.h"
#include "extract/Readonly.h"
#include "extract/Unicode.h"
#include "ui/Dialogs.h"
#include "ui/Wizard.h"

namespace {

using ReadonlyDialog = DialogTest;

TEST_F(ReadonlyDialog, NoCancelsAndTheFrameSetsNothing) {
    {
        TReadonlyForm form(*run, QStringLiteral("/mnt/cdrom/"));
        EXPECT_EQ(form.FolderBox->text(), "/mnt/cdrom/");
        EXPECT_EQ(form.FolderBox->toolTip(), "/mnt/cdrom/");
        OnModal([&](QWidget*) { form.close(); });
        form.exec();
        EXPECT_FALSE(run->Cancelled);
    }
    TReadonlyForm form(*run, QStringLiteral("/mnt/cdrom/"));
    OnModal([&](QWidget*) { form.skipButton->click(); });
    form.exec();
    EXPECT_TRUE(run->Cancelled);
}

TEST_F(ReadonlyDialog, YesOpensTheWizardWhichBrowsesAndStoresTheNewFolder) {
    const std::string chosen = temp / "writable";
    std::filesystem::create_directories(chosen);
    dialogs::SetNextDirectory(QString::fromStdString(chosen));
    TReadonlyForm form(*run, QStringLiteral("/mnt/cdrom/"));
    form.ArchivePath = QStringLiteral("/mnt/cdrom/Secret.rar");
    QString shownArchive;
    OnModal([&](QWidget*) {
        // The wizard is modal on top of this dialog; OK it once it has browsed.
        OnModal(
            [&](QWidget* wizard) {
                auto* w = qobject_cast<TWizardForm*>(wizard);
                ASSERT_NE(w, nullptr);
                shownArchive = w->FilenameBox->text();
                EXPECT_TRUE(WaitUntil([&] { return HasSetting("folder.txt"); }))
                    << "the wizard browses by itself";
                w->OKButton->click();
            },
            &form);
        QTest::keyClick(&form, Qt::Key_Return);  // "Yes" is the default button
    });
    form.exec();
    EXPECT_EQ(shownArchive, "/mnt/cdrom/Secret.rar");
    EXPECT_EQ(ReadSetting("folder.txt"), chosen + "\r\n");
    EXPECT_FALSE(run->Cancelled);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ReadonlyDialog, TheWizardsCancelCancelsTheRun) {
    WriteSetting("wizard.txt", ":-)\r\n");
    TReadonlyForm form(*run, QStringLiteral("/mnt/cdrom/"));
    OnModal([&](QWidget*) {
        OnModal([](QWidget* wizard) { wizard->findChild<QPushButton*>("CancelButton")->click(); },
                &form);
        form.selectButton->click();
    });
    form.exec();
    EXPECT_TRUE(run->Cancelled);
}

using FailureReports = DialogTest;

TEST_F(FailureReports, FailedFormNamesTheArchiveAndLinksItsFourPages) {
    PageCatcher catcher;
    TFailedForm form(*run, QStringLiteral("Broken.rar"));
    EXPECT_EQ(form.FilenameBox->text(), "Broken.rar");
    EXPECT_EQ(form.FilenameBox->toolTip(), "Broken.rar");
    EXPECT_EQ(form.windowTitle(), "Tarnwick - Extraction Failed");
    for (const char* name : {"Button3", "Button16", "Button1", "Button2"}) {
        form.findChild<QPushButton*>(name)->click();
    }
    EXPECT_EQ(catcher.pages,
              QStringList({TFailedForm::kIntroPage, TFailedForm::kDamagedPage,
                           TFailedForm::kMultiVolumePage, TFailedForm::kEncryptedPage}));
    EXPECT_EQ(catcher.pages.removeDuplicates(), 0);
    OnModal([&](QWidget*) { form.OKButton->click(); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
}

TEST_F(FailureReports, IncompatibleNameTextsForTheFileNameAndTheFolder) {
    struct Row {
        const char* name;
        std::int32_t language;
        const char* path;
        bool fileNameAtFault;
        const char* label7;
        const char* label9;
        const char* label10;
    };
    const Row rows[] = {
        {"file name", 1033, "/home/u/Gr??e.rar", true, "Incompatible file name: \"Gr??e.rar\"",
         "chars are not supported by this app (as indicated by the question marks in the file "
         "name).",
         "1. Please rename your RAR file (e.g. \"simple.rar\")..."},
        {"folder", 1033, "/home/?ber/Secret.rar", false, "Incompatible path name: \"/home/?ber/\"",
         "These are not supported by this app (as indicated by the question marks in the path "
         "name).",
         "1. Please move your RAR file to a root folder (e.g. \"C:\\\")..."},
        {"folder, German", 4103, "/home/?ber/Secret.rar", false,
         "Incompatibler Pfadname: \"/home/?ber/\"",
         "Manche Unicode-Zeichen werden von dieser App noch nicht unterstützt (Fragezeichen im "
         "Pfad).",
         "1. Bitte verschieben Sie die RAR-Datei in ein Stammverzeichnis (z.B. \"C:\\\")..."},
        // French shows the file-name row's second line in the folder case too.
        {"folder, French", 1036, "/home/?ber/Secret.rar", false,
         "Nom de dossier incompatible: \"/home/?ber/\"",
         "caractères sont pas pris en charge (comme indiqué par les points d'interrogation).",
         "1. S'il vous plaît déplacer vorte fichier RAR vers un autre dossier (par exemple, "
         "\"C:\\\")..."},
        {"both, Spanish", 3082, "/a?/b?.rar", true, "Nombre de archivo incompatible: \"b?.rar\"",
         "compatibles con esta aplicación (según lo indicado por los signos de interrogación).",
         "1. Cambiaréis el nombre de su archivo RAR (por ejemplo, \"simple.rar\")..."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        config->InterfaceLanguage = row.language;
        TNoUnicodeForm form(*run, QString::fromUtf8(row.path));
        EXPECT_EQ(form.FileNameIncompatible, row.fileNameAtFault);
        OnModal([&](QWidget*) {
            EXPECT_EQ(form.Label7->text(), QString::fromUtf8(row.label7));
            EXPECT_EQ(form.Label7->toolTip(), form.Label7->text());
            EXPECT_EQ(form.Label9->text(), QString::fromUtf8(row.label9));
            EXPECT_EQ(form.Label10->text(), QString::fromUtf8(row.label10));
            form.close();
        });
        form.exec();
    }
}

TEST_F(FailureReports, ALongNameIsCutButKeptWhole) {
    const QString path = QStringLiteral("/x/") + QString(300, QLatin1Char('n')) + "?.rar";
    TNoUnicodeForm form(*run, path);
    form.FormShow();
    EXPECT_TRUE(form.Label7->text().endsWith(QStringLiteral("?.rar\"")));
    EXPECT_LE(form.Label7->width(), 482);
    EXPECT_EQ(form.Label7->toolTip(), form.Label7->text());
}

}  // namespace
