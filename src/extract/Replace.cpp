#include "extract/Replace.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "extract/Main.h"
#include "settings/Settings.h"
#include "ui/About.h"
#include "ui/Accessibility.h"

namespace {

const rundialog::ControlText kTexts[] = {
    {rundialog::kCaption, " - Confirm File Replace", " - Confirmer efface",
     " - Überschreiben bestätigen", " - Confirmar sobrescritura de archivo"},
    {"Label2", "Confirm File Replace", "Confirmer efface", "Überschreiben bestätigen",
     "Confirmar sobrescritura"},
    {"Label4", "A file already exists in the output folder.",
     "S'il vous plaît confirmer que le fichier est efface.",
     "Bitte bestätigen Sie, dass die folgende Datei überschrieben wird.",
     "Confirme que el archivo se sobrescribe."},
    {"Label1", "The file...", "Le fichier...", "Die Datei...", "El archivo..."},
    {"Label3", "...already exists.", "...existe déjà.", "...existiert bereits.", "...ya existe."},
    {"Label6", "BE CAREFUL!", "ATTENTION!", "VORSICHT!", "CUIDADO!"},
    {"Label7",
     "If you agree to overwrite an existing file, all content of that file is overwritten.",
     "Si vous acceptez d'effacer un fichier existant, l'ensemble du contenu de ce fichier est "
     "effacé.",
     "Wenn Sie zustimmen, werden alle Daten in der bestehenden Datei überschrieben.",
     "Todos los datos serán sobreescritos."},
    {"Label8", "Only agree to overwrite a file if you are sure that it is save to replace it.",
     "Acceptez seulement d'effacer un fichier si vous êtes sûr que c'est mettre pour le "
     "remplacer.",
     "Stimmen Sie daher nur zu, wenn Sie sicher sind, dass die Datei ersetzt werden darf.",
     "Solo confirme si el archivo se puede reemplazar."},
    {"Label5", "Do you want to overwrite the file?", "Souhaitez-vous effacer le fichier?",
     "Möchten Sie die Datei überschreiben?", "¿Desea sobrescribir el archivo?"},
    {"CheckBox9", "Apply to all files inside this RAR archive", "Appliquer à tous les fichiers",
     "Auf alle Dateien in diesem RAR-Archiv anwenden",
     "Aplicar a todos los archivos en este archivo RAR"},
    {"CheckBox13",
     "Do not show this confirmation dialog ever again --> Always overwrite without asking",
     "Ne montre pas le dialogue «Confirmer efface» --> Toujours efface les fichiers",
     "Diesen Dialog nie wieder zeigen --> Alle Dateien immer ersetzen",
     "No volver a mostrar este mensaje --> Siempre reemplazar todos los archivos"},
    {"replaceButton", "Yes", "Oui", "Ja", "Si"},
    {"skipButton", "No", "Non", "Nein", "No"},
    {"replaceButton.description", "Overwrite the existing file", "Effacer le fichier existant",
     "Die vorhandene Datei überschreiben", "Sobrescribir el archivo existente"},
    {"skipButton.description", "Keep the existing file", "Garder le fichier existant",
     "Die vorhandene Datei behalten", "Conservar el archivo existente"},
    {"FilenameBox.name", "Existing file", "Fichier existant", "Vorhandene Datei",
     "Archivo existente"},
};

}  // namespace

TReplaceForm::TReplaceForm(TMobrelProgressForm& run, const QString& destination, QWidget* parent)
    : TRunDialog("ReplaceForm", run.frmConfig ? run.frmConfig->InterfaceLanguage : 0, 358, parent),
      run_(run),
      settingsFolder_(run.frmConfig ? run.frmConfig->SettingsFolder : std::string()) {
    Label1 = NewLabel(this, "Label1", 23, 79);
    FilenameBox = NewNameBox(this, "FilenameBox", 23, 103, 482);
    FilenameBox->setText(destination);
    FilenameBox->setToolTip(destination);
    Label3 = NewLabel(this, "Label3", 23, 133);
    Label6 = NewLabel(this, "Label6", 23, 161, Style::Bold);
    Label7 = NewLabel(this, "Label7", 23, 178);
    Label8 = NewLabel(this, "Label8", 23, 194);
    Label5 = NewLabel(this, "Label5", 23, 228, Style::Bold);
    Image1 = NewIcon(this, "Image1", 23, 252, ":/pictures/icon_applyall.png");
    CheckBox9 = NewCheckBox(this, "CheckBox9", 45, 253);
    Image30 = NewIcon(this, "Image30", 23, 275, ":/pictures/icon_overwrite.png");
    CheckBox13 = NewCheckBox(this, "CheckBox13", 45, 276);
    replaceButton = NewButton(Panel2, "replaceButton", 366, 9, 75, 25);
    replaceButton->setDefault(true);
    skipButton = NewButton(Panel2, "skipButton", 447, 9, 75, 25);
    setTabOrder(CheckBox9, CheckBox13);
    setTabOrder(CheckBox13, replaceButton);
    setTabOrder(replaceButton, skipButton);
    setTabOrder(skipButton, FilenameBox);
    replaceButton->setFocus();

    connect(replaceButton, &QPushButton::clicked, this, &TReplaceForm::replaceButtonClick);
    connect(skipButton, &QPushButton::clicked, this, &TReplaceForm::skipButtonClick);
    connect(CheckBox13, &QCheckBox::clicked, this, &TReplaceForm::CheckBox13Click);
    accessibility::SetPartner(*Image1, *CheckBox9);
    accessibility::SetPartner(*Image30, *CheckBox13);
    connect(Image1, &TOptionIcon::clicked, this, &TReplaceForm::Image1Click);
    connect(Image30, &TOptionIcon::clicked, this, &TReplaceForm::Image30Click);
    ApplyTexts(kTexts);
}

void TReplaceForm::replaceButtonClick() {
    ReplaceAction = rrOverwrite;
    if (CheckBox9->isChecked()) run_.OverwriteAll = true;
    accept();
}

void TReplaceForm::skipButtonClick() {
    ReplaceAction = rrSkip;
    if (CheckBox9->isChecked()) run_.SkipAll = true;
    accept();
}

void TReplaceForm::CheckBox13Click() {
    if (settingsFolder_.empty()) return;
    const settings::Store store(settingsFolder_);
    if (CheckBox13->isChecked()) {
        store.setFlag(settings::kReplace);
    } else {
        store.clearFlag(settings::kReplace);
    }
}

void TReplaceForm::Image1Click() { CheckBox9->toggle(); }

void TReplaceForm::Image30Click() {
    CheckBox13->toggle();
    CheckBox13Click();
}
