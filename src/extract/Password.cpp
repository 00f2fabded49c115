#include "extract/Password.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "extract/Main.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "ui/About.h"
#include "ui/Accessibility.h"
#include "ui/Dialogs.h"

namespace {

const rundialog::ControlText kTexts[] = {
    {rundialog::kCaption, " - Password Protected File", " - Mot de passe fichier protégé",
     " - Passwortschutz", " - Protección de contraseña"},
    {"Label2", "Password Protected File", "Mot de passe fichier protégé  ", "Passwortschutz",
     "Protegido con contraseña"},
    {"Label4", "A file that you want to extract is encrypted.",
     "Un fichier que vous voulez extraire est cryptée.",
     "Eine Datei, die entpackt werden soll, ist durch ein Passwort geschützt.",
     "Un archivo está protegido por contraseña."},
    {"Label1", "The file...", "Le fichier...", "Die Datei...", "El archivo..."},
    {"Label3", "...is encrypted.", "...est cryptée.", "...ist verschlüsselt.", "...está cifrado."},
    {"Button2", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Button16", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Button1", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"Label6", "BE CAREFUL!", "ATTENTION!", "VORSICHT!", "CUIDADO!"},
    {"Label7", "Never enter any personal data on web pages that promise",
     "Ne pas entrer toute information personnelle sur le web pages qui pro-",
     "Geben Sie niemals persönlichen Daten auf Webseiten ein, die",
     "Nunca introduzca sus datos personales en páginas web que preten-"},
    {"Label8", "to provide passwords to unlock RAR files...",
     "mettent de fournir des mots de passe pour déverrouiller le fichier...",
     "behaupten, dann Passwörter für RAR Dateien mitzuteilen.",
     "den proveer una contraseña para la descompresión de archivos RAR."},
    {"Label5", "Please enter password:", "S'il vous plaît entrez le mot de passe:",
     "Bitte geben Sie das Passwort ein:", "Introduzca la contraseña:"},
    {"CheckBox4", "Save this password as default password",
     "Sauvegarder ce mot de passe comme mot de passe standard",
     "Dieses Passwort als Default-Passwort speichern", "Guardar como contraseña por defecto"},
    {"CheckBox8", "Add this password to password list",
     "Ajouter ce mot de passe à la liste des mots de passe",
     "Dieses Passwort zur Passwort-Liste hinzufügen",
     "Añadir la contraseña a la lista de contraseñas"},
    // The three "Learn more..." buttons say what each one is about.
    {"Button2.name", "Learn more about encrypted files...",
     "En savoir plus sur les fichiers cryptés...", "Details zu verschlüsselten Dateien lesen...",
     "Leer detalles sobre archivos cifrados..."},
    {"Button16.name", "Learn more about password offers on web pages...",
     "En savoir plus sur les offres de mots de passe sur le web...",
     "Details zu Passwort-Angeboten auf Webseiten lesen...",
     "Leer detalles sobre ofertas de contraseñas en la web..."},
    {"Button1.name", "Learn more about why files are protected...",
     "En savoir plus sur la protection des fichiers...",
     "Details zum Passwortschutz von Dateien lesen...",
     "Leer detalles sobre la protección de archivos..."},
    {"FilenameBox.name", "Encrypted file", "Fichier crypté", "Verschlüsselte Datei",
     "Archivo cifrado"},
    {"PasswordEdit.name", "Password", "Mot de passe", "Passwort", "Contraseña"},
    {"OKButton", "OK", "OK", "OK", "OK"},
    {"CancelButton", "Cancel", "Annuler", "Abbrechen", "Cancelar"},
};

}  // namespace

TPasswordForm::TPasswordForm(TMobrelProgressForm& run, const QString& fileName, QWidget* parent)
    : TRunDialog("PasswordForm", run.frmConfig ? run.frmConfig->InterfaceLanguage : 0, 382, parent),
      run_(run),
      settingsFolder_(run.frmConfig ? run.frmConfig->SettingsFolder : std::string()) {
    Label1 = NewLabel(this, "Label1", 23, 79);
    FilenameBox = NewNameBox(this, "FilenameBox", 23, 103, 330);
    FilenameBox->setText(fileName);
    FilenameBox->setToolTip(fileName);
    Button2 = NewButton(this, "Button2", 363, 100, 140, 25);
    Label3 = NewLabel(this, "Label3", 23, 133);
    Label6 = NewLabel(this, "Label6", 23, 161, Style::Bold);
    Label7 = NewLabel(this, "Label7", 23, 178);
    Label8 = NewLabel(this, "Label8", 23, 194);
    // Right of the two warning lines, which take more room in French and Spanish.
    Button16 = NewButton(this, "Button16", 375, 182, 128, 25);
    Label5 = NewLabel(this, "Label5", 23, 228, Style::Bold);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setObjectName("PasswordEdit");
    PasswordEdit->setGeometry(23, 252, 330, 21);
    Button1 = NewButton(this, "Button1", 363, 249, 140, 25);
    Image23 = NewIcon(this, "Image23", 23, 281, ":/pictures/icon_password.png");
    CheckBox4 = NewCheckBox(this, "CheckBox4", 45, 282);
    Image11 = NewIcon(this, "Image11", 23, 302, ":/pictures/icon_passlist.png");
    CheckBox8 = NewCheckBox(this, "CheckBox8", 45, 303);
    OKButton = NewButton(Panel2, "OKButton", 366, 9, 75, 25);
    OKButton->setDefault(true);
    OKButton->setEnabled(false);
    CancelButton = NewButton(Panel2, "CancelButton", 447, 9, 75, 25);
    EscapeButton = CancelButton;

    setTabOrder(PasswordEdit, CheckBox4);
    setTabOrder(CheckBox4, CheckBox8);
    setTabOrder(CheckBox8, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, FilenameBox);
    setTabOrder(FilenameBox, Button2);
    setTabOrder(Button2, Button16);
    setTabOrder(Button16, Button1);
    PasswordEdit->setFocus();

    connect(OKButton, &QPushButton::clicked, this, &TPasswordForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TPasswordForm::CancelButtonClick);
    connect(PasswordEdit, &QLineEdit::textChanged, this, &TPasswordForm::PasswordEditChange);
    connect(PasswordEdit, &QLineEdit::returnPressed, this, &TPasswordForm::PasswordEditKeyPress);
    accessibility::SetPartner(*Image23, *CheckBox4);
    accessibility::SetPartner(*Image11, *CheckBox8);
    connect(Image23, &TOptionIcon::clicked, this, &TPasswordForm::Image23Click);
    connect(Image11, &TOptionIcon::clicked, this, &TPasswordForm::Image11Click);
    connect(Button1, &QPushButton::clicked, this, &TPasswordForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TPasswordForm::Button2Click);
    connect(Button16, &QPushButton::clicked, this, &TPasswordForm::Button16Click);

    FormCreate();
}

void TPasswordForm::FormCreate() {
    // Showing the dialog stores nothing; the list is remembered when it is used.
    CheckBox8->setToolTip(QString::fromStdString(ListFilePath(false)));
    ApplyTexts(kTexts);
}

std::string TPasswordForm::ListFilePath(bool remember) const {
    if (settingsFolder_.empty()) return settings::kListPlaceholder;
    const settings::Store store(settingsFolder_);
    // The list the user chose stays chosen while its file is missing (a drive
    // not mounted, a link whose target has gone): an addition says so rather
    // than going to another list.
    if (store.exists(settings::kListName))
        if (auto line = store.readValue(settings::kListName))
            if (!line->empty()) return *line;
    const std::string path = store.path(settings::kPassList);
    if (remember) store.writeValue(settings::kListName, path);
    return path;
}

void TPasswordForm::PasswordEditChange() { OKButton->setEnabled(!PasswordEdit->text().isEmpty()); }

void TPasswordForm::PasswordEditKeyPress() {
    if (!PasswordEdit->text().isEmpty()) OKButtonClick();
}

void TPasswordForm::Image23Click() { CheckBox4->toggle(); }

void TPasswordForm::Image11Click() { CheckBox8->toggle(); }

void TPasswordForm::Button1Click() { rundialog::OpenPage(kWhyProtectedPage); }

void TPasswordForm::Button2Click() { rundialog::OpenPage(kEncryptedPage); }

void TPasswordForm::Button16Click() { rundialog::OpenPage(kPhishingPage); }

void TPasswordForm::CancelButtonClick() {
    run_.DialogPassword.clear();
    answered_ = true;
    reject();
}

void TPasswordForm::OKButtonClick() {
    // Enter in the box reaches the default button as well; answer once.
    if (answered_) return;
    answered_ = true;
    const std::string password = PasswordEdit->text().toStdString();
    run_.DialogPassword = password;
    if (!settingsFolder_.empty()) {
        const settings::Store store(settingsFolder_);
        // A password the user asked to keep and that could not be stored is
        // reported: the old file stays as it was.
        bool stored = true;
        if (CheckBox4->isChecked()) {
            stored = store.writeValue(
                store.exists(settings::kSilent) ? settings::kSilent : settings::kPassword,
                password);
        }
        if (CheckBox8->isChecked()) {
            const std::string list = ListFilePath();
            // The default list is made when it is missing; a list the user
            // chose elsewhere never is.
            const bool defaultList = list == store.path(settings::kPassList);
            const bool listFound = defaultList || platform::FileExists(list);
            if (listFound)
                stored = settings::AppendToList(list, password, settings::kListLockWait,
                                                defaultList) &&
                         stored;
            else
                dialogs::ShowMessage(this,
                                     QString::fromUtf8(settings::kListNotFound.text) +
                                         QStringLiteral("\n") + QString::fromStdString(list),
                                     QString::fromUtf8(settings::kListNotFound.caption));
        }
        if (!stored) dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
    }
    accept();
}
