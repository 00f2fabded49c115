#include "ui/Wizard.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/Paths.h"
#include "settings/Settings.h"
#include "ui/About.h"
#include "ui/Accessibility.h"
#include "ui/Dialogs.h"
#include "ui/Look.h"

namespace {

const rundialog::ControlText kTexts[] = {
    {rundialog::kCaption, " - Wizard", " - Assistant", " - Wizard", " - Asistente"},
    {"Label2", "Wizard", "Assistant", "Wizard", "Asistente"},
    {"Label4", "Confirm RAR and output folder.",
     "S'il vous plaît confirmer ce fichier-RAR et le dossier.",
     "Bitte bestätigen Sie RAR-Datei und Ausgabeordner.  ",
     "Confirme el archivo RAR y el carpeta de destino.  "},
    {"GroupBox1", " RAR  ", " Fichier-RAR  ", " RAR Datei  ", " Archivo RAR  "},
    {"Button1", "Learn more...", "En savoir plus...", "Details lesen...", "Leer detalles..."},
    {"GroupBox2", " Output Folder  ", " Dossier  ", " Ausgabeordner  ", " Carpeta de destino  "},
    {"RadioButton1", "Extract files to the same folder that the RAR file is located in",
     "Extraire les fichiers dans le même dossier oú se trouve le fichier RAR",
     "Dateien in den Ordner entpacken, in dem die RAR-Datei sich befindet",
     "Meter los archivos en la mísma carpeta que el archivo RAR"},
    {"RadioButton2", "Extract files to the default output folder",
     "Extraire les fichiers dans le dossier suivant", "Dateien in den Default-Ordner entpacken",
     "Meter los archivos en la carpeta por defecto"},
    {"Button4", "Browse...", "Parcourir...", "Durchsuchen...", "Examinar..."},
    {"CheckBox3", "Create new subfolder for each archive",
     "Créer un nouveau sous-dossier pour chaque archive",
     "Neuen Unterordner für jedes Archiv erzeugen", "Crear subcarpeta para cada archivo"},
    {"CheckBox11", "Show output folder after extracting", "Montre le dossier après l'extraction",
     "Ausgabeordner nach dem Entpacken anzeigen",
     "Volver a mostrar carpeta de destino después descompresión"},
    {"CheckBox9", "Show this dialog again before next extraction",
     "Voir cette boîte de dialogue avant l'extraction suivante",
     "Dieses Fenster vor dem nächsten Entpackvorgang wieder anzeigen",
     "Volver a mostrar este mensaje al siguiente proceso de descompresión"},
    {"FilenameBox.name", "Archive", "Archive", "Archiv", "Archivo"},
    {"Button1.name", "Learn more about RAR archives...", "En savoir plus sur les archives RAR...",
     "Details zu RAR-Archiven lesen...", "Leer detalles sobre archivos RAR..."},
    {"StaticText13.name", "Default output folder", "Dossier de destination par défaut",
     "Standard-Zielordner", "Carpeta de destino predeterminada"},
    {"StaticText13.description", "Choose another folder", "Choisir un autre dossier",
     "Anderen Ordner wählen", "Elegir otra carpeta"},
    {"OKButton", "OK", "OK", "OK", "OK"},
    {"CancelButton", "Cancel", "Annuler", "Abbrechen", "Cancelar"},
};

// Shown in place of the output folder while the stored one could not be read.
constexpr char kDesignFolder[] = "/";

}  // namespace

TWizardForm::TWizardForm(TfrmConfig& config, bool* cancelled, const QString& archivePath,
                         QWidget* parent)
    : TRunDialog("WizardForm", config.InterfaceLanguage, 356, parent),
      settingsFolder_(config.SettingsFolder),
      cancelled_(cancelled) {
    // Captions sit on the frame's top line, as on the options page.
    GroupBox1 = new look::WhiteGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(23, 71, 482, 74);
    FilenameBox = NewNameBox(GroupBox1, "FilenameBox", 12, 29, 325);
    FilenameBox->setText(archivePath);
    FilenameBox->setToolTip(archivePath);
    Button1 = NewButton(GroupBox1, "Button1", 343, 26, 121, 25);

    GroupBox2 = new look::WhiteGroupBox(this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(23, 156, 482, 131);
    Image17 = NewIcon(GroupBox2, "Image17", 9, 20, ":/pictures/icon_samefolder.png");
    RadioButton1 = new QRadioButton(GroupBox2);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setGeometry(31, 21, 434, 17);
    Image19 = NewIcon(GroupBox2, "Image19", 9, 40, ":/pictures/icon_outputfolder.png");
    RadioButton2 = new QRadioButton(GroupBox2);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton2->setGeometry(31, 42, 434, 17);
    StaticText13 = new TClickText(GroupBox2);
    StaticText13->setObjectName("StaticText13");
    StaticText13->setGeometry(49, 63, 386, 15);
    StaticText13->setCursor(Qt::PointingHandCursor);
    accessibility::MakeActivatable(
        *StaticText13, [this] { StaticText13->clicked(); }, nullptr, QAccessible::Link);
    Button4 = NewButton(GroupBox2, "Button4", 343, 55, 121, 25);
    Image18 = NewIcon(GroupBox2, "Image18", 9, 84, ":/pictures/icon_subfolder.png");
    CheckBox3 = NewCheckBox(GroupBox2, "CheckBox3", 31, 84, 434);
    Image16 = NewIcon(GroupBox2, "Image16", 9, 105, ":/pictures/icon_openfolder.png");
    CheckBox11 = NewCheckBox(GroupBox2, "CheckBox11", 31, 105, 434);

    // Wider than laid out, with narrower buttons beside it: the check mark
    // takes more room here than on the system the dialog was drawn for, and
    // the German and Spanish captions need the whole width left of OK.
    CheckBox9 = NewCheckBox(Panel2, "CheckBox9", 12, 14, 375);
    CheckBox9->setChecked(true);
    OKButton = NewButton(Panel2, "OKButton", 390, 9, 60, 25);
    OKButton->setDefault(true);
    CancelButton = NewButton(Panel2, "CancelButton", 454, 9, 68, 25);
    EscapeButton = CancelButton;

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(300);

    connect(RadioButton1, &QRadioButton::toggled, this, &TWizardForm::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::toggled, this, &TWizardForm::RadioButton2Click);
    connect(StaticText13, &TClickText::clicked, this, &TWizardForm::StaticText13Click);
    connect(Button4, &QPushButton::clicked, this, &TWizardForm::StaticText13Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TWizardForm::CheckBox3Click);
    connect(CheckBox11, &QCheckBox::toggled, this, &TWizardForm::CheckBox11Click);
    connect(CheckBox9, &QCheckBox::toggled, this, &TWizardForm::CheckBox9Click);
    accessibility::SetPartner(*Image17, *RadioButton1);
    accessibility::SetPartner(*Image19, *RadioButton2);
    accessibility::SetPartner(*Image18, *CheckBox3);
    accessibility::SetPartner(*Image16, *CheckBox11);
    connect(Image17, &TOptionIcon::clicked, this, &TWizardForm::Image17Click);
    connect(Image19, &TOptionIcon::clicked, this, &TWizardForm::Image19Click);
    connect(Image18, &TOptionIcon::clicked, this, &TWizardForm::Image18Click);
    connect(Image16, &TOptionIcon::clicked, this, &TWizardForm::Image16Click);
    connect(Button1, &QPushButton::clicked, this, &TWizardForm::Button1Click);
    connect(OKButton, &QPushButton::clicked, this, &TWizardForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TWizardForm::CancelButtonClick);
    connect(Timer1, &QTimer::timeout, this, &TWizardForm::Timer1Timer);

    FormCreate(archivePath);
}

void TWizardForm::FormCreate(const QString& archivePath) {
    const settings::Store store(settingsFolder_);
    if (!store.exists(settings::kWizard)) {
        CheckBox9->setChecked(false);
        CheckBox9->hide();
        Timer1->start();
    }

    // A path given relative to the working folder still names a real folder,
    // so the folder shown (and perhaps stored) is made absolute.
    QString archiveFolder =
        QString::fromStdString(platform::ExtractFilePath(archivePath.toStdString()));
    if (!archivePath.isEmpty() && QDir::isRelativePath(archiveFolder)) {
        archiveFolder = QFileInfo(archivePath).absolutePath() + QLatin1Char('/');
    }
    if (!store.exists(settings::kFolder)) {
        ShowFolder(archiveFolder);
        RadioButton1->setChecked(true);
    } else {
        if (auto line = store.readValue(settings::kFolder)) {
            if (platform::DirectoryExists(*line)) {
                ShowFolder(QString::fromStdString(*line));
                shownFolder_ = *line;
            } else {
                ShowFolder(archiveFolder);
            }
        } else {
            dialogs::ShowStoreMessage(this, settings::kFileNotRead);
            ShowFolder(QString::fromUtf8(kDesignFolder));
            folderUnread_ = true;
        }
        RadioButton2->setChecked(true);
    }

    CheckBox3->setChecked(store.exists(settings::kSubDir));
    CheckBox11->setChecked(store.exists(settings::kOpenDir));
    ApplyTexts(kTexts);
}

void TWizardForm::ShowFolder(const QString& folder) {
    shownFolder_ = folder.toStdString();
    StaticText13->setText(folder);
    StaticText13->setToolTip(folder);
}

void TWizardForm::RadioButton1Click() {
    if (RadioButton1->isChecked()) settings::Store(settingsFolder_).clearFlag(settings::kFolder);
    StaticText13->setEnabled(RadioButton2->isChecked());
    Button4->setEnabled(RadioButton2->isChecked());
}

void TWizardForm::RadioButton2Click() {
    if (RadioButton2->isChecked() && !folderUnread_) {
        settings::Store(settingsFolder_).writeValue(settings::kFolder, shownFolder_);
    }
    StaticText13->setEnabled(RadioButton2->isChecked());
    Button4->setEnabled(RadioButton2->isChecked());
}

void TWizardForm::StaticText13Click() {
    const QString shown = StaticText13->text();
    const QString start = platform::DirectoryExists(shown.toStdString()) ? shown : QString();
    const QString chosen = dialogs::GetExistingDirectory(this, QString(), start);
    if (chosen.isEmpty()) return;
    folderUnread_ = false;
    if (!settings::Store(settingsFolder_).writeValue(settings::kFolder, chosen.toStdString())) {
        dialogs::ShowStoreMessage(this, settings::kFileNotCreated);
    }
    ShowFolder(chosen);
}

void TWizardForm::CheckBox3Click() {
    settings::Store(settingsFolder_).setFlag(settings::kSubDir, CheckBox3->isChecked());
}

void TWizardForm::CheckBox11Click() {
    settings::Store(settingsFolder_).setFlag(settings::kOpenDir, CheckBox11->isChecked());
}

void TWizardForm::CheckBox9Click() {
    settings::Store(settingsFolder_).setFlag(settings::kWizard, CheckBox9->isChecked());
}

void TWizardForm::Image17Click() {
    RadioButton1->setChecked(true);
    RadioButton1Click();
}

void TWizardForm::Image19Click() {
    RadioButton2->setChecked(true);
    RadioButton2Click();
}

void TWizardForm::Image18Click() { CheckBox3->toggle(); }

void TWizardForm::Image16Click() { CheckBox11->toggle(); }

void TWizardForm::Button1Click() { rundialog::OpenPage(kIntroPage); }

void TWizardForm::OKButtonClick() {
    if (!CheckBox9->isChecked()) settings::Store(settingsFolder_).clearFlag(settings::kWizard);
    accept();
}

void TWizardForm::CancelButtonClick() {
    if (cancelled_) *cancelled_ = true;
    reject();
}

void TWizardForm::Timer1Timer() {
    Timer1->stop();
    StaticText13Click();
}
