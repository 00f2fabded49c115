// Every run dialog and the wizard pick their texts by the dialog language
// rule, and the help buttons open their pages.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "DialogFixture.h"
#include "extract/Failed.h"
#include "extract/Password.h"
#include "extract/Readonly.h"
#include "extract/Replace.h"
#include "extract/Unicode.h"
#include "ui/Wizard.h"

namespace {

using DialogLanguages = DialogTest;

TEST_F(DialogLanguages, TheRuleChoosesEachDialogsTexts) {
    WriteSetting("wizard.txt", ":-)\r\n");
    struct Row {
        std::int32_t code;
        const char* password;  // caption suffix of the password dialog
        const char* replaceNo;
        const char* readonlyLabel2;
        const char* failedLabel6;
        const char* unicodeLabel13;
        const char* wizardGroup2;  // trailing blanks are part of the text
    };
    const Row english = {0,
                         " - Password Protected File",
                         "No",
                         "Extraction impossible",
                         "Probable causes:",
                         "Solution:",
                         " Output Folder  "};
    const Row german = {1031,
                        " - Passwortschutz",
                        "Nein",
                        "Entpacken nicht möglich",
                        "Wahrscheinliche Ursachen:",
                        "Lösung:",
                        " Ausgabeordner  "};
    const Row spanish = {1034,
                         " - Protección de contraseña",
                         "No",
                         "Extracción imposible",
                         "Causas probables:",
                         "Solución:",
                         " Carpeta de destino  "};
    const Row french = {1036,
                        " - Mot de passe fichier protégé",
                        "Non",
                        "L'extraction impossible",
                        "Causes probables:",
                        "Solution:",
                        " Dossier  "};
    const std::pair<std::int32_t, const Row*> codes[] = {
        {0, &english},    {1033, &english}, {2055, &english}, {3079, &english},
        {1031, &german},  {4103, &german},  {1034, &spanish}, {1069, &spanish},
        {3082, &spanish}, {1036, &french},  {3084, &english}, {-1, &english}};
    for (const auto& [code, row] : codes) {
        SCOPED_TRACE(code);
        config->InterfaceLanguage = code;
        TPasswordForm password(*run, QStringLiteral("a.rar"));
        EXPECT_EQ(password.windowTitle(),
                  QStringLiteral("Tarnwick") + QString::fromUtf8(row->password));
        TReplaceForm replace(*run, QStringLiteral("/a"));
        EXPECT_EQ(replace.skipButton->text(), QString::fromUtf8(row->replaceNo));
        TReadonlyForm readonly(*run, QStringLiteral("/a/"));
        EXPECT_EQ(readonly.Label2->text(), QString::fromUtf8(row->readonlyLabel2));
        TFailedForm failed(*run, QStringLiteral("a.rar"));
        EXPECT_EQ(failed.Label6->text(), QString::fromUtf8(row->failedLabel6));
        TNoUnicodeForm unicode(*run, QStringLiteral("/a/b?.rar"));
        EXPECT_EQ(unicode.Label13->text(), QString::fromUtf8(row->unicodeLabel13));
        TWizardForm wizard(*config, nullptr, QStringLiteral("/a/b.rar"));
        EXPECT_EQ(wizard.GroupBox2->title(), QString::fromUtf8(row->wizardGroup2));
    }
}

TEST_F(DialogLanguages, CaptionsOfTheGermanDialogs) {
    WriteSetting("wizard.txt", ":-)\r\n");
    config->InterfaceLanguage = 1031;
    EXPECT_EQ(TReplaceForm(*run, "/a").windowTitle(), "Tarnwick - Überschreiben bestätigen");
    EXPECT_EQ(TReadonlyForm(*run, "/a/").windowTitle(),
              "Tarnwick - Dateien können nicht entpackt werden");
    EXPECT_EQ(TFailedForm(*run, "a").windowTitle(), "Tarnwick - Entpacken fehlgeschlagen");
    EXPECT_EQ(TNoUnicodeForm(*run, "/a?").windowTitle(), "Tarnwick - Entpacken fehlgeschlagen");
    EXPECT_EQ(TWizardForm(*config, nullptr, "/a/b.rar").windowTitle(), "Tarnwick - Wizard");
    EXPECT_EQ(TWizardForm(*config, nullptr, "/a/b.rar").Label4->text(),
              "Bitte bestätigen Sie RAR-Datei und Ausgabeordner.  ");
}

TEST_F(DialogLanguages, HelpButtonsOpenTheirPages) {
    WriteSetting("wizard.txt", ":-)\r\n");
    PageCatcher catcher;
    TPasswordForm password(*run, QStringLiteral("a.rar"));
    password.Button2->click();
    password.Button16->click();
    password.Button1->click();
    TWizardForm wizard(*config, nullptr, QStringLiteral("/a/b.rar"));
    wizard.Button1->click();
    EXPECT_EQ(catcher.pages,
              QStringList({TPasswordForm::kEncryptedPage, TPasswordForm::kPhishingPage,
                           TPasswordForm::kWhyProtectedPage, TWizardForm::kIntroPage}));
    for (const QString& page : catcher.pages) {
        EXPECT_TRUE(page.startsWith("https://tarnwick.example/")) << page.toStdString();
    }
}

}  // namespace
